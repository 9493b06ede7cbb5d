// The capacity of every record table of control, and the defaults of the
// G, K, P, W and lettered data sets.
#include "control/state.h"
#include "control/readers.h"
#include "control/records_support.h"

using namespace quird_test;

namespace {

// Grid of the fixture: 10 x 8 x 6 lines, 2 size fractions; 3 components.
struct Table {
    const char* name;
    char letter;
    int number;
    const char* record;  // one valid record as the reader takes it
    int limit;           // records accepted
    int* count;
    int code;            // of the record past the limit
    const char* log;
};

void PrintTo(const Table& t, std::ostream* os) { *os << t.name; }

class Capacity : public RecordsTest, public ::testing::WithParamInterface<Table> {};

TEST_P(Capacity, OneRecordPastTheLimitEndsTheRun) {
    const Table& t = GetParam();
    EXPECT_EQ(readRepeated(t.record, t.limit, dataSet(t.letter, t.number)), kNoExit);
    EXPECT_EQ(*t.count, t.limit);
    EXPECT_EQ(boogieText(), "");
    EXPECT_EQ(readText(t.record, dataSet(t.letter, t.number)), t.code);
    EXPECT_EQ(boogieText(), t.log);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, Capacity,
    ::testing::Values(
        Table{"IO", 'G', 7, " 0 1 2 8 2 6 0 0 1.0 1 0 0\n", 19, &IONo, 1,
              "Input error for G 7 in control\nData sets must not exceed 19\n"},
        Table{"MInit", 'G', 8, " 2 3 2 3 2 3 0.1 0 0\n", 19, &MInitNo, -2, "Increase array for G 8 and recompile\n"},
        Table{"VolSourceG10", 'G', 10, " 2 3 2 3 2 3 1.0\n", 19, &VolSourceNo, 1,
              "Input error for G 10 in control\nData sets must not exceed 19\n"},
        Table{"VolSourceG11", 'G', 11, " 2 3 2 3 2 3 1.0 2.0\n", 100, &VolSourceNo, 1,
              "Input error for G 11 in control\nNumber of data sets must not exceed 100\n"},
        Table{"SedSource", 'G', 12, " 1 0.5 0.5\n", 19, &SedSourceNo, 1,
              "Input error for G 12 in control\nData sets must not exceed 19\n"},
        Table{"OutBlock", 'G', 13, " 0 2 3 2 3 2 3\n", 49, &OutBlockNo, 1,
              "Input error for G 13 in control\nNumber of data sets must not exceed 49\n"},
        Table{"DebugDump", 'G', 14, " 1 2 2 2\n", 29, &DebugDumpNo, 1,
              "Input error for G 14 in control\nNumber of data sets must not exceed 29\n"},
        Table{"Distribution", 'G', 16, " 1 2 1 2\n0 20 40 60 80 100\n", 500, &DistribNo, 1,
              "Input error for G 16 in control: too many G 16 data sets"},
        Table{"BorderSourceG17", 'G', 17, " 1 2 1 2 1 2 0 1.0\n", 99, &BorderSourceNo, 1,
              "Input error for G 17 in control\nNumber of data sets must not exceed 99\n"},
        Table{"BorderSourceG18", 'G', 18, " 1 2 1 2 1 2 0 1.0 0 10\n", 99, &BorderSourceNo, 1,
              "Input error for G 18 in control\nNumber of data sets must not exceed 99\n"},
        Table{"sOpenGl3D", 'G', 19, " 2 1 1 3 1 3 0 0\n", 49, &sOpenGL3DNo, 1,
              "Input error for G 19 in control\nNumber of data sets must not exceed 49\n"},
        Table{"AreaSource", 'G', 20, " 2 3 2 3 2 3 1 0.5\n", 49, &AreaSourceNo, 1,
              "Input error for G 20 in control\nToo many G 20 data sets"},
        Table{"PrintConc", 'G', 21, " 1 2 1 3 1 3\n", 19, &PrintConcNo, 1,
              "Input error for G 21 in control\nData sets must not exceed 19\n"},
        Table{"LowFixLev", 'G', 23, " 1 2 1 2 3\n", 500, &NoLowFixLev, 1,
              "Input error for G 23 in control\nData sets must not exceed 500\n"},
        Table{"MWall", 'W', 4, " 1 0 2 1 3 1 3\n", 299, &MWallNo, 1,
              "Input error for W 4 in control\nMWallNo = 300, too large\n"},
        Table{"Fast", 'W', 6, " 1 1\n", 19999, &FastNo, 1, "Error, too many W 6 data sets\n"},
        Table{"Attract", 'W', 7, " 1 2 2 1.0 0.5\n", 1999, &AttractNo, 1, "Error, too many W 7 data sets\n"},
        Table{"QTerms", 'Q', 0, " 2 1 2 0.5\n", 200, &NoTerms, 1,
              "Input error for Q 2 1 in control\nNumber of data sets must not exceed 200\n"}));

// A G 10 counts the G 11 records too.
TEST_F(RecordsTest, G10AndG11ShareTheirCount) {
    EXPECT_EQ(readRepeated(" 2 3 2 3 2 3 1.0 2.0\n", 19, dataSet('G', 11)), kNoExit);
    EXPECT_EQ(readText(" 2 3 2 3 2 3 1.0\n", dataSet('G', 10)), 1);
    EXPECT_EQ(boogieText(), "Input error for G 10 in control\nData sets must not exceed 19\n");
}

// G 24 and G 40 give their whole table in one data set.
TEST_F(RecordsTest, ListsFillTheirTables) {
    std::string entries = "299";
    for (int n = 0; n < 299; ++n) entries += " z 1 0";
    EXPECT_EQ(readText(entries, dataSet('G', 24)), kNoExit);
    EXPECT_EQ(TecStrucNo, 299);
    EXPECT_EQ(TecStruc[298].letter, 'z');
    std::string levels = "49";
    for (int n = 0; n < 49; ++n) levels += " 1.0 2.0";
    EXPECT_EQ(readText(levels, dataSet('G', 40)), kNoExit);
    EXPECT_EQ(NoVerttemp, 49);
    EXPECT_DOUBLE_EQ(Verttemp[48].temperature, 2.0);
}

TEST_F(EngineTest, RecordDefaults) {
    // Disturb what the defaults set, as an earlier run would have.
    IONo = 4;
    MouseScale = 3.0;
    FlagOpenMP[39] = 1;
    relax[4] = 0.9;
    sweeps[19] = 4;
    sou[18] = 2;
    simple = 'N';
    graph = 'x';
    ManningInit = 20.0;
    discharge = 7.0;
    initnumber = 3;
    Bio[14].count = 2;
    Bio[3].count = 5;
    SedimentSample[0][1] = 0.0;
    sizesGiven = true;
    zdistrib[3] = 50.0;
    setRecordDefaults();

    EXPECT_EQ(IONo, 0);
    EXPECT_DOUBLE_EQ(MouseScale, 1.0);
    EXPECT_EQ(FlagOpenMP[39], 0);
    EXPECT_DOUBLE_EQ(RelaxSurface, 1.0);
    EXPECT_DOUBLE_EQ(ConvSurface, 0.01);
    EXPECT_EQ(iterGlobalMax, 40000);
    EXPECT_EQ(IterSurface, 50000);
    EXPECT_EQ(FlagRoof, 1);
    const double relaxDefaults[] = {0.8, 0.8, 0.8, 0.2, 0.5, 0.5};
    for (int e = 1; e <= 6; ++e) EXPECT_DOUBLE_EQ(relax[e], relaxDefaults[e - 1]) << e;
    for (int e = 1; e <= 19; ++e) EXPECT_EQ(sweeps[e], e == 4 ? 5 : 1) << e;
    EXPECT_EQ(sou[18], 0);
    EXPECT_EQ(conti, 'N');
    EXPECT_EQ(simple, 'Y');
    EXPECT_EQ(lcray, 'Y');
    EXPECT_DOUBLE_EQ(movey, 0.25);
    EXPECT_EQ(xnode, 2);
    EXPECT_EQ(lnode, 1);
    EXPECT_EQ(graph, 'g');
    EXPECT_DOUBLE_EQ(ManningInit, 50.0);
    EXPECT_DOUBLE_EQ(discharge, 7.0);  // no default: kept
    EXPECT_EQ(initnumber, 3);          // no default: kept
    EXPECT_DOUBLE_EQ(zdistrib[3], 50.0);
    EXPECT_EQ(Bio[14].count, 7);
    EXPECT_EQ(Bio[3].count, 0);
    EXPECT_EQ(SampleNo, 0);
    EXPECT_DOUBLE_EQ(SedimentSample[0][1], 1.0);
    EXPECT_FALSE(sizesGiven);
}

}  // namespace
