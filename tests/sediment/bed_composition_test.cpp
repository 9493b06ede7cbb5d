// The composition of the active layer from the bed-cell balance, the six
// methods on one column of hand-set couplings (no horizontal exchange):
// fraction 1 with supply 0.3, removal coefficient 1, c0 1 (r = 0.3), fraction
// 2 with supply 0.2, removal coefficient 1, c0 0.5 (r = 0.4); shares 0.5.
#include <cmath>
#include <filesystem>
#include <string>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "sediment/sediment_fixture.h"
#include "sediment/state.h"
#include "sediment/suspsed.h"

using namespace sedtest;

namespace {

class BedComposition : public SedimentTest {};

struct Row {
    const char* name;
    int method;
    double weight, residual;
    double bed2;         // bed cell of fraction 2 (D2 = 0.2 - bed2)
    double supply1, c01; // fraction 1: supply (c3) and reference concentration
    double g1, g2;       // expected shares
};

void column(const Row& r, int fractions) {
    lnumber = fractions;
    SedimentTest::stillColumn(4);
    const double c3[3] = {0, r.supply1, 0.2}, c0[3] = {0, r.c01, 0.5}, c2[3] = {0, 0.1, r.bed2};
    for (int l = 1; l <= lnumber; ++l) {
        at[l][2][2][2] = 1.0;
        ab[l][2][2][3] = 1.0;
        conc[l][2][2][3] = c3[l];
        conc[l][2][2][0] = c0[l];
        conc[l][2][2][2] = c2[l];
        bedgrain[l][2][2] = 0.5;
        fallvelo[l] = 0.1 * l;
    }
    BedFlags[1] = r.method;
    std::filesystem::remove("boogie");
}

TEST_F(BedComposition, SixMethodsOnOneColumn) {
    const double s5 = 0.425 + 0.5;
    const Row rows[] = {
        {"1: the positive net deposition", 1, 0.5, 0.0, 0.4, 0.3, 1.0, 0.2, 0.5},
        {"4: half way to the ratio", 4, 0.5, 9.0, 0.4, 0.3, 1.0, 0.4, 0.45},
        {"4: restart weight, the ratio", 4, 1.0, 9.0, 0.4, 0.3, 1.0, 0.3, 0.4},
        {"2: one relaxed pass, weight 1", 2, 1.0, 0.0, 0.4, 0.3, 1.0, 0.4, 0.45},
        {"2: one relaxed pass, weight 0.5", 2, 0.5, 0.0, 0.4, 0.3, 1.0, 0.45, 0.475},
        {"2: residual at 0.2 per fraction", 2, 1.0, 0.4, 0.4, 0.3, 1.0, 0.5, 0.5},
        {"2: fraction 1 fills the layer", 2, 1.0, 0.0, 0.1, 0.0, 0.0, 0.55, 0.45},
        {"3: fraction 1 fills the layer", 3, 1.0, 0.0, 0.1, 0.0, 0.0, 0.55, 0.45},
        {"3: net erosion supplies by share", 3, 1.0, 0.0, 0.6, 0.3, 1.0, 0.425, 0.5},
        {"5: net erosion, normalised", 5, 1.0, 0.0, 0.6, 0.3, 1.0, 0.425 / s5, 0.5 / s5},
        {"6: supply and settling over removal", 6, 1.0, 0.0, 0.4, 0.3, 1.0, 0.31, 0.56},
        {"7: no method", 7, 1.0, 0.0, 0.4, 0.3, 1.0, 0.5, 0.5},
    };
    for (const Row& r : rows) {
        column(r, 2);
        {
            Log log;
            quasi::bedComposition(log, r.weight, r.residual);
        }
        EXPECT_NEAR(bedgrain[1][2][2], r.g1, 1e-12) << r.name;
        EXPECT_NEAR(bedgrain[2][2][2], r.g2, 1e-12) << r.name;
        EXPECT_EQ(SedimentTest::log().find("Non-convergence"), std::string::npos) << r.name;
    }
}

TEST_F(BedComposition, OneFractionNoSupplyEmptyLayerAndNonConvergence) {
    // One fraction: no method changes the share.
    column({"", 4, 1.0, 0.0, 0.4, 0.3, 1.0, 0, 0}, 1);
    {
        Log log;
        quasi::bedComposition(log, 1.0, 0.0);
    }
    EXPECT_EQ(bedgrain[1][2][2], 0.5);

    // Method 4 without supply: the shares times 1 - w, not normalised.
    column({"", 4, 0.5, 0.0, 0.4, 0.0, 1.0, 0, 0}, 2);
    conc[2][2][2][3] = 0.0;
    {
        Log log;
        quasi::bedComposition(log, 0.5, 0.0);
    }
    EXPECT_EQ(bedgrain[1][2][2], 0.25);
    EXPECT_EQ(bedgrain[2][2][2], 0.25);

    // Method 5 with every new share 0: the stored shares stay (no 0/0).
    column({"", 5, 0.5, 0.0, 0.0, 0.0, 1.0, 0, 0}, 2);
    conc[2][2][2][3] = 0.0;
    bedgrain[1][2][2] = bedgrain[2][2][2] = 1e-60;
    {
        Log log;
        quasi::bedComposition(log, 0.5, 0.0);
    }
    EXPECT_EQ(bedgrain[1][2][2], 0.0);
    EXPECT_EQ(bedgrain[2][2][2], 0.0);

    // A supply that is not a number never settles: reported after 1000 passes.
    column({"", 2, 1.0, 0.0, 0.4, 0.3, 1.0, 0, 0}, 2);
    conc[1][2][2][3] = NAN;
    {
        Log log;
        quasi::bedComposition(log, 1.0, 0.0);
    }
    EXPECT_NE(SedimentTest::log().find("Non-convergence for bed composition, 2 2 "), std::string::npos);
}

}  // namespace
