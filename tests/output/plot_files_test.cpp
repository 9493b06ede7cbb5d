// The Tecplot and VTK files as the result writer writes them for F 48 7 to
// 12: their sizes, their exact text on a small grid, the optional columns,
// the top layer, the numbered series and the files that cannot be opened.
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "output_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "grid/grid.h"
#include "output/output.h"

using namespace quird_test;
namespace fs = std::filesystem;

namespace {

// A box of X x Y x Z grid lines, 2 m by 1 m cells 0.5 m high, with the ghost
// nodes of the geometry and flow fields that differ in every cell.
class PlotFiles : public EngineTest {
protected:
    void box(int X, int Y, int Z) {
        boxGrid(X, Y, Z, 2.0, 1.0, 0.5);
        metric();
        fs::remove("boogie");
        for (int i = 0; i <= X + 1; ++i)
            for (int j = 0; j <= Y + 1; ++j)
                for (int k = 0; k <= Z + 1; ++k) {
                    xvel[i][j][k] = 1.0 + 0.1 * i + 0.01 * j + 0.001 * k;
                    yvel[i][j][k] = 0.01 * i - 0.02 * j;
                    zvel[i][j][k] = 0.001 * k - 0.0005 * i;
                    Pres[i][j][k] = 1000.0 * k + 10.0 * i + j;
                    kinen[i][j][k] = 0.001 * (i + j + k);
                    epsilon[i][j][k] = 0.0001 * i * k;
                    gamaV[i][j][k] = 100.0 * (i + k);
                    conc[0][i][j][k] = 0.001 * k;
                }
    }
    void entries(std::initializer_list<TecStrucRecord> list) {
        TecStrucNo = 0;
        for (const TecStrucRecord& e : list) TecStruc[TecStrucNo++] = e;
    }
    // Runs the result writer for one F 48 value.
    void write(int interpolVal) {
        FlagInterpolVal = interpolVal;
        sprintflow();
    }
};

std::vector<std::string> fields(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string f; in >> f;) out.push_back(f);
    return out;
}

// The lines of `lines` from `first`, `count` of them.
std::vector<std::string> slice(const std::vector<std::string>& lines, size_t first, size_t count) {
    if (first + count > lines.size()) return {};
    return {lines.begin() + static_cast<long>(first), lines.begin() + static_cast<long>(first + count)};
}

TEST_F(PlotFiles, SizesOnAGridOf10By5By4LinesWithoutExtraVariables) {
    box(10, 5, 4);
    TecStrucNo = 0;

    write(7);
    const std::vector<std::string> cells = readLines("tecplot");
    EXPECT_EQ(cells.size(), 9u * 4u * 3u);
    EXPECT_EQ(fields(cells.front()).size(), 9u);

    write(8);
    const std::vector<std::string> t3 = readLines("tecplot3.dat");
    ASSERT_EQ(t3.size(), 3u + 330u);
    EXPECT_EQ(t3[1], "VARIABLES=\"X1\",\"X2\",\"X3\",\"U1\",\"U2\",\"U3\"");
    EXPECT_EQ(t3[2], "ZONE I=11,J=6,K=5 F=POINT");
    for (size_t n = 3; n < t3.size(); ++n) EXPECT_EQ(fields(t3[n]).size(), 6u) << n;

    write(9);
    const std::vector<std::string> t2 = readLines("tecplot2.dat");
    ASSERT_EQ(t2.size(), 3u + 66u);
    EXPECT_EQ(t2[2], "ZONE I=11,J=6,F=POINT");
    EXPECT_EQ(fields(t2[3]).size(), 14u);

    write(10);
    const std::vector<std::string> v3 = readLines("ParaView3.vtk");
    ASSERT_EQ(v3.size(), 6u + 330u + 3u + 1u + 330u);
    EXPECT_EQ(v3[4], "DIMENSIONS 11 6 5");
    EXPECT_EQ(v3[5], "POINTS 330 float");
    // POINT_DATA is followed directly by the velocities.
    EXPECT_EQ(slice(v3, 336, 4), (std::vector<std::string>{"", "POINT_DATA 330", "", "VECTORS Velocities float"}));

    write(11);
    const std::vector<std::string> v2 = readLines("ParaView2.vtk");
    ASSERT_EQ(v2.size(), 6u + 132u + 4u + 132u);
    EXPECT_EQ(v2[4], "DIMENSIONS 11 6 2");
    EXPECT_EQ(v2[5], "POINTS 132 float");
    EXPECT_EQ(v2[139], "POINT_DATA 132");
}

// The exact files of a 3 x 3 x 3 grid with extra variables, three size
// classes, a moved bed and the bed-load columns, against the stored texts.
TEST_F(PlotFiles, GoldenTextsOfASmallGrid) {
    lnumber = 3;
    box(3, 3, 3);
    Title[0] = '\0';
    std::strcpy(Title + 1, " box ");
    gsize[1] = 0.004;
    gsize[2] = 0.002;
    gsize[3] = 0.001;
    for (int i = 0; i <= 4; ++i)
        for (int j = 0; j <= 4; ++j) {
            const bool emptyClasses = i == 2 && j == 2;  // half only at the coarsest middle
            bedgrain[1][i][j] = emptyClasses ? 0.0 : 0.2;
            bedgrain[2][i][j] = emptyClasses ? 0.0 : 0.3;
            bedgrain[3][i][j] = 0.5;
            BedGrainOriginal[1][i][j] = 0.25;
            Xks[i][j] = 0.05;
            Surfaces[0][i][j] = zval[i][j][0];
        }
    zval[2][2][0] = -0.02;  // node (2, 2) has moved down
    BedLoadVectorFlag = 1;
    entries({{2, 0, 'p'}, {1, 0, 'k'}, {0, 0, 'v'}, {2, 0, 'c'}, {0, 0, 'I'}, {0, 1, 'j'}, {0, 0, 'u'}, {0, 0, 'F'}});

    const struct {
        int interpolVal;
        const char* file;
    } files[] = {{7, "tecplot"}, {8, "tecplot3.dat"}, {9, "tecplot2.dat"}, {10, "ParaView3.vtk"}, {11, "ParaView2.vtk"}};
    for (const auto& f : files) {
        write(f.interpolVal);
        const fs::path golden = fs::path(QUIRD_SOURCE_DIR) / "tests/output/golden" / f.file;
        EXPECT_EQ(readFile(f.file), readFile(golden)) << f.file;
    }
}

TEST_F(PlotFiles, TecplotPlanColumnsFollowTheBedLoadFlagAndTheSizeClasses) {
    lnumber = 3;
    box(4, 4, 4);
    const struct {
        int bedLoad, classes;
        size_t columns;
        const char* tail;  // the end of the VARIABLES line
    } cases[] = {{0, 1, 14, ",\"ROUGH\""},
                 {1, 1, 16, ",\"ROUGH\",\"US_bed\",\"VS_bed\""},
                 {0, 3, 15, ",\"ROUGH\",\"D50\""},
                 {2, 2, 17, ",\"ROUGH\",\"US_bed\",\"VS_bed\",\"D50\""}};
    for (const auto& c : cases) {
        BedLoadVectorFlag = c.bedLoad;
        lnumber = c.classes;
        write(9);
        const std::vector<std::string> lines = readLines("tecplot2.dat");
        ASSERT_GE(lines.size(), 4u);
        const std::string& vars = lines[1];
        EXPECT_EQ(vars.substr(vars.size() - std::strlen(c.tail)), c.tail) << c.bedLoad << " " << c.classes;
        for (size_t n = 3; n < lines.size(); ++n) EXPECT_EQ(fields(lines[n]).size(), c.columns) << n;
    }
}

TEST_F(PlotFiles, StressColumnsOnlyWithAStressModel) {
    FlagReynoldsStress = 1;  // the stress store exists
    box(4, 4, 4);
    FlagReynoldsStress = 0;
    write(8);
    const std::string plain = readFile("tecplot3.dat");
    write(12);
    EXPECT_EQ(readFile("tecplot3.dat"), plain);

    FlagReynoldsStress = 1;
    for (int s = 0; s < 9; ++s) Rstress[s][2][1][1] = 0.5 * (s + 1);
    write(12);
    const std::vector<std::string> lines = readLines("tecplot3.dat");
    EXPECT_EQ(lines[1], "VARIABLES=\"X1\",\"X2\",\"X3\",\"U1\",\"U2\",\"U3\",\"T11\",\"T12\",\"T13\",\"T21\",\"T22\","
                        "\"T23\",\"T31\",\"T32\",\"T33\"");
    const std::vector<std::string> point = fields(lines.at(4));  // i = 2, j = 1, k = 1
    ASSERT_EQ(point.size(), 15u);
    EXPECT_EQ(point[6], "5.000000e-01");
    EXPECT_EQ(point[14], "4.500000e+00");
    write(8);
    EXPECT_EQ(readFile("tecplot3.dat"), plain);
}

// The top layer of the 3-D files lies on the surface.
TEST_F(PlotFiles, TopLayerVelocitiesOfTheFreeSurfaceAndOfTheLid) {
    box(4, 4, 4);
    const int points = 5 * 5 * 5;
    const size_t vectors = 6 + points + 4;  // first velocity line
    const size_t top = vectors + 4 * 25;   // first point of the top layer (i = 1, j = 1)
    for (int roof : {1, 0}) {
        FlagRoof = roof;
        write(10);
        const std::vector<std::string> lines = readLines("ParaView3.vtk");
        ASSERT_EQ(lines.at(vectors - 1), "VECTORS Velocities float");
        const int k = roof == 1 ? 4 : 5;
        char expected[100];
        std::snprintf(expected, sizeof expected, "%lf %lf %lf", xvel[1][1][k], yvel[1][1][k], zvel[1][1][k]);
        EXPECT_EQ(lines.at(top), expected) << roof;
    }
    // The Tecplot zone holds what is stored above the top cell in both cases.
    write(8);
    const std::vector<std::string> t3 = readLines("tecplot3.dat");
    EXPECT_EQ(fields(t3.at(3 + 4 * 25))[3], std::to_string(xvel[1][1][5]));
}

// In the 2-D VTK file the bed layer takes the cell values of k = 1 and the
// surface layer those of the top cell; column values stand on both.
TEST_F(PlotFiles, LayersOfThePlanViewVtkFile) {
    box(4, 4, 4);
    entries({{0, 0, 'k'}, {0, 0, 'v'}});
    write(11);
    const std::vector<std::string> lines = readLines("ParaView2.vtk");
    const size_t kValues = 6 + 50 + 2 + 3;  // first row of the first scalar
    ASSERT_EQ(lines.at(kValues - 2), "SCALARS Turbulent_k_0 float");
    char bed[40], surface[40];
    std::snprintf(bed, sizeof bed, "%lg", kinen[1][1][1]);
    std::snprintf(surface, sizeof surface, "%lg", kinen[1][1][4]);
    EXPECT_EQ(fields(lines.at(kValues))[0], bed);
    EXPECT_EQ(fields(lines.at(kValues + 5))[0], surface);
    const size_t vValues = kValues + 10 + 3;
    ASSERT_EQ(lines.at(vValues - 2), "SCALARS Water_level float");
    for (size_t row = 0; row < 5; ++row) EXPECT_EQ(lines.at(vValues + row), lines.at(vValues + 5 + row)) << row;
    EXPECT_EQ(fields(lines.at(vValues))[0], "1.5");
}

TEST_F(PlotFiles, TheMonitoredFractionIsThatOfTheLastEntry) {
    lnumber = 3;
    box(4, 4, 4);
    entries({{0, 1, 'c'}, {0, 3, 'c'}});
    for (int v : {8, 10, 11}) {
        lnode = 0;
        write(v);
        EXPECT_EQ(lnode, 3) << v;
    }
}

TEST_F(PlotFiles, NumberedSeriesAndFixedNames) {
    box(4, 4, 4);
    PrintRes = 5;
    const struct {
        int interpolVal;
        const char* first;
        const char* second;
    } cases[] = {{7, "tecplot", "tecplot"},
                 {8, "tec3_00000.dat", "tec3_00001.dat"},
                 {12, "tec3_00002.dat", "tec3_00003.dat"},
                 {9, "tec2_00000.dat", "tec2_00001.dat"},
                 {10, "pav3_00000.vtk", "pav3_00001.vtk"},
                 {11, "pav2_00000.vtk", "pav2_00001.vtk"}};
    for (const auto& c : cases) {
        write(c.interpolVal);
        EXPECT_TRUE(fs::exists(c.first)) << c.first;
        write(c.interpolVal);
        EXPECT_TRUE(fs::exists(c.second)) << c.second;
    }
    for (const char* name : {"tecplot3.dat", "tecplot2.dat", "ParaView3.vtk", "ParaView2.vtk"})
        EXPECT_FALSE(fs::exists(name)) << name;
}

TEST_F(PlotFiles, StatusTextsAndFilesThatCannotBeOpened) {
    box(4, 4, 4);
    const struct {
        int interpolVal;
        const char* file;
        const char* done;
        const char* failed;
    } cases[] = {
        {7, "tecplot", "have written Tecplot file  ", "cannot open file 'tecplot' "},
        {8, "tecplot3.dat", "have written Tecplot 3D file  ", "cannot open file 'tecplot3.dat' "},
        {9, "tecplot2.dat", "have written Tecplot 2D file  ", "cannot open file 'tecplot2.dat' "},
        {10, "ParaView3.vtk", "have written ParaView 3D file  ", "cannot open file 'ParaView3.vtk' "},
        {11, "ParaView2.vtk", "have written ParaView 2D file  ", "cannot open file 'ParaView2.vtk' "},
    };
    for (const auto& c : cases) {
        write(c.interpolVal);
        EXPECT_STREQ(mc_message, c.done);
        EXPECT_EQ(gFlagWriteR, 0);
        fs::remove(c.file);
        fs::create_directory(c.file);  // a name that cannot be opened for writing
        EXPECT_EQ(exitCodeOf([&] { write(c.interpolVal); }), -3) << c.file;
        EXPECT_STREQ(mc_message, c.failed);
    }
    EXPECT_FALSE(fs::exists("boogie"));
}

}  // namespace
