#include "surface2d/channel2d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "control/control.h"
#include "control/state.h"
#include "run/reset.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "control/log.h"
#include "surface2d/surface2d.h"
#include "support/testing.h"

namespace channel2d {
namespace {

std::string controlFile(const Channel& c) {
    char text[1000];
    std::string zLevels;
    for (int k = 0; k < c.linesZ; ++k) zLevels += " " + std::to_string(100 * k / (c.linesZ - 1));
    std::snprintf(text, sizeof text,
                  "T depth-averaged channel\nF 2 W\nF 44 1\nF 16 %g\nF 24 %d\nF 36 %d\nF 211 1e-5\nG 1 %d %d %d 1\n"
                  "G 3%s\nG 6 %d %d %d %g 10.0\nW 1 %g %g %.10g\nK 1 %ld %s\nK 2 1 1\nK 5 0 0 0 1 0 0\n%s",
                  c.ks, c.model, c.tfs, c.linesX, c.linesY, c.linesZ, zLevels.c_str(), c.linesX, c.linesY / 2 + 1,
                  c.linesZ, c.relaxSurface, c.manning, c.q, c.level, c.iterations, c.surfaceInterval, c.extra.c_str());
    return text;
}

std::string gridFile(const Channel& c) {
    std::string s;
    char line[200];
    const double a = c.angle * M_PI / 180.0, ca = std::cos(a), sa = std::sin(a);
    for (int i = 1; i <= c.linesX; ++i)
        for (int j = 1; j <= c.linesY; ++j) {
            const double x = c.length * (i - 1) / (c.linesX - 1), y = c.width * (j - 1) / (c.linesY - 1);
            std::snprintf(line, sizeof line, "%d %d %.10f %.10f %.10f\n", i, j, x * ca - y * sa, x * sa + y * ca,
                          c.slope * (c.length - x));
            s += line;
        }
    return s;
}

}  // namespace

ChannelRun runChannel(const Channel& c) {
    resetEngine();
    std::filesystem::remove("boogie");
    quird_test::writeFile("control", controlFile(c));
    quird_test::writeFile("koordina", gridFile(c));
    if (c.startup) flowSteps.startup = c.startup;
    if (c.marked) {
        flowSteps.sprintflow = [] { logf("<sprintflow>\n"); };
        flowSteps.surface = [] {
            logf("<surface>\n");
            surface();
        };
    }
    ChannelRun run;
    run.code = quird_test::exitCodeOf([] {
        preReadG1("control");
        Initial();
    });
    run.log = quird_test::readFile("boogie");
    run.converged = run.code == quird_test::kNoExit && FlagErrorBreak == 0 &&
                    run.log.find("\nSolution converged\n") != std::string::npos;
    return run;
}

double manningEffective(const Channel& c) { return 26.0795 / std::pow(c.ks, 1.0 / 6.0); }

double manningNormalDepth(const Channel& c) {
    const double q = c.q / c.width, M = manningEffective(c);
    return std::pow(q / (M * std::sqrt(c.slope)), 0.6);
}

double uniformFlowLevel(const Channel& c, double h) {
    return h + 0.5 * c.slope * c.length / (c.linesX - 1);
}

double kEpsilonVelocity(const Channel& c, double h) {
    return std::sqrt(9.81 * h * c.slope) * std::log(15.0 * h / c.ks) / 0.4;
}

double kEpsilonNormalDepth(const Channel& c) {
    double a = 0.2, b = 3.0;
    for (int n = 0; n < 100; ++n) {
        const double m = 0.5 * (a + b);
        (kEpsilonVelocity(c, m) * m < c.q / c.width ? a : b) = m;
    }
    return 0.5 * (a + b);
}

double depth(int i, int j) { return 2.0 * m_dist_z[i][j][0]; }

double worstPlaneSection(const Channel& c) {
    double worst = 0.0;
    for (int i = 1; i <= xnumber; ++i) {
        double sum = 0.0;
        for (int j = 2; j <= ynumber; ++j) sum += flow1[i][j][0];
        worst = std::max(worst, std::fabs(sum / (1000.0 * c.q) - 1.0));
    }
    return worst;
}

double worstRebuiltSection(const Channel& c) {
    double worst = 0.0;
    for (int i = 1; i <= xnumber; ++i) {
        double sum = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) sum += flow1[i][j][k];
        worst = std::max(worst, std::fabs(sum / (1000.0 * c.q) - 1.0));
    }
    return worst;
}

}  // namespace channel2d
