// Grid derivatives, and the joint-row geometry of a two-block grid rebuilt
// against the host wall.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "control/state.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class Smetric : public EngineTest {};

TEST_F(Smetric, DerivativesAgreeWithTheCellGeometry) {
    rotatedGrid(6, 5, 5, 1.3, 0.7, 20.0, [](int i, int j, int k) {
        return 0.1 * i - 0.05 * j * j + (1.0 + 0.2 * i) * std::pow((k - 1) / 4.0, 1.3);
    });
    metric();
    smetric();
    for (int i = 2; i <= 6; ++i)
        for (int j = 2; j <= 5; ++j) {
            EXPECT_NEAR(std::hypot(dx1[i][j], dy1[i][j]), 2 * m_dist_x[i][j][0], 1e-12);
            EXPECT_NEAR(std::hypot(dx2[i][j], dy2[i][j]), 2 * m_dist_y[i][j][0], 1e-12);
            for (int k = 2; k <= 5; ++k) {
                EXPECT_NEAR(0.5 * std::sqrt(dx1[i][j] * dx1[i][j] + dy1[i][j] * dy1[i][j] + dz1[i][j][k] * dz1[i][j][k]),
                            m_dist_x[i][j][k], 1e-12);
                EXPECT_NEAR(0.5 * std::sqrt(dx2[i][j] * dx2[i][j] + dy2[i][j] * dy2[i][j] + dz2[i][j][k] * dz2[i][j][k]),
                            m_dist_y[i][j][k], 1e-12);
                EXPECT_EQ(dz3[i][j][k], 2 * m_dist_z[i][j][k]);
            }
        }
    // The derivative across the cell in i on the 20-degree grid.
    EXPECT_NEAR(dx1[3][3], 1.3 * std::cos(20.0 * M_PI / 180), 1e-12);
    EXPECT_NEAR(dy1[3][3], 1.3 * std::sin(20.0 * M_PI / 180), 1e-12);
    EXPECT_EQ(readFile("boogie"), "");
}

class TwoBlocks : public EngineTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        g.start = GetParam();
        g.build();
    }
    TwoBlockGrid g;
};

// The joint cells, rebuilt between the host wall and the block's first node
// line, are the block's rectangles like the cells of its next row.
TEST_P(TwoBlocks, JointRowIsRebuiltAgainstTheHostWall) {
    const int a = g.jointRow(), Y = g.Y, Z = g.Z;
    metric();
    MultiBlockInit();
    // metric alone computes the joint row between the two blocks' node lines.
    EXPECT_GT(std::fabs(m_armap[a][2] - m_armap[a + 1][2]), 0.1);

    std::string log = readFile("boogie");
    std::string listing, setup;
    for (int m = 3; m <= 5; ++m) {
        const int ja = g.start >= 0 ? m - g.start + 2 : Y - g.start - m;
        listing += (g.start >= 0 ? "Pj1MB(" : "Pj2MB(") + std::to_string(m) + ")= " + std::to_string(a) + " " +
                   std::to_string(ja) + "\n";
        setup += std::string(g.start >= 0 ? "MB setup for right side, Pj1(" : "MB setup for left side, Pj2(") +
                 std::to_string(m) + ")=" + std::to_string(a) + "," + std::to_string(ja) + "\n";
    }
    for (int j = 2; j <= Y; ++j)
        listing += "Pi1MB(" + std::to_string(a) + "," + std::to_string(j) + ")=" + std::to_string(g.hostColumn(j)) +
                   " " + (g.start >= 0 ? "2" : std::to_string(Y)) + "\n";
    listing += "Have not found errors in Multi-block initiation\n";
    EXPECT_EQ(log, listing);

    smetric();
    EXPECT_EQ(readFile("boogie"), listing + setup);

    const double side = g.start >= 0 ? 1.0 : -1.0;  // the block's i runs to -y (right) or +y (left)
    for (int j = 2; j <= Y; ++j) {
        EXPECT_NEAR(m_armap[a][j], g.dx * g.blockDy, 1e-12) << j;
        EXPECT_NEAR(m_armap[a][j], m_armap[a + 1][j], 1e-12) << j;
        EXPECT_NEAR(dx1[a][j], 0.0, 1e-12);
        EXPECT_NEAR(dy1[a][j], -side * g.blockDy, 1e-12);
        EXPECT_NEAR(dx2[a][j], side * g.dx, 1e-12);
        EXPECT_NEAR(dy2[a][j], 0.0, 1e-12);
        EXPECT_NEAR(m_vec_y[a][j][0], side, 1e-12);
        EXPECT_NEAR(m_vec_y[a][j][1], 0.0, 1e-12);
        for (int k = 2; k <= Z; ++k) {
            EXPECT_NEAR(m_dist_x[a][j][k], g.blockDy / 2, 1e-12);
            EXPECT_NEAR(m_dist_y[a][j][k], g.dx / 2, 1e-12);
            EXPECT_NEAR(m_dist_z[a][j][k], g.dz / 2, 1e-12);
            EXPECT_NEAR(dz3[a][j][k], g.dz, 1e-12);
            EXPECT_NEAR(dz1[a][j][k], 0.0, 1e-12);
            EXPECT_NEAR(dz2[a][j][k], 0.0, 1e-12);
            EXPECT_NEAR(m_ar_y[a][j][k], m_ar_y[a + 1][j][k], 1e-12);
            EXPECT_NEAR(m_ar_y[a][j][k], g.dz * g.blockDy, 1e-12);
        }
        for (int k = 1; k <= Z; ++k) {
            EXPECT_NEAR(m_ar_z[a][j][k], g.dx * g.blockDy, 1e-12);
            EXPECT_NEAR(m_vec_z[a][j][k][2], 1.0, 1e-12);
        }
    }
    // The joint row's j-face on wall j = 1, rebuilt with its first cell.
    EXPECT_NEAR(m_vec_y[a][1][0], side, 1e-12);
    for (int k = 2; k <= Z; ++k) EXPECT_NEAR(m_ar_y[a][1][k], g.dz * g.blockDy, 1e-12);

    // A second call gives the same arrays and logs the set-up lines again.
    const std::vector<double> armap(m_armap.data(), m_armap.data() + m_armap.size());
    const std::vector<double> vecZ(m_vec_z.data(), m_vec_z.data() + m_vec_z.size());
    smetric();
    EXPECT_EQ(std::vector<double>(m_armap.data(), m_armap.data() + m_armap.size()), armap);
    EXPECT_EQ(std::vector<double>(m_vec_z.data(), m_vec_z.data() + m_vec_z.size()), vecZ);
    EXPECT_EQ(readFile("boogie"), listing + setup + setup);
}

// A joint cell's volume is that of the same cell (the host wall's nodes and
// the block's first node line) computed on a grid of one block.
TEST_P(TwoBlocks, JointCellVolumesAreThoseOfTheSameCellOnOneBlock) {
    const int a = g.jointRow(), Y = g.Y, Z = g.Z;
    metric();
    MultiBlockInit();
    smetric();
    std::vector<std::vector<double>> joint(Y + 1, std::vector<double>(Z + 1));
    for (int j = 2; j <= Y; ++j)
        for (int k = 1; k <= Z; ++k) joint[j][k] = Volume[a][j][k];

    // Node line 1 on the host wall (the node of the host column that the
    // joint cell's corner replaces), node line 2 the block's first line.
    const bool right = g.start >= 0;
    auto wallNode = [&](int j) {
        const int h = g.hostColumn(j);
        return right ? PlanPoint{(h - 1) * g.dx, 0.0} : PlanPoint{(h - 2) * g.dx, (Y - 1) * g.dy};
    };
    MBNo = 0;
    allocateGrid(2, Y, Z);
    fillGrid([&](int i, int j) { return i == 1 ? wallNode(j) : g.blockNode(a, j); }, layers(g.dz));
    metric();
    for (int j = 2; j <= Y; ++j)
        for (int k = 1; k <= Z; ++k) {
            EXPECT_NEAR(joint[j][k], Volume[2][j][k], 1e-12) << j << "," << k;
            if (k >= 2) {
                EXPECT_NEAR(Volume[2][j][k], g.dx * g.blockDy * g.dz, 1e-12) << j << "," << k;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Sides, TwoBlocks, ::testing::Values(3, -3),
                         [](const auto& info) { return info.param >= 0 ? "RightSide" : "LeftSide"; });

struct JointFault {
    const char* name;
    friend void PrintTo(const JointFault& c, std::ostream* os) { *os << c.name; }
    int start;
    double shift;  // the block's first node line is laid on the host wall, moved along it by shift * dx
    const char* tail;
};

class TwoBlockFaults : public EngineTest, public ::testing::WithParamInterface<JointFault> {};

TEST_P(TwoBlockFaults, EndWithMinusOne) {
    const JointFault& c = GetParam();
    TwoBlockGrid g;
    g.start = c.start;
    g.build();
    const int a = g.jointRow();
    const double wall = g.start >= 0 ? 0.0 : (g.Y - 1) * g.dy;
    const double along = g.start >= 0 ? 1.0 : -1.0;  // the block's j direction along the wall
    for (int j = 1; j <= g.Y; ++j) {
        xval[a][j] = g.blockNode(a, j).x + along * c.shift * g.dx;
        yval[a][j] = wall;
    }
    metric();
    MultiBlockInit();
    EXPECT_EQ(exitCodeOf(smetric), -1);
    const std::string log = readFile("boogie");
    const std::string tail = c.tail;
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

INSTANTIATE_TEST_SUITE_P(
    Joints, TwoBlockFaults,
    ::testing::Values(
        // The joint cell's j-face has no length: its first node line lies on the wall nodes.
        JointFault{"EdgeOnTheWallRight", 3, 0.0, "MB setup for right side, Pj1(3)=11,2\n MB-met-Error for i=3 j=5 k=5\n"},
        JointFault{"EdgeOnTheWallLeft", -3, 0.0, "MB setup for left side, Pj2(3)=11,4\n MB-met-Error for i=3 j=5 k=5\n"},
        // The joint cell has edges but no area: all its corners lie on the wall line.
        JointFault{"FlatJointCellRight", 3, 0.5,
                   "MB setup for right side, Pj1(3)=11,2\nMultiBlock error for right side\ni=3 k=1\nia=11 ja=2\n"
                   "ib=11 jb=1\nic=3 jc=1\nid=2 jd=1\n"},
        JointFault{"FlatJointCellLeft", -3, 0.5,
                   "MB setup for left side, Pj2(3)=11,4\nMultiBlock error for left side\ni=3 k=1\nia=11 ja=4\n"
                   "ib=11 jb=3\nic=2 jc=4\nid=3 jd=4\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
