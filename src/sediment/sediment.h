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
void blockSedim();
