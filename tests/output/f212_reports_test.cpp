// The reports of F 212 and the surface files of the last pass of a
// transient run, written through the result writer.
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/state.h"
#include "control/readers.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "grid/startup_fixture.h"
#include "output/output.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class F212Reports : public EngineTest {
protected:
    // A case of a table starts from a fresh engine in an empty folder.
    static void fresh() {
        resetEngine();
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry.path());
    }
    // Only the report: no result file unless a test asks for one.
    static void report(int code) {
        FlagWriteSpecial = code;
        FlagInterpolVal = 6;
        sprintflow();
    }
    static void everyCell(double u, double v, double w) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) {
                    xvel[i][j][k] = u;
                    yvel[i][j][k] = v;
                    zvel[i][j][k] = w;
                }
    }
};

// The bed flow along the grid lines or across them, on a grid turned by 0
// and by 30 degrees.
TEST_F(F212Reports, BedVelocityDirectionAgainstTheGridLines) {
    struct Case {
        double degrees, flowDegrees;
        const char* along;
        const char* across;
    };
    const Case cases[] = {{0, 0, "1.000000", "0.000000"},
                          {0, 90, "0.000000", "1.000000"},
                          {30, 30, "1.000000", "0.000000"},
                          {30, 120, "0.000000", "1.000000"},
                          {0, 60, "0.500000", "0.866025"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flowDegrees);
        fresh();
        rotatedGrid(5, 4, 3, 1.0, 1.0, c.degrees, layers(0.5));
        metric();
        const double a = c.flowDegrees * std::numbers::pi / 180.0;
        everyCell(0.4 * std::cos(a), 0.4 * std::sin(a), 0.0);
        report(1);
        EXPECT_EQ(readFile("boogie"), std::string("Average bed velocity vector in grid direction is: ") + c.along +
                                          "\nAverage bed velocity vector normal to the grid direction is: " +
                                          c.across + "\n");
    }
}

// Means over the 9 x 4 x 3 interior cells and the 36 bed cells; the second
// shear value takes the 9 bed cells of row 2 with the literal 300.
TEST_F(F212Reports, AveragedVelocitiesAndBedShear) {
    boxGrid(10, 5, 4, 1.0, 1.0, 0.5);
    everyCell(100.0, 100.0, 100.0);  // boundary cells: kept out of the means
    for (int i = 2; i <= 10; ++i)
        for (int j = 2; j <= 5; ++j) {
            for (int k = 2; k <= 4; ++k) {
                xvel[i][j][k] = i;
                yvel[i][j][k] = j;
                zvel[i][j][k] = k;
            }
            kinen[i][j][2] = 0.001 * j;
            kinen[i][j][3] = 1.0;
        }
    sqcmyrho = 320.0;
    report(2);
    EXPECT_EQ(readFile("boogie"),
              "Averaged velocity vectors: Ux=6.000000, Uz=3.500000, Uz=3.000000 (m/s)\n"
              "Averege bed shear stress: 1.120000 Pa, 0.600000 Pa\n");
}

TEST_F(F212Reports, LogReportsEndTheRunWithoutTheLog) {
    for (int code : {1, 2}) {
        SCOPED_TRACE(code);
        fresh();
        boxGrid(4, 4, 3, 1.0, 1.0, 0.5);
        metric();
        std::filesystem::remove("boogie");
        std::filesystem::create_directory("boogie");
        EXPECT_EQ(exitCodeOf([code] { report(code); }), -3);
        EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    }
}

// Square grid on grid line 1 from (0, 0) to (0, 10): row a at x = a - 1; the
// file read as koordina gives that grid.
TEST_F(F212Reports, SquareGridOnTheFirstGridLine) {
    allocateGrid(3, 11, 3);
    fillGrid([](int i, int j) { return PlanPoint{2.0 * (i - 1), j - 1.0}; },
             [](int i, int j, int k) { return 0.01 * j + 0.1 * i + 0.5 * (k - 1); });
    report(4);
    const auto lines = readLines("koordina.in");
    ASSERT_EQ(lines.size(), 121u);
    EXPECT_EQ(lines[0], "1 1 0.000000 0.000000 0.110000");
    EXPECT_EQ(lines[11 * 3 + 6], "4 7 3.000000 6.000000 0.170000");
    EXPECT_EQ(lines[120], "11 11 10.000000 10.000000 0.210000");

    const std::string square = readFile("koordina.in");
    fresh();
    writeFile("control", "G 1 11 11 4 1\nG 3 0 30 60 100\nW 1 50 1 1.5\n");
    writeFile("koordina", square);
    ASSERT_EQ(exitCodeOf(kread), kNoExit) << readFile("boogie");
    for (int a = 1; a <= 11; ++a)
        for (int b = 1; b <= 11; ++b) {
            EXPECT_NEAR(xval[a][b], a - 1.0, 1e-6) << a << " " << b;
            EXPECT_NEAR(yval[a][b], b - 1.0, 1e-6) << a << " " << b;
            EXPECT_NEAR(zval[a][b][1], 0.1 + 0.01 * b, 1e-6) << a << " " << b;
        }
}

// Steep bed along the surface flow: 20 degrees falling with the flow counts,
// rising against it or 15 degrees falling do not.
TEST_F(F212Reports, SlopingBedAlongTheSurfaceFlow) {
    struct Case {
        double bedDegrees, u, v;
        const char* line;
    };
    const Case cases[] = {{0, 0.5, 0.0, "Fraction of sloping area: 0.000000e+00"},
                          {20, 0.5, 0.0, "Fraction of sloping area: 1.000000e+00"},
                          {-20, 0.5, 0.0, "Fraction of sloping area: 0.000000e+00"},
                          {20, -0.5, 0.0, "Fraction of sloping area: 0.000000e+00"},
                          {15, 0.5, 0.0, "Fraction of sloping area: 0.000000e+00"},
                          {20, 0.0, 0.5, "Fraction of sloping area: 0.000000e+00"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bedDegrees);
        fresh();
        const double drop = std::tan(c.bedDegrees * std::numbers::pi / 180.0);
        allocateGrid(5, 4, 4);
        fillGrid([](int i, int j) { return PlanPoint{i - 1.0, j - 1.0}; },
                 [drop](int i, int, int k) { return -drop * (i - 1) + 0.5 * (k - 1); });
        metric();
        everyCell(c.u, c.v, 0.0);
        report(8);
        EXPECT_EQ(readLines("boogie.slo"), std::vector<std::string>{c.line});
    }
    // A bed that falls steeply in half of the columns: half of the plan area.
    fresh();
    allocateGrid(5, 4, 4);
    const double drop = std::tan(20 * std::numbers::pi / 180.0);
    fillGrid([](int i, int j) { return PlanPoint{i - 1.0, j - 1.0}; },
             [drop](int i, int, int k) { return -drop * std::max(0, i - 3) + 0.5 * (k - 1); });
    metric();
    everyCell(0.5, 0.0, 0.0);
    report(8);
    EXPECT_EQ(readFile("boogie.slo"), "Fraction of sloping area: 5.000000e-01\n");
}

// A report file that cannot be opened: the result of the call is written,
// then the run ends with a text naming the file.
TEST_F(F212Reports, AReportFileThatCannotBeOpenedEndsTheRunAfterTheResult) {
    struct Case {
        int code;
        const char* file;
        const char* message;
    };
    const Case cases[] = {{3, "innflow.t", "cannot open file 'innflow.t' "},
                          {4, "koordina.in", "cannot open file 'koordina.in' "},
                          {8, "boogie.slo", "cannot open file 'boogie.slo' "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        fresh();
        boxGrid(4, 4, 3, 1.0, 1.0, 0.5);
        metric();
        std::filesystem::create_directory(c.file);
        FlagWriteSpecial = c.code;
        EXPECT_EQ(exitCodeOf(sprintflow), -3);
        EXPECT_STREQ(mc_message, c.message);
        EXPECT_EQ(readLines("result").at(0), "Results from QUIRD - flow, iter = 0");
    }
}

// The outflow profile as inflow records: nine lines, j outer; copied to
// innflow it sets the inflow cells of the next run to this run's last
// interior cross-section.
class OutflowProfile : public StartUp {};

TEST_F(OutflowProfile, CopiedToInnflowGivesTheSameInflowCells) {
    box(6, 4, 4);
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k) {
            xvel[6][j][k] = 0.4 + 0.0123456789 * j + 0.001 * k;
            yvel[6][j][k] = -0.01 * j * k;
            zvel[6][j][k] = 0.002 * k;
            kinen[6][j][k] = 0.001 * j + 0.0001 * k;
            epsilon[6][j][k] = 1.23456789e-4 * k;
        }
    struct Cell {
        double u, v, w, k, e;
    };
    std::vector<Cell> outflow;
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k)
            outflow.push_back({xvel[6][j][k], yvel[6][j][k], zvel[6][j][k], kinen[6][j][k], epsilon[6][j][k]});
    FlagWriteSpecial = 3;
    FlagInterpolVal = 6;
    sprintflow();
    const auto lines = readLines("innflow.t");
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "D 2 2 0.426691 -0.040000 0.004000 0.002200 0.000247");
    EXPECT_EQ(lines[5].substr(0, 6), "D 3 4 ");
    std::filesystem::rename("innflow.t", "innflow");
    startup();
    size_t n = 0;
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 4; ++k, ++n) {
            EXPECT_NEAR(xvel[1][j][k], outflow[n].u, 5e-7) << j << " " << k;
            EXPECT_NEAR(yvel[1][j][k], outflow[n].v, 5e-7) << j << " " << k;
            EXPECT_NEAR(zvel[1][j][k], outflow[n].w, 5e-7) << j << " " << k;
            EXPECT_NEAR(kinen[1][j][k], outflow[n].k, 5e-7) << j << " " << k;
            EXPECT_NEAR(epsilon[1][j][k], outflow[n].e, 5e-7) << j << " " << k;
        }
}

// The surface files of the last pass: koosurf for every transient run,
// spillmid for the transient free surface on six node rows or more.
TEST_F(F212Reports, SurfaceFilesOfTheLastPass) {
    struct Case {
        int tfs, tsc, rows;
        long iter;
        bool koosurf, spillmid;
        const char* log;
    };
    const Case cases[] = {
        {1, 0, 6, 40000, true, true, ""},
        {0, 1, 6, 40000, true, false, ""},
        {2, 0, 6, 40000, true, false, ""},
        {1, 0, 6, 39999, false, false, ""},
        {0, 0, 6, 40000, false, false, ""},
        {1, 0, 5, 40000, true, false, "No file 'spillmid': the grid has 5 node rows, it needs 6\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tfs << " " << c.tsc << " " << c.rows << " " << c.iter);
        fresh();
        allocateGrid(4, c.rows, 3);
        fillGrid([](int i, int j) { return PlanPoint{2.0 * i, 0.5 * j}; },
                 [](int i, int j, int k) { return k < 3 ? 0.1 * (k - 1) : 1.0 + 0.01 * i + 0.1 * j; });
        zval[2][3][0] = -0.25;
        FlagTFS = c.tfs;
        FlagTSC = c.tsc;
        Iter = c.iter;
        sprintflow();
        EXPECT_TRUE(std::filesystem::exists("result"));
        EXPECT_EQ(std::filesystem::exists("koosurf"), c.koosurf);
        EXPECT_EQ(std::filesystem::exists("spillmid"), c.spillmid);
        EXPECT_EQ(std::filesystem::exists("xcyc"), false);
        EXPECT_EQ(std::filesystem::exists("boogie") ? readFile("boogie") : "", c.log);
        if (c.koosurf) {
            const auto koosurf = readLines("koosurf");
            ASSERT_EQ(koosurf.size(), size_t(4 * c.rows));
            EXPECT_EQ(koosurf[c.rows + 2], "2 3 4.000000 1.500000 -0.250000 1.320000");
        }
        if (c.spillmid) {
            EXPECT_EQ(readLines("spillmid"),
                      (std::vector<std::string>{"2.000000 1.188000 1.610000", "4.000000 1.198000 1.620000",
                                                "6.000000 1.208000 1.630000", "8.000000 1.218000 1.640000"}));
        }
    }
}

TEST_F(F212Reports, ASurfaceFileThatCannotBeOpenedEndsTheRunAfterTheResult) {
    for (const char* blocked : {"koosurf", "spillmid"}) {
        SCOPED_TRACE(blocked);
        fresh();
        boxGrid(4, 6, 3, 1.0, 1.0, 0.5);
        FlagTFS = 1;
        Iter = iterGlobalMax;
        std::filesystem::create_directory(blocked);
        EXPECT_EQ(exitCodeOf(sprintflow), -3);
        EXPECT_STREQ(mc_message, (std::string("cannot open file '") + blocked + "' ").c_str());
        EXPECT_TRUE(std::filesystem::exists("result"));
        EXPECT_TRUE(std::filesystem::is_regular_file(blocked == std::string("koosurf") ? "spillmid" : "koosurf"));
    }
}

TEST_F(F212Reports, NoResultOfItsOwnStillWritesTheReport) {
    boxGrid(4, 4, 3, 1.0, 1.0, 0.5);
    FlagInterpolVal = 6;
    FlagWriteSpecial = 3;
    sprintflow();
    EXPECT_FALSE(std::filesystem::exists("result"));
    EXPECT_EQ(readLines("innflow.t").size(), 6u);
    EXPECT_EQ(gFlagWriteR, 0);
}

}  // namespace
