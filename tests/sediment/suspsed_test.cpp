// The quasi-steady sediment solution on the settling basin and small hand-set
// columns: trap efficiency against the well-mixed and the ideal basin, the
// sediment balance (also under a lid with an upward water flux), when the
// call stops, the cyclic copies, the bed-cell rules and the report lines.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "sediment/suspsed.h"
#include "support/testing.h"

using namespace sedtest;

namespace {

constexpr double kInflowConc = 1e-4;

// Count of `part` in `text`.
int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class QuasiSteady : public SedimentTest {
protected:
    // The settling basin (20 m x 3 m x 1 m, Q = 0.3 m3/s) with `fractions`
    // fractions of fall velocity w and the vertical and horizontal
    // diffusivity K, the inflow profile uniform at kInflowConc, `inflow` the
    // sediment that the profile brings (kg/s). The bed cannot erode (c0 0).
    static void basin(double w, double K, int fractions = 1) {
        lnumber = fractions;
        settlingBasin(0.1);
        for (int l = 1; l <= lnumber; ++l) fallvelo[l] = w;
        coeffe_setup();  // the horizontal couplings, with the flow's diffusivity
        setDiffusivity([K](int, int, int) { return K; });
        coeffe_setup2();
        double Q = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) Q += 0.001 * flow1[1][j][k];
        for (int l = 1; l <= lnumber; ++l) {
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) conc[l][1][j][k] = kInflowConc;
            inflow[l] = 1000.0 * density * Q * kInflowConc;
        }
        iter_morph = 5000;
        conv_morph = 1e-7;
    }
};

// The last value printed after `key` in the log.
double lastValue(const std::string& log, const std::string& key) {
    const std::size_t at = log.rfind(key);
    if (at == std::string::npos) return NAN;
    return std::atof(log.c_str() + at + key.size());
}

TEST_F(QuasiSteady, SettlingBasinTrapEfficiencyBetweenWellMixedAndIdeal) {
    const double L = 20.0, B = 3.0, Q = 0.3;
    double before = -1.0;
    for (double w : {0.0005, 0.001, 0.002}) {
        const double mixed = 100.0 * (1.0 - std::exp(-w * L * B / Q));
        const double ideal = 100.0 * std::min(1.0, w * L * B / Q);
        struct Run {
            double K, target, tol;
        };
        for (const Run& run : {Run{0.01, mixed, 1.0}, Run{1e-4, ideal, 0.5}}) {
            basin(w, run.K);
            suspsed();
            const std::string log = SedimentTest::log();
            std::printf("w = %g m/s, K = %g m2/s: trapped %.3f %% (well mixed %.3f, ideal %.3f)\n", w, run.K,
                        trapped[1], mixed, ideal);
            EXPECT_NEAR(trapped[1], run.target, run.tol) << "w " << w << " K " << run.K;
            EXPECT_GE(trapped[1], mixed - 1.0);
            EXPECT_LE(trapped[1], ideal + 0.5);
            // Converged: the balance of the last report holds to 1e-6.
            EXPECT_LT(lastValue(log, " Resid: "), 1e-6);
            EXPECT_NE(std::string(mc_message).find("Iter: "), std::string::npos);
            if (run.K == 0.01) {
                EXPECT_GT(trapped[1], before);
                before = trapped[1];
            }
        }
    }
}

// A lid through which water leaves: the mass flux along the basin falls to
// half, the difference rising through the layers and out of the surface.
// The sediment it carries out is the surface flux, and the balance closes.
TEST_F(QuasiSteady, LidWithUpwardWaterFluxKeepsTheBalance) {
    basin(0.001, 0.001);
    const int X = xnumber, Z = znumber, n = Z - 1;
    const double q0 = 300.0;  // kg/s through the inflow face
    auto q = [&](int face) { return q0 * (1.0 - 0.5 * (face - 1) / (X - 1.0)); };
    for (int i = 1; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) flow1[i][2][k] = q(i) / n;
    for (int i = 2; i <= X; ++i)
        for (int k = 1; k <= Z; ++k) flow3[i][2][k] = (q(i - 1) - q(i)) * (k - 1) / n;
    coeffe_setup();
    coeffe_setup2();
    suspsed();
    const std::string log = SedimentTest::log();
    EXPECT_LT(lastValue(log, " Resid: "), 1e-6) << log.substr(log.rfind("Trap efficiency"));
    // Out through the surface: at least the half of the water that leaves there
    // carries a positive share of the sediment.
    const std::size_t line = log.rfind(" l=1: ");
    double T, I1, I2, J1, J2, K;
    ASSERT_EQ(std::sscanf(log.c_str() + line, " l=1: Trapped: %lg, Fluxes (I1,I2,J1,J2,K2): %lg, %lg, %lg, %lg, %lg", &T,
                          &I1, &I2, &J1, &J2, &K),
              6);
    EXPECT_GT(K, 0.0);
    EXPECT_NEAR(I1 - I2 + J1 - J2 - K, T, 1e-5 * I1);
}

}  // namespace
