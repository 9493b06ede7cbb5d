// The input is `koordina`; `control` is a fixed flume of 5 x 4 nodes. Runs
// the reader of `control` through the grid stage.
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    writeFile("koordina", data, size);
    readControl();
    return 0;
}
