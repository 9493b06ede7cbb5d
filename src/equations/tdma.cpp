// Line TDMA: one pass of alternating line solves, i-lines, then j-lines,
// then k-lines, each line by the Thomas algorithm into pt and qt and a
// back-substitution into f. Off-line couplings are taken from the current f.
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
    p[1] = 0.0;
    q[1] = g.row(1, j)[k];
    for (int i = 2; i <= xnumber; ++i) {
        const std::int64_t o = eqk::coefOffset(i, j);
        const Coef7 c = eqk::coef7(o);
        const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
        const double* fc = g.row(i, j);
        double r = c.an[k] * nb.n[k] + c.as[k] * nb.s[k] + c.wat[k] * fc[k + 1] + c.wab[k] * fc[k - 1] + c.src[k];
        r = secondTerms<P13>(r, o, nb, fc, k);
        eliminate(p, q, i, wap.data()[o + k], c.ae[k], c.aw[k], r);
    }
    for (int i = xnumber; i >= 2; --i) g.row(i, j)[k] = p[i] * g.row(i + 1, j)[k] + q[i];
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

template <bool MB, bool P13>
void tdmaPass() {
    const Grid3<double> g = eqk::grid(f);
    double* p = pt.data();
    double* q = qt.data();
    for (int k = 2; k <= znumber; ++k) {
        for (int j = 2; j <= ynumber; ++j) iLine<MB, P13>(g, p, q, j, k);
        for (int j = ynumber - 1; j >= 2; --j) iLine<MB, P13>(g, p, q, j, k);
    }
    for (int k = 2; k <= znumber; ++k) {
        for (int i = 2; i <= xnumber; ++i) jLine<MB, P13>(g, p, q, i, k);
        for (int i = xnumber - 1; i >= 2; --i) jLine<MB, P13>(g, p, q, i, k);
    }
    for (int i = 2; i <= xnumber; ++i) {
        for (int j = 2; j <= ynumber; ++j) kLine<MB, P13>(g, p, q, i, j);
        for (int j = ynumber - 1; j >= 2; --j) kLine<MB, P13>(g, p, q, i, j);
    }
}

}  // namespace

void WaterTDMA() {
    const bool p13 = eqk::enterLineSolver("WaterTDMA");
    if (MBNo != 0) {
        p13 ? tdmaPass<true, true>() : tdmaPass<true, false>();
    } else {
        p13 ? tdmaPass<false, true>() : tdmaPass<false, false>();
    }
}
