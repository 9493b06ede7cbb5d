// Stand-in until the level-interpolated pressure forms are built: a run that
// asks for them ends rather than going on without a pressure force.
#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "flow3d/pressure_forms.h"

void levelPressureForm() { failf(-8, "Error in pressure_source, F 46 = %d is not available\n", FlagPresGrad); }
