// 3-D flow solver: the routines that the run driver and the start-up call.
#pragma once

// Its state (Iter, stime, Xkappa, relaxation factors, the flow fields) is
// in flow3d/state.h.

// The driver: outer passes (time steps) of inner SIMPLE/SIMPLEC iterations
// until convergence, the last outer iteration or a numerical failure.
void WaterSolve();
// The constants of a call of WaterSolve or WaterSolve2D, derived at its start:
// Xkappa 0.4 and the relaxation factors of K 3 (relaxationFactorsOfK3).
void deriveSolverConstants();

// Horizontal lengths LineI, LineJ of the grid lines between neighbouring
// nodes (output/state.h), from the plan nodes.
void gridLineLengths();

// Face mass fluxes flow1, flow2, flow3 (kg/s) of every face of the domain by
// Rhie-Chow interpolation of the cell velocities and pressures, weighted by
// invAP (invFlow when F 21 is negative); wall faces and the faces of blocked
// boxes carry zero. Writes nothing else.
void waterflow();
// Sets the flux of every face that a wall flag closes to zero (a step of
// waterflow, and again after the flux corrections).
void closeWallFaces();
// The same for the cells of the planes i1..i2, each i-face closed only by
// the planes that own it: the faces i1..i2 (and face 1 when i1 is 2), also
// from the flag of the cell after i2. Blocks of a partition of 2..xnumber
// close disjoint faces, together those of closeWallFaces.
void closeWallFacesOf(int i1, int i2);
// Sets the six face fluxes of every cell of every blocked box (G 13) to zero.
void blockedBoxFaces();
// The fluxes of the i-planes first_i..last_i, called by every thread of a
// team of NoProcessesSolver threads with its block (one barrier pair inside
// when F 174's third value is 2 or the grid has block joints). After the
// region waterflowCleanUp (walls and blocked boxes, main thread) completes
// the fluxes of waterflow bit for bit.
void waterflowOpenMP(int first_i, int last_i);
void waterflowCleanUp();
// The face fluxes of the pressure-correction step: waterflow through the
// driver's table, or per block on the thread team (F 206, G 50 entry 3).
void faceFluxes();

// Subtracts the pressure force on every interior cell from `source` of the
// momentum equation being built (Equation 1, 2 or 3; any other ends the run
// with -8).
void pressure_source();

// The momentum step of one inner iteration: eddy viscosity and coefficients
// once, then the equations of u, v and w in turn (wall laws, pressure
// gradient, time term, the optional sources of flow3d/momentum_sources.h,
// under-relaxation, pressure-coupling coefficients invAP, invFlow, invAPC,
// blocked boxes, residual, block correction, sweeps, debug dump). A zero centre coefficient of u logs the cell, sets
// FlagErrorBreak and returns before u is solved.
void momentumStep();
// Appends the coefficients of the G 14 cells of the equation just solved
// (`Equation`) to `boogie`; a neighbour outside the arrays is printed as 0.
void debugDump();

// Boundary values of the cells beyond the domain faces: default inlet and
// outlet, the top layer, the openings of G 7 and frictionless side walls.
void boundary();
// No flow out through the downstream face without openings: the four lines
// of the default outlet in the log, which is closed, and exit code 1.
class Log;
[[noreturn]] void zeroOutflowError(Log& log);

// Discharges of the domain faces and the boundary cells that carry them
// (the surface updates keep the discharges through a grid move with them).
// Mass flux (kg/s) through i-face `face` with the velocities of the cells
// `cell`, over the levels k1..k2.
double iFaceDischarge(int face, int cell, int k1, int k2);
// Multiplies u and v of the cells [cell][j][k1..k2], j 2..ynumber, by r.
void scaleICells(int cell, int k1, int k2, double r);
// The same across j-face `face` with the cells [i][cell][k], i 2..xnumber;
// the face fluxes flow2 summed over that face.
double jFaceDischarge(int face, int cell, int k1, int k2);
double jFaceFlux(int face, int k1, int k2);
void scaleJCells(int cell, int k1, int k2, double r);
// The side boundary cells rescaled to the face fluxes of the last flux
// computation over the levels k1..k2 (zero where their faces carry none).
void sideCells(int k1, int k2);
// The factor that rescales boundary velocities from the discharge `now`
// to `wanted`; 1 when the face carries no flow (`now` 0) or the quotient is
// not finite, so the velocities stay as they are.
double rescaleFactor(double wanted, double now);

// The equation steps of one inner iteration, in the order the driver calls
// them. The momentum step reports a centre coefficient below 1e-30 by
// setting FlagErrorBreak to 1 and returning; the pressure-correction step
// leaves Cont, DefMax and its cell (flow3d/state.h).
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
// The same for the plane of the depth-averaged model (k = 0 of the boxes):
// the probe line only once stime has reached the start of the first record,
// and no temperature letter.
void timeoLine2D();
// The probe line of the transient morphology drivers: the values of the
// record whose window holds stime strictly (both ends open), the time alone
// when no window holds it, no temperature letter. A `timeo` that cannot be
// opened is logged ("cannot open file 'timeo' ") and ends the run with -3.
void timeoLineMorphology();
void forcelog2D();

// The largest scaled residual of equations 1..6 and its equation (0 when none
// is above 0). One that is not a finite number makes the largest infinite, so
// that the pass counts as diverged and never as converged. Both drivers.
struct LargestResidual {
    double value = 0.0;
    int equation = 0;
};
LargestResidual largestResidual();

// The two halves of the pressure-correction step (pressure_correction.cpp,
// simple_corrections.cpp): the p' couplings and sources, and the corrections of
// fluxes, velocities and pressure by the p' in the workspace array f.
void pressure_correction();
void SimpleCorrections();
// Their per-block twins: called by every thread of a team of
// NoProcessesSolver threads with its block; barriers inside order the writes
// that cross block edges. After the region of the corrections,
// correctionsCleanUp (blocked boxes and columns, main thread) completes what
// SimpleCorrections does. Both give the serial values bit for bit.
void pressure_correctionOpenMP(int first_i, int last_i);
void SimpleCorrectionsOpenMP(int first_i, int last_i);
void correctionsCleanUp();
