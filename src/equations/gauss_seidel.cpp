// Symmetric point Gauss-Seidel: WaterGaussSeidel on the 7-point stencil
// (GaussIter sweep pairs; serial, threaded modes 0, 1 and 31, or across block
// joints) and WaterGaussSOU on the 13-point stencil.
#include <omp.h>

#include <cstring>
#include <vector>

#include "equations/kernels.h"
#include "equations/parallel.h"
#include "grid/state.h"

namespace {

using eqk::Grid3;
using eqk::Neighbours;

// ---------------------------------------------------------------------------
// Cell updates, one column (i, j) at a time, k ascending (forward) or
// descending (backward). The neighbour rows come from f, a copy of f, a halo
// plane or across a block joint.
// ---------------------------------------------------------------------------

// 7 points: the seven terms in this order, times iAp.
struct Stencil7 {
    static constexpr int depth = 1;  // i-planes on either side that a cell reads

    template <bool Forward, bool Flush>
    static void column(int i, int j, double* fc, const Neighbours& nb) {
        const std::int64_t o = eqk::coefOffset(i, j);
        const eqk::Coef7 c = eqk::coef7(o);
        const double* iap = iAp.data() + o;
        const int zn = znumber;
        for (int n = 0; n < zn - 1; ++n) {
            const int k = Forward ? 2 + n : zn - n;
            const double v = (c.ae[k] * nb.w[k] + c.aw[k] * nb.e[k] + c.an[k] * nb.n[k] + c.as[k] * nb.s[k] +
                              c.wat[k] * fc[k + 1] + c.wab[k] * fc[k - 1] + c.src[k]) *
                             iap[k];
            fc[k] = Flush ? eqk::flushed(v) : v;
        }
    }
};

// 13 points: the thirteen terms in this order, divided by wap; never flushed.
struct Stencil13 {
    static constexpr int depth = 2;

    template <bool Forward, bool Flush>
    static void column(int i, int j, double* fc, const Neighbours& nb) {
        static_assert(!Flush, "the 13-point sweep stores values unchanged");
        const std::int64_t o = eqk::coefOffset(i, j);
        const eqk::Coef7 c = eqk::coef7(o);
        const eqk::Coef2nd d = eqk::coef2nd(o);
        const double* wp = wap.data() + o;
        const int zn = znumber;
        for (int n = 0; n < zn - 1; ++n) {
            const int k = Forward ? 2 + n : zn - n;
            fc[k] = (c.ae[k] * nb.w[k] + c.aw[k] * nb.e[k] + c.an[k] * nb.n[k] + c.as[k] * nb.s[k] +
                     c.wat[k] * fc[k + 1] + c.wab[k] * fc[k - 1] + d.aee[k] * nb.ww[k] + d.aww[k] * nb.ee[k] +
                     d.ass[k] * nb.ss[k] + d.ann[k] * nb.nn[k] + d.abb[k] * fc[k - 2] + d.att[k] * fc[k + 2] +
                     c.src[k]) /
                    wp[k];
        }
    }
};

// One i-plane; near[S::depth + d] is the base of the plane from which the
// i+d neighbours come (d = -depth..depth; near[depth] is plane i of f).
template <typename S, bool Forward, bool Flush>
void plane(const Grid3<double>& g, int i, const double* const* near) {
    constexpr int D = S::depth;
    for (int n = 0; n < ynumber - 1; ++n) {
        const int j = Forward ? 2 + n : ynumber - n;
        Neighbours nb;
        nb.w = near[D - 1] + j * g.sy;
        nb.e = near[D + 1] + j * g.sy;
        nb.s = g.row(i, j - 1);
        nb.n = g.row(i, j + 1);
        if constexpr (D == 2) {
            nb.ww = near[0] + j * g.sy;
            nb.ee = near[4] + j * g.sy;
            nb.ss = g.row(i, j - 2);
            nb.nn = g.row(i, j + 2);
        }
        S::template column<Forward, Flush>(i, j, g.row(i, j), nb);
    }
}

// A sweep over the planes of f itself.
template <typename S, bool Forward, bool Flush>
void sweep(const Grid3<double>& g) {
    constexpr int D = S::depth;
    const double* near[2 * D + 1];
    for (int n = 0; n < xnumber - 1; ++n) {
        const int i = Forward ? 2 + n : xnumber - n;
        for (int d = -D; d <= D; ++d) near[D + d] = g.row(i + d, 0);
        plane<S, Forward, Flush>(g, i, near);
    }
}

// A sweep of the multi-block grid: neighbours across block joints through
// the joint tables. `only` restricts it to the columns that pass the test.
template <typename S, bool Forward>
void jointSweep(const Grid3<double>& g, eqk::JointRule rule, bool (*only)(int i, int j) = nullptr) {
    for (int m = 0; m < xnumber - 1; ++m) {
        const int i = Forward ? 2 + m : xnumber - m;
        for (int n = 0; n < ynumber - 1; ++n) {
            const int j = Forward ? 2 + n : ynumber - n;
            if (only && !only(i, j)) continue;
            S::template column<Forward, false>(i, j, g.row(i, j), eqk::jointNeighbours(g, i, j, rule));
        }
    }
}

// The columns next to a block joint: joint cells, the cells after them, and
// the host cells and the cells next to them.
bool jointColumn(int i, int j) {
    return Pi1MultiBlock[i][j][0] != 0 || Pi1MultiBlock[i - 1][j][0] != 0 ||
           ((j == 2 || j == 3) && Pj1MultiBlock[i][0] != 0) ||
           ((j == ynumber - 1 || j == ynumber) && Pj2MultiBlock[i][0] != 0);
}

// ---------------------------------------------------------------------------
// Threaded half-sweeps. Thread t owns the i-planes of its chunk. The planes
// next to the chunk are read from halo copies that every thread takes before
// any thread writes (a barrier separates copying and sweeping), so a chunk
// border sees the values from before the half-sweep, whatever the timing. In
// mode 31 every i-neighbour comes from the copy fnn of the whole field.
// ---------------------------------------------------------------------------
template <typename S, bool Forward, bool Flush, bool FromCopy>
void halfSweep(const Grid3<double>& g, const Grid3<double>& copy, double* halo) {
    constexpr int D = S::depth;
    const int n = xnumber - 1;
    par::region(NoProcessesSolver, [&] {
        const int T = omp_get_num_threads(), t = omp_get_thread_num();
        const eqk::Chunk ch = eqk::chunkOf(t, T, n);
        // Planes first..last in sweep order, lo..hi in index order.
        const int first = Forward ? ch.s + 2 : xnumber - ch.s;
        const int last = Forward ? ch.e + 1 : xnumber - ch.e + 1;
        const int lo = std::min(first, last), hi = std::max(first, last);
        // Halo planes lo-D..lo-1 and hi+1..hi+D.
        double* mine = halo + static_cast<std::int64_t>(2 * D) * t * g.sx;
        auto haloPlane = [&](int m) { return mine + (m < lo ? m - (lo - D) : D + m - hi - 1) * g.sx; };
        if constexpr (FromCopy) {
            // fnn = f on the planes 1..xnumber+1, rows 2..ynumber, levels 2..znumber.
            const eqk::Chunk share = eqk::chunkOf(t, T, xnumber + 1);
            for (int i = share.s + 1; i <= share.e; ++i)
                for (int j = 2; j <= ynumber; ++j)
                    std::memcpy(copy.row(i, j) + 2, g.row(i, j) + 2, sizeof(double) * (znumber - 1));
        } else if (!ch.empty()) {
            for (int d = 1; d <= D; ++d) {
                std::memcpy(haloPlane(lo - d), g.row(lo - d, 0), sizeof(double) * g.sx);
                std::memcpy(haloPlane(hi + d), g.row(hi + d, 0), sizeof(double) * g.sx);
            }
        }
        par::barrier();
        if (ch.empty()) return;
        const double* near[2 * D + 1];
        for (int i = first; Forward ? i <= last : i >= last; Forward ? ++i : --i) {
            for (int d = -D; d <= D; ++d) {
                const int m = i + d;
                if (d == 0)
                    near[D] = g.row(i, 0);
                else if (FromCopy)
                    near[D + d] = copy.row(m, 0);
                else
                    near[D + d] = m < lo || m > hi ? haloPlane(m) : g.row(m, 0);
            }
            plane<S, Forward, Flush>(g, i, near);
        }
    });
}

template <typename S>
double* haloFor(const Grid3<double>& g) {
    std::vector<double>& scratch = gaussSeidelHalo;
    scratch.resize(static_cast<std::size_t>(2 * S::depth) * static_cast<std::size_t>(NoProcessesSolver) *
                   static_cast<std::size_t>(g.sx));
    return scratch.data();
}

// GaussIter pairs of threaded half-sweeps, 7 points; the backward half-sweep
// flushes.
void threaded7(const Grid3<double>& g) {
    if (FlagRapSolver == 31) {
        if (!eqk::checkField(fnn, "fnn", "WaterGaussSeidel")) return;
        if (fnn.extent(1) != f.extent(1) || fnn.extent(2) != f.extent(2)) {
            faultf(-8, "Error - fnn does not match the solved field in WaterGaussSeidel\n");
            return;
        }
        const Grid3<double> copy = eqk::grid(fnn);
        for (int it = 1; it <= GaussIter; ++it) {
            halfSweep<Stencil7, true, false, true>(g, copy, nullptr);
            halfSweep<Stencil7, false, true, true>(g, copy, nullptr);
        }
        return;
    }
    double* halo = haloFor<Stencil7>(g);
    for (int it = 1; it <= GaussIter; ++it) {
        halfSweep<Stencil7, true, false, false>(g, g, halo);
        halfSweep<Stencil7, false, true, false>(g, g, halo);
    }
}

}  // namespace

void WaterGaussSeidel() {
    if (!eqk::checkWorkspace("WaterGaussSeidel", false)) return;
    if (xnumber < 2 || ynumber < 2 || znumber < 2) return;
    const Grid3<double> g = eqk::grid(f);
    if (MBNo != 0) {
        if (!eqk::checkJointTables("WaterGaussSeidel")) return;
        for (int it = 1; it <= GaussIter; ++it) {
            jointSweep<Stencil7, true>(g, eqk::JointRule::OwnFirst);
            jointSweep<Stencil7, false>(g, eqk::JointRule::OwnFirst);
        }
    } else if (NoProcessesSolver > 0 && (FlagRapSolver == 0 || FlagRapSolver == 1 || FlagRapSolver == 31)) {
        threaded7(g);
    } else {
        for (int it = 1; it <= GaussIter; ++it) {
            if (FlagUnderflow != 0) {
                sweep<Stencil7, true, true>(g);
                sweep<Stencil7, false, true>(g);
            } else {
                sweep<Stencil7, true, false>(g);
                sweep<Stencil7, false, false>(g);
            }
        }
    }
}

// GaussIter - 1 sweep pairs (one pair when GaussIter is 1, so that a call
// always works on the equation).
void WaterGaussSOU() {
    { Log log; }  // ends the run with -3 when `boogie` cannot be opened
    if (!eqk::checkWorkspace("WaterGaussSOU", true)) return;
    if (xnumber < 2 || ynumber < 2 || znumber < 2) return;
    const int pairs = GaussIter == 1 ? 1 : GaussIter - 1;
    const Grid3<double> g = eqk::grid(f);
    if (MBNo == 0 && NoProcessesSolver == 0) {
        for (int it = 1; it <= pairs; ++it) {
            sweep<Stencil13, true, false>(g);
            sweep<Stencil13, false, false>(g);
        }
    } else if (MBNo == 0 && NoProcessesSolver > 0 && (FlagRapSolver == 0 || FlagRapSolver == 1)) {
        double* halo = haloFor<Stencil13>(g);
        for (int it = 1; it <= pairs; ++it) {
            halfSweep<Stencil13, true, false, false>(g, g, halo);
            halfSweep<Stencil13, false, false, false>(g, g, halo);
        }
    } else {
        // Across block joints (on a grid without joints the serial sweep):
        // forward, forward again over the columns next to a joint, backward.
        if (!eqk::checkJointTables("WaterGaussSOU")) return;
        for (int it = 1; it <= pairs; ++it) {
            jointSweep<Stencil13, true>(g, eqk::JointRule::PreviousFirst);
            jointSweep<Stencil13, true>(g, eqk::JointRule::PreviousFirst, jointColumn);
            jointSweep<Stencil13, false>(g, eqk::JointRule::PreviousFirst);
        }
    }
}
