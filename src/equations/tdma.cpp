// Line TDMA: one pass of alternating line solves, i-lines, then j-lines,
// then k-lines, each line by the Thomas algorithm into pt and qt and a
// back-substitution into f. Off-line couplings are taken from the current f.
//
// The arrays are k-fastest, so an i- or j-line strides across memory. On the
// 7-point stencil the i- and j-lines therefore run on slabs of up to 32
// k-levels copied into `tdmaSlab` with the line direction fastest (whole
// columns stream in and out; smaller slabs measured slower): the lines
// are solved one after the other in the same order and with the same
// arithmetic as on the arrays themselves, so the results are the same bits;
// only the walk through memory changes. The 13-point stencil walks the arrays.
//
// Across a block joint an i-line does not run on in index order: the cell
// row before a joint row is the last row of the preceding block, not a
// neighbour of the joint row in space. The line ends at that row, with the
// joint row's current values as its high boundary, and the joint row starts
// a new line whose low boundary value is the host cell's (the i-1 neighbour
// of a joint cell, as in every other family).
#include <algorithm>

#include "equations/kernels.h"

namespace {

using eqk::Coef2nd;
using eqk::Coef7;
using eqk::Grid3;
using eqk::Neighbours;

// The six second-neighbour terms, added after the line's own off-line terms.
template <bool P13>
inline double secondTerms(double r, std::int64_t o, const Neighbours& nb, const double* fc, int k) {
    if constexpr (P13) {
        const Coef2nd d = eqk::coef2nd(o);
        r += d.aee[k] * nb.ww[k];
        r += d.aww[k] * nb.ee[k];
        r += d.ass[k] * nb.ss[k];
        r += d.ann[k] * nb.nn[k];
        r += d.abb[k] * fc[k - 2];
        r += d.att[k] * fc[k + 2];
    } else {
        (void)o, (void)nb, (void)fc, (void)k;
    }
    return r;
}

// One step of the forward elimination at line position m.
inline void eliminate(double* p, double* q, int m, double wapP, double aLo, double aHi, double r) {
    const double den = wapP - aLo * p[m - 1] + 1e-20;
    p[m] = aHi / den;
    q[m] = (r + aLo * q[m - 1]) / den;
}

template <bool MB, bool P13>
void iLine(const Grid3<double>& g, double* p, double* q, int j, int k) {
    eqk::iLineRuns<MB>(g, k, p, q, j, [&](int i) {
        const std::int64_t o = eqk::coefOffset(i, j);
        const Coef7 c = eqk::coef7(o);
        const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
        const double* fc = g.row(i, j);
        double r = c.an[k] * nb.n[k] + c.as[k] * nb.s[k] + c.wat[k] * fc[k + 1] + c.wab[k] * fc[k - 1] + c.src[k];
        r = secondTerms<P13>(r, o, nb, fc, k);
        eliminate(p, q, i, wap.data()[o + k], c.ae[k], c.aw[k], r);
    });
}

template <bool MB, bool P13>
void jLine(const Grid3<double>& g, double* p, double* q, int i, int k) {
    const Neighbours first = eqk::neighboursOf<MB>(g, i, 2);
    const Neighbours last = eqk::neighboursOf<MB>(g, i, ynumber);
    p[1] = 0.0;
    q[1] = first.s[k];
    for (int j = 2; j <= ynumber; ++j) {
        const std::int64_t o = eqk::coefOffset(i, j);
        const Coef7 c = eqk::coef7(o);
        const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
        const double* fc = g.row(i, j);
        double r = c.wat[k] * fc[k + 1] + c.wab[k] * fc[k - 1] + c.aw[k] * nb.e[k] + c.ae[k] * nb.w[k] + c.src[k];
        r = secondTerms<P13>(r, o, nb, fc, k);
        eliminate(p, q, j, wap.data()[o + k], c.as[k], c.an[k], r);
    }
    double high = last.n[k];
    for (int j = ynumber; j >= 2; --j) {
        double* fc = g.row(i, j);
        fc[k] = p[j] * high + q[j];
        high = fc[k];
    }
}

template <bool MB, bool P13>
void kLine(const Grid3<double>& g, double* p, double* q, int i, int j) {
    const std::int64_t o = eqk::coefOffset(i, j);
    const Coef7 c = eqk::coef7(o);
    const double* wp = wap.data() + o;
    const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
    double* fc = g.row(i, j);
    p[1] = 0.0;
    q[1] = fc[1];
    for (int k = 2; k <= znumber; ++k) {
        double r = c.an[k] * nb.n[k] + c.as[k] * nb.s[k] + c.aw[k] * nb.e[k] + c.ae[k] * nb.w[k] + c.src[k];
        r = secondTerms<P13>(r, o, nb, fc, k);
        eliminate(p, q, k, wp[k], c.wab[k], c.wat[k], r);
    }
    for (int k = znumber; k >= 2; --k) fc[k] = p[k] * fc[k + 1] + q[k];
}

// ---------------------------------------------------------------------------
// Slabs. Levels k0..k1 of the 7-point workspace and levels k0-1..k1+1 of f,
// each level a plane of f's i- and j-extents with strides sI, sJ (1 along the
// line direction). Coefficient level k lies at (k - k0) * sK, f level k at
// (k - k0 + 1) * sK, so `g` addresses f like the field itself with the level
// offset in place of k, and the joint lookups of kernels.h work unchanged.
// ---------------------------------------------------------------------------
constexpr int kSlabLevels = 32;

enum class Along { I, J };

struct Slab {
    const double *ae, *aw, *an, *as, *wat, *wab, *src, *wap;
    Grid3<double> g;
    std::int64_t sK;
    int k0;
    std::int64_t coef(int i, int j, int k) const { return (k - k0) * sK + i * g.sx + j * g.sy; }
    std::int64_t level(int k) const { return (k - k0 + 1) * sK; }
};

// Copies levels k0..k1 of columns i1..i2, j1..j2 of a k-fastest array into a
// slab block with plane strides sI, sJ (level k at (k - k0 + shift) * sK) or,
// with Back, from the block into the array.
template <bool Back>
void copyLevels(const Grid3<double>& a, double* block, std::int64_t sI, std::int64_t sJ, std::int64_t sK, int k0,
                int k1, int shift, int i1, int i2, int j1, int j2) {
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j) {
            double* col = a.row(i, j);
            double* s = block + i * sI + j * sJ;
            for (int k = k0; k <= k1; ++k) {
                const std::int64_t n = (k - k0 + shift) * sK;
                if constexpr (Back)
                    col[k] = s[n];
                else
                    s[n] = col[k];
            }
        }
}

template <bool MB>
void iLineSlab(const Slab& s, double* p, double* q, int j, int k) {
    const std::int64_t lk = s.level(k), up = lk + s.sK, down = lk - s.sK;
    eqk::iLineRuns<MB>(s.g, lk, p, q, j, [&](int i) {
        const std::int64_t o = s.coef(i, j, k);
        const Neighbours nb = eqk::neighboursOf<MB>(s.g, i, j);
        const double* fc = s.g.row(i, j);
        const double r = s.an[o] * nb.n[lk] + s.as[o] * nb.s[lk] + s.wat[o] * fc[up] + s.wab[o] * fc[down] + s.src[o];
        eliminate(p, q, i, s.wap[o], s.ae[o], s.aw[o], r);
    });
}

template <bool MB>
void jLineSlab(const Slab& s, double* p, double* q, int i, int k) {
    const std::int64_t lk = s.level(k), up = lk + s.sK, down = lk - s.sK;
    const Neighbours first = eqk::neighboursOf<MB>(s.g, i, 2);
    const Neighbours last = eqk::neighboursOf<MB>(s.g, i, ynumber);
    p[1] = 0.0;
    q[1] = first.s[lk];
    for (int j = 2; j <= ynumber; ++j) {
        const std::int64_t o = s.coef(i, j, k);
        const Neighbours nb = eqk::neighboursOf<MB>(s.g, i, j);
        const double* fc = s.g.row(i, j);
        const double r = s.wat[o] * fc[up] + s.wab[o] * fc[down] + s.aw[o] * nb.e[lk] + s.ae[o] * nb.w[lk] + s.src[o];
        eliminate(p, q, j, s.wap[o], s.as[o], s.an[o], r);
    }
    double high = last.n[lk];
    for (int j = ynumber; j >= 2; --j) {
        double* fc = s.g.row(i, j);
        fc[lk] = p[j] * high + q[j];
        high = fc[lk];
    }
}

// The i-lines (Along::I) or j-lines (Along::J) of levels 2..znumber, slab by
// slab, in the order of the walk on the arrays.
template <bool MB, Along A>
void slabPass() {
    if (xnumber < 2 || ynumber < 2 || znumber < 2) return;
    const Grid3<double> field = eqk::grid(f);
    const std::int64_t nx = f.extent(0), ny = f.extent(1), plane = nx * ny;
    const int levels = std::min(kSlabLevels, znumber - 1);
    std::vector<double>& buffer = tdmaSlab;
    buffer.resize(static_cast<std::size_t>(plane) * static_cast<std::size_t>(9 * levels + 2));
    double* base = buffer.data();
    const std::int64_t sK = plane, block = levels * plane;
    const std::int64_t sI = A == Along::I ? 1 : ny, sJ = A == Along::I ? nx : 1;
    FieldArray<double, 3>* arrays[8] = {&ae, &aw, &an, &as, &wat, &wab, &source, &wap};
    double* blocks[9];
    for (int n = 0; n < 9; ++n) blocks[n] = base + n * block;
    Slab s{blocks[0], blocks[1], blocks[2], blocks[3], blocks[4], blocks[5], blocks[6], blocks[7],
           Grid3<double>{blocks[8], sI, sJ}, sK, 2};
    double* p = pt.data();
    double* q = qt.data();
    for (int k0 = 2; k0 <= znumber; k0 += levels) {
        const int k1 = std::min(k0 + levels - 1, znumber);
        s.k0 = k0;
        for (int n = 0; n < 8; ++n)
            copyLevels<false>(eqk::grid(*arrays[n]), blocks[n], sI, sJ, sK, k0, k1, 0, 2, xnumber, 2, ynumber);
        copyLevels<false>(field, blocks[8], sI, sJ, sK, k0 - 1, k1 + 1, 0, 0, int(nx) - 1, 0, int(ny) - 1);
        for (int k = k0; k <= k1; ++k) {
            if constexpr (A == Along::I)
                eqk::thereAndBack(ynumber, [&](int j) { iLineSlab<MB>(s, p, q, j, k); });
            else
                eqk::thereAndBack(xnumber, [&](int i) { jLineSlab<MB>(s, p, q, i, k); });
        }
        copyLevels<true>(field, blocks[8], sI, sJ, sK, k0, k1, 1, 2, xnumber, 2, ynumber);
    }
}

// ---------------------------------------------------------------------------
// The walks on the arrays themselves.
// ---------------------------------------------------------------------------
template <bool MB, bool P13>
void iLines() {
    if constexpr (!P13) {
        slabPass<MB, Along::I>();
    } else {
        const Grid3<double> g = eqk::grid(f);
        for (int k = 2; k <= znumber; ++k)
            eqk::thereAndBack(ynumber, [&](int j) { iLine<MB, P13>(g, pt.data(), qt.data(), j, k); });
    }
}

template <bool MB, bool P13>
void jLines() {
    if constexpr (!P13) {
        slabPass<MB, Along::J>();
    } else {
        const Grid3<double> g = eqk::grid(f);
        for (int k = 2; k <= znumber; ++k)
            eqk::thereAndBack(xnumber, [&](int i) { jLine<MB, P13>(g, pt.data(), qt.data(), i, k); });
    }
}

template <bool MB, bool P13>
void kLines() {
    const Grid3<double> g = eqk::grid(f);
    for (int i = 2; i <= xnumber; ++i)
        eqk::thereAndBack(ynumber, [&](int j) { kLine<MB, P13>(g, pt.data(), qt.data(), i, j); });
}

template <bool MB, bool P13>
void linesAlong(int axis) {
    if (axis == 0) iLines<MB, P13>();
    if (axis == 1) jLines<MB, P13>();
    if (axis == 2) kLines<MB, P13>();
}

void pass(int first, int last) {
    const bool p13 = eqk::enterLineSolver("WaterTDMA");
    for (int axis = first; axis <= last; ++axis) {
        if (MBNo != 0)
            p13 ? linesAlong<true, true>(axis) : linesAlong<true, false>(axis);
        else
            p13 ? linesAlong<false, true>(axis) : linesAlong<false, false>(axis);
    }
}

}  // namespace

void WaterTDMA() { pass(0, 2); }

void WaterTDMAAlong(int axis) { pass(axis, axis); }
