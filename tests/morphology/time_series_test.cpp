// The start of a transient morphology step: the time step and the inflow
// concentrations from the `timei` series, the cyclic feed-back of the
// outflow, and the probe line to `timeo`.
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "morphology/tsc_steps.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

class TscTimeSeries : public sedtest::SedimentTest {
protected:
    void SetUp() override {
        SedimentTest::SetUp();
        TimeStep = 1.0;  // a transient run: the series arrays exist
        straightChannel();
    }
    static void series(const std::vector<double>& times, const std::vector<double>& steps,
                       const std::vector<double>& values) {
        TimeInNo = static_cast<int>(times.size());
        for (int t = 0; t < ArrayTimeSteps; ++t) TimeInTime[t] = TimeInTimStep[t] = Cinn[t][1] = 0.0;
        for (int t = 0; t < TimeInNo; ++t) {
            TimeInTime[t] = times[t];
            TimeInTimStep[t] = steps[t];
            Cinn[t][1] = values[t];
        }
    }
    static void fillConc(double value) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) conc[1][i][j][k] = value;
    }
    static IORecord opening(int type, int side, int a1, int a2, int b1, int b2) {
        IORecord r{};
        r.type = type;
        r.side = side;
        r.a1 = a1;
        r.a2 = a2;
        r.b1 = b1;
        r.b2 = b2;
        return r;
    }
};

// (stime, series) -> value at an opening, value of the inflow cells without
// openings, time step taken from the series.
struct SeriesCase {
    const char* what;
    std::vector<double> times, steps, values;
    double stime;
    double atOpening, withoutOpenings, step;
};

TEST_F(TscTimeSeries, EntryWeightAndTimeStepFromTheSeries) {
    const std::vector<double> T{10, 20, 40}, S{1, 2, 4}, C{0.1, 0.2, 0.4};
    const SeriesCase cases[] = {
        {"between two entries: linear", T, S, C, 15, 0.15, 0.2, 2},
        {"at an entry's time: the next interval, weight 1", T, S, C, 20, 0.2, 0.4, 4},
        {"before the first entry: n = 1, w clipped", T, S, C, 5, 0.1, 0.2, 2},
        {"at the last entry's time: it holds", T, S, C, 40, 0.4, 0.4, 4},
        {"past the last entry: it holds", T, S, C, 55, 0.4, 0.4, 4},
        {"one entry at T0 > 0: ramp until T0", {10}, {3}, {0.3}, 4, 0.12, 0.3, 3},
        {"one entry at T0 > 0, after T0", {10}, {3}, {0.3}, 12, 0.3, 0.3, 3},
        {"one entry at time 0: it holds", {0}, {3}, {0.3}, 5, 0.3, 0.3, 3},
        {"one entry at time 0, stime 0", {0}, {3}, {0.3}, 0, 0.3, 0.3, 3},
        {"two entries at the same time, before it", {10, 10}, {1, 2}, {0.1, 0.2}, 5, 0.1, 0.2, 2},
        {"two entries at the same time, at it", {10, 10}, {1, 2}, {0.1, 0.2}, 10, 0.2, 0.2, 2},
    };
    for (const SeriesCase& c : cases) {
        SCOPED_TRACE(c.what);
        series(c.times, c.steps, c.values);
        FlagJTime = 1;
        stime = c.stime;
        IONo = 1;
        IO[1] = opening(0, 1, 3, 4, 2, 3);
        fillConc(-1.0);
        tscTimeSeries();
        EXPECT_NEAR(conc[1][1][3][2], c.atOpening, 1e-12);
        EXPECT_NEAR(conc[1][1][4][3], c.atOpening, 1e-12);
        EXPECT_EQ(conc[1][1][2][2], -1.0) << "outside the opening";
        EXPECT_EQ(conc[1][1][3][4], -1.0) << "outside the opening";
        EXPECT_EQ(TimeStep, c.step);

        IONo = 0;
        fillConc(-1.0);
        tscTimeSeries();
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) ASSERT_NEAR(conc[1][1][j][k], c.withoutOpenings, 1e-12);
        EXPECT_EQ(conc[1][1][1][2], -1.0);
        EXPECT_EQ(conc[1][2][2][2], -1.0);
    }
}

TEST_F(TscTimeSeries, WithoutSeriesOrOwnStepsTheTimeStepStays) {
    series({10, 20}, {1, 2}, {0.1, 0.2});
    stime = 15;
    FlagJTime = 0;
    tscTimeSeries();
    EXPECT_EQ(TimeStep, 1.0);
    EXPECT_DOUBLE_EQ(conc[1][1][2][2], 0.2);

    TimeInNo = 0;
    FlagJTime = 1;
    fillConc(-1.0);
    tscTimeSeries();
    EXPECT_EQ(TimeStep, 1.0);
    EXPECT_EQ(conc[1][1][2][2], -1.0);
}

TEST_F(TscTimeSeries, InflowOpeningsOnTheFourSidesOnly) {
    series({10, 20}, {1, 2}, {0.1, 0.3});
    stime = 15;  // 0.2
    IONo = 7;
    IO[1] = opening(0, 1, 2, 2, 2, 2);
    IO[2] = opening(0, -1, 3, 3, 3, 3);
    IO[3] = opening(0, 2, 4, 5, 2, 2);
    IO[4] = opening(0, -2, 6, 6, 4, 4);
    IO[5] = opening(0, 3, 2, 3, 2, 3);
    IO[6] = opening(0, -3, 2, 3, 2, 3);
    IO[7] = opening(1, 1, 5, 5, 5, 5);  // an outflow
    fillConc(-1.0);
    tscTimeSeries();
    int written = 0;
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k)
                if (conc[1][i][j][k] != -1.0) {
                    ++written;
                    EXPECT_NEAR(conc[1][i][j][k], 0.2, 1e-12);
                }
    EXPECT_NEAR(conc[1][1][2][2], 0.2, 1e-12);
    EXPECT_NEAR(conc[1][xnumber + 1][3][3], 0.2, 1e-12);
    EXPECT_NEAR(conc[1][4][1][2], 0.2, 1e-12);
    EXPECT_NEAR(conc[1][5][1][2], 0.2, 1e-12);
    EXPECT_NEAR(conc[1][6][ynumber + 1][4], 0.2, 1e-12);
    EXPECT_EQ(written, 5);
}

TEST_F(TscTimeSeries, CyclicFeedbackSteps) {
    struct Case {
        int period;
        long long steps;
        std::set<long long> copies;
    };
    const Case cases[] = {{3, 10, {3, 6, 9}}, {-2, 5, {4}}, {-2, 1, {0}}, {1, 3, {1, 2}}, {0, 4, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        FlagCyclicS = c.period;
        tscSteps = c.steps;
        tscCyclicCount = 0;
        std::set<long long> copied;
        for (global_iter = 0; global_iter < c.steps; ++global_iter) {
            fillConc(-1.0);
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) conc[1][xnumber][j][k] = 10.0 * j + k;
            tscCyclicFeedback();
            if (conc[1][1][2][2] == -1.0) continue;
            copied.insert(global_iter);
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) ASSERT_EQ(conc[1][1][j][k], 10.0 * j + k);
            EXPECT_EQ(conc[1][1][1][2], -1.0);
            EXPECT_EQ(conc[1][1][2][1], -1.0);
        }
        EXPECT_EQ(copied, c.copies);
    }
}

TEST_F(TscTimeSeries, FeedbackReplacesTheStepsInflow) {
    series({10, 20}, {1, 2}, {0.1, 0.3});
    stime = 15;
    FlagCyclicS = 2;
    global_iter = 4;
    fillConc(0.05);
    tscTimeSeries();
    EXPECT_DOUBLE_EQ(conc[1][1][3][3], 0.3);
    tscCyclicFeedback();
    EXPECT_DOUBLE_EQ(conc[1][1][3][3], 0.05);
}

class TscProbe : public TscTimeSeries {
protected:
    void SetUp() override {
        TscTimeSeries::SetUp();
        TimePrintNo = 2;
        TimePrintRecord& r = TimePrint[0];
        r.time = 0.0;
        r.endTime = 10.0;
        const char letters[] = "cdekpuvwztf";
        r.count = 11;
        for (int p = 0; p < r.count; ++p) {
            r.letter[p] = letters[p];
            r.iCell[p] = 3;
            r.jCell[p] = 2;
            r.kCell[p] = 4;
            r.index[p] = 1;
        }
        TimePrint[1].time = 10.0;
        TimePrint[1].endTime = 20.0;
        TimePrint[1].count = 0;
        conc[1][3][2][4] = 1.5;
        diff[3][2][4] = 2.5;
        epsilon[3][2][4] = 3.5;
        kinen[3][2][4] = 4.5;
        Pres[3][2][4] = 5.5;
        xvel[3][2][4] = 6.5;
        yvel[3][2][4] = 7.5;
        zvel[3][2][4] = 8.5;
        zval[3][2][4] = 9.5;
        if (temp) temp[3][2][4] = 99.0;
    }
};

TEST_F(TscProbe, LinesAndWindows) {
    const struct {
        double stime;
        const char* line;
    } cases[] = {
        {5.0,
         "5.0000e+00 1.500000e+00 2.500000e+00 3.500000e+00 4.500000e+00 5.500000e+00 6.500000e+00 "
         "7.500000e+00 8.500000e+00 9.500000e+00 "},
        {0.0, "0.0000e+00 "},   // a window that starts at stime does not hold it
        {10.0, "1.0000e+01 "},  // nor one that ends there; the next starts there
        {15.0, "1.5000e+01 "},  // a record of no points
        {25.0, "2.5000e+01 "},  // no window
    };
    PrintIterTime = 1;
    for (const auto& c : cases) {
        stime = c.stime;
        tscProbeLine();
    }
    const std::vector<std::string> lines = readLines("timeo");
    ASSERT_EQ(lines.size(), std::size(cases));
    for (size_t n = 0; n < lines.size(); ++n) EXPECT_EQ(lines[n], cases[n].line);
}

TEST_F(TscProbe, EveryPrintIterTimeSteps) {
    PrintIterTime = 10;
    for (global_iter = 0; global_iter < 25; ++global_iter) {
        stime = static_cast<double>(global_iter);
        tscProbeLine();
    }
    const std::vector<std::string> lines = readLines("timeo");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 11), "0.0000e+00 ");
    EXPECT_EQ(lines[1].substr(0, 11), "1.0000e+01 ");
    EXPECT_EQ(lines[2].substr(0, 11), "2.0000e+01 ");
}

TEST_F(TscProbe, NoRecordsNoFileAndAnUnopenableFileEndsTheRun) {
    TimePrintNo = 0;
    tscProbeLine();
    EXPECT_FALSE(std::filesystem::exists("timeo"));

    TimePrintNo = 2;
    std::filesystem::create_directory("timeo");
    EXPECT_EQ(exitCodeOf([] { tscProbeLine(); }), -3);
    EXPECT_NE(log().find("cannot open file 'timeo' \n"), std::string::npos);
}

}  // namespace
