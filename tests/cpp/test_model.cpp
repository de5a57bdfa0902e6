// Attribute family and entity collection: slots, arguments, defaults and the derived
// predicates (how many calls they make, and that failures are never turned into false).
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <utility>

#include "fake_library.h"

namespace {

using namespace fake;

struct World {
    Log log;
    FakeEntity ent{log, "ent"};
    FakeLink link{log, "link"};
    FakeList list{log, "list"};
    FakeShortcut sc{log, "sc"};
    FakeCollection coll{log, "coll"};
};

using SlotCase = TraceCase<World>;

class ModelSlots : public ::testing::TestWithParam<SlotCase> {};

TEST_P(ModelSlots, ReachesItsSlotWithItsArguments) {
    World world;
    GetParam().call(world);
    EXPECT_EQ(world.log.calls, GetParam().trace);
}

using W = World&;
const EntityID id(5, -6);
// A case named after its call on one fake, or on the fake seen as const.
#define ON(call, ...) SlotCase{#call, [](W w) { w.call; }, {__VA_ARGS__}}
#define ON_CONST(fake, call, ...) \
    SlotCase{"const " #fake "." #call, [](W w) { std::as_const(w.fake).call; }, {__VA_ARGS__}}

INSTANTIATE_TEST_SUITE_P(
    Attribute, ModelSlots,
    ::testing::Values(
        ON(ent.getAttributeType(), "ent:3(false)"), ON(ent.getAttributeType(true), "ent:3(true)"),
        ON(ent.getType(), "ent:4()"), ON(ent.getParent(), "ent:5()"), ON(ent.getParentEntity(), "ent:6()"),
        ON(ent.getAttributePath(), "ent:7(true)"), ON(ent.getAttributePath(false), "ent:7(false)"),
        ON(ent.getStringValue(), "ent:8(3)"), ON(ent.setStringValue("v"), "ent:9(v,4)"),
        ON(ent.getFloatValue(), "ent:10(3)"), ON(ent.setFloatValue(1.5f), "ent:11(1.5f,4)"),
        ON(ent.getDoubleValue(), "ent:12(3)"), ON(ent.getDoubleValue(Chronology_Initial), "ent:12(0)"),
        ON(ent.setDoubleValue(2.5), "ent:13(2.5,4)"),
        ON(ent.getIntValue(), "ent:14(3)"), ON(ent.setIntValue(-7, Chronology(9)), "ent:15(-7,9)"),
        ON(ent.getBoolValue(), "ent:16(3)"), ON(ent.setBoolValue(true), "ent:17(true,4)"),
        ON(ent.hasValue(Chronology_Invalid), "ent:18(-1)"), ON(ent.hasUnits(), "ent:19()"),
        ON(ent.getUnit(), "ent:20()"), ON(ent.getAccessType(), "ent:21()")));

INSTANTIATE_TEST_SUITE_P(
    CompositeAndEntity, ModelSlots,
    ::testing::Values(
        ON(ent.getNumberOfAttributes(), "ent:22(false)"), ON(ent.hasAttributes(), "ent:22(false)"),
        ON(ent.hasAttribute(0, true), "ent:22(true)"), ON(ent.getAttribute(2), "ent:23(2,false)"),
        ON_CONST(ent, getAttribute(2, true), "ent:24(2,true)"),
        ON(ent.getAttribute(std::string("a.b")), "ent:25(a.b)"),
        ON_CONST(ent, getAttribute(std::string("a")), "ent:26(a)"),
        ON(ent.hasAttribute(std::string("x")), "ent:27(x)"), ON(ent.getName(), "ent:28(false)"),
        ON(ent.getName(true), "ent:28(true)"), ON(ent.getEntityID(), "ent:29()")));

INSTANTIATE_TEST_SUITE_P(
    LinksAndShortcuts, ModelSlots,
    ::testing::Values(
        ON(link.getNumberOfEntities(), "link:22()"), ON(link.hasEntity(), "link:22()"),
        ON(list.hasEntities(), "list:22()"), ON(link.getEntity(), "link:23(0)"),
        ON_CONST(link, getEntity(), "link:24(0)"), ON(link.getEntity(3), "link:23(3)"),
        ON_CONST(list, getEntity(1), "list:24(1)"), ON(sc.getNumberOfShortcuts(), "sc:22()"),
        ON(sc.getShortcut(4), "sc:23(4)"), ON(sc.getFirstValidShortcut(), "sc:24()")));

INSTANTIATE_TEST_SUITE_P(
    Collection, ModelSlots,
    ::testing::Values(
        ON(coll.getNumberOfRootEntities(), "coll:3()"), ON(coll.getRootEntity(), "coll:4(0)"),
        ON_CONST(coll, getRootEntity(), "coll:5(0)"), ON(coll.getRootEntity(2), "coll:4(2)"),
        ON(coll.getNumberOfEntities(), "coll:6()"), ON(coll.getNumberOfEntities("T", "N"), "coll:7(T,N)"),
        ON(coll.getSolutionControl(), "coll:8()"), ON_CONST(coll, getSolutionControl(), "coll:9()"),
        ON(coll.getEntity(1), "coll:10(1)"), ON_CONST(coll, getEntity(1), "coll:11(1)"),
        ON(coll.getEntity("T", "N"), "coll:12(T,N,0)"), ON(coll.getEntity("T", "N", 2), "coll:12(T,N,2)"),
        ON_CONST(coll, getEntity("T", "N"), "coll:13(T,N,0)"), ON(coll.getNumberOfEntities("T"), "coll:14(T)"),
        ON(coll.getNumberOfEntities(id), "coll:15(5:-6)"), ON(coll.getEntity("T"), "coll:16(T,0)"),
        ON(coll.getEntity("T", 3), "coll:16(T,3)"), ON_CONST(coll, getEntity("T", 3), "coll:17(T,3)"),
        ON(coll.getEntity(id), "coll:18(5:-6)"), ON_CONST(coll, getEntity(id), "coll:19(5:-6)")));

#undef ON
#undef ON_CONST

// isComposite: a composite answers after one call, anything else after two.
struct KindCase {
    AttributeType kind;
    bool composite;
    bool entity;
    std::size_t calls;
};
std::ostream& operator<<(std::ostream& out, const KindCase& c) { return out << "kind " << int(c.kind); }

class CompositeKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(CompositeKinds, CallCountAndAnswer) {
    World world;
    world.ent.script.kind = GetParam().kind;
    EXPECT_EQ(world.ent.isComposite(), GetParam().composite);
    EXPECT_EQ(world.log.calls, Trace(GetParam().calls, "ent:3(false)"));
    world.log.clear();
    EXPECT_EQ(world.ent.isEntity(), GetParam().entity);
    EXPECT_EQ(world.log.calls.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CompositeKinds,
                         ::testing::Values(KindCase{AttributeType_Composite, true, false, 1},
                                           KindCase{AttributeType_Entity, true, true, 2},
                                           KindCase{AttributeType_Int, false, false, 2},
                                           KindCase{AttributeType_Shortcut, false, false, 2}));

TEST(AttributePredicates, IsRootFollowsTheParentAndPropagatesFailure) {
    World world;
    EXPECT_TRUE(world.ent.isRoot());
    world.ent.script.parent = &world.ent;
    EXPECT_FALSE(world.ent.isRoot());
    world.ent.script.parent = nullptr;
    world.ent.script.status[5] = -2;
    EXPECT_THROW(world.ent.isRoot(), std::runtime_error);
}

// Counting predicates: one count call, an unsigned compare, no fetch.
struct CountCase {
    const char* name;
    std::function<bool(World&)> ask;
    long long count;
    bool expected;
};
std::ostream& operator<<(std::ostream& out, const CountCase& c) { return out << c.name; }

class CountingPredicates : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountingPredicates, OneCountCallAndNoFetch) {
    World world;
    for (Recorder* object : std::initializer_list<Recorder*>{&world.ent, &world.link, &world.list, &world.coll})
        object->script.number = GetParam().count;
    EXPECT_EQ(GetParam().ask(world), GetParam().expected);
    EXPECT_EQ(world.log.calls.size(), 1u);
}

TEST_P(CountingPredicates, FailingCountThrowsInsteadOfAnsweringFalse) {
    World world;
    for (Recorder* object : std::initializer_list<Recorder*>{&world.ent, &world.link, &world.list, &world.coll})
        for (int slot : {3, 6, 7, 14, 15, 22}) object->script.status[slot] = -4;
    EXPECT_THROW(GetParam().ask(world), std::out_of_range);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, CountingPredicates,
    ::testing::Values(
        CountCase{"attributeAtCount", [](W w) { return w.ent.hasAttribute(5); }, 5, false},
        CountCase{"attributeBelowCount", [](W w) { return w.ent.hasAttribute(4); }, 5, true},
        CountCase{"attributesNone", [](W w) { return w.ent.hasAttributes(); }, 0, false},
        CountCase{"linkHasEntity", [](W w) { return w.link.hasEntity(); }, 1, true},
        CountCase{"listEmpty", [](W w) { return w.list.hasEntities(); }, 0, false},
        CountCase{"entityAtCount", [](W w) { return w.coll.hasEntity(3); }, 3, false},
        CountCase{"entityBelowCount", [](W w) { return w.coll.hasEntity(2); }, 3, true},
        CountCase{"entityByID", [](W w) { return w.coll.hasEntity(id); }, 2, true},
        CountCase{"entityByTypeIndex", [](W w) { return w.coll.hasEntity("T", 0); }, 0, false},
        CountCase{"entityByTypeAndName", [](W w) { return w.coll.hasEntity("T", "N"); }, 1, true},
        CountCase{"entityByTypeAndNameNone", [](W w) { return w.coll.hasEntity("T", "N"); }, 0, false},
        CountCase{"entityByTypeNameIndex", [](W w) { return w.coll.hasEntity("T", "N", 1); }, 1, false}));

}  // namespace
