// Outflow boundary values of the depth-averaged plane (k = 0): the boundary
// cells behind an outflow face take the velocities, k and epsilon of the
// cells inside, scaled to the discharge the model must carry: without
// openings the whole downstream face matched to the inflow, with openings
// each outflow opening marked for updating matched to its own discharge.
#include <cstdlib>
#include <cmath>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "flow3d/flow3d.h"
#include "surface2d/surface2d.h"

namespace {

// One boundary cell, the cell inside next to it and the face between them.
struct FaceCells {
    int bi, bj;     // boundary cell
    int ii, ij;     // cell inside
    double area;    // column side of the face
    double nx, ny;  // plan unit normal of the face (towards the higher index)
};

// Volume flux through the face with the velocities of cell (i, j),
// positive towards the higher index.
double flux(const FaceCells& f, int i, int j) {
    return (f.nx * xvel[i][j][0] + f.ny * yvel[i][j][0]) * f.area;
}

void copyInside(const FaceCells& f) {
    xvel[f.bi][f.bj][0] = xvel[f.ii][f.ij][0];
    yvel[f.bi][f.bj][0] = yvel[f.ii][f.ij][0];
    kinen[f.bi][f.bj][0] = kinen[f.ii][f.ij][0];
    epsilon[f.bi][f.bj][0] = epsilon[f.ii][f.ij][0];
}

// Only the velocities: k and epsilon keep their values.
void stop(const FaceCells& f) { xvel[f.bi][f.bj][0] = yvel[f.bi][f.bj][0] = 0.0; }

void scale(const FaceCells& f, double r) {
    xvel[f.bi][f.bj][0] *= r;
    yvel[f.bi][f.bj][0] *= r;
}

FaceCells iFace(int face, int boundary, int inside, int j) {
    return {boundary, j, inside, j, m_ar_x[face][j][0], m_vec_x[face][j][0], m_vec_x[face][j][1]};
}
FaceCells jFace(int face, int boundary, int inside, int i) {
    return {i, boundary, i, inside, m_ar_y[i][face][0], m_vec_y[i][face][0], m_vec_y[i][face][1]};
}

// ---------------------------------------------------------------------------
// Without openings.
// ---------------------------------------------------------------------------
void downstreamFace(Log& log) {
    const int X = xnumber, Y = ynumber;
    if (Y == 1) zeroOutflowError(log);
    double in = 0.0, out = 0.0;
    for (int j = 2; j <= Y; ++j) {
        const FaceCells up = iFace(1, 1, 2, j);
        in += flux(up, 1, j);
        const FaceCells down = iFace(X, X + 1, X, j);
        const double q = flux(down, X, j);
        if (q > 0) {
            out += q;
            copyInside(down);
        } else {
            stop(down);
        }
    }
    if (out < 1e-20) zeroOutflowError(log);
    if (FlagTFS == 1) return;  // the transient free surface carries its own outflow
    const double r = in / (1e-30 + out);
    for (int j = 2; j <= Y; ++j) scale(iFace(X, X + 1, X, j), r);
    if (std::fabs(r - 1.0) > 0.1) {
        log.printf("Utvel:%lf %lf\n", xvel[X + 1][3][3], yvel[X + 1][3][3]);
        log.printf("FluxUt:%lf FluxInn:%lf \n", out, in);
    }
}

// ---------------------------------------------------------------------------
// Openings, keyed by their side: the face, the boundary cell and the cell
// inside of position a of the range, and the sign of an outflowing flux.
// ---------------------------------------------------------------------------
struct OpeningSide {
    int side;
    FaceCells (*at)(int a);
    int outflowSign;  // +1: q > 0 flows out, -1: q < 0 flows out
};

const OpeningSide kOpeningSides[] = {
    {1, [](int j) { return iFace(1, 1, 2, j); }, -1},
    {-1, [](int j) { return iFace(xnumber, xnumber + 1, xnumber, j); }, +1},
    {2, [](int i) { return jFace(1, 1, 2, i); }, -1},
    {-2, [](int i) { return jFace(ynumber, ynumber + 1, ynumber, i); }, +1},
};

const OpeningSide* openingSide(int side) {
    for (const OpeningSide& s : kOpeningSides)
        if (s.side == side) return &s;
    return nullptr;  // k-faces and block sides are not set here
}

void opening(Log& log, int r) {
    const IORecord& io = IO[r];
    const OpeningSide* side = openingSide(io.side);
    if (side == nullptr) return;
    double S = 0.0;
    bool any = false;
    for (int a = io.a1; a <= io.a2; ++a) {
        const FaceCells f = side->at(a);
        const double q = flux(f, f.ii, f.ij);
        if (side->outflowSign * q > 0) {
            S += q;
            any = true;
            copyInside(f);
        } else {
            stop(f);
        }
    }
    if (!any) {
        // Every cell flows inward: the prescribed discharge still leaves, spread
        // evenly over the whole opening along its outward normal, or it would
        // be lost water.
        if (FlagPrint == 0) log.printf("Warning: no cell of opening %d passes the direction filter\n", r);
        double area = 0.0;
        for (int a = io.a1; a <= io.a2; ++a) area += side->at(a).area;
        const double speed = side->outflowSign * std::fabs(io.flux) / (area + 1e-20);
        for (int a = io.a1; a <= io.a2; ++a) {
            const FaceCells f = side->at(a);
            xvel[f.bi][f.bj][0] = speed * f.nx;
            yvel[f.bi][f.bj][0] = speed * f.ny;
        }
        return;
    }
    const double ratio = io.flux / (S + 1e-20);
    for (int a = io.a1; a <= io.a2; ++a) scale(side->at(a), ratio);
}

}  // namespace

void boundary2D() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    if (IONo == 0) {
        downstreamFace(log);
        return;
    }
    for (int r = 1; r <= IONo; ++r)
        if (IO[r].type == 1 && IO[r].update == 1) opening(log, r);
}
