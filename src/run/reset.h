// The one reset of the engine: returns every global to its state at process
// start (parameters to their defaults, record tables emptied, field arrays
// released, status and run state cleared). Tests, fuzz targets and anything
// else that runs the engine more than once in one process start from it.
#pragma once

void resetEngine();
