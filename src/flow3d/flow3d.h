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

// The momentum step of one inner iteration: eddy viscosity and coefficients
// once, then the equations of u, v and w in turn (wall laws, pressure
// gradient, time term, under-relaxation, pressure-coupling coefficients
// invAP, invFlow, invAPC, blocked boxes, residual, block correction, sweeps,
// debug dump). A zero centre coefficient of u logs the cell, sets
// FlagErrorBreak and returns before u is solved.
void momentumStep();
// Pressure-gradient force of the momentum equation `Equation` into `source`.
void pressure_source();
// Appends the coefficients of the G 14 cells of the equation just solved
// (`Equation`) to `boogie`; a neighbour outside the arrays is printed as 0.
void debugDump();
