// The pressure-correction step of the SIMPLE/SIMPLEC iteration: the p'
// equation, whose right-hand side is the mass imbalance of every cell, its
// solve, the corrections, and the continuity values for the driver.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "equations/parallel.h"
#include "equations/solve.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/pressure_coupling.h"
#include "flow3d/regions.h"
#include "flow3d/state.h"
#include "grid/geometry.h"

namespace {

// Factor of the velocity head F^2 / A in the specific energy: 1 / (2 g rho^2).
constexpr double kVelocityHead = 5.0969e-08;

// p' coupling of a main-block side cell P (half width hP) with its partner N
// in an attached block (half length hN) through the side face of area A.
inline double jointCoupling(const FieldArray<double, 3>& D, double A, int i, int jP, int I, int J, int k) {
    return pressureCoupling(A, D[i][jP][k], D[I][J][k], m_dist_y[i][jP][k], m_dist_x[I][J][k]);
}

// Imbalance of an attached block's first-row cell, whose low-i face is the
// main block's side face with flux sideOut leaving the cell through it.
inline double jointSource(double sideOut, int I, int J, int k) {
    return -(flow1[I][J][k] + sideOut + flow2[I][J][k] - flow2[I][J - 1][k] + flow3[I][J][k] - flow3[I][J][k - 1]);
}

// wap = sum of the six couplings, a plane kernel (one thread without F 206).
void centreCoefficients() {
    flowpar::interiorKernel([](int i, int j, int k) {
        wap[i][j][k] = ae[i][j][k] + aw[i][j][k] + an[i][j][k] + as[i][j][k] + wat[i][j][k] + wab[i][j][k];
    });
}

// The p' solve: the residual of the imbalances, p' = 0, then sweeps[4]
// calls of the point or line solver, each after the block correction that
// blockcorr[4] chooses (5, 6, 7: before the first only). A cell without any
// coupling (walls on every face) keeps p' = 0.
void solvePressureCorrection() {
    SolvePlan plan = gridSolve(4, CorrectionAt::EverySweep, Threads::Team);
    plan.start = Start::Zero;
    plan.uncoupledStayZero = true;
    plan.mark = flowpar::stamp;
    plan.marks = {.beforeResidual = 13, .afterResidual = 14, .beforeSweeps = 15, .afterSweeps = 16};
    solveWorkspace(f, plan);  // f is the p' array (fStorage) since the start of the step
}

void continuityValues() {
    Cont = 0.0;
    DefMax = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double s = source[i][j][k];
                Cont += s;
                if (std::fabs(s) > DefMax) {
                    DefMax = std::fabs(s);
                    DefMaxCell.i = i;
                    DefMaxCell.j = j;
                    DefMaxCell.k = k;
                }
            }
}

// Pressure plus velocity head, averaged over i-face section s.
void specificEnergy(int s) {
    Log log;
    double area = 0.0, energy = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            const double A = m_ar_x[s][j][k], F = flow1[s][j][k];
            area += A;
            energy += 0.5 * A * (Pres[s][j][k] + Pres[s + 1][j][k]) + kVelocityHead * F * F / A;
        }
    log.printf("Specifice energy for section %d = %e\n", s, energy / area);
}

}  // namespace

namespace {

// Item by item, each over the planes i1..i2 of its cells (or faces).

// i-faces i1..i2 (at most xnumber-1): the coupling is stored in both cells,
// so a block also writes `ae` of the next block's first plane.
void iCouplings(int i1, int i2) {
    const int Y = ynumber, Z = znumber;
    const FieldArray<double, 3>& D = correctionCoefficient();
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double a = pressureCoupling(m_ar_x[i][j][k], D[i][j][k], D[i + 1][j][k],
                                                  m_dist_x[i][j][k], m_dist_x[i + 1][j][k]);
                aw[i][j][k] = a;
                ae[i + 1][j][k] = a;
            }
}

// No coupling through the inflow and outflow faces.
void inflowEnd() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) ae[2][j][k] = 0.0;
}
void outflowEnd() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) aw[xnumber][j][k] = 0.0;
}

// j- and k-faces of the planes i1..i2, with their ends.
void jkCouplings(int i1, int i2) {
    const int Y = ynumber, Z = znumber;
    const FieldArray<double, 3>& D = correctionCoefficient();
    for (int i = i1; i <= i2; ++i) {
        for (int j = 2; j <= Y - 1; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double a = pressureCoupling(m_ar_y[i][j][k], D[i][j][k], D[i][j + 1][k],
                                                  m_dist_y[i][j][k], m_dist_y[i][j + 1][k]);
                an[i][j][k] = a;
                as[i][j + 1][k] = a;
            }
        for (int k = 2; k <= Z; ++k) {
            as[i][2][k] = 0.0;
            an[i][Y][k] = 0.0;
        }
    }
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j) {
            for (int k = 2; k <= Z - 1; ++k) {
                const double a = pressureCoupling(m_ar_z[i][j][k], D[i][j][k], D[i][j][k + 1],
                                                  m_dist_z[i][j][k], m_dist_z[i][j][k + 1]);
                wat[i][j][k] = a;
                wab[i][j][k + 1] = a;
            }
            wab[i][j][2] = 0.0;
            wat[i][j][Z] = 0.0;
        }
}

// Block joints: an attached block's first cell row couples to its
// main-block partners (stored as its low-i coupling) instead of to the
// cell row before the joint line. Writes cells of any block.
void jointCouplings() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    const FieldArray<double, 3>& D = correctionCoefficient();
    for (int i = 2; i <= X; ++i) {
        if (const int I = Pj1MultiBlock[i][0], J = Pj1MultiBlock[i][1]; I != 0)
            for (int k = 2; k <= Z; ++k) {
                const double a = jointCoupling(D, m_ar_y[i][1][k], i, 2, I, J, k);
                as[i][2][k] = a;
                ae[I][J][k] = a;
            }
        if (const int I = Pj2MultiBlock[i][0], J = Pj2MultiBlock[i][1]; I != 0)
            for (int k = 2; k <= Z; ++k) {
                const double a = jointCoupling(D, m_ar_y[i][Y][k], i, Y, I, J, k);
                an[i][Y][k] = a;
                ae[I][J][k] = a;
            }
    }
}

// Walls of the cells of the planes i1..i2.
void wallCouplings(int i1, int i2) {
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                if (WallI[i][j][k] == 1) ae[i][j][k] = 0.0;
                if (WallI[i][j][k] == -1) aw[i][j][k] = 0.0;
                if (WallJ[i][j][k] == 1) as[i][j][k] = 0.0;
                if (WallJ[i][j][k] == -1) an[i][j][k] = 0.0;
                if (WallK[i][j][k] == 1) wab[i][j][k] = 0.0;
                if (WallK[i][j][k] == -1) wat[i][j][k] = 0.0;
            }
}

// The last cell row before a joint line has no i+1 neighbour.
void jointLines() {
    for (int b = 1; b <= geometry::attachedBlocks(); ++b)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) aw[MBSkjot[b]][j][k] = 0.0;
}

// Sources of the planes i1..i2: minus the net mass outflow of every cell;
// with the transient free surface the top-cell imbalance is kept too.
void imbalances(int i1, int i2) {
    const int Y = ynumber, Z = znumber;
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k)
                source[i][j][k] = -(flow1[i][j][k] - flow1[i - 1][j][k] + flow2[i][j][k] - flow2[i][j - 1][k] +
                                    flow3[i][j][k] - flow3[i][j][k - 1]);
    if (FlagTFS == 1)
        for (int i = i1; i <= i2; ++i)
            for (int j = 2; j <= Y; ++j) zvel[i][j][0] = source[i][j][Z];
}

// Joint sources: the attached cell's low-i face is the main block's side
// face; a positive flow2 leaves it through face 1 and enters it through
// face ynumber. Writes cells of any block.
void jointImbalances() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i) {
        if (const int I = Pj1MultiBlock[i][0], J = Pj1MultiBlock[i][1]; I != 0)
            for (int k = 2; k <= Z; ++k) source[I][J][k] = jointSource(flow2[i][1][k], I, J, k);
        if (const int I = Pj2MultiBlock[i][0], J = Pj2MultiBlock[i][1]; I != 0)
            for (int k = 2; k <= Z; ++k) source[I][J][k] = jointSource(-flow2[i][Y][k], I, J, k);
    }
}

}  // namespace

void pressure_correction() {
    Log log;  // a log that cannot be opened ends the run (-3): no step without its equation
    const int X = xnumber;
    iCouplings(2, X - 1);
    inflowEnd();
    outflowEnd();
    jkCouplings(2, X);
    if (MBNo > 0) jointCouplings();
    wallCouplings(2, X);
    jointLines();
    imbalances(2, X);
    if (MBNo > 0) jointImbalances();
}

// Couplings and sources of the block's own planes first; after a barrier
// thread 0 writes the joint couplings, the joint lines and the joint sources
// (cells of any block); after another barrier every block zeroes the
// couplings of its walls, so that a wall wins over a coupling whatever block
// computed it.
void pressure_correctionOpenMP(int first_i, int last_i) {
    { Log log; }  // a log that cannot be opened: the team leaves, the run ends with -3
    if (par::faulted()) return;
    const int t = omp_get_thread_num();
    iCouplings(first_i, std::min(last_i, xnumber - 1));
    if (t == 0) inflowEnd();
    if (t == NoProcessesSolver - 1) outflowEnd();
    jkCouplings(first_i, last_i);
    imbalances(first_i, last_i);
    par::barrier();
    if (MBNo > 0) {
        if (t == 0) {
            jointCouplings();
            jointLines();
            jointImbalances();
        }
        par::barrier();
    }
    wallCouplings(first_i, last_i);
}

void pressureCorrectionStep() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    Equation = 4;
    f = fStorage;

    flowpar::stamp(10);
    faceFluxes();
    flowpar::stamp(11);
    if (flowpar::threaded(flowpar::kPressureCoefficients))
        flowpar::dispatchBlocks("pressure_correctionOpenMP", pressure_correctionOpenMP);
    else
        pressure_correction();
    flowpar::stamp(12);
    centreCoefficients();
    // Top cells fixed at p' = 0: the cell below keeps its coupling to them,
    // a fixed-value neighbour that sets the pressure level of its column.
    if (FlagTFS == 1)
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) {
                wap[i][j][Z] = 1e30;
                source[i][j][Z] = 0.0;
            }
    solvePressureCorrection();

    // No pressure that the corrections update may end below 0.
    if (FlagTFS == 1 && TFSpreszero == 1)
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j)
                for (int k = 2; k <= Z; ++k)
                    if (Pres[i][j][k] + relaxPressure * f[i][j][k] < 0.0) f[i][j][k] = -Pres[i][j][k] / relaxPressure;

    if (flowpar::threaded(flowpar::kCorrections)) {
        flowpar::dispatchBlocks("SimpleCorrectionsOpenMP", SimpleCorrectionsOpenMP);
        correctionsCleanUp();
    } else {
        SimpleCorrections();
    }
    flowpar::stamp(17);
    continuityValues();
    if (SpecEnergy > 0) specificEnergy(SpecEnergy);
    debugDump();
}
