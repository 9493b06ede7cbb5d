// Global state of the engine: grid sizes, run state, status flags, the
// parameters of `control` and every grid-sized field array.
//
// Everything here is owned by run control (reader of `control`, allocator,
// run driver); the other subsystems read and write it directly.
#pragma once

#include <cstdint>

#include "control/fieldarray.h"
#include "control/log.h"

// ---------------------------------------------------------------------------
// Fixed table sizes.
// ---------------------------------------------------------------------------
constexpr int kMaxFractions = 50;               // largest lnumber that G 1 accepts
constexpr int kFractionTable = kMaxFractions + 2;  // per-fraction tables: 0..lnumber+1
constexpr int kEquationTable = 20;              // per-equation tables, equations 1..18 (8 + 10 components)

// ---------------------------------------------------------------------------
// Grid sizes (G 1) and counts of the extents.
// ---------------------------------------------------------------------------
extern int xnumber, ynumber, znumber, lnumber;

// ---------------------------------------------------------------------------
// Status flags for an observing front end (written only).
// ---------------------------------------------------------------------------
extern int FlagStart;
extern int gFlagRead, gFlagWriteX, gFlagWriteR, gFlagFlow, gFlagSedim, gFlagInit, gFlagMap,
    gFlagContour, gFlagLong, gFlagVerifyProfile, gFlagVerifyMap, gFlagCross, gFlagAnim, gFlag3D,
    gFlagColorMap, gFlagVectorColorMap, gFlagVectorColorMap3D, gFlagTemp, gFlagComp;
extern int FlagInitSedim, FlagSedimDial;

// ---------------------------------------------------------------------------
// Run state.
// ---------------------------------------------------------------------------
extern int FlagGridChange;   // free-surface updates moved grid levels
extern int FlagInitialized;  // 1 once the flow field holds a valid state
extern int FlagErrorBreak;   // a solver failed numerically
extern double xdial, ydial, zdial;  // extent of the default box grid

// ---------------------------------------------------------------------------
// Parameters of `control` (defaults as set by the reader before the scan).
// ---------------------------------------------------------------------------
// F data sets. Each list entry is X(type, name, default); the definitions
// in engine.cpp and the defaults block of the reader use the same lists.
#define QUIRD_F_PARAMETERS(X)                                                                   \
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
    X(double, sqcmyrho, 300.0)         /* F 286: 1000 x sqrt(cmy) */                           \
    X(int, FlagGammaDamp, 0)           /* F 288 */                                             \
    X(int, NoLoops, 1)                 /* F 300 */                                             \
    X(int, FlagBlockSed, 1)            /* F 300 */                                             \
    X(int, FlagDisableKoomintest, 0)   /* F 302 */                                             \
    X(int, FlagFracVer, 0)             /* F 303 */                                             \
    X(int, FlagBedVer, 0)              /* F 304 */                                             \
    X(int, TurbMultFlag, 0)            /* F 307 */

#define QUIRD_DECLARE_PARAMETER(T, N, D) extern T N;
QUIRD_F_PARAMETERS(QUIRD_DECLARE_PARAMETER)

extern char run[20];          // F 2: run string
extern char options[20];      // F 7: option letters at 1..8
extern int BedFlags[10];      // F 30: bed-concentration flags 0..5 (6..9 always 0)
extern double Wind[3];        // F 52: wind speed, wind factor, third value stored only
extern double invSchmidt[51];  // F 12, F 199: reciprocal Schmidt number per size class 0..50
extern double cohesive[kFractionTable];  // F 131: extra critical shear of cohesive sediment per class
extern double TurbMultTest, TurbMultLev;  // F 307 (no default: zero until read)

// State that no data set sets; the reader gives it these values before the scan.
#define QUIRD_RUN_STATE_DEFAULTS(X)                                                             \
    X(int, TimeInNo, 0)                /* time series of timei */                              \
    X(int, TimePrintNo, 0)                                                                     \
    X(int, FlagJTime, 0)                                                                       \
    X(int, FlagDischargeTime, 0)                                                               \
    X(int, FlagTimeiConc, 0)                                                                   \
    X(int, FlagInitPoros, 0)           /* porous layers not yet set up */                      \
    X(int, FlagPrint, 0)               /* current iteration is logged */                       \
    X(int, RegIter, 0)                 /* count of the top-layer pressure averaging */         \
    X(int, FlagReadFracres, 0)         /* no bed-fraction restart read yet */                  \
    X(double, maxgrain, 0.0)           /* largest grain size found so far */                   \
    X(int, BedRecIter, 5)              /* morphology bookkeeping */                            \
    X(int, FlagSedimSolver, 0)         /* solver choice of the sediment computation */         \
    X(double, wdensity, 1000.0)        /* water density, kg/m3 */                              \
    X(double, wviscosity, 1e-6)        /* kinematic viscosity of water, m2/s */                \
    X(int, NoGeo, 0)                   /* scattered bed points and their scaling */            \
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

QUIRD_RUN_STATE_DEFAULTS(QUIRD_DECLARE_PARAMETER)
#undef QUIRD_DECLARE_PARAMETER

// Output probes of `timei` (O and P records) for the `timeo` writers:
// records 0..TimePrintNo-1, points 0..count-1 of each.
constexpr int kTimePrintPoints = 3000;
struct TimePrintRecord {
    double time;     // s, from when the record applies
    double endTime;  // s, 1e20 for an O record
    int count;       // points 0..kTimePrintPoints
    char letter[kTimePrintPoints + 1];  // u w f k e d z t q Q L c v p
    int iCell[kTimePrintPoints + 1], jCell[kTimePrintPoints + 1], kCell[kTimePrintPoints + 1];
    int index[kTimePrintPoints + 1];  // size class for c, component for Q q L, else 0
};
extern TimePrintRecord TimePrint[50];

// G data sets
extern double zdistrib[1001];  // G 3: cumulative height percentage of node level k

// K data sets
extern int FlagWall, FlagRoof;   // K 2
extern double relax[kEquationTable];  // K 3: relaxation factors per equation
extern int sweeps[kEquationTable];    // K 4: solver calls per equation
extern int blockcorr[kEquationTable]; // K 5: block-correction mode per equation
extern int sou[kEquationTable];       // K 6: scheme per equation
extern char lcray;                    // K 10: Y = point Gauss-Seidel, else line solver
extern char simple;              // K 9: Y = SIMPLE, else SIMPLEC

// W data sets
extern double ManningInit, discharge, level;  // W 1
extern int initnumber;                         // W 2
extern int initarray[3000];                    // W 2: cross-sections 1..initnumber
extern int MBNo;                               // W 3: joined grid blocks
extern int MBSkjot[10], MBStart[10];           // W 3: per block 1..MBNo

// Record tables of control. A table of base 1 uses records 1..count (record 0
// stays empty); a table of base 0 uses records 0..count-1.

// G data sets: grid places, openings and box records
extern int iblok1, iblok2, jblok1, jblok2;                         // G 2: blocked columns
extern int i_pointsource, j_pointsource, k_pointsource;           // G 4, G 5: first cell
extern int i2_pointsource, j2_pointsource, k2_pointsource;        // G 5: last cell (0: one cell)
extern double pointsource[kFractionTable];                        // G 4, G 5: per size class 1..lnumber
extern int iSurf, jSurf, kSurf;                                   // G 6: surface reference point
extern double RelaxSurface, ConvSurface;                          // G 6
extern int SpecEnergy;                                            // G 9: section of the energy log
extern double MouseScale;                                         // G 15
extern int FlagOpenMP[40];                                        // G 50: 1 = serial variant

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
extern int IONo;         // also in readers.h: -10 after checkIO found a fault
extern IORecord IO[20];  // base 1

struct MInitRecord : CellBox {
    double u, v, w;
};
extern int MInitNo;
extern MInitRecord MInit[20];  // G 8, base 1

struct VolSourceRecord : CellBox {
    double value, value2;
};
extern int VolSourceNo;
extern VolSourceRecord VolSource[101];  // G 10, G 11, base 1

struct SedSourceRecord {
    int block;
    double concentration[kFractionTable];  // size classes 1..50
};
extern int SedSourceNo;
extern SedSourceRecord SedSource[20];  // G 12, base 1

struct OutBlockRecord : CellBox {
    int type;
};
extern int OutBlockNo;
extern OutBlockRecord OutBlock[50];  // G 13, base 1

struct DebugDumpRecord {
    int equation, i, j, k;
};
extern int DebugDumpNo;
extern DebugDumpRecord DebugDump[30];  // G 14, base 1

struct DistributionRecord {
    int i1, i2, j1, j2;
    double percent[121];  // node levels 1..znumber (at most 120)
};
extern int DistribNo;
extern DistributionRecord Distribution[501];  // G 16, base 0

struct BorderSourceRecord : CellBox {
    int component;
    double value, startTime, endTime;
};
extern int BorderSourceNo;
extern BorderSourceRecord BorderSource[100];  // G 17, G 18, base 0

struct OpenGlSection {
    int plane, dir, a1, a2, b1, b2, extra1, extra2;
};
extern int sOpenGL3DNo;
extern OpenGlSection sOpenGl3D[50];  // G 19, base 0

struct AreaSourceRecord : CellBox {
    int size;  // size class
    double value;
};
extern int AreaSourceNo;
extern AreaSourceRecord AreaSource[50];  // G 20, base 0

struct PrintConcRecord {
    int direction, plane, first1, last1, first2, last2;
    double flux;
};
extern int PrintConcNo;
extern PrintConcRecord PrintConc[51];  // G 21, base 0 (at most 19 records)

struct LowFixLevRecord {
    int i1, i2, j1, j2, k;
};
extern int NoLowFixLev;
extern LowFixLevRecord LowFixLev[501];  // G 23, base 0

struct TecStrucRecord {
    int level, fraction;
    char letter;
};
extern int TecStrucNo;
extern TecStrucRecord TecStruc[300];  // G 24, base 0

struct VerttempRecord {
    double level, temperature;
};
extern int NoVerttemp;
extern VerttempRecord Verttemp[50];  // G 40, base 0, highest level first

// K data sets (continued)
extern long iterGlobalMax, IterSurface;  // K 1
extern char conti;                       // K 8

// P data sets (xnode.. lnode of P 3 in readers.h)
extern double xscale, yscale, zscale, movex, movey;  // P 2
extern char graph;                                   // P 4
extern char VerHorPar;                               // P 7
extern int PrintRes;                                 // P 10

// W data sets (continued)
struct MWallRecord {  // W 4: an inner wall
    int dir;          // 1, 2, 3: across i, j, k
    int posneg;       // value written into the wall flags
    int node;         // cell index along dir
    int a1, a2, b1, b2;
};
extern int MWallNo;
extern MWallRecord MWall[300];  // base 1

extern int FastNo;
extern int iFast[20000], jFast[20000];  // W 6, base 1

struct AttractRecord {  // W 7
    int i, j, type;
    double strength, decay;
};
extern int AttractNo;
extern AttractRecord Attract[2000];  // base 1

// Lettered data sets
struct BioTable {  // H
    double value[21];
    int code1[21], code2[21];
    int count;  // points 0..count-1 in use
};
extern BioTable Bio[15];

extern double inflow[kFractionTable];  // I: sediment inflow per size class (kg/s)

extern int contourNo;             // L
extern double contourLevels[20];  // L: entries 0..contourNo-1

extern double SedimentSample[21][kFractionTable];  // N: [sample][size class]
extern int SampleNo;                               // N: highest sample given

struct QTerm {  // Q: a water-quality term
    int component, type, compA, compB;
    double value1, value2;
};
extern int NoTerms;
extern QTerm QTerms[200];        // base 0
extern char QualityName[40][40];  // Q type 0: component names

extern double gsize[kFractionTable];     // S: grain diameter (m), coarsest class 1
extern double fallvelo[kFractionTable];  // S: fall velocity (m/s)

// T data set
extern char Title[32];  // position 0 empty, the title from position 1

// ---------------------------------------------------------------------------
// Field arrays, in the allocator's creation order (see sialloc).
// X(type, rank, name)
// ---------------------------------------------------------------------------
#define QUIRD_FIELD_ARRAYS(X)                                                                  \
    X(double, 2, xval) X(double, 2, yval) X(double, 3, zval) X(double, 3, Xc) X(double, 3, Yc)   \
    X(double, 2, P) X(double, 2, Q) X(int, 3, graphDum)                                          \
    X(double, 3, PorosityBed) X(double, 3, LevPorosBed) X(double, 3, Porosity)                   \
    X(double, 3, StemNumber) X(double, 3, StemDiameter) X(double, 3, DragCoeff)                  \
    X(double, 3, EpsilonCoeff)                                                                   \
    X(double, 3, m_ar_x) X(double, 3, m_ar_y) X(double, 3, m_ar_z) X(double, 3, m_dist_x)        \
    X(double, 3, m_dist_y) X(double, 3, m_dist_z) X(double, 3, m_vec_x) X(double, 3, m_vec_y)    \
    X(double, 4, m_vec_z) X(double, 2, m_armap)                                                  \
    X(double, 3, xvel) X(double, 3, yvel) X(double, 3, zvel) X(double, 3, kinen)                 \
    X(double, 3, epsilon) X(double, 3, fStorage) X(double, 3, fnn) X(double, 3, diff)            \
    X(double, 3, flow1) X(double, 3, flow2) X(double, 3, flow3)                                  \
    X(double, 1, avvelocity) X(double, 1, radius) X(double, 1, grade) X(double, 1, pt)           \
    X(double, 1, qt)                                                                             \
    X(double, 3, xvel_old) X(double, 3, yvel_old) X(double, 3, zvel_old)                         \
    X(double, 3, xvel_old2) X(double, 3, yvel_old2) X(double, 3, zvel_old2)                      \
    X(double, 3, kinen_old) X(double, 3, epsilon_old) X(double, 3, kinen_old2)                   \
    X(double, 3, epsilon_old2)                                                                   \
    X(double, 3, temp) X(double, 4, comp) X(double, 3, temp_old) X(double, 4, comp_old)          \
    X(double, 4, conc) X(double, 4, conc_old)                                                    \
    X(double, 3, ae) X(double, 3, aw) X(double, 3, an) X(double, 3, as)                          \
    X(double, 4, at) X(double, 4, ab) X(double, 4, ap) X(double, 4, catt) X(double, 4, cabb)     \
    X(double, 3, k_diff) X(double, 3, bedgrain) X(double, 3, bedlevchange)                       \
    X(double, 3, BedGrainOriginal) X(double, 3, BedGrainTop) X(double, 3, BedSource)             \
    X(double, 3, Surfaces) X(double, 2, bedshear) X(double, 2, mass) X(double, 2, BedMove)       \
    X(double, 2, blevel) X(double, 2, bedslope_correction) X(double, 2, BedChangeTotal)          \
    X(double, 2, Bedformheight) X(double, 2, LineI) X(double, 2, LineJ)                          \
    X(double, 1, xdistance) X(double, 1, ManArray) X(int, 2, intBedSediment)                     \
    X(int, 2, LowerFixedLevel) X(int, 2, kblok) X(int, 2, twoD)                                  \
    X(double, 3, aee) X(double, 3, ann) X(double, 3, aww) X(double, 3, ass) X(double, 3, att)    \
    X(double, 3, abb)                                                                            \
    X(double, 3, aeb) X(double, 3, awb) X(double, 3, anb) X(double, 3, asb)                      \
    X(double, 2, dx1) X(double, 2, dx2) X(double, 2, dy1) X(double, 2, dy2)                      \
    X(double, 3, dz1) X(double, 3, dz2) X(double, 3, dz3)                                        \
    X(double, 3, Pres) X(double, 3, source) X(double, 3, invFlow) X(double, 3, invAPC)           \
    X(double, 3, invAP) X(double, 3, iAp) X(double, 3, gama) X(double, 3, gamaV)                 \
    X(double, 3, Volume) X(double, 3, Stress) X(double, 3, wap) X(double, 3, wat)                \
    X(double, 3, wab)                                                                            \
    X(double, 2, Froude) X(double, 2, Idh) X(double, 2, Jdh) X(double, 2, Xks)                   \
    X(double, 2, D90a) X(double, 2, D50a)                                                        \
    X(int, 3, WallI) X(int, 3, WallJ) X(int, 3, WallK) X(int, 3, Wall) X(int, 3, OBlok)          \
    X(int, 3, Pi1MultiBlock) X(int, 2, Pj1MultiBlock) X(int, 2, Pj2MultiBlock)                   \
    X(int, 2, MutBlock) X(int, 1, ISkjotMB) X(double, 4, MBFlow) X(double, 2, psc)               \
    X(double, 4, Rstress)                                                                        \
    X(double, 1, TimeInTime) X(double, 1, TimeInTimStep) X(double, 1, TimeInHinn)                \
    X(double, 1, TimeInHout) X(double, 2, Cinn) X(double, 2, Winn) X(double, 1, Irradi)          \
    X(double, 1, AirTemp) X(double, 2, QDinn) X(double, 1, Tempinn)

#define QUIRD_DECLARE_ARRAY(T, R, N) extern FieldArray<T, R> N;
QUIRD_FIELD_ARRAYS(QUIRD_DECLARE_ARRAY)
#undef QUIRD_DECLARE_ARRAY

constexpr int kFieldArrayCount = 147;

// The equation workspace's pointer to the field being solved; it starts on
// fStorage, the array that the allocator creates for it.
extern FieldArray<double, 3> f;

// A pointer that no routine allocates or reads; SetArraysZero clears it.
extern FieldArray<double, 3> BVSource;

// ---------------------------------------------------------------------------
// Allocator.
// ---------------------------------------------------------------------------
// Sets every field-array pointer to null (releasing blocks of an earlier start).
void SetArraysZero();
// Creates every array whose pointer is null and whose condition holds.
// 0 on success, -1 when `boogie` cannot be opened or an allocation fails.
int sialloc();
// Visits every field array of the creation order (name, handle).
void forEachFieldArray(void (*visit)(const char* name, FieldArrayBase& array, void* ctx), void* ctx);
