// State owned by run control: grid sizes, status texts and flags, run state,
// the parameters and record tables of `control` with their reader, the time
// series of `timei`, and the few field arrays that the reader fills.
//
// Every global of the engine is declared in the state header of its owner
// (src/<folder>/state.h) through that header's list (see state_lists.h); the
// comment line heading each group names the routines that write it. Other
// folders read this state; they write it only where named.
#pragma once

#include <cstdint>
#include <vector>

#include "control/fieldarray.h"
#include "control/log.h"
#include "control/state_lists.h"

// ---------------------------------------------------------------------------
// Fixed table sizes.
// ---------------------------------------------------------------------------
constexpr int kMaxFractions = 50;               // largest lnumber that G 1 accepts
constexpr int kFractionTable = kMaxFractions + 2;  // per-fraction tables: 0..lnumber+1
constexpr int kEquationTable = 20;              // per-equation tables, equations 1..18 (8 + 10 components)

// ---------------------------------------------------------------------------
// Parameters of `control` (defaults as set by the reader before the scan).
// ---------------------------------------------------------------------------
// F data sets. Each list entry is X(type, name, default); the state list
// below (definitions, reset) and the defaults block of the reader use it.
#define QUIRD_F_PARAMETERS(X)                                                                   \
    /* Writers: readDataSetF and its row functions (readers_f.cpp), setParameterDefaults; roughnessDefaults of */    \
    /* startup (XksWall from the Manning number, XksJ1 and XksJ2 from XksWall); the wall laws wall, */               \
    /* wallallOpenMP, wallnew, wallall2D and wallLawStep (sqcmyrho from cmy); defaultMinDepth of bedmoves.cpp */     \
    /* (TSCMinDepth); Components (components.cpp: TimeStep); morphology_tsc (morphology_tsc.cpp: FlagInterpolVal around the end result); tscTimeSeries (time_series.cpp: TimeStep). */                                                      \
    X(char, debugging, 'N')            /* F 1: diagnostic letter */                            \
    X(double, convergence, 1e-6)       /* F 3: stop criterion of the backwater computation */  \
    X(double, relax_morph, 0.5)        /* F 4: relaxation of the sediment computation */       \
    X(int, iter_morph, 500)            /* F 4: its iterations */                               \
    X(double, conv_morph, 1e-5)        /* F 4: its stop criterion */                           \
    X(double, SinReposeAngle, 48.0)    /* F 5 (stored only) */                                 \
    X(double, ConcFormCoeff, 0.015)    /* F 6: van Rijn coefficient and exponents */           \
    X(double, ConcFormTstar, 1.5)                                                              \
    X(double, ConcFormDstar, 0.3)                                                              \
    X(int, FlagBedGradient, 0)         /* F 7 letter N (stored only) */                        \
    X(int, FlagBedslopeCorrection, 0)  /* F 7 letter B, F 182 */                               \
    X(int, FlagBlockBorder, 0)         /* F 7 letter G (stored only) */                        \
    X(int, FlagPlotVertical, 0)        /* F 7 letter V (stored only) */                        \
    X(int, FlagInflowDirection, 0)     /* F 7 letter I */                                      \
    X(int, FlagDiffNonVert, 1)         /* F 7 letter A switches it off */                      \
    X(int, FlagZ0Small, 0)             /* F 7 letter Z */                                      \
    X(int, FlagXCYC, 0)                /* F 7 letter X */                                      \
    X(int, FlagInZero, 1)              /* F 7 letter C switches it off */                      \
    X(int, FlagBedPoros, 0)            /* F 7 letter P */                                      \
    X(int, FlagFlowDirCor, 0)          /* F 7 letter E */                                      \
    X(double, MaxBedChange, 0.1)       /* F 8 */                                               \
    X(double, EddyMult, 1.0)           /* F 9 */                                               \
    X(char, SedimentFormula, 'R')      /* F 10 */                                              \
    X(double, density, 2.65)           /* F 11: relative density of the sediment */            \
    X(double, shieldscoeff, 0.047)     /* F 11: critical Shields number */                     \
    X(double, Schmidt, 1.0)            /* F 12 */                                              \
    X(double, StressDiff, 0.0)         /* F 13 */                                              \
    X(double, ArtDiff, 0.0)            /* F 14 */                                              \
    X(int, FlagWallAll, 0)             /* F 15 */                                              \
    X(double, XksWall, -2.0)           /* F 16: <= 0 derives it from the Manning number */     \
    X(double, TimeStep, 1e-20)         /* F 17 / F 33: time-dependent above 1e-8 s */          \
    X(double, SourDens, 0.0)           /* F 18 */                                              \
    X(double, InitPres, 0.0)           /* F 19 */                                              \
    X(int, IterF2, 1)                  /* F 20: cycles over the run string */                  \
    X(double, RelaxRhieChow, 1.0)      /* F 21 */                                              \
    X(double, MinPorosity, 0.35)       /* F 22 / F 25 */                                       \
    X(double, RelaxPorosity, 2.0)      /* F 22 / F 25 */                                       \
    X(double, FillPart, 0.0)           /* F 23 */                                              \
    X(double, FillCriteria, 0.0)       /* F 23 */                                              \
    X(int, TurbulenceModel, 0)         /* F 24 */                                              \
    X(double, RoughPoros1, 0.5)        /* F 25 */                                              \
    X(double, RoughPoros2, 0.8)        /* F 25 */                                              \
    X(int, DiamPoros, 5)               /* F 25 */                                              \
    X(double, ConvCoef, 0.5)           /* F 26 */                                              \
    X(int, SedimentScheme, 0)          /* F 27: 1 = second-order upwind for sediment */        \
    X(int, ADFlag, 1)                  /* F 28 */                                              \
    X(int, ADSmearNo, 2)               /* F 28 */                                              \
    X(int, ADConvNo, 0)                /* F 28: the defaults block sets 10 x xnumber x ynumber */ \
    X(double, ADSmearLim, 1.0)         /* F 28 */                                              \
    X(double, PorosMult1, 0.8)         /* F 31 */                                              \
    X(double, PorosMult2, 0.8)         /* F 31 */                                              \
    X(double, twoDratio, 0.0)          /* F 32 */                                              \
    X(int, TransInnerIter, 1)          /* F 33 */                                              \
    X(double, ArtEddyVisc, 0.0)        /* F 34 */                                              \
    X(double, relaxBedShear, 0.5)      /* F 35 (stored only) */                                \
    X(int, FlagTFS, 0)                 /* F 36: free-surface mode */                           \
    X(int, FlagTSC, 0)                 /* F 37: morphology driver of letter S */               \
    X(double, InputErrorLimit, 1e9)    /* F 38 */                                              \
    X(double, AccBedChange, 1.0)       /* F 39 */                                              \
    X(double, relaxDensityTurb, 0.0)   /* F 40 */                                              \
    X(int, FlagUnderflow, 0)           /* F 43 */                                              \
    X(int, Flag2Dim, 0)                /* F 44: depth-averaged model */                        \
    X(int, FlagPresGrad, 1)            /* F 46 */                                              \
    X(double, InterLimit, 0.05)        /* F 47 */                                              \
    X(int, FlagInterpolVal, 0)         /* F 48 */                                              \
    X(int, FlagTemp, 0)                /* F 49: temperature equation */                        \
    X(int, NoComponents, 0)            /* F 50: water-quality components */                    \
    X(double, Coriolis, 0.0)           /* F 51 */                                              \
    X(int, FlagCoriolis, 0)            /* F 51 */                                              \
    X(int, PrintIterBoogie, 100)       /* F 53 */                                              \
    X(int, PrintIterRes, 100)          /* F 53 */                                              \
    X(int, PrintIterForce, 1)          /* F 53 */                                              \
    X(int, PrintIterTime, 1)           /* F 53 */                                              \
    X(double, TimeBreakLimit, 1e-7)    /* F 54 */                                              \
    X(double, MaxBedConc, 0.3)         /* F 55 */                                              \
    X(int, IterAvalanche, 0)           /* F 56 */                                              \
    X(double, AngleAvalanche, 1.0)     /* F 56 */                                              \
    X(double, TFSuslope, 0.0)          /* F 57 / F 58 */                                       \
    X(int, TFStimeterm, 1)             /* F 58 */                                              \
    X(int, TFSpreszero, 0)             /* F 58 */                                              \
    X(int, TFSmovewall, 0)             /* F 58 */                                              \
    X(int, TFSfroudeforward, 1)        /* F 58 */                                              \
    X(double, TFSdiffratio, 0.02)      /* F 58 */                                              \
    X(double, TFSdampwall, 2.0)        /* F 58 */                                              \
    X(double, TFSdampobs, 2.0)         /* F 58 */                                              \
    X(double, TFStopvelocity, 0.0)     /* F 58 */                                              \
    X(double, TFSforcesource, 1.0)     /* F 58 */                                              \
    X(int, GaussIter, 10)              /* F 59: sweep pairs per Gauss-Seidel call */           \
    X(int, TSCbedrouse, 0)             /* F 60 */                                              \
    X(int, TSCbedforms, 0)             /* F 60 (stored only) */                                \
    X(int, SouComp, 0)                 /* F 63: 1 = second-order upwind for equations 8, 9 */  \
    X(int, Hydrostatic, 0)             /* F 68: morphology mode */                             \
    X(int, Seiche1, 0)                 /* F 69 (stored only) */                                \
    X(int, Seiche2, 0)                                                                         \
    X(int, Seiche3, 0)                                                                         \
    X(int, Seiche4, 0)                                                                         \
    X(int, Seiche5, 0)                                                                         \
    X(int, Seiche6, 0)                                                                         \
    X(int, Seiche7, 0)                                                                         \
    X(int, WindFlag, 0)                /* F 73 */                                              \
    X(int, BedLoadVectorFlag, 0)       /* F 78 */                                              \
    X(double, BedLoadVectorParam, 0.0) /* F 78 (stored only) */                                \
    X(int, ArrayTimeSteps, 200)        /* F 81: rows of the time-series arrays */              \
    X(double, ConcFormBCoeff, 0.053)   /* F 83 */                                              \
    X(double, ConcFormBTstar, 2.1)                                                             \
    X(double, ConcFormBDstar, 0.3)                                                             \
    X(double, ConcFormBD50, 1.5)                                                               \
    X(int, BedLoadFlag, 0)             /* F 84 */                                              \
    X(int, FlagRoughness, 0)           /* F 90 */                                              \
    X(int, StressFlag, 0)              /* F 100 */                                             \
    X(int, Flag2BedRoughness, 0)       /* F 103 (stored only) */                               \
    X(double, maxgrainRead, 0.0)       /* F 106 */                                             \
    X(int, FlagMaxgrainRead, 0)        /* F 106 */                                             \
    X(int, TFSflagUpwater, 0)          /* F 107 */                                             \
    X(double, TFSminDepth, 0.02)       /* F 108 */                                             \
    X(double, BedCritTanSlopeUp, 1.23) /* F 109 */                                             \
    X(double, BedCritTanSlopeDown, 0.78)                                                       \
    X(double, BedCritMinDamp, 0.2)                                                             \
    X(int, FlagBedDLL, 0)              /* F 111 */                                             \
    X(int, FlagRhieChow, 0)            /* F 113 */                                             \
    X(int, FlagDragDLL, 0)             /* F 115 */                                             \
    X(int, FlagSurfDLL, 0)             /* F 116 (stored only) */                               \
    X(int, FlagIODLL, 0)               /* F 117 (stored only) */                               \
    X(int, FlagCofDLL, 0)              /* F 118 */                                             \
    X(int, FlagPresDLL, 0)             /* F 119 (stored only) */                               \
    X(int, FlagWallDLL, 0)             /* F 120 */                                             \
    X(int, FlagTurbDLL, 0)             /* F 121 (stored only) */                               \
    X(int, FlagCompDLL, 0)             /* F 122 (stored only) */                               \
    X(int, FlagTSCDLL, 0)              /* F 125 (stored only) */                               \
    X(int, FlagFlowDLL, 0)             /* F 127 (stored only) */                               \
    X(int, FlagBedInterpol, 0)         /* F 129 */                                             \
    X(double, Plimit, 0.0)             /* F 133 */                                             \
    X(int, Pnloops, 0)                 /* F 133 */                                             \
    X(double, MinUPlus, 1.0)           /* F 139 (stored only) */                               \
    X(double, MinUPlusK, 1.0)          /* F 139 (stored only) */                               \
    X(double, SurfaceConvergenceCrit, 0.001) /* F 142 */                                       \
    X(int, PresRegres, 0)              /* F 143 */                                             \
    X(int, FlagBedSmooth, 0)           /* F 144 */                                             \
    X(double, ParamBedSmooth, 0.0)     /* F 144 */                                             \
    X(int, FlagRoughnessDLL, 0)        /* F 145 (stored only) */                               \
    X(int, FlagSuperCritical, 0)       /* F 146 */                                             \
    X(double, TurbMultVert, 1.0)       /* F 149 */                                             \
    X(double, TurbMultHor, 1.0)        /* F 149 */                                             \
    X(int, WallChoiseForm, 0)          /* F 150 */                                             \
    X(int, WallChoiseSed, 0)           /* F 150 */                                             \
    X(int, FlagTSCMinDepth, 0)         /* F 151 */                                             \
    X(double, TSCMinDepth, -1.0)       /* F 151 */                                             \
    X(int, SurfSmoothFlag, 0)          /* F 154 */                                             \
    X(double, SurfSmoothVal, 0.0)      /* F 154 */                                             \
    X(int, Flag1BedChange, 0)          /* F 155 */                                             \
    X(int, Flag2BedChange, 0)          /* F 155 */                                             \
    X(int, PauseFlag, 0)               /* F 156 */                                             \
    X(int, FlagSentripental, 0)        /* F 158 */                                             \
    X(double, SentripentalVelo, 0.0)   /* F 158 */                                             \
    X(int, FlagFluxTurb, 0)            /* F 161 */                                             \
    X(int, FlagRapSolver, 0)           /* F 164 */                                             \
    X(int, FlagRoughSmooth, 0)         /* F 167 */                                             \
    X(int, FlagHideEx, 0)              /* F 169 */                                             \
    X(double, HideExParam, 0.0)        /* F 169 */                                             \
    X(int, FlagBedshearGrad, 0)        /* F 173 */                                             \
    X(int, FlagCyclic, 0)              /* F 174 */                                             \
    X(int, FlagCyclicS, 0)             /* F 174 */                                             \
    X(int, FlagCyclicF, 0)             /* F 174 */                                             \
    X(int, FlagCyclicC, 0)             /* F 174 */                                             \
    X(int, FlagRBedformsmooth, 0)      /* F 176 */                                             \
    X(double, RBedformsmooth, 0.0)     /* F 176 */                                             \
    X(int, FlagSurfEps, 0)             /* F 185 */                                             \
    X(double, SurfEpsCoeff, 0.43)      /* F 185 */                                             \
    X(int, FlagBrelk, 0)               /* F 189 */                                             \
    X(double, ParamBrelk, 0.5)         /* F 189 */                                             \
    X(int, FlagCohesive, 0)            /* F 190 */                                             \
    X(double, TurbCoeffVeg, 0.0)       /* F 194 */                                             \
    X(double, XksJ1, -2.0)             /* F 195 */                                             \
    X(double, XksJ2, -2.0)             /* F 195 */                                             \
    X(int, FlagMaxShear, 0)            /* F 196 */                                             \
    X(int, DESFlag, 0)                 /* F 197 */                                             \
    X(int, FlagSlideDLL, 0)            /* F 198 */                                             \
    X(int, FlagNormSet, 0)             /* F 200 */                                             \
    X(double, NormK, 0.0001)           /* F 200 */                                             \
    X(double, NormEps, 0.0001)         /* F 200 */                                             \
    X(int, NoProcessesSolver, 0)       /* F 206: threads of the parallel solvers (0 = serial) */ \
    X(int, FlagStress1DLL, 0)          /* F 207 */                                             \
    X(int, AllocStress1DLL, 9)         /* F 207 / F 220: stress arrays */                      \
    X(int, NoLoopStress, 0)            /* F 207 */                                             \
    X(int, FlagASMvisc, 3)             /* F 207 */                                             \
    X(int, FlagTimeOrder, 0)           /* F 208 */                                             \
    X(double, ConvergenceCriteria, 0.001) /* F 211 */                                          \
    X(int, FlagWriteSpecial, 0)        /* F 212 */                                             \
    X(int, FlagReynoldsStress, 0)      /* F 220 */                                             \
    X(int, FlagWallNew, 0)             /* F 228 */                                             \
    X(int, FlagNonHydrostaticSurf, 0)  /* F 233 */                                             \
    X(int, QZfunc, 0)                  /* F 240 */                                             \
    X(int, QZstart_i, 0)                                                                       \
    X(int, QZend_i, 0)                                                                         \
    X(double, QZmidphi, 0.0)                                                                   \
    X(double, QZdelta, 0.0)                                                                    \
    X(double, QZeta, 0.0)                                                                      \
    X(double, QZn, 0.0)                                                                        \
    X(int, NoLoopBedchange, 1000)      /* F 242 */                                             \
    X(int, FlagGradDLL, 0)             /* F 243 */                                             \
    X(int, FlagFlocDLL, 0)             /* F 260 (stored only) */                               \
    X(double, cmy, 0.09)               /* F 286 (F 24 with 1 sets 0.085): c_mu */              \
    X(double, sqcmyrho, 300.0)         /* F 286: 1000 x sqrt(cmy); the wall laws renew it */   \
    X(int, FlagGammaDamp, 0)           /* F 288 */                                             \
    X(int, NoLoops, 1)                 /* F 300 */                                             \
    X(int, FlagBlockSed, 1)            /* F 300 */                                             \
    X(int, FlagDisableKoomintest, 0)   /* F 302 */                                             \
    X(int, FlagFracVer, 0)             /* F 303 */                                             \
    X(int, FlagBedVer, 0)              /* F 304 */                                             \
    X(int, TurbMultFlag, 0)            /* F 307 */

// State that no data set sets; the reader gives it these values before the scan.
#define QUIRD_RUN_STATE_DEFAULTS(X)                                                             \
    /* Writers: setParameterDefaults; ReadTimes (timei.cpp: TimeInNo..FlagTimeiConc); FlagInitPoros extra_source */  \
    /* (porous_bed.cpp) and extra_sourceDLL (vegetation.cpp); NoGeo porbed, readGeodata; RegIter topPressureMean (WaterSolve) */  \
    /* and formLidPressure (surface); FlagReadFracres readConRes; maxgrain morphology_tsc (morphology_tsc.cpp); BedRecIter morphology (morphology_quasi.cpp). */                                                                             \
    X(int, TimeInNo, 0)                /* time series of timei */                              \
    X(int, TimePrintNo, 0)                                                                     \
    X(int, FlagJTime, 0)                                                                       \
    X(int, FlagDischargeTime, 0)                                                               \
    X(int, FlagTimeiConc, 0)                                                                   \
    X(int, FlagInitPoros, 0)           /* porous layers not yet set up; extra_source(DLL) */   \
    X(int, RegIter, 0)                 /* count of the top-layer pressure averaging; also surface */ \
    X(int, FlagReadFracres, 0)         /* no bed-fraction restart read yet */                  \
    X(double, maxgrain, 0.0)           /* largest grain size found so far */                   \
    X(int, BedRecIter, 5)              /* morphology bookkeeping */                            \
    X(int, FlagSedimSolver, 0)         /* solver choice of the sediment computation */         \
    X(double, wdensity, 1000.0)        /* water density, kg/m3 */                              \
    X(double, wviscosity, 1e-6)        /* kinematic viscosity of water, m2/s */                \
    X(int, NoGeo, 0)                   /* scattered bed points (also porbed) and their scaling */\
    X(double, ScaleGeodataMult, 1.0)                                                           \
    X(double, ScaleGeodataAdd, 0.0)                                                            \
    X(int, PrintIterSurf, 100)         /* stored only, as the rest of this list */             \
    X(int, Seiche8, 0)                                                                         \
    X(int, Seiche9, 0)                                                                         \
    X(int, Seiche10, 0)                                                                        \
    X(double, vgscale, 1.0)                                                                    \
    X(double, cgscale, 1.0)                                                                    \
    X(double, dgscale, 1.0)                                                                    \
    X(double, kgscale, 1.0)                                                                    \
    X(char, rungraph, 'N')                                                                     \
    X(int, FlagDensCurr, 0)                                                                    \
    X(int, FlagStrat, 0)                                                                       \
    X(int, BedInitDistrib, 0)                                                                  \
    X(double, MorphTimeStep, 0.1)                                                              \
    X(double, HRzmax, 2.0)                                                                     \
    X(double, HRmulmin, 0.01)                                                                  \
    X(int, BlockI, 1)                                                                          \
    X(int, BlockJ, 0)                                                                          \
    X(int, BlockK, 0)


// ---------------------------------------------------------------------------
// Record types of the tables of `control`. A table of base 1 uses records
// 1..count (record 0 stays empty); a table of base 0 uses records 0..count-1.
// ---------------------------------------------------------------------------
constexpr int kTimePrintPoints = 3000;
struct TimePrintRecord {
    double time;     // s, from when the record applies
    double endTime;  // s, 1e20 for an O record
    int count;       // points 0..kTimePrintPoints
    char letter[kTimePrintPoints + 1];  // u w f k e d z t q Q L c v p
    int iCell[kTimePrintPoints + 1], jCell[kTimePrintPoints + 1], kCell[kTimePrintPoints + 1];
    int index[kTimePrintPoints + 1];  // size class for c, component for Q q L, else 0
};

// Inclusive cell ranges of a box record.
struct CellBox {
    int i1, i2, j1, j2, k1, k2;
};

struct IORecord {  // G 7: one opening
    int type;      // 0 inflow, 1 outflow
    int side;      // +-1 i-face, +-2 j-face, +-3 k-face
    int a1, a2, b1, b2;
    int paralell;  // 0, 1, or 2: along dir
    int update;
    double flux;    // m3/s
    double dir[3];  // x, y, z of the inflow direction
};

struct MInitRecord : CellBox {
    double u, v, w;
};

struct VolSourceRecord : CellBox {
    double value, value2;
};

struct SedSourceRecord {
    int block;
    double concentration[kFractionTable];  // size classes 1..50
};

struct OutBlockRecord : CellBox {
    int type;
};

struct DebugDumpRecord {
    int equation, i, j, k;
};

struct DistributionRecord {
    int i1, i2, j1, j2;
    double percent[121];  // node levels 1..znumber (at most 120)
};

struct BorderSourceRecord : CellBox {
    int component;
    double value, startTime, endTime;
};

struct OpenGlSection {
    int plane, dir, a1, a2, b1, b2, extra1, extra2;
};

struct AreaSourceRecord : CellBox {
    int size;  // size class
    double value;
};

struct PrintConcRecord {
    int direction, plane, first1, last1, first2, last2;
    double flux;
};

struct LowFixLevRecord {
    int i1, i2, j1, j2, k;
};

struct TecStrucRecord {
    int level, fraction;
    char letter;
};

struct VerttempRecord {
    double level, temperature;
};

struct MWallRecord {  // W 4: an inner wall
    int dir;          // 1, 2, 3: across i, j, k
    int posneg;       // value written into the wall flags
    int node;         // cell index along dir
    int a1, a2, b1, b2;
};

struct AttractRecord {  // W 7
    int i, j, type;
    double strength, decay;
};

struct BioTable {  // H
    double value[21];
    int code1[21], code2[21];
    int count;  // points 0..count-1 in use
};

struct QTerm {  // Q: a water-quality term
    int component, type, compA, compB;
    double value1, value2;
};
// What the F readers leave for the grid stage (state of one kread call).
struct GridReadChoices {
    bool refineI = false;       // F 7 letter D
    bool refineJ = false;       // F 7 letter J
    int lowestFrom = 0;         // 41 or 42: which of F 41 / F 42 came last; 0 neither
    double lowestValue = 0.0;   // its value
};

// Dispatch tables that tests replace (control.h, kread.h).
struct RunTasks;
struct DataSetReaders;
RunTasks defaultRunTasks();
DataSetReaders defaultDataSetReaders();

// ---------------------------------------------------------------------------
// The state of control, in the entries of state_lists.h.
// ---------------------------------------------------------------------------
// Not in the list: regionFaultState (log.h), the fault record of a parallel
// region, holds an atomic; regionFault and endRegionFault write it and
// resetEngine clears it through clearRegionFault.
// Grid sizes x, y, z and the number of size fractions, as G 1 gives them.
struct GridSizes {
    int x, y, z, l;
};

#define QUIRD_CONTROL_STATE(V, A, I, F)                                                                        \
    /* Grid sizes (G 1). Writers: readDataSetG (G 1), preReadG1 (preread.cpp), quirdMain (driver.cpp: the default */ \
    /* box grid). */                                                                                                 \
    V(int, xnumber, 0) V(int, ynumber, 0) V(int, znumber, 0) V(int, lnumber, 0)                                \
    /* Status texts and flags (front end, written only). Writers: setMessage, setProgram, kread */                   \
    /* (setParameterDefaults), the run driver (driver.cpp: quirdMain, startupSequence, runStringLoop), readres */    \
    /* (gFlagRead), writespider (gFlagWriteX), sprintflow (gFlagWriteR), morphology_tsc (morphology_tsc.cpp: mc_v2, gFlagSedim), morphology (morphology_quasi.cpp: gFlagSedim, mc_v2). */                                          \
    A(char, mc_message, [100]) A(char, mc_program, [100])                                                      \
    A(char, mc_v1, [100]) A(char, mc_v2, [100]) /* two further status lines, formatted into directly */        \
    V(int, FlagStart, 0)                                                                                       \
    V(int, gFlagRead, 0) V(int, gFlagWriteX, 0) V(int, gFlagWriteR, 0)                                        \
    V(int, gFlagSedim, 0) V(int, gFlagInit, 0) V(int, gFlagMap, 0) V(int, gFlagContour, 0)                     \
    V(int, gFlagLong, 0) V(int, gFlagVerifyProfile, 0) V(int, gFlagVerifyMap, 0) V(int, gFlagCross, 0)         \
    V(int, gFlagAnim, 0) V(int, gFlag3D, 0) V(int, gFlagColorMap, 0) V(int, gFlagVectorColorMap, 0)            \
    V(int, gFlagVectorColorMap3D, 0) V(int, gFlagTemp, 0) V(int, gFlagComp, 0)                                 \
    V(int, FlagInitSedim, 0) V(int, FlagSedimDial, 0)                                                          \
    /* Run status of the flow solvers. Writers: setParameterDefaults (FlagInitialized, FlagErrorBreak, FlagPrint */  \
    /* 0; FailureMessage ''); noteNumericalFailure (FlagErrorBreak, FailureMessage); quirdMain and runStringLoop (gFlagFlow around W and D); WaterSolve (watersolve.cpp: momentumFails, */     \
    /* continuityFailure, innerIteration, passPrintFlag); momentumStep (couplingCoefficients of momentum.cpp: */     \
    /* FlagErrorBreak at a zero centre coefficient); WaterSolve2D (watersolve2d.cpp: momentumWeights, diverged, */   \
    /* continuityFailure, passPrintFlag); readres, Components (components.cpp) (FlagInitialized); morphology_tsc (morphology_tsc.cpp: FlagPrint). */                                              \
    V(int, gFlagFlow, 0)                                     /* a flow solver runs */                          \
    V(int, FlagInitialized, 0)                               /* 1 once the flow field holds a valid state */   \
    V(int, FlagErrorBreak, 0)                                /* a solver failed numerically */                 \
    A(char, FailureMessage, [100])                           /* status text of the run's first numerical failure, trimmed */ \
    V(int, FlagPrint, 0)                                     /* 0: the current iteration is logged */          \
    /* Run state. Writers: setParameterDefaults; quirdMain and writeDefaultGrid (driver.cpp); FlagGridChange also */ \
    /* moveGrid of WaterSolve and WaterSolve2D, surface, surface_tfs2D. */                                           \
    V(int, FlagGridChange, 0)                                /* free-surface updates moved grid levels */      \
    /* Writers: readres (result_file.cpp) and the letter-X task (readGridFiles of driver.cpp) set it; WaterSolve clears it. */  \
    V(int, FlagFieldRefit, 0)                                /* the flow field's boundary is not fitted to the grid */ \
    V(double, xdial, 0.0) V(double, ydial, 0.0) V(double, zdial, 0.0) /* extent of the default box grid */     \
    /* The way out of the process. Writer: setExitHandler. */                                                  \
    V(ExitHandler, gExitHandler, nullptr)                    /* null: endRun calls std::exit */                \
    /* Blocks of the field arrays. Writers: createFieldArray, releaseAllFieldArrays (fieldarray.cpp). */             \
    V(std::vector<void*>*, fieldArrayBlocks, nullptr)                                                          \
    /* Dispatch tables. Writers: tests only (the defaults at start). */                                        \
    V(RunTasks, runTasks, defaultRunTasks())                 /* the task routines of the run letters */        \
    V(DataSetReaders, dataSetReaders, defaultDataSetReaders()) /* the readers the scanner hands data sets */   \
    /* F data sets. Writers: readDataSetF and its row functions (readers_f.cpp), setParameterDefaults; */            \
    /* roughnessDefaults of startup (XksWall from the Manning number, XksJ1 and XksJ2 from XksWall); the wall */     \
    /* laws wall, wallallOpenMP, wallnew, wallall2D and wallLawStep (sqcmyrho from cmy); defaultMinDepth of */     \
    /* bedmoves.cpp (TSCMinDepth); Components (components.cpp: TimeStep); morphology_tsc (morphology_tsc.cpp: FlagInterpolVal around the end result); tscTimeSeries (time_series.cpp: TimeStep). */                                                                                \
    QUIRD_F_PARAMETERS(V)                                                                                      \
    I(char, run, [20], ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',                                       \
      ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ')      /* F 2: run string */                             \
    A(char, options, [20])                                   /* F 7: option letters at 1..8 */                 \
    A(int, BedFlags, [10])                                   /* F 30: bed-concentration flags 0..5 (6..9 always 0) */ \
    A(double, Wind, [3])                                     /* F 52: wind speed, wind factor, third value stored only */ \
    I(double, invSchmidt, [51], 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,                             \
      1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,                                 \
      1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1) /* F 12, F 199: reciprocal Schmidt number per size class 0..50 */ \
    A(double, cohesive, [kFractionTable])                    /* F 131: extra critical shear of cohesive sediment per class */ \
    V(double, TurbMultTest, 0.0) V(double, TurbMultLev, 0.0) /* F 307 (no default: zero until read) */         \
    V(double, erodibleDepth, 0.0)                            /* F 41 */                                        \
    V(double, erodibleLevel, 0.0)                            /* F 42; the last of F 41, F 42 goes to the grid stage */ \
    V(int, runtimeMaxThreads, 0)                             /* F 206: the runtime's maximum, asked once per reading */ \
    V(GridReadChoices, gridReadChoices, {})                  /* F 7 D, J, F 41, F 42 for readGridInput */      \
    /* State that no data set sets. Writer: setParameterDefaults (the values before the scan). */              \
    QUIRD_RUN_STATE_DEFAULTS(V)                                                                                \
    /* The sizes in effect when a reading of control began (those of the pre-read of G 1): the data */      \
    /* sets before the first G 1 were checked against them, so G 1 may not shrink them. Writer: */          \
    /* setRecordDefaults. */                                                                                 \
    V(GridSizes, sizesAtStart, GridSizes{})                                                                   \
    /* G data sets. Writers: readDataSetG (readers_g.cpp: its readG functions, checkIO), setRecordDefaults, */       \
    /* writeControlMin (zdistrib); LowerFixedLevel setLowerFixedLevel; tscAccountStep (sediment_account.cpp: PrintConc flux); PrintConc.flux sectionFluxes (sediment_balance.cpp). */                                            \
    V(bool, gridSizesGiven, false)                           /* set by the first accepted G 1 */               \
    V(int, iblok1, 0) V(int, iblok2, 0) V(int, jblok1, 0) V(int, jblok2, 0) /* G 2: blocked columns */         \
    A(double, zdistrib, [1001])                              /* G 3: cumulative height percentage of node level k */ \
    V(int, i_pointsource, 0) V(int, j_pointsource, 0) V(int, k_pointsource, 0) /* G 4, G 5: first cell */      \
    V(int, i2_pointsource, 0) V(int, j2_pointsource, 0) V(int, k2_pointsource, 0) /* G 5: last cell (0: one cell) */ \
    A(double, pointsource, [kFractionTable])                 /* G 4, G 5: per size class 1..lnumber */         \
    V(int, iSurf, 0) V(int, jSurf, 0) V(int, kSurf, 0)       /* G 6: surface reference point */                \
    V(double, RelaxSurface, 1.0) V(double, ConvSurface, 0.01) /* G 6 */                                        \
    V(int, IONo, 0)                                          /* G 7: records 1..IONo; -10 after checkIO found a fault */ \
    A(IORecord, IO, [20])                                    /* G 7, base 1 */                                 \
    V(int, MInitNo, 0) A(MInitRecord, MInit, [20])           /* G 8, base 1 */                                 \
    V(int, SpecEnergy, 0)                                    /* G 9: section of the energy log */              \
    V(int, VolSourceNo, 0) A(VolSourceRecord, VolSource, [101]) /* G 10, G 11, base 1 */                       \
    V(int, SedSourceNo, 0) A(SedSourceRecord, SedSource, [20]) /* G 12, base 1 */                              \
    V(int, OutBlockNo, 0) A(OutBlockRecord, OutBlock, [50])  /* G 13, base 1 */                                \
    V(int, DebugDumpNo, 0) A(DebugDumpRecord, DebugDump, [30]) /* G 14, base 1 */                              \
    V(double, MouseScale, 1.0)                               /* G 15 */                                        \
    V(int, DistribNo, 0) A(DistributionRecord, Distribution, [501]) /* G 16, base 0 */                         \
    V(int, BorderSourceNo, 0) A(BorderSourceRecord, BorderSource, [100]) /* G 17, G 18, base 0 */              \
    V(int, sOpenGL3DNo, 0) A(OpenGlSection, sOpenGl3D, [50]) /* G 19, base 0 */                                \
    V(int, AreaSourceNo, 0) A(AreaSourceRecord, AreaSource, [50]) /* G 20, base 0 */                           \
    V(int, PrintConcNo, 0) A(PrintConcRecord, PrintConc, [51]) /* G 21, base 0 (at most 19 records) */         \
    V(int, NoLowFixLev, 0) A(LowFixLevRecord, LowFixLev, [501]) /* G 23, base 0 */                             \
    F(int, 2, LowerFixedLevel)                               /* G 23 boxes: the lowest fixed level per column */ \
    V(int, TecStrucNo, 0) A(TecStrucRecord, TecStruc, [300]) /* G 24, base 0 */                                \
    V(int, NoVerttemp, 0) A(VerttempRecord, Verttemp, [50])  /* G 40, base 0, highest level first */           \
    A(int, FlagOpenMP, [40])                                 /* G 50: 1 = serial variant */                    \
    /* K data sets. Writers: readDataSetK, setRecordDefaults (records.cpp); iterGlobalMax morphology_tsc (morphology_tsc.cpp); sou also secondOrderComponents (F */     \
    /* 63). */                                                                                                       \
    V(long, iterGlobalMax, 40000) V(long, IterSurface, 50000) /* K 1 */                                        \
    V(int, FlagWall, 0) V(int, FlagRoof, 1)                  /* K 2 */                                         \
    I(double, relax, [kEquationTable], 0, 0.8, 0.8, 0.8, 0.2, 0.5, 0.5) /* K 3: relaxation factors per equation */ \
    I(int, sweeps, [kEquationTable], 0, 1, 1, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1) /* K 4: solver calls per equation */ \
    A(int, blockcorr, [kEquationTable])                      /* K 5: block-correction mode per equation */     \
    A(int, sou, [kEquationTable])                            /* K 6: scheme per equation */                    \
    V(char, conti, 'N')                                      /* K 8 */                                         \
    V(char, simple, 'Y')                                     /* K 9: Y = SIMPLE, else SIMPLEC */               \
    V(char, lcray, 'Y')                                      /* K 10: Y = point Gauss-Seidel, else line solver */ \
    /* P data sets. Writers: readDataSetP, setRecordDefaults; znode also betweenPasses of kread and */               \
    /* readMonitoringCell (osiio2.cpp); lnode also the plot-file writers writeTecplot3D, writeParaView2D, */         \
    /* writeParaView3D. */                                                                                           \
    V(double, xscale, 1.0) V(double, yscale, 1.0) V(double, zscale, 1.0) /* P 2 */                             \
    V(double, movex, 0.0) V(double, movey, 0.25)             /* P 2 */                                         \
    V(int, xnode, 2) V(int, ynode, 2) V(int, znode, 2) V(int, lnode, 1) /* P 3: monitoring cell */             \
    V(char, graph, 'g')                                      /* P 4 */                                         \
    V(char, VerHorPar, '\0')                                 /* P 7 */                                         \
    V(int, PrintRes, 0)                                      /* P 10 */                                        \
    /* W data sets. Writers: readDataSetW (readers_kpw.cpp), readDataSetW5, kread (setDefaults of osiio1.cpp), */    \
    /* setRecordDefaults, writeControlMin (initnumber, initarray), quirdMain (the default box grid); ISkjotMB */     \
    /* setBlockSeams. */                                                                                             \
    V(double, ManningInit, 50.0) V(double, discharge, 0.0) V(double, level, 0.0) /* W 1 */                     \
    V(int, initnumber, 0)                                    /* W 2 */                                         \
    A(int, initarray, [3000])                                /* W 2: cross-sections 1..initnumber */           \
    V(int, MBNo, 0)                                          /* W 3: joined grid blocks */                     \
    A(int, MBSkjot, [10]) A(int, MBStart, [10])              /* W 3: per block 1..MBNo */                      \
    F(int, 1, ISkjotMB)                                      /* W 3: the block seam of each node line */       \
    V(int, MWallNo, 0) A(MWallRecord, MWall, [300])          /* W 4: inner walls, base 1 */                    \
    V(int, FastNo, 0)                                                                                          \
    A(int, iFast, [20000]) A(int, jFast, [20000])            /* W 6, base 1 */                                 \
    V(int, AttractNo, 0) A(AttractRecord, Attract, [2000])   /* W 7, base 1 */                                 \
    /* Lettered data sets. Writers: readDataSetH, I, L, N, Q, S, T, B (readers_letters.cpp), setRecordDefaults, */   \
    /* checkGrainData. */                                                                                            \
    A(BioTable, Bio, [15])                                   /* H */                                           \
    A(double, inflow, [kFractionTable])                      /* I: sediment inflow per size class (kg/s) */    \
    V(int, contourNo, 0)                                     /* L */                                           \
    A(double, contourLevels, [20])                           /* L: entries 0..contourNo-1 */                   \
    A(double, SedimentSample, [21][kFractionTable])          /* N: [sample][size class] */                     \
    V(int, SampleNo, 0)                                      /* N: highest sample given */                     \
    V(int, NoTerms, 0)                                                                                         \
    A(QTerm, QTerms, [200])                                  /* Q, base 0 */                                   \
    A(char, QualityName, [40][40])                           /* Q type 0: component names */                   \
    A(double, gsize, [kFractionTable])                       /* S: grain diameter (m), coarsest class 1 */     \
    A(double, fallvelo, [kFractionTable])                    /* S: fall velocity (m/s) */                      \
    V(bool, sizesGiven, false)                               /* S: set by every accepted S data set */         \
    A(char, Title, [32])                                     /* T: position 0 empty, the title from position 1 */ \
    /* Time series and output probes of `timei`. Writers: ReadTimes; sialloc (Cinn cleared). */                      \
    A(TimePrintRecord, TimePrint, [50])                      /* O and P records */                             \
    F(double, 1, TimeInTime) F(double, 1, TimeInTimStep)                                                       \
    F(double, 1, TimeInHinn) F(double, 1, TimeInHout)                                                          \
    F(double, 2, Cinn) F(double, 2, Winn) F(double, 1, Irradi)                                                 \
    F(double, 1, AirTemp) F(double, 2, QDinn) F(double, 1, Tempinn)

QUIRD_DECLARE_STATE(QUIRD_CONTROL_STATE)
