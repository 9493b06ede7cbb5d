// Water quality: the routines that the run driver and the start-up call.
#pragma once

// Run letter Q: renews the flow's start-up state, face fluxes and eddy
// viscosity, then computes the components on that flow (componentsOnFlow).
void Components();

// The component computation on the flow as it stands (face fluxes flow1..3,
// eddy viscosity gama, gamaV): coefficients, boxes, inflow series, passes,
// probe lines and result files.
void componentsOnFlow();
