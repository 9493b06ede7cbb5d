// The transient morphology driver: per time step one outer pass of the flow
// solver, the sediment coefficients and bed reference concentrations,
// iter_morph sweeps of every size fraction with the bed-cell rule, the layer
// exchange, the bed-level update that moves the grid and the renewed
// boundary velocities and fluxes; at the end the restart, result, grid and
// bed-fraction files. Each step is a function named by its label.
// The twin morphology2_tsc runs the same loop; it solves the bed cell with
// the concentration equation (the steps of tsc_bed_layer.cpp) and differs at
// the switches of Variant and where the steps read tscTwin.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "control/control.h"
#include "control/log.h"
#include "control/state.h"
#include "equations/kernels.h"
#include "equations/parallel.h"
#include "equations/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "sediment/bed_balance.h"
#include "morphology/morphology.h"
#include "morphology/state.h"
#include "morphology/tsc_driver.h"
#include "morphology/tsc_steps.h"
#include "output/state.h"
#include "sediment/conres.h"
#include "sediment/sediment.h"
#include "sediment/state.h"
#include "surface2d/surface2d.h"

namespace tsc {

namespace {

// What the two transient drivers do differently outside the sweeps, the
// layer fractions and the steps that read tscTwin.
struct Variant {
    int twin;              // tscTwin during the call
    bool stampClock;       // A1: the wall-clock stamp for the flow solver's timing lines
    int maxFractions;      // A5
    bool refuseFracVer2;   // A5: form 2 of the layer fractions refused
    bool limitBedKinen;    // T8 exists
    bool steepWithQZfunc;  // T20 consults QZfunc
};
constexpr Variant kFirstDriver{0, true, 19, true, true, true};
constexpr Variant kBedLayerDriver{1, false, 48, false, false, false};

// A multiple of n in the step count, as the driver's cadences test it.
bool stepMultipleOf(double n) { return std::fabs(std::fmod(static_cast<double>(global_iter), n)) < 0.001; }

double cellVolume(int i, int j, int k) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][k]; }

// Mean over the four corner nodes of bed cell (i, j) of the target bed level
// above the lowest erodible level; with `clip` each corner counts 0 or more.
double movableThickness(int i, int j, bool clip) {
    const int ni[4] = {i, i - 1, i - 1, i}, nj[4] = {j, j, j - 1, j - 1};
    double t = 0.0;
    for (int n = 0; n < 4; ++n) {
        const double d = zval[ni[n]][nj[n]][0] - Surfaces[3][ni[n]][nj[n]];
        t += clip ? std::max(d, 0.0) : d;
    }
    return 0.25 * t;
}

// The lines on a movable bed thinner than 1e-20 m at cell (i, j): an error
// of the first driver, a warning of the twin.
void thinBedLines(Log& log, int i, int j, double t, bool error) {
    log.write(error ? "Error in specifying the limit of the movable bed/the active layer. The thickness of the "
                      "active layer has to have a physically reasonable positive value\n"
                    : "Warning for specifying the limit of the movable bed/the active layer. The thickness of the "
                      "active layer has to have a physically reasonable positive value\n");
    log.printf("The value for cell (%d,%d) is %lf\n", i, j, t);
    log.write("The thickness of the active layer should normally not be too much lower than the sediment size\n");
    log.write(error ? "If you are using a koomin file, you should lower the vertical values slightly\n"
                    : "If you are using a koomin file, you may consder lowering the vertical values slightly\n");
}

// The active layer up to maxgrain, the inactive layer the rest of t.
void splitLayers(int i, int j, double t) {
    bedgrain[0][i][j] = std::min(maxgrain, t);
    const double rest = t - bedgrain[0][i][j];
    BedGrainOriginal[0][i][j] = rest >= 0.0 ? rest : 0.0;
}

// The bed reference concentration formulas by SedimentFormula.
struct ReferenceFormula {
    char letter;
    void (*routine)();
};
constexpr ReferenceFormula kReferenceFormulas[] = {
    {'R', concRijn},     {'A', concEngelund}, {'E', concEngelund}, {'Y', concEngelund},
    {'S', concEngelund}, {'M', concEngelund}, {'I', concEngelund},
};

// The largest equilibrium value c0 times the fraction of l in the active
// layer over the open bed cells.
double largestEquilibrium(int l) {
    double m = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (OBlok[i][j][2] != 0) m = std::max(m, conc[l][i][j][0] * bedgrain[l][i][j]);
    return m;
}

void bedCellsSingleBlock(int l) {
    const bool bedLoad = BedLoadVectorFlag > 0;
    auto c = conc[l];
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][2] == 0) continue;
            const bedcell::Balance b = bedLoad ? bedcell::bedLoad(l, i, j) : bedcell::single(l, i, j);
            const double ain = b.S + source[i][j][2];
            const double aout = b.R + cellVolume(i, j, 2) / TimeStep;
            const double E = m_armap[i][j] * bedgrain[l][i][j] * bedgrain[0][i][j] * ConvCoef / TimeStep;
            const double ceq = c[i][j][0] * bedgrain[l][i][j];
            c[i][j][2] = bedCellValue(ain, aout, ap[l][i][j][2], E, ceq);
        }
}

// Across block joints: the workspace couplings, no supply limit.
void bedCellsMultiBlock(int l) {
    auto c = conc[l];
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][2] == 0) continue;
            const double ain = bedcell::blocks(l, i, j).S + source[i][j][2];
            const double ceq = c[i][j][0] * bedgrain[l][i][j];
            c[i][j][2] = std::max(ain / ap[l][i][j][2], ceq);
        }
}

// The flux renewal in the planes k1..k2 (2..znumber in 3-D, 0..0 in the
// depth-averaged model): the boundary cells carry the face fluxes of the
// last flow pass.
void rescaleBoundaryVelocities(int k1, int k2) {
    const int X = xnumber, Y = ynumber;
    if (IONo > 0) {
        const double fs = jFaceFlux(1, k1, k2) / (jFaceDischarge(1, 1, k1, k2) + 1e-15);
        const double fn = jFaceFlux(Y, k1, k2) / (jFaceDischarge(Y, Y + 1, k1, k2) + 1e-15);
        scaleJCells(1, k1, k2, fs);
        scaleJCells(Y + 1, k1, k2, fn);
    }
    double Qi = 0.0, Qo = 0.0;
    for (int j = 2; j <= Y; ++j)
        for (int k = k1; k <= k2; ++k) {
            Qi += flow1[1][j][k];
            Qo += flow1[X][j][k];
        }
    const double Ui = iFaceDischarge(1, 1, k1, k2);
    const double Uo = iFaceDischarge(X, X + 1, k1, k2);
    // A plane without velocity-based discharge keeps its velocities.
    if (std::fabs(Ui) > 1e-100) scaleICells(1, k1, k2, Qi / Ui);
    if (std::fabs(Uo) > 1e-100) scaleICells(X + 1, k1, k2, Qo / Uo);
}

}  // namespace

// ---- Start-up -------------------------------------------------------------

void A1Start(bool stampClock) {
    stime = 0.0;
    tscAccountReset();
    if (stampClock) otime[0] = omp_get_wtime();
}

void A2MinDepth() { defaultMinDepth(); }

void A3MaxGrain() {
    for (int l = 1; l <= lnumber; ++l) maxgrain = std::max(maxgrain, gsize[l]);
    if (FlagMaxgrainRead == 1) maxgrain = maxgrainRead;
}

void A4EmptyTimeo(Log& log) {
    if (TimePrintNo <= 0) return;
    FILE* fp = std::fopen("timeo", "w");
    if (!fp) {
        log.write("cannot open file 'timeo' \n");
        log.close();
        endRun(-3);
    }
    closeWritten(fp, "timeo");
}

void A5Checks(Log& log, int maxFractions, bool refuseFracVer2) {
    auto refuse = [&log](int code, const char* line) {
        log.write(line);
        log.close();
        endRun(code);
    };
    if (lnumber > maxFractions) refuse(1, "Error- Increase nsm in osimorp and recompile\n");
    // Form 2 of the bed-layer fractions reads a bed source that only the
    // driver with the bed-layer equation fills: here every bed change would
    // be 0 while the bed-cell rule takes sediment from the bed.
    if (refuseFracVer2 && FlagFracVer == 2) refuse(1, "Error for F 303 in control\n");
    if (SedSourceNo > 0 && lnumber > 1) {
        log.write("Warning, bed grain size distribution can not be \n");
        log.write("recalculated for sediments flowing into the side block\n\n");
    }
    if (MBNo > 0 && OutBlockNo > 0)
        refuse(1, "Error, Outblocking of elements can not be done for Multi-Block domain\n");
}

void A6Columns(Log& log) {
    const bool twin = tscTwin != 0;
    bool warned = false;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            BedMove[i][j] = 0.0;
            const double t = movableThickness(i, j, false);
            if (twin) {
                // A thin movable bed is named once, for its first cell.
                if (t < 1e-20 && !warned) {
                    thinBedLines(log, i, j, t, false);
                    warned = true;
                }
            } else if (t < 1e-20 && FlagDisableKoomintest == 0) {
                thinBedLines(log, i, j, t, true);
                log.close();
                endRun(1);
            }
            if (FlagReadFracres != 1) splitLayers(i, j, t);
            for (int l = 0; l <= lnumber; ++l) bedlevchange[l][i][j] = 0.0;
            if (bedgrain[0][i][j] < 0.0) {
                log.printf(twin ? "Error, startup, negative bed layer at i,j=%d %d\n"
                                : "Error, startup, negative active bed layer at i,j=%d %d\n",
                           i, j);
                log.close();
                endRun(-44);
            }
            // The twin tests the active layer only.
            if (!twin && BedGrainOriginal[0][i][j] < 0.0) {
                log.printf("Error, startup, negative inactive bed layer at i,j=%d %d\n", i, j);
                log.close();
                endRun(-45);
            }
        }
}

void A7LineLengths() { gridLineLengths(); }

void A8Banner(Log& log) {
    double V = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) V += cellVolume(i, j, k);
    log.write("\n ***** In morphology_tsc **********\n\n");
    log.printf("Volume of geometry: %e qubic meters\n", V);
    log.printf("Bed concentration flags: %d %d %d %d %d %d\n", BedFlags[0], BedFlags[1], BedFlags[2], BedFlags[3],
               BedFlags[4], BedFlags[5]);
    log.close();
}

void A9ClearActive() {
    if (BedFlags[0] != 2) return;
    for (int l = 0; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) bedgrain[l][i][j] = 0.0;
}

void A11Counters() {
    tscSteps = iterGlobalMax;
    Iter = 1;
    global_iter = 0;
    tscCyclicCount = 0;
    tscCap = 0.0;
}

// ---- Time step ------------------------------------------------------------

void T1PrintSwitch() {
    const bool report = debugging == 'D' || global_iter <= 9 || (global_iter <= 99 && stepMultipleOf(10)) ||
                        stepMultipleOf(100);
    FlagPrint = report ? 0 : 1;
}

void T5Advance() { stime += TimeStep; }

void T6KeepOld() {
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) conc_old[l][i][j][k] = conc[l][i][j][k];
}

bool T7FlowPass() {
    if (Hydrostatic == 2) return true;
    iterGlobalMax = Iter;
    if (Flag2Dim == 0)
        runTasks.WaterSolve();
    else
        runTasks.WaterSolve2D();
    return FlagErrorBreak != 1;
}

void T8LimitBedKinen() {
    if (FlagBedshearGrad != 1) return;
    const int X = xnumber, Y = ynumber;
    for (int i = 2; i <= X; ++i) {
        kinen[i][Y][2] = std::min(kinen[i][Y][2], kinen[i][Y - 1][2]);
        kinen[i][2][2] = std::min(kinen[i][2][2], kinen[i][3][2]);
    }
    for (int j = 2; j <= Y; ++j) {
        kinen[X][j][2] = std::min(kinen[X][j][2], kinen[X - 1][j][2]);
        kinen[2][j][2] = std::min(kinen[2][j][2], kinen[3][j][2]);
    }
}

void T9BedSlope() {
    if (FlagBedslopeCorrection == 1 && SedimentFormula != 'R') runTasks.bedslope_corr();
}

bool T10Coefficients() {
    runTasks.coeffe_setup();
    runTasks.coeffe_setup2();
    return FlagErrorBreak != 1;
}

void T12TimeTerm() {
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) ap[l][i][j][k] += cellVolume(i, j, k) / TimeStep;
}

void T13ReferenceConcentration() {
    if (FlagBedDLL >= 1) return;
    for (const ReferenceFormula& f : kReferenceFormulas)
        if (f.letter == SedimentFormula) {
            f.routine();
            return;
        }
}

void T14ClipReference() {
    Log log;
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                if (conc[l][i][j][0] > 0.5) {
                    log.printf("Warning for unstability in TSC method: conc(%d,%d,%d,2)=%e\n", l, i, j, conc[l][i][j][0]);
                    conc[l][i][j][0] = 0.5;
                }
    log.close();
    char text[100];
    std::snprintf(text, sizeof text, "Time, %lf sec.", stime);
    setMessage(text);
}

void T15Sweeps() {
    const bool twin = tscTwin != 0;
    for (int n = 0; n < iter_morph; ++n)
        for (int l = 1; l <= lnumber; ++l) {
            S1Prepare(l);
            S2TimeSource(l, twin && NoProcessesSolver != 0);
            if (twin) {
                S2BedSource(l);
                S2BedLoadCouplings(l);
            }
            const double bedBefore = SedimentScheme == 1 ? largestBedValue(l) : 0.0;
            if (twin)
                S3SolveWithBed();
            else
                S3Solve();
            S4Floor(l);
            S5Cap(l, bedBefore);
            // The twin solves its bed cells with the equation.
            if (!twin && FlagGradDLL < 1) S6BedCells(l);
        }
}

void T16Fractions() {
    if (FlagFracVer != 0)
        morphology2_fractions1();
    else if (tscTwin != 0)
        morphology2_fractions();
    else
        morphology_fractions();
}

void T17SumFractions() { sumSedimentFractions(); }

void T18BedLevelChange() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double s = 0.0;
            for (int l = 1; l <= lnumber; ++l) s += bedlevchange[l][i][j];
            bedlevchange[0][i][j] = AccBedChange * s;
        }
}

void T19BedChange() {
    if (Hydrostatic != 2 && Hydrostatic != 5) runTasks.bedchange();
}

void T20SteepCells(bool withQZfunc) {
    if (IterAvalanche < 1 || IterAvalanche > 199) return;
    if (withQZfunc && QZfunc != 0) return;
    const double cc = std::cos(std::atan(AngleAvalanche));
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (m_vec_z[i][j][2][2] < cc) splitLayers(i, j, movableThickness(i, j, true));
}

void T21FluxRenewal() {
    if (Flag2Dim != 1) {
        rescaleBoundaryVelocities(2, znumber);
        boundary();
        waterflow();
    } else {
        rescaleBoundaryVelocities(0, 0);
        boundary2D();
        waterflow2D();
    }
}

void T23Results() {
    if (FlagInterpolVal == 19)
        runTasks.sprintflow();
    else if (Hydrostatic == 2 && PrintRes != 0 && stepMultipleOf(PrintRes))
        runTasks.sprintflow();
    global_iter += 1;
}

// ---- Sweep of fraction l --------------------------------------------------

void S1Prepare(int l) {
    indexl = l;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) source[i][j][k] = 0.0;
}

void S2TimeSource(int l, bool threaded) {
    // One body per plane i serves both forms, so that every cell gets the
    // same arithmetic whatever the team; each plane is one thread's.
    const int Y = ynumber, Z = znumber;
    const double dt = TimeStep;
    auto plane = [l, Y, Z, dt](int i) {
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) source[i][j][k] += cellVolume(i, j, k) / dt * conc_old[l][i][j][k];
    };
    const int n = xnumber - 1;
    if (!threaded) {
        for (int p = 0; p < n; ++p) plane(2 + p);
        return;
    }
    par::region(std::max(NoProcessesSolver, 1), [&plane, n] {
        const eqk::Chunk c = eqk::chunkOf(omp_get_thread_num(), omp_get_num_threads(), n);
        for (int p = c.s; p < c.e; ++p) plane(2 + p);
    });
}

void S3Solve() { solveSedimentFraction(); }

void S4Floor(int l) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (conc[l][i][j][k] < 1e-30) conc[l][i][j][k] = 0.0;
}

double largestBedValue(int l) {
    double m = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) m = std::max(m, conc[l][i][j][2]);
    return m;
}

void S5Cap(int l, double bedBefore) {
    if (SedimentScheme != 1) return;
    double cap = tscCap;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) cap = std::max(cap, conc[l][1][j][k]);
    // The suspended cells are solved between the inflow, the bed cells and
    // the equilibrium values: a clear-water inflow must not cap the sediment
    // that the bed gives up.
    cap = std::max({cap, bedBefore, largestEquilibrium(l)});
    tscCap = cap;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) conc[l][i][j][k] = std::min(conc[l][i][j][k], cap);
}

double bedCellValue(double ain, double aout, double ap2, double E, double ceq) {
    const double v = std::max(ain / ap2, std::min((E + ain) / aout, ceq));
    return v < 1e-30 ? 0.0 : v;
}

void S6BedCells(int l) {
    if (MBNo > 0)
        bedCellsMultiBlock(l);
    else
        bedCellsSingleBlock(l);
}

// ---- End ------------------------------------------------------------------

bool EndSteps() {
    std::snprintf(mc_v2, sizeof mc_v2, "Max time %lf sec.", stime);
    setMessage("Sediment calculation finished");
    Log log;
    tscEndBedMoves(log);
    std::fflush(log.file());
    const int written = writeConRes();
    char failure[sizeof mc_message];
    std::memcpy(failure, mc_message, sizeof failure);
    logConResWritten(written);
    tscEndTotalChange(log);
    log.close();
    runTasks.sprintflow();
    runTasks.writespider();
    if (FlagInterpolVal > 0) {
        const int kept = FlagInterpolVal;
        FlagInterpolVal = 0;
        runTasks.sprintflow();
        FlagInterpolVal = kept;
    }
    tscBedFracFile();
    gFlagSedim = 0;
    if (written != 0) setMessage(failure);
    return written == 0;
}

namespace {

// One call of a transient driver: the start-up, N time steps, the end.
void runTransient(const Variant& v) {
    using namespace tsc;
    tscTwin = v.twin;
    A1Start(v.stampClock);
    A2MinDepth();
    A3MaxGrain();
    {
        Log log;
        A4EmptyTimeo(log);
        A5Checks(log, v.maxFractions, v.refuseFracVer2);
        A6Columns(log);
        A7LineLengths();
        A8Banner(log);
    }
    A9ClearActive();
    tscAccountStart();  // A10
    A11Counters();

    while (global_iter < tscSteps) {
        T1PrintSwitch();
        tscTimeSeries();      // T2
        tscCyclicFeedback();  // T3
        tscProbeLine();       // T4
        T5Advance();
        T6KeepOld();
        if (!T7FlowPass()) return;
        if (v.limitBedKinen) T8LimitBedKinen();
        T9BedSlope();
        if (!T10Coefficients()) return;
        if (v.twin) T10BedCentre();
        if (BedLoadVectorFlag > 0) tscBedLoadCouplings();  // T11
        T12TimeTerm();
        T13ReferenceConcentration();
        T14ClipReference();
        T15Sweeps();
        T16Fractions();
        T17SumFractions();
        T18BedLevelChange();
        T19BedChange();
        T20SteepCells(v.steepWithQZfunc);
        T21FluxRenewal();
        tscAccountStep();  // T22
        T23Results();
    }
    // The restart state is lost when its files could not be written: the
    // run ends after the other end files.
    if (!EndSteps()) endRun(-3);
}

}  // namespace
}  // namespace tsc

void morphology_tsc() { tsc::runTransient(tsc::kFirstDriver); }

// The twin solves the bed cell with the concentration equation: with the
// water column (F 303 0) or as a plan equation of the bed layer.
void morphology2_tsc() { tsc::runTransient(tsc::kBedLayerDriver); }
