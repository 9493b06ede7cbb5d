#include "output/state.h"

QUIRD_DEFINE_STATE(QUIRD_OUTPUT_STATE)
