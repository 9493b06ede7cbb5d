// The fixture of the transient morphology drivers in process: the sediment
// channel with a movable bed, the flow solver, bed-level update and result
// writers replaced by doubles that count their calls.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control/control.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

namespace tsctest {

using quird_test::exitCodeOf;

struct Calls {
    int waterSolve = 0, bedchange = 0, sprintflow = 0, writespider = 0, coefficients = 0;
};
inline Calls calls;
// Run by the sprintflow double before it counts (the per-step checks).
inline std::function<void()> onResult;
// Set by the flow double: fail at this pass (1-based), 0 never.
inline int failAtPass = 0;

class TscDriver : public sedtest::SedimentTest {
protected:
    void SetUp() override {
        SedimentTest::SetUp();
        calls = {};
        onResult = nullptr;
        failAtPass = 0;
    }
    void TearDown() override { onResult = nullptr; }
    // A fresh start inside a test: a new working folder, the engine reset.
    void fresh() {
        dir_.reset();
        SetUp();
    }

    // The straight channel (8 x 4 x 6 cells of 1 m x 0.5 m x 0.1 m, flow U
    // along x) with `fractions` sizes, a movable bed 0.5 m deep, the bed of
    // each size in equal parts, the flow solver, bed-level update and result
    // writers replaced by counting doubles.
    // With `blocks` the channel with the solid box and the blocked column.
    static void channel(int fractions = 1, int scheme = 0, bool blocks = false) {
        lnumber = fractions;
        FlagTSC = 1;
        SedimentScheme = scheme;
        if (blocks)
            channelWithBlocks(0.5);
        else
            straightChannel(0.5);
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) Surfaces[3][i][j] = zval[i][j][0] - 0.5;
        for (int l = 1; l <= lnumber; ++l) {
            gsize[l] = 0.001;
            fallvelo[l] = 0.01;
            for (int i = 0; i <= xnumber + 1; ++i)
                for (int j = 0; j <= ynumber + 1; ++j) bedgrain[l][i][j] = 1.0 / lnumber;
        }
        setDiffusivity([](int, int, int) { return 0.002; });
        // Turbulence that mixes over the depth (eddy diffusivity about
        // 0.01 m2/s) but not across the cell faces along the flow.
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) {
                    kinen[i][j][k] = 0.01;
                    epsilon[i][j][k] = 0.001;
                }
        TimeStep = 10.0;
        iter_morph = 2;
        FlagBedDLL = 1;  // the reference concentrations are the test's
        deriveSolverConstants();  // as a flow pass before would have
        doubles();
    }

    static void doubles() {
        runTasks.WaterSolve = [] {
            ++calls.waterSolve;
            if (failAtPass == calls.waterSolve) {
                FlagErrorBreak = 1;
                return;
            }
            while (Iter <= iterGlobalMax) ++Iter;  // one outer pass when iterGlobalMax is Iter
        };
        runTasks.WaterSolve2D = runTasks.WaterSolve;
        runTasks.bedchange = [] { ++calls.bedchange; };
        runTasks.sprintflow = [] {
            if (onResult) onResult();
            ++calls.sprintflow;
        };
        runTasks.writespider = [] { ++calls.writespider; };
    }

    static void referenceConcentration(double c0) {
        for (int l = 1; l <= lnumber; ++l)
            for (int i = 0; i <= xnumber + 1; ++i)
                for (int j = 0; j <= ynumber + 1; ++j) conc[l][i][j][0] = c0;
    }
    static void inflow(double c) {
        for (int l = 1; l <= lnumber; ++l)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) conc[l][1][j][k] = c;
    }
    static double V(int i, int j, int k) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][k]; }
    static int run() { return exitCodeOf([] { morphology_tsc(); }); }
    // The twin with the bed-layer equation.
    static int run2() { return exitCodeOf([] { morphology2_tsc(); }); }
};

// Sediment mass over a held flow (Hydrostatic 2): per step what enters
// through face 1 less what leaves through face xnumber (flux times the
// concentration of the upwind cell) is the change of the suspended volume
// (the bed cells included) plus the grain volume put into the bed.
struct StepBalance {
    double worst = 0.0;       // largest misfit over the steps, relative to the throughflow
    double throughflow = 0.0; // sediment carried in over the run
    double deposited = 0.0;   // grain volume put into the bed over the run
    std::vector<double> suspended;  // suspended volume after each step
};

inline void recordBalance(StepBalance& b, int l) {
    onResult = [&b, l] {
        if (global_iter >= tscSteps) return;  // the result of the end steps
        const int X = xnumber;
        double in = 0.0, out = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                in += 0.001 * flow1[1][j][k] * conc[l][1][j][k] * TimeStep;
                out += 0.001 * flow1[X][j][k] * conc[l][X][j][k] * TimeStep;
            }
        double stored = 0.0, dep = 0.0;
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                for (int k = 2; k <= znumber; ++k)
                    stored += 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * (conc[l][i][j][k] - conc_old[l][i][j][k]);
                dep += bedlevchange[l][i][j] * m_armap[i][j] * ConvCoef;
            }
        // Clear water carries nothing in: measure against what the bed gave.
        const double scale = std::max(in, std::fabs(dep));
        const double misfit = std::fabs(in - out - stored - dep) / scale;
        b.worst = std::isfinite(misfit) ? std::max(b.worst, misfit) : HUGE_VAL;
        b.throughflow += in;
        b.deposited += dep;
        double s = 0.0;
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 3; k <= znumber; ++k) s += 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * conc[l][i][j][k];
        b.suspended.push_back(s);
    };
}

// Each of `lines` appears in `text`, in this order.
inline void expectLinesInOrder(const std::string& text, const std::vector<const char*>& lines) {
    std::size_t at = 0;
    for (const char* line : lines) {
        const std::size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << text;
        at = found;
    }
}

}  // namespace tsctest
