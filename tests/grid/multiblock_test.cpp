// Connection tables of a multi-block grid: building, listing, the checks in
// both directions and the refusal of joins outside the grid.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "control/state.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "grid/multiblock.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class MultiBlock : public EngineTest {
protected:
    // W 3 as the reader leaves it: per block the node line after which it
    // begins (MBSkjot) and its first host column, signed by the side (MBStart).
    void setBlocks(const std::vector<std::pair<int, int>>& blocks) {
        MBNo = static_cast<int>(blocks.size());
        for (int b = 1; b <= MBNo; ++b) {
            MBSkjot[b] = blocks[b - 1].first;
            MBStart[b] = blocks[b - 1].second;
        }
    }
};

TEST_F(MultiBlock, SingleBlockClearsTheTables) {
    allocateGrid(6, 5, 4);
    Pi1MultiBlock[3][3][0] = Pi1MultiBlock[3][3][1] = Pi1MultiBlock[3][3][2] = 7;
    Pj1MultiBlock[4][0] = Pj2MultiBlock[5][1] = 2;
    MutBlock[3][3] = 5;
    MultiBlockInit();
    EXPECT_EQ(Pi1MultiBlock[3][3][0] + Pi1MultiBlock[3][3][1] + Pi1MultiBlock[3][3][2], 0);
    EXPECT_EQ(Pj1MultiBlock[4][0], 0);
    EXPECT_EQ(Pj2MultiBlock[5][1], 0);
    for (int i = 2; i <= 6; ++i)
        for (int j = 2; j <= 5; ++j) EXPECT_EQ(MutBlock[i][j], 1);
    EXPECT_EQ(readFile("boogie"), "Multi-block initiation of 0 blocks\n");
}

TEST_F(MultiBlock, RightSideBlockRunsWithTheHostColumns) {
    setBlocks({{10, 5}});
    allocateGrid(12, 6, 4);
    MultiBlockInit();
    for (int j = 2; j <= 6; ++j) {
        const int m = 5 + j - 2;
        EXPECT_EQ(Pi1MultiBlock[11][j][0], m);
        EXPECT_EQ(Pi1MultiBlock[11][j][1], 2);
        EXPECT_EQ(Pi1MultiBlock[11][j][2], 3);
        EXPECT_EQ(Pj1MultiBlock[m][0], 11);
        EXPECT_EQ(Pj1MultiBlock[m][1], j);
        EXPECT_EQ(Pj2MultiBlock[m][0], 0);
        EXPECT_EQ(MutBlock[11][j], 0);
        EXPECT_EQ(MutBlock[m][2], 0);
        EXPECT_EQ(MutBlock[m][3], 1);
    }
    EXPECT_EQ(Pj1MultiBlock[4][0], 0);
    EXPECT_EQ(Pj1MultiBlock[10][0], 0);
    EXPECT_EQ(MutBlock[10][2], 1);
    EXPECT_EQ(readFile("boogie"),
              "Pj1MB(5)= 11 2\n"
              "Pj1MB(6)= 11 3\n"
              "Pj1MB(7)= 11 4\n"
              "Pj1MB(8)= 11 5\n"
              "Pj1MB(9)= 11 6\n"
              "Pi1MB(11,2)=5 2\n"
              "Pi1MB(11,3)=6 2\n"
              "Pi1MB(11,4)=7 2\n"
              "Pi1MB(11,5)=8 2\n"
              "Pi1MB(11,6)=9 2\n"
              "Have not found errors in Multi-block initiation\n");
}

TEST_F(MultiBlock, LeftSideBlockRunsAgainstTheHostColumns) {
    setBlocks({{10, -5}});
    allocateGrid(12, 6, 4);
    MultiBlockInit();
    for (int j = 2; j <= 6; ++j) {
        const int m = 11 - j;  // j = 2 faces column 9, j = 6 column 5
        EXPECT_EQ(Pi1MultiBlock[11][j][0], m);
        EXPECT_EQ(Pi1MultiBlock[11][j][1], 6);
        EXPECT_EQ(Pi1MultiBlock[11][j][2], 5);
        EXPECT_EQ(Pj2MultiBlock[m][0], 11);
        EXPECT_EQ(Pj2MultiBlock[m][1], j);
        EXPECT_EQ(Pj1MultiBlock[m][0], 0);
        EXPECT_EQ(MutBlock[m][6], 0);
        EXPECT_EQ(MutBlock[m][2], 1);
    }
    const std::string log = readFile("boogie");
    EXPECT_EQ(log.substr(0, 30), "Pj2MB(5)= 11 6\nPj2MB(6)= 11 5\n");
    EXPECT_NE(log.find("Pj2MB(9)= 11 2\nPi1MB(11,2)=9 6\nPi1MB(11,3)=8 6\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 64), "Pi1MB(11,6)=5 6\nHave not found errors in Multi-block initiation\n");
}

struct CheckCase {
    const char* name;
    friend void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }
    int X, Y;
    std::vector<std::pair<int, int>> blocks;  // (MBSkjot, MBStart)
    const char* message;
};

class MultiBlockCheck : public MultiBlock, public ::testing::WithParamInterface<CheckCase> {};

// Joins that contradict each other end the run with the first failed check.
TEST_P(MultiBlockCheck, EndsWithItsMessage) {
    const CheckCase& c = GetParam();
    setBlocks(c.blocks);
    allocateGrid(c.X, c.Y, 4);
    EXPECT_EQ(exitCodeOf(MultiBlockInit), 1);
    EXPECT_EQ(readFile("boogie"), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Joins, MultiBlockCheck,
    ::testing::Values(
        // Two right-side blocks on one joint row: the later one renames its host columns.
        CheckCase{"SameJointRowRightSide", 10, 4, {{7, 2}, {7, 3}}, "Error, MB-1 indekser: 2 8 3 5 2 2"},
        // A left-side block on the same joint row takes over a right-side host's joint cell.
        CheckCase{"SameJointRowBothSides", 9, 4, {{7, 4}, {7, -2}}, "Error, MB-2 indekser: 4 8 4 5 2 4"},
        CheckCase{"SameJointRowLeftSide", 9, 4, {{7, -2}, {7, -3}}, "Error, MB-3 indekser: 2 8 3 5 4"},
        // Host runs that overlap: the earlier block's joint cells lose their hosts.
        CheckCase{"OverlappingHostsRightSide", 11, 4, {{7, 2}, {9, 3}}, "Error, MB-6 indekser: 8 3 10 3 2"},
        CheckCase{"OverlappingHostsLeftSide", 11, 4, {{7, -2}, {9, -3}}, "Error, MB-7 indekser: 8 4 10 2 4"},
        // With two j lines the host cell is j = 2 on either side.
        CheckCase{"LeftSideOfASingleCellRow", 6, 2, {{4, -3}}, "Error, MB-6 indekser: 5 3 0 2 2"},
        // Joins outside the interior 2..xnumber are refused before any table is written.
        CheckCase{"HostAtColumnZero", 10, 4, {{7, 0}}, "Error, MB-8 indekser: 1 8 0 0 2 10"},
        CheckCase{"HostAtColumnOne", 10, 4, {{7, 1}}, "Error, MB-8 indekser: 1 8 1 1 3 10"},
        CheckCase{"HostsBeyondTheLastColumn", 10, 4, {{7, 9}}, "Error, MB-8 indekser: 1 8 9 9 11 10"},
        CheckCase{"LeftHostAtColumnOne", 10, 4, {{7, -1}}, "Error, MB-8 indekser: 1 8 -1 1 3 10"},
        CheckCase{"LeftHostsBeyondTheLastColumn", 10, 4, {{7, -9}}, "Error, MB-8 indekser: 1 8 -9 9 11 10"},
        CheckCase{"JointRowBeyondTheLastColumn", 10, 4, {{10, 2}}, "Error, MB-8 indekser: 1 11 2 2 4 10"},
        CheckCase{"SecondBlockOutside", 10, 4, {{7, 2}, {5, 9}}, "Error, MB-8 indekser: 2 6 9 9 11 10"}),
    [](const auto& info) { return std::string(info.param.name); });

// Tables that no W 3 data set produces, checked directly.
TEST_F(MultiBlock, LeftHostWhoseJointCellFacesTheOtherWall) {
    allocateGrid(9, 4, 4);
    Pj2MultiBlock[3][0] = 8;
    Pj2MultiBlock[3][1] = 2;
    Pi1MultiBlock[8][2][0] = 3;
    Pi1MultiBlock[8][2][1] = 2;
    Log log;
    EXPECT_EQ(exitCodeOf([&] { checkMultiBlockTables(log); }), 1);
    EXPECT_EQ(readFile("boogie"), "Error, MB-4 indekser: 3 8 3 5 2");
}

TEST_F(MultiBlock, JointCellWithAHostCellOffTheWalls) {
    allocateGrid(9, 5, 4);
    Pi1MultiBlock[8][3][0] = 4;
    Pi1MultiBlock[8][3][1] = 3;
    Log log;
    EXPECT_EQ(exitCodeOf([&] { checkMultiBlockTables(log); }), 1);
    EXPECT_EQ(readFile("boogie"), "Error, MB-5 indekser: 8 4 3 3");
}

TEST_F(MultiBlock, UnwritableLogEndsWithMinusThree) {
    setBlocks({{7, 2}});
    allocateGrid(10, 4, 4);
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(MultiBlockInit), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    EXPECT_EQ(Pj1MultiBlock[2][0], 0);
}

}  // namespace
