// The habitat report: plan areas of the interior columns in classes of
// depth and of depth-averaged speed, on hand-set fields.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "output/output.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class Habitat : public EngineTest {
protected:
    // One column: plan area, the half heights of k = 2..4 and the x and y
    // speeds of k = 2..4.
    static void column(int i, int j, double area, std::vector<double> h, std::vector<double> u,
                       std::vector<double> v) {
        m_armap[i][j] = area;
        for (int k = 2; k <= 4; ++k) {
            m_dist_z[i][j][k] = h[k - 2];
            xvel[i][j][k] = u[k - 2];
            yvel[i][j][k] = v[k - 2];
        }
    }
    // The expected file: class bounds step*n and the areas of the classes given.
    static std::string expected(double depthStep, const std::map<int, double>& depth, double speedStep,
                                const std::map<int, double>& speed) {
        std::string text = "Depth (m), area (m2), velocity (m/s), area(m2)\n";
        char line[200];
        for (int n = 1; n <= 20; ++n) {
            const double d = depth.count(n) ? depth.at(n) : 0.0, s = speed.count(n) ? speed.at(n) : 0.0;
            std::snprintf(line, sizeof line, "%lf %lf %lf %lf\n", n * depthStep, d, n * speedStep, s);
            text += line;
        }
        return text;
    }
    // Sums of the second and the fourth values of the 20 lines.
    static void expectAreaSums(double total) {
        const auto lines = readLines("habitat");
        ASSERT_EQ(lines.size(), 21u);
        double depthArea = 0.0, speedArea = 0.0;
        for (size_t n = 1; n < lines.size(); ++n) {
            double a, b, c, d;
            ASSERT_EQ(std::sscanf(lines[n].c_str(), "%lf %lf %lf %lf", &a, &b, &c, &d), 4);
            depthArea += b;
            speedArea += d;
        }
        EXPECT_DOUBLE_EQ(depthArea, total);
        EXPECT_DOUBLE_EQ(speedArea, total);
    }
};

// Eight columns, greatest depth 2 and speed 2. Column (3,2) lies at 5.05 % of
// the greatest depth (first of class 2), (4,2) at 5 % (class 1). The speeds
// are the means of k = 2 and 3 weighted by the half heights; k = 4 (100 m/s)
// is left out of them.
TEST_F(Habitat, GoldenFileAndColumnMeansOfAThreeDimensionalRun) {
    allocateGrid(5, 3, 4);
    column(2, 2, 1.0, {0.25, 0.5, 0.25}, {1.0, 2.5, 100.0}, {0, 0, 100.0});
    column(3, 2, 2.0, {0.0505, 0, 0}, {0, 0, 0}, {1.0, 0, 0});
    column(4, 2, 3.0, {0.05, 0, 0}, {0, 0, 0}, {0, 0, 0});
    column(5, 2, 4.0, {0.125, 0.25, 0.125}, {1.0, 0, 0}, {0, 0, 0});
    for (int i = 2; i <= 5; ++i) column(i, 3, 0.5, {0.25, 0.25, 0.25}, {0, 0, 0}, {0, 0, 0});
    for (int i = 0; i <= 6; ++i)
        for (int j = 0; j <= 4; ++j)
            if (i < 2 || i > 5 || j < 2 || j > 3) xvel[i][j][0] = yvel[i][j][0] = 7.0;

    ASSERT_TRUE(writeHabitat());
    EXPECT_EQ(readFile("habitat"), expected(0.1, {{1, 3.0}, {2, 2.0}, {10, 4.0}, {15, 2.0}, {20, 1.0}}, 0.1,
                                            {{1, 5.0}, {4, 4.0}, {10, 2.0}, {20, 1.0}}));
    expectAreaSums(12.0);
    EXPECT_DOUBLE_EQ(xvel[2][2][0], 2.0);
    EXPECT_DOUBLE_EQ(yvel[3][2][0], 1.0);
    EXPECT_DOUBLE_EQ(xvel[5][2][0], 1.0 / 3.0);
    EXPECT_EQ(xvel[4][3][0], 0.0);
    for (int i = 0; i <= 6; ++i)
        for (int j = 0; j <= 4; ++j)
            if (i < 2 || i > 5 || j < 2 || j > 3) {
                EXPECT_EQ(xvel[i][j][0], 7.0) << i << " " << j;
                EXPECT_EQ(yvel[i][j][0], 7.0) << i << " " << j;
            }
}

// Still water: every speed bound 0 and the whole area in the first speed
// class; a speed that is not a number falls there too. With znumber = 2 the
// column means are empty sums and give 0 whatever the cells hold.
TEST_F(Habitat, StillWaterAndEmptyColumnMeansFallInTheFirstSpeedClass) {
    for (int z : {4, 2}) {
        SCOPED_TRACE(z);
        resetEngine();
        allocateGrid(4, 3, z);
        for (int i = 2; i <= 4; ++i)
            for (int j = 2; j <= 3; ++j) {
                m_armap[i][j] = 1.5;
                for (int k = 2; k <= z; ++k) {
                    m_dist_z[i][j][k] = 0.25;
                    xvel[i][j][k] = z == 2 ? 3.0 : 0.0;
                }
            }
        if (z == 4) xvel[3][3][2] = std::numeric_limits<double>::quiet_NaN();
        ASSERT_TRUE(writeHabitat());
        const double depth = (z - 1) * 0.5;
        EXPECT_EQ(readFile("habitat"), expected(depth / 20, {{20, 9.0}}, 0.0, {{1, 9.0}}));
    }
}

// A depth-averaged run: the plane k = 0 is the solution; the report takes
// its speeds and leaves it bit for bit as it was.
TEST_F(Habitat, DepthAveragedRunReadsThePlaneAndLeavesItAlone) {
    allocateGrid(3, 3, 3);
    Flag2Dim = 1;
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j) {
            xvel[i][j][0] = 0.1 * i + 0.01 * j;
            yvel[i][j][0] = -0.3 * j;
            for (int k = 2; k <= 3; ++k) {
                xvel[i][j][k] = 9.0;
                m_dist_z[i][j][k] = 0.5;
            }
            m_armap[i][j] = 1.0;
        }
    xvel[3][3][0] = 3.0;
    yvel[3][3][0] = 4.0;  // speed 5, the greatest
    const auto before = [] {
        std::vector<double> plane;
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j) plane.insert(plane.end(), {xvel[i][j][0], yvel[i][j][0]});
        return plane;
    };
    const std::vector<double> plane = before();
    ASSERT_TRUE(writeHabitat());
    const std::vector<double> after = before();
    EXPECT_EQ(std::memcmp(plane.data(), after.data(), plane.size() * sizeof(double)), 0);
    // Speeds: (2,2) 0.639 -> class 3, (2,3) 0.929 -> class 4, (3,2) 0.68 -> class 3, (3,3) 5.
    EXPECT_EQ(readFile("habitat"), expected(0.1, {{20, 4.0}}, 0.25, {{3, 2.0}, {4, 1.0}, {20, 1.0}}));
}

// A habitat file that cannot be opened: the later steps of the call are made
// (the F 212 report), then the run ends with -3 naming the file.
TEST_F(Habitat, AFileThatCannotBeOpenedEndsTheRunAfterTheLaterSteps) {
    boxGrid(4, 4, 3, 1.0, 1.0, 0.5);
    metric();
    std::filesystem::create_directory("habitat");
    FlagInterpolVal = 5;
    FlagWriteSpecial = 3;
    EXPECT_EQ(exitCodeOf(sprintflow), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'habitat' ");
    EXPECT_TRUE(std::filesystem::exists("result"));
    EXPECT_TRUE(std::filesystem::exists("innflow.t"));
    EXPECT_EQ(gFlagWriteR, 1);
}

}  // namespace
