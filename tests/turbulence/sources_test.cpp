// Source terms of the k and epsilon equations: the production of a linear
// shear flow, each model's source and centre coefficient, the roughness
// layer, the stress-store copy, the multi-block joint and the exits.
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "equations/fixture.h"
#include "control/state.h"
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
    void grid(bool stressStore = false, int layers = 5) {
        FlagStress1DLL = stressStore ? 1 : 0;
        makeGrid(5, 4, layers);
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
// Rows may give k (or nu-tilde) and epsilon (or omega) linear profiles,
// phi = phi0 + phiz z + phix x (z, x of the cell centre), and their own grid
// height.
TEST_F(Sources, LinearShearFlowByModel) {
    const double V = volume();
    const double epsRng = kS * kK / 4.38;  // eta = S k / epsilon = 4.38, where C2 = 1.68
    struct Field {
        double k0, kz, kx, e0, ez;
    };
    struct Terms {
        double source, wap;
    };
    // The cell's fields, the production and the shear rate handed to the expectation.
    struct At {
        double kin, eps, z, P, S;
    };
    using Expect = std::function<Terms(const At&)>;
    const Field uniform{kK, 0, 0, kEps, 0};
    const Expect kEpsK = [&](const At& a) { return Terms{a.P, 1000.0 * V * a.eps / a.kin}; };
    const Expect kEpsE = [&](const At& a) {
        return Terms{a.P * 1.44 * 1.3 * a.eps / a.kin, 1920.0 * V * a.eps / a.kin};
    };
    // Model 9: epsilon destruction damped by f(Rt, a y), Rt = k^2 / (nu eps)
    // and a = 0.001 U / (dz / 2) of the bed cell, y the centre height.
    const Expect damped = [&](const At& a) {
        const double ub = a.S * kDz / 2, U = std::sqrt(ub * ub + 1e-8);
        const double Rt = a.kin * a.kin / (1e-6 * a.eps), sc = 0.001 * U / (kDz / 2);
        const double g = 1 - std::exp(-sc * a.z * 1e6 / 6);
        const double f = (1 - 0.3 * std::exp(-(Rt / 6.5) * (Rt / 6.5))) * g * g;
        return Terms{a.P * 1.44 * 1.3 * a.eps / a.kin, f * 1920.0 * V * a.eps / a.kin};
    };
    // Model 14: the gradient term 933 V (dn/dx + dn/dy + dn/dz)^2, no destruction.
    const double nx = 0.004, nz = 0.03;
    const Expect oneEquation = [&](const At& a) {
        return Terms{0.1355 * a.P + 933.0 * V * (nx + nz) * (nx + nz), 0.0};
    };
    // k-omega, k: fb of the cross-diffusion X = dk/dz domega/dz / omega^3.
    const auto kOmegaK = [&](double kz, double ez) {
        return Expect([=](const At& a) {
            const double X = kz * ez / std::pow(a.eps, 3);
            const double fb = X >= 0 ? (1 + 680 * X * X) / (1 + 400 * X * X) : 1.0;
            return Terms{a.P, 1000.0 * V * 0.09 * fb * a.eps};
        });
    };
    // k-omega, omega: with only du/dz, both sums are 2 V S up to the sign.
    const Expect kOmegaW = [&](const At& a) {
        const double G = 2 * V * a.S, X = std::pow(G, 3) / std::pow(a.eps * 0.09, 3);
        return Terms{0.52 * a.P * a.eps / a.kin, 1000.0 * V * (1 + 70 * X) / (1 + 80 * X) * 0.072 * a.eps};
    };
    const Expect productionOnly = [](const At& a) { return Terms{a.P, 0.0}; };
    struct Case {
        const char* name;
        int model, equation, layers;
        double S;
        Field field;
        Expect expect;
    };
    const Case cases[] = {
        {"standard_k", 0, 5, 5, kS, uniform, kEpsK},
        {"standard_epsilon", 0, 6, 5, kS, uniform, kEpsE},
        {"rng_k", 1, 5, 5, kS, uniform, [&](const At& a) { return Terms{0.719 * a.P, 1000.0 * V * a.eps / a.kin}; }},
        {"rng_epsilon_eta_4_38", 1, 6, 5, kS, {kK, 0, 0, epsRng, 0},
         [&](const At& a) { return Terms{a.P * 1.42 * 0.719 * a.eps / a.kin, 1680.0 * V * a.eps / a.kin}; }},
        {"damped_viscosity_k", 8, 5, 5, kS, uniform, kEpsK},
        {"damped_viscosity_epsilon", 8, 6, 5, kS, uniform, kEpsE},
        {"damped_k", 9, 5, 5, kS, uniform, kEpsK},
        {"damped_epsilon_near_the_bed", 9, 6, 5, 0.01, {kK, 0, 0, kK * kK / 6.5e-6, 0}, damped},
        {"damped_epsilon_far_from_the_bed", 9, 6, 5, kS, uniform, damped},
        {"one_equation_central", 14, 5, 5, kS, {kK, nz, nx, kEps, 0}, oneEquation},
        {"one_equation_two_layers_one_sided", 14, 5, 3, kS, {kK, nz, nx, kEps, 0}, oneEquation},
        {"k_omega_k_uniform", 15, 5, 5, kS, {kK, 0, 0, 0.6, 0}, kOmegaK(0, 0)},
        {"k_omega_k_positive_cross_diffusion", 15, 5, 5, kS, {kK, 0.05, 0, 0.6, 2.0}, kOmegaK(0.05, 2.0)},
        {"k_omega_k_negative_cross_diffusion", 16, 5, 5, kS, {kK, 0.05, 0, 0.6, -0.5}, kOmegaK(0.05, -0.5)},
        {"k_omega_omega", 15, 6, 5, kS, {kK, 0, 0, 0.6, 0}, kOmegaW},
        {"k_omega_16_omega", 16, 6, 5, kS, {kK, 0, 0, 0.3, 0}, kOmegaW},
        {"model_17_k", 17, 5, 5, kS, uniform, kEpsK},
        {"model_17_epsilon", 17, 6, 5, kS, uniform, productionOnly},
        {"model_20_k", 20, 5, 5, kS, uniform, kEpsK},
        {"model_20_epsilon", 20, 6, 5, kS, uniform, productionOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid(false, c.layers);
        cmy = 0.09;
        TurbulenceModel = c.model;
        Equation = c.equation;
        const Field& fl = c.field;
        forCells([&](int i, int j, int k) {
            const double z = (k - 1.5) * kDz, x = (i - 1.5) * kDx;
            xvel[i][j][k] = c.S * z;
            kinen[i][j][k] = fl.k0 + fl.kz * z + fl.kx * x;
            epsilon[i][j][k] = fl.e0 + fl.ez * z;
        });
        // Values above the top cell off the profiles: a central difference
        // at the top cell would see them.
        forCells([&](int i, int j, int k) {
            if (k == znumber + 1 && fl.kz != 0.0) kinen[i][j][k] = 99.0;
        });
        callerTerms();
        turbulence();
        forInterior([&](int i, int j, int k) {
            const double P = V * c.S * c.S * kGama;
            ASSERT_NEAR(Stress[i][j][k], V * c.S * c.S, 1e-12 * V * c.S * c.S) << i << "," << j << "," << k;
            const Terms t = c.expect({kinen[i][j][k], epsilon[i][j][k], (k - 1.5) * kDz, P, c.S});
            ASSERT_NEAR(source[i][j][k], t.source, 1e-12 * std::fabs(t.source)) << i << "," << j << "," << k;
            ASSERT_NEAR(wap[i][j][k], t.wap, 1e-12 * t.wap) << i << "," << j << "," << k;
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
