// The driver of the 3-D flow solver: preparations once per call, then outer
// passes (iterations of a steady run, time steps of a transient one) of
// inner SIMPLE/SIMPLEC iterations, with the stop tests, log lines, result
// cadence, cyclic inflow, bed shear and the gating of the surface updates.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "output/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/regions.h"
#include "flow3d/state.h"

namespace {

void stamp(int slot) {
    if (FlagPrint == 0) otime[slot] = omp_get_wtime();
}

// ---------------------------------------------------------------------------
// Once per call and per pass.
// ---------------------------------------------------------------------------

void gridFaultQ() {
    Log log;
    log.write("Error: The F 1 Q data set in the control file is only used when generating\n");
    log.write("the grid. It is not used when running the program\n\n");
    log.close();
    endRun(-5);
}

}  // namespace

void gridLineLengths() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            LineI[i][j] = std::hypot(xval[i][j] - xval[i - 1][j], yval[i][j] - yval[i - 1][j]);
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            LineJ[i][j] = std::hypot(xval[i][j] - xval[i][j - 1], yval[i][j] - yval[i][j - 1]);
}

namespace {

void passPrintFlag() {
    const bool logged = debugging == 'D' || Iter <= 9 || Iter == iterGlobalMax ||
                        (Iter <= 99 && isMultiple(static_cast<double>(Iter), 10.0)) ||
                        isMultiple(static_cast<double>(Iter), PrintIterBoogie);
    FlagPrint = logged ? 0 : 1;
}

void flushTinyPressures() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (std::fabs(Pres[i][j][k]) < 1e-20) Pres[i][j][k] = 0.0;
}

// Each to = from over i 1..xnumber+1, j 1..ynumber+1, k 0..znumber+1, where
// both exist; one plane kernel for all pairs.
struct LevelCopy {
    FieldArray<double, 3>* to;
    const FieldArray<double, 3>* from;
};
void copyLevels(std::initializer_list<LevelCopy> pairs) {
    LevelCopy todo[5];
    int n = 0;
    for (const LevelCopy& c : pairs)
        if (!c.to->isNull() && !c.from->isNull() && n < 5) todo[n++] = c;
    if (n == 0) return;
    const int Y = ynumber, Z = znumber;
    flowpar::planeKernel(1, xnumber + 1, [&todo, n, Y, Z](int i) {
        for (int c = 0; c < n; ++c) {
            FieldArray<double, 3>& to = *todo[c].to;
            const FieldArray<double, 3>& from = *todo[c].from;
            for (int j = 1; j <= Y + 1; ++j)
                for (int k = 0; k <= Z + 1; ++k) to[i][j][k] = from[i][j][k];
        }
    });
}

void olderLevels() {
    if (FlagTimeOrder != 0) copyLevels({{&xvel_old2, &xvel_old}, {&yvel_old2, &yvel_old}, {&zvel_old2, &zvel_old}});
    if (FlagTimeOrder > 1) copyLevels({{&kinen_old2, &kinen_old}, {&epsilon_old2, &epsilon_old}});
}

void oldLevels() {
    copyLevels({{&xvel_old, &xvel}, {&yvel_old, &yvel}, {&zvel_old, &zvel}, {&kinen_old, &kinen}, {&epsilon_old, &epsilon}});
}

// The earlier time levels of a transient pass; on the first time step both
// take the current field.
void keepTimeLevels() {
    if (Iter > 1) {
        olderLevels();
        oldLevels();
    } else {
        oldLevels();
        if (Iter == 1) olderLevels();
    }
    if (FlagTemp == 1 && !temp_old.isNull() && !temp.isNull())
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) temp_old[i][j][k] = temp[i][j][k];
}

// ---------------------------------------------------------------------------
// End of an inner iteration.
// ---------------------------------------------------------------------------

void passLines(Log& log) {
    log.printf("Iter: %ld, Resid: %8.2e %8.2e %8.2e %8.2e %8.2e %8.2e\n", Iter, MaxResidual[1], MaxResidual[2],
               MaxResidual[3], MaxResidual[4], MaxResidual[5], MaxResidual[6]);
    const CellIndex c = DefMaxCell;
    log.printf("Cont: %8.2e, DefMax: %8.2e, U,V,W(%d,%d,%d): %8.2e %8.2e %8.2e\n", Cont, DefMax, c.i, c.j, c.k,
               xvel[c.i][c.j][c.k], yvel[c.i][c.j][c.k], zvel[c.i][c.j][c.k]);
    if (FlagTemp == 1) log.printf("Temp. residual: %lf\n", MaxResidual[7]);
    if (debugging == 'P' || (debugging == 'D' && NoProcessesSolver > 0))
        for (int d = 1; d <= 33; ++d) log.printf("OpenMP %d = %.16g\n", d, otime[d] - otime[0]);
}

// Callees may append to the log themselves: what is written so far goes first.
void callWithLog(Log& log, void (*routine)()) {
    std::fflush(log.file());
    routine();
}

void resultFiles(Log& log) {
    if (PrintRes == 0) {
        if (isMultiple(static_cast<double>(PrintResIter), PrintIterRes)) {
            callWithLog(log, flowSteps.sprintflow);
            if (FlagTFS > 0) callWithLog(log, flowSteps.writespider);
        }
    } else if (isMultiple(static_cast<double>(Iter), PrintRes)) {
        callWithLog(log, flowSteps.sprintflow);
    }
}

void statusTexts(const LargestResidual& r) {
    std::snprintf(mc_v2, sizeof mc_v2, "zvel[2][2][2]: %8.2e", zvel[2][2][2]);
    char text[100];
    std::snprintf(text, sizeof text, "%ld ResMax: %8.2e for eq: %d", Iter, r.value, r.equation);
    setMessage(text);
}

// Discharge through i-face 1 with the velocities (u, v) of each cell (j, k).
template <class Velocity>
double inflowDischarge(Velocity velocity) {
    double q = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            double u, v;
            velocity(j, k, u, v);
            q += m_ar_x[1][j][k] * (u * m_vec_x[1][j][0] + v * m_vec_x[1][j][1]);
        }
    return q;
}

// The converged outflow plane becomes the inflow plane, rescaled to the
// inflow discharge before the copy. False when the outflow plane carries no
// discharge: nothing is copied.
bool cyclicInflow(Log& log) {
    const int X = xnumber;
    const bool withV = ynumber > 4;
    const double Q1 = inflowDischarge([](int j, int k, double& u, double& v) {
        u = xvel[1][j][k];
        v = yvel[1][j][k];
    });
    const double Q2 = inflowDischarge([=](int j, int k, double& u, double& v) {
        u = xvel[X + 1][j][k];
        v = withV ? yvel[X + 1][j][k] : yvel[1][j][k];
    });
    if (Q2 == 0.0) {
        log.write("Cyclic copy skipped: no discharge through the outflow plane\n");
        return false;
    }
    ++CyclicCount;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            xvel[1][j][k] = xvel[X + 1][j][k] * (Q1 / Q2);
            if (withV) yvel[1][j][k] = yvel[X + 1][j][k];
            zvel[1][j][k] = zvel[X + 1][j][k];
            kinen[1][j][k] = kinen[X + 1][j][k];
            epsilon[1][j][k] = epsilon[X + 1][j][k];
        }
    return true;
}

void continuityFailure(Log& log) {
    double in = 0.0, out = 0.0, top = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            in += flow1[1][j][k];
            out += flow1[xnumber][j][k];
        }
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) top += flow3[i][j][znumber];
    log.write("Error in continuity-ssimple\n");
    log.printf("Fluxes: %lf %lf %lf\n", in, out, top);
    setMessage("Error in continuity  ");
    gFlagFlow = 0;
    noteNumericalFailure();
    log.close();
}

// Running mean of the top-cell pressure, kept in the cell above it.
void topPressureMean() {
    ++RegIter;
    const double w = 1.0 / RegIter;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            Pres[i][j][znumber + 1] = w * Pres[i][j][znumber] + (1.0 - w) * Pres[i][j][znumber + 1];
}

// ---------------------------------------------------------------------------
// Bed shear stress, by turbulence model.
// ---------------------------------------------------------------------------

// The rule of the model's row: the k-carrying models take it from k, the
// depth-scaled and one constant viscosity from the rough-wall log law, the
// rest keep it. F 111 and a negative F 196 keep it under the k rule too.
BedShearRule bedShearRule() {
    const BedShearRule rule = turbulenceModel().walls.bedShear;
    if (rule == BedShearRule::FromK && (FlagBedDLL != 0 || FlagMaxShear < 0)) return BedShearRule::Unchanged;
    return rule;
}

void bedShear() {
    const BedShearRule rule = bedShearRule();
    if (rule == BedShearRule::Unchanged) return;
    const int kTop = static_cast<int>(std::min<long>(FlagMaxShear + 2L, znumber));
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (rule == BedShearRule::LogLaw) {
                const double u = xvel[i][j][2], v = yvel[i][j][2];
                const double l = std::log(std::max(1.1, 30.0 * m_dist_z[i][j][2] / (Xks[i][j] + 1e-7)));
                bedshear[i][j] = kWaterDensity * 0.16 * (u * u + v * v) / (l * l);
            } else {
                double k = kinen[i][j][2];
                for (int kk = 3; kk <= kTop; ++kk) k = std::max(k, kinen[i][j][kk]);
                bedshear[i][j] = sqcmyrho * k;
            }
        }
}

// ---------------------------------------------------------------------------
// One inner iteration.
// ---------------------------------------------------------------------------

enum class InnerEnd { Next, EndPass, Return };

// The momentum step reports a zero centre coefficient through FlagErrorBreak,
// which the driver never clears: a flag that was already set stays set.
bool momentumFails() {
    const int before = FlagErrorBreak;
    FlagErrorBreak = 0;
    flowSteps.momentum();
    const bool failed = FlagErrorBreak == 1;
    if (!failed) FlagErrorBreak = before;
    return failed;
}

void moveGrid() {
    FlagGridChange = 0;
    flowSteps.metric();
    flowSteps.smetric();
    flowSteps.startup();
    flowSteps.boundary();
    flowSteps.waterflow();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) {
                Xc[i][j][k] = xval[i][j];
                Yc[i][j][k] = yval[i][j];
            }
}

InnerEnd innerIteration(int n, bool& pauseNoted, LargestResidual& res) {
    InnerIteration = n;
    setProgram(" MB-Flow             ");
    if (FlagGridChange == 1) moveGrid();
    if (!(n == 1 && Iter == 1)) flowSteps.boundary();
    // Nothing in the engine can clear a pause, so the solver does not wait.
    if (PauseFlag == 3 && !pauseNoted) {
        setMessage("PauseFlag = 3");
        pauseNoted = true;
    }
    if (momentumFails()) return InnerEnd::Return;
    const TurbulenceModelRow::Transport& model = turbulenceModel().transport;
    if (model.earlyPass && FlagFluxTurb == 2) flowSteps.turbulenceEarly();
    flowSteps.pressureCorrection();
    if (model.equations > 0 && FlagFluxTurb <= 1) flowSteps.turbulence();
    stamp(32);
    if (transientRun() && FlagTemp == 1) flowSteps.temperature();
    stamp(33);

    Log log;
    res = largestResidual();
    const bool last = n == TransInnerIter;
    if (last && FlagPrint == 0) passLines(log);
    if (last || res.value < TimeBreakLimit) resultFiles(log);
    statusTexts(res);
    if (steadyRun() && res.value < ConvergenceCriteria) {
        if (!(FlagCyclic < 0 && CyclicCount < -FlagCyclic && cyclicInflow(log))) {
            log.write("Solution converged\n");
            setMessage("Solution converged  ");
            log.close();
            gFlagFlow = 0;
            flowSteps.sprintflow();
            return InnerEnd::Return;
        }
    }
    if (res.value > 1e10) {
        log.write("Solution diverged\n");
        setMessage("Solution diverged  ");
        noteNumericalFailure();
        gFlagFlow = 0;
        log.close();
        return InnerEnd::Return;
    }
    if (std::fabs(Cont) / NormResidual[4] > 1e-6 && FlagTFS == 0 && FlagCyclicC == 0) {
        continuityFailure(log);
        return InnerEnd::Return;
    }
    log.close();
    if (PresRegres > 0) topPressureMean();
    if (isMultiple(static_cast<double>(Iter), static_cast<double>(IterSurface)) && Iter > 0 &&
        res.value < ConvSurface && FlagTFS == 0 && FlagRoof == 1)
        flowSteps.surface();
    bedShear();
    if (transientRun() && res.value < TimeBreakLimit) return InnerEnd::EndPass;
    return InnerEnd::Next;
}

}  // namespace

LargestResidual largestResidual() {
    LargestResidual r;
    for (int d = 1; d <= 6; ++d) {
        if (!std::isfinite(MaxResidual[d])) return {HUGE_VAL, d};
        if (MaxResidual[d] > r.value) r = {MaxResidual[d], d};
    }
    return r;
}

namespace {

// A flow field that was not computed on the present grid (read from
// `result`, or the grid read again by letter X): its face fluxes balance, but
// its boundary cells belong to the old face areas and surface. The inflow and
// outflow cells are rescaled so that the end faces carry the discharges of the
// field's face fluxes (a face whose flux sums to 0 keeps its cells), the side
// cells of the openings likewise, as the surface update does after a move;
// then the boundary values follow the present grid (the top layer along the
// present surface). Without this the first pass starts from a mass imbalance
// that the pressure correction cannot remove.
void fitFieldToGrid() {
    const int X = xnumber, Z = znumber;
    double inflow = 0.0, outflow = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= Z; ++k) {
            inflow += flow1[1][j][k];
            outflow += flow1[X][j][k];
        }
    if (inflow != 0.0) scaleICells(1, 2, Z, rescaleFactor(inflow, iFaceDischarge(1, 1, 2, Z)));
    if (outflow != 0.0) scaleICells(X + 1, 2, Z, rescaleFactor(outflow, iFaceDischarge(X, X + 1, 2, Z)));
    if (IONo > 0 && X > 1) sideCells(2, Z);
    flowSteps.boundary();
}

}  // namespace

void WaterSolve() {
    deriveSolverConstants();
    // The temperature inflow comes from the time series of `timei`.
    if (transientRun() && FlagTemp == 1 && TimeInNo < 1)
        failf(1, "Error, temperature run without time series in timei\n");
    if (debugging == 'Q') gridFaultQ();
    flowSteps.startup();
    if (FlagInitialized == 0) {
        flowSteps.boundary();
        flowSteps.waterflow();
    } else if (FlagFieldRefit == 1) {
        fitFieldToGrid();
    }
    FlagInitialized = 1;
    FlagFieldRefit = 0;
    if (FlagTFS == 1 && TFSuslope > 0) gridLineLengths();
    const bool ownRun = FlagTSC == 0;  // not a time step of a morphology driver
    if (TimePrintNo > 0 && ownRun) flowSteps.timeoStart();
    const long start = ownRun ? 1 : Iter;
    if (ownRun) {
        if (transientRun()) stime = 0.0;
        otime[0] = omp_get_wtime();
    }
    DefMaxCell = CellIndex{1, 1, 1};
    Iter = start;
    bool pauseNoted = false;

    for (;;) {
        if (Iter > iterGlobalMax) {
            if (ownRun) flowSteps.sprintflow();
            gFlagFlow = 0;
            return;
        }
        ++PrintResIter;
        if (ownRun) passPrintFlag();
        if (FlagTFS == 1) flushTinyPressures();
        if (transientRun()) keepTimeLevels();
        if (TimePrintNo > 0 && ownRun && isMultiple(static_cast<double>(Iter), PrintIterTime))
            flowSteps.timeoLine();

        LargestResidual res;
        for (int n = 1; n <= TransInnerIter; ++n) {
            const InnerEnd end = innerIteration(n, pauseNoted, res);
            if (end == InnerEnd::Return) return;
            if (end == InnerEnd::EndPass) break;
        }

        if (FlagTFS == 1) {
            if (OutBlockNo > 0 && isMultiple(static_cast<double>(Iter), PrintIterForce)) flowSteps.forcelog();
            flowSteps.surface_tfs();
        }
        // A pass without inner iterations has no residual to judge the surface by.
        if ((FlagTFS == 2 || FlagTFS == 3) && TransInnerIter > 0 && res.value < 10000 && FlagRoof == 1)
            flowSteps.surface();
        ++Iter;
    }
}
