// Internals shared by the generators and solvers of the equation workspace:
// flat addressing of the field arrays, neighbour lookups across block joints,
// the thread split of the solvers and the consistency checks.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "equations/workspace.h"
#include "grid/state.h"

namespace eqk {

// ---------------------------------------------------------------------------
// Checks, true when the workspace can serve the call. Outside a parallel
// region a failing check ends the process with -8 and a line in `boogie` (an
// inconsistency of the caller); inside one it records that fault for the
// main thread (regionFault) and returns false, and the caller leaves the
// region with its team (par::faulted).
// ---------------------------------------------------------------------------
bool checkEquation(const char* who);
bool checkField(const FieldArray<double, 3>& field, const char* name, const char* who);
// f and the 7-point workspace (and the second-neighbour arrays when asked)
// exist and cover the grid; the coefficient arrays share one shape.
bool checkWorkspace(const char* who, bool secondNeighbours);
bool checkLineVectors(const char* who);
bool checkJointTables(const char* who);
// Entry of the line TDMA and the block correction (main thread): opens and
// closes `boogie` (ending the run with -3 when it cannot be opened), checks
// the workspace, the line vectors and, on a multi-block grid, the joint
// tables. Returns whether the 13-point stencil applies.
bool enterLineSolver(const char* who);
// Inside a parallel region: the team has NoProcessesSolver threads.
bool requireTeam(const char* who);

// ---------------------------------------------------------------------------
// Flat addressing. A rank-3 field array is one row-major block; row(i, j)
// points at element (i, j, 0).
// ---------------------------------------------------------------------------
template <typename T>
struct Grid3 {
    T* base;
    std::int64_t sx, sy;
    T* row(std::int64_t i, std::int64_t j) const { return base + i * sx + j * sy; }
};

template <typename T>
inline Grid3<T> grid(const FieldArray<T, 3>& a) {
    return {a.data(), a.extent(1) * a.extent(2), a.extent(2)};
}

// Pointers to the rows of the 7-point workspace at one column (i, j).
struct Coef7 {
    const double *ae, *aw, *an, *as, *wat, *wab, *src;
};
// Every coefficient array of the workspace has the extents of `ae`, so one
// offset serves them all.
inline std::int64_t coefOffset(std::int64_t i, std::int64_t j) {
    return i * ae.extent(1) * ae.extent(2) + j * ae.extent(2);
}
inline Coef7 coef7(std::int64_t o) {
    return {ae.data() + o,  aw.data() + o,  an.data() + o,    as.data() + o,
            wat.data() + o, wab.data() + o, source.data() + o};
}
struct Coef2nd {
    const double *aee, *aww, *ass, *ann, *abb, *att;
};
inline Coef2nd coef2nd(std::int64_t o) {
    return {aee.data() + o, aww.data() + o, ass.data() + o, ann.data() + o, abb.data() + o, att.data() + o};
}

// Distance-weighted face viscosity: each cell weighted by the other's distance.
inline double faceViscosity(double dL, double dH, double gL, double gH) {
    return (dH * gL + dL * gH) / (dL + dH);
}

// Power-law weight of a face of mass flux F and diffusion conductance D:
// max(0, (1 - 0.1 |P|)^5) of the cell Peclet number P = |F| / (D + 1e-20),
// which is 0 from |P| = 10 on (so also beyond 20, where the scheme stops
// evaluating it). Written without a branch so that the face loops vectorise.
inline double powerLawWeight(double F, double D) {
    const double p = std::fabs(F / (D + 1e-20));
    const double t = 1.0 - 0.1 * p;
    const double t2 = t * t;
    const double w = t2 * t2 * t;
    return w > 0.0 ? w : 0.0;
}

// A flushed value: +0.0 when its magnitude is below 1e-30 (a NaN stays).
inline double flushed(double x) { return std::fabs(x) < 1e-30 ? 0.0 : x; }

// Sets the coefficient arrays `arrays` to 0 for i = i1..i2, j 1..ynumber,
// k 1..znumber.
inline void clearCoefficients(std::initializer_list<FieldArray<double, 3>*> arrays, int i1, int i2) {
    for (FieldArray<double, 3>* a : arrays)
        for (int i = i1; i <= i2; ++i)
            for (int j = 1; j <= ynumber; ++j) {
                double* r = &(*a)[i][j][0];
                for (int k = 1; k <= znumber; ++k) r[k] = 0.0;
            }
}
// The second-neighbour couplings of the cells i = i1..i2, when they exist.
inline void clearSecondNeighbours(int i1, int i2) {
    if (!aee.isNull()) clearCoefficients({&aee, &aww, &ass, &ann, &abb, &att}, i1, i2);
}

// ---------------------------------------------------------------------------
// Neighbour rows of a column (i, j) of the field being solved: i-1, i+1,
// j-1, j+1 and the second neighbours; the k-neighbours lie in the column's
// own row.
// ---------------------------------------------------------------------------
struct Neighbours {
    const double *w, *e, *s, *n, *ww, *ee, *ss, *nn;
};

inline Neighbours plainNeighbours(const Grid3<double>& g, int i, int j) {
    return {g.row(i - 1, j), g.row(i + 1, j), g.row(i, j - 1), g.row(i, j + 1),
            g.row(i - 2, j), g.row(i + 2, j), g.row(i, j - 2), g.row(i, j + 2)};
}

// Which joint record wins for the i-1 and i-2 neighbours when both the cell
// and the cell before it are joint cells: the cell's own record (line TDMA,
// block correction, 7-point residual and Gauss-Seidel) or the record of the
// cell before it (13-point residual and Gauss-Seidel).
enum class JointRule { OwnFirst, PreviousFirst };

// Neighbours across block joints: a joint cell reaches its host cell (and
// the next host cell inward) for i-1 (i-2), the cell after a joint cell
// reaches that joint cell's host for i-2, a host cell reaches its joint cell
// (and the cell after it) for j-1, j-2 or j+1, j+2. i+1, i+2 are never
// redirected.
inline Neighbours jointNeighbours(const Grid3<double>& g, int i, int j, JointRule rule) {
    Neighbours nb = plainNeighbours(g, i, j);
    const int* own = &Pi1MultiBlock[i][j][0];
    const int* prev = &Pi1MultiBlock[i - 1][j][0];
    if (rule == JointRule::PreviousFirst && prev[0] != 0) {
        nb.ww = g.row(prev[0], prev[1]);
    } else if (own[0] != 0) {
        nb.w = g.row(own[0], own[1]);
        nb.ww = g.row(own[0], own[2]);
    } else if (prev[0] != 0) {
        nb.ww = g.row(prev[0], prev[1]);
    }
    const int* p1 = &Pj1MultiBlock[i][0];
    if (p1[0] != 0) {
        if (j == 2) {
            nb.s = g.row(p1[0], p1[1]);
            nb.ss = g.row(p1[0] + 1, p1[1]);
        } else if (j == 3) {
            nb.ss = g.row(p1[0], p1[1]);
        }
    }
    const int* p2 = &Pj2MultiBlock[i][0];
    if (p2[0] != 0) {
        if (j == ynumber) {
            nb.n = g.row(p2[0], p2[1]);
            nb.nn = g.row(p2[0] + 1, p2[1]);
        } else if (j == ynumber - 1) {
            nb.nn = g.row(p2[0], p2[1]);
        }
    }
    return nb;
}

// The neighbour rows of the line TDMA and the block correction: plain, or
// across block joints with the cell's own record first.
template <bool MB>
inline Neighbours neighboursOf(const Grid3<double>& g, int i, int j) {
    if constexpr (MB)
        return jointNeighbours(g, i, j, JointRule::OwnFirst);
    else
        return plainNeighbours(g, i, j);
}

// ---------------------------------------------------------------------------
// Lines of the line solvers (flow and sediment).
// ---------------------------------------------------------------------------
// The order of a pass: in each direction the lines of one level (or of one
// i-plane for the k-lines) forward from 2 to n, then back from n-1 to 2.
template <class Line>
void thereAndBack(int n, Line&& line) {
    for (int m = 2; m <= n; ++m) line(m);
    for (int m = n - 1; m >= 2; --m) line(m);
}

// Whether cell (i, j) is a joint cell, whose i-1 neighbour is its host cell.
inline bool jointCell(int i, int j) { return Pi1MultiBlock[i][j][0] != 0; }

// The i-line of row j at level offset lk of g, as one or more lines: each
// runs from row 2 or from a joint row to the row before the next joint row
// or to xnumber, and is solved and written before the next one starts. Across
// a joint the line does not run on in index order: the row before a joint
// row is the last row of the preceding block, not its neighbour in space. So
// a line ends there with the joint row's current values as its high
// boundary, and the joint row starts a new line whose low boundary value is
// its host cell's. `eliminateAt(i)` makes the forward step of cell i into
// p[i], q[i].
template <bool MB, class Eliminate>
void iLineRuns(const Grid3<double>& g, std::int64_t lk, double* p, double* q, int j, Eliminate&& eliminateAt) {
    for (int lo = 2; lo <= xnumber;) {
        int hi = xnumber;
        double low = g.row(lo - 1, j)[lk];
        if constexpr (MB) {
            hi = lo;
            while (hi < xnumber && !jointCell(hi + 1, j)) ++hi;
            if (jointCell(lo, j)) low = g.row(Pi1MultiBlock[lo][j][0], Pi1MultiBlock[lo][j][1])[lk];
        }
        p[lo - 1] = 0.0;
        q[lo - 1] = low;
        for (int i = lo; i <= hi; ++i) eliminateAt(i);
        for (int i = hi; i >= lo; --i) g.row(i, j)[lk] = p[i] * g.row(i + 1, j)[lk] + q[i];
        lo = hi + 1;
    }
}

// Signed residual of cell k of a column: neighbour terms + source - wap f(P),
// the first neighbours in the order ae, aw, as, an, wab, wat, then (13-point)
// aee, aww, ass, ann, abb, att.
inline double residual7(const Coef7& c, const double* wapRow, const double* fc, const Neighbours& nb, int k) {
    return c.ae[k] * nb.w[k] + c.aw[k] * nb.e[k] + c.as[k] * nb.s[k] + c.an[k] * nb.n[k] +
           c.wab[k] * fc[k - 1] + c.wat[k] * fc[k + 1] + c.src[k] - wapRow[k] * fc[k];
}
inline double residual13(const Coef7& c, const Coef2nd& d, const double* wapRow, const double* fc,
                         const Neighbours& nb, int k) {
    return c.ae[k] * nb.w[k] + c.aw[k] * nb.e[k] + c.as[k] * nb.s[k] + c.an[k] * nb.n[k] +
           c.wab[k] * fc[k - 1] + c.wat[k] * fc[k + 1] + d.aee[k] * nb.ww[k] + d.aww[k] * nb.ee[k] +
           d.ass[k] * nb.ss[k] + d.ann[k] * nb.nn[k] + d.abb[k] * fc[k - 2] + d.att[k] * fc[k + 2] +
           c.src[k] - wapRow[k] * fc[k];
}

// ---------------------------------------------------------------------------
// Thread split of the solvers: n interior i-planes in chunks of ceil(n/T);
// thread t takes planes s+2 .. e+1 forward and xnumber-s .. xnumber-e+1
// backward (s >= e: no plane).
// ---------------------------------------------------------------------------
struct Chunk {
    int s, e;
    bool empty() const { return s >= e; }
};
inline Chunk chunkOf(int t, int T, int n) {
    const int q = n / T;
    const int c = q * T == n ? q : q + 1;
    const int s = t * c;
    return {s, std::min(s + c, n)};
}

}  // namespace eqk
