// Whole runs: the grid surface files of one run carry its grid into the next,
// by run letter X and by option X of F 7.
#include <sstream>
#include <string>
#include <vector>

#include "support/controls.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// A sloping open channel of 8 x 5 nodes; `shift` moves it in plan and height,
// so that a run that takes the grid files shows it did.
std::string channelGrid(double shift) {
    return koordinaText(8, 5, [shift](int i, int j) {
        return GridNode{1.1 * (i - 1) + shift, 0.45 * (j - 1), 0.004 * (8 - i) + 0.001 * j + shift};
    });
}

const std::string kChannel =
    "G 1 8 5 5 1\nG 3 0 20 45 70 100\nW 1 50 1 1.05\nW 2 2 1 8\nK 2 0 1\n"
    "G 7 0 1 2 5 2 5 0 0 1.0 1 0 0\nG 7 1 -1 2 5 2 5 0 0 1.0 1 0 0\n";

struct Record {
    int i, j;
    double v[4];
};

std::vector<Record> koosurfRecords(const std::string& text) {
    std::vector<Record> records;
    std::istringstream in(text);
    Record r;
    while (in >> r.i >> r.j >> r.v[0] >> r.v[1] >> r.v[2] >> r.v[3]) records.push_back(r);
    return records;
}

// The node blocks of xcyc: everything after the header and the profile.
std::string nodeBlocks(const std::string& xcyc, int profileLines) {
    size_t at = 0;
    for (int n = 0; n < 12 + profileLines; ++n) at = xcyc.find('\n', at) + 1;
    return xcyc.substr(at);
}

TEST(GridSurfaceRuns, TheNextRunTakesTheGridBack) {
    Case first;
    first.file("control", kChannel + "F 2 M\n").file("koordina", channelGrid(0.0));
    ASSERT_EQ(first.run(), 1) << first.boogie();
    const auto written = koosurfRecords(first.read("koosurf"));
    ASSERT_EQ(written.size(), 40u);
    const std::string xcyc = first.read("xcyc");

    struct RunCase {
        const char* name;
        const char* control;
    };
    const RunCase cases[] = {{"letter X", "F 2 XM\n"}, {"F 7 X", "F 7 X\nF 2 M\n"}};
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        Case next;
        next.file("control", kChannel + c.control).file("koordina", channelGrid(0.5));
        next.file("koosurf", first.read("koosurf")).file("xcyc", xcyc);
        ASSERT_EQ(next.run(), 1) << next.boogie();
        EXPECT_NE(next.boogie().find("Have used file 'koosurf'\nReading data from xcyc\n"), std::string::npos);
        const auto again = koosurfRecords(next.read("koosurf"));
        ASSERT_EQ(again.size(), written.size());
        for (size_t n = 0; n < written.size(); ++n) {
            EXPECT_EQ(again[n].i, written[n].i);
            EXPECT_EQ(again[n].j, written[n].j);
            EXPECT_NEAR(again[n].v[0], written[n].v[0], 5e-5 + 1e-12) << n;
            EXPECT_NEAR(again[n].v[1], written[n].v[1], 5e-5 + 1e-12) << n;
            EXPECT_EQ(again[n].v[2], written[n].v[2]) << n;
            EXPECT_NEAR(again[n].v[3], written[n].v[3], 5e-6 + 1e-12) << n;
        }
        // The nodes as the first run wrote them, to the decimals of xcyc.
        EXPECT_EQ(nodeBlocks(next.read("xcyc"), 4 * 4), nodeBlocks(xcyc, 4 * 4));
    }
}

}  // namespace
