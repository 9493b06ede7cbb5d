// State owned by water quality. Declarations only, in the entries of
// control/state_lists.h; each group's comment line names its writers.
#pragma once

#include "control/state.h"

#define QUIRD_WATERQUALITY_STATE(V, A, I, F)                                                                   \
    /* Component concentrations. Writers: Components (components.cpp); readConRes (comp). */                     \
    F(double, 4, comp) F(double, 4, comp_old)

QUIRD_DECLARE_STATE(QUIRD_WATERQUALITY_STATE)
