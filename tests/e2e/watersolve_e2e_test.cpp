// The flow solver run by the real `quird`: the bundled example and a
// transient channel.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/controls.h"
#include "support/testing.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"

using namespace quird_test;

namespace {

std::vector<std::string> passLines(const std::string& log) {
    std::vector<std::string> out;
    const std::regex line("Iter: \\d+, Resid:[^\n]*\n");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        out.push_back(it->str());
    return out;
}

// The steady flume converges: its passes are logged from the first one on,
// mass is conserved to rounding, and the run stops long before K 1.
TEST(FlowSolverRun, ExampleConverges) {
    Case c;
    const std::filesystem::path example = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume";
    c.file("control", readFile(example / "control")).file("koordina", readFile(example / "koordina"));
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    const std::vector<std::string> passes = passLines(log);
    ASSERT_GE(passes.size(), 10u) << log;
    EXPECT_EQ(passes.front().rfind("Iter: 1, ", 0), 0u) << log;
    EXPECT_EQ(log.find("Iter: 500,"), std::string::npos) << log;
    const std::string tail = "\nSolution converged\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
}

// A transient run never converges: it makes every time step up to K 1.
TEST(FlowSolverRun, TransientChannelRunsToTheLastTimeStep) {
    Case c;
    c.file("control", transientBoxChannel("transient channel on the default box grid", 5));
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    const std::vector<std::string> passes = passLines(log);
    ASSERT_EQ(passes.size(), 5u) << log;
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(passes[n - 1].rfind("Iter: " + std::to_string(n) + ", ", 0), 0u);
    EXPECT_EQ(log.find("Solution"), std::string::npos) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

}  // namespace
