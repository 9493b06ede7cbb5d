// The depth-averaged driver on short runs of a straight channel: its pass
// lines, stop tests and failure exits, with faults planted after the
// start-up and the result writer and surface update marking the log.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/state.h"
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

Channel shortChannel(long passes, void (*startup)() = nullptr, int tfs = 0) {
    Channel c;
    c.level = manningNormalDepth(c);
    c.iterations = passes;
    c.marked = true;
    c.startup = startup;
    c.tfs = tfs;
    return c;
}

std::string afterStart(const std::string& log) {
    const size_t p = log.find("Iter: 1,");
    return p == std::string::npos ? std::string() : log.substr(p);
}

void plantNaN() { xvel[20][4][0] = std::nan(""); }
void plantHuge() { xvel[20][4][0] = 1e30; }
void plantZeroCentre() { relaxVelocity = -1.0; }
// An infinite relaxation leaves every centre coefficient at exactly 0.
void plantZeroCentreExactly() { relaxVelocity = std::numeric_limits<double>::infinity(); }
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

// The arrays of the earlier time level, which a steady start-up leaves out.
bool createTimeLevels() {
    for (FieldArray<double, 3>* a : {&xvel_old, &yvel_old, &kinen_old, &epsilon_old})
        if (createArray(*a, xnumber + 2, ynumber + 2, znumber + 2) != CreateResult::Ok) return false;
    return true;
}

void point(TimePrintRecord& r, char letter, int i, int j, int k) {
    const int q = r.count++;
    r.letter[q] = letter, r.iCell[q] = i, r.jCell[q] = j, r.kCell[q] = k, r.index[q] = 0;
}

void plantProbe() {
    TimePrintNo = 1;
    TimePrint[0] = TimePrintRecord{};
    TimePrint[0].endTime = 1e20;
    point(TimePrint[0], 'u', 30, 4, 0);
}

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
        {"zero centre, in full", &startupThen<plantZeroCentreExactly>,
         "\nError, wap(2,2) = 0.000000e+00\nThis error may be avoided by the use of F 7 E in the control file\n",
         "Error, wap(2,2) = 0.000000e+00\n"},
        {"continuity", &startupThen<plantContinuity>, "Error in continuity: Fluxes: ",
         "Error in continuity  "},
    };
    for (const FaultCase& fc : cases) {
        SCOPED_TRACE(fc.name);
        const ChannelRun run = runChannel(shortChannel(20, fc.startup));
        EXPECT_EQ(run.code, kNoExit);
        EXPECT_EQ(FlagErrorBreak, 1);
        EXPECT_EQ(Iter, 1);
        EXPECT_EQ(gFlagFlow, 0);
        EXPECT_NE(run.log.find(fc.line), std::string::npos) << run.log.substr(run.log.size() - 500);
        EXPECT_EQ(std::string(mc_message).rfind(fc.message, 0), 0u) << mc_message;
        EXPECT_EQ(count(run.log, "<sprintflow>"), 0);
    }
    // The zero centre coefficient: the first cell in order of i, then j.
    EXPECT_EQ(count(runChannel(shortChannel(5, &startupThen<plantZeroCentre>)).log, "Error, wap(2,2) = -"), 1);
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
    EXPECT_STREQ(mc_program, " MB-Flow             ");
    // The surface every 10th pass once the residual allows.
    EXPECT_GE(count(log, "<surface>"), 1);
    EXPECT_LE(count(log, "<surface>"), 2);
}

void plantZeroIntervals() {
    plantTimeStep();
    plantProbe();
    IterSurface = 0;
    PrintIterTime = 0;
}

// A surface interval or probe interval of 0 is never reached: no surface
// update, and `timeo` is created but stays empty.
TEST_F(WaterSolve2DRun, ZeroIntervalsNeverReached) {
    writeFile("timeo", "left over\n");
    const ChannelRun run = runChannel(shortChannel(23, &startupThen<plantZeroIntervals>));
    ASSERT_EQ(run.code, kNoExit);
    EXPECT_EQ(Iter, 24);
    EXPECT_EQ(count(run.log, "<surface>"), 0);
    ASSERT_TRUE(std::filesystem::exists("timeo"));
    EXPECT_EQ(readFile("timeo"), "");
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
    const ChannelRun run = runChannel(shortChannel(12, &startupThen<plantNoInner>));
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
        const ChannelRun run = runChannel(shortChannel(5, boxes == 1 ? &startupThen<plantOneBox> : &startupThen<plantTwoBoxes>));
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
    const ChannelRun run = runChannel(shortChannel(3, &startupThen<plantOneBox>, 1));
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
    ASSERT_TRUE(createTimeLevels());
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

// A continuation pass of the morphology drivers (F 37) with iterGlobalMax at
// the current pass: one pass, Iter leaves one higher, the caller's FlagPrint
// stands, and neither `timeo` nor a result file is written.
TEST_F(WaterSolve2DRun, ContinuationPass) {
    Channel c = shortChannel(3000);
    ASSERT_TRUE(runChannel(c).converged);
    const long n = Iter, passes = PrintResIter;
    FlagTSC = 1;
    iterGlobalMax = Iter;
    ConvergenceCriteria = 0.0;  // keeps the pass from ending on convergence
    FlagPrint = 1;
    plantProbe();
    std::remove("boogie");
    WaterSolve2D();
    EXPECT_EQ(Iter, n + 1);
    EXPECT_EQ(PrintResIter, passes + 1);
    EXPECT_EQ(FlagErrorBreak, 0);
    EXPECT_EQ(FlagPrint, 1);
    const std::string log = readFile("boogie");
    EXPECT_EQ(count(log, "<sprintflow>"), 0);
    EXPECT_EQ(count(log, "Iter: "), 0);
    EXPECT_FALSE(std::filesystem::exists("timeo"));
}

// `timeo` and `forcelog` that cannot be opened end the run with -3 and
// name the file in the status text.
TEST_F(WaterSolve2DRun, UnopenableLogsEndTheRun) {
    struct Row {
        const char* file;
        int tfs;
        void (*startup)();
    };
    const Row rows[] = {{"timeo", 0, &startupThen<plantProbe>}, {"forcelog", 1, nullptr}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        std::filesystem::create_directory(r.file);
        EXPECT_EQ(runChannel(shortChannel(2, r.startup, r.tfs)).code, -3);
        EXPECT_EQ(std::string(mc_message), std::string("cannot open file '") + r.file + "' ");
        std::filesystem::remove(r.file);
    }
}

// ---------------------------------------------------------------------------
// Steps of the inner iteration seen through their effects.
// ---------------------------------------------------------------------------

// Outflow boundary cells that carry twice the discharge stay so until
// boundary2D resets them, and then the pass ends with a continuity error.
void doubleOutflowCells() {
    for (int j = 2; j <= ynumber; ++j) xvel[xnumber + 1][j][0] *= 2.0;
}
void plantOutflowTwoInner() {
    plantContinuity();
    TransInnerIter = 2;
}
// The surface update stands in to plant them after the first pass.
void plantOutflowAfterFirstPass() {
    ConvSurface = 1e10;
    IterSurface = 1;
    flowSteps.surface = [] {
        if (Iter == 1) doubleOutflowCells();
    };
}

// boundary2D runs at the start of every inner iteration except the first of
// pass 1: doubled outflow cells planted before it stand through that one
// iteration only; planted after pass 1 they are reset at once.
TEST_F(WaterSolve2DRun, BoundaryValuesSkippedOnlyAtTheFirstInnerIteration) {
    struct Row {
        const char* name;
        void (*startup)();
        bool continuityError;
    };
    const Row rows[] = {
        {"pass 1, one inner iteration", &startupThen<plantContinuity>, true},
        {"pass 1, two inner iterations", &startupThen<plantOutflowTwoInner>, false},
        {"pass 2", &startupThen<plantOutflowAfterFirstPass>, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const ChannelRun run = runChannel(shortChannel(2, r.startup));
        ASSERT_EQ(run.code, kNoExit);
        EXPECT_EQ(count(run.log, "Error in continuity"), r.continuityError ? 1 : 0);
        EXPECT_EQ(FlagErrorBreak, r.continuityError ? 1 : 0);
    }
}

struct Dump {
    double f = 0.0, ap = 0.0, source = 0.0;
};

// The first coefficient dump of equation eq at cell (i, j) (record k 0).
Dump firstDump(const std::string& log, int eq, int i, int j) {
    const std::string head = "Debug dump for (" + std::to_string(i) + "," + std::to_string(j) + ",0," +
                             std::to_string(eq) + ")\n";
    Dump d;
    const size_t p = log.find(head);
    EXPECT_NE(p, std::string::npos) << head;
    if (p == std::string::npos) return d;
    EXPECT_EQ(std::sscanf(log.c_str() + p + head.size(), "f, ap, source = %lf %lf %lf", &d.f, &d.ap, &d.source), 3);
    return d;
}

void dumpAt(int n, int eq, int i, int j) {
    DebugDumpNo = std::max(DebugDumpNo, n);
    DebugDump[n] = DebugDumpRecord{eq, i, j, 0};
}

// One continuation pass (F 37, steady, so without an earlier time level) on
// the converged channel, with the target bed of the four corners of cell
// (30, 4) half its depth above the bed; the first u dump there and the
// thin-water friction the pass should add to its centre coefficient.
struct ThinWater {
    Dump dump;
    double friction;  // in the relaxed centre coefficient
    double u;
};
ThinWater thinWaterPass(int minDepth) {
    ThinWater t{};
    Channel c = shortChannel(3000);
    EXPECT_TRUE(runChannel(c).converged);
    const int i = 30, j = 4;
    const double D = depth(i, j), u = t.u = xvel[i][j][0];
    for (int a = i - 1; a <= i; ++a)
        for (int b = j - 1; b <= j; ++b) zval[a][b][0] = zval[a][b][1] + 0.5 * D;
    const double r = 0.5;  // (z0 - z1) / D
    t.friction = 2.0 * m_armap[i][j] * m_dist_z[i][j][0] * 45300.0 * (0.5 * std::fabs(u + u) + 0.001) / Xks[i][j] *
                 std::pow(r, 5) / relaxVelocity;
    FlagTSC = 1;
    FlagTSCMinDepth = minDepth;
    iterGlobalMax = Iter;
    dumpAt(1, 1, i, j);
    std::remove("boogie");
    EXPECT_EQ(exitCodeOf([] { WaterSolve2D(); }), kNoExit);
    t.dump = firstDump(readFile("boogie"), 1, i, j);
    return t;
}

// F 151 1 and 2 add the friction of thin water to the centre coefficient of
// the columns whose target bed lies above the grid's bed; 0 and 3 do not.
TEST_F(WaterSolve2DRun, ThinWaterFriction) {
    const ThinWater none = thinWaterPass(0);
    for (int minDepth : {1, 2, 3}) {
        SCOPED_TRACE(minDepth);
        const ThinWater t = thinWaterPass(minDepth);
        const double added = minDepth <= 2 ? t.friction : 0.0;
        EXPECT_NEAR(t.dump.ap - none.dump.ap, added, 1e-6 * t.dump.ap);
        // The relaxation carries it into the source.
        EXPECT_NEAR(t.dump.source - none.dump.source, (1.0 - relaxVelocity) * added * t.u,
                    1e-6 * std::fabs(t.dump.source) + 1e-3);
    }
}

// Planted top-cell rises and normals (tilted along x or along y) of three
// cells; the dumps of one pass.
void plantSurfaceSlope(double nx, double ny) {
    const int Z = znumber;
    for (auto [i, j] : {std::pair{30, 4}, std::pair{xnumber, 4}, std::pair{30, ynumber}}) {
        dz1[i][j][Z] = 0.5;
        dz2[i][j][Z] = 0.25;
        m_vec_z[i][j][Z][0] = nx;
        m_vec_z[i][j][Z][1] = ny;
        m_vec_z[i][j][Z][2] = std::sqrt(1.0 - nx * nx - ny * ny);
    }
    dumpAt(1, 1, 30, 4);
    dumpAt(2, 2, 30, 4);
    dumpAt(3, 1, xnumber, 4);
    dumpAt(4, 1, 30, ynumber);
}
template <int Tilt, bool On>
void plantTilt() {
    plantSurfaceSlope(Tilt == 0 ? 0.6 : 0.0, Tilt == 1 ? 0.6 : 0.0);
    if (On) SourDens = 0.01;
}

// F 36 1 with F 18 above 0.001: the gravity of the surface slope,
// 9810 A (dz1 + dz2) c^2 with c the normal's component along the equation,
// leaves the source of the cells inside the last row and column. Tilted
// along y, the u equation sees nothing, so v meets the same coefficients.
TEST_F(WaterSolve2DRun, SurfaceSlopeGravity) {
    struct Row {
        int tilt, eq, i, j;
        bool term;
    };
    void (*const plants[2][2])() = {{&startupThen<plantTilt<0, false>>, &startupThen<plantTilt<0, true>>},
                                    {&startupThen<plantTilt<1, false>>, &startupThen<plantTilt<1, true>>}};
    std::string logs[2][2];
    for (int tilt : {0, 1})
        for (int on : {0, 1}) {
            const ChannelRun run = runChannel(shortChannel(1, plants[tilt][on], 1));
            ASSERT_EQ(run.code, kNoExit);
            logs[tilt][on] = run.log;
        }
    const Row rows[] = {{0, 1, 30, 4, true}, {0, 1, xnumber, 4, false}, {0, 1, 30, ynumber, false},
                        {1, 2, 30, 4, true}, {1, 1, 30, 4, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.tilt << " " << r.eq << " " << r.i << " " << r.j);
        const Dump off = firstDump(logs[r.tilt][0], r.eq, r.i, r.j), on = firstDump(logs[r.tilt][1], r.eq, r.i, r.j);
        const double term = r.term ? 9810.0 * m_armap[r.i][r.j] * (0.5 + 0.25) * 0.6 * 0.6 : 0.0;
        EXPECT_NEAR(off.source - on.source, term, 1e-6 * (std::fabs(on.source) + std::fabs(off.source)));
        EXPECT_EQ(on.ap, off.ap);
    }
}

// A grid change waiting at the first inner iteration renews the geometry
// from the moved levels and copies the plan coordinates into Xc, Yc.
void plantMovedGrid() {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            zval[i][j][znumber] += 0.1;
            for (int k = 1; k <= znumber; ++k) Xc[i][j][k] = Yc[i][j][k] = -1.0;
        }
}
void plantGridChange() {
    plantMovedGrid();
    FlagGridChange = 1;
}

TEST_F(WaterSolve2DRun, GridChangeInsideTheInnerLoop) {
    for (bool change : {false, true}) {
        SCOPED_TRACE(change);
        ASSERT_EQ(runChannel(shortChannel(1, change ? &startupThen<plantGridChange> : &startupThen<plantMovedGrid>)).code, kNoExit);
        EXPECT_EQ(FlagGridChange, 0);
        const int i = 30, j = 4;
        double corners = 0.0;
        for (int a = i - 1; a <= i; ++a)
            for (int b = j - 1; b <= j; ++b) corners += 0.25 * (zval[a][b][znumber] - zval[a][b][1]);
        EXPECT_NEAR(depth(i, j), change ? corners : corners - 0.1, 1e-9);
        int copied = 0, cells = 0;
        for (int a = 1; a <= xnumber; ++a)
            for (int b = 1; b <= ynumber; ++b)
                for (int k = 1; k <= znumber; ++k, ++cells)
                    copied += Xc[a][b][k] == xval[a][b] && Yc[a][b][k] == yval[a][b];
        EXPECT_EQ(copied, change ? cells : 0);
    }
}

// ---------------------------------------------------------------------------
// Result files.
// ---------------------------------------------------------------------------
void plantNeverConverging() { TimeStep = 1e-8; }
void plantCadence(int tfs, long printed) {
    plantNeverConverging();
    FlagTFS = tfs;
    PrintResIter = printed;
}
void plantTfs3At95() { plantCadence(3, 95); }
void plantTfs3At0() { plantCadence(3, 0); }
void plantTfs0At95() { plantCadence(0, 95); }

// With F 36 above 0 the result and grid files are written whenever the pass
// count of the process reaches a multiple of 100 (it runs on across calls);
// the end of the run writes the result once more.
TEST_F(WaterSolve2DRun, HundredPassResults) {
    struct Row {
        const char* name;
        void (*startup)();
        int results;
        bool grid;
    };
    const Row rows[] = {
        {"F 36 3 from pass count 95", &startupThen<plantTfs3At95>, 2, true},
        {"F 36 3 from pass count 0", &startupThen<plantTfs3At0>, 1, false},
        {"F 36 0 from pass count 95", &startupThen<plantTfs0At95>, 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::remove("koordina.new");
        const ChannelRun run = runChannel(shortChannel(12, r.startup));
        ASSERT_EQ(run.code, kNoExit);
        EXPECT_EQ(Iter, 13);
        EXPECT_EQ(count(run.log, "<sprintflow>"), r.results);
        if (r.results == 2) {
            const size_t mark = run.log.find("<sprintflow>");
            EXPECT_LT(run.log.find("Iter: 5, Resid: "), mark);
            EXPECT_GT(run.log.find("Iter: 6, Resid: "), mark);
        }
        EXPECT_EQ(std::filesystem::exists("koordina.new"), r.grid);
    }
}

// The result file of a converged run holds the plane at k = 0 and the
// rebuilt 3-D levels as they stand in the fields.
TEST_F(WaterSolve2DRun, ResultHoldsThePlaneAndTheRebuiltLevels) {
    Channel c = shortChannel(3000);
    c.marked = false;
    ASSERT_TRUE(runChannel(c).converged);
    const std::vector<std::string> lines = readLines("result");
    ASSERT_GT(lines.size(), 5u);
    int checked = 0;
    for (const std::string& line : lines) {
        int i, j, k;
        double v[10];
        if (std::sscanf(line.c_str(), "G %d %d %d %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &i, &j, &k, &v[0], &v[1],
                        &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9]) != 13)
            continue;
        if (!(i == 30 && (j == 2 || j == 4) && (k == 0 || k == 2 || k == znumber))) continue;
        SCOPED_TRACE(line);
        const double want[10] = {xvel[i][j][k], yvel[i][j][k], zvel[i][j][k], kinen[i][j][k], epsilon[i][j][k],
                                 gama[i][j][k], flow1[i][j][k], flow2[i][j][k], flow3[i][j][k], Pres[i][j][k]};
        for (int n = 0; n < 10; ++n) EXPECT_NEAR(v[n], want[n], 1e-8 * std::fabs(want[n]) + 1e-300) << n;
        ++checked;
    }
    EXPECT_EQ(checked, 6);
    // The levels are the rebuilt profile, not copies of the plane.
    EXPECT_LT(xvel[30][4][2], xvel[30][4][0]);
    EXPECT_GT(xvel[30][4][znumber], xvel[30][4][0]);
    EXPECT_GT(flow1[30][4][2], 0.0);
}

// ---------------------------------------------------------------------------
// Probe lines of a transient run read from `timei`.
// ---------------------------------------------------------------------------
// From the converged channel, six transient passes of 10 s with the surface
// moved after each (F 36 2 advances the time there), so the passes begin at
// 0, 10, .. 50 s. The first record (15 to 35 s) probes u in the plane and at
// a rebuilt level; the second (from 40 s) p, t (a letter the plane has
// not: nothing is written for it) and u.
TEST_F(WaterSolve2DRun, ProbeLinesOfATransientRun) {
    Channel c = shortChannel(3000);
    ASSERT_TRUE(runChannel(c).converged);
    ASSERT_TRUE(createTimeLevels());
    writeFile("timei", "P 15 35 2 u 30 4 0 u 30 4 3\nO 40 3 p 12 3 0 t 12 3 0 u 30 4 0\n");
    writeFile("timeo", "left over\n");
    TimeStep = 10.0;
    ASSERT_EQ(ReadTimes(), 0);
    ASSERT_EQ(TimePrintNo, 2);
    TransInnerIter = 30;
    TimeBreakLimit = 1e-3;
    FlagTFS = 2;
    iterGlobalMax = 6;
    WaterSolve2D();
    ASSERT_EQ(FlagErrorBreak, 0);
    ASSERT_EQ(Iter, 7);
    EXPECT_DOUBLE_EQ(stime, 60.0);
    const std::vector<std::string> lines = readLines("timeo");
    ASSERT_EQ(lines.size(), 4u) << readFile("timeo");
    const double times[4] = {20.0, 30.0, 40.0, 50.0};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(lines[n]);
        double t, a = 0.0, b = 0.0, extra;
        const int got = std::sscanf(lines[n].c_str(), "%lf %lf %lf %lf", &t, &a, &b, &extra);
        EXPECT_EQ(t, times[n]);
        if (n < 2) {
            ASSERT_EQ(got, 3);
            EXPECT_NEAR(a, xvel[30][4][0], 1e-5 * xvel[30][4][0]);
            EXPECT_NEAR(b, xvel[30][4][3], 1e-5 * xvel[30][4][3]);
            EXPECT_GT(std::fabs(b / a - 1.0), 1e-3);  // the rebuilt level, not the plane
        } else {
            ASSERT_EQ(got, 3);
            EXPECT_NEAR(a, Pres[12][3][0], 1e-5 * std::fabs(Pres[12][3][0]));
        }
    }
    // The u of the last line exactly: printed at the start of the last pass,
    // right after the time level was kept.
    char u[40];
    std::snprintf(u, sizeof u, " %10.6e \n", xvel_old[30][4][0]);
    EXPECT_EQ(readFile("timeo").substr(readFile("timeo").size() - std::string(u).size()), u);
}

}  // namespace
