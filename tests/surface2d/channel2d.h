// A straight rectangular channel run in process by the depth-averaged
// driver: run letter D, uniform bed slope, discharge and downstream level
// set by W 1, frictionless banks (K 2 1 1).
#pragma once

#include <string>

#include "grid/grid.h"

namespace channel2d {

struct Channel {
    double length = 600.0, width = 30.0, slope = 1e-3, q = 30.0, ks = 0.05;
    int linesX = 61, linesY = 7, linesZ = 6;
    double manning = 30.0;         // of the initial standard-step surface (W 1)
    double level = 0.83;           // downstream level above the bed (W 1)
    int model = 7;                 // F 24
    int tfs = 0;                   // F 36
    double relaxSurface = 1.0;     // G 6
    long iterations = 3000;        // K 1
    const char* surfaceInterval = "10";
    double angle = 0.0;            // plan rotation of the channel (degrees)
    std::string extra;             // more lines of `control`
    // Replaces the start-up of the driver (to plant a fault after it).
    void (*startup)() = nullptr;
    // The result writer and the surface update leave "<sprintflow>" and
    // "<surface>" in the log.
    bool marked = false;
};

struct ChannelRun {
    int code;          // exit code, or quird_test::kNoExit
    bool converged;    // ended by the convergence test
    std::string log;
};

// Writes `control` and `koordina` into the working directory and runs
// start-up and the run string; the engine state stays for inspection.
ChannelRun runChannel(const Channel& c);

// Runs the start-up, then Plant.
template <void (*Plant)()>
void startupThen() {
    startup();
    Plant();
}

// Manning normal depth with the effective number of the plane's bed law:
// q = M_eff h^(5/3) S^(1/2), M_eff = 26.0795 / ks^(1/6).
double manningNormalDepth(const Channel& c);
double manningEffective(const Channel& c);

// The W 1 level that holds depth h in uniform flow. The surface update keeps
// the outlet node line at the W 1 level, but gives that line the lid
// pressure of the last cell, whose centre lies half a cell upstream where
// the bed stands S dx / 2 higher: the level acts there.
double uniformFlowLevel(const Channel& c, double h);

// The k-epsilon normal depth: the one-column balance of the bed law,
// q = h U(h) with U(h) = sqrt(g h S) ln(15 h / ks) / 0.4.
double kEpsilonVelocity(const Channel& c, double h);
double kEpsilonNormalDepth(const Channel& c);

// Depth of the plane at cell (i, j): twice the half height of the column.
double depth(int i, int j);

// The largest relative difference of the discharge through each i-section
// of the plane from 1000 q (mass flux).
double worstPlaneSection(const Channel& c);
// The same for the 3-D fluxes of the rebuilt levels.
double worstRebuiltSection(const Channel& c);

}  // namespace channel2d
