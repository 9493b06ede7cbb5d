// The algebraic Reynolds-stress models: the cell-centred derivative, the
// tensor algebra of the stress polynomial, the two models' coefficients and
// the sweeps that fill the stress store and the momentum sources.
#include "turbulence/stress_models.h"

#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "grid/geometry.h"
#include "equations/parallel.h"
#include "equations/workspace.h"

namespace {

// ---------------------------------------------------------------------------
// Derivative.
// ---------------------------------------------------------------------------

// The change of f over two cell spacings at index n of one direction: the
// doubled forward difference at a low-side wall or the first interior plane,
// the doubled backward one at a high-side wall or the last, else central.
double twoSpacings(double lo, double centre, double hi, int wall, int n, int last) {
    if (wall == 1 || n == 2) return 2.0 * (hi - centre);
    if (wall == -1 || n == last) return 2.0 * (centre - lo);
    return hi - lo;
}

double derivative(const CellField& f, int dir, int i, int j, int k) {
    if (dir < 1 || dir > 3) return 0.0;
    const double V = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][k]);
    const double c = f(i, j, k);
    const double Dk = twoSpacings(f(i, j, k - 1), c, f(i, j, k + 1), WallK[i][j][k], k, znumber);
    if (dir == 3) return 0.5 * m_armap[i][j] * Dk / V;
    const double Di = twoSpacings(f(i - 1, j, k), c, f(i + 1, j, k), WallI[i][j][k], i, xnumber);
    const double Dj = twoSpacings(f(i, j - 1, k), c, f(i, j + 1, k), WallJ[i][j][k], j, ynumber);
    const int n = dir - 1;  // component of the face normals
    return 0.25 / V *
           ((m_ar_x[i][j][k] * m_vec_x[i][j][n] + m_ar_x[i - 1][j][k] * m_vec_x[i - 1][j][n]) * Di +
            (m_ar_y[i][j][k] * m_vec_y[i][j][n] + m_ar_y[i][j - 1][k] * m_vec_y[i][j - 1][n]) * Dj +
            (m_ar_z[i][j][k] * m_vec_z[i][j][k][n] + m_ar_z[i][j][k - 1] * m_vec_z[i][j][k - 1][n]) * Dk);
}

// ---------------------------------------------------------------------------
// Tensor algebra.
// ---------------------------------------------------------------------------

struct Tensor {
    double m[3][3];
};

Tensor product(const Tensor& A, const Tensor& B) {
    Tensor C{};
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) C.m[a][b] = A.m[a][0] * B.m[0][b] + A.m[a][1] * B.m[1][b] + A.m[a][2] * B.m[2][b];
    return C;
}

double trace(const Tensor& A) { return A.m[0][0] + A.m[1][1] + A.m[2][2]; }

// The velocity gradient G[a][b] = d u_a / d x_b at cell (i, j, k).
Tensor velocityGradient(int i, int j, int k) {
    const CellField u[3] = {xvel, yvel, zvel};
    Tensor G;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) G.m[a][b] = derivative(u[a], b + 1, i, j, k);
    return G;
}

// Whether the epsilon field holds omega (the k-omega models).
bool holdsOmega() { return turbulenceModel().transport.second == TurbulenceQuantity::Omega; }

// Dissipation of the cell: the stored epsilon, or from omega epsilon = cmy k omega.
double dissipation(int i, int j, int k, bool omega) {
    const double e = epsilon[i][j][k];
    if (omega) return e * kinen[i][j][k] * cmy;
    return e;
}

// The normalised strain S = tau (G + G^T) / 2 and rotation W = tau (G - G^T) / 2
// with their invariants.
struct Strain {
    Tensor S, W;
    StressInvariants inv;
};

Strain strain(const Tensor& G, double tau) {
    Strain s;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            s.S.m[a][b] = 0.5 * tau * (G.m[a][b] + G.m[b][a]);
            s.W.m[a][b] = 0.5 * tau * (G.m[a][b] - G.m[b][a]);
        }
    const Tensor S2 = product(s.S, s.S), W2 = product(s.W, s.W);
    s.inv = {trace(S2), trace(W2), trace(product(s.S, W2)), trace(product(S2, W2))};
    return s;
}

// The anisotropy polynomial of a model with coefficients c.
Tensor anisotropy(const Strain& s, const StressCoefficients& c, const AlgebraicStressModel& m) {
    const Tensor& S = s.S;
    const Tensor& W = s.W;
    const double IIW = s.inv.IIW, IV = s.inv.IV;
    const Tensor W2 = product(W, W), SW = product(S, W), WS = product(W, S);
    Tensor a;
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q) {
            const double delta = p == q ? 1.0 : 0.0;
            a.m[p][q] = c.b3 * (W2.m[p][q] - m.third * IIW * delta) + c.b4 * (SW.m[p][q] - WS.m[p][q]);
        }
    if (!m.higherTerms) return a;
    const Tensor SW2 = product(S, W2), W2S = product(W2, S);
    const Tensor WSW2 = product(WS, W2), W2SW = product(W2, SW);
    for (int p = 0; p < 3; ++p)
        for (int q = 0; q < 3; ++q) {
            const double delta = p == q ? 1.0 : 0.0;
            a.m[p][q] += c.b6 * (SW2.m[p][q] + W2S.m[p][q] - IIW * S.m[p][q] - m.twoThirds * IV * delta) +
                         c.b9 * (WSW2.m[p][q] - W2SW.m[p][q]);
        }
    return a;
}

bool finite(const StressCoefficients& c) {
    return std::isfinite(c.N) && std::isfinite(c.b1) && std::isfinite(c.b3) && std::isfinite(c.b4) &&
           std::isfinite(c.b6) && std::isfinite(c.b9);
}

// ---------------------------------------------------------------------------
// The two models' coefficients, with the literals each model has.
// ---------------------------------------------------------------------------

// First model: the roots and fractions as seven- to ten-digit literals.
StressCoefficients firstModel(const StressInvariants& v) {
    const double IIS = v.IIS, IIW = v.IIW, IV = v.IV, V = v.V;
    const double P1 = 1.8 * (0.45 * IIS + 0.12 - 0.6666667 * IIW);
    const double r = 0.9 * IIS + 0.3599999964 + 0.6666667 * IIW;
    const double P2 = P1 * P1 - r * r * r;
    double Nc;
    if (P2 > 0.0) {
        const double d = P1 - std::sqrt(P2);
        double t = std::pow(std::fabs(d), 0.3333333333);
        if (!(d > 0.0)) t = -t;
        Nc = std::pow(P1 + std::sqrt(P2), 0.3333333) + 0.599999994 + t;
    } else {
        Nc = 2.0 * std::pow(P1 * P1 - P2, 0.16666667) * std::cos(0.3333333 * std::acos(P1 / std::sqrt(P1 * P1 - P2))) +
             0.5999994;
    }
    const double Nc2 = Nc * Nc;
    const double denominator = 20.0 * Nc2 * Nc2 * (Nc - 0.9) - (10.0 * Nc + 27.0) * IIW * Nc2 + 18.0 * IIW * IIW;
    StressCoefficients c{};
    c.N = Nc + 162.0 * (IV * IV + (V - 0.5 * IIS * IIW) * Nc2) / denominator;
    const double N2 = c.N * c.N;
    const double Q = 0.8333333333333334 * (N2 - 2.0 * IIW) * (2.0 * N2 - IIW);
    c.b3 = -12.0 * IV / (Q * c.N);
    c.b4 = -2.0 * (N2 - 2.0 * IIW) / Q;
    c.b6 = -6.0 * c.N / Q;
    c.b9 = 6.0 / Q;
    c.sound = denominator != 0.0 && c.N != 0.0 && Q != 0.0 && finite(c);
    return c;
}

// Second model: the exact fractions, the arccos argument clamped.
StressCoefficients secondModel(const StressInvariants& v) {
    const double IIS = v.IIS, IIW = v.IIW, IV = v.IV, V = v.V;
    const double P1 = 1.8 * (0.12 + 0.45 * IIS - 2.0 / 3.0 * IIW);
    const double r = 0.36 + 0.9 * IIS + 2.0 / 3.0 * IIW;
    const double P2 = P1 * P1 - r * r * r;
    double Nc;
    if (P2 >= 0.0) {
        Nc = 0.6 + std::cbrt(P1 + std::sqrt(P2)) + std::cbrt(P1 - std::sqrt(P2));
    } else {
        const double arg = std::clamp(P1 / std::sqrt(P1 * P1 - P2), -1.0, 1.0);
        Nc = 0.6 + 2.0 * std::pow(P1 * P1 - P2, 1.0 / 6.0) * std::cos(1.0 / 3.0 * std::acos(arg));
    }
    const double Nc2 = Nc * Nc;
    const double denominator = 20.0 * Nc2 * Nc2 * (Nc - 0.9) - (10.0 * Nc2 * Nc + 27.0 * Nc2) * IIW + 18.0 * IIW * IIW;
    StressCoefficients c{};
    c.N = Nc + 162.0 * (IV * IV + (V - 0.5 * IIS * IIW) * Nc2) / denominator;
    const double N2 = c.N * c.N;
    const double Q = 5.0 / 6.0 * (2.0 * N2 - IIW) * (N2 - 2.0 * IIW);
    c.b1 = -c.N * (2.0 * N2 - 7.0 * IIW) / Q;
    c.b3 = -12.0 * IV / (c.N * Q);
    c.b4 = -2.0 * (N2 - 2.0 * IIW) / Q;
    c.b6 = -6.0 * c.N / Q;
    c.b9 = 6.0 / Q;
    c.sound = denominator != 0.0 && c.N != 0.0 && Q != 0.0 && finite(c);
    return c;
}

constexpr AlgebraicStressModel kFirst{firstModel, 0.33333, 0.66667, false};
constexpr AlgebraicStressModel kFirstHigher{firstModel, 0.33333, 0.66667, true};
constexpr AlgebraicStressModel kSecond{secondModel, 1.0 / 3.0, 2.0 / 3.0, true};

// ---------------------------------------------------------------------------
// Sweeps.
// ---------------------------------------------------------------------------

template <class Fn>
void forCells(int first, int last, Fn&& fn) {
    for (int i = first; i <= last; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

// The store must hold the slots a model writes; a smaller one is an
// inconsistency of the allocation (recorded inside a region; every thread
// sees the same answer and leaves before its first barrier).
bool storeHolds(int slots, const char* model) {
    if (!Rstress.isNull() && Rstress.extent(0) >= slots) return true;
    faultf(-8, "Error - the stress store holds %d arrays, %s needs %d\n",
           Rstress.isNull() ? 0 : static_cast<int>(Rstress.extent(0)), model, slots);
    return false;
}

// First model, phase 1: slots 0..8 = k a / 2 of every cell.
void firstModelStresses(int first, int last) {
    const AlgebraicStressModel& model = algebraicStressModel(FlagReynoldsStress);
    const bool omega = holdsOmega();
    forCells(first, last, [&](int i, int j, int k) {
        const double kin = kinen[i][j][k];
        const double tau = kin / (dissipation(i, j, k, omega) + 1e-20);
        const Strain s = strain(velocityGradient(i, j, k), tau);
        const StressCoefficients c = model.coefficients(s.inv);
        const Tensor a = anisotropy(s, c, model);
        double t[5] = {0.5 * kin * a.m[0][0], 0.5 * kin * a.m[0][1], 0.5 * kin * a.m[0][2], 0.5 * kin * a.m[1][1],
                       0.5 * kin * a.m[1][2]};
        bool sound = c.sound;
        for (double x : t) sound = sound && std::isfinite(x);
        if (!sound) std::fill(t, t + 5, 0.0);  // the isotropic limit: no extra stress
        Rstress[0][i][j][k] = t[0];
        Rstress[1][i][j][k] = t[1];
        Rstress[2][i][j][k] = t[2];
        Rstress[4][i][j][k] = t[3];
        Rstress[5][i][j][k] = t[4];
        Rstress[3][i][j][k] = Rstress[1][i][j][k];
        Rstress[6][i][j][k] = Rstress[2][i][j][k];
        Rstress[7][i][j][k] = Rstress[5][i][j][k];
        Rstress[8][i][j][k] = -Rstress[0][i][j][k] - Rstress[4][i][j][k];
    });
}

// Divergence of the row of slots r, r+1, r+2 at a cell.
double rowDivergence(int r, int i, int j, int k) {
    return derivative(Rstress[r], 1, i, j, k) + derivative(Rstress[r + 1], 2, i, j, k) +
           derivative(Rstress[r + 2], 3, i, j, k);
}

// Second model, phase 1: slot 9 and slots 13..21.
void secondModelStresses(int first, int last) {
    const AlgebraicStressModel& model = algebraicStressModel(FlagReynoldsStress);
    const bool omega = holdsOmega();
    forCells(first, last, [&](int i, int j, int k) {
        const double kin = kinen[i][j][k];
        const double e = dissipation(i, j, k, omega) + 1e-20;
        const double tau = std::max(kin / e, 6.0 * std::sqrt(1e-6 / e));
        const Strain s = strain(velocityGradient(i, j, k), tau);
        const StressCoefficients c = model.coefficients(s.inv);
        const Tensor a = anisotropy(s, c, model);
        double t[9] = {kin * a.m[0][0], kin * a.m[0][1], kin * a.m[0][2], kin * a.m[0][1], kin * a.m[1][1],
                       kin * a.m[1][2], kin * a.m[2][0], kin * a.m[2][1], kin * a.m[2][2]};
        double nut = -0.5 * (c.b1 + s.inv.IIW * c.b6) * kWaterDensity * kin * kin / e;
        bool sound = c.sound && std::isfinite(nut);
        for (double x : t) sound = sound && std::isfinite(x);
        if (!sound) {  // the isotropic limit: N = 1.8, b1 = -2/3, no extra stress
            std::fill(t, t + 9, 0.0);
            nut = kWaterDensity * kin * kin / (3.0 * e);
        }
        Rstress[9][i][j][k] = nut;
        for (int n = 0; n < 9; ++n) Rstress[13 + n][i][j][k] = t[n];
    });
}

// The last interior plane takes slots from..to of the plane before it.
void copyLastPlane(int first, int last, int from, int to) {
    if (last != xnumber || first > last) return;
    const int i = xnumber;
    for (int s = from; s <= to; ++s)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) Rstress[s][i][j][k] = Rstress[s][i - 1][j][k];
}

}  // namespace

double d_dx(CellField field, int dir, int i, int j, int k) { return derivative(field, dir, i, j, k); }

double DQVrem(CellField field, int i, int j, int k, int dir) { return derivative(field, dir, i, j, k); }

const AlgebraicStressModel& algebraicStressModel(int code) {
    if (code > 9) return kSecond;
    return code == 2 ? kFirstHigher : kFirst;
}

void ReynoldsStress(int istart, int iend) {
    if (Equation < 1 || Equation > 3) return;
    if (!storeHolds(9, "ReynoldsStress")) return;
    if (Equation == 1) {
        firstModelStresses(istart, iend);
        par::barrier();  // every block's stresses before any block differentiates them
    }
    const int r = 3 * (Equation - 1);
    forCells(istart, iend, [&](int i, int j, int k) {
        const double V = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][k]);
        source[i][j][k] -= kWaterDensity * V * rowDivergence(r, i, j, k);
    });
}

void computeStressVrem(int i_first, int i_last) {
    if (!storeHolds(kExplicitStressSlots, "computeStressVrem")) return;
    secondModelStresses(i_first, i_last);
    par::barrier();  // slots 13..21 of the neighbouring blocks' edge planes

    // Momentum sources: minus the divergence of the rows of the extra stress.
    forCells(i_first, i_last, [](int i, int j, int k) {
        const double V8 = 8.0 * m_dist_x[i][j][k] * m_dist_y[i][j][k] * m_dist_z[i][j][k];
        for (int a = 0; a < 3; ++a) Rstress[10 + a][i][j][k] = -kWaterDensity * V8 * rowDivergence(13 + 3 * a, i, j, k);
    });
    par::barrier();  // slots 10..12 of plane xnumber - 1
    copyLastPlane(i_first, i_last, 10, 12);

    // Full stress tensor 2k/3 I - 2 nu_t S + k a.
    forCells(i_first, i_last, [](int i, int j, int k) {
        const double kin = kinen[i][j][k];
        const double nut = Rstress[9][i][j][k];
        const Tensor G = velocityGradient(i, j, k);
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b) {
                const int n = 3 * a + b;
                const double delta = a == b ? 1.0 : 0.0;
                Rstress[n][i][j][k] = 2.0 / 3.0 * kin * delta -
                                      nut * kin * kin * (G.m[a][b] + G.m[b][a]) / (kWaterDensity * kin * kin + 1e-20) +
                                      Rstress[13 + n][i][j][k];
            }
    });
    par::barrier();  // slots 0..8 of plane xnumber - 1
    copyLastPlane(i_first, i_last, 0, 8);
}
