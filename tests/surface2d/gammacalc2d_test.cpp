// Eddy viscosity and diffusivity of the plane, by turbulence model and equation.
#include <cmath>
#include <string>
#include <vector>

#include "surface2d/surface2d.h"
#include "surface2d/terms_fixture.h"

using namespace plane2dtest;

namespace {

constexpr double kK = 0.01, kEps = 0.002, kKs = 0.05, kBackground = 0.02;

// The Manning term of a column of half depth d at speed 1 on roughness kKs:
// 1000 * 0.11 * d * u*, u* = 3.132 n / d^(1/6), n = ks^(1/6) / 26.
double manning(double d) { return 110.0 * d * (0.03846 * std::pow(kKs, 0.166667)) * 3.132 * std::pow(d, -0.16667); }

struct ViscosityCase {
    std::string name;
    int model, equation;
    double cmu1000;  // 1000 c_mu of the k-epsilon term (0 none)
    bool manning;
    double factor;
};

std::vector<ViscosityCase> cases() {
    std::vector<ViscosityCase> c = {
        {"KEpsilonMomentum", 0, 1, 90, true, 1.0},   {"KEpsilonK", 0, 5, 90, true, 1.0},
        {"KEpsilonEpsilon", 0, 6, 90, true, 0.7692}, {"RngMomentum", 1, 1, 85, true, 1.0},
        {"RngK", 1, 5, 85, true, 1.39},              {"RngEpsilon", 1, 6, 85, true, 1.39},
        {"ManningMomentum", 7, 1, 0, true, 1.0},     {"ManningK", 7, 5, 0, true, 1.0},
    };
    // Every other model keeps the background, for momentum and epsilon alike.
    for (int m = 2; m <= 20; ++m)
        if (m != 7) c.push_back({"Background" + std::to_string(m), m, m % 2 == 0 ? 1 : 6, 0, false, 1.0});
    return c;
}

class GammaCalc2DModels : public TermsTest, public ::testing::WithParamInterface<ViscosityCase> {};

TEST_P(GammaCalc2DModels, GiveTheModelsViscosityInsideAndTheBackgroundOnTheBoundary) {
    const ViscosityCase& c = GetParam();
    box(6, 5);
    roughness(kKs);
    fill(kinen, kK);
    fill(epsilon, kEps);
    fill(xvel, 0.6);
    fill(yvel, 0.8);  // |U| = 1
    xvel[3][3][0] = yvel[3][3][0] = 0.0;
    ArtEddyVisc = kBackground;
    Schmidt = 0.8;
    TurbulenceModel = c.model;
    Equation = c.equation;
    GammaCalc2D();
    const double base = kBackground + 0.001;
    forPlane([&](int i, int j) {
        const bool interior = i >= 2 && i <= xnumber && j >= 2 && j <= ynumber;
        const bool still = i == 3 && j == 3;
        double expected = base;
        if (interior) {
            expected += c.cmu1000 * kK * kK / kEps;
            if (c.manning && !still) expected += manning(kDepth / 2.0);
            expected *= c.factor;
        }
        EXPECT_NEAR(gama[i][j][0], expected, 1e-12 * expected) << i << "," << j;
        EXPECT_NEAR(diff[i][j][0], 0.001 * expected / 0.8, 1e-15 * expected) << i << "," << j;
    });
}

INSTANTIATE_TEST_SUITE_P(Table, GammaCalc2DModels, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// Without epsilon the k-epsilon term is k^2 / 1e-20, finite.
TEST_F(TermsTest, GammaCalc2DTakesZeroEpsilonAsTheGuard) {
    box(4, 4);
    roughness(kKs);
    fill(kinen, 1e-3);
    TurbulenceModel = 0;
    Equation = 1;
    GammaCalc2D();
    EXPECT_DOUBLE_EQ(gama[2][2][0], 0.001 + 90.0 * 1e-6 / 1e-20);
}

}  // namespace
