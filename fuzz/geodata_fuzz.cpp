// The input is `geodata`, with no `koordina`: the entry point writes the
// default grid over the extent of its points, which the reader of `control`
// then reads. The scattered-point reader then reads the same file, and on a
// grid the bed interpolation runs with each of its methods (the points read
// once, then reused).
// `control` is the fixed flume of the harness.
#include "control/state.h"
#include "grid/state.h"
#include "harness.h"
#include "morphology/morphology.h"

namespace {
const quird_fuzz::Reader kReader{"geodata", "", quird_fuzz::Stage::DefaultGrid};
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { return quird_fuzz::prepare(kReader, argc, argv); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quird_fuzz::fuzz(kReader, data, size);
    quird_fuzz::exitCodeOf([] { readGeodata(); });
    if (xval.isNull() || xnumber < 2 || ynumber < 2) return 0;
    quird_fuzz::exitCodeOf([] {
        for (const int method : {0, 1, 2, 3}) {
            FlagBedInterpol = method;
            BedInterThread();
        }
    });
    return 0;
}
