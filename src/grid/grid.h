// Grid geometry and initial flow state: the routines that the run driver and the start-up call.
#pragma once

void initial();
void initial_tunnel();
void MultiBlockInit();
void smetric();
void startup();
void ReadXCYC();
