// The input is `innflow`, measured velocity profiles of the inflow and
// outflow sections, read by the start-up of a run.
// `control` and `koordina` are the fixed flume of the harness.
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"innflow", "", quird_fuzz::Stage::StartUp};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
