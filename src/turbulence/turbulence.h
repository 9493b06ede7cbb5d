// Turbulence models and wall laws: the eddy viscosity of the equation being
// built and the wall routine of the 3-D flow solver with its resistance laws.
#pragma once

// Slots of the stress store Rstress[s][i][j][k] (allocated only when F 207's
// first value is nonzero or F 220 is above 0):
//  0..8   the tensor of the first algebraic stress model, rows xx xy xz, yx yy yz, zx zy zz;
//  9      the eddy viscosity of the second algebraic stress model, kg/(m s)
//         (density folded in, no molecular part); zero where that model
//         writes nothing, its boundary cells included;
//  10..12 that model's momentum sources of u, v, w;
//  13..21 its stress components.
constexpr int kStressTensorSlot = 0;
constexpr int kStressViscositySlot = 9;
constexpr int kStressSourceSlot = 10;
constexpr int kStressComponentSlot = 13;

// Effective viscosity gama (kg/(m s), molecular 0.001 and ArtEddyVisc
// included) of every cell for the equation now in the workspace (`Equation`,
// set by the caller), its copy gamaV for the k-faces, and the scalar
// diffusivity diff (m2/s). Depends only on the present fields, not on
// earlier calls.
void GammaCalc();

// Depth-scaled viscosity of a rough bed from Manning's formula, kg/(m s):
// 1000 * 0.11 * d * u* with the Manning friction velocity
// u* = 3.132 n |U| / d^(1/6) and the Strickler coefficient n = ks^(1/6) / 26
// (d the length the viscosity scales with, ks the bed roughness, |U| the
// speed; the literals 110, 0.03846, 3.132 and the exponents 0.166667 and
// -0.16667 as the model has them).
double manningEddyViscosity(double d, double ks, double speed);

// ---------------------------------------------------------------------------
// Source terms of the k and epsilon equations (Equation 5 and 6, set by the
// caller after GammaCalc for the same Equation). For every interior cell
// they store the production into `source` (replacing what was there) and
// the destruction coefficient into `wap`, so that wap k is the dissipation
// (density 1000 folded in); Stress keeps the volume times the strain-rate
// invariant. The forms and constants are the source traits of the present
// model's row (control/turbulence_models.h); a model without transport
// equations (F 24 2..7, 10..13) writes nothing. An Equation other than 5
// and 6 (or 6 under the one-equation model 14) logs "Error in turbulence
// calc., Equation = %d" and ends the run with -8; a `boogie` that cannot be
// opened ends it with -3.
// ---------------------------------------------------------------------------
// The whole grid, with the production of the multi-block joint cells.
void turbulence();
// The same for the planes istart..iend of one block, called by every thread
// of a team of NoProcessesSolver threads with its block; the joint step runs
// on thread 0 between two barriers of the team, so that the sources equal
// those of turbulence bit for bit.
void turbulenceOpenMP(int istart, int iend);
// Planes istart..iend without the joint step, with the water density
// wdensity in place of 1000.
void turbulencenew(int istart, int iend);

// The RNG model's C2 (1.68 at eta = 4.38; eta limited to 1e30).
double rngEpsilonC2(double eta);

// ---------------------------------------------------------------------------
// Wall routine. Rewrites the equations of the wall cells of i-planes
// istart..iend (j 2..ynumber, k 2..znumber): clears them and adds one term
// per wall, by the wall-law variant FlagWallAll. Stores sqcmyrho =
// 1000 sqrt(cmy) first, also when istart > iend (then nothing else is done).
// Writes only wap and source of its own planes, so the blocks of a partition
// of 2..xnumber may run concurrently. An equation the chosen law has no
// branch for ends the run with -4 (recorded as a region fault inside a
// parallel region).
// ---------------------------------------------------------------------------
void wallallOpenMP(int istart, int iend);
// The same kernel over i = 2..xnumber.
void wallall();

// The alternative wall routine of F 228 over the i-planes istart..iend:
// the kernel's clearing, then one term per wall with the water density
// wdensity and viscosity wviscosity, by the rough (F 15 0) or the smooth law
// (F 15 5); any other F 15 gives the momentum and k equations no wall term.
// epsilon (omega from model 15 on) is pinned at every wall under every F 15.
// Stores sqcmyrho = wdensity sqrt(cmy) (inside a parallel region the
// dispatcher has stored it). Writes only its own planes; never ends the run.
void wallnew(int istart, int iend);

// The simple wall routine of F 15 1, whole grid, main thread only: each wall
// cell through its nearest wall (ties to i, then j, then k), the bed
// roughness and sediment-reduced kappa for bed-type cells. Values are
// assigned. A `boogie` that cannot be opened ends the run with -3, a wall
// distance below 1e-10 with -8, an Equation other than 1, 2, 3, 5, 6 (and
// below 1) with -4.
void wall();

// The transposed part of the viscous stress of the momentum equation in the
// workspace (Equation 1, 2 or 3; any other Equation: nothing), added to
// `source` as fluxes through every face between two interior cells, with the
// face viscosity the mean gama of its two cells. Whole grid, main thread.
void StressOrt();

// ---------------------------------------------------------------------------
// Wall resistance laws: R, the cell-centre speed over the friction velocity,
// as pure functions of one wall point.
// ---------------------------------------------------------------------------
namespace walllaw {

// One wall seen from its wall cell.
struct Point {
    double y;       // wall distance (m)
    double ks;      // roughness height (m)
    double kappa;   // von Karman constant of this wall
    double ustar;   // friction velocity (m/s)
    double yplus;   // y ustar / nu
    double ksplus;  // ks ustar / nu
};
// A point with y+ and ks+ formed from the friction velocity (nu = 1e-6 m2/s).
Point point(double y, double ks, double kappa, double ustar);
// The same with the kinematic viscosity nu (m2/s): y+ = y u* / nu.
Point point(double y, double ks, double kappa, double ustar, double nu);

// Friction velocity of the smooth law: sqrt(0.3 k*) of the floored k.
double smoothFrictionVelocity(double kstar);
// Laminar friction velocity of the one-equation law, sqrt(nu V / y).
double laminarFrictionVelocity(double speed, double y);

// ln(30 y / ks), floored at 0.01 before the division by kappa.
double logLaw(const Point& p);
// The same with another floor of the logarithm.
double logLaw(const Point& p, double floor);
// The log law with the velocity profiles inside the roughness (y <= ks):
// form 0 is the plain log law; form 1 above the bed-form height continues the
// log law linearly; otherwise a linear profile.
double roughBedLaw(const Point& p, int form, double bedformHeight);
// Viscous sublayer R = y+ below y+ = 11.626, ln(9 y+) / kappa from there.
double smoothLaw(const Point& p);
// Log law on the larger of ks and the smooth-wall roughness 3.33333e-6/u*,
// linear near-wall branch up to y+ = 11.6.
double blendedLaw(const Point& p);
// Smooth, transitional (2.25 <= ks+ <= 90) and rough regimes.
double transitionalLaw(const Point& p);
// The transitional law evaluated at y+ >= 11.7 and scaled linearly towards
// the wall below, without the final bound.
double clippedLawUnbounded(const Point& p);
// clippedLawUnbounded bounded below by 0.025.
double clippedLaw(const Point& p);
// Correction of an unbounded clipped R0 by the bed-normal velocity ratio r
// (bed-normal velocity over u*), r clamped below at rmin; bounded by 0.025.
double bedNormalCorrection(double R0, double r, double rmin);
constexpr double kMomentumNormalMin = -0.1;  // rmin of the momentum law
constexpr double kKNormalMin = -0.06;        // rmin of the k law
// Linear profile up to y+ = max(ks+, 11.7), log law above.
double roughnessLayerLaw(const Point& p);
// One-equation model (u* the laminar friction velocity): the smooth law
// when `smooth`, else the unbounded ln(30 y / ks) / kappa.
double oneEquationLaw(const Point& p, bool smooth);

}  // namespace walllaw
