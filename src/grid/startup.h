// State that the solver start-up leaves for the flow solvers and the residual:
// the residual normalisers NormResidual[1..7] of the equation workspace.
#pragma once

#include "control/engine.h"
#include "equations/workspace.h"
