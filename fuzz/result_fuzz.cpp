// The input is `result`, the restart file of an earlier run, read by run
// letter R after the start-up.
// `control` and `koordina` are the fixed flume of the harness.
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"result", "", quird_fuzz::Stage::Restart};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
