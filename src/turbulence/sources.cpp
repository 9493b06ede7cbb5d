// Source terms of the k and epsilon equations: the production of turbulence
// by the mean strain (with the multi-block joints and the bed roughness
// layer) goes into `source`, the destruction into `wap` as an implicit
// coefficient, so that wap k is the dissipation of a cell. Each turbulence
// model's constants are one row of the table kSourceModels.
#include <algorithm>
#include <cmath>

#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"

namespace {

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

// The k equation of the k-epsilon models: wap = rho V eps / k, the source
// times the model's factor.
void kTerms(int istart, int iend, double rho, const SourceModel& m) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                wap[i][j][k] = rho * Volume[i][j][k] * epsilon[i][j][k] / (kinen[i][j][k] + 1e-20);
                if (m.kSourceFactor != 1.0) source[i][j][k] *= m.kSourceFactor;
            }
}

// The epsilon equation: source times c1 eps / k (c1 with the factor that
// takes back the model's viscosity factor), wap = rho C2 V eps / k. The
// models without a C2 keep their production and leave wap as it is.
void epsilonTerms(int istart, int iend, double rho, const SourceModel& m) {
    if (!m.c2) return;
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double V = Volume[i][j][k], kin = kinen[i][j][k], eps = epsilon[i][j][k];
                const double S2 = source[i][j][k] / (V * gama[i][j][k]);
                const double eta = std::sqrt(S2) * kin / (eps + 1e-20);
                wap[i][j][k] = rho * m.c2(eta) * V * eps / (kin + 1e-20);
                source[i][j][k] = source[i][j][k] * m.epsilonSourceFactor * eps / (kin + 1e-20);
            }
}

// Models of F 24: 0 standard k-epsilon; 1 RNG (viscosity factor 1.39 taken
// back by 0.719); 8 k-epsilon with damped viscosity (epsilon as model 0);
// 17..20 the k terms of model 0 and the bare production for epsilon. Models
// 9, 14, 15 and 16 carry terms of their own that this table does not hold
// yet: they get the production alone. The algebraic models (2..7, 10..13)
// have no transport equations.
constexpr SourceModel kAlgebraic{false, 1.0, 1.0, nullptr};
constexpr SourceModel kStandard{true, 1.0, 1.44 * 1.3, standardC2};
constexpr SourceModel kProductionOnly{true, 1.0, 1.0, nullptr};
constexpr SourceModel kSourceModels[kTurbulenceModels] = {
    kStandard,                                                      // 0
    {true, 0.719, 1.42 * 0.719, rngC2},                             // 1
    kAlgebraic, kAlgebraic, kAlgebraic, kAlgebraic, kAlgebraic, kAlgebraic,  // 2..7
    kStandard,                                                      // 8
    kProductionOnly,                                                // 9
    kAlgebraic, kAlgebraic, kAlgebraic, kAlgebraic,                 // 10..13
    kProductionOnly, kProductionOnly, kProductionOnly,              // 14..16
    {true, 1.0, 1.0, nullptr}, {true, 1.0, 1.0, nullptr}, {true, 1.0, 1.0, nullptr},
    {true, 1.0, 1.0, nullptr},                                      // 17..20
};

bool ownTerms(int code) { return code == 9 || (code >= 14 && code <= 16); }

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

// The sources of planes istart..iend with water density rho; the joint step
// only for the whole-grid call.
void sources(int istart, int iend, double rho, bool joints) {
    const SourceModel& m = sourceModel(TurbulenceModel);
    if (!m.acts) return;
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    production(istart, iend);
    if (joints) jointProduction();
    roughnessLayerProduction(istart, iend, rho);
    const bool wrong = (Equation != 5 && Equation != 6) || (Equation == 6 && TurbulenceModel == 14);
    if (wrong) return wrongEquation(log);
    if (ownTerms(TurbulenceModel)) return;
    if (Equation == 5)
        kTerms(istart, iend, rho, m);
    else
        epsilonTerms(istart, iend, rho, m);
}

}  // namespace

const SourceModel& sourceModel(int code) {
    if (code < 0 || code >= kTurbulenceModels) return kAlgebraic;
    return kSourceModels[code];
}

double rngEpsilonC2(double eta) { return rngC2(eta); }

void turbulence() { sources(2, xnumber, 1000.0, true); }

void turbulencenew(int istart, int iend) { sources(istart, iend, wdensity, false); }
