// Pressure force of the plane: uniform and linear pressures, the rules of
// the one-sided differences, the joins of the two-block fixture.
#include <cmath>
#include <functional>
#include <string>

#include "surface2d/surface2d.h"
#include "surface2d/terms_fixture.h"

using namespace plane2dtest;
using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

class PressureSource2D : public TermsTest {
protected:
    // The source that pressure_source2D adds to equation eq (from a source of 7).
    static void run(int eq) {
        Equation = eq;
        forInterior([](int i, int j) { source[i][j][0] = 7.0; });
        pressure_source2D();
    }
    static double added(int i, int j) { return source[i][j][0] - 7.0; }
    static void walls() {
        WallI[3][3][2] = 1;
        WallI[5][4][2] = -1;
        WallJ[4][3][2] = 1;
        WallJ[4][5][2] = -1;
        WallJ[6][2][2] = -1;
    }
};

// The grids: 0 a single block, else MBStart of the two-block fixture.
class OnGrids : public PressureSource2D, public ::testing::WithParamInterface<int> {};
class OnJoins : public PressureSource2D, public ::testing::WithParamInterface<int> {};

TEST_P(OnGrids, UniformPressureAddsNothing) {
    {
        const int start = GetParam();
        if (start == 0) {
            box(8, 7);
            walls();
        } else {
            twoBlockPlane(start);
        }
        fill(Pres, 2500.0);
        for (int eq : {1, 2}) {
            run(eq);
            forInterior([&](int i, int j) { EXPECT_EQ(added(i, j), 0.0) << start << " " << eq << " " << i << "," << j; });
        }
    }
}

// P = c i adds -c times the i-face area to every u source, the first and
// last cells and the cells at walls included, and nothing to v; P = c j
// likewise along j.
TEST_F(PressureSource2D, LinearPressureGivesTheGradientTimesTheFaceArea) {
    box(8, 7);
    walls();
    const double c = 30.0;
    fill(Pres, [c](int i, int) { return c * i; });
    run(1);
    forInterior([&](int i, int j) { EXPECT_NEAR(added(i, j), -c * iArea(), 1e-9) << i << "," << j; });
    run(2);
    forInterior([&](int i, int j) { EXPECT_NEAR(added(i, j), 0.0, 1e-9) << i << "," << j; });
    fill(Pres, [c](int, int j) { return c * j; });
    run(2);
    forInterior([&](int i, int j) { EXPECT_NEAR(added(i, j), -c * jArea(), 1e-9) << i << "," << j; });
}

// P = j^2 tells the three differences apart: forward 2j + 1, backward
// 2j - 1, central 2j. In a single block the first cell of a line goes
// forward before a wall on its high face is looked at; with attached blocks
// the wall flags come first.
struct RuleCase {
    const char* name;
    int i, j;
    int wallJ;  // flag set at (i, j)
    bool joined;
    double difference;
};
const RuleCase kRules[] = {
    {"FirstCellForward", 4, 2, 0, false, 5},       {"LastCellBackward", 4, 7, 0, false, 13},
    {"CentralInside", 4, 4, 0, false, 8},          {"WallBelowForward", 4, 4, 1, false, 9},
    {"WallAboveBackward", 4, 4, -1, false, 7},     {"FirstCellBeforeWall", 4, 2, -1, false, 5},
    {"BlocksWallFirst", 12, 2, -1, true, 3},       {"BlocksLastCellBackward", 12, 4, 0, true, 7},
};

class JRules : public PressureSource2D, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(JRules, PickTheDifference) {
    const RuleCase& r = GetParam();
    if (r.joined)
        twoBlockPlane(3);  // the side block's cells (12, j) have no partners
    else
        box(8, 7);
    WallJ[r.i][r.j][2] = r.wallJ;
    fill(Pres, [](int, int j) { return double(j * j); });
    // The side block's j-lines run along x, the main block's along y.
    const int c = r.joined ? 0 : 1;
    run(c + 1);
    const double Sj = r.joined ? m_ar_y[r.i][r.j][0] * m_vec_y[r.i][r.j][c]
                               : 0.5 * (m_ar_y[r.i][r.j][0] * m_vec_y[r.i][r.j][c] +
                                        m_ar_y[r.i][r.j - 1][0] * m_vec_y[r.i][r.j - 1][c]);
    ASSERT_GT(std::fabs(Sj), 0.1);
    EXPECT_NEAR(added(r.i, r.j), -r.difference * Sj, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Table, JRules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

// Across a join the host cell takes its partner for the missing
// j-neighbour, the partner takes its host for the missing i-neighbour, each
// with half the difference and its high face.
TEST_P(OnJoins, JoinedCellsTakeTheirPartners) {
    {
        const int start = GetParam();
        twoBlockPlane(start);
        const int Y = ynumber, jm = start >= 0 ? 2 : Y;
        for (int i = 2; i <= xnumber; ++i) {
            const int* B = start >= 0 ? &Pj1MultiBlock[i][0] : &Pj2MultiBlock[i][0];
            if (B[0] == 0) continue;
            fill(Pres, 0.0);
            Pres[B[0]][B[1]][0] = 40.0;
            run(2);
            // Host: (P(i,3) - P(B)) / 2 on wall 1, (P(B) - P(i,Y-1)) / 2 on wall Y.
            const double dj = start >= 0 ? -20.0 : 20.0;
            EXPECT_NEAR(added(i, jm), -dj * m_ar_y[i][jm][0] * m_vec_y[i][jm][1], 1e-12) << start << " " << i;
            fill(Pres, 0.0);
            Pres[i][jm][0] = 40.0;
            run(2);
            const double Si = m_ar_x[B[0]][B[1]][0] * m_vec_x[B[0]][B[1]][1];  // along y
            EXPECT_NEAR(added(B[0], B[1]), 20.0 * Si, 1e-12) << start << " " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, OnGrids, ::testing::Values(0, 3, -3));
INSTANTIATE_TEST_SUITE_P(Grids, OnJoins, ::testing::Values(3, -3));

TEST_F(PressureSource2D, AnotherEquationEndsTheRun) {
    box(4, 4);
    Equation = 5;
    EXPECT_EQ(exitCodeOf(pressure_source2D), -8);
    EXPECT_EQ(readLines("boogie").back(), "Error in pressure_source2D, Equation = 5");
}

}  // namespace
