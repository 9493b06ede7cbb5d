#include "flow3d/flow3d.h"

// Filled as the equation steps are built; until then each step does nothing.
void momentumStep() {}
void turbulenceEarlyStep() {}
void pressureCorrectionStep() {}
void turbulenceStep() {}
void temperatureStep() {}
