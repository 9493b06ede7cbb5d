// Line solver of the sediment equation of one size fraction (FlagSedimSolver
// 1): alternating Thomas line solutions over the suspended cells i
// 2..xnumber, j 2..ynumber, k 3..znumber on the 7-point stencil (the
// second-neighbour couplings are not used, whatever SedimentScheme says).
// One call is a pass of j-, i- and k-lines on a single block, or of i- and
// k-lines on a multi-block grid; each line takes the values that the lines
// before it have just produced. The solid boxes and the blocked columns are
// set to 0 before every sweep. The cells around the solved ones (inflow and
// outflow columns, side rows, bed cells, the level above the surface) are
// boundary values, read and never written.
// solveSedimentFraction chooses between this solver and the point solver
// for the drivers.
#include <cmath>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "sediment/point_solver.h"
#include "sediment/sediment.h"

namespace {

using eqk::Grid3;
using eqk::Neighbours;

// One step of the forward elimination at line position m, with aLo and aHi
// the couplings to the lower and upper neighbour along the line and r the
// terms across it plus the source. A position whose denominator vanishes
// keeps its current value: no coupling onward, its value as the constant.
inline void eliminate(double* p, double* q, int m, double apP, double aLo, double aHi, double r, double current) {
    const double d = apP - p[m - 1] * aLo;
    if (std::fabs(d) < 1e-30) {
        p[m] = 0.0;
        q[m] = current;
        return;
    }
    p[m] = aHi / d;
    q[m] = (aLo * q[m - 1] + r) / d;
}

// The j-line of column plane i at level k (single block only).
void jLine(const Grid3<double>& g, int l, double* p, double* q, int i, int k) {
    p[1] = 0.0;
    q[1] = g.row(i, 1)[k];
    for (int j = 2; j <= ynumber; ++j) {
        const sedk::Rows r = sedk::rows(l, i, j, false);
        const Neighbours nb = eqk::plainNeighbours(g, i, j);
        const double* c = g.row(i, j);
        const double across = r.aw[k] * nb.e[k] + r.ae[k] * nb.w[k] + r.at[k] * c[k + 1] + r.ab[k] * c[k - 1];
        eliminate(p, q, j, r.ap[k], r.as[k], r.an[k], across + r.src[k], c[k]);
    }
    for (int j = ynumber; j >= 2; --j) g.row(i, j)[k] = p[j] * g.row(i, j + 1)[k] + q[j];
}

// The i-line of row j at level k, broken at the block joints.
template <bool MB>
void iLine(const Grid3<double>& g, int l, double* p, double* q, int j, int k) {
    eqk::iLineRuns<MB>(g, k, p, q, j, [&](int i) {
        const sedk::Rows r = sedk::rows(l, i, j, false);
        const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
        const double* c = g.row(i, j);
        const double across = r.an[k] * nb.n[k] + r.as[k] * nb.s[k] + r.at[k] * c[k + 1] + r.ab[k] * c[k - 1];
        eliminate(p, q, i, r.ap[k], r.ae[k], r.aw[k], across + r.src[k], c[k]);
    });
}

// The k-line of column (i, j): levels 3..znumber between the bed cell and
// the level above the surface.
template <bool MB>
void kLine(const Grid3<double>& g, int l, double* p, double* q, int i, int j) {
    const sedk::Rows r = sedk::rows(l, i, j, false);
    const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
    double* c = g.row(i, j);
    p[2] = 0.0;
    q[2] = c[2];
    for (int k = 3; k <= znumber; ++k) {
        const double across = r.an[k] * nb.n[k] + r.as[k] * nb.s[k] + r.aw[k] * nb.e[k] + r.ae[k] * nb.w[k];
        eliminate(p, q, k, r.ap[k], r.ab[k], r.at[k], across + r.src[k], c[k]);
    }
    for (int k = znumber; k >= 3; --k) c[k] = p[k] * c[k + 1] + q[k];
}

template <bool MB>
void iLines(const Grid3<double>& g, int l, double* p, double* q) {
    for (int k = 3; k <= znumber; ++k) eqk::thereAndBack(ynumber, [&](int j) { iLine<MB>(g, l, p, q, j, k); });
}

template <bool MB>
void kLines(const Grid3<double>& g, int l, double* p, double* q) {
    for (int i = 2; i <= xnumber; ++i) eqk::thereAndBack(ynumber, [&](int j) { kLine<MB>(g, l, p, q, i, j); });
}

}  // namespace

void sole_tdma() {
    if (conc.isNull()) return;
    if (debugging != 'E') setProgram(" TDMA sediment solver ");
    sedk::checkSedimentEquation("sole_tdma", false);
    const int l = indexl;
    const Grid3<double> g = sedk::concGrid(l);
    double* p = pt.data();
    double* q = qt.data();
    if (MBNo > 0) {
        sedk::zeroBlockedCells(l);
        iLines<true>(g, l, p, q);
        sedk::zeroBlockedCells(l);
        kLines<true>(g, l, p, q);
        return;
    }
    sedk::zeroBlockedCells(l);
    for (int k = 3; k <= znumber; ++k) eqk::thereAndBack(xnumber, [&](int i) { jLine(g, l, p, q, i, k); });
    sedk::zeroBlockedCells(l);
    iLines<false>(g, l, p, q);
    sedk::zeroBlockedCells(l);
    kLines<false>(g, l, p, q);
}

namespace {

// The solvers of one fraction's equation, keyed by FlagSedimSolver.
struct SedimentSolver {
    const char* name;
    void (*routine)();
};
constexpr SedimentSolver kSedimentSolvers[] = {{"point", sole_gauseid}, {"line", sole_tdma}};

}  // namespace

void solveSedimentFraction() {
    // The line solver uses the 7-point stencil only: the second-order scheme
    // keeps the point solver. A code without a row takes the point solver.
    const int row = SedimentScheme != 1 && FlagSedimSolver == 1 ? 1 : 0;
    kSedimentSolvers[row].routine();
}
