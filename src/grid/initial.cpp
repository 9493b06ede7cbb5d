// Initial water surface and flow field of an open channel: a backwater
// computation (standard step, Manning friction) from the downstream level
// through the listed cross-sections, then a log-law velocity profile scaled
// to each cross-section's mean velocity, a mixing-length diffusivity and the
// uniform-flow bed shear.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "control/constants.h"
#include "flow3d/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"
#include "grid/initial_shared.h"

using namespace geometry;
using namespace initial_state;

namespace {

double planDistance(NodeColumn a, NodeColumn b) { return length(planEdge(a, b)); }

// The middle grid line j_m, along which reach lengths are measured.
int middleLine() { return ynumber / 2 + 1; }

// Plan length of the middle grid line from node line `from` to node line `to` (from <= to).
double middleLineLength(int from, int to) {
    const int jm = middleLine();
    double L = 0.0;
    for (int i = from + 1; i <= to; ++i) L += planDistance({i - 1, jm}, {i, jm});
    return L;
}

// Wetted area and perimeter of cross-section i (node line i) at water level h,
// from the bed levels zval[..][..][0]; the perimeter is the whole bed line.
struct Section {
    double area = 0.0, perimeter = 0.0;
    double radius() const { return area / (perimeter + 1e-10); }
    double velocity() const { return discharge / (area + 1e-10); }
};

Section sectionAt(int i, double h) {
    Section s;
    for (int j = 1; j <= ynumber - 1; ++j) {
        const double w = planDistance({i, j}, {i, j + 1});
        const double zb1 = zval[i][j][0], zb2 = zval[i][j + 1][0];
        const double d1 = std::max(0.0, h - zb1), d2 = std::max(0.0, h - zb2);
        s.area += 0.5 * (d1 + d2) * w;
        s.perimeter += std::sqrt((zb2 - zb1) * (zb2 - zb1) + w * w);
    }
    return s;
}

// Critical flow area of cross-section i, for the width between its end nodes.
double criticalArea(int i) {
    const double B = planDistance({i, 1}, {i, ynumber});
    return std::pow(discharge * discharge * B / kGravity, 0.33333);
}

// Fill: a bed node above h - f puts the whole column evenly over the depth f below h.
void fillColumn(int i, int j, double h, double f) {
    if (zval[i][j][1] <= h - f) return;
    for (int k = 1; k <= znumber; ++k) zval[i][j][k] = h - f + f * (k - 1) / (znumber - 1);
}

// Stretch: the top node to h, the nodes above the bed keep their relative spacing.
void stretchColumn(int i, int j, double h) {
    const int Z = znumber;
    const double b = zval[i][j][1], top = zval[i][j][Z];
    if (std::fabs(top - b) < 1e-12) {
        // A column without depth has no spacing to keep: spread its nodes evenly.
        for (int k = 2; k <= Z; ++k) zval[i][j][k] = b + (h - b) * (k - 1) / (Z - 1);
        return;
    }
    for (int k = 2; k <= Z; ++k) zval[i][j][k] = b + (zval[i][j][k] - b) * (h - b) / (top - b);
}

// Cross-section i to level h: every column filled (when asked), then stretched.
void setSectionLevel(int i, double h, double fill, bool withFill) {
    if (withFill)
        for (int j = 1; j <= ynumber; ++j) fillColumn(i, j, h, fill);
    for (int j = 1; j <= ynumber; ++j) stretchColumn(i, j, h);
}

double topNode(int i, int j) { return zval[i][j][znumber]; }

bool debugD() { return debugging == 'D'; }

// The listed cross-sections, upstream-most last: the W 2 entries from the
// last to the first, passing over the downstream cross-section.
template <typename Visit>
void walkListedSections(Visit visit) {
    for (int e = initnumber; e >= 1; --e)
        if (initarray[e] != xnumber) visit(initarray[e]);
}

[[noreturn]] void sectionsTooClose(Log& log, int i, int jm) {
    log.write(" Error in initiating velocities\n");
    log.printf("The points (%d,%d) and (%d,%d) are too close\n", i, jm, i + 1, jm);
    setMessage(" Errror in initating velocities");
    log.close();
    endRun(-3);
}

// Level of cross-section c from its downstream neighbour p by the standard
// step method; h enters as the first trial level and leaves as the result.
void backwaterStep(Log& log, int c, int p, double& h) {
    const int jm = middleLine();
    if (c == p) {
        log.printf("Error in initiation of water surface,  Crossnr=crossfor for i=%d\n", c);
        char text[100];
        std::snprintf(text, sizeof text, " Crossnr=crossfor for i=%d", c);
        setMessage(text);
        log.close();
        endRun(-3);
    }
    if (c > p) sectionsTooClose(log, c, jm);
    const double reach = middleLineLength(c, p);
    if (reach < 1e-5) sectionsTooClose(log, p, jm);

    const double Q = discharge;
    grade[c] = 0.0;
    double A = 0.0, Vm = 0.0;
    long passes = 0;
    for (int n = 1; n <= 99; ++n) {
        const Section s = sectionAt(c, h);
        A = s.area;
        if (A < 1e-20) {
            log.printf("Error in initialization of water surface, section %d.\n", c);
            log.write("Increase the downstream water surface or\n");
            log.write("increase the number of cross-sections for\n");
            log.write("calculation of water surface or decrease the\n");
            log.write("Manning's M value(s)\n");
            log.close();
            endRun(-1);
        }
        const double Ac = criticalArea(c);
        double newh;
        if (A <= Ac && Q / (avvelocity[p] + 1e-10) > criticalArea(p)) {
            log.printf("Critical level:area,critarea,crossnr=%e %e %d\n", A, Ac, c);
            radius[c] = Ac / (s.perimeter + 1e-10);
            avvelocity[c] = Q / (Ac + 1e-10);
            const double Rm = (radius[c] + radius[p]) / 2, V = (avvelocity[c] + avvelocity[p]) / 2;
            Vm = V;
            grade[c] = V * V / (std::pow(Rm, 1.333) * ManArray[c] * ManArray[p] + 1e-10);
            const double zb = zval[c][jm][1], zt = topNode(c, jm);
            newh = zb + (zt - zb) * std::sqrt(Ac / (A + 1e-10));
            A = Ac;
        } else {
            radius[c] = s.radius();
            avvelocity[c] = s.velocity();
            const double Rm = (radius[c] + radius[p]) / 2, V = (avvelocity[c] + avvelocity[p]) / 2;
            Vm = V;
            grade[c] = 0.5 * grade[c] + 0.5 * V * V / (std::pow(Rm, 1.333) * ManArray[c] * ManArray[p] + 1e-10);
            newh = topNode(p, jm) + reach * grade[c];
        }
        setSectionLevel(c, newh, 0.0, false);
        if (radius[c] <= 0 || grade[c] < 0) {
            // No level exists for these values: the run cannot go on.
            log.write("Error in initiation of velocities-1\n");
            log.printf("Crossnr = %d, grade = %e\n", c, grade[c]);
            log.printf("area = %e, midvelo = %e\n", A, Vm);
            log.printf("Radius = %e, height = %e\n", radius[c], newh);
            setMessage("Error for v-init     ");
            log.close();
            endRun(-3);
        }
        const bool converged = std::fabs(newh - h) < convergence;
        h = newh;
        if (converged && n <= 98) {
            passes = n;
            break;
        }
        if (n == 99) {
            passes = converged ? 99 : 100;
            log.write("Non-convergence in initiation of velocities, ");
            log.printf("after %ld iterations\n", passes);
            log.printf("The following values assumed for section %d:\n", c);
            log.printf("Crossnr = %d, grade = %e\n", c, grade[c]);
            log.printf("Radius = %e, height = %e\n", radius[c], h);
            log.printf("distance = %e\n", reach);
            setMessage("Warning in initating velocities");
        }
    }
    log.printf("Loop1,iter,area,radius,velocity,waterlevel: %ld %e %e %e %e\n", passes, A, radius[c], avvelocity[c], h);
}

// One computation of the water surface on the current bed; ends with the
// geometry of the new surface.
void surfacePass(double fill, int& dryCorners) {
    requireLog("Error: cannot open file 'boogie'");
    Log log;
    const int X = xnumber, Y = ynumber;

    // The downstream cross-section at the given level.
    setSectionLevel(X, level, fill, true);
    const Section down = sectionAt(X, level);
    radius[X] = down.radius();
    avvelocity[X] = down.velocity();

    // Backwater walk upstream through the listed cross-sections.
    double h = topNode(X, 2);
    int p = X;
    walkListedSections([&](int c) {
        backwaterStep(log, c, p, h);
        p = c;
    });

    // Surface between listed cross-sections: the friction slope of the
    // upstream one, level across each cross-section.
    p = X;
    walkListedSections([&](int c) {
        for (int n = p - 1; n >= c; --n) {
            const double hn = topNode(p, 2) + middleLineLength(n, p) * grade[c];
            grade[n] = grade[c];
            for (int j = 1; j <= Y; ++j)
                if (zval[n][j][1] > hn) {
                    ++dryCorners;
                    if (debugD())
                        log.printf("Warning, dry corner at (%d,%d), waterlevel; %lf m, bed: %lf m\n", n, j, hn,
                                   zval[n][j][1]);
                }
            setSectionLevel(n, hn, fill, true);
            const Section s = sectionAt(n, hn);
            radius[n] = s.radius();
            avvelocity[n] = s.velocity();
            if (debugD()) log.printf("i=%d radius=%e vvelocity=%e area=%e\n", n, radius[n], avvelocity[n], s.area);
            log.printf("Waterlevel = %lf meters for cross-section i = %d\n", hn, n);
        }
        p = c;
    });

    log.write("Before calling metric\n");
    log.close();
    metric();
}

// Cross-sections upstream of the first computed one have no values of their
// own: they take those of the first computed cross-section.
void extendUpstream() {
    int first = xnumber;
    walkListedSections([&](int c) { first = std::min(first, c); });
    for (int i = 1; i < first; ++i) {
        radius[i] = radius[first];
        avvelocity[i] = avvelocity[first];
        grade[i] = grade[first];
    }
}

// Velocity along x by the log law in every cell row, scaled to the cross-section mean.
void velocityProfile(Log& log) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 1; i <= X; ++i) {
        const double tau =
            kWaterDensity * kGravity * ((grade[i] + grade[i - 1]) / 2) * ((radius[i] + radius[i - 1]) / 2);
        const double ustar = std::sqrt(tau / kWaterDensity);
        if (debugD()) log.printf("Shear = %e for i = %d\n", tau, i);
        double ks = std::pow(26.0 / ManArray[i], 6);
        ks = ks <= 1e-7 ? 1e-7 : std::min(ks, 1.0);
        ks = std::min(ks, 0.5 * radius[i]);

        double sumA = 0.0, sumAU = 0.0;
        for (int j = 2; j <= Y; ++j) {
            const CellCorners c = cellCorners(i, j);
            const NodeColumn corners[4] = {c.c00, c.c10, c.c01, c.c11};
            double depth = 0.0;
            for (const NodeColumn& n : corners) depth += nodeLevel(n, Z) - nodeLevel(n, 1);
            depth /= 4;
            if (depth <= 0) {
                setMessage(" Error in geometry, island");
                std::snprintf(mc_v1, sizeof mc_v1, " i=%d, j=%d, depth=%-4.2f", i, j, depth);
                log.write(" Error in geometry, island\n");
                log.printf(" Cell i=%d, j=%d, depth=%lf meters.\n", i, j, depth);
                log.write(" This error may occur if you don't have any G 3 data set in the control file\n");
                log.write(" It may also occur if the water level is below or at the bed\n");
                log.close();
                endRun(-3);
            }
            for (int k = 2; k <= Z; ++k) {
                double below = 0.0, height = 0.0;
                for (const NodeColumn& n : corners) {
                    below += nodeLevel(n, k - 1) - nodeLevel(n, 1);
                    height += nodeLevel(n, k) - nodeLevel(n, k - 1);
                }
                const double zc = below / 4 + 0.5 * height / 4;
                const double u = (ustar / 0.4) * std::log(30.0 * zc / ks);
                setStartVelocity(Velocity::u, i, j, k, u);
                const double a = (m_ar_x[i - 1][j][k] + m_ar_x[i][j][k]) / 2;
                sumA += a;
                sumAU += a * u;
            }
        }
        // Without any velocity in the profile (no discharge) there is nothing to scale.
        const double r = sumAU != 0.0 ? avvelocity[i] * sumA / sumAU : 0.0;
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) setStartVelocity(Velocity::u, i, j, k, xvel[i][j][k] * r);
        log.printf(" i=%d, v=%e, rad=%e, korr=%e, wl. = %lf\n", i, avvelocity[i], radius[i], r, topNode(i, Y / 2));
        std::snprintf(mc_v2, sizeof mc_v2, "i=%d,rad=%6.3f,v=%6.3f", i, radius[i], avvelocity[i]);
        std::snprintf(mc_v1, sizeof mc_v1, "Korr : %e n : %d ", r, std::fabs(r - 1) > 0.001 ? 1 : 0);
    }
}

// Mixing-length diffusivity and uniform-flow bed shear of every column.
void diffusivityAndBedShear(Log& log) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 1; i <= X; ++i) {
        warnNegativeRow(log, i);
        const double ustar = std::sqrt(radius[i] * grade[i] * kGravity);
        for (int j = 2; j <= Y; ++j) {
            double D = 0.0;
            for (int k = 2; k <= Z; ++k) D += 2 * m_dist_z[i][j][k];
            const double nuMax = 0.11 * D * ustar;
            double z = m_dist_z[i][j][2];
            for (int k = 2; k <= Z; ++k) {
                diff[i][j][k] = z / (D + 1e-10) <= 0.3 ? (3.333 * z / (D + 1e-10)) * nuMax : nuMax;
                if (z <= 1e-7) {
                    log.write("error in sixth loop initial-v:\n");
                    log.printf("i=%d j=%d k=%d\n", i, j, k);
                    endRun(24);
                }
                z += m_dist_z[i][j][k] + m_dist_z[i][j][k + 1];
            }
            bedshear[i][j] = kWaterDensity * kGravity * radius[i] * grade[i];
        }
    }
}

}  // namespace

void initial() {
    const int X = xnumber;
    // Depth of the layer below the surface into which a dry bed is lowered.
    const double fill = FillCriteria >= 1e-5 ? FillCriteria : 0.015 * middleLineLength(1, X) / X;
    requireLog("Error: cannot open file 'boogie'");
    {
        Log log;
        setMessage("Initializing flow parameters");
        setProgram(" Initial - velocity ");
        log.write(" In initial - velocity \n\n");
    }

    setBlockedColumns();

    int dryCorners = 0;
    surfacePass(fill, dryCorners);
    // An earlier run's bed changes: move the bed, then compute the surface again.
    if (replayEarlierBedChanges()) surfacePass(fill, dryCorners);
    extendUpstream();

    copyGhostNodePlanes();
    // A run that recomputes the surface later keeps its flow field.
    if (runStringHas('V')) return;

    requireLog("cannot open file 'boogie'");
    Log log;
    log.write("After calling gridchange/metric\n");

    // Per cell row: the means of its two cross-sections, and the friction slope.
    sectionValuesToCells();
    for (int i = X; i >= 1; --i) {
        const double v = avvelocity[i] / (std::pow(radius[i], 0.6667) * ManArray[i]);
        grade[i] = v * v;
        if (debugD()) log.printf("i=%d V=%e rad=%e grad=%e\n", i, avvelocity[i], radius[i], grade[i]);
    }
    grade[X + 1] = grade[X];
    grade[0] = grade[1];
    log.write("After fourth loop\n");

    velocityProfile(log);
    radius[X + 1] = radius[X];
    grade[X + 1] = grade[X];

    // Inflow cells along the first segment of their grid line.
    if (FlagInflowDirection == 0) turnInflowAlongGrid();
    log.write("After fifth loop\n");

    diffusivityAndBedShear(log);

    clearStartVelocities();

    if (dryCorners != 0) log.printf("\nWarning: Number of dry points in the geometry: %d\n", dryCorners);
    if (dryCorners > 10) {
        log.write("Warning, large number of dry points in the geometry\n");
        log.write("To find which points, use F 1 D in the control file\n");
        log.write("To correct the problem: move the grid boundaries closer to the center of \n");
        log.write("the geometry where the water depht is larger. Or use QUIRD 2 with wetting/drying\n\n");
    }
    log.write("End of initial\n\n");
    setMessage("Initiation terminated ok");
}
