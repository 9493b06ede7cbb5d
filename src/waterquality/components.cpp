// Transport of the water-quality components on the current flow: one
// convection-diffusion equation per component, sharing the coefficients and
// the centre coefficient, with the reaction terms added explicitly to the
// right-hand side, fixed-value boxes (G 17, G 18), the inflow series of
// `timei`, probe lines to `timeo` and numbered result files.
#include <cmath>
#include <cstdio>
#include <vector>

#include "control/log.h"
#include "control/state.h"
#include "equations/solve.h"
#include "equations/state.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "output/output.h"
#include "turbulence/turbulence.h"
#include "waterquality/reactions.h"
#include "waterquality/state.h"
#include "waterquality/waterquality.h"

namespace {

constexpr double kFixedCentre = 1e30;     // centre coefficient of a fixed-value cell
constexpr double kSteadyTimeStep = 1e-8;  // a run is time-dependent above it
constexpr double kWindowDelay = 1e-7;     // a box acts from its start time plus this

bool timeDependent() { return TimeStep > kSteadyTimeStep; }

// The second-order scheme for the components: F 63 (sou[8]) and the
// second-neighbour arrays it needs.
bool secondOrder() { return sou[8] == 1 && !aee.isNull(); }

double cellMass(int i, int j, int k) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * 1000.0; }

// Component c as a field of the equation workspace (the handle shares comp's block).
FieldArray<double, 3> componentField(int c) {
    FieldArray<double, 3> field;
    field.data_ = comp.data() + comp.offset(c);
    for (int d = 0; d < 3; ++d) {
        field.ext_[d] = comp.ext_[d + 1];
        field.stride_[d] = comp.stride_[d + 1];
    }
    return field;
}

// The centre coefficient of an interior cell: the sum of its couplings, plus
// M/TimeStep of the current step in a time-dependent run. A steady cell
// without couplings keeps its value (a fixed-value cell), so that no solver
// divides by 0.
void centreAt(int i, int j, int k) {
    double a = ae[i][j][k] + aw[i][j][k] + an[i][j][k] + as[i][j][k] + wat[i][j][k] + wab[i][j][k];
    if (secondOrder()) a += aee[i][j][k] + aww[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
    if (timeDependent())
        a += cellMass(i, j, k) / TimeStep;
    else if (a == 0.0)
        a = kFixedCentre;
    wap[i][j][k] = a;
}

template <class Fn>
void forInterior(Fn&& fn) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) fn(i, j, k);
}

void setCentres() { forInterior(centreAt); }

bool boxUsable(const BorderSourceRecord& b) { return b.component >= 0 && b.component < NoComponents; }

// Whether box b acts in the step starting at `time` (a steady run: always).
bool boxActive(const BorderSourceRecord& b, double time) {
    if (!boxUsable(b)) return false;
    if (!timeDependent()) return true;
    return b.startTime + kWindowDelay <= time && time <= b.endTime;
}

void writeBox(const BorderSourceRecord& b) {
    for (int i = b.i1; i <= b.i2; ++i)
        for (int j = b.j1; j <= b.j2; ++j)
            for (int k = b.k1; k <= b.k2; ++k) comp[b.component][i][j][k] = b.value;
}

// Calls fn(i, j, k) for the interior cells of box b.
template <class Fn>
void forBoxInterior(const BorderSourceRecord& b, Fn&& fn) {
    const int i1 = std::max(b.i1, 2), i2 = std::min(b.i2, xnumber), j1 = std::max(b.j1, 2),
              j2 = std::min(b.j2, ynumber), k1 = std::max(b.k1, 2), k2 = std::min(b.k2, znumber);
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j)
            for (int k = k1; k <= k2; ++k) fn(i, j, k);
}

// The inflow values of the step starting now: the first entry at or after
// stime (the last one after the series), without interpolation; with its own
// time step when the series carries them.
void inflowValues() {
    if (TimeInNo <= 0 || FlagTimeiConc <= 0) return;
    int m = TimeInNo - 1;
    for (int t = 0; t < TimeInNo; ++t)
        if (TimeInTime[t] >= stime) {
            m = t;
            break;
        }
    if (FlagJTime == 1) TimeStep = TimeInTimStep[m];
    const int components = std::min(NoComponents, 20);
    const int first = sou[8] == 1 ? 0 : 1;
    for (int c = 0; c < components; ++c)
        for (int i = first; i <= 1; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) comp[c][i][j][k] = Cinn[m][c];
}

// The probe values of letters Q, q, L (see probeLine); false for the other letters.
bool probeValue(const TimePrintRecord& r, int q, double& value) {
    const int c = r.index[q], i = r.iCell[q], j0 = r.jCell[q], k0 = r.kCell[q];
    double s0 = 0.0, s1 = 0.0;
    switch (r.letter[q]) {
    case 'q': value = comp[c][i][j0][k0]; return true;
    case 'Q':
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double w = m_armap[i][j] * m_dist_z[i][j][k];
                s0 += w;
                s1 += comp[c][i][j][k] * w;
            }
        // The weighted mean divided once more by the number of cells: the
        // stored format of the column. A section without area prints 0.
        value = s0 > 0.0 ? s1 / ((ynumber - 1) * (znumber - 1) * s0) : 0.0;
        return true;
    case 'L':
        for (int k = 2; k <= znumber; ++k) {
            s0 += m_dist_z[i][j0][k];
            s1 += comp[c][i][j0][k] * m_dist_z[i][j0][k];
        }
        value = s0 > 0.0 ? s1 / ((znumber - 1) * s0) : 0.0;
        return true;
    default: return false;
    }
}

// One line of `timeo`: the first record whose time lies below stime (else
// the last), stime and the values of its points of letters Q, q, L.
void probeLine() {
    const TimePrintRecord* r = &TimePrint[TimePrintNo - 1];
    for (int n = 0; n < TimePrintNo; ++n)
        if (TimePrint[n].time < stime) {
            r = &TimePrint[n];
            break;
        }
    FILE* fp = std::fopen("timeo", "a");
    if (!fp) failf(-3, "Can not open file 'timeo'\n");
    std::fprintf(fp, "%10.4e ", stime);
    for (int q = 0; q < r->count; ++q) {
        double value = 0.0;
        if (probeValue(*r, q, value)) std::fprintf(fp, "%10.6e ", value);
    }
    std::fprintf(fp, "\n");
    closeWritten(fp, "timeo");
}

void truncateTimeo() {
    FILE* fp = std::fopen("timeo", "w");
    if (!fp) endRun(-3);
    std::fclose(fp);
}

// Solves component c on the shared coefficients: the right-hand side from
// the time term (or 0), the reaction terms, the fixed-value cells and the
// interior cells of the active boxes, then two solver calls.
void solveComponent(int c, int pass, int inner, const std::vector<char>& active) {
    char text[100];
    std::snprintf(text, sizeof text, "Loop0 %d %d %d", pass, inner, c);
    setMessage(text);
    Equation = 8 + c;
    if (timeDependent()) {
        const double dt = TimeStep;
        forInterior([&](int i, int j, int k) { source[i][j][k] = cellMass(i, j, k) / dt * comp_old[c][i][j][k]; });
    } else {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) source[i][j][k] = 0.0;
    }
    addReactionTerms(c);
    forInterior([&](int i, int j, int k) {
        if (wap[i][j][k] >= kFixedValueLimit) source[i][j][k] = wap[i][j][k] * comp[c][i][j][k];
    });
    for (int n = 0; n < BorderSourceNo; ++n) {
        const BorderSourceRecord& b = BorderSource[n];
        if (!active[n] || b.component != c) continue;
        forBoxInterior(b, [&](int i, int j, int k) {
            wap[i][j][k] = kFixedCentre;
            source[i][j][k] = kFixedCentre * b.value;
        });
    }

    SolvePlan plan;
    plan.inverseCentre = lcray == 'Y';
    plan.sweep = secondOrder() ? Routine(WaterGaussSOU) : lcray == 'Y' ? Routine(WaterGaussSeidel) : Routine(WaterTDMA);
    plan.sweeps = 2;
    const FieldHandle3 previous = f;
    FieldArray<double, 3> field = componentField(c);
    solveWorkspace(field, plan);
    f = previous;

    for (int n = 0; n < BorderSourceNo; ++n)
        if (active[n] && BorderSource[n].component == c) forBoxInterior(BorderSource[n], centreAt);
}

}  // namespace

// The components continue from what `comp` holds on entry: zero after the
// allocation, the values of an earlier letter Q, or those of `compres.pre`,
// which the sediment restart reader (readConRes) puts there at run letter I.
void componentsOnFlow() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    if (NoComponents > 0 && (comp.isNull() || (timeDependent() && comp_old.isNull())))
        failf(-8, "Error - the component arrays do not exist in Components\n");
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j)
            for (int k = 0; k <= Z + 1; ++k) wap[i][j][k] = 0.0;
    stime = 0.0;
    Equation = 8;
    if (secondOrder())
        coeffe_SOU();
    else
        coeffe_flow();
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) wat[i][j][Z] = 0.0;  // closed water surface
    setCentres();

    std::vector<char> active(BorderSourceNo, 0);
    if (!timeDependent())
        for (int n = 0; n < BorderSourceNo; ++n)
            if (boxUsable(BorderSource[n])) {
                writeBox(BorderSource[n]);
                active[n] = 1;
            }
    if (timeDependent() && TimePrintNo > 0) truncateTimeo();

    const long passes = TimeStep >= kSteadyTimeStep ? iterGlobalMax : 1;
    for (long p = 0; p < passes; ++p) {
        if (timeDependent()) {
            for (int c = 0; c < NoComponents; ++c)
                for (int i = 1; i <= X + 1; ++i)
                    for (int j = 1; j <= Y + 1; ++j)
                        for (int k = 0; k <= Z + 1; ++k) comp_old[c][i][j][k] = comp[c][i][j][k];
            for (int n = 0; n < BorderSourceNo; ++n) {
                active[n] = boxActive(BorderSource[n], stime);
                if (active[n]) writeBox(BorderSource[n]);
            }
            const double stepBefore = TimeStep;
            inflowValues();
            if (TimeStep != stepBefore) setCentres();  // the time term of the step's own time step
            stime += TimeStep;
            if (TimePrintNo > 0 && std::fabs(std::fmod(static_cast<double>(p), PrintIterTime)) < 0.001 &&
                stime >= TimePrint[0].time)
                probeLine();
            if (PrintRes > 0 && std::fabs(std::fmod(static_cast<double>(p), PrintRes)) < 0.001) sprintflow();
        }
        for (int inner = 0; inner < TransInnerIter; ++inner)
            for (int c = 0; c < NoComponents; ++c) solveComponent(c, static_cast<int>(p), inner, active);
    }
}

void Components() {
    {
        Log log;
        log.write("Started components\n");
    }
    Equation = 1;
    startup();
    if (FlagInitialized == 0) {
        boundary();
        waterflow();
    }
    FlagInitialized = 1;
    GammaCalc();
    componentsOnFlow();
}
