// Bed and wall laws of the depth-averaged plane (k = 0). Every interior
// column is cleared, then the law of the turbulence model (the plane wall
// law of its row in the model table) adds the bed friction of the momentum equations, the bed
// production and dissipation of k, or pins epsilon to its wall value.
//
// Friction velocities and resistances come from the wall laws of the 3-D
// solver: R = ln(30 y / ks) / kappa, the log floored at 0.01
// (walllaw::logLaw), with 31.62 sqrt(sqcmyrho k) for the density times the
// friction velocity u* = c_mu^0.25 sqrt(k).
//
// The k equation arrives with the shear production of turbulence2D in
// `source`; it is kept beside the bed terms.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/log.h"
#include "grid/geometry.h"
#include "turbulence/turbulence.h"
#include "surface2d/surface2d.h"

namespace {

// Resistance of a wall at distance y with roughness ks: ln(30 y / ks) / kappa,
// the log floored at 0.01.
inline double resistance(double y, double ks, double kappa) {
    return walllaw::logLaw(walllaw::point(y, ks, kappa, 0.0));
}

// ---------------------------------------------------------------------------
// Manning's law (model 7): the bed friction of Manning's formula and the log
// law at the side walls, both quadratic in the speed |U| of the column, so
// that the force -C U opposes the velocity whatever the direction of the grid.
// ---------------------------------------------------------------------------
// Friction of a side wall of area A at distance d from the cell centre, per
// unit speed: 1000 A (kappa / ln(30 d / ks))^2.
inline double sideWall(double A, double d) {
    const double R = resistance(d, XksWall, Xkappa);
    return kWaterDensity * A / (R * R);
}

void manningLaw() {
    if (Equation != 1 && Equation != 2)
        failf(-7, "Error in wallall2D, Equation = %d with the Manning viscosity\n", Equation);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double u = xvel[i][j][0], v = yvel[i][j][0];
            const double speed = std::sqrt(u * u + v * v);
            const double z = m_dist_z[i][j][0];
            double C = 14.4235449 * std::pow(Xks[i][j] / (2.0 * z), 0.3333) * m_armap[i][j];
            if (const int w = WallI[i][j][2]; w != 0)
                C += sideWall(w > 0 ? m_ar_x[i - 1][j][0] : m_ar_x[i][j][0], m_dist_x[i][j][0]);
            if (const int w = WallJ[i][j][2]; w != 0)
                C += sideWall(w > 0 ? m_ar_y[i][j - 1][0] : m_ar_y[i][j][0], m_dist_y[i][j][0]);
            wap[i][j][0] += C * speed;
        }
}

// ---------------------------------------------------------------------------
// The k-epsilon bed law (every other model): the log law from the bed to
// the column's mid-depth z, with the von Karman constant reduced by the
// sediment concentration. No side-wall friction.
// ---------------------------------------------------------------------------
struct Column {
    double kstar;  // max(k, 1e-9)
    double S;      // sqrt(sqcmyrho k*): 31.62 S is the density times u*
    double z;      // half the water depth
    double R;      // ln(30 z / ks) / kappa'
    double kappa;  // kappa' = kappa / (1 + 2.5 c)
    double V;      // water volume of the column
};

Column columnAt(int i, int j, int concLevel) {
    Column c{};
    c.kstar = std::max(kinen[i][j][0], 1e-9);
    c.S = std::sqrt(sqcmyrho * c.kstar);
    c.z = m_dist_z[i][j][0];
    c.kappa = Xkappa / (1.0 + 2.5 * conc[0][i][j][concLevel]);
    c.R = resistance(c.z, Xks[i][j], c.kappa);
    c.V = geometry::cellVolume(m_armap[i][j], c.z);
    return c;
}

void kEpsilonLaw(double c75) {
    const int eq = Equation;
    if (!(eq >= 1 && eq <= 3) && eq != 5 && eq != 6) failf(-4, "Error in wallall2D, Equation = %d\n", eq);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (eq <= 3) {
                const Column c = columnAt(i, j, 2);
                wap[i][j][0] += 31.62 * c.S * m_armap[i][j] / c.R;
            } else if (eq == 5) {
                const Column c = columnAt(i, j, 0);
                const double u = xvel[i][j][0], v = yvel[i][j][0];
                wap[i][j][0] += kWaterDensity * c75 * std::sqrt(c.kstar) * c.R / c.z * c.V;
                source[i][j][0] += 31.62 * c.S / c.R * (u * u + v * v) / c.z * c.V;
            } else {
                const Column c = columnAt(i, j, 0);
                wap[i][j][0] += 1e30;
                source[i][j][0] += 1e30 * c75 * std::pow(c.kstar, 1.5) / (c.kappa * c.z);
            }
        }
}

}  // namespace

void wallall2D() {
    sqcmyrho = kWaterDensity * std::sqrt(cmy);
    const double c75 = std::pow(cmy, 0.75);
    const PlaneWallLaw law = turbulenceModel().plane.wallLaw;
    // The shear production that turbulence2D left for k stays beside the bed terms.
    const bool keepProduction = law == PlaneWallLaw::KEpsilon && Equation == 5;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            wap[i][j][0] = 0.0;
            if (!keepProduction) source[i][j][0] = 0.0;
        }
    if (law == PlaneWallLaw::Manning)
        manningLaw();
    else
        kEpsilonLaw(c75);
}
