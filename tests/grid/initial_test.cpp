// Initial water surface of an open channel by the backwater computation,
// and the initial velocities, diffusivity and bed shear.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr double kQ = 5.0, kManning = 40.0;

class InitialState : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        discharge = kQ;
        std::memset(run, ' ', sizeof run);
    }
    // Builds the channel, sets the downstream depth and lists the cross-sections.
    void build(double downstreamDepth, const std::vector<int>& sections) {
        ch.build();
        level = ch.bed(ch.X) + downstreamDepth;
        for (int i = 0; i <= ch.X + 1; ++i) ManArray[i] = kManning;
        initnumber = static_cast<int>(sections.size());
        for (int e = 1; e <= initnumber; ++e) initarray[e] = sections[e - 1];
    }
    std::vector<int> everyLine() const {
        std::vector<int> v;
        for (int i = 1; i <= ch.X; ++i) v.push_back(i);
        return v;
    }
    // Manning normal depth of the wide rectangular channel, with the literal
    // exponents of the backwater step (the perimeter is the bed line alone, so R = h).
    double normalDepth() const {
        return std::pow(kQ * kQ / (ch.width * ch.width * kManning * kManning * ch.slope), 1.0 / (2.0 + 1.333));
    }
    // The levels of the "Waterlevel" lines, by cross-section.
    std::map<int, double> waterLevels() const {
        std::map<int, double> levels;
        for (const std::string& line : readLines("boogie")) {
            double h;
            int i;
            if (std::sscanf(line.c_str(), "Waterlevel = %lf meters for cross-section i = %d", &h, &i) == 2) levels[i] = h;
        }
        return levels;
    }
    Channel ch;
};

TEST_F(InitialState, NormalDepthDownstreamKeepsNormalDepthEverywhere) {
    const double hn = normalDepth();
    build(hn, {1, 3, 5, 7, 9, 11});
    initial();

    const auto levels = waterLevels();
    ASSERT_EQ(levels.size(), 10u);
    for (const auto& [i, h] : levels) EXPECT_NEAR(h - ch.bed(i), hn, 1e-3) << "cross-section " << i;

    // Every cell row flows at Q / (B h), and its profile has that area-weighted mean.
    int rows = 0;
    for (const std::string& line : readLines("boogie")) {
        int i;
        double v, rad, korr, wl;
        if (std::sscanf(line.c_str(), " i=%d, v=%le, rad=%le, korr=%le, wl. = %lf", &i, &v, &rad, &korr, &wl) != 5) continue;
        ++rows;
        EXPECT_NEAR(v, kQ / (ch.width * hn), 1e-3) << "row " << i;
        EXPECT_NEAR(rad, hn, 1e-3) << "row " << i;
    }
    EXPECT_EQ(rows, ch.X);
    for (int i : {2, 6, 11}) {
        double a = 0.0, au = 0.0;
        for (int j = 2; j <= ch.Y; ++j)
            for (int k = 2; k <= ch.Z; ++k) {
                const double w = (m_ar_x[i - 1][j][k] + m_ar_x[i][j][k]) / 2;
                a += w;
                au += w * xvel[i][j][k];
            }
        EXPECT_NEAR(au / a, avvelocity[i], 1e-12);
    }
    // Uniform flow: the friction slope is the bed slope, the bed shear rho g R S.
    EXPECT_NEAR(grade[6], ch.slope, 2e-5);
    EXPECT_NEAR(bedshear[6][3], 9810.0 * hn * ch.slope, 0.01 * 9810.0 * hn * ch.slope);
    // The top cell takes the full mixing-length viscosity 0.11 D u*.
    EXPECT_NEAR(diff[6][3][ch.Z], 0.11 * hn * std::sqrt(9.81 * hn * ch.slope), 1e-3 * diff[6][3][ch.Z]);
    EXPECT_EQ(zvel[6][3][3], 0.0);
    EXPECT_EQ(yvel[6][3][3], 0.0);
    EXPECT_STREQ(mc_message, "Initiation terminated ok");
    const std::string log = readFile("boogie");
    EXPECT_EQ(log.substr(0, 25), " In initial - velocity \n\n");
    EXPECT_NE(log.find("Before calling metric\nAfter calling gridchange/metric\nAfter fourth loop\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 33), "After fifth loop\nEnd of initial\n\n");
}

// Depth of each computed cross-section, upstream first.
std::vector<double> depthsUpstreamFirst(const std::map<int, double>& levels, const Channel& ch) {
    std::vector<double> d;
    for (const auto& [i, h] : levels) d.push_back(h - ch.bed(i));
    return d;
}

TEST_F(InitialState, DeepDownstreamLevelGivesAnM1Curve) {
    ch.X = 21;
    ch.dx = 20.0;
    const double hn = normalDepth();
    build(hn + 0.3, everyLine());
    initial();
    const auto d = depthsUpstreamFirst(waterLevels(), ch);
    ASSERT_EQ(d.size(), 20u);
    for (std::size_t n = 0; n + 1 < d.size(); ++n) EXPECT_LT(d[n], d[n + 1]) << n;  // shallower going upstream
    EXPECT_GT(d.front(), hn);
    EXPECT_LT(d.front(), hn + 0.3 - 0.05);
}

TEST_F(InitialState, ShallowDownstreamLevelGivesAnM2Curve) {
    ch.X = 21;
    ch.dx = 20.0;
    const double hn = normalDepth();
    build(0.7, everyLine());  // between critical (0.47 m) and normal depth
    initial();
    const auto d = depthsUpstreamFirst(waterLevels(), ch);
    ASSERT_EQ(d.size(), 20u);
    for (std::size_t n = 0; n + 1 < d.size(); ++n) EXPECT_GT(d[n], d[n + 1]) << n;  // deeper going upstream
    EXPECT_LT(d.front(), hn);
    EXPECT_GT(d.front(), 0.7 + 0.05);
    EXPECT_EQ(readFile("boogie").find("Critical level"), std::string::npos);
}

// On a steep channel a downstream level just above critical depth leaves the
// next cross-section upstream below its critical area at the first trial
// level: that reach takes the critical step and logs it.
TEST_F(InitialState, SteepReachBelowItsCriticalAreaTakesTheCriticalStep) {
    ch.slope = 0.02;  // normal depth 0.35 m, critical depth 0.47 m
    build(0.5, everyLine());
    EXPECT_EQ(exitCodeOf(initial), kNoExit);
    const double Ac = std::pow(kQ * kQ * ch.width / 9.81, 0.33333);
    // The trial level is the downstream level: 0.3 m deep 10 m upstream.
    char line[100];
    std::snprintf(line, sizeof line, "Critical level:area,critarea,crossnr=%e %e %d\n", ch.width * 0.3, Ac, ch.X - 1);
    EXPECT_NE(readFile("boogie").find(line), std::string::npos) << readFile("boogie");
}

struct FailureCase {
    const char* name;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
    std::vector<int> sections;
    void (*spoil)(const Channel&);  // changes the input after the channel is built
    int code;
    const char* logTail;  // the text that ends `boogie` (or, with `contains`, appears in it)
    bool contains;
    const char* message;  // mc_message afterwards
};

class InitialFailure : public InitialState, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(InitialFailure, EndsWithItsLinesAndCode) {
    const FailureCase& c = GetParam();
    build(0.9, c.sections);
    if (c.spoil) c.spoil(ch);
    EXPECT_EQ(exitCodeOf(initial), c.code);
    const std::string log = readFile("boogie");
    const std::string tail = c.logTail;
    if (c.contains) {
        EXPECT_NE(log.find(tail), std::string::npos) << log;
    } else {
        ASSERT_GE(log.size(), tail.size()) << log;
        EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    }
    EXPECT_STREQ(mc_message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, InitialFailure,
    ::testing::Values(
        FailureCase{"RepeatedCrossSection", {1, 5, 5, 11}, nullptr, -3,
                    "Error in initiation of water surface,  Crossnr=crossfor for i=5\n", false,
                    " Crossnr=crossfor for i=5"},
        FailureCase{"CrossSectionsOutOfOrder", {5, 3}, nullptr, -3,
                    " Error in initiating velocities\nThe points (5,4) and (6,4) are too close\n", false,
                    " Errror in initating velocities"},
        FailureCase{"ReachTooShort", {4, 5, 11},
                    [](const Channel& ch) {
                        for (int j = 1; j <= ch.Y; ++j) xval[5][j] = xval[4][j];
                    },
                    -3, " Error in initiating velocities\nThe points (5,4) and (6,4) are too close\n", false,
                    " Errror in initating velocities"},
        FailureCase{"LevelBelowEveryBed", {1, 6, 11}, [](const Channel&) { level = -1.0; }, -1,
                    "Error in initialization of water surface, section 6.\n"
                    "Increase the downstream water surface or\n"
                    "increase the number of cross-sections for\n"
                    "calculation of water surface or decrease the\n"
                    "Manning's M value(s)\n",
                    false, "Initializing flow parameters"},
        // A negative friction slope has no backwater level: the run ends as a failure.
        FailureCase{"NegativeFrictionSlope", {1, 6, 11}, [](const Channel&) { ManArray[6] = -kManning; }, -3,
                    "Error in initiation of velocities-1\nCrossnr = 6, grade = -", true, "Error for v-init     "},
        // Upstream of the first listed cross-section the grid file's columns hold no water.
        FailureCase{"Island", {6, 11},
                    [](const Channel& ch) {
                        for (int i = 1; i <= 5; ++i)
                            for (int j = 1; j <= ch.Y; ++j)
                                for (int k = 1; k <= ch.Z; ++k) zval[i][j][k] = ch.bed(i);
                    },
                    -3,
                    " Error in geometry, island\n Cell i=1, j=2, depth=0.000000 meters.\n"
                    " This error may occur if you don't have any G 3 data set in the control file\n"
                    " It may also occur if the water level is below or at the bed\n",
                    false, " Error in geometry, island"},
        // The bed layer of every column has no height.
        FailureCase{"BedCellWithoutHeight", {1, 6, 11},
                    [](const Channel& ch) {
                        for (int i = 1; i <= ch.X; ++i)
                            for (int j = 1; j <= ch.Y; ++j) zval[i][j][2] = zval[i][j][1];
                    },
                    24, "error in sixth loop initial-v:\ni=1 j=2 k=2\n", false, "Initializing flow parameters"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InitialState, UnwritableLogEndsWithMinusThree) {
    build(0.9, {1, 11});
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(initial), -3);
    EXPECT_STREQ(mc_message, "Error: cannot open file 'boogie'");
}

TEST_F(InitialState, IslandNamesTheCellInTheStatusLine) {
    build(0.9, {6, 11});
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= ch.Y; ++j)
            for (int k = 1; k <= ch.Z; ++k) zval[i][j][k] = ch.bed(i);
    EXPECT_EQ(exitCodeOf(initial), -3);
    EXPECT_STREQ(mc_v1, " i=1, j=2, depth=0.00");
}

// Cross-sections upstream of the first listed one keep the grid's surface and
// take the hydraulics of the first computed cross-section.
TEST_F(InitialState, SectionsUpstreamOfTheListTakeTheFirstComputedValues) {
    build(0.9, {6, 11});
    initial();
    const auto levels = waterLevels();
    EXPECT_EQ(levels.begin()->first, 6);
    for (int i = 1; i <= 5; ++i) EXPECT_NEAR(zval[i][3][ch.Z], ch.bed(i) + ch.depth, 1e-12);
    for (int i = 0; i <= ch.X + 1; ++i) {
        EXPECT_TRUE(std::isfinite(radius[i]) && radius[i] > 0) << i;
        EXPECT_TRUE(std::isfinite(grade[i]) && grade[i] > 0) << i;
    }
    for (int i = 1; i <= ch.X; ++i)
        for (int j = 2; j <= ch.Y; ++j)
            for (int k = 2; k <= ch.Z; ++k) {
                ASSERT_TRUE(std::isfinite(xvel[i][j][k]) && xvel[i][j][k] > 0) << i << " " << j << " " << k;
                ASSERT_TRUE(std::isfinite(diff[i][j][k])) << i << " " << j << " " << k;
            }
}

// A listed cross-section with a column whose nodes all lie at its bed: the
// column is spread evenly up to the new surface.
TEST_F(InitialState, ColumnWithoutDepthIsSpreadToTheSurface) {
    build(normalDepth(), {1, 6, 11});
    for (int k = 1; k <= ch.Z; ++k) zval[6][3][k] = ch.bed(6);
    initial();
    const double h = zval[6][2][ch.Z];
    for (int k = 1; k <= ch.Z; ++k)
        EXPECT_NEAR(zval[6][3][k], ch.bed(6) + (h - ch.bed(6)) * (k - 1) / (ch.Z - 1), 1e-12) << k;
}

// Without discharge the water stands level at the downstream level, at rest.
TEST_F(InitialState, StillWaterStandsLevelAndAtRest) {
    discharge = 0.0;
    build(0.9, {1, 6, 11});
    initial();
    for (const auto& [i, h] : waterLevels()) EXPECT_NEAR(h, level, 1e-12) << i;
    for (int i = 1; i <= ch.X; ++i)
        for (int j = 2; j <= ch.Y; ++j)
            for (int k = 2; k <= ch.Z; ++k) ASSERT_EQ(xvel[i][j][k], 0.0) << i << " " << j << " " << k;
    EXPECT_EQ(bedshear[5][3], 0.0);
}

// A downstream cross-section whose bank lies above the water: the nodes of
// that column are lowered into a thin layer below the surface.
TEST_F(InitialState, DryBankIsFilledAndCounted) {
    debugging = 'D';
    build(0.9, {1, 11});
    for (int k = 0; k <= ch.Z; ++k) zval[5][1][k] = ch.bed(5) + 5.0;
    initial();
    const double h5 = waterLevels().at(5);
    const double fill = 0.015 * (ch.X - 1) * ch.dx / ch.X;
    EXPECT_NEAR(zval[5][1][1], h5 - fill, 1e-6);  // h5 as logged, to 6 decimals
    EXPECT_NEAR(zval[5][1][ch.Z], h5, 1e-6);
    const std::string log = readFile("boogie");
    char line[120];
    std::snprintf(line, sizeof line, "Warning, dry corner at (5,1), waterlevel; %lf m, bed: %lf m\n", h5, ch.bed(5) + 5.0);
    EXPECT_NE(log.find(line), std::string::npos);
    EXPECT_NE(log.find("\nWarning: Number of dry points in the geometry: 1\nEnd of initial\n\n"), std::string::npos);
}

// On a channel turned by 30 degrees the inflow cells point along the grid
// lines; with F 7 I every cell keeps its velocity along x.
TEST_F(InitialState, InflowCellsFollowTheGridLines) {
    for (int flag : {0, 1}) {
        SetArraysZero();
        FlagInflowDirection = flag;
        build(0.9, {1, 11});
        const double c = std::cos(std::numbers::pi / 6), s = std::sin(std::numbers::pi / 6);
        for (int i = 1; i <= ch.X; ++i)
            for (int j = 1; j <= ch.Y; ++j) {
                const double x = xval[i][j], y = yval[i][j];
                xval[i][j] = c * x - s * y;
                yval[i][j] = s * x + c * y;
            }
        initial();
        const double speed = std::hypot(xvel[1][3][3], yvel[1][3][3]);
        EXPECT_GT(speed, 0.5);
        if (flag == 0) {
            EXPECT_NEAR(xvel[1][3][3], speed * c, 1e-12);
            EXPECT_NEAR(yvel[1][3][3], speed * s, 1e-12);
        } else {
            EXPECT_EQ(yvel[1][3][3], 0.0);
        }
        EXPECT_EQ(yvel[2][3][3], 0.0);
    }
}

// With V in the run string the surface is computed and the flow field left alone.
TEST_F(InitialState, RunLetterVRecomputesTheSurfaceOnly) {
    build(normalDepth(), {1, 6, 11});
    for (int j = 2; j <= ch.Y; ++j)
        for (int k = 2; k <= ch.Z; ++k) xvel[4][j][k] = 7.0;
    run[1] = 'V';
    IterF2 = 1;
    FlagRoof = 1;
    runTasks = defaultRunTasks();
    runStringLoop();
    const std::string log = readFile("boogie");
    EXPECT_EQ(log.substr(0, 25), " In initial - velocity \n\n");
    EXPECT_EQ(waterLevels().size(), 10u);
    EXPECT_EQ(log.find("After calling gridchange/metric"), std::string::npos);
    EXPECT_EQ(xvel[4][3][3], 7.0);
    EXPECT_NEAR(zval[4][3][ch.Z] - ch.bed(4), normalDepth(), 1e-3);
}

// The bed changes of an earlier run move the bed, and the surface is
// computed again on the moved bed.
TEST_F(InitialState, BedLogOfAnEarlierRunIsReplayed) {
    build(0.9, {1, 6, 11});
    for (int i = 0; i <= ch.X + 1; ++i)
        for (int j = 0; j <= ch.Y + 1; ++j) Surfaces[3][i][j] = -100.0;
    std::string log = "T  3600.000000 seconds\n\n";
    char record[80];
    for (int i = 2; i <= ch.X; ++i)
        for (int j = 2; j <= ch.Y; ++j) {
            std::snprintf(record, sizeof record, "a %4d %4d %9.6lf %5.3lf \n", i, j, 0.05, 1.0);
            log += record;
        }
    writeFile("loggfil.pre", log + "\n\n");
    initial();
    const std::string boogie = readFile("boogie");
    EXPECT_NE(boogie.find("\nLoggfile, time = 3600.000000 \n\n"), std::string::npos);
    EXPECT_EQ(waterLevels().size(), 10u);
    int lines = 0;
    for (std::size_t at = boogie.find("Waterlevel"); at != std::string::npos; at = boogie.find("Waterlevel", at + 1))
        ++lines;
    EXPECT_EQ(lines, 20);  // both passes
    for (int i = 1; i <= ch.X; ++i)
        for (int j = 1; j <= ch.Y; ++j) {
            ASSERT_NEAR(zval[i][j][0], ch.bed(i) + 0.05, 1e-12) << i << " " << j;
            ASSERT_NEAR(zval[i][j][1], ch.bed(i) + 0.05, 1e-12) << i << " " << j;
        }

    // Run letter V computes the initial state again: the bed keeps the changes
    // once, and the surface is computed in one pass.
    std::filesystem::remove("boogie");
    initial();
    lines = 0;
    const std::string again = readFile("boogie");
    for (std::size_t at = again.find("Waterlevel"); at != std::string::npos; at = again.find("Waterlevel", at + 1))
        ++lines;
    EXPECT_EQ(lines, 10);
    EXPECT_EQ(again.find("Loggfile"), std::string::npos);
    for (int i = 1; i <= ch.X; ++i)
        for (int j = 1; j <= ch.Y; ++j) ASSERT_NEAR(zval[i][j][0], ch.bed(i) + 0.05, 1e-12) << i << " " << j;
}

}  // namespace
