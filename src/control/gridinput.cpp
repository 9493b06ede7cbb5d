// Grid input: koordina, koomin, vertical distribution and levels.
#include "control/engine.h"
#include "control/readers.h"

GridReadChoices gridReadChoices;

void readGridInput() { setMessage(" Have read data file    "); }
