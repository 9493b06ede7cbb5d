// The boundary data and probes at the start of a transient morphology step,
// with stime still at the start of the step: the time step and the inflow
// concentrations from the `timei` series (T2), the cyclic feed-back of the
// outflow concentrations (T3) and the probe line to `timeo` (T4).
#include "control/constants.h"
#include "control/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "morphology/state.h"
#include "morphology/tsc_steps.h"
#include "sediment/state.h"

namespace {

// Where stime stands in the series: the entry n that ends the current
// interval and the weight w of entry n-1. Past the last entry's time (or
// always for a series of one entry) n is the zero slot after the last entry.
struct SeriesPlace {
    int n;
    double w;
    bool zeroSlot() const { return n == TimeInNo; }
    int last() const { return TimeInNo - 1; }
};

SeriesPlace seriesPlace() {
    int n = TimeInNo;
    for (int t = 1; t < TimeInNo; ++t)
        if (TimeInTime[t] > stime) {
            n = t;
            break;
        }
    double w = (TimeInTime[n] - stime) / ((TimeInTime[n] - TimeInTime[n - 1]) + 1e-20);
    if (w >= 1.0) w = 1.0;
    // A series whose last entry is at time 0 or before has no ramp against
    // the zero slot: its last entry holds.
    if (n == TimeInNo && TimeInTime[n - 1] <= 0.0) w = 1.0;
    return {n, w};
}

// The opening's boundary cells of fraction l take `value`: the cells beyond
// the face of its side, over its ranges (side +-1: a = j, b = k; side +-2:
// a = i, b = k). Openings in the top or the bed take nothing.
void fillOpening(const IORecord& r, int l, double value) {
    int i1 = r.a1, i2 = r.a2, j1 = r.a1, j2 = r.a2;
    switch (r.side) {
    case 1: i1 = i2 = 1; break;
    case -1: i1 = i2 = xnumber + 1; break;
    case 2: j1 = j2 = 1; break;
    case -2: j1 = j2 = ynumber + 1; break;
    default: return;
    }
    auto c = conc[l];
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j)
            for (int k = r.b1; k <= r.b2; ++k) c[i][j][k] = value;
}

}  // namespace

void tscTimeSeries() {
    if (TimeInNo <= 0) return;
    const SeriesPlace s = seriesPlace();
    // The zero slot holds step 0 and concentrations 0: past the series the
    // last entry's values apply.
    const int held = s.zeroSlot() ? s.last() : s.n;
    if (FlagJTime == 1) TimeStep = TimeInTimStep[held];
    for (int l = 1; l <= lnumber; ++l) {
        if (IONo == 0) {
            const double value = Cinn[held][l];
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) conc[l][1][j][k] = value;
            continue;
        }
        const double value = s.w * Cinn[s.n - 1][l] + (1.0 - s.w) * Cinn[s.n][l];
        for (int r = 1; r <= IONo; ++r)
            if (IO[r].type == 0) fillOpening(IO[r], l, value);
    }
}

void tscCyclicFeedback() {
    bool copy = false;
    if (FlagCyclicS > 0) {
        copy = global_iter != 0 && isMultiple(static_cast<double>(global_iter), FlagCyclicS);
    } else if (FlagCyclicS < 0 && global_iter == tscSteps - 1 && tscCyclicCount < -FlagCyclicS) {
        copy = true;
        ++tscCyclicCount;
    }
    if (!copy) return;
    for (int l = 1; l <= lnumber; ++l)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) conc[l][1][j][k] = conc[l][xnumber][j][k];
}

// The twin driver times its probe lines by the flow's pass counter as it
// stands before the step's flow pass, the first driver by its step counter.
void tscProbeLine() {
    const double step = tscTwin != 0 ? static_cast<double>(Iter) : static_cast<double>(global_iter);
    if (TimePrintNo <= 0 || !isMultiple(step, PrintIterTime)) return;
    timeoLineMorphology();
}
