// Shear production and dissipation of k and epsilon in the plane.
#include <cmath>
#include <filesystem>
#include <string>

#include "surface2d/surface2d.h"
#include "surface2d/terms_fixture.h"

using namespace plane2dtest;
using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

constexpr double kShear = 0.3;

class Turbulence2D : public TermsTest {
protected:
    static void pureShear() { shear(kShear); }
    static void run(int model, int eq) {
        TurbulenceModel = model;
        Equation = eq;
        turbulence2D();
    }
};

// On u = c y every interior cell produces V gama c^2; the rows give the
// destruction coefficient and the source of each model and equation.
struct ShearCase {
    const char* name;
    int model, eq;
    double wapPerVEpsOverK;    // wap / (V epsilon / k)
    double sourcePerProduction;  // source / (V gama c^2)
};
constexpr double kK = 0.004, kEps = 0.001;
const ShearCase kShears[] = {
    {"StandardK", 0, 5, 1000.0, 1.0},
    {"StandardEpsilon", 0, 6, 1920.0, 1.44 * 1.3 * kEps / kK},
    {"RngK", 1, 5, 1000.0, 0.719},
};

class PureShear : public Turbulence2D, public ::testing::WithParamInterface<ShearCase> {};

TEST_P(PureShear, GivesTheProductionOfTheShear) {
    box(7, 6);
    const ShearCase& c = GetParam();
    pureShear();
    fill(kinen, kK);
    fill(epsilon, kEps);
    fill(gama, [](int i, int j) { return 0.01 * (1 + i + j); });
    run(c.model, c.eq);
    forInterior([&](int i, int j) {
        const double P = volume() * gama[i][j][0] * kShear * kShear;
        EXPECT_NEAR(source[i][j][0], c.sourcePerProduction * P, 1e-12 * P) << i << "," << j;
        const double W = c.wapPerVEpsOverK * volume() * kEps / kK;
        EXPECT_NEAR(wap[i][j][0], W, 1e-12 * W) << i << "," << j;
    });
}

INSTANTIATE_TEST_SUITE_P(Table, PureShear, ::testing::ValuesIn(kShears),
                         [](const auto& info) { return std::string(info.param.name); });

// RNG epsilon: the strain rate of the shear is c, so eta = c k / epsilon;
// at eta = 4.38 the coefficient c2* is 1.68, at eta = 0 (no shear) too.
TEST_F(Turbulence2D, RngEpsilonTakesC2StarFromEta) {
    box(7, 6);
    pureShear();
    fill(gama, 0.05);
    fill(kinen, 4.38 * kEps / kShear);
    fill(epsilon, kEps);
    run(1, 6);
    const double k = 4.38 * kEps / kShear, P = volume() * 0.05 * kShear * kShear;
    EXPECT_NEAR(wap[4][3][0], 1000.0 * 1.68 * volume() * kEps / k, 1e-9);
    EXPECT_NEAR(source[4][3][0], P * 1.42 * 0.719 * kEps / k, 1e-12);
    // eta = 2: c2* = 1.68 + 0.085 * 8 * (1 - 2 / 4.38) / (1 + 0.012 * 8).
    fill(kinen, 2.0 * kEps / kShear);
    run(1, 6);
    const double c2 = 1.68 + 0.085 * 8.0 * (1.0 - 2.0 / 4.38) / (1.0 + 0.096);
    EXPECT_NEAR(wap[4][3][0], 1000.0 * c2 * volume() * kShear / 2.0, 1e-9);
}

// A uniform field produces nothing where the neighbours agree; the cells
// next to boundary cells of another velocity produce.
TEST_F(Turbulence2D, UniformFieldProducesOnlyAtDifferingBoundaries) {
    box(7, 6);
    fill(xvel, 0.8);
    fill(yvel, -0.2);
    fill(gama, 0.05);
    fill(kinen, kK);
    fill(epsilon, kEps);
    for (int j = 2; j <= ynumber; ++j) xvel[1][j][0] = 0.3;  // inflow of another speed
    run(0, 5);
    forInterior([](int i, int j) {
        if (i == 2)
            EXPECT_GT(source[i][j][0], 0.0) << j;
        else
            EXPECT_EQ(source[i][j][0], 0.0) << i << "," << j;
    });
}

// Without k the dissipation is 1000 V epsilon / 1e-20: large, finite.
TEST_F(Turbulence2D, NoKGivesTheGuardedDissipation) {
    box(7, 6);
    pureShear();
    fill(gama, 0.05);
    fill(epsilon, kEps);
    run(0, 5);
    EXPECT_DOUBLE_EQ(wap[3][3][0], 1000.0 * volume() * kEps / 1e-20);
    EXPECT_TRUE(std::isfinite(source[3][3][0]));
}

TEST_F(Turbulence2D, OtherModelsLeaveTheWorkspaceAlone) {
    box(7, 6);
    pureShear();
    fill(gama, 0.05);
    fill(wap, 3.0);
    fill(source, 4.0);
    for (int model : {2, 7, 15}) {
        run(model, 5);
        forPlane([](int i, int j) {
            EXPECT_EQ(wap[i][j][0], 3.0);
            EXPECT_EQ(source[i][j][0], 4.0);
        });
    }
}

// Across a join the host cell and its partner see each other, not the
// boundary cells behind the side wall nor the cell before the partner's
// row; the last row before the block seam takes the production of the row
// before it.
class Joined : public Turbulence2D, public ::testing::WithParamInterface<int> {};

TEST_P(Joined, CellsSeeTheirPartnersAndTheSeamRowCopies) {
    {
        const int start = GetParam();
        twoBlockPlane(start);
        fill(xvel, 0.5);
        fill(yvel, 0.25);
        fill(gama, 0.05);
        fill(kinen, kK);
        fill(epsilon, kEps);
        const int seam = MBSkjot[1], jm = start >= 0 ? 2 : ynumber, behind = start >= 0 ? 1 : ynumber + 1;
        for (int j = 2; j <= ynumber; ++j) xvel[seam][j][0] = 0.9;
        int joined = 0;
        for (int i = 2; i <= xnumber; ++i) {
            const int* B = start >= 0 ? &Pj1MultiBlock[i][0] : &Pj2MultiBlock[i][0];
            if (B[0] == 0) continue;
            xvel[i][behind][0] = yvel[i][behind][0] = 0.0;
            ++joined;
        }
        ASSERT_GT(joined, 0);
        run(0, 5);
        for (int i = 2; i <= xnumber; ++i) {
            const int* B = start >= 0 ? &Pj1MultiBlock[i][0] : &Pj2MultiBlock[i][0];
            if (B[0] == 0) continue;
            EXPECT_NEAR(source[i][jm][0], 0.0, 1e-15) << start << " " << i;
            EXPECT_NEAR(source[B[0]][B[1]][0], 0.0, 1e-15) << start << " " << i;
        }
        for (int j = 2; j <= ynumber; ++j) {
            EXPECT_EQ(source[seam][j][0], source[seam - 1][j][0]) << start << " " << j;
            EXPECT_GT(source[seam][j][0], 1e-6) << start << " " << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TwoBlocks, Joined, ::testing::Values(3, -3));

TEST_F(Turbulence2D, AnotherEquationEndsTheRunWithItsLine) {
    box(7, 6);
    Equation = 1;
    TurbulenceModel = 0;
    EXPECT_EQ(exitCodeOf(turbulence2D), -8);
    EXPECT_EQ(readLines("boogie").back(), "Error in turbulence calc., Equation = 1");
}

TEST_F(Turbulence2D, UnopenableLogEndsTheRun) {
    box(7, 6);
    std::filesystem::create_directory("boogie");
    fill(wap, 3.0);
    TurbulenceModel = 0;
    Equation = 5;
    EXPECT_EQ(exitCodeOf(turbulence2D), -3);
    EXPECT_EQ(wap[3][3][0], 3.0);
    EXPECT_EQ(std::string(mc_message), "cannot open file 'boogie' ");
}

}  // namespace
