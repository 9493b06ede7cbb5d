// Run letter S with the twin driver that solves the bed-layer equation
// (F 37 2) through the real `quird`, for each bed-layer version F 303 0..3:
// the sediment flume fed above its transport capacity for three steps of
// 60 s; and the two transient drivers side by side over 20 steps with
// probes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/grid_files.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

const std::filesystem::path kExample = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/sediment";

// The flume with run string WISM, K 1 `steps`, driver `driver` (F 37) with
// steps of 60 s, and `more` data sets.
std::string control(int steps, int driver, const std::string& more) {
    std::string text = readFile(kExample / "control");
    auto replace = [&text](const std::string& from, const std::string& to) {
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    replace("F 2 WIM", "F 2 WISM");
    replace("K 1 2000 20", "K 1 " + std::to_string(steps) + " 20");
    replace("I 1 0.01", "I 1 2.0");
    replace("I 2 0.05", "I 2 5.0");
    return text + "F 37 " + std::to_string(driver) + "\nF 33 60\n" + more;
}

std::string control(int steps, int fracVer) { return control(steps, 2, "F 303 " + std::to_string(fracVer) + "\n"); }

std::size_t count(const std::string& text, const std::string& part, std::size_t from) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part, from); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(BedLayerMorphologyRun, EveryLayerVersionRunsToTheEndFiles) {
    for (int fracVer = 0; fracVer <= 3; ++fracVer) {
        SCOPED_TRACE(fracVer);
        Case c;
        c.file("control", control(3, fracVer)).file("koordina", readFile(kExample / "koordina"));
        EXPECT_EQ(c.run(), 1);  // a completed run
        const std::string log = c.boogie();
        const std::size_t banner = log.find("\n ***** In morphology_tsc **********\n\nVolume of geometry: ");
        ASSERT_NE(banner, std::string::npos) << log;
        // One flow pass per step, counted from 1.
        EXPECT_EQ(count(log, "Iter: ", banner), 3u) << log.substr(banner);
        EXPECT_NE(log.find("Have written conres.t file \n", banner), std::string::npos);
        // The continuity report of the twin, every step of the three.
        EXPECT_EQ(count(log, " Sedim. continuity: In, Out, SuspCh, BedCh., BedMove, ContDef., MoveDef: (m3, incl. water)\n", banner),
                  3u);
        EXPECT_EQ(log.find("Bedch.", banner), std::string::npos);
        EXPECT_EQ(log.find("Error", banner), std::string::npos) << log.substr(banner);
        EXPECT_EQ(log.find("nan", banner), std::string::npos) << log.substr(banner);
        for (const char* file : {"conres.new", "fracres.new", "result", "koosurf", "xcyc", "bedfrac.new"})
            EXPECT_TRUE(c.exists(file)) << file;
        // The grid follows the bed: it has risen at the overfed inflow, more
        // than further down and than at the outflow.
        const morphtest::Bed before = morphtest::bedOf(readFile(kExample / "koordina")),
                             after = morphtest::bedOf(c.read("koosurf"));
        ASSERT_EQ(after.size(), before.size());
        auto rise = [&](int i) {
            double r = 0.0;
            for (int j = 1; j <= 5; ++j) r += (after.at({i, j}) - before.at({i, j})) / 5;
            return r;
        };
        EXPECT_GT(rise(1), 0.01);
        EXPECT_GT(rise(1), rise(2));
        EXPECT_GT(rise(2), rise(21));
    }
}

// The two drivers over 20 steps with a probe every 10 (F 53): the twin
// writes its probe lines by the flow's pass counter, at steps 10 and 20
// counted from 1 (times 540 s and 1140 s), none at the first; the first
// driver by its step counter from 0, at steps 1 and 11 (0 s, outside the
// probe window, so the time alone, and 600 s). Each has its own spelling of
// the continuity header.
TEST(BedLayerMorphologyRun, ProbeLinesAndReportHeaderByDriver) {
    const struct {
        int driver;
        std::vector<std::string> probeLines;
        const char *header, *other;
    } cases[] = {
        {1, {"0.0000e+00", "6.0000e+02 *"}, "Bedch., Bedmove", "BedCh., BedMove"},
        {2, {"5.4000e+02 *", "1.1400e+03 *"}, "BedCh., BedMove", "Bedch., Bedmove"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        Case run;
        run.file("control", control(20, c.driver, "F 53 100 100 100 10\n"))
            .file("koordina", readFile(kExample / "koordina"))
            .file("timei", "O 0.0 1 c 3 3 3 1\n");
        EXPECT_EQ(run.run(), 1);
        const std::string log = run.boogie();
        const std::size_t banner = log.find("\n ***** In morphology_tsc **********\n\n");
        ASSERT_NE(banner, std::string::npos) << log;
        const std::vector<std::string> lines = readLines(run.dir() / "timeo");
        ASSERT_EQ(lines.size(), c.probeLines.size()) << run.read("timeo");
        for (std::size_t n = 0; n < lines.size(); ++n) {
            const std::string& expected = c.probeLines[n];
            const bool withValue = expected.back() == '*';
            const std::string time = withValue ? expected.substr(0, expected.size() - 2) : expected;
            EXPECT_EQ(lines[n].substr(0, time.size() + 1), time + " ") << lines[n];
            // One concentration value in the window, none outside it.
            double value = -1.0;
            const int fields = std::sscanf(lines[n].c_str() + time.size(), " %le", &value);
            EXPECT_EQ(fields == 1, withValue) << lines[n];
            if (withValue) {
                EXPECT_GE(value, 0.0);
            }
        }
        const std::string header = std::string(" Sedim. continuity: In, Out, SuspCh, ") + c.header +
                                   ", ContDef., MoveDef: (m3, incl. water)\n";
        // Steps 0..9, 10 and the last, by the step counter.
        EXPECT_EQ(count(log, header, banner), 12u) << log.substr(banner);
        EXPECT_EQ(log.find(c.other, banner), std::string::npos);
        EXPECT_TRUE(run.exists("bedfrac.new"));
    }
}

}  // namespace
