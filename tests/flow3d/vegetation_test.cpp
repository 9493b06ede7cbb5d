// Vegetation: the reader of `vegdata` (V, A and B records, its checks and
// failures), the drag factors it interpolates, the drag of each F 115 value,
// the vegetation viscosity it switches on, and the pressure of porous cells
// (F 133).
#include <cmath>
#include <string>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/kread.h"
#include "run/reset.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "flow3d/porous.h"
#include "grid/grid.h"
#include "flow3d/zone_box.h"
#include "support/grids.h"
#include "support/testing.h"
#include "turbulence/turbulence.h"

using namespace quird_test;

namespace {

// Box of 4 x 4 columns of 1 m x 0.5 m (plan area 0.5), five layers of
// 0.25 m: top faces of cells k = 2..6 at 0.25, 0.5, 0.75, 1.0, 1.25.
constexpr int X = 4, Y = 4, Z = 6;

class Vegetation : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        prepare();
    }
    // The engine and the working directory as at the start of the test.
    static void fresh() {
        resetEngine();
        for (const char* name : {"boogie", "porosity", "vegdata"}) std::filesystem::remove(name);
        prepare();
    }
    static void prepare() {
        setParameterDefaults();
        FlagDragDLL = 1;
        zoneBox(X, Y, Z, 0.5);
        std::filesystem::remove("boogie");
    }

    void TearDown() override { resetEngine(); }

    static void run(int equation) {
        Equation = equation;
        std::fill(wap.data(), wap.data() + wap.size(), 0.0);
        std::fill(source.data(), source.data() + source.size(), 0.0);
        extra_sourceDLL();
    }
    static std::string boogie() { return readFile("boogie"); }
};

// Levels 0, 0.3, 0.6, 0.75 and values 4, 3, 2, 1 in column (2, 2): cell 2
// (top 0.25) w2 = 0.05 / (0.3 - 1e-6), cell 3 (top 0.5) w3 = 0.1 / (0.3 -
// 1e-6), cell 4 (top on L3) outside.
const double w2 = 0.05 / (0.3 - 1e-6), w3 = 0.1 / (0.3 - 1e-6);
const double factor2 = 4.0 * w2 + 3.0 * (1.0 - w2), factor3 = 3.0 * w3 + 2.0 * (1.0 - w3);

TEST_F(Vegetation, ValueRecordsFillTheDragFactors) {
    writeFile("vegdata", "Vegetation\nV 2 2 0 0.3 0.6 0.75 4 3 2 1\nV 1 3 0 0.3 0.6 0.75 4 3 2 1\n"
                         "V 3 3 0.3 0.3 0.6 0.75 4 3 2 1\n");
    run(5);  // a first call for k reads the file and adds nothing
    EXPECT_EQ(FlagInitPoros, 1);
    EXPECT_EQ(FlagTypeVegdata, 1);
    EXPECT_EQ(wap[2][2][2], 0.0);
    EXPECT_NEAR(Porosity[2][2][2], factor2, 1e-12);
    EXPECT_NEAR(Porosity[2][2][3], factor3, 1e-12);
    EXPECT_EQ(Porosity[2][2][4], 0.0);
    EXPECT_EQ(Porosity[2][3][2], 0.0);  // the record of i = 1 is ignored
    EXPECT_EQ(Porosity[3][3][2], 4.0);  // below L0: the value at L0
    EXPECT_NEAR(Porosity[3][3][3], factor3, 1e-12);  // above the equal levels L0 = L1
    EXPECT_NE(boogie().find("Have read vegetation file"), std::string::npos);
    EXPECT_EQ(boogie().find("Warning"), std::string::npos);
}

// D = 1000 h/2 |phi| factor, times the plan area for an A file; F 115 1 and
// 3 put it into the centre coefficient, 2 takes D phi from the source and
// leaves w alone, 4 and above add nothing.
TEST_F(Vegetation, DragOfEachF115Value) {
    const struct {
        const char* file;
        double area;
    } files[] = {{"V 2 2 0 0.3 0.6 0.75 4 3 2 1\n", 1.0}, {"A 2 2 0 0.3 0.6 0.75 4 3 2 1\n", 0.5},
                 {"B 2 2 0 0.3 0.6 0.75 4 3 2 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n", 0.5}};
    for (const auto& file : files)
        for (int mode : {1, 2, 3, 4}) {
            fresh();
            FlagDragDLL = mode;
            writeFile("vegdata", file.file);
            for (int eq : {1, 2, 3}) {
                run(eq);
                const double phi = eq == 1 ? 0.5 : eq == 2 ? -0.2 : 0.1;
                for (int k : {2, 3}) {
                    const double D = 1000.0 * 0.125 * std::fabs(phi) * (k == 2 ? factor2 : factor3) * file.area;
                    const bool on = mode == 1 || mode == 3 || (mode == 2 && eq != 3);
                    const double wantWap = on && mode != 2 ? D : 0.0, wantSource = on && mode == 2 ? -D * phi : 0.0;
                    EXPECT_NEAR(wap[2][2][k], wantWap, 1e-9) << file.file << mode << eq << k;
                    EXPECT_NEAR(source[2][2][k], wantSource, 1e-9) << file.file << mode << eq << k;
                }
                EXPECT_EQ(wap[2][2][4], 0.0);
            }
        }
}

TEST_F(Vegetation, ProfileRecordsFillTheStemArrays) {
    writeFile("vegdata", "B 2 2 0 0.3 0.6 0.75  4 3 2 1  40 30 20 10  0.4 0.3 0.2 0.1  1 1 1 1  2 2 2 2\n");
    FlagDragDLL = 4;
    run(1);
    EXPECT_EQ(FlagTypeVegdata, 2);
    EXPECT_NEAR(Porosity[2][2][2], factor2, 1e-12);
    EXPECT_NEAR(StemNumber[2][2][2], 10.0 * factor2, 1e-10);
    EXPECT_NEAR(StemDiameter[2][2][3], 0.1 * factor3, 1e-12);
    EXPECT_NEAR(DragCoeff[2][2][3], 1.0, 1e-12);
    EXPECT_NEAR(EpsilonCoeff[2][2][2], 2.0, 1e-12);
    EXPECT_EQ(StemNumber[2][2][4], 0.0);
    EXPECT_EQ(wap[2][2][2], 0.0);  // F 115 4: no drag
}

TEST_F(Vegetation, FailuresOfTheFile) {
    const struct {
        const char* name;
        const char* file;
        int code;
        const char* log;
    } cases[] = {
        {"no file", nullptr, -4,
         "Error: vegdata file not found. This file has to exist when using the F 115 1 parameter in the control "
         "file\n"},
        {"capital V in a heading", "Area Vegetation\nA 2 2 0 0.3 0.6 0.75 4 3 2 1\n", -1,
         "Error in vegdata file. It is not allowed to have a mix of V and A data sets in the file\n"},
        {"short B record", "B 3 2 0 0.3 0.6 0.75 4 3 2 1 1 1\n", -4,
         "Error in vegdata file for line i=3, j=2: number of floats read is 10\n"
         "There should be 24 floats on each line\n"},
        {"value above 1000", "V 3 2 0 0.3 0.6 0.75 4 3 1000.5 1\n", -4,
         "Error in vegdata file for line i=3, j=2: value 1.000500e+03 outside 0..1000\n"},
        {"negative value", "A 3 2 0 0.3 0.6 0.75 4 3 -1 1\n", -4,
         "Error in vegdata file for line i=3, j=2: value -1.000000e+00 outside 0..1000\n"},
        {"levels out of order", "V 3 2 0 0.6 0.3 0.75 4 3 2 1\n", -3,
         "Error in levels of vegetation, i,j,k=3 2 2\nValues : 3.000000e-01 < 6.000000e-01\n"},
    };
    for (const auto& c : cases) {
        fresh();
        if (c.file) writeFile("vegdata", c.file);
        EXPECT_EQ(exitCodeOf([] { run(1); }), c.code) << c.name;
        EXPECT_EQ(boogie(), c.log) << c.name;
    }
}

// A log that cannot be opened after the reading ends the run, rather than
// dropping the drag and reading the file again at the next call.
TEST_F(Vegetation, UnopenableLogEndsTheRun) {
    writeFile("vegdata", "V 2 2 0 0.3 0.6 0.75 4 3 2 1\n");
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf([] { run(1); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

TEST_F(Vegetation, BoundValuesAcceptedAndGrowingValuesWarn) {
    writeFile("vegdata", "V 3 2 0 0.3 0.6 0.75 1000 0 0 0\nV 2 2 0 0.3 0.6 0.75 1 2 2 2\n");
    EXPECT_EQ(exitCodeOf([] { run(1); }), kNoExit);
    EXPECT_EQ(boogie(),
              "Warning, in vegetation values, i,j,k=2 2 1 and k=0\nValues : 2.000000e+00 < 1.000000e+00\n"
              "Have read vegetation file");
}

// Step 8 of the eddy viscosity acts once the file is read, in the vegetated
// cells alone. The added viscosity is a velocity scale times a length: it
// grows in proportion to the speed and to the F 194 coefficient, and down a
// column (same speed, same cell height) it is shared as the square root of
// the local drag factor. A squared speed, a lost root or a coefficient applied
// twice breaks one of these ratios.
TEST_F(Vegetation, ViscosityOnceTheFileIsRead) {
    TurbulenceModel = 2;
    TurbCoeffVeg = 1.0;
    writeFile("vegdata", "V 2 2 0 0.3 0.6 0.75 4 3 2 1\n");
    Equation = 1;
    GammaCalc();
    EXPECT_EQ(gama[2][2][2], 0.001);
    run(5);
    // The viscosity added to the laminar 0.001 in cells (2, 2, 2) and (2, 2, 3).
    auto added = [] {
        Equation = 1;
        GammaCalc();
        EXPECT_EQ(gama[3][3][2], 0.001);  // no vegetation in the column
        return std::pair{gama[2][2][2] - 0.001, gama[2][2][3] - 0.001};
    };
    const auto [base2, base3] = added();
    EXPECT_GT(base2, 0.0);
    EXPECT_NEAR(base2 / base3, std::sqrt(factor2 / factor3), 1e-12);

    TurbCoeffVeg = 2.0;
    const auto [coeff2, coeff3] = added();
    EXPECT_NEAR(coeff2 / base2, 2.0, 1e-12);
    EXPECT_NEAR(coeff3 / base3, 2.0, 1e-12);

    TurbCoeffVeg = 1.0;
    for (std::int64_t n = 0; n < xvel.size(); ++n) {
        xvel.data()[n] *= 3.0;
        yvel.data()[n] *= 3.0;
    }
    const auto [fast2, fast3] = added();
    EXPECT_NEAR(fast2 / base2, 3.0, 1e-12);
    EXPECT_NEAR(fast3 / base3, 3.0, 1e-12);
}

}  // namespace
