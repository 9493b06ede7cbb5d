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
void ReadXCYC();
// Writes the current nodes to `koordina.new` (and `koosurf` with the transient free surface).
void writekoor();
