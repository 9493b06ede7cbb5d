// The turbulence model table: every F 24 code's traits as the models define
// them. Each trait is stated the way the models are described, as the codes
// that hold a value and the value of all others; the test walks every row
// against every trait, and the unknown codes against the "all others" column.
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

using Row = TurbulenceModelRow;

struct Trait {
    const char* name;
    std::function<double(const Row&)> value;
    // The value of the codes listed with it.
    std::vector<std::pair<std::vector<int>, double>> listed;
    double others;  // the value of every other code
    double expected(int code) const {
        for (const auto& [codes, v] : listed)
            for (int c : codes)
                if (c == code) return v;
        return others;
    }
};

template <class E>
double of(E e) {
    return static_cast<double>(e);
}

const std::vector<int> kKEpsilonSources{0, 1, 8, 9, 17, 18, 19, 20};
const std::vector<int> kUnassigned{17, 18, 19, 20};

const std::vector<Trait>& traits() {
    static const std::vector<Trait> t = {
        {"family", [](const Row& m) { return of(m.family); },
         {{{0, 1, 8, 9}, of(TurbulenceFamily::KEpsilon)},
          {{7}, of(TurbulenceFamily::DepthScaled)},
          {{14}, of(TurbulenceFamily::OneEquation)},
          {{15, 16}, of(TurbulenceFamily::KOmega)},
          {kUnassigned, of(TurbulenceFamily::Unassigned)}},
         of(TurbulenceFamily::ConstantViscosity)},
        // Transport equations: 0, 1, 8, 9 and 14 to 20; model 14 only the first.
        {"3-D equations", [](const Row& m) { return m.transport.equations; },
         {{{0, 1, 8, 9, 15, 16, 17, 18, 19, 20}, 2}, {{14}, 1}}, 0},
        {"kinen holds", [](const Row& m) { return of(m.transport.first); },
         {{{14}, of(TurbulenceQuantity::NuTilde)}}, of(TurbulenceQuantity::K)},
        {"epsilon holds", [](const Row& m) { return of(m.transport.second); },
         {{{15, 16}, of(TurbulenceQuantity::Omega)}}, of(TurbulenceQuantity::Epsilon)},
        // F 161 2 moves the equations before the pressure correction for 0 and 1 only.
        {"early pass", [](const Row& m) { return m.transport.earlyPass; }, {{{0, 1}, 1}}, 0},
        {"vertical cell layers needed", [](const Row& m) { return m.transport.minLayers; }, {{{14}, 2}}, 0},
        {"c_mu set by F 24", [](const Row& m) { return m.transport.cmu; }, {{{1}, 0.085}}, 0.0},
        // 1000 c_mu: 90 for 0, 8, 9 and 85 for the RNG model.
        {"k-epsilon viscosity 1000 c_mu", [](const Row& m) { return m.viscosity.cmuRho; },
         {{{0, 8, 9}, 90.0}, {{1}, 85.0}}, 0.0},
        {"viscosity factor of epsilon (1/1.3)", [](const Row& m) { return m.viscosity.epsilonFactor; },
         {{{0}, 0.7692}}, 1.0},
        {"viscosity factor of Equation 5 and above (1/0.719)",
         [](const Row& m) { return m.viscosity.turbulenceFactor; }, {{{1}, 1.39}}, 1.0},
        {"own viscosity term", [](const Row& m) { return of(m.viscosity.term); },
         {{{7}, of(ViscosityTerm::Manning)},
          {{8, 9}, of(ViscosityTerm::WallDamping)},
          {{14}, of(ViscosityTerm::NuTilde)},
          {{15, 16}, of(ViscosityTerm::KOverOmega)}},
         of(ViscosityTerm::None)},
        // The diffusion multiplier: 0.5 for the k-omega models above Equation 3,
        // 1.5 for nu-tilde.
        {"diffusion factor of Equation 5", [](const Row& m) { return m.diffusion.first; },
         {{{15, 16}, 0.5}, {{14}, 1.5}}, 1.0},
        {"diffusion factor of the other Equations above 3", [](const Row& m) { return m.diffusion.others; },
         {{{15, 16}, 0.5}}, 1.0},
        {"k source", [](const Row& m) { return of(m.sources.k); },
         {{kKEpsilonSources, of(KSource::KEpsilon)}, {{14}, of(KSource::NuTilde)}, {{15, 16}, of(KSource::KOmega)}},
         of(KSource::None)},
        {"k production factor", [](const Row& m) { return m.sources.kFactor; }, {{{1}, 0.719}, {{14}, 0.1355}},
         1.0},
        {"epsilon source", [](const Row& m) { return of(m.sources.epsilon); },
         {{{0, 8}, of(EpsilonSource::Standard)},
          {{1}, of(EpsilonSource::Rng)},
          {{9}, of(EpsilonSource::WallDamped)},
          {{15, 16}, of(EpsilonSource::Omega)},
          {kUnassigned, of(EpsilonSource::ProductionOnly)}},
         of(EpsilonSource::None)},
        // c1 = 1.44 with the epsilon Prandtl number 1.3; the RNG model 1.42 with 0.719.
        {"epsilon production factor", [](const Row& m) { return m.sources.epsilonFactor; },
         {{{0, 8, 9}, 1.44 * 1.3}, {{1}, 1.42 * 0.719}}, 1.0},
        // The wall laws pin omega from model 15 on; nu-tilde has no second equation.
        {"wall value of the second equation", [](const Row& m) { return of(m.walls.second); },
         {{{14}, of(WallPin::None)}, {{15, 16, 17, 18, 19, 20}, of(WallPin::Omega)}}, of(WallPin::Epsilon)},
        {"turbulence under the rough laws", [](const Row& m) { return of(m.walls.roughLaws); },
         {{{15}, of(RoughLawTurbulence::SmoothKBedOmega)}, {{16}, of(RoughLawTurbulence::WallOmega)}},
         of(RoughLawTurbulence::Variant)},
        {"laminar bed friction", [](const Row& m) { return m.walls.laminarBed; }, {{{8, 9}, 1}}, 0},
        // 3 and 7 from the log law whatever F 111 says; the k-carrying models from k.
        {"bed shear", [](const Row& m) { return of(m.walls.bedShear); },
         {{{0, 1, 15, 16, 17, 18, 19, 20}, of(BedShearRule::FromK)}, {{3, 7}, of(BedShearRule::LogLaw)}},
         of(BedShearRule::Unchanged)},
        {"plane equations", [](const Row& m) { return of(m.plane.turbulence); },
         {{{0}, of(PlaneTurbulence::Standard)}, {{1}, of(PlaneTurbulence::Rng)}}, of(PlaneTurbulence::None)},
        {"plane viscosity", [](const Row& m) { return of(m.plane.viscosity); },
         {{{0, 1}, of(PlaneViscosity::KEpsilonManning)}, {{7}, of(PlaneViscosity::Manning)}},
         of(PlaneViscosity::Background)},
        {"plane wall law", [](const Row& m) { return of(m.plane.wallLaw); }, {{{7}, of(PlaneWallLaw::Manning)}},
         of(PlaneWallLaw::KEpsilon)},
        {"plane bed shear", [](const Row& m) { return of(m.plane.bedShear); },
         {{{0, 1, 7}, of(BedShearRule::FromK)}, {{3}, of(BedShearRule::LogLaw)}}, of(BedShearRule::Unchanged)},
    };
    return t;
}

class TurbulenceModels : public EngineTest {};

TEST_F(TurbulenceModels, EveryRowHasTheTraitsOfItsModel) {
    for (int code = 0; code < kTurbulenceModels; ++code) {
        const Row& m = turbulenceModel(code);
        EXPECT_EQ(m.code, code);
        EXPECT_STRNE(m.name, "") << code;
        for (const Trait& t : traits())
            EXPECT_EQ(t.value(m), t.expected(code)) << t.name << " of F 24 " << code << " (" << m.name << ")";
        TurbulenceModel = code;
        EXPECT_EQ(&turbulenceModel(), &m) << "the present model's row, F 24 " << code;
    }
    // A code the reader of `control` refuses: a constant viscosity without equations.
    for (int code : {-1, kTurbulenceModels, 99})
        for (const Trait& t : traits()) EXPECT_EQ(t.value(turbulenceModel(code)), t.others) << t.name << " of " << code;
}

// The traits of one row must fit together: the solvers read them apart.
TEST_F(TurbulenceModels, TraitsOfOneRowAgree) {
    for (int code = 0; code < kTurbulenceModels; ++code) {
        const Row& m = turbulenceModel(code);
        const std::string what = std::string("F 24 ") + std::to_string(code) + " (" + m.name + ")";
        // The sources have terms for exactly the equations that are solved.
        EXPECT_EQ(m.sources.k != KSource::None, m.transport.equations >= 1) << what;
        EXPECT_EQ(m.sources.epsilon != EpsilonSource::None, m.transport.equations == 2) << what;
        // The k equation of nu-tilde has its own form; omega has its own equation.
        EXPECT_EQ(m.sources.k == KSource::NuTilde, m.transport.first == TurbulenceQuantity::NuTilde) << what;
        EXPECT_EQ(m.sources.epsilon == EpsilonSource::Omega, m.transport.second == TurbulenceQuantity::Omega) << what;
        // The walls pin nothing in a second equation that is not solved, and
        // omega wherever the field holds omega.
        EXPECT_EQ(m.walls.second == WallPin::None, m.transport.equations == 1) << what;
        if (m.transport.second == TurbulenceQuantity::Omega) {
            EXPECT_EQ(m.walls.second, WallPin::Omega) << what;
        }
        // The early pass solves both equations of a k-epsilon model, as does the plane.
        if (m.transport.earlyPass) {
            EXPECT_EQ(m.transport.equations, 2) << what;
        }
        if (m.plane.turbulence != PlaneTurbulence::None) {
            EXPECT_EQ(m.family, TurbulenceFamily::KEpsilon) << what;
            EXPECT_EQ(m.plane.viscosity, PlaneViscosity::KEpsilonManning) << what;
        }
        // A k-epsilon viscosity needs the k and epsilon of a k-epsilon model.
        EXPECT_EQ(m.viscosity.cmuRho != 0.0, m.family == TurbulenceFamily::KEpsilon) << what;
    }
}

}  // namespace
