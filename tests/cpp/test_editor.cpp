// EntityEditor: selector resolution, neutral answers without library calls, and the
// chronology each value operation passes. A missing entity or attribute and a library failure
// during a lookup are checked end to end in tests/python/test_editor.py.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "fake_library.h"

namespace {

using namespace fake;

// A collection whose every lookup finds "ent", whose every attribute lookup finds "attr".
struct Model {
    Log log;
    FakeCollection coll{log, "coll"};
    FakeEntity ent{log, "ent"};
    FakeEntity attr{log, "attr"};
    EntityEditor editor{static_cast<IEntityCollection*>(&coll)};
    IEntity* const e = &ent;
    IAttribute* const a = &attr;
    Model() {
        coll.script.entity = &ent;
        ent.script.attribute = &attr;
    }
};

const EntityID id(1, 2);
const std::string T = "T", N = "N", P = "p";
const std::size_t i0 = 0, i1 = 1, i2 = 2;

TEST(EditorNullCollection, EveryOperationAnswersNeutrallyWithoutACall) {
    Log log;
    FakeManager manager(log, "mgr");
    EntityEditor fromNullData(static_cast<ISolverData*>(nullptr));
    EntityEditor editor(static_cast<IEntityCollection*>(nullptr));
    ASSERT_EQ(fromNullData.getEntityCollection(), nullptr);

    for (EntityEditor* e : {&fromNullData, &editor}) {
        EXPECT_EQ(e->getSolutionControl(), nullptr);
        EXPECT_EQ(e->getNumberOfEntities() + e->getNumberOfEntities(T) + e->getNumberOfEntities(T, N), 0u);
        EXPECT_FALSE(e->hasEntity(i0) || e->hasEntity(id) || e->hasEntity(T, i0) || e->hasEntity(T, N, i0) ||
                     e->hasEntity(T, N));
        EXPECT_EQ(e->getEntity(T, N), nullptr);
        EXPECT_EQ(e->getEntityType("T", i0), "");
        EXPECT_EQ(e->getEntityName(id), "");
        EXPECT_EQ(e->getEntityID(T, N, i1), EntityID(0, 0));
        EXPECT_EQ(e->getEntityNumberOfAttributes("T", "N"), 0u);
        EXPECT_FALSE(e->hasAttribute(i0, i0) || e->hasAttribute(T, N, P));
        EXPECT_EQ(e->getAttribute(id, "p"), nullptr);
        EXPECT_EQ(e->getAttributePath("T", "N", i0, i0), "");
        EXPECT_EQ(e->getUnit(T, i0, P), "");
        EXPECT_EQ(e->getAccessType("T", "N", "p"), AccessType__None);
        EXPECT_EQ(e->getIntValue(i0, i0), 0);
        EXPECT_FALSE(e->getBoolValue(T, N, i0, i1, Chronology_Current));
        EXPECT_EQ(e->getFloatValue(id, P), 0.0f);
        EXPECT_EQ(e->getDoubleValue("T", i2, "p"), 0.0);
        EXPECT_EQ(e->getStringValue(T, N, P), "");
        e->setIntValue(i0, i0, 1);
        e->setStringValue("T", "N", i0, "p", "v", Chronology_Next);
    }
    EXPECT_TRUE(log.calls.empty());
}

TEST(EditorConstruction, SolverDataIsAskedOnceForItsCollection) {
    Log log;
    FakeManager manager(log, "mgr");
    FakeCollection coll(log, "coll");
    manager.script.collection = &coll;
    EXPECT_EQ(EntityEditor(static_cast<ISolverData&>(manager)).getEntityCollection(), &coll);
    EXPECT_EQ(EntityEditor(static_cast<ISolverData*>(&manager)).getEntityCollection(), &coll);
    EXPECT_EQ(log.calls, (Trace{"mgr:17()", "mgr:17()"}));

    manager.script.status[17] = -2;
    EXPECT_THROW(EntityEditor{static_cast<ISolverData&>(manager)}, std::runtime_error);
}

using EditorCase = TraceCase<Model>;

class EditorCalls : public ::testing::TestWithParam<EditorCase> {};

TEST_P(EditorCalls, MakeExactlyTheseLibraryCalls) {
    Model model;
    model.coll.script.number = 3;
    model.ent.script.number = 4;
    GetParam().call(model);
    EXPECT_EQ(model.log.calls, GetParam().trace);
}

using M = Model&;
// A case named after its editor call, and the answer it must give where that matters.
#define ED(call, ...) EditorCase{#call, [](M m) { m.editor.call; }, {__VA_ARGS__}}
#define ED_IS(call, answer, ...) EditorCase{#call, [](M m) { EXPECT_EQ(m.editor.call, answer); }, {__VA_ARGS__}}

// hasEntity counts and never fetches; getEntity and the readers resolve, then read.
INSTANTIATE_TEST_SUITE_P(
    Entities, EditorCalls,
    ::testing::Values(
        ED_IS(hasEntity(std::size_t{3}), false, "coll:6()"), ED_IS(hasEntity(i2), true, "coll:6()"),
        ED_IS(hasEntity(id), true, "coll:15(1:2)"), ED_IS(hasEntity(T, 3), false, "coll:14(T)"),
        ED_IS(hasEntity(T, N), true, "coll:7(T,N)"), ED_IS(hasEntity(T, N, i2), true, "coll:7(T,N)"),
        ED_IS(getEntity(T, N), m.e, "coll:12(T,N,0)"), ED(getEntity(std::size_t{3}), "coll:10(3)"),
        ED_IS(getSolutionControl(), m.e, "coll:8()"), ED(getEntityType(m.e), "ent:4()"),
        ED_IS(getEntityType(nullptr), ""), ED(getEntityType("T", i1), "coll:16(T,1)", "ent:4()"),
        ED(getEntityName(id), "coll:18(1:2)", "ent:28(false)"),
        ED(getEntityID("T", "N"), "coll:12(T,N,0)", "ent:29()"),
        ED_IS(getEntityNumberOfAttributes(m.e), 4u, "ent:22(true)")));

// One case per attribute selector; each reads an int, so the last call is slot 14.
INSTANTIATE_TEST_SUITE_P(
    Selectors, EditorCalls,
    ::testing::Values(
        ED(getIntValue(m.a), "attr:14(3)"), ED(getIntValue(m.e, i1), "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue(i2, i1), "coll:10(2)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue(id, i1), "coll:18(1:2)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue(T, i2, i1), "coll:16(T,2)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue("T", i2, i1), "coll:16(T,2)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue(T, N, i1), "coll:12(T,N,0)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue("T", "N", i1), "coll:12(T,N,0)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue(T, N, i2, i1), "coll:12(T,N,2)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue("T", "N", i2, i1), "coll:12(T,N,2)", "ent:23(1,true)", "attr:14(3)"),
        ED(getIntValue(m.e, P), "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(i2, P), "coll:10(2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(id, P), "coll:18(1:2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(T, i2, P), "coll:16(T,2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(T, N, P), "coll:12(T,N,0)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(T, N, i2, P), "coll:12(T,N,2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(m.e, "p"), "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(i2, "p"), "coll:10(2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue(id, "p"), "coll:18(1:2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue("T", i2, "p"), "coll:16(T,2)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue("T", "N", "p"), "coll:12(T,N,0)", "ent:25(p)", "attr:14(3)"),
        ED(getIntValue("T", "N", i2, "p"), "coll:12(T,N,2)", "ent:25(p)", "attr:14(3)")));

// Every family with and without a chronology: readers default to 3, writers to 4.
INSTANTIATE_TEST_SUITE_P(
    Families, EditorCalls,
    ::testing::Values(
        ED(getIntValue(m.a, Chronology_Invalid), "attr:14(-1)"),
        ED(setIntValue(m.e, i1, 5), "ent:23(1,true)", "attr:15(5,4)"),
        ED(setIntValue(m.a, 5, Chronology_Invalid), "attr:15(5,-1)"), ED(getBoolValue(m.a), "attr:16(3)"),
        ED(setBoolValue(m.a, true), "attr:17(true,4)"),
        ED(setBoolValue(m.a, false, Chronology_Initial), "attr:17(false,0)"), ED(getFloatValue(m.a), "attr:10(3)"),
        ED(getFloatValue(m.e, P, Chronology_Next), "ent:25(p)", "attr:10(4)"),
        ED(setFloatValue(m.a, 1.5f), "attr:11(1.5f,4)"), ED(getDoubleValue(m.a), "attr:12(3)"),
        ED(setDoubleValue(m.a, 2.5), "attr:13(2.5,4)"),
        ED(setDoubleValue("T", "N", i2, "p", 2.5, Chronology_Current), "coll:12(T,N,2)", "ent:25(p)", "attr:13(2.5,3)"),
        ED(getStringValue(T, N, i2, i1, Chronology(7)), "coll:12(T,N,2)", "ent:23(1,true)", "attr:8(7)"),
        ED(setStringValue(m.a, "v"), "attr:9(v,4)"),
        ED(setStringValue(id, P, "v", Chronology_Initial), "coll:18(1:2)", "ent:25(p)", "attr:9(v,0)"),
        ED(getAttributePath(i2, i1), "coll:10(2)", "ent:23(1,true)", "attr:7(true)"), ED(getUnit(m.a), "attr:20()"),
        ED(getAccessType(T, i0, P), "coll:16(T,0)", "ent:25(p)", "attr:21()"),
        ED_IS(getAttribute(id, i1), m.a, "coll:18(1:2)", "ent:23(1,true)")));

// Attribute existence: recursive count compared unsigned, or the entity's path test.
INSTANTIATE_TEST_SUITE_P(
    AttributeExistence, EditorCalls,
    ::testing::Values(
        ED_IS(hasAttribute(m.e, std::size_t{4}), false, "ent:22(true)"),
        ED_IS(hasAttribute(m.e, std::size_t{3}), true, "ent:22(true)"),
        ED(hasAttribute("T", "N", i1), "coll:12(T,N,0)", "ent:22(true)"),
        ED(hasAttribute(i2, "p"), "coll:10(2)", "ent:27(p)"), ED_IS(getUnit(nullptr), ""),
        ED_IS(getAccessType(nullptr), AccessType__None), ED_IS(getAttributePath(nullptr), "")));

#undef ED
#undef ED_IS

}  // namespace
