// Pressure forms on centre levels (F 46 7, 9, 10): the level search, the
// column Froude number, forms 9 and 10 at Froude numbers 0 and 1 and between,
// form 7 and its central fall-backs, and the forms on blocks of i-planes.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/kread.h"
#include "control/readers.h"
#include "run/reset.h"
#include "flow3d/flow3d.h"
#include "flow3d/pressure_forms.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int X = 5, Y = 5, Z = 5;

class LevelPressure : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        defaults();
    }
    void TearDown() override {
        defaults();
        resetEngine();
    }
    static void defaults() {
        setParameterDefaults();
        setRecordDefaults();
        NoProcessesSolver = 0;
        MBNo = 0;
    }
    // A bed falling steeply along i and gently along j, layers that thicken
    // upwards and across, and a pressure that is no plane, so that the
    // levels of the neighbour columns and their interpolated pressures differ
    // from those of the same k.
    static void slopingGrid(int z = Z) {
        SetArraysZero();
        allocateGrid(X, Y, z);
        fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 0.6}; },
                 [z](int i, int j, int k) {
                     const double depth = 1.0 + 0.05 * j;
                     return 0.4 * (X - i) + 0.1 * j + depth * std::pow((k - 1.0) / (z - 1.0), 1.3);
                 });
        metric();
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 0; k <= z + 1; ++k) {
                    Pres[i][j][k] = 9810.0 * (3.0 - 0.4 * k) + 50.0 * std::sin(1.1 * i + 0.3 * j * k);
                    OBlok[i][j][k] = 1;
                }
    }
    static double sourceAt(int eq, int i, int j, int k) {
        Equation = eq;
        std::fill(source.data(), source.data() + source.size(), 0.0);
        pressure_source();
        return source[i][j][k];
    }
};

double zc(int a, int b, int k) { return cellCentreLevel(a, b, k); }

// The search from k = 3: interpolation between the centres about the level,
// exact at a centre, extrapolated below the second centre and above the top
// centre (the forms lower the level to the top centre of the column they
// search, which then gives its top-cell pressure); form 7 weighs by the
// upper cell alone.
TEST_F(LevelPressure, LevelSearch) {
    slopingGrid();
    const int a = 3, b = 4;
    auto P = [](int k) { return Pres[3][4][k]; };
    auto dz = [](int k) { return m_dist_z[3][4][k]; };
    const double mid = 0.25 * zc(a, b, 3) + 0.75 * zc(a, b, 4);
    const double wMid = (zc(a, b, 4) - mid) / (dz(4) + dz(3));
    const double below = zc(a, b, 2) - 0.1;
    const double wBelow = (zc(a, b, 3) - below) / (dz(3) + dz(2));
    const struct {
        const char* name;
        double z;
        bool form7;
        double want;
    } cases[] = {
        {"between centres 3 and 4", mid, false, wMid * P(3) + (1.0 - wMid) * P(4)},
        {"at centre 3", zc(a, b, 3), false, P(3)},
        {"at centre 2", zc(a, b, 2), false, (zc(a, b, 3) - zc(a, b, 2)) / (dz(3) + dz(2)) * P(2) +
                                                 (1.0 - (zc(a, b, 3) - zc(a, b, 2)) / (dz(3) + dz(2))) * P(3)},
        {"below centre 2: extrapolated", below, false, wBelow * P(2) + (1.0 - wBelow) * P(3)},
        {"at the top centre", zc(a, b, Z), false, P(Z)},
        {"above the top centre: extrapolated from the top two", zc(a, b, Z) + 3.0, false,
         -3.0 / (dz(Z) + dz(Z - 1)) * P(Z - 1) + (1.0 + 3.0 / (dz(Z) + dz(Z - 1))) * P(Z)},
        {"form 7 between centres 3 and 4", mid, true,
         0.5 * (zc(a, b, 4) - mid) / dz(4) * P(3) + (1.0 - 0.5 * (zc(a, b, 4) - mid) / dz(4)) * P(4)},
        {"form 7 at the top centre", zc(a, b, Z), true, P(Z)},
    };
    for (const auto& c : cases) EXPECT_NEAR(levelPressure(a, b, c.z, c.form7), c.want, 1e-9) << c.name;
    EXPECT_GT(wBelow, 1.0);
}

// The column Froude number takes the mean of u^2 + v^2 over the cells it
// counts: uniform flows of Froude number 0.3 and 0.5 on ten layers are
// subcritical; a bed wall ends the column.
TEST_F(LevelPressure, ColumnFroudeNumber) {
    const int layers = 10;
    slopingGrid(layers + 1);
    const int i = 3, j = 3;
    double depth = 0.0;
    for (int k = 2; k <= layers + 1; ++k) depth += 2.0 * m_dist_z[i][j][k];
    for (double Fr : {0.3, 0.5, 1.5}) {
        const double U = Fr * std::sqrt(9.81 * depth);
        for (int k = 2; k <= layers + 1; ++k) {
            xvel[i][j][k] = 0.8 * U;
            yvel[i][j][k] = 0.6 * U;
        }
        EXPECT_NEAR(columnFroude2(i, j), Fr * Fr, 1e-12) << Fr;
    }
    // Only the cells above a bed wall (it included) count.
    WallK[i][j][6] = 1;
    for (int k = 2; k <= 5; ++k) xvel[i][j][k] = yvel[i][j][k] = 100.0;
    double upper = 0.0;
    for (int k = 6; k <= layers + 1; ++k) upper += 2.0 * m_dist_z[i][j][k];
    EXPECT_NEAR(columnFroude2(i, j), 2.25 * depth / upper, 1e-12);
}

// Forms 9 and 10 at cell (3, 3, 3) with the column Froude number set to 0,
// 1 exactly and 0.09 (one layer counted: a bed wall in the top cell, whose
// half height makes 19.62 h + 1e-30 exactly 4 with u = 2).
TEST_F(LevelPressure, FroudeForms) {
    const int i = 3, j = 3, k = 3;
    auto setFroude = [&](double Fr2) {
        WallK[i][j][Z] = 1;
        double h = 4.0 / 19.62;
        while (19.62 * h + 1e-30 < 4.0) h = std::nextafter(h, 1.0);
        while (19.62 * h + 1e-30 > 4.0) h = std::nextafter(h, 0.0);
        ASSERT_EQ(19.62 * h + 1e-30, 4.0);
        m_dist_z[i][j][Z] = h;
        xvel[i][j][Z] = 2.0 * std::sqrt(Fr2);
        yvel[i][j][Z] = 0.0;
        ASSERT_NEAR(columnFroude2(i, j), Fr2, 1e-15);
        if (Fr2 == 1.0) {
            ASSERT_EQ(columnFroude2(i, j), 1.0);
        }
    };
    auto levelDx = [&] {
        const double z = std::min(std::min(std::max(std::max(zc(i, j, k), zc(i + 1, j, 2)), zc(i - 1, j, 2)),
                                           zc(i + 1, j, Z)),
                                  zc(i - 1, j, Z));
        return levelPressure(i + 1, j, z, false) - levelPressure(i - 1, j, z, false);
    };
    auto levelDy = [&] {
        const double z = std::min(std::min(std::max(std::max(zc(i, j, k), zc(i, j + 1, 2)), zc(i, j - 1, 2)),
                                           zc(i, j + 1, Z)),
                                  zc(i, j - 1, Z));
        return levelPressure(i, j + 1, z, false) - levelPressure(i, j - 1, z, false);
    };
    const struct {
        int form;
        double Fr2;
        const char* dx;  // "level", "central" or "blend"
        bool dz;
    } cases[] = {
        {9, 0.0, "level", false},  {9, 1.0, "level", true},   {10, 0.0, "level", false},
        {10, 1.0, "central", true}, {10, 0.09, "blend", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("form " + std::to_string(c.form) + " Fr2 " + std::to_string(c.Fr2));
        slopingGrid();
        setFroude(c.Fr2);
        FlagPresGrad = c.form;
        const double central = Pres[i + 1][j][k] - Pres[i - 1][j][k];
        double Dx = levelDx();
        if (std::string(c.dx) == "central") Dx = central;
        if (std::string(c.dx) == "blend") Dx = (1.0 - c.Fr2) * Dx + c.Fr2 * central;
        const double Dz = c.dz ? Pres[i][j][k + 1] - Pres[i][j][k - 1] : 0.0;
        for (int eq : {1, 2}) {
            const int e = eq - 1;
            const double Sx = m_ar_x[i][j][k] * m_vec_x[i][j][e] + m_ar_x[i - 1][j][k] * m_vec_x[i - 1][j][e];
            const double Sy = m_ar_y[i][j][k] * m_vec_y[i][j][e] + m_ar_y[i][j - 1][k] * m_vec_y[i][j - 1][e];
            const double Sz = m_ar_z[i][j][k] * m_vec_z[i][j][k][e] + m_ar_z[i][j][k - 1] * m_vec_z[i][j][k - 1][e];
            EXPECT_NEAR(sourceAt(eq, i, j, k), -0.25 * (Sx * Dx + Sy * levelDy() + Sz * Dz), 1e-8) << eq;
        }
        EXPECT_NEAR(sourceAt(3, i, j, k), -0.5 * m_armap[i][j] * (Pres[i][j][k + 1] - Pres[i][j][k - 1]), 1e-8);
    }
    // A supercritical column takes the differences of form 1; a threaded run
    // computes what a serial run computes.
    slopingGrid();
    setFroude(1.21);
    FlagPresGrad = 1;
    const double form1 = sourceAt(1, i, j, k);
    FlagPresGrad = 9;
    EXPECT_NEAR(sourceAt(1, i, j, k), form1, 1e-9);
    setFroude(0.0);
    const double subcritical = sourceAt(1, i, j, k);
    EXPECT_GT(std::fabs(subcritical - form1), 1.0);
    NoProcessesSolver = 2;
    EXPECT_EQ(sourceAt(1, i, j, k), subcritical);
}

// A cell whose level lies above the top centre of the column beyond takes
// that column's top-cell pressure: the bed falls along i by more than a depth
// per cell, so the interior cell (4, 3, Z) is levelled down to the top centre
// of column 5 and the pressure of column 3 is extrapolated to it.
TEST_F(LevelPressure, AboveTheNeighbourTop) {
    SetArraysZero();
    allocateGrid(X, Y, Z);
    fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 0.6}; },
             [](int i, int, int k) { return 2.0 * (X - i) + 0.25 * (k - 1); });
    metric();
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) {
                Pres[i][j][k] = 100.0 * i + 10.0 * k * k + j;
                OBlok[i][j][k] = 1;
            }
    FlagPresGrad = 9;
    const int i = 4, j = 3, k = Z;
    ASSERT_GT(zc(i, j, k), zc(i + 1, j, Z) + 1.0);
    const double z = zc(i + 1, j, Z);
    EXPECT_EQ(levelPressure(i + 1, j, z, false), Pres[i + 1][j][Z]);
    const double Dx = Pres[i + 1][j][Z] - levelPressure(i - 1, j, z, false);
    const double Sx = m_ar_x[i][j][k] * m_vec_x[i][j][0] + m_ar_x[i - 1][j][k] * m_vec_x[i - 1][j][0];
    EXPECT_NEAR(sourceAt(1, i, j, k), -0.25 * Sx * Dx, 1e-9);
}

// Form 7: levelled differences with its own weight, the central difference
// in the top cell and beside a blocked bed cell, the backward difference
// under a wall on the high face of the cell below; no vertical term in u and v.
TEST_F(LevelPressure, Form7) {
    const int i = 3, j = 3;
    auto levelled = [&](int k, bool alongI) {
        const int di = alongI ? 1 : 0, dj = alongI ? 0 : 1;
        const double z = std::min(std::min(std::max(std::max(zc(i, j, k), zc(i + di, j + dj, 2)), zc(i - di, j - dj, 2)),
                                           zc(i + di, j + dj, Z)),
                                  zc(i - di, j - dj, Z));
        return levelPressure(i + di, j + dj, z, true) - levelPressure(i - di, j - dj, z, true);
    };
    auto P = [](int a, int b, int k) { return Pres[a][b][k]; };
    const struct {
        const char* name;
        int k;
        std::function<void()> set;
        std::function<double()> Dx, Dy;
    } cases[] = {
        {"levelled", 3, [] {}, [&] { return levelled(3, true); }, [&] { return levelled(3, false); }},
        {"top cell: central in i only", Z, [] {}, [&] { return P(i + 1, j, Z) - P(i - 1, j, Z); },
         [&] { return levelled(Z, false); }},
        {"blocked bed cell: central", 3, [&] { OBlok[i][j][2] = 0; }, [&] { return P(i + 1, j, 3) - P(i - 1, j, 3); },
         [&] { return P(i, j + 1, 3) - P(i, j - 1, 3); }},
        {"blocked bed cell beyond: central in i", 3, [&] { OBlok[i + 1][j][2] = 0; },
         [&] { return P(i + 1, j, 3) - P(i - 1, j, 3); }, [&] { return levelled(3, false); }},
        {"wall above the cell below", 3, [&] { WallI[i][j][2] = -1; }, [&] { return 2.0 * (P(i, j, 3) - P(i - 1, j, 3)); },
         [&] { return levelled(3, false); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        slopingGrid();
        FlagPresGrad = 7;
        c.set();
        for (int e = 0; e < 2; ++e) {
            const double Sx = m_ar_x[i][j][c.k] * m_vec_x[i][j][e] + m_ar_x[i - 1][j][c.k] * m_vec_x[i - 1][j][e];
            const double Sy = m_ar_y[i][j][c.k] * m_vec_y[i][j][e] + m_ar_y[i][j - 1][c.k] * m_vec_y[i][j - 1][e];
            EXPECT_NEAR(sourceAt(e + 1, i, j, c.k), -0.25 * (Sx * c.Dx() + Sy * c.Dy()), 1e-8) << e;
        }
    }
}

// Each form on blocks of i-planes gives the whole-grid source bit for bit.
TEST_F(LevelPressure, BlocksGiveTheWholeGrid) {
    slopingGrid();
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) {
                xvel[i][j][k] = 0.3 * i;
                yvel[i][j][k] = 0.2;
            }
    WallI[3][3][3] = -1;
    WallJ[4][Y][3] = 1;
    OBlok[4][3][2] = 0;
    for (int form : {7, 9, 10})
        for (int eq = 1; eq <= 3; ++eq) {
            SCOPED_TRACE(std::to_string(form) + " " + std::to_string(eq));
            FlagPresGrad = form;
            Equation = eq;
            std::fill(source.data(), source.data() + source.size(), 0.0);
            levelPressureForm();
            const std::vector<double> whole(source.data(), source.data() + source.size());
            std::fill(source.data(), source.data() + source.size(), 0.0);
            for (auto [first, last] : {std::pair{2, 3}, {4, 4}, {5, X}}) levelPressureFormPlanes(first, last);
            EXPECT_EQ(std::vector<double>(source.data(), source.data() + source.size()), whole);
            for (double s : whole) ASSERT_TRUE(std::isfinite(s));
        }
}

}  // namespace
