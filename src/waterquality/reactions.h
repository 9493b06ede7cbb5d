// Reaction and exchange terms of the water-quality components: one row per
// term type of the Q data sets, each with the cells it acts on and the
// amount it adds to the right-hand side of the receiving component.
#pragma once

#include "control/state.h"

// The cells a term acts on.
enum class TermCells { Interior, Top, Bed };

// What a term sees in the cell that receives it.
struct TermInput {
    double V1, V2;  // the record's values
    double M;       // water mass of the cell (kg)
    double A;       // plan area of the column (m2)
    double C;       // the receiving component
    double a, b;    // components compA and compB
    double aAbove;  // compA in the cell above (k + 1; above the surface in the top cell)
};

struct ReactionTerm {
    int type;
    TermCells cells;
    double (*amount)(const TermInput& t);  // added to source
};

// The row of a term type, or nullptr for a type without a term.
const ReactionTerm* reactionTerm(int type);

// Adds the terms of every Q record of component c to `source`: the top-cell
// records, then the bed-cell records, then the interior records, each scan
// in record order, from the concentrations as they stand. A record naming a
// component outside 0..NoComponents-1 adds nothing.
void addReactionTerms(int c);
