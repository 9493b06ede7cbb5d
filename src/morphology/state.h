// State owned by morphology: bed movement and bed forms. Declarations only,
// in the entries of control/state_lists.h; each group's comment line names
// its writers.
#pragma once

#include <vector>

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
    V(double, tscCap, 0.0) \
    /* Scattered bed points of `geodata` (point n in slot n, slot 0 unused) and the running flag of the bed interpolation. Writers: readGeodata, BedInterThread (bed_interpolation.cpp). */ \
    V(std::vector<double>, xg, {}) V(std::vector<double>, yg, {}) V(std::vector<double>, zg, {})             \
    V(int, tBedInter, 0)

QUIRD_DECLARE_STATE(QUIRD_MORPHOLOGY_STATE)
