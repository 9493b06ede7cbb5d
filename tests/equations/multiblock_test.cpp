// The two-block fixture: host and joint cells reach each other through the
// joint tables in every solver, and a diffusion problem across the joint has
// the solution of the same geometry laid out as one block.
#include <cmath>

#include "equations/fixture.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"

using namespace eqtest;

namespace {

// ---------------------------------------------------------------------------
// Probes: every cell's equation is f = its own value, except one cell that is
// coupled to one neighbour only; after a solver call it holds that
// neighbour's value, and its residual is the difference of the two values.
// Grid: main block rows 2..5, attached block rows 6..8 (joint row 6).
// ---------------------------------------------------------------------------
struct Probe {
    const char* name;
    friend void PrintTo(const Probe& p, std::ostream* os) { *os << p.name; }
    bool leftSide;
    int i, j;             // the probed cell (k = 3)
    const char* coupling;  // name of its one coupling
    int pi, pj;           // the cell it must reach
};

const Probe kProbes[] = {
    {"host_reaches_joint_cell_right", false, 3, 2, "as", 6, 3},
    {"joint_cell_reaches_host_right", false, 6, 4, "ae", 4, 2},
    {"joint_cell_reaches_next_host_inward_right", false, 6, 4, "aee", 4, 3},
    {"cell_after_joint_reaches_host_right", false, 7, 4, "aee", 4, 2},
    {"host_reaches_cell_after_joint_right", false, 3, 2, "ass", 7, 3},
    {"second_host_cell_reaches_joint_cell_right", false, 3, 3, "ass", 6, 3},
    {"host_reaches_joint_cell_left", true, 3, 5, "an", 6, 4},
    {"joint_cell_reaches_host_left", true, 6, 4, "ae", 3, 5},
    {"joint_cell_reaches_next_host_inward_left", true, 6, 4, "aee", 3, 4},
    {"host_reaches_cell_after_joint_left", true, 3, 5, "ann", 7, 4},
    {"second_host_cell_reaches_joint_cell_left", true, 3, 4, "ann", 6, 4},
    {"ordinary_i_plus_1", false, 6, 4, "aw", 7, 4},
    {"ordinary_i_plus_2", false, 6, 4, "aww", 8, 4},
};

struct Routine {
    const char* name;
    friend void PrintTo(const Routine& r, std::ostream* os) { *os << r.name; }
    void (*run)();
    bool secondNeighbours;  // reads the 13-point couplings
    bool residual;
};

const Routine kRoutines[] = {
    {"TDMA_7point", WaterTDMA, false, false},
    {"TDMA_13point", WaterTDMA, true, false},
    {"GaussSeidel", WaterGaussSeidel, false, false},
    {"Residual_7point", Residual, false, true},
    {"Residual_13point", Residual, true, true},
    {"GaussSOU", WaterGaussSOU, true, false},
};

bool readsSecondNeighbours(const Probe& p) { return std::string(p.coupling).size() == 3 && p.coupling[1] == p.coupling[2]; }

// Every probe with every routine that reads its coupling.
std::vector<std::tuple<Probe, Routine>> probeCases() {
    std::vector<std::tuple<Probe, Routine>> cases;
    for (const Probe& p : kProbes)
        for (const Routine& r : kRoutines)
            if (r.secondNeighbours || !readsSecondNeighbours(p)) cases.emplace_back(p, r);
    return cases;
}

class JointProbe : public EquationTest, public ::testing::WithParamInterface<std::tuple<Probe, Routine>> {};

TEST_P(JointProbe, ReachesThePartnerCell) {
    const Probe& p = std::get<0>(GetParam());
    const Routine& r = std::get<1>(GetParam());
    makeGrid(8, 5, 4, true);
    twoBlockTables(5, p.leftSide);
    sou[1] = r.secondNeighbours ? 1 : 0;
    forAll([](int i, int j, int k) { f[i][j][k] = 100.0 * i + 10.0 * j + k; });
    forInterior([](int i, int j, int k) {
        wap[i][j][k] = iAp[i][j][k] = 1.0;
        source[i][j][k] = f[i][j][k];
    });
    const int k = 3;
    source[p.i][p.j][k] = 0.0;
    for (const NamedArray& a : coefficientArrays())
        if (std::string(a.name) == p.coupling) (*a.array)[p.i][p.j][k] = 1.0;
    const double partner = f[p.pi][p.pj][k];
    if (r.residual) {
        NormResidual[1] = 1.0;
        Residual();
        EXPECT_EQ(MaxResidual[1], std::fabs(partner - f[p.i][p.j][k]));
    } else {
        r.run();
        EXPECT_EQ(f[p.i][p.j][k], partner);
    }
}

INSTANTIATE_TEST_SUITE_P(TwoBlocks, JointProbe, ::testing::ValuesIn(probeCases()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------
// Convection and diffusion across the joint against the same cells on one
// block. The attached block's rows run away from the main block's side wall.
// Joined to wall j = 1 they become the rows below the main block on one
// block: attached cell (6 + r, j) is cell (j, 4 - r), main cell (i, j) is
// cell (i, j + 3). Joined to wall j = ynumber they become the rows above it:
// attached cell (6 + r, j) is cell (7 - j, 6 + r), main cell (i, j) is cell
// (i, j). Face fluxes map with the cells, changing sign where the two-block
// index runs against the one-block one. No wall flag closes the seam between
// main row 5 and joint row 6: the generators must, since those cells are not
// neighbours in space.
// ---------------------------------------------------------------------------
struct JointCase {
    const char* name;
    void (*generator)();
    void (*solver)();
    int sou;
    bool leftSide;
    friend void PrintTo(const JointCase& c, std::ostream* os) { *os << c.name; }
};

// GaussIter passes of the line solver, as a point solver makes GaussIter sweeps.
void tdmaPasses() {
    for (int n = 0; n < GaussIter; ++n) WaterTDMA();
}
// The same, each pass after a block correction.
void correctedTdmaPasses() {
    for (int n = 0; n < GaussIter; ++n) {
        BlockCorrection();
        WaterTDMA();
    }
}
void correctedGaussSOU() {
    const int sweeps = GaussIter;
    GaussIter = 1;
    for (int n = 0; n < sweeps; ++n) {
        BlockCorrection();
        WaterGaussSOU();
    }
    GaussIter = sweeps;
}

struct Cell2 {
    int i, j;
};

class JointGrid : public EquationTest, public ::testing::WithParamInterface<JointCase> {
protected:
    static constexpr int kBranchRows = 3;
    static constexpr int kX1 = 5, kY1 = 5 + kBranchRows;  // the one-block grid

    // Grid indices of one-block cell (i1, j1) on the two-block grid.
    static Cell2 twoBlockCell(int i1, int j1) {
        if (GetParam().leftSide) return j1 <= 5 ? Cell2{i1, j1} : Cell2{j1, 7 - i1};
        return j1 <= kBranchRows + 1 ? Cell2{6 + (kBranchRows + 1 - j1), i1} : Cell2{i1, j1 - kBranchRows};
    }
    static Cell2 oneBlockCell(int i1, int j1) { return {i1, j1}; }
    static bool attached(const Cell2& c) { return c.i >= 6; }

    // Viscosities of the one-block cells and its face fluxes, 0 on the
    // boundary faces of the domain.
    static double viscosity(int i1, int j1, int k) { return 0.5 + 0.37 * ((7 * i1 + 3 * j1 + 5 * k) % 11) / 11.0; }
    static double flux(int dir, int i1, int j1, int k) {
        const bool inner = dir == 1 ? i1 >= 2 && i1 <= kX1 - 1 : dir == 2 ? j1 >= 2 && j1 <= kY1 - 1 : k == 2;
        return inner ? 0.3 * std::sin(1.7 * i1 + 2.3 * j1 + 3.1 * k + dir) : 0.0;
    }

    void oneBlockFluxes() {
        for (int i1 = 1; i1 <= kX1; ++i1)
            for (int j1 = 1; j1 <= kY1; ++j1)
                for (int k = 1; k <= 3; ++k) {
                    flow1[i1][j1][k] = flux(1, i1, j1, k);
                    flow2[i1][j1][k] = flux(2, i1, j1, k);
                    flow3[i1][j1][k] = flux(3, i1, j1, k);
                }
    }
    // The flux F of the one-block face from cell L to cell H, put where the
    // two-block grid keeps the face between their images.
    static void placeFlux(Cell2 L, Cell2 H, int k, double F) {
        if (L.i == H.i && std::abs(L.j - H.j) == 1) {
            flow2[L.i][std::min(L.j, H.j)][k] = H.j > L.j ? F : -F;
        } else if (L.j == H.j && std::abs(L.i - H.i) == 1) {
            flow1[std::min(L.i, H.i)][L.j][k] = H.i > L.i ? F : -F;
        } else {  // the joint: from the joint cell into the host cell on wall j = 1, the reverse on j = ynumber
            const Cell2 host = attached(L) ? H : L;
            if (GetParam().leftSide)
                flow2[host.i][ynumber][k] = attached(H) ? F : -F;
            else
                flow2[host.i][1][k] = attached(H) ? -F : F;
        }
    }
    void twoBlockFluxes() {
        for (int k = 2; k <= 3; ++k) {
            for (int i1 = 2; i1 <= kX1 - 1; ++i1)
                for (int j1 = 2; j1 <= kY1; ++j1) placeFlux(twoBlockCell(i1, j1), twoBlockCell(i1 + 1, j1), k, flux(1, i1, j1, k));
            for (int i1 = 2; i1 <= kX1; ++i1)
                for (int j1 = 2; j1 <= kY1 - 1; ++j1) placeFlux(twoBlockCell(i1, j1), twoBlockCell(i1, j1 + 1), k, flux(2, i1, j1, k));
        }
        for (int i1 = 2; i1 <= kX1; ++i1)
            for (int j1 = 2; j1 <= kY1; ++j1)
                for (int k = 1; k <= 3; ++k) {
                    const Cell2 c = twoBlockCell(i1, j1);
                    flow3[c.i][c.j][k] = flux(3, i1, j1, k);
                }
    }

    // Builds the equation on the current grid; `cell` maps one-block indices
    // to the current grid's. wap: the sum of the couplings' magnitudes + 0.1.
    void buildEquation(Cell2 (*cell)(int, int)) {
        boxGeometry(1.0, 1.0, 1.0);
        sou[1] = GetParam().sou;
        for (int i1 = 2; i1 <= kX1; ++i1)
            for (int j1 = 2; j1 <= kY1; ++j1)
                for (int k = 2; k <= znumber; ++k) {
                    const Cell2 c = cell(i1, j1);
                    gama[c.i][c.j][k] = viscosity(i1, j1, k);
                    gamaV[c.i][c.j][k] = 2.0 * viscosity(i1, j1, k);
                }
        GetParam().generator();
        forInterior([](int i, int j, int k) {
            double s = 0.1;
            for (const NamedArray& a : coefficientArrays()) s += std::fabs((*a.array)[i][j][k]);
            wap[i][j][k] = s;
            iAp[i][j][k] = 1.0 / s;
        });
        const Cell2 hot = cell(2, 3 + kBranchRows), cold = cell(4, 2), heated = cell(5, 2 + kBranchRows);
        pin(hot.i, hot.j, 2, 1.0);
        pin(cold.i, cold.j, 3, 0.0);
        source[heated.i][heated.j][3] = 0.75;
    }
};

TEST_P(JointGrid, SolverAndResidualMatchTheOneBlockGrid) {
    // One block: 4 columns, 4 + 3 rows, 2 levels.
    makeGrid(kX1, kY1, 3, true);
    oneBlockFluxes();
    buildEquation(oneBlockCell);
    GaussIter = 1;
    GetParam().solver();
    std::vector<double> early = snapshot();  // a field that is not yet a solution
    NormResidual[1] = 1.0;
    Residual();
    const double earlyResidual = MaxResidual[1];
    GaussIter = 3000;
    GetParam().solver();
    std::vector<double> solution = snapshot();
    const FieldArray<double, 3> oneBlock = f;

    // Two blocks: main rows 2..5 of 4 cells in j, attached rows 6..8.
    makeGrid(5 + kBranchRows, 5, 3, true);
    twoBlockTables(5, GetParam().leftSide);
    twoBlockFluxes();
    buildEquation(twoBlockCell);
    auto copyIn = [&](const std::vector<double>& from) {
        for (int i1 = 2; i1 <= kX1; ++i1)
            for (int j1 = 2; j1 <= kY1; ++j1)
                for (int k = 2; k <= 3; ++k) {
                    const Cell2 c = twoBlockCell(i1, j1);
                    f[c.i][c.j][k] = from[oneBlock.offset(i1, j1, k)];
                }
    };
    copyIn(early);
    NormResidual[1] = 1.0;
    Residual();
    EXPECT_NEAR(MaxResidual[1], earlyResidual, 1e-12 * earlyResidual);
    EXPECT_GT(earlyResidual, 0.1);

    copyIn(std::vector<double>(early.size(), 0.0));
    GaussIter = 3000;
    GetParam().solver();
    double largest = 0.0;
    int missed = 0;
    for (int i1 = 2; i1 <= kX1; ++i1)
        for (int j1 = 2; j1 <= kY1; ++j1)
            for (int k = 2; k <= 3; ++k) {
                const Cell2 c = twoBlockCell(i1, j1);
                const double want = solution[oneBlock.offset(i1, j1, k)];
                missed += std::fabs(f[c.i][c.j][k] - want) > 1e-10;
                EXPECT_NEAR(f[c.i][c.j][k], want, 1e-10) << "one-block cell " << i1 << "," << j1 << "," << k;
                largest = std::max(largest, std::fabs(want));
            }
    EXPECT_EQ(missed, 0);
    EXPECT_GT(largest, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, JointGrid,
    ::testing::Values(JointCase{"power_law_GaussSeidel", coeffe_flow, WaterGaussSeidel, 0, false},
                      JointCase{"power_law_GaussSeidel_left", coeffe_flow, WaterGaussSeidel, 0, true},
                      JointCase{"power_law_TDMA", coeffe_flow, tdmaPasses, 0, false},
                      JointCase{"power_law_TDMA_left", coeffe_flow, tdmaPasses, 0, true},
                      JointCase{"second_order_upwind_GaussSOU", coeffe_SOU, WaterGaussSOU, 1, false},
                      JointCase{"second_order_upwind_GaussSOU_left", coeffe_SOU, WaterGaussSOU, 1, true},
                      JointCase{"second_order_upwind_TDMA", coeffe_SOU, tdmaPasses, 1, false},
                      JointCase{"second_order_upwind_TDMA_left", coeffe_SOU, tdmaPasses, 1, true},
                      JointCase{"second_order_upwind_block_correction_TDMA", coeffe_SOU, correctedTdmaPasses, 1, false},
                      JointCase{"second_order_upwind_block_correction_TDMA_left", coeffe_SOU, correctedTdmaPasses, 1, true},
                      JointCase{"second_order_upwind_block_correction_GaussSOU", coeffe_SOU, correctedGaussSOU, 1, false},
                      JointCase{"second_order_upwind_block_correction_GaussSOU_left", coeffe_SOU, correctedGaussSOU, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
