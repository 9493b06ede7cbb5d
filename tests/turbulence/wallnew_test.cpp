// The alternative wall routine (F 228): the rough and smooth laws with the
// water density and viscosity, the profiles inside the roughness, the
// clearing rules, the codes without a law, the epsilon and omega pins, and
// any partition of the planes.
#include <cmath>
#include <random>
#include <vector>

#include "turbulence/wall_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/dispatchers.h"
#include "morphology/state.h"
#include "sediment/state.h"
#include "turbulence/turbulence.h"

using namespace walltest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;

namespace {

constexpr double kRho = 1020.0, kNu = 1.3e-6;  // water of these tests
constexpr double kC75 = 0.1643167672515498;    // 0.09^0.75
constexpr double kV = kDx * kDy * kDz;

class AlternativeWall : public WallCells {
protected:
    void SetUp() override {
        WallCells::SetUp();
        wdensity = kRho;
        wviscosity = kNu;
        FlagTSC = 0;
    }
};

// One wall as the test sees it.
struct TestWall {
    double y, A;
    double n[3];
    double ksMomentum, ksK;
};

// u* = sqrt(sqrt(cmy) k*) with the density cancelled.
double ustarOf(double k) { return std::sqrt(0.3 * std::max(k, 1e-9)); }

// R of the rough log law and of the smooth law on y+ = y u* / nu.
double resistance(int variant, double y, double ks, double k) {
    if (variant == 0) return std::log(30.0 * y / ks) / 0.4;
    const double yp = y * ustarOf(k) / kNu;
    return yp < 11.626 ? yp : std::log(9.0 * yp) / 0.4;
}

// Momentum and k terms of the rough (0) and smooth (5) law at side, bed,
// roof and corner cells, for k above and below the floor 1e-9.
TEST_F(AlternativeWall, LawsWithTheWaterDensityAndViscosity) {
    wallCell(3, 2, 2, 0, 1, 1);   // corner of the bank at j = 2 and the bed
    wallCell(4, 4, 3, -1, 0, 0);  // high i-face, last row
    wallCell(3, 3, 4, 0, 0, -1);  // roof
    struct Cell {
        int i, j, k;
        std::vector<TestWall> walls;
    };
    const Cell cells[] = {
        {3, 2, 2, {{kDy / 2, kDx * kDz, {0, 1, 0}, XksJ1, XksWall}, {kDz / 2, kDx * kDy, {0, 0, 1}, 0.002, 0.002}}},
        {4, 4, 3, {{kDx / 2, kDy * kDz, {1, 0, 0}, XksJ2, XksWall}}},
        {3, 3, 4, {{kDz / 2, kDx * kDy, {0, 0, 1}, XksWall, XksWall}}},
    };
    const double u[3] = {0.7, -0.2, 0.05}, U2 = 0.49 + 0.04 + 0.0025;
    for (int variant : {0, 5}) {
        FlagWallAll = variant;
        for (double kc : {kK, 1e-12}) {
            forInterior([&](int i, int j, int k) { kinen[i][j][k] = kc; });
            const double kstar = std::max(kc, 1e-9), S = std::sqrt(kRho * 0.3 * kstar);
            for (int eq : {1, 2, 3, 5}) {
                SCOPED_TRACE(testing::Message() << "variant " << variant << " k " << kc << " equation " << eq);
                Equation = eq;
                callerTerms();
                wallnew(2, xnumber);
                for (const Cell& c : cells) {
                    double w = 0.0, s = 0.0;
                    for (const TestWall& t : c.walls) {
                        if (eq == 5) {
                            const double R = resistance(variant, t.y, t.ksK, kstar);
                            w += kRho * kC75 * std::sqrt(kstar) * R / t.y * kV;
                            s += 31.62 * S / R * U2 / t.y * kV;
                        } else {
                            const double C = std::sqrt(kRho) * S * t.A / resistance(variant, t.y, t.ksMomentum, kstar);
                            w += C;
                            s += C * (t.n[0] * u[0] + t.n[1] * u[1] + t.n[2] * u[2]) * t.n[eq - 1];
                        }
                    }
                    EXPECT_NEAR(wap[c.i][c.j][c.k], w, 1e-12 * w) << c.i << c.j << c.k;
                    EXPECT_NEAR(source[c.i][c.j][c.k], s, 1e-12 * w) << c.i << c.j << c.k;
                }
                EXPECT_EQ(wap[3][3][3], 5.0);
                EXPECT_EQ(sqcmyrho, kRho * std::sqrt(0.09));
            }
        }
    }
}

// The smooth law at y+ = 11.626 exactly takes the logarithmic branch: with
// rho = 1, cmy = 1/16, k = 4 and nu = 1 the friction velocity is 1 and
// y+ = y exactly.
TEST_F(AlternativeWall, SmoothLawAtTheSublayerEdge) {
    FlagWallAll = 5;
    wdensity = 1.0, wviscosity = 1.0, cmy = 0.0625, Xkappa = 0.3;
    wallCell(3, 3, 2, 0, 0, 1);
    kinen[3][3][2] = 4.0;
    for (double y : {11.626, 11.625}) {
        SCOPED_TRACE(y);
        m_dist_z[3][3][2] = y;
        Equation = 1;
        wallnew(2, xnumber);
        const double R = y < 11.626 ? y : std::log(9.0 * y) / 0.3;
        EXPECT_DOUBLE_EQ(wap[3][3][2], kDx * kDy / R);
    }
}

// Inside the roughness (bed cell, y = 0.05 below Xks) the profile of F 150,
// with the sediment-reduced kappa only under F 37 and F 150 second value 0;
// above the roughness the log law with the plain kappa.
TEST_F(AlternativeWall, ProfilesInsideTheRoughness) {
    wallCell(3, 3, 2, 0, 0, 1);
    conc[0][3][3][2] = 0.4;  // reduced kappa 0.2
    const double y = kDz / 2;
    struct Case {
        const char* name;
        int form, tsc, sed;
        double ks, R;
    };
    const Case cases[] = {
        {"form2", 2, 0, 0, 0.2, 3.4 * y / (0.4 * 0.2)},
        {"form2_reduced", 2, 1, 0, 0.2, 3.4 * y / (0.2 * 0.2)},
        {"form2_second_value_set", 2, 1, 1, 0.2, 3.4 * y / (0.4 * 0.2)},
        {"form1_no_bedforms", 1, 1, 0, 0.2, (y / 0.2 - 1.0) * 0.135 + 3.4 / 0.2},
        {"form2_at_ks", 2, 0, 0, y, 3.4 / 0.4},
        {"above_roughness_plain_kappa", 2, 1, 0, 0.01, std::log(30.0 * y / 0.01) / 0.4},
        {"form0", 0, 1, 0, 0.2, std::max(std::log(30.0 * y / 0.2), 0.01) / 0.4},
    };
    Equation = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WallChoiseForm = c.form, FlagTSC = c.tsc, WallChoiseSed = c.sed;
        Xks[3][3] = c.ks;
        wallnew(2, xnumber);
        const double C = std::sqrt(kRho) * std::sqrt(kRho * 0.3 * kK) * kDx * kDy / c.R;
        EXPECT_NEAR(wap[3][3][2], C, 1e-12 * C);
    }
}

// epsilon and omega pins at every wall, whatever F 15 says: a corner is held
// at the mean of its two values; omega is the engine's epsilon / (cmy k),
// the value the standard kernel pins (sqrt(k*) / (0.5477 kappa y) in
// variants 5 to 10, sqrt(k) / (0.21908 y) under model 16: 0.21908 is
// 0.5477 x 0.4). The bed wall at k = 2 takes the
// reduced kappa under F 37 whatever F 150 says; model 14 gets no pin.
TEST_F(AlternativeWall, EpsilonAndOmegaPins) {
    wallCell(3, 2, 2, 0, 1, 1);  // corner
    conc[0][3][2][2] = 0.4;
    const double ys = kDy / 2, yb = kDz / 2;
    struct Case {
        int model, tsc, sed;
        double bedKappa;
    };
    const Case cases[] = {{0, 0, 0, 0.4}, {1, 1, 1, 0.2}, {15, 0, 0, 0.4}, {16, 0, 0, 0.4}, {16, 1, 0, 0.2}};
    Equation = 6;
    for (const Case& c : cases)
        for (int variant : {0, 1, 3, 5, 6, 7, 8, 9, 10, 12}) {
            SCOPED_TRACE(testing::Message() << "model " << c.model << " variant " << variant);
            TurbulenceModel = c.model, FlagTSC = c.tsc, WallChoiseSed = c.sed, FlagWallAll = variant;
            callerTerms();
            wallnew(2, xnumber);
            auto value = [&](double kappa, double y) {
                return c.model >= 15 ? std::sqrt(kK) / (0.5477 * kappa * y) : kC75 * std::pow(kK, 1.5) / (kappa * y);
            };
            const double mean = 0.5 * (value(0.4, ys) + value(c.bedKappa, yb));
            EXPECT_EQ(wap[3][2][2], 2e30);
            EXPECT_NEAR(source[3][2][2] / wap[3][2][2], mean, (c.model >= 15 ? 1e-4 : 1e-12) * mean);
        }
    TurbulenceModel = 14;
    callerTerms();
    wallnew(2, xnumber);
    EXPECT_EQ(wap[3][2][2], 0.0);
}

// Codes of F 15 without a law: the momentum and k equations of the wall
// cells lose the caller's terms and get none (F 15 3 and 4 in the k step by
// their own clearing rules); epsilon is still pinned. Model 14 leaves the k
// equation untouched; equations without a law only clear.
TEST_F(AlternativeWall, ClearingAndCodesWithoutALaw) {
    wallCell(3, 2, 2, 0, 1, 1);  // corner
    wallCell(3, 2, 3, 0, 1, 0);  // bank, centre 0.15 above the bed
    wallCell(3, 2, 4, 0, 1, 0);  // bank, centre 0.25 above the bed
    Xks[3][2] = m_dist_z[3][2][3] + 2.0 * m_dist_z[3][2][2];  // exactly the centre height of (3, 2, 3)
    struct Case {
        int variant, model, equation;
        const char* kept;  // corner, lower and upper bank: 'k' the caller's terms, '0' cleared, 'p' pinned
    };
    const Case cases[] = {
        {1, 0, 1, "000"}, {2, 0, 2, "000"},  {3, 0, 3, "000"},  {4, 0, 1, "000"},  {20, 0, 1, "000"},
        {1, 0, 5, "000"}, {7, 0, 5, "000"},  {3, 0, 5, "0kk"},  {4, 0, 5, "0k0"},  {3, 0, 6, "ppp"},
        {4, 0, 6, "ppp"}, {12, 0, 6, "ppp"}, {0, 14, 5, "kkk"}, {5, 14, 5, "kkk"}, {0, 0, 4, "000"},
        {5, 0, 8, "000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "variant " << c.variant << " model " << c.model << " equation " << c.equation);
        FlagWallAll = c.variant, TurbulenceModel = c.model, Equation = c.equation;
        callerTerms();
        EXPECT_EQ(exitCodeOf([] { wallnew(2, xnumber); }), kNoExit);
        for (int k = 2; k <= 4; ++k) {
            const char kept = c.kept[k - 2];
            if (kept == 'k') {
                EXPECT_EQ(wap[3][2][k], 5.0) << k;
                EXPECT_EQ(source[3][2][k], 3.0) << k;
            } else if (kept == '0') {
                EXPECT_EQ(wap[3][2][k], 0.0) << k;
                EXPECT_EQ(source[3][2][k], 0.0) << k;
            } else {
                EXPECT_GE(wap[3][2][k], 1e30) << k;
            }
        }
        EXPECT_EQ(wap[3][3][3], 5.0);
    }
}

// Any partition of 2..xnumber into blocks, and the wall step on a thread
// team, give the workspace of the serial call bit for bit; an empty block
// stores sqcmyrho only.
TEST_F(AlternativeWall, AnyPartitionGivesTheSerialWorkspace) {
    randomWallCells(17);
    std::mt19937 rng(19);
    std::uniform_real_distribution<double> pos(0.02, 0.3);
    forInterior([&](int i, int j, int k) { conc[0][i][j][k] = 2.0 * pos(rng); });
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) Xks[i][j] = pos(rng), Bedformheight[i][j] = 0.5 * pos(rng);
    FlagTSC = 1;
    WallChoiseForm = 1;
    for (int model : {0, 16})
        for (int variant : {0, 4, 5, 7}) {
            TurbulenceModel = model, FlagWallAll = variant;
            for (int eq : {1, 2, 3, 5, 6}) {
                SCOPED_TRACE(testing::Message() << "model " << model << " variant " << variant << " equation " << eq);
                Equation = eq;
                callerTerms();
                wallnew(2, xnumber);
                const Workspace serial = workspace();
                for (const std::vector<int>& p : std::vector<std::vector<int>>{{2, 2, 3, 5}, {2, 4, 5, 5}, {2, 3, 4, 5}}) {
                    callerTerms();
                    wallnew(p[0], p[1]);
                    wallnew(p[1] + 1, p[2]);
                    wallnew(p[2] + 1, p[3]);
                    expectWorkspace(serial);
                }
                // The wall step of F 228 on a team of three threads.
                FlagWallNew = 1;
                NoProcessesSolver = 3;
                callerTerms();
                wallLawStep();
                expectWorkspace(serial);
                FlagWallNew = 0;
                NoProcessesSolver = 0;
            }
        }
    callerTerms();
    sqcmyrho = 7.0;
    wallnew(5, 4);
    EXPECT_EQ(sqcmyrho, kRho * std::sqrt(0.09));
    forInterior([](int i, int j, int k) { ASSERT_EQ(wap[i][j][k], 5.0); });
}

}  // namespace
