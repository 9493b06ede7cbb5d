// One flow, two roads: the sediment coefficients on the settled channel right
// after run letter W and after run letter R has read back the `result` that
// W wrote are the same. The flow pass leaves the Prandtl factor of its last
// equation in the eddy viscosity, the restart reader rebuilds it from k and
// epsilon; the set-up takes the viscosity of the u equation on both roads.
#include <cmath>
#include <filesystem>
#include <vector>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/output.h"
#include "sediment/sediment.h"
#include "sediment/state.h"
#include "support/testing.h"
#include "surface2d/surface_channel.h"

using namespace quird_test;

namespace {

class LongSedimentChannel : public EngineTest {};

std::vector<double> coefficients() {
    std::vector<double> v;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                for (double c : {at[1][i][j][k], ab[1][i][j][k], ae[i][j][k], aw[i][j][k], an[i][j][k], as[i][j][k]})
                    v.push_back(c);
    return v;
}

TEST_F(LongSedimentChannel, SameCoefficientsAfterTheFlowAndAfterItsRestart) {
    const surface_channel::ChannelRun run = surface_channel::runChannel(0, "10", 1.0, surface_channel::normalDepth());
    ASSERT_TRUE(run.converged);
    ASSERT_TRUE(std::filesystem::exists("result"));
    fallvelo[1] = 0.02;
    coeffe_setup();
    coeffe_setup2();
    const std::vector<double> afterFlow = coefficients();
    // The diffusivity is that of the u equation: c_mu k^2 / epsilon plus the
    // molecular viscosity, without the Prandtl factor of the epsilon equation.
    const int i = xnumber / 2, j = ynumber / 2 + 1, k = znumber / 2 + 1;
    const double nu = 0.001 + 90.0 * kinen[i][j][k] * kinen[i][j][k] / (epsilon[i][j][k] + 1e-20);
    EXPECT_NEAR(diff[i][j][k], 0.001 * nu, 1e-12 * nu);
    readres();
    coeffe_setup();
    coeffe_setup2();
    const std::vector<double> afterRestart = coefficients();
    ASSERT_EQ(afterFlow.size(), afterRestart.size());
    double worst = 0.0;
    for (std::size_t n = 0; n < afterFlow.size(); ++n)
        worst = std::max(worst, std::fabs(afterRestart[n] - afterFlow[n]) / (std::fabs(afterFlow[n]) + 1e-12));
    std::printf("largest relative difference of the coefficients: %.2e\n", worst);
    EXPECT_LT(worst, 1e-7);
    EXPECT_EQ(FlagErrorBreak, 0);
}

}  // namespace
