// Run letter B through the real `quird`: the bundled flume without change,
// and the bed step levelled by the sand slides and written by letter M.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "support/grid_files.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

std::string example(const std::string& name) {
    return readFile(std::string(QUIRD_SOURCE_DIR) + "/examples/flume/" + name);
}

TEST(BedChangeRun, FlumeWithoutChangeLogsOneBlockOfZeros) {
    Case c;
    std::string control = example("control");
    const std::string letters = "F 2 WM";
    control.replace(control.find(letters), letters.size(), "F 2 B");
    c.file("control", control).file("koordina", example("koordina"));
    EXPECT_EQ(c.run(), 1);  // a completed run
    std::istringstream log(c.read("loggfil"));
    std::string line;
    int blocks = 0, records = 0;
    while (std::getline(log, line)) {
        if (line.rfind("T ", 0) == 0) {
            ++blocks;
            EXPECT_EQ(line, "T  0.000000 seconds");
        } else if (line.rfind("a ", 0) == 0) {
            ++records;
            EXPECT_EQ(line.substr(12), " 0.000000 0.000 ");
        }
    }
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(records, 20 * 4);
}

using morphtest::Bed;
using morphtest::bedOf;

// The step of 0.4 m between node lines 4 and 5 over 1 m cells, 9 x 4 nodes.
TEST(BedChangeRun, SlidesLevelTheStepAtEqualVolume) {
    std::string koordina;
    char line[80];
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %f %f %f\n", i, j, i - 1.0, j - 1.0, i <= 4 ? 0.4 : 0.0);
            koordina += line;
        }
    Case c;
    c.file("control",
           "T bed step\nF 2 BM\nF 56 99 0.05\nG 1 9 4 6 1\nG 3 0.0 20.0 40.0 60.0 80.0 100.0\n"
           "G 6 9 2 6 1.0 1.0\nW 1 40.0 1.0 0.5\n")
        .file("koordina", koordina);
    EXPECT_EQ(c.run(), 1);
    auto volume = [](Bed& b) {
        double v = 0.0;
        for (int i = 2; i <= 9; ++i)
            for (int j = 2; j <= 4; ++j) v += 0.25 * (b[{i, j}] + b[{i - 1, j}] + b[{i - 1, j - 1}] + b[{i, j - 1}]);
        return v;
    };
    auto excess = [](Bed& b) {
        double e = 0.0;
        for (int i = 1; i <= 9; ++i)
            for (int j = 1; j <= 4; ++j) {
                if (i < 9) e = std::max(e, std::fabs(b[{i, j}] - b[{i + 1, j}]) - 0.05);
                if (j < 4) e = std::max(e, std::fabs(b[{i, j}] - b[{i, j + 1}]) - 0.05);
            }
        return e;
    };
    Bed before = bedOf(koordina), after = bedOf(c.read("koosurf"));
    ASSERT_EQ(after.size(), 36u);
    EXPECT_NEAR(volume(after), volume(before), 1e-5);  // koosurf keeps 6 decimals
    EXPECT_LT(excess(after), excess(before));
    EXPECT_LT(excess(after), 1e-5);
}

}  // namespace
