#include "sediment/sediment.h"

// Filled as the subsystem is built; until then each task does nothing.
void coeffe_setup() {}
void coeffe_setup2() {}
void suspinit() {}
