// Face mass fluxes flow1, flow2, flow3 by Rhie-Chow interpolation, computed
// afresh on every face of the domain on one thread.
#include <algorithm>
#include <cmath>

#include "control/engine.h"
#include "flow3d/flow3d.h"
#include "flow3d/interp.h"
#include "grid/geometry.h"

namespace {

constexpr double kRho = 1000.0;

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
    return kRho * (A * Un + c * A * A * (Dbar / relaxVelocity) * (G - dP));
}

// A face between two cells of possibly different lines (the joint faces):
// the low cell's weight w, the horizontal velocities and weights of both
// cells, the two cell gradients and the pressure difference across the face.
struct PlainFace {
    double A, nx, ny, w;
    double uL, vL, uH, vH, DL, DH;
    double gL, gH, dP;
};

double plainFaceFlux(const PlainFace& f, double c) {
    const double Un = interp::atFace(f.w, f.uL, f.uH) * f.nx + interp::atFace(f.w, f.vL, f.vH) * f.ny;
    return rhieChowFlux(f.A, Un, c, interp::atFace(f.w, f.DL, f.DH), interp::atFace(f.w, f.gL, f.gH), f.dP);
}

void iFaces(const RhieChowWeights& rc, bool equalWeights) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X - 1; ++i)
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
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) {
            flow1[1][j][k] = kRho * (m_ar_x[1][j][k] * (xvel[1][j][k] * m_vec_x[1][j][0] + yvel[1][j][k] * m_vec_x[1][j][1]));
            flow1[X][j][k] =
                kRho * (m_ar_x[X][j][k] * (xvel[X + 1][j][k] * m_vec_x[X][j][0] + yvel[X + 1][j][k] * m_vec_x[X][j][1]));
        }
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

void jFaces(const RhieChowWeights& rc, bool equalWeights) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
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
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            flow2[i][1][k] = kRho * (m_ar_y[i][1][k] * (xvel[i][1][k] * m_vec_y[i][1][0] + yvel[i][1][k] * m_vec_y[i][1][1]));
            flow2[i][Y][k] =
                kRho * (m_ar_y[i][Y][k] * (xvel[i][Y + 1][k] * m_vec_y[i][Y][0] + yvel[i][Y + 1][k] * m_vec_y[i][Y][1]));
        }
}

double kFaceVelocity(int i, int j, int cell, int face) {
    const auto n = m_vec_z[i][j][face];
    return xvel[i][j][cell] * n[0] + yvel[i][j][cell] * n[1] + zvel[i][j][cell] * n[2];
}

void kFaces(const RhieChowWeights& rc, bool equalWeights) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
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
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            flow3[i][j][1] = kRho * (m_ar_z[i][j][1] * kFaceVelocity(i, j, 1, 1));
            flow3[i][j][Z] = kRho * (m_ar_z[i][j][Z] * kFaceVelocity(i, j, Z + 1, Z));
        }
}

// The joint faces of host column i and its partner (p, q) at level k, across
// side wall j = 1 (low) or j = ynumber (high). A partner on the last cell
// row, or a grid of one cell across, would ask for a pressure beyond the
// boundary cells; the boundary cell's pressure stands in for it.
void jointFaces(int i, int p, int q, int k, bool lowWall, const RhieChowWeights& rc) {
    const int X = xnumber, Y = ynumber;
    auto P = [k](int a, int b) { return Pres[a][b][k]; };
    auto u = [k](int a, int b) { return xvel[a][b][k]; };
    auto v = [k](int a, int b) { return yvel[a][b][k]; };
    auto D = [&rc, k](int a, int b) { return rc.D[a][b][k]; };
    const int p2 = std::min(p + 2, X + 1);
    // The host column's face next to the wall, then the joint face; the
    // partner's pressure stands for the cell beyond the wall.
    if (lowWall) {
        const int j4 = std::min(4, Y + 1);
        flow2[i][2][k] = plainFaceFlux(
            {m_ar_y[i][2][k], m_vec_y[i][2][0], m_vec_y[i][2][1], interp::lowWeight(m_dist_y[i][2][k], m_dist_y[i][3][k]),
             u(i, 2), v(i, 2), u(i, 3), v(i, 3), D(i, 2), D(i, 3), 0.5 * (P(i, 3) - P(p, q)), 0.5 * (P(i, j4) - P(i, 2)),
             P(i, 3) - P(i, 2)},
            rc.c);
        flow2[i][1][k] = plainFaceFlux(
            {m_ar_y[i][1][k], m_vec_y[i][1][0], m_vec_y[i][1][1], interp::lowWeight(m_dist_x[p][q][k], m_dist_y[i][2][k]),
             u(p, q), v(p, q), u(i, 2), v(i, 2), D(p, q), D(i, 2), 0.5 * (P(i, 2) - P(p + 1, q)),
             0.5 * (P(i, 3) - P(p, q)), P(i, 2) - P(p, q)},
            rc.c);
    } else {
        flow2[i][Y - 1][k] = plainFaceFlux(
            {m_ar_y[i][Y - 1][k], m_vec_y[i][Y - 1][0], m_vec_y[i][Y - 1][1],
             interp::lowWeight(m_dist_y[i][Y - 1][k], m_dist_y[i][Y][k]), u(i, Y - 1), v(i, Y - 1), u(i, Y), v(i, Y),
             D(i, Y - 1), D(i, Y), 0.5 * (P(i, Y) - P(i, Y - 2)), 0.5 * (P(p, q) - P(i, Y - 1)), P(i, Y) - P(i, Y - 1)},
            rc.c);
        flow2[i][Y][k] = plainFaceFlux(
            {m_ar_y[i][Y][k], m_vec_y[i][Y][0], m_vec_y[i][Y][1], interp::lowWeight(m_dist_y[i][Y][k], m_dist_x[p][q][k]),
             u(i, Y), v(i, Y), u(p, q), v(p, q), D(i, Y), D(p, q), 0.5 * (P(p, q) - P(i, Y - 1)),
             0.5 * (P(p + 1, q) - P(i, Y)), P(p, q) - P(i, Y)},
            rc.c);
    }
    // The partner row's first i-face; the host cell is the partner's neighbour below.
    const int host = lowWall ? 2 : Y;
    flow1[p][q][k] = plainFaceFlux(
        {m_ar_x[p][q][k], m_vec_x[p][q][0], m_vec_x[p][q][1], interp::lowWeight(m_dist_x[p][q][k], m_dist_x[p + 1][q][k]),
         u(p, q), v(p, q), u(p + 1, q), v(p + 1, q), D(p, q), D(p + 1, q), 0.5 * (P(p + 1, q) - P(i, host)),
         0.5 * (P(p2, q) - P(p, q)), P(p + 1, q) - P(p, q)},
        rc.c);
}

void multiBlockJoints(const RhieChowWeights& rc) {
    for (int i = 2; i <= xnumber; ++i) {
        if (Pj1MultiBlock[i][0] != 0)
            for (int k = 2; k <= znumber; ++k) jointFaces(i, Pj1MultiBlock[i][0], Pj1MultiBlock[i][1], k, true, rc);
        if (Pj2MultiBlock[i][0] != 0)
            for (int k = 2; k <= znumber; ++k) jointFaces(i, Pj2MultiBlock[i][0], Pj2MultiBlock[i][1], k, false, rc);
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
    const double nx = m_vec_x[i][j][0], ny = m_vec_x[i][j][1];
    for (int k = 2; k <= znumber; ++k)
        flow1[i][j][k] = kRho * m_ar_x[i][j][k] * (harmonic(xvel[i][j][k], xvel[i + 1][j][k]) * nx + harmonic(yvel[i][j][k], yvel[i + 1][j][k]) * ny);
}

void harmonicJFace(int i, int j) {
    const double nx = m_vec_y[i][j][0], ny = m_vec_y[i][j][1];
    for (int k = 2; k <= znumber; ++k)
        flow2[i][j][k] = kRho * m_ar_y[i][j][k] *
                         (harmonic(xvel[i][j][k], xvel[i][j + 1][k]) * nx + harmonic(yvel[i][j][k], yvel[i][j + 1][k]) * ny);
}

// F 113 1: every interior i- and j-face; 2 and 10: the shallow face columns
// only (mean depth of nodes (i, j-1), (i, j) below 0.02 of the distance
// between the two cell centres, from the plan half lengths).
void harmonicFaces(bool shallowOnly) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    auto depth = [Z](int i, int j) {
        return 0.5 * ((zval[i][j - 1][Z] - zval[i][j - 1][1]) + (zval[i][j][Z] - zval[i][j][1]));
    };
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j)
            if (!shallowOnly || depth(i, j) / (m_dist_x[i][j][0] + m_dist_x[i + 1][j][0]) < 0.02) harmonicIFace(i, j);
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j)
            if (!shallowOnly || depth(i, j) / (m_dist_y[i][j][0] + m_dist_y[i][j + 1][0]) < 0.02) harmonicJFace(i, j);
}

void wallFaces() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (WallI[i][j][k] == 1) flow1[i - 1][j][k] = 0.0;
                if (WallI[i][j][k] == -1) flow1[i][j][k] = 0.0;
                if (WallJ[i][j][k] == 1) flow2[i][j - 1][k] = 0.0;
                if (WallJ[i][j][k] == -1) flow2[i][j][k] = 0.0;
                if (WallK[i][j][k] == 1) flow3[i][j][k - 1] = 0.0;
                if (WallK[i][j][k] == -1) flow3[i][j][k] = 0.0;
            }
}

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

// F 113 3: a face column whose target bed level lies above the bed carries
// (min(1, rise / depth))^5 of its flux.
double bedStepFactor(int i1, int j1, int i2, int j2, double depth) {
    const double zb = 0.5 * (zval[i1][j1][1] + zval[i2][j2][1]);
    const double z0 = 0.5 * (zval[i1][j1][0] + zval[i2][j2][0]);
    if (z0 <= zb) return 1.0;
    return std::pow(std::min(1.0, (z0 - zb) / depth), 5);
}

void bedSteps() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j) {
            const double f = bedStepFactor(i, j - 1, i, j, 2.0 * m_dist_z[i][j][0]);
            if (f != 1.0)
                for (int k = 2; k <= Z; ++k) flow1[i][j][k] *= f;
        }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const double f = bedStepFactor(i - 1, j, i, j, 2.0 * m_dist_z[i][j][0]);
            if (f != 1.0)
                for (int k = 2; k <= Z; ++k) flow2[i][j][k] *= f;
        }
}

}  // namespace

void waterflow() {
    const RhieChowWeights rc = rhieChowWeights();
    const bool equalWeights = FlagRhieChow == 6;
    iFaces(rc, equalWeights);
    if (!equalWeights && FlagCyclicF == 2) cyclicCopy();
    jFaces(rc, equalWeights);
    kFaces(rc, equalWeights);
    if (FlagTFS == 1)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) flow3[i][j][znumber] = 0.0;
    if (MBNo > 0) multiBlockJoints(rc);
    if (FlagRhieChow == 1) harmonicFaces(false);
    if (FlagRhieChow == 2 || FlagRhieChow == 10) harmonicFaces(true);
    wallFaces();
    blockedBoxFaces();
    if (FlagRhieChow == 3) bedSteps();
}
