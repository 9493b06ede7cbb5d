// Fixed names and numbered series of the output files.
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "output/series.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "output_fixture.h"

using namespace quird_test;
namespace fs = std::filesystem;

namespace {

struct NameCase {
    const OutputSeries* series;
    int n;
    const char* name;
};

TEST(SeriesName, PatternFollowsTheSizeOfTheNumber) {
    const NameCase cases[] = {
        {&kResultSeries, 0, "result.00000"},        {&kResultSeries, 9, "result.00009"},
        {&kResultSeries, 10, "result.00010"},       {&kResultSeries, 99, "result.00099"},
        {&kResultSeries, 100, "result.00100"},      {&kResultSeries, 999, "result.00999"},
        {&kResultSeries, 1000, "result.01000.dat"}, {&kResultSeries, 9999, "result.09999.dat"},
        {&kResultSeries, 10000, "result.10000"},    {&kResultSeries, 999998, "result.999998"},
        {&kTecplot3Series, 7, "tec3_00007.dat"},    {&kTecplot3Series, 1234, "tec3_01234.dat"},
        {&kTecplot3Series, 123456, "tec3_123456.dat"},
        {&kTecplot2Series, 42, "tec2_00042.dat"},   {&kTecplot2Series, 10000, "tec2_10000.dat"},
        {&kParaView3Series, 3, "pav3_00003.vtk"},   {&kParaView3Series, 999, "pav3_00999.vtk"},
        {&kParaView2Series, 5000, "pav2_05000.vtk"}, {&kParaView2Series, 54321, "pav2_54321.vtk"},
    };
    for (const NameCase& c : cases) EXPECT_EQ(seriesFileName(*c.series, c.n), c.name) << c.n;
}

// Probes answered from a set of names (a whole series need not be on disk).
std::set<std::string> present;
bool isPresent(const char* name) { return present.count(name) != 0; }

TEST(SeriesName, LowestFreeNumberAcrossThePatternChanges) {
    present.clear();
    for (int n = 0; n < 10000; ++n) present.insert(seriesFileName(kResultSeries, n));
    EXPECT_EQ(freeSeriesNumber(kResultSeries, isPresent), 10000);
    present.erase("result.00417");
    EXPECT_EQ(freeSeriesNumber(kResultSeries, isPresent), 417);
    EXPECT_EQ(freeSeriesNumber(kTecplot3Series, isPresent), 0);  // series probed by themselves
}

class SeriesFiles : public OutputTest {};

TEST_F(SeriesFiles, AFullSeriesIsRefusedInsteadOfWrittenOver) {
    PrintRes = 1;
    EXPECT_EQ(exitCodeOf([] { outputFileName(kTecplot2Series, [](const char*) { return true; }); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'tecplot2.dat' ");
    EXPECT_EQ(readFile("boogie"), "Error, no free number in the series of tec2\n");
}

TEST_F(SeriesFiles, GapsAreFilledFirst) {
    PrintRes = 5;
    for (const char* name : {"tec3_00000.dat", "tec3_00001.dat", "tec3_00003.dat"}) writeFile(name, "x");
    for (const char* expected : {"tec3_00002.dat", "tec3_00004.dat"}) {
        std::string name;
        FILE* fp = openOutputFile(kTecplot3Series, name);
        std::fclose(fp);
        EXPECT_EQ(name, expected);
    }
}

TEST_F(SeriesFiles, AFixedNameIsWrittenOverAndAnyOtherIntervalAddsFiles) {
    struct Case {
        int printRes;
        std::set<std::string> files;
    };
    const Case cases[] = {
        {0, {"result"}},
        {5, {"result.00000", "result.00001"}},
        {-5, {"result.00000", "result.00001"}},
    };
    for (const Case& c : cases) {
        for (const auto& e : fs::directory_iterator(".")) fs::remove(e.path());
        PrintRes = c.printRes;
        Iter = 1;
        sprintflow();
        Iter = 2;
        sprintflow();
        std::set<std::string> files;
        for (const auto& e : fs::directory_iterator(".")) files.insert(e.path().filename().string());
        EXPECT_EQ(files, c.files) << c.printRes;
        const std::string last = c.printRes == 0 ? "result" : "result.00001";
        EXPECT_EQ(readLines(last).at(0), "Results from QUIRD - flow, iter = 2") << c.printRes;
        EXPECT_STREQ(mc_message, "have written result file  ");
    }
}

TEST_F(SeriesFiles, ThousandthResultFileTakesTheDatExtension) {
    PrintRes = 1;
    for (int n = 0; n < 1000; ++n) writeFile(seriesFileName(kResultSeries, n), "");
    sprintflow();
    EXPECT_TRUE(fs::exists("result.01000.dat"));
    EXPECT_EQ(fs::file_size("result.00999"), 0u);
}

TEST_F(SeriesFiles, ClosingCallWithInterpolValZeroStartsTheResultSeries) {
    PrintRes = 3;
    writeFile("tec3_00000.dat", "x");
    FlagInterpolVal = 0;
    sprintflow();
    EXPECT_TRUE(fs::exists("result.00000"));
    EXPECT_FALSE(fs::exists("result"));
}

}  // namespace
