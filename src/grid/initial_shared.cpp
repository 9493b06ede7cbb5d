#include "grid/initial_shared.h"

#include <algorithm>
#include <cstdio>

#include "grid/grid.h"
#include "flow3d/state.h"
#include "grid/state.h"

namespace initial_state {

bool runStringHas(char letter) {
    for (int n = 0; n < 10; ++n)
        if (run[n] == letter) return true;
    return false;
}

void setBlockedColumns() {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) kblok[i][j] = 1;
    for (int i = std::max(iblok1, 0); i <= std::min(iblok2, xnumber + 1); ++i)
        for (int j = std::max(jblok1, 0); j <= std::min(jblok2, ynumber + 1); ++j) kblok[i][j] = 0;
}

bool replayEarlierBedChanges() {
    // The changes of an earlier run are added to the bed once per process: run
    // letter V (and the vertical grid change) compute the initial state again
    // on the bed that already holds them.
    if (bedChangesReplayed) return false;
    FILE* fp = std::fopen("loggfil.pre", "r");
    if (!fp) return false;
    std::fclose(fp);
    bed_logg();
    metric();
    bedChangesReplayed = true;
    return true;
}

void copyGhostNodePlanes() {
    for (int j = 1; j <= ynumber; ++j)
        for (int k = 1; k <= znumber; ++k) {
            zval[0][j][k] = zval[1][j][k];
            zval[xnumber + 1][j][k] = zval[xnumber][j][k];
        }
}

void sectionValuesToCells() {
    const int X = xnumber;
    avvelocity[X + 1] = avvelocity[X];
    radius[X + 1] = radius[X];
    avvelocity[0] = avvelocity[1];
    radius[0] = radius[1];
    for (int i = X; i >= 1; --i) {
        avvelocity[i] = (avvelocity[i] + avvelocity[i - 1]) / 2;
        radius[i] = (radius[i] + radius[i - 1]) / 2;
    }
}

void turnInflowAlongGrid() {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            const double u = xvel[1][j][k], nx = m_vec_y[2][j][0], ny = m_vec_y[2][j][1];
            setStartVelocity(Velocity::v, 1, j, k, -u * nx);
            setStartVelocity(Velocity::u, 1, j, k, u * ny);
        }
}

void warnNegativeRow(Log& log, int i) {
    if (grade[i] < 0) log.printf("negative grade for i=%d\n", i);
    if (radius[i] < 0) log.printf("negative radius for i=%d\n", i);
}

void clearStartVelocities() {
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 1; k <= znumber + 1; ++k) {
                setStartVelocity(Velocity::w, i, j, k, 0.0);
                if (i >= 2) setStartVelocity(Velocity::v, i, j, k, 0.0);
            }
    for (int i = std::max(iblok1, 0); i <= std::min(iblok2, xnumber + 1); ++i)
        for (int j = std::max(jblok1, 0); j <= std::min(jblok2, ynumber + 1); ++j)
            for (int k = 2; k <= znumber; ++k) setStartVelocity(Velocity::u, i, j, k, 0.0);
}

}  // namespace initial_state
