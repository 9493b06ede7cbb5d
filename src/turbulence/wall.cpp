// The simple rough-wall law of F 15 1: every wall cell feels its nearest
// wall only, through the logarithmic law of one roughness per cell.
//
// The whole interior in one call, on the main thread; the values of a wall
// cell are assigned after its clearing, whatever the caller left there.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"
#include "turbulence/wall_faces.h"

namespace {

constexpr double kNoWall = 1000.0;  // distance of a direction without a wall (m)
constexpr double kTie = 1e-4;       // relative distance within which the earlier direction wins
constexpr double kMomentumFloor = 1.0;  // floor of the logarithm in the momentum law
constexpr double kKFloor = 0.01;        // and in the k law

// The nearest wall of a wall cell.
struct Nearest {
    int dir;   // 0 i, 1 j, 2 k: ties go to i, then j
    double y;  // its distance
};

Nearest nearestWall(int i, int j, int k) {
    double d[3];
    for (int dir = 0; dir < 3; ++dir)
        d[dir] = wallface::flag(dir, i, j, k) != 0 ? wallface::distance(dir, i, j, k) : kNoWall;
    const double y = std::min({d[0], d[1], d[2]});
    for (int dir = 0; dir < 2; ++dir)
        if (std::fabs(y - d[dir]) / y < kTie) return {dir, y};
    return {2, y};
}

// The roughness and von Karman constant of a wall cell: the bed's, with the
// sediment-reduced constant, for a bed-type cell whatever its nearest wall.
struct Roughness {
    double ks, kappa;
};
Roughness roughnessOf(int i, int j, int k) {
    if (wallface::bedCell(i, j, k)) return {Xks[i][j], wallface::reducedKappa(i, j, k)};
    return {XksWall, Xkappa};
}

// A degenerate wall cell (its lines in `boogie`, then -8).
[[noreturn]] void tooSmall(int i, int j, int k, double y, bool detail) {
    Log log;
    log.write("Error, too small Mdist in wall\n");
    if (detail) log.printf("Mdist(%d,%d,%d,%d) = %e\n", i, j, k, Equation, y);
    log.close();
    endRun(-8);
}

template <class Fn>
void forWallCells(Fn&& fn) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (Wall[i][j][k] != 0) fn(i, j, k);
}

// k of a cell, a negative value taken as 0.
double kOf(int i, int j, int k) { return std::max(kinen[i][j][k], 0.0); }

// k: dissipation 1000 cmy^0.75 sqrt(k) R / y V and production
// 31.62 sqrt(T) U^2 / (R y) V with R = max(ln(30 y / ks), 0.01) / kappa.
void kTerms(double c34) {
    forWallCells([&](int i, int j, int k) {
        const Nearest w = nearestWall(i, j, k);
        if (w.y < 1e-10) tooSmall(i, j, k, w.y, true);
        const Roughness r = roughnessOf(i, j, k);
        const double kc = kOf(i, j, k), V = Volume[i][j][k];
        const double R = walllaw::logLaw(walllaw::point(w.y, r.ks, r.kappa, 0.0), kKFloor);
        const double P = 31.62 * std::sqrt(kc * sqcmyrho);
        const double u = xvel[i][j][k], v = yvel[i][j][k], ww = zvel[i][j][k];
        wap[i][j][k] = kWaterDensity * c34 * std::sqrt(kc) * R / w.y * V;
        source[i][j][k] = P / R * (u * u + v * v + ww * ww) / w.y * V;
    });
}

// epsilon pinned at cmy^0.75 k^1.5 / (kappa y), the reduced kappa at k = 2 only.
void epsilonTerms(double c34) {
    forWallCells([&](int i, int j, int k) {
        const Nearest w = nearestWall(i, j, k);
        if (w.y < 1e-10) tooSmall(i, j, k, w.y, false);
        const double kappa = k == 2 ? wallface::reducedKappa(i, j, k) : Xkappa;
        wap[i][j][k] = 1e30;
        source[i][j][k] = 1e30 * c34 * std::pow(kOf(i, j, k), 1.5) / (kappa * w.y);
    });
}

// Momentum: the face of the nearest wall, C = 31.62 sqrt(T) A / R with
// R = max(ln(30 y / ks), 1) / kappa; wap = C, source = C (n.U) n_c.
void momentumTerms() {
    const int eq = Equation;
    forWallCells([&](int i, int j, int k) {
        const Nearest w = nearestWall(i, j, k);
        if (w.y < 1e-10) tooSmall(i, j, k, w.y, false);
        const Roughness r = roughnessOf(i, j, k);
        const wallface::Face f = wallface::of(w.dir, wallface::flag(w.dir, i, j, k), i, j, k);
        const double R = walllaw::logLaw(walllaw::point(w.y, r.ks, r.kappa, 0.0), kMomentumFloor);
        const double C = 31.62 * std::sqrt(kOf(i, j, k) * sqcmyrho) * f.A / R;
        wap[i][j][k] = C;
        source[i][j][k] = C * wallface::normalVelocity(f, xvel[i][j][k], yvel[i][j][k], zvel[i][j][k]) *
                          wallface::along(f, eq);
    });
}

}  // namespace

void wall() {
    requireLog("cannot open file 'boogie' ");
    sqcmyrho = kWaterDensity * std::sqrt(cmy);
    const double c34 = std::pow(cmy, 0.75);
    forWallCells([](int i, int j, int k) {
        wap[i][j][k] = 0.0;
        source[i][j][k] = 0.0;
    });
    if (Equation == 5)
        kTerms(c34);
    else if (Equation == 6)
        epsilonTerms(c34);
    else if (Equation <= 3)
        momentumTerms();
    else
        failf(-4, "Error in wall, Equation = %d\n", Equation);
}
