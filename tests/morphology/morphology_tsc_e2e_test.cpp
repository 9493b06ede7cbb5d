// Run letter S with the transient driver (F 37 1) through the real `quird`:
// the sediment flume fed far above its transport capacity for three steps
// of 60 s (K 1 3 is both the flow's iteration limit and the step count).
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "morphology/grid_files.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

const std::filesystem::path kExample = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/sediment";

// The sediment flume with the run string `letters`, K 1 `steps` and the
// transient driver with steps of 60 s; the inflow of both sizes raised to
// 2 and 5 kg/s.
std::string control(const std::string& letters, int steps, const std::string& more = "") {
    std::string text = readFile(kExample / "control");
    auto replace = [&text](const std::string& from, const std::string& to) {
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    replace("F 2 WIM", "F 2 " + letters);
    replace("K 1 2000 20", "K 1 " + std::to_string(steps) + " 20");
    replace("I 1 0.01", "I 1 2.0");
    replace("I 2 0.05", "I 2 5.0");
    return text + "F 37 1\nF 33 60\n" + more;
}

using morphtest::Bed;
using morphtest::bedOf;

std::size_t count(const std::string& text, const std::string& part, std::size_t from = 0) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part, from); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(TransientMorphologyRun, BedRisesNearTheOverfedInflow) {
    Case c;
    c.file("control", control("WISM", 3)).file("koordina", readFile(kExample / "koordina"));
    EXPECT_EQ(c.run(), 1);  // a completed run
    const std::string log = c.boogie();
    const std::size_t banner = log.find("\n ***** In morphology_tsc **********\n\n");
    ASSERT_NE(banner, std::string::npos) << log;
    double volume = 0.0;
    int flags[6];
    const std::size_t v = log.find("Volume of geometry: ", banner);
    ASSERT_EQ(std::sscanf(log.c_str() + v, "Volume of geometry: %le qubic meters\nBed concentration flags: %d %d %d %d %d %d\n",
                          &volume, &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &flags[5]),
              7)
        << log.substr(v, 200);
    // 20 m by 2 m, about half a metre deep.
    EXPECT_GT(volume, 20.0);
    EXPECT_LT(volume, 22.0);
    for (int f : flags) EXPECT_EQ(f, 0);
    // Three flow passes, one per step, counted from 1.
    EXPECT_EQ(count(log, "Iter: ", banner), 3u) << log.substr(banner);
    EXPECT_NE(log.find("Iter: 1,", banner), std::string::npos);
    EXPECT_NE(log.find("Iter: 3,", banner), std::string::npos);
    EXPECT_NE(log.find("Have written conres.t file \n", banner), std::string::npos);
    EXPECT_EQ(log.find("Error", banner), std::string::npos) << log.substr(banner);
    for (const char* file : {"conres.new", "fracres.new", "result", "koosurf", "xcyc"}) EXPECT_TRUE(c.exists(file)) << file;

    // The grid follows the bed: it has risen at the inflow, more than at the outflow.
    Bed before = bedOf(readFile(kExample / "koordina")), after = bedOf(c.read("koosurf"));
    ASSERT_EQ(after.size(), before.size());
    auto rise = [&](int i) {
        double r = 0.0;
        for (int j = 1; j <= 5; ++j) r += (after[{i, j}] - before[{i, j}]) / 5;
        return r;
    };
    EXPECT_GT(rise(1), 0.01);
    EXPECT_GT(rise(1), rise(2));
    EXPECT_GT(rise(2), 10 * std::max(rise(21), 1e-6));
}

TEST(TransientMorphologyRun, NoStepOnlyTheEndFiles) {
    Case c;
    c.file("control", control("ISM", 0)).file("koordina", readFile(kExample / "koordina"));
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    const std::size_t banner = log.find(" ***** In morphology_tsc **********");
    ASSERT_NE(banner, std::string::npos) << log;
    EXPECT_EQ(log.find("Iter: ", banner), std::string::npos);
    EXPECT_NE(log.find("Have written conres.t file \n", banner), std::string::npos);
    for (const char* file : {"conres.new", "fracres.new", "result", "koosurf"}) EXPECT_TRUE(c.exists(file)) << file;
}

}  // namespace
