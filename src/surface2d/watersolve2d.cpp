// The driver of the depth-averaged flow model: outer passes (iterations of a
// steady run, time steps of a transient one) of inner SIMPLE iterations over
// u, v, the pressure correction and k, epsilon, all in the k = 0 plane, with
// the stop tests, log lines and surface updates; after every pass the 3-D
// field and the bed shear are rebuilt from the plane (rebuild3d.cpp).
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/log.h"
#include "equations/solve.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "grid/geometry.h"
#include "surface2d/surface2d.h"

namespace {

template <typename Fn>
void forInterior(Fn fn) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) fn(i, j);
}
template <typename Fn>
void forPlaneWithGhosts(Fn fn) {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) fn(i, j);
}

void passPrintFlag() {
    const double it = static_cast<double>(Iter);
    const bool logged = debugging == 'D' || Iter <= 9 || Iter == iterGlobalMax ||
                        (Iter <= 99 && isMultiple(it, 10.0)) || isMultiple(it, 100.0);
    FlagPrint = logged ? 0 : 1;
}

void keepTimeLevels() {
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            xvel_old[i][j][0] = xvel[i][j][0];
            yvel_old[i][j][0] = yvel[i][j][0];
            kinen_old[i][j][0] = kinen[i][j][0];
            epsilon_old[i][j][0] = epsilon[i][j][0];
        }
}

// The water mass of column (i, j) over the time step.
double timeTerm(int i, int j) {
    return geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][0]) * kWaterDensity / TimeStep;
}

void addTimeTerm(const FieldHandle3& old) {
    forInterior([&](int i, int j) {
        const double T = timeTerm(i, j);
        wap[i][j][0] += T;
        source[i][j][0] += T * old[i][j][0];
    });
}

// Friction of thin water where the bed-change code wants the bed above the
// grid's bed: the mean of the four corner levels 0 against those of level 1.
void thinWaterFriction(const FieldHandle3& phi, const FieldHandle3& old) {
    forInterior([&](int i, int j) {
        const double z0 = 0.25 * (zval[i - 1][j - 1][0] + zval[i][j - 1][0] + zval[i - 1][j][0] + zval[i][j][0]);
        const double z1 = 0.25 * (zval[i - 1][j - 1][1] + zval[i][j - 1][1] + zval[i - 1][j][1] + zval[i][j][1]);
        if (z0 <= z1 + 1e-6) return;
        const double dz = m_dist_z[i][j][0];
        const double r = std::min(1.0, (z0 - z1) / (2.0 * dz));
        wap[i][j][0] += geometry::cellVolume(m_armap[i][j], dz) * 45300.0 *
                        (0.5 * std::fabs(old[i][j][0] + phi[i][j][0]) + 0.001) / Xks[i][j] * std::pow(r, 5);
    });
}

// Gravity of the surface slope for the transient surface, with the square of
// component c of the top normal (its sign comes with the rises dz1, dz2).
void surfaceSlopeGravity(int c) {
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber - 1; ++j) {
            const double n = m_vec_z[i][j][znumber][c];
            source[i][j][0] -= 9810.0 * m_armap[i][j] * (dz1[i][j][znumber] + dz2[i][j][znumber]) * n * n;
        }
}

void relax(const FieldHandle3& phi, double factor) {
    forInterior([&](int i, int j) {
        wap[i][j][0] = (wap[i][j][0] + ae[i][j][0] + aw[i][j][0] + an[i][j][0] + as[i][j][0]) / factor;
        source[i][j][0] += (1.0 - factor) * wap[i][j][0] * phi[i][j][0];
    });
}

// The Rhie-Chow weights of the u equation; false at the first cell whose
// centre coefficient is (nearly) zero, reported in the log.
bool momentumWeights() {
    const bool withAPC = simple != 'Y' && (sou[1] == 0 || sou[1] == 2) && !invAPC.isNull();
    long fallbacks = 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double a = wap[i][j][0];
            if (a < 1e-30) {
                Log log;
                char text[100];
                std::snprintf(text, sizeof text, "Error, wap(%d,%d) = %e\n", i, j, a);
                log.write(text);
                log.write("This error may be avoided by the use of F 7 E in the control file\n");
                log.close();
                setMessage(text);
                noteNumericalFailure();
                return false;
            }
            invAP[i][j][0] = 1.0 / a;
            if (RelaxRhieChow < 0)
                invFlow[i][j][0] = 2.0 / (std::fabs(flow1[i - 1][j][0]) + std::fabs(flow1[i][j][0]) +
                                          std::fabs(flow2[i][j - 1][0]) + std::fabs(flow2[i][j][0]) + 1e-20);
            if (withAPC) {
                // 1/a_P where a_P does not exceed the sum of the neighbours'
                const double excess = a - (ae[i][j][0] + aw[i][j][0] + an[i][j][0] + as[i][j][0]);
                invAPC[i][j][0] = excess > 0.0 ? 1.0 / excess : invAP[i][j][0];
                if (excess <= 0.0) ++fallbacks;
            }
        }
    if (fallbacks > 0) logf("Warning, SIMPLEC: %ld cells with a_P - sum a_nb <= 0 use 1/a_P\n", fallbacks);
    return true;
}

// The solve of an equation of the plane: iAp = 1/wap, Residual2D, the block
// correction when blockcorr[eq] is 1 (once before the sweeps or before every
// sweep, as `at` says), sweeps[eq] Gauss-Seidel calls.
SolvePlan planeSolve(int eq, CorrectionAt at) {
    SolvePlan plan;
    plan.cells = Cells::Plane;
    plan.inverseCentre = true;
    plan.residual = Residual2D;
    if (blockcorr[eq] == 1) plan.correction = BlockCorrection2D;
    plan.correctionAt = at;
    plan.sweep = WaterGaussSeidel2D;
    plan.sweeps = sweeps[eq];
    return plan;
}

// The velocities inside the box, when exactly one box is blocked.
void zeroSingleBox(FieldHandle3& phi) {
    if (OutBlockNo != 1) return;
    const OutBlockRecord& b = OutBlock[1];
    for (int i = b.i1; i <= b.i2; ++i)
        for (int j = b.j1; j <= b.j2; ++j) phi[i][j][0] = 0.0;
}

// Returns false when the u equation has a zero centre coefficient.
bool momentum() {
    Equation = 1;
    GammaCalc2D();
    coeffe_flow2D();
    for (int eq = 1; eq <= 2; ++eq) {
        Equation = eq;
        FieldHandle3& phi = eq == 1 ? xvel : yvel;
        const FieldHandle3& old = eq == 1 ? xvel_old : yvel_old;
        forPlaneWithGhosts([](int i, int j) { wap[i][j][0] = source[i][j][0] = 0.0; });
        wallall2D();
        pressure_source2D();
        if (transientRun()) addTimeTerm(old);
        // A steady continuation has no earlier time level: the present value stands for it.
        if (FlagTSC > 0 && (FlagTSCMinDepth == 1 || FlagTSCMinDepth == 2))
            thinWaterFriction(phi, old.isNull() ? phi : old);
        if (FlagTFS == 1 && SourDens > 0.001) surfaceSlopeGravity(eq - 1);
        relax(phi, relaxVelocity);
        if (eq == 1 && !momentumWeights()) return false;
        SolvePlan plan = planeSolve(eq, CorrectionAt::BeforeSweeps);
        plan.pinBlockedBoxes = true;
        solveWorkspace(phi, plan);
        zeroSingleBox(phi);
        debugDump2D();
    }
    return true;
}

void pressureCorrection(FieldHandle3& pc) {
    f = pc;
    Equation = 4;
    waterflow2D();
    if (FlagTFS == 1) return;
    pressure_correction2D();
    forInterior([](int i, int j) { wap[i][j][0] = ae[i][j][0] + aw[i][j][0] + an[i][j][0] + as[i][j][0]; });
    SolvePlan plan = planeSolve(4, CorrectionAt::EverySweep);
    plan.start = Start::Zero;
    solveWorkspace(pc, plan);
    SimpleCorrections2D();
    double sum = 0.0, largest = 0.0;
    forInterior([&](int i, int j) {
        const double s = source[i][j][0];
        sum += s;
        if (std::fabs(s) > largest) {
            largest = std::fabs(s);
            DefMaxCell = CellIndex{i, j, 0};
        }
    });
    Cont = sum;
    DefMax = largest;
}

void turbulenceEquation(int eq, FieldHandle3& phi, const FieldHandle3& old, double relaxation) {
    Equation = eq;
    GammaCalc2D();
    coeffe_flow2D();
    turbulence2D();
    wallall2D();
    if (transientRun()) addTimeTerm(old);
    relax(phi, relaxation);
    SolvePlan plan = planeSolve(eq, CorrectionAt::EverySweep);
    plan.pinBlockedBoxes = true;
    if (eq == 6)
        plan.floor = 1e-14;
    else if (sou[5] > 0)
        plan.floor = 1e-12;
    solveWorkspace(phi, plan);
    debugDump2D();
}

void moveGrid() {
    FlagGridChange = 0;
    flowSteps.metric();
    flowSteps.smetric();
    boundary2D();
    waterflow2D();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) {
                Xc[i][j][k] = xval[i][j];
                Yc[i][j][k] = yval[i][j];
            }
}

void statusMessage(const LargestResidual& r) {
    char text[100];
    std::snprintf(text, sizeof text, "%ld ResMax: %8.2e for eq: %d", Iter, r.value, r.equation);
    setMessage(text);
}

void diverged() {
    Log log;
    log.write("Solution diverged\n");
    log.close();
    setMessage("Solution diverged  ");
    noteNumericalFailure();
    gFlagFlow = 0;
}

enum class InnerEnd { Next, EndPass, Return };

InnerEnd innerIteration(int n, FieldHandle3& pc, LargestResidual& res) {
    InnerIteration = n;
    setProgram(" MB-Flow             ");
    if (FlagGridChange == 1) moveGrid();
    if (!(n == 1 && Iter == 1)) boundary2D();
    if (!momentum()) return InnerEnd::Return;
    pressureCorrection(pc);
    if (SpecEnergy > 0) specificEnergy2D();
    debugDump2D();
    if (turbulenceModel().plane.turbulence != PlaneTurbulence::None) {
        turbulenceEquation(5, kinen, kinen_old, relaxK);
        turbulenceEquation(6, epsilon, epsilon_old, relaxEpsilon);
    }
    f = pc;
    res = largestResidual();
    if (res.value > 1e10) {
        diverged();
        return InnerEnd::Return;
    }
    statusMessage(res);
    if (transientRun() && res.value < TimeBreakLimit) return InnerEnd::EndPass;
    return InnerEnd::Next;
}

void passLines(Log& log) {
    log.printf("Iter: %ld, Resid: %8.2e %8.2e %8.2e %8.2e %8.2e %8.2e\n", Iter, MaxResidual[1], MaxResidual[2],
               MaxResidual[3], MaxResidual[4], MaxResidual[5], MaxResidual[6]);
    const CellIndex c = DefMaxCell;
    log.printf("Cont: %8.2e, DefMax: %8.2e, U,V(%d,%d,): %8.2e %8.2e\n", Cont, DefMax, c.i, c.j, xvel[c.i][c.j][0],
               yvel[c.i][c.j][0]);
}

void continuityFailure(Log& log) {
    double in = 0.0, out = 0.0, low = 0.0, high = 0.0;
    for (int j = 2; j <= ynumber; ++j) {
        in += flow1[1][j][0];
        out += flow1[xnumber][j][0];
    }
    for (int i = 2; i <= xnumber; ++i) {
        low += flow2[i][1][0];
        high += flow2[i][ynumber][0];
    }
    log.printf("Error in continuity: Fluxes: %lf %lf %lf %lf\n", in, out, low, high);
    setMessage("Error in continuity  ");
    gFlagFlow = 0;
    noteNumericalFailure();
    log.close();
}

}  // namespace

void WaterSolve2D() {
    deriveSolverConstants();
    FieldHandle3 pc = f;
    if (transientRun() && (xvel_old.isNull() || yvel_old.isNull() || kinen_old.isNull() || epsilon_old.isNull()))
        failf(-8, "Error, WaterSolve2D: transient run without the arrays of the previous time step\n");
    flowSteps.startup();
    if (FlagInitialized == 0) {
        boundary2D();
        waterflow2D();
    }
    FlagInitialized = 1;
    // Residuals of equations this driver does not solve may hold what an
    // earlier solver of the process left.
    MaxResidual[3] = 0.0;
    if (turbulenceModel().plane.turbulence == PlaneTurbulence::None) MaxResidual[5] = MaxResidual[6] = 0.0;
    Cont = DefMax = 0.0;
    DefMaxCell = CellIndex{1, 1, 0};
    const bool ownRun = FlagTSC == 0;
    if (TimePrintNo > 0 && ownRun) flowSteps.timeoStart();
    if (ownRun) {
        Iter = 1;
        if (transientRun()) stime = 0.0;
    } else if (FlagTSC < 0) {
        Iter = 1;
    }

    LargestResidual res;
    while (Iter <= iterGlobalMax) {
        ++PrintResIter;
        if (ownRun) passPrintFlag();
        if (transientRun()) keepTimeLevels();
        if (TimePrintNo > 0 && ownRun && isMultiple(static_cast<double>(Iter), PrintIterTime)) timeoLine2D();

        // A pass without inner iterations forms no residual: it neither
        // converges nor moves the surface.
        bool formed = false;
        for (int n = 1; n <= TransInnerIter; ++n) {
            const InnerEnd end = innerIteration(n, pc, res);
            if (end == InnerEnd::Return) return;
            formed = true;
            if (end == InnerEnd::EndPass) break;
        }

        Log log;
        if (FlagPrint == 0) passLines(log);
        std::snprintf(mc_v2, sizeof mc_v2, "zvel[2][2][0]: %8.2e", zvel[2][2][0]);
        statusMessage(res);
        if (FlagTFS > 0 && isMultiple(static_cast<double>(PrintResIter), 100.0)) {
            std::fflush(log.file());
            flowSteps.sprintflow();
            writekoor();
        }
        if (formed && res.value < ConvergenceCriteria && steadyRun()) {
            log.write("Solution converged\n");
            setMessage("Solution converged  ");
            log.close();
            gFlagFlow = 0;
            flowSteps.sprintflow();
            return;
        }
        if (FlagTFS != 1 && std::fabs(Cont) / NormResidual[4] > 1e-6) {
            continuityFailure(log);
            return;
        }
        log.close();
        if (formed && isMultiple(static_cast<double>(Iter), static_cast<double>(IterSurface)) &&
            res.value < ConvSurface && FlagTFS == 0 && FlagRoof == 1)
            flowSteps.surface();
        bedShearFromModel2D();
        if (formed && res.value < 10000) {
            if (FlagTFS == 1) {
                forcelog2D();
                surface_tfs2D();
            } else if (FlagTFS == 2 && FlagRoof == 1) {
                flowSteps.surface();
            }
        }
        rebuild3D();
        ++Iter;
    }
    if (ownRun) flowSteps.sprintflow();
    gFlagFlow = 0;
}
