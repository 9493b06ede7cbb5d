// A box of wall cells for the wall-routine tests: 4 x 3 x 3 interior cells
// of 0.4 x 0.3 x 0.1 m with axis-aligned normals, one velocity and k in
// every cell, distinct roughness of bed, walls and the two bank rows.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "equations/fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "support/step_box.h"
#include "support/testing.h"

namespace walltest {

constexpr double kDx = quird_test::kBoxDx, kDy = quird_test::kBoxDy, kDz = quird_test::kBoxDz;
constexpr double kK = 0.004;                        // k of every cell

class WallCells : public quird_test::StepBoxTest {
protected:
    void SetUp() override {
        StepBoxTest::SetUp();
        stepBox();
        FlagWallAll = 0;
        TurbulenceModel = 0;
        cmy = 0.09;
        sqcmyrho = 300.0;
        Xkappa = 0.4;
        WallChoiseForm = WallChoiseSed = 0;
        FlagBrelk = 0;
        TurbMultFlag = 0;
        TurbMultTest = 0.0;
        XksWall = 0.01;
        XksJ1 = 0.02;
        XksJ2 = 0.03;
        forAll([](int i, int j, int k) {
            xvel[i][j][k] = 0.7;
            yvel[i][j][k] = -0.2;
            zvel[i][j][k] = 0.05;
            kinen[i][j][k] = kK;
        });
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) Volume[i][j][k] = kDx * kDy * kDz;
        FlagSurfEps = 0;
        SurfEpsCoeff = 0.43;
        Equation = 1;
    }

    // A stress term in every interior cell, as the caller leaves it.
    static void callerTerms() {
        forInterior([](int i, int j, int k) {
            wap[i][j][k] = 5.0;
            source[i][j][k] = 3.0;
        });
    }
    // C of the log law: density times u* times area over R.
    static double logC(double k, double A, double y, double ks, double kappa) {
        return 31.62 * std::sqrt(300.0 * k) * A * kappa / std::max(std::log(30.0 * y / ks), 0.01);
    }
    static double velocity(int eq, int i, int j, int k) {
        return eq == 1 ? xvel[i][j][k] : eq == 2 ? yvel[i][j][k] : zvel[i][j][k];
    }
    std::string log() const { return quird_test::readFile("boogie"); }

    // Random wall flags (the bed at k = 2), velocities, k of both signs and
    // half sizes in every interior cell.
    static void randomWallCells(unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> val(-1.0, 1.0), pos(0.02, 0.3);
        std::uniform_int_distribution<int> flag(-1, 1);
        forInterior([&](int i, int j, int k) {
            wallCell(i, j, k, flag(rng), flag(rng), k == 2 ? 1 : flag(rng));
            xvel[i][j][k] = val(rng), yvel[i][j][k] = val(rng), zvel[i][j][k] = val(rng);
            kinen[i][j][k] = 0.01 * val(rng);
            m_dist_x[i][j][k] = pos(rng), m_dist_y[i][j][k] = pos(rng), m_dist_z[i][j][k] = pos(rng);
        });
    }

    // The workspace as it is now.
    struct Workspace {
        std::vector<double> wap, source;
    };
    static Workspace workspace() {
        return {{wap.data(), wap.data() + wap.size()}, {source.data(), source.data() + source.size()}};
    }
    // The workspace is `w` bit for bit.
    static void expectWorkspace(const Workspace& w) {
        for (std::int64_t n = 0; n < wap.size(); ++n) {
            ASSERT_TRUE(eqtest::sameBits(wap.data()[n], w.wap[n])) << n;
            ASSERT_TRUE(eqtest::sameBits(source.data()[n], w.source[n])) << n;
        }
    }
};

}  // namespace walltest
