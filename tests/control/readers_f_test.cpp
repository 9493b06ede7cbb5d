// The F data sets of `control`: what each reader rejects, with its exit code
// and the exact text that ends `boogie`, and what the readers store.
#include <cmath>
#include <cstring>
#include <functional>

#include "control/readers.h"
#include "control/reader_fixture.h"

using namespace quird_test;

namespace {

struct Rejected {
    const char* name;
    const char* control;
    int exitCode;
    const char* tail;  // the end of `boogie`
    friend void PrintTo(const Rejected& r, std::ostream* os) { *os << r.name; }
};

class RejectedDataSet : public ReaderTest, public ::testing::WithParamInterface<Rejected> {};

TEST_P(RejectedDataSet, EndsTheRunWithItsMessage) {
    const Rejected& r = GetParam();
    EXPECT_EQ(read(r.control), r.exitCode);
    EXPECT_TRUE(boogieEndsWith(r.tail)) << "boogie:\n" << boogie();
    // Nothing after the message: the run ended in the first pass.
    EXPECT_EQ(boogie().find("In osiio1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    F1to99, RejectedDataSet,
    ::testing::Values(
        Rejected{"F4_relaxation", "F 4 10.5 500 1e-5\n", 1, "Error for F 4 in control"},
        Rejected{"F4_two_of_three_fields", "F 4 0.5 500\nF 20 2\n", 1, "Error for F 4 in control"},
        Rejected{"F5", "F 5 100.5\n", 1, "Error for F 5 in control"},
        Rejected{"F7_letter_S", "F 7 NS\n", -1, "Error for F 7 data set in control file\n"},
        Rejected{"F7_letter_F", "F 7 F\n", -1, "Error for F 7 data set in control file\n"},
        Rejected{"F8", "F 8 1.01\n", 1, "Error for F 8 in control"},
        Rejected{"F9", "F 9 0.09\n", 1, "Error for F 9 in control"},
        Rejected{"F10_unknown_formula", "F 10 Q\n", 1, "Error for F 10 in control"},
        Rejected{"F11_density", "F 11 0.9 0.047\n", 1, "Error for F 11 in control"},
        Rejected{"F11_shields", "F 11 2.65 0.11\n", 1, "Error for F 11 in control"},
        Rejected{"F12_zero", "F 12 0\n", 1, "Error for F 12 in control"},
        Rejected{"F13", "F 13 5.5\n", 1, "Error for F 13 in control"},
        Rejected{"F14", "F 14 -1\n", 1, "Error for F 14 in control"},
        Rejected{"F15_negative", "F 15 -1\n", 1, "Error for F 15 in control"},
        Rejected{"F15_above", "F 15 21\n", 1, "Error for F 15 in control"},
        // Rule of kept values: the default -2.0 itself lies outside the range.
        Rejected{"F16_word_keeps_default", "F 16 rough\n", 1, "Error for F 16 in control"},
        Rejected{"F17", "F 17 1e-11\n", 1, "Error for F 17 in control"},
        Rejected{"F18_default_zero", "F 18 0\n", 1, "Error for F 18 in control"},
        Rejected{"F19", "F 19 10.5\n", 1, "Error for F 19 in control"},
        Rejected{"F20_zero", "F 20 0\n", 1, "Error for F 20 in control"},
        Rejected{"F21", "F 21 -1.5\n", 1, "Error for F 21 in control"},
        Rejected{"F22_porosity", "F 22 0.0005 2.0\n", 1, "Error for F 22 in control"},
        Rejected{"F22_relaxation", "F 22 0.35 10.5\n", 1, "Error for F 22 in control"},
        Rejected{"F23_part", "F 23 1.5 0\n", 1, "Error for F 23 in control"},
        Rejected{"F23_criteria", "F 23 0.5 -1\n", 1, "Error for F 23 in control"},
        Rejected{"F24", "F 24 21\n", 1, "Error for F 24 in control"},
        Rejected{"F25_diameter", "F 25 0.35 2.0 0.5 0.8 8\n", 1, "Error for F 25 in control"},
        Rejected{"F25_roughness", "F 25 0.35 2.0 1.5 0.8 5\n", 1, "Error for F 25 in control"},
        Rejected{"F26", "F 26 15.5\n", 1, "Error for F 26 in control"},
        Rejected{"F27", "F 27 11\n", 1, " In kread \n\nError for F 27 in control"},
        Rejected{"F28_flag", "F 28 2 2 10 1.0\n", 1, "Error for F 28 in control"},
        Rejected{"F28_limit", "F 28 1 2 10 100.5\n", 1, "Error for F 28 in control"},
        Rejected{"F30_sixth_flag", "F 30 0 1 2 3 4 7\n", 1, "Error for F 30 in control"},
        Rejected{"F31", "F 31 0.8 10.5\n", 1, "Error for F 31 in control"},
        Rejected{"F32", "F 32 1000.5\n", 1, "Error for F 32 in control"},
        Rejected{"F33_time_step", "F 33 0 1\n", 1, "Error for F 33 in control"},
        Rejected{"F33_inner", "F 33 1.0 -1\n", 1, "Error for F 33 in control"},
        Rejected{"F34", "F 34 -0.1\n", 1, "Error for F 34 in control"},
        Rejected{"F35", "F 35 1.1\n", 1, "Error for F 35 in control"},
        Rejected{"F36", "F 36 7\n", 1, "Error for F 36 in control"},
        Rejected{"F37", "F 37 3\n", 1, "Error for F 37 in control"},
        Rejected{"F38", "F 38 -1\n", 1, "Error for F 38 in control"},
        Rejected{"F39", "F 39 -1\n", 1, "Error for F 39 in control"},
        Rejected{"F40", "F 40 10.5\n", 1, "Error for F 40 in control"},
        Rejected{"F41_zero_depth", "F 41 0\n", 1, "Error for F 41 in control"},
        Rejected{"F41_deep", "F 41 10000.5\n", 1, "Error for F 41 in control"},
        Rejected{"F42", "F 42 -10000.5\n", 1, "Error for F 42 in control"},
        Rejected{"F43", "F 43 2\n", 1, "Error for F 43 in control"},
        Rejected{"F44", "F 44 -1\n", 1, "Error for F 44 in control"},
        Rejected{"F45_always", "F 45 1\n", 1,
                 "Data set F 45 in control is not used any more\nInstead, use data set F 58 \n"},
        Rejected{"F46", "F 46 0\n", 1, "Error for F 46 in control"},
        Rejected{"F47", "F 47 -1\n", 1, "Error for F 47 in control"},
        Rejected{"F48", "F 48 41\n", 1, "Error for F 48 in control"},
        Rejected{"F49", "F 49 2\n", 1, "Error for F 49 in control"},
        Rejected{"F50", "F 50 11\n", 1, "Error for F 50 in control"},
        Rejected{"F51", "F 51 2.5\n", 1, "Error for F 51 in control"},
        Rejected{"F52_wind_sum", "F 52 1.0 1.5 0.6\n", 1, "Error for F 52 in control"},
        Rejected{"F52_no_wind", "F 52 0 0 0\n", 1, "Error for F 52 in control"},
        Rejected{"F52_two_fields", "F 52 1.0 1.0\nF 20 2\n", 1, "Error for F 52 in control"},
        Rejected{"F53_force_interval", "F 53 100 100 0 1\n", 1, "Error for F 53 in control"},
        Rejected{"F53_log_interval", "F 53 0 100 1 1\n", 1, "Error for F 53 in control"},
        Rejected{"F54", "F 54 -1\n", 1, "Error for F 54 in control"},
        Rejected{"F55", "F 55 -1\n", 1, "Error for F 55 in control"},
        Rejected{"F56", "F 56 1 -1\n", 1, "Error for F 56 in control"},
        Rejected{"F57", "F 57 -1\n", 1, "Error for F 57 in control"},
        Rejected{"F58_switch", "F 58 2 0 0 1 0.02 2 2 0 1 0\n", 1, "Error for F 58 in control"},
        Rejected{"F58_damping", "F 58 1 0 0 1 0.02 2 5.5 0 1 0\n", 1, "Error for F 58 in control"},
        Rejected{"F58_top_velocity", "F 58 1 0 0 1 0.02 2 2 -0.001 1 0\n", 1, "Error for F 58 in control"},
        Rejected{"F59", "F 59 0\n", 1, "Error for F 59 in control"},
        Rejected{"F60", "F 60 0 2\n", 1, "Error for F 60 in control"},
        Rejected{"F63", "F 63 11\n", 1, "Error for F 63 in control"},
        Rejected{"F68", "F 68 11\n", 1, "Error for F 68 in control"},
        Rejected{"F69_three_of_seven", "F 69 1 2 3\n", 1, "Error for F 69 in control"},
        Rejected{"F73", "F 73 101\n", 1, "Error for F 73 in control"},
        Rejected{"F78", "F 78 -1 0.5\n", 1, "Error for F 78 in control"},
        Rejected{"F81", "F 81 0\n", 1, "Error for F 81 in control"},
        Rejected{"F83_three_of_four", "F 83 1 2 3\n", 1, "Error for F 83 in control"},
        Rejected{"F84", "F 84 -1\n", 1, "Error for F 84 in control"},
        Rejected{"F84_no_form_4", "F 84 4\n", 1, "Error for F 84 in control"},
        Rejected{"F84_no_form_above_5", "F 84 6\n", 1, "Error for F 84 in control"},
        Rejected{"F90", "F 90 11\n", 1, "Error for F 90 in control"}),
    [](const auto& info) { return std::string(info.param.name); });

// Accepted data sets: what the readers store beyond the plain fields.
struct Accepted {
    const char* name;
    const char* control;
    std::function<void()> expect;
    friend void PrintTo(const Accepted& a, std::ostream* os) { *os << a.name; }
};

class AcceptedDataSet : public ReaderTest, public ::testing::WithParamInterface<Accepted> {};

TEST_P(AcceptedDataSet, StoresItsValues) {
    const Accepted& a = GetParam();
    writeFile("koosurf", "");  // option X of F 7 needs a grid file; an empty one keeps the grid of koordina
    ASSERT_EQ(read(a.control), kNoExit) << boogie();
    a.expect();
}

INSTANTIATE_TEST_SUITE_P(
    F1to99, AcceptedDataSet,
    ::testing::Values(
        Accepted{"F1_and_F10_letters", "F 1 D\nF 10 M\n",
                 [] {
                     EXPECT_EQ(debugging, 'D');
                     EXPECT_EQ(SedimentFormula, 'M');
                 }},
        Accepted{"F84_every_form", "F 84 3\nF 84 5\n", [] { EXPECT_EQ(BedLoadFlag, 5); }},
        // A value that does not convert keeps the value before it, which is then tested.
        Accepted{"F9_word_keeps_default", "F 9 wide\n", [] { EXPECT_EQ(EddyMult, 1.0); }},
        Accepted{"F20_word_keeps_earlier_value", "F 20 3\nF 20 x\n", [] { EXPECT_EQ(IterF2, 3); }},
        // A missing number leaves the letters behind it to the scanner: neither
        // the I data set nor "nan" of the word is taken for the value.
        Accepted{"F3_and_F9_missing_values_leave_the_next_text", "F 3\nI 1 0.25\nF 9\nnarrow reach\n",
                 [] {
                     EXPECT_EQ(convergence, 1e-6);
                     EXPECT_EQ(inflow[1], 0.25);
                     EXPECT_EQ(EddyMult, 1.0);
                 }},
        Accepted{"F11_second_field_keeps_default", "F 11 3.0 x\n",
                 [] {
                     EXPECT_EQ(density, 3.0);
                     EXPECT_EQ(shieldscoeff, 0.047);
                 }},
        // Every size class 0..50, so that classes 20 and above diffuse too.
        Accepted{"F12_sets_every_class", "F 12 50\n",
                 [] {
                     EXPECT_EQ(Schmidt, 50.0);
                     for (int l = 0; l <= 50; ++l) EXPECT_DOUBLE_EQ(invSchmidt[l], 0.02) << l;
                 }},
        Accepted{"F24_model_1_sets_cmu_and_the_bed_shear_factor", "F 24 1\n",
                 [] {
                     EXPECT_EQ(TurbulenceModel, 1);
                     EXPECT_EQ(cmy, 0.085);
                     EXPECT_EQ(sqcmyrho, 1000.0 * std::sqrt(0.085));
                 }},
        Accepted{"F33_lower_floor_than_F17", "F 33 1e-11 4\n",
                 [] {
                     EXPECT_EQ(TimeStep, 1e-11);
                     EXPECT_EQ(TransInnerIter, 4);
                 }},
        Accepted{"F28_default_from_grid_size", "F 28 0 3\n",
                 [] {
                     EXPECT_EQ(ADFlag, 0);
                     EXPECT_EQ(ADSmearNo, 3);
                     EXPECT_EQ(ADConvNo, 10 * 5 * 4);
                 }},
        Accepted{"F30_six_flags", "F 30 1 2 3 4 5 6\n",
                 [] {
                     for (int n = 0; n < 6; ++n) EXPECT_EQ(BedFlags[n], n + 1);
                     EXPECT_EQ(BedFlags[6], 0);
                 }},
        Accepted{"F41_then_F42_uses_the_level", "F 41 2.5\nF 42 -3.0\n",
                 [] {
                     EXPECT_EQ(gridReadChoices.lowestFrom, 42);
                     EXPECT_EQ(gridReadChoices.lowestValue, -3.0);
                 }},
        Accepted{"F42_then_F41_uses_the_depth", "F 42 -3.0\nF 41 2.5\n",
                 [] {
                     EXPECT_EQ(gridReadChoices.lowestFrom, 41);
                     EXPECT_EQ(gridReadChoices.lowestValue, 2.5);
                 }},
        Accepted{"F51_negative_switches_coriolis_on", "F 51 -2.0\n",
                 [] {
                     EXPECT_EQ(Coriolis, -2.0);
                     EXPECT_EQ(FlagCoriolis, 1);
                 }},
        Accepted{"F52_within_limits", "F 52 5.0 1.0 1.0\n",
                 [] {
                     EXPECT_EQ(Wind[0], 5.0);
                     EXPECT_EQ(Wind[2], 1.0);
                 }},
        Accepted{"F53_result_interval_not_tested", "F 53 100 0 1 1\n", [] { EXPECT_EQ(PrintIterRes, 0); }},
        Accepted{"F63_one_sets_schemes_8_and_9", "F 63 1\n",
                 [] {
                     EXPECT_EQ(sou[8], 1);
                     EXPECT_EQ(sou[9], 1);
                     EXPECT_EQ(sou[10], 0);
                 }},
        Accepted{"F63_two_leaves_schemes", "F 63 2\n", [] { EXPECT_EQ(sou[8], 0); }},
        Accepted{"F7_letters_add_up", "F 7 NBXD\nF 7 JACP\nF 7 ZEGVI\n",
                 [] {
                     for (int flag : {FlagBedGradient, FlagBedslopeCorrection, FlagXCYC, FlagBedPoros, FlagZ0Small,
                                      FlagFlowDirCor, FlagBlockBorder, FlagPlotVertical, FlagInflowDirection})
                         EXPECT_EQ(flag, 1);
                     EXPECT_EQ(FlagDiffNonVert, 0);
                     EXPECT_EQ(FlagInZero, 0);
                     EXPECT_TRUE(gridReadChoices.refineI);
                     EXPECT_TRUE(gridReadChoices.refineJ);
                     EXPECT_EQ(std::string(options + 1, 7), " ZEGVI\n");
                 }},
        Accepted{"F7_lower_case_does_nothing", "F 7 nbxsf\n",
                 [] {
                     EXPECT_EQ(FlagBedGradient + FlagBedslopeCorrection + FlagXCYC, 0);
                     EXPECT_FALSE(gridReadChoices.refineI);
                 }},
        Accepted{"F_numbers_without_reader_are_ignored", "F 29 1\nF 0 1\nF 308 1\nF 61 0\n",
                 [] { EXPECT_EQ(IterF2, 1); }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    F100to307, RejectedDataSet,
    ::testing::Values(
        Rejected{"F100", "F 100 -1\n", 1, "Error for F 100 in control"},
        Rejected{"F100_no_value", "F 100 x\n", 1, "Error for F 100 in control"},
        Rejected{"F103", "F 103 -1\n", 1, "Error for F 103 in control"},
        Rejected{"F106", "F 106 100000.5\n", 1, "Error for F 106 in control"},
        Rejected{"F107", "F 107 -1\n", 1, "Error for F 107 in control"},
        Rejected{"F108", "F 108 -0.1\n", 1, "Error for F 108 in control"},
        Rejected{"F109_slope", "F 109 -1 0.78 0.2\n", 1, "Error for F 109 in control"},
        Rejected{"F109_damping", "F 109 1.23 0.78 1.5\n", 1, "Error for F 109 in control"},
        Rejected{"F109_two_of_three", "F 109 1.23 0.78\nF 20 2\n", 1, "Error for F 109 in control"},
        Rejected{"F111", "F 111 -1\n", 1, "Error for F 111 in control"},
        Rejected{"F113", "F 113 -1\n", 1, "Error for F 113 in control"},
        Rejected{"F115", "F 115 -1\n", 1, "Error for F 115 in control"},
        Rejected{"F116", "F 116 -1\n", 1, "Error for F 116 in control"},
        Rejected{"F117", "F 117 -1\n", 1, "Error for F 117 in control"},
        Rejected{"F118", "F 118 -1\n", 1, "Error for F 118 in control"},
        Rejected{"F119", "F 119 -1\n", 1, "Error for F 119 in control"},
        Rejected{"F120", "F 120 -1\n", 1, "Error for F 120 in control"},
        Rejected{"F121", "F 121 -1\n", 1, "Error for F 121 in control"},
        Rejected{"F122", "F 122 -1\n", 1, "Error for F 122 in control"},
        Rejected{"F125", "F 125 -1\n", 1, "Error for F 125 in control"},
        Rejected{"F127", "F 127 -1\n", 1, "Error for F 127 in control"},
        Rejected{"F129", "F 129 -1\n", 1, "Error for F 129 in control"},
        Rejected{"F131_class_0", "F 131 0 0.5\n", 1, "Error for F 131 in control - index\n"},
        Rejected{"F131_class_21", "F 131 21 0.5\n", 1, "Error for F 131 in control - index\n"},
        Rejected{"F131_no_class", "F 131 x 0.5\n", 1, "Error for F 131 in control - index\n"},
        Rejected{"F131_negative", "F 131 3 -0.5\n", 1, "Error for F 131 in control - negative cohesion\n"},
        Rejected{"F131_no_value", "F 131 3 x\n", 1, "Error for F 131 in control - negative cohesion\n"},
        Rejected{"F133_limit", "F 133 1e-11 5\n", 1, "Error for F 133 in control"},
        Rejected{"F133_loops", "F 133 0.01 0\n", 1, "Error for F 133 in control"},
        Rejected{"F139", "F 139 1.0 -1.0\n", 1, "Error for F 139 in control\n"},
        Rejected{"F142", "F 142 1e-11\n", 1, "Error for F 142 in control"},
        Rejected{"F143", "F 143 -1\n", 1, "Error for F 143 in control\n"},
        Rejected{"F144", "F 144 -1 0.5\n", 1, "Error for F 144 in control\n"},
        Rejected{"F145", "F 145 -1\n", 1, "Error for F 145 in control\n"},
        Rejected{"F146", "F 146 -1\n", 1, "Error for F 146 in control\n"},
        Rejected{"F149", "F 149 1.0 -1.0\n", 1, "Error for F 149 in control\n"},
        Rejected{"F150", "F 150 0 -1\n", 1, "Error for F 150 in control\n"},
        Rejected{"F151", "F 151 -1 0.1\n", 1, "Error for F 151 in control\n"},
        Rejected{"F154", "F 154 -1 0.1\n", 1, "Error for F 154 in control\n"},
        Rejected{"F155", "F 155 -1 0\n", 1, "Error for F 155 in control\n"},
        Rejected{"F156", "F 156 -1\n", 1, "Error for F 156 in control\n"},
        Rejected{"F158", "F 158 -1 0.5\n", 1, "Error for F 158 in control\n"},
        Rejected{"F161", "F 161 -1\n", 1, "Error for F 161 in control\n"},
        Rejected{"F164_no_value", "F 164 x\n", 1, "Error for F 164 in control\n"},
        Rejected{"F167", "F 167 -1\n", 1, "Error for F 167 in control\n"},
        Rejected{"F169_one_of_two", "F 169 1\nF 20 2\n", 1, "Error for F 169 in control\n"},
        Rejected{"F173_no_value", "F 173 x\n", 1, "Error for F 173 in control\n"},
        Rejected{"F174_no_value", "F 174 x\n", 1, "Error for F 174 in control\n"},
        Rejected{"F176_one_of_two", "F 176 1 x\n", 1, "Error for F 176 in control\n"},
        Rejected{"F182_no_value", "F 182 x\n", 1, "Error for F 182 in control\n"},
        Rejected{"F185_one_of_two", "F 185 1 x\n", 1, "Error for F 185 in control\n"},
        Rejected{"F189_one_of_two", "F 189 1 x\n", 1, "Error for F 189 in control\n"},
        Rejected{"F190_no_value", "F 190 x\n", 1, "Error for F 190 in control\n"},
        Rejected{"F194_no_value", "F 194 x\n", 1, "Error for F 194 in control\n"},
        Rejected{"F195_one_of_two", "F 195 0.1 x\n", 1, "Error for F 195 in control\n"},
        Rejected{"F196_no_value", "F 196 x\n", 1, "Error for F 196 in control\n"},
        Rejected{"F197_no_value", "F 197 x\n", 1, "Error for F 197 in control\n"},
        Rejected{"F198_no_value", "F 198 x\n", 1, "Error for F 198 in control\n"},
        Rejected{"F199_zero", "F 199 1.0 0\n", 1, "Error for F 199 in control"},
        Rejected{"F199_above_50", "F 199 50.5\n", 1, "Error for F 199 in control"},
        Rejected{"F200", "F 200 1 0.1 -0.1\n", 1, "Error for F 200 in control"},
        Rejected{"F206_no_value", "F 206 x\n", 1, "Error for F 206 in control"},
        Rejected{"F207", "F 207 1 -1\n", 1, "Error for F 207 in control\n"},
        Rejected{"F207_one_of_two", "F 207 1\nF 20 2\n", 1, "Error for F 207 in control\n"},
        Rejected{"F208_no_value", "F 208 x\n", 1, "Error for F 208 in control\n"},
        Rejected{"F211", "F 211 -0.1\n", 1, "Error for F 211 in control\n"},
        Rejected{"F212", "F 212 -1\n", 1, "Error for F 212 in control\n"},
        Rejected{"F220", "F 220 -1\n", 1, "Error for F 220 in control\n"},
        Rejected{"F228", "F 228 -1\n", 1, "Error for F 228 in control\n"},
        Rejected{"F233_no_value", "F 233 x\n", 1, "Error for F 233 in control"},
        Rejected{"F240_int", "F 240 1 2 -3 0.5 0.5 0.5 0.5\n", 1, "Error for F 240 in control\n"},
        Rejected{"F240_six_of_seven", "F 240 1 2 3 0.5 0.5 0.5\nF 20 2\n", 1, "Error for F 240 in control\n"},
        Rejected{"F242", "F 242 -1\n", 1, "Error for F 242 in control\n"},
        Rejected{"F243", "F 243 -1\n", 1, "Error for F 243 in control\n"},
        Rejected{"F260", "F 260 -1\n", 1, "Error for F 260 in control\n"},
        Rejected{"F286", "F 286 -0.09\n", 1, "Error for F 286 in control\n"},
        Rejected{"F288", "F 288 -1\n", 1, "Error for F 288 in control\n"},
        Rejected{"F300", "F 300 1 -1\n", 1, "Error for F 300 in control\n"},
        Rejected{"F302", "F 302 -1\n", 1, "Error for F 302 in control\n"},
        Rejected{"F303", "F 303 -1\n", 1, "Error for F 303 in control\n"},
        Rejected{"F304", "F 304 -1\n", 1, "Error for F 304 in control\n"},
        Rejected{"F307", "F 307 -0.5 2.0\n", 1, "Error for F 307 in control\n"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    F100to307, AcceptedDataSet,
    ::testing::Values(
        Accepted{"F106_zero_sets_the_flag", "F 106 0\n",
                 [] {
                     EXPECT_EQ(maxgrainRead, 0.0);
                     EXPECT_EQ(FlagMaxgrainRead, 1);
                 }},
        Accepted{"F131_two_classes", "F 131 1 0.5\nF 131 2 1.5\n",
                 [] {
                     EXPECT_EQ(cohesive[1], 0.5);
                     EXPECT_EQ(cohesive[2], 1.5);
                 }},
        // Every class the reader accepts has its place in the table.
        Accepted{"F131_class_20", "F 131 20 2.5\n", [] { EXPECT_EQ(cohesive[20], 2.5); }},
        Accepted{"F139_then_the_next_data_set", "F 139 0.5 0.7\nF 20 2\n",
                 [] {
                     EXPECT_EQ(MinUPlusK, 0.7);
                     EXPECT_EQ(IterF2, 2);
                 }},
        Accepted{"F164_any_value", "F 164 -3\n", [] { EXPECT_EQ(FlagRapSolver, -3); }},
        Accepted{"F174_one_value_clears_sub_flags", "F 174 1 1 1 1\nF 174 1\nF 20 2\n",
                 [] {
                     EXPECT_EQ(FlagCyclic, 1);
                     EXPECT_EQ(FlagCyclicS + FlagCyclicF + FlagCyclicC, 0);
                     EXPECT_EQ(IterF2, 2);
                 }},
        Accepted{"F174_sub_flags", "F 174 1 2 3 4\n",
                 [] {
                     EXPECT_EQ(FlagCyclicS, 2);
                     EXPECT_EQ(FlagCyclicC, 4);
                 }},
        // lnumber is 2 in these tests.
        Accepted{"F199_reciprocal_per_class", "F 199 0.5 2.0 7.0\n",
                 [] {
                     EXPECT_DOUBLE_EQ(invSchmidt[1], 2.0);
                     EXPECT_DOUBLE_EQ(invSchmidt[2], 0.5);
                     EXPECT_EQ(invSchmidt[3], 1.0);  // no third class
                 }},
        Accepted{"F12_then_F199_per_class_wins", "F 12 2\nF 199 0.5\n",
                 [] {
                     EXPECT_DOUBLE_EQ(invSchmidt[0], 0.5);
                     EXPECT_DOUBLE_EQ(invSchmidt[1], 2.0);
                     EXPECT_DOUBLE_EQ(invSchmidt[50], 0.5);
                 }},
        Accepted{"F199_stops_at_a_word", "F 199 0.5 x\n",
                 [] {
                     EXPECT_DOUBLE_EQ(invSchmidt[1], 2.0);
                     EXPECT_EQ(invSchmidt[2], 1.0);
                 }},
        Accepted{"F199_missing_class_leaves_the_next_data_set", "F 199 0.5\nI 1 0.25\n",
                 [] {
                     EXPECT_DOUBLE_EQ(invSchmidt[1], 2.0);
                     EXPECT_EQ(invSchmidt[2], 1.0);
                     EXPECT_EQ(inflow[1], 0.25);
                 }},
        Accepted{"F12_then_F199_later_wins", "F 12 4.0\nF 199 0.5\n",
                 [] {
                     EXPECT_DOUBLE_EQ(invSchmidt[1], 2.0);
                     EXPECT_DOUBLE_EQ(invSchmidt[2], 0.25);
                 }},
        Accepted{"F207_optional_values", "F 207 1 5 7 x\n",
                 [] {
                     EXPECT_EQ(FlagStress1DLL, 1);
                     EXPECT_EQ(AllocStress1DLL, 5);
                     EXPECT_EQ(NoLoopStress, 7);
                     EXPECT_EQ(FlagASMvisc, 3);
                 }},
        Accepted{"F220_then_F207_keeps_F207", "F 220 12\nF 207 0 5\n", [] { EXPECT_EQ(AllocStress1DLL, 5); }},
        Accepted{"F207_then_F220_gives_22", "F 207 0 5\nF 220 12\n", [] { EXPECT_EQ(AllocStress1DLL, 22); }},
        Accepted{"F220_up_to_9_keeps_arrays", "F 220 9\n", [] { EXPECT_EQ(AllocStress1DLL, 9); }},
        Accepted{"F286_sets_the_product", "F 286 0.0625\n",
                 [] {
                     EXPECT_EQ(cmy, 0.0625);
                     EXPECT_DOUBLE_EQ(sqcmyrho, 250.0);
                 }},
        Accepted{"F307_sets_the_flag", "F 307 0.5 2.0\n",
                 [] {
                     EXPECT_EQ(TurbMultLev, 2.0);
                     EXPECT_EQ(TurbMultFlag, 1);
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderTest, ScalarDataSetsLogTheirLineWhateverTheValue) {
    ASSERT_EQ(read("F 27 0\nF 33 0.5 3\n"), kNoExit);
    EXPECT_NE(boogie().find(" In kread \n\nUsing SOU scheme for sediment calculations\n"
                            "Transient inner iterations: 3\nIn osiio1"),
              std::string::npos)
        << boogie();
}

TEST_F(ReaderTest, DefaultsBlockResetsEveryParameter) {
    // Values of an earlier reading, or of anything before the reader, are gone.
    IterF2 = 9;
    EddyMult = 5.0;
    debugging = 'D';
    FlagDiffNonVert = 0;
    AllocStress1DLL = 22;
    cmy = 0.5;
    std::memset(run, 'W', sizeof run);
    BedFlags[8] = 3;
    cohesive[20] = 4.0;
    TimeInNo = 12;
    wdensity = 1.0;
    FlagErrorBreak = 1;
    discharge = 3.0;
    zdistrib[1] = 50.0;
    ASSERT_EQ(read(""), kNoExit);
    EXPECT_EQ(IterF2, 1);
    EXPECT_EQ(EddyMult, 1.0);
    EXPECT_EQ(debugging, 'N');
    EXPECT_EQ(SedimentFormula, 'R');
    EXPECT_EQ(FlagDiffNonVert, 1);
    EXPECT_EQ(FlagInZero, 1);
    EXPECT_EQ(AllocStress1DLL, 9);
    EXPECT_EQ(FlagASMvisc, 3);
    EXPECT_EQ(cmy, 0.09);
    EXPECT_EQ(sqcmyrho, 300.0);
    EXPECT_EQ(XksWall, -2.0);
    EXPECT_EQ(TimeStep, 1e-20);
    EXPECT_EQ(NoLoopBedchange, 1000);
    EXPECT_EQ(std::string(run, 20), std::string(20, ' '));
    EXPECT_EQ(BedFlags[8], 0);
    EXPECT_EQ(cohesive[20], 0.0);
    EXPECT_EQ(invSchmidt[19], 1.0);
    EXPECT_EQ(TimeInNo, 0);
    EXPECT_EQ(wdensity, 1000.0);
    EXPECT_EQ(wviscosity, 1e-6);
    EXPECT_EQ(BedRecIter, 5);
    EXPECT_EQ(BlockI, 1);
    EXPECT_EQ(FlagErrorBreak, 0);
    EXPECT_EQ(gridReadChoices.lowestFrom, 0);
}

TEST_F(ReaderTest, WaterValuesWithoutTheirDataSetsAreZero) {
    // Without W 1, W 2 and G 3 nothing may stay undefined for the initial state;
    // the grid stage then refuses the run for the missing G 3.
    discharge = level = 3.0;
    initnumber = 5;
    zdistrib[2] = 20.0;
    ASSERT_EQ(readExactly("F 20 1\n"), 1);
    EXPECT_EQ(discharge, 0.0);
    EXPECT_EQ(level, 0.0);
    EXPECT_EQ(initnumber, 0);
    EXPECT_EQ(zdistrib[2], 0.0);
}


TEST_F(ReaderTest, StressTermsAreReported) {
    ASSERT_EQ(read("F 100 0\n"), kNoExit);
    EXPECT_NE(boogie().find(" In kread \n\nIncluding Stress terms\nIn osiio1"), std::string::npos) << boogie();
}

TEST_F(ReaderTest, F260WarnsUnlessTheTransientMorphologyDriver2IsChosen) {
    const std::string warning =
        "Error in control file. The F 260 data set will only work\nwhen the F 36 data set is set to 2\n\n";
    ASSERT_EQ(read("F 36 2\nF 260 1\n"), kNoExit);  // the text names F 36, the test is on F 37
    EXPECT_NE(boogie().find(warning), std::string::npos);
    ASSERT_EQ(read("F 37 2\nF 260 1\n"), kNoExit);
    EXPECT_EQ(boogie().find(warning), std::string::npos);
    ASSERT_EQ(read("F 260 0\n"), kNoExit);
    EXPECT_EQ(boogie().find(warning), std::string::npos);
    EXPECT_EQ(FlagFlocDLL, 0);
}

TEST_F(ReaderTest, ExactlyTheListedNumbersHaveReaders) {
    // Each number is tried on values that every reader accepts.
    const std::vector<int> listed = {
        1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  20,
        21,  22,  23,  24,  25,  26,  27,  28,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,  41,
        42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  63,
        68,  69,  73,  78,  81,  83,  84,  90,  100, 103, 106, 107, 108, 109, 111, 113, 115, 116, 117, 118,
        119, 120, 121, 122, 125, 127, 129, 131, 133, 139, 142, 143, 144, 145, 146, 149, 150, 151, 154, 155,
        156, 158, 161, 164, 167, 169, 173, 174, 176, 182, 185, 189, 190, 194, 195, 196, 197, 198, 199, 200,
        206, 207, 208, 211, 212, 220, 228, 233, 240, 242, 243, 260, 286, 288, 300, 302, 303, 304, 307};
    ASSERT_EQ(listed.size(), 139u);
    std::vector<int> found;
    for (int number = -1; number <= 310; ++number) {
        writeFile("values", " 1 1 1 1 1 1 1 1 1 1\n");
        FILE* fp = std::fopen("values", "r");
        bool hasReader = false;
        // F 45 always ends the run; that also shows that it has a reader.
        if (exitCodeOf([&] { hasReader = readDataSetF(number, fp); }) != kNoExit) hasReader = true;
        const long consumed = std::ftell(fp);
        std::fclose(fp);
        if (hasReader)
            found.push_back(number);
        else
            EXPECT_EQ(consumed, 0) << "F " << number << " without a reader consumed its values";
    }
    EXPECT_EQ(found, listed);
}

}  // namespace
