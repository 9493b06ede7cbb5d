// Pressure-based update of the water surface.
//
// The flow solvers treat the top of the grid as a rigid lid. The pressure
// under that lid says where the surface ought to stand: every node column
// moves so that its surface lies as far above the reference column's as the
// lid pressure difference is high (in metres of water). The update relaxes
// the change, keeps a minimum depth, imposes the `timei` levels at the
// upstream and downstream node lines, rebuilds the geometry and rescales the
// boundary velocities so that the discharges stay what they were (or follow
// the `timei` discharges).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "control/state.h"
#include "control/constants.h"
#include "control/log.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "flow3d/flow3d.h"
#include "surface2d/surface2d.h"
#include "surface2d/surface_shared.h"

using namespace surface_detail;

namespace {

// Converts a pressure difference (Pa) into a head (m): 1 / (rho g).
constexpr double kHeadPerPascal = 0.000101937;

bool twoDim() { return Flag2Dim == 1; }

// ---------------------------------------------------------------------------
// Lid pressure.
// ---------------------------------------------------------------------------
// The 3-D lid pressure of the cell columns from the pressures inside them.
void formLidPressure() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    if (PresRegres > 0) {  // the running mean of the driver is the lid pressure
        RegIter = 0;
        return;
    }
    if (FlagNonHydrostaticSurf == 0 && twoDim()) return;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            double* p = Pres[i][j];
            switch (FlagNonHydrostaticSurf) {
                case 0: {
                    // Straight line through the centres of the two top cells,
                    // carried on to the top face.
                    const double hT = m_dist_z[i][j][Z], hB = m_dist_z[i][j][Z - 1];
                    const double w = (2.0 * hT + hB) / (hT + hB);
                    p[Z + 1] = (1.0 - w) * p[Z - 1] + w * p[Z];
                    break;
                }
                case 6: {
                    double s = 0.0;
                    for (int k = 2; k <= Z; ++k) s += p[k];
                    p[Z + 1] = s / (Z - 1);
                    break;
                }
                case 8: p[Z + 1] = p[Z]; break;
                default: break;
            }
        }
}

// Lid pressure of the cells, [i][j] over i 0..X+1, j 0..Y+1.
struct LidField {
    std::vector<double> v;
    int ny;
    double& at(int i, int j) { return v[static_cast<size_t>(i) * ny + j]; }
};

// Copies the lid pressure of the model into `lid`; with F 154 1 smooths it
// with the weight of F 154, from the unsmoothed copy. In 3-D the smoothed
// values go back to the top-face slot of Pres; the 2-D pressure field is
// never touched.
void lidPressure(LidField& lid) {
    const int X = xnumber, Y = ynumber;
    const int slot = twoDim() ? 0 : znumber + 1;
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j) lid.at(i, j) = Pres[i][j][slot];
    if (SurfSmoothFlag != 1) return;
    LidField p0 = lid;
    for (int i = 2; i <= X; ++i) {
        p0.at(i, 1) = p0.at(i, 2);
        p0.at(i, Y + 1) = p0.at(i, Y);
    }
    for (int j = 2; j <= Y; ++j) {
        p0.at(1, j) = p0.at(2, j);
        p0.at(X + 1, j) = p0.at(X, j);
    }
    const double s = SurfSmoothVal;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            lid.at(i, j) = (1.0 - s) * p0.at(i, j) +
                           s * 0.25 * (p0.at(i + 1, j) + p0.at(i - 1, j) + p0.at(i, j + 1) + p0.at(i, j - 1));
            if (!twoDim()) Pres[i][j][slot] = lid.at(i, j);
        }
}

// Surfaces[5] and [4] of every node: mean lid pressure and squared mean top
// velocity of the open interior cells around it.
void nodeValues(LidField& lid) {
    const int X = xnumber, Y = ynumber;
    const int kV = twoDim() ? 0 : znumber, kO = twoDim() ? 2 : znumber;
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            double p = 0.0, u = 0.0, v = 0.0;
            int n = 0;
            for (int ci = i; ci <= i + 1; ++ci)
                for (int cj = j; cj <= j + 1; ++cj) {
                    if (ci < 2 || ci > X || cj < 2 || cj > Y || OBlok[ci][cj][kO] == 0) continue;  // 0: blocked
                    p += lid.at(ci, cj);
                    u += xvel[ci][cj][kV];
                    v += yvel[ci][cj][kV];
                    ++n;
                }
            if (n == 0) {
                Surfaces[5][i][j] = Surfaces[4][i][j] = 0.0;
                continue;
            }
            u /= n;
            v /= n;
            Surfaces[5][i][j] = p / n;
            Surfaces[4][i][j] = u * u + v * v;
        }
}

// Node pressures along the joined sides and the seam lines of a multi-block grid.
void jointNodeValues(LidField& lid) {
    const int X = xnumber, Y = ynumber;
    auto P = [&](int i, int j) { return lid.at(i, j); };
    if (X > 2)
        for (int i = 2; i <= X - 1; ++i) {
            if (const int pi = Pj1MultiBlock[i][0], pj = Pj1MultiBlock[i][1]; pj > 0 && pj != Y)
                Surfaces[5][i][1] = 0.25 * (P(i, 2) + P(i + 1, 2) + P(pi, pj) + P(pi, pj + 1));
            if (const int pi = Pj2MultiBlock[i][0], pj = Pj2MultiBlock[i][1]; pj > 0 && pj != 2)
                Surfaces[5][i][Y] = 0.25 * (P(i, Y) + P(i + 1, Y) + P(pi, pj) + P(pi, pj - 1));
        }
    for (int b = 1; b <= MBNo; ++b) {
        const int ii = MBSkjot[b];
        for (int j = 2; j <= Y - 1; ++j) Surfaces[5][ii][j] = 0.5 * (P(ii, j) + P(ii, j + 1));
        Surfaces[5][ii][1] = P(ii, 2);
        Surfaces[5][ii][Y] = P(ii, Y);
    }
}

// ---------------------------------------------------------------------------
// Level changes.
// ---------------------------------------------------------------------------
double minimumDepth() {
    if (FillCriteria >= 1e-5) return FillCriteria;
    double L = 0.0;
    for (int i = 2; i <= xnumber; ++i) L += m_dist_x[i][ynumber / 2 + 1][znumber];
    return 0.03 * L / xnumber;
}

// Lowest level of column (i, j) that moves with the surface.
int referenceLevel(int i, int j) {
    if (NoLowFixLev == 0) return 1;
    const int L = LowerFixedLevel[i][j];
    return L == znumber ? 1 : L;
}

// Measure of the remaining level changes (1/m) over the interior nodes.
double surfaceConvergence(const std::vector<double>& raw) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    double s = 0.0;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const double depth = zval[i][j][Z] - zval[i][j][1];
            s += std::fabs(raw[static_cast<size_t>(i) * (Y + 1) + j]) / (depth * m_dist_z[i][j][Z]);
        }
    return s / (static_cast<double>(X) * Y);
}

}  // namespace

// ---------------------------------------------------------------------------
// Levels from `timei`.
// ---------------------------------------------------------------------------
namespace surface_detail {

LevelIndex levelIndex() {
    const int N = TimeInNo;
    int n = 0;
    while (n < N && TimeInTime[n] < stime) ++n;
    const int r = std::min(std::max(n - 1, 0), N - 1);
    if (r >= N - 1) return {r, 1.0};
    return {r, (TimeInTime[r + 1] - stime) / (TimeInTime[r + 1] - TimeInTime[r] + 1e-20)};
}

double seriesLevel(const FieldArray<double, 1>& H, const LevelIndex& at) {
    if (at.r >= TimeInNo - 1) return H[at.r];
    return at.w * H[at.r] + (1.0 - at.w) * H[at.r + 1];
}

void stretchColumnTo(Log& log, const char* side, int i, int j, double level, double md) {
    const int Z = znumber;
    double* z = zval[i][j];
    const double bed = z[1], depth = z[Z] - bed;
    double target = level;
    if (!(target > bed)) {
        target = bed + md;
        log.printf("Warning: %s level %lf at or below the bed of node column (%d,%d), depth kept at %lf\n", side, level,
                   i, j, md);
    }
    if (!(depth > 0.0)) {  // nothing to stretch: even levels up to the target
        for (int k = 2; k <= Z; ++k) z[k] = bed + (target - bed) * (k - 1) / (Z - 1);
        return;
    }
    const double f = (target - z[Z]) / depth;
    for (int k = Z; k >= 1; --k) z[k] += (z[k] - bed) * f;
}

void upstreamLevels(Log& log, double level, double md) {
    for (int j = 1; j <= ynumber; ++j) stretchColumnTo(log, "upstream", 1, j, level, md);
}

void downstreamLevels(double level, double md) {
    const int X = xnumber, Z = znumber;
    for (int j = 1; j <= ynumber; ++j) {
        if (std::fabs(flow1[X][j][Z]) + std::fabs(flow1[X][j + 1][Z]) <= 1e-7) continue;
        double* z = zval[X][j];
        Surfaces[2][X][j] += moveNodeColumn(z, Z, 1, level - z[Z], md);
    }
}

}  // namespace surface_detail

namespace {

void timeiLevels(Log& log, double md) {
    if (TimeInNo <= 0) return;
    const LevelIndex at = levelIndex();
    if (TimeInHinn[at.r] >= 0) upstreamLevels(log, seriesLevel(TimeInHinn, at), md);
    if (TimeInHout[at.r] >= 0) downstreamLevels(seriesLevel(TimeInHout, at), md);
}

// Inflow and outflow discharges of the series for the 3-D boundary velocities.
void seriesDischarges(double& qin, double& qout) {
    const int N = TimeInNo;
    int n = 0;
    while (n < N - 1 && !(TimeInTime[n] <= stime && stime < TimeInTime[n + 1])) ++n;
    if (n < N - 1) {
        const double w = (stime - TimeInTime[n]) / (TimeInTime[n + 1] - TimeInTime[n] + 1e-20);
        qin = w * QDinn[n + 1][0] + (1.0 - w) * QDinn[n][0];
        qout = w * QDinn[n + 1][1] + (1.0 - w) * QDinn[n][1];
    } else {
        qin = QDinn[n][0];
        qout = QDinn[n][1];
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Discharges and boundary velocities.
// ---------------------------------------------------------------------------
namespace surface_detail {

double seriesFactor(std::string& notes, double q, double now, const char* face) {
    if (now == 0.0) {
        char line[120];
        std::snprintf(line, sizeof line, "Warning: no flow through the %s face, its timei discharge is not imposed\n",
                      face);
        notes += line;
    }
    return rescaleFactor(kWaterDensity * q, now);
}

}  // namespace surface_detail

namespace {

// The side boundary cells of the openings carry the face fluxes of the last
// flux computation.
void sideOpenings(int k1, int k2) {
    if (IONo <= 0 || xnumber <= 1) return;
    sideCells(k1, k2);
}

struct Fluxes {
    double F1o, F2o, F1 = 0.0, F2 = 0.0, ratio = 1.0;
};

double boundaryVelocities3D(std::string& log, Fluxes& f) {
    const int X = xnumber, Z = znumber;
    f.F1 = iFaceDischarge(1, 1, 2, Z);
    f.F2 = iFaceDischarge(X, X + 1, 2, Z);
    sideOpenings(2, Z);
    double rin = rescaleFactor(f.F1o, f.F1), rout = rescaleFactor(f.F2o, f.F2);
    if (TimeInNo > 0 && FlagDischargeTime == 0) {
        double qin, qout;
        seriesDischarges(qin, qout);
        if (qin > 0) rin = seriesFactor(log, qin, f.F1, "upstream");
        if (qout > 0) rout = seriesFactor(log, qout, f.F2, "downstream");
    }
    scaleICells(1, 2, Z, rin);
    scaleICells(X + 1, 2, Z, rout);
    return rin;
}

// The 2-D lookups: the inflow interpolated up to the last interval, the
// outflow the entry at the end of the current interval.
double inflow2D() {
    const int N = TimeInNo;
    if (N == 1) return QDinn[0][0];
    int m = 1;
    while (m < N && !(TimeInTime[m] > stime)) ++m;
    m = std::min(m, N - 1);
    if (m >= N - 1) return QDinn[m][0];
    const double w = (TimeInTime[m] - stime) / (TimeInTime[m] - TimeInTime[m - 1] + 1e-20);
    return w * QDinn[m - 1][0] + (1.0 - w) * QDinn[m][0];
}
double outflow2D() {
    const int N = TimeInNo;
    int m = 0;
    while (m < N && !(TimeInTime[m] > stime)) ++m;
    return QDinn[std::min(m, N - 1)][1];
}

double boundaryVelocities2D(std::string& log, Fluxes& f) {
    const int X = xnumber;
    sideOpenings(0, 0);
    f.F1 = iFaceDischarge(1, 1, 0, 0);
    f.F2 = iFaceDischarge(X, X + 1, 0, 0);
    double rin = rescaleFactor(f.F1o, f.F1);
    if (TimeInNo > 0) {
        const double q = inflow2D();
        if (q > 0) rin = seriesFactor(log, q, f.F1, "upstream");
    }
    scaleICells(1, 0, 0, rin);
    if (std::fabs(f.F2o) <= 1e-10) return rin;
    double rout = rescaleFactor(f.F2o, f.F2);
    if (TimeInNo > 0) {
        const double q = outflow2D();
        if (q > 0) rout = seriesFactor(log, q, f.F2, "downstream");
    }
    scaleICells(X + 1, 0, 0, rout);
    return rout;
}

}  // namespace

double moveNodeColumn(double* z, int top, int r, double dz, double md) {
    const double bed = z[1], surf = z[top], base = z[r];
    const double D = surf - base;
    if (D + dz < md) {
        if (r == 1) {
            // The whole column, bed included, goes md below the new surface.
            const double b = surf + dz - md;
            for (int k = top; k >= 1; --k) z[k] = b + (z[k] - bed) * md / D;
            return b - bed;
        }
        // The fixed levels stay: the surface stops md above level r.
        for (int k = top; k > r; --k) z[k] = base + (z[k] - base) * md / D;
        return 0.0;
    }
    double stretch = dz;
    if (dz > 0 && z[0] > bed) {
        // A rising surface first lets the bed catch up with its target.
        const double lift = std::min(z[0] - bed, dz);
        for (int k = top; k >= 1; --k) z[k] += lift;
        stretch = dz - lift;
        if (stretch <= 0) return 0.0;
    }
    const double lifted = z[r];
    for (int k = top; k > r; --k) z[k] += (z[k] - lifted) * stretch / D;
    return 0.0;
}

double velocityHeadChange(double dz, double D, double speed2) {
    if (speed2 > 0.1 && D + dz < 0.02 * speed2) return 0.02 * speed2 - D;
    return dz;
}

void surface() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    if (FlagTSC == 0 && FlagTFS == 2) stime += TimeStep;

    formLidPressure();
    LidField lid{std::vector<double>(static_cast<size_t>(X + 2) * (Y + 2), 0.0), Y + 2};
    lidPressure(lid);
    nodeValues(lid);
    if (MBNo >= 1) jointNodeValues(lid);

    const int ir = iSurf != 0 ? iSurf : X, jr = iSurf != 0 ? jSurf : Y / 2 + 1;
    const double zref = zval[ir][jr][Z];
    const double pref = FlagTFS == 3 ? 0.0 : Surfaces[5][ir][jr];
    std::vector<double> raw(static_cast<size_t>(X + 1) * (Y + 1), 0.0);
    auto rawAt = [&](int i, int j) -> double& { return raw[static_cast<size_t>(i) * (Y + 1) + j]; };
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j)
            rawAt(i, j) = (Surfaces[5][i][j] - pref) * kHeadPerPascal - (zval[i][j][Z] - zref);

    const double conv = surfaceConvergence(raw);
    const bool settled = conv < SurfaceConvergenceCrit;
    if (settled) log.printf("Surface not updated, Convergence = %lf\n", conv);
    const double md = minimumDepth();
    if (!settled)
        for (int i = 1; i <= X; ++i)
            for (int j = 1; j <= Y; ++j) {
                double* z = zval[i][j];
                const int r = referenceLevel(i, j);
                const double D = z[Z] - z[r];
                const double dz = velocityHeadChange(rawAt(i, j) * RelaxSurface, D, Surfaces[4][i][j]);
                Surfaces[2][i][j] += moveNodeColumn(z, Z, r, dz, md);
            }

    Fluxes f{};
    if (twoDim()) {
        f.F1o = f.F2o = 0.0;
        for (int j = 2; j <= Y; ++j) {
            f.F1o += flow1[1][j][0];
            f.F2o += flow1[X][j][0];
        }
    } else {
        f.F1o = iFaceDischarge(1, 1, 2, Z);
        f.F2o = iFaceDischarge(X, X + 1, 2, Z);
    }
    timeiLevels(log, md);
    log.close();
    flowSteps.metric();
    flowSteps.smetric();

    std::string warnings;  // logged with the report
    if (twoDim()) {
        f.ratio = boundaryVelocities2D(warnings, f);
        boundary2D();
        waterflow2D();
    } else {
        f.ratio = boundaryVelocities3D(warnings, f);
        flowSteps.boundary();
        flowSteps.waterflow();
    }

    FlagGridChange = 1;
    if (FlagPrint != 0) return;
    if (!logOpens()) {
        setMessage("cannot open file 'boogie'");
        endRun(-3);
    }
    Log report;
    report.write(warnings.c_str());
    report.printf("Inflow ratio change for outflow = %lf\n", f.ratio);
    report.printf("Flux1o = %e, Flux1 = %e, Flux2 = %e\n", f.F1o, f.F1, f.F2);
    report.printf("Convergence = %lf\n", conv);
}

