// Additive plane correction of the sediment equation: every j-plane, then
// every k-plane, then every i-plane of the solved cells is shifted by one
// value, chosen so that the summed equations of the planes hold with their
// neighbour planes coupled (a TDMA along the direction in pt, qt). Always on
// the 7-point stencil; across block joints on a multi-block grid.
#include <cmath>

#include "control/state.h"
#include "equations/state.h"
#include "equations/workspace.h"
#include "grid/state.h"
#include "sediment/point_solver.h"
#include "sediment/sediment.h"

namespace {

using eqk::Grid3;
using eqk::Neighbours;

enum class Dir { J, K, I };

// Sums of one plane over its open, unfixed cells: B the centre minus the
// couplings within the plane, L and U the couplings to the planes before and
// after it, R the summed residual.
struct PlaneSums {
    double B = 0.0, L = 0.0, U = 0.0, R = 0.0;
};

template <Dir D, bool MB>
struct Pass {
    const Grid3<double> g;
    const int l, kFirst;

    int first() const { return D == Dir::K ? kFirst : 2; }
    int last() const { return D == Dir::J ? ynumber : D == Dir::K ? znumber : xnumber; }

    // Calls fn(i, j, k, neighbours) for every solved cell of plane p.
    template <typename Fn>
    void forPlane(int p, Fn fn) const {
        auto nbOf = [this](int i, int j) { return eqk::neighboursOf<MB>(g, i, j); };
        if constexpr (D == Dir::J) {
            for (int i = 2; i <= xnumber; ++i) {
                const Neighbours nb = nbOf(i, p);
                for (int k = kFirst; k <= znumber; ++k) fn(i, p, k, nb);
            }
        } else if constexpr (D == Dir::K) {
            for (int i = 2; i <= xnumber; ++i)
                for (int j = 2; j <= ynumber; ++j) fn(i, j, p, nbOf(i, j));
        } else {
            for (int j = 2; j <= ynumber; ++j) {
                const Neighbours nb = nbOf(p, j);
                for (int k = kFirst; k <= znumber; ++k) fn(p, j, k, nb);
            }
        }
    }

    PlaneSums sums(int p) const {
        PlaneSums s;
        forPlane(p, [&](int i, int j, int k, const Neighbours& nb) {
            const sedk::Rows r = sedk::rows(l, i, j, false);
            if (OBlok[i][j][k] != 1 || !(r.ap[k] < kFixedValueLimit)) return;
            const double* c = g.row(i, j);
            double b = r.ap[k];
            if constexpr (D != Dir::I) {
                if (i != 2) b -= r.ae[k];
                if (i != xnumber) b -= r.aw[k];
            }
            if constexpr (D != Dir::J) {
                if (j != 2) b -= r.as[k];
                if (j != ynumber) b -= r.an[k];
            }
            if constexpr (D != Dir::K) {
                if (k != kFirst) b -= r.ab[k];
                if (k != znumber) b -= r.at[k];
            }
            s.B += b;
            s.L += D == Dir::J ? r.as[k] : D == Dir::K ? r.ab[k] : r.ae[k];
            s.U += D == Dir::J ? r.an[k] : D == Dir::K ? r.at[k] : r.aw[k];
            s.R += r.src[k] + r.ae[k] * nb.w[k] + r.aw[k] * nb.e[k] + r.as[k] * nb.s[k] + r.an[k] * nb.n[k] +
                   r.ab[k] * c[k - 1] + r.at[k] * c[k + 1] - r.ap[k] * c[k];
        });
        return s;
    }

    void run() const {
        double* P = pt.data();
        double* Q = qt.data();
        const int p0 = first(), pN = last();
        P[p0 - 1] = 0.0;
        Q[p0 - 1] = 0.0;
        for (int p = p0; p <= pN; ++p) {
            const PlaneSums s = sums(p);
            double d = s.B - s.L * P[p - 1];
            if (std::fabs(d / (s.B + 1e-20)) < 1e-10) d = 1e30;  // a plane without equations
            P[p] = s.U / d;
            const double q = (s.L * Q[p - 1] + s.R) / d;
            Q[p] = D != Dir::K && std::fabs(q) < 1e-100 ? 0.0 : q;
        }
        double x = 0.0;
        for (int p = pN; p >= p0; --p) {
            x = P[p] * x + Q[p];
            forPlane(p, [&](int i, int j, int k, const Neighbours&) {
                if (OBlok[i][j][k] != 0) g.row(i, j)[k] += x;
            });
        }
    }
};

template <bool MB>
void passes(const Grid3<double>& g, int l, int kFirst) {
    Pass<Dir::J, MB>{g, l, kFirst}.run();
    Pass<Dir::K, MB>{g, l, kFirst}.run();
    Pass<Dir::I, MB>{g, l, kFirst}.run();
}

}  // namespace

namespace sedk {

void sedimentBlockCorrection(int kFirst) {
    if (SedimentScheme == 1) return;
    checkSedimentEquation("the sediment block correction", false);
    if (xnumber < 2 || ynumber < 2) return;
    const Grid3<double> g = concGrid(indexl);
    if (MBNo > 0)
        passes<true>(g, indexl, kFirst);
    else
        passes<false>(g, indexl, kFirst);
}

}  // namespace sedk

void blockSedim() { sedk::sedimentBlockCorrection(3); }
