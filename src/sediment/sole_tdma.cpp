#include "sediment/sediment.h"

// Line solver of the sediment equation (FlagSedimSolver 1): does nothing until it is built.
void sole_tdma() {}
