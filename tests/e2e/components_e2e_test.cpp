// Run letter Q in whole runs of quird on a small open channel.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/controls.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

const std::string kChannel = kSmallChannel + kSmallChannelOpenings + "K 1 30 50000\n";

TEST(ComponentsRun, FlowThenComponentsLogsTheStart) {
    Case run;
    run.file("control", kChannel + "F 2 WQ\nF 50 2\nG 17 1 1 2 5 2 5 0 1.0\nQ 2 0 0 -0.01\n")
        .file("koordina", smallChannelGrid());
    ASSERT_EQ(run.run(), 1) << run.boogie();
    EXPECT_NE(run.boogie().find("Started components\n"), std::string::npos) << run.boogie();
}

// F 50 may stand after the boxes: the check runs once control is read.
TEST(ComponentsRun, BoxForAMissingComponentIsAnInputError) {
    Case run;
    run.file("control", kChannel + "F 2 Q\nG 18 2 3 2 3 2 3 2 1.0 0 5\nG 17 1 1 2 5 2 5 -1 1.0\nF 50 2\n")
        .file("koordina", smallChannelGrid());
    EXPECT_EQ(run.run(), 1);
    EXPECT_NE(run.boogie().find("Input error for G 17/G 18 in control: component 2 of box 1 does not exist\n"),
              std::string::npos)
        << run.boogie();
}

// The rows of the 3-D Tecplot file (F 48 8): X1 X2 X3 U1 U2 U3 and the G 24
// variables at point (i, j, k), i 1..X+1 fastest, then j, then k.
class Tecplot3D {
public:
    Tecplot3D(const std::string& text, int X, int Y) : X_(X), Y_(Y) {
        std::istringstream in(text);
        std::string line;
        for (int n = 0; n < 3; ++n) std::getline(in, line);  // TITLE, VARIABLES, ZONE
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::vector<double> row;
            for (double v; fields >> v;) row.push_back(v);
            rows_.push_back(row);
        }
    }
    size_t points() const { return rows_.size(); }
    double at(int i, int j, int k, int column) const {
        return rows_.at(((k - 1) * (Y_ + 1) + (j - 1)) * (X_ + 1) + (i - 1)).at(column);
    }

private:
    int X_, Y_;
    std::vector<std::vector<double>> rows_;
};

constexpr int kU = 3, kFirstExtra = 6;

// Plug flow with first-order decay: 50 cells of 1 m, 3 across, 4 layers, the
// inflow layer held at C_in by a G 17 box, a type 2 term with a = c and
// V1 = -k, k L / U = 1. The flux-weighted mean of the outlet cells against
// C_in e^(-k L / U): the upwind grid puts it about 1 % above, the velocity
// profile up to 4 % more.
TEST(ComponentsRun, PlugFlowDecayAtTheOutlet) {
    const int X = 51, Y = 4, Z = 5;
    const double L = 50.0, width = 1.5, depth = 1.0, Q = 0.3, U = Q / (width * depth), k = U / L, Cin = 2.0;
    char decay[60];
    std::snprintf(decay, sizeof decay, "Q 2 0 0 %.12g\n", -k);
    const std::string control =
        "G 1 51 4 5 1\nG 3 0 25 50 75 100\nW 1 50 0.3 1\nW 2 2 1 51\nK 2 0 1\nK 1 600 50000\n"
        "G 7 0 1 2 4 2 5 0 0 0.3 1 0 0\nG 7 1 -1 2 4 2 5 0 0 0.3 1 0 0\n"
        "F 2 WQM\nF 48 8\nG 24 1 q 2 0\nF 50 1\nF 33 1e-20 40\nG 17 1 1 2 4 2 5 0 2.0\n" + std::string(decay);
    Case run;
    run.file("control", control).file("koordina", flatChannelGrid(X, Y, L / (X - 1), width / (Y - 1)));
    ASSERT_EQ(run.run(), 1) << run.boogie();
    const Tecplot3D tec(run.read("tecplot3.dat"), X, Y);
    ASSERT_EQ(tec.points(), size_t((X + 1) * (Y + 1) * (Z + 1)));
    double flux = 0.0, carried = 0.0;
    for (int j = 2; j <= Y; ++j)
        for (int kk = 2; kk <= Z; ++kk) {  // equal cells across the outlet section
            flux += tec.at(X, j, kk, kU);
            carried += tec.at(X, j, kk, kU) * tec.at(X, j, kk, kFirstExtra);
        }
    const double mean = carried / flux, exact = Cin * std::exp(-k * L / U);
    EXPECT_NEAR(mean / exact, 1.0, 0.05) << mean << " against " << exact;  // 1.014 when written
    EXPECT_NEAR(tec.at(1, 3, 3, kFirstExtra), Cin, 1e-12);  // the inflow layer
}

// The restart values of the small channel: the inflow layer i = 1 holds 3
// (component 0) and 0 (component 1), every other cell its own value.
double restartValue(int c, int i, int j, int k) {
    if (i == 1) return c == 0 ? 3.0 : 0.0;
    return 1.0 + 4.0 * c + 0.1 * i + 0.01 * j + 0.001 * k;
}

// W I Q M: run letter I reads compres.pre, the components start from it.
// Without inner iterations the file's values come out unchanged; with them
// the steady solve carries the restart's inflow layer through the channel.
TEST(ComponentsRun, RestartFromCompresPreReadByLetterI) {
    const std::string sediment = "S 1 0.001 0.1\nN 0 1 1.0\nI 1 0.01\n";
    for (int inner : {0, 40}) {
        SCOPED_TRACE(inner);
        Case run;
        run.file("control", kChannel + sediment + "F 2 WIQM\nF 50 2\nF 48 8\nG 24 2 q 2 0 q 2 1\nF 33 1e-20 " +
                                std::to_string(inner) + "\n")
            .file("koordina", smallChannelGrid())
            .file("compres.pre", compresText(6, 5, 5, 2, restartValue));
        ASSERT_EQ(run.run(), 1) << run.boogie();
        EXPECT_NE(run.boogie().find("Started components\n"), std::string::npos);
        const Tecplot3D tec(run.read("tecplot3.dat"), 6, 5);
        ASSERT_EQ(tec.points(), size_t(7 * 6 * 6));
        for (int c = 0; c < 2; ++c)
            for (int i = 1; i <= 6; ++i)
                for (int j = 2; j <= 5; ++j)
                    for (int k = 2; k <= 5; ++k) {
                        const double expected = inner == 0 ? restartValue(c, i, j, k) : restartValue(c, 1, j, k);
                        EXPECT_NEAR(tec.at(i, j, k, kFirstExtra + c), expected, 1e-5 * (1.0 + expected))
                            << c << " " << i << " " << j << " " << k;
                    }
    }
}

}  // namespace
