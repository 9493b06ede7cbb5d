// Laminar flow between walls, run through the start-up and run letter W in
// process, checked against the analytic profiles: a flume under a rigid lid
// (half a plane Poiseuille flow) and a closed duct. With the smooth-wall law
// every wall cell lies in the viscous sublayer, where the law gives the
// laminar wall shear mu u / y exactly.
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

// Horizontal flume (or duct), k-epsilon viscosity model without eddy
// viscosity, smooth-wall law, rigid lid, frictionless banks. The inflow
// opening keeps its start-up velocities; the outflow opening follows the
// interior (update 1), so the last cell row sees no fixed profile. The p'
// equation takes the block correction before every sweep: the line solver
// alone removes the long waves along the 80 cells only slowly (some 2700
// passes instead of some 150).
std::string controlFile(const LaminarCase& c, const char* criterion, const char* run = "W") {
    const double Q = kU * c.width * c.depth;
    char line[400];
    std::string s = std::string("T laminar flume\nF 2 ") + run + "\nF 24 2\nF 34 0\nF 15 5\nF 36 4\nF 211 " + criterion + "\n";
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

// What a converged run shows against the analytic solution.
struct Measured {
    bool converged = false;
    int wallCells = 0;
    double yplusLaw = 0.0;    // largest wall-cell y+ by the law's own friction velocity
    double yplusShear = 0.0;  // the same by the wall shear of the solution
    double profile = 0.0;     // largest |u - u(z)| / U at the cell centres of x > reach length
    double gradient = 0.0;    // largest relative error of -dp/dx over that reach
    double flux = 0.0;        // largest relative error of an i-face section's mass flux
    std::string logTail;
};

// Runs the start-up and the run string `run` on the fixture files of `c` in
// the working directory; false when the run ended the process.
bool runEngine(const LaminarCase& c, const char* criterion, const char* run) {
    resetEngine();
    std::filesystem::remove("boogie");
    writeFile("control", controlFile(c, criterion, run));
    writeFile("koordina", gridFile(c));
    return exitCodeOf([] {
               preReadG1("control");
               Initial();
           }) == kNoExit;
}

Measured measure(const LaminarCase& c, double reach);

// Runs the start-up and W and measures the fields it leaves, the developed
// reach starting at `reach` times the length.
Measured runCase(const LaminarCase& c, const char* criterion = "1e-6", double reach = 0.5) {
    if (!runEngine(c, criterion, "W")) return {};
    Measured m = measure(c, reach);
    const std::string log = readFile("boogie");
    const std::string tail = "\nSolution converged\n";
    m.logTail = log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
    m.converged = log.size() >= tail.size() && log.substr(log.size() - tail.size()) == tail;
    return m;
}

// Measures the fields in memory against the analytic solution.
Measured measure(const LaminarCase& c, double reach) {
    Measured m;

    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                ++m.wallCells;
                const double y[3] = {m_dist_x[i][j][k], m_dist_y[i][j][k], m_dist_z[i][j][k]};
                const int flags[3] = {WallI[i][j][k], WallJ[i][j][k], WallK[i][j][k]};
                const double ustar = walllaw::smoothFrictionVelocity(std::max(kinen[i][j][k], 1e-9));
                const double speed = std::hypot(xvel[i][j][k], yvel[i][j][k], zvel[i][j][k]);
                for (int d = 0; d < 3; ++d) {
                    if (flags[d] == 0) continue;
                    m.yplusLaw = std::max(m.yplusLaw, walllaw::point(y[d], 0.0, Xkappa, ustar).yplus);
                    m.yplusShear = std::max(m.yplusShear, y[d] * std::sqrt(kNu * speed / y[d]) / kNu);
                }
            }

    // The pressure is fixed only up to a constant: the gradient is compared
    // as differences between the first and the last cell row of the reach.
    int first = 0, last = 0;
    const double h = c.depth, G = c.gradient * kMu * kU / (h * h);
    for (int i = 2; i <= xnumber; ++i) {
        if (centreX(i, 2) <= reach * c.length) continue;
        if (first == 0) first = i;
        last = i;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                m.profile = std::max(m.profile, std::fabs(xvel[i][j][k] - kU * c.profile(centreZ(i, j, k) / h)) / kU);
    }
    m.gradient = HUGE_VAL;
    if (last > first) {
        m.gradient = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double dp = Pres[first][j][k] - Pres[last][j][k];
                const double expected = G * (centreX(last, j) - centreX(first, j));
                m.gradient = std::max(m.gradient, std::fabs(dp / expected - 1.0));
            }
    }

    const double massFlux = 1000.0 * kU * c.width * c.depth;
    for (int i = 1; i <= xnumber; ++i) {
        double sum = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) sum += flow1[i][j][k];
        m.flux = std::max(m.flux, std::fabs(sum / massFlux - 1.0));
    }
    return m;
}

class LaminarChannel : public EngineTest, public ::testing::WithParamInterface<LaminarCase> {};

// Converged, every wall cell in the sublayer branch of the law (y+ < 11.626),
// the developed profile within 1 % of U, -dp/dx within 2 % and the discharge
// through every section within 1e-4. The scheme's own error is about
// 3 dz^2 / (8 h^2) U for the flume and 3 dz^2 / (2 H^2) U for the duct
// (0.1 % and 0.4 % here), so the tolerances leave room for the iteration.
TEST_P(LaminarChannel, FollowsTheAnalyticProfile) {
    const LaminarCase& c = GetParam();
    const Measured m = runCase(c);
    ASSERT_TRUE(m.converged) << m.logTail;
    EXPECT_GT(m.wallCells, 0);
    EXPECT_LT(m.yplusLaw, 11.626);
    EXPECT_LT(m.yplusShear, 11.626);
    EXPECT_LT(m.profile, 0.01);
    EXPECT_LT(m.gradient, 0.02);
    EXPECT_LT(m.flux, 1e-4);
    std::printf("%s: wall cells %d, y+ %.3g (law) %.3g (shear), profile %.3g U, dp/dx %.3g, flux %.3g\n", c.name,
                m.wallCells, m.yplusLaw, m.yplusShear, m.profile, m.gradient, m.flux);
}

// The converged fields come back from the written `result` (nine significant
// digits) and pass the same checks: a start-up and run letter R alone.
TEST_P(LaminarChannel, PassesAgainFromTheWrittenResult) {
    const LaminarCase& c = GetParam();
    ASSERT_TRUE(runCase(c).converged);
    ASSERT_TRUE(std::filesystem::exists("result"));
    ASSERT_TRUE(runEngine(c, "1e-6", "R")) << readFile("boogie");
    const std::string log = readFile("boogie");
    char line[80];
    std::snprintf(line, sizeof line, "Have read %d cells from result file\n", (xnumber + 1) * (ynumber + 1) * (znumber + 2));
    EXPECT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find("Iter:"), std::string::npos);  // nothing solved
    const Measured m = measure(c, 0.5);
    EXPECT_GT(m.wallCells, 0);
    EXPECT_LT(m.yplusLaw, 11.626);
    EXPECT_LT(m.yplusShear, 11.626);
    EXPECT_LT(m.profile, 0.01);
    EXPECT_LT(m.gradient, 0.02);
    EXPECT_LT(m.flux, 1e-4);
}

const LaminarCase kCases[] = {
    {"Flume", 80, 20, 4.0, 0.15, 0.05, false, halfPoiseuille, 3.0, ""},
    {"ClosedDuct", 80, 20, 4.0, 0.15, 0.05, true, poiseuille, 12.0, ""},
    // Four threads with the point solver's Jacobi steps across i-planes.
    {"FlumeThreads", 80, 20, 4.0, 0.15, 0.05, false, halfPoiseuille, 3.0, "F 206 4\nF 164 31\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, LaminarChannel, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LaminarCase>& p) { return std::string(p.param.name); });

// The threaded solve converges to the serial fields: the two runs differ by
// the iteration error that the criterion leaves (residuals below 1e-6 of
// their norms, some 1e-8 U here), far below the discretisation error of 1e-3 U.
class LaminarThreads : public EngineTest {};

TEST_F(LaminarThreads, ConvergesToTheSerialFields) {
    LaminarCase c = kCases[0];
    auto velocities = [] {
        std::vector<double> u;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) u.push_back(xvel[i][j][k]);
        return u;
    };
    ASSERT_TRUE(runCase(c).converged);
    const std::vector<double> serial = velocities();
    c.extra = "F 206 4\nF 164 31\n";
    ASSERT_TRUE(runCase(c).converged);
    const std::vector<double> threaded = velocities();
    ASSERT_EQ(threaded.size(), serial.size());
    double worst = 0.0;
    for (size_t n = 0; n < serial.size(); ++n) worst = std::max(worst, std::fabs(threaded[n] - serial[n]) / kU);
    std::printf("threaded against serial: %.3g U\n", worst);
    EXPECT_LT(worst, 1e-6);
}

}  // namespace

// Halving the cell height: the profile error falls with the second power of
// it. The tight criterion keeps the iteration error, and the reach beyond
// 3 m the remains of the entrance flow (some 3e-4 U at 2 m), below a tenth
// of the discretisation error of the finer grid.
class LongLaminarRefinement : public EngineTest {};

TEST_F(LongLaminarRefinement, ProfileErrorIsSecondOrder) {
    LaminarCase c = kCases[0];
    const Measured coarse = runCase(c, "1e-9", 0.75);
    ASSERT_TRUE(coarse.converged) << coarse.logTail;
    c.cellsZ *= 2;
    const Measured fine = runCase(c, "1e-9", 0.75);
    ASSERT_TRUE(fine.converged) << fine.logTail;
    const double order = std::log2(coarse.profile / fine.profile);
    EXPECT_NEAR(order, 2.0, 0.3) << coarse.profile << " " << fine.profile;
    std::printf("profile error %.3g U, %.3g U: order %.3f\n", coarse.profile, fine.profile, order);
}

// A transient run from the start-up state (uniform velocity): after three
// steps of 50 s it is still far from the profile (the slowest mode decays
// with the time scale 4 h^2 / (pi^2 nu), about 1000 s); after three viscous
// times h^2/nu (150 steps) that mode has decayed below 1e-3 and the flume
// holds the steady profile within the same tolerances. A long case: some
// 750 passes.
class LongLaminarTransient : public EngineTest {};

TEST_F(LongLaminarTransient, SettlesOnTheSteadyProfile) {
    LaminarCase c = kCases[0];
    c.extra = "F 33 50 5\nK 1 3 50000\n";
    const Measured early = runCase(c);
    EXPECT_GT(early.profile, 0.05);
    c.extra = "F 33 50 5\nK 1 150 50000\n";
    const Measured m = runCase(c);
    EXPECT_FALSE(m.converged);
    EXPECT_EQ(m.logTail.find("Error"), std::string::npos) << m.logTail;
    EXPECT_LT(m.profile, 0.01);
    EXPECT_LT(m.gradient, 0.02);
    EXPECT_LT(m.flux, 1e-4);
    std::printf("transient: after 150 s %.3g U; after 7500 s profile %.3g U, dp/dx %.3g, flux %.3g\n", early.profile,
                m.profile, m.gradient, m.flux);
}
