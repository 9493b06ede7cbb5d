#include "surface2d/surface_channel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "control/control.h"
#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "support/testing.h"

using namespace quird_test;

namespace surface_channel {
namespace {
std::string controlFile(int tfs, const char* surfaceInterval, double relax, double level) {
    char text[800];
    std::snprintf(text, sizeof text,
                  "T surface channel\nF 2 W\nF 16 %g\nF 36 %d\nF 211 1e-5\nG 1 %d %d %d 1\n"
                  "G 3 0 10 20 30 40 50 60 70 80 90 100\nG 6 %d %d %d %g 10.0\n"
                  "W 1 40.0 %g %.10g\nW 2 11 1 11 21 31 41 51 61 71 81 91 101\nK 1 3000 %s\nK 2 1 1\n"
                  "K 5 0 0 0 1 0 0\n",
                  kKs, tfs, kLinesX, kLinesY, kLinesZ, kLinesX, kLinesY / 2 + 1, kLinesZ, relax, kQ, level,
                  surfaceInterval);
    return text;
}

std::string gridFile() {
    std::string s;
    char line[200];
    for (int i = 1; i <= kLinesX; ++i)
        for (int j = 1; j <= kLinesY; ++j) {
            const double x = kLength * (i - 1) / (kLinesX - 1);
            std::snprintf(line, sizeof line, "%d %d %.10f %.10f %.10f\n", i, j, x, kWidth * (j - 1) / (kLinesY - 1),
                          kSlope * (kLength - x));
            s += line;
        }
    return s;
}

}  // namespace

// Friction slope of the depth-mean log law at depth h.
double frictionSlope(double h) {
    const double U = kQ / kWidth / h;
    const double c = kKappa * U / (std::log(30.0 * h / kKs) - 1.0);
    return c * c / (kG * h);
}

// Normal depth: the friction slope equals the bed slope.
double normalDepth() {
    double a = 0.1, b = 3.0;
    for (int n = 0; n < 100; ++n) {
        const double m = 0.5 * (a + b);
        (frictionSlope(m) > kSlope ? a : b) = m;
    }
    return 0.5 * (a + b);
}

// Depth at x upstream of the downstream end (depth hd at x = kLength) by a
// standard-step integration of the energy with the velocity head.
double backwaterDepth(double hd, double x) {
    const double q = kQ / kWidth;
    auto energy = [&](double h) { return h + q * q / (2.0 * kG * h * h); };
    double h = hd;
    const int steps = 5000;
    const double dx = (kLength - x) / steps;
    for (int n = 0; n < steps; ++n) {
        // E(upstream) - E(here) = (S_f - S) dx, the mean friction slope over the step.
        double up = h;
        for (int it = 0; it < 50; ++it) {
            const double target = energy(h) + (0.5 * (frictionSlope(h) + frictionSlope(up)) - kSlope) * dx;
            const double dE = 1.0 - q * q / (kG * up * up * up);
            up -= (energy(up) - target) / dE;
        }
        h = up;
    }
    return h;
}

std::vector<double> interiorTops() {
    std::vector<double> v;
    for (int i = 2; i < xnumber; ++i)
        for (int j = 2; j < ynumber; ++j) v.push_back(zval[i][j][znumber]);
    return v;
}

ChannelRun runChannel(int tfs, const char* surfaceInterval, double relax, double level) {
    resetEngine();
    std::filesystem::remove("boogie");
    writeFile("control", controlFile(tfs, surfaceInterval, relax, level));
    writeFile("koordina", gridFile());
    ChannelRun run;
    const int code = exitCodeOf([] {
        preReadG1("control");
        Initial();
    });
    run.log = readFile("boogie");
    const std::string tail = "\nSolution converged\n";
    run.converged = code == kNoExit && run.log.size() >= tail.size() &&
                    run.log.compare(run.log.size() - tail.size(), tail.size(), tail) == 0;
    return run;
}

double depth(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

double worstSectionFlux() {
    double worst = 0.0;
    for (int i = 1; i <= xnumber; ++i) {
        double sum = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) sum += flow1[i][j][k];
        worst = std::max(worst, std::fabs(sum / (1000.0 * kQ) - 1.0));
    }
    return worst;
}

}  // namespace surface_channel
