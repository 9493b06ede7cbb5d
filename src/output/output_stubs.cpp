#include "output/output.h"

// Filled as the subsystem is built; until then each of these writes nothing.
void writespider() {}
bool writeInterpolation() { return true; }
bool writeHabitat() { return true; }
bool writeInterpolSeries() { return true; }
bool writeForceReport() { return true; }
bool writeSpecialReport() { return true; }
const char* writeEndSurfaces() { return nullptr; }
