// The depth-averaged channel run to its steady state: the normal depth of
// the Manning bed law, straight and laid at 30 degrees, and the backwater
// curve of a raised downstream level.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "control/engine.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"
#include "surface2d/channel2d.h"
#include "support/testing.h"

using namespace quird_test;
using namespace channel2d;

namespace {

class Channel2DSteady : public EngineTest {};

// Worst relative departure of the depth from h over the downstream two thirds.
double worstDepth(const Channel& c, double h) {
    double worst = 0.0;
    for (int i = 2; i <= xnumber; ++i) {
        if (i - 1 < (c.linesX - 1) / 3) continue;
        for (int j = 2; j <= ynumber; ++j) worst = std::max(worst, std::fabs(depth(i, j) / h - 1.0));
    }
    return worst;
}

std::vector<double> depths() {
    std::vector<double> d;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) d.push_back(depth(i, j));
    return d;
}

// F 36 0 moves the surface every 10th pass, F 36 2 after every pass
// (relaxed); the channel laid at 30 degrees to x gives the same depths.
// Measured: depth off h_n by 0.0057 (both), rotated off straight by 1.4e-5
// (F 36 0) and 5.6e-4 (F 36 2),
// plane sections off 1000 q by 1e-15, rebuilt sections by 9e-4.
TEST_F(Channel2DSteady, ManningNormalDepth) {
    for (int tfs : {0, 2}) {
        std::vector<double> straight;
        for (double angle : {0.0, 30.0}) {
            Channel c;
            c.angle = angle;
            c.tfs = tfs;
            c.relaxSurface = tfs == 2 ? 0.2 : 1.0;
            const double hn = manningNormalDepth(c);
            c.level = hn;
            const ChannelRun run = runChannel(c);
            ASSERT_TRUE(run.converged) << run.log.substr(run.log.size() - 600);
            const double worst = worstDepth(c, hn);
            std::printf("Manning angle %g F 36 %d: h_n %.4f m, depth off by %.5f after %ld passes, "
                        "plane section %.2e, rebuilt %.2e\n",
                        angle, tfs, hn, worst, Iter, worstPlaneSection(c), worstRebuiltSection(c));
            EXPECT_LT(worst, 0.01);
            EXPECT_LT(worstPlaneSection(c), 1e-4);
            EXPECT_LT(worstRebuiltSection(c), 0.01);
            if (angle == 0.0) {
                straight = depths();
                continue;
            }
            const std::vector<double> rotated = depths();
            double off = 0.0;
            for (size_t n = 0; n < rotated.size(); ++n) off = std::max(off, std::fabs(rotated[n] / straight[n] - 1.0));
            std::printf("  rotated off straight by %.2e\n", off);
            EXPECT_LT(off, 0.005);
        }
    }
}

}  // namespace
