// Readers of the G, K, P, W and lettered data sets.
#include "control/engine.h"
#include "control/readers.h"

int IONo = 0;
int xnode = 2, ynode = 2, znode = 2, lnode = 1;

void setRecordDefaults() {}

bool readDataSetG(int, FILE*) { return false; }
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

void checkIO() {}
void setLowerFixedLevel() {}
void checkGrainData() {}
void setBlockSeams() {}
