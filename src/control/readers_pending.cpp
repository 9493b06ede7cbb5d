// Readers of the K, P, W and lettered data sets: not read yet.
#include "control/engine.h"
#include "control/readers.h"

bool readDataSetH(int, FILE*) { return false; }
bool readDataSetK(int, FILE*) { return false; }
bool readDataSetP(int, FILE*) { return false; }
bool readDataSetW(int, FILE*) { return false; }
void readDataSetI(FILE*) {}
void readDataSetL(FILE*) {}
void readDataSetN(FILE*) {}
void readDataSetQ(FILE*) {}
void readDataSetS(FILE*) {}
void readDataSetT(FILE*) {}
void readDataSetW5(FILE*) {}
void readDataSetB(FILE*) {}
void checkGrainData() {}
void setBlockSeams() {}
