#include "surface2d/plane2d.h"
#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"

#include <algorithm>

#include "equations/kernels.h"
#include "surface2d/joints2d.h"

namespace plane2d {

void checkPlane(const char* who) {
    if (MBNo <= 0) return;
    eqk::checkJointTables(who);
    if (MBFlow.isNull() || MBFlow.extent(0) < joints2d::blocks() + 1 || MBFlow.extent(2) < ynumber + 1)
        failf(-8, "Error - joint fluxes MBFlow missing in %s\n", who);
}

const FieldArray<double, 3>& rhieChowWeights(const char* who) {
    if (RelaxRhieChow >= 0.0) return invAP;
    if (invFlow.isNull()) failf(-8, "Error - invFlow missing in %s\n", who);
    return invFlow;
}

void closeWalls() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (WallI[i][j][2] == 1) flow1[i - 1][j][0] = 0.0;
            if (WallI[i][j][2] == -1) flow1[i][j][0] = 0.0;
            if (WallJ[i][j][2] == 1) flow2[i][j - 1][0] = 0.0;
            if (WallJ[i][j][2] == -1) flow2[i][j][0] = 0.0;
        }
}

namespace {
void closeCell(int i, int j) {
    flow1[i - 1][j][0] = 0.0;
    flow1[i][j][0] = 0.0;
    flow2[i][j - 1][0] = 0.0;
    flow2[i][j][0] = 0.0;
}
}  // namespace

void closeBlockedColumns() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (kblok[i][j] == 0) closeCell(i, j);
}

void closeBoxes(bool velocities) {
    const int records = std::min(OutBlockNo, 49);
    for (int n = 1; n <= records; ++n) {
        // The reader keeps boxes inside 2..n+1; bounded here to the cells whose faces exist.
        const OutBlockRecord& r = OutBlock[n];
        const int i1 = std::max(r.i1, 1), i2 = std::min(r.i2, xnumber + 1);
        const int j1 = std::max(r.j1, 1), j2 = std::min(r.j2, ynumber + 1);
        for (int i = i1; i <= i2; ++i)
            for (int j = j1; j <= j2; ++j) {
                closeCell(i, j);
                if (velocities) xvel[i][j][0] = yvel[i][j][0] = 0.0;
            }
    }
}

}  // namespace plane2d
