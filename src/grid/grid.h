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

// Re-stretches node column (i, j) to its target bed level zval[i][j][0]; the
// top node (or the underside of a blocked box above it) stays. The caller
// calls metric and smetric after moving all columns.
void UpdateGridVerticalBed(int i, int j);
// Replays the bed changes of `loggfil.pre` onto the target bed levels and
// re-stretches every column; the caller recomputes the geometry.
void bed_logg();
// Lowers the bed of every node column by the current cell bed changes,
// re-stretches the columns and rebuilds the geometry.
void nbedchange();
void ReadXCYC();
// Writes the current nodes to `koordina.new` (and `koosurf` with the transient free surface).
void writekoor();
