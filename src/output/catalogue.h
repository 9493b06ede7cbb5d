// The catalogue of the extra variables of the Tecplot 3-D and VTK files: the
// engineer lists them in G 24 (TecStruc), one letter per entry with a level
// and a fraction; each letter is one row of the catalogue with its Tecplot
// column title, its VTK array name and the value written at a point.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "control/state.h"

// Where the values of one plotted point are taken.
struct CataloguePoint {
    int i, j;      // the column (node arrays: the node i, j)
    int k;         // the cell of cell values
    double level;  // the level (m) at which the porosity of the bed layers is taken
};

// The numbers that a title and a name carry, in this order.
enum class TitleNumbers { none, levelOnly, fractionOnly, levelAndFraction };

struct CatalogueRow {
    char letter;
    const char* tecplotTitle;  // appended to the VARIABLES line: %c a double quote, %d the numbers
    const char* vtkName;       // SCALARS name, %d the numbers
    TitleNumbers numbers;
    double (*value)(const TecStrucRecord& entry, const CataloguePoint& point);
};

// The row of a letter; a letter without a row of its own gets the row that
// writes "Error" and zeros.
const CatalogueRow& catalogueRow(char letter);

// The text that an entry adds to the VARIABLES line of the Tecplot 3-D file.
std::string tecplotTitle(const TecStrucRecord& entry);

// The VTK array names of the entries of G 24, in order. A name holds no
// blank (the legacy reader takes the first word as the name), and a name
// that an earlier entry of the list already has gets "_2", "_3", ...
// appended, so that every entry stays its own array in the reader.
std::vector<std::string> vtkNames();

// The value of an entry at a point.
double catalogueValue(const TecStrucRecord& entry, const CataloguePoint& point);

// Writes a value: " 0.0" when its magnitude is below 1e-14, else " %lg".
void writeCatalogueValue(FILE* fp, double value);

// Median grain size of the bed layer `layer` (bedgrain or BedGrainOriginal)
// of column (i, j), interpolated between the middles of the size classes;
// size class 1 is the coarsest.
double d50(const FieldArray<double, 3>& layer, int i, int j);
// The same from fractions f[1..classes] of sizes gsize[1..classes].
double d50OfFractions(const double* f, int classes);

// Froude number of column (i, j): the plain mean speed of its cells over
// sqrt(g h); 0 for a column without depth.
double froudeNumber(int i, int j);

// Porosity of the porous bed layers of column (i, j) at level z.
double porosityAtLevel(int i, int j, double z);
