// EntityID: text form and parsing with the library-independent error texts. The six comparisons
// are checked through the module (tests/python/test_entityid.py), which calls these operators.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "sdk/model.h"

namespace {

using OrvaneSDK::Model::CEntityID;
using OrvaneSDK::Model::EntityID;

struct ParseCase {
    const char* text;
    int first;
    int second;
};
std::ostream& operator<<(std::ostream& out, const ParseCase& c) { return out << '"' << c.text << '"'; }

class EntityIDParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(EntityIDParse, GivesThePair) {
    EXPECT_EQ(EntityID::fromString(GetParam().text), EntityID(GetParam().first, GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Texts, EntityIDParse,
                         ::testing::Values(ParseCase{"12-34", 12, 34}, ParseCase{"-5--3", -5, -3},
                                           ParseCase{"5--3", 5, -3}, ParseCase{"42", 42, 42},
                                           ParseCase{"-7", -7, -7}, ParseCase{"", 0, 0},
                                           ParseCase{"1-2-3", 1, 23}, ParseCase{" 7- 8", 7, 8},
                                           ParseCase{"7x-8y", 7, 8}, ParseCase{"5", 5, 5},
                                           ParseCase{"+3-+4", 3, 4}, ParseCase{"5---3", 5, -3},
                                           ParseCase{"2147483647--2147483648", INT_MAX, INT_MIN}));

struct ErrorCase {
    const char* text;
    bool outOfRange;
};
std::ostream& operator<<(std::ostream& out, const ErrorCase& c) { return out << '"' << c.text << '"'; }

class EntityIDParseError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(EntityIDParseError, ThrowsTheStandardConversionError) {
    try {
        EntityID::fromString(GetParam().text);
        FAIL() << "parsed " << GetParam().text;
    } catch (const std::out_of_range& error) {
        EXPECT_TRUE(GetParam().outOfRange);
        EXPECT_STREQ(error.what(), "stoi argument out of range");
    } catch (const std::invalid_argument& error) {
        EXPECT_FALSE(GetParam().outOfRange);
        EXPECT_STREQ(error.what(), "invalid stoi argument");
    }
}

// "a-99999999999": the first part fails first, so the range error is never reached.
INSTANTIATE_TEST_SUITE_P(Texts, EntityIDParseError,
                         ::testing::Values(ErrorCase{"12-", false}, ErrorCase{"a-1", false},
                                           ErrorCase{"-", false}, ErrorCase{"x", false},
                                           ErrorCase{"99999999999-1", true}, ErrorCase{"1-2147483648", true},
                                           ErrorCase{"a-99999999999", false}, ErrorCase{"2147483648", true}));

TEST(EntityIDText, FormatsSignedDecimalsAndRoundTrips) {
    EXPECT_EQ(EntityID(12, 34).toString(), "12-34");
    EXPECT_EQ(EntityID(5, -3).toString(), "5--3");
    EXPECT_EQ(EntityID(-5, -3).toString(), "-5--3");
    EXPECT_EQ(EntityID().toString(), "0-0");
    for (const EntityID& id : {EntityID(INT_MIN, INT_MAX), EntityID(INT_MAX, INT_MIN), EntityID(0, -1),
                               EntityID(-1, 0), EntityID(-100, 7)})
        EXPECT_EQ(EntityID::fromString(id.toString()), id) << id.toString();
}

TEST(EntityIDConstruction, EveryFormKeepsTheOrderOfValues) {
    const EntityID expected(7, -2);
    EXPECT_EQ(EntityID(std::make_pair(7, -2)), expected);
    EXPECT_EQ(EntityID(EntityID::data_type{{7, -2}}), expected);
    EXPECT_EQ(EntityID(CEntityID{7, -2}), expected);
    EXPECT_EQ(EntityID::fromCEntityID(CEntityID{7, -2}), expected);
    const CEntityID record = expected.toCEntityID();
    EXPECT_EQ(record.id1, 7);
    EXPECT_EQ(record.id2, -2);

    EntityID changed = expected;
    changed.data()[1] = 9;
    EXPECT_EQ(changed, EntityID(7, 9));
    EXPECT_EQ(&changed.data(), &static_cast<const EntityID&>(changed).data());
}

}  // namespace
