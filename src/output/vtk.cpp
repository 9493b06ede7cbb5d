// The VTK files of the result writer, legacy ASCII structured grids with
// point data: the 3-D grid of all cells, and the two layers of bed and
// surface over the cell columns. Both carry one scalar array per G 24 entry
// and the velocity vectors.
#include <cstdio>
#include <string>
#include <vector>

#include "control/state.h"
#include "flow3d/state.h"
#include "output/catalogue.h"
#include "output/output.h"
#include "output/plot_grid.h"
#include "output/series.h"

namespace {

void writeHeader(FILE* fp, int layers, int points) {
    std::fputs("# vtk DataFile Version 2.0\n", fp);
    std::fprintf(fp, "QUIRD 1 %s \n", Title + 1);
    std::fputs("ASCII\n", fp);
    std::fputs("DATASET STRUCTURED_GRID\n", fp);
    std::fprintf(fp, "DIMENSIONS %d %d %d\n", xnumber + 1, ynumber + 1, layers);
    std::fprintf(fp, "POINTS %d float\n", points);
}

void writeScalarHeader(FILE* fp, const std::string& name) {
    std::fprintf(fp, "\nSCALARS %s float\n", name.c_str());
    std::fputs("LOOKUP_TABLE default\n", fp);
}

// The values of one entry over one layer of points, a line per row of i.
template <typename PointOf>
void writeLayerValues(FILE* fp, const TecStrucRecord& entry, PointOf pointOf) {
    for (int j = 1; j <= ynumber + 1; ++j) {
        for (int i = 1; i <= xnumber + 1; ++i) writeCatalogueValue(fp, catalogueValue(entry, pointOf(i, j)));
        std::fputc('\n', fp);
    }
}

void writeVelocity(FILE* fp, int i, int j, int k) {
    std::fprintf(fp, "%lf %lf %lf\n", xvel[i][j][k], yvel[i][j][k], zvel[i][j][k]);
}

}  // namespace

bool writeParaView3D() {
    std::string name;
    FILE* fp = openOutputFile(kParaView3Series, name);
    const int points = (xnumber + 1) * (ynumber + 1) * (znumber + 1);
    writeHeader(fp, znumber + 1, points);
    for (int k = 1; k <= znumber + 1; ++k)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int i = 1; i <= xnumber + 1; ++i)
                std::fprintf(fp, "%lf %lf %lf\n", columnX(i, j), columnY(i, j), layerPointLevel(i, j, k));
    std::fprintf(fp, "\nPOINT_DATA %d\n", points);
    const std::vector<std::string> names = vtkNames();
    for (int n = 0; n < TecStrucNo; ++n) {
        writeScalarHeader(fp, names[n]);
        lnode = TecStruc[n].fraction;
        for (int k = 1; k <= znumber + 1; ++k)
            writeLayerValues(fp, TecStruc[n], [k](int i, int j) { return volumePoint(i, j, k); });
    }
    std::fputs("\nVECTORS Velocities float\n", fp);
    // The top layer lies on the surface: a free surface takes the top cell's
    // velocity, a fixed lid the values stored above the top cell.
    const int top = FlagRoof == 1 ? znumber : znumber + 1;
    for (int k = 1; k <= znumber + 1; ++k)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int i = 1; i <= xnumber + 1; ++i) writeVelocity(fp, i, j, k <= znumber ? k : top);
    closeOutputFile(fp, name, kParaView3Series);
    return true;
}

bool writeParaView2D() {
    std::string name;
    FILE* fp = openOutputFile(kParaView2Series, name);
    const int points = 2 * (xnumber + 1) * (ynumber + 1);
    writeHeader(fp, 2, points);
    for (int nodeLevel : {1, znumber})
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int i = 1; i <= xnumber + 1; ++i)
                std::fprintf(fp, "%lf %lf %lf\n", columnX(i, j), columnY(i, j), cornerLevel(i, j, nodeLevel));
    std::fprintf(fp, "\nPOINT_DATA %d\n", points);
    const std::vector<std::string> names = vtkNames();
    for (int n = 0; n < TecStrucNo; ++n) {
        writeScalarHeader(fp, names[n]);
        lnode = TecStruc[n].fraction;
        writeLayerValues(fp, TecStruc[n], bedPoint);
        writeLayerValues(fp, TecStruc[n], surfacePoint);
    }
    std::fputs("\nVECTORS Velocities float\n", fp);
    for (int k : {2, znumber})
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int i = 1; i <= xnumber + 1; ++i) writeVelocity(fp, i, j, k);
    closeOutputFile(fp, name, kParaView2Series);
    return true;
}
