// The reader of `timei`: the series and probes of a sound file, every error
// code with its log line, the limits, and a whole run that a faulty file stops.
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "reader_fixture.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// The grid of the reader tests (5 x 4 x 4 nodes, 2 size classes), time-dependent.
class Timei : public ReaderTest {
protected:
    void SetUp() override {
        ReaderTest::SetUp();
        TimeStep = 1.0;
    }
    // Creates the arrays for the options set so far, then reads `text` as `timei`.
    int readTimei(const std::string& text) {
        EXPECT_EQ(sialloc(), 0);
        std::remove("boogie");
        writeFile("timei", text);
        return ReadTimes();
    }
};

std::string repeated(const std::string& text, int times) {
    std::string s;
    for (int n = 0; n < times; ++n) s += text;
    return s;
}

// A probe record as text: time and end time, then letter, i, j, k and index of each point.
std::string probeText(const TimePrintRecord& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%g %g", t.time, t.endTime);
    std::string s = text;
    for (int p = 0; p < t.count; ++p) {
        std::snprintf(text, sizeof text, " | %c %d %d %d %d", t.letter[p], t.iCell[p], t.jCell[p], t.kCell[p],
                      t.index[p]);
        s += text;
    }
    return s;
}

TEST_F(Timei, SoundFileFillsTheSeriesAndTheProbes) {
    FlagTemp = 1;
    FlagTSC = 1;
    Wind[0] = 2.0;
    NoComponents = 2;
    NoTerms = 3;
    QTerms[0].type = 2;
    QTerms[1].type = 42;    // needs the irradiation
    QTerms[2].type = 1060;  // needs the air temperature
    const int code = readTimei(
        "Series of a flume, times in s\n"
        "I 0 10 9 101 100   12.5  0.1 0.2  3 0.5 1  250\n"
        "J 10 11 10 101.5 100.5 2.0   13  0.3 0.4\n"
        "M 20 4.0   5 0.6 0   0.7 0.8   300  15\n"
        "D 0 1 2 3 4 5 6 7 8 9 10\n"
        "D 10 11 12 13 14 15 16 17 18 19 20\n"
        "O 5 2\n u 2 3 4\n c 3 2 2 1\n"
        "P 6 100 3\nQ 2 2 2 1\nL 3 3 3 0\nq 0 0 0 1\n");
    ASSERT_EQ(code, 0);
    EXPECT_FALSE(std::ifstream("boogie").good());

    EXPECT_EQ(TimeInNo, 3);
    EXPECT_EQ(FlagJTime, 1);  // the M record came last
    EXPECT_EQ(FlagTimeiConc, 2);
    EXPECT_EQ(FlagDischargeTime, 1);
    const double times[] = {0, 10, 20}, steps[] = {0, 2, 4}, temps[] = {12.5, 13, 0};
    const double irradiation[] = {250, 0, 300}, air[] = {0, 0, 15};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(TimeInTime[n], times[n]) << n;
        EXPECT_EQ(TimeInTimStep[n], steps[n]) << n;
        EXPECT_EQ(Tempinn[n], temps[n]) << n;
        EXPECT_EQ(Irradi[n], irradiation[n]) << n;
        EXPECT_EQ(AirTemp[n], air[n]) << n;
    }
    EXPECT_EQ(TimeInHinn[1], 101.5);
    EXPECT_EQ(TimeInHout[1], 100.5);
    // Inflow of the I and J records; the D records replace the outflow and add openings 2..10.
    EXPECT_EQ(QDinn[0][0], 10.0);
    EXPECT_EQ(QDinn[1][0], 11.0);
    for (int m = 1; m <= 10; ++m) {
        EXPECT_EQ(QDinn[0][m], m) << m;
        EXPECT_EQ(QDinn[1][m], 10 + m) << m;
        EXPECT_EQ(QDinn[2][m], 0.0) << m;
    }
    // Size classes 1..L from I and J, components 0..C-1 from M.
    EXPECT_EQ(Cinn[0][0], 0.0);
    EXPECT_EQ(Cinn[0][1], 0.1);
    EXPECT_EQ(Cinn[0][2], 0.2);
    EXPECT_EQ(Cinn[1][1], 0.3);
    EXPECT_EQ(Cinn[1][2], 0.4);
    EXPECT_EQ(Cinn[2][0], 0.7);
    EXPECT_EQ(Cinn[2][1], 0.8);
    // Wind on I and M; J carries none.
    EXPECT_EQ(Winn[0][0], 3.0);
    EXPECT_EQ(Winn[0][1], 0.5);
    EXPECT_EQ(Winn[0][2], 1.0);
    EXPECT_EQ(Winn[1][0], 0.0);
    EXPECT_EQ(Winn[2][0], 5.0);
    EXPECT_EQ(Winn[2][1], 0.6);

    ASSERT_EQ(TimePrintNo, 2);
    EXPECT_EQ(probeText(TimePrint[0]), "5 1e+20 | u 2 3 4 0 | c 3 2 2 1");
    EXPECT_EQ(probeText(TimePrint[1]), "6 100 | Q 2 2 2 1 | L 3 3 3 0 | q 0 0 0 1");
}

TEST_F(Timei, MissingFileLeavesTheSeriesEmpty) {
    EXPECT_EQ(sialloc(), 0);
    std::remove("boogie");
    TimeInNo = 4;
    TimePrintNo = 2;
    EXPECT_EQ(ReadTimes(), 0);
    EXPECT_EQ(TimeInNo, 0);
    EXPECT_EQ(TimePrintNo, 0);
    EXPECT_STREQ(mc_message, "have not used 'timei' file ");
    EXPECT_FALSE(std::ifstream("boogie").good());
}

TEST_F(Timei, TheLastInflowRecordDecidesFlagJTime) {
    EXPECT_EQ(readTimei("J 0 1 1 1 1 1\nI 1 1 1 1 1\n"), 0);
    EXPECT_EQ(FlagJTime, 0);
    EXPECT_EQ(readTimei("I 0 1 1 1 1\nJ 1 1 1 1 1 1\n"), 0);
    EXPECT_EQ(FlagJTime, 1);
}

TEST_F(Timei, SedimentConcentrationsOfTwentyAndMoreSizeClassesFit) {
    lnumber = 25;
    FlagTSC = 1;
    std::string record = "I 0 1 1 1 1";
    for (int l = 1; l <= 25; ++l) record += ' ' + std::to_string(l);
    ASSERT_EQ(readTimei(record + "\n"), 0);
    ASSERT_GE(Cinn.extent(1), 26);
    EXPECT_EQ(Cinn[0][20], 20.0);
    EXPECT_EQ(Cinn[0][25], 25.0);
}

// ---------------------------------------------------------------------------
// Every error code: its log line behind "Error in timei file: \n".
// ---------------------------------------------------------------------------

struct Fault {
    const char* name;
    std::function<void()> options;  // in-process, before the arrays are created
    const char* control;            // the same options as data sets; nullptr when no data set gives them
    std::string timei;
    int code;
};
void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

const std::map<int, std::string> kLines = {
    {1, "Too few numbers on O data set, or over 25 variables\n"},
    {2, "Negative time on O data set\n"},
    {3, "Time on O data set lower than the time on the previous data set\n"},
    {4, "Invalid cell index\n"},
    {5, "Invalid index letter\n"},
    {6, "Invalid sediment size index\n"},
    {7, "Number of O data sets exceeds 20\n"},
    {8, "Too few numbers on I data set, negative time\n"},
    {9, "Time on I data set lower than the time on the previous data set\n"},
    {10, "Could not read sufficient inflow concentrations on I data set\n"},
    {11, "More than 200 I data sets\n"},
    {12, ""},
    {13, ""},
    {14, ""},
    {17, "Error in reading water quality data O/q data set\n"},
};

const std::vector<Fault> kFaults = {
    {"too_few_numbers_on_O", [] {}, "", "O 1\n", 1},
    {"P_ending_before_it_starts", [] {}, "", "P 5 4 0\n", 1},
    {"negative_time_on_O", [] {}, "", "O -1 0\n", 2},
    {"O_earlier_than_the_one_before", [] {}, "", "O 5 0\nO 4 0\n", 3},
    {"point_outside_the_grid", [] {}, "", "O 0 1\nu 6 1 1\n", 4},
    {"negative_point_index", [] {}, "", "P 0 10 2\nu 1 1 1\nw 1 -1 1\n", 4},
    {"unknown_point_letter", [] {}, "", "O 0 1\nx 1 1 1\n", 5},
    {"size_index_above_lnumber", [] {}, "", "O 0 1\nc 1 1 1 3\n", 6},
    {"fiftieth_print_record", [] {}, "", repeated("O 0 0\n", 50), 7},
    {"too_few_numbers_on_I", [] {}, "", "I 0 1 1 1\n", 8},
    {"negative_time_on_M", [] {}, "", "M -1 1\n", 8},
    {"D_time_off_by_a_thousandth", [] {}, "", "I 0 1 1 1 1\nD 0.001 1 2 3 4 5 6 7 8 9 10\n", 8},
    {"I_earlier_than_the_one_before", [] {}, "", "I 5 1 1 1 1\nI 4 1 1 1 1\n", 9},
    {"sediment_concentration_missing", [] { FlagTSC = 1; }, "F 37 1\nS 1 0.002 0.1\nS 2 0.001 0.05\n",
     "I 0 1 1 1 1 0.1\n", 10},
    {"discharge_missing_on_D", [] {}, "", "I 0 1 1 1 1\nD 0 1 2 3\n", 10},
    {"ArrayTimeSteps_reached", [] { ArrayTimeSteps = 2; }, "F 81 2\n", "I 0 1 1 1 1\nI 1 1 1 1 1\n", 11},
    {"wind_values_missing", [] { Wind[0] = 1.0; }, "F 52 1.0 0.5 0\n", "I 0 1 1 1 1 2 1\n", 12},
    {"negative_time_step_on_J", [] {}, "", "J 0 1 1 1 1 -1\n", 12},
    // No accepted Q data set stores a type that needs the irradiation.
    {"irradiation_missing", [] { NoTerms = 1; QTerms[0].type = 6100; }, nullptr, "I 0 1 1 1 1\n", 13},
    {"inflow_temperature_of_95", [] { FlagTemp = 1; }, "F 49 1\n", "I 0 1 1 1 1 95.0\n", 14},
    {"air_temperature_missing", [] { NoTerms = 1; QTerms[0].type = 1060; }, nullptr, "M 0 1\n", 14},
    {"component_index_of_a_probe", [] { NoComponents = 2; }, "F 50 2\n", "O 0 1\nQ 1 1 1 2\n", 17},
};

class TimeiFault : public Timei, public ::testing::WithParamInterface<Fault> {};

TEST_P(TimeiFault, ReturnsItsCodeWithItsLine) {
    const Fault& f = GetParam();
    f.options();
    EXPECT_EQ(readTimei(f.timei), f.code);
    EXPECT_EQ(readFile("boogie"), "Error in timei file: \n" + kLines.at(f.code));
    EXPECT_EQ(std::string(mc_message), "Error in 'timei' file " + std::to_string(f.code));
}

INSTANTIATE_TEST_SUITE_P(Table, TimeiFault, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Limits, precedence and what a record keeps.
// ---------------------------------------------------------------------------

struct Outcome {
    const char* name;
    std::function<void()> options;
    std::string timei;
    int code;
    int inflowEntries;  // TimeInNo afterwards
    int printRecords;   // TimePrintNo afterwards
};
void PrintTo(const Outcome& o, std::ostream* os) { *os << o.name; }

class TimeiOutcome : public Timei, public ::testing::WithParamInterface<Outcome> {};

TEST_P(TimeiOutcome, CodeAndCounts) {
    const Outcome& o = GetParam();
    o.options();
    EXPECT_EQ(readTimei(o.timei), o.code);
    EXPECT_EQ(TimeInNo, o.inflowEntries);
    EXPECT_EQ(TimePrintNo, o.printRecords);
}

const std::string kBlanks(89999, ' ');

INSTANTIATE_TEST_SUITE_P(
    Table, TimeiOutcome,
    ::testing::Values(
        Outcome{"equal_times_are_accepted", [] {}, "I 0 1 1 1 1\nI 0 2 2 2 2\n", 0, 2, 0},
        Outcome{"J_reads_no_wind", [] { Wind[0] = 1.0; }, "I 0 1 1 1 1 2 0.5 0\nJ 5 1 1 1 1 1\nJ 6 1 1 1 1 1\n",
                0, 3, 0},
        Outcome{"fields_of_options_that_are_off_are_passed_over", [] {}, "I 0 1 1 1 1 12.5 0.1 3 0.5 1\n", 0, 1, 0},
        Outcome{"O_without_points", [] {}, "O 0 0\nO 1 0\n", 0, 0, 2},
        Outcome{"forty_nine_print_records", [] {}, repeated("O 0 0\n", 49), 0, 0, 49},
        Outcome{"fiftieth_print_record_whatever_else_is_wrong", [] {}, repeated("O 0 0\n", 49) + "O -1 0\n", 7,
                0, 50},
        Outcome{"print_record_with_a_fault_is_counted", [] {}, "O 0 2\nu 1 1 1\nx 1 1 1\n", 5, 0, 1},
        Outcome{"O_negative_and_earlier_reports_3", [] {}, "O 5 0\nO -1 0\n", 3, 0, 2},
        Outcome{"O_count_above_3000_and_negative_time_reports_2", [] {}, "O -1 3001\n", 2, 0, 1},
        Outcome{"O_with_negative_count", [] {}, "O 0 -1\n", 1, 0, 1},
        Outcome{"P_negative_and_earlier_reports_3", [] {}, "P 5 9 0\nP -1 9 0\n", 3, 0, 2},
        Outcome{"P_negative_time_above_its_end_reports_1", [] {}, "P -1 -2 0\n", 1, 0, 1},
        Outcome{"199_inflow_records", [] {}, repeated("I 0 1 1 1 1\n", 199), 0, 199, 0},
        Outcome{"200th_inflow_record", [] {}, repeated("I 0 1 1 1 1\n", 200), 11, 200, 0},
        Outcome{"capital_I_in_a_comment_starts_a_record", [] {}, "Inflow of the flume\nI 0 1 1 1 1\n", 8, 0, 0},
        Outcome{"comment_without_the_six_capitals", [] {}, "flow of the flume, rev. 2\nI 0 1 1 1 1\n", 0, 1, 0},
        Outcome{"byte_FF_ends_the_file", [] {}, "I 0 1 1 1 1\n\xffI -1 1 1 1 1\n", 0, 1, 0},
        Outcome{"record_at_the_90000th_character", [] {}, kBlanks + "I -1 1 1 1 1\n", 8, 0, 0},
        Outcome{"record_behind_the_90000th_character", [] {}, kBlanks + " I -1 1 1 1 1\n", 0, 0, 0},
        Outcome{"characters_of_records_do_not_count", [] {},
                repeated("I 0 1 1 1 1\n", 3) + kBlanks.substr(0, 89999 - 3 - 3) + "O -1 0\n", 2, 3, 1},
        Outcome{"missing_sediment_concentration_keeps_the_entry", [] { FlagTSC = 1; }, "I 0 1 1 1 1 0.1\n", 10, 1, 0},
        Outcome{"missing_component_concentration_drops_the_entry", [] { NoComponents = 2; }, "M 0 1 0.5\n", 10, 0,
                0},
        Outcome{"negative_time_step_keeps_the_entry", [] {}, "M 0 1\nM 1 -1\n", 12, 2, 0},
        Outcome{"D_for_an_entry_not_yet_read", [] {}, "D 0 1 2 3 4 5 6 7 8 9 10\nI 0 1 1 1 1\n", 8, 0, 0},
        Outcome{"D_time_within_a_ten_thousandth", [] {}, "I 1 1 1 1 1\nD 1.00005 1 2 3 4 5 6 7 8 9 10\n", 0, 1,
                0},
        Outcome{"O_with_3000_points", [] {}, "O 0 3000\n" + repeated("u 1 1 1\n", 3000), 0, 0, 1},
        Outcome{"P_with_3001_points", [] {}, "P 0 10 3001\n" + repeated("u 1 1 1\n", 3001), 1, 0, 1},
        Outcome{"size_index_lnumber_and_component_C_minus_1", [] { NoComponents = 2; },
                "O 0 2\nc 5 4 4 2\nL 0 0 0 1\n", 0, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Whole runs: a faulty `timei` ends the run before the run string.
// ---------------------------------------------------------------------------

// A small flume: 5 x 4 nodes, 1 m by 0.5 m apart, the bed falling 4 mm per metre.
std::string smallGrid() {
    std::string s;
    char line[80];
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, (i - 1) * 1.0, (j - 1) * 0.5,
                          0.004 * (5 - i));
            s += line;
        }
    return s;
}

// A run of the flume whose run string ends the process with 0 at its first
// letter; `options` stands before the run string.
std::string flumeControl(const std::string& options) {
    return "T timei run\nG 1 5 4 4 2\nG 3 0 20 60 100\n"
           "G 7 0 1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\nG 7 1 -1 2 4 2 4 0 0 1.0 1.0 0.0 0.0\n"
           "W 1 40.0 1.0 0.5\nW 2 3 1 3 5\nK 2 0 1\n" +
           options + "F 2 A\n";
}
std::string transientControl(const std::string& options) { return flumeControl("F 17 1.0\n" + options); }

std::vector<Fault> faultsReachableThroughControl() {
    std::vector<Fault> v;
    for (const Fault& f : kFaults)
        if (f.control) v.push_back(f);
    return v;
}

class TimeiRun : public ::testing::TestWithParam<Fault> {};

TEST_P(TimeiRun, FaultyFileRunsNoLetter) {
    const Fault& f = GetParam();
    Case c;
    c.file("control", transientControl(f.control)).file("koordina", smallGrid()).file("timei", f.timei);
    EXPECT_EQ(c.run(), 1);  // A would have ended the process with 0
    const std::string tail = "Error in timei file: \n" + kLines.at(f.code);
    const std::string log = c.boogie();
    ASSERT_GE(log.size(), tail.size()) << log;
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
}

INSTANTIATE_TEST_SUITE_P(Table, TimeiRun, ::testing::ValuesIn(faultsReachableThroughControl()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimeiRunClean, SoundOrMissingFileReachesTheRunString) {
    Case c;
    c.file("control", transientControl("")).file("koordina", smallGrid());
    EXPECT_EQ(c.run(), 0);
    c.file("timei", "I 0 1 1 1 1\nI 10 2 2 1 1\nO 0 1\nu 2 2 2\n");
    EXPECT_EQ(c.run(), 0);
    EXPECT_EQ(c.boogie().find("timei"), std::string::npos) << c.boogie();
    // A steady run does not read the file at all.
    c.file("control", flumeControl("")).file("timei", "I -1\n");
    EXPECT_EQ(c.run(), 0);
}

}  // namespace
