// Connection tables of a multi-block grid, built from W 3 and checked in both
// directions once at start-up.
#include "grid/multiblock.h"

#include <algorithm>

#include "control/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"

namespace {

// Host columns m1..m2 (ascending) of block b's joint row.
struct HostRun {
    int m1, m2;
};

HostRun hostRun(int s) {
    if (s >= 0) return {s, s + ynumber - 2};
    return {-s, ynumber - 2 - s};
}

[[noreturn]] void failCheck(Log& log) {
    log.close();
    endRun(1);
}

// A join whose joint row or host columns leave the interior 2..xnumber would
// write outside the tables or name cells that are no cells; refused here.
void refuseJoinsOutsideGrid(Log& log) {
    for (int b = 1; b <= geometry::attachedBlocks(); ++b) {
        const int a = MBSkjot[b] + 1;
        const HostRun run = hostRun(MBStart[b]);
        if (a < 2 || a > xnumber || run.m1 < 2 || run.m2 > xnumber) {
            log.printf("Error, MB-8 indekser: %d %d %d %d %d %d", b, a, MBStart[b], run.m1, run.m2, xnumber);
            failCheck(log);
        }
    }
}

void fillTables() {
    for (int b = 1; b <= geometry::attachedBlocks(); ++b) {
        const int s = MBStart[b];
        const int a = MBSkjot[b] + 1;
        for (int j = 2; j <= ynumber; ++j) {
            if (s >= 0) {
                const int m = s + j - 2;
                Pi1MultiBlock[a][j][0] = m;
                Pi1MultiBlock[a][j][1] = 2;
                Pi1MultiBlock[a][j][2] = 3;
                Pj1MultiBlock[m][0] = a;
                Pj1MultiBlock[m][1] = j;
            } else {
                const int m = ynumber - s - j;
                Pi1MultiBlock[a][j][0] = m;
                Pi1MultiBlock[a][j][1] = ynumber;
                Pi1MultiBlock[a][j][2] = ynumber - 1;
                Pj2MultiBlock[m][0] = a;
                Pj2MultiBlock[m][1] = j;
            }
        }
    }
}

void markJointCells() {
    for (int i = 2; i <= xnumber; ++i) {
        if (Pj1MultiBlock[i][0] != 0) MutBlock[i][2] = 0;
        if (Pj2MultiBlock[i][0] != 0) MutBlock[i][ynumber] = 0;
        for (int j = 2; j <= ynumber; ++j)
            if (Pi1MultiBlock[i][j][0] != 0) MutBlock[i][j] = 0;
    }
}

void listTables(Log& log) {
    for (int i = 2; i <= xnumber; ++i) {
        for (int j = 2; j <= ynumber; ++j)
            if (Pi1MultiBlock[i][j][0] != 0 || Pi1MultiBlock[i][j][1] != 0)
                log.printf("Pi1MB(%d,%d)=%d %d\n", i, j, Pi1MultiBlock[i][j][0], Pi1MultiBlock[i][j][1]);
        if (Pj1MultiBlock[i][0] != 0 || Pj1MultiBlock[i][1] != 0)
            log.printf("Pj1MB(%d)= %d %d\n", i, Pj1MultiBlock[i][0], Pj1MultiBlock[i][1]);
        if (Pj2MultiBlock[i][0] != 0 || Pj2MultiBlock[i][1] != 0)
            log.printf("Pj2MB(%d)= %d %d\n", i, Pj2MultiBlock[i][0], Pj2MultiBlock[i][1]);
    }
}

}  // namespace

void checkMultiBlockTables(Log& log) {
    const int Y = ynumber;
    // From the host side: every host column's joint cell names it back.
    for (int i = 2; i <= xnumber; ++i) {
        if (const int a = Pj1MultiBlock[i][0]; a != 0) {
            const int ja = Pj1MultiBlock[i][1];
            const int* host = &Pi1MultiBlock[a][ja][0];
            if (host[0] != i) {
                log.printf("Error, MB-1 indekser: %d %d %d %d %d %d", i, a, host[0], Y + 1, ja, host[1]);
                failCheck(log);
            }
            if (host[1] != 2) {
                log.printf("Error, MB-2 indekser: %d %d %d %d %d %d", i, a, i, Y + 1, ja, host[1]);
                failCheck(log);
            }
        } else if (const int a2 = Pj2MultiBlock[i][0]; a2 != 0) {
            const int ja = Pj2MultiBlock[i][1];
            const int* host = &Pi1MultiBlock[a2][ja][0];
            if (host[0] != i) {
                log.printf("Error, MB-3 indekser: %d %d %d %d %d", i, a2, host[0], Y + 1, ja);
                failCheck(log);
            }
            if (host[1] != Y) {
                log.printf("Error, MB-4 indekser: %d %d %d %d %d", i, a2, i, Y + 1, ja);
                failCheck(log);
            }
        }
    }
    // From the joint side: every joint cell's host column names it back.
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= Y; ++j) {
            const int m = Pi1MultiBlock[i][j][0];
            if (m == 0) continue;
            const int jh = Pi1MultiBlock[i][j][1];
            if (jh != 2 && jh != Y) {
                log.printf("Error, MB-5 indekser: %d %d %d %d", i, m, j, jh);
                failCheck(log);
            }
            if (jh == 2) {
                if (Pj1MultiBlock[m][0] != i || Pj1MultiBlock[m][1] != j) {
                    log.printf("Error, MB-6 indekser: %d %d %d %d %d", i, m, Pj1MultiBlock[m][0], j, 2);
                    failCheck(log);
                }
            } else if (Pj2MultiBlock[m][0] != i || Pj2MultiBlock[m][1] != j) {
                log.printf("Error, MB-7 indekser: %d %d %d %d %d", i, m, Pj2MultiBlock[m][0], j, Y);
                failCheck(log);
            }
        }
}

void MultiBlockInit() {
    Log log;
    if (MBNo <= 0) log.printf("Multi-block initiation of %d blocks\n", MBNo);
    for (int i = 2; i <= xnumber; ++i) {
        for (int e = 0; e < 2; ++e) Pj1MultiBlock[i][e] = Pj2MultiBlock[i][e] = 0;
        for (int j = 2; j <= ynumber; ++j) {
            for (int e = 0; e < 3; ++e) Pi1MultiBlock[i][j][e] = 0;
            MutBlock[i][j] = 1;
        }
    }
    if (MBNo <= 0) return;
    refuseJoinsOutsideGrid(log);
    fillTables();
    markJointCells();
    checkMultiBlockTables(log);
    listTables(log);
    log.write("Have not found errors in Multi-block initiation\n");
}
