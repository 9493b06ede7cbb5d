// The momentum step of the 3-D flow solver: u, v and w assembled on one set
// of convection-diffusion coefficients and solved in turn.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "control/state.h"
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
#include "flow3d/momentum_sources.h"
#include "flow3d/porous.h"
#include "flow3d/regions.h"
#include "turbulence/turbulence.h"

namespace {

struct Component {
    FieldArray<double, 3>* phi;
    FieldArray<double, 3>* old;
    FieldArray<double, 3>* old2;
};

Component component(int eq) {
    if (eq == 1) return {&xvel, &xvel_old, &xvel_old2};
    if (eq == 2) return {&yvel, &yvel_old, &yvel_old2};
    return {&zvel, &zvel_old, &zvel_old2};
}

template <class Fn>
void forInterior(Fn&& fn) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

// The generator of sou[1], whole-grid or per block (threaded form).
void coefficients() { convectionCoefficients(sou[1]); }

void clearEquation() {
    std::fill(wap.data(), wap.data() + wap.size(), 0.0);
    std::fill(source.data(), source.data() + source.size(), 0.0);
}

// F 120 means no built-in wall routine on every path. The wall routine runs
// whole-grid or per block.
void wallLaws() { wallLawStep(); }

[[noreturn]] void missing(const char* what) {
    failf(-8, "Error - %s missing in the momentum step\n", what);
}

// Mass of the cell over the time step: first order, or with F 208 the
// second-order source c (2 phi_old - phi_old2), with threads as without.
// A plane kernel.
void timeTerm(const Component& c) {
    if (TFStimeterm != 1 || !transientRun()) return;
    if (c.old->isNull()) missing("the velocities of the last time step");
    const bool second = FlagTimeOrder != 0;
    if (second && c.old2->isNull()) missing("the velocities of the second-last time step");
    const FieldArray<double, 3>& old = *c.old;
    const FieldArray<double, 3>& old2 = *c.old2;
    flowpar::interiorKernel([&](int i, int j, int k) {
        const double m = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][k]) * kWaterDensity / TimeStep;
        wap[i][j][k] += m;
        source[i][j][k] += second ? m * (2.0 * old[i][j][k] - old2[i][j][k]) : m * old[i][j][k];
    });
}

double neighbourSum(int i, int j, int k, bool p13) {
    double S = an[i][j][k] + as[i][j][k] + ae[i][j][k] + aw[i][j][k] + wat[i][j][k] + wab[i][j][k];
    if (p13)
        S = S + aww[i][j][k] + aee[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
    return S;
}

// A plane kernel.
void underRelax(const FieldArray<double, 3>& phi, bool p13) {
    const double r = relaxVelocity;
    flowpar::interiorKernel([&](int i, int j, int k) {
        const double S = neighbourSum(i, j, k, p13) + wap[i][j][k];
        wap[i][j][k] = S / r;
        source[i][j][k] += (1.0 - r) * phi[i][j][k] * wap[i][j][k];
    });
}

// invAP, and for u invFlow and invAPC. False when u has a zero centre
// coefficient (the step then ends).
bool couplingCoefficients(int eq, bool p13) {
    if (sou[1] == 2) {
        forInterior([](int i, int j, int k) {
            const double conductance =
                (m_ar_x[i][j][k] / m_dist_x[i][j][k] + m_ar_y[i][j][k] / m_dist_y[i][j][k] +
                 m_armap[i][j] / m_dist_z[i][j][k]) *
                gama[i][j][k];
            wap[i][j][k] = std::max(wap[i][j][k], conductance);
            invAP[i][j][k] = 1.0 / wap[i][j][k];
        });
    } else if (eq == 1) {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) {
                    if (wap[i][j][k] < 1e-30) {
                        Log log;
                        char line[120];
                        std::snprintf(line, sizeof line, "Error, wap(%d,%d,%d) = %e\n", i, j, k, wap[i][j][k]);
                        log.write(line);
                        log.write("This error may be avoided by the use of F 7 E in the control file\n");
                        setMessage(line);
                        noteNumericalFailure();
                        return false;
                    }
                    invAP[i][j][k] = 1.0 / wap[i][j][k];
                }
    }
    if (eq != 1) return true;
    if (RelaxRhieChow < 0) {
        if (invFlow.isNull()) missing("invFlow");
        forInterior([](int i, int j, int k) {
            invFlow[i][j][k] = 2.0 / (std::fabs(flow1[i - 1][j][k]) + std::fabs(flow1[i][j][k]) +
                                      std::fabs(flow2[i][j - 1][k]) + std::fabs(flow2[i][j][k]) +
                                      std::fabs(flow3[i][j][k - 1]) + std::fabs(flow3[i][j][k]) + 1e-20);
        });
    }
    if (simple != 'Y') {
        if (invAPC.isNull()) missing("invAPC");
        // A cell whose a_P does not exceed the sum of its neighbours' would get
        // an infinite or negative coefficient: it falls back to 1/a_P.
        long fallbacks = 0;
        forInterior([&](int i, int j, int k) {
            double S = ae[i][j][k] + aw[i][j][k] + an[i][j][k] + as[i][j][k] + wat[i][j][k] + wab[i][j][k];
            if (p13) S = S + aee[i][j][k] + ann[i][j][k] + ass[i][j][k] + aww[i][j][k] + att[i][j][k] + abb[i][j][k];
            const double excess = wap[i][j][k] - S;
            if (excess > 0.0) {
                invAPC[i][j][k] = 1.0 / excess;
            } else {
                invAPC[i][j][k] = invAP[i][j][k];
                ++fallbacks;
            }
        });
        if (fallbacks > 0) logf("Warning, SIMPLEC: %ld cells with a_P - sum a_nb <= 0 use 1/a_P\n", fallbacks);
    }
    return true;
}

// The velocities of the blocked boxes, which the solve drove towards 0.
void zeroBlockedCells(FieldArray<double, 3>& phi) {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j)
                for (int k = b.k1; k <= b.k2; ++k) phi[i][j][k] = 0.0;
    }
}

// Blocked boxes pinned, residual, the block correction once, the sweeps.
void solve(FieldArray<double, 3>& phi, int eq) {
    SolvePlan plan = gridSolve(eq, CorrectionAt::BeforeSweeps, Threads::Team);
    plan.pinBlockedBoxes = true;
    plan.mark = flowpar::stamp;
    plan.marks = {.beforeResidual = 6, .afterResidual = 7, .beforeSweeps = 8, .afterSweeps = 9};
    solveWorkspace(phi, plan);
}

}  // namespace

void momentumStep() {
    Equation = 1;
    GammaCalc();
    coefficients();
    const bool p13 = stencilOf(1) == Stencil::Thirteen;
    momentumSources(MomentumStage::Coefficients, 2, xnumber);
    explicitStressStep();

    for (int eq = 1; eq <= 3; ++eq) {
        Equation = eq;
        const Component c = component(eq);
        FieldArray<double, 3>& phi = *c.phi;
        flowpar::stamp(1);
        clearEquation();
        if (StressFlag == 1) StressOrt();
        reynoldsStressStep();
        flowpar::stamp(2);
        wallLaws();
        flowpar::stamp(3);
        pressure_source();
        momentumSources(MomentumStage::AfterPressure, 2, xnumber);
        flowpar::stamp(4);
        timeTerm(c);
        momentumSources(MomentumStage::AfterTimeTerm, 2, xnumber);
        porousAndVegetationTerms();
        momentumSources(MomentumStage::BeforeRelaxation, 2, xnumber);
        flowpar::stamp(5);
        underRelax(phi, p13);
        momentumSources(MomentumStage::AfterRelaxation, 2, xnumber);
        if (!couplingCoefficients(eq, p13)) return;
        momentumSources(MomentumStage::AfterCoupling, 2, xnumber);

        solve(phi, eq);
        momentumSources(MomentumStage::AfterSolve, 2, xnumber);
        zeroBlockedCells(phi);
        debugDump();
    }
}
