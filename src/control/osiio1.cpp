// Reader of `control`: the character scanner, its two passes, and the steps
// between and after them.
//
// `control` is a stream of characters: a data set begins wherever one of
// its capitals stands, and its reader takes the values with formatted input
// from there. Every log line goes through logf/failf, which open, append
// and close `boogie`, so that the lines of the readers stay in order.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "control/cfile.h"
#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "control/kread.h"
#include "control/readers.h"
#include "control/record_scan.h"
#include "control/turbulence_models.h"
#include "grid/state.h"
#include "flow3d/state.h"

DataSetReaders defaultDataSetReaders() {
    return DataSetReaders{readDataSetF,  readDataSetG, readDataSetH, readDataSetK, readDataSetP,
                          readDataSetW,  readDataSetI, readDataSetL, readDataSetN, readDataSetQ,
                          readDataSetS,  readDataSetT, readDataSetW5, readDataSetB};
}


namespace {

// The characters that the first pass took as the text of F 2, F 7 and T,
// by the position where each text begins. The second pass steps over exactly
// these: letters inside them are not data sets, and a data set right behind
// a short text is still read.
using TextSpans = std::map<long, long>;

template <typename Read>
void readText(FILE* fp, TextSpans& spans, Read read) {
    const long start = std::ftell(fp);
    read();
    spans[start] = std::ftell(fp) - start;
}

void stepOver(FILE* fp, const TextSpans& spans) {
    const auto text = spans.find(std::ftell(fp));
    if (text == spans.end()) return;  // the first pass read no text here
    for (long n = 0; n < text->second && std::fgetc(fp) != EOF; ++n) {
    }
}

// The letters of the first pass. A numbered letter reads its number with its
// own format; a number that does not convert, or lies outside the numbers
// that are looked up, leaves the letter ignored, and the scan goes on behind
// what the format consumed. J, M, O, R, U and V are passed over.
struct FirstPassLetter {
    char letter;
    const char* numberFormat;  // nullptr: the letter has no number
    int first, last;           // the numbers looked up
    bool (*DataSetReaders::*numbered)(int, FILE*);
    void (*DataSetReaders::*plain)(FILE*);
};

constexpr FirstPassLetter kFirstPassLetters[] = {
    {'F', " %d", 1, 307, &DataSetReaders::F, nullptr},
    {'G', "%d", 1, 50, &DataSetReaders::G, nullptr},
    {'H', "%d ", 0, 14, &DataSetReaders::H, nullptr},
    {'I', nullptr, 0, 0, nullptr, &DataSetReaders::I},
    {'K', " %d ", 1, 10, &DataSetReaders::K, nullptr},
    {'L', nullptr, 0, 0, nullptr, &DataSetReaders::L},
    {'N', nullptr, 0, 0, nullptr, &DataSetReaders::N},
    {'P', " %d ", 2, 10, &DataSetReaders::P, nullptr},
    {'Q', nullptr, 0, 0, nullptr, &DataSetReaders::Q},
    {'S', nullptr, 0, 0, nullptr, &DataSetReaders::S},
    {'T', nullptr, 0, 0, nullptr, &DataSetReaders::T},
    {'W', " %d ", 1, 7, &DataSetReaders::W, nullptr},
};

const FirstPassLetter* firstPassLetter(int c) {
    for (const FirstPassLetter& l : kFirstPassLetters)
        if (l.letter == c) return &l;
    return nullptr;
}

// The F 2 and F 7 data sets and the title are text (see TextSpans).
bool isText(char letter, int number) { return letter == 'T' || (letter == 'F' && (number == 2 || number == 7)); }

TextSpans firstPass(FILE* fp, const DataSetReaders& read, long limit) {
    TextSpans spans;
    int number = 0;
    for (long n = 0; n < limit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfScan(c)) break;
        const FirstPassLetter* letter = firstPassLetter(c);
        if (!letter) continue;
        if (letter->numberFormat) {
            if (std::fscanf(fp, letter->numberFormat, &number) != 1) continue;
            if (number < letter->first || number > letter->last) continue;
            if (letter->letter == 'W' && number == 5) continue;  // needs the arrays: second pass
        }
        auto readDataSet = [&] {
            if (letter->numbered)
                (read.*(letter->numbered))(number, fp);
            else
                (read.*(letter->plain))(fp);
        };
        if (isText(letter->letter, number))
            readText(fp, spans, readDataSet);
        else
            readDataSet();
    }
    return spans;
}

void secondPass(FILE* fp, const TextSpans& spans) {
    int number = 0;
    for (long n = 0; n < kControlPassLimit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfScan(c)) break;
        switch (c) {
        case 'F':
            if (std::fscanf(fp, "%d", &number) == 1 && (number == 2 || number == 7)) stepOver(fp, spans);
            break;
        case 'T': stepOver(fp, spans); break;
        case 'B': dataSetReaders.B(fp); break;
        case 'W':
            if (std::fscanf(fp, "%d", &number) == 1 && number == 5) dataSetReaders.W5(fp);
            break;
        default: break;
        }
    }
}

void setDefaults() {
    setParameterDefaults();
    // W 1, W 2 and G 3 have no defaults of their own; a control without them
    // must not leave a later computation with undefined values.
    discharge = 0.0;
    level = 0.0;
    initnumber = 0;
    std::fill(std::begin(zdistrib), std::end(zdistrib), 0.0);
    setRecordDefaults();
}

void betweenPasses() {
    logf("In osiio1: IONo = %d\n", IONo);
    logf("TurbulenceModel = %d\n", TurbulenceModel);
    if (Flag2Dim == 1) znode = 0;
    if (NoProcessesSolver == 0) {
        omp_set_num_threads(1);
        omp_set_dynamic(0);
    }
    logf("Number of threads: %d (F 206)\n", NoProcessesSolver);
    if (IONo > 0) checkIO();
    // The one-equation model needs two cell layers for its vertical gradient.
    const int minLayers = turbulenceModel().transport.minLayers;
    if (minLayers > 0 && znumber - 1 < minLayers) failf(1, "Error for F 24 in control\n");
    if (sialloc() != 0) failf(-3, "Could not allocate enough memory");
    { Log reopened; }  // ends the run with -3 when the log cannot be opened again
    setLowerFixedLevel();
    for (int i = 0; i <= xnumber + 1; ++i) ManArray[i] = ManningInit;
    if (IONo < 0) failf(-1, "Input error for G 7 in control\nError = %d\n", IONo);
    if (std::fabs(ArtDiff) > 1e-20) logf("Warning: using artificial viscosity of %e\n", ArtDiff);
    if (FillPart > 1e-10) logf("Using accellertated deposition routine\n");
    checkGrainData();
    setBlockSeams();
}

void afterPasses() {
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            bedshear[i][j] = -2.0;  // not yet computed
            MutBlock[i][j] = 1;
        }
    checkBorderSources();
}

File openControl() { return File(std::fopen("control", "r")); }

}  // namespace

void scanDataSets(FILE* fp, const DataSetReaders& readers, long limit) { firstPass(fp, readers, limit); }

void kread() {
    { Log created(Log::Create); }
    File control = openControl();
    if (!control) {
        setMessage("cannot open file 'control' ");
        failf(-4, "Error, cannot open file 'control'\n");
    }
    setMessage(" Reading data file    ");
    setProgram(" In kread         ");
    logf(" Multi-block version of QUIRD \n");
    logf(" In kread \n\n");
    setDefaults();

    const TextSpans spans = firstPass(control.get(), dataSetReaders, kControlPassLimit);
    control.reset();
    betweenPasses();

    control = openControl();
    if (!control) {
        setMessage("cannot open file 'control' ");
        endRun(-3);
    }
    secondPass(control.get(), spans);
    control.reset();
    afterPasses();
    readGridInput();
}
