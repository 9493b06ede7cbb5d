// State owned by output. Declarations only, in the entries of
// control/state_lists.h; each group's comment line names its writers.
#pragma once

#include "control/state.h"

#define QUIRD_OUTPUT_STATE(V, A, I, F)                                                                         \
    /* Plot work array (no writer yet). */                                                                     \
    F(int, 3, graphDum)                                                                                        \
    /* Horizontal lengths of the grid lines between neighbouring nodes. Writer: WaterSolve. */                 \
    F(double, 2, LineI) F(double, 2, LineJ)

QUIRD_DECLARE_STATE(QUIRD_OUTPUT_STATE)
