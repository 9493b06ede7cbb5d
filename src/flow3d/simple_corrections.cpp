// SIMPLE and SIMPLEC corrections: the solved p' (in the workspace array f)
// corrects the face mass fluxes, the cell velocities through the grid metric,
// and, under-relaxed, the pressure.
#include <omp.h>

#include <algorithm>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/kernels.h"
#include "equations/parallel.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/porous.h"
#include "flow3d/pressure_coupling.h"
#include "grid/geometry.h"

namespace {

// How the cell velocities take the p' gradient.
enum class Variant {
    FirstOrder,   // one-sided first-order differences at the ends and walls
    SecondOrder,  // second-order one-sided in j and at the bed (F 46 above 10)
    DeepColumns,  // as FirstOrder, only in columns deeper than TSCMinDepth
    Joints,       // multi-block grids: differences across the block joints
};

Variant velocityVariant() {
    if (MBNo > 0) return Variant::Joints;
    if (FlagTSC >= 1 && FlagTSCMinDepth >= 2 && FlagTSCMinDepth <= 4) return Variant::DeepColumns;
    return FlagPresGrad <= 10 ? Variant::FirstOrder : Variant::SecondOrder;
}

bool depthFilter() { return FlagTSCMinDepth >= 2 && FlagTSCMinDepth <= 4; }

// Column (i, j) is deeper than TSCMinDepth (its mean target bed level below
// its mean surface level by more than that).
bool deepColumn(int i, int j) {
    const int Z = znumber;
    const double bed = 0.25 * (zval[i - 1][j - 1][0] + zval[i][j - 1][0] + zval[i - 1][j][0] + zval[i][j][0]);
    const double top = 0.25 * (zval[i - 1][j - 1][Z] + zval[i][j - 1][Z] + zval[i - 1][j][Z] + zval[i][j][Z]);
    return bed < top - TSCMinDepth;
}

// Difference of p' across a cell from its values at -1, 0, +1: forward at the
// low end, backward at the high end, else central.
inline double across(double m, double c, double p, bool lowEnd, bool highEnd) {
    if (lowEnd) return p - c;
    if (highEnd) return c - m;
    return 0.5 * (p - m);
}
// The same with second-order one-sided differences at the ends (values at
// -2..+2).
inline double across2(double mm, double m, double c, double p, double pp, bool lowEnd, bool highEnd) {
    if (lowEnd) return 2.0 * p - 1.5 * c - 0.5 * pp;
    if (highEnd) return 1.5 * c - 2.0 * m + 0.5 * mm;
    return 0.5 * (p - m);
}

// The face fluxes of the planes i1..i2 (the i-faces on their high sides).
void correctFluxes(const FieldArray<double, 3>& C, int kT, int i1, int i2) {
    const int X = xnumber, Y = ynumber;
    const auto& p = f;
    const bool filter = depthFilter();
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j) {
            if (filter && !deepColumn(i, j)) continue;
            // No mass passes a seam face (the face before an attached block's
            // first row): the p' equation has no coupling through it either.
            if (i <= X - 1 && geometry::blocksJoinedAtRow(i + 1) == 0)
                for (int k = 2; k <= kT; ++k)
                    flow1[i][j][k] += (p[i][j][k] - p[i + 1][j][k]) *
                                      pressureCoupling(m_ar_x[i][j][k], C[i][j][k], C[i + 1][j][k],
                                                       m_dist_x[i][j][k], m_dist_x[i + 1][j][k]);
            if (j <= Y - 1)
                for (int k = 2; k <= kT; ++k)
                    flow2[i][j][k] += (p[i][j][k] - p[i][j + 1][k]) *
                                      pressureCoupling(m_ar_y[i][j][k], C[i][j][k], C[i][j + 1][k],
                                                       m_dist_y[i][j][k], m_dist_y[i][j + 1][k]);
            // Under the free surface the top cell's bottom face is corrected
            // too (its p' of 0 is fixed), so the surface moves with the
            // corrected inflow.
            const int kFace = FlagTFS == 1 ? kT : kT - 1;
            for (int k = 2; k <= kFace; ++k)
                flow3[i][j][k] += (p[i][j][k] - p[i][j][k + 1]) *
                                  pressureCoupling(m_ar_z[i][j][k], C[i][j][k], C[i][j][k + 1], m_dist_z[i][j][k],
                                                   m_dist_z[i][j][k + 1]);
        }
}

// Side faces at block joints of the main-block columns i1..i2, from the
// main-block cell (i, jP) to its partner (I, J) in the attached block;
// positive towards j.
void correctJointFluxes(const FieldArray<double, 3>& C, int kT, int i1, int i2) {
    const int Y = ynumber;
    const auto& p = f;
    if (MBNo > 0)
        for (int i = i1; i <= i2; ++i) {
            if (const int I = Pj1MultiBlock[i][0], J = Pj1MultiBlock[i][1]; I != 0)
                for (int k = 2; k <= kT; ++k)
                    flow2[i][1][k] += (p[I][J][k] - p[i][2][k]) *
                                      pressureCoupling(m_ar_y[i][1][k], C[i][2][k], C[I][J][k], m_dist_y[i][2][k],
                                                       m_dist_x[I][J][k]);
            if (const int I = Pj2MultiBlock[i][0], J = Pj2MultiBlock[i][1]; I != 0)
                for (int k = 2; k <= kT; ++k)
                    flow2[i][Y][k] += (p[i][Y][k] - p[I][J][k]) *
                                      pressureCoupling(m_ar_y[i][Y][k], C[i][Y][k], C[I][J][k], m_dist_y[i][Y][k],
                                                       m_dist_x[I][J][k]);
        }
}

// A cell that mass leaves through all six faces gets its high-i flux
// reversed (single-block grids), rows j1..j2. A reversal changes the low-i
// face of the next cell of the row, so every row runs along i in ascending
// order; the rows are independent. The warning gives the reversed flux
// (serial) or the flux before reversal (per block, where each line is one
// append of its own).
void flowDirection(int j1, int j2, Log* log) {
    const int X = xnumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = j1; j <= j2; ++j)
            for (int k = 2; k <= Z; ++k) {
                if (Wall[i][j][k] != 0) continue;
                if (flow1[i][j][k] >= 0.0 && flow1[i - 1][j][k] < 0.0 && flow2[i][j][k] >= 0.0 &&
                    flow2[i][j - 1][k] <= 0.0 && flow3[i][j][k] >= 0.0 && flow3[i][j][k - 1] <= 0.0) {
                    const double before = flow1[i][j][k];
                    flow1[i][j][k] = -before;
                    if (log) {
                        log->printf("Warning, corrected direction of flow1(%d,%d,%d) = %lf\n", i, j, k, flow1[i][j][k]);
                    } else {
                        Log line;  // one that cannot be opened ends the run (-3) after the region
                        line.printf("Warning, corrected direction of flow1(%d,%d,%d) = %lf\n", i, j, k, before);
                    }
                }
            }
}

// The cell velocities.
template <Variant V>
void correctVelocities(const FieldArray<double, 3>& C, int kT, int i1, int i2) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    const auto& p = f;
    const int kTop = V == Variant::Joints ? Z : kT;  // the level of the one-sided top difference
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j) {
            if (V == Variant::DeepColumns && !deepColumn(i, j)) continue;
            // Partners of this column across the side walls (Joints only).
            int I1 = 0, J1 = 0, I2 = 0, J2 = 0;
            if (V == Variant::Joints) {
                I1 = Pj1MultiBlock[i][0], J1 = Pj1MultiBlock[i][1];
                I2 = Pj2MultiBlock[i][0], J2 = Pj2MultiBlock[i][1];
            }
            for (int k = 2; k <= kT; ++k) {
                const int wi = WallI[i][j][k], wj = WallJ[i][j][k], wk = WallK[i][j][k];
                double Ax = 0.5 * (m_ar_x[i - 1][j][k] + m_ar_x[i][j][k]);
                const double Ay = 0.5 * (m_ar_y[i][j - 1][k] + m_ar_y[i][j][k]);
                const double Az = 0.5 * (m_ar_z[i][j][k - 1] + m_ar_z[i][j][k]);
                const double pc = p[i][j][k];

                double Dx = across(p[i - 1][j][k], pc, p[i + 1][j][k], i == 2 || wi == 1,
                                   wi == -1 || i == X || (V == Variant::Joints && ISkjotMB[i] == 1));
                double Dy, Dz;
                if constexpr (V == Variant::SecondOrder) {
                    Dy = across2(p[i][j - 2][k], p[i][j - 1][k], pc, p[i][j + 1][k], p[i][j + 2][k], j == 2 || wj == 1,
                                 wj == -1 || j == Y);
                    // second order at the bed only
                    if (k == 2 || wk == 1)
                        Dz = across2(0.0, 0.0, pc, p[i][j][k + 1], p[i][j][k + 2], true, false);
                    else
                        Dz = across(p[i][j][k - 1], pc, p[i][j][k + 1], false, k == kT || wk == -1);
                } else {
                    Dy = across(p[i][j - 1][k], pc, p[i][j + 1][k], j == 2 || wj == 1, wj == -1 || j == Y);
                    Dz = across(p[i][j][k - 1], pc, p[i][j][k + 1], k == 2 || wk == 1, wk == -1 || k == kTop);
                }
                if constexpr (V == Variant::Joints) {
                    // The first cell row of an attached block: its i-1 neighbour
                    // is the main-block partner, its low-i face the side face.
                    const int m = Pi1MultiBlock[i][j][0], Jm = Pi1MultiBlock[i][j][1];
                    if (m != 0 && (Jm == 2 || Jm == Y)) {
                        Ax = 0.5 * (m_ar_y[m][Jm == 2 ? 1 : Y][k] + m_ar_x[i][j][k]);
                        if (!(i == 2 || wi == 1) && !(wi == -1 || i == X || ISkjotMB[i] == 1))
                            Dx = 0.5 * (p[i + 1][j][k] - p[m][Jm][k]);
                    }
                    if (wj == 1)
                        Dy = p[i][j + 1][k] - pc;
                    else if (wj == -1)
                        Dy = pc - p[i][j - 1][k];
                    else {
                        if (j == 2 && I1 != 0)
                            Dy = 0.5 * (p[i][3][k] - p[I1][J1][k]);
                        else if (j == Y && I2 != 0)
                            Dy = 0.5 * (p[I2][J2][k] - p[i][Y - 1][k]);
                    }
                }

                const double vol = V == Variant::FirstOrder || V == Variant::DeepColumns
                                      ? geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][k])
                                      : Volume[i][j][k];
                const double c = C[i][j][k] / vol;
                const double ax = Ax * Ax * Dx, ay = Ay * Ay * Dy;
                xvel[i][j][k] -= c * (ax * dx1[i][j] + ay * dx2[i][j]);
                yvel[i][j][k] -= c * (ax * dy1[i][j] + ay * dy2[i][j]);
                zvel[i][j][k] -= c * (ax * dz1[i][j][k] + ay * dz2[i][j][k] + Az * Az * dz3[i][j][k] * Dz);
            }
        }
}

// Every face flux of cells i1..i2, j1..j2, k1..k2 set to 0.
void zeroCellFluxes(int i1, int i2, int j1, int j2, int k1, int k2) {
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j)
            for (int k = k1; k <= k2; ++k) {
                flow1[i - 1][j][k] = flow1[i][j][k] = 0.0;
                flow2[i][j - 1][k] = flow2[i][j][k] = 0.0;
                flow3[i][j][k - 1] = flow3[i][j][k] = 0.0;
            }
}

// Blocked boxes and, with a free surface, blocked columns carry no flux.
void blockedCells() {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        const int i1 = std::max(b.i1, 1), i2 = std::min(b.i2, xnumber + 1);
        const int j1 = std::max(b.j1, 1), j2 = std::min(b.j2, ynumber + 1);
        const int k1 = std::max(b.k1, 1), k2 = std::min(b.k2, znumber + 1);
        zeroCellFluxes(i1, i2, j1, j2, k1, k2);
        for (int i = i1; i <= i2; ++i)
            for (int j = j1; j <= j2; ++j)
                for (int k = k1; k <= k2; ++k) xvel[i][j][k] = yvel[i][j][k] = zvel[i][j][k] = 0.0;
    }
    if (FlagTFS != 0)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                if (kblok[i][j] == 0) zeroCellFluxes(i, i, j, j, 2, znumber);
}

// The top-cell pressure extrapolated linearly to 0 at the surface; blocked
// cells below it extrapolated linearly in their centre heights from the two
// cells above.
void surfacePressure(int i1, int i2) {
    const int Z = znumber;
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double* h = &m_dist_z[i][j][0];
            double* pres = &Pres[i][j][0];
            pres[Z] = pres[Z - 1] * h[Z] / (2.0 * h[Z] + h[Z - 1]);
            for (int k = Z - 2; k >= 2; --k)
                if (OBlok[i][j][k] == 0)
                    pres[k] = pres[k + 1] + (pres[k + 1] - pres[k + 2]) * (h[k] + h[k + 1]) / (h[k + 1] + h[k + 2]);
        }
}

void velocityCorrections(const FieldArray<double, 3>& C, int kT, int i1, int i2) {
    switch (velocityVariant()) {
        case Variant::FirstOrder: correctVelocities<Variant::FirstOrder>(C, kT, i1, i2); break;
        case Variant::SecondOrder: correctVelocities<Variant::SecondOrder>(C, kT, i1, i2); break;
        case Variant::DeepColumns: correctVelocities<Variant::DeepColumns>(C, kT, i1, i2); break;
        case Variant::Joints: correctVelocities<Variant::Joints>(C, kT, i1, i2); break;
    }
}

// With F 133 only the cells below Plimit take p' (an absent Porosity counts
// as 0 everywhere); PorositySolver gives the others theirs.
void pressureUpdate(int kT, int i1, int i2) {
    const bool porous = Pnloops != 0 && !Porosity.isNull();
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= kT; ++k)
                if (!porous || Porosity[i][j][k] < Plimit) Pres[i][j][k] += relaxPressure * f[i][j][k];
}

bool directionCheck() { return FlagFlowDirCor == 1 && MBNo == 0; }

}  // namespace

void SimpleCorrections() {
    Log log;  // a log that cannot be opened ends the run (-3): no iteration goes uncorrected
    const FieldArray<double, 3>& C = correctionCoefficient();
    const int kT = FlagTFS == 1 ? znumber - 1 : znumber;
    const int X = xnumber;

    correctFluxes(C, kT, 2, X);
    correctJointFluxes(C, kT, 2, X);
    closeWallFaces();
    if (directionCheck()) flowDirection(2, ynumber, &log);
    velocityCorrections(C, kT, 2, X);
    blockedCells();
    pressureUpdate(kT, 2, X);
    if (Pnloops != 0) PorositySolver();
    if (FlagTFS == 1) surfacePressure(2, X);
}

// A block's first plane reads the flux of the face before it, which the
// block before corrects: the walls follow a barrier. The flow-direction check
// runs along whole rows of i, after a second barrier, on the rows dealt to
// each thread. The blocked cells follow the region (correctionsCleanUp).
void SimpleCorrectionsOpenMP(int first_i, int last_i) {
    const FieldArray<double, 3>& C = correctionCoefficient();
    const int kT = FlagTFS == 1 ? znumber - 1 : znumber;
    correctFluxes(C, kT, first_i, last_i);
    par::barrier();
    correctJointFluxes(C, kT, first_i, last_i);
    closeWallFacesOf(first_i, last_i);
    velocityCorrections(C, kT, first_i, last_i);
    pressureUpdate(kT, first_i, last_i);
    if (Pnloops != 0) {  // once for the whole domain, between the pressures of every block and the surface
        par::barrier();
        if (omp_get_thread_num() == 0) PorositySolver();
        par::barrier();
    }
    if (FlagTFS == 1) surfacePressure(first_i, last_i);
    if (directionCheck()) {
        par::barrier();
        const eqk::Chunk rows = eqk::chunkOf(omp_get_thread_num(), omp_get_num_threads(), ynumber - 1);
        if (!rows.empty()) flowDirection(rows.s + 2, rows.e + 1, nullptr);
    }
}

void correctionsCleanUp() { blockedCells(); }
