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
// Bed levels of the nodes from the scattered points of `geodata` (bed_interpolation.cpp):
// readGeodata returns the bytes held for the points, 0.0 when `geodata` cannot
// be opened again for reading, -1.0 when `boogie.bed` cannot be created or
// memory runs out, -2.0 when `geodata` cannot be opened.
double readGeodata();
void BedInterThread();
