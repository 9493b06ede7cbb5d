// The Tecplot files of the result writer: `tecplot` (the interior cell
// centres), the 3-D zone over all cells with the G 24 variables, and the
// plan-view zone of the bed and the surface.
#include <cstdio>
#include <string>

#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "output/catalogue.h"
#include "output/output.h"
#include "output/plot_grid.h"
#include "output/series.h"

namespace {

constexpr char kQuote = '"';

// An algebraic stress model fills the stress tensor that F 48 12 adds.
bool stressColumns() {
    return FlagInterpolVal == 12 && (FlagStress1DLL != 0 || FlagReynoldsStress > 0) && Rstress;
}

}  // namespace

bool writeTecplotCells() {
    std::string name;
    FILE* fp = openFixedOutputFile(kTecplotCellsFile, name);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                std::fprintf(fp, "%le %le %le %le %le %le %le %le %le\n", columnX(i, j), columnY(i, j),
                             cellCentreLevel(i, j, k), xvel[i][j][k], yvel[i][j][k], zvel[i][j][k], Pres[i][j][k],
                             kinen[i][j][k], epsilon[i][j][k]);
    closeOutputFile(fp, name, kTecplotCellsFile);
    return true;
}

bool writeTecplot3D() {
    std::string name;
    FILE* fp = openOutputFile(kTecplot3Series, name);
    const bool stress = stressColumns();
    std::fprintf(fp, "TITLE = %c%s%c\n", kQuote, Title + 1, kQuote);
    std::fprintf(fp, "VARIABLES=%cX1%c,%cX2%c,%cX3%c,%cU1%c,%cU2%c,%cU3%c", kQuote, kQuote, kQuote, kQuote, kQuote,
                 kQuote, kQuote, kQuote, kQuote, kQuote, kQuote, kQuote);
    if (stress)
        for (const char* t : {"T11", "T12", "T13", "T21", "T22", "T23", "T31", "T32", "T33"})
            std::fprintf(fp, ",%c%s%c", kQuote, t, kQuote);
    for (int n = 0; n < TecStrucNo; ++n) std::fputs(tecplotTitle(TecStruc[n]).c_str(), fp);
    std::fprintf(fp, "\nZONE I=%d,J=%d,K=%d F=POINT\n", xnumber + 1, ynumber + 1, znumber + 1);
    for (int k = 1; k <= znumber + 1; ++k)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int i = 1; i <= xnumber + 1; ++i) {
                std::fprintf(fp, "%lf %lf %lf %lf %lf %lf", columnX(i, j), columnY(i, j), layerPointLevel(i, j, k),
                             xvel[i][j][k], yvel[i][j][k], zvel[i][j][k]);
                if (stress)
                    for (int s = 0; s < 9; ++s) std::fprintf(fp, " %le", Rstress[s][i][j][k]);
                const CataloguePoint point = volumePoint(i, j, k);
                for (int n = 0; n < TecStrucNo; ++n) {
                    lnode = TecStruc[n].fraction;
                    writeCatalogueValue(fp, catalogueValue(TecStruc[n], point));
                }
                std::fputc('\n', fp);
            }
    closeOutputFile(fp, name, kTecplot3Series);
    return true;
}

bool writeTecplot2D() {
    std::string name;
    FILE* fp = openOutputFile(kTecplot2Series, name);
    const bool bedLoad = BedLoadVectorFlag > 0;
    const bool grainSize = lnumber > 1;
    std::fprintf(fp, "TITLE = %cPLAN-3_%s%c\n", kQuote, Title + 1, kQuote);
    std::fputs("VARIABLES=", fp);
    const char* columns[] = {"X1", "X2", "BED", "U_bed", "V_bed", "W_bed", "P_bed",
                             "K_bed", "EPS_bed", "CONC_bed", "WL", "Depth", "BECH", "ROUGH"};
    for (const char* c : columns) std::fprintf(fp, "%s%c%s%c", c == columns[0] ? "" : ",", kQuote, c, kQuote);
    if (bedLoad) std::fprintf(fp, ",%cUS_bed%c,%cVS_bed%c", kQuote, kQuote, kQuote, kQuote);
    if (grainSize) std::fprintf(fp, ",%cD50%c", kQuote, kQuote);
    std::fputc('\n', fp);
    std::fprintf(fp, "ZONE I=%d,J=%d,F=POINT\n", xnumber + 1, ynumber + 1);
    for (int j = 1; j <= ynumber + 1; ++j)
        for (int i = 1; i <= xnumber + 1; ++i) {
            const double bed = cornerLevel(i, j, 0);
            const double surface = cornerLevel(i, j, znumber);
            const double readBed =
                (Surfaces[0][i - 1][j - 1] + Surfaces[0][i][j - 1] + Surfaces[0][i - 1][j] + Surfaces[0][i][j]) / 4.0;
            std::fprintf(fp, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf ", columnX(i, j),
                         columnY(i, j), bed, xvel[i][j][2], yvel[i][j][2], zvel[i][j][2], Pres[i][j][2],
                         kinen[i][j][2], epsilon[i][j][2], conc[0][i][j][2], surface, surface - bed, bed - readBed,
                         Xks[i][j]);
            if (bedLoad) std::fprintf(fp, "%lf %lf ", xvel[i][j][1], yvel[i][j][1]);
            // The catalogue's D50: two empty classes around the median give no 0/0.
            if (grainSize) std::fprintf(fp, "%lf ", d50(bedgrain, i, j));
            std::fputc('\n', fp);
        }
    closeOutputFile(fp, name, kTecplot2Series);
    return true;
}
