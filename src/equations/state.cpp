#include "equations/state.h"

QUIRD_DEFINE_STATE(QUIRD_EQUATIONS_STATE)
