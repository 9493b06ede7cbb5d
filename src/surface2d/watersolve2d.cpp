#include "surface2d/surface2d.h"

// Filled as the subsystem is built; until then each task does nothing.
void WaterSolve2D() {}
