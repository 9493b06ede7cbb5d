#include "flow3d/flow3d.h"
#include "control/engine.h"
#include "equations/state.h"

// Filled as the equation steps are built; until then each step does nothing.
void turbulenceEarlyStep() {}
void turbulenceStep() {}
void temperatureStep() {}
