// The force report sumforce on hand-set fields of small channels.
#include <cmath>
#include <string>
#include <vector>

#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "output/output.h"
#include "sediment/state.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class SumForce : public EngineTest {
protected:
    // A flat channel of 4 x 3 columns of 1 m2, cells 0.5 m high, u = 1,
    // k = 0.01 (3 Pa), pressure 100 at section 2, 50 at section 5, 75
    // between; sediment 0.01 of density 2.65 with flow1 = 2.
    static void channel(double u = 1.0, double flux = 2.0) {
        resetEngine();
        sqcmyrho = 300.0;
        boxGrid(5, 4, 3, 1.0, 1.0, 0.5);
        metric();
        for (int i = 0; i <= 6; ++i)
            for (int j = 0; j <= 5; ++j)
                for (int k = 0; k <= 4; ++k) {
                    xvel[i][j][k] = u;
                    kinen[i][j][k] = 0.01;
                    Pres[i][j][k] = i == 2 ? 100.0 : i == 5 ? 50.0 : 75.0;
                    conc[1][i][j][k] = 0.01;
                    flow1[i][j][k] = flux;
                }
    }
    static std::vector<std::string> report() {
        FlagInterpolVal = 20;
        EXPECT_EQ(exitCodeOf(sprintflow), kNoExit) << readFile("boogie");
        EXPECT_STREQ(mc_message, "have written 'sumforce' file  ");
        return readLines("sumforce");
    }
};

TEST_F(SumForce, GoldenFileWithoutSideWallOption) {
    channel();
    const std::string line = " 3 -0 1.000000 0.00021179 0.106";
    EXPECT_EQ(report(),
              (std::vector<std::string>{
                  "Area of the bed: 12.000000 m2", "Area of the upstream cross-section: 3.000000 m2",
                  "Forces in Newton, assuming orthogonal grid and flow in x-direction",
                  "Pressure: upstream: 300.000000 N, downstream: 150.000000 N",
                  "Momentum: upstream: 3000.000000 N, downstream: 3000.000000 N, Sum: 150.000000 N",
                  "Side wall shear force, wall j=2: 12.000000 N",
                  "Bedshear-force: 36.000000 N, Pressure force on dunes: 0.000000 0.000000 N",
                  "Average stresses (Pa): bed shear, pressure force, total 3.000000 0.000000 12.500000",
                  "Maximum bed shear stress at any one bed cell: 3.000000 Pa",
                  "Sediment discharge (kg/s/m), Average: 0.106000, Max: 0.106000",
                  "Longitudinal profile at cell j=3, X-value, Bedlevel, Waterlevel, Shearforce (Pa), Pressureforce "
                  "(Pa), Velocity (m/s), LamThick (m), Qs",
                  "0.500000 0.000000 1.000000" + line, "1.500000 0.000000 1.000000" + line,
                  "2.500000 0.000000 1.000000" + line, "3.500000 0.000000 1.000000" + line}));
}

// The rows by the side-wall option: 1 and the undefined 3 to 5 sum rows
// 2..4 without the side-wall line, 2 sums and profiles row 4 alone while its
// side-wall line still sums row 2.
TEST_F(SumForce, RowsBySideWallOption) {
    struct Case {
        int flagWall;
        const char* upstream;
        const char* sideWall;  // nullptr: no such line
        const char* bed;
        int row;
    };
    const Case cases[] = {
        {1, "Area of the upstream cross-section: 3.000000 m2", nullptr, "Area of the bed: 12.000000 m2", 3},
        {3, "Area of the upstream cross-section: 3.000000 m2", nullptr, "Area of the bed: 12.000000 m2", 3},
        {5, "Area of the upstream cross-section: 3.000000 m2", nullptr, "Area of the bed: 12.000000 m2", 3},
        {2, "Area of the upstream cross-section: 1.000000 m2", "Side wall shear force, wall j=2: 12.000000 N",
         "Area of the bed: 4.000000 m2", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flagWall);
        channel();
        FlagWall = c.flagWall;
        const auto lines = report();
        EXPECT_EQ(lines[0], c.bed);
        EXPECT_EQ(lines[1], c.upstream);
        EXPECT_EQ(lines[5] == (c.sideWall ? c.sideWall : ""), c.sideWall != nullptr) << lines[5];
        EXPECT_EQ(lines.size(), c.sideWall ? 15u : 14u);
        EXPECT_EQ(lines[lines.size() - 5].rfind("Longitudinal profile at cell j=" + std::to_string(c.row) + ",", 0), 0u);
    }
}

// Still water: no momentum, Sum = P_up - P_down; every q_i negative: Max 0;
// k = 0 at a bed cell: an infinite sublayer thickness.
TEST_F(SumForce, StillWaterNegativeDischargeAndNoTurbulence) {
    channel(0.0, -2.0);
    for (int i = 2; i <= 5; ++i) kinen[i][3][2] = 0.0;
    const auto lines = report();
    EXPECT_EQ(lines[4], "Momentum: upstream: 0.000000 N, downstream: 0.000000 N, Sum: 150.000000 N");
    EXPECT_EQ(lines[9], "Sediment discharge (kg/s/m), Average: -0.106000, Max: 0.000000");
    EXPECT_EQ(lines[11], "0.500000 0.000000 1.000000 0 -0 0.000000 inf -0.106");
}

// The roughness layer, ks = 1.2 m (ParamBrelk 0.5), one column (2,2) with
// ks = 0.1 whose first cell centre lies above it. k grows upwards 0.01,
// 0.02, 0.04 (3, 6, 12 Pa). Drag of the cells k = 2 and 3 of a 1.2 m column:
// 82.465278 and 39.0625 N with 11 and 13; 12 halves the layer and stops at k = 3.
TEST_F(SumForce, RoughnessLayerForces) {
    struct Case {
        int flag;
        const char* line;
        const char* profile;
    };
    const Case cases[] = {
        {11, "Brelk-bedshear forces: Max. kinen: 39.000000 N, Drag: 117.187500 N",
         "1.500000 0.000000 1.500000 3 12 4.5 39.0625 -0 1.000000 0.00021179 0"},
        {12, "Brelk-bedshear forces: Max. kinen: 21.000000 N, Drag: 0.000000 N",
         "1.500000 0.000000 1.500000 3 6 3 0 -0 1.000000 0.00021179 0"},
        {13, "Brelk-bedshear forces: Max. kinen: 39.000000 N, Drag: 364.583333 N",
         "1.500000 0.000000 1.500000 3 12 4.5 121.528 -0 1.000000 0.00021179 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flag);
        resetEngine();
        sqcmyrho = 300.0;
        boxGrid(3, 3, 4, 1.0, 1.0, 0.5);
        metric();
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j) {
                Xks[i][j] = i == 2 && j == 2 ? 0.1 : 1.2;
                for (int k = 0; k <= 5; ++k) {
                    xvel[i][j][k] = 1.0;
                    kinen[i][j][k] = k <= 2 ? 0.01 : k == 3 ? 0.02 : 0.04;
                }
            }
        FlagBrelk = c.flag;
        ParamBrelk = 0.5;
        const auto lines = report();
        EXPECT_EQ(lines[7], c.line);
        EXPECT_EQ(lines[11], "Longitudinal profile at cell j=2:");
        ASSERT_EQ(lines.size(), 15u);
        EXPECT_EQ(lines[14], c.profile);
    }
}

TEST_F(SumForce, FileThatCannotBeOpenedEndsTheRun) {
    channel();
    std::filesystem::create_directory("sumforce");
    FlagInterpolVal = 20;
    EXPECT_EQ(exitCodeOf(sprintflow), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'sumforce' ");
}

}  // namespace
