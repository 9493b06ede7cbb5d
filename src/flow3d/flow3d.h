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

// Face mass fluxes flow1, flow2, flow3 (kg/s) of every face of the domain by
// Rhie-Chow interpolation of the cell velocities and pressures, weighted by
// invAP (invFlow when F 21 is negative); wall faces and the faces of blocked
// boxes carry zero. Writes nothing else.
void waterflow();

// Subtracts the pressure force on every interior cell from `source` of the
// momentum equation being built (Equation 1, 2 or 3; any other ends the run
// with -8).
void pressure_source();
