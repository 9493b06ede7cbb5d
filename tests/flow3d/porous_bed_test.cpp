// Porous bed zones: the reader of `porosity` (records, character limit,
// roughness zones, checks, failures), the zones of a moving bed, and the
// terms of u, v, w, k and epsilon at single cells of a zone.
#include <cmath>
#include <string>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/kread.h"
#include "run/reset.h"
#include "equations/workspace.h"
#include "flow3d/porous.h"
#include "grid/grid.h"
#include "flow3d/zone_box.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// Box of 4 x 4 columns of 1 m x 1 m, five layers of 0.25 m: the top faces of
// cells k = 2..6 lie at 0.25, 0.5, 0.75, 1.0, 1.25; the bed-cell half height
// (blevel) is 0.125.
constexpr int X = 4, Y = 4, Z = 6;

class PorousBed : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        prepare();
    }
    // The engine and the working directory as at the start of the test.
    static void fresh() {
        resetEngine();
        for (const char* name : {"boogie", "porosity", "vegdata"}) std::filesystem::remove(name);
        prepare();
    }
    static void prepare() {
        setParameterDefaults();
        FlagBedPoros = 1;
        zoneBox(X, Y, Z, 1.0);
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) {
                Xks[i][j] = 0.05;
                for (int k = 0; k <= Z + 1; ++k) kinen[i][j][k] = 0.01;
            }
        std::filesystem::remove("boogie");
    }

    void TearDown() override { resetEngine(); }

    static void clearEquation() {
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        std::fill(source.data(), source.data() + source.size(), 0.0);
    }
    static void run(int equation) {
        Equation = equation;
        clearEquation();
        extra_source();
    }
    static double L(int i, int j, int m) { return LevPorosBed[i][j][m]; }
    static double P(int i, int j, int m) { return PorosityBed[i][j][m]; }
    static std::string boogie() { return readFile("boogie"); }
};

// Levels 0, 0.3, 0.6, 0.75 and porosities 0.4, 0.5, 0.6, 0.8 in column (2, 2).
const char* kZone = "P 2 2 0 0.3 0.6 0.75 0.4 0.5 0.6 0.8\n";

TEST_F(PorousBed, RecordsReplaceRaiseAndReport) {
    writeFile("porosity",
              "zone file\n"
              "P 1 2 9 9 9 9 0.1 0.1 0.1 0.1\n"      // i = 1: passed over as text
              "P 3 5 9 9 9 9 0.1 0.1 0.1 0.1\n"      // j = ynumber + 1 too
              "P 3 3 0 0.1 0.2 0.3 0.5 0.5 0.5 0.5\n"
              "P 3 3 0 0.2 0.4 0.6 0 0.5 0.7 1.5\n"  // replaces the record before
              "P 2 3 0 0.1 0.1 0.2 0.5 0.5 0.5 0.5\n");
    run(7);
    EXPECT_EQ(FlagInitPoros, 1);
    const double levels[] = {0, 0.2, 0.4, 0.6}, porosities[] = {MinPorosity, 0.5, 0.7, 1.5};
    for (int m = 0; m < 4; ++m) {
        EXPECT_DOUBLE_EQ(L(3, 3, m), levels[m]) << m;
        EXPECT_DOUBLE_EQ(P(3, 3, m), porosities[m]) << m;
        EXPECT_DOUBLE_EQ(L(2, 2, m), 0.0) << m;  // no record: flat at the bed node,
        EXPECT_DOUBLE_EQ(P(2, 2, m), 1.0) << m;  // porosity 1
        EXPECT_DOUBLE_EQ(L(4, 4, m), 0.0) << m;  // the ignored record's column
    }
    EXPECT_DOUBLE_EQ(L(2, 3, 3), 0.2);  // equal levels are in order
    const std::string log = boogie();
    EXPECT_NE(log.find("Error, PorosityBed(3,3,3)=1.500000\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("PorosityBed(3,3,0)"), std::string::npos) << log;  // 0 is inside 0..1
    EXPECT_NE(log.find("Have read porosity file\n"), std::string::npos);
    EXPECT_EQ(log.find("Warning"), std::string::npos) << log;
}

// The reader looks at 20 X Y - 1 = 319 characters; the numbers of a record
// do not count, those of an ignored record are text and count.
TEST_F(PorousBed, IgnoredRecordsCountTowardsTheCharacterLimit) {
    std::string padded;
    for (int n = 0; n < 8; ++n) padded += " 0.25" + std::string(40, '0');  // 8 x 45 characters
    const std::string later = "\nP 3 3 0 0.2 0.4 0.6 0.5 0.5 0.5 0.5\n";
    for (const bool ignored : {false, true}) {
        fresh();
        writeFile("porosity", std::string(ignored ? "P 1 2" : "P 2 2") + padded + later);
        run(7);
        EXPECT_EQ(L(3, 3, 3), ignored ? 0.0 : 0.6) << ignored;
        EXPECT_EQ(L(2, 2, 3), ignored ? 0.0 : 0.25) << ignored;
    }
}

// A roughness above twice blevel (0.25) is lowered; a roughness thicker than
// the zone makes a zone of its own.
TEST_F(PorousBed, RoughnessLoweredAndZoneRebuilt) {
    writeFile("porosity", "P 2 2 0 0.1 0.2 0.5 0.4 0.5 0.6 0.9\n"
                          "P 2 3 0 0.1 0.2 0.3 0.4 0.5 0.6 0.9\n");
    Xks[2][2] = 0.4;  // lowered, the zone (0.5 thick) stays
    Xks[2][3] = 0.4;  // lowered, the zone (0.3 thick) is rebuilt
    Xks[3][3] = 0.6;  // no record: a zone of thickness 0.6
    Xks[4][4] = 0.2;  // kept
    run(7);
    EXPECT_DOUBLE_EQ(Xks[2][2], 0.25);
    EXPECT_DOUBLE_EQ(Xks[2][3], 0.25);
    EXPECT_DOUBLE_EQ(Xks[3][3], 0.25);
    EXPECT_DOUBLE_EQ(Xks[4][4], 0.2);
    EXPECT_DOUBLE_EQ(L(2, 2, 3), 0.5);
    const struct {
        int i, j;
        double ks, P3;
    } rebuilt[] = {{2, 3, 0.4, 0.9}, {3, 3, 0.6, 1.0}};
    for (const auto& c : rebuilt) {
        const double levels[] = {0, 0.33 * c.ks, 0.67 * c.ks, c.ks};
        const double porosities[] = {MinPorosity, RoughPoros1, RoughPoros2, c.P3};
        for (int m = 0; m < 4; ++m) {
            EXPECT_DOUBLE_EQ(L(c.i, c.j, m), levels[m]) << c.i << c.j << m;
            EXPECT_DOUBLE_EQ(P(c.i, c.j, m), porosities[m]) << c.i << c.j << m;
        }
    }
}

TEST_F(PorousBed, LevelsOutOfOrderEndAndPorositiesOutOfOrderWarn) {
    writeFile("porosity", "P 3 2 0 0.3 0.2 0.5 0.9 0.5 0.6 0.9\n");
    EXPECT_EQ(exitCodeOf([] { run(1); }), -3);
    EXPECT_NE(boogie().find("Error in levels of porosity, i,j,k=3 2 2\nValues : 2.000000e-01 < 3.000000e-01\n"),
              std::string::npos)
        << boogie();

    fresh();
    writeFile("porosity", "P 3 2 0 0.3 0.4 0.5 0.9 0.5 0.6 0.9\n");
    EXPECT_EQ(exitCodeOf([] { run(1); }), kNoExit);
    EXPECT_NE(boogie().find("Warning,  in porosity values, i,j,k=3 2 1\nValues : 5.000000e-01 < 9.000000e-01\n"),
              std::string::npos)
        << boogie();
}

TEST_F(PorousBed, MissingFileAndMissingLetterEndTheRun) {
    EXPECT_EQ(exitCodeOf([] { run(1); }), -7);
    EXPECT_EQ(boogie(), "Error, cannot open file 'porosity' ");

    std::filesystem::remove("boogie");
    writeFile("porosity", kZone);
    FlagBedPoros = 0;
    EXPECT_EQ(exitCodeOf([] { run(1); }), -6);
    EXPECT_EQ(boogie(), "Error, bed porosity attempted calcualted when\nF 7 data set not marked by P\n");
}

// The terms are never dropped for want of a log: the run ends.
TEST_F(PorousBed, UnopenableLogEndsTheRun) {
    writeFile("porosity", kZone);
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf([] { run(1); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

// A moving bed (F 37 1): every u call builds the zones three bed-cell half
// heights deep below the target bed; without a file the first call for
// another equation ends the run.
TEST_F(PorousBed, MovingBedRebuildsTheZonesAtEveryUCall) {
    FlagTSC = 1;
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) zval[i][j][0] = 0.5;
    EXPECT_EQ(exitCodeOf([] { run(1); }), kNoExit);
    const double levels[] = {0.125, 0.25, 0.375, 0.5}, porosities[] = {MinPorosity, RoughPoros1, RoughPoros2, 1.0};
    for (int m = 0; m < 4; ++m) {
        EXPECT_DOUBLE_EQ(L(3, 3, m), levels[m]);
        EXPECT_DOUBLE_EQ(P(3, 3, m), porosities[m]);
    }
    EXPECT_GT(wap[3][3][2], 0.0);  // the zone acts at once
    EXPECT_EQ(FlagInitPoros, 0);
    EXPECT_EQ(exitCodeOf([] { run(5); }), -7);

    // With the file: read at the first call, then replaced at the next u call.
    fresh();
    FlagTSC = 1;
    writeFile("porosity", kZone);
    run(1);
    EXPECT_DOUBLE_EQ(L(2, 2, 3), 0.75);
    run(2);
    EXPECT_DOUBLE_EQ(L(2, 2, 3), 0.75);
    run(1);
    EXPECT_DOUBLE_EQ(L(2, 2, 3), 0.0);  // the target bed (0 here)
}

// Cell (2, 2, 2) of kZone: top face 0.25 in the interval L0..L1, weight
// w = 0.05 / (0.3 - 1e-6), porosity n = 0.4 w + 0.5 (1 - w); grain lengths by
// DiamPoros with ks 0.05, blevel 0.125, L1 - L0 = 0.3.
TEST_F(PorousBed, ResistanceByGrainLengthAndSplit) {
    writeFile("porosity", kZone);
    const double w = 0.05 / (0.3 - 1e-6), n = 0.4 * w + 0.5 * (1.0 - w);
    const double perLength = 3000.0 * (1.0 - n) / (n * n * n + 1e-7) * 2.0 * 1.0 * 0.125 * 0.5;  // R d at u = 0.5
    const struct {
        int code;
        double d;
    } grains[] = {{0, 0.3}, {1, 0.099}, {2, 0.25}, {3, 0.3}, {4, 0.125}, {5, 0.05}, {6, 0.05}, {7, 0.05}};
    for (const auto& g : grains) {
        DiamPoros = g.code;
        RelaxPorosity = 2.0;
        run(1);
        const double R = perLength / g.d;
        EXPECT_NEAR(wap[2][2][2], 2.0 * R, 1e-9 * R) << g.code;
        EXPECT_NEAR(source[2][2][2], R * 0.5, 1e-9 * R) << g.code;
    }
    DiamPoros = 5;
    const double R = perLength / 0.05;
    const struct {
        double relax, wap, source;
    } splits[] = {{1.0, R, 0.0}, {0.0, 0.0, -R * 0.5}, {2.0, 2.0 * R, R * 0.5}};
    for (const auto& s : splits) {
        RelaxPorosity = s.relax;
        run(1);
        EXPECT_NEAR(wap[2][2][2], s.wap, 1e-9 * R) << s.relax;
        EXPECT_NEAR(source[2][2][2], s.source, 1e-9 * R) << s.relax;
    }
    // The absolute value keeps R positive for a negative velocity (v = -0.2).
    RelaxPorosity = 1.0;
    run(2);
    EXPECT_NEAR(wap[2][2][2], perLength / 0.05 * 0.2 / 0.5, 1e-9 * R);
}

// kZone's L3 = 0.75 is the top face of cell 4: outside for u, v, w and k,
// inside for epsilon. Cell 3 is the topmost porous cell below open water.
TEST_F(PorousBed, TopOfTheZoneAndItsWallTerms) {
    writeFile("porosity", kZone);
    const double K = 0.01, ln30 = std::log(30.0);
    for (int eq : {1, 2, 3}) {
        run(eq);
        EXPECT_NEAR(wap[2][2][3], 31.62 * 0.4 * 1.0 * std::sqrt(300.0 * K) / ln30, 1e-12) << eq;
        EXPECT_EQ(source[2][2][3], 0.0) << eq;
        EXPECT_EQ(wap[2][2][4], 0.0) << eq;
        EXPECT_GT(wap[2][2][2], 0.0) << eq;
        EXPECT_EQ(wap[3][3][2], 0.0) << eq;  // no zone in column (3, 3)
    }
    run(5);
    const double Lw = ln30 / 0.4, V2 = 0.25 + 0.04 + 0.01, hc = 0.25, vol = Volume[2][2][3];
    EXPECT_NEAR(wap[2][2][3], 164.3 * std::sqrt(K) * Lw / hc * vol, 1e-9);
    EXPECT_NEAR(source[2][2][3], 31.62 * std::sqrt(300.0 * K) / Lw * V2 / hc * vol, 1e-9);
    EXPECT_EQ(wap[2][2][4], 0.0);
    EXPECT_EQ(wap[2][2][2], 1e30);
    EXPECT_DOUBLE_EQ(source[2][2][2] / wap[2][2][2], 0.02);  // k fixed at 0.02
    run(6);
    for (int k = 2; k <= 4; ++k) {
        EXPECT_EQ(wap[2][2][k], 1e30) << k;
        EXPECT_DOUBLE_EQ(source[2][2][k] / wap[2][2][k], 0.1643168 * K * std::sqrt(K) / (0.4 * 0.25)) << k;
    }
    EXPECT_EQ(wap[2][2][5], 0.0);
}

// A zone above the surface: the top cell takes the resistance and k fixed,
// no cell the wall terms; epsilon stops at the top cell.
TEST_F(PorousBed, ZoneUpToTheTopCellHasNoWallFriction) {
    writeFile("porosity", "P 2 2 0 0.5 1.0 2.0 0.4 0.5 0.6 0.8\n");
    run(1);
    for (int k = 2; k <= Z; ++k) {
        EXPECT_GT(wap[2][2][k], 0.0) << k;
        EXPECT_NEAR(source[2][2][k], 0.5 * 0.5 * wap[2][2][k], 1e-9 * wap[2][2][k]) << k;  // resistance, Relax 2
    }
    run(5);
    for (int k = 2; k <= Z; ++k) EXPECT_EQ(wap[2][2][k], 1e30) << k;
    run(6);
    for (int k = 2; k <= Z; ++k) EXPECT_EQ(wap[2][2][k], 1e30) << k;
    EXPECT_EQ(wap[2][2][Z + 1], 0.0);
}

}  // namespace
