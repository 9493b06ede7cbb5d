// The input is `porosity`; `control` is the fixed flume with a porous bed
// (F 7 P). Reads `control`, gives the bed nodes levels, then sets up the
// zones and adds the terms of u, k and epsilon.
#include <cstdlib>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/porous.h"
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl("F 7 P\n"));
    writeFile("koordina", flumeGrid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    if (readControl() != kReturned || LevPorosBed.isNull()) std::abort();  // the fixed files are sound
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            Xks[i][j] = 0.05;
            blevel[i][j] = 0.1;
            for (int k = 0; k <= znumber + 1; ++k) zval[i][j][k] = 0.2 * k;
        }
    writeFile("porosity", data, size);
    exitCodeOf([] {
        for (const int eq : {7, 1, 5, 6}) {
            Equation = eq;
            extra_source();
        }
    });
    return 0;
}
