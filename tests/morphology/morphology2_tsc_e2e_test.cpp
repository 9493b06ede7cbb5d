// Run letter S with the twin driver that solves the bed-layer equation
// (F 37 2) through the real `quird`, for each bed-layer version F 303 0..3:
// the sediment flume fed above its transport capacity for three steps of
// 60 s.
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/grid_files.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

const std::filesystem::path kExample = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/sediment";

std::string control(int steps, int fracVer) {
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
    return text + "F 37 2\nF 33 60\nF 303 " + std::to_string(fracVer) + "\n";
}

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
        EXPECT_EQ(log.find("Error", banner), std::string::npos) << log.substr(banner);
        EXPECT_EQ(log.find("nan", banner), std::string::npos) << log.substr(banner);
        for (const char* file : {"conres.new", "fracres.new", "result", "koosurf", "xcyc"})
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

}  // namespace
