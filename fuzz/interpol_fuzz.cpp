// The input is `interpol`; `control` and `koordina` are the fixed flume.
// Reads `control`, then writes `interres` at the points of the input in
// each mode of F 48 (1 to 4 at every call, 19 from a fresh point list) at
// two times.
#include <cstdlib>

#include "control/state.h"
#include "flow3d/state.h"
#include "output/output.h"
#include "output/state.h"
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl());
    writeFile("koordina", flumeGrid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    if (readControl() != kReturned) std::abort();  // the fixed files are sound
    writeFile("interpol", data, size);
    for (const double time : {0.0, 5.0}) {
        stime = time;
        for (const int mode : {1, 2, 3, 4}) {
            FlagInterpolVal = mode;
            exitCodeOf([] { writeInterpolation(); });
        }
        nInterpol = 0;
        FlagInterpolVal = 19;
        exitCodeOf([] { writeInterpolSeries(); });
        exitCodeOf([] { writeInterpolSeries(); });
        nInterpol = 0;
    }
    return 0;
}
