#include "flow3d/flow3d.h"

// Filled as the subsystem is built; until then each task does nothing.
void WaterSolve() {}
