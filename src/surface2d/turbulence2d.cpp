// Shear production and dissipation of the depth-averaged k and epsilon
// equations (k = 0), for the models whose row in the model table carries
// plane equations; every other model leaves the workspace alone.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "grid/geometry.h"
#include "equations/kernels.h"
#include "surface2d/faces2d.h"
#include "surface2d/joints2d.h"
#include "surface2d/surface2d.h"

using joints2d::Cell;

namespace {

// ---------------------------------------------------------------------------
// Production V gama (2 u_x^2 + 2 v_y^2 + (u_y + v_x)^2) of a cell from the
// velocity differences across it and its high faces.
// ---------------------------------------------------------------------------
// A neighbour of the cell and its distance to the face they share.
struct Neighbour {
    Cell c;
    double d;
};

// The cell P with its neighbours along i (w, e) and along j (s, n).
struct Stencil {
    Cell P;
    Neighbour w, e, s, n;
};

inline double U(Cell c) { return xvel[c.i][c.j][0]; }
inline double V(Cell c) { return yvel[c.i][c.j][0]; }

// Plain index neighbours, each with its own half width along the line.
Stencil plain(int i, int j) {
    return {{i, j},
            {{i - 1, j}, m_dist_x[i - 1][j][0]},
            {{i + 1, j}, m_dist_x[i + 1][j][0]},
            {{i, j - 1}, m_dist_y[i][j - 1][0]},
            {{i, j + 1}, m_dist_y[i][j + 1][0]}};
}

double production(const Stencil& s) {
    const int i = s.P.i, j = s.P.j;
    const double dx = m_dist_x[i][j][0], dy = m_dist_y[i][j][0];
    auto across = [](double (*q)(Cell), Cell P, double dP, const Neighbour& lo, const Neighbour& hi) {
        return faces2d::interpolate(q(P), q(hi.c), dP, hi.d) - faces2d::interpolate(q(lo.c), q(P), lo.d, dP);
    };
    const double dui = across(U, s.P, dx, s.w, s.e), dvi = across(V, s.P, dx, s.w, s.e);
    const double duj = across(U, s.P, dy, s.s, s.n), dvj = across(V, s.P, dy, s.s, s.n);
    const double aix = m_ar_x[i][j][0] * m_vec_x[i][j][0], aiy = m_ar_x[i][j][0] * m_vec_x[i][j][1];
    const double ajx = m_ar_y[i][j][0] * m_vec_y[i][j][0], ajy = m_ar_y[i][j][0] * m_vec_y[i][j][1];
    const double Gxx = aix * dui + ajx * duj;
    const double Gyy = aiy * dvi + ajy * dvj;
    const double Gxy = aiy * dui + ajy * duj + aix * dvi + ajx * dvj;
    const double volume = geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][0]);
    return (2.0 * (Gxx * Gxx + Gyy * Gyy) + Gxy * Gxy) * gama[i][j][0] / volume;
}

// The cells next to the joins, again with the partner across the join: the
// host cell takes its partner B as the missing j-neighbour, B takes the host
// cell as its i-1 neighbour (B's distance across the join is its half
// length, the host's its half width). Then the last row before each block
// seam takes the production of the row before it.
void joins() {
    const int Y = ynumber;
    for (int i = 2; i <= xnumber; ++i) {
        if (const Cell B = joints2d::lowPartner(i); !B.none()) {
            Stencil host = plain(i, 2);
            host.s = {B, m_dist_x[B.i][B.j][0]};
            source[i][2][0] = production(host);
            Stencil part = plain(B.i, B.j);
            part.w = {{i, 2}, m_dist_y[i][2][0]};
            source[B.i][B.j][0] = production(part);
        }
        if (const Cell B = joints2d::highPartner(i); !B.none()) {
            Stencil host = plain(i, Y);
            host.n = {B, m_dist_x[B.i][B.j][0]};
            source[i][Y][0] = production(host);
            Stencil part = plain(B.i, B.j);
            part.w = {{i, Y}, m_dist_y[i][Y][0]};
            source[B.i][B.j][0] = production(part);
        }
    }
    for (int b = 1; b <= joints2d::blocks(); ++b) {
        const int row = MBSkjot[b];
        for (int j = 2; j <= Y; ++j) source[row][j][0] = source[row - 1][j][0];
    }
}

// ---------------------------------------------------------------------------
// The models, keyed by F 24: the destruction coefficient (wap) and the
// source of k and of epsilon of one cell from its production.
// ---------------------------------------------------------------------------
struct CellState {
    double V;     // water volume of the column
    double k;     // kinen
    double eps;   // epsilon
    double gama;  // viscosity of the equation
    double P;     // shear production
};
struct Terms {
    double wap, source;
};

// Dissipation 1000 V epsilon / k, implicit in k.
Terms kStandard(const CellState& c) { return {kWaterDensity * c.V * c.eps / (c.k + 1e-20), c.P}; }
// c2 = 1.92, c1 = 1.44; the factor 1.3 undoes sigma_epsilon in gama.
Terms epsilonStandard(const CellState& c) {
    const double r = c.eps / (c.k + 1e-20);
    return {1920.0 * c.V * r, c.P * 1.44 * 1.3 * r};
}
// The RNG k viscosity carries 1/0.719.
Terms kRng(const CellState& c) { return {kWaterDensity * c.V * c.eps / (c.k + 1e-20), c.P * 0.719}; }
// c2* from the strain rate S = sqrt(P / (V gama)) (the two factors 0.719
// cancel) and eta = S k / epsilon, limited to 1e30.
Terms epsilonRng(const CellState& c) {
    const double S = std::sqrt(c.P / (c.V * c.gama));
    const double eta = std::min(S * c.k / (c.eps + 1e-20), 1e30);
    const double e3 = eta * eta * eta;
    const double c2 = 1.68 + 0.085 * e3 * (1.0 - eta / 4.38) / (1.0 + 0.012 * e3);
    const double r = c.eps / (c.k + 1e-20);
    return {kWaterDensity * c2 * c.V * r, c.P * 1.42 * 0.719 * r};
}

// wap and source of every interior cell from the terms of its model.
template <Terms (*terms)(const CellState&)>
void applyTerms() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const CellState c{geometry::cellVolume(m_armap[i][j], m_dist_z[i][j][0]), kinen[i][j][0], epsilon[i][j][0],
                              gama[i][j][0], source[i][j][0]};
            const Terms t = terms(c);
            wap[i][j][0] = t.wap;
            source[i][j][0] = t.source;
        }
}

struct PlaneEquations {
    void (*k)();        // the terms of the k equation (null: the model has no
    void (*epsilon)();  // k and epsilon equations here)
};
PlaneEquations planeEquations(PlaneTurbulence form) {
    switch (form) {
    case PlaneTurbulence::None: break;
    case PlaneTurbulence::Standard: return {applyTerms<kStandard>, applyTerms<epsilonStandard>};
    case PlaneTurbulence::Rng: return {applyTerms<kRng>, applyTerms<epsilonRng>};
    }
    return {nullptr, nullptr};
}

}  // namespace

void turbulence2D() {
    const PlaneEquations model = planeEquations(turbulenceModel().plane.turbulence);
    if (model.k == nullptr) return;
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    if (Equation != 5 && Equation != 6) {
        log.printf("Error in turbulence calc., Equation = %d\n", Equation);
        log.close();
        endRun(-8);
    }
    if (MBNo > 0) eqk::checkJointTables("turbulence2D");
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) source[i][j][0] = production(plain(i, j));
    if (MBNo > 0) joins();
    (Equation == 5 ? model.k : model.epsilon)();
}
