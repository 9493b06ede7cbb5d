// Source terms of the k and epsilon equations: the production of a linear
// shear flow, each model's source and centre coefficient, the roughness
// layer, the stress-store copy, the multi-block joint and the exits.
#include <cmath>
#include <filesystem>
#include <string>

#include "equations/fixture.h"
#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "turbulence/turbulence.h"

using namespace eqtest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;
using quird_test::readFile;

namespace {

constexpr double kDx = 0.4, kDy = 0.3, kDz = 0.1;  // cells of the box grid
constexpr double kS = 2.5;                         // shear rate du/dz (1/s)
constexpr double kK = 0.01, kEps = 0.003, kGama = 0.7;

// Every element of the cell arrays, boundary and ghost cells included
// (i 0..xnumber+1 and so on).
template <class Fn>
void forCells(Fn&& fn) {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) fn(i, j, k);
}

class Sources : public EquationTest {
protected:
    void SetUp() override {
        EquationTest::SetUp();
        grid();
    }
    void grid(bool stressStore = false) {
        FlagStress1DLL = stressStore ? 1 : 0;
        makeGrid(5, 4, 5);
        boxGeometry(kDx, kDy, kDz);
        boxFaceNormals();
        forCells([](int i, int j, int k) {
            Volume[i][j][k] = kDx * kDy * kDz;
            xvel[i][j][k] = kS * (k - 1.5) * kDz;  // u = S z at every cell centre, ghost cells included
            yvel[i][j][k] = zvel[i][j][k] = 0.0;
            kinen[i][j][k] = kK;
            epsilon[i][j][k] = kEps;
            gama[i][j][k] = kGama;
            OBlok[i][j][k] = 1;
        });
        TurbulenceModel = 0;
        AllocStress1DLL = 9;
        FlagBrelk = 0;
        ParamBrelk = 0.5;
    }
    // The values a caller leaves in the workspace.
    static void callerTerms() {
        forCells([](int i, int j, int k) {
            wap[i][j][k] = 5.0;
            source[i][j][k] = 3.0;
        });
    }
    static double volume() { return kDx * kDy * kDz; }
};

// u = S z: Stress is V S^2 in every interior cell, also next to the domain
// faces, and each model scales production and destruction by its constants.
TEST_F(Sources, LinearShearFlowByModel) {
    const double V = volume(), P = V * kS * kS * kGama;
    const double epsRng = kS * kK / 4.38;  // eta = S k / epsilon = 4.38, where C2 = 1.68
    struct Case {
        const char* name;
        int model, equation;
        double eps;
        double source, wap;
    };
    const Case cases[] = {
        {"standard_k", 0, 5, kEps, P, 1000.0 * V * kEps / kK},
        {"standard_epsilon", 0, 6, kEps, P * 1.44 * 1.3 * kEps / kK, 1920.0 * V * kEps / kK},
        {"rng_k", 1, 5, kEps, 0.719 * P, 1000.0 * V * kEps / kK},
        {"rng_epsilon_eta_4_38", 1, 6, epsRng, P * 1.42 * 0.719 * epsRng / kK, 1680.0 * V * epsRng / kK},
        {"damped_viscosity_epsilon", 8, 6, kEps, P * 1.44 * 1.3 * kEps / kK, 1920.0 * V * kEps / kK},
        {"model_17_epsilon_keeps_wap", 17, 6, kEps, P, 5.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TurbulenceModel = c.model;
        Equation = c.equation;
        forCells([&](int i, int j, int k) { epsilon[i][j][k] = c.eps; });
        callerTerms();
        turbulence();
        forInterior([&](int i, int j, int k) {
            ASSERT_NEAR(Stress[i][j][k], V * kS * kS, 1e-12 * V * kS * kS) << i << "," << j << "," << k;
            ASSERT_NEAR(source[i][j][k], c.source, 1e-12 * std::fabs(c.source));
            ASSERT_NEAR(wap[i][j][k], c.wap, 1e-12 * c.wap);
        });
    }
    EXPECT_EQ(rngEpsilonC2(4.38), 1.68);
    EXPECT_NEAR(rngEpsilonC2(0.0), 1.68, 1e-15);
    EXPECT_EQ(rngEpsilonC2(NAN), rngEpsilonC2(1e30));  // not a number counts as the limit
}

// A tilted shear: u = S z seen in a frame turned about the vertical gives the
// same invariant through the face normals.
TEST_F(Sources, ShearAlongAnyHorizontalDirection) {
    const double c = 0.6, s = 0.8;  // the flow direction
    forCells([&](int i, int j, int k) {
        const double u = kS * (k - 1.5) * kDz;
        xvel[i][j][k] = c * u;
        yvel[i][j][k] = s * u;
    });
    Equation = 5;
    turbulence();
    forInterior([](int i, int j, int k) { ASSERT_NEAR(Stress[i][j][k], volume() * kS * kS, 1e-12); });
}

TEST_F(Sources, AlgebraicModelsWriteNothing) {
    Equation = 5;
    for (int model : {2, 3, 4, 5, 6, 7, 10, 11, 12, 13}) {
        SCOPED_TRACE(model);
        TurbulenceModel = model;
        callerTerms();
        turbulence();
        forInterior([](int i, int j, int k) {
            ASSERT_EQ(wap[i][j][k], 5.0);
            ASSERT_EQ(source[i][j][k], 3.0);
            ASSERT_EQ(Stress[i][j][k], 0.0);
        });
    }
}

// F 189 7, 9, 10: production inside the roughness, above the bed cell only,
// in both equations (times the model's factor in the epsilon equation).
TEST_F(Sources, RoughnessLayerProductionAboveTheBedCell) {
    const double u = 0.8, v = -0.3;
    forCells([&](int i, int j, int k) {
        xvel[i][j][k] = u;  // uniform: no production by the mean strain
        yvel[i][j][k] = v;
    });
    const double dz = kDz / 2, A = kDx * kDy, ks = 0.25;  // centres 0.05, 0.15, 0.25 above the bed
    forCells([&](int i, int j, int) { Xks[i][j] = ks; });
    const double y = 0.15, P = 0.3;
    ParamBrelk = P;
    const double w = (1 - P) * y / ks + P;
    struct Case {
        int flag;
        double added;
    };
    const Case cases[] = {
        {7, 2 * (0.5 * u / dz) * (0.5 * u / dz) * kGama * dz * A * (1 - w) * w},
        {9, 2 * 430 * std::pow(std::fabs(u) + std::fabs(v), 3) * dz * std::sqrt(A) * (1 - P) * (1 - y / ks)},
        {10, 2 * 40 * std::pow(std::fabs(u) + std::fabs(v), 3) * dz * std::sqrt(A) * (1 - P) * (1 - y / ks)},
        {13, 0.0},
    };
    for (const Case& c : cases) {
        FlagBrelk = c.flag;
        for (int eq : {5, 6}) {
            SCOPED_TRACE(testing::Message() << "F 189 " << c.flag << " equation " << eq);
            Equation = eq;
            turbulence();
            const double factor = eq == 6 ? 1.44 * 1.3 * kEps / kK : 1.0;
            EXPECT_NEAR(source[3][3][3], c.added * factor, 1e-12 * c.added * factor);
            EXPECT_NEAR(source[3][3][2], 0.0, 1e-15);
            EXPECT_NEAR(source[3][3][4], 0.0, 1e-15);
        }
    }
    // A column whose top cell is blocked gets none.
    FlagBrelk = 7;
    Equation = 5;
    OBlok[3][3][znumber] = 0;
    turbulence();
    EXPECT_NEAR(source[3][3][3], 0.0, 1e-15);
    EXPECT_GT(source[3][2][3], 0.0);
}

// F 207 23: the source is slot 22 of the stress store, 0 where the store
// does not exist; Stress keeps what it held.
TEST_F(Sources, StressStoreCopy) {
    for (bool store : {true, false}) {
        SCOPED_TRACE(store ? "with the store" : "without the store");
        AllocStress1DLL = 23;
        grid(store);
        AllocStress1DLL = 23;
        ASSERT_EQ(Rstress.isNull(), !store);
        if (store) forCells([](int i, int j, int k) { Rstress[22][i][j][k] = 0.01 * i + 0.001 * k; });
        forCells([](int i, int j, int k) { Stress[i][j][k] = -1.0; });
        Equation = 5;
        turbulence();
        forInterior([&](int i, int j, int k) {
            ASSERT_EQ(source[i][j][k], store ? 0.01 * i + 0.001 * k : 0.0);
            ASSERT_EQ(Stress[i][j][k], -1.0);
            ASSERT_NEAR(wap[i][j][k], 1000.0 * volume() * kEps / kK, 1e-9);
        });
    }
}

// Two blocks: a host cell on wall j = 1 takes its partner across the joint as
// its j-1 neighbour, the partner takes the host cell as its i-1 neighbour,
// each extent across the joint from the other cell; the last row before the
// joint repeats the row before it.
TEST_F(Sources, JointCellsTakeThePartnerAsNeighbour) {
    makeGrid(8, 4, 3);
    const double dx = 0.4, dy = 0.2;
    boxGeometry(dx, dy, kDz);
    forCells([](int i, int j, int k) {
        m_vec_x[i][j][0] = 1.0, m_vec_x[i][j][1] = 0.0;
        m_vec_y[i][j][0] = 0.0, m_vec_y[i][j][1] = 1.0;
        Volume[i][j][k] = 0.4 * 0.2 * kDz;
        xvel[i][j][k] = yvel[i][j][k] = zvel[i][j][k] = 0.0;
        kinen[i][j][k] = kK;
        epsilon[i][j][k] = kEps;
        gama[i][j][k] = kGama;
    });
    twoBlockTables(5);  // attached block from row 6; (6, j) faces host (j, 2)
    const int host = 3, partner = 6, pj = 3;  // (6, 3) faces host cell (3, 2)
    for (int k = 0; k <= znumber + 1; ++k) {
        xvel[partner][pj][k] = 1.0;
        xvel[4][2][k] = 0.5;  // a plain neighbour of the host's row
    }
    TurbulenceModel = 0;
    Equation = 5;
    turbulence();
    const double V = Volume[2][2][2], Ax = dy * kDz, Ay = dx * kDz;
    const int k = 2;
    // Host (3, 2): along j the partner (u = 1, extent its half length) below,
    // (3, 3) (u = 0) above; along i the cells (2, 2) and (4, 2).
    {
        const double wW = (dy / 2) / (dy / 2 + dx / 2);
        const double Dj = -wW * 1.0;
        const double Di = 0.5 * 0.5;  // face values 0.25 and 0
        const double A1 = Ax * Di, B1 = Ay * Dj;
        EXPECT_NEAR(source[host][2][k], (2 * A1 * A1 + B1 * B1) * kGama / V, 1e-12);
    }
    // Partner (6, 3): along i the host (u = 0, extent its half width) before,
    // (7, 3) after; along j the cells (6, 2) and (6, 4).
    {
        const double wW = (dx / 2) / (dx / 2 + dy / 2), wE = 0.5;
        const double Di = (wW - wE) * 1.0;
        const double Dj = 0.0 - 0.0 + (0.5 - 0.5) * 1.0;
        const double A1 = Ax * Di, B1 = Ay * Dj;
        EXPECT_NEAR(source[partner][pj][k], (2 * A1 * A1 + B1 * B1) * kGama / V, 1e-12);
    }
    // Stress keeps the ordinary neighbours (a peak between equal spacings
    // has no difference of face values), and row 5 repeats row 4.
    EXPECT_EQ(Stress[partner][pj][k], 0.0);
    EXPECT_GT(source[partner][pj][k], 0.0);
    for (int j = 2; j <= ynumber; ++j) EXPECT_EQ(source[5][j][k], source[4][j][k]);
    EXPECT_NE(source[4][2][k], 0.0);
}

TEST_F(Sources, Exits) {
    struct Case {
        const char* name;
        int model, equation;
        bool logDirectory;
        int code;
        const char* log;
    };
    const Case cases[] = {
        {"pressure_equation", 0, 4, false, -8, "Error in turbulence calc., Equation = 4\n"},
        {"temperature", 1, 8, false, -8, "Error in turbulence calc., Equation = 8\n"},
        {"one_equation_model_has_no_epsilon", 14, 6, false, -8, "Error in turbulence calc., Equation = 6\n"},
        {"algebraic_model_returns_first", 3, 4, false, kNoExit, ""},
        {"boogie_cannot_be_opened", 0, 5, true, -3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all("boogie");
        if (c.logDirectory) std::filesystem::create_directory("boogie");
        TurbulenceModel = c.model;
        Equation = c.equation;
        EXPECT_EQ(exitCodeOf(turbulence), c.code);
        if (c.log) {
            EXPECT_EQ(readFile("boogie"), c.log);
        }
        std::filesystem::remove_all("boogie");
    }
}

}  // namespace
