// The exchange of a bed cell (level 2) of one size fraction with its four
// horizontal neighbours, shared by the bed-cell rule of the transient driver
// and the bed-cell balance of the layer fractions.
#pragma once

#include "equations/state.h"
#include "grid/state.h"
#include "sediment/state.h"

namespace bedcell {

// What the neighbours bring to bed cell (i, j) of fraction l (supply, m3/s)
// and the coefficient by which they draw on it (removal, m3/s): the
// couplings of the equation workspace at level 2, or with `bedLoad` the
// per-fraction bed-load couplings. Single-block grid.
struct Exchange {
    double supply, removal;
};
inline Exchange horizontal(int l, int i, int j, bool bedLoad) {
    const auto c = conc[l];
    if (bedLoad)
        return {anb[l][i][j] * c[i][j + 1][2] + asb[l][i][j] * c[i][j - 1][2] + awb[l][i][j] * c[i + 1][j][2] +
                    aeb[l][i][j] * c[i - 1][j][2],
                anb[l][i][j - 1] + asb[l][i][j + 1] + aeb[l][i + 1][j] + awb[l][i - 1][j]};
    return {an[i][j][2] * c[i][j + 1][2] + as[i][j][2] * c[i][j - 1][2] + aw[i][j][2] * c[i + 1][j][2] +
                ae[i][j][2] * c[i - 1][j][2],
            an[i][j - 1][2] + as[i][j + 1][2] + ae[i + 1][j][2] + aw[i - 1][j][2]};
}

// On a multi-block grid: the level-2 concentrations of the west neighbour of
// every cell, the south neighbour of the cells j = 2 and the north one of the
// cells j = ynumber, read from the partner cell where the joint tables link
// one, else from the cell's own neighbour.
struct Partners {
    bool hasWest, hasSouth, hasNorth;
    double west, south, north;
};
inline Partners partners(int l, int i, int j) {
    const auto c = conc[l];
    const int* w = Pi1MultiBlock[i][j];
    const int* s = Pj1MultiBlock[i];
    const int* n = Pj2MultiBlock[i];
    Partners p{w[0] != 0, j == 2 && s[0] != 0, j == ynumber && n[0] != 0, 0.0, 0.0, 0.0};
    p.west = p.hasWest ? c[w[0]][w[1]][2] : c[i - 1][j][2];
    p.south = p.hasSouth ? c[s[0]][s[1]][2] : c[i][j - 1][2];
    p.north = p.hasNorth ? c[n[0]][n[1]][2] : c[i][j + 1][2];
    return p;
}

}  // namespace bedcell
