// The input is `xcyc`, the 3-D grid file of option X of F 7 (no `koosurf`);
// the reader of `control` reads it in the grid stage.
// `control` and `koordina` are the fixed flume of the harness.
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"xcyc", "F 7 X\n", quird_fuzz::Stage::Control};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
