// What the depth-averaged driver hands on and reports besides its pass
// lines: the bed shear of every column, the 3-D field rebuilt from the plane
// for the sediment code and the result writers, the coefficient dump and the
// specific-energy line.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "surface2d/surface2d.h"

namespace {

// The plane bed-shear rule of the model's row: the k-epsilon models and the
// Manning model from k of the bed cell, model 3 from the rough-wall log law;
// others keep it.
BedShearRule bedShearRule() { return turbulenceModel().plane.bedShear; }

// Log profiles are bounded below as the bed law of the plane bounds its
// logarithm, so that no rebuilt level runs against the plane's flow.
constexpr double kLowestLog = 0.01;

}  // namespace

void bedShearFromModel2D() {
    const BedShearRule rule = bedShearRule();
    if (rule == BedShearRule::Unchanged) return;
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (rule == BedShearRule::FromK) {
                bedshear[i][j] = kinen[i][j][2] * sqcmyrho;
            } else {
                const double u = xvel[i][j][2], v = yvel[i][j][2];
                const double l = std::log(std::max(1.1, 30.0 * m_dist_z[i][j][2] / (Xks[i][j] + 1e-7)));
                bedshear[i][j] = kWaterDensity * 0.16 * (u * u + v * v) / (l * l);
            }
        }
}

void rebuildColumn(int i, int j) {
    const double u = xvel[i][j][0], v = yvel[i][j][0];
    const double D = 2.0 * m_dist_z[i][j][0];
    // Strickler's law with 9.81/26^2.
    const double tau = kWaterDensity * 0.0145118349 * (u * u + v * v) * std::pow(Xks[i][j] / D, 0.333333);
    bedshear[i][j] = tau;
    if (znumber <= 1) return;
    const double ustar = std::sqrt(tau / kWaterDensity), kb = 0.003333333 * tau;
    const double z2 = m_dist_z[i][j][2];
    double z = z2, S = 0.0;
    for (int k = 2; k <= znumber; ++k) {
        if (k > 2) z += m_dist_z[i][j][k - 1] + m_dist_z[i][j][k];
        const double p = ustar * std::max(kLowestLog, std::log(30.0 * z / Xks[i][j]));
        xvel[i][j][k] = u * p;
        yvel[i][j][k] = v * p;
        S += m_dist_z[i][j][k] * p;
        const double rel = z / (D + 1e-10);
        gama[i][j][k] = rel <= 0.3 ? gama[i][j][0] * 3.3333 * rel : gama[i][j][0];
        diff[i][j][k] = 0.001 * gama[i][j][k];
        kinen[i][j][k] = kb * (2.0 * D - z) / (2.0 * D - z2);
        // gama is dynamic (density 1000 folded in): epsilon = c_mu k^2 / nu_t.
        epsilon[i][j][k] = kWaterDensity * cmy * kinen[i][j][k] * kinen[i][j][k] / gama[i][j][k];
    }
    const double scale = 0.5 * D / S;
    for (int k = 2; k <= znumber; ++k) {
        xvel[i][j][k] *= scale;
        yvel[i][j][k] *= scale;
    }
}

void rebuild3D() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double u = xvel[i][j][0], v = yvel[i][j][0];
            if (u * u + v * v > 1e-20) rebuildColumn(i, j);
        }
    if (znumber > 1)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                for (const int i : {1, xnumber + 1}) {
                    xvel[i][j][k] = xvel[i][j][0];
                    yvel[i][j][k] = yvel[i][j][0];
                }
    flowSteps.waterflow();
}

void debugDump2D() {
    for (int n = 1; n <= DebugDumpNo; ++n) {
        const DebugDumpRecord& d = DebugDump[n];
        if (d.equation != Equation) continue;
        const int i = d.i, j = d.j;
        if (i < 1 || i > xnumber + 1 || j < 1 || j > ynumber + 1) continue;
        Log log;
        log.printf("Debug dump for (%d,%d,%d,%d)\n", d.i, d.j, d.k, d.equation);
        log.printf("f, ap, source = %e %e %e\n", f[i][j][0], wap[i][j][0], source[i][j][0]);
        log.printf("fe, ae, flowe = %e %e %e\n", f[i - 1][j][0], ae[i][j][0], flow1[i - 1][j][0]);
        log.printf("fw, aw, floww = %e %e %e\n", f[i + 1][j][0], aw[i][j][0], flow1[i][j][0]);
        log.printf("fs, as, flows = %e %e %e\n", f[i][j - 1][0], as[i][j][0], flow2[i][j - 1][0]);
        log.printf("fn, an, flown = %e %e %e\n", f[i][j + 1][0], an[i][j][0], flow2[i][j][0]);
    }
}

void specificEnergy2D() {
    const int s = SpecEnergy;
    if (s < 1 || s > xnumber) return;
    double E = 0.0, area = 0.0;
    for (int j = 2; j <= ynumber; ++j) {
        const double A = m_ar_x[s][j][0], F = flow1[s][j][0];
        // 5.0969e-08 = 1/(2 g 1000^2): the velocity head of the mass flux.
        E += F * F / A * 5.0969e-08 + 0.5 * A * (Pres[s][j][0] + Pres[s + 1][j][0]);
        area += A;
    }
    logf("Specifice energy for section %d = %e\n", s, E / area);
}
