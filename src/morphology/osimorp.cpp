#include "morphology/morphology.h"

// Filled as the subsystem is built; until then each task does nothing.
void morphology_tsc() {}
void morphology2_tsc() {}
