// Power-law coefficients: diffusion conductance per face weighted by a
// function of the face Peclet number, plus first-order upwind convection.
#include "equations/seven_point.h"

namespace {

using sevenpoint::Pair;
using sevenpoint::Params;
using eqk::faceViscosity;
using eqk::powerLawWeight;


inline Pair facePair(double F, double D, double s) {
    const double base = (powerLawWeight(F, D) + s) * D;
    return {base + std::max(-F, 0.0), base + std::max(F, 0.0)};
}

struct PowerLaw {
    static constexpr bool writesLinks = true;
    static constexpr bool clearsSecondNeighbours = true;

    static Pair horizontal(double A, double dL, double dH, double gL, double gH, double F, const Params& p) {
        const double gf = faceViscosity(dL, dH, gL, gH);
        const double D = A * p.turbMultHor * p.dm / ((dL + dH) * p.schmidt) * (gf + p.artDiff);
        return facePair(F, D, p.s);
    }

    // The k-faces k = 2..znumber-1 of column (i, j); a shallow column
    // (twoD 0) scales the vertical viscosity by sqrt(depth / sqrt(plan area)).
    static void verticalColumn(int i, int j, double* low, double* highNext, const Params& p) {
        double c = 1.0;
        if (twoD[i][j] == 0) {
            double depth = 0.0;
            for (int k = 2; k <= znumber; ++k) depth += m_dist_z[i][j][k];
            c = std::sqrt(2.0 * depth / std::sqrt(m_armap[i][j]));
        }
        column(&m_dist_z[i][j][0], &gamaV[i][j][0], &m_ar_z[i][j][0], &m_vec_z[i][j][0][0], &flow3[i][j][0], low,
               highNext, znumber, c, p);
    }
    static void column(const double* __restrict d, const double* __restrict g, const double* __restrict Az,
                       const double* __restrict normal, const double* __restrict F, double* __restrict low,
                       double* __restrict highNext, int zn, double c, const Params p) {
        for (int k = 2; k <= zn - 1; ++k) {
            const double gf = faceViscosity(d[k], d[k + 1], g[k], g[k + 1]);
            const double A = Az[k] * normal[3 * k + 2];
            const double D = A / (d[k] + d[k + 1]) * (gf * c * p.turbMultVert * p.dm / p.schmidt + p.artDiff);
            const Pair cp = facePair(F[k], D, p.s);
            low[k] = cp.low;
            highNext[k] = cp.high;
        }
    }

    // The diffusion conductance of a link face of area A between centres
    // dM + dQ apart: the face viscosity without the Schmidt number, and the
    // artificial viscosity scaled as on every other horizontal face.
    static double linkConductance(double gf, double A, double dM, double dQ, const Params& p) {
        return gf * A * p.turbMultHor * p.dm / (dM + dQ) +
               A * p.turbMultHor * p.dm / ((dM + dQ) * p.schmidt) * p.artDiff;
    }

    // Block joint links of the host columns i = from..to: the host cell next
    // to the side wall and its partner in the joint row of an attached block.
    static void links(int from, int to, const Params& p) {
        if (MBNo <= 0) return;
        for (int i = from; i <= to; ++i) {
            const int qi1 = Pj1MultiBlock[i][0], qj1 = Pj1MultiBlock[i][1];
            const int qi2 = Pj2MultiBlock[i][0], qj2 = Pj2MultiBlock[i][1];
            for (int k = 2; k <= znumber; ++k) {
                if (qi1 != 0) {
                    const double dM = m_dist_y[i][2][k], dQ = m_dist_x[qi1][qj1][k];
                    const double gf = faceViscosity(dM, dQ, gama[i][2][k], gama[qi1][qj1][k]);
                    const double D = linkConductance(gf, m_ar_y[i][1][k], dM, dQ, p);
                    const Pair c = facePair(flow2[i][1][k], D, p.s);  // Q low, M high
                    as[i][2][k] = c.high;
                    ae[qi1][qj1][k] = c.low;
                }
                if (qi2 != 0) {
                    const double dM = m_dist_y[i][ynumber][k], dQ = m_dist_x[qi2][qj2][k];
                    const double gf = faceViscosity(dM, dQ, gama[i][ynumber][k], gama[qi2][qj2][k]);
                    const double D = linkConductance(gf, m_ar_y[i][ynumber][k], dM, dQ, p);
                    const Pair c = facePair(flow2[i][ynumber][k], D, p.s);  // M low, Q high
                    an[i][ynumber][k] = c.low;
                    ae[qi2][qj2][k] = c.high;
                }
            }
        }
    }
};

}  // namespace

void coeffe_flow() { sevenpoint::wholeGrid<PowerLaw>("coeffe_flow"); }

void coeffe_flowOpenMP(int i_first, int i_last) { sevenpoint::perThread<PowerLaw>(i_first, i_last, "coeffe_flowOpenMP"); }
