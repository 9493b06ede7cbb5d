// Porous bed zones and vegetation: the resistance they add to the equation
// being built, the readers of their files `porosity` and `vegdata`, the
// pressure solve inside strongly vegetated cells, the writer of a `porosity`
// file from scattered bed points, and the empty user hooks.
//
// A column (i, j) carries four levels L0..L3 (`LevPorosBed`) and four values
// (`PorosityBed`: porosities of the bed zone, or the vegetation values). A
// cell lies inside the zone when the level of its top face is below L3.
#pragma once

// Top-face level of cell (i, j, k): the mean of its four upper corner nodes.
double topFaceLevel(int i, int j, int k);

// Porous-bed resistance of the current `Equation` (1..3 velocities, 5 k,
// 6 epsilon; other values only set up the zones). Reads `porosity` at the
// first call. Main thread, outside any parallel region.
void extra_source();

// Vegetation drag of the current `Equation`: reads `vegdata` at the first
// call (whatever the equation), then adds the drag of F 115 to u, v and w.
// Main thread, outside any parallel region.
void extra_sourceDLL();

// The porous-bed terms (F 7 letter P) and the vegetation drag (F 115 above
// 0) of the current `Equation`, as the momentum and turbulence steps add them
// before their under-relaxation.
void porousAndVegetationTerms();

// Pressure of the cells whose `Porosity` exceeds `Plimit`, solved from the
// surrounding pressures (F 133); whole domain, one thread.
void PorositySolver();

// Writes `porosity` from the scattered bed points of `geodata` (log
// `boogie.por`); 0 on success, -1 on every failure. Nothing calls it.
int porbed();

// User hooks: empty, and nothing calls them.
void concRijnDLL();
void surface_tfsDLL();
void turbulenceDLL();
void GammaCalcDLL();
void wall_lawsDLL();
