// The result writer: the one entry through which the drivers write results.
#include <cstdio>

#include "control/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "flow3d/flow3d.h"
#include "output/output.h"
#include "output/state.h"

OutputWriters defaultOutputWriters() {
    OutputWriters w{};
    w.surfaceFiles = writeEndSurfaces;
    w.byInterpolVal[0][0] = writeResultFile;
    for (int v = 1; v <= 4; ++v) w.byInterpolVal[v][0] = writeInterpolation;
    w.byInterpolVal[5][0] = writeResultFile;
    w.byInterpolVal[5][1] = writeHabitat;
    w.byInterpolVal[7][0] = writeTecplotCells;
    w.byInterpolVal[8][0] = writeTecplot3D;
    w.byInterpolVal[9][0] = writeTecplot2D;
    w.byInterpolVal[10][0] = writeParaView3D;
    w.byInterpolVal[11][0] = writeParaView2D;
    w.byInterpolVal[12][0] = writeTecplot3D;  // with the stress columns of a stress model
    w.byInterpolVal[19][0] = writeInterpolSeries;
    w.byInterpolVal[20][0] = writeForceReport;
    w.bySpecial[1] = writeBedDirectionReport;
    w.bySpecial[2] = writeAveragedFlowReport;
    w.bySpecial[3] = writeOutflowProfile;
    w.bySpecial[4] = writeSquareGrid;
    w.bySpecial[8] = writeSlopingBedReport;
    return w;
}

void sprintflow() {
    gFlagWriteR = 1;

    // The surface files of the last pass come first. One that cannot be
    // opened does not keep the results of this call from being written; the
    // run ends with -3 once they are.
    const char* surfaceFailed = nullptr;
    outputOpenFailed = nullptr;
    if ((FlagTFS > 0 || FlagTSC > 0) && Iter == iterGlobalMax) surfaceFailed = outputWriters.surfaceFiles();

    bool goOn = true;
    if (FlagInterpolVal >= 0 && FlagInterpolVal < kInterpolValCount)
        for (OutputStep step : outputWriters.byInterpolVal[FlagInterpolVal])
            if (goOn && step) goOn = step();
    if (goOn && FlagWriteSpecial > 0 && FlagWriteSpecial < kSpecialCount && outputWriters.bySpecial[FlagWriteSpecial])
        goOn = outputWriters.bySpecial[FlagWriteSpecial]();

    if (!surfaceFailed) surfaceFailed = outputOpenFailed;
    outputOpenFailed = nullptr;
    if (surfaceFailed) {
        char text[100];
        std::snprintf(text, sizeof text, "cannot open file '%s' ", surfaceFailed);
        setMessage(text);
        endRun(-3);
    }
    if (goOn) gFlagWriteR = 0;
}
