// In-process tests of the result output: a small allocated grid and the
// parameters that the writers read, at their defaults.
#pragma once

#include <string>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "output/output.h"
#include "output/state.h"
#include "support/grids.h"
#include "support/testing.h"

namespace quird_test {

class OutputTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        PrintRes = 0;
        FlagInterpolVal = 0;
        FlagWriteSpecial = 0;
        FlagTFS = FlagTSC = 0;
        Iter = 0;
        iterGlobalMax = 40000;
        Schmidt = 1.0;
        cmy = 0.09;
        sqcmyrho = 300.0;
        XksWall = -2.0;
        FlagInitialized = 0;
        gFlagWriteR = gFlagRead = 0;
        for (double& r : MaxResidual) r = 0.0;
        mc_message[0] = mc_program[0] = '\0';
        lnumber = 1;
        allocateGrid(2, 2, 2);
    }
    // The parameters go back to their defaults for the tests that follow in
    // the same process.
    void TearDown() override {
        PrintRes = FlagInterpolVal = FlagWriteSpecial = FlagTFS = FlagTSC = 0;
        Iter = 0;
        iterGlobalMax = 40000;
        XksWall = -2.0;
        FlagInitialized = gFlagWriteR = 0;
        for (double& r : MaxResidual) r = 0.0;
        outputWriters = defaultOutputWriters();
    }
};

}  // namespace quird_test
