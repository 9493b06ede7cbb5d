#include "waterquality/state.h"

QUIRD_DEFINE_STATE(QUIRD_WATERQUALITY_STATE)
