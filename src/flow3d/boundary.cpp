// Boundary values of the cells beyond the domain faces (index 1 and n+1):
// the default inlet and outlet of a channel without openings, the top layer
// above the water surface or roof, the openings of G 7 and frictionless side
// walls. Every value is written in place; a cell keeps what it held unless a
// step below changes it.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "flow3d/flow3d.h"

namespace {

// Volume flux through i-face `face` of cells (i, j, k): area times the
// horizontal velocity of cell i along the face normal.
double iFaceFlux(int face, int i, int j, int k) {
    return m_ar_x[face][j][k] * (xvel[i][j][k] * m_vec_x[face][j][0] + yvel[i][j][k] * m_vec_x[face][j][1]);
}

// ---------------------------------------------------------------------------
// Default inlet and outlet (no openings).
// ---------------------------------------------------------------------------

bool openAtInflow(int j, int k) { return OBlok[2][j][k] == 1; }

// Discharge through face 1 from the present cell-1 velocities, over the
// cells that pass `take`.
template <class Take>
double inflowDischarge(Take take) {
    double q = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k)
            if (take(j, k)) q += iFaceFlux(1, 1, j, k);
    return q;
}

void copyOutflowCell(int j, int k, bool withX) {
    const int X = xnumber;
    if (withX) xvel[1][j][k] = xvel[X + 1][j][k];
    yvel[1][j][k] = yvel[X + 1][j][k];
    zvel[1][j][k] = zvel[X + 1][j][k];
    kinen[1][j][k] = kinen[X + 1][j][k];
    epsilon[1][j][k] = epsilon[X + 1][j][k];
}

// The outflow plane copied into the inflow plane, without blocked boxes.
void cyclicCopy(Log& log, double fluxInn, double fluxOut) {
    const int X = xnumber;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            if (FlagCyclicF == 0) {
                copyOutflowCell(j, k, true);
            } else if (FlagCyclicF > 0) {
                copyOutflowCell(j, k, false);
                xvel[1][j][k] = std::max(flow1[X - 1][j][k] * 0.001 / m_ar_x[X - 1][j][k], 1e-5);
            }
        }
    // A rescale whose divisor is 0 is skipped: the copied values stay.
    if (ynumber != 1) {
        const double F = inflowDischarge([](int, int) { return true; });
        if (F != 0.0)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) xvel[1][j][k] *= fluxInn / F;
    }
    if (FlagCyclicC > 0 && fluxInn != 0.0)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                xvel[X + 1][j][k] *= fluxOut / fluxInn;
                xvel[1][j][k] *= fluxOut / fluxInn;
            }
    if (debugging == 'D') log.printf("Flux = %lf %lf m3/s\n", fluxInn, fluxOut);
}

// The outflow plane copied into the open cells of the inflow plane, with
// blocked boxes.
void cyclicCopyBlocked() {
    const int X = xnumber;
    const double S = inflowDischarge(openAtInflow);
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k)
            if (openAtInflow(j, k)) copyOutflowCell(j, k, true);
    if (FlagCyclicC < 2) {
        const double F = inflowDischarge(openAtInflow);
        if (F == 0.0) return;  // the copied values stay
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) xvel[1][j][k] = m_vec_x[1][j][0] * (S / F) * xvel[1][j][k];
    } else if (FlagCyclicC == 2) {
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) xvel[1][j][k] = xvel[X][j][k];
    }
}

void defaultInletOutlet(Log& log) {
    const int X = xnumber;
    if (ynumber == 1) zeroOutflowError(log);
    double fluxInn = 0.0, fluxOut = 0.0;
    for (int j = 2; j <= ynumber; ++j) {
        const double nx = m_vec_x[X][j][0], ny = m_vec_x[X][j][1];
        for (int k = 2; k <= znumber; ++k) {
            kinen[X + 1][j][k] = kinen[X][j][k];
            epsilon[X + 1][j][k] = epsilon[X][j][k];
            fluxInn += iFaceFlux(1, 1, j, k);
            double q = iFaceFlux(X, X, j, k);
            if (q > 0) {
                xvel[X + 1][j][k] = xvel[X][j][k];
                yvel[X + 1][j][k] = yvel[X][j][k];
                zvel[X + 1][j][k] = zvel[X][j][k];
            } else {
                // Backflow: one tenth of the local speed, leaving the domain.
                const double s = std::sqrt(xvel[X][j][k] * xvel[X][j][k] + yvel[X][j][k] * yvel[X][j][k]);
                xvel[X + 1][j][k] = 0.1 * s * nx;
                yvel[X + 1][j][k] = 0.1 * s * ny;
                zvel[X + 1][j][k] = 0.0;
                q = iFaceFlux(X, X + 1, j, k);
            }
            fluxOut += q;
        }
    }
    if (fluxOut < 1e-20) zeroOutflowError(log);
    if (FlagCyclic > 0 && OutBlockNo > 0) {
        fluxInn = fluxOut = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (openAtInflow(j, k)) {
                    fluxInn += iFaceFlux(1, 1, j, k);
                    fluxOut += iFaceFlux(X, X, j, k);
                }
    }
    if (FlagTFS != 1) {
        const double ratio = fluxInn / (fluxOut + 1e-30);
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                xvel[X + 1][j][k] *= ratio;
                yvel[X + 1][j][k] *= ratio;
            }
        if (std::fabs(ratio - 1.0) > 0.1 && debugging != 'N') {
            log.printf("Utvel:%lf %lf\n", xvel[X + 1][3][3], yvel[X + 1][3][3]);
            log.printf("FluxUt:%lf FluxInn:%lf \n", fluxOut, fluxInn);
        }
    }
    if (FlagCyclic > 0 && isMultiple(static_cast<double>(Iter), FlagCyclic)) {
        if (OutBlockNo == 0)
            cyclicCopy(log, fluxInn, fluxOut);
        else
            cyclicCopyBlocked();
    }
}

// ---------------------------------------------------------------------------
// Top layer.
// ---------------------------------------------------------------------------

// Free surface above column (i, j): the top cell's flow along the surface,
// no turbulent energy; `tangent` also sets w so that the velocity is
// tangent to the surface.
void freeSurfaceCell(int i, int j, bool tangent) {
    const int Z = znumber;
    xvel[i][j][Z + 1] = xvel[i][j][Z];
    yvel[i][j][Z + 1] = yvel[i][j][Z];
    if (tangent) {
        const double nx = m_vec_z[i][j][Z][0], ny = m_vec_z[i][j][Z][1], nz = m_vec_z[i][j][Z][2];
        zvel[i][j][Z + 1] = -(xvel[i][j][Z + 1] * nx + yvel[i][j][Z + 1] * ny) / nz;
    }
    kinen[i][j][Z + 1] = 0.0;
    epsilon[i][j][Z + 1] = epsilon[i][j][Z];
}

// Fixed velocity of the roof openings (side -3) under a roof opened by inner walls.
void roofOpenings() {
    const int Z = znumber;
    for (int r = 1; r <= IONo; ++r) {
        const IORecord& io = IO[r];
        if (io.side != -3) continue;
        double area = 0.0;
        for (int i = io.a1; i <= io.a2; ++i)
            for (int j = io.b1; j <= io.b2; ++j) area += m_ar_z[i][j][Z];
        const double speed = std::fabs(io.flux) / std::fabs(area);
        for (int i = io.a1; i <= io.a2; ++i)
            for (int j = io.b1; j <= io.b2; ++j) {
                double* v[3] = {&xvel[i][j][Z + 1], &yvel[i][j][Z + 1], &zvel[i][j][Z + 1]};
                *v[2] = speed;
                switch (io.paralell) {
                case 1:
                    *v[0] = *v[1] = 0.0;
                    break;
                case 0:
                    for (int c = 0; c < 3; ++c) *v[c] = speed * m_vec_z[i][j][Z][c];
                    break;
                case 2:
                    for (int c = 0; c < 3; ++c) *v[c] = io.dir[c] > 1.0 ? 0.0 : io.dir[c] * speed;
                    break;
                default:
                    break;
                }
                if (io.type == 0)
                    for (double* c : v) *c = -*c;
            }
    }
}

void topLayer() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (FlagRoof == 1) freeSurfaceCell(i, j, FlagTFS != 1);
            if (FlagSurfEps == 10) kinen[i][j][znumber + 1] = kinen[i][j][znumber];
        }
    if (FlagRoof == 0 && MWallNo > 0) {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                if (WallK[i][j][znumber] == 0) freeSurfaceCell(i, j, true);
        roofOpenings();
    }
}

// ---------------------------------------------------------------------------
// Openings.
// ---------------------------------------------------------------------------

// One cell of an opening: the boundary cell, its interior neighbour, the
// area and unit normal of the face between them.
struct OpeningCell {
    int bi, bj, bk;  // boundary cell
    int ii, ij, ik;  // interior neighbour
    double area;
    double n[3];
};

OpeningCell openingCell(int side, int a, int b) {
    const int X = xnumber, Y = ynumber, Z = znumber;
    switch (side) {
    case 1: return {1, a, b, 2, a, b, m_ar_x[1][a][b], {m_vec_x[1][a][0], m_vec_x[1][a][1], 0.0}};
    case -1: return {X + 1, a, b, X, a, b, m_ar_x[X][a][b], {m_vec_x[X][a][0], m_vec_x[X][a][1], 0.0}};
    case 2: return {a, 1, b, a, 2, b, m_ar_y[a][1][b], {m_vec_y[a][1][0], m_vec_y[a][1][1], 0.0}};
    case -2: return {a, Y + 1, b, a, Y, b, m_ar_y[a][Y][b], {m_vec_y[a][Y][0], m_vec_y[a][Y][1], 0.0}};
    case 3:
        return {a, b, 1, a, b, 2, m_ar_z[a][b][1], {m_vec_z[a][b][1][0], m_vec_z[a][b][1][1], m_vec_z[a][b][1][2]}};
    default:
        return {a, b, Z + 1, a, b, Z, m_ar_z[a][b][Z], {m_vec_z[a][b][Z][0], m_vec_z[a][b][Z][1], m_vec_z[a][b][Z][2]}};
    }
}

// Visits the cells of an opening in the order of its side: for the i- and
// j-faces b (k) outside and a inside, for the k-faces a (i) outside.
template <class Visit>
void forEachOpeningCell(const IORecord& io, Visit visit) {
    if (std::abs(io.side) == 3) {
        for (int a = io.a1; a <= io.a2; ++a)
            for (int b = io.b1; b <= io.b2; ++b) visit(openingCell(io.side, a, b));
    } else {
        for (int b = io.b1; b <= io.b2; ++b)
            for (int a = io.a1; a <= io.a2; ++a) visit(openingCell(io.side, a, b));
    }
}

// Discharge of opening r from the discharge series at the time stime:
// linear between the rows around it, extrapolated before the first row,
// the last row's after the last.
double seriesDischarge(int r) {
    const int last = std::max(TimeInNo - 1, 0);
    for (int m = 1; m <= last; ++m)
        if (TimeInTime[m] > stime) {
            const double w = (TimeInTime[m] - stime) / ((TimeInTime[m] - TimeInTime[m - 1]) + 1e-20);
            return w * QDinn[m - 1][r] + (1.0 - w) * QDinn[m][r];
        }
    return QDinn[last][r];
}

bool seriesActive() { return FlagDischargeTime > 0; }

bool processed(const IORecord& io) {
    return io.update == 2 || (io.update == 1 && io.type == 1) || seriesActive();
}

// Whether a cell of flux q (positive along the face normal) carries flow in
// the direction of the opening: out of the domain for an outflow opening,
// into it for an inflow opening.
bool passesDirection(const IORecord& io, double q) {
    const bool leaves = io.side < 0 ? q > 0 : q < 0;
    const bool enters = io.side < 0 ? q < 0 : q > 0;
    if (io.type == 1) return leaves;
    if (io.type == 0) return enters;
    return false;
}

void opening(Log& log, int r) {
    const IORecord& io = IO[r];
    const bool vertical = std::abs(io.side) == 3;
    double sum = 0.0;
    int kept = 0;
    forEachOpeningCell(io, [&](const OpeningCell& c) {
        double& u = xvel[c.bi][c.bj][c.bk];
        double& v = yvel[c.bi][c.bj][c.bk];
        double& w = zvel[c.bi][c.bj][c.bk];
        if (vertical) {
            u = 0.5 * (xvel[c.ii][c.ij][c.ik] + u);
            v = 0.5 * (yvel[c.ii][c.ij][c.ik] + v);
            w = 0.5 * (zvel[c.ii][c.ij][c.ik] + w);
        } else {
            u = 0.5 * xvel[c.ii][c.ij][c.ik] + 0.5 * u;
            v = 0.5 * yvel[c.ii][c.ij][c.ik] + 0.5 * v;
            w = zvel[c.ii][c.ij][c.ik];
        }
        const double q = c.area * (u * c.n[0] + v * c.n[1] + (vertical ? w * c.n[2] : 0.0));
        if (passesDirection(io, q)) {
            sum += std::fabs(q);
            ++kept;
        } else if (!(io.side == -3 && io.update == 2)) {
            u = v = 0.0;
            if (vertical) w = 0.0;
        }
    });
    const double Q = seriesActive() ? seriesDischarge(r) : io.flux;
    if (kept == 0) {
        // Nothing carries the discharge: it is spread evenly over the whole
        // opening along its normal, in the opening's direction, or it would
        // be lost water.
        if (FlagTFS != 0 && FlagPrint == 0) log.printf("Warning: no cell of opening %d passes the direction filter\n", r);
        if (io.type != 0 && io.type != 1) return;
        double area = 0.0;
        forEachOpeningCell(io, [&](const OpeningCell& c) { area += c.area; });
        const double speed = (passesDirection(io, 1.0) ? 1.0 : -1.0) * std::fabs(Q) / (area + 1e-20);
        forEachOpeningCell(io, [&](const OpeningCell& c) {
            xvel[c.bi][c.bj][c.bk] = speed * c.n[0];
            yvel[c.bi][c.bj][c.bk] = speed * c.n[1];
            if (vertical) zvel[c.bi][c.bj][c.bk] = speed * c.n[2];
        });
        return;
    }
    const double scale = Q / (sum + 1e-20);
    forEachOpeningCell(io, [&](const OpeningCell& c) {
        xvel[c.bi][c.bj][c.bk] *= scale;
        yvel[c.bi][c.bj][c.bk] *= scale;
        if (vertical) zvel[c.bi][c.bj][c.bk] *= scale;
    });
}

// ---------------------------------------------------------------------------
// Frictionless side walls.
// ---------------------------------------------------------------------------

// Boundary cell (i, jb, k) beyond wall face jf takes the horizontal speed of
// cell (i, ji, k) along the wall, in the sense of that cell's flow.
void slipCell(int i, int jb, int ji, int jf, int k) {
    const double u = xvel[i][ji][k], v = yvel[i][ji][k];
    const double s = std::sqrt(u * u + v * v);
    const double nx = m_vec_y[i][jf][0], ny = m_vec_y[i][jf][1];
    const bool minus = std::fabs(ny) > std::fabs(nx) ? u * ny > 0 : v * nx < 0;
    xvel[i][jb][k] = minus ? ny * s : -ny * s;
    yvel[i][jb][k] = minus ? -nx * s : nx * s;
    zvel[i][jb][k] = zvel[i][ji][k];
}

void slipWalls() {
    const int Y = ynumber;
    for (int i = 2; i <= xnumber; ++i)
        for (int k = 2; k <= znumber; ++k) {
            if (FlagWall == 1 && WallJ[i][2][k] == 0) slipCell(i, 1, 2, 1, k);
            if ((FlagWall == 1 || FlagWall == 2) && WallJ[i][Y][k] == 0) slipCell(i, Y + 1, Y, Y, k);
        }
}

}  // namespace

void zeroOutflowError(Log& log) {
    const int X = xnumber;
    log.write("sbound: Error, zero flux out !\n");
    log.write("This error may be corrected with the use of G 7 data sets\n");
    log.printf("A,vec(xnu,2,2)= %e %e %e\n", m_ar_x[X][2][2], m_vec_x[X][2][0], m_vec_x[X][2][1]);
    log.printf("Velocity-out:%lf %lf\n", xvel[X + 1][3][3], yvel[X + 1][3][3]);
    log.close();
    endRun(1);
}

void boundary() {
    // The discharge series holds columns for openings 1..10 only.
    if (seriesActive() && IONo > 10)
        failf(1, "Error in boundary: the discharge series of timei covers 10 openings, G 7 has %d\n", IONo);
    Log log;
    if (IONo == 0) defaultInletOutlet(log);
    topLayer();
    for (int r = 1; r <= IONo; ++r)
        if (std::abs(IO[r].side) >= 1 && std::abs(IO[r].side) <= 3 && processed(IO[r])) opening(log, r);
    slipWalls();
    log.close();
}

// ---------------------------------------------------------------------------
// Discharges of the domain faces and their boundary cells.
// ---------------------------------------------------------------------------

double jFaceDischarge(int face, int cell, int k1, int k2) {
    double s = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int k = k1; k <= k2; ++k)
            s += kWaterDensity * m_ar_y[i][face][k] *
                 (xvel[i][cell][k] * m_vec_y[i][face][0] + yvel[i][cell][k] * m_vec_y[i][face][1]);
    return s;
}
double jFaceFlux(int face, int k1, int k2) {
    double s = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int k = k1; k <= k2; ++k) s += flow2[i][face][k];
    return s;
}

void scaleJCells(int cell, int k1, int k2, double r) {
    for (int i = 2; i <= xnumber; ++i)
        for (int k = k1; k <= k2; ++k) {
            xvel[i][cell][k] *= r;
            yvel[i][cell][k] *= r;
        }
}

double iFaceDischarge(int face, int cell, int k1, int k2) {
    double s = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = k1; k <= k2; ++k)
            s += kWaterDensity * m_ar_x[face][j][k] *
                 (xvel[cell][j][k] * m_vec_x[face][j][0] + yvel[cell][j][k] * m_vec_x[face][j][1]);
    return s;
}

void scaleICells(int cell, int k1, int k2, double r) {
    for (int j = 2; j <= ynumber; ++j)
        for (int k = k1; k <= k2; ++k) {
            xvel[cell][j][k] *= r;
            yvel[cell][j][k] *= r;
        }
}

void sideCells(int k1, int k2) {
    const int Y = ynumber;
    const double q1 = jFaceFlux(1, k1, k2), q2 = jFaceFlux(Y, k1, k2);
    const double c1 = jFaceDischarge(1, 1, k1, k2), c2 = jFaceDischarge(Y, Y + 1, k1, k2);
    scaleJCells(1, k1, k2, rescaleFactor(q1, c1 + 1e-15));
    scaleJCells(Y + 1, k1, k2, rescaleFactor(q2, c2 + 1e-15));
}

double rescaleFactor(double wanted, double now) {
    if (now == 0.0) return 1.0;
    const double r = wanted / now;
    return std::isfinite(r) ? r : 1.0;
}
