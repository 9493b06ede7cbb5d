// The bed-layer fractions after the concentration sweeps of a transient
// morphology step: each routine turns what settled into the bed cell of every
// open bed column into a bed-level change per size class (m), then exchanges
// material between the active and the inactive layer of the column.
#include <algorithm>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/bed_layers.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "sediment/bed_balance.h"
#include "sediment/state.h"

using bedlayers::Exchange;
using bedlayers::Layer;
using bedlayers::LayerRule;

namespace {

// The bed cell's volume over the step (m3/s): the storage coefficient of the
// transient sediment equation.
double storage(int i, int j) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][2] / TimeStep; }

// Net deposition of size l in bed cell (i, j, 2) (m3/s): the bed-cell balance
// plus the storage of the step. The horizontal couplings are those of the
// equation workspace, or with `bedLoad` the per-size bed-load couplings; a
// multi-block grid always takes the workspace couplings with the partner
// cells of the block joints.
double balance(int l, int i, int j, bool bedLoad) {
    const bedcell::Balance b = bedLoad ? bedcell::bedLoad(l, i, j) : bedcell::single(l, i, j);
    const double V = storage(i, j);
    return b.S + conc_old[l][i][j][2] * V - (b.R + V) * conc[l][i][j][2];
}

double balanceBlocks(int l, int i, int j) {
    const bedcell::Balance b = bedcell::blocks(l, i, j);
    const double V = storage(i, j);
    return b.S + conc_old[l][i][j][2] * V - (b.R + V) * conc[l][i][j][2];
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
