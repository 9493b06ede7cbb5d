// The transient surface of the depth-averaged model on the Manning channel
// of the driver: from its steady state the driver goes on with time steps
// and F 36 1, the surface moving by the continuity of each column.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "control/engine.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "surface2d/channel2d.h"
#include "surface2d/surface2d.h"
#include "support/testing.h"

using namespace quird_test;
using namespace channel2d;

namespace {

double planeVolume() {
    double v = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) v += 2.0 * m_armap[i][j] * m_dist_z[i][j][0];
    return v;
}

// The water balance of the steps, kept by the geometry update that each
// step of the surface makes (a new time) after its moves.
struct Balance {
    double volume0 = 0.0, sum = 0.0, lastTime = 0.0;
    int steps = 0;
    double worst = 0.0;  // largest relative difference of volume and running sum
};
Balance balance;

void balancedMetric() {
    const bool step = stime != balance.lastTime;
    if (step) {
        double in = 0.0;
        for (int j = 2; j <= ynumber; ++j) in += flow1[1][j][0] - flow1[xnumber][j][0];
        for (int i = 2; i <= xnumber; ++i) in += flow2[i][1][0] - flow2[i][ynumber][0];
        balance.sum += in * TimeStep / 1000.0;
        balance.lastTime = stime;
    }
    metric();
    if (!step) return;
    ++balance.steps;
    const double want = balance.volume0 + balance.sum;
    balance.worst = std::max(balance.worst, std::fabs(planeVolume() / want - 1.0));
}

// The steady channel, then `steps` time steps of `dt` with F 36 1.
void goTransient(const Channel& c, double dt, long steps) {
    ASSERT_TRUE(runChannel(c).converged);
    TimeStep = dt;
    FlagTFS = 1;
    ASSERT_EQ(sialloc(), 0);  // the earlier time levels and the series
    TransInnerIter = 30;
    TimeBreakLimit = 1e-3;
    iterGlobalMax = steps;
    balance = Balance{planeVolume(), 0.0, 0.0, 0, 0.0};
    flowSteps.metric = balancedMetric;
    std::filesystem::remove("boogie");
}

class SurfaceTFS2DChannel : public EngineTest {};

// The plane pressure of the update carries the bed slope: the channel keeps
// its normal depth, the downstream level held there by the series.
TEST_F(SurfaceTFS2DChannel, ManningChannelKeepsItsNormalDepth) {
    Channel c;
    c.level = manningNormalDepth(c);
    goTransient(c, 2.0, 300);
    // The downstream level of the series: the normal depth over the bed at 0.
    TimeInNo = 1;
    TimeInTime[0] = 0.0;
    TimeInHinn[0] = QDinn[0][1] = -1.0;
    TimeInHout[0] = c.level;
    QDinn[0][0] = c.q;
    ASSERT_EQ(exitCodeOf(WaterSolve2D), kNoExit) << readFile("boogie");
    ASSERT_EQ(FlagErrorBreak, 0);
    const double hn = manningNormalDepth(c);
    double worst = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) worst = std::max(worst, std::fabs(depth(i, j) / hn - 1.0));
    std::printf("2-D transient: depth off h_n by %.4f, sections off by %.4f\n", worst, worstPlaneSection(c));
    EXPECT_LT(worst, 0.02);
    EXPECT_EQ(balance.steps, 300);
    EXPECT_EQ(readLines("surflog").size(), static_cast<size_t>(300 * (xnumber + ynumber)));
}

// The inflow of the series steps from Q to 2Q: the stored volume follows the
// running sum of the boundary fluxes after every step.
TEST_F(SurfaceTFS2DChannel, RaisedInflowFillsTheChannelByItsBalance) {
    Channel c;
    c.level = manningNormalDepth(c);
    goTransient(c, 2.0, 100);
    TimeInNo = 2;
    const double t[] = {0.0, 1e6};
    for (int n = 0; n < 2; ++n) {
        TimeInTime[n] = t[n];
        QDinn[n][0] = 2.0 * c.q;
        QDinn[n][1] = -1.0;
        TimeInHinn[n] = TimeInHout[n] = -1.0;
    }
    ASSERT_EQ(exitCodeOf(WaterSolve2D), kNoExit) << readFile("boogie");
    ASSERT_EQ(FlagErrorBreak, 0);
    double in = 0.0;
    for (int j = 2; j <= ynumber; ++j) in += flow1[1][j][0];
    std::printf("2-D raised inflow: volume %.1f -> %.1f m3, off its balance by %.2e, inflow %.4f of 2Q\n",
                balance.volume0, planeVolume(), balance.worst, in / (2000.0 * c.q));
    EXPECT_EQ(balance.steps, 100);
    EXPECT_LT(balance.worst, 1e-9);
    EXPECT_GT(planeVolume() - balance.volume0, 0.3 * c.q * 100 * 2.0);
    EXPECT_NEAR(in, 2000.0 * c.q, 1e-6 * c.q);
}

}  // namespace
