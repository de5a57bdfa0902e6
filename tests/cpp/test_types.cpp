// Solve-state names and the classification predicates over the whole value range.
#include <gtest/gtest.h>

#include <stdexcept>

#include "sdk/types.h"

namespace {

using namespace OrvaneSDK;

TEST(SolveStateNames, NamedStatesAreTheirConstantWithoutPrefix) {
    const std::pair<int, const char*> named[] = {
        {-3, "TimeOut"},         {-1, "NoFile"},          {1001, "Client_WaitForData"},
        {1016, "Client_SolveStarted"}, {21003, "CFDSolver_NewDataReady"}, {2016, "CFDSolver_SolveStarted"},
        {10, "Solving"},         {12, "Failed"},          {121, "FinishedFNGeneration"},
    };
    for (const auto& state : named) EXPECT_EQ(toString(SolveState(state.first)), state.second) << state.first;
    EXPECT_EQ(toString(SolveState_Sleep), "Client_WaitForData");
}

TEST(SolveStateNames, UnnamedValuesThrowNotImplemented) {
    for (int value : {0, 2, 2003, 6, -4, 999999}) {
        try {
            toString(SolveState(value));
            ADD_FAILURE() << value << " has a name";
        } catch (const std::logic_error& error) {
            EXPECT_STREQ(error.what(), "Not implemented");
        }
    }
}

// Each row: value, then the expected answer of each predicate family for it.
TEST(Predicates, AccessTests) {
    struct Row { int value; bool any, readOnly, writeOnly, read, write; };
    const Row rows[] = {{0, false, false, false, false, false}, {1, true, true, false, true, false},
                        {2, true, false, true, false, true},    {3, true, false, false, true, true},
                        {7, true, false, false, false, false},  {-1, true, false, false, false, false}};
    for (const Row& row : rows) {
        const AccessType access = AccessType(row.value);
        EXPECT_EQ(hasAccess(access), row.any) << row.value;
        EXPECT_EQ(isReadOnlyAccess(access), row.readOnly) << row.value;
        EXPECT_EQ(isWriteOnlyAccess(access), row.writeOnly) << row.value;
        EXPECT_EQ(hasReadAccess(access), row.read) << row.value;
        EXPECT_EQ(hasWriteAccess(access), row.write) << row.value;
    }
}

TEST(Predicates, AttributeKinds) {
    struct Row { int value; bool composite, value_, link; };
    const Row rows[] = {{0, false, false, false}, {1, false, true, false},  {3, false, true, false},
                        {4, false, true, false},  {5, true, false, false},  {6, true, false, false},
                        {7, false, false, true},  {8, false, false, true},  {9, false, false, false},
                        {10, false, false, true}, {11, false, true, false}, {12, false, false, false}};
    for (const Row& row : rows) {
        const AttributeType kind = AttributeType(row.value);
        EXPECT_EQ(isCompositeAttributeType(kind), row.composite) << row.value;
        EXPECT_EQ(isValueAttributeType(kind), row.value_) << row.value;
        EXPECT_EQ(isEntityLinkAttributeType(kind), row.link) << row.value;
    }
}

TEST(Predicates, EventPairingAndOthers) {
    const std::pair<int, int> starts[] = {{11, 10}, {21, 20}, {10, 10}, {101, 101}, {12, 12}};
    for (const auto& p : starts) EXPECT_EQ(startEventType(EventType(p.first)), p.second) << p.first;
    const std::pair<int, int> ends[] = {{10, 11}, {20, 21}, {11, 11}, {102, 102}, {0, 0}};
    for (const auto& p : ends) EXPECT_EQ(endEventType(EventType(p.first)), p.second) << p.first;

    EXPECT_FALSE(isException(ExceptionType__None));
    EXPECT_TRUE(isException(ExceptionType(5)));
    EXPECT_TRUE(isException(ExceptionType(-1)));
    for (int state : {-3, 0, 10, 1001, 13}) EXPECT_FALSE(isCompletedSolveState(SolveState(state))) << state;
    EXPECT_TRUE(isCompletedSolveState(SolveState_Finished));
    EXPECT_TRUE(isCompletedSolveState(SolveState_Failed));
}

}  // namespace
