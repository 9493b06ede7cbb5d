// The coefficient print-out of chosen cells after a solve (G 14 records).
#include "control/engine.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"

namespace {

// A value of a rank-3 field, 0 where the index lies outside the array (a
// record on the upper boundary layer reaches beyond the fields).
double valueAt(const FieldArray<double, 3>& a, int i, int j, int k) {
    if (a.isNull() || i < 0 || j < 0 || k < 0 || i >= a.extent(0) || j >= a.extent(1) || k >= a.extent(2))
        return 0.0;
    return a[i][j][k];
}

}  // namespace

void debugDump() {
    bool any = false;
    for (int n = 1; n <= DebugDumpNo; ++n) any = any || DebugDump[n].equation == Equation;
    if (!any) return;
    Log log;
    for (int n = 1; n <= DebugDumpNo; ++n) {
        const DebugDumpRecord& r = DebugDump[n];
        if (r.equation != Equation) continue;
        const int i = r.i, j = r.j, k = r.k;
        log.printf("Debug dump for (%d,%d,%d,%d)\n", i, j, k, Equation);
        log.printf("f, ap, source = %e %e %e\n", valueAt(f, i, j, k), valueAt(wap, i, j, k), valueAt(source, i, j, k));
        log.printf("fe, ae, flowe = %e %e %e\n", valueAt(f, i - 1, j, k), valueAt(ae, i, j, k), valueAt(flow1, i - 1, j, k));
        log.printf("fw, aw, floww = %e %e %e\n", valueAt(f, i + 1, j, k), valueAt(aw, i, j, k), valueAt(flow1, i, j, k));
        log.printf("fs, as, flows = %e %e %e\n", valueAt(f, i, j - 1, k), valueAt(as, i, j, k), valueAt(flow2, i, j - 1, k));
        log.printf("fn, an, flown = %e %e %e\n", valueAt(f, i, j + 1, k), valueAt(an, i, j, k), valueAt(flow2, i, j, k));
        log.printf("fb, ab, flowb = %e %e %e\n", valueAt(f, i, j, k - 1), valueAt(wab, i, j, k), valueAt(flow3, i, j, k - 1));
        log.printf("ft, at, flowt = %e %e %e\n", valueAt(f, i, j, k + 1), valueAt(wat, i, j, k), valueAt(flow3, i, j, k));
        if (sou[Equation] == 1) {
            log.printf("fee,aee = %e %e\n", valueAt(f, i - 2, j, k), valueAt(aee, i, j, k));
            log.printf("fww, aww = %e %e\n", valueAt(f, i + 2, j, k), valueAt(aww, i, j, k));
            log.printf("fss, ass = %e %e\n", valueAt(f, i, j - 2, k), valueAt(ass, i, j, k));
            log.printf("fnn, ann = %e %e\n", valueAt(f, i, j + 2, k), valueAt(ann, i, j, k));
            log.printf("fbb, abb = %e %e\n", valueAt(f, i, j, k - 2), valueAt(abb, i, j, k));
            log.printf("ftt, att = %e %e\n", valueAt(f, i, j, k + 2), valueAt(att, i, j, k));
        }
    }
}
