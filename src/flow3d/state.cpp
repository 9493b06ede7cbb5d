#include "flow3d/state.h"
#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "sediment/state.h"
#include "morphology/state.h"

QUIRD_DEFINE_STATE(QUIRD_FLOW3D_STATE)
