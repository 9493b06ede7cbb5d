#include "flow3d/state.h"

#include <algorithm>
#include <iterator>

#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "output/output.h"
#include "surface2d/surface2d.h"

double Cont, DefMax;
CellIndex DefMaxCell{1, 1, 1};
long PrintResIter;
int CyclicCount;
double otime[40];

FlowSteps defaultFlowSteps() {
    return FlowSteps{::startup,        ::metric,          ::smetric,   ::boundary,        ::waterflow,
                     ::momentumStep,   ::turbulenceEarlyStep, ::pressureCorrectionStep, ::turbulenceStep,
                     ::temperatureStep, ::sprintflow,     ::writespider, ::surface,       ::surface_tfs,
                     ::timeoStart,     ::timeoLine,       ::forcelog};
}

FlowSteps flowSteps = defaultFlowSteps();

void resetFlowSolver() {
    Cont = DefMax = 0.0;
    DefMaxCell = CellIndex{1, 1, 1};
    PrintResIter = 0;
    CyclicCount = 0;
    std::fill(std::begin(otime), std::end(otime), 0.0);
    flowSteps = defaultFlowSteps();
}
