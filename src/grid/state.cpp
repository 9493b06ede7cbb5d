#include "grid/state.h"

QUIRD_DEFINE_STATE(QUIRD_GRID_STATE)
