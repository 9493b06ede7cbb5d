// The sediment continuity account of the transient morphology steps on the
// straight channel with hand-set fields: every number of the report against
// hand sums, the report steps, a fresh account per call, the end lines and
// the bed-fraction file.
#include <filesystem>
#include <string>
#include <vector>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "morphology/tsc_steps.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

class SedimentAccount : public sedtest::SedimentTest {
protected:
    // 8 x 4 x 6 cells of 0.05 m3, 25 kg/s of water through every end face
    // cell (24 of them), two fractions, time step 2 s, the bed column
    // (5, 3) blocked: 191 open cells (9.55 m3), 15.5 m2 of open bed.
    void SetUp() override {
        SedimentTest::SetUp();
        lnumber = 2;
        TimeStep = 2.0;
        straightChannel(0.5);
        OBlok[5][3][2] = 0;
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                for (int k = 0; k <= znumber + 1; ++k) {
                    conc[1][i][j][k] = i == 1 ? 0.01 : 0.002;
                    conc[2][i][j][k] = i == 1 ? 0.005 : 0.001;
                }
                bedgrain[0][i][j] = 0.1;
                bedgrain[1][i][j] = 0.6;
                bedgrain[2][i][j] = 0.4;
                BedGrainOriginal[0][i][j] = 0.5;
                BedGrainOriginal[1][i][j] = 0.3;
                BedGrainOriginal[2][i][j] = 0.7;
            }
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) Surfaces[0][i][j] = zval[i][j][0];
    }
    // What a step changed: the suspension doubled, the active layer 2 cm
    // thicker, the inactive one 2 cm thinner, 1 mm of bed asked for and
    // 2 mm moved.
    static void stepChanges() {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                for (int k = 2; k <= znumber; ++k) {
                    conc[1][i][j][k] = 0.004;
                    conc[2][i][j][k] = 0.002;
                }
                bedgrain[0][i][j] = 0.12;
                BedGrainOriginal[0][i][j] = 0.48;
                bedlevchange[0][i][j] = 0.001;
            }
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) zval[i][j][0] += 0.002;
    }
    // Three sections: the low i-face of plane 4 (rows 2..3, level 2), with
    // 40 and 25 kg/s; the low j-face of row 3 (columns 2..4, level 3) with
    // 10 kg/s each; a record of direction 0.
    static void sections() {
        PrintConcNo = 3;
        PrintConc[0] = {-1, 4, 2, 3, 2, 2, 0.0};
        PrintConc[1] = {-2, 3, 2, 4, 3, 3, 0.0};
        PrintConc[2] = {0, 3, 2, 3, 2, 3, 0.0};
        flow1[3][2][2] = 40.0;
        for (int i = 2; i <= 4; ++i) flow2[i][2][3] = 10.0;
    }
    static void step(long long n, double time, int print) {
        global_iter = n;
        stime = time;
        FlagPrint = print;
        tscAccountStep();
    }
};

const std::vector<std::string> kSectionLines = {"Flux 1 = 1.033500", "Flux 2 = 0.477000", "Flux 3 = 0.000000"};

std::vector<std::string> report(const char* time, const char* header, const char* dt, const char* sum,
                                const char* size1, const char* size2) {
    std::vector<std::string> lines = {time,
                                      header,
                                      dt,
                                      sum,
                                      "Grain size breakdown: (m3, no water)",
                                      "Size: Inflow  Outflow  LayerActive  LayerInac. Suspended  Defect",
                                      size1,
                                      size2};
    lines.insert(lines.end(), kSectionLines.begin(), kSectionLines.end());
    return lines;
}

TEST_F(SedimentAccount, ReportAgainstHandSums) {
    sections();
    tscSteps = 3;
    tscAccountReset();
    tscAccountStart();
    stepChanges();
    step(0, 2.0, 0);  // reported
    step(1, 4.0, 1);  // not reported
    step(2, 6.0, 1);  // the last step: reported
    std::vector<std::string> expected = report(
        "Time: 2.000000 seconds",
        "0 Sedim. continuity: In, Out, SuspCh, Bedch., Bedmove, ContDef., MoveDef: (m3, incl. water)",
        "Dt:   3.600000e-02 1.440000e-02 5.730000e-02 1.550000e-02 3.100000e-02 5.120000e-02 -1.550000e-02",
        "Sum: 3.600000e-02 1.440000e-02 1.146000e-01 1.550000e-02 3.100000e-02 5.120000e-02 -1.550000e-02",
        "1  1.200000e-02 4.800000e-03 9.300000e-02 -4.650000e-02 3.820000e-02 -5.840000e-02",
        "2  6.000000e-03 2.400000e-03 6.200000e-02 -1.085000e-01 1.910000e-02 4.055000e-02");
    const std::vector<std::string> last = report(
        "Time: 6.000000 seconds",
        "2 Sedim. continuity: In, Out, SuspCh, Bedch., Bedmove, ContDef., MoveDef: (m3, incl. water)",
        "Dt:   3.600000e-02 1.440000e-02 0.000000e+00 1.550000e-02 0.000000e+00 -6.100000e-03 1.550000e-02",
        "Sum: 1.080000e-01 4.320000e-02 1.146000e-01 4.650000e-02 3.100000e-02 3.900000e-02 1.550000e-02",
        "1  3.600000e-02 1.440000e-02 9.300000e-02 -4.650000e-02 3.820000e-02 -4.400000e-02",
        "2  1.800000e-02 7.200000e-03 6.200000e-02 -1.085000e-01 1.910000e-02 4.775000e-02");
    expected.insert(expected.end(), last.begin(), last.end());
    EXPECT_EQ(readLines("boogie"), expected);
}

// A second call starts a fresh account; a run of one step reports once,
// its Dt and Sum rows alike in the first columns.
TEST_F(SedimentAccount, FreshAccountAndOneStepRun) {
    tscSteps = 2;
    tscAccountReset();
    tscAccountStart();
    stepChanges();
    step(0, 2.0, 1);
    step(1, 4.0, 1);
    std::filesystem::remove("boogie");

    tscSteps = 1;
    tscAccountReset();
    tscAccountStart();
    step(0, 2.0, 1);
    const std::vector<std::string> lines = readLines("boogie");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1].substr(0, 22), "0 Sedim. continuity: I");
    EXPECT_EQ(lines[2], "Dt:   3.600000e-02 1.440000e-02 0.000000e+00 1.550000e-02 3.100000e-02 -6.100000e-03 "
                        "-1.550000e-02");
    EXPECT_EQ(lines[3], "Sum: 3.600000e-02 1.440000e-02 1.146000e-01 1.550000e-02 3.100000e-02 -6.100000e-03 "
                        "-1.550000e-02");
    EXPECT_EQ(lines[6], "1  1.200000e-02 4.800000e-03 0.000000e+00 0.000000e+00 3.820000e-02 7.200000e-03");
}

TEST_F(SedimentAccount, EndLines) {
    BedMove[3][2] = 2e-5;
    BedMove[4][3] = 1e-5;  // not above the threshold
    BedMove[5][3] = 0.5;   // the blocked column is logged and counted
    BedMove[5][4] = -3e-5;
    stime = 12.5;
    {
        Log log;
        tscEndBedMoves(log);
        log.printf("Have written conres.t file \n");
        tscEndTotalChange(log);
    }
    const std::vector<std::string> expected = {
        "BedMove(3,2) = 2.000000e-05 meters",  "BedMove(5,3) = 5.000000e-01 meters",
        "BedMove(5,4) = -3.000000e-05 meters", "Time: 12.500000 seconds",
        "Have written conres.t file ",         "Total change in bed levels: 2.500000e-01 qubic meters",
    };
    EXPECT_EQ(readLines("boogie"), expected);
}

TEST_F(SedimentAccount, BedFractionFileAlongTheMiddleRow) {
    lnumber = 1;
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            BedGrainOriginal[0][i][j] = j == 3 ? 0.1 * i : 9.0;
            BedGrainOriginal[1][i][j] = j == 3 ? 0.25 : 9.0;
        }
    tscBedFracFile();
    const std::vector<std::string> lines = readLines("bedfrac.new");
    ASSERT_EQ(lines.size(), static_cast<size_t>(xnumber - 1));
    EXPECT_EQ(lines.front(), "2 1.000000 0.200000 0.250000");
    EXPECT_EQ(lines.back(), "9 8.000000 0.900000 0.250000");

    std::filesystem::remove("bedfrac.new");
    std::filesystem::create_directory("bedfrac.new");
    EXPECT_EQ(exitCodeOf([] { tscBedFracFile(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'bedfrac.new' ");
}

}  // namespace
