// State owned by the grid: nodes, cell geometry, wall flags and roughness,
// the joint tables of a multi-block grid, the backwater profile of the
// initial state and the porous bed. Declarations only, in the entries of
// control/state_lists.h; each group's comment line names its writers.
#pragma once

#include "control/state.h"

#define QUIRD_GRID_STATE(V, A, I, F)                                                                           \
    /* Grid nodes. Writers: readGridInput and ReadXCYC (gridinput.cpp, gridfiles_read.cpp), the plan-grid */         \
    /* generators (plangrid.cpp), readZ (osiio2.cpp), metric (osimetric.cpp: ghost nodes), initial */                \
    /* (initial_shared.cpp), bedmoves.cpp, gridchange, surface, surface_tfs(2D); Xc and Yc also moveGrid of */       \
    /* WaterSolve(2D); bedchange (bedchange.cpp, slides.cpp); zval also BedInterThread (bed_interpolation.cpp). */                                                                                            \
    F(double, 2, xval) F(double, 2, yval)                    /* plan nodes */                                  \
    F(double, 3, zval)                                       /* node levels, bed at k = 1 (target bed at 0) */ \
    F(double, 3, Xc) F(double, 3, Yc)                        /* `xcyc` cell centres */                         \
    F(double, 3, Surfaces)                                   /* bed and erodible levels per column; also bed_logg, surface, surface_tfs, bedchange */ \
    /* Sources of the elliptic plan-grid generator. Writer: elliptic. */                                       \
    F(double, 2, P) F(double, 2, Q)                                                                            \
    /* Cell geometry. Writers: metric (osimetric.cpp, geometry.h), smetric (smetric.cpp). */                         \
    F(double, 3, m_ar_x) F(double, 3, m_ar_y) F(double, 3, m_ar_z) /* face areas */                            \
    F(double, 3, m_dist_x) F(double, 3, m_dist_y) F(double, 3, m_dist_z) /* half lengths */                    \
    F(double, 3, m_vec_x) F(double, 3, m_vec_y) F(double, 4, m_vec_z) /* face normals */                       \
    F(double, 2, m_armap)                                    /* plan areas (smetric rebuilds the joint rows) */ \
    F(double, 3, Volume)                                     /* cell volumes */                                \
    F(double, 2, blevel)                                     /* bed levels of the columns */                   \
    F(double, 2, dx1) F(double, 2, dx2) F(double, 2, dy1) F(double, 2, dy2) /* grid derivatives */             \
    F(double, 3, dz1) F(double, 3, dz2) F(double, 3, dz3)                                                      \
    /* Wall flags, blocked cells, roughness. Writers: startup (sinit*.cpp); kblok setBlockedColumns; Xks also */     \
    /* extra_source (porous_bed.cpp); Xks, D90a, D50a also concRijn (conc_rijn.cpp). */                                             \
    F(int, 3, WallI) F(int, 3, WallJ) F(int, 3, WallK) F(int, 3, Wall) /* wall flags of the cell faces */      \
    F(int, 3, OBlok)                                         /* blocked cells */                               \
    F(int, 2, kblok)                                         /* 0 in the G 2 rectangle */                      \
    F(int, 2, twoD)                                          /* depth-averaged columns */                      \
    F(double, 2, Xks) F(double, 2, D90a) F(double, 2, D50a)  /* bed roughness and grain sizes of the bed cells */ \
    V(bool, wallRoughnessDerived, false)                     /* the wall roughness came from the Manning number */ \
    /* Joint tables of a multi-block grid. Writers: MultiBlockInit (multiblock.cpp), kread (afterPasses: */          \
    /* MutBlock). */                                                                                                 \
    F(int, 3, Pi1MultiBlock) F(int, 2, Pj1MultiBlock) F(int, 2, Pj2MultiBlock)                                 \
    F(int, 2, MutBlock)                                                                                        \
    /* Backwater profile of the initial state. Writers: initial, initial_tunnel (initial_shared.cpp); ManArray */    \
    /* kread (betweenPasses); diff GammaCalc (setDiffusivity), GammaCalc2D, rebuildColumn (rebuild3D), readres */    \
    /* (result_file.cpp). */                                                                                         \
    F(double, 1, avvelocity) F(double, 1, radius) F(double, 1, grade) /* per cross-section */                  \
    F(double, 3, diff)                                       /* diffusivity; writers GammaCalc(2D), rebuild3D, readres */\
    F(double, 1, xdistance) F(double, 1, ManArray)                                                             \
    V(bool, bedChangesReplayed, false)                       /* `loggfil.pre` replayed once per process */     \
    /* Porous bed and vegetation. Writers: extra_source (porous_bed.cpp; also Xks at its first call), */             \
    /* extra_sourceDLL (vegetation.cpp). */                                                                          \
    F(double, 3, PorosityBed) F(double, 3, LevPorosBed) F(double, 3, Porosity)                                 \
    F(double, 3, StemNumber) F(double, 3, StemDiameter) F(double, 3, DragCoeff)                                \
    F(double, 3, EpsilonCoeff)

QUIRD_DECLARE_STATE(QUIRD_GRID_STATE)
