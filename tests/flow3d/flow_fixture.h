// Fixture of the flow-solver driver tests: parameters at their defaults, a
// small box grid with its geometry, and doubles in place of every routine the
// driver calls. The doubles log what they are called with and replay a
// scripted residual and continuity defect at each pressure correction.
#pragma once

#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "control/state.h"
#include "equations/state.h"
#include "sediment/state.h"
#include "control/kread.h"
#include "control/readers.h"
#include "run/reset.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

namespace quird_test {

// What the doubles replay and record.
struct DriverScript {
    // Residuals 1..6 and Cont at the pressure correction of inner iteration
    // `inner` (from 1) of pass `iter`.
    std::function<std::array<double, 7>(long iter, int inner)> residuals;
    // The momentum step of this pass reports a zero centre coefficient (0: never).
    long failAt = 0;
    // Extra work of a double, by step name (after it is logged).
    std::function<void(const std::string& step)> onStep;

    std::vector<std::string> trace;  // "step@Iter" in call order
    long lastIter = -1;
    int inner = 0;

    int count(const std::string& step) const {
        int n = 0;
        for (const std::string& t : trace)
            if (t.rfind(step + "@", 0) == 0) ++n;
        return n;
    }
    // Iter at every call of a step.
    std::vector<long> iters(const std::string& step) const {
        std::vector<long> out;
        for (const std::string& t : trace)
            if (t.rfind(step + "@", 0) == 0) out.push_back(std::stol(t.substr(step.size() + 1)));
        return out;
    }
};

inline DriverScript script;

inline void record(const char* step) {
    script.trace.push_back(std::string(step) + "@" + std::to_string(Iter));
    if (script.onStep) script.onStep(step);
}

inline FlowSteps driverDoubles() {
    FlowSteps s;
    s.startup = [] { record("startup"); };
    s.metric = [] { record("metric"); };
    s.smetric = [] { record("smetric"); };
    s.boundary = [] { record("boundary"); };
    s.waterflow = [] { record("waterflow"); };
    s.momentum = [] {
        record("momentum");
        if (Iter == script.failAt) FlagErrorBreak = 1;
    };
    s.turbulenceEarly = [] { record("turbulenceEarly"); };
    s.pressureCorrection = [] {
        record("pressure");
        script.inner = Iter == script.lastIter ? script.inner + 1 : 1;
        script.lastIter = Iter;
        if (!script.residuals) return;
        const std::array<double, 7> r = script.residuals(Iter, script.inner);
        for (int d = 1; d <= 6; ++d) MaxResidual[d] = r[d - 1];
        Cont = r[6];
    };
    s.turbulence = [] { record("turbulence"); };
    s.temperature = [] { record("temperature"); };
    s.sprintflow = [] { record("sprintflow"); };
    s.writespider = [] { record("writespider"); };
    s.surface = [] { record("surface"); };
    s.surface_tfs = [] { record("surface_tfs"); };
    s.timeoStart = [] { record("timeoStart"); };
    s.timeoLine = [] { record("timeoLine"); };
    s.forcelog = [] { record("forcelog"); };
    return s;
}

// Every residual r and no continuity defect.
inline std::function<std::array<double, 7>(long, int)> allResiduals(std::function<double(long iter, int inner)> r) {
    return [r](long iter, int inner) {
        const double v = r(iter, inner);
        return std::array<double, 7>{v, v, v, v, v, v, 0.0};
    };
}

class FlowTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startState();
    }
    // The tests change parameters and run state freely; the next test of the
    // process finds them at their start values again.
    void TearDown() override {
        startState();
        resetEngine();
    }

    static void startState() {
        setParameterDefaults();
        setRecordDefaults();
        Iter = 0;
        stime = 0.0;
        gFlagFlow = 0;
        FlagGridChange = 0;
        std::fill(std::begin(MaxResidual), std::end(MaxResidual), 0.0);
        std::fill(std::begin(NormResidual), std::end(NormResidual), 0.0);
        mc_message[0] = mc_v2[0] = '\0';
        script = DriverScript{};
    }

    // A box of X x Y x Z grid lines (1 m by 0.5 m by 0.25 m cells) with its
    // geometry; the log starts empty.
    static void box(int X = 5, int Y = 4, int Z = 4) {
        boxGrid(X, Y, Z, 1.0, 0.5, 0.25);
        metric();
        std::filesystem::remove("boogie");
    }

    // A box ready for the driver with doubles in place of its callees.
    static void driverBox(int X = 5, int Y = 4, int Z = 4) {
        box(X, Y, Z);
        flowSteps = driverDoubles();
        NormResidual[4] = 1.0;
        FlagInitialized = 1;
    }

    static std::string boogie() { return readFile("boogie"); }
};

}  // namespace quird_test
