// Power-law coefficients: face pairs, boundary faces, walls, column factor,
// block joint links, and the per-thread generator against the serial one.
#include <cmath>

#include "equations/fixture.h"
#include "flow3d/state.h"
#include "grid/state.h"

using namespace eqtest;
using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

class PowerLaw : public EquationTest {};

// High cell's coefficient minus low cell's equals the face flux, on every
// interior face of a grid with non-uniform cells and fluxes.
TEST_F(PowerLaw, FaceIdentityHoldsOnANonUniformGrid) {
    makeGrid(9, 7, 6);
    randomFlow(21);
    Schmidt = 0.7;
    ArtDiff = 0.05;
    StressDiff = 0.3;
    TurbMultHor = 1.3;
    TurbMultVert = 0.8;
    coeffe_flow();
    auto check = [](double high, double low, double F) {
        EXPECT_NEAR(high - low, F, 1e-13 * (std::fabs(high) + std::fabs(low)));
        EXPECT_GT(low, 0.0);
        EXPECT_GT(high, 0.0);
    };
    forInterior([&](int i, int j, int k) {
        if (i < xnumber) check(ae[i + 1][j][k], aw[i][j][k], flow1[i][j][k]);
        if (j < ynumber) check(as[i][j + 1][k], an[i][j][k], flow2[i][j][k]);
        if (k < znumber) check(wab[i][j][k + 1], wat[i][j][k], flow3[i][j][k]);
    });
}

struct FaceCase {
    const char* name;
    int equation;
    double F;  // flux through the face, D = 1
    double low, high;
    friend void PrintTo(const FaceCase& c, std::ostream* os) { *os << c.name; }
};

class PowerLawFace : public PowerLaw, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(PowerLawFace, GivesThePowerLawPair) {
    const FaceCase& c = GetParam();
    unitBox(4, 4, 4);
    Equation = c.equation;
    StressDiff = 0.25;
    flow1[2][3][3] = c.F;
    flow2[2][2][3] = c.F;
    flow3[2][3][2] = c.F;
    coeffe_flow();
    EXPECT_DOUBLE_EQ(aw[2][3][3], c.low);
    EXPECT_DOUBLE_EQ(ae[3][3][3], c.high);
    EXPECT_DOUBLE_EQ(an[2][2][3], c.low);
    EXPECT_DOUBLE_EQ(as[2][3][3], c.high);
    EXPECT_DOUBLE_EQ(wat[2][3][2], c.low);
    EXPECT_DOUBLE_EQ(wab[2][3][3], c.high);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, PowerLawFace,
    ::testing::Values(FaceCase{"no_flux", 4, 0.0, 1.0, 1.0},
                      FaceCase{"no_flux_stress_weight_for_momentum", 2, 0.0, 1.25, 1.25},
                      FaceCase{"Peclet_5", 4, 5.0, 0.03125, 5.03125},
                      FaceCase{"Peclet_minus_5", 4, -5.0, 5.03125, 0.03125},
                      FaceCase{"Peclet_12_pure_upwind", 4, 12.0, 0.0, 12.0},
                      FaceCase{"Peclet_minus_25_with_stress_weight", 1, -25.0, 25.25, 0.25}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PowerLaw, BoundaryFacesCarryConvectionOnlyAndWallsCloseFaces) {
    unitBox(5, 4, 4);
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k) {
            flow1[1][j][k] = 2.0 * k - 5.0;  // in at k = 3, 4; out at k = 2
            flow1[5][j][k] = 5.0 - 2.0 * k;
        }
    for (int i = 2; i <= 5; ++i)
        for (int k = 2; k <= 4; ++k) {
            flow2[i][1][k] = 1.5;
            flow2[i][4][k] = -0.5;
        }
    for (int i = 2; i <= 5; ++i)
        for (int j = 2; j <= 4; ++j) {
            flow3[i][j][1] = 3.0;
            flow3[i][j][4] = -2.0;
            WallK[i][j][2] = 1;  // the bed
        }
    WallI[3][3][3] = 1;
    WallI[4][2][4] = -1;
    WallJ[5][3][2] = -1;
    WallK[2][4][3] = -1;
    coeffe_flow();
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k) {
            EXPECT_EQ(ae[2][j][k], std::max(2.0 * k - 5.0, 0.0));
            EXPECT_EQ(aw[5][j][k], std::max(2.0 * k - 5.0, 0.0));
        }
    for (int i = 2; i <= 5; ++i)
        for (int j = 2; j <= 4; ++j) {
            EXPECT_EQ(wab[i][j][2], 0.0);  // bed cells, whatever the bed flux
            EXPECT_EQ(wat[i][j][4], 2.0);
        }
    EXPECT_EQ(as[3][2][3], 1.5);
    EXPECT_EQ(an[3][4][3], 0.5);
    EXPECT_EQ(ae[3][3][3], 0.0);
    EXPECT_EQ(aw[4][2][4], 0.0);
    EXPECT_EQ(an[5][3][2], 0.0);
    EXPECT_EQ(wat[2][4][3], 0.0);
    EXPECT_EQ(aw[3][3][3], 1.0);  // only the flagged face closes
}

TEST_F(PowerLaw, ShallowColumnsScaleTheVerticalViscosity) {
    unitBox(3, 3, 5);  // four layers of height 1: depth 4, plan area 1
    twoD[2][3] = 0;
    ArtDiff = 0.5;
    coeffe_flow();
    // D = A/(dL+dH) (gamma c + ArtDiff) with c = sqrt(depth/sqrt(area)) = 2
    EXPECT_DOUBLE_EQ(wat[2][3][3], 2.0 + 0.5);
    EXPECT_DOUBLE_EQ(wat[2][2][3], 1.0 + 0.5);
    // horizontal faces: D = A/(dL+dH) (gamma + ArtDiff)
    EXPECT_DOUBLE_EQ(an[2][2][3], 1.5);
}

struct MultiplierCase {
    int model, equation, stress;
    double dm;
};

class DiffusionMultiplier : public quird_test::EngineTest, public ::testing::WithParamInterface<MultiplierCase> {};

TEST_P(DiffusionMultiplier, FollowsModelEquationAndStressModule) {
    TurbulenceModel = GetParam().model;
    Equation = GetParam().equation;
    FlagStress1DLL = GetParam().stress;
    EXPECT_EQ(diffusionMultiplier(), GetParam().dm);
}

INSTANTIATE_TEST_SUITE_P(Table, DiffusionMultiplier,
                         ::testing::Values(MultiplierCase{15, 4, 0, 0.5}, MultiplierCase{16, 6, 3, 0.5},
                                           MultiplierCase{16, 3, 0, 1.0}, MultiplierCase{14, 5, 0, 1.5},
                                           MultiplierCase{14, 6, 0, 1.0}, MultiplierCase{0, 3, 20, 0.0},
                                           MultiplierCase{0, 3, 21, 1.0}, MultiplierCase{0, 4, 5, 1.0},
                                           MultiplierCase{15, 2, 1, 0.0}));

TEST_F(PowerLaw, LinksHostCellsToTheJointRow) {
    unitBox(8, 5, 3);
    twoBlockTables(5);  // joint row 6, host columns 2..5
    ArtDiff = 0.25;
    m_dist_x[6][4][2] = 1.5;  // joint cell (6,4) faces host cell (4,2)
    gama[6][4][2] = 3.0;
    flow2[4][1][2] = 0.0;
    flow2[3][1][2] = 4.0;  // into host cell (3,2) from joint cell (6,3)
    for (int j = 2; j <= 5; ++j) flow1[5][j][2] = 2.0;  // last main row to the joint row
    coeffe_flow();
    // D = A / (dM + dQ) (gf + ArtDiff), gf = (dQ gM + dM gQ)/(dM + dQ): dM 0.5, dQ 1.5
    const double gf = (1.5 * 1.0 + 0.5 * 3.0) / 2.0;
    EXPECT_DOUBLE_EQ(as[4][2][2], (gf + 0.25) / 2.0);
    EXPECT_DOUBLE_EQ(ae[6][4][2], (gf + 0.25) / 2.0);
    EXPECT_NEAR(as[3][2][2] - ae[6][3][2], 4.0, 1e-14);
    // The seam between the last main row and the joint row is closed as a
    // wall, whatever flux it is given (its plain pair would be 1.25 (1 - 0.16)^5
    // with ArtDiff and F = 2); the last main row keeps its other couplings.
    for (int j = 2; j <= 5; ++j) {
        EXPECT_EQ(aw[5][j][2], 0.0) << j;
        EXPECT_GT(ae[5][j][2], 0.0) << j;
        EXPECT_NEAR(ae[5][j][2] - aw[4][j][2], flow1[4][j][2], 1e-14) << j;
    }
}

// A block link is a horizontal face like any other: with a uniform
// viscosity and ArtDiff its conductance is that of the face between the host
// cell and the next cell inward, on cells of 2 x 2 x 0.5 (A / (dL + dH) = 1/2).
struct LinkCase {
    const char* name;
    double gama, artDiff, schmidt, turbMultHor;
    int turbulenceModel;  // 15: diffusion multiplier 0.5 for Equation 5
    friend void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }
};

class PowerLawLink : public PowerLaw, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(PowerLawLink, DiffusesAsTheSameFaceInsideOneBlock) {
    const LinkCase& c = GetParam();
    // The parameters return to their values afterwards.
    struct Keep {
        double artDiff = ArtDiff, schmidt = Schmidt, turbMultHor = TurbMultHor;
        int model = TurbulenceModel;
        ~Keep() {
            ArtDiff = artDiff;
            Schmidt = schmidt;
            TurbMultHor = turbMultHor;
            TurbulenceModel = model;
        }
    } keep;
    for (bool leftSide : {false, true})
        for (int threads : {0, 3}) {
            makeGrid(8, 5, 3);
            twoBlockTables(5, leftSide);  // joint row 6, host columns 2..5
            boxGeometry(2.0, 2.0, 0.5);
            for (std::int64_t n = 0; n < gama.size(); ++n) gama.data()[n] = gamaV.data()[n] = c.gama;
            Equation = 5;
            ArtDiff = c.artDiff;
            Schmidt = c.schmidt;
            TurbMultHor = c.turbMultHor;
            TurbulenceModel = c.turbulenceModel;
            NoProcessesSolver = threads;
            if (threads == 0)
                coeffe_flow();
            else
                runPerThread(coeffe_flowOpenMP);
            const double expected = 0.5 * c.turbMultHor * diffusionMultiplier() * (c.gama + c.artDiff / c.schmidt);
            for (int i = 2; i <= 5; ++i)
                for (int k = 2; k <= znumber; ++k) {
                    const int j = leftSide ? ynumber : 2, inward = leftSide ? ynumber - 1 : 3;
                    const double link = leftSide ? an[i][j][k] : as[i][j][k];
                    const double inside = leftSide ? an[i][inward][k] : as[i][inward][k];
                    const int* q = leftSide ? &Pj2MultiBlock[i][0] : &Pj1MultiBlock[i][0];
                    ASSERT_NE(q[0], 0);
                    SCOPED_TRACE(std::string(leftSide ? "left" : "right") + " side, " + std::to_string(threads) +
                                 " threads, host column " + std::to_string(i));
                    EXPECT_NEAR(inside, expected, 1e-14);
                    EXPECT_NEAR(link, inside, 1e-14);
                    EXPECT_NEAR(ae[q[0]][q[1]][k], inside, 1e-14);
                }
        }
}

INSTANTIATE_TEST_SUITE_P(
    Faces, PowerLawLink,
    ::testing::Values(LinkCase{"artificial_viscosity_alone", 0.0, 0.3, 2.0, 1.5, 0},
                      LinkCase{"with_eddy_viscosity", 0.7, 0.3, 1.0, 0.8, 0},
                      LinkCase{"half_diffusion_multiplier", 0.7, 0.3, 1.0, 1.0, 15}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PowerLaw, PerThreadGeneratorRefusesATeamOfTheWrongSize) {
    unitBox(6, 4, 4);
    NoProcessesSolver = 2;
    EXPECT_EQ(exitCodeOf([] { coeffe_flowOpenMP(2, 6); }), -8);
    EXPECT_EQ(readLines("boogie").back(), "Error - coeffe_flowOpenMP needs a team of 2 threads, has 1");
}

}  // namespace

namespace {

// An owner may pair the power law with a scheme number of the 13-point
// solvers (temperature when F 63 sets sou[8] to 1): the generator clears the
// second-neighbour couplings that an earlier equation left, so the 13-point
// solvers see the 7-point equation.
class PowerLawStale : public PowerLaw, public ::testing::WithParamInterface<int> {};

TEST_P(PowerLawStale, ClearsTheSecondNeighbourCouplingsOfAnEarlierEquation) {
    makeGrid(9, 5, 4, true);
    randomFlow(3);
    for (const NamedArray& a : coefficientArrays())
        for (std::int64_t n = 0; n < a.array->size(); ++n) a.array->data()[n] = 7.0;
    NoProcessesSolver = GetParam();
    if (NoProcessesSolver == 0)
        coeffe_flow();
    else
        runPerThread(coeffe_flowOpenMP);
    for (auto* a : {&aee, &aww, &ass, &ann, &abb, &att})
        forInterior([&](int i, int j, int k) { ASSERT_EQ((*a)[i][j][k], 0.0) << i << "," << j << "," << k; });
    formCentre(0.5);
    for (std::int64_t n = 0; n < f.size(); ++n) f.data()[n] = std::sin(0.1 * n);
    const std::vector<double> start = snapshot();
    WaterTDMA();
    const std::vector<double> sevenPoint = snapshot();
    std::copy(start.begin(), start.end(), f.data());
    sou[1] = 1;
    WaterTDMA();
    EXPECT_EQ(snapshot(), sevenPoint);
}

INSTANTIATE_TEST_SUITE_P(Generators, PowerLawStale, ::testing::Values(0, 3),
                         [](const auto& info) { return info.param == 0 ? "serial" : "per_thread_3_threads"; });

}  // namespace
