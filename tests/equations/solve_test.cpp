// The solve pipeline: the order of its steps, the block correction once or
// per sweep, the zero start after the residual, the stencil and the 3-D
// solver choice from the control tables.
#include <cmath>
#include <string>

#include "equations/fixture.h"
#include "equations/solve.h"
#include "flow3d/state.h"

using namespace eqtest;
using quird_test::exitCodeOf;

namespace {

// ---------------------------------------------------------------------------
// Order of the steps, with routines that write their letter into a trace:
// R residual (with the value of f(2,2,2) it sees), C correction, S sweep,
// and the stamps' slot numbers.
// ---------------------------------------------------------------------------
struct OrderCase {
    const char* name;
    CorrectionAt at;
    int sweeps;
    Start start;
    const char* trace;
};

class SolveOrder : public EquationTest, public ::testing::WithParamInterface<OrderCase> {};

std::string* traceOut = nullptr;
void stampInto(int slot) { *traceOut += std::to_string(slot); }

TEST_P(SolveOrder, RunsTheStepsInTheirOrder) {
    const OrderCase& c = GetParam();
    makeGrid(4, 4, 4);
    randomEquation(3);
    FieldArray<double, 3>& field = fStorage;
    field[2][2][2] = 7.0;
    std::string trace;
    traceOut = &trace;
    // A sweep with an argument of its own, as a solver of a first level would have.
    const int level = 2;
    auto residual = [&] { trace += "R" + std::to_string(static_cast<int>(f[level][level][level])); };
    auto correction = [&] { trace += "C"; };
    const auto sweep = [&] { trace += "S"; };
    SolvePlan plan;
    plan.residual = residual;
    plan.correction = correction;
    plan.correctionAt = c.at;
    plan.sweep = sweep;
    plan.sweeps = c.sweeps;
    plan.start = c.start;
    plan.mark = stampInto;
    plan.marks = {1, 2, 3, 4};
    solveWorkspace(field, plan);
    traceOut = nullptr;
    EXPECT_EQ(trace, c.trace);
    EXPECT_EQ(f.data(), field.data());
    if (c.start == Start::Zero) {
        forAll([&](int i, int j, int k) { ASSERT_EQ(field[i][j][k], 0.0) << i << "," << j << "," << k; });
    }
}

INSTANTIATE_TEST_SUITE_P(
    Plans, SolveOrder,
    ::testing::Values(OrderCase{"OnceBeforeTheSweeps", CorrectionAt::BeforeSweeps, 3, Start::Current, "1R72C3SSS4"},
                      OrderCase{"OnceAlsoWithoutSweeps", CorrectionAt::BeforeSweeps, 0, Start::Current, "1R72C34"},
                      OrderCase{"BeforeEverySweep", CorrectionAt::EverySweep, 3, Start::Current, "1R723CSCSCS4"},
                      OrderCase{"BeforeTheFirstSweep", CorrectionAt::FirstSweep, 3, Start::Current, "1R723CSSS4"},
                      OrderCase{"FirstSweepNoneWithoutSweeps", CorrectionAt::FirstSweep, 0, Start::Current, "1R7234"},
                      // The residual sees the old field; the sweeps start from 0.
                      OrderCase{"ZeroStartAfterTheResidual", CorrectionAt::EverySweep, 2, Start::Zero, "1R723CSCS4"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The steps of the plan on the workspace itself.
// ---------------------------------------------------------------------------
using SolveSteps = EquationTest;

TEST_F(SolveSteps, PinsBoxesFillsTheInverseCentreAndFloors) {
    makeGrid(5, 4, 4);
    randomEquation(5);
    OutBlockNo = 1;
    OutBlock[1].i1 = OutBlock[1].i2 = 3;
    OutBlock[1].j1 = 2, OutBlock[1].j2 = 3;
    OutBlock[1].k1 = OutBlock[1].k2 = 4;
    const double before = wap[3][2][4], outside = wap[3][4][4];
    forInterior([](int i, int j, int k) { iAp[i][j][k] = -1.0; });
    wap[2][2][2] = 0.0;
    SolvePlan plan;
    plan.pinBlockedBoxes = true;
    plan.inverseCentre = true;
    plan.uncoupledStayZero = true;
    plan.floor = 0.25;
    FieldArray<double, 3>& field = fStorage;
    field[0][0][0] = -1.0;
    field[2][2][2] = -3.0;
    field[4][3][3] = std::nan("");
    solveWorkspace(field, plan);
    EXPECT_EQ(wap[3][2][4], before + 1e30);
    EXPECT_EQ(wap[3][4][4], outside);
    EXPECT_EQ(iAp[3][3][4], 1.0 / wap[3][3][4]);
    EXPECT_EQ(iAp[2][2][2], 0.0);  // uncoupled: 0, not infinity
    EXPECT_EQ(field[2][2][2], 0.25);
    EXPECT_EQ(field[0][0][0], 0.25);  // ghost cells floored too
    EXPECT_EQ(field[4][3][3], 0.25);  // so is a NaN on the grid
}

TEST_F(SolveSteps, SweepsWithoutASolverAreAnInconsistency) {
    makeGrid(4, 4, 4);
    SolvePlan plan;
    plan.sweeps = 1;
    EXPECT_EQ(exitCodeOf([&] { solveWorkspace(fStorage, plan); }), -8);
}

// ---------------------------------------------------------------------------
// Stencil
// ---------------------------------------------------------------------------
struct StencilCase {
    const char* name;
    int equation;
    int sou1, souOwn;  // sou[1] and sou[equation]
    bool secondArrays;
    Stencil expected;
};

class StencilChoice : public EquationTest, public ::testing::WithParamInterface<StencilCase> {};

TEST_P(StencilChoice, FollowsTheSchemeThatAssembledTheEquation) {
    const StencilCase& c = GetParam();
    makeGrid(4, 4, 4, c.secondArrays);
    sou[1] = c.sou1;
    sou[c.equation] = c.souOwn;
    EXPECT_EQ(stencilOf(c.equation), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StencilChoice,
    ::testing::Values(StencilCase{"SecondOrderUpwind", 1, 1, 1, true, Stencil::Thirteen},
                      StencilCase{"Quick", 5, 0, 3, true, Stencil::Thirteen},
                      StencilCase{"CentralIsSevenPoint", 6, 0, 2, true, Stencil::Seven},
                      StencilCase{"OtherValuesArePowerLaw", 5, 0, 4, true, Stencil::Seven},
                      StencilCase{"NoSecondNeighbourArrays", 1, 1, 1, false, Stencil::Seven},
                      StencilCase{"VFollowsU", 2, 1, 0, true, Stencil::Thirteen},
                      StencilCase{"WFollowsU", 3, 0, 1, true, Stencil::Seven},
                      StencilCase{"PressureCorrectionAlwaysSeven", 4, 1, 1, true, Stencil::Seven},
                      StencilCase{"TemperatureAlwaysSeven", 8, 1, 1, true, Stencil::Seven}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SolveSteps, AnEquationOutsideTheTablesIsAnInconsistency) {
    makeGrid(4, 4, 4);
    EXPECT_EQ(exitCodeOf([] { stencilOf(kEquationTable); }), -8);
    EXPECT_EQ(exitCodeOf([] { stencilOf(-1); }), -8);
}

// ---------------------------------------------------------------------------
// 3-D solver choice
// ---------------------------------------------------------------------------
struct ChoiceCase {
    const char* name;
    int equation;
    int mode;         // blockcorr[equation]
    int scheme;       // sou[equation] (and sou[1])
    char lcrayValue;  // K 10
    int threads;      // NoProcessesSolver
    Threads team;
    void (*correction)();  // nullptr: none
    CorrectionAt at;
    void (*sweep)();
};

class SolverChoice : public EquationTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(SolverChoice, FromTheControlTables) {
    const ChoiceCase& c = GetParam();
    makeGrid(4, 4, 4, true);
    blockcorr[c.equation] = c.mode;
    sou[1] = sou[c.equation] = c.scheme;
    lcray = c.lcrayValue;
    NoProcessesSolver = c.threads;
    sweeps[c.equation] = 3;
    // The owners' rule: p' corrects before every sweep, the others once.
    const SolvePlan p =
        gridSolve(c.equation, c.equation == 4 ? CorrectionAt::EverySweep : CorrectionAt::BeforeSweeps, c.team);
    if (c.correction) {
        EXPECT_TRUE(p.correction.is(c.correction));
        EXPECT_EQ(p.correctionAt, c.at);
    } else {
        EXPECT_FALSE(p.correction);
    }
    EXPECT_TRUE(p.sweep.is(c.sweep));
    EXPECT_TRUE(p.residual.is(Residual));
    EXPECT_EQ(p.inverseCentre, c.lcrayValue == 'Y');
    EXPECT_EQ(p.sweeps, 3);
}

constexpr auto kTeam = Threads::Team;
constexpr auto kMain = Threads::MainThread;
constexpr auto kOnce = CorrectionAt::BeforeSweeps;
constexpr auto kEvery = CorrectionAt::EverySweep;
constexpr auto kFirst = CorrectionAt::FirstSweep;

INSTANTIATE_TEST_SUITE_P(
    Table, SolverChoice,
    ::testing::Values(
        ChoiceCase{"NoCorrection", 1, 0, 0, 'Y', 0, kTeam, nullptr, kOnce, WaterGaussSeidel},
        ChoiceCase{"SerialCorrection", 1, 1, 0, 'Y', 0, kTeam, BlockCorrection, kOnce, WaterGaussSeidel},
        ChoiceCase{"LineSolver", 5, 1, 0, 'N', 0, kTeam, BlockCorrection, kOnce, WaterTDMA},
        ChoiceCase{"ThirteenPointSweep", 5, 0, 1, 'N', 0, kTeam, nullptr, kOnce, WaterGaussSOU},
        ChoiceCase{"ThreadedCorrection", 1, 4, 0, 'Y', 2, kTeam, BlockCorrectionOpenMP, kOnce, WaterGaussSeidel},
        ChoiceCase{"ThreadedCorrectionWithoutThreads", 1, 4, 0, 'Y', 0, kTeam, nullptr, kOnce, WaterGaussSeidel},
        ChoiceCase{"ThreadedCorrectionOnTheMainThread", 5, 4, 0, 'Y', 2, kMain, nullptr, kOnce, WaterGaussSeidel},
        ChoiceCase{"DirectionModesOnlyForPressure", 1, 6, 0, 'Y', 0, kTeam, nullptr, kOnce, WaterGaussSeidel},
        ChoiceCase{"PressureEverySweep", 4, 1, 0, 'N', 0, kTeam, BlockCorrection, kEvery, WaterTDMA},
        ChoiceCase{"PressureThreadedEverySweep", 4, 4, 0, 'Y', 3, kTeam, BlockCorrectionOpenMP, kEvery,
                   WaterGaussSeidel},
        ChoiceCase{"PressureDirectionModeFirstSweep", 4, 7, 0, 'Y', 0, kTeam, BlockCorrection, kFirst,
                   WaterGaussSeidel},
        ChoiceCase{"PressureNeverThirteenPoint", 4, 0, 1, 'Y', 0, kTeam, nullptr, kEvery, WaterGaussSeidel},
        ChoiceCase{"EpsilonCorrectedUnderCentral", 6, 1, 2, 'Y', 0, kTeam, BlockCorrection, kOnce,
                   WaterGaussSeidel},
        ChoiceCase{"EpsilonNotCorrectedUnderSecondOrder", 6, 1, 1, 'Y', 0, kTeam, nullptr, kOnce, WaterGaussSOU},
        ChoiceCase{"EpsilonNotCorrectedUnderOtherValues", 6, 1, 4, 'Y', 0, kTeam, nullptr, kOnce, WaterGaussSeidel}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
