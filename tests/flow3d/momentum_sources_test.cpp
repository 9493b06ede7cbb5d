// Optional momentum sources: each term at one cell against its closed form
// (one row per term and case), the wind laws and the wind series, and the
// kernels on blocks of i-planes against the whole grid.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/kread.h"
#include "control/readers.h"
#include "run/reset.h"
#include "flow3d/momentum_sources.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int X = 5, Y = 5, Z = 5;
constexpr double kSlope = 0.3;

double dz(int i, int j, int k) { return m_dist_z[i][j][k]; }
FieldArray<double, 3>& phi(int eq) { return eq == 1 ? xvel : eq == 2 ? yvel : zvel; }

class MomentumSources : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startValues();
    }
    void TearDown() override {
        startValues();
        resetEngine();
    }
    static void startValues() {
        setParameterDefaults();
        setRecordDefaults();
        Iter = 1;
        InnerIteration = 1;
        stime = 0.0;
    }

    // A sloping channel whose layers thicken across it and upwards, so that
    // every neighbour a term reads has a half height of its own; velocities
    // and fields vary from cell to cell.
    static void grid() {
        SetArraysZero();
        allocateGrid(X, Y, Z);
        fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 0.5}; },
                 [](int i, int j, int k) {
                     const double depth = 0.8 + 0.1 * j;
                     return kSlope * (X - i) + depth * std::pow((k - 1.0) / (Z - 1.0), 1.2);
                 });
        metric();
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) {
                Xks[i][j] = 0.05;
                for (int k = 0; k <= Z + 1; ++k) {
                    xvel[i][j][k] = 0.6 + 0.05 * k + 0.01 * j;
                    yvel[i][j][k] = -0.2 + 0.03 * j;
                    zvel[i][j][k] = 0.01 * i;
                    OBlok[i][j][k] = 1;
                }
            }
    }

    // wap and source of every cell after the terms that come before the
    // under-relaxation, from zero.
    static void addTerms(int eq, int first = 2, int last = X) {
        Equation = eq;
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        std::fill(source.data(), source.data() + source.size(), 0.0);
        for (MomentumStage s :
             {MomentumStage::AfterPressure, MomentumStage::AfterTimeTerm, MomentumStage::BeforeRelaxation})
            momentumSources(s, first, last);
    }
};

struct Change {
    double wap, source;
};

struct Row {
    const char* name;
    int eq;
    CellIndex cell;
    std::function<void()> params;  // before the grid is allocated
    std::function<void()> fields;  // after
    std::function<Change()> want;  // closed form at the cell
};

std::vector<Row> rows() {
    const CellIndex c{3, 3, 3};
    auto none = [] { return Change{0.0, 0.0}; };
    auto nothing = [] {};
    std::vector<Row> r;
    // Stress-model source: from Iter 2 on, after NoLoopStress inner iterations.
    auto stress = [](int alloc, int reynolds) {
        return [=] {
            FlagStress1DLL = 1;
            FlagReynoldsStress = reynolds;
            AllocStress1DLL = alloc;
        };
    };
    auto stressSlots = [] {
        for (int s = 10; s < Rstress.extent(0); ++s) Rstress[s][3][3][3] = 7.0 * s;
    };
    r.push_back({"stress u at Iter 2", 1, c, stress(9, 0), [=] { stressSlots(); Iter = 2; }, [] { return Change{0, 70.0}; }});
    r.push_back({"stress w at Iter 2", 3, c, stress(9, 0), [=] { stressSlots(); Iter = 2; }, [] { return Change{0, 84.0}; }});
    r.push_back({"stress at Iter 1", 1, c, stress(9, 0), [=] { stressSlots(); Iter = 1; }, none});
    r.push_back({"stress within NoLoopStress", 1, c, stress(9, 0),
                 [=] { stressSlots(); Iter = 2; NoLoopStress = 1; }, none});
    // With F 207 on, the store holds slots 10..12 whatever F 220 1..9 leaves.
    r.push_back({"stress with a first-model store", 1, c, stress(9, 5), [=] { stressSlots(); Iter = 2; },
                 [] { return Change{0, 70.0}; }});
    // Sediment buoyancy, w only: H from the half heights of the same level across j.
    auto buoyancy = [](double sourDens) {
        return [=] {
            SourDens = sourDens;
            density = 2.65;
            for (int j = 2; j <= Y; ++j) conc[0][3][j][3] = 0.01 * j;
        };
    };
    auto buoyant = [](int j, double H) {
        return Change{0, -H * m_armap[3][j] * 1000.0 * 9.81 * 2.65 * 0.002 * conc[0][3][j][3]};
    };
    r.push_back({"buoyancy j = 2", 3, {3, 2, 3}, nothing, buoyancy(0.002),
                 [=] { return buoyant(2, dz(3, 2, 3) + dz(3, 3, 3)); }});
    r.push_back({"buoyancy inner j", 3, c, nothing, buoyancy(0.002),
                 [=] { return buoyant(3, 0.5 * (dz(3, 2, 3) + dz(3, 4, 3) + 2.0 * dz(3, 3, 3))); }});
    r.push_back({"buoyancy j = ynumber", 3, {3, Y, 3}, nothing, buoyancy(0.002),
                 [=] { return buoyant(Y, dz(3, Y, 3) + dz(3, Y - 1, 3)); }});
    r.push_back({"buoyancy at the threshold 0.001", 3, c, nothing, buoyancy(0.001), none});
    r.push_back({"buoyancy with threads", 3, c, [] { NoProcessesSolver = 2; }, buoyancy(0.002),
                 [=] { return buoyant(3, 0.5 * (dz(3, 2, 3) + dz(3, 4, 3) + 2.0 * dz(3, 3, 3))); }});
    r.push_back({"buoyancy not in u", 1, c, nothing, buoyancy(0.002), none});
    // Volume-source drag: C = dz 1000 |phi| V1, wap += V2 C, source += C phi (V2 - 1).
    auto volume = [](double V1, double V2, int boxes) {
        return [=] {
            VolSourceNo = boxes;
            for (int n = 1; n <= boxes; ++n) {
                VolSource[n].i1 = 2, VolSource[n].i2 = X + 1;  // reaches into the boundary cells
                VolSource[n].j1 = 3, VolSource[n].j2 = 4;
                VolSource[n].k1 = 3, VolSource[n].k2 = 3;
                VolSource[n].value = V1;
                VolSource[n].value2 = V2;
            }
        };
    };
    auto drag = [](int eq, double V1, double V2, int boxes) {
        return [=] {
            const double p = phi(eq)[3][3][3];
            const double C = dz(3, 3, 3) * 1000.0 * std::fabs(p) * V1;
            return Change{boxes * V2 * C, boxes * C * p * (V2 - 1.0)};
        };
    };
    r.push_back({"G 10 drag", 1, c, nothing, volume(0.3, 2.0, 1), drag(1, 0.3, 2.0, 1)});
    r.push_back({"G 10 drag at rest", 1, c, nothing, [=] { volume(0.3, 2.0, 1)(); xvel[3][3][3] = 0.0; }, none});
    r.push_back({"G 11 with V2 = 1", 2, c, nothing, volume(0.3, 1.0, 1), drag(2, 0.3, 1.0, 1)});
    r.push_back({"two boxes add", 3, c, nothing, volume(0.3, 2.0, 2), drag(3, 0.3, 2.0, 2)});
    r.push_back({"G 10 drag with threads", 1, c, [] { NoProcessesSolver = 2; }, volume(0.3, 2.0, 1), drag(1, 0.3, 2.0, 1)});
    r.push_back({"outside the box", 1, {3, 2, 3}, nothing, volume(0.3, 2.0, 1), none});
    // Free-surface gravity, w only, with its one-sided forms at the ends of the column.
    auto gravity = [](int tfs) { return [=] { FlagTFS = tfs; }; };
    auto weight = [](double h) { return Change{0, -m_armap[3][3] * 9810.0 * h}; };
    r.push_back({"gravity top cell", 3, {3, 3, Z}, nothing, gravity(1), [=] { return weight(dz(3, 3, Z) + dz(3, 3, Z - 1)); }});
    r.push_back({"gravity bed cell", 3, {3, 3, 2}, nothing, gravity(3), [=] { return weight(dz(3, 3, 2) + dz(3, 3, 3)); }});
    r.push_back({"gravity inner cell", 3, c, nothing, gravity(1),
                 [=] { return weight(0.5 * (dz(3, 3, 4) + dz(3, 3, 2) + 2.0 * dz(3, 3, 3))); }});
    r.push_back({"gravity below a blocked cell", 3, c, nothing, [=] { gravity(1)(); WallK[3][3][3] = -1; },
                 [=] { return weight(dz(3, 3, 3) + dz(3, 3, 2)); }});
    r.push_back({"gravity above a blocked cell", 3, {3, 3, 4}, nothing, [=] { gravity(1)(); WallK[3][3][4] = 1; },
                 [=] { return weight(dz(3, 3, 4) + dz(3, 3, 5)); }});
    r.push_back({"gravity off with F 36 2", 3, c, nothing, gravity(2), none});
    r.push_back({"gravity with threads", 3, {3, 3, Z}, [] { NoProcessesSolver = 2; }, gravity(1),
                 [=] { return weight(dz(3, 3, Z) + dz(3, 3, Z - 1)); }});
    // Wind on the top cells of open columns: F 0.0012 D A, u with the first factor, v with the second.
    auto wind = [](double W) {
        return [=] {
            Wind[0] = W;
            Wind[1] = 0.8;
            Wind[2] = -0.6;
            WindFlag = 1;
        };
    };
    auto windForce = [](double F, double W) { return Change{0, F * 0.0012 * 1.1 * W * W * m_armap[3][3]}; };
    r.push_back({"wind u", 1, {3, 3, Z}, nothing, wind(7.0), [=] { return windForce(0.8, 7.0); }});
    r.push_back({"wind v", 2, {3, 3, Z}, nothing, wind(7.0), [=] { return windForce(-0.6, 7.0); }});
    r.push_back({"wind below the top", 1, {3, 3, Z - 1}, nothing, wind(7.0), none});
    r.push_back({"wind on a blocked top cell", 1, {3, 3, Z}, nothing, [=] { wind(7.0)(); OBlok[3][3][Z] = 0; }, none});
    r.push_back({"wind not in w", 3, {3, 3, Z}, nothing, wind(7.0), none});
    r.push_back({"wind speed 1e-10", 1, {3, 3, Z}, nothing, wind(1e-10), none});
    // Coriolis: u takes +2 f v rho V, v takes -2 f u rho V.
    auto coriolis = [] {
        FlagCoriolis = 1;
        Coriolis = 1.2e-4;
    };
    auto turning = [](double sign, double vel) {
        return Change{0, sign * 2.0 * vel * 1.2e-4 * 1000.0 * m_armap[3][3] * m_dist_z[3][3][3]};
    };
    r.push_back({"Coriolis u", 1, c, nothing, coriolis, [=] { return turning(1.0, yvel[3][3][3]); }});
    r.push_back({"Coriolis v", 2, c, nothing, coriolis, [=] { return turning(-1.0, xvel[3][3][3]); }});
    r.push_back({"Coriolis not in w", 3, c, nothing, coriolis, none});
    // Thin-water damping by the share r of the depth that the target bed fills.
    auto damping = [](double share, bool transient) {
        return std::pair<std::function<void()>, std::function<void()>>{
            [=] {
                FlagTSC = 1;
                FlagTSCMinDepth = 1;
                TimeStep = transient ? 1.0 : 0.0;
            },
            [=] {
                const double depth = 2.0 * m_dist_z[3][3][0];
                for (int a = 2; a <= 3; ++a)
                    for (int b = 2; b <= 3; ++b) zval[a][b][0] = zval[a][b][1] + share * depth;
                if (transient) xvel_old[3][3][3] = -0.9;
            }};
    };
    {
        auto [p0, f0] = damping(0.0, true);
        r.push_back({"damping without a raised bed", 1, c, p0, f0, none});
    }
    // Free-surface force: the change of the top-cell continuity source, weighted R/S up the column.
    auto surfaceForce = [](double now) {
        return [=] {
            zvel_old[3][3][0] = 0.3;
            zvel[3][3][0] = now;
        };
    };
    auto tfsParams = [] {
        FlagTFS = 1;
        TFSforcesource = 0.7;
        TimeStep = 0.5;
    };
    auto lifted = [](int k) {
        double S = 0.0;
        for (int kk = 2; kk <= Z; ++kk) S += m_dist_z[3][3][kk];
        double R = m_dist_z[3][3][2];
        for (int kk = 3; kk <= k; ++kk) R += m_dist_z[3][3][kk];
        return Change{0, (R / S) / 0.5 * 2.0 * m_dist_z[3][3][k] * 0.2 * 0.7 - m_armap[3][3] * 9810.0 *
                                                                              (k == 2 ? m_dist_z[3][3][2] + m_dist_z[3][3][3]
                                                                                      : m_dist_z[3][3][k] + m_dist_z[3][3][k - 1])};
    };
    r.push_back({"surface force bed cell", 3, {3, 3, 2}, tfsParams, surfaceForce(0.1), [=] { return lifted(2); }});
    r.push_back({"surface force top cell", 3, {3, 3, Z}, tfsParams, surfaceForce(0.1), [=] { return lifted(Z); }});
    r.push_back({"surface force in a run without time steps", 3, {3, 3, Z}, [] { FlagTFS = 1; },
                 [] { zvel[3][3][0] = 0.1; }, [] {
                     return Change{0, -m_armap[3][3] * 9810.0 * (m_dist_z[3][3][Z] + m_dist_z[3][3][Z - 1])};
                 }});
    r.push_back({"surface force without a change", 3, {3, 3, Z}, tfsParams, surfaceForce(0.3), [] {
                     return Change{0, -m_armap[3][3] * 9810.0 * (m_dist_z[3][3][Z] + m_dist_z[3][3][Z - 1])};
                 }});
    // Laminar bed term of models 8 and 9, w included.
    auto laminar = [](int model) { return [=] { TurbulenceModel = model; }; };
    auto bedTerm = [] { return Change{0.001 / m_dist_z[3][3][2] * m_armap[3][3], 0}; };
    r.push_back({"laminar bed u, model 8", 1, {3, 3, 2}, laminar(8), nothing, bedTerm});
    r.push_back({"laminar bed w, model 9", 3, {3, 3, 2}, laminar(9), nothing, bedTerm});
    r.push_back({"laminar bed above the bed cell", 3, c, laminar(9), nothing, none});
    r.push_back({"laminar bed, blocked bed cell", 2, {3, 3, 2}, laminar(8), [] { OBlok[3][3][2] = 0; }, none});
    r.push_back({"laminar bed, model 0", 2, {3, 3, 2}, laminar(0), nothing, none});
    return r;
}

TEST_F(MomentumSources, EachTermAtOneCell) {
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.name);
        startValues();
        row.params();
        grid();
        row.fields();
        const Change want = row.want();
        addTerms(row.eq);
        const CellIndex c = row.cell;
        EXPECT_NEAR(wap[c.i][c.j][c.k], want.wap, 1e-12 * (1.0 + std::fabs(want.wap)));
        EXPECT_NEAR(source[c.i][c.j][c.k], want.source, 1e-12 * (1.0 + std::fabs(want.source)));
    }
}

// Thin-water damping (FlagTSC, FlagTSCMinDepth 1): a bed friction on the centre
// coefficient of u, by the share r of the depth that the target bed fills.
// It grows with the fifth power of r and stops growing once the bed fills the
// depth, falls in proportion to the roughness height Xks, takes the mean of
// the old and the present velocity over a time step (so equal levels give
// the step without a time level) and brakes either direction alike. A wrong
// power, a missing cap, a friction growing with Xks or a signed velocity
// breaks one of these.
TEST_F(MomentumSources, ThinWaterDampingScales) {
    struct Setting {
        double share = 0.4;
        bool transient = true;
        double old = -0.9;   // u of the last time step in cell (3, 3, 3)
        double sign = 1.0;   // of u and of its last time step
        double ks = 0.05;
    };
    auto damping = [](const Setting& s) {
        startValues();
        FlagTSC = 1;
        FlagTSCMinDepth = 1;
        TimeStep = s.transient ? 1.0 : 0.0;
        grid();
        const double depth = 2.0 * m_dist_z[3][3][0];
        for (int a = 2; a <= 3; ++a)
            for (int b = 2; b <= 3; ++b) zval[a][b][0] = zval[a][b][1] + s.share * depth;
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) {
                Xks[i][j] = s.ks;
                for (int k = 0; k <= Z + 1; ++k) {
                    if (s.transient) xvel_old[i][j][k] = s.sign * (k == 3 ? s.old : xvel[i][j][k]);
                    xvel[i][j][k] *= s.sign;
                }
            }
        addTerms(1);
        return wap[3][3][3];
    };
    const double partial = damping({});
    EXPECT_GT(partial, 0.0);
    EXPECT_NEAR(partial / damping({.share = 1.0}), std::pow(0.4, 5), 1e-12);
    EXPECT_NEAR(damping({.share = 1.5}) / damping({.share = 1.0}), 1.0, 1e-12);
    EXPECT_NEAR(damping({.ks = 0.1}) / partial, 0.5, 1e-12);
    EXPECT_NEAR(damping({.sign = -1.0}) / partial, 1.0, 1e-12);
    EXPECT_NE(damping({.old = 0.2}), partial);
    const double present = xvel[3][3][3];
    EXPECT_NEAR(damping({.transient = false}) / damping({.old = present}), 1.0, 1e-12);
}

// Supercritical friction: a column whose surface is steeper than the
// critical slope and whose bed flow runs down the bed takes the driving force
// of its depth as a friction, half in the bed cell and half in the top cell;
// it brakes also where the direction cosine is negative.
TEST_F(MomentumSources, SupercriticalFriction) {
    struct Case {
        const char* name;
        int eq;
        double u, v, k;
        bool treated;
    };
    const Case cases[] = {
        {"down the slope, u", 1, 1.0, 0.0, 0.0, true},
        {"down the slope, v against its component", 2, 1.0, -0.5, 100.0, true},
        {"bed shear above the driving force", 1, 1.0, 0.0, 100.0, true},
        {"up the slope", 1, -1.0, 0.0, 0.0, false},
        {"at rest", 1, 0.0, 0.0, 0.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startValues();
        FlagSuperCritical = 1;
        grid();
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 0; k <= Z + 1; ++k) {
                    xvel[i][j][k] = c.u;
                    yvel[i][j][k] = c.v;
                    kinen[i][j][k] = c.k;
                }
        addTerms(c.eq);
        const int i = 3, j = 3;
        double want = 0.0;
        if (c.treated) {
            // No face fluxes: the energy heads are the surface levels of the side faces.
            const double speed = std::hypot(c.u, c.v);
            double h = 0.0;
            for (int k = 2; k <= Z; ++k) h += 2.0 * m_dist_z[i][j][k];
            auto zs = [](int a, int b) { return zval[a][b][Z]; };
            const int e = c.eq - 1;
            const double G = 0.5 * (zs(i - 1, j) + zs(i - 1, j - 1) - zs(i, j) - zs(i, j - 1)) /
                                 (2.0 * m_dist_x[i][j][2]) * m_vec_x[i - 1][j][e] +
                             0.5 * (zs(i, j - 1) + zs(i - 1, j - 1) - zs(i - 1, j) - zs(i, j)) /
                                 (2.0 * m_dist_y[i][j][2]) * m_vec_y[i][j - 1][e];
            const double cosine = (c.eq == 1 ? c.u : c.v) / speed;
            const double T = std::max(0.0, h * 9810.0 * G - c.k * sqcmyrho * cosine);
            if (c.k == 100.0 && c.eq == 1) {
                EXPECT_EQ(T, 0.0);
            }
            if (c.eq == 2) {
                EXPECT_GT(T, 0.0);
            }
            want = T * 0.5 * m_armap[i][j] / (speed * std::fabs(cosine));
        }
        EXPECT_NEAR(wap[i][j][2], want, 1e-9 * (1.0 + want));
        EXPECT_NEAR(wap[i][j][Z], want, 1e-9 * (1.0 + want));
        EXPECT_GE(wap[i][j][2], 0.0);
        EXPECT_EQ(wap[i][j][3], 0.0);
    }
    // A level surface is never steeper than the critical slope.
    startValues();
    FlagSuperCritical = 1;
    SetArraysZero();
    boxGrid(X, Y, Z, 1.0, 0.5, 0.25);
    metric();
    for (int k = 0; k <= Z + 1; ++k) xvel[3][3][k] = 1.0;
    Xks[3][3] = 0.05;
    addTerms(1);
    EXPECT_EQ(wap[3][3][2], 0.0);
}

// The wind laws of F 73 at their joints and the wind of a `timei` series.
TEST_F(MomentumSources, WindLawsAndSeries) {
    const double below = std::nextafter(1.0, 0.0), below15 = std::nextafter(15.0, 0.0);
    const struct {
        int law;
        double W, D;
    } laws[] = {
        {0, 5.6, 5.6 * 5.6},
        {0, std::nextafter(5.6, 6.0), 5.6 * 5.6},  // continuous at 5.6
        {0, 11.2, (1.0 + 1.9 * 0.25) * 11.2 * 11.2},
        {1, 3.0, 9.9},
        {2, below, 1.25},  // jumps at 1 ...
        {2, 1.0, 0.5},
        {2, below15, 0.5 * std::pow(15.0, 2.5)},  // ... and at 15
        {2, 15.0, 2.6 * 225.0},
        {7, 3.0, 3.0},  // any other law: W
    };
    for (const auto& l : laws) EXPECT_NEAR(windDrag(l.law, l.W), l.D, 1e-9 * l.D) << l.law << " " << l.W;

    // A series without its arrays (a run that does not step in time) is an
    // internal inconsistency.
    grid();
    TimeInNo = 2;
    EXPECT_EQ(exitCodeOf([] { windNow(1); }), -8);

    TimeStep = 1.0;  // the series exists in a run that steps in time
    Wind[0] = 5.0;
    grid();
    const double times[] = {0.0, 10.0, 20.0};
    for (int n = 0; n < 3; ++n) {
        TimeInTime[n] = times[n];
        Winn[n][0] = 2.0 + n;
        Winn[n][1] = 0.1 * (n + 1);
        Winn[n][2] = -0.1 * (n + 1);
    }
    const struct {
        int rows;
        double t;
        double W, Fu, Fv;
    } series[] = {
        {3, 5.0, 2.5, 0.15, -0.15},  // between rows
        {3, 10.0, 3.0, 0.2, -0.2},   // at a row
        {3, 20.0, 4.0, 0.3, -0.3},   // at the last row
        {3, 35.0, 4.0, 0.3, -0.3},   // beyond it: the last row holds
        {1, 5.0, 2.0, 0.1, -0.1},    // a series of one row
        {0, 5.0, 5.0, 0.0, 0.0},     // no series: F 52
    };
    Wind[1] = Wind[2] = 0.0;
    for (const auto& s : series) {
        SCOPED_TRACE(std::to_string(s.rows) + " rows at " + std::to_string(s.t));
        TimeInNo = s.rows;
        stime = s.t;
        const WindNow u = windNow(1), v = windNow(2);
        EXPECT_NEAR(u.speed, s.W, 1e-12);
        EXPECT_NEAR(v.speed, s.W, 1e-12);
        EXPECT_NEAR(u.factor, s.Fu, 1e-12);
        EXPECT_NEAR(v.factor, s.Fv, 1e-12);
    }
}

// Every term on blocks of i-planes gives the whole-grid equation bit for bit.
TEST_F(MomentumSources, BlocksGiveTheWholeGrid) {
    TimeStep = 0.5;
    FlagStress1DLL = 1;
    grid();
    for (int s = 10; s <= 12; ++s) Rstress[s][3][4][2] = 1.0 + s;
    Iter = 2;
    SourDens = 0.01;
    conc[0][4][3][3] = 0.02;
    VolSourceNo = 1;
    VolSource[1] = {{2, 5, 2, 4, 2, 4}, 0.2, 2.0};
    FlagTFS = 1;
    Wind[0] = 6.0;
    Wind[1] = Wind[2] = 0.5;
    FlagCoriolis = 1;
    Coriolis = 1e-4;
    FlagTSC = 1;
    FlagTSCMinDepth = 2;
    zval[3][3][0] = zval[3][3][1] + 0.3;
    zvel_old[4][4][0] = 0.1;
    TurbulenceModel = 8;
    FlagSuperCritical = 1;
    FlagBrelk = 11;
    Xks[2][2] = 2.0;
    for (int eq = 1; eq <= 3; ++eq) {
        SCOPED_TRACE(eq);
        addTerms(eq);
        const std::vector<double> wholeWap(wap.data(), wap.data() + wap.size());
        const std::vector<double> wholeSource(source.data(), source.data() + source.size());
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        std::fill(source.data(), source.data() + source.size(), 0.0);
        for (auto [first, last] : {std::pair{2, 2}, {3, 4}, {5, X}})
            for (MomentumStage s :
                 {MomentumStage::AfterPressure, MomentumStage::AfterTimeTerm, MomentumStage::BeforeRelaxation})
                momentumSources(s, first, last);
        EXPECT_EQ(std::vector<double>(wap.data(), wap.data() + wap.size()), wholeWap);
        EXPECT_EQ(std::vector<double>(source.data(), source.data() + source.size()), wholeSource);
        EXPECT_NE(wholeSource, std::vector<double>(wholeSource.size(), 0.0));
    }
}

}  // namespace
