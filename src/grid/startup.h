// State that the solver start-up leaves for the flow solvers and the residual:
// the residual normalisers NormResidual[1..7] of the equation workspace, the
// relaxation factors and Xkappa of the flow solver.
#pragma once

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
