// Forms of the pressure-gradient source kept apart from pressure_source.cpp.
#pragma once

#include "grid/geometry.h"

// F 46 7, 9 and 10: horizontal pressure differences between the levels of
// the cell centres. Called by pressure_source for those codes (FlagPresGrad
// chooses the form).
void levelPressureForm();
// The same over the interior i-planes first..last only; it writes `source`
// of those planes and nothing else, so blocks of a partition of 2..xnumber
// give the whole-grid result.
void levelPressureFormPlanes(int first, int last);

// Centre level of a cell: cellCentreLevel of grid/geometry.h.
using geometry::cellCentreLevel;

// The pressure of column (a, b) at level z, interpolated between the two
// cells about it; the search starts at k = 3 and stops at the top cell, so a
// level at the top centre takes the top-cell pressure (the forms lower every
// level to the top centre of the column they search). `form7`
// chooses that form's weight 0.5 (zc - z) / dz(kk) in place of
// (zc - z) / (dz(kk) + dz(kk - 1)). The weight is not limited to 0..1.
double levelPressure(int a, int b, double z, bool form7);

// The column Froude number squared of forms 9 and 10: the mean of u^2 + v^2
// over the cells from the top down to the first cell with a bed wall (that
// cell included) or k = 2, over g times the depth of those cells.
double columnFroude2(int i, int j);
