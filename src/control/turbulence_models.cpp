#include "control/turbulence_models.h"

#include "control/state.h"

namespace {

using Family = TurbulenceFamily;
using Quantity = TurbulenceQuantity;

constexpr TurbulenceModelRow constantViscosity(int code) {
    return {
        .code = code,
        .name = "constant viscosity",
        .family = Family::ConstantViscosity,
        .transport = {},
        .viscosity = {},
        .diffusion = {},
        .sources = {},
        .walls = {},
        .plane = {},
    };
}

constexpr TurbulenceModelRow unassigned(int code) {
    return {
        .code = code,
        .name = "unassigned: k terms of k-epsilon, bare production for the second equation",
        .family = Family::Unassigned,
        .transport = {.equations = 2},
        .viscosity = {},
        .diffusion = {},
        .sources = {.k = KSource::KEpsilon, .epsilon = EpsilonSource::ProductionOnly},
        .walls = {.second = WallPin::Omega, .bedShear = BedShearRule::FromK},
        .plane = {},
    };
}

constexpr TurbulenceModelRow kRows[kTurbulenceModels] = {
    {
        .code = 0,
        .name = "k-epsilon",
        .family = Family::KEpsilon,
        .transport = {.equations = 2, .earlyPass = true},
        // 1/1.3, the Prandtl number of epsilon
        .viscosity = {.cmuRho = 90.0, .epsilonFactor = 0.7692},
        .diffusion = {},
        .sources = {.k = KSource::KEpsilon,
                    .epsilon = EpsilonSource::Standard,
                    .epsilonFactor = 1.44 * 1.3},
        .walls = {.bedShear = BedShearRule::FromK},
        .plane = {.turbulence = PlaneTurbulence::Standard,
                  .viscosity = PlaneViscosity::KEpsilonManning,
                  .bedShear = BedShearRule::FromK},
    },
    {
        .code = 1,
        .name = "RNG k-epsilon",
        .family = Family::KEpsilon,
        .transport = {.equations = 2, .earlyPass = true, .cmu = 0.085},
        // 1/0.719, the Prandtl number of k and epsilon, taken back by the sources
        .viscosity = {.cmuRho = 85.0, .turbulenceFactor = 1.39},
        .diffusion = {},
        .sources = {.k = KSource::KEpsilon,
                    .kFactor = 0.719,
                    .epsilon = EpsilonSource::Rng,
                    .epsilonFactor = 1.42 * 0.719},
        .walls = {.bedShear = BedShearRule::FromK},
        .plane = {.turbulence = PlaneTurbulence::Rng,
                  .viscosity = PlaneViscosity::KEpsilonManning,
                  .bedShear = BedShearRule::FromK},
    },
    constantViscosity(2),
    {
        .code = 3,
        .name = "constant viscosity, log-law bed shear",
        .family = Family::ConstantViscosity,
        .transport = {},
        .viscosity = {},
        .diffusion = {},
        .sources = {},
        .walls = {.bedShear = BedShearRule::LogLaw},
        .plane = {.bedShear = BedShearRule::LogLaw},
    },
    constantViscosity(4),
    constantViscosity(5),
    constantViscosity(6),
    {
        .code = 7,
        .name = "depth-scaled viscosity from Manning's formula",
        .family = Family::DepthScaled,
        .transport = {},
        .viscosity = {.term = ViscosityTerm::Manning},
        .diffusion = {},
        .sources = {},
        .walls = {.bedShear = BedShearRule::LogLaw},
        .plane = {.viscosity = PlaneViscosity::Manning,
                  .wallLaw = PlaneWallLaw::Manning,
                  .bedShear = BedShearRule::FromK},
    },
    {
        .code = 8,
        .name = "low-Reynolds k-epsilon, damped viscosity",
        .family = Family::KEpsilon,
        .transport = {.equations = 2},
        .viscosity = {.cmuRho = 90.0, .term = ViscosityTerm::WallDamping},
        .diffusion = {},
        .sources = {.k = KSource::KEpsilon,
                    .epsilon = EpsilonSource::Standard,
                    .epsilonFactor = 1.44 * 1.3},
        .walls = {.laminarBed = true},
        .plane = {},
    },
    {
        .code = 9,
        .name = "low-Reynolds k-epsilon, damped viscosity and destruction",
        .family = Family::KEpsilon,
        .transport = {.equations = 2},
        .viscosity = {.cmuRho = 90.0, .term = ViscosityTerm::WallDamping},
        .diffusion = {},
        .sources = {.k = KSource::KEpsilon,
                    .epsilon = EpsilonSource::WallDamped,
                    .epsilonFactor = 1.44 * 1.3},
        .walls = {.laminarBed = true},
        .plane = {},
    },
    constantViscosity(10),
    constantViscosity(11),
    constantViscosity(12),
    constantViscosity(13),
    {
        .code = 14,
        .name = "one-equation model (nu-tilde)",
        .family = Family::OneEquation,
        // the vertical gradient of nu-tilde needs two cell layers
        .transport = {.equations = 1, .first = Quantity::NuTilde, .minLayers = 2},
        .viscosity = {.term = ViscosityTerm::NuTilde},
        .diffusion = {.first = 1.5},
        .sources = {.k = KSource::NuTilde, .kFactor = 0.1355},
        .walls = {.second = WallPin::None},
        .plane = {},
    },
    {
        .code = 15,
        .name = "k-omega, rough-bed omega",
        .family = Family::KOmega,
        .transport = {.equations = 2, .second = Quantity::Omega},
        .viscosity = {.term = ViscosityTerm::KOverOmega},
        .diffusion = {.first = 0.5, .others = 0.5},
        .sources = {.k = KSource::KOmega, .epsilon = EpsilonSource::Omega},
        .walls = {.second = WallPin::Omega,
                  .roughLaws = RoughLawTurbulence::SmoothKBedOmega,
                  .bedShear = BedShearRule::FromK},
        .plane = {},
    },
    {
        .code = 16,
        .name = "k-omega, wall-distance omega",
        .family = Family::KOmega,
        .transport = {.equations = 2, .second = Quantity::Omega},
        .viscosity = {.term = ViscosityTerm::KOverOmega},
        .diffusion = {.first = 0.5, .others = 0.5},
        .sources = {.k = KSource::KOmega, .epsilon = EpsilonSource::Omega},
        .walls = {.second = WallPin::Omega,
                  .roughLaws = RoughLawTurbulence::WallOmega,
                  .bedShear = BedShearRule::FromK},
        .plane = {},
    },
    unassigned(17),
    unassigned(18),
    unassigned(19),
    unassigned(20),
};

constexpr bool rowsInCodeOrder() {
    for (int code = 0; code < kTurbulenceModels; ++code)
        if (kRows[code].code != code) return false;
    return true;
}
static_assert(rowsInCodeOrder(), "every F 24 code has its row at its own index");

constexpr TurbulenceModelRow kUnknown{};

}  // namespace

const TurbulenceModelRow& turbulenceModel(int code) {
    return code >= 0 && code < kTurbulenceModels ? kRows[code] : kUnknown;
}

const TurbulenceModelRow& turbulenceModel() { return turbulenceModel(TurbulenceModel); }
