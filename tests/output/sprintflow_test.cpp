// The frame of the result writer: which outputs each F 48 and F 212 value
// writes, in what order, and how a call ends.
#include <filesystem>
#include <string>

#include "output_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "output/state.h"

using namespace quird_test;

namespace {

std::string trace;

template <char Tag>
bool recordStep() {
    trace += Tag;
    return true;
}

// Every writer replaced by a double that notes its letter.
void recordAll() {
    OutputWriters& w = outputWriters;
    w.surfaceFiles = [] () -> const char* { trace += 'K'; return nullptr; };
    for (auto& steps : w.byInterpolVal)
        for (OutputStep& s : steps) {
            if (s == writeResultFile) s = recordStep<'r'>;
            else if (s == writeInterpolation) s = recordStep<'i'>;
            else if (s == writeHabitat) s = recordStep<'h'>;
            else if (s == writeTecplotCells) s = recordStep<'t'>;
            else if (s == writeTecplot3D) s = recordStep<'3'>;
            else if (s == writeTecplot2D) s = recordStep<'2'>;
            else if (s == writeParaView3D) s = recordStep<'P'>;
            else if (s == writeParaView2D) s = recordStep<'p'>;
            else if (s == writeInterpolSeries) s = recordStep<'s'>;
            else if (s == writeForceReport) s = recordStep<'f'>;
            else EXPECT_EQ(s, nullptr);
        }
    for (OutputStep& s : w.bySpecial)
        if (s) s = recordStep<'x'>;
}

class Frame : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        trace.clear();
        recordAll();
    }
};

TEST_F(Frame, EachInterpolValWritesItsOutputs) {
    // Values 0 to 20; 21 to 40 write nothing.
    const char* expected[kInterpolValCount] = {"r", "i", "i", "i", "i", "rh", "", "t", "3", "2", "P",
                                               "p", "3", "",  "",  "",  "",   "", "",  "s", "f"};
    for (int v = 0; v < kInterpolValCount; ++v) {
        trace.clear();
        FlagInterpolVal = v;
        sprintflow();
        const std::string want = expected[v] ? expected[v] : "";
        EXPECT_EQ(trace, want) << "F 48 " << v;
        EXPECT_EQ(gFlagWriteR, 0);
    }
}

TEST_F(Frame, SpecialReportAfterTheMainOutput) {
    struct Case {
        int interpolVal, special;
        const char* trace;
    };
    const Case cases[] = {{6, 3, "x"}, {0, 1, "rx"}, {5, 8, "rhx"}, {0, 5, "r"}, {0, 9, "r"}, {0, 2000, "r"}};
    for (const Case& c : cases) {
        trace.clear();
        FlagInterpolVal = c.interpolVal;
        FlagWriteSpecial = c.special;
        sprintflow();
        EXPECT_EQ(trace, c.trace) << c.interpolVal << " " << c.special;
    }
}

TEST_F(Frame, SurfaceFilesOnlyAtTheLastPassOfTransientRuns) {
    struct Case {
        int tfs, tsc;
        long iter;
        const char* trace;
    };
    const Case cases[] = {
        {1, 0, 40000, "Kr"}, {0, 1, 40000, "Kr"}, {4, 0, 40000, "Kr"}, {0, 0, 40000, "r"}, {1, 0, 39999, "r"},
    };
    for (const Case& c : cases) {
        trace.clear();
        FlagTFS = c.tfs;
        FlagTSC = c.tsc;
        Iter = c.iter;
        sprintflow();
        EXPECT_EQ(trace, c.trace) << c.tfs << " " << c.tsc << " " << c.iter;
    }
}

TEST_F(Frame, AStepThatEndsTheCallSkipsTheRestAndLeavesTheFlag) {
    FlagInterpolVal = 5;
    FlagWriteSpecial = 3;
    outputWriters.byInterpolVal[5][1] = [] { trace += 'h'; return false; };
    sprintflow();
    EXPECT_EQ(trace, "rh");
    EXPECT_EQ(gFlagWriteR, 1);
}

TEST_F(Frame, ASurfaceFileThatDoesNotOpenEndsTheRunAfterTheResults) {
    outputWriters = defaultOutputWriters();
    FlagTFS = 1;
    Iter = iterGlobalMax = 12;
    FlagWriteSpecial = 4;
    outputWriters.surfaceFiles = [] () -> const char* { return "spillmid"; };
    outputWriters.bySpecial[4] = recordStep<'x'>;
    EXPECT_EQ(exitCodeOf(sprintflow), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'spillmid' ");
    EXPECT_EQ(readLines("result").at(0), "Results from QUIRD - flow, iter = 12");
    EXPECT_EQ(trace, "x");
    EXPECT_FALSE(std::filesystem::exists("boogie"));
}

}  // namespace
