// The sediment initialisation on the straight channel (xnumber 9, ynumber 5,
// znumber 7, cells 1 m x 0.5 m x 0.1 m, U 0.5 m/s): bed cells, profiles,
// inflow load, log lines, roughness-layer shear, the Shields distribution,
// sources and the restart files.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using namespace sedtest;
using quird_test::exitCodeOf;
using quird_test::writeFile;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Suspinit : public SedimentTest {
protected:
    // Sizes 1 mm (w 0.1 m/s), 0.2 mm (0.02 m/s), 0.1 mm (0.008 m/s): equal
    // bed fractions, bed shear 2 N/m2, van Rijn's method.
    void channel(int sizes = 3) {
        lnumber = sizes;
        straightChannel(0.5);
        const double d[] = {0, 0.001, 0.0002, 0.0001}, w[] = {0, 0.1, 0.02, 0.008};
        for (int l = 1; l <= sizes; ++l) gsize[l] = d[l], fallvelo[l] = w[l];
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                Xks[i][j] = 0.01;
                bedgrain[0][i][j] = BedGrainOriginal[0][i][j] = 0.5;
                for (int l = 1; l <= sizes; ++l) bedgrain[l][i][j] = BedGrainOriginal[l][i][j] = 1.0 / sizes;
                bedshear[i][j] = 2.0;
                for (int k = 0; k <= znumber + 1; ++k) kinen[i][j][k] = 0.002;
            }
        XksWall = 0.01;
        avvelocity[1] = 0.5;
        radius[1] = 0.5;
        ManArray[0] = 40.0;
        std::filesystem::remove("boogie");
    }
    // Sediment load of size l through the inflow face, from the state.
    static double load(int l) {
        double sum = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                sum += (xvel[1][j][k] * m_vec_x[1][j][0] + yvel[1][j][k] * m_vec_x[1][j][1]) * m_ar_x[1][j][k] *
                       conc[l][1][j][k];
        return density * 1000.0 * sum;
    }
    // The profile ratio of cell k: (((D - z)/z) a/(D - a)) with D and z from
    // the bed-cell centre.
    static double ratio(int i, int j, int k) {
        const double a = blevel[i][j];
        const double D = centreHeight(i, j, znumber) + m_dist_z[i][j][znumber] - m_dist_z[i][j][2];
        const double z = centreHeight(i, j, k) - m_dist_z[i][j][2];
        return (D - z) / z * a / (D - a);
    }
};

TEST_F(Suspinit, BedCellsProfilesAndInflowLoad) {
    channel();
    inflow[1] = 0.3, inflow[2] = 0.05, inflow[3] = 0.0;
    // Columns by bed shear: 3 below 1e-4 N/m2 (u* = sqrt(1e-7)); 4 with the
    // fall velocity of size 3 giving Z = 10 there, size 1 far above.
    for (int j = 0; j <= ynumber + 1; ++j) bedshear[3][j] = 5e-5, bedshear[4][j] = 5e-5;
    const double uFloor = std::sqrt(1e-7);
    ASSERT_EQ(10.0 * (0.4 * uFloor) / (0.4 * uFloor), 10.0);
    fallvelo[3] = 10.0 * (0.4 * uFloor);
    suspinit();
    for (int l = 1; l <= 3; ++l) {
        SCOPED_TRACE(l);
        if (inflow[l] > 0.0) {
            EXPECT_NEAR(load(l), inflow[l], 1e-10 * inflow[l]);
        }
        for (int i = 2; i <= xnumber + 1; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                const double cb = conc[l][i][j][0] * bedgrain[l][i][j] + 1e-15;
                EXPECT_EQ(conc[l][i][j][2], cb) << i << "," << j;
                EXPECT_EQ(conc[l][i][j][1], cb) << i << "," << j;
                const double tb = bedshear[i][j];
                const double ustar = tb >= 1e-4 ? std::sqrt(tb / 1000.0) : uFloor;
                const double Z = fallvelo[l] / (0.4 * ustar);
                for (int k = 3; k <= znumber; ++k) {
                    const double want = Z > 10.0 ? 0.0 : cb * std::pow(ratio(i, j, k), Z);
                    EXPECT_NEAR(conc[l][i][j][k], want, 1e-13 * want) << i << "," << j << "," << k;
                }
                EXPECT_EQ(conc[l][i][j][znumber + 1], 0.0);
                EXPECT_EQ(conc[l][i][j][znumber + 2], 0.0);
            }
    }
    // Size 1 is above Z = 10 in the floor columns, size 3 at Z = 10 keeps its profile.
    EXPECT_EQ(conc[1][3][3][4], 0.0);
    EXPECT_GT(conc[3][3][3][4], 0.0);
    // A size without inflow: zero upstream profile, bed cell included.
    for (int i = 0; i <= 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) EXPECT_EQ(conc[3][i][j][k], 0.0) << i << "," << j << "," << k;
    // The sum fraction.
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                EXPECT_DOUBLE_EQ(conc[0][i][j][k], conc[1][i][j][k] + conc[2][i][j][k] + conc[3][i][j][k]);
}

TEST_F(Suspinit, InflowColumnFractionsAndSmallRouseNumber) {
    // Size 2 absent next to the inflow: 0.01 when it has an inflow, else 0.
    for (const double given : {0.05, 0.0}) {
        SCOPED_TRACE(given);
        channel(2);
        inflow[1] = 0.3, inflow[2] = given;
        FlagZ0Small = 1;
        for (int j = 0; j <= ynumber + 1; ++j) bedgrain[1][2][j] = 0.6, bedgrain[2][2][j] = 0.0;
        suspinit();
        const double b2 = given > 0.0 ? 0.01 : 0.0;
        for (int j = 2; j <= ynumber; ++j) {
            EXPECT_DOUBLE_EQ(bedgrain[1][1][j], 0.6 / (0.6 + b2 + 1e-30));
            EXPECT_DOUBLE_EQ(bedgrain[2][1][j], b2 / (0.6 + b2 + 1e-30));
            // Z = 0.02 in the inflow column: the profile relative to the bed cell.
            for (int k = 3; k <= znumber; ++k)
                EXPECT_NEAR(conc[1][1][j][k] / conc[1][1][j][2], std::pow(ratio(1, j, k), 0.02), 1e-12);
        }
        EXPECT_NEAR(load(1), 0.3, 3e-11);
    }
}

// The log lines in order; `debugging` E drops the status texts, the header
// and the inflow-load lines only; D adds the bed cells.
TEST_F(Suspinit, LogLinesByDebugging) {
    for (const char letter : {'N', 'E', 'D'}) {
        SCOPED_TRACE(letter);
        channel(1);
        inflow[1] = 0.2;
        debugging = letter;
        std::strcpy(mc_program, "p");
        suspinit();
        const std::string log = SedimentTest::log();
        char shear[64];
        std::snprintf(shear, sizeof shear, "Shear in entrance: %lg \n", 9810.0 * std::pow(0.5 / 40.0, 2.0) / std::pow(0.5, 0.3333));
        const bool quiet = letter == 'E';
        std::size_t at = 0;
        const auto next = [&](const std::string& part, bool present) {
            const std::size_t found = log.find(part, at);
            if (!present) {
                EXPECT_EQ(found, std::string::npos) << part << "\n" << log;
                return;
            }
            ASSERT_NE(found, std::string::npos) << part << "\n" << log;
            at = found + part.size();
        };
        next(" In suspinit\n\n", !quiet);
        next(shear, true);
        next("Using van Rijn's method with parameters: 0.015000 1.500000 0.300000\n", true);
        next("Have calculated bed sediment concentration\n", true);
        next("Init: conc(1,2,2,2) = ", letter == 'D');
        next("conc(1,2,2,2)=", true);
        next("Initial bed material load is ", !quiet);
        next("Corr. between calc. and given inflow of sediments\nin upstream profile for l = 1 is: ", !quiet);
        next("Have not read from conres/fracres files \n", true);
        // (mc_message is the restart reader's by the end.)
        EXPECT_STREQ(mc_program, quiet ? "p" : " In suspinit                ");
    }
}

// The printed bed cell is the computed one, before the scaling and the sources.
TEST_F(Suspinit, PrintedBedCellBeforeSources) {
    channel(1);
    inflow[1] = 1e-3;
    i_pointsource = j_pointsource = k_pointsource = 2;
    pointsource[1] = 0.5;
    suspinit();
    char line[64];
    std::snprintf(line, sizeof line, "conc(1,2,2,2)=%e\n", conc[1][2][2][0] * bedgrain[1][2][2] + 1e-15);
    EXPECT_TRUE(contains(log(), line)) << log();
    EXPECT_EQ(conc[1][2][2][2], 0.5);
}

// Bed shear from the roughness layer (H 0.3 m, P 0.6) on a column by hand:
// u = 0.4, 0.6, 0.8 m/s in the cells 2..4 (centres 0.05, 0.15, 0.25 m), k_b 0.001.
TEST_F(Suspinit, RoughnessLayerShear) {
    const struct {
        int type;
        double shear;
    } rows[] = {{11, 19.411111111111111}, {12, 16.966666666666665}, {13, 28.0}, {0, 2.0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.type);
        channel(1);
        FlagBrelk = r.type;
        ParamBrelk = 0.6;
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                Xks[i][j] = 0.3;
                kinen[i][j][2] = 0.001;
                for (int k = 2; k <= znumber; ++k) xvel[i][j][k] = k <= 4 ? 0.2 * k : 1.0;
            }
        suspinit();
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 2; j <= ynumber; ++j) EXPECT_NEAR(bedshear[i][j], r.shear, 1e-12 * r.shear) << i << "," << j;
    }
}

// Critical diameter from k_b 0.003 m2/s2: 1.18302 mm.
TEST_F(Suspinit, ShieldsDistribution) {
    const double d[] = {0, 0.004, 0.001, 0.00025};
    const struct {
        const char* name;
        int sizes;
        int order[3];
        double want[3];
    } rows[] = {
        {"three sizes", 3, {1, 2, 3}, {0.496990, 0.503010, 0.0}},
        {"one size", 1, {1, 0, 0}, {1.0, 0, 0}},
        {"sizes out of order", 3, {1, 3, 2}, {1.0, -0.503010, 0.503010}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        channel(r.sizes);
        BedFlags[0] = 1;
        for (int l = 1; l <= r.sizes; ++l) gsize[l] = d[r.order[l - 1]];
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) kinen[i][j][2] = 0.003;
        suspinit();
        const std::string log = SedimentTest::log();
        EXPECT_EQ(contains(log, "Using Shield's initialization for bed grain size distribution\n"), r.sizes > 1);
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) {
                if (r.sizes > 1) {
                    EXPECT_EQ(bedgrain[0][i][j], 0.0);
                }
                for (int l = 1; l <= r.sizes; ++l) EXPECT_NEAR(bedgrain[l][i][j], r.want[l - 1], 1e-6) << l;
            }
        EXPECT_EQ(contains(log, "Error in in BedInitDistrib, bedgrain(2,2,2) = -0.503"), r.order[1] == 3) << log;
        EXPECT_FALSE(contains(log, "Error in sum fraction"));  // the differences always sum to 1
    }
    const double dc = 0.003 * 300.0 / (0.047 * 1.65 * 9.81 * 1000.0);
    EXPECT_NEAR(dc, 1.18302e-3, 1e-8);
}

TEST_F(Suspinit, ShieldsNumberZeroEndsBeforeAnyFraction) {
    channel(3);
    BedFlags[0] = 1;
    shieldscoeff = 0.0;
    EXPECT_EQ(exitCodeOf([] { suspinit(); }), 1);
    EXPECT_TRUE(contains(log(), "Error in Shield's initialization: critical Shields number 0 in F 11\n")) << log();
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            EXPECT_EQ(bedgrain[0][i][j], 0.5);
            for (int l = 1; l <= 3; ++l) EXPECT_EQ(bedgrain[l][i][j], 1.0 / 3.0);
        }
}

// Point sources (one cell, a box at the largest indices the readers accept)
// and area sources write over their boxes; the sum fraction stays.
TEST_F(Suspinit, PointAndAreaSources) {
    const struct {
        const char* name;
        int box[6];  // i, i2, j, j2, k, k2 of the point source (i2 0: one cell)
    } rows[] = {{"one cell", {4, 0, 3, 0, 5, 0}}, {"box", {3, 4, 2, 3, 2, 3}}, {"largest", {10, 11, 6, 7, 7, 9}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        channel(2);
        inflow[1] = inflow[2] = 0.1;
        i_pointsource = r.box[0], i2_pointsource = r.box[1], j_pointsource = r.box[2], j2_pointsource = r.box[3];
        k_pointsource = r.box[4], k2_pointsource = r.box[5];
        pointsource[1] = 0.25, pointsource[2] = 0.125;
        AreaSourceNo = 2;
        AreaSource[0] = {{6, 7, 4, 4, 2, 6}, 2, 0.5};
        AreaSource[1] = {{0, 11, 0, 7, 8, 9}, 1, 0.75};  // the largest box of G 20
        suspinit();
        const int i2 = r.box[1] ? r.box[1] : r.box[0], j2 = r.box[1] ? r.box[3] : r.box[2], k2 = r.box[1] ? r.box[5] : r.box[4];
        for (int i = r.box[0]; i <= i2; ++i)
            for (int j = r.box[2]; j <= j2; ++j)
                for (int k = r.box[4]; k <= k2; ++k) {
                    if (k >= 8) continue;  // under the area source of size 1
                    EXPECT_EQ(conc[1][i][j][k], 0.25);
                    EXPECT_EQ(conc[2][i][j][k], 0.125);
                    if (k >= 2 && k <= znumber && j >= 2 && j <= ynumber && i <= xnumber + 1) {
                        EXPECT_NE(conc[0][i][j][k], 0.375);  // the sum is not renewed
                    }
                }
        for (int i = 6; i <= 7; ++i)
            for (int k = 2; k <= 6; ++k) EXPECT_EQ(conc[2][i][4][k], 0.5);
        EXPECT_EQ(conc[1][0][0][9], 0.75);
        EXPECT_EQ(conc[1][11][7][8], 0.75);
    }
}

// Restart files in the folder overwrite the computed state.
TEST_F(Suspinit, RestartFilesOverwriteTheProfiles) {
    channel(1);
    inflow[1] = 0.2;
    writeFile("conres", "Concentrations in volume fractions.\n i, j, k, concentration(size):\n\n"
                        "3 3 4 0.125 0.0625\n1 2 2 0.5 0.25\n");
    writeFile("fracres", "Bed grain fractions(size) + i,j \n \n4 3 0.75 0.5 0.25 1\n");
    suspinit();
    EXPECT_EQ(conc[0][3][3][4], 0.125);
    EXPECT_EQ(conc[1][3][3][4], 0.0625);
    EXPECT_EQ(conc[1][1][2][2], 0.25);
    EXPECT_EQ(bedgrain[0][4][3], 0.75);
    EXPECT_EQ(bedgrain[1][4][3], 0.5);
    EXPECT_EQ(BedGrainOriginal[0][4][3], 0.25);
    EXPECT_EQ(FlagReadFracres, 1);
    EXPECT_TRUE(contains(log(), "Have read from conres/fracres files \n")) << log();
    // A compres.pre alone is no sediment restart.
    std::filesystem::remove("conres");
    std::filesystem::remove("fracres");
    writeFile("compres.pre", "Concentrations in volume fractions.\n i, j, k, concentration(size):\n\n");
    std::filesystem::remove("boogie");
    suspinit();
    EXPECT_TRUE(contains(log(), "Have not read from conres/fracres files \n")) << log();
}

TEST_F(Suspinit, UnknownFormulaAndUnopenedLog) {
    channel(1);
    SedimentFormula = 'Q';
    EXPECT_EQ(exitCodeOf([] { suspinit(); }), 1);
    EXPECT_TRUE(contains(log(), "Error in bed concentration calling - suspinit\n")) << log();
    SedimentFormula = 'R';
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf([] { suspinit(); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
}

}  // namespace
