// The alternative wall routine of F 228: the kernel's clearing of the wall
// cells, then one term per wall of every wall cell, summed over the walls of
// a corner, with the water density wdensity and viscosity wviscosity.
//
// The momentum and k laws come from the law table keyed by F 15: the rough
// log law (0) with its profiles inside the bed roughness, and the smooth law
// (5); any other code gives those equations no wall terms. epsilon (omega
// where the model's row pins omega, from model 15 on) is pinned at every
// wall whatever F 15 says. The wall
// distance is always the half cell size across the wall.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "morphology/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"
#include "turbulence/wall_faces.h"

namespace {

// Constants of one call.
struct Constants {
    double c34;         // cmy^0.75
    double c14;         // cmy^0.25
    double rhoSqrtCmy;  // wdensity sqrt(cmy)
    double sqrtRho;     // sqrt(wdensity)
};

// A wall cell and the quantities of its k.
struct Cell {
    int i, j, k;
    double kstar;  // max(k, 1e-9)
    double S;      // sqrt(wdensity sqrt(cmy) k*): sqrt(wdensity) S is the density times u*
    double ustar;  // friction velocity sqrt(S^2 / wdensity)
};

Cell cellAt(int i, int j, int k, const Constants& c) {
    const double kstar = std::max(kinen[i][j][k], 1e-9);
    const double T = c.rhoSqrtCmy * kstar;
    return {i, j, k, kstar, std::sqrt(T), std::sqrt(T / wdensity)};
}

// Which of the two laws evaluates R: the momentum law (side walls by the
// row rule) or the k law (side walls XksWall).
enum class Use { Momentum, K };

// One wall of a wall cell.
struct Side {
    int dir;  // 0 i, 1 j, 2 k
    double y;
    double ks;
    bool bed;  // a bed-type k-direction wall
};

Side sideOf(int dir, const Cell& c, Use use) {
    Side s{dir, wallface::distance(dir, c.i, c.j, c.k), 0.0, false};
    if (dir == 2) {
        s.bed = wallface::bedCell(c.i, c.j, c.k);
        s.ks = s.bed ? Xks[c.i][c.j] : XksWall;
    } else {
        s.ks = use == Use::Momentum ? wallface::rowRoughness(c.j) : XksWall;
    }
    return s;
}

// ---------------------------------------------------------------------------
// Wall resistance R, by F 15.
// ---------------------------------------------------------------------------
// Rough log law, with the profiles of F 150 inside the roughness at
// k-direction walls; the sediment-reduced kappa enters those profiles only.
double roughR(const Cell& c, const Side& s) {
    if (s.dir == 2 && WallChoiseForm != 0 && s.y <= s.ks) {
        const bool reduced = s.bed && FlagTSC != 0 && WallChoiseSed == 0;
        const double kappa = reduced ? wallface::reducedKappa(c.i, c.j, c.k) : Xkappa;
        return walllaw::roughBedLaw(walllaw::point(s.y, s.ks, kappa, c.ustar, wviscosity), WallChoiseForm,
                                    Bedformheight[c.i][c.j]);
    }
    return walllaw::logLaw(walllaw::point(s.y, s.ks, Xkappa, c.ustar, wviscosity));
}

// Smooth law on y+ = y u* / wviscosity; no roughness.
double smoothR(const Cell& c, const Side& s) {
    return walllaw::smoothLaw(walllaw::point(s.y, s.ks, Xkappa, c.ustar, wviscosity));
}

using Resistance = double (*)(const Cell&, const Side&);

// The laws, keyed by their F 15 code; the other codes have none.
struct Law {
    int code;
    Resistance R;
};
constexpr Law kLaws[] = {{0, roughR}, {5, smoothR}};

Resistance lawOf(int code) {
    for (const Law& l : kLaws)
        if (l.code == code) return l.R;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Terms.
// ---------------------------------------------------------------------------
// Calls fn(dir, flag) for every wall of cell (i, j, k), in the order i, j, k.
template <class Fn>
void forWalls(int i, int j, int k, Fn&& fn) {
    for (int dir = 0; dir < 3; ++dir) {
        const int flag = wallface::flag(dir, i, j, k);
        if (flag != 0) fn(dir, flag);
    }
}

template <class Fn>
void forWallCells(int istart, int iend, Fn&& fn) {
    for (int i = istart; i <= iend; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (Wall[i][j][k] != 0) fn(i, j, k);
}

// Wall shear of every wall: C = sqrt(wdensity) S A / R; wap += C,
// source += C (n.U) n_c.
void momentumTerms(int istart, int iend, Resistance R, const Constants& k0) {
    const int eq = Equation;
    forWallCells(istart, iend, [&](int i, int j, int k) {
        const Cell c = cellAt(i, j, k, k0);
        const double u = xvel[i][j][k], v = yvel[i][j][k], w = zvel[i][j][k];
        forWalls(i, j, k, [&](int dir, int flag) {
            const wallface::Face f = wallface::of(dir, flag, i, j, k);
            const double C = c.S * k0.sqrtRho * f.A / R(c, sideOf(dir, c, Use::Momentum));
            wap[i][j][k] += C;
            source[i][j][k] += C * wallface::normalVelocity(f, u, v, w) * wallface::along(f, eq);
        });
    });
}

// Dissipation wdensity cmy^0.75 sqrt(k*) R / y V and production
// 31.62 S / R U^2 / y V of every wall.
void kTerms(int istart, int iend, Resistance R, const Constants& k0) {
    forWallCells(istart, iend, [&](int i, int j, int k) {
        const Cell c = cellAt(i, j, k, k0);
        const double u = xvel[i][j][k], v = yvel[i][j][k], w = zvel[i][j][k];
        const double U2 = u * u + v * v + w * w, V = Volume[i][j][k], sk = std::sqrt(c.kstar);
        forWalls(i, j, k, [&](int dir, int) {
            const Side s = sideOf(dir, c, Use::K);
            const double r = R(c, s);
            wap[i][j][k] += wdensity * k0.c34 * sk * r / s.y * V;
            source[i][j][k] += 31.62 * c.S / r * U2 / s.y * V;
        });
    });
}

// Every wall pins epsilon at cmy^0.75 k*^1.5 / (kappa y), or omega (the
// rows that pin omega, models 15 and above) at sqrt(k*) / (cmy^0.25 kappa y),
// the engine's omega epsilon / (cmy k); the one-equation model pins neither. The bed wall of a cell at k = 2
// takes the sediment-reduced kappa in the runs of the transient drivers.
void epsilonTerms(int istart, int iend, const Constants& k0) {
    const WallPin pin = turbulenceModel().walls.second;
    if (pin == WallPin::None) return;
    const bool omega = pin == WallPin::Omega;
    forWallCells(istart, iend, [&](int i, int j, int k) {
        const double kstar = std::max(kinen[i][j][k], 1e-9);
        const double q = omega ? std::sqrt(kstar) / k0.c14 : k0.c34 * std::pow(kstar, 1.5);
        const double kappaBed = k == 2 && FlagTSC != 0 ? wallface::reducedKappa(i, j, k) : Xkappa;
        forWalls(i, j, k, [&](int dir, int) {
            const double kappa = dir == 2 ? kappaBed : Xkappa;
            wap[i][j][k] += 1e30;
            source[i][j][k] += 1e30 * q / (kappa * wallface::distance(dir, i, j, k));
        });
    });
}

}  // namespace

void wallnew(int istart, int iend) {
    const Constants k0{std::pow(cmy, 0.75), std::pow(cmy, 0.25), wdensity * std::sqrt(cmy), std::sqrt(wdensity)};
    // Inside a region the dispatcher has stored it before the region.
    if (!inRegion()) sqcmyrho = k0.rhoSqrtCmy;
    if (istart > iend) return;
    clearWallCells(istart, iend);

    const Resistance R = lawOf(FlagWallAll);
    if (Equation >= 1 && Equation <= 3) {
        if (R) momentumTerms(istart, iend, R, k0);
    } else if (Equation == 5) {
        if (R && turbulenceModel().transport.first != TurbulenceQuantity::NuTilde) kTerms(istart, iend, R, k0);
    } else if (Equation == 6) {
        epsilonTerms(istart, iend, k0);
    }
}
