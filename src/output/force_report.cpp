// The force report `sumforce`: momentum and pressure balance of a reach
// taken as an orthogonal channel with the flow along x, the shear and
// pressure forces on the bed and in its roughness layer, the sediment
// discharge, and a longitudinal profile along one row of cells.
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "control/constants.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/output.h"
#include "sediment/state.h"

namespace {

constexpr double kSublayer = 2.1179e-5;   // laminar sublayer thickness times sqrt(k) (m2/s)

struct Rows {
    int first, last, profile;
    bool sideWallLine;
};

// The rows summed and profiled. K 2 values 3 to 5 set no side-wall flags,
// as 1 does, and are reported like it.
Rows rowsOf(int flagWall) {
    if (flagWall == 2) return {ynumber, ynumber, ynumber, true};
    return {2, ynumber, ynumber / 2 + 1, flagWall == 0};
}

double cellSpeed(int i, int j, int k) {
    const double u = xvel[i][j][k], v = yvel[i][j][k], w = zvel[i][j][k];
    return std::sqrt(u * u + v * v + w * w + 1e-20);
}

// Bed shear stress of cell k in x (Pa).
double shearStress(int i, int j, int k) { return kinen[i][j][k] * sqcmyrho * xvel[i][j][k] / cellSpeed(i, j, k); }

// Sediment discharge of the cells k = 2..znumber of column (i, j) (kg/s per m).
double sedimentDischarge(int i, int j) {
    double q = 0.0;
    for (int k = 2; k <= znumber; ++k) q += conc[1][i][j][k] * density * flow1[i][j][k] / (2.0 * m_dist_y[i][j][k]);
    return q;
}

// The walk up through the roughness layer of a column.
struct LayerWalk {
    int stop = 2;
    double drag = 0.0, kinenHeight = 0.0, height = 0.0;
};

// Drag of the roughness elements in cell k of height 2h whose centre lies zc
// above the bed (N).
double layerDrag(double q, double h, double area, double ks, double zc) {
    const double p = ParamBrelk;
    switch (FlagBrelk) {
        case 11:
        case 13:
            return 2.0 * q * h * area / (ks + 1e-30) * (1.0 - p) * (1.0 - zc / (ks + 1e-30));
        case 12:
            return 2.0 * q * h * area / (p * ks + 1e-30) * (1.0 - zc / (p * ks + 1e-30));
        default:
            return 0.0;
    }
}

LayerWalk walkLayer(int i, int j) {
    LayerWalk w;
    const double ks = Xks[i][j], area = m_armap[i][j];
    const double layer = FlagBrelk == 12 ? ParamBrelk * ks : ks;
    double zc = 0.0;
    int k = 2;
    for (; k < znumber; ++k) {
        const double h = m_dist_z[i][j][k];
        zc += h;
        if (zc > layer) break;
        const double u = xvel[i][j][k];
        const double d = layerDrag(0.5 * kWaterDensity * std::fabs(u) * u, h, area, ks, zc);
        if (k != 2 || FlagBrelk == 13) w.drag += d;
        w.kinenHeight += kinen[i][j][k] * h;
        w.height += h;
        zc += h;
    }
    w.stop = k;
    return w;
}

}  // namespace

bool writeForceReport() {
    const Rows rows = rowsOf(FlagWall);
    const int nj = rows.last - rows.first + 1;

    double areaUp = 0.0, presUp = 0.0, presDown = 0.0, momUp = 0.0, momDown = 0.0;
    for (int j = rows.first; j <= rows.last; ++j)
        for (int k = 2; k <= znumber; ++k) {
            areaUp += m_ar_x[2][j][k];
            presUp += Pres[2][j][k] * m_ar_x[2][j][k];
            presDown += Pres[xnumber][j][k] * m_ar_x[xnumber][j][k];
            momUp += kWaterDensity * xvel[2][j][k] * xvel[2][j][k] * m_ar_x[2][j][k];
            momDown += kWaterDensity * xvel[xnumber][j][k] * xvel[xnumber][j][k] * m_ar_x[xnumber][j][k];
        }
    const double sum = momUp + presUp - presDown - momDown;

    double wall = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int k = 2; k <= znumber; ++k) {
            const double u = xvel[i][2][k], w = zvel[i][2][k];
            wall += kinen[i][2][k] * sqcmyrho * m_ar_y[i][2][k] * u / std::sqrt(u * u + w * w + 1e-20);
        }

    double areaBed = 0.0, bed = 0.0, kMax = 0.0, pres1 = 0.0, pres2 = 0.0, maxK = 0.0, drag = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = rows.first; j <= rows.last; ++j) {
            const double area = m_armap[i][j];
            areaBed += area;
            const double fb = shearStress(i, j, 2) * area;
            bed += fb;
            kMax = std::fmax(kMax, kinen[i][j][2]);
            const double ax = m_ar_z[i][j][2] * m_vec_z[i][j][2][0];
            const double p2 = Pres[i][j][2], p3 = Pres[i][j][3];
            const double h2 = m_dist_z[i][j][2], h3 = m_dist_z[i][j][3];
            const double r = (h3 + 2.0 * h2) / (2.0 * h2);
            pres1 += ax * p2;
            pres2 += ax * (p2 * r - (r - 1.0) * p3);
            if (FlagBrelk > 0) {
                const LayerWalk w = walkLayer(i, j);
                const double fs = shearStress(i, j, w.stop) * area;
                maxK += std::fabs(fb) < std::fabs(fs) ? fs : fb;
                drag += w.drag;
            }
        }

    double qSum = 0.0, qMax = 0.0;
    for (int i = 2; i <= xnumber; ++i) {
        double q = 0.0;
        for (int j = rows.first; j <= rows.last; ++j) q += sedimentDischarge(i, j);
        qSum += q;
        qMax = std::fmax(qMax, q);
    }

    FILE* fp = std::fopen("sumforce", "w");
    if (!fp) {
        setMessage("cannot open file 'sumforce' ");
        endRun(-3);
    }
    std::fprintf(fp, "Area of the bed: %lf m2\n", areaBed);
    std::fprintf(fp, "Area of the upstream cross-section: %lf m2\n", areaUp);
    std::fprintf(fp, "Forces in Newton, assuming orthogonal grid and flow in x-direction\n");
    std::fprintf(fp, "Pressure: upstream: %lf N, downstream: %lf N\n", presUp, presDown);
    std::fprintf(fp, "Momentum: upstream: %lf N, downstream: %lf N, Sum: %lf N\n", momUp, momDown, sum);
    if (rows.sideWallLine) std::fprintf(fp, "Side wall shear force, wall j=2: %lf N\n", wall);
    std::fprintf(fp, "Bedshear-force: %lf N, Pressure force on dunes: %lf %lf N\n", bed, pres1, pres2);
    if (FlagBrelk > 0) std::fprintf(fp, "Brelk-bedshear forces: Max. kinen: %lf N, Drag: %lf N\n", maxK, drag);
    std::fprintf(fp, "Average stresses (Pa): bed shear, pressure force, total %lf %lf %lf\n", bed / (areaBed + 1e-30),
                 pres1 / (areaBed + 1e-30), sum / (areaBed + 1e-30));
    std::fprintf(fp, "Maximum bed shear stress at any one bed cell: %lf Pa\n", kMax * sqcmyrho);
    std::fprintf(fp, "Sediment discharge (kg/s/m), Average: %lf, Max: %lf\n", qSum / (xnumber - 1) / nj, qMax / nj);

    const int jp = rows.profile;
    if (FlagBrelk <= 0) {
        std::fprintf(fp,
                     "Longitudinal profile at cell j=%d, X-value, Bedlevel, Waterlevel, Shearforce (Pa), Pressureforce "
                     "(Pa), Velocity (m/s), LamThick (m), Qs\n",
                     jp);
    } else {
        std::fprintf(fp, "Longitudinal profile at cell j=%d:\n", jp);
        std::fprintf(fp,
                     "X-value, Bedlevel, Waterlevel, Shearforce (Pa), Shearforce-MaxK (Pa), Shearforce-AvgK (Pa), "
                     "Shearforce-Drag (Pa), Pressureforce (N), Velocity (m/s), LamThick (m), Qs (kg/s/m)\n");
    }
    for (int i = 2; i <= xnumber; ++i) {
        const double x = 0.5 * (xval[i][jp] + xval[i - 1][jp]);
        const double bedLevel = 0.5 * (zval[i - 1][jp][1] + zval[i][jp][1]);
        const double waterLevel = 0.5 * (zval[i - 1][jp][znumber] + zval[i][jp][znumber]);
        const double s = shearStress(i, jp, 2), presTerm = m_vec_z[i][jp][2][0] * Pres[i][jp][2];
        const double lam = kSublayer / std::sqrt(kinen[i][jp][2]);
        if (FlagBrelk <= 0) {
            std::fprintf(fp, "%lf %lf %lf %lg %lg %lf %lg", x, bedLevel, waterLevel, s, presTerm, xvel[i][jp][2], lam);
        } else {
            const LayerWalk w = walkLayer(i, jp);
            const double ss = shearStress(i, jp, w.stop);
            std::fprintf(fp, "%lf %lf %lf %lg %lg %lg %lg %lg %lf %lg", x, bedLevel, waterLevel, s,
                         std::fabs(s) < std::fabs(ss) ? ss : s, sqcmyrho * w.kinenHeight / (w.height + 1e-20),
                         w.drag / (m_armap[i][jp] + 1e-20), presTerm, xvel[i][jp][2], lam);
        }
        std::fprintf(fp, " %lg\n", sedimentDischarge(i, jp));
    }
    closeWritten(fp, "sumforce");
    setMessage("have written 'sumforce' file  ");
    return true;
}
