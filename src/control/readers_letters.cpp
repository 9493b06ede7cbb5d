// Readers of the lettered data sets H, I, L, N, Q, S, T, the second-pass B
// boxes of bed samples, and the checks of the grain data between the passes.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

#include "control/state.h"
#include "control/grid_sizes.h"
#include "control/readers.h"
#include "control/record_scan.h"
#include "sediment/state.h"

namespace {

// The size classes 1..lnumber that the per-class tables hold.
int sizeClasses() { return std::min(lnumber, kFractionTable - 1); }

// ---------------------------------------------------------------------------
// Q: the fields of each term type.
// ---------------------------------------------------------------------------

// What a term type reads behind its type and component: nothing (the numbers
// behind it are then scanned as text), a name, or component indices and
// coefficients.
struct TermLayout {
    enum Kind { Ignored, Name, Term } kind;
    int components;  // "%d" fields: compA, compB
    int values;      // "%lf" fields: value1, value2
};

TermLayout termLayout(int type) {
    switch (type) {
    case 0: return {TermLayout::Name, 0, 0};
    case 1: case 5: case 1001: case 2001: return {TermLayout::Term, 0, 1};
    case 2: case 1002: case 1012: case 2002: return {TermLayout::Term, 1, 1};
    case 3: case 1003: case 2003: return {TermLayout::Term, 2, 1};
    case 4: case 1004: case 2004: return {TermLayout::Term, 2, 2};
    default: return {TermLayout::Ignored, 0, 0};
    }
}

[[noreturn]] void rejectTerm(int type, int component) {
    failf(1, "Input error for Q %d %d in control\n", type, component);
}

// A component index that a term uses: one of the components of F 50.
bool isComponent(int c) { return c >= 0 && c < NoComponents; }

// Type 0: the name of component c, one word of at most 39 characters.
void readQualityName(FILE* fp, int type, int c) {
    constexpr int kNameLength = static_cast<int>(std::size(QualityName[0])) - 1;
    static_assert(kNameLength == 39, "the width of the name conversion below");
    char name[kNameLength + 1] = {};
    if (c >= static_cast<int>(std::size(QualityName)) || std::fscanf(fp, "%39s", name) != 1) rejectTerm(type, c);
    const int next = std::fgetc(fp);
    if (next != EOF && !std::isspace(next)) rejectTerm(type, c);  // a longer name
    if (next != EOF) std::ungetc(next, fp);
    std::copy(std::begin(name), std::end(name), QualityName[c]);
}

// Every field of the type must convert; the component indices must name components.
void readTerm(FILE* fp, int type, int c, const TermLayout& layout) {
    if (NoTerms >= static_cast<int>(std::size(QTerms)))
        failf(1, "Input error for Q %d %d in control\nNumber of data sets must not exceed 200\n", type, c);
    QTerm r{};
    r.component = c;
    r.type = type;
    int* components[] = {&r.compA, &r.compB};
    double* values[] = {&r.value1, &r.value2};
    bool read = true;
    for (int n = 0; read && n < layout.components; ++n) read = readInt(fp, *components[n]);
    for (int n = 0; read && n < layout.values; ++n) read = readDouble(fp, *values[n]);
    if (!read) rejectTerm(type, c);
    for (int n = 0; n < layout.components; ++n)
        if (!isComponent(*components[n])) rejectTerm(type, c);
    QTerms[NoTerms++] = r;
}

}  // namespace

// ---------------------------------------------------------------------------
// The first pass.
// ---------------------------------------------------------------------------

bool readDataSetH(int number, FILE* fp) {
    if (number < 0 || number >= static_cast<int>(std::size(Bio))) return false;
    BioTable& t = Bio[number];
    int count = t.count;
    readInt(fp, count);
    if (count > 20) failf(1, "Input error for H %d in control\nData points must not exceed 20\n", number);
    if (count < 0) failf(1, "Input error for H %d in control\nData points must not be negative\n", number);
    t.count = count;
    for (int p = 0; p < count; ++p) {
        readDouble(fp, t.value[p]);
        readInts(fp, {&t.code1[p], &t.code2[p]});
        if (t.code1[p] < 0 || t.code1[p] > 16 || t.code2[p] < 0 || t.code2[p] > 16)
            failf(1, "Input error for H %d in control\n", number);
    }
    return true;
}

void readDataSetI(FILE* fp) {
    int l;
    if (!readInt(fp, l) || l < 0 || l > sizeClasses()) failf(1, "Input error for I in control");
    readDouble(fp, inflow[l]);
    skipSpace(fp);
}

void readDataSetL(FILE* fp) {
    int count = contourNo;
    readInt(fp, count);
    if (count > static_cast<int>(std::size(contourLevels)))
        failf(1, "Input error for L in control\nNumber of levels must not exceed 20\n");
    contourNo = count;
    for (int n = 0; n < count; ++n) readDouble(fp, contourLevels[n]);
}

void readDataSetN(FILE* fp) {
    int s, l;
    if (readInts(fp, {&s, &l}) != 2 || s < 0 || s > 19 || l < 0 || l > 49) failf(1, "Input error for N in control");
    double share = SedimentSample[s][l];
    readDouble(fp, share);
    if (share < 0.0 || share > 19.0) failf(1, "Input error for N in control");
    SedimentSample[s][l] = share;
    SampleNo = std::max(SampleNo, s);
}

void readDataSetQ(FILE* fp) {
    int type, c;
    if (readInts(fp, {&type, &c}) != 2 || type < 0 || type > 10000 || c < 0 || c > 100)
        failf(1, "Input error for Q in control\n");
    const TermLayout layout = termLayout(type);
    if (layout.kind == TermLayout::Name) readQualityName(fp, type, c);
    if (layout.kind == TermLayout::Term) readTerm(fp, type, c, layout);
}

void readDataSetS(FILE* fp) {
    int l;
    if (!readInt(fp, l) || l < 1 || !atMost(l, lnumber, 1) || l >= kFractionTable)
        failf(1, "Input error for S in control: incorrect first integer\n");
    const int read = readDouble(fp, gsize[l]) && readDouble(fp, fallvelo[l]) ? 2 : 0;
    if (read != 2 || gsize[l] < 0.0 || gsize[l] > 1000000.0 || fallvelo[l] < 0.0 || fallvelo[l] > 1000000.0)
        failf(1, "Input error for S in control in second or third float for i=%d\n", l);
    if (l > 1 && gsize[l] > gsize[l - 1])
        failf(1, "Input error for S in control file: The coarsest sediment sizes have to be given first, "
                 "with the lowest integer.\n");
    sizesGiven = true;
}

namespace {

// At most 28 printable characters into dst[1..]; the character that ends the
// title (not printable, or the one behind the 28th) is consumed. Returns the
// position behind the last character stored.
constexpr int kTitleLength = 28;

int readTitle(FILE* fp, char* dst) {
    int n = 1;
    for (;;) {
        const int c = std::fgetc(fp);
        if (!printable(c) || n > kTitleLength) break;
        dst[n++] = static_cast<char>(c);
    }
    return n;
}

}  // namespace

// The title from Title[1], closed by a blank in place of the character that
// ended it.
void readDataSetT(FILE* fp) {
    const int n = readTitle(fp, Title);
    Title[n] = ' ';
    Title[n + 1] = '\0';
}

void stepOverTitle(FILE* fp) {
    char scratch[kTitleLength + 2];
    readTitle(fp, scratch);
}

// ---------------------------------------------------------------------------
// The second pass and the checks between the passes.
// ---------------------------------------------------------------------------

void readDataSetB(FILE* fp) {
    int s, i1, i2, j1, j2;
    if (readInts(fp, {&s, &i1, &i2, &j1, &j2}) != 5) return;
    if (s == 0) {
        i1 = 1;
        i2 = xnumber + 1;
        j1 = 1;
        j2 = ynumber + 1;
    }
    // The box lies inside the bed arrays on both sides of every bound.
    const bool boxOk = i1 >= 0 && i1 <= i2 && i2 >= 1 && atMost(i2, xnumber, 1) && j1 >= 0 && j1 <= j2 &&
                       j1 <= ynumber && j2 >= 2 && atMost(j2, ynumber, 1);
    if (s < -19 || s > 19 || !boxOk || bedgrain.isNull() || BedGrainOriginal.isNull() || intBedSediment.isNull())
        failf(1, "Input error for B in control");
    const double* sample = SedimentSample[std::abs(s)];
    const int classes = std::min<int>(sizeClasses(), static_cast<int>(bedgrain.extent(0)) - 1);
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j) {
            for (int l = 1; l <= classes; ++l) {
                BedGrainOriginal[l][i][j] = sample[l];
                if (s >= 0) bedgrain[l][i][j] = sample[l];
            }
            if (s >= 0) intBedSediment[i][j] = s;
        }
}

void checkGrainData() {
    for (int s = 0; s <= SampleNo; ++s) {
        double sum = 0.0;
        for (int l = 1; l <= sizeClasses(); ++l) sum += SedimentSample[s][l];
        if (std::fabs(sum - 1.0) > 1e-4) failf(-4, "Error, N - data sets : Sum of fractions = %e\n", sum);
    }
    if (!sizesGiven) return;
    for (int l = 1; l <= sizeClasses(); ++l)
        if (gsize[l] < 1e-20) failf(-5, "Error for S data set no. %d\n", l);
}
