// Writers of parameter files in the `control` format.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "control/control.h"
#include "control/state.h"
#include "control/readers.h"
#include "control/record_scan.h"

namespace {

// Both writers create their file the same way: when it cannot be created the
// run ends with -4 and no log line.
FILE* createControlFile(const char* name) {
    FILE* fp = std::fopen(name, "w");
    if (!fp) {
        setMessage("cannot open file 'control' ");
        endRun(-4);
    }
    return fp;
}

}  // namespace

void writeControlMin() {
    FILE* fp = createControlFile("control");
    for (int k = 1; k <= znumber; ++k) zdistrib[k] = (k - 1) * 100.0 / (znumber - 1);
    initnumber = 3;
    initarray[1] = 1;
    initarray[2] = xnumber / 2;
    initarray[3] = xnumber;

    std::fprintf(fp, "T   %s                             title field \n", Title + 1);
    std::fprintf(fp, "G 1 %d %d %d %d     grid and array sizes\n", xnumber, ynumber, znumber, lnumber);
    std::fprintf(fp, "G 3");
    for (int k = 1; k <= znumber; ++k) std::fprintf(fp, " %lf", zdistrib[k]);
    std::fprintf(fp, "      vertical grid distribution\n");
    std::fprintf(fp, "W 1 %lf %lf %lf\n", ManningInit, discharge, level);
    std::fprintf(fp, "W 2 %d", initnumber);
    for (int n = 1; n <= initnumber; ++n) std::fprintf(fp, " %d", initarray[n]);
    std::fprintf(fp, "\n");
    std::fprintf(fp, "K 1 %ld %ld\n", 40000L, 60000L);
    std::fprintf(fp, "K 2 0 1\n");
    closeWritten(fp, "control");
}

namespace {

// A value outside a..b: above b or below a.
bool outside(double value, double a, double b) { return value > b || value < a; }

// The records 1..count (or 0..count-1) of a table that holds `capacity`
// records: a count beyond the table is written as far as the table goes.
int recordsUpTo(int count, int capacity) { return std::clamp(count, 0, capacity - 1); }

template <typename T, std::size_t N>
constexpr int capacity(const T (&)[N]) {
    return static_cast<int>(N);
}

// The title as the reader of T stores it: its characters from Title[1] on,
// closed by one blank. A tab ends the title again when the file is read
// back, so the characters come back exactly and the comment behind it stays
// on the line.
void writeTitle(FILE* fp) {
    constexpr std::size_t kTitleLength = 28;
    const char* text = Title + 1;
    std::size_t n = strnlen(text, std::min(kTitleLength + 1, sizeof Title - 1));
    if (n > 0 && text[n - 1] == ' ') --n;  // the closing blank
    n = std::min(n, kTitleLength);
    std::fprintf(fp, "T%.*s\t                              title field\n", static_cast<int>(n), text);
}

// F 2: the 20 characters of the run string as stored; the reader takes the
// blank behind the number as the first of them. A NUL (a position the
// reader ended with) becomes a line end, which ends the string the same way.
void writeRunString(FILE* fp) {
    std::fputs("F 2", fp);
    for (char c : run) std::fputc(c == '\0' ? '\n' : c, fp);
    std::fputs("        run choice\n", fp);
}

// F 7: the option characters the reader stored (from the separating blank
// on), up to the line end that closed them. Characters behind that line end
// are left over from an earlier, longer F 7 and are not written: read back
// as free text, a capital among them would start a data set. When the reader
// did not end the characters with a line end, one is written, so that the
// comment does not become option characters.
void writeOptionLetters(FILE* fp) {
    constexpr int kStored = 8;
    std::fputs("F 7", fp);
    int n = 0;
    while (n < kStored && options[n + 1] != '\0' && (n == 0 || printable(options[n]))) std::fputc(options[++n], fp);
    if (n < kStored && (n == 0 || printable(options[n]))) std::fputc('\n', fp);
    std::fputs("   run options\n", fp);
}

void writeFParameters(FILE* fp) {
    if (debugging == 'C' || debugging == 'D') std::fprintf(fp, "F 1 %c\n", debugging);
    writeRunString(fp);
    if (outside(relax_morph, 0.499, 0.501) || iter_morph != 500 || outside(conv_morph, 9.9e-6, 1.01e-5))
        std::fprintf(fp, "F 4 %lf %d %lf    morphology data\n", relax_morph, iter_morph, conv_morph);
    if (outside(ConcFormCoeff, 0.0149, 0.0151) || outside(ConcFormTstar, 1.49, 1.51) ||
        outside(ConcFormDstar, 0.29, 0.31))
        std::fprintf(fp, "F 6 %lf %lf %lf\n", ConcFormCoeff, ConcFormTstar, ConcFormDstar);
    writeOptionLetters(fp);
    if (outside(MaxBedChange, 0.09, 0.11)) std::fprintf(fp, "F 8 %lf\n", MaxBedChange);
    if (outside(EddyMult, 0.99, 1.01)) std::fprintf(fp, "F 9 %lf\n", EddyMult);
    if (SedimentFormula != 'R') std::fprintf(fp, "F 10 %c   sediment formula\n", SedimentFormula);
    if (outside(density, 2.64, 2.66) || outside(shieldscoeff, 0.046, 0.048))
        std::fprintf(fp, "F 11 %lf %lf", density, shieldscoeff);
    if (outside(Schmidt, 0.99, 1.01)) std::fprintf(fp, "F 12 %lf\n", Schmidt);
    // A roughness at or below 0 (the default -2) means "from the Manning
    // number"; the reader of F 16 accepts 0..10 only, so it is left out.
    if (XksWall >= 0.0) std::fprintf(fp, "F 16 %lf   roughness in meters\n", XksWall);
    if (TimeStep > 1e-10) std::fprintf(fp, "F 17 %lf time step in seconds", TimeStep);
    if (outside(RelaxRhieChow, 0.99, 1.01)) std::fprintf(fp, "F 21 %lf rhiechow relaxation\n", RelaxRhieChow);
    if (FillPart > 0.0) std::fprintf(fp, "F 23 %lf %lf accellerated deposition\n", FillPart, FillCriteria);
    if (FlagBedPoros == 1)
        std::fprintf(fp, "F 25 %lf %lf %lf %lf %d\n", MinPorosity, RelaxPorosity, RoughPoros1, RoughPoros2, DiamPoros);
    if (outside(ConvCoef, 0.499, 0.501)) std::fprintf(fp, "F 26 %lf\n", ConvCoef);
    if (SedimentScheme == 1) std::fprintf(fp, "F 27 1\n");
    if (BedFlags[0] != 0 && BedFlags[1] != 0 && BedFlags[2] != 0 && BedFlags[3] != 0 && BedFlags[4] != 0)
        std::fprintf(fp, "F 30 %d %d %d %d %d\n", BedFlags[0], BedFlags[1], BedFlags[2], BedFlags[3], BedFlags[4]);
    if (TimeStep > 1e-20) std::fprintf(fp, "F 33 %lf %d\n", TimeStep, TransInnerIter);
    if (FlagTFS != 0) std::fprintf(fp, "F 36 %d\n", FlagTFS);
    if (FlagTSC != 0) std::fprintf(fp, "F 37 %d\n", FlagTSC);
    if (Flag2Dim != 0) std::fprintf(fp, "F 44 %d\n", Flag2Dim);
    if (FlagPresGrad != 1) std::fprintf(fp, "F 46 %d\n", FlagPresGrad);
    if (outside(InterLimit, 0.049, 0.051)) std::fprintf(fp, "F 47 %lf \n", InterLimit);
    if (FlagInterpolVal != 0) std::fprintf(fp, "F 48 %d\n", FlagInterpolVal);
    if (NoComponents > 0) std::fprintf(fp, "F 50 %d\n", NoComponents);
    if (!(PrintIterBoogie == 100 && PrintIterTime == 1 && PrintIterRes == 100 && PrintIterForce == 100))
        std::fprintf(fp, "F 53 %d %d %d %d\n", PrintIterBoogie, PrintIterRes, PrintIterForce, PrintIterTime);
    if (TimeBreakLimit > 1.1e-7) std::fprintf(fp, "F 54 %lf\n", TimeBreakLimit);
    if (outside(MaxBedConc, 0.29, 0.31)) std::fprintf(fp, "F 55 %lf\n", MaxBedConc);
}

void writeGDataSets(FILE* fp) {
    std::fprintf(fp, "G 1 %d %d %d %d    grid and array sizes\n", xnumber, ynumber, znumber, lnumber);
    std::fprintf(fp, "G 3");
    for (int k = 1; k <= recordsUpTo(znumber, capacity(zdistrib)); ++k) std::fprintf(fp, " %lf", zdistrib[k]);
    std::fprintf(fp, "  vertical grid distribution\n");
    if (iSurf > 0) std::fprintf(fp, "G 6 %d %d %d %lf %lf\n", iSurf, jSurf, kSurf, RelaxSurface, ConvSurface);
    for (int n = 1; n <= recordsUpTo(IONo, capacity(IO)); ++n) {
        const IORecord& r = IO[n];
        std::fprintf(fp, "G 7 %d %d %d %d %d %d %d %d %lf %lf %lf %lf\n", r.type, r.side, r.a1, r.a2, r.b1, r.b2,
                     r.paralell, r.update, r.flux, r.dir[0], r.dir[1], r.dir[2]);
    }
    for (int n = 1; n <= recordsUpTo(MInitNo, capacity(MInit)); ++n) {
        const MInitRecord& r = MInit[n];
        std::fprintf(fp, "G 8 %d %d %d %d %d %d %lf %lf %lf\n", r.i1, r.i2, r.j1, r.j2, r.k1, r.k2, r.u, r.v, r.w);
    }
    const int classes = std::clamp(lnumber, 0, kFractionTable - 1);
    for (int n = 1; n <= recordsUpTo(SedSourceNo, capacity(SedSource)); ++n) {
        std::fprintf(fp, "G 12 %d", SedSource[n].block);
        for (int l = 1; l <= classes; ++l) std::fprintf(fp, " %lf", SedSource[n].concentration[l]);
        std::fprintf(fp, "\n");
    }
    for (int n = 1; n <= recordsUpTo(OutBlockNo, capacity(OutBlock)); ++n) {
        const OutBlockRecord& r = OutBlock[n];
        std::fprintf(fp, "G 13 %d %d %d %d %d %d %d\n", r.type, r.i1, r.i2, r.j1, r.j2, r.k1, r.k2);
    }
    if (std::fabs(MouseScale - 1.0) > 1e-7) std::fprintf(fp, "G 15 %lf\n", MouseScale);
    if (contourNo > 0) {
        std::fprintf(fp, "L %d", contourNo);
        for (int n = 0; n < std::min(contourNo, capacity(contourLevels)); ++n) std::fprintf(fp, " %lf", contourLevels[n]);
        std::fprintf(fp, "\n");
    }
    for (int n = 0; n < std::min(sOpenGL3DNo, capacity(sOpenGl3D)); ++n) {
        const OpenGlSection& r = sOpenGl3D[n];
        std::fprintf(fp, "G 19 %d %d %d %d %d %d %d %d\n", r.plane, r.dir, r.a1, r.a2, r.b1, r.b2, r.extra1, r.extra2);
    }
}

void writePAndSizeClasses(FILE* fp) {
    std::fprintf(fp, "P 2 %lf %lf %lf %lf %lf\n", xscale, yscale, zscale, movex, movey);
    // The depth-averaged model keeps no monitoring level (znode 0); the
    // reader of P 3 wants one and sets it to 0 again behind F 44.
    const int monitoredLevel = Flag2Dim == 1 && znode == 0 ? 1 : znode;
    std::fprintf(fp, "P 3 %d %d %d %d \n", xnode, ynode, monitoredLevel, lnode);
    const int classes = std::clamp(lnumber, 0, kFractionTable - 1);
    for (int l = 1; l <= classes; ++l)
        if (gsize[l] > 1e-9) std::fprintf(fp, "S %d %lf %lf\n", l, gsize[l], fallvelo[l]);
    for (int l = 1; l <= classes; ++l)
        if (gsize[l] > 1e-9) std::fprintf(fp, "I %d %lf\n", l, inflow[l]);
}

void writeWDataSets(FILE* fp) {
    std::fprintf(fp, "W 1 %lf %lf %lf\n", ManningInit, discharge, level);
    std::fprintf(fp, "W 2 %d", initnumber);
    for (int n = 1; n <= recordsUpTo(initnumber, capacity(initarray)); ++n) std::fprintf(fp, " %d", initarray[n]);
    std::fprintf(fp, "\n");
    if (MBNo > 0) {
        std::fprintf(fp, "W 3 %d", MBNo);
        for (int b = 1; b <= recordsUpTo(MBNo, capacity(MBSkjot)); ++b) std::fprintf(fp, " %d %d", MBSkjot[b], MBStart[b]);
        std::fprintf(fp, "\n");
    }
    for (int n = 1; n <= recordsUpTo(MWallNo, capacity(MWall)); ++n) {
        const MWallRecord& r = MWall[n];
        std::fprintf(fp, "W 4 %d %d %d %d %d %d %d\n", r.dir, r.posneg, r.node, r.a1, r.a2, r.b1, r.b2);
    }
    for (int n = 1; n <= recordsUpTo(FastNo, capacity(iFast)); ++n) std::fprintf(fp, "W 6 %d %d\n", iFast[n], jFast[n]);
    for (int n = 1; n <= recordsUpTo(AttractNo, capacity(Attract)); ++n) {
        const AttractRecord& r = Attract[n];
        std::fprintf(fp, "W 7 %d %d %d %lf %lf\n", r.type, r.i, r.j, r.strength, r.decay);
    }
}

void writeKDataSets(FILE* fp) {
    std::fprintf(fp, "K 1 %ld %ld\n", iterGlobalMax, IterSurface);
    std::fprintf(fp, "K 2 %d %d\n", FlagWall, FlagRoof);
    std::fprintf(fp, "K 3 ");
    for (int e = 1; e <= 6; ++e) std::fprintf(fp, "%lf ", relax[e]);
    std::fprintf(fp, "\n");
    for (auto [name, table] : {std::pair{"K 4 ", sweeps}, {"K 5 ", blockcorr}, {"K 6 ", sou}}) {
        std::fputs(name, fp);
        for (int e = 1; e <= 6; ++e) std::fprintf(fp, "%d ", table[e]);
        std::fprintf(fp, "\n");
    }
    if (simple != 'Y') std::fprintf(fp, "K 9 N\n");
    if (lcray != 'Y') std::fprintf(fp, "K 10 N\n");
}

}  // namespace

int writeControl() {
    FILE* fp = createControlFile("control.new");
    writeTitle(fp);
    writeFParameters(fp);
    writeGDataSets(fp);
    writePAndSizeClasses(fp);
    writeWDataSets(fp);
    writeKDataSets(fp);
    return closeWritten(fp, "control.new");
}
