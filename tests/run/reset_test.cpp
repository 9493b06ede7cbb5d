// The one reset: after a whole start-up of the flume example (and the
// changes that tests make), every kind of global is back at its state at
// process start.
#include <omp.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "control/control.h"
#include "control/state.h"
#include "control/kread.h"
#include "run/reset.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

struct AtStart {
    const char* what;
    std::function<bool()> holds;
};

const AtStart kAtStart[] = {
    {"grid sizes", [] { return xnumber == 0 && ynumber == 0 && znumber == 0 && lnumber == 0; }},
    {"F parameters", [] { return TimeStep == 1e-20 && IterF2 == 1 && ManningInit == 50.0 && XksWall == -2.0; }},
    {"run string", [] { return std::string(run, 20) == std::string(20, ' '); }},
    {"records", [] { return IONo == 0 && IO[1].side == 0 && initnumber == 0 && initarray[1] == 0; }},
    {"K tables", [] { return relax[1] == 0.8 && relax[4] == 0.2 && sweeps[4] == 5 && FlagRoof == 1; }},
    {"status", [] { return mc_message[0] == '\0' && mc_program[0] == '\0' && gFlagInit == 0; }},
    {"run state", [] { return FlagInitialized == 0 && Iter == 0 && stime == 0.0 && Xkappa == 0.4; }},
    {"solver start", [] { return relaxVelocity == 0.0 && NormResidual[1] == 0.0 && Equation == 0; }},
    {"former statics", [] { return !wallRoughnessDerived && !bedChangesReplayed && runtimeMaxThreads == 0; }},
    {"reader choices", [] { return gridReadChoices.lowestFrom == 0 && erodibleLevel == 0.0 && !gridSizesGiven; }},
    {"field arrays", [] { return !xvel && !m_armap && !wap && !TimeInTime && !f && fieldArrayBlocks == nullptr; }},
    {"scratch", [] { return gaussSeidelHalo.capacity() == 0; }},
    {"dispatch", [] { return runTasks.WaterSolve == defaultRunTasks().WaterSolve && dataSetReaders.F == readDataSetF; }},
    {"exit handler", [] { return gExitHandler == nullptr; }},
};

class Reset : public EngineTest {};

TEST_F(Reset, ReturnsEveryKindOfGlobalToItsStart) {
    const int threads = omp_get_max_threads();
    for (const char* name : {"control", "koordina"})
        std::filesystem::copy_file(std::filesystem::path(QUIRD_SOURCE_DIR) / "examples/flume" / name, name);
    ASSERT_EQ(exitCodeOf([] { ASSERT_TRUE(startupSequence()); }), kNoExit);
    ASSERT_TRUE(xvel && xnumber == 21 && IONo == 2 && FlagInitialized == 0);
    // What tests and solvers change besides.
    FlagInitialized = 1;
    Iter = 7;
    wallRoughnessDerived = bedChangesReplayed = true;
    gaussSeidelHalo.resize(100);
    runTasks.WaterSolve = [] {};
    dataSetReaders.F = [](int, FILE*) { return false; };
    omp_set_num_threads(threads + 1);

    resetEngine();
    for (const AtStart& c : kAtStart) EXPECT_TRUE(c.holds()) << c.what;
    EXPECT_EQ(omp_get_max_threads(), threads);
    installExitHandler();
}

}  // namespace
