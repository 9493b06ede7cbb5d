// The quasi-steady morphology pass: on the settling basin the bed volume of
// the step carries what the sediment balance traps; the step from half the
// depth; the report lines; the refusals; the F 23 and F 28 sweeps on small
// hand-set BedMove fields.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/morphology_quasi.h"
#include "morphology/state.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"

using namespace sedtest;

namespace {

class QuasiMorphology : public SedimentTest {};

double interiorVolume() {
    double V = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) V += BedMove[i][j] * m_armap[i][j];
    return V;
}

double logged(const std::string& log, const std::string& key) {
    const std::size_t at = log.rfind(key);
    return at == std::string::npos ? NAN : std::atof(log.c_str() + at + key.size());
}

// The bed volume of the step, as sediment mass per second, is what the
// basin traps; the fastest column changes by MaxBedChange of half its depth.
TEST_F(QuasiMorphology, BasinPassCarriesTheTrappedSediment) {
    for (int smear : {2, 0}) {
        basinWithSediment(0.001, 0.01);
        ADSmearNo = smear;
        std::vector<double> z(zval.data(), zval.data() + zval.size());
        std::vector<double> dz(m_dist_z.data(), m_dist_z.data() + m_dist_z.size());
        std::filesystem::remove("boogie");
        morphology();
        const std::string log = SedimentTest::log();
        const double trappedMass = inflow[1] * trapped[1] / 100.0;  // kg/s
        const double total = logged(log, "Total change in bed levels: ");
        EXPECT_NEAR(interiorVolume() * ConvCoef * 1000.0 * density / stime, trappedMass, 1e-6 * trappedMass);
        EXPECT_NEAR(total, interiorVolume(), 1e-6 * total);
        double largest = 0.0;
        for (int i = 2; i <= xnumber; ++i) {
            largest = std::max(largest, std::fabs(BedMove[i][2]));
            EXPECT_EQ(bedlevchange[0][i][2], BedMove[i][2]);
        }
        EXPECT_NEAR(largest, MaxBedChange * 0.5, 1e-12);  // half of the 1 m depth
        EXPECT_NEAR(BedMove[2][2], MaxBedChange * 0.5, 1e-12) << "the first column settles fastest";
        EXPECT_NE(log.find("Max bedlevchange = 0.050000 meter\nfor i= 2 j=2 \n"), std::string::npos) << log;
        EXPECT_NEAR(logged(log, "Time step: "), stime, 1e-6 * stime);
        EXPECT_NE(log.find("BedMove(2,2) = 5.000000e-02 meters\n"), std::string::npos);
        EXPECT_NE(log.find("Have written conres.t file \n"), std::string::npos);
        EXPECT_NE(log.find("\n ***** In morphology **********\n\nBed concentration flags: 0 0 0 0 0 0\n"),
                  std::string::npos);
        EXPECT_TRUE(std::filesystem::exists("conres.new"));
        EXPECT_STREQ(mc_message, "Sediment calculation finished");
        EXPECT_EQ(BedRecIter, 1);
        EXPECT_TRUE(std::equal(z.begin(), z.end(), zval.data()));
        EXPECT_TRUE(std::equal(dz.begin(), dz.end(), m_dist_z.data()));
    }
}

TEST_F(QuasiMorphology, DepthFormTiesAndNoStep) {
    // debugging D: the depth form of the per-cell line.
    basinWithSediment(0.001, 0.01);
    debugging = 'D';
    morphology();
    EXPECT_NE(SedimentTest::log().find("BedMove(2,2) = 5.000000e-02, depth = 9.500000e-01\n"), std::string::npos);

    // No exchange anywhere: every column proposes the same step, the first wins.
    basinWithSediment(0.001, 0.01);
    for (int k = 2; k <= znumber; ++k) conc[1][1][2][k] = 0.0;
    std::filesystem::remove("boogie");
    morphology();
    EXPECT_NE(SedimentTest::log().find("Max bedlevchange = 0.000000 meter\nfor i= 2 j=2 \n"), std::string::npos);

    // No open bed cell: no step.
    basinWithSediment(0.001, 0.01);
    for (int i = 2; i <= xnumber; ++i) OBlok[i][2][2] = 0;
    std::filesystem::remove("boogie");
    morphology();
    const std::string log = SedimentTest::log();
    EXPECT_NE(log.find("Warning: Maximum bedlevel change not reached\n"), std::string::npos);
    EXPECT_EQ(stime, 1e20);  // the step of no column
}

TEST_F(QuasiMorphology, RefusedInputsAndAnUnopenableLog) {
    basinWithSediment(0.001, 0.01);
    lnumber = 20;
    EXPECT_EQ(quird_test::exitCodeOf([] { morphology(); }), 1);
    EXPECT_NE(SedimentTest::log().find("Error- Increase nsm in osimorp and recompile\n"), std::string::npos);
    lnumber = 1;
    MBNo = 1;
    OutBlockNo = 1;
    EXPECT_EQ(quird_test::exitCodeOf([] { morphology(); }), 1);
    EXPECT_NE(SedimentTest::log().find("Error, Outblocking of elements can not be done for Multi-Block domain\n"),
              std::string::npos);
    MBNo = OutBlockNo = 0;
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(quird_test::exitCodeOf([] { morphology(); }), -3);
}

// ---------------------------------------------------------------------------
// The sweeps on the straight channel (8 x 4 columns of 1 m x 0.5 m, 0.6 m
// deep, the flow along x).
// ---------------------------------------------------------------------------
TEST_F(QuasiMorphology, FillingScalesEvensTheFirstRowAndSpreads) {
    straightChannel(0.5);
    const double W = 8 * 4 * 0.5 * 0.6;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) BedMove[i][j] = 0.01;
    FillPart = 2.0 * interiorVolume() / W;
    ADFlag = 0;
    ADConvNo = 0;
    stime = 10.0;
    {
        Log log;
        quasimorph::fillAcceleration(log, W);
    }
    EXPECT_NEAR(BedMove[5][3], 0.02, 1e-15);
    EXPECT_NEAR(stime, 20.0, 1e-12);
    EXPECT_NE(SedimentTest::log().find("BedMove and times have been scaled with factor 2.000000e+00,\n"
                                       "due to accelleration procedure on F 23 data set\n"),
              std::string::npos);

    // The first row keeps its volume over its open cells; a blocked one stays.
    const double row[4] = {0.1, 0.3, 0.7, 0.2};
    for (int j = 2; j <= ynumber; ++j) BedMove[2][j] = row[j - 2];
    m_armap[2][5] = 1.0;
    OBlok[2][3][2] = 0;
    const double mean = (0.1 * 0.5 + 0.7 * 0.5 + 0.2 * 1.0) / 2.0;
    quasimorph::evenFirstRow();
    EXPECT_NEAR(BedMove[2][2], mean, 1e-15);
    EXPECT_NEAR(BedMove[2][5], mean, 1e-15);
    EXPECT_EQ(BedMove[2][3], 0.3);
}

TEST_F(QuasiMorphology, SpreadingSweepKeepsOrPassesTheExcess) {
    straightChannel(0.5);
    const double A = 0.5;
    // An excess of 0.1 m downstream into the next column: the volume stays.
    BedMove[5][3] = 0.7;
    double before = interiorVolume();
    quasimorph::spreadSweep();
    EXPECT_NEAR(BedMove[5][3], 0.6, 1e-15);
    EXPECT_NEAR(BedMove[6][3], 0.1, 1e-9);
    EXPECT_NEAR(interiorVolume(), before, 1e-9);

    // A column without outgoing flux keeps its excess.
    straightChannel(0.5);
    for (int k = 2; k <= znumber; ++k) flow1[5][3][k] = flow1[4][3][k] = 0.0;
    BedMove[5][3] = 0.7;
    quasimorph::spreadSweep();
    EXPECT_EQ(BedMove[5][3], 0.7);

    // At the last column the excess leaves across the outflow face.
    straightChannel(0.5);
    BedMove[xnumber][3] = 0.7;
    before = interiorVolume();
    quasimorph::spreadSweep();
    EXPECT_NEAR(before - interiorVolume(), 0.1 * A, 1e-15);
}

TEST_F(QuasiMorphology, SmearingKeepsTheVolume) {
    straightChannel(0.5);
    FillCriteria = 0.1;
    BedMove[5][3] = 0.8;  // 0.3 above depth - FillCriteria
    BedMove[2][2] = 0.9;  // a corner column: two neighbours
    const double before = interiorVolume();
    quasimorph::smearSweep();
    EXPECT_NEAR(interiorVolume(), before, 1e-14);
    EXPECT_LT(BedMove[5][3], 0.8 - 0.5 * 0.3 + 1e-12);
    EXPECT_GT(BedMove[6][3], 0.0);
}

}  // namespace

namespace {

// An eroding channel (no sediment at the inflow, c0 1e-3 on the bed): once
// the call has converged its balance closes, and the bed volume of the step
// carries what leaves the channel, with and without smearing.
TEST_F(QuasiMorphology, ErodingChannelBedVolumeCarriesTheOutflow) {
    for (int smear : {2, 0}) {
        lnumber = 1;
        straightChannel(0.5);
        fallvelo[1] = 0.01;
        coeffe_setup();
        setDiffusivity([](int, int, int) { return 0.001; });
        coeffe_setup2();
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                conc[1][i][j][0] = 1e-3;
                bedgrain[1][i][j] = 1.0;
            }
        iter_morph = 5000;
        conv_morph = 1e-7;
        ADSmearNo = smear;
        morphology();
        const std::string log = SedimentTest::log();
        EXPECT_LT(std::atof(log.c_str() + log.rfind(" Resid: ") + 8), 1e-6);
        EXPECT_EQ(log.find("continuity"), std::string::npos);
        const double eroded = interiorVolume() * ConvCoef * 1000.0 * density / stime;
        std::printf("bed volume as mass %.9g kg/s, outflow %.9g kg/s\n", eroded, outflow[1]);
        EXPECT_LT(eroded, 0.0);
        EXPECT_NEAR(-eroded, outflow[1], 1e-6 * outflow[1]);
    }
}

}  // namespace
