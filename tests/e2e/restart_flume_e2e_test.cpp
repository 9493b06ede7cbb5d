// Restart from the result of a converged flow solution: the bundled flume run
// by the real `quird`, its `result` read back, written again and solved on.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr int kRecords = 22 * 6 * 8;  // (X+1)(Y+1)(Z+2) of the flume
const char* const kColumns[] = {"u", "v", "w", "k", "epsilon", "eddy-visc", "f1", "f2", "f3", "p"};

std::string example(const char* name) {
    return readFile(std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume" / name);
}

enum class Surface { Held, Moving };

// The flume with its run string replaced and control lines added; it writes
// `result` (F 48 0) in place of the example's VTK file. With Surface::Held
// the surface stays where the start-up puts it; with Surface::Moving the
// example's surface update moves it.
Case& flume(Case& c, const std::string& run, const std::string& extra = "", Surface surface = Surface::Held) {
    std::string control = example("control");
    const std::string runLine = "F 2 WM\n";
    const size_t at = control.find(runLine);
    EXPECT_NE(at, std::string::npos);
    control.replace(at, runLine.size(), "F 2 " + run + "\n");
    const std::string surfaceInterval = "K 1 2000 20\n";
    const size_t k1 = control.find(surfaceInterval);
    EXPECT_NE(k1, std::string::npos);
    if (surface == Surface::Held) control.replace(k1, surfaceInterval.size(), "K 1 2000 50000\n");
    if (!control.empty() && control.back() != '\n') control += '\n';
    return c.file("control", control + "F 48 0\n" + extra).file("koordina", example("koordina"));
}

std::string records(const std::string& result) {
    const size_t at = result.find("\nG ");
    return at == std::string::npos ? std::string() : result.substr(at + 1);
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// G records keyed by their "i j k" columns.
std::map<std::string, std::vector<double>> fields(const std::string& result) {
    std::map<std::string, std::vector<double>> out;
    std::istringstream in(records(result));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream rec(line);
        std::string g, i, j, k;
        rec >> g >> i >> j >> k;
        std::vector<double> values(10);
        for (double& v : values) rec >> v;
        if (g == "G" && rec) out[i + " " + j + " " + k] = values;
    }
    return out;
}

long passes(const std::string& result) {
    const std::string head = "Results from QUIRD - flow, iter = ";
    const std::string line = firstLine(result);
    return line.rfind(head, 0) == 0 ? std::stol(line.substr(head.size())) : -1;
}

bool endsConverged(const std::string& log) {
    const std::string tail = "\nSolution converged\n";
    return log.size() >= tail.size() && log.compare(log.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(RestartFlume, ConvergedResultReadBackIsWrittenAgainByteForByte) {
    Case first;
    ASSERT_EQ(flume(first, "WM").run(), 1) << first.boogie();
    ASSERT_TRUE(endsConverged(first.boogie())) << first.boogie();
    const std::string stored = first.read("result");
    ASSERT_EQ(fields(stored).size(), size_t(kRecords));

    Case second;
    flume(second, "RM").file("result", stored);
    ASSERT_EQ(second.run(), 1) << second.boogie();
    EXPECT_NE(second.boogie().find("Have read " + std::to_string(kRecords) + " cells from result file\n"),
              std::string::npos)
        << second.boogie();
    EXPECT_EQ(second.boogie().find("Warning: may not have read"), std::string::npos) << second.boogie();
    EXPECT_EQ(records(second.read("result")), records(stored));
}

// Every field the solver goes on from must come back: a lost pressure,
// turbulence or velocity field would take many passes to build up again.
TEST(RestartFlume, SolvingOnFromAConvergedResultConvergesAtOnceOnTheStoredField) {
    Case first;
    ASSERT_EQ(flume(first, "WM").run(), 1) << first.boogie();
    const std::string stored = first.read("result");
    ASSERT_GT(passes(stored), 10);

    Case second;
    flume(second, "RW").file("result", stored);
    ASSERT_EQ(second.run(), 1) << second.boogie();
    const std::string log = second.boogie();
    EXPECT_TRUE(endsConverged(log)) << log;
    ASSERT_NE(log.find("Iter: 1, "), std::string::npos) << log;
    EXPECT_EQ(log.find("Iter: 1, "), log.rfind("Iter: ")) << log;  // no pass line after the first
    const std::string again = second.read("result");
    EXPECT_GE(passes(again), 1);
    EXPECT_LE(passes(again), 3) << log;

    const auto before = fields(stored);
    const auto after = fields(again);
    ASSERT_EQ(after.size(), before.size());
    for (int col = 0; col < 10; ++col) {
        double scale = 0.0, change = 0.0;
        for (const auto& [cell, v] : before) {
            const auto it = after.find(cell);
            ASSERT_NE(it, after.end()) << cell;
            scale = std::max(scale, std::fabs(v[col]));
            change = std::max(change, std::fabs(it->second[col] - v[col]));
        }
        // The run stops when the largest scaled residual is below 1e-3.
        EXPECT_LE(change, 1e-3 * scale) << kColumns[col];
    }
}

// The six residuals and the continuity defect of the logged pass `iter`.
struct PassLine {
    bool found = false;
    double resid[6] = {};
    double cont = 0.0;
};
PassLine pass(const std::string& log, long iter) {
    PassLine p;
    const size_t at = log.find("Iter: " + std::to_string(iter) + ", Resid:");
    if (at == std::string::npos) return p;
    const size_t cont = log.find("Cont:", at);
    p.found = std::sscanf(log.c_str() + at, "Iter: %*d, Resid: %lf %lf %lf %lf %lf %lf", &p.resid[0], &p.resid[1],
                          &p.resid[2], &p.resid[3], &p.resid[4], &p.resid[5]) == 6 &&
              cont != std::string::npos && std::sscanf(log.c_str() + cont, "Cont: %lf", &p.cont) == 1;
    return p;
}

// The largest change of each field between two results, scaled by the
// field's largest magnitude in the first.
std::vector<double> scaledChanges(const std::string& from, const std::string& to) {
    const auto before = fields(from), after = fields(to);
    std::vector<double> out(10, 1.0);
    if (after.size() != before.size()) return out;
    for (int col = 0; col < 10; ++col) {
        double scale = 0.0, change = 0.0;
        for (const auto& [cell, v] : before) {
            const auto it = after.find(cell);
            if (it == after.end()) return out;
            scale = std::max(scale, std::fabs(v[col]));
            change = std::max(change, std::fabs(it->second[col] - v[col]));
        }
        out[col] = change / std::max(scale, 1e-30);
    }
    return out;
}

// A converged run whose surface update has moved the water surface, restarted
// from its `result`. The face fluxes of the stored field balance; the first
// pass of the restart must start from that balance on whatever grid it runs
// on. With the grid files of the converged run (letter X, before or after R)
// it goes on from the stored field on its own surface: the first pass's
// continuity defect is round-off and its residuals small (the levels in
// `xcyc` carry 1e-5 m), and it settles in a few passes on the stored field.
// Without them it runs on the start-up surface, which the surface update
// moves back: more passes, the same field in the end.
TEST(RestartFlume, ConvergedRunWithAMovedSurfaceRestartsFromItsBalance) {
    Case first;
    ASSERT_EQ(flume(first, "WM", "", Surface::Moving).run(), 1) << first.boogie();
    ASSERT_TRUE(endsConverged(first.boogie())) << first.boogie();
    const std::string stored = first.read("result");
    Case startUp;  // the surface of the start-up, for comparison
    ASSERT_EQ(flume(startUp, "M", "", Surface::Moving).run(), 1) << startUp.boogie();
    ASSERT_NE(first.read("koosurf"), startUp.read("koosurf"));  // the surface has moved
    const long converged = passes(stored);
    const PassLine cold = pass(first.boogie(), 1);
    ASSERT_TRUE(cold.found);

    struct Restart {
        const char* run;
        bool gridFiles;
        long maxPasses;     // passes to settle again
        double firstResid;  // bound of the first pass's largest residual
    };
    const Restart restarts[] = {
        {"XRWM", true, 30, 0.1},
        {"RXWM", true, 30, 0.1},
        {"RWM", false, converged, 1e10},
    };
    for (const Restart& r : restarts) {
        SCOPED_TRACE(r.run);
        Case c;
        flume(c, r.run, "", Surface::Moving).file("result", stored);
        if (r.gridFiles) c.file("koosurf", first.read("koosurf")).file("xcyc", first.read("xcyc"));
        ASSERT_EQ(c.run(), 1) << c.boogie();
        const std::string log = c.boogie();
        EXPECT_EQ(log.find("Error in continuity"), std::string::npos) << log;
        const PassLine p = pass(log, 1);
        ASSERT_TRUE(p.found) << log;
        // The continuity test stops a run at 1e-6 of the discharge, 1000 kg/s.
        EXPECT_LT(std::fabs(p.cont), 1e-9 * 1000.0) << log;
        EXPECT_LT(*std::max_element(p.resid, p.resid + 6), r.firstResid) << log;
        EXPECT_TRUE(endsConverged(log)) << log;
        const std::string again = c.read("result");
        EXPECT_LT(passes(again), r.maxPasses) << log;
        // The run stops when the largest scaled residual is below 1e-3.
        const std::vector<double> change = scaledChanges(stored, again);
        for (int col = 0; col < 10; ++col) EXPECT_LE(change[col], 1e-3) << kColumns[col];
    }
    // A cold start's first pass, for scale.
    EXPECT_GT(*std::max_element(cold.resid, cold.resid + 6), 1.0);
}

// P 10 100: a numbered result every 100 passes and one when the solution
// converges, then the run string's M adds its own; the fixed name stays
// unwritten and the converged files hold what a P 10 0 run writes.
TEST(RestartFlume, NumberedResultsAtTheSolverCadenceAndAtConvergence) {
    Case fixed;
    ASSERT_EQ(flume(fixed, "WM").run(), 1) << fixed.boogie();
    const long converged = passes(fixed.read("result"));
    ASSERT_GT(converged, 200);
    ASSERT_NE(converged % 100, 0);

    Case numbered;
    ASSERT_EQ(flume(numbered, "WM", "P 10 100\n").run(), 1) << numbered.boogie();
    EXPECT_FALSE(numbered.exists("result"));
    // Every 100 passes before convergence, then the converged pass twice.
    std::vector<long> expected;
    for (long iter = 100; iter < converged; iter += 100) expected.push_back(iter);
    expected.push_back(converged);
    expected.push_back(converged);
    const auto name = [](size_t n) {
        char text[32];
        std::snprintf(text, sizeof text, "result.%05zu", n);
        return std::string(text);
    };
    for (size_t n = 0; n < expected.size(); ++n) {
        ASSERT_TRUE(numbered.exists(name(n))) << name(n);
        EXPECT_EQ(passes(numbered.read(name(n))), expected[n]) << name(n);
        EXPECT_EQ(fields(numbered.read(name(n))).size(), size_t(kRecords)) << name(n);
    }
    EXPECT_FALSE(numbered.exists(name(expected.size())));
    EXPECT_EQ(numbered.read(name(expected.size() - 2)), fixed.read("result"));
    EXPECT_EQ(numbered.read(name(expected.size() - 1)), fixed.read("result"));
}

}  // namespace
