// Free water surface and depth-averaged 2-D flow: the routines that the run driver and the start-up call.
//
// The depth-averaged model solves in the k = 0 plane of the field arrays and
// reads the wall flags WallI, WallJ at k = 2.
#pragma once

void WaterSolve2D();

// Pressure-based update of the water surface (sets FlagGridChange).
void surface();

// The rules that move one node column of a surface update. z points at the
// levels of the column (z[0] the target bed, z[1] the bed, z[top] the
// surface), r is the lowest level that moves with the surface (1: the bed),
// dz the wanted surface change and md the minimum depth above level r.
//  - squeeze, when the depth above r would fall below md: with r = 1 the
//    whole column goes md below the new surface, bed included; with fixed
//    levels (r > 1) the levels at and below r stay and the surface stops md
//    above level r;
//  - lift, when the surface rises and the target bed lies above the bed: the
//    whole column rises by up to the bed's distance to its target, the rest
//    of dz stretches the levels above r;
//  - plain stretch of the levels above r, otherwise.
// Returns the bed's shift (negative, when squeezed with r = 1; else 0), which
// the caller adds to Surfaces[2].
double moveNodeColumn(double* z, int top, int r, double dz, double md);
// The velocity-head rule: a column whose node velocity measure speed2
// (m2/s2) exceeds 0.1 keeps at least 0.02 speed2 of depth D + dz.
double velocityHeadChange(double dz, double D, double speed2);
// Transient update of the water surface of the 3-D model (F 36 1): the net
// inflow of each open top cell over one time step moves its four corner node
// columns; the upstream node line takes the Manning level (or the `timei`
// level), the downstream one the `timei` level; then the geometry, the
// boundary velocities, the start-up state, boundary values and face fluxes
// are renewed. Writes the report lines and opens `surflog` on logged passes.
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

// The terms of the u, v, k and epsilon equations of the plane.
//
// Eddy viscosity gama (kg/(m s)) and diffusivity diff (m2/s) of the plane
// for `Equation` (1 for both momentum equations, 5, 6): the background
// F 34 + 0.001 everywhere, the turbulence model's viscosity in the interior.
void GammaCalc2D();
// Outflow boundary values: the boundary cells behind outflow faces take the
// velocities, k and epsilon of the cells inside, scaled to the inflow
// (without openings; no outflow ends the run with 1) or to the discharge of
// each outflow opening of G 7 marked for updating.
void boundary2D();
// Neighbour coefficients ae, aw, an, as of the interior cells by the power
// law, from flow1, flow2 and gama of `Equation`; wap and source untouched.
void coeffe_flow2D();
// Subtracts the pressure force on every interior cell from `source` of the
// u (Equation 1) or v (2) equation; any other Equation ends the run with -8.
void pressure_source2D();
// Bed and wall law: clears wap and source of the interior cells (the k
// equation keeps the shear production of turbulence2D in source) and adds
// the bed friction of u and v, the bed terms of k or the wall value of
// epsilon, by the turbulence model; renews sqcmyrho. Ends the run with -7
// for the Manning model on an equation other than u or v, with -4 for an
// equation no law handles.
void wallall2D();
// Shear production and dissipation of k (Equation 5) and epsilon (6) of the
// k-epsilon models, stored in source and wap of the interior cells; any
// other model returns at once. Another Equation ends the run with -8.
void turbulence2D();

// The depth-averaged driver and its reports.
//
// Transient update of the water surface of the depth-averaged model: the
// net inflow of each column over one time step moves its corner node
// columns, the `timei` levels and discharges are imposed, the plane pressure
// follows the new surface, FlagGridChange is set and one block of levels is
// appended to `surflog`.
void surface_tfs2D();
// The coefficient dump of the G 14 records of the current Equation.
void debugDump2D();
// The specific-energy line of section SpecEnergy.
void specificEnergy2D();
// Bed shear of every column from the turbulence model: from k of the bed
// cell (models 0, 1, 7), from the log law of the bed cell (3); other models
// keep it.
void bedShearFromModel2D();
// The 3-D field of every flowing column rebuilt from the plane: bed shear by
// the Strickler law, log profiles of u and v with the plane's depth mean,
// eddy viscosity, k and epsilon by level; the boundary rows uniform; then
// the 3-D face fluxes.
void rebuild3D();
// One flowing column of the rebuild: levels 2..znumber of (i, j).
void rebuildColumn(int i, int j);
