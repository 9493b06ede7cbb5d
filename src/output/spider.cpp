// The grid surface files of a run: `koosurf` (plan grid with target bed and
// surface levels) and `xcyc` (solver settings, a generated inflow profile and
// every grid node), which ReadXCYC reads back in a later run.
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "control/constants.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "grid/koosurf.h"
#include "output/output.h"

namespace {

void writeHeader(FILE* fp) {
    std::fprintf(fp, " %3d %3d %3d\n", xnumber, ynumber, znumber);
    std::fprintf(fp, " %6ld %6ld\n", iterGlobalMax, IterSurface);
    std::fprintf(fp, " %2d %2d\n", FlagWall, FlagRoof);
    for (int e = 1; e <= 6; ++e) std::fprintf(fp, " %4.2lf ", relax[e]);
    std::fprintf(fp, "\n");
    for (const int* table : {sweeps, blockcorr, sou}) {
        for (int e = 1; e <= 6; ++e) std::fprintf(fp, " %2d", table[e]);
        std::fprintf(fp, "\n");
    }
    std::fprintf(fp, " 0 0 0 0 0 0\n");
    std::fprintf(fp, "   0\n");
    std::fprintf(fp, "   2\n");
    std::fprintf(fp, "   0\n");
    std::fprintf(fp, " %7.4lf %8.6lf %8.6lf %8.6lf\n", 0.0, XksWall, XksWall, XksWall);
}

// A log-law boundary layer at the inflow node line i = 1 from the Manning
// friction of the first cross-section: the eddy viscosity rises linearly from
// the first cell centre to 0.3 of the depth, k falls linearly to half its bed
// value at the surface. The velocities are the flow field's.
void writeInflowProfile(FILE* fp) {
    if (ynumber == 1 || znumber == 1) return;
    const double V = avvelocity[1], R = radius[1], M = ManArray[0];
    const double tau = ((kWaterDensity * V) * V) * 9.81 * (1.0 / (M * M * std::pow(R, 0.3333)));
    const double nuMax = 0.11 * R * std::sqrt(tau / kWaterDensity) * EddyMult;
    const double K0 = (tau / sqcmyrho) * std::sqrt(EddyMult);
    const int Z = znumber;
    for (int j = 2; j <= ynumber; ++j) {
        auto z = [](int jj, int k) { return zval[1][jj][k]; };
        const double D = 0.5 * ((z(j, Z) - z(j, 1)) + (z(j - 1, Z) - z(j - 1, 1)));
        const double zb = 0.25 * ((z(j, 2) - z(j, 1)) + (z(j - 1, 2) - z(j - 1, 1)));
        const double epsB = std::pow(tau, 1.5) / (0.4 * zb * 31622.8);
        const double nuB = cmy * K0 * K0 / epsB;
        const double slope = (nuMax - nuB) / (0.3 * D - zb);
        double below = 0.0;  // 2 (h_2 + ... + h_(k-1))
        for (int k = 2; k <= Z; ++k) {
            const double h = 0.25 * ((z(j, k) - z(j, k - 1)) + (z(j - 1, k) - z(j - 1, k - 1)));
            const double zc = below + h;
            below += 2.0 * h;
            // Capped at nu_max; a row whose slope is undefined writes what that gives.
            double nu = nuB + slope * (zc - zb);
            if (nu > nuMax) nu = nuMax;
            const double kt = K0 - 0.5 * K0 * (zc - zb) / (D - zb);
            const double eps = cmy * kt * kt / nu;
            std::fprintf(fp, " %6.4lf   %6.4lf   %lf   %10.8lf\n", xvel[1][j][k], yvel[1][j][k], kt, eps);
        }
    }
}

// One block of node values, `znumber` per node: a line break after the 8th,
// 16th and 24th value of a node and one more at its end.
template <typename Value>
void writeNodeBlock(FILE* fp, const char* format, Value value) {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            for (int k = 1; k <= znumber; ++k) {
                std::fprintf(fp, format, value(i, j, k));
                if (k == 8 || k == 16 || k == 24) std::fprintf(fp, "\n");
            }
            std::fprintf(fp, "\n");
        }
}

}  // namespace

void writespider() {
    // xcyc is written even when koosurf cannot be opened; the run ends after it.
    const bool koosurfWritten = writeKoosurf();

    FILE* fp = std::fopen("xcyc", "w");
    if (!fp) {
        setMessage(" cannot open file xcyc");
        endRun(-3);
    }
    setProgram(" In writexcyc             ");
    writeHeader(fp);
    writeInflowProfile(fp);
    writeNodeBlock(fp, " %8.4lf", [](int i, int j, int) { return xval[i][j]; });
    writeNodeBlock(fp, " %8.4lf", [](int i, int j, int) { return yval[i][j]; });
    writeNodeBlock(fp, " %8.5lf", [](int i, int j, int k) { return zval[i][j][k]; });
    closeWritten(fp, "xcyc");

    if (!koosurfWritten) {
        setMessage(" cannot open file koosurf");
        endRun(-3);
    }
    setMessage(" Have written griddata ");
    gFlagWriteX = 0;
}
