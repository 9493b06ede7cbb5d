// Morphology and bed change: the routines that the run driver and the start-up call.
#pragma once

void morphology();
void morphology_tsc();
void morphology2_tsc();
void bedchange();
