// Laminar flow between walls, run through the start-up and run letter W in
// process, checked against the analytic profiles: a flume under a rigid lid
// (half a plane Poiseuille flow) and a closed duct. With the smooth-wall law
// every wall cell lies in the viscous sublayer, where the law gives the
// laminar wall shear mu u / y exactly.
#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <string>

#include "control/control.h"
#include "control/engine.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "support/testing.h"
#include "turbulence/turbulence.h"

using namespace quird_test;

namespace {

constexpr double kMu = 0.001;   // dynamic viscosity (Pa s)
constexpr double kNu = 1e-6;    // kinematic viscosity (m2/s)
constexpr double kU = 0.002;    // mean velocity (m/s)

struct LaminarCase {
    const char* name;
    int cellsX, cellsZ;     // cells along the flume and over the depth (3 across)
    double length, width, depth;
    bool closed;            // roof wall (closed duct) or rigid lid (open flume)
    // u / U at eta = z / depth, and -dp/dx in units of mu U / depth^2.
    double (*profile)(double eta);
    double gradient;
    const char* extra;      // further control lines
};

double halfPoiseuille(double eta) { return 1.5 * (2.0 * eta - eta * eta); }
double poiseuille(double eta) { return 6.0 * eta * (1.0 - eta); }

std::string controlFile(const LaminarCase& c) {
    const double Q = kU * c.width * c.depth;
    char line[200];
    std::string s = "T laminar flume\nF 2 W\nF 24 2\nF 34 0\nF 15 5\nF 36 4\nF 211 1e-6\n";
    std::snprintf(line, sizeof line, "G 1 %d 4 %d 1\nG 3", c.cellsX + 1, c.cellsZ + 1);
    s += line;
    for (int k = 0; k <= c.cellsZ; ++k) {
        std::snprintf(line, sizeof line, " %.10g", 100.0 * k / c.cellsZ);
        s += line;
    }
    std::snprintf(line, sizeof line,
                  "\nG 7 0 1 2 4 2 %d 0 0 %.10g 1.0 0.0 0.0\nG 7 1 -1 2 4 2 %d 0 1 %.10g 1.0 0.0 0.0\n"
                  "W 1 40.0 %.10g %.10g\nW 2 0\nK 1 20000 50000\nK 2 1 %d\nK 5 0 0 0 1 0 0\n",
                  c.cellsZ + 1, Q, c.cellsZ + 1, Q, Q, c.depth, c.closed ? 0 : 1);
    s += line;
    return s + c.extra;
}

std::string gridFile(const LaminarCase& c) {
    std::string s;
    char line[200];
    for (int i = 1; i <= c.cellsX + 1; ++i)
        for (int j = 1; j <= 4; ++j) {
            const double x = c.length * (i - 1) / c.cellsX, y = c.width * (j - 1) / 3.0;
            if (c.closed)
                std::snprintf(line, sizeof line, "%d %d %.10f %.10f 0.0 %.10g\n", i, j, x, y, c.depth);
            else
                std::snprintf(line, sizeof line, "%d %d %.10f %.10f 0.0\n", i, j, x, y);
            s += line;
        }
    return s;
}

double centreX(int i, int j) { return 0.25 * (xval[i - 1][j - 1] + xval[i][j - 1] + xval[i - 1][j] + xval[i][j]); }
double centreZ(int i, int j, int k) {
    double z = 0.0;
    for (int a = i - 1; a <= i; ++a)
        for (int b = j - 1; b <= j; ++b) z += zval[a][b][k - 1] + zval[a][b][k];
    return z / 8.0;
}

class LaminarChannel : public EngineTest, public ::testing::WithParamInterface<LaminarCase> {};

TEST_P(LaminarChannel, FollowsTheAnalyticProfile) {
    const LaminarCase& c = GetParam();
    writeFile("control", controlFile(c));
    writeFile("koordina", gridFile(c));
    ASSERT_EQ(exitCodeOf([] {
                  preReadG1("control");
                  Initial();
              }),
              kNoExit);
    const std::string log = readFile("boogie");
    const std::string tail = "\nSolution converged\n";
    ASSERT_GE(log.size(), tail.size());
    ASSERT_EQ(log.substr(log.size() - tail.size()), tail) << log.substr(log.size() - 2000);

    // Every wall cell in the viscous sublayer, by the law's own friction
    // velocity and by the wall shear of the solution.
    double yplusLaw = 0.0, yplusShear = 0.0;
    int wallCells = 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                ++wallCells;
                const double y[3] = {m_dist_x[i][j][k], m_dist_y[i][j][k], m_dist_z[i][j][k]};
                const int flags[3] = {WallI[i][j][k], WallJ[i][j][k], WallK[i][j][k]};
                for (int d = 0; d < 3; ++d) {
                    if (flags[d] == 0) continue;
                    const double ustar = walllaw::smoothFrictionVelocity(std::max(kinen[i][j][k], 1e-9));
                    yplusLaw = std::max(yplusLaw, walllaw::point(y[d], 0.0, Xkappa, ustar).yplus);
                    const double speed = std::hypot(xvel[i][j][k], yvel[i][j][k], zvel[i][j][k]);
                    yplusShear = std::max(yplusShear, y[d] * std::sqrt(kNu * speed / y[d]) / kNu);
                }
            }
    EXPECT_GT(wallCells, 0);
    EXPECT_LT(yplusLaw, 11.626);
    EXPECT_LT(yplusShear, 11.626);

    // Developed reach: the profile at every cell centre, and the pressure
    // gradient as differences between its first and last cell rows.
    int first = 0, last = 0;
    double profileError = 0.0, gradientError = 0.0;
    const double h = c.depth, G = c.gradient * kMu * kU / (h * h);
    for (int i = 2; i <= xnumber; ++i) {
        if (centreX(i, 2) <= 0.5 * c.length) continue;
        if (first == 0) first = i;
        last = i;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double eta = centreZ(i, j, k) / h;
                profileError = std::max(profileError, std::fabs(xvel[i][j][k] - kU * c.profile(eta)) / kU);
            }
    }
    ASSERT_GT(last, first);
    if (std::getenv("LAMDEBUG")) {
        const int im = (first + last) / 2;
        for (int k = 1; k <= znumber + 1; ++k)
            std::printf("k %d z %.5f u %.6e ua %.6e v %.3e w %.3e gama %.3e gamaV %.3e k %.3e P %.6e Wall %d %d %d\n", k,
                        centreZ(im, 3, k), xvel[im][3][k], kU * c.profile(centreZ(im, 3, k) / h), yvel[im][3][k],
                        zvel[im][3][k], gama[im][3][k], gamaV[im][3][k], kinen[im][3][k], Pres[im][3][k],
                        WallI[im][3][k], WallJ[im][3][k], WallK[im][3][k]);
        for (int i = 1; i <= xnumber + 1; i += 4)
            std::printf("i %d x %.3f u(k=2) %.5e u(k=11) %.5e u(top) %.5e P(k=2) %.6e P(top) %.6e\n", i, centreX(std::max(i, 2), 3),
                        xvel[i][3][2], xvel[i][3][11], xvel[i][3][znumber], Pres[i][3][2], Pres[i][3][znumber]);
        for (int j = 1; j <= ynumber + 1; ++j)
            std::printf("j %d u(k=11) %.5e u(k=2) %.5e\n", j, xvel[im][j][11], xvel[im][j][2]);
    }
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            const double dp = Pres[first][j][k] - Pres[last][j][k];
            const double expected = G * (centreX(last, j) - centreX(first, j));
            gradientError = std::max(gradientError, std::fabs(dp / expected - 1.0));
        }
    EXPECT_LT(profileError, 0.01);
    EXPECT_LT(gradientError, 0.02);

    // Every i-face section carries the discharge.
    const double massFlux = 1000.0 * kU * c.width * c.depth;
    double fluxError = 0.0;
    for (int i = 1; i <= xnumber; ++i) {
        double sum = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) sum += flow1[i][j][k];
        fluxError = std::max(fluxError, std::fabs(sum / massFlux - 1.0));
    }
    EXPECT_LT(fluxError, 1e-4);
    std::printf("%s: wall cells %d, y+ %.3g (law) %.3g (shear), profile %.3g U, dp/dx %.3g, flux %.3g\n", c.name,
                wallCells, yplusLaw, yplusShear, profileError, gradientError, fluxError);
}

const LaminarCase kCases[] = {
    {"Flume", 80, 20, 4.0, 0.15, 0.05, false, halfPoiseuille, 3.0, ""},
    {"ClosedDuct", 80, 20, 4.0, 0.15, 0.05, true, poiseuille, 12.0, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, LaminarChannel, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LaminarCase>& p) { return std::string(p.param.name); });

}  // namespace
