// The transient surface update of the 3-D model on small box grids with
// hand-set face fluxes: how a top cell's level change reaches its corner
// node columns, the stored volume, the boundary levels and velocities, the
// reports and the exits.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "output/state.h"
#include "surface2d/surface2d.h"
#include "surface2d/surface_shared.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr double kDx = 2.0, kDy = 1.0, kDz = 0.2, kDt = 0.5;

void noStep() {}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::string logText() { return std::filesystem::exists("boogie") ? readFile("boogie") : std::string(); }

// A box of x (Y-1) x (Z-1) cells of kDx x kDy x kDz, its geometry, the
// bed faces marked as walls, every cell open, the start-up, boundary and
// flux routines replaced; every other global at its start.
void buildBox(int X, int Y, int Z, const PlanFn& plan = nullptr) {
    resetEngine();
    TimeStep = kDt;  // allocates the series and the earlier time levels
    allocateGrid(X, Y, Z);
    fillGrid(plan ? plan : [](int i, int j) { return PlanPoint{(i - 1) * kDx, (j - 1) * kDy}; }, layers(kDz));
    metric();
    smetric();
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j) {
            WallK[i][j][2] = 1;
            for (int k = 0; k <= Z + 1; ++k) OBlok[i][j][k] = 1;
        }
    flowSteps.startup = flowSteps.boundary = flowSteps.waterflow = noStep;
}

// Stored water volume: the sum of the cell volumes from the geometry.
double storedVolume() {
    metric();
    double v = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) v += 2.0 * m_armap[i][j] * m_dist_z[i][j][k];
    return v;
}

// Net inflow (kg/s) of top cell (i, j).
double netInflow(int i, int j) {
    const int Z = znumber;
    return flow1[i - 1][j][Z] - flow1[i][j][Z] + flow2[i][j - 1][Z] - flow2[i][j][Z] + flow3[i][j][Z - 1];
}

std::vector<double> tops() {
    std::vector<double> v;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) v.push_back(zval[i][j][znumber]);
    return v;
}

// Irregular fluxes and velocities of the top layer (no symmetry to hide a fault).
void irregularFlow(double speed) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            flow1[i][j][Z] = 30.0 + 7.0 * std::sin(1.3 * i + 0.7 * j);
            flow2[i][j][Z] = (j == 1 || j == Y) ? 0.0 : 3.0 * std::cos(0.9 * i - 1.1 * j);
            flow3[i][j][Z - 1] = 2.0 * std::sin(0.5 * i * j);
        }
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) {
                xvel[i][j][k] = speed * (1.0 + 0.1 * std::sin(i + 2.0 * j));
                yvel[i][j][k] = speed * 0.2 * std::cos(1.0 * i - j);
            }
}

class SurfaceTFS : public EngineTest {};

// ---------------------------------------------------------------------------
// The corner distribution of the top cells (step on its own).
// ---------------------------------------------------------------------------

// Equal weights, or directional ones at rest: every top cell rising by the
// same dz raises every node by dz, corner, side and end nodes alike.
TEST_F(SurfaceTFS, UniformRiseRaisesEveryNodeByTheSameAmount) {
    for (const int froudeForward : {0, 1}) {
        SCOPED_TRACE(froudeForward);
        buildBox(6, 4, 5);
        TFSfroudeforward = froudeForward;  // 1 with still water: the column at rest
        const double N = 12.0;             // kg/s through every top cell's bottom face
        for (int i = 2; i <= 6; ++i)
            for (int j = 2; j <= 4; ++j) flow3[i][j][4] = N;
        const double dz = N / (1000.0 * kDx * kDy) * kDt;
        surface_detail::moveTopCells();
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 4; ++j) {
                EXPECT_NEAR(zval[i][j][5], 0.8 + dz, 1e-14) << i << "," << j;
                EXPECT_NEAR(zval[i][j][3], 0.4 + 0.5 * dz, 1e-14) << i << "," << j;  // stretched about the bed
                EXPECT_EQ(zval[i][j][1], 0.0);
            }
    }
}

// The stored volume changes by exactly the net inflow over the time step,
// whatever the weights (the end lines double their corners' shares).
TEST_F(SurfaceTFS, StoredVolumeChangesByTheNetInflow) {
    struct Case {
        int froudeForward;
        double speed;
    };
    for (const Case c : {Case{0, 0.5}, Case{1, 0.5}, Case{1, 4.0}}) {
        SCOPED_TRACE(c.froudeForward * 10 + c.speed);
        buildBox(7, 5, 4);
        TFSfroudeforward = c.froudeForward;
        irregularFlow(c.speed);
        double inflow = 0.0;
        for (int i = 2; i <= 7; ++i)
            for (int j = 2; j <= 5; ++j) inflow += netInflow(i, j);
        const double before = storedVolume();
        surface_detail::moveTopCells();
        const double change = storedVolume() - before;
        EXPECT_NEAR(change, inflow * kDt / 1000.0, 1e-12 * before);
        EXPECT_GT(std::fabs(change), 1e-4);
    }
}

// Fast flow along +x: the downstream corners A and B take nearly all of a
// cell's change; the slow flow of the same direction spreads it nearly evenly.
TEST_F(SurfaceTFS, SupercriticalFlowSendsTheChangeDownstream) {
    struct Case {
        double speed;
        double minShareAB, maxShareAB;
    };
    // u2 / (g h) over the 0.8 m column: 0.32 m/s gives 0.013, 4 m/s 2.04.
    for (const Case c : {Case{4.0, 0.95, 1.0}, Case{0.32, 0.5, 0.52}}) {
        SCOPED_TRACE(c.speed);
        buildBox(7, 5, 5);
        for (int i = 0; i <= 8; ++i)
            for (int j = 0; j <= 6; ++j)
                for (int k = 0; k <= 6; ++k) xvel[i][j][k] = c.speed;
        flow3[4][3][4] = 16.0;  // only the inner cell (4, 3) rises
        const double dz = 16.0 / (1000.0 * kDx * kDy) * kDt;
        surface_detail::moveTopCells();
        auto rise = [&](int i, int j) { return (zval[i][j][5] - 0.8) / dz; };
        const double a = rise(4, 3), b = rise(4, 2), cc = rise(3, 3), d = rise(3, 2);
        EXPECT_NEAR(a + b + cc + d, 1.0, 1e-12);
        EXPECT_NEAR(a, b, 1e-12);
        EXPECT_NEAR(cc, d, 1e-12);
        EXPECT_GE(a + b, c.minShareAB);
        EXPECT_LE(a + b, c.maxShareAB);
    }
}

// A corner that would end below F 108 above its bed ends exactly there; one
// already below it is lifted to it.
TEST_F(SurfaceTFS, CornersKeepTheMinimumDepth) {
    buildBox(6, 4, 5);
    TFSfroudeforward = 0;
    TFSminDepth = 0.05;
    for (int k = 1; k <= 5; ++k) zval[3][3][k] = 0.07 * (k - 1) / 4;      // 0.07 m deep
    for (int k = 1; k <= 5; ++k) zval[5][2][k] = 0.01 * (k - 1) / 4 + 0.1;  // 0.01 m over a bed at 0.1
    flow3[3][3][4] = -800.0;  // cell (3, 3) loses 0.2 m, a quarter at each corner
    flow3[5][2][4] = 1.0;     // cell (5, 2) gains a little
    surface_detail::moveTopCells();
    EXPECT_NEAR(zval[3][3][5], 0.05, 1e-15);
    EXPECT_NEAR(zval[5][2][5], 0.15, 1e-15);
    for (int k = 2; k <= 5; ++k) EXPECT_GT(zval[3][3][k], zval[3][3][k - 1]);
    // The other corners of the falling cell fall by their share.
    EXPECT_NEAR(zval[2][2][5], 0.8 - 0.25 * 0.2, 1e-12);
}

// With F 108 0 a corner may run dry; a dry corner that rises again gets
// even levels, no undefined ones.
TEST_F(SurfaceTFS, DryCornerRisesWithEvenLevels) {
    buildBox(6, 4, 5);
    TFSfroudeforward = 0;
    TFSminDepth = 0.0;
    for (int k = 1; k <= 5; ++k) zval[3][3][k] = 0.1;  // no water over a bed at 0.1
    flow3[3][3][4] = 400.0;                             // cell (3, 3) rises 0.1 m
    surface_detail::moveTopCells();
    for (int k = 1; k <= 5; ++k) EXPECT_NEAR(zval[3][3][k], 0.1 + 0.025 * (k - 1) / 4, 1e-15) << k;
}

// A blocked box under node (3, 3): the levels at and below its roof stay,
// the levels above take the whole move.
TEST_F(SurfaceTFS, BlockedBoxBelowANodeKeepsTheLevelsUnderItsRoof) {
    for (const int moveWall : {0, 1}) {
        SCOPED_TRACE(moveWall);
        buildBox(6, 4, 5);
        TFSfroudeforward = 0;
        TFSmovewall = moveWall;
        OBlok[4][4][2] = OBlok[4][4][3] = 0;
        WallK[4][4][4] = 1;  // the roof of the box: the low face of cell (4, 4, 4)
        for (int i = 2; i <= 6; ++i)
            for (int j = 2; j <= 4; ++j) flow3[i][j][4] = 8.0;
        const double dz = 8.0 / (1000.0 * kDx * kDy) * kDt;
        surface_detail::moveTopCells();
        EXPECT_NEAR(zval[3][3][5], 0.8 + dz, 1e-14);
        if (moveWall == 0) {
            for (int k = 1; k <= 3; ++k) EXPECT_EQ(zval[3][3][k], 0.2 * (k - 1)) << k;
            EXPECT_NEAR(zval[3][3][4], 0.6 + 0.5 * dz, 1e-14);
        } else {
            EXPECT_NEAR(zval[3][3][3], 0.4 + 0.5 * dz, 1e-14);
        }
        EXPECT_NEAR(zval[2][2][3], 0.4 + 0.5 * dz, 1e-14);  // away from the box
    }
}

// F 57: node line 4 stands 0.1 m above the rest on a grid one cell wide.
// Cell 4's edges along i are too steep for a slope of 0.01 over 2 m: each
// end of them moves by half the excess 0.08. Cells 2 and 5 lie outside the
// limited rows 3..xnumber-2.
TEST_F(SurfaceTFS, SlopeLimitMovesThePairOfAnOverSteepEdge) {
    for (const double slope : {0.0, 0.01}) {
        SCOPED_TRACE(slope);
        buildBox(6, 2, 5);
        TFSuslope = slope;
        for (int i = 2; i <= 6; ++i)
            for (int j = 1; j <= 2; ++j) LineI[i][j] = kDx;
        for (int i = 1; i <= 6; ++i) LineJ[i][2] = kDy;
        for (int j = 1; j <= 2; ++j) zval[4][j][5] += 0.1;
        surface_detail::moveTopCells();
        for (int j = 1; j <= 2; ++j) {
            EXPECT_NEAR(zval[4][j][5], slope > 0 ? 0.86 : 0.9, 1e-12);
            EXPECT_NEAR(zval[3][j][5], slope > 0 ? 0.84 : 0.8, 1e-12);
            EXPECT_NEAR(zval[5][j][5], 0.8, 1e-12);
        }
    }
}

// The same flow on a grid turned by 180 degrees (indices running against x
// and y) moves the surface alike.
TEST_F(SurfaceTFS, TurnedGridGivesTheSameLevels) {
    std::vector<double> levels[2];
    for (const int turned : {0, 1}) {
        const double s = turned ? -1.0 : 1.0;
        buildBox(7, 5, 4, [s](int i, int j) { return PlanPoint{s * (i - 1) * kDx, s * (j - 1) * kDy}; });
        irregularFlow(0.6);
        for (int i = 0; i <= 8; ++i)
            for (int j = 0; j <= 6; ++j)
                for (int k = 0; k <= 5; ++k) xvel[i][j][k] *= s, yvel[i][j][k] *= s;
        surface_detail::moveTopCells();
        levels[turned] = tops();
    }
    ASSERT_EQ(levels[0].size(), levels[1].size());
    for (size_t n = 0; n < levels[0].size(); ++n) EXPECT_NEAR(levels[1][n], levels[0][n], 1e-14) << n;
    EXPECT_NE(levels[0], std::vector<double>(levels[0].size(), 0.6));
}

// The vertical velocity of the top cell blends toward the surface speed by
// the share of the net inflow that comes through its bottom face.
TEST_F(SurfaceTFS, TopVelocityBlendsTowardTheSurfaceSpeed) {
    struct Case {
        double bottom, side;  // flow3 below, and flow1 into the cell (kg/s)
        double want;          // zvel, from 0.1 before
    };
    const double s = 4.0 / (1000.0 * kDx * kDy);
    const Case cases[] = {
        {4.0, 0.0, 0.5 * s + 0.1 * 0.5},              // all through the bottom: q = 1
        {2.0, 2.0, 0.5 * s * 0.5 + 0.1 * (1 - 0.25)},  // half of it: q = 0.5
        {-2.0, 6.0, 0.5 * s * 0.5 + 0.1 * (1 - 0.25)},  // |flow3| counts
        {6.0, -6.0, 0.1 * 0.5},                       // balanced: q limited to 1, s = 0
        {-4.0, 0.0, 0.1},                             // losing cell: q limited to 0
    };
    for (const Case& c : cases) {
        buildBox(6, 4, 5);
        TFStopvelocity = 0.5;
        zvel[3][3][5] = 0.1;
        flow3[3][3][4] = c.bottom;
        flow1[2][3][5] = c.side;
        surface_detail::moveTopCells();
        EXPECT_NEAR(zvel[3][3][5], c.want, 1e-10) << c.bottom << " " << c.side;
    }
}

// ---------------------------------------------------------------------------
// The whole update.
// ---------------------------------------------------------------------------
class SurfaceTFSCall : public SurfaceTFS {
protected:
    static constexpr int X = 6, Y = 4, Z = 5;
    void SetUp() override {
        SurfaceTFS::SetUp();
        prepare();
    }
    void prepare() {
        std::filesystem::remove_all("boogie");
        std::filesystem::remove_all("surflog");
        buildBox(X, Y, Z);
        // A steady flow of 1 m/s along +x through every i-face: no top cell
        // changes, the upstream line takes its Manning level.
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 2; k <= Z; ++k) {
                    xvel[i][j][k] = 1.0;
                    if (i >= 1 && i <= X && j >= 2 && j <= Y) flow1[i][j][k] = 1000.0 * m_ar_x[i][j][k];
                }
        Iter = 1;
    }
    // The series: times 10, 20, 30.
    static void series(const double hin[3], const double hout[3], const double qin[3], const double qout[3]) {
        TimeInNo = 3;
        for (int n = 0; n < 3; ++n) {
            TimeInTime[n] = 10.0 * (n + 1);
            TimeInHinn[n] = hin[n];
            TimeInHout[n] = hout[n];
            QDinn[n][0] = qin[n];
            QDinn[n][1] = qout[n];
        }
    }
    static double inflowOfCells(int cell) {
        double s = 0.0;
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) s += 1000.0 * m_ar_x[1][j][k] * xvel[cell][j][k];
        return s;
    }
};

// One level for the whole upstream line: the mean level at node line 2 plus
// the friction slope V2 / (M2 h^1.333333) over one cell length.
TEST_F(SurfaceTFSCall, UpstreamManningLevelOfTheLine) {
    ManningInit = 30.0;
    surface_tfs();
    const double V = 1.0, h = 0.8, L = 1.0;  // velocity, depth, half cell length
    const double want = 0.8 + 2.0 * V * V * L / (30.0 * 30.0 * std::pow(h, 1.333333));
    for (int j = 1; j <= Y; ++j) {
        EXPECT_NEAR(zval[1][j][Z], want, 1e-12) << j;
        EXPECT_NEAR(zval[1][j][3], 0.5 * want, 1e-12) << j;
    }
    EXPECT_NE(want, 0.8 + 2.0 * V * V * L / (30.0 * 30.0 * std::pow(h, 4.0 / 3.0)));
    EXPECT_EQ(zval[3][2][Z], 0.8);
}

// With openings and F 107 other than 1: one level per column from the
// velocity of its own cells (column 1 takes the cells of column 2).
TEST_F(SurfaceTFSCall, UpstreamManningLevelColumnByColumn) {
    IONo = 1;
    TFSflagUpwater = 2;
    ManningInit = 40.0;
    const double speed[] = {0, 0, 0.5, 1.0, 2.0};  // by j
    for (int i = 1; i <= X; ++i)  // along the whole channel: no top cell moves
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) flow1[i][j][k] = 1000.0 * m_ar_x[1][j][k] * speed[j];
    zval[2][3][Z] = 0.85;  // raises the level of its column
    for (int k = 2; k < Z; ++k) zval[2][3][k] = 0.85 * (k - 1) / (Z - 1);
    double want[Y + 1];
    for (int j = 1; j <= Y; ++j) {
        const double V = speed[std::max(j, 2)];
        want[j] = zval[2][j][Z] + 2.0 * V * V * m_dist_x[1][std::max(j, 2)][Z] / (40.0 * 40.0 * std::pow(0.8, 1.333333));
    }
    // A series with an upstream level: not used with F 107 2.
    const double hin[] = {1.5, 1.5, 1.5}, hout[] = {-1, -1, -1}, q[] = {0, 0, 0};
    series(hin, hout, q, q);
    stime = 14.5;
    surface_tfs();
    for (int j = 1; j <= Y; ++j) EXPECT_NEAR(zval[1][j][Z], want[j], 1e-12) << j;
    EXPECT_GT(want[4], want[2]);
}

// The upstream `timei` level overrides the Manning level only with F 107 0
// and both ends of the interval given; the downstream level moves the
// columns whose top faces carry flow.
TEST_F(SurfaceTFSCall, TimeiLevels) {
    struct Case {
        const char* name;
        int flagUp;
        double hin[3];
        double stime;
        bool upstreamFromSeries;
        double hin_want;
    };
    const Case cases[] = {
        {"Interpolated", 0, {0.9, 1.1, 1.0}, 15.0 - kDt, true, 1.0},
        {"AfterTheEnd", 0, {0.9, 1.1, 1.0}, 40.0 - kDt, true, 1.0},
        {"NegativeEntryKeepsManning", 0, {0.9, -1.0, 1.0}, 15.0 - kDt, false, 0},
        {"UniformManningOnly", 1, {0.9, 1.1, 1.0}, 15.0 - kDt, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        TFSflagUpwater = c.flagUp;
        const double hout[] = {0.7, 0.75, 0.72}, q[] = {0, 0, 0};
        series(c.hin, hout, q, q);
        stime = c.stime;
        surface_tfs();
        const double manning = 0.8 + 2.0 / (ManningInit * ManningInit * std::pow(0.8, 1.333333));
        EXPECT_NEAR(zval[1][2][Z], c.upstreamFromSeries ? c.hin_want : manning, 1e-12);
        const double hOut = c.stime + kDt >= 30.0 ? 0.72 : 0.725;
        for (int j = 1; j <= Y; ++j) EXPECT_NEAR(zval[X][j][Z], hOut, 1e-12) << j;
    }
}

// The downstream level below mdT above the bed squeezes the column to mdT
// (0.01 times the middle line's 5 half cells of 1 m over 6 node lines), the
// bed lowered and the shift kept in Surfaces[2]; a target bed above the bed
// lets the column rise before it stretches.
TEST_F(SurfaceTFSCall, DownstreamSqueezeAndLift) {
    const double hin[] = {-1, -1, -1}, hout[] = {0.001, 0.001, 0.9}, q[] = {0, 0, 0};
    series(hin, hout, q, q);
    zval[X][3][0] = 0.05;  // target bed of column (X, 3)
    stime = 40.0 - kDt;    // level 0.9: column 3 lifted 0.05, stretched 0.05
    surface_tfs();
    EXPECT_NEAR(zval[X][3][1], 0.05, 1e-12);
    EXPECT_NEAR(zval[X][3][Z], 0.9, 1e-12);
    EXPECT_NEAR(zval[X][2][Z], 0.9, 1e-12);
    EXPECT_EQ(zval[X][2][1], 0.0);

    prepare();
    series(hin, hout, q, q);
    stime = 5.0 - kDt;
    surface_tfs();
    const double mdT = 0.01 * 5.0 / X;
    EXPECT_NEAR(zval[X][2][Z], 0.001, 1e-12);
    EXPECT_NEAR(zval[X][2][1], 0.001 - mdT, 1e-12);
    EXPECT_NEAR(Surfaces[2][X][2], 0.001 - mdT, 1e-12);
}

// A level at or below the bed of a column keeps F 108 of water there.
TEST_F(SurfaceTFSCall, UpstreamLevelBelowTheBedKeepsTheMinimumDepth) {
    const double hin[] = {0.0, 0.0, 0.0}, hout[] = {-1, -1, -1}, q[] = {0, 0, 0};
    series(hin, hout, q, q);
    TFSminDepth = 0.03;
    stime = 20.0;
    surface_tfs();
    EXPECT_NEAR(zval[1][2][Z], 0.03, 1e-15);
    for (int k = 2; k <= Z; ++k) EXPECT_GT(zval[1][2][k], zval[1][2][k - 1]);
    EXPECT_TRUE(contains(logText(), "Warning: upstream level 0.000000 at or below the bed of node column (1,2)"))
        << logText();
}

// The end rows follow the discharges of the series once its first time has
// passed; the outflow takes the inflow factor when it has no discharge.
TEST_F(SurfaceTFSCall, BoundaryVelocitiesFollowTheSeries) {
    struct Case {
        const char* name;
        double stime;  // after the update's step
        double qin[3], qout[3];
        double rin, rout;  // factors of the upstream cells and the last interior row
    };
    const double F = 1000.0 * 3 * 0.8;  // kg/s through an end face at 1 m/s
    const Case cases[] = {
        {"Interpolated", 15.0, {1.2, 2.4, 3.6}, {2.4, 2.4, 2.4}, 1.8 / 2.4, 1.0},
        {"AfterTheEnd", 35.0, {1.2, 2.4, 3.6}, {0, 0, 4.8}, 1.5, 2.0},
        {"NoOutflowTakesTheInflowFactor", 25.0, {1.2, 2.4, 3.6}, {0, 0, 0}, 1.25, 1.25},
        {"InflowMissingAtAnEnd", 15.0, {1.2, 0.0, 3.6}, {0, 0, 0}, 1.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        const double h[] = {-1, -1, -1};
        series(h, h, c.qin, c.qout);
        stime = c.stime - kDt;
        ManningInit = 1e6;  // upstream line stays at its level
        surface_tfs();
        EXPECT_NEAR(inflowOfCells(1), c.rin * F, 1e-6);
        EXPECT_NEAR(xvel[X][3][3], c.rout, 1e-9);
        EXPECT_EQ(xvel[X + 1][3][3], 1.0);  // the boundary cells stay
        char line[100];
        std::snprintf(line, sizeof line, "Inflow ratio change for outflow = %lf\n", c.rout);
        EXPECT_TRUE(contains(logText(), line)) << logText();
    }
}

// Without a series, or before its first time, the end rows keep their
// velocities although the upstream face has moved.
TEST_F(SurfaceTFSCall, NoRescalingBeforeTheSeriesStarts) {
    for (const int n : {0, 3}) {
        SCOPED_TRACE(n);
        prepare();
        const double h[] = {-1, -1, -1}, q[] = {1.2, 2.4, 3.6};
        series(h, h, q, q);
        TimeInNo = n;
        stime = 10.0 - kDt;
        surface_tfs();
        ASSERT_GT(zval[1][2][Z], 0.8 + 1e-3);  // the Manning level
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                EXPECT_EQ(xvel[1][j][k], 1.0);
                EXPECT_EQ(xvel[X][j][k], 1.0);
            }
    }
}

// The side boundary cells carry the side face fluxes, openings or not;
// a side whose faces carry none stands still.
TEST_F(SurfaceTFSCall, SideCellsFollowTheirFaceFluxes) {
    for (int i = 0; i <= X + 1; ++i)
        for (int k = 2; k <= Z; ++k) {
            yvel[i][1][k] = 0.3;
            yvel[i][Y + 1][k] = -0.2;
            xvel[i][1][k] = 0.05;
            if (i >= 2 && i <= X) flow2[i][Y][k] = 40.0;
        }
    surface_tfs();
    double c2 = 0.0, q2 = 0.0;
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            EXPECT_EQ(xvel[i][1][k], 0.0);
            EXPECT_EQ(yvel[i][1][k], 0.0);
            c2 += 1000.0 * m_ar_y[i][Y][k] * yvel[i][Y + 1][k] * m_vec_y[i][Y][1];
            q2 += flow2[i][Y][k];
        }
    EXPECT_NEAR(c2, q2, 1e-9 * q2);
}

// A moved surface carries the hydrostatic pressure of its columns with it:
// each cell's pressure stays rho g times the depth of its centre (the mean of
// its eight corners) below the column's mean corner surface, whatever the
// rise of each corner. Left at its old value, the pressure of a raised
// column pushes water into its neighbours as if it had not risen.
TEST_F(SurfaceTFSCall, MovedSurfaceKeepsTheColumnPressureHydrostatic) {
    ManningInit = 30.0;  // the upstream line moves by its own rule as well
    auto corner = [](int i, int j, int k) {
        return 0.25 * (zval[i][j][k] + zval[i - 1][j][k] + zval[i][j - 1][k] + zval[i - 1][j - 1][k]);
    };
    auto hydrostatic = [&](int i, int j, int k) {
        return 9810.0 * (corner(i, j, Z) - 0.5 * (corner(i, j, k - 1) + corner(i, j, k)));
    };
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            flow3[i][j][Z - 1] = 400.0 * (1.0 + std::sin(1.7 * i + 0.6 * j));  // an uneven rise
            for (int k = 2; k <= Z; ++k) Pres[i][j][k] = hydrostatic(i, j, k);
        }
    const std::vector<double> before = tops();
    surface_tfs();
    double moved = 0.0;
    const std::vector<double> after = tops();
    for (size_t n = 0; n < after.size(); ++n) moved = std::max(moved, std::fabs(after[n] - before[n]));
    ASSERT_GT(moved, 0.05);
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) EXPECT_NEAR(Pres[i][j][k], hydrostatic(i, j, k), 1e-9) << i << "," << j << "," << k;
}

// The time advances unless a morphology driver owns it.
TEST_F(SurfaceTFSCall, TimeAdvancesWhenItsOwn) {
    stime = 3.0;
    surface_tfs();
    EXPECT_EQ(stime, 3.0 + kDt);
    FlagTSC = 1;
    surface_tfs();
    EXPECT_EQ(stime, 3.0 + kDt);
}

// Logged passes: the two report lines, `surflog` emptied at Iter 1 and left
// empty; other passes: neither lines nor `surflog`.
TEST_F(SurfaceTFSCall, ReportsAndSurflog) {
    ManningInit = 1e6;  // the upstream line keeps its level
    writeFile("surflog", "old\n");
    surface_tfs();
    const std::string log = logText();
    EXPECT_TRUE(contains(log, "Inflow ratio change for outflow = 1.000000\n")) << log;
    char line[200];
    const double F = 1000.0 * 3 * 0.8;
    std::snprintf(line, sizeof line, "Flux1o = %e, Flux1 = %e, Flux2 = %e\n", F, F, F);
    EXPECT_TRUE(contains(log, line)) << log;
    EXPECT_EQ(readFile("surflog"), "");
    Iter = 2;
    surface_tfs();
    EXPECT_EQ(readFile("surflog"), "");

    std::filesystem::remove("surflog");
    std::filesystem::remove("boogie");
    FlagPrint = 1;
    surface_tfs();
    EXPECT_FALSE(contains(logText(), "Inflow ratio")) << logText();
    EXPECT_FALSE(std::filesystem::exists("surflog"));
}

void breakTheLog() {
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
}
void smetricThenBreakTheLog() {
    smetric();
    breakTheLog();
}

// `boogie` that cannot be opened: at entry and at the last opening -3, at the
// reopening after the geometry -4; `surflog` that cannot be opened -3. The
// same for the depth-averaged update.
TEST_F(SurfaceTFSCall, Exits) {
    struct Case {
        const char* name;
        std::function<void()> plant;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"LogAtEntry", breakTheLog, -3, "cannot open file 'boogie' "},
        {"LogAfterTheGeometry", [] { flowSteps.smetric = smetricThenBreakTheLog; }, -4, "cannot open file 'boogie'"},
        {"LogAtTheEnd", [] { flowSteps.waterflow = breakTheLog; }, -3, "cannot open file 'boogie' "},
        {"Surflog", [] { std::filesystem::create_directory("surflog"); }, -3, ""},
    };
    for (void (*update)() : {surface_tfs, surface_tfs2D}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (update == surface_tfs ? " 3-D" : " 2-D"));
            prepare();
            mc_message[0] = '\0';
            c.plant();
            const double before = zval[1][2][Z];
            EXPECT_EQ(exitCodeOf(update), c.code);
            EXPECT_STREQ(mc_message, c.message);
            if (std::string(c.name) == "LogAtEntry") {
                EXPECT_EQ(zval[1][2][Z], before);
            }
            if (std::string(c.name) == "Surflog") {
                EXPECT_TRUE(contains(logText(), "Cannot open file 'surflog'\n"));
            }
        }
    }
}

}  // namespace
