// The pressure forms of F 46 7, 9 and 10 are not built yet: a run that asks
// for them ends rather than going on without a pressure force.
#include "control/engine.h"
#include "flow3d/pressure_forms.h"

void levelPressureForm() { failf(-8, "Error in pressure_source, F 46 = %d is not available\n", FlagPresGrad); }
