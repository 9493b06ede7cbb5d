// Pressure-gradient source: the force of linear pressures in every form, the
// order of the end and wall tests, the joints of the multi-block form, the
// choice of form and the equations it accepts.
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

using CellFn = std::function<double(int i, int j, int k)>;

class PressureSource : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        defaults();
    }
    void TearDown() override { defaults(); }
    static void defaults() {
        MBNo = 0;
        FlagPresGrad = 1;
        NoProcessesSolver = 0;
    }
    static constexpr double dx = 1.0, dy = 0.5, dz = 0.25;
    static void box(int X, int Y, int Z) {
        boxGrid(X, Y, Z, dx, dy, dz);
        metric();
    }
    static void setPressure(const CellFn& p) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) Pres[i][j][k] = p(i, j, k);
    }
    // `source` of every interior cell after one call for the equation, from zero.
    static std::vector<double> sourceOf(int equation) {
        std::vector<double> out;
        Equation = equation;
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) source[i][j][k] = 0.0;
        pressure_source();
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) out.push_back(source[i][j][k]);
        return out;
    }
};

struct Form {
    const char* name;
    int presGrad, threads, blocks;
};

const Form kForms[] = {
    {"form 1", 1, 0, 0},
    {"general form", 2, 0, 0},
    {"form 8", 8, 0, 0},
    {"threaded form 1", 8, 2, 0},
    {"multi-block form", 1, 0, 1},
    {"form 7", 7, 0, 0},
    {"form 9", 9, 0, 0},
    {"form 10", 10, 0, 0},
};

// A pressure a x + b y + c z gives -a V, -b V, -c V to u, v and w in every
// cell, the end cells, the cells beside walls and the last cells whose low
// face is a wall included; a uniform pressure gives nothing.
TEST_F(PressureSource, LinearPressureGivesMinusGradientTimesVolume) {
    const int X = 5, Y = 5, Z = 5;
    const double V = dx * dy * dz;
    const struct {
        double a, b, c;
    } pressures[] = {{0.0, 0.0, 0.0}, {0.0, 0.0, -9810.0}, {30.0, -20.0, 50.0}};
    box(X, Y, Z);
    WallI[3][3][3] = 1;
    WallI[4][4][4] = -1;
    WallJ[3][3][4] = -1;
    WallJ[4][Y][3] = 1;  // last cell of its line with a low-face wall
    WallK[3][4][3] = -1;
    WallK[4][3][Z] = 1;
    for (const Form& f : kForms)
        for (const auto& p : pressures) {
            SCOPED_TRACE(std::string(f.name) + " a " + std::to_string(p.a) + " b " + std::to_string(p.b) + " c " +
                         std::to_string(p.c));
            FlagPresGrad = f.presGrad;
            NoProcessesSolver = f.threads;
            MBNo = f.blocks;
            setPressure([&p](int i, int j, int k) {
                return p.a * (i - 1.5) * dx + p.b * (j - 1.5) * dy + p.c * (k - 1.5) * dz;
            });
            const double want[] = {-p.a * V, -p.b * V, -p.c * V};
            for (int e = 1; e <= 3; ++e) {
                const std::vector<double> s = sourceOf(e);
                for (size_t n = 0; n < s.size(); ++n)
                    ASSERT_NEAR(s[n], want[e - 1], 1e-12 * 10000.0 * V) << "equation " << e << " cell " << n;
            }
        }
}

// The low end is tested before the high end: a cell at the start of a line
// whose high face is a wall takes the forward difference. P = n^4 along the
// line tells the differences apart.
TEST_F(PressureSource, LowEndComesBeforeAHighFaceWall) {
    const int X = 5, Y = 5, Z = 5;
    const double Sx = 2.0 * dy * dz, Sy = 2.0 * dx * dz, plan = dx * dy;
    auto p4 = [](int n) { return double(n) * n * n * n; };
    const struct {
        const char* name;
        int presGrad, equation;
        CellFn pressure;
        std::function<void()> wall;
        double want;
    } cases[] = {
        // form 1 in i: 2 (P3 - P2) = 130
        {"i, form 1", 1, 1, [&](int i, int, int) { return p4(i); }, [] { WallI[2][3][3] = -1; },
         -0.25 * Sx * 2.0 * (81.0 - 16.0)},
        // general form in j: 4 P3 - 3 P2 - P4 = 20 (the backward 3 P2 - 4 P1 + P0 would be 44)
        {"j, general form", 2, 2, [&](int, int j, int) { return p4(j); }, [] { WallJ[3][2][3] = -1; },
         -0.25 * Sy * 20.0},
        // general form in k, for w: the second-order forward difference again
        {"k, general form", 2, 3, [&](int, int, int k) { return p4(k); }, [] { WallK[3][3][2] = -1; },
         -0.5 * plan * 20.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetArraysZero();
        box(X, Y, Z);
        FlagPresGrad = c.presGrad;
        setPressure(c.pressure);
        c.wall();
        sourceOf(c.equation);
        EXPECT_NEAR(source[3 - (c.equation == 1)][3 - (c.equation == 2)][3 - (c.equation == 3)], c.want, 1e-9);
    }
}

// Multi-block form: the j wall flags before the ends, the partner's pressure
// across a joint, and the seam before the partner in i.
TEST_F(PressureSource, MultiBlockJointsAndWalls) {
    const int X = 7, Y = 4, Z = 4, k = 3;
    box(X, Y, Z);
    MBNo = 1;
    setPressure([](int i, int j, int kk) { return 10.0 * i * i + 3.0 * j * j * j + kk; });
    auto P = [k](int i, int j) { return Pres[i][j][k]; };
    Pj1MultiBlock[3][0] = 6;  // column 3 joins cell (6, 4) across wall j = 1
    Pj1MultiBlock[3][1] = 4;
    Pj2MultiBlock[4][0] = 6;  // column 4 joins cell (6, 2) across wall j = Y
    Pj2MultiBlock[4][1] = 2;
    Pi1MultiBlock[6][3][0] = 5;  // cell (6, 3) faces host cell (5, 2)
    Pi1MultiBlock[6][3][1] = 2;
    Pi1MultiBlock[5][3][0] = 2;  // a partner behind a seam is not reached
    Pi1MultiBlock[5][3][1] = 2;
    ISkjotMB[5] = 1;
    WallJ[5][2][k] = -1;  // a wall on the high face of a cell at j = 2
    const double Ay = dx * dz, Ax = dy * dz;
    sourceOf(2);
    EXPECT_NEAR(source[3][2][k], -Ay * 0.5 * (P(3, 3) - P(6, 4)), 1e-9);
    EXPECT_NEAR(source[4][Y][k], -Ay * 0.5 * (P(6, 2) - P(4, Y - 1)), 1e-9);
    EXPECT_NEAR(source[5][2][k], -Ay * (P(5, 2) - P(5, 1)), 1e-9);
    EXPECT_NEAR(source[2][2][k], -Ay * (P(2, 3) - P(2, 2)), 1e-9);
    EXPECT_NEAR(source[2][3][k], -Ay * 0.5 * (P(2, 4) - P(2, 2)), 1e-9);
    sourceOf(1);
    EXPECT_NEAR(source[6][3][k], -Ax * 0.5 * (P(7, 3) - P(5, 2)), 1e-9);
    EXPECT_NEAR(source[5][3][k], -Ax * (P(5, 3) - P(4, 3)), 1e-9);
    EXPECT_NEAR(source[4][3][k], -Ax * 0.5 * (P(5, 3) - P(3, 3)), 1e-9);
}

// MBNo above 0 takes the multi-block form whatever F 46 and F 206 say;
// F 46 chooses among the single-block forms with and without threads.
TEST_F(PressureSource, ChoiceOfForm) {
    // On a rotated, sloping grid the three forms differ.
    rotatedGrid(6, 5, 5, 1.3, 0.7, 30.0, [](int i, int j, int k) { return 0.1 * i - 0.05 * j * j + 0.3 * (k - 1) * (1 + 0.1 * i); });
    metric();
    setPressure([](int i, int j, int k) { return std::sin(1.3 * i) + std::cos(0.7 * j * k) + 0.1 * i * j * k; });
    const std::vector<double> form1 = sourceOf(2);
    FlagPresGrad = 2;
    const std::vector<double> general = sourceOf(2);
    MBNo = 1;
    const std::vector<double> blocks = sourceOf(2);
    EXPECT_NE(form1, general);
    EXPECT_NE(form1, blocks);
    for (int code = 1; code <= 20; ++code) {
        SCOPED_TRACE(code);
        FlagPresGrad = code;
        for (int threads : {0, 2}) {
            NoProcessesSolver = threads;
            EXPECT_EQ(sourceOf(2), blocks);
        }
        // F 46 chooses the single-block form with threads too.
        MBNo = 0;
        NoProcessesSolver = 0;
        const std::vector<double> serial = sourceOf(2);
        NoProcessesSolver = 2;
        EXPECT_EQ(sourceOf(2), serial);
        if (code == 1) {
            EXPECT_EQ(serial, form1);
        }
        MBNo = 1;
    }
    // The forms on centre levels are forms of their own, with threads too.
    MBNo = 0;
    NoProcessesSolver = 0;
    for (int code : {7, 9, 10}) {
        FlagPresGrad = code;
        NoProcessesSolver = 0;
        const std::vector<double> level = sourceOf(2);
        EXPECT_NE(level, form1) << code;
        EXPECT_NE(level, general) << code;
        NoProcessesSolver = 2;
        EXPECT_EQ(sourceOf(2), level) << code;
    }
}

// An equation other than u, v and w ends the run.
TEST_F(PressureSource, OtherEquationsEndTheRun) {
    box(4, 4, 4);
    for (int e : {0, 4, 5}) {
        SCOPED_TRACE(e);
        std::filesystem::remove("boogie");
        EXPECT_EQ(exitCodeOf([e] { sourceOf(e); }), -8);
        EXPECT_EQ(readFile("boogie"), "Error in pressure_source, Equation = " + std::to_string(e) + "\n");
    }
}

}  // namespace
