// Solvers and residual of the five-point equation of the plane.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "equations/workspace.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "flow3d/flow3d.h"
#include "surface2d/plane_fixture.h"
#include "surface2d/surface2d.h"

using namespace plane2dtest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;
using quird_test::readLines;

namespace {

class Solver2D : public PlaneTest {
protected:
    void grid(int X, int Y) { quird_test::allocateGrid(X, Y, 3); }

    // The plane's part of f, boundary cells included, for exact comparisons.
    static std::vector<double> plane() {
        std::vector<double> v;
        forPlane([&](int i, int j) { v.push_back(f[i][j][0]); });
        return v;
    }
    // Couplings on every interior cell (ae, aw along i; as, an along j), wap
    // their sum plus `extra`, iAp = 1/wap; the couplings to the boundary rows
    // in j are `side`.
    static void couplings(double alongI, double alongJ, double extra, double side) {
        forInterior([&](int i, int j) {
            ae[i][j][0] = aw[i][j][0] = alongI;
            as[i][j][0] = j == 2 ? side : alongJ;
            an[i][j][0] = j == ynumber ? side : alongJ;
            wap[i][j][0] = ae[i][j][0] + aw[i][j][0] + as[i][j][0] + an[i][j][0] + extra;
            iAp[i][j][0] = 1.0 / wap[i][j][0];
        });
    }
    // source so that `exact` (given on every cell of the plane) solves the equation.
    template <typename Fn>
    static void solvedBy(Fn exact) {
        forInterior([&](int i, int j) {
            source[i][j][0] = wap[i][j][0] * exact(i, j) -
                              (ae[i][j][0] * exact(i - 1, j) + aw[i][j][0] * exact(i + 1, j) +
                               as[i][j][0] * exact(i, j - 1) + an[i][j][0] * exact(i, j + 1));
        });
        forPlane([&](int i, int j) {
            const bool interior = i >= 2 && i <= xnumber && j >= 2 && j <= ynumber;
            f[i][j][0] = interior ? 0.0 : exact(i, j);
        });
    }
};

// A Poisson problem in integers: wap 4 makes every update exact.
double poisson(int i, int j) { return i * i - 3 * j + 2 * i * j; }

TEST_F(Solver2D, GaussSeidelReachesTheExactSolutionAndKeepsIt) {
    grid(7, 6);
    couplings(1.0, 1.0, 0.0, 1.0);
    solvedBy(poisson);
    GaussIter = 300;
    WaterGaussSeidel2D();
    forInterior([](int i, int j) { EXPECT_NEAR(f[i][j][0], poisson(i, j), 1e-10) << i << "," << j; });

    forPlane([](int i, int j) { f[i][j][0] = poisson(i, j); });
    const std::vector<double> solved = plane();
    GaussIter = 3;
    WaterGaussSeidel2D();
    EXPECT_EQ(plane(), solved);
    GaussIter = 0;  // no sweep at all
    forInterior([](int i, int j) { f[i][j][0] = 0.5 * i; });
    const std::vector<double> start = plane();
    WaterGaussSeidel2D();
    EXPECT_EQ(plane(), start);
}

// F 43 flushes values below 1e-30 to exactly 0, on single-block grids only.
struct FlushCase {
    const char* name;
    int start;  // 0 single block
    int flag;
    bool flushed;
};

class Underflow : public Solver2D, public ::testing::WithParamInterface<FlushCase> {};

TEST_P(Underflow, FlushesOnSingleBlockGridsOnly) {
    if (GetParam().start == 0)
        grid(9, 4);
    else
        twoBlockPlane(GetParam().start);
    FlagUnderflow = GetParam().flag;
    couplings(0.5, 0.5, 2.0, 0.5);  // every update halves the neighbours' mean
    forPlane([](int i, int j) {
        const bool interior = i >= 2 && i <= xnumber && j >= 2 && j <= ynumber;
        f[i][j][0] = interior ? 1e-29 : 0.0;
    });
    GaussIter = 10;
    WaterGaussSeidel2D();
    forInterior([](int i, int j) {
        EXPECT_LT(std::fabs(f[i][j][0]), 1e-30);
        if (GetParam().flushed)
            EXPECT_TRUE(f[i][j][0] == 0.0 && !std::signbit(f[i][j][0])) << i << "," << j;
        else
            EXPECT_NE(f[i][j][0], 0.0) << i << "," << j;
    });
}

INSTANTIATE_TEST_SUITE_P(F43, Underflow,
                         ::testing::Values(FlushCase{"SingleBlockFlushes", 0, 1, true},
                                           FlushCase{"SingleBlockWithoutFlag", 0, 0, false},
                                           FlushCase{"AttachedBlocksNever", 3, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The sweeps, the residual and the block correction take a joined cell's
// neighbour across the join: one cell c with a single coupling of 1, its
// linked neighbour at 3 and its index neighbour at 7, every other cell pinned.
struct LinkCase {
    const char* name;
    int start;
    char coupling;  // 'e' ae, 's' as, 'n' an
};

class JoinLinks : public Solver2D, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(JoinLinks, AreFollowedByEverySolver) {
    twoBlockPlane(GetParam().start);
    const int a = MBSkjot[1] + 1, Y = ynumber;
    const int m = Pi1MultiBlock[a][3][0];
    int ci, cj, li, lj, pi, pj;
    FieldArray<double, 3>* coefficient;
    switch (GetParam().coupling) {
    case 'e':  // a partner's i-1 neighbour is its host cell
        ci = a, cj = 3, li = m, lj = Pi1MultiBlock[a][3][1], pi = a - 1, pj = 3, coefficient = &ae;
        break;
    case 's':  // the j-1 neighbour of a host cell on wall 1 is its partner
        ci = m, cj = 2, li = a, lj = 3, pi = m, pj = 1, coefficient = &as;
        break;
    default:  // the j+1 neighbour of a host cell on wall ynumber is its partner
        ci = m, cj = Y, li = a, lj = 3, pi = m, pj = Y + 1, coefficient = &an;
        break;
    }
    struct Routine {
        const char* name;
        void (*run)();
    };
    const Routine routines[] = {{"WaterGaussSeidel2D", WaterGaussSeidel2D},
                                {"Residual2D", Residual2D},
                                {"BlockCorrection2D", BlockCorrection2D}};
    for (const Routine& r : routines) {
        SCOPED_TRACE(r.name);
        forPlane([](int i, int j) {
            f[i][j][0] = ae[i][j][0] = aw[i][j][0] = as[i][j][0] = an[i][j][0] = 0.0;
            wap[i][j][0] = 1e30;
            source[i][j][0] = 0.0;
            iAp[i][j][0] = 1e-30;
        });
        f[li][lj][0] = 3.0;
        source[li][lj][0] = 3e30;
        f[pi][pj][0] = 7.0;
        source[pi][pj][0] = 7e30;
        (*coefficient)[ci][cj][0] = 1.0;
        wap[ci][cj][0] = iAp[ci][cj][0] = 1.0;
        Equation = 1;
        NormResidual[1] = 1.0;
        GaussIter = 1;
        r.run();
        if (r.run == Residual2D)
            EXPECT_DOUBLE_EQ(MaxResidual[1], 3.0);
        else
            EXPECT_NEAR(f[ci][cj][0], 3.0, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(Joins, JoinLinks,
                         ::testing::Values(LinkCase{"PartnerToHost", 3, 'e'}, LinkCase{"HostOnWallOne", 3, 's'},
                                           LinkCase{"HostOnWallY", -3, 'n'}),
                         [](const auto& info) { return std::string(info.param.name); });

// Integer data: a field uniform in j solves its plane sums exactly.
double alongI(int i, int) { return i * i - 4 * i; }

TEST_F(Solver2D, BlockCorrectionSolvesAProblemUniformInJInOnePass) {
    grid(9, 5);
    couplings(2.0, 1.0, 1.0, 0.0);
    solvedBy(alongI);
    Equation = 1;
    BlockCorrection2D();
    forInterior([](int i, int j) { EXPECT_NEAR(f[i][j][0], alongI(i, j), 1e-12) << i << "," << j; });

    // A solved field gets a zero correction.
    forPlane([](int i, int j) { f[i][j][0] = alongI(i, j); });
    const std::vector<double> solved = plane();
    BlockCorrection2D();
    EXPECT_EQ(plane(), solved);

    // Epsilon takes no correction, solved or not.
    forInterior([](int i, int j) { f[i][j][0] = 0.0; });
    const std::vector<double> unsolved = plane();
    Equation = 6;
    BlockCorrection2D();
    EXPECT_EQ(plane(), unsolved);
}

// Closed at both ends and sides, the plane equations are singular: the last
// plane's pivot vanishes and is replaced by 1e30.
TEST_F(Solver2D, BlockCorrectionOfASingularChainStaysFinite) {
    grid(8, 4);
    couplings(1.0, 1.0, 0.0, 0.0);
    forInterior([](int i, int j) {
        if (i == 2) ae[i][j][0] = 0.0;
        if (i == xnumber) aw[i][j][0] = 0.0;
        wap[i][j][0] = ae[i][j][0] + aw[i][j][0] + as[i][j][0] + an[i][j][0];
        source[i][j][0] = 0.25 * i - 0.5 * j;
    });
    Equation = 4;
    BlockCorrection2D();
    forInterior([](int i, int j) { EXPECT_TRUE(std::isfinite(f[i][j][0])) << i << "," << j; });
    EXPECT_LT(std::fabs(f[xnumber][2][0]), 1e-20);
    EXPECT_GT(std::fabs(f[2][2][0]), 1e-3);
}

// The residual: an equation solved by integer data, then defects.
class Residual2DTest : public Solver2D {
protected:
    void exactEquation(int start) {
        if (start == 0)
            grid(6, 5);
        else
            twoBlockPlane(start);
        couplings(2.0, 1.0, 3.0, 1.0);
        solvedBy([](int i, int j) { return double(i - 2 * j); });
        forPlane([](int i, int j) {
            f[i][j][0] = i - 2 * j;
            xvel[i][j][0] = 0.5;
            yvel[i][j][0] = -0.25;
            flow1[i][j][0] = 10.0;
            flow2[i][j][0] = 20.0;
        });
        if (start != 0)  // partners coupled to their hosts: keep them solved
            forInterior([](int i, int j) {
                if (const int m = Pi1MultiBlock[i][j][0]; m != 0)
                    source[i][j][0] += ae[i][j][0] * (f[i - 1][j][0] - f[m][Pi1MultiBlock[i][j][1]][0]);
            });
        if (start != 0)
            for (int i = 2; i <= xnumber; ++i) {
                if (const int b = Pj1MultiBlock[i][0]; b != 0)
                    source[i][2][0] += as[i][2][0] * (f[i][1][0] - f[b][Pj1MultiBlock[i][1]][0]);
                if (const int b = Pj2MultiBlock[i][0]; b != 0)
                    source[i][ynumber][0] += an[i][ynumber][0] * (f[i][ynumber + 1][0] - f[b][Pj2MultiBlock[i][1]][0]);
            }
        NormResidual[Equation] = 2.0;
    }
};

TEST_F(Residual2DTest, SumsTheScaledDefectsAndSkipsFixedCells) {
    Equation = 1;
    exactEquation(0);
    Residual2D();
    EXPECT_EQ(MaxResidual[1], 0.0);
    source[3][3][0] += 3.0;
    source[5][4][0] -= 5.0;
    wap[4][4][0] = 1e15;  // a fixed cell stays out
    Residual2D();
    EXPECT_EQ(MaxResidual[1], 4.0);
    EXPECT_TRUE(readLines("boogie").empty());

    // The pressure correction sums |source|, fixed cells included.
    Equation = 4;
    NormResidual[4] = 4.0;
    forInterior([](int i, int j) { source[i][j][0] = 0.0; });
    source[2][2][0] = 6.0;
    source[4][4][0] = -10.0;
    Residual2D();
    EXPECT_EQ(MaxResidual[4], 4.0);
}

struct LineCase {
    const char* name;
    int equation;
    int start;
    std::vector<std::string> lines;  // of cell (3,3) with a defect of 3
};

class ResidualLines : public Residual2DTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ResidualLines, ShowTheCellsAboveTheLimit) {
    Equation = GetParam().equation;
    exactEquation(GetParam().start);
    Iter = 5000000000L;  // beyond the range of an int
    InputErrorLimit = 2.5 * xnumber * ynumber * znumber / NormResidual[Equation];  // limit 2.5
    if (Equation == 4) forInterior([](int i, int j) { source[i][j][0] = 0.0; });
    source[3][3][0] += 3.0;
    source[4][3][0] += 2.0;  // below the limit
    Residual2D();
    EXPECT_EQ(readLines("boogie"), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ResidualLines,
    ::testing::Values(LineCase{"SingleBlock",
                               1,
                               0,
                               {"Iter: 5000000000, Large residual for f(3,3,0,1) : 3.000000e+00",
                                "f = -3.000000e+00, source = -6.000000e+00, wap = 9.000000e+00",
                                "xvel = 5.000000e-01, yvel = -2.500000e-01"}},
                      LineCase{"AttachedBlocks",
                               2,
                               3,
                               {"Large residual for f(3,3,0,2) : 3.000000e+00",
                                "f = -3.000000e+00, source = -6.000000e+00, wap = 9.000000e+00",
                                "flow2 = 2.000000e+01, flow1 = 1.000000e+01",
                                "xvel = 5.000000e-01, yvel = -2.500000e-01"}},
                      LineCase{"PressureCorrection",
                               4,
                               0,
                               {"Large residual for f(3,3,0,4)",
                                "f = -3.000000e+00, source = 3.000000e+00, wap = 9.000000e+00"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Residual2DTest, ZeroLimitShowsEveryDefectiveCell) {
    Equation = 1;
    exactEquation(0);
    InputErrorLimit = 0.0;
    source[3][3][0] += 1e-9;
    source[6][5][0] -= 1e-9;
    Residual2D();
    const auto lines = readLines("boogie");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("Iter: 1, Large residual for f(3,3,0,1) : ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("Iter: 1, Large residual for f(6,5,0,1) : ", 0), 0u);
}

TEST_F(Residual2DTest, UnsetScaleEndsTheRunAfterTheCellLines) {
    Equation = 1;
    exactEquation(0);
    NormResidual[1] = 0.0;  // every defect is above the limit 0
    source[3][3][0] += 3.0;
    EXPECT_EQ(exitCodeOf(Residual2D), -8);
    const auto lines = readLines("boogie");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Iter: 1, Large residual for f(3,3,0,1) : 3.000000e+00");
    EXPECT_EQ(lines[3], "Error residual not set");
}

// The routines that open the log end the run when they cannot.
struct LogCase {
    const char* name;
    void (*run)();
};

class UnopenableLog : public Solver2D, public ::testing::WithParamInterface<LogCase> {};

TEST_P(UnopenableLog, EndsWithMinusThree) {
    grid(5, 4);
    Equation = 4;
    NormResidual[4] = 1.0;
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(GetParam().run), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

INSTANTIATE_TEST_SUITE_P(Routines, UnopenableLog,
                         ::testing::Values(LogCase{"PressureCorrection", pressure_correction2D},
                                           LogCase{"SimpleCorrections", SimpleCorrections2D},
                                           LogCase{"BlockCorrection", BlockCorrection2D},
                                           LogCase{"Residual", Residual2D}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
