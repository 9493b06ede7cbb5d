#include "flow3d/flow3d.h"
#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "morphology/state.h"

// Filled as the equation steps are built; until then each step does nothing.
void turbulenceEarlyStep() {}
void turbulenceStep() {}
void temperatureStep() {}
