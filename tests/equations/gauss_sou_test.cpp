// Gauss-Seidel on the 13-point stencil.
#include <cmath>
#include <random>

#include "equations/fixture.h"
#include "equations/state.h"

using namespace eqtest;

namespace {

struct PathCase {
    const char* name;
    void (*setup)();
    friend void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }
};

class GaussSOUPath : public EquationTest, public ::testing::WithParamInterface<PathCase> {};

// A random diagonally dominant 13-point equation whose solution is known.
TEST_P(GaussSOUPath, SolvesA13PointProblem) {
    makeGrid(11, 7, 6, true);
    GetParam().setup();
    randomEquation(13, 0.5);
    std::vector<double> exact = snapshot();
    forInterior([&](int i, int j, int k) {
        const double sum = ae[i][j][k] * f[i - 1][j][k] + aw[i][j][k] * f[i + 1][j][k] +
                           as[i][j][k] * f[i][j - 1][k] + an[i][j][k] * f[i][j + 1][k] +
                           wab[i][j][k] * f[i][j][k - 1] + wat[i][j][k] * f[i][j][k + 1] +
                           aee[i][j][k] * f[i - 2][j][k] + aww[i][j][k] * f[i + 2][j][k] +
                           ass[i][j][k] * f[i][j - 2][k] + ann[i][j][k] * f[i][j + 2][k] +
                           abb[i][j][k] * f[i][j][k - 2] + att[i][j][k] * f[i][j][k + 2];
        source[i][j][k] = wap[i][j][k] * f[i][j][k] - sum;
    });
    forInterior([](int i, int j, int k) { f[i][j][k] = 0.0; });
    GaussIter = 60;
    WaterGaussSOU();
    EXPECT_LT(maxError([&](int i, int j, int k) { return exact[f.offset(i, j, k)]; }), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GaussSOUPath,
    ::testing::Values(PathCase{"serial", [] {}}, PathCase{"threaded_mode0", [] { NoProcessesSolver = 3; }},
                      PathCase{"threaded_mode1_8threads", [] { NoProcessesSolver = 8, FlagRapSolver = 1; }},
                      PathCase{"FlagRapSolver31_runs_the_joint_sweep", [] { NoProcessesSolver = 2, FlagRapSolver = 31; }},
                      PathCase{"multiblock_without_joints", [] { MBNo = 1; }}),
    [](const auto& info) { return std::string(info.param.name); });

class GaussSOU : public EquationTest {};

// Without second-neighbour couplings the 13-point sweep is the 7-point one,
// with one sweep pair fewer for the same GaussIter.
TEST_F(GaussSOU, MatchesTheSevenPointSolverWithoutSecondNeighbours) {
    makeGrid(9, 6, 5, true);
    randomEquation(2, 0.3);
    for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 0.0;
    formCentre(0.3);
    const std::vector<double> start = snapshot();
    GaussIter = 4;
    WaterGaussSOU();
    const std::vector<double> sou = snapshot();
    std::copy(start.begin(), start.end(), f.data());
    GaussIter = 3;
    WaterGaussSeidel();
    const std::vector<double> seven = snapshot();
    for (size_t n = 0; n < sou.size(); ++n) EXPECT_NEAR(sou[n], seven[n], 1e-14 * (1.0 + std::fabs(seven[n])));
}

// GaussIter 1 still runs one sweep pair, as GaussIter 2 does.
TEST_F(GaussSOU, GaussIterOneRunsOnePair) {
    makeGrid(7, 5, 5, true);
    sou[1] = 1;
    randomEquation(3);
    const std::vector<double> start = snapshot();
    GaussIter = 2;
    WaterGaussSOU();
    const std::vector<double> two = snapshot();
    EXPECT_NE(two, start);
    std::copy(start.begin(), start.end(), f.data());
    GaussIter = 1;
    WaterGaussSOU();
    EXPECT_EQ(snapshot(), two);
}

// Values below 1e-30 are stored as computed on every path.
TEST_F(GaussSOU, StoresTinyValuesUnchanged) {
    makeGrid(4, 3, 3, true);
    forInterior([](int i, int j, int k) { wap[i][j][k] = 1.0; });
    source[3][2][2] = -1e-31;
    for (int np : {0, 2}) {
        NoProcessesSolver = np;
        f[3][2][2] = 5.0;
        WaterGaussSOU();
        EXPECT_EQ(f[3][2][2], -1e-31) << np << " threads";
    }
}

}  // namespace
