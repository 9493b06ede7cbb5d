// Initial state of a closed conduit: full cross-sections, uniform velocity,
// diffusivity and bed shear; the restart and surface letters of the run string.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"
#include "grid/grid.h"
#include "grid/startup.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// A rectangular conduit 2 m wide and 1 m high (bed and roof lines as read
// from six numbers per `koordina` line), 5 m long, Manning 50.
class Conduit : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::memset(run, ' ', sizeof run);
        FlagRoof = 0;
        discharge = 1.0;
        boxGrid(6, 5, 5, 1.0, 0.5, 0.25);
        for (int i = 0; i <= 7; ++i) ManArray[i] = 50.0;
    }
    // Friction slope of the 2 m by 1 m conduit at 0.5 m/s, as the cell values take it.
    static double slope() {
        const double v = 0.5 / (std::pow(0.5, 0.6667) * 50.0 + 1e-10);
        return v * v;
    }
};

TEST_F(Conduit, FullSectionsAndUniformFlow) {
    ManArray[3] = 20.0;  // W 5 has no effect in a conduit
    initial_tunnel();
    std::string expected = " In initial - velocity \n\n";
    for (int i = 1; i <= 6; ++i) expected += "i=" + std::to_string(i) + " radius=0.500000 avvvelocity=0.500000 area=2.000000\n";
    expected += "Before calling metric\nAfter calling gridchange/metric\n";
    char line[120];
    for (int i = 6; i >= 1; --i) {
        std::snprintf(line, sizeof line, "i=%d V=0.500000 rad=0.500000 grad=%e\n", i, slope());
        expected += line;
    }
    expected += "After fourth loop\nAfter fifth loop\nEnd of initial\n\n";
    EXPECT_EQ(readFile("boogie"), expected);
    EXPECT_STREQ(mc_message, "Initiation terminated o.k");
    EXPECT_STREQ(mc_program, " Initial - tunnel ");

    const double ustar = std::sqrt(0.5 * slope() * 9.81);
    for (int i = 1; i <= 6; ++i)
        for (int j = 2; j <= 5; ++j) {
            // Q / (A + 1e-10)
            EXPECT_NEAR(xvel[i][j][0], 0.5, 1e-9);
            EXPECT_NEAR(bedshear[i][j], 9810.0 * 0.5 * slope(), 1e-9);
            for (int k = 2; k <= 5; ++k) {
                ASSERT_NEAR(xvel[i][j][k], 0.5, 1e-9) << i << " " << j << " " << k;
                ASSERT_EQ(yvel[i][j][k], 0.0);
                ASSERT_EQ(zvel[i][j][k], 0.0);
                ASSERT_NEAR(diff[i][j][k], 0.11 * 0.5 * ustar, 1e-12);
            }
        }
    EXPECT_EQ(zval[0][3][5], zval[1][3][5]);
    EXPECT_EQ(zval[7][3][5], zval[6][3][5]);
    EXPECT_EQ(m_ar_x[3][3][3], 0.125);  // the geometry is computed
}

// A G 2 rectangle takes its segments out of the area; its columns and the
// ones just upstream of them carry no velocity.
TEST_F(Conduit, BlockedColumns) {
    iblok1 = 3, iblok2 = 4, jblok1 = 2, jblok2 = 3;
    initial_tunnel();
    const std::string log = readFile("boogie");
    EXPECT_NE(log.find("i=1 radius=0.500000 avvvelocity=0.500000 area=2.000000\n"), std::string::npos);
    EXPECT_NE(log.find("i=2 radius=0.250000 avvvelocity=1.000000 area=1.000000\n"), std::string::npos) << log;
    EXPECT_NE(log.find("i=5 radius=0.500000 avvvelocity=0.500000 area=2.000000\n"), std::string::npos);
    EXPECT_EQ(kblok[3][2], 0);
    EXPECT_EQ(kblok[5][2], 1);
    EXPECT_EQ(xvel[2][2][3], 0.0);
    EXPECT_EQ(xvel[3][3][3], 0.0);
    EXPECT_NEAR(xvel[2][4][3], 0.75, 1e-9);
    EXPECT_NEAR(xvel[5][2][3], 0.75, 1e-9);
}

// With R in the run string the restart brings the flow field: the
// cross-section values stay, nothing is set; the start-up then finds no
// inflow to scale and leaves the velocities as they are.
TEST_F(Conduit, RestartLeavesTheFlowFieldToTheRestart) {
    run[3] = 'R';
    initial_tunnel();
    EXPECT_EQ(readFile("boogie").substr(readFile("boogie").size() - 22), "Before calling metric\n");
    EXPECT_NEAR(radius[3], 0.5, 1e-9);
    EXPECT_NEAR(grade[3], 0.25 / (std::pow(0.5, 1.333) * 2500 + 1e-10), 1e-12);
    EXPECT_EQ(xvel[3][3][3], 0.0);
    EXPECT_EQ(diff[3][3][3], 0.0);
    EXPECT_EQ(bedshear[3][3], 0.0);

    MultiBlockInit();
    smetric();
    startup();
    EXPECT_EQ(xvel[1][3][3], 0.0);
    EXPECT_EQ(yvel[1][3][3], 0.0);
    EXPECT_GT(kinen[1][3][3], 0.0);
    EXPECT_EQ(WallK[3][3][5], -1);  // the roof
}

TEST_F(Conduit, RunLetterVDoesNothing) {
    run[0] = 'V';
    IterF2 = 1;
    const double top = zval[3][3][5];
    runTasks = defaultRunTasks();
    runStringLoop();
    EXPECT_FALSE(std::filesystem::exists("boogie"));
    EXPECT_EQ(zval[3][3][5], top);
}

TEST_F(Conduit, UnopenableLogEndsTheRun) {
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(initial_tunnel), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie'");
    EXPECT_EQ(kblok[3][3], 0);  // nothing done
}

// The bed log of an earlier run moves the bed; the cross-sections stay
// those of the grid file.
TEST_F(Conduit, BedLogMovesTheBedOnly) {
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 6; ++j) Surfaces[3][i][j] = -100.0;
    std::string log = "T  600.000000 seconds\n\n";
    char record[80];
    for (int i = 2; i <= 6; ++i)
        for (int j = 2; j <= 5; ++j) {
            std::snprintf(record, sizeof record, "a %4d %4d %9.6lf %5.3lf \n", i, j, 0.1, 1.0);
            log += record;
        }
    writeFile("loggfil.pre", log + "\n\n");
    initial_tunnel();
    EXPECT_NE(readFile("boogie").find("i=3 radius=0.500000 avvvelocity=0.500000 area=2.000000\n"), std::string::npos);
    EXPECT_NEAR(zval[3][3][1], 0.1, 1e-12);
    EXPECT_NEAR(zval[3][3][5], 1.0, 1e-12);
    EXPECT_NEAR(m_ar_x[3][3][3], 0.5 * 0.9 / 4, 1e-12);
}

// Whole runs of a conduit.
std::string conduitGrid() {
    std::string s;
    char line[100];
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 5; ++j) {
            std::snprintf(line, sizeof line, "%d %d %lf %lf %lf %lf\n", i, j, i - 1.0, (j - 1) * 0.5, 0.0, 1.0);
            s += line;
        }
    return s;
}

TEST(ConduitRun, LogsItsFullSections) {
    Case c;
    c.file("control", "G 1 6 5 5 1\nG 3 0 25 50 75 100\nK 2 0 0\nW 1 50 1 1\nF 2 W\n").file("koordina", conduitGrid());
    EXPECT_EQ(c.run(), 1);
    EXPECT_NE(c.boogie().find("i=4 radius=0.500000 avvvelocity=0.500000 area=2.000000\n"), std::string::npos)
        << c.boogie();
}

TEST(ConduitRun, SingleOpeningFailsTheContinuity) {
    Case c;
    c.file("control", "G 1 6 5 5 1\nG 3 0 25 50 75 100\nK 2 0 0\nW 1 50 1 1\nF 2 W\nG 7 0 1 2 5 2 5 0 0 1.0 1 0 0\n")
        .file("koordina", conduitGrid());
    EXPECT_EQ(c.run(), 1);
    EXPECT_NE(c.boogie().find("Error in continuity, IO\nFluxUt = 1000.000000, FluxTot = 0.000000\n"
                              "You must always have at least two G 7 data sets in the control file when using G 7 "
                              "data sets\n"),
              std::string::npos)
        << c.boogie();
}

}  // namespace
