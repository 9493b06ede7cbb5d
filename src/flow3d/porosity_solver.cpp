// Pressure inside strongly vegetated cells (F 133): the cells whose drag
// factor exceeds Plimit take a pressure that balances their neighbours',
// weighted by the factors of the cells on both sides of each face.
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/workspace.h"
#include "flow3d/porous.h"

namespace {

// Couplings of every interior cell: ae to i-1, aw to i+1, as to j-1, an to
// j+1, wab to k-1, wat to k+1. The horizontal ones over the square of the
// product of the half sizes, the vertical one over the square of their sum.
void couplings() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    const auto& phi = Porosity;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double hx = m_dist_x[i][j][k] * m_dist_x[i - 1][j][k];
                const double a = (phi[i][j][k] + phi[i - 1][j][k]) * m_ar_x[i - 1][j][k] / (hx * hx + 1e-10);
                ae[i][j][k] = aw[i - 1][j][k] = a;
            }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double hy = m_dist_y[i][j][k] * m_dist_y[i][j - 1][k];
                const double a = (phi[i][j][k] + phi[i][j - 1][k]) * m_ar_y[i][j - 1][k] / (hy * hy + 1e-10);
                as[i][j][k] = an[i][j - 1][k] = a;
                const double hz = m_dist_z[i][j][k] + m_dist_z[i][j][k - 1];
                const double b = (phi[i][j][k] + phi[i][j][k - 1]) * m_armap[i][j] / (hz * hz + 1e-10);
                wab[i][j][k] = wat[i][j][k - 1] = b;
            }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            wat[i][j][Z] = wab[i][j][2] = 0.0;
            for (int k = 2; k <= Z; ++k) an[i][Y][k] = as[i][2][k] = 0.0;
        }
    // The outflow end has no coupling, as in the p' equation.
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) aw[X][j][k] = 0.0;
}

// Porous cells at the two i-ends see a ghost pressure equal to their own;
// the others have no coupling through the end.
void ends() {
    const int X = xnumber;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            if (Porosity[2][j][k] < Plimit)
                ae[2][j][k] = 0.0;
            else
                Pres[1][j][k] = Pres[2][j][k];
            if (Porosity[X][j][k] < Plimit)
                aw[X][j][k] = 0.0;
            else
                Pres[X + 1][j][k] = Pres[X][j][k];
        }
}

inline void relaxCell(int i, int j, int k) {
    if (!(Porosity[i][j][k] > Plimit)) return;
    const double num = ae[i][j][k] * Pres[i - 1][j][k] + aw[i][j][k] * Pres[i + 1][j][k] +
                       an[i][j][k] * Pres[i][j + 1][k] + as[i][j][k] * Pres[i][j - 1][k] +
                       wat[i][j][k] * Pres[i][j][k + 1] + wab[i][j][k] * Pres[i][j][k - 1];
    const double den = ae[i][j][k] + aw[i][j][k] + an[i][j][k] + as[i][j][k] + wat[i][j][k] + wab[i][j][k] + 1e-20;
    Pres[i][j][k] = num / den;
}

// Without vegetation nothing fills Porosity: every cell counts as 0, no
// coupling exists and no pressure changes.
void noCouplings() {
    for (FieldArray<double, 3>* a : {&ae, &aw, &an, &as, &wat, &wab})
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j)
                for (int k = 1; k <= znumber; ++k) (*a)[i][j][k] = 0.0;
}

}  // namespace

void PorositySolver() {
    if (Porosity.isNull()) {
        noCouplings();
        return;
    }
    couplings();
    ends();
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int pass = 0; pass <= Pnloops; ++pass) {
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j)
                for (int k = 2; k <= Z; ++k) relaxCell(i, j, k);
        for (int i = X; i >= 2; --i)
            for (int j = Y; j >= 2; --j)
                for (int k = Z; k >= 2; --k) relaxCell(i, j, k);
    }
}
