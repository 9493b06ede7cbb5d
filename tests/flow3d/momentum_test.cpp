// The momentum step on the serial path: relaxation, time terms, pressure-
// coupling coefficients, the zero-coefficient stop, blocked boxes, solver
// choices, the stencil of v and w, and the debug dump. The eddy viscosity is
// set by hand and the pressure gradient plays no part.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "equations/fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "flow3d/flow3d.h"
#include "turbulence/turbulence.h"
#include "support/step_box.h"

using namespace eqtest;
using quird_test::readFile;
using quird_test::readLines;

namespace {

constexpr double kDx = quird_test::kBoxDx, kDy = quird_test::kBoxDy, kDz = quird_test::kBoxDz;

struct Allocation {
    double timeStep = 1e-20;
    int timeOrder = 0;
    double relaxRhieChow = 1.0;
    char simpleFlag = 'Y';
    bool secondOrder = false;
};

class MomentumStep : public quird_test::StepBoxTest {
protected:
    void build(const Allocation& a = {}) {
        TimeStep = a.timeStep;
        FlagTimeOrder = a.timeOrder;
        RelaxRhieChow = a.relaxRhieChow;
        simple = a.simpleFlag;
        FlagTemp = 0;
        NoComponents = 0;
        FlagCofDLL = 0;
        for (int e = 0; e < kEquationTable; ++e) sou[e] = 0;
        stepBox(a.secondOrder);
        forAll([](int i, int j, int k) {
            xvel[i][j][k] = 0.5 + 0.01 * i - 0.02 * j + 0.03 * k;
            yvel[i][j][k] = 0.1 - 0.01 * i + 0.005 * k;
            zvel[i][j][k] = 0.02 * j - 0.01 * k;
            kinen[i][j][k] = 0.003;
            epsilon[i][j][k] = 0.002;
        });
        for (std::int64_t n = 0; n < gama.size(); ++n) gama.data()[n] = gamaV.data()[n] = 0.01;
        // A uniform flux along i, with a little cross flow on the j-faces.
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) flow1[i][j][k] = 1.5;
        for (int i = 2; i <= xnumber; ++i)
            for (int k = 2; k <= znumber; ++k) flow2[i][2][k] = 0.2 * (i % 2 == 0 ? 1 : -1);
        for (int e = 1; e <= 3; ++e) {
            sweeps[e] = 1;
            blockcorr[e] = 0;
            NormResidual[e] = 1.0;
        }
        lcray = 'N';
        relaxVelocity = 0.5;
        coefficientParameters();
        FlagErrorBreak = 0;
        NoProcessesSolver = 0;
        MBNo = 0;
    }
    static double neighbours(int i, int j, int k) {
        return an[i][j][k] + as[i][j][k] + ae[i][j][k] + aw[i][j][k] + wat[i][j][k] + wab[i][j][k];
    }
    // The wall terms that the wall routine gives to equation eq, per cell.
    static std::vector<double> wallTerms(int eq) {
        Equation = eq;
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        std::fill(source.data(), source.data() + source.size(), 0.0);
        wallall();
        return {wap.data(), wap.data() + wap.size()};
    }
    static std::vector<double> velocities() {
        std::vector<double> v;
        for (auto* a : {&xvel, &yvel, &zvel}) v.insert(v.end(), a->data(), a->data() + a->size());
        return v;
    }
};

// ---------------------------------------------------------------------------
// Under-relaxation (w is the equation left in the workspace).
// ---------------------------------------------------------------------------
TEST_F(MomentumStep, UnderRelaxation) {
    struct Case {
        const char* name;
        double relax;
        int wallDLL;
        int threads;
    };
    // F 120: no built-in wall routine, with threads as without.
    const Case cases[] = {{"relax_1_adds_nothing", 1.0, 0, 0},
                          {"relax_0_6", 0.6, 0, 0},
                          {"relax_0_6_threads", 0.6, 0, 2},
                          {"no_wall_routine_f120", 0.6, 1, 0},
                          {"no_wall_routine_f120_threads", 0.6, 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build();
        wallCell(3, 3, 2, 0, 0, 1);
        relaxVelocity = c.relax;
        FlagWallDLL = c.wallDLL;
        NoProcessesSolver = c.threads;
        for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
        const std::vector<double> wall = wallTerms(3);
        momentumStep();
        EXPECT_EQ(Equation, 3);
        forInterior([&](int i, int j, int k) {
            const double w = c.wallDLL == 0 ? wall[wap.offset(i, j, k)] : 0.0;
            const double expected = (neighbours(i, j, k) + w) / c.relax;
            ASSERT_NEAR(wap[i][j][k], expected, 1e-14 * expected) << i << "," << j << "," << k;
        });
        if (c.relax == 1.0) {
            forInterior([](int i, int j, int k) {
                if (Wall[i][j][k] == 0) {
                    ASSERT_EQ(source[i][j][k], 0.0);
                }
            });
            EXPECT_EQ(wap[3][3][3], neighbours(3, 3, 3));
        } else {
            EXPECT_NEAR(source[3][3][3], 0.4 * zvel[3][3][3] * wap[3][3][3], 1e-15);
        }
        if (c.wallDLL == 1) {
            EXPECT_EQ(wap[3][3][2], neighbours(3, 3, 2) / c.relax);
        }
    }
}

// ---------------------------------------------------------------------------
// invAP and invAPC. The one-equation wall law gives the three
// components different centre coefficients at a bed cell.
// ---------------------------------------------------------------------------
TEST_F(MomentumStep, PressureCouplingCoefficients) {
    for (int scheme : {0, 2}) {
        SCOPED_TRACE(scheme);
        build({.relaxRhieChow = -0.5, .simpleFlag = 'C'});
        TurbulenceModel = 14;
        wallCell(3, 3, 2, 0, 1, 1);
        wallCell(4, 2, 3, 0, 1, 0);
        sou[1] = scheme;
        relaxVelocity = 0.8;  // cells with closed boundary faces fall below the floor
        for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
        momentumStep();
        ASSERT_EQ(FlagErrorBreak, 0);
        const std::vector<double> wallU = wallTerms(1), wallW = wallTerms(3);
        int floored = 0;
        forInterior([&](int i, int j, int k) {
            const double S = neighbours(i, j, k);
            const double r = relaxVelocity;
            double u = (S + wallU[wap.offset(i, j, k)]) / r;
            double w = (S + wallW[wap.offset(i, j, k)]) / r;
            if (scheme == 2) {
                const double floor = (m_ar_x[i][j][k] / m_dist_x[i][j][k] + m_ar_y[i][j][k] / m_dist_y[i][j][k] +
                                      m_armap[i][j] / m_dist_z[i][j][k]) *
                                     gama[i][j][k];
                if (floor > w) ++floored;
                u = std::max(u, floor);
                w = std::max(w, floor);
            }
            const double ap = scheme == 2 ? w : u;  // central differences: w's remains
            ASSERT_NEAR(invAP[i][j][k], 1.0 / ap, 1e-13 / ap) << i << "," << j << "," << k;
            ASSERT_NEAR(invAPC[i][j][k], 1.0 / (u - S), 1e-12 * std::fabs(1.0 / (u - S)));
        });
        // The bed cell's components really differ, and the floor acts somewhere.
        EXPECT_NE(wallU[wap.offset(3, 3, 2)], wallW[wap.offset(3, 3, 2)]);
        if (scheme == 2) {
            EXPECT_GT(floored, 0);
        }
    }
}

// invFlow (F 21 negative) is the inverse of the mass passing through a cell,
// whatever its direction: 1 / Q in the cells of row j = ynumber, which the
// uniform flux Q along i crosses alone; below 1 / Q in the rows 2 and 3,
// whose cross flow of either sign adds to the throughput; halved when every
// flux doubles. A flux counted once (in or out only), a signed sum or a
// term that does not scale with the fluxes breaks one of these.
TEST_F(MomentumStep, InvFlowIsTheInverseThroughput) {
    build({.relaxRhieChow = -0.5, .simpleFlag = 'C'});
    const double Q = flow1[2][2][2];
    momentumStep();
    ASSERT_EQ(FlagErrorBreak, 0);
    int crossed = 0;
    forInterior([&](int i, int j, int k) {
        if (j == ynumber) {
            EXPECT_NEAR(invFlow[i][j][k] * Q, 1.0, 1e-14) << i << "," << j << "," << k;
        } else {
            EXPECT_LT(invFlow[i][j][k] * Q, 0.99) << i << "," << j << "," << k;
            ++crossed;
        }
    });
    EXPECT_GT(crossed, 0);
    const std::vector<double> before(invFlow.data(), invFlow.data() + invFlow.size());
    for (FieldArray<double, 3>* f : {&flow1, &flow2, &flow3})
        for (std::int64_t n = 0; n < f->size(); ++n) f->data()[n] *= 2.0;
    momentumStep();
    ASSERT_EQ(FlagErrorBreak, 0);
    forInterior([&](int i, int j, int k) {
        EXPECT_NEAR(invFlow[i][j][k] / before[invFlow.offset(i, j, k)], 0.5, 1e-14) << i << "," << j << "," << k;
    });
}

// K 6 first value 1 (SOU) or 3 (QUICK), with the second-neighbour arrays:
// the relaxation and the SIMPLEC coefficient sum the 13-point stencil. Values
// above 3 act as 0: the 7-point stencil, stale second-neighbour couplings
// left out.
TEST_F(MomentumStep, StencilOfTheRelaxationAndOfInvAPC) {
    struct Case {
        int scheme;
        bool p13;
    };
    for (const Case c : {Case{1, true}, Case{3, true}, Case{5, false}}) {
        SCOPED_TRACE(c.scheme);
        build({.simpleFlag = 'C', .secondOrder = true});
        for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
            for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 0.37;  // of some earlier equation
        sou[1] = c.scheme;
        relaxVelocity = 0.6;
        for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
        momentumStep();  // no wall cells: u, v and w share one centre coefficient
        ASSERT_EQ(FlagErrorBreak, 0);
        int secondUsed = 0;
        forInterior([&](int i, int j, int k) {
            const double second =
                aww[i][j][k] + aee[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
            if (c.p13 && second != 6 * 0.37) ++secondUsed;
            const double S = neighbours(i, j, k) + (c.p13 ? second : 0.0);
            ASSERT_NEAR(wap[i][j][k], S / 0.6, 1e-13 * std::fabs(S)) << i << "," << j << "," << k;
            ASSERT_NEAR(invAPC[i][j][k], 1.0 / (wap[i][j][k] - S), 1e-12 * std::fabs(invAPC[i][j][k]));
        });
        if (c.p13) {
            EXPECT_GT(secondUsed, 0);  // the generator filled its own second-neighbour couplings
        }
    }
}

// A cell whose a_P does not exceed the sum of its neighbours' (here every
// cell but the wall cell, under a velocity over-relaxation) takes invAP as
// its SIMPLEC coefficient; the cells are counted in one line per step; with
// the 7- and the 13-point stencil.
TEST_F(MomentumStep, SimplecCoefficientFallsBackWhereAPDoesNotExceedTheNeighbours) {
    for (const bool p13 : {false, true}) {
        SCOPED_TRACE(p13);
        std::remove("boogie");
        build({.simpleFlag = 'C', .secondOrder = p13});
        wallCell(3, 3, 2, 0, 1, 1);
        sou[1] = p13 ? 1 : 0;
        relaxVelocity = 1.25;
        for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
        momentumStep();
        ASSERT_EQ(FlagErrorBreak, 0);
        long fallbacks = 0;
        forInterior([&](int i, int j, int k) {
            double S = neighbours(i, j, k);
            if (p13) S += aww[i][j][k] + aee[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
            const double excess = wap[i][j][k] - S;
            if (excess > 0.0) {
                EXPECT_NEAR(invAPC[i][j][k], 1.0 / excess, 1e-12 / excess) << i << "," << j << "," << k;
            } else {
                EXPECT_EQ(invAPC[i][j][k], invAP[i][j][k]) << i << "," << j << "," << k;
                ++fallbacks;
            }
            EXPECT_GT(invAPC[i][j][k], 0.0);
        });
        EXPECT_GT(fallbacks, 0);
        const std::string line = "Warning, SIMPLEC: " + std::to_string(fallbacks) + " cells with a_P - sum a_nb <= 0 use 1/a_P\n";
        const std::string log = readFile("boogie");
        EXPECT_NE(log.find(line), std::string::npos) << log;
        EXPECT_EQ(log.find(line), log.rfind(line)) << "one line per step";
    }
}

// F 100 1: the transposed viscous stresses enter the source of every
// component before the wall laws, which clear them at the wall cells.
TEST_F(MomentumStep, TransposedStressesComeBeforeTheWallLaws) {
    std::vector<double> w[2];
    for (int flag : {0, 1}) {
        build();
        wallCell(3, 3, 2, 0, 0, 1);
        relaxVelocity = 1.0;
        for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
        StressFlag = flag;
        momentumStep();
        w[flag].assign(source.data(), source.data() + source.size());
    }
    std::fill(source.data(), source.data() + source.size(), 0.0);
    StressOrt();  // w, with the viscosity of the step
    double largest = 0.0;
    forInterior([&](int i, int j, int k) {
        const std::int64_t n = source.offset(i, j, k);
        const double expected = Wall[i][j][k] != 0 ? 0.0 : source[i][j][k];
        largest = std::max(largest, std::fabs(expected));
        ASSERT_NEAR(w[1][n] - w[0][n], expected, 1e-12) << i << "," << j << "," << k;
    });
    EXPECT_GT(largest, 1e-6);
    EXPECT_EQ(w[1][source.offset(3, 3, 2)], w[0][source.offset(3, 3, 2)]);
}

// A zero centre coefficient of u stops the step at the first cell in i, j, k
// order; the cells before it hold their new invAP, u is not solved.
TEST_F(MomentumStep, ZeroCoefficientStop) {
    build();
    for (auto [ci, cj, ck] : {std::tuple{4, 2, 2}, std::tuple{3, 3, 3}}) {
        m_ar_x[ci - 1][cj][ck] = m_ar_x[ci][cj][ck] = 0.0;
        m_ar_y[ci][cj - 1][ck] = m_ar_y[ci][cj][ck] = 0.0;
        m_ar_z[ci][cj][ck - 1] = m_ar_z[ci][cj][ck] = 0.0;
        for (int i = 1; i <= xnumber; ++i) flow1[i][cj][ck] = 0.0;
        flow2[ci][cj - 1][ck] = flow2[ci][cj][ck] = 0.0;
    }
    forInterior([](int i, int j, int k) { invAP[i][j][k] = -1.0; });
    const std::vector<double> before = velocities();
    momentumStep();
    EXPECT_EQ(FlagErrorBreak, 1);
    EXPECT_EQ(Equation, 1);
    EXPECT_EQ(readFile("boogie"),
              "Error, wap(3,3,3) = 0.000000e+00\nThis error may be avoided by the use of F 7 E in the control file\n");
    EXPECT_STREQ(mc_message, "Error, wap(3,3,3) = 0.000000e+00\n");
    EXPECT_GT(invAP[2][4][4], 0.0);
    EXPECT_GT(invAP[3][3][2], 0.0);
    EXPECT_EQ(invAP[3][3][3], -1.0);
    EXPECT_EQ(invAP[3][3][4], -1.0);
    EXPECT_EQ(invAP[4][2][2], -1.0);
    EXPECT_EQ(velocities(), before);
}

// ---------------------------------------------------------------------------
// Blocked boxes, time terms, sweeps and block correction.
// ---------------------------------------------------------------------------
TEST_F(MomentumStep, BlockedBoxEndsAtZero) {
    build();
    OutBlockNo = 1;
    OutBlock[1] = {{3, 4, 2, 3, 2, 3}, 0};
    for (int e = 1; e <= 3; ++e) sweeps[e] = 3;
    momentumStep();
    for (int i = 3; i <= 4; ++i)
        for (int j = 2; j <= 3; ++j)
            for (int k = 2; k <= 3; ++k) {
                EXPECT_EQ(xvel[i][j][k], 0.0);
                EXPECT_EQ(yvel[i][j][k], 0.0);
                EXPECT_EQ(zvel[i][j][k], 0.0);
                EXPECT_GT(invAP[i][j][k], 1e-10);  // taken before the pinning
            }
    EXPECT_NE(xvel[5][3][3], 0.0);
}

TEST_F(MomentumStep, TimeTerms) {
    struct Case {
        const char* name;
        int order, threads;
        bool secondOrderSource;
    };
    const Case cases[] = {{"first_order", 0, 0, false}, {"second_order", 1, 0, true}, {"threads_second_order", 1, 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build({.timeStep = 0.5, .timeOrder = 1});
        FlagTimeOrder = c.order;
        NoProcessesSolver = c.threads;
        relaxVelocity = 1.0;
        for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
        forInterior([](int i, int j, int k) {
            zvel_old[i][j][k] = 0.3 + 0.01 * k;
            zvel_old2[i][j][k] = 0.1 * i;
        });
        momentumStep();
        forInterior([&](int i, int j, int k) {
            const double m = 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * 1000.0 / 0.5;
            const double old = zvel_old[i][j][k], old2 = zvel_old2[i][j][k];
            ASSERT_NEAR(wap[i][j][k], neighbours(i, j, k) + m, 1e-13 * m);
            ASSERT_NEAR(source[i][j][k], c.secondOrderSource ? m * (2 * old - old2) : m * old, 1e-13 * m);
        });
    }
}

// sweeps 0 leaves the velocities, but the residual and the dump are made;
// blockcorr 4 without threads corrects nothing.
TEST_F(MomentumStep, SweepsAndBlockCorrection) {
    build();
    for (int e = 1; e <= 3; ++e) sweeps[e] = 0;
    DebugDumpNo = 2;
    DebugDump[1] = {2, 3, 3, 3};
    DebugDump[2] = {3, 4, 2, 2};
    const std::vector<double> start = velocities();
    for (int e = 1; e <= 3; ++e) MaxResidual[e] = -1.0;
    momentumStep();
    EXPECT_EQ(velocities(), start);
    for (int e = 1; e <= 3; ++e) EXPECT_GT(MaxResidual[e], 0.0);
    const std::vector<std::string> log = readLines("boogie");
    ASSERT_EQ(log.size(), 16u);
    EXPECT_EQ(log[0], "Debug dump for (3,3,3,2)");
    EXPECT_EQ(log[8], "Debug dump for (4,2,2,3)");

    auto solved = [&](int mode) {
        build();
        for (int e = 1; e <= 3; ++e) blockcorr[e] = mode;
        momentumStep();
        return velocities();
    };
    const std::vector<double> plain = solved(0);
    EXPECT_EQ(solved(4), plain);
    EXPECT_NE(solved(1), plain);
}

// v and w are assembled on the coefficients of u's scheme: their residual
// and solver follow it whatever their own K 6 entries say.
TEST_F(MomentumStep, VAndWFollowTheSchemeOfU) {
    struct Case {
        int first, second;
    };
    const Case cases[] = {{1, 0}, {2, 1}, {2, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "K 6 " << c.first << " " << c.second);
        auto run = [&](int own) {
            build({.secondOrder = true});
            // Couplings of some earlier equation in the second-neighbour arrays.
            for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
                for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 0.37;
            sou[1] = c.first;
            sou[2] = sou[3] = own;
            momentumStep();
            std::vector<double> r = velocities();
            r.push_back(MaxResidual[2]);
            r.push_back(MaxResidual[3]);
            return r;
        };
        EXPECT_EQ(run(c.second), run(c.first));
    }
}

// ---------------------------------------------------------------------------
// Debug dump: the text, with a record on the upper boundary layer whose
// neighbours k+2 lie outside the fields.
// ---------------------------------------------------------------------------
TEST_F(MomentumStep, DebugDumpText) {
    build({.secondOrder = true});
    f = xvel;
    forAll([](int i, int j, int k) { f[i][j][k] = 100 * i + 10 * j + k; });
    const std::pair<FieldArray<double, 3>*, double> values[] = {
        {&ae, 1}, {&aw, 2}, {&as, 3}, {&an, 4}, {&wab, 5}, {&wat, 6}, {&aee, 7}, {&aww, 8}, {&ass, 9},
        {&ann, 10}, {&abb, 11}, {&att, 12}, {&wap, 20}, {&source, 30}, {&flow1, 0.5}, {&flow2, 0.25}, {&flow3, 0.125}};
    for (auto [a, v] : values)
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = v;
    DebugDumpNo = 3;
    DebugDump[1] = {1, 3, 2, 5};
    DebugDump[2] = {2, 2, 2, 2};
    DebugDump[3] = {3, 4, 3, 3};
    sou[1] = 1;
    Equation = 1;
    debugDump();
    EXPECT_EQ(readFile("boogie"),
              "Debug dump for (3,2,5,1)\n"
              "f, ap, source = 3.250000e+02 2.000000e+01 3.000000e+01\n"
              "fe, ae, flowe = 2.250000e+02 1.000000e+00 5.000000e-01\n"
              "fw, aw, floww = 4.250000e+02 2.000000e+00 5.000000e-01\n"
              "fs, as, flows = 3.150000e+02 3.000000e+00 2.500000e-01\n"
              "fn, an, flown = 3.350000e+02 4.000000e+00 2.500000e-01\n"
              "fb, ab, flowb = 3.240000e+02 5.000000e+00 1.250000e-01\n"
              "ft, at, flowt = 3.260000e+02 6.000000e+00 1.250000e-01\n"
              "fee,aee = 1.250000e+02 7.000000e+00\n"
              "fww, aww = 5.250000e+02 8.000000e+00\n"
              "fss, ass = 3.050000e+02 9.000000e+00\n"
              "fnn, ann = 3.450000e+02 1.000000e+01\n"
              "fbb, abb = 3.230000e+02 1.100000e+01\n"
              "ftt, att = 0.000000e+00 1.200000e+01\n");
    // QUICK (3) prints no second-neighbour lines.
    std::filesystem::remove("boogie");
    sou[3] = 3;
    Equation = 3;
    debugDump();
    EXPECT_EQ(readLines("boogie").size(), 8u);
    EXPECT_EQ(readLines("boogie")[0], "Debug dump for (4,3,3,3)");
}

}  // namespace
