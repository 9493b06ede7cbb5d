// Roughness-layer treatments of F 189: every value at one column against its
// closed form (a column with its roughness below the bed-cell centre and one
// with a blocked top cell untouched, ParamBrelk 1, the reference cell of
// value 8), and where each acts in the momentum step; there too, the
// velocities that the Coriolis terms of u and v take.
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
#include "flow3d/momentum_sources.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int X = 5, Y = 5, Z = 6;
constexpr double kLayer = 0.1;  // cell height: centres at 0.05, 0.15, .. above the bed
constexpr double kKs = 0.3;     // cells k = 2, 3, 4 lie in the layer
constexpr int kI = 3, kJ = 3;   // the treated column

class RoughnessLayer : public EngineTest {
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
    }

    // The box with its workspace filled: wap 2, first neighbours 1, second
    // neighbours 0.5; velocities that fall with height and turn a little.
    static void column(bool secondOrder) {
        SetArraysZero();
        for (int e = 0; e < kEquationTable; ++e) sou[e] = secondOrder ? 1 : 0;
        boxGrid(X, Y, Z, 1.0, 0.5, kLayer);
        metric();
        auto fill = [](FieldArray<double, 3>& a, double v) {
            if (!a.isNull()) std::fill(a.data(), a.data() + a.size(), v);
        };
        fill(wap, 2.0);
        for (auto* a : {&ae, &aw, &as, &an, &wat, &wab}) fill(*a, 1.0);
        for (auto* a : {&aee, &aww, &ass, &ann, &att, &abb}) fill(*a, 0.5);
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) {
                Xks[i][j] = kKs;
                for (int k = 0; k <= Z + 1; ++k) {
                    xvel[i][j][k] = 1.5 - 0.2 * k;
                    yvel[i][j][k] = 0.1;
                    zvel[i][j][k] = 0.02 * k;
                    OBlok[i][j][k] = 1;
                }
            }
        Equation = 1;
    }
    static double height(int k) { return (k - 1.5) * kLayer; }
};

double horizontal(int k) { return std::hypot(xvel[kI][kJ][k], yvel[kI][kJ][k]); }

TEST_F(RoughnessLayer, EachValueAtOneColumn) {
    struct Case {
        const char* name;
        int value;
        double P;
        double ks;
        bool blockedTop;
    };
    std::vector<Case> cases;
    for (int v : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13}) {
        cases.push_back({"P 0.5", v, 0.5, kKs, false});
        cases.push_back({"P 1", v, 1.0, kKs, false});
        cases.push_back({"ks below the bed-cell centre", v, 0.5, 0.04, false});
        cases.push_back({"blocked top cell", v, 0.5, kKs, true});
    }
    cases.push_back({"every cell in the layer", 8, 0.5, 10.0, false});
    cases.push_back({"every cell in the layer", 13, 0.2, 10.0, false});
    for (const Case& c : cases) {
        for (bool secondOrder : {false, true}) {
            if (secondOrder && c.value != 6 && c.value != 7) continue;
            SCOPED_TRACE(std::string(c.name) + ", value " + std::to_string(c.value) +
                         (secondOrder ? ", 13 points" : ""));
            defaults();
            column(secondOrder);
            ParamBrelk = c.P;
            Xks[kI][kJ] = c.ks;
            if (c.blockedTop) OBlok[kI][kJ][Z] = 0;
            if (c.value == 8) xvel[kI][kJ][2] = 1.6;  // a bed cell faster than its share
            const std::vector<double> u0(xvel.data(), xvel.data() + xvel.size());
            roughnessLayer(c.value, 2, X);
            const double P = c.P, ks = c.ks, A = m_armap[kI][kJ], dz = 0.5 * kLayer;
            // The reference of value 8: the cell above the layer, or 0.3 of the top speed.
            int m = 1;
            for (int k = 2; k <= Z; ++k)
                if (height(k) < ks) m = k + 1;
            for (int k = 2; k <= Z; ++k) {
                const double z = height(k), x = z / ks;
                const bool in = z < ks && !c.blockedTop;
                const double phi = u0[xvel.offset(kI, kJ, k)];
                double wantU = phi, wantWap = 2.0, wantH = 1.0, wantH2 = 0.5;
                auto f = [&](double g) { return in ? (1.0 - P) * g + P : 1.0; };
                switch (c.value) {
                case 1: wantU = phi * f(x); break;
                case 2: wantU = phi * f(std::sqrt(x)); break;
                case 3: wantU = phi * f(std::pow(x, 0.2)); break;
                case 4: wantWap = 2.0 / f(std::pow(x, 0.4)); break;
                case 5: wantWap = 2.0 / f(std::pow(x, 0.25)); break;
                case 6:
                case 7:
                    wantH = f(x);
                    wantH2 = secondOrder ? 0.5 * f(x) : 0.5;
                    break;
                case 10:
                    if (in && k >= 3) wantWap += 2.0 * std::fabs(phi) * 300.0 * dz * std::sqrt(A) * (1.0 - P) * (1.0 - x);
                    break;
                case 11:
                case 13:
                    if (in && k >= (c.value == 11 ? 3 : 2))
                        wantWap += 2.0 * std::fabs(phi) * 500.0 * dz * A / ks * (1.0 - P) * (1.0 - x);
                    break;
                case 12: {
                    const double H = ks * P;
                    if (!c.blockedTop && k >= 3 && z < H) wantWap += 2.0 * std::fabs(phi) * 500.0 * dz * A / H * (1.0 - z / H);
                    break;
                }
                case 8: {
                    if (!in || k > m) break;
                    const double a[3] = {xvel[kI][kJ][2], yvel[kI][kJ][2], zvel[kI][kJ][2]};
                    const double b[3] = {xvel[kI][kJ][m], yvel[kI][kJ][m], zvel[kI][kJ][m]};
                    const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
                    const double C = (dot / (std::hypot(a[0], a[1], a[2]) * std::hypot(b[0], b[1], b[2])) + 2.0) * 0.3333;
                    const double Uref = std::max(horizontal(m), 0.3 * horizontal(Z));
                    const double r = (1.0 - P) * x + P, uh = horizontal(k);
                    const double q = (uh - r * Uref) / ((uh + Uref) * 0.5) * C;
                    if (q > 0.0) wantWap *= q + 1.0;
                    break;
                }
                }
                EXPECT_NEAR(xvel[kI][kJ][k], wantU, 1e-13) << "k " << k;
                EXPECT_NEAR(wap[kI][kJ][k], wantWap, 1e-12 * wantWap) << "k " << k;
                for (auto* a : {&ae, &aw, &as, &an}) EXPECT_NEAR((*a)[kI][kJ][k], wantH, 1e-14) << "k " << k;
                EXPECT_EQ(wat[kI][kJ][k], 1.0);
                EXPECT_EQ(wab[kI][kJ][k], 1.0);
                if (secondOrder) {
                    for (auto* a : {&aee, &aww, &ass, &ann}) EXPECT_NEAR((*a)[kI][kJ][k], wantH2, 1e-14) << "k " << k;
                    EXPECT_EQ(att[kI][kJ][k], 0.5);
                }
            }
            // ParamBrelk 1 switches the weights off: only 8 and 12 still act.
            if (P == 1.0 && c.value != 8 && c.value != 12) {
                for (int k = 2; k <= Z; ++k) EXPECT_EQ(wap[kI][kJ][k], 2.0);
            }
        }
    }
}

// Value 8 leaves a column alone where the bed cell or the reference cell is
// at rest (no direction to compare) and where no cell lies in the layer.
TEST_F(RoughnessLayer, ValueEightWithoutAReference) {
    const struct {
        const char* name;
        std::function<void()> set;
    } cases[] = {
        {"bed cell at rest", [] { xvel[kI][kJ][2] = yvel[kI][kJ][2] = zvel[kI][kJ][2] = 0.0; }},
        {"reference cell at rest", [] { xvel[kI][kJ][5] = yvel[kI][kJ][5] = zvel[kI][kJ][5] = 0.0; }},
        {"no cell in the layer", [] { Xks[kI][kJ] = 0.01; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        column(false);
        ParamBrelk = 0.0;
        c.set();
        roughnessLayer(8, 2, X);
        for (int k = 2; k <= Z; ++k) EXPECT_EQ(wap[kI][kJ][k], 2.0) << k;
    }
}

// Where the roughness layer acts in the momentum step: 5 before the coupling
// coefficient invAP, 4 after it; 1 to 3 after the residual, so that the
// residual does not see the scaling of the solved velocities.
class SourcesInMomentumStep : public RoughnessLayer {
protected:
    struct Run {
        std::vector<double> invAP, wap, u, v;
        double residual;
    };
    static Run run(int value, const std::function<void()>& more = [] {}) {
        defaults();
        column(false);
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 0; k <= Z + 1; ++k) {
                    kinen[i][j][k] = 0.003;
                    epsilon[i][j][k] = 0.002;
                }
        for (int e = 1; e <= 3; ++e) {
            sweeps[e] = 1;
            blockcorr[e] = 0;
            NormResidual[e] = 1.0;
        }
        relaxVelocity = 0.5;
        FlagBrelk = value;
        ParamBrelk = 0.3;
        more();
        momentumStep();
        auto copy = [](const FieldArray<double, 3>& a) { return std::vector<double>(a.data(), a.data() + a.size()); };
        return {copy(invAP), copy(wap), copy(xvel), copy(yvel), MaxResidual[1]};
    }
};

TEST_F(SourcesInMomentumStep, PointsOfTheStep) {
    const Run none = run(0), five = run(5), four = run(4), one = run(1);
    const int n = invAP.offset(kI, kJ, 2);
    const double f5 = 0.7 * std::pow(0.05 / kKs, 0.25) + 0.3, f4 = 0.7 * std::pow(0.05 / kKs, 0.4) + 0.3;
    EXPECT_NEAR(five.invAP[n], none.invAP[n] * f5, 1e-14 * none.invAP[n]);
    EXPECT_EQ(four.invAP, none.invAP);
    // w is the equation left in the workspace: both divide its centre coefficient.
    EXPECT_NEAR(five.wap[n], none.wap[n] / f5, 1e-12 * none.wap[n]);
    EXPECT_NEAR(four.wap[n], none.wap[n] / f4, 1e-12 * none.wap[n]);
    EXPECT_EQ(one.residual, none.residual);
    EXPECT_GT(none.residual, 0.0);
    const int nu = xvel.offset(kI, kJ, 2);
    EXPECT_NEAR(one.u[nu], none.u[nu] * (0.7 * 0.05 / kKs + 0.3), 1e-14);
    EXPECT_EQ(one.u[xvel.offset(kI, kJ, 5)], none.u[xvel.offset(kI, kJ, 5)]);
}

// The Coriolis force of v takes the u just solved: v changes with the solve
// of u only when the force is on (u itself takes v as it stood).
TEST_F(SourcesInMomentumStep, CoriolisTakesTheNewU) {
    for (int on : {0, 1}) {
        SCOPED_TRACE(on);
        auto coriolis = [on](int uSweeps) {
            return [=] {
                FlagCoriolis = on;
                Coriolis = 0.5;
                sweeps[1] = uSweeps;
            };
        };
        const Run solved = run(0, coriolis(1)), kept = run(0, coriolis(0));
        EXPECT_NE(solved.u, kept.u);
        if (on)
            EXPECT_NE(solved.v, kept.v);
        else
            EXPECT_EQ(solved.v, kept.v);
    }
}

}  // namespace
