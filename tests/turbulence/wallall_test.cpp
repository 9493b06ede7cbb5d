// The wall routine: clearing, choice of law by the variant, exits, the
// momentum terms of side, bed and corner cells, and the block partition.
#include <omp.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "equations/fixture.h"
#include "turbulence/wall_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "equations/parallel.h"
#include "flow3d/flow3d.h"
#include "turbulence/turbulence.h"

using namespace eqtest;
using namespace walltest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;
using quird_test::readFile;

namespace {

class WallKernel : public walltest::WallCells {};

// ---------------------------------------------------------------------------
// Momentum terms of the rough law: the force is -C (phi - (n.U) n_c).
// ---------------------------------------------------------------------------
struct Wall1 {
    double C;
    double nx, ny, nz;
    bool vertical;  // an i- or j-direction wall
};

TEST_F(WallKernel, SideBedAndCornerCellsTakeTheWallParallelFriction) {
    // Side wall on the low j face of row 2 with a tilted normal; bed cell; corner.
    wallCell(3, 2, 3, 0, 1, 0);
    wallCell(3, 3, 2, 0, 0, 1);
    wallCell(4, 2, 2, 0, 1, 1);
    m_vec_y[3][1][0] = 0.6, m_vec_y[3][1][1] = 0.8;
    m_vec_z[3][3][1][0] = 0.28, m_vec_z[3][3][1][2] = 0.96;
    conc[0][3][3][2] = 0.4;  // the bed kappa falls to 0.2
    const double side = logC(kK, kDx * kDz, kDy / 2, XksJ1, 0.4);
    const double bed = logC(kK, kDx * kDy, kDz / 2, 0.002, 0.2);
    const double bedPlain = logC(kK, kDx * kDy, kDz / 2, 0.002, 0.4);
    struct Case {
        int i, j, k;
        std::vector<Wall1> walls;
    };
    const Case cases[] = {
        {3, 2, 3, {{side, 0.6, 0.8, 0.0, true}}},
        {3, 3, 2, {{bed, 0.28, 0.0, 0.96, false}}},
        {4, 2, 2, {{logC(kK, kDx * kDz, kDy / 2, XksJ1, 0.4), 0.0, 1.0, 0.0, true}, {bedPlain, 0.0, 0.0, 1.0, false}}},
    };
    for (int eq = 1; eq <= 3; ++eq) {
        Equation = eq;
        callerTerms();
        wallall();
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "cell " << c.i << "," << c.j << "," << c.k << " equation " << eq);
            const double u = xvel[c.i][c.j][c.k], v = yvel[c.i][c.j][c.k], w = zvel[c.i][c.j][c.k];
            const double phi = velocity(eq, c.i, c.j, c.k);
            double C = 0.0, force = 0.0;
            for (const Wall1& wl : c.walls) {
                const double nU = wl.nx * u + wl.ny * v + (wl.vertical ? 0.0 : wl.nz * w);
                const double nc = eq == 1 ? wl.nx : eq == 2 ? wl.ny : wl.nz;
                C += wl.C;
                force += -wl.C * (phi - nU * nc);
            }
            EXPECT_NEAR(wap[c.i][c.j][c.k], C, 1e-12 * C);
            EXPECT_NEAR(source[c.i][c.j][c.k] - wap[c.i][c.j][c.k] * phi, force, 1e-12 * C);
        }
        // w at a vertical wall is braked in full; cells without walls keep the caller's terms.
        if (eq == 3) {
            EXPECT_EQ(source[3][2][3], 0.0);
        }
        EXPECT_EQ(wap[3][3][3], 5.0);
        EXPECT_EQ(source[3][3][3], 3.0);
    }
    EXPECT_EQ(sqcmyrho, 300.0);
}

// The face of a wall follows its flag; the roughness of a side wall or roof
// follows the cell's j row, for i-direction walls too.
TEST_F(WallKernel, FaceAndRoughnessOfEachWall) {
    m_ar_x[2][3][3] = 0.011;  // face i-1 of cell 3
    m_ar_x[3][3][3] = 0.022;  // face i of cell 3
    struct Case {
        const char* name;
        int i, j, k, wi, wk;
        double A, y, ks;
    };
    const Case cases[] = {
        {"i_low_face", 3, 3, 3, 1, 0, 0.011, kDx / 2, XksWall},
        {"i_high_face", 3, 3, 3, -1, 0, 0.022, kDx / 2, XksWall},
        {"i_wall_row_2", 3, 2, 3, 1, 0, kDy * kDz, kDx / 2, XksJ1},
        {"i_wall_last_row", 3, 4, 3, -1, 0, kDy * kDz, kDx / 2, XksJ2},
        {"roof_row_2", 3, 2, 4, 0, -1, kDx * kDy, kDz / 2, XksJ1},
        {"box_top_bed_roughness", 3, 3, 4, 0, 1, kDx * kDy, kDz / 2, 0.002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        forInterior([](int i, int j, int k) { wallCell(i, j, k, 0, 0, 0); });
        wallCell(c.i, c.j, c.k, c.wi, 0, c.wk);
        wallall();
        EXPECT_NEAR(wap[c.i][c.j][c.k], logC(kK, c.A, c.y, c.ks, 0.4), 1e-12 * wap[c.i][c.j][c.k]);
    }
}

// Profiles inside the roughness act at k-direction walls only.
TEST_F(WallKernel, ProfileInsideTheRoughnessAtTheBed) {
    WallChoiseForm = 2;
    wallCell(3, 3, 2, 0, 0, 1);
    wallCell(3, 3, 3, 1, 0, 0);
    Xks[3][3] = 0.2;     // above the half height 0.05 of the bed cell
    XksWall = 1.0;       // above the half length 0.2 of the i-wall cell
    wallall();
    const double S = std::sqrt(300.0 * kK);
    EXPECT_NEAR(wap[3][3][2], 31.62 * S * kDx * kDy / (3.4 * 0.05 / (0.2 * 0.4)), 1e-12 * wap[3][3][2]);
    EXPECT_NEAR(wap[3][3][3], logC(kK, kDy * kDz, 0.2, 1.0, 0.4), 1e-12 * wap[3][3][3]);  // the log law
}

// ---------------------------------------------------------------------------
// Variant 5 in the viscous sublayer: the laminar wall shear for every k.
// ---------------------------------------------------------------------------
TEST_F(WallKernel, SmoothWallSublayerIsTheLaminarShear) {
    FlagWallAll = 5;
    wallCell(3, 3, 2, 0, 0, 1);
    const double A = kDx * kDy, y = kDz / 2;
    for (double k : {0.0, -0.3, 1e-12, 1e-9, 1e-8}) {
        SCOPED_TRACE(k);
        kinen[3][3][2] = k;
        wallall();
        EXPECT_NEAR(wap[3][3][2], 31.62 * std::sqrt(1000.0) * 1e-6 * A / y, 1e-12 * wap[3][3][2]);
        EXPECT_NEAR(wap[3][3][2], 0.001 * A / y, 0.0002 * 0.001 * A / y);
    }
}

// F 307: the bed and roof coefficients of variant 5 double, side walls stay.
TEST_F(WallKernel, SmoothWallFactorOnBedAndRoofOnly) {
    FlagWallAll = 5;
    wallCell(3, 3, 2, 0, 0, 1);
    wallCell(3, 3, 4, 0, 0, -1);
    wallCell(3, 2, 3, 0, 1, 0);
    auto terms = [] {
        wallall();
        return std::vector<double>{wap[3][3][2], wap[3][3][4], wap[3][2][3], source[3][3][2]};
    };
    const std::vector<double> plain = terms();
    TurbMultFlag = 1;
    TurbMultTest = 2.0;
    const std::vector<double> doubled = terms();
    EXPECT_EQ(doubled[0], 2.0 * plain[0]);
    EXPECT_EQ(doubled[1], 2.0 * plain[1]);
    EXPECT_EQ(doubled[2], plain[2]);
    EXPECT_EQ(doubled[3], 2.0 * plain[3]);
    // The blocks of a thread team apply the factor as the whole-grid call does.
    std::fill(wap.data(), wap.data() + wap.size(), 0.0);
    par::region(2, [] {
        int first, last;
        solverBlock(omp_get_thread_num(), 2, first, last);
        wallallOpenMP(first, last);
    });
    EXPECT_EQ((std::vector<double>{wap[3][3][2], wap[3][3][4], wap[3][2][3], source[3][3][2]}), doubled);
}

// The momentum coefficient of every law variant at a side and a bed cell:
// the wall distance, roughness, kappa and friction velocity that the kernel
// hands to each law. Variant 2 shortens the side distance to the half
// height; the sediment-reduced kappa acts at the bed in variants 0, 2 and 10
// only; variant 9 corrects the bed by the bed cell's normal velocity.
TEST_F(WallKernel, MomentumCoefficientOfEachVariant) {
    using namespace walllaw;
    wallCell(3, 2, 3, 0, 1, 0);  // side wall on the low j face, row 2
    wallCell(3, 3, 2, 0, 0, 1);  // bed cell with sediment
    conc[0][3][3][2] = 0.4;      // kappa 0.2 where the reduction applies
    const double S = std::sqrt(300.0 * kK), ustar = std::sqrt(0.001 * 300.0 * kK);
    const double us = smoothFrictionVelocity(kK);
    const double r = zvel[3][3][2] / ustar;  // the bed normal is vertical
    const Point side = point(kDy / 2, XksJ1, 0.4, ustar), bed = point(kDz / 2, 0.002, 0.4, ustar);
    const Point bedReduced = point(kDz / 2, 0.002, 0.2, ustar);
    struct Case {
        int variant;
        double Rside, Rbed;
    };
    const Case cases[] = {
        {0, logLaw(side), logLaw(bedReduced)},
        {2, logLaw(point(kDz / 2, XksJ1, 0.4, ustar)), logLaw(bedReduced)},
        {5, smoothLaw(point(kDy / 2, XksJ1, 0.4, us)), smoothLaw(point(kDz / 2, 0.002, 0.4, us))},
        {6, blendedLaw(side), blendedLaw(bed)},
        {7, transitionalLaw(side), transitionalLaw(bed)},
        {8, clippedLaw(side), clippedLaw(bed)},
        {9, clippedLaw(side), bedNormalCorrection(clippedLawUnbounded(bed), r, kMomentumNormalMin)},
        {10, roughnessLayerLaw(side), roughnessLayerLaw(bedReduced)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "variant " << c.variant);
        FlagWallAll = c.variant;
        for (int eq = 1; eq <= 3; ++eq) {
            Equation = eq;
            wallall();
            const double Cside = 31.62 * S * kDx * kDz / c.Rside, Cbed = 31.62 * S * kDx * kDy / c.Rbed;
            EXPECT_NEAR(wap[3][2][3], Cside, 1e-12 * Cside);
            EXPECT_NEAR(wap[3][3][2], Cbed, 1e-12 * Cbed);
            // The normal part of the solved component is handed back: v at the
            // side wall, w at the bed.
            EXPECT_NEAR(source[3][2][3], eq == 2 ? Cside * yvel[3][2][3] : 0.0, 1e-12 * Cside);
            EXPECT_NEAR(source[3][3][2], eq == 3 ? Cbed * zvel[3][3][2] : 0.0, 1e-12 * Cbed);
        }
    }
}

// Variant 9: every k-direction wall of a column, the roof too, is corrected
// by the bed-normal velocity of the column's bed cell over its own u*.
TEST_F(WallKernel, BedNormalCorrectionUsesTheBedCellOfTheColumn) {
    FlagWallAll = 9;
    wallCell(3, 3, 4, 0, 0, -1);
    const double ustar = std::sqrt(0.001 * 300.0 * kK);
    m_vec_z[3][3][1][0] = 0.6, m_vec_z[3][3][1][2] = 0.8;
    struct Case {
        const char* name;
        double r;  // bed-normal velocity of the bed cell over u*
    };
    for (const Case& c : {Case{"out_of_the_bed", 0.5}, Case{"into_the_bed", -1.0}, Case{"along_the_bed", 0.0}}) {
        SCOPED_TRACE(c.name);
        // (u, w) of the bed cell: normal part r u*, and a part along the bed.
        xvel[3][3][2] = 0.6 * c.r * ustar + 0.8 * 0.3;
        zvel[3][3][2] = 0.8 * c.r * ustar - 0.6 * 0.3;
        yvel[3][3][2] = 0.1;
        wallall();
        const walllaw::Point p = walllaw::point(kDz / 2, XksWall, 0.4, ustar);
        const double R0 = walllaw::clippedLawUnbounded(p);
        const double rp = c.r < 0.4 ? 0.25 * std::max(c.r, -0.1) : 0.1;
        const double C = 31.62 * std::sqrt(300.0 * kK) * kDx * kDy / std::max(R0 + rp * R0 * R0, 0.025);
        EXPECT_NEAR(wap[3][3][4], C, 1e-9 * C);
    }
}

// Inside a parallel region the fault is recorded; the main thread ends the run.
TEST_F(WallKernel, FaultInsideARegionEndsTheRunFromTheMainThread) {
    FlagWallAll = 7;
    Equation = 4;
    NoProcessesSolver = 2;
    const int code = exitCodeOf([] {
        par::region(2, [] {
            int first, last;
            solverBlock(omp_get_thread_num(), 2, first, last);
            wallallOpenMP(first, last);
        });
        endRegionFault();
    });
    EXPECT_EQ(code, -4);
    EXPECT_EQ(log(), "Error in wall laws, Equation = 4\n");
}

// ---------------------------------------------------------------------------
// Choice of law: F 189 13 and the clearing-only variants.
// ---------------------------------------------------------------------------
TEST_F(WallKernel, VariantsWithAndWithoutMomentumTerms) {
    wallCell(3, 3, 2, 0, 1, 1);
    struct Case {
        int variant, brelk;
        bool terms;
    };
    const Case cases[] = {
        {0, 13, false}, {3, 13, false}, {4, 13, false}, {11, 13, false}, {2, 13, true},  {5, 13, true},
        {6, 13, true},  {7, 13, true},  {8, 13, true},  {9, 13, true},   {10, 13, true}, {0, 0, true},
        {1, 0, false},  {12, 0, false}, {16, 0, false}, {20, 0, false},  {25, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "variant " << c.variant << " F 189 " << c.brelk);
        FlagWallAll = c.variant;
        FlagBrelk = c.brelk;
        for (int eq = 1; eq <= 3; ++eq) {
            Equation = eq;
            callerTerms();
            EXPECT_EQ(exitCodeOf(wallall), kNoExit);
            if (c.terms) {
                EXPECT_GT(wap[3][3][2], 0.0);
            } else {
                EXPECT_EQ(wap[3][3][2], 0.0);
                EXPECT_EQ(source[3][3][2], 0.0);
            }
            EXPECT_EQ(wap[3][3][3], 5.0);
        }
    }
}

// Equations without a branch end the run with -4; the standard group
// returns under k-omega or F 189 13; the clearing-only variants never exit.
TEST_F(WallKernel, EquationWithoutABranch) {
    struct Case {
        int variant, model, brelk, equation, code;
    };
    const Case cases[] = {
        {7, 0, 0, 4, -4},  {7, 0, 13, 8, -4},  {0, 0, 0, 4, -4},     {0, 0, 13, 4, kNoExit},
        {0, 15, 0, 8, kNoExit}, {12, 0, 0, 4, kNoExit}, {0, 14, 0, 6, -4}, {12, 14, 0, 4, -4},
        {0, 14, 0, 5, kNoExit}, {2, 14, 0, 6, kNoExit}, {2, 14, 0, 4, -4},  {5, 0, 0, 6, kNoExit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "variant " << c.variant << " model " << c.model << " F 189 "
                                        << c.brelk << " equation " << c.equation);
        std::filesystem::remove("boogie");
        FlagWallAll = c.variant;
        TurbulenceModel = c.model;
        FlagBrelk = c.brelk;
        Equation = c.equation;
        sqcmyrho = 7.0;
        EXPECT_EQ(exitCodeOf(wallall), c.code);
        EXPECT_EQ(log(), c.code == -4 ? "Error in wall laws, Equation = " + std::to_string(c.equation) + "\n" : "");
        EXPECT_EQ(sqcmyrho, 1000.0 * std::sqrt(cmy));  // stored before anything else, an exit too
    }
}

// Clearing of the k and epsilon steps.
TEST_F(WallKernel, ClearingOfTheTurbulenceSteps) {
    wallCell(3, 3, 2, 0, 1, 1);  // bed and side wall
    wallCell(3, 3, 3, 0, 1, 0);  // side wall, centre 0.15 above the bed
    wallCell(3, 3, 4, 0, 1, 0);  // side wall, centre 0.25 above the bed
    Xks[3][3] = m_dist_z[3][3][3] + 2.0 * m_dist_z[3][3][2];  // the centre of the lower side cell
    struct Case {
        int variant, model, equation;
        bool bed, low, high;  // cleared
    };
    const Case cases[] = {
        {0, 0, 5, true, true, true},     {3, 0, 5, true, false, false}, {3, 0, 6, true, false, false},
        {4, 0, 6, true, false, true},    {0, 14, 5, false, false, false}, {0, 14, 1, true, true, true},
        {3, 0, 1, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "variant " << c.variant << " model " << c.model << " equation " << c.equation);
        FlagWallAll = c.variant;
        TurbulenceModel = c.model;
        Equation = c.equation;
        for (int k = 0; k <= znumber + 1; ++k) xvel[3][3][k] = yvel[3][3][k] = zvel[3][3][k] = 0.0;  // no friction
        callerTerms();
        wallall();
        // A cell that is not cleared keeps the caller's terms (and gets no wall value).
        EXPECT_EQ(source[3][3][2] != 3.0, c.bed);
        EXPECT_EQ(source[3][3][3] != 3.0, c.low);
        EXPECT_EQ(source[3][3][4] != 3.0, c.high);
    }
}

// ---------------------------------------------------------------------------
// One-equation model.
// ---------------------------------------------------------------------------
TEST_F(WallKernel, OneEquationLawTreatsBanksAlongIAndJAlike) {
    TurbulenceModel = 14;
    FlagWallAll = 0;
    XksJ1 = XksJ2 = XksWall = 0.002;
    boxGeometry(0.3, 0.3, kDz);
    // Channel along i: bank on the low j face; along j: bank on the low i face.
    auto coefficients = [&](bool alongI) {
        forInterior([](int i, int j, int k) { wallCell(i, j, k, 0, 0, 0); });
        wallCell(3, 3, 2, alongI ? 0 : 1, alongI ? 1 : 0, 1);
        xvel[3][3][2] = alongI ? 0.8 : 0.1;
        yvel[3][3][2] = alongI ? 0.1 : 0.8;
        zvel[3][3][2] = 0.03;
        std::vector<double> c;
        for (int eq = 1; eq <= 3; ++eq) {
            Equation = eq;
            wallall();
            c.push_back(wap[3][3][2]);
            EXPECT_EQ(source[3][3][2], 0.0);
        }
        return c;
    };
    const std::vector<double> i = coefficients(true), j = coefficients(false);
    EXPECT_EQ(i[0], j[1]);  // the streamwise component
    EXPECT_EQ(i[1], j[0]);  // the cross component
    EXPECT_EQ(i[2], j[2]);
    // u at a j-wall: the bank and the bed, each 1000 A |u| / R^2.
    const double Rbank = std::log(30 * 0.15 / 0.002) / 0.4, Rbed = std::log(30 * 0.05 / 0.002) / 0.4;
    EXPECT_NEAR(i[0], 1000 * 0.03 * 0.8 / (Rbank * Rbank) + 1000 * 0.09 * 0.8 / (Rbed * Rbed), 1e-12 * i[0]);
    // w: the bank adds nothing.
    EXPECT_NEAR(i[2], 1000 * 0.09 * 0.03 / (Rbed * Rbed), 1e-12 * i[2]);
    // A cell at rest gets no term.
    xvel[3][3][2] = yvel[3][3][2] = zvel[3][3][2] = 0.0;
    Equation = 1;
    wallall();
    EXPECT_EQ(wap[3][3][2], 0.0);
}

// ---------------------------------------------------------------------------
// Partition: the blocks of any partition of 2..xnumber, called in sequence,
// give the workspace of the whole-grid call bit for bit.
// ---------------------------------------------------------------------------
TEST_F(WallKernel, AnyPartitionGivesTheWholeGridWorkspace) {
    randomWallCells(7);
    FlagSurfEps = 2;
    TurbMultFlag = 1;  // the factor of variant 5 acts per block as on the whole grid
    TurbMultTest = 1.7;
    for (int model : {0, 14, 15, 16})
    for (int variant : {0, 4, 5, 6, 9, 11}) {
        TurbulenceModel = model;
        FlagWallAll = variant;
        for (int eq : {1, 2, 3, 5, 6}) {
            if (model == 14 && eq == 6) continue;  // no second equation
            Equation = eq;
            callerTerms();
            wallall();
            const Workspace whole = workspace();
            const std::vector<std::vector<int>> partitions = {{2, 2, 3, 5}, {2, 4, 5, 5}, {2, 3, 4, 5}};
            for (const auto& p : partitions) {
                callerTerms();
                sqcmyrho = 7.0;
                wallallOpenMP(p[0], p[1]);
                wallallOpenMP(p[1] + 1, p[2]);
                wallallOpenMP(p[2] + 1, p[3]);
                expectWorkspace(whole);
            }
        }
    }
    // An empty block stores sqcmyrho and nothing else.
    TurbulenceModel = 0;
    callerTerms();
    sqcmyrho = 7.0;
    cmy = 0.085;
    wallallOpenMP(5, 4);
    EXPECT_EQ(sqcmyrho, 1000.0 * std::sqrt(0.085));
    forInterior([](int i, int j, int k) { ASSERT_EQ(wap[i][j][k], 5.0); });
}


// ---------------------------------------------------------------------------
// k and epsilon.
// ---------------------------------------------------------------------------
constexpr double kC25 = 0.5477225575051661;  // 0.09^0.25
constexpr double kC75 = 0.1643167672515498;  // 0.09^0.75
constexpr double kU2 = 0.7 * 0.7 + 0.2 * 0.2 + 0.05 * 0.05;
constexpr double kV = kDx * kDy * kDz;

// Dissipation coefficient and production of one wall with resistance R.
double kWap(double R, double y) { return 1000.0 * kC75 * std::sqrt(kK) * R / y * kV; }
double kSource(double R, double y) { return 31.62 * std::sqrt(300.0 * kK) * kU2 / (R * y) * kV; }
double logR(double y, double ks, double kappa) { return std::max(std::log(30.0 * y / ks), 0.01) / kappa; }

// Bed, side and corner cells: one production and dissipation pair per wall;
// epsilon pinned at the log-law value, a corner at the mean of its pins, the
// reduced kappa only at the bed cell k = 2.
TEST_F(WallKernel, KAndEpsilonOfBedSideAndCornerCells) {
    wallCell(3, 2, 3, 0, 1, 0);  // side wall
    wallCell(3, 3, 2, 0, 0, 1);  // bed, with sediment
    wallCell(4, 2, 2, 0, 1, 1);  // corner
    wallCell(4, 3, 3, 0, 0, 1);  // top of a blocked box
    conc[0][3][3][2] = 0.4;
    conc[0][4][3][3] = 0.4;
    const double ys = kDy / 2, yb = kDz / 2;
    struct Case {
        const char* name;
        int i, j, k;
        double wap, source;  // k equation
        double eps;          // pinned epsilon
    };
    const double side = logR(ys, XksJ1, 0.4), bed = logR(yb, 0.002, 0.2), bedPlain = logR(yb, 0.002, 0.4);
    const double q = kC75 * std::pow(kK, 1.5);
    const Case cases[] = {
        {"side", 3, 2, 3, kWap(side, ys), kSource(side, ys), q / (0.4 * ys)},
        {"bed", 3, 3, 2, kWap(bed, yb), kSource(bed, yb), q / (0.2 * yb)},
        {"corner", 4, 2, 2, kWap(side, ys) + kWap(bedPlain, yb), kSource(side, ys) + kSource(bedPlain, yb),
         0.5 * (q / (0.4 * ys) + q / (0.4 * yb))},
        {"box_top", 4, 3, 3, kWap(bed, yb), kSource(bed, yb), q / (0.4 * yb)},
    };
    callerTerms();
    Equation = 5;
    wallall();
    const std::vector<double> wapK(wap.data(), wap.data() + wap.size()), sourceK(source.data(), source.data() + source.size());
    callerTerms();
    Equation = 6;
    wallall();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t n = &wap[c.i][c.j][c.k] - wap.data();
        EXPECT_NEAR(wapK[n], c.wap, 1e-12 * c.wap);
        EXPECT_NEAR(sourceK[n], c.source, 1e-12 * c.source);
        EXPECT_NEAR(source[c.i][c.j][c.k] / wap[c.i][c.j][c.k], c.eps, 1e-12 * c.eps);
    }
    EXPECT_EQ(wap[3][3][3], 5.0);  // no wall: the caller's terms
}

// Variants 3 and 4: which walls take part; a side-wall cell exactly Xks above
// the bed keeps its sources, one higher up gets its side terms.
TEST_F(WallKernel, KWallsOfVariantsThreeAndFour) {
    wallCell(3, 2, 2, 0, 1, 1);  // corner
    wallCell(3, 2, 3, 0, 1, 0);  // centre 0.15 above the bed
    wallCell(3, 2, 4, 0, 1, 0);  // centre 0.25 above the bed
    Xks[3][2] = m_dist_z[3][2][3] + 2.0 * m_dist_z[3][2][2];  // exactly the centre height of (3, 2, 3)
    const double ys = kDy / 2, yb = kDz / 2;
    const double side = logR(ys, XksJ1, 0.4), bed = logR(yb, Xks[3][2], 0.4);
    struct Case {
        int variant;
        double corner, low, high;  // wap of the k equation
    };
    const Case cases[] = {
        {0, kWap(side, ys) + kWap(bed, yb), kWap(side, ys), kWap(side, ys)},
        {3, kWap(bed, yb), 5.0, 5.0},
        {4, kWap(bed, yb), 5.0, kWap(side, ys)},
    };
    Equation = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        FlagWallAll = c.variant;
        callerTerms();
        wallall();
        EXPECT_NEAR(wap[3][2][2], c.corner, 1e-12 * c.corner);
        EXPECT_NEAR(wap[3][2][3], c.low, 1e-12 * c.low);
        EXPECT_NEAR(wap[3][2][4], c.high, 1e-12 * c.high);
    }
}

// Variants 5 to 10: the k terms follow each law's R with u* = cmy^0.25
// sqrt(k*); variant 9 corrects bed walls with the lower clamp of the k law.
TEST_F(WallKernel, KTermsOfTheSmoothAndTransitionalVariants) {
    wallCell(3, 3, 2, 0, 0, 1);
    const double y = kDz / 2, ustar = kC25 * std::sqrt(kK);
    xvel[3][3][2] = 0.0;
    zvel[3][3][2] = -0.1;  // into the bed: r = -0.1 / u*, clamped at -0.06
    const double U2 = 0.2 * 0.2 + 0.1 * 0.1;
    for (double ks : {1e-6, 0.002, 0.02}) {  // smooth, transitional and rough ks+
        Xks[3][3] = ks;
        const walllaw::Point p = walllaw::point(y, ks, 0.4, ustar);
        struct Case {
            int variant;
            double R;
        };
        const Case cases[] = {
            {5, walllaw::smoothLaw(walllaw::point(y, ks, 0.4, walllaw::smoothFrictionVelocity(kK)))},
            {6, walllaw::blendedLaw(p)},
            {7, walllaw::transitionalLaw(p)},
            {8, walllaw::clippedLaw(p)},
            {9, walllaw::bedNormalCorrection(walllaw::clippedLawUnbounded(p), -0.1 / ustar, -0.06)},
            {10, walllaw::roughnessLayerLaw(p)},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "variant " << c.variant << " ks " << ks);
            FlagWallAll = c.variant;
            Equation = 5;
            wallall();
            EXPECT_NEAR(wap[3][3][2], kWap(c.R, y), 1e-12 * kWap(c.R, y));
            const double production = 31.62 * std::sqrt(300.0 * kK) * U2 / (c.R * y) * kV;
            EXPECT_NEAR(source[3][3][2], production, 1e-12 * production);
            Equation = 6;  // no reduced kappa in these variants
            conc[0][3][3][2] = 0.4;
            wallall();
            conc[0][3][3][2] = 0.0;
            EXPECT_NEAR(source[3][3][2] / wap[3][3][2], kC75 * std::pow(kK, 1.5) / (0.4 * y), 1e-12);
        }
    }
}

// F 307 with variant 5: at bed and roof the dissipation doubles and the
// production halves; side walls are unchanged.
TEST_F(WallKernel, SmoothWallFactorInTheKEquation) {
    FlagWallAll = 5;
    Equation = 5;
    wallCell(3, 3, 2, 0, 0, 1);
    wallCell(3, 3, 4, 0, 0, -1);
    wallCell(3, 2, 3, 0, 1, 0);
    auto terms = [] {
        wallall();
        return std::vector<double>{wap[3][3][2], source[3][3][2], wap[3][3][4], source[3][3][4], wap[3][2][3],
                                   source[3][2][3]};
    };
    const std::vector<double> plain = terms();
    TurbMultFlag = 1;
    TurbMultTest = 2.0;
    const std::vector<double> changed = terms();
    for (int n : {0, 2}) {
        EXPECT_NEAR(changed[n], 2.0 * plain[n], 1e-12 * plain[n]);
        EXPECT_NEAR(changed[n + 1], 0.5 * plain[n + 1], 1e-12 * plain[n + 1]);
    }
    EXPECT_EQ(changed[4], plain[4]);
    EXPECT_EQ(changed[5], plain[5]);
}

// Variant 11 pins k at (U / R)^2 / sqrt(0.09) of the plain log law.
TEST_F(WallKernel, FixedKOfVariantEleven) {
    FlagWallAll = 11;
    WallChoiseForm = 2;  // no profile inside the roughness for the pinned k
    Xks[3][3] = 0.2;
    wallCell(3, 3, 2, 0, 0, 1);
    Equation = 5;
    wallall();
    const double uV = std::sqrt(kU2) / logR(kDz / 2, 0.2, 0.4);
    EXPECT_EQ(wap[3][3][2], 1e20);
    EXPECT_NEAR(source[3][3][2] / wap[3][3][2], 3.333333 * uV * uV, 1e-12);
}

// Surface epsilon: F 185 1 from the depth; F 185 2 with the shorter of the
// depth and the distance to the nearer bank, in a shallow and in a deep
// column, the middle cell of the section included. Variant 3 adds nothing.
TEST_F(WallKernel, SurfaceEpsilon) {
    const int Z = znumber;
    const double kt = kK, q = std::pow(kt, 1.5);
    const double W = 3 * kDy;  // three cells across
    struct Case {
        const char* name;
        int flag, variant, j;
        double halfHeight;  // of every cell of the column
        double value;       // 0: no pin
    };
    auto two = [&](double h, double d) { return 0.41079 * q * (1.0 / (0.07 * h) + 1.0 / d); };
    const Case cases[] = {
        {"depth", 1, 0, 3, kDz / 2, q / (0.43 * 3 * kDz)},
        {"shallow_middle", 2, 0, 3, kDz / 2, two(3 * kDz, 3 * kDz)},
        {"deep_middle", 2, 0, 3, 0.5, two(3.0, W / 2)},
        {"deep_bank_row", 2, 5, 2, 0.5, two(3.0, kDy / 2)},
        {"deep_far_bank_row", 2, 0, 4, 0.5, two(3.0, kDy / 2)},
        {"variant_3", 1, 3, 3, kDz / 2, 0.0},
    };
    Equation = 6;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlagSurfEps = c.flag;
        FlagWallAll = c.variant;
        for (int k = 2; k <= Z; ++k) m_dist_z[3][c.j][k] = c.halfHeight;
        callerTerms();
        wallall();
        if (c.value == 0.0) {
            EXPECT_EQ(wap[3][c.j][Z], 5.0);
        } else {
            EXPECT_EQ(wap[3][c.j][Z], 5.0 + 1e30);
            EXPECT_NEAR(source[3][c.j][Z] / wap[3][c.j][Z], c.value, 1e-9 * c.value);
        }
        for (int k = 2; k <= Z; ++k) m_dist_z[3][c.j][k] = kDz / 2;
    }
}

}  // namespace

namespace {

// Wall values of variant 2, variant 11, the k-omega models (15, 16 and the
// variants 5 to 10 from model 15 on), the surface omega and the one-equation
// model. Cells: a side cell (3, 2, 3), a bed cell with sediment (3, 3, 2), a
// corner (4, 2, 2), a roof (3, 3, 4), a bed cell at rest (2, 3, 2) and the
// open top cells (4, 3, 4) and (4, 2, 4).
TEST_F(WallKernel, WallValuesOfTheFurtherModels) {
    wallCell(3, 2, 3, 0, 1, 0);
    wallCell(3, 3, 2, 0, 0, 1);
    wallCell(4, 2, 2, 0, 1, 1);
    wallCell(3, 3, 4, 0, 0, -1);
    wallCell(2, 3, 2, 0, 0, 1);
    conc[0][3][3][2] = 0.4;
    xvel[2][3][2] = yvel[2][3][2] = zvel[2][3][2] = 0.0;
    const double ys = kDy / 2, yz = kDz / 2, sk = std::sqrt(kK), h = 3 * kDz;
    const double q = kC75 * std::pow(kK, 1.5);
    const double smoothR = std::log(9.0 * ys * 1e6 * std::sqrt(0.3 * kK)) / 0.4;
    // The near-bed destruction of nu-tilde n = kK.
    const auto nuTilde = [&](double Um, double y) {
        const double ul = std::sqrt(1e-6 * Um / y), yPlus = 1e6 * y * ul;
        const double r = kK / ((0.5 * Um / y) * 0.16 * y * y);
        const double g = r + 0.3 * (std::pow(r, 6) - r);
        const double fw = g * std::pow(65.0 / (std::pow(g, 6) + 64.0), 0.1666667);  // the literal exponent
        const double X3 = std::pow(0.4 * yPlus, 3);
        const double cw = yPlus < 11.6 ? 6.320498783500607 * X3 / (X3 + 357.911) : 6.320498783500607;
        return cw * fw * kK / (y * y);
    };
    enum Kind { Pinned, Terms, Cleared, Untouched };
    struct Case {
        const char* name;
        int variant, model, equation, surface;
        int i, j, k;
        Kind kind;
        double a, b = 0.0;  // Pinned: value, number of pins; Terms: wap, source
    };
    const double R2 = logR(yz, XksJ1, 0.4);
    const double uV = std::sqrt(kU2) / logR(yz, 0.002, 0.2);
    const double pinBed = 0.0025 / (0.002 * 0.002);
    const Case cases[] = {
        {"variant_2_shortened_k", 2, 16, 5, 0, 3, 2, 3, Terms, kWap(R2, yz), kSource(R2, yz)},
        {"variant_2_epsilon_not_omega", 2, 15, 6, 0, 3, 2, 3, Pinned, q / (0.4 * yz), 1},
        {"variant_2_no_surface", 2, 0, 6, 1, 4, 3, 4, Untouched, 0},
        {"variant_11_fixed_k", 11, 0, 5, 0, 3, 3, 2, Pinned, 3.333333 * uV * uV, 1e-10},
        {"variant_11_cell_at_rest", 11, 0, 5, 0, 2, 3, 2, Pinned, 0.0, 1e-10},
        {"model_15_bed", 0, 15, 6, 1, 3, 3, 2, Pinned, pinBed, 1},
        {"model_15_roof_bed_roughness", 0, 15, 6, 1, 3, 3, 4, Pinned, pinBed, 1},
        {"model_15_corner_k_wall_only", 4, 15, 6, 1, 4, 2, 2, Pinned, pinBed, 1},
        {"model_15_side_cleared", 0, 15, 6, 1, 3, 2, 3, Cleared, 0},
        {"model_15_no_surface", 0, 15, 6, 1, 4, 3, 4, Untouched, 0},
        {"model_15_smooth_k_at_every_wall", 3, 15, 5, 0, 3, 2, 3, Terms, 5.0 + kWap(smoothR, ys),
         3.0 + kSource(smoothR, ys)},
        {"model_16_side", 0, 16, 6, 1, 3, 2, 3, Pinned, sk / (0.21908 * ys), 1},
        {"model_16_corner", 3, 16, 6, 1, 4, 2, 2, Pinned, 0.5 * (sk / (0.21908 * ys) + sk / (0.21908 * yz)), 2},
        {"model_16_no_surface", 0, 16, 6, 1, 4, 3, 4, Untouched, 0},
        {"variant_7_model_16_corner", 7, 16, 6, 0, 4, 2, 2, Pinned,
         0.5 * (sk / (0.4 * 0.5477 * ys) + sk / (0.4 * 0.5477 * yz)), 2},
        {"variant_10_model_20_bed", 10, 20, 6, 0, 3, 3, 2, Pinned, sk / (0.4 * 0.5477 * yz), 1},
        {"surface_omega_depth", 5, 17, 6, 1, 4, 3, 4, Pinned, sk / (0.43 * h), 1},
        {"surface_omega_bank_from_centre", 5, 15, 6, 2, 4, 2, 4, Pinned,
         0.41079 * sk * (1 / (0.07 * h) + 1 / (kDy / 2)), 1},
        {"surface_omega_bank_from_high_face", 6, 15, 6, 2, 4, 2, 4, Pinned,
         0.41079 * sk * (1 / (0.07 * h) + 1 / kDy), 1},
        {"surface_epsilon_variant_6", 6, 0, 6, 2, 4, 2, 4, Pinned,
         0.41079 * std::pow(kK, 1.5) * (1 / (0.07 * h) + 1 / (kDy / 2)), 1},
        {"one_equation_bed", 0, 14, 5, 0, 3, 3, 2, Terms, 5.0 + nuTilde(std::sqrt(kU2), yz), 3.0},
        {"one_equation_roof", 5, 14, 5, 0, 3, 3, 4, Terms, 5.0 + nuTilde(std::sqrt(kU2), yz), 3.0},
        {"one_equation_side", 0, 14, 5, 0, 3, 2, 3, Untouched, 0},
        {"one_equation_at_rest", 5, 14, 5, 0, 2, 3, 2, Untouched, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlagWallAll = c.variant;
        TurbulenceModel = c.model;
        Equation = c.equation;
        FlagSurfEps = c.surface;
        callerTerms();
        wallall();
        const double w = wap[c.i][c.j][c.k], s = source[c.i][c.j][c.k];
        switch (c.kind) {
        case Pinned:
            EXPECT_NEAR(w, c.b * 1e30, 1e-12 * c.b * 1e30);
            EXPECT_NEAR(s / w, c.a, 1e-12 * c.a);
            break;
        case Terms:
            EXPECT_NEAR(w, c.a, 1e-12 * c.a);
            EXPECT_NEAR(s, c.b, 1e-12 * c.b);
            break;
        case Cleared:
            EXPECT_EQ(w, 0.0);
            EXPECT_EQ(s, 0.0);
            break;
        case Untouched:
            EXPECT_EQ(w, 5.0);
            EXPECT_EQ(s, 3.0);
            break;
        }
    }
    // The side wall's log-law nu-tilde enters with the weight 1e-30 only.
    FlagWallAll = 0;
    TurbulenceModel = 14;
    Equation = 5;
    callerTerms();
    wap[3][2][3] = source[3][2][3] = 0.0;
    wallall();
    EXPECT_EQ(wap[3][2][3], 1e-30);
    const double sideR = std::log(30.0 * ys / XksJ1) / 0.4;
    EXPECT_NEAR(source[3][2][3] / wap[3][2][3], 0.4 * ys * std::sqrt(kU2) / sideR, 1e-12);
    // A bed cell nearly at rest gives a finite nu-tilde term.
    xvel[2][3][2] = 1e-300;
    FlagWallAll = 0;
    TurbulenceModel = 14;
    Equation = 5;
    callerTerms();
    wallall();
    EXPECT_TRUE(std::isfinite(wap[2][3][2]));
    EXPECT_TRUE(std::isfinite(source[2][3][2]));
}

}  // namespace
