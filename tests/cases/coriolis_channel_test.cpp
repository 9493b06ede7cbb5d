// The Coriolis force end to end: a turbulent flume on a rotating frame
// (F 51 f), run through the start-up and run letter W in process, builds the
// cross-channel pressure difference of the geostrophic balance,
// dp/dy = -rho f u, so that across the width B the depth-averaged difference
// is rho f U B, U the depth-mean velocity.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr double kF = 1e-3;  // Coriolis parameter (1/s)

// The bundled flume (20 m by 2 m, 1 m3/s at a depth of 0.5 m, k-epsilon,
// rough bed) with frictionless banks, so that u is uniform across and the
// pressure difference grows linearly across the width, and a fixed surface.
std::string controlFile() {
    char line[200];
    std::snprintf(line, sizeof line, "F 51 %g\n", kF);
    return std::string("T Coriolis flume\nF 2 W\nF 36 4\n") + line +
           "G 1 21 5 6 1\nG 3 0.0 10.0 25.0 45.0 70.0 100.0\n"
           "G 7 0 1 2 5 2 6 0 0 1.0 1.0 0.0 0.0\nG 7 1 -1 2 5 2 6 0 0 1.0 1.0 0.0 0.0\n"
           "W 1 40.0 1.0 0.5\nW 2 3 1 11 21\nK 1 2000 50000\nK 2 1 1\n";
}

class CoriolisChannel : public EngineTest {};

TEST_F(CoriolisChannel, CrossChannelPressureDifference) {
    resetEngine();
    const std::filesystem::path example = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume";
    writeFile("control", controlFile());
    writeFile("koordina", readFile(example / "koordina"));
    ASSERT_EQ(exitCodeOf([] {
                  preReadG1("control");
                  Initial();
              }),
              kNoExit);
    const std::string log = readFile("boogie");
    ASSERT_NE(log.find("Solution converged"), std::string::npos) << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);

    // Sections in the middle reach, away from the openings.
    const int Y = ynumber, Z = znumber;
    for (int i = 8; i <= 14; ++i) {
        SCOPED_TRACE(i);
        double dpArea = 0.0, height = 0.0, q = 0.0, area = 0.0;
        for (int k = 2; k <= Z; ++k) {
            const double h = 0.5 * (m_dist_z[i][2][k] + m_dist_z[i][Y][k]);
            dpArea += (Pres[i][2][k] - Pres[i][Y][k]) * h;
            height += h;
            for (int j = 2; j <= Y; ++j) {
                q += xvel[i][j][k] * m_ar_x[i][j][k];
                area += m_ar_x[i][j][k];
            }
        }
        const double U = q / area;
        // Cell centres of the first and last column across, and the width.
        const double yc2 = 0.5 * (yval[i][1] + yval[i][2]), ycY = 0.5 * (yval[i][Y - 1] + yval[i][Y]);
        const double B = yval[i][Y] - yval[i][1];
        const double dp = dpArea / height * B / (ycY - yc2);
        const double want = 1000.0 * kF * U * B;
        EXPECT_NEAR(dp / want, 1.0, 0.05) << "dp " << dp << " rho f U B " << want;
    }
}

}  // namespace
