// Free water surface and depth-averaged 2-D flow: the routines that the run driver and the start-up call.
#pragma once

void WaterSolve2D();
