// The input is `koomin`; `control` (with a lowest erodible depth) and
// `koordina` are fixed. Runs the reader of `control` through the grid stage.
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl("F 41 1.5\n"));
    writeFile("koordina", flumeGrid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    writeFile("koomin", data, size);
    readControl();
    return 0;
}
