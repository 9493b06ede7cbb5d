// The grid stage of the reader of `control`: koordina with its levels, the
// G 16 boxes, the D and J refinement, the bed layers, koomin, the plan
// coordinates of the 3-D nodes, and the errors of the grid files.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "control/readers.h"
#include "grid/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// A grid of 4 x 4 x 4 lines, levels at 0, 20, 60 and 100 percent, water level 10.
const std::string kGrid = "G 1 4 4 4 1\nG 3 0 20 60 100\nW 1 50 1 10.0\n";

std::string record(int i, int j, double x, double y, double bed) {
    char line[120];
    std::snprintf(line, sizeof line, "%d %d %lf %lf %lf\n", i, j, x, y, bed);
    return line;
}

std::string record(int i, int j, double x, double y, double bed, double roof) {
    char line[140];
    std::snprintf(line, sizeof line, "%d %d %lf %lf %lf %lf\n", i, j, x, y, bed, roof);
    return line;
}

// One line per node i 1..nx (outer), j 1..ny (inner).
std::string nodes(int nx, int ny, const std::function<std::string(int, int)>& line) {
    std::string s;
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j) s += line(i, j);
    return s;
}

// A plain open-channel koordina: x = 10 i, y = 2 j, bed 5.
std::string flatKoordina(int nx, int ny) {
    return nodes(nx, ny, [](int i, int j) { return record(i, j, 10.0 * i, 2.0 * j, 5.0); });
}

class GridInput : public EngineTest {
protected:
    int read(const std::string& control, const std::string& koordina) {
        writeFile("control", control);
        writeFile("koordina", koordina);
        return exitCodeOf(kread);
    }
    static std::string boogie() { return readFile("boogie"); }
    static bool boogieEndsWith(const std::string& tail) {
        const std::string log = boogie();
        return log.size() >= tail.size() && log.compare(log.size() - tail.size(), tail.size(), tail) == 0;
    }
    static void expectLevels(int i, int j, std::initializer_list<double> levels) {
        int k = 1;
        for (double z : levels) EXPECT_NEAR(zval[i][j][k++], z, 1e-12) << "node " << i << ',' << j << ',' << k - 1;
    }
};

TEST_F(GridInput, OpenChannelColumnsReachTheWaterLevelInAnyRecordOrder) {
    // Records from the last node to the first. The bed of (2,3) lies above the
    // water level and that of (2,2) just below it: both are raised to 0.01 m
    // above their bed; (2,1), read after them, keeps the water level.
    auto bed = [](int i, int j) { return i == 2 && j == 3 ? 12.0 : i == 2 && j == 2 ? 9.995 : 5.0 + 0.01 * (10 * i + j); };
    std::string koordina;
    for (int i = 4; i >= 1; --i)
        for (int j = 4; j >= 1; --j) koordina += record(i, j, 10.0 * i, 2.0 * j, bed(i, j));
    ASSERT_EQ(read(kGrid, koordina), kNoExit) << boogie();

    expectLevels(1, 1, {5.11, 6.088, 8.044, 10.0});
    expectLevels(2, 3, {12.0, 12.002, 12.006, 12.01});
    expectLevels(2, 2, {9.995, 9.997, 10.001, 10.005});
    expectLevels(2, 1, {5.21, 6.168, 8.084, 10.0});
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            EXPECT_EQ(xval[i][j], 10.0 * i);
            EXPECT_EQ(yval[i][j], 2.0 * j);
            EXPECT_EQ(zval[i][j][0], bed(i, j));
            EXPECT_EQ(Surfaces[0][i][j], bed(i, j));
            EXPECT_EQ(Surfaces[1][i][j], 0.0);
            EXPECT_EQ(Surfaces[2][i][j], 0.0);
            EXPECT_EQ(Surfaces[3][i][j], bed(i, j) - 10000.0);  // without F 41, F 42 or koomin: no limit
            for (int k = 0; k <= 4; ++k) {
                EXPECT_EQ(Xc[i][j][k], 10.0 * i);
                EXPECT_EQ(Yc[i][j][k], 2.0 * j);
            }
        }
    // The rim takes the bed of the nearest node.
    EXPECT_EQ(Surfaces[0][0][0], bed(1, 1));
    EXPECT_EQ(Surfaces[0][5][5], bed(4, 4));
    EXPECT_EQ(Surfaces[0][0][3], bed(1, 3));
    EXPECT_EQ(Surfaces[0][5][2], bed(4, 2));
    EXPECT_EQ(Surfaces[3][5][2], 0.0);
    EXPECT_EQ(std::string(mc_message), " Have read data file    ");
}

TEST_F(GridInput, RecordsOfTheLinesBeyondTheLastNodeAreStored) {
    // Node lines 5 of a 4 x 4 grid: stored with their levels, but the rim of
    // the bed layer takes the bed of the nearest node, not theirs.
    const std::string koordina = flatKoordina(4, 4) + record(5, 2, 51.0, 4.0, 6.0) + record(3, 5, 30.0, 11.0, 7.0);
    ASSERT_EQ(read(kGrid, koordina), kNoExit) << boogie();
    EXPECT_EQ(xval[5][2], 51.0);
    EXPECT_EQ(yval[3][5], 11.0);
    expectLevels(5, 2, {6.0, 6.8, 8.4, 10.0});
    EXPECT_EQ(zval[5][2][0], 6.0);
    EXPECT_EQ(Surfaces[0][5][2], 5.0);
    EXPECT_EQ(Surfaces[0][3][5], 5.0);
    EXPECT_EQ(xval[5][3], 0.0);  // a ghost column without a record keeps zero
}

TEST_F(GridInput, ClosedConduitTakesItsRoofFromTheSixthNumber) {
    // The roof lies below the water level of W 1, which a closed conduit does not use.
    const std::string koordina =
        nodes(4, 4, [](int i, int j) { return record(i, j, i, j, 1.0, i == 3 && j == 2 ? 1.005 : 3.0); });
    ASSERT_EQ(read(kGrid + "K 2 0 0\n", koordina), kNoExit) << boogie();
    expectLevels(1, 1, {1.0, 1.4, 2.2, 3.0});
    expectLevels(3, 2, {1.0, 1.001, 1.003, 1.005});  // a low roof is not raised
}

TEST_F(GridInput, DistributionBoxesOverrideTheG3LevelsInTheirOrder) {
    ASSERT_EQ(read(kGrid + "G 16 1 2 1 4 0 50 75 100\nG 16 2 3 2 2 0 10 20 100\n", flatKoordina(4, 4)), kNoExit)
        << boogie();
    expectLevels(1, 1, {5.0, 7.5, 8.75, 10.0});
    expectLevels(2, 3, {5.0, 7.5, 8.75, 10.0});
    expectLevels(2, 2, {5.0, 5.5, 6.0, 10.0});  // the later box where both overlap
    expectLevels(3, 2, {5.0, 5.5, 6.0, 10.0});
    expectLevels(3, 3, {5.0, 6.0, 8.0, 10.0});
}

// Refinement: the file holds every second node line in i (D) or j (J).
struct Refinement {
    const char* name;
    const char* options;
    int xfile, yfile;  // node lines of the file
    int xnumber, ynumber;
};
void PrintTo(const Refinement& r, std::ostream* os) { *os << r.name; }

class GridRefinement : public GridInput, public ::testing::WithParamInterface<Refinement> {};

TEST_P(GridRefinement, PutsFileNodesOnOddLinesAndMeansBetween) {
    const Refinement& r = GetParam();
    const bool alongI = std::string(r.options).find('D') != std::string::npos;
    const bool alongJ = std::string(r.options).find('J') != std::string::npos;
    // Everything linear in the file indices, so each refined node lies at file position (n+1)/2.
    const std::string koordina = nodes(r.xfile, r.yfile, [](int i, int j) { return record(i, j, 10.0 * i, 3.0 * j, i + j); });
    char control[200];
    std::snprintf(control, sizeof control, "G 1 %d %d 4 1\nG 3 0 20 60 100\nW 1 50 1 10.0\nF 7 %s\nF 41 2\n",
                  r.xnumber, r.ynumber, r.options);
    // A box of its own distribution on file column i = 2 reaches the refined node 3 (with D).
    ASSERT_EQ(read(std::string(control) + "G 16 2 2 1 4 0 50 75 100\n", koordina), kNoExit) << boogie();
    for (int i = 1; i <= r.xnumber; ++i)
        for (int j = 1; j <= r.ynumber; ++j) {
            const double fi = alongI ? (i + 1) / 2.0 : i;
            const double fj = alongJ ? (j + 1) / 2.0 : j;
            EXPECT_EQ(xval[i][j], 10.0 * fi) << i << ',' << j;
            EXPECT_EQ(yval[i][j], 3.0 * fj) << i << ',' << j;
            EXPECT_EQ(zval[i][j][1], fi + fj) << i << ',' << j;
            EXPECT_EQ(zval[i][j][0], fi + fj);
            EXPECT_EQ(Surfaces[3][i][j], fi + fj - 2.0);
            EXPECT_EQ(Xc[i][j][2], xval[i][j]);
        }
    // The box column of the file lies between the odd nodes 1 and 5 of the refined grid (with D).
    const int boxNode = alongI ? 3 : 2;
    EXPECT_NEAR(zval[boxNode][1][2], zval[boxNode][1][1] + 0.5 * (10.0 - zval[boxNode][1][1]), 1e-12);
    EXPECT_NEAR(zval[1][1][2], zval[1][1][1] + 0.2 * (10.0 - zval[1][1][1]), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Table, GridRefinement,
                         ::testing::Values(Refinement{"D_nine_lines_from_five", "D", 5, 4, 9, 4},
                                           Refinement{"J_seven_lines_from_four", "J", 4, 4, 4, 7},
                                           Refinement{"D_and_J", "DJ", 5, 4, 9, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridInput, RefinementWithAnEvenSizeTakesTheLastLineFromTheFile) {
    // With D and 8 lines the file's lines 1..4 give nodes 1..7; node line 8
    // must be in the file itself.
    const std::string koordina = nodes(4, 4, [](int i, int j) { return record(i, j, 10.0 * i, j, 5.0); }) +
                                 nodes(1, 4, [](int, int j) { return record(8, j, 99.0, j, 5.0); });
    ASSERT_EQ(read("G 1 8 4 4 1\nG 3 0 20 60 100\nW 1 50 1 10.0\nF 7 D\n", koordina), kNoExit) << boogie();
    EXPECT_EQ(xval[7][2], 40.0);
    EXPECT_EQ(xval[6][2], 35.0);
    EXPECT_EQ(xval[8][2], 99.0);
}

// The lowest erodible level from the last of F 41 and F 42.
struct Lowest {
    const char* name;
    const char* control;
    double belowBed;  // Surfaces[3] = bed - belowBed, or
    double level;     // this level where belowBed is NaN
};
void PrintTo(const Lowest& l, std::ostream* os) { *os << l.name; }

class LowestErodibleLevel : public GridInput, public ::testing::WithParamInterface<Lowest> {};

TEST_P(LowestErodibleLevel, ComesFromTheLastOfF41AndF42) {
    const Lowest& l = GetParam();
    const std::string koordina = nodes(4, 4, [](int i, int j) { return record(i, j, i, j, 0.5 * i + j); });
    ASSERT_EQ(read(kGrid + l.control, koordina), kNoExit) << boogie();
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            EXPECT_EQ(Surfaces[3][i][j], std::isnan(l.belowBed) ? l.level : 0.5 * i + j - l.belowBed) << i << ',' << j;
    EXPECT_EQ(Surfaces[3][5][5], 0.0);
}

INSTANTIATE_TEST_SUITE_P(Table, LowestErodibleLevel,
                         ::testing::Values(Lowest{"neither", "", 10000.0, 0.0},
                                           Lowest{"F41_depth_below_the_bed", "F 41 2.5\n", 2.5, 0.0},
                                           Lowest{"F42_one_level", "F 42 -3\n", NAN, -3.0},
                                           Lowest{"F42_then_F41", "F 42 -3\nF 41 2.5\n", 2.5, 0.0},
                                           Lowest{"F41_then_F42", "F 41 2.5\nF 42 -3\n", NAN, -3.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridInput, KoominSetsTheLowestLevelOfItsColumnsOnly) {
    // Three records in range and one outside, which is skipped.
    writeFile("koomin", "1 1 0 0 -1.5\n2 3 0 0 -2.5\n4 4 0 0 -3.5\n0 2 0 0 -9.0\n");
    ASSERT_EQ(read(kGrid + "F 42 -7\n", flatKoordina(4, 4)), kNoExit) << boogie();
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) {
            const double expected = i == 1 && j == 1 ? -1.5 : i == 2 && j == 3 ? -2.5 : i == 4 && j == 4 ? -3.5 : -7.0;
            EXPECT_EQ(Surfaces[3][i][j], expected) << i << ',' << j;
        }
}

TEST_F(GridInput, KoominCountsRecordsOutsideTheGridAsRead) {
    writeFile("koomin", "1 1 0 0 -1.5\n9 9 0 0 -2.5\n4 4 0 0 -3.5\n");
    ASSERT_EQ(read(kGrid, flatKoordina(4, 4)), kNoExit) << boogie();
    EXPECT_EQ(Surfaces[3][4][4], -3.5);
}

TEST_F(GridInput, KoominIsRefinedLikeTheGrid) {
    // The file grid has 5 x 4 nodes for 9 x 4 lines; koomin gives every file node.
    writeFile("koomin", nodes(5, 4, [](int i, int j) { return record(i, j, 0, 0, -i - j); }));
    const std::string koordina = nodes(5, 4, [](int i, int j) { return record(i, j, i, j, 1.0); });
    ASSERT_EQ(read("G 1 9 4 4 1\nG 3 0 20 60 100\nF 7 D\n", koordina), kNoExit) << boogie();
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(Surfaces[3][i][2], -(i + 1) / 2.0 - 2.0) << i;
}

TEST_F(GridInput, RefinedKoominLeavesNodesItDoesNotReachAtTheirOwnLevel) {
    // koomin gives only file line 1 (refined node line 1). Every other node
    // keeps F 41 below its own bed, not below the bed of another column.
    writeFile("koomin", nodes(1, 4, [](int i, int j) { return record(i, j, 0, 0, -5.0); }));
    const std::string koordina = nodes(5, 4, [](int i, int j) { return record(i, j, i, j, 2.0 * i); });
    ASSERT_EQ(read("G 1 9 4 4 1\nG 3 0 20 60 100\nF 7 D\nF 41 1\n", koordina), kNoExit) << boogie();
    EXPECT_EQ(Surfaces[3][1][2], -5.0);
    EXPECT_EQ(Surfaces[3][2][2], 2.0);   // bed 3.0 (mean of file lines 1 and 2) - 1
    for (int i = 3; i <= 9; ++i) EXPECT_EQ(Surfaces[3][i][2], zval[i][2][1] - 1.0) << i;
}

TEST_F(GridInput, OptionXTakesTheNodesFromKoosurf) {
    writeFile("koosurf", nodes(4, 4, [](int i, int j) {
                  char line[100];
                  std::snprintf(line, sizeof line, "%d %d %d %d 1.0 3.0\n", i, j, 100 + i, 200 + j);
                  return std::string(line);
              }));
    ASSERT_EQ(read(kGrid + "F 7 X\n", flatKoordina(4, 4)), kNoExit) << boogie();
    EXPECT_EQ(xval[3][2], 103.0);
    EXPECT_EQ(Xc[3][2][4], 103.0);
    EXPECT_EQ(Yc[3][2][1], 202.0);
    expectLevels(3, 2, {1.0, 1.4, 2.2, 3.0});
    EXPECT_NE(boogie().find("Have used file 'koosurf'\ncannot open file 'xcyc' \n"), std::string::npos) << boogie();
}

TEST_F(GridInput, OptionXTakesTheNodesFromXcyc) {
    // A header whose values are not used, then the x, y and z blocks.
    std::string xcyc;
    for (int n = 0; n < 3 + 2 + 2 + 6 + 24 + 3 + 4 * (1 + 3 * 3); ++n) xcyc += "0 ";
    for (const char* block : {"x", "y", "z"})
        for (int i = 1; i <= 4; ++i)
            for (int j = 1; j <= 4; ++j)
                for (int k = 1; k <= 4; ++k)
                    xcyc += std::to_string(*block == 'x' ? 100 + i + k : *block == 'y' ? 200 + j : k) + "\n";
    writeFile("xcyc", xcyc);
    ASSERT_EQ(read(kGrid + "F 7 X\n", flatKoordina(4, 4)), kNoExit) << boogie();
    EXPECT_EQ(Xc[2][3][4], 106.0);
    EXPECT_EQ(xval[2][3], 103.0);
    EXPECT_EQ(Yc[2][3][2], 203.0);
    expectLevels(2, 3, {1.0, 2.0, 3.0, 4.0});
    EXPECT_EQ(zval[2][3][0], 1.0);
}

// Errors of the grid stage: exit code and the lines that end `boogie`.
struct GridError {
    const char* name;
    std::string control;   // behind kGrid, or the whole control when `whole`
    std::string koordina;  // no file when empty
    std::string koomin;
    int code;
    std::string logEnd;
    bool whole = false;
};
void PrintTo(const GridError& e, std::ostream* os) { *os << e.name; }

class GridInputError : public GridInput, public ::testing::WithParamInterface<GridError> {};

TEST_P(GridInputError, EndsTheRunWithItsLines) {
    const GridError& e = GetParam();
    writeFile("control", e.whole ? e.control : kGrid + e.control);
    if (!e.koordina.empty()) writeFile("koordina", e.koordina);
    if (!e.koomin.empty()) writeFile("koomin", e.koomin);
    EXPECT_EQ(exitCodeOf(kread), e.code);
    EXPECT_TRUE(boogieEndsWith(e.logEnd)) << boogie();
    EXPECT_NE(boogie().find("Have allocated"), std::string::npos);  // after the passes
}

std::string countError(int stored, int necessary, const std::string& more = "") {
    char text[300];
    std::snprintf(text, sizeof text,
                  "Error in reading koordina file\nHave only read %d coordinates in koordina file\n"
                  "Necessary coordinates: %d\n%s",
                  stored, necessary, more.c_str());
    return text;
}

std::string repeated(const std::string& text, int times) {
    std::string s;
    for (int n = 0; n < times; ++n) s += text;
    return s;
}

// 16 records of which one is replaced: every node but (3,2) once, then `extra`.
std::string withoutNode32(const std::string& extra) {
    return nodes(4, 4, [](int i, int j) { return i == 3 && j == 2 ? std::string() : record(i, j, i, j, 0.0); }) + extra;
}

INSTANTIATE_TEST_SUITE_P(
    Table, GridInputError,
    ::testing::Values(
        GridError{"koordina_missing", "", "", "", -4, "Error, cannot open file 'koordina'\n"},
        GridError{"record_with_index_zero", "", withoutNode32(record(0, 2, 0, 0, 0)), "", -1, countError(15, 16)},
        // An open channel read with six numbers per line goes out of step: the
        // roof is taken for the i of the next record, whose j does not convert.
        GridError{"six_numbers_in_an_open_channel", "", nodes(4, 4, [](int i, int j) { return record(i, j, i, j, 0, 3); }),
                  "", -1, countError(1, 16)},
        // Enough records, but a duplicate and a ghost line in place of node (3,2).
        GridError{"missing_node_behind_duplicates", "",
                  withoutNode32(record(1, 1, 0, 0, 0)) + record(5, 2, 0, 0, 0), "", -1,
                  countError(17, 16, "Missing node i = 3, j = 2 in koordina file\n")},
        GridError{"even_size_without_its_last_line", "G 1 8 4 4 1\nG 3 0 20 60 100\nF 7 D\n", flatKoordina(4, 4), "",
                  -1, countError(16, 32, "Missing node i = 8, j = 1 in koordina file\n"), true},
        GridError{"refined_file_short_of_a_node", "G 1 4 5 4 1\nG 3 0 20 60 100\nF 7 J\n",
                  nodes(4, 3, [](int i, int j) { return i == 2 && j == 2 ? std::string() : record(i, j, i, j, 0); }),
                  "", -1, countError(11, 20, "Missing node i = 2, j = 2 in koordina file\n"), true},
        // At most 5 x 4 x 4 records are read: of the 16 nodes behind 79 skipped records only the first is.
        GridError{"records_beyond_the_record_limit", "",
                  repeated(record(0, 1, 0, 0, 0), 79) + flatKoordina(4, 4), "", -1, countError(1, 16)},
        GridError{"koomin_with_two_records", "", flatKoordina(4, 4), "1 1 0 0 -1\n2 2 0 0 -1\n3 3 0 0\n", -1,
                  "Error in reading koomin file: only 2 points are read\n"
                  "The most common cause of this error is that more than 2 integers and 3 floats\n"
                  "on each line are used in the koomin file\n\n"},
        GridError{"open_channel_without_G3", "G 1 4 4 4 1\nW 1 50 1 10.0\n", flatKoordina(4, 4), "", 1,
                  "Input error for G 3 in control - vertical grid distribution missing\n", true},
        GridError{"closed_conduit_without_G3", "G 1 4 4 4 1\nK 2 0 0\n", flatKoordina(4, 4), "", 1,
                  "Input error for G 3 in control - vertical grid distribution missing\n", true},
        GridError{"option_X_without_koosurf_and_xcyc", "F 7 X\n", flatKoordina(4, 4), "", -3,
                  "Error, option X of F 7: cannot open file 'koosurf' nor file 'xcyc'\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridInput, MissingKoordinaSetsTheStatusText) {
    writeFile("control", kGrid);
    EXPECT_EQ(exitCodeOf(kread), -4);
    EXPECT_EQ(std::string(mc_message), "cannot open file 'koordina' ");
}

TEST_F(GridInput, DefaultGridOfMainReadsBackToTheSameGrid) {
    for (bool withGeodata : {false, true}) {
        SetArraysZero();
        std::filesystem::remove("koordina");
        if (withGeodata) writeFile("geodata", "E -4.5 12.0 1\nE 3.25 20.0 2\n");
        xnumber = 6;
        ynumber = 5;
        znumber = 4;
        lnumber = 1;
        writeDefaultGrid();
        writeFile("control", "G 1 6 5 4 1\nG 3 0 30 60 100\n");
        ASSERT_EQ(exitCodeOf(kread), kNoExit) << boogie();
        const double x0 = withGeodata ? -4.5 : 0.0, dx = withGeodata ? 7.75 : 10.0;
        const double y0 = withGeodata ? 12.0 : 0.0, dy = withGeodata ? 8.0 : 5.0;
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 5; ++j) {
                EXPECT_NEAR(xval[i][j], x0 + (i - 1) * dx / 5, 6e-7) << i << ',' << j;
                EXPECT_NEAR(yval[i][j], y0 + (j - 1) * dy / 4, 6e-7) << i << ',' << j;
                expectLevels(i, j, {0.0, 0.003, 0.006, 0.01});  // flat bed, 0.01 m under the water level 0
            }
    }
}

TEST_F(GridInput, FlumeExampleGetsItsGrid) {
    const std::filesystem::path example = std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume";
    for (const char* name : {"control", "koordina"}) writeFile(name, readFile(example / name));
    ASSERT_EQ(exitCodeOf(kread), kNoExit) << boogie();
    EXPECT_EQ(xval[21][5], 20.0);
    EXPECT_EQ(yval[21][5], 2.0);
    expectLevels(1, 3, {0.02, 0.068, 0.14, 0.236, 0.356, 0.5});
    expectLevels(21, 3, {0.0, 0.05, 0.125, 0.225, 0.35, 0.5});
}

// Through the whole process: the exit status of the grid errors.
TEST(GridInputEndToEnd, GridErrorsEndTheProcessWithTheirCodes) {
    {
        // koordina cannot be made: geodata holds no point.
        Case c;
        c.file("control", kGrid).file("geodata", "no points\n");
        EXPECT_EQ(c.run(), -4);
        EXPECT_EQ(c.boogie().substr(c.boogie().size() - 35), "Error, cannot open file 'koordina'\n");
    }
    {
        Case c;
        c.file("control", kGrid).file("koordina", flatKoordina(4, 3));
        EXPECT_EQ(c.run(), -1);
        EXPECT_NE(c.boogie().find(countError(12, 16)), std::string::npos) << c.boogie();
    }
    {
        Case c;
        c.file("control", kGrid + "F 7 X\n").file("koordina", flatKoordina(4, 4));
        EXPECT_EQ(c.run(), -3);
        EXPECT_NE(c.boogie().find("cannot open file 'koosurf' nor file 'xcyc'"), std::string::npos) << c.boogie();
    }
}

}  // namespace
