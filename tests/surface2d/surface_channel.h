// The settled open channel of the pressure-based surface update, run in
// process by start-up and run letter W: a straight rectangular channel
// 500 m long and 10 m wide on a bed slope of 1e-3, 10 m3/s over a rough bed
// (ks 0.01 m), frictionless banks, k-epsilon. The initial surface, a
// Manning-40 backwater curve, stands some 20 % above the depth that the 3-D
// friction gives.
#pragma once

#include <string>
#include <vector>

namespace surface_channel {

constexpr double kKappa = 0.4, kG = 9.81;
constexpr double kLength = 500.0, kWidth = 10.0, kSlope = 1e-3, kKs = 0.01, kQ = 10.0;
constexpr int kLinesX = 101, kLinesY = 5, kLinesZ = 11;

// Friction slope of the depth-mean log law at depth h.
double frictionSlope(double h);
// Normal depth: the friction slope equals the bed slope (0.7156 m).
double normalDepth();
// Depth at x upstream of the downstream end (depth hd at x = kLength) by a
// standard-step integration of the energy with the velocity head.
double backwaterDepth(double hd, double x);

std::vector<double> interiorTops();

struct ChannelRun {
    bool converged = false;
    std::string log;
};
// Writes `control` (F 36 tfs, K 1 3000 with the surface interval, G 6
// relaxation, downstream level of W 1) and `koordina`, runs start-up and
// the run string; the engine state stays for inspection.
ChannelRun runChannel(int tfs, const char* surfaceInterval, double relax, double level);

double depth(int i, int j);
// The largest relative difference of the discharge through each i-section
// from kQ.
double worstSectionFlux();

}  // namespace surface_channel
