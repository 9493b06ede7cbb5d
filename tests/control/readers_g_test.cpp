// The G data sets: what each stores, what it refuses with which message and
// exit code, the checks of the openings and the fixed lowest levels.
#include <cstdio>

#include "control/state.h"
#include "control/readers.h"
#include "control/records_support.h"

using namespace quird_test;

namespace {

// Grid of the fixture: 10 x 8 x 6 lines, 2 size fractions.
INSTANTIATE_TEST_SUITE_P(
    G, RefusedDataSet,
    ::testing::Values(
        Refused{'G', 1, "3 10 10 1", 1, "Input error for G 1 in control"},
        Refused{'G', 1, "10 8 6 51", 1, "Input error for G 1 in control"},
        Refused{'G', 1, "10 8 6 0", 1, "Input error for G 1 in control"},
        Refused{'G', 1, "10 8 6\nW 1", 1, "Input error for G 1 in control"},
        Refused{'G', 1, "10 8 1001 2", 1, "Input error for G 1 in control"},  // beyond the levels of G 3
        Refused{'G', 2, "1 4 2 4", 1, "Input error for G 2 in control"},
        Refused{'G', 2, "2 11 2 4", 1, "Input error for G 2 in control"},
        Refused{'G', 2, "2 4 5 4", 1, "Input error for G 2 in control"},
        Refused{'G', 3, "0 50 40 60 80 100", 1, "Input error for G 3 in control"},
        Refused{'G', 3, "0 20 40 60 80 101", 1, "Input error for G 3 in control"},
        Refused{'G', 3, "-1 20 40 60 80 100", 1, "Input error for G 3 in control"},
        Refused{'G', 3, "0 20 40 60 80 99.9", 1, "Input error for G 3 in control - last number must be 100.0"},
        Refused{'G', 4, "-1 2 2 0.1 0.1", 1, "Input error for G 4 in control"},
        Refused{'G', 4, "13 2 2 0.1 0.1", 1, "Input error for G 4 in control"},  // beyond the field (n+2)
        Refused{'G', 4, "2 2 9 0.1 0.1", 1, "Input error for G 4 in control"},
        Refused{'G', 5, "13 13 2 2 2 2", 1, "Input error for G 5 in control\nWrong first indexes"},
        Refused{'G', 5, "2 11 2 2 -1 2", 1, "Input error for G 5 in control\nWrong first indexes"},
        Refused{'G', 5, "2 13 2 2 2 2", 1, "Input error for G 5 in control\nWrong second indexes"},
        Refused{'G', 5, "3 2 2 2 2 2", 1, "Input error for G 5 in control\nWrong match beween indexes"},
        Refused{'G', 6, "0 2 2 1.0 0.01", 1, "Input error for G 6 in control\n"},
        Refused{'G', 6, "2 2 8 1.0 0.01", 1, "Input error for G 6 in control\n"},
        Refused{'G', 6, "2 2 2 1e-6 0.01", 1, "Input error for G 6 in control\n"},
        Refused{'G', 6, "2 2 2 1.0 20000", 1, "Input error for G 6 in control\n"},
        Refused{'G', 7, "2 1 2 8 2 6 0 0 1.0 1 0 0", 1, "Input error for G 7 in control"},
        Refused{'G', 7, "0 4 2 8 2 6 0 0 1.0 1 0 0", 1, "Input error for G 7 in control"},
        Refused{'G', 7, "0 -4 2 8 2 6 0 0 1.0 1 0 0", 1, "Input error for G 7 in control"},
        Refused{'G', 7, "0 1 2 9 2 6 0 0 1.0 1 0 0", 1, "Input error for G 7 in control"},
        Refused{'G', 7, "0 -2 2 10 2 7 0 0 1.0 1 0 0", 1, "Input error for G 7 in control"},
        Refused{'G', 7, "1 3 2 10 2 9 0 0 1.0 1 0 0", 1, "Input error for G 7 in control"},
        Refused{'G', 9, "0", 1, "Error for G 9 in control"},
        Refused{'G', 9, "11", 1, "Error for G 9 in control"},
        Refused{'G', 10, "1 2 2 3 2 3 5.0", 1, "Input error for G 10 in control"},
        Refused{'G', 10, "2 12 2 3 2 3 5.0", 1, "Input error for G 10 in control"},
        Refused{'G', 11, "2 3 2 3 2 8 1.0 1.0", 1, "Input error for G 11 in control"},
        Refused{'G', 12, "0 0.5 0.5", 1, "Input error for G 12, first parameter, in control"},
        Refused{'G', 12, "10 0.5 0.5", 1, "Input error for G 12, first parameter, in control"},
        Refused{'G', 12, "1 0.5 1.5", 1, "Input error for G 12, concentration, in control"},
        Refused{'G', 13, "4 2 3 2 3 2 3", 1, "Input error for G 13 in control"},
        Refused{'G', 13, "0 3 2 2 3 2 3", 1, "Input error for G 13 in control"},
        Refused{'G', 13, "0 2 3 1 3 2 3", 1, "Input error for G 13 in control"},
        Refused{'G', 14, "7 2 2 2", 1, "Input error for G 14 in control"},
        Refused{'G', 14, "1 2 1 2", 1, "Input error for G 14 in control"},
        Refused{'G', 14, "1 2 2 8", 1, "Input error for G 14 in control"},
        Refused{'G', 16, "0 3 1 3 0 20 40 60 80 100", 1, "Input error for G 16 in control"},
        Refused{'G', 16, "1 3 1 9 0 20 40 60 80 100", 1, "Input error for G 16 in control"},
        Refused{'G', 16, "1 3 1 3 0 20 10 60 80 100", 1, "Input error for G 16 in control"},
        Refused{'G', 16, "1 3 1 3 0 20 40 60 80 90", 1, "Input error for G 16 in control"},
        Refused{'G', 17, "0 2 1 2 1 2 0 1.0", 1, "Input error for G 17 in control"},
        Refused{'G', 17, "1 12 1 2 1 2 0 1.0", 1, "Input error for G 17 in control"},
        Refused{'G', 18, "1 2 1 2 1 8 0 1.0 0 10", 1, "Input error for G 18 in control"},
        Refused{'G', 19, "2 4 1 3 1 3 0 0", 1, "Input error for G 19 in control"},
        Refused{'G', 19, "12 1 1 3 1 3 0 0", 1, "Input error for G 19 in control"},
        Refused{'G', 19, "2 3 1 11 1 3 0 0", 1, "Input error for G 19 in control"},
        Refused{'G', 19, "2 2 0 3 1 3 0 0", 1, "Input error for G 19 in control"},
        Refused{'G', 20, "2 3 -1 3 2 3 1 0.5", 1, "Input error for G 20 in control\nWrong first indexes"},
        Refused{'G', 20, "2 3 2 11 2 3 1 0.5", 1, "Input error for G 20 in control\nWrong second indexes"},
        Refused{'G', 20, "2 3 2 3 3 2 1 0.5", 1, "Input error for G 20 in control\nWrong match beween indexes"},
        Refused{'G', 20, "2 3 2 3 2 3 3 0.5", 1, "Input error for G 20 in control\nError in one of two last numbers"},
        Refused{'G', 20, "2 3 2 3 2 3 1 -0.5", 1, "Input error for G 20 in control\nError in one of two last numbers"},
        Refused{'G', 21, "0 2 1 3 1 3", 1, "Input error for G 21 in control"},
        Refused{'G', 21, "-4 2 1 3 1 3", 1, "Input error for G 21 in control"},
        Refused{'G', 21, "1 0 1 3 1 3", 1, "Input error for G 21 in control"},
        Refused{'G', 21, "-3 8 1 10 1 9", 1, "Input error for G 21 in control"},
        Refused{'G', 23, "1 11 1 2 3", 1, "Input error for G 23 in control"},
        Refused{'G', 23, "1 2 1 2 7", 1, "Input error for G 23 in control"},
        Refused{'G', 23, "2 1 1 2 3", 1, "Input error for G 23 in control"},
        Refused{'G', 24, "300 z 1 0", 1, "Too many points in G 24 data set\n"},
        Refused{'G', 24, "2 z 1 0 U 7 0", 1, "Error in G 24 data set \n"},
        Refused{'G', 24, "1 z 1 3", 1, "Error in G 24 data set \n"},
        Refused{'G', 40, "0", 1, "Input error for G 40 in control"},
        Refused{'G', 40, "50 1.0 10.0", 1, "Input error for G 40 in control"}));

TEST_F(RecordsTest, GNumbersWithoutReaderAreDeclined) {
    writeFile("input", "1 2 3");
    FILE* fp = std::fopen("input", "r");
    for (int number : {0, 22, 25, 39, 41, 49, 51}) EXPECT_FALSE(readDataSetG(number, fp)) << number;
    std::fclose(fp);
}

TEST_F(RecordsTest, G1G2G6G9StoreTheirParameters) {
    EXPECT_EQ(readText("12 9 7 3", dataSet('G', 1)), kNoExit);
    EXPECT_EQ(xnumber, 12);
    EXPECT_EQ(ynumber, 9);
    EXPECT_EQ(znumber, 7);
    EXPECT_EQ(lnumber, 3);
    EXPECT_EQ(readText("2 12 3 9", dataSet('G', 2)), kNoExit);
    EXPECT_EQ(iblok2, 12);
    EXPECT_EQ(jblok1, 3);
    EXPECT_EQ(readText("13 10 8 0.5 1e-3\n", dataSet('G', 6)), kNoExit);
    EXPECT_EQ(kSurf, 8);
    EXPECT_DOUBLE_EQ(RelaxSurface, 0.5);
    EXPECT_DOUBLE_EQ(ConvSurface, 1e-3);
    EXPECT_EQ(readText("12", dataSet('G', 9)), kNoExit);
    EXPECT_EQ(SpecEnergy, 12);
    EXPECT_EQ(boogieText(), "");
}

// The records read after the first G 1 were checked against its sizes.
TEST_F(RecordsTest, ALaterG1MustRepeatTheSizes) {
    EXPECT_EQ(readText("12 9 7 3", dataSet('G', 1)), kNoExit);
    EXPECT_EQ(readText("12 9 7 3", dataSet('G', 1)), kNoExit);
    for (const char* other : {"11 9 7 3", "12 10 7 3", "12 9 6 3", "12 9 7 2"}) {
        std::remove("boogie");
        EXPECT_EQ(readText(other, dataSet('G', 1)), 1) << other;
        EXPECT_EQ(boogieText(), "Input error for G 1 in control") << other;
    }
    xnumber = ynumber = znumber = lnumber = 0;  // no sizes pre-read
    setRecordDefaults();                       // a new read of control; 1000 levels fit
    EXPECT_EQ(readText("10 8 1000 2", dataSet('G', 1)), kNoExit);
}

TEST_F(RecordsTest, G3AcceptsALastValueWithinItsTolerance) {
    EXPECT_EQ(readText("\n0 10\n30 60\n90 99.999995", dataSet('G', 3)), kNoExit);
    EXPECT_DOUBLE_EQ(zdistrib[2], 10.0);
    EXPECT_DOUBLE_EQ(zdistrib[6], 99.999995);
}

// A G 3 or G 16 with more levels than its table refuses the level that does not fit before storing it.
TEST_F(RecordsTest, VerticalDistributionsRefuseLevelsBeyondTheirTables) {
    std::string values;
    for (int k = 1; k <= 1001; ++k) values += k == 1001 ? " 100" : " 0";
    znumber = 1001;
    EXPECT_EQ(readText(values, dataSet('G', 3)), 1);
    EXPECT_EQ(boogieText(), "Input error for G 3 in control");
    std::remove("boogie");
    znumber = 121;
    EXPECT_EQ(readText("1 2 1 2" + values, dataSet('G', 16)), 1);
    EXPECT_EQ(boogieText(), "Input error for G 16 in control");
    EXPECT_EQ(DistribNo, 0);
}

TEST_F(RecordsTest, G16StoresADistributionBox) {
    EXPECT_EQ(readText("2 4 3 5\n0 10 20 50 75 100", dataSet('G', 16)), kNoExit);
    EXPECT_EQ(DistribNo, 1);
    EXPECT_EQ(Distribution[0].i2, 4);
    EXPECT_EQ(Distribution[0].j1, 3);
    EXPECT_DOUBLE_EQ(Distribution[0].percent[4], 50.0);
    EXPECT_DOUBLE_EQ(Distribution[0].percent[6], 100.0);
}

TEST_F(RecordsTest, PointSourcesTakeOneConcentrationPerSizeClass) {
    EXPECT_EQ(readText("12 10 8 0.25 0.5 F 2", dataSet('G', 4)), kNoExit);
    EXPECT_EQ(i_pointsource, 12);
    EXPECT_EQ(k_pointsource, 8);
    EXPECT_EQ(i2_pointsource, 0);  // a single cell
    EXPECT_DOUBLE_EQ(pointsource[1], 0.25);
    EXPECT_DOUBLE_EQ(pointsource[2], 0.5);
    EXPECT_EQ(readText("2 4 3 3 0 8 0.125 0.75", dataSet('G', 5)), kNoExit);
    EXPECT_EQ(i2_pointsource, 4);
    EXPECT_EQ(j2_pointsource, 3);
    EXPECT_EQ(k2_pointsource, 8);
    EXPECT_DOUBLE_EQ(pointsource[1], 0.125);
}

// Before G 1 is read the fraction count is the pre-read one, unchecked: the
// tables of the point source hold at most 50 classes.
TEST_F(RecordsTest, PointSourcesRefuseMoreSizeClassesThanTheirTable) {
    lnumber = 200;
    EXPECT_EQ(readText("2 2 2 0.1", dataSet('G', 4)), 1);
    EXPECT_EQ(boogieText(), "Input error for G 4 in control");
    lnumber = kMaxFractions;
    std::string values;
    for (int l = 1; l <= kMaxFractions; ++l) values += " 0.02";
    EXPECT_EQ(readText("2 2 2" + values, dataSet('G', 4)), kNoExit);
    EXPECT_DOUBLE_EQ(pointsource[kMaxFractions], 0.02);
}

// A G 12 takes at most 50 concentrations and warns when there are more classes.
TEST_F(RecordsTest, G12ReadsTheFirstFiftyClassesAndWarns) {
    lnumber = 60;
    std::string values = "2";
    for (int l = 1; l <= 51; ++l) values += l == 51 ? " 0.75" : " 0.5";
    writeFile("input", values);
    FILE* fp = std::fopen("input", "r");
    EXPECT_EQ(exitCodeOf([&] { readDataSetG(12, fp); }), kNoExit);
    double next = 0.0;
    EXPECT_EQ(std::fscanf(fp, "%lf", &next), 1);
    std::fclose(fp);
    EXPECT_DOUBLE_EQ(next, 0.75);  // the 51st value is left unread
    EXPECT_EQ(SedSourceNo, 1);
    EXPECT_EQ(SedSource[1].block, 2);
    EXPECT_DOUBLE_EQ(SedSource[1].concentration[kMaxFractions], 0.5);
    EXPECT_EQ(boogieText(),
              "Warning, only the first 50 sediment sizes\nare read on G 12 data sets\n"
              "To avvoid this, recompiliation is necessary\n\n");
}

TEST_F(RecordsTest, G7AppendsOpeningsFromOne) {
    EXPECT_EQ(readText("0 1 2 8 2 6 0 0 12.5 1 0 0", dataSet('G', 7)), kNoExit);
    EXPECT_EQ(readText("1 -3\n2 10 2 8 2 1 -12.5 0.6 0.8 0", dataSet('G', 7)), kNoExit);
    EXPECT_EQ(readText("0 0 2 3 2 3 0 0 1 0 0 0", dataSet('G', 7)), kNoExit);  // side 0 is for checkIO
    EXPECT_EQ(IONo, 3);
    EXPECT_EQ(IO[0].side, 0);  // record 0 stays empty
    EXPECT_EQ(IO[1].a2, 8);
    EXPECT_DOUBLE_EQ(IO[1].flux, 12.5);
    EXPECT_EQ(IO[2].type, 1);
    EXPECT_EQ(IO[2].side, -3);
    EXPECT_EQ(IO[2].b2, 8);
    EXPECT_EQ(IO[2].paralell, 2);
    EXPECT_EQ(IO[2].update, 1);
    EXPECT_DOUBLE_EQ(IO[2].dir[1], 0.8);
}

TEST_F(RecordsTest, BoxRecordsStoreTheirFields) {
    EXPECT_EQ(readText("2 3 4 5 6 7 0.5 -0.25 0.125\n", dataSet('G', 8)), kNoExit);
    EXPECT_EQ(MInitNo, 1);
    EXPECT_EQ(MInit[1].i1, 2);
    EXPECT_EQ(MInit[1].k2, 7);
    EXPECT_DOUBLE_EQ(MInit[1].v, -0.25);
    EXPECT_EQ(readText("2 11 2 9 2 7 3.5", dataSet('G', 10)), kNoExit);
    EXPECT_EQ(readText("2 3 2 3 2 3 1.5 4.5", dataSet('G', 11)), kNoExit);
    EXPECT_EQ(VolSourceNo, 2);
    EXPECT_DOUBLE_EQ(VolSource[1].value, 3.5);
    EXPECT_DOUBLE_EQ(VolSource[1].value2, 2.0);
    EXPECT_DOUBLE_EQ(VolSource[2].value2, 4.5);
    EXPECT_EQ(readText("9 0.25 1.0", dataSet('G', 12)), kNoExit);
    EXPECT_EQ(SedSource[1].block, 9);
    EXPECT_DOUBLE_EQ(SedSource[1].concentration[2], 1.0);
    EXPECT_EQ(readText("3 2 11 2 9 2 7", dataSet('G', 13)), kNoExit);
    EXPECT_EQ(OutBlock[1].type, 3);
    EXPECT_EQ(OutBlock[1].j2, 9);
    EXPECT_EQ(readText("6 11 9 7", dataSet('G', 14)), kNoExit);
    EXPECT_EQ(DebugDump[1].equation, 6);
    EXPECT_EQ(DebugDump[1].k, 7);
    EXPECT_EQ(readText("2 11 1 2 1 3 2 0.5", dataSet('G', 20)), kNoExit);
    EXPECT_EQ(AreaSourceNo, 1);
    EXPECT_EQ(AreaSource[0].size, 2);
    EXPECT_DOUBLE_EQ(AreaSource[0].value, 0.5);
    EXPECT_EQ(AreaSource[0].i2, 11);
    EXPECT_EQ(boogieText(), "");
}

TEST_F(RecordsTest, G15ClampsTheScale) {
    EXPECT_EQ(readText("0.1", dataSet('G', 15)), kNoExit);
    EXPECT_DOUBLE_EQ(MouseScale, 0.5);
    EXPECT_EQ(readText("9", dataSet('G', 15)), kNoExit);
    EXPECT_DOUBLE_EQ(MouseScale, 5.0);
    EXPECT_EQ(readText("2.5", dataSet('G', 15)), kNoExit);
    EXPECT_DOUBLE_EQ(MouseScale, 2.5);
}

TEST_F(RecordsTest, BorderSourcesAndTheirTimeWindows) {
    EXPECT_EQ(readText("1 2 1 2 1 2 3 7.5", dataSet('G', 17)), kNoExit);
    EXPECT_EQ(readText("1 2 1 2 1 2 0 1.0 100.0 50.0", dataSet('G', 18)), kNoExit);
    EXPECT_EQ(readText("1 2 1 2 1 2 0 1.0 100.0 150.0", dataSet('G', 18)), kNoExit);
    // Without times; the letter behind the values is left for the scanner.
    EXPECT_EQ(readText("1 2 1 2 1 2 0 1.0\nN 0 1 1.0", dataSet('G', 18)), kNoExit);
    ASSERT_EQ(BorderSourceNo, 4);
    EXPECT_EQ(BorderSource[0].component, 3);
    EXPECT_DOUBLE_EQ(BorderSource[0].value, 7.5);
    EXPECT_DOUBLE_EQ(BorderSource[0].startTime, 0.0);
    EXPECT_DOUBLE_EQ(BorderSource[0].endTime, 1e20);  // a G 17 box acts over the whole run
    EXPECT_DOUBLE_EQ(BorderSource[1].startTime, 100.0);
    EXPECT_DOUBLE_EQ(BorderSource[1].endTime, 1e20);
    EXPECT_DOUBLE_EQ(BorderSource[2].endTime, 150.0);
    EXPECT_DOUBLE_EQ(BorderSource[3].startTime, 0.0);
    EXPECT_DOUBLE_EQ(BorderSource[3].endTime, 1e20);
}

TEST_F(RecordsTest, TheTrailingValuesOfADataSetLeaveTheNextLetter) {
    writeFile("input", "1 2 1 2 1 2 0 1.0\nIN");
    FILE* fp = std::fopen("input", "r");
    readDataSetG(18, fp);
    EXPECT_EQ(std::fgetc(fp), 'I');
    std::fclose(fp);
}

TEST_F(RecordsTest, SectionsAndLevelsStoreTheirFields) {
    EXPECT_EQ(readText("11 1 1 8 1 6 5 9", dataSet('G', 19)), kNoExit);
    EXPECT_EQ(sOpenGL3DNo, 1);
    EXPECT_EQ(sOpenGl3D[0].plane, 11);
    EXPECT_EQ(sOpenGl3D[0].b2, 6);
    EXPECT_EQ(sOpenGl3D[0].extra2, 9);
    EXPECT_EQ(readText("-2 9 1 10 1 6", dataSet('G', 21)), kNoExit);
    EXPECT_EQ(PrintConc[0].direction, -2);
    EXPECT_EQ(PrintConc[0].last1, 10);
    EXPECT_EQ(readText("2 10 3 8 6", dataSet('G', 23)), kNoExit);
    EXPECT_EQ(NoLowFixLev, 1);
    EXPECT_EQ(LowFixLev[0].k, 6);
    EXPECT_EQ(readText("3\n 20.0 12.5\n 10.0 8.0\n 0.0 4.0", dataSet('G', 40)), kNoExit);
    EXPECT_EQ(NoVerttemp, 3);
    EXPECT_DOUBLE_EQ(Verttemp[2].temperature, 4.0);
}

TEST_F(RecordsTest, G24TakesTheFirstNonBlankAsLetter) {
    EXPECT_EQ(readText("2 z 1 0 U 3 0\n", dataSet('G', 24)), kNoExit);
    ASSERT_EQ(TecStrucNo, 2);
    EXPECT_EQ(TecStruc[0].letter, 'z');
    EXPECT_EQ(TecStruc[0].level, 1);
    EXPECT_EQ(TecStruc[1].letter, 'U');
    EXPECT_EQ(TecStruc[1].level, 3);
    // Over two lines the line end is the letter of the second entry.
    EXPECT_EQ(readText("2 z 1 0\n3 0", dataSet('G', 24)), kNoExit);
    EXPECT_EQ(TecStruc[1].letter, '\n');
    EXPECT_EQ(TecStruc[1].level, 3);
}

TEST_F(RecordsTest, G50AcceptsZeroAndOne) {
    EXPECT_EQ(readText("0 1 0 1 1 0 0 0 1 1", dataSet('G', 50)), kNoExit);
    EXPECT_EQ(FlagOpenMP[1], 1);
    EXPECT_EQ(FlagOpenMP[9], 1);
    EXPECT_EQ(boogieText(), "");
}

// Every faulty value is listed, then the run ends (the values are not used).
TEST_F(RecordsTest, G50ListsEveryFaultyValueAndEndsTheRun) {
    EXPECT_EQ(readText("0 2 0 1 -1 0 0 0 1 1", dataSet('G', 50)), 1);
    EXPECT_EQ(boogieText(),
              "Error for G 50 data set in control file\nInteger no. 1 = 2\n"
              "Error for G 50 data set in control file\nInteger no. 4 = -1\n");
}

TEST_F(RecordsTest, G50RefusesValuesThatDoNotConvert) {
    EXPECT_EQ(readText("0 1 0 1 1 0 0 0\nK 1", dataSet('G', 50)), 1);
    EXPECT_EQ(boogieText(),
              "Error for G 50 data set in control file\nInteger no. 8 = 0\n"
              "Error for G 50 data set in control file\nInteger no. 9 = 0\n");
}

// ---------------------------------------------------------------------------
// checkIO
// ---------------------------------------------------------------------------

struct FaultyOpening {
    const char* record;  // the G 7 values
    int mbno;
    const char* lines;   // written behind the first heading line
};

void PrintTo(const FaultyOpening& f, std::ostream* os) { *os << f.record; }

class CheckIO : public RecordsTest, public ::testing::WithParamInterface<FaultyOpening> {};

// A record that passes the reader but not checkIO: stored directly.
IORecord parseOpening(const char* text) {
    IORecord r{};
    std::sscanf(text, "%d %d %d %d %d %d %d %d %lf %lf %lf %lf", &r.type, &r.side, &r.a1, &r.a2, &r.b1, &r.b2,
                &r.paralell, &r.update, &r.flux, &r.dir[0], &r.dir[1], &r.dir[2]);
    return r;
}

TEST_P(CheckIO, ReportsTheFaultAndMarksTheRun) {
    const FaultyOpening& f = GetParam();
    MBNo = f.mbno;
    IONo = 2;
    IO[1] = parseOpening("0 1 2 8 2 6 0 0 1.0 1 0 0");
    IO[2] = parseOpening(f.record);
    EXPECT_EQ(exitCodeOf(checkIO), kNoExit);
    EXPECT_EQ(IONo, -10);
    EXPECT_EQ(boogieText(), std::string("Error in G 7: for wall no: 2\n") + f.lines);
}

INSTANTIATE_TEST_SUITE_P(
    OneFault, CheckIO,
    ::testing::Values(
        FaultyOpening{"2 1 2 8 2 6 0 0 1 1 0 0", 0, "type have to be 0 for inflow or 1 for outflow\n"},
        FaultyOpening{"-1 1 2 8 2 6 0 0 1 1 0 0", 0, "type have to be 0 for inflow or 1 for outflow\n"},
        FaultyOpening{"0 0 2 8 2 6 0 0 1 1 0 0", 0, "side have to range from -3 to +3, but not zero\nside: 0\n"},
        FaultyOpening{"0 11 2 8 2 6 0 0 1 1 0 0", 0,
                      "side have to range from -3 to +3, when Multi-Block is not used\nside: 11\n"
                      "Error in G 7: for wall no: 2\n"
                      "side minus number of Multi-Blocks can not exceed 10\nside: 11 MBNo: 0\n"},
        FaultyOpening{"0 5 2 8 2 6 0 0 1 1 0 0", 2, "side can never range from 4 to 10\nside: 5\n"},
        FaultyOpening{"0 13 2 8 2 6 0 0 1 1 0 0", 2,
                      "side minus number of Multi-Blocks can not exceed 10\nside: 13 MBNo: 2\n"},
        FaultyOpening{"0 1 1 8 2 6 0 0 1 1 0 0", 0, "a1 and b1 have to b greater than 1\na1, b1: 1, 2\n"},
        FaultyOpening{"0 1 5 4 2 6 0 0 1 1 0 0", 0, "a2 have to be greater than a1\n"},
        FaultyOpening{"0 1 2 8 5 4 0 0 1 1 0 0", 0, "b2 have to be greater than b1\n"},
        FaultyOpening{"0 3 2 11 2 8 0 0 1 1 0 0", 0, "a2(11) larger than xnumber(10)\na2, b2: 11, 8\n"},
        FaultyOpening{"0 -3 2 10 2 9 0 0 1 1 0 0", 0, "b2(9) larger than ynumber(8)\na2, b2: 10, 9\n"},
        FaultyOpening{"0 2 2 11 2 6 0 0 1 1 0 0", 0, "a2(11) larger than xnumber(10)\na2, b2: 11, 6\n"},
        FaultyOpening{"0 -2 2 10 2 7 0 0 1 1 0 0", 0, "b2 (7) larger than znumber (6) \na2, b2: 10, 7\n"},
        FaultyOpening{"0 1 2 9 2 6 0 0 1 1 0 0", 0, "a2(9) larger than ynumber(8)\na2, b2: 9, 6\n"},
        FaultyOpening{"0 -1 2 8 2 7 0 0 1 1 0 0", 0, "b2(7) larger than znumber(6)\na2, b2: 8, 7\n"},
        FaultyOpening{"0 1 2 8 2 6 3 0 1 1 0 0", 0, "paralell must be 0,1 or 2\nparalell: 3\n"},
        FaultyOpening{"0 1 2 8 2 6 0 -1 1 1 0 0", 0, "update must be 0, 1 or 2\nupdate: -1\n"},
        FaultyOpening{"0 1 2 8 2 6 2 0 1 0.6 0.6 0", 0,
                      "Incorrect components for paralell equal 2\nIncorrect Unit = 7.200000e-01\n"},
        FaultyOpening{"0 1 2 8 2 6 2 0 1 1.5 0 0", 0,
                      "Incorrect components for paralell equal 2\nIncorrect Unit = 0.000000e+00\n"}));

TEST_F(RecordsTest, CheckIOPassesSoundOpenings) {
    IONo = 3;
    IO[1] = parseOpening("0 1 2 8 2 6 0 0 1.0 1 0 0");
    IO[2] = parseOpening("1 -1 2 8 2 6 2 2 1.0 0.6 0.8 0");
    IO[3] = parseOpening("0 -3 2 10 2 8 1 1 1.0 0 0 1");
    checkIO();
    EXPECT_EQ(IONo, 3);
    EXPECT_EQ(boogieText(), "");
}

TEST_F(RecordsTest, CheckIOListsEveryFaultOfEveryRecord) {
    IONo = 3;
    IO[1] = parseOpening("0 0 1 8 2 6 0 0 1 1 0 0");
    IO[2] = parseOpening("0 1 2 8 2 6 0 0 1 1 0 0");
    IO[3] = parseOpening("2 2 2 11 2 7 0 5 1 1 0 0");
    checkIO();
    EXPECT_EQ(IONo, -10);
    EXPECT_EQ(boogieText(),
              "Error in G 7: for wall no: 1\nside have to range from -3 to +3, but not zero\nside: 0\n"
              "Error in G 7: for wall no: 1\na1 and b1 have to b greater than 1\na1, b1: 1, 2\n"
              "Error in G 7: for wall no: 3\ntype have to be 0 for inflow or 1 for outflow\n"
              "Error in G 7: for wall no: 3\na2(11) larger than xnumber(10)\na2, b2: 11, 7\n"
              "Error in G 7: for wall no: 3\nb2 (7) larger than znumber (6) \na2, b2: 11, 7\n"
              "Error in G 7: for wall no: 3\nupdate must be 0, 1 or 2\nupdate: 5\n");
}

// ---------------------------------------------------------------------------
// Fixed lowest levels of G 23
// ---------------------------------------------------------------------------

TEST_F(RecordsTest, LowerFixedLevelTakesTheBoxesInFileOrder) {
    ASSERT_EQ(readText("2 5 2 4 3", dataSet('G', 23)), kNoExit);
    ASSERT_EQ(readText("4 6 3 8 2", dataSet('G', 23)), kNoExit);
    allocateArrays();
    setLowerFixedLevel();
    EXPECT_EQ(LowerFixedLevel[1][1], 6);
    EXPECT_EQ(LowerFixedLevel[10][8], 6);
    EXPECT_EQ(LowerFixedLevel[2][2], 3);
    EXPECT_EQ(LowerFixedLevel[5][4], 2);  // the later box wins
    EXPECT_EQ(LowerFixedLevel[3][4], 3);
    EXPECT_EQ(LowerFixedLevel[6][8], 2);
    EXPECT_EQ(LowerFixedLevel[11][9], 0);  // outside the node columns
    EXPECT_EQ(LowerFixedLevel[0][0], 0);
}

TEST_F(RecordsTest, LowerFixedLevelIsUntouchedWithoutBoxes) {
    allocateArrays();
    setLowerFixedLevel();
    EXPECT_EQ(LowerFixedLevel[3][3], 0);
}

}  // namespace
