// The convection schemes: order of accuracy, face values, symmetry without
// flux, walls, multi-block branches, and the per-thread generators against
// the serial ones.
#include <cmath>

#include "equations/fixture.h"
#include "flow3d/state.h"
#include "grid/state.h"

using namespace eqtest;

namespace {

struct Scheme {
    const char* name;
    void (*serial)();
    void (*perThread)(int, int);
    int sou;  // scheme number
    friend void PrintTo(const Scheme& s, std::ostream* os) { *os << s.name; }
};

const Scheme kPowerLaw{"power_law", coeffe_flow, coeffe_flowOpenMP, 0};
const Scheme kCentral{"central", coeffe_central, coeffe_centralOpenMP, 2};
const Scheme kQuick{"QUICK", coeffe_quick, coeffe_quickOpenMP, 3};
const Scheme kSou{"second_order_upwind", coeffe_SOU, coeffe_SOUOpenMP, 1};
const Scheme kSchemes[] = {kPowerLaw, kCentral, kQuick, kSou};

// ---------------------------------------------------------------------------
// Order of accuracy: u phi' - Gamma phi'' = S on 0 < x < 1 with u = 1 and the
// exact solution phi = cos(pi x), on N cells along i, the end cells pinned to
// the exact values. The discrete equations are solved exactly (a dense
// elimination of the line), so the error is the scheme's alone.
// ---------------------------------------------------------------------------
struct OrderCase {
    const char* name;
    Scheme scheme;
    double gamma;  // cell Peclet number 1/(N gamma)
    double minOrder, maxOrder;
    friend void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }
};

class OrderOfAccuracy : public EquationTest, public ::testing::WithParamInterface<OrderCase> {
protected:
    double error(int cells) {
        const OrderCase& c = GetParam();
        makeGrid(cells + 1, 2, 2, true);
        const double dx = 1.0 / cells;
        boxGeometry(dx, 1.0, 1.0);
        for (std::int64_t n = 0; n < m_ar_x.size(); ++n) m_ar_x.data()[n] = 1.0;
        for (std::int64_t n = 0; n < gama.size(); ++n) gama.data()[n] = gamaV.data()[n] = c.gamma;
        for (int i = 1; i <= xnumber; ++i) flow1[i][2][2] = 1.0;
        sou[1] = c.scheme.sou;
        c.scheme.serial();
        auto x = [&](int i) { return (i - 1.5) * dx; };
        auto exact = [&](int i, int, int) { return std::cos(M_PI * x(i)); };
        forInterior([&](int i, int j, int k) {
            source[i][j][k] = (-M_PI * std::sin(M_PI * x(i)) + c.gamma * M_PI * M_PI * std::cos(M_PI * x(i))) * dx;
        });
        formCentre();
        pin(2, 2, 2, exact(2, 2, 2));
        pin(xnumber, 2, 2, exact(xnumber, 2, 2));
        solveLine();
        return maxError(exact);
    }

    // Gaussian elimination with pivoting of the equations of the line j = k = 2.
    static void solveLine() {
        const int n = xnumber - 1;
        std::vector<double> A(n * n, 0.0), b(n, 0.0);
        for (int i = 2; i <= xnumber; ++i) {
            const int r = i - 2;
            A[r * n + r] = wap[i][2][2];
            b[r] = source[i][2][2];
            auto couple = [&](int m, double a) {
                if (m >= 2 && m <= xnumber)
                    A[r * n + m - 2] -= a;
                else
                    b[r] += a * f[m][2][2];
            };
            couple(i - 1, ae[i][2][2]);
            couple(i + 1, aw[i][2][2]);
            couple(i - 2, aee[i][2][2]);
            couple(i + 2, aww[i][2][2]);
        }
        for (int c = 0; c < n; ++c) {
            int p = c;
            for (int r = c + 1; r < n; ++r)
                if (std::fabs(A[r * n + c]) > std::fabs(A[p * n + c])) p = r;
            for (int k = 0; k < n; ++k) std::swap(A[c * n + k], A[p * n + k]);
            std::swap(b[c], b[p]);
            for (int r = c + 1; r < n; ++r) {
                const double m = A[r * n + c] / A[c * n + c];
                for (int k = c; k < n; ++k) A[r * n + k] -= m * A[c * n + k];
                b[r] -= m * b[c];
            }
        }
        for (int r = n - 1; r >= 0; --r) {
            double s = b[r];
            for (int k = r + 1; k < n; ++k) s -= A[r * n + k] * b[k];
            b[r] = s / A[r * n + r];
        }
        for (int i = 2; i <= xnumber; ++i) f[i][2][2] = b[i - 2];
    }
};

TEST_P(OrderOfAccuracy, ObservedOrderOnRefinement) {
    const double coarse = error(40), fine = error(80);
    const double order = std::log2(coarse / fine);
    EXPECT_GE(order, GetParam().minOrder) << coarse << " " << fine;
    EXPECT_LE(order, GetParam().maxOrder) << coarse << " " << fine;
    EXPECT_LT(fine, 0.02);
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, OrderOfAccuracy,
    ::testing::Values(OrderCase{"power_law_high_Peclet", kPowerLaw, 1e-3, 0.85, 1.25},
                      OrderCase{"power_law_low_Peclet", kPowerLaw, 0.1, 1.8, 2.3},
                      OrderCase{"central_low_Peclet", kCentral, 0.1, 1.8, 2.3},
                      OrderCase{"QUICK_high_Peclet", kQuick, 1e-3, 1.8, 2.5},
                      OrderCase{"QUICK_low_Peclet", kQuick, 0.1, 1.8, 3.2},
                      OrderCase{"second_order_upwind_high_Peclet", kSou, 1e-3, 1.8, 2.3},
                      OrderCase{"second_order_upwind_low_Peclet", kSou, 0.1, 1.8, 2.3}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Face values.
// ---------------------------------------------------------------------------
class SchemeTest : public EquationTest {};

// Uniform flux F along i, D = 1 on every face.
TEST_F(SchemeTest, QuickGivesItsWeights) {
    unitBox(8, 3, 3);
    const double F = 0.4;
    for (int i = 1; i <= 8; ++i) flow1[i][2][2] = F;
    coeffe_quick();
    for (int m = 4; m <= 7; ++m) {
        EXPECT_DOUBLE_EQ(ae[m][2][2], 1.0 + 0.875 * F);
        EXPECT_DOUBLE_EQ(aee[m][2][2], -0.125 * F);
        EXPECT_DOUBLE_EQ(aw[m][2][2], 1.0 - 0.375 * F);
        EXPECT_EQ(aww[m][2][2], 0.0);
    }
    EXPECT_DOUBLE_EQ(ae[3][2][2], 1.0 + 1.125 * F);  // face 2 first order, face 3 QUICK
    EXPECT_EQ(aee[3][2][2], 0.0);
    EXPECT_EQ(ae[2][2][2], F);  // boundary face: the inflow only
}

TEST_F(SchemeTest, SecondOrderUpwindExtrapolatesWithOneAndAHalf) {
    unitBox(8, 3, 3);
    const double F = 0.4;
    for (int i = 1; i <= 8; ++i) flow1[i][2][2] = F;
    coeffe_SOU();
    for (int m = 4; m <= 7; ++m) {
        EXPECT_DOUBLE_EQ(ae[m][2][2], (1.5 * F + 1.0) + 0.5 * F);  // from faces m-1 and m
        EXPECT_DOUBLE_EQ(aee[m][2][2], -0.5 * F);
        EXPECT_DOUBLE_EQ(aw[m][2][2], 1.0);
    }
    EXPECT_DOUBLE_EQ(ae[3][2][2], (F + 1.0) + 0.5 * F);  // face 2 first order
    EXPECT_EQ(aee[3][2][2], 0.0);
    EXPECT_EQ(aee[2][2][2], 0.0);
    EXPECT_EQ(aww[8][2][2], 0.0);
}

// High cell's coupling minus low cell's is the face flux in every scheme
// (second-neighbour couplings included); the central scheme splits it evenly.
TEST_F(SchemeTest, CentralSplitsTheFluxEvenly) {
    makeGrid(7, 6, 5);
    randomFlow(4);
    coeffe_central();
    forInterior([](int i, int j, int k) {
        if (i < xnumber) {
            const double D = ae[i + 1][j][k] - 0.5 * flow1[i][j][k];
            EXPECT_NEAR(aw[i][j][k], D - 0.5 * flow1[i][j][k], 1e-13);
        }
        if (j < ynumber) {
            EXPECT_NEAR(as[i][j + 1][k] - an[i][j][k], flow2[i][j][k], 1e-13);
        }
        if (k < znumber) {
            EXPECT_NEAR(wab[i][j][k + 1] - wat[i][j][k], flow3[i][j][k], 1e-13);
        }
    });
}

class NoFlux : public SchemeTest, public ::testing::WithParamInterface<Scheme> {};

TEST_P(NoFlux, GivesSymmetricCouplings) {
    makeGrid(7, 6, 5, true);
    randomFlow(5);
    for (auto* a : {&flow1, &flow2, &flow3})
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 0.0;
    GetParam().serial();
    forInterior([](int i, int j, int k) {
        if (i < xnumber) {
            EXPECT_DOUBLE_EQ(aw[i][j][k], ae[i + 1][j][k]);
        }
        if (j < ynumber) {
            EXPECT_DOUBLE_EQ(an[i][j][k], as[i][j + 1][k]);
        }
        if (k < znumber) {
            EXPECT_DOUBLE_EQ(wat[i][j][k], wab[i][j][k + 1]);
        }
        for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att}) EXPECT_EQ((*a)[i][j][k], 0.0);
    });
}

INSTANTIATE_TEST_SUITE_P(Schemes, NoFlux, ::testing::ValuesIn(kSchemes),
                         [](const auto& info) { return std::string(info.param.name); });

// A wall across the middle of a line: nothing passes it, in any scheme.
class InnerWall : public SchemeTest, public ::testing::WithParamInterface<Scheme> {};

TEST_P(InnerWall, SeparatesTheTwoSides) {
    unitBox(9, 2, 2);
    WallI[6][2][2] = 1;  // wall between cells 5 and 6
    WallI[5][2][2] = -1;
    for (int i = 1; i <= 9; ++i) flow1[i][2][2] = i == 5 ? 0.0 : 0.3;  // no flux through the wall face
    GetParam().serial();
    EXPECT_EQ(ae[6][2][2], 0.0);
    EXPECT_EQ(aw[5][2][2], 0.0);
    EXPECT_EQ(aee[7][2][2], 0.0);  // the face after the wall is first order
    formCentre(1e-9);
    pin(2, 2, 2, 1.0);
    pin(9, 2, 2, 0.0);
    GaussIter = 200;
    WaterGaussSOU();
    for (int i = 3; i <= 5; ++i) EXPECT_NEAR(f[i][2][2], 1.0, 1e-6) << i;
    for (int i = 6; i <= 8; ++i) EXPECT_NEAR(f[i][2][2], 0.0, 1e-6) << i;
}

INSTANTIATE_TEST_SUITE_P(Schemes, InnerWall, ::testing::ValuesIn(kSchemes),
                         [](const auto& info) { return std::string(info.param.name); });

// The multi-block branch of second-order upwind scales every conductance by
// the reciprocal Schmidt number as on a single block.
TEST_F(SchemeTest, SecondOrderUpwindMultiBlockBranchKeepsTheSchmidtNumber) {
    makeGrid(8, 5, 4, true);
    randomFlow(6);
    invSchmidt[0] = 0.5;
    coeffe_SOU();
    std::vector<std::vector<double>> single;
    for (const NamedArray& a : coefficientArrays()) single.emplace_back(a.array->data(), a.array->data() + a.array->size());
    MBNo = 1;  // joint tables naming no partner
    coeffe_SOU();
    const auto arrays = coefficientArrays();
    for (size_t n = 0; n < arrays.size(); ++n)
        forInterior([&](int i, int j, int k) {
            EXPECT_TRUE(sameBits((*arrays[n].array)[i][j][k], single[n][arrays[n].array->offset(i, j, k)]))
                << arrays[n].name << "(" << i << "," << j << "," << k << ")";
        });
}

// An attached block of one row: its joint row is the grid's last row, and the
// i-face after each joint cell is the outflow boundary face, which carries
// the outflowing flux only, as on a single block (no diffusion through it,
// no cells behind it).
TEST_F(SchemeTest, SecondOrderUpwindJointRowAtTheLastRowKeepsTheOutflowFace) {
    unitBox(6, 5, 3);
    twoBlockTables(5);  // joint row 6 = xnumber, host columns 2..5
    for (int j = 2; j <= 5; ++j)
        for (int k = 2; k <= 3; ++k) flow1[6][j][k] = j == 3 ? -0.5 : 0.5;
    coeffe_SOU();
    for (int j = 2; j <= 5; ++j)
        for (int k = 2; k <= 3; ++k) {
            EXPECT_EQ(aw[6][j][k], j == 3 ? 0.5 : 0.0) << j << "," << k;
            EXPECT_EQ(aww[6][j][k], 0.0);
            EXPECT_EQ(ae[6][j][k], 1.0);  // the link to its host cell: D only, no flux through the joint
            EXPECT_EQ(as[j][2][k], 1.0);
        }
}

// ---------------------------------------------------------------------------
// Per-thread generators against the serial ones.
// ---------------------------------------------------------------------------
struct TeamCase {
    Scheme scheme;
    int threads;
    bool multiBlock;
};

std::vector<TeamCase> teamCases() {
    std::vector<TeamCase> cases;
    for (const Scheme& s : kSchemes)
        for (int threads : {1, 3, 4, 16})
            for (bool mb : {false, true})
                if (!mb || s.perThread == coeffe_flowOpenMP || s.perThread == coeffe_SOUOpenMP)
                    cases.push_back({s, threads, mb});
    return cases;
}

class PerThreadGenerator : public EquationTest, public ::testing::WithParamInterface<TeamCase> {};

TEST_P(PerThreadGenerator, EqualsTheSerialCoefficients) {
    const TeamCase& c = GetParam();
    makeGrid(12, 6, 5, true);
    randomFlow(8);
    if (c.multiBlock) twoBlockTables(6);
    StressDiff = 0.1;
    for (int j = 2; j <= 6; ++j) {
        WallI[2][j][3] = 1;  // walls on the first and last cells and inside
        WallI[12][j][4] = -1;
        WallI[8][j][2] = 1;
        WallI[7][j][2] = -1;
        WallJ[9][j][2] = 1;
        WallK[2][j][2] = 1;
    }
    c.scheme.serial();
    std::vector<std::vector<double>> serial;
    for (const NamedArray& a : coefficientArrays()) {
        serial.emplace_back(a.array->data(), a.array->data() + a.array->size());
        for (std::int64_t n = 0; n < a.array->size(); ++n) a.array->data()[n] = -1.0;
    }
    NoProcessesSolver = c.threads;
    runPerThread(c.scheme.perThread);
    const auto arrays = coefficientArrays();
    const size_t count = c.scheme.sou == 1 || c.scheme.sou == 3 ? 12 : 6;
    for (size_t n = 0; n < count; ++n)
        forInterior([&](int i, int j, int k) {
            EXPECT_TRUE(sameBits((*arrays[n].array)[i][j][k], serial[n][arrays[n].array->offset(i, j, k)]))
                << arrays[n].name << "(" << i << "," << j << "," << k << ")";
        });
}

INSTANTIATE_TEST_SUITE_P(Teams, PerThreadGenerator, ::testing::ValuesIn(teamCases()), [](const auto& info) {
    const TeamCase& c = info.param;
    return std::string(c.scheme.name) + "_" + std::to_string(c.threads) + "_threads" + (c.multiBlock ? "_multiblock" : "");
});

}  // namespace
