// Grid files: the current nodes written back as `koordina.new` (and
// `koosurf`). Their reader ReadXCYC is with the reader of `control`.
#include <cstdio>

#include "control/state.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "grid/koosurf.h"

void writekoor() {
    FILE* fp = std::fopen("koordina.new", "w");
    if (!fp) failWrite("koordina.new");
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            if (FlagRoof == 1)
                std::fprintf(fp, "%d %d %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1]);
            else
                std::fprintf(fp, "%d %d %lf %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1],
                             zval[i][j][znumber]);
        }
    closeWritten(fp, "koordina.new");
    if (FlagTFS != 1) return;
    if (!writeKoosurf()) failWrite("koosurf");
}
