// State owned by morphology: bed movement and bed forms. Declarations only,
// in the entries of control/state_lists.h; each group's comment line names
// its writers.
#pragma once

#include "control/state.h"

#define QUIRD_MORPHOLOGY_STATE(V, A, I, F)                                                                     \
    /* Bed movement of a step. Writers: morphology_fractions, morphology2_fractions, morphology2_fractions1 (bed_fractions.cpp); morphology_tsc (morphology_tsc.cpp). */ \
    F(double, 2, BedMove)                                                                                      \
    /* Bed movement and bed forms. Writers: concRijn (conc_rijn.cpp: Bedformheight). */                       \
    F(double, 2, BedChangeTotal) F(double, 2, Bedformheight)                                                   \
    /* Step count of a transient morphology call: the step being taken (0..tscSteps-1), the number of steps and the feed-backs made. Writers: morphology_tsc (morphology_tsc.cpp); tscCyclicFeedback (tsc_steps.cpp: tscCyclicCount). */ \
    V(long long, global_iter, 0) V(long long, tscSteps, 0) V(long long, tscCyclicCount, 0)                      \
    /* Cap of the concentrations of a transient call with the second-order scheme: the largest inflow, bed-cell */ \
    /* and equilibrium value met so far. Writers: morphology_tsc (morphology_tsc.cpp). */                         \
    V(double, tscCap, 0.0)                                                                                     \
    /* Which transient driver runs: 0 morphology_tsc, 1 its twin with the bed-layer equation (morphology2_tsc), */ \
    /* set at the entry of a call. Its steps read it where the twin differs. Writers: morphology_tsc (morphology_tsc.cpp). */ \
    V(int, tscTwin, 0)

QUIRD_DECLARE_STATE(QUIRD_MORPHOLOGY_STATE)
