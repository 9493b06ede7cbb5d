// Reading the grid files that a run writes, for the end-to-end tests of the
// bed change and the sediment runs.
#pragma once

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>

namespace morphtest {

// Bed level per node (i, j) of a file of records "i j x y z ...".
using Bed = std::map<std::pair<int, int>, double>;
inline Bed bedOf(const std::string& text) {
    Bed bed;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        int i, j;
        double x, y, z;
        if (std::sscanf(line.c_str(), "%d %d %lf %lf %lf", &i, &j, &x, &y, &z) == 5) bed[{i, j}] = z;
    }
    return bed;
}

}  // namespace morphtest
