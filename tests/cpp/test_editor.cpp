// EntityEditor: selector resolution, neutral answers without library calls, and the
// chronology each value operation passes.
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

// hasEntity counts and never fetches; getEntity and the readers resolve, then read.
INSTANTIATE_TEST_SUITE_P(
    Entities, EditorCalls,
    ::testing::Values(
        EditorCase{"hasEntityAtCount", [](M m) { EXPECT_FALSE(m.editor.hasEntity(std::size_t{3})); }, {"coll:6()"}},
        EditorCase{"hasEntityBelowCount", [](M m) { EXPECT_TRUE(m.editor.hasEntity(i2)); }, {"coll:6()"}},
        EditorCase{"hasEntityByID", [](M m) { EXPECT_TRUE(m.editor.hasEntity(id)); }, {"coll:15(1:2)"}},
        EditorCase{"hasEntityByType", [](M m) { EXPECT_FALSE(m.editor.hasEntity(T, 3)); }, {"coll:14(T)"}},
        EditorCase{"hasEntityByTypeName", [](M m) { EXPECT_TRUE(m.editor.hasEntity(T, N)); }, {"coll:7(T,N)"}},
        EditorCase{"hasEntityByTypeNameIndex", [](M m) { EXPECT_TRUE(m.editor.hasEntity(T, N, i2)); },
                   {"coll:7(T,N)"}},
        EditorCase{"getEntityByTypeName", [](M m) { EXPECT_EQ(m.editor.getEntity(T, N), m.e); },
                   {"coll:12(T,N,0)"}},
        EditorCase{"getEntityOutOfRange", [](M m) { m.editor.getEntity(std::size_t{3}); }, {"coll:10(3)"}},
        EditorCase{"solutionControl", [](M m) { EXPECT_EQ(m.editor.getSolutionControl(), m.e); }, {"coll:8()"}},
        EditorCase{"typeByHandle", [](M m) { m.editor.getEntityType(m.e); }, {"ent:4()"}},
        EditorCase{"typeByNullHandle", [](M m) { EXPECT_EQ(m.editor.getEntityType(nullptr), ""); }, {}},
        EditorCase{"typeByCharType", [](M m) { m.editor.getEntityType("T", i1); }, {"coll:16(T,1)", "ent:4()"}},
        EditorCase{"nameShort", [](M m) { m.editor.getEntityName(id); }, {"coll:18(1:2)", "ent:28(false)"}},
        EditorCase{"idByCharTypeName", [](M m) { m.editor.getEntityID("T", "N"); }, {"coll:12(T,N,0)", "ent:29()"}},
        EditorCase{"attributeCountRecursive", [](M m) { EXPECT_EQ(m.editor.getEntityNumberOfAttributes(m.e), 4u); },
                   {"ent:22(true)"}}));

// One case per attribute selector; each reads an int, so the last call is slot 14.
INSTANTIATE_TEST_SUITE_P(
    Selectors, EditorCalls,
    ::testing::Values(
        EditorCase{"handle", [](M m) { m.editor.getIntValue(m.a); }, {"attr:14(3)"}},
        EditorCase{"row1", [](M m) { m.editor.getIntValue(m.e, i1); }, {"ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row2", [](M m) { m.editor.getIntValue(i2, i1); }, {"coll:10(2)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row3", [](M m) { m.editor.getIntValue(id, i1); }, {"coll:18(1:2)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row4", [](M m) { m.editor.getIntValue(T, i2, i1); },
                   {"coll:16(T,2)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row5", [](M m) { m.editor.getIntValue("T", i2, i1); },
                   {"coll:16(T,2)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row6", [](M m) { m.editor.getIntValue(T, N, i1); },
                   {"coll:12(T,N,0)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row7", [](M m) { m.editor.getIntValue("T", "N", i1); },
                   {"coll:12(T,N,0)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row8", [](M m) { m.editor.getIntValue(T, N, i2, i1); },
                   {"coll:12(T,N,2)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row9", [](M m) { m.editor.getIntValue("T", "N", i2, i1); },
                   {"coll:12(T,N,2)", "ent:23(1,true)", "attr:14(3)"}},
        EditorCase{"row10", [](M m) { m.editor.getIntValue(m.e, P); }, {"ent:25(p)", "attr:14(3)"}},
        EditorCase{"row11", [](M m) { m.editor.getIntValue(i2, P); }, {"coll:10(2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row12", [](M m) { m.editor.getIntValue(id, P); }, {"coll:18(1:2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row13", [](M m) { m.editor.getIntValue(T, i2, P); }, {"coll:16(T,2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row14", [](M m) { m.editor.getIntValue(T, N, P); }, {"coll:12(T,N,0)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row15", [](M m) { m.editor.getIntValue(T, N, i2, P); },
                   {"coll:12(T,N,2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row16", [](M m) { m.editor.getIntValue(m.e, "p"); }, {"ent:25(p)", "attr:14(3)"}},
        EditorCase{"row17", [](M m) { m.editor.getIntValue(i2, "p"); }, {"coll:10(2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row18", [](M m) { m.editor.getIntValue(id, "p"); }, {"coll:18(1:2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row19", [](M m) { m.editor.getIntValue("T", i2, "p"); },
                   {"coll:16(T,2)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row20", [](M m) { m.editor.getIntValue("T", "N", "p"); },
                   {"coll:12(T,N,0)", "ent:25(p)", "attr:14(3)"}},
        EditorCase{"row21", [](M m) { m.editor.getIntValue("T", "N", i2, "p"); },
                   {"coll:12(T,N,2)", "ent:25(p)", "attr:14(3)"}}));

// Every family with and without a chronology: readers default to 3, writers to 4.
INSTANTIATE_TEST_SUITE_P(
    Families, EditorCalls,
    ::testing::Values(
        EditorCase{"getInt", [](M m) { m.editor.getIntValue(m.a, Chronology_Invalid); }, {"attr:14(-1)"}},
        EditorCase{"setInt", [](M m) { m.editor.setIntValue(m.e, i1, 5); }, {"ent:23(1,true)", "attr:15(5,4)"}},
        EditorCase{"setIntAt", [](M m) { m.editor.setIntValue(m.a, 5, Chronology_Invalid); }, {"attr:15(5,-1)"}},
        EditorCase{"getBool", [](M m) { m.editor.getBoolValue(m.a); }, {"attr:16(3)"}},
        EditorCase{"setBool", [](M m) { m.editor.setBoolValue(m.a, true); }, {"attr:17(true,4)"}},
        EditorCase{"setBoolAt", [](M m) { m.editor.setBoolValue(m.a, false, Chronology_Initial); },
                   {"attr:17(false,0)"}},
        EditorCase{"getFloat", [](M m) { m.editor.getFloatValue(m.a); }, {"attr:10(3)"}},
        EditorCase{"getFloatAt", [](M m) { m.editor.getFloatValue(m.e, P, Chronology_Next); },
                   {"ent:25(p)", "attr:10(4)"}},
        EditorCase{"setFloat", [](M m) { m.editor.setFloatValue(m.a, 1.5f); }, {"attr:11(1.5f,4)"}},
        EditorCase{"getDouble", [](M m) { m.editor.getDoubleValue(m.a); }, {"attr:12(3)"}},
        EditorCase{"setDouble", [](M m) { m.editor.setDoubleValue(m.a, 2.5); }, {"attr:13(2.5,4)"}},
        EditorCase{"setDoubleAt", [](M m) { m.editor.setDoubleValue("T", "N", i2, "p", 2.5, Chronology_Current); },
                   {"coll:12(T,N,2)", "ent:25(p)", "attr:13(2.5,3)"}},
        EditorCase{"getString", [](M m) { m.editor.getStringValue(T, N, i2, i1, Chronology(7)); },
                   {"coll:12(T,N,2)", "ent:23(1,true)", "attr:8(7)"}},
        EditorCase{"setString", [](M m) { m.editor.setStringValue(m.a, "v"); }, {"attr:9(v,4)"}},
        EditorCase{"setStringAt", [](M m) { m.editor.setStringValue(id, P, "v", Chronology_Initial); },
                   {"coll:18(1:2)", "ent:25(p)", "attr:9(v,0)"}},
        EditorCase{"path", [](M m) { m.editor.getAttributePath(i2, i1); }, {"coll:10(2)", "ent:23(1,true)", "attr:7(true)"}},
        EditorCase{"unit", [](M m) { m.editor.getUnit(m.a); }, {"attr:20()"}},
        EditorCase{"access", [](M m) { m.editor.getAccessType(T, i0, P); }, {"coll:16(T,0)", "ent:25(p)", "attr:21()"}},
        EditorCase{"getAttribute", [](M m) { EXPECT_EQ(m.editor.getAttribute(id, i1), m.a); },
                   {"coll:18(1:2)", "ent:23(1,true)"}}));

// Attribute existence: recursive count compared unsigned, or the entity's path test.
INSTANTIATE_TEST_SUITE_P(
    AttributeExistence, EditorCalls,
    ::testing::Values(
        EditorCase{"atCount", [](M m) { EXPECT_FALSE(m.editor.hasAttribute(m.e, std::size_t{4})); }, {"ent:22(true)"}},
        EditorCase{"belowCount", [](M m) { EXPECT_TRUE(m.editor.hasAttribute(m.e, std::size_t{3})); },
                   {"ent:22(true)"}},
        EditorCase{"byCharRow", [](M m) { m.editor.hasAttribute("T", "N", i1); }, {"coll:12(T,N,0)", "ent:22(true)"}},
        EditorCase{"byPath", [](M m) { m.editor.hasAttribute(i2, "p"); }, {"coll:10(2)", "ent:27(p)"}},
        EditorCase{"nullHandleUnit", [](M m) { EXPECT_EQ(m.editor.getUnit(nullptr), ""); }, {}},
        EditorCase{"nullHandleAccess", [](M m) { EXPECT_EQ(m.editor.getAccessType(nullptr), AccessType__None); }, {}},
        EditorCase{"nullHandlePath", [](M m) { EXPECT_EQ(m.editor.getAttributePath(nullptr), ""); }, {}}));

TEST(EditorMissing, NullEntityOrAttributeEndsTheOperationQuietly) {
    Model model;
    model.coll.script.entity = nullptr;
    EXPECT_EQ(model.editor.getDoubleValue(i2, i1), 0.0);
    model.editor.setDoubleValue(i2, i1, 3.0);
    EXPECT_FALSE(model.editor.hasAttribute(i2, P));
    EXPECT_EQ(model.log.calls, (Trace{"coll:10(2)", "coll:10(2)", "coll:10(2)"}));

    model.log.clear();
    model.coll.script.entity = &model.ent;
    model.ent.script.attribute = nullptr;
    EXPECT_EQ(model.editor.getStringValue(T, N, P), "");
    model.editor.setStringValue(T, N, P, "v");
    EXPECT_EQ(model.log.calls, (Trace{"coll:12(T,N,0)", "ent:25(p)", "coll:12(T,N,0)", "ent:25(p)"}));
}

TEST(EditorFailure, LibraryStatusPassesThroughAndTheEditorStaysUsable) {
    Model model;
    model.coll.script.status[10] = -4;
    model.coll.script.message = "no entity 9";
    try {
        model.editor.getEntity(std::size_t{9});
        FAIL();
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "no entity 9");
    }
    model.coll.script.status.clear();
    model.attr.script.number = 11;
    EXPECT_EQ(model.editor.getIntValue(i2, i1), 11);
}

}  // namespace
