// The steps of one outer iteration of the quasi-steady sediment solution
// (suspsed.cpp), each writing to the log that the iteration holds open.
#pragma once

#include "control/state.h"

class Log;

namespace quasi {

// What the bed-cell rules of one call share: the boundary bed maxima of the
// fractions at entry (rule D) and the weights of the extrapolation from the
// centres of cells 3 and 4 to the bed cell (rule B2), from column (2, 2).
struct RuleSetup {
    double boundaryMax[kFractionTable] = {};
    double w3 = 0.0, w4 = 0.0;
};
RuleSetup ruleSetup();

// The bed cells of fraction l by the rules of F 30, in place, i outer and j
// inner: the neighbour mean with the floor c0 times the share, then by
// BedFlags[2] from the cells above, by BedFlags[3] from the bed-cell balance,
// capped (BedFlags[4]) by the boundary maximum.
void bedCellRules(int l, const RuleSetup& setup);
// BedFlags[5] positive: the active-layer share of fraction l from its bed
// cell, c/c0 capped at 1 (none where c0 vanishes).
void activeShareRule(int l);

// What the outer iteration tells its steps.
struct Iteration {
    int n;          // outer iteration, from 0
    bool report;    // a report iteration
    bool last;      // n = iter_morph - 1
};

// Balance of every fraction (sediment_balance.cpp): the fluxes through the
// faces of the domain and the net deposition, `outflow` and `trapped`, the
// trap-efficiency report and, in the last iteration of a single-block grid,
// the continuity check. Returns the sediment residual, the sum over the
// fractions of their balance defects.
double sedimentBalance(Log& log, const Iteration& it);

// Sediment flux through the PrintConc sections, reported (report iterations).
void sectionFluxes(Log& log);

// Composition of the active bed layer from the bed-cell balance, by the
// method of BedFlags[1] (bed_composition.cpp); `weight` 1.0 in the restart
// iteration, otherwise 0.5.
void bedComposition(Log& log, double weight, double residual);

}  // namespace quasi
