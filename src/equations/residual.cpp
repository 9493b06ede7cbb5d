// Residual: the sum of the absolute cell residuals of the equation in the
// workspace over the interior cells, divided by the equation's normaliser.
// Cells whose residual exceeds the large-residual limit are logged.
#include <omp.h>


#include "equations/kernels.h"
#include "equations/parallel.h"
#include "equations/solve.h"
#include "equations/state.h"
#include "flow3d/state.h"

namespace {

using eqk::Grid3;
using eqk::Neighbours;

enum class Loop { Pressure, Plain7, Joint7, Plain13, Joint13 };

inline double valueAt(const FieldArray<double, 3>& a, int i, int j, int k) {
    return a.isNull() ? 0.0 : a[i][j][k];
}

// The lines of one large residual (one formatted write per line).
void logCell(FILE* log, Loop loop, int i, int j, int k, double r) {
    const double fP = f[i][j][k], src = source[i][j][k], wP = wap[i][j][k];
    if (loop == Loop::Pressure) {
        std::fprintf(log, "Large residual for f(%d,%d,%d,%d)\n", i, j, k, Equation);
        std::fprintf(log, "f = %e, source = %e, wap = %e\n", fP, src, wP);
        return;
    }
    if (loop == Loop::Plain7)
        std::fprintf(log, "Iter: %ld, Large residual for f(%d,%d,%d,%d) : %le\n", Iter, i, j, k, Equation, r);
    else
        std::fprintf(log, "Large residual for f(%d,%d,%d,%d) : %le\n", i, j, k, Equation, r);
    std::fprintf(log, "f = %e, source = %e, wap = %e\n", fP, src, wP);
    std::fprintf(log, "flow3 = %e, flow2 = %e, flow1 = %e\n", valueAt(flow3, i, j, k), valueAt(flow2, i, j, k),
                 valueAt(flow1, i, j, k));
    std::fprintf(log, "xvel = %e, yvel = %e, zvel = %e\n", valueAt(xvel, i, j, k), valueAt(yvel, i, j, k),
                 valueAt(zvel, i, j, k));
}

// Sum over the i-planes from..to of the chosen loop, logging every cell above `limit`.
double planeSum(Loop loop, int from, int to, double limit, FILE* log) {
    const Grid3<double> g = eqk::grid(f);
    double sum = 0.0;
    for (int i = from; i <= to; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const std::int64_t o = eqk::coefOffset(i, j);
            const double* wp = wap.data() + o;
            const double* fc = g.row(i, j);
            if (loop == Loop::Pressure) {
                const double* src = source.data() + o;
                for (int k = 2; k <= znumber; ++k) {
                    const double r = std::fabs(src[k]);
                    if (r > limit) logCell(log, loop, i, j, k, r);
                    sum += r;
                }
                continue;
            }
            const eqk::Coef7 c = eqk::coef7(o);
            const bool joint = loop == Loop::Joint7 || loop == Loop::Joint13;
            const bool p13 = loop == Loop::Plain13 || loop == Loop::Joint13;
            const Neighbours nb =
                joint ? eqk::jointNeighbours(g, i, j, p13 ? eqk::JointRule::PreviousFirst : eqk::JointRule::OwnFirst)
                      : eqk::plainNeighbours(g, i, j);
            if (p13) {
                const eqk::Coef2nd d = eqk::coef2nd(o);
                for (int k = 2; k <= znumber; ++k) {
                    if (!(wp[k] < kFixedValueLimit)) continue;
                    const double r = std::fabs(eqk::residual13(c, d, wp, fc, nb, k));
                    if (r > limit) logCell(log, loop, i, j, k, r);
                    sum += r;
                }
            } else {
                for (int k = 2; k <= znumber; ++k) {
                    if (!(wp[k] < kFixedValueLimit)) continue;
                    const double r = std::fabs(eqk::residual7(c, wp, fc, nb, k));
                    if (r > limit) logCell(log, loop, i, j, k, r);
                    sum += r;
                }
            }
        }
    return sum;
}

// The sum over the interior planes: each plane summed on its own into its
// slot of residualPlanes (by the threads of a region, each over its chunk of
// planes, or on this thread), then the slots added in ascending i here. The
// result is the same bit for bit for every thread count.
double planeSums(Loop loop, double limit, FILE* log, bool threaded) {
    const int n = xnumber - 1;
    residualPlanes.assign(static_cast<std::size_t>(n), 0.0);
    double* slot = residualPlanes.data();
    if (threaded) {
        par::region(NoProcessesSolver, [=] {
            const eqk::Chunk ch = eqk::chunkOf(omp_get_thread_num(), omp_get_num_threads(), n);
            for (int s = ch.s; s < ch.e; ++s) slot[s] = planeSum(loop, s + 2, s + 2, limit, log);
        });
    } else {
        for (int s = 0; s < n; ++s) slot[s] = planeSum(loop, s + 2, s + 2, limit, log);
    }
    double total = 0.0;
    for (int s = 0; s < n; ++s) total += slot[s];
    return total;
}

}  // namespace

void Residual() {
    Log log;  // ends the run with -3 when `boogie` cannot be opened
    eqk::checkEquation("Residual");
    const bool pressure = Equation == 4;
    const bool p13 = !pressure && stencilOf(Equation) == Stencil::Thirteen;
    eqk::checkWorkspace("Residual", p13);
    const int np = NoProcessesSolver;
    Loop loop;
    if (pressure)
        loop = Loop::Pressure;
    else if (MBNo == 0 && np >= 0)
        loop = p13 ? Loop::Plain13 : Loop::Plain7;
    else
        loop = p13 ? Loop::Joint13 : Loop::Joint7;
    if (loop == Loop::Joint7 || loop == Loop::Joint13) eqk::checkJointTables("Residual");

    const int cells = xnumber * ynumber * znumber;
    const double limit = NormResidual[Equation] * InputErrorLimit / static_cast<double>(cells);
    const bool threaded = np >= 1 && (loop == Loop::Pressure || loop == Loop::Plain7 || loop == Loop::Plain13);
    double sum = 0.0;
    if (xnumber >= 2) sum = planeSums(loop, limit, log.file(), threaded);

    if (NormResidual[Equation] < 1e-10) {
        log.write("Error residual not set\n");
        log.close();
        endRun(-8);
    }
    MaxResidual[Equation] = sum / NormResidual[Equation];
}
