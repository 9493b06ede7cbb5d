// The machinery shared by the 13-point coefficient generators (second-order
// upwind and QUICK): clearing, the face loops that add a face into the
// couplings of its two cells, the convection-only boundary faces and the wall
// pass that folds second-neighbour couplings into first-neighbour ones.
//
// A scheme S supplies
//   horizontalD(A, dL, dH, gL, gH, p), verticalD(A, dL, dH, gL, gH, p):
//       the diffusion conductance of a face;
//   verticalArea(i, j, k): the area of k-face k of column (i, j);
//   usesR: whether its face rule needs the upwind extrapolation factors;
//   apply<Low, High>(c, k, F, D, rPos, rNeg, firstPos, firstNeg): adds the
//       face into the low cell's couplings (Low) and the high cell's (High).
#pragma once

#include <omp.h>

#include "equations/kernels.h"
#include "equations/parallel.h"
#include "equations/seven_point.h"
#include "flow3d/state.h"
#include "grid/state.h"

namespace secondorder {

using eqk::Grid3;

struct Params {
    double dm, turbMultHor, turbMultVert, invSchmidt;
};
inline Params params() { return {diffusionMultiplier(), TurbMultHor, TurbMultVert, invSchmidt[0]}; }

// The six couplings that a face writes, as rows indexed by k: at the high
// cell H its couplings to L, to LL (the cell behind L) and to HH (the cell
// behind H); at the low cell L its couplings to LL, to H and to HH.
struct Couplings {
    double *hL, *hLL, *hHH, *lLL, *lH, *lHH;
};
inline Couplings iFace(int i, int j) {  // i-face i of row j: L = i, H = i+1
    return {&ae[i + 1][j][0], &aee[i + 1][j][0], &aw[i + 1][j][0], &ae[i][j][0], &aw[i][j][0], &aww[i][j][0]};
}
inline Couplings jFace(int i, int j) {  // j-face j of column i: L = j, H = j+1
    return {&as[i][j + 1][0], &ass[i][j + 1][0], &an[i][j + 1][0], &as[i][j][0], &an[i][j][0], &ann[i][j][0]};
}
inline Couplings kFace(int i, int j) {  // k-face k of column (i, j): L = k, H = k+1
    return {&wab[i][j][1], &abb[i][j][1], &wat[i][j][1], &wab[i][j][0], &wat[i][j][0], &att[i][j][0]};
}

// Upwind extrapolation factor from the upwind cell U and the cell behind it.
inline double extrapolation(double dU, double dUU) { return (2.0 * dU + dUU) / (dU + dUU); }

// Sets the twelve coupling arrays to 0 for i = i1..i2, j 1..ynumber, k 1..znumber.
inline void clearCouplings(int i1, int i2) {
    eqk::clearCoefficients({&ae, &aw, &as, &an, &wab, &wat, &aee, &aww, &ass, &ann, &abb, &att}, i1, i2);
}

// One row of horizontal faces (k = 2..znumber). d0..d3 are the half sizes of
// LL, L, H and HH normal to the faces.
template <typename S, bool Low, bool High>
void faceRow(const Couplings& c, const double* F, const double* A, const double* d0, const double* d1,
             const double* d2, const double* d3, const double* gL, const double* gH, bool firstPos, bool firstNeg,
             const Params& p) {
    for (int k = 2; k <= znumber; ++k) {
        const double D = S::horizontalD(A[k], d1[k], d2[k], gL[k], gH[k], p);
        double rPos = 0.0, rNeg = 0.0;
        if constexpr (S::usesR) {
            rPos = extrapolation(d1[k], d0[k]);
            rNeg = extrapolation(d2[k], d3[k]);
        }
        S::template apply<Low, High>(c, k, F[k], D, rPos, rNeg, firstPos, firstNeg);
    }
}

template <typename S>
void faceRow(bool low, bool high, const Couplings& c, const double* F, const double* A, const double* d0,
             const double* d1, const double* d2, const double* d3, const double* gL, const double* gH, bool firstPos,
             bool firstNeg, const Params& p) {
    if (low && high)
        faceRow<S, true, true>(c, F, A, d0, d1, d2, d3, gL, gH, firstPos, firstNeg, p);
    else if (low)
        faceRow<S, true, false>(c, F, A, d0, d1, d2, d3, gL, gH, firstPos, firstNeg, p);
    else if (high)
        faceRow<S, false, true>(c, F, A, d0, d1, d2, d3, gL, gH, firstPos, firstNeg, p);
}

// The i-faces i = from..to of the single-block grid, each added only into the
// cells that lie in i_first..i_last: a thread that owns those cells writes no
// other cell, and every cell receives its faces in ascending order.
template <typename S>
void iFaces(int from, int to, int i_first, int i_last, const Params& p) {
    for (int i = std::max(from, 2); i <= std::min(to, xnumber - 1); ++i)
        for (int j = 2; j <= ynumber; ++j)
            faceRow<S>(i >= i_first, i + 1 <= i_last, iFace(i, j), &flow1[i][j][0], &m_ar_x[i][j][0],
                       &m_dist_x[i - 1][j][0], &m_dist_x[i][j][0], &m_dist_x[i + 1][j][0], &m_dist_x[i + 2][j][0],
                       &gama[i][j][0], &gama[i + 1][j][0], i == 2, i == xnumber - 1, p);
}

// The interior and boundary k-faces of the columns i = from..to.
template <typename S>
void kFaces(int from, int to, const Params& p) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const Couplings c = kFace(i, j);
            const double *d = &m_dist_z[i][j][0], *g = &gamaV[i][j][0], *F = &flow3[i][j][0];
            for (int k = 2; k <= znumber - 1; ++k) {
                const double D = S::verticalD(S::verticalArea(i, j, k), d[k], d[k + 1], g[k], g[k + 1], p);
                double rPos = 0.0, rNeg = 0.0;
                if constexpr (S::usesR) {
                    rPos = extrapolation(d[k], d[k - 1]);
                    rNeg = extrapolation(d[k + 1], d[k + 2]);
                }
                S::template apply<true, true>(c, k, F[k], D, rPos, rNeg, k == 2, k == znumber - 1);
            }
            wab[i][j][2] = std::max(F[1], 0.0);
            wat[i][j][znumber] = std::max(-F[znumber], 0.0);
            abb[i][j][2] = 0.0;
            att[i][j][znumber] = 0.0;
        }
}

// Boundary i-faces: the inflowing flux only.
inline void inflowIFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            ae[2][j][k] = std::max(flow1[1][j][k], 0.0);
            aee[2][j][k] = 0.0;
        }
}
inline void outflowIFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            aw[xnumber][j][k] = std::max(-flow1[xnumber][j][k], 0.0);
            aww[xnumber][j][k] = 0.0;
        }
}
// Boundary j-faces of column i: low side (j-face 1) and high side (j-face ynumber).
inline void lowJFace(int i) {
    for (int k = 2; k <= znumber; ++k) {
        as[i][2][k] = std::max(flow2[i][1][k], 0.0);
        ass[i][2][k] = 0.0;
    }
}
inline void highJFace(int i) {
    for (int k = 2; k <= znumber; ++k) {
        an[i][ynumber][k] = std::max(-flow2[i][ynumber][k], 0.0);
        ann[i][ynumber][k] = 0.0;
    }
}

// The interior j-face j of column i, as on a single block.
template <typename S>
void plainJFace(int i, int j, const Params& p) {
    faceRow<S, true, true>(jFace(i, j), &flow2[i][j][0], &m_ar_y[i][j][0], &m_dist_y[i][j - 1][0],
                           &m_dist_y[i][j][0], &m_dist_y[i][j + 1][0], &m_dist_y[i][j + 2][0], &gama[i][j][0],
                           &gama[i][j + 1][0], j == 2, j == ynumber - 1, p);
}

// The interior and boundary j-faces of the columns i = from..to, as on a
// single block.
template <typename S>
void jFaces(int from, int to, const Params& p) {
    for (int i = from; i <= to; ++i) {
        for (int j = 2; j <= ynumber - 1; ++j) plainJFace<S>(i, j, p);
        lowJFace(i);
        highJFace(i);
    }
}

// ---------------------------------------------------------------------------
// Wall pass. A fold adds a second-neighbour coupling into the first-neighbour
// coupling of the same direction and sets it to 0, at the cell and at the
// next cell inward, so that the faces next to a wall, a seam between blocks
// or the domain's end are first order. The i-rules touch only ae, aee, aw,
// aww; the j- and k-rules only the other eight arrays and the cells of their
// own i-plane.
// ---------------------------------------------------------------------------
inline void fold(double& first, double& second) {
    first += second;
    second = 0.0;
}

inline void foldI(int from, int to) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const int w = WallI[i][j][k];
                if (i == 2 || w == 1) {
                    fold(ae[i][j][k], aee[i][j][k]);
                    fold(ae[i + 1][j][k], aee[i + 1][j][k]);
                }
                if (i == xnumber || w == -1 || sevenpoint::seamAhead(i, j)) {
                    fold(aw[i][j][k], aww[i][j][k]);
                    fold(aw[i - 1][j][k], aww[i - 1][j][k]);
                }
            }
}

inline void foldJK(int from, int to) {
    for (int i = from; i <= to; ++i) {
        const bool lowLink = Pj1MultiBlock[i][0] != 0, highLink = Pj2MultiBlock[i][0] != 0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const int wj = WallJ[i][j][k], wk = WallK[i][j][k];
                if (wj == 1 || (j == 2 && !lowLink)) {
                    fold(as[i][j][k], ass[i][j][k]);
                    fold(as[i][j + 1][k], ass[i][j + 1][k]);
                }
                if (wj == -1 || (j == ynumber && !highLink)) {
                    fold(an[i][j][k], ann[i][j][k]);
                    fold(an[i][j - 1][k], ann[i][j - 1][k]);
                }
                if (k == 2 || wk == 1) {
                    fold(wab[i][j][k], abb[i][j][k]);
                    fold(wab[i][j][k + 1], abb[i][j][k + 1]);
                }
                if (wk == -1 || k == znumber) {
                    fold(wat[i][j][k], att[i][j][k]);
                    fold(wat[i][j][k - 1], att[i][j][k - 1]);
                }
            }
    }
}

// The cut after the folds: the couplings across the wall faces of the cells
// i = from..to set to 0, as in the 7-point schemes.
inline void cutIWalls(int from, int to) {
    sevenpoint::lowIWalls(from, to);
    sevenpoint::highIWalls(from, to);
}
inline void cutJKWalls(int from, int to) { sevenpoint::jkWalls(from, to); }
inline void cutWalls(int from, int to) {
    cutIWalls(from, to);
    cutJKWalls(from, to);
}

// The whole grid: clearing, k-faces, horizontal faces (through `multiBlock`
// on a multi-block grid when the scheme has such a branch), walls.
template <typename S>
void wholeGrid(const Params& p, void (*multiBlock)(const Params&)) {
    clearCouplings(1, xnumber);
    kFaces<S>(2, xnumber, p);
    if (multiBlock && MBNo != 0) {
        multiBlock(p);
    } else {
        iFaces<S>(2, xnumber - 1, 2, xnumber, p);
        inflowIFace();
        outflowIFace();
        jFaces<S>(2, xnumber, p);
    }
    foldI(2, xnumber);
    foldJK(2, xnumber);
    cutWalls(2, xnumber);
}

// One block of i-planes, called once by every thread of a team of
// NoProcessesSolver threads. On a single-block grid each thread adds faces
// only into the cells of its own block (a face between two blocks is
// computed by both threads, each for its own cell), so no addition is shared
// and every cell receives its faces in the serial order; a multi-block branch
// runs on the thread numbered 0 alone. The thread numbered 0 folds and cuts
// the i-couplings of the whole grid, every thread the j- and k-couplings of
// its block. Barriers after clearing, before the wall pass and before return,
// so that on return the coefficients of every block are complete.
template <typename S>
void perThread(int i_first, int i_last, const Params& p, void (*multiBlock)(const Params&)) {
    const int t = omp_get_thread_num();
    clearCouplings(i_first, i_last);
    par::barrier();
    kFaces<S>(i_first, i_last, p);
    if (multiBlock && MBNo != 0) {
        if (t == 0) multiBlock(p);
    } else {
        iFaces<S>(i_first - 1, i_last, i_first, i_last, p);
        if (t == 0) inflowIFace();
        if (t == NoProcessesSolver - 1) outflowIFace();
        jFaces<S>(i_first, i_last, p);
    }
    par::barrier();
    if (t == 0) {
        foldI(2, xnumber);
        cutIWalls(2, xnumber);
    }
    foldJK(i_first, i_last);
    cutJKWalls(i_first, i_last);
    par::barrier();
}

}  // namespace secondorder
