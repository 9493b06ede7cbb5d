#include "control/constants.h"
// Face values of the depth-averaged plane: interpolation to a face, the
// pressure differences across a cell and the Rhie-Chow face flux.
//
// A face lies between a low cell L and a high cell H with half widths dL and
// dH normal to it. Along its line the cells are m-1, m = L, m+1 = H, m+2.
#pragma once

namespace faces2d {

// Linear interpolation to the face: each cell weighted by the other's distance.
inline double interpolate(double vL, double vH, double dL, double dH) { return (vL * dH + vH * dL) / (dL + dH); }

// Interpolation weight of the low cell.
inline double lowWeight(double dL, double dH) { return dH / (dL + dH); }

// Pressure difference across a cell (two cell widths, halved), central.
inline double central(double before, double after) { return (after - before) / 2.0; }
// One-sided at the low cell m from m, m+1, m+2.
inline double forwardAtLow(double pm, double pm1, double pm2) { return (4.0 * pm1 - 3.0 * pm - pm2) / 2.0; }
// One-sided at the high cell m+1 from m-1, m, m+1.
inline double backwardAtHigh(double pmm1, double pm, double pm1) { return (3.0 * pm1 - 4.0 * pm + pmm1) / 2.0; }

// Everything the flux through one face needs.
struct Face {
    double dL, dH;    // half widths of the two cells normal to the face
    double area;      // whole column side
    double nx, ny;    // unit normal towards H
    double WL, WH;    // Rhie-Chow weights of the cells
    double uL, vL, uH, vH;
    double pL, pH;    // pressures of the two cells
    double gL, gH;    // pressure differences across each cell
};

// Mass flux (kg/s) through the face: the interpolated velocity flux plus the
// Rhie-Chow term, the difference between the interpolated cell pressure
// gradients and the face gradient, scaled by |scale| and divided by the
// momentum relaxation.
inline double rhieChowFlux(const Face& f, double scale, double relaxVelocity) {
    const double wL = lowWeight(f.dL, f.dH), wH = 1.0 - wL;
    const double R = scale * f.area * f.area * (wL * f.WL + wH * f.WH) / relaxVelocity *
                     ((wL * f.gL + wH * f.gH) - (f.pH - f.pL));
    const double Q = f.area * ((wL * f.uL + wH * f.uH) * f.nx + (wL * f.vL + wH * f.vH) * f.ny);
    return kWaterDensity * (R + Q);
}

}  // namespace faces2d
