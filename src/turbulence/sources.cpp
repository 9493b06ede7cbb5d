// Source terms of the k and epsilon equations: the production of turbulence
// by the mean strain (with the multi-block joints and the bed roughness
// layer) goes into `source`, the destruction into `wap` as an implicit
// coefficient, so that wap k is the dissipation of a cell. Each turbulence
// model's forms and constants are the source traits of its row in the model
// table.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/parallel.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"

namespace {

using Sources = TurbulenceModelRow::Sources;

// ---------------------------------------------------------------------------
// Production.
// ---------------------------------------------------------------------------

// The cells on either side of a cell along one axis, with their half sizes
// along it.
struct Neighbours {
    int mi, mj, pi, pj;  // minus and plus cell (same k for the i and j axes)
    double dm, dp;       // their extents along the axis
};

// Difference of the face values at +1/2 and -1/2 of phi along an axis, the
// face values interpolated linearly by the half sizes.
inline double faceDifference(double phiM, double phiC, double phiP, double dm, double dc, double dp) {
    const double wE = dc / (dc + dp), wW = dc / (dc + dm);
    return wE * phiP - wW * phiM + (wW - wE) * phiC;
}

// Volume times the strain-rate invariant 2 Sij Sij, times the volume once
// more: (2 (A1^2 + A2^2 + A3^2) + B1^2 + B2^2 + B3^2), A and B the volume
// integrals of the velocity derivatives of cell (i, j, k) with the given
// neighbours along i and j.
double strainSquare(int i, int j, int k, const Neighbours& ni, const Neighbours& nj) {
    const auto diff = [&](const FieldArray<double, 3>& phi, double out[3]) {
        out[0] = faceDifference(phi[ni.mi][ni.mj][k], phi[i][j][k], phi[ni.pi][ni.pj][k], ni.dm, m_dist_x[i][j][k], ni.dp);
        out[1] = faceDifference(phi[nj.mi][nj.mj][k], phi[i][j][k], phi[nj.pi][nj.pj][k], nj.dm, m_dist_y[i][j][k], nj.dp);
        out[2] = faceDifference(phi[i][j][k - 1], phi[i][j][k], phi[i][j][k + 1], m_dist_z[i][j][k - 1],
                                m_dist_z[i][j][k], m_dist_z[i][j][k + 1]);
    };
    double du[3], dv[3], dw[3];
    diff(xvel, du);
    diff(yvel, dv);
    diff(zvel, dw);
    const double Ax = m_ar_x[i][j][k], Ay = m_ar_y[i][j][k], Az = m_ar_z[i][j][k];
    const double nx0 = m_vec_x[i][j][0], nx1 = m_vec_x[i][j][1];
    const double ny0 = m_vec_y[i][j][0], ny1 = m_vec_y[i][j][1];
    const double nz0 = m_vec_z[i][j][k][0], nz1 = m_vec_z[i][j][k][1], nz2 = m_vec_z[i][j][k][2];
    // Volume times the derivative of a quantity with differences d along x, y, z.
    const auto ddx = [&](const double d[3]) { return Ax * nx0 * d[0] + Ay * ny0 * d[1] + Az * nz0 * d[2]; };
    const auto ddy = [&](const double d[3]) { return Ax * nx1 * d[0] + Ay * ny1 * d[1] + Az * nz1 * d[2]; };
    const auto ddz = [&](const double d[3]) { return Az * nz2 * d[2]; };
    const double A1 = ddx(du), A2 = ddy(dv), A3 = ddz(dw);
    const double B1 = ddy(du) + ddx(dv), B2 = ddz(du) + ddx(dw), B3 = ddz(dv) + ddy(dw);
    return 2.0 * (A1 * A1 + A2 * A2 + A3 * A3) + B1 * B1 + B2 * B2 + B3 * B3;
}

Neighbours alongI(int i, int j, int k) {
    return {i - 1, j, i + 1, j, m_dist_x[i - 1][j][k], m_dist_x[i + 1][j][k]};
}
Neighbours alongJ(int i, int j, int k) {
    return {i, j - 1, i, j + 1, m_dist_y[i][j - 1][k], m_dist_y[i][j + 1][k]};
}

// Stress and source = Stress gama of every interior cell of planes
// istart..iend; with F 207 23 the source is the stress store's slot 22 (0
// where the store does not exist) and Stress keeps what it held.
void production(int istart, int iend) {
    if (AllocStress1DLL == 23) {
        const bool store = !Rstress.isNull() && Rstress.extent(0) > 22;
        for (int i = istart; i <= iend; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) source[i][j][k] = store ? Rstress[22][i][j][k] : 0.0;
        return;
    }
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                Stress[i][j][k] = strainSquare(i, j, k, alongI(i, j, k), alongJ(i, j, k)) / Volume[i][j][k];
                source[i][j][k] = Stress[i][j][k] * gama[i][j][k];
            }
}

// Joint cells of a multi-block grid: a host cell on wall j = 2 (j = ynumber)
// takes its partner across the joint as its j-1 (j+1) neighbour, the partner
// takes the host cell as its i-1 neighbour; the last row of the block before
// each joint takes the production of the row before it. Stress is left as
// the ordinary neighbours gave it.
void jointProduction() {
    if (MBNo <= 0) return;
    const auto joint = [](int i, int jh, const FieldArray<int, 2>& partner, bool low) {
        const int im = partner[i][0], jm = partner[i][1];
        if (im == 0) return;
        for (int k = 2; k <= znumber; ++k) {
            Neighbours nj = alongJ(i, jh, k);
            if (low) {
                nj.mi = im, nj.mj = jm, nj.dm = m_dist_x[im][jm][k];
            } else {
                nj.pi = im, nj.pj = jm, nj.dp = m_dist_x[im][jm][k];
            }
            source[i][jh][k] = strainSquare(i, jh, k, alongI(i, jh, k), nj) * gama[i][jh][k] / Volume[i][jh][k];
            Neighbours ni = alongI(im, jm, k);
            ni.mi = i, ni.mj = jh, ni.dm = m_dist_y[i][jh][k];
            source[im][jm][k] = strainSquare(im, jm, k, ni, alongJ(im, jm, k)) * gama[im][jm][k] / Volume[im][jm][k];
        }
    };
    for (int i = 2; i <= xnumber; ++i) {
        joint(i, 2, Pj1MultiBlock, true);
        joint(i, ynumber, Pj2MultiBlock, false);
    }
    for (int b = 1; b <= std::min(MBNo, 9); ++b) {
        const int row = MBSkjot[b];
        if (row < 3 || row > xnumber) continue;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) source[row][j][k] = source[row - 1][j][k];
    }
}

// F 189 7, 9, 10: production inside the bed roughness, cells above the bed
// cell whose centre lies below Xks, in columns with an open top cell. `rho`
// is the water density of the variant (1000 as a literal in `turbulence`).
void roughnessLayerProduction(int istart, int iend, double rho) {
    if (FlagBrelk != 7 && FlagBrelk != 9 && FlagBrelk != 10) return;
    if (znumber <= 2) return;
    const double P = ParamBrelk;
    const double c9 = FlagBrelk == 9 ? 0.43 * rho : 0.04 * rho;  // 430 and 40 with the literal density
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][znumber] == 0) continue;
            const double ks = Xks[i][j];
            double y = 2.0 * m_dist_z[i][j][2] + m_dist_z[i][j][3];
            for (int k = 3; k <= znumber; ++k) {
                const double dz = m_dist_z[i][j][k];
                if (y < ks) {
                    if (FlagBrelk == 7) {
                        const double w = (1.0 - P) * y / (ks + 1e-30) + P;
                        const double g = 0.5 * xvel[i][j][k] / dz;
                        source[i][j][k] += 2.0 * g * g * gama[i][j][k] * dz * m_armap[i][j] * (1.0 - w) * w;
                    } else {
                        const double s = std::fabs(xvel[i][j][k]) + std::fabs(yvel[i][j][k]);
                        source[i][j][k] +=
                            2.0 * c9 * s * s * s * dz * std::sqrt(m_armap[i][j]) * (1.0 - P) * (1.0 - y / (ks + 1e-30));
                    }
                }
                if (k < znumber) y += dz + m_dist_z[i][j][k + 1];
            }
        }
}

// ---------------------------------------------------------------------------
// Destruction and the model factors.
// ---------------------------------------------------------------------------

// C2 of the epsilon destruction from the strain parameter eta.
double standardC2(double) { return 1.92; }
// RNG: C2 = 1.68 + 0.085 eta^3 (1 - eta / 4.38) / (1 + 0.012 eta^3), eta
// limited to 1e30 (not a number counts as 1e30).
double rngC2(double eta) {
    if (!(eta < 1e30)) eta = 1e30;
    const double e3 = eta * eta * eta;
    return (0.085 * e3 * (1.0 - eta / 4.38)) / (0.012 * e3 + 1.0) + 1.68;
}

template <class Fn>
void forBlock(int istart, int iend, Fn&& fn) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

// The k equation of the k-epsilon models: wap = rho V eps / k, the source
// times the model's factor.
void kEpsilonK(int istart, int iend, double rho, const Sources& m) {
    forBlock(istart, iend, [&](int i, int j, int k) {
        wap[i][j][k] = rho * Volume[i][j][k] * epsilon[i][j][k] / (kinen[i][j][k] + 1e-20);
        if (m.kFactor != 1.0) source[i][j][k] *= m.kFactor;
    });
}

// The epsilon equation: source times c1 eps / k (c1 with the factor that
// takes back the model's viscosity factor), wap = rho C2 V eps / k.
template <double (*c2)(double eta)>
void kEpsilonEpsilon(int istart, int iend, double rho, const Sources& m) {
    forBlock(istart, iend, [&](int i, int j, int k) {
        const double V = Volume[i][j][k], kin = kinen[i][j][k], eps = epsilon[i][j][k];
        const double S2 = source[i][j][k] / (V * gama[i][j][k]);
        const double eta = std::sqrt(S2) * kin / (eps + 1e-20);
        wap[i][j][k] = rho * c2(eta) * V * eps / (kin + 1e-20);
        source[i][j][k] = source[i][j][k] * m.epsilonFactor * eps / (kin + 1e-20);
    });
}

// Model 9: the destruction of model 0 damped near the bed by
// f = (1 - 0.3 exp(-(Rt/6.5)^2)) (1 - exp(-a y 1e6 / 6))^2, with the
// turbulence Reynolds number Rt = k^2 / (nu eps) and the scale
// a = U / (rho dz) of the bed cell, y the centre height above the bed.
void dampedEpsilon(int istart, int iend, double rho, const Sources& m) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double u = xvel[i][j][2], v = yvel[i][j][2], w = zvel[i][j][2];
            const double U = std::sqrt(u * u + v * v + w * w + 1e-8);
            const double kb = kinen[i][j][2];
            const double Rt = kb * kb / (1e-6 * epsilon[i][j][2]);
            const double a = U / (rho * m_dist_z[i][j][2]);
            const double fRt = 1.0 - 0.3 * std::exp(-(Rt / 6.5) * (Rt / 6.5));
            double y = m_dist_z[i][j][2];
            for (int k = 2; k <= znumber; ++k) {
                const double V = Volume[i][j][k], kin = kinen[i][j][k], eps = epsilon[i][j][k];
                const double g = 1.0 - std::exp(-a * y * 1000000.0 / 6.0);
                double f = fRt * g * g;
                if (!(f > 0.0)) f = 0.0;
                wap[i][j][k] = f * 1.92 * rho * V * eps / (kin + 1e-20);
                source[i][j][k] = source[i][j][k] * m.epsilonFactor * eps / (kin + 1e-20);
                if (k < znumber) y += m_dist_z[i][j][k] + m_dist_z[i][j][k + 1];
            }
        }
}

// Models 17 to 20: the epsilon equation keeps the bare production and has
// no destruction of its own (wap 0, not what an earlier equation left).
void productionOnlyEpsilon(int istart, int iend, double, const Sources&) {
    forBlock(istart, iend, [](int i, int j, int k) { wap[i][j][k] = 0.0; });
}

// Model 14 (kinen holds nu-tilde n): source = 0.1355 P + 933 V (Gx + Gy + Gz)^2
// with the cell-centre gradients G of n (one-sided at the bed and top
// cells), no destruction in the cells (the wall routine adds it at the bed).
// The gradient term is integrated over the cell like the production.
void oneEquationK(int istart, int iend, double rho, const Sources& m) {
    const int Z = znumber;
    forBlock(istart, iend, [&](int i, int j, int k) {
        const auto& n = kinen;
        const double Gx = 0.25 * (n[i + 1][j][k] - n[i - 1][j][k]) / m_dist_x[i][j][k];
        const double Gy = 0.25 * (n[i][j + 1][k] - n[i][j - 1][k]) / m_dist_y[i][j][k];
        double Gz;
        if (k == 2)
            Gz = 0.5 * (n[i][j][3] - n[i][j][2]) / m_dist_z[i][j][k];
        else if (k == Z)
            Gz = 0.5 * (n[i][j][Z] - n[i][j][Z - 1]) / m_dist_z[i][j][k];
        else
            Gz = 0.25 * (n[i][j][k + 1] - n[i][j][k - 1]) / m_dist_z[i][j][k];
        const double G = Gx + Gy + Gz;
        source[i][j][k] = m.kFactor * source[i][j][k] + 0.933 * rho * Volume[i][j][k] * G * G;
        wap[i][j][k] = 0.0;
    });
}

// Product of the differences of k and omega along one axis over the half
// size squared, 0.0625 (k+ - k-)(w+ - w-) / m^2; at the first and last
// interior index the cell itself stands for the missing neighbour and the
// product counts four times.
inline double crossTerm(double km, double kc, double kp, double wm, double wc, double wp, bool first, bool last,
                        double m) {
    double g = 1.0;
    if (first) km = kc, wm = wc, g = 4.0;
    if (last) kp = kc, wp = wc, g = 4.0;
    return g * 0.0625 * (kp - km) * (wp - wm) / (m * m);
}

// Models 15 and 16, k equation (epsilon holds omega): wap = rho V cmy fb
// omega, fb = (1 + 680 X^2) / (1 + 400 X^2) for a cross-diffusion
// X = grad k . grad omega / omega^3 >= 0, else 1. The one-sided ends are the
// domain's, also in a block.
void kOmegaK(int istart, int iend, double rho, const Sources&) {
    const auto& K = kinen;
    const auto& W = epsilon;
    forBlock(istart, iend, [&](int i, int j, int k) {
        const double w = W[i][j][k];
        const double sum =
            crossTerm(K[i - 1][j][k], K[i][j][k], K[i + 1][j][k], W[i - 1][j][k], w, W[i + 1][j][k], i == 2,
                      i == xnumber, m_dist_x[i][j][k]) +
            crossTerm(K[i][j - 1][k], K[i][j][k], K[i][j + 1][k], W[i][j - 1][k], w, W[i][j + 1][k], j == 2,
                      j == ynumber, m_dist_y[i][j][k]) +
            crossTerm(K[i][j][k - 1], K[i][j][k], K[i][j][k + 1], W[i][j][k - 1], w, W[i][j][k + 1], k == 2,
                      k == znumber, m_dist_z[i][j][k]);
        const double wd = w + 1e-20;
        const double X = sum / (wd * wd * wd);
        const double fb = X >= 0.0 ? (1.0 + 680.0 * X * X) / (1.0 + 400.0 * X * X) : 1.0;
        wap[i][j][k] = rho * Volume[i][j][k] * cmy * fb * w;
    });
}

// Models 15 and 16, omega equation: source = 0.52 P omega / k, wap = rho V
// 0.072 (1 + 70 X) / (1 + 80 X) omega, X formed from the two-cell
// differences of the velocities through the cell's faces.
void kOmegaOmega(int istart, int iend, double rho, const Sources&) {
    forBlock(istart, iend, [&](int i, int j, int k) {
        const double Ax = m_ar_x[i][j][k], Ay = m_ar_y[i][j][k], Az = m_ar_z[i][j][k];
        const double nx0 = m_vec_x[i][j][0], nx1 = m_vec_x[i][j][1];
        const double ny0 = m_vec_y[i][j][0], ny1 = m_vec_y[i][j][1];
        const double nz0 = m_vec_z[i][j][k][0], nz1 = m_vec_z[i][j][k][1], nz2 = m_vec_z[i][j][k][2];
        const auto G = [&](const FieldArray<double, 3>& phi, int c) {
            const double di = phi[i + 1][j][k] - phi[i - 1][j][k];
            const double dj = phi[i][j + 1][k] - phi[i][j - 1][k];
            const double dk = phi[i][j][k + 1] - phi[i][j][k - 1];
            if (c == 0) return Ax * nx0 * di + Ay * ny0 * dj + Az * nz0 * dk;
            if (c == 1) return Ax * nx1 * di + Ay * ny1 * dj + Az * nz1 * dk;
            return Az * nz2 * dk;
        };
        const double vx = G(yvel, 0), uy = G(xvel, 1), wx = G(zvel, 0), uz = G(xvel, 2), wy = G(zvel, 1),
                     vz = G(yvel, 2);
        const double Ssum = vx + uy + wx + uz + wy + vz;
        const double Osum = (vx - uy) + (wx - uz) + (wy - vz);
        const double w = epsilon[i][j][k], wc = w * cmy;
        const double X = std::fabs(Ssum * Ssum * Osum / (wc * wc * wc + 1e-20));
        wap[i][j][k] = rho * Volume[i][j][k] * ((1.0 + 70.0 * X) / (1.0 + 80.0 * X)) * 0.072 * w;
        source[i][j][k] = 0.52 * source[i][j][k] * w / (kinen[i][j][k] + 1e-20);
    });
}

// The terms of each source form of the model table.
using Terms = void (*)(int istart, int iend, double rho, const Sources& m);

Terms kTermsOf(KSource form) {
    switch (form) {
    case KSource::None: return nullptr;
    case KSource::KEpsilon: return kEpsilonK;
    case KSource::NuTilde: return oneEquationK;
    case KSource::KOmega: return kOmegaK;
    }
    return nullptr;
}

Terms epsilonTermsOf(EpsilonSource form) {
    switch (form) {
    case EpsilonSource::None: return nullptr;
    case EpsilonSource::Standard: return kEpsilonEpsilon<standardC2>;
    case EpsilonSource::Rng: return kEpsilonEpsilon<rngC2>;
    case EpsilonSource::WallDamped: return dampedEpsilon;
    case EpsilonSource::Omega: return kOmegaOmega;
    case EpsilonSource::ProductionOnly: return productionOnlyEpsilon;
    }
    return nullptr;
}

// An equation the sources have no terms for: an internal inconsistency.
void wrongEquation(Log& log) {
    if (inRegion()) {
        regionFault(-8, "Error in turbulence calc., Equation = %d\n", Equation);
        return;
    }
    log.printf("Error in turbulence calc., Equation = %d\n", Equation);
    log.close();
    endRun(-8);
}

// Where the joint step runs: not at all (turbulencenew), in the whole-grid
// call, or on thread 0 of the team between two barriers, after the
// production of every block and before any block adds its further terms.
enum class Joints { None, Whole, Team };

// The sources of planes istart..iend with water density rho.
void sources(int istart, int iend, double rho, Joints joints) {
    const Sources& m = turbulenceModel().sources;
    if (m.k == KSource::None) return;  // no transport equations
    Log log;  // ends the run with -3 when `boogie` cannot be opened (after the region inside one)
    production(istart, iend);
    if (joints == Joints::Whole) jointProduction();
    if (joints == Joints::Team && MBNo > 0) {
        par::barrier();
        if (omp_get_thread_num() == 0) jointProduction();
        par::barrier();
    }
    roughnessLayerProduction(istart, iend, rho);
    // The one-equation model has no second equation.
    const bool wrong = (Equation != 5 && Equation != 6) || (Equation == 6 && m.epsilon == EpsilonSource::None);
    if (wrong) return wrongEquation(log);
    if (const Terms terms = Equation == 5 ? kTermsOf(m.k) : epsilonTermsOf(m.epsilon)) terms(istart, iend, rho, m);
}

}  // namespace

double rngEpsilonC2(double eta) { return rngC2(eta); }

void turbulence() { sources(2, xnumber, kWaterDensity, Joints::Whole); }

void turbulenceOpenMP(int istart, int iend) { sources(istart, iend, kWaterDensity, Joints::Team); }

void turbulencenew(int istart, int iend) { sources(istart, iend, wdensity, Joints::None); }
