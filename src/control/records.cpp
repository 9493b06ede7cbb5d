// The record tables and parameters of the G, K, P, W and lettered data sets,
// and their defaults.
#include <algorithm>
#include <iterator>

#include "control/readers.h"
#include "control/state.h"

namespace {

// The preset points of H table 14.
void presetBioTables() {
    for (BioTable& t : Bio) t.count = 0;
    struct Point {
        double value;
        int code1, code2;
    };
    constexpr Point kTable14[] = {{-1.0, 3, 2}, {-0.1, 1, 2}, {-0.01, 2, 2}, {0.01, 4, 2},
                                  {0.1, 8, 2},  {1.0, 5, 2},  {100.0, 7, 2}};
    BioTable& t = Bio[14];
    for (const Point& p : kTable14) {
        t.value[t.count] = p.value;
        t.code1[t.count] = p.code1;
        t.code2[t.count] = p.code2;
        ++t.count;
    }
}

}  // namespace

void setRecordDefaults() {
    // G
    gridSizesGiven = false;
    sizesAtStart = {xnumber, ynumber, znumber, lnumber};
    iblok1 = iblok2 = jblok1 = jblok2 = 0;
    i_pointsource = i2_pointsource = 0;
    std::fill(std::begin(pointsource), std::end(pointsource), 0.0);
    iSurf = jSurf = kSurf = 0;
    RelaxSurface = 1.0;
    ConvSurface = 0.01;
    IONo = MInitNo = VolSourceNo = SedSourceNo = OutBlockNo = DebugDumpNo = 0;
    SpecEnergy = 0;
    MouseScale = 1.0;
    DistribNo = BorderSourceNo = sOpenGL3DNo = AreaSourceNo = PrintConcNo = 0;
    NoLowFixLev = TecStrucNo = NoVerttemp = 0;
    std::fill(std::begin(FlagOpenMP), std::end(FlagOpenMP), 0);

    // K
    iterGlobalMax = 40000;
    IterSurface = 50000;
    FlagWall = 0;
    FlagRoof = 1;
    constexpr double kRelax[] = {0.8, 0.8, 0.8, 0.2, 0.5, 0.5};
    std::copy(std::begin(kRelax), std::end(kRelax), relax + 1);
    for (int e = 1; e <= 19; ++e) sweeps[e] = e == 4 ? 5 : 1;
    for (int e = 1; e <= 18; ++e) blockcorr[e] = sou[e] = 0;
    conti = 'N';
    simple = 'Y';
    lcray = 'Y';

    // P
    xscale = yscale = zscale = 1.0;
    movex = 0.0;
    movey = 0.25;
    xnode = ynode = znode = 2;
    lnode = 1;
    graph = 'g';
    PrintRes = 0;

    // W (discharge, level and initnumber are zeroed by kread itself, osiio1.cpp)
    ManningInit = 50.0;
    MBNo = MWallNo = FastNo = AttractNo = 0;

    // Lettered
    presetBioTables();
    std::fill(std::begin(inflow), std::end(inflow), 0.0);
    contourNo = 0;
    SampleNo = 0;
    SedimentSample[0][1] = 1.0;
    NoTerms = 0;
    std::fill(std::begin(gsize), std::end(gsize), 0.0);
    std::fill(std::begin(fallvelo), std::end(fallvelo), 0.0);
    sizesGiven = false;
}
