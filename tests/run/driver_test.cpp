// The run driver: which task routines each run letter calls, cycle by cycle.
#include <cstring>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "sediment/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

std::string calls;  // one letter per task routine called

RunTasks recordingTasks() {
    RunTasks t{};
    t.WaterSolve = [] { calls += "W"; };
    t.WaterSolve2D = [] { calls += "D"; };
    t.bedchange = [] { calls += "B"; };
    t.bedslope_corr = [] { calls += "1"; };
    t.coeffe_setup = [] { calls += "2"; };
    t.coeffe_setup2 = [] { calls += "3"; };
    t.suspinit = [] { calls += "4"; };
    t.sprintflow = [] { calls += "M"; };
    t.writespider = [] { calls += "m"; };
    t.Components = [] { calls += "Q"; };
    t.readres = [] { calls += "R"; };
    t.morphology = [] { calls += "S0"; };
    t.morphology_tsc = [] { calls += "S1"; };
    t.morphology2_tsc = [] { calls += "S2"; };
    t.initial = [] { calls += "V"; };
    t.ReadXCYC = [] { calls += "X"; };
    return t;
}

// Sets the run string as the reader stores it: index 0 the blank behind the number.
void setRun(const char* letters) {
    std::memset(run, ' ', sizeof run);
    std::memcpy(run + 1, letters, std::strlen(letters));
}

class RunDriver : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        calls.clear();
        runTasks = recordingTasks();
        FlagRoof = 1;
        Flag2Dim = 0;
        FlagTSC = 0;
        FlagErrorBreak = 0;
        createArray(conc, 2, 1, 1, 1);
    }
};

struct LetterCase {
    const char* name;
    friend void PrintTo(const LetterCase& c, std::ostream* os) { *os << c.name; }
    const char* letters;
    int cycles;
    const char* expectedCalls;
    int expectedExit;  // kNoExit when the loop returns
};

class RunLetters : public RunDriver, public ::testing::WithParamInterface<LetterCase> {};

TEST_P(RunLetters, CallsTheTasksOfEachLetter) {
    const LetterCase& c = GetParam();
    setRun(c.letters);
    IterF2 = c.cycles;
    EXPECT_EQ(exitCodeOf(runStringLoop), c.expectedExit);
    EXPECT_EQ(calls, c.expectedCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunLetters,
    ::testing::Values(
        LetterCase{"WMA_ends_with_0_after_one_round", "WMA", 3, "WMm", 0},
        LetterCase{"R_runs_in_cycles_1_and_2_only", "RW", 3, "RWRWW", kNoExit},
        LetterCase{"lower_case_does_nothing", "wm", 2, "", kNoExit},
        LetterCase{"I_runs_the_four_sediment_steps", "I", 1, "1234", kNoExit},
        LetterCase{"Q_B_X_V", "QBXV", 1, "QBXV", kNoExit},
        LetterCase{"other_capitals_digits_blanks_do_nothing", "CEFGHJ 9Z", 1, "", kNoExit},
        LetterCase{"S_runs_the_quasi_steady_driver", "SW", 2, "S0WS0W", kNoExit}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunDriver, OnlyTheFirstTenCharactersCount) {
    std::memset(run, ' ', sizeof run);
    run[9] = 'W';
    run[10] = 'M';  // the eleventh character is never a task
    IterF2 = 1;
    runStringLoop();
    EXPECT_EQ(calls, "W");
}

TEST_F(RunDriver, DRunsTheDepthAveragedSolverWhateverFlag2Dim) {
    setRun("DW");
    IterF2 = 1;
    runStringLoop();
    EXPECT_EQ(calls, "DW");
    calls.clear();
    Flag2Dim = 1;
    runStringLoop();
    EXPECT_EQ(calls, "DD");
}

TEST_F(RunDriver, VDoesNothingInAClosedConduit) {
    setRun("V");
    IterF2 = 1;
    FlagRoof = 0;
    runStringLoop();
    EXPECT_EQ(calls, "");
}

TEST_F(RunDriver, SChoosesTheDriverByFlagTSC) {
    setRun("S");
    IterF2 = 1;
    for (int tsc : {1, 2}) {
        FlagTSC = tsc;
        runStringLoop();
    }
    EXPECT_EQ(calls, "S1S2");
}

TEST_F(RunDriver, SEndsTheRunWithoutConcentrationField) {
    setRun("SW");
    IterF2 = 2;
    conc.setNull();
    runStringLoop();
    EXPECT_EQ(calls, "S0");
    EXPECT_EQ(gFlagSedim, 1);  // left set by the early return
}

TEST_F(RunDriver, ErrorFlagIsLookedAtOnlyAfterS) {
    // A failed W sets the flag; the next letters still run and the run ends after S.
    runTasks.WaterSolve = [] {
        calls += "W";
        FlagErrorBreak = 1;
    };
    setRun("WMSQ");
    IterF2 = 2;
    EXPECT_EQ(exitCodeOf(runStringLoop), kNoExit);
    EXPECT_EQ(calls, "WMmS0");
    EXPECT_EQ(gFlagSedim, 0);
}

TEST_F(RunDriver, CycleCountIsReadAfterEveryCycle) {
    runTasks.WaterSolve = [] {
        calls += "W";
        IterF2 = 1;  // a task that lowers the count ends the loop after this cycle
    };
    setRun("W");
    IterF2 = 5;
    runStringLoop();
    EXPECT_EQ(calls, "W");
}

TEST_F(RunDriver, StatusFlagsAreClearedAfterEachTask) {
    runTasks.WaterSolve = [] { calls += gFlagFlow ? "1" : "0"; };
    runTasks.sprintflow = [] { calls += gFlagWriteR ? "1" : "0"; };
    runTasks.writespider = [] {};
    setRun("WM");
    IterF2 = 1;
    runStringLoop();
    EXPECT_EQ(calls, "11");
    EXPECT_EQ(gFlagFlow, 0);
    EXPECT_EQ(gFlagWriteR, 0);
}

}  // namespace
