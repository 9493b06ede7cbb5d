#include "sediment/sediment_fixture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/state.h"
#include "support/grids.h"

using namespace quird_test;

namespace sedtest {

namespace {
void geometry() {
    metric();
    std::filesystem::remove("boogie");
}
}  // namespace

void SedimentTest::startupFlags() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j) {
            for (int k = 0; k <= Z + 1; ++k) {
                OBlok[i][j][k] = 1;
                WallI[i][j][k] = WallJ[i][j][k] = WallK[i][j][k] = Wall[i][j][k] = 0;
            }
        }
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j)
                for (int k = b.k1; k <= b.k2; ++k) OBlok[i][j][k] = 0;
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            if (kblok[i][j] == 0)
                for (int k = 3; k <= Z; ++k) OBlok[i][j][k] = 0;
            WallK[i][j][2] = 1;
        }
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            WallJ[i][2][k] = 1;
            WallJ[i][Y][k] = -1;
        }
    // The cells around a box of type 1 face it through walls.
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        if (b.type <= 0) continue;
        for (int i = b.i1; i <= b.i2; ++i)
            for (int k = b.k1; k <= b.k2; ++k) {
                if (b.j1 > 3) WallJ[i][b.j1 - 1][k] = -1;
                if (b.j2 < Y - 1) WallJ[i][b.j2 + 1][k] = 1;
            }
        for (int j = b.j1; j <= b.j2; ++j)
            for (int k = b.k1; k <= b.k2; ++k) {
                if (b.i1 > 3) WallI[b.i1 - 1][j][k] = -1;
                if (b.i2 < X - 1) WallI[b.i2 + 1][j][k] = 1;
            }
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k)
                if (WallI[i][j][k] != 0 || WallJ[i][j][k] != 0 || WallK[i][j][k] != 0) Wall[i][j][k] = 1;
}

namespace {
void openColumns() {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) kblok[i][j] = 1;
}
}  // namespace

void SedimentTest::stillColumn(int Z, double depth) {
    SetArraysZero();
    boxGrid(2, 2, Z, 1.0, 1.0, depth / (Z - 1));
    geometry();
    openColumns();
    startupFlags();
}

void SedimentTest::straightChannel(double U) {
    SetArraysZero();
    boxGrid(9, 5, 7, 1.0, 0.5, 0.1);
    geometry();
    openColumns();
    startupFlags();
    uniformFlow(U);
}

void SedimentTest::channelWithBlocks(double U) {
    SetArraysZero();
    OutBlockNo = 1;
    OutBlock[1].type = 1;
    OutBlock[1].i1 = kBox[0];
    OutBlock[1].i2 = kBox[1];
    OutBlock[1].j1 = kBox[2];
    OutBlock[1].j2 = kBox[3];
    OutBlock[1].k1 = kBox[4];
    OutBlock[1].k2 = kBox[5];
    boxGrid(9, 5, 7, 1.0, 0.5, 0.1);
    geometry();
    openColumns();
    kblok[kBlockedI][kBlockedJ] = 0;
    startupFlags();
    uniformFlow(U);
    for (int k = 2; k <= znumber; ++k) {
        flow1[kBox[0] - 1][kBox[2]][k] = flow1[kBox[0]][kBox[2]][k] = flow1[kBox[1]][kBox[2]][k] = 0.0;
        if (k >= 3) flow1[kBlockedI - 1][kBlockedJ][k] = flow1[kBlockedI][kBlockedJ][k] = 0.0;
    }
}

void SedimentTest::twoBlocks() {
    SetArraysZero();
    TwoBlockGrid g;
    g.build();
    metric();
    MultiBlockInit();
    std::filesystem::remove("boogie");
    openColumns();
    startupFlags();
    // The host cells along the joined wall lose their wall.
    for (int m = g.start; m <= g.start + g.Y - 2; ++m)
        for (int k = 2; k <= znumber; ++k) {
            WallJ[m][2][k] = 0;
            Wall[m][2][k] = k == 2 ? 1 : 0;
        }
}

void SedimentTest::settlingBasin(double U) {
    SetArraysZero();
    boxGrid(21, 2, 11, 1.0, 3.0, 0.1);
    geometry();
    openColumns();
    startupFlags();
    uniformFlow(U);
}

void SedimentTest::basinWithSediment(double w, double K, int fractions) {
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

void SedimentTest::bedStep() {
    SetArraysZero();
    allocateGrid(9, 4, 6);
    fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 1.0}; },
             [](int i, int, int k) {
                 const double bed = i <= 4 ? 0.4 : 0.0;
                 return bed + (1.0 - bed) * (k - 1) / 5.0;
             });
    geometry();
    openColumns();
    startupFlags();
}

void SedimentTest::uniformFlow(double U) {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) flow1[i][j][k] = 1000.0 * U * m_ar_x[i][j][k];
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) xvel[i][j][k] = U;
}

void SedimentTest::uniformTurbulence(double k, double eps) {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int n = 0; n <= znumber + 1; ++n) {
                kinen[i][j][n] = k;
                epsilon[i][j][n] = eps;
            }
}

void SedimentTest::setDiffusivity(const std::function<double(int, int, int)>& fn) {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) diff[i][j][k] = fn(i, j, k);
}

double SedimentTest::centreHeight(int i, int j, int k) {
    double z = m_dist_z[i][j][2];
    for (int n = 3; n <= k; ++n) z += m_dist_z[i][j][n - 1] + m_dist_z[i][j][n];
    return z;
}

void SedimentTest::forInterior(const std::function<void(int, int, int)>& fn) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

std::string SedimentTest::log() { return readFile("boogie"); }

double SedimentTest::residual(int i, int j, int k) {
    const auto c = conc[1];
    return source[i][j][k] + ae[i][j][k] * c[i - 1][j][k] + aw[i][j][k] * c[i + 1][j][k] +
           as[i][j][k] * c[i][j - 1][k] + an[i][j][k] * c[i][j + 1][k] + ab[1][i][j][k] * c[i][j][k - 1] +
           at[1][i][j][k] * c[i][j][k + 1] - ap[1][i][j][k] * c[i][j][k];
}

int SedimentTest::solveUntilSteady(void (*solver)(), double tol, int n) {
    std::vector<double> before(conc.size());
    for (int it = 1; it <= n; ++it) {
        std::copy(conc.data(), conc.data() + conc.size(), before.begin());
        solver();
        double change = 0.0;
        for (std::size_t m = 0; m < before.size(); ++m) change = std::max(change, std::fabs(conc.data()[m] - before[m]));
        if (change < tol) return it;
    }
    return n + 1;
}

}  // namespace sedtest
