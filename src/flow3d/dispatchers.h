// The steps of the flow solver that run either serially or per i-block on the
// thread team (F 206, G 50): the convection-diffusion coefficients and the
// wall laws of the equation in the workspace.
#pragma once

// Coefficients of the equation in the workspace by the scheme code `scheme`
// (sou of the equation): 1 second-order upwind and 3 QUICK when the
// second-neighbour arrays exist, 2 central, anything else the power law;
// the whole-grid generator, or its per-block twin on the team when G 50
// entry 1 lets it.
void convectionCoefficients(int scheme);

// The wall laws of the equation in the workspace (F 120 applies none):
// `wallall`, or `wallallOpenMP` per block on the team when G 50 entry 2 lets
// it; with F 228 `wallnew` likewise; else with F 15 1 the whole-grid `wall`
// on the main thread.
void wallLawStep();
// The same on the main thread alone.
void wallLawsSerial();

// The second algebraic stress model (F 220 above 9), once per inner
// iteration before u: `computeStressVrem` over the whole grid, or per block
// on the team (its phases wait for the whole team, so the blocks give the
// whole-grid values).
void explicitStressStep();
// The first algebraic stress model (F 220 1..9) of the equation in the
// workspace: `ReynoldsStress` over the whole grid, or per block on the team.
void reynoldsStressStep();
