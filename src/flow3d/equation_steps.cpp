// The turbulence steps of the 3-D flow solver: the k and epsilon equations
// assembled and solved in turn, either before the pressure correction (the
// early pass of models 0 and 1 with F 161 2) or after it (the main pass).
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/solve.h"
#include "grid/geometry.h"
#include "equations/workspace.h"
#include "flow3d/dispatchers.h"
#include "flow3d/flow3d.h"
#include "flow3d/porous.h"
#include "flow3d/regions.h"
#include "turbulence/turbulence.h"

namespace {

template <class Fn>
void forInterior(Fn&& fn) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

// One of the two turbulence equations.
struct TurbulenceEquation {
    int eq;  // 5 k, 6 epsilon
    FieldArray<double, 3>* phi;
    FieldArray<double, 3>* old;
    FieldArray<double, 3>* old2;
    double relax;
    double floor;  // lower bound after the sweeps
};

TurbulenceEquation kEquation() { return {5, &kinen, &kinen_old, &kinen_old2, relaxK, 1e-12}; }
TurbulenceEquation epsilonEquation() { return {6, &epsilon, &epsilon_old, &epsilon_old2, relaxEpsilon, 1e-14}; }

enum class Pass { Early, Main };

void coefficients(int eq) {
    switch (sou[eq]) {
    case 1:
        aee.isNull() ? coeffe_flow() : coeffe_SOU();
        break;
    case 2:
        coeffe_central();
        break;
    case 3:
        aee.isNull() ? coeffe_flow() : coeffe_quick();
        break;
    default:
        coeffe_flow();
    }
}

[[noreturn]] void missing(const char* what) { failf(-8, "Error - %s missing in the turbulence step\n", what); }

// The interior cells: a plane kernel on the thread team in the main pass,
// a loop on this thread in the early pass (the same values either way).
template <class Fn>
void forInteriorIn(Pass pass, Fn&& fn) {
    if (pass == Pass::Main)
        flowpar::interiorKernel(fn);
    else
        forInterior(fn);
}

// Mass of the cell over the time step. First order, also with F 208 1; the
// second-order source c (2 phi_old - phi_old2) with F 208 2 or more, with
// threads as without.
void timeTerm(const TurbulenceEquation& t, Pass pass) {
    if (TFStimeterm != 1 || !transientRun()) return;
    if (t.old->isNull()) missing("the values of the last time step");
    const bool second = FlagTimeOrder >= 2;
    if (second && t.old2->isNull()) missing("the values of the second-last time step");
    const FieldArray<double, 3>& old = *t.old;
    const FieldArray<double, 3>& old2 = *t.old2;
    forInteriorIn(pass, [&](int i, int j, int k) {
        const double c = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][k]) * kWaterDensity / TimeStep;
        wap[i][j][k] += c;
        source[i][j][k] += second ? c * (2.0 * old[i][j][k] - old2[i][j][k]) : c * old[i][j][k];
    });
}

// A plane kernel, but for epsilon in the early pass.
void underRelax(const TurbulenceEquation& t, bool p13, Pass pass) {
    const double r = t.relax;
    const FieldArray<double, 3>& phi = *t.phi;
    forInteriorIn(pass == Pass::Early && t.eq == 5 ? Pass::Main : pass, [&](int i, int j, int k) {
        double S = ae[i][j][k] + aw[i][j][k] + as[i][j][k] + an[i][j][k] + wab[i][j][k] + wat[i][j][k];
        if (p13) S = S + aee[i][j][k] + aww[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
        wap[i][j][k] = (wap[i][j][k] + S) / r;
        source[i][j][k] += (1.0 - r) * wap[i][j][k] * phi[i][j][k];
    });
}

// The turbulence sources: per block on the team in the main pass when G 50
// entry 5 lets it, else the whole-grid routine.
void turbulenceSources(Pass pass) {
    if (pass == Pass::Main && flowpar::threaded(flowpar::kTurbulenceSources))
        flowpar::dispatchBlocks("turbulenceOpenMP", turbulenceOpenMP);
    else
        turbulence();
}

// A wall-clock stamp of the main pass: the k slot, or for epsilon its own
// slot (0: none).
void mark(Pass pass, int eq, int kSlot, int epsilonSlot) {
    if (pass != Pass::Main) return;
    const int slot = eq == 5 ? kSlot : epsilonSlot;
    if (slot > 0) flowpar::stamp(slot);
}

// Blocked boxes pinned, residual, the block correction once (no team of its
// own in the early pass), the sweeps; then the floor of epsilon, and of k
// under a scheme other than the power law (max(phi, floor) over every
// element, boundary and ghost cells included; a value that is not a number
// becomes the floor).
void solve(const TurbulenceEquation& t, Pass pass) {
    SolvePlan plan =
        gridSolve(t.eq, CorrectionAt::BeforeSweeps, pass == Pass::Main ? Threads::Team : Threads::MainThread);
    plan.pinBlockedBoxes = true;
    if (t.eq == 6 || sou[5] > 0) plan.floor = t.floor;
    if (pass == Pass::Main) {
        plan.mark = flowpar::stamp;
        plan.marks = t.eq == 5 ? SolveMarks{25, 26, 27, 28} : SolveMarks{0, 29, 30, 31};
    }
    solveWorkspace(*t.phi, plan);
}

// Assembles and solves one equation.
void solveEquation(const TurbulenceEquation& t, Pass pass) {
    Equation = t.eq;
    GammaCalc();
    mark(pass, t.eq, 20, 0);
    if (pass == Pass::Main)
        convectionCoefficients(sou[t.eq]);
    else
        coefficients(t.eq);
    mark(pass, t.eq, 21, 0);
    const bool p13 = stencilOf(t.eq) == Stencil::Thirteen;
    turbulenceSources(pass);
    mark(pass, t.eq, 22, 0);
    if (pass == Pass::Main)
        wallLawStep();
    else
        wallLawsSerial();
    mark(pass, t.eq, 23, 0);
    timeTerm(t, pass);
    porousAndVegetationTerms();
    mark(pass, t.eq, 24, 0);
    underRelax(t, p13, pass);
    solve(t, pass);
    debugDump();
}

void turbulencePass(Pass pass) {
    solveEquation(kEquation(), pass);
    if (turbulenceModel().transport.equations == 2) solveEquation(epsilonEquation(), pass);
    f = fStorage;
    if (pass == Pass::Early) Equation = 4;
}

}  // namespace

void turbulenceEarlyStep() { turbulencePass(Pass::Early); }

void turbulenceStep() {
    flowpar::stamp(18);
    if (FlagFluxTurb == 1) flowSteps.waterflow();
    flowpar::stamp(19);
    turbulencePass(Pass::Main);
}

// Water temperature of a transient run: coefficients of the power law with
// the viscosity of the equation the turbulence step left (Equation 6, 5 or
// 4), the inflow plane from the time series, the time term, two line sweeps.
// Temperature has no relaxation, residual or floor and takes no part in the
// convergence and divergence tests.
void temperatureStep() {
    GammaCalc();
    coeffe_flow();
    Equation = 8;
    if (TimeInNo < 1 || Tempinn.isNull() || TimeInTime.isNull()) missing("the time series of the temperature");
    if (temp.isNull() || temp_old.isNull()) missing("the temperature field");
    int n = 0;
    while (n < TimeInNo && TimeInTime[n] < stime) ++n;
    if (n == TimeInNo) n = TimeInNo - 1;
    const double entering = Tempinn[n];
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) temp[1][j][k] = entering;
    forInterior([](int i, int j, int k) {
        const double c = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][k]) * kWaterDensity / TimeStep;
        wap[i][j][k] = ae[i][j][k] + aw[i][j][k] + as[i][j][k] + an[i][j][k] + wab[i][j][k] + wat[i][j][k] + c;
        source[i][j][k] = c * temp_old[i][j][k];
    });
    SolvePlan plan;
    plan.sweep = WaterTDMA;
    plan.sweeps = 2;
    solveWorkspace(temp, plan);
    f = fStorage;
}
