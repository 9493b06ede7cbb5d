// The physics of the bed reference concentration as small pure functions:
// critical shear, hiding, bed-slope factors, grain shear, van Rijn's
// reference concentration, the Rouse factor, the grain sizes of a bed column
// and the bed-form height. The column loops (bedslope.cpp, conc_rijn.cpp)
// read the state and call these.
#pragma once

namespace bedconc {

// Degrees to radians, as the slope parameters are converted.
constexpr double kDegree = 0.017453292222222222;

// ---------------------------------------------------------------------------
// Critical bed shear stress of a flat bed.
// ---------------------------------------------------------------------------
// Constant Shields number: theta_c (s - 1) rho g d (N/m2).
double criticalShearConstant(double shields, double s, double d);
// The Shields curve: critical Shields number at the grain Reynolds number
// u* d / nu (0.6 below 0.2, 0.0624927 above 500).
double shieldsCurve(double reStar);
// Critical shear by the Shields curve, u* = sqrt(0.3 k) from the bed cell's
// turbulent kinetic energy k (m2/s2).
double criticalShearCurve(double s, double d, double kBed);

// Hiding and exposure of class d among the classes size[1..n] with bed
// fractions beta[1..n]: (sum beta d/(dn + d) / sum beta dn/(dn + d))^exponent;
// 1 for a column without bed fractions.
double hidingFactor(const double* beta, const double* size, int n, double d, double exponent);

// ---------------------------------------------------------------------------
// Bed-slope factors of the critical shear.
// ---------------------------------------------------------------------------
// From the bed slope alone: nz the vertical component of the unit bed normal.
double flatSlopeFactor(double nz);

// From the bed slope and the near-bed flow (u, v), with the repose angle
// between tanUp (flow up the slope) and tanDown (flow down it). Form 1 takes
// the slope across the flow, form 3 the same less 10 degrees; at least minDamp.
struct SlopeFlow {
    double nx, ny, nz;  // unit bed normal, pointing up
    double u, v;        // bed-cell velocity
};
double slopeFactorForm(int form, const SlopeFlow& f, double tanUp, double tanDown, double minDamp);

// The five slope formulas of the streamwise and transverse slope angles,
// keyed by their code 1..5; one row each.
struct SlopeParameters {
    int formula;    // 1..5; any other: factor 1
    double midphi;  // degrees: centre of the repose angle
    double delta;   // degrees: half-width of the repose angle
    double eta;     // coefficient of the fallbacks
    double n;       // lift-to-drag ratio (formulas 2 and 5)
};
struct SlopeAngles {
    double beta_s;  // streamwise slope angle (rad)
    double b;       // magnitude of the transverse slope angle (rad)
    double phi;     // repose angle (rad)
};
// Flow direction of the bed-cell velocity (u, v), measured from +x towards
// -y, as its cosine and sine; a still cell gives (1, 0).
struct Direction {
    double cos, sin;
};
Direction flowDirection(double u, double v);
SlopeAngles slopeAngles(const SlopeFlow& f, double midphi, double delta);
// The factor of the formula (negative factors become 0.01), without the
// column range.
double slopeFormula(const SlopeFlow& f, const SlopeParameters& p);

// ---------------------------------------------------------------------------
// Grain shear and van Rijn's reference concentration.
// ---------------------------------------------------------------------------
// Share of the bed shear that acts on the grains, by the roughness option:
// 4, 5 from d90, 6 from d50, every other option 1.
double grainShearFactor(int flagRoughness, double d90, double d50, double ks);

// Inputs of the reference concentration forms.
struct RijnInput {
    double s;      // relative density
    double d;      // grain diameter (m)
    double T;      // transport stage (tau_b mu - tau_c) / tau_c
    double excess; // tau_b mu - tau_c (N/m2)
    double Dstar;  // particle parameter
    double a;      // reference level (m)
    double U;      // near-bed speed (m/s)
    // F 6 and F 83
    double coeff, tstar, dstar;
    double bCoeff, bTstar, bDstar, bD50;
};
// The particle parameter factor: D* = d ((s - 1) g / nu^2)^0.3333.
double dstarFactor(double s);
// One row per form, keyed by its code (F 84).
struct RijnForm {
    int code;
    const char* name;
    double (*conc)(const RijnInput&);
};
// The row of the code; nullptr for a code that selects no form.
const RijnForm* rijnForm(int code);

// Rouse factor of the reference level: depth D, roughness ks, half height of
// the bed cell, fall velocity w, bed-cell turbulent energy k. The factor lies
// in 0.0001..1; 1 when the reference level lies at or above the bed-cell centre.
struct Rouse {
    double z;       // distance of the bed-cell centre above the reference level
    double Z;       // Rouse number
    double r;       // profile ratio (0 when not formed)
    double factor;  // what the concentration is multiplied by
};
Rouse rouseFactor(double D, double ks, double halfBed, double w, double kBed);

// ---------------------------------------------------------------------------
// The bed column: grain sizes, bed forms, roughness.
// ---------------------------------------------------------------------------
// Mean diameter, d50 and d90 of the classes size[1..n] (coarsest first) with
// fractions beta[1..n].
struct GrainSizes {
    double dm, d50, d90;
};
GrainSizes columnGrainSizes(const double* beta, const double* size, int n);

// Bed-form height of a column of depth D with mean diameter dm and mean
// excess ratio Tmean, at most half the layer thickness L and three depths;
// 0 above Tmean 25 and in a dry column.
double bedFormHeight(double D, double dm, double Tmean, double L);

// Roughness of a bed with bed forms of height delta in depth D.
double bedFormRoughness(double d90, double delta, double D);

}  // namespace bedconc
