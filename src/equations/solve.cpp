#include "equations/solve.h"

#include <algorithm>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "equations/workspace.h"

Stencil stencilOf(int equation) {
    if (equation < 0 || equation >= kEquationTable) {
        faultf(-8, "Error - unexpected equation number %d in the stencil choice\n", equation);
        return Stencil::Seven;
    }
    if (equation == 4 || equation == 8) return Stencil::Seven;
    const int scheme = equation == 2 || equation == 3 ? sou[1] : sou[equation];
    return (scheme == 1 || scheme == 3) && !aee.isNull() ? Stencil::Thirteen : Stencil::Seven;
}

SolvePlan gridSolve(int equation, CorrectionAt at, Threads threads) {
    SolvePlan p;
    p.cells = Cells::Grid;
    p.residual = Residual;
    p.correctionAt = at;
    const bool epsilonOnThirteen = equation == 6 && sou[6] != 0 && sou[6] != 2;
    if (!epsilonOnThirteen) {
        switch (blockcorr[equation]) {
        case 1:
            p.correction = BlockCorrection;
            break;
        case 4:
            if (threads == Threads::Team && NoProcessesSolver > 0) p.correction = BlockCorrectionOpenMP;
            break;
        case 5:
        case 6:
        case 7:
            if (equation == 4) {
                p.correction = BlockCorrection;
                p.correctionAt = CorrectionAt::FirstSweep;
            }
            break;
        default:
            break;
        }
    }
    const bool point = lcray == 'Y';
    p.inverseCentre = point;
    if (stencilOf(equation) == Stencil::Thirteen)
        p.sweep = WaterGaussSOU;
    else if (point)
        p.sweep = WaterGaussSeidel;
    else
        p.sweep = WaterTDMA;
    p.sweeps = sweeps[equation];
    return p;
}

namespace {

// The interior cells of the solve: i, j, k 2..n on the grid, i, j 2..n at
// k = 0 on the plane.
template <class Fn>
void forInterior(Cells cells, Fn&& fn) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    if (cells == Cells::Plane) {
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) fn(i, j, 0);
        return;
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) fn(i, j, k);
}

// The cells with their ghost cells, 0..n+1 (k = 0 only on the plane).
template <class Fn>
void forWithGhosts(Cells cells, Fn&& fn) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    if (cells == Cells::Plane) {
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j) fn(i, j, 0);
        return;
    }
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) fn(i, j, k);
}

// Blocked boxes become fixed cells of value 0: 1e30 on the centre, the
// source unchanged. On the plane only level 0 of each box.
void pinBlockedBoxes(Cells cells) {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        const int k1 = cells == Cells::Plane ? 0 : b.k1, k2 = cells == Cells::Plane ? 0 : b.k2;
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j)
                for (int k = k1; k <= k2; ++k) wap[i][j][k] += 1e30;
    }
}

void inverseCentre(Cells cells, bool uncoupledStayZero) {
    if (uncoupledStayZero)
        forInterior(cells, [](int i, int j, int k) { iAp[i][j][k] = wap[i][j][k] != 0.0 ? 1.0 / wap[i][j][k] : 0.0; });
    else
        forInterior(cells, [](int i, int j, int k) { iAp[i][j][k] = 1.0 / wap[i][j][k]; });
}

void zeroStart(FieldArray<double, 3>& field, Cells cells) {
    if (cells == Cells::Grid)
        std::fill(field.data(), field.data() + field.size(), 0.0);
    else
        forWithGhosts(cells, [&](int i, int j, int k) { field[i][j][k] = 0.0; });
}

void mark(const SolvePlan& p, int slot) {
    if (p.mark && slot > 0) p.mark(slot);
}

bool correctsBefore(const SolvePlan& p, int sweep) {
    if (!p.correction) return false;
    return p.correctionAt == CorrectionAt::EverySweep || (p.correctionAt == CorrectionAt::FirstSweep && sweep == 1);
}

}  // namespace

void floorField(FieldArray<double, 3>& field, double floor, Cells cells) {
    if (cells == Cells::Plane)
        forWithGhosts(cells, [&](int i, int j, int k) { field[i][j][k] = std::max(field[i][j][k], floor); });
    else
        forWithGhosts(cells, [&](int i, int j, int k) {
            if (!(field[i][j][k] >= floor)) field[i][j][k] = floor;
        });
}

void solveWorkspace(FieldArray<double, 3>& field, const SolvePlan& p) {
    if (p.sweeps > 0 && !p.sweep) failf(-8, "Error - sweeps without a solver in the equation solve\n");
    f = field;
    if (p.pinBlockedBoxes) pinBlockedBoxes(p.cells);
    if (p.inverseCentre && p.start == Start::Current) inverseCentre(p.cells, p.uncoupledStayZero);
    mark(p, p.marks.beforeResidual);
    if (p.residual) p.residual();
    mark(p, p.marks.afterResidual);
    if (p.start == Start::Zero) {
        zeroStart(field, p.cells);
        if (p.inverseCentre) inverseCentre(p.cells, p.uncoupledStayZero);
    }
    if (p.correction && p.correctionAt == CorrectionAt::BeforeSweeps) p.correction();
    mark(p, p.marks.beforeSweeps);
    for (int s = 1; s <= p.sweeps; ++s) {
        if (correctsBefore(p, s)) p.correction();
        p.sweep();
    }
    // So with the line solver too, whose pivot 0 + 1e-20 would turn the
    // cell's imbalance into a correction of 1e20 times it.
    if (p.uncoupledStayZero)
        forInterior(p.cells, [](int i, int j, int k) {
            if (wap[i][j][k] == 0.0) f[i][j][k] = 0.0;
        });
    mark(p, p.marks.afterSweeps);
    if (p.floor) floorField(field, *p.floor, p.cells);
}
