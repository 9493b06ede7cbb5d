// Grid files: koosurf and xcyc read by ReadXCYC, koordina.new and koosurf
// written by writekoor.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "control/readers.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "output/output.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// The grid files of the current grid as the result output writes them; the
// file not asked for is removed.
std::string writtenKoosurf() {
    writespider();
    std::filesystem::remove("xcyc");
    return readFile("koosurf");
}
std::string writtenXcyc() {
    writespider();
    std::filesystem::remove("koosurf");
    return readFile("xcyc");
}

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
    std::string text = writtenKoosurf();
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
    writtenXcyc();
    clearGrid();
    zval[2][2][0] = -5.0;
    ReadXCYC();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) {
                EXPECT_NEAR(Xc[i][j][k], 2.0 * i + 0.5 * j, 5e-5);
                EXPECT_NEAR(Yc[i][j][k], j, 5e-5);
                EXPECT_NEAR(zval[i][j][k], 0.1 * i + (2.0 - 0.1 * i) * zdistrib[k] / 100.0, 5e-6);
            }
    EXPECT_NEAR(xval[3][2], 2.0 * 3 + 0.5 * 2, 5e-5);
    EXPECT_NEAR(yval[3][2], 2.0, 5e-5);
    EXPECT_EQ(zval[2][2][0], zval[2][2][1]);
    EXPECT_EQ(readFile("boogie"), "Have not used file 'koosurf'\nReading data from xcyc\n");
}

TEST_F(GridFiles, XcycOverridesKoosurfButKeepsItsTargetBed) {
    fillGrid();
    const std::string koosurf = writtenKoosurf();
    for (int j = 1; j <= ynumber; ++j)
        for (int k = 1; k <= znumber; ++k) zval[3][j][k] += 1.0;  // xcyc has other levels
    writtenXcyc();
    writeFile("koosurf", koosurf);
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
    const std::string full = writtenXcyc();
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

// Run letter X reads the grid files into the current grid; what it takes
// shows in the plan position of a node: koosurf's is shifted by 10 m, xcyc's
// by 20 m.
struct LetterXCase {
    const char* name;
    friend void PrintTo(const LetterXCase& c, std::ostream* os) { *os << c.name; }
    bool koosurf, xcyc;
    double shift;
    const char* log;
};

class RunLetterX : public GridFiles, public ::testing::WithParamInterface<LetterXCase> {};

TEST_P(RunLetterX, ReadsTheGridFiles) {
    const LetterXCase& c = GetParam();
    fillGrid();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) xval[i][j] += 10.0;
    const std::string koosurf = writtenKoosurf();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) xval[i][j] += 10.0;
    const std::string xcyc = writtenXcyc();
    for (const char* name : {"boogie", "xcyc"}) std::filesystem::remove(name);
    if (c.koosurf) writeFile("koosurf", koosurf);
    if (c.xcyc) writeFile("xcyc", xcyc);
    fillGrid();
    std::memset(run, ' ', sizeof run);
    run[0] = 'X';
    IterF2 = 1;
    runTasks = defaultRunTasks();
    runStringLoop();
    EXPECT_NEAR(xval[3][2], 2.0 * 3 + 0.5 * 2 + c.shift, 1e-4);
    EXPECT_EQ(readFile("boogie"), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RunLetterX,
    ::testing::Values(LetterXCase{"Both", true, true, 20.0, "Have used file 'koosurf'\nReading data from xcyc\n"},
                      LetterXCase{"KoosurfAlone", true, false, 10.0, "Have used file 'koosurf'\ncannot open file 'xcyc' \n"},
                      LetterXCase{"Neither", false, false, 0.0, "Have not used file 'koosurf'\ncannot open file 'xcyc' \n"}),
    [](const auto& info) { return std::string(info.param.name); });

// koordina.new of an open channel (five numbers per line) and of a conduit
// (six) reads back as koordina to the grid it was written from.
struct ReadBackCase {
    const char* name;
    friend void PrintTo(const ReadBackCase& c, std::ostream* os) { *os << c.name; }
    const char* roof;  // K 2 data set
    size_t fields;
};

class KoordinaNew : public EngineTest, public ::testing::WithParamInterface<ReadBackCase> {};

TEST_P(KoordinaNew, ReadsBackAsKoordina) {
    const ReadBackCase& c = GetParam();
    std::string koordina;
    char line[120];
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 4; ++j) {
            const double x = 2.0 * i + 0.5 * j, y = 1.1 * j, bed = 0.1 * i - 0.02 * j, roof = 2.0 + 0.05 * j;
            if (c.fields == 5)
                std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, x, y, bed);
            else
                std::snprintf(line, sizeof line, "%d %d %lf %lf %lf %lf\n", i, j, x, y, bed, roof);
            koordina += line;
        }
    writeFile("control", std::string("G 1 5 4 4 1\nG 3 0 20 60 100\nW 1 50 1 2.5\n") + c.roof);
    writeFile("koordina", koordina);
    ASSERT_EQ(exitCodeOf(kread), kNoExit) << readFile("boogie");
    writekoor();
    const auto lines = readLines("koordina.new");
    ASSERT_EQ(lines.size(), 20u);
    for (const std::string& l : lines) {
        size_t numbers = 0;
        for (size_t p = 0; (p = l.find_first_not_of(' ', p)) != std::string::npos; p = l.find(' ', p)) ++numbers;
        EXPECT_EQ(numbers, c.fields) << l;
    }
    std::vector<double> before;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            before.insert(before.end(), {xval[i][j], yval[i][j]});
            for (int k = 1; k <= znumber; ++k) before.push_back(zval[i][j][k]);
        }
    std::filesystem::rename("koordina.new", "koordina");
    for (auto* a : {&xval, &yval}) std::fill(a->data(), a->data() + a->size(), 0.0);
    std::fill(zval.data(), zval.data() + zval.size(), 0.0);
    ASSERT_EQ(exitCodeOf(readGridInput), kNoExit) << readFile("boogie");
    size_t n = 0;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            EXPECT_NEAR(xval[i][j], before[n++], 1e-6) << i << " " << j;
            EXPECT_NEAR(yval[i][j], before[n++], 1e-6) << i << " " << j;
            for (int k = 1; k <= znumber; ++k) EXPECT_NEAR(zval[i][j][k], before[n++], 1e-6) << i << " " << j << " " << k;
        }
}

INSTANTIATE_TEST_SUITE_P(Layouts, KoordinaNew,
                         ::testing::Values(ReadBackCase{"OpenChannel", "", 5}, ReadBackCase{"Conduit", "K 2 0 0\n", 6}),
                         [](const auto& info) { return std::string(info.param.name); });

// Whole runs of a conduit 2 m wide, 1 m high in koordina, with option X of
// F 7: the initial state logs the cross-section of the grid the files gave
// (koosurf raises the roof to 1.5 m, xcyc to 2 m); without either file the
// run cannot go on.
struct OptionXCase {
    const char* name;
    friend void PrintTo(const OptionXCase& c, std::ostream* os) { *os << c.name; }
    bool koosurf, xcyc;
    int code;
    std::vector<std::string> logged;
};

class OptionXRun : public EngineTest, public ::testing::WithParamInterface<OptionXCase> {};

TEST_P(OptionXRun, BuildsTheConduitFromTheGridFiles) {
    const OptionXCase& c = GetParam();
    boxGrid(6, 5, 5, 1.0, 0.5, 0.25);
    std::string koordina;
    char line[120];
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 5; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf 0.0 1.0\n", i, j, xval[i][j], yval[i][j]);
            koordina += line;
        }
    Case run;
    run.file("control", "G 1 6 5 5 1\nG 3 0 25 50 75 100\nK 2 0 0\nW 1 50 1 1\nF 7 X\nF 2 A\n").file("koordina", koordina);
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 5; ++j) zval[i][j][5] = 1.5;
    if (c.koosurf) run.file("koosurf", writtenKoosurf());
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 5; ++j)
            for (int k = 1; k <= 5; ++k) zval[i][j][k] = 0.5 * (k - 1);
    if (c.xcyc) run.file("xcyc", writtenXcyc());
    EXPECT_EQ(run.run(), c.code);
    for (const std::string& text : c.logged) EXPECT_NE(run.boogie().find(text), std::string::npos) << run.boogie();
}

INSTANTIATE_TEST_SUITE_P(
    Files, OptionXRun,
    ::testing::Values(OptionXCase{"Both", true, true, 0,
                                  {"Have used file 'koosurf'\nReading data from xcyc\n",
                                   "i=3 radius=1.000000 avvvelocity=0.250000 area=4.000000\n"}},
                      OptionXCase{"KoosurfAlone", true, false, 0,
                                  {"Have used file 'koosurf'\ncannot open file 'xcyc' \n",
                                   "i=3 radius=0.750000 avvvelocity=0.333333 area=3.000000\n"}},
                      OptionXCase{"Neither", false, false, -3,
                                  {"Error, option X of F 7: cannot open file 'koosurf' nor file 'xcyc'\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
