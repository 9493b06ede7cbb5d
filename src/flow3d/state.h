// State of the 3-D flow solver that lives across its steps.
#pragma once

// Continuity of the last pressure correction: the signed sum of the cell
// imbalances (kg/s), the largest magnitude among them and the cell where it
// occurred ((1, 1, 1) until a cell is recorded in a call of WaterSolve).
// Owned by the driver WaterSolve (which sets the cell to (1, 1, 1) on entry);
// writer of the values: pressureCorrectionStep.
extern double Cont, DefMax;
extern int iDefMax, jDefMax, kDefMax;
