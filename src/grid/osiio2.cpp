// Vertical grid change: the node levels of boxes of node columns from the
// Z data sets of `control`, then the initial flow state on the new grid.
//
// `control` is scanned once more, one character at a time: every capital P
// and Z starts a data set wherever it stands, also inside a comment.
#include <cmath>
#include <cstdio>

#include "control/cfile.h"
#include "control/state.h"
#include "control/readers.h"
#include "control/record_scan.h"
#include "grid/state.h"
#include "grid/grid.h"

namespace {

// The node levels that one Z data set can give.
constexpr int kMaxLevels = 28;

[[noreturn]] void rejectZ() { failf(1, "Input error for Z in control"); }

// Z i1 i2 j1 j2, then the height of every node level in percent of the
// column height, bed node to top node.
void readZ(FILE* fp) {
    int i1 = 0, i2 = 0, j1 = 0, j2 = 0;
    readInts(fp, {&i1, &i2, &j1, &j2});
    if (!(2 <= i1 && i1 <= i2 && i2 <= xnumber && 2 <= j1 && j1 <= j2 && j2 <= ynumber)) rejectZ();
    if (znumber > kMaxLevels) failf(2, "Increase array size in osiio2, line 388\n");
    double percent[kMaxLevels + 1] = {};
    for (int k = 1; k <= znumber; ++k) {
        const bool read = readDouble(fp, percent[k]);
        if (!read || !(percent[k] >= 0.0 && percent[k] <= 100.0) || (k > 1 && percent[k] < percent[k - 1]))
            rejectZ();
    }
    if (std::fabs(percent[znumber] - 100.0) > 1e-5) rejectZ();
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j) {
            const double bed = zval[i][j][1], top = zval[i][j][znumber];
            for (int k = 1; k <= znumber; ++k) zval[i][j][k] = bed + 0.01 * percent[k] * (top - bed);
        }
}

// P 3, with the checks of the reader of `control`.
void readMonitoringCell(FILE* fp) {
    readDataSetP(3, fp);
    if (Flag2Dim == 1) znode = 0;  // as the reader leaves it for the depth-averaged model
}

}  // namespace

void gridchange() {
    File control(std::fopen("control", "r"));
    if (!control) {
        setMessage(" cannot open file 'control'");
        endRun(-3);
    }
    requireLog("cannot open file 'boogie'");
    setProgram(" Gridchange  ");
    logf(" In gridchange \n\n");

    FILE* fp = control.get();
    for (int c = std::fgetc(fp); c != EOF; c = std::fgetc(fp)) {
        if (c == 'P') {
            int number = 0;
            if (std::fscanf(fp, " %d ", &number) == 1 && number == 3) readMonitoringCell(fp);
        } else if (c == 'Z') {
            readZ(fp);
        }
    }
    logf(" End of gridchange \n\n");
    control.reset();
    initial();
    setMessage(" After gridchange  ");
}
