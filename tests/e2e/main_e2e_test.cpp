// The process in a working directory: the files main writes for a directory
// without `control` or `koordina`, and what it leaves alone.
#include <algorithm>
#include <string>

#include "support/testing.h"

using namespace quird_test;

namespace {

const char* kMinimalControl =
    "T                                title field \n"
    "G 1 4 4 4 1     grid and array sizes\n"
    "G 3 0.000000 33.333333 66.666667 100.000000      vertical grid distribution\n"
    "W 1 50.000000 1.000000 1.000000\n"
    "W 2 3 1 2 4\n"
    "K 1 40000 60000\n"
    "K 2 0 1\n";

std::string defaultBox() {
    std::string s;
    char line[80];
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, (i - 1) * 10.0 / 3, (j - 1) * 5.0 / 3, 0.0);
            s += line;
        }
    return s;
}

TEST(EmptyDirectory, WritesMinimalControlAndDefaultGridThenRuns) {
    Case c;
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.read("control"), kMinimalControl);
    const std::string koordina = c.read("koordina");
    EXPECT_EQ(koordina, defaultBox());
    EXPECT_EQ(koordina.substr(0, 30), "1 1 0.000000 0.000000 0.000000");
    EXPECT_NE(c.boogie().find(" Multi-block version of QUIRD \n"), std::string::npos);

    // A second run finds both files and leaves them as they are.
    c.file("koordina", koordina + "\n");  // even a changed grid file is not rewritten
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.read("control"), kMinimalControl);
    EXPECT_EQ(c.read("koordina"), koordina + "\n");
}

TEST(DefaultGrid, SpansTheBoundingBoxOfGeodata) {
    Case c;
    c.file("control", "G 1 3 2 4 1\n");
    c.file("geodata", "points\nE 10.0 20.0 1.5\nE 4.0 26.0 2.0\nE 7 21\nE junk\nE 100 100\n");
    c.run();
    EXPECT_EQ(c.read("koordina"),
              "1 1 4.000000 20.000000 0.000000\n"
              "1 2 4.000000 26.000000 0.000000\n"
              "2 1 7.000000 20.000000 0.000000\n"
              "2 2 7.000000 26.000000 0.000000\n"
              "3 1 10.000000 20.000000 0.000000\n"
              "3 2 10.000000 26.000000 0.000000\n");
}

TEST(DefaultGrid, GeodataWithoutPointsWritesNoGrid) {
    Case c;
    c.file("control", "G 1 4 4 4 1\n");
    c.file("geodata", "no points here\n");
    c.run();
    EXPECT_FALSE(c.exists("koordina"));
}

TEST(DefaultGrid, SizesBelowTwoGiveAnEmptyFile) {
    for (const char* g1 : {"G 1 1 4 4 1\n", "G 1 4 1 4 1\n", "no sizes at all\n"}) {
        Case c;
        c.file("control", g1);
        c.run();
        EXPECT_TRUE(c.exists("koordina")) << g1;
        EXPECT_EQ(c.read("koordina"), "") << g1;
    }
}

TEST(PreReadOfG1, UsesTheFirstGFollowedByOne) {
    // A G in free text before the data set reads no number; G 2 sets the number to 2,
    // the following G without a number keeps it, and G 1 is then found.
    Case c;
    c.file("control", "Grid of a flume\nG 2 5 G x G 1 3 2 4 1\n");
    c.run();
    const std::string koordina = c.read("koordina");
    EXPECT_EQ(koordina.substr(0, 31), "1 1 0.000000 0.000000 0.000000\n");
    EXPECT_EQ(std::count(koordina.begin(), koordina.end(), '\n'), 6);
}

}  // namespace
