// Solver data and manager: which slot each operation reaches, with the default chronologies;
// explicit chronologies are passed unchanged (tests/python/test_solver.py records them).
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "fake_library.h"

namespace {

using namespace fake;

using SlotCase = TraceCase<FakeManager>;

class SolverSlots : public ::testing::TestWithParam<SlotCase> {};

TEST_P(SolverSlots, ReachesItsSlotWithItsArguments) {
    Log log;
    FakeManager manager(log, "mgr");
    GetParam().call(manager);
    EXPECT_EQ(log.calls, GetParam().trace);
}

// A case named after its call on the manager, or on the manager seen as const.
#define ON(call, ...) SlotCase{#call, [](FakeManager& m) { m.call; }, {__VA_ARGS__}}
#define ON_CONST(call, ...) SlotCase{"const " #call, [](FakeManager& m) { std::as_const(m).call; }, {__VA_ARGS__}}

INSTANTIATE_TEST_SUITE_P(
    Defaults, SolverSlots,
    ::testing::Values(
        ON(getIteration(), "mgr:3(3)"), ON(getNumberOfIterations(), "mgr:4(3)"),
        ON(setNumberOfIterations(12), "mgr:5(12,4)"), ON(getTime(), "mgr:6(3)"), ON(getTimeStep(), "mgr:7(3)"),
        ON(setTimeStep(0.5), "mgr:8(0.5,4)"), ON(setTotalTime(10.0), "mgr:9(10,4)"), ON(getTotalTime(), "mgr:10(3)"),
        ON(isTransient(), "mgr:11(3)"), ON(isFirstIteration(), "mgr:12(3)"), ON(isLastIteration(), "mgr:13(3)"),
        ON(isFirstTimeStep(), "mgr:14(3)"), ON(isLastTimeStep(), "mgr:15(3)"), ON(isConverged(), "mgr:16(3)"),
        ON(getEntityCollection(), "mgr:17()"), ON_CONST(getEntityCollection(), "mgr:18()"),
        ON(setStopOnConvergence(true), "mgr:19(true,4)"), ON(isStopOnConvergence(), "mgr:20(3)"),
        ON(version(), "mgr:21()"), ON(versionString(), "mgr:22()"), ON(solveStop(), "mgr:25()"),
        ON(isSolveStopped(), "mgr:26()"), ON(showMessage("hello"), "mgr:27(hello)"),
        ON(showInformational("note"), "mgr:28(note)")));

#undef ON
#undef ON_CONST

TEST(SolverData, ResultsComeFromTheOutValues) {
    Log log;
    FakeManager manager(log, "mgr");
    manager.script.number = 42;
    manager.script.real = 0.25;
    manager.script.flag = true;
    manager.script.text = "2025.1";
    EXPECT_EQ(manager.getNumberOfIterations(), 42);
    EXPECT_DOUBLE_EQ(manager.getTimeStep(), 0.25);
    EXPECT_TRUE(manager.isSolveStopped());
    EXPECT_EQ(manager.versionString(), "2025.1");
    const Version version = manager.version();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&version);
    for (std::size_t i = 0; i < sizeof version; ++i) ASSERT_EQ(bytes[i], 0x5a) << "byte " << i;
}

TEST(SolverData, ReservedManagerSlotsKeepTheirPositions) {
    EXPECT_EQ(FakeManager::reservedSlot23(), 23);
    EXPECT_EQ(FakeManager::reservedSlot24(), 24);
}

TEST(SolverData, SolutionControlGoesThroughTheCollection) {
    Log log;
    FakeManager manager(log, "mgr");
    FakeCollection collection(log, "coll");
    FakeEntity control(log, "control");
    collection.script.entity = &control;

    EXPECT_EQ(manager.getSolutionControl(), nullptr);
    EXPECT_EQ(std::as_const(manager).getSolutionControl(), nullptr);
    EXPECT_EQ(log.calls, (Trace{"mgr:17()", "mgr:18()"}));

    log.clear();
    manager.script.collection = &collection;
    EXPECT_EQ(manager.getSolutionControl(), &control);
    EXPECT_EQ(std::as_const(manager).getSolutionControl(), &control);
    EXPECT_EQ(log.calls, (Trace{"mgr:17()", "coll:8()", "mgr:18()", "coll:9()"}));
}

}  // namespace
