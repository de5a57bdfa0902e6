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

INSTANTIATE_TEST_SUITE_P(
    Attribute, ModelSlots,
    ::testing::Values(
        SlotCase{"getAttributeType", [](W w) { w.ent.getAttributeType(); }, {"ent:3(false)"}},
        SlotCase{"getAttributeTypeFollow", [](W w) { w.ent.getAttributeType(true); }, {"ent:3(true)"}},
        SlotCase{"getType", [](W w) { w.ent.getType(); }, {"ent:4()"}},
        SlotCase{"getParent", [](W w) { w.ent.getParent(); }, {"ent:5()"}},
        SlotCase{"getParentEntity", [](W w) { w.ent.getParentEntity(); }, {"ent:6()"}},
        SlotCase{"getAttributePath", [](W w) { w.ent.getAttributePath(); }, {"ent:7(true)"}},
        SlotCase{"getAttributePathRoot", [](W w) { w.ent.getAttributePath(false); }, {"ent:7(false)"}},
        SlotCase{"getStringValue", [](W w) { w.ent.getStringValue(); }, {"ent:8(3)"}},
        SlotCase{"setStringValue", [](W w) { w.ent.setStringValue("v"); }, {"ent:9(v,4)"}},
        SlotCase{"getFloatValue", [](W w) { w.ent.getFloatValue(); }, {"ent:10(3)"}},
        SlotCase{"setFloatValue", [](W w) { w.ent.setFloatValue(1.5f); }, {"ent:11(1.5f,4)"}},
        SlotCase{"getDoubleValue", [](W w) { w.ent.getDoubleValue(Chronology_Initial); }, {"ent:12(0)"}},
        SlotCase{"setDoubleValue", [](W w) { w.ent.setDoubleValue(2.5); }, {"ent:13(2.5,4)"}},
        SlotCase{"getIntValue", [](W w) { w.ent.getIntValue(); }, {"ent:14(3)"}},
        SlotCase{"setIntValue", [](W w) { w.ent.setIntValue(-7, Chronology(9)); }, {"ent:15(-7,9)"}},
        SlotCase{"getBoolValue", [](W w) { w.ent.getBoolValue(); }, {"ent:16(3)"}},
        SlotCase{"setBoolValue", [](W w) { w.ent.setBoolValue(true); }, {"ent:17(true,4)"}},
        SlotCase{"hasValue", [](W w) { w.ent.hasValue(Chronology_Invalid); }, {"ent:18(-1)"}},
        SlotCase{"hasUnits", [](W w) { w.ent.hasUnits(); }, {"ent:19()"}},
        SlotCase{"getUnit", [](W w) { w.ent.getUnit(); }, {"ent:20()"}},
        SlotCase{"getAccessType", [](W w) { w.ent.getAccessType(); }, {"ent:21()"}}));

INSTANTIATE_TEST_SUITE_P(
    CompositeAndEntity, ModelSlots,
    ::testing::Values(
        SlotCase{"getNumberOfAttributes", [](W w) { w.ent.getNumberOfAttributes(); }, {"ent:22(false)"}},
        SlotCase{"hasAttributes", [](W w) { w.ent.hasAttributes(); }, {"ent:22(false)"}},
        SlotCase{"hasAttributeIndex", [](W w) { w.ent.hasAttribute(0, true); }, {"ent:22(true)"}},
        SlotCase{"getAttribute", [](W w) { w.ent.getAttribute(2); }, {"ent:23(2,false)"}},
        SlotCase{"getAttributeConst", [](W w) { std::as_const(w.ent).getAttribute(2, true); }, {"ent:24(2,true)"}},
        SlotCase{"getAttributeByPath", [](W w) { w.ent.getAttribute(std::string("a.b")); }, {"ent:25(a.b)"}},
        SlotCase{"getAttributeByPathConst", [](W w) { std::as_const(w.ent).getAttribute(std::string("a")); },
                 {"ent:26(a)"}},
        SlotCase{"hasAttributePath", [](W w) { w.ent.hasAttribute(std::string("x")); }, {"ent:27(x)"}},
        SlotCase{"getName", [](W w) { w.ent.getName(); }, {"ent:28(false)"}},
        SlotCase{"getFullName", [](W w) { w.ent.getName(true); }, {"ent:28(true)"}},
        SlotCase{"getEntityID", [](W w) { w.ent.getEntityID(); }, {"ent:29()"}}));

INSTANTIATE_TEST_SUITE_P(
    LinksAndShortcuts, ModelSlots,
    ::testing::Values(
        SlotCase{"linkCount", [](W w) { w.link.getNumberOfEntities(); }, {"link:22()"}},
        SlotCase{"linkHasEntity", [](W w) { w.link.hasEntity(); }, {"link:22()"}},
        SlotCase{"listHasEntities", [](W w) { w.list.hasEntities(); }, {"list:22()"}},
        SlotCase{"linkGetEntity", [](W w) { w.link.getEntity(); }, {"link:23(0)"}},
        SlotCase{"linkGetEntityConst", [](W w) { std::as_const(w.link).getEntity(); }, {"link:24(0)"}},
        SlotCase{"linkGetEntityAt", [](W w) { w.link.getEntity(3); }, {"link:23(3)"}},
        SlotCase{"listGetEntityConst", [](W w) { std::as_const(w.list).getEntity(1); }, {"list:24(1)"}},
        SlotCase{"shortcutCount", [](W w) { w.sc.getNumberOfShortcuts(); }, {"sc:22()"}},
        SlotCase{"getShortcut", [](W w) { w.sc.getShortcut(4); }, {"sc:23(4)"}},
        SlotCase{"getFirstValidShortcut", [](W w) { w.sc.getFirstValidShortcut(); }, {"sc:24()"}}));

INSTANTIATE_TEST_SUITE_P(
    Collection, ModelSlots,
    ::testing::Values(
        SlotCase{"rootCount", [](W w) { w.coll.getNumberOfRootEntities(); }, {"coll:3()"}},
        SlotCase{"getRootEntity", [](W w) { w.coll.getRootEntity(); }, {"coll:4(0)"}},
        SlotCase{"getRootEntityConst", [](W w) { std::as_const(w.coll).getRootEntity(); }, {"coll:5(0)"}},
        SlotCase{"getRootEntityAt", [](W w) { w.coll.getRootEntity(2); }, {"coll:4(2)"}},
        SlotCase{"count", [](W w) { w.coll.getNumberOfEntities(); }, {"coll:6()"}},
        SlotCase{"countByTypeAndName", [](W w) { w.coll.getNumberOfEntities("T", "N"); }, {"coll:7(T,N)"}},
        SlotCase{"solutionControl", [](W w) { w.coll.getSolutionControl(); }, {"coll:8()"}},
        SlotCase{"solutionControlConst", [](W w) { std::as_const(w.coll).getSolutionControl(); }, {"coll:9()"}},
        SlotCase{"byIndex", [](W w) { w.coll.getEntity(1); }, {"coll:10(1)"}},
        SlotCase{"byIndexConst", [](W w) { std::as_const(w.coll).getEntity(1); }, {"coll:11(1)"}},
        SlotCase{"byTypeAndName", [](W w) { w.coll.getEntity("T", "N"); }, {"coll:12(T,N,0)"}},
        SlotCase{"byTypeNameIndex", [](W w) { w.coll.getEntity("T", "N", 2); }, {"coll:12(T,N,2)"}},
        SlotCase{"byTypeAndNameConst", [](W w) { std::as_const(w.coll).getEntity("T", "N"); }, {"coll:13(T,N,0)"}},
        SlotCase{"countByType", [](W w) { w.coll.getNumberOfEntities("T"); }, {"coll:14(T)"}},
        SlotCase{"countByID", [](W w) { w.coll.getNumberOfEntities(id); }, {"coll:15(5:-6)"}},
        SlotCase{"byType", [](W w) { w.coll.getEntity("T"); }, {"coll:16(T,0)"}},
        SlotCase{"byTypeIndex", [](W w) { w.coll.getEntity("T", 3); }, {"coll:16(T,3)"}},
        SlotCase{"byTypeIndexConst", [](W w) { std::as_const(w.coll).getEntity("T", 3); }, {"coll:17(T,3)"}},
        SlotCase{"byID", [](W w) { w.coll.getEntity(id); }, {"coll:18(5:-6)"}},
        SlotCase{"byIDConst", [](W w) { std::as_const(w.coll).getEntity(id); }, {"coll:19(5:-6)"}}));

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

TEST(AttributePredicates, HasUnitsNeverThrows) {
    World world;
    world.ent.script.status[19] = -2;
    world.ent.script.writes = false;
    EXPECT_FALSE(world.ent.hasUnits());
    world.ent.script.writes = true;
    world.ent.script.flag = true;
    EXPECT_TRUE(world.ent.hasUnits());
    EXPECT_EQ(world.log.calls, (Trace{"ent:19()", "ent:19()"}));
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

TEST(Entity, IdentifierComesBackInOrder) {
    World world;
    world.ent.script.id = CEntityID{7, 42};
    const EntityID entityID = world.ent.getEntityID();
    EXPECT_EQ(entityID.data()[0], 7);
    EXPECT_EQ(entityID.data()[1], 42);
    world.ent.script.status[29] = -3;
    EXPECT_THROW(world.ent.getEntityID(), std::logic_error);
}

}  // namespace
