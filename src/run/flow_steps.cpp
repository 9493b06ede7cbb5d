// The step routines of the 3-D flow driver. The run driver sits above every
// folder it calls, so the table of the real routines is put together here.
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "output/output.h"
#include "surface2d/surface2d.h"

FlowSteps defaultFlowSteps() {
    return FlowSteps{::startup,         ::metric,       ::smetric,      ::boundary,
                     ::waterflow,       ::momentumStep, ::turbulenceEarlyStep, ::pressureCorrectionStep,
                     ::turbulenceStep,  ::temperatureStep, ::sprintflow, ::writespider,
                     ::surface,         ::surface_tfs,  ::timeoStart,   ::timeoLine,
                     ::forcelog};
}
