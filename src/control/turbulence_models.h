// The turbulence models of F 24: one row per code with the traits that the
// reader of `control`, the start-up, the discretisation, the turbulence
// routines and the 3-D and depth-averaged solvers decide by. No routine
// compares the code itself; each asks the row of the present model.
//
// The table is data only (no routine of a higher folder is named in it), so
// that it sits beside the F 24 code it describes: the reader of `control`
// and the start-up read it as well as the solvers.
#pragma once

constexpr int kTurbulenceModels = 21;  // F 24 codes 0..20

enum class TurbulenceFamily {
    ConstantViscosity,  // ArtEddyVisc plus the molecular value, no equations
    DepthScaled,        // the depth-scaled viscosity of Manning's formula
    KEpsilon,           // k and epsilon
    OneEquation,        // nu-tilde alone
    KOmega,             // k and omega
    Unassigned,         // accepted codes without a model of their own (17..20)
};

// What a turbulence field holds: kinen k or nu-tilde, epsilon epsilon or
// omega. The start-up converts its k and epsilon into them.
enum class TurbulenceQuantity { K, NuTilde, Epsilon, Omega };

// The model's own term of the 3-D viscosity, after the k-epsilon term and
// the near-bed damping.
enum class ViscosityTerm {
    None,
    Manning,      // depth-scaled from Manning's formula
    WallDamping,  // the k-epsilon viscosity damped towards the bed
    NuTilde,      // 1000 nu-tilde
    KOverOmega,   // 1000 k / omega
};

// Destruction and model factor of the first 3-D equation (Equation 5).
enum class KSource {
    None,      // no transport equations: the sources write nothing
    KEpsilon,  // wap = rho V eps / k
    NuTilde,   // the gradient term of nu-tilde, no destruction
    KOmega,    // wap = rho V cmy fb omega with the cross-diffusion factor fb
};

// Destruction and model factor of the second 3-D equation (Equation 6).
enum class EpsilonSource {
    None,            // the model has no second equation
    Standard,        // c2 = 1.92
    Rng,             // c2 from the strain parameter eta
    WallDamped,      // c2 = 1.92 damped near the bed
    Omega,           // the omega equation of the k-omega models
    ProductionOnly,  // the bare production, no destruction
};

// The value the wall routines pin in the second equation (the free-slip
// variants 5..10 and the alternative wall routine).
enum class WallPin { None, Epsilon, Omega };

// The turbulence equations under the rough-law variants of F 15 (0, 3, 4, 11).
enum class RoughLawTurbulence {
    Variant,  // the variant's own k and epsilon terms
    // k by the smooth law at every wall, omega pinned at the rough-bed value
    // 0.0025 / ks^2 at k-direction walls only; an equation the group has no
    // branch for is passed over.
    SmoothKBedOmega,
    // the variant's k, omega pinned at sqrt(k) / (0.21908 y) at every wall
    WallOmega,
};

// How the solver renews the bed shear stress of every column.
enum class BedShearRule {
    Unchanged,  // left as it is
    FromK,      // sqcmyrho times k of the bed cells
    LogLaw,     // the rough-wall log law from the bed-cell velocity
};

// The viscosity of the depth-averaged plane.
enum class PlaneViscosity {
    Background,       // ArtEddyVisc plus the molecular value
    Manning,          // plus the depth-scaled Manning term
    KEpsilonManning,  // plus the k-epsilon term and the Manning term
};

// The k and epsilon equations of the depth-averaged plane.
enum class PlaneTurbulence { None, Standard, Rng };

// The bed law of the depth-averaged plane.
enum class PlaneWallLaw { KEpsilon, Manning };

// One turbulence model. The defaults describe a model with a constant
// viscosity and no transport equations; a row states what differs.
struct TurbulenceModelRow {
    int code = -1;
    const char* name = "";
    TurbulenceFamily family = TurbulenceFamily::ConstantViscosity;

    struct Transport {
        // Equations of the 3-D solver: 0 none, 1 the first (kinen) only,
        // 2 the first and the second (epsilon).
        int equations = 0;
        TurbulenceQuantity first = TurbulenceQuantity::K;         // what kinen holds
        TurbulenceQuantity second = TurbulenceQuantity::Epsilon;  // what epsilon holds
        // F 161 2 solves the equations between the momentum equations and
        // the pressure correction (otherwise none are solved under F 161 2).
        bool earlyPass = false;
        // Cell layers the model needs in the vertical (0: no demand); a grid
        // with fewer is refused when `control` is read.
        int minLayers = 0;
        // c_mu that reading F 24 sets in cmy (0: cmy keeps F 286's value).
        double cmu = 0.0;
    } transport;

    struct Viscosity {
        // 1000 c_mu of the k-epsilon term c k^2 / epsilon (0: the model has none).
        double cmuRho = 0.0;
        // Factors on the whole k-epsilon viscosity: for the epsilon equation
        // (Equation 6; also on the stress model's viscosity), and for every
        // Equation of 5 and above (the Prandtl numbers taken into gama).
        double epsilonFactor = 1.0;
        double turbulenceFactor = 1.0;
        ViscosityTerm term = ViscosityTerm::None;
    } viscosity;

    // Factors on every diffusion conductance of the 3-D coefficients.
    struct Diffusion {
        double first = 1.0;   // Equation 5 (k or nu-tilde)
        double others = 1.0;  // every other Equation above 3
    } diffusion;

    struct Sources {
        KSource k = KSource::None;
        double kFactor = 1.0;  // on the production of the first equation
        EpsilonSource epsilon = EpsilonSource::None;
        // c1 of the second equation, with the factor that takes back the
        // viscosity's Prandtl factor.
        double epsilonFactor = 1.0;
    } sources;

    struct Walls {
        WallPin second = WallPin::Epsilon;
        RoughLawTurbulence roughLaws = RoughLawTurbulence::Variant;
        // The laminar bed friction 0.001 A / dz of the momentum equations.
        bool laminarBed = false;
        BedShearRule bedShear = BedShearRule::Unchanged;  // of the 3-D solver
    } walls;

    struct Plane {
        PlaneTurbulence turbulence = PlaneTurbulence::None;
        PlaneViscosity viscosity = PlaneViscosity::Background;
        PlaneWallLaw wallLaw = PlaneWallLaw::KEpsilon;
        BedShearRule bedShear = BedShearRule::Unchanged;  // of the rebuilt field
    } plane;
};

// The row of an F 24 code. The reader of `control` accepts 0..20 only; any
// other code gets the defaults (constant viscosity, no equations).
const TurbulenceModelRow& turbulenceModel(int code);
// The row of the present TurbulenceModel.
const TurbulenceModelRow& turbulenceModel();
