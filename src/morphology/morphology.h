// Morphology and bed change: the routines that the run driver and the start-up call.
#pragma once

void morphology();
void morphology_tsc();
void morphology2_tsc();
// The bed-layer fractions after a transient step (bed_fractions.cpp).
void morphology_fractions();
void morphology2_fractions();
void morphology2_fractions1();
void bedchange();
