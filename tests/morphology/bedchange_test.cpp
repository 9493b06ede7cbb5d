// The bed-level update: spreading of the cell changes over the corner nodes
// within their limits, the column re-stretch, the smoothing, the pressure
// shift and the bed-change log with its replay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class BedChange : public sedtest::SedimentTest {
protected:
    // The straight channel (xnumber 9, ynumber 5, znumber 7, 0.6 m deep, top
    // at 0.6 m) with the bed as read, 10 m of erodible bed and no change.
    void SetUp() override {
        SedimentTest::SetUp();
        straightChannel(0.0);
        readBed(10.0);
        TSCMinDepth = 0.01;
        FlagTSC = 2;  // neither log nor pressure shift unless a test asks
    }
    static void readBed(double erodible) {
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) {
                Surfaces[0][i][j] = Surfaces[1][i][j] = zval[i][j][1];
                Surfaces[3][i][j] = zval[i][j][1] - erodible;
            }
    }
    static void clearChanges() {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) bedlevchange[0][i][j] = 0.0;
    }
    // Bed volume between the targets and the read bed over the bed cells.
    static double bedVolume() {
        double v = 0.0;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                double sum = 0.0;
                for (const auto& c : {std::pair{i, j}, {i, j - 1}, {i - 1, j - 1}, {i - 1, j}})
                    sum += zval[c.first][c.second][0] - Surfaces[0][c.first][c.second];
                v += 0.25 * m_armap[i][j] * sum;
            }
        return v;
    }
    static double target(int i, int j) { return zval[i][j][0]; }
};

// Every cell within all limits: each node's target moves by the area-weighted
// mean of its cells' changes, the bed volume by the sum of the changes, and
// the geometry follows the moved nodes.
TEST_F(BedChange, ChangesWithinLimitsMoveNodesByTheirCellsMean) {
    double expected = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            bedlevchange[0][i][j] = 0.01 * std::sin(1.3 * i + 0.7 * j);
            expected += bedlevchange[0][i][j] * m_armap[i][j];
        }
    const double before = target(5, 3);
    bedchange();
    const double mean = 0.25 * (bedlevchange[0][5][3] + bedlevchange[0][6][3] + bedlevchange[0][5][4] +
                                bedlevchange[0][6][4]);
    EXPECT_NEAR(target(5, 3) - before, mean, 1e-15);
    EXPECT_NEAR(target(1, 1), bedlevchange[0][2][2], 1e-15);  // a domain corner: its one cell
    EXPECT_NEAR(bedVolume(), expected, 1e-12 * std::fabs(expected));
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) EXPECT_NEAR(zval[i][j][1], target(i, j), 1e-15);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double bed = 0.0, depth = 0.0;
            for (const auto& c : {std::pair{i, j}, {i, j - 1}, {i - 1, j - 1}, {i - 1, j}})
                bed += 0.25 * zval[c.first][c.second][1];
            for (int k = 2; k <= znumber; ++k) depth += 2.0 * m_dist_z[i][j][k];
            EXPECT_NEAR(depth, 0.6 - bed, 1e-12) << i << " " << j;
        }
}

TEST_F(BedChange, OneInnerCellPlacesAQuarterOnEachCorner) {
    bedlevchange[0][5][3] = 0.02;
    bedchange();
    for (const auto& c : {std::pair{5, 3}, {5, 2}, {4, 2}, {4, 3}})
        EXPECT_NEAR(target(c.first, c.second), 0.005, 1e-15);
    EXPECT_EQ(target(6, 3), 0.0);
}

// Erosion below the lowest erodible level: the placed part applies, the rest
// is reported with the four corners.
TEST_F(BedChange, ErosionBeyondTheErodibleDepthIsReported) {
    readBed(0.002);
    bedlevchange[0][5][3] = -0.02;
    bedchange();
    for (const auto& c : {std::pair{5, 3}, {5, 2}, {4, 2}, {4, 3}})
        EXPECT_NEAR(target(c.first, c.second), -0.002, 1e-15);
    EXPECT_EQ(log(),
              "Error in bed change, i,j,rest = 5 3 -0.012000\n"
              "move, factor, minmove = -0.002000 0.250000 0.002000\n"
              "move, factor, minmove = -0.002000 0.250000 0.002000\n"
              "move, factor, minmove = -0.002000 0.250000 0.002000\n"
              "move, factor, minmove = -0.002000 0.250000 0.002000\n");
}

// Deposition under a surface that leaves no room is reported as erosion is.
TEST_F(BedChange, DepositionWithoutRoomIsReported) {
    TSCMinDepth = 0.6;
    bedlevchange[0][5][3] = 0.01;
    bedchange();
    EXPECT_NEAR(target(5, 3), 0.0, 1e-15);
    EXPECT_EQ(log(),
              "Error in bed change, i,j,rest = 5 3 0.010000\n"
              "move, factor, minmove = 0.000000 0.250000 0.000000\n"
              "move, factor, minmove = 0.000000 0.250000 0.000000\n"
              "move, factor, minmove = 0.000000 0.250000 0.000000\n"
              "move, factor, minmove = 0.000000 0.250000 0.000000\n");
}

// No iteration: erosion and deposition stay unplaced and are reported, but
// for Flag2BedChange 1, which forces the deposition into the corners.
TEST_F(BedChange, WithoutIterationsOnlyForcedDepositionIsPlaced) {
    NoLoopBedchange = 0;
    bedlevchange[0][5][3] = 0.01;
    bedlevchange[0][8][4] = -0.01;
    bedchange();
    EXPECT_EQ(target(5, 3), 0.0);
    EXPECT_EQ(target(8, 4), 0.0);
    const std::string report = log();
    EXPECT_NE(report.find("i,j,rest = 5 3 0.010000\n"), std::string::npos);
    EXPECT_NE(report.find("i,j,rest = 8 4 -0.010000\n"), std::string::npos);

    std::filesystem::remove("boogie");
    Flag2BedChange = 1;
    TSCMinDepth = 0.6;  // no room either: forced beyond it
    clearChanges();
    bedlevchange[0][5][3] = 0.01;
    bedchange();
    EXPECT_NEAR(target(5, 3), 0.0025, 1e-15);
    EXPECT_NEAR(zval[5][3][1], 0.0, 1e-15);  // the bed node keeps TSCMinDepth below the top
    EXPECT_EQ(log().find("Error in bed change"), std::string::npos);
}

// The weight variants on the domain corner cell (2, 2), whose area weights
// are 1/4, 1/2, 1, 1/2 (W = 2.25), with a flow along x.
TEST_F(BedChange, WeightVariantsAtADomainCorner) {
    struct Row {
        int flag;
        double moves[4];  // corners (2,2), (2,1), (1,1), (1,2) per unit change
    };
    const double c = 1.0 / std::sqrt(1.25);  // flow direction against the corner direction (0.5, 0.25)
    const double sum3 = 0.25 * (1 + c) + 0.5 * (1 + c) + 1.0 + 0.5, f3 = 2.25 / sum3;
    const Row rows[] = {
        {0, {0.25, 0.5, 1.0, 0.5}},
        {1, {0.5625, 0.5625, 0.5625, 0.5625}},
        {2, {0.5625, 0.5625, 0.5625, 0.5625}},
        {3, {0.25 * (1 + c) * f3, 0.5 * (1 + c) * f3, f3, 0.5 * f3}},
    };
    for (const Row& r : rows) {
        SetUp();
        uniformFlow(0.5);
        Flag1BedChange = r.flag;
        bedlevchange[0][2][2] = 0.01;
        bedchange();
        const double got[4] = {target(2, 2), target(2, 1), target(1, 1), target(1, 2)};
        // The iterations of variant 2 stop at a rest of 1e-10.
        for (int n = 0; n < 4; ++n) EXPECT_NEAR(got[n], 0.01 * r.moves[n], 1e-10) << r.flag << " corner " << n;
    }
}

// With blocked boxes deposition goes in at once and without limit; the bed
// node stops TSCMinDepth below the top.
TEST_F(BedChange, BlockedBoxesDepositWithoutLimit) {
    channelWithBlocks(0.0);
    readBed(10.0);
    bedlevchange[0][8][3] = 1.0;  // beyond the 0.6 m depth
    bedchange();
    EXPECT_NEAR(target(8, 3), 0.25, 1e-15);
    EXPECT_NEAR(target(8, 2), 0.25, 1e-15);
    bedlevchange[0][8][3] = 2.0;
    bedchange();
    EXPECT_NEAR(target(8, 3), 0.75, 1e-15);
    EXPECT_NEAR(zval[8][3][1], 0.6 - TSCMinDepth, 1e-12);
}

// A negative TSCMinDepth becomes 3 % of the summed half lengths of the middle
// row over xnumber, for the rest of the run; every column keeps that depth.
TEST_F(BedChange, NegativeLeastDepthIsReplacedAndKept) {
    TSCMinDepth = -1.0;
    Flag2BedChange = 1;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) bedlevchange[0][i][j] = 1.0;
    bedchange();
    const double least = 0.03 * (8 * 0.5) / 9;
    EXPECT_NEAR(TSCMinDepth, least, 1e-15);
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) EXPECT_NEAR(zval[i][j][znumber] - zval[i][j][1], least, 1e-12);
    clearChanges();
    bedchange();
    EXPECT_NEAR(TSCMinDepth, least, 1e-15);
}

// FlagTSC 0: one log block per call in the reader's format; the log replayed
// on the original grid gives the same bed nodes to the file's precision.
TEST_F(BedChange, LogBlocksAndTheirReplay) {
    FlagTSC = 0;
    stime = 12.5;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            bedlevchange[0][i][j] = 0.01 * std::sin(1.3 * i + 0.7 * j);
            bedgrain[1][i][j] = 1.0;
        }
    bedchange();
    std::string block = readFile("loggfil");
    EXPECT_EQ(block.substr(0, 51), "T  12.500000 seconds\n\na    2    2 -0.007568 1.000 \n");
    EXPECT_EQ(block.substr(block.size() - 4), " \n\n\n");
    EXPECT_EQ(std::count(block.begin(), block.end(), 'a'), 32);
    bedchange();  // the same changes again
    const std::string twice = readFile("loggfil");
    EXPECT_EQ(twice, block + block);

    double after[10][6];
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 5; ++j) after[i][j] = zval[i][j][1];
    std::filesystem::rename("loggfil", "loggfil.pre");
    straightChannel(0.0);
    readBed(10.0);
    bed_logg();
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 5; ++j) EXPECT_NEAR(zval[i][j][1], after[i][j], 1e-6) << i << " " << j;
}

// A log that cannot be opened: the update completes, then the run ends with -3.
TEST_F(BedChange, UnopenableLogEndsTheRunAfterTheUpdate) {
    FlagTSC = 0;
    std::filesystem::create_directory("loggfil");
    bedlevchange[0][5][3] = 0.02;
    EXPECT_EQ(exitCodeOf([] { bedchange(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'loggfil' ");
    EXPECT_NEAR(zval[5][3][1], 0.005, 1e-15);
    double depth = 0.0;
    for (int k = 2; k <= znumber; ++k) depth += 2.0 * m_dist_z[5][3][k];
    EXPECT_NEAR(depth, 0.6 - 0.005, 1e-12);  // the geometry follows
}

// Transient free surface: the pressure of a column falls by the change times
// rho g times the depth of each cell centre (plus the top half cell) over
// half the column depth; the last interior row keeps its pressure.
TEST_F(BedChange, PressureShiftOfOneColumn) {
    FlagTSC = 1;
    FlagTFS = 1;
    bedlevchange[0][5][3] = 0.01;
    bedlevchange[0][9][3] = 0.01;
    bedchange();
    for (int k = 2; k <= znumber; ++k) {
        const double s = 0.1 * (znumber - k + 1);  // cells of 0.1 m
        EXPECT_NEAR(Pres[5][3][k], -0.01 * 9810 * s / 0.3, 1e-11) << k;
        EXPECT_EQ(Pres[9][3][k], 0.0);
    }
}

// Smoothing on the bed step: Bedformheight 0 gives the shortest time scale,
// 20 time steps. The volume over the open node areas stays, the last node
// lines stay, an edge without an open cell around either node is skipped.
TEST_F(BedChange, SmoothingKeepsVolumeAndTheLastNodeLines) {
    bedStep();
    readBed(10.0);
    FlagBedSmooth = 1;
    ParamBedSmooth = 1.0;
    TimeStep = 1.0;
    auto volume = [] {
        double v = 0.0;
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) {
                double a = 0.0;
                for (const auto& c : {std::pair{i, j}, {i + 1, j}, {i, j + 1}, {i + 1, j + 1}})
                    if (OBlok[c.first][c.second][2] == 1) a += m_armap[c.first][c.second];
                v += a * zval[i][j][0];
            }
        return v;
    };
    // The cells around node (2, 2) and (2, 3) blocked: edge (2,2)-(2,3) has no open cell around either.
    for (int j = 2; j <= 4; ++j) OBlok[2][j][2] = OBlok[3][j][2] = 0;
    const double v0 = volume();
    bedchange();
    EXPECT_NEAR(volume(), v0, 1e-12 * std::fabs(v0));
    EXPECT_LT(target(4, 2), 0.4);  // the step top gave
    EXPECT_GT(target(5, 2), 0.0);  // to the foot
    for (int j = 1; j <= ynumber; ++j) EXPECT_EQ(target(xnumber, j), 0.0);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(target(i, ynumber), 0.4);
    EXPECT_EQ(target(2, 2), 0.4);
    EXPECT_EQ(target(2, 3), 0.4);
}

}  // namespace
