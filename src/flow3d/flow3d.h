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

// Face mass fluxes flow1, flow2, flow3 from the current velocities and pressure.
void waterflow();

// The pressure-correction step of the inner iteration (called by WaterSolve):
// face fluxes, the p' equation and its solve, the corrections, and the
// continuity values Cont, DefMax and the DefMax cell (state.h).
void pressureCorrectionStep();

// The two halves of the pressure-correction step (pressure_correction.cpp,
// simple_corrections.cpp): the p' couplings and sources, and the corrections of
// fluxes, velocities and pressure by the p' in the workspace array f.
void pressure_correction();
void SimpleCorrections();

// After a solve of the flow solver: the coefficient print-out in `boogie` for
// every G 14 record of the equation now in the workspace.
void debugDump();
