// Input of a hostile user: texts that hide a G 1, grid sizes whose arrays
// cannot be indexed, records checked against other sizes than the final ones.
#include <climits>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "control/grid_sizes.h"
#include "control/kread.h"
#include "run/reset.h"
#include "reader_fixture.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

struct Hostile {
    const char* name;
    const char* control;
    const char* lastLine;  // the end of `boogie`
    bool indexable;        // the sizes of the first G 1: a default grid is written for them
};

// G 1 in a title; sizes of 2^31 - 1; a G 1 that only the pre-read sees;
// sizes whose product overflows the default of F 28 as well as every int count.
const Hostile kHostile[] = {
    {"g1_in_the_title",
     "T G 1 40 40 6 1\nG 3 0 20 40 60 80 100\nG 16 1 30 1 30 0 20 40 60 80 100\nG 1 21 5 6 1\nW 1 50 1 1\n",
     "Input error for G 16 in control", true},
    {"sizes_of_int_max",
     "G 1 2147483647 2147483647 6 1\nG 3 0 20 40 60 80 100\nG 6 2147483647 2 2 1 1\nG 19 2147483647 1 1 2 1 2 0 0\n",
     "Input error for G 1 in control", false},
    // The letter value of K 8 takes the G: the pre-read finds 40 x 40, the reader 21 x 5.
    {"g1_behind_a_letter_value", "K 8 G 1 40 40 6 1\nG 3 0 20 40 60 80 100\nW 2 1 30\nG 1 21 5 6 1\n",
     "Input error for G 1 in control", true},
    // Sizes that only the pre-read sees and that G 1 would refuse: nothing is
    // allocated from them (here 6 GB of concentrations for 500001 classes).
    {"refused_sizes_behind_a_letter_value", "K 8 G 1 40 4 6 500001\nW 2 1 30\n", "Input error for W 2 in control",
     false},
    {"cells_beyond_int", "G 1 100000 100000 4 1\nF 28 1 2 3 4\nP 3 2147483647 2 2 1\n",
     "Input error for G 1 in control", false},
};

class HostileControl : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileControl, EndsWithStatus1AndItsInputError) {
    Case c;
    c.file("control", GetParam().control);
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie(), tail = GetParam().lastLine;
    ASSERT_GE(log.size(), tail.size()) << log;
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
    // Sizes that cannot be indexed give an empty default grid, not a huge one.
    EXPECT_EQ(c.read("koordina").empty(), !GetParam().indexable) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Table, HostileControl, ::testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });

// The pre-read steps over the texts of T, F 2 and F 7 as the reader does:
// both take the same data set for the first G 1.
struct PreRead {
    const char* control;
    int x;
};

class PreReadAndReader : public EngineTest, public ::testing::WithParamInterface<PreRead> {};

TEST_P(PreReadAndReader, FindsTheFirstG1OfTheReader) {
    writeFile("control", GetParam().control);
    xnumber = ynumber = znumber = lnumber = 0;
    preReadG1("control");
    EXPECT_EQ(xnumber, GetParam().x) << GetParam().control;
    writeDefaultGrid();
    EXPECT_EQ(exitCodeOf(kread), kNoExit) << readFile("boogie");
    EXPECT_EQ(xnumber, GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PreReadAndReader,
    ::testing::Values(PreRead{"T G 1 40 4 4 1\nG 1 5 4 4 1\nG 3 0 20 60 100\n", 5},
                      PreRead{"F 2 WG 1 40 4 4 1\nG 1 6 4 4 1\nG 3 0 20 60 100\n", 6},
                      PreRead{"F 7 G 1 40\nG 1 7 4 4 1\nG 3 0 20 60 100\n", 7},
                      // A title ends after 28 characters: what follows is read by both.
                      PreRead{"T twenty-eight characters ok. G 1 8 4 4 1\nG 3 0 20 60 100\n", 8}));

// Data sets before the first G 1 were checked against the sizes in effect
// when the reading began (for example those of a pre-read that took another
// data set for G 1): the first G 1 may not make them smaller.
TEST_F(ReaderTest, FirstG1MayNotShrinkTheSizesOfTheDataSetsBeforeIt) {
    const struct {
        int x, y, z, l;
    } starts[] = {{40, 4, 4, 2}, {5, 40, 4, 2}, {5, 4, 6, 2}, {5, 4, 4, 3}};
    for (const auto& s : starts) {
        resetEngine();
        xnumber = s.x, ynumber = s.y, znumber = s.z, lnumber = s.l;
        EXPECT_EQ(readExactly("W 2 1 3\nG 1 5 4 4 2\nG 3 0 20 60 100\n"), 1) << s.x << s.y << s.z << s.l;
        EXPECT_TRUE(boogieEndsWith("Input error for G 1 in control")) << boogie();
    }
    resetEngine();  // sizes that grow leave every earlier check valid
    xnumber = ynumber = znumber = 4;
    lnumber = 1;
    EXPECT_EQ(readExactly("W 2 1 3\nG 1 5 4 4 2\nG 3 0 20 60 100\n"), kNoExit) << boogie();
}

// The grid stage takes a G 16 box only inside the final grid, whatever
// stored it.
TEST_F(ReaderTest, DistributionBoxOutsideTheFinalGridIsRefused) {
    dataSetReaders.T = [](FILE*) {
        Distribution[0] = DistributionRecord{};
        Distribution[0].i1 = Distribution[0].j1 = 1;
        Distribution[0].i2 = Distribution[0].j2 = 30;
        DistribNo = 1;
    };
    EXPECT_EQ(read("T\n"), 1);
    EXPECT_TRUE(boogieEndsWith("Input error for G 16 in control")) << boogie();
}

// Sizes that no reader checked yet (as an unchecked pre-read could leave them):
// the range checks of the readers hold without overflow, and the data set
// passes on to the allocator, which refuses arrays of that size.
TEST_F(ReaderTest, IndexChecksHoldForSizesOfIntMax) {
    for (const char* dataSet : {"G 6 2147483647 2 2 1 1\n", "G 10 2 2147483647 2 3 2 3 1.0\n",
                                "G 14 1 2147483647 2 2\n", "G 19 2147483647 1 1 2 1 2 0 0\n",
                                "G 21 1 2147483647 1 2 1 2\n", "P 3 2147483647 2 2 1\n", "G 4 2147483647 2 2\n"}) {
        resetEngine();
        xnumber = ynumber = znumber = INT_MAX;
        lnumber = 1;
        EXPECT_EQ(readExactly(dataSet), -2) << dataSet << boogie();
        EXPECT_NE(boogie().find("Error - array too large"), std::string::npos) << dataSet << boogie();
    }
}

TEST(GridSizes, IndexableWhileTheCellCountFitsAnInt) {
    EXPECT_TRUE(gridSizesIndexable(40000, 7666, 4));  // 40003 * 7669 * 7 < 2^31
    EXPECT_FALSE(gridSizesIndexable(40000, 7667, 4));
    EXPECT_FALSE(gridSizesIndexable(INT_MAX, 1, 1));
    EXPECT_FALSE(gridSizesIndexable(4, 4, INT_MAX - 2));
    EXPECT_TRUE(gridSizesIndexable(-5, 0, 4));  // negative sizes are refused by the reader's own bounds
    EXPECT_FALSE(gridSizesFormable(4, 4, 4, INT_MAX - 2));
}

TEST_F(EngineTest, DefaultOfF28HoldsForAnySizes) {
    const struct {
        int x, y, convNo;
    } cases[] = {{21, 5, 1050}, {INT_MAX, INT_MAX, INT_MAX}, {INT_MAX, -3, 0}, {0, 100, 0}};
    for (const auto& c : cases) {
        xnumber = c.x;
        ynumber = c.y;
        setParameterDefaults();
        EXPECT_EQ(ADConvNo, c.convNo) << c.x << " " << c.y;
    }
}

}  // namespace
