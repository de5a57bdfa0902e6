// Attribute family and entity collection: slots, arguments and defaults of the composite, entity,
// link, shortcut and collection operations, const forms included. The module's tests record the
// raw calls of every attribute operation and of the derived predicates (isComposite, isRoot,
// hasAttribute, hasEntity: answers, call counts, failures) through the stand-in library.
#include <gtest/gtest.h>

#include <functional>
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

}  // namespace
