// The stand-in library's model and values through the facade, where the module's tests do not
// reach: model-file validation, tree order, positional and shortcut failures, defaults, and the
// conversion, access and chronology rules of values.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "test_standin_support.h"

namespace standin_test {
namespace {

TEST_P(StandinCase, GivesItsOutcome) {
    if (GetParam().model) load(GetParam().model);
    EXPECT_EQ(GetParam().run(), GetParam().expected);
}

// A model of one entity A with the attributes `list`.
std::string attrs(const std::string& list) {
    return R"({"entities": [{"name": "A", "type": "T", "attributes": [)" + list + "]}]}";
}

// A rejected model leaves the current one in place and says where the fault is.
Case bad(const char* name, const std::string& json, const std::string& error) {
    return {name, nullptr, [json] {
                int rc = varnex2_standin_load_model_text(json.data(), json.size());
                bool kept = collection().getNumberOfEntities() == 11u;
                return rc == -1 && kept ? std::string(varnex2_standin_last_error()) : "accepted or model lost";
            }, error};
}

INSTANTIATE_TEST_SUITE_P(
    Rejected, StandinCase,
    ::testing::Values(
        bad("notJson", "{", "not valid JSON: [json.exception.parse_error.101] parse error at line 1, column 2: "
                            "syntax error while parsing object key - unexpected end of input; expected string literal"),
        bad("unknownKey", R"({"entity": []})", "model: unknown key 'entity'"),
        bad("duplicateName", attrs(R"({"name": "x", "kind": "int", "value": 1}, {"name": "x", "kind": "bool"})"),
            "entities[0].attributes[1] ('x'): the name 'x' is used twice"),
        bad("slashInName", R"({"entities": [{"name": "A/B", "type": "T"}]})",
            "entities[0].name: a name must be non-empty and contain no '/'"),
        bad("wrongValueType", attrs(R"({"name": "x", "kind": "int", "value": 1.5})"),
            "entities[0].attributes[0] ('x').value: expected an integer"),
        bad("floatOverflow", attrs(R"({"name": "x", "kind": "float", "value": 1e40})"),
            "entities[0].attributes[0] ('x').value: outside the range of float"),
        bad("badChronology", attrs(R"({"name": "x", "kind": "int", "values": {"Later": 1}})"),
            "entities[0].attributes[0] ('x').values: unknown chronology 'Later' (Initial, Continue, TimeStepStart, "
            "Current, Next)"),
        bad("danglingLink", attrs(R"({"name": "l", "kind": "link", "target": "B"})"),
            "entities[0].attributes[0] ('l'): no entity named 'B'"),
        bad("nullInList", attrs(R"({"name": "l", "kind": "list", "targets": [null]})"),
            "entities[0].attributes[0] ('l').targets[0]: only an array may have empty slots"),
        bad("badSolutionControl", R"({"solutionControl": "X", "entities": []})",
            "solutionControl: no entity named 'X'"),
        bad("badTimeStep", R"({"run": {"timeStep": 0}})", "run.timeStep: must be positive"),
        bad("infiniteTimeStep", R"({"run": {"timeStep": "inf"}})", "run.timeStep: must be a finite number"),
        bad("nanTotalTime", R"({"run": {"totalTime": "nan"}})", "run.totalTime: must be a finite number"),
        bad("formatNotText", R"({"format": 1})", "format: expected the text 'varnex2-standin-model/1'"),
        bad("formatUnknown", R"({"format": "varnex2-standin-model/999"})",
            "format: unsupported format 'varnex2-standin-model/999' (this library reads 'varnex2-standin-model/1')"),
        bad("formatHuge", "{\"format\": \"" + std::string(100000, 'x') + "\"}",
            "format: unsupported format '" + std::string(60, 'x') +
                "...' (100000 bytes) (this library reads 'varnex2-standin-model/1')"),
        bad("numberOverflow", "{\"run\": {\n  \"timeStep\": 1" + std::string(100000, '0') + "}}",
            "not valid JSON: line 2, column 15: number out of range: '1" + std::string(59, '0') +
                "...' (100001 bytes)"),
        bad("badAccess", R"({"entities": [{"name": "A", "type": "T", "access": "Full"}]})",
            "entities[0].access: access must be None, ReadOnly, WriteOnly or ReadWrite")));

// An entity A with `levels` composites nested in one another, the innermost holding `inner`.
std::string nested(int levels, const std::string& kind = "composite", const std::string& inner = "") {
    std::string json = R"({"entities": [{"name": "A", "type": "T", "attributes": [)";
    for (int i = 0; i < levels; ++i) json += R"({"name": "c", "kind": ")" + kind + R"(", "type": "T", "attributes": [)";
    json += inner;
    for (int i = 0; i < levels; ++i) json += "]}";
    return json + "]}]}";
}

// Nesting ends in a loaded model or a refusal that says where; the deepest model loads and
// dumps back; the reader never recurses over what it refuses.
TEST_F(Standin, NestingUpToTheLimitLoadsAndDeeperIsRefused) {
    // The int sits 256 levels below A, under 255 composites.
    std::string deepest = nested(255, "composite", R"({"name": "v", "kind": "int", "values": {"Current": 1}})");
    load(deepest);
    std::string path = "A";
    for (int i = 0; i < 255; ++i) path += "/c";
    EXPECT_EQ(attribute(path + "/v")->getIntValue(), 1);
    std::size_t length = 0;
    std::string dumped = varnex2_standin_dump_model(&length);
    load(dumped);
    EXPECT_EQ(attribute(path + "/v")->getIntValue(), 1);
    for (const char* kind : {"composite", "entity"}) {
        std::string tooDeep = nested(257, kind);
        EXPECT_EQ(varnex2_standin_load_model_text(tooDeep.data(), tooDeep.size()), -1);
        std::string error = varnex2_standin_last_error();
        EXPECT_EQ(error.substr(0, 45), "entities[0].attributes[0] ('c').attributes[0]") << kind;
        EXPECT_EQ(error.substr(error.size() - 70),
                  "attributes[0] ('c'): nested more than 256 levels below its root entity") << kind;
    }
    for (int levels : {12000, 100000}) {
        std::string huge = nested(levels, "entity");
        EXPECT_EQ(varnex2_standin_load_model_text(huge.data(), huge.size()), -1);
        EXPECT_EQ(std::string(varnex2_standin_last_error()),
                  "line 1, column 15537: JSON nested more than 520 levels deep");
    }
    EXPECT_EQ(collection().getEntity("T", "A")->getNumberOfAttributes(true), 256u);  // the last model kept
}

// Checking runs the loader's reader but notes every problem and goes on; the first is the
// loader's message. Members are checked once their definition is complete.
TEST_F(Standin, CheckListsEveryProblemTheLoaderWouldMeet) {
    std::string json = attrs(R"({"kind": "int", "value": "1", "name": "x"}, {"name": "l", "kind": "link",
        "target": "B"}, {"name": "x", "kind": "bool"})");
    ASSERT_EQ(varnex2_standin_check_model_text(json.data(), json.size()), 3);
    std::vector<std::string> found;
    for (std::size_t i = 0; i < 3; ++i) {
        const char* text = nullptr;
        std::size_t length = 0;
        ASSERT_EQ(varnex2_standin_problem(i, &text, &length), 0);
        found.emplace_back(text, length);
    }
    EXPECT_EQ(found, (std::vector<std::string>{"entities[0].attributes[0] ('x').value: expected an integer",
                                               "entities[0].attributes[2] ('x'): the name 'x' is used twice",
                                               "entities[0].attributes[1] ('l'): no entity named 'B'"}));
    EXPECT_EQ(varnex2_standin_problem(3, nullptr, nullptr), -1);
    EXPECT_EQ(varnex2_standin_load_model_text(json.data(), json.size()), -1);
    EXPECT_EQ(std::string(varnex2_standin_last_error()), found[0]);
    EXPECT_EQ(varnex2_standin_check_model_file(nullptr), -1);
    EXPECT_EQ(collection().getNumberOfEntities(), 11u);
}

// Only regular files are read: a FIFO does not block, a device is not read without end.
TEST_F(Standin, ModelFilesMustBeRegularFiles) {
    char dir[] = "/tmp/standin_test_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string fifo = std::string(dir) + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (std::string path : {fifo, std::string("/dev/zero"), std::string(dir)}) {
        EXPECT_EQ(varnex2_standin_load_model_file(path.c_str()), -1) << path;
        EXPECT_EQ(std::string(varnex2_standin_last_error()), "cannot read model file '" + path + "': not a regular file");
    }
    std::string missing = std::string(dir) + "/absent.json";
    EXPECT_EQ(varnex2_standin_load_model_file(missing.c_str()), -1);
    EXPECT_EQ(std::string(varnex2_standin_last_error()),
              "cannot read model file '" + missing + "': No such file or directory");
    unlink(fifo.c_str());
    rmdir(dir);
    EXPECT_EQ(collection().getNumberOfEntities(), 11u);
}

const char* kOddModel = R"({"entities": [{"name": "A", "type": "T", "attributes": [{"name": "L", "kind": "link"},
    {"name": "S", "kind": "shortcut", "targets": ["A/Missing"]},
    {"name": "Loop1", "kind": "shortcut", "target": "A/Loop2"},
    {"name": "Loop2", "kind": "shortcut", "target": "A/Loop1"}]}]})";
IEntity* pump() { return entity("CoolingLoop/Pump1"); }
template <class T>
T* as(const char* path) { return static_cast<T*>(attribute(path)); }
Case fails(const char* name, const char* model, std::function<void()> call, const char* expected) {
    return {name, model, [call] { return outcome(call); }, expected};
}

// Positions past the end, empty links, shortcuts without a target and objects of a replaced model.
INSTANTIATE_TEST_SUITE_P(
    Lookup, StandinCase,
    ::testing::Values(
        fails("attribute", nullptr, [] { pump()->getAttribute(8); },
              "out_of_range: attribute index 8 is out of range: entity 'CoolingLoop/Pump1' has 8 attributes"),
        fails("recursive", nullptr, [] { pump()->getAttribute(13, true); },
              "out_of_range: attribute index 13 is out of range: entity 'CoolingLoop/Pump1' has 13 attributes "
              "counted recursively"),
        fails("link", nullptr, [] { as<ILinkAttribute>("CoolingLoop/Pump1/Suction")->getEntity(1); },
              "out_of_range: entity index 1 is out of range: link attribute 'CoolingLoop/Pump1/Suction' refers to "
              "1 entity"),
        fails("shortcut", nullptr, [] { as<IShortcutAttribute>("CoolingLoop/Monitors/HotOutlet")->getShortcut(2); },
              "out_of_range: shortcut index 2 is out of range: shortcut attribute 'CoolingLoop/Monitors/HotOutlet' "
              "has 2 targets"),
        fails("emptyLink", kOddModel, [] { as<ILinkAttribute>("A/L")->getEntity(); },
              "out_of_range: entity index 0 is out of range: link attribute 'A/L' refers to 0 entities"),
        fails("danglingShortcut", kOddModel, [] { attribute("A/S")->getDoubleValue(); },
              "runtime_error: shortcut attribute 'A/S' has no valid target"),
        fails("danglingShortcutType", kOddModel, [] { attribute("A/S")->getAttributeType(true); },
              "runtime_error: shortcut attribute 'A/S' has no valid target"),
        fails("shortcutLoop", kOddModel, [] { attribute("A/Loop1")->getIntValue(); },
              "runtime_error: shortcut attribute 'A/Loop1' leads through too many shortcuts"),
        Case{"replacedModel", nullptr, [] {
                 IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
                 varnex2_standin_reset();
                 return outcome([&] { speed->getDoubleValue(); }) + " / " +
                        attribute("CoolingLoop/Pump1/Speed")->getStringValue();
             }, "logic_error: double attribute 'CoolingLoop/Pump1/Speed' belongs to a model that has been replaced / "
                "1450"}));

// Objects of replaced models stay callable and fail; those of the model replaced last name
// their path, older ones their kind. Their last error is that failure from the replacement on.
TEST_F(Standin, ObjectsOfReplacedModelsFailNamingWhatTheyWere) {
    IAttribute* older = attribute("CoolingLoop/Pump1/Speed");
    EXPECT_THROW(older->setDoubleValue(1.0, Chronology_Initial), std::logic_error);
    varnex2_standin_reset();
    IEntity* last = entity("CoolingLoop/Pump1");
    varnex2_standin_reset();
    EXPECT_EQ(older->getLastExceptionMessage(), "double attribute belongs to a model that has been replaced");
    EXPECT_EQ(older->getLastExceptionType(), ExceptionType_Logic_Error);
    EXPECT_EQ(outcome([&] { older->getDoubleValue(); }),
              "logic_error: double attribute belongs to a model that has been replaced");
    EXPECT_EQ(outcome([&] { last->getName(); }),
              "logic_error: entity 'CoolingLoop/Pump1' belongs to a model that has been replaced");
    EXPECT_NE(static_cast<void*>(entity("CoolingLoop/Pump1")), static_cast<void*>(last));  // never reused
}

TEST_F(Standin, TreeOrderCountsAndPaths) {
    IEntityCollection& c = collection();
    EXPECT_EQ(c.getNumberOfEntities("Pipe", "Pipe1"), 2u);
    EXPECT_EQ(static_cast<const IEntityCollection&>(c).getEntity("Pipe", "Pipe1", 1)->getName(true),
              "CoolingLoop/Bypass/Pipe1");
    std::string names;  // collection order is depth-first in definition order
    for (std::size_t i = 0; i < c.getNumberOfEntities(); ++i) names += c.getEntity(i)->getName(true) + " ";
    EXPECT_EQ(names, "CoolingLoop CoolingLoop/Solver CoolingLoop/Inlet CoolingLoop/Pump1 CoolingLoop/Pipe1 "
                     "CoolingLoop/HX1 CoolingLoop/Pipe2 CoolingLoop/Outlet CoolingLoop/Bypass CoolingLoop/Bypass/Pipe1 "
                     "Environment ");
    // The recursive index is depth-first pre-order and stops at child entities.
    std::string paths;
    for (std::size_t i = 0; i < 13; ++i) paths += pump()->getAttribute(i, true)->getAttributePath() + " ";
    EXPECT_EQ(paths, "Running Speed Stages Efficiency Head Performance Performance/RatedFlow Performance/RatedHead "
                     "Performance/Curve Performance/Curve/ShutoffHead Performance/Curve/Exponent SetPoint Suction ");
    IEntity* bypass = entity("CoolingLoop/Bypass");
    EXPECT_TRUE(bypass->getNumberOfAttributes(true) == 2u && bypass->getAttribute(1, true)->isEntity());
    EXPECT_EQ(static_cast<IEntity*>(entity("CoolingLoop/Bypass/Pipe1"))->getEntityID().toString(), "5-3");
    IEntity* root = c.getRootEntity();
    for (const char* missing : {"Pump1/Nope", "Description/More", "", "Pump1//Speed"})
        EXPECT_EQ(root->getAttribute(missing), nullptr) << missing;
}

TEST_F(Standin, DefaultsOfAMinimalModel) {
    load(R"({"entities": [{"name": "A", "type": "Pipe"}, {"name": "B", "type": "Pump"}, {"name": "C", "type": "Pipe",
        "id": [40, 2]},
        {"name": "Ctl", "type": "SolutionControl", "attributes": [{"name": "v", "kind": "double"}]}]})");
    IEntityCollection& c = collection();
    // Identifiers default to (type number in order of appearance, count within the type).
    EXPECT_EQ(c.getEntity("Pipe", "A")->getEntityID(), EntityID(1, 1));
    EXPECT_EQ(c.getEntity("Pump", "B")->getEntityID(), EntityID(2, 1));
    EXPECT_EQ(c.getEntity("Pipe", "C")->getEntityID(), EntityID(40, 2));
    EXPECT_EQ(c.getSolutionControl(), entity("Ctl"));  // the first SolutionControl entity
    IAttribute* v = attribute("Ctl/v");
    EXPECT_TRUE(v->getAccessType() == AccessType_ReadWrite && !v->hasUnits() && v->getUnit().empty());
    for (int chronology = 0; chronology <= 4; ++chronology) EXPECT_FALSE(v->hasValue(Chronology(chronology)));
    load(R"({"entities": []})");
    EXPECT_TRUE(c.getSolutionControl() == nullptr && manager().getSolutionControl() == nullptr);
}

// ---- Values ----

const char* kValueModel = R"({"entities": [{"name": "E", "type": "T", "attributes": [
    {"name": "i", "kind": "int", "value": 42}, {"name": "one", "kind": "int", "value": 1},
    {"name": "b", "kind": "bool", "value": true}, {"name": "f", "kind": "float", "value": 0.1},
    {"name": "d", "kind": "double", "value": 2.5}, {"name": "whole", "kind": "double", "value": -3.0},
    {"name": "huge", "kind": "double", "value": 1e300}, {"name": "inf", "kind": "double", "value": "inf"},
    {"name": "s", "kind": "string", "value": "hello"}, {"name": "sint", "kind": "string", "value": " 17 "},
    {"name": "snum", "kind": "string", "value": "6.25e1"}, {"name": "sbool", "kind": "string", "value": "FALSE"},
    {"name": "sbig", "kind": "string", "value": "99999999999"},
    {"name": "ro", "kind": "double", "access": "ReadOnly", "value": 1.0},
    {"name": "wo", "kind": "double", "access": "WriteOnly", "value": 1.0},
    {"name": "none", "kind": "double", "access": "None", "value": 1.0},
    {"name": "hist", "kind": "int", "values": {"Initial": 1, "Current": 3}},
    {"name": "c", "kind": "composite", "attributes": []}]}]})";

IAttribute* at(const std::string& name) { return attribute("E/" + name); }

// The text form of a read, or its failure.
std::string readAs(const std::string& name, const std::string& as, Chronology c = Chronology_Current) {
    IAttribute* a = at(name);
    std::string result;
    std::ostringstream real;
    real.precision(9);
    std::string failure = outcome([&] {
        if (as == "int") result = std::to_string(a->getIntValue(c));
        if (as == "bool") result = a->getBoolValue(c) ? "true" : "false";
        if (as == "float") real << a->getFloatValue(c);
        if (as == "double") real << a->getDoubleValue(c);
        if (as == "string") result = "'" + a->getStringValue(c) + "'";
    });
    return failure != "none" ? failure : result.empty() ? real.str() : result;
}

Case rd(const char* name, const char* as, const char* expected, Chronology c = Chronology_Current) {
    return {name, kValueModel, [=] { return readAs(name, as, c); }, expected};
}

INSTANTIATE_TEST_SUITE_P(
    Read, StandinCase,
    ::testing::Values(
        rd("i", "int", "42"), rd("i", "double", "42"), rd("i", "string", "'42'"), rd("one", "bool", "true"),
        rd("i", "bool", "logic_error: int attribute 'E/i': value 42 does not convert to bool (only 0 and 1 do)"),
        rd("b", "int", "1"), rd("b", "string", "'true'"), rd("d", "string", "'2.5'"), rd("whole", "int", "-3"),
        // A float keeps single precision; its text is the shortest that reads back.
        rd("f", "float", "0.100000001"), rd("f", "double", "0.100000001"), rd("f", "string", "'0.1'"),
        rd("d", "int", "logic_error: double attribute 'E/d': value 2.5 does not convert to int exactly"),
        rd("huge", "int", "out_of_range: double attribute 'E/huge': value 1e+300 is outside the range of int"),
        rd("huge", "float", "out_of_range: double attribute 'E/huge': value 1e+300 is outside the range of float"),
        rd("inf", "float", "inf"), rd("inf", "string", "'inf'"),
        rd("inf", "int", "logic_error: double attribute 'E/inf': value inf does not convert to int exactly"),
        rd("s", "double", "logic_error: string attribute 'E/s': text 'hello' is not a number literal"),
        rd("sint", "int", "17"), rd("snum", "double", "62.5"), rd("sbool", "bool", "false"), rd("ro", "double", "1"),
        rd("snum", "int", "logic_error: string attribute 'E/snum': text '6.25e1' is not an int literal"),
        rd("sbig", "int", "out_of_range: string attribute 'E/sbig': text '99999999999' is outside the range of int"),
        rd("wo", "double", "logic_error: double attribute 'E/wo' is write-only"),
        rd("none", "string", "logic_error: double attribute 'E/none' has no access"),
        rd("c", "int", "logic_error: composite attribute 'E/c' holds no value to read as int"),
        rd("hist", "int", "1", Chronology_Initial),
        rd("hist", "int", "runtime_error: int attribute 'E/hist' has no value at chronology Continue",
           Chronology_Continue),
        rd("hist", "int", "out_of_range: chronology -1 is not one of 0 to 4 (int attribute 'E/hist')",
           Chronology_Invalid)));

// A write gives the value read back at Current, or its failure with the value left as it was.
Case wr(const char* label, const char* name, std::function<void(IAttribute*)> write, const char* expected) {
    return {label, kValueModel, [=] {
                std::string before = readAs(name, "string");
                std::string failure = outcome([&] { write(at(name)); });
                std::string after = readAs(name, "string");
                return failure == "none" ? after : after == before ? failure : "value changed";
            }, expected};
}
const Chronology now = Chronology_Current;

INSTANTIATE_TEST_SUITE_P(
    Write, StandinCase,
    ::testing::Values(
        wr("intFromInt", "i", [](IAttribute* a) { a->setIntValue(-5, now); }, "'-5'"),
        wr("intFromWholeDouble", "i", [](IAttribute* a) { a->setDoubleValue(8.0, now); }, "'8'"),
        wr("intFromFraction", "i", [](IAttribute* a) { a->setDoubleValue(8.5, now); },
           "logic_error: int attribute 'E/i': value 8.5 does not convert to int exactly"),
        wr("intFromBig", "i", [](IAttribute* a) { a->setDoubleValue(3e9, now); },
           "out_of_range: int attribute 'E/i': value 3e+09 is outside the range of int"),
        wr("intFromText", "i", [](IAttribute* a) { a->setStringValue("+12", now); }, "'12'"),
        wr("intFromBadText", "i", [](IAttribute* a) { a->setStringValue("12abc", now); },
           "logic_error: int attribute 'E/i': text '12abc' is not an int literal"),
        wr("intFromBool", "i", [](IAttribute* a) { a->setBoolValue(true, now); }, "'1'"),
        wr("boolFromText", "b", [](IAttribute* a) { a->setStringValue("False", now); }, "'false'"),
        wr("boolFromTwo", "b", [](IAttribute* a) { a->setIntValue(2, now); },
           "logic_error: bool attribute 'E/b': value 2 does not convert to bool (only 0 and 1 do)"),
        wr("floatFromDouble", "f", [](IAttribute* a) { a->setDoubleValue(0.2, now); }, "'0.2'"),
        wr("floatOverflow", "f", [](IAttribute* a) { a->setDoubleValue(1e39, now); },
           "out_of_range: float attribute 'E/f': value 1e+39 is outside the range of float"),
        wr("doubleFromText", "d", [](IAttribute* a) { a->setStringValue(" -1.5e-3 ", now); }, "'-0.0015'"),
        wr("doubleFromHugeText", "d", [](IAttribute* a) { a->setStringValue("1e999", now); },
           "out_of_range: double attribute 'E/d': text '1e999' is outside the range of double"),
        wr("doubleFromFloat", "d", [](IAttribute* a) { a->setFloatValue(0.5f, now); }, "'0.5'"),
        wr("stringFromDouble", "s", [](IAttribute* a) { a->setDoubleValue(0.1, now); }, "'0.1'"),
        wr("stringFromFloat", "s", [](IAttribute* a) { a->setFloatValue(0.1f, now); }, "'0.1'"),
        wr("stringFromBool", "s", [](IAttribute* a) { a->setBoolValue(false, now); }, "'false'"),
        wr("readOnly", "ro", [](IAttribute* a) { a->setDoubleValue(2.0, now); },
           "logic_error: double attribute 'E/ro' is read-only"),
        wr("composite", "c", [](IAttribute* a) { a->setIntValue(1, now); },
           "logic_error: composite attribute 'E/c' holds no value to set from int"),
        wr("pastChronology", "i", [](IAttribute* a) { a->setIntValue(1, Chronology_Initial); },
           "logic_error: int attribute 'E/i' cannot be written at chronology Initial: only Current and Next can be "
           "written"),
        wr("invalidChronology", "i", [](IAttribute* a) { a->setIntValue(1, Chronology(7)); },
           "out_of_range: chronology 7 is not one of 0 to 4 (int attribute 'E/i')")));

TEST_F(Standin, ChronologiesNextAndLastErrors) {
    load(kValueModel);
    std::string held;
    for (int c = 0; c <= 4; ++c) held += at("hist")->hasValue(Chronology(c)) ? "1" : "0";
    EXPECT_EQ(held, "10010");
    EXPECT_EQ(outcome([] { at("hist")->hasValue(Chronology_Invalid); }).substr(0, 12), "out_of_range");
    IAttribute* i = at("i");
    i->setIntValue(7);
    i->setIntValue(8);  // the last write before the step wins
    ASSERT_EQ(varnex2_standin_step(1), 1);
    EXPECT_EQ(i->getIntValue(), 8);
    EXPECT_EQ(i->getIntValue(Chronology_Initial), 42);
    i->setIntValue(9);  // a step that cannot advance the run still applies pending writes
    manager().solveStop();
    EXPECT_EQ(varnex2_standin_step(1), 0);
    EXPECT_EQ(i->getIntValue(), 9);
    // The last failure is kept per object; a later success does not clear it.
    IAttribute* ro = at("ro");
    EXPECT_EQ(ro->getLastExceptionType(), ExceptionType__None);
    EXPECT_THROW(ro->setDoubleValue(1.0), std::logic_error);
    EXPECT_THROW(i->getIntValue(Chronology_Next), std::runtime_error);
    EXPECT_EQ(ro->getDoubleValue(), 1.0);
    EXPECT_EQ(ro->getLastExceptionType(), ExceptionType_Logic_Error);
    EXPECT_EQ(ro->getLastExceptionMessage(), "double attribute 'E/ro' is read-only");
    EXPECT_EQ(i->getLastExceptionType(), ExceptionType_Runtime_Error);
}

}  // namespace
}  // namespace standin_test
