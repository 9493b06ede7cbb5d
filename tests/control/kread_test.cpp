// The reader of `control`: the character scan of both passes, the log of a
// clean run, and the run string read from a real file.
#include <omp.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "control/reader_fixture.h"
#include "control/readers.h"
#include "grid/state.h"
#include "flow3d/state.h"

using namespace quird_test;

namespace {

// What the scanner handed over, one entry per call ("G7", "T", "W5", ...).
std::string handed;

// Reads the rest of the line, as a title does.
void consumeLine(FILE* fp) {
    for (int c = std::fgetc(fp); c != EOF && c != '\n'; c = std::fgetc(fp)) {
    }
}

class Scanner : public ReaderTest {
protected:
    void SetUp() override {
        ReaderTest::SetUp();
        handed.clear();
        DataSetReaders& r = dataSetReaders;
        // Each numbered reader notes its letter, number and the next character
        // (which shows how much of the white space the number format took).
        // G 3 is read for real as well: the grid stage needs the vertical distribution.
        r.G = [](int n, FILE* fp) { return note("G", n, fp) && (n != 3 || readDataSetG(n, fp)); };
        r.H = [](int n, FILE* fp) { return note("H", n, fp); };
        r.K = [](int n, FILE* fp) { return note("K", n, fp); };
        r.P = [](int n, FILE* fp) { return note("P", n, fp); };
        r.W = [](int n, FILE* fp) { return note("W", n, fp); };
        r.I = [](FILE*) { handed += "I "; };
        r.L = [](FILE*) { handed += "L "; };
        r.N = [](FILE*) { handed += "N "; };
        r.Q = [](FILE*) { handed += "Q "; };
        r.S = [](FILE*) { handed += "S "; };
        r.T = [](FILE* fp) {
            handed += "T ";
            consumeLine(fp);
        };
        r.W5 = [](FILE*) { handed += "W5 "; };
        r.B = [](FILE*) { handed += "B "; };
    }

    static bool note(const char* letter, int number, FILE* fp) {
        const int next = std::fgetc(fp);
        std::ungetc(next, fp);
        handed += letter + std::to_string(number) + "[" + static_cast<char>(next) + "] ";
        return true;
    }
};

TEST_F(Scanner, HandsEachLetterToItsReaderWithTheNumberFormatOfTheLetter) {
    // G and F stop behind the digits; H keeps the blanks before the number out
    // and takes those behind it; K, P and W take the blanks on both sides.
    ASSERT_EQ(readExactly("G 7 x H 3  x K\n4  x P 2 x W 1 x I L N Q S J M O R U V\nG 3 0 20 60 100\n"), kNoExit);
    EXPECT_EQ(handed, "G7[ ] H3[x] K4[x] P2[x] W1[x] I L N Q S G3[ ] ");
}

TEST_F(Scanner, IgnoresNumbersOutsideTheLookedUpRanges) {
    ASSERT_EQ(readExactly("G 51 G 0 H 15 H -1 K 11 P 1 P 11 W 8 W 5 W 0 F 308 F 0 F 29 20\nG 3 0 20 60 100\n"),
              kNoExit);
    EXPECT_EQ(handed, "G3[ ] W5 ");  // W 5 belongs to the second pass only
}

TEST_F(Scanner, ReadsDataSetsBetweenFreeText) {
    // Lower-case words, digits and the free capitals are text; a data-set
    // capital in a comment starts a data set there.
    ASSERT_EQ(read("Flume run 3, water level from the gauge\n"
                   "F 20 2   cycles, ignored text 17 0.5\n"
                   "F 9 0.5  multiplier, see also F 59 3\n"),
              kNoExit);
    EXPECT_EQ(IterF2, 2);
    EXPECT_EQ(EddyMult, 0.5);
    EXPECT_EQ(GaussIter, 3);
}

TEST_F(Scanner, IgnoresALetterWhoseNumberDoesNotConvert) {
    // "F-" consumes the sign and converts nothing; the number of the data set
    // before must not be used again for the 3 behind it.
    ASSERT_EQ(read("F 20 2\nF- 3\nG+ 4\n"), kNoExit);
    EXPECT_EQ(IterF2, 2);
}

TEST_F(Scanner, AByte0xFFEndsBothPassesLikeTheEndOfTheFile) {
    ASSERT_EQ(read("F 20 2\ncomment \xff F 9 0.5\nW 5 1\n"), kNoExit);
    EXPECT_EQ(IterF2, 2);
    EXPECT_EQ(EddyMult, 1.0);
    EXPECT_EQ(handed, "G1[ ] G3[ ] ");
}

TEST_F(Scanner, ExaminesAtMost300000CharactersPerPass) {
    // The characters that the readers consume do not count. This test looks
    // only at what the first pass read, so the control holds nothing else.
    for (long text : {kControlPassLimit - 1, kControlPassLimit}) {
        IterF2 = 1;
        readExactly(std::string(text, 'x') + "F 20 2\n");
        EXPECT_EQ(IterF2, text < kControlPassLimit ? 2 : 1) << text;
    }
}

TEST_F(Scanner, RunStringAndOptionsAreTextToBothPasses) {
    // The letters of F 2 and F 7 are not data sets; what stands behind their
    // text is scanned again.
    ASSERT_EQ(read("F 2 BWTWBWWWWWWWWWWWWWF 20 2\nF 7 NBW\nB 1 1 2 1 2\n"), kNoExit);
    EXPECT_EQ(std::string(run, 20), " BWTWBWWWWWWWWWWWWWF");  // 20 characters stored
    EXPECT_EQ(IterF2, 1);  // the F behind them is the last stored character
    EXPECT_EQ(handed, "G1[ ] G3[ ] B ");
}

TEST_F(Scanner, CharactersBehindTheTwentiethOfTheRunStringAreScanned) {
    ASSERT_EQ(read("F 2 WWWWWWWWWWWWWWWWWWWF 20 2\n"), kNoExit);
    EXPECT_EQ(std::string(run, 20), " WWWWWWWWWWWWWWWWWWW");
    EXPECT_EQ(IterF2, 2);
}

TEST_F(Scanner, OptionLettersFromTheEighthOnAreScanned) {
    ASSERT_EQ(read("F 7 NNNNNNNF 20 2\n"), kNoExit);
    EXPECT_EQ(std::string(options + 1, 8), " NNNNNNN");
    EXPECT_EQ(IterF2, 2);
}

TEST_F(Scanner, RunStringStopsAfterTheFirstCharacterThatIsNotPrintable) {
    ASSERT_EQ(read("F 2 WM\tA\n"), kNoExit);
    EXPECT_EQ(std::string(run, 20), std::string(" WM\t") + std::string(16, ' '));
}

TEST_F(Scanner, SecondPassReadsWhatFollowsAShortText) {
    // The second pass steps over exactly what the first pass took as text,
    // so W 5 and B directly behind a short F 2, F 7 or title are read.
    ASSERT_EQ(read("F 2 WM\nW 5 1 3 40.0\nF 7 N\nB 1 2 3 4 5\nT short\nB 1 2 3 4 5\nW 5 1 2 30.0\n"), kNoExit);
    EXPECT_EQ(handed, "G1[ ] G3[ ] T W5 B B W5 ");
}

TEST_F(Scanner, TitleIsTextToTheSecondPass) {
    ASSERT_EQ(read("T Bend with W 5 and B\nF 20 2\n"), kNoExit);
    EXPECT_EQ(handed, "G1[ ] G3[ ] T ");
    EXPECT_EQ(IterF2, 2);
}

TEST_F(ReaderTest, ControlWithCrLfGivesTheParametersOfItsLfTwin) {
    const std::string lf =
        "F 1 D\nF 2 WMS\nF 7 NBP\nF 10 M\nF 4 0.4 300\n1e-4\nF 20 2\nF 30 1 2\n3 0 0 0\n"
        "F 11 2.5 0.03\nF 69 1 2 3 4 5 6 7\nF 9 x\n";
    auto snapshot = [] {
        std::ostringstream s;
#define QUIRD_PRINT_PARAMETER(T, N, D) s << #N << '=' << N << ';';
        QUIRD_F_PARAMETERS(QUIRD_PRINT_PARAMETER)
#undef QUIRD_PRINT_PARAMETER
        s << std::string(run, 20) << std::string(options, 20);
        for (int flag : BedFlags) s << flag;
        return s.str();
    };
    ASSERT_EQ(read(lf), kNoExit);
    const std::string fromLf = snapshot();
    std::string crlf;
    for (char c : std::string(kGridDataSets) + lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(readExactly(crlf), kNoExit);
    EXPECT_EQ(snapshot(), fromLf);
    EXPECT_EQ(run[4], '\n');
}

TEST_F(ReaderTest, CleanRunLogsItsLinesInOrder) {
    ASSERT_EQ(read("F 27 0\nF 14 0.5\nF 23 0.2 0\n"), kNoExit);
    const std::vector<std::string> lines = readLines("boogie");
    const std::vector<std::string> expected = {
        " Multi-block version of QUIRD ",
        " In kread ",
        "",
        "Using SOU scheme for sediment calculations",
        "In osiio1: IONo = 0",
        "TurbulenceModel = 0",
        "Number of threads: 0 (F 206)",
        " In initial - arrays ",
        "",
        "End of initial - arrays",
        "Have allocated",  // then the size
        "",
        "Warning: using artificial viscosity of 5.000000e-01",
        "Using accellertated deposition routine",
    };
    ASSERT_GE(lines.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        if (expected[n] == "Have allocated")
            EXPECT_EQ(lines[n].rfind("Have allocated ", 0), 0u) << lines[n];
        else
            EXPECT_EQ(lines[n], expected[n]) << "line " << n;
    }
    EXPECT_EQ(std::string(mc_message), " Have read data file    ");
}

struct ThreadCase {
    const char* name;
    const char* control;
    int stored;      // NoProcessesSolver
    int threads;     // the runtime's team size afterwards
    const char* log; // the lines of F 206 and of the step between the passes
    friend void PrintTo(const ThreadCase& c, std::ostream* os) { *os << c.name; }
};

class ThreadCount : public ReaderTest, public ::testing::WithParamInterface<ThreadCase> {};

TEST_P(ThreadCount, IsCappedAtTheRuntimeMaximumWithDynamicAdjustmentOff) {
    const ThreadCase& c = GetParam();
    omp_set_num_threads(8);
    omp_set_dynamic(1);
    ASSERT_EQ(read(c.control), kNoExit);
    EXPECT_EQ(NoProcessesSolver, c.stored);
    EXPECT_EQ(omp_get_max_threads(), c.threads);
    EXPECT_EQ(omp_get_dynamic(), 0);
    EXPECT_NE(boogie().find(c.log), std::string::npos) << boogie();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ThreadCount,
    ::testing::Values(
        ThreadCase{"above_the_maximum", "F 206 64\n", 8, 8,
                   "Max. number of threads: 8, value F 206: 64\nUsing 8 threads\nIn osiio1: IONo = 0\n"
                   "TurbulenceModel = 0\nNumber of threads: 8 (F 206)\n"},
        ThreadCase{"below_the_maximum", "F 206 3\n", 3, 3,
                   "Max. number of threads: 8, value F 206: 3\nUsing 3 threads\n"},
        // 0 and negative counts run the serial code on one thread.
        ThreadCase{"zero_is_serial", "F 206 0\n", 0, 1,
                   "Max. number of threads: 8, value F 206: 0\nUsing 1 threads\n"},
        ThreadCase{"negative_is_serial", "F 206 -4\n", 0, 1,
                   "Max. number of threads: 8, value F 206: -4\nUsing 1 threads\nIn osiio1: IONo = 0\n"
                   "TurbulenceModel = 0\nNumber of threads: 0 (F 206)\n"},
        // The maximum is the runtime's, not the count of an earlier F 206.
        ThreadCase{"later_data_set_not_capped_by_an_earlier_one", "F 206 2\nF 206 64\n", 8, 8,
                   "Using 2 threads\nMax. number of threads: 8, value F 206: 64\nUsing 8 threads\n"},
        ThreadCase{"absent", "", 0, 1, "TurbulenceModel = 0\nNumber of threads: 0 (F 206)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderTest, SecondPassAndAfterPresetTheArrays) {
    ASSERT_EQ(read("F 20 1\n"), kNoExit);
    EXPECT_EQ(bedshear[1][1], -2.0);
    EXPECT_EQ(bedshear[6][5], -2.0);
    EXPECT_EQ(bedshear[0][0], 0.0);
    EXPECT_EQ(MutBlock[6][5], 1);
    EXPECT_EQ(MutBlock[0][3], 0);
}

TEST_F(ReaderTest, StepsBetweenThePassesDeriveFromTheParameters) {
    // Every cross-section gets the Manning number of W 1 before W 5 overrides
    // one; the depth-averaged model keeps no monitoring level.
    ASSERT_EQ(read("F 44 1\nP 3 4 3 2 1\nW 1 40 1.0 1.0\nW 5 1 2 30.0\n"), kNoExit) << boogie();
    for (int i = 0; i <= xnumber + 1; ++i) EXPECT_EQ(ManArray[i], i == 2 ? 30.0 : 40.0) << i;
    EXPECT_EQ(xnode, 4);
    EXPECT_EQ(znode, 0);
}

TEST_F(ReaderTest, MissingControlEndsTheRunWithMinus4) {
    EXPECT_EQ(exitCodeOf(kread), -4);
    EXPECT_EQ(boogie(), "Error, cannot open file 'control'\n");
    EXPECT_EQ(std::string(mc_message), "cannot open file 'control' ");
}

TEST_F(ReaderTest, LogThatCannotBeCreatedEndsTheRunWithMinus3) {
    writeFile("control", kGridDataSets);
    std::filesystem::create_directory("boogie");  // a directory cannot be opened as the log
    EXPECT_EQ(exitCodeOf(kread), -3);
    EXPECT_EQ(std::string(mc_message), "cannot open file 'boogie' ");
}

TEST_F(ReaderTest, ControlGoneBeforeTheSecondPassEndsTheRunWithMinus3) {
    // The first pass still reads from its open handle; the second cannot open the file.
    dataSetReaders.T = [](FILE*) { std::remove("control"); };
    EXPECT_EQ(read("T gone\n"), -3);
    EXPECT_EQ(std::string(mc_message), "cannot open file 'control' ");
    EXPECT_EQ(boogie().find("control'"), std::string::npos) << boogie();  // no log line of its own
    EXPECT_NE(boogie().find("End of initial - arrays"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The run string from a real control, end to end and in process.
// ---------------------------------------------------------------------------
std::string calls;

struct RunCase {
    const char* name;
    const char* runLine;   // the F 2 and F 20 lines
    const char* expectedCalls;
    int exitStatus;        // of the whole process
    friend void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }
};

class RunStringFromControl : public ReaderTest, public ::testing::WithParamInterface<RunCase> {
protected:
    // The flume example with the run lines of the case in place of its own.
    static std::string control(const char* runLine) {
        std::istringstream example(readFile(std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume/control"));
        std::string text = runLine;
        for (std::string line; std::getline(example, line);)
            if (line.rfind("F 2 ", 0) != 0 && line.rfind("F 20 ", 0) != 0) text += line + "\n";
        return text;
    }
};

TEST_P(RunStringFromControl, RunsItsLettersCycleByCycle) {
    const RunCase& c = GetParam();
    Case e2e;
    e2e.file("control", control(c.runLine))
        .file("koordina", readFile(std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume/koordina"))
        .file("result", "");  // letter R needs a restart file; an empty one restores nothing
    EXPECT_EQ(e2e.run(), c.exitStatus);

    // The same control in process, with tasks that note what runs.
    std::filesystem::copy_file(e2e.dir() / "koordina", "koordina", std::filesystem::copy_options::overwrite_existing);
    writeFile("control", control(c.runLine));
    preReadG1("control");
    ASSERT_EQ(exitCodeOf(kread), kNoExit) << boogie();
    calls.clear();
    runTasks = RunTasks{};
    runTasks.WaterSolve = [] { calls += "W"; };
    runTasks.WaterSolve2D = [] { calls += "D"; };
    runTasks.sprintflow = [] { calls += "M"; };
    runTasks.writespider = [] {};
    runTasks.readres = [] { calls += "R"; };
    EXPECT_EQ(exitCodeOf(runStringLoop), c.exitStatus == 0 ? 0 : kNoExit);
    EXPECT_EQ(calls, c.expectedCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunStringFromControl,
    ::testing::Values(RunCase{"WMA_ends_with_0_in_the_first_cycle", "F 2 WMA\nF 20 3\n", "WM", 0},
                      RunCase{"R_only_in_cycles_1_and_2", "F 2 RW\nF 20 3\n", "RWRWW", 1},
                      RunCase{"lower_case_does_nothing", "F 2 wma\nF 20 2\n", "", 1},
                      RunCase{"D_whatever_the_model", "F 2 D\n", "D", 1},
                      RunCase{"tenth_letter_behind_the_blank_is_not_run", "F 2 DDDDDDDDDM\n", "DDDDDDDDD", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FlumeExample, RunsWithoutErrors) {
    Case c;
    for (const char* name : {"control", "koordina"})
        c.file(name, readFile(std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume" / name));
    EXPECT_EQ(c.run(), 1);
    EXPECT_EQ(c.boogie().find("rror"), std::string::npos) << c.boogie();
}

}  // namespace

namespace {

// The one-equation model needs two cell layers for its vertical gradient:
// one layer (znumber 2) is refused once the grid size is known. G 1 itself
// asks for more layers; these controls keep the sizes found before them.
TEST_F(ReaderTest, OneEquationModelNeedsTwoCellLayers) {
    struct Case {
        const char* control;
        int layers;  // znumber, as the pre-read of G 1 leaves it
        int code;
    };
    const Case cases[] = {
        {"G 3 0 100\nF 24 14\n", 2, 1},
        {"G 3 0 50 100\nF 24 14\n", 3, kNoExit},
        {"G 3 0 100\nF 24 15\n", 2, kNoExit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        znumber = c.layers;
        EXPECT_EQ(readExactly(c.control), c.code) << boogie();
        EXPECT_EQ(boogieEndsWith("Error for F 24 in control\n"), c.code == 1) << boogie();
    }
}

}  // namespace
