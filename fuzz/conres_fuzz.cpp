// The input is `conres`, the suspended-sediment concentrations of an
// earlier run, read by the sediment initialisation after the start-up.
// `control` and `koordina` are the fixed flume of the harness (two size classes).
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"conres", "", quird_fuzz::Stage::SedimentRestart};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
