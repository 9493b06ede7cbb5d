// The exit status of a run whose solver failed numerically: the run goes on
// through its letters and then ends with 3 instead of 1 (cycles done) or 0
// (letter A), its last log line naming the first failure.
#include <cstring>
#include <filesystem>
#include <string>

#include "control/control.h"
#include "control/log.h"
#include "control/state.h"
#include "sediment/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

const char* kEndLine = "Run ended after a numerical failure: ";

std::string lastLine(const std::string& log) {
    std::string s = log;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s.substr(s.rfind('\n') + 1);
}

// ---------------------------------------------------------------------------
// The real process on the bundled examples, with data sets appended to their
// `control` (a later data set overrides an earlier one).
// ---------------------------------------------------------------------------

// Pushes the u, v, w of the cells around (10,3,4) of the flume away from it
// while the cell itself stands still: with the constant viscosity of F 24 2
// every face has a Peclet number far above 10, so every power-law neighbour
// coefficient of that cell is 0.
const char* kSourceCell =
    "F 24 2\n"
    "G 8 2 9 1 6 1 7 -1.0 0.0 0.0\n"
    "G 8 11 21 1 6 1 7 1.0 0.0 0.0\n"
    "G 8 10 10 1 2 1 7 0.0 -1.0 0.0\n"
    "G 8 10 10 4 6 1 7 0.0 1.0 0.0\n"
    "G 8 10 10 3 3 1 3 0.0 0.0 -1.0\n"
    "G 8 10 10 3 3 5 7 0.0 0.0 1.0\n"
    "G 8 10 10 3 3 4 4 0.0 0.0 0.0\n";
const char* kOverRelaxed = "K 3 1.99 1.99 1.99 1.99 0.5 0.5\n";
// Outlet cells whose start velocity breaks the balance with the inflow; the
// outlet opening (update 0) never rescales them.
const char* kOutletOffBalance = "G 8 22 22 1 6 1 7 0.5 0.0 0.0\n";

struct ExitCase {
    const char* name;
    friend void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }
    const char* example;  // folder under examples/
    std::string extra;    // appended to its control
    int exit;
    const char* failure;  // the first failure named in the last line; nullptr: no such line
    const char* later = nullptr;  // a status line logged after the failure
};

class ExitStatusRun : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitStatusRun, EndsWithItsStatusAndNamesTheFirstFailure) {
    const ExitCase& p = GetParam();
    const std::filesystem::path ex = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples" / p.example;
    Case c;
    c.file("control", readFile(ex / "control") + p.extra).file("koordina", readFile(ex / "koordina"));
    EXPECT_EQ(c.run(), p.exit);
    const std::string log = c.boogie();
    if (p.failure) {
        EXPECT_EQ(lastLine(log), kEndLine + std::string(p.failure)) << log;
        EXPECT_EQ(log.back(), '\n');
        if (p.later) {
            EXPECT_NE(log.find(p.later), std::string::npos) << log;
        }
    } else {
        EXPECT_EQ(log.find(kEndLine), std::string::npos) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExitStatusRun,
    ::testing::Values(
        ExitCase{"diverging_W", "flume", std::string("F 2 W\n") + kOverRelaxed, 3, "Solution diverged"},
        ExitCase{"diverging_WA", "flume", std::string("F 2 WA\n") + kOverRelaxed, 3, "Solution diverged"},
        // The following letters still run: M writes its result files.
        ExitCase{"diverging_WM_three_cycles", "flume", std::string("F 2 WM\nF 20 3\n") + kOverRelaxed, 3,
                 "Solution diverged"},
        ExitCase{"sound_W", "flume", "F 2 W\n", 1, nullptr},
        ExitCase{"sound_WA", "flume", "F 2 WA\n", 0, nullptr},
        ExitCase{"continuity", "flume", std::string("F 2 W\n") + kOutletOffBalance, 3, "Error in continuity"},
        ExitCase{"zero_centre_coefficient", "flume", std::string("F 2 WA\n") + kSourceCell, 3,
                 "Error, wap(10,3,4) = 0.000000e+00"},
        // D converges after W failed and overwrites the status text: the line
        // still names the first failure.
        ExitCase{"first_failure_kept", "flume", std::string("F 2 WD\n") + kOutletOffBalance, 3,
                 "Error in continuity", "\nSolution converged\n"},
        ExitCase{"depth_averaged_diverging", "channel2d", std::string("K 1 300 10\n") + kOverRelaxed, 3,
                 "Solution diverged"},
        ExitCase{"depth_averaged_sound", "channel2d", "K 1 300 10\nF 2 WA\n", 0, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// In the process, with planted task routines: a failure flag however it was
// raised, and the ends of the run after S.
// ---------------------------------------------------------------------------

void diverge() {
    setMessage("Solution diverged  ");
    noteNumericalFailure();
}

class PlantedFailure : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        writeFile("control",
                  "G 1 4 4 4 1\nG 3 0.0 33.333333 66.666667 100.0\nW 1 50.0 1.0 1.0\nW 2 3 1 2 4\n"
                  "K 1 5 5\nK 2 0 1\n");
        tasks = "";
        runTasks = RunTasks{};
        runTasks.WaterSolve = [] { tasks += "W"; };
        runTasks.sprintflow = [] {
            tasks += "M";
            setMessage("Result written");
        };
        runTasks.writespider = [] {};
        runTasks.morphology = [] { tasks += "S"; };
    }
    // Runs the process's main routine with the run string; its exit status.
    int runWith(const char* letters) {
        std::string text = readFile("control") + "F 2 " + letters + "\n";
        writeFile("control", text);
        int status = 0;
        const int code = exitCodeOf([&] { status = quirdMain(); });
        return code == kNoExit ? status : code;
    }
    static inline std::string tasks;
};

TEST_F(PlantedFailure, FlagBeforeTheEndOfTheCyclesGivesThree) {
    runTasks.WaterSolve = [] {
        tasks += "W";
        diverge();
    };
    EXPECT_EQ(runWith("WM"), 3);
    EXPECT_EQ(tasks, "WM");
    EXPECT_EQ(lastLine(readFile("boogie")), std::string(kEndLine) + "Solution diverged");
}

TEST_F(PlantedFailure, LaterFailuresAndTextsDoNotReplaceTheFirst) {
    static int calls = 0;
    calls = 0;
    runTasks.WaterSolve = [] {
        tasks += "W";
        if (++calls == 1) {
            diverge();
        } else {
            setMessage("Error in continuity  ");
            noteNumericalFailure();
        }
    };
    EXPECT_EQ(runWith("WMWA"), 3);
    EXPECT_EQ(tasks, "WMW");
    EXPECT_STREQ(mc_message, "Error in continuity  ");
    EXPECT_EQ(lastLine(readFile("boogie")), std::string(kEndLine) + "Solution diverged");
}

// The sediment coefficient set-up raises the flag inside S; the driver
// returns after S, and the run ends with 3 and the set-up's text.
TEST_F(PlantedFailure, FlagRaisedInsideSEndsAfterItWithThree) {
    runTasks.morphology = [] {
        tasks += "S";
        setMessage("In cofe2: Error, ap(3,3,3) = 0.000000e+00\n");
        FlagErrorBreak = 1;
    };
    EXPECT_EQ(runWith("SWA"), 3);
    EXPECT_EQ(tasks, "S");
    EXPECT_EQ(gFlagSedim, 0);  // the driver left through the flag, not for a missing concentration field
    EXPECT_EQ(lastLine(readFile("boogie")), std::string(kEndLine) + "In cofe2: Error, ap(3,3,3) = 0.000000e+00");
}

TEST_F(PlantedFailure, WithoutFailureTheCyclesEndWithOne) {
    EXPECT_EQ(runWith("WM"), 1);
    EXPECT_EQ(readFile("boogie").find(kEndLine), std::string::npos);
}

TEST_F(PlantedFailure, WithoutFailureLetterAEndsWithZero) {
    EXPECT_EQ(runWith("WMA"), 0);
    EXPECT_EQ(tasks, "WM");
    EXPECT_EQ(readFile("boogie").find(kEndLine), std::string::npos);
}

}  // namespace
