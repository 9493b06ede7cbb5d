// Small formulas shared by the face fluxes, the pressure-gradient source, the
// pressure correction and its corrections.
#pragma once

namespace interp {

// Weight of the low cell L when a cell quantity is carried to the face
// between L and the high cell H: w = h_H / (h_L + h_H), h being the half sizes
// of the two cells normal to the face, so that the nearer cell weighs more.
inline double lowWeight(double hL, double hH) { return hH / (hL + hH); }

// The face value of a cell quantity: w phi_L + (1 - w) phi_H.
inline double atFace(double w, double phiL, double phiH) { return w * phiL + (1.0 - w) * phiH; }

}  // namespace interp

// Doubled pressure differences: each stands for twice the pressure change per
// cell step along a grid line. pm2, pm1, p0, p1, p2 are the values 2 and 1
// cells behind, at, and 1 and 2 cells ahead of the cell.
namespace doubled {

inline double central(double pm1, double p1) { return p1 - pm1; }
inline double forward1(double p0, double p1) { return 2.0 * (p1 - p0); }
inline double backward1(double pm1, double p0) { return 2.0 * (p0 - pm1); }
inline double forward2(double p0, double p1, double p2) { return 4.0 * p1 - 3.0 * p0 - p2; }
inline double backward2(double pm2, double pm1, double p0) { return 3.0 * p0 - 4.0 * pm1 + pm2; }

}  // namespace doubled

// The value at the face between cells P and N of a quantity phi, weighted by
// the half sizes hP, hN of the two cells normal to the face: each cell's value
// by the other cell's half size, so that the nearer cell weighs more.
inline double faceByHalfSizes(double phiP, double phiN, double hP, double hN) {
    return (phiP * hN + phiN * hP) / (hP + hN);
}
