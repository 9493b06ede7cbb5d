// Face mass fluxes: uniform flow through box, rotated and sheared grids,
// Rhie-Chow pressure terms, one-sided gradients at line ends, walls, blocked
// boxes, the flux options and the joints of a two-block grid.
#include <cmath>
#include <functional>
#include <string>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

using CellFn = std::function<double(int i, int j, int k)>;

class Waterflow : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        defaults();
        relaxVelocity = 0.5;
    }
    void TearDown() override { defaults(); }
    static void defaults() {
        RelaxRhieChow = 1.0;
        FlagRhieChow = 0;
        FlagCyclicF = 0;
        FlagTFS = 0;
        MBNo = 0;
        OutBlockNo = 0;
    }
    // Box grid of dx x dy x dz cells with its geometry.
    static void box(int X, int Y, int Z, double dx = 1.0, double dy = 0.5, double dz = 0.25) {
        boxGrid(X, Y, Z, dx, dy, dz);
        metric();
    }
    // Sets a cell array at every cell, boundary cells included.
    static void fill(FieldArray<double, 3>& a, const CellFn& v) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) a[i][j][k] = v(i, j, k);
    }
    static void uniformVelocity(double u, double v, double w) {
        fill(xvel, [u](int, int, int) { return u; });
        fill(yvel, [v](int, int, int) { return v; });
        fill(zvel, [w](int, int, int) { return w; });
    }
    static CellFn constant(double c) {
        return [c](int, int, int) { return c; };
    }
};

// 1000 A (U . n) of the three face families, exactly, on the box grid.
TEST_F(Waterflow, UniformVelocityGivesAreaTimesNormalVelocityOnEveryFace) {
    const int X = 5, Y = 4, Z = 4;
    box(X, Y, Z);
    const double u = 0.7, v = -0.3, w = 0.1;
    uniformVelocity(u, v, w);
    fill(invAP, constant(0.01));
    waterflow();
    for (int i = 1; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k)
                ASSERT_EQ(flow1[i][j][k], 1000.0 * (m_ar_x[i][j][k] * u)) << i << " " << j << " " << k;
    for (int i = 2; i <= X; ++i)
        for (int j = 1; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) ASSERT_EQ(flow2[i][j][k], 1000.0 * (m_ar_y[i][j][k] * v)) << i << " " << j << " " << k;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 1; k <= Z; ++k) ASSERT_EQ(flow3[i][j][k], 1000.0 * (m_ar_z[i][j][k] * w)) << i << " " << j << " " << k;
}

double slopedLevel(int i, int j, int k) { return 0.1 * i - 0.05 * j + 0.3 * (k - 1); }

// A uniform horizontal flow through any grid leaves no cell with a net flux.
TEST_F(Waterflow, UniformFlowIsFreeOfSourcesOnRotatedAndShearedGrids) {
    const struct {
        const char* name;
        std::function<void()> build;
    } grids[] = {
        {"rotated 30 degrees", [] { rotatedGrid(6, 5, 4, 1.3, 0.7, 30.0, slopedLevel); }},
        {"sheared", [] { shearedGrid(6, 5, 4, 2.0, 1.0, 0.75, layers(0.4, 3.0)); }},
    };
    for (const auto& g : grids) {
        SCOPED_TRACE(g.name);
        SetArraysZero();
        g.build();
        metric();
        const double u = 0.8, v = 0.6;
        uniformVelocity(u, v, 0.0);
        fill(invAP, constant(0.02));
        waterflow();
        double A = 0.0;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) A = std::fmax(A, m_ar_x[i][j][2]);
        const double limit = 1e-12 * 1000.0 * std::hypot(u, v) * A;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) {
                    const double net = flow1[i][j][k] - flow1[i - 1][j][k] + flow2[i][j][k] - flow2[i][j - 1][k] +
                                       flow3[i][j][k] - flow3[i][j][k - 1];
                    ASSERT_LT(std::fabs(net), limit) << i << " " << j << " " << k;
                }
        // The flow does cross the faces.
        EXPECT_GT(std::fabs(flow1[3][3][3]), 100.0 * limit);
    }
}

// A pressure linear along a grid line has equal cell and face gradients:
// no Rhie-Chow term at central faces, at the one-sided faces of the line
// ends, or beside a wall on a cell's low face.
TEST_F(Waterflow, LinearPressureAddsNoRhieChowTerm) {
    const struct {
        const char* name;
        CellFn pressure;
    } cases[] = {
        {"along i", [](int i, int, int) { return 3.0 * i; }},
        {"along j", [](int, int j, int) { return -2.0 * j; }},
        {"along k", [](int, int, int k) { return 5.0 * k; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetArraysZero();
        const int X = 6, Y = 6, Z = 6;
        box(X, Y, Z);
        uniformVelocity(0.0, 0.0, 0.0);
        fill(invAP, [](int i, int j, int k) { return 0.01 + 0.001 * (i + 2 * j + 3 * k); });
        fill(Pres, c.pressure);
        WallI[4][3][3] = WallJ[3][4][3] = WallK[3][3][4] = 1;  // one-sided from a wall
        waterflow();
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j)
                for (int k = 2; k <= Z; ++k) {
                    ASSERT_EQ(flow1[i][j][k], 0.0) << i << " " << j << " " << k;
                    ASSERT_EQ(flow2[i][j][k], 0.0) << i << " " << j << " " << k;
                    ASSERT_EQ(flow3[i][j][k], 0.0) << i << " " << j << " " << k;
                }
    }
}

// A checkerboard pressure, which the cell gradients do not see: the term
// c A^2 (D / relaxVelocity) (G - dP) by hand at a central face and at the
// one-sided faces of both line ends, with each weight choice of F 21.
TEST_F(Waterflow, CheckerboardPressureTermByHand) {
    const struct {
        double relaxRhieChow;
        double c;  // factor on the term
        bool usesInvFlow;
    } cases[] = {{1.0, 1.0, false}, {0.0, 0.0, false}, {-0.5, 0.5, true}};
    for (const auto& rc : cases) {
        SCOPED_TRACE(rc.relaxRhieChow);
        SetArraysZero();
        RelaxRhieChow = rc.relaxRhieChow;
        const int X = 6, Y = 6, Z = 6;
        const double dx = 1.0, dy = 0.5, dz = 0.25, p0 = 40.0, DA = 0.002, DF = 0.003;
        box(X, Y, Z, dx, dy, dz);
        uniformVelocity(0.0, 0.0, 0.0);
        fill(invAP, constant(DA));
        if (rc.usesInvFlow) fill(invFlow, constant(DF));
        fill(Pres, [p0](int i, int j, int k) { return (i + j + k) % 2 ? -p0 : p0; });
        waterflow();
        const double D = rc.usesInvFlow ? DF : DA;
        const double A = dy * dz, term = 1000.0 * rc.c * A * A * D / relaxVelocity;
        const int j = 3, k = 3;
        auto s = [p0](int i) { return (i + j + k) % 2 ? -p0 : p0; };  // P of cell i
        // Central face 3: G = 0, dP = P4 - P3 = -2 P3.
        EXPECT_NEAR(flow1[3][j][k], term * 2.0 * s(3), 1e-9);
        // First face 2: the one-sided gradient of cell 2 cancels dP.
        EXPECT_NEAR(flow1[2][j][k], 0.0, 1e-9);
        // Last face 5: G = (3 P6 - 4 P5 + P4) / 4 = -2 P5 = dP.
        EXPECT_NEAR(flow1[X - 1][j][k], 0.0, 1e-9);
        // Central j- and k-faces: the same as the central i-face, with their areas.
        const double Aj = dx * dz, Ak = dx * dy, r = Aj / A, rk = Ak / A;
        EXPECT_NEAR(flow2[3][j][k], term * r * r * 2.0 * s(3), 1e-9);
        EXPECT_NEAR(flow3[3][j][k], term * rk * rk * 2.0 * s(3), 1e-9);
    }
}

// With two interior cells on a line the low cell's one-sided gradient wins
// and the high cell keeps its central one: a cubic pressure then gives no
// term ((10 + 28) / 2 = 19 = P3 - P2); the one-sided high gradient would
// give 17.5.
TEST_F(Waterflow, TwoCellLineTakesTheLowOneSidedGradientOnly) {
    box(3, 4, 4);
    uniformVelocity(0.0, 0.0, 0.0);
    fill(invAP, constant(0.01));
    fill(Pres, [](int i, int, int) { return double(i * i * i); });
    waterflow();
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k) EXPECT_EQ(flow1[2][j][k], 0.0);
}

// Wall faces and the faces of a blocked box carry nothing, the domain's
// inflow face included; the box also closes faces shared with open cells.
TEST_F(Waterflow, WallsAndBlockedBoxesCarryNoFlux) {
    const int X = 6, Y = 5, Z = 5;
    box(X, Y, Z);
    uniformVelocity(1.0, 0.5, 0.2);
    WallI[2][3][3] = 1;   // face 1: the inflow face
    WallI[4][2][4] = -1;  // face 4
    WallJ[3][4][2] = 1;   // face j 3
    WallJ[5][2][3] = -1;  // face j 2
    WallK[3][3][2] = 1;   // the bed face
    WallK[4][4][Z] = -1;  // the top face
    OutBlockNo = 1;
    OutBlock[1] = {{4, 4, 3, 3, 3, 4}, 2};
    waterflow();
    EXPECT_EQ(flow1[1][3][3], 0.0);
    EXPECT_EQ(flow1[4][2][4], 0.0);
    EXPECT_EQ(flow2[3][3][2], 0.0);
    EXPECT_EQ(flow2[5][2][3], 0.0);
    EXPECT_EQ(flow3[3][3][1], 0.0);
    EXPECT_EQ(flow3[4][4][Z], 0.0);
    for (int k = 3; k <= 4; ++k) {
        EXPECT_EQ(flow1[3][3][k], 0.0);
        EXPECT_EQ(flow1[4][3][k], 0.0);
        EXPECT_EQ(flow2[4][2][k], 0.0);
        EXPECT_EQ(flow2[4][3][k], 0.0);
    }
    EXPECT_EQ(flow3[4][3][2], 0.0);
    EXPECT_EQ(flow3[4][3][4], 0.0);
    // Faces beside them keep their flux.
    EXPECT_GT(flow1[1][2][3], 0.0);
    EXPECT_GT(flow1[5][3][3], 0.0);
    EXPECT_GT(flow3[4][3][5], 0.0);
}

// F 36 1 closes the surface; F 174 third value 2 repeats the neighbours of
// the first and last interior i-faces.
TEST_F(Waterflow, SurfaceAndCyclicOptions) {
    box(4, 4, 4);
    uniformVelocity(0.0, 0.0, 0.3);
    fill(xvel, [](int i, int, int) { return double(i); });
    FlagTFS = 1;
    FlagCyclicF = 2;
    waterflow();
    const double A = 0.5 * 0.25;
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k) {
            // face 2 (cells 2, 3) holds 2.5; face 3 took it over before face 2 copied face 3 back
            EXPECT_EQ(flow1[2][j][k], 1000.0 * A * 2.5);
            EXPECT_EQ(flow1[3][j][k], 1000.0 * A * 2.5);
        }
    for (int i = 2; i <= 4; ++i)
        for (int j = 2; j <= 4; ++j) {
            EXPECT_EQ(flow3[i][j][4], 0.0);
            EXPECT_GT(flow3[i][j][3], 0.0);
        }
}

// The flux variants of F 113 at one i-face whose cells move at 1 and 3 m/s
// and one whose cells move against each other (+1 and -1).
TEST_F(Waterflow, RhieChowVariants) {
    const int X = 6, Y = 4, Z = 4;
    const double dx = 1.0, dy = 0.5;
    struct Case {
        const char* name;
        int code;
        double dz;        // layer height: 0.003 makes the grid shallow (depth / 2 dx < 0.02)
        double bedRise;   // target bed above the bed at the nodes of face column (3, 3)
        double fast, opposed;  // flux at face (3, 3) and at face (3, 4), per 1000 A
    };
    const double plain = 2.0;  // the interpolated velocities: (1 + 3) / 2, (1 - 1) / 2 = 0
    const Case cases[] = {
        {"plain", 0, 0.25, 0.0, plain, 0.0},
        {"harmonic everywhere", 1, 0.25, 0.0, 1.5, 0.0},
        {"harmonic, deep grid", 2, 0.25, 0.0, plain, 0.0},
        {"harmonic, shallow grid", 2, 0.003, 0.0, 1.5, 0.0},
        {"harmonic 10, shallow grid", 10, 0.003, 0.0, 1.5, 0.0},
        {"bed step, half a depth", 3, 0.25, 0.375, plain / 32.0, 0.0},
        {"bed step, a whole depth", 3, 0.25, 0.75, plain, 0.0},
        {"bed step, target below the bed", 3, 0.25, -0.2, plain, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetArraysZero();
        FlagRhieChow = c.code;
        box(X, Y, Z, dx, dy, c.dz);
        zval[3][2][0] += c.bedRise;
        zval[3][3][0] += c.bedRise;
        uniformVelocity(0.0, 0.0, 0.0);
        xvel[3][3][3] = 1.0;
        xvel[4][3][3] = 3.0;
        xvel[3][4][3] = 1.0;
        xvel[4][4][3] = -1.0;
        waterflow();
        const double A = dy * c.dz;
        EXPECT_NEAR(flow1[3][3][3], 1000.0 * A * c.fast, 1e-12);
        EXPECT_EQ(flow1[3][4][3], 1000.0 * A * c.opposed);
    }
}

// F 113 6: the cell gradients meet at the face with equal weights; the
// velocities and weights stay distance-weighted.
TEST_F(Waterflow, EqualGradientWeights) {
    const int X = 6, Y = 4, Z = 4;
    for (int code : {0, 6}) {
        SCOPED_TRACE(code);
        SetArraysZero();
        FlagRhieChow = code;
        box(X, Y, Z);
        uniformVelocity(0.0, 0.0, 0.0);
        fill(invAP, constant(0.004));
        fill(Pres, [](int i, int, int) { return double(i * i * i); });
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) m_dist_x[4][j][k] = 1.5;  // cell 4 three times as long
        waterflow();
        // Face 3: gL = (64 - 8) / 2 = 28, gH = (125 - 27) / 2 = 49, w = 1.5 / 2 = 0.75.
        const double G = code == 6 ? 0.5 * (28.0 + 49.0) : 0.75 * 28.0 + 0.25 * 49.0;
        const double A = 0.5 * 0.25;
        EXPECT_NEAR(flow1[3][3][3], 1000.0 * A * A * (0.004 / 0.5) * (G - 37.0), 1e-12);
    }
}

// The joints of a two-block grid on either side wall: no flux through the
// seam, and the Rhie-Chow flux between the host column's side cell and its
// partner on the joint face and on the partner row's first i-face.
TEST_F(Waterflow, TwoBlockSeamAndJointFaces) {
    for (int start : {3, -3}) {
        SCOPED_TRACE(start);
        SetArraysZero();
        const TwoBlockGrid g{.mainLines = 8, .blockLines = 3, .Y = 4, .Z = 4, .start = start};
        g.build();
        metric();
        MultiBlockInit();
        smetric();
        const double u = 0.4, v = -0.2, D = 0.01, p0 = 50.0;
        uniformVelocity(u, v, 0.0);
        fill(invAP, constant(D));
        const int a = g.jointRow(), q = 3, m = g.hostColumn(q), k = 3;
        const bool low = start >= 0;
        const int side = low ? 2 : ynumber;  // the host column's cell at the wall
        Pres[a][q][k] = p0;  // only the partner holds a pressure
        waterflow();
        for (int j = 2; j <= ynumber; ++j)
            for (int kk = 2; kk <= znumber; ++kk) EXPECT_EQ(flow1[g.mainLines][j][kk], 0.0);

        auto flux = [D](double A, double Un, double G, double dP) {
            return 1000.0 * (A * Un + A * A * (D / relaxVelocity) * (G - dP));
        };
        // Joint face between side cell (m, side) and partner (a, q).
        const int f = low ? 1 : ynumber;
        const double A = m_ar_y[m][f][k];
        const double Un = u * m_vec_y[m][f][0] + v * m_vec_y[m][f][1];
        double want;
        if (low) {  // L = partner, H = side cell: gL = 0, gH = -p0 / 2, dP = -p0
            const double w = m_dist_y[m][2][k] / (m_dist_x[a][q][k] + m_dist_y[m][2][k]);
            want = flux(A, Un, (1.0 - w) * (-0.5 * p0), -p0);
        } else {  // L = side cell, H = partner: gL = p0 / 2, gH = 0, dP = p0
            const double w = m_dist_x[a][q][k] / (m_dist_y[m][side][k] + m_dist_x[a][q][k]);
            want = flux(A, Un, w * 0.5 * p0, p0);
        }
        EXPECT_NEAR(flow2[m][f][k], want, 1e-9 * std::fabs(want));
        EXPECT_NE(flow2[m][f][k], 1000.0 * A * Un);  // the pressure term is there
        // The partner row's first i-face: L = partner, its low neighbour the side cell.
        const double Ai = m_ar_x[a][q][k];
        const double wi = m_dist_x[a + 1][q][k] / (m_dist_x[a][q][k] + m_dist_x[a + 1][q][k]);
        const double Uni = u * m_vec_x[a][q][0] + v * m_vec_x[a][q][1];
        const double wantI = flux(Ai, Uni, (1.0 - wi) * (-0.5 * p0), -p0);
        EXPECT_NEAR(flow1[a][q][k], wantI, 1e-9 * std::fabs(wantI));
    }
}

}  // namespace
