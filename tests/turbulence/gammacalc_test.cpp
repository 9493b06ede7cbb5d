// Eddy viscosity and diffusivity: the viscosity of every turbulence model,
// each modifier, the stress-model path, the level above the top cell and the
// copies gamaV and diff.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"
#include "turbulence/turbulence.h"

using namespace quird_test;

namespace {

class Gamma : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        defaults();
    }
    void TearDown() override { defaults(); }
    static void defaults() {
        TurbulenceModel = 0;
        ArtEddyVisc = 0.0;
        invSchmidt[0] = 1.0;
        FlagStress1DLL = 0;
        FlagASMvisc = 3;
        FlagReynoldsStress = 0;
        FlagGammaDamp = 0;
        cmy = 0.09;
        FlagDragDLL = 0;
        FlagInitPoros = 0;
        TurbCoeffVeg = 0.0;
        DESFlag = 0;
        relaxDensityTurb = 0.0;
        SourDens = 0.0;
        TurbMultFlag = 0;
        TurbMultTest = TurbMultLev = 0.0;
        Iter = 1;
        Equation = 1;
    }
    static constexpr int X = 4, Y = 4, Z = 5;
    static constexpr double dx = 1.0, dy = 0.5, dz = 0.25, h = dz / 2;  // h: half cell height
    static constexpr double kin = 0.01, eps = 0.002, u = 0.5, v = 0.2, w = 0.05, ks = 0.05;

    // Box grid (allocated after the options that create arrays are set) with
    // uniform k, epsilon, velocity and roughness in every cell.
    static void build(int z = Z) {
        boxGrid(X, Y, z, dx, dy, dz);
        metric();
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) {
                Xks[i][j] = ks;
                for (int k = 0; k <= z + 1; ++k) {
                    kinen[i][j][k] = kin;
                    epsilon[i][j][k] = eps;
                    xvel[i][j][k] = u;
                    yvel[i][j][k] = v;
                    zvel[i][j][k] = w;
                }
            }
    }
    static std::vector<double> all(const FieldArray<double, 3>& a) { return {a.data(), a.data() + a.size()}; }
};

// The viscosity of each turbulence model at an interior cell (3, 3, 3),
// background viscosity 0.002 and Schmidt number 0.5.
TEST_F(Gamma, ViscosityOfEachModel) {
    const double base = 0.002 + 0.001, keps = 90.0 * kin * kin / eps, rng = 85.0 * kin * kin / eps;
    // Model 7: Manning n = 0.03846 ks^(1/6) of the Strickler relation, depth 2 H.
    const double H = (Z - 1) * h, speed = std::hypot(u, v);
    const double manning = 110.0 * H * (0.03846 * std::pow(ks, 0.166667)) * speed * 3.132 * std::pow(H, -0.16667);
    // Models 8, 9: damped by the bed cell's friction velocity at y = 3 h.
    const double ustar = std::sqrt(std::sqrt(u * u + v * v + w * w + 1e-8) * 0.001 / h * 0.001);
    const double yPlus = ustar * 3 * h * 1e6, damp = 1.0 - std::exp(-0.0002 * yPlus - 0.00065 * yPlus * yPlus);
    struct Case {
        int model, equation;
        double want;
    };
    std::vector<Case> cases = {
        {0, 1, base + keps},          {0, 5, base + keps},         {0, 6, (base + keps) * 0.7692},
        {1, 1, base + rng},           {1, 5, (base + rng) * 1.39}, {1, 6, (base + rng) * 1.39},
        {1, 8, (base + rng) * 1.39},  {7, 1, base + manning},      {8, 1, damp * (base + keps)},
        {9, 6, damp * (base + keps)}, {14, 5, base + 1000.0 * kin}, {15, 1, base + 1000.0 * kin / eps},
        {16, 5, base + 1000.0 * kin / eps},
    };
    for (int m : {2, 3, 4, 5, 6, 10, 11, 12, 13, 17, 18, 19, 20}) cases.push_back({m, 1, base});
    build();
    ArtEddyVisc = 0.002;
    invSchmidt[0] = 2.0;
    for (const Case& c : cases) {
        SCOPED_TRACE("model " + std::to_string(c.model) + " equation " + std::to_string(c.equation));
        TurbulenceModel = c.model;
        Equation = c.equation;
        GammaCalc();
        EXPECT_NEAR(gama[3][3][3], c.want, 1e-12 * c.want);
        EXPECT_EQ(gamaV[3][3][3], gama[3][3][3]);
        EXPECT_EQ(diff[3][3][3], gama[3][3][3] * 0.001 * 2.0);
        EXPECT_EQ(gama[1][3][3], base);  // boundary cells keep the base value
    }
}

// Each modifier at cell (3, 3, 3) (and its neighbours where the level matters).
TEST_F(Gamma, Modifiers) {
    struct Case {
        const char* name;
        std::function<void()> options;  // before the arrays are allocated
        std::function<void()> fields;   // after
        std::function<void()> check;
    };
    const double keps = 0.001 + 90.0 * kin * kin / eps;
    auto setK = [](double value) {
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 0; k <= Z + 1; ++k) kinen[i][j][k] = value;
    };
    // Near-bed damping of a constant viscosity 1.001 with k = 1e-8 at the bed.
    const double us = std::sqrt(std::sqrt(0.09) * 1e-8), ksPlus = us * ks * 1e6, yp = us * 3 * h * 1e6;
    const double bedDamp = (1.0 - std::exp(-(yp / 42) * (yp / 42))) + std::sqrt(ksPlus / 200) * std::exp(-25 * yp / ksPlus);
    // Stratification: c falls by 0.01 and the speed rises by 0.1 per level.
    const double Ri = 0.5 * (9.81 * 0.01) / ((0.1 + 1e-6) * (0.1 + 1e-6) * h);
    const Case cases[] = {
        {"near-bed damping", [] { FlagGammaDamp = 1; TurbulenceModel = 2; ArtEddyVisc = 1.0; },
         [&] { setK(1e-8); }, [&] { EXPECT_NEAR(gama[3][3][3], 1.001 * bedDamp, 1e-12); EXPECT_LT(bedDamp, 0.5); }},
        {"near-bed damping floor", [] { FlagGammaDamp = 1; TurbulenceModel = 2; }, [&] { setK(1e-8); },
         [] { EXPECT_EQ(gama[3][3][3], 0.001); }},
        {"near-bed damping, no k at the bed (0/0)", [] { FlagGammaDamp = 1; TurbulenceModel = 2; ArtEddyVisc = 1.0; },
         [&] { setK(0.0); }, [] { EXPECT_EQ(gama[3][3][3], 0.001); }},
        {"subgrid value at a wall cell (Smagorinsky, times the density)", [] { DESFlag = 1; TurbulenceModel = 2; },
         [] {
             Wall[3][3][3] = Wall[3][3][2] = 1;
             Stress[3][3][3] = Stress[3][3][2] = 0.02;
         },
         [] {
             const double V = dx * dy * dz;
             const double want = 1000.0 * 0.015874 * std::pow(dx / 2 * dy / 2 * h, 2.0 / 3.0) * std::sqrt(0.02 / V);
             EXPECT_NEAR(gama[3][3][3], want, 1e-8 * want);  // the exponent is 0.666666667
             EXPECT_EQ(gama[3][3][2], 0.001);  // below level DESFlag + 2
             EXPECT_EQ(gama[3][4][3], 0.001);  // no wall
         }},
        {"subgrid value, DESFlag at znumber: no level", [] { DESFlag = Z; TurbulenceModel = 2; },
         [] {
             Wall[3][3][Z] = 1;
             Stress[3][3][Z] = 0.02;
         },
         [] { EXPECT_EQ(gama[3][3][Z], 0.001); }},
        {"stratification", [] { relaxDensityTurb = 0.5; SourDens = 1.0; },
         [] {
             for (int k = 1; k <= Z + 1; ++k) {
                 conc[0][3][3][k] = 0.01 * (Z + 1 - k);
                 xvel[3][3][k] = 0.1 * k;
                 yvel[3][3][k] = 0.0;
             }
         },
         [&] {
             EXPECT_NEAR(gama[3][3][3], (0.5 + 0.5 / std::sqrt(1.0 + 10.0 * Ri)) * keps + 0.001, 1e-12);
             EXPECT_EQ(diff[3][3][3], keps * 0.001);  // diffusivity before the damping
         }},
        {"near-bed multiplier", [] { TurbMultFlag = 1; TurbMultTest = 3.0; TurbMultLev = 2.2 * h; }, [] {},
         [&] {
             EXPECT_EQ(gama[3][3][2], 3.0 * keps);  // height h
             EXPECT_EQ(gama[3][3][3], keps);        // height 3 h
             EXPECT_DOUBLE_EQ(gama[1][1][2], 0.003);  // boundary cells too
             EXPECT_EQ(diff[3][3][2], keps * 0.001);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetArraysZero();
        defaults();
        c.options();
        build();
        c.fields();
        GammaCalc();
        c.check();
        EXPECT_EQ(all(gamaV), all(gama));
    }
}

// Vegetation: each cell's share of sqrt(h porosity (u^2 + v^2)); on a uniform
// column every level gets TurbCoeffVeg 1414 H sqrt(Z - 1) sqrt(q). Grids of
// more than 99 levels work as well.
TEST_F(Gamma, VegetationViscosity) {
    for (int z : {5, 101}) {
        SCOPED_TRACE(z);
        SetArraysZero();
        defaults();
        FlagDragDLL = 1;
        FlagInitPoros = 1;
        TurbCoeffVeg = 0.5;
        TurbulenceModel = 2;
        build(z);
        for (int k = 2; k <= z; ++k) Porosity[3][3][k] = 0.8;
        GammaCalc();
        const double q = h * 0.8 * (u * u + v * v), H = (z - 1) * h;
        const double want = 0.001 + std::sqrt(q) * 0.5 * 1414.0 * H * std::sqrt((z - 1) * q) / std::sqrt(q);
        EXPECT_NEAR(gama[3][3][2], want, 1e-9 * want);
        EXPECT_NEAR(gama[3][3][z], want, 1e-9 * want);
        EXPECT_EQ(gama[3][4][3], 0.001);  // no vegetation there
    }
}

// From the second outer iteration on the stress model's viscosity replaces
// everything: momentum always, k and epsilon as F 207's fourth value says.
TEST_F(Gamma, StressModelViscosity) {
    const double s = 0.7, keps = 0.001 + 90.0 * kin * kin / eps, rng = 0.001 + 85.0 * kin * kin / eps;
    struct Case {
        long iter;
        int model, equation, asm_;
        double want;
    };
    const Case cases[] = {
        {1, 0, 1, 3, keps},          // first iteration: the model's own viscosity
        {2, 0, 1, 0, s},             // momentum always
        {2, 0, 6, 3, s * 0.7692},    // epsilon of model 0: its Prandtl number
        {2, 1, 5, 3, s},             // no RNG factor on this path
        {2, 1, 5, 2, rng * 1.39},    // F 207 fourth value 2: epsilon only
        {2, 0, 6, 1, keps * 0.7692}, // 1: k only
        {2, 0, 8, 3, keps},          // temperature never
    };
    FlagStress1DLL = 1;
    build();
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) {
                const bool interior = i >= 2 && i <= X && j >= 2 && j <= Y && k >= 2 && k <= Z;
                Rstress[kStressViscositySlot][i][j][k] = interior ? s : 0.0;
            }
    for (const Case& c : cases) {
        SCOPED_TRACE("iter " + std::to_string(c.iter) + " model " + std::to_string(c.model) + " equation " +
                     std::to_string(c.equation) + " asm " + std::to_string(c.asm_));
        Iter = c.iter;
        TurbulenceModel = c.model;
        Equation = c.equation;
        FlagASMvisc = c.asm_;
        GammaCalc();
        EXPECT_NEAR(gama[3][3][3], c.want, 1e-12);
        EXPECT_EQ(gamaV[3][3][3], gama[3][3][3]);
        EXPECT_EQ(diff[3][3][3], gama[3][3][3] * 0.001);
        if (c.want == s) {
            EXPECT_EQ(gama[1][3][3], 0.0);  // cells the stress model leaves unwritten
        }
    }
}

// The level above the top cell takes the terms of the models but none of the
// column modifiers; a second call with the same fields gives the same bits.
TEST_F(Gamma, LevelAboveTheTopAndRepeatedCalls) {
    for (int model : {0, 8, 14}) {
        SCOPED_TRACE(model);
        SetArraysZero();
        defaults();
        TurbulenceModel = model;
        FlagGammaDamp = 1;
        DESFlag = 1;
        relaxDensityTurb = 0.5;
        SourDens = 1.0;
        build();
        Wall[3][3][Z + 1] = Wall[3][3][Z] = 1;
        Stress[3][3][Z + 1] = Stress[3][3][Z] = 5.0;
        for (int k = 0; k <= Z + 1; ++k) conc[0][3][3][k] = 0.01 * (Z + 1 - k);
        GammaCalc();
        const double term = model == 14 ? 1000.0 * kin : 90.0 * kin * kin / eps;
        EXPECT_EQ(gama[3][3][Z + 1], 0.001 + term);
        EXPECT_NE(gama[3][3][Z], 0.001 + term);
        const auto first = all(gama), firstDiff = all(diff);
        GammaCalc();
        EXPECT_EQ(all(gama), first);
        EXPECT_EQ(all(diff), firstDiff);
    }
}

}  // namespace
