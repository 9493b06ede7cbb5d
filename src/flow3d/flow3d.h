// 3-D flow solver: the routines that the run driver and the start-up call.
#pragma once

// Its state (Iter, stime, Xkappa, relaxation factors, the flow fields) is
// in flow3d/state.h.

void WaterSolve();
