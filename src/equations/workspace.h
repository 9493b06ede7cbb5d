// Transport-equation discretisation and linear solvers: the equation
// workspace shared by every transported quantity, its coefficient
// generators, solvers and residual.
//
// The workspace itself is the set of global field arrays of equations/state.h:
//   wap f(P) = ae f(i-1) + aw f(i+1) + as f(j-1) + an f(j+1) + wab f(k-1) + wat f(k+1)
//            [+ aee f(i-2) + aww f(i+2) + ass f(j-2) + ann f(j+2) + abb f(k-2) + att f(k+2)]
//            + source
// with every coefficient taken at P, `iAp` = 1/`wap` for the point solver and
// `f` the handle of the field being solved (extents n+3 in each direction).
// Interior cells run 2..n in each direction; the solvers never write the
// boundary cells 1 and n+1 nor the ghost cells 0 and n+2.
//
// Fixed-value cells: an owner pins a cell to v by `wap` = 1e30 and
// `source` = 1e30 v. The residual and the block corrections leave cells whose
// `wap` is not below kFixedValueLimit out of their sums.
#pragma once

#include "control/state.h"
#include "equations/state.h"

constexpr double kFixedValueLimit = 1e15;

// ---------------------------------------------------------------------------
// Coefficient generators. The whole-grid variants run on the main thread; the
// OpenMP variants are called once by every thread of a parallel region of
// NoProcessesSolver threads, thread p with its block of i-planes
// (solverBlock). On a team of another size or an unfit workspace the whole
// team returns at once and the run ends with -8 after the region. They
// contain barriers and end with one: on return every thread sees the
// coefficients of the whole grid, equal bit for bit to those of the
// whole-grid variant.
// ---------------------------------------------------------------------------
void coeffe_flow();                                  // power law
void coeffe_flowOpenMP(int i_first, int i_last);
void coeffe_central();                               // central differences
void coeffe_centralOpenMP(int i_first, int i_last);
void coeffe_SOU();                                   // second-order upwind
void coeffe_SOUOpenMP(int i_first, int i_last);
void coeffe_quick();                                 // QUICK
void coeffe_quickOpenMP(int i_first, int i_last);

// ---------------------------------------------------------------------------
// Solvers and the residual (main thread; the threaded ones open their own
// parallel regions). The owners run them through solveWorkspace
// (equations/solve.h), which also holds the stencil and solver choice.
// ---------------------------------------------------------------------------
void WaterTDMA();              // one pass of alternating line TDMA
void WaterTDMAAlong(int axis); // its lines of one direction only (0 i, 1 j, 2 k), for timing
void WaterGaussSeidel();       // GaussIter symmetric sweep pairs, 7-point stencil
void WaterGaussSOU();          // symmetric sweeps on the 13-point stencil
void BlockCorrection();        // plane corrections, serial
void BlockCorrectionOpenMP();  // the same corrections by a thread team (F 206)
void Residual();               // MaxResidual[Equation]

// ---------------------------------------------------------------------------
// Shared pieces.
// ---------------------------------------------------------------------------
// Factor on every diffusion conductance: for Equation 5 and every other
// Equation above 3 the diffusion traits of the turbulence model's row, for
// the momentum equations 0 under the first algebraic stress model
// (FlagStress1DLL 1..20), else 1.
double diffusionMultiplier();
// Block p of `blocks` blocks of interior i-planes, as the flow solver deals
// them to the threads of its regions: i_first = p s + 2, i_last = (p+1) s + 1
// with s = (xnumber-1)/blocks, the last block ending at xnumber.
void solverBlock(int p, int blocks, int& i_first, int& i_last);
