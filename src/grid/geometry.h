// Finite-volume geometry of a grid cell, as small named formulas.
//
// `metric` and `smetric` build the stored geometry (m_dist_*, m_ar_*, m_vec_*,
// m_armap, Volume, blevel, dx1 .. dz3) from these functions; every other
// routine reads the stored arrays, or, when it needs a quantity of the
// geometry anew, calls the same function here instead of writing the formula
// again.
//
// Grid numbering: node columns (i, j) with plan position p(i, j) =
// (xval[i][j], yval[i][j]) and levels z(i, j, k) = zval[i][j][k]; grid lines
// are vertical. Cell (i, j, k) has the corner nodes i-1..i, j-1..j, k-1..k.
// Its four corner columns are named by the side they lie on: first digit i
// (0 = node line i-1, 1 = node line i), second digit j (0 = j-1, 1 = j).
#pragma once

#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "grid/state.h"

namespace geometry {

// Largest number of blocks that W 3 attaches to the main block.
constexpr int kMaxAttachedBlocks = 9;

// The attached blocks 1..n that MBNo names, bounded by the size of the W 3 tables.
inline int attachedBlocks() { return std::clamp(MBNo, 0, kMaxAttachedBlocks); }

// Number of attached blocks whose joint row is cell row i (block b joins with
// its first cell row MBSkjot[b] + 1).
inline int blocksJoinedAtRow(int i) {
    int n = 0;
    for (int b = 1; b <= attachedBlocks(); ++b)
        if (MBSkjot[b] == i - 1) ++n;
    return n;
}

struct Vec2 {
    double x, y;
};
struct Vec3 {
    double x, y, z;
};

inline double length(Vec2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }
inline double length(Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// n = a x b.
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A node column of the grid.
struct NodeColumn {
    int i, j;
};

inline Vec2 plan(NodeColumn n) { return {xval[n.i][n.j], yval[n.i][n.j]}; }
inline double nodeLevel(NodeColumn n, int k) { return zval[n.i][n.j][k]; }
inline Vec3 node(NodeColumn n, int k) { return {xval[n.i][n.j], yval[n.i][n.j], zval[n.i][n.j][k]}; }

// The four corner columns of cell column (i, j). A block joint replaces the
// two columns on node line i-1 by nodes of the host column's side wall.
struct CellCorners {
    NodeColumn c00, c10, c01, c11;
};

inline CellCorners cellCorners(int i, int j) { return {{i - 1, j - 1}, {i, j - 1}, {i - 1, j}, {i, j}}; }

// Plan vector across the cell in i, from the mid-point of its low i-edge to
// the mid-point of its high i-edge (dx1, dy1; twice the plan half length).
inline Vec2 spanI(const CellCorners& c) {
    const Vec2 p00 = plan(c.c00), p10 = plan(c.c10), p01 = plan(c.c01), p11 = plan(c.c11);
    return {0.5 * (p11.x + p10.x - p01.x - p00.x), 0.5 * (p11.y + p10.y - p01.y - p00.y)};
}

// The same across the cell in j (dx2, dy2).
inline Vec2 spanJ(const CellCorners& c) {
    const Vec2 p00 = plan(c.c00), p10 = plan(c.c10), p01 = plan(c.c01), p11 = plan(c.c11);
    return {0.5 * (p11.x + p01.x - p10.x - p00.x), 0.5 * (p11.y + p01.y - p10.y - p00.y)};
}

// Rise across the cell of layer k (nodes k-1..k) in i: level of the centre of
// its high i-face minus that of its low i-face (dz1).
inline double riseI(const CellCorners& c, int k) {
    return 0.25 * (nodeLevel(c.c11, k) + nodeLevel(c.c10, k) + nodeLevel(c.c11, k - 1) + nodeLevel(c.c10, k - 1) -
                   nodeLevel(c.c01, k) - nodeLevel(c.c00, k) - nodeLevel(c.c01, k - 1) - nodeLevel(c.c00, k - 1));
}

// The same in j (dz2).
inline double riseJ(const CellCorners& c, int k) {
    return 0.25 * (nodeLevel(c.c11, k) + nodeLevel(c.c01, k) + nodeLevel(c.c11, k - 1) + nodeLevel(c.c01, k - 1) -
                   nodeLevel(c.c10, k) - nodeLevel(c.c00, k) - nodeLevel(c.c10, k - 1) - nodeLevel(c.c00, k - 1));
}

// Half the height of the cell of layer k: half the mean over the four corner
// columns of z(k) - z(k-1) (m_dist_z).
// Level of the centre of cell (i, j, k): the mean of its eight corner nodes.
inline double cellCentreLevel(int i, int j, int k) {
    return 0.125 * (zval[i - 1][j - 1][k - 1] + zval[i][j - 1][k - 1] + zval[i - 1][j][k - 1] + zval[i][j][k - 1] +
                    zval[i - 1][j - 1][k] + zval[i][j - 1][k] + zval[i - 1][j][k] + zval[i][j][k]);
}

inline double halfHeight(const CellCorners& c, int k) {
    return 0.125 * (nodeLevel(c.c11, k) + nodeLevel(c.c01, k) + nodeLevel(c.c10, k) + nodeLevel(c.c00, k) -
                    nodeLevel(c.c11, k - 1) - nodeLevel(c.c01, k - 1) - nodeLevel(c.c10, k - 1) - nodeLevel(c.c00, k - 1));
}

// Cell height: the mean over the four corner columns of z(k) - z(k-1) (dz3).
inline double cellHeight(const CellCorners& c, int k) {
    return 0.25 * ((nodeLevel(c.c00, k) - nodeLevel(c.c00, k - 1)) + (nodeLevel(c.c10, k) - nodeLevel(c.c10, k - 1)) +
                   (nodeLevel(c.c01, k) - nodeLevel(c.c01, k - 1)) + (nodeLevel(c.c11, k) - nodeLevel(c.c11, k - 1)));
}

// Half the distance between the centres of the two faces that a span and a
// rise join (m_dist_x from spanI and riseI, m_dist_y from spanJ and riseJ).
inline double halfLength(Vec2 span, double rise) {
    return 0.5 * std::sqrt(span.x * span.x + span.y * span.y + rise * rise);
}

// Plan vector of a horizontal edge, from node column `from` to node column `to`.
inline Vec2 planEdge(NodeColumn from, NodeColumn to) {
    const Vec2 a = plan(from), b = plan(to);
    return {b.x - a.x, b.y - a.y};
}

// Plan half length of a column (slot k = 0 of m_dist_x and m_dist_y).
inline double planHalfLength(Vec2 span) { return 0.5 * length(span); }

// Area of the vertical face of layer k between node columns a and b: the
// exact area of the trapezoid, signed by the node order in k.
inline double verticalFaceArea(NodeColumn a, NodeColumn b, int k) {
    return 0.5 * (nodeLevel(a, k) + nodeLevel(b, k) - nodeLevel(a, k - 1) - nodeLevel(b, k - 1)) * length(planEdge(b, a));
}

// Normal of the face on node surface k of a cell column, of length twice the
// face area: the cross product d2 x d1 of its diagonals d1 = P11 - P00 and
// d2 = P10 - P01. Points up for a right-handed plan grid.
inline Vec3 kFaceNormalTwiceArea(const CellCorners& c, int k) {
    const Vec3 p00 = node(c.c00, k), p10 = node(c.c10, k), p01 = node(c.c01, k), p11 = node(c.c11, k);
    const Vec3 d1{p11.x - p00.x, p11.y - p00.y, p11.z - p00.z};
    const Vec3 d2{p10.x - p01.x, p10.y - p01.y, p10.z - p01.z};
    return cross(d2, d1);
}

// Unit normal of an i-face from its edge p(i, j) - p(i, j-1) of length L > 0
// (towards increasing i for a right-handed grid).
inline Vec2 iFaceNormal(Vec2 edge, double L) { return {edge.y / L, -edge.x / L}; }
// Unit normal of a j-face from its edge p(i, j) - p(i-1, j) of length L > 0
// (towards increasing j for a right-handed grid).
inline Vec2 jFaceNormal(Vec2 edge, double L) { return {-edge.y / L, edge.x / L}; }

// Signed plan area of a column from the area and the unit normal of one of its k-faces.
inline double planArea(double kFaceArea, double normalZ) { return kFaceArea * normalZ; }

// Cell volume from the plan area and the half height.
inline double cellVolume(double planArea, double halfHeight) { return 2.0 * planArea * halfHeight; }

// Stores the k-face on node surface k of cell column (i, j) from its normal n
// of length s (twice the area, see kFaceNormalTwiceArea): area s / 2, unit normal n / s.
inline void storeKFace(int i, int j, int k, Vec3 n, double s) {
    m_ar_z[i][j][k] = 0.5 * s;
    m_vec_z[i][j][k][0] = n.x / s;
    m_vec_z[i][j][k][1] = n.y / s;
    m_vec_z[i][j][k][2] = n.z / s;
}

// Stores a horizontal unit normal of the i- or j-faces of a column segment.
inline void storePlanNormal(FieldArray<double, 3>& normals, int i, int j, Vec2 n) {
    normals[i][j][0] = n.x;
    normals[i][j][1] = n.y;
}

}  // namespace geometry
