// Free water surface and depth-averaged 2-D flow: the routines that the run driver and the start-up call.
#pragma once

void WaterSolve2D();

// Pressure-based update of the water surface (sets FlagGridChange).
void surface();
// Transient update of the water surface from the continuity of each column.
void surface_tfs();
