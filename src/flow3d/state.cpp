#include "flow3d/state.h"

QUIRD_DEFINE_STATE(QUIRD_FLOW3D_STATE)
