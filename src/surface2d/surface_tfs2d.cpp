// Transient update of the water surface of the depth-averaged model.
//
// The net depth-integrated inflow of every column over one time step
// changes its depth; a rising column hands the change to the corners its
// flow points to as far as its Froude number says, a falling one equally to
// all four. Then the boundary
// node lines take the `timei` levels, the geometry is rebuilt, the boundary
// velocities follow the `timei` discharges and the plane pressure follows
// the new surface.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "control/state.h"
#include "control/constants.h"
#include "control/log.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "surface2d/surface2d.h"
#include "surface2d/surface_shared.h"

using namespace surface_detail;

namespace {

constexpr double kMinDepth2D = 0.02;  // m of water kept over a corner's bed

void moveColumns() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            const double net = flow1[i - 1][j][0] - flow1[i][j][0] + flow2[i][j - 1][0] - flow2[i][j][0];
            const double dz = net / (kWaterDensity * m_armap[i][j]) * TimeStep;
            // A rising column leans its gain towards the corners its flow
            // points to, the more so the faster the flow: slow flow spreads
            // it evenly (the spread 100/F of the 3-D update), since a
            // zig-zag of the node lines is invisible to the cells and
            // nothing would damp it.
            double w[4] = {0.25, 0.25, 0.25, 0.25};
            const double u = xvel[i][j][0], v = yvel[i][j][0];
            const double F = (u * u + v * v) / (19.62 * m_dist_z[i][j][0]);
            if (dz > 0 && F >= 1e-20) directionalWeights(i, j, u, v, F >= 1.0 ? 1e-7 : 100.0 / F, 0.05, w);
            positionRules(i, j, 2.0, 2.0, 2, w);
            for (const Corner c : {A, B, C, D}) {
                double* z = zval[cornerI(i, c)][cornerJ(j, c)];
                moveCorner(z, 1, Z, cornerMove(w[c], dz, z[Z] - z[1], kMinDepth2D));
            }
        }
}

// The `timei` levels of the entry at the end of the current interval.
void timeiLevels2D(Log& log) {
    const int N = TimeInNo;
    if (N <= 0) return;
    int n = 0;
    while (n < N - 1 && !(TimeInTime[n] >= stime)) ++n;
    if (TimeInHinn[n] >= 0) upstreamLevels(log, TimeInHinn[n], kMinDepth2D);
    if (TimeInHout[n] >= 0)
        for (int j = 1; j <= ynumber; ++j) stretchColumnTo(log, "downstream", xnumber, j, TimeInHout[n], kMinDepth2D);
}

struct Report {
    double F1o = 0.0, F1 = 0.0, F2 = 0.0, ratio = 1.0;
    std::string notes;
};

void boundaryVelocities(Report& rep) {
    const int X = xnumber, N = TimeInNo;
    rep.F1 = iFaceDischarge(1, 1, 0, 0);
    rep.F2 = iFaceDischarge(X, X + 1, 0, 0);
    double rin = rescaleFactor(rep.F1o, rep.F1);
    int m = 0;
    while (m < N - 1 && !(TimeInTime[m] > stime)) ++m;
    if (N > 0 && QDinn[m][0] > 0) rin = seriesFactor(rep.notes, QDinn[m][0], rep.F1, "upstream");
    scaleICells(1, 0, 0, rin);
    rep.ratio = rin;
    if (N > 0 && QDinn[m][1] > 0) {
        rep.ratio = seriesFactor(rep.notes, QDinn[m][1], rep.F2, "downstream");
        scaleICells(X, 0, 0, rep.ratio);  // the last interior row
    }
}

// The plane pressure of the new surface: rho g times the depth, plus rho g
// times the bed's height above the lowest column bed, so that its
// differences are differences of surface level.
void planePressure() {
    const int X = xnumber, Y = ynumber;
    auto bed = [](int i, int j) {
        return 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
    };
    double lowest = bed(2, 2);
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) lowest = std::min(lowest, bed(i, j));
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) Pres[i][j][0] = 19620.0 * m_dist_z[i][j][0] + 9810.0 * (bed(i, j) - lowest);
}

}  // namespace

void surface_tfs2D() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    if (FlagTSC == 0 && FlagTFS == 1) stime += TimeStep;
    moveColumns();
    Report rep;
    for (int j = 2; j <= ynumber; ++j) rep.F1o += flow1[1][j][0];
    timeiLevels2D(log);
    log.close();
    flowSteps.metric();
    flowSteps.smetric();
    requireLogAfterMetric();
    Log again;
    boundaryVelocities(rep);
    again.write(rep.notes.c_str());
    again.printf("Inflow ratio change for outflow = %lf\n", rep.ratio);
    again.printf("Flux1o = %e, Flux1 = %e, Flux2 = %e\n", rep.F1o, rep.F1, rep.F2);
    FlagGridChange = 1;
    again.close();
    flowSteps.boundary();
    flowSteps.waterflow();
    planePressure();

    Log last;
    FILE* fp = openSurflog(last);
    writeLevelProfiles(fp);
    closeWritten(fp, "surflog");
}
