// Values of the stand-in library through the facade: conversions between kinds, access
// rights, chronologies and the failures each rule gives.
#include <functional>
#include <sstream>

#include "test_standin_support.h"

namespace standin_test {
namespace {

const char* kValueModel = R"({"entities": [{"name": "E", "type": "T", "attributes": [
    {"name": "i", "kind": "int", "value": 42},
    {"name": "one", "kind": "int", "value": 1},
    {"name": "b", "kind": "bool", "value": true},
    {"name": "f", "kind": "float", "value": 0.1},
    {"name": "d", "kind": "double", "value": 2.5},
    {"name": "whole", "kind": "double", "value": -3.0},
    {"name": "huge", "kind": "double", "value": 1e300},
    {"name": "inf", "kind": "double", "value": "inf"},
    {"name": "s", "kind": "string", "value": "hello"},
    {"name": "sint", "kind": "string", "value": " 17 "},
    {"name": "snum", "kind": "string", "value": "6.25e1"},
    {"name": "sbool", "kind": "string", "value": "FALSE"},
    {"name": "sbig", "kind": "string", "value": "99999999999"},
    {"name": "ro", "kind": "double", "access": "ReadOnly", "value": 1.0},
    {"name": "wo", "kind": "double", "access": "WriteOnly", "value": 1.0},
    {"name": "none", "kind": "double", "access": "None", "value": 1.0},
    {"name": "hist", "kind": "int", "values": {"Initial": 1, "Current": 3}},
    {"name": "c", "kind": "composite", "attributes": []}]}]})";

class StandinValues : public Standin {
protected:
    void SetUp() override {
        Standin::SetUp();
        load(kValueModel);
    }
};

IAttribute* at(const std::string& name) {
    std::string path = "E/" + name;
    return static_cast<IAttribute*>(varnex2_standin_find(path.data(), path.size()));
}

std::string real(double v) {
    std::ostringstream out;
    out.precision(9);
    out << v;
    return out.str();
}

// The text form of a read (or "<exception kind>: <message>").
std::string readAs(IAttribute* a, const std::string& as, Chronology c = Chronology_Current) {
    std::string message, result;
    std::string kind = thrownKind(
        [&] {
            if (as == "int") result = std::to_string(a->getIntValue(c));
            if (as == "bool") result = a->getBoolValue(c) ? "true" : "false";
            if (as == "float") result = real(a->getFloatValue(c));
            if (as == "double") result = real(a->getDoubleValue(c));
            if (as == "string") result = "'" + a->getStringValue(c) + "'";
        },
        &message);
    return kind == "none" ? result : kind + ": " + message;
}

struct ReadCase {
    const char* attribute;
    const char* as;
    const char* expected;
};
std::ostream& operator<<(std::ostream& out, const ReadCase& c) { return out << c.attribute << "_as_" << c.as; }

class StandinRead : public StandinValues, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(StandinRead, ConvertsOrFails) {
    EXPECT_EQ(readAs(at(GetParam().attribute), GetParam().as), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Standin, StandinRead,
    ::testing::Values(
        ReadCase{"i", "int", "42"}, ReadCase{"i", "double", "42"}, ReadCase{"i", "string", "'42'"},
        ReadCase{"i", "bool", "logic_error: int attribute 'E/i': value 42 does not convert to bool (only 0 and 1 do)"},
        ReadCase{"one", "bool", "true"}, ReadCase{"b", "int", "1"}, ReadCase{"b", "string", "'true'"},
        // A float keeps single precision; its text is the shortest that reads back.
        ReadCase{"f", "float", "0.100000001"}, ReadCase{"f", "double", "0.100000001"}, ReadCase{"f", "string", "'0.1'"},
        ReadCase{"d", "string", "'2.5'"},
        ReadCase{"d", "int", "logic_error: double attribute 'E/d': value 2.5 does not convert to int exactly"},
        ReadCase{"whole", "int", "-3"},
        ReadCase{"huge", "int", "out_of_range: double attribute 'E/huge': value 1e+300 is outside the range of int"},
        ReadCase{"huge", "float", "out_of_range: double attribute 'E/huge': value 1e+300 is outside the range of float"},
        ReadCase{"inf", "float", "inf"}, ReadCase{"inf", "string", "'inf'"},
        ReadCase{"inf", "int", "logic_error: double attribute 'E/inf': value inf does not convert to int exactly"},
        ReadCase{"s", "double", "logic_error: string attribute 'E/s': text 'hello' is not a number literal"},
        ReadCase{"sint", "int", "17"}, ReadCase{"snum", "double", "62.5"}, ReadCase{"sbool", "bool", "false"},
        ReadCase{"snum", "int", "logic_error: string attribute 'E/snum': text '6.25e1' is not an int literal"},
        ReadCase{"sbig", "int", "out_of_range: string attribute 'E/sbig': text '99999999999' is outside the range of int"},
        ReadCase{"wo", "double", "logic_error: double attribute 'E/wo' is write-only"},
        ReadCase{"none", "string", "logic_error: double attribute 'E/none' has no access"},
        ReadCase{"c", "int", "logic_error: composite attribute 'E/c' holds no value to read as int"},
        ReadCase{"ro", "double", "1"}));

// Writes: the value read back at Current afterwards (or the failure).
struct WriteCase {
    const char* name;
    const char* attribute;
    std::function<void(IAttribute*)> write;
    const char* expected;
};
std::ostream& operator<<(std::ostream& out, const WriteCase& c) { return out << c.name; }

class StandinWrite : public StandinValues, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(StandinWrite, StoresConvertedOrFailsLeavingTheValue) {
    IAttribute* a = at(GetParam().attribute);
    std::string before = readAs(a, "string");
    std::string message;
    std::string kind = thrownKind([&] { GetParam().write(a); }, &message);
    if (kind == "none")
        EXPECT_EQ(readAs(a, "string"), GetParam().expected);
    else {
        EXPECT_EQ(kind + ": " + message, GetParam().expected);
        EXPECT_EQ(readAs(a, "string"), before);
    }
}

const Chronology now = Chronology_Current;

INSTANTIATE_TEST_SUITE_P(
    Standin, StandinWrite,
    ::testing::Values(
        WriteCase{"intFromInt", "i", [](IAttribute* a) { a->setIntValue(-5, now); }, "'-5'"},
        WriteCase{"intFromWholeDouble", "i", [](IAttribute* a) { a->setDoubleValue(8.0, now); }, "'8'"},
        WriteCase{"intFromFraction", "i", [](IAttribute* a) { a->setDoubleValue(8.5, now); },
                  "logic_error: int attribute 'E/i': value 8.5 does not convert to int exactly"},
        WriteCase{"intFromBig", "i", [](IAttribute* a) { a->setDoubleValue(3e9, now); },
                  "out_of_range: int attribute 'E/i': value 3e+09 is outside the range of int"},
        WriteCase{"intFromText", "i", [](IAttribute* a) { a->setStringValue("+12", now); }, "'12'"},
        WriteCase{"intFromBadText", "i", [](IAttribute* a) { a->setStringValue("12abc", now); },
                  "logic_error: int attribute 'E/i': text '12abc' is not an int literal"},
        WriteCase{"intFromBool", "i", [](IAttribute* a) { a->setBoolValue(true, now); }, "'1'"},
        WriteCase{"boolFromText", "b", [](IAttribute* a) { a->setStringValue("False", now); }, "'false'"},
        WriteCase{"boolFromTwo", "b", [](IAttribute* a) { a->setIntValue(2, now); },
                  "logic_error: bool attribute 'E/b': value 2 does not convert to bool (only 0 and 1 do)"},
        WriteCase{"floatFromDouble", "f", [](IAttribute* a) { a->setDoubleValue(0.2, now); }, "'0.2'"},
        WriteCase{"floatOverflow", "f", [](IAttribute* a) { a->setDoubleValue(1e39, now); },
                  "out_of_range: float attribute 'E/f': value 1e+39 is outside the range of float"},
        WriteCase{"doubleFromText", "d", [](IAttribute* a) { a->setStringValue(" -1.5e-3 ", now); }, "'-0.0015'"},
        WriteCase{"doubleFromHugeText", "d", [](IAttribute* a) { a->setStringValue("1e999", now); },
                  "out_of_range: double attribute 'E/d': text '1e999' is outside the range of double"},
        WriteCase{"doubleFromFloat", "d", [](IAttribute* a) { a->setFloatValue(0.5f, now); }, "'0.5'"},
        WriteCase{"stringFromDouble", "s", [](IAttribute* a) { a->setDoubleValue(0.1, now); }, "'0.1'"},
        WriteCase{"stringFromFloat", "s", [](IAttribute* a) { a->setFloatValue(0.1f, now); }, "'0.1'"},
        WriteCase{"stringFromBool", "s", [](IAttribute* a) { a->setBoolValue(false, now); }, "'false'"},
        WriteCase{"readOnly", "ro", [](IAttribute* a) { a->setDoubleValue(2.0, now); },
                  "logic_error: double attribute 'E/ro' is read-only"},
        WriteCase{"composite", "c", [](IAttribute* a) { a->setIntValue(1, now); },
                  "logic_error: composite attribute 'E/c' holds no value to set from int"},
        WriteCase{"pastChronology", "i", [](IAttribute* a) { a->setIntValue(1, Chronology_Initial); },
                  "logic_error: int attribute 'E/i' cannot be written at chronology Initial: only Current and Next "
                  "can be written"},
        WriteCase{"invalidChronology", "i", [](IAttribute* a) { a->setIntValue(1, Chronology(7)); },
                  "out_of_range: chronology 7 is not one of 0 to 4 (int attribute 'E/i')"}));

TEST_F(StandinValues, TextKeepsEmbeddedNulBytesAndWriteOnlyTakesWrites) {
    const std::string text("a\0b", 3);
    at("s")->setStringValue(text, Chronology_Current);
    EXPECT_EQ(at("s")->getStringValue(), text);
    at("wo")->setDoubleValue(5.0, Chronology_Current);
    EXPECT_TRUE(at("wo")->hasValue(Chronology_Current));
}

TEST_F(StandinValues, ChronologiesHoldTheirOwnValues) {
    IAttribute* hist = at("hist");
    std::string held;
    for (int c = 0; c <= 4; ++c) held += hist->hasValue(Chronology(c)) ? "1" : "0";
    EXPECT_EQ(held, "10010");
    EXPECT_EQ(hist->getIntValue(Chronology_Initial), 1);
    EXPECT_EQ(hist->getIntValue(), 3);
    EXPECT_EQ(readAs(hist, "int", Chronology_Continue),
              "runtime_error: int attribute 'E/hist' has no value at chronology Continue");
    EXPECT_EQ(readAs(hist, "int", Chronology_Invalid),
              "out_of_range: chronology -1 is not one of 0 to 4 (int attribute 'E/hist')");
    EXPECT_EQ(thrownKind([&] { hist->hasValue(Chronology_Invalid); }), "out_of_range");
    // A value without "values" exists at every chronology but Next.
    held.clear();
    for (int c = 0; c <= 4; ++c) held += at("i")->hasValue(Chronology(c)) ? "1" : "0";
    EXPECT_EQ(held, "11110");
}

TEST_F(StandinValues, NextBecomesCurrentWhenTheRunSteps) {
    IAttribute* i = at("i");
    i->setIntValue(7);  // default chronology: Next
    EXPECT_TRUE(i->hasValue(Chronology_Next));
    EXPECT_EQ(i->getIntValue(Chronology_Next), 7);
    EXPECT_EQ(i->getIntValue(), 42);
    i->setIntValue(8);  // the last write before the step wins
    ASSERT_EQ(varnex2_standin_step(1), 1);
    EXPECT_EQ(i->getIntValue(), 8);
    EXPECT_FALSE(i->hasValue(Chronology_Next));
    EXPECT_EQ(i->getIntValue(Chronology_Initial), 42);
    // A step that cannot advance the run still applies pending writes.
    i->setIntValue(9);
    manager().solveStop();
    EXPECT_EQ(varnex2_standin_step(1), 0);
    EXPECT_EQ(i->getIntValue(), 9);
}

TEST_F(StandinValues, LastErrorIsKeptPerObject) {
    IAttribute* ro = at("ro");
    IAttribute* i = at("i");
    EXPECT_EQ(ro->getLastExceptionType(), ExceptionType__None);
    EXPECT_EQ(ro->getLastExceptionMessage(), "");
    EXPECT_THROW(ro->setDoubleValue(1.0), std::logic_error);
    EXPECT_THROW(i->getIntValue(Chronology_Next), std::runtime_error);
    EXPECT_EQ(ro->getLastExceptionType(), ExceptionType_Logic_Error);
    EXPECT_EQ(ro->getLastExceptionMessage(), "double attribute 'E/ro' is read-only");
    EXPECT_EQ(i->getLastExceptionType(), ExceptionType_Runtime_Error);
    // A later success does not clear the record.
    EXPECT_EQ(ro->getDoubleValue(), 1.0);
    EXPECT_EQ(ro->getLastExceptionType(), ExceptionType_Logic_Error);
}

}  // namespace
}  // namespace standin_test
