// Stand-in so that this branch links; the pressure-gradient source is written elsewhere.
#include "flow3d/flow3d.h"

void pressure_source() {}
