// Steps of the transient morphology drivers that the time series, the probes,
// the bed-load couplings and the sediment continuity account fill in. The
// driver calls them at its step labels; they read the driver's step count
// (global_iter, tscSteps in morphology/state.h) and FlagPrint.
#pragma once

class Log;

// Start of a call: reset the account (A1), after the layers are set up take
// its start volumes (A10).
void tscAccountReset();
void tscAccountStart();

// Each step, with stime still at the start of the step: time step and inflow
// concentrations from `timei` (T2), cyclic feed-back of the outflow (T3),
// probe line to `timeo` (T4).
void tscTimeSeries();
void tscCyclicFeedback();
void tscProbeLine();

// Bed-load couplings and the bed cells' centre coefficient (T11), called
// when BedLoadVectorFlag is above 0.
void tscBedLoadCouplings();

// After the flux renewal: continuity bookkeeping, section fluxes and, when
// FlagPrint is 0 or this is the last step, the report (T22).
void tscAccountStep();

// End of a call, into the open log: the bed movements and the time (E2), the
// total change in bed levels (E4). Then the bed-fraction file (E6).
void tscEndBedMoves(Log& log);
void tscEndTotalChange(Log& log);
void tscBedFracFile();
