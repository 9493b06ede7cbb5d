// Fixture of the solver start-up tests: grids with their geometry, joints
// and a start flow, ready for `startup`.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "grid/grid.h"
#include "support/grids.h"
#include "support/testing.h"

namespace quird_test {

// printf into a std::string.
inline std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
inline std::string format(const char* fmt, ...) {
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    return text;
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class StartUp : public EngineTest {
protected:
    static constexpr double kV = 0.5, kR = 0.5, kManning = 50.0;

    void SetUp() override {
        EngineTest::SetUp();
        std::memset(run, ' ', sizeof run);
    }

    // The geometry of the grid built, the multi-block tables and the grid
    // derivatives; the log is cleared for the lines of the start-up.
    static void geometryReady() {
        metric();
        MultiBlockInit();
        smetric();
        std::filesystem::remove("boogie");
    }

    // A uniform flow V along x in every cell row, as the initial state of a
    // straight conduit leaves it: open columns, cross-sections of radius R,
    // one Manning number.
    static void uniformFlow() {
        for (int i = 0; i <= xnumber + 1; ++i) {
            avvelocity[i] = kV;
            radius[i] = kR;
            ManArray[i] = kManning;
            for (int j = 0; j <= ynumber + 1; ++j) kblok[i][j] = 1;
        }
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j)
                for (int k = 2; k <= znumber; ++k) xvel[i][j][k] = kV;
    }

    // A box of X x Y x Z grid lines, 1 m by dy by dz cells, with a uniform flow.
    void box(int X = 6, int Y = 5, int Z = 5, double dy = 0.5, double dz = 0.25) {
        boxGrid(X, Y, Z, 1.0, dy, dz);
        geometryReady();
        uniformFlow();
        discharge = kV * (Y - 1) * dy * (Z - 1) * dz;
    }

    // The box mirrored in y (j running towards -y): a left-handed grid.
    void mirroredBox() {
        boxGrid(6, 5, 5, 1.0, 0.5, 0.25);
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) yval[i][j] = -yval[i][j];
        geometryReady();
        uniformFlow();
    }

    // The open channel of the initial-state tests, its surface by the
    // backwater computation and its log-law flow.
    void openChannel(double Q = 5.0) {
        ch.build();
        discharge = Q;
        for (int i = 0; i <= ch.X + 1; ++i) ManArray[i] = 40.0;
        level = ch.bed(ch.X) + 0.9;
        initnumber = 3;
        initarray[1] = 1;
        initarray[2] = 6;
        initarray[3] = ch.X;
        initial();
        geometryReady();
    }

    // Flux through the inflow face i = 1 as the velocities of the inflow cells carry it.
    static double inflowFlux() {
        double q = 0.0;
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                q += m_ar_x[1][j][k] * (xvel[1][j][k] * m_vec_x[1][j][0] + yvel[1][j][k] * m_vec_x[1][j][1]);
        return q;
    }

    static std::string log() { return readFile("boogie"); }

    Channel ch;
};

}  // namespace quird_test
