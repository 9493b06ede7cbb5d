// The turbulence steps: their place in the inner iteration by F 24 and
// F 161, the flux refresh, the time terms, the floors, sweeps 0 and the
// debug dump of k and epsilon; the temperature step: its inflow value, its
// coefficients, its place outside the convergence tests.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "equations/fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/flow_fixture.h"
#include "support/step_box.h"
#include "support/testing.h"
#include "turbulence/turbulence.h"

using namespace eqtest;
using quird_test::readFile;

namespace {

constexpr double kDx = quird_test::kBoxDx, kDy = quird_test::kBoxDy, kDz = quird_test::kBoxDz;

int waterflowCalls = 0;

class TurbulenceStep : public quird_test::StepBoxTest {
protected:
    void build(double timeStep = 1e-20, int timeOrder = 0, bool temperature = false, bool secondOrder = false) {
        TimeStep = timeStep;
        FlagTimeOrder = timeOrder;
        FlagTemp = temperature ? 1 : 0;
        NoComponents = 0;
        FlagCofDLL = 0;
        for (int e = 0; e < kEquationTable; ++e) sou[e] = 0;
        stepBox(secondOrder);
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) {
                    Volume[i][j][k] = kDx * kDy * kDz;
                    xvel[i][j][k] = 0.5 + 0.01 * i - 0.02 * j + 0.03 * k;
                    yvel[i][j][k] = 0.1 - 0.01 * i + 0.005 * k;
                    zvel[i][j][k] = 0.0;
                    kinen[i][j][k] = 0.003 + 0.0001 * k;
                    epsilon[i][j][k] = 0.002 + 0.0001 * i;
                }
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                Wall[i][j][2] = WallK[i][j][2] = 1;
            }
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) flow1[i][j][k] = 1.5;
        for (int e = 5; e <= 6; ++e) {
            sweeps[e] = 1;
            blockcorr[e] = 0;
            NormResidual[e] = 1.0;
        }
        lcray = 'N';
        relaxK = relaxEpsilon = 0.5;
        coefficientParameters();
        AllocStress1DLL = 9;
        FlagGammaDamp = 0;
        FlagDragDLL = 0;
        DESFlag = 0;
        ArtEddyVisc = 0.0;
        relaxDensityTurb = 0.0;
        FlagSurfEps = 0;
        FlagFluxTurb = 0;
        waterflowCalls = 0;
        flowSteps.waterflow = [] { ++waterflowCalls; };
    }
    static std::vector<double> copy(const FieldArray<double, 3>& a) { return {a.data(), a.data() + a.size()}; }
};

class TurbulencePlacement : public quird_test::FlowTest {};

// The inner iteration by F 24 and F 161: early pass, main pass or none.
TEST_F(TurbulencePlacement, ByModelAndFluxOption) {
    struct Case {
        int model, fluxTurb;
        int early, main;
    };
    const Case cases[] = {
        {0, 0, 0, 1}, {0, 1, 0, 1}, {0, 2, 1, 0}, {0, 3, 0, 0}, {1, 1, 0, 1}, {1, 2, 1, 0},
        {8, 0, 0, 1}, {8, 2, 0, 0}, {9, 1, 0, 1}, {14, 0, 0, 1}, {20, 2, 0, 0}, {2, 0, 0, 0},
        {7, 1, 0, 0}, {13, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "F 24 " << c.model << " F 161 " << c.fluxTurb);
        startState();
        driverBox();
        TurbulenceModel = c.model;
        FlagFluxTurb = c.fluxTurb;
        iterGlobalMax = 1;
        TransInnerIter = 1;
        quird_test::script.residuals = quird_test::allResiduals([](long, int) { return 1.0; });
        WaterSolve();
        EXPECT_EQ(quird_test::script.count("turbulenceEarly"), c.early);
        EXPECT_EQ(quird_test::script.count("turbulence"), c.main);
        EXPECT_EQ(quird_test::script.count("pressure"), 1);
    }
}

// F 161 1 recomputes the face fluxes once before k; the early pass never does.
TEST_F(TurbulenceStep, FluxRefreshOnlyInTheMainPassWithF161One) {
    struct Case {
        int fluxTurb;
        bool early;
        int calls;
    };
    for (const Case c : {Case{0, false, 0}, Case{1, false, 1}, Case{1, true, 0}}) {
        build();
        FlagFluxTurb = c.fluxTurb;
        c.early ? turbulenceEarlyStep() : turbulenceStep();
        EXPECT_EQ(waterflowCalls, c.calls);
        EXPECT_EQ(Equation, c.early ? 4 : 6);
        EXPECT_EQ(f.data(), fStorage.data());
    }
}

// Time terms of F 208 0, 1 (first order) and 2 (second order): the workspace
// of epsilon differs from that of a steady step by c and c times the old
// value(s). Sweeps 0 and relaxation 1 leave the fields as they were.
TEST_F(TurbulenceStep, TimeTermsByOrder) {
    for (int order : {0, 1, 2}) {
        SCOPED_TRACE(order);
        const double dt = 2.0;
        build(dt, order);
        sweeps[5] = sweeps[6] = 0;
        relaxK = relaxEpsilon = 1.0;
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) {
                    epsilon_old[i][j][k] = 0.004 + 0.0001 * j;
                    if (order >= 2) epsilon_old2[i][j][k] = 0.001 + 0.0002 * k;
                }
        TFStimeterm = 0;
        turbulenceStep();
        const std::vector<double> wap0 = copy(wap), source0 = copy(source);
        TFStimeterm = 1;
        turbulenceStep();
        forInterior([&](int i, int j, int k) {
            const std::int64_t n = &wap[i][j][k] - wap.data();
            const double c = 2.0 * kDx * kDy * kDz / 2 * 1000.0 / dt;
            const double old = order >= 2 ? 2.0 * epsilon_old[i][j][k] - epsilon_old2[i][j][k] : epsilon_old[i][j][k];
            ASSERT_NEAR(wap[i][j][k] - wap0[n], c, 1e-9 * std::fabs(wap[i][j][k]));
            ASSERT_NEAR(source[i][j][k] - source0[n], c * old, 1e-9 * std::fabs(source[i][j][k]) + 1e-12);
        });
    }
}

// k is floored only under a scheme other than the power law, epsilon always;
// a value that is not a number becomes the floor; boundary and ghost cells
// are floored too. Sweeps 0: the residual is still computed.
TEST_F(TurbulenceStep, FloorsAndSweepsZero) {
    for (int scheme : {0, 2}) {
        SCOPED_TRACE(scheme);
        build();
        sou[5] = scheme;
        sweeps[5] = sweeps[6] = 0;
        const int X1 = xnumber + 1;
        kinen[0][2][2] = NAN;
        kinen[X1][3][3] = -5.0;
        epsilon[0][2][2] = NAN;
        epsilon[X1][3][3] = -1.0;
        MaxResidual[5] = MaxResidual[6] = -1.0;
        const double k33 = kinen[3][3][3], e33 = epsilon[3][3][3];
        turbulenceStep();
        EXPECT_GE(MaxResidual[5], 0.0);
        EXPECT_GE(MaxResidual[6], 0.0);
        EXPECT_EQ(kinen[3][3][3], k33);  // not solved
        EXPECT_EQ(epsilon[3][3][3], e33);
        if (scheme > 0) {
            EXPECT_EQ(kinen[0][2][2], 1e-12);
            EXPECT_EQ(kinen[X1][3][3], 1e-12);
        } else {
            EXPECT_TRUE(std::isnan(kinen[0][2][2]));
            EXPECT_EQ(kinen[X1][3][3], -5.0);
        }
        EXPECT_EQ(epsilon[0][2][2], 1e-14);
        EXPECT_EQ(epsilon[X1][3][3], 1e-14);
    }
}

// F 120 means no built-in wall law in the early and the main pass, with
// threads as without: the wall cells are solved as if they had no wall.
TEST_F(TurbulenceStep, NoBuiltInWallLawWithF120) {
    struct Case {
        const char* name;
        bool early;
        int threads;
    };
    for (const Case& c : {Case{"early", true, 0}, Case{"main", false, 0}, Case{"main_threads", false, 2}}) {
        SCOPED_TRACE(c.name);
        auto run = [&](int wallDLL, bool walls) {
            build();
            NoProcessesSolver = c.threads;
            FlagWallDLL = wallDLL;
            if (!walls)
                for (int i = 2; i <= xnumber; ++i)
                    for (int j = 2; j <= ynumber; ++j) Wall[i][j][2] = WallK[i][j][2] = 0;
            c.early ? turbulenceEarlyStep() : turbulenceStep();
            std::vector<double> r = copy(kinen);
            const std::vector<double> e = copy(epsilon);
            r.insert(r.end(), e.begin(), e.end());
            return r;
        };
        const std::vector<double> withoutWalls = run(0, false);
        EXPECT_EQ(run(1, true), withoutWalls);
        EXPECT_NE(run(0, true), withoutWalls);
    }
}

// Solved with the sweeps, k and epsilon move; the debug dump lists the
// records of each equation after its solve.
TEST_F(TurbulenceStep, SolvesAndDumpsKAndEpsilon) {
    build();
    DebugDumpNo = 3;
    DebugDump[1] = {5, 3, 3, 3};
    DebugDump[2] = {6, 4, 3, 2};
    DebugDump[3] = {1, 3, 3, 3};
    const double k0 = kinen[3][3][3], e0 = epsilon[3][3][3];
    turbulenceStep();
    EXPECT_NE(kinen[3][3][3], k0);
    EXPECT_NE(epsilon[3][3][3], e0);
    const std::string log = readFile("boogie");
    const size_t k = log.find("Debug dump for (3,3,3,5)\n"), e = log.find("Debug dump for (4,3,2,6)\n");
    EXPECT_NE(k, std::string::npos) << log;
    EXPECT_NE(e, std::string::npos) << log;
    EXPECT_LT(k, e);
    EXPECT_EQ(log.find(",1)\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Temperature.
// ---------------------------------------------------------------------------
class TemperatureStep : public TurbulenceStep {
protected:
    static constexpr double kDt = 5.0;
    void SetUp() override {
        TurbulenceStep::SetUp();
        build(kDt, 0, true);
        ASSERT_FALSE(temp.isNull());
        ASSERT_FALSE(temp_old.isNull());
        // Entries at 10, 20 and 30 s.
        TimeInNo = 3;
        for (int n = 0; n < 3; ++n) {
            TimeInTime[n] = 10.0 * (n + 1);
            Tempinn[n] = 5.0 + 2.0 * n;
        }
        stime = 0.0;
    }
    static double timeCoefficient() { return 2.0 * kDx * kDy * kDz / 2 * 1000.0 / kDt; }
    // Sum of the six neighbour coefficients that GammaCalc and the power law
    // give for equation eq.
    static std::vector<double> neighbourSums(int eq) {
        Equation = eq;
        GammaCalc();
        coeffe_flow();
        std::vector<double> sums;
        forInterior([&](int i, int j, int k) {
            sums.push_back(ae[i][j][k] + aw[i][j][k] + as[i][j][k] + an[i][j][k] + wab[i][j][k] + wat[i][j][k]);
        });
        return sums;
    }
};

// The inflow plane takes the first entry at or after stime, the last one
// beyond the series, without interpolation; nothing else on the boundary.
TEST_F(TemperatureStep, InflowIsTheEntryAtOrAfterTheTime) {
    struct Case {
        double time, inflow;
    };
    for (const Case c : {Case{0.0, 5.0}, Case{10.0, 5.0}, Case{15.0, 7.0}, Case{20.0, 7.0}, Case{29.9, 9.0},
                         Case{45.0, 9.0}}) {
        SCOPED_TRACE(c.time);
        stime = c.time;
        temp[1][1][2] = temp[1][2][1] = -1.0;
        temp[xnumber + 1][3][3] = -2.0;
        temperatureStep();
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) ASSERT_EQ(temp[1][j][k], c.inflow) << j << "," << k;
        EXPECT_EQ(temp[1][1][2], -1.0);
        EXPECT_EQ(temp[1][2][1], -1.0);
        EXPECT_EQ(temp[xnumber + 1][3][3], -2.0);
        EXPECT_EQ(Equation, 8);
        EXPECT_EQ(f.data(), fStorage.data());
    }
}

// The coefficients are those of the equation the turbulence step left:
// epsilon after a main pass, nu-tilde under the one-equation model, the
// pressure correction (4) when no main pass ran.
TEST_F(TemperatureStep, CoefficientsOfTheEquationItFinds) {
    struct Case {
        const char* name;
        int model, equation;
    };
    const Case cases[] = {{"epsilon", 0, 6}, {"nu_tilde", 14, 5}, {"no_main_pass", 0, 4}};
    std::vector<std::vector<double>> seen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TurbulenceModel = c.model;
        const std::vector<double> expected = neighbourSums(c.equation);
        Equation = c.equation;
        temperatureStep();
        size_t n = 0;
        forInterior([&](int i, int j, int k) {
            ASSERT_NEAR(wap[i][j][k], expected[n] + timeCoefficient(), 1e-12 * wap[i][j][k]);
            ASSERT_EQ(source[i][j][k], timeCoefficient() * temp_old[i][j][k]);
            ++n;
        });
        seen.push_back(expected);
    }
    EXPECT_NE(seen[0], seen[2]);  // the rows tell the equations apart
    EXPECT_NE(seen[1], seen[2]);
}

// Temperature touches no residual: the convergence and divergence tests of
// the driver never see it, whatever it does.
TEST_F(TemperatureStep, StaysOutsideTheResiduals) {
    for (int d = 0; d < 8; ++d) MaxResidual[d] = NormResidual[d] = 0.25 * d + 1.0;
    TimeInNo = 1;
    Tempinn[0] = 1e12;  // an inflow that makes the field huge
    temperatureStep();
    EXPECT_GT(temp[2][3][3], 1e6);
    for (int d = 0; d < 8; ++d) {
        EXPECT_EQ(MaxResidual[d], 0.25 * d + 1.0) << d;
        EXPECT_EQ(NormResidual[d], 0.25 * d + 1.0) << d;
    }
}

// A steady inflow temperature is carried through the whole channel.
TEST_F(TemperatureStep, SteadyInflowFillsTheChannel) {
    TimeInNo = 1;
    Tempinn[0] = 12.0;
    for (int step = 1; step <= 60; ++step) {
        forInterior([](int i, int j, int k) { temp_old[i][j][k] = temp[i][j][k]; });
        stime = step * kDt;
        temperatureStep();
    }
    forInterior([](int i, int j, int k) { ASSERT_NEAR(temp[i][j][k], 12.0, 1e-6) << i << "," << j << "," << k; });
}

// With second-neighbour arrays and F 63's second-order scheme for equation
// 8, temperature is solved on its first neighbours only: second-neighbour
// couplings an earlier equation left behind do not reach it.
TEST_F(TemperatureStep, SweepsOnTheSevenPointStencil) {
    build(kDt, 0, true, true);
    ASSERT_FALSE(aee.isNull());
    sou[8] = 1;
    TimeInNo = 1;
    Tempinn[0] = 12.0;
    auto run = [](double stale) {
        forAll([&](int i, int j, int k) {
            temp[i][j][k] = 3.0 + 0.1 * i + 0.2 * k;
            if (i > xnumber + 1 || j > ynumber + 1 || k > znumber + 1) return;  // beyond the cell arrays
            temp_old[i][j][k] = temp[i][j][k];
            for (FieldArray<double, 3>* a : {&aee, &aww, &ann, &ass, &att, &abb}) (*a)[i][j][k] = stale;
        });
        temperatureStep();
        return std::vector<double>(temp.data(), temp.data() + temp.size());
    };
    const std::vector<double> clean = run(0.0);
    EXPECT_EQ(run(0.7), clean);
    EXPECT_NE(clean[&temp[3][3][3] - temp.data()], 3.0 + 0.3 + 0.6);  // solved
}

// A transient run with temperature and no time series ends at the first
// call of the solver.
class TemperatureRun : public quird_test::FlowTest {};

TEST_F(TemperatureRun, WithoutTimeSeriesIsRefused) {
    driverBox();
    TimeStep = 1.0;
    FlagTemp = 1;
    TimeInNo = 0;
    iterGlobalMax = 1;
    TransInnerIter = 1;
    EXPECT_EQ(quird_test::exitCodeOf(WaterSolve), 1);
    EXPECT_EQ(boogie(), "Error, temperature run without time series in timei\n");
    EXPECT_TRUE(quird_test::script.trace.empty());
    TimeStep = 0.0;  // a steady run solves no temperature and needs none
    EXPECT_EQ(quird_test::exitCodeOf(WaterSolve), quird_test::kNoExit);
}

// The same through the program: a transient flume run with temperature
// ends at its first flow solve without `timei`, and runs with a series.
TEST(TemperatureProgram, RunsOnlyWithATimeSeries) {
    std::string grid;
    char line[80];
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf 0.0\n", i, j, (i - 1) * 1.0, (j - 1) * 0.5);
            grid += line;
        }
    const std::string control =
        "T temperature\nG 1 5 4 4 2\nG 3 0 20 60 100\nG 7 0 1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\n"
        "G 7 1 -1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\nW 1 40.0 1.0 0.5\nK 1 4 50000\nF 17 1.0\nF 33 1.0 3\nF 49 1\nF 2 W\n";
    quird_test::Case c;
    c.file("control", control).file("koordina", grid);
    EXPECT_EQ(c.run(), 1);
    const std::string tail = "Error, temperature run without time series in timei\n";
    const std::string log = c.boogie();
    ASSERT_GE(log.size(), tail.size()) << log;
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
    EXPECT_EQ(log.find("Iter:"), std::string::npos) << log;
    // With a series the four iterations run and the program ends as usual (1).
    c.file("timei", "I 0 1 1 0.5 0.5 14.0\nI 100 1 1 0.5 0.5 14.0\n");
    EXPECT_EQ(c.run(), 1) << c.boogie();
    EXPECT_EQ(c.boogie().find("Error"), std::string::npos) << c.boogie();
    EXPECT_NE(c.boogie().find("Iter: 4,"), std::string::npos) << c.boogie();
}

}  // namespace
