// Point Gauss-Seidel on the sediment equation of one size fraction, 7- or
// 13-point, single- or multi-block, after one plane correction.
#include <algorithm>
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

// New value of cell k of a column: (neighbour terms + source) / ap, stored at
// once; a magnitude below 1e-100 becomes 0 in the flushing sweeps. A cell
// whose centre coefficient is exactly 0 (an open cell without couplings)
// keeps its value.
template <bool P13, bool Flush>
inline void update(const sedk::Rows& r, const Neighbours& nb, double* c, int k) {
    double s = r.ae[k] * nb.w[k] + r.aw[k] * nb.e[k] + r.as[k] * nb.s[k] + r.an[k] * nb.n[k] + r.ab[k] * c[k - 1] +
               r.at[k] * c[k + 1];
    if constexpr (P13)
        s += r.aee[k] * nb.ww[k] + r.aww[k] * nb.ee[k] + r.ass[k] * nb.ss[k] + r.ann[k] * nb.nn[k] +
             r.cabb[k] * c[k - 2] + r.catt[k] * c[k + 2];
    if (r.ap[k] == 0.0) return;
    c[k] = sedk::flushed<Flush>((s + r.src[k]) / r.ap[k]);
}

// One column (i, j), levels kFirst..znumber ascending or descending.
template <bool P13, bool MB, bool Up, bool Flush>
void column(const Grid3<double>& g, int l, int i, int j, int kFirst) {
    // The 7-point sweeps take a joint cell's own record first, the 13-point
    // ones the record of the cell before it, as the flow's sweeps do.
    const Neighbours nb = MB ? eqk::jointNeighbours(g, i, j, P13 ? eqk::JointRule::PreviousFirst
                                                                 : eqk::JointRule::OwnFirst)
                             : eqk::plainNeighbours(g, i, j);
    const sedk::Rows r = sedk::rows(l, i, j, P13);
    double* c = g.row(i, j);
    const int Z = znumber;
    if constexpr (Up)
        for (int k = kFirst; k <= Z; ++k) update<P13, Flush>(r, nb, c, k);
    else
        for (int k = Z; k >= kFirst; --k) update<P13, Flush>(r, nb, c, k);
}

// A whole sweep: i, j and k all ascending (forward) or all descending.
template <bool P13, bool MB, bool Forward, bool Flush>
void sweep(const Grid3<double>& g, int l, int kFirst) {
    if constexpr (Forward) {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) column<P13, MB, true, Flush>(g, l, i, j, kFirst);
    } else {
        for (int i = xnumber; i >= 2; --i)
            for (int j = ynumber; j >= 2; --j) column<P13, MB, false, Flush>(g, l, i, j, kFirst);
    }
}

// The multi-block 7-point sweep pair: i-planes forward, then backward; in
// each plane an ascending half (flushing) and a descending half.
void planeHalves(const Grid3<double>& g, int l, int i, int kFirst) {
    for (int j = 2; j <= ynumber; ++j) column<false, true, true, true>(g, l, i, j, kFirst);
    for (int j = ynumber; j >= 2; --j) column<false, true, false, false>(g, l, i, j, kFirst);
}

// The suspended cells of the columns blocked by G 2 at 0 (their bed cells
// stay).
void blockedColumns(const Grid3<double>& g) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double f = kblok[i][j];
            double* c = g.row(i, j);
            for (int k = 3; k <= znumber; ++k) c[k] *= f;
        }
}

}  // namespace

namespace sedk {

void zeroBlockedCells(int l) {
    zeroSolidBoxes(l, 0, znumber + 2);
    if (FlagTFS != 0) blockedColumns(concGrid(l));
}

void zeroSolidBoxes(int l, int kLo, int kHi) {
    const Grid3<double> g = concGrid(l);
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        const int i2 = std::min<int>(b.i2, xnumber + 2), j2 = std::min<int>(b.j2, ynumber + 2);
        const int k1 = std::max({b.k1, kLo, 0}), k2 = std::min({b.k2, kHi, znumber + 2});
        for (int i = std::max(b.i1, 0); i <= i2; ++i)
            for (int j = std::max(b.j1, 0); j <= j2; ++j)
                for (int k = k1; k <= k2; ++k) g.row(i, j)[k] = 0.0;
    }
}

void checkSedimentEquation(const char* who, bool thirteenPoint) {
    const int l = indexl;
    if (l < 1 || l > lnumber || l >= conc.extent(0))
        faultf(-8, "Error - size fraction indexl = %d out of range in %s\n", l, who);
    auto covers = [](const FieldArrayBase& a, int e0) {
        return !a.isNull() && a.extent(0) > e0 && a.extent(1) >= xnumber + 2 && a.extent(2) >= ynumber + 2 &&
               a.extent(3) >= znumber + 2;
    };
    if (conc.extent(1) < xnumber + 3 || conc.extent(2) < ynumber + 3 || conc.extent(3) < znumber + 3 ||
        !covers(ap, l) || !covers(at, l) || !covers(ab, l) ||
        (thirteenPoint && (!covers(catt, l) || !covers(cabb, l))))
        faultf(-8, "Error - sediment equation does not cover the grid in %s\n", who);
    auto workspace = [](const FieldArrayBase& a) {
        return !a.isNull() && a.extent(0) >= xnumber + 2 && a.extent(1) >= ynumber + 2 && a.extent(2) >= znumber + 2;
    };
    const FieldArrayBase* first[] = {&ae, &aw, &as, &an, &source};
    const FieldArrayBase* second[] = {&aee, &aww, &ass, &ann};
    for (const FieldArrayBase* a : first)
        if (!workspace(*a) || a->extent(1) != ae.extent(1) || a->extent(2) != ae.extent(2))
            faultf(-8, "Error - equation workspace incomplete in %s\n", who);
    if (thirteenPoint)
        for (const FieldArrayBase* a : second)
            if (!workspace(*a) || a->extent(1) != ae.extent(1) || a->extent(2) != ae.extent(2))
                faultf(-8, "Error - second-neighbour coefficients missing in %s\n", who);
    if (OBlok.isNull() || kblok.isNull()) faultf(-8, "Error - cell flags missing in %s\n", who);
    eqk::checkLineVectors(who);
    if (MBNo > 0) eqk::checkJointTables(who);
}

void sedimentSweeps(int kFirst, int repetitions) {
    const bool p13 = SedimentScheme == 1;
    const bool mb = MBNo > 0;
    checkSedimentEquation("the sediment sweeps", p13);
    if (xnumber < 2 || ynumber < 2) return;
    const int l = indexl;
    const Grid3<double> g = concGrid(l);
    for (int n = 0; n < repetitions; ++n) {
        if (p13 && mb) {
            sweep<true, true, true, true>(g, l, kFirst);
            sweep<true, true, false, false>(g, l, kFirst);
        } else if (p13) {
            sweep<true, false, true, true>(g, l, kFirst);
            sweep<true, false, false, false>(g, l, kFirst);
        } else if (mb) {
            for (int i = 2; i <= xnumber; ++i) planeHalves(g, l, i, kFirst);
            for (int i = xnumber; i >= 2; --i) planeHalves(g, l, i, kFirst);
        } else {
            zeroBlockedCells(l);
            sweep<false, false, true, true>(g, l, kFirst);
            sweep<false, false, false, true>(g, l, kFirst);
        }
    }
}

}  // namespace sedk

void sole_gauseid() {
    if (conc.isNull()) return;
    blockSedim();
    sedk::sedimentSweeps(3, 1);
}
