// State owned by output. Declarations only, in the entries of
// control/state_lists.h; each group's comment line names its writers.
#pragma once

#include "control/state.h"

// One output step of sprintflow. It returns false to end the call of
// sprintflow there: the later steps are skipped and gFlagWriteR stays 1.
using OutputStep = bool (*)();

constexpr int kInterpolValCount = 41;  // F 48 takes 0..40
constexpr int kSpecialCount = 9;       // F 212 reports 1..4 and 8
constexpr int kHabitatClasses = 20;    // depth and speed classes of the habitat report
constexpr int kInterpolPoints = 1000;  // points of interpol at 1..999

// The writers of sprintflow, reached through this table so that each output
// is one entry and tests can put doubles in.
struct OutputWriters {
    // End-of-run surface files (koosurf, spillmid): nullptr when written,
    // else the name of the file that could not be opened.
    const char* (*surfaceFiles)();
    // The outputs of each F 48 value in the order they are written (nullptr: none).
    OutputStep byInterpolVal[kInterpolValCount][2];
    // The special report of each F 212 value (nullptr: none).
    OutputStep bySpecial[kSpecialCount];
};
// The table of the real writers.
OutputWriters defaultOutputWriters();


#define QUIRD_OUTPUT_STATE(V, A, I, F)                                                                         \
    /* Plot work array (no writer yet). */                                                                     \
    F(int, 3, graphDum)                                                                                        \
    /* Horizontal lengths of the grid lines between neighbouring nodes. Writers: WaterSolve, bedchange, morphology_tsc (morphology_tsc.cpp). */      \
    F(double, 2, LineI) F(double, 2, LineJ)                                                                    \
    /* The writers of sprintflow. Writers: the reset (defaultOutputWriters) and tests. */                     \
    V(OutputWriters, outputWriters, defaultOutputWriters())                                                    \
    /* A file of this call that could not be opened; the call ends the run once its other steps are done.     \
       Writers: sprintflow, writeHabitat. */                                                                   \
    V(const char*, outputOpenFailed, nullptr)                                                                  \
    /* Plan areas of the depth and speed classes of the habitat report. Writer: writeHabitat. */              \
    A(double, habdep, [kHabitatClasses]) A(double, habvel, [kHabitatClasses])                                  \
    /* The points of interpol (1..nInterpol; time -1 for an untimed point), read once per run.                 \
       Writers: writeInterpolation, writeInterpolSeries (interpolation.cpp: readInterpolPoints). */            \
    A(double, xint, [kInterpolPoints]) A(double, yint, [kInterpolPoints]) A(double, timeint, [kInterpolPoints]) \
    V(int, nInterpol, 0)

QUIRD_DECLARE_STATE(QUIRD_OUTPUT_STATE)
