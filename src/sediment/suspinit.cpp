// The start state of the sediment computation on the current flow (run
// letter I): bed reference concentration, bed cells, a Rouse profile in
// every column, the upstream profile scaled to the given inflow, point and
// area sources, the restart files, and optionally the bed fractions from
// the Shields criterion.
#include <algorithm>
#include <cmath>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/conres.h"
#include "sediment/sediment.h"
#include "sediment/state.h"

namespace {

// The bed-concentration methods of F 10: the log line and the routine.
struct BedConcMethod {
    char letter;
    const char* line;  // nullptr: van Rijn's line with its parameters
    void (*compute)();
};

constexpr BedConcMethod kMethods[] = {
    {'R', nullptr, concRijn},
    {'E', "Using Engelund-Hansen's total load formula\n", concEngelund},
    {'I', "Using Einstein's beload formula\n", concEngelund},
    {'S', "Using Shen and Hung's formula\n", concEngelund},
    {'A', "Using Ackers and White's formula\n", concEngelund},
    {'Y', "Using Yang's streampower formula\n", concEngelund},
    {'M', "Using Mayer-Peter-Mueller's bedload formula\n", concEngelund},
};

const BedConcMethod* methodOf(char letter) {
    for (const BedConcMethod& m : kMethods)
        if (m.letter == letter) return &m;
    return nullptr;
}

// Bed shear of an interior column from the drag of the roughness layer
// (F 189 types 11, 12 and 13): the cells whose centre lies within the layer
// (of height Xks, or Xks P with type 12) add their share; the bed cell only
// with type 13; types 11 and 12 add the turbulent shear of the bed cell.
double roughnessLayerShear(int i, int j, int type) {
    const double H = Xks[i][j], P = ParamBrelk, A = m_armap[i][j];
    const double* dz = m_dist_z[i][j];
    const double* u = xvel[i][j];
    const double top = type == 12 ? H * P : H;
    double sum = 0.0, z = dz[2];
    for (int k = 2; k <= znumber - 1; ++k) {
        if (k > 2) z += dz[k - 1] + dz[k];
        if (z > top) break;
        if (k == 2 && type != 13) continue;
        const double F = 500.0 * u[k] * std::fabs(u[k]);
        if (type == 12)
            sum += 2.0 * F * dz[k] * A / (H * P + 1e-30) * (1.0 - z / (H * P + 1e-30));
        else
            sum += 2.0 * F * dz[k] * A / (H + 1e-30) * (1.0 - P) * (1.0 - z / (H + 1e-30));
    }
    double tb = sum / A;
    if (type != 13) tb += kinen[i][j][2] * sqcmyrho;
    return tb;
}

void copyBoundaryShear(int j1, int j2) {
    for (int j = j1; j <= j2; ++j) {
        bedshear[xnumber + 1][j] = bedshear[xnumber][j];
        bedshear[1][j] = bedshear[2][j];
    }
}

// Fractions of the inflow column from the column next to it; a size absent
// there but given an inflow gets 0.01; then they are normalised.
void inflowColumnFractions() {
    for (int j = 2; j <= ynumber; ++j) {
        double sum = 0.0;
        for (int l = 1; l <= lnumber; ++l) {
            double b = bedgrain[l][2][j];
            if (b < 1e-10 && inflow[l] > 1e-10) b = 0.01;
            bedgrain[l][1][j] = b;
            sum += b;
        }
        for (int l = 1; l <= lnumber; ++l) bedgrain[l][1][j] /= sum + 1e-30;
    }
}

// Bed cell and Rouse profile of size l in column (i, j).
void columnProfile(Log& log, int l, int i, int j) {
    double* c = conc[l][i][j];
    const double cb = c[0] * bedgrain[l][i][j] + 1e-15;
    c[2] = c[1] = cb;
    conc[0][i][j][2] += cb;
    if (debugging == 'D' && std::fabs(cb) > 1e-15) log.printf("Init: conc(%d,%d,%d,2) = %e\n", l, i, j, cb);

    const double tb = bedshear[i][j];
    const double ustar = tb >= 1e-4 ? std::sqrt(tb / 1000.0) : std::sqrt(1e-7);
    double Z = fallvelo[l] / (0.4 * ustar);
    if (i == 1 && FlagZ0Small == 1) Z = 0.02;

    const double* dz = m_dist_z[i][j];
    if (Z > 10.0) {
        for (int k = 3; k <= znumber; ++k) c[k] = 0.0;
    } else if (znumber >= 3) {
        // Distances from the bed-cell centre: D to the surface, z to the centre of cell k.
        const double a = blevel[i][j];
        double D = dz[2];
        for (int k = 3; k <= znumber; ++k) D += 2.0 * dz[k];
        double z = 0.0;
        for (int k = 3; k <= znumber; ++k) {
            z += dz[k - 1] + dz[k];
            c[k] = cb * std::pow((D - z) / z * a / (D - a), Z);
        }
    }
    c[znumber + 1] = c[znumber + 2] = 0.0;
}

// Load of size l through the upstream face (kg/s).
double inflowLoad(int l) {
    double load = 0.0;
    for (int j = 2; j <= ynumber; ++j) {
        const double ex = m_vec_x[1][j][0], ey = m_vec_x[1][j][1];
        for (int k = 2; k <= znumber; ++k)
            load += (xvel[1][j][k] * ex + yvel[1][j][k] * ey) * m_ar_x[1][j][k] * conc[l][1][j][k];
    }
    return density * 1000.0 * load;
}

void fillBox(int l, int i1, int i2, int j1, int j2, int k1, int k2, double value) {
    for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j)
            for (int k = k1; k <= k2; ++k) conc[l][i][j][k] = value;
}

// Bed fractions of every interior column from the grain size whose critical
// shear equals the bed shear of its bed cell.
void shieldsDistribution(Log& log) {
    log.write("Using Shield's initialization for bed grain size distribution\n");
    if (shieldscoeff == 0.0) {
        log.close();
        failf(1, "Error in Shield's initialization: critical Shields number 0 in F 11\n");
    }
    const int L = lnumber;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            bedgrain[0][i][j] = 0.0;
            const double dc = std::fmax(
                kinen[i][j][2] * sqcmyrho / (std::fabs(shieldscoeff) * (density - 1.0) * 9.81 * 1000.0), 2e-6);
            for (int l = 1; l <= L; ++l) {
                const double r = gsize[l] / dc;
                bedgrain[l][i][j] = r < 0.354 ? 0.0 : r < 2.0 ? 0.6 + 1.32878 * std::log10(r) : 1.0;
            }
            bedgrain[1][i][j] = 1.0;
            for (int l = 1; l < L; ++l) bedgrain[l][i][j] -= bedgrain[l + 1][i][j];
            double sum = 0.0;
            for (int l = 1; l <= L; ++l) sum += bedgrain[l][i][j];
            if (sum < 0.99 || sum > 1.01) log.printf("Error in sum fraction in BedInitDistrib, sum(%d,%d) = %lf\n", i, j, sum);
            for (int l = 1; l <= L; ++l)
                if (bedgrain[l][i][j] < 0.0 || bedgrain[l][i][j] > 1.0)
                    log.printf("Error in in BedInitDistrib, bedgrain(%d,%d,%d) = %lf\n", i, j, l, bedgrain[l][i][j]);
        }
}

}  // namespace

void suspinit() {
    const bool quiet = debugging == 'E';
    Log log;
    if (!quiet) {
        setMessage(" Initializing sediment conc.");
        setProgram(" In suspinit                ");
        log.write(" In suspinit\n\n");
    }
    log.printf("Shear in entrance: %lg \n",
               9810.0 * std::pow(avvelocity[1] / ManArray[0], 2.0) / std::pow(radius[1], 0.3333));
    copyBoundaryShear(1, ynumber);

    const int L = lnumber;
    for (int l = 1; l <= L; ++l)
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber; ++k) conc[l][i][j][k] = 0.0;

    if (FlagBrelk >= 11 && FlagBrelk <= 13) {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) bedshear[i][j] = roughnessLayerShear(i, j, FlagBrelk);
        copyBoundaryShear(2, ynumber);
    }

    const BedConcMethod* method = methodOf(SedimentFormula);
    if (!method) {
        log.close();
        failf(1, "Error in bed concentration calling - suspinit\n");
    }
    if (method->line) {
        log.write(method->line);
    } else {
        log.write("Using van Rijn's method ");
        log.printf("with parameters: %lf %lf %lf\n", ConcFormCoeff, ConcFormTstar, ConcFormDstar);
    }
    log.close();
    if (FlagBedDLL < 1) method->compute();

    Log after;
    after.write("Have calculated bed sediment concentration\n");
    inflowColumnFractions();
    for (int l = 1; l <= L; ++l)
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 2; j <= ynumber; ++j) columnProfile(after, l, i, j);
    after.printf("conc(1,2,2,2)=%e\n", conc[1][2][2][2]);

    for (int l = 1; l <= L; ++l) {
        const double load = inflowLoad(l);
        const double f = inflow[l] / (load + 1e-30);
        if (!quiet) {
            after.printf("Initial bed material load is %e kg/s for size %lf meters\n", load, gsize[l]);
            after.write("Corr. between calc. and given inflow of sediments\n");
            after.printf("in upstream profile for l = %d is: %lg\n\n", l, f);
        }
        for (int i = 0; i <= 1; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) conc[l][i][j][k] *= f;
    }

    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                double sum = 0.0;
                for (int l = 1; l <= L; ++l) sum += conc[l][i][j][k];
                conc[0][i][j][k] = sum;
            }

    if (i_pointsource > 0) {
        const bool box = i2_pointsource > 0;
        for (int l = 1; l <= L; ++l)
            fillBox(l, i_pointsource, box ? i2_pointsource : i_pointsource, j_pointsource,
                    box ? j2_pointsource : j_pointsource, k_pointsource, box ? k2_pointsource : k_pointsource,
                    pointsource[l]);
    }
    for (int n = 0; n < AreaSourceNo; ++n) {
        const AreaSourceRecord& a = AreaSource[n];
        fillBox(a.size, a.i1, a.i2, a.j1, a.j2, a.k1, a.k2, a.value);
    }

    // The restart files overwrite what was computed; the line tells whether
    // any entry of conres or fracres was taken.
    long stored = 0;
    readConRes(&stored);
    after.write(stored > 0 ? "Have read from conres/fracres files \n" : "Have not read from conres/fracres files \n");

    if (BedFlags[0] == 1 && L > 1) shieldsDistribution(after);
}
