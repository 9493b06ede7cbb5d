// The balance of the bed cell (i, j, 2) of one size fraction l: the supply S
// (m3/s) that the four horizontal neighbours and the cell above bring, and
// the removal coefficient R (m3/s) by which those five draw on the bed cell;
// the net deposition is D = S - R c(i, j, 2). The quasi-steady solution, its
// balance report and bed composition, the quasi-steady morphology pass and
// the transient layer fractions all form it here.
//
// Single-block form: the plain neighbours and the workspace couplings at the
// bed level. Multi-block form: the partner cells of the block joints stand in
// for the missing neighbours (Pi1MultiBlock at every column, Pj1MultiBlock at
// j = 2, Pj2MultiBlock at j = ynumber), with the partners' couplings, and a
// downstream neighbour that opens a block draws what leaves through the face.
// Bed-load form: the per-size bed-load couplings aeb..asb in place of the
// horizontal workspace couplings.
#pragma once

#include <algorithm>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"

namespace bedcell {

struct Balance {
    double S;  // supply
    double R;  // removal coefficient
    // Net deposition at bed-cell concentration c.
    double deposition(double c) const { return S - R * c; }
};

inline Balance single(int l, int i, int j) {
    const auto c = conc[l];
    double P = an[i][j][2] * c[i][j + 1][2] + as[i][j][2] * c[i][j - 1][2] + aw[i][j][2] * c[i + 1][j][2] +
               ae[i][j][2] * c[i - 1][j][2];
    double R = an[i][j - 1][2] + as[i][j + 1][2] + ae[i + 1][j][2] + aw[i - 1][j][2];
    P += at[l][i][j][2] * c[i][j][3];
    R += ab[l][i][j][3];
    return {P, R};
}

inline Balance bedLoad(int l, int i, int j) {
    const auto c = conc[l];
    double P = anb[l][i][j] * c[i][j + 1][2] + asb[l][i][j] * c[i][j - 1][2] + awb[l][i][j] * c[i + 1][j][2] +
               aeb[l][i][j] * c[i - 1][j][2];
    double R = anb[l][i][j - 1] + asb[l][i][j + 1] + aeb[l][i + 1][j] + awb[l][i - 1][j];
    P += at[l][i][j][2] * c[i][j][3];
    R += ab[l][i][j][3];
    return {P, R};
}

inline Balance blocks(int l, int i, int j) {
    const auto c = conc[l];
    const int* west = Pi1MultiBlock[i][j];
    const int* south = Pj1MultiBlock[i];
    const int* north = Pj2MultiBlock[i];
    const bool hasWest = west[0] != 0;
    const bool hasSouth = j == 2 && south[0] != 0;
    const bool hasNorth = j == ynumber && north[0] != 0;

    const double cWest = hasWest ? c[west[0]][west[1]][2] : c[i - 1][j][2];
    const double cSouth = hasSouth ? c[south[0]][south[1]][2] : c[i][j - 1][2];
    const double cNorth = hasNorth ? c[north[0]][north[1]][2] : c[i][j + 1][2];
    const double P = an[i][j][2] * cNorth + as[i][j][2] * cSouth + aw[i][j][2] * c[i + 1][j][2] +
                     ae[i][j][2] * cWest + at[l][i][j][2] * c[i][j][3];

    // The downstream neighbour opens a block: what leaves through the face.
    const double rEast = Pi1MultiBlock[i + 1][j][0] != 0 ? std::max(0.0, 0.001 * flow1[i][j][2]) : ae[i + 1][j][2];
    const double rWest =
        hasWest ? (west[1] == 2 ? as[west[0]][west[1]][2] : an[west[0]][west[1]][2]) : aw[i - 1][j][2];
    const double rSouth = hasSouth ? ae[south[0]][south[1]][2] : an[i][j - 1][2];
    const double rNorth = hasNorth ? ae[north[0]][north[1]][2] : as[i][j + 1][2];
    return {P, rSouth + rNorth + rEast + rWest + ab[l][i][j][3]};
}

// The form of the grid: multi-block when MBNo > 0.
inline Balance of(int l, int i, int j) { return MBNo > 0 ? blocks(l, i, j) : single(l, i, j); }

}  // namespace bedcell
