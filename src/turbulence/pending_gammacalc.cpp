// Stand-in so that this branch links; the eddy viscosity is written elsewhere.
#include "turbulence/turbulence.h"

void GammaCalc() {}
