// The sediment point solver and its plane correction: the equilibrium
// profile of the still column against Rouse, plug flow in the channel, the
// plane correction's properties, the sweep variants and the block joints.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "support/grids.h"

using namespace sedtest;

namespace {

// Sum of |residual| over the solved cells k 3..znumber that are open and not fixed.
double summedResidual() {
    double s = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 3; k <= znumber; ++k)
                if (OBlok[i][j][k] == 1 && ap[1][i][j][k] < 1e15) s += std::fabs(SedimentTest::residual(i, j, k));
    return s;
}

// Repeats sole_gauseid until no value changes by more than tol (at most n calls).
int solve(double tol, int n) { return SedimentTest::solveUntilSteady(sole_gauseid, tol, n); }

// ---------------------------------------------------------------------------
// Equilibrium profile against Rouse: settling balanced by the diffusion of
// the parabolic eddy viscosity 0.4 u* z (1 - z/h), the bed cell held.
// ---------------------------------------------------------------------------
constexpr double kUstar = 0.05, kDepth = 1.0;

struct Profile {
    double worst;  // largest relative deviation from Rouse of c/c(k=3) up to 0.8 h
    double step;   // (c3/c2) / (Rouse(z3)/Rouse(z2))
};

Profile rouseProfile(int layers, double Z) {
    lnumber = 1;
    SedimentTest::stillColumn(layers + 1, kDepth);
    indexl = 1;
    fallvelo[1] = Z * 0.4 * kUstar;
    SedimentTest::setDiffusivity([](int i, int j, int k) {
        if (i != 2 || j != 2 || k < 2 || k > znumber) return 0.0;
        const double z = SedimentTest::centreHeight(2, 2, k);
        return 0.4 * kUstar * z * (1.0 - z / kDepth);
    });
    coeffe_setup2();
    conc[1][2][2][2] = 1.0;  // the bed cell; level znumber+1 stays 0
    EXPECT_LT(solve(1e-15, 200), 200);
    auto rouse = [Z](double z) { return std::pow((kDepth - z) / z, Z); };
    const double z2 = SedimentTest::centreHeight(2, 2, 2), z3 = SedimentTest::centreHeight(2, 2, 3);
    const double c3 = conc[1][2][2][3];
    Profile p{0.0, (c3 / conc[1][2][2][2]) / (rouse(z3) / rouse(z2))};
    for (int k = 3; k <= znumber; ++k) {
        const double z = SedimentTest::centreHeight(2, 2, k);
        if (z > 0.8 * kDepth) break;
        p.worst = std::max(p.worst, std::fabs(conc[1][2][2][k] / c3 / (rouse(z) / rouse(z3)) - 1.0));
    }
    return p;
}

TEST_F(SedimentTest, EquilibriumProfileFollowsRouse) {
    for (int layers : {20, 40})
        for (double Z : {0.25, 0.5, 1.0}) {
            SCOPED_TRACE(std::to_string(layers) + " layers, Z " + std::to_string(Z));
            const Profile p = rouseProfile(layers, Z);
            std::printf("%d layers, Z = %.2f: profile off Rouse by %.4f, bed step ratio %.4f (1 + 0.1 Z = %.4f)\n",
                        layers, Z, p.worst, p.step, 1.0 + 0.1 * Z);
            EXPECT_LT(p.worst, 0.02);
            EXPECT_NEAR(p.step, 1.0 + 0.1 * Z, 0.02);
        }
}

// ---------------------------------------------------------------------------
// Plug flow: no settling, inflow and bed at c_in: every solved cell c_in.
// ---------------------------------------------------------------------------
TEST_F(SedimentTest, PlugFlowCarriesTheInflowConcentration) {
    straightChannel(0.5);
    indexl = 1;
    fallvelo[1] = 0.0;
    coeffe_setup();
    coeffe_setup2();
    const double cin = 0.3;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) conc[1][1][j][k] = cin;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) conc[1][i][j][2] = cin;
    EXPECT_LT(solve(1e-16, 50), 50);
    double worst = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 3; k <= znumber; ++k) {
                EXPECT_NEAR(conc[1][i][j][k], cin, 1e-15) << i << " " << j << " " << k;
                worst = std::max(worst, std::fabs(residual(i, j, k)) / (ap[1][i][j][k] * cin));
            }
    EXPECT_LT(worst, 1e-15);
}

// ---------------------------------------------------------------------------
// The plane correction.
// ---------------------------------------------------------------------------
// On one column its k-pass is the column's Thomas recursion: one call solves it.
TEST_F(SedimentTest, BlockCorrectionSolvesOneColumnInOneCall) {
    lnumber = 1;
    stillColumn(21);
    indexl = 1;
    fallvelo[1] = 0.01;
    setDiffusivity([](int, int, int k) { return 0.001 * (1 + k % 3); });
    coeffe_setup2();
    conc[1][2][2][2] = 1.0;
    for (int k = 3; k <= znumber; ++k) source[2][2][k] = 1e-4 * k;
    EXPECT_GT(summedResidual(), 1e-3);
    blockSedim();
    for (int k = 3; k <= znumber; ++k) EXPECT_NEAR(residual(2, 2, k), 0.0, 1e-16) << k;
}

// In the channel with settling and diffusion the plane correction lowers the
// summed residual, and so does every call of the solver after it.
TEST_F(SedimentTest, BlockCorrectionLowersTheChannelResidual) {
    straightChannel(0.2);
    indexl = 1;
    fallvelo[1] = 0.005;
    uniformTurbulence(0.002, 0.001);
    coeffe_setup();
    coeffe_setup2();
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) conc[1][i][j][2] = 0.01 * (1 + (i + j) % 3);
    double last = summedResidual();
    blockSedim();
    EXPECT_LT(summedResidual(), last);
    last = summedResidual();
    for (int call = 1; call <= 4; ++call) {
        sole_gauseid();
        const double now = summedResidual();
        std::printf("call %d: summed residual %.3e\n", call, now);
        EXPECT_LT(now, last) << call;
        last = now;
    }
}

// A plane without open unfixed cells gets correction 0 (and passes pt = 0
// on); a fixed cell is left out of the sums but corrected; blocked cells
// keep their values.
TEST_F(SedimentTest, BlockCorrectionSkipsFixedAndBlockedCells) {
    channelWithBlocks(0.2);
    indexl = 1;
    fallvelo[1] = 0.005;
    setDiffusivity([](int, int, int) { return 0.001; });
    coeffe_setup2();
    for (int j = 2; j <= ynumber; ++j)  // the i-plane 6 fixed at 0.2
        for (int k = 3; k <= znumber; ++k) {
            ap[1][6][j][k] = 1e30;
            source[6][j][k] = 1e30 * 0.2;
        }
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            conc[1][i][j][2] = 0.05;
            for (int k = 3; k <= znumber; ++k) conc[1][i][j][k] = OBlok[i][j][k] ? 0.01 * k : 0.7;
        }
    const double fixedBefore = conc[1][6][3][4];
    blockSedim();
    EXPECT_EQ(pt[6], 0.0);  // the last pass, over i-planes: plane 6 has no equation
    EXPECT_EQ(qt[6], 0.0);
    EXPECT_NE(conc[1][6][3][4], fixedBefore);  // the fixed cell moved with its j- and k-planes
    EXPECT_NE(qt[5], 0.0);  // while its neighbour plane has one
    for (int k = kBox[4]; k <= kBox[5]; ++k) EXPECT_EQ(conc[1][kBox[0]][kBox[2]][k], k == 2 ? 0.05 : 0.7) << k;
    for (int k = 3; k <= znumber; ++k) EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][k], 0.7) << k;
}

// ---------------------------------------------------------------------------
// Sweep variants. Two cells of column (5, 3) outside the plane correction
// (blocked): A = B + 1 at k 3 and B = A + 1 at k 4 count the updates; with
// A = 1e-150 and B = A the flushing sweeps show.
// ---------------------------------------------------------------------------
struct Variant {
    const char* name;
    friend void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }
    int scheme, mbno;
    double countA, countB;  // after one call from 0
    bool backwardFlushes;   // the last half sweep stores A = 1e-150 as 0
    bool zeroesBlocks;      // solid boxes and (F 36) blocked columns at 0 first
};

class SedimentSweepVariant : public SedimentTest, public ::testing::WithParamInterface<Variant> {
protected:
    void build() {
        SedimentScheme = GetParam().scheme;
        channelWithBlocks(0.0);
        MBNo = GetParam().mbno;  // joint tables without joints
        indexl = 1;
        for (int k = 3; k <= 4; ++k) OBlok[5][3][k] = 0;
    }
};

TEST_P(SedimentSweepVariant, CountsUpdatesAndFlushes) {
    build();
    // every other cell: ap 0 (keeps its value)
    at[1][5][3][3] = ab[1][5][3][4] = 1.0;
    ap[1][5][3][3] = ap[1][5][3][4] = 1.0;
    source[5][3][3] = source[5][3][4] = 1.0;
    sole_gauseid();
    EXPECT_EQ(conc[1][5][3][3], GetParam().countA);
    EXPECT_EQ(conc[1][5][3][4], GetParam().countB);

    at[1][5][3][3] = 0.0;
    source[5][3][3] = 1e-150;
    source[5][3][4] = 0.0;
    conc[1][5][3][3] = conc[1][5][3][4] = 1.0;
    sole_gauseid();
    EXPECT_EQ(conc[1][5][3][4], 0.0);  // every forward (ascending) sweep flushes
    EXPECT_EQ(conc[1][5][3][3], GetParam().backwardFlushes ? 0.0 : 1e-150);
}

TEST_P(SedimentSweepVariant, SolidBoxesAndBlockedColumns) {
    build();
    FlagTFS = 1;
    for (std::size_t m = 0; m < static_cast<std::size_t>(conc.size()); ++m) conc.data()[m] = 1.0;
    sole_gauseid();  // every ap 0: the sweeps keep every value
    const bool z = GetParam().zeroesBlocks;
    for (int k = kBox[4]; k <= kBox[5]; ++k)  // the box reaches the bed cell
        EXPECT_EQ(conc[1][kBox[1]][kBox[2]][k], z ? 0.0 : 1.0) << k;
    EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][2], 1.0);
    for (int k = 3; k <= znumber; ++k) EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][k], z ? 0.0 : 1.0) << k;
    EXPECT_EQ(conc[1][3][3][4], 1.0);
    if (z) {  // without F 36 the columns stay
        FlagTFS = 0;
        conc[1][kBlockedI][kBlockedJ][4] = 1.0;
        sole_gauseid();
        EXPECT_EQ(conc[1][kBlockedI][kBlockedJ][4], 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Sediment, SedimentSweepVariant,
                         ::testing::Values(Variant{"single_block_7_point", 0, 0, 3, 2, true, true},
                                           Variant{"multi_block_7_point", 0, 1, 5, 4, false, false},
                                           Variant{"single_block_13_point", 1, 0, 3, 2, false, false},
                                           Variant{"multi_block_13_point", 1, 1, 3, 2, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The second-order scheme has no plane correction; a null concentration
// field returns at once.
TEST_F(SedimentTest, NoPlaneCorrectionWithTheSecondOrderSchemeNorWithoutAField) {
    for (int scheme : {0, 1}) {
        SedimentScheme = scheme;
        straightChannel(0.2);
        indexl = 1;
        fallvelo[1] = 0.005;
        setDiffusivity([](int, int, int) { return 0.001; });
        coeffe_setup2();
        for (int m = 0; m < pt.extent(0); ++m) pt[m] = qt[m] = -7.0;
        sole_gauseid();
        EXPECT_EQ(pt[3] == -7.0, scheme == 1) << scheme;
    }
    for (int m = 0; m < pt.extent(0); ++m) pt[m] = -7.0;
    SedimentScheme = 0;
    conc.setNull();
    indexl = 0;  // not even checked
    sole_gauseid();
    EXPECT_EQ(pt[3], -7.0);
}

// ---------------------------------------------------------------------------
// Block joints: a probed cell coupled to one neighbour only takes that
// neighbour's value; every other cell keeps its own (ap 1, source its value).
// ---------------------------------------------------------------------------
struct Probe {
    const char* name;
    friend void PrintTo(const Probe& p, std::ostream* os) { *os << p.name; }
    int scheme;
    int i, j;
    const char* coupling;
    int pi, pj;  // the partner: TwoBlockGrid joins row 11 to wall j = 1 of host columns 3..5
};

class SedimentJointProbe : public SedimentTest, public ::testing::WithParamInterface<Probe> {};

FieldArray<double, 3>* named(const std::string& n) {
    if (n == "ae") return &ae;
    if (n == "aw") return &aw;
    if (n == "as") return &as;
    if (n == "an") return &an;
    if (n == "aee") return &aee;
    if (n == "ass") return &ass;
    return nullptr;
}

TEST_P(SedimentJointProbe, ReachesThePartnerCell) {
    const Probe& p = GetParam();
    SedimentScheme = p.scheme;
    twoBlocks();
    indexl = 1;
    for (int i = 0; i <= xnumber + 2; ++i)
        for (int j = 0; j <= ynumber + 2; ++j)
            for (int k = 0; k <= znumber + 2; ++k) conc[1][i][j][k] = 100.0 * i + 10.0 * j + k;
    forInterior([](int i, int j, int k) {
        ap[1][i][j][k] = 1.0;
        source[i][j][k] = conc[1][i][j][k];
    });
    const int k = 3;
    source[p.i][p.j][k] = 0.0;
    (*named(p.coupling))[p.i][p.j][k] = 1.0;
    const double partner = conc[1][p.pi][p.pj][k];
    sole_gauseid();
    EXPECT_EQ(conc[1][p.i][p.j][k], partner);
}

INSTANTIATE_TEST_SUITE_P(
    TwoBlocks, SedimentJointProbe,
    ::testing::Values(Probe{"host_reaches_joint_cell_7", 0, 3, 2, "as", 11, 2},
                      Probe{"joint_cell_reaches_host_7", 0, 11, 3, "ae", 4, 2},
                      Probe{"ordinary_neighbour_7", 0, 11, 3, "aw", 12, 3},
                      Probe{"host_reaches_joint_cell_13", 1, 3, 2, "as", 11, 2},
                      Probe{"joint_cell_reaches_host_13", 1, 11, 3, "ae", 4, 2},
                      Probe{"joint_cell_reaches_next_host_inward_13", 1, 11, 3, "aee", 4, 3},
                      Probe{"cell_after_joint_reaches_host_13", 1, 12, 3, "aee", 4, 2},
                      Probe{"host_reaches_cell_after_joint_13", 1, 3, 2, "ass", 12, 2},
                      Probe{"second_host_cell_reaches_joint_cell_13", 1, 3, 3, "ass", 11, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// The plane correction reads the joint partner too: a residual that exists
// only across the joint moves the probed cell's planes.
TEST_F(SedimentTest, BlockCorrectionReadsAcrossTheJoint) {
    struct Case {
        int i, j;
        FieldArray<double, 3>* coupling;
        int pi, pj;
    };
    for (const Case c : {Case{11, 3, &ae, 4, 2}, Case{3, 2, &as, 11, 2}}) {
        twoBlocks();
        indexl = 1;
        forInterior([](int i, int j, int k) { ap[1][i][j][k] = 1.0; });
        const int k = 3;
        (*c.coupling)[c.i][c.j][k] = 1.0;
        conc[1][c.pi][c.pj][k] = 1.0;  // its equation holds: source 1
        source[c.pi][c.pj][k] = 1.0;
        // Read through the plain neighbour, every equation would hold already.
        blockSedim();
        EXPECT_NE(conc[1][c.i][c.j][k], 0.0) << c.i;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Diffusion across the joint against the same cells laid out as one block.
// The attached rows 11..13 of the two-block grid run away from wall j = 1 of
// host columns 3..5, so on one block they are the rows j1 4, 3, 2 below the
// main block, whose rows j 2..4 become j1 5..7; one-block cells of rows
// 2..4 outside columns 3..5 do not exist (no couplings, value 0).
// ---------------------------------------------------------------------------
namespace joint {

constexpr int kI1 = 10, kJ1 = 7;

bool exists(int i1, int j1) { return j1 >= 5 || (i1 >= 3 && i1 <= 5); }
std::pair<int, int> twoBlockCell(int i1, int j1) {
    if (j1 >= 5) return {i1, j1 - 3};
    return {11 + 4 - j1, i1 - 1};
}
std::pair<int, int> oneBlockCell(int i1, int j1) { return {i1, j1}; }

// Diffusion of conductance 1 between neighbouring cells, 0.5 vertically, the
// level below kFirst held at a pattern, a sink 0.1 everywhere and one source.
void buildEquation(std::pair<int, int> (*cell)(int, int), bool twoBlocks, int kFirst) {
    for (int i1 = 2; i1 <= kI1; ++i1)
        for (int j1 = 2; j1 <= kJ1; ++j1) {
            if (!exists(i1, j1)) {  // only on one block: a cell of its own, held at 0
                if (!twoBlocks)
                    for (int k = kFirst; k <= znumber; ++k) ap[1][i1][j1][k] = 1.0;
                continue;
            }
            const auto [i, j] = cell(i1, j1);
            conc[1][i][j][kFirst - 1] = 0.1 * i1 + 0.05 * j1;
            for (int k = kFirst; k <= znumber; ++k) {
                // One-block direction -> the array that couples it on this grid.
                const bool side = twoBlocks && j1 <= 4;
                FieldArray<double, 3>* west = side ? &as : &ae;
                FieldArray<double, 3>* east = side ? &an : &aw;
                FieldArray<double, 3>* south = side ? &aw : &as;
                FieldArray<double, 3>* north = side ? &ae : &an;
                double sum = 0.1;
                auto link = [&](FieldArray<double, 3>* a, int ni, int nj) {
                    const bool inside = ni >= 2 && ni <= kI1 && nj >= 2 && nj <= kJ1 && exists(ni, nj);
                    (*a)[i][j][k] = inside ? 1.0 : 0.0;
                    sum += (*a)[i][j][k];
                };
                link(west, i1 - 1, j1);
                link(east, i1 + 1, j1);
                link(south, i1, j1 - 1);
                link(north, i1, j1 + 1);
                ab[1][i][j][k] = 0.5;
                at[1][i][j][k] = k < znumber ? 0.5 : 0.0;
                ap[1][i][j][k] = sum + ab[1][i][j][k] + at[1][i][j][k];
            }
        }
    const auto [si, sj] = cell(8, 6);
    source[si][sj][4] = 0.3;
}

}  // namespace joint

// The same with the suspended cells solved (sole_gauseid) and with the bed
// cell solved too (sole2_gauseid).
struct JointSolver {
    const char* name;
    friend void PrintTo(const JointSolver& s, std::ostream* os) { *os << s.name; }
    void (*solver)();
    int kFirst;
};

class SedimentJointDiffusion : public SedimentTest, public ::testing::WithParamInterface<JointSolver> {};

TEST_P(SedimentJointDiffusion, GivesTheOneBlockAnswer) {
    const int kFirst = GetParam().kFirst;
    quird_test::boxGrid(joint::kI1, joint::kJ1, 4, 1.0, 1.0, 0.25);
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) OBlok[i][j][k] = 1;
    indexl = 1;
    joint::buildEquation(joint::oneBlockCell, false, kFirst);
    EXPECT_LT(solveUntilSteady(GetParam().solver, 1e-15, 500), 500);
    std::vector<double> oneBlock;
    for (int i1 = 2; i1 <= joint::kI1; ++i1)
        for (int j1 = 2; j1 <= joint::kJ1; ++j1)
            for (int k = kFirst; k <= znumber; ++k) oneBlock.push_back(conc[1][i1][j1][k]);

    twoBlocks();
    ASSERT_EQ(xnumber, 13);
    for (int j = 2; j <= ynumber; ++j) ASSERT_EQ(Pi1MultiBlock[11][j][0], j + 1);  // the layout assumed
    indexl = 1;
    joint::buildEquation(joint::twoBlockCell, true, kFirst);
    EXPECT_LT(solveUntilSteady(GetParam().solver, 1e-15, 500), 500);
    std::size_t n = 0;
    double worst = 0.0, largest = 0.0;
    for (int i1 = 2; i1 <= joint::kI1; ++i1)
        for (int j1 = 2; j1 <= joint::kJ1; ++j1)
            for (int k = kFirst; k <= znumber; ++k, ++n) {
                if (!joint::exists(i1, j1)) continue;
                const auto [i, j] = joint::twoBlockCell(i1, j1);
                worst = std::max(worst, std::fabs(conc[1][i][j][k] - oneBlock[n]));
                largest = std::max(largest, oneBlock[n]);
            }
    EXPECT_GT(largest, 0.1);
    EXPECT_LT(worst, 1e-13);
}

INSTANTIATE_TEST_SUITE_P(Sediment, SedimentJointDiffusion,
                         ::testing::Values(JointSolver{"suspended_cells", sole_gauseid, 3},
                                           JointSolver{"bed_cell_included", sole2_gauseid, 2}),
                         [](const auto& info) { return std::string(info.param.name); });
