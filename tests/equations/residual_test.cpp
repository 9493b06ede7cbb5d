// The residual: its loops, fixed-value cells, log lines and failures.
#include <filesystem>
#include <random>

#include "equations/fixture.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"

using namespace eqtest;
using quird_test::exitCodeOf;
using quird_test::kNoExit;
using quird_test::readLines;

namespace {

struct LoopCase {
    const char* name;
    void (*setup)();
    const char* firstLine;  // log line of the large residual of cell (3,3,3)
    size_t lines;           // lines per logged cell
    friend void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }
};

class ResidualLoop : public EquationTest, public ::testing::WithParamInterface<LoopCase> {
protected:
    // An equation in small integers whose exact solution is the integer
    // field f, so that every residual is formed without rounding.
    void exactEquation() {
        makeGrid(7, 5, 6, true);
        GetParam().setup();
        std::mt19937 rng(5);
        std::uniform_int_distribution<int> value(-8, 8), coef(0, 4), centre(1, 30);
        forAll([&](int i, int j, int k) { f[i][j][k] = value(rng); });
        FieldArray<double, 3>* first[] = {&ae, &aw, &as, &an, &wab, &wat};
        FieldArray<double, 3>* second[] = {&aee, &aww, &ass, &ann, &abb, &att};
        const bool p13 = sou[1] == 1;
        forInterior([&](int i, int j, int k) {
            double sum = 0.0;
            for (auto* a : first) (*a)[i][j][k] = coef(rng);
            for (auto* a : second) (*a)[i][j][k] = p13 ? coef(rng) : 1e6;  // ignored by the 7-point loops
            sum += ae[i][j][k] * f[i - 1][j][k] + aw[i][j][k] * f[i + 1][j][k] + as[i][j][k] * f[i][j - 1][k] +
                   an[i][j][k] * f[i][j + 1][k] + wab[i][j][k] * f[i][j][k - 1] + wat[i][j][k] * f[i][j][k + 1];
            if (p13)
                sum += aee[i][j][k] * f[i - 2][j][k] + aww[i][j][k] * f[i + 2][j][k] +
                       ass[i][j][k] * f[i][j - 2][k] + ann[i][j][k] * f[i][j + 2][k] +
                       abb[i][j][k] * f[i][j][k - 2] + att[i][j][k] * f[i][j][k + 2];
            wap[i][j][k] = centre(rng);
            source[i][j][k] = Equation == 4 ? 0.0 : wap[i][j][k] * f[i][j][k] - sum;
        });
        NormResidual[Equation] = 2.0;
    }
};

TEST_P(ResidualLoop, IsZeroAtTheExactSolutionAndSumsTheDefects) {
    exactEquation();
    Residual();
    EXPECT_EQ(MaxResidual[Equation], 0.0);
    EXPECT_TRUE(readLines("boogie").empty());

    source[3][3][3] += 3.0;
    source[xnumber][ynumber][znumber] -= 5.0;
    Residual();
    EXPECT_EQ(MaxResidual[Equation], 4.0);  // (3 + 5) / 2
}

TEST_P(ResidualLoop, SkipsFixedValueCellsExceptForThePressureCorrection) {
    exactEquation();
    pin(4, 2, 3, 0.25);  // the pinned cell does not satisfy its equation with this f
    Residual();
    EXPECT_EQ(MaxResidual[Equation], Equation == 4 ? 0.125e30 : 0.0);
}

TEST_P(ResidualLoop, LogsTheCellsAboveTheLimit) {
    exactEquation();
    Iter = 5000000000L;  // beyond the range of an int
    const int cells = xnumber * ynumber * znumber;
    InputErrorLimit = 2.5 * cells / NormResidual[Equation];  // limit 2.5
    source[3][3][3] += 3.0;
    Residual();
    const auto lines = readLines("boogie");
    ASSERT_EQ(lines.size(), GetParam().lines);
    EXPECT_EQ(lines[0], GetParam().firstLine);
    char expected[200];
    std::snprintf(expected, sizeof expected, "f = %e, source = %e, wap = %e", f[3][3][3], source[3][3][3],
                  wap[3][3][3]);
    EXPECT_EQ(lines[1], expected);
    if (lines.size() == 4) {
        EXPECT_EQ(lines[2], "flow3 = 0.000000e+00, flow2 = 0.000000e+00, flow1 = 0.000000e+00");
        EXPECT_EQ(lines[3], "xvel = 0.000000e+00, yvel = 0.000000e+00, zvel = 0.000000e+00");
    }
}

TEST_P(ResidualLoop, EndsTheRunWhenTheNormaliserIsNotSet) {
    exactEquation();
    NormResidual[Equation] = 0.0;
    EXPECT_EQ(exitCodeOf(Residual), -8);
    EXPECT_EQ(readLines("boogie").back(), "Error residual not set");
}

INSTANTIATE_TEST_SUITE_P(
    Loops, ResidualLoop,
    ::testing::Values(
        LoopCase{"serial_7point", [] {}, "Iter: 5000000000, Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"serial_joint_aware_7point", [] { NoProcessesSolver = -1; },
                 "Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"multiblock_7point_without_joints", [] { MBNo = 1; },
                 "Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"serial_13point", [] { sou[1] = 1; }, "Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"serial_joint_aware_13point", [] { sou[1] = 1, NoProcessesSolver = -1; },
                 "Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"pressure_correction", [] { Equation = 4; }, "Large residual for f(3,3,3,4)", 2},
        LoopCase{"threaded_7point", [] { NoProcessesSolver = 3; },
                 "Iter: 5000000000, Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"threaded_13point", [] { sou[1] = 1, NoProcessesSolver = 4; },
                 "Large residual for f(3,3,3,1) : 3.000000e+00", 4},
        LoopCase{"threaded_pressure_correction_multiblock", [] { Equation = 4, NoProcessesSolver = 2, MBNo = 1; },
                 "Large residual for f(3,3,3,4)", 2}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Threaded sums equal the serial sum up to rounding, with any team size.
// ---------------------------------------------------------------------------
class ResidualThreads : public EquationTest, public ::testing::WithParamInterface<int> {};

TEST_P(ResidualThreads, AgreeWithTheSerialSum) {
    makeGrid(13, 6, 7, true);
    for (int p13 = 0; p13 <= 1; ++p13) {
        for (int eq : {1, 4}) {
            Equation = eq;
            sou[eq] = p13;
            NormResidual[eq] = 3.0;
            randomEquation(3 + p13);
            pin(5, 4, 4, 2.0);
            NoProcessesSolver = 0;
            Residual();
            const double serial = MaxResidual[eq];
            NoProcessesSolver = GetParam();
            Residual();
            EXPECT_NEAR(MaxResidual[eq], serial, 1e-13 * serial) << "equation " << eq << " 13-point " << p13;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Teams, ResidualThreads, ::testing::Values(1, 2, 3, 5, 8, 16));

// ---------------------------------------------------------------------------
// Failures of the workspace routines.
// ---------------------------------------------------------------------------
const SolverCase kLoggingRoutines[] = {
    {"WaterTDMA", [] {}, WaterTDMA},
    {"Residual", [] {}, Residual},
    {"BlockCorrection", [] {}, BlockCorrection},
    {"WaterGaussSOU", [] {}, WaterGaussSOU},
    {"coeffe_SOU", [] {}, coeffe_SOU},
};

class LogFailure : public EquationTest, public ::testing::WithParamInterface<SolverCase> {};

TEST_P(LogFailure, EndsWithMinus3WhenBoogieCannotBeOpened) {
    makeGrid(5, 4, 4, true);
    GetParam().setup();
    randomEquation(1);
    NormResidual[1] = 1.0;
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    const std::vector<double> before = snapshot();
    const std::vector<double> coupling(ae.data(), ae.data() + ae.size());
    EXPECT_EQ(exitCodeOf(GetParam().run), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(std::vector<double>(ae.data(), ae.data() + ae.size()), coupling);
}

INSTANTIATE_TEST_SUITE_P(Routines, LogFailure, ::testing::ValuesIn(kLoggingRoutines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EquationTest, RefusesAnEquationNumberOutsideTheTables) {
    makeGrid(4, 4, 4);
    Equation = kEquationTable;
    EXPECT_EQ(exitCodeOf(Residual), -8);
    EXPECT_EQ(exitCodeOf(WaterTDMA), -8);
    EXPECT_EQ(exitCodeOf(coeffe_flow), -8);
    EXPECT_EQ(readLines("boogie").back(), "Error - unexpected equation number 20 in coeffe_flow");
}

TEST_F(EquationTest, RefusesAFieldSmallerThanTheGrid) {
    makeGrid(4, 4, 4);
    FieldArray<double, 3> small;
    createArray(small, 6, 6, 6);
    f = small;
    EXPECT_EQ(exitCodeOf(WaterGaussSeidel), -8);
    EXPECT_EQ(readLines("boogie").back(), "Error - field f does not cover the grid in WaterGaussSeidel");
}

}  // namespace
