#include "sediment/sediment.h"

// Filled as the subsystem is built; until then each task does nothing.
