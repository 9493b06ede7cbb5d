// The exchange between the active bed layer (`bedgrain`) and the inactive
// layer beneath it (`BedGrainOriginal`) in one bed column, after a transient
// morphology step has given the bed-level change of every size class.
//
// The exchange is a pure function of the column: the per-size changes and
// both layers in, both layers and the diagnostics out. The three fraction
// routines (morphology_fractions, morphology2_fractions,
// morphology2_fractions1) form the per-size changes each in its own way and
// share the exchange and its checks through one row of the rule table.
#pragma once

#include "control/state.h"

namespace bedlayers {

// A bed layer as the state holds it: [0] thickness (m), [1..lnumber] volume
// fraction of each size class.
struct Layer {
    double v[kFractionTable] = {};
};

// One row per fraction routine: what differs in the exchange and in the
// lines it logs.
struct LayerRule {
    const char* routine;
    double floor;        // least content of a size in the active layer after the step (m)
    bool movingBottom;   // the layer boundary moves (morphology2_fractions1); else the cases E1..D4
    const char* bedMoveLine;   // second line of the warnings: BedMove, bedmove, inactive thickness
    const char* negativeLine;  // negative active thickness: thickness, i, j
    const char* fractionLine;  // third line of a fraction outside 0..1: bedmove, moved, SumG, l, midA
};

extern const LayerRule kLayerCases;        // morphology_fractions
extern const LayerRule kLayerFallVelocity; // morphology2_fractions
extern const LayerRule kLayerMovingBottom; // morphology2_fractions1

// What the exchange did in a column. The case names follow the table of the
// exchange (E1, E2, E3 erosion, N no change, D1..D4 deposition; for the
// moving bottom layer Er, N, De).
struct Exchange {
    Layer active, inactive;        // the layers after the exchange and the clean-up
    double midA[kFractionTable] = {};  // content of each size in the active layer after the step (m)
    double S = 0.0;                // sum of midA
    double bedmove = 0.0;          // change of the active layer's content (moving bottom: sum of dz)
    double SumG = 0.0;             // sum of the fractions the case produced (1 where it normalises)
    double moved = 0.0;            // thick2 (E1) or movebottomlayer: thickness across the boundary
    double BedMove = 0.0;          // BedMove of the column after the step
    double erosionBelow = 0.0;     // active thickness before plus bedmove (moving bottom warning)
    char name[3] = {};
};

// The exchange of one column: n sizes, their changes dz[1..n] (m), the layers
// before the step, the active-layer limit maxgrain and the column's BedMove
// before the step (0 unless it accumulates). Pure: reads nothing else.
Exchange exchangeColumn(const LayerRule& rule, int n, const double* dz, const Layer& active, const Layer& inactive,
                        double maxgrain, double bedMoveBefore);

// The checks of a column after its layers are stored, in their order: the
// erosion warning (moving bottom), the SumG warning, a negative active
// thickness (ends the run with -44), fractions outside 0..1. Lines go to
// `boogie`, opened and closed for each group (-3 when it cannot be opened).
void checkColumn(const LayerRule& rule, const Exchange& x, int n, int i, int j);

}  // namespace bedlayers
