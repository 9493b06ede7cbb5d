// The sediment restart files on the straight channel (xnumber 9, ynumber 5,
// znumber 7): written and read back, hand-written files with loose headers,
// lines in any order, repeated, short and outside the grid, the results of
// the reader and the failures of the writer.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "sediment/conres.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "waterquality/state.h"

using namespace sedtest;
using quird_test::readFile;
using quird_test::writeFile;

namespace {

constexpr double kUnset = -7.0;  // what the test put in before the read

class RestartFiles : public SedimentTest {
protected:
    void channel(int sizes, int components = 0) {
        lnumber = sizes;
        NoComponents = components;
        straightChannel();
    }
    // A value with more digits than the files keep, distinct per slot.
    static double pattern(int n, int i, int j, int k) { return (1.0 + n + 0.1234567891 * i + 0.01 * j + 0.001 * k) * 1e-3; }

    void fillState() const {
        for (int l = 0; l <= lnumber; ++l)
            for (int i = 0; i <= xnumber + 2; ++i)
                for (int j = 0; j <= ynumber + 2; ++j) {
                    for (int k = 0; k <= znumber + 2; ++k) conc[l][i][j][k] = pattern(l, i, j, k);
                    if (i <= xnumber + 1 && j <= ynumber + 1) {
                        bedgrain[l][i][j] = pattern(l, i, j, 0);
                        BedGrainOriginal[l][i][j] = pattern(l, i, j, 1) * 3.0;
                    }
                }
        for (int c = 0; c < NoComponents; ++c)
            for (int i = 0; i <= xnumber + 2; ++i)
                for (int j = 0; j <= ynumber + 2; ++j)
                    for (int k = 0; k <= znumber + 2; ++k) comp[c][i][j][k] = pattern(c + 5, i, j, k);
    }
    void clearState(double v = kUnset) const {
        for (int l = 0; l <= lnumber; ++l)
            for (int i = 0; i <= xnumber + 2; ++i)
                for (int j = 0; j <= ynumber + 2; ++j) {
                    for (int k = 0; k <= znumber + 2; ++k) conc[l][i][j][k] = v;
                    if (i <= xnumber + 1 && j <= ynumber + 1) bedgrain[l][i][j] = BedGrainOriginal[l][i][j] = v;
                }
        for (int c = 0; c < NoComponents; ++c)
            for (int i = 0; i <= xnumber + 2; ++i)
                for (int j = 0; j <= ynumber + 2; ++j)
                    for (int k = 0; k <= znumber + 2; ++k) comp[c][i][j][k] = v;
    }
};

void expectSeven(double got, double want, const char* what, int n, int i, int j, int k) {
    EXPECT_NEAR(got, want, 5e-7 * std::fabs(want)) << what << " " << n << " at " << i << "," << j << "," << k;
}

TEST_F(RestartFiles, WrittenFilesReadBackUnderTheReadersNames) {
    channel(2);
    fillState();
    ASSERT_EQ(writeConRes(), 0);
    EXPECT_FALSE(std::filesystem::exists("compres.new"));
    std::filesystem::rename("conres.new", "conres");
    std::filesystem::rename("fracres.new", "fracres");
    clearState();
    long stored = -1;
    EXPECT_EQ(readConRes(&stored), 0);  // no compres.pre
    EXPECT_STREQ(mc_message, "have not used 'compres.pre ' file ");
    EXPECT_EQ(FlagReadFracres, 1);
    EXPECT_EQ(stored, (xnumber + 1L) * (ynumber + 1) * (znumber - 1) + (xnumber + 1L) * (ynumber + 1));
    for (int l = 0; l <= lnumber; ++l)
        for (int i = 0; i <= xnumber + 2; ++i)
            for (int j = 0; j <= ynumber + 2; ++j) {
                const bool column = i >= 1 && i <= xnumber + 1 && j >= 1 && j <= ynumber + 1;
                for (int k = 0; k <= znumber + 2; ++k) {
                    if (column && k >= 2 && k <= znumber)
                        expectSeven(conc[l][i][j][k], pattern(l, i, j, k), "conc", l, i, j, k);
                    else
                        EXPECT_EQ(conc[l][i][j][k], kUnset) << l << " " << i << " " << j << " " << k;
                }
                if (i > xnumber + 1 || j > ynumber + 1) continue;
                if (column) {
                    expectSeven(bedgrain[l][i][j], pattern(l, i, j, 0), "bedgrain", l, i, j, 0);
                    expectSeven(BedGrainOriginal[l][i][j], pattern(l, i, j, 1) * 3.0, "original", l, i, j, 0);
                } else {
                    EXPECT_EQ(bedgrain[l][i][j], kUnset);
                }
            }
}

TEST_F(RestartFiles, ComponentsGoToCompresOnly) {
    channel(1, 2);
    fillState();
    ASSERT_EQ(writeConRes(), 0);
    EXPECT_FALSE(std::filesystem::exists("conres.new"));
    EXPECT_FALSE(std::filesystem::exists("fracres.new"));
    std::filesystem::rename("compres.new", "compres.pre");
    clearState();
    EXPECT_EQ(readConRes(), 4);
    for (int c = 0; c < 2; ++c)
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j)
                for (int k = 2; k <= znumber; ++k) expectSeven(comp[c][i][j][k], pattern(c + 5, i, j, k), "comp", c, i, j, k);
    EXPECT_EQ(comp[0][2][2][1], kUnset);
    EXPECT_EQ(conc[0][2][2][3], kUnset);
    EXPECT_EQ(FlagReadFracres, 0);
}

// The header with other white space, lines in any order, a repeated line, a
// short line, blank and foreign lines and lines outside the grid.
TEST_F(RestartFiles, HandWrittenConres) {
    channel(2);
    clearState();
    writeFile("conres",
              "Concentrations \t in\n volume   fractions.\r\n"
              "i,j,  k, concentration(size):\n"
              "3 2 4 1 2 3\n"
              "2 2 3 5e-3 4e-3 1e-3\n"
              "\n"
              "3 2 4 7 8 9\n"            // repeated: overwrites
              "4 3 2 0.5\n"              // short: the sum only
              "5 3 2 0.1 0.2 0.3\n"      // the next line keeps its own values
              "0 2 2 9 9 9\n"            // i below 1
              "-1 2 2 9 9 9\n"
              "11 2 2 9 9 9\n"           // i beyond xnumber + 1
              "2 7 2 9 9 9\n"            // j beyond ynumber + 1
              "2 2 9 9 9 9\n"            // k beyond znumber + 1
              "2 2 -1 9 9 9\n"           // k below 0
              "99999999999999999999 2 2 9 9 9\n"
              "text 2 2 9 9 9\n"
              "6 3 0 1.5 2.5 3.5\n"      // the bed reference level is taken
              "10 6 8 4 5 6\n"           // the largest indices
              "7 4 3 11 12 x 14\n");     // values up to the first that cannot be read
    long stored = -1;
    EXPECT_EQ(readConRes(&stored), 0);
    EXPECT_EQ(stored, 8);  // the repeated line counts twice
    EXPECT_EQ(FlagReadFracres, 0);
    const struct {
        int i, j, k;
        double v0, v1, v2;
    } cells[] = {{3, 2, 4, 7, 8, 9},      {2, 2, 3, 5e-3, 4e-3, 1e-3},  {4, 3, 2, 0.5, kUnset, kUnset},
                 {5, 3, 2, 0.1, 0.2, 0.3}, {6, 3, 0, 1.5, 2.5, 3.5},    {10, 6, 8, 4, 5, 6},
                 {7, 4, 3, 11, 12, kUnset}, {2, 2, 2, kUnset, kUnset, kUnset}, {1, 2, 2, kUnset, kUnset, kUnset}};
    for (const auto& c : cells) {
        EXPECT_EQ(conc[0][c.i][c.j][c.k], c.v0) << c.i << "," << c.j << "," << c.k;
        EXPECT_EQ(conc[1][c.i][c.j][c.k], c.v1) << c.i << "," << c.j << "," << c.k;
        EXPECT_EQ(conc[2][c.i][c.j][c.k], c.v2) << c.i << "," << c.j << "," << c.k;
    }
    // Nothing else changed.
    int changed = 0;
    for (int l = 0; l <= 2; ++l)
        for (int i = 0; i <= xnumber + 2; ++i)
            for (int j = 0; j <= ynumber + 2; ++j)
                for (int k = 0; k <= znumber + 2; ++k) changed += conc[l][i][j][k] != kUnset;
    EXPECT_EQ(changed, 3 * 5 + 1 + 2);
}

TEST_F(RestartFiles, HandWrittenFracres) {
    channel(1);
    clearState();
    // Loose header; values run on over line ends as a stream; fewer columns
    // than the grid has still mark the file as read.
    writeFile("fracres", "Bed grain fractions(size)+i,j\n3 2 0.2 1.0 0.4\n 0.9\n2 2 0.1 0.5 0.3 0.5\n");
    EXPECT_EQ(readConRes(), 0);
    EXPECT_EQ(FlagReadFracres, 1);
    EXPECT_EQ(bedgrain[0][3][2], 0.2);
    EXPECT_EQ(bedgrain[1][3][2], 1.0);
    EXPECT_EQ(BedGrainOriginal[0][3][2], 0.4);
    EXPECT_EQ(BedGrainOriginal[1][3][2], 0.9);
    EXPECT_EQ(bedgrain[0][2][2], 0.1);
    EXPECT_EQ(BedGrainOriginal[1][2][2], 0.5);
}

// The result of the reader and the status text left by the files that are
// there or not; an index outside the grid in fracres ends the reading.
TEST_F(RestartFiles, ResultsAndStatusTexts) {
    const std::string conres = "Concentrations in volume fractions.\n i, j, k, concentration(size):\n\n3 3 3 0.1 0.2\n";
    const std::string compres = conres;
    const struct {
        const char* name;
        const char* conres;
        const char* fracres;
        bool compres;
        int result;
        const char* message;  // nullptr: the one before the call
        int flag;
        double comp0;  // comp[0][3][3][3] after
        double bed;    // bedgrain[0][2][2] after
        long stored;
    } rows[] = {
        {"none", nullptr, nullptr, false, 0, "have not used 'compres.pre ' file ", 0, kUnset, kUnset, 0},
        {"compres only", nullptr, nullptr, true, 4, "cannot open file 'fracres' ", 0, 0.1, kUnset, 0},
        {"no conres", nullptr, "2 2 0.5 1 0.5 1\n", true, 4, "have not used 'conres ' file ", 1, 0.1, 0.5, 1},
        {"all three", "c", "2 2 0.5 1 0.5 1\n", true, 4, nullptr, 1, 0.1, 0.5, 2},
        {"fracres i beyond", "c", "2 2 0.5 1 0.5 1\n11 2 0 0 0 0\n3 2 1 1 1 1\n", true, 88, nullptr, 0, kUnset, 0.5, 2},
        {"fracres j beyond", nullptr, "2 7 0 0 0 0\n", true, 88, "have not used 'conres ' file ", 0, kUnset, kUnset, 0},
        {"fracres i 0", nullptr, "0 2 0 0 0 0\n", false, 88, "have not used 'conres ' file ", 0, kUnset, kUnset, 0},
        {"fracres j -1", nullptr, "2 -1 0 0 0 0\n", false, 88, "have not used 'conres ' file ", 0, kUnset, kUnset, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        for (const char* f : {"conres", "fracres", "compres.pre"}) std::filesystem::remove(f);
        channel(1, 1);
        clearState();
        FlagReadFracres = 0;
        std::strcpy(mc_message, "before");
        if (r.conres) writeFile("conres", conres);
        if (r.fracres) writeFile("fracres", std::string("Bed grain fractions(size) + i,j \n \n") + r.fracres);
        if (r.compres) writeFile("compres.pre", compres);
        long stored = -1;
        EXPECT_EQ(readConRes(&stored), r.result);
        EXPECT_STREQ(mc_message, r.message ? r.message : "before");
        EXPECT_EQ(FlagReadFracres, r.flag);
        EXPECT_EQ(comp[0][3][3][3], r.comp0);
        EXPECT_EQ(bedgrain[0][2][2], r.bed);
        EXPECT_EQ(stored, r.stored);
        EXPECT_EQ(bedgrain[0][3][2], kUnset);  // nothing after the index outside the grid
    }
}

// A file that cannot be opened or written whole: result 1 with its status
// text; the caller's log line.
TEST_F(RestartFiles, WriteFailuresAndTheCallersLine) {
    const struct {
        const char* name;
        int components;
        const char* blocked;  // a directory of this name
        const char* full;     // this name on a full device
        const char* message;
    } rows[] = {
        {"conres unopened", 0, "conres.new", nullptr, "cannot open file 'conres.t' "},
        {"conres full", 0, nullptr, "conres.new", "cannot open file 'conres.t' "},
        {"fracres unopened", 0, "fracres.new", nullptr, "cannot open file 'fracres.new' "},
        {"fracres full", 0, nullptr, "fracres.new", "cannot open file 'fracres.new' "},
        {"compres unopened", 2, "compres.new", nullptr, "cannot open file 'compres.t' "},
        {"compres full", 2, nullptr, "compres.new", "cannot open file 'compres.t' "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        for (const char* f : {"conres.new", "fracres.new", "compres.new"}) std::filesystem::remove_all(f);
        channel(1, r.components);
        if (r.blocked) std::filesystem::create_directory(r.blocked);
        if (r.full) std::filesystem::create_symlink("/dev/full", r.full);
        EXPECT_EQ(writeConRes(), 1);
        EXPECT_STREQ(mc_message, r.message);
    }
    for (const char* f : {"conres.new", "fracres.new", "compres.new"}) std::filesystem::remove_all(f);
    std::filesystem::remove("boogie");
    const struct {
        int components, result;
        const char* line;
    } lines[] = {{0, 0, "Have written conres.t file \n"},
                 {0, 1, "Could not write conres.t file \n"},
                 {3, 0, "Have written compres.t file \n"},
                 {3, 1, "Could not write compres.t file \n"}};
    std::string expected;
    for (const auto& l : lines) {
        NoComponents = l.components;
        logConResWritten(l.result);
        expected += l.line;
    }
    EXPECT_EQ(readFile("boogie"), expected);
}

}  // namespace
