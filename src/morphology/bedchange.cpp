// Bed-level update: the bed change of every bed cell is spread over its four
// corner nodes within the erodible depth and the room below the surface, the
// node columns follow, the sand slides and the smoothing act, and the
// pressure is shifted or the change logged before the geometry is rebuilt.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/slides.h"
#include "morphology/state.h"
#include "output/state.h"
#include "sediment/state.h"

namespace {

// Corner nodes of bed cell (i, j) in the order of the spreading, and for
// each the three other cells around it.
struct Corner {
    int di, dj;
    int other[3][2];
};
constexpr Corner kCorners[4] = {
    {0, 0, {{1, 0}, {0, 1}, {1, 1}}},
    {0, -1, {{0, -1}, {1, -1}, {1, 0}}},
    {-1, -1, {{-1, -1}, {0, -1}, {-1, 0}}},
    {-1, 0, {{-1, 0}, {-1, 1}, {0, 1}}},
};

bool interiorOpen(int i, int j) { return i >= 2 && i <= xnumber && j >= 2 && j <= ynumber && OBlok[i][j][2] == 1; }

struct CellSpread {
    int ni[4], nj[4];
    double w[4], move[4] = {0, 0, 0, 0}, limit[4];
    double W = 0.0, rest = 0.0;
    double placed() const { return move[0] + move[1] + move[2] + move[3]; }
};

// Area weights of the four corners, then the variant of Flag1BedChange on
// grids without blocked boxes.
void cornerWeights(int i, int j, CellSpread& s) {
    const double A = m_armap[i][j];
    for (int n = 0; n < 4; ++n) {
        s.ni[n] = i + kCorners[n].di;
        s.nj[n] = j + kCorners[n].dj;
        double sum = A;
        for (const auto& o : kCorners[n].other)
            if (interiorOpen(i + o[0], j + o[1])) sum += m_armap[i + o[0]][j + o[1]];
        s.w[n] = sum > 0.0 ? A / sum : 0.0;
        s.W += s.w[n];
    }
    if (OutBlockNo != 0) return;
    if (Flag1BedChange == 1) {
        for (double& w : s.w) w = s.W / 4;
    } else if (Flag1BedChange == 2) {
        for (double& w : s.w) w = 0.25;
    } else if (Flag1BedChange == 3) {
        double xc = 0.0, yc = 0.0;
        for (int n = 0; n < 4; ++n) {
            xc += 0.25 * xval[s.ni[n]][s.nj[n]];
            yc += 0.25 * yval[s.ni[n]][s.nj[n]];
        }
        const double u = xvel[i][j][2], v = yvel[i][j][2];
        const double speed = std::sqrt(u * u + v * v) + 1e-20;
        double sum = 0.0;
        for (int n = 0; n < 4; ++n) {
            const double dx = xval[s.ni[n]][s.nj[n]] - xc, dy = yval[s.ni[n]][s.nj[n]] - yc;
            const double len = std::sqrt(dx * dx + dy * dy) + 1e-20;
            const double c = (u / speed) * (dx / len) + (v / speed) * (dy / len);
            if (c > 0.0) s.w[n] *= 1.0 + c;
            sum += s.w[n];
        }
        for (double& w : s.w) w *= s.W / (sum + 1e-30);
    }
}

// The change the corners could not take: one report per cell.
void reportRest(int i, int j, const CellSpread& s) {
    Log log;
    log.printf("Error in bed change, i,j,rest = %d %d %lf\n", i, j, s.rest);
    for (int n = 0; n < 4; ++n) log.printf("move, factor, minmove = %lf %lf %lf\n", s.move[n], s.w[n], s.limit[n]);
}

// Iterations of the spreading: each corner takes its weight of the rest,
// bounded by its limit (erosion: the moves stay above -limit; deposition:
// below +limit).
void iterate(CellSpread& s, double dz, bool erosion) {
    for (int it = 0; it < NoLoopBedchange; ++it) {
        if (erosion ? std::fabs(s.rest) < 1e-10 : s.rest < 1e-10) break;
        for (int n = 0; n < 4; ++n)
            s.move[n] = erosion ? std::max(s.move[n] + s.w[n] * s.rest, -s.limit[n])
                                : std::min(s.move[n] + s.w[n] * s.rest, s.limit[n]);
        s.rest = s.W > 0.0 ? dz - s.placed() / s.W : dz;
    }
}

void spreadCell(int i, int j) {
    CellSpread s;
    cornerWeights(i, j, s);
    const double dz = bedlevchange[0][i][j];
    s.rest = dz;
    if (dz < 0.0) {
        for (int n = 0; n < 4; ++n) s.limit[n] = std::max(zval[s.ni[n]][s.nj[n]][0] - Surfaces[3][s.ni[n]][s.nj[n]], 0.0);
        iterate(s, dz, true);
        if (std::fabs(s.rest) > 1e-10) reportRest(i, j, s);
    } else if (OutBlockNo == 0) {
        for (int n = 0; n < 4; ++n) {
            const double* z = &zval[s.ni[n]][s.nj[n]][0];
            s.limit[n] = std::max(z[znumber] - z[0] - TSCMinDepth, 0.0);
        }
        iterate(s, dz, false);
        if (s.rest > 1e-10) {
            if (Flag2BedChange == 1) {
                for (double& m : s.move) m += 0.25 * s.W * s.rest;
            } else {
                // Deposition without room is reported as erosion without depth is.
                reportRest(i, j, s);
            }
        }
    } else {
        for (int n = 0; n < 4; ++n) s.move[n] = s.w[n] * dz;
    }
    for (int n = 0; n < 4; ++n) {
        const int a = s.ni[n], b = s.nj[n];
        zval[a][b][0] += s.move[n];
        Surfaces[1][a][b] += s.move[n];
        if (OutBlockNo == 0)
            stretchColumnToTarget(a, b, znumber);
        else
            UpdateGridVerticalBed(a, b);
    }
}

// Migration time of the bed forms of cell (i, j).
double bedFormTime(int i, int j) {
    double H = 0.0;
    for (int k = 2; k <= znumber; ++k) H += m_dist_z[i][j][k];
    H *= 2.0;
    const double h = 2.0 * m_dist_z[i][j][2];
    const double q = conc[0][i][j][2] * h * std::hypot(xvel[i][j][2], yvel[i][j][2]) / ConvCoef;
    return 0.5 * Bedformheight[i][j] * 7.3 * H / (q + 1e-10);
}

// Exchange between node p and node o of one edge, beside the cells c1, c2.
void smoothEdge(int pi, int pj, int oi, int oj, int c1i, int c1j, int c2i, int c2j) {
    const double ap = slides::nodeOpenArea(pi, pj), ao = slides::nodeOpenArea(oi, oj);
    if (!(ap + ao > 0.0)) return;  // no open cell around either node
    const double T = std::max(0.5 * (bedFormTime(c1i, c1j) + bedFormTime(c2i, c2j)), 20.0 * TimeStep);
    const double d = TimeStep * ParamBedSmooth / T * (zval[pi][pj][1] - zval[oi][oj][1]);
    const double f = ap / (ao + ap);
    zval[pi][pj][0] -= d * (1.0 - f);
    Surfaces[1][pi][pj] -= d * (1.0 - f);
    stretchColumnToTarget(pi, pj, slides::fixedTop(pi, pj));
    zval[oi][oj][0] += d * f;
    Surfaces[1][oi][oj] += d * f;
    stretchColumnToTarget(oi, oj, slides::fixedTop(oi, oj));
}

void smoothBed() {
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber - 1; ++j) smoothEdge(i, j, i, j - 1, i, j, i + 1, j);
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber - 1; ++j) smoothEdge(i, j, i - 1, j, i, j, i, j + 1);
}

// The hydrostatic part of the pressure follows the moved bed (geometry of
// before the update).
void shiftPressure() {
    if (znumber <= 1) return;
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber - 1; ++j) {
            double H2 = 0.0;
            for (int k = 2; k <= znumber; ++k) H2 += m_dist_z[i][j][k];
            if (!(H2 > 0.0)) continue;  // a column without depth has no pressure to shift
            double s = 2.0 * m_dist_z[i][j][znumber];
            for (int k = znumber; k >= 2; --k) {
                Pres[i][j][k] -= bedlevchange[0][i][j] * 9810.0 * s / H2;
                s += m_dist_z[i][j][k] + m_dist_z[i][j][k - 1];
            }
        }
}

// Appends this update's block to `loggfil`; false when it cannot be opened.
bool writeLogBlock() {
    FILE* fp = std::fopen("loggfil", "a");
    if (!fp) return false;
    std::fprintf(fp, "T  %lf seconds\n\n", stime);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            std::fprintf(fp, "a %4d %4d %9.6lf ", i, j, bedlevchange[0][i][j]);
            for (int l = 1; l <= lnumber; ++l) std::fprintf(fp, "%5.3lf ", bedgrain[l][i][j]);
            std::fprintf(fp, "\n");
        }
    std::fprintf(fp, "\n\n");
    closeWritten(fp, "loggfil");
    return true;
}

}  // namespace

void bedchange() {
    defaultMinDepth();
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) spreadCell(i, j);
    // The sweeps measure the critical slope over the grid lines, whatever
    // driver (or none) has filled them before.
    gridLineLengths();
    slides::sandSlides();
    if (FlagBedSmooth > 0 && xnumber != 2) smoothBed();
    bool logMissing = false;
    if (FlagTSC == 1 && FlagTFS == 1)
        shiftPressure();
    else if (FlagTSC == 0)
        logMissing = !writeLogBlock();
    metric();
    smetric();
    if (logMissing) {
        // The update is done; a later replay of the log would miss it.
        setMessage("cannot open file 'loggfil' ");
        endRun(-3);
    }
}
