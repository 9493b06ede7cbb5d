// State that the solver start-up leaves for the flow solvers and the residual.
#pragma once

#include "control/engine.h"

// Residual normaliser per equation, entries 1..7 set by the start-up.
// The equation workspace owns this array; this declaration and its
// definition in residual_norms.cpp stand in for it until the workspace is
// part of the build, and go when it is.
extern double NormResidual[kEquationTable];
