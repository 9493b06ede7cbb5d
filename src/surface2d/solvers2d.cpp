// Solvers of the five-point equation of the depth-averaged plane
//   wap f = ae f(i-1) + aw f(i+1) + as f(j-1) + an f(j+1) + source
// and its residual. With attached blocks the neighbours follow the joins.
#include <cmath>
#include <cstdint>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/kernels.h"
#include "flow3d/flow3d.h"
#include "surface2d/joints2d.h"
#include "surface2d/surface2d.h"

using joints2d::Around;
using joints2d::Cell;

namespace {

inline double valueAt(Cell c) { return f[c.i][c.j][0]; }

// One Gauss-Seidel update of cell (i, j).
template <bool Joined, bool Flush>
inline void update(int i, int j) {
    const Around n = joints2d::around(i, j, Joined);
    const double v = (ae[i][j][0] * valueAt(n.w) + aw[i][j][0] * valueAt(n.e) + an[i][j][0] * valueAt(n.n) +
                      as[i][j][0] * valueAt(n.s) + source[i][j][0]) *
                     iAp[i][j][0];
    f[i][j][0] = Flush ? eqk::flushed(v) : v;
}

template <bool Joined, bool Flush>
void sweepPairs() {
    const int X = xnumber, Y = ynumber;
    for (int it = 1; it <= GaussIter; ++it) {
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) update<Joined, Flush>(i, j);
        for (int i = X; i >= 2; --i)
            for (int j = Y; j >= 2; --j) update<Joined, Flush>(i, j);
    }
}

// Signed residual of cell (i, j): source - wap f + the neighbour terms, the
// second neighbours included for the 13-point stencil.
inline double signedResidual(int i, int j, bool joined, bool p13) {
    const Around n = joints2d::around(i, j, joined);
    double r = source[i][j][0] - wap[i][j][0] * f[i][j][0] + ae[i][j][0] * valueAt(n.w) + aw[i][j][0] * valueAt(n.e) +
               as[i][j][0] * valueAt(n.s) + an[i][j][0] * valueAt(n.n);
    if (p13)
        r += aee[i][j][0] * valueAt(n.ww) + aww[i][j][0] * valueAt(n.ee) + ass[i][j][0] * valueAt(n.ss) +
             ann[i][j][0] * valueAt(n.nn);
    return r;
}

// The block correction's 13-point test: a scheme other than 0 and 2 with
// second-neighbour arrays.
bool secondNeighbours() { return sou[Equation] != 0 && sou[Equation] != 2 && !aee.isNull(); }

}  // namespace

void WaterGaussSeidel2D() {
    eqk::checkWorkspace("WaterGaussSeidel2D", false);
    if (MBNo != 0) {
        eqk::checkJointTables("WaterGaussSeidel2D");
        sweepPairs<true, false>();
    } else if (FlagUnderflow != 0) {
        sweepPairs<false, true>();
    } else {
        sweepPairs<false, false>();
    }
}

void BlockCorrection2D() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    eqk::checkEquation("BlockCorrection2D");
    const bool p13 = secondNeighbours();
    eqk::checkWorkspace("BlockCorrection2D", p13);
    eqk::checkLineVectors("BlockCorrection2D");
    const bool joined = MBNo > 0;
    if (joined) eqk::checkJointTables("BlockCorrection2D");
    const int X = xnumber, Y = ynumber;
    pt[1] = qt[1] = 0.0;
    for (int i = 2; i <= X; ++i) {
        double B = 0.0, A = 0.0, C = 0.0, R = 0.0;
        for (int j = 2; j <= Y; ++j) {
            const double wP = wap[i][j][0];
            if (Equation == 6 || !(wP < kFixedValueLimit)) continue;
            double b = wP;
            if (j != Y) b -= an[i][j][0];
            if (j != 2) b -= as[i][j][0];
            B += b;
            A += ae[i][j][0];
            C += aw[i][j][0];
            R += signedResidual(i, j, joined, p13);
        }
        double d = B - A * pt[i - 1];
        if (std::fabs(d / (B + 1e-20)) < 1e-10) d = 1e30;
        pt[i] = C / d;
        qt[i] = (A * qt[i - 1] + R) / d;
    }
    double c = 0.0;
    for (int i = X; i >= 2; --i) {
        c = c * pt[i] + qt[i];
        for (int j = 2; j <= Y; ++j) f[i][j][0] += c;
    }
}

void Residual2D() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    eqk::checkWorkspace("Residual2D", false);
    const bool joined = MBNo > 0;
    if (joined) eqk::checkJointTables("Residual2D");
    const std::int64_t cells = static_cast<std::int64_t>(xnumber) * ynumber * znumber;
    const double limit = NormResidual[Equation] * InputErrorLimit / static_cast<double>(cells);
    double sum = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double fP = f[i][j][0], src = source[i][j][0], wP = wap[i][j][0];
            if (Equation == 4) {
                const double r = std::fabs(src);
                if (r > limit) {
                    log.printf("Large residual for f(%d,%d,%d,%d)\n", i, j, 0, Equation);
                    log.printf("f = %e, source = %e, wap = %e\n", fP, src, wP);
                }
                sum += r;
                continue;
            }
            if (!(wP < kFixedValueLimit)) continue;
            const Around n = joints2d::around(i, j, joined);
            const double r = std::fabs(ae[i][j][0] * valueAt(n.w) + aw[i][j][0] * valueAt(n.e) +
                                       as[i][j][0] * valueAt(n.s) + an[i][j][0] * valueAt(n.n) + src - wP * fP);
            if (r > limit) {
                if (joined) {
                    log.printf("Large residual for f(%d,%d,%d,%d) : %le\n", i, j, 0, Equation, r);
                    log.printf("f = %e, source = %e, wap = %e\n", fP, src, wP);
                    log.printf("flow2 = %e, flow1 = %e\n", flow2[i][j][0], flow1[i][j][0]);
                } else {
                    log.printf("Iter: %ld, Large residual for f(%d,%d,%d,%d) : %le\n", Iter, i, j, 0, Equation, r);
                    log.printf("f = %e, source = %e, wap = %e\n", fP, src, wP);
                }
                log.printf("xvel = %e, yvel = %e\n", xvel[i][j][0], yvel[i][j][0]);
            }
            sum += r;
        }
    if (NormResidual[Equation] < 1e-10) {
        log.write("Error residual not set\n");
        log.close();
        endRun(-8);
    }
    MaxResidual[Equation] = sum / NormResidual[Equation];
}
