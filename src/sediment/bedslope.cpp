// Bed-slope factors of the critical shear: from the slope alone for every
// column (bedslope_corr), and from the slope and the near-bed flow for one
// column (computeBedSlopeCorrectionVrem).
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/bed_formulas.h"
#include "sediment/sediment.h"
#include "sediment/state.h"

void bedslope_corr() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) bedslope_correction[i][j] = bedconc::flatSlopeFactor(m_vec_z[i][j][1][2]);
    for (int j = 2; j <= ynumber; ++j) bedslope_correction[1][j] = bedslope_correction[xnumber + 1][j] = 1.0;
}

double computeBedSlopeCorrectionVrem(int i, int j) {
    const bedconc::SlopeFlow flow{m_vec_z[i][j][1][0], m_vec_z[i][j][1][1], m_vec_z[i][j][1][2], xvel[i][j][2],
                                  yvel[i][j][2]};
    double factor = bedconc::slopeFormula(flow, {QZfunc, QZmidphi, QZdelta, QZeta, QZn});
    if (i > QZend_i) factor = 1.0;
    if (i < QZstart_i) factor = 10.0;  // upstream of the range: practically no erosion
    return factor;
}
