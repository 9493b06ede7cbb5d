#include "flow3d/dispatchers.h"

#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "equations/state.h"
#include "equations/workspace.h"
#include "flow3d/regions.h"
#include "turbulence/stress_models.h"
#include "turbulence/turbulence.h"

namespace {

using Generator = void (*)();
using BlockGenerator = void (*)(int, int);

struct Scheme {
    Generator whole;
    BlockGenerator perBlock;
};

Scheme schemeOf(int code) {
    const bool second = !aee.isNull();
    if (code == 1 && second) return {coeffe_SOU, coeffe_SOUOpenMP};
    if (code == 2) return {coeffe_central, coeffe_centralOpenMP};
    if (code == 3 && second) return {coeffe_quick, coeffe_quickOpenMP};
    return {coeffe_flow, coeffe_flowOpenMP};
}

}  // namespace

void convectionCoefficients(int scheme) {
    const Scheme s = schemeOf(scheme);
    if (!flowpar::threaded(flowpar::kCoefficients)) {
        s.whole();
        return;
    }
    flowpar::dispatchBlocks("the coefficient dispatcher", [g = s.perBlock](int first, int last) { g(first, last); });
}

void wallLawsSerial() {
    if (FlagWallDLL >= 1) return;
    if (FlagWallNew != 0)
        wallnew(2, xnumber);
    else if (FlagWallAll == 1)
        wall();
    else
        wallall();
}

void wallLawStep() {
    if (FlagWallDLL >= 1) return;
    // The simple routine covers the whole grid: once, on the main thread.
    const bool wholeGrid = FlagWallNew == 0 && FlagWallAll == 1;
    if (wholeGrid || !flowpar::threaded(flowpar::kWallLaws)) {
        wallLawsSerial();
        return;
    }
    // Every block would store the same value: the main thread stores it.
    if (FlagWallNew != 0) {
        sqcmyrho = wdensity * std::sqrt(cmy);
        flowpar::dispatchBlocks("wallnew", wallnew);
    } else {
        sqcmyrho = kWaterDensity * std::sqrt(cmy);
        flowpar::dispatchBlocks("wallallOpenMP", wallallOpenMP);
    }
}

void explicitStressStep() {
    if (FlagReynoldsStress <= 9) return;
    if (!flowpar::threadsOn()) {
        computeStressVrem(2, xnumber);
        return;
    }
    flowpar::dispatchBlocks("computeStressVrem", computeStressVrem);
}

void reynoldsStressStep() {
    if (FlagReynoldsStress < 1 || FlagReynoldsStress > 9) return;
    if (!flowpar::threadsOn()) {
        ReynoldsStress(2, xnumber);
        return;
    }
    flowpar::dispatchBlocks("ReynoldsStress", ReynoldsStress);
}
