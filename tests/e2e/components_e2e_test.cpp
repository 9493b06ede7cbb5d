// Run letter Q in whole runs of quird on a small open channel.
#include <cstdio>
#include <string>

#include "support/testing.h"

using namespace quird_test;

namespace {

std::string channelGrid() {
    std::string s;
    char line[100];
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 5; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, i - 1.0, (j - 1) * 0.5, 0.0);
            s += line;
        }
    return s;
}

const std::string kChannel =
    "G 1 6 5 5 1\nG 3 0 25 50 75 100\nW 1 50 1 1\nW 2 2 1 6\nK 2 0 1\nK 1 30 50000\n"
    "G 7 0 1 2 5 2 5 0 0 1.0 1 0 0\nG 7 1 -1 2 5 2 5 0 0 1.0 1 0 0\n";

TEST(ComponentsRun, FlowThenComponentsLogsTheStart) {
    Case run;
    run.file("control", kChannel + "F 2 WQ\nF 50 2\nG 17 1 1 2 5 2 5 0 1.0\nQ 2 0 0 -0.01\n")
        .file("koordina", channelGrid());
    ASSERT_EQ(run.run(), 1) << run.boogie();
    EXPECT_NE(run.boogie().find("Started components\n"), std::string::npos) << run.boogie();
}

// F 50 may stand after the boxes: the check runs once control is read.
TEST(ComponentsRun, BoxForAMissingComponentIsAnInputError) {
    Case run;
    run.file("control", kChannel + "F 2 Q\nG 18 2 3 2 3 2 3 2 1.0 0 5\nG 17 1 1 2 5 2 5 -1 1.0\nF 50 2\n")
        .file("koordina", channelGrid());
    EXPECT_EQ(run.run(), 1);
    EXPECT_NE(run.boogie().find("Input error for G 17/G 18 in control: component 2 of box 1 does not exist\n"),
              std::string::npos)
        << run.boogie();
}

}  // namespace
