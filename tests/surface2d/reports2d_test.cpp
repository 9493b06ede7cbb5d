// The reports of the depth-averaged driver on the converged channel: the
// `timeo` probe lines, the specific-energy line, the coefficient dump and
// the block forces of `forcelog`.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/flow3d.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "surface2d/channel2d.h"
#include "surface2d/surface2d.h"
#include "support/testing.h"

using namespace quird_test;
using namespace channel2d;

namespace {

class Reports2D : public EngineTest {
protected:
    Channel channel;
    void SetUp() override {
        EngineTest::SetUp();
        channel.level = manningNormalDepth(channel);
        ASSERT_TRUE(runChannel(channel).converged);
        rebuild3D();
    }
};

std::string e6(double v) {
    char t[40];
    std::snprintf(t, sizeof t, "%10.6e ", v);
    return t;
}

void point(TimePrintRecord& r, char letter, int i, int j, int k) {
    const int q = r.count++;
    r.letter[q] = letter, r.iCell[q] = i, r.jCell[q] = j, r.kCell[q] = k, r.index[q] = 0;
}

// Lines only from the start of the first record; the record whose window
// holds stime, else the last; one value per letter of the table, none for a
// letter outside it (t: the plane has no temperature); k as stated.
TEST_F(Reports2D, ProbeLines) {
    TimePrintNo = 2;
    TimePrint[0] = TimePrintRecord{};
    TimePrint[0].time = 5.0, TimePrint[0].endTime = 10.0;
    for (char l : {'u', 'v', 'w', 'p', 'k', 'e', 'd', 'z', 't'}) point(TimePrint[0], l, 30, 4, 0);
    point(TimePrint[0], 'u', 30, 4, 3);  // a rebuilt level
    TimePrint[1] = TimePrintRecord{};
    TimePrint[1].time = 10.0, TimePrint[1].endTime = 20.0;
    point(TimePrint[1], 'p', 12, 3, 0);
    timeoStart();
    for (double t : {4.0, 7.0, 15.0, 25.0}) {
        stime = t;
        timeoLine2D();
    }
    char head[40];
    std::snprintf(head, sizeof head, "%10.4e ", 7.0);
    std::string first = head;
    for (double v : {xvel[30][4][0], yvel[30][4][0], zvel[30][4][0], Pres[30][4][0], kinen[30][4][0],
                     epsilon[30][4][0], diff[30][4][0], zval[30][4][0], xvel[30][4][3]})
        first += e6(v);
    std::string text = first + "\n";
    for (double t : {15.0, 25.0}) {
        std::snprintf(head, sizeof head, "%10.4e ", t);
        text += head + e6(Pres[12][3][0]) + "\n";
    }
    EXPECT_EQ(readFile("timeo"), text);
    EXPECT_NE(xvel[30][4][3], xvel[30][4][0]);
}

// E / A over section s: the velocity head of the mass flux plus the mean
// pressure of the cells on both sides; at s = xnumber the outflow row.
TEST_F(Reports2D, SpecificEnergyLine) {
    for (int s : {30, xnumber}) {
        std::remove("boogie");
        SpecEnergy = s;
        double E = 0.0, A = 0.0;
        for (int j = 2; j <= ynumber; ++j) {
            const double a = m_ar_x[s][j][0], F = flow1[s][j][0];
            E += F * F / a * 5.0969e-08 + 0.5 * a * (Pres[s][j][0] + Pres[s + 1][j][0]);
            A += a;
        }
        specificEnergy2D();
        char line[100];
        std::snprintf(line, sizeof line, "Specifice energy for section %d = %e\n", s, E / A);
        EXPECT_EQ(readFile("boogie"), line);
        // The energy head in the pressure unit of the plane: about rho g (h + U^2/2g).
        EXPECT_GT(E / A, 0.0);
    }
}

TEST_F(Reports2D, CoefficientDump) {
    DebugDumpNo = 2;
    DebugDump[1] = DebugDumpRecord{1, 30, 4, 5};
    DebugDump[2] = DebugDumpRecord{4, 30, 4, 5};  // another equation: nothing
    Equation = 1;
    f = xvel;
    for (int i = 29; i <= 31; ++i)
        for (int j = 3; j <= 5; ++j) xvel[i][j][0] = i + 0.1 * j;
    wap[30][4][0] = 2.0, source[30][4][0] = 3.0, ae[30][4][0] = 4.0, aw[30][4][0] = 5.0, as[30][4][0] = 6.0,
    an[30][4][0] = 7.0;
    flow1[29][4][0] = 8.0, flow1[30][4][0] = 9.0, flow2[30][3][0] = 10.0, flow2[30][4][0] = 11.0;
    std::remove("boogie");
    debugDump2D();
    EXPECT_EQ(readFile("boogie"),
              "Debug dump for (30,4,5,1)\n"
              "f, ap, source = 3.040000e+01 2.000000e+00 3.000000e+00\n"
              "fe, ae, flowe = 2.940000e+01 4.000000e+00 8.000000e+00\n"
              "fw, aw, floww = 3.140000e+01 5.000000e+00 9.000000e+00\n"
              "fs, as, flows = 3.030000e+01 6.000000e+00 1.000000e+01\n"
              "fn, an, flown = 3.050000e+01 7.000000e+00 1.100000e+01\n");
    DebugDumpNo = 0;
    std::remove("boogie");
    debugDump2D();
    EXPECT_FALSE(std::filesystem::exists("boogie"));
}

// A box in a pressure linear in x: Fx the pressure difference across the
// box times its side area, Fy 0; the file emptied at Iter 1.
TEST_F(Reports2D, BlockForces) {
    OutBlockNo = 1;
    OutBlock[1].i1 = 20, OutBlock[1].i2 = 22, OutBlock[1].j1 = 3, OutBlock[1].j2 = 4;
    // Side faces of equal area on each pair of opposite sides.
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j) {
            Pres[i][j][0] = 1000.0 * (700.0 - 10.0 * i);
            if (i <= xnumber) m_ar_x[i][j][0] = 4.2;
            if (j <= ynumber) m_ar_y[i][j][0] = 8.4;
        }
    double side = 0.0;
    for (int j = 3; j <= 4; ++j) side += m_ar_x[19][j][0];
    const double Fx = (Pres[19][3][0] - Pres[23][3][0]) * side;
    writeFile("forcelog", "old\n");
    Iter = 1;
    forcelog2D();
    Iter = 2;
    forcelog2D();
    double fx[2], fy[2];
    int n[2];
    const std::string text = readFile("forcelog");
    ASSERT_EQ(std::sscanf(text.c_str(), "Forces on block %d : %lg, %lg N in x and y direction\nForces on block %d : %lg, %lg",
                          &n[0], &fx[0], &fy[0], &n[1], &fx[1], &fy[1]),
              6)
        << text;
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(n[r], 1);
        EXPECT_NEAR(fx[r], Fx, 1e-5 * Fx);  // %lg: six digits
        EXPECT_EQ(fy[r], 0.0);
    }
    OutBlockNo = 0;
    Iter = 1;
    forcelog2D();
    EXPECT_EQ(readFile("forcelog"), "");
}

}  // namespace
