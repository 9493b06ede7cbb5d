// The habitat report `habitat`: the plan area of the interior columns in 20
// classes of water depth and 20 classes of depth-averaged speed.
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/output.h"
#include "output/state.h"

namespace {

// The class index 0..19 of a value against the largest value. Computed in
// floating point and clipped before the conversion, so that a largest value
// of 0 or a value that is not a number falls in class 0.
int habitatClass(double value, double largest) {
    if (!(largest > 0.0)) return 0;
    const double c = value * kHabitatClasses / largest - 0.01;
    if (!(c >= 1.0)) return 0;
    if (c >= kHabitatClasses - 1) return kHabitatClasses - 1;
    return static_cast<int>(c);
}

// Depth-averaged velocity of each interior column over k = 2..znumber-1,
// weighted by the half heights, stored in the plane k = 0.
void storeColumnMeans() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double su = 0.0, sv = 0.0, sh = 0.0;
            for (int k = 2; k < znumber; ++k) {
                const double h = m_dist_z[i][j][k];
                su += xvel[i][j][k] * h;
                sv += yvel[i][j][k] * h;
                sh += h;
            }
            xvel[i][j][0] = su / (sh + 1e-30);
            yvel[i][j][0] = sv / (sh + 1e-30);
        }
}

double columnDepth(int i, int j) {
    double half = 0.0;
    for (int k = 2; k <= znumber; ++k) half += m_dist_z[i][j][k];
    return 2.0 * half;
}

double columnSpeed(int i, int j) { return std::sqrt(xvel[i][j][0] * xvel[i][j][0] + yvel[i][j][0] * yvel[i][j][0]); }

}  // namespace

bool writeHabitat() {
    // The plane k = 0 is the solved field of a depth-averaged run: its speeds
    // are taken as they are.
    if (Flag2Dim != 1) storeColumnMeans();

    double dmax = 0.0, smax = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            dmax = std::fmax(dmax, columnDepth(i, j));
            smax = std::fmax(smax, columnSpeed(i, j));
        }
    for (int n = 0; n < kHabitatClasses; ++n) habdep[n] = habvel[n] = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            habdep[habitatClass(columnDepth(i, j), dmax)] += m_armap[i][j];
            habvel[habitatClass(columnSpeed(i, j), smax)] += m_armap[i][j];
        }

    FILE* fp = std::fopen("habitat", "w");
    if (!fp) {
        // The later steps of the call are still made; the run ends after them.
        outputOpenFailed = "habitat";
        return true;
    }
    std::fprintf(fp, "Depth (m), area (m2), velocity (m/s), area(m2)\n");
    for (int n = 1; n <= kHabitatClasses; ++n)
        std::fprintf(fp, "%lf %lf %lf %lf\n", n * dmax / kHabitatClasses, habdep[n - 1], n * smax / kHabitatClasses,
                     habvel[n - 1]);
    closeWritten(fp, "habitat");
    return true;
}
