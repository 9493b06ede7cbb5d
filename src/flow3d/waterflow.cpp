// Face mass fluxes flow1, flow2, flow3 by Rhie-Chow interpolation, computed
// afresh on every face of the domain: on one thread (waterflow) or per block
// of i-planes on the thread team (waterflowOpenMP); both run the same face
// loops over ranges of planes.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/interp.h"
#include "flow3d/regions.h"
#include "grid/geometry.h"

namespace {

// The Rhie-Chow weight array and its factor (F 21).
struct RhieChowWeights {
    const FieldArray<double, 3>& D;
    double c;
};

RhieChowWeights rhieChowWeights() {
    if (RelaxRhieChow < 0.0) return {invFlow, -RelaxRhieChow};
    return {invAP, RelaxRhieChow};
}

// Pressures along a face's direction: the cell before L, L, H, the cell after H.
struct FaceLine {
    double pLL, pL, pH, pHH;
};

// The pressure gradients of L and H across one cell each, central unless L
// is the first cell of its line (one-sided gradient of L) or else H is the
// last one (one-sided gradient of H); the interpolated gradient at the face
// with the low cell's weight w.
double faceGradient(const FaceLine& p, bool lowEnd, bool highEnd, double w, bool equalWeights) {
    double gL = 0.5 * doubled::central(p.pLL, p.pH);
    double gH = 0.5 * doubled::central(p.pL, p.pHH);
    if (lowEnd)
        gL = 0.5 * doubled::forward2(p.pL, p.pH, p.pHH);
    else if (highEnd)
        gH = 0.5 * doubled::backward2(p.pLL, p.pL, p.pH);
    return equalWeights ? 0.5 * (gL + gH) : interp::atFace(w, gL, gH);
}

// F = 1000 (A (U . n) + c A A (Dbar / relaxVelocity) (G - (P_H - P_L))).
double rhieChowFlux(double A, double Un, double c, double Dbar, double G, double dP) {
    return kWaterDensity * (A * Un + c * A * A * (Dbar / relaxVelocity) * (G - dP));
}

// The flux of a horizontal velocity (u, v) through a vertical face of area A
// and unit normal n, with no pressure term.
double planFlux(double A, double u, double v, const double* n) { return kWaterDensity * (A * (u * n[0] + v * n[1])); }

// Interior i-faces i = i1..i2 (at most xnumber-1).
void iFaces(const RhieChowWeights& rc, bool equalWeights, int i1, int i2) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j) {
            const double nx = m_vec_x[i][j][0], ny = m_vec_x[i][j][1];
            const bool seamAhead = ISkjotMB[i + 1] == 1;
            for (int k = 2; k <= Z; ++k) {
                const double w = interp::lowWeight(m_dist_x[i][j][k], m_dist_x[i + 1][j][k]);
                const double Un = interp::atFace(w, xvel[i][j][k], xvel[i + 1][j][k]) * nx +
                                  interp::atFace(w, yvel[i][j][k], yvel[i + 1][j][k]) * ny;
                const double Dbar = interp::atFace(w, rc.D[i][j][k], rc.D[i + 1][j][k]);
                const FaceLine p{Pres[i - 1][j][k], Pres[i][j][k], Pres[i + 1][j][k], Pres[i + 2][j][k]};
                const bool lowEnd = i == 2 || WallI[i][j][k] == 1;
                const bool highEnd = i == X - 1 || WallI[i + 1][j][k] == -1 || seamAhead;
                const double G = faceGradient(p, lowEnd, highEnd, w, equalWeights);
                flow1[i][j][k] = rhieChowFlux(m_ar_x[i][j][k], Un, rc.c, Dbar, G, p.pH - p.pL);
            }
        }
}

// The domain-end i-faces: 1 from the inflow cells, xnumber from the outflow cells.
void inflowFace() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k)
            flow1[1][j][k] = planFlux(m_ar_x[1][j][k], xvel[1][j][k], yvel[1][j][k], m_vec_x[1][j]);
}
void outflowFace() {
    const int X = xnumber;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k)
            flow1[X][j][k] = planFlux(m_ar_x[X][j][k], xvel[X + 1][j][k], yvel[X + 1][j][k], m_vec_x[X][j]);
}

// F 174 third value 2: the first and last interior i-faces repeat their neighbours.
void cyclicCopy() {
    const int X = xnumber;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            flow1[X - 1][j][k] = flow1[X - 2][j][k];
            flow1[2][j][k] = flow1[3][j][k];
        }
}

// The j-faces of the planes i1..i2, the side faces j = 1 and ynumber included.
void jFaces(const RhieChowWeights& rc, bool equalWeights, int i1, int i2) {
    const int Y = ynumber, Z = znumber;
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const double nx = m_vec_y[i][j][0], ny = m_vec_y[i][j][1];
            for (int k = 2; k <= Z; ++k) {
                const double w = interp::lowWeight(m_dist_y[i][j][k], m_dist_y[i][j + 1][k]);
                const double Un = interp::atFace(w, xvel[i][j][k], xvel[i][j + 1][k]) * nx +
                                  interp::atFace(w, yvel[i][j][k], yvel[i][j + 1][k]) * ny;
                const double Dbar = interp::atFace(w, rc.D[i][j][k], rc.D[i][j + 1][k]);
                const FaceLine p{Pres[i][j - 1][k], Pres[i][j][k], Pres[i][j + 1][k], Pres[i][j + 2][k]};
                const bool lowEnd = j == 2 || WallJ[i][j][k] == 1;
                const bool highEnd = j == Y - 1 || WallJ[i][j + 1][k] == -1;
                const double G = faceGradient(p, lowEnd, highEnd, w, equalWeights);
                flow2[i][j][k] = rhieChowFlux(m_ar_y[i][j][k], Un, rc.c, Dbar, G, p.pH - p.pL);
            }
        }
    for (int i = i1; i <= i2; ++i)
        for (int k = 2; k <= Z; ++k) {
            flow2[i][1][k] = planFlux(m_ar_y[i][1][k], xvel[i][1][k], yvel[i][1][k], m_vec_y[i][1]);
            flow2[i][Y][k] = planFlux(m_ar_y[i][Y][k], xvel[i][Y + 1][k], yvel[i][Y + 1][k], m_vec_y[i][Y]);
        }
}

double kFaceVelocity(int i, int j, int cell, int face) {
    const auto n = m_vec_z[i][j][face];
    return xvel[i][j][cell] * n[0] + yvel[i][j][cell] * n[1] + zvel[i][j][cell] * n[2];
}

// The k-faces of the planes i1..i2, bed and surface faces included.
void kFaces(const RhieChowWeights& rc, bool equalWeights, int i1, int i2) {
    const int Y = ynumber, Z = znumber;
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z - 1; ++k) {
                const auto n = m_vec_z[i][j][k];
                const double w = interp::lowWeight(m_dist_z[i][j][k], m_dist_z[i][j][k + 1]);
                const double Un = interp::atFace(w, xvel[i][j][k], xvel[i][j][k + 1]) * n[0] +
                                  interp::atFace(w, yvel[i][j][k], yvel[i][j][k + 1]) * n[1] +
                                  interp::atFace(w, zvel[i][j][k], zvel[i][j][k + 1]) * n[2];
                const double Dbar = interp::atFace(w, rc.D[i][j][k], rc.D[i][j][k + 1]);
                const FaceLine p{Pres[i][j][k - 1], Pres[i][j][k], Pres[i][j][k + 1], Pres[i][j][k + 2]};
                const bool lowEnd = k == 2 || WallK[i][j][k] == 1;
                const bool highEnd = k == Z - 1 || WallK[i][j][k + 1] == -1;
                const double G = faceGradient(p, lowEnd, highEnd, w, equalWeights);
                flow3[i][j][k] = rhieChowFlux(m_ar_z[i][j][k], Un, rc.c, Dbar, G, p.pH - p.pL);
            }
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j) {
            flow3[i][j][1] = kWaterDensity * (m_ar_z[i][j][1] * kFaceVelocity(i, j, 1, 1));
            flow3[i][j][Z] = kWaterDensity * (m_ar_z[i][j][Z] * kFaceVelocity(i, j, Z + 1, Z));
        }
}

// A cell of one level, by its column.
struct Cell {
    int i, j;
};

// The Rhie-Chow flux between cells L and H of level k, which may lie in
// different lines (the joint faces): the low cell's weight w, the face's area
// and plan normal, and the two cell gradients.
double cellPairFlux(Cell L, Cell H, int k, double w, double A, const double* n, double gL, double gH,
                    const RhieChowWeights& rc) {
    auto atFace = [&](const FieldArray<double, 3>& f) { return interp::atFace(w, f[L.i][L.j][k], f[H.i][H.j][k]); };
    const double Un = atFace(xvel) * n[0] + atFace(yvel) * n[1];
    return rhieChowFlux(A, Un, rc.c, atFace(rc.D), interp::atFace(w, gL, gH), Pres[H.i][H.j][k] - Pres[L.i][L.j][k]);
}

// The joint faces of host column i and its partner cell across side wall
// j = 1 (lowWall) or j = ynumber, at level k: the host column's face next to
// the wall, the joint face, and the partner row's first i-face. Across the
// joint each cell sees the other as its neighbour, with central gradients.
// A partner on the last cell row, or a grid of one cell across, would ask for
// a pressure beyond the boundary cells; the boundary cell's stands in for it.
void jointFaces(int i, Cell partner, int k, bool lowWall, const RhieChowWeights& rc) {
    const int X = xnumber, Y = ynumber;
    // Half the pressure difference from cell `behind` to cell `ahead`.
    auto g = [k](Cell ahead, Cell behind) { return 0.5 * (Pres[ahead.i][ahead.j][k] - Pres[behind.i][behind.j][k]); };
    auto hx = [k](Cell c) { return m_dist_x[c.i][c.j][k]; };
    auto hy = [k](Cell c) { return m_dist_y[c.i][c.j][k]; };
    const Cell next{partner.i + 1, partner.j}, afterNext{std::min(partner.i + 2, X + 1), partner.j};
    Cell side;
    if (lowWall) {
        side = {i, 2};
        const Cell inner{i, 3}, beyond{i, std::min(4, Y + 1)};
        flow2[i][2][k] = cellPairFlux(side, inner, k, interp::lowWeight(hy(side), hy(inner)), m_ar_y[i][2][k],
                                      m_vec_y[i][2], g(inner, partner), g(beyond, side), rc);
        flow2[i][1][k] = cellPairFlux(partner, side, k, interp::lowWeight(hx(partner), hy(side)), m_ar_y[i][1][k],
                                      m_vec_y[i][1], g(side, next), g(inner, partner), rc);
    } else {
        side = {i, Y};
        const Cell inner{i, Y - 1}, beyond{i, Y - 2};
        flow2[i][Y - 1][k] = cellPairFlux(inner, side, k, interp::lowWeight(hy(inner), hy(side)), m_ar_y[i][Y - 1][k],
                                          m_vec_y[i][Y - 1], g(side, beyond), g(partner, inner), rc);
        flow2[i][Y][k] = cellPairFlux(side, partner, k, interp::lowWeight(hy(side), hx(partner)), m_ar_y[i][Y][k],
                                      m_vec_y[i][Y], g(partner, inner), g(next, side), rc);
    }
    flow1[partner.i][partner.j][k] =
        cellPairFlux(partner, next, k, interp::lowWeight(hx(partner), hx(next)), m_ar_x[partner.i][partner.j][k],
                     m_vec_x[partner.i][partner.j], g(next, side), g(afterNext, partner), rc);
}

// F 36 1: no flux through the surface faces of the planes i1..i2.
void closedSurface(int i1, int i2) {
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= ynumber; ++j) flow3[i][j][znumber] = 0.0;
}

// The joint faces of every linked main-block column, then the seam faces.
void multiBlockJoints(const RhieChowWeights& rc) {
    for (int i = 2; i <= xnumber; ++i) {
        if (Pj1MultiBlock[i][0] != 0)
            for (int k = 2; k <= znumber; ++k) jointFaces(i, {Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]}, k, true, rc);
        if (Pj2MultiBlock[i][0] != 0)
            for (int k = 2; k <= znumber; ++k) jointFaces(i, {Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]}, k, false, rc);
    }
    // No mass passes through a seam between blocks.
    for (int b = 1; b <= geometry::attachedBlocks(); ++b)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) flow1[MBSkjot[b]][j][k] = MBFlow[b][0][j][k];
}

// Harmonic mean of two velocities; 0 unless they share a sign, so the face
// velocity lies between them.
double harmonic(double a, double b) { return a * b <= 0.0 ? 0.0 : 2.0 * a * b / (a + b + 1e-20); }

void harmonicIFace(int i, int j) {
    for (int k = 2; k <= znumber; ++k)
        flow1[i][j][k] = planFlux(m_ar_x[i][j][k], harmonic(xvel[i][j][k], xvel[i + 1][j][k]),
                                  harmonic(yvel[i][j][k], yvel[i + 1][j][k]), m_vec_x[i][j]);
}

void harmonicJFace(int i, int j) {
    for (int k = 2; k <= znumber; ++k)
        flow2[i][j][k] = planFlux(m_ar_y[i][j][k], harmonic(xvel[i][j][k], xvel[i][j + 1][k]),
                                  harmonic(yvel[i][j][k], yvel[i][j + 1][k]), m_vec_y[i][j]);
}

// F 113 1: every interior i- and j-face; 2 and 10: the shallow face columns
// only (mean depth of nodes (i, j-1), (i, j) below 0.02 of the distance
// between the two cell centres, from the plan half lengths). The i-face
// columns of the planes i1..min(i2, xnumber-1), the j-face columns of i1..i2.
void harmonicFaces(bool shallowOnly, int i1, int i2) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    auto depth = [Z](int i, int j) {
        return 0.5 * ((zval[i][j - 1][Z] - zval[i][j - 1][1]) + (zval[i][j][Z] - zval[i][j][1]));
    };
    for (int i = i1; i <= std::min(i2, X - 1); ++i)
        for (int j = 2; j <= Y; ++j)
            if (!shallowOnly || depth(i, j) / (m_dist_x[i][j][0] + m_dist_x[i + 1][j][0]) < 0.02) harmonicIFace(i, j);
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y - 1; ++j)
            if (!shallowOnly || depth(i, j) / (m_dist_y[i][j][0] + m_dist_y[i][j + 1][0]) < 0.02) harmonicJFace(i, j);
}

}  // namespace

void blockedBoxFaces() {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j)
                for (int k = b.k1; k <= b.k2; ++k) {
                    flow1[i - 1][j][k] = flow1[i][j][k] = 0.0;
                    flow2[i][j - 1][k] = flow2[i][j][k] = 0.0;
                    flow3[i][j][k - 1] = flow3[i][j][k] = 0.0;
                }
    }
}

namespace {

// F 113 3: a face column whose target bed level lies above the bed carries
// (min(1, rise / depth))^5 of its flux.
double bedStepFactor(int i1, int j1, int i2, int j2, double depth) {
    const double zb = 0.5 * (zval[i1][j1][1] + zval[i2][j2][1]);
    const double z0 = 0.5 * (zval[i1][j1][0] + zval[i2][j2][0]);
    if (z0 <= zb) return 1.0;
    return std::pow(std::min(1.0, (z0 - zb) / depth), 5);
}

// The i-face columns of the planes i1..min(i2, xnumber-1), the j-face columns of i1..i2.
void bedSteps(int i1, int i2) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = i1; i <= std::min(i2, X - 1); ++i)
        for (int j = 2; j <= Y; ++j) {
            const double f = bedStepFactor(i, j - 1, i, j, 2.0 * m_dist_z[i][j][0]);
            if (f != 1.0)
                for (int k = 2; k <= Z; ++k) flow1[i][j][k] *= f;
        }
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const double f = bedStepFactor(i - 1, j, i, j, 2.0 * m_dist_z[i][j][0]);
            if (f != 1.0)
                for (int k = 2; k <= Z; ++k) flow2[i][j][k] *= f;
        }
}

}  // namespace

void closeWallFaces() { closeWallFacesOf(2, xnumber); }

void closeWallFacesOf(int i1, int i2) {
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (WallI[i][j][k] == 1 && (i > i1 || i1 == 2)) flow1[i - 1][j][k] = 0.0;
                if (WallI[i][j][k] == -1) flow1[i][j][k] = 0.0;
                if (WallJ[i][j][k] == 1) flow2[i][j - 1][k] = 0.0;
                if (WallJ[i][j][k] == -1) flow2[i][j][k] = 0.0;
                if (WallK[i][j][k] == 1) flow3[i][j][k - 1] = 0.0;
                if (WallK[i][j][k] == -1) flow3[i][j][k] = 0.0;
            }
    // The last face of the planes, closed by the cell after it.
    if (i1 <= i2 && i2 < xnumber)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (WallI[i2 + 1][j][k] == 1) flow1[i2][j][k] = 0.0;
}

void waterflow() {
    const RhieChowWeights rc = rhieChowWeights();
    const bool equalWeights = FlagRhieChow == 6;
    const int X = xnumber;
    iFaces(rc, equalWeights, 2, X - 1);
    inflowFace();
    outflowFace();
    if (!equalWeights && FlagCyclicF == 2) cyclicCopy();
    jFaces(rc, equalWeights, 2, X);
    kFaces(rc, equalWeights, 2, X);
    if (FlagTFS == 1) closedSurface(2, X);
    if (MBNo > 0) multiBlockJoints(rc);
    if (FlagRhieChow == 1) harmonicFaces(false, 2, X);
    if (FlagRhieChow == 2 || FlagRhieChow == 10) harmonicFaces(true, 2, X);
    closeWallFaces();
    blockedBoxFaces();
    if (FlagRhieChow == 3) bedSteps(2, X);
}

// The faces of one block. The cyclic copy, the joint faces and the seam faces
// write faces that other blocks compute in their plain loops, and the harmonic
// and bed-step passes must see them: after a barrier of the team, thread 0
// writes them for the whole grid, and after a second barrier every block goes
// on with its own passes. The wall and blocked-box zeroing follows the region
// (waterflowCleanUp). The bed-step factor is positive, so zeroing before or
// after it gives the same value.
void waterflowOpenMP(int first_i, int last_i) {
    const RhieChowWeights rc = rhieChowWeights();
    const bool equalWeights = FlagRhieChow == 6;
    const int X = xnumber;
    const int t = omp_get_thread_num();
    iFaces(rc, equalWeights, first_i, std::min(last_i, X - 1));
    if (t == 0) inflowFace();
    if (t == NoProcessesSolver - 1) outflowFace();
    jFaces(rc, equalWeights, first_i, last_i);
    kFaces(rc, equalWeights, first_i, last_i);
    if (FlagTFS == 1) closedSurface(first_i, last_i);
    const bool cyclic = !equalWeights && FlagCyclicF == 2;
    if (cyclic || MBNo > 0) {
        par::barrier();
        if (t == 0) {
            if (cyclic) cyclicCopy();
            if (MBNo > 0) multiBlockJoints(rc);
        }
        par::barrier();
    }
    if (FlagRhieChow == 1) harmonicFaces(false, first_i, last_i);
    if (FlagRhieChow == 2 || FlagRhieChow == 10) harmonicFaces(true, first_i, last_i);
    if (FlagRhieChow == 3) bedSteps(first_i, last_i);
}

void waterflowCleanUp() {
    closeWallFaces();
    blockedBoxFaces();
}

void faceFluxes() {
    if (!flowpar::threaded(flowpar::kFluxes)) {
        flowSteps.waterflow();  // through the driver's table, so that tests may hold the fluxes
        return;
    }
    flowpar::dispatchBlocks("waterflowOpenMP", waterflowOpenMP);
    waterflowCleanUp();
}
