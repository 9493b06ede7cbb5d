// Limits of the grid sizes of G 1 and range checks that hold for any size.
//
// The field arrays run to n + 3 in each direction, and loops and counts over
// the cells are int: sizes are usable only while those extents and the cell
// count (n+3)(n+3)(n+3) fit an int. Indices read from `control` are compared
// with n + 1 or n + 2 in 64 bits, so that no check can overflow whatever the
// sizes it sees.
#pragma once

#include <cstdint>
#include <limits>

// True when the extents n + 3 of every direction and the product of the three
// can be formed and indexed with int. Negative sizes count as 0 here (the
// reader refuses them by its own lower bounds).
inline bool gridSizesIndexable(int x, int y, int z) {
    const std::int64_t limit = std::numeric_limits<int>::max();
    std::int64_t cells = 1;
    for (const int n : {x, y, z}) {
        const std::int64_t extent = (n < 0 ? 0 : static_cast<std::int64_t>(n)) + 3;
        cells *= extent;  // each factor is below 2^31: the product of two stays in 64 bits
        if (cells > limit) return false;
    }
    return true;
}

// The sizes of G 1 with the count of size classes, whose arrays run to l + 2.
inline bool gridSizesFormable(int x, int y, int z, int l) {
    return gridSizesIndexable(x, y, z) && l <= std::numeric_limits<int>::max() - 3;
}

// index <= n + beyond, computed without overflow.
inline bool atMost(int index, int n, int beyond) {
    return static_cast<std::int64_t>(index) <= static_cast<std::int64_t>(n) + beyond;
}
