// State owned by morphology: bed movement and bed forms. Declarations only,
// in the entries of control/state_lists.h; each group's comment line names
// its writers.
#pragma once

#include "control/state.h"

#define QUIRD_MORPHOLOGY_STATE(V, A, I, F)                                                                     \
    /* Bed movement of a step. Writers: morphology_fractions, morphology2_fractions, morphology2_fractions1 (bed_fractions.cpp); morphology and its sweeps (morphology_quasi.cpp). */ \
    F(double, 2, BedMove)                                                                                      \
    /* Bed movement and bed forms. Writers: concRijn (conc_rijn.cpp: Bedformheight). */                       \
    F(double, 2, BedChangeTotal) F(double, 2, Bedformheight)                                                   \
    /* Step count of a transient morphology call: the step being taken (0..tscSteps-1), the number of steps and the feed-backs made. Writers: morphology_tsc (morphology_tsc.cpp); tscCyclicFeedback (tsc_steps.cpp: tscCyclicCount). */ \
    V(long long, global_iter, 0) V(long long, tscSteps, 0) V(long long, tscCyclicCount, 0)

QUIRD_DECLARE_STATE(QUIRD_MORPHOLOGY_STATE)
