// The input is `timei`; `control` is a fixed time-dependent flume with
// temperature, wind, sediment and two water-quality components, so that every
// field of the records is read. Reads `control`, then `timei`.
#include <cstdlib>

#include "control/control.h"
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl("F 17 1.0\nF 37 1\nF 49 1\nF 50 2\nF 52 2.0 0.5 0.5\n"));
    writeFile("koordina", flumeGrid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    if (readControl() != kReturned) std::abort();  // the fixed files are sound
    writeFile("timei", data, size);
    exitCodeOf([] { ReadTimes(); });
    return 0;
}
