// The flow solver's two small logs: `timeo`, the values of the `timei`
// probes once per printed outer pass, and `forcelog`, the pressure forces on
// the blocked boxes of a run with the transient free surface.
#include <cstdio>

#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/log.h"
#include "flow3d/flow3d.h"

namespace {

// A log that cannot be opened ends the run with -3; the status text names it.
FILE* openOrEnd(const char* name, const char* mode) {
    FILE* fp = std::fopen(name, mode);
    if (fp) return fp;
    char text[100];
    std::snprintf(text, sizeof text, "cannot open file '%s' ", name);
    setMessage(text);
    endRun(-3);
}


// The value a probe letter prints; false for a letter of the other writers.
// A temperature probe in a run without temperature prints 0, so that the
// columns stay one per probe.
// The depth-averaged model has no temperature: its lines know no letter t.
bool probeValue(const TimePrintRecord& r, int q, double& value, bool withTemperature) {
    const int i = r.iCell[q], j = r.jCell[q], k = r.kCell[q];
    if (r.letter[q] == 't' && !withTemperature) return false;
    switch (r.letter[q]) {
    case 'c': value = conc[r.index[q]][i][j][k]; return true;
    case 'd': value = diff[i][j][k]; return true;
    case 'e': value = epsilon[i][j][k]; return true;
    case 'k': value = kinen[i][j][k]; return true;
    case 'p': value = Pres[i][j][k]; return true;
    case 't': value = temp.isNull() ? 0.0 : temp[i][j][k]; return true;
    case 'u': value = xvel[i][j][k]; return true;
    case 'v': value = yvel[i][j][k]; return true;
    case 'w': value = zvel[i][j][k]; return true;
    case 'z': value = zval[i][j][k]; return true;
    default: return false;
    }
}

struct Force {
    double x = 0.0, y = 0.0;
    // p A n with the face normal (nx, ny).
    void add(double pA, const double* n) {
        x += pA * n[0];
        y += pA * n[1];
    }
};

// The pressure forces on the four vertical sides of a box, each from the
// fluid cell just outside the side through the face between that cell and
// the box. A side in the boundary cells (the box reaching to n+1) has no
// cell outside it and takes no part.
// Levels k1..k2 of the box (k = 0: the plane of the depth-averaged model).
Force boxForce(const OutBlockRecord& b, int k1, int k2) {
    Force F;
    const bool highI = b.i2 + 1 <= xnumber + 1, highJ = b.j2 + 1 <= ynumber + 1;
    for (int i = b.i1; i <= b.i2; ++i)
        for (int k = k1; k <= k2; ++k) {
            F.add(Pres[i][b.j1 - 1][k] * m_ar_y[i][b.j1 - 1][k], &m_vec_y[i][b.j1 - 1][0]);
            if (highJ) F.add(-Pres[i][b.j2 + 1][k] * m_ar_y[i][b.j2][k], &m_vec_y[i][b.j2][0]);
        }
    for (int j = b.j1; j <= b.j2; ++j)
        for (int k = k1; k <= k2; ++k) {
            F.add(Pres[b.i1 - 1][j][k] * m_ar_x[b.i1 - 1][j][k], &m_vec_x[b.i1 - 1][j][0]);
            if (highI) F.add(-Pres[b.i2 + 1][j][k] * m_ar_x[b.i2][j][k], &m_vec_x[b.i2][j][0]);
        }
    return F;
}

// The record whose window holds the simulated time strictly, else none.
const TimePrintRecord* printRecordInWindow() {
    for (int p = 0; p < TimePrintNo; ++p)
        if (TimePrint[p].time < stime && stime < TimePrint[p].endTime) return &TimePrint[p];
    return nullptr;
}

// The record whose window holds the simulated time strictly, else the last.
const TimePrintRecord& printRecordNow() {
    const TimePrintRecord* r = printRecordInWindow();
    return r ? *r : TimePrint[TimePrintNo - 1];
}

// The time and the values of the record's points (the time alone without a
// record), appended to the open `timeo`, which is then closed.
void writeProbeLine(FILE* fp, const TimePrintRecord* r, bool withTemperature) {
    std::fprintf(fp, "%10.4e ", stime);
    for (int q = 0; r && q < r->count; ++q) {
        double value;
        if (probeValue(*r, q, value, withTemperature)) std::fprintf(fp, "%10.6e ", value);
    }
    std::fprintf(fp, "\n");
    closeWritten(fp, "timeo");
}

void probeLine(bool withTemperature) {
    FILE* fp = openOrEnd("timeo", "a");
    writeProbeLine(fp, &printRecordNow(), withTemperature);
}

void blockForces(bool plane) {
    FILE* fp = openOrEnd("forcelog", Iter == 1 ? "w" : "a");
    for (int b = 1; b <= OutBlockNo; ++b) {
        const OutBlockRecord& r = OutBlock[b];
        const Force F = plane ? boxForce(r, 0, 0) : boxForce(r, r.k1, r.k2);
        std::fprintf(fp, "Forces on block %d : %lg, %lg N in x and y direction\n", b, F.x, F.y);
    }
    closeWritten(fp, "forcelog");
}

}  // namespace

void timeoLine() {
    if (TimePrintNo <= 0) return;  // no probes: the driver does not call
    probeLine(true);
}

void timeoLine2D() {
    if (TimePrintNo <= 0 || stime < TimePrint[0].time) return;
    probeLine(false);
}

void forcelog() { blockForces(false); }
void forcelog2D() { blockForces(true); }

void timeoLineMorphology() {
    FILE* fp = std::fopen("timeo", "a");
    if (!fp) failf(-3, "cannot open file 'timeo' \n");
    writeProbeLine(fp, printRecordInWindow(), false);
}

void timeoStart() {
    FILE* fp = openOrEnd("timeo", "w");
    closeWritten(fp, "timeo");
}

