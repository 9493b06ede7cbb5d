// The transient morphology driver in process on the sediment fixtures: the
// start checks, the roads of Hydrostatic and of a flow failure, the clip of
// the reference concentration, the bed-cell rule, the sediment mass over a
// held flow, the cap of the second-order scheme, the steep-cell reset,
// the flux renewal and the choice of the sediment solver. The flow solver, the bed-level update and the result
// writers are doubles that count their calls.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/engine.h"
#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "morphology/tsc_driver.h"
#include "output/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "morphology/tsc_fixture.h"
#include "support/grids.h"
#include "support/testing.h"

using quird_test::exitCodeOf;
using quird_test::kNoExit;
using namespace tsctest;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// ---------------------------------------------------------------------------
// Start checks, in their order; each row ends the run or passes.
// ---------------------------------------------------------------------------
struct StartCase {
    const char* name;
    int fractions;
    std::function<void()> arrange;
    int exitCode;
    std::vector<const char*> lines;  // in the log, in order
    bool columnsLooked;              // BedMove cleared (the columns were reached)
};

class StartChecks : public TscDriver, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartChecks, RefuseOrPass) {
    const StartCase& c = GetParam();
    channel(c.fractions);
    iterGlobalMax = 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) BedMove[i][j] = 7.0;
    c.arrange();
    EXPECT_EQ(run(), c.exitCode);
    const std::string text = log();
    expectLinesInOrder(text, c.lines);
    EXPECT_EQ(BedMove[2][2] == 0.0, c.columnsLooked);
    if (c.exitCode != kNoExit) {
        EXPECT_FALSE(contains(text, "In morphology_tsc")) << text;
    }
}

// The movable thickness of every column is 1e-20 m times `factor`.
void thinBed(double factor) {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) Surfaces[3][i][j] = zval[i][j][0] - factor * 1e-20;
}

const char* kThinLines[] = {
    "Error in specifying the limit of the movable bed/the active layer. The thickness of the active layer has to "
    "have a physically reasonable positive value\nThe value for cell (2,2) is 0.000000\n",
    "The thickness of the active layer should normally not be too much lower than the sediment size\n",
    "If you are using a koomin file, you should lower the vertical values slightly\n"};

INSTANTIATE_TEST_SUITE_P(
    Morphology, StartChecks,
    ::testing::Values(
        StartCase{"timeo_cannot_be_emptied", 1,
                  [] {
                      TimePrintNo = 1;
                      std::filesystem::create_directory("timeo");
                  },
                  -3,
                  {"cannot open file 'timeo' \n"},
                  false},
        StartCase{"fractions_20_refused", 20, [] {}, 1, {"Error- Increase nsm in osimorp and recompile\n"}, false},
        StartCase{"side_block_sources_warned", 2, [] { SedSourceNo = 1; }, kNoExit,
                  {"Warning, bed grain size distribution can not be \nrecalculated for sediments flowing into the side "
                   "block\n\n",
                   "In morphology_tsc"},
                  true},
        StartCase{"fractions_19_run", 19, [] {}, kNoExit, {"In morphology_tsc"}, true},
        StartCase{"bed_layer_form_2_refused", 1, [] { FlagFracVer = 2; }, 1, {"Error for F 303 in control\n"},
                  false},
        StartCase{"blocked_boxes_on_blocks_refused", 1,
                  [] {
                      MBNo = 1;
                      OutBlockNo = 1;
                  },
                  1,
                  {"Error, Outblocking of elements can not be done for Multi-Block domain\n"},
                  false},
        StartCase{"thin_bed_refused", 1, [] { thinBed(0.999); }, 1, {kThinLines[0], kThinLines[1], kThinLines[2]},
                  true},
        StartCase{"thin_bed_at_the_limit_runs", 1, [] { thinBed(1.0); }, kNoExit, {"In morphology_tsc"}, true},
        StartCase{"bed_below_erodible_level_with_F302", 1,
                  [] {
                      thinBed(-1e17);
                      FlagDisableKoomintest = 1;
                  },
                  -44,
                  {"Error, startup, negative active bed layer at i,j=2 2\n"},
                  true},
        StartCase{"negative_inactive_layer_from_fracres", 1,
                  [] {
                      FlagReadFracres = 1;
                      BedGrainOriginal[0][3][4] = -0.1;
                  },
                  -45,
                  {"Error, startup, negative inactive bed layer at i,j=3 4\n"},
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TscDriver, LayersFromFracresKeptAndStartValuesSet) {
    channel();
    iterGlobalMax = 0;
    FlagReadFracres = 1;
    bedgrain[0][3][3] = 0.123;
    BedGrainOriginal[0][3][3] = 0.456;
    TSCMinDepth = -1.0;
    maxgrain = 0.0;
    EXPECT_EQ(run(), kNoExit);
    EXPECT_EQ(bedgrain[0][3][3], 0.123);
    EXPECT_EQ(BedGrainOriginal[0][3][3], 0.456);
    // A negative TSCMinDepth becomes 3 % of the half cell lengths of the
    // middle row (xnumber - 1 of them) over xnumber.
    EXPECT_NEAR(TSCMinDepth, 0.03 * (xnumber - 1) * 0.5 / xnumber, 1e-15);
    EXPECT_EQ(maxgrain, 0.001);
    EXPECT_EQ(LineI[3][2], 1.0);
    EXPECT_EQ(LineJ[3][3], 0.5);
    const std::string text = log();
    EXPECT_TRUE(contains(text, "\n ***** In morphology_tsc **********\n\nVolume of geometry: 9.600000e+00 qubic "
                               "meters\nBed concentration flags: 0 0 0 0 0 0\n"))
        << text;
}

TEST_F(TscDriver, LayersFromTheGridAndActiveLayerCleared) {
    for (int flag : {0, 2}) {
        SCOPED_TRACE(flag);
        channel();
        iterGlobalMax = 0;
        BedFlags[0] = flag;
        maxgrainRead = 0.2;
        FlagMaxgrainRead = 1;
        EXPECT_EQ(run(), kNoExit);
        EXPECT_EQ(maxgrain, 0.2);
        EXPECT_DOUBLE_EQ(bedgrain[0][4][3], flag == 2 ? 0.0 : 0.2);
        EXPECT_DOUBLE_EQ(bedgrain[1][4][3], flag == 2 ? 0.0 : 1.0);
        EXPECT_DOUBLE_EQ(BedGrainOriginal[0][4][3], 0.3);
    }
}

// ---------------------------------------------------------------------------
// The roads of Hydrostatic and of the step count.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, HydrostaticModesAndTheStepCount) {
    struct Case {
        int hydrostatic, steps, printRes;
        int waterSolve, bedchange, sprintflow;  // sprintflow: steps + the end (2 with F 48)
        long iterGlobalMaxAfter;
    } cases[] = {
        {0, 3, 0, 3, 3, 2, 3},    // a flow pass and a bed update each step
        {5, 3, 2, 3, 0, 2, 3},    // the flow solved, the bed fixed
        {2, 5, 2, 0, 0, 3 + 2, 5},  // frozen: results at steps 0, 2, 4
        {2, 0, 1, 0, 0, 2, 0},    // no step: only the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hydrostatic * 100 + c.steps);
        channel();
        calls = {};
        Hydrostatic = c.hydrostatic;
        iterGlobalMax = c.steps;
        PrintRes = c.printRes;
        FlagInterpolVal = 10;
        EXPECT_EQ(run(), kNoExit);
        EXPECT_EQ(calls.waterSolve, c.waterSolve);
        EXPECT_EQ(calls.bedchange, c.bedchange);
        EXPECT_EQ(calls.sprintflow, c.sprintflow);
        EXPECT_EQ(calls.writespider, 1);
        EXPECT_EQ(iterGlobalMax, c.iterGlobalMaxAfter);
        EXPECT_EQ(Iter, 1 + c.waterSolve);
        EXPECT_EQ(global_iter, c.steps);
        EXPECT_EQ(FlagInterpolVal, 10);
        EXPECT_DOUBLE_EQ(stime, c.steps * TimeStep);
        EXPECT_STREQ(mc_message, "Sediment calculation finished");
        char maxTime[100];
        std::snprintf(maxTime, sizeof maxTime, "Max time %lf sec.", c.steps * TimeStep);
        EXPECT_STREQ(mc_v2, maxTime);
        EXPECT_TRUE(std::filesystem::exists("conres.new"));
        EXPECT_TRUE(contains(log(), "Have written conres.t file \n"));
        EXPECT_EQ(gFlagSedim, 0);
        std::filesystem::remove("conres.new");
    }
}

TEST_F(TscDriver, FailureReturnsAtOnceWithoutEndFiles) {
    for (int where : {1, 2}) {  // the flow pass, then the coefficients
        SCOPED_TRACE(where);
        calls = {};
        FlagErrorBreak = 0;
        channel();
        iterGlobalMax = 4;
        gFlagSedim = 1;
        if (where == 1) {
            failAtPass = 2;
        } else {
            runTasks.coeffe_setup2 = [] {
                coeffe_setup2();
                if (++calls.coefficients == 2) FlagErrorBreak = 1;
            };
        }
        EXPECT_EQ(run(), kNoExit);
        EXPECT_EQ(global_iter, 1);
        EXPECT_EQ(calls.sprintflow, 0);
        EXPECT_EQ(calls.writespider, 0);
        EXPECT_EQ(gFlagSedim, 1);
        EXPECT_FALSE(std::filesystem::exists("conres.new"));
        EXPECT_FALSE(contains(log(), "conres.t"));
    }
}

TEST_F(TscDriver, LostRestartFilesEndTheRunAfterTheEndSteps) {
    channel();
    iterGlobalMax = 1;
    std::filesystem::create_directory("conres.new");  // cannot be opened for writing
    EXPECT_EQ(run(), -3);
    EXPECT_TRUE(contains(log(), "Could not write conres.t file \n")) << log();
    EXPECT_EQ(calls.sprintflow, 1);
    EXPECT_EQ(calls.writespider, 1);
    EXPECT_EQ(gFlagSedim, 0);
    EXPECT_STREQ(mc_message, "cannot open file 'conres.t' ");
}

TEST_F(TscDriver, ReferenceConcentrationAboveOneHalfIsClipped) {
    channel(2);
    iterGlobalMax = 1;
    Hydrostatic = 2;
    referenceConcentration(0.5);
    conc[2][5][3][0] = 0.75;
    EXPECT_EQ(run(), kNoExit);
    const std::string text = log();
    EXPECT_TRUE(contains(text, "Warning for unstability in TSC method: conc(2,5,3,2)=7.500000e-01\n")) << text;
    EXPECT_EQ(text.find("Warning for unstability"), text.rfind("Warning for unstability"));  // once
    EXPECT_EQ(conc[2][5][3][0], 0.5);
    EXPECT_EQ(conc[1][5][3][0], 0.5);
}

// ---------------------------------------------------------------------------
// The bed-cell rule.
// ---------------------------------------------------------------------------
TEST(TscBedCell, RuleBetweenWhatTheNeighboursSustainAndEquilibrium) {
    struct Case {
        const char* name;
        double ain, aout, ap2, E, ceq, expected;
    } cases[] = {
        {"equilibrium_binds", 1e-3, 1.0, 1.0, 1.0, 0.01, 0.01},
        {"supply_of_the_active_layer_binds", 1e-3, 1.0, 1.0, 2e-3, 0.01, 3e-3},
        {"never_below_what_the_neighbours_sustain", 0.02, 1.0, 1.0, 1.0, 0.01, 0.02},
        {"empty_active_layer_no_pick_up", 1e-3, 2.0, 0.5, 0.0, 0.01, 2e-3},
        {"below_1e-30_is_0", 1e-31, 1.0, 1.0, 0.0, 0.0, 0.0},
        {"at_1e-30_kept", 1e-30, 1.0, 1.0, 0.0, 0.0, 1e-30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(tsc::bedCellValue(c.ain, c.aout, c.ap2, c.E, c.ceq), c.expected);
        // Never more than the larger of Ain/ap and the equilibrium value.
        EXPECT_LE(tsc::bedCellValue(c.ain, c.aout, c.ap2, c.E, c.ceq), std::max(c.ain / c.ap2, c.ceq) * (1 + 1e-15));
    }
}

class TscBedCells : public TscDriver {
protected:
    // Distinct concentrations and couplings in every cell, so a wrong
    // neighbour shows.
    static void pattern() {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                const double f = 1.0 + 0.1 * i + 0.013 * j;
                ae[i][j][2] = 1e-3 * f;
                aw[i][j][2] = 2e-3 * f;
                an[i][j][2] = 3e-3 * f;
                as[i][j][2] = 4e-3 * f;
                aeb[1][i][j] = 5e-3 * f;
                awb[1][i][j] = 6e-3 * f;
                anb[1][i][j] = 7e-3 * f;
                asb[1][i][j] = 8e-3 * f;
                at[1][i][j][2] = 9e-3 * f;
                ab[1][i][j][3] = 11e-3 * f;
                ap[1][i][j][2] = 0.05 * f;
                source[i][j][2] = 1e-5 * f;
                conc[1][i][j][2] = 1e-3 * f;
                conc[1][i][j][3] = 0.6e-3 * f;
                conc[1][i][j][0] = 0.2 * f;
                bedgrain[0][i][j] = 1e-3;
                bedgrain[1][i][j] = 0.5;
            }
    }
};

TEST_F(TscBedCells, SingleBlockCellsInOrderWithEitherCouplings) {
    for (int bedLoad : {0, 1}) {
        SCOPED_TRACE(bedLoad);
        BedLoadVectorFlag = 1;  // the bed-load couplings exist either way
        channel();
        pattern();
        BedLoadVectorFlag = bedLoad;
        // The expected values, cell by cell in the driver's order (each
        // cell sees the new values of the cells before it).
        auto c = [](int i, int j) -> double& { return conc[1][i][j][2]; };
        std::vector<double> expected;
        std::vector<std::vector<double>> now(xnumber + 2, std::vector<double>(ynumber + 2));
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) now[i][j] = c(i, j);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                double ain, aout;
                if (bedLoad) {
                    ain = anb[1][i][j] * now[i][j + 1] + asb[1][i][j] * now[i][j - 1] + awb[1][i][j] * now[i + 1][j] +
                          aeb[1][i][j] * now[i - 1][j];
                    aout = anb[1][i][j - 1] + asb[1][i][j + 1] + aeb[1][i + 1][j] + awb[1][i - 1][j];
                } else {
                    ain = an[i][j][2] * now[i][j + 1] + as[i][j][2] * now[i][j - 1] + aw[i][j][2] * now[i + 1][j] +
                          ae[i][j][2] * now[i - 1][j];
                    aout = an[i][j - 1][2] + as[i][j + 1][2] + ae[i + 1][j][2] + aw[i - 1][j][2];
                }
                ain += at[1][i][j][2] * conc[1][i][j][3] + source[i][j][2];
                aout += ab[1][i][j][3] + V(i, j, 2) / TimeStep;
                const double E = m_armap[i][j] * 0.5 * 1e-3 * ConvCoef / TimeStep;
                const double v = std::max(ain / ap[1][i][j][2], std::min((E + ain) / aout, 0.5 * conc[1][i][j][0]));
                now[i][j] = v;
                expected.push_back(v);
            }
        tsc::S6BedCells(1);
        std::size_t n = 0;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) EXPECT_DOUBLE_EQ(c(i, j), expected[n++]) << i << " " << j;
    }
}

TEST_F(TscBedCells, MultiBlockReadsThePartnerCells) {
    BedLoadVectorFlag = 1;  // the bed-load couplings play no part across blocks
    twoBlocks();
    pattern();
    std::vector<std::vector<double>> now(xnumber + 2, std::vector<double>(ynumber + 2));
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) now[i][j] = conc[1][i][j][2];
    int linked = 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const int* west = Pi1MultiBlock[i][j];
            const int* south = Pj1MultiBlock[i];
            const int* north = Pj2MultiBlock[i];
            const bool hasWest = west[0] != 0, hasSouth = j == 2 && south[0] != 0,
                       hasNorth = j == ynumber && north[0] != 0;
            linked += hasWest + hasSouth + hasNorth;
            const double cw = hasWest ? now[west[0]][west[1]] : now[i - 1][j];
            const double cs = hasSouth ? now[south[0]][south[1]] : now[i][j - 1];
            const double cn = hasNorth ? now[north[0]][north[1]] : now[i][j + 1];
            const double ain = an[i][j][2] * cn + as[i][j][2] * cs + aw[i][j][2] * now[i + 1][j] + ae[i][j][2] * cw +
                               at[1][i][j][2] * conc[1][i][j][3] + source[i][j][2];
            // No supply limit across blocks: the equilibrium value alone.
            now[i][j] = std::max(ain / ap[1][i][j][2], 0.5 * conc[1][i][j][0]);
        }
    ASSERT_GT(linked, 0);
    tsc::S6BedCells(1);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) EXPECT_DOUBLE_EQ(conc[1][i][j][2], now[i][j]) << i << " " << j;
}

// ---------------------------------------------------------------------------
// Sediment mass over a held flow (Hydrostatic 2): per step what enters
// through face 1 less what leaves through face xnumber (flux times the
// concentration of the upwind cell) is the change of the suspended volume
// plus the grain volume put into the bed.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, MassHeldOverAFrozenFlow) {
    struct Case {
        const char* name;
        double inflowConc, c0;
        int scheme;
        bool deposits;
    } cases[] = {
        {"inflow_above_capacity_deposits", 0.004, 0.001, 0, true},
        {"clear_water_erodes", 0.0, 0.003, 0, false},
        // With the second-order scheme the cap on the concentrations
        // takes the bed cells and the equilibrium values: a clear-water
        // inflow does not delete what the bed gives up.
        {"clear_water_erodes_second_order", 0.0, 0.003, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls = {};
        channel(1, c.scheme);
        Hydrostatic = 2;
        PrintRes = 1;
        iterGlobalMax = 10;
        iter_morph = 150;
        FlagMaxgrainRead = 1;  // an active layer of 5 cm that does not run out
        maxgrainRead = 0.05;
        referenceConcentration(c.c0);
        inflow(c.inflowConc);
        const std::vector<double> flux(&flow1[1][2][2], &flow1[1][2][2] + znumber);
        StepBalance b;
        recordBalance(b, 1);
        EXPECT_EQ(run(), kNoExit);
        EXPECT_EQ(calls.sprintflow, 10 + 1);
        // The outflow of the second-order scheme is not the upwind cell's.
        if (c.scheme == 0) {
            EXPECT_LT(b.worst, 1e-6);
        }
        EXPECT_EQ(b.deposited > 0.0, c.deposits);
        // The flow stays as it was: the renewal finds the same fluxes.
        for (int k = 2; k <= znumber; ++k) EXPECT_NEAR(flow1[1][2][k], flux[k - 2], 1e-12);
        ASSERT_EQ(b.suspended.size(), 10u);
        if (!c.deposits) {
            // The bed gives sediment up and the suspended volume grows from
            // nothing; it stays in the water as the flow carries it on.
            EXPECT_GT(b.suspended[0], 0.0);
            EXPECT_GT(b.suspended[1], b.suspended[0]);
            const double most = *std::max_element(b.suspended.begin(), b.suspended.end());
            EXPECT_GT(b.suspended.back(), 0.5 * most);
        }
    }
}

// ---------------------------------------------------------------------------
// The steep-cell layer reset on the stepped bed: the cell over the step is
// steeper than the critical slope, the others are flat.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, SteepCellLayersRebuiltFromTheGeometry) {
    struct Case {
        const char* name;
        int iterAvalanche, qz;
        bool reset;
    } cases[] = {
        {"sweeps_reset", 5, 0, true},
        {"plane_method_200_none", 200, 0, false},
        {"slides_against_the_flow_none", 5, 1, false},
        {"no_slides_none", 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bedStep();
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) Surfaces[3][i][j] = -0.1;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                bedgrain[0][i][j] = BedGrainOriginal[0][i][j] = 9.0;
                bedgrain[1][i][j] = BedGrainOriginal[1][i][j] = 0.7;
            }
        maxgrain = 0.05;
        AngleAvalanche = 0.2;
        IterAvalanche = c.iterAvalanche;
        QZfunc = c.qz;
        tsc::T20SteepCells(true);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                SCOPED_TRACE(i * 10 + j);
                const bool steep = c.reset && i == 5;
                // Corners at 0.4 (node line 4) and 0 (node line 5) over a lowest level of -0.1.
                EXPECT_DOUBLE_EQ(bedgrain[0][i][j], steep ? 0.05 : 9.0);
                EXPECT_DOUBLE_EQ(BedGrainOriginal[0][i][j], steep ? 0.25 : 9.0);
                EXPECT_EQ(bedgrain[1][i][j], 0.7);
                EXPECT_EQ(BedGrainOriginal[1][i][j], 0.7);
            }
    }
}

// ---------------------------------------------------------------------------
// The flux renewal: the boundary velocities are rescaled to the face fluxes
// of the last pass before the boundary values and fluxes are renewed.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, BoundaryVelocitiesCarryTheFluxesOfTheLastPass) {
    channel();
    const int X = xnumber;
    double Qi = 0.0, Qo = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            Qi += flow1[1][j][k];
            Qo += flow1[X][j][k];
            xvel[1][j][k] *= 1.3 + 0.01 * k;
            yvel[1][j][k] = 0.02;
            xvel[X + 1][j][k] *= 0.7;
        }
    tsc::T21FluxRenewal();
    double Ui = 0.0, Uo = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            Ui += 1000.0 * m_ar_x[1][j][k] * (xvel[1][j][k] * m_vec_x[1][j][0] + yvel[1][j][k] * m_vec_x[1][j][1]);
            Uo += 1000.0 * m_ar_x[X][j][k] *
                  (xvel[X + 1][j][k] * m_vec_x[X][j][0] + yvel[X + 1][j][k] * m_vec_x[X][j][1]);
        }
    EXPECT_NEAR(Ui, Qi, 1e-9 * Qi);
    EXPECT_NEAR(Uo, Qo, 1e-9 * Qo);
}

// The depth-averaged model: the same renewal in the k = 0 plane; a plane
// without velocity-based discharge keeps its velocities.
TEST_F(TscDriver, DepthAveragedBoundaryVelocitiesCarryTheFluxes) {
    for (double inflowFactor : {1.3, 0.0}) {
        SCOPED_TRACE(inflowFactor);
        Flag2Dim = 1;
        channel();
        const int X = xnumber;
        double Qi = 0.0, Qo = 0.0;
        for (int i = 1; i <= X + 1; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                xvel[i][j][0] = 0.5;
                if (i <= X) flow1[i][j][0] = 1000.0 * 0.5 * m_ar_x[i][j][0];
            }
        for (int j = 2; j <= ynumber; ++j) {
            Qi += flow1[1][j][0];
            Qo += flow1[X][j][0];
            xvel[1][j][0] *= inflowFactor;
            xvel[X + 1][j][0] *= 0.7;
        }
        tsc::T21FluxRenewal();
        double Ui = 0.0, Uo = 0.0;
        for (int j = 2; j <= ynumber; ++j) {
            Ui += 1000.0 * m_ar_x[1][j][0] * (xvel[1][j][0] * m_vec_x[1][j][0] + yvel[1][j][0] * m_vec_x[1][j][1]);
            Uo += 1000.0 * m_ar_x[X][j][0] * (xvel[X + 1][j][0] * m_vec_x[X][j][0] + yvel[X + 1][j][0] * m_vec_x[X][j][1]);
        }
        if (inflowFactor > 0.0) {
            EXPECT_NEAR(Ui, Qi, 1e-9 * Qi);
            EXPECT_NEAR(Uo, Qo, 1e-9 * Qo);
        } else {
            // No factor Qi/Ui: the inflow plane stays at rest, finite.
            EXPECT_EQ(Ui, 0.0);
            for (int j = 2; j <= ynumber; ++j) EXPECT_EQ(xvel[1][j][0], 0.0);
        }
    }
}


// ---------------------------------------------------------------------------
// The continuity account in the log over a frozen flow: from the second step
// on, what came in is what went out, stayed suspended or went into the bed.
// ---------------------------------------------------------------------------
struct AccountRows {
    std::vector<std::vector<double>> dt;    // the 7 numbers of each "Dt:" row
    std::vector<std::vector<double>> size;  // In, Out, Act, Inact, Susp, Defect of fraction 1, per report
};

AccountRows accountRows(const std::string& text) {
    AccountRows rows;
    std::size_t at = 0;
    while ((at = text.find("\nDt:   ", at)) != std::string::npos) {
        std::vector<double> v(7);
        EXPECT_EQ(std::sscanf(text.c_str() + at, "\nDt:   %le %le %le %le %le %le %le", &v[0], &v[1], &v[2], &v[3],
                              &v[4], &v[5], &v[6]),
                  7);
        rows.dt.push_back(v);
        const std::size_t s = text.find("\n1  ", at);
        std::vector<double> f(6);
        EXPECT_EQ(std::sscanf(text.c_str() + s, "\n1  %le %le %le %le %le %le", &f[0], &f[1], &f[2], &f[3], &f[4],
                              &f[5]),
                  6);
        rows.size.push_back(f);
        at += 1;
    }
    return rows;
}

TEST_F(TscDriver, AccountBalancesOverAFrozenFlow) {
    struct Case {
        const char* name;
        double inflowConc, c0;
    } cases[] = {
        {"inflow_above_capacity_deposits", 0.004, 0.001},
        {"inflow_below_capacity_erodes", 0.001, 0.003},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("boogie");
        channel();
        Hydrostatic = 2;
        iterGlobalMax = 8;
        iter_morph = 150;
        FlagMaxgrainRead = 1;  // an active layer of 5 cm that does not run out
        maxgrainRead = 0.05;
        referenceConcentration(c.c0);
        inflow(c.inflowConc);
        EXPECT_EQ(run(), kNoExit);
        const AccountRows rows = accountRows(log());
        ASSERT_EQ(rows.dt.size(), 8u) << log();
        double worstCont = 0.0, worstDefect = 0.0;
        for (std::size_t n = 1; n < rows.dt.size(); ++n) {
            const std::vector<double>& d = rows.dt[n];
            ASSERT_GT(d[0], 0.0);
            EXPECT_NE(d[3], 0.0);  // the bed takes or gives sediment
            worstCont = std::max(worstCont, std::fabs(d[5]) / d[0]);
            worstDefect = std::max(worstDefect, std::fabs(rows.size[n][5]) / rows.size[n][0]);
        }
        EXPECT_LT(worstCont, 1e-6);
        EXPECT_LT(worstDefect, 1e-6);
        std::printf("[ measured ] %s: ContDef/In %.3e, Defect/In %.3e\n", c.name, worstCont, worstDefect);
    }
}

// ---------------------------------------------------------------------------
// Probe records empty `timeo` at the entry; without them it stays.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, TimeoEmptiedAtEntryOnlyWithProbeRecords) {
    for (int records : {0, 1}) {
        SCOPED_TRACE(records);
        channel();
        iterGlobalMax = 0;
        TimePrintNo = records;
        TimePrint[0] = {};
        TimePrint[0].endTime = 1e20;
        quird_test::writeFile("timeo", "a line of an earlier run\n");
        EXPECT_EQ(run(), kNoExit);
        EXPECT_EQ(quird_test::readFile("timeo"), records ? "" : "a line of an earlier run\n");
    }
}

// ---------------------------------------------------------------------------
// A bed-fraction file that cannot be opened ends the run after the restart,
// result and grid files.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, LostBedFractionFileEndsTheRunAfterTheOtherEndFiles) {
    channel();
    iterGlobalMax = 1;
    std::filesystem::create_directory("bedfrac.new");
    EXPECT_EQ(run(), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'bedfrac.new' ");
    EXPECT_TRUE(std::filesystem::is_regular_file("conres.new"));
    EXPECT_EQ(calls.sprintflow, 1);
    EXPECT_EQ(calls.writespider, 1);
    EXPECT_TRUE(contains(log(), "Total change in bed levels: ")) << log();
    std::filesystem::remove("conres.new");
    std::filesystem::remove("bedfrac.new");
}

// ---------------------------------------------------------------------------
// Bed load turned down a transverse slope: a channel along i whose bed falls
// towards high j carries the bed-cell sediment towards the low bank.
// ---------------------------------------------------------------------------
class TscBedLoad : public TscDriver {
protected:
    // 8 x 4 bed cells of 1 m x 0.5 m, 6 layers of 0.1 m over a bed falling
    // by tan 10 degrees towards +y, the flow U along x.
    static void slopedChannel(int flag) {
        lnumber = 1;
        FlagTSC = 1;
        BedLoadVectorFlag = flag;
        SetArraysZero();
        const double t = std::tan(10.0 * M_PI / 180.0);
        quird_test::allocateGrid(9, 5, 7);
        quird_test::fillGrid([](int i, int j) { return quird_test::PlanPoint{(i - 1) * 1.0, (j - 1) * 0.5}; },
                 [t](int, int j, int k) { return -t * 0.5 * (j - 1) + (k - 1) * 0.1; });
        metric();
        std::filesystem::remove("boogie");
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) kblok[i][j] = 1;
        startupFlags();
        uniformFlow(0.5);
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) Surfaces[3][i][j] = zval[i][j][0] - 0.5;
        gsize[1] = 0.001;
        fallvelo[1] = 0.01;
        density = 2.65;
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) bedgrain[1][i][j] = 1.0;
        setDiffusivity([](int, int, int) { return 0.002; });
        uniformTurbulence(0.01, 0.001);
        TimeStep = 10.0;
        FlagBedDLL = 1;
        deriveSolverConstants();
        doubles();
    }
};

TEST_F(TscBedLoad, TransverseSlopeTurnsBedLoadTowardsTheLowBank) {
    double lowBankShare[2];
    for (int flag : {0, 1}) {
        SCOPED_TRACE(flag);
        slopedChannel(flag);
        Hydrostatic = 2;
        iterGlobalMax = 5;
        iter_morph = 20;
        // No pick-up: the bed cells carry what the inflow and the water
        // above bring them; the inflow over the high half of the width only
        // (a uniform field stays uniform whichever way it is carried).
        referenceConcentration(0.0);
        for (int j = 2; j <= 3; ++j)
            for (int k = 2; k <= znumber; ++k) conc[1][1][j][k] = 0.004;
        EXPECT_EQ(run(), kNoExit);
        // The bed-cell sediment of the rows j = 4, 5 (low) against j = 2, 3 (high).
        double low = 0.0, high = 0.0;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) (j >= 4 ? low : high) += conc[1][i][j][2] * V(i, j, 2);
        ASSERT_GT(low + high, 0.0);
        lowBankShare[flag] = low / (low + high);
    }
    std::printf("[ measured ] low-bank share of the bed-cell sediment: flag 0 %.6f, flag 1 %.6f\n", lowBankShare[0],
                lowBankShare[1]);
    EXPECT_GT(lowBankShare[1], lowBankShare[0] + 0.1);
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// The solver of the sweeps: the line solver with FlagSedimSolver 1 under the
// first-order scheme only (it names itself in the status text); the
// second-order scheme keeps the point solver. With enough sweeps in a step
// the line solver settles on the point solver's step.
// ---------------------------------------------------------------------------
TEST_F(TscDriver, SolverChoiceOfTheSweeps) {
    struct Choice {
        int flag, scheme;
        bool line;
    };
    for (const Choice c : {Choice{0, 0, false}, Choice{1, 0, true}, Choice{0, 1, false}, Choice{1, 1, false}}) {
        SCOPED_TRACE(::testing::Message() << "FlagSedimSolver " << c.flag << ", SedimentScheme " << c.scheme);
        channel(1, c.scheme);
        FlagSedimSolver = c.flag;
        Hydrostatic = 2;
        iterGlobalMax = 1;
        referenceConcentration(0.003);
        inflow(0.004);
        std::strcpy(mc_program, "earlier");
        EXPECT_EQ(run(), kNoExit);
        EXPECT_EQ(std::string(mc_program) == " TDMA sediment solver ", c.line) << mc_program;
    }
}

// The concentrations of the fraction and its bed-level change after one
// step, each as a difference of the line to the point solver relative to
// its largest value: two sweeps differ by some per cent, 60 settle both on
// the same step.
TEST_F(TscDriver, LineSolverSettlesOnThePointSolversStep) {
    struct Step {
        std::vector<double> conc, bed;
    };
    auto step = [](int flag) {
        channel();
        FlagSedimSolver = flag;
        Hydrostatic = 2;
        iterGlobalMax = 1;
        iter_morph = 60;
        referenceConcentration(0.003);
        inflow(0.004);
        EXPECT_EQ(run(), kNoExit);
        Step s;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                for (int k = 2; k <= znumber; ++k) s.conc.push_back(conc[1][i][j][k]);
                s.bed.push_back(bedlevchange[1][i][j]);
            }
        return s;
    };
    auto difference = [](const std::vector<double>& a, const std::vector<double>& b) {
        double worst = 0.0, largest = 0.0;
        for (std::size_t m = 0; m < a.size(); ++m) {
            worst = std::max(worst, std::fabs(a[m] - b[m]));
            largest = std::max(largest, std::fabs(a[m]));
        }
        EXPECT_GT(largest, 1e-6);
        return worst / largest;
    };
    const Step point = step(0), line = step(1);
    const double dc = difference(point.conc, line.conc), db = difference(point.bed, line.bed);
    std::printf("%d sweeps: line - point solver, concentrations %.2e, bed-level change %.2e (relative)\n", iter_morph,
                dc, db);
    EXPECT_LE(dc, 1e-10);
    EXPECT_LE(db, 1e-10);
}

}  // namespace
