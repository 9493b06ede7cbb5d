// Named constants of water and the small predicates of the run mode and the
// cadences that every subsystem shares.
#pragma once

#include <cmath>

#include "control/state.h"

// Density of water (kg/m3): the mass fluxes, the time terms, rho k and rho c_mu^1/2.
inline constexpr double kWaterDensity = 1000.0;
// Molecular (dynamic) viscosity of water (kg/(m s)): the floor of the eddy viscosity.
inline constexpr double kMolecularViscosity = 0.001;

// A time-dependent run: F 17 / F 33 give a time step above 1e-8 s.
inline bool transientRun() { return TimeStep > 1e-8; }
// A steady run: a time step below 1e-8 s (a step of exactly 1e-8 s is neither).
inline bool steadyRun() { return TimeStep < 1e-8; }

// x is a multiple of n to within 0.001 (the cadences of logs, outputs and
// updates); an interval of 0 gives a remainder that is not a number, so the
// test never fires.
inline bool isMultiple(double x, double n) { return std::fabs(std::fmod(x, n)) < 0.001; }
