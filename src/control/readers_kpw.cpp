// Readers of the K (solver control), P (plot and print) and W (water flow and
// grid topology) data sets, with the second-pass W 5 and the block seams.
#include <algorithm>
#include <cstdlib>

#include "control/state.h"
#include "control/grid_sizes.h"
#include "control/readers.h"
#include "control/record_scan.h"
#include "grid/state.h"

namespace {

// ---------------------------------------------------------------------------
// K
// ---------------------------------------------------------------------------

void readK1(FILE* fp) {
    const int n = readLong(fp, iterGlobalMax) && readLong(fp, IterSurface) ? 2 : 0;
    if (n != 2 || iterGlobalMax < 0 || IterSurface < 0) failf(1, "Input error for K 1 in control");
}

void readK2(FILE* fp) {
    const int n = readInts(fp, {&FlagWall, &FlagRoof});
    if (n != 2 || FlagWall < 0 || FlagWall > 5 || FlagRoof < 0 || FlagRoof > 1)
        failf(1, "Input error for K 2 in control");
}

void readK3(FILE* fp) {
    for (int e = 1; e <= 6; ++e)
        if (!readDouble(fp, relax[e]) || relax[e] < 0.0 || relax[e] > 5.0) failf(1, "Input error for K 3 in control");
}

// Six per-equation values, each tested as it is read. A value that does not
// convert is an error only where the data set counts its fields.
void readEquationTable(FILE* fp, int* table, int largest, bool counted, const char* message) {
    for (int e = 1; e <= 6; ++e) {
        const bool read = readInt(fp, table[e]);
        if ((counted && !read) || table[e] < 0 || table[e] > largest) failf(1, "%s", message);
    }
}

void readK4(FILE* fp) { readEquationTable(fp, sweeps, 20, false, "Input error for K 4 in control"); }
void readK5(FILE* fp) { readEquationTable(fp, blockcorr, 10, true, "Input error for K 5 in control"); }
void readK6(FILE* fp) { readEquationTable(fp, sou, 20, true, "Input error for K 6 in control"); }
void readK8(FILE* fp) { readChar(fp, conti); }
void readK9(FILE* fp) { readChar(fp, simple); }
void readK10(FILE* fp) { readChar(fp, lcray); }

constexpr NumberedReader kKReaders[] = {
    {1, readK1}, {2, readK2}, {3, readK3}, {4, readK4}, {5, readK5},
    {6, readK6}, {8, readK8}, {9, readK9}, {10, readK10},
};

// ---------------------------------------------------------------------------
// P
// ---------------------------------------------------------------------------

void readP2(FILE* fp) {
    for (double* v : {&xscale, &yscale, &zscale, &movex, &movey}) readDouble(fp, *v);
}

void readP3(FILE* fp) {
    readInts(fp, {&xnode, &ynode, &znode, &lnode});
    if (xnode < 1 || !atMost(xnode, xnumber, 1) || ynode < 1 || !atMost(ynode, ynumber, 1) || znode < 1 ||
        !atMost(znode, znumber, 1) ||
        lnode < 0 || lnode > lnumber)
        failf(1, "Input error for P 3 in control");
}

void readP4(FILE* fp) { readChar(fp, graph); }
void readP7(FILE* fp) { readChar(fp, VerHorPar); }
void readP10(FILE* fp) { readInt(fp, PrintRes); }

constexpr NumberedReader kPReaders[] = {{2, readP2}, {3, readP3}, {4, readP4}, {7, readP7}, {10, readP10}};

// ---------------------------------------------------------------------------
// W
// ---------------------------------------------------------------------------

void readW1(FILE* fp) {
    for (double* v : {&ManningInit, &discharge, &level}) readDouble(fp, *v);
    if (ManningInit < 1.0 || ManningInit > 180.0 || discharge < -1e-10 || discharge > 1e15 || level > 10000.0)
        failf(1, "Input error for W 1 in control");
}

void readW2(FILE* fp) {
    readInt(fp, initnumber);
    if (initnumber < 0 || initnumber > 2999) failf(1, "Input error for W 2 in control");
    for (int n = 1; n <= initnumber; ++n) {
        readInt(fp, initarray[n]);
        if (initarray[n] < 1 || initarray[n] > xnumber || initarray[n] < initarray[n - 1])
            failf(1, "Input error for W 2 in control");
    }
}

void readW3(FILE* fp) {
    readInt(fp, MBNo);
    if (MBNo < 1 || MBNo > 9) failf(1, "Input error for W 3 in control");
    for (int b = 1; b <= MBNo; ++b) {
        readInts(fp, {&MBSkjot[b], &MBStart[b]});
        if (MBSkjot[b] < 1 || MBSkjot[b] > xnumber || std::abs(MBStart[b]) > xnumber)
            failf(1, "Input error for W 3 in control");
    }
}

void readW4(FILE* fp) {
    const int n = ++MWallNo;
    if (n > 299) failf(1, "Input error for W 4 in control\nMWallNo = %d, too large\n", n);
    MWallRecord& r = MWall[n];
    readInts(fp, {&r.dir, &r.posneg, &r.node, &r.a1, &r.a2, &r.b1, &r.b2});
    if (r.dir < 1 || r.dir > 3) failf(1, "Input error for W 4 in control\nMWall(%d).dir = %d\n", n, r.dir);
    if (r.posneg < -1 || r.posneg > 1)
        failf(1, "Input error for W 4 in control\nMWall(%d).posneg = %d\n", n, r.posneg);
    if (r.a1 < 1 || r.b1 < 1 || r.a1 > r.a2 || r.b1 > r.b2)
        failf(1, "Input error for W 4 in control\nA-MWall(%d)\n", n);
    const DirectionSizes sizes = sizesAcross(r.dir);
    if (r.node < 1 || r.node > sizes.along)
        failf(1, "Input error for W 4 in control\nA-MWall(%d).node = %d\n", n, r.node);
    if (r.a2 > sizes.first || r.b2 > sizes.second) failf(1, "Input error for W 4 in control\nB-MWall(%d)\n", n);
}

void readW6(FILE* fp) {
    const int n = ++FastNo;
    if (n > 19999) failf(1, "Error, too many W 6 data sets\n");
    readInts(fp, {&iFast[n], &jFast[n]});
    if (iFast[n] < 0 || iFast[n] > xnumber || jFast[n] < 0 || jFast[n] > ynumber)
        failf(1, "Error, for data set W 6, %d\n", n);
}

void readW7(FILE* fp) {
    const int n = ++AttractNo;
    if (n > 1999) failf(1, "Error, too many W 7 data sets\n");
    AttractRecord& r = Attract[n];
    readInts(fp, {&r.type, &r.i, &r.j});
    readDouble(fp, r.strength);
    readDouble(fp, r.decay);
    if (r.type < 0 || r.type > 3 || r.i < 0 || r.i > xnumber || r.j < 0 || r.j > ynumber)
        failf(1, "Error, for data set W 7, %d\n", n);
}

// W 5 has no reader in the first pass: it is read once ManArray exists.
constexpr NumberedReader kWReaders[] = {{1, readW1}, {2, readW2}, {3, readW3}, {4, readW4}, {6, readW6}, {7, readW7}};

}  // namespace

bool readDataSetK(int number, FILE* fp) { return runNumberedReader(kKReaders, number, fp); }
bool readDataSetP(int number, FILE* fp) { return runNumberedReader(kPReaders, number, fp); }
bool readDataSetW(int number, FILE* fp) { return runNumberedReader(kWReaders, number, fp); }

void readDataSetW5(FILE* fp) {
    int count;
    if (!readInt(fp, count) || count < 0) failf(1, "Input error for W 5 in control, wrong count");
    for (int n = 0; n < count; ++n) {
        int i;
        if (!readInt(fp, i) || i < 0 || !atMost(i, xnumber, 1) || ManArray.isNull() || i >= ManArray.extent(0))
            failf(1, "Input error for W 5 in control, wrong integer index");
        readDouble(fp, ManArray[i]);
        if (ManArray[i] < 1.0 || ManArray[i] > 180.0)
            failf(1, "Input error for W 5 in control, i=%d\nManning's factor outside allowable range\n", i);
    }
}

void setBlockSeams() {
    if (ISkjotMB.isNull()) return;
    const int last = static_cast<int>(ISkjotMB.extent(0)) - 1;
    for (int i = 0; i <= std::min(xnumber, last); ++i) ISkjotMB[i] = 0;
    for (int b = 1; b <= MBNo; ++b)
        if (MBSkjot[b] >= 0 && MBSkjot[b] <= last) ISkjotMB[MBSkjot[b]] = 1;
}
