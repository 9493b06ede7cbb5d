// Suspended sediment transport: the routines that the run driver and the start-up call.
#pragma once

void bedslope_corr();
void coeffe_setup();
void coeffe_setup2();
void suspinit();
void suspsed();  // quasi-steady solution of every fraction on the frozen flow
void sumSedimentFractions();  // conc[0] = the sum of the fractions, interior cells k 2..znumber
double computeBedSlopeCorrectionVrem(int i, int j);  // slope factor of one column
void concRijn();      // bed reference concentration by van Rijn's method
void concEngelund();  // bed reference concentration by a transport formula (F 10)
void sole_gauseid();
void sole_tdma();  // line solver, chosen by FlagSedimSolver 1
// The solver of fraction indexl for the quasi-steady and the transient
// drivers: the point solver under the second-order scheme (SedimentScheme
// 1), otherwise the row of FlagSedimSolver (0 point, 1 line solver).
void solveSedimentFraction();
void blockSedim();
// The bed cell solved too: with the water column (NoLoops sweeps after
// block2Sedim when FlagBlockSed is 1 and FlagFracVer 0), or the bed layer
// alone as a plan equation (NoLoops sweep pairs).
void sole2_gauseid();
void block2Sedim();
void solve2Dbed_gauseid();
