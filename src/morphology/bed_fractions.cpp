// The bed-layer fractions after the concentration sweeps of a transient
// morphology step: each routine turns what settled into the bed cell of every
// open bed column into a bed-level change per size class (m), then exchanges
// material between the active and the inactive layer of the column.
#include <algorithm>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/bed_cell.h"
#include "morphology/bed_layers.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "sediment/state.h"

using bedlayers::Exchange;
using bedlayers::Layer;
using bedlayers::LayerRule;

namespace {

// The bed cell's volume over the step (m3/s): the storage coefficient of the
// transient sediment equation.
double storage(int i, int j) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][2] / TimeStep; }

// Net deposition of size l in bed cell (i, j, 2) (m3/s) on a single-block
// grid: supply from the four neighbours and the cell above, minus what they
// draw from the bed cell, plus the storage of the step. The horizontal
// couplings are those of the equation workspace, or with `bedLoad` the
// per-size bed-load couplings.
double balance(int l, int i, int j, bool bedLoad) {
    const auto c = conc[l];
    const double V = storage(i, j);
    const bedcell::Exchange x = bedcell::horizontal(l, i, j, bedLoad);
    const double P = x.supply + at[l][i][j][2] * c[i][j][3];
    const double R = x.removal + ab[l][i][j][3];
    return P + conc_old[l][i][j][2] * V - (R + V) * c[i][j][2];
}

// The same on a multi-block grid, always with the workspace couplings: the
// partner cells of the block joints stand in for the missing neighbours.
double balanceBlocks(int l, int i, int j) {
    const auto c = conc[l];
    const double V = storage(i, j);
    const bedcell::Partners p = bedcell::partners(l, i, j);
    const int* west = Pi1MultiBlock[i][j];
    const int* south = Pj1MultiBlock[i];
    const int* north = Pj2MultiBlock[i];
    const double P = an[i][j][2] * p.north + as[i][j][2] * p.south + aw[i][j][2] * c[i + 1][j][2] +
                     ae[i][j][2] * p.west + at[l][i][j][2] * c[i][j][3];

    // The downstream neighbour opens a block: what leaves through the face.
    const double rEast = Pi1MultiBlock[i + 1][j][0] != 0 ? std::max(0.0, 0.001 * flow1[i][j][2]) : ae[i + 1][j][2];
    const double rWest =
        p.hasWest ? (west[1] == 2 ? as[west[0]][west[1]][2] : an[west[0]][west[1]][2]) : aw[i - 1][j][2];
    const double rSouth = p.hasSouth ? ae[south[0]][south[1]][2] : an[i][j - 1][2];
    const double rNorth = p.hasNorth ? ae[north[0]][north[1]][2] : as[i][j + 1][2];
    const double R = rSouth + rNorth + rEast + rWest + ab[l][i][j][3];
    return P + conc_old[l][i][j][2] * V - (R + V) * c[i][j][2];
}

// What settles with the fall velocity minus what the bed gives (m3/s).
double settling(int l, int i, int j) {
    return conc[l][i][j][2] * m_armap[i][j] * fallvelo[l] - BedSource[l][i][j];
}

// Clears BedMove of the open bed cells unless it adds up over the steps
// (frozen flow), then exchanges the layers of every open bed column, i outer,
// j inner. dzOf(l, i, j) is the bed-level change of size l (m).
template <typename DzOf>
void sweepColumns(const LayerRule& rule, DzOf dzOf) {
    const int n = lnumber;
    if (Hydrostatic != 2)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                if (OBlok[i][j][2] == 1) BedMove[i][j] = 0.0;
    double dz[kFractionTable] = {};
    Layer active, inactive;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][2] != 1) continue;
            for (int l = 0; l <= n; ++l) {
                if (l > 0) dz[l] = dzOf(l, i, j);
                active.v[l] = bedgrain[l][i][j];
                inactive.v[l] = BedGrainOriginal[l][i][j];
            }
            const Exchange x = bedlayers::exchangeColumn(rule, n, dz, active, inactive, maxgrain, BedMove[i][j]);
            BedMove[i][j] = x.BedMove;
            for (int l = 0; l <= n; ++l) {
                if (l > 0) bedlevchange[l][i][j] = dz[l];
                bedgrain[l][i][j] = x.active.v[l];
                BedGrainOriginal[l][i][j] = x.inactive.v[l];
            }
            bedlayers::checkColumn(rule, x, n, i, j);
        }
}

}  // namespace

void morphology_fractions() {
    const bool blocks = MBNo > 0;
    const bool bedLoad = BedLoadVectorFlag > 0;
    sweepColumns(bedlayers::kLayerCases, [&](int l, int i, int j) {
        const double rate = blocks ? balanceBlocks(l, i, j) : balance(l, i, j, bedLoad);
        const double q = rate / (ConvCoef * m_armap[i][j]);
        return TimeStep * q;
    });
}

void morphology2_fractions() {
    sweepColumns(bedlayers::kLayerFallVelocity, [](int l, int i, int j) {
        const double q = settling(l, i, j) / (ConvCoef * m_armap[i][j]);
        return TimeStep * q;
    });
}

void morphology2_fractions1() {
    // The drivers call this with FlagTSC 1 or 2; under no rule there is no change.
    sweepColumns(bedlayers::kLayerMovingBottom, [](int l, int i, int j) {
        double rate = 0.0;
        if (FlagFracVer == 2)
            rate = -BedSource[l][i][j];
        else if (FlagTSC == 2)
            rate = settling(l, i, j);
        else if (FlagTSC == 1)
            rate = balance(l, i, j, false);
        return rate * TimeStep / (ConvCoef * m_armap[i][j]);
    });
}
