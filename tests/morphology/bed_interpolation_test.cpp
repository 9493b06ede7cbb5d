// Bed levels from scattered points: the reading of `geodata` (records, ends
// of the reading, scaling, the log and the results) and the four node
// searches of F 129 on small grids.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/state.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "support/grids.h"
#include "support/testing.h"

using quird_test::readFile;
using quird_test::readLines;
using quird_test::writeFile;

namespace {

class BedInterpolation : public quird_test::EngineTest {
protected:
    // Nodes 3 x 3 at 10 m spacing, (i, j) at (10 (i-1), 10 (j-1)), every bed node at `bed`.
    static void grid(double bed = 9.0) {
        quird_test::boxGrid(3, 3, 2, 10.0, 10.0, 0.1);
        setBed(bed);
    }
    static void setBed(double bed) {
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) zval[i][j][1] = bed;
    }
    // Points at offsets from node (2, 2) (10, 10): "E x y z" records.
    static std::string around(std::initializer_list<std::array<double, 3>> points) {
        std::string s;
        char line[100];
        for (const auto& p : points) {
            std::snprintf(line, sizeof line, "E %.12g %.12g %.12g\n", 10.0 + p[0], 10.0 + p[1], p[2]);
            s += line;
        }
        return s;
    }
    // A fresh interpolation of the file `text` with `method`.
    static std::vector<std::string> interpolate(const std::string& text, int method) {
        writeFile("geodata", text);
        NoGeo = 0;
        FlagBedInterpol = method;
        BedInterThread();
        return readLines("boogie.bed");
    }
    // Interpolates `points` with `method` from bed nodes at 9: node (2, 2)
    // takes `level` and logs its search line `line`. Returns the log.
    static std::vector<std::string> expectNode(const std::string& points, int method, double level,
                                               const std::string& line) {
        setBed(9.0);
        const std::vector<std::string> lines = interpolate(points, method);
        EXPECT_NEAR(zval[2][2][1], level, 1e-12);
        EXPECT_EQ(lineOf(lines, method == 0 ? "First:      2      2" : "Internal:      2      2"), line);
        return lines;
    }
    // The line of `lines` that starts with `head`, or "".
    static std::string lineOf(const std::vector<std::string>& lines, const std::string& head) {
        for (const std::string& l : lines)
            if (l.rfind(head, 0) == 0) return l;
        return "";
    }
    static int count(const std::vector<std::string>& lines, const std::string& head) {
        int n = 0;
        for (const std::string& l : lines) n += l.rfind(head, 0) == 0;
        return n;
    }
};

constexpr double kSlotBytes = 3.0 * 8.0;  // bytes per slot of the three arrays

// ---------------------------------------------------------------------------
// Reading.
// ---------------------------------------------------------------------------
struct ReadCase {
    const char* name;
    std::string text;
    double mult, add;
    int points;
    std::vector<double> first;       // x, y, z of point 1 when there is one
    std::vector<std::string> log;    // the lines of boogie.bed
};

TEST_F(BedInterpolation, ReadsPointRecordsUntilTheEndOfTheReading) {
    const std::vector<ReadCase> cases = {
        {"two records, other characters skipped", "survey 7 of\nE 1 2 3 x\n  E-4.5\t5e1 -6 end", 1, 0, 2, {1, 2, 3},
         {"Number of points in geodata file: 2", "Number of points read from geodata file: 2"}},
        {"Z ends the reading", "E 1 2 3\nZ\nE 4 5 6\n", 1, 0, 1, {1, 2, 3},
         {"Number of points in geodata file: 1", "Number of points read from geodata file: 1"}},
        {"a byte 0xFF ends the reading", std::string("E 1 2 3\n\xff") + "E 4 5 6\n", 1, 0, 1, {1, 2, 3},
         {"Number of points in geodata file: 1", "Number of points read from geodata file: 1"}},
        {"a record without three numbers ends the reading", "E 1 2 3\nE 4 five 6\nE 7 8 9\n", 1, 0, 1, {1, 2, 3},
         {"Number of points in geodata file: 1", "Number of points read from geodata file: 1"}},
        {"a number beyond the doubles ends the reading", "E 1 2 3\nE 4 1e999 6\nE 7 8 9\n", 1, 0, 1, {1, 2, 3},
         {"Number of points in geodata file: 1", "Number of points read from geodata file: 1"}},
        {"scaling of every coordinate", "E 1 2 3\n", 2.0, 0.5, 1, {2.5, 4.5, 6.5},
         {"Number of points in geodata file: 1", "Number of points read from geodata file: 1"}},
        {"x above 1e12", "E 2e12 1 1\nE -3e12 1 1\nE 1e12 1 1\n", 1, 0, 3, {2e12, 1, 1},
         {"Number of points in geodata file: 3", "xg = 2.000000e+12", "xg = -3.000000e+12",
          "Number of points read from geodata file: 3"}},
        {"no record", "no points here Q", 1, 0, 0, {},
         {"Number of points in geodata file: 0", "", "Probable error in geodata file. Last read charachter: Q",
          "Last read -1 number of floating points.", "Number of points read from geodata file: 0"}},
        {"a first record of two numbers", "E 1 2", 1, 0, 0, {},
         {"Number of points in geodata file: 0", "", "Probable error in geodata file. Last read charachter: E",
          "Last read 2 number of floating points.", "Number of points read from geodata file: 0"}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScaleGeodataMult = c.mult;
        ScaleGeodataAdd = c.add;
        writeFile("geodata", c.text);
        NoGeo = 77;
        EXPECT_EQ(readGeodata(), kSlotBytes * (c.points + 5002));
        EXPECT_EQ(NoGeo, c.points);
        EXPECT_EQ(readLines("boogie.bed"), c.log);
        ASSERT_EQ(xg.size(), c.points + 5002u);
        ASSERT_EQ(zg.size(), c.points + 5002u);
        EXPECT_EQ(xg[0], 0.0);
        if (c.points > 0) {
            EXPECT_EQ((std::vector<double>{xg[1], yg[1], zg[1]}), c.first);
        }
        EXPECT_EQ(xg[c.points + 1], 0.0);
    }
}

TEST_F(BedInterpolation, ReadingFailuresReportThroughTheResult) {
    // Without grid nodes the interpolation is called out of order: -8.
    EXPECT_EQ(quird_test::exitCodeOf(BedInterThread), -8);
    std::filesystem::remove("boogie");
    // No geodata: -2 and the line; the points stay as they were.
    EXPECT_EQ(readGeodata(), -2.0);
    EXPECT_EQ(readFile("boogie.bed"), "Could not open file geodata\n");
    EXPECT_EQ(NoGeo, 0);
    EXPECT_TRUE(xg.empty());
    // boogie.bed cannot be created: -1, no log, the running flag cleared.
    writeFile("geodata", "E 1 2 3\n");
    std::filesystem::remove("boogie.bed");
    std::filesystem::create_directory("boogie.bed");
    tBedInter = 1;
    EXPECT_EQ(readGeodata(), -1.0);
    EXPECT_EQ(tBedInter, 0);
    EXPECT_EQ(NoGeo, 0);
    // ... and the interpolation changes no node.
    grid(9.0);
    tBedInter = 1;
    BedInterThread();
    EXPECT_EQ(tBedInter, 0);
    EXPECT_EQ(zval[2][2][1], 9.0);
}

// ---------------------------------------------------------------------------
// The interpolation: status, reuse of the points, snapping, the methods.
// ---------------------------------------------------------------------------
TEST_F(BedInterpolation, LaterInterpolationsReuseThePoints) {
    grid();
    writeFile("geodata", around({{0.01, 0.02, 4.0}}));
    FlagBedInterpol = 0;
    tBedInter = 1;
    BedInterThread();
    EXPECT_EQ(zval[2][2][1], 4.0);
    EXPECT_EQ(NoGeo, 1);
    EXPECT_STREQ(mc_message, "Finished bed interpolation");
    EXPECT_EQ(tBedInter, 0);

    std::filesystem::remove("geodata");
    setBed(9.0);
    BedInterThread();  // no reading: the log is appended to
    EXPECT_EQ(zval[2][2][1], 4.0);
    const std::vector<std::string> lines = readLines("boogie.bed");
    EXPECT_EQ(lines.front(), "Number of points in geodata file: 1");
    EXPECT_EQ(count(lines, "Using exact value for 2 2: 4.000000"), 2);
    EXPECT_EQ(lineOf(lines, "Could not open"), "");

    // Points counted by another reader of geodata (NoGeo without arrays) are read here.
    xg.clear(), yg.clear(), zg.clear();
    NoGeo = 3;
    writeFile("geodata", around({{0.01, 0.0, 5.0}}));
    BedInterThread();
    EXPECT_EQ(NoGeo, 1);
    EXPECT_EQ(zval[2][2][1], 5.0);
}

// A node with points within InterLimit takes the level of the nearest (each
// nearer point met logs its line); method 1 does not snap.
TEST_F(BedInterpolation, SnapsToTheNearestPointWithinTheLimit) {
    grid();
    InterLimit = 0.05;
    const std::string points = around({{0.04, 0.0, 1.0}, {0.0, 0.06, 2.0}, {0.0, -0.02, 3.0}, {0.03, 0.0, 4.0}});
    for (int method : {0, 2, 3}) {
        SCOPED_TRACE(method);
        setBed(9.0);
        const std::vector<std::string> lines = interpolate(points, method);
        EXPECT_EQ(zval[2][2][1], 3.0);
        EXPECT_EQ(lineOf(lines, "Using exact value for 2 2: 1.000000"), "Using exact value for 2 2: 1.000000");
        EXPECT_EQ(count(lines, "Using exact value for 2 2:"), 2);  // 1.0 at 0.04, then 3.0 at 0.02
        EXPECT_EQ(lineOf(lines, "First:      2      2"), "");
        EXPECT_EQ(lineOf(lines, "Internal:      2      2"), "");
    }
    setBed(9.0);
    const std::vector<std::string> lines = interpolate(points, 1);
    EXPECT_EQ(count(lines, "Using exact value"), 0);
    EXPECT_NE(zval[2][2][1], 3.0);
}

struct QuadrantCase {
    const char* name;
    std::string points;
    double level;
    const char* first;  // the node's "First:" line
    bool warning;
};

TEST_F(BedInterpolation, NearestPointPerQuadrant) {
    grid();
    const std::vector<QuadrantCase> cases = {
        {"1 and 3 at distances 1 and 3", around({{0.6, 0.8, 4.0}, {-1.8, -2.4, 8.0}, {1.2, 1.6, 100.0}}),
         0.75 * 4.0 + 0.25 * 8.0, "First:      2      2      1      0      2      0", false},
        {"2 and 4 at distances 1 and 3", around({{-0.6, 0.8, 4.0}, {1.8, -2.4, 8.0}}), 0.75 * 4.0 + 0.25 * 8.0,
         "First:      2      2      0      1      0      2", false},
        // d 1, 2, 3, 4: the 2-4 pair weighs (1 + 3) / 10, each point by the other's distance.
        // On the node's x line a point counts to the right, on its y line upward.
        {"all four", around({{1.0, 0.0, 1.0}, {-2.0, 0.0, 2.0}, {-1.8, -2.4, 3.0}, {0.0, -4.0, 4.0}}),
         0.4 * (4.0 / 6.0 * 2.0 + 2.0 / 6.0 * 4.0) + 0.6 * (1.0 / 4.0 * 3.0 + 3.0 / 4.0 * 1.0),
         "First:      2      2      1      2      3      4", false},
        {"1 and 2 only", around({{1.0, 1.0, 1.0}, {-1.0, 1.0, 2.0}}), 0.0,
         "First:      2      2      1      2      0      0", true},
        {"no point", "", 0.0, "First:      2      2      0      0      0      0", true},
    };
    for (const QuadrantCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> lines = expectNode(c.points, 0, c.level, c.first);
        EXPECT_EQ(lineOf(lines, "Warning, null value first loop for i,j=2 2") != "", c.warning);
    }
}

// A geodata without records: every node 0, with a warning per node.
TEST_F(BedInterpolation, NoRecordsSetEveryNodeToZeroUnderMethod0) {
    grid();
    const std::vector<std::string> lines = interpolate("nothing\n", 0);
    EXPECT_EQ(xg.size(), 5002u);
    EXPECT_NE(lineOf(lines, "Probable error in geodata file."), "");
    EXPECT_EQ(count(lines, "Warning, null value first loop"), 9);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_EQ(zval[i][j][1], 0.0) << i << " " << j;
}

// Method 1: the radius of each node (probed by one point just inside and
// just outside it) on a grid of uneven spacing in i, x = 0, 10, 30.
TEST_F(BedInterpolation, QuadrantStatisticsRadius) {
    quird_test::allocateGrid(3, 3, 2);
    const double xs[4] = {0.0, 0.0, 10.0, 30.0};
    quird_test::fillGrid([&](int i, int j) { return quird_test::PlanPoint{xs[i], 10.0 * (j - 1)}; },
                         quird_test::layers(0.1));
    const double inner = 0.5 * std::sqrt(2600.0), first = 20.0, last = std::sqrt(1000.0);
    struct Radius {
        int i, j;
        double r;
    };
    // (1, 1): √2 times the diagonal of the first cell; first and last rows
    // borrow from the node visited before them.
    for (const Radius c : {Radius{1, 1, first}, Radius{1, 2, first}, Radius{1, 3, first}, Radius{2, 1, first},
                           Radius{2, 2, inner}, Radius{2, 3, inner}, Radius{3, 1, inner}, Radius{3, 2, last},
                           Radius{3, 3, last}})
        for (const double f : {0.999, 1.001}) {
            SCOPED_TRACE(std::to_string(c.i) + " " + std::to_string(c.j) + " at " + std::to_string(f));
            char text[100];
            std::snprintf(text, sizeof text, "E %.12g %.12g 1\n", xval[c.i][c.j] + 0.6 * f * c.r,
                          yval[c.i][c.j] + 0.8 * f * c.r);
            const std::vector<std::string> lines = interpolate(text, 1);
            char head[100];
            std::snprintf(head, sizeof head, "Internal: %6d %6d", c.i, c.j);
            EXPECT_EQ(lineOf(lines, head), std::string(head) + (f < 1.0 ? "      1" : "      0") + "      0      0      0");
        }
}

struct StatisticsCase {
    const char* name;
    std::string points;
    double level;    // 9.0: kept
    const char* line;
    const char* extra;  // a further line for the node, or ""
};

// Method 1: M_q = mean + lowest level of quadrant q, points strictly inside it.
TEST_F(BedInterpolation, QuadrantStatisticsLevels) {
    grid();
    // M1 = 3 + 2, M2 = 2, M3 = 6, M4 = 1
    const std::array<double, 3> q1a{3, 4, 2}, q1b{6, 8, 4}, q2{-3, 4, 1}, q3{-3, -4, 3}, q4{3, -4, 0.5};
    const std::vector<StatisticsCase> cases = {
        {"all four", around({q1a, q1b, q2, q3, q4}), (5.0 + 2.0 + 6.0 + 1.0) * 0.125,
         "Internal:      2      2      2      1      1      1", ""},
        {"1 and 3", around({q1a, q1b, q3}), (5.0 + 6.0) * 0.25, "Internal:      2      2      2      0      1      0", ""},
        {"1, 2 and 3", around({q1a, q1b, q2, q3}), (5.0 + 6.0) * 0.25,
         "Internal:      2      2      2      1      1      0", ""},
        {"2 and 4", around({q2, q4}), (2.0 + 1.0) * 0.25, "Internal:      2      2      0      1      0      1", ""},
        {"1 only", around({q1a, q1b}), 0.5 * 5.0, "Internal:      2      2      2      0      0      0",
         "Warning, using scewed value for i,j= 2 2"},
        {"1 and 2", around({q1a, q2}), 0.5 * (4.0 + 2.0) / 2.0, "Internal:      2      2      1      1      0      0",
         "Warning, using scewed value for i,j= 2 2"},
        {"points on the node's lines only", around({{0.0, 3.0, 1.0}, {-3.0, 0.0, 1.0}}), 9.0,
         "Internal:      2      2      0      0      0      0", "Could not use internal intepolation for i,j=2 2"},
    };
    for (const StatisticsCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> lines = expectNode(c.points, 1, c.level, c.line);
        auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
        for (const char* l : {"Warning, using scewed value for i,j= 2 2", "Could not use internal intepolation for i,j=2 2"})
            EXPECT_EQ(has(l), std::string(c.extra) == l) << l;
    }
}

struct DirectionCase {
    const char* name;
    int method;
    std::string points;
    bool turned;  // node (3, 2) moved to (20, 20): the forward direction turns 45°
    double level;
    const char* line;
};

// Methods 2 and 3: candidates A, B (either side of the direction to node
// (3, 2)), C, D (of the direction to node (1, 2)); a missing candidate takes
// the point of the other side.
TEST_F(BedInterpolation, DirectionSearches) {
    // A = 1 (d 5, cos 0.8), B = 2 (d 5, cos 0.6), C = 4 (d 10, cos 0.8), D = 3 (d 10, cos 0.6);
    // point 5 (d 13, cos 0.92 forward) does not replace A.
    const std::string five = around({{4, 3, 1}, {3, -4, 2}, {-6, 8, 3}, {-8, -6, 4}, {12, 5, 5}});
    // Only B and C found: A takes point 2, D point 4; each pair gives its point's level.
    const std::string two = around({{3, -4, 2}, {-8, -6, 4}});
    // One point on the forward line of the turned node: A and B missing.
    const std::string one = around({{-3, -3, 6}});
    const double d1 = std::sqrt(18.0);
    const std::vector<DirectionCase> cases = {
        {"five points, cosines", 2, five, false, 2.111111111111111, "Internal:      2      2      1      2      4      3"},
        {"five points, penalties", 3, five, false, 2.119047619047619, "Internal:      2      2      1      2      4      3"},
        {"two points, cosines", 2, two, false, (2.0 * 20.0 + 4.0 * 10.0) / 30.0,
         "Internal:      2      2      1      1      2      2"},
        {"two points, penalties", 3, two, false, (2.0 * 20.0 + 4.0 * 10.0) / 30.0,
         "Internal:      2      2      1      1      2      2"},
        // Method 2 weighs the missing pair's level 0 by the candidates' distances;
        // method 3 lets the found pair stand in for it.
        {"no forward pair, cosines", 2, one, true, 6.0 * 20000.0 / (20000.0 + 2.0 * d1),
         "Internal:      2      2      0      0      1      1"},
        {"no forward pair, penalties", 3, one, true, 6.0, "Internal:      2      2      0      0      1      1"},
    };
    for (const DirectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        grid();
        if (c.turned) xval[3][2] = yval[3][2] = 20.0;
        expectNode(c.points, c.method, c.level, c.line);
    }
}

// Without point arrays (no geodata) methods 2 and 3 keep every level;
// methods 0 and 1 work on the empty point set; any other method changes
// no node and logs no node line.
TEST_F(BedInterpolation, MissingPointsAndUnknownMethods) {
    struct Case {
        int method;
        bool geodata;
        double level;
        std::vector<std::string> perNode;  // the lines written once per node
    };
    const std::vector<std::string> heads = {"First", "Internal", "Using", "Warning", "Could not use"};
    for (const Case& c : {Case{2, false, 9.0, {}}, Case{3, false, 9.0, {}},
                          Case{0, false, 0.0, {"First", "Warning, null value first loop"}},
                          Case{1, false, 9.0, {"Internal", "Could not use internal intepolation"}},
                          Case{4, true, 9.0, {}}, Case{-1, true, 9.0, {}}}) {
        SCOPED_TRACE(c.method);
        grid();
        xg.clear(), yg.clear(), zg.clear();
        std::filesystem::remove("geodata");
        if (c.geodata) writeFile("geodata", around({{1, 1, 1}, {-1, -1, 2}}));
        NoGeo = 0;
        FlagBedInterpol = c.method;
        BedInterThread();
        const std::vector<std::string> lines = readLines("boogie.bed");
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j) EXPECT_EQ(zval[i][j][1], c.level) << i << " " << j;
        int nodeLines = 0;
        for (const std::string& h : heads) nodeLines += count(lines, h);
        for (const std::string& h : c.perNode) EXPECT_EQ(count(lines, h), 9) << h;
        EXPECT_EQ(nodeLines, 9 * static_cast<int>(c.perNode.size()));
        EXPECT_STREQ(mc_message, "Finished bed interpolation");
    }
}

}  // namespace
