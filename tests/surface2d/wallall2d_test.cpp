// Bed and wall laws of the plane: Manning's friction, the k-epsilon bed
// law for momentum, k and epsilon, the balance of a uniform column, exits.
#include <cmath>
#include <numbers>
#include <string>

#include "equations/workspace.h"
#include "surface2d/surface2d.h"
#include "surface2d/terms_fixture.h"

using namespace plane2dtest;
using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

constexpr double kKs = 0.05;

class WallAll2D : public TermsTest {
protected:
    void SetUp() override {
        TermsTest::SetUp();
            }
    double roughnessAfterGrid = 0.0;
    // The box of these tests, roughness kKs.
    void standard() {
        box(6, 5);
        roughness(kKs);
    }
    // Runs wallall2D on a workspace that holds other values.
    static void run(int model, int eq) {
        TurbulenceModel = model;
        Equation = eq;
        forPlane([eq](int i, int j) {
            wap[i][j][0] = 3.0;
            source[i][j][0] = eq == 5 ? 0.0 : 4.0;
        });
        wallall2D();
    }
};

// Manning: the bed coefficient of both momentum equations takes the speed
// of the column, so that the force on a flow at 30 degrees to x is
// antiparallel to it with magnitude 14.4235449 |U|^2 (ks/h)^0.3333 A.
TEST_F(WallAll2D, ManningFrictionOpposesTheVelocity) {
    standard();
    const double speed = 1.3, a = std::numbers::pi / 6.0;
    fill(xvel, speed * std::cos(a));
    fill(yvel, speed * std::sin(a));
    xvel[3][3][0] = yvel[3][3][0] = 0.0;  // a still column
    double force[2] = {};
    for (int eq : {1, 2}) {
        run(7, eq);
        force[eq - 1] = -wap[4][3][0] * (eq == 1 ? xvel : yvel)[4][3][0];
        EXPECT_EQ(wap[3][3][0], 0.0);
        EXPECT_EQ(source[4][3][0], 0.0);
    }
    const double magnitude = 14.4235449 * speed * speed * std::pow(kKs / kDepth, 0.3333) * plan();
    EXPECT_NEAR(std::hypot(force[0], force[1]), magnitude, 1e-12 * magnitude);
    EXPECT_NEAR(force[0] * std::sin(a) - force[1] * std::cos(a), 0.0, 1e-12 * magnitude);  // no sideways part
    EXPECT_LT(force[0], 0.0);
}

// Side walls add 1000 A kappa^2 |U| / L^2 with L = max(0.01, ln(30 d / ks)).
struct SideWallCase {
    const char* name;
    int dir, flag;
    double ksWall;
};
const SideWallCase kSideWalls[] = {
    {"LowIFace", 0, 1, 0.02}, {"HighIFace", 0, -1, 0.02}, {"LowJFace", 1, 1, 0.02},
    {"HighJFace", 1, -1, 0.02}, {"RougherThanFarFloored", 1, 1, 20.0},
};

class ManningSideWalls : public WallAll2D, public ::testing::WithParamInterface<SideWallCase> {};

TEST_P(ManningSideWalls, AddTheLogLawFriction) {
    standard();
    const SideWallCase& c = GetParam();
    XksWall = c.ksWall;
    const double u = 0.6, v = -0.8;  // |U| = 1
    fill(xvel, u);
    fill(yvel, v);
    run(7, 1);
    const double bed = wap[4][3][0];
    (c.dir == 0 ? WallI : WallJ)[4][3][2] = c.flag;
    run(7, 2);
    const double d = c.dir == 0 ? kDx / 2.0 : kDy / 2.0, A = c.dir == 0 ? iArea() : jArea();
    const double L = std::max(0.01, std::log(30.0 * d / c.ksWall));
    const double expected = 1000.0 * A * 0.4 * 0.4 / (L * L);
    EXPECT_NEAR(wap[4][3][0] - bed, expected, 1e-10 * expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ManningSideWalls, ::testing::ValuesIn(kSideWalls),
                         [](const auto& info) { return std::string(info.param.name); });

// The k-epsilon bed law at one column, by equation.
struct BedCase {
    const char* name;
    int eq;
    double k;
    double conc;  // at k = 2 for momentum, at k = 0 for k and epsilon
    double z;     // half the depth of the column
};
const BedCase kBeds[] = {
    {"MomentumU", 1, 0.01, 0.0, 0.75},        {"MomentumVWithSediment", 2, 0.01, 0.1, 0.75},
    {"MomentumW", 3, 0.02, 0.0, 0.75},        {"MomentumNoK", 1, 0.0, 0.0, 0.75},
    {"MomentumShallowFloored", 1, 0.01, 0.0, 0.001},
    {"K", 5, 0.01, 0.05, 0.75},               {"KNegativeFloored", 5, -0.3, 0.0, 0.75},
    {"KShallowFloored", 5, 0.01, 0.0, 0.001}, {"Epsilon", 6, 0.01, 0.05, 0.75},
    {"EpsilonNoK", 6, 0.0, 0.0, 0.4},
};

class KEpsilonBed : public WallAll2D, public ::testing::WithParamInterface<BedCase> {};

TEST_P(KEpsilonBed, GivesTheColumnsCoefficients) {
    standard();
    const BedCase& c = GetParam();
    const bool momentum = c.eq <= 3;
    const int i = 4, j = 3;
    const double u = 0.9, v = 0.4;
    fill(xvel, u);
    fill(yvel, v);
    fill(kinen, c.k);
    m_dist_z[i][j][0] = c.z;
    // The level the branch does not read holds another concentration.
    conc[0][i][j][momentum ? 2 : 0] = c.conc;
    conc[0][i][j][momentum ? 0 : 2] = 0.3;
    run(0, c.eq);
    const double kappa = 0.4 / (1.0 + 2.5 * c.conc), k = std::max(c.k, 1e-9);
    const double L = std::max(0.01, std::log(30.0 * c.z / kKs));
    const double rhoUstar = 31.62 * std::sqrt(1000.0 * std::sqrt(0.09) * k);
    const double c75 = std::pow(0.09, 0.75), V = 2.0 * plan() * c.z;
    double W = 0.0, S = 0.0;
    if (momentum) {
        W = rhoUstar * kappa * plan() / L;
    } else if (c.eq == 5) {
        W = 1000.0 * c75 * std::sqrt(k) * (L / kappa) / c.z * V;
        S = rhoUstar * kappa / L * (u * u + v * v) / c.z * V;
    } else {
        W = 1e30;
        S = 1e30 * c75 * std::pow(k, 1.5) / (kappa * c.z);
    }
    EXPECT_NEAR(wap[i][j][0], W, 1e-12 * W);
    EXPECT_NEAR(source[i][j][0], S, 1e-12 * S);
    EXPECT_EQ(wap[1][j][0], 3.0);  // boundary cells untouched
}

INSTANTIATE_TEST_SUITE_P(Table, KEpsilonBed, ::testing::ValuesIn(kBeds),
                         [](const auto& info) { return std::string(info.param.name); });

// sqcmyrho follows c_mu at every call.
TEST_F(WallAll2D, RenewsSqcmyrho) {
    standard();
    fill(kinen, 0.01);
    cmy = 0.085;
    sqcmyrho = 1.0;
    run(1, 1);
    EXPECT_DOUBLE_EQ(sqcmyrho, 1000.0 * std::sqrt(0.085));
    const double L = std::log(30.0 * 0.75 / kKs);
    EXPECT_NEAR(wap[3][3][0], 31.62 * std::sqrt(sqcmyrho * 0.01) * 0.4 * plan() / L, 1e-12);
}

// Epsilon is held at its wall value in every column through any number of
// sweeps, whatever its neighbours.
TEST_F(WallAll2D, EpsilonStaysPinnedThroughSweeps) {
    standard();
    fill(kinen, [](int i, int j) { return 0.001 * (1 + i + j); });
    fill(epsilon, [](int i, int j) { return 0.5 * (i * j); });
    run(0, 6);
    forInterior([](int i, int j) {
        ae[i][j][0] = aw[i][j][0] = an[i][j][0] = as[i][j][0] = 50.0;
        iAp[i][j][0] = 1.0 / wap[i][j][0];
    });
    f = epsilon;
    GaussIter = 7;
    for (int n = 0; n < 20; ++n) WaterGaussSeidel2D();
    forInterior([](int i, int j) {
        const double k = kinen[i][j][0];
        const double wall = std::pow(0.09, 0.75) * std::pow(k, 1.5) / (0.4 * 0.75);
        EXPECT_NEAR(epsilon[i][j][0], wall, 1e-12 * wall) << i << "," << j;
        EXPECT_GE(wap[i][j][0], 1e30);
    });
}

// A uniform column of depth h at speed U: k at the fixed point of its bed
// law gives sqrt(c_mu) k = (kappa U / L)^2 and a momentum friction of
// 1000 (kappa U / L)^2 A, L = ln(15 h / ks): the log law of the depth-mean
// speed, U = u* ln(15 h / ks) / kappa.
struct ColumnCase {
    const char* name;
    double depth, speed, ks;
};
const ColumnCase kColumns[] = {
    {"Deep", 1.5, 1.2, 0.05}, {"Shallow", 0.3, 0.5, 0.02}, {"Rough", 2.0, 2.0, 0.2}};

class UniformColumn : public WallAll2D, public ::testing::WithParamInterface<ColumnCase> {};

TEST_P(UniformColumn, BalancesAtTheLogLaw) {
    const ColumnCase& c = GetParam();
    shearedPlane(4, 4, kDx, kDy, 0.0, c.depth);
    roughness(c.ks);
    fill(xvel, c.speed * 0.8);
    fill(yvel, c.speed * 0.6);
    fill(kinen, 1e-3);
    fill(epsilon, 1e-4);
    for (int n = 0; n < 200; ++n) {
        Equation = 5;
        TurbulenceModel = 0;
        GammaCalc2D();
        turbulence2D();  // no gradients: no production
        wallall2D();
        forInterior([](int i, int j) { kinen[i][j][0] = source[i][j][0] / wap[i][j][0]; });
    }
    const double L = std::log(15.0 * c.depth / c.ks), target = std::pow(0.4 * c.speed / L, 2);
    EXPECT_NEAR(std::sqrt(0.09) * kinen[2][2][0], target, 2e-4 * target);
    Equation = 1;
    wallall2D();
    EXPECT_NEAR(wap[2][2][0] * c.speed, 1000.0 * target * plan(), 2e-4 * 1000.0 * target * plan());
}

INSTANTIATE_TEST_SUITE_P(Table, UniformColumn, ::testing::ValuesIn(kColumns),
                         [](const auto& info) { return std::string(info.param.name); });

struct ExitCase {
    const char* name;
    int model, eq, code;
    const char* line;
};
const ExitCase kExits[] = {
    {"ManningOnK", 7, 5, -7, "Error in wallall2D, Equation = 5 with the Manning viscosity"},
    {"ManningOnW", 7, 3, -7, "Error in wallall2D, Equation = 3 with the Manning viscosity"},
    {"PressureCorrection", 0, 4, -4, "Error in wallall2D, Equation = 4"},
    {"Temperature", 1, 8, -4, "Error in wallall2D, Equation = 8"},
};

class WallAll2DExits : public WallAll2D, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(WallAll2DExits, EndTheRunWithTheirLine) {
    standard();
    const ExitCase& c = GetParam();
    TurbulenceModel = c.model;
    Equation = c.eq;
    EXPECT_EQ(exitCodeOf(wallall2D), c.code);
    EXPECT_EQ(readLines("boogie").back(), c.line);
}

INSTANTIATE_TEST_SUITE_P(Table, WallAll2DExits, ::testing::ValuesIn(kExits),
                         [](const auto& info) { return std::string(info.param.name); });

// The k equation keeps the shear production of turbulence2D beside the
// bed terms: on the shear u = c y it gains V gama c^2 (0.719 of it under
// the RNG model, whose k viscosity carries 1/0.719).
TEST_F(WallAll2D, KeepsTheShearProductionOfK) {
    standard();
    const double c = 0.3;
    for (int model : {0, 1}) {
        shear(c);
        fill(kinen, 0.004);
        fill(epsilon, 0.001);
        TurbulenceModel = model;
        Equation = 5;
        GammaCalc2D();
        turbulence2D();
        wallall2D();
        const double withProduction = source[4][3][0];
        forPlane([](int i, int j) { source[i][j][0] = 0.0; });
        wallall2D();
        const double bed = source[4][3][0];
        const double factor = model == 1 ? 0.719 : 1.0;
        const double production = factor * volume() * gama[4][3][0] * c * c;
        EXPECT_NEAR(withProduction - bed, production, 1e-12 * production) << model;
    }
}

}  // namespace
