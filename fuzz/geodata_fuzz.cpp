// The input is `geodata`, with no `koordina`: the entry point writes the
// default grid over the extent of its points, which the reader of `control`
// then reads.
// `control` is the fixed flume of the harness.
#include "harness.h"

namespace {
const quird_fuzz::Reader kReader{"geodata", "", quird_fuzz::Stage::DefaultGrid};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quird_fuzz::fuzz(kReader, data, size);
}
