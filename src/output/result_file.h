// The flow result and restart file `result`.
#pragma once

#include <cstdint>

// Characters that the restart reader scans outside the formatted reads of
// its records, for a grid of X, Y, Z lines: 20 per cell and column, and the
// header lines of the writer at their widest.
std::int64_t readresBudget(std::int64_t X, std::int64_t Y, std::int64_t Z);
