// Laminar flow through a two-block channel, run through the start-up and run
// letter W in process: water enters the main block at its upstream end,
// which ends blind at the block seam, turns through the side wall j = 1 into
// the side block and leaves at the side block's far end. The converged run
// must pass the whole discharge through the joint, keep the seam closed and
// hold one coupling per joint face in both cells of the face, with the point
// solver and the line solver alike.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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

constexpr double kDepth = 1.0;

struct TwoBlockCase {
    const char* name;
    TwoBlockGrid grid;
    // Water enters through the main block's face i = 1 (a T-junction: the
    // main block ends blind at the seam) or through its face j = ynumber (a
    // straight channel: the side block continues the main block's rows).
    bool straight;
    const char* extra;  // further control lines
    double discharge = 1e-4;  // m3/s
};

// As the laminar flume: viscosity model without eddy viscosity, smooth-wall
// law, rigid lid; the inflow keeps its start-up velocities, the outflow
// follows the interior. The straight channel has no side-wall treatment
// (K 2 3): its side walls carry no friction, and the inflow through a side
// face is not replaced by a slip condition. `solver` is the K 10 letter: Y the point solver,
// N the line solver.
std::string controlFile(const TwoBlockCase& c, char solver) {
    const TwoBlockGrid& g = c.grid;
    char line[600];
    std::string s = "T two-block channel\nF 2 W\nF 24 2\nF 34 0\nF 15 5\nF 36 4\nF 211 1e-6\n";
    std::snprintf(line, sizeof line, "G 1 %d %d %d 1\nG 3", g.X(), g.Y, g.Z);
    s += line;
    for (int k = 1; k <= g.Z; ++k) {
        std::snprintf(line, sizeof line, " %.10g", 100.0 * (k - 1) / (g.Z - 1));
        s += line;
    }
    if (c.straight)
        std::snprintf(line, sizeof line, "\nG 7 0 -2 2 %d 2 %d 0 0 %.10g 0.0 1.0 0.0\n", g.mainLines, g.Z, c.discharge);
    else
        std::snprintf(line, sizeof line, "\nG 7 0 1 2 %d 2 %d 0 0 %.10g 1.0 0.0 0.0\n", g.Y, g.Z, c.discharge);
    s += line;
    std::snprintf(line, sizeof line,
                  "G 7 1 -1 2 %d 2 %d 0 1 %.10g 1.0 0.0 0.0\n"
                  "W 1 40.0 %.10g %.10g\nW 2 0\nW 3 1 %d %d\nK 1 20000 50000\nK 2 %d 1\nK 5 0 0 0 1 0 0\nK 10 %c\n",
                  g.Y, g.Z, c.discharge, c.discharge, kDepth, g.mainLines, g.start, c.straight ? 3 : 1, solver);
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

// The velocities of a converged run, by the offsets of xvel (the two runs of
// a case have the same grid).
struct Fields {
    std::vector<double> u, v, w, k;
    static std::vector<double> copy(const FieldArray<double, 3>& a) { return {a.data(), a.data() + a.size()}; }
};

class TwoBlockChannel : public EngineTest, public ::testing::WithParamInterface<TwoBlockCase> {
protected:
    // Runs the case to convergence with the K 10 letter `solver`; checks the
    // fluxes through the openings, the joint and the seam and the joint
    // couplings. Returns the velocities.
    Fields converge(char solver) {
        SCOPED_TRACE(std::string("K 10 ") + solver);
        const TwoBlockCase& c = GetParam();
        resetEngine();
        std::filesystem::remove("boogie");
        writeFile("control", controlFile(c, solver));
        writeFile("koordina", gridFile(c.grid));
        EXPECT_EQ(exitCodeOf([] {
                      preReadG1("control");
                      Initial();
                  }),
                  kNoExit)
            << readFile("boogie");
        const std::string log = readFile("boogie");
        const std::string tail = "\nSolution converged\n";
        EXPECT_TRUE(log.size() >= tail.size() && log.substr(log.size() - tail.size()) == tail)
            << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);

        double in = 0.0, out = 0.0, seam = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                out += flow1[xnumber][j][k];
                seam = std::max(seam, std::fabs(flow1[MBSkjot[1]][j][k]));
            }
        for (int k = 2; k <= znumber; ++k) {
            if (c.straight)
                for (int i = 2; i <= MBSkjot[1]; ++i) in -= flow2[i][ynumber][k];
            else
                for (int j = 2; j <= ynumber; ++j) in += flow1[1][j][k];
        }
        // The joint faces of the host columns carry the discharge from the
        // main block into the joint row; each joint face holds one coupling,
        // seen from the host cell across its side wall and from the joint
        // cell across its low i-face, in p' (the laminar runs' last equation;
        // the turbulent runs end with epsilon, whose couplings are upwinded).
        const bool pCorrectionLast = Equation == 4;
        double joint = 0.0;
        int jointFaces = 0;
        for (int i = 2; i <= xnumber; ++i)
            for (int k = 2; k <= znumber; ++k) {
                const int p1[2] = {Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]};
                const int p2[2] = {Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]};
                if (p1[0] != 0) {
                    joint -= flow2[i][1][k];
                    ++jointFaces;
                    if (pCorrectionLast) {
                        EXPECT_GT(as[i][2][k], 0.0) << i << "," << k;
                        EXPECT_EQ(as[i][2][k], ae[p1[0]][p1[1]][k]) << i << "," << k;
                    }
                }
                if (p2[0] != 0) {
                    joint += flow2[i][ynumber][k];
                    ++jointFaces;
                    if (pCorrectionLast) {
                        EXPECT_GT(an[i][ynumber][k], 0.0) << i << "," << k;
                        EXPECT_EQ(an[i][ynumber][k], ae[p2[0]][p2[1]][k]) << i << "," << k;
                    }
                }
            }
        EXPECT_EQ(jointFaces, (c.grid.Y - 1) * (c.grid.Z - 1));
        const double massFlux = 1000.0 * c.discharge;
        EXPECT_NEAR(in / massFlux, 1.0, 1e-4);
        EXPECT_NEAR(out / in, 1.0, 1e-4);
        EXPECT_NEAR(joint / in, 1.0, 1e-4);
        EXPECT_EQ(seam, 0.0);
        // The seam is closed in the equation solved last: no coupling of the
        // row before the joint row to it.
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) EXPECT_EQ(aw[MBSkjot[1]][j][k], 0.0) << j << "," << k;
        std::printf("%s K 10 %c: %ld passes, inflow %.12g kg/s, joint %.3g, outflow %.3g relative\n", c.name, solver,
                    static_cast<long>(Iter), in, joint / in - 1.0, out / in - 1.0);
        return {Fields::copy(xvel), Fields::copy(yvel), Fields::copy(zvel), Fields::copy(kinen)};
    }

    // Mean speed of the cells of cell row i, volume-weighted.
    static double rowSpeed(const Fields& f, int i) {
        double sum = 0.0, volume = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double V = Volume[i][j][k];
                const std::int64_t n = xvel.offset(i, j, k);
                sum += V * std::hypot(f.u[n], f.v[n]);
                volume += V;
            }
        return sum / volume;
    }
};

TEST_P(TwoBlockChannel, ConvergesThroughTheJointWithEitherSolver) {
    const TwoBlockCase& c = GetParam();
    const Fields point = converge('Y');
    const Fields line = converge('N');
    // Both solvers reach the same solution of the discrete equations.
    const double U = c.discharge / (kDepth * (c.grid.Y - 1) * c.grid.dx);  // mean speed through the joint row
    double worst = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const std::int64_t n = xvel.offset(i, j, k);
                for (auto [a, b] : {std::pair{&point.u, &line.u}, {&point.v, &line.v}, {&point.w, &line.w}})
                    worst = std::max(worst, std::fabs((*a)[n] - (*b)[n]));
            }
    EXPECT_LT(worst, 1e-6 * U);
    std::printf("%s: K 10 N against Y: largest velocity difference %.3g U\n", c.name, worst / U);
    // The turbulent runs: k too, against its largest value.
    double worstK = 0.0, largestK = 0.0;
    for (std::size_t n = 0; n < point.k.size(); ++n) {
        worstK = std::max(worstK, std::fabs(point.k[n] - line.k[n]));
        largestK = std::max(largestK, std::fabs(point.k[n]));
    }
    EXPECT_LE(worstK, 1e-6 * largestK);
    if (largestK > 0.0) std::printf("%s: largest k difference %.3g of the largest k\n", c.name, worstK / largestK);

    if (!c.straight) return;
    // A straight channel with frictionless side walls: every cell row of
    // either block, the main block's rows along the flow and the side
    // block's across it, carries the same mean speed as the rows beside it.
    // The last row of the main block lies beside the seam, which must not
    // couple it to the joint row: open, the seam makes that row 9.5e-4
    // faster than the row beside it; closed, no two neighbouring rows differ
    // by more than 3.1e-5 (the side block's first rows, where the vertical
    // profile still settles after the joint).
    for (const Fields* f : {&point, &line}) {
        double worstRow = 0.0;
        for (int i = 2; i < xnumber; ++i) {
            if (i == MBSkjot[1]) continue;  // rows i and i+1 lie in different blocks
            const double a = rowSpeed(*f, i), b = rowSpeed(*f, i + 1);
            worstRow = std::max(worstRow, std::fabs(a - b) / b);
            EXPECT_NEAR(a / b, 1.0, 1e-4) << "rows " << i << ", " << i + 1;
        }
        std::printf("%s: largest relative difference of neighbouring rows' mean speeds %.3g\n", c.name, worstRow);
    }
}

const TwoBlockCase kCases[] = {
    {"WallJ1", TwoBlockGrid{.mainLines = 8, .blockLines = 5, .Y = 4, .Z = 5, .start = 3}, false, ""},
    {"WallJY", TwoBlockGrid{.mainLines = 8, .blockLines = 5, .Y = 4, .Z = 5, .start = -3}, false, ""},
    // k-epsilon: the production of the host and joint cells across the joint.
    {"WallJ1Turbulent", TwoBlockGrid{.mainLines = 8, .blockLines = 5, .Y = 4, .Z = 5, .start = 3}, false, "F 24 0\n", 0.5},
    {"WallJYTurbulent", TwoBlockGrid{.mainLines = 8, .blockLines = 5, .Y = 4, .Z = 5, .start = -3}, false, "F 24 0\n", 0.5},
    {"Straight",
     TwoBlockGrid{.mainLines = 6, .blockLines = 8, .Y = 6, .Z = 5, .start = 2, .dx = 1.0, .dy = 1.0, .blockDy = 1.0},
     true, "F 7 C\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TwoBlockChannel, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TwoBlockCase>& p) { return std::string(p.param.name); });

}  // namespace
