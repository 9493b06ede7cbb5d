// The flow solver's logs: the probe lines of `timeo` (record windows, the
// letters, the layout) and the block forces of `forcelog` (emptied at the
// first iteration, appended later, the forces of a linear pressure field),
// and the runs that end when a log cannot be opened.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/kread.h"
#include "control/readers.h"
#include "run/reset.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/controls.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int X = 6, Y = 5, Z = 4;
constexpr double kDx = 1.0, kDy = 0.5, kDz = 0.25;

class FlowLogs : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setParameterDefaults();
        setRecordDefaults();
        stime = 0.0;
        Iter = 1;
        boxGrid(X, Y, Z, kDx, kDy, kDz);
        metric();
    }
    void TearDown() override {
        setParameterDefaults();
        setRecordDefaults();
        resetEngine();
    }
    // Record n holds one 'u' probe in cell (n + 2, 3, 3), so a line names its record.
    static void windows(std::initializer_list<std::pair<double, double>> w) {
        TimePrintNo = 0;
        for (auto [from, to] : w) {
            TimePrintRecord& r = TimePrint[TimePrintNo];
            r.time = from;
            r.endTime = to;
            r.count = 1;
            r.letter[0] = 'u';
            r.iCell[0] = TimePrintNo + 2, r.jCell[0] = 3, r.kCell[0] = 3;
            xvel[TimePrintNo + 2][3][3] = 10.0 * (TimePrintNo + 1);
            ++TimePrintNo;
        }
    }
    static std::string line(const char* fmt, double t, std::vector<double> values) {
        char buf[64];
        std::snprintf(buf, sizeof buf, fmt, t);
        std::string s = buf;
        for (double v : values) {
            std::snprintf(buf, sizeof buf, "%10.6e ", v);
            s += buf;
        }
        return s + "\n";
    }
};

// The record whose window holds the time strictly; at a window edge, and
// outside every window, the last record.
TEST_F(FlowLogs, RecordWindows) {
    windows({{0.0, 100.0}, {100.0, 200.0}, {300.0, 400.0}});
    const struct {
        double t, value;
    } cases[] = {{50.0, 10.0}, {150.0, 20.0}, {350.0, 30.0}, {100.0, 30.0}, {0.0, 30.0}, {250.0, 30.0}, {500.0, 30.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        stime = c.t;
        timeoStart();
        EXPECT_EQ(readFile("timeo"), "");
        timeoLine();
        EXPECT_EQ(readFile("timeo"), line("%10.4e ", c.t, {c.value}));
    }
    // One record at time 0 serves at the start of the run.
    windows({{0.0, 1e20}});
    stime = 0.0;
    timeoStart();
    timeoLine();
    timeoLine();
    EXPECT_EQ(readFile("timeo"), line("%10.4e ", 0.0, {10.0}) + line("%10.4e ", 0.0, {10.0}));
}

// Every letter of the table prints its field; a letter of the other writers
// prints nothing; a temperature probe without temperature prints 0.
TEST_F(FlowLogs, Letters) {
    const int i = 3, j = 4, k = 2;
    xvel[i][j][k] = 1.5, yvel[i][j][k] = -2.5, zvel[i][j][k] = 0.125;
    Pres[i][j][k] = 9810.0, kinen[i][j][k] = 0.01, epsilon[i][j][k] = 0.002, diff[i][j][k] = 3e-3;
    conc[1][i][j][k] = 4e-4;
    const std::string letters = "udvwpkeqzct";
    TimePrintNo = 1;
    TimePrint[0] = TimePrintRecord{};
    TimePrint[0].time = 0.0;
    TimePrint[0].endTime = 1e20;
    TimePrint[0].count = static_cast<int>(letters.size());
    for (size_t q = 0; q < letters.size(); ++q) {
        TimePrint[0].letter[q] = letters[q];
        TimePrint[0].iCell[q] = i, TimePrint[0].jCell[q] = j, TimePrint[0].kCell[q] = k;
        TimePrint[0].index[q] = letters[q] == 'c' ? 1 : 0;
    }
    ASSERT_TRUE(temp.isNull());
    stime = 12.5;
    timeoStart();
    timeoLine();
    EXPECT_EQ(readFile("timeo"),
              line("%10.4e ", 12.5, {1.5, 3e-3, -2.5, 0.125, 9810.0, 0.01, 0.002, zval[i][j][k], 4e-4, 0.0}));
}

// Box cells 3..4 x 3..4 x 2..3 in a pressure linear in x: Fx is the pressure
// difference of the cells just outside the two i sides times the side area,
// Fy is 0; a box that reaches the outflow boundary cells has no cell beyond
// its high i side.
TEST_F(FlowLogs, BlockForces) {
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) Pres[i][j][k] = 5000.0 - 300.0 * (i - 1.5) * kDx + 7.0 * k;
    OutBlockNo = 2;
    OutBlock[1] = {{3, 4, 3, 4, 2, 3}, 0};
    OutBlock[2] = {{5, X + 1, 2, Y + 1, 2, 3}, 0};
    const double side = 2.0 * kDy * 2.0 * kDz;
    double Fx1 = 0.0;
    for (int k = 2; k <= 3; ++k) Fx1 += (Pres[2][3][k] - Pres[5][3][k]) * side / 2.0;
    double Fx2 = 0.0;
    for (int k = 2; k <= 3; ++k) Fx2 += Pres[4][3][k] * (Y - 1) * kDy * kDz;
    Iter = 1;
    forcelog();
    const std::vector<std::string> lines = readLines("forcelog");
    ASSERT_EQ(lines.size(), 2u);
    double fx = 0.0, fy = 1.0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "Forces on block 1 : %lg, %lg", &fx, &fy), 2);
    EXPECT_NEAR(fx, Fx1, 1e-6 * std::fabs(Fx1));
    EXPECT_NEAR(fy, 0.0, 1e-9);
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "Forces on block 2 : %lg, %lg", &fx, &fy), 2);
    EXPECT_NEAR(fx, Fx2, 1e-6 * std::fabs(Fx2));
}

// Emptied at Iter 1, appended at any other; so a first line at Iter 5
// (F 53 force interval 5) follows what the file held.
TEST_F(FlowLogs, ForcelogEmptiedAtTheFirstIteration) {
    OutBlockNo = 1;
    OutBlock[1] = {{3, 3, 3, 3, 2, 2}, 0};
    writeFile("forcelog", "earlier run\n");
    Iter = 5;
    forcelog();
    forcelog();
    std::vector<std::string> lines = readLines("forcelog");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "earlier run");
    Iter = 1;
    forcelog();
    lines = readLines("forcelog");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Forces on block 1 : ", 0), 0u);
}

// A log that cannot be opened ends the run with -3 and names the file.
TEST_F(FlowLogs, UnopenedLogsEndTheRun) {
    windows({{0.0, 1e20}});
    OutBlockNo = 1;
    OutBlock[1] = {{3, 3, 3, 3, 2, 2}, 0};
    const struct {
        const char* file;
        void (*write)();
    } cases[] = {{"timeo", timeoStart}, {"timeo", timeoLine}, {"forcelog", forcelog}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::filesystem::create_directory(c.file);
        mc_message[0] = '\0';
        EXPECT_EQ(exitCodeOf(c.write), -3);
        EXPECT_EQ(std::string(mc_message), std::string("cannot open file '") + c.file + "' ");
        std::filesystem::remove(c.file);
    }
}

}  // namespace

namespace {

// The real run writes one probe line per outer pass, before its inner
// iterations: the time (constant, the flow solver does not advance it), then
// one value per probe of the table, none for a letter of the other writers.
TEST(FlowLogsRun, ProbeLinesOfATransientRun) {
    Case c;
    c.file("control", transientBoxChannel("transient channel with probes", 4))
        .file("timei", "O 0.0 3 u 3 3 3 f 3 3 3 p 2 2 2\n");
    EXPECT_EQ(c.run(), 1) << c.boogie();
    const std::vector<std::string> lines = readLines(c.dir() / "timeo");
    ASSERT_EQ(lines.size(), 4u) << c.read("timeo");
    const std::regex probe("0\\.0000e\\+00 -?\\d\\.\\d{6}e[+-]\\d\\d -?\\d\\.\\d{6}e[+-]\\d\\d ");
    for (const std::string& l : lines) EXPECT_TRUE(std::regex_match(l, probe)) << l;
    EXPECT_NE(lines[0], lines[3]);  // the flow develops from pass to pass
}

}  // namespace
