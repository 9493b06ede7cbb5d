// The catalogue of the G 24 variables, shared by the Tecplot 3-D file and
// the two VTK files.
#include "output/catalogue.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "morphology/state.h"
#include "waterquality/state.h"

namespace {

using Entry = const TecStrucRecord&;
using Point = const CataloguePoint&;
using enum TitleNumbers;

double nothing(Entry, Point) { return 0.0; }

// A bed layer exists in every run with size classes; the guard keeps a
// letter of a bed-layer field from reading an array that was never made.
double layerValue(const FieldArray<double, 3>& layer, int fraction, int i, int j) {
    return layer ? layer[fraction][i][j] : 0.0;
}

double layerD50(const FieldArray<double, 3>& layer, int i, int j) { return layer ? d50(layer, i, j) : 0.0; }

// One row per letter. The titles stay those of the file format, also where
// a title names another variable than the value written (I, J, W, h). Every
// other character writes "Error" and zeros (kOtherLetter).
const CatalogueRow kCatalogue[] = {
    {'A', ",%cD90%c", "D90", none, nothing},
    {'D', ",%cDepth-averaged velocity%c", "Depth-averaged_velocity", none, nothing},
    {'E', ",%cResidual epsilon %d %c", "Residual_epsilon_%d", levelOnly, nothing},
    {'F', ",%cFroude number%c", "Froude_number", none, [](Entry, Point p) { return froudeNumber(p.i, p.j); }},
    {'H', ",%cResidual horizontal velocity %d %c", "Residual_horizontal_velocity_%d", levelOnly, nothing},
    {'I', ",%cError%c", "Error", none, [](Entry, Point p) { return gamaV[p.i][p.j][p.k] * 0.001; }},
    {'J', ",%cError%c", "Error", none, [](Entry, Point p) { return layerD50(BedGrainOriginal, p.i, p.j); }},
    {'K', ",%cResidual k %d %c", "Residual_k_%d", levelOnly, nothing},
    {'L', ",%cTop sediment layer thickness%c", "Top_sediment_layer_thickness", none, nothing},
    {'P', ",%cPorosity %d %c", "Porosity_%d", levelOnly,
     [](Entry, Point p) { return porosityAtLevel(p.i, p.j, p.level); }},
    {'R', ",%cResidual pressure %d %c", "Residual_pressure_%d", levelOnly, nothing},
    {'V', ",%cHoriz. velocity%c", "Horiz_velocity", none, nothing},
    {'W', ",%cResidual vertical velocity %d %c", "Residual_vertical_velocity_%d", levelOnly,
     [](Entry, Point p) { return Porosity ? Porosity[p.i][p.j][p.k] : 0.0; }},
    {'a', ",%cD50%c", "D50", none, [](Entry, Point p) { return layerD50(bedgrain, p.i, p.j); }},
    {'b', ",%cBed form height%c", "Bed_form_height", none, [](Entry, Point p) { return Bedformheight[p.i][p.j]; }},
    {'c', ",%cSediment conc. lev %d size %d%c", "Sediment_conc_lev_%d_size_%d", levelAndFraction,
     [](Entry e, Point p) { return conc[e.fraction][p.i][p.j][p.k]; }},
    {'d', ",%cEddy-viscosity %d %c", "Eddy-viscosity_%d", levelOnly, [](Entry, Point p) { return diff[p.i][p.j][p.k]; }},
    {'e', ",%cEpsilon%c", "Epsilon", none, [](Entry, Point p) { return epsilon[p.i][p.j][p.k]; }},
    {'f', ",%cBed sediment fraction, size %d%c", "Bed_sediment_fraction_size_%d", fractionOnly,
     [](Entry e, Point p) { return layerValue(bedgrain, e.fraction, p.i, p.j); }},
    {'h', ",%cRoughness/Depth%c", "Roughness/Depth", none, [](Entry, Point p) { return BedMove[p.i][p.j]; }},
    {'i', ",%cNo. cells vertical direction%c", "No_cells_vertical_direction", none, nothing},
    {'j', ",%cError%c", "Error", none,
     [](Entry e, Point p) { return layerValue(BedGrainOriginal, e.fraction, p.i, p.j); }},
    {'k', ",%cTurbulent k %d %c", "Turbulent_k_%d", levelOnly, [](Entry, Point p) { return kinen[p.i][p.j][p.k]; }},
    {'l', ",%cBed sediment thickness%c", "Bed_sediment_thickness", none, nothing},
    // The bed shear from k of the bed cell with the constant 300 (c_mu 0.09).
    {'m', ",%cBed shear%c", "Bed_shear", none, [](Entry, Point p) { return 300.0 * kinen[p.i][p.j][2]; }},
    {'p', ",%cPressure %d %c", "Pressure_%d", levelOnly, [](Entry, Point p) { return Pres[p.i][p.j][p.k]; }},
    {'q', ",%cWater Quality %d %c", "Water_Quality_%d", levelOnly,
     [](Entry e, Point p) { return comp && e.fraction < NoComponents ? comp[e.fraction][p.i][p.j][p.k] : 0.0; }},
    {'r', ",%cRoughness%c", "Roughness", none, [](Entry, Point p) { return Xks[p.i][p.j]; }},
    {'s', ",%cBed movement%c", "Bed_movement", none,
     [](Entry, Point p) { return zval[p.i][p.j][0] - Surfaces[0][p.i][p.j]; }},
    {'t', ",%cSediment thickness%c", "Sediment_thickness", none,
     [](Entry, Point p) { return zval[p.i][p.j][0] - Surfaces[3][p.i][p.j]; }},
    {'u', ",%cHoriz. velocity%c", "Horiz_velocity", none,
     [](Entry, Point p) {
         const double u = xvel[p.i][p.j][p.k], v = yvel[p.i][p.j][p.k];
         return std::sqrt(u * u + v * v);
     }},
    {'v', ",%cWater level%c", "Water_level", none, [](Entry, Point p) { return zval[p.i][p.j][znumber]; }},
    {'w', ",%cUz %d %c", "Uz_%d", levelOnly, [](Entry, Point p) { return zvel[p.i][p.j][p.k]; }},
    {'x', ",%cTemperature gradient%c", "Temperature_gradient", none, nothing},
    {'y', ",%cDepth%c", "Depth", none, [](Entry, Point p) { return zval[p.i][p.j][znumber] - zval[p.i][p.j][0]; }},
    {'z', ",%cBed level%c", "Bed_level", none, [](Entry, Point p) { return zval[p.i][p.j][0]; }},
};
const CatalogueRow kOtherLetter{'\0', ",%cError%c", "Error", none, nothing};

// Formats a title or name with the numbers of its row; `quoted` passes the
// double quotes of a Tecplot title around them.
std::string formatTitle(const char* format, const CatalogueRow& row, const TecStrucRecord& e, bool quoted) {
    char text[160];
    const char q = '"';
    switch (row.numbers) {
    case none:
        quoted ? std::snprintf(text, sizeof text, format, q, q) : std::snprintf(text, sizeof text, "%s", format);
        break;
    case levelOnly:
        quoted ? std::snprintf(text, sizeof text, format, q, e.level, q)
               : std::snprintf(text, sizeof text, format, e.level);
        break;
    case fractionOnly:
        quoted ? std::snprintf(text, sizeof text, format, q, e.fraction, q)
               : std::snprintf(text, sizeof text, format, e.fraction);
        break;
    case levelAndFraction:
        quoted ? std::snprintf(text, sizeof text, format, q, e.level, e.fraction, q)
               : std::snprintf(text, sizeof text, format, e.level, e.fraction);
        break;
    }
    return text;
}

}  // namespace

const CatalogueRow& catalogueRow(char letter) {
    for (const CatalogueRow& row : kCatalogue)
        if (row.letter == letter) return row;
    return kOtherLetter;
}

std::string tecplotTitle(const TecStrucRecord& entry) {
    const CatalogueRow& row = catalogueRow(entry.letter);
    return formatTitle(row.tecplotTitle, row, entry, true);
}

std::vector<std::string> vtkNames() {
    std::vector<std::string> names;
    for (int n = 0; n < TecStrucNo; ++n) {
        const CatalogueRow& row = catalogueRow(TecStruc[n].letter);
        const std::string base = formatTitle(row.vtkName, row, TecStruc[n], false);
        std::string name = base;
        for (int repeat = 2; std::find(names.begin(), names.end(), name) != names.end(); ++repeat)
            name = base + "_" + std::to_string(repeat);
        names.push_back(name);
    }
    return names;
}

double catalogueValue(const TecStrucRecord& entry, const CataloguePoint& point) {
    return catalogueRow(entry.letter).value(entry, point);
}

void writeCatalogueValue(FILE* fp, double value) {
    if (std::fabs(value) < 1e-14)
        std::fputs(" 0.0", fp);
    else
        std::fprintf(fp, " %lg", value);
}

double d50OfFractions(const double* f, int classes) {
    const int L = classes;
    if (L <= 1) return gsize[L];
    double c = f[L] / 2.0;  // finer than the middle of the finest class
    if (c > 0.5) return gsize[L];
    int n = L - 1;
    for (;; --n) {
        c += f[n + 1] / 2.0 + f[n] / 2.0;  // finer than the middle of class n
        if (c > 0.5 || n == 1) break;
    }
    if (c < 0.5) return gsize[1];
    const double t = std::clamp(2.0 * (c - 0.5) / (f[n] + f[n + 1] + 1e-20), 0.0, 1.0);
    return t * gsize[n + 1] + (1.0 - t) * gsize[n];
}

double d50(const FieldArray<double, 3>& layer, int i, int j) {
    std::array<double, kFractionTable> f{};
    for (int l = 1; l <= lnumber; ++l) f[l] = layer[l][i][j];
    return d50OfFractions(f.data(), lnumber);
}

double froudeNumber(int i, int j) {
    double halfDepth = 0.0, speeds = 0.0;
    for (int k = 2; k <= znumber; ++k) {
        halfDepth += m_dist_z[i][j][k];
        speeds += std::sqrt(xvel[i][j][k] * xvel[i][j][k] + yvel[i][j][k] * yvel[i][j][k]);
    }
    if (halfDepth <= 0.0) return 0.0;
    return (speeds / (znumber - 1)) / std::sqrt(19.62 * halfDepth);
}

double porosityAtLevel(int i, int j, double z) {
    if (!PorosityBed || !LevPorosBed) return 0.0;
    if (z >= LevPorosBed[i][j][3]) return 0.0;
    int m = 0;
    while (z >= LevPorosBed[i][j][m]) ++m;
    // Below the lowest layer level the lowest layer holds.
    if (m == 0) return PorosityBed[i][j][0];
    const double t = (z - LevPorosBed[i][j][m]) / (LevPorosBed[i][j][m - 1] - LevPorosBed[i][j][m] + 1e-6);
    return t * PorosityBed[i][j][m - 1] + (1.0 - t) * PorosityBed[i][j][m];
}
