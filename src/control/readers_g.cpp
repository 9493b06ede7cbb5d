// Readers of the G data sets: grid sizes, vertical distributions, openings
// and the box records; the checks of the openings and the fixed lowest levels.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "control/grid_sizes.h"
#include "control/readers.h"
#include "control/state.h"
#include "control/record_scan.h"

namespace {

// ---------------------------------------------------------------------------
// Shared checks.
// ---------------------------------------------------------------------------

// A box of cells: its first indices at least `low`, its last ones at most n+1.
bool boxInside(const CellBox& b, int low) {
    return b.i1 >= low && b.j1 >= low && b.k1 >= low && atMost(b.i2, xnumber, 1) && atMost(b.j2, ynumber, 1) &&
           atMost(b.k2, znumber, 1);
}

bool boxOrdered(const CellBox& b) { return b.i1 <= b.i2 && b.j1 <= b.j2 && b.k1 <= b.k2; }

// An index of the concentration field, 0..n+2 in its direction.
bool inField(int index, int n) { return index >= 0 && atMost(index, n, 2); }
bool cellInField(int i, int j, int k) {
    return inField(i, xnumber) && inField(j, ynumber) && inField(k, znumber);
}

void readBox(FILE* fp, CellBox& b) { readInts(fp, {&b.i1, &b.i2, &b.j1, &b.j2, &b.k1, &b.k2}); }

// Percentages of node levels 1..znumber into p[1..]: non-decreasing from
// p[0], each 0..100. False on a value out of order or range, or when the
// levels do not fit the table (checked before a value is stored).
bool readPercentages(FILE* fp, double* p, int size) {
    for (int k = 1; k <= znumber; ++k) {
        if (k >= size) return false;
        readDouble(fp, p[k]);
        if (p[k] < p[k - 1] || p[k] < 0.0 || p[k] > 100.0) return false;
    }
    return true;
}

// The last percentage (of level znumber) must be 100.
bool endsAtHundred(const double* p) {
    const double last = znumber >= 1 ? p[znumber] : 0.0;
    return std::fabs(last - 100.0) <= 1e-5;
}

// Concentrations of the point source, size classes 1..lnumber.
void readPointSourceConcentrations(FILE* fp) {
    for (int l = 1; l <= lnumber; ++l) readDouble(fp, pointsource[l]);
}

// ---------------------------------------------------------------------------
// The readers, one per data set.
// ---------------------------------------------------------------------------

// The data sets behind the first G 1 were checked against its sizes, and
// the grid stage takes every record as checked: a later G 1 may not change
// them, and the first may not make smaller the sizes that the data sets
// before it were checked against. The levels of a column must fit the table
// of G 3, and the arrays of the sizes must be indexable.
void readG1(FILE* fp) {
    const int earlier[] = {xnumber, ynumber, znumber, lnumber};
    const int n = readInts(fp, {&xnumber, &ynumber, &znumber, &lnumber});
    const GridSizes& start = sizesAtStart;
    const bool changed = gridSizesGiven ? (xnumber != earlier[0] || ynumber != earlier[1] ||
                                           znumber != earlier[2] || lnumber != earlier[3])
                                        : (xnumber < start.x || ynumber < start.y || znumber < start.z ||
                                           lnumber < start.l);
    if (n != 4 || xnumber <= 3 || ynumber <= 3 || znumber <= 3 || lnumber < 1 || lnumber > kMaxFractions ||
        znumber >= static_cast<int>(std::size(zdistrib)) || !gridSizesFormable(xnumber, ynumber, znumber, lnumber) || changed)
        failf(1, "Input error for G 1 in control");
    gridSizesGiven = true;
}

void readG2(FILE* fp) {
    readInts(fp, {&iblok1, &iblok2, &jblok1, &jblok2});
    if (iblok1 < 2 || iblok1 > iblok2 || iblok2 > xnumber || jblok1 < 2 || jblok1 > jblok2 || jblok2 > ynumber)
        failf(1, "Input error for G 2 in control");
}

void readG3(FILE* fp) {
    if (!readPercentages(fp, zdistrib, static_cast<int>(std::size(zdistrib))))
        failf(1, "Input error for G 3 in control");
    if (!endsAtHundred(zdistrib)) failf(1, "Input error for G 3 in control - last number must be 100.0");
}

void readG4(FILE* fp) {
    readInts(fp, {&i_pointsource, &j_pointsource, &k_pointsource});
    if (!cellInField(i_pointsource, j_pointsource, k_pointsource) || lnumber > kMaxFractions)
        failf(1, "Input error for G 4 in control");
    readPointSourceConcentrations(fp);
}

void readG5(FILE* fp) {
    readInts(fp, {&i_pointsource, &i2_pointsource, &j_pointsource, &j2_pointsource, &k_pointsource,
                  &k2_pointsource});
    if (!cellInField(i_pointsource, j_pointsource, k_pointsource))
        failf(1, "Input error for G 5 in control\nWrong first indexes");
    if (!cellInField(i2_pointsource, j2_pointsource, k2_pointsource))
        failf(1, "Input error for G 5 in control\nWrong second indexes");
    if (i_pointsource > i2_pointsource || j_pointsource > j2_pointsource || k_pointsource > k2_pointsource)
        failf(1, "Input error for G 5 in control\nWrong match beween indexes");
    if (lnumber > kMaxFractions) failf(1, "Input error for G 5 in control\n");
    readPointSourceConcentrations(fp);
}

void readG6(FILE* fp) {
    readInts(fp, {&iSurf, &jSurf, &kSurf});
    readDouble(fp, RelaxSurface);
    readDouble(fp, ConvSurface);
    skipSpace(fp);
    if (iSurf < 1 || !atMost(iSurf, xnumber, 1) || jSurf < 1 || !atMost(jSurf, ynumber, 1) || kSurf < 1 ||
        !atMost(kSurf, znumber, 1) || RelaxSurface < 1e-5 || RelaxSurface > 10.0 || ConvSurface < 1e-10 ||
        ConvSurface > 10000.0)
        failf(1, "Input error for G 6 in control\n");
}

void readG7(FILE* fp) {
    if (++IONo > 19) failf(1, "Input error for G 7 in control\nData sets must not exceed 19\n");
    IORecord& r = IO[IONo];
    for (int* v : {&r.type, &r.side, &r.a1, &r.a2, &r.b1, &r.b2, &r.paralell, &r.update}) {
        readInt(fp, *v);
        skipSpace(fp);
    }
    for (double* v : {&r.flux, &r.dir[0], &r.dir[1], &r.dir[2]}) readDouble(fp, *v);
    // Side 0 passes here; checkIO reports it.
    const DirectionSizes n = sizesAcross(r.side);
    const bool sideOk = r.side >= -3 && r.side <= 3;
    if (!sideOk || (r.type != 0 && r.type != 1) || (r.side != 0 && (r.a2 > n.first || r.b2 > n.second)))
        failf(1, "Input error for G 7 in control");
}

void readG8(FILE* fp) {
    if (++MInitNo > 19) failf(-2, "Increase array for G 8 and recompile\n");
    MInitRecord& r = MInit[MInitNo];
    readBox(fp, r);
    for (double* v : {&r.u, &r.v, &r.w}) readDouble(fp, *v);
    skipSpace(fp);
}

void readG9(FILE* fp) {
    readInt(fp, SpecEnergy);
    if (SpecEnergy < 1 || SpecEnergy > xnumber) failf(1, "Error for G 9 in control");
}

void readG10(FILE* fp) {
    if (++VolSourceNo > 19) failf(1, "Input error for G 10 in control\nData sets must not exceed 19\n");
    VolSourceRecord& r = VolSource[VolSourceNo];
    readBox(fp, r);
    readDouble(fp, r.value);
    r.value2 = 2.0;
    if (!boxInside(r, 2)) failf(1, "Input error for G 10 in control");
}

void readG11(FILE* fp) {
    if (++VolSourceNo > 100) failf(1, "Input error for G 11 in control\nNumber of data sets must not exceed 100\n");
    VolSourceRecord& r = VolSource[VolSourceNo];
    readBox(fp, r);
    readDouble(fp, r.value);
    readDouble(fp, r.value2);
    if (!boxInside(r, 2)) failf(1, "Input error for G 11 in control");
}

void readG12(FILE* fp) {
    if (++SedSourceNo > 19) failf(1, "Input error for G 12 in control\nData sets must not exceed 19\n");
    SedSourceRecord& r = SedSource[SedSourceNo];
    readInt(fp, r.block);
    const int sizes = std::min(lnumber, kMaxFractions);
    for (int l = 1; l <= sizes; ++l) readDouble(fp, r.concentration[l]);
    if (r.block < 1 || r.block > 9) failf(1, "Input error for G 12, first parameter, in control");
    for (int l = 1; l <= sizes; ++l)
        if (r.concentration[l] < 0.0 || r.concentration[l] > 1.0)
            failf(1, "Input error for G 12, concentration, in control");
    if (lnumber > kMaxFractions)
        logf("Warning, only the first 50 sediment sizes\nare read on G 12 data sets\n"
             "To avvoid this, recompiliation is necessary\n\n");
}

void readG13(FILE* fp) {
    if (++OutBlockNo > 49) failf(1, "Input error for G 13 in control\nNumber of data sets must not exceed 49\n");
    OutBlockRecord& r = OutBlock[OutBlockNo];
    readInt(fp, r.type);
    readBox(fp, r);
    if (r.type < 0 || r.type > 3 || !boxInside(r, 2) || !boxOrdered(r)) failf(1, "Input error for G 13 in control");
}

void readG14(FILE* fp) {
    if (++DebugDumpNo > 29) failf(1, "Input error for G 14 in control\nNumber of data sets must not exceed 29\n");
    DebugDumpRecord& r = DebugDump[DebugDumpNo];
    readInts(fp, {&r.equation, &r.i, &r.j, &r.k});
    if (r.equation < 1 || r.equation > 6 || r.i < 2 || r.j < 2 || r.k < 2 || !atMost(r.i, xnumber, 1) ||
        !atMost(r.j, ynumber, 1) || !atMost(r.k, znumber, 1))
        failf(1, "Input error for G 14 in control");
}

void readG15(FILE* fp) {
    readDouble(fp, MouseScale);
    MouseScale = std::clamp(MouseScale, 0.5, 5.0);
}

void readG16(FILE* fp) {
    DistributionRecord& r = Distribution[DistribNo];
    readInts(fp, {&r.i1, &r.i2, &r.j1, &r.j2});
    skipSpace(fp);
    if (r.i1 < 1 || r.i1 > r.i2 || r.i2 > xnumber || r.j1 < 1 || r.j1 > r.j2 || r.j2 > ynumber)
        failf(1, "Input error for G 16 in control");
    if (!readPercentages(fp, r.percent, static_cast<int>(std::size(r.percent))) || !endsAtHundred(r.percent))
        failf(1, "Input error for G 16 in control");
    if (DistribNo + 1 > 500) failf(1, "Input error for G 16 in control: too many G 16 data sets");
    ++DistribNo;
}

// G 17 and G 18: a fixed-value box of a water-quality component.
BorderSourceRecord& readBorderSource(FILE* fp, const char* tooMany) {
    if (BorderSourceNo >= 99) failf(1, "%s", tooMany);
    BorderSourceRecord& r = BorderSource[BorderSourceNo];
    readBox(fp, r);
    readInt(fp, r.component);
    readDouble(fp, r.value);
    return r;
}

void readG17(FILE* fp) {
    BorderSourceRecord& r =
        readBorderSource(fp, "Input error for G 17 in control\nNumber of data sets must not exceed 99\n");
    r.startTime = 0.0;  // a G 17 box acts over the whole run
    r.endTime = 1e20;
    if (!boxInside(r, 1)) failf(1, "Input error for G 17 in control");
    ++BorderSourceNo;
}

void readG18(FILE* fp) {
    BorderSourceRecord& r =
        readBorderSource(fp, "Input error for G 18 in control\nNumber of data sets must not exceed 99\n");
    r.startTime = 0.0;
    readDouble(fp, r.startTime);
    if (!readDouble(fp, r.endTime) || r.endTime <= r.startTime) r.endTime = 1e20;
    if (!boxInside(r, 1)) failf(1, "Input error for G 18 in control");
    ++BorderSourceNo;
}

void readG19(FILE* fp) {
    if (sOpenGL3DNo >= 49) failf(1, "Input error for G 19 in control\nNumber of data sets must not exceed 49\n");
    OpenGlSection& r = sOpenGl3D[sOpenGL3DNo];
    readInts(fp, {&r.plane, &r.dir, &r.a1, &r.a2, &r.b1, &r.b2, &r.extra1, &r.extra2});
    const DirectionSizes n = sizesAcross(r.dir);
    if (r.dir < 1 || r.dir > 3 || r.a1 < 1 || r.b1 < 1 || !atMost(r.plane, n.along, 1) || r.a2 > n.first ||
        r.b2 > n.second)
        failf(1, "Input error for G 19 in control");
    ++sOpenGL3DNo;
}

void readG20(FILE* fp) {
    AreaSourceRecord& r = AreaSource[AreaSourceNo];
    readBox(fp, r);
    readInt(fp, r.size);
    readDouble(fp, r.value);
    if (!cellInField(r.i1, r.j1, r.k1)) failf(1, "Input error for G 20 in control\nWrong first indexes");
    if (!cellInField(r.i2, r.j2, r.k2)) failf(1, "Input error for G 20 in control\nWrong second indexes");
    if (!boxOrdered(r)) failf(1, "Input error for G 20 in control\nWrong match beween indexes");
    if (r.size < 1 || r.size > lnumber || r.value < 0.0)
        failf(1, "Input error for G 20 in control\nError in one of two last numbers");
    if (AreaSourceNo + 1 > 49) failf(1, "Input error for G 20 in control\nToo many G 20 data sets");
    ++AreaSourceNo;
}

void readG21(FILE* fp) {
    if (PrintConcNo >= 19) failf(1, "Input error for G 21 in control\nData sets must not exceed 19\n");
    PrintConcRecord& r = PrintConc[PrintConcNo];
    readInts(fp, {&r.direction, &r.plane, &r.first1, &r.last1, &r.first2, &r.last2});
    const DirectionSizes n = sizesAcross(r.direction);
    if (r.direction < -3 || r.direction > 3 || r.direction == 0 || r.first1 < 1 || r.first2 < 1 || r.plane < 1 ||
        !atMost(r.plane, n.along, 1) || r.last1 > n.first || r.last2 > n.second)
        failf(1, "Input error for G 21 in control");
    ++PrintConcNo;
}

void readG23(FILE* fp) {
    if (NoLowFixLev >= 500) failf(1, "Input error for G 23 in control\nData sets must not exceed 500\n");
    LowFixLevRecord& r = LowFixLev[NoLowFixLev];
    readInts(fp, {&r.i1, &r.i2, &r.j1, &r.j2, &r.k});
    if (r.i1 < 1 || r.i1 > r.i2 || r.i2 > xnumber || r.j1 < 1 || r.j1 > r.j2 || r.j2 > ynumber || r.k < 1 ||
        r.k > znumber)
        failf(1, "Input error for G 23 in control");
    ++NoLowFixLev;
}

// The letter of a G 24 entry: the first of at most 10 characters that is not a blank.
char readEntryLetter(FILE* fp) {
    char c = ' ';
    for (int n = 0; n < 10; ++n)
        if (!readChar(fp, c) || c != ' ') break;
    return c;
}

void readG24(FILE* fp) {
    int count = TecStrucNo;
    readInt(fp, count);
    if (count > 299) failf(1, "Too many points in G 24 data set\n");
    TecStrucNo = count;
    for (int n = 0; n < count; ++n) {
        TecStrucRecord& r = TecStruc[n];
        r.letter = readEntryLetter(fp);
        readInts(fp, {&r.level, &r.fraction});
        if (r.level < 0 || r.level > znumber || r.fraction < 0 || r.fraction > lnumber)
            failf(1, "Error in G 24 data set \n");
    }
}

void readG40(FILE* fp) {
    int count = NoVerttemp;
    readInt(fp, count);
    if (count < 1 || count > 49) failf(1, "Input error for G 40 in control");
    NoVerttemp = count;
    for (int n = 0; n < count; ++n) {
        readDouble(fp, Verttemp[n].level);
        readDouble(fp, Verttemp[n].temperature);
    }
}

// Every value is read and every faulty one listed before the run ends.
void readG50(FILE* fp) {
    bool faulty = false;
    for (int n = 0; n < 10; ++n) {
        const bool read = readInt(fp, FlagOpenMP[n]);
        if (read && (FlagOpenMP[n] == 0 || FlagOpenMP[n] == 1)) continue;
        logf("Error for G 50 data set in control file\nInteger no. %d = %d\n", n, FlagOpenMP[n]);
        faulty = true;
    }
    if (faulty) endRun(1);
}

constexpr NumberedReader kGReaders[] = {
    {1, readG1},   {2, readG2},   {3, readG3},   {4, readG4},   {5, readG5},   {6, readG6},   {7, readG7},
    {8, readG8},   {9, readG9},   {10, readG10}, {11, readG11}, {12, readG12}, {13, readG13}, {14, readG14},
    {15, readG15}, {16, readG16}, {17, readG17}, {18, readG18}, {19, readG19}, {20, readG20}, {21, readG21},
    {23, readG23}, {24, readG24}, {40, readG40}, {50, readG50},
};

// ---------------------------------------------------------------------------
// checkIO: the tests of one opening, in order, with the lines each failure
// writes behind the heading line.
// ---------------------------------------------------------------------------

// Sum of the squares of the direction components not above 1.
double unitSum(const IORecord& r) {
    double sum = 0.0;
    for (double c : r.dir)
        if (c <= 1.0) sum += c * c;
    return sum;
}

struct IOTest {
    bool (*passes)(const IORecord& r);
    void (*report)(Log& log, const IORecord& r);
};

const IOTest kIOTests[] = {
    {[](const IORecord& r) { return r.type == 0 || r.type == 1; },
     [](Log& log, const IORecord&) { log.write("type have to be 0 for inflow or 1 for outflow\n"); }},
    {[](const IORecord& r) { return r.side >= -3 && r.side != 0; },
     [](Log& log, const IORecord& r) {
         log.printf("side have to range from -3 to +3, but not zero\nside: %d\n", r.side);
     }},
    {[](const IORecord& r) { return r.side <= 3 || MBNo > 0; },
     [](Log& log, const IORecord& r) {
         log.printf("side have to range from -3 to +3, when Multi-Block is not used\nside: %d\n", r.side);
     }},
    {[](const IORecord& r) { return r.side < 4 || r.side > 10; },
     [](Log& log, const IORecord& r) { log.printf("side can never range from 4 to 10\nside: %d\n", r.side); }},
    {[](const IORecord& r) { return r.side - MBNo <= 10; },
     [](Log& log, const IORecord& r) {
         log.printf("side minus number of Multi-Blocks can not exceed 10\nside: %d MBNo: %d\n", r.side, MBNo);
     }},
    {[](const IORecord& r) { return r.a1 >= 2 && r.b1 >= 2; },
     [](Log& log, const IORecord& r) {
         log.printf("a1 and b1 have to b greater than 1\na1, b1: %d, %d\n", r.a1, r.b1);
     }},
    {[](const IORecord& r) { return r.a2 >= r.a1; },
     [](Log& log, const IORecord&) { log.write("a2 have to be greater than a1\n"); }},
    {[](const IORecord& r) { return r.b2 >= r.b1; },
     [](Log& log, const IORecord&) { log.write("b2 have to be greater than b1\n"); }},
    {[](const IORecord& r) { return std::abs(r.side) != 3 || r.a2 <= xnumber; },
     [](Log& log, const IORecord& r) {
         log.printf("a2(%d) larger than xnumber(%d)\na2, b2: %d, %d\n", r.a2, xnumber, r.a2, r.b2);
     }},
    {[](const IORecord& r) { return std::abs(r.side) != 3 || r.b2 <= ynumber; },
     [](Log& log, const IORecord& r) {
         log.printf("b2(%d) larger than ynumber(%d)\na2, b2: %d, %d\n", r.b2, ynumber, r.a2, r.b2);
     }},
    {[](const IORecord& r) { return std::abs(r.side) != 2 || r.a2 <= xnumber; },
     [](Log& log, const IORecord& r) {
         log.printf("a2(%d) larger than xnumber(%d)\na2, b2: %d, %d\n", r.a2, xnumber, r.a2, r.b2);
     }},
    {[](const IORecord& r) { return std::abs(r.side) != 2 || r.b2 <= znumber; },
     [](Log& log, const IORecord& r) {
         log.printf("b2 (%d) larger than znumber (%d) \na2, b2: %d, %d\n", r.b2, znumber, r.a2, r.b2);
     }},
    {[](const IORecord& r) { return std::abs(r.side) != 1 || r.a2 <= ynumber; },
     [](Log& log, const IORecord& r) {
         log.printf("a2(%d) larger than ynumber(%d)\na2, b2: %d, %d\n", r.a2, ynumber, r.a2, r.b2);
     }},
    {[](const IORecord& r) { return std::abs(r.side) != 1 || r.b2 <= znumber; },
     [](Log& log, const IORecord& r) {
         log.printf("b2(%d) larger than znumber(%d)\na2, b2: %d, %d\n", r.b2, znumber, r.a2, r.b2);
     }},
    {[](const IORecord& r) { return r.paralell >= 0 && r.paralell <= 2; },
     [](Log& log, const IORecord& r) { log.printf("paralell must be 0,1 or 2\nparalell: %d\n", r.paralell); }},
    {[](const IORecord& r) { return r.update >= 0 && r.update <= 2; },
     [](Log& log, const IORecord& r) { log.printf("update must be 0, 1 or 2\nupdate: %d\n", r.update); }},
    {[](const IORecord& r) { return r.paralell != 2 || std::fabs(unitSum(r) - 1.0) <= 0.01; },
     [](Log& log, const IORecord& r) {
         log.printf("Incorrect components for paralell equal 2\nIncorrect Unit = %e\n", unitSum(r));
     }},
};

}  // namespace

bool readDataSetG(int number, FILE* fp) { return runNumberedReader(kGReaders, number, fp); }

// After both passes (F 50 may stand after the boxes): a box whose component
// does not exist would write past the component fields. A negative
// component switches the box off and stays allowed.
void checkBorderSources() {
    for (int n = 0; n < BorderSourceNo; ++n)
        if (BorderSource[n].component >= NoComponents)
            failf(1, "Input error for G 17/G 18 in control: component %d of box %d does not exist\n",
                  BorderSource[n].component, n + 1);
}

void checkIO() {
    Log log;
    bool faulty = false;
    for (int n = 1; n <= IONo; ++n) {
        for (const IOTest& test : kIOTests) {
            if (test.passes(IO[n])) continue;
            log.printf("Error in G 7: for wall no: %d\n", n);
            test.report(log, IO[n]);
            faulty = true;
        }
    }
    if (faulty) IONo = -10;
}

void setLowerFixedLevel() {
    if (NoLowFixLev <= 0 || LowerFixedLevel.isNull()) return;
    // The boxes were checked against the sizes of their time; stay within the array.
    const int iLast = std::min<int>(xnumber, LowerFixedLevel.extent(0) - 1);
    const int jLast = std::min<int>(ynumber, LowerFixedLevel.extent(1) - 1);
    for (int i = 1; i <= iLast; ++i)
        for (int j = 1; j <= jLast; ++j) LowerFixedLevel[i][j] = znumber;
    for (int n = 0; n < NoLowFixLev; ++n) {
        const LowFixLevRecord& r = LowFixLev[n];
        for (int i = r.i1; i <= std::min(r.i2, iLast); ++i)
            for (int j = r.j1; j <= std::min(r.j2, jLast); ++j) LowerFixedLevel[i][j] = r.k;
    }
}
