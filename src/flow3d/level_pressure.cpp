// Pressure forms of F 46 7, 9 and 10: in the horizontal directions they
// compare the pressures of the neighbour columns at the level of the cell
// centre instead of at the same k index, which keeps a sloping grid from
// turning the hydrostatic pressure into a horizontal force. Forms 9 and 10 do
// so only in columns that are not supercritical; form 10 blends towards the
// plain difference as the column Froude number rises to 1.
#include <algorithm>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/interp.h"
#include "flow3d/pressure_forms.h"

namespace {

// A target level: the cell's own centre, raised to lower bounds and then
// lowered to upper bounds in turn.
struct Level {
    double z;
    Level& atLeast(double bound) {
        z = std::max(z, bound);
        return *this;
    }
    Level& atMost(double bound) {
        z = std::min(z, bound);
        return *this;
    }
};

// Doubled differences along k of form 1, shared by all three forms.
double verticalDifference(int i, int j, int k) {
    const auto P = Pres[i][j];
    if (k == 2 || WallK[i][j][k] == 1) return doubled::forward1(P[k], P[k + 1]);
    if (WallK[i][j][k] == -1 || k == znumber) return doubled::backward1(P[k - 1], P[k]);
    return doubled::central(P[k - 1], P[k + 1]);
}

// Form-1 doubled differences along i and j.
double form1I(int i, int j, int k) {
    if (i == 2 || WallI[i][j][k] == 1) return doubled::forward1(Pres[i][j][k], Pres[i + 1][j][k]);
    if (WallI[i][j][k] == -1 || i == xnumber) return doubled::backward1(Pres[i - 1][j][k], Pres[i][j][k]);
    return doubled::central(Pres[i - 1][j][k], Pres[i + 1][j][k]);
}
double form1J(int i, int j, int k) {
    if (j == 2 || WallJ[i][j][k] == 1) return doubled::forward1(Pres[i][j][k], Pres[i][j + 1][k]);
    if (WallJ[i][j][k] == -1 || j == ynumber) return doubled::backward1(Pres[i][j - 1][k], Pres[i][j][k]);
    return doubled::central(Pres[i][j - 1][k], Pres[i][j + 1][k]);
}

// Area-normal sums of the cell's two faces in each direction, component c.
struct FaceSums {
    double x, y, z;
};
FaceSums faceSums(int i, int j, int k, int c) {
    return {m_ar_x[i][j][k] * m_vec_x[i][j][c] + m_ar_x[i - 1][j][k] * m_vec_x[i - 1][j][c],
            m_ar_y[i][j][k] * m_vec_y[i][j][c] + m_ar_y[i][j - 1][k] * m_vec_y[i][j - 1][c],
            m_ar_z[i][j][k] * m_vec_z[i][j][k][c] + m_ar_z[i][j][k - 1] * m_vec_z[i][j][k - 1][c]};
}

void form7(int first, int last) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    const int c = Equation - 1;
    auto zc = cellCentreLevel;
    for (int i = first; i <= last; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                if (c == 2) {
                    source[i][j][k] -= 0.5 * m_armap[i][j] * verticalDifference(i, j, k);
                    continue;
                }
                double Dx;
                if (i == 2 || WallI[i][j][k] == 1)
                    Dx = doubled::forward1(Pres[i][j][k], Pres[i + 1][j][k]);
                else if (WallI[i][j][k] == -1 || WallI[i][j][k - 1] == -1 || i == X)
                    Dx = doubled::backward1(Pres[i - 1][j][k], Pres[i][j][k]);
                else if (OBlok[i][j][2] == 0 || OBlok[i + 1][j][2] == 0 || k == Z)
                    Dx = doubled::central(Pres[i - 1][j][k], Pres[i + 1][j][k]);
                else {
                    Level at{zc(i, j, k)};
                    at.atLeast(zc(i + 1, j, 2)).atLeast(zc(i - 1, j, 2)).atMost(zc(i + 1, j, Z)).atMost(zc(i - 1, j, Z));
                    Dx = levelPressure(i + 1, j, at.z, true) - levelPressure(i - 1, j, at.z, true);
                }
                double Dy;
                if (j == 2 || WallJ[i][j][k] == 1)
                    Dy = doubled::forward1(Pres[i][j][k], Pres[i][j + 1][k]);
                else if (WallJ[i][j][k] == -1 || j == Y)
                    Dy = doubled::backward1(Pres[i][j - 1][k], Pres[i][j][k]);
                else if (OBlok[i][j][2] == 0)
                    Dy = doubled::central(Pres[i][j - 1][k], Pres[i][j + 1][k]);
                else {
                    Level at{zc(i, j, k)};
                    at.atLeast(zc(i, j + 1, 2)).atLeast(zc(i, j - 1, 2)).atMost(zc(i, j + 1, Z)).atMost(zc(i, j - 1, Z));
                    Dy = levelPressure(i, j + 1, at.z, true) - levelPressure(i, j - 1, at.z, true);
                }
                const FaceSums S = faceSums(i, j, k, c);
                source[i][j][k] -= 0.25 * (S.x * Dx + S.y * Dy);
            }
}

// The i difference of a column that is not supercritical (forms 9, 10).
double levelI(int i, int j, int k, double Fr2, bool blend) {
    const int Z = znumber;
    auto zc = cellCentreLevel;
    if (i == 2 || WallI[i][j][k] == 1) return doubled::forward1(Pres[i][j][k], Pres[i + 1][j][k]);
    if (WallI[i][j][k] == -1 || i == xnumber) {
        Level at{zc(i, j, k)};
        at.atLeast(zc(i - 1, j, 2)).atMost(zc(i - 1, j, Z));
        return 2.0 * (levelPressure(i, j, at.z, false) - levelPressure(i - 1, j, at.z, false));
    }
    if (blend && !(Fr2 < 1.0)) return doubled::central(Pres[i - 1][j][k], Pres[i + 1][j][k]);
    int kb = 2;  // the first cell with a bed wall, going down the column beyond
    for (int kk = Z; kk >= 2; --kk)
        if (WallK[i + 1][j][kk] == 1) {
            kb = kk;
            break;
        }
    Level at{zc(i, j, k)};
    at.atLeast(zc(i + 1, j, kb)).atLeast(zc(i - 1, j, 2)).atMost(zc(i + 1, j, Z)).atMost(zc(i - 1, j, Z));
    const double D = levelPressure(i + 1, j, at.z, false) - levelPressure(i - 1, j, at.z, false);
    if (!blend) return D;
    return (1.0 - Fr2) * D + Fr2 * (Pres[i + 1][j][k] - Pres[i - 1][j][k]);
}

// The j difference of a column that is not supercritical (forms 9, 10).
double levelJ(int i, int j, int k) {
    const int Z = znumber;
    auto zc = cellCentreLevel;
    Level at{zc(i, j, k)};
    if (j == 2 || WallJ[i][j][k] == 1) {
        // The last cell of a line with a wall on its low face (or a grid one
        // cell wide) looks into the side boundary column, which has no cell
        // heights to interpolate with: it takes the plain forward difference.
        if (j == ynumber) return doubled::forward1(Pres[i][j][k], Pres[i][j + 1][k]);
        at.atLeast(zc(i, j + 1, 2)).atMost(zc(i, j + 1, Z));
        return 2.0 * (levelPressure(i, j + 1, at.z, false) - levelPressure(i, j, at.z, false));
    }
    if (WallJ[i][j][k] == -1 || j == ynumber) {
        at.atLeast(zc(i, j - 1, 2)).atMost(zc(i, j - 1, Z));
        return 2.0 * (levelPressure(i, j, at.z, false) - levelPressure(i, j - 1, at.z, false));
    }
    at.atLeast(zc(i, j + 1, 2)).atLeast(zc(i, j - 1, 2)).atMost(zc(i, j + 1, Z)).atMost(zc(i, j - 1, Z));
    return levelPressure(i, j + 1, at.z, false) - levelPressure(i, j - 1, at.z, false);
}

// Forms 9 (blend false) and 10 (blend true).
void froudeForm(bool blend, int first, int last) {
    const int Y = ynumber, Z = znumber;
    const int c = Equation - 1;
    for (int i = first; i <= last; ++i)
        for (int j = 2; j <= Y; ++j) {
            const double Fr2 = columnFroude2(i, j);
            const bool supercritical = Fr2 > 1.0;
            for (int k = 2; k <= Z; ++k) {
                const double Dz = verticalDifference(i, j, k);
                if (c == 2) {
                    source[i][j][k] -= 0.5 * m_armap[i][j] * Dz;
                    continue;
                }
                const double Dx = supercritical ? form1I(i, j, k) : levelI(i, j, k, Fr2, blend);
                const double Dy = supercritical ? form1J(i, j, k) : levelJ(i, j, k);
                const double DzUV = Fr2 >= 1.0 && OBlok[i + 1][j][k] != 0 ? Dz : 0.0;
                const FaceSums S = faceSums(i, j, k, c);
                source[i][j][k] -= 0.25 * (S.x * Dx + S.y * Dy + S.z * DzUV);
            }
        }
}

}  // namespace

double levelPressure(int a, int b, double z, bool form7) {
    const int Z = znumber;
    int kk = 3;
    while (kk <= Z && cellCentreLevel(a, b, kk) <= z) ++kk;
    kk = std::min(kk, Z);
    const double above = cellCentreLevel(a, b, kk) - z;
    const double w = form7 ? 0.5 * above / m_dist_z[a][b][kk] : above / (m_dist_z[a][b][kk] + m_dist_z[a][b][kk - 1]);
    return w * Pres[a][b][kk - 1] + (1.0 - w) * Pres[a][b][kk];
}

double columnFroude2(int i, int j) {
    double Su = 0.0, Sh = 0.0;
    int n = 0;
    for (int k = znumber; k >= 2; --k) {
        Su += xvel[i][j][k] * xvel[i][j][k] + yvel[i][j][k] * yvel[i][j][k];
        Sh += m_dist_z[i][j][k];
        ++n;
        if (WallK[i][j][k] == 1) break;
    }
    if (n == 0) return 0.0;
    return (Su / n) / (19.62 * Sh + 1e-30);
}

void levelPressureFormPlanes(int first, int last) {
    if (FlagPresGrad == 7)
        form7(first, last);
    else
        froudeForm(FlagPresGrad == 10, first, last);
}

void levelPressureForm() { levelPressureFormPlanes(2, xnumber); }
