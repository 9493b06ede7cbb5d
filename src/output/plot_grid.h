// The points of the Tecplot and VTK files: plan positions and levels as
// means of the corner nodes of a cell column. Column (i, j) lies between the
// nodes i-1..i and j-1..j; the ghost nodes 0 and n+1 count at the ends.
#pragma once

#include "grid/geometry.h"
#include "output/catalogue.h"

// x and y of column (i, j): the means over its four corner nodes.
double columnX(int i, int j);
double columnY(int i, int j);

// Mean of zval at node level k over the four corner nodes of column (i, j).
double cornerLevel(int i, int j, int k);

// Height of the centre of cell (i, j, k): cellCentreLevel of grid/geometry.h.
using geometry::cellCentreLevel;

// z of the point (i, j, k) of a 3-D file, k 1..znumber+1: the bed at k = 1,
// the surface at znumber+1, the cell centres between.
double layerPointLevel(int i, int j, int k);

// Where the catalogue takes the values of the point (i, j, k) of a 3-D file:
// cell k, the cell below on the top layer; the porosity at node level k,
// the surface on the top layer.
CataloguePoint volumePoint(int i, int j, int k);

// The same for a point of the two layers of the 2-D VTK file: cell 1 and
// the bed level on the bed layer, cell znumber and the surface level on the
// surface layer.
CataloguePoint bedPoint(int i, int j);
CataloguePoint surfacePoint(int i, int j);
