// The whole solver in process: passes of the flume leave the same bits in
// every field with F 206 0 and with threads. (Not in the thread-sanitizer
// build: the start-up's grid geometry opens plain OpenMP loops.)
#include <string>
#include <vector>

#include "control/control.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "support/bits.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

class ThreadedSolver : public EngineTest {};

// A few transient passes of the flume with the
// second-order time term, on the line solver, leave the same bits in every
// field with F 206 0 and with threads (time-level kernels, dispatchers,
// time terms, relaxations and the residual in their real order).
TEST_F(ThreadedSolver, TransientPassesGiveTheSerialFields) {
    const std::string dir = std::string(QUIRD_SOURCE_DIR) + "/examples/flume/";
    std::string control = readFile(dir + "control");
    const std::string iterations = "K 1 2000 20";
    control.replace(control.find(iterations), iterations.size(), "K 1 3 20");
    control += "F 211 0\nK 10 N\nF 33 0.5 2\nF 208 1\n";
    const Arrays fields = {&xvel, &yvel, &zvel, &Pres, &flow1, &flow2, &flow3, &xvel_old2};
    std::vector<unsigned char> serial;
    for (int team : {0, 3, 4}) {
        resetEngine();
        writeFile("control", control + "F 206 " + std::to_string(team) + "\n");
        writeFile("koordina", readFile(dir + "koordina"));
        ASSERT_EQ(exitCodeOf([] {
                      preReadG1("control");
                      Initial();
                  }),
                  kNoExit);
        if (team == 0)
            serial = bitsOf(fields);
        else
            EXPECT_TRUE(bitsOf(fields) == serial) << team << " threads";
    }
}

}  // namespace
