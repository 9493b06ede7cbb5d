// Power-law coefficients: diffusion conductance per face weighted by a
// function of the face Peclet number, plus first-order upwind convection.
#include <omp.h>

#include <cmath>

#include "equations/kernels.h"
#include "equations/parallel.h"

namespace {

using eqk::Grid3;

// Power-law weight of a face: max(0, (1 - 0.1 |P|)^5), which is 0 from
// |P| = 10 on (so also beyond 20, where the scheme stops evaluating it).
// Written without a branch so that the face loops vectorise.
inline double powerLawWeight(double F, double D) {
    const double p = std::fabs(F / (D + 1e-20));
    const double t = 1.0 - 0.1 * p;
    const double t2 = t * t;
    const double w = t2 * t2 * t;
    return w > 0.0 ? w : 0.0;
}

// Distance-weighted face viscosity: each cell weighted by the other's distance.
inline double faceViscosity(double dL, double dH, double gL, double gH) {
    return (dH * gL + dL * gH) / (dL + dH);
}

struct Pair {
    double low, high;  // low cell's coupling to the high cell, and the reverse
};
inline Pair facePair(double F, double D, double s) {
    const double base = (powerLawWeight(F, D) + s) * D;
    return {base + std::max(-F, 0.0), base + std::max(F, 0.0)};
}

// Parameters of one generation of coefficients, held in locals so that the
// face loops need not reload them after every store.
struct Params {
    double dm;  // diffusion multiplier
    double s;   // stress weight
    double turbMultHor, turbMultVert, schmidt, artDiff;
};
Params params() {
    return {diffusionMultiplier(), Equation <= 3 ? StressDiff : 0.0, TurbMultHor, TurbMultVert, Schmidt, ArtDiff};
}

// Horizontal face conductance.
inline double horizontalD(double A, double dL, double dH, double gf, const Params& p) {
    return A * p.turbMultHor * p.dm / ((dL + dH) * p.schmidt) * (gf + p.artDiff);
}

// The face pairs of one column of horizontal faces, k = 2..zn. The arrays
// do not overlap, which lets the loop vectorise.
void horizontalColumn(const double* __restrict dL, const double* __restrict dH, const double* __restrict gL,
                      const double* __restrict gH, const double* __restrict A, const double* __restrict F,
                      double* __restrict low, double* __restrict high, int zn, const Params p) {
    for (int k = 2; k <= zn; ++k) {
        const double gf = faceViscosity(dL[k], dH[k], gL[k], gH[k]);
        const Pair c = facePair(F[k], horizontalD(A[k], dL[k], dH[k], gf, p), p.s);
        low[k] = c.low;
        high[k] = c.high;
    }
}

// Pass 1: interior i-faces i = from..to (low cell i).
void iFaces(int from, int to, const Params p) {
    const Grid3<double> gAe = eqk::grid(ae), gAw = eqk::grid(aw), gD = eqk::grid(m_dist_x),
                        gG = eqk::grid(gama), gA = eqk::grid(m_ar_x), gF = eqk::grid(flow1);
    const int zn = znumber;
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double *dL = gD.row(i, j), *dH = gD.row(i + 1, j), *gL = gG.row(i, j), *gH = gG.row(i + 1, j);
            horizontalColumn(dL, dH, gL, gH, gA.row(i, j), gF.row(i, j), gAw.row(i, j), gAe.row(i + 1, j), zn, p);
        }
}

// Pass 2, face 1: inflowing flux only.
void inflowIFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) ae[2][j][k] = std::max(flow1[1][j][k], 0.0);
}
// Pass 2, face xnumber.
void outflowIFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) aw[xnumber][j][k] = std::max(-flow1[xnumber][j][k], 0.0);
}

// Passes 3 and 4: j-faces of the columns i = from..to.
void jFaces(int from, int to, const Params p) {
    const Grid3<double> gAn = eqk::grid(an), gAs = eqk::grid(as), gD = eqk::grid(m_dist_y),
                        gG = eqk::grid(gama), gA = eqk::grid(m_ar_y), gF = eqk::grid(flow2);
    const int zn = znumber;
    for (int i = from; i <= to; ++i) {
        for (int j = 2; j <= ynumber - 1; ++j) {
            const double *dL = gD.row(i, j), *dH = gD.row(i, j + 1), *gL = gG.row(i, j), *gH = gG.row(i, j + 1);
            horizontalColumn(dL, dH, gL, gH, gA.row(i, j), gF.row(i, j), gAn.row(i, j), gAs.row(i, j + 1), zn, p);
        }
        for (int k = 2; k <= znumber; ++k) {
            as[i][2][k] = std::max(flow2[i][1][k], 0.0);
            an[i][ynumber][k] = std::max(-flow2[i][ynumber][k], 0.0);
        }
    }
}

// The face pairs of one column of k-faces k = 2..zn-1: low[k] couples cell
// k to k+1, highNext[k] (= high[k+1]) cell k+1 to k.
void verticalColumn(const double* __restrict d, const double* __restrict g, const double* __restrict Az,
                    const double* __restrict normal, const double* __restrict F, double* __restrict low,
                    double* __restrict highNext, int zn, double c, const Params p) {
    for (int k = 2; k <= zn - 1; ++k) {
        const double gf = faceViscosity(d[k], d[k + 1], g[k], g[k + 1]);
        const double A = Az[k] * normal[3 * k + 2];
        const double D = A / (d[k] + d[k + 1]) * (gf * c * p.turbMultVert * p.dm / p.schmidt + p.artDiff);
        const Pair cp = facePair(F[k], D, p.s);
        low[k] = cp.low;
        highNext[k] = cp.high;
    }
}

// Passes 5 and 6: k-faces of the columns i = from..to.
void kFaces(int from, int to, const Params p) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double c = 1.0;
            if (twoD[i][j] == 0) {
                double depth = 0.0;
                for (int k = 2; k <= znumber; ++k) depth += m_dist_z[i][j][k];
                c = std::sqrt(2.0 * depth / std::sqrt(m_armap[i][j]));
            }
            const double* F = &flow3[i][j][0];
            double *low = &wat[i][j][0], *high = &wab[i][j][0];
            verticalColumn(&m_dist_z[i][j][0], &gamaV[i][j][0], &m_ar_z[i][j][0], &m_vec_z[i][j][0][0], F, low,
                           high + 1, znumber, c, p);
            high[2] = std::max(F[1], 0.0);
            low[znumber] = std::max(-F[znumber], 0.0);
        }
}

// Pass 7: block joint links of the host columns i = from..to.
void jointLinks(int from, int to, const Params& p) {
    for (int i = from; i <= to; ++i) {
        const int qi1 = Pj1MultiBlock[i][0], qj1 = Pj1MultiBlock[i][1];
        const int qi2 = Pj2MultiBlock[i][0], qj2 = Pj2MultiBlock[i][1];
        for (int k = 2; k <= znumber; ++k) {
            if (qi1 != 0) {
                const double dM = m_dist_y[i][2][k], dQ = m_dist_x[qi1][qj1][k];
                const double gf = (dQ * gama[i][2][k] + dM * gama[qi1][qj1][k]) / (dM + dQ);
                const double D = gf * m_ar_y[i][1][k] * p.turbMultHor * p.dm / (dM + dQ) + p.artDiff;
                const Pair c = facePair(flow2[i][1][k], D, p.s);  // Q low, M high
                as[i][2][k] = c.high;
                ae[qi1][qj1][k] = c.low;
            }
            if (qi2 != 0) {
                const double dM = m_dist_y[i][ynumber][k], dQ = m_dist_x[qi2][qj2][k];
                const double gf = (dQ * gama[i][ynumber][k] + dM * gama[qi2][qj2][k]) / (dM + dQ);
                const double D = gf * m_ar_y[i][ynumber][k] * p.turbMultHor * p.dm / (dM + dQ) + p.artDiff;
                const Pair c = facePair(flow2[i][ynumber][k], D, p.s);  // M low, Q high
                an[i][ynumber][k] = c.low;
                ae[qi2][qj2][k] = c.high;
            }
        }
    }
}

// Pass 8, the j- and k-walls of the cells i = from..to.
void jkWalls(int from, int to) {
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

// The `ae` wall rule of the cells i = from..to.
void lowIWalls(int from, int to) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (WallI[i][j][k] == 1) ae[i][j][k] = 0.0;
}
// The `aw` wall rule of the cells i = from..to.
void highIWalls(int from, int to) {
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (WallI[i][j][k] == -1) aw[i][j][k] = 0.0;
}

// The power-law generator writes no second-neighbour coupling; clear those of
// the cells i = from..to so that a 13-point solver reads none of an earlier
// equation.
void clearSecondNeighbours(int from, int to) {
    if (aee.isNull()) return;
    FieldArray<double, 3>* arrays[] = {&aee, &aww, &ass, &ann, &abb, &att};
    for (FieldArray<double, 3>* a : arrays)
        for (int i = from; i <= to; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                double* r = &(*a)[i][j][0];
                for (int k = 2; k <= znumber; ++k) r[k] = 0.0;
            }
}

}  // namespace

void coeffe_flow() {
    eqk::checkEquation("coeffe_flow");
    const Params p = params();
    if (xnumber < 2) return;
    iFaces(2, xnumber - 1, p);
    inflowIFace();
    outflowIFace();
    jFaces(2, xnumber, p);
    kFaces(2, xnumber, p);
    if (MBNo > 0) jointLinks(2, xnumber, p);
    lowIWalls(2, xnumber);
    highIWalls(2, xnumber);
    jkWalls(2, xnumber);
    clearSecondNeighbours(2, xnumber);
}

void coeffe_flowOpenMP(int i_first, int i_last) {
    eqk::checkEquation("coeffe_flowOpenMP");
    eqk::requireTeam("coeffe_flowOpenMP");
    const Params p = params();
    const int t = omp_get_thread_num();
    // A face belongs to the block of its low cell; `ae` of cell i is written
    // by the thread of cell i-1 (of cell 2 by thread 0).
    iFaces(i_first, std::min(i_last + 1, xnumber) - 1, p);
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
    jFaces(i_first, i_last, p);
    kFaces(i_first, i_last, p);
    if (MBNo > 0) {
        // A link writes `ae` of a joint-row cell of any block: after every
        // block's i-faces, before any block's wall pass.
        par::barrier();
        jointLinks(i_first, i_last, p);
        par::barrier();
    }
    if (t == 0) lowIWalls(2, 2);
    lowIWalls(i_first + 1, i_last + 1);
    highIWalls(i_first, i_last);
    jkWalls(i_first, i_last);
    clearSecondNeighbours(i_first, i_last);
}
