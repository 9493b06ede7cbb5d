// Vegetation: per-cell drag factors interpolated from the four levels and
// values of each column of `vegdata`, a drag on u, v and w proportional to
// the velocity and the factor (F 115), and the empty user hooks.
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "control/record_scan.h"
#include "equations/workspace.h"
#include "flow3d/porous.h"

namespace {

double& level(int i, int j, int m) { return LevPorosBed[i][j][m]; }
double& value(int i, int j, int m) { return PorosityBed[i][j][m]; }

// Value at level z of a profile given at the column's four levels; below L0
// the value at L0.
double profileAt(int i, int j, double z, const double V[4]) {
    int m = 0;
    while (m < 3 && !(z < level(i, j, m))) ++m;
    if (m == 0) return V[0];
    const double w = (z - level(i, j, m)) / (level(i, j, m - 1) - level(i, j, m) + 1e-6);
    return w * V[m - 1] + (1.0 - w) * V[m];
}

// The record letters seen: 1 'V', 2 'A' or 'B', 3 both.
void noteLetter(int c) {
    if (c == 'V') {
        if (FlagTypeVegdata == 0) FlagTypeVegdata = 1;
        if (FlagTypeVegdata == 2) FlagTypeVegdata = 3;
    } else if (c == 'A' || c == 'B') {
        if (FlagTypeVegdata == 0) FlagTypeVegdata = 2;
        if (FlagTypeVegdata == 1) FlagTypeVegdata = 3;
    }
}

// 'V' or 'A': four levels and four values 0..1000.
void readValues(FILE* fp, int i, int j) {
    for (int m = 0; m < 4; ++m) readDouble(fp, level(i, j, m));
    for (int m = 0; m < 4; ++m) {
        double& v = value(i, j, m);
        if (readDouble(fp, v) && !(v >= 0.0 && v <= 1000.0)) {
            std::fclose(fp);
            failf(-4, "Error in vegdata file for line i=%d, j=%d: value %e outside 0..1000\n", i, j, v);
        }
    }
}

// 'B': levels, values and the stem number, stem diameter, drag and epsilon
// coefficient profiles, interpolated at once into the column's cells.
void readProfiles(FILE* fp, int i, int j) {
    double p[24] = {};
    int count = 0;
    while (count < 24 && readDouble(fp, p[count])) ++count;
    if (count != 24) {
        std::fclose(fp);
        failf(-4, "Error in vegdata file for line i=%d, j=%d: number of floats read is %d\n"
                  "There should be 24 floats on each line\n",
              i, j, count);
    }
    for (int m = 0; m < 4; ++m) {
        level(i, j, m) = p[m];
        value(i, j, m) = p[4 + m];
    }
    FieldArray<double, 3>* fields[] = {&Porosity, &StemNumber, &StemDiameter, &DragCoeff, &EpsilonCoeff};
    for (int k = znumber; k >= 2; --k) {
        const double zt = topFaceLevel(i, j, k);
        const bool in = zt < level(i, j, 3);
        for (int s = 0; s < 5; ++s) (*fields[s])[i][j][k] = in ? profileAt(i, j, zt, p + 4 * (s + 1)) : 0.0;
    }
}

void readRecords(FILE* fp) {
    const long limit = 20L * xnumber * ynumber - 1;
    for (long n = 0; n < limit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfScan(c)) break;
        noteLetter(c);
        if (c != 'V' && c != 'A' && c != 'B') continue;
        int i = 0, j = 0;
        if (readInts(fp, {&i, &j}) < 2 || i < 2 || i > xnumber || j < 2 || j > ynumber) continue;
        if (c == 'B')
            readProfiles(fp, i, j);
        else
            readValues(fp, i, j);
    }
}

void clearColumns() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            for (int m = 0; m < 4; ++m) {
                level(i, j, m) = zval[i][j][1];
                value(i, j, m) = 0.0;
            }
            for (int k = 2; k <= znumber; ++k)
                Porosity[i][j][k] = StemNumber[i][j][k] = StemDiameter[i][j][k] = DragCoeff[i][j][k] =
                    EpsilonCoeff[i][j][k] = 0.0;
        }
}

void checkColumns(Log& log) {
    if (FlagTypeVegdata == 3) {
        log.write("Error in vegdata file. It is not allowed to have a mix of V and A data sets in the file\n");
        log.close();
        endRun(-1);
    }
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            for (int m = 1; m <= 3; ++m)
                if (level(i, j, m - 1) > level(i, j, m)) {
                    log.printf("Error in levels of vegetation, i,j,k=%d %d %d\n", i, j, m);
                    log.printf("Values : %e < %e\n", level(i, j, m), level(i, j, m - 1));
                    log.close();
                    endRun(-3);
                }
            for (int m = 0; m <= 2; ++m)
                if (value(i, j, m + 1) > value(i, j, m)) {
                    log.printf("Warning, in vegetation values, i,j,k=%d %d %d ", i, j, m + 1);
                    log.printf("and k=%d\n", m);
                    log.printf("Values : %e < %e\n", value(i, j, m + 1), value(i, j, m));
                }
        }
}

void fillDragFactors() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double V[4] = {value(i, j, 0), value(i, j, 1), value(i, j, 2), value(i, j, 3)};
            for (int k = znumber; k >= 2; --k) {
                const double zt = topFaceLevel(i, j, k);
                if (zt < level(i, j, 3)) Porosity[i][j][k] = profileAt(i, j, zt, V);
            }
        }
}

void readVegetation() {
    FILE* fp = std::fopen("vegdata", "r");
    if (!fp)
        failf(-4, "Error: vegdata file not found. This file has to exist when using the F 115 1 parameter in the "
                  "control file\n");
    FlagTypeVegdata = 0;
    clearColumns();
    readRecords(fp);
    std::fclose(fp);
    Log log;  // a log that cannot be opened ends the run (-3): the drag is never dropped
    checkColumns(log);
    fillDragFactors();
    log.write("Have read vegetation file");
    log.close();
    FlagInitPoros = 1;
}

// The drag laws of F 115 for a cell with drag D = 1000 h/2 |phi| factor.
void implicitDrag(int i, int j, int k, double D, double) { wap[i][j][k] += D; }
void explicitDrag(int i, int j, int k, double D, double phi) { source[i][j][k] -= D * phi; }

struct DragLaw {
    void (*add)(int i, int j, int k, double D, double phi);  // nullptr: no drag
    bool vertical;                                           // also on w
};
constexpr DragLaw kDragLaws[] = {{nullptr, false}, {implicitDrag, true}, {explicitDrag, false}, {implicitDrag, true}};

DragLaw dragLaw(int code) {
    return code >= 0 && code < static_cast<int>(std::size(kDragLaws)) ? kDragLaws[code] : DragLaw{nullptr, false};
}

void addDrag() {
    const DragLaw law = dragLaw(FlagDragDLL);
    if (Equation < 1 || Equation > 3 || !law.add || (Equation == 3 && !law.vertical)) return;
    const FieldArray<double, 3>& phi = Equation == 1 ? xvel : Equation == 2 ? yvel : zvel;
    const bool perArea = FlagTypeVegdata == 2;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double area = perArea ? m_armap[i][j] : 1.0;
            for (int k = znumber; k >= 2; --k) {
                if (!(topFaceLevel(i, j, k) < level(i, j, 3))) continue;
                const double u = phi[i][j][k];
                law.add(i, j, k, kWaterDensity * m_dist_z[i][j][k] * std::fabs(u) * Porosity[i][j][k] * area, u);
            }
        }
}

}  // namespace

void extra_sourceDLL() {
    if (FlagInitPoros == 0) readVegetation();
    addDrag();
}

void porousAndVegetationTerms() {
    if (FlagBedPoros == 1) extra_source();
    if (FlagDragDLL > 0) extra_sourceDLL();
}

void concRijnDLL() {}
void surface_tfsDLL() {}
void turbulenceDLL() {}
void GammaCalcDLL() {}
void wall_lawsDLL() {}
