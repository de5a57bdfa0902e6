// Solver data and manager: which slot each operation reaches, with which chronology.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <stdexcept>

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

const Chronology odd = Chronology(7);

INSTANTIATE_TEST_SUITE_P(
    Defaults, SolverSlots,
    ::testing::Values(
        SlotCase{"getIteration", [](FakeManager& m) { m.getIteration(); }, {"mgr:3(3)"}},
        SlotCase{"getNumberOfIterations", [](FakeManager& m) { m.getNumberOfIterations(); }, {"mgr:4(3)"}},
        SlotCase{"setNumberOfIterations", [](FakeManager& m) { m.setNumberOfIterations(12); }, {"mgr:5(12,4)"}},
        SlotCase{"getTime", [](FakeManager& m) { m.getTime(); }, {"mgr:6(3)"}},
        SlotCase{"getTimeStep", [](FakeManager& m) { m.getTimeStep(); }, {"mgr:7(3)"}},
        SlotCase{"setTimeStep", [](FakeManager& m) { m.setTimeStep(0.5); }, {"mgr:8(0.5,4)"}},
        SlotCase{"setTotalTime", [](FakeManager& m) { m.setTotalTime(10.0); }, {"mgr:9(10,4)"}},
        SlotCase{"getTotalTime", [](FakeManager& m) { m.getTotalTime(); }, {"mgr:10(3)"}},
        SlotCase{"isTransient", [](FakeManager& m) { m.isTransient(); }, {"mgr:11(3)"}},
        SlotCase{"isFirstIteration", [](FakeManager& m) { m.isFirstIteration(); }, {"mgr:12(3)"}},
        SlotCase{"isLastIteration", [](FakeManager& m) { m.isLastIteration(); }, {"mgr:13(3)"}},
        SlotCase{"isFirstTimeStep", [](FakeManager& m) { m.isFirstTimeStep(); }, {"mgr:14(3)"}},
        SlotCase{"isLastTimeStep", [](FakeManager& m) { m.isLastTimeStep(); }, {"mgr:15(3)"}},
        SlotCase{"isConverged", [](FakeManager& m) { m.isConverged(); }, {"mgr:16(3)"}},
        SlotCase{"getEntityCollection", [](FakeManager& m) { m.getEntityCollection(); }, {"mgr:17()"}},
        SlotCase{"getEntityCollectionConst", [](FakeManager& m) { std::as_const(m).getEntityCollection(); },
                 {"mgr:18()"}},
        SlotCase{"setStopOnConvergence", [](FakeManager& m) { m.setStopOnConvergence(true); }, {"mgr:19(true,4)"}},
        SlotCase{"isStopOnConvergence", [](FakeManager& m) { m.isStopOnConvergence(); }, {"mgr:20(3)"}},
        SlotCase{"version", [](FakeManager& m) { m.version(); }, {"mgr:21()"}},
        SlotCase{"versionString", [](FakeManager& m) { m.versionString(); }, {"mgr:22()"}},
        SlotCase{"solveStop", [](FakeManager& m) { m.solveStop(); }, {"mgr:25()"}},
        SlotCase{"isSolveStopped", [](FakeManager& m) { m.isSolveStopped(); }, {"mgr:26()"}},
        SlotCase{"showMessage", [](FakeManager& m) { m.showMessage("hello"); }, {"mgr:27(hello)"}},
        SlotCase{"showInformational", [](FakeManager& m) { m.showInformational("note"); }, {"mgr:28(note)"}}));

INSTANTIATE_TEST_SUITE_P(
    ExplicitChronologies, SolverSlots,
    ::testing::Values(
        SlotCase{"getIterationOdd", [](FakeManager& m) { m.getIteration(odd); }, {"mgr:3(7)"}},
        SlotCase{"getTimeInvalid", [](FakeManager& m) { m.getTime(Chronology_Invalid); }, {"mgr:6(-1)"}},
        SlotCase{"setTimeStepInitial", [](FakeManager& m) { m.setTimeStep(2.5, Chronology_Initial); },
                 {"mgr:8(2.5,0)"}},
        SlotCase{"setTotalTimeCurrent", [](FakeManager& m) { m.setTotalTime(1.0, Chronology_Current); },
                 {"mgr:9(1,3)"}},
        SlotCase{"isConvergedNext", [](FakeManager& m) { m.isConverged(Chronology_Next); }, {"mgr:16(4)"}}));

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

TEST(SolverData, FailingCollectionSlotRaisesBeforeAskingACollection) {
    Log log;
    FakeManager manager(log, "mgr");
    manager.script.status[17] = -4;
    EXPECT_THROW(manager.getSolutionControl(), std::out_of_range);
    EXPECT_EQ(log.calls, (Trace{"mgr:17()", "mgr:1()"}));
}

}  // namespace
