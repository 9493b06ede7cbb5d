// The K, P and W data sets, the second-pass W 5 and the block seams.
#include <cstdio>

#include "control/state.h"
#include "control/reader_fixture.h"
#include "control/readers.h"
#include "control/records_support.h"
#include "grid/state.h"

using namespace quird_test;

namespace {

// Grid of the fixture: 10 x 8 x 6 lines, 2 size fractions.
INSTANTIATE_TEST_SUITE_P(
    KPW, RefusedDataSet,
    ::testing::Values(
        Refused{'K', 1, "-1 100", 1, "Input error for K 1 in control"},
        Refused{'K', 1, "100\nW 1", 1, "Input error for K 1 in control"},
        Refused{'K', 2, "6 1", 1, "Input error for K 2 in control"},
        Refused{'K', 2, "0 2", 1, "Input error for K 2 in control"},
        Refused{'K', 2, "0\nW 1", 1, "Input error for K 2 in control"},
        Refused{'K', 3, "0.8 0.8 0.8 0.2 6.0 0.5", 1, "Input error for K 3 in control"},
        Refused{'K', 3, "0.8 -0.1 0.8 0.2 0.5 0.5", 1, "Input error for K 3 in control"},
        Refused{'K', 3, "0.8 0.8 0.8\nW 1", 1, "Input error for K 3 in control"},
        Refused{'K', 4, "1 1 21 5 1 1", 1, "Input error for K 4 in control"},
        Refused{'K', 4, "1 -1 1 5 1 1", 1, "Input error for K 4 in control"},
        Refused{'K', 5, "0 0 0 11 0 0", 1, "Input error for K 5 in control"},
        Refused{'K', 5, "0 0 0\nW 1", 1, "Input error for K 5 in control"},
        Refused{'K', 6, "0 0 0 0 0 21", 1, "Input error for K 6 in control"},
        Refused{'K', 6, "0 0 0 0 0\nW 1", 1, "Input error for K 6 in control"},
        Refused{'P', 3, "0 2 2 1", 1, "Input error for P 3 in control"},
        Refused{'P', 3, "12 2 2 1", 1, "Input error for P 3 in control"},
        Refused{'P', 3, "2 10 2 1", 1, "Input error for P 3 in control"},
        Refused{'P', 3, "2 2 8 1", 1, "Input error for P 3 in control"},
        Refused{'P', 3, "2 2 2 3", 1, "Input error for P 3 in control"},
        Refused{'W', 1, "0.5 10 100", 1, "Input error for W 1 in control"},
        Refused{'W', 1, "181 10 100", 1, "Input error for W 1 in control"},
        Refused{'W', 1, "50 -1 100", 1, "Input error for W 1 in control"},
        Refused{'W', 1, "50 10 10001", 1, "Input error for W 1 in control"},
        Refused{'W', 2, "3 1 5 4", 1, "Input error for W 2 in control"},
        Refused{'W', 2, "2 0 5", 1, "Input error for W 2 in control"},
        Refused{'W', 2, "2 1 11", 1, "Input error for W 2 in control"},
        Refused{'W', 2, "3000 1 2 3", 1, "Input error for W 2 in control"},
        Refused{'W', 2, "-1", 1, "Input error for W 2 in control"},
        Refused{'W', 3, "0", 1, "Input error for W 3 in control"},
        Refused{'W', 3, "10 1 1", 1, "Input error for W 3 in control"},
        Refused{'W', 3, "1 11 1", 1, "Input error for W 3 in control"},
        Refused{'W', 3, "1 5 -11", 1, "Input error for W 3 in control"},
        Refused{'W', 4, "4 0 2 1 3 1 3", 1, "Input error for W 4 in control\nMWall(1).dir = 4\n"},
        Refused{'W', 4, "1 2 2 1 3 1 3", 1, "Input error for W 4 in control\nMWall(1).posneg = 2\n"},
        Refused{'W', 4, "1 1 2 0 3 1 3", 1, "Input error for W 4 in control\nA-MWall(1)\n"},
        Refused{'W', 4, "1 1 2 4 3 1 3", 1, "Input error for W 4 in control\nA-MWall(1)\n"},
        Refused{'W', 4, "3 1 7 1 3 1 3", 1, "Input error for W 4 in control\nA-MWall(1).node = 7\n"},
        Refused{'W', 4, "1 -1 0 1 3 1 3", 1, "Input error for W 4 in control\nA-MWall(1).node = 0\n"},
        Refused{'W', 4, "1 1 2 1 9 1 3", 1, "Input error for W 4 in control\nB-MWall(1)\n"},
        Refused{'W', 4, "2 1 2 1 10 1 7", 1, "Input error for W 4 in control\nB-MWall(1)\n"},
        Refused{'W', 6, "11 0", 1, "Error, for data set W 6, 1\n"},
        Refused{'W', 6, "0 -1", 1, "Error, for data set W 6, 1\n"},
        Refused{'W', 7, "4 1 1 1.0 1.0", 1, "Error, for data set W 7, 1\n"},
        Refused{'W', 7, "0 1 9 1.0 1.0", 1, "Error, for data set W 7, 1\n"}));

TEST_F(RecordsTest, KPWNumbersWithoutReaderAreDeclined) {
    writeFile("input", "1 2 3");
    FILE* fp = std::fopen("input", "r");
    for (int number : {0, 7, 11}) EXPECT_FALSE(readDataSetK(number, fp)) << "K " << number;
    for (int number : {1, 5, 6, 8, 9, 11}) EXPECT_FALSE(readDataSetP(number, fp)) << "P " << number;
    for (int number : {0, 5, 8}) EXPECT_FALSE(readDataSetW(number, fp)) << "W " << number;
    std::fclose(fp);
}

TEST_F(RecordsTest, KDataSetsStoreTheSolverControl) {
    EXPECT_EQ(readText("200 30", dataSet('K', 1)), kNoExit);
    EXPECT_EQ(iterGlobalMax, 200);
    EXPECT_EQ(IterSurface, 30);
    EXPECT_EQ(readText("5 0", dataSet('K', 2)), kNoExit);
    EXPECT_EQ(FlagWall, 5);
    EXPECT_EQ(FlagRoof, 0);
    EXPECT_EQ(readText("0.7 0.6 0.5 0.3 5.0 0", dataSet('K', 3)), kNoExit);
    EXPECT_DOUBLE_EQ(relax[1], 0.7);
    EXPECT_DOUBLE_EQ(relax[5], 5.0);
    EXPECT_DOUBLE_EQ(relax[6], 0.0);
    EXPECT_EQ(readText("10 0 0 0 0 1", dataSet('K', 5)), kNoExit);
    EXPECT_EQ(blockcorr[1], 10);
    EXPECT_EQ(readText("1 1 1 0 0 20", dataSet('K', 6)), kNoExit);
    EXPECT_EQ(sou[6], 20);
    EXPECT_EQ(readText("Y", dataSet('K', 8)), kNoExit);
    EXPECT_EQ(conti, 'Y');
    EXPECT_EQ(boogieText(), "");
}

// K 4 does not count its fields: the values that are missing keep theirs.
TEST_F(RecordsTest, K4KeepsTheSweepsThatAreNotGiven) {
    EXPECT_EQ(readText("3 2 7\nK 1 10 10", dataSet('K', 4)), kNoExit);
    EXPECT_EQ(sweeps[1], 3);
    EXPECT_EQ(sweeps[3], 7);
    EXPECT_EQ(sweeps[4], 5);
    EXPECT_EQ(sweeps[5], 1);
    EXPECT_EQ(sweeps[6], 1);
}

TEST_F(RecordsTest, K9AndK10StoreTheLetterAsGiven) {
    EXPECT_EQ(readText("N", dataSet('K', 9)), kNoExit);
    EXPECT_EQ(simple, 'N');
    EXPECT_EQ(readText("y", dataSet('K', 9)), kNoExit);
    EXPECT_EQ(simple, 'y');  // only Y selects SIMPLE
    EXPECT_EQ(readText("n", dataSet('K', 10)), kNoExit);
    EXPECT_EQ(lcray, 'n');
}

TEST_F(RecordsTest, PDataSetsStoreThePlotSettings) {
    EXPECT_EQ(readText("2 3 4 -1 0.5", dataSet('P', 2)), kNoExit);
    EXPECT_DOUBLE_EQ(zscale, 4.0);
    EXPECT_DOUBLE_EQ(movey, 0.5);
    EXPECT_EQ(readText("11 9 7 0", dataSet('P', 3)), kNoExit);  // the last cells and class 0
    EXPECT_EQ(xnode, 11);
    EXPECT_EQ(znode, 7);
    EXPECT_EQ(lnode, 0);
    EXPECT_EQ(readText("c", dataSet('P', 4)), kNoExit);
    EXPECT_EQ(graph, 'c');
    EXPECT_EQ(readText("H", dataSet('P', 7)), kNoExit);
    EXPECT_EQ(VerHorPar, 'H');
    EXPECT_EQ(readText("-5", dataSet('P', 10)), kNoExit);
    EXPECT_EQ(PrintRes, -5);
}

// A depth-averaged run has no monitoring level: the end of the first pass clears it.
TEST_F(ReaderTest, DepthAveragedRunClearsTheMonitoringLevel) {
    ASSERT_EQ(read("P 3 3 3 4 1\n"), kNoExit);
    EXPECT_EQ(znode, 4);
    ASSERT_EQ(read("P 3 3 3 4 1\nF 44 1\n"), kNoExit);
    EXPECT_EQ(xnode, 3);
    EXPECT_EQ(znode, 0);
}

TEST_F(RecordsTest, WDataSetsStoreFlowAndTopology) {
    EXPECT_EQ(readText("35.5 120.0 101.5", dataSet('W', 1)), kNoExit);
    EXPECT_DOUBLE_EQ(ManningInit, 35.5);
    EXPECT_DOUBLE_EQ(discharge, 120.0);
    EXPECT_DOUBLE_EQ(level, 101.5);
    EXPECT_EQ(readText("3 1 5 5", dataSet('W', 2)), kNoExit);
    EXPECT_EQ(initnumber, 3);
    EXPECT_EQ(initarray[3], 5);
    EXPECT_EQ(readText("0 4 4 4", dataSet('W', 2)), kNoExit);  // nothing more is read
    EXPECT_EQ(initnumber, 0);
    EXPECT_EQ(initarray[1], 1);
    EXPECT_EQ(readText("2 4 -3 7 10", dataSet('W', 3)), kNoExit);
    EXPECT_EQ(MBNo, 2);
    EXPECT_EQ(MBStart[1], -3);
    EXPECT_EQ(MBSkjot[2], 7);
    EXPECT_EQ(readText("3 -1 6 2 10 1 8", dataSet('W', 4)), kNoExit);
    EXPECT_EQ(MWallNo, 1);
    EXPECT_EQ(MWall[1].dir, 3);
    EXPECT_EQ(MWall[1].node, 6);
    EXPECT_EQ(MWall[1].b2, 8);
    EXPECT_EQ(readText("10 0", dataSet('W', 6)), kNoExit);
    EXPECT_EQ(FastNo, 1);
    EXPECT_EQ(iFast[1], 10);
    EXPECT_EQ(readText("3 10 8 2.5 0.5", dataSet('W', 7)), kNoExit);
    EXPECT_EQ(Attract[1].type, 3);
    EXPECT_EQ(Attract[1].i, 10);
    EXPECT_EQ(Attract[1].j, 8);
    EXPECT_DOUBLE_EQ(Attract[1].decay, 0.5);
    EXPECT_EQ(boogieText(), "");
}

// ---------------------------------------------------------------------------
// W 5 and the block seams (second pass, arrays allocated)
// ---------------------------------------------------------------------------

const char* const kWrongIndex = "Input error for W 5 in control, wrong integer index";
const char* const kWrongCount = "Input error for W 5 in control, wrong count";

INSTANTIATE_TEST_SUITE_P(
    W5, RefusedDataSet,
    ::testing::Values(
        Refused{'W', 5, "1 -1 30.0", 1, kWrongIndex, true}, Refused{'W', 5, "1 12 30.0", 1, kWrongIndex, true},
        Refused{'W', 5, "1 two 30.0", 1, kWrongIndex, true}, Refused{'W', 5, "-1", 1, kWrongCount, true},
        Refused{'W', 5, "x 1 30.0", 1, kWrongCount, true},
        Refused{'W', 5, "2 3 30.0 4 0.5", 1,
                "Input error for W 5 in control, i=4\nManning's factor outside allowable range\n", true},
        Refused{'W', 5, "1 3 180.5", 1,
                "Input error for W 5 in control, i=3\nManning's factor outside allowable range\n", true}));

class SecondPass : public RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        allocateArrays();
    }
};

TEST_F(SecondPass, W5OverridesSingleCrossSections) {
    EXPECT_EQ(readText("3 0 30.0 11 45.0\n5 1.0", dataSet('W', 5)), kNoExit);
    EXPECT_DOUBLE_EQ(ManArray[0], 30.0);
    EXPECT_DOUBLE_EQ(ManArray[11], 45.0);
    EXPECT_DOUBLE_EQ(ManArray[5], 1.0);
    EXPECT_DOUBLE_EQ(ManArray[4], 50.0);
    EXPECT_EQ(readText("2 5 60 5 70", dataSet('W', 5)), kNoExit);  // the later pair wins
    EXPECT_DOUBLE_EQ(ManArray[5], 70.0);
    EXPECT_EQ(readText("0 5 20", dataSet('W', 5)), kNoExit);  // nothing is read
    EXPECT_DOUBLE_EQ(ManArray[5], 70.0);
    EXPECT_EQ(boogieText(), "");
}

TEST_F(SecondPass, BlockSeamsMarkTheJoinedGridLines) {
    ASSERT_EQ(readText("2 4 -3 7 10", dataSet('W', 3)), kNoExit);
    ISkjotMB[9] = 1;  // left over from an earlier set-up
    setBlockSeams();
    for (int i = 0; i <= xnumber; ++i) EXPECT_EQ(ISkjotMB[i], i == 4 || i == 7 ? 1 : 0) << i;
}

}  // namespace
