// Block joints of a multi-block grid.
//
// Block b (1..MBNo) begins after node line MBSkjot[b]; its first cell row, the
// joint row a = MBSkjot[b] + 1, lies against a side wall of a run of host
// columns of the main block. s = MBStart[b] chooses the side and the first
// host column:
//  - s >= 0, wall j = 1: joint cell (a, j) faces host cell (s + j - 2, 2);
//  - s <  0, wall j = ynumber: joint cell (a, j) faces host cell (ynumber - s - j, ynumber).
// Pi1MultiBlock[a][j] = (host column, host cell j, next host cell inward),
// Pj1MultiBlock[m] / Pj2MultiBlock[m] = (a, j) of host column m on wall
// j = 1 / j = ynumber; a first entry 0 means no joint.
#pragma once

#include "control/log.h"

// Checks the tables in both directions; the first failed check appends its
// message to the log, closes it and ends the process with 1.
void checkMultiBlockTables(Log& log);
