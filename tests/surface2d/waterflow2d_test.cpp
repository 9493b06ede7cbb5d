// Face fluxes of the plane: velocity fluxes, the Rhie-Chow term, boundary,
// closed and joined faces.
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "flow3d/flow3d.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "grid/grid.h"
#include "surface2d/plane_fixture.h"
#include "surface2d/surface2d.h"

using namespace plane2dtest;

namespace {

constexpr double kDepth = 1.5;

// A face of the plane: flow1 (dir 1) or flow2 (dir 2) at (i, j).
struct FaceAt {
    int dir, i, j;
};
double& fluxAt(FaceAt f) { return f.dir == 1 ? flow1[f.i][f.j][0] : flow2[f.i][f.j][0]; }

// Every face that waterflow2D writes.
std::vector<FaceAt> allFaces() {
    std::vector<FaceAt> faces;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) faces.push_back({1, i, j});
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) faces.push_back({2, i, j});
    return faces;
}

class Waterflow2D : public PlaneTest {
protected:
    // A box plane of X x Y node lines, dx by dy cells of depth kDepth.
    void box(int X, int Y, double dx = 2.0, double dy = 1.0) {
        quird_test::boxGrid(X, Y, 3, dx, dy, kDepth / 2.0);
        metric();
        openColumns();
    }
    // Uniform velocity (u, v) in every cell of the plane, boundary cells included.
    void uniformVelocity(double u, double v) {
        forPlane([&](int i, int j) {
            xvel[i][j][0] = u;
            yvel[i][j][0] = v;
        });
    }
    void pressure(const std::function<double(int, int)>& p) {
        forPlane([&](int i, int j) { Pres[i][j][0] = p(i, j); });
    }
    static void unevenWeights(FieldArray<double, 3>& W) {
        forPlane([&](int i, int j) { W[i][j][0] = 1e-3 * (1.0 + 0.4 * std::sin(1.7 * i + 0.6 * j)); });
    }
};

struct TurnCase {
    const char* name;
    double degrees;
};

class UniformVelocity : public Waterflow2D, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(UniformVelocity, GivesAreaTimesNormalVelocityOnEveryFace) {
    const double dx = 2.0, dy = 1.0, a = GetParam().degrees * std::numbers::pi / 180.0;
    quird_test::rotatedGrid(7, 5, 3, dx, dy, GetParam().degrees, quird_test::layers(kDepth / 2.0));
    metric();
    const double u = 0.7, v = -0.3;
    uniformVelocity(u, v);
    pressure([](int, int) { return 120.0; });
    unevenWeights(invAP);
    waterflow2D();
    const double onI = 1000.0 * dy * kDepth * (u * std::cos(a) + v * std::sin(a));
    const double onJ = 1000.0 * dx * kDepth * (-u * std::sin(a) + v * std::cos(a));
    for (const FaceAt f : allFaces())
        EXPECT_NEAR(fluxAt(f), f.dir == 1 ? onI : onJ, 1e-11 * 1000.0) << f.dir << " " << f.i << "," << f.j;
}

INSTANTIATE_TEST_SUITE_P(Planes, UniformVelocity,
                         ::testing::Values(TurnCase{"Box", 0.0}, TurnCase{"Rotated30", 30.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Pressure fields whose central and one-sided differences all equal the face
// difference: no Rhie-Chow term anywhere, next to walls and line ends too.
TEST_F(Waterflow2D, UniformAndLinearPressureAddNoTerm) {
    const std::function<double(int, int)> fields[] = {
        [](int, int) { return 300.0; },
        [](int i, int) { return 40.0 * i - 7.0; },
        [](int, int j) { return -25.0 * j + 3.0; },
        [](int i, int j) { return 11.0 * i + 17.0 * j; },
    };
    for (const auto& p : fields) {
        box(8, 7);
        WallI[4][3][2] = 1;   // one-sided at the low cell of face 4
        WallI[5][5][2] = -1;  // one-sided at the high cell of face 4
        WallJ[3][4][2] = 1;
        WallJ[6][4][2] = -1;
        uniformVelocity(0.0, 0.0);
        pressure(p);
        unevenWeights(invAP);
        waterflow2D();
        // The term of a face with a difference of 40 Pa is about 1000 A^2 W / relax * 40 = 1e2 kg/s.
        for (const FaceAt f : allFaces()) EXPECT_NEAR(fluxAt(f), 0.0, 1e-10) << f.dir << " " << f.i << "," << f.j;
    }
}

// Three node lines along i: the one interior i-face has the first interior
// cell below it and the last above it. Only the low cell's difference is
// one-sided. Cells of lengths 1 and 2 weigh the two differences unequally,
// and a cubic pressure gives each choice of replacement its own term.
TEST_F(Waterflow2D, OneInteriorIFaceTakesTheLowOneSidedDifferenceOnly) {
    quird_test::allocateGrid(3, 4, 3);
    quird_test::fillGrid([](int i, int j) { return quird_test::PlanPoint{i == 1 ? 0.0 : i == 2 ? 1.0 : 3.0, j - 1.0}; },
                         quird_test::layers(kDepth / 2.0));
    metric();
    openColumns();
    ASSERT_EQ(xnumber, 3);
    RelaxRhieChow = 1.0;
    const double W = 2e-3;
    forPlane([&](int i, int j) { invAP[i][j][0] = W; });
    uniformVelocity(0.0, 0.0);
    pressure([](int i, int) { return double(i * i * i); });  // P = 1, 8, 27, 64 along the line
    waterflow2D();
    const double wL = 2.0 / 3.0, wH = 1.0 / 3.0;  // by the half lengths 0.5 and 1
    const double gL = (4 * 27 - 3 * 8 - 64) / 2.0, gH = (64 - 8) / 2.0;  // one-sided low, central high
    for (int j = 2; j <= ynumber; ++j) {
        const double A = m_ar_x[2][j][0];
        const double expected = 1000.0 * A * A * W / relaxVelocity * (wL * gL + wH * gH - (27 - 8));
        EXPECT_NEAR(flow1[2][j][0], expected, 1e-9 * std::fabs(expected)) << j;
    }
}

// F 21 scales the term by its magnitude and, when negative, takes invFlow.
struct ScaleCase {
    const char* name;
    double relaxRhieChow;
    double factor;  // expected scale of the term
};

class Checkerboard : public Waterflow2D, public ::testing::WithParamInterface<ScaleCase> {};

// A checkerboard pressure has zero central differences: the term is the face
// difference alone, except at the line ends, where the one-sided difference
// of the end cell cancels it.
TEST_P(Checkerboard, GivesTheTermByHand) {
    RelaxRhieChow = GetParam().relaxRhieChow;
    const double dx = 2.0, dy = 1.0, w = 2e-3, s = 50.0;
    box(7, 6, dx, dy);
    forPlane([&](int i, int j) {
        invAP[i][j][0] = RelaxRhieChow < 0 ? 7e-3 : w;
        if (RelaxRhieChow < 0) invFlow[i][j][0] = w;
    });
    pressure([&](int i, int j) { return (i + j) % 2 == 0 ? s : -s; });
    uniformVelocity(0.0, 0.0);
    for (int j = 1; j <= ynumber + 1; ++j) {
        xvel[1][j][0] = 0.5;
        xvel[xnumber + 1][j][0] = 0.25;
    }
    for (int i = 1; i <= xnumber + 1; ++i) {
        yvel[i][1][0] = 0.125;
        yvel[i][ynumber + 1][0] = -0.375;
    }
    waterflow2D();
    const double Ax = dy * kDepth, Ay = dx * kDepth;
    auto term = [&](double A, double pL, double pH) {
        return 1000.0 * GetParam().factor * A * A * w / relaxVelocity * -(pH - pL);
    };
    for (int j = 2; j <= ynumber; ++j) {
        EXPECT_NEAR(flow1[1][j][0], 1000.0 * Ax * 0.5, 1e-9);
        EXPECT_NEAR(flow1[xnumber][j][0], 1000.0 * Ax * 0.25, 1e-9);
        for (int i = 2; i <= xnumber - 1; ++i) {
            const double expected = i == 2 || i == xnumber - 1 ? 0.0 : term(Ax, Pres[i][j][0], Pres[i + 1][j][0]);
            EXPECT_NEAR(flow1[i][j][0], expected, 1e-9) << i << "," << j;
        }
    }
    for (int i = 2; i <= xnumber; ++i) {
        EXPECT_NEAR(flow2[i][1][0], 1000.0 * Ay * 0.125, 1e-9);
        EXPECT_NEAR(flow2[i][ynumber][0], 1000.0 * Ay * -0.375, 1e-9);
        for (int j = 2; j <= ynumber - 1; ++j) {
            const double expected = j == 2 || j == ynumber - 1 ? 0.0 : term(Ay, Pres[i][j][0], Pres[i][j + 1][0]);
            EXPECT_NEAR(flow2[i][j][0], expected, 1e-9) << i << "," << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RelaxRhieChow, Checkerboard,
                         ::testing::Values(ScaleCase{"One", 1.0, 1.0}, ScaleCase{"Zero", 0.0, 0.0},
                                           ScaleCase{"MinusHalfWithInvFlow", -0.5, 0.5}),
                         [](const auto& info) { return std::string(info.param.name); });

// Faces that walls, blocked columns and G 13 boxes close; every other face
// keeps its velocity flux.
struct ClosedCase {
    const char* name;
    void (*setup)();
    std::vector<FaceAt> closed;
};

class ClosedFaces : public Waterflow2D, public ::testing::WithParamInterface<ClosedCase> {};

TEST_P(ClosedFaces, CarryNothing) {
    box(8, 7);
    GetParam().setup();
    uniformVelocity(0.6, 0.4);
    pressure([](int i, int j) { return 10.0 * i * j; });
    unevenWeights(invAP);
    waterflow2D();
    for (const FaceAt f : allFaces()) {
        bool shut = false;
        for (const FaceAt c : GetParam().closed) shut = shut || (c.dir == f.dir && c.i == f.i && c.j == f.j);
        if (shut)
            EXPECT_EQ(fluxAt(f), 0.0) << f.dir << " " << f.i << "," << f.j;
        else
            EXPECT_NE(fluxAt(f), 0.0) << f.dir << " " << f.i << "," << f.j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Planes, ClosedFaces,
    ::testing::Values(
        ClosedCase{"Walls",
                   [] {
                       WallI[3][3][2] = 1;
                       WallI[4][4][2] = -1;
                       WallJ[3][4][2] = 1;
                       WallJ[5][3][2] = -1;
                   },
                   {{1, 2, 3}, {1, 4, 4}, {2, 3, 3}, {2, 5, 3}}},
        ClosedCase{"Boxes",
                   [] {
                       OutBlockNo = 2;
                       OutBlock[1] = {};
                       OutBlock[1].i1 = OutBlock[1].i2 = 3;
                       OutBlock[1].j1 = 3;
                       OutBlock[1].j2 = 4;
                       OutBlock[2] = {};
                       OutBlock[2].i1 = OutBlock[2].i2 = 6;
                       OutBlock[2].j1 = OutBlock[2].j2 = 6;
                   },
                   {{1, 2, 3}, {1, 3, 3}, {1, 2, 4}, {1, 3, 4}, {2, 3, 2}, {2, 3, 3}, {2, 3, 4},
                    {1, 5, 6}, {1, 6, 6}, {2, 6, 5}, {2, 6, 6}}},
        ClosedCase{"BlockedColumnOpenWithoutFreeSurfaceMode", [] { kblok[4][4] = 0; }, {}},
        ClosedCase{"BlockedColumnClosedInFreeSurfaceMode",
                   [] {
                       kblok[4][4] = 0;
                       FlagTFS = 1;
                   },
                   {{1, 3, 4}, {1, 4, 4}, {2, 4, 3}, {2, 4, 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

// The three faces next to a join, by hand: a pressure of p0 in the partner
// cell B alone, zero velocities, one weight everywhere.
struct JoinCase {
    const char* name;
    int start;
};

class JoinFaces : public Waterflow2D, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinFaces, TakeThePartnerAsNeighbour) {
    twoBlockPlane(GetParam().start);
    const double w = 1e-3, p0 = 80.0;
    forPlane([&](int i, int j) { invAP[i][j][0] = w; });
    uniformVelocity(0.0, 0.0);
    for (int j = 2; j <= ynumber; ++j) MBFlow[1][0][j][0] = 0.5 * j;
    const int Y = ynumber, a = MBSkjot[1] + 1, jB = 3;
    const int i = Pi1MultiBlock[a][jB][0];
    const bool low = Pi1MultiBlock[a][jB][1] == 2;
    Pres[a][jB][0] = p0;
    waterflow2D();

    auto expected = [&](double A, double dL, double dH, double bracketL, double bracketH, double face) {
        const double wL = dH / (dL + dH);
        return 1000.0 * A * A * w / relaxVelocity * (wL * bracketL + (1.0 - wL) * bracketH - face);
    };
    const double dB = m_dist_x[a][jB][0];
    // B's own i-face: gL 0, gH -p0/2, face difference -p0.
    EXPECT_NEAR(flow1[a][jB][0], expected(m_ar_x[a][jB][0], dB, m_dist_x[a + 1][jB][0], 0.0, -p0 / 2, -p0), 1e-9);
    if (low) {
        EXPECT_NEAR(flow2[i][1][0], expected(m_ar_y[i][1][0], dB, m_dist_y[i][2][0], 0.0, -p0 / 2, -p0), 1e-9);
        EXPECT_NEAR(flow2[i][2][0], expected(m_ar_y[i][2][0], m_dist_y[i][2][0], m_dist_y[i][3][0], -p0 / 2, 0.0, 0.0),
                    1e-9);
    } else {
        EXPECT_NEAR(flow2[i][Y][0], expected(m_ar_y[i][Y][0], m_dist_y[i][Y][0], dB, p0 / 2, 0.0, p0), 1e-9);
        EXPECT_NEAR(flow2[i][Y - 1][0],
                    expected(m_ar_y[i][Y - 1][0], m_dist_y[i][Y - 1][0], m_dist_y[i][Y][0], 0.0, p0 / 2, 0.0), 1e-9);
    }
    EXPECT_NE(flow2[i][low ? 1 : Y][0], 0.0);
    for (int j = 2; j <= Y; ++j) EXPECT_EQ(flow1[MBSkjot[1]][j][0], 0.5 * j) << "seam " << j;
}

INSTANTIATE_TEST_SUITE_P(Sides, JoinFaces,
                         ::testing::Values(JoinCase{"WallOne", 3}, JoinCase{"WallY", -3}),
                         [](const auto& info) { return std::string(info.param.name); });

// An attached block of one cell row: the partner's high i-face is the
// outflow face and keeps the velocity flux of the boundary cell.
TEST_F(Waterflow2D, PartnerInTheLastRowKeepsTheBoundaryFlux) {
    quird_test::TwoBlockGrid g;
    g.blockLines = 1;
    g.build();
    MultiBlockInit();
    metric();
    smetric();
    ASSERT_EQ(MBSkjot[1] + 1, xnumber);
    forPlane([&](int i, int j) {
        invAP[i][j][0] = 1e-3;
        Pres[i][j][0] = 5.0 * i + 3.0 * j * j;
    });
    for (int j = 2; j <= ynumber; ++j) xvel[xnumber + 1][j][0] = 0.75;
    waterflow2D();
    for (int j = 2; j <= ynumber; ++j)
        EXPECT_DOUBLE_EQ(flow1[xnumber][j][0],
                         1000.0 * m_ar_x[xnumber][j][0] * 0.75 * m_vec_x[xnumber][j][0]);
}

}  // namespace
