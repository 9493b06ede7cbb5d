// Free water surface and depth-averaged 2-D flow: the routines that the run driver and the start-up call.
//
// The depth-averaged model solves in the k = 0 plane of the field arrays and
// reads the wall flags WallI, WallJ at k = 2.
#pragma once

void WaterSolve2D();

// Pressure-based update of the water surface (sets FlagGridChange).
void surface();
// Transient update of the water surface from the continuity of each column.
void surface_tfs();

// Face mass fluxes flow1, flow2 of the plane from the cell velocities, with
// the Rhie-Chow pressure term.
void waterflow2D();
// Couplings ae, aw, an, as and source (the negative mass imbalance) of the
// pressure-correction equation of the plane; wap is left to the caller.
void pressure_correction2D();
// Corrects the face fluxes, the cell velocities and the pressure of the
// plane with the solved pressure correction held in f.
void SimpleCorrections2D();

// Symmetric Gauss-Seidel sweeps of the five-point equation of the plane.
void WaterGaussSeidel2D();
// One additive correction per i-plane, from the plane sums of the equation.
void BlockCorrection2D();
// MaxResidual[Equation] of the equation of the plane.
void Residual2D();
