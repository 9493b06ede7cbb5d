// Central-difference coefficients: arithmetic-mean face viscosity, no Peclet
// weighting, and half the face flux taken from each side of a face pair.
//
// The low cell of a face gets D - F/2 and the high cell D + F/2, so that,
// as in every scheme, the high cell's coupling minus the low cell's is the
// face flux F; the convected face value is the mean of the two cells.
#include "equations/seven_point.h"

namespace {

using sevenpoint::Pair;
using sevenpoint::Params;

inline Pair centralPair(double F, double D) { return {D - 0.5 * F, D + 0.5 * F}; }

struct Central {
    static constexpr bool writesLinks = false;
    static constexpr bool clearsSecondNeighbours = false;  // scheme number 2: always 7-point

    static Pair horizontal(double A, double dL, double dH, double gL, double gH, double F, const Params& p) {
        const double D = (0.5 * (gL + gH) + p.artDiff) * A * p.turbMultHor * p.dm / ((dL + dH) * p.schmidt);
        return centralPair(F, D);
    }

    // The k-faces k = 2..znumber-1 of column (i, j), with the column's plan
    // area as face area.
    static void verticalColumn(int i, int j, double* low, double* highNext, const Params& p) {
        column(&m_dist_z[i][j][0], &gamaV[i][j][0], &flow3[i][j][0], low, highNext, znumber, m_armap[i][j], p);
    }
    static void column(const double* __restrict d, const double* __restrict g, const double* __restrict F,
                       double* __restrict low, double* __restrict highNext, int zn, double area, const Params p) {
        for (int k = 2; k <= zn - 1; ++k) {
            const double D =
                (0.5 * (g[k] + g[k + 1]) + p.artDiff) * area * p.turbMultVert * p.dm / ((d[k] + d[k + 1]) * p.schmidt);
            const Pair c = centralPair(F[k], D);
            low[k] = c.low;
            highNext[k] = c.high;
        }
    }

    static void links(int, int, const Params&) {}
};

}  // namespace

void coeffe_central() { sevenpoint::wholeGrid<Central>("coeffe_central"); }

void coeffe_centralOpenMP(int i_first, int i_last) {
    sevenpoint::perThread<Central>(i_first, i_last, "coeffe_centralOpenMP");
}
