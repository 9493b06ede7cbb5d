// The real `quird` on small cases for a fixed number of iterations (F 211 0,
// so no pass converges): with threads the flow solver writes the result file
// of the serial run byte for byte, for every thread count; with the
// threaded point solver (F 164 31, Jacobi across i-planes) the threaded runs
// agree among themselves.
#include <string>
#include <vector>

#include "support/testing.h"

using namespace quird_test;

namespace {

std::string example(const std::string& name) {
    return readFile(std::string(QUIRD_SOURCE_DIR) + "/examples/flume/" + name);
}

// The flume example for 12 iterations, with the extra control lines. The
// threaded point solver's chunk borders follow the thread count, so the
// cases that compare with the serial run take the line solver (K 10 N).
std::string flumeControl(const std::string& extra) {
    std::string control = example("control");
    const std::string iterations = "K 1 2000 20";
    const size_t at = control.find(iterations);
    if (at != std::string::npos) control.replace(at, iterations.size(), "K 1 12 20");
    // The result file rather than the example's VTK file: it holds every field.
    const std::string vtk = "F 48 10\n";
    const size_t file = control.find(vtk);
    if (file != std::string::npos) control.replace(file, vtk.size(), "F 48 0\n");
    return control + "F 211 0\n" + extra;
}

// A side block joined to the flume's wall j = 1 (the two-block fixture):
// 8 node lines of main block, 3 of side block, 4 across, 5 levels.
std::string twoBlockControl(const std::string& extra) {
    return "T two-block channel\nF 2 WM\nF 24 2\nF 34 0\nF 15 5\nF 36 4\nF 211 0\n"
           "G 1 11 4 5 1\nG 3 0 25 50 75 100\n"
           "G 7 0 1 2 4 2 5 0 0 0.0001 1.0 0.0 0.0\nG 7 1 -1 2 4 2 5 0 1 0.0001 1.0 0.0 0.0\n"
           "W 1 40.0 0.0001 1.0\nW 2 0\nW 3 1 8 3\nK 1 12 50000\nK 2 1 1\nK 5 0 0 0 1 0 0\nK 10 Y\n" +
           extra;
}
std::string twoBlockGrid() {
    std::string s;
    char line[200];
    for (int i = 1; i <= 11; ++i)
        for (int j = 1; j <= 4; ++j) {
            double x, y;
            if (i <= 8) {
                x = (i - 1) * 1.0, y = (j - 1) * 0.5;
            } else {  // along the wall from host column 3, away from it by 0.8 per line
                x = (3 - 2) * 1.0 + (j - 1) * 1.0, y = -(i - 8) * 0.8;
            }
            std::snprintf(line, sizeof line, "%d %d %.10f %.10f 0.0\n", i, j, x, y);
            s += line;
        }
    return s;
}

struct RunCase {
    const char* name;
    bool twoBlocks;
    const char* extra;
    bool jacobi;  // F 164 31: threaded runs compared among themselves only
    bool diverges = false;  // the run diverges within its iterations and ends with 3
};

const RunCase kCases[] = {
    {"steady", false, "K 10 N\n", false},
    {"point_solver_serial_mode", false, "F 164 2\n", false},
    {"transient_second_order", false, "K 10 N\nF 33 0.5 3\nF 208 1\n", false},
    {"free_surface", false, "K 10 N\nF 33 0.5 2\nF 36 1\n", false},
    {"cyclic_fluxes", false, "K 10 N\nF 174 1 0 2 0\n", false},
    {"debug_timers", false, "K 10 N\nF 1 D\n", false},
    {"print_timers", false, "K 10 N\nF 1 P\n", false},
    {"two_blocks", true, "", false},
    {"reynolds_stress", false, "K 10 N\nF 220 2\n", false},
    {"explicit_stress", false, "K 10 N\nF 220 12\n", false},
    {"point_solver_jacobi", false, "K 10 Y\nF 164 31\n", true},
};

class ThreadedRun : public ::testing::TestWithParam<RunCase> {
protected:
    // The result file of a run with F 206 `threads`; the log for checks.
    std::string run(int threads, std::string* log = nullptr) {
        const RunCase& c = GetParam();
        const std::string extra = std::string(c.extra) + "F 206 " + std::to_string(threads) + "\n";
        Case r;
        if (c.twoBlocks)
            r.file("control", twoBlockControl(extra)).file("koordina", twoBlockGrid());
        else
            r.file("control", flumeControl(extra)).file("koordina", example("koordina"));
        const int code = r.run();
        EXPECT_EQ(code, c.diverges ? 3 : 1) << r.boogie();
        if (log) *log = r.boogie();
        EXPECT_TRUE(r.exists("result")) << r.boogie();
        return r.exists("result") ? r.read("result") : std::string();
    }
};

TEST_P(ThreadedRun, ResultIsTheSameForEveryThreadCount) {
    const bool jacobi = GetParam().jacobi;
    std::string log;
    const std::string reference = run(jacobi ? 1 : 0, &log);
    ASSERT_FALSE(reference.empty());
    for (int threads : {1, 2, 4, 8}) {
        if (jacobi && threads == 1) continue;
        std::string threadedLog;
        EXPECT_TRUE(run(threads, &threadedLog) == reference) << threads << " threads";
        // The 33 timer lines: with F 1 P always, with F 1 D only with threads.
        const std::string extra = GetParam().extra;
        if (extra.find("F 1 D") != std::string::npos) {
            EXPECT_NE(threadedLog.find("OpenMP 33 = "), std::string::npos);
            EXPECT_EQ(log.find("OpenMP 1 = "), std::string::npos);
        }
        if (extra.find("F 1 P") != std::string::npos) {
            EXPECT_NE(log.find("OpenMP 33 = "), std::string::npos);
            EXPECT_NE(threadedLog.find("OpenMP 33 = "), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadedRun, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RunCase>& i) { return std::string(i.param.name); });

}  // namespace
