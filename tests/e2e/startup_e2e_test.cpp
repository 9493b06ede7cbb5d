// The solver start-up in whole runs of quird on a straight open channel.
#include <string>

#include "support/controls.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// A flat channel 5 m long and 2 m wide; the water 1 m deep. `mirror` turns
// the grid left-handed (j running towards -y).
std::string channelGrid(bool mirror) {
    if (!mirror) return smallChannelGrid();
    return koordinaText(6, 5, [](int i, int j) { return GridNode{i - 1.0, -(j - 1) * 0.5, 0.0}; });
}

const std::string& kChannel = kSmallChannel;

TEST(StartUpRun, OpeningsSetTheNormalisers) {
    Case c;
    c.file("control", kChannel + "F 2 W\n" + kSmallChannelOpenings)
        .file("koordina", channelGrid(false));
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    EXPECT_NE(log.find("IONo = 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find(", FluxTot = 1000.000000, aK = "), std::string::npos) << log;
    EXPECT_NE(log.find("NormResidual(4) = 1000.000000\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Relaxation: 0.800000 0.200000 0.500000 0.500000\n"), std::string::npos) << log;
}

TEST(StartUpRun, MirroredGridIsRefused) {
    Case c;
    c.file("control", kChannel + "F 2 W\n").file("koordina", channelGrid(true));
    EXPECT_EQ(c.run(), -5);
    const std::string tail = "Error, negative areas for cell i=2, j=2\n"
                             "The error can be suppressed by specifying a Q on the F 1 data set.\n"
                             "However, the grid cell is distorted and computations using this grid will not run.\n";
    const std::string log = c.boogie();
    ASSERT_GE(log.size(), tail.size()) << log;
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(StartUpRun, MirroredGridPassesWithF1Q) {
    Case c;
    c.file("control", kChannel + "F 1 Q\nF 2 A\n").file("koordina", channelGrid(true));
    EXPECT_EQ(c.run(), 0);
    EXPECT_NE(c.boogie().find("IONo = 0\nRelaxation: "), std::string::npos) << c.boogie();
}

// A steady SIMPLEC run without velocity relaxation has no 1/(a_P - sum a_nb):
// refused at start-up; with relaxation, or as SIMPLE, the start-up passes.
TEST(StartUpRun, SteadySimplecNeedsVelocityRelaxation) {
    const std::string refusal = "Error, K 9 N (SIMPLEC) in a steady run needs a velocity relaxation below 1 in K 3\n";
    struct Row {
        const char* records;
        int exit;
    };
    const Row rows[] = {
        {"K 9 N\nK 3 1.0 0.2 0.5 1.0 0.5 0.5\n", 1},
        {"K 9 N\nK 3 1.2 0.2 0.5 1.0 0.5 0.5\n", 1},
        {"K 9 N\nK 3 0.9 0.9 0.9 1.0 0.9 0.9\n", 0},
        {"K 3 1.0 0.2 0.5 1.0 0.5 0.5\n", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.records);
        Case c;
        c.file("control", kChannel + "F 2 A\n" + r.records).file("koordina", channelGrid(false));
        EXPECT_EQ(c.run(), r.exit);
        EXPECT_EQ(c.boogie().find(refusal) != std::string::npos, r.exit == 1) << c.boogie();
    }
}

}  // namespace
