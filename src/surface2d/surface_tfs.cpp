// Transient update of the water surface in 3-D.
//
// In a time-dependent run the top cells are closed by a lid (no flux through
// the top face, the top pressure correction pinned), so the net inflow of a
// top cell over one time step is the water its surface gains. That level
// change is handed to the four node columns at the cell's corners, with
// weights that follow the flow, the walls, the obstacles and a minimum depth;
// then the boundary node lines take their Manning and `timei` levels, the
// geometry is rebuilt and the boundary velocities are rescaled.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "control/state.h"
#include "control/constants.h"
#include "control/log.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/state.h"
#include "surface2d/surface2d.h"
#include "surface2d/surface_shared.h"

namespace surface_detail {

// ---------------------------------------------------------------------------
// Corner rules shared with the depth-averaged update.
// ---------------------------------------------------------------------------
void directionalWeights(int i, int j, double u, double v, double base, double ratio, double w[4]) {
    const double dxDA = xval[i][j] - xval[i - 1][j - 1], dyDA = yval[i][j] - yval[i - 1][j - 1];
    const double dxCB = xval[i][j - 1] - xval[i - 1][j], dyCB = yval[i][j - 1] - yval[i - 1][j];
    // The spread takes the cell's size whichever way its indices run.
    const double S = base + (std::fabs(dxDA) + std::fabs(dyDA)) * (std::fabs(u) + std::fabs(v)) * ratio + 1e-10;
    const double along = dxDA * u + dyDA * v, across = dxCB * u + dyCB * v;
    w[A] = std::max(0.0, along) + S;
    w[D] = std::max(0.0, -along) + S;
    w[B] = std::max(0.0, across) + S;
    w[C] = std::max(0.0, -across) + S;
    const double sum = w[A] + w[B] + w[C] + w[D];
    for (int c = 0; c < 4; ++c) w[c] /= sum;
}

void positionRules(int i, int j, double wall, double obstacle, int level, double w[4]) {
    const int X = xnumber, Y = ynumber;
    auto scale = [&](Corner p, Corner q, double f) {
        w[p] *= f;
        w[q] *= f;
    };
    if (j == 2) scale(B, D, wall);
    if (j == Y) scale(A, C, wall);
    if (i == 2) scale(C, D, 2.0);
    if (i == X) scale(A, B, 2.0);
    if (i < X && OBlok[i + 1][j][level] == 0) scale(A, B, obstacle);
    if (i > 2 && OBlok[i - 1][j][level] == 0) scale(C, D, obstacle);
    if (j < Y && OBlok[i][j + 1][level] == 0) scale(A, C, obstacle);
    if (j > 2 && OBlok[i][j - 1][level] == 0) scale(B, D, obstacle);
}

double cornerMove(double w, double dz, double depth, double md) {
    const double move = w * dz;
    if (dz != 0.0 && move + depth < md) return md - depth;
    return move;
}

void moveCorner(double* z, int ref, int top, double move) {
    const double base = z[ref], depth = z[top] - base;
    if (!(depth > 0.0)) {  // nothing to stretch: even levels up to the new surface
        for (int k = ref + 1; k <= top; ++k) z[k] = base + (depth + move) * (k - ref) / (top - ref);
        return;
    }
    const double f = move / depth;
    for (int k = ref + 1; k <= top; ++k) z[k] += (z[k] - base) * f;
}

void writeLevelProfiles(FILE* fp) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int j = 1; j <= Y; ++j) std::fprintf(fp, "WL(%d,%d) = %e\n", X / 2, j, zval[X / 2][j][Z]);
    for (int i = 1; i <= X; ++i) std::fprintf(fp, "WL(%d,%d) = %e\n", i, Y / 2, zval[i][Y / 2][Z]);
}

FILE* openSurflog(Log& log) {
    FILE* fp = std::fopen("surflog", Iter == 1 ? "w" : "a");
    if (fp) return fp;
    log.write("Cannot open file 'surflog'\n");
    log.close();
    endRun(-3);
}

void requireLogAfterMetric() {
    if (logOpens()) return;
    setMessage("cannot open file 'boogie'");
    endRun(-4);
}

// ---------------------------------------------------------------------------
// The 3-D update.
// ---------------------------------------------------------------------------
namespace {

// Squared Froude number of the open water column under top cell (i, j): the
// mean of u2 + v2 over g times its depth. The column ends at a wall on a
// cell's low face or above a blocked cell.
double columnFroude(int i, int j) {
    const int Z = znumber;
    int k0 = Z;
    while (k0 > 2 && WallK[i][j][k0] != 1 && OBlok[i][j][k0 - 1] != 0) --k0;
    double u2 = 0.0, h = 0.0;
    for (int k = k0; k <= Z; ++k) {
        u2 += xvel[i][j][k] * xvel[i][j][k] + yvel[i][j][k] * yvel[i][j][k];
        h += m_dist_z[i][j][k];
    }
    return u2 / ((Z + 1 - k0) * 19.62 * h);
}

// The lowest level of node column (a, b) that stays: the level below the
// highest wall on a low cell face among the four cells around the column.
int cornerReference(int a, int b) {
    if (TFSmovewall != 0) return 1;
    for (int k = znumber; k >= 2; --k)
        if (WallK[a][b][k] == 1 || WallK[a + 1][b][k] == 1 || WallK[a][b + 1][k] == 1 || WallK[a + 1][b + 1][k] == 1)
            return k - 1;
    return 1;
}

// The slope limit: corrections a that bring every edge of the cell whose
// level difference after the moves exceeds TFSuslope times its length back
// to that slope, half of the excess on each end.
void slopeCorrections(int i, int j, const double top[4], const double move[4], double a[4]) {
    struct Edge {
        Corner x, y;
        double length;
    };
    const Edge edges[] = {{A, C, LineI[i][j]}, {B, D, LineI[i][j - 1]}, {A, B, LineJ[i][j]}, {C, D, LineJ[i - 1][j]}};
    for (const Edge& e : edges) {
        const double diff = (top[e.x] - top[e.y]) + (move[e.x] - move[e.y]);
        const double limit = TFSuslope * e.length;
        if (std::fabs(diff) <= limit) continue;
        const double excess = diff > 0 ? diff - limit : diff + limit;
        a[e.x] -= 0.5 * excess;
        a[e.y] += 0.5 * excess;
    }
}

// The weights of top cell (i, j) before the position rules; F its squared
// Froude number.
void topCellWeights(int i, int j, double F, double w[4]) {
    const int Z = znumber;
    if (TFSfroudeforward != 1 || F < 1e-20) {  // at rest the spread would be unbounded: equal shares
        for (int c = 0; c < 4; ++c) w[c] = 0.25;
        return;
    }
    directionalWeights(i, j, xvel[i][j][Z], yvel[i][j][Z], F >= 1.0 ? 1e-7 : 100.0 / F, TFSdiffratio, w);
}

// mdT: 0.01 of the middle grid line's length over xnumber.
double downstreamMinimumDepth() {
    double L = 0.0;
    for (int i = 2; i <= xnumber; ++i) L += m_dist_x[i][ynumber / 2 + 1][znumber];
    return 0.01 * L / xnumber;
}

// The Manning level of the upstream node line: the level at node line 2
// plus the friction slope V2 / (M2 h^1.333333) over one cell length.
double manningHead(double V, double halfLength, double h) {
    if (!(h > 0.0)) return 0.0;
    const double head = 2.0 * V * V * halfLength / (ManningInit * ManningInit * std::pow(h, 1.333333));
    return std::isfinite(head) ? head : 0.0;
}

void upstreamManningLevels(Log& log) {
    const int Y = ynumber, Z = znumber;
    if (IONo == 0 || TFSflagUpwater == 1) {
        double Q = 0.0, area = 0.0, h = 0.0, L = 0.0, Hm = 0.0;
        for (int j = 2; j <= Y; ++j) {
            for (int k = 2; k <= Z; ++k) {
                Q += flow1[1][j][k];
                area += m_ar_x[1][j][k];
            }
            h += zval[1][j][Z] - zval[1][j][1];
            L += m_dist_x[2][j][Z];
        }
        for (int j = 1; j <= Y; ++j) Hm += zval[2][j][Z];
        const double V = area > 0.0 ? 0.001 * Q / area : 0.0;
        const double Hup = Hm / Y + manningHead(V, L / (Y - 1), h / (Y - 1));
        upstreamLevels(log, Hup, TFSminDepth);
        return;
    }
    for (int j = 1; j <= Y; ++j) {
        const int jj = std::max(j, 2);
        double s = 0.0;
        for (int k = 2; k <= Z; ++k) s += flow1[1][jj][k] / m_ar_x[1][jj][k];
        const double V = 0.001 / (Z - 1) * s;
        const double depth = zval[1][j][Z] - zval[1][j][1];
        stretchColumnTo(log, "upstream", 1, j, zval[2][j][Z] + manningHead(V, m_dist_x[1][jj][Z], depth), TFSminDepth);
    }
}

void timeiLevels3D(Log& log, double mdT) {
    if (TimeInNo <= 0) return;
    const LevelIndex at = levelIndex();
    const bool last = at.r >= TimeInNo - 1;
    if (TFSflagUpwater == 0 && TimeInHinn[at.r] >= 0 && (last || TimeInHinn[at.r + 1] >= 0))
        upstreamLevels(log, seriesLevel(TimeInHinn, at), TFSminDepth);
    if (TimeInHout[at.r] >= 0) downstreamLevels(seriesLevel(TimeInHout, at), mdT);
}

// The discharge of column `col` of QDinn (0 inflow, 1 outflow) for the
// boundary velocities: the last entry after the end of the series, else
// interpolated within the current interval when both its ends give one.
bool seriesDischarge3D(int col, double& q) {
    const int N = TimeInNo;
    if (stime > TimeInTime[N - 1]) {
        q = QDinn[N - 1][col];
        return q > 0;
    }
    int m = 0;
    while (m < N && !(TimeInTime[m] > stime)) ++m;
    const int n = std::max(m - 1, 0);
    if (n >= N - 1 || !(QDinn[n][col] > 0) || !(QDinn[n + 1][col] > 0)) return false;
    const double w = (TimeInTime[n + 1] - stime) / (TimeInTime[n + 1] - TimeInTime[n] + 1e-20);
    q = w * QDinn[n][col] + (1.0 - w) * QDinn[n + 1][col];
    return true;
}

struct Report {
    double F1o = 0.0, F1 = 0.0, F2 = 0.0, ratio = 1.0;
    std::string notes;
};

void boundaryVelocitiesTFS(Report& rep) {
    const int X = xnumber, Z = znumber;
    rep.F1 = iFaceDischarge(1, 1, 2, Z);
    rep.F2 = iFaceDischarge(X, X + 1, 2, Z);
    if (X > 1) sideCells(2, Z);
    double rin = rescaleFactor(rep.F1o, rep.F1);
    rep.ratio = rin;
    if (!(TimeInNo > 0 && TimeInTime[0] < stime)) return;
    double q;
    if (seriesDischarge3D(0, q)) rin = seriesFactor(rep.notes, q, rep.F1, "upstream");
    double rout = rin;
    const bool outflowGiven = seriesDischarge3D(1, q);
    if (outflowGiven) rout = seriesFactor(rep.notes, q, rep.F2, "downstream");
    scaleICells(1, 2, Z, rin);
    scaleICells(X, 2, Z, rout);  // the last interior row: the boundary routine copies it outward
    rep.ratio = outflowGiven ? rout : rin;
}

}  // namespace

void moveTopCells() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            if (OBlok[i][j][Z] == 0) continue;
            const double N = flow1[i - 1][j][Z] - flow1[i][j][Z] + flow2[i][j - 1][Z] - flow2[i][j][Z] + flow3[i][j][Z - 1];
            const double s = N / (kWaterDensity * m_armap[i][j]);
            const double dz = s * TimeStep;
            // The share of the net inflow that comes through the bottom face.
            double q = std::fabs(flow3[i][j][Z - 1]) / (N + 1e-10);
            q = q >= 0.0 ? std::min(q, 1.0) : 0.0;
            zvel[i][j][Z] = TFStopvelocity * s * q + zvel[i][j][Z] * (1.0 - q * TFStopvelocity);

            const double F = columnFroude(i, j);
            double w[4];
            topCellWeights(i, j, F, w);
            positionRules(i, j, TFSdampwall, TFSdampobs, Z, w);
            double* col[4];
            int ref[4];
            double top[4], move[4], a[4] = {0.0, 0.0, 0.0, 0.0};
            for (const Corner c : {A, B, C, D}) {
                const int ci = cornerI(i, c), cj = cornerJ(j, c);
                col[c] = zval[ci][cj];
                ref[c] = cornerReference(ci, cj);
                top[c] = col[c][Z];
                move[c] = cornerMove(w[c], dz, top[c] - col[c][ref[c]], TFSminDepth);
            }
            if (i >= 3 && i <= X - 2 && TFSuslope > 1e-10 && F < 0.5) slopeCorrections(i, j, top, move, a);
            for (const Corner c : {A, B, C, D}) moveCorner(col[c], ref[c], Z, move[c] + a[c]);
        }
}

// A moved surface carries the pressure of its columns with it: every cell
// of a column takes 9810 (ds - dc) on its pressure, ds the change of the
// column's mean corner surface level and dc that of the cell's centre, so
// that the pressure below a raised surface stays hydrostatic. `old` holds
// the node levels before the move.
void columnPressures(const std::vector<double>& old) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    auto dz = [&](int a, int b, int k) { return zval[a][b][k] - old[static_cast<std::size_t>(zval.offset(a, b, k))]; };
    auto mean = [&](int i, int j, int k) { return 0.25 * (dz(i, j, k) + dz(i - 1, j, k) + dz(i, j - 1, k) + dz(i - 1, j - 1, k)); };
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            const double ds = mean(i, j, Z);
            double below = mean(i, j, 1);
            for (int k = 2; k <= Z; ++k) {
                const double above = mean(i, j, k);
                Pres[i][j][k] += kWaterDensity * 9.81 * (ds - 0.5 * (below + above));
                below = above;
            }
        }
}

}  // namespace surface_detail

using namespace surface_detail;

void surface_tfs() {
    const int Y = ynumber, Z = znumber;
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    const double mdT = downstreamMinimumDepth();
    if (FlagTSC == 0) stime += TimeStep;

    const std::vector<double> levelsBefore(zval.data(), zval.data() + zval.size());
    moveTopCells();
    upstreamManningLevels(log);
    timeiLevels3D(log, mdT);
    columnPressures(levelsBefore);

    Report rep;
    for (int j = 2; j <= Y; ++j)
        for (int k = 2; k <= Z; ++k) rep.F1o += flow1[1][j][k];
    log.close();
    flowSteps.metric();
    flowSteps.smetric();
    requireLogAfterMetric();
    Log again;
    boundaryVelocitiesTFS(rep);
    again.write(rep.notes.c_str());
    if (FlagPrint == 0) {
        again.printf("Inflow ratio change for outflow = %lf\n", rep.ratio);
        again.printf("Flux1o = %e, Flux1 = %e, Flux2 = %e\n", rep.F1o, rep.F1, rep.F2);
    }
    again.close();
    flowSteps.startup();
    flowSteps.boundary();
    flowSteps.waterflow();

    Log last;
    if (FlagPrint == 0) std::fclose(openSurflog(last));
}
