#include "morphology/morphology.h"

// Filled as the subsystem is built; until then the task does nothing.
void morphology() {}
