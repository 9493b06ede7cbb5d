// The allocator: which arrays exist under which options, their extents, the
// size tests and the byte count.
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "control/engine.h"
#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "output/state.h"
#include "sediment/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

std::set<std::string> existing() {
    std::set<std::string> names;
    forEachFieldArray(
        [](const char* name, FieldArrayBase& a, void* ctx) {
            if (a) static_cast<std::set<std::string>*>(ctx)->insert(name);
        },
        &names);
    return names;
}

int countArrays() {
    int n = 0;
    forEachFieldArray([](const char*, FieldArrayBase&, void* ctx) { ++*static_cast<int*>(ctx); }, &n);
    return n;
}

class Allocator : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        xnumber = 6;
        ynumber = 5;
        znumber = 4;
        lnumber = 2;
    }
    std::set<std::string> allocate() {
        EXPECT_EQ(sialloc(), 0);
        return existing();
    }
};

const std::set<std::string> kConditional = {
    "PorosityBed", "LevPorosBed", "Porosity", "StemNumber", "StemDiameter", "DragCoeff", "EpsilonCoeff",
    "fnn", "xvel_old", "yvel_old", "zvel_old", "xvel_old2", "yvel_old2", "zvel_old2", "kinen_old",
    "epsilon_old", "kinen_old2", "epsilon_old2", "temp", "temp_old", "comp", "comp_old", "conc_old",
    "catt", "cabb", "aee", "ann", "aww", "ass", "att", "abb", "aeb", "awb", "anb", "asb", "invFlow",
    "invAPC", "MBFlow", "Rstress", "TimeInTime", "TimeInTimStep", "TimeInHinn", "TimeInHout", "Cinn",
    "Winn", "Irradi", "AirTemp", "QDinn", "Tempinn"};

TEST_F(Allocator, DefaultsCreateEveryUnconditionalArrayOnly) {
    EXPECT_EQ(countArrays(), kFieldArrayCount);
    EXPECT_EQ(kConditional.size(), 49u);
    const auto made = allocate();
    EXPECT_EQ(made.size(), 98u);
    for (const auto& name : kConditional) EXPECT_EQ(made.count(name), 0u) << name;
    EXPECT_EQ(f.data(), fStorage.data());  // the workspace pointer starts on its own storage
}

TEST_F(Allocator, ExtentsAndLayout) {
    allocate();
    EXPECT_EQ(zval.extent(0), 9);
    EXPECT_EQ(zval.extent(1), 8);
    EXPECT_EQ(zval.extent(2), 6);
    EXPECT_EQ(xvel.extent(2), 7);
    EXPECT_EQ(m_dist_z.extent(2), 7);
    EXPECT_EQ(m_vec_z.extent(3), 3);
    EXPECT_EQ(conc.extent(0), 4);
    EXPECT_EQ(at.extent(0), 3);
    EXPECT_EQ(graphDum.extent(0), 8);
    EXPECT_EQ(graphDum.extent(1), 7);
    EXPECT_EQ(pt.extent(0), 9);
    EXPECT_EQ(psc.extent(1), 9);
    EXPECT_EQ(Surfaces.extent(0), 6);
    // Row-major: the last index runs fastest, rows follow each other without gaps.
    EXPECT_EQ(&zval[2][3][4] - zval.data(), (2 * 8 + 3) * 6 + 4);
    EXPECT_EQ(&m_vec_z[1][2][3][1] - m_vec_z.data(), ((1 * 7 + 2) * 6 + 3) * 3 + 1);
    EXPECT_EQ(&zval[1][0][0] - &zval[0][7][5], 1);
    WallI[3][2][1] = -1;
    EXPECT_EQ(WallI.data()[WallI.offset(3, 2, 1)], -1);
}

struct OptionCase {
    const char* name;
    friend void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }
    void (*set)();
    std::set<std::string> adds;
};

class AllocatorOptions : public Allocator, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(AllocatorOptions, AddExactlyTheirArrays) {
    GetParam().set();
    auto made = allocate();
    std::set<std::string> added;
    for (const auto& name : kConditional)
        if (made.count(name)) added.insert(name);
    EXPECT_EQ(added, GetParam().adds);
}

const std::set<std::string> kSecondOrder = {"aee", "ann", "aww", "ass", "att", "abb"};
const std::set<std::string> kTimeSeries = {"TimeInTime", "TimeInTimStep", "TimeInHinn", "TimeInHout",
                                           "Cinn", "Winn", "Irradi", "AirTemp", "QDinn", "Tempinn"};
const std::set<std::string> kTransient = [] {
    std::set<std::string> s = kTimeSeries;
    s.insert({"xvel_old", "yvel_old", "zvel_old", "kinen_old", "epsilon_old"});
    return s;
}();
std::set<std::string> plus(std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AllocatorOptions,
    ::testing::Values(
        OptionCase{"porous_bed", [] { FlagBedPoros = 1; },
                   {"PorosityBed", "LevPorosBed", "Porosity", "StemNumber", "StemDiameter", "DragCoeff",
                    "EpsilonCoeff"}},
        OptionCase{"drag_hook", [] { FlagDragDLL = 1; },
                   {"PorosityBed", "LevPorosBed", "Porosity", "StemNumber", "StemDiameter", "DragCoeff",
                    "EpsilonCoeff"}},
        OptionCase{"threaded_point_solver", [] { FlagRapSolver = 31; }, {"fnn"}},
        OptionCase{"transient", [] { TimeStep = 1.0; }, kTransient},
        OptionCase{"transient_order_1", [] { TimeStep = 1.0; FlagTimeOrder = 1; },
                   plus(kTransient, {"xvel_old2", "yvel_old2", "zvel_old2"})},
        OptionCase{"transient_order_2", [] { TimeStep = 1.0; FlagTimeOrder = 2; },
                   plus(kTransient, {"xvel_old2", "yvel_old2", "zvel_old2", "kinen_old2", "epsilon_old2"})},
        OptionCase{"order_without_time_step", [] { FlagTimeOrder = 2; }, {}},
        OptionCase{"temperature", [] { FlagTemp = 1; }, {"temp"}},
        OptionCase{"transient_temperature", [] { FlagTemp = 1; TimeStep = 1.0; },
                   plus(kTransient, {"temp", "temp_old"})},
        OptionCase{"components", [] { NoComponents = 2; }, {"comp"}},
        OptionCase{"transient_components", [] { NoComponents = 2; TimeStep = 1.0; },
                   plus(kTransient, {"comp", "comp_old"})},
        OptionCase{"transient_morphology", [] { FlagTSC = 1; }, {"conc_old"}},
        OptionCase{"quick_for_u", [] { sou[1] = 3; }, kSecondOrder},
        OptionCase{"sou_for_k", [] { sou[5] = 1; }, kSecondOrder},
        OptionCase{"central_for_u", [] { sou[1] = 2; }, {}},
        OptionCase{"sou_for_sediment", [] { SedimentScheme = 1; }, plus(kSecondOrder, {"catt", "cabb"})},
        OptionCase{"sou_for_components", [] { SouComp = 1; }, kSecondOrder},
        OptionCase{"coefficient_hook", [] { FlagCofDLL = 1; }, kSecondOrder},
        OptionCase{"bed_load_vectors", [] { BedLoadVectorFlag = 1; }, {"aeb", "awb", "anb", "asb"}},
        OptionCase{"alternative_rhie_chow", [] { RelaxRhieChow = -1.0; }, {"invFlow"}},
        OptionCase{"rhie_chow_zero", [] { RelaxRhieChow = 0.0; }, {}},
        OptionCase{"simplec", [] { simple = 'N'; }, {"invAPC"}},
        OptionCase{"multi_block", [] { MBNo = 1; }, {"MBFlow"}},
        OptionCase{"reynolds_stress", [] { FlagReynoldsStress = 1; }, {"Rstress"}},
        OptionCase{"stress_hook", [] { FlagStress1DLL = 1; }, {"Rstress"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Allocator, StressFieldCount) {
    FlagReynoldsStress = 1;
    allocate();
    EXPECT_EQ(Rstress.extent(0), 10);
    Rstress.setNull();
    FlagReynoldsStress = 0;
    FlagStress1DLL = 1;
    allocate();
    EXPECT_EQ(Rstress.extent(0), 13);
}

TEST_F(Allocator, TimeSeriesHaveArrayTimeStepsRows) {
    TimeStep = 1.0;
    ArrayTimeSteps = 7;
    allocate();
    EXPECT_EQ(TimeInTime.extent(0), 7);
    EXPECT_EQ(Cinn.extent(0), 7);
    EXPECT_EQ(Cinn.extent(1), 20);
    EXPECT_EQ(QDinn.extent(1), 11);
}

// The byte count: every data block (4 bytes per element for the 15 int arrays,
// 8 for the others) plus 8 bytes per entry of each pointer table above the data.
TEST_F(Allocator, ReportsTheBytesItObtained) {
    allocate();
    std::int64_t expected = 0;
    forEachFieldArray(
        [](const char* name, FieldArrayBase& a, void* ctx) {
            static const std::set<std::string> ints = {"graphDum", "WallI", "WallJ", "WallK", "Wall",
                                                       "OBlok", "kblok", "twoD", "LowerFixedLevel",
                                                       "intBedSediment", "MutBlock", "Pi1MultiBlock",
                                                       "Pj1MultiBlock", "Pj2MultiBlock", "ISkjotMB"};
            if (!a) return;
            std::int64_t count = 1, tables = 0;
            for (int d = 0; d < a.rank_; ++d) {
                count *= a.extent(d);
                if (d < a.rank_ - 1) tables += count;
            }
            *static_cast<std::int64_t*>(ctx) += count * (ints.count(name) ? 4 : 8) + tables * 8;
        },
        &expected);
    char line[64];
    std::snprintf(line, sizeof line, "Have allocated %10.2lf Mbytes\n\n", expected * 1e-6);
    EXPECT_EQ(readFile("boogie"), std::string(" In initial - arrays \n\nEnd of initial - arrays\n") + line);
    EXPECT_STREQ(mc_message, "Initiation of arrays o.k");
}

TEST_F(Allocator, SecondCallCreatesNothingButClearsConcentrations) {
    allocate();
    double* before = xvel.data();
    conc[1][2][3][4] = 0.5;
    conc[0][2][3][4] = 0.25;  // the sum is not part of the clearing
    std::remove("boogie");
    allocate();
    EXPECT_EQ(xvel.data(), before);
    EXPECT_EQ(conc[1][2][3][4], 0.0);
    EXPECT_EQ(conc[0][2][3][4], 0.25);
    EXPECT_NE(readFile("boogie").find("Have allocated       0.00 Mbytes\n\n"), std::string::npos);
}

TEST_F(Allocator, SecondCallAddsArraysOfNewOptions) {
    allocate();
    FlagTemp = 1;
    auto made = allocate();
    EXPECT_EQ(made.count("temp"), 1u);
}

TEST_F(Allocator, TimeSeriesConcentrationsAreCleared) {
    TimeStep = 1.0;
    allocate();
    Cinn[3][19] = 2.0;
    allocate();
    EXPECT_EQ(Cinn[3][19], 0.0);
}

TEST_F(Allocator, ConcentrationRowsHoldEverySizeClass) {
    TimeStep = 1.0;
    lnumber = 25;
    allocate();
    EXPECT_EQ(Cinn.extent(1), 26);
    Cinn[3][25] = 2.0;
    allocate();
    EXPECT_EQ(Cinn[3][25], 0.0);
}

TEST_F(Allocator, SizeWarningsAndTheZLimit) {
    lnumber = 49;
    xnumber = 2998;
    ynumber = 4;
    znumber = 4;
    EXPECT_EQ(sialloc(), 0);
    const std::string log = readFile("boogie");
    EXPECT_NE(log.find("Error - icrease array - ns for SedimentSample\n"
                       "Error - icrease array for gsize, inflow and fallvelo\n"),
              std::string::npos);
    EXPECT_NE(log.find("Error - increase initarray index\n"), std::string::npos);

    SetArraysZero();
    std::remove("boogie");
    xnumber = 5;
    lnumber = 1;
    znumber = 999;
    EXPECT_EQ(exitCodeOf([] { sialloc(); }), -2);
    const std::string log2 = readFile("boogie");
    EXPECT_EQ(log2.substr(log2.size() - 32), "Error - increase zdistrib array\n");
    EXPECT_TRUE(wab);       // created before the test
    EXPECT_FALSE(Froude);   // after it
}

TEST_F(Allocator, WithoutLogNothingIsAllocated) {
    std::filesystem::create_directory("boogie");  // a directory cannot be opened for appending
    EXPECT_EQ(sialloc(), -1);
    EXPECT_FALSE(xval);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie'");
}

TEST_F(Allocator, ElementCountsBeyond32BitsAreRefused) {
    // The element count of conc overflows 64 bits: refused, not wrapped.
    xnumber = 2000000000;
    ynumber = 2000000000;
    znumber = 4;
    EXPECT_EQ(exitCodeOf([] { sialloc(); }), -2);
    EXPECT_NE(readFile("boogie").find("Error - array too large"), std::string::npos);
}

}  // namespace
