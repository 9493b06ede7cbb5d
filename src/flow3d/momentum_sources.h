// Optional terms of the momentum equations: the switched sources of the
// equation being built (stress model, sediment buoyancy, volume-source drag,
// free-surface gravity, wind, Coriolis, thin-water damping, free-surface
// force, laminar bed term, supercritical friction) and the roughness-layer
// treatments of F 189.
//
// Every term is a kernel over the interior i-planes first..last (j
// 2..ynumber, k 2..znumber) that reads `Equation` (1 u, 2 v, 3 w) for the
// component and writes only cells of its own planes: the whole-grid call
// passes 2..xnumber, a threaded step calls the same kernels once per i-block,
// and the blocks of a partition of 2..xnumber give the whole-grid result bit
// for bit.
#pragma once

// The points of the momentum step at which optional terms enter, in the
// order of the step.
enum class MomentumStage {
    Coefficients,      // once per inner iteration, after the coefficients (F 189 6, 7)
    AfterPressure,     // after the pressure gradient (stress-model source)
    AfterTimeTerm,     // after the time term (buoyancy .. thin-water damping)
    BeforeRelaxation,  // after porous bed and vegetation (free-surface force,
                       // F 189 10..13, laminar bed term, supercritical friction)
    AfterRelaxation,   // after the under-relaxation (F 189 5, 8)
    AfterCoupling,     // after invAP, invFlow, invAPC (F 189 4)
    AfterSolve,        // after the solver sweeps (F 189 1, 2, 3)
};

// Adds every switched-on term of `stage`, in the step's order, over the
// i-planes first..last.
void momentumSources(MomentumStage stage, int first, int last);

// The terms one by one, each as momentumSources runs it when its switch is
// on (the switch itself is tested by momentumSources, not here).
void stressModelSource(int first, int last);        // Rstress[Equation + 9]; a slot not allocated adds 0
void sedimentBuoyancy(int first, int last);         // w: suspended sediment (F 18, F 11)
void volumeSourceDrag(int first, int last);         // G 10, G 11 boxes
void surfaceGravity(int first, int last);           // w: weight of the water (F 36 1 or 3)
void windShear(int first, int last);                // u, v: top cells (F 52, F 73, `timei` wind)
void coriolisForce(int first, int last);            // u, v: F 51
void thinWaterDamping(int first, int last);         // F 151: friction where the target bed fills the column
void surfaceForceSource(int first, int last);       // w: top-cell continuity source spread down the column
void laminarBedTerm(int first, int last);           // molecular bed friction of models 8 and 9
void supercriticalFriction(int first, int last);    // u, v: F 146
void roughnessLayer(int value, int first, int last);  // F 189 `value` at its own point of the step

// Wind speed W (m/s) and wind factor F of the component (u: the first,
// v: the second factor) at the present simulated time: F 52 without a
// `timei` series, else the series interpolated between its rows, the last
// row held beyond it.
struct WindNow {
    double speed, factor;
};
WindNow windNow(int equation);
// The wind drag law of F 73 at speed W: the drag D of the top-cell force
// F 0.0012 D A.
double windDrag(int law, double W);
