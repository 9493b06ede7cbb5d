// The input is `bedrough`, the roughness of single bed columns, read by the
// start-up of a run.
// `control` and `koordina` are the fixed flume of the harness.
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"bedrough", "", quird_fuzz::Stage::StartUp};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
