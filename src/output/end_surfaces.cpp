// The surface files of the last pass of a transient run: `koosurf` and, with
// the transient free surface, the water levels along one longitudinal line,
// `spillmid`.
#include <cstdio>

#include "control/state.h"
#include "grid/state.h"
#include "grid/koosurf.h"
#include "output/output.h"

namespace {

// The line runs between the node rows 1 and 2 (weighted 0.22 and 0.78) and
// also gives the level of node row 6.
constexpr int kSpillmidRows = 6;

// nullptr when written (or not wanted), else "spillmid".
const char* writeSpillmid() {
    if (ynumber < kSpillmidRows) {
        logf("No file 'spillmid': the grid has %d node rows, it needs %d\n", ynumber, kSpillmidRows);
        return nullptr;
    }
    FILE* fp = std::fopen("spillmid", "w");
    if (!fp) return "spillmid";
    auto zs = [](int i, int j) { return zval[i][j][znumber]; };
    for (int i = 1; i <= xnumber; ++i)
        std::fprintf(fp, "%lf %lf %lf\n", xval[i][2], 0.22 * zs(i, 1) + 0.78 * zs(i, 2), zs(i, kSpillmidRows));
    closeWritten(fp, "spillmid");
    return nullptr;
}

}  // namespace

const char* writeEndSurfaces() {
    const char* failed = writeKoosurf() ? nullptr : "koosurf";
    if (FlagTFS == 1) {
        const char* spill = writeSpillmid();
        if (!failed) failed = spill;
    }
    return failed;
}
