// The turbulence steps of the 3-D flow solver: the k and epsilon equations
// assembled and solved in turn, either before the pressure correction (the
// early pass of models 0 and 1 with F 161 2) or after it (the main pass).
#include <cmath>

#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
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

// The second-order schemes use the 13-point stencil when its arrays exist.
bool thirteenPoint(int eq) { return (sou[eq] == 1 || sou[eq] == 3) && !aee.isNull(); }

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

// F 120 means no built-in wall law on any path; the alternative and the
// simple wall routines (F 228, F 15 1) are not part of the engine yet, so
// those choices add no wall terms.
void wallLaws() {
    if (FlagWallDLL >= 1 || FlagWallNew != 0 || FlagWallAll == 1) return;
    wallall();
}

[[noreturn]] void missing(const char* what) { failf(-8, "Error - %s missing in the turbulence step\n", what); }

// Mass of the cell over the time step. First order, also with F 208 1; the
// second-order source c (2 phi_old - phi_old2) with F 208 2 or more, on the
// serial path and in the early pass.
void timeTerm(const TurbulenceEquation& t, Pass pass) {
    if (TFStimeterm != 1 || !(TimeStep > 1e-8)) return;
    if (t.old->isNull()) missing("the values of the last time step");
    const bool serialRules = pass == Pass::Early || NoProcessesSolver == 0;
    const bool second = serialRules && FlagTimeOrder >= 2;
    if (second && t.old2->isNull()) missing("the values of the second-last time step");
    const FieldArray<double, 3>& old = *t.old;
    const FieldArray<double, 3>& old2 = *t.old2;
    forInterior([&](int i, int j, int k) {
        const double c = 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * 1000.0 / TimeStep;
        wap[i][j][k] += c;
        source[i][j][k] += second ? c * (2.0 * old[i][j][k] - old2[i][j][k]) : c * old[i][j][k];
    });
}

void underRelax(const TurbulenceEquation& t, bool p13) {
    const double r = t.relax;
    const FieldArray<double, 3>& phi = *t.phi;
    forInterior([&](int i, int j, int k) {
        double S = ae[i][j][k] + aw[i][j][k] + as[i][j][k] + an[i][j][k] + wab[i][j][k] + wat[i][j][k];
        if (p13) S = S + aee[i][j][k] + aww[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
        wap[i][j][k] = (wap[i][j][k] + S) / r;
        source[i][j][k] += (1.0 - r) * wap[i][j][k] * phi[i][j][k];
    });
}

// Blocked boxes tend to zero: 1e30 on the centre, the source unchanged.
void blockedBoxes() {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& b = OutBlock[n];
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j)
                for (int k = b.k1; k <= b.k2; ++k) wap[i][j][k] += 1e30;
    }
}

void blockCorrection(const TurbulenceEquation& t, Pass pass) {
    if (t.eq == 6 && sou[6] != 0 && sou[6] != 2) return;
    if (blockcorr[t.eq] == 1)
        BlockCorrection();
    else if (blockcorr[t.eq] == 4 && pass == Pass::Main && NoProcessesSolver > 0)
        BlockCorrectionOpenMP();
}

// max(phi, floor) over every element, boundary and ghost cells included; a
// value that is not a number becomes the floor.
void applyFloor(FieldArray<double, 3>& phi, double floor) {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k)
                if (!(phi[i][j][k] >= floor)) phi[i][j][k] = floor;
}

// Assembles and solves one equation.
void solveEquation(const TurbulenceEquation& t, Pass pass) {
    Equation = t.eq;
    GammaCalc();
    coefficients(t.eq);
    const bool p13 = thirteenPoint(t.eq);
    turbulence();
    wallLaws();
    timeTerm(t, pass);
    underRelax(t, p13);
    f = *t.phi;
    blockedBoxes();
    if (lcray == 'Y') forInterior([](int i, int j, int k) { iAp[i][j][k] = 1.0 / wap[i][j][k]; });
    Residual();
    blockCorrection(t, pass);
    for (int n = 0; n < sweeps[t.eq]; ++n) {
        if (p13)
            WaterGaussSOU();
        else if (lcray == 'Y')
            WaterGaussSeidel();
        else
            WaterTDMA();
    }
    if (t.eq == 6 || sou[5] > 0) applyFloor(*t.phi, t.floor);
    debugDump();
}

void turbulencePass(Pass pass) {
    solveEquation(kEquation(), pass);
    if (TurbulenceModel != 14) solveEquation(epsilonEquation(), pass);
    f = fStorage;
    if (pass == Pass::Early) Equation = 4;
}

}  // namespace

void turbulenceEarlyStep() { turbulencePass(Pass::Early); }

void turbulenceStep() {
    if (FlagFluxTurb == 1) flowSteps.waterflow();
    turbulencePass(Pass::Main);
}

// The temperature step comes with its own change.
void temperatureStep() {}
