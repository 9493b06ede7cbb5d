// Grid geometry and initial flow state: the routines that the run driver and the start-up call.
#pragma once

void initial();
void initial_tunnel();
// Cell geometry from the grid nodes: half lengths, face areas and normals,
// plan areas, volumes, bed-cell heights and the ghost copies. Call smetric
// after it before the geometry is used again.
void metric();
// Connection tables of a multi-block grid (W 3), built and checked once at start-up.
void MultiBlockInit();
// Grid derivatives of every cell and the geometry of the joint rows of a multi-block grid.
void smetric();
void startup();

// The velocity field (xvel, yvel, zvel, flow3d's) is flow3d's to write; the
// initial state (initial, initial_tunnel) and the start values of startup
// set a cell's start velocity through this one routine.
enum class Velocity { u, v, w };
void setStartVelocity(Velocity component, int i, int j, int k, double value);

// Re-stretches node column (i, j) to its target bed level zval[i][j][0]; the
// top node (or the underside of a blocked box above it) stays. The caller
// calls metric and smetric after moving all columns.
void UpdateGridVerticalBed(int i, int j);
// The column re-stretch of node column (i, j) below the top index kTop: the
// bed node goes to min(zval[i][j][0], zval[i][j][kTop] - TSCMinDepth), the
// nodes between keep their proportions, kTop and above stay; nothing moves
// when kTop <= 1.
void stretchColumnToTarget(int i, int j, int kTop);
// Replaces a negative TSCMinDepth, for the rest of the run, by 3 percent of
// the summed half cell lengths along the middle cell row over xnumber.
void defaultMinDepth();
// Replays the bed changes of `loggfil.pre` onto the target bed levels and
// re-stretches every column; the caller recomputes the geometry.
void bed_logg();
// Lowers the bed of every node column by the current cell bed changes,
// re-stretches the columns and rebuilds the geometry.
void nbedchange();
// Writes the current nodes to `koordina.new` (and `koosurf` with the transient free surface).
void writekoor();

// Plan-grid generator: each routine works on the current plan nodes (xval,
// yval and, but for elliptic, the bed node zval[..][..][1]) and keeps the
// fixed nodes of W 6 and the node lines at block joints. No run calls them.
void sides();         // straight, evenly spaced boundary lines between anchors
void Itransfinite();  // the same along the inner node lines i = 2..xnumber-1
void Jtransfinite();  // the same along the inner node lines j = 2..ynumber-1
void Mtransfinite();  // interior from the four boundaries
void transfinite();   // interior smoothed by repeated diagonal averaging
void elliptic();      // interior smoothed by elliptic generation with the W 7 attractions

// Vertical grid change: re-reads `control` for the Z data sets (node levels
// per box of node columns) and P 3, then recomputes the initial state.
// No run calls it.
void gridchange();
