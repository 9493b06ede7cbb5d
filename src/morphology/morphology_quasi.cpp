// The quasi-steady morphology pass of run letter S (FlagTSC 0): the steady
// suspended sediment on the current flow, the bed-cell balance of every open
// bed cell as a rate of bed-level change, and the step in which the fastest
// column changes by MaxBedChange of its half depth. The change of that step
// goes to BedMove and bedlevchange[0]; run letter B applies it. Optional
// sweeps speed up the filling of a reservoir (F 23) and smear local
// excesses over the neighbours (F 28). The grid is not moved here.
#include <cmath>
#include <cstdio>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/morphology_quasi.h"
#include "morphology/state.h"
#include "sediment/bed_balance.h"
#include "sediment/conres.h"
#include "sediment/sediment.h"
#include "sediment/state.h"

namespace {

bool openBed(int i, int j) { return OBlok[i][j][2] == 1; }

// Half the water depth of a column: the sum of the half cell heights.
double halfDepth(int i, int j) {
    double H = 0.0;
    for (int k = 2; k <= znumber; ++k) H += m_dist_z[i][j][k];
    return H;
}

double totalChange() {
    double V = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) V += BedMove[i][j] * m_armap[i][j];
    return V;
}

// The rate of bed-level change of every open bed cell (m/s): the net
// deposition of all sizes as bed volume over the plan area.
void columnRates() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            BedMove[i][j] = 0.0;
            if (!openBed(i, j)) continue;
            for (int l = 1; l <= lnumber; ++l)
                BedMove[i][j] += bedcell::of(l, i, j).deposition(conc[l][i][j][2]) / (ConvCoef * m_armap[i][j]);
        }
}

// The shortest step over the open bed cells, the first column winning ties.
struct Step {
    double dt = 1e20;
    int i = 1, j = 1;
};
Step shortestStep() {
    Step s;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (!openBed(i, j)) continue;
            const double candidate = std::fabs(MaxBedChange * halfDepth(i, j) / (BedMove[i][j] + 1e-20));
            if (candidate < s.dt) s = {candidate, i, j};
        }
    return s;
}

double geometryVolume() {
    double W = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) W += 2.0 * m_armap[i][j] * halfDepth(i, j);
    return W;
}

void report(Log& log, const Step& step) {
    std::snprintf(mc_v2, sizeof mc_v2, "Max timestep %lf sec.", stime);
    setMessage("Sediment calculation finished");
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (std::fabs(BedMove[i][j]) <= 1e-5) continue;
            if (debugging == 'D')
                log.printf("BedMove(%d,%d) = %e, depth = %e\n", i, j, BedMove[i][j],
                           zval[i][j][znumber] - zval[i][j][1] - BedMove[i][j]);
            else
                log.printf("BedMove(%d,%d) = %e meters\n", i, j, BedMove[i][j]);
        }
    if (step.i == 1 && step.j == 1) {
        log.write("Warning: Maximum bedlevel change not reached\n");
    } else {
        log.printf("Max bedlevchange = %lf meter\n", BedMove[step.i][step.j]);
        log.printf("for i= %d j=%d \n", step.i, step.j);
    }
    log.printf("Time step: %lf seconds\n", stime);
}

}  // namespace

// The deposit of the first row spread evenly: every open bed cell takes the
// row's area-weighted mean over its open cells.
void quasimorph::evenFirstRow() {
    double V = 0.0, A = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        if (openBed(2, j)) {
            V += BedMove[2][j] * m_armap[2][j];
            A += m_armap[2][j];
        }
    if (A <= 0.0) return;
    for (int j = 2; j <= ynumber; ++j)
        if (openBed(2, j)) BedMove[2][j] = V / A;
}

// One spreading sweep: a column whose deposit leaves less than FillCriteria
// of water above it hands the excess on to its neighbours in proportion to
// the mass fluxes leaving its bed cell. A column without outgoing flux keeps
// its excess.
void quasimorph::spreadSweep() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double limit = 2.0 * halfDepth(i, j) - FillCriteria;
            if (BedMove[i][j] <= limit) continue;
            const double Fe = std::max(0.0, flow1[i][j][2]), Fn = std::max(0.0, flow2[i][j][2]);
            const double Fw = std::max(0.0, -flow1[i - 1][j][2]), Fs = std::max(0.0, -flow2[i][j - 1][2]);
            if (Fe + Fn + Fw + Fs == 0.0) continue;
            const double e = BedMove[i][j] - limit;
            BedMove[i][j] = limit;
            const double w = 1.0 / (Fe + Fn + Fw + Fs + 1e-20);
            const double V = e * m_armap[i][j] * w;
            BedMove[i + 1][j] += Fe * V / (m_armap[i + 1][j] + 1e-10);
            BedMove[i][j + 1] += Fn * V / (m_armap[i][j + 1] + 1e-10);
            BedMove[i - 1][j] += Fw * V / (m_armap[i - 1][j] + 1e-10);
            BedMove[i][j - 1] += Fs * V / (m_armap[i][j - 1] + 1e-10);
        }
}

// Filling acceleration of F 23: the deposit scaled up to FillPart of the
// water volume W, the first row evened out, the excesses spread downstream.
void quasimorph::fillAcceleration(Log& log, double W) {
    const double D = totalChange();
    if (D / W < FillPart && std::fabs(D) > 1e-30) {
        const double factor = FillPart * W / D;
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                if (openBed(i, j)) BedMove[i][j] *= factor;
        stime *= factor;
        log.printf("BedMove and times have been scaled with factor %e,\n", factor);
        log.write("due to accelleration procedure on F 23 data set\n");
    }
    if (ADFlag == 1) evenFirstRow();
    for (int n = 0; n < ADConvNo; ++n) spreadSweep();
}

// One smearing sweep: an open bed cell whose deposit reaches above the depth
// less FillCriteria gives up to half of ADSmearLim times the excess to its
// interior neighbours, keeping the volume.
void quasimorph::smearSweep() {
    auto give = [](int i, int j, int ni, int nj, double s) {
        BedMove[i][j] -= s;
        BedMove[ni][nj] += s * m_armap[i][j] / m_armap[ni][nj];
    };
    auto cell = [&](int i, int j) {
        if (!openBed(i, j)) return;
        const double e = BedMove[i][j] - (2.0 * halfDepth(i, j) - FillCriteria);
        if (!(e > 0.0)) return;
        const double s = ADSmearLim * 0.5 * 0.25 * e;
        if (i != xnumber) give(i, j, i + 1, j, s);
        if (i != 2) give(i, j, i - 1, j, s);
        if (j != ynumber) give(i, j, i, j + 1, s);
        if (j != 2) give(i, j, i, j - 1, s);
    };
    for (int i = 2; i <= xnumber; ++i) {
        for (int j = 2; j <= ynumber; ++j) cell(i, j);
        for (int j = ynumber; j >= 2; --j) cell(i, j);
    }
}

void morphology() {
    BedRecIter = 1;
    stime = 0.0;
    Log log;
    if (lnumber > 19) {
        log.close();
        failf(1, "Error- Increase nsm in osimorp and recompile\n");
    }
    if (SedSourceNo > 0 && lnumber > 1) {
        log.write("Warning, bed grain size distribution can not be \n");
        log.write("recalculated for sediments flowing into the side block\n\n");
    }
    if (MBNo > 0 && OutBlockNo > 0) {
        log.close();
        failf(1, "Error, Outblocking of elements can not be done for Multi-Block domain\n");
    }
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            BedMove[i][j] = 0.0;
            for (int l = 0; l <= lnumber; ++l) {
                bedlevchange[l][i][j] = 0.0;
                BedGrainOriginal[l][i][j] = bedgrain[l][i][j];
            }
        }
    log.write("\n ***** In morphology **********\n\n");
    double W = 0.0;
    if (FillPart > 1e-10) {
        W = geometryVolume();
        log.printf("Volume of geometry: %e qubic meters\n", W);
    }
    log.printf("Bed concentration flags: %d %d %d %d %d %d\n", BedFlags[0], BedFlags[1], BedFlags[2], BedFlags[3],
               BedFlags[4], BedFlags[5]);
    log.close();
    if (BedFlags[0] == 2)
        for (int l = 0; l <= lnumber; ++l)
            for (int i = 0; i <= xnumber + 1; ++i)
                for (int j = 0; j <= ynumber + 1; ++j) bedgrain[l][i][j] = 0.0;

    suspsed();
    if (conc.isNull()) return;

    Log pass;
    columnRates();
    const Step step = shortestStep();
    char text[100];
    std::snprintf(text, sizeof text, "lTimeStep: %lf sec.", step.dt);
    setMessage(text);
    stime = step.dt;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (openBed(i, j)) BedMove[i][j] *= step.dt;
    sumSedimentFractions();
    if (FillPart > 1e-10) quasimorph::fillAcceleration(pass, W);
    for (int n = 0; n < ADSmearNo; ++n) quasimorph::smearSweep();
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) bedlevchange[0][i][j] = BedMove[i][j];
    if (debugging != 'E') report(pass, step);
    pass.close();

    logConResWritten(writeConRes());
    Log end;
    end.printf("Total change in bed levels: %e qubic meters\n", totalChange());
    end.close();
    gFlagSedim = 0;
}
