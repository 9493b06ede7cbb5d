// Run letter S with the transient driver (F 37 1) through the real `quird`:
// the sediment flume fed far above its transport capacity for three steps
// of 60 s (K 1 3 is both the flow's iteration limit and the step count).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/grid_files.h"
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

// The report of each step: its step number, the seven numbers of its "Dt:"
// row and the In and Defect of each size.
struct Report {
    long step;
    double dt[7];
    std::vector<std::pair<double, double>> sizes;
};

std::vector<Report> reports(const std::string& log, int fractions) {
    std::vector<Report> all;
    const std::string head = " Sedim. continuity: ";
    for (std::size_t at = log.find(head); at != std::string::npos; at = log.find(head, at + 1)) {
        Report r{};
        const std::size_t line = log.rfind('\n', at) + 1;
        EXPECT_EQ(std::sscanf(log.c_str() + line, "%ld", &r.step), 1);
        const std::size_t dt = log.find("\nDt:   ", at);
        EXPECT_EQ(std::sscanf(log.c_str() + dt, "\nDt:   %le %le %le %le %le %le %le", &r.dt[0], &r.dt[1], &r.dt[2],
                              &r.dt[3], &r.dt[4], &r.dt[5], &r.dt[6]),
                  7);
        std::size_t size = log.find("Size: Inflow  Outflow  LayerActive  LayerInac. Suspended  Defect\n", at);
        for (int l = 1; l <= fractions; ++l) {
            size = log.find('\n', size) + 1;
            int n = 0;
            double v[6];
            EXPECT_EQ(std::sscanf(log.c_str() + size, "%d  %le %le %le %le %le %le", &n, &v[0], &v[1], &v[2], &v[3],
                                  &v[4], &v[5]),
                      7);
            EXPECT_EQ(n, l);
            r.sizes.push_back({v[0], v[5]});
        }
        all.push_back(r);
    }
    return all;
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

    // The grid moved the bed by the volume the balance asked for, every step.
    const std::vector<Report> all = reports(log, 2);
    ASSERT_EQ(all.size(), 3u);
    double worst = 0.0;
    for (const Report& r : all) {
        ASSERT_GT(std::fabs(r.dt[3]), 0.0);
        worst = std::max(worst, std::fabs(r.dt[6]) / std::fabs(r.dt[3]));
    }
    std::printf("[ measured ] moving bed: |MoveDef|/|Bmove| %.3e\n", worst);
    EXPECT_LT(worst, 1e-9);
}

// The road a user takes: a converged flow (W M with the example's own
// limits), then the transient morphology restarted from its `result`.
TEST(TransientMorphologyRun, RestartedFromTheConvergedFlow) {
    Case c;
    std::string steady = readFile(kExample / "control");
    const std::size_t at = steady.find("F 2 WIM");
    ASSERT_NE(at, std::string::npos);
    steady.replace(at, 7, "F 2 WM");
    c.file("control", steady).file("koordina", readFile(kExample / "koordina"));
    ASSERT_EQ(c.run(), 1);
    ASSERT_NE(c.boogie().find("Solution converged"), std::string::npos) << c.boogie();

    c.file("control", control("RISM", 3));
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();  // each run starts its log anew
    const std::size_t banner = log.find("\n ***** In morphology_tsc **********\n\n");
    ASSERT_NE(banner, std::string::npos) << log;
    EXPECT_EQ(count(log, "Iter: ", banner), 3u) << log.substr(banner);
    EXPECT_NE(log.find("Iter: 1,", banner), std::string::npos);
    EXPECT_NE(log.find("Iter: 3,", banner), std::string::npos);
    EXPECT_EQ(log.find("Error", banner), std::string::npos) << log.substr(banner);
    EXPECT_NE(log.find("Have written conres.t file \n", banner), std::string::npos);
    Bed start = bedOf(readFile(kExample / "koordina")), after = bedOf(c.read("koosurf"));
    ASSERT_EQ(after.size(), start.size());
    double rise = 0.0;
    for (int j = 1; j <= 5; ++j) rise += (after[{1, j}] - start[{1, j}]) / 5;
    EXPECT_GT(rise, 0.01);
}

// The flow solved every step, the bed fixed (F 68 5): once the flow has
// settled (step 200 of 400), what came in went out, stayed suspended or went
// into the bed. The sediment equation takes the flow's face fluxes as they
// are, so the flow's own continuity defect, summed over the cells times
// their concentrations, stays in ContDef: on this flume it settles at about
// 7e-6 of the inflow per step (the flow's mass residual about 1e-6), which
// bounds what the account can show here.
TEST(LongTransientMorphologyRun, AccountBalancesOnceTheFlowHasSettled) {
    Case c;
    const int steps = 400, settled = 200;
    c.file("control", control("WISM", steps, "F 68 5\n")).file("koordina", readFile(kExample / "koordina"));
    EXPECT_EQ(c.run(), 1);
    const std::vector<Report> all = reports(c.boogie(), 2);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().step, steps - 1);
    const Report* base = nullptr;
    double worstCont = 0.0, worstDefect = 0.0;
    for (const Report& r : all) {
        if (r.step < settled) continue;
        ASSERT_GT(r.dt[0], 0.0);
        EXPECT_NE(r.dt[3], 0.0);  // the bed takes sediment
        worstCont = std::max(worstCont, std::fabs(r.dt[5]) / r.dt[0]);
        if (!base) {
            base = &r;
            continue;
        }
        // The defect the sizes gathered since the flow settled.
        for (std::size_t l = 0; l < r.sizes.size(); ++l) {
            const double in = r.sizes[l].first - base->sizes[l].first;
            ASSERT_GT(in, 0.0);
            worstDefect = std::max(worstDefect, std::fabs(r.sizes[l].second - base->sizes[l].second) / in);
        }
    }
    ASSERT_NE(base, nullptr);
    std::printf("[ measured ] Hydrostatic 5 from step %d: ContDef/In %.3e, dDefect/dIn %.3e\n", settled, worstCont,
                worstDefect);
    EXPECT_LT(worstCont, 1e-5);
    EXPECT_LT(worstDefect, 1e-5);
}

// A bed-fraction file that cannot be opened ends the run with -3 once the
// restart, result and grid files are written.
TEST(TransientMorphologyRun, LostBedFractionFileEndsTheRunLast) {
    Case c;
    c.file("control", control("WISM", 1)).file("koordina", readFile(kExample / "koordina"));
    std::filesystem::create_directory(c.dir() / "bedfrac.new");
    EXPECT_EQ(c.run(), -3);
    for (const char* file : {"conres.new", "fracres.new", "result", "koosurf", "xcyc"}) EXPECT_TRUE(c.exists(file)) << file;
    EXPECT_TRUE(std::filesystem::is_directory(c.dir() / "bedfrac.new"));
    EXPECT_NE(c.boogie().find("Total change in bed levels: "), std::string::npos);
}

// Inflow concentrations and time steps from `timei` through the inflow
// opening of the flume, probed at its boundary cell (1, 3, 3) with letter c:
// linear in time between the entries, the last entry's once past it; a J
// series gives each step the step of the entry that ends its interval (the
// last entry's once past the series).
TEST(TransientMorphologyRun, TimeSeriesFeedsTheOpeningAndSetsTheSteps) {
    struct Entry {
        double time, step, conc;
    };
    struct Row {
        const char* name;
        char letter;
        std::vector<Entry> series;
        int steps;
        std::vector<double> times;  // the probe times, one per step
    } cases[] = {
        {"I_series_steps_of_F33", 'I', {{0, 0, 0.001}, {300, 0, 0.003}}, 8, {0, 60, 120, 180, 240, 300, 360, 420}},
        {"J_series_own_steps", 'J', {{0, 30, 0.001}, {100, 50, 0.002}, {200, 70, 0.004}}, 6,
         {0, 50, 100, 170, 240, 310}},
    };
    for (const Row& k : cases) {
        SCOPED_TRACE(k.name);
        std::string timei;
        for (const Entry& e : k.series) {
            char line[200];
            if (k.letter == 'I')
                std::snprintf(line, sizeof line, "I %g 1.0 1.0 -1 -1 %g %g\n", e.time, e.conc, 0.5 * e.conc);
            else
                std::snprintf(line, sizeof line, "J %g 1.0 1.0 -1 -1 %g %g %g\n", e.time, e.step, e.conc, 0.5 * e.conc);
            timei += line;
        }
        timei += "O 0 1\nc 1 3 3 1\n";
        Case run;
        run.file("control", control("WISM", k.steps)).file("koordina", readFile(kExample / "koordina")).file("timei", timei);
        EXPECT_EQ(run.run(), 1);
        std::istringstream lines(run.read("timeo"));
        std::string line;
        std::size_t n = 0;
        for (; std::getline(lines, line); ++n) {
            ASSERT_LT(n, k.times.size()) << line;
            double t = -1.0, c = -1.0;
            const int read = std::sscanf(line.c_str(), "%le %le", &t, &c);
            EXPECT_NEAR(t, k.times[n], 1e-9) << line;
            if (n == 0) {
                // stime 0 is not inside the window (0, 1e20): the time alone.
                EXPECT_EQ(read, 1) << line;
                continue;
            }
            ASSERT_EQ(read, 2) << line;
            // The series as a piecewise linear function that holds its last entry.
            double expected = k.series.back().conc;
            for (std::size_t e = 1; e < k.series.size(); ++e)
                if (k.series[e].time > t) {
                    const Entry &a = k.series[e - 1], &b = k.series[e];
                    expected = a.conc + (b.conc - a.conc) * (t - a.time) / (b.time - a.time);
                    break;
                }
            EXPECT_NEAR(c, expected, 1e-6 * expected) << line;
        }
        EXPECT_EQ(n, k.times.size());
        // The end time: the last probe time plus the last step.
        const double last = k.times.back() + (k.letter == 'I' ? 60.0 : k.series.back().step);
        char end[80];
        std::snprintf(end, sizeof end, "Time: %lf seconds\n", last);
        EXPECT_NE(run.boogie().find(end), std::string::npos) << end;
    }
}

}  // namespace
