// The steps of the transient morphology drivers, each named by its label:
// A1..A11 start-up, T1..T23 one time step, S1..S6 the sweep of one size
// fraction, E1..E7 the end. morphology_tsc runs them in order; its twin with
// the bed-layer equation runs the same steps where it does the same.
#pragma once

class Log;

namespace tsc {

// ---- Start-up -------------------------------------------------------------
// A1: stime 0, the continuity account reset, the wall-clock stamp.
void A1Start(bool stampClock);
// A2: a negative TSCMinDepth replaced by its default.
void A2MinDepth();
// A3: the active-layer limit maxgrain.
void A3MaxGrain();
// A4: with probe records, `timeo` emptied (the log is open).
void A4EmptyTimeo(Log& log);
// A5: the fraction count (at most maxFractions), the side-block warning and
// the blocked boxes of a multi-block grid; with `refuseFracVer2` form 2 of
// the layer fractions (F 303 2) is refused.
void A5Checks(Log& log, int maxFractions, bool refuseFracVer2);
// A6: per bed column, i outer and j inner, the movable thickness tested, the
// layer thicknesses set (unless they came from `fracres`) and their signs
// tested; BedMove and bedlevchange cleared. The twin (tscTwin) warns once of
// a thin bed and tests the active layer only.
void A6Columns(Log& log);
// A7: the horizontal grid-line lengths.
void A7LineLengths();
// A8: the banner, the grid volume and the bed-concentration flags.
void A8Banner(Log& log);
// A9: BedFlags[0] 2 clears the active layer.
void A9ClearActive();
// A11: the step count N from iterGlobalMax, Iter 1, the counters and the cap
// of S5 at 0.
void A11Counters();

// ---- Time step ------------------------------------------------------------
void T1PrintSwitch();
void T5Advance();
void T6KeepOld();
// T7: one outer pass of the flow solver unless Hydrostatic is 2; false when
// it failed (FlagErrorBreak), the driver then returns at once.
bool T7FlowPass();
void T8LimitBedKinen();
void T9BedSlope();
// T10: coeffe_setup, coeffe_setup2; false when they failed.
bool T10Coefficients();
void T12TimeTerm();
void T13ReferenceConcentration();
void T14ClipReference();
// The twin, after T10: the bed-cell centre coefficient of the layer
// equation (F 303 1 and 2) in the open bed cells.
void T10BedCentre();
// T15: iter_morph sweeps of S1..S6 over the fractions; the twin (tscTwin)
// adds the bed source and the bed-load couplings after S2, solves the bed
// cells with the equation and has no S6.
void T15Sweeps();
void T16Fractions();
void T17SumFractions();
void T18BedLevelChange();
void T19BedChange();
// T20: the steep-cell layer reset; QZfunc non-zero skips it when
// `withQZfunc` (the twin does not read QZfunc).
void T20SteepCells(bool withQZfunc);
void T21FluxRenewal();
void T23Results();

// ---- Sweep of fraction l --------------------------------------------------
void S1Prepare(int l);
// S2: the transient term; with `threaded` on the team of F 206, each
// thread its own planes i.
void S2TimeSource(int l, bool threaded);
// The twin: the bed source of fraction l into its open bed cells, stored in
// BedSource (none with F 303 3 and above).
void S2BedSource(int l);
// The twin: the bed-load couplings of fraction l as the couplings of the
// bed cells (BedLoadVectorFlag above 0).
void S2BedLoadCouplings(int l);
void S3Solve();
// The twin's solve: with the water column (F 303 0) or the bed layer alone.
void S3SolveWithBed();
void S4Floor(int l);
// S5: the cap on the concentrations (SedimentScheme 1). bedBefore: the
// largest bed-cell value of the fraction before the solve.
void S5Cap(int l, double bedBefore);
// The largest bed-cell concentration (k = 2) of fraction l.
double largestBedValue(int l);
// S6: the bed-cell rule of fraction l over every open bed cell.
void S6BedCells(int l);

// The bed-cell rule of one cell, single-block grid: ain what the neighbours
// and the step's storage bring (m3/s), aout what draws on the cell, ap2 the
// cell's centre coefficient, E the supply of the active layer, ceq the
// equilibrium value.
double bedCellValue(double ain, double aout, double ap2, double E, double ceq);

// The bed source of one bed cell (m3/s) by F 303; false when the form
// adds none (F 303 3 and above).
struct BedCellState {
    double A;      // plan area
    double w;      // fall velocity
    double b;      // fraction of the size in the active layer
    double t;      // active-layer thickness
    double c0;     // bed reference concentration
    double c2;     // bed-cell concentration before the solve
    double dt;     // time step
    double C;      // volume fraction of sediment in the bed
    double s;      // the bed cell's centre coefficient without its time term
    int bedVer;    // F 304
};
bool bedSourceRate(int fracVer, const BedCellState& x, double& B);

// ---- End ------------------------------------------------------------------
// E1..E7; false when the restart files could not be written (the caller ends
// the run after the end steps).
bool EndSteps();

}  // namespace tsc
