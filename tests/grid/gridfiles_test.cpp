// Grid files: koosurf and xcyc read by ReadXCYC, koordina.new and koosurf
// written by writekoor.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "control/engine.h"
#include "grid/grid.h"
#include "support/gridfiles.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class GridFiles : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        xnumber = 4;
        ynumber = 3;
        znumber = 3;
        lnumber = 1;
        ASSERT_EQ(sialloc(), 0);
        std::filesystem::remove("boogie");
        zdistrib[1] = 0.0;
        zdistrib[2] = 25.0;
        zdistrib[3] = 100.0;
    }
    // A sloping plan grid: node (i, j) at x = 2i + 0.5j, y = j, bed 0.1 i, surface 2.
    static void fillGrid() {
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) {
                xval[i][j] = 2.0 * i + 0.5 * j;
                yval[i][j] = j;
                zval[i][j][0] = 0.1 * i;
                for (int k = 1; k <= znumber; ++k)
                    zval[i][j][k] = 0.1 * i + (2.0 - 0.1 * i) * zdistrib[k] / 100.0;
            }
    }
    static void clearGrid() {
        for (auto* a : {&xval, &yval}) std::fill(a->data(), a->data() + a->size(), 0.0);
        for (auto* a : {&zval, &Xc, &Yc}) std::fill(a->data(), a->data() + a->size(), 0.0);
    }
};

TEST_F(GridFiles, KoosurfAloneRedistributesEveryColumn) {
    fillGrid();
    std::string text = koosurfText();
    text += "0 3 99 99 99 99\n";          // outside: skipped
    text += "6 3 99 99 99 99\n";          // xnumber+2: skipped
    text += "5 3 7.5 8.5 0.5 3.5\n";      // xnumber+1: the ghost column
    writeFile("koosurf", text);
    clearGrid();
    ReadXCYC();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            EXPECT_DOUBLE_EQ(xval[i][j], 2.0 * i + 0.5 * j);
            EXPECT_DOUBLE_EQ(zval[i][j][0], 0.1 * i);
            EXPECT_DOUBLE_EQ(zval[i][j][1], 0.1 * i);  // bed node on the target bed level
            EXPECT_DOUBLE_EQ(zval[i][j][2], 0.1 * i + (2.0 - 0.1 * i) * 0.25);
            EXPECT_DOUBLE_EQ(zval[i][j][3], 2.0);
            for (int k = 1; k <= znumber; ++k) {
                EXPECT_EQ(Xc[i][j][k], xval[i][j]);
                EXPECT_EQ(Yc[i][j][k], yval[i][j]);
            }
        }
    EXPECT_EQ(xval[5][3], 7.5);
    EXPECT_EQ(zval[5][3][3], 3.5);
    EXPECT_EQ(xval[0][3], 0.0);
    EXPECT_EQ(readFile("boogie"), "Have used file 'koosurf'\ncannot open file 'xcyc' \n");
    EXPECT_STREQ(mc_message, "have read xcyc/koosurf ");
}

TEST_F(GridFiles, XcycAloneGivesTheNodesAndTheTargetBed) {
    fillGrid();
    std::vector<double> xc, yc;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) {
                xc.push_back(2.0 * i + 0.5 * j + 0.01 * k);  // lines that lean with height
                yc.push_back(j - 0.02 * k);
            }
    writeFile("xcyc", xcycText(xc.data(), yc.data()));
    clearGrid();
    zval[2][2][0] = -5.0;
    ReadXCYC();
    int n = 0;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k, ++n) {
                EXPECT_NEAR(Xc[i][j][k], xc[n], 1e-4);
                EXPECT_NEAR(Yc[i][j][k], yc[n], 1e-4);
            }
    EXPECT_NEAR(xval[3][2], 2.0 * 3 + 0.5 * 2 + 0.01, 1e-4);  // the plan node is the bed node
    EXPECT_NEAR(yval[3][2], 2.0 - 0.02, 1e-4);
    EXPECT_NEAR(zval[2][2][2], 0.2 + 1.8 * 0.25, 1e-5);
    EXPECT_EQ(zval[2][2][0], zval[2][2][1]);
    EXPECT_EQ(readFile("boogie"), "Have not used file 'koosurf'\nReading data from xcyc\n");
}

TEST_F(GridFiles, XcycOverridesKoosurfButKeepsItsTargetBed) {
    fillGrid();
    writeFile("koosurf", koosurfText());
    for (int j = 1; j <= ynumber; ++j)
        for (int k = 1; k <= znumber; ++k) zval[3][j][k] += 1.0;  // xcyc has other levels
    writeFile("xcyc", xcycText());
    clearGrid();
    ReadXCYC();
    EXPECT_NEAR(zval[3][2][1], 1.3, 1e-5);
    EXPECT_DOUBLE_EQ(zval[3][2][0], 0.3);
    EXPECT_NEAR(xval[4][1], 8.5, 1e-4);
}

TEST_F(GridFiles, NeitherFileChangesNothing) {
    fillGrid();
    ReadXCYC();
    EXPECT_EQ(readFile("boogie"), "Have not used file 'koosurf'\ncannot open file 'xcyc' \n");
    EXPECT_STREQ(mc_message, "have read xcyc/koosurf ");
    EXPECT_DOUBLE_EQ(zval[2][2][2], 0.2 + 1.8 * 0.25);
}

TEST_F(GridFiles, ShortOrMalformedXcycIsRefused) {
    fillGrid();
    const std::string full = xcycText();
    for (const std::string& text :
         {full.substr(0, full.size() - 40), full.substr(0, 60) + " x" + full.substr(60)}) {
        writeFile("xcyc", text);
        std::filesystem::remove("boogie");
        EXPECT_EQ(exitCodeOf(ReadXCYC), -1);
        EXPECT_EQ(readLines("boogie").back(), "Error, file 'xcyc' is short or malformed");
    }
}

TEST_F(GridFiles, KoordinaNewHasTheLayoutOfTheRun) {
    fillGrid();
    FlagRoof = 1;
    writekoor();
    auto lines = readLines("koordina.new");
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "1 1 2.500000 1.000000 0.100000");
    EXPECT_EQ(lines[3], "2 1 4.500000 1.000000 0.200000");
    EXPECT_FALSE(std::filesystem::exists("koosurf"));
    FlagRoof = 0;
    writekoor();
    lines = readLines("koordina.new");
    EXPECT_EQ(lines[0], "1 1 2.500000 1.000000 0.100000 2.000000");
}

TEST_F(GridFiles, KoosurfOfTheTransientSurfaceReadsBack) {
    fillGrid();
    FlagTFS = 1;
    writekoor();
    clearGrid();
    ReadXCYC();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            EXPECT_NEAR(xval[i][j], 2.0 * i + 0.5 * j, 1e-6);
            EXPECT_NEAR(zval[i][j][0], 0.1 * i, 1e-6);
            EXPECT_NEAR(zval[i][j][znumber], 2.0, 1e-6);
        }
}

TEST_F(GridFiles, AGridFileThatCannotBeWrittenEndsTheRun) {
    fillGrid();
    std::filesystem::create_directory("koordina.new");
    EXPECT_EQ(exitCodeOf(writekoor), -3);
    EXPECT_EQ(readLines("boogie").back(), "Error, cannot write file 'koordina.new'");
    std::filesystem::remove("koordina.new");
    std::filesystem::create_directory("koosurf");
    FlagTFS = 1;
    EXPECT_EQ(exitCodeOf(writekoor), -3);
    EXPECT_EQ(readLines("boogie").back(), "Error, cannot write file 'koosurf'");
}

}  // namespace
