// The stand-in library's test controls seen through the facade: injected failures with
// their statuses, messages and out-values, and the record of raw calls.
#include <sstream>
#include <vector>

#include "test_standin_support.h"

namespace standin_test {
namespace {

using StandinControls = Standin;

struct StatusCase {
    int status;
    const char* kind;
};
std::ostream& operator<<(std::ostream& out, const StatusCase& c) { return out << "status_" << c.status; }

class StandinInjectedStatus : public Standin, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StandinInjectedStatus, BecomesTheFacadesExceptionWithTheMessage) {
    failNext(&manager(), 3, GetParam().status, "injected failure");
    std::string message;
    EXPECT_EQ(thrownKind([] { manager().getIteration(); }, &message), GetParam().kind);
    EXPECT_EQ(message, "injected failure");
    int expectedType = GetParam().status <= -2 && GetParam().status >= -6 ? GetParam().status : -6;
    EXPECT_EQ(manager().getLastExceptionType(), expectedType);
    EXPECT_EQ(manager().getIteration(), 1);  // armed once
}

INSTANTIATE_TEST_SUITE_P(Standin, StandinInjectedStatus,
                         ::testing::Values(StatusCase{-2, "runtime_error"}, StatusCase{-3, "logic_error"},
                                           StatusCase{-4, "out_of_range"}, StatusCase{-5, "runtime_error"},
                                           StatusCase{-6, "runtime_error"}, StatusCase{-1, "runtime_error"},
                                           StatusCase{7, "runtime_error"}));

TEST_F(StandinControls, CountAndQueueOfArmedFailures) {
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    failNext(speed, 12, -4, "first", 2);
    failNext(speed, 12, -3, "second");
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        std::string message;
        seen.push_back(thrownKind([&] { speed->getDoubleValue(); }, &message) + ":" + message);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"out_of_range:first", "out_of_range:first", "logic_error:second",
                                              "none:"}));
    // Only the armed object and slot are affected.
    failNext(speed, 12, -2, "x");
    EXPECT_EQ(attribute("CoolingLoop/Pipe1/Length")->getDoubleValue(), 12.0);
    EXPECT_EQ(speed->getStringValue(), "1450");
    varnex2_standin_clear_failures();
    EXPECT_EQ(speed->getDoubleValue(), 1450.0);
}

TEST_F(StandinControls, FailingMessageQuery) {
    IEntityCollection& c = collection();
    failNext(&c, 6, -5, "lost", 1, /*messageFails=*/true);
    std::string message;
    EXPECT_EQ(thrownKind([&] { c.getNumberOfEntities(); }, &message), "runtime_error");
    EXPECT_EQ(message, "Failure to retrieve LastErrorMessage");
    // Only the query that follows fails; the recorded message is still there.
    EXPECT_EQ(c.getLastExceptionMessage(), "lost");

    failNext(&c, 1, -2, "");
    EXPECT_EQ(c.getLastExceptionMessage(), "Failure to retrieve LastErrorMessage");
    failNext(&c, 2, -2, "", 1, false, /*writeOut=*/true);
    EXPECT_EQ(c.getLastExceptionType(), ExceptionType_Unknown);
}

TEST_F(StandinControls, WrittenOutValuesOfFailingCalls) {
    IAttribute* units = attribute("CoolingLoop/Pump1/Speed");
    // Operations that ignore the status show what the failing slot left behind.
    failNext(units, 0, -2, "", 1, false, true);
    EXPECT_EQ(units->getHandleType(), HandleType(7));
    failNext(units, 0, -2, "");
    EXPECT_EQ(units->getHandleType(), HandleType_Unknown);
    failNext(units, 19, -2, "", 1, false, true);
    EXPECT_TRUE(units->hasUnits());
    failNext(units, 19, -2, "");
    EXPECT_FALSE(units->hasUnits());
    // Checked operations discard the value and throw.
    failNext(units, 8, -3, "half written", 1, false, true);
    EXPECT_EQ(thrownKind([&] { units->getStringValue(); }), "logic_error");
    failNext(&collection(), 10, -4, "", 1, false, true);
    EXPECT_EQ(thrownKind([&] { collection().getEntity(std::size_t(0)); }), "out_of_range");
}

TEST_F(StandinControls, InjectionOnTheManagerGatesTheSolutionControl) {
    failNext(&manager(), 17, -2, "no collection");
    std::string message;
    EXPECT_EQ(thrownKind([] { manager().getSolutionControl(); }, &message), "runtime_error");
    EXPECT_EQ(message, "no collection");
    failNext(&collection(), 8, -3, "no control");
    EXPECT_EQ(thrownKind([] { manager().getSolutionControl(); }, &message), "logic_error");
    EXPECT_EQ(message, "no control");
    EXPECT_EQ(manager().getLastExceptionMessage(), "no collection");
}

// A recorded call as "slot(kind:value,...)"; kinds 0 integer, 1 flag, 2 real, 3 text, 4 identifier.
std::string recorded(std::size_t call, const void** object = nullptr) {
    int slot = -1;
    std::size_t argc = 0;
    varnex2_standin_call(call, object, &slot, &argc);
    std::ostringstream out;
    out << slot << "(";
    for (std::size_t a = 0; a < argc; ++a) {
        int kind = -1;
        long long i = 0, j = 0;
        double d = 0;
        const char* text = nullptr;
        std::size_t length = 0;
        varnex2_standin_call_arg(call, a, &kind, &i, &j, &d, &text, &length);
        out << (a ? "," : "") << kind << ":";
        if (kind == 2) out << d;
        else if (kind == 3) out << std::string(text, length);
        else out << i << (kind == 4 ? "/" + std::to_string(j) : "");
    }
    return out.str() + ")";
}

TEST_F(StandinControls, RecordedCallsCarryByValueArgumentsInSlotOrder) {
    IEntityCollection& c = collection();
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    varnex2_standin_record_calls(1);
    speed->setStringValue("1500");
    speed->hasValue(Chronology_Initial);
    c.getEntity("Pipe", "Pipe1", 1);
    c.getNumberOfEntities(EntityID(5, -3));
    entity("CoolingLoop/Pump1")->getAttribute(4, true);
    manager().setTimeStep(0.25);
    speed->setFloatValue(1.5f, Chronology_Current);
    failNext(&manager(), 4, -2, "x");
    EXPECT_THROW(manager().getNumberOfIterations(), std::runtime_error);
    varnex2_standin_record_calls(0);
    speed->getDoubleValue();  // not recorded
    // A failed call is recorded with the message query that follows it.
    const std::vector<std::string> expected = {"9(3:1500,0:4)", "18(0:0)", "12(3:Pipe,3:Pipe1,0:1)", "15(4:5/-3)",
                                               "23(0:4,1:1)", "8(2:0.25,0:4)", "11(2:1.5,0:3)", "4(0:3)", "1()"};
    ASSERT_EQ(varnex2_standin_call_count(), expected.size());
    std::vector<std::string> calls;
    for (std::size_t i = 0; i < expected.size(); ++i) calls.push_back(recorded(i));
    EXPECT_EQ(calls, expected);
    const void* object = nullptr;
    recorded(0, &object);
    EXPECT_EQ(object, speed);
    recorded(2, &object);
    EXPECT_EQ(object, &c);
    varnex2_standin_clear_calls();
    EXPECT_EQ(varnex2_standin_call_count(), 0u);
}

TEST_F(StandinControls, ArmingNeedsAnObjectAndACount) {
    EXPECT_EQ(varnex2_standin_fail_next(nullptr, 3, -2, "", 0, 1, 0, 0), -1);
    EXPECT_EQ(varnex2_standin_fail_next(&manager(), 3, -2, "", 0, 0, 0, 0), -1);
    EXPECT_EQ(std::string(varnex2_standin_last_error()), "fail_next: count must be at least 1, got 0");
    EXPECT_EQ(manager().getIteration(), 1);
}

TEST_F(StandinControls, ResetDisarmsAndClearsEverything) {
    failNext(&manager(), 3, -2, "x");
    varnex2_standin_record_calls(1);
    manager().showMessage("m");
    varnex2_standin_set_manager_available(0);
    varnex2_standin_reset();
    EXPECT_EQ(manager().getIteration(), 1);
    EXPECT_EQ(varnex2_standin_call_count(), 0u);
    EXPECT_EQ(varnex2_standin_message_count(), 0u);
    manager().getIteration();
    EXPECT_EQ(varnex2_standin_call_count(), 0u);  // recording is off again
}

}  // namespace
}  // namespace standin_test
