// The p' coupling of a face: the mass flux (kg/s) that a unit p' difference
// across the face drives.
#pragma once

#include "flow3d/interp.h"
#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "flow3d/state.h"

// Face of area A between cells P and N with the inverse momentum coefficients
// dP, dN (invAP or invAPC) and half sizes hP, hN normal to the face: the
// water density times A^2 times the face value of the coefficient.
inline double pressureCoupling(double A, double dP, double dN, double hP, double hN) {
    return kWaterDensity * A * A * faceByHalfSizes(dP, dN, hP, hN);
}

// The coefficient that the p' couplings and the corrections share: 1/a_P in
// SIMPLE runs, 1/(a_P - sum a_nb) in SIMPLEC runs, so that the corrected
// fluxes satisfy the discrete continuity that p' was solved for. The face
// fluxes themselves (Rhie-Chow) keep 1/a_P.
inline const FieldArray<double, 3>& correctionCoefficient() {
    return simple == 'Y' || invAPC.isNull() ? invAP : invAPC;
}
