#include "control/reset.h"

#include "control/engine.h"
#include "control/log.h"
#include "flow3d/state.h"

void resetEngine() {
    clearRegionFault();
    SetArraysZero();
    resetFlowSolver();
}
