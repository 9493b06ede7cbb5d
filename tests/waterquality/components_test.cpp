// The component computation on a prescribed flow: plug-flow and transient
// decay against their discrete and exact solutions, boxes, the inflow
// series, the passes and the probe lines.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/state.h"
#include "sediment/conres.h"
#include "support/controls.h"
#include "support/testing.h"
#include "waterquality/state.h"
#include "waterquality/waterquality.h"
#include "waterquality/wq_fixture.h"

namespace wqtest {
namespace {

using quird_test::exitCodeOf;
using quird_test::readFile;

class Components : public WaterQualityTest {};

// Plug flow with first-order decay: a G 17 box on the inflow layer i = 1
// holds C_in, a type 2 term with a = c and V1 = -k; 20 cells along x, one
// across, one layer, pure upwind. Cell n holds C_in (1 + h)^-n, h = k dx / U,
// above the exact C_in e^(-k x / U) by at most e^(n h^2 / 2) - 1.
TEST_F(Components, PlugFlowDecayIsTheDiscreteSolutionNearTheExactOne) {
    for (char solver : {'Y', 'N'}) {
        SCOPED_TRACE(solver);
        resetEngineForCase();
        NoComponents = 1;
        lcray = solver;
        TransInnerIter = 60;
        const double dx = 1.0, U = 0.5, k = 0.05, Cin = 3.0, h = k * dx / U;
        channel(21, 2, 2, dx, 1.0, 1.0, U, 0.0);
        box(0, Cin, 1, 1, 2, 2, 2, 2);
        term(0, 2, 0, 0, -k);
        componentsOnFlow();
        for (int n = 1; n <= 20; ++n) {
            const double C = comp[0][n + 1][2][2];
            EXPECT_NEAR(C, Cin * std::pow(1.0 + h, -n), 1e-8 * C) << n;
            const double exact = Cin * std::exp(-k * n * dx / U);
            EXPECT_GT(C, exact);
            EXPECT_LE(C / exact - 1.0, std::exp(n * h * h / 2.0) - 1.0) << n;
        }
    }
}

// Still water without diffusion: m inner iterations of the lagged decay give
// C0 ((1 - (-k dt)^(m+1)) / (1 + k dt))^N after N steps.
TEST_F(Components, TransientDecayFollowsTheLaggedStepAndTheExponential) {
    for (int m : {1, 2, 5, 60}) {
        SCOPED_TRACE(m);
        resetEngineForCase();
        NoComponents = 1;
        TimeStep = 0.1;
        TransInnerIter = m;
        iterGlobalMax = 30;
        const double k = 0.5, kdt = k * TimeStep, C0 = 2.0;
        channel(3, 3, 3, 1.0, 1.0, 0.5, 0.0, 0.0);
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j)
                for (int kk = 0; kk <= 4; ++kk) comp[0][i][j][kk] = C0;
        term(0, 2, 0, 0, -k);
        componentsOnFlow();
        const double step = (1.0 - std::pow(-kdt, m + 1)) / (1.0 + kdt);
        const double expected = C0 * std::pow(step, 30);
        const double exact = C0 * std::exp(-k * 30 * TimeStep);
        for (int i = 2; i <= 3; ++i)
            for (int j = 2; j <= 3; ++j)
                for (int kk = 2; kk <= 3; ++kk) {
                    EXPECT_NEAR(comp[0][i][j][kk], expected, 1e-12 * expected);
                    EXPECT_NEAR(comp[0][i][j][kk] / exact, 1.0, 30 * kdt * kdt);
                }
        EXPECT_DOUBLE_EQ(stime, 30 * TimeStep);
    }
}

// 5 x 5 x 3 cells of still water with diffusion, dt 1 s.
void stillPool(int steps, int inner) {
    NoComponents = 2;
    TimeStep = 1.0;
    iterGlobalMax = steps;
    TransInnerIter = inner;
    WaterQualityTest::channel(6, 6, 4, 1.0, 1.0, 0.5, 0.0, 50.0);
}

TEST_F(Components, BoxesActFromTheirStartPlusADelayAndHoldTheirCells) {
    struct Case {
        int steps, inner;
        double start, end;
        bool held;
    };
    // A G 17 box (start 0) acts from the second step; a G 18 box from the
    // step starting at or after start + 1e-7; its end closes it.
    const Case cases[] = {
        {1, 1, 0.0, 1e20, false}, {2, 1, 0.0, 1e20, true},  {2, 4, 0.0, 1e20, true},
        {3, 1, 2.0, 1e20, false}, {4, 1, 2.0, 1e20, true},  {4, 1, 0.0, 1.5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.steps << " steps, window " << c.start << ".." << c.end);
        resetEngineForCase();
        stillPool(c.steps, c.inner);
        box(1, 5.0, 4, 4, 4, 4, 3, 3, c.start, c.end);
        box(-1, 9.0, 2, 6, 2, 6, 2, 4);  // switched off
        componentsOnFlow();
        if (c.held) {
            EXPECT_NEAR(comp[1][4][4][3], 5.0, 1e-12);  // a fixed-value cell: 1e30 v / 1e30
            EXPECT_GT(comp[1][5][4][3], 0.0);  // the neighbours feel it
            EXPECT_GT(comp[1][4][4][2], 0.0);
        } else if (c.end > 2.0) {
            EXPECT_EQ(comp[1][4][4][3], 0.0);
        } else {
            EXPECT_LT(comp[1][4][4][3], 5.0);  // released after its end, diffusing away
            EXPECT_GT(comp[1][4][4][3], 0.0);
        }
        for (int i = 2; i <= 6; ++i) EXPECT_EQ(comp[0][i][3][3], 0.0);
    }
}

TEST_F(Components, SteadyBoxesAreWrittenOnceAndHeldThroughTheSolve) {
    for (int inner : {1, 4}) {
        resetEngineForCase();
        NoComponents = 1;
        TransInnerIter = inner;
        channel(6, 6, 4, 1.0, 1.0, 0.5, 0.0, 50.0);
        box(0, 5.0, 4, 4, 4, 4, 3, 3, 1e3, 2e3);  // the window is not looked at
        box(0, 1.0, 1, 1, 2, 6, 2, 4);
        componentsOnFlow();
        EXPECT_NEAR(comp[0][4][4][3], 5.0, 1e-12);
        EXPECT_EQ(comp[0][1][3][3], 1.0);
        EXPECT_GT(comp[0][3][4][3], 0.0);
        EXPECT_LT(comp[0][3][4][3], 5.0);
    }
}

// A steady cell without couplings keeps its value instead of dividing by 0.
TEST_F(Components, SteadyCellWithoutCouplingsKeepsItsValue) {
    NoComponents = 1;
    channel(4, 4, 3, 1.0, 1.0, 0.5, 0.0, 0.0);
    comp[0][3][3][2] = 2.5;
    componentsOnFlow();
    EXPECT_NEAR(comp[0][3][3][2], 2.5, 1e-12);
    EXPECT_EQ(comp[0][2][2][2], 0.0);
}

// The series: entries at 0, 2, 4 s with 1, 2, 3; the first entry at or after
// the step's start time, the last after the series, no interpolation.
TEST_F(Components, InflowValuesTakeTheFirstEntryAtOrAfterTheStepStart) {
    const struct {
        int steps;
        double value;
    } cases[] = {{1, 1.0}, {2, 2.0}, {3, 2.0}, {4, 3.0}, {7, 3.0}};
    for (auto c : cases) {
        SCOPED_TRACE(c.steps);
        resetEngineForCase();
        stillPool(c.steps, 1);
        TimeInNo = 3;
        FlagTimeiConc = 1;
        for (int t = 0; t < 3; ++t) {
            TimeInTime[t] = 2.0 * t;
            Cinn[t][0] = 1.0 + t;
            Cinn[t][1] = 10.0 + t;
        }
        componentsOnFlow();
        for (int j = 2; j <= 6; ++j)
            for (int k = 2; k <= 4; ++k) {
                EXPECT_EQ(comp[0][1][j][k], c.value);
                EXPECT_EQ(comp[1][1][j][k], c.value + 9.0);
                EXPECT_EQ(comp[0][0][j][k], 0.0);
            }
    }
    // With the second-order scheme (F 63 1) the layer i = 0 too.
    resetEngineForCase();
    SouComp = 1;
    sou[8] = 1;
    stillPool(1, 1);
    TimeInNo = 1;
    FlagTimeiConc = 1;
    Cinn[0][0] = 6.0;
    componentsOnFlow();
    for (int i = 0; i <= 1; ++i)
        for (int j = 2; j <= 6; ++j)
            for (int k = 2; k <= 4; ++k) EXPECT_EQ(comp[0][i][j][k], 6.0);
}

// Steps of the series' own length (0.5, 0.25, 0.25, ...): a still uniform
// field stays uniform, the time adds up.
TEST_F(Components, SeriesTimeStepsKeepAStillUniformFieldUniform) {
    stillPool(5, 2);
    TimeInNo = 3;
    FlagTimeiConc = 1;
    FlagJTime = 1;
    const double times[] = {0.0, 0.5, 1.0}, steps[] = {0.5, 0.25, 0.125};
    for (int t = 0; t < 3; ++t) {
        TimeInTime[t] = times[t];
        TimeInTimStep[t] = steps[t];
        Cinn[t][0] = 4.0;
    }
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 7; ++j)
            for (int k = 0; k <= 5; ++k) comp[0][i][j][k] = 4.0;
    componentsOnFlow();
    // stime at the step starts: 0 -> 0.5, 0.5 -> 0.25, 0.75 -> 0.125, 0.875, 1.0 -> 0.125
    EXPECT_DOUBLE_EQ(stime, 0.5 + 0.25 + 0.125 + 0.125 + 0.125);
    EXPECT_EQ(TimeStep, 0.125);
    for (int i = 2; i <= 6; ++i)
        for (int j = 2; j <= 6; ++j)
            for (int k = 2; k <= 4; ++k) EXPECT_NEAR(comp[0][i][j][k], 4.0, 1e-12);
}

TEST_F(Components, PassesAndInnerIterations) {
    // TimeStep exactly 1e-8: iterGlobalMax passes of the steady equations.
    NoComponents = 2;
    TimeStep = 1e-8;
    iterGlobalMax = 3;
    TransInnerIter = 2;
    channel(4, 3, 3, 1.0, 1.0, 0.5, 0.0, 1.0);
    componentsOnFlow();
    EXPECT_STREQ(mc_message, "Loop0 2 1 1");
    EXPECT_EQ(Equation, 9);
    EXPECT_EQ(stime, 0.0);

    // TransInnerIter 0 or no components: the time advances, nothing is solved.
    for (int components : {0, 1}) {
        resetEngineForCase();
        NoComponents = components;
        TimeStep = 0.5;
        iterGlobalMax = 4;
        TransInnerIter = components == 0 ? 1 : 0;
        channel(4, 3, 3, 1.0, 1.0, 0.5, 0.0, 1.0);
        setMessage("untouched");
        componentsOnFlow();
        EXPECT_STREQ(mc_message, "untouched");
        EXPECT_EQ(stime, 2.0);
    }
}

// Probe lines: the first record whose time lies below stime, else the last;
// Q the section mean and q the cell value, L the column mean, both divided
// once more by the number of cells; other letters write nothing.
TEST_F(Components, ProbeLinesOfTheComponentLetters) {
    stillPool(3, 1);
    TimeStep = 1.0;
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 7; ++j)
            for (int k = 0; k <= 5; ++k) comp[1][i][j][k] = 2.0;
    TimePrintNo = 2;
    TimePrint[0].time = 1.5;
    TimePrint[0].count = 1;
    TimePrint[0].letter[0] = 'q', TimePrint[0].iCell[0] = 3, TimePrint[0].jCell[0] = 3, TimePrint[0].kCell[0] = 3,
    TimePrint[0].index[0] = 1;
    TimePrint[1].time = 5.0;
    TimePrint[1].count = 3;
    const char letters[] = {'Q', 'u', 'L'};
    for (int p = 0; p < 3; ++p) {
        TimePrint[1].letter[p] = letters[p];
        TimePrint[1].iCell[p] = 3, TimePrint[1].jCell[p] = 4, TimePrint[1].kCell[p] = 2;
        TimePrint[1].index[p] = 1;
    }
    quird_test::writeFile("timeo", "old\n");
    componentsOnFlow();
    // stime 1 is below the first record's time: no line; at 2 and 3 the first record.
    char expected[200];
    std::snprintf(expected, sizeof expected, "%10.4e %10.6e \n%10.4e %10.6e \n", 2.0, 2.0, 3.0, 2.0);
    EXPECT_EQ(readFile("timeo"), expected);

    // A probe pass at stime equal to the first record's time uses the last record.
    resetEngineForCase();
    stillPool(1, 1);
    TimeStep = 1.0;
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 7; ++j)
            for (int k = 0; k <= 5; ++k) comp[1][i][j][k] = 2.0;
    TimePrintNo = 2;
    TimePrint[0].time = 1.0;
    TimePrint[0].count = 0;
    TimePrint[1].time = 5.0;
    TimePrint[1].count = 3;
    for (int p = 0; p < 3; ++p) {
        TimePrint[1].letter[p] = letters[p];
        TimePrint[1].iCell[p] = 3, TimePrint[1].jCell[p] = 4, TimePrint[1].kCell[p] = 2;
        TimePrint[1].index[p] = 1;
    }
    componentsOnFlow();
    std::snprintf(expected, sizeof expected, "%10.4e %10.6e %10.6e \n", 1.0, 2.0 / 15.0, 2.0 / 3.0);
    EXPECT_EQ(readFile("timeo"), expected);
}

// A result writer in place of the real one: appends stime and a component
// value to `written` at every call.
bool recordResult() {
    FILE* fp = std::fopen("written", "a");
    std::fprintf(fp, "%.17g %.17g\n", stime, comp[0][3][3][2]);
    std::fclose(fp);
    return true;
}

// Result files every PrintRes passes, before the pass's solve: pass 0
// writes the state found on entry. A uniform decaying component in still
// water, one inner iteration: C0 (1 - k dt)^p at pass p.
TEST_F(Components, ResultFilesEveryPrintResPassesFromTheEntryState) {
    NoComponents = 1;
    TimeStep = 0.5;
    TransInnerIter = 1;
    iterGlobalMax = 5;
    PrintRes = 2;
    channel(4, 4, 3, 1.0, 1.0, 0.5, 0.0, 0.0);
    for (int i = 0; i <= 5; ++i)
        for (int j = 0; j <= 5; ++j)
            for (int k = 0; k <= 4; ++k) comp[0][i][j][k] = 8.0;
    term(0, 2, 0, 0, -0.2);
    outputWriters.byInterpolVal[0][0] = recordResult;
    componentsOnFlow();
    const auto lines = quird_test::readLines("written");
    ASSERT_EQ(lines.size(), 3u);
    for (int n = 0; n < 3; ++n) {
        double t, value;
        ASSERT_EQ(std::sscanf(lines[n].c_str(), "%lf %lf", &t, &value), 2);
        EXPECT_DOUBLE_EQ(t, 0.5 * (2 * n + 1));
        EXPECT_NEAR(value, 8.0 * std::pow(1.0 - 0.1, 2 * n), 1e-12);
    }
}

TEST_F(Components, FilesThatCannotBeOpenedEndTheRunWithMinus3) {
    // boogie at entry
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf([] { ::Components(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    std::filesystem::remove("boogie");

    // timeo for a probe line: the result writer of pass 0 puts a folder in
    // its place, the probe line of pass 1 cannot open it.
    resetEngineForCase();
    stillPool(3, 1);
    PrintRes = 1;
    TimePrintNo = 1;
    TimePrint[0].count = 0;
    outputWriters.byInterpolVal[0][0] = [] {
        std::filesystem::remove("timeo");
        std::filesystem::create_directory("timeo");
        return true;
    };
    EXPECT_EQ(exitCodeOf([] { componentsOnFlow(); }), -3);
    EXPECT_EQ(log(), "Can not open file 'timeo'\n");
}

TEST_F(Components, TimeoThatCannotBeTruncatedEndsTheRun) {
    stillPool(1, 1);
    TimePrintNo = 1;
    TimePrint[0].count = 0;
    std::filesystem::create_directory("timeo");
    EXPECT_EQ(exitCodeOf([] { componentsOnFlow(); }), -3);
}

// The restart files around run letter Q: the components read from
// compres.pre decay in still water without diffusion (cells uncoupled), and
// compres.new carries the decayed values, the component without a term
// unchanged.
TEST_F(Components, RestartValuesDecayIntoCompresNew) {
    NoComponents = 2;
    TimeStep = 0.1;
    TransInnerIter = 3;
    iterGlobalMax = 10;
    channel(4, 3, 3, 1.0, 1.0, 0.5, 0.0, 0.0);
    const auto restart = [](int c, int i, int j, int k) { return 1.0 + 3.0 * c + 0.1 * i + 0.01 * j + 0.001 * k; };
    quird_test::writeFile("compres.pre", quird_test::compresText(4, 3, 3, 2, restart));
    ASSERT_EQ(readConRes(), 4);
    const double k = 0.5, kdt = k * TimeStep;
    term(0, 2, 0, 0, -k);
    componentsOnFlow();
    ASSERT_EQ(writeConRes(), 0);

    const double factor = std::pow((1.0 - std::pow(-kdt, 4)) / (1.0 + kdt), 10);
    const auto lines = quird_test::readLines("compres.new");
    ASSERT_EQ(lines.size(), 3u + 5 * 4 * 2);
    for (size_t n = 3; n < lines.size(); ++n) {
        int i, j, kk;
        double v0, v1;
        ASSERT_EQ(std::sscanf(lines[n].c_str(), "%d %d %d %lf %lf", &i, &j, &kk, &v0, &v1), 5) << lines[n];
        const bool interior = i >= 2 && i <= 4 && j >= 2 && j <= 3;
        const double expected = restart(0, i, j, kk) * (interior ? factor : 1.0);
        EXPECT_NEAR(v0, expected, 1e-6 * expected) << lines[n];  // "%e": 7 digits
        EXPECT_NEAR(v1, restart(1, i, j, kk), 1e-6 * v1) << lines[n];
    }
}

}  // namespace
}  // namespace wqtest
