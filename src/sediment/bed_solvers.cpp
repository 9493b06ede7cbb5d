// The sediment solvers that solve the bed cell k = 2 too: with the water
// column above it (sole2_gauseid, after the plane correction block2Sedim
// that includes the bed plane) or as a plan equation of its own
// (solve2Dbed_gauseid), both for the fraction in `indexl`.
#include "control/state.h"
#include "equations/kernels.h"
#include "grid/state.h"
#include "sediment/point_solver.h"
#include "sediment/sediment.h"

namespace {

using eqk::Grid3;

// New value of the bed cell of column (i, j) from its four plan neighbours,
// stored at once. A cell whose centre coefficient is exactly 0 keeps its
// value, as in the point sweeps.
template <bool Flush>
inline void bedCell(const Grid3<double>& g, int l, int i, int j) {
    constexpr int k = 2;
    const sedk::Rows r = sedk::rows(l, i, j, false);
    const eqk::Neighbours nb = eqk::plainNeighbours(g, i, j);
    if (r.ap[k] == 0.0) return;
    const double s = r.aw[k] * nb.e[k] + r.ae[k] * nb.w[k] + r.an[k] * nb.n[k] + r.as[k] * nb.s[k] + r.src[k];
    g.row(i, j)[k] = sedk::flushed<Flush>(s / r.ap[k]);
}

}  // namespace

void block2Sedim() { sedk::sedimentBlockCorrection(2); }

void sole2_gauseid() {
    if (conc.isNull()) return;
    if (FlagBlockSed == 1 && FlagFracVer == 0) block2Sedim();
    sedk::sedimentSweeps(2, NoLoops);
}

void solve2Dbed_gauseid() {
    if (conc.isNull()) return;
    sedk::checkSedimentEquation("solve2Dbed_gauseid", false);
    const int l = indexl;
    if (xnumber >= 2 && ynumber >= 2) {
        const Grid3<double> g = sedk::concGrid(l);
        for (int n = 0; n < NoLoops; ++n) {
            for (int i = 2; i <= xnumber; ++i)
                for (int j = 2; j <= ynumber; ++j) bedCell<true>(g, l, i, j);
            for (int i = xnumber; i >= 2; --i)
                for (int j = ynumber; j >= 2; --j) bedCell<true>(g, l, i, j);
        }
    }
    sedk::zeroSolidBoxes(l, 2, 2);
}
