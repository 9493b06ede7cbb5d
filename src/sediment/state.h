// State owned by sediment transport: concentrations, the per-fraction
// coefficients and the bed composition (the bed shear is flow3d's).
// Declarations only, in the entries of control/state_lists.h; each group's
// comment line names its writers.
#pragma once

#include <vector>

#include "control/state.h"

#define QUIRD_SEDIMENT_STATE(V, A, I, F)                                                                       \
    /* Concentrations per size class. Writers: sialloc (cleared), startup (sinit.cpp); concRijn, concEngelund (conc_rijn.cpp, conc_engelund.cpp: k = 0). */ \
    /* suspinit, readConRes (conc); suspsed (suspsed.cpp); morphology (morphology_quasi.cpp: conc[0]); morphology_tsc (morphology_tsc.cpp); tscTimeSeries, tscCyclicFeedback (time_series.cpp: inflow cells); the solvers of conc[indexl]: sole_gauseid, */ \
    /* blockSedim, sole_tdma, sole2_gauseid, block2Sedim, solve2Dbed_gauseid (sole_gauseid.cpp, block_sedim.cpp, bed_solvers.cpp). */ \
    F(double, 4, conc) F(double, 4, conc_old)                                                                  \
    /* Per-fraction coefficients of the sediment equations. Writers: coeffe_setup2 (coeffe_setup.cpp: at, ab, ap, catt, cabb); morphology_tsc (morphology_tsc.cpp: ap); tscBedLoadCouplings (bedload_vector.cpp: aeb..asb, ap of the bed cells); T10BedCentre (tsc_bed_layer.cpp: ap). */\
    F(double, 4, at) F(double, 4, ab) F(double, 4, ap) F(double, 4, catt) F(double, 4, cabb)                   \
    F(double, 3, aeb) F(double, 3, awb) F(double, 3, anb) F(double, 3, asb) /* bed-load vectors */             \
    /* The centripetal flux's copy of the flow2 it left (interior j-faces). Writer: coeffe_setup. */           \
    V(std::vector<double>, centripetalFlow2, {})                                                               \
    /* The size fraction being solved. Writers: the callers of the sediment solvers: morphology_tsc (morphology_tsc.cpp), suspsed. */                        \
    V(int, indexl, 0)                                                                                          \
    /* Sediment leaving the domain (kg/s) and trap efficiency (%), per fraction. Writers: sedimentBalance (sediment_balance.cpp). */                      \
    A(double, outflow, [51]) A(double, trapped, [51])                                                          \
    /* Bed composition. Writers: readDataSetB, nbedchange, bed_logg, kread; bedslope_corr (bedslope_correction); */ \
    /* morphology_fractions, morphology2_fractions, morphology2_fractions1 (bed_fractions.cpp: bedgrain, bedlevchange, BedGrainOriginal). */ \
    /* suspinit (bedgrain), readConRes (bedgrain, BedGrainOriginal); morphology_tsc (morphology_tsc.cpp); suspsed, bedComposition (suspsed.cpp, */ \
    /* bed_composition.cpp: bedgrain); morphology (morphology_quasi.cpp: bedgrain, bedlevchange, BedGrainOriginal); S2BedSource (tsc_bed_layer.cpp: BedSource). */                                    \
    F(double, 3, bedgrain) F(double, 3, bedlevchange) F(double, 3, BedGrainOriginal)                           \
    F(double, 3, BedGrainTop) F(double, 3, BedSource)                                                          \
    F(int, 2, intBedSediment)                                                                                  \
    F(double, 2, mass) F(double, 2, bedslope_correction)

QUIRD_DECLARE_STATE(QUIRD_SEDIMENT_STATE)
