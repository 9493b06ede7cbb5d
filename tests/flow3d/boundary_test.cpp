// Boundary values of the domain faces on a small box grid (5 x 4 x 4 grid
// lines, cells 1 m by 0.5 m by 0.25 m): openings on every side, the
// direction filter, roof openings, the discharge series, the default inlet
// and outlet, the top layer, frictionless side walls and the cyclic copies.
#include <cmath>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "flow3d/flow_fixture.h"
#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"

using namespace quird_test;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Vec {
    double x, y, z;
};

// The whole face of a side as an opening.
IORecord wholeFace(int type, int side, int update, double flux) {
    IORecord r{};
    r.type = type;
    r.side = side;
    r.a1 = 2;
    r.b1 = 2;
    switch (std::abs(side)) {
    case 1: r.a2 = ynumber; r.b2 = znumber; break;
    case 2: r.a2 = xnumber; r.b2 = znumber; break;
    default: r.a2 = xnumber; r.b2 = ynumber; break;
    }
    r.update = update;
    r.flux = flux;
    return r;
}

// Boundary cell of opening cell (a, b), its face area and normal.
struct FaceCell {
    int i, j, k;
    double area;
    Vec n;
};

FaceCell faceCell(int side, int a, int b) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    switch (side) {
    case 1: return {1, a, b, m_ar_x[1][a][b], {m_vec_x[1][a][0], m_vec_x[1][a][1], 0}};
    case -1: return {X + 1, a, b, m_ar_x[X][a][b], {m_vec_x[X][a][0], m_vec_x[X][a][1], 0}};
    case 2: return {a, 1, b, m_ar_y[a][1][b], {m_vec_y[a][1][0], m_vec_y[a][1][1], 0}};
    case -2: return {a, Y + 1, b, m_ar_y[a][Y][b], {m_vec_y[a][Y][0], m_vec_y[a][Y][1], 0}};
    case 3: return {a, b, 1, m_ar_z[a][b][1], {m_vec_z[a][b][1][0], m_vec_z[a][b][1][1], m_vec_z[a][b][1][2]}};
    default: return {a, b, Z + 1, m_ar_z[a][b][Z], {m_vec_z[a][b][Z][0], m_vec_z[a][b][Z][1], m_vec_z[a][b][Z][2]}};
    }
}

template <class Visit>
void forEachCell(const IORecord& r, Visit visit) {
    for (int a = r.a1; a <= r.a2; ++a)
        for (int b = r.b1; b <= r.b2; ++b) visit(faceCell(r.side, a, b));
}

// Discharge through the face of an opening (positive along the face normal);
// the horizontal velocity for sides +-1, +-2, all three components for +-3.
double faceDischarge(const IORecord& r) {
    double q = 0.0;
    forEachCell(r, [&](const FaceCell& c) {
        q += c.area * (xvel[c.i][c.j][c.k] * c.n.x + yvel[c.i][c.j][c.k] * c.n.y +
                       (std::abs(r.side) == 3 ? zvel[c.i][c.j][c.k] * c.n.z : 0.0));
    });
    return q;
}

// Every cell, ghosts included, moves with velocity v.
void uniformVelocity(Vec v) {
    for (int i = 0; i <= xnumber + 2; ++i)
        for (int j = 0; j <= ynumber + 2; ++j)
            for (int k = 0; k <= znumber + 2; ++k) {
                xvel[i][j][k] = v.x;
                yvel[i][j][k] = v.y;
                zvel[i][j][k] = v.z;
            }
}

Vec axis(int side, double length) {
    switch (std::abs(side)) {
    case 1: return {length, 0, 0};
    case 2: return {0, length, 0};
    default: return {0, 0, length};
    }
}

// ---------------------------------------------------------------------------
// Openings.
// ---------------------------------------------------------------------------

// One opening per side, type and update. A processed opening ends with its
// discharge through its face; the others keep their velocities.
TEST_F(FlowTest, OpeningsCarryTheirDischargeOnEverySide) {
    box();
    for (int side : {1, -1, 2, -2, 3, -3})
        for (int type : {0, 1})
            for (int update : {0, 1, 2}) {
                SCOPED_TRACE("side " + std::to_string(side) + " type " + std::to_string(type) + " update " +
                             std::to_string(update));
                FlagRoof = 0;  // no surface treatment of the top layer
                IONo = 1;
                IO[1] = wholeFace(type, side, update, 0.3);
                // Along the face normal, into the domain for an inflow, out of it for an outflow.
                const bool enters = type == 0;
                const double sense = (side > 0) == enters ? 1.0 : -1.0;
                const Vec inner = axis(side, 0.6 * sense);
                uniformVelocity({inner.x + (std::abs(side) == 1 ? 0 : 0.2), inner.y, inner.z + 0.1});
                forEachCell(IO[1], [&](const FaceCell& c) {
                    const Vec own = axis(side, 0.4 * sense);
                    xvel[c.i][c.j][c.k] = own.x;
                    yvel[c.i][c.j][c.k] = own.y;
                    zvel[c.i][c.j][c.k] = own.z;
                });
                boundary();
                const bool processed = update == 2 || (update == 1 && type == 1);
                if (!processed) {
                    const FaceCell c = faceCell(side, 2, 2);
                    const Vec own = axis(side, 0.4 * sense);
                    EXPECT_EQ(xvel[c.i][c.j][c.k], own.x);
                    EXPECT_EQ(yvel[c.i][c.j][c.k], own.y);
                    EXPECT_EQ(zvel[c.i][c.j][c.k], own.z);
                } else {
                    EXPECT_NEAR(faceDischarge(IO[1]), 0.3 * sense, 1e-12);
                    // At the i- and j-faces w is taken over from the interior, not scaled.
                    const FaceCell c = faceCell(side, 3, 3);
                    if (std::abs(side) != 3) {
                        EXPECT_EQ(zvel[c.i][c.j][c.k], 0.1);
                    }
                }
            }
}

// Cells whose flow points against the opening's direction are zeroed, and
// the rest carries the discharge; at the top with update 2 they keep their
// relaxed velocity (scaled with the rest) and add nothing.
TEST_F(FlowTest, DirectionFilterZeroesCellsFlowingTheWrongWay) {
    box();
    for (int side : {-1, -3}) {
        SCOPED_TRACE(side);
        FlagRoof = 0;
        IONo = 1;
        IO[1] = wholeFace(1, side, 2, 0.3);  // outflow
        const Vec out = axis(side, 1.0);
        uniformVelocity(out);
        // One cell flows back into the domain.
        const FaceCell wrong = faceCell(side, 3, 3);
        const int ii = side == -1 ? xnumber : wrong.i, kk = side == -3 ? znumber : wrong.k;
        xvel[ii][wrong.j][kk] = -out.x;
        zvel[ii][wrong.j][kk] = -out.z;
        xvel[wrong.i][wrong.j][wrong.k] = -out.x;
        zvel[wrong.i][wrong.j][wrong.k] = -out.z;
        boundary();
        double kept = 0.0;
        int cells = 0;
        forEachCell(IO[1], [&](const FaceCell& c) {
            if (c.i == wrong.i && c.j == wrong.j && c.k == wrong.k) return;
            kept += c.area * (xvel[c.i][c.j][c.k] * c.n.x + zvel[c.i][c.j][c.k] * c.n.z);
            ++cells;
        });
        EXPECT_NEAR(kept, 0.3, 1e-12);
        if (side == -1) {
            EXPECT_EQ(xvel[wrong.i][wrong.j][wrong.k], 0.0);
        } else {
            // Relaxed to -1, then scaled like the kept cells (their relaxed 1).
            const FaceCell c = faceCell(side, 2, 2);
            EXPECT_NEAR(zvel[wrong.i][wrong.j][wrong.k], -zvel[c.i][c.j][c.k], 1e-15);
            EXPECT_NE(zvel[wrong.i][wrong.j][wrong.k], 0.0);
        }
    }
}

// An opening none of whose cells passes the filter still carries its
// prescribed discharge (water that vanished otherwise), spread evenly over
// the opening along its outward normal; the case is reported on logged
// passes when the continuity test is off.
TEST_F(FlowTest, OpeningWithoutAPassingCellStillPassesItsDischargeAndIsReported) {
    struct Row {
        int side, update, tfs, print;
        bool warned;
    };
    box();
    for (const Row r : {Row{-1, 1, 4, 0, true}, Row{-1, 1, 0, 0, false}, Row{-1, 1, 4, 1, false},
                        Row{-3, 2, 1, 0, true}}) {
        SCOPED_TRACE(r.side);
        FlagRoof = 0;
        FlagTFS = r.tfs;
        FlagPrint = r.print;
        IONo = 1;
        IO[1] = wholeFace(1, r.side, r.update, 0.3);
        uniformVelocity(axis(r.side, -1.0));  // everything flows into the domain
        forEachCell(IO[1], [](const FaceCell& c) {
            xvel[c.i][c.j][c.k] *= 0.5;
            zvel[c.i][c.j][c.k] *= 0.5;
        });
        boundary();
        double passed = 0.0, area = 0.0;
        forEachCell(IO[1], [&](const FaceCell& c) {
            passed += c.area * (xvel[c.i][c.j][c.k] * c.n.x + zvel[c.i][c.j][c.k] * c.n.z);
            area += c.area;
        });
        EXPECT_NEAR(passed, 0.3, 1e-12);
        const FaceCell c = faceCell(r.side, 3, 3);
        EXPECT_NEAR(r.side == -1 ? xvel[c.i][c.j][c.k] : zvel[c.i][c.j][c.k], 0.3 / area, 1e-12);
        EXPECT_EQ(contains(boogie(), "Warning: no cell of opening 1 passes the direction filter\n"), r.warned);
        std::filesystem::remove("boogie");
    }
}

// Roof openings under a roof opened by inner walls: a fixed velocity by the
// direction rule `paralell`, negated for an inflow.
TEST_F(FlowTest, RoofOpeningsFollowTheirDirectionRule) {
    struct Row {
        int paralell, type;
        Vec expected;  // speed 0.9: |flux| over the two faces of 1 m by 0.5 m
    };
    box();
    for (const Row r : {Row{1, 1, {0, 0, 0.9}}, Row{0, 1, {0.54, 0, 0.72}}, Row{2, 1, {0.45, 0, 0.27}},
                        Row{3, 1, {7, 8, 0.9}}, Row{1, 0, {0, 0, -0.9}}, Row{0, 0, {-0.54, 0, -0.72}},
                        Row{2, 0, {-0.45, 0, -0.27}}, Row{3, 0, {-7, -8, -0.9}}}) {
        SCOPED_TRACE(std::to_string(r.paralell) + " " + std::to_string(r.type));
        FlagRoof = 0;
        MWallNo = 1;
        IONo = 1;
        IO[1] = wholeFace(r.type, -3, 0, -0.9);
        IO[1].a1 = IO[1].a2 = 3;
        IO[1].b1 = 2;
        IO[1].b2 = 3;
        IO[1].paralell = r.paralell;
        IO[1].dir[0] = 0.5;
        IO[1].dir[1] = 2.0;  // above 1: no component
        IO[1].dir[2] = 0.3;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                WallK[i][j][znumber] = -1;
                m_vec_z[i][j][znumber][0] = 0.6;
                m_vec_z[i][j][znumber][2] = 0.8;
                xvel[i][j][znumber + 1] = 7.0;
                yvel[i][j][znumber + 1] = 8.0;
                xvel[i][j][znumber] = 1.0;
                epsilon[i][j][znumber] = 0.02;
                kinen[i][j][znumber + 1] = 0.5;
            }
        WallK[4][3][znumber] = 0;  // opened by an inner wall
        boundary();
        EXPECT_NEAR(xvel[3][2][znumber + 1], r.expected.x, 1e-15);
        EXPECT_NEAR(yvel[3][3][znumber + 1], r.expected.y, 1e-15);
        EXPECT_NEAR(zvel[3][3][znumber + 1], r.expected.z, 1e-15);
        // The opened column is a free surface; the others under the roof keep their values.
        EXPECT_EQ(xvel[4][3][znumber + 1], 1.0);
        EXPECT_NEAR(zvel[4][3][znumber + 1], -0.75, 1e-15);
        EXPECT_EQ(kinen[4][3][znumber + 1], 0.0);
        EXPECT_EQ(epsilon[4][3][znumber + 1], 0.02);
        EXPECT_EQ(xvel[5][3][znumber + 1], 7.0);
        EXPECT_EQ(kinen[5][3][znumber + 1], 0.5);
    }
}

// ---------------------------------------------------------------------------
// Discharge series.
// ---------------------------------------------------------------------------

class DischargeSeries : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        TimeStep = 1.0;  // the series arrays exist in transient runs
        box();
        FlagDischargeTime = 1;
        TimeInNo = 3;
        const double times[] = {10, 20, 40}, discharges[] = {1, 2, 4};
        for (int m = 0; m < 3; ++m) {
            TimeInTime[m] = times[m];
            QDinn[m][1] = discharges[m];
            QDinn[m][2] = 9.0;
        }
        IONo = 1;
        IO[1] = wholeFace(0, 1, 0, 99.0);  // a fixed inflow: follows the series all the same
        uniformVelocity({1.0, 0, 0});
    }
};

TEST_F(DischargeSeries, InterpolatesBetweenRowsAndHoldsTheLast) {
    struct Row {
        double time, discharge;
        int rows;
    };
    for (const Row r : {Row{20, 2, 3}, Row{30, 3, 3}, Row{10, 1, 3}, Row{5, 0.5, 3}, Row{40, 4, 3}, Row{55, 4, 3},
                        Row{30, 1, 1}}) {
        SCOPED_TRACE(r.time);
        TimeInNo = r.rows;
        stime = r.time;
        boundary();
        EXPECT_NEAR(faceDischarge(IO[1]), r.discharge, 1e-12);
    }
}

TEST_F(DischargeSeries, CoversTenOpeningsOnly) {
    IONo = 11;
    for (int r = 2; r <= 11; ++r) IO[r] = IO[1];
    EXPECT_EQ(exitCodeOf(boundary), 1);
    EXPECT_EQ(boogie(), "Error in boundary: the discharge series of timei covers 10 openings, G 7 has 11\n");
    EXPECT_EQ(xvel[1][2][2], 1.0);
}

// ---------------------------------------------------------------------------
// Default inlet and outlet.
// ---------------------------------------------------------------------------

TEST_F(FlowTest, DefaultOutletCarriesTheInflowWithBackflowCellsAtATenth) {
    box();
    for (int tfs : {0, 1}) {
        SCOPED_TRACE(tfs);
        FlagTFS = tfs;
        debugging = 'D';
        uniformVelocity({1.0, 0.0, 0.25});
        const int X = xnumber;
        xvel[X][3][3] = -0.6;
        yvel[X][3][3] = 0.8;  // backflow at speed 1
        xvel[X + 1][3][3] = 3.0;  // the boundary cell's own speed plays no part
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                kinen[X][j][k] = 0.3;
                epsilon[X][j][k] = 0.05;
            }
        boundary();
        const double a = 0.5 * 0.25, inflow = 9 * a;
        const double ratio = tfs == 1 ? 1.0 : inflow / (8 * a + 0.1 * a);
        EXPECT_NEAR(xvel[X + 1][3][3], 0.1 * ratio, 1e-15);
        EXPECT_EQ(yvel[X + 1][3][3], 0.0);
        EXPECT_EQ(zvel[X + 1][3][3], 0.0);
        EXPECT_NEAR(xvel[X + 1][2][4], ratio, 1e-15);
        EXPECT_EQ(zvel[X + 1][2][4], 0.25);
        EXPECT_EQ(kinen[X + 1][4][2], 0.3);
        EXPECT_EQ(epsilon[X + 1][4][2], 0.05);
        if (tfs == 0) {
            IORecord outlet = wholeFace(1, -1, 0, 0);
            EXPECT_NEAR(faceDischarge(outlet), inflow, 1e-14);
            // Rescaled by more than a tenth: logged with debugging on.
            EXPECT_TRUE(contains(boogie(), "FluxUt:1.012500 FluxInn:1.125000 \n")) << boogie();
        }
        std::filesystem::remove("boogie");
    }
}

TEST_F(FlowTest, DefaultOutletWithoutOutflowEndsTheRun) {
    box();
    EXPECT_EQ(exitCodeOf(boundary), 1);
    // Zero components may print with their sign.
    const std::regex lines(
        "sbound: Error, zero flux out !\n"
        "This error may be corrected with the use of G 7 data sets\n"
        "A,vec\\(xnu,2,2\\)= 1\\.250000e-01 1\\.000000e\\+00 -?0\\.000000e\\+00\n"
        "Velocity-out:-?0\\.000000 -?0\\.000000\n");
    EXPECT_TRUE(std::regex_match(boogie(), lines)) << boogie();
}

// ---------------------------------------------------------------------------
// Top layer.
// ---------------------------------------------------------------------------

TEST_F(FlowTest, FreeSurfaceTopLayerMovesAlongTheSurface) {
    struct Row {
        int tfs, surfEps;
        double w, k;
    };
    box();
    for (const Row r : {Row{0, 0, -0.75, 0.0}, Row{1, 0, 9.0, 0.0}, Row{0, 10, -0.75, 0.1}, Row{6, 10, -0.75, 0.1}}) {
        SCOPED_TRACE(std::to_string(r.tfs) + " " + std::to_string(r.surfEps));
        FlagTFS = r.tfs;
        FlagSurfEps = r.surfEps;
        IONo = 1;
        IO[1] = wholeFace(0, 1, 0, 1.0);  // a fixed inflow, no default inlet
        const int Z = znumber;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                m_vec_z[i][j][Z][0] = 0.6;
                m_vec_z[i][j][Z][2] = 0.8;
                xvel[i][j][Z] = 1.0;
                yvel[i][j][Z] = 0.5;
                kinen[i][j][Z] = 0.1;
                epsilon[i][j][Z] = 0.02;
                zvel[i][j][Z + 1] = 9.0;
                kinen[i][j][Z + 1] = 5.0;
            }
        boundary();
        EXPECT_EQ(xvel[3][2][Z + 1], 1.0);
        EXPECT_EQ(yvel[3][2][Z + 1], 0.5);
        EXPECT_NEAR(zvel[3][2][Z + 1], r.w, 1e-15);
        EXPECT_EQ(kinen[3][2][Z + 1], r.k);
        EXPECT_EQ(epsilon[3][2][Z + 1], 0.02);
        EXPECT_EQ(zvel[1][2][Z + 1], 0.0);  // the columns 2..xnumber only
    }
}

// ---------------------------------------------------------------------------
// Frictionless side walls.
// ---------------------------------------------------------------------------

// On a rotated grid the cell beyond the wall takes the flow of its neighbour
// along the wall, in the same sense; FlagWall 2 treats the wall j = ynumber only.
TEST_F(FlowTest, FrictionlessSideWallsCarryTheFlowAlongTheWall) {
    for (double degrees : {30.0, 60.0}) {
        SetArraysZero();
        rotatedGrid(5, 4, 4, 1.0, 0.5, degrees, layers(0.25));
        metric();
        for (double sense : {1.0, -1.0})
            for (int wall : {1, 2}) {
                SCOPED_TRACE(std::to_string(degrees) + " " + std::to_string(sense) + " " + std::to_string(wall));
                FlagWall = wall;
                FlagRoof = 0;
                IONo = 1;
                IO[1] = wholeFace(0, 1, 0, 1.0);
                const double c = std::cos(degrees * std::numbers::pi / 180), s = std::sin(degrees * std::numbers::pi / 180);
                uniformVelocity({1.5 * sense * c, 1.5 * sense * s, 0.2});
                for (int i = 0; i <= xnumber + 2; ++i)
                    for (int k = 0; k <= znumber + 2; ++k) {
                        xvel[i][1][k] = yvel[i][1][k] = 7.0;
                        xvel[i][ynumber + 1][k] = yvel[i][ynumber + 1][k] = 7.0;
                        zvel[i][1][k] = zvel[i][ynumber + 1][k] = 0.0;
                    }
                WallJ[3][2][3] = 1;  // a wall flag of its own: left alone
                boundary();
                EXPECT_NEAR(xvel[2][ynumber + 1][2], 1.5 * sense * c, 1e-14);
                EXPECT_NEAR(yvel[2][ynumber + 1][2], 1.5 * sense * s, 1e-14);
                EXPECT_EQ(zvel[2][ynumber + 1][2], 0.2);
                EXPECT_NEAR(xvel[4][1][3], wall == 1 ? 1.5 * sense * c : 7.0, 1e-14);
                EXPECT_NEAR(yvel[4][1][3], wall == 1 ? 1.5 * sense * s : 7.0, 1e-14);
                EXPECT_EQ(xvel[3][1][3], 7.0);
            }
    }
}

// A flow partly across a steep wall: the sense along the wall follows the
// larger component of the wall direction.
TEST_F(FlowTest, FrictionlessSideWallTakesTheSenseAlongTheWall) {
    rotatedGrid(5, 4, 4, 1.0, 0.5, 60.0, layers(0.25));
    metric();
    FlagWall = 1;
    FlagRoof = 0;
    IONo = 1;
    IO[1] = wholeFace(0, 1, 0, 1.0);
    uniformVelocity({-0.2, 1.0, 0.0});  // forward along the wall (0.5, 0.866), with a part across it
    boundary();
    const double s = std::hypot(0.2, 1.0);
    EXPECT_NEAR(xvel[3][1][3], 0.5 * s, 1e-14);
    EXPECT_NEAR(yvel[3][1][3], std::sqrt(0.75) * s, 1e-14);
}

// ---------------------------------------------------------------------------
// Cyclic copies of the default inlet.
// ---------------------------------------------------------------------------

TEST_F(FlowTest, CyclicCopyAtEveryThirdOuterIteration) {
    box();
    FlagCyclic = 3;
    uniformVelocity({1.0, 0, 0});
    std::vector<long> copied;
    for (Iter = 1; Iter <= 7; ++Iter) {
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                kinen[xnumber][j][k] = 0.7;
                kinen[1][j][k] = 0.0;
            }
        boundary();
        if (kinen[1][3][3] == 0.7) copied.push_back(Iter);
    }
    EXPECT_EQ(copied, (std::vector<long>{3, 6}));
}

// The inflow u may come from the flux through the second-last i-face (at
// least 1e-5 m/s); the copy is then rescaled to the inflow discharge.
TEST_F(FlowTest, CyclicCopyTakesTheSecondLastFaceFlux) {
    box();
    FlagCyclic = 1;
    FlagCyclicF = 1;
    Iter = 1;
    const int X = xnumber;
    uniformVelocity({1.0, 0, 0.2});
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            flow1[X - 1][j][k] = 1000.0 * m_ar_x[X - 1][j][k] * 0.5 * j;
            kinen[X][j][k] = 0.4;
        }
    flow1[X - 1][3][3] = -5.0;
    boundary();
    EXPECT_NEAR(faceDischarge(wholeFace(0, 1, 0, 0)), 9 * 0.5 * 0.25, 1e-14);
    EXPECT_NEAR(xvel[1][4][2] / xvel[1][2][2], 2.0, 1e-14);
    EXPECT_NEAR(xvel[1][3][3] / xvel[1][2][2], 1e-5, 1e-17);
    EXPECT_EQ(zvel[1][3][3], 0.2);
    EXPECT_EQ(kinen[1][3][3], 0.4);
}

// With blocked boxes only the open cells of the inflow plane are copied; the
// variants of the fourth F 174 value then rescale to the discharge before the
// copy, take the last interior plane, or leave the copy as it is.
TEST_F(FlowTest, CyclicCopyWithBlockedBoxesByVariant) {
    box();
    for (int variant : {0, 1, 2, 3}) {
        SCOPED_TRACE(variant);
        FlagCyclic = 1;
        FlagCyclicC = variant;
        OutBlockNo = 1;
        Iter = 1;
        const int X = xnumber;
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 1; k <= znumber + 1; ++k) {
                OBlok[2][j][k] = 1;
                xvel[1][j][k] = 0.5 + 0.25 * j;
                for (int i = 2; i <= X; ++i) xvel[i][j][k] = 1.0 + 0.1 * k;
                kinen[X][j][k] = 0.4;
            }
        OBlok[2][3][3] = 0;
        auto open = [](int j, int k) { return !(j == 3 && k == 3); };
        double before = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (open(j, k)) before += m_ar_x[1][j][k] * xvel[1][j][k];
        boundary();
        double after = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (open(j, k)) after += m_ar_x[1][j][k] * xvel[1][j][k];
        EXPECT_EQ(kinen[1][2][2], 0.4);
        EXPECT_EQ(kinen[1][3][3], 0.0);  // blocked: not copied
        switch (variant) {
        case 0:
        case 1: {
            EXPECT_NEAR(after, before, 1e-14);
            // The blocked cell is rescaled with the rest.
            double F = 0.0;
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k)
                    if (open(j, k)) F += m_ar_x[1][j][k] * xvel[X + 1][j][k];
            EXPECT_NEAR(xvel[1][3][3], 1.25 * before / F, 1e-14);
            break;
        }
        case 2:
            EXPECT_EQ(xvel[1][2][4], xvel[X][2][4]);
            EXPECT_EQ(xvel[1][3][3], xvel[X][3][3]);
            break;
        default:
            EXPECT_EQ(xvel[1][2][4], xvel[X + 1][2][4]);
            EXPECT_EQ(xvel[1][3][3], 1.25);
        }
    }
}

// A rescale whose divisor is 0 is skipped: nothing becomes not-a-number.
TEST_F(FlowTest, CyclicRescaleWithoutDischargeKeepsTheValues) {
    box();
    FlagCyclic = 1;
    FlagCyclicF = -1;  // nothing copied: the inflow plane stays without flow
    FlagCyclicC = 1;
    Iter = 1;
    uniformVelocity({1.0, 0, 0});
    for (int j = 0; j <= ynumber + 2; ++j)
        for (int k = 0; k <= znumber + 2; ++k) xvel[1][j][k] = 0.0;
    boundary();
    EXPECT_EQ(xvel[1][3][3], 0.0);
    EXPECT_TRUE(std::isfinite(xvel[xnumber + 1][3][3]));
    EXPECT_EQ(xvel[xnumber + 1][3][3], 0.0);  // the outflow rescaled to the inflow, 0
}

}  // namespace
