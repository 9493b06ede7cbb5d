// Bed reference concentration from a transport formula (F 10): the rate of
// the formula divided by the sediment density and by the depth integral of a
// Rouse profile anchored at the bed cell, so that the profile carries it.
#include <cmath>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/state.h"
#include "sediment/transport_formulas.h"

namespace {

double speedOf(int i, int j, int k) { return std::sqrt(xvel[i][j][k] * xvel[i][j][k] + yvel[i][j][k] * yvel[i][j][k]); }

}  // namespace

void concEngelund() {
    const transport::Formula* formula = transport::formula(SedimentFormula);
    if (!formula) failf(-8, "Internal error: no transport formula '%c' (F 10)\n", SedimentFormula);
    Log log;
    const double s = density;
    const double tc0 = std::fabs(shieldscoeff) * (s - 1.0) * 9810.0;  // per metre of grain diameter
    const double inv = 1.0 / (1000.0 * s);
    const double ks = std::pow(26.0 / ManArray[0], 6.0);
    const int top = znumber;

    for (int l = 1; l <= lnumber; ++l)
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                double c = 0.0;
                const double tb = bedshear[i][j];
                const double* dz = m_dist_z[i][j];  // half cell heights k = 0..top+2
                double h = 0.0, flux = 0.0;
                for (int k = 2; k <= top; ++k) {
                    h += 2.0 * dz[k];
                    flux += speedOf(i, j, k) * dz[k];
                }
                // No shear computed yet (or none) and dry columns carry nothing.
                if (!(tb > 0.0) || !(h > 0.0)) {
                    conc[l][i][j][0] = 0.0;
                    continue;
                }
                transport::Column col{};
                col.s = s;
                col.d = gsize[l];
                col.w = fallvelo[l];
                col.tb = tb;
                col.ustar = std::sqrt(tb / 1000.0);
                col.h = h;
                col.Ubar = flux / (0.5 * h);
                col.S = tb / (9810.0 * h);
                col.theta = std::fabs(tb) / (1000.0 * 9.81 * (s - 1.0) * col.d);
                col.tc = tc0 * col.d;
                if (FlagBedslopeCorrection == 1) col.tc *= bedslope_correction[i][j];

                const double Z = col.w / (0.4 * col.ustar);
                const double bedFlux = 2.0 * dz[2] * speedOf(i, j, 2);
                const double I = transport::depthIntegral(dz, top, speedOf(i, j, 2), col.ustar, ks, blevel[i][j], Z);

                if (!formula->needsExcessShear) {
                    const transport::Figure q = formula->figure(col);
                    c = std::fabs(I) > 1e-10 ? inv * q.rate / I : 0.0;
                    if (c > formula->reportAbove) {
                        log.printf("Error Engelund conc(%d,%d,0,%d) = %e\n", i, j, l, c);
                        log.printf("  engelund,konc,eqshear = %e %e %e\n", q.Q, I, col.tc);
                        log.printf("  velocity,slope,partfroude = %e %e %e\n", col.Ubar, col.S, col.theta);
                    }
                } else if (!(std::fabs(I) < 1e-10) && tb - col.tc > 0.0) {
                    const transport::Figure q = formula->figure(col);
                    if (q.outsideRange && formula->outsideText) log.write(formula->outsideText);
                    if (formula->perBedCellFlux) {
                        if (bedFlux <= 1e-20) {
                            log.write("Einsteins formula not valid for this situation");
                            log.close();
                            endRun(1);
                        }
                        c = inv * q.rate / bedFlux;
                    } else {
                        c = inv * q.rate / I;
                    }
                }
                conc[l][i][j][0] = c;
            }
}
