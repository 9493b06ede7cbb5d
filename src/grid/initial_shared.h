// Pieces shared by the two initial-state routines, `initial` (open channel)
// and `initial_tunnel` (closed conduit).
#pragma once

#include "control/state.h"

namespace initial_state {

constexpr double kGravity = 9.81;

// True when `letter` is among the first ten characters of the run string.
bool runStringHas(char letter);

// kblok: 1 for every column, 0 in the G 2 rectangle.
void setBlockedColumns();

// When `loggfil.pre` of an earlier morphology run exists: moves the bed to
// its stored levels and recomputes the geometry; true when it did. Only the
// first call of a process (or since resetEngine) replays the file (bedChangesReplayed).
bool replayEarlierBedChanges();

// Ghost node planes i = 0 and xnumber+1 of zval (k 1..znumber).
void copyGhostNodePlanes();

// Turns the per-cross-section radius and mean velocity into cell values:
// cell i takes the means of node lines i-1 and i (ends copied first).
void sectionValuesToCells();

// Inflow cells i = 1 along the first segment of their grid line (F 7 I not given).
void turnInflowAlongGrid();

// The log lines of a negative friction slope or hydraulic radius of row i.
void warnNegativeRow(Log& log, int i);

// zvel everywhere, yvel downstream of the inflow cells, and xvel of the G 2
// rectangle cleared.
void clearStartVelocities();

}  // namespace initial_state
