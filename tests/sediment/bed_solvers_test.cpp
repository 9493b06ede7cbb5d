// The sediment solvers that solve the bed cell too: sole2_gauseid with its
// plane correction block2Sedim (bed cell and water column together) and
// solve2Dbed_gauseid (the bed layer as a plan equation of its own).
#include <cmath>
#include <cstdio>
#include <string>

#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using namespace sedtest;

namespace {

// The channel with settling 0.005 m/s and diffusivity 0.001 and its
// sediment equation.
void settlingChannel() {
    SedimentTest::straightChannel(0.2);
    indexl = 1;
    fallvelo[1] = 0.005;
    SedimentTest::setDiffusivity([](int, int, int) { return 0.001; });
    coeffe_setup();
    coeffe_setup2();
}

void fillConc(double v) {
    for (std::size_t m = 0; m < static_cast<std::size_t>(conc.size()); ++m) conc.data()[m] = v;
}

// The bed layer's centre coefficient as the layer equation without a bed
// source or time term has it: the sum of its plan couplings.
void bedLayerCentre() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) ap[1][i][j][2] = ae[i][j][2] + aw[i][j][2] + as[i][j][2] + an[i][j][2];
}

// ---------------------------------------------------------------------------
// Plug flow: no settling, the inflow column at c_in, the bed cells starting
// at 0. Both solvers carry c_in into every cell they solve; the layer solver
// leaves the water column alone.
// ---------------------------------------------------------------------------
TEST_F(SedimentTest, PlugFlowCarriesTheInflowIntoTheBedCells) {
    struct Case {
        const char* name;
        void (*solver)();
        bool column;  // the water column solved too
    };
    for (const Case c : {Case{"sole2_gauseid", sole2_gauseid, true}, Case{"solve2Dbed_gauseid", solve2Dbed_gauseid, false}}) {
        SCOPED_TRACE(c.name);
        straightChannel(0.5);
        indexl = 1;
        fallvelo[1] = 0.0;
        coeffe_setup();
        coeffe_setup2();
        if (!c.column) bedLayerCentre();
        const double cin = 0.3, above = 0.7;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) conc[1][1][j][k] = cin;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 3; k <= znumber; ++k) conc[1][i][j][k] = c.column ? 0.0 : above;
        EXPECT_LT(solveUntilSteady(c.solver, 1e-16, 60), 60);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                EXPECT_NEAR(conc[1][i][j][2], cin, 1e-15) << i << " " << j;
                for (int k = 3; k <= znumber; ++k)
                    EXPECT_NEAR(conc[1][i][j][k], c.column ? cin : above, 1e-15) << i << " " << j << " " << k;
            }
    }
}

// ---------------------------------------------------------------------------
// The bed-layer equation against closed forms.
// ---------------------------------------------------------------------------
// Carried along x with pick-up and a time term, as the driver sets the layer
// up: ap = F + A w + T, source = T c_old + A w e. The discrete solution
// approaches c* = (T c_old + A w e) / (A w + T) geometrically,
// c_i - c* = r^(i-1) (c_in - c*), r = F / (F + A w + T); the forward sweep
// solves the upwind chain in one pass.
TEST_F(SedimentTest, BedLayerFollowsTheUpwindChainToEquilibrium) {
    straightChannel(0.0);
    indexl = 1;
    const double F = 0.04, A = 0.5, w = 0.01, e = 0.2, T = 0.02, cold = 0.05, cin = 0.9;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            ae[i][j][2] = F;
            ap[1][i][j][2] = F + A * w + T;
            source[i][j][2] = T * cold + A * w * e;
        }
    for (int j = 2; j <= ynumber; ++j) conc[1][1][j][2] = cin;
    solve2Dbed_gauseid();
    const double cstar = (T * cold + A * w * e) / (A * w + T), r = F / (F + A * w + T);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            EXPECT_NEAR(conc[1][i][j][2], cstar + std::pow(r, i - 1) * (cin - cstar), 1e-15) << i << " " << j;
}

// Pure plan diffusion (couplings 1, ap 4, no source) between borders that
// hold a linear field: the discrete solution is that field, in both
// directions of the plan.
TEST_F(SedimentTest, BedLayerDiffusionReachesTheLinearField) {
    straightChannel(0.0);
    indexl = 1;
    NoLoops = 5;
    auto exact = [](int i, int j) { return 0.1 * i + 0.03 * j; };
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            const bool border = i == 1 || j == 1 || i == xnumber + 1 || j == ynumber + 1;
            conc[1][i][j][2] = border ? exact(i, j) : 0.0;
            if (border) continue;
            ae[i][j][2] = aw[i][j][2] = as[i][j][2] = an[i][j][2] = 1.0;
            ap[1][i][j][2] = 4.0;
        }
    EXPECT_LT(solveUntilSteady(solve2Dbed_gauseid, 1e-15, 400), 400);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) EXPECT_NEAR(conc[1][i][j][2], exact(i, j), 1e-13) << i << " " << j;
}

// ---------------------------------------------------------------------------
// block2Sedim: the plane correction over k 2..znumber with k = 1 held.
// ---------------------------------------------------------------------------
// On one column its k-pass is the column's Thomas recursion: one call solves
// the column with the bed cell, coupled to the level below it.
TEST_F(SedimentTest, BedPlaneCorrectionSolvesOneColumnInOneCall) {
    lnumber = 1;
    stillColumn(11);
    indexl = 1;
    conc[1][2][2][1] = 2.0;
    for (int k = 2; k <= znumber; ++k) {
        ab[1][2][2][k] = 0.3 + 0.01 * k;
        at[1][2][2][k] = k < znumber ? 0.2 : 0.05;
        ap[1][2][2][k] = ab[1][2][2][k] + at[1][2][2][k] + 0.1;
        source[2][2][k] = 1e-3 * k;
    }
    EXPECT_GT(std::fabs(residual(2, 2, 2)), 0.5);
    block2Sedim();
    for (int k = 2; k <= znumber; ++k) EXPECT_NEAR(residual(2, 2, k), 0.0, 1e-15) << k;
}

// In the channel with settling and diffusion, the last pass leaves every
// i-plane, bed cells included, with a summed residual of 0.
TEST_F(SedimentTest, BedPlaneCorrectionBalancesEveryPlaneWithItsBedCells) {
    settlingChannel();
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 1; k <= znumber; ++k) conc[1][1][j][k] = 0.02;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) source[i][j][2] = 1e-4 * (1 + (i + j) % 3);
    auto planeSum = [](int i, double* scale) {
        double s = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                s += residual(i, j, k);
                *scale = std::max(*scale, std::fabs(source[i][j][k]));
            }
        return s;
    };
    double scale = 0.0, before = 0.0;
    for (int i = 2; i <= xnumber; ++i) before = std::max(before, std::fabs(planeSum(i, &scale)));
    block2Sedim();
    double after = 0.0;
    for (int i = 2; i <= xnumber; ++i) after = std::max(after, std::fabs(planeSum(i, &scale)));
    std::printf("largest plane sum %.3e before, %.3e after (sources up to %.1e)\n", before, after, scale);
    EXPECT_GT(before, 0.1 * scale);
    EXPECT_LT(after, 1e-12 * scale);
}

// When sole2_gauseid runs the correction: only with FlagBlockSed 1 and
// FlagFracVer 0, also with NoLoops 0; never without a field or with the
// second-order scheme.
TEST_F(SedimentTest, BedSolverRunsItsPlaneCorrectionOnlyWhenAsked) {
    struct Case {
        int blockSed, fracVer, loops, scheme;
        bool nullField, runs;
    };
    const Case cases[] = {{1, 0, 1, 0, false, true},  {1, 0, 0, 0, false, true},  {0, 0, 1, 0, false, false},
                          {2, 0, 1, 0, false, false}, {1, 1, 1, 0, false, false}, {1, 3, 0, 0, false, false},
                          {1, 0, 1, 1, false, false}, {1, 0, 1, 0, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.blockSed) + " " + std::to_string(c.fracVer) + " " + std::to_string(c.loops) +
                     " " + std::to_string(c.scheme) + (c.nullField ? " null" : ""));
        SedimentScheme = c.scheme;
        settlingChannel();
        FlagBlockSed = c.blockSed;
        FlagFracVer = c.fracVer;
        NoLoops = c.loops;
        for (int j = 2; j <= ynumber; ++j) conc[1][1][j][2] = 0.1;
        if (c.nullField) {
            conc.setNull();
            indexl = 0;  // not even checked
        }
        for (int m = 0; m < pt.extent(0); ++m) pt[m] = -7.0;
        sole2_gauseid();
        EXPECT_EQ(pt[3] != -7.0, c.runs);
        if (!c.nullField && c.loops == 0) {
            EXPECT_EQ(conc[1][2][2][2] != 0.0, c.runs);  // the correction alone
        }
    }
}

// ---------------------------------------------------------------------------
// sole2_gauseid sweeps. Two cells of the solid-box column (5, 3) count the
// updates: A = B + 1 at the bed cell, B = A + 1 at k = 3, starting from 7;
// every other cell has ap 0 and keeps its value. The single-block 7-point
// variant zeroes the box (and, with F 36, the suspended cells of the
// blocked column) before every repetition.
// ---------------------------------------------------------------------------
struct Variant {
    const char* name;
    friend void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }
    int scheme, mbno;
    int perRepetition;  // updates of B per repetition
    bool zeroesBlocks;
};

class BedSolverVariant : public SedimentTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(BedSolverVariant, RepeatsTheSweepsNoLoopsTimesFromTheBedCell) {
    const Variant& v = GetParam();
    for (int loops : {0, 1, 2}) {
        SCOPED_TRACE("NoLoops " + std::to_string(loops));
        SedimentScheme = v.scheme;
        channelWithBlocks(0.0);
        MBNo = v.mbno;  // joint tables without joints
        FlagTFS = 1;
        NoLoops = loops;
        indexl = 1;
        fillConc(1.0);
        at[1][5][3][2] = ab[1][5][3][3] = 1.0;
        ap[1][5][3][2] = ap[1][5][3][3] = 1.0;
        source[5][3][2] = source[5][3][3] = 1.0;
        conc[1][5][3][2] = conc[1][5][3][3] = 7.0;
        sole2_gauseid();
        // Zeroed before every repetition, the counters end as after one.
        const bool zeroed = loops > 0 && v.zeroesBlocks;
        const double B = zeroed ? v.perRepetition : 7.0 + v.perRepetition * loops;
        EXPECT_EQ(conc[1][5][3][3], B);
        EXPECT_EQ(conc[1][5][3][2], loops == 0 ? 7.0 : B + 1.0);
        EXPECT_EQ(conc[1][4][3][4], zeroed ? 0.0 : 1.0);  // the rest of the box
        EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][2], 1.0);  // the bed cell of a blocked column is solved
        for (int k = 3; k <= znumber; ++k) EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][k], zeroed ? 0.0 : 1.0) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Sediment, BedSolverVariant,
                         ::testing::Values(Variant{"single_block_7_point", 0, 0, 2, true},
                                           Variant{"multi_block_7_point", 0, 1, 4, false},
                                           Variant{"single_block_13_point", 1, 0, 2, false},
                                           Variant{"multi_block_13_point", 1, 1, 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The bed cell's lower neighbours are boundary values: k = 1 through ab, and
// k = 0 through cabb in the 13-point sweeps.
TEST_F(SedimentTest, BedSolverTakesTheLevelsBelowTheBedCellAsBoundary) {
    struct Case {
        int scheme;
        FieldArray<double, 4>* coupling;
        int k;
    };
    for (const Case c : {Case{0, &ab, 1}, Case{1, &ab, 1}, Case{1, &cabb, 0}}) {
        SCOPED_TRACE(std::to_string(c.scheme) + " k " + std::to_string(c.k));
        SedimentScheme = c.scheme;
        straightChannel(0.0);
        indexl = 1;
        FlagBlockSed = 0;
        for (int k = 0; k <= znumber + 1; ++k) conc[1][3][3][k] = 10.0 + k;
        ap[1][3][3][2] = 1.0;
        (*c.coupling)[1][3][3][2] = 1.0;
        sole2_gauseid();
        EXPECT_EQ(conc[1][3][3][2], 10.0 + c.k);
        EXPECT_EQ(conc[1][3][3][c.k], 10.0 + c.k);
    }
}

// ---------------------------------------------------------------------------
// solve2Dbed_gauseid.
// ---------------------------------------------------------------------------
// NoLoops sweep pairs over the plan at k = 2 only: A = B + 1 at (3, 3)
// (blocked: OBlok is not read), B = A + 1 at (4, 3), starting from 7; with or
// without block joints.
TEST_F(SedimentTest, BedLayerSolverMakesNoLoopsSweepPairs) {
    for (int mbno : {0, 1})
        for (int loops : {0, 1, 2, 3}) {
            SCOPED_TRACE("MBNo " + std::to_string(mbno) + ", NoLoops " + std::to_string(loops));
            straightChannel(0.0);
            MBNo = mbno;
            NoLoops = loops;
            indexl = 1;
            fillConc(1.0);
            OBlok[3][3][2] = 0;
            aw[3][3][2] = ae[4][3][2] = 1.0;
            ap[1][3][3][2] = ap[1][4][3][2] = 1.0;
            source[3][3][2] = source[4][3][2] = 1.0;
            conc[1][3][3][2] = conc[1][4][3][2] = 7.0;
            at[1][3][3][2] = ab[1][3][3][2] = 1.0;  // vertical couplings are not part of the layer
            solve2Dbed_gauseid();
            EXPECT_EQ(conc[1][4][3][2], 7.0 + 2 * loops);
            EXPECT_EQ(conc[1][3][3][2], loops == 0 ? 7.0 : 8.0 + 2 * loops);
            EXPECT_EQ(conc[1][3][3][3], 1.0);
        }
}

// Both sweeps flush values below 1e-100; a null field returns at once.
TEST_F(SedimentTest, BedLayerSolverFlushesTinyValuesAndSkipsANullField) {
    straightChannel(0.0);
    indexl = 1;
    ap[1][3][3][2] = 1.0;
    source[3][3][2] = 1e-150;
    conc[1][3][3][2] = 1.0;
    solve2Dbed_gauseid();  // the backward sweep comes last
    EXPECT_EQ(conc[1][3][3][2], 0.0);
    conc.setNull();
    indexl = 0;  // not even checked
    solve2Dbed_gauseid();
}

// On a multi-block grid the layer takes the plain grid neighbours, not the
// joint partners.
TEST_F(SedimentTest, BedLayerSolverIgnoresTheBlockJoints) {
    struct Case {
        int i, j;
        FieldArray<double, 3>* coupling;
        int pi, pj;  // the plain neighbour
    };
    for (const Case c : {Case{11, 3, &ae, 10, 3}, Case{3, 2, &as, 3, 1}}) {
        twoBlocks();
        ASSERT_NE(Pi1MultiBlock[11][3][0], 0);
        ASSERT_NE(Pj1MultiBlock[3][0], 0);
        indexl = 1;
        for (int i = 0; i <= xnumber + 2; ++i)
            for (int j = 0; j <= ynumber + 2; ++j)
                for (int k = 0; k <= znumber + 2; ++k) conc[1][i][j][k] = 100.0 * i + 10.0 * j + k;
        (*c.coupling)[c.i][c.j][2] = 1.0;
        ap[1][c.i][c.j][2] = 1.0;
        const double plain = conc[1][c.pi][c.pj][2];
        solve2Dbed_gauseid();
        EXPECT_EQ(conc[1][c.i][c.j][2], plain) << c.i << " " << c.j;
    }
}

// After the sweeps the bed cells of the solid boxes that reach k = 2 are 0
// (also with NoLoops 0); boxes above or below the bed cell keep them, and
// the cells above the bed cell stay as they are.
TEST_F(SedimentTest, BedLayerSolverZeroesTheSolidBoxesAtTheBedCell) {
    for (int loops : {0, 1}) {
        SCOPED_TRACE("NoLoops " + std::to_string(loops));
        channelWithBlocks(0.0);  // box 1: i 4..5, j 3, k 2..4
        OutBlockNo = 3;
        OutBlock[2] = OutBlock[1];
        OutBlock[2].i1 = OutBlock[2].i2 = 2;
        OutBlock[2].k1 = 3;
        OutBlock[3] = OutBlock[1];
        OutBlock[3].i1 = OutBlock[3].i2 = 8;
        OutBlock[3].k1 = 0;
        OutBlock[3].k2 = 1;
        NoLoops = loops;
        indexl = 1;
        fillConc(1.0);
        solve2Dbed_gauseid();  // every ap 0: the sweeps keep every value
        EXPECT_EQ(conc[1][4][3][2], 0.0);
        EXPECT_EQ(conc[1][5][3][2], 0.0);
        EXPECT_EQ(conc[1][5][3][3], 1.0);
        EXPECT_EQ(conc[1][2][3][2], 1.0);
        EXPECT_EQ(conc[1][8][3][2], 1.0);
        EXPECT_EQ(conc[1][8][3][1], 1.0);
    }
}

}  // namespace
