// Pressure-gradient source of the momentum equations: the force of the
// pressure field on each interior cell, taken off `source` of u, v or w.
#include <array>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/interp.h"
#include "flow3d/pressure_forms.h"
#include "flow3d/regions.h"

namespace {

// How a form differentiates the pressure along j and k; along i every
// single-block form takes the first-order ends and the central interior.
struct LineRules {
    bool secondOrderJ;  // second-order forward / backward at the j ends
    bool secondOrderK;  // second-order forward at the low k end
    bool heightWeightedJ;  // interior j: weighted by the neighbours' half heights
};

constexpr LineRules kForm1{false, false, false};
constexpr LineRules kGeneral{true, true, false};
constexpr LineRules kForm8{true, true, true};

// The low-end difference of a line: second-order forward where the line holds
// two more pressures ahead (the boundary cell n+1 included), else first
// order. ahead(n) is the pressure n cells ahead of cell `at`.
template <typename Ahead>
double lowEnd(bool secondOrder, int at, int last, Ahead ahead) {
    if (secondOrder && at + 2 <= last + 1) return doubled::forward2(ahead(0), ahead(1), ahead(2));
    return doubled::forward1(ahead(0), ahead(1));
}

// The cells of the planes i1..i2.
template <LineRules R>
void singleBlockPlanes(int i1, int i2) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    const int c = Equation - 1;  // velocity component 0 u, 1 v, 2 w
    for (int i = i1; i <= i2; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                auto P = [i, j, k](int di, int dj, int dk) { return Pres[i + di][j + dj][k + dk]; };
                double Dz;
                if (k == 2 || WallK[i][j][k] == 1)
                    Dz = lowEnd(R.secondOrderK, k, Z, [&P](int n) { return P(0, 0, n); });
                else if (WallK[i][j][k] == -1 || k == Z)
                    Dz = doubled::backward1(P(0, 0, -1), P(0, 0, 0));
                else
                    Dz = doubled::central(P(0, 0, -1), P(0, 0, 1));
                if (c == 2) {
                    source[i][j][k] -= 0.5 * m_armap[i][j] * Dz;
                    continue;
                }
                double Dx;
                if (i == 2 || WallI[i][j][k] == 1)
                    Dx = doubled::forward1(P(0, 0, 0), P(1, 0, 0));
                else if (WallI[i][j][k] == -1 || i == X)
                    Dx = doubled::backward1(P(-1, 0, 0), P(0, 0, 0));
                else
                    Dx = doubled::central(P(-1, 0, 0), P(1, 0, 0));
                double Dy;
                if (j == 2 || WallJ[i][j][k] == 1)
                    Dy = lowEnd(R.secondOrderJ, j, Y, [&P](int n) { return P(0, n, 0); });
                else if (WallJ[i][j][k] == -1 || j == Y)
                    Dy = R.secondOrderJ ? doubled::backward2(P(0, -2, 0), P(0, -1, 0), P(0, 0, 0))
                                        : doubled::backward1(P(0, -1, 0), P(0, 0, 0));
                else if (R.heightWeightedJ) {
                    // Twice the mean of the two one-step differences, weighted
                    // by the half heights of the cells they reach.
                    const double hp = m_dist_z[i][j + 1][k], hm = m_dist_z[i][j - 1][k];
                    Dy = 2.0 * (((P(0, 1, 0) - P(0, 0, 0)) * hp + (P(0, 0, 0) - P(0, -1, 0)) * hm) / (hp + hm));
                } else
                    Dy = doubled::central(P(0, -1, 0), P(0, 1, 0));
                const double Sx = m_ar_x[i][j][k] * m_vec_x[i][j][c] + m_ar_x[i - 1][j][k] * m_vec_x[i - 1][j][c];
                const double Sy = m_ar_y[i][j][k] * m_vec_y[i][j][c] + m_ar_y[i][j - 1][k] * m_vec_y[i][j - 1][c];
                const double Sz =
                    m_ar_z[i][j][k] * m_vec_z[i][j][k][c] + m_ar_z[i][j][k - 1] * m_vec_z[i][j][k - 1][c];
                source[i][j][k] -= 0.25 * (Sx * Dx + Sy * Dy + Sz * Dz);
            }
}

template <LineRules R>
void singleBlockForm() {
    singleBlockPlanes<R>(2, xnumber);
}

// Form 1 on the thread team: the planes dealt by the static schedule, each
// cell computed as on one thread.
void threadedForm1() {
    flowpar::planeKernel(2, xnumber, [](int i) { singleBlockPlanes<kForm1>(i, i); });
}

// Multi-block form: single-step differences through the cell's own high
// faces; a cell beside a joint reaches across it to its partner's pressure.
void multiBlockForm() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    if (X == 1) return;
    const int c = Equation - 1;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                auto P = [k](int a, int b) { return Pres[a][b][k]; };
                double Dz;
                if (k == 2 || WallK[i][j][k] == 1)
                    Dz = Pres[i][j][k + 1] - Pres[i][j][k];
                else if (WallK[i][j][k] == -1 || k == Z)
                    Dz = Pres[i][j][k] - Pres[i][j][k - 1];
                else
                    Dz = 0.5 * (Pres[i][j][k + 1] - Pres[i][j][k - 1]);
                if (c == 2) {
                    source[i][j][k] -= m_ar_z[i][j][k] * m_vec_z[i][j][k][2] * Dz;
                    continue;
                }
                double Dx;
                const int m = Pi1MultiBlock[i][j][0], pj = Pi1MultiBlock[i][j][1];
                if (i == 2 || WallI[i][j][k] == 1)
                    Dx = P(i + 1, j) - P(i, j);
                else if (WallI[i][j][k] == -1 || i == X || ISkjotMB[i] == 1)
                    Dx = P(i, j) - P(i - 1, j);
                else if (m != 0 && (pj == Y || pj == 2))
                    Dx = 0.5 * (P(i + 1, j) - P(m, pj));
                else
                    Dx = 0.5 * (P(i + 1, j) - P(i - 1, j));
                double Dy;
                if (WallJ[i][j][k] == 1)
                    Dy = P(i, j + 1) - P(i, j);
                else if (WallJ[i][j][k] == -1)
                    Dy = P(i, j) - P(i, j - 1);
                else if (j == 2 && Pj1MultiBlock[i][0] != 0)
                    Dy = 0.5 * (P(i, j + 1) - P(Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]));
                else if (j == Y && Pj2MultiBlock[i][0] != 0)
                    Dy = 0.5 * (P(Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]) - P(i, j - 1));
                else if (j == 2)
                    Dy = P(i, j + 1) - P(i, j);
                else if (j == Y)
                    Dy = P(i, j) - P(i, j - 1);
                else
                    Dy = 0.5 * (P(i, j + 1) - P(i, j - 1));
                source[i][j][k] -= m_ar_x[i][j][k] * m_vec_x[i][j][c] * Dx + m_ar_y[i][j][k] * m_vec_y[i][j][c] * Dy +
                                   m_ar_z[i][j][k] * m_vec_z[i][j][k][c] * Dz;
            }
}

using PressureForm = void (*)();

// The single-block forms by their F 46 code 1..20; every code not named
// takes the general form.
constexpr int kFormCodes = 21;
constexpr std::array<PressureForm, kFormCodes> singleBlockForms() {
    std::array<PressureForm, kFormCodes> t{};
    t.fill(singleBlockForm<kGeneral>);
    t[1] = singleBlockForm<kForm1>;
    t[7] = levelPressureForm;
    t[8] = singleBlockForm<kForm8>;
    t[9] = levelPressureForm;
    t[10] = levelPressureForm;
    return t;
}
constexpr std::array<PressureForm, kFormCodes> kSingleBlockForms = singleBlockForms();

}  // namespace

void pressure_source() {
    if (Equation < 1 || Equation > 3) failf(-8, "Error in pressure_source, Equation = %d\n", Equation);
    if (MBNo != 0) {
        multiBlockForm();
        return;
    }
    // F 46 chooses the form with threads too; only form 1 has a threaded
    // form, the others are cell-local loops on the main thread.
    const int code = FlagPresGrad >= 0 && FlagPresGrad < kFormCodes ? FlagPresGrad : 0;
    if (code == 1 && flowpar::threadsOn()) {
        threadedForm1();
        return;
    }
    kSingleBlockForms[code]();
}
