// The coefficients of the sediment equation: vertical couplings with the
// fall velocity in the still column, horizontal couplings in the straight
// channel, walls, solid boxes, blocked columns and the reports of a vanishing
// centre coefficient.
#include <cmath>
#include <filesystem>
#include <string>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using namespace sedtest;
using quird_test::exitCodeOf;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// k and epsilon that give the k-epsilon viscosity a profile over the depth.
void turbulentFlow() {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) {
                kinen[i][j][k] = 0.001 * (1 + k);
                epsilon[i][j][k] = 0.001;
            }
}

// ---------------------------------------------------------------------------
// Still column, power-law branch: k-face couplings from the fall velocity
// and the diffusion D = diff A / (dz_k + dz_k+1) (uniform diff, 1 m2 plan).
// ---------------------------------------------------------------------------
struct FaceCase {
    const char* name;
    friend void PrintTo(const FaceCase& c, std::ostream* os) { *os << c.name; }
    int Z;
    double ws, diffusivity;
    double weight;  // expected power-law weight of the interior faces
};

class StillColumnFaces : public SedimentTest, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(StillColumnFaces, SettlingAndDiffusionCouplings) {
    const FaceCase& c = GetParam();
    stillColumn(c.Z);
    fallvelo[1] = c.ws;
    setDiffusivity([&](int, int, int) { return c.diffusivity; });
    coeffe_setup2();
    const double dz = 1.0 / (c.Z - 1);
    const double D = c.diffusivity / dz;
    for (int k = 2; k <= c.Z; ++k) {
        SCOPED_TRACE(k);
        const double wD = k == c.Z ? 0.0 : c.weight * D;
        EXPECT_NEAR(at[1][2][2][k], c.ws + wD, 1e-15);  // at = max(-F, 0) + w D, F = -ws A
        EXPECT_NEAR(ab[1][2][2][k], k == 2 ? 0.0 : c.weight * D, 1e-15);
        EXPECT_NEAR(ap[1][2][2][k], at[1][2][2][k] + ab[1][2][2][k], 1e-15);  // no horizontal couplings
    }
    EXPECT_EQ(FlagErrorBreak, 0);
}

INSTANTIATE_TEST_SUITE_P(
    PowerLaw, StillColumnFaces,
    ::testing::Values(FaceCase{"low_Peclet", 5, 0.01, 0.01, std::pow(1 - 0.1 * 0.25, 5)},
                      FaceCase{"Peclet_10_no_diffusion", 5, 0.04, 0.001, 0.0},
                      FaceCase{"Peclet_30_no_diffusion", 5, 0.12, 0.001, 0.0},
                      FaceCase{"no_settling_pure_diffusion", 5, 0.0, 0.01, 1.0},
                      FaceCase{"one_layer_only_the_surface_face", 2, 0.01, 0.01, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

// The vertical diffusion of a fraction: the flow's diffusivity with the
// fraction's own 1/Schmidt in place of that of F 12 (which diff holds).
TEST_F(SedimentTest, VerticalDiffusionTakesTheSchmidtNumberOnce) {
    struct Case {
        double f12, f199, factor;
    };
    for (const Case c : {Case{1.0, 1.0, 1.0}, Case{1.0, 0.5, 2.0}, Case{2.0, 2.0, 1.0}, Case{2.0, 0.25, 8.0}}) {
        SCOPED_TRACE(c.f199);
        lnumber = 1;
        stillColumn(5);
        invSchmidt[0] = 1.0 / c.f12;
        invSchmidt[1] = 1.0 / c.f199;
        fallvelo[1] = 0.0;
        setDiffusivity([](int, int, int) { return 0.01; });
        coeffe_setup2();
        EXPECT_NEAR(ab[1][2][2][3], c.factor * 0.01 / 0.25, 1e-15);
    }
}

// F 12 0.5: the flow's diffusivity is twice the eddy viscosity, and so is the
// sediment's vertical diffusivity (not four times).
TEST_F(SedimentTest, SchmidtNumberOfF12GivesTwiceTheEddyViscosity) {
    stillColumn(5);
    Schmidt = 0.5;
    for (double& v : invSchmidt) v = 2.0;
    turbulentFlow();
    fallvelo[1] = 0.0;
    coeffe_setup();
    coeffe_setup2();
    const double nu = 0.5 * (gama[2][2][3] + gama[2][2][4]) * 0.001;  // equal cells: the face value
    EXPECT_NEAR(ab[1][2][2][4], 2.0 * nu / 0.25, 1e-12);
    EXPECT_NEAR(diff[2][2][3], 2.0 * gama[2][2][3] * 0.001, 1e-15);
}

// Second-order branch on uniform layers (r = 1.5), settling only: the face
// values upwind from the two cells above a face, first order at the face
// below the top cell; the bed cell folds its k+2 coupling into at; the top
// cell's settling outflow stays in ap only.
TEST_F(SedimentTest, SecondOrderSettlingCouplings) {
    SedimentScheme = 1;
    stillColumn(6);
    const double ws = 0.01;
    fallvelo[1] = ws;
    coeffe_setup2();
    const double atWant[] = {ws, 2 * ws, 2 * ws, 1.5 * ws, 0.0};
    const double cattWant[] = {0.0, -0.5 * ws, -0.5 * ws, 0.0, 0.0};
    const double apWant[] = {ws, 1.5 * ws, 1.5 * ws, 1.5 * ws, ws};
    for (int k = 2; k <= 6; ++k) {
        EXPECT_NEAR(at[1][2][2][k], atWant[k - 2], 1e-17) << k;
        EXPECT_NEAR(catt[1][2][2][k], cattWant[k - 2], 1e-17) << k;
        EXPECT_EQ(ab[1][2][2][k], 0.0) << k;
        EXPECT_EQ(cabb[1][2][2][k], 0.0) << k;
        EXPECT_NEAR(ap[1][2][2][k], apWant[k - 2], 1e-17) << k;
    }
}

// znumber 2 in the second-order branch: no face, the cell keeps the
// settling outflow in ap.
TEST_F(SedimentTest, OneLayerSecondOrderKeepsTheSettlingOutflow) {
    SedimentScheme = 1;
    stillColumn(2);
    fallvelo[1] = 0.02;
    coeffe_setup2();
    EXPECT_NEAR(ap[1][2][2][2], 0.02, 1e-17);
    EXPECT_EQ(at[1][2][2][2], 0.0);
    EXPECT_EQ(FlagErrorBreak, 0);
}

// Wall rows: a floor above the bed (WallK +1) and a roof (WallK -1) cut their
// face and put the settling flux into the centre coefficient.
TEST_F(SedimentTest, FloorAndRoofAboveTheBedCell) {
    stillColumn(6);
    fallvelo[1] = 0.01;
    setDiffusivity([](int, int, int) { return 0.002; });
    WallK[2][2][4] = 1;
    WallK[2][2][6] = -1;
    coeffe_setup2();
    EXPECT_EQ(ab[1][2][2][4], 0.0);
    EXPECT_EQ(at[1][2][2][3], 0.0);
    EXPECT_NEAR(ap[1][2][2][4], -0.01 + at[1][2][2][4], 1e-15);
    EXPECT_EQ(at[1][2][2][6], 0.0);
    EXPECT_NEAR(ap[1][2][2][6], 0.01 + ab[1][2][2][6], 1e-15);
    // The bed cell's own flag (k 2) changes no centre coefficient.
    EXPECT_NEAR(ap[1][2][2][2], at[1][2][2][2], 1e-15);
}

// Blocked cells: 1e25, plus 1e30 per solid box over them, plus 1e30 in a
// G 2 column with F 37 0; none of them is reported.
TEST_F(SedimentTest, BlockedCellsAndBoxes) {
    for (int tsc : {0, 1}) {
        SCOPED_TRACE(tsc);
        FlagTSC = tsc;
        channelWithBlocks();
        turbulentFlow();
        fallvelo[1] = 0.01;
        OutBlockNo = 2;  // a second box over the first one's cell (5, 3, 4)
        OutBlock[2] = OutBlock[1];
        OutBlock[2].i1 = 5;
        OutBlock[2].k1 = 4;
        coeffe_setup();
        coeffe_setup2();
        EXPECT_EQ(ap[1][4][3][3], 1e25 + 1e30);
        EXPECT_EQ(ap[1][5][3][4], 1e25 + 2e30);
        // The G 2 column: suspended cells blocked, the bed cell open.
        const int I = kBlockedI, J = kBlockedJ;
        EXPECT_EQ(ap[1][I][J][3], tsc == 0 ? 1e25 + 1e30 : 1e25);
        EXPECT_EQ(ap[1][I][J][2] >= 1e30, tsc == 0);
        EXPECT_FALSE(contains(log(), "Error"));
        EXPECT_EQ(FlagErrorBreak, 0);
        std::filesystem::remove("boogie");
    }
}

// The depth-averaged model: the fall velocity is the only vertical flux.
TEST_F(SedimentTest, DepthAveragedModelClearsTheVerticalFlux) {
    Flag2Dim = 1;
    stillColumn(5);
    fallvelo[1] = 0.01;
    for (int k = 1; k <= znumber; ++k) flow3[2][2][k] = 5.0;
    coeffe_setup2();
    for (int k = 1; k <= znumber; ++k) EXPECT_EQ(flow3[2][2][k], 0.0);
    EXPECT_NEAR(at[1][2][2][3], 0.01, 1e-16);
}

// ---------------------------------------------------------------------------
// Horizontal couplings in the straight channel.
// ---------------------------------------------------------------------------
double faceD(int i, int j, int k, bool alongI) {
    const auto& d = alongI ? m_dist_x : m_dist_y;
    const int i2 = alongI ? i + 1 : i, j2 = alongI ? j : j + 1;
    const double dP = d[i][j][k], dN = d[i2][j2][k];
    const double g = (dN * diff[i][j][k] + dP * diff[i2][j2][k]) / (dP + dN);
    return g * (alongI ? m_ar_x : m_ar_y)[i][j][k] / (dP + dN);
}

TEST_F(SedimentTest, ChannelFacesUpwindPlusWeightedDiffusion) {
    for (int diffNonVert : {1, 0}) {
        SCOPED_TRACE(diffNonVert);
        FlagDiffNonVert = diffNonVert;
        straightChannel(0.001);
        turbulentFlow();
        coeffe_setup();
        for (int i = 1; i <= xnumber; ++i)
            for (int k = 2; k <= znumber; ++k) {
                const int j = 3;
                const double F = 0.001 * flow1[i][j][k], D = faceD(i, j, k, true);
                const bool diffuses = diffNonVert == 1 && i > 1 && i < xnumber;
                const double w = diffuses ? std::pow(std::max(0.0, 1 - 0.1 * std::fabs(F / D)), 5) : 0.0;
                ASSERT_GT(w * D, diffuses ? 1e-6 : -1.0) << i << " " << k;
                EXPECT_NEAR(aw[i][j][k], w * D, 1e-15) << i << " " << k;
                EXPECT_NEAR(ae[i + 1][j][k], F + w * D, 1e-15) << i << " " << k;
            }
        for (int j = 1; j <= ynumber; ++j) {
            const double D = faceD(4, j, 3, false);
            const bool diffuses = diffNonVert == 1 && j > 1 && j < ynumber;
            EXPECT_NEAR(an[4][j][3], diffuses ? D : 0.0, 1e-15) << j;  // a still face: w = 1
            EXPECT_NEAR(as[4][j + 1][3], diffuses ? D : 0.0, 1e-15) << j;
        }
    }
}

// With a generator (second-order scheme or a multi-block grid) its couplings
// times 0.001 replace steps 3 to 5; the end faces take the upwind flux.
TEST_F(SedimentTest, GeneratorCouplingsReplaceTheOwnOnes) {
    for (int scheme : {1, 0}) {
        SCOPED_TRACE(scheme);
        SedimentScheme = scheme;
        straightChannel(0.05);
        turbulentFlow();
        MBNo = scheme == 1 ? 0 : 1;  // a multi-block run on joint tables without joints
        FlagRBedformsmooth = 1;      // no effect under a generator
        RBedformsmooth = 10.0;
        // The flow left Equation 2 under an algebraic stress model, whose
        // momentum equations take no eddy diffusion: the sediment takes that
        // of a scalar, and Equation stays.
        Equation = 2;
        FlagStress1DLL = 1;
        coeffe_setup();
        EXPECT_EQ(Equation, 2);
        const int j = 3, k = 2;
        const double U = 0.05 * m_ar_x[1][j][k];
        EXPECT_NEAR(ae[xnumber + 1][j][k], U, 1e-15);
        EXPECT_EQ(aw[1][j][k], 0.0);
        // An interior face: the generator's upwind convection in m3/s and its
        // diffusion, without the bed-form term.
        if (scheme == 0) {
            for (int kk : {2, 4}) {
                const double F = 0.05 * m_ar_x[4][j][kk], Dk = faceD(4, j, kk, true);
                const double w = std::pow(std::max(0.0, 1 - 0.1 * F / Dk), 5);
                EXPECT_NEAR(aw[4][j][kk], w * Dk, 1e-12) << kk;
                EXPECT_NEAR(ae[5][j][kk], F + w * Dk, 1e-12) << kk;
            }
        } else {
            // Second-order upwind reaches i-2, in m3/s: -(r - 1) F with r = 1.5.
            EXPECT_NEAR(aee[6][j][4], -0.5 * 0.05 * m_ar_x[5][j][4], 1e-15);
        }
        SedimentScheme = 0;
        MBNo = 0;
        FlagRBedformsmooth = 0;
        FlagStress1DLL = 0;
    }
}

// Bed-form smoothing: at the bed-cell level only, E = A_face R |U|.
TEST_F(SedimentTest, BedFormSmoothingAtTheBedCellOnly) {
    straightChannel(0.3);
    turbulentFlow();
    coeffe_setup();
    const double plain2 = aw[4][3][2], plain3 = aw[4][3][3], north = an[4][3][2];
    FlagRBedformsmooth = 1;
    RBedformsmooth = 0.2;
    coeffe_setup();
    EXPECT_NEAR(aw[4][3][2] - plain2, m_ar_x[4][3][2] * 0.2 * 0.3, 1e-15);
    EXPECT_NEAR(an[4][3][2] - north, m_ar_y[4][3][2] * 0.2 * 0.3, 1e-15);
    EXPECT_EQ(aw[4][3][3], plain3);
}

// Dry columns: only with F 37 1 and F 151 4 or 5.
TEST_F(SedimentTest, DryColumnCutOff) {
    struct Case {
        int tsc, minDepth;
        bool cut;
    };
    for (const Case c : {Case{1, 4, true}, Case{1, 5, true}, Case{1, 3, false}, Case{2, 4, false}, Case{0, 5, false}}) {
        SCOPED_TRACE(c.tsc * 10 + c.minDepth);
        straightChannel(0.1);
        turbulentFlow();
        FlagTSC = c.tsc;
        FlagTSCMinDepth = c.minDepth;
        TSCMinDepth = 0.05;
        for (int i = 4; i <= 5; ++i)  // the target bed of the corners of column (5, 3) near the surface
            for (int j = 2; j <= 3; ++j) zval[i][j][0] = zval[i][j][znumber] - 0.04;
        coeffe_setup();
        EXPECT_EQ(ae[5][3][4] == 0.0 && aw[5][3][4] == 0.0 && an[5][3][4] == 0.0 && as[5][3][4] == 0.0, c.cut);
        EXPECT_GT(ae[5][4][4], 0.0);  // its neighbour column is wet
    }
}

// ---------------------------------------------------------------------------
// A vanishing centre coefficient.
// ---------------------------------------------------------------------------
// An isolated cell: no settling, no diffusion, no flow.
void isolatedColumn() {
    fallvelo[1] = 0.0;
    SedimentTest::setDiffusivity([](int, int, int) { return 0.0; });
}

TEST_F(SedimentTest, VanishingCentreCoefficientPowerLaw) {
    for (int tsc : {0, 1}) {
        SCOPED_TRACE(tsc);
        FlagTSC = tsc;
        FlagErrorBreak = 0;
        stillColumn(4);
        isolatedColumn();
        coeffe_setup2();
        const std::string text = log();
        EXPECT_TRUE(contains(text, "In coef2, Error, ap(1,2,2,2) = 0\nCoeffs: 0 0 0 0 0 0\n"
                                   "Cell diffusion: 0.000000\nCell distances: 0.500000 0.500000 0.166667\n"))
            << text;
        // Every cell is processed and reported.
        EXPECT_TRUE(contains(text, "In coef2, Error, ap(1,2,2,4) = 0\n")) << text;
        EXPECT_STREQ(mc_message, "Error in coeff. gen.");
        EXPECT_EQ(FlagErrorBreak, tsc == 0 ? 1 : 0);
        EXPECT_EQ(ap[1][2][2][3], tsc == 0 ? 0.0 : 1e-5);
        std::filesystem::remove("boogie");
    }
}

TEST_F(SedimentTest, VanishingCentreCoefficientSecondOrder) {
    SedimentScheme = 1;
    FlagTSC = 1;
    stillColumn(4);
    isolatedColumn();
    coeffe_setup2();
    const std::string text = log();
    EXPECT_TRUE(contains(text, "In cofe2: Error, ap(1,2,2,2) = 0\nCoeffs: 0 0 0 0 0 0\n")) << text;
    EXPECT_FALSE(contains(text, "Cell diffusion"));
    EXPECT_EQ(FlagErrorBreak, 1);  // whatever F 37 says
    EXPECT_STREQ(mc_message, "Error in coeff. gen.");
}

// The connection cells of an attached block are not reported.
TEST_F(SedimentTest, ConnectionCellsAreNotReported) {
    twoBlocks();
    fallvelo[1] = 0.0;
    setDiffusivity([](int, int, int) { return 0.0; });
    coeffe_setup2();
    const std::string text = log();
    EXPECT_TRUE(contains(text, "In coef2, Error, ap(1,2,")) << text;  // an ordinary cell
    for (int j = 2; j <= ynumber; ++j) {
        ASSERT_NE(Pi1MultiBlock[11][j][0], 0);
        EXPECT_FALSE(contains(text, "ap(1,11," + std::to_string(j) + ",")) << j;
    }
}

// A log that cannot be opened ends the run with -3, the coefficients untouched.
TEST_F(SedimentTest, UnopenableLogEndsTheRun) {
    stillColumn(4);
    ap[1][2][2][3] = 7.0;
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf([] { coeffe_setup2(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    EXPECT_EQ(ap[1][2][2][3], 7.0);
}

// ---------------------------------------------------------------------------
// Centripetal flux (F 158): once per flux field.
// ---------------------------------------------------------------------------
TEST_F(SedimentTest, CentripetalFluxOncePerFluxField) {
    straightChannel(0.2);
    FlagSentripental = 1;
    SentripentalVelo = 0.01;
    auto sum = [] {
        double s = 0.0;
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j)
                for (int k = 1; k <= znumber + 1; ++k) s += flow2[i][j][k];
        return s;
    };
    double faces = 0.0;  // the interior j-faces i 2..xnumber, j 2..ynumber-1, k 2..znumber
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber - 1; ++j)
            for (int k = 2; k <= znumber; ++k) faces += m_ar_y[i][j][k];
    coeffe_setup();
    EXPECT_NEAR(sum(), 10.0 * faces, 1e-9);
    EXPECT_EQ(flow2[3][1][3], 0.0);
    EXPECT_EQ(flow2[3][ynumber][3], 0.0);
    const double an1 = as[3][3][3];
    EXPECT_NEAR(an1, 0.01 * m_ar_y[3][2][3], 1e-12);  // the upwind part carries the flux
    coeffe_setup();  // the flow held: nothing more
    EXPECT_NEAR(sum(), 10.0 * faces, 1e-9);
    EXPECT_EQ(as[3][3][3], an1);
    for (int i = 1; i <= xnumber + 1; ++i)  // a new flux field, as a flow step leaves it
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 1; k <= znumber + 1; ++k) flow2[i][j][k] = 0.0;
    coeffe_setup();
    EXPECT_NEAR(sum(), 10.0 * faces, 1e-9);
}

}  // namespace

namespace {

// The fixtures kept for the later sediment work: their sizes and flows.
TEST_F(SedimentTest, FixturesHaveTheirGeometry) {
    auto planArea = [] {
        double a = 0.0;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) a += m_armap[i][j];
        return a;
    };
    settlingBasin(0.1);
    EXPECT_EQ(xnumber - 1, 20);
    EXPECT_EQ(ynumber - 1, 1);
    EXPECT_EQ(znumber - 1, 10);
    EXPECT_NEAR(planArea(), 60.0, 1e-9);
    EXPECT_NEAR(2.0 * m_dist_z[5][2][6], 0.1, 1e-12);
    EXPECT_NEAR(flow1[1][2][5], 1000.0 * 0.1 * 3.0 * 0.1, 1e-9);  // 0.1 m/s through a 3 m x 0.1 m face

    bedStep();
    EXPECT_NEAR(centreHeight(3, 2, 2) + m_dist_z[3][2][2], 0.6 / 5.0, 1e-12);  // above the step
    EXPECT_NEAR(2.0 * m_dist_z[7][2][2], 1.0 / 5.0, 1e-12);                   // below it
    EXPECT_NEAR(2.0 * m_dist_z[5][2][2], 0.8 / 5.0, 1e-12);                   // the column across it

    for (int Z : {5, 21, 41}) {
        stillColumn(Z);
        EXPECT_NEAR(planArea(), 1.0, 1e-12);
        EXPECT_NEAR(centreHeight(2, 2, Z) + m_dist_z[2][2][Z], 1.0, 1e-12);
    }
}

}  // namespace
