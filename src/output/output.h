// Result output and restart files: the routines that the run driver, the flow
// drivers and the start-up call, and the table of the writers that the result
// writer runs.
#pragma once

#include <cstdio>

#include "output/state.h"

void sprintflow();
void writespider();
void readres();

// The table of the writers (OutputWriters, outputWriters) is in output/state.h.

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
// The special reports of F 212.
bool writeBedDirectionReport();  // 1: mean bed-velocity directions in boogie
bool writeAveragedFlowReport();  // 2: mean velocities and bed shear in boogie
bool writeOutflowProfile();      // 3: innflow.t
bool writeSquareGrid();          // 4: koordina.in
bool writeSlopingBedReport();    // 8: boogie.slo
const char* writeEndSurfaces();  // koosurf and spillmid at the end of a run

// Adds the records of `interpol` (M x y, T time x y; only T when timedOnly)
// to the point list; a record whose numbers do not read is dropped.
void readInterpolPoints(FILE* fp, bool timedOnly);
