// The pressure-correction step: p' couplings and sources, the solve and its
// sweeps, the SIMPLE/SIMPLEC corrections of fluxes, velocities and pressure,
// the free-surface top layer, the continuity values and the logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "sediment/state.h"
#include "run/reset.h"
#include "equations/solve.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

using Field = FieldArray<double, 3>;

std::vector<double> copyOf(const Field& a) { return {a.data(), a.data() + a.size()}; }
void restore(Field& a, const std::vector<double>& v) { std::copy(v.begin(), v.end(), a.data()); }

void forCells(int i1, int i2, int j1, int j2, int k1, int k2, const std::function<void(int, int, int)>& fn) {
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j)
            for (int k = k1; k <= k2; ++k) fn(i, j, k);
}
void forInterior(const std::function<void(int, int, int)>& fn) { forCells(2, xnumber, 2, ynumber, 2, znumber, fn); }

// Flow state that the step reads and changes, saved and put back between runs.
struct FlowState {
    std::vector<double> f1, f2, f3, u, v, w, p;
    static FlowState save() {
        return {copyOf(flow1), copyOf(flow2), copyOf(flow3), copyOf(xvel), copyOf(yvel), copyOf(zvel), copyOf(Pres)};
    }
    void put() const {
        restore(flow1, f1), restore(flow2, f2), restore(flow3, f3);
        restore(xvel, u), restore(yvel, v), restore(zvel, w), restore(Pres, p);
    }
};

class PressureCorrection : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // The settings the tests change go back to their values after the test.
        keep(xnumber), keep(ynumber), keep(znumber), keep(lnumber), keep(MBNo), keep(MBSkjot), keep(MBStart);
        keep(FlagTFS), keep(simple), keep(lcray), keep(sweeps), keep(blockcorr), keep(sou), keep(FlagPresGrad);
        keep(FlagTSC), keep(FlagTSCMinDepth), keep(TSCMinDepth), keep(OutBlockNo), keep(OutBlock);
        keep(DebugDumpNo), keep(DebugDump), keep(SpecEnergy), keep(FlagFlowDirCor), keep(TFSpreszero);
        keep(NoProcessesSolver), keep(FlagRapSolver), keep(GaussIter), keep(FlagUnderflow), keep(InputErrorLimit);
        keep(relaxPressure), keep(NormResidual), keep(MaxResidual), keep(Iter), keep(Equation);
        defaults();
    }
    void TearDown() override {
        for (const Kept& k : kept_) std::memcpy(k.at, k.bytes.data(), k.bytes.size());
        EngineTest::TearDown();
    }
    struct Kept {
        void* at;
        std::vector<char> bytes;
    };
    std::vector<Kept> kept_;
    template <typename T>
    void keep(T& v) {
        const char* b = reinterpret_cast<const char*>(&v);
        kept_.push_back({&v, std::vector<char>(b, b + sizeof v)});
    }
    // A fresh engine for the next case of a table.
    void reset() {
        resetEngine();
        std::filesystem::remove_all("boogie");
        defaults();
    }
    // Every setting the step reads, at its default unless a test sets it.
    static void defaults() {
        lnumber = 1;
        MBNo = 0;
        FlagTFS = 0;
        simple = 'Y';
        lcray = 'N';
        sweeps[4] = 5;
        blockcorr[4] = 0;
        sou[4] = 0;
        FlagPresGrad = 1;
        FlagTSC = 0;
        FlagTSCMinDepth = 0;
        TSCMinDepth = -1.0;
        OutBlockNo = 0;
        DebugDumpNo = 0;
        SpecEnergy = 0;
        FlagFlowDirCor = 0;
        TFSpreszero = 0;
        NoProcessesSolver = 0;
        FlagRapSolver = 0;
        GaussIter = 10;
        FlagUnderflow = 0;
        InputErrorLimit = 1e9;
        relaxPressure = 0.5;
        NormResidual[4] = 1.0;
        Iter = 1;
        Cont = DefMax = 0.0;
        DefMaxCell = kFirstCell;
        flowSteps.waterflow = [] {};  // the tests set the face fluxes by hand
    }

    // A single-block grid with cells growing along x, y and z, and its geometry.
    static void build(int X, int Y, int Z) {
        SetArraysZero();
        allocateGrid(X, Y, Z);
        fillGrid([](int i, int j) { return PlanPoint{xNode(i), yNode(j)}; },
                 [](int, int, int k) { return zNode(k); });
        geometry();
    }
    // A box grid of spacing dx, dy, dz.
    static void box(int X, int Y, int Z, double dx, double dy, double dz) {
        SetArraysZero();
        boxGrid(X, Y, Z, dx, dy, dz);
        geometry();
    }
    // The geometry, and every cell open as the start-up leaves them.
    static void geometry() {
        metric();
        smetric();
        std::fill(OBlok.data(), OBlok.data() + OBlok.size(), 1);
        std::fill(kblok.data(), kblok.data() + kblok.size(), 1);
        std::filesystem::remove("boogie");
    }
    static double xNode(int i) { return (i - 1) + 0.05 * (i - 1) * (i - 1); }
    static double yNode(int j) { return 0.4 * (j - 1) * (1.0 + 0.1 * (j - 1)); }
    static double zNode(int k) { return 0.2 * (k - 1) + 0.02 * (k - 1) * (k - 1); }

    // The two-block fixture with its joint tables and geometry.
    void buildTwoBlocks(int start) {
        SetArraysZero();
        TwoBlockGrid g;
        g.start = start;
        g.build();
        metric();
        MultiBlockInit();
        geometry();
    }

    static void random(Field& a, unsigned seed, double lo, double hi) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> d(lo, hi);
        for (std::int64_t n = 0; n < a.size(); ++n) a.data()[n] = d(rng);
    }
    // Random fluxes, velocities, pressures and positive momentum coefficients.
    static void randomFlow(unsigned seed) {
        random(flow1, seed, -1, 1);
        random(flow2, seed + 1, -1, 1);
        random(flow3, seed + 2, -1, 1);
        random(xvel, seed + 3, -1, 1);
        random(yvel, seed + 4, -1, 1);
        random(zvel, seed + 5, -1, 1);
        random(Pres, seed + 6, 0, 100);
        random(invAP, seed + 7, 1e-3, 3e-3);
    }
    // Every boundary face of the single-block domain closed.
    static void closeBoundaryFaces() {
        forCells(0, xnumber + 1, 0, ynumber + 1, 0, znumber + 1, [](int i, int j, int k) {
            if (i <= 1 || i >= xnumber) flow1[i][j][k] = 0.0;
            if (j <= 1 || j >= ynumber) flow2[i][j][k] = 0.0;
            if (k <= 1 || k >= znumber) flow3[i][j][k] = 0.0;
        });
    }
    // The fluxes of wall faces at zero, as the face fluxes leave them.
    static void zeroWallFaces() {
        forInterior([](int i, int j, int k) {
            if (WallI[i][j][k] != 0) flow1[WallI[i][j][k] == 1 ? i - 1 : i][j][k] = 0.0;
            if (WallJ[i][j][k] != 0) flow2[i][WallJ[i][j][k] == 1 ? j - 1 : j][k] = 0.0;
            if (WallK[i][j][k] != 0) flow3[i][j][WallK[i][j][k] == 1 ? k - 1 : k] = 0.0;
        });
    }
    static void setWalls(int i, int j, int k, int wi, int wj, int wk) {
        WallI[i][j][k] = wi, WallJ[i][j][k] = wj, WallK[i][j][k] = wk;
        Wall[i][j][k] = wi != 0 || wj != 0 || wk != 0;
    }
};

// Mass imbalance of a cell: inflow minus outflow (kg/s).
double imbalance(int i, int j, int k) {
    return -(flow1[i][j][k] - flow1[i - 1][j][k] + flow2[i][j][k] - flow2[i][j - 1][k] + flow3[i][j][k] -
             flow3[i][j][k - 1]);
}

// ---------------------------------------------------------------------------
// Couplings
// ---------------------------------------------------------------------------

// A coefficient linear in space reaches every face with its value at the face
// (the nearer cell weighs more); both cells of a face hold the same coupling;
// the domain ends and a wall between two cells carry none.
TEST_F(PressureCorrection, CouplingsAreTheFaceValueOfInvAPAndSymmetric) {
    const int X = 8, Y = 6, Z = 6;
    build(X, Y, Z);
    auto lin = [](double x, double y, double z) { return 1e-3 * (1.0 + 0.3 * x + 0.2 * y + 0.5 * z); };
    auto xc = [](int i) { return 0.5 * (xNode(i - 1) + xNode(i)); };
    auto yc = [](int j) { return 0.5 * (yNode(j - 1) + yNode(j)); };
    auto zc = [](int k) { return 0.5 * (zNode(k - 1) + zNode(k)); };
    forInterior([&](int i, int j, int k) { invAP[i][j][k] = lin(xc(i), yc(j), zc(k)); });
    // A wall across each direction between cells 4 and 5, flagged on both sides.
    forCells(2, X, 2, Y, 2, Z, [](int i, int j, int k) {
        WallI[i][j][k] = i == 4 ? -1 : i == 5 ? 1 : 0;
        WallJ[i][j][k] = j == 3 ? -1 : j == 4 ? 1 : 0;
        WallK[i][j][k] = k == 4 ? -1 : k == 5 ? 1 : 0;
    });
    pressure_correction();

    struct Direction {
        const char* name;
        Field *low, *high;  // coupling of the cell below the face to it, of the cell above
        int n, wallFace;    // last cell index, face index of the wall
        std::function<double(int, int, int)> area, faceValue;
        std::function<void(int&, int&, int&)> next;
    };
    const Direction dirs[] = {
        {"i", &aw, &ae, X, 4, [](int i, int j, int k) { return m_ar_x[i][j][k]; },
         [&](int i, int j, int k) { return lin(xNode(i), yc(j), zc(k)); }, [](int& i, int&, int&) { ++i; }},
        {"j", &an, &as, Y, 3, [](int i, int j, int k) { return m_ar_y[i][j][k]; },
         [&](int i, int j, int k) { return lin(xc(i), yNode(j), zc(k)); }, [](int&, int& j, int&) { ++j; }},
        {"k", &wat, &wab, Z, 4, [](int i, int j, int k) { return m_ar_z[i][j][k]; },
         [&](int i, int j, int k) { return lin(xc(i), yc(j), zNode(k)); }, [](int&, int&, int& k) { ++k; }},
    };
    for (const Direction& d : dirs) {
        SCOPED_TRACE(d.name);
        forInterior([&](int i, int j, int k) {
            const int along = d.name[0] == 'i' ? i : d.name[0] == 'j' ? j : k;
            int a = i, b = j, c = k;
            d.next(a, b, c);
            const double lowSide = (*d.low)[i][j][k];
            if (along == 2) {
                EXPECT_EQ((*d.high)[i][j][k], 0.0) << "low end " << i << j << k;
            }
            if (along == d.n) {
                EXPECT_EQ(lowSide, 0.0) << "high end " << i << j << k;
                return;
            }
            EXPECT_EQ(lowSide, (*d.high)[a][b][c]) << i << j << k;
            if (along == d.wallFace) {
                EXPECT_EQ(lowSide, 0.0) << "wall " << i << j << k;
                return;
            }
            const double A = d.area(i, j, k);
            EXPECT_NEAR(lowSide / (1000.0 * A * A), d.faceValue(i, j, k), 1e-15) << i << j << k;
        });
    }
}

// The p' equation takes the coefficient that the corrections take: invAP in
// SIMPLE runs, invAPC in SIMPLEC runs; the sources are the same.
TEST_F(PressureCorrection, EquationTakesTheCorrectionCoefficient) {
    simple = 'N';  // the allocator creates invAPC
    build(6, 5, 5);
    randomFlow(11);
    random(invAPC, 12, 5e-3, 9e-3);
    auto equation = [] {
        pressure_correction();
        return std::vector<std::vector<double>>{copyOf(ae),  copyOf(aw),  copyOf(an),    copyOf(as),
                                                copyOf(wat), copyOf(wab), copyOf(source)};
    };
    const auto simplec = equation();
    simple = 'Y';
    const auto plain = equation();
    EXPECT_TRUE(simplec.back() == plain.back());
    const auto swapped = copyOf(invAP);
    restore(invAP, copyOf(invAPC));
    EXPECT_TRUE(equation() == simplec);
    restore(invAP, swapped);
}

// ---------------------------------------------------------------------------
// Continuity values
// ---------------------------------------------------------------------------

struct ContinuityCase {
    const char* name;
    std::function<void()> fluxes;
    double cont, defMax;
    int i, j, k;  // expected DefMax cell
};

TEST_F(PressureCorrection, ContIsSignedAndDefMaxNamesTheFirstLargestCell) {
    const int X = 7, Y = 5, Z = 5;
    const ContinuityCase cases[] = {
        // no imbalance anywhere: the cell of the call start stays
        {"balanced", [] {}, 0.0, 0.0, 1, 1, 1},
        // opposite imbalances cancel in Cont, not in DefMax; the first of two
        // equal ones (in i, j, k order) is recorded
        {"one interior face", [] { flow1[4][3][3] = 3.0; }, 0.0, 3.0, 4, 3, 3},
        // inflow through the upstream face and outflow through the bed face
        {"through the ends", [] { flow1[1][2][4] = 5.0, flow3[6][4][1] = 2.0, flow3[5][5][Z] = 1.5; },
         5.0 + 2.0 - 1.5, 5.0, 2, 2, 4},
    };
    for (const ContinuityCase& c : cases) {
        SCOPED_TRACE(c.name);
        build(X, Y, Z);
        random(invAP, 3, 1e-3, 2e-3);
        DefMaxCell = kFirstCell;
        c.fluxes();
        pressureCorrectionStep();
        EXPECT_DOUBLE_EQ(Cont, c.cont);
        EXPECT_DOUBLE_EQ(DefMax, c.defMax);
        EXPECT_EQ(DefMaxCell.i, c.i);
        EXPECT_EQ(DefMaxCell.j, c.j);
        EXPECT_EQ(DefMaxCell.k, c.k);
    }
}

// Cont is the net inflow through the domain faces whatever the interior
// fluxes (they cancel in the sum), measured before the corrections.
TEST_F(PressureCorrection, ContIsTheNetInflowBeforeCorrection) {
    const int X = 7, Y = 5, Z = 6;
    build(X, Y, Z);
    randomFlow(21);
    double inflow = 0.0, largest = 0.0;
    forCells(2, X, 2, Y, 2, Z, [&](int i, int j, int k) { largest = std::max(largest, std::fabs(imbalance(i, j, k))); });
    forCells(2, Y, 2, Z, 0, 0, [&](int j, int k, int) { inflow += flow1[1][j][k] - flow1[X][j][k]; });
    forCells(2, X, 2, Z, 0, 0, [&](int i, int k, int) { inflow += flow2[i][1][k] - flow2[i][Y][k]; });
    forCells(2, X, 2, Y, 0, 0, [&](int i, int j, int) { inflow += flow3[i][j][1] - flow3[i][j][Z]; });
    double absolute = 0.0;
    forInterior([&](int i, int j, int k) { absolute += std::fabs(imbalance(i, j, k)); });
    NormResidual[4] = 4.0;
    pressureCorrectionStep();
    EXPECT_NEAR(Cont, inflow, 1e-12);
    EXPECT_EQ(DefMax, largest);
    EXPECT_EQ(DefMax, std::fabs(source[DefMaxCell.i][DefMaxCell.j][DefMaxCell.k]));
    EXPECT_NEAR(MaxResidual[4], absolute / 4.0, 1e-12);
}

// ---------------------------------------------------------------------------
// Solve and corrections
// ---------------------------------------------------------------------------

// A closed domain: after a converged p' the corrected fluxes balance every
// cell, since the corrections use the couplings of the equation. On the
// two-block grids the joint cells take their side face in place of their
// low-i face, the joint couplings are symmetric and the seam faces carry no
// mass.
TEST_F(PressureCorrection, ConvergedCorrectionBalancesEveryCell) {
    // Single block, block on wall j = 1, on wall j = ynumber (single block
    // first: the two-block set-up leaves its W 3 values); point and line
    // solver; SIMPLE and SIMPLEC (whose invAPC differs from invAP from cell to
    // cell); serial and per-block coefficients and corrections.
    struct Case {
        int layout;
        char solver, method;
        int threads;
    };
    const Case cases[] = {{0, 'Y', 'Y', 0},  {0, 'N', 'Y', 0},  {3, 'Y', 'Y', 0},  {3, 'N', 'Y', 0},
                          {-3, 'Y', 'Y', 0}, {-3, 'N', 'Y', 0}, {0, 'N', 'N', 0},  {0, 'Y', 'N', 3},
                          {3, 'N', 'N', 0},  {3, 'Y', 'N', 2},  {-3, 'N', 'N', 0}, {-3, 'N', 'N', 3}};
    for (const auto [layout, solver, method, threads] : cases) {
        SCOPED_TRACE(std::to_string(layout) + " K 10 " + solver + " K 9 " + method + " " + std::to_string(threads) +
                     " threads");
        reset();
        simple = method;  // before the grid: the allocator creates invAPC for SIMPLEC
        NoProcessesSolver = threads;
        FlagOpenMP[3] = 1;  // the fluxes as set here
        if (layout == 0)
            build(8, 5, 5);
        else
            buildTwoBlocks(layout);
        randomFlow(31);
        if (method != 'Y') {
            random(invAPC, 33, 3.0, 8.0);
            forCells(0, xnumber + 1, 0, ynumber + 1, 0, znumber + 1,
                     [](int i, int j, int k) { invAPC[i][j][k] *= invAP[i][j][k]; });
        }
        closeBoundaryFaces();
        auto jointCell = [](int i, int j) { return MBNo > 0 && Pi1MultiBlock[i][j][0] != 0; };
        if (MBNo > 0) {  // the joint faces carry flux; the seam and plain side faces none
            random(flow2, 32, -1, 1);
            forCells(0, xnumber + 1, 0, ynumber + 1, 0, znumber + 1, [&](int i, int j, int k) {
                if (k <= 1 || k >= znumber) flow2[i][j][k] = 0.0;
                if (j == 1 && Pj1MultiBlock[i][0] == 0) flow2[i][j][k] = 0.0;
                if (j == ynumber && Pj2MultiBlock[i][0] == 0) flow2[i][j][k] = 0.0;
                if (j == 0 || j == ynumber + 1 || i <= 1 || i > xnumber) flow2[i][j][k] = 0.0;
                if (i == MBSkjot[1]) flow1[i][j][k] = 0.0;
            });
        }
        auto cellImbalance = [&](int i, int j, int k) {
            if (!jointCell(i, j)) return imbalance(i, j, k);
            const int m = Pi1MultiBlock[i][j][0];
            const double side = Pi1MultiBlock[i][j][1] == 2 ? flow2[m][1][k] : -flow2[m][ynumber][k];
            return -(flow1[i][j][k] + side + flow2[i][j][k] - flow2[i][j - 1][k] + flow3[i][j][k] - flow3[i][j][k - 1]);
        };
        double before = 0.0;
        forInterior([&](int i, int j, int k) { before = std::max(before, std::fabs(cellImbalance(i, j, k))); });
        ASSERT_GT(before, 0.1);

        sweeps[4] = 150;
        blockcorr[4] = 1;
        lcray = solver;
        pressureCorrectionStep();

        double after = 0.0;
        forInterior([&](int i, int j, int k) { after = std::max(after, std::fabs(cellImbalance(i, j, k))); });
        EXPECT_LT(after, 1e-9 * before);
        if (MBNo > 0) {
            for (int i = 2; i <= xnumber; ++i)
                for (int k = 2; k <= znumber; ++k) {
                    if (const int a = Pj1MultiBlock[i][0]; a != 0) {
                        EXPECT_GT(as[i][2][k], 0.0);
                        EXPECT_EQ(as[i][2][k], ae[a][Pj1MultiBlock[i][1]][k]);
                    }
                    if (const int a = Pj2MultiBlock[i][0]; a != 0) {
                        EXPECT_GT(an[i][ynumber][k], 0.0);
                        EXPECT_EQ(an[i][ynumber][k], ae[a][Pj2MultiBlock[i][1]][k]);
                    }
                }
            forCells(MBSkjot[1], MBSkjot[1], 2, ynumber, 2, znumber, [](int i, int j, int k) {
                EXPECT_EQ(aw[i][j][k], 0.0);
                EXPECT_EQ(flow1[i][j][k], 0.0) << "seam " << j << "," << k;
            });
        }
    }
}

// A p' equal in every interior cell moves no mass and no velocity; every
// corrected pressure rises by relaxPressure p'.
TEST_F(PressureCorrection, UniformCorrectionOnlyRaisesThePressure) {
    struct Case {
        const char* name;
        std::function<void()> setup;
    };
    const Case cases[] = {
        {"first order", [] { FlagPresGrad = 1; }},
        {"second order", [] { FlagPresGrad = 11; }},
        {"deep columns", [] { FlagTSC = 1, FlagTSCMinDepth = 2, TSCMinDepth = 0.01; }},
        {"free surface", [] { FlagTFS = 1; }},
    };
    auto check = [](const char* name) {
        SCOPED_TRACE(name);
        randomFlow(41);
        zeroWallFaces();
        const FlowState before = FlowState::save();
        const double p = 2.5;
        std::fill(f.data(), f.data() + f.size(), 0.0);
        const int kT = FlagTFS == 1 ? znumber - 1 : znumber;
        // Uniform up to the top cells too: under a free surface the face below
        // the top cell is corrected, and only a p' equal on both its sides
        // moves nothing through it.
        forCells(2, xnumber, 2, ynumber, 2, znumber, [&](int i, int j, int k) { f[i][j][k] = p; });
        SimpleCorrections();
        EXPECT_TRUE(copyOf(flow1) == before.f1 && copyOf(flow2) == before.f2 && copyOf(flow3) == before.f3);
        EXPECT_TRUE(copyOf(xvel) == before.u && copyOf(yvel) == before.v && copyOf(zvel) == before.w);
        forInterior([&](int i, int j, int k) {
            const double old = before.p[Pres.offset(i, j, k)];
            if (k <= kT) {
                EXPECT_NEAR(Pres[i][j][k], old + relaxPressure * p, 1e-12) << i << j << k;
            }
        });
    };
    for (const Case& c : cases) {
        reset();
        c.setup();
        build(8, 6, 6);
        forCells(2, 8, 2, 6, 2, 2, [](int i, int j, int k) { setWalls(i, j, k, 0, j == 2 ? 1 : j == 6 ? -1 : 0, 1); });
        check(c.name);
    }
    for (int start : {3, -3}) {
        reset();
        buildTwoBlocks(start);
        check(start > 0 ? "two blocks, wall j = 1" : "two blocks, wall j = ynumber");
    }
}

// SIMPLEC corrects fluxes and velocities by invAPC in place of invAP, the
// pressure by the same relaxPressure p'.
TEST_F(PressureCorrection, SimplecDiffersOnlyInTheSizeOfTheCorrections) {
    simple = 'N';
    build(7, 5, 6);
    randomFlow(51);
    const double r = 1.7;
    forCells(0, xnumber + 1, 0, ynumber + 1, 0, znumber + 1,
             [&](int i, int j, int k) { invAPC[i][j][k] = r * invAP[i][j][k]; });
    random(fStorage, 52, -3, 3);
    f = fStorage;
    const FlowState start = FlowState::save();

    simple = 'Y';
    SimpleCorrections();
    const FlowState plain = FlowState::save();
    start.put();
    simple = 'N';
    SimpleCorrections();
    const FlowState simplec = FlowState::save();

    const std::vector<double> FlowState::*scaled[] = {&FlowState::f1, &FlowState::f2, &FlowState::f3,
                                                      &FlowState::u,  &FlowState::v,  &FlowState::w};
    double largest = 0.0;
    for (auto m : scaled)
        for (std::size_t n = 0; n < (start.*m).size(); ++n) {
            const double dPlain = (plain.*m)[n] - (start.*m)[n], dC = (simplec.*m)[n] - (start.*m)[n];
            largest = std::max(largest, std::fabs(dPlain));
            EXPECT_NEAR(dC, r * dPlain, 1e-12 * (1.0 + std::fabs(dC)));
        }
    EXPECT_GT(largest, 1e-3);
    EXPECT_TRUE(plain.p == simplec.p);
}

// The p' difference across a cell: forward at the first cell or behind a wall
// on the low face, backward at the last corrected cell, central elsewhere;
// with F 46 above 10 second order one-sided in j and at the bed. Measured on
// p' = s^2 (s the centre coordinate, h the spacing), for which central and
// second-order differences give 2 s h, forward 2 s h + h^2, backward 2 s h - h^2.
TEST_F(PressureCorrection, VelocityCorrectionTakesOneSidedDifferencesAtTheEnds) {
    enum Kind { Forward, Central, Backward };
    struct Case {
        int presGrad;
        char axis;
        int cell;  // index along the axis
        Kind kind;
    };
    const int X = 6, Y = 6, Z = 6;
    const double h[3] = {1.0, 0.5, 0.25};
    const Case cases[] = {
        {1, 'x', 2, Forward},  {1, 'x', 4, Central},  {1, 'x', X, Backward},
        {1, 'y', 2, Forward},  {1, 'y', 4, Central},  {1, 'y', Y, Backward},
        {1, 'z', 2, Forward},  {1, 'z', 4, Central},  {1, 'z', Z, Backward},
        {11, 'x', 2, Forward}, {11, 'x', 4, Central}, {11, 'x', X, Backward},
        {11, 'y', 2, Central}, {11, 'y', 4, Central}, {11, 'y', Y, Central},  // second order
        {11, 'z', 2, Central}, {11, 'z', 4, Central}, {11, 'z', Z, Backward},
    };
    box(X, Y, Z, h[0], h[1], h[2]);
    forInterior([](int i, int j, int k) { invAP[i][j][k] = 2e-3; });
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "F 46 " << c.presGrad << " " << c.axis << " cell " << c.cell);
        FlagPresGrad = c.presGrad;
        for (Field* v : {&xvel, &yvel, &zvel}) std::fill(v->data(), v->data() + v->size(), 0.0);
        const int a = c.axis - 'x';
        auto centre = [&](int n) { return (n - 1.5) * h[a]; };
        forInterior([&](int i, int j, int k) {
            const int n = a == 0 ? i : a == 1 ? j : k;
            f[i][j][k] = centre(n) * centre(n);
        });
        SimpleCorrections();
        const int i = a == 0 ? c.cell : 3, j = a == 1 ? c.cell : 3, k = a == 2 ? c.cell : 3;
        const double A = h[0] * h[1] * h[2] / h[a], V = h[0] * h[1] * h[2];
        const double dvel = a == 0 ? xvel[i][j][k] : a == 1 ? yvel[i][j][k] : zvel[i][j][k];
        const double D = -dvel * V / (invAP[i][j][k] * A * A * h[a]);
        const double s = centre(c.cell), hh = h[a];
        const double expected = 2 * s * hh + (c.kind == Forward ? hh * hh : c.kind == Backward ? -hh * hh : 0.0);
        EXPECT_NEAR(D, expected, 1e-12);
    }
}

// Multi-block grids: the last main-block row before the seam takes the
// backward difference in i; a side cell facing a joint takes the central
// difference with its partner.
TEST_F(PressureCorrection, JointCellsDifferenceAcrossTheJoint) {
    buildTwoBlocks(3);
    forInterior([](int i, int j, int k) {
        invAP[i][j][k] = 2e-3;
        f[i][j][k] = 0.1 * i * i + 0.3 * j + 0.01 * k;
    });
    const int seam = MBSkjot[1], k = 3;
    const int host = 5, a = Pj1MultiBlock[host][0], J = Pj1MultiBlock[host][1];
    ASSERT_NE(a, 0);
    SimpleCorrections();
    auto D = [](int i, int j, char axis) {
        const double A = axis == 'x' ? 0.5 * (m_ar_x[i - 1][j][k] + m_ar_x[i][j][k])
                                     : 0.5 * (m_ar_y[i][j - 1][k] + m_ar_y[i][j][k]);
        const double metric = axis == 'x' ? dx1[i][j] : dy2[i][j];
        const double dvel = axis == 'x' ? xvel[i][j][k] : yvel[i][j][k];
        return -dvel * Volume[i][j][k] / (invAP[i][j][k] * A * A * metric);
    };
    EXPECT_NEAR(D(seam, 3, 'x'), f[seam][3][k] - f[seam - 1][3][k], 1e-12);
    EXPECT_NEAR(D(host, 2, 'y'), 0.5 * (f[host][3][k] - f[a][J][k]), 1e-12);
    // The joint cell runs from its partner, through the partner's side face,
    // to the next cell of its block (its i runs along -y here).
    const double Ax = 0.5 * (m_ar_y[host][1][k] + m_ar_x[a][J][k]);
    const double Dx = -yvel[a][J][k] * Volume[a][J][k] / (invAP[a][J][k] * Ax * Ax * dy1[a][J]);
    EXPECT_NEAR(Dx, 0.5 * (f[a + 1][J][k] - f[host][2][k]), 1e-12);
    EXPECT_EQ(dy2[a][J], 0.0);
}

// The top corrected cell kT = znumber - 1 under F 36 1: backward in k on a
// single-block grid; on a multi-block grid central, with the top cell's p'.
TEST_F(PressureCorrection, TopCorrectedCellUnderAFreeSurface) {
    for (bool joints : {false, true}) {
        SCOPED_TRACE(joints ? "two blocks" : "one block");
        reset();
        if (joints)
            buildTwoBlocks(3);
        else
            box(6, 5, 5, 1.0, 0.5, 0.25);
        FlagTFS = 1;
        forInterior([](int i, int j, int k) { invAP[i][j][k] = 2e-3; });
        const int i = 3, j = 3, Z = znumber, k = Z - 1;
        for (int m = 0; m <= Z + 1; ++m) fStorage[i][j][m] = m == Z ? 5.0 : 0.1 * m;
        f = fStorage;
        for (Field* v : {&xvel, &yvel, &zvel}) std::fill(v->data(), v->data() + v->size(), 0.0);
        SimpleCorrections();
        ASSERT_EQ(dz1[i][j][k], 0.0);
        ASSERT_EQ(dz2[i][j][k], 0.0);
        const double Az = 0.5 * (m_ar_z[i][j][k - 1] + m_ar_z[i][j][k]);
        const double V = joints ? Volume[i][j][k] : 2.0 * m_armap[i][j] * m_dist_z[i][j][k];
        const double Dz = -zvel[i][j][k] * V / (invAP[i][j][k] * Az * Az * dz3[i][j][k]);
        EXPECT_NEAR(Dz, joints ? 0.5 * (5.0 - 0.1 * (Z - 2)) : 0.1, 1e-12);
    }
}

// sweeps[4] solver calls, each after the block correction that blockcorr[4]
// chooses (1 every time, 5 to 7 before the first only, 4 only with threads).
TEST_F(PressureCorrection, SweepsAndBlockCorrectionsInTheirOrder) {
    struct Case {
        int sweeps, blockcorr;
        const char* calls;  // B block correction, T line solver
    };
    const Case cases[] = {{0, 1, ""},       {5, 5, "BTTTTT"},     {5, 1, "BTBTBTBTBT"},
                          {3, 6, "BTTT"},   {2, 7, "BTT"},        {2, 4, "TT"},
                          {2, 0, "TT"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sweeps " << c.sweeps << " blockcorr " << c.blockcorr);
        reset();
        build(7, 5, 5);
        randomFlow(61);
        closeBoundaryFaces();
        blockcorr[4] = c.blockcorr;
        const FlowState start = FlowState::save();
        // The reference: the step without sweeps builds the equation, then the calls by hand.
        sweeps[4] = 0;
        pressureCorrectionStep();
        for (const char* s = c.calls; *s; ++s) *s == 'B' ? BlockCorrection() : WaterTDMA();
        const std::vector<double> reference = copyOf(f);
        start.put();
        sweeps[4] = c.sweeps;
        pressureCorrectionStep();
        EXPECT_TRUE(copyOf(f) == reference);
        if (c.sweeps == 0) {
            double largest = 0.0;
            for (double v : reference) largest = std::max(largest, std::fabs(v));
            EXPECT_EQ(largest, 0.0);
            EXPECT_TRUE(copyOf(xvel) == start.u && copyOf(flow1) == start.f1 && copyOf(Pres) == start.p);
        }
    }
}

// Under a transient free surface the top cells pinned at p' = 0 are fixed
// values for the block corrections: the serial and the threaded correction
// leave them at 0, and so does the next sweep of the line or point solver.
TEST_F(PressureCorrection, BlockCorrectionsKeepThePinnedTopCells) {
    struct Case {
        const char* name;
        int threads;  // 0 the serial correction, else the team of the threaded one
        char lcray;   // 'Y' the point solver
    };
    const Case cases[] = {{"serial, line solver", 0, 'N'}, {"serial, point solver", 0, 'Y'}, {"threaded, line solver", 2, 'N'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        FlagTFS = 1;
        box(7, 5, 5, 1.0, 0.5, 0.25);
        randomFlow(91);
        closeBoundaryFaces();
        lcray = c.lcray;
        sweeps[4] = 0;
        pressureCorrectionStep();  // the equation, with p' = 0
        NoProcessesSolver = c.threads;
        const int X = xnumber, Y = ynumber, Z = znumber;
        double moved = 0.0;
        c.threads > 0 ? BlockCorrectionOpenMP() : BlockCorrection();
        forCells(2, X, 2, Y, Z, Z, [&](int i, int j, int k) { moved = std::max(moved, std::fabs(f[i][j][k])); });
        EXPECT_EQ(moved, 0.0);
        c.lcray == 'Y' ? WaterGaussSeidel() : WaterTDMA();
        double largest = 0.0;
        forInterior([&](int i, int j, int k) { largest = std::max(largest, std::fabs(f[i][j][k])); });
        forCells(2, X, 2, Y, Z, Z, [&](int i, int j, int k) { EXPECT_LE(std::fabs(f[i][j][k]), 1e-20 * largest); });
    }
}

// The threaded block correction (K 5 4) on the p' equation of a closed
// channel of long, narrow cells: no coupling through the ends, the walls, the
// bed and the top, so the equation has no diagonal of its own. One call is
// the serial correction to the bit on any team size and lowers the summed
// imbalance; the sweeps of the step then give the p' of the serial
// correction (K 5 1), to the bit.
TEST_F(PressureCorrection, ThreadedBlockCorrectionIsTheSerialOne) {
    box(12, 7, 6, 1.0, 0.4, 0.1);
    randomFlow(81);
    // Imbalances smooth along the channel and across it, beside the noise.
    forCells(2, xnumber - 1, 2, ynumber, 2, znumber, [](int i, int j, int k) {
        flow1[i][j][k] = 0.1 * flow1[i][j][k] + std::sin(0.3 * i) * (1.0 + 0.5 * j);
        flow2[i][j][k] *= 0.1;
        flow3[i][j][k] *= 0.1;
    });
    closeBoundaryFaces();
    auto imbalanceSum = [] {
        double s = 0.0;
        forInterior([&](int i, int j, int k) {
            s += std::fabs(source[i][j][k] + ae[i][j][k] * f[i - 1][j][k] + aw[i][j][k] * f[i + 1][j][k] +
                           as[i][j][k] * f[i][j - 1][k] + an[i][j][k] * f[i][j + 1][k] +
                           wab[i][j][k] * f[i][j][k - 1] + wat[i][j][k] * f[i][j][k + 1] - wap[i][j][k] * f[i][j][k]);
        });
        return s;
    };
    const FlowState start = FlowState::save();
    sweeps[4] = 0;
    pressureCorrectionStep();  // the equation, with p' = 0
    const std::vector<double> zero = copyOf(f);
    const double before = imbalanceSum();
    blockcorr[4] = 4;
    BlockCorrection();
    const std::vector<double> serial = copyOf(f);
    EXPECT_LT(imbalanceSum(), 0.7 * before);  // 0.61 measured
    for (int threads : {1, 2, 3, 8}) {
        std::copy(zero.begin(), zero.end(), f.data());
        NoProcessesSolver = threads;
        BlockCorrectionOpenMP();
        EXPECT_TRUE(copyOf(f) == serial) << threads << " threads, one call";
    }

    auto solved = [&](int mode, int threads) {
        start.put();
        sweeps[4] = 5;
        blockcorr[4] = mode;
        NoProcessesSolver = threads;
        pressureCorrectionStep();
        return copyOf(f);
    };
    FlagOpenMP[3] = 1;  // the fluxes as set here, not recomputed per block
    const std::vector<double> reference = solved(1, 0);
    EXPECT_LT(imbalanceSum(), 0.05 * before);  // 0.015 measured
    for (int threads : {2, 3, 8}) EXPECT_TRUE(solved(4, threads) == reference) << threads << " threads, the sweeps";
}

// F 151 2 to 4: the fluxes of a shallow column keep their value; its
// velocities are corrected unless F 37 also asks for the thin-water variant.
TEST_F(PressureCorrection, ShallowColumnsKeepTheirFluxes) {
    for (int tsc : {0, 1}) {
        SCOPED_TRACE(tsc);
        reset();
        FlagTSCMinDepth = 2;
        FlagTSC = tsc;
        TSCMinDepth = 0.5;
        build(7, 5, 5);
        // Column (4, 3): its four corner nodes' target bed 0.12 under the surface.
        for (int i : {3, 4})
            for (int j : {2, 3}) zval[i][j][0] = zNode(5) - 0.12;
        randomFlow(131);
        random(fStorage, 132, -5, 5);
        const FlowState before = FlowState::save();
        SimpleCorrections();
        for (int k = 2; k <= znumber; ++k) {
            const std::int64_t shallow = flow1.offset(4, 3, k), deep = flow1.offset(5, 3, k);
            EXPECT_EQ(flow1.data()[shallow], before.f1[shallow]);
            EXPECT_EQ(flow2.data()[shallow], before.f2[shallow]);
            EXPECT_EQ(flow3.data()[shallow], before.f3[shallow]);
            EXPECT_NE(flow1.data()[deep], before.f1[deep]);
            const std::int64_t u = xvel.offset(4, 3, k);
            EXPECT_EQ(xvel.data()[u] != before.u[u], tsc == 0);
            EXPECT_NE(xvel.data()[xvel.offset(5, 3, k)], before.u[xvel.offset(5, 3, k)]);
        }
    }
}

// Blocked boxes: no coupling from an open cell into the box (the start-up
// walls its faces), and after the corrections no flux and no velocity in its
// cells. With a free surface (any mode) a column blocked by G 2 carries no flux.
TEST_F(PressureCorrection, BlockedCellsCarryNoFlux) {
    FlagTFS = 2;
    build(8, 6, 5);
    OutBlockNo = 1;
    OutBlock[1] = {};
    OutBlock[1].i1 = 4, OutBlock[1].i2 = 5, OutBlock[1].j1 = 3, OutBlock[1].j2 = 4;
    OutBlock[1].k1 = 2, OutBlock[1].k2 = 3, OutBlock[1].type = 3;
    forCells(2, 7, 2, 5, 2, 5, [](int i, int j, int k) {
        const bool besideI = (j == 3 || j == 4) && k <= 3, besideJ = (i == 4 || i == 5) && k <= 3;
        const int wi = besideI && i == 3 ? -1 : besideI && i == 6 ? 1 : 0;
        const int wj = besideJ && j == 2 ? -1 : besideJ && j == 5 ? 1 : 0;
        const int wk = (i == 4 || i == 5) && (j == 3 || j == 4) && k == 4 ? 1 : 0;
        setWalls(i, j, k, wi, wj, wk);
    });
    kblok[7][5] = 0;
    randomFlow(141);
    pressure_correction();
    for (int j : {3, 4})
        for (int k : {2, 3}) EXPECT_EQ(aw[3][j][k] + ae[6][j][k], 0.0);
    for (int i : {4, 5})
        for (int k : {2, 3}) EXPECT_EQ(an[i][2][k] + as[i][5][k], 0.0);
    for (int i : {4, 5})
        for (int j : {3, 4}) EXPECT_EQ(wab[i][j][4], 0.0);

    random(fStorage, 142, -5, 5);
    SimpleCorrections();
    forCells(4, 5, 3, 4, 2, 3, [](int i, int j, int k) {
        EXPECT_EQ(xvel[i][j][k], 0.0);
        EXPECT_EQ(yvel[i][j][k], 0.0);
        EXPECT_EQ(zvel[i][j][k], 0.0);
        EXPECT_EQ(imbalance(i, j, k), 0.0);
        for (double face : {flow1[i - 1][j][k], flow1[i][j][k], flow2[i][j - 1][k], flow2[i][j][k],
                            flow3[i][j][k - 1], flow3[i][j][k]})
            EXPECT_EQ(face, 0.0);
    });
    for (int k = 2; k <= 5; ++k)
        for (double face : {flow1[6][5][k], flow1[7][5][k], flow2[7][4][k], flow2[7][5][k], flow3[7][5][k - 1],
                            flow3[7][5][k]})
            EXPECT_EQ(face, 0.0);
}

// Equation 4 is 7-point whatever sou[4] says: second-neighbour couplings left
// by another equation do not enter the p' solve.
TEST_F(PressureCorrection, SecondNeighbourCouplingsDoNotEnterTheSolve) {
    sou[4] = 1;  // the allocator creates the second-neighbour arrays
    build(7, 5, 5);
    randomFlow(71);
    const FlowState start = FlowState::save();
    pressureCorrectionStep();
    const std::vector<double> clean = copyOf(f);
    for (Field* a : {&aee, &aww, &ass, &ann, &abb, &att}) random(*a, 72, 0.5, 1.0);
    start.put();
    Equation = 4;
    EXPECT_EQ(stencilOf(Equation), Stencil::Seven);
    pressureCorrectionStep();
    EXPECT_TRUE(copyOf(f) == clean);
}

// A cell without any coupling keeps p' = 0 instead of dividing by a zero
// centre coefficient: with the point solver (iAp 0) and with the line
// solver (whose pivot would be 1e-20), so its pressure stays as it was.
TEST_F(PressureCorrection, CellWithoutCouplingsKeepsZeroCorrection) {
    for (char solver : {'Y', 'N'}) {
        SCOPED_TRACE(solver);
        reset();
        lcray = solver;
        build(2, 2, 2);  // one interior cell: every face is a domain end
        randomFlow(81);
        const double pressure = Pres[2][2][2];
        pressureCorrectionStep();
        EXPECT_EQ(wap[2][2][2], 0.0);
        EXPECT_NE(source[2][2][2], 0.0);
        if (solver == 'Y') {
            EXPECT_EQ(iAp[2][2][2], 0.0);
        }
        EXPECT_EQ(f[2][2][2], 0.0);
        EXPECT_EQ(Pres[2][2][2], pressure);
        EXPECT_TRUE(std::isfinite(xvel[2][2][2]) && std::isfinite(zvel[2][2][2]));
    }
}

// ---------------------------------------------------------------------------
// Free surface (F 36 1)
// ---------------------------------------------------------------------------

// The top cells are fixed at p' = 0 and left out of the corrections; the
// cell below keeps its coupling to them (a fixed value that sets its
// column's pressure level, without which p' below the surface floats in a
// closed box) and the face between them is corrected (the surface moves with
// the corrected inflow); their imbalance goes to zvel[..][0]
// and not into Cont and DefMax; their pressure is extrapolated to 0 at the
// surface (one third of the cell below for equal half heights).
TEST_F(PressureCorrection, FreeSurfaceLeavesTheTopLayerOut) {
    const int X = 7, Y = 5, Z = 5;
    FlagTFS = 1;
    box(X, Y, Z, 1.0, 0.5, 0.25);
    randomFlow(91);
    closeBoundaryFaces();
    forCells(2, X, 2, Y, 0, 0, [](int i, int j, int) { flow3[i][j][Z] = 1000.0; });  // out of the surface
    std::vector<double> topImbalance;
    forCells(2, X, 2, Y, 0, 0, [&](int i, int j, int) { topImbalance.push_back(imbalance(i, j, Z)); });
    const FlowState before = FlowState::save();
    sweeps[4] = 20;
    pressureCorrectionStep();

    int n = 0;
    forCells(2, X, 2, Y, 0, 0, [&](int i, int j, int) {
        EXPECT_EQ(wap[i][j][Z], 1e30);
        EXPECT_EQ(source[i][j][Z], 0.0);
        EXPECT_NEAR(f[i][j][Z], 0.0, 1e-20);
        EXPECT_GT(wat[i][j][Z - 1], 0.0);
        EXPECT_NE(f[i][j][Z - 1], 0.0);
        EXPECT_EQ(zvel[i][j][0], topImbalance[n++]);
        EXPECT_EQ(flow3[i][j][Z], before.f3[flow3.offset(i, j, Z)]);
        const double up = flow3[i][j][Z - 1] - before.f3[flow3.offset(i, j, Z - 1)];
        EXPECT_NE(up, 0.0);
        EXPECT_EQ(up > 0.0, f[i][j][Z - 1] > 0.0);  // towards the top cell's p' of 0
        EXPECT_EQ(flow1[i][j][Z], before.f1[flow1.offset(i, j, Z)]);
        EXPECT_EQ(flow2[i][j][Z], before.f2[flow2.offset(i, j, Z)]);
        EXPECT_EQ(xvel[i][j][Z], before.u[xvel.offset(i, j, Z)]);
        EXPECT_EQ(zvel[i][j][Z], before.w[zvel.offset(i, j, Z)]);
        EXPECT_NEAR(Pres[i][j][Z], Pres[i][j][Z - 1] / 3.0, 1e-12);
    });
    EXPECT_LT(DefMax, 100.0);
    EXPECT_LT(DefMaxCell.k, Z);
}

// Three node levels under a free surface: one corrected layer whose top
// face is corrected towards the top cell's p' of 0 (the water that face
// passes moves the surface), and its vertical difference taken to that 0.
TEST_F(PressureCorrection, FreeSurfaceOverOneLayer) {
    FlagTFS = 1;
    const double dx = 1.0, dy = 0.5, dz = 0.25;
    box(5, 4, 3, dx, dy, dz);
    randomFlow(151);
    std::fill(f.data(), f.data() + f.size(), 0.0);
    forCells(2, 5, 2, 4, 2, 2, [](int i, int j, int k) { f[i][j][k] = 1.0 + 0.1 * i + 0.05 * j; });
    const FlowState before = FlowState::save();
    SimpleCorrections();
    forCells(2, 5, 2, 4, 1, 3, [&](int i, int j, int k) {
        const double change = flow3[i][j][k] - before.f3[flow3.offset(i, j, k)];
        if (k == 2)
            EXPECT_GT(change, 0.0) << i << j;
        else
            EXPECT_EQ(change, 0.0) << i << j << k;
    });
    forCells(2, 5, 2, 4, 2, 2, [&](int i, int j, int k) {
        const double dw = zvel[i][j][k] - before.w[zvel.offset(i, j, k)];
        const double Dz = -dw * dx * dy * dz / (invAP[i][j][k] * dx * dy * dx * dy * dz);
        EXPECT_NEAR(Dz, -f[i][j][k], 1e-12) << i << j;
    });
}

// Blocked cells under the surface take the pressure extrapolated linearly in
// their centre heights from the two cells above: a hydrostatic pressure
// (zero at the surface) comes out unchanged in the blocked and the top cells.
TEST_F(PressureCorrection, FreeSurfaceExtrapolationKeepsALinearPressure) {
    const int X = 5, Y = 4, Z = 7;
    FlagTFS = 1;
    build(X, Y, Z);
    const double surface = zNode(Z);
    auto hydrostatic = [&](int k) { return 9810.0 * (surface - 0.5 * (zNode(k - 1) + zNode(k))); };
    forInterior([&](int i, int j, int k) { Pres[i][j][k] = hydrostatic(k) + (k == Z ? 77.0 : 0.0); });
    forCells(3, 3, 3, 3, 2, 3, [](int i, int j, int k) {
        OBlok[i][j][k] = 0;
        Pres[i][j][k] = -5.0;
    });
    std::fill(f.data(), f.data() + f.size(), 0.0);
    SimpleCorrections();
    forInterior([&](int i, int j, int k) { EXPECT_NEAR(Pres[i][j][k], hydrostatic(k), 1e-9) << i << j << k; });
}

// TFSpreszero: no pressure that the correction updates ends below 0.
TEST_F(PressureCorrection, NoNegativePressureWithTFSpreszero) {
    const int X = 7, Y = 5, Z = 5;
    FlagTFS = 1;
    build(X, Y, Z);
    relaxPressure = 0.8;
    auto run = [&](int presZero) {
        TFSpreszero = presZero;
        randomFlow(101);
        forInterior([](int i, int j, int k) { Pres[i][j][k] = 0.01; });
        closeBoundaryFaces();
        flow1[1][3][3] = flow1[X][3][3] = 50.0;  // a strong through-flow: corrections of both signs
        pressureCorrectionStep();
        double lowest = 1e30;
        forCells(2, X, 2, Y, 2, Z, [&](int i, int j, int k) { lowest = std::min(lowest, Pres[i][j][k]); });
        return lowest;
    };
    ASSERT_LT(run(0), -1.0);
    const double lowest = run(1);
    EXPECT_GE(lowest, -1e-15);
    EXPECT_LE(lowest, 1e-15);
}

// ---------------------------------------------------------------------------
// Flow-direction check (F 7 E)
// ---------------------------------------------------------------------------

TEST_F(PressureCorrection, FlowDirectionCheckReversesTheHighIFlux) {
    struct Case {
        const char* name;
        int dirCor, blocks;
        double lowI;  // flow1[i-1] of the cell
        bool reversed;
    };
    const Case cases[] = {
        {"every face outward", 1, 0, -1.0, true},
        {"low i-face without flux", 1, 0, 0.0, false},
        {"check off", 0, 0, -1.0, false},
        {"multi-block grid", 1, 1, -1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        build(7, 5, 5);
        FlagFlowDirCor = c.dirCor;
        MBNo = c.blocks;
        MBSkjot[1] = 7;
        const int i = 4, j = 3, k = 3;
        flow1[i][j][k] = 2.0, flow1[i - 1][j][k] = c.lowI;
        flow2[i][j][k] = 0.0, flow2[i][j - 1][k] = -1.0;  // >= 0 and <= 0 hold at 0
        flow3[i][j][k] = 1.0, flow3[i][j][k - 1] = 0.0;
        flow3[i + 1][j][k] = -0.5;  // the next cell has an inflow after the reversal
        SimpleCorrections();  // p' = 0
        EXPECT_EQ(flow1[i][j][k], c.reversed ? -2.0 : 2.0);
        const std::string log = std::filesystem::exists("boogie") ? readFile("boogie") : "";
        EXPECT_EQ(log, c.reversed ? "Warning, corrected direction of flow1(4,3,3) = -2.000000\n" : "");
    }
}

// ---------------------------------------------------------------------------
// Logs and faults
// ---------------------------------------------------------------------------

// The specific energy of an i-face section: mean face pressure plus velocity
// head u^2 / 2g, the pressures of the two cells beside it averaged (at the
// last section the outflow boundary cell is the second).
TEST_F(PressureCorrection, SpecificEnergyLine) {
    const int X = 6, Y = 4, Z = 4;
    for (int s : {3, X}) {
        SCOPED_TRACE(s);
        reset();
        box(X, Y, Z, 1.0, 0.5, 0.25);
        random(invAP, 5, 1e-3, 2e-3);
        const double u = 0.4;
        forCells(0, X + 1, 0, Y + 1, 0, Z + 1, [&](int i, int j, int k) {
            Pres[i][j][k] = i == s ? 0.1 : i == s + 1 ? 0.3 : 0.0;
            flow1[i][j][k] = 1000.0 * u * m_ar_x[i][j][k];
        });
        SpecEnergy = s;
        sweeps[4] = 0;
        pressureCorrectionStep();
        const std::string log = readFile("boogie");
        const std::string head = "Specifice energy for section " + std::to_string(s) + " = ";
        ASSERT_EQ(log.rfind(head, 0), 0u) << log;
        ASSERT_EQ(log.back(), '\n');
        EXPECT_NEAR(std::stod(log.substr(head.size())), 0.2 + u * u / (2 * 9.81), 1e-6);
    }
}

TEST_F(PressureCorrection, DebugDumpOfTheCorrection) {
    build(6, 4, 4);
    randomFlow(111);
    DebugDumpNo = 2;
    DebugDump[1] = {4, 3, 3, 3};
    DebugDump[2] = {1, 3, 3, 3};  // another equation: no lines
    pressureCorrectionStep();
    const std::vector<std::string> lines = readLines("boogie");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Debug dump for (3,3,3,4)");
    char expected[200];
    std::snprintf(expected, sizeof expected, "f, ap, source = %e %e %e", f[3][3][3], wap[3][3][3], source[3][3][3]);
    EXPECT_EQ(lines[1], expected);
    std::snprintf(expected, sizeof expected, "ft, at, flowt = %e %e %e", f[3][3][4], wat[3][3][3], flow3[3][3][3]);
    EXPECT_EQ(lines[7], expected);
}

// A log that cannot be opened ends the run (-3) instead of leaving the
// equation unbuilt or the iteration uncorrected.
TEST_F(PressureCorrection, UnopenableLogEndsTheRun) {
    const std::pair<const char*, void (*)()> routines[] = {
        {"pressure_correction", pressure_correction},
        {"SimpleCorrections", SimpleCorrections},
        {"pressureCorrectionStep", pressureCorrectionStep},
    };
    for (const auto& [name, routine] : routines) {
        SCOPED_TRACE(name);
        reset();
        build(5, 4, 4);
        randomFlow(121);
        std::filesystem::create_directory("boogie");
        const FlowState before = FlowState::save();
        EXPECT_EQ(exitCodeOf(routine), -3);
        EXPECT_TRUE(copyOf(flow1) == before.f1 && copyOf(Pres) == before.p);
        EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    }
}

}  // namespace
