// State that the solver start-up leaves for the flow solvers and the residual:
// the residual normalisers NormResidual[1..7] of the equation workspace; the
// relaxation factors of K 3 that the flow solver derives at each call.
#pragma once

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"

// The under-relaxation factors of K 3 as the flow solvers use them: u, v, w
// (entry 1), p' (4), k (5) and epsilon (6), each kept within (floor, 2.0),
// else the floor (0.001 for u and p', 0.01 for k and epsilon).
struct RelaxationFactors {
    double velocity, pressure, k, epsilon;
};
RelaxationFactors relaxationFactorsOfK3();
