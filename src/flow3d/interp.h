// Carrying cell quantities to the faces between cells.
#pragma once

// The value at the face between cells P and N of a quantity phi, weighted by
// the half sizes hP, hN of the two cells normal to the face: each cell's value
// by the other cell's half size, so that the nearer cell weighs more.
inline double faceByHalfSizes(double phiP, double phiN, double hP, double hN) {
    return (phiP * hN + phiN * hP) / (hP + hN);
}
