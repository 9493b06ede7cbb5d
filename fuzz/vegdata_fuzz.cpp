// The input is `vegdata`; `control` is the fixed flume with the vegetation
// drag (F 115 1). Reads `control`, gives the nodes levels, then reads the
// file and adds the drag of u.
#include <cstdlib>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/porous.h"
#include "harness.h"

using namespace quird_fuzz;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    enterPrivateDirectory(argc, argv);
    writeFile("control", flumeControl("F 115 1\n"));
    writeFile("koordina", flumeGrid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startClean();
    if (readControl() != kReturned || Porosity.isNull()) std::abort();  // the fixed files are sound
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) zval[i][j][k] = 0.2 * k;
    writeFile("vegdata", data, size);
    exitCodeOf([] {
        Equation = 1;
        extra_sourceDLL();
    });
    return 0;
}
