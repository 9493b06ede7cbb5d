// The pressure-based surface update on small grids with hand-set lid
// pressures: the column rules, the lid pressure forms, the node values, the
// `timei` levels and discharges, the rescaled boundary velocities and the
// exits on a log that cannot be opened.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "control/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "surface2d/surface2d.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr double kHead = 0.000101937;  // m per Pa
constexpr int X = 5, Y = 4, Z = 5;     // node lines; levels 0, 0.2 .. 0.8
constexpr double kDepth = 0.8;
constexpr double kDx = 10.0;

void noStep() {}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Surface : public EngineTest {
protected:
    // A box of 4 x 3 x 4 cells, the lid pressure `p` in every cell column
    // (read unchanged: F 233 7), the boundary routines replaced.
    void build(double p = 2000.0, int flagNonHydro = 7) {
        boxGrid(X, Y, Z, kDx, 1.0, 0.2);
        finish(p, flagNonHydro);
    }
    void finish(double p, int flagNonHydro) {
        metric();
        smetric();
        FlagNonHydrostaticSurf = flagNonHydro;
        SurfaceConvergenceCrit = 0.0;
        flowSteps.boundary = noStep;
        flowSteps.waterflow = noStep;
        for (int i = 1; i <= X + 1; ++i)
            for (int j = 1; j <= Y + 1; ++j) {
                Pres[i][j][Z + 1] = p;
                for (int k = 0; k <= Z + 1; ++k) OBlok[i][j][k] = 1;
            }
    }
    static double top(int i, int j) { return zval[i][j][Z]; }
    static std::string log() {
        return std::filesystem::exists("boogie") ? readFile("boogie") : std::string();
    }
};

// ---------------------------------------------------------------------------
// The column rules on one column of levels 0, 0.2 .. 1.0 (target bed at z[0]).
// ---------------------------------------------------------------------------
struct ColumnCase {
    const char* name;
    int r;
    double target;  // target bed above the bed
    double dz, md;
    std::vector<double> want;  // levels 1..5
    double shift;
};
const ColumnCase kColumns[] = {
    {"PlainStretch", 1, 0.0, 0.1, 0.05, {0.0, 0.22, 0.44, 0.66, 0.88, 1.1}, 0.0},
    {"StretchAboveFixedLevel", 3, 0.0, 0.1, 0.05, {0.0, 0.2, 0.4, 0.6 + 0.1 / 3, 0.8 + 0.2 / 3, 1.1}, 0.0},
    {"LiftOnly", 1, 0.05, 0.02, 0.05, {0.02, 0.22, 0.42, 0.62, 0.82, 1.02}, 0.0},
    {"LiftThenStretch", 1, 0.05, 0.08, 0.05, {0.05, 0.256, 0.462, 0.668, 0.874, 1.08}, 0.0},
    {"FallingSurfaceDoesNotLift", 1, 0.05, -0.1, 0.05, {0.0, 0.18, 0.36, 0.54, 0.72, 0.9}, 0.0},
    // 1 - 0.98 leaves 0.02 < md 0.05: the column goes to 0.05 below 0.02.
    {"SqueezeLowersTheBed", 1, 0.0, -0.98, 0.05, {-0.03, -0.02, -0.01, 0.0, 0.01, 0.02}, -0.03},
    // Above fixed level 3 (0.4) only 0.01 would remain: the surface stops at 0.45.
    {"SqueezeAboveFixedLevel", 3, 0.0, -0.59, 0.05, {0.0, 0.2, 0.4, 0.4 + 0.2 / 12, 0.4 + 0.4 / 12, 0.45}, 0.0},
};

class ColumnRules : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(ColumnRules, MoveTheColumn) {
    const ColumnCase& c = GetParam();
    double z[7] = {c.target, 0.0, 0.2, 0.4, 0.6, 0.8, 1.0};
    z[0] += z[1];
    const double shift = moveNodeColumn(z, 6, c.r, c.dz, c.md);
    EXPECT_NEAR(shift, c.shift, 1e-12);
    for (int k = 1; k <= 6; ++k) EXPECT_NEAR(z[k], c.want[k - 1], 1e-12) << "level " << k;
    for (int k = 2; k <= 6; ++k) EXPECT_GT(z[k], z[k - 1]) << "cell height at level " << k;
}

INSTANTIATE_TEST_SUITE_P(Surface, ColumnRules, ::testing::ValuesIn(kColumns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SurfaceRules, VelocityHeadKeepsItsDepth) {
    EXPECT_NEAR(velocityHeadChange(-0.95, 1.0, 5.0) + 1.0, 0.1, 1e-12);  // 5 m2/s2: at least 0.1 m
    EXPECT_EQ(velocityHeadChange(-0.85, 1.0, 5.0), -0.85);               // 0.15 m left: no change
    EXPECT_EQ(velocityHeadChange(-0.99, 1.0, 0.1), -0.99);               // 0.1 m2/s2 or less: never
}

TEST(SurfaceRules, RescaleFactorOfAFaceWithoutFlowIsOne) {
    EXPECT_DOUBLE_EQ(rescaleFactor(6.0, 3.0), 2.0);
    EXPECT_EQ(rescaleFactor(6.0, 0.0), 1.0);
    EXPECT_EQ(rescaleFactor(0.0, 0.0), 1.0);
    EXPECT_EQ(rescaleFactor(1e300, 1e-300), 1.0);
}

// ---------------------------------------------------------------------------
// The whole update on the box, one node column watched.
// ---------------------------------------------------------------------------
struct LevelCase {
    const char* name;
    std::function<void()> setup;
    int i, j;
    std::vector<double> want;  // levels 1..Z of the column
    double shift = 0.0;        // Surfaces[2] of the column
};

// Adds dp to the lid pressure of cell column (i, j).
void lid(int i, int j, double dp) { Pres[i][j][Z + 1] += dp; }
// Pressure difference of a head h.
double pa(double h) { return h / kHead; }
std::vector<double> columnOf(double bed, double surf) {
    std::vector<double> v;
    for (int k = 1; k <= Z; ++k) v.push_back(bed + (surf - bed) * (k - 1) / (Z - 1));
    return v;
}

const LevelCase kLevels[] = {
    // Node (2, 2) averages cells (2..3, 2..3); 0.4 m more in one cell lifts it 0.1 m, relaxed by half.
    {"RawChangeRelaxed", [] { lid(2, 2, pa(0.4)); RelaxSurface = 0.5; }, 2, 2, columnOf(0.0, 0.85)},
    // Node (1, 1) sees only cell (2, 2).
    {"CornerNode", [] { lid(2, 2, pa(0.4)); RelaxSurface = 0.5; }, 1, 1, columnOf(0.0, 1.0)},
    {"ReferenceColumnStays", [] { lid(5, 3, pa(0.4)); lid(5, 4, pa(0.4)); }, X, Y / 2 + 1, columnOf(0.0, 0.8)},
    {"ReferenceColumnByG6", [] { iSurf = 2; jSurf = 2; lid(2, 2, pa(0.4)); }, 5, 3, columnOf(0.0, 0.7)},
    // pref 0: every column follows the absolute head of 2000 Pa.
    {"ReferencePressureZero", [] { FlagTFS = 3; }, 3, 2, columnOf(0.0, 0.8 + 2000 * kHead)},
    // All four cells blocked: node pressure 0, the column falls by the reference head.
    {"BlockedNode",
     [] {
         for (int i = 2; i <= 3; ++i)
             for (int j = 2; j <= 3; ++j) OBlok[i][j][Z] = 0;
     },
     2, 2, columnOf(0.0, 0.8 - 2000 * kHead)},
    // 0.79 m lower leaves 0.01 m: squeezed to F 23's 0.05 m, bed lowered.
    {"SqueezeToFillCriteria", [] { lid(2, 2, -pa(4 * 0.79)); FillCriteria = 0.05; }, 2, 2,
     columnOf(-0.04, 0.01), -0.04},
    // Default md: 0.03 times four half cells of 5 m over 5 node lines = 0.12 m.
    {"SqueezeToDefaultDepth", [] { lid(2, 2, -pa(4 * 0.79)); }, 2, 2, columnOf(-0.11, 0.01), -0.11},
    {"VelocityHead",
     [] {
         lid(2, 2, -pa(4 * 0.79));
         FillCriteria = 0.05;
         for (int i = 2; i <= 3; ++i)
             for (int j = 2; j <= 3; ++j) xvel[i][j][Z] = std::sqrt(5.0);
     },
     2, 2, columnOf(0.0, 0.1)},
    {"LiftTowardTargetBed", [] { lid(2, 2, pa(4 * 0.08)); zval[2][2][0] = 0.05; }, 2, 2,
     {0.05, 0.05 + 0.2075, 0.05 + 0.415, 0.05 + 0.6225, 0.88}},
    {"FixedLevelsStay",
     [] {
         lid(2, 2, pa(0.4));
         NoLowFixLev = 1;
         for (int i = 1; i <= X; ++i)
             for (int j = 1; j <= Y; ++j) LowerFixedLevel[i][j] = 3;
     },
     2, 2, {0.0, 0.2, 0.4, 0.65, 0.9}},
};

class SurfaceLevels : public Surface, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(SurfaceLevels, MoveTheColumn) {
    const LevelCase& c = GetParam();
    build();
    c.setup();
    surface();
    for (int k = 1; k <= Z; ++k) EXPECT_NEAR(zval[c.i][c.j][k], c.want[k - 1], 1e-9) << "level " << k;
    EXPECT_NEAR(Surfaces[2][c.i][c.j], c.shift, 1e-12);
    EXPECT_EQ(FlagGridChange, 1);
}

INSTANTIATE_TEST_SUITE_P(Surface, SurfaceLevels, ::testing::ValuesIn(kLevels),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Surface, BlockedNodeHasNoNodeValues) {
    build();
    for (int i = 2; i <= 3; ++i)
        for (int j = 2; j <= 3; ++j) OBlok[i][j][Z] = 0;
    xvel[2][2][Z] = 3.0;
    surface();
    EXPECT_EQ(Surfaces[5][2][2], 0.0);
    EXPECT_EQ(Surfaces[4][2][2], 0.0);
    EXPECT_EQ(Surfaces[5][3][3], 2000.0);
}

TEST_F(Surface, BedShiftsAccumulate) {
    build();
    FillCriteria = 0.05;
    lid(2, 2, -pa(4 * 0.79));
    surface();  // column -0.04 .. 0.01
    lid(2, 2, -pa(4 * 0.1));
    surface();  // 0.1 m lower again: bed to 0.01 - 0.1 - 0.05
    EXPECT_NEAR(Surfaces[2][2][2], -0.14, 1e-12);
    EXPECT_NEAR(zval[2][2][1], -0.14, 1e-12);
    for (int k = 2; k <= Z; ++k) EXPECT_GT(zval[2][2][k], zval[2][2][k - 1]);
}

// ---------------------------------------------------------------------------
// A settled surface: no interior level moves, the rest of the update runs.
// ---------------------------------------------------------------------------
TEST_F(Surface, SettledSurfaceStillImposesLevelsAndReports) {
    TimeStep = 1.0;
    build();
    TimeInNo = 1;
    TimeInTime[0] = 0.0;
    TimeInHinn[0] = 0.9;
    TimeInHout[0] = -1.0;
    SurfaceConvergenceCrit = 1e9;
    lid(2, 2, pa(0.4));
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) xvel[1][j][k] = xvel[X + 1][j][k] = 1.0;
    const double before = 1000.0 * (Y - 1) * 1.0 * kDepth;
    surface();
    EXPECT_EQ(zval[2][2][Z], 0.8);
    EXPECT_NEAR(zval[1][3][Z], 0.9, 1e-12);
    EXPECT_NEAR(m_ar_x[1][3][Z], 0.9 / 4, 1e-12);  // metric ran on the moved column
    // The inflow stays what it was: the velocities scaled by 0.8 / 0.9.
    EXPECT_NEAR(xvel[1][3][3], 0.8 / 0.9, 1e-12);
    EXPECT_EQ(FlagGridChange, 1);
    const std::string text = log();
    EXPECT_TRUE(contains(text, "Surface not updated, Convergence = ")) << text;
    EXPECT_TRUE(contains(text, "Inflow ratio change for outflow = 0.888889\n")) << text;
    char line[200];
    std::snprintf(line, sizeof line, "Flux1o = %e, Flux1 = %e, Flux2 = %e\n", before, before * 0.9 / 0.8, before);
    EXPECT_TRUE(contains(text, line)) << text;
    EXPECT_TRUE(contains(text, "\nConvergence = ")) << text;

    // Not a logged pass: no report lines.
    std::filesystem::remove("boogie");
    FlagPrint = 1;
    surface();
    EXPECT_FALSE(contains(log(), "Inflow ratio")) << log();
}

TEST_F(Surface, NoInteriorNodeOnANarrowGrid) {
    boxGrid(X, 2, Z, kDx, 1.0, 0.2);
    metric();
    smetric();
    flowSteps.boundary = flowSteps.waterflow = noStep;
    FlagNonHydrostaticSurf = 7;
    for (int i = 2; i <= X; ++i) Pres[i][2][Z + 1] = 500.0 * i;
    surface();  // conv 0 is below the default 0.001
    EXPECT_TRUE(contains(log(), "Surface not updated, Convergence = 0.000000\n")) << log();
    EXPECT_EQ(zval[2][1][Z], 0.8);
}

// ---------------------------------------------------------------------------
// Lid pressure.
// ---------------------------------------------------------------------------
// Unequal layers: levels 0, 0.3, 0.5, 0.6, 0.9.
double unequal(int, int, int k) {
    const double z[] = {0.0, 0.0, 0.3, 0.5, 0.6, 0.9};
    return z[k];
}
double linearPressure(double z) { return 9810.0 * (1.0 - z) + 37.0; }

TEST_F(Surface, LinearPressureIsExtrapolatedToTheTopFace) {
    allocateGrid(X, Y, Z);
    fillGrid([](int i, int j) { return PlanPoint{(i - 1) * kDx, (j - 1) * 1.0}; }, unequal);
    finish(0.0, 0);
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) Pres[i][j][k] = linearPressure(0.5 * (unequal(i, j, k - 1) + unequal(i, j, k)));
    SurfaceConvergenceCrit = 1e9;
    surface();
    EXPECT_NEAR(Pres[3][3][Z + 1], linearPressure(0.9), 1e-9);
    EXPECT_NEAR(Surfaces[5][3][3], linearPressure(0.9), 1e-9);
}

struct LidCase {
    const char* name;
    int flag;
    int regres;
    double want;  // lid pressure of cell (3, 3); pressures 100 k inside, 7 in the slot
};
const LidCase kLids[] = {
    {"MeanOfTheColumn", 6, 0, 100.0 * (2 + 3 + 4 + 5) / 4},
    {"TopCell", 8, 0, 500.0},
    {"OtherValueKeepsTheSlot", 3, 0, 7.0},
    {"RunningMeanKept", 0, 1, 7.0},
};

class LidPressure : public Surface, public ::testing::WithParamInterface<LidCase> {};

TEST_P(LidPressure, Forms) {
    const LidCase& c = GetParam();
    build(7.0, c.flag);
    PresRegres = c.regres;
    RegIter = 12;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) Pres[i][j][k] = 100.0 * k;
    surface();
    EXPECT_DOUBLE_EQ(Pres[3][3][Z + 1], c.want);
    EXPECT_EQ(RegIter, c.regres > 0 ? 0 : 12);
}

INSTANTIATE_TEST_SUITE_P(Surface, LidPressure, ::testing::ValuesIn(kLids),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Surface, SmoothingUsesNoSlotOfThePressure) {
    for (const double s : {0.0, 1.0}) {
        build();
        SurfSmoothFlag = 1;
        SurfSmoothVal = s;
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) Pres[i][j][Z + 1] = 10.0 * i + j * j, Pres[i][j][0] = -1.0;
        surface();
        // Cell (3, 3): neighbours 20+9, 40+9, 30+4, 30+16; cell (2, 2) takes its own value for the ghosts.
        EXPECT_DOUBLE_EQ(Pres[3][3][Z + 1], s == 0.0 ? 39.0 : 0.25 * (29 + 49 + 34 + 46)) << s;
        EXPECT_DOUBLE_EQ(Pres[2][2][Z + 1], s == 0.0 ? 24.0 : 0.25 * (24 + 34 + 24 + 29)) << s;
        EXPECT_EQ(Pres[3][3][0], -1.0);
    }
}

TEST_F(Surface, SmoothingOfThePlaneLeavesItsPressure) {
    build();
    Flag2Dim = 1;
    SurfSmoothFlag = 1;
    SurfSmoothVal = 1.0;
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j) {
            Pres[i][j][0] = 10.0 * i + j * j;
            flow1[std::min(i, X)][j][0] = 1.0;  // some outflow for the boundary values
            xvel[i][j][0] = 0.5;
        }
    const std::vector<double> before(Pres.data(), Pres.data() + Pres.size());
    exitCodeOf([] { surface(); });
    // Node (3, 3) averages the smoothed cells (3..4, 3..4); the ghosts repeat the cells inside.
    auto p0 = [](int i, int j) { return 10.0 * std::clamp(i, 2, X) + std::clamp(j, 2, Y) * std::clamp(j, 2, Y); };
    auto smooth = [&](int i, int j) { return 0.25 * (p0(i + 1, j) + p0(i - 1, j) + p0(i, j + 1) + p0(i, j - 1)); };
    EXPECT_DOUBLE_EQ(Surfaces[5][3][3], 0.25 * (smooth(3, 3) + smooth(4, 3) + smooth(3, 4) + smooth(4, 4)));
    EXPECT_EQ(std::vector<double>(Pres.data(), Pres.data() + Pres.size()), before);
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// `timei`: levels at the upstream and downstream node lines, discharges of
// the boundary cells. Times 10, 20, 30.
// ---------------------------------------------------------------------------
double iFaceMass(int face, int cell) {
    double s = 0.0;
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k)
            s += 1000.0 * m_ar_x[face][j][k] * (xvel[cell][j][k] * m_vec_x[face][j][0] + yvel[cell][j][k] * m_vec_x[face][j][1]);
    return s;
}
double jFaceMass(int face, int cell) {
    double s = 0.0;
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k)
            s += 1000.0 * m_ar_y[i][face][k] * (xvel[i][cell][k] * m_vec_y[i][face][0] + yvel[i][cell][k] * m_vec_y[i][face][1]);
    return s;
}

class SurfaceSeries : public Surface {
protected:
    void SetUp() override {
        Surface::SetUp();
        TimeStep = 1.0;  // allocates the series
        build();
        TimeInNo = 3;
        const double t[] = {10, 20, 30}, hin[] = {0.9, 1.0, 0.6}, hout[] = {0.7, 0.75, 0.5};
        const double qin[] = {1, 2, 4}, qout[] = {3, 5, 6};
        for (int n = 0; n < 3; ++n) {
            TimeInTime[n] = t[n];
            TimeInHinn[n] = hin[n];
            TimeInHout[n] = hout[n];
            QDinn[n][0] = qin[n];
            QDinn[n][1] = qout[n];
        }
        // Unit velocities through both ends: 1000 x 3 x 4 x 0.2 m2 = 2400 kg/s.
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) xvel[1][j][k] = xvel[X + 1][j][k] = 1.0;
        // Flow through the top faces next to downstream nodes 1..3, none at node 4.
        for (int j = 1; j <= 3; ++j) flow1[X][j][Z] = 1.0;
    }
};

struct SeriesCase {
    const char* name;
    double stime;
    double hin, hout;  // levels imposed
    double qin, qout;  // discharges of the 3-D boundary cells (m3/s)
};
const SeriesCase kSeries[] = {
    {"AtARow", 20.0, 1.0, 0.75, 2.0, 5.0},
    {"BetweenRows", 15.0, 0.95, 0.725, 1.5, 4.0},
    // Levels extrapolate along the first interval; the discharges take the last entry.
    {"BeforeTheFirstTime", 5.0, 0.85, 0.675, 4.0, 6.0},
    {"AfterTheLastTime", 40.0, 0.6, 0.5, 4.0, 6.0},
};

class SeriesLookups : public SurfaceSeries, public ::testing::WithParamInterface<SeriesCase> {};

TEST_P(SeriesLookups, LevelsAndDischarges) {
    const SeriesCase& c = GetParam();
    stime = c.stime;
    surface();
    for (int j = 1; j <= Y; ++j) {
        EXPECT_NEAR(zval[1][j][Z], c.hin, 1e-12) << j;
        EXPECT_NEAR(zval[1][j][3], 0.5 * c.hin, 1e-12) << j;  // stretched about the bed
    }
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(zval[X][j][Z], c.hout, 1e-12) << j;
    EXPECT_EQ(zval[X][4][Z], kDepth);  // no flow through its top faces
    // The boundary cells carry the series discharges through the moved faces.
    EXPECT_NEAR(iFaceMass(1, 1), 1000.0 * c.qin, 1e-9);
    EXPECT_NEAR(iFaceMass(X, X + 1), 1000.0 * c.qout, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Surface, SeriesLookups, ::testing::ValuesIn(kSeries),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SurfaceSeries, NegativeEntryAtTheIndexLeavesThatSide) {
    TimeInHinn[0] = -1.0;
    TimeInHinn[1] = 3.0;  // interpolated to 1.0 at 15 s
    TimeInHout[0] = -1.0;
    TimeInHout[1] = 3.0;
    FlagDischargeTime = 1;  // the discharges stay those before the move
    stime = 15.0;
    surface();
    EXPECT_EQ(zval[1][2][Z], kDepth);
    EXPECT_EQ(zval[X][2][Z], kDepth);
    EXPECT_DOUBLE_EQ(xvel[1][3][3], 1.0);
}

TEST_F(SurfaceSeries, LevelsAtOrBelowTheBedKeepTheMinimumDepth) {
    FillCriteria = 0.05;
    TimeInHinn[2] = 0.0;  // at the bed: 0.05 above it, with a warning
    TimeInHout[2] = 0.01;
    stime = 40.0;
    surface();
    EXPECT_NEAR(zval[1][2][Z], 0.05, 1e-12);
    EXPECT_TRUE(contains(log(), "Warning: upstream level 0.000000 at or below the bed of node column (1,2)")) << log();
    // Downstream: squeezed to 0.05 below 0.01, the bed lowered.
    EXPECT_NEAR(zval[X][2][Z], 0.01, 1e-12);
    EXPECT_NEAR(zval[X][2][1], -0.04, 1e-12);
    EXPECT_NEAR(Surfaces[2][X][2], -0.04, 1e-12);
    for (int k = 2; k <= Z; ++k) {
        EXPECT_GT(zval[1][2][k], zval[1][2][k - 1]);
        EXPECT_GT(zval[X][2][k], zval[X][2][k - 1]);
    }
}

TEST_F(SurfaceSeries, FaceWithoutFlowKeepsItsVelocities) {
    for (int n = 0; n < 3; ++n) TimeInHinn[n] = TimeInHout[n] = -1.0;
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) xvel[1][j][k] = 0.0, yvel[1][j][k] = 0.3;  // along the face
    stime = 20.0;
    surface();
    EXPECT_EQ(xvel[1][3][3], 0.0);
    EXPECT_EQ(yvel[1][3][3], 0.3);
    EXPECT_NEAR(xvel[X + 1][3][3], 5.0 / 2.4, 1e-12);
    EXPECT_TRUE(contains(log(), "Warning: no flow through the upstream face")) << log();
}

TEST_F(SurfaceSeries, TimeAdvancesWithTheUpdateOnlyWhenItsOwn) {
    FlagTFS = 2;
    stime = 20.0;
    surface();
    EXPECT_EQ(stime, 21.0);
    FlagTSC = 1;  // a morphology driver owns the time
    surface();
    EXPECT_EQ(stime, 21.0);
}

// ---------------------------------------------------------------------------
// Rescaling after a move.
// ---------------------------------------------------------------------------
TEST_F(Surface, BoundaryCellsKeepTheirDischargesThroughTheMove) {
    build();
    lid(2, 2, pa(0.8));  // lifts the upstream corner nodes
    lid(X, 2, -pa(0.8));
    IONo = 1;
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j)
            for (int k = 2; k <= Z; ++k) {
                xvel[i][j][k] = 0.7 + 0.01 * j + 0.02 * k;
                yvel[i][j][k] = 0.1 * (i + j) - 0.3;
            }
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) flow2[i][1][k] = 40.0 + i, flow2[i][Y][k] = -25.0 + k;
    const double in = iFaceMass(1, 1), out = iFaceMass(X, X + 1);
    surface();
    ASSERT_GT(zval[1][1][Z], kDepth);
    EXPECT_NEAR(iFaceMass(1, 1), in, 1e-9 * std::fabs(in));
    EXPECT_NEAR(iFaceMass(X, X + 1), out, 1e-9 * std::fabs(out));
    double q1 = 0.0, q2 = 0.0;
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) q1 += flow2[i][1][k], q2 += flow2[i][Y][k];
    EXPECT_NEAR(jFaceMass(1, 1), q1, 1e-9 * std::fabs(q1));
    EXPECT_NEAR(jFaceMass(Y, Y + 1), q2, 1e-9 * std::fabs(q2));
}

// The 2-D plane: the inflow interpolated within all but the last interval,
// the outflow the entry at the end of the current interval; no outflow
// rescale without an outflow before the move.
struct PlaneCase {
    const char* name;
    double stime;
    double f2o;  // flow1 of each downstream face before the move
    double qin, qout;
    bool outflowScaled;
};
const PlaneCase kPlane[] = {
    {"FirstInterval", 15.0, 100.0, 1.5, 5.0, true},
    {"LastInterval", 25.0, 100.0, 4.0, 6.0, true},
    {"NoOutflowBefore", 15.0, 0.0, 1.5, 5.0, false},
};

class PlaneSeries : public SurfaceSeries, public ::testing::WithParamInterface<PlaneCase> {};

TEST_P(PlaneSeries, Lookups) {
    const PlaneCase& c = GetParam();
    Flag2Dim = 1;
    for (int n = 0; n < 3; ++n) TimeInHinn[n] = TimeInHout[n] = -1.0;
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 2; j <= Y; ++j) xvel[i][j][0] = 1.0, flow1[std::min(i, X)][j][0] = i >= X ? c.f2o : 100.0;
    stime = c.stime;
    double F1 = 0.0, F2 = 0.0;
    for (int j = 2; j <= Y; ++j) F1 += 1000.0 * m_ar_x[1][j][0], F2 += 1000.0 * m_ar_x[X][j][0];
    ASSERT_EQ(exitCodeOf([] { surface(); }), kNoExit) << log();
    const double rin = 1000.0 * c.qin / F1, rout = 1000.0 * c.qout / F2;
    EXPECT_NEAR(xvel[1][3][0], rin, 1e-12);
    char line[100];
    std::snprintf(line, sizeof line, "Inflow ratio change for outflow = %lf\n", c.outflowScaled ? rout : rin);
    EXPECT_TRUE(contains(log(), line)) << log();
}

INSTANTIATE_TEST_SUITE_P(Surface, PlaneSeries, ::testing::ValuesIn(kPlane),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Exits.
// ---------------------------------------------------------------------------
TEST_F(Surface, LogThatCannotBeOpenedAtEntry) {
    build();
    lid(2, 2, pa(0.4));
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    const std::vector<double> levels(zval.data(), zval.data() + zval.size());
    EXPECT_EQ(exitCodeOf([] { surface(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    EXPECT_EQ(std::vector<double>(zval.data(), zval.data() + zval.size()), levels);
    EXPECT_EQ(FlagGridChange, 0);
}

void breakTheLog() {
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
}

TEST_F(Surface, LogThatCannotBeOpenedForTheReport) {
    build();
    lid(2, 2, pa(0.4));
    flowSteps.waterflow = breakTheLog;
    EXPECT_EQ(exitCodeOf([] { surface(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie'");
    EXPECT_NEAR(zval[2][2][Z], 0.9, 1e-12);  // moved before the report
}

}  // namespace

namespace {

// Two blocks: the node pressures along the side joined to the side block
// take the partner cells across the joint, the seam line only the cells of
// the joint row.
TEST_F(Surface, NodePressuresAlongTheBlockJoint) {
    const TwoBlockGrid g;
    g.build();
    MultiBlockInit();
    metric();
    smetric();
    flowSteps.boundary = flowSteps.waterflow = noStep;
    FlagNonHydrostaticSurf = 7;
    SurfaceConvergenceCrit = 1e9;
    const int NX = g.X(), NY = g.Y;
    auto P = [](int i, int j) { return 100.0 * i + j * j; };
    for (int i = 1; i <= NX + 1; ++i)
        for (int j = 1; j <= NY + 1; ++j) {
            Pres[i][j][g.Z + 1] = P(i, j);
            for (int k = 0; k <= g.Z + 1; ++k) OBlok[i][j][k] = 1;
        }
    surface();
    int joined = 0;
    for (int i = 2; i <= NX - 1; ++i) {
        const int pi = Pj1MultiBlock[i][0], pj = Pj1MultiBlock[i][1];
        if (pj <= 0 || pj == NY) continue;
        ++joined;
        EXPECT_DOUBLE_EQ(Surfaces[5][i][1], 0.25 * (P(i, 2) + P(i + 1, 2) + P(pi, pj) + P(pi, pj + 1))) << i;
    }
    EXPECT_GE(joined, NY - 2);
    const int ii = MBSkjot[1];
    EXPECT_DOUBLE_EQ(Surfaces[5][ii][1], P(ii, 2));
    for (int j = 2; j <= NY - 1; ++j) EXPECT_DOUBLE_EQ(Surfaces[5][ii][j], 0.5 * (P(ii, j) + P(ii, j + 1))) << j;
    EXPECT_DOUBLE_EQ(Surfaces[5][ii][NY], P(ii, NY));
    // A node away from the joint keeps the mean of its four cells.
    EXPECT_DOUBLE_EQ(Surfaces[5][4][2], 0.25 * (P(4, 2) + P(5, 2) + P(4, 3) + P(5, 3)));
}

}  // namespace
