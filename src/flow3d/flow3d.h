// 3-D flow solver: the routines that the run driver and the start-up call.
#pragma once

// Current outer iteration (time step in time-dependent runs), counted from 1.
extern long Iter;
// Simulated time (s).
extern double stime;

void WaterSolve();
