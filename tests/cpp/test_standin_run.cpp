// The stand-in library's run and test controls through the facade: steady and transient
// progress, convergence, writes at Next, the rules of run settings, injected failures with
// their statuses, messages and out-values, and the record of raw calls.
#include <sstream>
#include <utility>
#include <vector>

#include "test_standin_support.h"

namespace standin_test {
namespace {

int step(int n = 1) { return varnex2_standin_step(n); }

TEST_F(Standin, SteadyRunConvergesByTheResidualRule) {
    // Residual 1 * 0.5^k reaches 1/16 after 4 iterations.
    load(R"({"run": {"numberOfIterations": 10, "residual": 1.0, "residualReduction": 0.5, "tolerance": 0.0625}})");
    ISolverManager& m = manager();
    EXPECT_TRUE(!m.isTransient() && m.getIteration() == 1 && m.isFirstIteration() && !m.isConverged());
    EXPECT_EQ(m.getIteration(Chronology_Next), 2);
    EXPECT_EQ(step(3), 3);
    EXPECT_TRUE(m.getIteration() == 4 && !m.isFirstIteration() && !m.isConverged() && m.isConverged(Chronology_Next));
    EXPECT_EQ(step(10), 1);  // stops on convergence
    EXPECT_TRUE(m.isConverged() && m.isLastIteration() && !m.isConverged(Chronology_Initial));
    EXPECT_EQ(m.getIteration() * 100 + m.getIteration(Chronology_Next) * 10 + m.getIteration(Chronology_Initial), 551);
    // Without stop-on-convergence the run goes on to the number of iterations.
    m.setStopOnConvergence(false);
    EXPECT_TRUE(m.isStopOnConvergence() && !m.isStopOnConvergence(Chronology_Next));
    EXPECT_EQ(step(100), 5);
    EXPECT_TRUE(m.getIteration() == 10 && m.isLastIteration());
}

TEST_F(Standin, ResidualMirrorFixedConvergenceAndSolveStop) {
    IAttribute* residual = manager().getSolutionControl()->getAttribute("Convergence/Residual");
    step(2);
    EXPECT_DOUBLE_EQ(residual->getDoubleValue(), 0.64);
    EXPECT_EQ(residual->getDoubleValue(Chronology_Initial), 1.0);
    manager().solveStop();
    EXPECT_EQ(step(5), 0);
    load(R"({"run": {"converged": true, "numberOfIterations": 5}})");
    EXPECT_TRUE(manager().isConverged() && !manager().isSolveStopped());
    EXPECT_EQ(step(), 0);
    manager().setStopOnConvergence(false, Chronology_Current);
    EXPECT_EQ(step(10), 4);
}

TEST_F(Standin, RunSettingsAtNextWaitForTheStep) {
    ISolverManager& m = manager();
    m.setNumberOfIterations(250);
    m.setTimeStep(0.25);
    m.setTotalTime(5.0);
    EXPECT_TRUE(m.getNumberOfIterations() == 100 && m.getNumberOfIterations(Chronology_Next) == 250);
    EXPECT_TRUE(m.getTimeStep(Chronology_Next) == 0.25 && m.getTotalTime() == 60.0);
    step();
    EXPECT_TRUE(m.getNumberOfIterations() == 250 && m.getTimeStep() == 0.25 && m.getTotalTime() == 5.0);
    EXPECT_EQ(m.getNumberOfIterations(Chronology_Initial), 100);
    m.setNumberOfIterations(3, Chronology_Current);
    EXPECT_EQ(m.getNumberOfIterations(), 3);
}

// A rejected run setting fails with its rule's message, which is also the manager's last message.
Case rule(const char* name, std::function<void(ISolverManager&)> call, const char* expected) {
    return {name, nullptr, [call] {
                std::string failure = outcome([&] { call(manager()); });
                bool kept = failure.find(manager().getLastExceptionMessage()) != std::string::npos;
                return kept ? failure : "not kept: " + failure;
            }, expected};
}

INSTANTIATE_TEST_SUITE_P(
    RunRule, StandinCase,
    ::testing::Values(
        rule("readInvalid", [](ISolverManager& m) { m.getIteration(Chronology(7)); },
             "out_of_range: chronology 7 is not one of 0 to 4"),
        rule("readMinusOne", [](ISolverManager& m) { m.isConverged(Chronology_Invalid); },
             "out_of_range: chronology -1 is not one of 0 to 4"),
        rule("writePast", [](ISolverManager& m) { m.setTimeStep(1.0, Chronology_TimeStepStart); },
             "logic_error: cannot set the time step at chronology TimeStepStart: only Current and Next can be written"),
        rule("writeInvalid", [](ISolverManager& m) { m.setStopOnConvergence(true, Chronology(5)); },
             "out_of_range: cannot set the stop-on-convergence switch: chronology 5 is not one of 0 to 4"),
        rule("negativeIterations", [](ISolverManager& m) { m.setNumberOfIterations(-1); },
             "out_of_range: the number of iterations must not be negative, got -1"),
        rule("zeroTimeStep", [](ISolverManager& m) { m.setTimeStep(0.0); },
             "out_of_range: the time step must be a positive number, got 0"),
        rule("negativeTotalTime", [](ISolverManager& m) { m.setTotalTime(-2.0); },
             "out_of_range: the total time must be a number of at least 0, got -2")));

TEST_F(Standin, TransientRunStepsThroughTimeSteps) {
    // Two iterations per time step, time steps of 0.5 s up to 1.5 s.
    load(R"({"run": {"transient": true, "numberOfIterations": 2, "timeStep": 0.5, "totalTime": 1.5,
                     "stopOnConvergence": false},
            "entities": [{"name": "E", "type": "T", "attributes": [{"name": "x", "kind": "double", "value": 1.0}]}]})");
    ISolverManager& m = manager();
    IAttribute* x = attribute("E/x");
    EXPECT_TRUE(m.isTransient() && m.getTime() == 0.5 && m.isFirstTimeStep() && m.isFirstIteration());
    EXPECT_FALSE(m.isLastIteration());
    x->setDoubleValue(2.0);
    step();
    EXPECT_TRUE(m.getIteration() == 2 && m.isLastIteration() && m.getTime(Chronology_Next) == 1.0);
    EXPECT_EQ(x->getDoubleValue(Chronology_TimeStepStart), 1.0);
    step();  // new time step: TimeStepStart takes the current values
    EXPECT_TRUE(m.getTime() == 1.0 && !m.isFirstTimeStep() && m.isFirstIteration() && !m.isLastTimeStep());
    EXPECT_EQ(x->getDoubleValue(Chronology_TimeStepStart), 2.0);
    EXPECT_EQ(m.getIteration(Chronology_TimeStepStart), 3);
    step(2);
    EXPECT_TRUE(m.getTime() == 1.5 && m.isLastTimeStep());
    EXPECT_EQ(step(10), 1);  // the last iteration of the last time step, then the run ends
    EXPECT_EQ(m.getIteration(), 6);
    EXPECT_EQ(step(), 0);
}

TEST_F(Standin, VersionRecordAndText) {
    auto text = [] {
        const Version v = version();
        return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.servicePack) + "." +
               std::to_string(v.build) + " interface " + std::to_string(v.interfaceVersion) + ": " + versionString();
    };
    EXPECT_EQ(text(), "2025.1.1.150545 interface 8: Varnex2 stand-in 2025.1.1.150545");
    load(R"({"run": {"version": {"major": 2030, "build": 7}, "versionString": "custom build"}})");
    EXPECT_EQ(text(), "2030.1.1.7 interface 8: custom build");
}

// ---- Test controls ----

TEST_F(Standin, InjectedStatusBecomesTheFacadesExceptionOnce) {
    for (auto [status, kind] : std::vector<std::pair<int, std::string>>{
             {-2, "runtime_error"}, {-3, "logic_error"}, {-4, "out_of_range"}, {-5, "runtime_error"},
             {-6, "runtime_error"}, {-1, "runtime_error"}, {7, "runtime_error"}}) {
        failNext(&manager(), 3, status, "injected failure");
        EXPECT_EQ(outcome([] { manager().getIteration(); }), kind + ": injected failure") << status;
        EXPECT_EQ(manager().getLastExceptionType(), status <= -2 && status >= -6 ? status : -6) << status;
        EXPECT_EQ(manager().getIteration(), 1);
    }
}

TEST_F(Standin, CountQueueAndPlaceOfArmedFailures) {
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    failNext(speed, 12, -4, "first", 2);
    failNext(speed, 12, -3, "second");
    std::string seen;
    for (int i = 0; i < 4; ++i) seen += outcome([&] { speed->getDoubleValue(); }) + "|";
    EXPECT_EQ(seen, "out_of_range: first|out_of_range: first|logic_error: second|none|");
    failNext(speed, 12, -2, "x");  // only the armed object and slot are affected
    EXPECT_EQ(attribute("CoolingLoop/Pipe1/Length")->getDoubleValue(), 12.0);
    EXPECT_EQ(speed->getStringValue(), "1450");
    varnex2_standin_clear_failures();
    EXPECT_EQ(speed->getDoubleValue(), 1450.0);
    EXPECT_EQ(varnex2_standin_fail_next(nullptr, 3, -2, "", 0, 1, 0, 0), -1);
    // Only the manager, the collection and objects of the current model can be armed.
    int local = 0;
    varnex2_standin_reset();  // speed now belongs to a replaced model
    for (const void* address : {static_cast<const void*>(&local), static_cast<const void*>(speed)}) {
        EXPECT_EQ(varnex2_standin_fail_next(address, 3, -2, "", 0, 1, 0, 0), -1);
        std::string error = varnex2_standin_last_error();
        EXPECT_EQ(error.substr(0, 13) + error.substr(error.find(" is ")), "fail_next: 0x is not an object of the current model");
    }
}

TEST_F(Standin, FailingMessageQueriesAndWrittenOutValues) {
    IEntityCollection& c = collection();
    failNext(&c, 6, -5, "lost", 1, /*messageFails=*/true);
    EXPECT_EQ(outcome([&] { c.getNumberOfEntities(); }), "runtime_error: Failure to retrieve LastErrorMessage");
    EXPECT_EQ(c.getLastExceptionMessage(), "lost");  // only the query that follows fails
    failNext(&c, 1, -2);
    EXPECT_EQ(c.getLastExceptionMessage(), "Failure to retrieve LastErrorMessage");
    failNext(&c, 2, -2, "", 1, false, /*writeOut=*/true);
    EXPECT_EQ(c.getLastExceptionType(), ExceptionType_Unknown);
    // Operations that ignore the status show what the failing slot left behind.
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    failNext(speed, 0, -2, "", 1, false, true);
    EXPECT_EQ(speed->getHandleType(), HandleType(7));
    failNext(speed, 0, -2);
    EXPECT_EQ(speed->getHandleType(), HandleType_Unknown);
    failNext(speed, 19, -2, "", 1, false, true);
    EXPECT_TRUE(speed->hasUnits());
    failNext(speed, 19, -2);
    EXPECT_FALSE(speed->hasUnits());
    // Checked operations discard the value and throw.
    failNext(speed, 8, -3, "half written", 1, false, true);
    EXPECT_EQ(outcome([&] { speed->getStringValue(); }), "logic_error: half written");
    // A failure of the manager or of its collection stops the solution control lookup.
    failNext(&manager(), 17, -2, "no collection");
    EXPECT_EQ(outcome([] { manager().getSolutionControl(); }), "runtime_error: no collection");
    failNext(&c, 8, -3, "no control");
    EXPECT_EQ(outcome([] { manager().getSolutionControl(); }), "logic_error: no control");
    EXPECT_EQ(manager().getLastExceptionMessage(), "no collection");
}

// A recorded call as "slot(kind:value,...)"; kinds 0 integer, 1 flag, 2 real, 3 text, 4 identifier,
// 5 unsigned size (shown as such).
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
        else if (kind == 5) out << static_cast<unsigned long long>(i);
        else out << i << (kind == 4 ? "/" + std::to_string(j) : "");
    }
    return out.str() + ")";
}

TEST_F(Standin, RecordedCallsCarryByValueArgumentsInSlotOrder) {
    IEntityCollection& c = collection();
    IAttribute* speed = attribute("CoolingLoop/Pump1/Speed");
    varnex2_standin_record_calls(1);
    speed->setStringValue("1500");
    speed->hasValue(Chronology_Initial);
    c.getEntity("Pipe", "Pipe1", 1);
    outcome([&] { c.getEntity(std::size_t(-1)); });
    c.getNumberOfEntities(EntityID(5, -3));
    entity("CoolingLoop/Pump1")->getAttribute(4, true);
    manager().setTimeStep(0.25);
    speed->setFloatValue(1.5f, Chronology_Current);
    failNext(&manager(), 4, -2, "x");
    EXPECT_THROW(manager().getNumberOfIterations(), std::runtime_error);
    varnex2_standin_record_calls(0);
    speed->getDoubleValue();  // not recorded
    // A failed call is recorded with the message query that follows it.
    const std::vector<std::string> expected = {"9(3:1500,0:4)", "18(0:0)", "12(3:Pipe,3:Pipe1,5:1)",
                                               "10(5:18446744073709551615)", "1()", "15(4:5/-3)", "23(5:4,1:1)",
                                               "8(2:0.25,0:4)", "11(2:1.5,0:3)", "4(0:3)", "1()"};
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

}  // namespace
}  // namespace standin_test
