// Outflow boundary values of the plane: the downstream face without
// openings, and the outflow openings of G 7 on each side.
#include <cmath>
#include <string>
#include <vector>

#include "surface2d/surface2d.h"
#include "surface2d/terms_fixture.h"

using namespace plane2dtest;
using quird_test::exitCodeOf;
using quird_test::readLines;

namespace {

class Boundary2D : public TermsTest {
protected:
    void SetUp() override {
        TermsTest::SetUp();
        box(6, 5);  // rows j 2..5, four faces of kDy kDepth on each end
        fill(kinen, 0.02);
        fill(epsilon, 0.003);
    }
    // Inflow u0 through face 1 in every row, interior speeds u[j] in the last cells.
    static void downstream(double u0, const std::vector<double>& u) {
        for (int j = 2; j <= ynumber; ++j) {
            xvel[1][j][0] = u0;
            xvel[xnumber][j][0] = u[j - 2];
            yvel[xnumber][j][0] = 0.1 * j;
            kinen[xnumber][j][0] = 0.05 * j;
            epsilon[xnumber][j][0] = 0.01 * j;
        }
    }
};

// Rows j 2..5 of the last cells: outflowing rows are copied and scaled by
// the inflow over the outflow, a row flowing back gets zero velocity and
// keeps its k and epsilon; the two lines only for a ratio off by over 0.1.
struct DownstreamCase {
    const char* name;
    double inflow;
    std::vector<double> u;
    int tfs;
    double ratio;
    bool lines;
};
const DownstreamCase kDownstream[] = {
    {"Matched", 0.5, {0.5, 0.5, 0.5, 0.5}, 0, 1.0, false},
    {"SlightlyShort", 0.5, {0.5, 0.5, 0.5, 0.5 - 0.4 * 0.05 / 1.05}, 0, 1.0 / (1.0 - 0.4 * 0.05 / (1.05 * 2.0)), false},
    {"BackflowScaled", 0.3, {0.4, 0.8, -0.2, 0.0}, 0, 1.2 / 1.2, false},
    {"LargeCorrection", 0.6, {0.4, 0.8, -0.2, 0.0}, 0, 2.4 / 1.2, true},
    {"TransientSurfaceCopiesOnly", 0.6, {0.4, 0.8, -0.2, 0.0}, 1, 1.0, false},
};

class Downstream : public Boundary2D, public ::testing::WithParamInterface<DownstreamCase> {};

TEST_P(Downstream, CopiesAndScalesTheOutflowRows) {
    const DownstreamCase& c = GetParam();
    FlagTFS = c.tfs;
    downstream(c.inflow, c.u);
    const int X = xnumber;
    boundary2D();
    // The ratio as the face fluxes give it.
    double in = 0.0, out = 0.0;
    for (double u : c.u) {
        in += c.inflow;
        if (u > 0) out += u;
    }
    const double r = c.tfs == 1 ? 1.0 : in / out;
    EXPECT_NEAR(r, c.ratio, 1e-12);
    for (int j = 2; j <= ynumber; ++j) {
        const bool flows = c.u[j - 2] > 0;
        EXPECT_NEAR(xvel[X + 1][j][0], flows ? r * c.u[j - 2] : 0.0, 1e-12) << j;
        EXPECT_NEAR(yvel[X + 1][j][0], flows ? r * 0.1 * j : 0.0, 1e-12) << j;
        EXPECT_EQ(kinen[X + 1][j][0], flows ? 0.05 * j : 0.02) << j;
        EXPECT_EQ(epsilon[X + 1][j][0], flows ? 0.01 * j : 0.003) << j;
        EXPECT_EQ(xvel[1][j][0], c.inflow) << j;  // inflow cells only read
    }
    const auto lines = readLines("boogie");
    if (c.lines) {
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], "Utvel:0.000000 0.000000");
        char expected[80];
        std::snprintf(expected, sizeof expected, "FluxUt:%lf FluxInn:%lf ", out * iArea(), in * iArea());
        EXPECT_EQ(lines[1], expected);
    } else {
        EXPECT_TRUE(lines.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Downstream, ::testing::ValuesIn(kDownstream),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Boundary2D, NoOutflowEndsTheRunWithFourLines) {
    downstream(0.5, {-0.1, 0.0, -0.3, 0.0});
    EXPECT_EQ(exitCodeOf(boundary2D), 1);
    const auto lines = readLines("boogie");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "sbound: Error, zero flux out !");
    EXPECT_EQ(lines[1], "This error may be corrected with the use of G 7 data sets");
    EXPECT_EQ(lines[2].rfind("A,vec(xnu,2,2)= ", 0), 0u);
    EXPECT_EQ(lines[3], "Velocity-out:0.000000 0.000000");
}

// One outflow opening on each side over rows (columns) 3..4: its boundary
// cells take the cells inside, scaled to carry IO.flux; an IO.flux of the
// other sign turns the copied direction round.
struct OpeningCase {
    const char* name;
    int side;
    double inside;  // velocity of the cells inside along the axis of the side
    double flux;
};
const OpeningCase kOpenings[] = {
    {"UpstreamFace", 1, -0.4, -3.0},      {"DownstreamFace", -1, 0.4, 3.0},
    {"SideOne", 2, -0.3, -2.0},           {"SideY", -2, 0.3, 2.0},
    {"UpstreamReversed", 1, -0.4, 3.0},   {"SideYReversed", -2, 0.3, -2.0},
};

class Openings : public Boundary2D, public ::testing::WithParamInterface<OpeningCase> {};

TEST_P(Openings, CarryTheirDischarge) {
    const OpeningCase& c = GetParam();
    const bool iSide = std::abs(c.side) == 1;
    IONo = 1;
    IO[1] = IORecord{1, c.side, 3, 4, 2, 2, 0, 1, c.flux, {0.0, 0.0, 0.0}};
    const int X = xnumber, Y = ynumber;
    // Cell inside and boundary cell of position a.
    auto inside = [&](int a) { return c.side == 1 ? std::pair{2, a} : c.side == -1 ? std::pair{X, a} : c.side == 2 ? std::pair{a, 2} : std::pair{a, Y}; };
    auto outside = [&](int a) { return c.side == 1 ? std::pair{1, a} : c.side == -1 ? std::pair{X + 1, a} : c.side == 2 ? std::pair{a, 1} : std::pair{a, Y + 1}; };
    for (int a = 2; a <= 5; ++a) {
        const auto [i, j] = inside(a);
        (iSide ? xvel : yvel)[i][j][0] = c.inside;
        (iSide ? yvel : xvel)[i][j][0] = 0.05 * a;
        kinen[i][j][0] = 0.1 * a;
    }
    boundary2D();
    const double S = 2.0 * c.inside * (iSide ? iArea() : jArea()), r = c.flux / S;
    for (int a = 2; a <= 5; ++a) {
        const auto [bi, bj] = outside(a);
        const bool in = a >= 3 && a <= 4;
        EXPECT_NEAR((iSide ? xvel : yvel)[bi][bj][0], in ? r * c.inside : 0.0, 1e-12) << a;
        EXPECT_NEAR((iSide ? yvel : xvel)[bi][bj][0], in ? r * 0.05 * a : 0.0, 1e-12) << a;
        EXPECT_EQ(kinen[bi][bj][0], in ? 0.1 * a : 0.02) << a;
    }
    // Leaving the domain with the discharge's sign as a flux along the axis.
    const auto [bi, bj] = outside(3);
    EXPECT_GT((iSide ? xvel : yvel)[bi][bj][0] * c.flux, 0.0);
    EXPECT_TRUE(readLines("boogie").empty());
}

INSTANTIATE_TEST_SUITE_P(Table, Openings, ::testing::ValuesIn(kOpenings),
                         [](const auto& info) { return std::string(info.param.name); });

// Openings that are not set here keep what their boundary cells hold:
// update 0 and 2, inflow openings, the k-faces.
TEST_F(Boundary2D, OtherOpeningsAreLeftAlone) {
    const int X = xnumber;
    for (int j = 2; j <= ynumber; ++j) {
        xvel[X][j][0] = 0.4;
        xvel[X + 1][j][0] = 7.0;
        xvel[1][j][0] = 8.0;
    }
    IONo = 5;
    IO[1] = IORecord{1, -1, 2, 3, 2, 2, 0, 0, 3.0, {0, 0, 0}};
    IO[2] = IORecord{1, -1, 4, 5, 2, 2, 0, 2, 3.0, {0, 0, 0}};
    IO[3] = IORecord{0, 1, 2, 5, 2, 2, 0, 1, 3.0, {0, 0, 0}};
    IO[4] = IORecord{1, 3, 2, 3, 2, 3, 0, 1, 3.0, {0, 0, 0}};
    IO[5] = IORecord{1, -3, 2, 3, 2, 3, 0, 1, 3.0, {0, 0, 0}};
    boundary2D();
    for (int j = 2; j <= ynumber; ++j) {
        EXPECT_EQ(xvel[X + 1][j][0], 7.0) << j;
        EXPECT_EQ(xvel[1][j][0], 8.0) << j;
    }
}

// An outflow opening whose cells all flow inward still passes its prescribed
// discharge (water that vanished otherwise), spread evenly over the opening
// along its outward normal; a logged pass names it.
TEST_F(Boundary2D, OpeningFlowingInwardStillPassesItsDischargeAndIsReported) {
    const int X = xnumber;
    for (int logged : {0, 1}) {
        std::filesystem::remove("boogie");
        for (int j = 2; j <= ynumber; ++j) {
            xvel[X][j][0] = -0.4;
            xvel[X + 1][j][0] = yvel[X + 1][j][0] = 0.7;
        }
        IONo = 2;
        IO[1] = IORecord{0, 1, 2, 5, 2, 2, 0, 0, 3.0, {1, 0, 0}};
        IO[2] = IORecord{1, -1, 2, 5, 2, 2, 0, 1, 3.0, {0, 0, 0}};
        FlagPrint = logged == 0 ? 0 : 1;
        boundary2D();
        double Q = 0.0, area = 0.0;
        for (int j = 2; j <= 5; ++j) area += m_ar_x[X][j][0];
        for (int j = 2; j <= 5; ++j) {
            Q += (m_vec_x[X][j][0] * xvel[X + 1][j][0] + m_vec_x[X][j][1] * yvel[X + 1][j][0]) * m_ar_x[X][j][0];
            EXPECT_NEAR(std::hypot(xvel[X + 1][j][0], yvel[X + 1][j][0]), 3.0 / area, 1e-12) << j;
        }
        EXPECT_NEAR(Q, 3.0, 1e-12);
        const auto lines = readLines("boogie");
        if (logged == 0) {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0], "Warning: no cell of opening 2 passes the direction filter");
        } else {
            EXPECT_TRUE(lines.empty());
        }
    }
}

TEST_F(Boundary2D, UnopenableLogEndsTheRun) {
    std::filesystem::create_directory("boogie");
    EXPECT_EQ(exitCodeOf(boundary2D), -3);
}

}  // namespace
