// The pressure-based surface update on a steady open channel, run through
// the start-up and run letter W in process: a straight rectangular channel
// 500 m long and 10 m wide on a bed slope of 1e-3, 10 m3/s over a rough bed
// (ks 0.01 m), frictionless banks, k-epsilon. The initial surface, a
// Manning-40 backwater curve, stands some 20 % above the depth that the 3-D
// friction gives; the update moves it to that depth, or to the backwater
// curve of that friction when the downstream level is raised.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "surface2d/surface2d.h"
#include "surface2d/surface_channel.h"
#include "support/testing.h"

using namespace quird_test;
using namespace surface_channel;

namespace {

// Settled: the run moved its surface, its last updates logged the line,
// and one more update on the final fields leaves every interior level.
void expectSettled(const ChannelRun& run) {
    ASSERT_TRUE(run.converged) << run.log.substr(run.log.size() > 3000 ? run.log.size() - 3000 : 0);
    // The report of the last logged update follows its settled line.
    const size_t report = run.log.rfind("\nInflow ratio change for outflow = ");
    ASSERT_NE(report, std::string::npos);
    const size_t line = run.log.rfind('\n', report - 1) + 1;
    EXPECT_EQ(run.log.compare(line, 35, "Surface not updated, Convergence = "), 0) << run.log.substr(line, 200);
    const std::vector<double> before = interiorTops();
    std::filesystem::remove("boogie");
    surface();
    EXPECT_EQ(interiorTops(), before);
    EXPECT_NE(readFile("boogie").find("Surface not updated, Convergence = "), std::string::npos);
}

class LongSurfaceChannel : public EngineTest {};

struct NormalCase {
    int tfs;
    const char* interval;
    double relax;
};

// F 36 0 updates every 10th pass once the residual allows; F 36 2 after
// every pass, relaxed. Depths within 1.8 % of h_n (0.7156 m) here.
TEST_F(LongSurfaceChannel, SettlesAtTheNormalDepth) {
    const double hn = normalDepth();
    for (const NormalCase c : {NormalCase{0, "10", 1.0}, NormalCase{2, "10", 0.2}}) {
        SCOPED_TRACE(c.tfs);
        const ChannelRun run = runChannel(c.tfs, c.interval, c.relax, hn);
        expectSettled(run);
        double worst = 0.0;
        for (int i = 1; i <= xnumber; ++i) {
            if (xval[i][1] < 0.1 * kLength) continue;
            for (int j = 1; j <= ynumber; ++j) worst = std::max(worst, std::fabs(depth(i, j) / hn - 1.0));
        }
        std::printf("F 36 %d: depth off h_n by %.4f, section flux off by %.2e\n", c.tfs, worst, worstSectionFlux());
        EXPECT_LT(worst, 0.04);
        EXPECT_LT(worstSectionFlux(), 1e-4);
        EXPECT_NEAR(zval[xnumber][ynumber / 2 + 1][znumber], hn, 1e-9);  // the reference column
    }
}

TEST_F(LongSurfaceChannel, FollowsTheBackwaterCurveOfItsFriction) {
    const double hn = normalDepth(), hd = 1.5 * hn;
    const ChannelRun run = runChannel(0, "10", 1.0, hd);
    expectSettled(run);
    const int j = ynumber / 2 + 1;
    double worst = 0.0;
    for (int i = 1; i <= xnumber; ++i) {
        const double want = backwaterDepth(hd, xval[i][j]);
        worst = std::max(worst, std::fabs(depth(i, j) / want - 1.0));
    }
    std::printf("backwater: depth off the standard step by %.4f (upstream %.4f m, h_n %.4f m)\n", worst,
                backwaterDepth(hd, 0.0), hn);
    EXPECT_LT(worst, 0.04);
    EXPECT_LT(worstSectionFlux(), 1e-4);
}

}  // namespace
