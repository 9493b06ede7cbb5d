// The flow-solver driver with doubles for its equation steps: the ways a
// call ends, the order of the steps, the log and result cadence, time levels,
// bed shear, cyclic inflow and the calls of a morphology driver.
#include <cmath>
#include <limits>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "flow3d/flow_fixture.h"
#include "control/engine.h"
#include "control/state.h"
#include "output/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"

using namespace quird_test;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---------------------------------------------------------------------------
// How a call ends.
// ---------------------------------------------------------------------------

struct StopCase {
    const char* name;
    std::function<void()> setup;  // after the box and the doubles
    int exitCode;                 // kNoExit: the call returns
    long iter;                    // Iter after the call
    int errorBreak;               // FlagErrorBreak after the call
    int flowFlag;                 // gFlagFlow after the call (1 before it)
    int sprintflows;
    std::vector<std::string> lines;  // appended to boogie, in this order
    const char* message;             // mc_message after the call ("" = not checked)
    friend void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }
};

class DriverStops : public FlowTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(DriverStops, EndTheCallAsTheTableSays) {
    const StopCase& c = GetParam();
    driverBox();
    iterGlobalMax = 200;
    gFlagFlow = 1;
    c.setup();
    const int code = exitCodeOf(WaterSolve);
    EXPECT_EQ(code, c.exitCode);
    const std::string log = boogie();
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\nin\n" << log;
        at = found + line.size();
    }
    if (code == -3) {
        EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    }
    if (code != kNoExit) return;
    EXPECT_EQ(Iter, c.iter);
    EXPECT_EQ(FlagErrorBreak, c.errorBreak);
    EXPECT_EQ(gFlagFlow, c.flowFlag);
    EXPECT_EQ(script.count("sprintflow"), c.sprintflows);
    if (*c.message) {
        EXPECT_STREQ(mc_message, c.message);
    }
}

// Not converged (0.01) before pass `from`, then r.
std::function<std::array<double, 7>(long, int)> from(long pass, double r, double cont = 0.0) {
    return [=](long iter, int) {
        const double v = iter < pass ? 0.01 : r;
        return std::array<double, 7>{v, v / 2, v / 4, v, v / 8, v / 16, iter < pass ? 0.0 : cont};
    };
}

// A steady pass that does not converge, with continuity defect `cont`.
std::function<std::array<double, 7>(long, int)> defect(double cont) { return from(3, 0.01, cont); }

void fluxesAtTheFaces() {
    flow1[1][2][2] = 1.5;
    flow1[1][3][3] = 0.25;
    flow1[xnumber][2][2] = 1.25;
    flow3[2][2][znumber] = 0.5;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DriverStops,
    ::testing::Values(
        StopCase{"converged_at_57", [] { script.residuals = from(57, 1e-4); }, kNoExit, 57, 0, 0, 1,
                 {"Solution converged\n"}, "Solution converged  "},
        StopCase{"diverged_above_1e10", [] { script.residuals = from(4, 2e10); }, kNoExit, 4, 1, 0, 0,
                 {"Solution diverged\n"}, "Solution diverged  "},
        StopCase{"exactly_at_the_divergence_limit", [] { script.residuals = from(4, 1e10); iterGlobalMax = 5; }, kNoExit, 6, 0, 0,
                 1, {}, ""},
        // A residual that is not a number counts as divergence, also when
        // every other residual is below the convergence criterion.
        StopCase{"residual_not_a_number",
                 [] {
                     script.residuals = [](long iter, int) {
                         return std::array<double, 7>{1e-5, 1e-5, 1e-5, 1e-5, iter < 3 ? 0.01 : kNaN, 1e-5, 0.0};
                     };
                 },
                 kNoExit, 3, 1, 0, 0, {"Solution diverged\n"}, "Solution diverged  "},
        StopCase{"residual_infinite",
                 [] {
                     script.residuals = [](long, int) {
                         return std::array<double, 7>{1e-5, HUGE_VAL, 1e-5, 1e-5, 1e-5, 1e-5, 0.0};
                     };
                 },
                 kNoExit, 1, 1, 0, 0, {"Solution diverged\n"}, "Solution diverged  "},
        StopCase{"continuity_defect",
                 [] {
                     NormResidual[4] = 4.0;
                     script.residuals = from(2, 0.01, -2e-6 * 4.0);
                     fluxesAtTheFaces();
                 },
                 kNoExit, 2, 1, 0, 0, {"Error in continuity-ssimple\n", "Fluxes: 1.750000 1.250000 0.500000\n"},
                 "Error in continuity  "},
        StopCase{"continuity_defect_below_the_limit",
                 [] {
                     NormResidual[4] = 4.0;
                     script.residuals = defect(0.9e-6 * 4.0);
                     iterGlobalMax = 4;
                 },
                 kNoExit, 5, 0, 0, 1, {}, ""},
        StopCase{"continuity_off_with_free_surface_mode",
                 [] {
                     script.residuals = defect(1.0);
                     FlagTFS = 4;
                     iterGlobalMax = 4;
                 },
                 kNoExit, 5, 0, 0, 1, {}, ""},
        StopCase{"continuity_off_with_cyclic_continuity",
                 [] {
                     script.residuals = defect(1.0);
                     FlagCyclicC = 1;
                     iterGlobalMax = 4;
                 },
                 kNoExit, 5, 0, 0, 1, {}, ""},
        StopCase{"converged_pass_ignores_its_defect", [] { script.residuals = from(3, 1e-4, 1.0); }, kNoExit, 3, 0, 0,
                 1, {"Solution converged\n"}, "Solution converged  "},
        StopCase{"zero_coefficient",
                 [] {
                     script.residuals = from(99, 0.01);
                     script.failAt = 2;
                 },
                 kNoExit, 2, 1, 1, 0, {}, ""},
        StopCase{"end_of_the_run",
                 [] {
                     script.residuals = from(99, 0.01);
                     iterGlobalMax = 6;
                 },
                 kNoExit, 7, 0, 0, 1, {}, ""},
        StopCase{"end_of_a_morphology_time_step",
                 [] {
                     script.residuals = from(99, 0.01);
                     FlagTSC = 1;
                     Iter = iterGlobalMax = 6;
                 },
                 kNoExit, 7, 0, 0, 0, {}, ""},
        StopCase{"log_cannot_be_opened",
                 [] {
                     script.residuals = from(99, 0.01);
                     std::filesystem::create_directory("boogie");
                 },
                 -3, 0, 0, 0, 0, {}, ""},
        StopCase{"grid_generator_letter", [] { debugging = 'Q'; }, -5, 0, 0, 0, 0,
                 {"Error: The F 1 Q data set in the control file is only used when generating\n",
                  "the grid. It is not used when running the program\n\n"},
                 ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The zero-coefficient return leaves the rest of the pass undone, and a
// flag set before the call stays set when nothing fails.
TEST_F(FlowTest, ZeroCoefficientEndsThePassAtTheMomentumStep) {
    driverBox();
    script.residuals = from(99, 0.01);
    script.failAt = 2;
    WaterSolve();
    ASSERT_EQ(script.trace.back(), "momentum@2");
    EXPECT_EQ(script.count("pressure"), 1);

    script = DriverScript{};
    script.residuals = from(99, 0.01);
    iterGlobalMax = 2;
    FlagErrorBreak = 1;
    WaterSolve();
    EXPECT_EQ(FlagErrorBreak, 1);
    EXPECT_EQ(Iter, 3);
}

// ---------------------------------------------------------------------------
// Order of the steps.
// ---------------------------------------------------------------------------

TEST_F(FlowTest, FirstCallPreparesThenIteratesInTheOrderOfTheSteps) {
    driverBox();
    FlagInitialized = 0;
    TransInnerIter = 2;
    iterGlobalMax = 2;
    script.residuals = from(99, 0.01);
    WaterSolve();
    EXPECT_EQ(FlagInitialized, 1);
    const std::vector<std::string> pass = {"momentum", "pressure", "turbulence"};
    std::vector<std::string> expected = {"startup@0", "boundary@0", "waterflow@0"};
    for (long iter = 1; iter <= 2; ++iter)
        for (int n = 1; n <= 2; ++n) {
            if (!(iter == 1 && n == 1)) expected.push_back("boundary@" + std::to_string(iter));
            for (const std::string& s : pass) expected.push_back(s + "@" + std::to_string(iter));
        }
    expected.push_back("sprintflow@3");
    EXPECT_EQ(script.trace, expected);

    // A second call keeps the flow field: no first-call boundary values and fluxes.
    script = DriverScript{};
    script.residuals = from(99, 0.01);
    iterGlobalMax = 1;
    TransInnerIter = 1;
    WaterSolve();
    EXPECT_EQ(script.trace, (std::vector<std::string>{"startup@3", "momentum@1", "pressure@1", "turbulence@1",
                                                      "sprintflow@2"}));
}

TEST_F(FlowTest, TurbulencePassesFollowTheModel) {
    struct Row {
        int model, fluxTurb, early, main;
    };
    driverBox();
    for (const Row r : {Row{0, 2, 1, 0}, Row{1, 0, 0, 1}, Row{0, 1, 0, 1}, Row{5, 0, 0, 0}, Row{8, 0, 0, 1},
                        Row{9, 1, 0, 1}, Row{13, 0, 0, 0}, Row{14, 1, 0, 1}, Row{20, 0, 0, 1}, Row{3, 2, 0, 0},
                        Row{8, 2, 0, 0}, Row{0, 3, 0, 0}}) {
        TurbulenceModel = r.model;
        FlagFluxTurb = r.fluxTurb;
        iterGlobalMax = 1;
        script = DriverScript{};
        WaterSolve();
        EXPECT_EQ(script.count("turbulenceEarly"), r.early) << r.model << " " << r.fluxTurb;
        EXPECT_EQ(script.count("turbulence"), r.main) << r.model << " " << r.fluxTurb;
    }
}

TEST_F(FlowTest, TemperatureStepOnlyInTransientRunsWithTemperature) {
    struct Row {
        double timeStep;
        int temp, calls;
    };
    for (const Row r : {Row{1.0, 1, 2}, Row{1.0, 0, 0}, Row{1e-20, 1, 0}}) {
        TimeStep = r.timeStep;
        FlagTemp = r.temp;
        driverBox();
        iterGlobalMax = 2;
        TimeInNo = 1;  // the inflow temperature comes from a time series
        script = DriverScript{};
        script.residuals = from(99, 0.01);
        WaterSolve();
        EXPECT_EQ(script.count("temperature"), r.calls) << r.timeStep << " " << r.temp;
        SetArraysZero();
    }
}

// A surface update that moves the grid makes the next inner iteration derive
// the geometry and the start-up state anew, then the boundary values twice.
TEST_F(FlowTest, MovedGridIsRederivedAtTheNextInnerIteration) {
    driverBox();
    FlagTFS = 1;
    iterGlobalMax = 2;
    script.residuals = from(99, 0.01);
    script.onStep = [](const std::string& step) {
        if (step == "surface_tfs") FlagGridChange = 1;
    };
    xval[3][2] = 7.5;
    yval[3][2] = -1.5;
    WaterSolve();
    const std::vector<std::string> pass2(script.trace.begin() + 5, script.trace.end());
    EXPECT_EQ(pass2, (std::vector<std::string>{"metric@2", "smetric@2", "startup@2", "boundary@2", "waterflow@2",
                                               "boundary@2", "momentum@2", "pressure@2", "turbulence@2",
                                               "surface_tfs@2", "sprintflow@3"}));
    EXPECT_EQ(FlagGridChange, 1);  // set again by the last update
    EXPECT_EQ(Xc[3][2][4], 7.5);
    EXPECT_EQ(Yc[3][2][1], -1.5);
}

// With the transient free surface: grid-line lengths once per call, tiny
// pressures flushed to 0 at the top of each pass; the top pressure kept as a
// running mean for the surface update.
TEST_F(FlowTest, FreeSurfaceBookkeeping) {
    driverBox();
    FlagTFS = 1;
    TFSuslope = 0.5;
    PresRegres = 1;
    iterGlobalMax = 2;
    script.residuals = from(99, 0.01);
    script.onStep = [](const std::string& step) {
        if (step == "momentum") Pres[2][2][znumber] = 10.0 * Iter;
    };
    Pres[3][3][3] = 1e-21;
    Pres[3][3][2] = -2e-20;
    WaterSolve();
    EXPECT_EQ(Pres[3][3][3], 0.0);
    EXPECT_EQ(Pres[3][3][2], -2e-20);
    EXPECT_EQ(RegIter, 2);
    EXPECT_EQ(Pres[2][2][znumber + 1], 15.0);  // 10, then (20 + 10) / 2
    EXPECT_EQ(LineI[3][2], 1.0);
    EXPECT_EQ(LineJ[2][3], 0.5);
    EXPECT_EQ(LineI[1][2], 0.0);
}

// ---------------------------------------------------------------------------
// Log lines.
// ---------------------------------------------------------------------------

std::vector<long> loggedPasses(const std::string& log) {
    std::vector<long> out;
    const std::regex line("Iter: (\\d+), Resid:");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        out.push_back(std::stol((*it)[1]));
    return out;
}

TEST_F(FlowTest, DefaultPrintCadenceLogsTheFirstTensHundredsAndTheLast) {
    driverBox();
    iterGlobalMax = 250;
    script.residuals = from(999, 0.01);
    WaterSolve();
    std::vector<long> expected = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200, 250};
    EXPECT_EQ(loggedPasses(boogie()), expected);
}

TEST_F(FlowTest, PassLinesHaveTheirFormats) {
    FlagTemp = 1;
    driverBox();
    iterGlobalMax = 1;
    script.residuals = [](long, int) { return std::array<double, 7>{0.0125, 2.5e-3, 1e-11, 0.5, 3.0, 0.04, -2.5e-7}; };
    script.onStep = [](const std::string& step) {
        if (step != "pressure") return;
        DefMax = 1.5e-7;
        DefMaxCell = CellIndex{3, 2, 4};
        xvel[3][2][4] = 0.75;
        yvel[3][2][4] = -0.125;
        zvel[3][2][4] = 1e-3;
    };
    WaterSolve();
    EXPECT_EQ(boogie(),
              "Iter: 1, Resid: 1.25e-02 2.50e-03 1.00e-11 5.00e-01 3.00e+00 4.00e-02\n"
              "Cont: -2.50e-07, DefMax: 1.50e-07, U,V,W(3,2,4): 7.50e-01 -1.25e-01 1.00e-03\n"
              "Temp. residual: 0.000000\n");
    EXPECT_STREQ(mc_message, "1 ResMax: 3.00e+00 for eq: 5");
}

// The DefMax cell starts every call at (1, 1, 1).
TEST_F(FlowTest, DefMaxCellStartsAtTheCorner) {
    driverBox();
    DefMaxCell = CellIndex{4, 3, 2};
    iterGlobalMax = 1;
    xvel[1][1][1] = 0.5;
    WaterSolve();
    EXPECT_TRUE(contains(boogie(), "U,V,W(1,1,1): 5.00e-01 0.00e+00 0.00e+00\n")) << boogie();
}

TEST_F(FlowTest, TransientStepEndedEarlyWritesNoPassLinesButItsResults) {
    TimeStep = 1.0;
    driverBox();
    TransInnerIter = 10;
    PrintIterRes = 1;
    iterGlobalMax = 3;
    script.residuals = allResiduals([](long, int inner) { return inner < 4 ? 1e-3 : 1e-8; });
    WaterSolve();
    EXPECT_EQ(loggedPasses(boogie()), std::vector<long>{});
    EXPECT_EQ(script.count("pressure"), 12);
    EXPECT_EQ(script.iters("sprintflow"), (std::vector<long>{1, 2, 3, 4}));
}

TEST_F(FlowTest, DebuggingLettersChooseTheLoggedPassesAndTimerLines) {
    struct Row {
        char letter;
        int threads;
        int passes, timerLines;
    };
    driverBox();
    for (const Row r : {Row{'D', 0, 12, 0}, Row{'D', 1, 12, 33 * 12}, Row{'P', 0, 11, 33 * 11}, Row{'N', 1, 11, 0}}) {
        debugging = r.letter;
        NoProcessesSolver = r.threads;
        iterGlobalMax = 12;
        script = DriverScript{};
        script.residuals = from(99, 0.01);
        WaterSolve();
        const std::string log = boogie();
        EXPECT_EQ(loggedPasses(log).size(), static_cast<std::size_t>(r.passes)) << r.letter;
        const std::regex timer("OpenMP (\\d+) = -?[0-9.e+-]+\n");
        const auto n = std::distance(std::sregex_iterator(log.begin(), log.end(), timer), std::sregex_iterator());
        EXPECT_EQ(n, r.timerLines) << r.letter << " " << r.threads;
        if (r.timerLines > 0) {
            EXPECT_TRUE(contains(log, "OpenMP 1 = ") && contains(log, "OpenMP 33 = "));
        }
        std::filesystem::remove("boogie");
    }
}

TEST_F(FlowTest, StatusTextsNameTheLargestResidual) {
    struct Row {
        std::array<double, 7> r;
        const char* message;
    };
    driverBox();
    for (const Row& row : {Row{{0.02, 0.01, 0.0, 0.0, 0.02, 0.0, 0.0}, "1 ResMax: 2.00e-02 for eq: 1"},
                           Row{{0.0, 0.01, 0.0, 0.03, 0.02, 0.0, 0.0}, "1 ResMax: 3.00e-02 for eq: 4"},
                           Row{{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0}, "1 ResMax: 0.00e+00 for eq: 0"},
                           Row{{-1.0, -0.5, 0.0, 0.0, 0.0, 0.0, 0.0}, "1 ResMax: 0.00e+00 for eq: 0"}}) {
        FlagTFS = 4;  // no convergence return needed: the residuals stand as they are
        TimeStep = 1e-8;
        iterGlobalMax = 1;
        script = DriverScript{};
        script.residuals = [&row](long, int) { return row.r; };
        zvel[2][2][2] = -0.0625;
        WaterSolve();
        EXPECT_STREQ(mc_message, row.message);
        EXPECT_STREQ(mc_v2, "zvel[2][2][2]: -6.25e-02");
    }
}

// A pause that nothing could end is shown once per call and not waited for.
TEST_F(FlowTest, PauseIsShownOnceAndNotWaitedFor) {
    driverBox();
    PauseFlag = 3;
    iterGlobalMax = 2;
    script.residuals = from(99, 0.01);
    std::vector<std::string> seen;
    script.onStep = [&seen](const std::string& step) {
        if (step == "momentum") seen.push_back(mc_message);
    };
    WaterSolve();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "PauseFlag = 3");
    EXPECT_EQ(seen[1], "1 ResMax: 1.00e-02 for eq: 1");
    EXPECT_EQ(Iter, 3);
}

// ---------------------------------------------------------------------------
// Result files and surface updates.
// ---------------------------------------------------------------------------

struct CadenceCase {
    const char* name;
    std::function<void()> setup;
    int calls;      // calls of WaterSolve, each to iterGlobalMax
    long last;      // iterGlobalMax
    double residual;
    std::vector<long> sprintflow, writespider, surface, surfaceTfs, forcelog;
    friend void PrintTo(const CadenceCase& c, std::ostream* os) { *os << c.name; }
};

class DriverCadence : public FlowTest, public ::testing::WithParamInterface<CadenceCase> {};

TEST_P(DriverCadence, CallsTheWritersAndUpdatesAtTheirPasses) {
    const CadenceCase& c = GetParam();
    driverBox();
    iterGlobalMax = c.last;
    c.setup();
    const double r = c.residual;
    script.residuals = allResiduals([r](long, int) { return r; });
    for (int n = 0; n < c.calls; ++n) WaterSolve();
    EXPECT_EQ(script.iters("sprintflow"), c.sprintflow);
    EXPECT_EQ(script.iters("writespider"), c.writespider);
    EXPECT_EQ(script.iters("surface"), c.surface);
    EXPECT_EQ(script.iters("surface_tfs"), c.surfaceTfs);
    EXPECT_EQ(script.iters("forcelog"), c.forcelog);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DriverCadence,
    ::testing::Values(
        // Passes are counted over the calls: the 3rd and the 6th of all.
        CadenceCase{"pass_counted_over_calls", [] { PrintIterRes = 3; }, 2, 4, 0.01, {3, 5, 2, 5}, {}, {}, {}, {}},
        CadenceCase{"pass_counted_with_grid_files",
                    [] {
                        PrintIterRes = 3;
                        FlagTFS = 4;
                    },
                    2, 4, 0.01, {3, 5, 2, 5}, {3, 2}, {}, {}, {}},
        CadenceCase{"numbered_every_third_iteration", [] { PrintRes = 3; }, 1, 7, 0.01, {3, 6, 8}, {}, {}, {}, {}},
        CadenceCase{"no_interval", [] { PrintIterRes = 0; }, 1, 4, 0.01, {5}, {}, {}, {}, {}},
        CadenceCase{"pressure_surface_every_second",
                    [] { IterSurface = 2; }, 1, 5, 0.005, {6}, {}, {2, 4}, {}, {}},
        CadenceCase{"pressure_surface_not_above_conv_surface",
                    [] { IterSurface = 2; }, 1, 5, 0.02, {6}, {}, {}, {}, {}},
        CadenceCase{"pressure_surface_needs_free_surface",
                    [] {
                        IterSurface = 2;
                        FlagRoof = 0;
                    },
                    1, 5, 0.005, {6}, {}, {}, {}, {}},
        CadenceCase{"no_surface_interval", [] { IterSurface = 0; }, 1, 5, 0.005, {6}, {}, {}, {}, {}},
        CadenceCase{"surface_after_every_pass", [] { FlagTFS = 2; }, 1, 3, 0.5, {4}, {}, {1, 2, 3}, {}, {}},
        CadenceCase{"no_surface_without_inner_iterations",
                    [] {
                        FlagTFS = 3;
                        TransInnerIter = 0;
                    },
                    1, 3, 0.5, {4}, {}, {}, {}, {}},
        // Without inner iterations the transient surface update still follows every pass.
        CadenceCase{"transient_surface_without_inner_iterations",
                    [] {
                        FlagTFS = 1;
                        TransInnerIter = 0;
                    },
                    1, 3, 0.5, {4}, {}, {}, {1, 2, 3}, {}},
        CadenceCase{"no_surface_above_10000", [] { FlagTFS = 2; }, 1, 3, 2e4, {4}, {}, {}, {}, {}},
        CadenceCase{"transient_surface_with_block_forces",
                    [] {
                        FlagTFS = 1;
                        OutBlockNo = 1;
                        PrintIterForce = 2;
                    },
                    1, 4, 0.5, {5}, {}, {}, {1, 2, 3, 4}, {2, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Time levels.
// ---------------------------------------------------------------------------

// Each pass's momentum step sets the field to the pass number; the levels the
// step sees were renewed at the top of its pass (0.5 is the start field).
TEST_F(FlowTest, TimeLevelsFollowTheTimeOrder) {
    struct Row {
        int order;
        std::vector<double> old, old2, kOld2;  // seen in passes 1, 2, 3 (empty: level absent)
    };
    for (const Row& r : {Row{0, {0.5, 1, 2}, {}, {}}, Row{1, {0.5, 1, 2}, {0.5, 0.5, 1}, {}},
                         Row{2, {0.5, 1, 2}, {0.5, 0.5, 1}, {0.5, 0.5, 1}}}) {
        TimeStep = 1.0;
        FlagTimeOrder = r.order;
        driverBox();
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) xvel[i][j][k] = kinen[i][j][k] = 0.5;
        iterGlobalMax = 3;
        std::vector<double> old, old2, kOld2;
        script = DriverScript{};
        script.onStep = [&](const std::string& step) {
            if (step != "momentum") return;
            old.push_back(xvel_old[6][5][0]);
            if (!xvel_old2.isNull()) old2.push_back(xvel_old2[1][1][5]);
            if (!kinen_old2.isNull()) kOld2.push_back(kinen_old2[3][2][2]);
            EXPECT_EQ(kinen_old[3][2][2], xvel_old[6][5][0]);
            for (int i = 0; i <= xnumber + 2; ++i)
                for (int j = 0; j <= ynumber + 2; ++j)
                    for (int k = 0; k <= znumber + 2; ++k) xvel[i][j][k] = kinen[i][j][k] = static_cast<double>(Iter);
        };
        WaterSolve();
        EXPECT_EQ(old, r.old) << r.order;
        EXPECT_EQ(old2, r.old2) << r.order;
        EXPECT_EQ(kOld2, r.kOld2) << r.order;
        SetArraysZero();
    }
}

// A time step of exactly 1e-8 s is neither steady nor transient.
TEST_F(FlowTest, TimeStepOf1e8IsNeitherSteadyNorTransient) {
    TimeStep = 1.0;
    FlagTimeOrder = 1;
    driverBox();
    TimeStep = 1e-8;
    TransInnerIter = 3;
    iterGlobalMax = 2;
    xvel[2][2][2] = 0.5;
    WaterSolve();  // every residual 0: below the criterion and the break limit
    EXPECT_EQ(Iter, 3);
    EXPECT_EQ(script.count("pressure"), 6);
    EXPECT_EQ(xvel_old[2][2][2], 0.0);
    EXPECT_EQ(xvel_old2[2][2][2], 0.0);
}

// A transient run of its own starts its clock at 0; it never converges.
TEST_F(FlowTest, TransientRunStartsAtTimeZeroAndRunsToTheLastStep) {
    TimeStep = 1.0;
    driverBox();
    stime = 42.0;
    iterGlobalMax = 3;
    WaterSolve();
    EXPECT_EQ(stime, 0.0);
    EXPECT_EQ(Iter, 4);
    EXPECT_EQ(script.count("pressure"), 3);
}

// ---------------------------------------------------------------------------
// Bed shear stress.
// ---------------------------------------------------------------------------

TEST_F(FlowTest, BedShearByTurbulenceModel) {
    constexpr double kU = 1.0, kV = 0.5, kKs = 0.01, kUnset = -2.0;
    // Rough-wall log law: tau = rho (kappa |u| / ln(30 z / ks))^2, z the
    // height of the bed cell centre (half of 0.25 m).
    const double logLaw = 1000.0 * std::pow(0.4 * std::hypot(kU, kV) / std::log(30 * 0.125 / kKs), 2);
    struct Row {
        int model, maxShear, bedDLL;
        double expected;
    };
    driverBox(5, 4, 4);
    for (const Row r : {Row{3, 0, 0, logLaw}, Row{7, 0, 1, logLaw}, Row{0, 0, 0, 300.0 * 2}, Row{1, 0, 0, 300.0 * 2},
                        Row{0, 3, 0, 300.0 * 4}, Row{15, 1, 0, 300.0 * 3}, Row{0, -1, 0, kUnset},
                        Row{8, 0, 0, kUnset}, Row{14, 0, 0, kUnset}, Row{5, 0, 0, kUnset}, Row{0, 0, 1, kUnset},
                        Row{16, 0, 2, kUnset}}) {
        TurbulenceModel = r.model;
        FlagMaxShear = r.maxShear;
        FlagBedDLL = r.bedDLL;
        iterGlobalMax = 1;
        script.residuals = from(99, 0.01);
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                bedshear[i][j] = kUnset;
                Xks[i][j] = kKs;
                xvel[i][j][2] = kU;
                yvel[i][j][2] = kV;
                for (int k = 0; k <= znumber + 2; ++k) kinen[i][j][k] = k;
                kinen[i][j][znumber + 1] = 99.0;  // above the top cell: never taken
            }
        WaterSolve();
        const std::string row = std::to_string(r.model) + " " + std::to_string(r.maxShear) + " " +
                                std::to_string(r.bedDLL);
        EXPECT_NEAR(bedshear[2][2], r.expected, 1e-5 * std::fabs(r.expected)) << row;
        EXPECT_NEAR(bedshear[1][2], r.expected, 1e-5 * std::fabs(r.expected)) << row;
        EXPECT_NEAR(bedshear[xnumber + 1][ynumber], r.expected, 1e-5 * std::fabs(r.expected)) << row;
        EXPECT_EQ(bedshear[2][1], kUnset) << row;
        EXPECT_EQ(bedshear[2][ynumber + 1], kUnset) << row;
    }
}

// ---------------------------------------------------------------------------
// Cyclic inflow at convergence.
// ---------------------------------------------------------------------------

// The outflow plane X+1 carries u 2, v 0.3, w 0.1, k 0.01, epsilon 0.002;
// the inflow plane u 1.
void cyclicPlanes() {
    for (int j = 0; j <= ynumber + 2; ++j)
        for (int k = 0; k <= znumber + 2; ++k) {
            xvel[1][j][k] = 1.0;
            xvel[xnumber + 1][j][k] = 2.0;
            yvel[xnumber + 1][j][k] = 0.3;
            zvel[xnumber + 1][j][k] = 0.1;
            kinen[xnumber + 1][j][k] = 0.01;
            epsilon[xnumber + 1][j][k] = 0.002;
        }
}

TEST_F(FlowTest, CyclicInflowCopiesTheConvergedOutflowTwice) {
    for (int Y : {5, 4}) {
        driverBox(5, Y, 4);
        FlagCyclic = -2;
        CyclicCount = 0;
        script = DriverScript{};
        script.residuals = from(1, 1e-4);
        cyclicPlanes();
        WaterSolve();
        EXPECT_EQ(Iter, 3) << Y;
        EXPECT_EQ(CyclicCount, 2) << Y;
        EXPECT_EQ(script.count("sprintflow"), 1) << Y;
        // Rescaled so that the inflow discharge is that before the copy.
        EXPECT_DOUBLE_EQ(xvel[1][2][2], 1.0) << Y;
        EXPECT_DOUBLE_EQ(xvel[1][ynumber][znumber], 1.0) << Y;
        EXPECT_EQ(yvel[1][3][3], Y > 4 ? 0.3 : 0.0) << Y;
        EXPECT_EQ(zvel[1][3][3], 0.1) << Y;
        EXPECT_EQ(kinen[1][3][3], 0.01) << Y;
        EXPECT_EQ(epsilon[1][3][3], 0.002) << Y;
        EXPECT_EQ(zvel[1][1][3], 0.0) << Y;  // outside j 2..ynumber

        // A second call of the process makes no more copies.
        script = DriverScript{};
        script.residuals = from(1, 1e-4);
        zvel[1][3][3] = 0.0;
        WaterSolve();
        EXPECT_EQ(Iter, 1) << Y;
        EXPECT_EQ(CyclicCount, 2) << Y;
        EXPECT_EQ(zvel[1][3][3], 0.0) << Y;
        SetArraysZero();
    }
}

TEST_F(FlowTest, CyclicCopyOfAnOutflowPlaneWithoutDischargeIsSkipped) {
    driverBox(5, 5, 4);
    FlagCyclic = -2;
    script.residuals = from(1, 1e-4);
    cyclicPlanes();
    for (int j = 0; j <= ynumber + 2; ++j)
        for (int k = 0; k <= znumber + 2; ++k) xvel[xnumber + 1][j][k] = yvel[xnumber + 1][j][k] = 0.0;
    WaterSolve();
    EXPECT_EQ(Iter, 1);
    EXPECT_EQ(CyclicCount, 0);
    EXPECT_EQ(xvel[1][3][3], 1.0);
    EXPECT_EQ(zvel[1][3][3], 0.0);
    EXPECT_EQ(boogie(), "Iter: 1, Resid: 1.00e-04 5.00e-05 2.50e-05 1.00e-04 1.25e-05 6.25e-06\n"
                        "Cont: 0.00e+00, DefMax: 0.00e+00, U,V,W(1,1,1): 1.00e+00 0.00e+00 0.00e+00\n"
                        "Cyclic copy skipped: no discharge through the outflow plane\n"
                        "Solution converged\n");
}

// ---------------------------------------------------------------------------
// A time step of a morphology driver.
// ---------------------------------------------------------------------------

TEST_F(FlowTest, MorphologyTimeStepMakesOnePassAtTheCallersIteration) {
    TimeStep = 1.0;
    driverBox();
    FlagTSC = 1;
    TimePrintNo = 1;
    Iter = iterGlobalMax = 7;
    FlagPrint = 1;
    stime = 35.0;
    otime[0] = -1.0;
    WaterSolve();
    EXPECT_EQ(script.iters("momentum"), std::vector<long>{7});
    EXPECT_EQ(Iter, 8);
    EXPECT_EQ(script.count("timeoStart") + script.count("timeoLine"), 0);
    EXPECT_EQ(script.count("sprintflow"), 0);
    EXPECT_EQ(FlagPrint, 1);
    EXPECT_EQ(stime, 35.0);
    EXPECT_EQ(otime[0], -1.0);

    // The run of its own writes the probe lines.
    SetArraysZero();
    TimeStep = 1.0;
    driverBox();
    FlagTSC = 0;
    iterGlobalMax = 4;
    PrintIterTime = 2;
    script = DriverScript{};
    WaterSolve();
    EXPECT_EQ(script.count("timeoStart"), 1);
    EXPECT_EQ(script.iters("timeoLine"), (std::vector<long>{2, 4}));
}

}  // namespace
