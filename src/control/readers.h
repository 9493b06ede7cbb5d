// The data-set readers of `control` and the steps of the reader that work on
// their records. `kread` (osiio1.cpp) scans the file and dispatches here.
//
// Each first-pass reader is called with `control` positioned directly behind
// what the scanner consumed (the data-set number with its format, or the
// letter itself for the unnumbered letters) and consumes the values of its
// data set. A numbered reader returns false when the number has no reader,
// so that the scanner ignores the letter. Messages go to `boogie` through
// logf/failf; a rejected data set ends the process there.
#pragma once

#include <cstdio>

// Defaults of the G, K, P, W and lettered data sets (part of the defaults block).
void setRecordDefaults();

// First pass.
bool readDataSetG(int number, FILE* fp);
bool readDataSetH(int number, FILE* fp);
bool readDataSetK(int number, FILE* fp);
bool readDataSetP(int number, FILE* fp);
bool readDataSetW(int number, FILE* fp);  // W 5 has no first-pass reader
void readDataSetI(FILE* fp);
void readDataSetL(FILE* fp);
void readDataSetN(FILE* fp);
void readDataSetQ(FILE* fp);
void readDataSetS(FILE* fp);
void readDataSetT(FILE* fp);
void stepOverTitle(FILE* fp);  // consumes what readDataSetT would, storing nothing

// Second pass.
void readDataSetW5(FILE* fp);
void readDataSetB(FILE* fp);

// Steps between the passes, in the reader's order.
void checkIO();             // validates the G 7 openings; IONo = -10 on a fault
void setLowerFixedLevel();  // G 23 boxes into LowerFixedLevel
void checkBorderSources(); // G 17, G 18 boxes name existing components (or none)
void checkGrainData();      // N samples summing to 1, S sizes given
void setBlockSeams();       // ISkjotMB from W 3

// The grid stage at the end of kread: koordina, koomin, levels.
void readGridInput();
// The 3-D nodes from `koosurf` and `xcyc` (option X of F 7, run letter X).
void ReadXCYC();

// Their state (gridReadChoices, IONo, sizesGiven, gridSizesGiven, xnode..lnode)
// is in control/state.h.
