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
#include <memory>

#include "control/control.h"
#include "control/engine.h"
#include "control/kread.h"
#include "control/readers.h"

DataSetReaders defaultDataSetReaders() {
    return DataSetReaders{readDataSetF,  readDataSetG, readDataSetH, readDataSetK, readDataSetP,
                          readDataSetW,  readDataSetI, readDataSetL, readDataSetN, readDataSetQ,
                          readDataSetS,  readDataSetT, readDataSetW5, readDataSetB};
}

DataSetReaders dataSetReaders = defaultDataSetReaders();

namespace {

struct CloseFile {
    void operator()(FILE* fp) const { std::fclose(fp); }
};
using File = std::unique_ptr<FILE, CloseFile>;

// The end of the file and a byte 0xFF both end a pass.
bool endOfPass(int c) { return c == EOF || c == 0xFF; }

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

// The number behind a numbered letter, read with the letter's format. A
// number that does not convert, or lies outside the numbers that are looked
// up, leaves the letter ignored; the scan goes on behind what was consumed.
bool readNumber(FILE* fp, const char* format, int first, int last, int& number) {
    return std::fscanf(fp, format, &number) == 1 && number >= first && number <= last;
}

TextSpans firstPass(FILE* fp) {
    const DataSetReaders& read = dataSetReaders;
    TextSpans spans;
    int number = 0;
    for (long n = 0; n < kControlPassLimit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfPass(c)) break;
        switch (c) {
        case 'F':
            if (!readNumber(fp, " %d", 1, 307, number)) break;
            if (number == 2 || number == 7)
                readText(fp, spans, [&] { read.F(number, fp); });
            else
                read.F(number, fp);
            break;
        case 'G':
            if (readNumber(fp, "%d", 1, 50, number)) read.G(number, fp);
            break;
        case 'H':
            if (readNumber(fp, "%d ", 0, 14, number)) read.H(number, fp);
            break;
        case 'K':
            if (readNumber(fp, " %d ", 1, 10, number)) read.K(number, fp);
            break;
        case 'P':
            if (readNumber(fp, " %d ", 2, 10, number)) read.P(number, fp);
            break;
        case 'W':
            // W 5 needs the arrays: the second pass reads it.
            if (readNumber(fp, " %d ", 1, 7, number) && number != 5) read.W(number, fp);
            break;
        case 'I': read.I(fp); break;
        case 'L': read.L(fp); break;
        case 'N': read.N(fp); break;
        case 'Q': read.Q(fp); break;
        case 'S': read.S(fp); break;
        case 'T': readText(fp, spans, [&] { read.T(fp); }); break;
        default: break;  // J, M, O, R, U, V and everything that is not a capital F to W
        }
    }
    return spans;
}

void secondPass(FILE* fp, const TextSpans& spans) {
    int number = 0;
    for (long n = 0; n < kControlPassLimit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfPass(c)) break;
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
}

File openControl() { return File(std::fopen("control", "r")); }

}  // namespace

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

    const TextSpans spans = firstPass(control.get());
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
