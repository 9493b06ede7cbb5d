// Eddy viscosity gama, its k-face copy gamaV and the diffusivity diff: the
// base value, the turbulence model's viscosity (the viscosity traits of its
// row in the model table) and the modifiers of the 3-D model.
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "equations/workspace.h"
#include "turbulence/turbulence.h"

namespace {

// Every cell i 1..xnumber+1, j 1..ynumber+1, k 1..znumber+1.
template <typename F>
void allCells(F f) {
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 1; k <= znumber + 1; ++k) f(i, j, k);
}

void setDiffusivity() {
    const double s = invSchmidt[0];
    allCells([s](int i, int j, int k) { diff[i][j][k] = gama[i][j][k] * 0.001 * s; });
}

// The second algebraic stress model supplies the viscosity from the second
// outer iteration on: for momentum always, for k and epsilon as F 207's
// fourth value says.
bool stressModelViscosity() {
    if (Iter <= 1 || !(FlagStress1DLL > 0 || FlagReynoldsStress > 9)) return false;
    if (Equation >= 1 && Equation <= 3) return true;
    if (Equation == 5) return FlagASMvisc == 1 || FlagASMvisc == 3;
    if (Equation == 6) return FlagASMvisc == 2 || FlagASMvisc == 3;
    return false;
}

// gama += C k^2 / (epsilon + 1e-20) on the interior columns up to the level
// above the top cell, then the model's Prandtl factor for this equation.
void kEpsilonViscosity(const TurbulenceModelRow::Viscosity& m) {
    const double factor = (Equation == 6 ? m.epsilonFactor : 1.0) * (Equation >= 5 ? m.turbulenceFactor : 1.0);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber + 1; ++k) {
                const double kin = kinen[i][j][k];
                gama[i][j][k] += m.cmuRho * kin * kin / (epsilon[i][j][k] + 1e-20);
                gama[i][j][k] *= factor;
            }
}

// Floor of a damped viscosity; a value that is not a number also gives it.
double floored(double g) { return g >= kMolecularViscosity ? g : kMolecularViscosity; }

// F 288 1: van Driest damping near a rough or smooth bed.
void nearBedDamping() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double ustar = std::sqrt(std::sqrt(cmy) * kinen[i][j][2]);
            const double ksPlus = ustar * Xks[i][j] * 1000000.0;
            double y = m_dist_z[i][j][2];  // height of the cell centre above the bed
            for (int k = 2; k <= znumber; ++k) {
                const double yPlus = ustar * y * 1000000.0;
                const double f = (1.0 - std::exp(-(yPlus / 42.0) * (yPlus / 42.0))) +
                                 std::sqrt(ksPlus / 200.0) * std::exp(-25.0 * yPlus / ksPlus);
                gama[i][j][k] = floored(gama[i][j][k] * f);
                y = y + m_dist_z[i][j][k] + m_dist_z[i][j][k + 1];
            }
        }
}

// Model 7: a depth-scaled viscosity from the Manning number of the bed
// roughness (0.03846 ks^(1/6)) and the surface speed.
void manningViscosity() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double u = xvel[i][j][znumber], v = yvel[i][j][znumber];
            const double U = std::sqrt(u * u + v * v);
            const double h = m_dist_z[i][j][0];
            const double add = manningEddyViscosity(h, Xks[i][j], U);
            for (int k = 2; k <= znumber; ++k) gama[i][j][k] += add;
        }
}

// Models 8 and 9: low-Reynolds damping from the bed cell's speed.
void wallDampedViscosity() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double u = xvel[i][j][2], v = yvel[i][j][2], w = zvel[i][j][2];
            const double U = std::sqrt(u * u + v * v + w * w + 1e-8);
            const double ustar = std::sqrt((U * 0.001 / m_dist_z[i][j][2]) * 0.001);
            double y = m_dist_z[i][j][2];
            for (int k = 2; k <= znumber; ++k) {
                const double yPlus = ustar * y * 1000000.0;
                double f = 1.0 - std::exp(-0.0002 * yPlus - 0.00065 * yPlus * yPlus);
                if (f < 0.0) f = 0.0;
                gama[i][j][k] = std::fmax(f * gama[i][j][k], kMolecularViscosity);
                y = y + m_dist_z[i][j][k] + m_dist_z[i][j][k + 1];
            }
        }
}

// Model 14: 1000 nu-tilde (held in kinen).
void nuTildeViscosity() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber + 1; ++k) gama[i][j][k] += kWaterDensity * kinen[i][j][k];
}

// Models 15 and 16: 1000 k / omega (omega held in epsilon).
void kOmegaViscosity() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber + 1; ++k)
                gama[i][j][k] += kWaterDensity * kinen[i][j][k] / (epsilon[i][j][k] + 1e-20);
}

// Vegetation: a viscosity that follows each cell's share of the
// drag-weighted velocity, p(k) = sqrt(h/2 porosity (u^2 + v^2)).
void vegetationViscosity() {
    const int Z = znumber;
    auto q = [](int i, int j, int k) {
        const double u = xvel[i][j][k], v = yvel[i][j][k];
        return m_dist_z[i][j][k] * Porosity[i][j][k] * (u * u + v * v);
    };
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double H = 0.0, S1 = 0.0, S2 = 0.0;
            for (int k = 2; k <= Z; ++k) {
                const double qk = q(i, j, k);
                H += m_dist_z[i][j][k];
                S1 += qk;
                S2 += std::sqrt(qk);
            }
            const double F = TurbCoeffVeg * 1414.0 * H * std::sqrt(S1) / (S2 / (Z - 1) + 1e-20);
            for (int k = 2; k <= Z; ++k) gama[i][j][k] += std::sqrt(q(i, j, k)) * F;
        }
}

// F 197: wall cells from level DESFlag + 2 up take a Smagorinsky viscosity
// from the strain-rate invariant and the cell size (times the density, as
// gama holds).
void subgridAtWalls() {
    if (DESFlag >= znumber) return;  // no level to replace
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = DESFlag + 2; k <= znumber; ++k) {
                if (Wall[i][j][k] != 1) continue;
                const double size = m_dist_x[i][j][k] * m_dist_y[i][j][k] * m_dist_z[i][j][k];
                gama[i][j][k] = kWaterDensity * std::sqrt(Stress[i][j][k] / Volume[i][j][k]) * 0.015874 *
                                std::pow(size, 0.666666667);
            }
}

// Damping by a stable concentration profile (gradient Richardson number).
void stratification() {
    const int Z = znumber;
    const double r = relaxDensityTurb;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            auto c = [i, j](int k) { return conc[0][i][j][k]; };
            auto U = [i, j](int k) { return std::sqrt(xvel[i][j][k] * xvel[i][j][k] + yvel[i][j][k] * yvel[i][j][k]); };
            for (int k = 2; k <= Z; ++k) {
                double dc, dU;
                if (k == 2) {
                    dc = c(3) - c(2);
                    dU = U(3) - U(2);
                } else if (k == Z) {
                    dc = c(Z) - c(Z - 1);
                    dU = U(Z) - U(Z - 1);
                } else {
                    dc = 0.5 * (c(k + 1) - c(k - 1));
                    dU = 0.5 * (U(k + 1) - U(k - 1));
                }
                double Ri = 0.5 * (-9.81 * dc) / ((dU + 1e-6) * (dU + 1e-6) * m_dist_z[i][j][k]);
                if (Ri < 0.0) Ri = 0.0;
                gama[i][j][k] = ((1.0 - r) + r / std::sqrt(1.0 + 10.0 * Ri)) * gama[i][j][k] + 0.001;
            }
        }
}

// F 307: levels whose height, (2k - 3) half heights of the bed cell, lies
// below TurbMultLev take TurbMultTest times their viscosity.
void nearBedMultiplier() {
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 2; k <= znumber + 1; ++k)
                if ((2 * k - 3) * m_dist_z[i][j][2] < TurbMultLev) gama[i][j][k] *= TurbMultTest;
}

void copyToK() {
    allCells([](int i, int j, int k) { gamaV[i][j][k] = gama[i][j][k]; });
}

// The model's own term, added after the near-bed damping (null: none).
using Term = void (*)();
Term ownTerm(ViscosityTerm term) {
    switch (term) {
    case ViscosityTerm::None: return nullptr;
    case ViscosityTerm::Manning: return manningViscosity;
    case ViscosityTerm::WallDamping: return wallDampedViscosity;
    case ViscosityTerm::NuTilde: return nuTildeViscosity;
    case ViscosityTerm::KOverOmega: return kOmegaViscosity;
    }
    return nullptr;
}

}  // namespace

double manningEddyViscosity(double d, double ks, double speed) {
    return 110.0 * d * (0.03846 * std::pow(ks, 0.166667)) * speed * 3.132 * std::pow(d, -0.16667);
}

void GammaCalc() {
    const TurbulenceModelRow::Viscosity& model = turbulenceModel().viscosity;

    if (stressModelViscosity()) {
        const double factor = Equation == 6 ? model.epsilonFactor : 1.0;
        allCells([factor](int i, int j, int k) {
            gama[i][j][k] = gamaV[i][j][k] = Rstress[kStressViscositySlot][i][j][k];
            gama[i][j][k] *= factor;
            gamaV[i][j][k] *= factor;
        });
        setDiffusivity();
        return;
    }

    const double base = ArtEddyVisc + kMolecularViscosity;
    allCells([base](int i, int j, int k) { gama[i][j][k] = base; });
    if (model.cmuRho != 0.0) kEpsilonViscosity(model);
    if (FlagGammaDamp == 1) nearBedDamping();
    if (const Term term = ownTerm(model.term)) term();
    if (FlagDragDLL > 0 && FlagInitPoros > 0 && TurbCoeffVeg > 0.0001) vegetationViscosity();
    if (DESFlag >= 1) subgridAtWalls();
    setDiffusivity();
    if (relaxDensityTurb > 0.001 && SourDens > 0.001) stratification();
    if (TurbMultFlag == 1) nearBedMultiplier();
    copyToK();
}
