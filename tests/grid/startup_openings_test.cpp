// Solver start-up at the boundaries: openings and the inflow plane, the
// continuity of the openings, residual normalisers, relaxation factors,
// measured profiles and the remaining start values.
#include <array>
#include <cmath>
#include <tuple>
#include <filesystem>
#include <string>
#include <vector>

#include "control/engine.h"
#include "flow3d/flow3d.h"
#include "grid/startup.h"
#include "grid/startup_fixture.h"
#include "equations/state.h"
#include "flow3d/state.h"

using namespace quird_test;

namespace {

IORecord opening(int type, int side, int a1, int a2, int b1, int b2, int paralell, double flux,
                 std::array<double, 3> dir = {0, 0, 0}) {
    return IORecord{type, side, a1, a2, b1, b2, paralell, 0, flux, {dir[0], dir[1], dir[2]}};
}

void setOpenings(const std::vector<IORecord>& records) {
    IONo = static_cast<int>(records.size());
    for (int n = 1; n <= IONo; ++n) IO[n] = records[n - 1];
}

double sumOver(const FieldArray<double, 3>& area, int i) {
    double a = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) a += area[i][j][k];
    return a;
}

// The normalisers of an inflow and an outflow opening of an open channel:
// the outflow's mass flux and the momentum flux of both.
TEST_F(StartUp, InflowAndOutflowOpeningsOfAnOpenChannel) {
    openChannel(5.0);
    const int X = xnumber;
    setOpenings({opening(0, 1, 2, 6, 2, 6, 0, 5.0), opening(1, -1, 2, 6, 2, 6, 0, 5.0)});
    startup();
    const double Ain = sumOver(m_ar_x, 1), Aout = sumOver(m_ar_x, X);
    const double S = 500 * 25 / Ain + 500 * 25 / Aout;
    const double U = S / (5000 + 1e-5);
    const double kStar = std::max(0.0025 * U * U, 0.001);
    const double eStar = 0.8 * kStar * std::sqrt(kStar / (0.001 * 5000 / U));
    EXPECT_TRUE(contains(log(), "Did not use file 'bedrough'\nIONo = 2\n")) << log();
    std::string norms = format("ImpTot = %lf, FluxTot = 5000.000000, aK = %lf, aE = %lf\n", S, kStar, eStar);
    norms += "NormResidual(0) = 0.000000\n";
    for (int e = 1; e <= 3; ++e) norms += format("NormResidual(%d) = %lf\n", e, S);
    norms += "NormResidual(4) = 5000.000000\n";
    norms += format("NormResidual(5) = %lf\nNormResidual(6) = %lf\n", 5000 * kStar, 5000 * eStar);
    EXPECT_TRUE(contains(log(), norms)) << log();
    EXPECT_EQ(NormResidual[7], 20 * 5000.0);
    for (int j = 2; j <= 6; ++j)
        for (int k = 2; k <= 6; ++k) {
            EXPECT_NEAR(xvel[1][j][k], 5.0 / Ain, 1e-12);
            EXPECT_NEAR(xvel[X + 1][j][k], 5.0 / Aout, 1e-12);
            EXPECT_NEAR(kinen[1][j][k], 0.0025 * (5.0 / Ain) * (5.0 / Ain), 1e-15);
        }
}

TEST_F(StartUp, DefaultInflowAndOutflowCanBeCleared) {
    FlagInZero = 0;
    openChannel(5.0);
    setOpenings({opening(0, 1, 2, 3, 2, 6, 0, 5.0), opening(1, -1, 2, 3, 2, 6, 0, 5.0)});
    startup();
    EXPECT_TRUE(contains(log(), "IONo = 2\nDefault inflow and outflow set to zero\n")) << log();
    EXPECT_GT(xvel[1][3][3], 0.0);
    EXPECT_EQ(xvel[1][5][3], 0.0);
    EXPECT_EQ(xvel[xnumber + 1][5][3], 0.0);
}

// Direction and orientation of the opening velocities on a box of 1 m by
// 0.5 m by 0.25 m cells: the i-faces of a whole end are 2 m2, the j-faces of
// a side 5 m2, the bed 10 m2.
struct DirectionCase {
    const char* name;
    friend void PrintTo(const DirectionCase& c, std::ostream* os) { *os << c.name; }
    IORecord first, second;
    int cell1[3];
    double velocity1[3];
    int cell2[3];
    double velocity2[3];
    double area;  // area of the first opening seen along its direction
};

class OpeningDirections : public StartUp, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(OpeningDirections, PointInflowInAndOutflowOut) {
    const DirectionCase& c = GetParam();
    box();
    setOpenings({c.first, c.second});
    startup();
    const int* a = c.cell1;
    const int* b = c.cell2;
    for (int d = 0; d < 3; ++d) {
        const auto& field = d == 0 ? xvel : d == 1 ? yvel : zvel;
        EXPECT_NEAR(field[a[0]][a[1]][a[2]], c.velocity1[d], 1e-12) << "first, component " << d;
        EXPECT_NEAR(field[b[0]][b[1]][b[2]], c.velocity2[d], 1e-12) << "second, component " << d;
    }
    const double k0 = 0.0025 * (1.0 / c.area) * (1.0 / c.area);
    EXPECT_NEAR(kinen[a[0]][a[1]][a[2]], k0, 1e-15);
    EXPECT_NEAR(epsilon[a[0]][a[1]][a[2]], 0.8 * k0 * std::sqrt(k0) / std::sqrt(c.area), 1e-15);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, OpeningDirections,
    ::testing::Values(
        DirectionCase{"AlongTheNormal", opening(0, 1, 2, 5, 2, 5, 0, 1.0), opening(1, -1, 2, 5, 2, 5, 0, 1.0),
                      {1, 3, 3}, {0.5, 0, 0}, {7, 3, 3}, {0.5, 0, 0}, 2.0},
        DirectionCase{"InflowAtTheDownstreamEnd", opening(0, -1, 2, 5, 2, 5, 0, 1.0), opening(1, 1, 2, 5, 2, 5, 0, 1.0),
                      {7, 3, 3}, {-0.5, 0, 0}, {1, 3, 3}, {-0.5, 0, 0}, 2.0},
        DirectionCase{"AlongTheGivenDirection", opening(0, 1, 2, 5, 2, 5, 2, 1.0, {1, 0, 0}),
                      opening(1, -1, 2, 5, 2, 5, 2, 1.0, {1, 0, 0}), {1, 3, 3}, {0.5, 0, 0}, {7, 3, 3}, {0.5, 0, 0}, 2.0},
        // A component above 1 gives none; the area is seen along the whole direction.
        DirectionCase{"DirectionComponentAboveOne", opening(0, 1, 2, 5, 2, 5, 2, 1.0, {0.6, 0.8, 1.5}),
                      opening(1, -1, 2, 5, 2, 5, 0, 1.0), {1, 3, 3}, {0.5, 0.8 / 1.2, 0}, {7, 3, 3}, {0.5, 0, 0}, 1.2},
        DirectionCase{"SpringAtTheBedOutflowAtTheTop", opening(0, 3, 2, 6, 2, 5, 0, 1.0),
                      opening(1, -3, 2, 6, 2, 5, 0, 1.0), {3, 3, 1}, {0, 0, 0.1}, {3, 3, 6}, {0, 0, 0.1}, 10.0},
        DirectionCase{"SidesAlongTheGridLines", opening(0, 2, 2, 6, 2, 5, 1, 1.0), opening(1, -2, 2, 6, 2, 5, 1, 1.0),
                      {3, 1, 3}, {0, 0.2, 0}, {3, 6, 3}, {0, 0.2, 0}, 5.0}),
    [](const auto& info) { return std::string(info.param.name); });

// An opening seen edge-on along its direction passes no water: refused.
TEST_F(StartUp, OpeningWithoutAreaAlongItsDirectionIsRefused) {
    box();
    setOpenings({opening(0, 1, 2, 5, 2, 5, 2, 1.0, {0, 1, 0}), opening(1, -1, 2, 5, 2, 5, 0, 1.0)});
    EXPECT_EQ(exitCodeOf(startup), -1);
    const std::string tail = "Error in G 7: for wall no: 1\narea of the opening along its direction is zero\narea: 0.000000e+00\n";
    ASSERT_GE(log().size(), tail.size());
    EXPECT_EQ(log().substr(log().size() - tail.size()), tail);
}

struct ContinuityCase {
    const char* name;
    friend void PrintTo(const ContinuityCase& c, std::ostream* os) { *os << c.name; }
    std::vector<IORecord> records;
    int flagTFS, flagCyclic;
    int code;          // kNoExit when the set-up goes on
    const char* tail;  // end of the log on an exit; else the reference flux
    double reference;
};

class OpeningContinuity : public StartUp, public ::testing::WithParamInterface<ContinuityCase> {};

TEST_P(OpeningContinuity, IsChecked) {
    const ContinuityCase& c = GetParam();
    FlagTFS = c.flagTFS;
    FlagCyclic = c.flagCyclic;
    box();
    setOpenings(c.records);
    EXPECT_EQ(exitCodeOf(startup), c.code);
    if (c.code == kNoExit) {
        EXPECT_EQ(NormResidual[4], c.reference);
        EXPECT_TRUE(std::isfinite(NormResidual[5]) && NormResidual[5] > 0);
        EXPECT_TRUE(std::isfinite(NormResidual[6]) && NormResidual[6] > 0);
        return;
    }
    const std::string tail = c.tail;
    ASSERT_GE(log().size(), tail.size()) << log();
    EXPECT_EQ(log().substr(log().size() - tail.size()), tail);
}

const IORecord kIn = opening(0, 1, 2, 5, 2, 5, 0, 1.0);

INSTANTIATE_TEST_SUITE_P(
    Cases, OpeningContinuity,
    ::testing::Values(
        ContinuityCase{"SingleOpening", {kIn}, 0, 0, 1,
                       "IONo = 1\nError in continuity, IO\nFluxUt = 1000.000000, FluxTot = 0.000000\n"
                       "You must always have at least two G 7 data sets in the control file when using G 7 data sets\n",
                       0},
        ContinuityCase{"Unbalanced", {kIn, opening(1, -1, 2, 5, 2, 5, 0, 0.9)}, 0, 0, 1,
                       "Error in continuity, IO\nFluxUt = 1000.000000, FluxTot = 900.000000\n", 0},
        // Inflow alone is allowed with the transient free surface and cyclic
        // runs; the inflow then normalises the residuals.
        ContinuityCase{"InflowOnlyWithTransientSurface", {kIn}, 1, 0, kNoExit, "", 1000.0},
        ContinuityCase{"InflowOnlyInACyclicRun", {kIn, kIn}, 0, 1, kNoExit, "", 2000.0},
        ContinuityCase{"NoFluxAtAll", {opening(0, 1, 2, 5, 2, 5, 0, 0.0), opening(1, -1, 2, 5, 2, 5, 0, 0.0)}, 0, 0, -2,
                       "Error in setting of residual (sinit)\nFluxUt = 0.000000, FluxTot = 0.000000\n", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Without openings the inflow plane is scaled to the discharge, and the
// normalisers come from its sums (twice with a free surface mode).
TEST_F(StartUp, WithoutOpeningsTheInflowCarriesTheDischarge) {
    for (int tfs : {0, 1}) {
        SetArraysZero();
        FlagTFS = tfs;
        openChannel(5.0);
        const double before = inflowFlux();
        EXPECT_NEAR(before, 5.0, 1e-9);
        discharge = 6.0;
        startup();
        EXPECT_NEAR(inflowFlux(), 6.0, 1e-9);
        const double sums = tfs == 0 ? before : before + 6.0;
        EXPECT_NEAR(NormResidual[4], 1000 * sums, 1e-6);
        double k = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int kk = 2; kk <= znumber; ++kk) k += kinen[1][j][kk];
        if (tfs == 1) k *= 2;
        EXPECT_NEAR(NormResidual[5], k / (ynumber * znumber) * NormResidual[4], 1e-9 * NormResidual[5]);
        EXPECT_EQ(NormResidual[7], 20 * NormResidual[4]);
        EXPECT_EQ(log(), "Did not use file 'bedrough'\nIONo = 0\nRelaxation: 0.800000 0.200000 0.500000 0.500000\n"
                         "File 'innflow' not used      \n");
        std::filesystem::remove("boogie");
    }
}

TEST_F(StartUp, NormalisersOfTheirOwnReplaceTheInflowMeans) {
    FlagNormSet = 1;
    NormK = 0.01;
    NormEps = 0.002;
    box();
    startup();
    EXPECT_NEAR(NormResidual[5], 0.01 * NormResidual[4], 1e-12);
    EXPECT_NEAR(NormResidual[6], 0.002 * NormResidual[4], 1e-12);
}

// An inflow without turbulence gives no normaliser of k and epsilon.
TEST_F(StartUp, InflowWithoutTurbulenceIsRefused) {
    sqcmyrho = 1e30;  // k of the inflow far below 1e-20
    box();
    EXPECT_EQ(exitCodeOf(startup), -2);
    double k = 0.0, e = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int kk = 2; kk <= znumber; ++kk) {
            k += kinen[1][j][kk];
            e += epsilon[1][j][kk];
        }
    const double cells = ynumber * znumber;
    EXPECT_TRUE(contains(log(), format("Error in setting of residual (sinit)\naverage k, eps = %e %e\n", k / cells,
                                       e / cells)))
        << log();
}

// Water at rest at the inflow has no bed shear to start the turbulence from.
TEST_F(StartUp, InflowAtRestIsRefused) {
    box();
    for (int i = 0; i <= xnumber + 1; ++i) avvelocity[i] = 0.0;
    EXPECT_EQ(exitCodeOf(startup), -2);
    EXPECT_TRUE(contains(log(), "Error in setting of residual (sinit)\naverage k, eps = 0.000000e+00 ")) << log();
}

struct RelaxCase {
    const char* name;
    friend void PrintTo(const RelaxCase& c, std::ostream* os) { *os << c.name; }
    double given[7];
    double velocity, pressure, k, eps;
};

class RelaxationClamps : public StartUp, public ::testing::WithParamInterface<RelaxCase> {};

TEST_P(RelaxationClamps, KeepTheFactorsInRange) {
    const RelaxCase& c = GetParam();
    for (int e = 1; e <= 6; ++e) relax[e] = c.given[e];
    box();
    startup();
    // The flow solvers derive the factors the start-up logs at the start of each call.
    Xkappa = 0.3;
    deriveSolverConstants();
    EXPECT_EQ(Xkappa, 0.4);
    EXPECT_EQ(relaxVelocity, c.velocity);
    EXPECT_EQ(relaxPressure, c.pressure);
    EXPECT_EQ(relaxK, c.k);
    EXPECT_EQ(relaxEpsilon, c.eps);
    EXPECT_TRUE(contains(log(), format("Relaxation: %lf %lf %lf %lf\n", c.velocity, c.pressure, c.k, c.eps)));
}

INSTANTIATE_TEST_SUITE_P(Factors, RelaxationClamps,
                         ::testing::Values(RelaxCase{"Defaults", {0, 0.8, 0.8, 0.8, 0.2, 0.5, 0.5}, 0.8, 0.2, 0.5, 0.5},
                                           RelaxCase{"OutsideFallBack", {0, 0.0, 0, 0, 2.0, 0.01, 3.0}, 0.001, 0.001, 0.01, 0.01},
                                           RelaxCase{"JustInside", {0, 1.99, 0, 0, 0.001, 0.011, 0.02}, 1.99, 0.001, 0.011, 0.02}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Start values.
// ---------------------------------------------------------------------------

TEST_F(StartUp, HydrostaticStartPressureWithTheFreeSurfaceModes) {
    FlagTFS = 3;
    box();
    for (int i = 2; i <= xnumber; ++i) invAP[i][3][3] = 5.0;
    startup();
    EXPECT_EQ(invAP[3][3][3], 0.0);
    for (int k = 2; k <= 5; ++k) EXPECT_NEAR(Pres[3][3][k], 9810.0 * (1.0 - (k - 1.5) * 0.25), 1e-9) << k;
    EXPECT_EQ(Pres[3][3][6], 0.0);
}

// The F 19 pressure follows the top of each column against the top of node
// column (znumber, 3), taken within a grid with fewer node lines in i.
TEST_F(StartUp, InitialPressureFollowsTheSurface) {
    for (int X : {8, 4}) {
        SetArraysZero();
        InitPres = 2.0;
        allocateGrid(X, 5, 6);
        auto top = [](int i) { return 1.0 + 0.1 * i; };
        fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 0.5}; },
                 [&](int i, int, int k) { return top(i) * (k - 1) / 5.0; });
        geometryReady();
        uniformFlow();
        startup();
        const double reference = top(std::min(6, X));
        for (int i = 2; i <= X; ++i)
            for (int k = 2; k <= 6; ++k)
                ASSERT_NEAR(Pres[i][3][k], 2.0 * 9810.0 * (top(i) - reference), 1e-9) << X << " " << i << " " << k;
    }
}

TEST_F(StartUp, InitialValueBoxesInOrder) {
    MInitNo = 2;
    MInit[1] = {{-5, 3, 2, 3, 2, 3}, 1.0, 2.0, 3.0};
    MInit[2] = {{3, 999, 3, 3, 3, 3}, 4.0, 5.0, 6.0};
    box();
    startup();
    for (auto [i, j, k, u, v, w] : std::vector<std::tuple<int, int, int, double, double, double>>{
             {1, 2, 2, 1, 2, 3}, {2, 3, 3, 1, 2, 3}, {3, 3, 3, 4, 5, 6}, {7, 3, 3, 4, 5, 6}}) {
        EXPECT_EQ(xvel[i][j][k], u) << i << " " << j << " " << k;
        EXPECT_EQ(yvel[i][j][k], v);
        EXPECT_EQ(zvel[i][j][k], w);
    }
    EXPECT_EQ(yvel[4][4][4], 0.0);
}

// A single attached block starts at a tenth of the inflow; the host cells
// along the joined wall flow across it, towards the block.
TEST_F(StartUp, AttachedBlockStartsFromTheInflow) {
    for (int start : {3, -3}) {
        SetArraysZero();
        TwoBlockGrid g;
        g.start = start;
        g.build();
        geometryReady();
        uniformFlow();
        discharge = kV * 1.5 * 0.75;
        startup();
        for (int i = g.jointRow(); i <= g.X(); ++i) {
            EXPECT_NEAR(xvel[i][3][3], 0.1 * xvel[1][3][3], 1e-15) << i;
            EXPECT_NEAR(yvel[i][3][3], 0.1 * xvel[1][3][3], 1e-15) << i;
        }
        const int wallCell = start >= 0 ? 2 : g.Y, other = start >= 0 ? g.Y : 2;
        const double across = start >= 0 ? -1.0 : 1.0;
        for (int m = 2; m <= g.mainLines; ++m)
            for (int k = 2; k <= g.Z + 1; ++k) {
                EXPECT_EQ(yvel[m][wallCell][k], m >= 3 && m <= 4 ? across : 0.0) << start << " " << m << " " << k;
                EXPECT_EQ(yvel[m][other][k], 0.0) << start << " " << m << " " << k;
            }
    }
}

struct InflowFileCase {
    const char* name;
    friend void PrintTo(const InflowFileCase& c, std::ostream* os) { *os << c.name; }
    std::string text;
    int upstream, downstream;
    const char* warnings;
};

class InflowProfiles : public StartUp, public ::testing::WithParamInterface<InflowFileCase> {};

std::string everyCell(char letter, const char* values) {
    std::string text;
    for (int j = 2; j <= 5; ++j)
        for (int k = 2; k <= 5; ++k) text += format("%c %d %d %s\n", letter, j, k, values);
    return text;
}

TEST_P(InflowProfiles, AreReadAndCounted) {
    const InflowFileCase& c = GetParam();
    box();
    writeFile("innflow", c.text);
    startup();
    const std::string expected =
        format("Have read %d velocity data sets from file 'innflow', upstream cross-section\n"
               "Have read %d velocity data sets from file 'innflow', downstream cross-section\n",
               c.upstream, c.downstream) +
        c.warnings;
    EXPECT_TRUE(contains(log(), expected)) << log();
    const std::string rest = log().substr(log().find(expected) + expected.size());
    EXPECT_EQ(rest.find("Warning"), std::string::npos) << rest;
}

INSTANTIATE_TEST_SUITE_P(
    Files, InflowProfiles,
    ::testing::Values(
        InflowFileCase{"FullUpstreamProfile", "measured 2021\n" + everyCell('D', "0.4 0.1 0.0 0.002 0.0003") +
                                                  "F 3 3 0.6 0 0\nF 4 3 0.6 0 0\nD 1 3 9 9 9 9 9\n",
                       16, 2, "Warning: Fewer E data sets in 'innflow' file than cells in the cross-section\n"},
        InflowFileCase{"OnlyDownstream", "F 3 3 0.6 0 0\nF 4 3 0.6 0 0\nF 5 3 0.6 0 0\n", 0, 3,
                       "Warning: Fewer E data sets in 'innflow' file than cells in the cross-section\n"},
        InflowFileCase{"TooManyUpstream", everyCell('E', "0.4 0 0") + "E 2 2 0.4 0 0\n", 17, 0,
                       "Warning: Too many D data sets in 'innflow' file\n"},
        InflowFileCase{"FewUpstreamTooManyDownstream", "E 2 2 0.4 0 0\n" + everyCell('F', "0.6 0 0") + "F 2 2 1 0 0\n",
                       1, 17,
                       "Warning: Fewer D data sets in 'innflow' file than cells in the cross-section\n"
                       "Warning: Too many E data sets in 'innflow' file\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUp, InflowProfileValuesReachTheirCells) {
    box();
    writeFile("innflow", "D 3 4 0.4 0.1 0.05 0.002 0.0003\nF 3 3 0.6 0.2 0\nD 1 3 9 9 9 9 9\n");
    startup();
    EXPECT_EQ(xvel[1][3][4], 0.4);
    EXPECT_EQ(yvel[1][3][4], 0.1);
    EXPECT_EQ(zvel[1][3][4], 0.05);
    EXPECT_EQ(kinen[1][3][4], 0.002);
    EXPECT_EQ(epsilon[1][3][4], 0.0003);
    EXPECT_EQ(xvel[6][3][3], 0.6);
    EXPECT_EQ(yvel[6][3][3], 0.2);
    EXPECT_NE(xvel[1][3][3], 9.0);
}

TEST_F(StartUp, DepthMeansForTheDepthAveragedModel) {
    Flag2Dim = 1;
    box();
    for (int k = 2; k <= 5; ++k) flow1[3][3][k] = k;
    flow1[3][3][0] = 0.5;
    startup();
    EXPECT_NEAR(kinen[3][3][0], (kinen[3][3][2] + kinen[3][3][3] + kinen[3][3][4] + kinen[3][3][5]) / 4, 1e-15);
    EXPECT_EQ(xvel[3][3][0], kV);
    EXPECT_EQ(flow1[3][3][0], 0.5 + 2 + 3 + 4 + 5);
    EXPECT_EQ(WallJ[3][2][0], 1);
    EXPECT_EQ(WallI[3][3][0], 0);
}

}  // namespace
