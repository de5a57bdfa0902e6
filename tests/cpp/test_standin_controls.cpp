// The stand-in library's test controls seen through the facade: injected failures with
// their statuses, messages and out-values, and the record of raw calls.
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

struct RecordedArg {
    int kind;
    long long i, j;
    double d;
    std::string text;
};

std::vector<RecordedArg> argsOf(std::size_t call) {
    const void* object = nullptr;
    int slot = -1;
    std::size_t argc = 0;
    varnex2_standin_call(call, &object, &slot, &argc);
    std::vector<RecordedArg> args;
    for (std::size_t a = 0; a < argc; ++a) {
        RecordedArg r{};
        const char* text = nullptr;
        std::size_t length = 0;
        varnex2_standin_call_arg(call, a, &r.kind, &r.i, &r.j, &r.d, &text, &length);
        r.text.assign(text, length);
        args.push_back(r);
    }
    return args;
}

std::pair<const void*, int> callAt(std::size_t call) {
    const void* object = nullptr;
    int slot = -1;
    varnex2_standin_call(call, &object, &slot, nullptr);
    return {object, slot};
}

TEST_F(StandinControls, RecordedCallsCarryByValueArgumentsInSlotOrder) {
    IEntityCollection& c = collection();
    IEntity* pump = entity("CoolingLoop/Pump1");
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    varnex2_standin_record_calls(1);
    speed->setStringValue("1500");            // slot 9 (text, chronology)
    speed->hasValue(Chronology_Initial);      // slot 18 (chronology)
    c.getEntity("Pipe", "Pipe1", 1);          // slot 12 (type, name, index)
    c.getNumberOfEntities(EntityID(5, -3));   // slot 15 (identifier)
    pump->getAttribute(4, true);              // slot 23 (index, recursive)
    manager().setTimeStep(0.25);              // slot 8 (value, chronology)
    speed->setFloatValue(1.5f, Chronology_Current);  // slot 11
    varnex2_standin_record_calls(0);
    speed->getDoubleValue();                  // not recorded
    ASSERT_EQ(varnex2_standin_call_count(), 7u);

    EXPECT_EQ(callAt(0), std::make_pair(static_cast<const void*>(speed), 9));
    auto a = argsOf(0);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].kind, 3);
    EXPECT_EQ(a[0].text, "1500");
    EXPECT_EQ(a[1].kind, 0);
    EXPECT_EQ(a[1].i, 4);

    a = argsOf(1);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0].i, 0);

    EXPECT_EQ(callAt(2), std::make_pair(static_cast<const void*>(&c), 12));
    a = argsOf(2);
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0].text, "Pipe");
    EXPECT_EQ(a[1].text, "Pipe1");
    EXPECT_EQ(a[2].i, 1);

    a = argsOf(3);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0].kind, 4);
    EXPECT_EQ(a[0].i, 5);
    EXPECT_EQ(a[0].j, -3);

    EXPECT_EQ(callAt(4).second, 23);
    a = argsOf(4);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].i, 4);
    EXPECT_EQ(a[1].kind, 1);
    EXPECT_EQ(a[1].i, 1);

    a = argsOf(5);
    EXPECT_EQ(a[0].kind, 2);
    EXPECT_EQ(a[0].d, 0.25);
    EXPECT_EQ(a[1].i, 4);
    EXPECT_EQ(argsOf(6)[0].d, 1.5);

    varnex2_standin_clear_calls();
    EXPECT_EQ(varnex2_standin_call_count(), 0u);
}

TEST_F(StandinControls, FailedAndReservedCallsAreRecordedToo) {
    varnex2_standin_record_calls(1);
    failNext(&manager(), 4, -2, "x");
    EXPECT_THROW(manager().getNumberOfIterations(), std::runtime_error);
    ASSERT_EQ(varnex2_standin_call_count(), 2u);  // the failing call and the message query
    EXPECT_EQ(callAt(0).second, 4);
    EXPECT_EQ(callAt(1).second, 1);
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
