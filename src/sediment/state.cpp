#include "sediment/state.h"

QUIRD_DEFINE_STATE(QUIRD_SEDIMENT_STATE)
