// Pressure correction of the depth-averaged plane: the p' equation from the
// mass imbalance of the face fluxes, and the corrections of fluxes,
// velocities and pressure with the solved p'.
#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "grid/geometry.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/kernels.h"
#include "flow3d/flow3d.h"
#include "surface2d/faces2d.h"
#include "surface2d/joints2d.h"
#include "surface2d/plane2d.h"
#include "surface2d/surface2d.h"

using joints2d::Cell;

namespace {

// Conductance of p' across a face: 1000 A^2 times the face weight.
inline double conductance(double area, double faceWeight) { return kWaterDensity * area * area * faceWeight; }

// Face weights of the i-face i, the j-face j and the join face of host cell
// M with partner B, from the weight array W.
double iFaceWeight(const FieldArray<double, 3>& W, int i, int j) {
    return faces2d::interpolate(W[i][j][0], W[i + 1][j][0], m_dist_x[i][j][0], m_dist_x[i + 1][j][0]);
}
double jFaceWeight(const FieldArray<double, 3>& W, int i, int j) {
    return faces2d::interpolate(W[i][j][0], W[i][j + 1][0], m_dist_y[i][j][0], m_dist_y[i][j + 1][0]);
}
double joinFaceWeight(const FieldArray<double, 3>& W, Cell M, Cell B) {
    return faces2d::interpolate(W[B.i][B.j][0], W[M.i][M.j][0], m_dist_x[B.i][B.j][0], m_dist_y[M.i][M.j][0]);
}

// The weights of the p' couplings and the corrections alike: invAPC
// (SIMPLEC) when simple is not 'Y' and it exists, else invAP, so that the
// corrected fluxes satisfy the continuity that p' was solved for.
const FieldArray<double, 3>& correctionWeights() {
    return simple != 'Y' && !invAPC.isNull() ? invAPC : invAP;
}

// p' of cell c.
double correctionAt(Cell c) { return f[c.i][c.j][0]; }

}  // namespace

void pressure_correction2D() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    plane2d::checkPlane("pressure_correction2D");
    eqk::checkField(f, "f", "pressure_correction2D");
    const int X = xnumber, Y = ynumber;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j)
            aw[i][j][0] = ae[i + 1][j][0] = conductance(m_ar_x[i][j][0], iFaceWeight(correctionWeights(), i, j));
    for (int j = 2; j <= Y; ++j) {
        ae[2][j][0] = 0.0;
        aw[X][j][0] = 0.0;
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j)
            an[i][j][0] = as[i][j + 1][0] = conductance(m_ar_y[i][j][0], jFaceWeight(correctionWeights(), i, j));
    for (int i = 2; i <= X; ++i) {
        as[i][2][0] = 0.0;
        an[i][Y][0] = 0.0;
    }
    if (MBNo > 0)
        for (int i = 2; i <= X; ++i) {
            if (const Cell B = joints2d::lowPartner(i); !B.none())
                as[i][2][0] = ae[B.i][B.j][0] = conductance(m_ar_y[i][1][0], joinFaceWeight(correctionWeights(), {i, 2}, B));
            if (const Cell B = joints2d::highPartner(i); !B.none())
                an[i][Y][0] = ae[B.i][B.j][0] = conductance(m_ar_y[i][Y][0], joinFaceWeight(correctionWeights(), {i, Y}, B));
        }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            if (WallI[i][j][2] == 1) ae[i][j][0] = 0.0;
            if (WallI[i][j][2] == -1) aw[i][j][0] = 0.0;
            if (WallJ[i][j][2] == 1) as[i][j][0] = 0.0;
            if (WallJ[i][j][2] == -1) an[i][j][0] = 0.0;
        }
    for (int b = 1; b <= joints2d::blocks(); ++b)
        for (int j = 2; j <= Y; ++j) aw[MBSkjot[b]][j][0] = 0.0;
    // Inflow minus outflow of every cell (kg/s).
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            source[i][j][0] = -(flow1[i][j][0] - flow1[i - 1][j][0] + flow2[i][j][0] - flow2[i][j - 1][0]);
    // A partner's low i-face is the join face of its host column.
    if (MBNo > 0)
        for (int i = 2; i <= X; ++i) {
            if (const Cell B = joints2d::lowPartner(i); !B.none())
                source[B.i][B.j][0] = -(flow1[B.i][B.j][0] + flow2[i][1][0] + flow2[B.i][B.j][0] -
                                        flow2[B.i][B.j - 1][0]);
            if (const Cell B = joints2d::highPartner(i); !B.none())
                source[B.i][B.j][0] = -(flow1[B.i][B.j][0] - flow2[i][Y][0] + flow2[B.i][B.j][0] -
                                        flow2[B.i][B.j - 1][0]);
        }
}

namespace {

void correctFaces(const FieldArray<double, 3>& W) {
    const int X = xnumber, Y = ynumber;
    // The seam faces keep the joint flux: the p' equation has no coupling
    // across them, so a correction there would move mass that no cell's
    // balance accounts for.
    for (int i = 2; i <= X - 1; ++i) {
        if (joints2d::seam(i)) continue;
        for (int j = 2; j <= Y; ++j)
            flow1[i][j][0] += conductance(m_ar_x[i][j][0], iFaceWeight(W, i, j)) * (f[i][j][0] - f[i + 1][j][0]);
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j)
            flow2[i][j][0] += conductance(m_ar_y[i][j][0], jFaceWeight(W, i, j)) * (f[i][j][0] - f[i][j + 1][0]);
    if (MBNo > 0)
        for (int i = 2; i <= X; ++i) {
            if (const Cell B = joints2d::lowPartner(i); !B.none())
                flow2[i][1][0] +=
                    conductance(m_ar_y[i][1][0], joinFaceWeight(W, {i, 2}, B)) * (correctionAt(B) - f[i][2][0]);
            if (const Cell B = joints2d::highPartner(i); !B.none())
                flow2[i][Y][0] +=
                    conductance(m_ar_y[i][Y][0], joinFaceWeight(W, {i, Y}, B)) * (f[i][Y][0] - correctionAt(B));
        }
}

// A cell whose four fluxes all carry water out of it gets its high-i flux
// reversed (single-block grids with F 7 E).
void checkDirections(Log& log) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (flow1[i][j][0] >= 0.0 && flow1[i - 1][j][0] < 0.0 && flow2[i][j][0] >= 0.0 &&
                flow2[i][j - 1][0] <= 0.0) {
                flow1[i][j][0] = -flow1[i][j][0];
                log.printf("Warning, corrected direction of flow1(%d,%d,0) = %lf\n", i, j, flow1[i][j][0]);
            }
}

// Thin water: with the options 2, 3 and 4 of F 151 a single-block grid
// corrects only the columns whose target bed (level 0) lies below the bed.
bool velocityCorrected(int i, int j) {
    if (MBNo > 0 || (FlagTSCMinDepth != 2 && FlagTSCMinDepth != 3 && FlagTSCMinDepth != 4)) return true;
    const double target = (zval[i - 1][j - 1][0] + zval[i][j - 1][0] + zval[i - 1][j][0] + zval[i][j][0]) / 4.0;
    const double bed = (zval[i - 1][j - 1][1] + zval[i][j - 1][1] + zval[i - 1][j][1] + zval[i][j][1]) / 4.0;
    return target < bed + 1e-6;
}

// p' difference across cell (i, j) along i and along j.
double differenceI(int i, int j) {
    if (i == 2 || WallI[i][j][2] == 1) return f[i + 1][j][0] - f[i][j][0];
    if (WallI[i][j][2] == -1 || i == xnumber || ISkjotMB[i] == 1) return f[i][j][0] - f[i - 1][j][0];
    if (const Cell h = joints2d::hostOf(i, j); !h.none() && (h.j == 2 || h.j == ynumber))
        return (f[i + 1][j][0] - correctionAt(h)) / 2.0;
    return (f[i + 1][j][0] - f[i - 1][j][0]) / 2.0;
}

double differenceJ(int i, int j) {
    const int Y = ynumber;
    if (WallJ[i][j][2] == 1) return f[i][j + 1][0] - f[i][j][0];
    if (WallJ[i][j][2] == -1) return f[i][j][0] - f[i][j - 1][0];
    if (j == 2)
        if (const Cell B = joints2d::lowPartner(i); !B.none()) return (f[i][3][0] - correctionAt(B)) / 2.0;
    if (j == Y)
        if (const Cell B = joints2d::highPartner(i); !B.none()) return (correctionAt(B) - f[i][Y - 1][0]) / 2.0;
    if (j == 2) return f[i][j + 1][0] - f[i][j][0];
    if (j == Y) return f[i][j][0] - f[i][j - 1][0];
    return (f[i][j + 1][0] - f[i][j - 1][0]) / 2.0;
}

// Mean area of the cell's two i-faces; a partner's low i-face is its join face.
double meanAreaI(int i, int j) {
    if (const Cell h = joints2d::hostOf(i, j); !h.none() && (h.j == 2 || h.j == ynumber))
        return (m_ar_x[i][j][0] + m_ar_y[h.i][joints2d::joinFace(h.j)][0]) / 2.0;
    return (m_ar_x[i - 1][j][0] + m_ar_x[i][j][0]) / 2.0;
}

void correctVelocities(const FieldArray<double, 3>& W) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (!velocityCorrected(i, j)) continue;
            const double Di = differenceI(i, j), Dj = differenceJ(i, j);
            const double Ax = meanAreaI(i, j), Ay = (m_ar_y[i][j - 1][0] + m_ar_y[i][j][0]) / 2.0;
            const double V = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][0]);
            const double w = W[i][j][0];
            xvel[i][j][0] -= (w * Ax * Ax * dx1[i][j] * Di + w * Ay * Ay * dx2[i][j] * Dj) / V;
            yvel[i][j][0] -= (w * Ax * Ax * dy1[i][j] * Di + w * Ay * Ay * dy2[i][j] * Dj) / V;
        }
}

}  // namespace

void SimpleCorrections2D() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    plane2d::checkPlane("SimpleCorrections2D");
    eqk::checkField(f, "f", "SimpleCorrections2D");
    const FieldArray<double, 3>& W = correctionWeights();
    correctFaces(W);
    plane2d::closeWalls();
    if (FlagFlowDirCor == 1 && MBNo == 0) checkDirections(log);
    correctVelocities(W);
    plane2d::closeBoxes(true);
    if (FlagTFS != 0) plane2d::closeBlockedColumns();
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) Pres[i][j][0] += relaxPressure * f[i][j][0];
}
