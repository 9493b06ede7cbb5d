// Every case under examples/ run by the real `quird` in a fresh folder: each
// file under its `expected/` must come out as stored there (text exactly,
// numbers within the case's relative tolerance from its file `tolerance`,
// exact without one). A new case is a new folder: its input files, its
// `expected/` and, when its numbers may move, its `tolerance`.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/outputs.h"
#include "support/testing.h"

using namespace quird_test;
namespace fs = std::filesystem;

namespace {

const fs::path kExamples = fs::path(QUIRD_SOURCE_DIR) / "examples";

// Every folder under examples/, in name order.
std::vector<std::string> exampleCases() {
    std::vector<std::string> cases;
    for (const fs::directory_entry& e : fs::directory_iterator(kExamples))
        if (e.is_directory()) cases.push_back(e.path().filename().string());
    std::sort(cases.begin(), cases.end());
    return cases;
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, ReproducesItsReferenceOutputs) {
    const fs::path source = kExamples / GetParam();
    ASSERT_TRUE(fs::is_directory(source / "expected")) << source << " has no expected/ folder";
    double tol = 0.0;
    if (fs::exists(source / "tolerance")) {
        const std::string text = readFile(source / "tolerance");
        char* end = nullptr;
        tol = std::strtod(text.c_str(), &end);
        ASSERT_TRUE(end != text.c_str() && tol >= 0.0) << "unreadable tolerance '" << text << "'";
    }
    Case c;
    for (const fs::directory_entry& e : fs::directory_iterator(source))
        if (e.is_regular_file() && e.path().filename() != "tolerance")
            fs::copy_file(e.path(), c.dir() / e.path().filename());
    const int status = c.run();
    ASSERT_GT(status, -1000) << "quird did not exit normally";
    const std::string report = compareOutputFolder(source / "expected", c.dir(), tol);
    EXPECT_TRUE(report.empty()) << "example " << GetParam() << " (exit status " << status << "):\n" << report;
}

INSTANTIATE_TEST_SUITE_P(Examples, Example, ::testing::ValuesIn(exampleCases()), [](const auto& info) {
    std::string name = info.param;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

// The comparison itself.
struct Comparison {
    const char* name;
    const char* expected;
    const char* produced;
    double tol;
    const char* firstLine;  // of the report, "" when the texts agree
    friend void PrintTo(const Comparison& c, std::ostream* os) { *os << c.name; }
};

class OutputComparison : public ::testing::TestWithParam<Comparison> {};

TEST_P(OutputComparison, ReportsTheFirstDifferingValueOfEachLine) {
    const Comparison& c = GetParam();
    const std::string report = compareOutput("boogie", c.expected, c.produced, c.tol);
    EXPECT_EQ(report.substr(0, report.find('\n')), c.firstLine) << report;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputComparison,
    ::testing::Values(
        Comparison{"identical", "Start\nWaterlevel = 0.501546 m\n", "Start\nWaterlevel = 0.501546 m\n", 0.0, ""},
        Comparison{"number_within_tolerance", "a\nWaterlevel = 0.501546 m\n", "a\nWaterlevel = 0.501547 m\n", 1e-5, ""},
        Comparison{"number_beyond_tolerance", "a\nWaterlevel = 0.501546 m\n", "a\nWaterlevel = 0.501547 m\n", 1e-7,
                   "boogie, line 2: expected '0.501546', produced '0.501547' (relative tolerance 1e-07)"},
        Comparison{"exponents_within_tolerance", "v=9.796174e-01, i=3\n", "v=9.796175e-01, i=3\n", 1e-6, ""},
        Comparison{"integer_beyond_tolerance", "v=9.796174e-01, i=3\n", "v=9.796174e-01, i=4\n", 1e-6,
                   "boogie, line 1: expected '3', produced '4' (relative tolerance 1e-06)"},
        Comparison{"exact_means_written_alike", "x = 1.0\n", "x = 1.00\n", 0.0,
                   "boogie, line 1: expected '1.0', produced '1.00' (relative tolerance 0)"},
        Comparison{"text_differs", "In kread\n", "In kreed\n", 0.1,
                   "boogie, line 1: expected 'In kread', produced 'In kreed' (relative tolerance 0.1)"},
        Comparison{"missing_line", "a\nb 1\n", "a\n", 0.0,
                   "boogie, line 2: expected 'b 1', produced <end of file> (relative tolerance 0)"},
        Comparison{"extra_number", "n = 2\n", "n = 2 3\n", 0.0,
                   "boogie, line 1: expected <end of line>, produced ' 3' (relative tolerance 0)"},
        Comparison{"missing_end_of_line", "end\n", "end", 0.0,
                   "boogie, line 1: expected 'end', produced 'end<no end of line>' (relative tolerance 0)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
