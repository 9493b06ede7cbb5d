// Symmetric point Gauss-Seidel on the 7-point stencil: GaussIter sweep pairs,
// serial, threaded (modes 0, 1 and 31) or across block joints.
#include <omp.h>

#include <cstring>
#include <vector>

#include "equations/kernels.h"
#include "equations/parallel.h"

namespace {

using eqk::Grid3;

// The 7-point workspace and iAp at one column.
struct Column {
    const double *ae, *aw, *an, *as, *wat, *wab, *src, *iap;
};
inline Column columnAt(int i, int j) {
    const std::int64_t o = eqk::coefOffset(i, j);
    return {ae.data() + o,  aw.data() + o,  an.data() + o,     as.data() + o,
            wat.data() + o, wab.data() + o, source.data() + o, iAp.data() + o};
}

// The cell update: the seven terms in this order, times iAp.
inline double update(const Column& c, const double* fc, const double* w, const double* e, const double* s,
                     const double* n, int k) {
    return (c.ae[k] * w[k] + c.aw[k] * e[k] + c.an[k] * n[k] + c.as[k] * s[k] + c.wat[k] * fc[k + 1] +
            c.wab[k] * fc[k - 1] + c.src[k]) *
           c.iap[k];
}

template <bool Flush>
inline void columnForward(const Column& c, double* fc, const double* w, const double* e, const double* s,
                          const double* n) {
    for (int k = 2; k <= znumber; ++k) {
        const double v = update(c, fc, w, e, s, n, k);
        fc[k] = Flush ? eqk::flushed(v) : v;
    }
}
template <bool Flush>
inline void columnBackward(const Column& c, double* fc, const double* w, const double* e, const double* s,
                           const double* n) {
    for (int k = znumber; k >= 2; --k) {
        const double v = update(c, fc, w, e, s, n, k);
        fc[k] = Flush ? eqk::flushed(v) : v;
    }
}

// One plane i. `lo` and `hi` are the grids from which the i-1 and i+1
// neighbours come (f itself, a copy of f, or a halo plane).
template <bool Flush>
void planeForward(const Grid3<double>& g, int i, const double* loPlane, const double* hiPlane) {
    for (int j = 2; j <= ynumber; ++j) {
        double* fc = g.row(i, j);
        columnForward<Flush>(columnAt(i, j), fc, loPlane + j * g.sy, hiPlane + j * g.sy, g.row(i, j - 1),
                             g.row(i, j + 1));
    }
}
template <bool Flush>
void planeBackward(const Grid3<double>& g, int i, const double* loPlane, const double* hiPlane) {
    for (int j = ynumber; j >= 2; --j) {
        double* fc = g.row(i, j);
        columnBackward<Flush>(columnAt(i, j), fc, loPlane + j * g.sy, hiPlane + j * g.sy, g.row(i, j - 1),
                              g.row(i, j + 1));
    }
}

template <bool Flush>
void serialSweeps(const Grid3<double>& g) {
    for (int it = 1; it <= GaussIter; ++it) {
        for (int i = 2; i <= xnumber; ++i) planeForward<Flush>(g, i, g.row(i - 1, 0), g.row(i + 1, 0));
        for (int i = xnumber; i >= 2; --i) planeBackward<Flush>(g, i, g.row(i - 1, 0), g.row(i + 1, 0));
    }
}

void multiBlockSweeps(const Grid3<double>& g) {
    for (int it = 1; it <= GaussIter; ++it) {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                const eqk::Neighbours nb = eqk::jointNeighbours(g, i, j, eqk::JointRule::OwnFirst);
                columnForward<false>(columnAt(i, j), g.row(i, j), nb.w, nb.e, nb.s, nb.n);
            }
        for (int i = xnumber; i >= 2; --i)
            for (int j = ynumber; j >= 2; --j) {
                const eqk::Neighbours nb = eqk::jointNeighbours(g, i, j, eqk::JointRule::OwnFirst);
                columnBackward<false>(columnAt(i, j), g.row(i, j), nb.w, nb.e, nb.s, nb.n);
            }
    }
}

// ---------------------------------------------------------------------------
// Threaded half-sweeps. Thread t owns the i-planes of its chunk. In modes 0
// and 1 the planes next to the chunk are read from halo copies taken before
// any thread writes (a barrier separates copying and sweeping), so a chunk
// border sees the value from before the half-sweep. In mode 31 every i-1 and
// i+1 neighbour comes from the copy fnn.
// ---------------------------------------------------------------------------
enum class Mode { Halo, Copy };

// Scratch of the halo planes: two per thread, each one plane of f.
std::vector<double>& haloScratch() {
    static std::vector<double> scratch;
    return scratch;
}

template <bool Forward, Mode M>
void halfSweep(const Grid3<double>& g, const Grid3<double>& copy, double* halo) {
    const int n = xnumber - 1;
    par::region(NoProcessesSolver, [&] {
        const int T = omp_get_num_threads(), t = omp_get_thread_num();
        const eqk::Chunk ch = eqk::chunkOf(t, T, n);
        // Planes first..last in sweep order.
        const int first = Forward ? ch.s + 2 : xnumber - ch.s;
        const int last = Forward ? ch.e + 1 : xnumber - ch.e + 1;
        const int lo = std::min(first, last), hi = std::max(first, last);
        double* haloLo = halo + static_cast<std::int64_t>(2 * t) * g.sx;
        double* haloHi = haloLo + g.sx;
        if constexpr (M == Mode::Copy) {
            // fnn = f on the planes 1..xnumber+1, rows 2..ynumber, levels 2..znumber,
            // each thread copying a share of the planes.
            const eqk::Chunk share = eqk::chunkOf(t, T, xnumber + 1);
            for (int i = share.s + 1; i <= share.e; ++i)
                for (int j = 2; j <= ynumber; ++j)
                    std::memcpy(copy.row(i, j) + 2, g.row(i, j) + 2, sizeof(double) * (znumber - 1));
        } else if (!ch.empty()) {
            std::memcpy(haloLo, g.row(lo - 1, 0), sizeof(double) * g.sx);
            std::memcpy(haloHi, g.row(hi + 1, 0), sizeof(double) * g.sx);
        }
        par::barrier();
        if (ch.empty()) return;
        for (int i = first; Forward ? i <= last : i >= last; Forward ? ++i : --i) {
            const double *loPlane, *hiPlane;
            if constexpr (M == Mode::Copy) {
                loPlane = copy.row(i - 1, 0);
                hiPlane = copy.row(i + 1, 0);
            } else {
                loPlane = i == lo ? haloLo : g.row(i - 1, 0);
                hiPlane = i == hi ? haloHi : g.row(i + 1, 0);
            }
            // The forward half-sweep stores values as computed, the backward one flushes.
            if constexpr (Forward)
                planeForward<false>(g, i, loPlane, hiPlane);
            else
                planeBackward<true>(g, i, loPlane, hiPlane);
        }
    });
}

void threadedSweeps(const Grid3<double>& g) {
    Grid3<double> copy{nullptr, 0, 0};
    double* halo = nullptr;
    if (FlagRapSolver == 31) {
        eqk::checkField(fnn, "fnn", "WaterGaussSeidel");
        if (fnn.extent(1) != f.extent(1) || fnn.extent(2) != f.extent(2))
            failf(-8, "Error - fnn does not match the solved field in WaterGaussSeidel\n");
        copy = eqk::grid(fnn);
    } else {
        std::vector<double>& scratch = haloScratch();
        scratch.resize(static_cast<std::size_t>(2 * NoProcessesSolver) * static_cast<std::size_t>(g.sx));
        halo = scratch.data();
    }
    for (int it = 1; it <= GaussIter; ++it) {
        if (FlagRapSolver == 31) {
            halfSweep<true, Mode::Copy>(g, copy, halo);
            halfSweep<false, Mode::Copy>(g, copy, halo);
        } else {
            halfSweep<true, Mode::Halo>(g, copy, halo);
            halfSweep<false, Mode::Halo>(g, copy, halo);
        }
    }
}

}  // namespace

void WaterGaussSeidel() {
    eqk::checkWorkspace("WaterGaussSeidel", false);
    if (xnumber < 2 || ynumber < 2 || znumber < 2) return;
    const Grid3<double> g = eqk::grid(f);
    if (MBNo != 0) {
        eqk::checkJointTables("WaterGaussSeidel");
        multiBlockSweeps(g);
    } else if (NoProcessesSolver > 0 &&
               (FlagRapSolver == 0 || FlagRapSolver == 1 || FlagRapSolver == 31)) {
        threadedSweeps(g);
    } else if (FlagUnderflow != 0) {
        serialSweeps<true>(g);
    } else {
        serialSweeps<false>(g);
    }
}
