// The input is `control`; the grid file is a fixed 5 x 4 node flume. Runs the
// entry point's pre-read of G 1 and the reader of `control` through the grid stage.
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("koordina", flumeGrid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    writeFile("control", data, size);
    readControl();
    return 0;
}
