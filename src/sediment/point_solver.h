// Kernels of the sediment point solvers: Gauss-Seidel sweeps and the plane
// correction of the sediment equation of fraction `indexl` (coeffe_setup,
// coeffe_setup2) over the levels kFirst..znumber of the interior columns:
// kFirst 3 solves the suspended cells with the bed cell as a boundary value,
// kFirst 2 the bed cell too. Cells outside that range enter as neighbour
// values only.
#pragma once

#include <cmath>
#include <cstdint>

#include "equations/kernels.h"
#include "sediment/state.h"

namespace sedk {

// The concentration of fraction l as a rank-3 grid (its own strides).
inline eqk::Grid3<double> concGrid(int l) {
    return {conc.data() + conc.offset(l), conc.extent(2) * conc.extent(3), conc.extent(3)};
}

// The coefficient rows of fraction l at column (i, j), indexed by k.
struct Rows {
    const double *ae, *aw, *as, *an, *ab, *at, *ap, *src;
    const double *aee, *aww, *ass, *ann, *cabb, *catt;  // 13-point stencil only
};
inline Rows rows(int l, int i, int j, bool secondNeighbours) {
    const std::int64_t o = eqk::coefOffset(i, j);
    const std::int64_t s = ap.offset(l, i, j);
    Rows r{ae.data() + o, aw.data() + o, as.data() + o, an.data() + o,
           ab.data() + s, at.data() + s, ap.data() + s, source.data() + o,
           nullptr,       nullptr,       nullptr,       nullptr,       nullptr, nullptr};
    if (secondNeighbours) {
        r.aee = aee.data() + o;
        r.aww = aww.data() + o;
        r.ass = ass.data() + o;
        r.ann = ann.data() + o;
        r.cabb = cabb.data() + s;
        r.catt = catt.data() + s;
    }
    return r;
}

// The store of a point update: in the flushing sweeps a magnitude below
// 1e-100 becomes exactly 0.
template <bool Flush>
inline double flushed(double v) {
    return Flush && std::fabs(v) < 1e-100 ? 0.0 : v;
}

// Whether the sediment equation of `indexl` can be solved: the fraction
// exists and every array the stencil reads covers the grid. A caller's
// inconsistency ends the run with -8 and a line in `boogie`.
void checkSedimentEquation(const char* who, bool thirteenPoint);

// `repetitions` times the sweeps of the variant that SedimentScheme and MBNo
// choose; the single-block 7-point variant zeroes the solid boxes and applies
// the kblok factor (FlagTFS) before each repetition.
void sedimentSweeps(int kFirst, int repetitions);

// The solid boxes (G 13) of fraction l at 0, whatever their type, in the
// part of each box that lies in levels kLo..kHi (clipped to the field).
void zeroSolidBoxes(int l, int kLo, int kHi);

// The cells of fraction l that take no sediment at 0: every solid box (G 13)
// whatever its type and wherever it reaches, and, when FlagTFS is set, the
// suspended cells (levels 3..znumber) of the columns that kblok blocks.
void zeroBlockedCells(int l);

// One additive correction per j-, k- and i-plane of the solved cells.
void sedimentBlockCorrection(int kFirst);

}  // namespace sedk
