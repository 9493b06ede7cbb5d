// Field values at the points of interpol, written to interres in the modes
// of F 48 1 to 4 and 19.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "output/output.h"
#include "output/state.h"
#include "sediment/state.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

int countLines(const std::string& file, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : readLines(file)) n += line.rfind(prefix, 0) == 0;
    return n;
}

class Interres : public EngineTest {
protected:
    // 3 x 3 cells of 1 m, two levels: nodes at x, y = 0..3, the inside
    // nodes at 1 and 2. Linear fields: u = 2x - y + 3 and v = y at the cell
    // centres, w = 0.1 k, k = 0.01 (i + j), epsilon = k; conc[l] = l/4 + 0.001 i.
    void SetUp() override {
        EngineTest::SetUp();
        small();
    }
    static void small() {
        lnumber = 2;
        boxGrid(4, 4, 2, 1.0, 1.0, 1.0);
        metric();
        for (int i = 0; i <= 5; ++i)
            for (int j = 0; j <= 5; ++j) {
                zval[i][j][0] = 0.1 * i + 0.01 * j;
                const double x = i - 1.5, y = j - 1.5;
                for (int k = 0; k <= 3; ++k) {
                    xvel[i][j][k] = 2 * x - y + 3;
                    yvel[i][j][k] = y;
                    zvel[i][j][k] = 0.1 * k;
                    kinen[i][j][k] = 0.01 * (i + j);
                    epsilon[i][j][k] = k;
                    for (int l = 0; l <= 2; ++l) conc[l][i][j][k] = l == 0 ? 1e-16 : 0.25 * l + 0.001 * i;
                }
            }
    }
    static std::string call(int mode, double time) {
        FlagInterpolVal = mode;
        stime = time;
        EXPECT_EQ(exitCodeOf(sprintflow), kNoExit) << readFile("boogie");
        return readFile("interres");
    }
};

// Points 1 and 3 inside, 2 nearest the corner node (1,1). Point 1 lies on
// node (2,2): the four cells around it weigh alike, and the linear fields
// come out at the node exactly (u = 2 - 1 + 3).
TEST_F(Interres, GoldenFilesOfTheModes) {
    writeFile("interpol", "M 1.0 1.0\nM 0.1 0.1\nM 2.0 2.0\n");
    EXPECT_EQ(call(1, 0.0),
              "M 1.000000 1.000000 0.220000\nM 0.100000 0.100000 0.130655\nM 2.000000 2.000000 0.330000\n");
    EXPECT_EQ(call(2, 0.0),
              "M 1.000000 1.000000\nLevel  U  V  W  k  epsilon\n"
              "1.000000 4.000000 1.000000 0.300000 0.050000 3.000000\n"
              "0.500000 4.000000 1.000000 0.200000 0.050000 2.000000\n"
              "0.000000 4.000000 1.000000 0.100000 0.050000 1.000000\n"
              "M 0.100000 0.100000 not inside geometry\n");
    std::string three;
    for (int l = 0; l <= 2; ++l) {
        char block[200];
        const double c = l == 0 ? 1e-16 : 0.25 * l + 0.0025;
        std::snprintf(block, sizeof block, "C 1.000000 1.000000, size = %d\n1.000000 %e\n0.500000 %e\n0.000000 %e\n",
                      l, c, c, c);
        three += block;
    }
    EXPECT_EQ(call(3, 0.0), three + "M 0.100000 0.100000 not inside geometry\n");
    EXPECT_EQ(call(4, 0.0), "M 0.100000 0.100000 not inside geometry\n");

    resetEngine();
    small();
    writeFile("interpol", "T 5 1.0 1.0\nT 5 0.1 0.1\nT 5 2.0 2.0\nM 1.0 1.0\n");
    EXPECT_EQ(call(19, 5.0),
              "Time  x   y  conc\nMT 5.000000 1.000000 1.000000 0.0 2.525000e-01 5.025000e-01\n"
              "M 0.100000 0.100000 not inside geometry\n");
    EXPECT_STREQ(mc_message, "have written interres file  ");
}

// An M point and a T point for 3600 s at (10, 5): the M point at every call,
// the T point within 0.1 s of 3600 (modes 1 to 4) or strictly within (19).
TEST_F(Interres, UntimedAndTimedPointsOverTheCalls) {
    resetEngine();
    boxGrid(8, 6, 3, 2.0, 2.0, 0.5);
    metric();
    writeFile("interpol", "M 10.0 5.0\nT 3600 10.0 5.0\n");
    struct Step {
        double time;
        int profiles, seriesLines;
    };
    const Step steps[] = {{0.0, 1, 0}, {3599.95, 2, 1}, {3600.05, 2, 2}, {3700.0, 1, 2}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.time);
        call(2, s.time);
        EXPECT_EQ(countLines("interres", "M 10.000000 5.000000"), s.profiles);
    }
    resetEngine();
    boxGrid(8, 6, 3, 2.0, 2.0, 0.5);
    metric();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.time);
        call(19, s.time);
        EXPECT_EQ(countLines("interres", "MT 3600.000000 10.000000 5.000000"), s.seriesLines);
        EXPECT_EQ(countLines("interres", "Time"), 1);
        EXPECT_EQ(countLines("interres", "M "), 0);
    }
}

// A T point at time 0 is due at every call of the profile modes and never
// in the series; the outer node lines are outside except for mode 1; a point
// beyond the search's reach is outside in every mode.
TEST_F(Interres, TimeZeroOuterNodesAndFarPoints) {
    struct Case {
        const char* interpol;
        int mode;
        const char* expected;
    };
    const Case cases[] = {
        {"T 0 1.0 1.0\n", 4, ""},
        {"T 0 1.0 1.0\n", 1, "M 1.000000 1.000000 0.220000\n"},
        {"T 0 1.0 1.0\n", 19, "Time  x   y  conc\n"},
        {"M 3.0 1.5\n", 4, "M 3.000000 1.500000 not inside geometry\n"},
        {"M 1.5 2.9\n", 2, "M 1.500000 2.900000 not inside geometry\n"},
        {"T 5 2.9 2.9\n", 19, "Time  x   y  conc\nM 2.900000 2.900000 not inside geometry\n"},
        {"M 100000 0\nM 1.0 1.0\n", 1, "M 100000.000000 0.000000 not inside geometry\n"},
        {"T 5 2000000 0\n", 19, "Time  x   y  conc\nM 2000000.000000 0.000000 not inside geometry\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.interpol) + std::to_string(c.mode));
        resetEngine();
        small();
        writeFile("interpol", c.interpol);
        EXPECT_EQ(call(c.mode, 5.0), c.expected);
    }
    // Mode 1 still locates a point by the outer node lines: the nearest cell.
    resetEngine();
    small();
    writeFile("interpol", "M 3.0 1.5\n");
    call(1, 0.0);
    EXPECT_EQ(countLines("interres", "M 3.000000 1.500000 0."), 1);
}

// A point on a cell centre takes that cell's value with the weight 1e6.
TEST_F(Interres, PointOnACellCentreTakesItsValue) {
    for (int k = 0; k <= 3; ++k) xvel[3][3][k] = 10.0;
    writeFile("interpol", "M 1.5 1.5\n");
    call(2, 0.0);
    const auto lines = readLines("interres");
    ASSERT_EQ(lines.size(), 5u);
    double level, u;
    ASSERT_EQ(std::sscanf(lines[3].c_str(), "%lf %lf", &level, &u), 2);
    EXPECT_NEAR(u, 10.0, 10.0 * 3e-6);  // the three others weigh about 2.7 against 1e6
}

// The list: read once per run, at most 999 points, a record that does not
// read dropped with a line in boogie, a byte 0xFF ending the scan.
TEST_F(Interres, ReadingThePointList) {
    std::string many;
    for (int p = 0; p < 1200; ++p) many += "M 1.0 1.0\n";
    writeFile("interpol", many);
    call(1, 0.0);
    EXPECT_EQ(countLines("interres", "M "), 999);
    writeFile("interpol", "M 2.0 2.0\n");
    call(1, 0.0);
    EXPECT_EQ(countLines("interres", "M 1.000000"), 999);

    resetEngine();
    small();
    writeFile("interpol", std::string("M 1.0 x\nM 2.0 2.0\n\xff M 1.0 1.0\n"));
    EXPECT_EQ(call(1, 0.0), "M 2.000000 2.000000 0.330000\n");
    EXPECT_NE(readFile("boogie").find("Error in 'interpol' file: record M at byte 0 cannot be read, dropped"),
              std::string::npos)
        << readFile("boogie");

    resetEngine();
    small();
    writeFile("interpol", "T 5 1.0\nT 7 1.0 1.0\n");
    call(19, 5.0);
    EXPECT_STREQ(mc_message, "Error reading interpol file");
    EXPECT_EQ(nInterpol, 1);
    EXPECT_EQ(call(19, 7.0), "Time  x   y  conc\nMT 7.000000 1.000000 1.000000 0.0 2.525000e-01 5.025000e-01\n");
}

// The series without interpol: its status text and a line in boogie, the
// later steps of the call made; the next call tries again.
TEST_F(Interres, SeriesWithoutInterpolGoesOnAndTriesAgain) {
    FlagInterpolVal = 19;
    FlagWriteSpecial = 3;
    stime = 5.0;
    EXPECT_EQ(exitCodeOf(sprintflow), kNoExit);
    EXPECT_STREQ(mc_message, "Error opening interpol file");
    EXPECT_NE(readFile("boogie").find("Error opening interpol file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("innflow.t"));
    EXPECT_FALSE(std::filesystem::exists("interres"));
    writeFile("interpol", "T 5 1.0 1.0\n");
    call(19, 5.0);
    EXPECT_EQ(countLines("interres", "MT "), 1);
}

TEST_F(Interres, InterresThatCannotBeOpenedEndsTheRun) {
    for (int mode : {2, 19}) {
        SCOPED_TRACE(mode);
        resetEngine();
        small();
        stime = 5.0;
        writeFile("interpol", "T 5 1.0 1.0\n");
        std::filesystem::create_directory("interres");
        FlagInterpolVal = mode;
        EXPECT_EQ(exitCodeOf(sprintflow), -3);
        EXPECT_STREQ(mc_message, "cannot open file 'interres' ");
        std::filesystem::remove("interres");
    }
}

}  // namespace
