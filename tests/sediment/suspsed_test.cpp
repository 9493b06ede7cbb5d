// The quasi-steady sediment solution on the settling basin and small hand-set
// columns: trap efficiency against the well-mixed and the ideal basin, the
// sediment balance (also under a lid with an upward water flux), when the
// call stops, the cyclic copies, the bed-cell rules, the report lines and
// the choice of the sediment solver.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/bed_balance.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "sediment/suspsed.h"
#include "support/testing.h"

using namespace sedtest;

namespace {

class QuasiSteady : public SedimentTest {
protected:
    static void basin(double w, double K, int fractions = 1) { basinWithSediment(w, K, fractions); }
};

// The last value printed after `key` in the log.
double lastValue(const std::string& log, const std::string& key) {
    const std::size_t at = log.rfind(key);
    if (at == std::string::npos) return NAN;
    return std::atof(log.c_str() + at + key.size());
}

TEST_F(QuasiSteady, SettlingBasinTrapEfficiencyBetweenWellMixedAndIdeal) {
    const double L = 20.0, B = 3.0, Q = 0.3;
    double before = -1.0;
    for (double w : {0.0005, 0.001, 0.002}) {
        const double mixed = 100.0 * (1.0 - std::exp(-w * L * B / Q));
        const double ideal = 100.0 * std::min(1.0, w * L * B / Q);
        struct Run {
            double K, target, tol;
        };
        for (const Run& run : {Run{0.01, mixed, 1.0}, Run{1e-4, ideal, 0.5}}) {
            basin(w, run.K);
            suspsed();
            const std::string log = SedimentTest::log();
            std::printf("w = %g m/s, K = %g m2/s: trapped %.3f %% (well mixed %.3f, ideal %.3f)\n", w, run.K,
                        trapped[1], mixed, ideal);
            EXPECT_NEAR(trapped[1], run.target, run.tol) << "w " << w << " K " << run.K;
            EXPECT_GE(trapped[1], mixed - 1.0);
            EXPECT_LE(trapped[1], ideal + 0.5);
            // Converged: the balance of the last report holds to 1e-6.
            EXPECT_LT(lastValue(log, " Resid: "), 1e-6);
            EXPECT_NE(std::string(mc_message).find("Iter: "), std::string::npos);
            if (run.K == 0.01) {
                EXPECT_GT(trapped[1], before);
                before = trapped[1];
            }
        }
    }
}

// A lid through which water leaves: the mass flux along the basin falls to
// half, the difference rising through the layers and out of the surface.
// The sediment it carries out is the surface flux, and the balance closes.
TEST_F(QuasiSteady, LidWithUpwardWaterFluxKeepsTheBalance) {
    basin(0.001, 0.001);
    const int X = xnumber, Z = znumber, n = Z - 1;
    const double q0 = 300.0;  // kg/s through the inflow face
    auto q = [&](int face) { return q0 * (1.0 - 0.5 * (face - 1) / (X - 1.0)); };
    for (int i = 1; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) flow1[i][2][k] = q(i) / n;
    for (int i = 2; i <= X; ++i)
        for (int k = 1; k <= Z; ++k) flow3[i][2][k] = (q(i - 1) - q(i)) * (k - 1) / n;
    coeffe_setup();
    coeffe_setup2();
    suspsed();
    const std::string log = SedimentTest::log();
    EXPECT_LT(lastValue(log, " Resid: "), 1e-6) << log.substr(log.rfind("Trap efficiency"));
    // Out through the surface: at least the half of the water that leaves there
    // carries a positive share of the sediment.
    const std::size_t line = log.rfind(" l=1: ");
    double T, I1, I2, J1, J2, K;
    ASSERT_EQ(std::sscanf(log.c_str() + line, " l=1: Trapped: %lg, Fluxes (I1,I2,J1,J2,K2): %lg, %lg, %lg, %lg, %lg", &T,
                          &I1, &I2, &J1, &J2, &K),
              6);
    EXPECT_GT(K, 0.0);
    EXPECT_NEAR(I1 - I2 + J1 - J2 - K, T, 1e-5 * I1);
}

}  // namespace

namespace {

// Converged once the residual of a report iteration is below conv_morph:
// the iteration after the first one below reports and ends the call, with
// the status text of the iteration before; no continuity lines.
TEST_F(QuasiSteady, StopsOneReportIterationLateWithoutContinuityLines) {
    basin(0.001, 0.01);
    suspsed();
    const std::string log = SedimentTest::log();
    const std::size_t head = log.rfind("Trap efficiency after ");
    const int last = std::atoi(log.c_str() + head + 22);
    int shown = -1;
    double resid = 1.0;
    ASSERT_EQ(std::sscanf(mc_message, "Iter: %d, resid.: %lf", &shown, &resid), 2) << mc_message;
    EXPECT_EQ(shown, last - 1);
    EXPECT_LT(resid, conv_morph);
    EXPECT_GT(last, 1);
    EXPECT_LT(last, iter_morph - 1);
    EXPECT_EQ(log.find("continuity"), std::string::npos);
    EXPECT_EQ(indexl, lnumber);
}

TEST_F(QuasiSteady, NoOuterIterationsSolveNothing) {
    basin(0.001, 0.01);
    iter_morph = 0;
    conc[1][5][2][5] = 0.25;
    conc[0][5][2][5] = 7.0;
    std::filesystem::remove("boogie");
    suspsed();
    EXPECT_EQ(conc[1][5][2][5], 0.25);
    EXPECT_EQ(conc[0][5][2][5], 7.0);
    EXPECT_FALSE(std::filesystem::exists("boogie"));
    EXPECT_STREQ(mc_message, "In suspended load calculation");
}

// Unconverged in its last outer iteration: the continuity of the free cells
// is checked, cell by cell above 0.001 m3/s and globally.
TEST_F(QuasiSteady, LastIterationChecksContinuity) {
    basin(0.001, 0.01);
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) conc[1][1][j][k] = 0.5;
    iter_morph = 1;
    suspsed();
    const std::string log = SedimentTest::log();
    EXPECT_NE(log.find("Trap efficiency after 0 iter: all values in kg/s\n"), std::string::npos);
    EXPECT_NE(log.find(" Error in continuity, i,j,k,l,conc,defect = "), std::string::npos) << log;
    EXPECT_NE(log.find("Warning, global continuity defect = "), std::string::npos);
}

// conres in the folder: iteration 0 applies no bed-cell rule; the next does.
TEST_F(QuasiSteady, RestartIterationKeepsTheBedCells) {
    for (bool restart : {true, false}) {
        basin(0.001, 0.01);
        if (restart) quird_test::writeFile("conres", "\n");
        iter_morph = 1;
        conv_morph = 0.0;
        conc[1][5][2][2] = 0.5;
        suspsed();
        if (restart)
            EXPECT_EQ(conc[1][5][2][2], 0.5);
        else
            EXPECT_LT(conc[1][5][2][2], 0.45);  // rule A: the neighbour mean
        std::filesystem::remove("conres");
    }
}

// FlagCyclicS: positive, every so many iterations from 1 on; negative, in
// the last iteration for the first -FlagCyclicS fractions only.
TEST_F(QuasiSteady, CyclicCopiesOfTheOutflowPlane) {
    struct Case {
        int flag, iterations;
        bool copied[3];
    };
    for (const Case& c : {Case{3, 3, {false, false, false}}, Case{3, 4, {true, true, true}},
                          Case{-2, 2, {true, true, false}}}) {
        basin(0.001, 0.01, 3);
        FlagCyclicS = c.flag;
        iter_morph = c.iterations;
        conv_morph = 0.0;
        suspsed();
        for (int l = 1; l <= 3; ++l)
            EXPECT_EQ(conc[l][1][2][6] == conc[l][xnumber][2][6], c.copied[l - 1])
                << "flag " << c.flag << " iterations " << c.iterations << " l " << l;
    }
}

// The report lines: per fraction, the sections (numbered from 1; direction 0
// gives 0) and a fraction without inflow.
TEST_F(QuasiSteady, ReportLinesSectionsAndAFractionWithoutInflow) {
    basin(0.001, 0.01, 2);
    inflow[2] = 0.0;
    PrintConcNo = 2;
    PrintConc[0] = {1, xnumber, 2, ynumber, 2, znumber, 0.0};  // the outflow face
    PrintConc[1] = {0, 5, 2, ynumber, 2, znumber, 0.0};
    suspsed();
    const std::string log = SedimentTest::log();
    const std::size_t at = log.rfind("Trap efficiency after ");
    const std::string tail = log.substr(at);
    double T, I1, I2, J1, J2, K2, res;
    ASSERT_EQ(std::sscanf(tail.c_str() + tail.find(" l=2: "),
                          " l=2: Trapped: %lg, Fluxes (I1,I2,J1,J2,K2): %lg, %lg, %lg, %lg, %lg Resid: %lf\n", &T, &I1,
                          &I2, &J1, &J2, &K2, &res),
              7)
        << tail;
    // The outflow face carries what leaves of both fractions.
    EXPECT_NEAR(std::atof(tail.c_str() + tail.find("Flux 1 = ") + 9), outflow[1] + outflow[2], 1e-6);
    EXPECT_NE(tail.find("Flux 2 = 0.000000\n"), std::string::npos) << tail;
    EXPECT_LT(trapped[2], -1e10);
    EXPECT_NEAR(trapped[1], 18.298, 0.01);
}

// On a multi-block grid the surface flux is 0 and no continuity check is
// made; the single-block form of the same field reports both.
TEST_F(QuasiSteady, MultiBlockReportsNoSurfaceFluxNorContinuity) {
    lnumber = 1;
    twoBlocks();
    fallvelo[1] = 0.001;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            flow3[i][j][znumber] = 1000.0;
            for (int k = 2; k <= znumber + 1; ++k) conc[1][i][j][k] = 0.1 * k;
        }
    ae[4][3][4] = 5.0;
    const int blocks = MBNo;
    for (int mb : {blocks, 0}) {
        MBNo = mb;
        std::filesystem::remove("boogie");
        {
            Log log;
            quasi::sedimentBalance(log, {0, true, true});
        }
        const std::string text = SedimentTest::log();
        const bool single = mb == 0;
        EXPECT_EQ(text.find(", 0 Resid: ") != std::string::npos, !single) << text;
        EXPECT_EQ(text.find(" Error in continuity") != std::string::npos, single) << text;
    }
}

// ---------------------------------------------------------------------------
// The bed-cell rules on one column (2, 2) of hand-set couplings: supply
// S = 10 + 2 + 2 + 1 + 1 = 16 (own couplings summing to 3.25: mean 64/13),
// removal coefficient 4 (q = 4), the boundary bed values at most 8.
// ---------------------------------------------------------------------------
struct RuleRow {
    const char* name;
    int b2, b3, b4;
    double relax, c0, share, start;
    bool blocked, noCouplings;
    double bed, shareAfter;
};

void handColumn(const RuleRow& r) {
    lnumber = 1;
    SedimentTest::stillColumn(5);
    auto c = conc[1];
    at[1][2][2][2] = 1.0, an[2][2][2] = 0.5, as[2][2][2] = 0.25, aw[2][2][2] = 0.5, ae[2][2][2] = 1.0;
    if (r.noCouplings) at[1][2][2][2] = an[2][2][2] = as[2][2][2] = aw[2][2][2] = ae[2][2][2] = 0.0;
    an[2][1][2] = 1.0, as[2][3][2] = 1.0, ae[3][2][2] = 1.0, aw[1][2][2] = 0.5, ab[1][2][2][3] = 0.5;
    c[2][2][3] = 10.0, c[2][2][4] = 4.0, c[2][3][2] = 4.0, c[2][1][2] = 8.0, c[3][2][2] = 2.0, c[1][2][2] = 1.0;
    c[2][2][0] = r.c0;
    c[2][2][2] = r.start;
    bedgrain[1][2][2] = r.share;
    OBlok[2][2][2] = r.blocked ? 0 : 1;
    BedFlags[2] = r.b2, BedFlags[3] = r.b3, BedFlags[4] = r.b4;
    relax_morph = r.relax;
}

TEST_F(QuasiSteady, BedCellRulesOnOneColumn) {
    const double mean = 16.0 / 3.25;
    const RuleRow rows[] = {
        {"A: neighbour mean", 0, 0, 0, 0.5, 6.0, 0.5, 1.0, false, false, mean, 0.5},
        {"A: the floor", 0, 0, 0, 0.5, 6.0, 1.0, 1.0, false, false, 6.0, 1.0},
        {"A: no couplings, the floor decides", 0, 0, 0, 0.5, 6.0, 0.5, 1.0, false, true, 3.0, 0.5},
        {"B1: at least the cell above", 1, 0, 0, 0.5, 6.0, 0.5, 1.0, false, false, 10.0, 0.5},
        {"B2, relax 0: raised to the cell above", 2, 0, 0, 0.0, 6.0, 0.5, 1.0, false, false, 10.0, 0.5},
        {"B2, relax 1: extrapolated 2 c3 - c4", 2, 0, 0, 1.0, 6.0, 0.5, 1.0, false, false, 16.0, 0.5},
        {"C1: at most the balance value", 0, 1, 0, 0.5, 6.0, 0.5, 1.0, false, false, 4.0, 0.5},
        {"C2: the balance value below c0", 0, 2, 0, 0.5, 6.0, 0.5, 1.0, false, false, 4.0, 0.5},
        {"C2: a blocked bed cell not set", 0, 2, 0, 0.5, 6.0, 0.5, 1.0, true, false, 1.0, 0.5},
        {"C3: balance value and share", 0, 3, 0, 0.5, 6.0, 0.5, 1.0, false, false, 4.0, 4.0 / 6.0},
        {"C3: no share where c0 is 0", 0, 3, 0, 0.5, 0.0, 0.5, 1.0, false, false, 4.0, 0.5},
        {"C4: never lowered", 0, 4, 0, 0.5, 6.0, 0.5, 1.0, false, false, mean, mean / 6.0},
        {"D: capped by the boundary maximum", 1, 0, 1, 0.5, 6.0, 0.5, 1.0, false, false, 8.0, 0.5},
        {"D, value 2: capped as well", 1, 0, 2, 0.5, 6.0, 0.5, 1.0, false, false, 8.0, 0.5},
    };
    for (const RuleRow& r : rows) {
        handColumn(r);
        quasi::bedCellRules(1, quasi::ruleSetup());
        EXPECT_NEAR(conc[1][2][2][2], r.bed, 1e-12) << r.name;
        EXPECT_NEAR(bedgrain[1][2][2], r.shareAfter, 1e-12) << r.name;
    }
}

// Rule E: the share c/c0 of the solved bed cell, at most 1, none where c0
// vanishes.
TEST_F(QuasiSteady, ActiveShareFromTheBedCell) {
    struct Row {
        double c0, bed, share;
    };
    for (const Row& r : {Row{6.0, 4.5, 0.75}, Row{6.0, 9.0, 1.0}, Row{0.0, 4.5, 0.5}, Row{1e-31, 4.5, 0.5}}) {
        handColumn({"E", 0, 0, 0, 0.5, r.c0, 0.5, r.bed, false, false, 0, 0});
        BedFlags[5] = 1;
        quasi::activeShareRule(1);
        EXPECT_NEAR(bedgrain[1][2][2], r.share, 1e-12) << r.c0 << " " << r.bed;
    }
}

}  // namespace

namespace {

// After each solve, values below 1e-30 (negative ones too) become 0.
TEST_F(QuasiSteady, FlushAfterTheSolve) {
    basin(0.001, 0.01);
    for (int k = 2; k <= znumber; ++k) conc[1][1][2][k] = -1e-4;
    conc[1][xnumber][2][5] = 1e-31;
    iter_morph = 1;
    suspsed();
    double lowest = 1.0;
    forInterior([&](int i, int j, int k) { lowest = std::min(lowest, conc[1][i][j][k]); });
    EXPECT_EQ(lowest, 0.0);
    EXPECT_EQ(conc[0][5][2][5], 0.0);
}

// A log that cannot be opened ends the call with -3.
TEST_F(QuasiSteady, UnopenableLogEndsTheRun) {
    basin(0.001, 0.01);
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(quird_test::exitCodeOf([] { suspsed(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

}  // namespace

namespace {

// Without convergence the report iterations are every 100th and the last.
TEST_F(QuasiSteady, ReportIterationsEveryHundredAndTheLast) {
    basin(0.001, 0.01);
    iter_morph = 250;
    conv_morph = 0.0;
    suspsed();
    const std::string log = SedimentTest::log();
    std::string heads;
    for (std::size_t at = log.find("Trap efficiency after "); at != std::string::npos;
         at = log.find("Trap efficiency after ", at + 1))
        heads += std::to_string(std::atoi(log.c_str() + at + 22)) + " ";
    EXPECT_EQ(heads, "100 200 249 ");
    EXPECT_STREQ(mc_message, "Iter: 249, resid.: 0.000000");
}

// The composition of the restart iteration takes the new shares whole, a
// later one moves half way (method 4: towards min(max(S/(c0 R), 0), 1)).
TEST_F(QuasiSteady, RestartIterationTakesTheCompositionWhole) {
    for (bool restart : {true, false}) {
        basin(0.001, 0.01, 2);
        if (restart) quird_test::writeFile("conres", "\n");
        BedFlags[1] = 4;
        iter_morph = 1;
        forInterior([](int i, int j, int) {
            for (int l = 1; l <= 2; ++l) {
                conc[l][i][j][0] = 1e-5;
                bedgrain[l][i][j] = 0.2;
            }
        });
        suspsed();
        const bedcell::Balance b = bedcell::single(2, 7, 2);
        const double r = std::min(std::max(b.S / (1e-5 * b.R + 1e-20), 0.0), 1.0);
        EXPECT_GT(r, 0.01);
        EXPECT_LT(r, 0.99);
        EXPECT_NEAR(bedgrain[2][7][2], restart ? r : 0.1 + 0.5 * r, 1e-12) << restart;
        std::filesystem::remove("conres");
    }
}

}  // namespace

namespace {

// The solver of the fractions: the line solver with FlagSedimSolver 1 under
// the first-order scheme only; the second-order scheme keeps the point
// solver. The line solver names itself in the status text, the point solver
// leaves it.
TEST_F(QuasiSteady, SolverChoiceOfTheFractions) {
    struct Choice {
        int flag, scheme;
        bool line;
    };
    for (const Choice c : {Choice{0, 0, false}, Choice{1, 0, true}, Choice{0, 1, false}, Choice{1, 1, false}}) {
        SCOPED_TRACE(::testing::Message() << "FlagSedimSolver " << c.flag << ", SedimentScheme " << c.scheme);
        SedimentScheme = c.scheme;  // the coefficients of the scheme
        basin(0.001, 0.01);
        FlagSedimSolver = c.flag;
        iter_morph = 2;
        std::strcpy(mc_program, "earlier");
        EXPECT_EQ(quird_test::exitCodeOf([] { suspsed(); }), quird_test::kNoExit) << mc_message << SedimentTest::log();
        EXPECT_STREQ(mc_program, c.line ? " TDMA sediment solver " : "earlier");
    }
}

// With the line solver the quasi-steady solution settles on the point
// solver's answer: the same trap efficiency and the same field, to the
// convergence tolerance of the balance.
TEST_F(QuasiSteady, LineSolverReachesThePointSolversAnswer) {
    auto solve = [](int flag, std::vector<double>& field) {
        basin(0.001, 0.01);
        FlagSedimSolver = flag;
        suspsed();
        field.clear();
        forInterior([&](int i, int j, int k) { field.push_back(conc[1][i][j][k]); });
        return trapped[1];
    };
    std::vector<double> point, line;
    const double trapPoint = solve(0, point);
    const std::string pointIter = mc_message;
    const double trapLine = solve(1, line);
    ASSERT_STREQ(mc_program, " TDMA sediment solver ");
    double worst = 0.0, largest = 0.0;
    for (std::size_t m = 0; m < point.size(); ++m) {
        worst = std::max(worst, std::fabs(line[m] - point[m]));
        largest = std::max(largest, std::fabs(point[m]));
    }
    std::printf("point solver: %s, trapped %.6f %%; line solver: %s, trapped %.6f %%; field difference %.2e of %.3e\n",
                pointIter.c_str(), trapPoint, mc_message, trapLine, worst, largest);
    // Both stop once the relative mass defect is below conv_morph: the trap
    // efficiency (in per cent) agrees to 100 conv_morph, the field to ten
    // times conv_morph of its largest value.
    EXPECT_GT(largest, 5e-5);
    EXPECT_NEAR(trapLine, trapPoint, 100.0 * conv_morph);
    EXPECT_LE(worst, 10.0 * conv_morph * largest);
}

}  // namespace
