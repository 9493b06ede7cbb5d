// Readers of the F data sets of `control` and the defaults of their parameters.
//
// Most F data sets are one row of the table below: the number, the format
// applied at the current position of `control`, the fields it fills with
// what each accepts, whether all fields must convert, and the message of a
// rejected data set. A field that does not convert keeps its value (its
// default or an earlier data set's), and the checks apply to what it then
// holds. The data sets that do more than store and check have a small named
// function: either as the work after an accepted row, or as the whole reader.
#include <omp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "control/state.h"
#include "control/kread.h"
#include "control/readers.h"
#include "control/record_scan.h"
#include "control/turbulence_models.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// What a field accepts. Every bound is written so that NaN fails it.
struct Accept {
    enum Kind { Any, Range, Magnitude, Letters } kind = Any;
    double lo = -kInf, hi = kInf;
    bool lowOpen = false;            // lo < value instead of lo <= value
    const char* letters = nullptr;   // Letters: one of these characters
};
constexpr Accept any{};
constexpr Accept range(double lo, double hi) { return {Accept::Range, lo, hi, false, nullptr}; }
constexpr Accept atLeast(double lo) { return {Accept::Range, lo, kInf, false, nullptr}; }
constexpr Accept aboveUpTo(double lo, double hi) { return {Accept::Range, lo, hi, true, nullptr}; }
constexpr Accept magnitudeUpTo(double m) { return {Accept::Magnitude, 0.0, m, false, nullptr}; }
constexpr Accept oneOf(const char* letters) { return {Accept::Letters, 0.0, 0.0, false, letters}; }

// One field of a data set: the parameter it fills and what it accepts.
struct Field {
    enum Type { Int, Double, Char } type;
    void* target;
    Accept accept;

    Field(int& v, Accept a = any) : type(Int), target(&v), accept(a) {}
    Field(double& v, Accept a = any) : type(Double), target(&v), accept(a) {}
    Field(char& v, Accept a = any) : type(Char), target(&v), accept(a) {}

    // One conversion directive of the format ("%d", " %lf", ...) into the field.
    // Numbers go through the shared readers, which leave a letter where a value
    // is missing to the scanner: "%lf" alone would swallow the I or N of the
    // next data set while it looks for "inf" or "nan".
    bool scan(FILE* fp, const char* directive) const {
        switch (type) {
        case Int: return readInt(fp, *static_cast<int*>(target));
        case Double: return readDouble(fp, *static_cast<double*>(target));
        case Char: return std::fscanf(fp, directive, static_cast<char*>(target)) == 1;
        }
        return false;
    }

    double value() const {
        switch (type) {
        case Int: return *static_cast<const int*>(target);
        case Double: return *static_cast<const double*>(target);
        case Char: return *static_cast<const char*>(target);
        }
        return 0.0;
    }

    bool accepted() const {
        const double v = value();
        switch (accept.kind) {
        case Accept::Any: return true;
        case Accept::Range: return (accept.lowOpen ? v > accept.lo : v >= accept.lo) && v <= accept.hi;
        case Accept::Magnitude: return std::fabs(v) <= accept.hi;
        case Accept::Letters: {
            const char c = *static_cast<const char*>(target);
            return c != '\0' && std::strchr(accept.letters, c) != nullptr;
        }
        }
        return false;
    }
};

// "all n": exactly n fields must convert; KeepOld: conversions are not counted.
enum Count { All, KeepOld };

struct FDataSet {
    int number;
    const char* format;
    std::vector<Field> fields;
    Count count;
    const char* message;                // nullptr: never rejected
    void (*then)(FILE*) = nullptr;      // work of an accepted data set
    bool (*alsoAccepts)() = nullptr;    // a check across fields
    void (*reader)(FILE*) = nullptr;    // a reader of its own instead of the format
};

FDataSet special(int number, void (*reader)(FILE*)) {
    FDataSet row{number, nullptr, {}, KeepOld, nullptr};
    row.reader = reader;
    return row;
}

// ---------------------------------------------------------------------------
// Character readers of F 2 and F 7.
// ---------------------------------------------------------------------------
// Stores characters from the current position into dst[0..max-1] until it has
// stored the first one that is not printable (usually the line end); a CR LF
// pair is one line end, stored as LF. Returns the number stored.
int readCharacters(FILE* fp, char* dst, int max) {
    int n = 0;
    while (n < max) {
        int c = std::fgetc(fp);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::fgetc(fp);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, fp);
        }
        dst[n++] = static_cast<char>(c);
        if (!printable(c)) break;
    }
    return n;
}

constexpr int kRunStringLength = 20;
constexpr int kOptionLetters = 8;

void readRunString(FILE* fp) {
    std::memset(run, ' ', sizeof run);
    readCharacters(fp, run, kRunStringLength);
}

void readOptionLetters(FILE* fp) {
    const int stored = readCharacters(fp, options + 1, kOptionLetters);
    for (int n = 1; n <= stored; ++n) {
        switch (options[n]) {
        case 'N': FlagBedGradient = 1; break;
        case 'B': FlagBedslopeCorrection = 1; break;
        case 'D': gridReadChoices.refineI = true; break;
        case 'J': gridReadChoices.refineJ = true; break;
        case 'G': FlagBlockBorder = 1; break;
        case 'V': FlagPlotVertical = 1; break;
        case 'I': FlagInflowDirection = 1; break;
        case 'A': FlagDiffNonVert = 0; break;
        case 'Z': FlagZ0Small = 1; break;
        case 'X': FlagXCYC = 1; break;
        case 'C': FlagInZero = 0; break;
        case 'P': FlagBedPoros = 1; break;
        case 'E': FlagFlowDirCor = 1; break;
        case 'S':
        case 'F': failf(-1, "Error for F 7 data set in control file\n");
        default: break;
        }
    }
}

// ---------------------------------------------------------------------------
// The work of accepted data sets, and the readers of their own.
// ---------------------------------------------------------------------------
void spreadSchmidt(FILE*) {
    for (double& v : invSchmidt) v = 1.0 / Schmidt;  // every size class 0..50
}

// The model's own c_mu (the RNG model's 0.085); the bed shear
// 1000 sqrt(cmy) k follows it.
void turbulenceModelConstant(FILE*) {
    const double cmu = turbulenceModel().transport.cmu;
    if (cmu != 0.0) {
        cmy = cmu;
        sqcmyrho = 1000.0 * std::sqrt(cmy);
    }
}

// F 84: the codes of the reference concentration forms (4 is none).
bool referenceFormDefined() { return BedLoadFlag != 4; }

void reportSedimentScheme(FILE*) { logf("Using SOU scheme for sediment calculations\n"); }

void reportInnerIterations(FILE*) { logf("Transient inner iterations: %d\n", TransInnerIter); }

void lowestFromDepth(FILE*) {
    gridReadChoices.lowestFrom = 41;
    gridReadChoices.lowestValue = erodibleDepth;
}

void lowestFromLevel(FILE*) {
    gridReadChoices.lowestFrom = 42;
    gridReadChoices.lowestValue = erodibleLevel;
}

void notUsedAnyMore(FILE*) {
    failf(1, "Data set F 45 in control is not used any more\n"
             "Instead, use data set F 58 \n");
}

void switchCoriolisOn(FILE*) { FlagCoriolis = 1; }

bool windWithinLimit() { return std::fabs(Wind[1]) + std::fabs(Wind[2]) <= 2.0; }

void secondOrderComponents(FILE*) {
    if (SouComp == 1) sou[8] = sou[9] = 1;
}

void reportStressTerms(FILE*) { logf("Including Stress terms\n"); }

void maxgrainGiven(FILE*) { FlagMaxgrainRead = 1; }

// F 131: a size class, then its cohesion.
void readCohesion(FILE* fp) {
    int l = 0;
    if (!readInt(fp, l) || l < 1 || l > 20) failf(1, "Error for F 131 in control - index\n");
    if (!readDouble(fp, cohesive[l]) || !(cohesive[l] >= 0.0))
        failf(1, "Error for F 131 in control - negative cohesion\n");
}

// F 174: the sub-flags that do not follow are switched off.
void readCyclicSubFlags(FILE* fp) {
    for (int* flag : {&FlagCyclicS, &FlagCyclicF, &FlagCyclicC})
        if (!readInt(fp, *flag)) *flag = 0;
}

// F 199: one Schmidt number per size class, up to the first that does not convert.
void readSchmidtPerClass(FILE* fp) {
    const int last = std::min(lnumber, kMaxFractions);  // G 1 accepts no more classes
    for (int l = 1; l <= last; ++l) {
        double s = 0.0;
        if (!readDouble(fp, s)) return;
        if (!(s > 0.0 && s <= 50.0)) failf(1, "Error for F 199 in control");
        invSchmidt[l] = 1.0 / (s + 1e-20);
    }
}

// F 206 asks the runtime's maximum thread count once per reading
// (runtimeMaxThreads): once a count is set the runtime reports that count as
// its maximum, which would cap a later F 206 at the value of an earlier one.
// F 206: the team of the parallel solvers. The solvers divide the grid into
// exactly this many blocks, so the runtime must not hand out fewer threads.
void setThreadCount(FILE*) {
    const int requested = NoProcessesSolver;
    if (runtimeMaxThreads < 1) runtimeMaxThreads = omp_get_max_threads();
    const int maximum = runtimeMaxThreads;
    logf("Max. number of threads: %d, value F 206: %d\n", maximum, requested);
    // A count of 0 or below selects the serial code paths on one thread.
    NoProcessesSolver = requested > 0 ? std::min(requested, maximum) : 0;
    const int threads = std::max(NoProcessesSolver, 1);
    omp_set_dynamic(0);
    omp_set_num_threads(threads);
    logf("Using %d threads\n", threads);
}

// F 207: two optional values, each stored only when it converts.
void readStressLoops(FILE* fp) {
    readInt(fp, NoLoopStress);
    readInt(fp, FlagASMvisc);
}

void reynoldsStressArrays(FILE*) {
    if (FlagReynoldsStress > 9) AllocStress1DLL = 22;
}

void warnFlocculation(FILE*) {
    if (FlagFlocDLL > 0 && FlagTSC != 2)
        logf("Error in control file. The F 260 data set will only work\n"
             "when the F 36 data set is set to 2\n\n");
}

void turbulenceConstantProduct(FILE*) { sqcmyrho = 1000.0 * std::sqrt(cmy); }

void switchTurbMultOn(FILE*) { TurbMultFlag = 1; }

// ---------------------------------------------------------------------------
// The table.
// ---------------------------------------------------------------------------
std::vector<FDataSet> makeTable() {
    std::vector<FDataSet> t = {
        {1, " %c", {{debugging}}, KeepOld, nullptr},
        special(2, readRunString),
        {3, "%lf", {{convergence}}, KeepOld, nullptr},
        {4, "%lf %d %lf", {{relax_morph, range(0, 10.0)}, {iter_morph}, {conv_morph}}, All, "Error for F 4 in control"},
        {5, "%lf", {{SinReposeAngle, range(0, 100.0)}}, KeepOld, "Error for F 5 in control"},
        {6, "%lf %lf %lf", {{ConcFormCoeff}, {ConcFormTstar}, {ConcFormDstar}}, KeepOld, nullptr},
        special(7, readOptionLetters),
        {8, "%lf", {{MaxBedChange, range(0, 1.0)}}, KeepOld, "Error for F 8 in control"},
        {9, "%lf", {{EddyMult, range(0.1, 10.0)}}, KeepOld, "Error for F 9 in control"},
        {10, " %c", {{SedimentFormula, oneOf("ERMYSAI")}}, KeepOld, "Error for F 10 in control"},
        {11, "%lf %lf", {{density, range(1.0, 10.0)}, {shieldscoeff, range(-0.1, 0.1)}}, KeepOld, "Error for F 11 in control"},
        {12, "%lf", {{Schmidt, aboveUpTo(0, 50.0)}}, KeepOld, "Error for F 12 in control", spreadSchmidt},
        {13, "%lf", {{StressDiff, range(0, 5.0)}}, KeepOld, "Error for F 13 in control"},
        {14, "%lf", {{ArtDiff, range(0, 5e10)}}, KeepOld, "Error for F 14 in control"},
        {15, "%d", {{FlagWallAll, range(0, 20)}}, KeepOld, "Error for F 15 in control"},
        {16, "%lf", {{XksWall, range(0, 10.0)}}, KeepOld, "Error for F 16 in control"},
        {17, "%lf", {{TimeStep, atLeast(1e-10)}}, KeepOld, "Error for F 17 in control"},
        {18, "%lf", {{SourDens, range(0.0001, 100.0)}}, KeepOld, "Error for F 18 in control"},
        {19, "%lf", {{InitPres, range(0, 10.0)}}, KeepOld, "Error for F 19 in control"},
        {20, "%d", {{IterF2, atLeast(1)}}, KeepOld, "Error for F 20 in control"},
        {21, "%lf", {{RelaxRhieChow, range(-1.0, 5.0)}}, KeepOld, "Error for F 21 in control"},
        {22, "%lf %lf", {{MinPorosity, range(0.001, 1.0)}, {RelaxPorosity, range(-1.0, 10.0)}}, KeepOld, "Error for F 22 in control"},
        {23, "%lf %lf", {{FillPart, range(0, 1.0)}, {FillCriteria, atLeast(0)}}, KeepOld, "Error for F 23 in control"},
        {24, "%d", {{TurbulenceModel, range(0, kTurbulenceModels - 1)}}, KeepOld, "Error for F 24 in control", turbulenceModelConstant},
        {25, "%lf %lf %lf %lf %d",
         {{MinPorosity, range(0.001, 1.0)}, {RelaxPorosity, range(-1.0, 10.0)}, {RoughPoros1, range(0.001, 1.0)},
          {RoughPoros2, range(0.001, 1.0)}, {DiamPoros, range(0, 7)}},
         KeepOld, "Error for F 25 in control"},
        {26, "%lf", {{ConvCoef, range(0, 15.0)}}, KeepOld, "Error for F 26 in control"},
        {27, "%d", {{SedimentScheme, range(0, 10)}}, KeepOld, "Error for F 27 in control", reportSedimentScheme},
        {28, "%d %d %d %lf", {{ADFlag, range(0, 1)}, {ADSmearNo, atLeast(0)}, {ADConvNo, atLeast(0)}, {ADSmearLim, range(0, 100.0)}},
         KeepOld, "Error for F 28 in control"},
        {30, "%d %d %d %d %d %d ",
         {{BedFlags[0], range(0, 6)}, {BedFlags[1], range(0, 6)}, {BedFlags[2], range(0, 6)},
          {BedFlags[3], range(0, 6)}, {BedFlags[4], range(0, 6)}, {BedFlags[5], range(0, 6)}},
         KeepOld, "Error for F 30 in control"},
        {31, "%lf %lf ", {{PorosMult1, range(0, 10.0)}, {PorosMult2, range(0, 10.0)}}, KeepOld, "Error for F 31 in control"},
        {32, "%lf ", {{twoDratio, range(0, 1000.0)}}, KeepOld, "Error for F 32 in control"},
        {33, "%lf %d", {{TimeStep, atLeast(1e-20)}, {TransInnerIter, atLeast(0)}}, KeepOld, "Error for F 33 in control", reportInnerIterations},
        {34, "%lf", {{ArtEddyVisc, atLeast(0)}}, KeepOld, "Error for F 34 in control"},
        {35, "%lf", {{relaxBedShear, range(0, 1.0)}}, KeepOld, "Error for F 35 in control"},
        {36, "%d", {{FlagTFS, range(0, 6)}}, KeepOld, "Error for F 36 in control"},
        {37, "%d", {{FlagTSC, range(0, 2)}}, KeepOld, "Error for F 37 in control"},
        {38, "%lf", {{InputErrorLimit, atLeast(0)}}, KeepOld, "Error for F 38 in control"},
        {39, "%lf", {{AccBedChange, atLeast(0)}}, KeepOld, "Error for F 39 in control"},
        {40, "%lf", {{relaxDensityTurb, range(0, 10.0)}}, KeepOld, "Error for F 40 in control"},
        {41, "%lf", {{erodibleDepth, aboveUpTo(0, 10000.0)}}, KeepOld, "Error for F 41 in control", lowestFromDepth},
        {42, "%lf", {{erodibleLevel, range(-10000.0, 10000.0)}}, KeepOld, "Error for F 42 in control", lowestFromLevel},
        {43, "%d", {{FlagUnderflow, range(0, 1)}}, KeepOld, "Error for F 43 in control"},
        {44, "%d", {{Flag2Dim, range(0, 1)}}, KeepOld, "Error for F 44 in control"},
        special(45, notUsedAnyMore),
        {46, "%d", {{FlagPresGrad, range(1, 20)}}, KeepOld, "Error for F 46 in control"},
        {47, "%lf", {{InterLimit, atLeast(0)}}, KeepOld, "Error for F 47 in control"},
        {48, "%d", {{FlagInterpolVal, range(0, 40)}}, KeepOld, "Error for F 48 in control"},
        {49, "%d", {{FlagTemp, range(0, 1)}}, KeepOld, "Error for F 49 in control"},
        {50, "%d", {{NoComponents, range(0, 10)}}, KeepOld, "Error for F 50 in control"},
        {51, "%lf", {{Coriolis, magnitudeUpTo(2.0)}}, KeepOld, "Error for F 51 in control", switchCoriolisOn},
        {52, "%lf %lf %lf", {{Wind[0], range(1e-7, 1000.0)}, {Wind[1]}, {Wind[2]}}, All, "Error for F 52 in control", nullptr, windWithinLimit},
        {53, "%d %d %d %d", {{PrintIterBoogie, atLeast(1)}, {PrintIterRes}, {PrintIterForce, atLeast(1)}, {PrintIterTime, atLeast(1)}},
         All, "Error for F 53 in control"},
        {54, "%lf", {{TimeBreakLimit, atLeast(0)}}, KeepOld, "Error for F 54 in control"},
        {55, "%lf", {{MaxBedConc, atLeast(0)}}, KeepOld, "Error for F 55 in control"},
        {56, "%d %lf", {{IterAvalanche, atLeast(0)}, {AngleAvalanche, atLeast(0)}}, KeepOld, "Error for F 56 in control"},
        {57, "%lf", {{TFSuslope, atLeast(0)}}, KeepOld, "Error for F 57 in control"},
        {58, "%d %d %d %d %lf %lf %lf %lf %lf %lf",
         {{TFStimeterm, range(0, 1)}, {TFSpreszero, range(0, 1)}, {TFSmovewall, range(0, 1)}, {TFSfroudeforward, range(0, 1)},
          {TFSdiffratio, atLeast(0)}, {TFSdampwall, range(0, 5.0)}, {TFSdampobs, range(0, 5.0)},
          {TFStopvelocity, range(-0.0001, 5.0)}, {TFSforcesource, range(-0.0001, 5.0)}, {TFSuslope, atLeast(0)}},
         KeepOld, "Error for F 58 in control"},
        {59, "%d", {{GaussIter, atLeast(1)}}, KeepOld, "Error for F 59 in control"},
        {60, "%d %d", {{TSCbedrouse, range(0, 1)}, {TSCbedforms, range(0, 1)}}, KeepOld, "Error for F 60 in control"},
        {63, "%d", {{SouComp, range(0, 10)}}, KeepOld, "Error for F 63 in control", secondOrderComponents},
        {68, "%d", {{Hydrostatic, range(0, 10)}}, KeepOld, "Error for F 68 in control"},
        {69, "%d %d %d %d %d %d %d", {{Seiche1}, {Seiche2}, {Seiche3}, {Seiche4}, {Seiche5}, {Seiche6}, {Seiche7}}, All, "Error for F 69 in control"},
        {73, "%d", {{WindFlag, range(0, 100)}}, All, "Error for F 73 in control"},
        {78, "%d %lf", {{BedLoadVectorFlag, atLeast(0)}, {BedLoadVectorParam}}, All, "Error for F 78 in control"},
        {81, "%d", {{ArrayTimeSteps, atLeast(1)}}, All, "Error for F 81 in control"},
        {83, "%lf %lf %lf %lf", {{ConcFormBCoeff}, {ConcFormBTstar}, {ConcFormBDstar}, {ConcFormBD50}}, All, "Error for F 83 in control"},
        {84, "%d", {{BedLoadFlag, range(0, 5)}}, All, "Error for F 84 in control", nullptr, referenceFormDefined},
        {90, "%d", {{FlagRoughness, range(0, 10)}}, All, "Error for F 90 in control"},
        {100, "%d", {{StressFlag, atLeast(0)}}, All, "Error for F 100 in control", reportStressTerms},
        {103, "%d", {{Flag2BedRoughness, atLeast(0)}}, All, "Error for F 103 in control"},
        {106, "%lf", {{maxgrainRead, range(0, 100000.0)}}, All, "Error for F 106 in control", maxgrainGiven},
        {107, "%d", {{TFSflagUpwater, atLeast(0)}}, All, "Error for F 107 in control"},
        {108, "%lf", {{TFSminDepth, atLeast(0)}}, All, "Error for F 108 in control"},
        {109, "%lf %lf %lf", {{BedCritTanSlopeUp, atLeast(0)}, {BedCritTanSlopeDown, atLeast(0)}, {BedCritMinDamp, range(0, 1.0)}},
         All, "Error for F 109 in control"},
        {111, "%d", {{FlagBedDLL, atLeast(0)}}, All, "Error for F 111 in control"},
        {113, "%d", {{FlagRhieChow, atLeast(0)}}, All, "Error for F 113 in control"},
        {115, "%d", {{FlagDragDLL, atLeast(0)}}, All, "Error for F 115 in control"},
        {116, "%d", {{FlagSurfDLL, atLeast(0)}}, All, "Error for F 116 in control"},
        {117, "%d", {{FlagIODLL, atLeast(0)}}, All, "Error for F 117 in control"},
        {118, "%d", {{FlagCofDLL, atLeast(0)}}, All, "Error for F 118 in control"},
        {119, "%d", {{FlagPresDLL, atLeast(0)}}, All, "Error for F 119 in control"},
        {120, "%d", {{FlagWallDLL, atLeast(0)}}, All, "Error for F 120 in control"},
        {121, "%d", {{FlagTurbDLL, atLeast(0)}}, All, "Error for F 121 in control"},
        {122, "%d", {{FlagCompDLL, atLeast(0)}}, All, "Error for F 122 in control"},
        {125, "%d", {{FlagTSCDLL, atLeast(0)}}, All, "Error for F 125 in control"},
        {127, "%d", {{FlagFlowDLL, atLeast(0)}}, All, "Error for F 127 in control"},
        {129, "%d", {{FlagBedInterpol, atLeast(0)}}, All, "Error for F 129 in control"},
        special(131, readCohesion),
        {133, "%lf %d", {{Plimit, atLeast(1e-10)}, {Pnloops, atLeast(1)}}, All, "Error for F 133 in control"},
        {139, "%lf %lf", {{MinUPlus, atLeast(0)}, {MinUPlusK, atLeast(0)}}, All, "Error for F 139 in control\n"},
        {142, "%lf", {{SurfaceConvergenceCrit, atLeast(1e-10)}}, All, "Error for F 142 in control"},
        {143, "%d", {{PresRegres, atLeast(0)}}, All, "Error for F 143 in control\n"},
        {144, "%d %lf", {{FlagBedSmooth, atLeast(0)}, {ParamBedSmooth}}, All, "Error for F 144 in control\n"},
        {145, "%d", {{FlagRoughnessDLL, atLeast(0)}}, All, "Error for F 145 in control\n"},
        {146, "%d", {{FlagSuperCritical, atLeast(0)}}, All, "Error for F 146 in control\n"},
        {149, "%lf %lf", {{TurbMultVert, atLeast(0)}, {TurbMultHor, atLeast(0)}}, All, "Error for F 149 in control\n"},
        {150, "%d %d", {{WallChoiseForm, atLeast(0)}, {WallChoiseSed, atLeast(0)}}, All, "Error for F 150 in control\n"},
        {151, "%d %lf", {{FlagTSCMinDepth, atLeast(0)}, {TSCMinDepth}}, All, "Error for F 151 in control\n"},
        {154, "%d %lf", {{SurfSmoothFlag, atLeast(0)}, {SurfSmoothVal}}, All, "Error for F 154 in control\n"},
        {155, "%d %d", {{Flag1BedChange, atLeast(0)}, {Flag2BedChange, atLeast(0)}}, All, "Error for F 155 in control\n"},
        {156, "%d", {{PauseFlag, atLeast(0)}}, All, "Error for F 156 in control\n"},
        {158, "%d %lf", {{FlagSentripental, atLeast(0)}, {SentripentalVelo}}, All, "Error for F 158 in control\n"},
        {161, "%d", {{FlagFluxTurb, atLeast(0)}}, All, "Error for F 161 in control\n"},
        {164, "%d", {{FlagRapSolver}}, All, "Error for F 164 in control\n"},
        {167, "%d", {{FlagRoughSmooth, atLeast(0)}}, All, "Error for F 167 in control\n"},
        {169, "%d %lf", {{FlagHideEx}, {HideExParam}}, All, "Error for F 169 in control\n"},
        {173, "%d", {{FlagBedshearGrad}}, All, "Error for F 173 in control\n"},
        {174, "%d", {{FlagCyclic}}, All, "Error for F 174 in control\n", readCyclicSubFlags},
        {176, "%d %lf", {{FlagRBedformsmooth}, {RBedformsmooth}}, All, "Error for F 176 in control\n"},
        {182, "%d", {{FlagBedslopeCorrection}}, All, "Error for F 182 in control\n"},
        {185, "%d %lf", {{FlagSurfEps}, {SurfEpsCoeff}}, All, "Error for F 185 in control\n"},
        {189, "%d %lf", {{FlagBrelk}, {ParamBrelk}}, All, "Error for F 189 in control\n"},
        {190, "%d", {{FlagCohesive}}, All, "Error for F 190 in control\n"},
        {194, "%lf", {{TurbCoeffVeg}}, All, "Error for F 194 in control\n"},
        {195, "%lf %lf", {{XksJ1}, {XksJ2}}, All, "Error for F 195 in control\n"},
        {196, "%d", {{FlagMaxShear}}, All, "Error for F 196 in control\n"},
        {197, "%d", {{DESFlag}}, All, "Error for F 197 in control\n"},
        {198, "%d", {{FlagSlideDLL}}, All, "Error for F 198 in control\n"},
        special(199, readSchmidtPerClass),
        {200, " %d %lf %lf", {{FlagNormSet, atLeast(0)}, {NormK, atLeast(0)}, {NormEps, atLeast(0)}}, All, "Error for F 200 in control"},
        {206, "%d", {{NoProcessesSolver}}, All, "Error for F 206 in control", setThreadCount},
        {207, "%d %d", {{FlagStress1DLL}, {AllocStress1DLL, atLeast(0)}}, All, "Error for F 207 in control\n", readStressLoops},
        {208, "%d", {{FlagTimeOrder}}, All, "Error for F 208 in control\n"},
        {211, "%lf", {{ConvergenceCriteria, atLeast(0)}}, All, "Error for F 211 in control\n"},
        {212, "%d", {{FlagWriteSpecial, atLeast(0)}}, All, "Error for F 212 in control\n"},
        {220, "%d", {{FlagReynoldsStress, atLeast(0)}}, All, "Error for F 220 in control\n", reynoldsStressArrays},
        {228, "%d", {{FlagWallNew, atLeast(0)}}, All, "Error for F 228 in control\n"},
        {233, "%d", {{FlagNonHydrostaticSurf}}, All, "Error for F 233 in control"},
        {240, "%d %d %d %lf %lf %lf %lf\n",
         {{QZfunc, atLeast(0)}, {QZstart_i, atLeast(0)}, {QZend_i, atLeast(0)}, {QZmidphi}, {QZdelta}, {QZeta}, {QZn}},
         All, "Error for F 240 in control\n"},
        {242, "%d", {{NoLoopBedchange, atLeast(0)}}, All, "Error for F 242 in control\n"},
        {243, "%d", {{FlagGradDLL, atLeast(0)}}, All, "Error for F 243 in control\n"},
        {260, "%d", {{FlagFlocDLL, atLeast(0)}}, All, "Error for F 260 in control\n", warnFlocculation},
        {286, "%lf", {{cmy, atLeast(0)}}, All, "Error for F 286 in control\n", turbulenceConstantProduct},
        {288, "%d", {{FlagGammaDamp, atLeast(0)}}, All, "Error for F 288 in control\n"},
        {300, "%d %d", {{NoLoops, atLeast(0)}, {FlagBlockSed, atLeast(0)}}, All, "Error for F 300 in control\n"},
        {302, "%d", {{FlagDisableKoomintest, atLeast(0)}}, All, "Error for F 302 in control\n"},
        {303, "%d", {{FlagFracVer, atLeast(0)}}, All, "Error for F 303 in control\n"},
        {304, "%d", {{FlagBedVer, atLeast(0)}}, All, "Error for F 304 in control\n"},
        {307, "%lf %lf", {{TurbMultTest, atLeast(0)}, {TurbMultLev, atLeast(0)}}, All, "Error for F 307 in control\n", switchTurbMultOn},
    };
    return t;
}

// A row whose format does not match its fields is a fault of this file.
void checkRow(const FDataSet& row) {
    if (!row.format) return;
    static constexpr const char* kConversion[] = {"%d", "%lf", "%c"};  // by Field::Type
    const char* p = row.format;
    bool matches = true;
    for (const Field& field : row.fields) {
        const char* conversion = kConversion[field.type];
        p = std::strchr(p, '%');
        if (!p || std::strncmp(p, conversion, std::strlen(conversion)) != 0) {
            matches = false;
            break;
        }
        p += std::strlen(conversion);
    }
    if (!matches || std::strspn(p, " \n") != std::strlen(p))
        failf(-8, "Internal error: format \"%s\" of F %d does not match its fields\n", row.format, row.number);
}

const std::vector<FDataSet>& table() {
    static const std::vector<FDataSet> rows = [] {
        std::vector<FDataSet> t = makeTable();
        for (const FDataSet& row : t) checkRow(row);
        return t;
    }();
    return rows;
}

const FDataSet* findRow(int number) {
    static const std::array<const FDataSet*, 308> index = [] {
        std::array<const FDataSet*, 308> a{};
        for (const FDataSet& row : table()) a[row.number] = &row;
        return a;
    }();
    return number >= 1 && number <= 307 ? index[number] : nullptr;
}

// Applies the row's format one conversion at a time, as one fscanf call with
// the whole format would: the first field that does not convert ends the
// conversions. Returns the number of converted fields.
int convertFields(FILE* fp, const FDataSet& row) {
    const char* p = row.format;
    int converted = 0;
    for (const Field& field : row.fields) {
        const char* end = std::strchr(p, '%') + 1;
        while (*end == 'l') ++end;
        const std::string directive(p, end + 1);
        p = end + 1;
        if (!field.scan(fp, directive.c_str())) return converted;
        ++converted;
    }
    if (*p != '\0') skipSpace(fp);  // white space behind the last field
    return converted;
}

}  // namespace

bool readDataSetF(int number, FILE* fp) {
    const FDataSet* row = findRow(number);
    if (!row) return false;
    if (row->reader) {
        row->reader(fp);
        return true;
    }
    const int converted = convertFields(fp, *row);
    if (row->message) {
        bool ok = row->count == KeepOld || converted == static_cast<int>(row->fields.size());
        for (const Field& field : row->fields) ok = ok && field.accepted();
        if (ok && row->alsoAccepts) ok = row->alsoAccepts();
        if (!ok) failf(1, "%s", row->message);
    }
    if (row->then) row->then(fp);
    return true;
}

bool stepOverTextF(int number, FILE* fp) {
    char scratch[kRunStringLength];
    if (number == 2) readCharacters(fp, scratch, kRunStringLength);
    if (number == 7) readCharacters(fp, scratch, kOptionLetters);
    return number == 2 || number == 7;
}

void setParameterDefaults() {
#define QUIRD_SET_DEFAULT(T, N, D) N = D;
    QUIRD_F_PARAMETERS(QUIRD_SET_DEFAULT)
    QUIRD_RUN_STATE_DEFAULTS(QUIRD_SET_DEFAULT)
#undef QUIRD_SET_DEFAULT
    std::memset(run, ' ', sizeof run);
    // The sizes are those of the pre-read, not yet checked: in double the
    // product cannot overflow, and within the int range it is exact.
    const double convNo = 10.0 * xnumber * ynumber;
    ADConvNo = static_cast<int>(std::clamp(convNo, 0.0, static_cast<double>(std::numeric_limits<int>::max())));
    std::fill(std::begin(BedFlags), std::end(BedFlags), 0);
    std::fill(std::begin(Wind), std::end(Wind), 0.0);
    std::fill(std::begin(invSchmidt), std::end(invSchmidt), 1.0);
    std::fill(std::begin(cohesive), std::end(cohesive), 0.0);
    FlagInitialized = 0;
    FlagErrorBreak = 0;
    FailureMessage[0] = '\0';
    FlagSedimDial = 0;
    gridReadChoices = GridReadChoices{};
    erodibleDepth = erodibleLevel = 0.0;
    runtimeMaxThreads = 0;
}
