// The pressure-correction equation of the plane and the corrections of
// fluxes, velocities and pressure.
#include <cmath>
#include <random>
#include <vector>

#include "equations/workspace.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "surface2d/plane_fixture.h"
#include "surface2d/surface2d.h"

using namespace plane2dtest;
using quird_test::readLines;

namespace {

constexpr double kDepth = 1.5;

class PressureCorrection2D : public PlaneTest {
protected:
    void box(int X, int Y, double dx, double dy) {
        quird_test::boxGrid(X, Y, 3, dx, dy, kDepth / 2.0);
        metric();
        smetric();
        openColumns();
    }
    void plane(int start) {
        if (start == 0)
            shearedPlane(9, 6, 2.0, 1.0, 0.3, kDepth);
        else
            twoBlockPlane(start);
    }
    // Random fluxes on every face of the plane, random weights.
    static void randomState(unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> flux(-50.0, 50.0), weight(5e-4, 2e-3), value(-1.0, 1.0);
        forPlane([&](int i, int j) {
            flow1[i][j][0] = flux(rng);
            flow2[i][j][0] = flux(rng);
            invAP[i][j][0] = weight(rng);
            xvel[i][j][0] = value(rng);
            yvel[i][j][0] = value(rng);
            Pres[i][j][0] = 100.0 * value(rng);
        });
    }
    static double coupling(double A, double wL, double wH, double dL, double dH) {
        return 1000.0 * A * A * ((wL * dH + wH * dL) / (dL + dH));
    }
};

struct GridCase {
    const char* name;
    int start;  // 0 single block, else MBStart of the two-block fixture
};
const GridCase kGrids[] = {{"SingleBlock", 0}, {"JoinedAtWallOne", 3}, {"JoinedAtWallY", -3}};
auto gridName = [](const auto& info) { return std::string(info.param.name); };

class Equation4 : public PressureCorrection2D, public ::testing::WithParamInterface<GridCase> {};

TEST_P(Equation4, CouplesOpenFacesSymmetricallyAndTakesTheImbalance) {
    plane(GetParam().start);
    randomState(11);
    WallI[4][3][2] = 1;  // an inner wall between cells 3 and 4 of row 3
    WallI[3][3][2] = -1;
    Equation = 4;
    pressure_correction2D();
    const int X = xnumber, Y = ynumber;
    auto iCoupling = [](int i, int j) {
        return coupling(m_ar_x[i][j][0], invAP[i][j][0], invAP[i + 1][j][0], m_dist_x[i][j][0], m_dist_x[i + 1][j][0]);
    };
    auto jCoupling = [](int i, int j) {
        return coupling(m_ar_y[i][j][0], invAP[i][j][0], invAP[i][j + 1][0], m_dist_y[i][j][0], m_dist_y[i][j + 1][0]);
    };
    for (int j = 2; j <= Y; ++j) {
        EXPECT_EQ(ae[2][j][0], 0.0);  // inflow face
        EXPECT_EQ(aw[X][j][0], 0.0);  // outflow face
        for (int i = 2; i <= X - 1; ++i) {
            const bool closed = (i == 3 && j == 3) || (MBNo > 0 && i == MBSkjot[1]);
            EXPECT_DOUBLE_EQ(aw[i][j][0], closed ? 0.0 : iCoupling(i, j)) << i << "," << j;
            if (Pi1MultiBlock[i + 1][j][0] == 0) {
                EXPECT_DOUBLE_EQ(ae[i + 1][j][0], closed ? 0.0 : iCoupling(i, j));
            }
        }
    }
    for (int i = 2; i <= X; ++i) {
        for (int j = 2; j <= Y - 1; ++j) {
            EXPECT_DOUBLE_EQ(an[i][j][0], jCoupling(i, j)) << i << "," << j;
            EXPECT_EQ(as[i][j + 1][0], an[i][j][0]);
        }
        // Side walls, or the join to the partner.
        const int m = Pj1MultiBlock[i][0], n = Pj2MultiBlock[i][0];
        if (m != 0) {
            const int b = Pj1MultiBlock[i][1];
            EXPECT_DOUBLE_EQ(as[i][2][0], coupling(m_ar_y[i][1][0], invAP[m][b][0], invAP[i][2][0], m_dist_x[m][b][0],
                                                   m_dist_y[i][2][0]));
            EXPECT_EQ(ae[m][b][0], as[i][2][0]);
        } else {
            EXPECT_EQ(as[i][2][0], 0.0);
        }
        if (n != 0) {
            const int b = Pj2MultiBlock[i][1];
            EXPECT_DOUBLE_EQ(an[i][Y][0], coupling(m_ar_y[i][Y][0], invAP[i][Y][0], invAP[n][b][0], m_dist_y[i][Y][0],
                                                   m_dist_x[n][b][0]));
            EXPECT_EQ(ae[n][b][0], an[i][Y][0]);
        } else {
            EXPECT_EQ(an[i][Y][0], 0.0);
        }
    }
    forInterior([](int i, int j) { EXPECT_NEAR(source[i][j][0], -imbalance(i, j), 1e-12) << i << "," << j; });
}

INSTANTIATE_TEST_SUITE_P(Planes, Equation4, ::testing::ValuesIn(kGrids), gridName);

class ZeroCorrection : public PressureCorrection2D, public ::testing::WithParamInterface<GridCase> {};

TEST_P(ZeroCorrection, ChangesNothing) {
    plane(GetParam().start);
    randomState(12);
    WallJ[3][2][2] = 1;
    WallI[5][4][2] = -1;
    waterflow2D();
    for (int i = 0; i <= xnumber + 2; ++i)
        for (int j = 0; j <= ynumber + 2; ++j) f[i][j][0] = 0.0;
    auto snapshot = [] {
        std::vector<double> v;
        forPlane([&](int i, int j) {
            for (auto* a : {&flow1, &flow2, &xvel, &yvel, &Pres}) v.push_back((*a)[i][j][0]);
        });
        return v;
    };
    const std::vector<double> before = snapshot();
    SimpleCorrections2D();
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(readLines("boogie").empty());
}

INSTANTIATE_TEST_SUITE_P(Planes, ZeroCorrection, ::testing::ValuesIn(kGrids), gridName);

// With p' = 0 the closing rules alone change the plane: a G 13 box cell
// loses its four face fluxes and its velocities; a blocked column (kblok 0)
// loses its four face fluxes under F 36 only.
TEST_F(PressureCorrection2D, ZeroCorrectionClosesBoxesAndBlockedColumns) {
    struct Case {
        const char* name;
        bool box;
        int freeSurface;  // F 36
        bool closed;      // the four faces of cell (4, 4) end at 0
    };
    const Case cases[] = {{"box", true, 0, true},
                          {"blocked_column_with_f36", false, 2, true},
                          {"blocked_column_without_f36", false, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plane(0);
        randomState(14);
        forPlane([](int i, int j) { f[i][j][0] = 0.0; });
        FlagTFS = c.freeSurface;
        kblok[4][4] = c.box ? 1 : 0;
        OutBlockNo = c.box ? 1 : 0;
        OutBlock[1] = {};
        OutBlock[1].i1 = OutBlock[1].i2 = 4;
        OutBlock[1].j1 = OutBlock[1].j2 = 4;
        std::vector<double> before;
        forPlane([&](int i, int j) {
            for (auto* a : {&flow1, &flow2, &xvel, &yvel, &Pres}) before.push_back((*a)[i][j][0]);
        });
        SimpleCorrections2D();
        size_t n = 0;
        forPlane([&](int i, int j) {
            const bool cell = i == 4 && j == 4;
            const bool face1 = c.closed && j == 4 && (i == 3 || i == 4), face2 = c.closed && i == 4 && (j == 3 || j == 4);
            EXPECT_EQ(flow1[i][j][0], face1 ? 0.0 : before[n]) << i << "," << j;
            EXPECT_EQ(flow2[i][j][0], face2 ? 0.0 : before[n + 1]) << i << "," << j;
            EXPECT_EQ(xvel[i][j][0], cell && c.box ? 0.0 : before[n + 2]) << i << "," << j;
            EXPECT_EQ(yvel[i][j][0], cell && c.box ? 0.0 : before[n + 3]) << i << "," << j;
            EXPECT_EQ(Pres[i][j][0], before[n + 4]) << i << "," << j;
            n += 5;
        });
        FlagTFS = 0;
        OutBlockNo = 0;
    }
}

// K 9 chooses the weight of the couplings and the corrections alike.
struct WeightCase {
    const char* name;
    char simple;
    double expected;  // weight of the couplings and the corrections
};

class CorrectionWeight : public PressureCorrection2D, public ::testing::WithParamInterface<WeightCase> {};

TEST_P(CorrectionWeight, FollowsK9) {
    simple = GetParam().simple;
    const double dx = 2.0, dy = 1.0, p0 = 40.0;
    box(8, 6, dx, dy);
    forPlane([](int i, int j) {
        invAP[i][j][0] = 1e-3;
        if (!invAPC.isNull()) invAPC[i][j][0] = 4e-3;
    });
    Equation = 4;
    pressure_correction2D();
    const double A = dy * kDepth;
    const double W = GetParam().expected;
    EXPECT_DOUBLE_EQ(aw[4][3][0], 1000.0 * A * A * W);

    f[4][3][0] = p0;
    SimpleCorrections2D();
    EXPECT_DOUBLE_EQ(flow1[4][3][0], 1000.0 * A * A * W * p0);
    EXPECT_DOUBLE_EQ(flow1[3][3][0], -1000.0 * A * A * W * p0);
    // Cell 5 sees the difference (0 - p0) / 2 across it.
    EXPECT_DOUBLE_EQ(xvel[5][3][0], -W * A * A * dx * (-p0 / 2.0) / (2.0 * dx * dy * kDepth / 2.0));
}

INSTANTIATE_TEST_SUITE_P(K9, CorrectionWeight,
                         ::testing::Values(WeightCase{"Simple", 'Y', 1e-3}, WeightCase{"Simplec", 'C', 4e-3}),
                         [](const auto& info) { return std::string(info.param.name); });

// A cell that loses water through all four faces has its high-i flux
// reversed, on single-block grids with F 7 E only.
struct DirectionCase {
    const char* name;
    int start;
    int flag;
    bool reversed;
};

class DirectionCheck : public PressureCorrection2D, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(DirectionCheck, ReversesTheHighFlux) {
    plane(GetParam().start);
    FlagFlowDirCor = GetParam().flag;
    // Water passes every other cell in +j.
    forPlane([](int i, int j) {
        flow1[i][j][0] = 0.0;
        flow2[i][j][0] = 0.1;
    });
    flow1[4][3][0] = 2.5;
    flow1[3][3][0] = -1.5;
    flow2[4][3][0] = 0.5;
    flow2[4][2][0] = -0.25;
    SimpleCorrections2D();
    EXPECT_EQ(flow1[4][3][0], GetParam().reversed ? -2.5 : 2.5);
    const auto lines = readLines("boogie");
    if (GetParam().reversed)
        EXPECT_EQ(lines, std::vector<std::string>{"Warning, corrected direction of flow1(4,3,0) = -2.500000"});
    else
        EXPECT_TRUE(lines.empty());
}

INSTANTIATE_TEST_SUITE_P(F7, DirectionCheck,
                         ::testing::Values(DirectionCase{"SingleBlockWithE", 0, 1, true},
                                           DirectionCase{"SingleBlockWithoutE", 0, 0, false},
                                           DirectionCase{"AttachedBlocksWithE", 3, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PressureCorrection2D, BoxesEndClosedAndPressureTakesTheRelaxedCorrection) {
    plane(0);
    randomState(13);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(-30.0, 30.0);
    forPlane([&](int i, int j) { f[i][j][0] = value(rng); });
    OutBlockNo = 1;
    OutBlock[1] = {};
    OutBlock[1].i1 = 4;
    OutBlock[1].i2 = 5;
    OutBlock[1].j1 = OutBlock[1].j2 = 3;
    std::vector<double> pressure;
    forPlane([&](int i, int j) { pressure.push_back(Pres[i][j][0]); });
    SimpleCorrections2D();
    for (int i = 4; i <= 5; ++i) {
        EXPECT_EQ(xvel[i][3][0], 0.0);
        EXPECT_EQ(yvel[i][3][0], 0.0);
        EXPECT_EQ(flow1[i - 1][3][0], 0.0);
        EXPECT_EQ(flow1[i][3][0], 0.0);
        EXPECT_EQ(flow2[i][2][0], 0.0);
        EXPECT_EQ(flow2[i][3][0], 0.0);
    }
    size_t n = 0;
    forPlane([&](int i, int j) {
        const bool interior = i >= 2 && i <= xnumber && j >= 2 && j <= ynumber;
        EXPECT_EQ(Pres[i][j][0], pressure[n++] + (interior ? relaxPressure * f[i][j][0] : 0.0)) << i << "," << j;
    });
}

// Velocity corrections on a box plane with p' linear along i: every cell
// takes -W A_x^2 dx g / V = -W dy depth g, unless the thin-water option of
// F 151 leaves out a column whose target bed lies above the bed.
struct ThinWaterCase {
    const char* name;
    int option;
    bool skipsRaised;
};

class VelocityCorrection : public PressureCorrection2D, public ::testing::WithParamInterface<ThinWaterCase> {};

TEST_P(VelocityCorrection, ReachesTheCellsThatTheThinWaterOptionAllows) {
    FlagTSCMinDepth = GetParam().option;
    const double dx = 2.0, dy = 1.0, g = 6.0, W = 1e-3;
    box(7, 6, dx, dy);
    zval[4][3][0] += 0.1;  // a target bed above the bed at node (4, 3): cells (4..5, 3..4)
    forPlane([&](int i, int j) {
        invAP[i][j][0] = W;
        f[i][j][0] = g * i;
    });
    SimpleCorrections2D();
    forInterior([&](int i, int j) {
        const bool raised = (i == 4 || i == 5) && (j == 3 || j == 4);
        const double du = GetParam().skipsRaised && raised ? 0.0 : -W * dy * kDepth * g;
        EXPECT_NEAR(xvel[i][j][0], du, 1e-12) << i << "," << j;
        EXPECT_NEAR(yvel[i][j][0], 0.0, 1e-12) << i << "," << j;
    });
}

INSTANTIATE_TEST_SUITE_P(F151, VelocityCorrection,
                         ::testing::Values(ThinWaterCase{"Off", 0, false}, ThinWaterCase{"FrictionOnly", 1, false},
                                           ThinWaterCase{"Two", 2, true}, ThinWaterCase{"Three", 3, true},
                                           ThinWaterCase{"Four", 4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The p' difference across a cell by its place, with p' quadratic along one
// axis so that one-sided and central differences differ: forward at the
// first cell and at a wall on the low face, backward at the last cell, at a
// wall on the high face and (along i) on a seam line, central elsewhere.
TEST_F(PressureCorrection2D, VelocityCorrectionDifferencesByPlace) {
    enum Kind { Forward, Central, Backward };
    struct Case {
        const char* name;
        bool alongI;
        int cell;   // index along the axis; 0 the last interior cell
        int wall;   // WallI or WallJ of the cell
        bool seam;  // ISkjotMB of the cell's i
        Kind kind;
    };
    const Case cases[] = {
        {"first_i", true, 2, 0, false, Forward},      {"inner_i", true, 4, 0, false, Central},
        {"last_i", true, 0, 0, false, Backward},      {"wall_low_face_i", true, 4, 1, false, Forward},
        {"wall_high_face_i", true, 4, -1, false, Backward}, {"seam_line", true, 4, 0, true, Backward},
        {"first_j", false, 2, 0, false, Forward},     {"inner_j", false, 4, 0, false, Central},
        {"last_j", false, 0, 0, false, Backward},     {"wall_low_face_j", false, 4, 1, false, Forward},
        {"wall_high_face_j", false, 4, -1, false, Backward},
    };
    const double dx = 2.0, dy = 1.0, W = 1e-3;
    box(8, 7, dx, dy);
    forPlane([&](int i, int j) { invAP[i][j][0] = W; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double h = c.alongI ? dx : dy;
        auto centre = [&](int n) { return (n - 1.5) * h; };
        forPlane([&](int i, int j) {
            const double s = centre(c.alongI ? i : j);
            f[i][j][0] = s * s;
            xvel[i][j][0] = yvel[i][j][0] = 0.0;
        });
        const int n = c.cell != 0 ? c.cell : c.alongI ? xnumber : ynumber;
        const int i = c.alongI ? n : 3, j = c.alongI ? 3 : n;
        FieldArray<int, 3>& wall = c.alongI ? WallI : WallJ;
        wall[i][j][2] = c.wall;
        ISkjotMB[i] = c.seam ? 1 : 0;
        SimpleCorrections2D();
        wall[i][j][2] = 0;
        ISkjotMB[i] = 0;
        const double V = dx * dy * kDepth, A = (c.alongI ? dy : dx) * kDepth;
        const double D = -(c.alongI ? xvel : yvel)[i][j][0] * V / (W * A * A * h);
        const double s = centre(n);
        EXPECT_NEAR(D, 2 * s * h + (c.kind == Forward ? h * h : c.kind == Backward ? -h * h : 0.0), 1e-9);
        EXPECT_NEAR((c.alongI ? yvel : xvel)[i][j][0], 0.0, 1e-12);
    }
}

// A partner cell takes its host cell as i-1 neighbour, and its join face as
// low i-face area.
TEST_F(PressureCorrection2D, PartnerVelocityLooksAcrossTheJoin) {
    twoBlockPlane(3);
    const double W = 1e-3, p0 = 20.0;
    forPlane([&](int i, int j) { invAP[i][j][0] = W; });
    const int a = MBSkjot[1] + 1, j = 3, m = Pi1MultiBlock[a][j][0];
    f[m][2][0] = p0;
    SimpleCorrections2D();
    const double Ax = (m_ar_x[a][j][0] + m_ar_y[m][1][0]) / 2.0;
    const double V = 2.0 * m_armap[a][j] * m_dist_z[a][j][0];
    EXPECT_NEAR(xvel[a][j][0], -W * Ax * Ax * dx1[a][j] * (-p0 / 2.0) / V, 1e-12);
    EXPECT_NEAR(yvel[a][j][0], -W * Ax * Ax * dy1[a][j] * (-p0 / 2.0) / V, 1e-12);
    // The host cell's j-1 neighbour is its partner (p' 0): (p'(m,3) - p'(B)) / 2 = 0.
    EXPECT_NEAR(yvel[m][2][0], 0.0, 1e-15);
}

}  // namespace
