// 3-D flow solver: the routines that the run driver and the start-up call.
#pragma once

// Current outer iteration (time step in time-dependent runs), counted from 1.
extern long Iter;
// Simulated time (s).
extern double stime;
// Von Karman constant of the wall laws (0.4, set by the solver start-up).
extern double Xkappa;
// Under-relaxation factors, taken over from K 3 by the solver start-up:
// velocities (u, v, w alike), pressure, k and epsilon.
extern double relaxVelocity, relaxPressure, relaxK, relaxEpsilon;

void WaterSolve();
