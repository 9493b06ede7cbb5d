// Face mass fluxes of the depth-averaged plane: interpolated velocity fluxes
// with the Rhie-Chow pressure term, the faces next to block joins computed
// across the join, then walls, blocked columns and blocked boxes closed.
#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/kernels.h"
#include "flow3d/flow3d.h"
#include "surface2d/faces2d.h"
#include "surface2d/joints2d.h"
#include "surface2d/plane2d.h"
#include "surface2d/surface2d.h"

using faces2d::Face;
using joints2d::Cell;

namespace {

struct Plane {
    const FieldArray<double, 3>& W;  // Rhie-Chow weights
    double scale;                    // |RelaxRhieChow|

    double P(Cell c) const { return Pres[c.i][c.j][0]; }

    // The face between L and H; the caller fills the distances, the area,
    // the normal and the pressure differences.
    Face face(Cell L, Cell H) const {
        Face f{};
        f.WL = W[L.i][L.j][0];
        f.WH = W[H.i][H.j][0];
        f.uL = xvel[L.i][L.j][0];
        f.vL = yvel[L.i][L.j][0];
        f.uH = xvel[H.i][H.j][0];
        f.vH = yvel[H.i][H.j][0];
        f.pL = P(L);
        f.pH = P(H);
        return f;
    }
    double flux(const Face& f) const { return faces2d::rhieChowFlux(f, scale, relaxVelocity); }
};

// i-face i of row j: cells i and i+1 along the i-line.
Face iFace(const Plane& p, int i, int j) {
    Face f = p.face({i, j}, {i + 1, j});
    f.dL = m_dist_x[i][j][0];
    f.dH = m_dist_x[i + 1][j][0];
    f.area = m_ar_x[i][j][0];
    f.nx = m_vec_x[i][j][0];
    f.ny = m_vec_x[i][j][1];
    return f;
}

// j-face j of column i: cells j and j+1 along the j-line.
Face jFace(const Plane& p, int i, int j) {
    Face f = p.face({i, j}, {i, j + 1});
    f.dL = m_dist_y[i][j][0];
    f.dH = m_dist_y[i][j + 1][0];
    f.area = m_ar_y[i][j][0];
    f.nx = m_vec_y[i][j][0];
    f.ny = m_vec_y[i][j][1];
    return f;
}

// Pressure differences along a line: central, with at most one one-sided
// replacement, the low cell tested first. P0..P3 are the pressures of cells
// m-1, m, m+1, m+2.
void lineDifferences(Face& f, const double (&P)[4], bool lowEnd, bool highEnd) {
    f.gL = faces2d::central(P[0], P[2]);
    f.gH = faces2d::central(P[1], P[3]);
    if (lowEnd)
        f.gL = faces2d::forwardAtLow(P[1], P[2], P[3]);
    else if (highEnd)
        f.gH = faces2d::backwardAtHigh(P[0], P[1], P[2]);
}

// The velocity flux of boundary cell c through a face of area A and normal n.
double boundaryFlux(Cell c, double A, const double* n) {
    return kWaterDensity * A * (xvel[c.i][c.j][0] * n[0] + yvel[c.i][c.j][0] * n[1]);
}

void interiorFaces(const Plane& p) {
    const int X = xnumber, Y = ynumber;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j) {
            Face f = iFace(p, i, j);
            const double P[4] = {Pres[i - 1][j][0], Pres[i][j][0], Pres[i + 1][j][0], Pres[i + 2][j][0]};
            lineDifferences(f, P, i == 2 || WallI[i][j][2] == 1,
                            i + 1 == X || WallI[i + 1][j][2] == -1 || ISkjotMB[i + 1] == 1);
            flow1[i][j][0] = p.flux(f);
        }
    for (int j = 2; j <= Y; ++j) {
        flow1[1][j][0] = boundaryFlux({1, j}, m_ar_x[1][j][0], &m_vec_x[1][j][0]);
        flow1[X][j][0] = boundaryFlux({X + 1, j}, m_ar_x[X][j][0], &m_vec_x[X][j][0]);
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            Face f = jFace(p, i, j);
            const double P[4] = {Pres[i][j - 1][0], Pres[i][j][0], Pres[i][j + 1][0], Pres[i][j + 2][0]};
            lineDifferences(f, P, j == 2 || WallJ[i][j][2] == 1, j + 1 == Y || WallJ[i][j + 1][2] == -1);
            flow2[i][j][0] = p.flux(f);
        }
    for (int i = 2; i <= X; ++i) {
        flow2[i][1][0] = boundaryFlux({i, 1}, m_ar_y[i][1][0], &m_vec_y[i][1][0]);
        flow2[i][Y][0] = boundaryFlux({i, Y + 1}, m_ar_y[i][Y][0], &m_vec_y[i][Y][0]);
    }
}

// The partner's face towards its next cell inward, with the host cell M as
// its i-1 neighbour. Only an interior face: a partner in the last cell row
// keeps the velocity flux of the boundary face.
void partnerFace(const Plane& p, Cell B, Cell M) {
    if (B.i >= xnumber) return;
    Face f = iFace(p, B.i, B.j);
    f.gL = faces2d::central(p.P(M), Pres[B.i + 1][B.j][0]);
    f.gH = faces2d::central(p.P(B), Pres[B.i + 2][B.j][0]);
    flow1[B.i][B.j][0] = p.flux(f);
}

// The three faces next to the join of host column i across wall j = 1: the
// face after the host cell, the join face, and the partner's own i-face; every
// difference central, the partner standing in for the missing neighbour.
void lowJoin(const Plane& p, int i, Cell B) {
    const Cell M{i, 2}, in{i, 3}, inward{B.i + 1, B.j};
    Face inner = jFace(p, i, 2);
    inner.gL = faces2d::central(p.P(B), p.P(in));
    inner.gH = faces2d::central(p.P(M), Pres[i][4][0]);
    flow2[i][2][0] = p.flux(inner);
    Face join = p.face(B, M);
    join.dL = m_dist_x[B.i][B.j][0];
    join.dH = m_dist_y[i][2][0];
    join.area = m_ar_y[i][1][0];
    join.nx = m_vec_y[i][1][0];
    join.ny = m_vec_y[i][1][1];
    join.gL = faces2d::central(p.P(inward), p.P(M));
    join.gH = faces2d::central(p.P(B), p.P(in));
    flow2[i][1][0] = p.flux(join);
    partnerFace(p, B, M);
}

// The same across wall j = ynumber.
void highJoin(const Plane& p, int i, Cell B) {
    const int Y = ynumber;
    const Cell M{i, Y}, in{i, Y - 1}, inward{B.i + 1, B.j};
    Face inner = jFace(p, i, Y - 1);
    inner.gL = faces2d::central(Pres[i][Y - 2][0], p.P(M));
    inner.gH = faces2d::central(p.P(in), p.P(B));
    flow2[i][Y - 1][0] = p.flux(inner);
    Face join = p.face(M, B);
    join.dL = m_dist_y[i][Y][0];
    join.dH = m_dist_x[B.i][B.j][0];
    join.area = m_ar_y[i][Y][0];
    join.nx = m_vec_y[i][Y][0];
    join.ny = m_vec_y[i][Y][1];
    join.gL = faces2d::central(p.P(in), p.P(B));
    join.gH = faces2d::central(p.P(M), p.P(inward));
    flow2[i][Y][0] = p.flux(join);
    partnerFace(p, B, M);
}

void joins(const Plane& p) {
    for (int i = 2; i <= xnumber; ++i) {
        if (const Cell B = joints2d::lowPartner(i); !B.none()) lowJoin(p, i, B);
        if (const Cell B = joints2d::highPartner(i); !B.none()) highJoin(p, i, B);
    }
    for (int b = 1; b <= joints2d::blocks(); ++b)
        for (int j = 2; j <= ynumber; ++j) flow1[MBSkjot[b]][j][0] = MBFlow[b][0][j][0];
}

}  // namespace

void waterflow2D() {
    plane2d::checkPlane("waterflow2D");
    const FieldArray<double, 3>& W = plane2d::rhieChowWeights("waterflow2D");
    const Plane p{W, std::fabs(RelaxRhieChow)};
    interiorFaces(p);
    if (MBNo > 0) joins(p);
    plane2d::closeWalls();
    if (FlagTFS != 0) plane2d::closeBlockedColumns();
    plane2d::closeBoxes(false);
}
