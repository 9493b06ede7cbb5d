// The writer of `control.new`: the rows it writes for the defaults and for
// every parameter away from its default, the round trip through the reader
// of `control`, and its file errors.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "control/reader_fixture.h"
#include "control/readers.h"

using namespace quird_test;

namespace {

namespace fs = std::filesystem;

// A control that gives every conditional row of control.new a parameter
// away from its default (on the grid of ReaderTest).
const char* kAllRows =
    "T Flume with all rows\n"
    "F 1 D\n"
    "F 2 WMSA\n"
    "F 4 0.6 400 0.0001\n"
    "F 6 0.02 1.6 0.4\n"
    "F 7 NBGP\n"
    "F 8 0.2\n"
    "F 9 2\n"
    "F 10 E\n"
    "F 11 2.7 0.05\n"
    "F 12 2\n"
    "F 16 0.05\n"
    "F 17 0.5\n"
    "F 21 0.5\n"
    "F 23 0.2 0.1\n"
    "F 25 0.4 1.5 0.6 0.7 3\n"
    "F 26 0.6\n"
    "F 27 1\n"
    "F 30 1 2 3 4 5 6\n"
    "F 33 0.5 3\n"
    "F 36 1\n"
    "F 37 2\n"
    "F 44 1\n"
    "F 46 2\n"
    "F 47 0.1\n"
    "F 48 3\n"
    "F 50 2\n"
    "F 53 50 200 10 5\n"
    "F 54 0.001\n"
    "F 55 0.4\n"
    "G 6 2 2 3 0.5 0.001\n"
    "G 7 0 1 2 4 2 4 0 0 1.5 1 0 0\n"
    "G 7 1 -1 2 4 2 4 0 0 1.5 1 0 0\n"
    "G 8 2 3 2 3 2 3 0.1 0.2 0.3\n"
    "G 12 1 0.001 0.002\n"
    "G 13 1 2 3 2 3 2 3\n"
    "G 15 2\n"
    "L 2 1.5 2.5\n"
    "G 19 2 1 1 4 1 4 0 0\n"
    "P 2 2 3 4 5 6\n"
    "P 3 3 3 3 2\n"
    "S 1 0.002 0.1\n"
    "S 2 0.0005 0.05\n"
    "I 1 2.5\n"
    "I 2 0.5\n"
    "W 1 40 10 5\n"
    "W 2 3 1 3 5\n"
    "W 3 1 3 2\n"
    "W 4 3 1 2 2 3 2 3\n"
    "W 6 2 2\n"
    "W 7 2 3 2 1.5 0.5\n"
    "K 1 500 20\n"
    "K 2 1 1\n"
    "K 3 0.7 0.7 0.7 0.3 0.4 0.4\n"
    "K 4 2 2 2 6 2 2\n"
    "K 5 1 1 1 1 1 1\n"
    "K 6 1 1 1 2 1 1\n"
    "K 9 N\n"
    "K 10 N\n";

// ---------------------------------------------------------------------------
// Every parameter that control.new carries, by name.
// ---------------------------------------------------------------------------
using Snapshot = std::map<std::string, std::string>;

std::string text(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v);
    return b;
}
std::string text(long v) { return std::to_string(v); }
std::string text(int v) { return std::to_string(v); }
std::string text(char v) { return std::string(1, v); }

template <typename... T>
std::string join(const T&... values) {
    std::string s;
    ((s += text(values) + " "), ...);
    return s;
}

// The option letters: the printable characters the reader stored.
std::string optionLetters() {
    std::string s;
    for (int n = 1; n <= 8 && options[n] >= 32 && options[n] <= 126; ++n) s += options[n];
    return s;
}

// The title text without the blank that closes it; a title that no T data
// set gave reads back as the empty title of a bare T.
std::string titleText() {
    std::string t = Title + 1;
    if (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

Snapshot snapshot() {
    Snapshot s;
    s["T"] = titleText();
    s["F 1"] = text(debugging);
    s["F 2"] = std::string(run, sizeof run);
    s["F 4"] = join(relax_morph, iter_morph, conv_morph);
    s["F 6"] = join(ConcFormCoeff, ConcFormTstar, ConcFormDstar);
    s["F 7 letters"] = optionLetters();
    s["F 7 N B G V"] = join(FlagBedGradient, FlagBedslopeCorrection, FlagBlockBorder, FlagPlotVertical);
    s["F 7 I A Z X"] = join(FlagInflowDirection, FlagDiffNonVert, FlagZ0Small, FlagXCYC);
    s["F 7 C P E"] = join(FlagInZero, FlagBedPoros, FlagFlowDirCor);
    s["F 8"] = text(MaxBedChange);
    s["F 9"] = text(EddyMult);
    s["F 10"] = text(SedimentFormula);
    s["F 11"] = join(density, shieldscoeff);
    s["F 12"] = text(Schmidt);
    s["F 16"] = text(XksWall);
    s["F 17 F 33"] = join(TimeStep, TransInnerIter);
    s["F 21"] = text(RelaxRhieChow);
    s["F 23"] = join(FillPart, FillCriteria);
    s["F 25"] = join(MinPorosity, RelaxPorosity, RoughPoros1, RoughPoros2, DiamPoros);
    s["F 26"] = text(ConvCoef);
    s["F 27"] = text(SedimentScheme);
    s["F 30"] = join(BedFlags[0], BedFlags[1], BedFlags[2], BedFlags[3], BedFlags[4]);
    s["F 36"] = text(FlagTFS);
    s["F 37"] = text(FlagTSC);
    s["F 44"] = text(Flag2Dim);
    s["F 46"] = text(FlagPresGrad);
    s["F 47"] = text(InterLimit);
    s["F 48"] = text(FlagInterpolVal);
    s["F 50"] = text(NoComponents);
    s["F 53"] = join(PrintIterBoogie, PrintIterRes, PrintIterForce, PrintIterTime);
    s["F 54"] = text(TimeBreakLimit);
    s["F 55"] = text(MaxBedConc);
    s["G 1"] = join(xnumber, ynumber, znumber, lnumber);
    for (int k = 1; k <= znumber; ++k) s["G 3"] += join(zdistrib[k]);
    s["G 6"] = join(iSurf, jSurf, kSurf, RelaxSurface, ConvSurface);
    s["G 7"] = text(IONo) + ": ";
    for (int n = 1; n <= IONo; ++n) {
        const IORecord& r = IO[n];
        s["G 7"] += join(r.type, r.side, r.a1, r.a2, r.b1, r.b2, r.paralell, r.update, r.flux, r.dir[0], r.dir[1], r.dir[2]);
    }
    s["G 8"] = text(MInitNo) + ": ";
    for (int n = 1; n <= MInitNo; ++n) {
        const MInitRecord& r = MInit[n];
        s["G 8"] += join(r.i1, r.i2, r.j1, r.j2, r.k1, r.k2, r.u, r.v, r.w);
    }
    s["G 12"] = text(SedSourceNo) + ": ";
    for (int n = 1; n <= SedSourceNo; ++n) {
        s["G 12"] += join(SedSource[n].block);
        for (int l = 1; l <= lnumber; ++l) s["G 12"] += join(SedSource[n].concentration[l]);
    }
    s["G 13"] = text(OutBlockNo) + ": ";
    for (int n = 1; n <= OutBlockNo; ++n) {
        const OutBlockRecord& r = OutBlock[n];
        s["G 13"] += join(r.type, r.i1, r.i2, r.j1, r.j2, r.k1, r.k2);
    }
    s["G 15"] = text(MouseScale);
    s["L"] = text(contourNo) + ": ";
    for (int n = 0; n < contourNo; ++n) s["L"] += join(contourLevels[n]);
    s["G 19"] = text(sOpenGL3DNo) + ": ";
    for (int n = 0; n < sOpenGL3DNo; ++n) {
        const OpenGlSection& r = sOpenGl3D[n];
        s["G 19"] += join(r.plane, r.dir, r.a1, r.a2, r.b1, r.b2, r.extra1, r.extra2);
    }
    s["P 2"] = join(xscale, yscale, zscale, movex, movey);
    s["P 3"] = join(xnode, ynode, znode, lnode);
    for (int l = 1; l <= lnumber; ++l) {
        s["S"] += join(gsize[l], fallvelo[l]);
        s["I"] += join(inflow[l]);
    }
    s["W 1"] = join(ManningInit, discharge, level);
    s["W 2"] = text(initnumber) + ": ";
    for (int n = 1; n <= initnumber; ++n) s["W 2"] += join(initarray[n]);
    s["W 3"] = text(MBNo) + ": ";
    for (int b = 1; b <= MBNo; ++b) s["W 3"] += join(MBSkjot[b], MBStart[b]);
    s["W 4"] = text(MWallNo) + ": ";
    for (int n = 1; n <= MWallNo; ++n) {
        const MWallRecord& r = MWall[n];
        s["W 4"] += join(r.dir, r.posneg, r.node, r.a1, r.a2, r.b1, r.b2);
    }
    s["W 6"] = text(FastNo) + ": ";
    for (int n = 1; n <= FastNo; ++n) s["W 6"] += join(iFast[n], jFast[n]);
    s["W 7"] = text(AttractNo) + ": ";
    for (int n = 1; n <= AttractNo; ++n) {
        const AttractRecord& r = Attract[n];
        s["W 7"] += join(r.type, r.i, r.j, r.strength, r.decay);
    }
    s["K 1"] = join(iterGlobalMax, IterSurface);
    s["K 2"] = join(FlagWall, FlagRoof);
    for (int e = 1; e <= 6; ++e) {
        s["K 3"] += join(relax[e]);
        s["K 4"] += join(sweeps[e]);
        s["K 5"] += join(blockcorr[e]);
        s["K 6"] += join(sou[e]);
    }
    s["K 9"] = text(simple);
    s["K 10"] = text(lcray);
    return s;
}

class WriteControl : public ReaderTest {
protected:
    std::string written() {
        EXPECT_EQ(exitCodeOf([] { EXPECT_EQ(writeControl(), 0); }), kNoExit);
        return readFile("control.new");
    }

    // control.new becomes `control` and is read as in a fresh process.
    int readBack() {
        fs::copy_file("control.new", "control", fs::copy_options::overwrite_existing);
        std::memset(Title, 0, sizeof Title);
        std::memset(options, 0, sizeof options);
        return readExactly(readFile("control"));
    }
};

TEST_F(WriteControl, DefaultsGiveTheAlwaysWrittenRowsWithoutNulBytes) {
    ASSERT_EQ(read(""), kNoExit);
    const std::string file = written();
    // The roughness of F 16 (-2, from the Manning number) is left out: the
    // reader would refuse it. The option letters that no F 7 stored end in
    // a line end instead of NUL bytes.
    EXPECT_EQ(file,
              "T\t                              title field\n"
              "F 2                            run choice\n"
              "F 7\n"
              "   run options\n"
              "F 53 100 100 1 1\n"
              "G 1 5 4 4 2    grid and array sizes\n"
              "G 3 0.000000 20.000000 60.000000 100.000000  vertical grid distribution\n"
              "P 2 1.000000 1.000000 1.000000 0.000000 0.250000\n"
              "P 3 2 2 2 1 \n"
              "W 1 50.000000 0.000000 0.000000\n"
              "W 2 0\n"
              "K 1 40000 50000\n"
              "K 2 0 1\n"
              "K 3 0.800000 0.800000 0.800000 0.200000 0.500000 0.500000 \n"
              "K 4 1 1 1 5 1 1 \n"
              "K 5 0 0 0 0 0 0 \n"
              "K 6 0 0 0 0 0 0 \n");
    EXPECT_EQ(file.find('\0'), std::string::npos);
}

TEST_F(WriteControl, EveryRowInItsOrderAndFormat) {
    ASSERT_EQ(read(kAllRows), kNoExit);
    // F 11 and F 17 end without a line end; the comment of F 7 stands on a
    // line of its own behind the stored line end; the depth-averaged model
    // writes a readable monitoring level.
    EXPECT_EQ(written(),
              "T Flume with all rows\t                              title field\n"
              "F 1 D\n"
              "F 2 WMSA\n              "
              "        run choice\n"
              "F 4 0.600000 400 0.000100    morphology data\n"
              "F 6 0.020000 1.600000 0.400000\n"
              "F 7 NBGP\n"
              "   run options\n"
              "F 8 0.200000\n"
              "F 9 2.000000\n"
              "F 10 E   sediment formula\n"
              "F 11 2.700000 0.050000F 12 2.000000\n"
              "F 16 0.050000   roughness in meters\n"
              "F 17 0.500000 time step in secondsF 21 0.500000 rhiechow relaxation\n"
              "F 23 0.200000 0.100000 accellerated deposition\n"
              "F 25 0.400000 1.500000 0.600000 0.700000 3\n"
              "F 26 0.600000\n"
              "F 27 1\n"
              "F 30 1 2 3 4 5\n"
              "F 33 0.500000 3\n"
              "F 36 1\n"
              "F 37 2\n"
              "F 44 1\n"
              "F 46 2\n"
              "F 47 0.100000 \n"
              "F 48 3\n"
              "F 50 2\n"
              "F 53 50 200 10 5\n"
              "F 54 0.001000\n"
              "F 55 0.400000\n"
              "G 1 5 4 4 2    grid and array sizes\n"
              "G 3 0.000000 20.000000 60.000000 100.000000  vertical grid distribution\n"
              "G 6 2 2 3 0.500000 0.001000\n"
              "G 7 0 1 2 4 2 4 0 0 1.500000 1.000000 0.000000 0.000000\n"
              "G 7 1 -1 2 4 2 4 0 0 1.500000 1.000000 0.000000 0.000000\n"
              "G 8 2 3 2 3 2 3 0.100000 0.200000 0.300000\n"
              "G 12 1 0.001000 0.002000\n"
              "G 13 1 2 3 2 3 2 3\n"
              "G 15 2.000000\n"
              "L 2 1.500000 2.500000\n"
              "G 19 2 1 1 4 1 4 0 0\n"
              "P 2 2.000000 3.000000 4.000000 5.000000 6.000000\n"
              "P 3 3 3 1 2 \n"
              "S 1 0.002000 0.100000\n"
              "S 2 0.000500 0.050000\n"
              "I 1 2.500000\n"
              "I 2 0.500000\n"
              "W 1 40.000000 10.000000 5.000000\n"
              "W 2 3 1 3 5\n"
              "W 3 1 3 2\n"
              "W 4 3 1 2 2 3 2 3\n"
              "W 6 2 2\n"
              "W 7 2 3 2 1.500000 0.500000\n"
              "K 1 500 20\n"
              "K 2 1 1\n"
              "K 3 0.700000 0.700000 0.700000 0.300000 0.400000 0.400000 \n"
              "K 4 2 2 2 6 2 2 \n"
              "K 5 1 1 1 1 1 1 \n"
              "K 6 1 1 1 2 1 1 \n"
              "K 9 N\n"
              "K 10 N\n");
}

TEST_F(WriteControl, OptionLettersLeftOverFromAnEarlierF7AreNotWritten) {
    // The second F 7 overwrites only the first positions of the first one;
    // "I" behind its line end would start an I data set when read back.
    ASSERT_EQ(read("F 7 NBI\nF 7 A\n"), kNoExit);
    EXPECT_NE(written().find("F 7 A\n   run options\n"), std::string::npos);
    ASSERT_EQ(readBack(), kNoExit) << readFile("control") << readFile("boogie");
    EXPECT_EQ(optionLetters(), " A");
    EXPECT_EQ(FlagDiffNonVert, 0);
}

// ---------------------------------------------------------------------------
// Each conditional row appears once its parameter leaves its tolerance band.
// ---------------------------------------------------------------------------
struct Band {
    const char* name;
    std::function<void()> set;
    const char* text;  // the row when written; otherwise the start of its data set
    bool written;
};
void PrintTo(const Band& b, std::ostream* os) { *os << b.name; }

class ConditionalRow : public WriteControl, public ::testing::WithParamInterface<Band> {};

TEST_P(ConditionalRow, IsWrittenExactlyOutsideItsBand) {
    ASSERT_EQ(read(""), kNoExit);
    GetParam().set();
    const std::string file = written();
    if (GetParam().written)
        EXPECT_NE(file.find(GetParam().text), std::string::npos) << file;
    else
        EXPECT_EQ(file.find(GetParam().text), std::string::npos) << file;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConditionalRow,
    ::testing::Values(
        Band{"F1_C", [] { debugging = 'C'; }, "F 1 C\n", true},
        Band{"F1_other_letter", [] { debugging = 'X'; }, "F 1 ", false},
        Band{"F4_relax_inside", [] { relax_morph = 0.5009; }, "F 4 ", false},
        Band{"F4_relax_above", [] { relax_morph = 0.502; }, "F 4 0.502000 500 0.000010    morphology data\n", true},
        Band{"F4_iterations", [] { iter_morph = 501; }, "F 4 0.500000 501 0.000010", true},
        Band{"F4_conv_inside", [] { conv_morph = 1.005e-5; }, "F 4 ", false},
        Band{"F4_conv_below", [] { conv_morph = 9.8e-6; }, "F 4 0.500000 500 0.000010", true},
        Band{"F6_coeff_inside", [] { ConcFormCoeff = 0.01505; }, "F 6 ", false},
        Band{"F6_coeff", [] { ConcFormCoeff = 0.0152; }, "F 6 0.015200 1.500000 0.300000\n", true},
        Band{"F6_tstar", [] { ConcFormTstar = 1.48; }, "F 6 0.015000 1.480000 0.300000\n", true},
        Band{"F6_dstar", [] { ConcFormDstar = 0.32; }, "F 6 0.015000 1.500000 0.320000\n", true},
        Band{"F8_inside", [] { MaxBedChange = 0.105; }, "F 8 ", false},
        Band{"F8", [] { MaxBedChange = 0.08; }, "F 8 0.080000\n", true},
        Band{"F9_inside", [] { EddyMult = 1.009; }, "F 9 ", false},
        Band{"F9", [] { EddyMult = 1.02; }, "F 9 1.020000\n", true},
        Band{"F10", [] { SedimentFormula = 'M'; }, "F 10 M   sediment formula\n", true},
        Band{"F11_density_inside", [] { density = 2.655; }, "F 11 ", false},
        Band{"F11_density", [] { density = 2.67; }, "F 11 2.670000 0.047000F 53", true},
        Band{"F11_shields", [] { shieldscoeff = 0.045; }, "F 11 2.650000 0.045000F 53", true},
        Band{"F12_inside", [] { Schmidt = 0.991; }, "F 12 ", false},
        Band{"F12", [] { Schmidt = 0.7; }, "F 12 0.700000\n", true},
        Band{"F16_derived", [] { XksWall = -0.5; }, "F 16 ", false},
        Band{"F16_zero", [] { XksWall = 0.0; }, "F 16 0.000000   roughness in meters\n", true},
        Band{"F17_F33", [] { TimeStep = 0.5; }, "F 17 0.500000 time step in secondsF 33 0.500000 1\n", true},
        Band{"F17_steady", [] { TimeStep = 1e-20; }, "F 17 ", false},
        Band{"F21_inside", [] { RelaxRhieChow = 0.995; }, "F 21 ", false},
        Band{"F21", [] { RelaxRhieChow = 1.2; }, "F 21 1.200000 rhiechow relaxation\n", true},
        Band{"F23_zero", [] { FillCriteria = 0.3; }, "F 23 ", false},
        Band{"F23", [] { FillPart = 0.1; }, "F 23 0.100000 0.000000 accellerated deposition\n", true},
        Band{"F25", [] { FlagBedPoros = 1; }, "F 25 0.350000 2.000000 0.500000 0.800000 5\n", true},
        Band{"F26_inside", [] { ConvCoef = 0.5009; }, "F 26 ", false},
        Band{"F26", [] { ConvCoef = 0.45; }, "F 26 0.450000\n", true},
        Band{"F27", [] { SedimentScheme = 1; }, "F 27 1\n", true},
        Band{"F27_other", [] { SedimentScheme = 2; }, "F 27 ", false},
        Band{"F30_one_zero", [] { BedFlags[0] = BedFlags[1] = BedFlags[3] = BedFlags[4] = 1; }, "F 30 ", false},
        Band{"F30", [] { std::fill_n(BedFlags, 6, 2); }, "F 30 2 2 2 2 2\n", true},
        Band{"F36", [] { FlagTFS = 3; }, "F 36 3\n", true},
        Band{"F37", [] { FlagTSC = 1; }, "F 37 1\n", true},
        Band{"F44", [] { Flag2Dim = 1; }, "F 44 1\n", true},
        Band{"F46", [] { FlagPresGrad = 4; }, "F 46 4\n", true},
        Band{"F47_inside", [] { InterLimit = 0.0505; }, "F 47 ", false},
        Band{"F47", [] { InterLimit = 0.06; }, "F 47 0.060000 \n", true},
        Band{"F48", [] { FlagInterpolVal = 7; }, "F 48 7\n", true},
        Band{"F50", [] { NoComponents = 3; }, "F 50 3\n", true},
        Band{"F53_all_default", [] { PrintIterForce = 100; }, "F 53 ", false},
        Band{"F53", [] { PrintIterTime = 2; }, "F 53 100 100 1 2\n", true},
        Band{"F54_inside", [] { TimeBreakLimit = 1.1e-7; }, "F 54 ", false},
        Band{"F54", [] { TimeBreakLimit = 0.002; }, "F 54 0.002000\n", true},
        Band{"F55_inside", [] { MaxBedConc = 0.309; }, "F 55 ", false},
        Band{"F55", [] { MaxBedConc = 0.25; }, "F 55 0.250000\n", true},
        Band{"G6", [] { iSurf = 3; }, "G 6 3 0 0 1.000000 0.010000\n", true},
        Band{"G15_inside", [] { MouseScale = 1.00000005; }, "G 15 ", false},
        Band{"G15", [] { MouseScale = 0.5; }, "G 15 0.500000\n", true},
        Band{"S_too_fine", [] { gsize[1] = 1e-9; }, "S 1 ", false},
        Band{"S_and_I", [] {
                 gsize[1] = 0.001;
                 fallvelo[1] = 0.1;
                 inflow[1] = 3.0;
             },
             "S 1 0.001000 0.100000\nI 1 3.000000\n", true},
        Band{"I_without_size", [] { inflow[2] = 3.0; }, "I 2 ", false},
        Band{"K9", [] { simple = 'y'; }, "K 9 N\n", true},
        Band{"K10", [] { lcray = 'N'; }, "K 10 N\n", true}));

// ---------------------------------------------------------------------------
// Read back as `control`, control.new gives every parameter it wrote.
// ---------------------------------------------------------------------------
struct RoundTrip {
    const char* name;
    const char* control;
    std::vector<std::string> changed;  // names whose value differs from the defaults ({"*"}: all but `same`)
    std::vector<std::string> same = {};
};
void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.name; }

class ReadBack : public WriteControl, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(ReadBack, ReproducesEveryWrittenParameter) {
    ASSERT_EQ(read(""), kNoExit);
    const Snapshot defaults = snapshot();
    ASSERT_EQ(read(GetParam().control), kNoExit) << readFile("boogie");
    const Snapshot before = snapshot();

    // The case moves what it names away from the defaults.
    std::vector<std::string> changed = GetParam().changed;
    if (changed == std::vector<std::string>{"*"}) {
        changed.clear();
        for (const auto& [name, value] : before)
            if (std::find(GetParam().same.begin(), GetParam().same.end(), name) == GetParam().same.end())
                changed.push_back(name);
    }
    for (const std::string& name : changed) EXPECT_NE(before.at(name), defaults.at(name)) << name;

    written();
    ASSERT_EQ(readBack(), kNoExit) << readFile("control") << readFile("boogie");
    const Snapshot after = snapshot();
    for (const auto& [name, value] : before) EXPECT_EQ(after.at(name), value) << name;
    // A second round trip writes the same file again.
    const std::string first = readFile("control");
    EXPECT_EQ(written(), first);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ReadBack,
    ::testing::Values(
        RoundTrip{"Defaults", "", {}},
        // Every row of control.new, the grid and some F 7 switches aside.
        RoundTrip{"AllRows",
                  kAllRows,
                  {"*"},
                  {"G 1", "G 3", "F 7 I A Z X", "F 7 C P E"}},
        RoundTrip{"LongTitle", "T Dam break, 2nd run with Manning 31: tail\n", {"T"}},
        RoundTrip{"TwentyRunCharacters", "F 2 WMWMWMWMWMWMWMWMWM\n", {"F 2"}},
        RoundTrip{"RunStringAtTheEndOfTheFile", "F 2 WMA", {"F 2"}},
        RoundTrip{"EightOptionCharacters", "F 7 VICEAZB\n", {"F 7 letters", "F 7 N B G V", "F 7 I A Z X", "F 7 C P E"}},
        RoundTrip{"OptionsAtTheEndOfTheFile", "F 7 NB", {"F 7 letters", "F 7 N B G V"}},
        RoundTrip{"DepthAveragedMonitoringCell", "F 44 1\nP 3 4 3 3 2\n", {"F 44", "P 3"}}));

// ---------------------------------------------------------------------------
// File errors of both writers: `control` (written when a run finds none) and
// control.new.
// ---------------------------------------------------------------------------
struct Writer {
    const char* file;
    void (*write)();
};
void PrintTo(const Writer& w, std::ostream* os) { *os << w.file; }

class FileError : public WriteControl, public ::testing::WithParamInterface<Writer> {
protected:
    void SetUp() override {
        WriteControl::SetUp();
        ASSERT_EQ(read(kAllRows), kNoExit);
        fs::remove(GetParam().file);
    }
};

TEST_P(FileError, AFileThatCannotBeCreatedEndsWithMinus4WithoutALogLine) {
    const std::string log = readFile("boogie");
    fs::create_directory(GetParam().file);
    EXPECT_EQ(exitCodeOf(GetParam().write), -4);
    EXPECT_STREQ(mc_message, "cannot open file 'control' ");
    EXPECT_EQ(readFile("boogie"), log);
}

TEST_P(FileError, AWriteErrorEndsWithMinus3) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fs::create_symlink("/dev/full", GetParam().file);
    EXPECT_EQ(exitCodeOf(GetParam().write), -3);
    const std::string name = GetParam().file;
    EXPECT_EQ(std::string(mc_message), "cannot write file '" + name + "' ");
    EXPECT_TRUE(boogieEndsWith("Error, cannot write file '" + name + "'\n")) << boogie();
}

INSTANTIATE_TEST_SUITE_P(Writers, FileError,
                         ::testing::Values(Writer{"control.new", [] { writeControl(); }},
                                           Writer{"control", writeControlMin}));

}  // namespace
