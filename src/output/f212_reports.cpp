// The reports of F 212: mean bed-velocity directions (1) and mean
// velocities and bed shear (2) in `boogie`, the outflow profile as inflow
// records (3, `innflow.t`), a square grid on the first grid line (4,
// `koordina.in`) and the share of steep bed along the flow (8, `boogie.slo`).
// A report file that cannot be opened ends the run; it is the last output of
// the call, so everything before it is written.
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/output.h"

namespace {

[[noreturn]] void cannotOpen(const char* name) {
    char text[100];
    std::snprintf(text, sizeof text, "cannot open file '%s' ", name);
    setMessage(text);
    endRun(-3);
}

FILE* openReport(const char* name) {
    FILE* fp = std::fopen(name, "w");
    if (!fp) cannotOpen(name);
    return fp;
}

double speed(double u, double v) { return std::sqrt(u * u + v * v + 1e-20); }

// A bed slope of 17 degrees (in radians) weighted by the cosine between the
// surface flow and the downhill direction.
constexpr double kSteepAlongFlow = 0.2967;

}  // namespace

bool writeBedDirectionReport() {
    Log log;
    double along = 0.0, across = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double u = xvel[i][j][2], v = yvel[i][j][2], s = speed(u, v);
            along += (m_vec_x[i][j][0] * u + m_vec_x[i][j][1] * v) / s;
            across += std::fabs((m_vec_y[i][j][0] * u + m_vec_y[i][j][1] * v) / s);
        }
    const double columns = static_cast<double>(xnumber - 1) * (ynumber - 1);
    log.printf("Average bed velocity vector in grid direction is: %lf\n", along / columns);
    log.printf("Average bed velocity vector normal to the grid direction is: %lf\n", across / columns);
    return true;
}

bool writeAveragedFlowReport() {
    Log log;
    double su = 0.0, sv = 0.0, sw = 0.0, shear = 0.0, shearRow2 = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            for (int k = 2; k <= znumber; ++k) {
                su += xvel[i][j][k];
                sv += yvel[i][j][k];
                sw += zvel[i][j][k];
            }
            shear += kinen[i][j][2] * sqcmyrho;
        }
    for (int i = 2; i <= xnumber; ++i) shearRow2 += 300.0 * kinen[i][2][2];
    const double n2 = static_cast<double>(xnumber - 1) * (ynumber - 1), n3 = n2 * (znumber - 1);
    log.printf("Averaged velocity vectors: Ux=%lf, Uz=%lf, Uz=%lf (m/s)\n", su / n3, sv / n3, sw / n3);
    log.printf("Averege bed shear stress: %lf Pa, %lf Pa\n", shear / n2, shearRow2 / (xnumber - 1));
    return true;
}

bool writeOutflowProfile() {
    FILE* fp = openReport("innflow.t");
    const int i = xnumber;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k)
            std::fprintf(fp, "D %d %d %lf %lf %lf %lf %lf\n", j, k, xvel[i][j][k], yvel[i][j][k], zvel[i][j][k],
                         kinen[i][j][k], epsilon[i][j][k]);
    closeWritten(fp, "innflow.t");
    return true;
}

bool writeSquareGrid() {
    const int Y = ynumber;
    const double dx = xval[1][Y] - xval[1][1], dy = yval[1][Y] - yval[1][1];
    const double step = 1.0 / (Y - 1);  // G 1 keeps ynumber at 4 or more
    FILE* fp = openReport("koordina.in");
    for (int a = 1; a <= Y; ++a)
        for (int b = 1; b <= Y; ++b)
            std::fprintf(fp, "%d %d %lf %lf %lf\n", a, b, xval[1][b] + (a - 1) * dy * step,
                         yval[1][b] - (a - 1) * dx * step, zval[1][b][1]);
    closeWritten(fp, "koordina.in");
    return true;
}

bool writeSlopingBedReport() {
    double sloping = 0.0, flat = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const auto n = m_vec_z[i][j][1];
            const double u = xvel[i][j][znumber], v = yvel[i][j][znumber];
            const double c = (n[0] * u + n[1] * v) / std::sqrt((u * u + v * v) * (n[0] * n[0] + n[1] * n[1]) + 1e-20);
            const double theta = std::acos(n[2]);
            (theta * c > kSteepAlongFlow ? sloping : flat) += m_armap[i][j];
        }
    FILE* fp = openReport("boogie.slo");
    std::fprintf(fp, "Fraction of sloping area: %le\n", sloping / (sloping + flat + 1e-20));
    closeWritten(fp, "boogie.slo");
    return true;
}
