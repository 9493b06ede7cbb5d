#include "morphology/state.h"

QUIRD_DEFINE_STATE(QUIRD_MORPHOLOGY_STATE)
