// The `koosurf` file: the plan grid with the target bed level and the surface
// (or roof) level of every node column. Every writer of the file goes through
// here, so that the reader finds one record layout.
#pragma once

#include <cstdio>

// Writes one record per node, "%d %d %lf %lf %lf %lf\n" with i, j, x, y, the
// target bed level zval[i][j][0] and the surface node zval[i][j][znumber];
// i 1..xnumber outer, j 1..ynumber inner.
void writeKoosurfRecords(FILE* fp);

// Writes `koosurf` anew. False when the file cannot be opened (nothing
// written); a file that cannot be written whole ends the run (closeWritten).
bool writeKoosurf();
