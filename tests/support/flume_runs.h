// The bundled flume example run to its end by the real `quird`, its fields
// read back from the result file: for end-to-end comparisons of solver
// settings on the same case.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace quird_test {

struct FlumeSolution {
    int exitCode = -1;
    int passes = -1;  // the iteration of the result file
    bool converged = false;  // "Solution converged" in the log
    std::string boogie;
    // u, v, w, k, epsilon, eddy viscosity, f1, f2, f3, p per cell
    std::vector<std::vector<double>> rows;
    std::vector<std::array<int, 3>> cells;  // i, j, k of each row
    std::array<int, 3> last{0, 0, 0};       // the largest i, j, k (the far ghost cells)
    bool interior(size_t row) const {       // i, j, k 2..n of the grid
        for (int d = 0; d < 3; ++d)
            if (cells[row][d] < 2 || cells[row][d] > last[d] - 1) return false;
        return true;
    }
};

// The flume example with `extra` control lines appended and its result file
// (F 48 0) in place of the VTK file.
FlumeSolution runFlume(const std::string& extra);

// The largest difference between two runs' rows, field by field, each in
// units of its largest magnitude in `reference` (10 values; 0 for a field
// that is zero throughout). Empty when the runs have different cells.
std::vector<double> scaledDifferences(const FlumeSolution& reference, const FlumeSolution& other);

}  // namespace quird_test
