// The two algebraic Reynolds-stress models of the momentum equations and the
// cell-centred derivative they share.
//
// Both models evaluate an explicit algebraic stress model cell by cell: the
// stress anisotropy as a tensor polynomial in the strain and rotation tensors
// S and W normalised by the turbulence time scale, its coefficients from the
// root N of the model's cubic equation. They keep their results in the stress
// store Rstress (slot layout in turbulence/turbulence.h and below).
#pragma once

#include <cstdint>

#include "control/fieldarray.h"

// A cell field of doubles [i][j][k] with the shape of the velocity arrays:
// a rank-3 field array or one slot of the stress store.
struct CellField {
    const double* base;
    std::int64_t si, sj;  // strides of i and j (k is contiguous)

    CellField(const FieldArray<double, 3>& a) : base(a.data()), si(a.extent(1) * a.extent(2)), sj(a.extent(2)) {}
    CellField(const fieldarray_detail::View<double, 3>& v) : base(v.p), si(v.stride[0]), sj(v.stride[1]) {}
    double operator()(int i, int j, int k) const { return base[i * si + j * sj + k]; }
};

// First derivative of a cell field at the centre of interior cell (i, j, k)
// in direction dir (1 x, 2 y, 3 z; any other dir gives 0): the Gauss form
// over the cell's faces, each face value the mean of its two cells. Towards
// a wall (WallI/J/K +1 low face, -1 high face) and at the first and last
// interior plane the difference is one-sided into the interior, doubled; the
// low side is tested first. dir 3 uses the vertical difference alone. Pure.
double d_dx(CellField field, int dir, int i, int j, int k);
// The same rule with the direction last.
double DQVrem(CellField field, int i, int j, int k, int dir);

// ---------------------------------------------------------------------------
// First model (F 220 1..9), for the interior planes istart..iend. With
// Equation 1 it first stores the extra anisotropic stress k a / 2 of every
// cell in slots 0..8 (rows xx xy xz, yx yy yz, zx zy zz; F 220 2 with the
// higher terms of the polynomial); for Equation 1, 2, 3 it then subtracts
// the divergence of the stress row of the component, times 1000 and the cell
// volume, from `source`. Any other Equation: nothing. Called per block by the
// whole team, its phases are separated by barriers, so the blocks give the
// whole-grid result bit for bit.
// ---------------------------------------------------------------------------
void ReynoldsStress(int istart, int iend);

// ---------------------------------------------------------------------------
// Second model (F 220 above 9), for the interior planes i_first..i_last:
//  slot 9       effective eddy viscosity times 1000 (kg/(m s));
//  slots 10..12 momentum sources of u, v, w (N): minus 1000 times the cell
//               volume times the divergence of the rows of slots 13..21;
//  slots 13..21 extra anisotropic stress k a, rows xx xy xz, yx yy yz,
//               zx zy zz (slot 16 holds the value of slot 14);
//  slots 0..8   full stress tensor 2k/3 I - 2 nu_t S + k a.
// The last interior plane takes slots 0..8 and 10..12 of the plane before it.
// Reads no slot it writes: a repeated call gives the same values. Needs a
// store of 22 slots. Called per block by the whole team, its phases are
// separated by barriers, so the blocks give the whole-grid result bit for bit.
// ---------------------------------------------------------------------------
void computeStressVrem(int i_first, int i_last);
constexpr int kExplicitStressSlots = 22;

// ---------------------------------------------------------------------------
// The models' coefficients as pure functions of the invariants of the
// normalised strain S and rotation W: II_S = tr(S^2), II_W = tr(W^2) (never
// positive), IV = tr(S W^2), V = tr(S^2 W^2).
// ---------------------------------------------------------------------------
struct StressInvariants {
    double IIS, IIW, IV, V;
};
// The root N of the model's cubic (quasi two-dimensional root with the
// three-dimensional correction) and the coefficients of the polynomial
// a = b3 (W^2 - II_W I/3) + b4 (SW - WS)
//   + b6 (SW^2 + W^2 S - II_W S - 2 IV I/3) + b9 (WSW^2 - W^2 SW),
// b1 that of the eddy viscosity. `sound` is false where N, Q or the
// denominator of the correction is zero or a coefficient is not finite.
struct StressCoefficients {
    double N, b1, b3, b4, b6, b9;
    bool sound;
};
// One algebraic stress model: its coefficients, the literals of the
// isotropic parts of its polynomial, and whether the b6 and b9 terms enter.
struct AlgebraicStressModel {
    StressCoefficients (*coefficients)(const StressInvariants&);
    double third, twoThirds;
    bool higherTerms;
};
// The model of an F 220 value: 1..9 the first model (2 with the higher
// terms), above 9 the second.
const AlgebraicStressModel& algebraicStressModel(int code);
