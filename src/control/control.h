// Run control: entry point, run driver, reader of `control`, time series and
// the writers of `control` files.
#pragma once

// The body of the process entry point: prepares the working directory, runs
// the start-up and the run string. Returns 1 when the run driver returns.
int quirdMain();

// Run driver: start-up sequence, then the cycles over the run string.
void Initial();
// An empty routine that nothing calls.
void show();

// The pieces of Initial, for callers that need one of them alone.
// startupSequence returns false when the run must end before the run string
// (a faulty `timei`).
bool startupSequence();
void runStringLoop();

// Pre-read of G 1 from an open `control` (main).
void preReadG1(const char* path);
// Writes `koordina` for a working directory that has none (main).
void writeDefaultGrid();

// The task routines of the run letters. The driver calls them through this
// table so that tests can count what runs.
struct RunTasks {
    void (*WaterSolve)();
    void (*WaterSolve2D)();
    void (*bedchange)();
    void (*bedslope_corr)();
    void (*coeffe_setup)();
    void (*coeffe_setup2)();
    void (*suspinit)();
    void (*sprintflow)();
    void (*writespider)();
    void (*Components)();
    void (*readres)();
    void (*morphology)();
    void (*morphology_tsc)();
    void (*morphology2_tsc)();
    void (*initial)();
    void (*ReadXCYC)();  // letter X: ReadXCYC, then the geometry of the nodes read
};
extern RunTasks runTasks;
// The table of the real routines.
RunTasks defaultRunTasks();

// Reader of `control` (creates `boogie`, reads both passes, allocates, reads the grid).
void kread();
// Time series of `timei`: 0 when read or absent, an error code otherwise.
int ReadTimes();
// Writes a minimal `control` from the grid sizes and the W 1 values.
void writeControlMin();
// Writes the current parameters to `control.new` in the `control` format,
// most data sets only where they lie away from their defaults; 0 when written.
// Nothing in a run calls it.
int writeControl();
