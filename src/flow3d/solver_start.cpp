// The constants of the flow solvers that each call derives at its start.

#include "control/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/startup.h"

void deriveSolverConstants() {
    Xkappa = 0.4;
    const RelaxationFactors r = relaxationFactorsOfK3();
    relaxVelocity = r.velocity;
    relaxPressure = r.pressure;
    relaxK = r.k;
    relaxEpsilon = r.epsilon;
}
