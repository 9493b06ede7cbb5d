// The result file: its text, its file errors and the restart reader.
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>

#include "run/reset.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "output/result_file.h"
#include "output_fixture.h"

using namespace quird_test;
namespace fs = std::filesystem;

namespace {

std::string zeroRecord(int i, int j, int k) {
    char line[64];
    std::snprintf(line, sizeof line, "G %2d %2d %2d", i, j, k);
    std::string s = line;
    for (int n = 0; n < 10; ++n) s += " 0.00000000e+00";
    return s;
}

class ResultFile : public OutputTest {};

TEST_F(ResultFile, GoldenTextOfASmallGrid) {
    Iter = 17;
    const double residuals[] = {0.5, 0.25, 1e-3, 12.5, 2.0, 3.0};
    for (int e = 1; e <= 6; ++e) MaxResidual[e] = residuals[e - 1];
    XksWall = 0.05;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    xvel[2][2][2] = 1.25, yvel[2][2][2] = -0.5, zvel[2][2][2] = 1e-3;
    kinen[2][2][2] = 0.0123456789, epsilon[2][2][2] = -2e-5, gama[2][2][2] = 0.15;
    flow1[2][2][2] = 1234.5678901, flow2[2][2][2] = 3e-31, flow3[2][2][2] = -7.5, Pres[2][2][2] = 9810.0;
    kinen[1][1][0] = 1e-31, epsilon[1][1][0] = nan;
    kinen[3][3][3] = 1e-30, epsilon[3][3][3] = -1.0, gama[3][3][3] = 2.5;
    sprintflow();

    const std::vector<std::string> lines = readLines("result");
    ASSERT_EQ(lines.size(), 5u + 3 * 3 * 4);
    EXPECT_EQ(lines[0], "Results from QUIRD - flow, iter = 17");
    EXPECT_EQ(lines[1], "Residuals: 0.500000 0.250000 0.001000 12.500000 2.000000 3.000000");
    EXPECT_EQ(lines[2], "Roughness : 0.050000");
    EXPECT_EQ(lines[3], "C 2 2 2");
    EXPECT_EQ(lines[4],
              "   i  j  k        u              v              w              k           epsilon        eddy-visc "
              "        f1             f2             f3              p");
    EXPECT_EQ(lines[4].size(), 155u);
    size_t n = 5;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            for (int k = 0; k <= 3; ++k, ++n) {
                std::string want = zeroRecord(i, j, k);
                if (i == 2 && j == 2 && k == 2)
                    want = "G  2  2  2 1.25000000e+00 -5.00000000e-01 1.00000000e-03 1.23456789e-02 0.00000000e+00 "
                           "1.50000000e-01 1.23456789e+03 3.00000000e-31 -7.50000000e+00 9.81000000e+03";
                if (i == 1 && j == 1 && k == 0)
                    want = "G  1  1  0 0.00000000e+00 0.00000000e+00 0.00000000e+00 0.00000000e+00            nan "
                           "0.00000000e+00 0.00000000e+00 0.00000000e+00 0.00000000e+00 0.00000000e+00";
                if (i == 3 && j == 3 && k == 3)
                    want = "G  3  3  3 0.00000000e+00 0.00000000e+00 0.00000000e+00 1.00000000e-30 0.00000000e+00 "
                           "2.50000000e+00 0.00000000e+00 0.00000000e+00 0.00000000e+00 0.00000000e+00";
                EXPECT_EQ(lines[n], want);
            }
    EXPECT_STREQ(mc_message, "have written result file  ");
    EXPECT_FALSE(fs::exists("boogie"));
}

TEST_F(ResultFile, AFileThatCannotBeOpenedEndsWithMinus3WithoutALogLine) {
    fs::create_directory("result");
    EXPECT_EQ(exitCodeOf(sprintflow), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'result' ");
    EXPECT_FALSE(fs::exists("boogie"));
    EXPECT_EQ(gFlagWriteR, 1);
}

TEST_F(ResultFile, AWriteThatFailsEndsWithMinus3) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", "result");
    EXPECT_EQ(exitCodeOf(sprintflow), -3);
    EXPECT_STREQ(mc_message, "cannot write file 'result' ");
    EXPECT_EQ(readFile("boogie"), "Error, cannot write file 'result'\n");
}

// ---------------------------------------------------------------------------
// Restart reader.
// ---------------------------------------------------------------------------
class Restart : public OutputTest {
protected:
    int read(const std::string& text) {
        writeFile("result", text);
        return exitCodeOf(readres);
    }
    std::string log() { return readFile("boogie"); }
};

const char kWarning[] = "Warning: may not have read correct number of data sets from result\tfile\n";

TEST_F(Restart, EveryRecordType) {
    Pres[2][2][3] = 77.0;
    xvel[2][2][0] = -1.0;
    ASSERT_EQ(read("Results from QUIRD - flow, iter = 5\n"
                   "C 2 2 2\n"
                   "A 2 2 2 1 2 3 400 0.5 0.25\n"
                   "B 2 2 3 4 5 6 0.3 0.2 11 12 13\n"
                   "D 3 2 2 1 1 1 1e-21 -3 7 8 9 10\n"
                   "E 3 3 2 1 1 1 1e-21 2e-21 7 8 9 10\n"
                   "F 2 3 0 1 2 3 0.4 0.1 4 5 6 700\n"
                   "G 3 3 0 0.1 0.2 0.3 0.04 0.01 0.6 1 2 3 800\n"
                   "A 2 2 0 9 9 9 9 9 9\n"
                   "G 4 1 1 9 9 9 9 9 9 9 9 9 9\n"
                   "S 1 1 5.5\nS 2 1 6.5\nS 2 2 7.5\n"),
              kNoExit);
    struct Expect {
        const char* what;
        double got, want;
    };
    const Expect cells[] = {
        {"A u", xvel[2][2][2], 1.0},        {"A p", Pres[2][2][2], 400.0},       {"A k", kinen[2][2][2], 0.5},
        {"A eps", epsilon[2][2][2], 0.25},  {"A diff", diff[2][2][2], 0.09},     {"B w", zvel[2][2][3], 6.0},
        {"B f3", flow3[2][2][3], 13.0},     {"B p kept", Pres[2][2][3], 77.0},   {"B diff", diff[2][2][3], 0.09 * 0.09 / 0.2},
        {"D k", kinen[3][2][2], 0.0},       {"D eps", epsilon[3][2][2], 0.0},    {"D p", Pres[3][2][2], 10.0},
        {"E k", kinen[3][3][2], 1e-21},     {"E eps", epsilon[3][3][2], 2e-21},  {"F k=0 u", xvel[2][3][0], 1.0},
        {"F p", Pres[2][3][0], 700.0},      {"G gama", gama[3][3][0], 0.6},      {"G gamaV", gamaV[3][3][0], 0.6},
        {"G diff", diff[3][3][0], 0.0006},  {"G f1", flow1[3][3][0], 1.0},       {"A k=0 ignored", xvel[2][2][0], -1.0},
        {"S i=1", bedshear[1][1], 0.0},     {"S j=1", bedshear[2][1], 6.5},      {"S j=2", bedshear[2][2], 150.0},
    };
    for (const Expect& e : cells) EXPECT_NEAR(e.got, e.want, 1e-12 * (1 + std::fabs(e.want))) << e.what;
    EXPECT_EQ(log(), std::string(" In readres \n\nHave read 6 cells from result file\n") + kWarning);
    EXPECT_EQ(FlagInitialized, 1);
    EXPECT_STREQ(mc_message, " Have finished reading 'result'");
    EXPECT_STREQ(mc_program, " Readres-reading results ");
}

TEST_F(Restart, SmallestGridReadsBackWhatWasWritten) {
    for (int i = 0; i <= 3; ++i)
        for (int j = 0; j <= 3; ++j)
            for (int k = 0; k <= 3; ++k) {
                const double s = 100 * i + 10 * j + k;
                xvel[i][j][k] = 0.01 * s, yvel[i][j][k] = -0.02 * s, zvel[i][j][k] = 1e-4 * s;
                kinen[i][j][k] = 1e-3 * s, epsilon[i][j][k] = 2e-4 * s, gama[i][j][k] = 3e-2 * s;
                flow1[i][j][k] = 7 * s, flow2[i][j][k] = -3 * s, flow3[i][j][k] = s / 3.0, Pres[i][j][k] = 9.81 * s;
            }
    kinen[2][2][2] = 1e-31;
    writeResultFile();
    const std::string written = readFile("result");
    resetEngine();
    allocateGrid(2, 2, 2);
    ASSERT_EQ(exitCodeOf(readres), kNoExit);
    EXPECT_EQ(log(), " In readres \n\nHave read 36 cells from result file\n");
    EXPECT_EQ(kinen[2][2][2], 0.0);
    EXPECT_EQ(gamaV[3][2][1], gama[3][2][1]);
    EXPECT_NEAR(diff[3][2][1], 0.001 * gama[3][2][1], 1e-15);
    EXPECT_NEAR(bedshear[3][2], 300.0 * kinen[3][2][2], 1e-12);
    fs::remove("result");
    writeResultFile();
    EXPECT_EQ(readFile("result"), written);
}

TEST_F(Restart, CellsAfterTheExpectedCountStopAtTabsAndCarriageReturns) {
    writeResultFile();
    const std::string full = readFile("result");
    const std::string extra = "G 2 2 2 99 0 0 0 0 0 0 0 0 0\n";
    struct Case {
        const char* separator;
        int cells;
    };
    const Case cases[] = {{"\t", 36}, {"\r\n", 36}, {" ", 37}, {"\n", 37}};
    for (const Case& c : cases) {
        xvel[2][2][2] = 0.0;
        fs::remove("boogie");
        ASSERT_EQ(read(full + c.separator + extra), kNoExit);
        EXPECT_EQ(xvel[2][2][2], c.cells == 37 ? 99.0 : 0.0) << int(c.separator[0]);
        EXPECT_EQ(log().find("Have read " + std::to_string(c.cells) + " cells"), 14u) << log();
    }
}

TEST_F(Restart, OnlyAByteOf255EndsTheScanEarly) {
    struct Case {
        const char* byte;
        double second;
    };
    const Case cases[] = {{"\xff", 0.0}, {"\xfe", 6.0}, {"\x7f", 6.0}, {"\x80", 6.0}};
    for (const Case& c : cases) {
        xvel[2][2][2] = xvel[2][2][3] = 0.0;
        ASSERT_EQ(read(std::string("G 2 2 2 5 0 0 0 0 0 0 0 0 0\n") + c.byte + "G 2 2 3 6 0 0 0 0 0 0 0 0 0\n"), kNoExit);
        EXPECT_EQ(xvel[2][2][2], 5.0);
        EXPECT_EQ(xvel[2][2][3], c.second) << int(static_cast<unsigned char>(c.byte[0]));
    }
}

TEST_F(Restart, ARecordCutShortKeepsTheCellAndIsNotCounted) {
    xvel[2][2][2] = 4.0;
    ASSERT_EQ(read("G 2 2 1 1 0 0 0 0 0 0 0 0 0\nG 2 2 2 1 2 3"), kNoExit);
    EXPECT_EQ(xvel[2][2][2], 4.0);
    EXPECT_EQ(xvel[2][2][1], 1.0);
    EXPECT_EQ(log(), std::string(" In readres \n\nHave read 1 cells from result file\n") + kWarning);
}

TEST_F(Restart, AnotherGridEndsWithMinus7BeforeAnyCellIsStored) {
    EXPECT_EQ(read("C 3 2 2\nG 2 2 2 5 0 0 0 0 0 0 0 0 0\n"), -7);
    EXPECT_STREQ(mc_message, " Error in reading result file");
    EXPECT_EQ(log(), " In readres \n\n Error in reading result file");
    EXPECT_EQ(xvel[2][2][2], 0.0);
    EXPECT_EQ(FlagInitialized, 0);
}

TEST_F(Restart, AMissingFileEndsWithMinus3) {
    writeFile("result.00000", "C 2 2 2\n");
    EXPECT_EQ(exitCodeOf(readres), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'result' ");
    EXPECT_EQ(log(), " cannot open file 'result' ");
}

TEST(RestartBudget, CoversTheHeaderAndLargeGrids) {
    const std::int64_t header = readresBudget(0, 0, 0);
    EXPECT_GT(header, 2000);  // five header lines at their widest
    EXPECT_EQ(readresBudget(2, 2, 2), 240 + header);
    EXPECT_EQ(readresBudget(1000, 1000, 1000), 20 * (1000000000LL + 1000000LL) + header);
    EXPECT_GT(readresBudget(1000, 1000, 1000), INT_MAX);
}

}  // namespace
