// Second-order upwind coefficients: the convected face value extrapolated
// linearly from the upwind cell and the cell behind it, weighted by their
// half sizes; first order next to the domain's ends and walls. On a
// multi-block grid the faces at the block joints are second order across the
// joint.
//
// Walls: the second-neighbour couplings that reach across a wall are folded
// into the first-neighbour ones (first order next to the wall), and then the
// couplings across the wall faces themselves are cut, as in the other
// schemes: nothing passes through a wall face.
#include "equations/second_order.h"
#include "grid/state.h"

namespace {

using secondorder::Couplings;
using secondorder::extrapolation;
using secondorder::Params;

struct Sou {
    static constexpr bool usesR = true;

    // Distance-weighted face viscosity, conductance times 1/Schmidt.
    static double horizontalD(double A, double dL, double dH, double gL, double gH, const Params& p) {
        const double gf = eqk::faceViscosity(dL, dH, gL, gH);
        return gf * A * p.turbMultHor * p.dm * p.invSchmidt / (dL + dH);
    }
    static double verticalD(double A, double dL, double dH, double gL, double gH, const Params& p) {
        const double gf = eqk::faceViscosity(dL, dH, gL, gH);
        return gf * A * p.turbMultVert * p.dm * p.invSchmidt / (dL + dH);
    }
    static double verticalArea(int i, int j, int k) { return m_ar_z[i][j][k] * m_vec_z[i][j][k][2]; }

    template <bool Low, bool High>
    static void apply(const Couplings& c, int k, double F, double D, double rPos, double rNeg, bool firstPos,
                      bool firstNeg) {
        if (F > 0.0) {
            if (firstPos) {
                if (High) c.hL[k] += F + D;
                if (Low) c.lH[k] += D;
                return;
            }
            if (High) {
                c.hL[k] += rPos * F + D;
                c.hLL[k] = -(rPos - 1.0) * F;
            }
            if (Low) {
                c.lLL[k] += (rPos - 1.0) * F;
                c.lH[k] += D;
            }
        } else {
            if (firstNeg) {
                if (High) c.hL[k] += D;
                if (Low) c.lH[k] += D - F;
                return;
            }
            if (High) {
                c.hHH[k] -= (rNeg - 1.0) * F;
                c.hL[k] += D;
            }
            if (Low) {
                c.lH[k] += D - rNeg * F;
                c.lHH[k] = (rNeg - 1.0) * F;
            }
        }
    }
};

// Couplings of single cells, as rows indexed by k.
Couplings cellCouplings(double* hL, double* hLL, double* hHH, double* lLL, double* lH, double* lHH) {
    return {hL, hLL, hHH, lLL, lH, lHH};
}

// The faces around the joint of host column i on side j = 1: the link face
// between the joint cell Q and the host cell M = (i,2), the j-face between M
// and (i,3), and the i-face between Q and the cell after it. When the joint
// row is the grid's last row that i-face is the outflow boundary face, which
// keeps its convection-only couplings (and has no cells behind it to read).
void lowLinkGroup(int i, const Params& p) {
    const int qa = Pj1MultiBlock[i][0], qj = Pj1MultiBlock[i][1];
    const Couplings link = cellCouplings(&as[i][2][0], &ass[i][2][0], &an[i][2][0], &aw[qa][qj][0], &ae[qa][qj][0],
                                         &aee[qa][qj][0]);
    const Couplings face2 = secondorder::jFace(i, 2);
    const Couplings partner = secondorder::iFace(qa, qj);
    const bool lastRow = qa == xnumber;
    for (int k = 2; k <= znumber; ++k) {
        const double dQ = m_dist_x[qa][qj][k], dQQ = m_dist_x[qa + 1][qj][k];
        const double dM = m_dist_y[i][2][k], dM2 = m_dist_y[i][3][k], dM3 = m_dist_y[i][4][k];
        const double gQ = gama[qa][qj][k], gQQ = gama[qa + 1][qj][k], gM = gama[i][2][k], gM2 = gama[i][3][k];
        Sou::apply<true, true>(link, k, flow2[i][1][k], Sou::horizontalD(m_ar_y[i][1][k], dQ, dM, gQ, gM, p),
                               extrapolation(dQ, dQQ), extrapolation(dM, dM2), false, false);
        Sou::apply<true, true>(face2, k, flow2[i][2][k], Sou::horizontalD(m_ar_y[i][2][k], dM, dM2, gM, gM2, p),
                               extrapolation(dM, dQ), extrapolation(dM2, dM3), false, false);
        if (lastRow) continue;
        Sou::apply<true, true>(partner, k, flow1[qa][qj][k],
                               Sou::horizontalD(m_ar_x[qa][qj][k], dQ, dQQ, gQ, gQQ, p), extrapolation(dQ, dM),
                               extrapolation(dQQ, m_dist_x[qa + 2][qj][k]), false, false);
    }
}

// The same on side j = ynumber: link face between M = (i, ynumber) and Q,
// j-face between (i, ynumber-1) and M, i-face between Q and the cell after it.
void highLinkGroup(int i, const Params& p) {
    const int qa = Pj2MultiBlock[i][0], qj = Pj2MultiBlock[i][1];
    const int Y = ynumber;
    const Couplings link = cellCouplings(&ae[qa][qj][0], &aee[qa][qj][0], &aw[qa][qj][0], &as[i][Y][0], &an[i][Y][0],
                                         &ann[i][Y][0]);
    const Couplings faceY1 = secondorder::jFace(i, Y - 1);
    const Couplings partner = secondorder::iFace(qa, qj);
    const bool lastRow = qa == xnumber;
    for (int k = 2; k <= znumber; ++k) {
        const double dQ = m_dist_x[qa][qj][k], dQQ = m_dist_x[qa + 1][qj][k];
        const double dM = m_dist_y[i][Y][k], dM2 = m_dist_y[i][Y - 1][k], dM3 = m_dist_y[i][Y - 2][k];
        const double gQ = gama[qa][qj][k], gQQ = gama[qa + 1][qj][k], gM = gama[i][Y][k], gM2 = gama[i][Y - 1][k];
        Sou::apply<true, true>(link, k, flow2[i][Y][k], Sou::horizontalD(m_ar_y[i][Y][k], dM, dQ, gM, gQ, p),
                               extrapolation(dM, dM2), extrapolation(dQ, dQQ), false, false);
        Sou::apply<true, true>(faceY1, k, flow2[i][Y - 1][k],
                               Sou::horizontalD(m_ar_y[i][Y - 1][k], dM2, dM, gM2, gM, p), extrapolation(dM2, dM3),
                               extrapolation(dM, dQ), false, false);
        if (lastRow) continue;
        Sou::apply<true, true>(partner, k, flow1[qa][qj][k],
                               Sou::horizontalD(m_ar_x[qa][qj][k], dQ, dQQ, gQ, gQQ, p), extrapolation(dQ, dM),
                               extrapolation(dQQ, m_dist_x[qa + 2][qj][k]), false, false);
    }
}

// The horizontal faces of a multi-block grid. The i-faces next to a joint row
// are left out (its couplings come from the link groups); a face whose
// downstream second cell lies in a joint row is first order.
void multiBlockFaces(const Params& p) {
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (Pi1MultiBlock[i][j][0] != 0 || Pi1MultiBlock[i + 1][j][0] != 0) continue;
            secondorder::faceRow<Sou, true, true>(
                secondorder::iFace(i, j), &flow1[i][j][0], &m_ar_x[i][j][0], &m_dist_x[i - 1][j][0],
                &m_dist_x[i][j][0], &m_dist_x[i + 1][j][0], &m_dist_x[i + 2][j][0], &gama[i][j][0], &gama[i + 1][j][0],
                i == 2, i == xnumber - 1 || Pi1MultiBlock[i + 2][j][0] != 0, p);
        }
    secondorder::inflowIFace();
    secondorder::outflowIFace();
    for (int i = 2; i <= xnumber; ++i) {
        const bool low = Pj1MultiBlock[i][0] != 0, high = Pj2MultiBlock[i][0] != 0;
        for (int j = 2; j <= ynumber - 1; ++j) {
            if (j == 2 && low)
                lowLinkGroup(i, p);
            else if (j == ynumber - 1 && high)
                highLinkGroup(i, p);
            else
                secondorder::plainJFace<Sou>(i, j, p);
        }
        if (!low) secondorder::lowJFace(i);
        if (!high) secondorder::highJFace(i);
    }
}

}  // namespace

void coeffe_SOU() {
    { Log log; }  // ends the run with -3 when `boogie` cannot be opened
    if (!eqk::checkWorkspace("coeffe_SOU", true)) return;
    if (xnumber < 2) return;
    if (MBNo != 0 && !eqk::checkJointTables("coeffe_SOU")) return;
    secondorder::wholeGrid<Sou>(secondorder::params(), multiBlockFaces);
}

// On a multi-block grid the thread numbered 0 computes every horizontal face.
// A team that finds the workspace unfit leaves together, before any thread
// writes.
void coeffe_SOUOpenMP(int i_first, int i_last) {
    if (eqk::checkWorkspace("coeffe_SOUOpenMP", true) && eqk::requireTeam("coeffe_SOUOpenMP") &&
        omp_get_thread_num() == 0) {
        { Log log; }
        if (MBNo != 0) eqk::checkJointTables("coeffe_SOUOpenMP");
    }
    if (par::faulted()) return;
    secondorder::perThread<Sou>(i_first, i_last, secondorder::params(), multiBlockFaces);
}
