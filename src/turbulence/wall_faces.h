// Wall-face data of a wall cell, shared by the wall routines: the face of
// each wall with its area and outward normal, the wall distance, the
// roughness rules and the sediment-reduced von Karman constant.
#pragma once

#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"

namespace wallface {

// The face of a wall: area and unit normal (nz = 0 for i- and j-faces, whose
// normals are horizontal).
struct Face {
    double A;
    double nx, ny, nz;
};

// The wall of direction dir (0 i, 1 j, 2 k) of cell (i, j, k): flag +1 its
// low face (face i-1, j-1 or k-1), otherwise its high face.
inline Face of(int dir, int flag, int i, int j, int k) {
    if (dir == 0) {
        const int fi = flag > 0 ? i - 1 : i;
        return {m_ar_x[fi][j][k], m_vec_x[fi][j][0], m_vec_x[fi][j][1], 0.0};
    }
    if (dir == 1) {
        const int fj = flag > 0 ? j - 1 : j;
        return {m_ar_y[i][fj][k], m_vec_y[i][fj][0], m_vec_y[i][fj][1], 0.0};
    }
    const int fk = flag > 0 ? k - 1 : k;
    return {m_ar_z[i][j][fk], m_vec_z[i][j][fk][0], m_vec_z[i][j][fk][1], m_vec_z[i][j][fk][2]};
}

// Distance from the centre of cell (i, j, k) to a wall of direction dir: the
// half cell size across it.
inline double distance(int dir, int i, int j, int k) {
    return dir == 0 ? m_dist_x[i][j][k] : dir == 1 ? m_dist_y[i][j][k] : m_dist_z[i][j][k];
}

// The wall flag of direction dir.
inline int flag(int dir, int i, int j, int k) {
    return dir == 0 ? WallI[i][j][k] : dir == 1 ? WallJ[i][j][k] : WallK[i][j][k];
}

// A cell whose k-direction wall is bed-type: the bed cell k = 2, or a cell
// with a wall below it (the top of a blocked box).
inline bool bedCell(int i, int j, int k) { return k == 2 || WallK[i][j][k] == 1; }

// Roughness of the side walls and roofs of row j: XksJ1 at j = 2 (tested
// first), XksJ2 at j = ynumber, XksWall elsewhere.
inline double rowRoughness(int j) {
    if (j == 2) return XksJ1;
    if (j == ynumber) return XksJ2;
    return XksWall;
}

// The von Karman constant reduced by the cell's total sediment concentration.
inline double reducedKappa(int i, int j, int k) { return Xkappa / (1.0 + 2.5 * conc[0][i][j][k]); }

// The normal's component along the axis of momentum equation eq: x for 1,
// y for 2, z for any other.
inline double along(const Face& f, int eq) { return eq == 1 ? f.nx : eq == 2 ? f.ny : f.nz; }

// Normal velocity n . U of the cell centre.
inline double normalVelocity(const Face& f, double u, double v, double w) { return f.nx * u + f.ny * v + f.nz * w; }

}  // namespace wallface

// Clears wap and source of the wall cells of the i-planes istart..iend by
// the rules of the wall kernel: F 15 3 (k and above) the cells with a
// k-direction wall, F 15 4 those and the side-wall cells above the bed
// roughness, the one-equation model's k nothing, otherwise every wall cell.
void clearWallCells(int istart, int iend);
