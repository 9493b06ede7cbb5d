// Grid derivatives of every cell, and the geometry of the joint-row cells of
// a multi-block grid rebuilt against the host column's side wall.
#include "control/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"

using namespace geometry;

namespace {

// Shortest joint j-face edge, and smallest twice-area of a joint k-face.
constexpr double kMinJointEdge = 1e-5;
constexpr double kMinJointTwiceArea = 1e-5;

void interiorDerivatives(int X, int Y, int Z) {
#pragma omp parallel for schedule(static)
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            const CellCorners c = cellCorners(i, j);
            const Vec2 si = spanI(c), sj = spanJ(c);
            dx1[i][j] = si.x;
            dy1[i][j] = si.y;
            dx2[i][j] = sj.x;
            dy2[i][j] = sj.y;
            for (int k = 2; k <= Z; ++k) {
                dz1[i][j][k] = riseI(c, k);
                dz2[i][j][k] = riseJ(c, k);
                dz3[i][j][k] = 2.0 * m_dist_z[i][j][k];
            }
        }
}

enum class Side { Right, Left };

// Joint cell (a, ja) of host column i: its corners with the two columns on
// node line a-1 replaced by the host column's wall nodes.
CellCorners jointCorners(Side side, int i, int a, int ja) {
    CellCorners c = cellCorners(a, ja);
    if (side == Side::Right) {
        c.c00 = {i - 1, 1};
        c.c01 = {i, 1};
    } else {
        c.c00 = {i, ynumber};
        c.c01 = {i - 1, ynumber};
    }
    return c;
}

// Unit normal of a joint j-face from its edge `from` -> `to`; false when the edge is too short.
bool jointJFaceNormal(NodeColumn from, NodeColumn to, int a, int j) {
    const Vec2 e = planEdge(from, to);
    const double L = length(e);
    if (L < kMinJointEdge) return false;
    storePlanNormal(m_vec_y, a, j, jFaceNormal(e, L));
    return true;
}

void rebuildJointCell(Log& log, Side side, int i, int a, int ja) {
    const int Y = ynumber, Z = znumber;
    if (side == Side::Right)
        log.printf("MB setup for right side, Pj1(%d)=%d,%d\n", i, a, ja);
    else
        log.printf("MB setup for left side, Pj2(%d)=%d,%d\n", i, a, ja);

    const CellCorners c = jointCorners(side, i, a, ja);
    const Vec2 si = spanI(c), sj = spanJ(c);
    dx1[a][ja] = si.x;
    dy1[a][ja] = si.y;
    dx2[a][ja] = sj.x;
    dy2[a][ja] = sj.y;

    // The joint cell's high j-face, and when it is the first cell of the row
    // also its low j-face (the joint row's face on wall j = 1).
    if (!jointJFaceNormal(c.c01, c.c11, a, ja) || (ja == 2 && !jointJFaceNormal(c.c00, c.c10, a, 1))) {
        log.printf(" MB-met-Error for i=%d j=%d k=%d\n", i, Y + 1, Z + 1);
        log.close();
        endRun(-1);
    }

    for (int k = 2; k <= Z; ++k) {
        m_ar_y[a][ja][k] = verticalFaceArea(c.c11, c.c01, k);
        if (ja == 2) m_ar_y[a][1][k] = verticalFaceArea(c.c10, c.c00, k);
        dz1[a][ja][k] = riseI(c, k);
        dz2[a][ja][k] = riseJ(c, k);
        dz3[a][ja][k] = cellHeight(c, k);
        m_dist_z[a][ja][k] = dz3[a][ja][k] / 2.0;
        m_dist_x[a][ja][k] = halfLength(si, dz1[a][ja][k]);
        m_dist_y[a][ja][k] = halfLength(sj, dz2[a][ja][k]);
    }

    for (int k = 1; k <= Z; ++k) {
        const Vec3 n = kFaceNormalTwiceArea(c, k);
        const double s = length(n);
        if (s < kMinJointTwiceArea) {
            log.printf("MultiBlock error for %s side\n", side == Side::Right ? "right" : "left");
            log.printf("i=%d k=%d\n", i, k);
            log.printf("ia=%d ja=%d\n", a, ja);
            log.printf("ib=%d jb=%d\n", a, ja - 1);
            if (side == Side::Right) {
                log.printf("ic=%d jc=%d\n", i, 1);
                log.printf("id=%d jd=%d\n", i - 1, 1);
            } else {
                log.printf("ic=%d jc=%d\n", i - 1, Y);
                log.printf("id=%d jd=%d\n", i, Y);
            }
            log.close();
            endRun(-1);
        }
        storeKFace(a, ja, k, n, s);
    }
    m_armap[a][ja] = planArea(m_ar_z[a][ja][2], m_vec_z[a][ja][2][2]);
    // The volumes from the new plan area and heights, as metric forms them
    // (its bed slot k = 1 has no height: its 0 stays).
    for (int k = 2; k <= Z; ++k) Volume[a][ja][k] = cellVolume(m_armap[a][ja], m_dist_z[a][ja][k]);
}

}  // namespace

void smetric() {
    Log log;
    interiorDerivatives(xnumber, ynumber, znumber);
    if (MBNo <= 0) return;
    for (int i = 2; i <= xnumber; ++i) {
        if (Pj1MultiBlock[i][0] != 0) rebuildJointCell(log, Side::Right, i, Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]);
        if (Pj2MultiBlock[i][0] != 0) rebuildJointCell(log, Side::Left, i, Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]);
    }
}
