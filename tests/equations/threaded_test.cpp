// The threaded solvers against the serial ones, and the block corrections.
#include <cmath>

#include "equations/fixture.h"

using namespace eqtest;

namespace {

class ThreadedGaussSeidel : public EquationTest {
protected:
    void prepare(int rapSolver) {
        FlagRapSolver = 31;  // the allocator creates fnn
        makeGrid(14, 6, 7);
        FlagRapSolver = rapSolver;
        randomEquation(4, 0.05);
        pin(6, 3, 4, 0.5);
    }
    std::vector<double> solve(int threads, int pairs, double dominance = 0.05) {
        randomEquation(4, dominance);
        pin(6, 3, 4, 0.5);
        NoProcessesSolver = threads;
        GaussIter = pairs;
        WaterGaussSeidel();
        return snapshot();
    }
};

TEST_F(ThreadedGaussSeidel, Mode31IsBitIdenticalForEveryTeamSize) {
    prepare(31);
    const std::vector<double> one = solve(1, 3);
    for (int threads : {2, 3, 8, 13, 20}) EXPECT_EQ(solve(threads, 3), one) << threads << " threads";
    // A Jacobi step across i-planes: not the sequential sweep.
    FlagRapSolver = 0;
    EXPECT_NE(solve(0, 3), one);
}

TEST_F(ThreadedGaussSeidel, Modes0And1WithOneThreadAreTheSerialSweep) {
    prepare(0);
    const std::vector<double> serial = solve(0, 3);
    EXPECT_EQ(solve(1, 3), serial);
    FlagRapSolver = 1;
    EXPECT_EQ(solve(1, 3), serial);
}

TEST_F(ThreadedGaussSeidel, Modes0And1AreReproducibleAndEqual) {
    prepare(0);
    const std::vector<double> mode0 = solve(3, 2);
    EXPECT_EQ(solve(3, 2), mode0);
    FlagRapSolver = 1;
    EXPECT_EQ(solve(3, 2), mode0);
}

TEST_F(ThreadedGaussSeidel, EveryModeConvergesToTheSerialSolution) {
    prepare(0);
    const std::vector<double> serial = solve(0, 80, 1.0);
    for (int mode : {0, 1, 31})
        for (int threads : {2, 3, 8}) {
            FlagRapSolver = mode;
            const std::vector<double> threaded = solve(threads, 80, 1.0);
            double worst = 0.0;
            for (size_t n = 0; n < serial.size(); ++n) worst = std::max(worst, std::fabs(threaded[n] - serial[n]));
            EXPECT_LT(worst, 1e-12) << "mode " << mode << ", " << threads << " threads";
        }
}

// ---------------------------------------------------------------------------
// Block correction.
// ---------------------------------------------------------------------------
class BlockCorrections : public EquationTest {
protected:
    // Sum over the counted cells of i-plane i (rows j1..j2) of the signed
    // residual of the 7-point equation.
    static double planeResidual(int i, int j1, int j2) {
        double s = 0.0;
        for (int j = j1; j <= j2; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (wap[i][j][k] >= 1e15) continue;
                s += ae[i][j][k] * f[i - 1][j][k] + aw[i][j][k] * f[i + 1][j][k] + as[i][j][k] * f[i][j - 1][k] +
                     an[i][j][k] * f[i][j + 1][k] + wab[i][j][k] * f[i][j][k - 1] + wat[i][j][k] * f[i][j][k + 1] +
                     source[i][j][k] - wap[i][j][k] * f[i][j][k];
            }
        return s;
    }
};

// After an i-pass the summed equations of every i-plane hold.
TEST_F(BlockCorrections, SatisfiesTheSummedPlaneEquations) {
    makeGrid(11, 7, 5);
    randomEquation(9, 0.1);
    blockcorr[1] = 7;
    BlockCorrection();
    for (int i = 2; i <= xnumber; ++i) EXPECT_NEAR(planeResidual(i, 2, ynumber), 0.0, 1e-12) << "plane " << i;
}

// The threaded correction is the serial one to the bit, on every path of the
// serial one and for every team size, more threads than planes included.
TEST_F(BlockCorrections, ThreadedIsTheSerialCorrectionForEveryTeamSize) {
    struct Path {
        const char* name;
        int blockcorr, sou, blocks;
    };
    const Path paths[] = {{"k, j, i", 4, 0, 0}, {"j, i", 6, 0, 0},       {"i", 7, 0, 0},
                          {"13-point", 4, 1, 0}, {"multi-block", 4, 0, 1}, {"13-point multi-block", 7, 1, 1}};
    for (const Path& p : paths) {
        SCOPED_TRACE(p.name);
        makeGrid(12, 7, 6, true);
        blockcorr[1] = p.blockcorr;
        sou[1] = p.sou;
        MBNo = p.blocks;
        if (MBNo) twoBlockTables(8);
        randomEquation(13, 0.02);
        pin(5, 4, 3, 0.75);
        const std::vector<double> start = snapshot();
        BlockCorrection();
        const std::vector<double> serial = snapshot();
        ASSERT_NE(serial, start);
        for (int threads : {1, 2, 3, 8, 13}) {
            std::copy(start.begin(), start.end(), f.data());
            NoProcessesSolver = threads;
            BlockCorrectionOpenMP();
            EXPECT_TRUE(snapshot() == serial) << threads << " threads";
        }
    }
}

TEST_F(BlockCorrections, Equation6ChangesNothing) {
    makeGrid(6, 5, 5);
    Equation = 6;
    randomEquation(3);
    const std::vector<double> before = snapshot();
    BlockCorrection();
    EXPECT_EQ(snapshot(), before);
    NoProcessesSolver = 2;
    BlockCorrectionOpenMP();
    EXPECT_EQ(snapshot(), before);
}

// A pinned cell stays out of the sums but receives its plane's correction;
// a plane of pinned cells only gets no correction.
TEST_F(BlockCorrections, PinnedCellsReceiveTheirPlaneCorrection) {
    makeGrid(8, 4, 4);
    randomEquation(6);
    pin(3, 3, 3, 0.25);
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) pin(6, j, k, -1.0);
    const std::vector<double> before = snapshot();
    blockcorr[1] = 7;
    BlockCorrection();
    const double d3 = f[3][2][2] - before[f.offset(3, 2, 2)];
    EXPECT_NE(d3, 0.0);
    EXPECT_DOUBLE_EQ(f[3][3][3] - before[f.offset(3, 3, 3)], d3);
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) EXPECT_EQ(f[6][j][k], before[f.offset(6, j, k)]);
    // The pinned plane acts as a boundary: the planes beyond it still satisfy their sums.
    EXPECT_NEAR(planeResidual(7, 2, ynumber), 0.0, 1e-12);
}

}  // namespace

namespace {

// The threaded correction sizes its work from the grid: a grid of more than
// 5000 i-lines is corrected like any other.
TEST_F(BlockCorrections, ThreadedCorrectionServesLongGrids) {
    xnumber = 6001;
    ynumber = 3;
    znumber = 2;
    createArray(f, xnumber + 3, ynumber + 3, znumber + 3);
    FieldArray<double, 3>* workspace[] = {&ae, &aw, &an, &as, &wat, &wab, &wap, &source, &iAp};
    for (auto* a : workspace) createArray(*a, xnumber + 2, ynumber + 2, znumber + 2);
    // 1-D diffusion between f = 0 at i = 1 and f = 1 at i = xnumber + 1.
    forInterior([](int i, int j, int k) { ae[i][j][k] = aw[i][j][k] = 1.0, wap[i][j][k] = 2.0; });
    for (int j = 2; j <= ynumber; ++j) f[xnumber + 1][j][2] = 1.0;
    NoProcessesSolver = 2;
    BlockCorrectionOpenMP();
    EXPECT_LT(maxError([](int i, int, int) { return (i - 1) / double(xnumber); }), 1e-9);
}

// Under the transient free surface (F 36 1) the top cells pinned at p' = 0
// are a fixed boundary of the planes below: their couplings stay on the
// diagonal of the plane sums (they do not move with the plane) and they take
// no correction, so the summed equations of every i-plane hold with the top
// layer at 0. Moving them with their plane would shift the pressure level of
// every column under a surface that must stay at 0.
TEST_F(BlockCorrections, UnderAFreeSurfaceThePinnedTopLayerIsAFixedBoundary) {
    makeGrid(11, 6, 6);
    randomEquation(21, 0.02);
    FlagTFS = 1;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            pin(i, j, znumber, 0.0);
            f[i][j][znumber] = 0.0;
        }
    blockcorr[1] = 7;
    const std::vector<double> start = snapshot();
    for (int threads : {0, 3}) {
        SCOPED_TRACE(threads ? "threaded" : "serial");
        std::copy(start.begin(), start.end(), f.data());
        NoProcessesSolver = threads;
        threads ? BlockCorrectionOpenMP() : BlockCorrection();
        for (int i = 2; i <= xnumber; ++i) {
            EXPECT_NEAR(planeResidual(i, 2, ynumber), 0.0, 1e-11) << "plane " << i;
            for (int j = 2; j <= ynumber; ++j) EXPECT_EQ(f[i][j][znumber], 0.0);
        }
    }
}

}  // namespace
