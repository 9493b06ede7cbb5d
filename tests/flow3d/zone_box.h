// The small box of the porous-bed and vegetation tests: 4 x 4 columns of
// 1 m x dy, five layers of 0.25 m (top faces of cells k = 2..6 at 0.25, 0.5,
// 0.75, 1.0, 1.25), its geometry, and a uniform flow in every cell.
#pragma once

#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "support/grids.h"

namespace quird_test {

inline void zoneBox(int X, int Y, int Z, double dy) {
    boxGrid(X, Y, Z, 1.0, dy, 0.25);
    metric();
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) {
                xvel[i][j][k] = 0.5;
                yvel[i][j][k] = -0.2;
                zvel[i][j][k] = 0.1;
            }
}

}  // namespace quird_test
