// The 3-D field rebuilt from the depth-averaged plane, on the converged
// Manning channel: depth means, the bounded log profile, viscosity, k and
// epsilon by level, the bed shear rules and the rebuilt fluxes.
#include <cmath>
#include <vector>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"
#include "surface2d/channel2d.h"
#include "surface2d/surface2d.h"
#include "support/testing.h"

using namespace quird_test;
using namespace channel2d;

namespace {

class Rebuild3D : public EngineTest {
protected:
    Channel channel;
    void SetUp() override {
        EngineTest::SetUp();
        channel.level = manningNormalDepth(channel);
        const ChannelRun run = runChannel(channel);
        ASSERT_TRUE(run.converged) << run.code << " " << mc_message << run.log.substr(run.log.size() - 400);
        // The converged pass returns before its rebuild: the field is of the
        // pass before, within the convergence of the plane.
        rebuild3D();
    }
};

// Heights of the cell centres of column (i, j) above the bed, k = 2..znumber.
std::vector<double> centreHeights(int i, int j) {
    std::vector<double> z(znumber + 1, 0.0);
    z[2] = m_dist_z[i][j][2];
    for (int k = 3; k <= znumber; ++k) z[k] = z[k - 1] + m_dist_z[i][j][k - 1] + m_dist_z[i][j][k];
    return z;
}

TEST_F(Rebuild3D, FlowingColumnsCarryThePlane) {
    for (int i : {2, 30, xnumber})
        for (int j : {2, 4}) {
            SCOPED_TRACE(i * 100 + j);
            const double u = xvel[i][j][0], v = yvel[i][j][0], D = depth(i, j), ks = Xks[i][j];
            ASSERT_GT(u, 0.5);
            const double tau = 1000.0 * 0.0145118349 * (u * u + v * v) * std::pow(ks / D, 0.333333);
            EXPECT_NEAR(bedshear[i][j], tau, 1e-12 * tau);
            const std::vector<double> z = centreHeights(i, j);
            double mean = 0.0, meanV = 0.0;
            for (int k = 2; k <= znumber; ++k) {
                mean += m_dist_z[i][j][k] * xvel[i][j][k];
                meanV += m_dist_z[i][j][k] * yvel[i][j][k];
                // The log profile: u_k / u_2 = ln(30 z_k / ks) / ln(30 z_2 / ks).
                EXPECT_NEAR(xvel[i][j][k] / xvel[i][j][2],
                            std::log(30.0 * z[k] / ks) / std::log(30.0 * z[2] / ks), 1e-12);
                const double rel = z[k] / (D + 1e-10);
                const double g = rel <= 0.3 ? gama[i][j][0] * 3.3333 * rel : gama[i][j][0];
                EXPECT_DOUBLE_EQ(gama[i][j][k], g);
                EXPECT_DOUBLE_EQ(diff[i][j][k], 0.001 * g);
                const double kb = 0.003333333 * tau;
                EXPECT_NEAR(kinen[i][j][k], kb * (2.0 * D - z[k]) / (2.0 * D - z[2]), 1e-12 * kb);
                // epsilon = c_mu k^2 / nu_t, nu_t = gama / 1000.
                EXPECT_NEAR(epsilon[i][j][k] * gama[i][j][k], 1000.0 * cmy * kinen[i][j][k] * kinen[i][j][k],
                            1e-12 * 1000.0 * cmy * kinen[i][j][k] * kinen[i][j][k]);
            }
            EXPECT_NEAR(mean / (0.5 * D), u, 1e-12 * u);
            EXPECT_NEAR(meanV / (0.5 * D), v, 1e-12 * std::fabs(u));
        }
    // Uniform profiles in the boundary rows.
    for (int i : {1, xnumber + 1})
        for (int k = 2; k <= znumber; ++k) {
            EXPECT_EQ(xvel[i][3][k], xvel[i][3][0]);
            EXPECT_EQ(yvel[i][3][k], yvel[i][3][0]);
        }
    // The plane carries 1000 q through every section, the rebuilt fluxes within 1 %.
    EXPECT_LT(worstPlaneSection(channel), 1e-4);
    EXPECT_LT(worstRebuiltSection(channel), 0.01);
}

// A bed cell below ks/30 would give a negative logarithm and flow running
// upstream near the bed: the logarithm is bounded at 0.01.
TEST_F(Rebuild3D, LogProfileBoundedBelow) {
    const int i = 30, j = 4;
    Xks[i][j] = 100.0 * m_dist_z[i][j][2];  // z_2 and z_3 below ks/30
    rebuildColumn(i, j);
    const std::vector<double> z = centreHeights(i, j);
    double mean = 0.0;
    for (int k = 2; k <= znumber; ++k) {
        EXPECT_GT(xvel[i][j][k], 0.0) << k;
        EXPECT_TRUE(std::isfinite(xvel[i][j][k]));
        mean += m_dist_z[i][j][k] * xvel[i][j][k];
    }
    EXPECT_NEAR(mean / m_dist_z[i][j][0], xvel[i][j][0], 1e-12);
    EXPECT_EQ(xvel[i][j][2], xvel[i][j][3]) << "both levels at the bound";
}

// A still column keeps its 3-D values and the bed shear of the first rule.
TEST_F(Rebuild3D, StillColumnKeepsItsValues) {
    const int i = 30, j = 4;
    xvel[i][j][0] = yvel[i][j][0] = 0.0;
    for (int k = 2; k <= znumber; ++k) xvel[i][j][k] = 0.25 * k, kinen[i][j][k] = 0.01 * k;
    bedShearFromModel2D();
    EXPECT_DOUBLE_EQ(bedshear[i][j], kinen[i][j][2] * sqcmyrho);  // Manning: from k of the bed cell
    rebuild3D();
    EXPECT_DOUBLE_EQ(bedshear[i][j], kinen[i][j][2] * sqcmyrho);
    for (int k = 2; k <= znumber; ++k) {
        EXPECT_EQ(xvel[i][j][k], 0.25 * k);
        EXPECT_EQ(kinen[i][j][k], 0.01 * k);
    }
}

// The first rule by turbulence model.
TEST_F(Rebuild3D, BedShearFromTheModel) {
    const int i = 30, j = 4;
    const double u = xvel[i][j][2], v = yvel[i][j][2];
    const double l = std::log(std::max(1.1, 30.0 * m_dist_z[i][j][2] / (Xks[i][j] + 1e-7)));
    struct Case {
        int model;
        double expected;
    };
    const Case cases[] = {{0, kinen[i][j][2] * sqcmyrho},
                          {1, kinen[i][j][2] * sqcmyrho},
                          {7, kinen[i][j][2] * sqcmyrho},
                          {3, 160.0 * (u * u + v * v) / (l * l)},
                          {2, -1.0},
                          {5, -1.0}};
    for (const Case& c : cases) {
        TurbulenceModel = c.model;
        bedshear[i][j] = -1.0;
        bedShearFromModel2D();
        EXPECT_DOUBLE_EQ(bedshear[i][j], c.expected) << c.model;
    }
}

}  // namespace
