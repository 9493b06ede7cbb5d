#include "waterquality/waterquality.h"

// Filled as the subsystem is built; until then each task does nothing.
void Components() {}
