// Entry point and run driver.
#include <cstdio>

#include "control/control.h"
#include "control/engine.h"
#include "control/state.h"
#include "control/constants.h"
#include "control/readers.h"
#include "control/grid_sizes.h"
#include "control/log.h"
#include "control/record_scan.h"
#include "sediment/state.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "morphology/morphology.h"
#include "output/output.h"
#include "sediment/sediment.h"
#include "surface2d/surface2d.h"
#include "waterquality/waterquality.h"

namespace {

// Letter X: the grid files read, and the nodes read take effect: the cell
// geometry is renewed, and the flow field, computed on the old nodes, gets
// its boundary fitted at the next flow call.
void readGridFiles() {
    ReadXCYC();
    metric();
    smetric();
    FlagFieldRefit = 1;
}

}  // namespace

RunTasks defaultRunTasks() {
    return RunTasks{::WaterSolve,   ::WaterSolve2D,   ::bedchange,   ::bedslope_corr,  ::coeffe_setup,
                    ::coeffe_setup2, ::suspinit,      ::sprintflow,  ::writespider,    ::Components,
                    ::readres,      ::morphology,     ::morphology_tsc, ::morphology2_tsc, ::initial,
                    readGridFiles};
}


namespace {

// Bounding box of the E points of `geodata`; false when it holds no readable point.
bool geodataExtent(FILE* geo, double& xmin, double& xmax, double& ymin, double& ymax) {
    xmin = ymin = 1e20;
    xmax = ymax = -1e20;
    bool any = false;
    for (long n = 0; n < 100000000L; ++n) {
        const int c = std::fgetc(geo);
        if (endOfScan(c)) break;
        if (c != 'E') continue;
        double x, y;
        if (std::fscanf(geo, "%lf %lf", &x, &y) != 2) break;
        any = true;
        if (x < xmin) xmin = x;
        if (x > xmax) xmax = x;
        if (y < ymin) ymin = y;
        if (y > ymax) ymax = y;
    }
    return any;
}

// A run that ends normally (its cycles done, or letter A) after a numerical
// failure of a solver ends with 3, its last line naming the first failure.
void endIfSolverFailed() {
    if (FlagErrorBreak != 1) return;
    if (FailureMessage[0] == '\0') noteNumericalFailure();  // a flag set without the note
    logf("Run ended after a numerical failure: %s\n", FailureMessage);
    endRun(3);
}

}  // namespace

void writeDefaultGrid() {
    double xmin = 0.0, xmax = 0.0, ymin = 0.0, ymax = 0.0, bed = 0.0;
    FILE* geo = std::fopen("geodata", "r");
    if (geo) {
        const bool any = geodataExtent(geo, xmin, xmax, ymin, ymax);
        std::fclose(geo);
        // Without a readable point there is no extent to span: write no grid,
        // so that the reader of `control` reports the missing `koordina`.
        if (!any) return;
    } else {
        xdial = 10.0;
        ydial = 5.0;
        zdial = 0.0;
        xmax = xdial;
        ymax = ydial;
        bed = zdial;
    }
    FILE* fp = std::fopen("koordina", "w");
    if (!fp) return;  // the reader of `control` reports the missing grid
    // A single grid line in i or j spans nothing, and sizes whose arrays
    // cannot be formed would only write a huge file: the file stays empty and
    // the reader of `control` refuses the sizes of G 1.
    if (xnumber >= 2 && ynumber >= 2 && gridSizesIndexable(xnumber, ynumber, znumber)) {
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) {
                const double x = xmin + ((i - 1) * (xmax - xmin)) / (xnumber - 1);
                const double y = ymin + ((j - 1) * (ymax - ymin)) / (ynumber - 1);
                std::fprintf(fp, "%d %d %lf %lf %lf\n", i, j, x, y, bed);
            }
    }
    std::fclose(fp);
}

int quirdMain() {
    FlagStart = 0;
    gFlagRead = gFlagWriteX = gFlagWriteR = gFlagFlow = gFlagSedim = gFlagInit = gFlagMap = 0;
    gFlagContour = gFlagLong = gFlagVerifyProfile = gFlagVerifyMap = gFlagCross = gFlagAnim = 0;
    gFlag3D = gFlagColorMap = gFlagVectorColorMap = gFlagVectorColorMap3D = gFlagTemp = gFlagComp = 0;
    FlagGridChange = 0;
    SetArraysZero();
    FlagStart = 1;

    if (FILE* fp = std::fopen("control", "r")) {
        std::fclose(fp);
        preReadG1("control");
    } else {
        ManningInit = 50.0;
        discharge = 1.0;
        level = 1.0;
        xnumber = ynumber = znumber = 4;
        lnumber = 1;
        writeControlMin();
    }
    if (FILE* fp = std::fopen("koordina", "r")) {
        std::fclose(fp);
    } else {
        writeDefaultGrid();
    }
    Initial();
    endIfSolverFailed();
    return 1;
}

bool startupSequence() {
    kread();
    if (FlagRoof != 0)
        initial();
    else
        initial_tunnel();
    MultiBlockInit();
    smetric();
    startup();
    gFlagInit = 1;
    if (transientRun() && ReadTimes() != 0) return false;
    return true;
}

void runStringLoop() {
    for (int cycle = 1; cycle <= IterF2; ++cycle) {
        for (int n = 0; n < 10; ++n) {
            switch (run[n]) {
            case 'A':
                endIfSolverFailed();
                endRun(0);
            case 'B':
                runTasks.bedchange();
                break;
            case 'D':
                gFlagFlow = 1;
                runTasks.WaterSolve2D();
                gFlagFlow = 0;
                break;
            case 'I':
                gFlagSedim = 1;
                FlagInitSedim = 1;
                runTasks.bedslope_corr();
                runTasks.coeffe_setup();
                runTasks.coeffe_setup2();
                runTasks.suspinit();
                gFlagSedim = 0;
                break;
            case 'M':
                gFlagWriteR = 1;
                runTasks.sprintflow();
                runTasks.writespider();
                gFlagWriteR = 0;
                break;
            case 'Q':
                gFlagComp = 1;
                runTasks.Components();
                gFlagComp = 0;
                break;
            case 'R':
                if (cycle <= 2) {
                    gFlagRead = 1;
                    runTasks.readres();
                    gFlagRead = 0;
                }
                break;
            case 'S':
                gFlagSedim = 1;
                FlagSedimDial = 0;
                if (FlagTSC == 0)
                    runTasks.morphology();
                else if (FlagTSC == 1)
                    runTasks.morphology_tsc();
                else if (FlagTSC == 2)
                    runTasks.morphology2_tsc();
                if (conc.isNull()) return;
                gFlagSedim = 0;
                if (FlagErrorBreak == 1) return;
                break;
            case 'V':
                if (FlagRoof != 0) runTasks.initial();
                break;
            case 'W':
                gFlagFlow = 1;
                if (Flag2Dim != 0)
                    runTasks.WaterSolve2D();
                else
                    runTasks.WaterSolve();
                gFlagFlow = 0;
                break;
            case 'X':
                runTasks.ReadXCYC();
                break;
            default:
                break;
            }
        }
    }
}

void Initial() {
    if (!startupSequence()) return;
    if (IterF2 < 1) return;
    runStringLoop();
}

void show() {}
