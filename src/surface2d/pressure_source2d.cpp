// Pressure force on the columns of the depth-averaged plane (k = 0): the
// pressure differences across each cell along i and j times the cell's face
// area vectors, subtracted from the source of the u or v equation.
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/kernels.h"
#include "surface2d/joints2d.h"
#include "surface2d/surface2d.h"

namespace {

inline double P(int i, int j) { return Pres[i][j][0]; }
inline double P(joints2d::Cell c) { return Pres[c.i][c.j][0]; }

enum class Difference { Forward, Backward, Central };

inline double across(Difference d, double before, double here, double after) {
    switch (d) {
    case Difference::Forward: return after - here;
    case Difference::Backward: return here - before;
    default: return (after - before) / 2.0;
    }
}

// Single block: the first cell of a line or a wall on its low face forward,
// then the last cell or a wall on its high face backward, else central.
Difference lineRule(int m, int last, int wall) {
    if (m == 2 || wall == 1) return Difference::Forward;
    if (m == last || wall == -1) return Difference::Backward;
    return Difference::Central;
}

// Pressure differences of cell (i, j) across it along i and along j.
struct Differences {
    double di, dj;
};

Differences singleBlock(int i, int j) {
    return {across(lineRule(i, xnumber, WallI[i][j][2]), P(i - 1, j), P(i, j), P(i + 1, j)),
            across(lineRule(j, ynumber, WallJ[i][j][2]), P(i, j - 1), P(i, j), P(i, j + 1))};
}

// With attached blocks a block seam counts as the end of its line, and a
// cell next to a join takes its partner across it in place of the missing
// neighbour.
Differences multiBlock(int i, int j) {
    const int Y = ynumber;
    double di;
    const int wi = WallI[i][j][2];
    if (i == 2 || wi == 1) {
        di = P(i + 1, j) - P(i, j);
    } else if (wi == -1 || i == xnumber || ISkjotMB[i] == 1) {
        di = P(i, j) - P(i - 1, j);
    } else if (const joints2d::Cell h = joints2d::hostOf(i, j); !h.none() && (h.j == 2 || h.j == Y)) {
        di = (P(i + 1, j) - P(h)) / 2.0;
    } else {
        di = (P(i + 1, j) - P(i - 1, j)) / 2.0;
    }
    double dj;
    const int wj = WallJ[i][j][2];
    const joints2d::Cell low = joints2d::lowPartner(i), high = joints2d::highPartner(i);
    if (wj == 1) {
        dj = P(i, j + 1) - P(i, j);
    } else if (wj == -1) {
        dj = P(i, j) - P(i, j - 1);
    } else if (j == 2 && !low.none()) {
        dj = (P(i, 3) - P(low)) / 2.0;
    } else if (j == Y && !high.none()) {
        dj = (P(high) - P(i, Y - 1)) / 2.0;
    } else {
        dj = across(lineRule(j, Y, 0), P(i, j - 1), P(i, j), P(i, j + 1));
    }
    return {di, dj};
}

}  // namespace

void pressure_source2D() {
    if (Equation != 1 && Equation != 2) failf(-8, "Error in pressure_source2D, Equation = %d\n", Equation);
    const bool joined = MBNo > 0;
    if (joined) eqk::checkJointTables("pressure_source2D");
    const int c = Equation - 1;  // component of the face vectors along the equation's direction
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const Differences d = joined ? multiBlock(i, j) : singleBlock(i, j);
            double si, sj;
            if (joined) {
                si = m_ar_x[i][j][0] * m_vec_x[i][j][c];
                sj = m_ar_y[i][j][0] * m_vec_y[i][j][c];
            } else {
                si = (m_ar_x[i][j][0] * m_vec_x[i][j][c] + m_ar_x[i - 1][j][0] * m_vec_x[i - 1][j][c]) / 2.0;
                sj = (m_ar_y[i][j][0] * m_vec_y[i][j][c] + m_ar_y[i][j - 1][0] * m_vec_y[i][j - 1][c]) / 2.0;
            }
            source[i][j][0] -= d.di * si + d.dj * sj;
        }
}
