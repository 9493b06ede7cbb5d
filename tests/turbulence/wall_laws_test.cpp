// The wall resistance laws at their branch edges, one table. Expected values
// are the textbook forms of each branch written out with their constants.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "turbulence/turbulence.h"
#include "control/state.h"
#include "sediment/state.h"

using namespace walllaw;

namespace {

// A point with y+ and ks+ given directly, so that a branch edge is hit exactly.
Point at(double yplus, double ksplus, double kappa = 0.4, double y = 0.01, double ks = 0.002, double ustar = 0.05) {
    return {y, ks, kappa, ustar, yplus, ksplus};
}

struct LawCase {
    const char* name;
    std::function<double()> law;
    double expected;
    friend void PrintTo(const LawCase& c, std::ostream* os) { *os << c.name; }
};

double L(double x) { return std::log(x); }
// The transitional roughness function at wall units Y.
double cebeci(double Y, double ksplus, double kappa) {
    return L(Y) / kappa + 5.5 + (3.0 - L(ksplus) / kappa) * std::sin(0.4258 * (L(ksplus) - 0.811));
}

const LawCase kCases[] = {
    // Log law: the logarithm is floored at 0.01 before the division.
    {"log_law", [] { return logLaw(point(0.1, 0.03, 0.4, 0.05)); }, L(100.0) / 0.4},
    {"log_law_floored", [] { return logLaw(point(0.001005 / 30 * 1.0, 0.001, 0.4, 0.05)); }, 0.025},
    {"log_law_floored_reduced_kappa", [] { return logLaw(point(0.0005, 0.1, 0.2, 0.05)); }, 0.05},
    // Profiles inside the roughness (y <= ks) by the form of F 150.
    {"form0_inside_roughness_is_log_law", [] { return roughBedLaw(point(0.05, 0.1, 0.4, 0.05), 0, 0.0); },
     L(15.0) / 0.4},
    {"form2_linear_whatever_bedforms", [] { return roughBedLaw(point(0.05, 0.1, 0.4, 0.05), 2, 0.01); },
     3.4 * 0.05 / (0.1 * 0.4)},
    {"form1_below_bedform_height_linear", [] { return roughBedLaw(point(0.05, 0.1, 0.4, 0.05), 1, 0.05); },
     3.4 * 0.05 / (0.1 * 0.4)},
    {"form1_above_bedform_height", [] { return roughBedLaw(point(0.05, 0.1, 0.4, 0.05), 1, 0.04); },
     (0.5 - 1.0) * 0.135 + 3.4 / 0.4},
    {"form1_at_ks_is_profile", [] { return roughBedLaw(point(0.1, 0.1, 0.4, 0.05), 1, 0.0); }, 3.4 / 0.4},
    {"form2_above_ks_is_log_law", [] { return roughBedLaw(point(0.2, 0.1, 0.4, 0.05), 2, 0.0); }, L(60.0) / 0.4},
    {"form2_floored", [] { return roughBedLaw(point(1e-5, 0.1, 0.4, 0.05), 2, 0.0); }, 0.01},
    // Smooth law: R = y+ below 11.626, ln(9 y+)/kappa from there (kappa 0.3
    // keeps the branches apart at the edge).
    {"smooth_at_edge_is_log", [] { return smoothLaw(at(11.626, 0, 0.3)); }, L(9 * 11.626) / 0.3},
    {"smooth_below_edge_is_sublayer", [] { return smoothLaw(at(11.625, 0, 0.3)); }, 11.625},
    // y+ = y u* / nu with another viscosity: exactly 11.626 with u* = nu = 1.
    {"smooth_with_viscosity_at_edge_is_log", [] { return smoothLaw(point(11.626, 0.0, 0.3, 1.0, 1.0)); },
     L(9 * 11.626) / 0.3},
    {"yplus_with_viscosity", [] { return point(0.02, 0.002, 0.4, 0.05, 2e-6).yplus; }, 500.0},
    // The log law with another floor of the logarithm (the simple law's 1).
    {"log_law_floor_one", [] { return logLaw(point(0.001, 0.1, 0.4, 0.05), 1.0); }, 2.5},
    {"log_law_above_floor_one", [] { return logLaw(point(0.1, 0.03, 0.4, 0.05), 1.0); }, L(100.0) / 0.4},
    // Blended law.
    {"blended_at_11_6_near_wall", [] { return blendedLaw(at(11.6, 0, 0.4, 11.6e-6 / 0.05, 0.002, 0.05)); },
     L(30.0) / 0.4},
    {"blended_near_wall_floored", [] { return blendedLaw(at(5, 0, 0.4, 0.01, 0.002, 0.05)); }, 5 / (11.6 * 0.4) * 0.01},
    {"blended_smooth_wall_above", [] { return blendedLaw(at(500, 0, 0.4, 0.01, 1e-6, 0.05)); },
     L(30 * 0.01 / (3.33333e-6 / 0.05)) / 0.4},
    {"blended_rough_wall_above", [] { return blendedLaw(at(500, 0, 0.4, 0.01, 0.002, 0.05)); }, L(150.0) / 0.4},
    // Transitional law.
    {"transitional_ksplus_2_25", [] { return transitionalLaw(at(50, 2.25)); }, cebeci(50, 2.25, 0.4)},
    {"transitional_ksplus_90", [] { return transitionalLaw(at(50, 90)); }, cebeci(50, 90, 0.4)},
    {"transitional_just_above_90_rough", [] { return transitionalLaw(at(50, 90.000001, 0.4, 0.01, 0.002)); },
     L(150.0) / 0.4},
    {"transitional_smooth_at_11_7_log", [] { return transitionalLaw(at(11.7, 1.0)); }, L(9 * 11.7) / 0.4},
    {"transitional_smooth_below_11_7", [] { return transitionalLaw(at(11.69, 1.0)); }, 11.69},
    {"transitional_rough_bounded", [] { return transitionalLaw(at(50, 100, 0.4, 0.001, 0.1)); }, 0.025},
    // Clipped transitional law.
    {"clipped_at_11_7_smooth_no_scaling", [] { return clippedLaw(at(11.7, 1.0)); }, L(9 * 11.7) / 0.4},
    {"clipped_y5_smooth", [] { return clippedLaw(at(5, 1.0)); }, L(9 * 11.7) / 0.4 * 5 / 11.7},
    {"clipped_at_11_7_rough_uses_ye", [] { return clippedLaw(at(11.7, 200, 0.4, 0.01, 0.002, 0.05)); },
     L(30 * (11.7e-6 / 0.05) / 0.002) / 0.4},
    {"clipped_y5_transitional", [] { return clippedLaw(at(5, 30)); }, cebeci(11.7, 30, 0.4) * 5 / 11.7},
    {"clipped_bounded", [] { return clippedLaw(at(0.01, 1.0)); }, 0.025},
    // Bed-normal correction, applied to R0 before the bound.
    {"normal_r_0_4", [] { return bedNormalCorrection(10.0, 0.4, kMomentumNormalMin); }, 10.0 + 0.1 * 100.0},
    {"normal_r_0_2", [] { return bedNormalCorrection(10.0, 0.2, kMomentumNormalMin); }, 10.0 + 0.05 * 100.0},
    {"normal_r_minus1_momentum", [] { return bedNormalCorrection(10.0, -1.0, kMomentumNormalMin); },
     10.0 - 0.025 * 100.0},
    {"normal_r_minus1_k", [] { return bedNormalCorrection(10.0, -1.0, kKNormalMin); }, 10.0 - 0.015 * 100.0},
    {"normal_parallel_flow", [] { return bedNormalCorrection(7.5, 0.0, kMomentumNormalMin); }, 7.5},
    {"normal_bounded", [] { return bedNormalCorrection(0.01, -1.0, kMomentumNormalMin); }, 0.025},
    // Roughness-layer law at ks+ = 5: linear up to y+ = 11.7.
    {"roughness_layer_y5", [] { return roughnessLayerLaw(at(5, 5)); }, 5 / 11.7 * L(30 * 11.7 / 5) / 0.4},
    {"roughness_layer_at_top_linear", [] { return roughnessLayerLaw(at(11.7, 5)); }, L(30 * 11.7 / 5) / 0.4},
    {"roughness_layer_above", [] { return roughnessLayerLaw(at(12, 5, 0.4, 0.01, 0.002)); }, L(150.0) / 0.4},
    {"roughness_layer_rough_top_at_ksplus", [] { return roughnessLayerLaw(at(20, 40)); },
     20.0 / 40.0 * L(30.0) / 0.4},
    // One-equation law (laminar friction velocity).
    {"one_equation_smooth_sublayer",
     [] { return oneEquationLaw(point(0.001, 0, 0.4, laminarFrictionVelocity(0.04, 0.001)), true); },
     0.001 * 1e6 * std::sqrt(1e-6 * 0.04 / 0.001)},
    {"one_equation_smooth_log",
     [] { return oneEquationLaw(point(0.01, 0, 0.4, laminarFrictionVelocity(1.0, 0.01)), true); },
     L(9 * 0.01 * 1e6 * std::sqrt(1e-4)) / 0.4},
    {"one_equation_log_unbounded", [] { return oneEquationLaw(point(0.001, 0.3, 0.4, 0.01), false); },
     L(0.1) / 0.4},
    {"one_equation_log_zero_at_ks_over_30", [] { return oneEquationLaw(point(0.01, 0.3, 0.4, 0.01), false); }, 0.0},
};

class ResistanceLaw : public ::testing::TestWithParam<LawCase> {};

TEST_P(ResistanceLaw, Value) {
    const LawCase& c = GetParam();
    EXPECT_NEAR(c.law(), c.expected, 1e-12 * std::max(1.0, std::fabs(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(Laws, ResistanceLaw, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
