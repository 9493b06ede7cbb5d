// The sediment line solver: its fixed point against the point solver's on
// one block and across a block joint, exact line solutions, the preparation
// of the blocked cells before every sweep, the boundary values and the
// degenerate calls.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using namespace sedtest;

namespace {

// Residual of cell (i, j, k) of fraction 1 with the neighbours of the
// point solver's 7-point stencil (across a joint: the host cell for i-1, the
// joint cell for j-1 at j = 2 and for j+1 at j = ynumber).
double residual(int i, int j, int k) {
    const auto c = conc[1];
    int wi = i - 1, wj = j, si = i, sj = j - 1, ni = i, nj = j + 1;
    if (MBNo > 0) {
        if (Pi1MultiBlock[i][j][0] != 0) wi = Pi1MultiBlock[i][j][0], wj = Pi1MultiBlock[i][j][1];
        if (j == 2 && Pj1MultiBlock[i][0] != 0) si = Pj1MultiBlock[i][0], sj = Pj1MultiBlock[i][1];
        if (j == ynumber && Pj2MultiBlock[i][0] != 0) ni = Pj2MultiBlock[i][0], nj = Pj2MultiBlock[i][1];
    }
    return source[i][j][k] + ae[i][j][k] * c[wi][wj][k] + aw[i][j][k] * c[i + 1][j][k] +
           as[i][j][k] * c[si][sj][k] + an[i][j][k] * c[ni][nj][k] + ab[1][i][j][k] * c[i][j][k - 1] +
           at[1][i][j][k] * c[i][j][k + 1] - ap[1][i][j][k] * c[i][j][k];
}

// Largest |residual| / (ap * largest |c|) over the solved cells.
double relativeResidual() {
    double worst = 0.0, scale = 1e-300;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 3; k <= znumber; ++k) scale = std::max(scale, std::fabs(conc[1][i][j][k]));
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 3; k <= znumber; ++k)
                worst = std::max(worst, std::fabs(residual(i, j, k)) / (ap[1][i][j][k] * scale));
    return worst;
}

std::vector<double> snapshot() { return std::vector<double>(conc.data(), conc.data() + conc.size()); }
void restore(const std::vector<double>& v) { std::copy(v.begin(), v.end(), conc.data()); }

// Calls `solver` until no value changes by more than 1e-15 times the largest
// value; returns the number of calls (n + 1 when it did not settle).
int settle(void (*solver)(), int n) {
    for (int it = 1; it <= n; ++it) {
        const std::vector<double> before = snapshot();
        solver();
        double change = 0.0, largest = 1e-300;
        for (std::size_t m = 0; m < before.size(); ++m) {
            change = std::max(change, std::fabs(conc.data()[m] - before[m]));
            largest = std::max(largest, std::fabs(before[m]));
        }
        if (change <= 1e-15 * largest) return it;
    }
    return n + 1;
}

// Every cell outside the solved ones (i 2..xnumber, j 2..ynumber, k
// 3..znumber) as in `before`.
void expectBoundaryKept(const std::vector<double>& before) {
    const std::vector<double> now = snapshot();
    const std::int64_t X = conc.extent(1), Y = conc.extent(2), Z = conc.extent(3);
    int changed = 0;
    for (std::int64_t l = 0; l < conc.extent(0); ++l)
        for (std::int64_t i = 0; i < X; ++i)
            for (std::int64_t j = 0; j < Y; ++j)
                for (std::int64_t k = 0; k < Z; ++k) {
                    const bool solved = l == 1 && i >= 2 && i <= xnumber && j >= 2 && j <= ynumber && k >= 3 &&
                                        k <= znumber;
                    const std::size_t m = static_cast<std::size_t>(((l * X + i) * Y + j) * Z + k);
                    if (!solved && now[m] != before[m]) ++changed;
                }
    EXPECT_EQ(changed, 0);
}

// A value of every cell of the fraction, boundaries included.
void pattern(double scale) {
    for (int i = 0; i <= xnumber + 2; ++i)
        for (int j = 0; j <= ynumber + 2; ++j)
            for (int k = 0; k <= znumber + 2; ++k)
                conc[1][i][j][k] = scale * (1.0 + 0.1 * ((3 * i + 5 * j + 7 * k) % 11));
}

// A diffusion equation on the solved cells: conductance 1 + 0.1 (i + j) % 3
// horizontally, 0.5 vertically, a sink 0.1 and a source varying in space.
void diffusionEquation() {
    SedimentTest::forInterior([](int i, int j, int k) {
        if (k < 3) return;
        const double h = 1.0 + 0.1 * ((i + j) % 3);
        ae[i][j][k] = aw[i][j][k] = as[i][j][k] = an[i][j][k] = h;
        ab[1][i][j][k] = at[1][i][j][k] = 0.5;
        ap[1][i][j][k] = 4.0 * h + 1.0 + 0.1;
        source[i][j][k] = 0.01 * ((i * j + k) % 5);
    });
}

// ---------------------------------------------------------------------------
// The fixed point of the point solver, on one block (physical coefficients
// of a settling channel, and a diffusion equation) and across the joint of
// the two-block grid (where the i-lines end before the joint row and restart
// from the host cell).
// ---------------------------------------------------------------------------
struct FixedPointCase {
    const char* name;
    friend void PrintTo(const FixedPointCase& c, std::ostream* os) { *os << c.name; }
    void (*build)();
};

class SoleTdmaFixedPoint : public SedimentTest, public ::testing::WithParamInterface<FixedPointCase> {};

TEST_P(SoleTdmaFixedPoint, ReachesThePointSolversAnswer) {
    GetParam().build();
    const std::vector<double> start = snapshot();
    ASSERT_LT(settle(sole_gauseid, 5000), 5000);
    EXPECT_LT(relativeResidual(), 1e-12);
    const std::vector<double> point = snapshot();

    restore(start);
    for (int m = 0; m < pt.extent(0); ++m) pt[m] = qt[m] = -7.0;
    const int calls = settle(sole_tdma, 500);
    ASSERT_LT(calls, 500);
    EXPECT_LT(relativeResidual(), 1e-12);
    expectBoundaryKept(start);
    double worst = 0.0, largest = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 3; k <= znumber; ++k) {
                const double p = point[&conc[1][i][j][k] - conc.data()];
                worst = std::max(worst, std::fabs(conc[1][i][j][k] - p));
                largest = std::max(largest, std::fabs(p));
            }
    std::printf("%s: %d line-solver calls; largest difference to the point solver %.2e of %.3e\n",
                GetParam().name, calls, worst, largest);
    EXPECT_GT(largest, 1e-3);
    EXPECT_LE(worst, 1e-10 * largest);
}

INSTANTIATE_TEST_SUITE_P(
    Sediment, SoleTdmaFixedPoint,
    ::testing::Values(FixedPointCase{"settling_channel",
                                     [] {
                                         SedimentTest::straightChannel(0.3);
                                         indexl = 1;
                                         fallvelo[1] = 0.004;
                                         SedimentTest::uniformTurbulence(0.002, 0.001);
                                         coeffe_setup();
                                         coeffe_setup2();
                                         pattern(0.0);
                                         for (int i = 1; i <= xnumber; ++i)
                                             for (int j = 2; j <= ynumber; ++j) conc[1][i][j][2] = 0.02 + 0.001 * j;
                                         for (int j = 2; j <= ynumber; ++j)
                                             for (int k = 3; k <= znumber; ++k) conc[1][1][j][k] = 0.01;
                                     }},
                      FixedPointCase{"channel_diffusion",
                                     [] {
                                         SedimentTest::straightChannel(0.0);
                                         indexl = 1;
                                         pattern(0.2);
                                         diffusionEquation();
                                     }},
                      FixedPointCase{"two_blocks_diffusion",
                                     [] {
                                         SedimentTest::twoBlocks();
                                         indexl = 1;
                                         pattern(0.2);
                                         diffusionEquation();
                                     }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// A problem that varies along one grid direction only (couplings along it,
// a source and boundary values varying along it) is solved by one call: its
// lines in that direction are the exact Thomas solution, and the sweeps
// across it leave it.
// ---------------------------------------------------------------------------
TEST_F(SedimentTest, OneCallSolvesAProblemAlongOneDirection) {
    struct Along {
        const char* name;
        int axis;  // 0 i, 1 j, 2 k
        bool twoBlocks;
    };
    for (const Along a : {Along{"i", 0, false}, Along{"j", 1, false}, Along{"k", 2, false}, Along{"i", 0, true},
                          Along{"k", 2, true}}) {
        SCOPED_TRACE(std::string(a.name) + (a.twoBlocks ? " on two blocks" : " on one block"));
        if (a.twoBlocks)
            twoBlocks();
        else
            straightChannel(0.0);
        indexl = 1;
        pattern(0.5);
        forInterior([&](int i, int j, int k) {
            if (k < 3) return;
            const int m = a.axis == 0 ? i : a.axis == 1 ? j : k;
            // On two blocks the last row of the main block does not couple
            // forward to the joint row, so that the lines stay independent.
            const bool lastMainRow = a.twoBlocks && a.axis == 0 && i == 10;
            const double lo = 1.0 + 0.05 * m, hi = lastMainRow ? 0.0 : 1.2 - 0.03 * m;
            FieldArray<double, 3>& L = a.axis == 0 ? ae : as;
            FieldArray<double, 3>& U = a.axis == 0 ? aw : an;
            if (a.axis == 2) {
                ab[1][i][j][k] = lo;
                at[1][i][j][k] = hi;
            } else {
                L[i][j][k] = lo;
                U[i][j][k] = hi;
            }
            ap[1][i][j][k] = lo + hi + 0.01 * m;
            source[i][j][k] = 0.1 * (m % 4);
        });
        EXPECT_GT(relativeResidual(), 1e-2);
        sole_tdma();
        EXPECT_LT(relativeResidual(), 1e-14);
    }
}

// ---------------------------------------------------------------------------
// Preparation: the solid box and the blocked column at 0 before every sweep
// (a cell that reads its neighbour in the box during the last sweep reads 0)
// and not after the last (the box's solved cells keep the last sweep's
// value). The box reaches the bed cell, which stays 0. Every other cell has
// no equation (ap 0) and keeps its value.
// ---------------------------------------------------------------------------
TEST_F(SedimentTest, LineSolverZeroesBlockedCellsBeforeEverySweep) {
    for (int mbno : {0, 1}) {
        SCOPED_TRACE(mbno);
        channelWithBlocks(0.0);
        MBNo = mbno;  // joint tables without joints
        FlagTFS = 1;
        indexl = 1;
        for (std::int64_t m = 0; m < conc.size(); ++m) conc.data()[m] = 1.0;
        auto ownValue = [](int i, int j, int k) {
            ap[1][i][j][k] = 1.0;
            source[i][j][k] = 5.0;
        };
        for (int i = kBox[0]; i <= kBox[1]; ++i)
            for (int k = 3; k <= kBox[5]; ++k) ownValue(i, kBox[2], k);
        for (int k = 3; k <= znumber; ++k) ownValue(kBlockedI, kBlockedJ, k);
        const int ri = kBox[0] - 1, rj = kBox[2], rk = 3;  // the reader: its column comes before the box's
        ap[1][ri][rj][rk] = 1.0;
        aw[ri][rj][rk] = 1.0;
        sole_tdma();
        EXPECT_EQ(conc[1][ri][rj][rk], 0.0);
        for (int i = kBox[0]; i <= kBox[1]; ++i) {
            EXPECT_EQ(conc[1][i][kBox[2]][2], 0.0) << i;
            for (int k = 3; k <= kBox[5]; ++k) EXPECT_EQ(conc[1][i][kBox[2]][k], 5.0) << i << " " << k;
        }
        EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][2], 1.0);
        for (int k = 3; k <= znumber; ++k) EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][k], 5.0) << k;
        EXPECT_EQ(conc[1][3][2][4], 1.0);
        EXPECT_EQ(conc[1][8][5][znumber], 1.0);
    }
}

// ---------------------------------------------------------------------------
// Degenerate calls: no levels to solve (znumber 2) changes nothing but the
// solid box; a null concentration field returns at once; the status text.
// ---------------------------------------------------------------------------
TEST_F(SedimentTest, LineSolverWithoutLevelsOrFieldAndItsStatusText) {
    lnumber = 1;
    stillColumn(2);
    OutBlockNo = 1;
    OutBlock[1] = OutBlockRecord{};
    OutBlock[1].i1 = OutBlock[1].i2 = OutBlock[1].j1 = OutBlock[1].j2 = 2;
    OutBlock[1].k1 = OutBlock[1].k2 = 2;
    indexl = 1;
    pattern(1.0);
    forInterior([](int i, int j, int k) {
        ap[1][i][j][k] = 2.0;
        ab[1][i][j][k] = at[1][i][j][k] = 1.0;
    });
    const std::vector<double> before = snapshot();
    sole_tdma();
    const double* now = conc.data();
    for (std::size_t m = 0; m < before.size(); ++m)
        if (now + m != &conc[1][2][2][2]) {
            ASSERT_EQ(now[m], before[m]) << m;
        }
    EXPECT_EQ(conc[1][2][2][2], 0.0);

    struct Status {
        char debugging;
        const char* program;
    };
    for (const Status st : {Status{'N', " TDMA sediment solver "}, Status{'E', "earlier"}}) {
        debugging = st.debugging;
        std::strcpy(mc_program, "earlier");
        sole_tdma();
        EXPECT_STREQ(mc_program, st.program);
    }

    for (int m = 0; m < pt.extent(0); ++m) pt[m] = -7.0;
    debugging = 'N';
    std::strcpy(mc_program, "earlier");
    conc.setNull();
    indexl = 0;  // not even checked
    sole_tdma();
    EXPECT_EQ(pt[2], -7.0);
    EXPECT_STREQ(mc_program, "earlier");
}

}  // namespace
