// Grid geometry and initial flow state: the routines that the run driver and the start-up call.
#pragma once

void initial();
void initial_tunnel();
void MultiBlockInit();
void smetric();
void startup();
void ReadXCYC();
// Writes the current nodes to `koordina.new` (and `koosurf` with the transient free surface).
void writekoor();
