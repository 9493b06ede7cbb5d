// Bed load turned down the bed slope and the bed-cell couplings built from
// it: the turn against hand values on a 10 degree transverse slope, the
// upwind couplings of the faces, walls and blocked bed cells, and the same
// transverse transport whichever way the grid is numbered.
#include <cmath>

#include "control/engine.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "morphology/tsc_steps.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "support/grids.h"

using namespace quird_test;

namespace {

const double kTan10 = std::tan(10.0 * M_PI / 180.0);

class BedLoadVector : public sedtest::SedimentTest {
protected:
    void SetUp() override {
        SedimentTest::SetUp();
        BedLoadVectorFlag = 1;  // the bed-load couplings are allocated
        gsize[1] = 0.5e-3;
        density = 2.65;
    }
    // 4 x 4 bed cells of 1 m; the bed falls by tan 10 degrees per metre
    // across the channel: towards +y (`alongI`) or towards +x.
    static void slopedGrid(bool alongI, double tangent = kTan10) {
        SetArraysZero();
        allocateGrid(5, 5, 4);
        fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, (j - 1) * 1.0}; },
                 [alongI, tangent](int i, int j, int k) {
                     const double bed = -tangent * (alongI ? j - 1 : i - 1);
                     return bed + (k - 1) * 0.5;
                 });
        metric();
        std::filesystem::remove("boogie");
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) kblok[i][j] = 1;
        startupFlags();
        // The side walls of the fixture would close the faces of rows 2 and
        // ynumber; open channel faces here.
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) WallJ[i][j][2] = 0;
    }
    static void bedVelocity(double u, double v, double shear) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                xvel[i][j][2] = u;
                yvel[i][j][2] = v;
                bedshear[i][j] = shear;
            }
    }
    static void uniformDiffusivity(double d) { setDiffusivity([d](int, int, int) { return d; }); }
};

// The turn factor f = vt/ut of a velocity along +x, turned towards +y.
TEST_F(BedLoadVector, TurnOnATransverseSlopeAgainstHandValues) {
    const struct {
        int flag;
        double shear, f;
    } cases[] = {
        {1, 1.0, 0.296403},        // theta 0.123560 above the floor
        {3, 1.0, 0.296403},        // theta itself
        {4, 1.0, 0.296403},        // flags above 3 as 3
        {2, 1.0, 0.405227},        // theta 0.0661068
        {1, 0.0, 0.601535},        // no shear: theta 0.03
        {2, 0.0, 0.425349},        // no shear: theta 0.06
        {3, 0.0, 0.0},             // no shear: no turn
        {1, -2.0, 0.601535},       // the mark of no computed shear is no shear
        {2, -2.0, 0.425349},
        {3, -2.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag " << c.flag << " shear " << c.shear);
        BedLoadVectorFlag = c.flag;
        slopedGrid(true);
        bedVelocity(0.8, 0.0, c.shear);
        tscBedLoadCouplings();
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                const double ut = xvel[i][j][1], vt = yvel[i][j][1];
                ASSERT_NEAR(vt / ut, c.f, 1e-6);  // down the slope: towards +y
                ASSERT_NEAR(std::hypot(ut, vt), 0.8, 1e-12);
            }
    }
}

TEST_F(BedLoadVector, TurnDirections) {
    const struct {
        const char* what;
        bool sloped;
        double u, v;
        double ut, vt;  // times the speed
    } cases[] = {
        {"flat bed: no turn", false, 0.3, -0.4, 0.6, -0.8},
        {"flow up the x axis, bed falling to +y: turns left", true, 1.0, 0.0, 0.958770, 0.284183},
        {"flow against x: turns right, still down the slope", true, -1.0, 0.0, -0.958770, 0.284183},
        {"flow down the slope: the positive sign", true, 0.0, 1.0, 0.284183, 0.958770},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slopedGrid(true, c.sloped ? kTan10 : 0.0);
        bedVelocity(c.u, c.v, 1.0);
        tscBedLoadCouplings();
        const double speed = std::hypot(c.u, c.v);
        EXPECT_NEAR(xvel[3][3][1], c.ut * speed, 1e-6);
        EXPECT_NEAR(yvel[3][3][1], c.vt * speed, 1e-6);
    }
}

// Couplings on a flat bed (the turned velocity is the cell's): distinct
// velocities and diffusivities, a face of each flux sign and one of no flux.
TEST_F(BedLoadVector, UpwindCouplingsOfTheFaces) {
    slopedGrid(true, 0.0);
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            xvel[i][j][2] = 0.1 * (i - 3);  // i-faces: 2|3 backwards, 3|4 forwards, 4|5 too
            yvel[i][j][2] = 0.05 * (j == 3 ? -1.0 : 1.0);
            diff[i][j][2] = 0.01 * i + 0.002 * j;
            ae[i][j][2] = 100.0 + i + 0.1 * j;
            aw[i][j][2] = 200.0 + i + 0.1 * j;
            as[i][j][2] = 300.0 + i + 0.1 * j;
            an[i][j][2] = 400.0 + i + 0.1 * j;
            at[1][i][j][2] = 0.7;
        }
    xvel[2][4][2] = 0.1;
    xvel[3][4][2] = -0.1;  // the face 2|3 of row 4 carries no flux
    tscBedLoadCouplings();
    const double A = m_ar_x[3][3][2];  // 1 m wide, 0.5 m high bed cells
    ASSERT_NEAR(A, 0.5, 1e-12);
    auto D = [](int i1, int j1, int i2, int j2) { return 0.5 * (diff[i1][j1][2] + diff[i2][j2][2]) * 0.5 / 1.0; };
    // i-face 3|4 of row 3: F = A (0 + 0.1)/2 > 0 from 3 to 4.
    const double F34 = A * 0.05;
    EXPECT_NEAR(aeb[1][4][3], D(3, 3, 4, 3) + F34, 1e-12);
    EXPECT_NEAR(awb[1][3][3], D(3, 3, 4, 3), 1e-12);
    // i-face 2|3 of row 3: F = A (-0.1 + 0)/2 < 0.
    EXPECT_NEAR(aeb[1][3][3], D(2, 3, 3, 3), 1e-12);
    EXPECT_NEAR(awb[1][2][3], D(2, 3, 3, 3) + A * 0.05, 1e-12);
    // i-face 2|3 of row 4: no flux, D on both sides.
    EXPECT_NEAR(aeb[1][3][4], D(2, 4, 3, 4), 1e-12);
    EXPECT_NEAR(awb[1][2][4], D(2, 4, 3, 4), 1e-12);
    // j-face 2|3 of column 4: v = (0.05 - 0.05)/2 = 0; j-face 3|4: (-0.05 + 0.05)/2;
    // j-face 4|5: 0.05 > 0 from 4 to 5.
    EXPECT_NEAR(asb[1][4][3], D(4, 2, 4, 3), 1e-12);
    EXPECT_NEAR(anb[1][4][2], D(4, 2, 4, 3), 1e-12);
    EXPECT_NEAR(asb[1][4][5], D(4, 4, 4, 5) + A * 0.05, 1e-12);
    EXPECT_NEAR(anb[1][4][4], D(4, 4, 4, 5), 1e-12);
    // The domain's side faces keep the suspended-load couplings.
    for (int j = 2; j <= ynumber; ++j) {
        EXPECT_EQ(aeb[1][2][j], ae[2][j][2]);
        EXPECT_EQ(awb[1][1][j], aw[1][j][2]);
        EXPECT_EQ(awb[1][xnumber][j], aw[xnumber][j][2]);
        EXPECT_EQ(aeb[1][xnumber + 1][j], ae[xnumber + 1][j][2]);
    }
    for (int i = 2; i <= xnumber; ++i) {
        EXPECT_EQ(asb[1][i][2], as[i][2][2]);
        EXPECT_EQ(anb[1][i][1], an[i][1][2]);
        EXPECT_EQ(anb[1][i][ynumber], an[i][ynumber][2]);
        EXPECT_EQ(asb[1][i][ynumber + 1], as[i][ynumber + 1][2]);
    }
    // The centre coefficient: the four couplings and the one upward.
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            EXPECT_NEAR(ap[1][i][j][2], aeb[1][i][j] + awb[1][i][j] + asb[1][i][j] + anb[1][i][j] + 0.7, 1e-12);
}

// A wall on a face and a blocked bed cell: the faces keep the suspended-load
// couplings, the blocked cell its pinning centre coefficient.
TEST_F(BedLoadVector, WallsAndBlockedBedCells) {
    slopedGrid(true, 0.0);
    bedVelocity(0.2, 0.1, 1.0);
    uniformDiffusivity(0.01);
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            ae[i][j][2] = 100.0 + i + 0.1 * j;
            aw[i][j][2] = 200.0 + i + 0.1 * j;
            as[i][j][2] = 300.0 + i + 0.1 * j;
            an[i][j][2] = 400.0 + i + 0.1 * j;
        }
    WallI[2][2][2] = -1;  // wall on the high i-face of cell (2, 2)
    WallJ[3][3][2] = 1;   // wall on the low j-face of cell (3, 3)
    OBlok[4][4][2] = 0;
    ap[1][4][4][2] = 1e25;
    tscBedLoadCouplings();
    EXPECT_EQ(aeb[1][3][2], ae[3][2][2]);
    EXPECT_EQ(awb[1][2][2], aw[2][2][2]);
    EXPECT_EQ(asb[1][3][3], as[3][3][2]);
    EXPECT_EQ(anb[1][3][2], an[3][2][2]);
    // the four faces of the blocked cell
    EXPECT_EQ(aeb[1][4][4], ae[4][4][2]);
    EXPECT_EQ(awb[1][3][4], aw[3][4][2]);
    EXPECT_EQ(awb[1][4][4], aw[4][4][2]);
    EXPECT_EQ(aeb[1][5][4], ae[5][4][2]);
    EXPECT_EQ(asb[1][4][4], as[4][4][2]);
    EXPECT_EQ(anb[1][4][3], an[4][3][2]);
    EXPECT_EQ(anb[1][4][4], an[4][4][2]);
    EXPECT_EQ(asb[1][4][5], as[4][5][2]);
    EXPECT_EQ(ap[1][4][4][2], 1e25);
    // an open face next to them is still upwinded
    EXPECT_LT(aeb[1][4][2], 1.0);
}

// The transport across the channel towards the low bank is the same with
// the channel laid along i as along j.
TEST_F(BedLoadVector, TransverseTransportIndependentOfTheNumbering) {
    slopedGrid(true);
    bedVelocity(0.8, 0.0, 1.0);
    uniformDiffusivity(0.01);
    tscBedLoadCouplings();
    const double alongI = asb[1][3][4] - anb[1][3][3];  // F across the j-face 3|4 towards +y

    slopedGrid(false);
    bedVelocity(0.0, 0.8, 1.0);
    uniformDiffusivity(0.01);
    tscBedLoadCouplings();
    const double alongJ = aeb[1][4][3] - awb[1][3][3];  // F across the i-face 3|4 towards +x

    EXPECT_GT(alongI, 0.0);
    EXPECT_NEAR(alongI, alongJ, 1e-12);
    EXPECT_NEAR(alongI, 0.8 * 0.296403 / std::hypot(1.0, 0.296403) * m_ar_x[3][3][2], 1e-6);
}

}  // namespace
