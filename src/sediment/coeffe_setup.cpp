// Coefficients of the suspended-sediment equation. For size fraction l:
//   ap[l] c = ae c(i-1) + aw c(i+1) + as c(j-1) + an c(j+1) + ab[l] c(k-1) + at[l] c(k+1) + source
// (+ aee, aww, ass, ann, cabb[l], catt[l] on the second neighbours with the
// second-order scheme), every coefficient a volume flux in m3/s.
// coeffe_setup forms the horizontal couplings, which every fraction shares,
// in the equation workspace; coeffe_setup2 the vertical couplings, in which
// the fall velocity is a downward flux on every k-face, and the centre
// coefficient of every fraction.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "control/log.h"
#include "control/state.h"
#include "equations/kernels.h"
#include "equations/state.h"
#include "equations/workspace.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/state.h"
#include "turbulence/turbulence.h"

namespace {

// Runs `body` with Equation set to `eq`, and restores it.
template <typename Body>
void withEquation(int eq, Body body) {
    const int saved = Equation;
    Equation = eq;
    body();
    Equation = saved;
}

// ---------------------------------------------------------------------------
// Centripetal flux (F 158): a transverse velocity on the interior j-faces
// i 2..xnumber, j 2..ynumber-1, k 2..znumber, added to flow2 once per flux
// field. The copy keeps the flow2 that the last addition left; a call that
// finds flow2 unchanged (a flow held over several steps) adds nothing.
// ---------------------------------------------------------------------------
std::size_t centripetalSize() {
    if (xnumber < 2 || ynumber < 3 || znumber < 2) return 0;
    return static_cast<std::size_t>(xnumber - 1) * static_cast<std::size_t>(ynumber - 2) *
           static_cast<std::size_t>(znumber - 1);
}

template <typename Visit>
void forCentripetalFaces(Visit visit) {
    std::size_t n = 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber - 1; ++j)
            for (int k = 2; k <= znumber; ++k) visit(i, j, k, n++);
}

void addCentripetalFlux() {
    const std::size_t size = centripetalSize();
    if (size == 0) return;
    std::vector<double>& kept = centripetalFlow2;
    if (kept.size() == size) {
        bool held = true;
        forCentripetalFaces([&](int i, int j, int k, std::size_t n) { held = held && flow2[i][j][k] == kept[n]; });
        if (held) return;
    }
    kept.resize(size);
    const double v = SentripentalVelo * 1000.0;
    forCentripetalFaces([&](int i, int j, int k, std::size_t n) {
        flow2[i][j][k] += m_ar_y[i][j][k] * v;
        kept[n] = flow2[i][j][k];
    });
}

// ---------------------------------------------------------------------------
// Horizontal couplings of the power law, m3/s: upwind convection of the face
// flux plus the weighted diffusion of the interpolated diffusivity. `diffuses`
// is false on the boundary faces and with F 7 A (pure upwind).
// ---------------------------------------------------------------------------
struct FacePair {
    double low, high;  // the low cell's coupling to the high one, and the reverse
};

inline FacePair horizontalFace(double massFlux, double dP, double dN, double gP, double gN, double area,
                               bool diffuses) {
    const double F = 0.001 * massFlux;
    const double D = eqk::faceViscosity(dP, dN, gP, gN) * area * TurbMultHor / (dP + dN);
    const double wD = diffuses ? eqk::powerLawWeight(F, D) * D : 0.0;
    return {std::max(-F, 0.0) + wD, std::max(F, 0.0) + wD};
}

void iFaceCouplings() {
    const bool diffusion = FlagDiffNonVert != 0;
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const bool diffuses = diffusion && i > 1 && i < xnumber;
            const double *dP = &m_dist_x[i][j][0], *dN = &m_dist_x[i + 1][j][0];
            const double *gP = &diff[i][j][0], *gN = &diff[i + 1][j][0];
            const double *A = &m_ar_x[i][j][0], *F = &flow1[i][j][0];
            double *low = &aw[i][j][0], *high = &ae[i + 1][j][0];
            for (int k = 2; k <= znumber; ++k) {
                const FacePair c = horizontalFace(F[k], dP[k], dN[k], gP[k], gN[k], A[k], diffuses);
                low[k] = c.low;
                high[k] = c.high;
            }
        }
}

void jFaceCouplings() {
    const bool diffusion = FlagDiffNonVert != 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const bool diffuses = diffusion && j > 1 && j < ynumber;
            const double *dP = &m_dist_y[i][j][0], *dN = &m_dist_y[i][j + 1][0];
            const double *gP = &diff[i][j][0], *gN = &diff[i][j + 1][0];
            const double *A = &m_ar_y[i][j][0], *F = &flow2[i][j][0];
            double *low = &an[i][j][0], *high = &as[i][j + 1][0];
            for (int k = 2; k <= znumber; ++k) {
                const FacePair c = horizontalFace(F[k], dP[k], dN[k], gP[k], gN[k], A[k], diffuses);
                low[k] = c.low;
                high[k] = c.high;
            }
        }
}

// F 176: a diffusion of the bed-cell level that grows with the speed, as
// bed forms spread the bed-cell load.
void bedFormSmoothing() {
    auto speed = [](int i1, int j1, int i2, int j2) {
        const double U = 0.5 * (xvel[i1][j1][2] + xvel[i2][j2][2]);
        const double V = 0.5 * (yvel[i1][j1][2] + yvel[i2][j2][2]);
        return std::sqrt(U * U + V * V);
    };
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const double E = m_ar_y[i][j][2] * RBedformsmooth * speed(i, j, i, j + 1);
            an[i][j][2] += E;
            as[i][j + 1][2] += E;
        }
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double E = m_ar_x[i][j][2] * RBedformsmooth * speed(i, j, i + 1, j);
            aw[i][j][2] += E;
            ae[i + 1][j][2] += E;
        }
}

// The transient drivers' dry columns (F 151 4 or 5): a column whose target
// bed stands within TSCMinDepth of the surface exchanges nothing sideways.
void cutDryColumns() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double bed =
                0.25 * (zval[i - 1][j - 1][0] + zval[i][j - 1][0] + zval[i - 1][j][0] + zval[i][j][0]);
            const double top = 0.25 * (zval[i - 1][j - 1][znumber] + zval[i][j - 1][znumber] +
                                       zval[i - 1][j][znumber] + zval[i][j][znumber]);
            if (bed <= top - TSCMinDepth) continue;
            for (int k = 2; k <= znumber; ++k) ae[i][j][k] = aw[i][j][k] = an[i][j][k] = as[i][j][k] = 0.0;
        }
}

// The generators of the flow equations give kg/s; their boundary faces take
// the upwind convection only, and everything becomes m3/s.
void rescaleGeneratorCouplings() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            ae[xnumber + 1][j][k] = std::max(flow1[xnumber][j][k], 0.0);
            aw[1][j][k] = std::max(-flow1[1][j][k], 0.0);
        }
    const bool second = SedimentScheme == 1;
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 2; k <= znumber; ++k) {
                ae[i][j][k] *= 0.001;
                aw[i][j][k] *= 0.001;
                an[i][j][k] *= 0.001;
                as[i][j][k] *= 0.001;
                if (second) {
                    aee[i][j][k] *= 0.001;
                    aww[i][j][k] *= 0.001;
                    ann[i][j][k] *= 0.001;
                    ass[i][j][k] *= 0.001;
                }
            }
}

// ---------------------------------------------------------------------------
// Vertical couplings of k-face k of column (i, j) for fraction l: the net
// upward flux F (flow3 minus the settling flux) and the diffusion D.
// ---------------------------------------------------------------------------
struct VerticalFace {
    double F, D;
};

// The vertical diffusion of a fraction is the flow's diffusivity `diff`,
// which carries 1/Schmidt of F 12 (invSchmidt[0]), with the fraction's own
// 1/Schmidt in its place.
inline double schmidtRatio(int l) { return invSchmidt[l] / invSchmidt[0]; }

inline VerticalFace verticalFace(int l, int i, int j, int k, double A, double ratio) {
    const double dz = m_dist_z[i][j][k], dzN = m_dist_z[i][j][k + 1];
    const double g = eqk::faceViscosity(dz, dzN, diff[i][j][k], diff[i][j][k + 1]);
    return {0.001 * flow3[i][j][k] - fallvelo[l] * A, g * A * TurbMultVert * ratio / (dz + dzN)};
}

// The power-law weight of a k-face (its own guard, 1e-30).
inline double verticalWeight(const VerticalFace& v) {
    const double P = std::fabs(v.F / (v.D + 1e-30));
    if (P > 20.0) return 0.0;
    const double t = 1.0 - 0.1 * P;
    return std::max(0.0, t * t * t * t * t);
}

bool connectionCell(int i, int j) { return !Pi1MultiBlock.isNull() && Pi1MultiBlock[i][j][0] != 0; }

void reportVanishing(Log& log, const char* head, int l, int i, int j, int k, double S) {
    log.printf(head, l, i, j, k, S);
    log.printf("Coeffs: %g %g %g %g %g %g\n", ae[i][j][k], aw[i][j][k], as[i][j][k], an[i][j][k], at[l][i][j][k],
               ab[l][i][j][k]);
}

// ---------------------------------------------------------------------------
// Power-law branch.
// ---------------------------------------------------------------------------
void powerLawFaces() {
    const int Z = znumber;
    for (int l = 1; l <= lnumber; ++l) {
        const double ratio = schmidtRatio(l);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                const double A = m_armap[i][j];
                double *top = &at[l][i][j][0], *bottom = &ab[l][i][j][0];
                for (int k = 2; k <= Z; ++k) {
                    const VerticalFace v = verticalFace(l, i, j, k, A, ratio);
                    const double wD = k == Z ? 0.0 : verticalWeight(v) * v.D;  // no diffusion through the surface
                    top[k] = std::max(-v.F, 0.0) + wD;
                    bottom[k + 1] = k == Z ? 0.0 : std::max(v.F, 0.0) + wD;
                }
                bottom[2] = 0.0;  // nothing below the bed cell
            }
    }
}

// The wall faces of every cell lose their couplings; a floor (WallK +1) or a
// roof (-1) above the bed cell keeps the settling flux in the centre
// coefficient.
void powerLawWalls() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double A = m_armap[i][j];
            for (int k = 2; k <= znumber; ++k) {
                const int wi = WallI[i][j][k], wj = WallJ[i][j][k], wk = WallK[i][j][k];
                if (wi == 1) ae[i][j][k] = aw[i - 1][j][k] = 0.0;
                if (wi == -1) aw[i][j][k] = ae[i + 1][j][k] = 0.0;
                if (wj == 1) as[i][j][k] = an[i][j - 1][k] = 0.0;
                if (wj == -1) an[i][j][k] = as[i][j + 1][k] = 0.0;
                if (wk == 0) continue;
                for (int l = 1; l <= lnumber; ++l) {
                    if (wk == 1) {
                        ab[l][i][j][k] = at[l][i][j][k - 1] = 0.0;
                        if (k > 2) ap[l][i][j][k] = -fallvelo[l] * A;
                    } else if (wk == -1) {
                        at[l][i][j][k] = ab[l][i][j][k + 1] = 0.0;
                        if (k > 2) ap[l][i][j][k] = fallvelo[l] * A;
                    }
                }
            }
        }
}

// Solid boxes (G 13) and, for the steady sediment runs, the blocked columns
// (G 2) hold their cells at the value of the source.
void powerLawBlocks() {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        for (int l = 1; l <= lnumber; ++l)
            for (int i = std::max(b.i1, 0); i <= std::min(b.i2, xnumber + 1); ++i)
                for (int j = std::max(b.j1, 0); j <= std::min(b.j2, ynumber + 1); ++j)
                    for (int k = std::max(b.k1, 0); k <= std::min(b.k2, znumber + 1); ++k) ap[l][i][j][k] += 1e30;
    }
    if (FlagTSC != 0) return;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (kblok[i][j] != 0) continue;
            for (int l = 1; l <= lnumber; ++l)
                for (int k = 2; k <= znumber; ++k) ap[l][i][j][k] += 1e30;
        }
}

void powerLawCentre(Log& log) {
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) {
                    const bool open = OBlok[i][j][k] != 0;
                    double S = open ? an[i][j][k] + as[i][j][k] + ae[i][j][k] + aw[i][j][k] + at[l][i][j][k] +
                                          ab[l][i][j][k]
                                    : 1e25;
                    if (open && S < 1e-8 && !connectionCell(i, j)) {
                        reportVanishing(log, "In coef2, Error, ap(%d,%d,%d,%d) = %g\n", l, i, j, k, S);
                        log.printf("Cell diffusion: %lf\n", diff[i][j][k]);
                        log.printf("Cell distances: %lf %lf %lf\n", m_dist_x[i][j][k], m_dist_y[i][j][k],
                                   m_dist_z[i][j][k]);
                        setMessage("Error in coeff. gen.");
                        if (FlagTSC == 1 || FlagTSC == 2)
                            S += 1e-5;
                        else
                            FlagErrorBreak = 1;
                    }
                    ap[l][i][j][k] += S;
                }
}

// ---------------------------------------------------------------------------
// Second-order branch.
// ---------------------------------------------------------------------------
// The bed cell keeps a 5-point horizontal stencil: its second-neighbour
// couplings join the first ones.
void foldBedSecondNeighbours() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            ae[i][j][2] += aee[i][j][2];
            aw[i][j][2] += aww[i][j][2];
            as[i][j][2] += ass[i][j][2];
            an[i][j][2] += ann[i][j][2];
            aee[i][j][2] = aww[i][j][2] = ass[i][j][2] = ann[i][j][2] = 0.0;
        }
}

// The interior k-faces 2..znumber-1 of one column: second-order upwind
// convection (first order on the face above the bed cell for upward flux and
// below the top cell for downward flux) plus the weighted diffusion.
void secondOrderFaces(int l, int i, int j, double A, double ratio) {
    const int Z = znumber;
    double *top = &at[l][i][j][0], *bottom = &ab[l][i][j][0];
    double *top2 = &catt[l][i][j][0], *bottom2 = &cabb[l][i][j][0];
    const double* dz = &m_dist_z[i][j][0];
    for (int k = 2; k <= Z - 1; ++k) {
        const VerticalFace v = verticalFace(l, i, j, k, A, ratio);
        const double F = v.F;
        const double Dw = verticalWeight(v) * v.D;
        if (F > 0.0) {
            if (k == 2) {
                bottom[3] += F + Dw;
            } else {
                const double r = (2.0 * dz[k] + dz[k - 1]) / (dz[k] + dz[k - 1]);
                bottom[k + 1] += r * F + Dw;
                bottom2[k + 1] = -(r - 1.0) * F;
                bottom[k] += (r - 1.0) * F;
            }
            top[k] += Dw;
        } else if (k == Z - 1) {
            bottom[k + 1] += Dw;
            top[k] += Dw - F;
        } else {
            const double r = (2.0 * dz[k + 1] + dz[k + 2]) / (dz[k + 1] + dz[k + 2]);
            top[k] += Dw - r * F;
            top2[k] = (r - 1.0) * F;
            top[k + 1] -= (r - 1.0) * F;
            bottom[k + 1] += Dw;
        }
    }
}

void secondOrderBranch(Log& log) {
    foldBedSecondNeighbours();
    const int Z = znumber;
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= Z; ++k) at[l][i][j][k] = ab[l][i][j][k] = catt[l][i][j][k] = cabb[l][i][j][k] = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
        const double ratio = schmidtRatio(l);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                const double A = m_armap[i][j];
                secondOrderFaces(l, i, j, A, ratio);
                double *top = &at[l][i][j][0], *bottom = &ab[l][i][j][0];
                double *top2 = &catt[l][i][j][0], *bottom2 = &cabb[l][i][j][0];
                top[2] += top2[2];
                top2[2] = bottom[2] = bottom2[2] = 0.0;
                top[Z] = std::fabs(fallvelo[l] * A);  // the settling outflow of the top cell
                top2[Z] = 0.0;
                for (int k = 2; k <= Z; ++k) {
                    const bool open = OBlok[i][j][k] != 0;
                    const double S = open ? an[i][j][k] + as[i][j][k] + ae[i][j][k] + aw[i][j][k] + top[k] +
                                                bottom[k] + ann[i][j][k] + ass[i][j][k] + aee[i][j][k] +
                                                aww[i][j][k] + top2[k] + bottom2[k]
                                          : 1e25;
                    if (open && S < 1e-8 && !connectionCell(i, j)) {
                        reportVanishing(log, "In cofe2: Error, ap(%d,%d,%d,%d) = %g\n", l, i, j, k, S);
                        FlagErrorBreak = 1;
                        setMessage("Error in coeff. gen.");
                    }
                    ap[l][i][j][k] += S;
                }
                top[Z] = 0.0;  // the settling outflow stays in ap only
            }
    }
}

}  // namespace

void coeffe_setup() {
    if (FlagPrint == 0) setProgram("In coeff-generator ");
    // The diffusivity of the flow as the u equation has it: a flow pass
    // leaves the Prandtl factor of its last equation in gama and diff, the
    // restart reader none.
    if (Flag2Dim == 0) withEquation(1, GammaCalc);
    if (FlagSentripental == 1) addCentripetalFlux();
    iFaceCouplings();
    jFaceCouplings();
    if (FlagRBedformsmooth == 1) bedFormSmoothing();
    // With the second-order scheme or on a multi-block grid a generator of the
    // flow equations replaces the couplings, with the multiplier of a scalar.
    bool generated = false;
    if (SedimentScheme == 1) {
        withEquation(8, coeffe_SOU);
        generated = true;
    } else if (MBNo > 0) {
        withEquation(8, coeffe_flow);
        generated = true;
    }
    if (FlagTSC == 1 && (FlagTSCMinDepth == 4 || FlagTSCMinDepth == 5)) cutDryColumns();
    if (generated) rescaleGeneratorCouplings();
}

void coeffe_setup2() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) ap[l][i][j][k] = 0.0;
    if (Flag2Dim == 1)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 1; k <= znumber; ++k) flow3[i][j][k] = 0.0;
    if (debugging == 'E') setMessage("In coeffe_setup2");
    if (SedimentScheme == 1) {
        secondOrderBranch(log);
    } else {
        powerLawFaces();
        powerLawWalls();
        powerLawBlocks();
        powerLawCentre(log);
    }
}
