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

// The driver: outer passes (time steps) of inner SIMPLE/SIMPLEC iterations
// until convergence, the last outer iteration or a numerical failure.
void WaterSolve();

// Boundary values of the cells beyond the domain faces: default inlet and
// outlet, the top layer, the openings of G 7 and frictionless side walls.
void boundary();
// Face mass fluxes flow1, flow2, flow3 from the present velocities and pressure.
void waterflow();

// The equation steps of one inner iteration, in the order the driver calls
// them. The momentum step reports a centre coefficient below 1e-30 by
// setting FlagErrorBreak to 1 and returning; the pressure-correction step
// leaves Cont, DefMax and its cell (flow3d/state.h).
void momentumStep();
void turbulenceEarlyStep();
void pressureCorrectionStep();
void turbulenceStep();
void temperatureStep();

// The `timeo` probe lines and the block forces of `forcelog`: empty the
// file at the start of a run, append the probe line of an outer pass, write
// the forces on the blocked boxes.
void timeoStart();
void timeoLine();
void forcelog();
