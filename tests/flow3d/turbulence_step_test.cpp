// The turbulence steps: their place in the inner iteration by F 24 and
// F 161, the flux refresh, the time terms, the floors, sweeps 0 and the
// debug dump of k and epsilon.
#include <cmath>
#include <string>
#include <vector>

#include "equations/fixture.h"
#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/flow_fixture.h"
#include "turbulence/turbulence.h"

using namespace eqtest;
using quird_test::readFile;

namespace {

constexpr double kDx = 0.4, kDy = 0.3, kDz = 0.1;

int waterflowCalls = 0;

class TurbulenceStep : public EquationTest {
protected:
    void build(double timeStep = 1e-20, int timeOrder = 0) {
        TimeStep = timeStep;
        FlagTimeOrder = timeOrder;
        FlagTemp = 0;
        NoComponents = 0;
        FlagCofDLL = 0;
        for (int e = 0; e < kEquationTable; ++e) sou[e] = 0;
        makeGrid(5, 4, 4);
        boxGeometry(kDx, kDy, kDz);
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                m_vec_x[i][j][0] = 1.0, m_vec_x[i][j][1] = 0.0;
                m_vec_y[i][j][0] = 0.0, m_vec_y[i][j][1] = 1.0;
                Xks[i][j] = 0.002;
            }
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
        TFStimeterm = 1;
        FlagWallDLL = FlagWallNew = FlagWallAll = 0;
        TurbulenceModel = 0;
        FlagBrelk = 0;
        AllocStress1DLL = 9;
        TurbMultFlag = 0;
        FlagGammaDamp = 0;
        FlagDragDLL = 0;
        DESFlag = 0;
        ArtEddyVisc = 0.0;
        relaxDensityTurb = 0.0;
        cmy = 0.09;
        Xkappa = 0.4;
        WallChoiseForm = WallChoiseSed = 0;
        XksWall = XksJ1 = XksJ2 = 0.01;
        FlagSurfEps = 0;
        InputErrorLimit = 1e9;
        FlagStress1DLL = 0;
        StressDiff = ArtDiff = 0.0;
        TurbMultHor = TurbMultVert = 1.0;
        Schmidt = 1.0;
        invSchmidt[0] = 1.0;
        OutBlockNo = 0;
        DebugDumpNo = 0;
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

}  // namespace
