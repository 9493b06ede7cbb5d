// The iteration counter, the clock and the factors of the flow solver that
// the lower subsystems read.
#include "flow3d/flow3d.h"

long Iter;
double stime;
double Xkappa = 0.4;
double relaxVelocity, relaxPressure, relaxK, relaxEpsilon;
