// Writers of parameter files in the `control` format.
#include <cstdio>

#include "control/control.h"
#include "control/engine.h"

void writeControlMin() {
    FILE* fp = std::fopen("control", "w");
    if (!fp) {
        setMessage("cannot open file 'control' ");
        endRun(-4);
    }
    for (int k = 1; k <= znumber; ++k) zdistrib[k] = (k - 1) * 100.0 / (znumber - 1);
    initnumber = 3;
    initarray[1] = 1;
    initarray[2] = xnumber / 2;
    initarray[3] = xnumber;

    std::fprintf(fp, "T   %s                             title field \n", Title + 1);
    std::fprintf(fp, "G 1 %d %d %d %d     grid and array sizes\n", xnumber, ynumber, znumber, lnumber);
    std::fprintf(fp, "G 3");
    for (int k = 1; k <= znumber; ++k) std::fprintf(fp, " %lf", zdistrib[k]);
    std::fprintf(fp, "      vertical grid distribution\n");
    std::fprintf(fp, "W 1 %lf %lf %lf\n", ManningInit, discharge, level);
    std::fprintf(fp, "W 2 %d", initnumber);
    for (int n = 1; n <= initnumber; ++n) std::fprintf(fp, " %d", initarray[n]);
    std::fprintf(fp, "\n");
    std::fprintf(fp, "K 1 %ld %ld\n", 40000L, 60000L);
    std::fprintf(fp, "K 2 0 1\n");
    std::fclose(fp);
}
