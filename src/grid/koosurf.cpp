#include "grid/koosurf.h"

#include "control/state.h"
#include "control/log.h"
#include "grid/state.h"

void writeKoosurfRecords(FILE* fp) {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            std::fprintf(fp, "%d %d %lf %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][0],
                         zval[i][j][znumber]);
}

bool writeKoosurf() {
    FILE* fp = std::fopen("koosurf", "w");
    if (!fp) return false;
    writeKoosurfRecords(fp);
    closeWritten(fp, "koosurf");
    return true;
}
