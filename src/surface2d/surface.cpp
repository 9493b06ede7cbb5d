#include "surface2d/surface2d.h"
#include "control/engine.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "morphology/state.h"

// Filled as the surface updates are built; until then each does nothing.
void surface() {}
void surface_tfs() {}
