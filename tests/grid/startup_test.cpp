// Solver start-up: turbulence start values, temperatures, blocked cells,
// wall flags, roughness, the plan-area check and the repeated call.
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "control/engine.h"
#include "flow3d/flow3d.h"
#include "grid/startup.h"
#include "grid/startup_fixture.h"
#include "equations/state.h"

using namespace quird_test;

namespace {

// The textbook start values at the bed cell of a uniform flow: k = u*^2 /
// sqrt(c_mu) and epsilon = u*^3 / (kappa z), z the height of the cell centre.
TEST_F(StartUp, TurbulenceStartsFromTheUniformFlowBedShear) {
    box();
    startup();
    const double tau = 1000 * 9.81 * kV * kV / (kManning * kManning * std::pow(kR, 0.3333));
    const double ustar = std::sqrt(tau / 1000);
    const double zb = 0.125;
    EXPECT_NEAR(kinen[1][3][2], ustar * ustar / std::sqrt(0.09), 1e-12);
    EXPECT_NEAR(epsilon[1][3][2], ustar * ustar * ustar / (0.4 * zb), 1e-4 * epsilon[1][3][2]);
    // k halves towards the surface; the viscosity k^2 c_mu / epsilon grows to 0.11 u* R.
    const double k0 = kinen[1][3][2];
    EXPECT_NEAR(kinen[1][3][5], k0 - 0.5 * k0 * (0.875 - zb) / (1.0 - zb), 1e-15);
    EXPECT_NEAR(0.09 * kinen[1][3][5] * kinen[1][3][5] / epsilon[1][3][5], 0.11 * ustar * kR, 1e-12);
    // Every row has the profile of the inflow cells; it varies over the depth only.
    for (int i = 2; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                ASSERT_EQ(kinen[i][j][k], kinen[1][3][k]) << i << " " << j << " " << k;
                ASSERT_EQ(epsilon[i][j][k], epsilon[1][3][k]) << i << " " << j << " " << k;
            }
    EXPECT_GT(kinen[1][3][2], kinen[1][3][3]);
}

TEST_F(StartUp, TurbulenceModelsConvertTheirStartValues) {
    box();
    startup();
    const double k = kinen[1][3][3], eps = epsilon[1][3][3];
    for (int model : {14, 15}) {
        SetArraysZero();
        TurbulenceModel = model;
        box();
        startup();
        if (model == 14) {
            EXPECT_NEAR(kinen[1][3][3], 0.09 * k * k / eps, 1e-15);  // nu-tilde
            EXPECT_EQ(epsilon[1][3][3], eps);
        } else {
            EXPECT_EQ(kinen[1][3][3], k);
            EXPECT_NEAR(epsilon[1][3][3], eps / (0.09 * k), 1e-12);  // omega
        }
    }
}

// Temperatures from the G 40 profile; centres outside the given levels take
// the temperature of the nearest record.
struct TemperatureCase {
    const char* name;
    friend void PrintTo(const TemperatureCase& c, std::ostream* os) { *os << c.name; }
    std::vector<VerttempRecord> profile;
    double expected[4];  // cell centres 0.125, 0.375, 0.625, 0.875 m
};

class Temperatures : public StartUp, public ::testing::WithParamInterface<TemperatureCase> {};

TEST_P(Temperatures, FollowTheProfile) {
    const TemperatureCase& c = GetParam();
    FlagTemp = 1;
    NoVerttemp = static_cast<int>(c.profile.size());
    for (int n = 0; n < NoVerttemp; ++n) Verttemp[n] = c.profile[n];
    box();
    startup();
    for (int k = 2; k <= 5; ++k) {
        EXPECT_NEAR(temp[4][3][k], c.expected[k - 2], 1e-9) << k;
        EXPECT_EQ(temp[1][3][k], temp[2][3][k]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, Temperatures,
    ::testing::Values(TemperatureCase{"Bracketed", {{1.0, 20.0}, {0.5, 10.0}, {0.0, 4.0}}, {5.5, 8.5, 12.5, 17.5}},
                      TemperatureCase{"CentresOutsideTheLevels", {{0.8, 18.0}, {0.3, 8.0}}, {8.0, 9.5, 14.5, 18.0}},
                      TemperatureCase{"SingleRecord", {{0.5, 12.0}}, {12.0, 12.0, 12.0, 12.0}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Blocked cells and wall flags.
// ---------------------------------------------------------------------------

// Every interior flag of the three arrays, set or not, against the expected ones.
using Flag = std::tuple<char, int, int, int, int>;  // array I/J/K, i, j, k, value

void expectWallFlags(const std::set<Flag>& expected) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                bool any = false;
                for (auto [name, flags] : {std::pair{'I', &WallI}, std::pair{'J', &WallJ}, std::pair{'K', &WallK}}) {
                    int want = 0;
                    for (int v : {-1, 1})
                        if (expected.count({name, i, j, k, v})) want = v;
                    ASSERT_EQ((*flags)[i][j][k], want) << "Wall" << name << " " << i << " " << j << " " << k;
                    any = any || want != 0;
                }
                ASSERT_EQ(Wall[i][j][k], any ? 1 : 0) << i << " " << j << " " << k;
            }
}

void addBox(int type, int i1, int i2, int j1, int j2, int k1, int k2) {
    OutBlockRecord& r = OutBlock[++OutBlockNo];
    r.type = type;
    r.i1 = i1, r.i2 = i2, r.j1 = j1, r.j2 = j2, r.k1 = k1, r.k2 = k2;
}

TEST_F(StartUp, WallsOfABoxGridWithABlockedBox) {
    addBox(3, 4, 5, 4, 5, 4, 5);
    box(8, 7, 6);
    startup();
    std::set<Flag> flags;
    for (int i = 2; i <= 8; ++i)
        for (int j = 2; j <= 7; ++j) flags.insert({'K', i, j, 2, 1});  // bed
    for (int i = 2; i <= 8; ++i)
        for (int k = 2; k <= 6; ++k) {
            flags.insert({'J', i, 2, k, 1});  // side walls
            flags.insert({'J', i, 7, k, -1});
        }
    for (int a = 4; a <= 5; ++a)
        for (int b = 4; b <= 5; ++b) {
            flags.insert({'J', a, 3, b, -1});  // the neighbours of the box
            flags.insert({'J', a, 6, b, 1});
            flags.insert({'I', 3, a, b, -1});
            flags.insert({'I', 6, a, b, 1});
            flags.insert({'K', a, b, 6, 1});   // on top of it
            flags.insert({'K', a, b, 3, -1});  // under it
        }
    expectWallFlags(flags);
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 8; ++j)
            for (int k = 0; k <= 7; ++k) {
                const bool inBox = i >= 4 && i <= 5 && j >= 4 && j <= 5 && k >= 4 && k <= 5;
                ASSERT_EQ(OBlok[i][j][k], inBox ? 0 : 1) << i << " " << j << " " << k;
            }
}

// Side walls by FlagWall, the roof of a conduit, and boxes at the edge of
// the rows that carry the side walls.
struct WallCase {
    const char* name;
    friend void PrintTo(const WallCase& c, std::ostream* os) { *os << c.name; }
    int flagWall, flagRoof;
    bool wallLow, wallHigh, roof;
};

class SideWalls : public StartUp, public ::testing::WithParamInterface<WallCase> {};

TEST_P(SideWalls, FollowTheChoice) {
    const WallCase& c = GetParam();
    FlagWall = c.flagWall;
    FlagRoof = c.flagRoof;
    box();
    startup();
    EXPECT_EQ(WallJ[3][2][3], c.wallLow ? 1 : 0);
    EXPECT_EQ(WallJ[3][5][3], c.wallHigh ? -1 : 0);
    EXPECT_EQ(WallK[3][3][5], c.roof ? -1 : 0);
    EXPECT_EQ(WallK[3][3][2], 1);
    EXPECT_EQ(Wall[3][3][5], c.roof ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Choices, SideWalls,
                         ::testing::Values(WallCase{"BothSides", 0, 1, true, true, false},
                                           WallCase{"LowSideOnly", 2, 1, true, false, false},
                                           WallCase{"LeftToTheSolver", 1, 1, false, false, false},
                                           WallCase{"ConduitRoof", 0, 0, true, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUp, BoxesNextToTheWallRowsAndAtTheBedSetNoFlagThere) {
    addBox(3, 3, 4, 3, 4, 2, 3);  // j1 = 3, k1 = 2
    addBox(3, 6, 6, 3, 3, 3, 3);  // k1 = 3
    box(8, 7, 6);
    startup();
    for (int i : {3, 4})
        for (int k : {2, 3}) EXPECT_EQ(WallJ[i][2][k], 1) << "side wall only";  // no -1 from the box
    EXPECT_EQ(WallK[6][3][2], 1);  // the bed flag stays, nothing under the box
    EXPECT_EQ(WallK[3][3][4], 1);  // on top of the first box
}

TEST_F(StartUp, InnerWallsAndColumnsBlockedByG2) {
    MWallNo = 2;
    MWall[1] = {1, -1, 4, 2, 3, 2, 5};  // across i at cell row 4, j 2..3, k 2..5
    MWall[2] = {3, 0, 2, 3, 3, 3, 3};   // removes the bed flag of column (3, 3)
    box(8, 7, 6);
    kblok[5][4] = 0;
    startup();
    for (int j = 2; j <= 3; ++j)
        for (int k = 2; k <= 5; ++k) EXPECT_EQ(WallI[4][j][k], -1);
    EXPECT_EQ(WallI[4][4][3], 0);
    EXPECT_EQ(WallK[3][3][2], 0);
    EXPECT_EQ(Wall[3][3][2], 0);
    EXPECT_EQ(Wall[4][3][2], 1);
    EXPECT_EQ(OBlok[5][4][2], 1);  // the bed cell of a blocked column stays open
    for (int k = 3; k <= 6; ++k) EXPECT_EQ(OBlok[5][4][k], 0);
}

// Box and wall records read before the grid sizes were known may reach past
// the grid; they act on the cells that exist.
TEST_F(StartUp, RecordsPastTheGridActWithinIt) {
    addBox(1, 5, 60, 4, 60, 4, 60);
    MWallNo = 1;
    MWall[1] = {2, -1, 60, 2, 60, 2, 60};
    box();
    startup();
    EXPECT_EQ(OBlok[7][6][6], 0);
    EXPECT_EQ(OBlok[4][6][6], 1);
    EXPECT_EQ(WallI[4][4][4], -1);
}

// The host cells along a joined side wall have no wall; a join whose host
// columns run beyond the grid stays within it.
struct JoinCase {
    const char* name;
    friend void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.name; }
    int start;
    int wallCell;  // j of the host cells
    int firstHost, lastHost;
};

class JoinedWalls : public StartUp, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinedWalls, LoseTheirWall) {
    const JoinCase& c = GetParam();
    TwoBlockGrid g;
    g.start = c.start;
    g.build();
    if (c.lastHost <= g.X()) {
        geometryReady();
    } else {
        // A join the tables refuse (host columns past the grid): without
        // them the joint row keeps its folded cells.
        debugging = 'Q';
        metric();
        std::filesystem::remove("boogie");
    }
    uniformFlow();
    startup();
    const int other = c.wallCell == 2 ? g.Y : 2;
    for (int m = 2; m <= g.mainLines; ++m) {
        const bool host = m >= c.firstHost && m <= c.lastHost;
        EXPECT_EQ(WallJ[m][c.wallCell][3], host ? 0 : (c.wallCell == 2 ? 1 : -1)) << m;
        EXPECT_EQ(WallJ[m][other][3], other == 2 ? 1 : -1) << m;
    }
}

INSTANTIATE_TEST_SUITE_P(Sides, JoinedWalls,
                         ::testing::Values(JoinCase{"RightSide", 3, 2, 3, 5}, JoinCase{"LeftSide", -3, 4, 3, 5},
                                           JoinCase{"BeyondTheGrid", 13, 2, 13, 15}),
                         [](const auto& info) { return std::string(info.param.name); });

// Columns shallow against their plan size are marked for the 2-D treatment.
TEST_F(StartUp, ShallowColumnsAreMarked) {
    twoDratio = 1.5;
    allocateGrid(8, 5, 5);
    fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 0.5}; },
             [](int i, int, int k) { return (k - 1) * (i <= 4 ? 0.5 : 0.25); });
    geometryReady();
    uniformFlow();
    startup();
    EXPECT_EQ(twoD[3][3], 1);  // 2 m deep: 2 / sqrt(0.5) = 2.8
    EXPECT_EQ(twoD[5][3], 1);  // 1.5 m in the mean
    EXPECT_EQ(twoD[6][3], 0);  // 1 m deep: 1.41
    EXPECT_EQ(twoD[1][1], 1);
    EXPECT_EQ(twoD[8][5], 0);
}

// ---------------------------------------------------------------------------
// Roughness.
// ---------------------------------------------------------------------------

double strickler(double m) { return std::pow(26.0 / m, 6); }

TEST_F(StartUp, RoughnessFromTheManningNumbers) {
    box();
    for (int i = 0; i <= xnumber + 1; ++i) ManArray[i] = 40.0 + i;
    startup();
    EXPECT_NEAR(Xks[3][3], strickler(43.0), 1e-15);
    EXPECT_NEAR(Xks[1][2], strickler(41.0), 1e-15);
    EXPECT_NEAR(XksWall, strickler(40.0), 1e-15);
    EXPECT_EQ(XksJ1, XksWall);
    EXPECT_EQ(XksJ2, XksWall);
    // A second new flow field keeps the roughness of each cross-section.
    startup();
    EXPECT_NEAR(Xks[3][3], strickler(43.0), 1e-15);
}

TEST_F(StartUp, GivenWallRoughnessCoversTheBed) {
    XksWall = 0.02;
    XksJ2 = 0.3;
    box();
    startup();
    EXPECT_EQ(Xks[3][3], 0.02);
    EXPECT_EQ(XksJ1, 0.02);
    EXPECT_EQ(XksJ2, 0.3);
}

TEST_F(StartUp, BedRoughnessFile) {
    box();
    writeFile("bedrough", "Roughness of the pier scour (comment text)\nB 5 3 0.05\nB 1 3 0.9\nB 3 1 0.8\n B 4 4 0.07\n");
    startup();
    EXPECT_EQ(Xks[5][3], 0.05);
    EXPECT_EQ(Xks[4][4], 0.07);
    EXPECT_NEAR(Xks[1][3], strickler(kManning), 1e-15);
    EXPECT_NEAR(Xks[3][2], strickler(kManning), 1e-15);
    EXPECT_TRUE(contains(log(), "Have read 2 roughness points from file 'bedrough'\n")) << log();
}

TEST_F(StartUp, BedRoughnessOfZeroOrBelowIsRefused) {
    for (const char* ks : {"0.0", "-0.05", "nan"}) {
        SCOPED_TRACE(ks);
        box();
        writeFile("bedrough", std::string("B 3 3 0.05\nB 4 3 ") + ks + "\n");
        EXPECT_EQ(exitCodeOf(startup), -1);
        const double value = std::strtod(ks, nullptr);
        EXPECT_TRUE(contains(log(), format("Error in file 'bedrough': roughness %e at i = 4, j = 3\n", value))) << log();
    }
}

TEST_F(StartUp, MissingFilesAreOnlyLogged) {
    box();
    startup();
    EXPECT_TRUE(contains(log(), "Did not use file 'bedrough'\n"));
    EXPECT_TRUE(contains(log(), "File 'innflow' not used      \n"));
}

// ---------------------------------------------------------------------------
// Errors and the repeated call.
// ---------------------------------------------------------------------------


TEST_F(StartUp, MirroredGridIsRefused) {
    mirroredBox();
    EXPECT_EQ(exitCodeOf(startup), -5);
    EXPECT_EQ(log(),
              "Error, negative areas for cell i=2, j=2\n"
              "The error can be suppressed by specifying a Q on the F 1 data set.\n"
              "However, the grid cell is distorted and computations using this grid will not run.\n");
}

TEST_F(StartUp, MirroredGridPassesWithF1Q) {
    debugging = 'Q';
    mirroredBox();
    EXPECT_EQ(exitCodeOf(startup), kNoExit);
    EXPECT_TRUE(contains(log(), "Relaxation: "));
}

// Once the flow field exists the plan areas are not checked again.
TEST_F(StartUp, MirroredGridIsNotCheckedOnceTheFlowFieldExists) {
    debugging = 'Q';
    mirroredBox();
    startup();
    debugging = 'N';
    FlagInitialized = 1;
    EXPECT_EQ(exitCodeOf(startup), kNoExit);
    EXPECT_EQ(exitCodeOf([] { FlagInitialized = 0; startup(); }), -5);
}

TEST_F(StartUp, UnallocatedArraysEndTheRun) {
    EXPECT_EQ(exitCodeOf(startup), -3);
    EXPECT_EQ(log(), "Error: In sinit: have not allocated arrays\n");
}

TEST_F(StartUp, UnopenableLogEndsTheRunUntouched) {
    box();
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(startup), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    EXPECT_EQ(kinen[1][3][3], 0.0);
}

// With the flow field in place, only what depends on the grid and the
// parameters is built again.
TEST_F(StartUp, SecondCallRenewsOnlyGridAndParameterState) {
    box(8, 7, 6);
    writeFile("innflow", "E 3 3 0.7 0 0\n");
    startup();
    const double scaled = xvel[1][4][4];
    xvel[4][4][4] = 9.0;
    kinen[4][4][4] = 9.0;
    Pres[4][4][4] = 9.0;
    Xks[4][4] = 9.0;
    D90a[4][4] = 9.0;
    zvel[1][4][4] = 9.0;
    FlagInitialized = 1;
    addBox(1, 4, 5, 4, 5, 3, 4);
    relax[1] = 0.3;
    discharge *= 2;
    std::filesystem::remove("boogie");
    startup();
    EXPECT_EQ(xvel[4][4][4], 9.0);
    EXPECT_EQ(kinen[4][4][4], 9.0);
    EXPECT_EQ(Pres[4][4][4], 9.0);
    EXPECT_EQ(Xks[4][4], 9.0);
    EXPECT_EQ(D90a[4][4], 9.0);
    EXPECT_EQ(zvel[1][4][4], 9.0);
    EXPECT_EQ(xvel[1][4][4], scaled);  // not scaled to the new discharge
    EXPECT_EQ(xvel[1][3][3], 0.7);
    EXPECT_EQ(OBlok[4][4][3], 0);
    EXPECT_EQ(WallI[3][4][3], -1);
    EXPECT_EQ(relaxationFactorsOfK3().velocity, 0.3);
    // The inflow normaliser follows the current inflow.
    EXPECT_NEAR(NormResidual[4], 1000 * inflowFlux(), 1e-9);
    EXPECT_EQ(log(), "IONo = 0\nRelaxation: 0.300000 0.200000 0.500000 0.500000\n");
}

}  // namespace
