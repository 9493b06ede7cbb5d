// The quasi-steady road through the real `quird`: W I S on the settling
// basin with the computed flow (trap efficiency against the well-mixed and
// the ideal basin), and W I S B M on the eroding sediment flume (the bed
// change that S finds logged by B and moved into koosurf by M).
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "support/grid_files.h"
#include "support/testing.h"

using namespace quird_test;

namespace {

// 20 m x 3 m x 1 m, 20 x 3 columns of 10 layers, Q = 0.3 m3/s; one fraction
// of 1 mm grains that cannot erode (Shields number 0.1). A restart file gives
// the inflow a uniform profile of 1e-4 (0.0795 kg/s).
void settlingBasin(Case& c, double w) {
    std::string koordina;
    char line[100];
    for (int i = 1; i <= 21; ++i)
        for (int j = 1; j <= 4; ++j) {
            std::snprintf(line, sizeof line, "%d %d %f %f 0.000000\n", i, j, i - 1.0, j - 1.0);
            koordina += line;
        }
    std::snprintf(line, sizeof line, "S 1 0.001 %g\n", w);
    c.file("koordina", koordina)
        .file("control", std::string("T settling basin\nF 2 WIS\nF 4 0.5 3000 1e-7\nF 11 2.65 0.1\nG 1 21 4 11 1\n"
                                     "G 3 0.0 10.0 20.0 30.0 40.0 50.0 60.0 70.0 80.0 90.0 100.0\n"
                                     "G 6 21 2 11 1.0 1.0\nG 7 0 1 2 4 2 11 0 0 0.3 1.0 0.0 0.0\n"
                                     "G 7 1 -1 2 4 2 11 0 0 0.3 1.0 0.0 0.0\nW 1 40.0 0.3 1.0\nW 2 3 1 11 21\n"
                                     "K 1 2000 20\nK 2 0 1\nN 0 1 1.0\nB 0 0 0 0 0\nI 1 0.0795\n") +
                             line);
    std::string conres = "Concentrations in volume fractions.\n i, j, k, concentration(size):\n\n";
    for (int j = 2; j <= 4; ++j)
        for (int k = 2; k <= 11; ++k) {
            std::snprintf(line, sizeof line, "1 %d %d 1e-4 1e-4\n", j, k);
            conres += line;
        }
    c.file("conres", conres);
}

TEST(QuasiSteadyRun, SettlingBasinTrapEfficiencyInTheBand) {
    const double L = 20.0, B = 3.0, Q = 0.3;
    for (double w : {0.0005, 0.001, 0.002}) {
        Case c;
        settlingBasin(c, w);
        EXPECT_EQ(c.run(), 1);
        const std::string log = c.boogie();
        const std::size_t at = log.rfind(" l=1: Trapped: ");
        ASSERT_NE(at, std::string::npos) << log;
        double T, I1, I2;
        ASSERT_EQ(std::sscanf(log.c_str() + at, " l=1: Trapped: %lg, Fluxes (I1,I2,J1,J2,K2): %lg, %lg", &T, &I1, &I2),
                  3);
        const double percent = 100.0 * (1.0 - I2 / 0.0795);
        const double mixed = 100.0 * (1.0 - std::exp(-w * L * B / Q)), ideal = 100.0 * std::min(1.0, w * L * B / Q);
        std::printf("w = %g m/s: trapped %.2f %% (well mixed %.2f, ideal %.2f)\n", w, percent, mixed, ideal);
        EXPECT_NEAR(I1, 0.0795, 1e-6);
        EXPECT_GE(percent, mixed - 1.0);
        EXPECT_LE(percent, ideal + 1.0);
    }
}

using morphtest::Bed;
using morphtest::bedOf;

TEST(QuasiSteadyRun, ErodingFlumeBedChangeLoggedAndMoved) {
    const std::string dir = std::string(QUIRD_SOURCE_DIR) + "/examples/sediment/";
    std::string control = readFile(dir + "control");
    control.replace(control.find("F 2 WIM"), 7, "F 2 WISBM");
    const std::string koordina = readFile(dir + "koordina");
    Case c;
    c.file("control", control).file("koordina", koordina);
    EXPECT_EQ(c.run(), 1);
    const std::string log = c.boogie();
    std::map<std::pair<int, int>, double> moves;
    for (std::size_t at = log.find("BedMove("); at != std::string::npos; at = log.find("BedMove(", at + 1)) {
        int i, j;
        double v;
        if (std::sscanf(log.c_str() + at, "BedMove(%d,%d) = %lf meters", &i, &j, &v) == 3) moves[{i, j}] = v;
    }
    ASSERT_FALSE(moves.empty()) << log;
    double stepTime = 0.0;
    ASSERT_EQ(std::sscanf(log.c_str() + log.rfind("Time step: "), "Time step: %lf", &stepTime), 1);
    const double total = std::atof(log.c_str() + log.rfind("Total change in bed levels: ") + 28);
    EXPECT_LT(total, 0.0);  // the flume erodes

    std::istringstream in(c.read("loggfil"));
    std::string line;
    int blocks = 0, matched = 0;
    while (std::getline(in, line)) {
        double t;
        int i, j;
        double v;
        if (std::sscanf(line.c_str(), "T %lf seconds", &t) == 1) {
            ++blocks;
            EXPECT_NEAR(t, stepTime, 1e-6);
        } else if (std::sscanf(line.c_str(), "a %d %d %lf", &i, &j, &v) == 3) {
            const auto m = moves.find({i, j});
            EXPECT_NEAR(v, m == moves.end() ? 0.0 : m->second, 1e-5) << i << " " << j;
            matched += m != moves.end();
        }
    }
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(matched, static_cast<int>(moves.size()));

    const Bed before = bedOf(koordina), after = bedOf(c.read("koosurf"));
    ASSERT_EQ(before.size(), after.size());
    double lowered = 0.0;
    for (const auto& [node, z] : before) lowered += z - after.at(node);
    EXPECT_GT(lowered, 0.0);
}

}  // namespace
