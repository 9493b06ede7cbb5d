#include "run/reset.h"

#include <omp.h>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "control/kread.h"
#include "control/log.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "output/state.h"
#include "sediment/state.h"
#include "waterquality/state.h"

namespace {
// The thread settings of the OpenMP runtime at process start (F 206 changes them).
const int kStartMaxThreads = omp_get_max_threads();
const int kStartDynamic = omp_get_dynamic();
}  // namespace

void resetEngine() {
    clearRegionFault();
    // Field arrays first: their blocks are freed through fieldArrayBlocks.
    SetArraysZero();
    QUIRD_RESET_STATE(QUIRD_CONTROL_STATE)
    QUIRD_RESET_STATE(QUIRD_GRID_STATE)
    QUIRD_RESET_STATE(QUIRD_EQUATIONS_STATE)
    QUIRD_RESET_STATE(QUIRD_FLOW3D_STATE)
    QUIRD_RESET_STATE(QUIRD_OUTPUT_STATE)
    QUIRD_RESET_STATE(QUIRD_SEDIMENT_STATE)
    QUIRD_RESET_STATE(QUIRD_MORPHOLOGY_STATE)
    QUIRD_RESET_STATE(QUIRD_WATERQUALITY_STATE)
    omp_set_dynamic(kStartDynamic);
    omp_set_num_threads(kStartMaxThreads);
}
