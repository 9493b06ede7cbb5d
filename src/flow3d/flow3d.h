// 3-D flow solver: the routines that the run driver and the start-up call.
#pragma once

// Its state (Iter, stime, Xkappa, relaxation factors, the flow fields) is
// in flow3d/state.h.

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
