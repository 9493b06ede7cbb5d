#include "morphology/tsc_steps.h"

// Entry points of the transient drivers; each does nothing until it is built.
void tscAccountReset() {}
void tscAccountStart() {}
void tscTimeSeries() {}
void tscCyclicFeedback() {}
void tscProbeLine() {}
void tscBedLoadCouplings() {}
void tscAccountStep() {}
void tscEndBedMoves(Log&) {}
void tscEndTotalChange(Log&) {}
void tscBedFracFile() {}
