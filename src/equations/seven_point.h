// The pass structure shared by the 7-point coefficient generators (power law
// and central differences): interior face pairs, convection-only boundary
// faces, and the wall pass that closes flagged faces. A scheme supplies the
// face pair of a horizontal face and the k-faces of a column.
#pragma once

#include <omp.h>

#include <cmath>

#include "equations/kernels.h"
#include "equations/parallel.h"
#include "flow3d/state.h"
#include "grid/state.h"

namespace sevenpoint {

using eqk::Grid3;

struct Pair {
    double low, high;  // low cell's coupling to the high cell, and the reverse
};

// Parameters of one generation of coefficients, held in locals so that the
// face loops need not reload them after every store.
struct Params {
    double dm;  // diffusion multiplier
    double s;   // stress weight (power law only)
    double turbMultHor, turbMultVert, schmidt, artDiff;
};
inline Params params() {
    return {diffusionMultiplier(), Equation <= 3 ? StressDiff : 0.0, TurbMultHor, TurbMultVert, Schmidt, ArtDiff};
}

// The face pairs of one column of horizontal faces, k = 2..zn. The arrays do
// not overlap, which lets the loop vectorise.
template <typename S>
void horizontalColumn(const double* __restrict dL, const double* __restrict dH, const double* __restrict gL,
                      const double* __restrict gH, const double* __restrict A, const double* __restrict F,
                      double* __restrict low, double* __restrict high, int zn, const Params p) {
    for (int k = 2; k <= zn; ++k) {
        const Pair c = S::horizontal(A[k], dL[k], dH[k], gL[k], gH[k], F[k], p);
        low[k] = c.low;
        high[k] = c.high;
    }
}

// Interior i-faces i = from..to (low cell i).
template <typename S>
void iFaces(int from, int to, const Params p) {
    const Grid3<double> gAe = eqk::grid(ae), gAw = eqk::grid(aw), gD = eqk::grid(m_dist_x), gG = eqk::grid(gama),
                        gA = eqk::grid(m_ar_x), gF = eqk::grid(flow1);
    const int zn = znumber;
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j)
            horizontalColumn<S>(gD.row(i, j), gD.row(i + 1, j), gG.row(i, j), gG.row(i + 1, j), gA.row(i, j),
                                gF.row(i, j), gAw.row(i, j), gAe.row(i + 1, j), zn, p);
}

// Boundary i-face 1: the inflowing flux only.
inline void inflowIFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) ae[2][j][k] = std::max(flow1[1][j][k], 0.0);
}
// Boundary i-face xnumber.
inline void outflowIFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) aw[xnumber][j][k] = std::max(-flow1[xnumber][j][k], 0.0);
}

// Interior and boundary j-faces of the columns i = from..to.
template <typename S>
void jFaces(int from, int to, const Params p) {
    const Grid3<double> gAn = eqk::grid(an), gAs = eqk::grid(as), gD = eqk::grid(m_dist_y), gG = eqk::grid(gama),
                        gA = eqk::grid(m_ar_y), gF = eqk::grid(flow2);
    const int zn = znumber;
    for (int i = from; i <= to; ++i) {
        for (int j = 2; j <= ynumber - 1; ++j)
            horizontalColumn<S>(gD.row(i, j), gD.row(i, j + 1), gG.row(i, j), gG.row(i, j + 1), gA.row(i, j),
                                gF.row(i, j), gAn.row(i, j), gAs.row(i, j + 1), zn, p);
        for (int k = 2; k <= zn; ++k) {
            as[i][2][k] = std::max(flow2[i][1][k], 0.0);
            an[i][ynumber][k] = std::max(-flow2[i][ynumber][k], 0.0);
        }
    }
}

// Interior and boundary k-faces of the columns i = from..to.
template <typename S>
void kFaces(int from, int to, const Params p) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double* low = &wat[i][j][0];
            double* high = &wab[i][j][0];
            const double* F = &flow3[i][j][0];
            S::verticalColumn(i, j, low, high + 1, p);
            high[2] = std::max(F[1], 0.0);
            low[znumber] = std::max(-F[znumber], 0.0);
        }
}

// Wall pass: the j- and k-walls of the cells i = from..to.
inline void jkWalls(int from, int to) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const int *wj = &WallJ[i][j][0], *wk = &WallK[i][j][0];
            double *s = &as[i][j][0], *n = &an[i][j][0], *b = &wab[i][j][0], *t = &wat[i][j][0];
            for (int k = 2; k <= znumber; ++k) {
                if (wj[k] == 1) s[k] = 0.0;
                if (wj[k] == -1) n[k] = 0.0;
                if (wk[k] == 1) b[k] = 0.0;
                if (wk[k] == -1) t[k] = 0.0;
            }
        }
}
// Wall pass: `ae` of the cells i = from..to where WallI is +1.
inline void lowIWalls(int from, int to) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (WallI[i][j][k] == 1) ae[i][j][k] = 0.0;
}
// Whether the high i-face of cell (i, j) is a seam between blocks: the cell
// lies in the last row of a block and the cell after it in index order is a
// joint cell, which is joined to its host cell, not to this one. A seam face
// is closed in every equation, as a wall.
inline bool seamAhead(int i, int j) { return MBNo > 0 && Pi1MultiBlock[i + 1][j][0] != 0; }

// Wall pass: `aw` of the cells i = from..to where WallI is -1 or the high
// face is a seam.
inline void highIWalls(int from, int to) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (seamAhead(i, j)) {
                for (int k = 2; k <= znumber; ++k) aw[i][j][k] = 0.0;
                continue;
            }
            for (int k = 2; k <= znumber; ++k)
                if (WallI[i][j][k] == -1) aw[i][j][k] = 0.0;
        }
}

// The whole grid: faces, boundary faces, the scheme's own pass (block joint
// links of the power law) and walls. A scheme that is paired with scheme
// numbers of the 13-point solvers (the power law serves every number without
// a generator of its own) clears the second-neighbour couplings, so that
// those solvers never read the couplings of an earlier equation.
template <typename S>
void wholeGrid(const char* who) {
    if (!eqk::checkEquation(who)) return;
    const Params p = params();
    if (xnumber < 2) return;
    if constexpr (S::clearsSecondNeighbours) eqk::clearSecondNeighbours(1, xnumber);
    iFaces<S>(2, xnumber - 1, p);
    inflowIFace();
    outflowIFace();
    jFaces<S>(2, xnumber, p);
    kFaces<S>(2, xnumber, p);
    S::links(2, xnumber, p);
    lowIWalls(2, xnumber);
    highIWalls(2, xnumber);
    jkWalls(2, xnumber);
}

// One block of i-planes, called by every thread of a team of
// NoProcessesSolver threads with its block. A face belongs to the block of
// its low cell, so `ae` of a cell is written by the thread of the cell before
// it (of cell 2 by thread 0). Ends with a barrier: on return the coefficients
// of every block are complete. A team that finds the workspace unfit leaves
// together, before any thread writes.
template <typename S>
void perThread(int i_first, int i_last, const char* who) {
    if (eqk::checkEquation(who)) eqk::requireTeam(who);
    if (par::faulted()) return;
    const Params p = params();
    const int t = omp_get_thread_num();
    if constexpr (S::clearsSecondNeighbours) eqk::clearSecondNeighbours(i_first, i_last);
    iFaces<S>(i_first, std::min(i_last + 1, xnumber) - 1, p);
    if (t == 0) {
        inflowIFace();
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) aw[1][j][k] = 0.0;
    }
    if (t == NoProcessesSolver - 1) {
        outflowIFace();
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) ae[xnumber + 1][j][k] = 0.0;
    }
    jFaces<S>(i_first, i_last, p);
    kFaces<S>(i_first, i_last, p);
    if (S::writesLinks && MBNo > 0) {
        // A link writes `ae` of a joint-row cell of any block: after every
        // block's i-faces, before any block's wall pass.
        par::barrier();
        S::links(i_first, i_last, p);
        par::barrier();
    }
    if (t == 0) lowIWalls(2, 2);
    lowIWalls(i_first + 1, i_last + 1);
    highIWalls(i_first, i_last);
    jkWalls(i_first, i_last);
    par::barrier();
}

}  // namespace sevenpoint
