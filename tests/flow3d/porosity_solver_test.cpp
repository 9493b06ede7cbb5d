// Pressure of porous cells (F 133) in the corrections, and the `porosity`
// file that porbed writes from scattered bed points.
#include <cmath>
#include <string>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/kread.h"
#include "run/reset.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/porous.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int X = 6, Y = 4, Z = 5;

class PorousPressure : public EngineTest {
protected:
    void TearDown() override { resetEngine(); }

    // Box of 1 m x 0.5 m x 0.25 m cells, pressure 1000 + 10 x (x of the cell
    // centre), p' = 1 everywhere, relaxation 0.5.
    static void box(bool vegetation) {
        setParameterDefaults();
        FlagDragDLL = vegetation ? 1 : 0;
        boxGrid(X, Y, Z, 1.0, 0.5, 0.25);
        metric();
        std::filesystem::remove("boogie");
        relaxPressure = 0.5;
        Plimit = 0.5;
        Pnloops = 2;
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 0; k <= Z + 1; ++k) {
                    Pres[i][j][k] = linear(i);
                    invAP[i][j][k] = 1.0;
                    f[i][j][k] = 1.0;
                    if (vegetation) Porosity[i][j][k] = 0.2;
                }
    }
    static double linear(int i) { return 1000.0 + 10.0 * (i - 1.5); }
};

// Cells above Plimit take the porous solve, which reproduces a linear
// pressure field from symmetric neighbours; cells below take p'; a cell at
// Plimit keeps its pressure. Porous cells in the end planes couple to a
// ghost pressure equal to their own.
TEST_F(PorousPressure, CellsByTheirPorosity) {
    box(true);
    Porosity[4][3][3] = 0.9;
    Pres[4][3][3] = 0.0;
    Porosity[2][4][5] = 0.5;
    Porosity[2][2][2] = 0.9;
    Porosity[X][3][4] = 0.9;
    SimpleCorrections();
    EXPECT_NEAR(Pres[4][3][3], linear(4) + 0.5, 1e-9);
    EXPECT_EQ(Pres[2][4][5], linear(2));
    EXPECT_EQ(Pres[3][2][2], linear(3) + 0.5);
    EXPECT_EQ(Pres[5][4][5], linear(5) + 0.5);
    EXPECT_EQ(Pres[1][2][2], linear(2));  // the porous cell's own pressure as the solve starts
    EXPECT_EQ(Pres[X + 1][3][4], linear(X));
    EXPECT_NE(Pres[2][2][2], linear(2));
    EXPECT_EQ(Pres[1][3][3], linear(1));  // no porous cell there: the ghost stays
    EXPECT_EQ(Pres[X + 1][2][2], linear(X + 1));
}

// Without vegetation Porosity is absent and counts as 0: every cell takes p'.
TEST_F(PorousPressure, AbsentPorosityCountsAsZero) {
    box(false);
    ASSERT_TRUE(Porosity.isNull());
    SimpleCorrections();
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                ASSERT_EQ(Pres[i][j][k], linear(i) + 0.5) << i << j << k;
                ASSERT_EQ(ae[i][j][k] + aw[i][j][k] + an[i][j][k] + as[i][j][k] + wat[i][j][k] + wab[i][j][k], 0.0);
            }
}

// porbed on a 3 x 3 node grid: column (2, 2) centred at (0.5, 0.25) with a
// radius of 0.25 sqrt(2.5) holds four points 0.1..0.4 above its flat bed;
// the others hold none.
class Porbed : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setParameterDefaults();
        FlagBedPoros = 1;
        boxGrid(3, 3, 3, 1.0, 0.5, 0.5);
        metric();
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j) Xks[i][j] = 0.01;
        std::filesystem::remove("boogie");
    }
    void TearDown() override { resetEngine(); }
};

TEST_F(Porbed, RecordsReadBackByThePorosityReader) {
    writeFile("geodata", "E 0.5 0.25 0.1\nE 0.45 0.25 0.2\nE 0.5 0.3 0.3\nE 0.55 0.2 0.4\nE 1.5 0.25 7\n"
                         "N\nE 0.5 0.25 3.0\n");
    ASSERT_EQ(porbed(), 0);
    EXPECT_EQ(readFile("boogie.por"), "NoGeo: 5\nNoGeo: 5\n");
    Equation = 7;
    extra_source();
    const double N = 4.0, levels[] = {0.0, 0.132, 0.268, 0.4};
    const double porosities[] = {MinPorosity, 1.0 - 0.8 * (1.0 - 1.0 / (N + 0.5)), 1.0 - 0.8 * (1.0 - 2.0 / (N + 0.5)),
                                 1.0};
    for (int m = 0; m < 4; ++m) {
        EXPECT_NEAR(LevPorosBed[2][2][m], levels[m], 1e-6) << m;
        EXPECT_NEAR(PorosityBed[2][2][m], porosities[m], 1e-6) << m;
        EXPECT_NEAR(LevPorosBed[3][3][m], 0.0, 1e-6) << m;  // no point: four equal levels
    }
    EXPECT_NEAR(PorosityBed[3][3][1], MinPorosity, 1e-6);  // 1 - 0.8 raised to MinPorosity
    EXPECT_NEAR(LevPorosBed[3][2][3], 7.0, 1e-6);  // the point of column (3, 2)
}

TEST_F(Porbed, FailuresReturnMinusOne) {
    EXPECT_EQ(porbed(), -1);
    EXPECT_EQ(readFile("boogie.por"), "Could not open file geodata\n");

    writeFile("geodata", "E 0.5 0.25 0.1\n");
    for (int j = 1; j <= 2; ++j) xval[2][j] = xval[1][j];  // column (2, 2) has no plan area
    for (int j = 1; j <= 2; ++j) yval[2][j] = yval[1][j];
    EXPECT_EQ(porbed(), -1);
    EXPECT_EQ(readFile("boogie.por"), "NoGeo: 1\nNoGeo: 1\nError for i,j=2 2\nError for i,j=2 2\n");
}

}  // namespace
