// The lettered data sets H, I, L, N, Q, S, T, the B boxes of the second pass
// and the checks of the grain data.
#include <cstdio>
#include <cstring>

#include "control/state.h"
#include "control/readers.h"
#include "control/records_support.h"
#include "sediment/state.h"

using namespace quird_test;

namespace {

const std::string kLongName(40, 'x');

// Grid of the fixture: 10 x 8 x 6 lines, 2 size fractions; 3 components.
INSTANTIATE_TEST_SUITE_P(
    Letters, RefusedDataSet,
    ::testing::Values(
        Refused{'H', 3, "21 1.0 1 1", 1, "Input error for H 3 in control\nData points must not exceed 20\n"},
        Refused{'H', 0, "-1", 1, "Input error for H 0 in control\nData points must not be negative\n"},
        Refused{'H', 14, "2 1.0 3 2 0.5 17 0", 1, "Input error for H 14 in control\n"},
        Refused{'H', 14, "1 1.0 -1 2", 1, "Input error for H 14 in control\n"},
        Refused{'I', 0, "3 0.5", 1, "Input error for I in control"},
        Refused{'I', 0, "-1 0.5", 1, "Input error for I in control"},
        Refused{'I', 0, "nflow 0.5", 1, "Input error for I in control"},
        Refused{'L', 0, "21 1 2 3", 1, "Input error for L in control\nNumber of levels must not exceed 20\n"},
        Refused{'N', 0, "20 1 0.5", 1, "Input error for N in control"},
        Refused{'N', 0, "-1 1 0.5", 1, "Input error for N in control"},
        Refused{'N', 0, "0 50 0.5", 1, "Input error for N in control"},
        Refused{'N', 0, "0 1 19.5", 1, "Input error for N in control"},
        Refused{'N', 0, "0 1 -0.5", 1, "Input error for N in control"},
        Refused{'N', 0, "x 1 0.5", 1, "Input error for N in control"},
        Refused{'N', 0, "0\nW 1", 1, "Input error for N in control"},
        Refused{'Q', 0, "10001 0 1.0", 1, "Input error for Q in control\n"},
        Refused{'Q', 0, "-1 0 1.0", 1, "Input error for Q in control\n"},
        Refused{'Q', 0, "1 101 1.0", 1, "Input error for Q in control\n"},
        Refused{'Q', 0, "1\nW 1", 1, "Input error for Q in control\n"},
        Refused{'Q', 0, "1 0\nW 1", 1, "Input error for Q 1 0 in control\n"},
        Refused{'Q', 0, "2 1 3 0.5", 1, "Input error for Q 2 1 in control\n"},  // components 0..2
        Refused{'Q', 0, "1002 1 -1 0.5", 1, "Input error for Q 1002 1 in control\n"},
        Refused{'Q', 0, "3 2 0 3 0.5", 1, "Input error for Q 3 2 in control\n"},
        Refused{'Q', 0, "4 0 1 2 0.5\nW 1", 1, "Input error for Q 4 0 in control\n"},
        Refused{'Q', 0, "0 40 name", 1, "Input error for Q 0 40 in control\n"},
        Refused{'Q', 0, "0 3 " + kLongName, 1, "Input error for Q 0 3 in control\n"},
        Refused{'Q', 0, "0 3", 1, "Input error for Q 0 3 in control\n"},
        Refused{'S', 0, "0 0.001 0.1", 1, "Input error for S in control: incorrect first integer\n"},
        Refused{'S', 0, "4 0.001 0.1", 1, "Input error for S in control: incorrect first integer\n"},
        Refused{'S', 0, "x 0.001 0.1", 1, "Input error for S in control: incorrect first integer\n"},
        Refused{'S', 0, "1 -0.001 0.1", 1, "Input error for S in control in second or third float for i=1\n"},
        Refused{'S', 0, "2 0 1000001", 1, "Input error for S in control in second or third float for i=2\n"},
        Refused{'S', 0, "1 0.001\nW 1", 1, "Input error for S in control in second or third float for i=1\n"},
        Refused{'S', 0, "2 0.001 0.1", 1,
                "Input error for S in control file: The coarsest sediment sizes have to be given first, "
                "with the lowest integer.\n"}));

// ---------------------------------------------------------------------------
// H
// ---------------------------------------------------------------------------

TEST_F(RecordsTest, HTable14IsPreset) {
    const BioTable& t = Bio[14];
    ASSERT_EQ(t.count, 7);
    EXPECT_DOUBLE_EQ(t.value[0], -1.0);
    EXPECT_EQ(t.code1[0], 3);
    EXPECT_DOUBLE_EQ(t.value[3], 0.01);
    EXPECT_EQ(t.code1[4], 8);
    EXPECT_DOUBLE_EQ(t.value[6], 100.0);
    EXPECT_EQ(t.code1[6], 7);
    for (int p = 0; p < 7; ++p) EXPECT_EQ(t.code2[p], 2);
    for (int n = 0; n < 14; ++n) EXPECT_EQ(Bio[n].count, 0);
}

TEST_F(RecordsTest, HReplacesTheLeadingPointsOfATable) {
    EXPECT_EQ(readText("3 -2.0 0 16 -0.2 1 1 0.5 16 0", dataSet('H', 14)), kNoExit);
    const BioTable& t = Bio[14];
    EXPECT_EQ(t.count, 3);
    EXPECT_DOUBLE_EQ(t.value[0], -2.0);
    EXPECT_EQ(t.code2[0], 16);
    EXPECT_EQ(t.code1[2], 16);
    EXPECT_DOUBLE_EQ(t.value[3], 0.01);  // beyond the count, no longer in use
    std::string twenty = "20";
    for (int p = 0; p < 20; ++p)
        twenty.append(" ").append(std::to_string(p)).append(".5 0 ").append(std::to_string(p % 17));
    EXPECT_EQ(readText(twenty, dataSet('H', 0)), kNoExit);
    EXPECT_EQ(Bio[0].count, 20);
    EXPECT_DOUBLE_EQ(Bio[0].value[19], 19.5);
    EXPECT_EQ(Bio[0].code2[19], 2);
}

TEST_F(RecordsTest, HWithATableNumberAbove14IsIgnored) {
    writeFile("input", "2 1.0 1 1");
    FILE* fp = std::fopen("input", "r");
    EXPECT_FALSE(readDataSetH(15, fp));
    EXPECT_FALSE(readDataSetH(-1, fp));
    EXPECT_EQ(std::fgetc(fp), '2');  // nothing was read
    std::fclose(fp);
}

// ---------------------------------------------------------------------------
// I, L, N
// ---------------------------------------------------------------------------

TEST_F(RecordsTest, IStoresTheInflowOfAClass) {
    EXPECT_EQ(readText(" 0 1.5\n", dataSet('I')), kNoExit);
    EXPECT_EQ(readText(" 2 0.25 ", dataSet('I')), kNoExit);
    EXPECT_DOUBLE_EQ(inflow[0], 1.5);
    EXPECT_DOUBLE_EQ(inflow[2], 0.25);
}

TEST_F(RecordsTest, LReplacesTheContourLevels) {
    EXPECT_EQ(readText(" 3 1.0 2.5 4.0", dataSet('L')), kNoExit);
    EXPECT_EQ(contourNo, 3);
    EXPECT_DOUBLE_EQ(contourLevels[2], 4.0);
    EXPECT_EQ(readText(" -2 7.0", dataSet('L')), kNoExit);
    EXPECT_EQ(contourNo, -2);
    EXPECT_DOUBLE_EQ(contourLevels[0], 1.0);  // no level read
    std::string twenty = " 20";
    for (int n = 0; n < 20; ++n) twenty.append(" ").append(std::to_string(n));
    EXPECT_EQ(readText(twenty, dataSet('L')), kNoExit);
    EXPECT_DOUBLE_EQ(contourLevels[19], 19.0);
}

TEST_F(RecordsTest, NStoresSharesAndTheHighestSample) {
    EXPECT_EQ(readText(" 3 1 0.25", dataSet('N')), kNoExit);
    EXPECT_EQ(readText(" 19 49 1.5", dataSet('N')), kNoExit);  // up to 19.0 passes here
    EXPECT_EQ(readText(" 2 0 0.5", dataSet('N')), kNoExit);
    EXPECT_DOUBLE_EQ(SedimentSample[3][1], 0.25);
    EXPECT_DOUBLE_EQ(SedimentSample[19][49], 1.5);
    EXPECT_DOUBLE_EQ(SedimentSample[2][0], 0.5);
    EXPECT_EQ(SampleNo, 19);
}

TEST_F(RecordsTest, NStoresNothingWhenRefused) {
    EXPECT_EQ(readText(" 3 1 0.25", dataSet('N')), kNoExit);
    EXPECT_EQ(readText(" 3 1 20", dataSet('N')), 1);
    EXPECT_DOUBLE_EQ(SedimentSample[3][1], 0.25);
    EXPECT_EQ(SampleNo, 3);
}

// ---------------------------------------------------------------------------
// Q
// ---------------------------------------------------------------------------

TEST_F(RecordsTest, QTermsStoreTheFieldsOfTheirType) {
    EXPECT_EQ(readText(" 1 2 0.5", dataSet('Q')), kNoExit);
    EXPECT_EQ(readText(" 2002 1 2 -0.25", dataSet('Q')), kNoExit);
    EXPECT_EQ(readText(" 1003 0 1 2 3.5", dataSet('Q')), kNoExit);
    EXPECT_EQ(readText(" 4 100 0 2\n1.5 2.5", dataSet('Q')), kNoExit);
    ASSERT_EQ(NoTerms, 4);
    EXPECT_EQ(QTerms[0].component, 2);
    EXPECT_EQ(QTerms[0].type, 1);
    EXPECT_DOUBLE_EQ(QTerms[0].value1, 0.5);
    EXPECT_EQ(QTerms[0].compA, 0);
    EXPECT_EQ(QTerms[1].compA, 2);
    EXPECT_DOUBLE_EQ(QTerms[1].value1, -0.25);
    EXPECT_EQ(QTerms[1].compB, 0);  // not read by the type
    EXPECT_EQ(QTerms[2].compB, 2);
    EXPECT_EQ(QTerms[3].component, 100);
    EXPECT_EQ(QTerms[3].type, 4);
    EXPECT_DOUBLE_EQ(QTerms[3].value2, 2.5);
}

TEST_F(RecordsTest, QNamesAddNoTerm) {
    EXPECT_EQ(readText(" 0 3 Oxygen\n", dataSet('Q')), kNoExit);
    EXPECT_EQ(readText(" 0 39 " + std::string(39, 'n'), dataSet('Q')), kNoExit);
    EXPECT_EQ(NoTerms, 0);
    EXPECT_STREQ(QualityName[3], "Oxygen");
    EXPECT_EQ(std::strlen(QualityName[39]), 39u);
}

TEST_F(RecordsTest, QTypesWithoutFieldsLeaveTheirNumbersAsText) {
    writeFile("input", " 7 2 1.5");
    FILE* fp = std::fopen("input", "r");
    readDataSetQ(fp);
    EXPECT_EQ(NoTerms, 0);
    EXPECT_EQ(std::fgetc(fp), ' ');
    EXPECT_EQ(std::fgetc(fp), '1');
    std::fclose(fp);
}

// ---------------------------------------------------------------------------
// S
// ---------------------------------------------------------------------------

TEST_F(RecordsTest, SSizesGoFromTheCoarsest) {
    EXPECT_EQ(readText(" 1 0.002 0.2", dataSet('S')), kNoExit);
    EXPECT_EQ(readText(" 2 0.002 0.1", dataSet('S')), kNoExit);  // equal sizes pass
    EXPECT_EQ(readText(" 3 0.0005 0.01", dataSet('S')), kNoExit);  // class lnumber+1
    EXPECT_DOUBLE_EQ(gsize[2], 0.002);
    EXPECT_DOUBLE_EQ(fallvelo[3], 0.01);
    EXPECT_TRUE(sizesGiven);
    EXPECT_EQ(readText(" 2 0.003 0.1", dataSet('S')), 1);
    EXPECT_EQ(boogieText(),
              "Input error for S in control file: The coarsest sediment sizes have to be given first, "
              "with the lowest integer.\n");
}

TEST_F(RecordsTest, SGivenFinestFirstNeedsAZeroSize) {
    EXPECT_EQ(readText(" 2 0 0.1", dataSet('S')), kNoExit);
    EXPECT_EQ(readText(" 1 0.002 0.2", dataSet('S')), kNoExit);
    EXPECT_EQ(readText(" 2 0.001 0.1", dataSet('S')), kNoExit);
}

// With 50 fractions the class behind the last one still fits the tables.
TEST_F(RecordsTest, SAcceptsTheClassBehindFifty) {
    lnumber = kMaxFractions;
    EXPECT_EQ(readText(" 51 0 0", dataSet('S')), kNoExit);
    EXPECT_EQ(readText(" 52 0 0", dataSet('S')), 1);
}

// ---------------------------------------------------------------------------
// T
// ---------------------------------------------------------------------------

TEST_F(RecordsTest, TitleEndsAtTheLineEnd) {
    writeFile("input", " Flume test\nG 1");
    FILE* fp = std::fopen("input", "r");
    readDataSetT(fp);
    EXPECT_EQ(Title[0], '\0');
    EXPECT_STREQ(Title + 1, " Flume test ");
    EXPECT_EQ(std::fgetc(fp), 'G');  // the line end was taken
    std::fclose(fp);
}

TEST_F(RecordsTest, TitleKeepsTwentyEightCharacters) {
    writeFile("input", " abcdefghijklmnopqrstuvwxyz0123456789ABCD\n");
    FILE* fp = std::fopen("input", "r");
    readDataSetT(fp);
    EXPECT_STREQ(Title + 1, " abcdefghijklmnopqrstuvwxyz0 ");  // the blank and 27 characters
    EXPECT_EQ(Title[29], ' ');
    EXPECT_EQ(Title[30], '\0');
    EXPECT_EQ(std::fgetc(fp), '2');  // the 29th is lost, the rest is text
    std::fclose(fp);
}

TEST_F(RecordsTest, TitleAtTheEndOfTheFile) {
    EXPECT_EQ(readText(" run", dataSet('T')), kNoExit);
    EXPECT_STREQ(Title + 1, " run ");
}

// ---------------------------------------------------------------------------
// B (second pass) and the grain checks between the passes
// ---------------------------------------------------------------------------

class BedSamples : public RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        allocateArrays();
        SedimentSample[3][1] = 0.25;
        SedimentSample[3][2] = 0.75;
        SedimentSample[0][2] = 0.0;
    }
    static void expectCell(int i, int j, int active, int inactive, int sample) {
        for (int l = 1; l <= lnumber; ++l) {
            EXPECT_DOUBLE_EQ(bedgrain[l][i][j], SedimentSample[active][l]) << i << ',' << j;
            EXPECT_DOUBLE_EQ(BedGrainOriginal[l][i][j], SedimentSample[inactive][l]) << i << ',' << j;
        }
        EXPECT_EQ(intBedSediment[i][j], sample) << i << ',' << j;
    }
};

TEST_F(BedSamples, SampleZeroCoversTheWholeBed) {
    EXPECT_EQ(readText(" 0 5 6 5 6", dataSet('B')), kNoExit);
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) expectCell(i, j, 0, 0, 0);
    EXPECT_DOUBLE_EQ(bedgrain[0][3][3], 0.0);  // layer thickness untouched
    EXPECT_DOUBLE_EQ(bedgrain[1][0][0], 0.0);
}

TEST_F(BedSamples, ABoxAndANegativeSample) {
    EXPECT_EQ(readText(" 0 1 1 1 1", dataSet('B')), kNoExit);
    EXPECT_EQ(readText(" 3 2 4 3 5", dataSet('B')), kNoExit);
    expectCell(2, 3, 3, 3, 3);
    expectCell(4, 5, 3, 3, 3);
    expectCell(5, 5, 0, 0, 0);
    EXPECT_EQ(readText(" -3 4 6 5 6", dataSet('B')), kNoExit);  // the inactive layer alone
    expectCell(5, 6, 0, 3, 0);
    expectCell(4, 5, 3, 3, 3);
    EXPECT_EQ(readText(" 3 0 11 0 9", dataSet('B')), kNoExit);  // the full extent of the arrays
    expectCell(0, 0, 3, 3, 3);
    expectCell(11, 9, 3, 3, 3);
    EXPECT_EQ(boogieText(), "");
}

TEST_F(BedSamples, FewerThanFiveNumbersAreIgnored) {
    EXPECT_EQ(readText(" 3 2 4 3\nW 5", dataSet('B')), kNoExit);
    EXPECT_EQ(intBedSediment[2][3], 0);
    EXPECT_EQ(boogieText(), "");
}

TEST_F(BedSamples, BoxesOutsideTheArraysAreRefused) {
    for (const char* text : {" 20 2 4 3 5", " -20 2 4 3 5", " 3 -1 4 3 5", " 3 2 12 3 5", " 3 2 4 -1 5",
                             " 3 2 4 3 10", " 3 12 13 3 5", " 3 2 4 9 9", " 3 2 4 1 1", " 3 4 2 3 5",
                             " 3 2 4 5 3", " -3 2 4 -5 3"}) {
        std::remove("boogie");
        EXPECT_EQ(readText(text, dataSet('B')), 1) << text;
        EXPECT_EQ(boogieText(), "Input error for B in control") << text;
    }
}

TEST_F(RecordsTest, GrainSamplesMustSumToOne) {
    EXPECT_EQ(exitCodeOf(checkGrainData), kNoExit);  // the default sample 0 is all class 1
    SedimentSample[1][1] = 0.4;
    SedimentSample[1][2] = 0.60005;
    SampleNo = 2;
    SedimentSample[2][2] = 1.5;
    EXPECT_EQ(exitCodeOf(checkGrainData), -4);
    EXPECT_EQ(boogieText(), "Error, N - data sets : Sum of fractions = 1.500000e+00\n");
}

TEST_F(RecordsTest, AnUngivenSampleSumsToZero) {
    SampleNo = 1;
    EXPECT_EQ(exitCodeOf(checkGrainData), -4);
    EXPECT_EQ(boogieText(), "Error, N - data sets : Sum of fractions = 0.000000e+00\n");
}

// With 50 fractions the N data sets cannot give class 50: it counts as 0.
TEST_F(RecordsTest, TheFiftiethClassCannotBeGiven) {
    lnumber = kMaxFractions;
    EXPECT_EQ(readText(" 0 1 0.5", dataSet('N')), kNoExit);
    EXPECT_EQ(readText(" 0 49 0.5", dataSet('N')), kNoExit);
    EXPECT_EQ(exitCodeOf(checkGrainData), kNoExit);
    EXPECT_EQ(readText(" 0 50 0.5", dataSet('N')), 1);
}

TEST_F(RecordsTest, GrainSizesAreCheckedOnlyAfterAnSDataSet) {
    EXPECT_EQ(exitCodeOf(checkGrainData), kNoExit);
    EXPECT_EQ(readText(" 1 0.002 0.2", dataSet('S')), kNoExit);
    EXPECT_EQ(exitCodeOf(checkGrainData), -5);
    EXPECT_EQ(boogieText(), "Error for S data set no. 2\n");
    std::remove("boogie");
    EXPECT_EQ(readText(" 2 1e-20 0.1", dataSet('S')), kNoExit);
    EXPECT_EQ(exitCodeOf(checkGrainData), kNoExit);
    EXPECT_EQ(boogieText(), "");
}

}  // namespace
