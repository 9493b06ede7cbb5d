// QUICK coefficients: the convected face value from the upwind cell, the
// downwind cell and the cell behind the upwind one with the weights 0.75,
// 0.375 and -0.125; first-order upwind where the cell behind the upwind cell
// would be a boundary cell; a central diffusion conductance per face.
//
// Walls: as in second-order upwind, the second-neighbour couplings that reach
// across a wall are folded into the first-neighbour ones, and then the
// couplings across the wall faces themselves are cut: nothing, diffusion
// included, passes through a wall face.
#include "equations/second_order.h"

namespace {

using secondorder::Couplings;
using secondorder::Params;

struct Quick {
    static constexpr bool usesR = false;

    static double horizontalD(double A, double dL, double dH, double gL, double gH, const Params& p) {
        return 0.5 * (gL + gH) * p.invSchmidt * A * p.turbMultHor * p.dm / (dL + dH);
    }
    static double verticalD(double A, double dL, double dH, double gL, double gH, const Params& p) {
        return 0.5 * (gL + gH) * p.turbMultVert * p.dm * A * p.invSchmidt / (dL + dH);
    }
    static double verticalArea(int i, int j, int) { return m_armap[i][j]; }

    template <bool Low, bool High>
    static void apply(const Couplings& c, int k, double F, double D, double, double, bool firstPos, bool firstNeg) {
        if (High) c.hL[k] += D;
        if (Low) c.lH[k] += D;
        if (F > 0.0) {
            if (firstPos) {
                if (High) c.hL[k] += F;
                return;
            }
            if (High) {
                c.hL[k] += 0.75 * F;
                c.hLL[k] = -0.125 * F;
            }
            if (Low) {
                c.lLL[k] += 0.125 * F;
                c.lH[k] -= 0.375 * F;
            }
        } else {
            if (firstNeg) {
                if (Low) c.lH[k] -= F;
                return;
            }
            if (High) {
                c.hHH[k] -= 0.125 * F;
                c.hL[k] += 0.375 * F;
            }
            if (Low) {
                c.lH[k] -= 0.75 * F;
                c.lHH[k] = 0.125 * F;
            }
        }
    }
};

}  // namespace

void coeffe_quick() {
    if (!eqk::checkWorkspace("coeffe_quick", true)) return;
    if (xnumber < 2) return;
    secondorder::wholeGrid<Quick>(secondorder::params(), nullptr);
}

// A team that finds the workspace unfit leaves together, before any thread
// writes.
void coeffe_quickOpenMP(int i_first, int i_last) {
    if (eqk::checkWorkspace("coeffe_quickOpenMP", true)) eqk::requireTeam("coeffe_quickOpenMP");
    if (par::faulted()) return;
    secondorder::perThread<Quick>(i_first, i_last, secondorder::params(), nullptr);
}
