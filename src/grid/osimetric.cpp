// Cell geometry of the grid: half lengths, face areas and normals, plan areas,
// volumes and the ghost copies, rebuilt from the nodes on every call.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "control/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"

using namespace geometry;

namespace {

// Smallest twice-area of a k-face that the geometry accepts.
constexpr double kMinTwiceArea = 1e-10;
// Shortest horizontal edge that gives a face normal.
constexpr double kMinEdge = 1e-10;

// Every geometry slot of the index space to 0 (m_armap, Volume and
// blevel keep their values).
void clearGeometry(int X, int Y, int Z) {
#pragma omp parallel for schedule(static)
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j) {
            for (int k = 0; k <= Z + 1; ++k) {
                m_dist_x[i][j][k] = m_dist_y[i][j][k] = m_dist_z[i][j][k] = 0.0;
                m_ar_x[i][j][k] = m_ar_y[i][j][k] = m_ar_z[i][j][k] = 0.0;
                for (int c = 0; c < 3; ++c) m_vec_z[i][j][k][c] = 0.0;
            }
            for (int c = 0; c < 2; ++c) m_vec_x[i][j][c] = m_vec_y[i][j][c] = 0.0;
        }
}

// Node ghosts across i: node lines 0 and X+1 copy lines 1 and X, levels 0..Z+1.
void ghostLevelsAcrossI(int X, int Y, int Z) {
    for (int j = 0; j <= Y + 1; ++j)
        for (int k = 0; k <= Z + 1; ++k) {
            zval[0][j][k] = zval[1][j][k];
            zval[X + 1][j][k] = zval[X][j][k];
        }
}

// The cells of row i (columns 2..Y) and the i-faces on node line i.
// A k-face whose area is below the limit keeps its slots at 0; the first one
// of the line is returned as its (j, k), j = 0 when there is none.
struct FaceFault {
    int j = 0, k = 0;
};

FaceFault cellLine(int i, int Y, int Z) {
    const int joints = blocksJoinedAtRow(i);
    FaceFault fault;
    // i-faces on node line i (1..X).
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) {
            const double a = verticalFaceArea({i, j}, {i, j - 1}, k);
            m_ar_x[i][j][k] = a;
            m_ar_x[i][j][0] += a;
        }
    if (i < 2) return fault;
    // j-faces of cell row i (2..X), j 1..Y.
    for (int j = 1; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) {
            const double a = verticalFaceArea({i, j}, {i - 1, j}, k);
            m_ar_y[i][j][k] = a;
            m_ar_y[i][j][0] += a;
        }
    for (int j = 2; j <= Y; ++j) {
        const CellCorners c = cellCorners(i, j);
        const Vec2 si = spanI(c), sj = spanJ(c);
        // Half lengths and half heights of the cells of the column.
        for (int k = 2; k <= Z; ++k) {
            m_dist_x[i][j][k] = halfLength(si, riseI(c, k));
            m_dist_y[i][j][k] = halfLength(sj, riseJ(c, k));
            const double h = halfHeight(c, k);
            m_dist_z[i][j][k] = h;
            m_dist_z[i][j][0] += h;
        }
        // Plan half lengths.
        m_dist_x[i][j][0] = planHalfLength(si);
        m_dist_y[i][j][0] = planHalfLength(sj);
        // Height of the bed cell's centre above the bed.
        blevel[i][j] = m_dist_z[i][j][2];
        // k-faces. A joint row's faces span two blocks and may be degenerate
        // here; 1e-5 per joined block lets them pass until smetric rebuilds them.
        for (int k = 1; k <= Z; ++k) {
            const Vec3 n = kFaceNormalTwiceArea(c, k);
            double s = length(n);
            for (int b = 0; b < joints; ++b) s += 1e-5;
            if (s < kMinTwiceArea) {
                if (fault.j == 0) fault = {j, k};
                continue;
            }
            storeKFace(i, j, k, n, s);
        }
        // Plan area and volumes (the bed slot k = 1 has no height yet).
        m_armap[i][j] = planArea(m_ar_z[i][j][2], m_vec_z[i][j][2][2]);
        for (int k = 1; k <= Z; ++k) Volume[i][j][k] = cellVolume(m_armap[i][j], m_dist_z[i][j][k]);
    }
    return fault;
}

// Horizontal unit normals of the i- and j-faces. An edge of
// (near) zero length is logged and the rest of its node line keeps normals 0.
// Returns true when such a zero normal lies on a face that the computation
// uses: every i-face, and every j-face outside a joint row (smetric rebuilds
// the j-faces of a joint row from the host wall).
bool faceNormals(Log& log, int X, int Y, int Z) {
    bool usedZeroNormal = false;
    for (int i = 1; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            const Vec2 e = planEdge({i, j - 1}, {i, j});
            const double L = length(e);
            if (L < kMinEdge) {
                log.printf("\n\n Error in metric: zero distance between points (%d,%d) and (%d,%d)\n\n\n", i, j, i,
                           j - 1);
                std::snprintf(mc_v1, sizeof mc_v1, " Error in metric: zero distance between points (%d,%d) and (%d,%d)",
                              i, j, i, j - 1);
                usedZeroNormal = true;
                break;
            }
            storePlanNormal(m_vec_x, i, j, iFaceNormal(e, L));
        }
    for (int i = 2; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            const Vec2 e = planEdge({i - 1, j}, {i, j});
            const double L = length(e);
            if (L < kMinEdge) {
                log.printf("\n\n Error in metric: zero distance between points (%d,%d) and (%d,%d)\n\n\n", i, j,
                           i - 1, j);
                std::snprintf(mc_v1, sizeof mc_v1, " Error for i=%d j=%d k=%d", i, j, Z + 1);
                if (blocksJoinedAtRow(i) == 0) usedZeroNormal = true;
                break;
            }
            storePlanNormal(m_vec_y, i, j, jFaceNormal(e, L));
        }
    return usedZeroNormal;
}

// Ghost copies of the geometry and of the nodes.
void ghostPass(int X, int Y, int Z) {
    for (int j = 2; j <= Y; ++j) {
        for (int k = 2; k <= Z; ++k) {
            m_ar_y[1][j][k] = 0.0;
            m_dist_z[1][j][k] = m_dist_z[2][j][k];
            m_dist_z[X + 1][j][k] = m_dist_z[X][j][k];
            m_dist_x[1][j][k] = m_dist_x[0][j][k] = m_dist_x[2][j][k];
            m_dist_x[X + 1][j][k] = m_dist_x[X][j][k];
        }
        m_vec_y[1][j][0] = m_vec_y[2][j][0];
        m_vec_y[1][j][1] = m_vec_y[2][j][1];
        blevel[1][j] = blevel[2][j];
        blevel[X + 1][j] = blevel[X][j];
        for (int c = 0; c < 3; ++c) {
            m_vec_z[1][j][1][c] = m_vec_z[2][j][1][c];
            m_vec_z[X + 1][j][1][c] = m_vec_z[X][j][1][c];
        }
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            m_dist_z[i][j][1] = m_dist_z[i][j][2];
            m_dist_z[i][j][Z + 1] = m_dist_z[i][j][Z + 2] = m_dist_z[i][j][Z];
        }
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            m_dist_y[i][1][k] = m_dist_y[i][2][k];
            m_dist_y[i][Y + 1][k] = m_dist_y[i][Y][k];
        }
    for (int i = 1; i <= X; ++i) {
        xval[i][0] = xval[i][1];
        yval[i][0] = yval[i][1];
        xval[i][Y + 1] = xval[i][Y];
        yval[i][Y + 1] = yval[i][Y];
        for (int k = 0; k <= Z; ++k) {
            zval[i][Y + 1][k] = zval[i][Y][k];
            zval[i][0][k] = zval[i][1][k];
        }
    }
    for (int j = 0; j <= Y + 1; ++j) {
        xval[0][j] = xval[1][j];
        yval[0][j] = yval[1][j];
        xval[X + 1][j] = xval[X][j];
        yval[X + 1][j] = yval[X][j];
        for (int k = 0; k <= Z; ++k) {
            zval[X + 1][j][k] = zval[X][j][k];
            zval[0][j][k] = zval[1][j][k];
        }
    }
}

}  // namespace

void metric() {
    Log log;
    const int X = xnumber, Y = ynumber, Z = znumber;

    clearGeometry(X, Y, Z);
    ghostLevelsAcrossI(X, Y, Z);

    // One node line and cell row per iteration. The first faulty
    // k-face in (i, j, k) order is reported, as a serial sweep would find it.
    long long fault = LLONG_MAX;
#pragma omp parallel for schedule(static) reduction(min : fault)
    for (int i = 1; i <= X; ++i) {
        const FaceFault ff = cellLine(i, Y, Z);
        if (ff.j != 0) fault = std::min(fault, ((static_cast<long long>(i) * (Y + 2)) + ff.j) * (Z + 2) + ff.k);
    }
    if (fault != LLONG_MAX) {
        const int k = static_cast<int>(fault % (Z + 2));
        const int j = static_cast<int>(fault / (Z + 2) % (Y + 2));
        const int i = static_cast<int>(fault / (Z + 2) / (Y + 2));
        log.printf(" Error in osimetric-44 for i=%d j=%d k=%d\n", i, j, k);
        log.close();
        endRun(-2);
    }

    if (faceNormals(log, X, Y, Z)) {
        // A face of the computation without a normal: the grid has two nodes
        // at one plan position on it.
        log.close();
        endRun(-2);
    }
    ghostPass(X, Y, Z);
}
