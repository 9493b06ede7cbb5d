// State owned by morphology: bed movement and bed forms. Declarations only,
// in the entries of control/state_lists.h; each group's comment line names
// its writers.
#pragma once

#include <vector>

#include "control/state.h"

#define QUIRD_MORPHOLOGY_STATE(V, A, I, F)                                                                     \
    /* Bed movement of a step. Writers: morphology_fractions, morphology2_fractions, morphology2_fractions1 (bed_fractions.cpp); morphology_tsc (morphology_tsc.cpp); morphology and its sweeps (morphology_quasi.cpp). */ \
    F(double, 2, BedMove)                                                                                      \
    /* Bed movement and bed forms. Writers: concRijn (conc_rijn.cpp: Bedformheight). */                       \
    F(double, 2, BedChangeTotal) F(double, 2, Bedformheight)                                                   \
    /* Step count of a transient morphology call: the step being taken (0..tscSteps-1), the number of steps and the feed-backs made. Writers: morphology_tsc (morphology_tsc.cpp); tscCyclicFeedback (time_series.cpp: tscCyclicCount). */ \
    V(long long, global_iter, 0) V(long long, tscSteps, 0) V(long long, tscCyclicCount, 0)                      \
    /* Cap of the concentrations of a transient call with the second-order scheme: the largest inflow, bed-cell */ \
    /* and equilibrium value met so far. Writers: morphology_tsc (morphology_tsc.cpp). */                         \
    V(double, tscCap, 0.0) \
    /* Scattered bed points of `geodata` (point n in slot n, slot 0 unused) and the running flag of the bed interpolation. Writers: readGeodata, BedInterThread (bed_interpolation.cpp). */ \
    V(std::vector<double>, xg, {}) V(std::vector<double>, yg, {}) V(std::vector<double>, zg, {})             \
    V(int, tBedInter, 0) \
    /* Sediment continuity account of a transient morphology call: per fraction (1..lnumber) the grain */        \
    /* volumes (m3) in and out since the start, the layers' start volumes and their changes, the suspended */    \
    /* volume at the start and now; the totals in m3 of deposited bed. Writers: tscAccountReset, */                \
    /* tscAccountStart, tscAccountStep (sediment_account.cpp). */                                                   \
    A(double, tscIn, [kFractionTable]) A(double, tscOut, [kFractionTable])                                     \
    A(double, tscA0, [kFractionTable]) A(double, tscI0, [kFractionTable])                                      \
    A(double, tscAct, [kFractionTable]) A(double, tscInact, [kFractionTable])                                  \
    A(double, tscS0, [kFractionTable]) A(double, tscSusp, [kFractionTable])                                    \
    V(double, SumFlux1, 0.0) V(double, SumFlux2, 0.0) V(double, SumSusp, 0.0) V(double, SuspInit, 0.0)         \
    V(double, Bmove, 0.0) V(double, Sumfluxbed, 0.0) V(double, SumBed, 0.0) V(double, DtBed, 0.0)              \
    V(double, SumFlux1Prev, 0.0) V(double, SumFlux2Prev, 0.0) V(double, SumSuspPrev, 0.0) \
    /* Which transient driver runs: 0 morphology_tsc, 1 its twin with the bed-layer equation (morphology2_tsc), */ \
    /* set at the entry of a call. Its steps read it where the twin differs. Writers: morphology_tsc (morphology_tsc.cpp). */ \
    V(int, tscTwin, 0)

QUIRD_DECLARE_STATE(QUIRD_MORPHOLOGY_STATE)
