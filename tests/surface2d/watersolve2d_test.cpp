// The depth-averaged driver on short runs of a straight channel: its pass
// lines, stop tests and failure exits, with faults planted after the
// start-up and the result writer and surface update marking the log.
#include <cmath>
#include <cstdio>
#include <string>

#include "control/engine.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "surface2d/channel2d.h"
#include "surface2d/surface2d.h"
#include "support/testing.h"

using namespace quird_test;
using namespace channel2d;

namespace {

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

Channel shortChannel(long passes) {
    Channel c;
    c.level = manningNormalDepth(c);
    c.iterations = passes;
    c.marked = true;
    return c;
}

std::string afterStart(const std::string& log) {
    const size_t p = log.find("Iter: 1,");
    return p == std::string::npos ? std::string() : log.substr(p);
}

void plantNaN() { xvel[20][4][0] = std::nan(""); }
void plantHuge() { xvel[20][4][0] = 1e30; }
void plantZeroCentre() { relaxVelocity = -1.0; }
// The outflow boundary cells carry twice the discharge: with the flow
// taken as initialised, no boundary update corrects them in the first pass.
void plantContinuity() {
    FlagInitialized = 1;
    for (int j = 2; j <= ynumber; ++j) xvel[xnumber + 1][j][0] *= 2.0;
}
void plantResidual3() { MaxResidual[3] = 1.0; }
void plantTimeStep() { TimeStep = 1e-8; }
void plantNoInner() { TransInnerIter = 0; }
void plantOneBox() {
    OutBlockNo = 1;
    OutBlock[1].i1 = 20, OutBlock[1].i2 = 22, OutBlock[1].j1 = 3, OutBlock[1].j2 = 4;
    OutBlock[1].k1 = 2, OutBlock[1].k2 = znumber;  // the cells of the columns, as G 13 gives them
}
void plantTwoBoxes() {
    plantOneBox();
    OutBlockNo = 2;
    OutBlock[2] = OutBlock[1];
    OutBlock[2].i1 = OutBlock[2].i2 = 40;
}

void plantNegativeTurbulence() {
    kinen[0][0][0] = epsilon[0][0][0] = -1.0;
}
void plantNegativeTurbulenceFloored() {
    plantNegativeTurbulence();
    sou[5] = 1;
}

class WaterSolve2DRun : public EngineTest {};

struct FaultCase {
    const char* name;
    void (*startup)();
    const char* line;     // in the log after the first pass began
    const char* message;  // mc_message begins so
};

// Each fault stops the run in its first pass with FlagErrorBreak set, its
// lines in the log and its status text; no result file is written.
TEST_F(WaterSolve2DRun, StopsOnNumericalFaults) {
    const FaultCase cases[] = {
        {"not a number", &startupThen<plantNaN>, "Solution diverged\n", "Solution diverged  "},
        {"above 1e10", &startupThen<plantHuge>, "Solution diverged\n", "Solution diverged  "},
        {"zero centre", &startupThen<plantZeroCentre>,
         "This error may be avoided by the use of F 7 E in the control file\n", "Error, wap(2,2) = -"},
        {"continuity", &startupThen<plantContinuity>, "Error in continuity: Fluxes: ",
         "Error in continuity  "},
    };
    for (const FaultCase& fc : cases) {
        SCOPED_TRACE(fc.name);
        Channel c = shortChannel(20);
        c.startup = fc.startup;
        const ChannelRun run = runChannel(c);
        EXPECT_EQ(run.code, kNoExit);
        EXPECT_EQ(FlagErrorBreak, 1);
        EXPECT_EQ(Iter, 1);
        EXPECT_EQ(gFlagFlow, 0);
        EXPECT_NE(run.log.find(fc.line), std::string::npos) << run.log.substr(run.log.size() - 500);
        EXPECT_EQ(std::string(mc_message).rfind(fc.message, 0), 0u) << mc_message;
        EXPECT_EQ(count(run.log, "<sprintflow>"), 0);
    }
    // The zero centre coefficient: the first cell in order of i, then j.
    EXPECT_EQ(count(runChannel([] {
                        Channel c = shortChannel(5);
                        c.startup = &startupThen<plantZeroCentre>;
                        return c;
                    }()).log,
                    "Error, wap(2,2) = -"),
              1);
}

// The logged passes: 1..9, every 10th to 99, every 100th, the last; the
// second line with its cell; one result file at the end.
TEST_F(WaterSolve2DRun, LogsItsPassesAndRunsToTheLast) {
    Channel c = shortChannel(23);
    c.startup = &startupThen<plantTimeStep>;  // neither steady nor transient: never converges
    const ChannelRun run = runChannel(c);
    ASSERT_EQ(run.code, kNoExit);
    EXPECT_EQ(FlagErrorBreak, 0);
    EXPECT_EQ(Iter, 24);
    const std::string log = afterStart(run.log);
    for (int n = 1; n <= 23; ++n) {
        const bool logged = n <= 9 || n == 10 || n == 20 || n == 23;
        EXPECT_EQ(count(log, "Iter: " + std::to_string(n) + ", Resid: "), logged ? 1 : 0) << n;
    }
    EXPECT_EQ(count(log, "Cont: "), 12);
    EXPECT_NE(log.find(", DefMax: "), std::string::npos);
    EXPECT_NE(log.find(", U,V("), std::string::npos);
    EXPECT_EQ(count(log, "Solution converged"), 0);
    EXPECT_EQ(count(log, "<sprintflow>"), 1);
    EXPECT_EQ(log.substr(log.size() - 13), "<sprintflow>\n");
    // The surface every 10th pass once the residual allows.
    EXPECT_GE(count(log, "<surface>"), 1);
    EXPECT_LE(count(log, "<surface>"), 2);
}

// Converged at pass n: the result written once, Iter stays n; run again
// with n passes allowed, the last logged pass is n itself.
TEST_F(WaterSolve2DRun, ConvergesWithoutAdvancing) {
    Channel c = shortChannel(3000);
    // A residual left by an earlier solver of the process is not this one's.
    c.startup = &startupThen<plantResidual3>;
    const ChannelRun run = runChannel(c);
    ASSERT_TRUE(run.converged) << run.code << run.log.substr(run.log.size() - 500);
    EXPECT_EQ(count(run.log, "<sprintflow>"), 1);
    EXPECT_STREQ(mc_message, "Solution converged  ");
    EXPECT_EQ(MaxResidual[3], 0.0);
    const long n = Iter;
    ASSERT_LT(n, 3000);
    const long before = PrintResIter;
    c.iterations = n;
    const ChannelRun again = runChannel(c);
    ASSERT_TRUE(again.converged);
    EXPECT_EQ(Iter, n);
    const std::string last = "Iter: " + std::to_string(n) + ", Resid: ";
    EXPECT_NE(again.log.find(last), std::string::npos);
    EXPECT_EQ(before, n);  // one pass begun per pass, from a fresh process state

    // The result cadence counter runs on across calls. A continuation pass
    // of the morphology drivers (F 37) on the converged steady field: Iter
    // continues from the caller's value, no timeo; it converges at once.
    FlagTSC = 1;
    iterGlobalMax = Iter + 5;
    const long passesBefore = PrintResIter;
    std::remove("boogie");
    WaterSolve2D();
    const std::string log = readFile("boogie");
    EXPECT_EQ(Iter, n);
    EXPECT_EQ(PrintResIter, passesBefore + 1);
    EXPECT_EQ(FlagErrorBreak, 0);
    EXPECT_EQ(count(log, "Solution converged"), 1);
}

// Without inner iterations no residual is formed: no convergence, no
// surface update; the run ends after its passes.
TEST_F(WaterSolve2DRun, PassesWithoutInnerIterations) {
    Channel c = shortChannel(12);
    c.startup = &startupThen<plantNoInner>;
    const ChannelRun run = runChannel(c);
    ASSERT_EQ(run.code, kNoExit);
    EXPECT_EQ(Iter, 13);
    EXPECT_EQ(count(run.log, "<surface>"), 0);
    EXPECT_EQ(count(run.log, "Solution converged"), 0);
    EXPECT_EQ(count(run.log, "<sprintflow>"), 1);
}

// Blocked G 13 boxes stand still; with one box its velocities are set to
// exactly 0 after every momentum solve.
TEST_F(WaterSolve2DRun, BlockedBoxes) {
    for (int boxes : {1, 2}) {
        Channel c = shortChannel(5);
        c.startup = boxes == 1 ? &startupThen<plantOneBox> : &startupThen<plantTwoBoxes>;
        const ChannelRun run = runChannel(c);
        ASSERT_EQ(run.code, kNoExit);
        for (int i = 20; i <= 22; ++i)
            for (int j = 3; j <= 4; ++j) {
                EXPECT_LT(std::fabs(xvel[i][j][0]), 1e-20);
                if (boxes == 1) {
                    EXPECT_EQ(xvel[i][j][0], 0.0);
                }
            }
        EXPECT_GT(xvel[30][4][0], 0.5);
    }
}

// F 36 1: no pressure correction (Cont, DefMax and their cell stay as set at
// entry), the block forces written after every pass, the file emptied at
// the first.
TEST_F(WaterSolve2DRun, TransientSurfaceModeWritesBlockForces) {
    writeFile("forcelog", "left over\n");
    Channel c = shortChannel(3);
    c.tfs = 1;
    c.startup = &startupThen<plantOneBox>;
    const ChannelRun run = runChannel(c);
    ASSERT_EQ(run.code, kNoExit);
    EXPECT_EQ(Iter, 4);
    EXPECT_EQ(count(readFile("forcelog"), "Forces on block 1 : "), 3);
    EXPECT_EQ(count(readFile("forcelog"), "left over"), 0);
    EXPECT_EQ(count(run.log, "Cont: 0.00e+00, DefMax: 0.00e+00, U,V(1,1,): "), 3);
    EXPECT_EQ(count(run.log, "Error in continuity"), 0);
    EXPECT_EQ(std::string(mc_v2).rfind("zvel[2][2][0]: ", 0), 0u);
}

// A transient call without the arrays of the earlier time level is refused.
TEST_F(WaterSolve2DRun, TransientWithoutTimeLevelsIsRefused) {
    Channel c = shortChannel(1);
    ASSERT_EQ(runChannel(c).code, kNoExit);
    ASSERT_TRUE(xvel_old.isNull());
    TimeStep = 10.0;
    EXPECT_EQ(exitCodeOf([] { WaterSolve2D(); }), -8);
}

// epsilon is floored at 1e-14 over the whole plane, ghost cells included;
// k only with a K 6 scheme above 0 for k, at 1e-12.
TEST_F(WaterSolve2DRun, TurbulenceFloors) {
    for (bool floored : {false, true}) {
        Channel c = shortChannel(2);
        c.model = 0;
        c.startup = floored ? &startupThen<plantNegativeTurbulenceFloored> : &startupThen<plantNegativeTurbulence>;
        ASSERT_EQ(runChannel(c).code, kNoExit);
        EXPECT_EQ(epsilon[0][0][0], 1e-14);
        EXPECT_EQ(kinen[0][0][0], floored ? 1e-12 : -1.0);
    }
}

// A transient run started from the converged steady state stays steady,
// leaves each inner loop on the time-break limit and never stops on
// convergence.
TEST_F(WaterSolve2DRun, TransientFromTheSteadyStateStaysSteady) {
    Channel c = shortChannel(3000);
    ASSERT_TRUE(runChannel(c).converged);
    for (FieldArray<double, 3>* a : {&xvel_old, &yvel_old, &kinen_old, &epsilon_old})
        ASSERT_EQ(createArray(*a, xnumber + 2, ynumber + 2, znumber + 2), CreateResult::Ok);
    const double u = xvel[30][4][0];
    TimeStep = 10.0;
    TimeBreakLimit = 1e-3;
    TransInnerIter = 30;
    iterGlobalMax = 4;
    std::remove("boogie");
    WaterSolve2D();
    const std::string log = readFile("boogie");
    EXPECT_EQ(Iter, 5);
    EXPECT_EQ(FlagErrorBreak, 0);
    EXPECT_EQ(InnerIteration, 1);
    EXPECT_EQ(count(log, "Solution converged"), 0);
    EXPECT_NEAR(xvel[30][4][0], u, 1e-4 * u);
    EXPECT_NEAR(xvel_old[30][4][0], u, 1e-4 * u);  // the time level kept at the last pass
}

}  // namespace
