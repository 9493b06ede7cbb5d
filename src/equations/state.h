// State owned by the equations: the equation workspace (coefficients, source,
// the field being solved), the line-solver vectors, the residuals and the
// solvers' scratch. Declarations only, in the entries of
// control/state_lists.h; each group's comment line names its writers.
#pragma once

#include <vector>

#include "control/state.h"

// The body of a parallel region, called on every thread with its context.
using RegionBody = void (*)(void*);

#define QUIRD_EQUATIONS_STATE(V, A, I, F)                                                                      \
    /* Equation and residuals. Writers: Equation the equation steps (equation_steps.cpp, momentumStep, */            \
    /* pressureCorrectionStep), coeffe_setup (coeffe_setup.cpp: set and restored round the generators); Components (components.cpp); MaxResidual Residual, Residual2D, WaterSolve2D (zeroes unsolved slots); */           \
    /* NormResidual startup (sinit_openings.cpp). */                                                                 \
    V(int, Equation, 0)                                      /* 1 u, 2 v, 3 w, 4 p', 5 k, 6 eps, 8 T, 8+c comp */ \
    A(double, MaxResidual, [kEquationTable])                 /* normalised residual of the last Residual */    \
    A(double, NormResidual, [kEquationTable])                /* residual normaliser per equation */            \
    /* The field being solved. Writers: sialloc (f = fStorage); the handle f the equation steps */                   \
    /* (equation_steps.cpp, momentum.cpp, pressure_correction.cpp, porbed, gammacalc.cpp, sources.cpp, */            \
    /* solvers2d.cpp, surface.cpp, waterflow2d.cpp, watersolve2d.cpp) through solveWorkspace (solve.cpp), restored by Components (components.cpp); fnn WaterGaussSeidel. */                      \
    F(double, 3, fStorage) F(double, 3, fnn)                                                                   \
    V(FieldHandle3, f, FieldHandle3{})                       /* handle of the field being solved */            \
    /* 7-point coefficients and source. Writers: the routines that assemble an equation: the coeffe_* generators */  \
    /* (seven_point.h, second_order.h); in flow3d equation_steps.cpp, momentum.cpp, momentum_sources.cpp, */         \
    /* level_pressure.cpp, pressure_correction.cpp, pressure_source.cpp, porosity_solver.cpp, porous_bed.cpp, */     \
    /* vegetation.cpp; in turbulence sources.cpp, stress_models.cpp, stress_ort.cpp, wall.cpp, wallall.cpp, */       \
    /* wallnew.cpp; in surface2d pressure_correction2d.cpp, pressure_source2d.cpp, turbulence2d.cpp, */              \
    /* wallall2d.cpp, watersolve2d.cpp; wap of blocked boxes and iAp solveWorkspace (solve.cpp); iAp WaterGaussSeidel; ae, aw, an, as also coeffe_setup, coeffe_setup2; wap, wat, source Components (components.cpp), source addReactionTerms (reactions.cpp); source morphology_tsc (morphology_tsc.cpp), suspsed (suspsed.cpp); ae, aw, an, as, source the bed layer of the transient twin (tsc_bed_layer.cpp). */                                                     \
    F(double, 3, ae) F(double, 3, aw) F(double, 3, an) F(double, 3, as)                                        \
    F(double, 3, wap) F(double, 3, wat) F(double, 3, wab) F(double, 3, source) F(double, 3, iAp)               \
    /* Second-neighbour coefficients of the 13-point stencil. Writers: coeffe_SOU, coeffe_quick (second_order.h); */ \
    /* scaleHorizontalCoefficients (momentum_sources.cpp); coeffe_setup, coeffe_setup2. */                                                        \
    F(double, 3, aee) F(double, 3, ann) F(double, 3, aww) F(double, 3, ass) F(double, 3, att) F(double, 3, abb) \
    /* Line-solver vectors and plane sums. Writers: WaterTDMA, BlockCorrection, BlockCorrectionOpenMP, */            \
    /* BlockCorrection2D; pt, qt also the sediment solvers (blockSedim, block2Sedim and their sweeps, sole_tdma). */                                                                                         \
    F(double, 1, pt) F(double, 1, qt) F(double, 2, psc)                                                        \
    F(double, 3, k_diff)                                     /* (no writer yet) */                             \
    /* Level slabs of the line TDMA's i- and j-lines, sized from the grid. Writer: WaterTDMA. */               \
    V(std::vector<double>, tdmaSlab, {})                                                                      \
    /* Halo planes of the threaded Gauss-Seidel sweeps. Writer: WaterGaussSeidel, WaterGaussSOU. */           \
    V(std::vector<double>, gaussSeidelHalo, {})                                                               \
    /* Sums of the residual per interior i-plane. Writer: Residual. */                                        \
    V(std::vector<double>, residualPlanes, {})                                                                \
    /* The body of the parallel region being opened and its context. Writer: par::region. */                  \
    V(RegionBody, regionBody, nullptr) V(void*, regionContext, nullptr)

QUIRD_DECLARE_STATE(QUIRD_EQUATIONS_STATE)
