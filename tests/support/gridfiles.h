// Writers of the grid files `koosurf` and `xcyc` in the layout of the result
// output, for tests that read them back.
#pragma once

#include <cstdio>
#include <string>

namespace quird_test {

// One koosurf record per node of the current xval, yval, zval (target bed level
// at k = 0, surface node at k = znumber).
std::string koosurfText();

// The xcyc file of the current grid: the twelve header lines, the
// (ynumber-1)(znumber-1) lines of four reals, then the x, y and z blocks.
std::string xcycText(const double* xcBlock = nullptr, const double* ycBlock = nullptr);

}  // namespace quird_test
