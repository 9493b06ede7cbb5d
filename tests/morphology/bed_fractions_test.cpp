// The three bed-layer fraction routines on the sediment fixtures: how each
// forms the per-size bed change (the bed-cell balance on one block and across
// block joints, the fall velocity and the pick-up), BedMove over the steps,
// and the end of the run on a negative active layer.
#include <cmath>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using quird_test::exitCodeOf;
using quird_test::kNoExit;

namespace {

class BedFractions : public sedtest::SedimentTest {
protected:
    // Distinct values in every cell, so that a wrong neighbour shows.
    static double pattern(double base, int i, int j) { return base * (1.0 + 0.1 * i + 0.013 * j); }

    // Workspace couplings, bed-load couplings and vertical couplings of
    // every column, all different.
    static void couplings() {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                ae[i][j][2] = pattern(1e-3, i, j);
                aw[i][j][2] = pattern(2e-3, i, j);
                an[i][j][2] = pattern(3e-3, i, j);
                as[i][j][2] = pattern(4e-3, i, j);
                for (int l = 1; l <= lnumber; ++l) {
                    if (aeb) {
                        aeb[l][i][j] = pattern(5e-3 * l, i, j);
                        awb[l][i][j] = pattern(6e-3 * l, i, j);
                        anb[l][i][j] = pattern(7e-3 * l, i, j);
                        asb[l][i][j] = pattern(8e-3 * l, i, j);
                    }
                    at[l][i][j][2] = pattern(9e-3 + 1e-3 * l, i, j);
                    ab[l][i][j][3] = pattern(11e-3 + 1e-3 * l, i, j);
                }
            }
    }
    // Concentrations of the bed cell, the cell above and the bed cell at the
    // start of the step; `wave` mixes erosion and deposition over the grid,
    // the sizes of a column going the same way (a size eroding below what the
    // layer holds while the column gains is clipped, and its fractions then
    // no longer add up: see the exchange table).
    static void concentrations(double wave) {
        for (int l = 1; l <= lnumber; ++l)
            for (int i = 0; i <= xnumber + 1; ++i)
                for (int j = 0; j <= ynumber + 1; ++j) {
                    const double c = 1e-3 * (1.0 + wave * std::sin(i + 2.0 * j)) * (1.0 + 0.2 * l);
                    conc[l][i][j][2] = c;
                    conc[l][i][j][3] = 0.6 * c;
                    conc_old[l][i][j][2] = pattern(1e-3, i, j) * (1.0 + 0.2 * l);
                }
    }
    static void layers(double Ta, double Ti) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                bedgrain[0][i][j] = Ta;
                BedGrainOriginal[0][i][j] = Ti;
                for (int l = 1; l <= lnumber; ++l) {
                    bedgrain[l][i][j] = (l == 1 ? 0.3 : 0.7 / (lnumber - 1));
                    BedGrainOriginal[l][i][j] = 1.0 / lnumber;
                }
            }
    }
    static double change(double rate, int i, int j) { return TimeStep * rate / (ConvCoef * m_armap[i][j]); }
    static double storage(int i, int j) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][2] / TimeStep; }
    static bool contains(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
    static std::string logText() { return std::filesystem::exists("boogie") ? log() : std::string(); }
};

// The bed-cell balance of cell (4, 3) of the channel, by hand: with the
// workspace couplings, then with the bed-load couplings of each size.
TEST_F(BedFractions, BalanceOnTheChannel) {
    lnumber = 2;
    FlagTSC = 1;
    BedLoadVectorFlag = 1;
    straightChannel();
    TimeStep = 10.0;
    maxgrain = 0.01;
    couplings();
    concentrations(0.5);
    for (const bool bedLoad : {false, true}) {
        SCOPED_TRACE(bedLoad ? "bed-load couplings" : "workspace couplings");
        BedLoadVectorFlag = bedLoad ? 1 : 0;
        layers(0.01, 0.1);
        morphology_fractions();
        double sum = 0.0;
        for (int l = 1; l <= 2; ++l) {
            auto c = [&](int i, int j) { return conc[l][i][j][2]; };
            auto E = [&](int i, int j) { return bedLoad ? aeb[l][i][j] : ae[i][j][2]; };
            auto W = [&](int i, int j) { return bedLoad ? awb[l][i][j] : aw[i][j][2]; };
            auto N = [&](int i, int j) { return bedLoad ? anb[l][i][j] : an[i][j][2]; };
            auto S = [&](int i, int j) { return bedLoad ? asb[l][i][j] : as[i][j][2]; };
            const double supply = N(4, 3) * c(4, 4) + S(4, 3) * c(4, 2) + W(4, 3) * c(5, 3) + E(4, 3) * c(3, 3) +
                                  at[l][4][3][2] * conc[l][4][3][3];
            const double removal = N(4, 2) + S(4, 4) + E(5, 3) + W(3, 3) + ab[l][4][3][3];
            const double V = 2.0 * 0.5 * 0.05 / TimeStep;  // a 1 m x 0.5 m x 0.1 m bed cell
            const double rate = supply + conc_old[l][4][3][2] * V - (removal + V) * c(4, 3);
            EXPECT_NEAR(bedlevchange[l][4][3], TimeStep * rate / (0.5 * 0.5), 1e-15) << "size " << l;
            sum += bedlevchange[l][4][3];
        }
        EXPECT_GT(std::fabs(sum), 1e-6);
        EXPECT_NEAR(BedMove[4][3], sum, 1e-15);
    }
}

// Across the block joints: the partner cells in the supply and the partner
// couplings in the removal, the outflow of the face before a joint row, and
// no bed-load couplings.
TEST_F(BedFractions, BalanceAcrossBlockJoints) {
    lnumber = 1;
    FlagTSC = 1;
    BedLoadVectorFlag = 1;
    twoBlocks();
    // Joint row 11 of the side block meets host columns 3..5 at j = 2.
    ASSERT_EQ(Pi1MultiBlock[11][3][0], 4);
    ASSERT_EQ(Pi1MultiBlock[11][3][1], 2);
    ASSERT_EQ(Pj1MultiBlock[4][0], 11);
    ASSERT_EQ(Pj1MultiBlock[4][1], 3);
    TimeStep = 5.0;
    maxgrain = 0.01;
    couplings();
    concentrations(0.5);
    layers(0.01, 0.1);
    flow1[10][3][2] = -5.0;  // into cell (10, 3): nothing leaves
    flow1[10][4][2] = 5.0;   // 0.005 m3/s leaves cell (10, 4)
    morphology_fractions();
    auto c = [](int i, int j) { return conc[1][i][j][2]; };
    auto rate = [&](int i, int j, double supply, double removal) {
        const double V = storage(i, j);
        return supply + at[1][i][j][2] * conc[1][i][j][3] + conc_old[1][i][j][2] * V -
               (removal + ab[1][i][j][3] + V) * c(i, j);
    };
    // Joint cell (11, 3): its i-1 neighbour is host cell (4, 2), which
    // draws on it through its as coupling.
    const double joint = rate(11, 3, an[11][3][2] * c(11, 4) + as[11][3][2] * c(11, 2) + aw[11][3][2] * c(12, 3) +
                                         ae[11][3][2] * c(4, 2),
                              an[11][2][2] + as[11][4][2] + ae[12][3][2] + as[4][2][2]);
    EXPECT_NEAR(bedlevchange[1][11][3], change(joint, 11, 3), 1e-15);
    // Host cell (4, 2): its j-1 neighbour is joint cell (11, 3), through its ae.
    const double host = rate(4, 2, an[4][2][2] * c(4, 3) + as[4][2][2] * c(11, 3) + aw[4][2][2] * c(5, 2) +
                                       ae[4][2][2] * c(3, 2),
                             ae[11][3][2] + as[4][3][2] + ae[5][2][2] + aw[3][2][2]);
    EXPECT_NEAR(bedlevchange[1][4][2], change(host, 4, 2), 1e-15);
    // Cells (10, j) before the joint row: max(0, outflow) on the i+1 side.
    for (const auto& [j, outflow] : {std::pair{3, 0.0}, std::pair{4, 0.005}}) {
        const double before = rate(10, j, an[10][j][2] * c(10, j + 1) + as[10][j][2] * c(10, j - 1) +
                                              aw[10][j][2] * c(11, j) + ae[10][j][2] * c(9, j),
                                   an[10][j - 1][2] + as[10][j + 1][2] + outflow + aw[9][j][2]);
        EXPECT_NEAR(bedlevchange[1][10][j], change(before, 10, j), 1e-15) << "j " << j;
    }
}

// Twenty steps on the channel with fixed concentrations: the layers go
// through the cases, every active layer stays a composition, no SumG
// warning. With frozen flow BedMove is the running total, and a column whose
// balance is zero is still cleared.
TEST_F(BedFractions, TwentyStepsOnTheChannel) {
    lnumber = 2;
    FlagTSC = 1;
    straightChannel();
    TimeStep = 10.0;
    maxgrain = 0.01;
    couplings();
    concentrations(0.8);
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) conc_old[1][i][j][2] = conc[1][i][j][2], conc_old[2][i][j][2] = conc[2][i][j][2];
    // Column (6, 3) exchanges nothing: its bed cell holds what balances the supply.
    for (int l = 1; l <= 2; ++l) {
        auto c = [&](int i, int j) { return conc[l][i][j][2]; };
        const double supply = an[6][3][2] * c(6, 4) + as[6][3][2] * c(6, 2) + aw[6][3][2] * c(7, 3) +
                              ae[6][3][2] * c(5, 3) + at[l][6][3][2] * conc[l][6][3][3];
        const double removal = an[6][2][2] + as[6][4][2] + ae[7][3][2] + aw[5][3][2] + ab[l][6][3][3];
        conc[l][6][3][2] = conc_old[l][6][3][2] = supply / removal;
    }
    for (const int hydrostatic : {0, 2}) {
        SCOPED_TRACE(hydrostatic);
        Hydrostatic = hydrostatic;
        std::filesystem::remove("boogie");
        // Thick, thin, short and no inactive layers, full and half active layers.
        layers(0.01, 0.05);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                if (i % 2 == 0) bedgrain[0][i][j] = 0.005;
                BedGrainOriginal[0][i][j] = j == 2 ? 0.0 : j == 3 ? 0.002 : 0.05;
                BedMove[i][j] = 0.3;
            }
        double running[10][6];
        for (auto& row : running)
            for (double& v : row) v = 0.3;
        int exhausted = 0;
        for (int step = 1; step <= 20; ++step) {
            bool bare[10][6];  // nothing left to erode: the layer content cannot change
            for (int i = 2; i <= xnumber; ++i)
                for (int j = 2; j <= ynumber; ++j) bare[i][j] = bedgrain[0][i][j] == 0 && BedGrainOriginal[0][i][j] == 0;
            morphology_fractions();
            for (int i = 2; i <= xnumber; ++i)
                for (int j = 2; j <= ynumber; ++j) {
                    if (bedgrain[0][i][j] > 0) {
                        EXPECT_NEAR(bedgrain[1][i][j] + bedgrain[2][i][j], 1.0, 1e-9) << i << " " << j;
                    }
                    const double sum = bedlevchange[1][i][j] + bedlevchange[2][i][j];
                    const bool none = bare[i][j] || (i == 6 && j == 3);
                    running[i][j] = none ? 0.0 : (hydrostatic == 2 ? running[i][j] : 0.0) + sum;
                    EXPECT_NEAR(BedMove[i][j], running[i][j], 1e-12) << i << " " << j << " step " << step;
                    exhausted += bare[i][j];
                }
        }
        EXPECT_GT(exhausted, 0);
        EXPECT_NEAR(bedlevchange[1][6][3] + bedlevchange[2][6][3], 0.0, 1e-15);
        EXPECT_FALSE(contains(logText(), "Warning, SumG")) << logText();
    }
}

// A negative active layer ends the run with -44; the columns before it keep
// their new layers. Without couplings the whole content of the bed cell at
// the start of the step settles: 2 m_dist_z c_old / ConvCoef.
TEST_F(BedFractions, NegativeActiveLayerEndsTheRun) {
    lnumber = 2;
    FlagTSC = 1;
    straightChannel();
    TimeStep = 10.0;
    maxgrain = 0.01;
    layers(0.01, 0.1);
    for (int l = 1; l <= 2; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) conc_old[l][i][j][2] = 0.005;
    bedgrain[0][5][3] = -0.01;
    EXPECT_EQ(exitCodeOf([] { morphology_fractions(); }), -44);
    // The SumG warning comes first: the slice handed down is thicker than the layer.
    EXPECT_EQ(log(),
              "Warning, SumG = 1.800000 at i,j=5 3\n"
              "Bedmove = 0.002, bedmove = 0.01, InactiveThickness = 0.11\n"
              "Error, negative active bed layer thickness (-0.01) at i,j=5 3\n");
    const double dz = 2.0 * 0.05 * 0.005 / 0.5;
    EXPECT_NEAR(bedlevchange[1][5][2], dz, 1e-15);
    EXPECT_NEAR(BedMove[5][2], 2 * dz, 1e-15);
    EXPECT_NEAR(BedGrainOriginal[0][5][2], 0.1 + 2 * dz, 1e-15);  // D4: the deposit goes below
    EXPECT_EQ(bedgrain[0][5][3], -0.01);
    EXPECT_EQ(bedlevchange[1][5][4], 0.0);  // not reached
    EXPECT_EQ(BedGrainOriginal[0][5][4], 0.1);
}

// From the fall velocity and the pick-up, on one block and on two alike.
TEST_F(BedFractions, FallVelocityOnEveryGrid) {
    for (const bool blocks : {false, true}) {
        SCOPED_TRACE(blocks ? "two blocks" : "channel");
        lnumber = 1;
        FlagTSC = 2;
        if (blocks)
            twoBlocks();
        else
            straightChannel();
        TimeStep = 10.0;
        maxgrain = 0.01;
        fallvelo[1] = 0.01;
        couplings();  // not used
        concentrations(0.5);
        layers(0.01, 0.1);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) BedSource[1][i][j] = pattern(2e-6, i, j);
        morphology2_fractions();
        for (const auto& [i, j] : {std::pair{3, 2}, std::pair{xnumber, ynumber}}) {
            const double rate = conc[1][i][j][2] * m_armap[i][j] * 0.01 - BedSource[1][i][j];
            EXPECT_NEAR(bedlevchange[1][i][j], change(rate, i, j), 1e-15) << i << " " << j;
        }
    }
}

// The moving bottom layer's three rules for the change of a size.
TEST_F(BedFractions, MovingBottomRules) {
    lnumber = 1;
    FlagTSC = 1;
    BedLoadVectorFlag = 1;
    twoBlocks();
    TimeStep = 10.0;
    maxgrain = 0.01;
    fallvelo[1] = 0.01;
    couplings();
    concentrations(0.5);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) BedSource[1][i][j] = pattern(2e-6, i, j);
    const int i = 11, j = 3;  // a joint cell
    auto c = [](int ii, int jj) { return conc[1][ii][jj][2]; };
    const double V = storage(i, j);
    // The workspace balance with the plain neighbours, the joint and the bed-load couplings ignored.
    const double balance = an[i][j][2] * c(i, j + 1) + as[i][j][2] * c(i, j - 1) + aw[i][j][2] * c(i + 1, j) +
                           ae[i][j][2] * c(i - 1, j) + at[1][i][j][2] * conc[1][i][j][3] + conc_old[1][i][j][2] * V -
                           (an[i][j - 1][2] + as[i][j + 1][2] + ae[i + 1][j][2] + aw[i - 1][j][2] + ab[1][i][j][3] + V) *
                               c(i, j);
    const double settling = c(i, j) * m_armap[i][j] * 0.01 - BedSource[1][i][j];
    struct Rule {
        int fracVer, tsc;
        double rate;
    };
    for (const Rule& r : {Rule{2, 2, -BedSource[1][i][j]}, Rule{1, 2, settling}, Rule{1, 1, balance}}) {
        SCOPED_TRACE(testing::Message() << "F 303 " << r.fracVer << ", F 37 " << r.tsc);
        FlagFracVer = r.fracVer;
        FlagTSC = r.tsc;
        layers(0.01, 0.1);
        morphology2_fractions1();
        EXPECT_NEAR(bedlevchange[1][i][j], change(r.rate, i, j), 1e-15);
    }
    // F 303 2 without a pick-up (the driver without the bed-layer equation): nothing changes.
    FlagFracVer = 2;
    for (int ii = 2; ii <= xnumber; ++ii)
        for (int jj = 2; jj <= ynumber; ++jj) BedSource[1][ii][jj] = 0.0;
    layers(0.01, 0.1);
    morphology2_fractions1();
    EXPECT_EQ(bedlevchange[1][i][j], 0.0);
    EXPECT_EQ(bedgrain[0][i][j], 0.01);
    EXPECT_EQ(BedGrainOriginal[0][i][j], 0.1);
}

// A warning due while `boogie` cannot be opened ends the run with -3.
TEST_F(BedFractions, UnopenableLogEndsTheRun) {
    lnumber = 1;
    FlagTSC = 2;
    FlagFracVer = 1;
    stillColumn(4);
    TimeStep = 10.0;
    maxgrain = 0.01;
    layers(0.004, 0.0);
    BedSource[1][2][2] = -1e-4;  // 2 mm of deposit on a column without an inactive layer: SumG 0
    EXPECT_EQ(exitCodeOf([] { morphology2_fractions1(); }), kNoExit);
    EXPECT_TRUE(contains(log(), "Warning, SumG = 0.000000 at i,j=2 2\n")) << log();
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    layers(0.004, 0.0);
    EXPECT_EQ(exitCodeOf([] { morphology2_fractions1(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

}  // namespace
