// Steps of the solver start-up `startup` (sinit.cpp) that concern the
// boundaries of the domain: openings and the inflow plane with the residual
// normalisers, relaxation factors and the remaining start values. Each step
// writes to the log that `startup` holds open.
#pragma once

#include "control/log.h"

namespace startup_steps {

// True while the start-up builds a new flow field (FlagInitialized 0).
bool newFlowField();

// Openings (G 7), or without them the inflow plane scaled to the discharge;
// the continuity of the openings and the residual normalisers.
void openingsAndNorms(Log& log);
// Logs the relaxation factors of K 3 as the flow solvers will use them.
void relaxationFactors(Log& log);
// New flow field: invAP and pressure cleared, hydrostatic pressure with the
// free-surface modes 1 and 3.
void startPressure();
// New flow field with one attached block: its start velocities and those of
// the host cells along the joined wall.
void attachedBlockStart();
// New flow field: measured velocities of the inflow and outflow cross-sections (`innflow`).
void readInflowProfiles(Log& log);
// New flow field: start velocities of the G 8 boxes.
void initialValueBoxes();
// New flow field: the pressure of F 19.
void initialPressure();
// New flow field of the depth-averaged model: depth means into level k = 0.
void depthMeans();

}  // namespace startup_steps
