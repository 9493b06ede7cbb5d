#include "output/output.h"

// Filled as the subsystem is built; until then each task does nothing.
void sprintflow() {}
void writespider() {}
void readres() {}
