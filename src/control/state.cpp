#include "control/state.h"

#include "control/control.h"
#include "control/kread.h"

QUIRD_DEFINE_STATE(QUIRD_CONTROL_STATE)
