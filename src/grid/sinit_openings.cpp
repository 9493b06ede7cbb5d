// Solver start-up, the boundaries of the domain: inflow and outflow openings
// (G 7) or the inflow plane, the continuity of the openings, the residual
// normalisers, the relaxation factors, measured inflow profiles and the
// remaining start values.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "control/state.h"
#include "control/constants.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "grid/startup.h"
#include "grid/startup_steps.h"

namespace startup_steps {

namespace {

// ---------------------------------------------------------------------------
// Without openings: the inflow plane i = 1.
// ---------------------------------------------------------------------------

struct InflowSums {
    double Q = 0.0, P = 0.0, K = 0.0, E = 0.0;  // volume flux, momentum flux, sums of k and epsilon
};

InflowSums inflowSums() {
    InflowSums s;
    for (int j = 2; j <= ynumber; ++j) {
        const double nx = m_vec_x[1][j][0], ny = m_vec_x[1][j][1];
        for (int k = 2; k <= znumber; ++k) {
            const double a = m_ar_x[1][j][k], u = xvel[1][j][k], v = yvel[1][j][k];
            s.Q += std::fabs(a * (u * nx + v * ny));
            s.P += std::fabs(a * (u * u * nx + v * v * ny));
            s.K += kinen[1][j][k];
            s.E += epsilon[1][j][k];
        }
    }
    return s;
}

void inflowPlaneAndNorms(Log& log) {
    if (FlagPrint == 0) log.write("IONo = 0\n");
    InflowSums s = inflowSums();
    // The inflow carries the discharge; without any inflow there is nothing to scale.
    if (newFlowField() && s.Q > 0) {
        const double scale = std::fabs(discharge / s.Q);
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                setStartVelocity(Velocity::u, 1, j, k, xvel[1][j][k] * scale);
                setStartVelocity(Velocity::v, 1, j, k, yvel[1][j][k] * scale);
            }
    }
    if (FlagTFS != 0) {
        const InflowSums again = inflowSums();
        s.Q += again.Q;
        s.P += again.P;
        s.K += again.K;
        s.E += again.E;
    }
    const double cells = static_cast<double>(ynumber) * znumber;
    double kMean = s.K / cells, epsMean = s.E / cells;
    // Written so that a value that is not a number fails as well.
    if (!(kMean >= 1e-20) || !(epsMean >= 1e-22)) {
        log.write("Error in setting of residual (sinit)\n");
        log.printf("average k, eps = %e %e\n", kMean, epsMean);
        log.close();
        endRun(-2);
    }
    if (FlagNormSet == 1) {
        kMean = NormK;
        epsMean = NormEps;
    }
    NormResidual[4] = kWaterDensity * s.Q;
    NormResidual[1] = NormResidual[2] = NormResidual[3] = kWaterDensity * s.P;
    NormResidual[5] = kMean * NormResidual[4];
    NormResidual[6] = epsMean * NormResidual[4];
    NormResidual[7] = 20.0 * NormResidual[4];
}

// ---------------------------------------------------------------------------
// Openings.
// ---------------------------------------------------------------------------

// One face of an opening: its area, the unit normal of the face and the
// boundary cell outside it.
struct OpeningFace {
    double area;
    double n[3];
    int i, j, k;
};

OpeningFace openingFace(int side, int a, int b) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    switch (side) {
    case 1: return {m_ar_x[1][a][b], {m_vec_x[1][a][0], m_vec_x[1][a][1], 0.0}, 1, a, b};
    case -1: return {m_ar_x[X][a][b], {m_vec_x[X][a][0], m_vec_x[X][a][1], 0.0}, X + 1, a, b};
    case 2: return {m_ar_y[a][1][b], {m_vec_y[a][1][0], m_vec_y[a][1][1], 0.0}, a, 1, b};
    case -2: return {m_ar_y[a][Y][b], {m_vec_y[a][Y][0], m_vec_y[a][Y][1], 0.0}, a, Y + 1, b};
    case 3: return {m_ar_z[a][b][1], {m_vec_z[a][b][1][0], m_vec_z[a][b][1][1], m_vec_z[a][b][1][2]}, a, b, 1};
    default: return {m_ar_z[a][b][Z], {m_vec_z[a][b][Z][0], m_vec_z[a][b][Z][1], m_vec_z[a][b][Z][2]}, a, b, Z + 1};
    }
}

// Visits every face of an opening, its ranges bounded by the grid.
template <typename Visit>
void forEachFace(const IORecord& r, Visit visit) {
    const int side = std::abs(r.side);
    const int aLast = side == 1 ? ynumber : xnumber;
    const int bLast = side == 3 ? ynumber : znumber;
    for (int a = std::max(r.a1, 1); a <= std::min(r.a2, aLast); ++a)
        for (int b = std::max(r.b1, 1); b <= std::min(r.b2, bLast); ++b) visit(openingFace(r.side, a, b));
}

bool knownSide(const IORecord& r) { return r.side != 0 && std::abs(r.side) <= 3; }

// Share of the face seen along the direction of the record: 1, or with
// paralell 2 the cosine between the face normal and the direction.
double seenAlongDirection(const IORecord& r, const OpeningFace& f) {
    if (r.paralell != 2) return 1.0;
    double dot = f.n[0] * r.dir[0] + f.n[1] * r.dir[1];
    if (std::abs(r.side) == 3) dot += f.n[2] * r.dir[2];
    return dot;
}

// Velocity of a cell of the opening with speed V, before the orientation.
void openingVelocity(const IORecord& r, const OpeningFace& f, double V, double& u, double& v, double& w) {
    const int side = std::abs(r.side);
    u = v = w = 0.0;
    if (side == 1) u = V;
    if (side == 2) v = V;
    if (side == 3) w = V;
    if (r.paralell == 0) {
        u = V * f.n[0];
        v = V * f.n[1];
        if (side == 3) w = V * f.n[2];
    } else if (r.paralell == 1) {
        // Along the grid line that meets the face.
        if (side == 1) {
            const int row = r.side > 0 ? 2 : xnumber;
            u = V * m_vec_y[row][f.j][1];
            v = -V * m_vec_y[row][f.j][0];
        } else if (side == 2) {
            const int cell = r.side > 0 ? 2 : ynumber;
            u = -V * m_vec_x[f.i][cell][1];
            v = V * m_vec_x[f.i][cell][0];
        } else {
            u = v = 0.0;
        }
    } else if (r.paralell == 2) {
        u = r.dir[0] > 1.0 ? 0.0 : V * r.dir[0];
        v = r.dir[1] > 1.0 ? 0.0 : V * r.dir[1];
        w = r.dir[2] > 1.0 ? 0.0 : V * r.dir[2];
    }
    // Inflow points into the domain, outflow out of it.
    const bool reverse = (r.side > 0 && r.type == 1) || (r.side < 0 && r.type == 0);
    if (reverse) {
        u = -u;
        v = -v;
        w = -w;
    }
}

// Sets the cells of opening n; returns its momentum flux.
double applyOpening(Log& log, int n) {
    const IORecord& r = IO[n];
    if (!knownSide(r)) return 0.0;
    double A = 0.0, faces = 0.0;
    forEachFace(r, [&](const OpeningFace& f) {
        A += f.area * seenAlongDirection(r, f);
        faces += std::fabs(f.area);
    });
    // Seen edge-on (or without faces) the opening passes no water.
    if (!(std::fabs(A) > 1e-9 * faces)) {
        log.printf("Error in G 7: for wall no: %d\n", n);
        log.printf("area of the opening along its direction is zero\narea: %e\n", A);
        log.close();
        endRun(-1);
    }
    const double flux = r.flux;
    const double V = r.side == -1 ? flux / std::fabs(A) : std::fabs(flux) / A;
    const double k0 = 0.0025 * (std::fabs(flux) / A) * (std::fabs(flux) / A);
    const double eps0 = 0.8 * k0 * std::sqrt(k0) / std::sqrt(std::fabs(A));
    forEachFace(r, [&](const OpeningFace& f) {
        double u, v, w;
        openingVelocity(r, f, V, u, v, w);
        setStartVelocity(Velocity::u, f.i, f.j, f.k, u);
        setStartVelocity(Velocity::v, f.i, f.j, f.k, v);
        setStartVelocity(Velocity::w, f.i, f.j, f.k, w);
        kinen[f.i][f.j][f.k] = k0;
        epsilon[f.i][f.j][f.k] = eps0;
    });
    return 500.0 * flux * flux / std::fabs(A);
}

void openingsContinuity(Log& log, double fin, double fout) {
    if (FlagTFS == 1 || FlagCyclic != 0) return;
    if (std::fabs(fin - fout) / (fout + fin + 1e-6) <= 1e-6) return;
    log.write("Error in continuity, IO\n");
    log.printf("FluxUt = %lf, FluxTot = %lf\n", fin, fout);
    if (IONo == 1)
        log.write("You must always have at least two G 7 data sets in the control file when using G 7 data sets\n");
    log.close();
    endRun(1);
}

void openingsAndTheirNorms(Log& log) {
    if (FlagPrint == 0) log.printf("IONo = %d\n", IONo);
    if (newFlowField() && FlagInZero == 0) {
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                for (int i : {1, xnumber + 1})
                    for (Velocity c : {Velocity::u, Velocity::v, Velocity::w}) setStartVelocity(c, i, j, k, 0.0);
        log.write("Default inflow and outflow set to zero\n");
    }
    double fin = 0.0, fout = 0.0;
    for (int n = 1; n <= IONo; ++n) (IO[n].type == 0 ? fin : fout) += std::fabs(kWaterDensity * IO[n].flux);
    openingsContinuity(log, fin, fout);
    if (!newFlowField()) return;

    double S = 0.0;
    for (int n = 1; n <= IONo; ++n) S += applyOpening(log, n);
    // The outflow is the reference flux; with inflow alone (free surface or
    // cyclic runs) the inflow is.
    const double F = fout > 0 ? fout : fin;
    if (!(F > 0)) {
        log.write("Error in setting of residual (sinit)\n");
        log.printf("FluxUt = %lf, FluxTot = %lf\n", fin, fout);
        log.close();
        endRun(-2);
    }
    const double U = S / (F + 1e-5);
    const double kStar = std::max(0.0025 * U * U, 0.001);
    const double eStar = 0.8 * kStar * std::sqrt(kStar / (0.001 * F / U));
    NormResidual[4] = F;
    NormResidual[1] = NormResidual[2] = NormResidual[3] = S;
    NormResidual[5] = F * kStar;
    NormResidual[6] = F * eStar;
    NormResidual[7] = 20.0 * F;
    log.printf("ImpTot = %lf, FluxTot = %lf, aK = %lf, aE = %lf\n", S, F, kStar, eStar);
    for (int e = 0; e <= 6; ++e) log.printf("NormResidual(%d) = %lf\n", e, NormResidual[e]);
}

// Relaxation factor within (low, 2.0), else low.
double clampedRelaxation(double value, double low) { return value > low && value < 2.0 ? value : low; }

// Scans `innflow` for its D, E and F records; returns the counts of the
// upstream and downstream records read.
void scanInflowProfiles(FILE* fp, int& upstream, int& downstream) {
    const long limit = static_cast<long>(ynumber) * znumber * 10;
    for (long n = 0; n < limit; ++n) {
        const int c = std::fgetc(fp);
        if (c == EOF) break;
        if (c != 'D' && c != 'E' && c != 'F') continue;
        int j, k;
        if (std::fscanf(fp, "%d%d", &j, &k) != 2) continue;
        if (j <= 1 || j > ynumber || k <= 1 || k > znumber) continue;  // the rest is passed over as text
        double u, v, w, kk, eps;
        if (c == 'D') {
            if (std::fscanf(fp, "%lf %lf %lf %lf %lf\n", &u, &v, &w, &kk, &eps) != 5) continue;
            kinen[1][j][k] = kk;
            epsilon[1][j][k] = eps;
        } else if (std::fscanf(fp, "%lf %lf %lf\n", &u, &v, &w) != 3) {
            continue;
        }
        const int i = c == 'F' ? xnumber : 1;
        setStartVelocity(Velocity::u, i, j, k, u);
        setStartVelocity(Velocity::v, i, j, k, v);
        setStartVelocity(Velocity::w, i, j, k, w);
        (c == 'F' ? downstream : upstream) += 1;
    }
}

}  // namespace

void openingsAndNorms(Log& log) {
    if (IONo > 0)
        openingsAndTheirNorms(log);
    else
        inflowPlaneAndNorms(log);
}

void relaxationFactors(Log& log) {
    const RelaxationFactors r = relaxationFactorsOfK3();
    // Steady SIMPLEC without velocity relaxation: a_P equals the sum of the
    // neighbour coefficients wherever no source adds to it, and 1/(a_P - sum
    // a_nb) has no value.
    if (simple != 'Y' && !transientRun() && r.velocity >= 1.0)
        failf(1, "Error, K 9 N (SIMPLEC) in a steady run needs a velocity relaxation below 1 in K 3\n");
    if (FlagPrint == 0) log.printf("Relaxation: %lf %lf %lf %lf\n", r.velocity, r.pressure, r.k, r.epsilon);
}

void startPressure() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) invAP[i][j][k] = 0.0;
    for (int i = 1; i <= X + 1; ++i)
        for (int j = 1; j <= Y + 1; ++j)
            for (int k = 1; k <= Z + 1; ++k) Pres[i][j][k] = 0.0;
    if (FlagTFS != 1 && FlagTFS != 3) return;
    // Hydrostatic: the depth of each cell centre below the top of its column.
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            double depth = m_dist_z[i][j][Z];
            for (int k = Z; k >= 2; --k) {
                Pres[i][j][k] = 9810.0 * depth;
                depth += m_dist_z[i][j][k] + m_dist_z[i][j][k - 1];
            }
        }
}

void attachedBlockStart() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = std::max(MBSkjot[1] + 1, 2); i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) {
                const double u = 0.1 * xvel[1][j][k];
                setStartVelocity(Velocity::u, i, j, k, u);
                setStartVelocity(Velocity::v, i, j, k, u);
            }
    // The host cells along the joined wall flow across it: the wall j = 1
    // (MBStart >= 0) towards -y, the wall j = ynumber towards +y.
    const int s = MBStart[1], first = std::abs(s);
    const int cell = s >= 0 ? 2 : Y;
    const double v = s >= 0 ? -1.0 : 1.0;
    for (int m = std::max(first, 2); m <= std::min(first + Y - 3, X); ++m)
        for (int k = 2; k <= Z + 1; ++k) setStartVelocity(Velocity::v, m, cell, k, v);
}

void readInflowProfiles(Log& log) {
    FILE* fp = std::fopen("innflow", "r");
    if (!fp) {
        log.write("File 'innflow' not used      \n");
        return;
    }
    int upstream = 0, downstream = 0;
    scanInflowProfiles(fp, upstream, downstream);
    log.printf("Have read %d velocity data sets from file 'innflow', upstream cross-section\n", upstream);
    log.printf("Have read %d velocity data sets from file 'innflow', downstream cross-section\n", downstream);
    const int cells = (ynumber - 1) * (znumber - 1);
    if (upstream > cells)
        log.write("Warning: Too many D data sets in 'innflow' file\n");
    else if (upstream > 0 && upstream < cells)
        log.write("Warning: Fewer D data sets in 'innflow' file than cells in the cross-section\n");
    if (downstream > cells)
        log.write("Warning: Too many E data sets in 'innflow' file\n");
    else if (downstream > 0 && downstream < cells)
        log.write("Warning: Fewer E data sets in 'innflow' file than cells in the cross-section\n");
    std::fclose(fp);
}

void initialValueBoxes() {
    for (int n = 1; n <= MInitNo; ++n) {
        const MInitRecord& r = MInit[n];
        for (int i = std::max(r.i1, 1); i <= std::min(r.i2, xnumber + 1); ++i)
            for (int j = std::max(r.j1, 1); j <= std::min(r.j2, ynumber + 1); ++j)
                for (int k = std::max(r.k1, 1); k <= std::min(r.k2, znumber + 1); ++k) {
                    setStartVelocity(Velocity::u, i, j, k, r.u);
                    setStartVelocity(Velocity::v, i, j, k, r.v);
                    setStartVelocity(Velocity::w, i, j, k, r.w);
                }
    }
}

void initialPressure() {
    if (InitPres <= 0.001) return;
    // Reference: the top of node column (znumber, 3), taken within the grid
    // when the grid has fewer node lines than that.
    const double reference = zval[std::min(znumber, xnumber)][std::min(3, ynumber)][znumber];
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double p = InitPres * kWaterDensity * 9.81 * (zval[i][j][znumber] - reference);
            for (int k = 2; k <= znumber; ++k) Pres[i][j][k] = p;
        }
}

void depthMeans() {
    const int Z = znumber;
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            double u = 0, v = 0, p = 0, k = 0, e = 0, f1 = 0, f2 = 0;
            for (int l = 2; l <= Z; ++l) {
                u += xvel[i][j][l];
                v += yvel[i][j][l];
                p += Pres[i][j][l];
                k += kinen[i][j][l];
                e += epsilon[i][j][l];
                f1 += flow1[i][j][l];
                f2 += flow2[i][j][l];
            }
            const double layers = Z - 1;
            setStartVelocity(Velocity::u, i, j, 0, u / layers);
            setStartVelocity(Velocity::v, i, j, 0, v / layers);
            Pres[i][j][0] = p / layers;
            kinen[i][j][0] = k / layers;
            epsilon[i][j][0] = e / layers;
            flow1[i][j][0] += f1;
            flow2[i][j][0] += f2;
            WallI[i][j][0] = WallI[i][j][2];
            WallJ[i][j][0] = WallJ[i][j][2];
        }
}

}  // namespace startup_steps

RelaxationFactors relaxationFactorsOfK3() {
    using startup_steps::clampedRelaxation;
    return {clampedRelaxation(relax[1], 0.001), clampedRelaxation(relax[4], 0.001), clampedRelaxation(relax[5], 0.01),
            clampedRelaxation(relax[6], 0.01)};
}
