// Line TDMA, Gauss-Seidel and block correction on synthetic workspaces:
// exact 1-D solutions, pinned cells, untouched boundary and ghost cells.
#include <cmath>

#include "equations/fixture.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"

using namespace eqtest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;

namespace {

const SolverCase kSolvers[] = {
    {"TDMA_7point", [] {}, WaterTDMA},
    {"TDMA_13point", [] { sou[1] = 1; }, WaterTDMA},
    {"TDMA_multiblock_7point", [] { MBNo = 1; }, WaterTDMA},
    {"TDMA_multiblock_13point", [] { MBNo = 1, sou[1] = 1; }, WaterTDMA},
    {"GaussSeidel", [] {}, WaterGaussSeidel},
    {"GaussSeidel_flushing", [] { FlagUnderflow = 1; }, WaterGaussSeidel},
    {"GaussSeidel_multiblock", [] { MBNo = 1; }, WaterGaussSeidel},
    {"GaussSeidel_mode0_3threads", [] { NoProcessesSolver = 3, FlagRapSolver = 0; }, WaterGaussSeidel},
    {"GaussSeidel_mode1_2threads", [] { NoProcessesSolver = 2, FlagRapSolver = 1; }, WaterGaussSeidel},
    {"GaussSeidel_mode31_4threads", [] { NoProcessesSolver = 4, FlagRapSolver = 31; }, WaterGaussSeidel},
    {"GaussSeidel_mode0_more_threads_than_planes", [] { NoProcessesSolver = 12; }, WaterGaussSeidel},
    {"GaussSOU", [] { sou[1] = 1; }, WaterGaussSOU},
    {"GaussSOU_threaded", [] { sou[1] = 1, NoProcessesSolver = 3; }, WaterGaussSOU},
    {"GaussSOU_threaded_one_plane_chunks", [] { sou[1] = 1, NoProcessesSolver = 7, FlagRapSolver = 1; }, WaterGaussSOU},
    {"GaussSOU_multiblock", [] { sou[1] = 1, MBNo = 1; }, WaterGaussSOU},
    {"GaussSOU_FlagRapSolver31", [] { sou[1] = 1, NoProcessesSolver = 2, FlagRapSolver = 31; }, WaterGaussSOU},
};

// Block corrections: they move pinned cells with their planes, so they are
// only in the tables that do not test pinned values.
const SolverCase kCorrections[] = {
    {"BlockCorrection_kji", [] { blockcorr[1] = 0; }, BlockCorrection},
    {"BlockCorrection_ji", [] { blockcorr[1] = 6; }, BlockCorrection},
    {"BlockCorrection_i", [] { blockcorr[1] = 7; }, BlockCorrection},
    {"BlockCorrection_13point", [] { sou[1] = 1; }, BlockCorrection},
    {"BlockCorrection_multiblock", [] { MBNo = 1; }, BlockCorrection},
    {"BlockCorrectionOpenMP_3threads", [] { NoProcessesSolver = 3; }, BlockCorrectionOpenMP},
};

class Solver : public EquationTest, public ::testing::WithParamInterface<SolverCase> {
protected:
    // 7 x 4 x 3 interior cells, the second-neighbour arrays allocated; the
    // joint tables filled when the case sets MBNo.
    void prepare() {
        FlagRapSolver = 31;  // so that the allocator creates fnn
        makeGrid(8, 5, 4, true);
        FlagRapSolver = 0;
        GetParam().setup();
        if (MBNo) twoBlockTables(5);
        randomEquation(11);
    }
};

TEST_P(Solver, LeavesBoundaryAndGhostCellsBitIdentical) {
    prepare();
    const std::vector<double> before = snapshot();
    GetParam().run();
    int changed = 0;
    forAll([&](int i, int j, int k) {
        const double was = before[f.offset(i, j, k)];
        if (!interior(i, j, k))
            EXPECT_TRUE(sameBits(f[i][j][k], was)) << i << "," << j << "," << k;
        else if (!sameBits(f[i][j][k], was))
            ++changed;
    });
    EXPECT_GT(changed, 0);
}

class PointSolver : public Solver {};

TEST_P(PointSolver, KeepsAPinnedCell) {
    prepare();
    const double v = 0.123456789;
    pin(4, 3, 2, v);
    pin(2, 5, 4, -7.5);  // a corner of the interior, next to boundary and ghost cells
    GetParam().run();
    GetParam().run();
    EXPECT_NEAR(f[4][3][2], v, 1e-14);
    EXPECT_NEAR(f[2][5][4], -7.5, 1e-14);
}

INSTANTIATE_TEST_SUITE_P(Solvers, PointSolver, ::testing::ValuesIn(kSolvers),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Solvers, Solver, ::testing::ValuesIn(kSolvers),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Corrections, Solver, ::testing::ValuesIn(kCorrections),
                         [](const auto& info) { return std::string(info.param.name); });

// The scheme numbers 4 to 20 select the power law, a 7-point scheme: with the
// second-neighbour arrays allocated and holding couplings of an earlier
// equation, every solver still works on the 7-point stencil.
class StaleSecondNeighbours : public Solver {};

TEST_P(StaleSecondNeighbours, AreIgnoredForPowerLawEquations) {
    prepare();
    for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 0.0;
    const std::vector<double> start = snapshot();
    sou[1] = 0;
    NormResidual[1] = 1.0;
    GetParam().run();
    Residual();
    const std::vector<double> sevenPoint = snapshot();
    const double residual = MaxResidual[1];
    for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 7.0;
    std::copy(start.begin(), start.end(), f.data());
    sou[1] = 4;
    GetParam().run();
    Residual();
    EXPECT_EQ(snapshot(), sevenPoint);
    EXPECT_EQ(MaxResidual[1], residual);
}

INSTANTIATE_TEST_SUITE_P(Solvers, StaleSecondNeighbours,
                         ::testing::Values(SolverCase{"TDMA", [] {}, WaterTDMA},
                                           SolverCase{"BlockCorrection", [] {}, BlockCorrection},
                                           SolverCase{"TDMA_multiblock", [] { MBNo = 1; }, WaterTDMA}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// 1-D diffusion between two boundary values along each axis: the line TDMA
// solves it in one pass, Gauss-Seidel converges to it.
// ---------------------------------------------------------------------------
struct LineCase {
    const char* name;
    int axis;  // 0 i, 1 j, 2 k
    bool tdma;
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class LinearProfile : public EquationTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LinearProfile, MatchesTheExactSolution) {
    const LineCase& c = GetParam();
    const int n = 9;
    makeGrid(c.axis == 0 ? n : 2, c.axis == 1 ? n : 2, c.axis == 2 ? n : 2);
    FieldArray<double, 3>* lo[] = {&ae, &as, &wab};
    FieldArray<double, 3>* hi[] = {&aw, &an, &wat};
    forInterior([&](int i, int j, int k) {
        (*lo[c.axis])[i][j][k] = 1.0;
        (*hi[c.axis])[i][j][k] = 1.0;
    });
    formCentre();
    // Boundary values 0 at position 1 and 1 at position n+1 of the axis.
    forAll([&](int i, int j, int k) {
        const int m = c.axis == 0 ? i : c.axis == 1 ? j : k;
        if (m == n + 1) f[i][j][k] = 1.0;
    });
    if (c.tdma) {
        WaterTDMA();
    } else {
        GaussIter = 400;
        WaterGaussSeidel();
    }
    const double err = maxError([&](int i, int j, int k) {
        const int m = c.axis == 0 ? i : c.axis == 1 ? j : k;
        return (m - 1) / double(n);
    });
    EXPECT_LT(err, c.tdma ? 1e-14 : 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Axes, LinearProfile,
                         ::testing::Values(LineCase{"TDMA_i", 0, true}, LineCase{"TDMA_j", 1, true},
                                           LineCase{"TDMA_k", 2, true}, LineCase{"GaussSeidel_i", 0, false},
                                           LineCase{"GaussSeidel_j", 1, false},
                                           LineCase{"GaussSeidel_k", 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Steady 1-D convection-diffusion with power-law coefficients against the
// exact exponential profile, the two end cells pinned to the exact values.
// ---------------------------------------------------------------------------
struct PecletCase {
    const char* name;
    double peclet;  // cell Peclet number F dx / Gamma
    double maxError;
    friend void PrintTo(const PecletCase& c, std::ostream* os) { *os << c.name; }
};

class ConvectionDiffusion : public EquationTest, public ::testing::WithParamInterface<PecletCase> {};

TEST_P(ConvectionDiffusion, PowerLawMatchesTheExponentialProfile) {
    const PecletCase& c = GetParam();
    const int X = 21;  // 20 cells of width 1
    makeGrid(X, 2, 2);
    boxGeometry(1.0, 1.0, 1.0);
    for (std::int64_t n = 0; n < gama.size(); ++n) gama.data()[n] = gamaV.data()[n] = 1.0;
    for (int i = 1; i <= X; ++i) flow1[i][2][2] = c.peclet;
    coeffe_flow();
    formCentre();
    // Exact profile between the centres of cells 2 and X.
    const double L = X - 2;
    auto exact = [&](int i, int, int) {
        const double x = (i - 2) / L;
        return c.peclet == 0.0 ? x : std::expm1(c.peclet * L * x) / std::expm1(c.peclet * L);
    };
    pin(2, 2, 2, exact(2, 2, 2));
    pin(X, 2, 2, exact(X, 2, 2));
    WaterTDMA();
    EXPECT_LT(maxError(exact), c.maxError);
}

// The power law is exact at Peclet 0, close to the exponential scheme at
// moderate numbers and pure upwinding above 10.
INSTANTIATE_TEST_SUITE_P(Peclet, ConvectionDiffusion,
                         ::testing::Values(PecletCase{"P0", 0.0, 1e-13}, PecletCase{"P0_2", 0.2, 5e-4},
                                           PecletCase{"P1", 1.0, 5e-3}, PecletCase{"P3", 3.0, 5e-3},
                                           PecletCase{"P8", 8.0, 1e-3}, PecletCase{"P30_pure_upwind", 30.0, 1e-12}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Gauss-Seidel details: the sweep count and the flushing of tiny values.
// ---------------------------------------------------------------------------
struct FlushCase {
    const char* name;
    void (*setup)();
    bool flushed;
    friend void PrintTo(const FlushCase& c, std::ostream* os) { *os << c.name; }
};

class GaussSeidelFlush : public EquationTest, public ::testing::WithParamInterface<FlushCase> {};

TEST_P(GaussSeidelFlush, StoresTinyValuesAsThePathSays) {
    makeGrid(4, 3, 3);
    GetParam().setup();
    if (MBNo) twoBlockTables(3);
    forInterior([](int i, int j, int k) { wap[i][j][k] = iAp[i][j][k] = 1.0; });
    source[3][2][2] = -1e-31;
    WaterGaussSeidel();
    const double v = f[3][2][2];
    if (GetParam().flushed)
        EXPECT_TRUE(sameBits(v, 0.0));
    else
        EXPECT_EQ(v, -1e-31);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GaussSeidelFlush,
    ::testing::Values(FlushCase{"serial", [] {}, false}, FlushCase{"serial_FlagUnderflow", [] { FlagUnderflow = 1; }, true},
                      FlushCase{"multiblock_FlagUnderflow", [] { FlagUnderflow = 1, MBNo = 1; }, false},
                      FlushCase{"threaded_backward_half_sweep", [] { NoProcessesSolver = 2; }, true}),
    [](const auto& info) { return std::string(info.param.name); });

class GaussSeidel : public EquationTest {};

TEST_F(GaussSeidel, OneCallRunsGaussIterSweepPairs) {
    // Two cells coupled along k: every half-sweep changes them.
    makeGrid(2, 2, 3);
    for (int k = 2; k <= 3; ++k) {
        wat[2][2][k] = wab[2][2][k] = 0.5;
        source[2][2][k] = 1.0 + k;
        wap[2][2][k] = iAp[2][2][k] = 1.0;
    }
    GaussIter = 0;
    WaterGaussSeidel();
    EXPECT_EQ(f[2][2][2], 0.0);
    EXPECT_EQ(f[2][2][3], 0.0);
    GaussIter = 1;
    for (int call = 0; call < 3; ++call) WaterGaussSeidel();
    const double a = f[2][2][2], b = f[2][2][3];
    f[2][2][2] = f[2][2][3] = 0.0;
    GaussIter = 3;
    WaterGaussSeidel();
    EXPECT_TRUE(sameBits(f[2][2][2], a));
    EXPECT_TRUE(sameBits(f[2][2][3], b));
}

// ---------------------------------------------------------------------------
// Block correction.
// ---------------------------------------------------------------------------
class BlockCorrectionTest : public EquationTest, public ::testing::WithParamInterface<SolverCase> {};

// A problem that varies along i only (no flux through the j and k boundary
// faces), started from 0: every mode ends with the exact solution, since the
// i-pass, always the last, solves the summed plane equations exactly.
TEST_P(BlockCorrectionTest, SolvesA1DProblemInOnePass) {
    makeGrid(9, 4, 5, true);
    GetParam().setup();  // a multi-block case keeps tables naming no partner
    forInterior([](int i, int j, int k) {
        ae[i][j][k] = 1.0 + 0.1 * i;
        aw[i][j][k] = 1.0 + 0.1 * (i + 1);
        if (j > 2) as[i][j][k] = 0.7;
        if (j < ynumber) an[i][j][k] = 0.7;
        if (k > 2) wab[i][j][k] = 0.4;
        if (k < znumber) wat[i][j][k] = 0.4;
        source[i][j][k] = 0.05 * i;
    });
    formCentre(0.3);
    forAll([](int i, int j, int k) {
        (void)j, (void)k;
        if (i == xnumber + 1) f[i][j][k] = 2.0;
    });
    GetParam().run();
    // Every column holds the same profile ...
    forInterior([&](int i, int j, int k) { EXPECT_NEAR(f[i][j][k], f[i][2][2], 1e-12); });
    // ... which satisfies the equation: the residual vanishes.
    NormResidual[1] = 1.0;
    Residual();
    EXPECT_LT(MaxResidual[1], 1e-11);
}

INSTANTIATE_TEST_SUITE_P(Modes, BlockCorrectionTest,
                         ::testing::Values(SolverCase{"kji", [] { blockcorr[1] = 0; }, BlockCorrection},
                                           SolverCase{"ji", [] { blockcorr[1] = 6; }, BlockCorrection},
                                           SolverCase{"i", [] { blockcorr[1] = 7; }, BlockCorrection},
                                           SolverCase{"13point", [] { sou[1] = 1; }, BlockCorrection},
                                           SolverCase{"multiblock_without_joints", [] { MBNo = 1; }, BlockCorrection},
                                           SolverCase{"threaded_1thread", [] { NoProcessesSolver = 1; }, BlockCorrectionOpenMP},
                                           SolverCase{"threaded_3threads", [] { NoProcessesSolver = 3; }, BlockCorrectionOpenMP},
                                           SolverCase{"threaded_more_threads_than_planes", [] { NoProcessesSolver = 8; }, BlockCorrectionOpenMP}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
