// Values of the computed fields at the points of `interpol`, written to
// `interres`: bed levels (F 48 1), velocity and turbulence profiles (2),
// concentration profiles (3), the outside test alone (4), and the time
// series of depth-averaged concentrations at timed points (19).
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/output.h"
#include "output/state.h"
#include "sediment/state.h"

namespace {

constexpr int kMaxCharReads = 30000;
constexpr double kCellSearchStart = 10000.0;     // m
constexpr double kSeriesSearchStart = 1000000.0;  // m

[[noreturn]] void cannotOpenInterres() {
    setMessage("cannot open file 'interres' ");
    endRun(-3);
}

double planDistance(double x, double y, double xp, double yp) { return std::sqrt((x - xp) * (x - xp) + (y - yp) * (y - yp)); }

double weightAt(double x, double y, double xp, double yp) { return 1.0 / (planDistance(x, y, xp, yp) + 1e-6); }

struct PlanCentre {
    double x, y;
};

// Plan centre of cell (i, j): the mean of its four corner nodes.
PlanCentre cellCentre(int i, int j) {
    return {0.25 * (xval[i - 1][j - 1] + xval[i][j - 1] + xval[i - 1][j] + xval[i][j]),
            0.25 * (yval[i - 1][j - 1] + yval[i][j - 1] + yval[i - 1][j] + yval[i][j])};
}

struct Located {
    int i = 0, j = 0;
    bool inside = false;
};

// Nearest cell centre of the interior cells; the first of equally near wins.
Located cellSearch(double xp, double yp) {
    Located loc;
    double best = kCellSearchStart;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const PlanCentre c = cellCentre(i, j);
            const double d = planDistance(c.x, c.y, xp, yp);
            if (d < best) loc = {i, j, true}, best = d;
        }
    return loc;
}

// Nearest node; inside when it is not on the outer grid lines. A point that
// no candidate lies nearer than the starting distance is outside.
Located nodeSearch(double xp, double yp, double start) {
    Located loc;
    bool found = false;
    double best = start;
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            const double d = planDistance(xval[i][j], yval[i][j], xp, yp);
            if (d < best) loc.i = i, loc.j = j, best = d, found = true;
        }
    loc.inside = found && loc.i >= 2 && loc.i <= xnumber - 1 && loc.j >= 2 && loc.j <= ynumber - 1;
    return loc;
}

// The four cells around node (i, j) and their inverse-distance weights.
struct CellWeights {
    int ci[4], cj[4];
    double w[4], sum;
};

CellWeights cellsAroundNode(const Located& loc, double xp, double yp) {
    CellWeights cw{};
    for (int n = 0; n < 4; ++n) {
        const int i = loc.i + n % 2, j = loc.j + n / 2;
        const PlanCentre c = cellCentre(i, j);
        cw.ci[n] = i;
        cw.cj[n] = j;
        cw.w[n] = weightAt(c.x, c.y, xp, yp);
        cw.sum += cw.w[n];
    }
    return cw;
}

template <class Field>
double weighted(const CellWeights& cw, const Field& f, int k) {
    double s = 0.0;
    for (int n = 0; n < 4; ++n) s += cw.w[n] * f[cw.ci[n]][cw.cj[n]][k];
    return s / cw.sum;
}

// Level of profile line k (znumber + 1 down to 1) at node column (i, j).
double profileLevel(int i, int j, int k) {
    if (k == znumber + 1) return zval[i][j][znumber];
    if (k == 1) return zval[i][j][1];
    return 0.5 * (zval[i][j][k] + zval[i][j][k - 1]);
}

// Target bed level of the nearest cell from its four corner nodes.
double bedLevelAt(const Located& loc, double xp, double yp) {
    double s = 0.0, sw = 0.0;
    for (int n = 0; n < 4; ++n) {
        const int i = loc.i - n % 2, j = loc.j - n / 2;
        const double w = weightAt(xval[i][j], yval[i][j], xp, yp);
        s += w * zval[i][j][0];
        sw += w;
    }
    return s / sw;
}

void writeProfile(FILE* fp, int mode, double xp, double yp, const Located& loc) {
    const CellWeights cw = cellsAroundNode(loc, xp, yp);
    if (mode == 2) {
        std::fprintf(fp, "M %lf %lf\n", xp, yp);
        std::fprintf(fp, "Level  U  V  W  k  epsilon\n");
        for (int k = znumber + 1; k >= 1; --k)
            std::fprintf(fp, "%lf %lf %lf %lf %lf %lf\n", profileLevel(loc.i, loc.j, k), weighted(cw, xvel, k),
                         weighted(cw, yvel, k), weighted(cw, zvel, k), weighted(cw, kinen, k), weighted(cw, epsilon, k));
        return;
    }
    for (int l = 0; l <= lnumber; ++l) {
        std::fprintf(fp, "C %lf %lf, size = %d\n", xp, yp, l);
        for (int k = znumber + 1; k >= 1; --k)
            std::fprintf(fp, "%lf %e\n", profileLevel(loc.i, loc.j, k), weighted(cw, conc[l], k));
    }
}

}  // namespace

void readInterpolPoints(FILE* fp, bool timedOnly) {
    for (int reads = 0; reads < kMaxCharReads && nInterpol < kInterpolPoints - 1; ++reads) {
        const long place = std::ftell(fp);
        const int c = std::fgetc(fp);
        if (c == EOF || c == 0xFF) break;
        if (c != 'T' && (c != 'M' || timedOnly)) continue;
        double t = -1.0, x = 0.0, y = 0.0;
        const bool read =
            c == 'T' ? std::fscanf(fp, "%lf %lf %lf", &t, &x, &y) == 3 : std::fscanf(fp, "%lf %lf", &x, &y) == 2;
        if (!read) {
            logf("Error in 'interpol' file: record %c at byte %ld cannot be read, dropped\n", c, place);
            if (timedOnly) setMessage("Error reading interpol file");
            continue;
        }
        ++nInterpol;
        xint[nInterpol] = x;
        yint[nInterpol] = y;
        timeint[nInterpol] = t;
    }
}

bool writeInterpolation() {
    const int mode = FlagInterpolVal;
    if (nInterpol == 0) {
        if (FILE* in = std::fopen("interpol", "r")) {
            readInterpolPoints(in, false);
            std::fclose(in);
        }
    }
    FILE* fp = std::fopen("interres", "w");
    if (!fp) cannotOpenInterres();
    for (int p = 1; p <= nInterpol; ++p) {
        const double xp = xint[p], yp = yint[p];
        if (!(timeint[p] <= 0.001 || std::fabs(stime - timeint[p]) <= 0.1)) continue;
        const Located loc = mode == 1 ? cellSearch(xp, yp) : nodeSearch(xp, yp, kCellSearchStart);
        if (!loc.inside) {
            std::fprintf(fp, "M %lf %lf not inside geometry\n", xp, yp);
            break;
        }
        if (mode == 1) std::fprintf(fp, "M %lf %lf %lf\n", xp, yp, bedLevelAt(loc, xp, yp));
        if (mode == 2 || mode == 3) writeProfile(fp, mode, xp, yp, loc);
    }
    closeWritten(fp, "interres");
    return true;
}

bool writeInterpolSeries() {
    if (nInterpol == 0) {
        FILE* in = std::fopen("interpol", "r");
        if (!in) {
            // The next call tries again; this one goes on with its later steps.
            setMessage("Error opening interpol file");
            logf("Error opening interpol file\n");
            return true;
        }
        readInterpolPoints(in, true);
        std::fclose(in);
        FILE* fp = std::fopen("interres", "w");
        if (!fp) cannotOpenInterres();
        std::fprintf(fp, "Time  x   y  conc\n");
        closeWritten(fp, "interres");
    }
    for (int p = 1; p <= nInterpol; ++p) {
        const double tp = timeint[p], xp = xint[p], yp = yint[p];
        if (!(tp > 0.001 && std::fabs(stime - tp) < 0.1)) continue;
        const Located loc = nodeSearch(xp, yp, kSeriesSearchStart);
        FILE* fp = std::fopen("interres", "a");
        if (!fp) cannotOpenInterres();
        if (!loc.inside) {
            std::fprintf(fp, "M %lf %lf not inside geometry\n", xp, yp);
            closeWritten(fp, "interres");
            break;
        }
        const CellWeights cw = cellsAroundNode(loc, xp, yp);
        double depth = 0.0;
        for (int n = 0; n < 4; ++n) {
            double h = 0.0;
            for (int k = 2; k <= znumber; ++k) h += m_dist_z[cw.ci[n]][cw.cj[n]][k];
            depth += cw.w[n] * h;
        }
        depth /= cw.sum;
        std::fprintf(fp, "MT %lf %lf %lf", tp, xp, yp);
        for (int l = 0; l <= lnumber; ++l) {
            double q = 0.0;
            for (int n = 0; n < 4; ++n) {
                double s = 0.0;
                for (int k = 2; k <= znumber; ++k) s += conc[l][cw.ci[n]][cw.cj[n]][k] * m_dist_z[cw.ci[n]][cw.cj[n]][k];
                q += cw.w[n] * s;
            }
            const double c = q / cw.sum / (depth + 1e-30);
            if (c >= 2e-15)
                std::fprintf(fp, " %le", c);
            else
                std::fprintf(fp, " 0.0");
        }
        std::fprintf(fp, "\n");
        closeWritten(fp, "interres");
        setMessage("have written interres file  ");
    }
    return true;
}
