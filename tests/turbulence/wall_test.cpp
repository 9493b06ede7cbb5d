// The simple rough-wall law (F 15 1): the nearest wall, the roughness of
// bed-type cells, the floors of the logarithm, assigned values, k = 0, the
// exits, and the wall step that runs it once on the main thread.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "turbulence/wall_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "flow3d/dispatchers.h"
#include "turbulence/turbulence.h"

using namespace walltest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;

namespace {

class SimpleWall : public WallCells {
protected:
    void SetUp() override {
        WallCells::SetUp();
        FlagWallAll = 1;
    }
    // C of the momentum law: 31.62 sqrt(300 k) A kappa / max(ln(30 y / ks), 1).
    static double C(double A, double y, double ks, double kappa, double k = kK) {
        return 31.62 * std::sqrt(300.0 * k) * A * kappa / std::max(std::log(30.0 * y / ks), 1.0);
    }
    static double speed2(int i, int j, int k) {
        const double u = xvel[i][j][k], v = yvel[i][j][k], w = zvel[i][j][k];
        return u * u + v * v + w * w;
    }
};

constexpr double kC75 = 0.1643167672515498;  // 0.09^0.75

// The face of the nearest wall carries the whole shear; distances within a
// relative 1e-4 of the nearest go to i, then j, then k. A cell at k = 3
// with all three walls, its half sizes set per case.
TEST_F(SimpleWall, NearestWallAndItsTies) {
    wallCell(3, 3, 3, 1, -1, -1);
    m_ar_x[2][3][3] = 0.011;  // the low i-face
    m_ar_y[3][3][3] = 0.022;  // the high j-face
    m_ar_z[3][3][3] = 0.033;  // the high k-face
    m_vec_z[3][3][3][0] = 0.6, m_vec_z[3][3][3][2] = 0.8;
    struct Case {
        const char* name;
        double dx, dy, dz;
        int dir;
    };
    const Case cases[] = {
        {"i_nearest", 0.01, 0.02, 0.03, 0},      {"j_nearest", 0.03, 0.01, 0.02, 1},
        {"k_nearest", 0.02, 0.03, 0.01, 2},      {"i_j_tie", 0.010000999, 0.01, 0.02, 0},
        {"j_k_tie", 0.03, 0.010000999, 0.01, 1}, {"i_k_tie", 0.010000999, 0.03, 0.01, 0},
        {"k_beyond_tie", 0.010002, 0.03, 0.01, 2},
    };
    const double A[3] = {0.011, 0.022, 0.033};
    const double n[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.6, 0.0, 0.8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dist_x[3][3][3] = c.dx, m_dist_y[3][3][3] = c.dy, m_dist_z[3][3][3] = c.dz;
        const double y = std::min({c.dx, c.dy, c.dz});
        const double coef = C(A[c.dir], y, XksWall, 0.4);
        const double u = 0.7, v = -0.2, w = 0.05;
        const double nU = n[c.dir][0] * u + n[c.dir][1] * v + n[c.dir][2] * w;
        for (int eq = 1; eq <= 3; ++eq) {
            Equation = eq;
            wall();
            EXPECT_NEAR(wap[3][3][3], coef, 1e-12 * coef);
            EXPECT_NEAR(source[3][3][3], coef * nU * n[c.dir][eq - 1], 1e-12 * coef);
        }
    }
}

// Bed-type cells (k = 2, or a wall below) take the bed roughness and the
// sediment-reduced kappa in the momentum and k laws, also when a bank is
// nearer; the epsilon pin reduces kappa at k = 2 only.
TEST_F(SimpleWall, BedTypeCellsTakeTheBedRoughness) {
    wallCell(3, 2, 2, 0, 1, 1);  // bed cell, bank nearer (half width 0.04 < half height 0.05)
    wallCell(4, 3, 3, 0, 0, 1);  // top of a blocked box
    wallCell(3, 2, 3, 0, 1, 0);  // bank only
    m_dist_y[3][2][2] = 0.04;
    conc[0][3][2][2] = conc[0][4][3][3] = conc[0][3][2][3] = 0.4;  // reduced kappa 0.2
    struct Case {
        const char* name;
        int i, j, k;
        double A, y, ks, kappa, epsilonKappa;
    };
    const Case cases[] = {
        {"bed_beside_bank", 3, 2, 2, kDx * kDz, 0.04, 0.002, 0.2, 0.2},
        {"box_top", 4, 3, 3, kDx * kDy, kDz / 2, 0.002, 0.2, 0.4},
        {"bank", 3, 2, 3, kDx * kDz, kDy / 2, XksWall, 0.4, 0.4},
    };
    const double V = kDx * kDy * kDz;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double B = std::max(std::log(30.0 * c.y / c.ks), 0.01);
        Equation = 1;
        wall();
        EXPECT_NEAR(wap[c.i][c.j][c.k], C(c.A, c.y, c.ks, c.kappa), 1e-12 * wap[c.i][c.j][c.k]);
        Equation = 5;
        wall();
        const double dissipation = 1000.0 * kC75 * std::sqrt(kK) * B / c.kappa / c.y * V;
        const double production = 31.62 * std::sqrt(300.0 * kK) * c.kappa / B * speed2(c.i, c.j, c.k) / c.y * V;
        EXPECT_NEAR(wap[c.i][c.j][c.k], dissipation, 1e-12 * dissipation);
        EXPECT_NEAR(source[c.i][c.j][c.k], production, 1e-12 * production);
        Equation = 6;
        wall();
        EXPECT_EQ(wap[c.i][c.j][c.k], 1e30);
        const double eps = kC75 * std::pow(kK, 1.5) / (c.epsilonKappa * c.y);
        EXPECT_NEAR(source[c.i][c.j][c.k] / 1e30, eps, 1e-12 * eps);
    }
}

// ln(30 y / ks) below 1: the momentum law takes 1, the k law the logarithm
// down to 0.01.
TEST_F(SimpleWall, FloorsOfTheLogarithm) {
    wallCell(3, 3, 2, 0, 0, 1);
    const double y = kDz / 2, V = kDx * kDy * kDz;
    for (double L : {0.5, 0.001}) {
        SCOPED_TRACE(L);
        Xks[3][3] = 30.0 * y / std::exp(L);
        Equation = 3;
        wall();
        EXPECT_NEAR(wap[3][3][2], 31.62 * std::sqrt(300.0 * kK) * kDx * kDy * 0.4 / 1.0, 1e-12);
        Equation = 5;
        wall();
        const double B = std::max(L, 0.01);
        EXPECT_NEAR(wap[3][3][2], 1000.0 * kC75 * std::sqrt(kK) * B / 0.4 / y * V, 1e-12 * wap[3][3][2]);
    }
}

// The caller's terms in a wall cell are replaced, elsewhere kept; k = 0 (and
// a negative k, taken as 0) gives no shear, no k terms and epsilon 0.
TEST_F(SimpleWall, ValuesAreAssignedAndZeroKGivesNothing) {
    wallCell(3, 3, 2, 0, 0, 1);
    for (int eq : {1, 3, 5, 6}) {
        SCOPED_TRACE(eq);
        Equation = eq;
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        std::fill(source.data(), source.data() + source.size(), 0.0);
        wall();
        const double w = wap[3][3][2], s = source[3][3][2];
        EXPECT_GT(w, 0.0);
        callerTerms();
        wall();
        EXPECT_EQ(wap[3][3][2], w);
        EXPECT_EQ(source[3][3][2], s);
        EXPECT_EQ(wap[3][3][3], 5.0);
        EXPECT_EQ(source[3][3][3], 3.0);
        for (double k : {0.0, -0.01}) {
            kinen[3][3][2] = k;
            wall();
            EXPECT_EQ(wap[3][3][2], eq == 6 ? 1e30 : 0.0);
            EXPECT_EQ(source[3][3][2], 0.0);
        }
        kinen[3][3][2] = kK;
    }
}

// The exits: a degenerate wall cell ends the run with -8 after its lines,
// an equation without a law with -4 after the wall cells were cleared, a
// log that cannot be opened with -3 before anything is changed.
TEST_F(SimpleWall, Exits) {
    struct Case {
        const char* name;
        int equation;
        bool degenerate;
        int code;
        std::string log;
    };
    const Case cases[] = {
        {"k_distance", 5, true, -8, "Error, too small Mdist in wall\nMdist(3,3,2,5) = 5.000000e-11\n"},
        {"epsilon_distance", 6, true, -8, "Error, too small Mdist in wall\n"},
        {"momentum_distance", 2, true, -8, "Error, too small Mdist in wall\n"},
        {"pressure_correction", 4, false, -4, "Error in wall, Equation = 4\n"},
        {"temperature", 8, false, -4, "Error in wall, Equation = 8\n"},
    };
    wallCell(3, 3, 2, 0, 0, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("boogie");
        m_dist_z[3][3][2] = c.degenerate ? 5e-11 : kDz / 2;
        Equation = c.equation;
        callerTerms();
        EXPECT_EQ(exitCodeOf(wall), c.code);
        EXPECT_EQ(log(), c.log);
        if (!c.degenerate) {
            EXPECT_EQ(wap[3][3][2], 0.0);
        }
    }
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    Equation = 1;
    callerTerms();
    sqcmyrho = 7.0;
    EXPECT_EQ(exitCodeOf(wall), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    EXPECT_EQ(wap[3][3][2], 5.0);
    EXPECT_EQ(sqcmyrho, 7.0);
}

// With threads on, the wall step runs the whole-grid routine once per
// equation: the workspace of the serial call, bit for bit.
TEST_F(SimpleWall, WallStepWithThreadsRunsTheWholeGridRoutine) {
    randomWallCells(5);
    for (int eq : {1, 2, 3, 5, 6}) {
        SCOPED_TRACE(eq);
        Equation = eq;
        NoProcessesSolver = 0;
        callerTerms();
        wall();
        const Workspace serial = workspace();
        NoProcessesSolver = 3;
        callerTerms();
        EXPECT_EQ(exitCodeOf(wallLawStep), kNoExit);
        expectWorkspace(serial);
    }
}

}  // namespace
