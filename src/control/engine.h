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
// F data sets
extern char run[20];          // F 2: run string
extern int IterF2;            // F 20: cycles over the run string
extern double TimeStep;       // F 17 / F 33: time step (s); time-dependent above 1e-8
extern int Flag2Dim;          // F 44: depth-averaged model
extern int FlagTSC;           // F 37: morphology driver of letter S
extern int FlagTemp;          // F 49: temperature equation
extern int NoComponents;      // F 50: water-quality components
extern int SedimentScheme;    // F 27: 1 = second-order upwind for sediment
extern int SouComp;           // F 63: 1 = second-order upwind for equations 8 and 9
extern int BedLoadVectorFlag; // F 78
extern int ArrayTimeSteps;    // F 81: rows of the time-series arrays
extern double RelaxRhieChow;  // F 21
extern int FlagBedPoros;      // F 7 letter P
extern int FlagDragDLL;       // F 115
extern int FlagCofDLL;        // F 118
extern int FlagRapSolver;     // F 164
extern int FlagStress1DLL, AllocStress1DLL;  // F 207
extern int FlagTimeOrder;     // F 208
extern int FlagReynoldsStress;  // F 220
extern double Schmidt;          // F 12
extern double invSchmidt[51];   // F 12, F 199: reciprocal Schmidt numbers
extern double StressDiff;       // F 13
extern double ArtDiff;          // F 14
extern double InputErrorLimit;  // F 38
extern int FlagUnderflow;       // F 43
extern int GaussIter;           // F 59: sweep pairs per Gauss-Seidel call
extern int NoProcessesSolver;   // F 206: threads of the parallel solvers (0 = serial)
extern int TurbulenceModel;     // F 24: turbulence model
extern double TurbMultVert, TurbMultHor;  // F 149: vertical and horizontal diffusion multipliers

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
