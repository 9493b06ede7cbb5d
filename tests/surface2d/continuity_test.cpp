// The pressure-velocity coupling of the plane conserves mass: after one
// pressure-correction step the fluxes of any velocity field balance in every
// cell, across block joins too.
#include <cmath>

#include "equations/workspace.h"
#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "flow3d/flow3d.h"
#include "surface2d/plane_fixture.h"
#include "surface2d/surface2d.h"

using namespace plane2dtest;

namespace {

struct GridCase {
    const char* name;
    int start;  // 0: the sheared single-block plane; else MBStart of the two-block fixture
    friend void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }
};

class Continuity : public PlaneTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(Continuity, OnePressureCorrectionBalancesEveryCell) {
    if (GetParam().start == 0)
        shearedPlane(12, 8, 2.0, 1.5, 0.4, 1.2);
    else
        twoBlockPlane(GetParam().start);
    const int X = xnumber, Y = ynumber;
    // A perturbed interior field, a pressure field with structure and
    // uneven Rhie-Chow weights.
    forInterior([](int i, int j) {
        xvel[i][j][0] = 1.0 + 0.3 * std::sin(1.3 * i) * std::cos(0.7 * j);
        yvel[i][j][0] = 0.2 * std::cos(0.9 * i * j);
        Pres[i][j][0] = 50.0 * std::sin(0.8 * i + 1.1 * j) + 7.0 * ((i + j) % 2);
        invAP[i][j][0] = 1e-3 * (1.0 + 0.5 * std::sin(2.1 * i + 0.3 * j));
    });
    // Inflow through face 1, outflow along the normal of face X, nothing
    // through the side walls.
    for (int j = 2; j <= Y; ++j) {
        xvel[1][j][0] = 0.8 + 0.05 * j;
        const double q = 1.0 + 0.1 * std::sin(double(j));
        xvel[X + 1][j][0] = q * m_vec_x[X][j][0];
        yvel[X + 1][j][0] = q * m_vec_x[X][j][1];
    }
    waterflow2D();
    double in = 0.0, out = 0.0;
    for (int j = 2; j <= Y; ++j) {
        in += flow1[1][j][0];
        out += flow1[X][j][0];
    }
    ASSERT_GT(in, 0.0);
    ASSERT_GT(out, 0.0);
    for (int j = 2; j <= Y; ++j) {
        xvel[X + 1][j][0] *= in / out;
        yvel[X + 1][j][0] *= in / out;
    }
    waterflow2D();
    double before = 0.0;
    forInterior([&](int i, int j) { before = std::max(before, std::fabs(imbalance(i, j))); });
    ASSERT_GT(before, 1e-3 * in);  // the field starts far from continuity

    correctPressure();
    forInterior([&](int i, int j) { EXPECT_LT(std::fabs(imbalance(i, j)), 1e-9 * in) << i << "," << j; });
    for (int b = 1; b <= MBNo; ++b)
        for (int j = 2; j <= Y; ++j) EXPECT_EQ(flow1[MBSkjot[b]][j][0], 0.0) << "seam " << j;
}

INSTANTIATE_TEST_SUITE_P(Planes, Continuity,
                         ::testing::Values(GridCase{"Sheared", 0}, GridCase{"JoinedAtWallOne", 3},
                                           GridCase{"JoinedAtWallY", -3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
