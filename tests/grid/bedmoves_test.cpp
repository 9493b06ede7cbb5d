// The grid following the bed: column re-stretch, replay of a bed-change log,
// and the lowering of the bed by the cell changes, also across block joints.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class BedMoves : public EngineTest {
protected:
    // A 6 x 6 box with 1 m cells and 5 levels 0.25 m apart above a bed at 0;
    // the lowest erodible level far below.
    void box() {
        boxGrid(6, 6, 5, 1.0, 1.0, 0.25);
        for (int i = 0; i <= 7; ++i)
            for (int j = 0; j <= 7; ++j) Surfaces[3][i][j] = -100.0;
        metric();
    }
    std::vector<double> column(int i, int j) const {
        std::vector<double> z;
        for (int k = 0; k <= znumber; ++k) z.push_back(zval[i][j][k]);
        return z;
    }
};

struct StretchCase {
    const char* name;
    friend void PrintTo(const StretchCase& c, std::ostream* os) { *os << c.name; }
    double target;                 // zval[3][3][0]
    std::vector<double> before;    // levels 1..5
    std::vector<double> expected;  // levels 1..5 afterwards
};

class ColumnStretch : public BedMoves, public ::testing::WithParamInterface<StretchCase> {};

TEST_P(ColumnStretch, MovesTheBedNodeAndKeepsTheProportions) {
    const StretchCase& c = GetParam();
    box();
    TSCMinDepth = 0.1;
    for (int k = 1; k <= 5; ++k) zval[3][3][k] = c.before[k - 1];
    zval[3][3][0] = c.target;
    UpdateGridVerticalBed(3, 3);
    for (int k = 1; k <= 5; ++k) EXPECT_NEAR(zval[3][3][k], c.expected[k - 1], 1e-12) << "level " << k;
    EXPECT_EQ(zval[3][3][0], c.target);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ColumnStretch,
    ::testing::Values(
        StretchCase{"TargetAtTheBed", 0.0, {0, 0.25, 0.5, 0.75, 1.0}, {0, 0.25, 0.5, 0.75, 1.0}},
        StretchCase{"Erosion", -1.0, {0, 0.25, 0.5, 0.75, 1.0}, {-1.0, -0.5, 0.0, 0.5, 1.0}},
        StretchCase{"Deposition", 0.5, {0, 0.1, 0.5, 0.75, 1.0}, {0.5, 0.55, 0.75, 0.875, 1.0}},
        // A target closer to the top than the least depth keeps that depth.
        StretchCase{"TargetAboveTheLeastDepth", 0.95, {0, 0.25, 0.5, 0.75, 1.0}, {0.9, 0.925, 0.95, 0.975, 1.0}},
        // A column without depth is spread evenly down to its target.
        StretchCase{"ColumnWithoutDepth", 0.2, {1.0, 1.0, 1.0, 1.0, 1.0}, {0.2, 0.4, 0.6, 0.8, 1.0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BedMoves, ColumnUnderABlockedBoxMovesOnlyBelowIt) {
    box();
    TSCMinDepth = 0.1;
    OutBlockNo = 1;
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 7; ++j)
            for (int k = 0; k <= 6; ++k) OBlok[i][j][k] = 1;
    // A deck over cell (4, 4) from level 4 up: the columns around it stop at node 3.
    for (int k = 4; k <= 6; ++k) OBlok[4][4][k] = 0;
    zval[3][3][0] = -0.5;
    UpdateGridVerticalBed(3, 3);
    EXPECT_NEAR(zval[3][3][1], -0.5, 1e-12);
    EXPECT_NEAR(zval[3][3][2], 0.0, 1e-12);  // half-way between the new bed and node 3
    EXPECT_EQ(zval[3][3][3], 0.5);
    EXPECT_EQ(zval[3][3][4], 0.75);
    EXPECT_EQ(zval[3][3][5], 1.0);
}

// One block of a bed-change log, every cell changed by `change` except `skip`.
std::string logBlock(double time, double change, int skipI = 0, int skipJ = 0) {
    char text[80];
    std::snprintf(text, sizeof text, "T  %lf seconds\n\n", time);
    std::string s = text;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (i == skipI && j == skipJ) continue;
            std::snprintf(text, sizeof text, "a %4d %4d %9.6lf %5.3lf %5.3lf \n", i, j, change, 0.25, 0.75);
            s += text;
        }
    return s + "\n\n";
}

TEST_F(BedMoves, TwoLogBlocksAddUpAndEachRecordCountsOnce) {
    lnumber = 2;
    box();
    // The second block has no record of cell (3, 3): it adds nothing there.
    writeFile("loggfil.pre", logBlock(100.0, 0.1) + logBlock(200.0, 0.04, 3, 3));
    bed_logg();
    EXPECT_EQ(stime, 200.0);
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 6; ++j) {
            const bool nextToCell33 = i >= 2 && i <= 3 && j >= 2 && j <= 3;
            const double moved = nextToCell33 ? 0.1 + 0.75 * 0.04 : 0.14;
            ASSERT_NEAR(zval[i][j][0], moved, 1e-12) << i << " " << j;
            ASSERT_NEAR(zval[i][j][1], moved, 1e-12) << i << " " << j;
            ASSERT_EQ(zval[i][j][5], 1.0);
        }
    EXPECT_EQ(bedgrain[1][4][4], 0.25);
    EXPECT_EQ(bedgrain[2][4][4], 0.75);
    EXPECT_EQ(readFile("boogie"), "\nLoggfile, time = 100.000000 \n\n\nLoggfile, time = 200.000000 \n\n");
    // The least depth was not set: 3 percent of the mean cell length.
    EXPECT_NEAR(TSCMinDepth, 0.03 * 5 * 0.5 / 6, 1e-15);
}

TEST_F(BedMoves, LogKeepsTheBedAboveTheLowestErodibleLevel) {
    box();
    Surfaces[3][1][1] = -0.1;
    writeFile("loggfil.pre", logBlock(10.0, -0.2));
    bed_logg();
    EXPECT_EQ(zval[1][1][0], 0.0);
    EXPECT_NEAR(zval[2][1][0], -0.2, 1e-12);
}

TEST_F(BedMoves, LongLogIsReadToItsEnd) {
    box();
    std::string log;
    for (int b = 1; b <= 520; ++b) log += logBlock(b, 0.0001);
    writeFile("loggfil.pre", log);
    bed_logg();
    EXPECT_EQ(stime, 520.0);
    EXPECT_NEAR(zval[4][4][0], 0.052, 1e-12);
}

TEST_F(BedMoves, LogRecordOutsideTheGridEndsTheRun) {
    box();
    writeFile("loggfil.pre", "T 1.0 seconds\n\na    7    3  0.100000 1.000 \n");
    EXPECT_EQ(exitCodeOf(bed_logg), -1);
    EXPECT_EQ(readFile("boogie"),
              "\nLoggfile, time = 1.000000 \n\n Error in loggfil.pre: cell i=7 j=3 is outside the grid\n");
}

TEST_F(BedMoves, LogWithoutBlocksChangesNothing) {
    box();
    writeFile("loggfil.pre", std::string(600, 'x') + "a 3 3 0.5 1.0\n");
    bed_logg();
    EXPECT_EQ(column(3, 3), (std::vector<double>{0.0, 0.0, 0.25, 0.5, 0.75, 1.0}));
    EXPECT_EQ(readFile("boogie"), "");
}

TEST_F(BedMoves, MissingLogIsNoted) {
    box();
    bed_logg();
    EXPECT_EQ(readFile("boogie"), "\nNo loggfile observed\n\n");
    EXPECT_STREQ(mc_message, "have not used 'loggfil.pre' ");
}

TEST_F(BedMoves, CellChangesLowerTheBedAndRebuildTheGeometry) {
    box();
    for (int i = 2; i <= 6; ++i)
        for (int j = 2; j <= 6; ++j) bedlevchange[0][i][j] = 0.2;
    nbedchange();
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 6; ++j) {
            ASSERT_NEAR(zval[i][j][0], -0.2, 1e-12);
            ASSERT_NEAR(zval[i][j][1], -0.2, 1e-12);
            ASSERT_NEAR(Surfaces[1][i][j], -0.2, 1e-12);
        }
    EXPECT_NEAR(m_dist_z[3][3][2], 0.3 / 2, 1e-12);
    EXPECT_NEAR(dz3[3][3][2], 0.3, 1e-12);
}

// At start-up the log is replayed before the joint tables and smetric exist:
// the joint row still spans the two blocks' node lines (here a twisted cell of
// negative plan area). A change of every cell moves every node by it.
TEST_F(BedMoves, LogReplayedBeforeTheJointsAreBuiltMovesEveryNode) {
    TwoBlockGrid g;
    g.build();
    for (int i = 0; i <= g.X() + 1; ++i)
        for (int j = 0; j <= g.Y + 1; ++j) Surfaces[3][i][j] = -100.0;
    metric();
    ASSERT_LT(m_armap[g.jointRow()][2], 0.0);
    writeFile("loggfil.pre", logBlock(10.0, 0.1));
    bed_logg();
    for (int i = 1; i <= g.X(); ++i)
        for (int j = 1; j <= g.Y; ++j) ASSERT_NEAR(zval[i][j][0], 0.1, 1e-12) << i << " " << j;
}

// Across a block joint the wall nodes of the host columns move with their two
// host cells and the two joint cells against them, and the last node line
// before the joint with its own cells only.
TEST_F(BedMoves, JointNodesFollowTheirOwnCells) {
    TwoBlockGrid g;
    g.blockDy = g.dy;  // cells of equal plan area on both sides
    g.build();
    metric();
    MultiBlockInit();
    smetric();
    const int a = g.jointRow();
    for (int i = a; i <= g.X(); ++i)
        for (int j = 2; j <= g.Y; ++j) bedlevchange[0][i][j] = 0.2;
    nbedchange();
    // Host columns 3..5 on wall j = 1: nodes (3, 1) and (4, 1) lie between two joint cells.
    EXPECT_NEAR(zval[3][1][0], -0.1, 1e-12);
    EXPECT_NEAR(zval[4][1][0], -0.1, 1e-12);
    EXPECT_NEAR(zval[5][1][0], 0.0, 1e-12);
    EXPECT_NEAR(zval[6][1][0], 0.0, 1e-12);
    for (int j = 1; j <= g.Y; ++j) EXPECT_NEAR(zval[g.mainLines][j][0], 0.0, 1e-12) << j;
    EXPECT_NEAR(zval[a + 1][2][0], -0.2, 1e-12);
}

}  // namespace
