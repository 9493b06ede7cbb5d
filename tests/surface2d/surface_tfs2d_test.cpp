// The transient surface update of the depth-averaged model on a small plan
// grid with hand-set column fluxes: the stored volume, the corner shares,
// the plane pressure, the `timei` levels and discharges and `surflog`.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "surface2d/surface2d.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int X = 7, Y = 5, Z = 4;
constexpr double kDx = 3.0, kDy = 2.0, kDz = 0.3, kDt = 2.0;

void noStep() {}
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::string logText() { return std::filesystem::exists("boogie") ? readFile("boogie") : std::string(); }

double planeVolume() {
    double v = 0.0;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) v += 2.0 * m_armap[i][j] * m_dist_z[i][j][0];
    return v;
}

class SurfaceTFS2D : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        prepare();
    }
    // The plan grid with a bed falling by `slope` along x, 0.9 m of water,
    // 0.5 m/s along +x carrying 900 kg/s through every i-face (the plane
    // steady), the boundary and flux routines replaced.
    void prepare(double slope = 0.0) {
        std::filesystem::remove_all("boogie");
        std::filesystem::remove_all("surflog");
        resetEngine();
        Flag2Dim = 1;
        FlagTFS = 1;
        TimeStep = kDt;
        allocateGrid(X, Y, Z);
        fillGrid([](int i, int j) { return PlanPoint{(i - 1) * kDx, (j - 1) * kDy}; },
                 [slope](int i, int, int k) { return slope * (X - i) * kDx + (k - 1) * kDz; });
        metric();
        smetric();
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) {
                for (int k = 0; k <= Z + 1; ++k) OBlok[i][j][k] = 1;
                xvel[i][j][0] = 0.5;
                if (i >= 1 && i <= X && j >= 2 && j <= Y) flow1[i][j][0] = 900.0;
            }
        flowSteps.boundary = flowSteps.waterflow = noStep;
        Iter = 1;
    }
    static void series(int n, const double t[], const double hin[], const double hout[], const double qin[],
                       const double qout[]) {
        TimeInNo = n;
        for (int r = 0; r < n; ++r) {
            TimeInTime[r] = t[r];
            TimeInHinn[r] = hin[r];
            TimeInHout[r] = hout[r];
            QDinn[r][0] = qin[r];
            QDinn[r][1] = qout[r];
        }
    }
};

// One call changes the stored volume by the time step times the net inflow
// through the plane's boundary faces, rising and falling columns alike.
TEST_F(SurfaceTFS2D, StoredVolumeChangesByTheBoundaryInflow) {
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            flow1[i][j][0] = (j >= 2) ? 1000.0 + 300.0 * std::sin(1.7 * i + 0.6 * j) : 0.0;
            flow2[i][j][0] = 200.0 * std::cos(0.8 * i - 1.3 * j);
            xvel[i][j][0] = 0.5 + 0.2 * std::sin(1.0 * i * j);
            yvel[i][j][0] = 0.3 * std::cos(2.0 * i + j);
        }
    double inflow = 0.0;
    for (int j = 2; j <= Y; ++j) inflow += flow1[1][j][0] - flow1[X][j][0];
    for (int i = 2; i <= X; ++i) inflow += flow2[i][1][0] - flow2[i][Y][0];
    const double before = planeVolume();
    surface_tfs2D();
    const double change = planeVolume() - before;
    EXPECT_NEAR(change, kDt * inflow / 1000.0, 1e-9 * std::fabs(change));
    EXPECT_GT(std::fabs(change), 0.1);
    EXPECT_EQ(FlagGridChange, 1);
    EXPECT_EQ(stime, kDt);
}

// A falling cell lowers its four corners by equal quarters; a rising one in
// slow flow (Froude number far below 1) spreads its gain evenly too, since a
// zig-zag of the node lines that favouring the downstream corners would build
// is invisible to the cells and never damped; a corner left with less than
// 0.02 m ends exactly 0.02 m above its bed.
TEST_F(SurfaceTFS2D, CornerShares) {
    // A change of the flux through the i-faces i0..X of row j changes only cell (i0, j).
    auto change = [](int i0, int j, double dz) {
        for (int i = i0; i <= X; ++i) flow1[i][j][0] -= dz * 1000.0 * kDx * kDy / kDt;
    };
    change(3, 3, -0.3);  // cell (3, 3) falls 0.3 m
    change(5, 4, 0.2);   // cell (5, 4) rises 0.2 m
    for (int k = 2; k <= Z; ++k) zval[6][2][k] = 0.01 * (k - 1) / (Z - 1);  // 0.01 m deep corner of cell (6, 2)
    change(6, 2, -0.04);                                                   // which falls 0.04 m
    surface_tfs2D();
    auto fall = [](int i, int j) { return 0.9 - zval[i][j][Z]; };
    for (const auto& [i, j] : {std::pair{3, 3}, {3, 2}, {2, 3}, {2, 2}}) EXPECT_NEAR(fall(i, j), 0.075, 1e-12);
    const double a = -fall(5, 4), b = -fall(5, 3), c = -fall(4, 4), d = -fall(4, 3);
    EXPECT_NEAR(a + b + c + d, 0.2, 1e-12);
    EXPECT_NEAR(a + b, 0.1, 1e-3);
    EXPECT_NEAR(zval[6][2][Z], 0.02, 1e-15);
}

// The share of a rising cell's gain that goes to its downstream corners
// follows the Froude number: slow flow spreads it evenly, flow at Fr >= 1
// leans it onto the corners its velocity points to (spread 1e-7 plus the
// size term 5 m x 4 m/s x 0.05 = 1 against the projection 3 m x 4 m/s = 12
// on each of the two: 13 of 28), and a falling cell lowers its corners by
// equal quarters however fast its flow.
TEST_F(SurfaceTFS2D, CornerSharesFollowTheFroudeNumber) {
    struct Case {
        const char* name;
        double u;      // velocity of the moving cell along x (m/s); 0.9 m deep
        double dz;     // its level change (m)
        double shareI;  // share of the corners on node line i (A and B)
    };
    const Case cases[] = {
        {"SlowFlowSpreadsEvenly", 0.5, 0.2, 0.5},               // Fr^2 = 0.028
        {"FastFlowLeansDownstream", 4.0, 0.2, 26.0 / 28.0},     // Fr^2 = 1.8
        {"FastFlowBackwardsLeansUpstream", -4.0, 0.2, 2.0 / 28.0},
        {"FallingColumnKeepsEqualShares", 4.0, -0.2, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        const int i = 4, j = 3;
        xvel[i][j][0] = c.u;
        // Only cell (i, j) changes: the flux through the i-faces i..X of row j.
        for (int m = i; m <= X; ++m) flow1[m][j][0] -= c.dz * 1000.0 * kDx * kDy / kDt;
        surface_tfs2D();
        double rise[4];
        const int nodes[4][2] = {{i, j}, {i, j - 1}, {i - 1, j}, {i - 1, j - 1}};
        for (int n = 0; n < 4; ++n) rise[n] = zval[nodes[n][0]][nodes[n][1]][Z] - 0.9;
        EXPECT_NEAR(rise[0] + rise[1] + rise[2] + rise[3], c.dz, 1e-12);
        EXPECT_NEAR((rise[0] + rise[1]) / c.dz, c.shareI, 1e-3);
        EXPECT_NEAR(rise[0], rise[1], 1e-12);  // no flow across: the pairs share alike
        EXPECT_NEAR(rise[2], rise[3], 1e-12);
    }
}

// Pres of the plane: 19620 times the half depth, plus rho g times the
// column's bed above the lowest column bed.
TEST_F(SurfaceTFS2D, PlanePressureFollowsTheSurface) {
    for (const double slope : {0.0, 0.002}) {
        SCOPED_TRACE(slope);
        prepare(slope);
        flow1[4][3][0] = 1200.0;  // something moves
        surface_tfs2D();
        const double lowest = slope * 0.5 * kDx;  // the columns next to node line X
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) {
                const double bed = slope * (X - i + 0.5) * kDx;
                if (slope == 0.0) {
                    EXPECT_EQ(Pres[i][j][0], 19620.0 * m_dist_z[i][j][0]);
                } else {
                    EXPECT_NEAR(Pres[i][j][0], 19620.0 * m_dist_z[i][j][0] + 9810.0 * (bed - lowest), 1e-9);
                }
            }
    }
}

// `timei`: the levels of the entry at the end of the current interval (not
// interpolated), the inflow and outflow discharges of the same entry; no
// series: the inflow keeps its discharge, the outflow is left alone.
TEST_F(SurfaceTFS2D, SeriesLevelsAndDischarges) {
    struct Case {
        const char* name;
        int n;
        double stime;  // after the call's step
        double hin, hout;  // levels of the end lines (negative: unchanged)
        double rin, rout;  // factors of the upstream cells and the last interior row
        bool outflowScaled;
    };
    const double F = 1000.0 * 0.5 * (Y - 1) * kDy;  // per metre of depth
    const Case cases[] = {
        {"NoSeries", 0, kDt, -1, -1, 1.0, 1.0, false},
        {"WithinTheFirstInterval", 3, 12.0, 1.0, 0.8, 5000.0 / (F * 1.0), 6000.0 / (F * 0.8), true},
        // The levels take this entry, the discharges the next (no outflow there).
        {"AtAnEntry", 3, 20.0, 1.0, 0.8, 7000.0 / (F * 1.0), 1.0, false},
        {"PastTheEnd", 3, 50.0, 1.2, -1, 7000.0 / (F * 1.2), 1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        const double t[] = {10, 20, 30}, hin[] = {0.95, 1.0, 1.2}, hout[] = {0.7, 0.8, -1.0};
        const double qin[] = {4, 5, 7}, qout[] = {3, 6, -1};
        series(c.n, t, hin, hout, qin, qout);
        stime = c.stime - kDt;
        surface_tfs2D();
        for (int j = 1; j <= Y; ++j) {
            EXPECT_NEAR(zval[1][j][Z], c.hin > 0 ? c.hin : 0.9, 1e-12) << j;
            EXPECT_NEAR(zval[X][j][Z], c.hout > 0 ? c.hout : 0.9, 1e-12) << j;
        }
        EXPECT_NEAR(xvel[1][3][0], 0.5 * c.rin, 1e-12);
        EXPECT_NEAR(xvel[X][3][0], 0.5 * c.rout, 1e-12);
        EXPECT_EQ(xvel[X + 1][3][0], 0.5);
        char line[100];
        std::snprintf(line, sizeof line, "Inflow ratio change for outflow = %lf\n", c.outflowScaled ? c.rout : c.rin);
        EXPECT_TRUE(contains(logText(), line)) << logText();
    }
}

// A downstream level at or below the bed keeps 0.02 m of water there.
TEST_F(SurfaceTFS2D, LevelBelowTheBedKeepsTheMinimumDepth) {
    const double t[] = {10}, hin[] = {-1}, hout[] = {0.0}, q[] = {0};
    series(1, t, hin, hout, q, q);
    surface_tfs2D();
    EXPECT_NEAR(zval[X][2][Z], 0.02, 1e-15);
    for (int k = 2; k <= Z; ++k) EXPECT_GT(zval[X][2][k], zval[X][2][k - 1]);
    EXPECT_TRUE(contains(logText(), "Warning: downstream level 0.000000 at or below the bed of node column (7,2)"))
        << logText();
}

// Every call reports and appends one block of ynumber + xnumber levels to
// `surflog`, which the first pass empties.
TEST_F(SurfaceTFS2D, ReportsAndSurflogAtEveryCall) {
    writeFile("surflog", "old\n");
    FlagPrint = 1;
    surface_tfs2D();
    const std::vector<std::string> first = readLines("surflog");
    ASSERT_EQ(first.size(), static_cast<size_t>(Y + X));
    char line[100];
    std::snprintf(line, sizeof line, "WL(%d,%d) = %e", X / 2, 1, zval[X / 2][1][Z]);
    EXPECT_EQ(first[0], line);
    std::snprintf(line, sizeof line, "WL(%d,%d) = %e", X, Y / 2, zval[X][Y / 2][Z]);
    EXPECT_EQ(first.back(), line);
    EXPECT_TRUE(contains(logText(), "Inflow ratio change for outflow = 1.000000\n")) << logText();
    EXPECT_TRUE(contains(logText(), "Flux1o = 3.600000e+03, Flux1 = 3.600000e+03, Flux2 = 3.600000e+03\n")) << logText();
    Iter = 2;
    surface_tfs2D();
    EXPECT_EQ(readLines("surflog").size(), static_cast<size_t>(2 * (Y + X)));
}

}  // namespace
