// The transposed part of the viscous stress, mu (d u_j / d x_c) n_j on every
// face, for the momentum component c of the equation in the workspace. The
// convection-diffusion coefficients carry the other part, the diffusion of
// u_c itself; this one matters where the eddy viscosity varies.
//
// The faces between two interior cells are visited i-faces first, then
// j-faces, then k-faces; a face's flux F enters `source` of its low-side cell
// P and leaves that of its high-side cell Q, so the sum of the changes over
// the grid is zero. The gradients at a face are Gauss sums over the control
// volume around it (half of each cell): the difference across the face, and
// the differences along the face from four-point means of the neighbouring
// cells, boundary cells included. Walls and blocked cells are not consulted.
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"

namespace {

using Field = FieldArray<double, 3>;

void exchange(int i, int j, int k, int iq, int jq, int kq, double F) {
    source[i][j][k] += F;
    source[iq][jq][kq] -= F;
}

double faceViscosity(int i, int j, int k, int iq, int jq, int kq) {
    return 0.5 * (gama[i][j][k] + gama[iq][jq][kq]);
}

// u and v, the velocity components along the horizontal face normals.
// Equation 1 and 2: the gradients along axis c (0 x, 1 y).
void horizontalComponent(int c) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double Vf = m_armap[i][j] * m_dist_z[i][j][k] + m_armap[i + 1][j] * m_dist_z[i + 1][j][k];
                const double Ax = m_ar_x[i][j][k] * m_vec_x[i][j][c];
                const double Ay = m_ar_y[i][j][k] * m_vec_y[i][j][c] + m_ar_y[i + 1][j][k] * m_vec_y[i + 1][j][c];
                const double Az =
                    m_ar_z[i][j][k] * m_vec_z[i][j][k][c] + m_ar_z[i + 1][j][k] * m_vec_z[i + 1][j][k][c];
                auto g = [&](const Field& p) {
                    return ((p[i + 1][j][k] - p[i][j][k]) * Ax +
                            0.125 * (p[i + 1][j + 1][k] + p[i][j + 1][k] - p[i + 1][j - 1][k] - p[i][j - 1][k]) * Ay +
                            0.125 * (p[i + 1][j][k + 1] + p[i][j][k + 1] - p[i + 1][j][k - 1] - p[i][j][k - 1]) * Az) /
                           Vf;
                };
                const double F = faceViscosity(i, j, k, i + 1, j, k) * m_ar_x[i][j][k] *
                                 (g(xvel) * m_vec_x[i][j][0] + g(yvel) * m_vec_x[i][j][1]);
                exchange(i, j, k, i + 1, j, k, F);
            }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double Vf = m_armap[i][j] * m_dist_z[i][j][k] + m_armap[i][j + 1] * m_dist_z[i][j + 1][k];
                const double Ay = m_ar_y[i][j][k] * m_vec_y[i][j][c];
                const double Ax = m_ar_x[i][j][k] * m_vec_x[i][j][c] + m_ar_x[i][j + 1][k] * m_vec_x[i][j + 1][c];
                const double Az =
                    m_ar_z[i][j][k] * m_vec_z[i][j][k][c] + m_ar_z[i][j + 1][k] * m_vec_z[i][j + 1][k][c];
                auto g = [&](const Field& p) {
                    return ((p[i][j + 1][k] - p[i][j][k]) * Ay +
                            0.125 * (p[i + 1][j + 1][k] + p[i + 1][j][k] - p[i - 1][j + 1][k] - p[i - 1][j][k]) * Ax +
                            0.125 * (p[i][j + 1][k + 1] + p[i][j][k + 1] - p[i][j + 1][k - 1] - p[i][j][k - 1]) * Az) /
                           Vf;
                };
                const double F = faceViscosity(i, j, k, i, j + 1, k) * m_ar_y[i][j][k] *
                                 (g(xvel) * m_vec_y[i][j][0] + g(yvel) * m_vec_y[i][j][1]);
                exchange(i, j, k, i, j + 1, k, F);
            }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z - 1; ++k) {
                const double Vf = (m_dist_z[i][j][k] + m_dist_z[i][j][k + 1]) * m_armap[i][j];
                const double Az = m_ar_z[i][j][k] * m_vec_z[i][j][k][c];
                const double Ay = m_ar_y[i][j][k] * m_vec_y[i][j][c];
                const double Ax = m_ar_x[i][j][k] * m_vec_x[i][j][c];
                auto g = [&](const Field& p) {
                    return ((p[i][j][k + 1] - p[i][j][k]) * Az +
                            0.25 * (p[i][j + 1][k + 1] + p[i][j + 1][k] - p[i][j - 1][k + 1] - p[i][j - 1][k]) * Ay +
                            0.25 * (p[i + 1][j][k + 1] + p[i + 1][j][k] - p[i - 1][j][k + 1] - p[i - 1][j][k]) * Ax) /
                           Vf;
                };
                const double F = faceViscosity(i, j, k, i, j, k + 1) *
                                 (m_ar_z[i][j][k] * (g(xvel) * m_vec_z[i][j][k][0] + g(yvel) * m_vec_z[i][j][k][1]) +
                                  m_armap[i][j] * g(zvel));
                exchange(i, j, k, i, j, k + 1, F);
            }
}

// w: the gradients along z. The i- and j-faces have no vertical normal; the
// plan area of cell P stands for the vertical projection of its k-faces.
void verticalComponent() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double Vf = m_armap[i][j] * m_dist_z[i][j][k] + m_armap[i + 1][j] * m_dist_z[i + 1][j][k];
                auto g = [&](const Field& p) {
                    return 0.25 * (p[i + 1][j][k + 1] + p[i][j][k + 1] - p[i + 1][j][k - 1] - p[i][j][k - 1]) *
                           m_armap[i][j] / Vf;
                };
                const double F = faceViscosity(i, j, k, i + 1, j, k) * m_ar_x[i][j][k] *
                                 (g(xvel) * m_vec_x[i][j][0] + g(yvel) * m_vec_x[i][j][1]);
                exchange(i, j, k, i + 1, j, k, F);
            }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double Vf = m_armap[i][j] * m_dist_z[i][j][k] + m_armap[i][j + 1] * m_dist_z[i][j + 1][k];
                auto g = [&](const Field& p) {
                    return 0.25 * (p[i][j + 1][k + 1] + p[i][j][k + 1] - p[i][j + 1][k - 1] - p[i][j][k - 1]) *
                           m_armap[i][j] / Vf;
                };
                const double F = faceViscosity(i, j, k, i, j + 1, k) * m_ar_y[i][j][k] *
                                 (g(xvel) * m_vec_y[i][j][0] + g(yvel) * m_vec_y[i][j][1]);
                exchange(i, j, k, i, j + 1, k, F);
            }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z - 1; ++k) {
                const double Vf = (m_dist_z[i][j][k] + m_dist_z[i][j][k + 1]) * m_armap[i][j];
                auto g = [&](const Field& p) { return (p[i][j][k + 1] - p[i][j][k]) * m_armap[i][j] / Vf; };
                const double F = faceViscosity(i, j, k, i, j, k + 1) *
                                 (m_ar_z[i][j][k] * (g(xvel) * m_vec_z[i][j][k][0] + g(yvel) * m_vec_z[i][j][k][1]) +
                                  m_armap[i][j] * g(zvel));
                exchange(i, j, k, i, j, k + 1, F);
            }
}

}  // namespace

void StressOrt() {
    if (Equation == 1 || Equation == 2)
        horizontalComponent(Equation - 1);
    else if (Equation == 3)
        verticalComponent();
}
