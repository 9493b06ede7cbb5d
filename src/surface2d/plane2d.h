// Pieces shared by the routines of the depth-averaged plane (k = 0).
#pragma once

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"

namespace plane2d {

// Ends the run with -8 when the plane cannot be worked on: the joint tables
// or the joint fluxes of a multi-block grid missing.
void checkPlane(const char* who);

// The Rhie-Chow weights: invAP, or invFlow when RelaxRhieChow < 0 (-8 when
// that array does not exist).
const FieldArray<double, 3>& rhieChowWeights(const char* who);

// Zero flux through every face that a wall flag (WallI, WallJ at k = 2) of an
// interior cell closes.
void closeWalls();
// Zero flux through the four faces of every interior column with kblok 0.
void closeBlockedColumns();
// Zero flux through the four faces of every cell of every G 13 box, and with
// `velocities` zero velocities in those cells.
void closeBoxes(bool velocities);

}  // namespace plane2d
