// Cell geometry from the nodes: box values, invariance under rotation,
// sheared and mirrored grids, degenerate faces and edges, joint rows.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class Metric : public EngineTest {};

struct Range {
    int i1, i2, j1, j2, k1, k2;
};

// Every slot of `r` holds `want`; reports the first slot that does not.
template <typename Get>
void expectEach(const char* name, Range r, double want, Get get) {
    for (int i = r.i1; i <= r.i2; ++i)
        for (int j = r.j1; j <= r.j2; ++j)
            for (int k = r.k1; k <= r.k2; ++k) {
                const double got = get(i, j, k);
                if (std::fabs(got - want) > 1e-12 * (1.0 + std::fabs(want))) {
                    ADD_FAILURE() << name << "[" << i << "][" << j << "][" << k << "] = " << got << ", want " << want;
                    return;
                }
            }
}

template <typename T, int R>
std::vector<T> snapshot(const FieldArray<T, R>& a) {
    return std::vector<T>(a.data(), a.data() + a.size());
}

// The geometry that metric writes, flattened.
std::vector<std::vector<double>> geometryArrays() {
    return {snapshot(m_dist_x), snapshot(m_dist_y), snapshot(m_dist_z), snapshot(m_ar_x),
            snapshot(m_ar_y),   snapshot(m_ar_z),   snapshot(m_vec_x),  snapshot(m_vec_y),
            snapshot(m_vec_z),  snapshot(m_armap),  snapshot(Volume),   snapshot(blevel),
            snapshot(xval),     snapshot(yval),     snapshot(zval)};
}

TEST_F(Metric, BoxGridValues) {
    const int X = 5, Y = 4, Z = 5;
    const double dx = 2.0, dy = 1.5, dz = 0.5;
    boxGrid(X, Y, Z, dx, dy, dz);
    metric();

    const Range cells{2, X, 2, Y, 2, Z};
    expectEach("m_dist_x", cells, dx / 2, [](int i, int j, int k) { return m_dist_x[i][j][k]; });
    expectEach("m_dist_y", cells, dy / 2, [](int i, int j, int k) { return m_dist_y[i][j][k]; });
    expectEach("m_dist_z", cells, dz / 2, [](int i, int j, int k) { return m_dist_z[i][j][k]; });
    expectEach("m_ar_x", {1, X, 2, Y, 2, Z}, dy * dz, [](int i, int j, int k) { return m_ar_x[i][j][k]; });
    expectEach("m_ar_y", {2, X, 1, Y, 2, Z}, dx * dz, [](int i, int j, int k) { return m_ar_y[i][j][k]; });
    expectEach("m_ar_z", {2, X, 2, Y, 1, Z}, dx * dy, [](int i, int j, int k) { return m_ar_z[i][j][k]; });
    expectEach("Volume", cells, dx * dy * dz, [](int i, int j, int k) { return Volume[i][j][k]; });
    expectEach("Volume bed slot", {2, X, 2, Y, 1, 1}, 0.0, [](int i, int j, int k) { return Volume[i][j][k]; });
    for (int c = 0; c < 3; ++c)
        expectEach("m_vec_z", {2, X, 2, Y, 1, Z}, c == 2 ? 1.0 : 0.0,
                   [c](int i, int j, int k) { return m_vec_z[i][j][k][c]; });
    for (int c = 0; c < 2; ++c) {
        expectEach("m_vec_x", {1, X, 2, Y, c, c}, c == 0 ? 1.0 : 0.0, [](int i, int j, int c) { return m_vec_x[i][j][c]; });
        expectEach("m_vec_y", {2, X, 1, Y, c, c}, c == 1 ? 1.0 : 0.0, [](int i, int j, int c) { return m_vec_y[i][j][c]; });
    }
    const Range plan{2, X, 2, Y, 0, 0};
    expectEach("m_armap", plan, dx * dy, [](int i, int j, int) { return m_armap[i][j]; });
    expectEach("blevel", plan, dz / 2, [](int i, int j, int) { return blevel[i][j]; });
    // Slot k = 0: plan half lengths, half the depth, column sums of the side faces.
    const double depth = (Z - 1) * dz;
    expectEach("m_dist_x[0]", plan, dx / 2, [](int i, int j, int) { return m_dist_x[i][j][0]; });
    expectEach("m_dist_y[0]", plan, dy / 2, [](int i, int j, int) { return m_dist_y[i][j][0]; });
    expectEach("m_dist_z[0]", plan, depth / 2, [](int i, int j, int) { return m_dist_z[i][j][0]; });
    expectEach("m_ar_x[0]", {1, X, 2, Y, 0, 0}, dy * depth, [](int i, int j, int) { return m_ar_x[i][j][0]; });
    expectEach("m_ar_y[0]", {2, X, 1, Y, 0, 0}, dx * depth, [](int i, int j, int) { return m_ar_y[i][j][0]; });

    // Ghost copies of the geometry.
    expectEach("m_dist_x ghosts", {0, 1, 2, Y, 2, Z}, dx / 2, [](int i, int j, int k) { return m_dist_x[i][j][k]; });
    expectEach("m_dist_x ghost X+1", {X + 1, X + 1, 2, Y, 2, Z}, dx / 2,
               [](int i, int j, int k) { return m_dist_x[i][j][k]; });
    expectEach("m_dist_y ghosts", {2, X, 1, 1, 2, Z}, dy / 2, [](int i, int j, int k) { return m_dist_y[i][j][k]; });
    expectEach("m_dist_y ghost Y+1", {2, X, Y + 1, Y + 1, 2, Z}, dy / 2,
               [](int i, int j, int k) { return m_dist_y[i][j][k]; });
    expectEach("m_dist_z ghost columns", {1, 1, 2, Y, 2, Z}, dz / 2, [](int i, int j, int k) { return m_dist_z[i][j][k]; });
    expectEach("m_dist_z ghost X+1", {X + 1, X + 1, 2, Y, 2, Z}, dz / 2,
               [](int i, int j, int k) { return m_dist_z[i][j][k]; });
    for (int k : {1, Z + 1, Z + 2})
        expectEach("m_dist_z ghost levels", {2, X, 2, Y, k, k}, dz / 2, [](int i, int j, int k) { return m_dist_z[i][j][k]; });
    expectEach("m_ar_y i=1", {1, 1, 2, Y, 2, Z}, 0.0, [](int i, int j, int k) { return m_ar_y[i][j][k]; });
    expectEach("m_vec_y i=1", {1, 1, 2, Y, 1, 1}, 1.0, [](int i, int j, int) { return m_vec_y[i][j][1]; });
    expectEach("m_vec_z bed ghosts", {1, 1, 2, Y, 1, 1}, 1.0, [](int i, int j, int k) { return m_vec_z[i][j][k][2]; });
    expectEach("m_vec_z bed ghost X+1", {X + 1, X + 1, 2, Y, 1, 1}, 1.0,
               [](int i, int j, int k) { return m_vec_z[i][j][k][2]; });
    expectEach("blevel ghosts", {1, 1, 2, Y, 0, 0}, dz / 2, [](int i, int j, int) { return blevel[i][j]; });
    expectEach("blevel ghost X+1", {X + 1, X + 1, 2, Y, 0, 0}, dz / 2, [](int i, int j, int) { return blevel[i][j]; });
    // The corner column (1, 1) of the j-face normals holds only its two
    // components, cleared.
    EXPECT_EQ(m_vec_y[1][1][0], 0.0);
    EXPECT_EQ(m_vec_y[1][1][1], 0.0);

    // Ghost nodes: lines 0 and X+1, rows 0 and Y+1, corners included.
    for (int j = 0; j <= Y + 1; ++j) {
        const int jn = std::clamp(j, 1, Y);
        EXPECT_EQ(xval[0][j], 0.0);
        EXPECT_EQ(xval[X + 1][j], (X - 1) * dx);
        EXPECT_EQ(yval[0][j], (jn - 1) * dy);
        EXPECT_EQ(yval[X + 1][j], (jn - 1) * dy);
        for (int k = 0; k <= Z; ++k) EXPECT_EQ(zval[X + 1][j][k], zval[X][jn][k]) << j << " " << k;
    }
    for (int i = 1; i <= X; ++i) {
        EXPECT_EQ(yval[i][0], 0.0);
        EXPECT_EQ(yval[i][Y + 1], (Y - 1) * dy);
        EXPECT_EQ(zval[i][Y + 1][Z], zval[i][Y][Z]);
    }
    EXPECT_EQ(readFile("boogie"), "");
}

// A sloping, unevenly layered grid: the levels of node (i, j, k).
double slopedLevel(int i, int j, int k) {
    const double bed = 0.1 * i - 0.05 * j * j;
    const double depth = 1.0 + 0.2 * i + 0.1 * j;
    return bed + depth * std::pow((k - 1) / 4.0, 1.3);
}

TEST_F(Metric, RotationKeepsSizesAndRotatesNormals) {
    const int X = 6, Y = 5, Z = 5;
    rotatedGrid(X, Y, Z, 1.3, 0.7, 0.0, slopedLevel);
    metric();
    const auto straight = geometryArrays();
    const auto vecX = snapshot(m_vec_x), vecY = snapshot(m_vec_y), vecZ = snapshot(m_vec_z);

    SetArraysZero();
    rotatedGrid(X, Y, Z, 1.3, 0.7, 30.0, slopedLevel);
    metric();
    const auto turned = geometryArrays();
    // Half lengths, areas, plan areas, volumes and bed-cell heights: arrays 0..5 and 9..11.
    for (int a : {0, 1, 2, 3, 4, 5, 9, 10, 11}) {
        ASSERT_EQ(straight[a].size(), turned[a].size());
        for (std::size_t n = 0; n < straight[a].size(); ++n)
            ASSERT_NEAR(turned[a][n], straight[a][n], 1e-12) << "array " << a << " slot " << n;
    }
    // Normals: the plan components turn by 30 degrees, the vertical one stays.
    const double c = std::cos(std::numbers::pi / 6), s = std::sin(std::numbers::pi / 6);
    auto expectTurned = [&](const std::vector<double>& before, const double* after, std::size_t stride) {
        for (std::size_t n = 0; n + 1 < before.size(); n += stride) {
            ASSERT_NEAR(after[n], c * before[n] - s * before[n + 1], 1e-12) << n;
            ASSERT_NEAR(after[n + 1], s * before[n] + c * before[n + 1], 1e-12) << n;
            if (stride == 3) {
                ASSERT_NEAR(after[n + 2], before[n + 2], 1e-12) << n;
            }
        }
    };
    expectTurned(vecX, m_vec_x.data(), 2);
    expectTurned(vecY, m_vec_y.data(), 2);
    expectTurned(vecZ, m_vec_z.data(), 3);
    // The k-normals of a sloping bed are not vertical: the test sees the turn.
    EXPECT_GT(std::fabs(m_vec_z[3][3][1][0]), 0.01);
    EXPECT_NEAR(m_vec_x[3][3][0], c, 1e-12);
    EXPECT_NEAR(m_vec_x[3][3][1], s, 1e-12);

    // A second call on the same nodes changes nothing.
    metric();
    EXPECT_EQ(geometryArrays(), turned);
}

TEST_F(Metric, ShearedParallelogramVolumeIsPlanAreaTimesHeight) {
    const int X = 5, Y = 4, Z = 4;
    const double dx = 2.0, dy = 1.0, shear = 0.75, dz = 0.4;
    shearedGrid(X, Y, Z, dx, dy, shear, layers(dz, 3.0));
    metric();
    const double side = std::hypot(shear, dy);
    const Range cells{2, X, 2, Y, 2, Z};
    expectEach("Volume", cells, dx * dy * dz, [](int i, int j, int k) { return Volume[i][j][k]; });
    expectEach("m_armap", {2, X, 2, Y, 0, 0}, dx * dy, [](int i, int j, int) { return m_armap[i][j]; });
    expectEach("m_ar_x", {1, X, 2, Y, 2, Z}, side * dz, [](int i, int j, int k) { return m_ar_x[i][j][k]; });
    expectEach("m_dist_x", cells, dx / 2, [](int i, int j, int k) { return m_dist_x[i][j][k]; });
    expectEach("m_dist_y", cells, side / 2, [](int i, int j, int k) { return m_dist_y[i][j][k]; });
    expectEach("m_vec_x.x", {1, X, 2, Y, 0, 0}, dy / side, [](int i, int j, int) { return m_vec_x[i][j][0]; });
    expectEach("m_vec_x.y", {1, X, 2, Y, 0, 0}, -shear / side, [](int i, int j, int) { return m_vec_x[i][j][1]; });
}

TEST_F(Metric, MirroredGridGivesNegativePlanAreaWithoutMessage) {
    const int X = 4, Y = 4, Z = 4;
    allocateGrid(X, Y, Z);
    fillGrid([](int i, int j) { return PlanPoint{(i - 1) * 1.0, -(j - 1) * 2.0}; }, layers(0.5));
    metric();
    expectEach("m_armap", {2, X, 2, Y, 0, 0}, -2.0, [](int i, int j, int) { return m_armap[i][j]; });
    expectEach("Volume", {2, X, 2, Y, 2, Z}, -1.0, [](int i, int j, int k) { return Volume[i][j][k]; });
    expectEach("m_vec_z.z", {2, X, 2, Y, 1, Z}, -1.0, [](int i, int j, int k) { return m_vec_z[i][j][k][2]; });
    EXPECT_EQ(readFile("boogie"), "");
}

TEST_F(Metric, CollapsedKFaceEndsTheRun) {
    boxGrid(7, 5, 4, 1.0, 1.0, 0.5);
    // Cell column (3, 3) collapses onto node line 2, and further on cell
    // column (5, 2) onto line 4; the first in (i, j, k) order is reported.
    for (int j : {2, 3}) {
        xval[3][j] = xval[2][j];
        yval[3][j] = yval[2][j];
    }
    for (int j : {1, 2}) xval[5][j] = xval[4][j];
    EXPECT_EQ(exitCodeOf(metric), -2);
    EXPECT_EQ(readFile("boogie"), " Error in osimetric-44 for i=3 j=3 k=1\n");
}

struct ZeroEdgeCase {
    const char* name;
    friend void PrintTo(const ZeroEdgeCase& c, std::ostream* os) { *os << c.name; }
    int fromI, fromJ;  // node moved onto ...
    int ontoI, ontoJ;  // ... this node's plan position
    const char* log;
    const char* status;
};

class MetricZeroEdge : public Metric, public ::testing::WithParamInterface<ZeroEdgeCase> {};

// Two nodes at one plan position leave a face of the computation without a
// normal: logged, then the run ends as for a face of zero area.
TEST_P(MetricZeroEdge, IsLoggedAndEndsTheRun) {
    const ZeroEdgeCase& c = GetParam();
    boxGrid(6, 5, 4, 1.0, 1.0, 0.5);
    xval[c.fromI][c.fromJ] = xval[c.ontoI][c.ontoJ];
    yval[c.fromI][c.fromJ] = yval[c.ontoI][c.ontoJ];
    EXPECT_EQ(exitCodeOf(metric), -2);
    EXPECT_EQ(readFile("boogie"), c.log);
    EXPECT_STREQ(mc_v1, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, MetricZeroEdge,
    ::testing::Values(
        ZeroEdgeCase{"IFace", 3, 3, 3, 2,
                     "\n\n Error in metric: zero distance between points (3,3) and (3,2)\n\n\n",
                     " Error in metric: zero distance between points (3,3) and (3,2)"},
        ZeroEdgeCase{"JFace", 3, 3, 2, 3,
                     "\n\n Error in metric: zero distance between points (3,3) and (2,3)\n\n\n",
                     " Error for i=3 j=3 k=5"}),
    [](const auto& info) { return std::string(info.param.name); });

// A joint row whose two node lines coincide: its k-faces keep the joint
// increment per block and zero normals, its j-faces are logged without
// normals, and the run goes on (smetric rebuilds the row).
class MetricJointRow : public Metric, public ::testing::WithParamInterface<int> {};

TEST_P(MetricJointRow, CoincidentLinesPassWithTheJointIncrement) {
    const int blocks = GetParam();
    MBNo = blocks;
    for (int b = 1; b <= blocks; ++b) {
        MBSkjot[b] = 4;
        MBStart[b] = 2;
    }
    allocateGrid(8, 4, 4);
    fillGrid([](int i, int j) { return PlanPoint{(i <= 4 ? i - 1 : i - 2) * 1.0, (j - 1) * 1.0}; }, layers(0.5));
    EXPECT_EQ(exitCodeOf(metric), kNoExit);
    expectEach("m_ar_z", {5, 5, 2, 4, 1, 4}, 0.5e-5 * blocks, [](int i, int j, int k) { return m_ar_z[i][j][k]; });
    for (int c = 0; c < 3; ++c)
        expectEach("m_vec_z", {5, 5, 2, 4, 1, 4}, 0.0, [c](int i, int j, int k) { return m_vec_z[i][j][k][c]; });
    expectEach("m_vec_y", {5, 5, 1, 4, 0, 1}, 0.0, [](int i, int j, int c) { return m_vec_y[i][j][c]; });
    expectEach("m_armap", {5, 5, 2, 4, 0, 0}, 0.0, [](int i, int j, int) { return m_armap[i][j]; });
    // The neighbouring rows are ordinary cells.
    expectEach("m_ar_z next row", {6, 6, 2, 4, 1, 4}, 1.0, [](int i, int j, int k) { return m_ar_z[i][j][k]; });
    EXPECT_EQ(readFile("boogie"), "\n\n Error in metric: zero distance between points (5,1) and (4,1)\n\n\n");
}

INSTANTIATE_TEST_SUITE_P(Blocks, MetricJointRow, ::testing::Values(1, 2));

TEST_F(Metric, UnwritableLogEndsWithMinusThree) {
    boxGrid(4, 4, 4, 1.0, 1.0, 1.0);
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(metric), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

}  // namespace
