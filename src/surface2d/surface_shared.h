// What the surface updates share: the `timei` level lookup, the stretch of a
// boundary node column to a level, the boundary discharges and their
// rescaling, and the corner rules of the transient updates, which hand the
// level change of a cell to the node columns at its corners.
#pragma once

#include <cstdio>
#include <string>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/flow3d.h"

namespace surface_detail {

// ---------------------------------------------------------------------------
// Levels from `timei` (surface.cpp).
// ---------------------------------------------------------------------------
// Entry r of the level series and the weight of entry r (1 when r is the
// last): r from the first time not before `stime`, less one.
struct LevelIndex {
    int r;
    double w;
};
LevelIndex levelIndex();
// The level of series H at `at`, linear between r and r + 1.
double seriesLevel(const FieldArray<double, 1>& H, const LevelIndex& at);

// Stretches node column (i, j) about its bed so that its surface lands on
// `level`. A level at or below the bed would leave cells without height:
// the column then keeps `md` above its bed, with a warning line naming it
// (`side` "upstream" or "downstream").
void stretchColumnTo(Log& log, const char* side, int i, int j, double level, double md);
// Every node column (1, j) stretched to `level`.
void upstreamLevels(Log& log, double level, double md);
// The node columns (xnumber, j) through whose two neighbouring top faces
// water flows moved to `level` by the column rules (moveNodeColumn with
// minimum depth md); the bed shifts are added to Surfaces[2].
void downstreamLevels(double level, double md);

// ---------------------------------------------------------------------------
// Discharges and boundary velocities (surface.cpp).
// ---------------------------------------------------------------------------
// The face discharges and the boundary-cell rescaling (iFaceDischarge,
// scaleICells, sideCells, rescaleFactor) are the flow solver's (flow3d/flow3d.h).
// rescaleFactor toward the `timei` discharge q (m3/s); a face without flow
// to scale adds a warning line to `notes`.
double seriesFactor(std::string& notes, double q, double now, const char* face);

// ---------------------------------------------------------------------------
// Corner rules of the transient updates (surface_tfs.cpp).
// ---------------------------------------------------------------------------
// The corners of cell (i, j): A node (i, j), B (i, j-1), C (i-1, j),
// D (i-1, j-1).
enum Corner { A, B, C, D };
inline int cornerI(int i, Corner c) { return c == A || c == B ? i : i - 1; }
inline int cornerJ(int j, Corner c) { return c == A || c == C ? j : j - 1; }

// Weights that follow the flow (u, v) of cell (i, j): the corners the flow
// points to take the larger share, each raised by the spread
// base + (|dxDA| + |dyDA|) (|u| + |v|) ratio; normalised to sum 1.
void directionalWeights(int i, int j, double u, double v, double base, double ratio, double w[4]);

// The multipliers of the corners on the domain's edges and next to blocked
// cells (OBlok at `level` 0): side walls j = 2, j = ynumber by `wall`,
// the upstream and downstream node lines i = 2, i = xnumber by 2 (those
// nodes carry half the plan area of an inner one, so their doubled share
// keeps the volume), blocked neighbours by `obstacle`.
void positionRules(int i, int j, double wall, double obstacle, int level, double w[4]);

// The surface move of a corner with weight w of the cell's change dz: at
// least md of water above its reference level (depth above it `depth`)
// when the cell's level changes at all.
double cornerMove(double w, double dz, double depth, double md);

// Stretches the levels ref+1..top of a node column about level ref so that
// the surface moves by `move`.
void moveCorner(double* z, int ref, int top, double move);

// The level changes of the open top cells of the 3-D grid, from their net
// inflow over one time step, handed to their corner node columns (the first
// step of surface_tfs, on its own for tests).
void moveTopCells();

// The level block of `surflog`: "WL(%d,%d) = %e\n" along node line
// xnumber / 2, then along ynumber / 2.
void writeLevelProfiles(FILE* fp);
// Opens `surflog` ("w" at Iter 1, else "a"); when it cannot be opened,
// appends "Cannot open file 'surflog'\n" to `log`, closes it and ends the
// run with -3.
FILE* openSurflog(Log& log);

// Before `boogie` is opened again after the geometry update: ends the run
// with -4 ("cannot open file 'boogie'") when it cannot be opened.
void requireLogAfterMetric();

}  // namespace surface_detail
