// Suspended sediment transport: the routines that the run driver and the start-up call.
#pragma once

void bedslope_corr();
void coeffe_setup();
void coeffe_setup2();
void suspinit();
void sole_gauseid();
void blockSedim();
