// The grid surface files koosurf and xcyc: their layout, the generated inflow
// profile, the round trip through ReadXCYC and the files that cannot be opened.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "control/state.h"
#include "control/readers.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/output.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class GridSurfaceFiles : public EngineTest {
protected:
    // Inflow section of the generated profile: V 0.5 m/s, R 0.5 m, Manning 50.
    static void inflowSection(double eddyMult = 1.0) {
        avvelocity[1] = 0.5;
        radius[1] = 0.5;
        ManArray[0] = 50.0;
        EddyMult = eddyMult;
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 1; k <= znumber + 1; ++k) xvel[1][j][k] = 0.5;
    }
    // A case of a table starts from a fresh engine in an empty folder.
    static void fresh() {
        resetEngine();
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry.path());
    }
    // A sloping surface and target bed set by hand on a skewed plan grid; the
    // target bed lies below the bed node.
    static void handSurface(int X, int Y, int Z) {
        allocateGrid(X, Y, Z);
        fillGrid([](int i, int j) { return PlanPoint{1.25 * i + 0.123456 * j, 0.75 * j - 0.01 * i}; },
                 [X, Z](int i, int j, int k) {
                     const double bed = 0.02 * (X - i) + 0.003 * j, surface = 1.5 + 0.001 * i * i - 0.0007 * j;
                     return bed + (surface - bed) * (k - 1) / (Z - 1);
                 });
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) zval[i][j][0] = zval[i][j][1] - 0.0123457 * i;
    }
};

TEST_F(GridSurfaceFiles, GoldenFilesOfAFourCubedGrid) {
    boxGrid(4, 4, 4, 1.0, 0.5, 0.25);
    inflowSection();
    zval[2][3][0] = -0.125;  // a target bed level below the bed node
    writespider();
    const auto koosurf = readLines("koosurf");
    ASSERT_EQ(koosurf.size(), 16u);
    EXPECT_EQ(koosurf[0], "1 1 0.000000 0.000000 0.000000 0.750000");
    EXPECT_EQ(koosurf[6], "2 3 1.000000 1.000000 -0.125000 0.750000");
    EXPECT_EQ(koosurf[15], "4 4 3.000000 1.500000 0.000000 0.750000");

    const auto xcyc = readLines("xcyc");
    ASSERT_EQ(xcyc.size(), 12u + 9u + 3u * 16u);
    const std::vector<std::string> header = {
        "   4   4   4",
        "  40000  50000",
        "  0  1",
        " 0.80  0.80  0.80  0.20  0.50  0.50 ",
        "  1  1  1  5  1  1",
        "  0  0  0  0  0  0",
        "  0  0  0  0  0  0",
        " 0 0 0 0 0 0",
        "   0",
        "   2",
        "   0",
        "  0.0000 -2.000000 -2.000000 -2.000000",
    };
    for (size_t n = 0; n < header.size(); ++n) EXPECT_EQ(xcyc[n], header[n]) << n + 1;
    // Profile: three cell rows alike, bottom to top.
    const char* profile[] = {" 0.5000   0.0000   0.004120   0.00086903", " 0.5000   0.0000   0.003296   0.00050562",
                             " 0.5000   0.0000   0.002472   0.00028441"};
    for (int n = 0; n < 9; ++n) EXPECT_EQ(xcyc[12 + n], profile[n % 3]) << n;
    EXPECT_EQ(xcyc[21], "   0.0000   0.0000   0.0000   0.0000");      // x of node (1, 1)
    EXPECT_EQ(xcyc[21 + 15], "   3.0000   3.0000   3.0000   3.0000");  // x of node (4, 4)
    EXPECT_EQ(xcyc[37 + 1], "   0.5000   0.5000   0.5000   0.5000");   // y of node (1, 2)
    EXPECT_EQ(xcyc[53], "  0.00000  0.25000  0.50000  0.75000");     // z of node (1, 1)

    const std::string first = readFile("koosurf") + readFile("xcyc");
    writespider();
    EXPECT_EQ(readFile("koosurf") + readFile("xcyc"), first);
    EXPECT_STREQ(mc_message, " Have written griddata ");
    EXPECT_STREQ(mc_program, " In writexcyc             ");
    EXPECT_FALSE(std::filesystem::exists("boogie"));
}

// A node's group of levels breaks after the 8th, 16th and 24th value and
// ends with one more line break.
TEST_F(GridSurfaceFiles, NodeGroupsBreakEveryEightValues) {
    struct Case {
        int Z;
        std::vector<size_t> valuesPerLine;  // the lines of one node's group
    };
    const Case cases[] = {{3, {3}}, {8, {8, 0}}, {9, {8, 1}}, {24, {8, 8, 8, 0}}, {30, {8, 8, 8, 6}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Z);
        fresh();
        boxGrid(3, 2, c.Z, 1.0, 1.0, 0.1);
        writespider();
        const auto lines = readLines("xcyc");
        const size_t groupLines = c.valuesPerLine.size(), nodes = 3 * 2;
        ASSERT_EQ(lines.size(), 12 + size_t(c.Z - 1) + 3 * nodes * groupLines);
        for (size_t n = 12 + c.Z - 1, at = 0; n < lines.size(); ++n, ++at) {
            size_t values = 0;
            for (size_t p = 0; (p = lines[n].find_first_not_of(' ', p)) != std::string::npos; p = lines[n].find(' ', p))
                ++values;
            EXPECT_EQ(values, c.valuesPerLine[at % groupLines]) << "line " << n + 1;
        }
    }
}

TEST_F(GridSurfaceFiles, NoProfileWithOneCellRowOrLevel) {
    boxGrid(3, 2, 2, 1.0, 1.0, 0.5);
    ynumber = 1;  // the files of a single node row, from the same arrays
    writespider();
    auto lines = readLines("xcyc");
    ASSERT_EQ(lines.size(), 12u + 3u * 3u);
    EXPECT_EQ(lines[12], "   0.0000   0.0000");
    ynumber = 2;
    znumber = 1;
    writespider();
    lines = readLines("xcyc");
    ASSERT_EQ(lines.size(), 12u + 3u * 6u);
    EXPECT_EQ(lines[12], "   0.0000");
    EXPECT_EQ(readLines("koosurf").size(), 6u);
}

// k falls from its bed value K0 to half of it at the surface, epsilon starts
// at its bed value; the eddy-viscosity multiplier scales K0 by its root.
TEST_F(GridSurfaceFiles, GeneratedProfileFollowsTheManningFriction) {
    struct Case {
        double eddyMult, K0, k3, eps3;
    };
    // tau = 1000 V^2 g / (M^2 R^0.3333) = 1.235954 Pa; eps_b = tau^1.5 / (0.4 zb 31622.8)
    const double epsB = 0.00086903;
    const Case cases[] = {{1.0, 0.004120, 0.003296, 0.00050562}, {4.0, 0.008240, 0.006592, 0.00050562}};
    for (const Case& c : cases) {
        fresh();
        boxGrid(3, 3, 4, 1.0, 0.5, 0.25);
        inflowSection(c.eddyMult);
        writespider();
        const auto lines = readLines("xcyc");
        for (int row = 0; row < 2; ++row) {
            double u, v, k2, e2, k3, e3;
            ASSERT_EQ(std::sscanf(lines[12 + 3 * row].c_str(), "%lf %lf %lf %lf", &u, &v, &k2, &e2), 4);
            ASSERT_EQ(std::sscanf(lines[13 + 3 * row].c_str(), "%lf %lf %lf %lf", &u, &v, &k3, &e3), 4);
            EXPECT_NEAR(k2, c.K0, 1e-6);
            EXPECT_NEAR(e2, epsB, 1e-8);
            EXPECT_NEAR(k3, c.k3, 1e-6);
            EXPECT_NEAR(e3, c.eps3, 1e-8);
        }
    }
    // Thirty uniform levels: the top cell's k is within 2 % of K0 / 2.
    fresh();
    boxGrid(3, 2, 30, 1.0, 0.5, 0.05);
    inflowSection();
    writespider();
    double u, v, kTop, eTop;
    ASSERT_EQ(std::sscanf(readLines("xcyc")[12 + 28].c_str(), "%lf %lf %lf %lf", &u, &v, &kTop, &eTop), 4);
    EXPECT_NEAR(kTop, 0.004120 / 2, 0.02 * 0.004120);
}

// A bottom layer so thick that 0.3 D = zb: the profile has no guard and
// writes what the formatting renders; the reader still takes the grid.
TEST_F(GridSurfaceFiles, UnguardedProfileStillReadsBack) {
    allocateGrid(3, 3, 3);
    fillGrid([](int i, int j) { return PlanPoint{1.0 * i, 0.5 * j}; },
             [](int, int, int k) { return k == 1 ? 0.0 : k == 2 ? 0.6 : 1.0; });
    inflowSection();
    writespider();
    const auto lines = readLines("xcyc");
    EXPECT_NE(lines[12].find("nan"), std::string::npos) << lines[12];
    std::vector<double> levels;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            xval[i][j] = yval[i][j] = 0.0;
            for (int k = 1; k <= 3; ++k) zval[i][j][k] = -1.0;
        }
    ReadXCYC();
    EXPECT_EQ(xval[3][2], 3.0);
    EXPECT_EQ(yval[3][2], 1.0);
    EXPECT_EQ(zval[3][2][2], 0.6);
    EXPECT_EQ(zval[1][3][3], 1.0);
}

// What writespider writes, ReadXCYC reads back: plan positions to the four
// decimals of xcyc, levels to its five, target bed levels as koosurf
// printed them.
TEST_F(GridSurfaceFiles, RoundTripThroughTheReader) {
    // Half a unit of the last decimal written, and a rounding tie.
    const double kPlan = 5e-5 + 1e-12, kLevel = 5e-6 + 1e-12, kPrinted = 5e-7 + 1e-12;
    handSurface(7, 6, 5);
    inflowSection();
    struct Node {
        double x, y, bed;
        std::vector<double> levels;
    };
    std::vector<Node> written;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            written.push_back({xval[i][j], yval[i][j], zval[i][j][0], {&zval[i][j][1], &zval[i][j][1] + znumber}});
    writespider();
    const auto first = readLines("koosurf");
    for (auto* a : {&xval, &yval}) std::fill(a->data(), a->data() + a->size(), 0.0);
    for (auto* a : {&zval, &Xc, &Yc}) std::fill(a->data(), a->data() + a->size(), 0.0);
    ReadXCYC();
    size_t n = 0;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j, ++n) {
            EXPECT_NEAR(xval[i][j], written[n].x, kPlan);
            EXPECT_NEAR(yval[i][j], written[n].y, kPlan);
            EXPECT_NEAR(zval[i][j][0], written[n].bed, kPrinted);
            for (int k = 1; k <= znumber; ++k) {
                EXPECT_NEAR(zval[i][j][k], written[n].levels[k - 1], kLevel) << i << " " << j << " " << k;
                EXPECT_EQ(Xc[i][j][k], xval[i][j]);
                EXPECT_EQ(Yc[i][j][k], yval[i][j]);
            }
        }
    // Written again from what was read: the same koosurf within these tolerances.
    writespider();
    const auto again = readLines("koosurf");
    ASSERT_EQ(again.size(), first.size());
    for (size_t l = 0; l < first.size(); ++l) {
        int i1, j1, i2, j2;
        double a[4], b[4];
        ASSERT_EQ(std::sscanf(first[l].c_str(), "%d %d %lf %lf %lf %lf", &i1, &j1, &a[0], &a[1], &a[2], &a[3]), 6);
        ASSERT_EQ(std::sscanf(again[l].c_str(), "%d %d %lf %lf %lf %lf", &i2, &j2, &b[0], &b[1], &b[2], &b[3]), 6);
        EXPECT_EQ(i1, i2);
        EXPECT_EQ(j1, j2);
        EXPECT_NEAR(a[0], b[0], kPlan);
        EXPECT_NEAR(a[1], b[1], kPlan);
        EXPECT_EQ(a[2], b[2]);
        EXPECT_NEAR(a[3], b[3], kLevel);
    }
}

// koosurf that cannot be opened: xcyc is written all the same, then the run
// ends; xcyc that cannot be opened ends the run with koosurf complete.
TEST_F(GridSurfaceFiles, AFileThatCannotBeOpenedEndsTheRun) {
    struct Case {
        const char* blocked;
        const char* written;
        size_t lines;
        const char* message;
    };
    const Case cases[] = {{"koosurf", "xcyc", 12 + 9 + 3 * 16, " cannot open file koosurf"},
                          {"xcyc", "koosurf", 16, " cannot open file xcyc"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocked);
        fresh();
        boxGrid(4, 4, 4, 1.0, 0.5, 0.25);
        inflowSection();
        std::filesystem::create_directory(c.blocked);
        EXPECT_EQ(exitCodeOf(writespider), -3);
        EXPECT_STREQ(mc_message, c.message);
        EXPECT_EQ(readLines(c.written).size(), c.lines);
    }
}

}  // namespace
