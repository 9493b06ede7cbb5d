// The catalogue of the G 24 variables: every letter's Tecplot title, VTK
// name and value, the value format, the median grain size, the Froude
// number, the porosity of the bed layers, and fields that a run lacks.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "morphology/state.h"
#include "waterquality/state.h"
#include "grid/grid.h"
#include "output/catalogue.h"
#include "output/plot_grid.h"

using namespace quird_test;

namespace {

// A 4 x 4 x 4 box (cells 0.5 m high) with three size classes, two
// water-quality components and the porous bed layers; distinct values in
// cell (2, 2, 2) and column (2, 2).
class Catalogue : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        lnumber = 3;
        NoComponents = 2;
        FlagBedPoros = 1;
        boxGrid(4, 4, 4, 1.0, 1.0, 0.5);
        metric();
        gsize[1] = 0.004;
        gsize[2] = 0.002;
        gsize[3] = 0.001;

        gamaV[2][2][2] = 2000.0;
        Porosity[2][2][2] = 0.4;
        conc[1][2][2][2] = 0.003;
        diff[2][2][2] = 0.05;
        epsilon[2][2][2] = 0.7;
        kinen[2][2][2] = 0.02;
        Pres[2][2][2] = 900.0;
        comp[1][2][2][2] = 4.5;
        xvel[2][2][2] = 3.0;
        yvel[2][2][2] = 4.0;
        zvel[2][2][2] = 0.25;
        xvel[2][2][3] = xvel[2][2][4] = 1.0;  // mean speed of the column 7/3

        Bedformheight[2][2] = 0.12;
        const double active[] = {0.1, 0.2, 0.3, 0.5}, inactive[] = {0.1, 0.5, 0.5, 0.0};
        for (int l = 0; l <= 3; ++l) {
            bedgrain[l][2][2] = active[l];
            BedGrainOriginal[l][2][2] = inactive[l];
        }
        BedMove[2][2] = 0.07;
        Xks[2][2] = 0.03;
        zval[2][2][0] = -0.1;  // the bed has moved 0.1 m down
        Surfaces[0][2][2] = 0.0;
        Surfaces[3][2][2] = -0.6;
        const double levels[] = {0.2, 0.4, 0.6, 0.8}, porosities[] = {0.5, 0.4, 0.3, 0.2};
        for (int m = 0; m < 4; ++m) {
            LevPorosBed[2][2][m] = levels[m];
            PorosityBed[2][2][m] = porosities[m];
        }
    }
};

struct LetterCase {
    char letter;
    const char* title;  // the Tecplot title of an entry of level 2, fraction 1
    const char* name;   // its VTK name
    double value;       // at cell (2, 2, 2), porosity taken at level 0.3
};

TEST_F(Catalogue, EveryLetterHasItsTitleNameAndValue) {
    const double froude = (7.0 / 3.0) / std::sqrt(19.62 * 0.75);
    const LetterCase cases[] = {
        {'A', ",\"D90\"", "D90", 0.0},
        {'D', ",\"Depth-averaged velocity\"", "Depth-averaged_velocity", 0.0},
        {'E', ",\"Residual epsilon 2 \"", "Residual_epsilon_2", 0.0},
        {'F', ",\"Froude number\"", "Froude_number", froude},
        {'H', ",\"Residual horizontal velocity 2 \"", "Residual_horizontal_velocity_2", 0.0},
        {'I', ",\"Error\"", "Error", 2.0},
        {'J', ",\"Error\"", "Error", 0.5 * 0.002 + 0.5 * 0.004},  // D50 of the inactive layer
        {'K', ",\"Residual k 2 \"", "Residual_k_2", 0.0},
        {'L', ",\"Top sediment layer thickness\"", "Top_sediment_layer_thickness", 0.0},
        {'P', ",\"Porosity 2 \"", "Porosity_2", 0.45},
        {'R', ",\"Residual pressure 2 \"", "Residual_pressure_2", 0.0},
        {'V', ",\"Horiz. velocity\"", "Horiz_velocity", 0.0},
        {'W', ",\"Residual vertical velocity 2 \"", "Residual_vertical_velocity_2", 0.4},
        {'a', ",\"D50\"", "D50", 0.375 * 0.001 + 0.625 * 0.002},
        {'b', ",\"Bed form height\"", "Bed_form_height", 0.12},
        {'c', ",\"Sediment conc. lev 2 size 1\"", "Sediment_conc_lev_2_size_1", 0.003},
        {'d', ",\"Eddy-viscosity 2 \"", "Eddy-viscosity_2", 0.05},
        {'e', ",\"Epsilon\"", "Epsilon", 0.7},
        {'f', ",\"Bed sediment fraction, size 1\"", "Bed_sediment_fraction_size_1", 0.2},
        {'h', ",\"Roughness/Depth\"", "Roughness/Depth", 0.07},
        {'i', ",\"No. cells vertical direction\"", "No_cells_vertical_direction", 0.0},
        {'j', ",\"Error\"", "Error", 0.5},
        {'k', ",\"Turbulent k 2 \"", "Turbulent_k_2", 0.02},
        {'l', ",\"Bed sediment thickness\"", "Bed_sediment_thickness", 0.0},
        {'m', ",\"Bed shear\"", "Bed_shear", 6.0},
        {'p', ",\"Pressure 2 \"", "Pressure_2", 900.0},
        {'q', ",\"Water Quality 2 \"", "Water_Quality_2", 4.5},
        {'r', ",\"Roughness\"", "Roughness", 0.03},
        {'s', ",\"Bed movement\"", "Bed_movement", -0.1},
        {'t', ",\"Sediment thickness\"", "Sediment_thickness", 0.5},
        {'u', ",\"Horiz. velocity\"", "Horiz_velocity", 5.0},
        {'v', ",\"Water level\"", "Water_level", 1.5},
        {'w', ",\"Uz 2 \"", "Uz_2", 0.25},
        {'x', ",\"Temperature gradient\"", "Temperature_gradient", 0.0},
        {'y', ",\"Depth\"", "Depth", 1.6},
        {'z', ",\"Bed level\"", "Bed_level", -0.1},
        {'n', ",\"Error\"", "Error", 0.0},  // a letter without a row
        {'#', ",\"Error\"", "Error", 0.0},
    };
    const CataloguePoint at{2, 2, 2, 0.3};
    for (const LetterCase& c : cases) {
        const TecStrucRecord entry{2, 1, c.letter};
        TecStrucNo = 1;
        TecStruc[0] = entry;
        EXPECT_EQ(tecplotTitle(entry), c.title) << c.letter;
        EXPECT_EQ(vtkNames().at(0), c.name) << c.letter;
        EXPECT_NEAR(catalogueValue(entry, at), c.value, 1e-5 * std::max(1.0, std::fabs(c.value))) << c.letter;
    }
}

TEST_F(Catalogue, TitlesCarryTheLevelAndTheFraction) {
    EXPECT_EQ(tecplotTitle({0, 0, 'c'}), ",\"Sediment conc. lev 0 size 0\"");
    EXPECT_EQ(tecplotTitle({3, 2, 'c'}), ",\"Sediment conc. lev 3 size 2\"");
    EXPECT_EQ(tecplotTitle({3, 2, 'f'}), ",\"Bed sediment fraction, size 2\"");
    conc[0][2][2][2] = 0.006;
    conc[2][2][2][2] = 0.002;
    EXPECT_DOUBLE_EQ(catalogueValue({1, 0, 'c'}, {2, 2, 2, 0.0}), 0.006);  // the sum of the sizes
    EXPECT_DOUBLE_EQ(catalogueValue({1, 2, 'c'}, {2, 2, 2, 0.0}), 0.002);
}

TEST_F(Catalogue, VtkNamesHaveNoBlanksAndRepeatsAreNumbered) {
    const TecStrucRecord entries[] = {{1, 0, 'I'}, {0, 0, 'J'}, {0, 1, 'j'}, {0, 0, 'Q'}, {0, 0, 'V'},
                                      {0, 0, 'u'}, {2, 0, 'p'}, {2, 0, 'p'}, {1, 2, 'c'}, {1, 1, 'q'}};
    TecStrucNo = 10;
    for (int n = 0; n < 10; ++n) TecStruc[n] = entries[n];
    const std::vector<std::string> expected = {
        "Error",          "Error_2",    "Error_3",      "Error_4",
        "Horiz_velocity", "Horiz_velocity_2", "Pressure_2", "Pressure_2_2",
        "Sediment_conc_lev_1_size_2", "Water_Quality_1"};
    EXPECT_EQ(vtkNames(), expected);
}

TEST(CatalogueValueFormat, TinyValuesAreZeroOthersShortest) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{1e-15, " 0.0"},  {-1e-15, " 0.0"},  {-2e-14, " -2e-14"}, {1e-14, " 1e-14"},
                 {0.5, " 0.5"},    {-3.25, " -3.25"}, {123456789.0, " 1.23457e+08"}, {0.0, " 0.0"}};
    for (const auto& c : cases) {
        char* text = nullptr;
        size_t size = 0;
        FILE* fp = open_memstream(&text, &size);
        writeCatalogueValue(fp, c.value);
        std::fclose(fp);
        EXPECT_EQ(std::string(text), c.text) << c.value;
        std::free(text);
    }
}

TEST_F(Catalogue, MedianGrainSizeBetweenTheMiddlesOfTheClasses) {
    const struct {
        int classes;
        double f[4];  // f[1..classes], coarsest first
        double d50;
    } cases[] = {
        {1, {0, 1.0}, 0.004},                                // one class: its size
        {3, {0, 0.2, 0.3, 0.5}, 0.375 * 0.001 + 0.625 * 0.002},  // t = 2 x 0.15 / 0.8
        {3, {0, 0.0, 0.0, 1.2}, 0.001},                      // beyond half at the finest middle
        {3, {0, 0.0, 0.0, 1.0}, 0.001},                      // half at the finest middle: its size
        {3, {0, 0.0, 0.0, 0.5}, 0.004},                      // half only at the coarsest middle, two classes empty
        {3, {0, 0.0, 0.0, 0.0}, 0.004},                      // no sediment: the coarsest size
        {2, {0, 0.5, 0.5}, 0.5 * 0.002 + 0.5 * 0.004},
    };
    for (const auto& c : cases) {
        const double d = d50OfFractions(c.f, c.classes);
        EXPECT_TRUE(std::isfinite(d));
        EXPECT_NEAR(d, c.d50, 1e-15) << c.classes << " " << c.f[1] << " " << c.f[2] << " " << c.f[3];
    }
}

TEST_F(Catalogue, FroudeNumberOfAColumnWithoutDepthIsZero) {
    // The side rows j = 1 and j = ynumber + 1 carry no cell heights.
    xvel[3][1][2] = 1.0;
    for (int j : {1, ynumber + 1}) EXPECT_EQ(froudeNumber(3, j), 0.0) << j;
    for (int j : {1, ynumber + 1}) EXPECT_EQ(froudeNumber(2, j), 0.0) << j;
    EXPECT_GT(froudeNumber(2, 2), 0.0);
    // The plain mean of the speeds, whatever the cell heights.
    EXPECT_NEAR(froudeNumber(2, 2), (7.0 / 3.0) / std::sqrt(19.62 * 0.75), 1e-12);
}

TEST_F(Catalogue, PorosityOfTheBedLayersAtALevel) {
    const struct {
        double z, porosity;
    } cases[] = {
        {0.1, 0.5},   // below the lowest layer level: the lowest layer's porosity
        {0.2, 0.5},   // on L0: the lowest layer's porosity too
        {0.3, 0.45},  // halfway between L0 and L1
        {0.6, 0.3},   // on L2: P2, falling to P3 at L3
        {0.7, 0.25},
        {0.8, 0.0},   // at and above the highest level: no porous layer
        {5.0, 0.0},
    };
    for (const auto& c : cases) EXPECT_NEAR(porosityAtLevel(2, 2, c.z), c.porosity, 1e-5) << c.z;
}

TEST_F(Catalogue, PorosityTakenAtNodeLevelsAndTheSurfaceOnTop) {
    // Node levels 0, 0.5, 1.0, 1.5 of the box; zval above the top level is
    // no node and must not be read.
    for (int a = 1; a <= 3; ++a)
        for (int b = 1; b <= 3; ++b) zval[a][b][5] = -100.0;
    EXPECT_DOUBLE_EQ(volumePoint(2, 2, 1).level, 0.0);
    EXPECT_DOUBLE_EQ(volumePoint(2, 2, 2).level, 0.5);
    EXPECT_DOUBLE_EQ(volumePoint(2, 2, 4).level, 1.5);
    EXPECT_DOUBLE_EQ(volumePoint(2, 2, 5).level, 1.5);
    EXPECT_EQ(volumePoint(2, 2, 5).k, 4);  // the cell below the top layer
    EXPECT_DOUBLE_EQ(bedPoint(2, 2).level, 0.0);
    EXPECT_EQ(bedPoint(2, 2).k, 1);
    EXPECT_DOUBLE_EQ(surfacePoint(2, 2).level, 1.5);
    EXPECT_EQ(surfacePoint(2, 2).k, 4);
}

TEST_F(Catalogue, WaterQualityComponentsOnlyWhereTheyExist) {
    comp[1][2][2][2] = 4.5;
    const CataloguePoint at{2, 2, 2, 0.3};
    EXPECT_DOUBLE_EQ(catalogueValue({0, 1, 'q'}, at), 4.5);
    EXPECT_EQ(catalogueValue({0, 2, 'q'}, at), 0.0);  // fraction at the number of components
    EXPECT_EQ(catalogueValue({0, 3, 'q'}, at), 0.0);
}

// Fields that the run does not have give zeros.
TEST_F(OutputTest, CatalogueLettersOfMissingFieldsWriteZero) {
    ASSERT_TRUE(comp.isNull());
    ASSERT_TRUE(Porosity.isNull());
    const CataloguePoint at{2, 2, 2, 0.3};
    for (char letter : {'q', 'W', 'P'}) EXPECT_EQ(catalogueValue({1, 0, letter}, at), 0.0) << letter;
}

}  // namespace
