// The sediment account of an outer iteration of the quasi-steady solution:
// per fraction the fluxes through the faces of the domain and the net
// deposition on the bed, the outflow and the trap efficiency, the balance
// defect that decides convergence; the continuity check of the free cells in
// the last outer iteration; and the flux through the PrintConc sections.
#include <algorithm>
#include <cmath>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/bed_balance.h"
#include "sediment/state.h"
#include "sediment/suspsed.h"

namespace {

// Sediment fluxes of one fraction (m3/s until scaled): I1 into the domain at
// i = 1, I2 out at i = xnumber, J1 into it at j = 1, J2 out at j = ynumber,
// K2 out through the surface, and the net deposition on the open bed cells.
struct Fluxes {
    double I1 = 0.0, I2 = 0.0, J1 = 0.0, J2 = 0.0, K2 = 0.0, trapped = 0.0;
};

// Upwind flux of an i-face (cells face and face+1) and of a j-face.
double iFace(const double* c0, const double* c1, double F, int k) { return 0.001 * F * (F < 0.0 ? c1[k] : c0[k]); }
double jFace(const double* c0, const double* c1, double F, int k) {
    return 0.001 * F * (F > 0.0 ? c0[k] : c1[k]);
}

// The i-faces 1 and xnumber; the j-faces 1 and ynumber of the columns
// whose side is not joined to another block.
void sideFluxes(int l, Fluxes& sums) {
    const auto c = conc[l];
    const int X = xnumber, Y = ynumber, Z = znumber;
    const bool blocks = MBNo > 0;
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) {
            sums.I1 += iFace(&c[1][j][0], &c[2][j][0], flow1[1][j][k], k);
            sums.I2 += iFace(&c[X][j][0], &c[X + 1][j][0], flow1[X][j][k], k);
        }
    for (int i = 2; i <= X; ++i) {
        const bool south = !blocks || Pj1MultiBlock[i][0] == 0;
        const bool north = !blocks || Pj2MultiBlock[i][0] == 0;
        for (int k = 2; k <= Z; ++k) {
            if (south) sums.J1 += jFace(&c[i][1][0], &c[i][2][0], flow2[i][1][k], k);
            if (north) sums.J2 += jFace(&c[i][Y][0], &c[i][Y + 1][0], flow2[i][Y][k], k);
        }
    }
}

// The surface face carries 0.001 flow3 - w A: out of the top cell when
// positive, otherwise in from above through the top cell's coupling.
double surfaceFlux(int l) {
    const auto c = conc[l];
    const int Z = znumber;
    double K2 = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double F = 0.001 * flow3[i][j][Z] - fallvelo[l] * m_armap[i][j];
            K2 += F > 0.0 ? F * c[i][j][Z] : -at[l][i][j][Z] * c[i][j][Z + 1];
        }
    return K2;
}

// What leaves through the outflow faces of the grid blocks.
double blockOutflow(int l) {
    const auto c = conc[l];
    double I2 = 0.0;
    for (int b = 1; b <= MBNo; ++b) {
        const int s = MBSkjot[b];
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (flow1[s][j][k] > 0.0) I2 += 0.001 * flow1[s][j][k] * c[s][j][k];
    }
    return I2;
}

double trappedOnBed(int l) {
    double D = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (OBlok[i][j][2] != 0) D += bedcell::of(l, i, j).deposition(conc[l][i][j][2]);
    return D;
}

Fluxes fluxes(int l) {
    Fluxes sums;
    sideFluxes(l, sums);
    if (MBNo > 0)
        sums.I2 += blockOutflow(l);
    else
        sums.K2 = surfaceFlux(l);
    sums.trapped = trappedOnBed(l);
    return sums;
}

// Continuity of the free cells of fraction l (single-block grid): a line per
// cell whose defect is above 0.001 m3/s; the global defect G (m3/s) when its
// share of what enters is above 1 %.
void continuityCheck(Log& log, int l, const Fluxes& sums) {
    const auto c = conc[l];
    double G = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 3; k <= znumber; ++k) {
                const double in = ae[i][j][k] * c[i - 1][j][k] + aw[i][j][k] * c[i + 1][j][k] +
                                  as[i][j][k] * c[i][j - 1][k] + an[i][j][k] * c[i][j + 1][k] +
                                  ab[l][i][j][k] * c[i][j][k - 1] + at[l][i][j][k] * c[i][j][k + 1];
                const double draw = an[i][j - 1][k] + as[i][j + 1][k] + ae[i + 1][j][k] + aw[i - 1][j][k] +
                                    ab[l][i][j][k + 1] + at[l][i][j][k - 1];
                const double defect = in - draw * c[i][j][k];
                if (std::fabs(defect) > 0.001)
                    log.printf(" Error in continuity, i,j,k,l,conc,defect = %d %d %d %d %g %g\n", i, j, k, l,
                               c[i][j][k], defect);
                G += defect;
            }
    const double scaled = 1000.0 * density * G;
    if (std::fabs(scaled) / (std::fabs(sums.I1) + std::fabs(sums.J1) + std::fabs(sums.K2) + std::fabs(sums.trapped) + 1e-20) > 0.01)
        log.printf("Warning, global continuity defect = %g kg/s\n", scaled);
}

// Section flux terms, by direction -3..3: the concentration of the cell at
// the plane times the flux of its high (positive) or low (negative) face.
using SectionTerm = double (*)(int l, int plane, int a, int b);
double iHigh(int l, int p, int j, int k) { return conc[l][p][j][k] * flow1[p][j][k]; }
double iLow(int l, int p, int j, int k) { return conc[l][p][j][k] * flow1[p - 1][j][k]; }
double jHigh(int l, int p, int i, int k) { return conc[l][i][p][k] * flow2[i][p][k]; }
double jLow(int l, int p, int i, int k) { return conc[l][i][p][k] * flow2[i][p - 1][k]; }
double kHigh(int l, int p, int i, int j) { return conc[l][i][j][p] * flow3[i][j][p]; }
double kLow(int l, int p, int i, int j) { return conc[l][i][j][p] * flow3[i][j][p - 1]; }
constexpr SectionTerm kSectionTerms[7] = {kLow, jLow, iLow, nullptr, iHigh, jHigh, kHigh};

}  // namespace

double quasi::sedimentBalance(Log& log, const Iteration& it) {
    if (it.report) log.printf("Trap efficiency after %d iter: all values in kg/s\n", it.n);
    const double scale = 1000.0 * density;
    double residual = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
        Fluxes sums = fluxes(l);
        for (double* v : {&sums.I1, &sums.I2, &sums.J1, &sums.J2, &sums.K2, &sums.trapped}) *v *= scale;
        if (it.report)
            log.printf(" l=%d: Trapped: %g, Fluxes (I1,I2,J1,J2,K2): %g, %g, %g, %g, %g", l, sums.trapped, sums.I1, sums.I2,
                       sums.J1, sums.J2, sums.K2);
        outflow[l] = std::max(-sums.I1, 0.0) + std::max(sums.I2, 0.0) + std::max(sums.J2, 0.0) + std::max(-sums.J1, 0.0) +
                     std::max(sums.K2, 0.0);
        trapped[l] = (1.0 - outflow[l] / (inflow[l] + 1e-20)) * 100.0;
        const double entering = std::max(sums.I1, 0.0) + std::max(-sums.I2, 0.0) + std::max(-sums.J2, 0.0) +
                                std::max(sums.J1, 0.0) + std::max(-sums.K2, 0.0) + std::fabs(sums.trapped) + 1e-20;
        const double defect = std::fabs(sums.I1 - sums.I2 - sums.J2 + sums.J1 - sums.K2 - sums.trapped) / entering;
        residual += defect;
        if (it.report) log.printf(" Resid: %lf\n", defect);
        if (it.last && MBNo == 0) continuityCheck(log, l, sums);
    }
    return residual;
}

void quasi::sectionFluxes(Log& log) {
    for (int r = 0; r < PrintConcNo; ++r) {
        PrintConcRecord& rec = PrintConc[r];
        rec.flux = 0.0;
        if (rec.direction < -3 || rec.direction > 3) continue;
        const SectionTerm term = kSectionTerms[rec.direction + 3];
        if (!term) continue;
        for (int l = 1; l <= lnumber; ++l)
            for (int a = rec.first1; a <= rec.last1; ++a)
                for (int b = rec.first2; b <= rec.last2; ++b) rec.flux += term(l, rec.plane, a, b);
    }
    for (int r = 0; r < PrintConcNo; ++r) log.printf("Flux %d = %lf\n", r + 1, PrintConc[r].flux * density);
}
