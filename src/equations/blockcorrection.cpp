// Block correction: one uniform correction per plane of cells normal to a
// grid direction, chosen so that the summed equations of every plane hold,
// the planes coupled to their neighbours and solved by one TDMA along the
// direction.
#include <omp.h>

#include <algorithm>
#include <type_traits>
#include <vector>

#include "equations/kernels.h"
#include "equations/parallel.h"
#include "equations/solve.h"

namespace {

using eqk::Grid3;
using eqk::Neighbours;

// Sums of one plane over its counted cells.
struct PlaneSums {
    double B = 0.0, A = 0.0, C = 0.0, R = 0.0;
};

// Whether the cell counts in the plane sums: not for Equation 6, nor for a
// fixed-value cell (a centre coefficient of 1e15 or more, or not a number).
inline bool counted(double wapP) { return Equation != 6 && wapP < kFixedValueLimit; }

// Under the transient free surface the top cells are pinned (p' = 0): a
// vertical coupling to a fixed-value cell is a fixed value, not a cell that
// moves with the plane, and a fixed-value cell takes no plane correction.
inline bool pinnedCells() { return FlagTFS == 1; }
inline bool fixedValue(double wapP) { return !(wapP < kFixedValueLimit); }

// Signed cell residual with plain or joint-aware neighbours.
template <bool P13>
inline double cellResidual(std::int64_t o, const double* fc, const Neighbours& nb, int k) {
    const eqk::Coef7 c = eqk::coef7(o);
    if constexpr (P13)
        return eqk::residual13(c, eqk::coef2nd(o), wap.data() + o, fc, nb, k);
    else
        return eqk::residual7(c, wap.data() + o, fc, nb, k);
}

// One step of the plane recursion: P(p), Q(p) from the sums and P(p-1), Q(p-1).
inline void recurse(const PlaneSums& s, double pPrev, double qPrev, double& p, double& q) {
    double den = s.B - s.A * pPrev;
    if (std::fabs(den / (s.B + 1e-20)) < 1e-10) den = 1e30;
    p = s.C / den;
    q = (s.A * qPrev + s.R) / den;
}

enum class Dir { I, J, K };

template <Dir D>
int planeCount() {
    return D == Dir::I ? xnumber : D == Dir::J ? ynumber : znumber;
}

// A box of interior cells, i1..i2, j1..j2, k1..k2.
struct Cells {
    int i1, i2, j1, j2, k1, k2;
};

// The cells of the planes p1..p2 normal to `Dir`.
template <Dir D>
Cells planesOf(int p1, int p2) {
    Cells c{2, xnumber, 2, ynumber, 2, znumber};
    if constexpr (D == Dir::I) c.i1 = p1, c.i2 = p2;
    if constexpr (D == Dir::J) c.j1 = p1, c.j2 = p2;
    if constexpr (D == Dir::K) c.k1 = p1, c.k2 = p2;
    return c;
}

// Sums of the planes normal to `Dir` over the cells of `box`, formed in one
// sweep in storage order; each plane receives its cells in its own loop order
// (i-plane: j, k; j-plane: i, k; k-plane: i, j). A box that holds whole
// planes gives each of them the same sums, to the bit, whatever the other
// planes of the grid.
template <Dir D, bool MB, bool P13>
void planeSums(const Grid3<double>& g, const Cells& box, PlaneSums* sums) {
    for (int i = box.i1; i <= box.i2; ++i)
        for (int j = box.j1; j <= box.j2; ++j) {
            const std::int64_t o = eqk::coefOffset(i, j);
            const eqk::Coef7 c = eqk::coef7(o);
            const double* wp = wap.data() + o;
            const double* fc = g.row(i, j);
            const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
            for (int k = box.k1; k <= box.k2; ++k) {
                if (!counted(wp[k])) continue;
                double b = wp[k];
                PlaneSums& s = sums[D == Dir::I ? i : D == Dir::J ? j : k];
                const bool pinned = pinnedCells();
                const bool topMoves = k != znumber && !(pinned && fixedValue(wp[k + 1]));
                const bool bottomMoves = k != 2 && !(pinned && fixedValue(wp[k - 1]));
                if constexpr (D == Dir::I) {
                    if (j != ynumber) b -= c.an[k];
                    if (j != 2) b -= c.as[k];
                    if (topMoves) b -= c.wat[k];
                    if (bottomMoves) b -= c.wab[k];
                    s.A += c.ae[k];
                    s.C += c.aw[k];
                } else if constexpr (D == Dir::J) {
                    if (i != xnumber) b -= c.aw[k];
                    if (i != 2) b -= c.ae[k];
                    if (topMoves) b -= c.wat[k];
                    if (bottomMoves) b -= c.wab[k];
                    s.A += c.as[k];
                    s.C += c.an[k];
                } else {
                    if (j != ynumber) b -= c.an[k];
                    if (j != 2) b -= c.as[k];
                    if (i != xnumber) b -= c.aw[k];
                    if (i != 2) b -= c.ae[k];
                    s.A += c.wab[k];
                    s.C += c.wat[k];
                }
                s.B += b;
                s.R += cellResidual<P13>(o, fc, nb, k);
            }
        }
}

// The plane recursion for planes 2..n and the back-substitution into d.
void solvePlanes(const PlaneSums* sums, int n, double* Pp, double* Qp, double* d) {
    Pp[1] = 0.0;
    Qp[1] = 0.0;
    for (int p = 2; p <= n; ++p) recurse(sums[p], Pp[p - 1], Qp[p - 1], Pp[p], Qp[p]);
    double dp = 0.0;
    for (int p = n; p >= 2; --p) {
        dp = dp * Pp[p] + Qp[p];
        d[p] = dp;
    }
}

// Adds the plane corrections d to every interior cell of the i-planes i1..i2.
template <Dir D>
void addCorrections(const Grid3<double>& g, int i1, int i2, const double* d) {
    const bool pinned = pinnedCells();
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double* fc = g.row(i, j);
            if (pinned) {
                const double* wp = wap.data() + eqk::coefOffset(i, j);
                for (int k = 2; k <= znumber; ++k)
                    if (!fixedValue(wp[k])) fc[k] += D == Dir::K ? d[k] : d[D == Dir::I ? i : j];
                continue;
            }
            if constexpr (D == Dir::K) {
                for (int k = 2; k <= znumber; ++k) fc[k] += d[k];
            } else {
                const double dp = d[D == Dir::I ? i : j];
                for (int k = 2; k <= znumber; ++k) fc[k] += dp;
            }
        }
}

// The passes of a call, in their order: three on the 13-point stencil and on
// multi-block grids; on the 7-point stencil of a single block as
// blockcorr[Equation] chooses.
struct Passes {
    Dir dirs[3];
    int count;
};
Passes passesOfCall(bool p13) {
    if (MBNo != 0 || p13) return {{Dir::I, Dir::J, Dir::K}, 3};
    if (blockcorr[Equation] == 7) return {{Dir::I}, 1};
    if (blockcorr[Equation] == 6) return {{Dir::J, Dir::I}, 2};
    return {{Dir::K, Dir::J, Dir::I}, 3};
}

// Calls run.operator()<D, MB, P13>() for each pass D of the call, MB (a
// multi-block grid) and P13 (the 13-point stencil) as compile-time flags.
template <typename Run>
void forEachPass(bool p13, Run&& run) {
    const Passes ps = passesOfCall(p13);
    auto each = [&](auto mb, auto p) {
        for (int n = 0; n < ps.count; ++n) {
            if (ps.dirs[n] == Dir::I) run.template operator()<Dir::I, decltype(mb)::value, decltype(p)::value>();
            if (ps.dirs[n] == Dir::J) run.template operator()<Dir::J, decltype(mb)::value, decltype(p)::value>();
            if (ps.dirs[n] == Dir::K) run.template operator()<Dir::K, decltype(mb)::value, decltype(p)::value>();
        }
    };
    using T = std::true_type;
    using F = std::false_type;
    if (MBNo != 0)
        p13 ? each(T{}, T{}) : each(T{}, F{});
    else
        p13 ? each(F{}, T{}) : each(F{}, F{});
}

// The contiguous share t of T of the indices lo..hi (empty when first > last).
void share(int lo, int hi, int t, int T, int& first, int& last) {
    const int n = hi - lo + 1, base = n / T, extra = n % T;
    first = lo + t * base + std::min(t, extra);
    last = first + base + (t < extra ? 1 : 0) - 1;
}

}  // namespace

void BlockCorrection() {
    const bool p13 = eqk::enterLineSolver("BlockCorrection");
    const Grid3<double> g = eqk::grid(f);
    forEachPass(p13, [&]<Dir D, bool MB, bool P13>() {
        const int n = planeCount<D>();
        if (n < 2) return;
        std::vector<PlaneSums> sums(static_cast<std::size_t>(n) + 2);
        std::vector<double> d(static_cast<std::size_t>(n) + 2, 0.0);
        planeSums<D, MB, P13>(g, planesOf<D>(2, n), sums.data());
        solvePlanes(sums.data(), n, pt.data(), qt.data(), d.data());
        addCorrections<D>(g, 2, xnumber, d.data());
    });
}

// The same passes, the same sums and the same corrections as
// BlockCorrection, by a team of NoProcessesSolver threads. Every plane's sums
// are formed whole by one thread, its cells in the serial order, the planes
// dealt to the threads in contiguous shares; every thread then runs the plane
// recursion itself, in its own vectors, and adds the corrections to its
// i-slab. The result is thus that of BlockCorrection to the bit, for every
// team size. (Independent corrections per band of j-rows, each band counting
// its couplings to the next band as in-plane couplings, make the difference
// between the bands grow from call to call where the equation has no
// diagonal of its own, as p' has.)
void BlockCorrectionOpenMP() {
    const bool p13 = stencilOf(Equation) == Stencil::Thirteen;
    if (!eqk::checkWorkspace("BlockCorrectionOpenMP", p13)) return;
    if (MBNo != 0 && !eqk::checkJointTables("BlockCorrectionOpenMP")) return;
    const Grid3<double> g = eqk::grid(f);
    const int team = std::max(NoProcessesSolver, 1);
    // Plane sums, shared; recursion values and corrections per thread; all
    // sized from the grid.
    const std::size_t size = static_cast<std::size_t>(std::max({xnumber, ynumber, znumber})) + 2;
    std::vector<PlaneSums> sums(size);
    std::vector<double> scratch(3 * size * static_cast<std::size_t>(team));
    par::region(team, [&] {
        const int T = omp_get_num_threads(), t = omp_get_thread_num();
        double* Pp = scratch.data() + 3 * size * static_cast<std::size_t>(t);
        double* Qp = Pp + size;
        double* d = Qp + size;
        int i1, i2;
        share(2, xnumber, t, T, i1, i2);
        bool first = true;
        forEachPass(p13, [&]<Dir D, bool MB, bool P13>() {
            const int n = planeCount<D>();
            if (n < 2) return;
            if (!first) par::barrier();  // the previous pass's corrections are in f
            first = false;
            int p1, p2;
            share(2, n, t, T, p1, p2);
            if (p1 <= p2) {
                std::fill(sums.begin() + p1, sums.begin() + p2 + 1, PlaneSums{});
                planeSums<D, MB, P13>(g, planesOf<D>(p1, p2), sums.data());
            }
            par::barrier();
            solvePlanes(sums.data(), n, Pp, Qp, d);
            if (i1 <= i2) addCorrections<D>(g, i1, i2, d);
        });
    });
}
