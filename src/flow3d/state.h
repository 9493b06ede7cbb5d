// State of the 3-D flow solver that lives between its steps and its calls.
#pragma once

// Continuity defect of the last pressure correction: the sum of the mass
// imbalances of the interior cells, their largest magnitude and its cell.
// Writers: the pressure-correction step; WaterSolve (the cell, at each call).
struct CellIndex {
    int i, j, k;
};
extern double Cont, DefMax;
extern CellIndex DefMaxCell;

// Counters over the whole process: outer passes begun (result cadence of
// the fixed-name result files) and cyclic copies of the outflow plane made.
// Writer: WaterSolve.
extern long PrintResIter;
extern int CyclicCount;

// Wall-clock stamps (s): 0 the start of a call, 1..33 the phase ends of the
// latest logged inner iteration. Writers: WaterSolve and the steps it calls.
extern double otime[40];

// The routines the driver calls at its steps, in one table so that tests can
// replace them with doubles. Writers: resetFlowSolver and tests.
struct FlowSteps {
    void (*startup)();
    void (*metric)();
    void (*smetric)();
    void (*boundary)();
    void (*waterflow)();
    void (*momentum)();
    void (*turbulenceEarly)();
    void (*pressureCorrection)();
    void (*turbulence)();
    void (*temperature)();
    void (*sprintflow)();
    void (*writespider)();
    void (*surface)();
    void (*surface_tfs)();
    void (*timeoStart)();
    void (*timeoLine)();
    void (*forcelog)();
};
extern FlowSteps flowSteps;
// The table of the real routines.
FlowSteps defaultFlowSteps();

// Returns the state above to its process start (part of the engine reset).
void resetFlowSolver();
