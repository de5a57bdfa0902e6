// The stand-in library's model through the facade: entity lookups, attribute trees,
// links, shortcuts and the failures of positional lookups.
#include <set>
#include <vector>

#include "test_standin_support.h"

namespace standin_test {
namespace {

using StandinModel = Standin;

TEST_F(StandinModel, ObjectAddressIsTheInterfacePointerAndHandleTypes) {
    IEntity* pump = collection().getEntity("Pump", "Pump1");
    ASSERT_NE(pump, nullptr);
    EXPECT_EQ(static_cast<void*>(pump), varnex2_standin_find("CoolingLoop/Pump1", 17));
    EXPECT_EQ(static_cast<void*>(&manager()), varnex2_standin_manager());
    EXPECT_EQ(static_cast<void*>(manager().getEntityCollection()), varnex2_standin_collection());
    // The same object is handed out every time.
    EXPECT_EQ(pump, collection().getEntity(pump->getEntityID()));
    EXPECT_EQ(pump->getAttribute("Head"), pump->getAttribute("Head"));
    EXPECT_EQ(manager().getHandleType(), HandleType_SolverManager);
    EXPECT_EQ(collection().getHandleType(), HandleType_EntityCollection);
    EXPECT_EQ(pump->getHandleType(), HandleType_Attribute);
    EXPECT_EQ(pump->getAttribute("Speed")->getHandleType(), HandleType_Attribute);
}

TEST_F(StandinModel, CollectionCountsAndRoots) {
    IEntityCollection& c = collection();
    EXPECT_EQ(c.getNumberOfEntities(), 11u);
    EXPECT_EQ(c.getNumberOfRootEntities(), 2u);
    EXPECT_EQ(c.getRootEntity()->getName(), "CoolingLoop");
    EXPECT_EQ(c.getRootEntity(1)->getName(), "Environment");
    // Keyed counts and lookups, with null for nothing found, are seen through the module's
    // collection tests; here the const lookup and the same-named pipe in the bypass.
    EXPECT_EQ(c.getNumberOfEntities("Pipe", "Pipe1"), 2u);
    EXPECT_EQ(static_cast<const IEntityCollection&>(c).getEntity("Pipe", "Pipe1", 1)->getName(true),
              "CoolingLoop/Bypass/Pipe1");
    EXPECT_EQ(c.getSolutionControl()->getName(true), "CoolingLoop/Solver");
    // Collection order is depth-first in definition order.
    std::vector<std::string> names;
    for (std::size_t i = 0; i < c.getNumberOfEntities(); ++i) names.push_back(c.getEntity(i)->getName(true));
    EXPECT_EQ(names, (std::vector<std::string>{"CoolingLoop", "CoolingLoop/Solver", "CoolingLoop/Inlet",
                                               "CoolingLoop/Pump1", "CoolingLoop/Pipe1", "CoolingLoop/HX1",
                                               "CoolingLoop/Pipe2", "CoolingLoop/Outlet", "CoolingLoop/Bypass",
                                               "CoolingLoop/Bypass/Pipe1", "Environment"}));
}

struct RangeCase {
    const char* name;
    std::function<void(IEntityCollection&)> call;
    const char* message;
};
std::ostream& operator<<(std::ostream& out, const RangeCase& c) { return out << c.name; }

class StandinPositionPastTheEnd : public Standin, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(StandinPositionPastTheEnd, IsOutOfRangeNamingIndexAndCount) {
    std::string message;
    EXPECT_EQ(thrownKind([&] { GetParam().call(collection()); }, &message), "out_of_range");
    EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Standin, StandinPositionPastTheEnd,
    ::testing::Values(
        RangeCase{"entity", [](IEntityCollection& c) { c.getEntity(std::size_t(11)); },
                  "entity index 11 is out of range: the model has 11 entities"},
        RangeCase{"constEntity", [](IEntityCollection& c) { static_cast<const IEntityCollection&>(c).getEntity(std::size_t(12)); },
                  "entity index 12 is out of range: the model has 11 entities"},
        RangeCase{"root", [](IEntityCollection& c) { c.getRootEntity(2); },
                  "root entity index 2 is out of range: the model has 2 root entities"},
        RangeCase{"attribute", [](IEntityCollection& c) { c.getEntity("Pump", "Pump1")->getAttribute(8); },
                  "attribute index 8 is out of range: entity 'CoolingLoop/Pump1' has 8 attributes"},
        RangeCase{"recursive", [](IEntityCollection& c) { c.getEntity("Pump", "Pump1")->getAttribute(13, true); },
                  "attribute index 13 is out of range: entity 'CoolingLoop/Pump1' has 13 attributes counted recursively"},
        RangeCase{"link", [](IEntityCollection& c) {
                      static_cast<ILinkAttribute*>(c.getEntity("Pump", "Pump1")->getAttribute("Suction"))->getEntity(1);
                  },
                  "entity index 1 is out of range: link attribute 'CoolingLoop/Pump1/Suction' refers to 1 entity"},
        RangeCase{"shortcut", [](IEntityCollection& c) {
                      static_cast<IShortcutAttribute*>(c.getRootEntity()->getAttribute("Monitors/HotOutlet"))->getShortcut(2);
                  },
                  "shortcut index 2 is out of range: shortcut attribute 'CoolingLoop/Monitors/HotOutlet' has 2 targets"}));

TEST_F(StandinModel, RecursiveIndexIsDepthFirstPreOrderAndStopsAtChildEntities) {
    IEntity* pump = entity("CoolingLoop/Pump1");
    ASSERT_EQ(pump->getNumberOfAttributes(), 8u);
    ASSERT_EQ(pump->getNumberOfAttributes(true), 13u);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < 13; ++i) paths.push_back(pump->getAttribute(i, true)->getAttributePath());
    EXPECT_EQ(paths, (std::vector<std::string>{
                         "Running", "Speed", "Stages", "Efficiency", "Head", "Performance", "Performance/RatedFlow",
                         "Performance/RatedHead", "Performance/Curve", "Performance/Curve/ShutoffHead",
                         "Performance/Curve/Exponent", "SetPoint", "Suction"}));
    EXPECT_EQ(static_cast<const IEntity*>(pump)->getAttribute(9, true), pump->getAttribute(9, true));
    // A child entity counts as one attribute of its parent; its own attributes do not.
    IEntity* bypass = entity("CoolingLoop/Bypass");
    EXPECT_EQ(bypass->getNumberOfAttributes(true), 2u);
    EXPECT_TRUE(bypass->getAttribute(1, true)->isEntity());
}

TEST_F(StandinModel, PathsParentsAndNames) {
    IAttribute* flow = entity("CoolingLoop/Pump1")->getAttribute("Performance/RatedFlow");
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->getAttributePath() + " " + flow->getAttributePath(false) + " " +
                  flow->getParent()->getAttributePath() + " " + flow->getType() + " " + flow->getUnit(),
              "Performance/RatedFlow CoolingLoop/Pump1/Performance/RatedFlow Performance double m3/h");
    EXPECT_EQ(flow->getParentEntity(), entity("CoolingLoop/Pump1"));

    IEntity* nested = entity("CoolingLoop/Bypass/Pipe1");
    EXPECT_EQ(nested->getName() + " " + nested->getName(true) + " " + nested->getType() + " " +
                  nested->getAttributePath() + " " + nested->getEntityID().toString(),
              "Pipe1 CoolingLoop/Bypass/Pipe1 Pipe Pipe1 5-3");
    EXPECT_EQ(nested->getParentEntity(), entity("CoolingLoop/Bypass"));

    IEntity* root = collection().getRootEntity();
    EXPECT_TRUE(root->isRoot() && !nested->isRoot());
    EXPECT_EQ(root->getParentEntity(), nullptr);
    // A path reaches through child entities; missing paths are null, not failures.
    EXPECT_EQ(root->getAttribute("Pump1/Performance/Curve/Exponent"),
              entity("CoolingLoop/Pump1")->getAttribute("Performance/Curve/Exponent"));
    for (const char* missing : {"Pump1/Nope", "Description/More", ""}) EXPECT_EQ(root->getAttribute(missing), nullptr);
    EXPECT_FALSE(root->hasAttribute("Pump1//Speed"));
    EXPECT_TRUE(root->hasAttribute("Pump1/Speed"));
}

TEST_F(StandinModel, KindsUnitsAndAccess) {
    struct Expect {
        const char* path;
        AttributeType kind;
        bool hasUnits;
        AccessType access;
    };
    for (const Expect& e : {Expect{"CoolingLoop/Pump1/Speed", AttributeType_Double, true, AccessType_ReadWrite},
                            Expect{"CoolingLoop/Pump1/Stages", AttributeType_Int, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/Pump1/Running", AttributeType_Bool, false, AccessType_ReadWrite},
                            Expect{"CoolingLoop/Pump1/Efficiency", AttributeType_Float, true, AccessType_ReadWrite},
                            Expect{"CoolingLoop/Fluid", AttributeType_String, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/Pump1/SetPoint", AttributeType_Double, true, AccessType_WriteOnly},
                            Expect{"CoolingLoop/Pump1/Performance", AttributeType_Composite, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/Pump1", AttributeType_Entity, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/Pump1/Suction", AttributeType_Link, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/Components", AttributeType_List, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/FlowPath", AttributeType_Array, false, AccessType_ReadOnly},
                            Expect{"CoolingLoop/Monitors/PumpHead", AttributeType_Shortcut, true, AccessType_ReadOnly}}) {
        IAttribute* a = attribute(e.path);
        ASSERT_NE(a, nullptr) << e.path;
        EXPECT_EQ(a->getAttributeType(), e.kind) << e.path;
        EXPECT_EQ(a->hasUnits(), e.hasUnits) << e.path;
        EXPECT_EQ(a->getAccessType(), e.access) << e.path;
        EXPECT_EQ(a->isComposite(), e.kind == AttributeType_Composite || e.kind == AttributeType_Entity) << e.path;
    }
}

TEST_F(StandinModel, LinksListsAndArrays) {
    auto* suction = static_cast<ILinkAttribute*>(attribute("CoolingLoop/Pump1/Suction"));
    EXPECT_TRUE(suction->hasEntity());
    EXPECT_EQ(suction->getEntity(), entity("CoolingLoop/Inlet"));

    auto* components = static_cast<IListAttribute*>(attribute("CoolingLoop/Components"));
    ASSERT_EQ(components->getNumberOfEntities(), 4u);
    EXPECT_EQ(components->getEntity(2), entity("CoolingLoop/HX1"));

    auto* path = static_cast<IArrayAttribute*>(attribute("CoolingLoop/FlowPath"));
    ASSERT_EQ(path->getNumberOfEntities(), 4u);
    EXPECT_EQ(path->getEntity(2), nullptr);  // an empty slot
    EXPECT_EQ(static_cast<const IArrayAttribute*>(path)->getEntity(3), entity("CoolingLoop/Outlet"));

    load(R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "L", "kind": "link"}]}]})");
    auto* empty = static_cast<ILinkAttribute*>(attribute("A/L"));
    EXPECT_FALSE(empty->hasEntity());
    EXPECT_EQ(thrownKind([&] { empty->getEntity(); }), "out_of_range");
}

TEST_F(StandinModel, ShortcutsActOnTheirFirstValidTarget) {
    auto* hot = static_cast<IShortcutAttribute*>(attribute("CoolingLoop/Monitors/HotOutlet"));
    IAttribute* target = attribute("CoolingLoop/HX1/HotSide/OutletTemperature");
    ASSERT_EQ(hot->getNumberOfShortcuts(), 2u);
    EXPECT_EQ(hot->getShortcut(0), nullptr);  // names a component that does not exist
    EXPECT_EQ(hot->getShortcut(1), target);
    EXPECT_EQ(hot->getFirstValidShortcut(), target);
    EXPECT_EQ(hot->getAttributeType(), AttributeType_Shortcut);
    EXPECT_EQ(hot->getAttributeType(true), AttributeType_Double);
    EXPECT_EQ(hot->getUnit(), "K");

    hot->setDoubleValue(305.0, Chronology_Current);
    EXPECT_EQ(target->getDoubleValue(), 305.0);
    EXPECT_EQ(hot->getStringValue(), "305");
    EXPECT_TRUE(hot->hasValue(Chronology_Current));

    load(R"({"entities": [{"name": "A", "type": "T", "attributes": [
        {"name": "S", "kind": "shortcut", "targets": ["A/Missing"]},
        {"name": "Loop1", "kind": "shortcut", "target": "A/Loop2"},
        {"name": "Loop2", "kind": "shortcut", "target": "A/Loop1"}]}]})");
    IAttribute* dangling = attribute("A/S");
    std::string message;
    EXPECT_EQ(thrownKind([&] { dangling->getDoubleValue(); }, &message), "runtime_error");
    EXPECT_EQ(message, "shortcut attribute 'A/S' has no valid target");
    EXPECT_EQ(thrownKind([&] { dangling->getAttributeType(true); }), "runtime_error");
    EXPECT_FALSE(dangling->hasValue(Chronology_Current));
    EXPECT_EQ(static_cast<IShortcutAttribute*>(dangling)->getFirstValidShortcut(), nullptr);
    EXPECT_EQ(thrownKind([&] { attribute("A/Loop1")->getIntValue(); }, &message), "runtime_error");
    EXPECT_EQ(message, "shortcut attribute 'A/Loop1' leads through too many shortcuts");
}

TEST_F(StandinModel, ObjectsOfAReplacedModelFailCleanly) {
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    ASSERT_EQ(speed->getDoubleValue(), 1450.0);
    varnex2_standin_reset();
    std::string message;
    EXPECT_EQ(thrownKind([&] { speed->getDoubleValue(); }, &message), "logic_error");
    EXPECT_EQ(message, "double attribute 'CoolingLoop/Pump1/Speed' belongs to a model that has been replaced");
    EXPECT_NE(attribute("CoolingLoop/Pump1/Speed"), speed);
    EXPECT_EQ(attribute("CoolingLoop/Pump1/Speed")->getDoubleValue(), 1450.0);
}

struct BadModel {
    const char* name;
    const char* json;
    const char* error;
};
std::ostream& operator<<(std::ostream& out, const BadModel& c) { return out << c.name; }

class StandinRejectedModel : public Standin, public ::testing::WithParamInterface<BadModel> {};

TEST_P(StandinRejectedModel, KeepsTheCurrentModelAndSaysWhere) {
    std::string json = GetParam().json;
    EXPECT_EQ(varnex2_standin_load_model_text(json.data(), json.size()), -1);
    EXPECT_EQ(std::string(varnex2_standin_last_error()), GetParam().error);
    EXPECT_EQ(collection().getNumberOfEntities(), 11u);
}

INSTANTIATE_TEST_SUITE_P(
    Standin, StandinRejectedModel,
    ::testing::Values(
        BadModel{"notJson", "{", "not valid JSON: "
                                 "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while "
                                 "parsing object key - unexpected end of input; expected string literal"},
        BadModel{"unknownKey", R"({"entity": []})", "model: unknown key 'entity'"},
        BadModel{"duplicateName",
                 R"({"entities": [{"name": "A", "type": "T", "attributes": [
                     {"name": "x", "kind": "int", "value": 1}, {"name": "x", "kind": "bool", "value": true}]}]})",
                 "entities[0].attributes[1] ('x'): the name 'x' is used twice"},
        BadModel{"slashInName", R"({"entities": [{"name": "A/B", "type": "T"}]})",
                 "entities[0].name: a name must be non-empty and contain no '/'"},
        BadModel{"wrongValueType",
                 R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "x", "kind": "int", "value": 1.5}]}]})",
                 "entities[0].attributes[0] ('x').value: expected an integer"},
        BadModel{"floatOverflow",
                 R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "x", "kind": "float", "value": 1e40}]}]})",
                 "entities[0].attributes[0] ('x').value: outside the range of float"},
        BadModel{"badChronology",
                 R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "x", "kind": "int", "values": {"Later": 1}}]}]})",
                 "entities[0].attributes[0] ('x').values: unknown chronology 'Later' (Initial, Continue, TimeStepStart, Current, Next)"},
        BadModel{"danglingLink",
                 R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "l", "kind": "link", "target": "B"}]}]})",
                 "entities[0].attributes[0] ('l'): no entity named 'B'"},
        BadModel{"nullInList",
                 R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "l", "kind": "list", "targets": [null]}]}]})",
                 "entities[0].attributes[0] ('l').targets[0]: only an array may have empty slots"},
        BadModel{"badSolutionControl", R"({"solutionControl": "X", "entities": []})",
                 "solutionControl: no entity named 'X'"},
        BadModel{"badTimeStep", R"({"run": {"timeStep": 0}})", "run.timeStep: must be positive"},
        BadModel{"badAccess",
                 R"({"entities": [{"name": "A", "type": "T", "access": "Full"}]})",
                 "entities[0].access: access must be None, ReadOnly, WriteOnly or ReadWrite"}));

TEST_F(StandinModel, DefaultsOfAMinimalModel) {
    load(R"({"entities": [
        {"name": "A", "type": "Pipe"}, {"name": "B", "type": "Pump"}, {"name": "C", "type": "Pipe", "id": [40, 2]},
        {"name": "Ctl", "type": "SolutionControl", "attributes": [{"name": "v", "kind": "double"}]}]})");
    IEntityCollection& c = collection();
    // Identifiers default to (type number in order of appearance, count within the type).
    EXPECT_EQ(c.getEntity("Pipe", "A")->getEntityID(), EntityID(1, 1));
    EXPECT_EQ(c.getEntity("Pump", "B")->getEntityID(), EntityID(2, 1));
    EXPECT_EQ(c.getEntity("Pipe", "C")->getEntityID(), EntityID(40, 2));
    // Without a named solution control, the first SolutionControl entity is it.
    EXPECT_EQ(c.getSolutionControl(), entity("Ctl"));
    IAttribute* v = attribute("Ctl/v");
    EXPECT_EQ(v->getAccessType(), AccessType_ReadWrite);
    EXPECT_TRUE(!v->hasUnits() && v->getUnit().empty());
    for (int chronology = 0; chronology <= 4; ++chronology) EXPECT_FALSE(v->hasValue(Chronology(chronology)));

    load(R"({"entities": []})");
    EXPECT_TRUE(c.getSolutionControl() == nullptr && manager().getSolutionControl() == nullptr);
    EXPECT_EQ(c.getNumberOfRootEntities(), 0u);
}

}  // namespace
}  // namespace standin_test
