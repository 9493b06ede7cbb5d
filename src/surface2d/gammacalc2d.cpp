// Eddy viscosity gama and diffusivity diff of the depth-averaged plane
// (k = 0): a background value everywhere, and in the interior cells the
// turbulence model's viscosity, by the plane viscosity of its row in the
// model table.
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "turbulence/turbulence.h"
#include "surface2d/surface2d.h"

namespace {

// One turbulence model's viscosity in the plane.
struct PlaneTerms {
    // 1000 c_mu of the k-epsilon term c k^2 / epsilon (0: none).
    double cmuRho;
    // Whether the depth-scaled Manning term is added.
    bool manning;
    // Factors on the whole viscosity of an interior cell: for the epsilon
    // equation, and for the k and epsilon equations (Equation above 4).
    double epsilonFactor;
    double turbulenceFactor;
};

// The plane viscosity of a model's row: the k-epsilon term and the factors
// of its 3-D viscosity where the plane carries them.
PlaneTerms planeTerms(const TurbulenceModelRow& model) {
    const TurbulenceModelRow::Viscosity& v = model.viscosity;
    switch (model.plane.viscosity) {
    case PlaneViscosity::Background: break;
    case PlaneViscosity::Manning: return {0.0, true, v.epsilonFactor, v.turbulenceFactor};
    case PlaneViscosity::KEpsilonManning: return {v.cmuRho, true, v.epsilonFactor, v.turbulenceFactor};
    }
    return {0.0, false, 1.0, 1.0};
}

}  // namespace

void GammaCalc2D() {
    const int X = xnumber, Y = ynumber;
    const double base = ArtEddyVisc + kMolecularViscosity;
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j) gama[i][j][0] = base;

    const PlaneTerms m = planeTerms(turbulenceModel());
    const double factor = (Equation == 6 ? m.epsilonFactor : 1.0) * (Equation > 4 ? m.turbulenceFactor : 1.0);
    if (m.cmuRho != 0.0 || m.manning)
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) {
                double g = gama[i][j][0];
                if (m.cmuRho != 0.0) {
                    const double k = kinen[i][j][0];
                    g += m.cmuRho * k * k / (epsilon[i][j][0] + 1e-20);
                }
                if (m.manning) {
                    const double u = xvel[i][j][0], v = yvel[i][j][0];
                    g += manningEddyViscosity(m_dist_z[i][j][0], Xks[i][j], std::sqrt(u * u + v * v));
                }
                gama[i][j][0] = g * factor;
            }

    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j) diff[i][j][0] = 0.001 * gama[i][j][0] / Schmidt;
}
