// The input is `loggfil.pre`, the bed changes of an earlier run, which the
// initial state of the start-up replays on the bed.
// `control` and `koordina` are the fixed flume of the harness.
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"loggfil.pre", "", quird_fuzz::Stage::StartUp};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
