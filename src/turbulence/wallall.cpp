// The wall routine of the 3-D flow solver: one kernel over a block of
// i-planes, the whole grid being the block 2..xnumber.
//
// For every wall cell (Wall nonzero) of the block it clears wap and source,
// then adds one term per wall (WallI, WallJ, WallK; +1 the low face, -1 the
// high face). The wall-law variant FlagWallAll picks the law through the
// table kVariants; the turbulence model's wall traits (its row in the model
// table) choose the k-omega and one-equation treatments: the one-equation
// model (nu-tilde in kinen) replaces the law of every variant but 2.
//
// For k (Equation 5) every taking-part wall adds the production by the wall
// shear and the dissipation of the law (variant 11 pins k); for epsilon
// (Equation 6) every wall pins the log-law value, and the top cells take the
// free-surface value of F 185. The k-omega models (15, 16) pin omega
// instead; under the one-equation model (14) the nu-tilde equation keeps its
// cells' terms and takes a destruction term at the bed.
#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "morphology/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"
#include "turbulence/wall_faces.h"

namespace {

enum class Group {
    Standard,   // 0, 3, 4, 11: log law; FlagBrelk 13 removes the momentum terms
    OwnLaw,     // 2, 5..10: the variant's law whatever FlagBrelk says
    ClearOnly,  // 1, 12..20 and any other value
};

// A wall cell: its indices and the quantities of its k.
struct Cell {
    int i, j, k;
    double kstar;  // max(k, 1e-9)
    double S;      // sqrt(sqcmyrho k*); 31.62 S is the density times u*
    double ustar;  // sqrt(0.001 sqcmyrho k*)
};

// One wall of a wall cell.
struct Side {
    int dir;          // 0 i-direction, 1 j-direction, 2 k-direction
    double y;         // wall distance
    double ks;        // roughness
    double kappa;     // von Karman constant of this wall
    double A;         // face area
    double nx, ny, nz;  // unit normal of the face (nz = 0 at i- and j-walls)
};

struct Variant;
using Terms = void (*)(int istart, int iend, const Variant& v);

// Which walls of a wall cell take part in the k and epsilon steps.
enum class KWalls {
    All,       // every wall
    KOnly,     // k-direction walls only (3)
    ByHeight,  // side walls only above the bed roughness (4)
};

// One wall-law variant of F 15; the defaults are those of a variant that
// only clears.
struct Variant {
    Group group = Group::ClearOnly;
    Terms momentum = nullptr;           // momentum terms of the variant's law (null: none)
    bool reducedKappaAtBed = false;     // the sediment-reduced kappa at bed-type walls
    bool shortenedDistances = false;    // side-wall distances limited by the half height
    bool turbMultAtK = false;           // F 307 factor on the k-direction walls
    Terms k = nullptr;                  // terms of the k equation (null: none)
    KWalls kWalls = KWalls::All;        // walls taking part in the k and epsilon steps
    bool epsilonReducedKappa = false;   // the reduced kappa in the epsilon value at k = 2
    bool surfaceEpsilon = false;        // the free-surface epsilon of F 185
};

double heightAboveBed(int i, int j, int k);

// ---------------------------------------------------------------------------
// Wall data.
// ---------------------------------------------------------------------------
Cell cellAt(int i, int j, int k, double rhoSqrtCmy) {
    const double kstar = std::max(kinen[i][j][k], 1e-9);
    const double T = rhoSqrtCmy * kstar;
    return {i, j, k, kstar, std::sqrt(T), std::sqrt(0.001 * T)};
}

// The wall of direction dir with flag +1 (low face) or -1 (high face).
Side sideOf(int dir, int flag, int i, int j, int k, const Variant& v) {
    const wallface::Face f = wallface::of(dir, flag, i, j, k);
    Side s{};
    s.dir = dir;
    s.y = wallface::distance(dir, i, j, k);
    if (dir != 2 && v.shortenedDistances) s.y = std::min(s.y, m_dist_z[i][j][k]);
    s.A = f.A;
    s.nx = f.nx;
    s.ny = f.ny;
    s.nz = f.nz;
    const bool bed = dir == 2 && wallface::bedCell(i, j, k);
    s.ks = bed ? Xks[i][j] : wallface::rowRoughness(j);
    s.kappa = Xkappa;
    if (bed && v.reducedKappaAtBed && WallChoiseSed == 0) s.kappa = wallface::reducedKappa(i, j, k);
    return s;
}

// Calls fn(side) for the walls of cell (i, j, k) in the order i, j, k.
template <class Fn>
void forWalls(int i, int j, int k, const Variant& v, Fn&& fn) {
    const int flags[3] = {WallI[i][j][k], WallJ[i][j][k], WallK[i][j][k]};
    for (int dir = 0; dir < 3; ++dir)
        if (flags[dir] != 0) fn(sideOf(dir, flags[dir], i, j, k, v));
}

// ---------------------------------------------------------------------------
// Momentum laws: R of one wall.
// ---------------------------------------------------------------------------
struct RoughLaw {  // 0, 2, 3, 4, 11: log law, profiles inside the roughness at k-walls
    static double R(const Cell& c, const Side& s, double) {
        const walllaw::Point p = walllaw::point(s.y, s.ks, s.kappa, c.ustar);
        if (s.dir == 2) return walllaw::roughBedLaw(p, WallChoiseForm, Bedformheight[c.i][c.j]);
        return walllaw::logLaw(p);
    }
};
struct SmoothLaw {  // 5
    static double R(const Cell& c, const Side& s, double) {
        return walllaw::smoothLaw(walllaw::point(s.y, s.ks, s.kappa, walllaw::smoothFrictionVelocity(c.kstar)));
    }
};
struct BlendedLaw {  // 6
    static double R(const Cell& c, const Side& s, double) {
        return walllaw::blendedLaw(walllaw::point(s.y, s.ks, s.kappa, c.ustar));
    }
};
struct TransitionalLaw {  // 7
    static double R(const Cell& c, const Side& s, double) {
        return walllaw::transitionalLaw(walllaw::point(s.y, s.ks, s.kappa, c.ustar));
    }
};
struct ClippedLaw {  // 8
    static double R(const Cell& c, const Side& s, double) {
        return walllaw::clippedLaw(walllaw::point(s.y, s.ks, s.kappa, c.ustar));
    }
};
struct ClippedNormalLaw {  // 9: at k-walls corrected by the bed-normal velocity of the column
    static double R(const Cell& c, const Side& s, double rmin) {
        const walllaw::Point p = walllaw::point(s.y, s.ks, s.kappa, c.ustar);
        if (s.dir != 2) return walllaw::clippedLaw(p);
        const int i = c.i, j = c.j;
        const double r = (xvel[i][j][2] * m_vec_z[i][j][1][0] + yvel[i][j][2] * m_vec_z[i][j][1][1] +
                          zvel[i][j][2] * m_vec_z[i][j][1][2]) /
                         c.ustar;
        return walllaw::bedNormalCorrection(walllaw::clippedLawUnbounded(p), r, rmin);
    }
};
struct RoughnessLayerLaw {  // 10
    static double R(const Cell& c, const Side& s, double) {
        return walllaw::roughnessLayerLaw(walllaw::point(s.y, s.ks, s.kappa, c.ustar));
    }
};

// Wall shear of every wall: wap += C, source += C (n.U) n_c, the force
// -C (phi - (n.U) n_c) on the solved component phi.
template <class Law>
void momentumTerms(int istart, int iend, const Variant& v) {
    const double rhoSqrtCmy = kWaterDensity * std::sqrt(cmy);
    const bool mult = v.turbMultAtK && TurbMultFlag == 1;
    const int eq = Equation;
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const Cell c = cellAt(i, j, k, rhoSqrtCmy);
                const double u = xvel[i][j][k], vv = yvel[i][j][k], w = zvel[i][j][k];
                forWalls(i, j, k, v, [&](const Side& s) {
                    double C = 31.62 * c.S * s.A / Law::R(c, s, walllaw::kMomentumNormalMin);
                    if (mult && s.dir == 2) C *= TurbMultTest;
                    double nU = s.nx * u + s.ny * vv;
                    if (s.dir == 2) nU += s.nz * w;
                    const double nc = eq == 1 ? s.nx : eq == 2 ? s.ny : s.dir == 2 ? s.nz : 0.0;
                    wap[i][j][k] += C;
                    source[i][j][k] += C * nU * nc;
                });
            }
}

// One-equation model: quadratic friction 1000 |phi| phi / R^2 on the solved
// component, R from the laminar friction velocity of the cell.
void oneEquationMomentum(int istart, int iend, const Variant& v) {
    const int eq = Equation;
    const bool smooth = FlagWallAll == 5;
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const double u = xvel[i][j][k], vv = yvel[i][j][k], w = zvel[i][j][k];
                const double speed = std::sqrt(u * u + vv * vv + w * w);
                if (speed == 0.0) continue;  // a cell at rest: no friction
                forWalls(i, j, k, v, [&](const Side& wall) {
                    Side s = wall;
                    if (s.dir == 2) s.ks = Xks[i][j];  // the bed roughness at roofs too
                    const walllaw::Point p =
                        walllaw::point(s.y, s.ks, Xkappa, walllaw::laminarFrictionVelocity(speed, s.y));
                    const double R = walllaw::oneEquationLaw(p, smooth);
                    const double c = eq == 1 ? std::fabs(u) : eq == 2 ? std::fabs(vv) : s.dir == 2 ? std::fabs(w) : 0.0;
                    wap[i][j][k] += kWaterDensity * s.A * c / (R * R + 1e-20);
                });
            }
}

// ---------------------------------------------------------------------------
// k and epsilon terms.
// ---------------------------------------------------------------------------
bool takesPart(const Side& s, int i, int j, int k, const Variant& v) {
    if (s.dir == 2 || v.kWalls == KWalls::All) return true;
    if (v.kWalls == KWalls::KOnly) return false;
    return heightAboveBed(i, j, k) > Xks[i][j];
}

// Calls fn(side) for the walls of cell (i, j, k) that take part in the k and
// epsilon steps.
template <class Fn>
void forTurbulenceWalls(int i, int j, int k, const Variant& v, Fn&& fn) {
    forWalls(i, j, k, v, [&](const Side& s) {
        if (takesPart(s, i, j, k, v)) fn(s);
    });
}

// The wall cell with the friction velocity of the k law, cmy^0.25 sqrt(k*).
Cell kCellAt(int i, int j, int k, double rhoSqrtCmy, double C25) {
    Cell c = cellAt(i, j, k, rhoSqrtCmy);
    c.ustar = C25 * std::sqrt(c.kstar);
    return c;
}

double speedSquared(int i, int j, int k) {
    const double u = xvel[i][j][k], v = yvel[i][j][k], w = zvel[i][j][k];
    return u * u + v * v + w * w;
}

// Production by the wall shear and dissipation of every wall:
// wap += rho cmy^0.75 sqrt(k*) R / y V, source += 31.62 S U^2 / (R y) V.
template <class Law>
void kTerms(int istart, int iend, const Variant& v) {
    const double rhoSqrtCmy = kWaterDensity * std::sqrt(cmy);
    const double C25 = std::pow(cmy, 0.25), C75 = std::pow(cmy, 0.75);
    const bool mult = v.turbMultAtK && TurbMultFlag == 1;
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const Cell c = kCellAt(i, j, k, rhoSqrtCmy, C25);
                const double U2 = speedSquared(i, j, k), V = Volume[i][j][k], sk = std::sqrt(c.kstar);
                forTurbulenceWalls(i, j, k, v, [&](const Side& s) {
                    double R = Law::R(c, s, walllaw::kKNormalMin);
                    if (mult && s.dir == 2) R *= TurbMultTest;
                    wap[i][j][k] += kWaterDensity * C75 * sk * R / s.y * V;
                    source[i][j][k] += 31.62 * c.S * U2 / (R * s.y) * V;
                });
            }
}

// Variant 11: every wall pins k at u_V^2 / sqrt(0.09), u_V the speed over
// the plain log law's R.
void fixedKTerms(int istart, int iend, const Variant& v) {
    const double rhoSqrtCmy = kWaterDensity * std::sqrt(cmy);
    const double C25 = std::pow(cmy, 0.25);
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const Cell c = kCellAt(i, j, k, rhoSqrtCmy, C25);
                const double Um = std::sqrt(speedSquared(i, j, k));
                forTurbulenceWalls(i, j, k, v, [&](const Side& s) {
                    const double uV = Um / walllaw::logLaw(walllaw::point(s.y, s.ks, s.kappa, c.ustar));
                    wap[i][j][k] += 1e20;
                    source[i][j][k] += 1e20 * 3.333333 * uV * uV;
                });
            }
}

// Epsilon (or omega) of the top cell of every column of the block, F 185 1
// or 2: from the surface k, q = kt^1.5 for epsilon, sqrt(kt) for omega, over
// the depth and (F 185 2) the distance to the nearer bank, measured from the
// cell centre or, for `fromHighFace`, from the cell's high-j face.
void surfaceValue(int istart, int iend, bool omega, bool fromHighFace) {
    if (FlagSurfEps != 1 && FlagSurfEps != 2) return;
    const int Z = znumber;
    for (int i = istart; i <= iend; ++i) {
        double W = 0.0;  // width of the section at the top layer
        for (int j = 2; j <= ynumber; ++j) W += m_dist_y[i][j][Z];
        W *= 2.0;
        double before = 0.0;  // half widths of the top cells before j
        for (int j = 2; j <= ynumber; ++j) {
            const double kt = std::max(kinen[i][j][Z], 1e-9);
            const double q = omega ? std::sqrt(kt) : std::pow(kt, 1.5);
            double h = 0.0;
            for (int k = 2; k <= Z; ++k) h += m_dist_z[i][j][k];
            h *= 2.0;
            double value;
            if (FlagSurfEps == 1) {
                value = q / (SurfEpsCoeff * h + 1e-20);
            } else {
                const double d1 = 2.0 * before + (fromHighFace ? 2.0 : 1.0) * m_dist_y[i][j][Z];
                const double d2 = W - d1;
                const double m = d2 > d1 ? d1 : d2;
                const double L = h <= m ? h : m;
                value = 0.41079 * q * (1.0 / (0.07 * h + 1e-20) + 1.0 / (L + 1e-20));
            }
            before += m_dist_y[i][j][Z];
            wap[i][j][Z] += 1e30;
            source[i][j][Z] += 1e30 * value;
        }
    }
}

// Every wall pins epsilon at cmy^0.75 k*^1.5 / (kappa y), then the surface.
void epsilonTerms(int istart, int iend, const Variant& v) {
    const double C75 = std::pow(cmy, 0.75);
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const double kstar = std::max(kinen[i][j][k], 1e-9);
                const double q = C75 * std::pow(kstar, 1.5);
                const bool reduced = v.epsilonReducedKappa && k == 2 && WallChoiseSed == 0;
                const double kappaBed = reduced ? Xkappa / (1.0 + 2.5 * conc[0][i][j][k]) : Xkappa;
                forTurbulenceWalls(i, j, k, v, [&](const Side& s) {
                    const double kappa = s.dir == 2 ? kappaBed : Xkappa;
                    wap[i][j][k] += 1e30;
                    source[i][j][k] += 1e30 * q / (kappa * s.y);
                });
            }
    if (v.surfaceEpsilon) surfaceValue(istart, iend, false, false);
}

// Variants 5 to 10 under the k-omega models (15 and above): every wall pins
// omega at sqrt(k*) / (kappa 0.5477 y), then the surface omega (variant 6
// measures its bank distances from the high-j face).
void omegaTerms(int istart, int iend, const Variant& v) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const double sk = std::sqrt(std::max(kinen[i][j][k], 1e-9));
                forTurbulenceWalls(i, j, k, v, [&](const Side& s) {
                    wap[i][j][k] += 1e30;
                    source[i][j][k] += 1e30 * sk / (Xkappa * 0.5477 * s.y);
                });
            }
    if (v.surfaceEpsilon) surfaceValue(istart, iend, true, FlagWallAll == 6);
}

// Model 15 in the standard group: every cell with a k-direction wall (bed,
// box top or roof; Wall not tested) pins omega at the rough-bed value
// 0.0025 / ks^2 of its column; side walls add nothing.
void roughBedOmega(int istart, int iend) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double ks = Xks[i][j];
            for (int k = 2; k <= znumber; ++k) {
                if (WallK[i][j][k] == 0) continue;
                wap[i][j][k] += 1e30;
                source[i][j][k] += 2.5e27 / (ks * ks + 1e-20);
            }
        }
}

// Model 16 in the standard group: every wall flag pins omega at
// sqrt(k*) / (0.21908 y) with the plain half size as distance.
void wallOmega(int istart, int iend) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double sk = std::sqrt(std::max(kinen[i][j][k], 1e-9));
                const int flags[3] = {WallI[i][j][k], WallJ[i][j][k], WallK[i][j][k]};
                const double y[3] = {m_dist_x[i][j][k], m_dist_y[i][j][k], m_dist_z[i][j][k]};
                for (int d = 0; d < 3; ++d) {
                    if (flags[d] == 0) continue;
                    wap[i][j][k] += 1e30;
                    source[i][j][k] += 1e30 * sk / (0.21908 * y[d] + 1e-20);
                }
            }
}

// Model 15 in the standard group: the k terms of the smooth law at every
// wall, whatever the variant's walls and kappa.
constexpr Variant kSmoothEveryWall{.group = Group::Standard};

// Near-wall destruction of nu-tilde n at a k-direction wall (no volume
// factor): cw fw n / y^2 with the laminar friction velocity of the cell
// speed Um. fw = g (65 / (g^6 + 64))^(1/6) tends to 65^(1/6) for large
// g, cw to 0 with y+, so a cell at rest adds nothing.
double nuTildeDestruction(double n, double Um, double y) {
    if (!(Um > 0.0)) return 0.0;
    const double ul = walllaw::laminarFrictionVelocity(Um, y);
    const double yPlus = 1e6 * y * ul;
    const double r = n / ((0.5 * Um / y) * 0.4 * 0.4 * y * y);
    const double g = r + 0.3 * (std::pow(r, 6) - r);
    double fw;
    if (std::fabs(g) < 1e40)
        fw = g * std::pow(65.0 / (std::pow(g, 6) + 64.0), 0.1666667);
    else
        fw = std::copysign(std::pow(65.0, 0.1666667), r);
    double cw = 6.320498783500607;
    if (yPlus < 11.6) {
        const double X3 = std::pow(0.4 * yPlus, 3);
        cw = 6.320498783500607 * X3 / (X3 + 357.911);
    }
    return cw * fw * n / (y * y);
}

// Model 14, nu-tilde equation (the wall cells keep their terms): every
// k-direction wall adds the near-wall destruction; side walls add the
// log-law value Xkappa y Um / R with the negligible weight 1e-30.
void oneEquationNuTilde(int istart, int iend, const Variant& v) {
    const bool smooth = FlagWallAll == 5;
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                const double Um = std::sqrt(speedSquared(i, j, k));
                const double n = kinen[i][j][k];
                forWalls(i, j, k, v, [&](const Side& s) {
                    if (s.dir == 2) {
                        wap[i][j][k] += nuTildeDestruction(n, Um, s.y);
                        return;
                    }
                    double value = 0.0;
                    if (Um > 0.0) {
                        const walllaw::Point p =
                            walllaw::point(s.y, s.ks, Xkappa, walllaw::laminarFrictionVelocity(Um, s.y));
                        const double R = walllaw::oneEquationLaw(p, smooth);
                        if (R > 0.0 && std::isfinite(R)) value = Xkappa * s.y * Um / R;
                    }
                    wap[i][j][k] += 1e-30;
                    source[i][j][k] += 1e-30 * value;
                });
            }
}

// ---------------------------------------------------------------------------
// The variants, keyed by FlagWallAll.
// ---------------------------------------------------------------------------
constexpr Variant kClearOnly{.group = Group::ClearOnly};
const Variant kVariants[21] = {
    /* 0: rough wall, log law with ks */
    {.group = Group::Standard,
     .momentum = momentumTerms<RoughLaw>,
     .reducedKappaAtBed = true,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<RoughLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = true,
     .surfaceEpsilon = true},
    /* 1: the simple wall routine's code; here only the clearing */
    kClearOnly,
    /* 2: as 0 with the side-wall distances limited by the half height */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<RoughLaw>,
     .reducedKappaAtBed = true,
     .shortenedDistances = true,
     .turbMultAtK = false,
     .k = kTerms<RoughLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = true,
     .surfaceEpsilon = false},
    /* 3: as 0, k and epsilon at k-direction walls only */
    {.group = Group::Standard,
     .momentum = momentumTerms<RoughLaw>,
     .reducedKappaAtBed = true,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<RoughLaw>,
     .kWalls = KWalls::KOnly,
     .epsilonReducedKappa = true,
     .surfaceEpsilon = false},
    /* 4: as 0, k and epsilon at side walls only above the bed roughness */
    {.group = Group::Standard,
     .momentum = momentumTerms<RoughLaw>,
     .reducedKappaAtBed = true,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<RoughLaw>,
     .kWalls = KWalls::ByHeight,
     .epsilonReducedKappa = true,
     .surfaceEpsilon = false},
    /* 5: smooth wall */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<SmoothLaw>,
     .reducedKappaAtBed = false,
     .shortenedDistances = false,
     .turbMultAtK = true,
     .k = kTerms<SmoothLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = false,
     .surfaceEpsilon = true},
    /* 6: smooth-rough blend */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<BlendedLaw>,
     .reducedKappaAtBed = false,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<BlendedLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = false,
     .surfaceEpsilon = true},
    /* 7: transitional roughness */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<TransitionalLaw>,
     .reducedKappaAtBed = false,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<TransitionalLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = false,
     .surfaceEpsilon = true},
    /* 8: transitional, at y+ of at least 11.7 */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<ClippedLaw>,
     .reducedKappaAtBed = false,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<ClippedLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = false,
     .surfaceEpsilon = true},
    /* 9: as 8 with the bed-normal velocity correction */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<ClippedNormalLaw>,
     .reducedKappaAtBed = false,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<ClippedNormalLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = false,
     .surfaceEpsilon = true},
    /* 10: linear profile inside the roughness layer */
    {.group = Group::OwnLaw,
     .momentum = momentumTerms<RoughnessLayerLaw>,
     .reducedKappaAtBed = true,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = kTerms<RoughnessLayerLaw>,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = false,
     .surfaceEpsilon = true},
    /* 11: as 0 with k pinned from the log law */
    {.group = Group::Standard,
     .momentum = momentumTerms<RoughLaw>,
     .reducedKappaAtBed = true,
     .shortenedDistances = false,
     .turbMultAtK = false,
     .k = fixedKTerms,
     .kWalls = KWalls::All,
     .epsilonReducedKappa = true,
     .surfaceEpsilon = true},
    /* 12..20: the clearing only */
    kClearOnly, kClearOnly, kClearOnly, kClearOnly, kClearOnly, kClearOnly, kClearOnly, kClearOnly, kClearOnly,
};

const Variant& variantOf(int code) { return code >= 0 && code <= 20 ? kVariants[code] : kClearOnly; }

// ---------------------------------------------------------------------------
// Clearing.
// ---------------------------------------------------------------------------
// Height of the cell centre above the bed or the box top below it.
double heightAboveBed(int i, int j, int k) {
    double h = m_dist_z[i][j][k];
    if (k > 2 && WallK[i][j][k] == 0)
        for (int m = k - 1;; --m) {
            h += 2.0 * m_dist_z[i][j][m];
            if (m == 2 || WallK[i][j][m] != 0) break;
        }
    return h;
}

}  // namespace

void clearWallCells(int istart, int iend) {
    const bool turbulence = Equation >= 5;
    const bool kOnly = FlagWallAll == 3 && turbulence;
    const bool byHeight = FlagWallAll == 4 && turbulence;
    // The nu-tilde equation of the one-equation model keeps its cells' terms.
    const bool nuTilde = turbulenceModel().transport.first == TurbulenceQuantity::NuTilde;
    if (!kOnly && !byHeight && nuTilde && Equation == 5) return;
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (Wall[i][j][k] == 0) continue;
                if (kOnly && WallK[i][j][k] == 0) continue;
                if (byHeight && WallK[i][j][k] == 0 && !(heightAboveBed(i, j, k) > Xks[i][j])) continue;
                wap[i][j][k] = 0.0;
                source[i][j][k] = 0.0;
            }
}

namespace {

// An equation the chosen law has no branch for.
void noBranch() {
    if (omp_in_parallel())
        regionFault(-4, "Error in wall laws, Equation = %d\n", Equation);
    else
        failf(-4, "Error in wall laws, Equation = %d\n", Equation);
}

bool momentumEquation() { return Equation >= 1 && Equation <= 3; }

}  // namespace

void wallallOpenMP(int istart, int iend) {
    // Inside a region the dispatcher has stored it before the region.
    if (!inRegion()) sqcmyrho = kWaterDensity * std::sqrt(cmy);
    if (istart > iend) return;
    clearWallCells(istart, iend);

    const Variant& v = variantOf(FlagWallAll);
    const TurbulenceModelRow& model = turbulenceModel();
    if (model.transport.first == TurbulenceQuantity::NuTilde && FlagWallAll != 2) {
        if (momentumEquation())
            oneEquationMomentum(istart, iend, v);
        else if (Equation == 5)
            oneEquationNuTilde(istart, iend, v);
        else
            noBranch();
        return;
    }
    switch (v.group) {
    case Group::ClearOnly:
        return;
    case Group::Standard:
        if (momentumEquation()) {
            if (FlagBrelk != 13) v.momentum(istart, iend, v);
        } else if (Equation == 5) {
            if (model.walls.roughLaws == RoughLawTurbulence::SmoothKBedOmega)
                kTerms<SmoothLaw>(istart, iend, kSmoothEveryWall);
            else
                v.k(istart, iend, v);
        } else if (Equation == 6) {
            if (model.walls.roughLaws == RoughLawTurbulence::SmoothKBedOmega)
                roughBedOmega(istart, iend);
            else if (model.walls.roughLaws == RoughLawTurbulence::WallOmega)
                wallOmega(istart, iend);
            else
                epsilonTerms(istart, iend, v);
        } else if (model.walls.roughLaws != RoughLawTurbulence::SmoothKBedOmega && FlagBrelk != 13) {
            noBranch();
        }
        return;
    case Group::OwnLaw:
        if (momentumEquation())
            v.momentum(istart, iend, v);
        else if (Equation == 5)
            v.k(istart, iend, v);
        else if (Equation == 6) {
            // Variant 2 pins epsilon under every model; the others pin what the model's row says.
            if (FlagWallAll == 2 || model.walls.second != WallPin::Omega)
                epsilonTerms(istart, iend, v);
            else
                omegaTerms(istart, iend, v);
        } else
            noBranch();
        return;
    }
}

void wallall() { wallallOpenMP(2, xnumber); }
