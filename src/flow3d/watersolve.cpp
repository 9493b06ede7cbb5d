#include "flow3d/flow3d.h"

long Iter;
double stime;
double Xkappa = 0.4;
double relaxVelocity, relaxPressure, relaxK, relaxEpsilon;

// Filled as the subsystem is built; until then each task does nothing.
void WaterSolve() {}
