// The vertical grid change: Z data sets redistribute the node levels of
// boxes of node columns, P 3 is taken over again, and the errors end the run.
#include <cmath>
#include <filesystem>
#include <string>

#include "control/engine.h"
#include "control/reader_fixture.h"
#include "control/readers.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "grid/grid.h"

using namespace quird_test;

namespace {

// An open channel of 6 x 5 node columns, read from `control`, whose node
// levels lie at 0, 10, 30, 60 and 100 percent of each column (G 3).
class GridChange : public ReaderTest {
protected:
    static constexpr int X = 6, Y = 5;

    void SetUp() override {
        ReaderTest::SetUp();
        readChannel(5, "0 10 30 60 100");
    }

    void readChannel(int levels, const std::string& distribution) {
        SetArraysZero();  // arrays of the grid size of this channel
        xnumber = X;
        ynumber = Y;
        znumber = levels;
        lnumber = 1;
        writeDefaultGrid();
        base_ = "T Channel\nG 1 6 5 " + std::to_string(levels) + " 1\nG 3 " + distribution +
                "\nW 1 50 1 1\nW 2 3 1 3 6\n";
        ASSERT_EQ(readExactly(base_), kNoExit) << boogie();
        // The plan grid and a sloping bed; the top nodes stand above the
        // water level of W 1 until the initial state moves them to it.
        for (int i = 1; i <= X; ++i)
            for (int j = 1; j <= Y; ++j) {
                xval[i][j] = 2.0 * (i - 1);
                yval[i][j] = 1.0 * (j - 1);
                const double bed = -1.0 - 0.01 * i, top = 1.5;
                zval[i][j][0] = bed;
                for (int k = 1; k <= znumber; ++k) zval[i][j][k] = bed + (top - bed) * zdistrib[k] * 0.01;
            }
    }

    // Runs gridchange on `control` with `dataSets` behind the channel's data sets.
    int change(const std::string& dataSets) {
        writeFile("control", base_ + dataSets);
        return exitCodeOf(gridchange);
    }

    // Height of node level k above the bed node, in percent of the column.
    static double percentAt(int i, int j, int k) {
        return 100.0 * (zval[i][j][k] - zval[i][j][1]) / (zval[i][j][znumber] - zval[i][j][1]);
    }
    static ::testing::AssertionResult distributed(int i, int j, std::initializer_list<double> percents) {
        int k = 1;
        for (double p : percents) {
            if (std::fabs(percentAt(i, j, k) - p) > 1e-9)
                return ::testing::AssertionFailure()
                       << "column (" << i << "," << j << ") level " << k << " at " << percentAt(i, j, k) << "%";
            ++k;
        }
        return ::testing::AssertionSuccess();
    }
    std::string base_;
};

TEST_F(GridChange, ZSpacesTheNodesOfItsColumnsAndTheInitialStateFollows) {
    ASSERT_EQ(change("Z 2 3 3 4 0 25 50 75 100\n"), kNoExit) << boogie();
    for (int i = 2; i <= 3; ++i)
        for (int j = 3; j <= 4; ++j) EXPECT_TRUE(distributed(i, j, {0, 25, 50, 75, 100}));
    // The columns outside the box keep G 3.
    for (auto [i, j] : {std::pair{1, 3}, {4, 3}, {2, 2}, {3, 5}}) EXPECT_TRUE(distributed(i, j, {0, 10, 30, 60, 100}));

    // The initial state is computed on the new grid: the surface moved to the
    // downstream level of W 1, the flow field filled.
    for (int j = 1; j <= Y; ++j) EXPECT_DOUBLE_EQ(zval[X][j][znumber], 1.0);
    EXPECT_GT(xvel[3][3][3], 0.0);
    const std::string log = boogie();
    const auto start = log.find(" In gridchange \n\n"), end = log.find(" End of gridchange \n\n");
    ASSERT_NE(start, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(start, end);
    EXPECT_NE(log.find(" In initial - velocity \n\n", end), std::string::npos) << log;
    EXPECT_STREQ(mc_message, " After gridchange  ");
}

TEST_F(GridChange, AFirstPercentageAboveZeroLiftsTheBedNode) {
    const double bed = zval[2][2][1], top = zval[2][2][znumber];
    ASSERT_EQ(change("Z 2 2 2 2 20 40 60 80 100\n"), kNoExit) << boogie();
    EXPECT_DOUBLE_EQ(zval[2][2][1], bed + 0.2 * (top - bed));
    EXPECT_EQ(zval[2][2][0], bed);  // the target bed level stays
    EXPECT_TRUE(distributed(2, 2, {0, 25, 50, 75, 100}));
}

TEST_F(GridChange, TheLaterOfTwoOverlappingBoxesWins) {
    ASSERT_EQ(change("Z 2 4 2 4 0 25 50 75 100\nZ 4 5 4 5 0 5 10 50 100\n"), kNoExit) << boogie();
    EXPECT_TRUE(distributed(3, 3, {0, 25, 50, 75, 100}));
    EXPECT_TRUE(distributed(4, 4, {0, 5, 10, 50, 100}));
    EXPECT_TRUE(distributed(5, 5, {0, 5, 10, 50, 100}));
}

TEST_F(GridChange, WithoutZTheMonitoringCellIsTakenOverAgain) {
    // Capital P in a comment and other P data sets pass over.
    ASSERT_EQ(change("Pressure gauge at the weir: P 2 1 1 1 0 0\nP 3 4 3 2 1\n"), kNoExit) << boogie();
    EXPECT_EQ(xnode, 4);
    EXPECT_EQ(ynode, 3);
    EXPECT_EQ(znode, 2);
    EXPECT_EQ(lnode, 1);
    EXPECT_TRUE(distributed(3, 3, {0, 10, 30, 60, 100}));
    EXPECT_NE(boogie().find(" End of gridchange \n\n"), std::string::npos);
    EXPECT_GT(xvel[3][3][3], 0.0);  // the initial state is computed all the same
}

TEST_F(GridChange, TheDepthAveragedModelKeepsNoMonitoringLevel) {
    Flag2Dim = 1;
    ASSERT_EQ(change("P 3 4 3 2 1\n"), kNoExit) << boogie();
    EXPECT_EQ(xnode, 4);
    EXPECT_EQ(znode, 0);
}

// ---------------------------------------------------------------------------
// Refused data sets.
// ---------------------------------------------------------------------------
struct Refusal {
    const char* name;
    const char* dataSets;
    int code;
    const char* logTail;
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class GridChangeRefusal : public GridChange, public ::testing::WithParamInterface<Refusal> {};

TEST_P(GridChangeRefusal, EndsTheRunWithItsMessage) {
    EXPECT_EQ(change(GetParam().dataSets), GetParam().code);
    EXPECT_TRUE(boogieEndsWith(GetParam().logTail)) << boogie();
}

constexpr const char* kZError = "Input error for Z in control";
constexpr const char* kP3Error = "Input error for P 3 in control";

INSTANTIATE_TEST_SUITE_P(
    DataSets, GridChangeRefusal,
    ::testing::Values(Refusal{"FirstColumnI", "Z 1 3 2 3 0 25 50 75 100\n", 1, kZError},
                      Refusal{"LastColumnIBeyondGrid", "Z 2 7 2 3 0 25 50 75 100\n", 1, kZError},
                      Refusal{"ColumnsIReversed", "Z 3 2 2 3 0 25 50 75 100\n", 1, kZError},
                      Refusal{"FirstColumnJ", "Z 2 3 1 3 0 25 50 75 100\n", 1, kZError},
                      Refusal{"LastColumnJBeyondGrid", "Z 2 3 2 6 0 25 50 75 100\n", 1, kZError},
                      Refusal{"ColumnsJReversed", "Z 2 3 4 3 0 25 50 75 100\n", 1, kZError},
                      Refusal{"Negative", "Z 2 3 2 3 -1 25 50 75 100\n", 1, kZError},
                      Refusal{"AboveHundred", "Z 2 3 2 3 0 25 50 75 100.5\n", 1, kZError},
                      Refusal{"Decreasing", "Z 2 3 2 3 0 50 25 75 100\n", 1, kZError},
                      Refusal{"LastNotHundred", "Z 2 3 2 3 0 25 50 75 99.9\n", 1, kZError},
                      Refusal{"TooFewValues", "Z 2 3 2 3 0 25 50 75\n", 1, kZError},
                      Refusal{"CapitalZInAComment", "Zone of the weir\n", 1, kZError},
                      Refusal{"P3CellOutsideTheGrid", "P 3 0 3 2 1\n", 1, kP3Error},
                      Refusal{"P3LevelAboveTheGrid", "P 3 4 3 7 1\n", 1, kP3Error},
                      Refusal{"P3FractionAboveTheClasses", "P 3 4 3 2 2\n", 1, kP3Error}));

TEST_F(GridChange, ALastPercentageWithinTheToleranceIsAccepted) {
    ASSERT_EQ(change("Z 2 3 2 3 0 25 50 75 99.999995\n"), kNoExit) << boogie();
    EXPECT_NEAR(percentAt(2, 2, 4), 75.0, 1e-4);
}

TEST_F(GridChange, ARefusedZKeepsTheChangesOfEarlierOnes) {
    EXPECT_EQ(change("Z 2 2 2 2 0 25 50 75 100\nZ 3 3 3 3 0 25 50 75 99\n"), 1);
    EXPECT_TRUE(distributed(2, 2, {0, 25, 50, 75, 100}));
    EXPECT_TRUE(distributed(3, 3, {0, 10, 30, 60, 100}));
}

TEST_F(GridChange, MoreThan28LevelsEndWith2) {
    std::string distribution;
    for (int k = 0; k < 29; ++k) distribution += std::to_string(k * 100.0 / 28) + " ";
    readChannel(29, distribution);
    EXPECT_EQ(change("Z 2 3 2 3 " + distribution + "\n"), 2);
    EXPECT_TRUE(boogieEndsWith("Increase array size in osiio2, line 388\n")) << boogie();
    // The level count is refused before any percentage is read.
    EXPECT_EQ(change("Z 2 3 2 3 -5\n"), 2);
}

TEST_F(GridChange, TwentyEightLevelsFitTheTable) {
    std::string distribution, even;
    for (int k = 0; k < 28; ++k) {
        distribution += std::to_string(k * k * 100.0 / (27 * 27)) + " ";
        even += std::to_string(k * 100.0 / 27) + " ";
    }
    readChannel(28, distribution);
    ASSERT_EQ(change("Z 2 2 2 2 " + even + "\n"), kNoExit) << boogie();
    EXPECT_NEAR(percentAt(2, 2, 15), 14 * 100.0 / 27, 1e-4);
}

TEST_F(GridChange, AMissingControlEndsWithMinus3) {
    std::filesystem::remove("control");
    EXPECT_EQ(exitCodeOf(gridchange), -3);
    EXPECT_STREQ(mc_message, " cannot open file 'control'");
}

TEST_F(GridChange, ALogThatCannotBeOpenedEndsWithMinus3AndChangesNothing) {
    writeFile("control", base_ + "Z 2 3 2 3 0 25 50 75 100\n");
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(gridchange), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie'");
    EXPECT_TRUE(distributed(2, 2, {0, 10, 30, 60, 100}));
}

}  // namespace
