// Power-law coefficients of the plane: weights by Peclet number, the extra
// momentum diffusion, boundary, wall and join faces.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "surface2d/surface2d.h"
#include "surface2d/terms_fixture.h"

using namespace plane2dtest;

namespace {

constexpr double kGama = 0.04;

class CoeffeFlow2D : public TermsTest {
protected:
    // The box of these tests with one viscosity.
    void standard() {
        box(7, 6);
        fill(gama, kGama);
    }
    // Conductance of an interior i-face (j-face) of the box with ArtDiff.
    static double iConductance() { return iArea() * (kGama + ArtDiff) / kDx; }
    static double jConductance() { return jArea() * (kGama + ArtDiff) / kDy; }
};

struct PecletCase {
    const char* name;
    double peclet, weight;
};
const PecletCase kPeclets[] = {{"Still", 0.0, 1.0}, {"Five", 5.0, 0.03125}, {"Fifteen", 15.0, 0.0}};

class PowerLawWeight : public CoeffeFlow2D, public ::testing::WithParamInterface<PecletCase> {};

// The face flux F = Pe D on one i-face and one j-face, towards the high cell
// and against it: the coefficient against the flow carries w D, the one
// with it w D + |F|.
TEST_P(PowerLawWeight, FollowsTheCellPecletNumber) {
    const PecletCase& c = GetParam();
    standard();
    ArtDiff = 0.01;
    for (double sign : {1.0, -1.0}) {
        const double Fi = sign * c.peclet * iConductance(), Fj = sign * c.peclet * jConductance();
        flow1[3][4][0] = Fi;
        flow2[4][3][0] = Fj;
        Equation = 5;
        coeffe_flow2D();
        const double wi = c.weight * iConductance(), wj = c.weight * jConductance();
        EXPECT_NEAR(aw[3][4][0], wi + std::max(-Fi, 0.0), 1e-12) << sign;
        EXPECT_NEAR(ae[4][4][0], wi + std::max(Fi, 0.0), 1e-12) << sign;
        EXPECT_NEAR(an[4][3][0], wj + std::max(-Fj, 0.0), 1e-12) << sign;
        EXPECT_NEAR(as[4][4][0], wj + std::max(Fj, 0.0), 1e-12) << sign;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PowerLawWeight, ::testing::ValuesIn(kPeclets),
                         [](const auto& info) { return std::string(info.param.name); });

// F 13 adds its weight to the momentum equations only.
TEST_F(CoeffeFlow2D, StressDiffusionWeighsOnMomentumOnly) {
    standard();
    StressDiff = 0.5;
    for (int eq : {1, 5, 6}) {
        Equation = eq;
        coeffe_flow2D();
        const double factor = eq == 1 ? 1.5 : 1.0;
        for (int i = 3; i <= xnumber - 1; ++i)
            for (int j = 3; j <= ynumber - 1; ++j) {
                EXPECT_NEAR(ae[i][j][0], factor * iConductance(), 1e-12) << eq << " " << i << "," << j;
                EXPECT_NEAR(aw[i][j][0], factor * iConductance(), 1e-12) << eq << " " << i << "," << j;
                EXPECT_NEAR(as[i][j][0], factor * jConductance(), 1e-12) << eq << " " << i << "," << j;
                EXPECT_NEAR(an[i][j][0], factor * jConductance(), 1e-12) << eq << " " << i << "," << j;
            }
    }
}

// On a sheared plane with uneven viscosities and fluxes the coefficient of
// the high cell minus that of the low cell is the face flux, face by face,
// and the face viscosity is the distance-weighted one.
TEST_F(CoeffeFlow2D, HighMinusLowCoefficientIsTheFaceFlux) {
    shearedPlane(8, 6, 2.0, 1.0, 0.4, kDepth);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> F(-30.0, 30.0), g(0.01, 0.2);
    forPlane([&](int i, int j) {
        flow1[i][j][0] = F(rng);
        flow2[i][j][0] = F(rng);
        gama[i][j][0] = g(rng);
    });
    Equation = 1;
    StressDiff = 0.2;
    coeffe_flow2D();
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            EXPECT_NEAR(ae[i + 1][j][0] - aw[i][j][0], flow1[i][j][0], 1e-12) << i << "," << j;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber - 1; ++j)
            EXPECT_NEAR(as[i][j + 1][0] - an[i][j][0], flow2[i][j][0], 1e-12) << i << "," << j;
    // Without flow: the conductance of the distance-weighted viscosity.
    fill(flow1, 0.0);
    Equation = 5;
    coeffe_flow2D();
    const double d = m_dist_x[3][3][0], A = m_ar_x[3][3][0];
    EXPECT_NEAR(aw[3][3][0], A * 0.5 * (gama[3][3][0] + gama[4][3][0]) / (2.0 * d), 1e-14);
}

// Boundary faces carry upwind convection only: the inflow flux into the
// first cell, nothing against an outflow; a wall flag closes a face for
// both its cells, a boundary inflow included.
TEST_F(CoeffeFlow2D, BoundaryFacesAreUpwindAndWallsCloseBothCouplings) {
    standard();
    const int X = xnumber, Y = ynumber;
    for (int j = 2; j <= Y; ++j) {
        flow1[1][j][0] = j % 2 == 0 ? 3.0 : -3.0;
        flow1[X][j][0] = j % 2 == 0 ? 2.0 : -2.0;
    }
    for (int i = 2; i <= X; ++i) {
        flow2[i][1][0] = 4.0;
        flow2[i][Y][0] = -5.0;
    }
    WallJ[3][2][2] = 1;   // the side wall of column 3 closes its inflow
    WallI[4][4][2] = -1;  // an inner wall between cells 4 and 5 of row 4
    WallI[5][4][2] = 1;
    WallJ[5][3][2] = -1;  // and between cells 3 and 4 of column 5
    WallJ[5][4][2] = 1;
    Equation = 1;
    coeffe_flow2D();
    for (int j = 2; j <= Y; ++j) {
        EXPECT_EQ(ae[2][j][0], j % 2 == 0 ? 3.0 : 0.0) << j;
        EXPECT_EQ(aw[X][j][0], j % 2 == 0 ? 0.0 : 2.0) << j;
    }
    for (int i = 2; i <= X; ++i) {
        EXPECT_EQ(as[i][2][0], i == 3 ? 0.0 : 4.0) << i;
        EXPECT_EQ(an[i][Y][0], 5.0) << i;
    }
    EXPECT_EQ(aw[4][4][0], 0.0);
    EXPECT_EQ(ae[5][4][0], 0.0);
    EXPECT_EQ(an[5][3][0], 0.0);
    EXPECT_EQ(as[5][4][0], 0.0);
    EXPECT_GT(aw[4][3][0], 0.0);
}

// A join couples the host cell and its partner with a full
// convection-diffusion coefficient over the boundary value, F 14 added to
// the conductance.
struct JoinCase {
    const char* name;
    int start;
    double flux;
};
const JoinCase kJoins[] = {
    {"WallOneInflow", 3, 6.0}, {"WallOneOutflow", 3, -6.0}, {"WallYInflow", -3, -6.0}, {"WallYOutflow", -3, 6.0}};

class JoinCoefficients : public CoeffeFlow2D, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinCoefficients, OverwriteTheBoundaryValue) {
    const JoinCase& c = GetParam();
    twoBlockPlane(c.start);
    fill(gama, [](int i, int j) { return 0.01 * (1 + i + 2 * j); });
    const int Y = ynumber, jm = c.start >= 0 ? 2 : Y, face = c.start >= 0 ? 1 : Y;
    for (int i = 2; i <= xnumber; ++i) flow2[i][face][0] = c.flux;
    ArtDiff = 0.003;
    Equation = 5;
    coeffe_flow2D();
    int joined = 0;
    for (int i = 2; i <= xnumber; ++i) {
        const int* B = c.start >= 0 ? &Pj1MultiBlock[i][0] : &Pj2MultiBlock[i][0];
        if (B[0] == 0) continue;
        ++joined;
        const double dM = m_dist_y[i][jm][0], dB = m_dist_x[B[0]][B[1]][0];
        const double g = (dB * gama[i][jm][0] + dM * gama[B[0]][B[1]][0]) / (dM + dB);
        const double D = g * m_ar_y[i][face][0] / (dM + dB) + 0.003;
        const double w = std::max(0.0, std::pow(1.0 - 0.1 * std::fabs(c.flux) / D, 5));
        // Into the host cell: positive across wall 1, negative across wall Y.
        const double into = c.start >= 0 ? c.flux : -c.flux;
        const double host = c.start >= 0 ? as[i][2][0] : an[i][Y][0];
        EXPECT_NEAR(host, w * D + std::max(into, 0.0), 1e-12) << i;
        EXPECT_NEAR(ae[B[0]][B[1]][0], w * D + std::max(-into, 0.0), 1e-12) << i;
    }
    EXPECT_GT(joined, 0);
    // The seam between the main block's last row and the joint row is closed
    // as a wall; that row keeps its coupling to the row before it.
    for (int j = 2; j <= Y; ++j) {
        EXPECT_EQ(aw[MBSkjot[1]][j][0], 0.0) << j;
        EXPECT_GT(ae[MBSkjot[1]][j][0], 0.0) << j;
    }
}

INSTANTIATE_TEST_SUITE_P(TwoBlocks, JoinCoefficients, ::testing::ValuesIn(kJoins),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
