// Turbulence models and wall laws: eddy viscosity and diffusivity.
#pragma once

// Slots of the stress store Rstress[s][i][j][k] (allocated only when F 207's
// first value is nonzero or F 220 is above 0):
//  0..8   the tensor of the first algebraic stress model, rows xx xy xz, yx yy yz, zx zy zz;
//  9      the eddy viscosity of the second algebraic stress model, kg/(m s)
//         (density folded in, no molecular part); zero where that model
//         writes nothing, its boundary cells included;
//  10..12 that model's momentum sources of u, v, w;
//  13..21 its stress components.
constexpr int kStressTensorSlot = 0;
constexpr int kStressViscositySlot = 9;
constexpr int kStressSourceSlot = 10;
constexpr int kStressComponentSlot = 13;

// Effective viscosity gama (kg/(m s), molecular 0.001 and ArtEddyVisc
// included) of every cell for the equation now in the workspace (`Equation`,
// set by the caller), its copy gamaV for the k-faces, and the scalar
// diffusivity diff (m2/s). Depends only on the present fields, not on
// earlier calls.
void GammaCalc();

// One turbulence model's eddy viscosity, by its F 24 code.
struct ViscosityModel {
    // 1000 c_mu of the k-epsilon term c k^2/epsilon (0: the model has none).
    double cmuRho;
    // Factors on the whole viscosity of the k-epsilon cells: for the epsilon
    // equation (Equation 6), and for every Equation of 5 and above.
    double epsilonFactor;
    double turbulenceFactor;
    // The model's own term, added after the near-bed damping (null: none).
    void (*ownTerm)();
};
constexpr int kTurbulenceModels = 21;  // F 24 codes 0..20
const ViscosityModel& viscosityModel(int code);
