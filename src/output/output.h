// Result output and restart files: the routines that the run driver, the flow
// drivers and the start-up call, and the table of the writers that the result
// writer runs.
#pragma once

void sprintflow();
void writespider();
void readres();

// One output step of sprintflow. It returns false to end the call of
// sprintflow there: the later steps are skipped and gFlagWriteR stays 1.
using OutputStep = bool (*)();

constexpr int kInterpolValCount = 41;  // F 48 takes 0..40
constexpr int kSpecialCount = 9;       // F 212 reports 1..4 and 8

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

// The writers of the table.
bool writeResultFile();        // `result` or its series
bool writeInterpolation();     // interres at the points of interpol (F 48 1 to 4)
bool writeHabitat();           // habitat
bool writeTecplotCells();      // tecplot
bool writeTecplot3D();         // tecplot3.dat or its series (F 48 8 and 12)
bool writeTecplot2D();         // tecplot2.dat or its series
bool writeParaView3D();        // ParaView3.vtk or its series
bool writeParaView2D();        // ParaView2.vtk or its series
bool writeInterpolSeries();    // interres time series
bool writeForceReport();       // sumforce
bool writeSpecialReport();     // the report of F 212
const char* writeEndSurfaces();  // koosurf and spillmid at the end of a run
