// Faults found inside a parallel region: recorded once, every thread leaves
// the region, and the run ends after it from the main thread with the
// fault's line and code.
#include <omp.h>

#include <atomic>
#include <cstring>
#include <filesystem>

#include "equations/fixture.h"
#include "equations/parallel.h"

using namespace eqtest;
using quird_test::EngineExit;
using quird_test::readFile;

namespace {

constexpr int kTeam = 4;

// Where the run was ended: how often, and whether from inside a region or
// from another thread than the main one.
struct Ending {
    std::atomic<int> calls{0};
    std::atomic<int> level{-1};
    std::atomic<int> thread{-1};
};
Ending ending;

[[noreturn]] void recordingExit(int code) {
    ending.calls.fetch_add(1);
    ending.level.store(omp_get_level());
    ending.thread.store(omp_get_thread_num());
    throw EngineExit{code};
}

class RegionFault : public EquationTest {
protected:
    void SetUp() override {
        EquationTest::SetUp();
        ending.calls = 0;
        ending.level = -1;
        ending.thread = -1;
        setExitHandler(recordingExit);
    }
    void TearDown() override { quird_test::installExitHandler(); }

    // Runs `body`; the exit code it ended the run with, or kNoExit.
    static int codeOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const EngineExit& e) {
            return e.code;
        }
        return quird_test::kNoExit;
    }
    // The run ended exactly once, from the main thread outside any region.
    static void expectEndedOnceOnTheMainThread() {
        EXPECT_EQ(ending.calls.load(), 1);
        EXPECT_EQ(ending.level.load(), 0);
        EXPECT_EQ(ending.thread.load(), 0);
    }
};

// A scripted fault: the threads in `raisers` record it at step `step` of a
// region of three steps, each step ending where a thread polls for faults.
struct Script {
    const char* name;
    int threads;
    unsigned raisers;  // bit t: thread t raises
    int step;
    friend void PrintTo(const Script& s, std::ostream* os) { *os << s.name; }
};

class ScriptedRegionFault : public RegionFault, public ::testing::WithParamInterface<Script> {};

TEST_P(ScriptedRegionFault, EndsTheRunOnceAfterTheRegion) {
    const Script& s = GetParam();
    std::atomic<int> steps[3] = {0, 0, 0};
    std::atomic<int> team{0};
    const int code = codeOf([&] {
        par::region(s.threads, [&] {
            const int t = omp_get_thread_num();
            if (t == 0) team = omp_get_num_threads();
            for (int step = 0; step < 3; ++step) {
                if (step == s.step && (s.raisers >> t & 1u))
                    faultf(-7, "Error - scripted fault at step %d\n", step);
                if (par::faulted()) return;
                steps[step].fetch_add(1);
            }
        });
    });
    ASSERT_EQ(team.load(), s.threads);
    EXPECT_EQ(code, -7);
    expectEndedOnceOnTheMainThread();
    EXPECT_EQ(readFile("boogie"), "Error - scripted fault at step " + std::to_string(s.step) + "\n");
    // Every thread finished the steps before the fault and none went on.
    for (int step = 0; step < 3; ++step) EXPECT_EQ(steps[step].load(), step < s.step ? s.threads : 0) << step;
    EXPECT_FALSE(regionFaulted());
}

INSTANTIATE_TEST_SUITE_P(Faults, ScriptedRegionFault,
                         ::testing::Values(Script{"one_thread_at_the_start", kTeam, 0b0100u, 0},
                                           Script{"every_thread_at_once", kTeam, 0b1111u, 1},
                                           Script{"main_thread_late", kTeam, 0b0001u, 2},
                                           Script{"last_thread_late", kTeam, 0b1000u, 2},
                                           Script{"team_of_one", 1, 0b0001u, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegionFault, ARegionWithoutFaultEndsNothing) {
    makeGrid(6, 4, 4);
    std::atomic<int> done{0};
    EXPECT_EQ(codeOf([&] { par::region(kTeam, [&] { done += par::faulted() ? 0 : 1; }); }), quird_test::kNoExit);
    EXPECT_EQ(done.load(), kTeam);
    EXPECT_EQ(ending.calls.load(), 0);
    EXPECT_EQ(readFile("boogie"), "");
}

// The per-thread coefficient generators, called by every thread of a region
// as the flow solver calls them, on a workspace that cannot serve them: the
// team leaves before any thread writes a coefficient.
struct UnfitWorkspace {
    const char* name;
    void (*generator)(int, int);
    void (*spoil)();
    int code;
    const char* log;  // the whole of `boogie` afterwards
    friend void PrintTo(const UnfitWorkspace& c, std::ostream* os) { *os << c.name; }
};

FieldArray<double, 3> smallArray() {
    FieldArray<double, 3> a;
    createArray(a, 4, 4, 4);
    return a;
}

const UnfitWorkspace kUnfit[] = {
    {"second_neighbours_too_small", coeffe_SOUOpenMP, [] { aww = smallArray(); }, -8,
     "Error - second-neighbour coefficients missing in coeffe_SOUOpenMP\n"},
    {"field_too_small", coeffe_quickOpenMP, [] { f = smallArray(); }, -8,
     "Error - field f does not cover the grid in coeffe_quickOpenMP\n"},
    {"equation_number_outside_the_tables", coeffe_flowOpenMP, [] { Equation = kEquationTable; }, -8,
     "Error - unexpected equation number 20 in coeffe_flowOpenMP\n"},
    {"team_of_another_size", coeffe_centralOpenMP, [] { NoProcessesSolver = kTeam - 1; }, -8,
     "Error - coeffe_centralOpenMP needs a team of 3 threads, has 4\n"},
    {"log_cannot_be_opened", coeffe_SOUOpenMP,
     [] {
         std::filesystem::remove("boogie");
         std::filesystem::create_directory("boogie");
     },
     -3, ""},
};

class UnfitInRegion : public RegionFault, public ::testing::WithParamInterface<UnfitWorkspace> {};

TEST_P(UnfitInRegion, EndsOnceFromTheMainThreadWithoutWriting) {
    const UnfitWorkspace& c = GetParam();
    makeGrid(12, 6, 5, true);
    randomFlow(5);
    NoProcessesSolver = kTeam;
    std::vector<std::vector<double>> before;
    for (const NamedArray& a : coefficientArrays()) before.emplace_back(a.array->data(), a.array->data() + a.array->size());
    mc_message[0] = '\0';
    c.spoil();
    EXPECT_EQ(codeOf([&] {
                  par::region(kTeam, [&] {
                      int first, last;
                      solverBlock(omp_get_thread_num(), kTeam, first, last);
                      c.generator(first, last);
                  });
              }),
              c.code);
    expectEndedOnceOnTheMainThread();
    if (c.code == -3)
        EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    else
        EXPECT_EQ(readFile("boogie"), c.log);
    const std::vector<NamedArray> arrays = coefficientArrays();
    for (std::size_t n = 0; n < arrays.size(); ++n) {
        const FieldArray<double, 3>& a = *arrays[n].array;
        if (a.size() != static_cast<std::int64_t>(before[n].size())) continue;  // the spoiled array
        EXPECT_TRUE(std::equal(before[n].begin(), before[n].end(), a.data())) << arrays[n].name << " written";
    }
}

INSTANTIATE_TEST_SUITE_P(Generators, UnfitInRegion, ::testing::ValuesIn(kUnfit),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
