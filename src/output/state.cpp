#include "output/state.h"

OutputWriters outputWriters = defaultOutputWriters();
