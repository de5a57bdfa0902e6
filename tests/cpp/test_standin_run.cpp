// The stand-in library's run through the facade: steady and transient progress,
// convergence, writes at Current and Next, solve stop, version and messages.
#include "test_standin_support.h"

namespace standin_test {
namespace {

class StandinRun : public Standin {
protected:
    static int step(int n = 1) { return varnex2_standin_step(n); }
};

TEST_F(StandinRun, SteadyRunConvergesByTheResidualRule) {
    // Residual 1 * 0.5^k reaches 1/16 after 4 iterations.
    load(R"({"run": {"numberOfIterations": 10, "residual": 1.0, "residualReduction": 0.5, "tolerance": 0.0625}})");
    ISolverManager& m = manager();
    EXPECT_FALSE(m.isTransient());
    EXPECT_EQ(m.getIteration(), 1);
    EXPECT_TRUE(m.isFirstIteration());
    EXPECT_FALSE(m.isConverged());
    EXPECT_EQ(m.getIteration(Chronology_Next), 2);
    EXPECT_EQ(step(3), 3);
    EXPECT_EQ(m.getIteration(), 4);
    EXPECT_FALSE(m.isFirstIteration());
    EXPECT_FALSE(m.isConverged());
    EXPECT_TRUE(m.isConverged(Chronology_Next));
    EXPECT_EQ(step(10), 1);  // stops on convergence
    EXPECT_TRUE(m.isConverged());
    EXPECT_TRUE(m.isLastIteration());
    EXPECT_EQ(m.getIteration(), 5);
    EXPECT_EQ(m.getIteration(Chronology_Next), 5);
    EXPECT_EQ(m.getIteration(Chronology_Initial), 1);
    EXPECT_FALSE(m.isConverged(Chronology_Initial));
    // Without stop-on-convergence the run goes on to the number of iterations.
    m.setStopOnConvergence(false);
    EXPECT_TRUE(m.isStopOnConvergence());
    EXPECT_FALSE(m.isStopOnConvergence(Chronology_Next));
    EXPECT_EQ(step(100), 5);
    EXPECT_EQ(m.getIteration(), 10);
    EXPECT_TRUE(m.isLastIteration());
}

TEST_F(StandinRun, ResidualIsMirroredIntoTheSolutionControl) {
    IAttribute* residual = manager().getSolutionControl()->getAttribute("Convergence/Residual");
    ASSERT_NE(residual, nullptr);
    EXPECT_EQ(residual->getDoubleValue(), 1.0);
    step(2);
    EXPECT_DOUBLE_EQ(residual->getDoubleValue(), 0.64);
    EXPECT_EQ(residual->getDoubleValue(Chronology_Initial), 1.0);
}

TEST_F(StandinRun, FixedConvergenceAnswer) {
    load(R"({"run": {"converged": true, "numberOfIterations": 5}})");
    EXPECT_TRUE(manager().isConverged());
    EXPECT_EQ(step(), 0);
    manager().setStopOnConvergence(false, Chronology_Current);
    EXPECT_EQ(step(10), 4);
}

TEST_F(StandinRun, WritesAtNextWaitForTheStep) {
    ISolverManager& m = manager();
    m.setNumberOfIterations(250);
    m.setTimeStep(0.25);
    m.setTotalTime(5.0);
    EXPECT_EQ(m.getNumberOfIterations(), 100);
    EXPECT_EQ(m.getNumberOfIterations(Chronology_Next), 250);
    EXPECT_EQ(m.getTimeStep(Chronology_Next), 0.25);
    EXPECT_EQ(m.getTotalTime(), 60.0);
    step();
    EXPECT_EQ(m.getNumberOfIterations(), 250);
    EXPECT_EQ(m.getTimeStep(), 0.25);
    EXPECT_EQ(m.getTotalTime(), 5.0);
    EXPECT_EQ(m.getNumberOfIterations(Chronology_Initial), 100);
    m.setNumberOfIterations(3, Chronology_Current);
    EXPECT_EQ(m.getNumberOfIterations(), 3);
}

struct RunFailure {
    const char* name;
    std::function<void(ISolverManager&)> call;
    const char* expected;
};
std::ostream& operator<<(std::ostream& out, const RunFailure& c) { return out << c.name; }

class StandinRunRejects : public Standin, public ::testing::WithParamInterface<RunFailure> {};

TEST_P(StandinRunRejects, WithTheFailureOfItsRule) {
    std::string message;
    std::string kind = thrownKind([&] { GetParam().call(manager()); }, &message);
    EXPECT_EQ(kind + ": " + message, GetParam().expected);
    EXPECT_EQ(manager().getLastExceptionMessage(), message);
}

INSTANTIATE_TEST_SUITE_P(
    Standin, StandinRunRejects,
    ::testing::Values(
        RunFailure{"readInvalidChronology", [](ISolverManager& m) { m.getIteration(Chronology(7)); },
                   "out_of_range: chronology 7 is not one of 0 to 4"},
        RunFailure{"readMinusOne", [](ISolverManager& m) { m.isConverged(Chronology_Invalid); },
                   "out_of_range: chronology -1 is not one of 0 to 4"},
        RunFailure{"writePast", [](ISolverManager& m) { m.setTimeStep(1.0, Chronology_TimeStepStart); },
                   "logic_error: cannot set the time step at chronology TimeStepStart: only Current and Next can "
                   "be written"},
        RunFailure{"writeInvalid", [](ISolverManager& m) { m.setStopOnConvergence(true, Chronology(5)); },
                   "out_of_range: cannot set the stop-on-convergence switch: chronology 5 is not one of 0 to 4"},
        RunFailure{"negativeIterations", [](ISolverManager& m) { m.setNumberOfIterations(-1); },
                   "out_of_range: the number of iterations must not be negative, got -1"},
        RunFailure{"zeroTimeStep", [](ISolverManager& m) { m.setTimeStep(0.0); },
                   "out_of_range: the time step must be a positive number, got 0"},
        RunFailure{"negativeTotalTime", [](ISolverManager& m) { m.setTotalTime(-2.0); },
                   "out_of_range: the total time must be a number of at least 0, got -2"}));

TEST_F(StandinRun, TransientRunStepsThroughTimeSteps) {
    // Two iterations per time step, time steps of 0.5 s up to 1.5 s.
    load(R"({"run": {"transient": true, "numberOfIterations": 2, "timeStep": 0.5, "totalTime": 1.5,
                     "stopOnConvergence": false},
            "entities": [{"name": "E", "type": "T", "attributes": [{"name": "x", "kind": "double", "value": 1.0}]}]})");
    ISolverManager& m = manager();
    IAttribute* x = attribute("E/x");
    EXPECT_TRUE(m.isTransient());
    EXPECT_EQ(m.getTime(), 0.5);
    EXPECT_TRUE(m.isFirstTimeStep());
    EXPECT_TRUE(m.isFirstIteration());
    EXPECT_FALSE(m.isLastIteration());
    x->setDoubleValue(2.0);
    step();
    EXPECT_EQ(m.getIteration(), 2);
    EXPECT_TRUE(m.isLastIteration());
    EXPECT_EQ(m.getTime(Chronology_Next), 1.0);
    EXPECT_EQ(x->getDoubleValue(Chronology_TimeStepStart), 1.0);
    step();  // new time step: TimeStepStart takes the current values
    EXPECT_EQ(m.getTime(), 1.0);
    EXPECT_FALSE(m.isFirstTimeStep());
    EXPECT_TRUE(m.isFirstIteration());
    EXPECT_EQ(x->getDoubleValue(Chronology_TimeStepStart), 2.0);
    EXPECT_EQ(m.getIteration(Chronology_TimeStepStart), 3);
    EXPECT_FALSE(m.isLastTimeStep());
    step(2);
    EXPECT_EQ(m.getTime(), 1.5);
    EXPECT_TRUE(m.isLastTimeStep());
    EXPECT_EQ(step(10), 1);  // the last iteration of the last time step, then the run ends
    EXPECT_EQ(m.getIteration(), 6);
    EXPECT_EQ(step(), 0);
}

TEST_F(StandinRun, SolveStopEndsTheRun) {
    ISolverManager& m = manager();
    EXPECT_FALSE(m.isSolveStopped());
    m.solveStop();
    EXPECT_TRUE(m.isSolveStopped());
    EXPECT_EQ(step(5), 0);
    EXPECT_EQ(m.getIteration(Chronology_Next), 1);
    varnex2_standin_reset();
    EXPECT_FALSE(m.isSolveStopped());
}

std::string versionText() {
    const Version v = version();
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.servicePack) + "." +
           std::to_string(v.build) + " interface " + std::to_string(v.interfaceVersion) + ": " + versionString();
}

TEST_F(StandinRun, VersionRecordAndText) {
    EXPECT_EQ(versionText(), "2025.1.1.150545 interface 8: Varnex2 stand-in 2025.1.1.150545");
    load(R"({"run": {"version": {"major": 2030, "build": 7}, "versionString": "custom build"}})");
    EXPECT_EQ(versionText(), "2030.1.1.7 interface 8: custom build");
}

TEST_F(StandinRun, MessagesAreLoggedInOrder) {
    manager().showMessage("pump started");
    manager().showInformational(std::string("raw\0bytes", 9));
    ASSERT_EQ(varnex2_standin_message_count(), 2u);
    for (int index : {0, 1}) {
        int kind = -1;
        const char* text = nullptr;
        std::size_t length = 0;
        ASSERT_EQ(varnex2_standin_message(index, &kind, &text, &length), 0);
        EXPECT_EQ(kind, index);
        EXPECT_EQ(std::string(text, length), index ? std::string("raw\0bytes", 9) : "pump started");
    }
    EXPECT_EQ(varnex2_standin_message(2, nullptr, nullptr, nullptr), -1);
}

}  // namespace
}  // namespace standin_test
