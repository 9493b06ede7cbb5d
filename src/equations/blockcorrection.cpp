// Block correction: one uniform correction per plane of cells normal to a
// grid direction, chosen so that the summed equations of every plane hold,
// the planes coupled to their neighbours and solved by one TDMA along the
// direction.
#include <omp.h>

#include <vector>

#include "equations/kernels.h"
#include "equations/parallel.h"

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

// Sums of every plane normal to `Dir`, over the rows j = j1..j2, formed in
// one sweep in storage order; each plane still receives its cells in its own
// loop order (i-plane: j, k; j-plane: i, k; k-plane: i, j).
template <Dir D, bool MB, bool P13>
void planeSums(const Grid3<double>& g, int j1, int j2, std::vector<PlaneSums>& sums) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = j1; j <= j2; ++j) {
            const std::int64_t o = eqk::coefOffset(i, j);
            const eqk::Coef7 c = eqk::coef7(o);
            const double* wp = wap.data() + o;
            const double* fc = g.row(i, j);
            const Neighbours nb = eqk::neighboursOf<MB>(g, i, j);
            for (int k = 2; k <= znumber; ++k) {
                if (!counted(wp[k])) continue;
                double b = wp[k];
                PlaneSums& s = sums[D == Dir::I ? i : D == Dir::J ? j : k];
                if constexpr (D == Dir::I) {
                    if (j != ynumber) b -= c.an[k];
                    if (j != 2) b -= c.as[k];
                    if (k != znumber) b -= c.wat[k];
                    if (k != 2) b -= c.wab[k];
                    s.A += c.ae[k];
                    s.C += c.aw[k];
                } else if constexpr (D == Dir::J) {
                    if (i != xnumber) b -= c.aw[k];
                    if (i != 2) b -= c.ae[k];
                    if (k != znumber) b -= c.wat[k];
                    if (k != 2) b -= c.wab[k];
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
void solvePlanes(const std::vector<PlaneSums>& sums, int n, double* Pp, double* Qp, double* d) {
    Pp[1] = 0.0;
    Qp[1] = 0.0;
    for (int p = 2; p <= n; ++p) recurse(sums[p], Pp[p - 1], Qp[p - 1], Pp[p], Qp[p]);
    double dp = 0.0;
    for (int p = n; p >= 2; --p) {
        dp = dp * Pp[p] + Qp[p];
        d[p] = dp;
    }
}

// Adds the plane corrections d to every interior cell of the rows j1..j2.
template <Dir D>
void addCorrections(const Grid3<double>& g, int j1, int j2, const double* d) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = j1; j <= j2; ++j) {
            double* fc = g.row(i, j);
            if constexpr (D == Dir::K) {
                for (int k = 2; k <= znumber; ++k) fc[k] += d[k];
            } else {
                const double dp = d[D == Dir::I ? i : j];
                for (int k = 2; k <= znumber; ++k) fc[k] += dp;
            }
        }
}

template <Dir D, bool MB, bool P13>
void pass(const Grid3<double>& g) {
    const int n = D == Dir::I ? xnumber : D == Dir::J ? ynumber : znumber;
    if (n < 2) return;
    std::vector<PlaneSums> sums(static_cast<std::size_t>(n) + 2);
    std::vector<double> d(static_cast<std::size_t>(n) + 2, 0.0);
    planeSums<D, MB, P13>(g, 2, ynumber, sums);
    solvePlanes(sums, n, pt.data(), qt.data(), d.data());
    addCorrections<D>(g, 2, ynumber, d.data());
}

template <bool MB, bool P13>
void passes(std::initializer_list<Dir> dirs, const Grid3<double>& g) {
    for (Dir d : dirs) {
        if (d == Dir::I) pass<Dir::I, MB, P13>(g);
        if (d == Dir::J) pass<Dir::J, MB, P13>(g);
        if (d == Dir::K) pass<Dir::K, MB, P13>(g);
    }
}

}  // namespace

void BlockCorrection() {
    const bool p13 = eqk::enterLineSolver("BlockCorrection");
    const Grid3<double> g = eqk::grid(f);
    if (MBNo != 0) {
        if (p13)
            passes<true, true>({Dir::I, Dir::J, Dir::K}, g);
        else
            passes<true, false>({Dir::I, Dir::J, Dir::K}, g);
    } else if (p13) {
        passes<false, true>({Dir::I, Dir::J, Dir::K}, g);
    } else if (blockcorr[Equation] == 7) {
        passes<false, false>({Dir::I}, g);
    } else if (blockcorr[Equation] == 6) {
        passes<false, false>({Dir::J, Dir::I}, g);
    } else {
        passes<false, false>({Dir::K, Dir::J, Dir::I}, g);
    }
}

// Bands of j-rows, each with its own i-plane corrections. Every band's sums
// are formed from f as it stands at the call; the corrections are added after
// all bands are solved, so a band border reads its neighbour band's rows
// before either is corrected, whatever the thread timing.
void BlockCorrectionOpenMP() {
    if (!eqk::checkWorkspace("BlockCorrectionOpenMP", false)) return;
    if (xnumber < 2) return;
    const int bands = NoProcessesSolver > 0 ? NoProcessesSolver : 1;
    const int width = (ynumber - 1) / bands;
    const Grid3<double> g = eqk::grid(f);
    // The corrections of every i-plane per band, sized from the grid.
    const std::size_t stride = static_cast<std::size_t>(xnumber) + 2;
    std::vector<double> corr(static_cast<std::size_t>(bands) * stride, 0.0);
    par::region(bands, [&] {
        const int T = omp_get_num_threads(), t = omp_get_thread_num();
        const int per = (bands + T - 1) / T;
        const int b1 = t * per + 1, b2 = std::min(bands, (t + 1) * per);
        std::vector<PlaneSums> sums(stride);
        std::vector<double> Pp(stride), Qp(stride);
        auto rows = [&](int b, int& j1, int& j2) {
            j1 = (b - 1) * width + 2;
            j2 = b == bands ? ynumber : b * width + 1;
            return j1 <= j2;
        };
        int j1, j2;
        for (int b = b1; b <= b2; ++b) {
            if (!rows(b, j1, j2)) continue;
            std::fill(sums.begin(), sums.end(), PlaneSums{});
            planeSums<Dir::I, false, false>(g, j1, j2, sums);
            solvePlanes(sums, xnumber, Pp.data(), Qp.data(), corr.data() + (b - 1) * stride);
        }
        par::barrier();
        for (int b = b1; b <= b2; ++b)
            if (rows(b, j1, j2)) addCorrections<Dir::I>(g, j1, j2, corr.data() + (b - 1) * stride);
    });
}
