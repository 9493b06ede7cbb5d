// Stand-in definition of the residual normalisers (see startup.h); goes when
// the equation workspace, which defines them, is part of the build.
#include "grid/startup.h"

double NormResidual[kEquationTable];
