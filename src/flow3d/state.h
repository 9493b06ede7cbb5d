// State owned by the 3-D flow solver: velocities, pressure, fluxes, the
// turbulence fields it transports, temperature, the bed shear, iteration and
// time, and the constants each call of the solver derives. Declarations only,
// in the entries of control/state_lists.h; each group's comment line names
// its writers.
#pragma once

#include "control/state.h"

// A cell of the grid by its indices.
struct CellIndex {
    int i, j, k;
};
inline constexpr CellIndex kFirstCell{1, 1, 1};

// The routines the driver calls at its steps, in one table so that tests can
// replace them with doubles. The run driver fills it with the real routines
// (defaultFlowSteps, src/run/flow_steps.cpp), so the solver calls up to
// the output and surface routines without including their folders.
struct FlowSteps {
    void (*startup)();
    void (*metric)();
    void (*smetric)();
    void (*boundary)();
    void (*waterflow)();
    void (*momentum)();
    void (*turbulenceEarly)();
    void (*pressureCorrection)();
    void (*turbulence)();
    void (*temperature)();
    void (*sprintflow)();
    void (*writespider)();
    void (*surface)();
    void (*surface_tfs)();
    void (*timeoStart)();
    void (*timeoLine)();
    void (*forcelog)();
};
// The table of the real routines.
FlowSteps defaultFlowSteps();


#define QUIRD_FLOW3D_STATE(V, A, I, F)                                                                         \
    /* Velocities, turbulence, temperature. Writers: in flow3d WaterSolve and its steps (boundary.cpp, */            \
    /* simple_corrections.cpp, equation_steps.cpp: temperatureStep, pressure_correction.cpp: imbalances); in grid */ \
    /* setStartVelocity (the start velocities of initial, initial_tunnel and startup) and startup (sinit*.cpp: k, */ \
    /* epsilon, temperature); readres (result_file.cpp); writeHabitat (habitat.cpp: depth means at k = 0); in */     \
    /* surface2d WaterSolve2D and its steps (boundary2d.cpp, plane2d.cpp, pressure_correction2d.cpp, */              \
    /* rebuild2d.cpp), surface, surface_tfs(2D); morphology_tsc (morphology_tsc.cpp: boundary velocities, bed-cell kinen); tscBedLoadCouplings (bedload_vector.cpp: k = 1). */                                                                  \
    F(double, 3, xvel) F(double, 3, yvel) F(double, 3, zvel) /* cell velocities u, v, w (m/s) */               \
    F(double, 3, kinen) F(double, 3, epsilon)                /* k and its dissipation */                       \
    F(double, 3, temp)                                       /* temperature */                                 \
    /* Values of the previous time steps. Writers: WaterSolve, WaterSolve2D. */                                         \
    F(double, 3, xvel_old) F(double, 3, yvel_old) F(double, 3, zvel_old)                                       \
    F(double, 3, xvel_old2) F(double, 3, yvel_old2) F(double, 3, zvel_old2)                                    \
    F(double, 3, kinen_old) F(double, 3, epsilon_old) F(double, 3, kinen_old2) F(double, 3, epsilon_old2)      \
    F(double, 3, temp_old)                                                                                     \
    /* Pressure, fluxes, pressure-correction coefficients. Writers: startup (sinit_openings.cpp), readres */         \
    /* (result_file.cpp); in flow3d waterflow (waterflow.cpp), SimpleCorrections (simple_corrections.cpp), the */    \
    /* momentum step (momentum.cpp: invAP, invFlow, invAPC), porosity_solver.cpp, WaterSolve (watersolve.cpp); in */ \
    /* surface2d waterflow2D (waterflow2d.cpp), SimpleCorrections2D (pressure_correction2d.cpp), plane2d.cpp, */     \
    /* WaterSolve2D, surface (top-face slot of Pres), surface_tfs2D (plane Pres), columnPressures (surface_tfs.cpp); coeffe_setup (centripetal flux */ \
    /* in flow2), coeffe_setup2 (flow3 cleared in the depth-averaged model); bedchange (Pres). */                                 \
    F(double, 3, Pres)                                       /* pressure */                                    \
    F(double, 3, flow1) F(double, 3, flow2) F(double, 3, flow3) /* fluxes through the i, j, k faces (m3/s) */  \
    F(double, 3, invFlow) F(double, 3, invAPC) F(double, 3, invAP)                                             \
    F(double, 4, MBFlow)                                     /* fluxes across block joints */                  \
    /* Eddy viscosity and stresses. Writers: GammaCalc (gama, gamaV), GammaCalc2D, rebuild3D (rebuild2d.cpp), */     \
    /* readres (result_file.cpp), the algebraic stress models (stress_models.cpp: ReynoldsStress, */                 \
    /* computeStressVrem), production (sources.cpp: Stress). */                                                      \
    F(double, 3, gama) F(double, 3, gamaV)                   /* horizontal and vertical eddy viscosity */      \
    F(double, 3, Stress) F(double, 4, Rstress)                                                                 \
    F(double, 2, Froude) F(double, 2, Idh) F(double, 2, Jdh)                                                   \
    /* Bed shear stress of the bed cells (N/m2; -2 not yet computed). Writers: bedShear (WaterSolve), */             \
    /* bedShearFromModel2D and rebuildColumn (WaterSolve2D), initial and initial_tunnel (from the backwater */       \
    /* profile), readres (result_file.cpp), kread (afterPasses: -2), suspinit (roughness-layer shear). */                                              \
    F(double, 2, bedshear)                                                                                     \
    /* Iteration and time. Writers: WaterSolve, WaterSolve2D, morphology_tsc (morphology_tsc.cpp); stime also Components (components.cpp), bed_logg, surface, surface_tfs(2D), morphology (morphology_quasi.cpp). */      \
    V(long, Iter, 0)                                         /* current outer iteration, counted from 1 */     \
    V(double, stime, 0.0)                                    /* simulated time (s) */                          \
    /* The inner iteration of the outer pass, from 1. Writers: WaterSolve(2D). */                                \
    V(int, InnerIteration, 0)                                                                                  \
    /* Constants of a call of the solver. Writer: deriveSolverConstants (at the start of WaterSolve(2D)). */    \
    V(double, Xkappa, 0.4)                                   /* von Karman constant of the wall laws */        \
    V(double, relaxVelocity, 0.0) V(double, relaxPressure, 0.0) /* under-relaxation from K 3 */                \
    V(double, relaxK, 0.0) V(double, relaxEpsilon, 0.0)                                                        \
    /* Continuity defect of the last pressure correction: the sum of the mass imbalances of the interior cells, */   \
    /* their largest magnitude and its cell. Writers: pressureCorrectionStep (pressure_correction.cpp); */           \
    /* WaterSolve (the cell); WaterSolve2D. */                                                                       \
    V(double, Cont, 0.0) V(double, DefMax, 0.0) V(CellIndex, DefMaxCell, kFirstCell)                          \
    /* Counters over the whole process: outer passes begun (result cadence of the fixed-name result files) */ \
    /* and cyclic copies of the outflow plane made. Writers: WaterSolve(2D). */                                    \
    V(long, PrintResIter, 0) V(int, CyclicCount, 0)                                                            \
    /* Wall-clock stamps (s): 0 the start of a call, 1..33 the phase ends of the latest logged inner iteration. */   \
    /* Writers: WaterSolve and the steps it calls, through stamp (regions.h); morphology_tsc (morphology_tsc.cpp: otime[0]). */                                     \
    A(double, otime, [40])                                                                                     \
    /* Record letters of `vegdata`: 0 none, 1 V, 2 A or B, 3 both. Writer: extra_sourceDLL (vegetation.cpp). */      \
    V(int, FlagTypeVegdata, 0)                                                                                 \
    /* The step routines of the driver. Writers: the reset (defaultFlowSteps) and tests. */                   \
    V(FlowSteps, flowSteps, defaultFlowSteps())                                                                \
    /* A handle that no routine allocates or reads. Writer: SetArraysZero. */                                  \
    V(FieldHandle3, BVSource, FieldHandle3{})

QUIRD_DECLARE_STATE(QUIRD_FLOW3D_STATE)
