// Laminar flow through a two-block channel, run through the start-up and run
// letter W in process: water enters the main block at its upstream end,
// which ends blind at the block seam, turns through the side wall j = 1 into
// the side block and leaves at the side block's far end. The converged run
// must pass the whole discharge through the joint, keep the seam closed and
// hold one coupling per joint face in both cells of the face.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "run/reset.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr double kQ = 1e-4;  // discharge (m3/s)
constexpr double kDepth = 1.0;

struct TwoBlockCase {
    const char* name;
    TwoBlockGrid grid;
    const char* extra;  // further control lines
};

// As the laminar flume: viscosity model without eddy viscosity, smooth-wall
// law, rigid lid; the inflow keeps its start-up velocities, the outflow
// follows the interior. The point solver: the line solver stalls on this
// grid (the momentum residuals stay near 1e-3).
std::string controlFile(const TwoBlockCase& c) {
    const TwoBlockGrid& g = c.grid;
    char line[400];
    std::string s = "T two-block channel\nF 2 W\nF 24 2\nF 34 0\nF 15 5\nF 36 4\nF 211 1e-6\n";
    std::snprintf(line, sizeof line, "G 1 %d %d %d 1\nG 3", g.X(), g.Y, g.Z);
    s += line;
    for (int k = 1; k <= g.Z; ++k) {
        std::snprintf(line, sizeof line, " %.10g", 100.0 * (k - 1) / (g.Z - 1));
        s += line;
    }
    std::snprintf(line, sizeof line,
                  "\nG 7 0 1 2 %d 2 %d 0 0 %.10g 1.0 0.0 0.0\nG 7 1 -1 2 %d 2 %d 0 1 %.10g 1.0 0.0 0.0\n"
                  "W 1 40.0 %.10g %.10g\nW 2 0\nW 3 1 %d %d\nK 1 20000 50000\nK 2 1 1\nK 5 0 0 0 1 0 0\nK 10 Y\n",
                  g.Y, g.Z, kQ, g.Y, g.Z, kQ, kQ, kDepth, g.mainLines, g.start);
    s += line;
    return s + c.extra;
}

std::string gridFile(const TwoBlockGrid& g) {
    std::string s;
    char line[200];
    for (int i = 1; i <= g.X(); ++i)
        for (int j = 1; j <= g.Y; ++j) {
            const PlanPoint p = i <= g.mainLines ? PlanPoint{(i - 1) * g.dx, (j - 1) * g.dy} : g.blockNode(i, j);
            std::snprintf(line, sizeof line, "%d %d %.10f %.10f 0.0\n", i, j, p.x, p.y);
            s += line;
        }
    return s;
}

class TwoBlockChannel : public EngineTest, public ::testing::WithParamInterface<TwoBlockCase> {};

TEST_P(TwoBlockChannel, ConvergesThroughTheJoint) {
    const TwoBlockCase& c = GetParam();
    resetEngine();
    std::filesystem::remove("boogie");
    writeFile("control", controlFile(c));
    writeFile("koordina", gridFile(c.grid));
    ASSERT_EQ(exitCodeOf([] {
                  preReadG1("control");
                  Initial();
              }),
              kNoExit)
        << readFile("boogie");
    const std::string log = readFile("boogie");
    const std::string tail = "\nSolution converged\n";
    ASSERT_TRUE(log.size() >= tail.size() && log.substr(log.size() - tail.size()) == tail)
        << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);

    double in = 0.0, out = 0.0, seam = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            in += flow1[1][j][k];
            out += flow1[xnumber][j][k];
            seam = std::max(seam, std::fabs(flow1[MBSkjot[1]][j][k]));
        }
    // The joint faces of the host columns carry the discharge from the main
    // block into the joint row; each joint face holds one p' coupling, seen
    // from the host cell across its side wall and from the joint cell
    // across its i-face to the seam.
    double joint = 0.0;
    int jointFaces = 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int k = 2; k <= znumber; ++k) {
            const int p1[2] = {Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]};
            const int p2[2] = {Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]};
            if (p1[0] != 0) {
                joint -= flow2[i][1][k];
                ++jointFaces;
                EXPECT_GT(as[i][2][k], 0.0) << i << "," << k;
                EXPECT_EQ(as[i][2][k], ae[p1[0]][p1[1]][k]) << i << "," << k;
            }
            if (p2[0] != 0) {
                joint += flow2[i][ynumber][k];
                ++jointFaces;
                EXPECT_GT(an[i][ynumber][k], 0.0) << i << "," << k;
                EXPECT_EQ(an[i][ynumber][k], ae[p2[0]][p2[1]][k]) << i << "," << k;
            }
        }
    EXPECT_EQ(jointFaces, (c.grid.Y - 1) * (c.grid.Z - 1));
    const double massFlux = 1000.0 * kQ;
    EXPECT_NEAR(in / massFlux, 1.0, 1e-4);
    EXPECT_NEAR(out / in, 1.0, 1e-4);
    EXPECT_NEAR(joint / in, 1.0, 1e-4);
    EXPECT_EQ(seam, 0.0);
    std::printf("%s: inflow %.12g kg/s, joint %.3g, outflow %.3g relative\n", c.name, in, joint / in - 1.0,
                out / in - 1.0);
}

const TwoBlockCase kCases[] = {
    {"WallJ1", TwoBlockGrid{.mainLines = 8, .blockLines = 5, .Y = 4, .Z = 5, .start = 3}, ""},
    {"WallJY", TwoBlockGrid{.mainLines = 8, .blockLines = 5, .Y = 4, .Z = 5, .start = -3}, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, TwoBlockChannel, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TwoBlockCase>& p) { return std::string(p.param.name); });

}  // namespace
