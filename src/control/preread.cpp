// Pre-read of the grid sizes of G 1 by the entry point, before the reader of
// `control` runs: the data sets read before G 1 are checked against these
// sizes, and the default `koordina` is written from them.
//
// The pre-read goes through the scanner of the first pass with readers that
// consume only the texts of T, F 2 and F 7 as the real readers do, so that a
// G 1 inside a title or a run string is not taken for the data set, and both
// find the same first G 1.
#include <cstdio>

#include "control/cfile.h"
#include "control/control.h"
#include "control/state.h"
#include "control/grid_sizes.h"
#include "control/kread.h"
#include "control/readers.h"
#include "control/record_scan.h"

namespace {

// Sizes that do not convert are left as they are; the reader checks G 1
// again. Sizes whose arrays cannot be formed, or more size classes than G 1
// accepts, are not taken at all: nothing may be computed or allocated from
// them (the reader may never see this G 1, when a letter value takes its G).
bool preReadSizes(int number, FILE* fp) {
    if (number != 1) return false;
    readInts(fp, {&xnumber, &ynumber, &znumber, &lnumber});
    if (!gridSizesFormable(xnumber, ynumber, znumber, lnumber) || lnumber > kMaxFractions)
        xnumber = ynumber = znumber = lnumber = 0;
    std::fseek(fp, 0, SEEK_END);  // the first G 1 ends the scan
    return true;
}

bool none(int, FILE*) { return false; }
void nothing(FILE*) {}

constexpr DataSetReaders kPreReaders{stepOverTextF, preReadSizes, none,    none,    none,          none, nothing,
                                     nothing,       nothing,      nothing, nothing, stepOverTitle, nothing, nothing};

}  // namespace

void preReadG1(const char* path) {
    File fp(std::fopen(path, "r"));
    if (fp) scanDataSets(fp.get(), kPreReaders, kPreReadLimit);
}
