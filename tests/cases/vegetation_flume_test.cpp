// A straight horizontal flume with a reach of uniform vegetation, run through
// the start-up and run letter W in process: constant viscosity (F 24 2) and
// no wall law (F 15 12), so that nothing but the drag of the vegetation takes
// momentum out of the flow. The pressure fall over the reach times the
// section then equals the summed drag D u of its cells.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "run/reset.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "support/testing.h"
#include "turbulence/turbulence.h"

using namespace quird_test;

namespace {

// 20 cells of 1 m along the flume, 3 of 1 m across, 4 layers over 1 m;
// vegetation value 1 over the whole depth of cell rows 10..13.
constexpr int kCellsX = 20, kFirstRow = 10, kLastRow = 13;

std::string controlFile(const std::string& extra) {
    return "T vegetation flume\nF 2 W\nF 24 2\nF 15 12\nF 36 4\nF 115 1\nF 211 1e-6\n"
           "G 1 21 4 5 1\nG 3 0 25 50 75 100\nW 1 40.0 1.0 1.0\nW 2 0\nK 1 5000 50000\nK 2 1 1\n" +
           extra;
}

std::string gridFile() {
    std::string s;
    char line[120];
    for (int i = 1; i <= kCellsX + 1; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %.1f %.1f 0.0\n", i, j, i - 1.0, j - 1.0);
            s += line;
        }
    return s;
}

std::string vegetationFile() {
    std::string s = "Vegetation of the reach\n";
    char line[120];
    for (int i = kFirstRow; i <= kLastRow; ++i)
        for (int j = 2; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "V %d %d 0 0 0 2 1 1 1 1\n", i, j);
            s += line;
        }
    return s;
}

class VegetationFlume : public EngineTest {
protected:
    // Runs the start-up and W; false (with the log's end) when it did not converge.
    static ::testing::AssertionResult converged(const std::string& extra, bool toCriterion = true) {
        writeFile("control", controlFile(extra));
        writeFile("koordina", gridFile());
        writeFile("vegdata", vegetationFile());
        const int code = exitCodeOf([] {
            preReadG1("control");
            Initial();
        });
        const std::string log = readFile("boogie");
        if (code == kNoExit && (!toCriterion || log.find("Solution converged") != std::string::npos))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "exit " << code << "\n"
                                             << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    }
};

TEST_F(VegetationFlume, PressureFallCarriesTheDrag) {
    ASSERT_TRUE(converged(""));

    double drag = 0.0;
    for (int i = kFirstRow; i <= kLastRow; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double u = xvel[i][j][k];
                drag += 1000.0 * m_dist_z[i][j][k] * std::fabs(u) * Porosity[i][j][k] * u;
            }
    // Pressure force between two rows clear of the reach, on the section.
    const int up = kFirstRow - 3, down = kLastRow + 3;
    double force = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) force += (Pres[up][j][k] - Pres[down][j][k]) * m_ar_x[up][j][k];
    std::printf("drag %.6g N, pressure force %.6g N, ratio %.6g\n", drag, force, force / drag);
    EXPECT_GT(drag, 0.0);
    EXPECT_NEAR(force / drag, 1.0, 0.01);  // 0.9958 here
}

// The vegetation viscosity (F 194): the run converges, with the added
// viscosity in the reach alone.
TEST_F(VegetationFlume, ViscosityInTheReachAlone) {
    ASSERT_TRUE(converged("F 194 0.5\n"));
    Equation = 1;
    GammaCalc();
    EXPECT_GT(gama[kFirstRow + 1][3][3], 0.01);
    EXPECT_EQ(gama[kFirstRow - 2][3][3], 0.001);
}

// The pressure of the vegetated cells solved from their surroundings (F 133,
// every cell of the reach above the limit). Those cells take no p', so their
// continuity defect stays and the run ends at its last iteration without
// reaching the criterion; the pressure still falls over the reach.
TEST_F(VegetationFlume, PorousPressureInARun) {
    ASSERT_TRUE(converged("F 133 0.5 2\nK 1 300 50000\n", false));
    for (int i = 1; i <= xnumber + 1; ++i) ASSERT_TRUE(std::isfinite(Pres[i][3][3])) << i;
    EXPECT_GT(Pres[kFirstRow - 3][3][3], Pres[kLastRow + 3][3][3]);
}

}  // namespace
