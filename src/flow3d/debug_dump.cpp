// Coefficient print-out of chosen cells after an equation is solved (G 14).
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"

namespace {
// The element, or 0 for an index outside the array (or an array that does not exist).
double valueOr0(const FieldArray<double, 3>& a, int i, int j, int k) {
    if (a.isNull() || i < 0 || j < 0 || k < 0 || i >= a.extent(0) || j >= a.extent(1) || k >= a.extent(2)) return 0.0;
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
        log.printf("f, ap, source = %e %e %e\n", valueOr0(f, i, j, k), valueOr0(wap, i, j, k), valueOr0(source, i, j, k));
        log.printf("fe, ae, flowe = %e %e %e\n", valueOr0(f, i - 1, j, k), valueOr0(ae, i, j, k), valueOr0(flow1, i - 1, j, k));
        log.printf("fw, aw, floww = %e %e %e\n", valueOr0(f, i + 1, j, k), valueOr0(aw, i, j, k), valueOr0(flow1, i, j, k));
        log.printf("fs, as, flows = %e %e %e\n", valueOr0(f, i, j - 1, k), valueOr0(as, i, j, k), valueOr0(flow2, i, j - 1, k));
        log.printf("fn, an, flown = %e %e %e\n", valueOr0(f, i, j + 1, k), valueOr0(an, i, j, k), valueOr0(flow2, i, j, k));
        log.printf("fb, ab, flowb = %e %e %e\n", valueOr0(f, i, j, k - 1), valueOr0(wab, i, j, k), valueOr0(flow3, i, j, k - 1));
        log.printf("ft, at, flowt = %e %e %e\n", valueOr0(f, i, j, k + 1), valueOr0(wat, i, j, k), valueOr0(flow3, i, j, k));
        if (Equation >= 0 && Equation < kEquationTable && sou[Equation] == 1) {
            log.printf("fee,aee = %e %e\n", valueOr0(f, i - 2, j, k), valueOr0(aee, i, j, k));
            log.printf("fww, aww = %e %e\n", valueOr0(f, i + 2, j, k), valueOr0(aww, i, j, k));
            log.printf("fss, ass = %e %e\n", valueOr0(f, i, j - 2, k), valueOr0(ass, i, j, k));
            log.printf("fnn, ann = %e %e\n", valueOr0(f, i, j + 2, k), valueOr0(ann, i, j, k));
            log.printf("fbb, abb = %e %e\n", valueOr0(f, i, j, k - 2), valueOr0(abb, i, j, k));
            log.printf("ftt, att = %e %e\n", valueOr0(f, i, j, k + 2), valueOr0(att, i, j, k));
        }
    }
}
