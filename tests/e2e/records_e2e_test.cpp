// The record data sets through a whole run of quird: refusals of the first
// pass, the checks between the passes and the readers of the second pass.
#include <cstdio>
#include <string>

#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

const std::string kGrid = "G 1 5 4 4 2\nG 3 0 20 60 100\n";

struct EndOfRun {
    const char* name;
    std::string control;  // behind the grid data sets
    int code;
    std::string logEnd;
    std::string logHas = {};  // earlier lines
    std::string before = {};  // in front of the grid data sets
};

void PrintTo(const EndOfRun& e, std::ostream* os) { *os << e.name; }

class RecordsEndToEnd : public ::testing::TestWithParam<EndOfRun> {};

TEST_P(RecordsEndToEnd, EndsWithItsCodeAndMessage) {
    const EndOfRun& e = GetParam();
    Case c;
    c.file("control", e.before + kGrid + e.control);
    EXPECT_EQ(c.run(), e.code);
    const std::string log = c.boogie();
    ASSERT_GE(log.size(), e.logEnd.size()) << log;
    EXPECT_EQ(log.substr(log.size() - e.logEnd.size()), e.logEnd) << log;
    EXPECT_NE(log.find(e.logHas), std::string::npos) << log;
}

TEST(RecordsEndToEndClean, EveryKindOfRecordPassesAWholeRead) {
    // The block joint of W 3 is checked on the geometry of the grid: a main
    // block of node lines 1..5 and a side block of lines 6..8 that branches
    // off its wall j = 1 at host columns 2..4.
    const TwoBlockGrid blocks{.mainLines = 5, .blockLines = 3, .Y = 4, .Z = 4, .start = 2};
    std::string koordina;
    for (int i = 1; i <= blocks.X(); ++i)
        for (int j = 1; j <= blocks.Y; ++j) {
            const PlanPoint p = i <= blocks.mainLines ? PlanPoint{(i - 1) * blocks.dx, (j - 1) * blocks.dy}
                                                      : blocks.blockNode(i, j);
            char line[100];
            std::snprintf(line, sizeof line, "%d %d %lf %lf 0.0\n", i, j, p.x, p.y);
            koordina += line;
        }
    Case c;
    c.file("control",
           "G 1 8 4 4 2\nG 3 0 20 60 100\nW 1 40 1.0 1.0\n"
           "G 7 0 1 2 4 2 4 0 0 1.0 1 0 0\nG 7 1 -1 2 4 2 4 0 0 1.0 1 0 0\nG 23 1 5 1 4 2\n"
           "S 1 0.002 0.1\nS 2 0.001 0.05\nN 1 1 0.3\nN 1 2 0.7\nW 3 1 5 2\n"
           "W 5 2 0 30 6 45\nB 1 2 3 2 3\nB -1 1 6 1 5\nT flume\n");
    c.file("koordina", koordina);
    EXPECT_EQ(c.run(), 1);
    std::string log = c.boogie();
    const std::string noErrors = "Have not found errors in Multi-block initiation";
    ASSERT_NE(log.find(noErrors), std::string::npos) << log;
    log.erase(log.find(noErrors), noErrors.size());
    EXPECT_EQ(log.find("rror"), std::string::npos) << log;
    EXPECT_EQ(log.find("nan"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RecordsEndToEnd,
    ::testing::Values(
        EndOfRun{"first_pass_refusal", "K 3 0.8 0.8 0.8 0.2 6.0 0.5\nW 1 50 1 1\n", 1,
                 "Input error for K 3 in control"},
        EndOfRun{"faulty_opening", "G 7 0 0 2 4 2 4 0 0 1.0 1 0 0\n", -1,
                 "Input error for G 7 in control\nError = -10\n",
                 "Number of threads: 0 (F 206)\n"
                 "Error in G 7: for wall no: 1\nside have to range from -3 to +3, but not zero\nside: 0\n"},
        EndOfRun{"samples_not_summing_to_one", "N 1 1 0.3\nN 1 2 0.2\n", -4,
                 "Error, N - data sets : Sum of fractions = 5.000000e-01\n"},
        EndOfRun{"size_not_given", "S 1 0.002 0.1\n", -5, "Error for S data set no. 2\n"},
        EndOfRun{"w5_behind_a_short_run_string", "F 2 W\nW 5 1 3 0.5\n", 1,
                 "Input error for W 5 in control, i=3\nManning's factor outside allowable range\n"},
        EndOfRun{"bed_box_outside_the_bed", "B 1 0 7 1 2\n", 1, "Input error for B in control"},
        // P 3 is checked against the sizes that the entry point pre-read from
        // G 1, wherever G 1 stands: the last cells pass, one more is refused.
        EndOfRun{"monitoring_cell_before_g1", "K 3 0.8 0.8 0.8 0.2 6.0 0.5\n", 1, "Input error for K 3 in control",
                 {}, "P 3 6 5 5 2\n"},
        EndOfRun{"monitoring_cell_beyond_g1", "", 1, "Input error for P 3 in control", {}, "P 3 7 5 5 2\n"}));

}  // namespace
