// The plan-grid generator on a simple quadrilateral: straight boundary and
// inner lines, interpolation and smoothing of the interior, fixed nodes,
// attractions and block joints.
#include <cmath>
#include <functional>
#include <string>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

constexpr double kTol = 1e-9;

// A grid of 13 x 6 node lines; its even form is a rotated rectangle with a
// planar bed.
class PlanGrid : public EngineTest {
public:
    static constexpr int X = 13, Y = 6;

protected:
    void SetUp() override {
        EngineTest::SetUp();
        xnumber = X;
        ynumber = Y;
        znumber = 4;
        lnumber = 1;
        ASSERT_EQ(sialloc(), 0);
        for (int i = 1; i <= X; ++i)
            for (int j = 1; j <= Y; ++j) place(i, j, even(i, j));
    }

    struct Point {
        double x, y, z;
    };
    static Point even(int i, int j) {
        const double u = 2.0 * (i - 1), v = 1.5 * (j - 1);
        const double c = std::cos(0.5), s = std::sin(0.5);
        return {100.0 + c * u - s * v, 50.0 + s * u + c * v, 1.0 + 0.1 * i - 0.05 * j};
    }
    static Point at(int i, int j) { return {xval[i][j], yval[i][j], zval[i][j][1]}; }
    static void place(int i, int j, Point p) {
        xval[i][j] = p.x;
        yval[i][j] = p.y;
        zval[i][j][1] = p.z;
    }
    static void displace(int i, int j, double by = 0.7) {
        const Point p = at(i, j);
        place(i, j, {p.x + by, p.y - 0.6 * by, p.z + 0.3 * by});
    }
    // Every inner node moved off the even grid.
    static void scrambleInterior() {
        for (int i = 2; i < X; ++i)
            for (int j = 2; j < Y; ++j) displace(i, j, 0.3 * ((i * 7 + j * 3) % 5) - 0.6);
    }
    static void fix(int i, int j) {
        ++FastNo;
        iFast[FastNo] = i;
        jFast[FastNo] = j;
    }

    // The node lies at `p`, or within `tol` of it.
    static ::testing::AssertionResult lies(int i, int j, Point p, double tol = kTol) {
        const Point q = at(i, j);
        if (std::fabs(q.x - p.x) <= tol && std::fabs(q.y - p.y) <= tol && std::fabs(q.z - p.z) <= tol)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "node (" << i << "," << j << ") at " << q.x << " " << q.y << " "
                                             << q.z << ", expected " << p.x << " " << p.y << " " << p.z;
    }
    static Point between(Point a, Point b, double f) {
        return {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)};
    }
    static ::testing::AssertionResult isEven() {
        for (int i = 1; i <= X; ++i)
            for (int j = 1; j <= Y; ++j)
                if (auto r = lies(i, j, even(i, j)); !r) return r;
        return ::testing::AssertionSuccess();
    }
};

TEST_F(PlanGrid, SidesMakesEveryBoundaryLineStraightAndEvenBetweenItsCorners) {
    for (int i = 2; i < X; ++i) displace(i, 1), displace(i, Y, -0.4);
    for (int j = 2; j < Y; ++j) displace(1, j, 0.5), displace(X, j, 0.9);
    displace(4, 4);
    const Point inner = at(4, 4);
    sides();
    for (int i = 1; i <= X; ++i) {
        EXPECT_TRUE(lies(i, 1, even(i, 1)));
        EXPECT_TRUE(lies(i, Y, even(i, Y)));
    }
    for (int j = 1; j <= Y; ++j) {
        EXPECT_TRUE(lies(1, j, even(1, j)));
        EXPECT_TRUE(lies(X, j, even(X, j)));
    }
    EXPECT_TRUE(lies(4, 4, inner));  // the interior is not touched
}

TEST_F(PlanGrid, AFixedBoundaryNodeSplitsItsLineIntoTwoStraightParts) {
    displace(4, 1, 2.0);
    fix(4, 1);
    displace(1, 3, -1.0);
    fix(1, 3);
    for (int i = 2; i < X; ++i)
        if (i != 4) displace(i, 1);
    displace(1, 2), displace(1, 5);
    const Point bend = at(4, 1), end = at(1, 3);
    sides();
    EXPECT_TRUE(lies(4, 1, bend));
    for (int i = 1; i <= 4; ++i) EXPECT_TRUE(lies(i, 1, between(even(1, 1), bend, (i - 1) / 3.0)));
    for (int i = 4; i <= X; ++i) EXPECT_TRUE(lies(i, 1, between(bend, even(X, 1), (i - 4) / double(X - 4))));
    EXPECT_TRUE(lies(1, 2, between(even(1, 1), end, 0.5)));
    for (int j = 3; j <= Y; ++j) EXPECT_TRUE(lies(1, j, between(end, even(1, Y), (j - 3) / double(Y - 3))));
}

// The inner node lines become straight between their boundary nodes.
TEST_F(PlanGrid, InnerLinesBecomeStraightBetweenTheBoundaries) {
    for (auto routine : {Itransfinite, Jtransfinite}) {
        scrambleInterior();
        routine();
        EXPECT_TRUE(isEven());
    }
}

TEST_F(PlanGrid, AFixedInnerNodeSplitsItsLineInItransfinite) {
    scrambleInterior();
    displace(4, 3, 1.5);
    fix(4, 3);
    const Point kept = at(4, 3);
    Itransfinite();
    EXPECT_TRUE(lies(4, 3, kept));
    EXPECT_TRUE(lies(4, 2, between(even(4, 1), kept, 0.5)));
    for (int j = 3; j <= Y; ++j) EXPECT_TRUE(lies(4, j, between(kept, even(4, Y), (j - 3) / double(Y - 3))));
    EXPECT_TRUE(lies(5, 3, even(5, 3)));
}

TEST_F(PlanGrid, MtransfiniteReproducesTheRectangleExactly) {
    scrambleInterior();
    Mtransfinite();
    EXPECT_TRUE(isEven());
}

TEST_F(PlanGrid, TransfiniteKeepsAnEvenGridAndRelaxesADisplacedNode) {
    transfinite();
    EXPECT_TRUE(isEven());

    displace(4, 3, 1.0);
    transfinite();
    EXPECT_TRUE(isEven());

    // A fixed node stays where it is; its diagonal neighbours follow it.
    displace(4, 3, 1.0);
    fix(4, 3);
    const Point kept = at(4, 3);
    transfinite();
    EXPECT_TRUE(lies(4, 3, kept));
    EXPECT_GT(xval[5][4], even(5, 4).x + 0.1);
}

TEST_F(PlanGrid, EllipticKeepsAnEvenGridAndItsBoundaryNodes) {
    elliptic();
    EXPECT_TRUE(isEven());

    // A bulging boundary and a scrambled interior: the boundary stays,
    // the interior moves, the bed is not smoothed.
    for (int i = 2; i < X; ++i) displace(i, Y, 0.8 * std::sin(3.14159 * (i - 1) / (X - 1)));
    scrambleInterior();
    Point before[X + 1][Y + 1];
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) before[i][j] = at(i, j);
    elliptic();
    for (int i = 1; i <= X; ++i) {
        EXPECT_TRUE(lies(i, 1, before[i][1]));
        EXPECT_TRUE(lies(i, Y, before[i][Y]));
    }
    for (int j = 1; j <= Y; ++j) {
        EXPECT_TRUE(lies(1, j, before[1][j]));
        EXPECT_TRUE(lies(X, j, before[X][j]));
    }
    double moved = 0.0;
    for (int i = 2; i < X; ++i)
        for (int j = 2; j < Y; ++j) {
            moved += std::fabs(xval[i][j] - before[i][j].x) + std::fabs(yval[i][j] - before[i][j].y);
            EXPECT_EQ(zval[i][j][1], before[i][j].z);
        }
    EXPECT_GT(moved, 0.1);
}

TEST_F(PlanGrid, EllipticKeepsFixedNodes) {
    scrambleInterior();
    fix(3, 4);
    const Point kept = at(3, 4);
    elliptic();
    EXPECT_TRUE(lies(3, 4, kept));
}

// ---------------------------------------------------------------------------
// Attractions of elliptic: towards a grid line or a node with positive
// strength, away from it with negative strength.
// ---------------------------------------------------------------------------
struct Attraction {
    const char* name;
    int type, i, j;
    double strength;
    int ni, nj;      // a node next to the attraction
    int ti, tj;      // the node of the attracting line or the attracting node closest to it
    double towards;  // +1: it moves towards the attraction, -1: away
};
void PrintTo(const Attraction& a, std::ostream* os) { *os << a.name; }

class EllipticAttraction : public PlanGrid, public ::testing::WithParamInterface<Attraction> {};

TEST_P(EllipticAttraction, MovesTheNeighbouringNodes) {
    const Attraction& a = GetParam();
    AttractNo = 1;
    Attract[1] = AttractRecord{a.i, a.j, a.type, a.strength, 0.5};
    const Point target = even(a.ti, a.tj), start = at(a.ni, a.nj);
    const double before = std::hypot(start.x - target.x, start.y - target.y);
    elliptic();
    const double after = std::hypot(xval[a.ni][a.nj] - target.x, yval[a.ni][a.nj] - target.y);
    EXPECT_GT(a.towards * (before - after), 1e-3) << before << " -> " << after;
}

INSTANTIATE_TEST_SUITE_P(
    Types, EllipticAttraction,
    ::testing::Values(Attraction{"LineIBelow", 2, 5, 0, 1.0, 4, 4, 5, 4, +1},
                      Attraction{"LineIAbove", 2, 5, 0, 1.0, 6, 4, 5, 4, +1},
                      Attraction{"LineIRepels", 2, 5, 0, -1.0, 4, 4, 5, 4, -1},
                      Attraction{"LineJ", 3, 0, 4, 1.0, 5, 3, 5, 4, +1},
                      Attraction{"NodeInI", 0, 5, 4, 1.0, 3, 4, 5, 4, +1},
                      Attraction{"NodeInJ", 1, 5, 4, 1.0, 5, 2, 5, 4, +1}));

// ---------------------------------------------------------------------------
// Block joints: block 1 begins after node line 9; its joint row i = 10 lies
// against wall j = 1 of the host columns 2..6.
// ---------------------------------------------------------------------------
struct JointCase {
    const char* name;
    void (*routine)();
    int i, j;  // a displaced node that the routine moves
};
void PrintTo(const JointCase& c, std::ostream* os) { *os << c.name; }

class BlockJoint : public PlanGrid, public ::testing::WithParamInterface<JointCase> {
protected:
    void SetUp() override {
        PlanGrid::SetUp();
        MBNo = 1;
        MBSkjot[1] = 9;
        MBStart[1] = 2;
        const int a = MBSkjot[1] + 1;
        for (int j = 2; j <= Y; ++j) {
            const int m = MBStart[1] + j - 2;
            Pi1MultiBlock[a][j][0] = m;
            Pi1MultiBlock[a][j][1] = 2;
            Pi1MultiBlock[a][j][2] = 3;
            Pj1MultiBlock[m][0] = a;
            Pj1MultiBlock[m][1] = j;
        }
    }
};

TEST_P(BlockJoint, TheNodeLinesOnBothSidesOfTheJointRowStay) {
    for (int j = 1; j <= Y; ++j) displace(9, j, 0.4), displace(10, j, -0.4);
    displace(GetParam().i, GetParam().j, 0.9);
    Point line9[Y + 1], line10[Y + 1];
    for (int j = 1; j <= Y; ++j) line9[j] = at(9, j), line10[j] = at(10, j);
    const Point other = at(GetParam().i, GetParam().j);
    GetParam().routine();
    for (int j = 1; j <= Y; ++j) {
        EXPECT_TRUE(lies(9, j, line9[j]));
        EXPECT_TRUE(lies(10, j, line10[j]));
    }
    EXPECT_FALSE(lies(GetParam().i, GetParam().j, other, 1e-3));
}

INSTANTIATE_TEST_SUITE_P(Routines, BlockJoint,
                         ::testing::Values(JointCase{"sides", sides, 3, PlanGrid::Y}, JointCase{"Jtransfinite", Jtransfinite, 12, 3},
                                           JointCase{"elliptic", elliptic, 3, 3}));

TEST_F(PlanGrid, EllipticRefusesANodeWithoutArea) {
    // Node (3,3) gets both i-neighbours at one place: D = 0.
    place(4, 3, at(2, 3));
    EXPECT_EQ(exitCodeOf(elliptic), -2);
    const std::string log = readFile("boogie");
    EXPECT_NE(log.find(" Error in elliptic: zero area around node i=3 j=3\n"), std::string::npos) << log;
}

}  // namespace
