// The transposed viscous stress of the momentum equations: conservation,
// the faces it visits, and the textbook term mu (d u_j / d x_c) n_j.
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "equations/fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "turbulence/turbulence.h"

using namespace eqtest;

namespace {

class TransposedStress : public EquationTest {
protected:
    // Every cell, boundary cells included (the extent of source and gama).
    static void forCells(const std::function<void(int, int, int)>& fn) {
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber + 1; ++k) fn(i, j, k);
    }
    // Random geometry and viscosity with tilted horizontal face normals.
    void randomGrid(int X, int Y, int Z, unsigned seed) {
        makeGrid(X, Y, Z);
        randomFlow(seed);
        std::mt19937 rng(seed + 1);
        std::uniform_real_distribution<double> angle(-0.5, 0.5);
        for (int i = 0; i <= xnumber + 1; ++i)
            for (int j = 0; j <= ynumber + 1; ++j) {
                const double a = angle(rng), b = angle(rng);
                m_vec_x[i][j][0] = std::cos(a), m_vec_x[i][j][1] = std::sin(a);
                m_vec_y[i][j][0] = -std::sin(b), m_vec_y[i][j][1] = std::cos(b);
            }
    }
    // A box of cells dx, dy, dz with axis-aligned normals.
    void box(int X, int Y, int Z, double dx, double dy, double dz) {
        makeGrid(X, Y, Z);
        boxGeometry(dx, dy, dz);
        boxFaceNormals();
    }
    static void randomVelocity(unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> v(-1.0, 1.0);
        forCells([&](int i, int j, int k) {
            xvel[i][j][k] = v(rng), yvel[i][j][k] = v(rng), zvel[i][j][k] = v(rng);
        });
    }
    // A caller's source in every element.
    static void callerSource() {
        forCells([](int i, int j, int k) { source[i][j][k] = 0.25 * i - 0.5 * j + k; });
    }
    static std::vector<double> sourceNow() { return {source.data(), source.data() + source.size()}; }
};

// A uniform velocity, and any equation but u, v and w, leave the source as
// the caller left it.
TEST_F(TransposedStress, UniformVelocityAndOtherEquationsChangeNothing) {
    randomGrid(6, 5, 5, 3);
    forCells([](int i, int j, int k) { xvel[i][j][k] = 0.7, yvel[i][j][k] = -0.2, zvel[i][j][k] = 0.05; });
    callerSource();
    const std::vector<double> before = sourceNow();
    for (int eq = 1; eq <= 3; ++eq) {
        Equation = eq;
        StressOrt();
    }
    randomVelocity(5);
    for (int eq : {0, 4, 5, 6, 8}) {
        Equation = eq;
        StressOrt();
    }
    const std::vector<double> after = sourceNow();
    for (size_t n = 0; n < before.size(); ++n) ASSERT_EQ(after[n], before[n]) << n;
}

// Every flux leaves one cell and enters its neighbour; the domain faces carry none.
TEST_F(TransposedStress, ChangesSumToZeroOverTheGrid) {
    randomGrid(6, 5, 5, 11);
    randomVelocity(13);
    for (int eq = 1; eq <= 3; ++eq) {
        SCOPED_TRACE(eq);
        Equation = eq;
        callerSource();
        const std::vector<double> before = sourceNow();
        StressOrt();
        double sum = 0.0, size = 0.0;
        for (size_t n = 0; n < before.size(); ++n) {
            const double d = source.data()[n] - before[n];
            sum += d;
            size += std::fabs(d);
        }
        EXPECT_GT(size, 1.0);
        EXPECT_LT(std::fabs(sum), 1e-13 * size);
        // Boundary cells receive nothing.
        for (int j = 0; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) {
                EXPECT_EQ(source[1][j][k], 0.25 - 0.5 * j + k);
                EXPECT_EQ(source[xnumber + 1][j][k], 0.25 * (xnumber + 1) - 0.5 * j + k);
            }
    }
}

// A grid one cell layer thick in a direction has no faces in it: the
// component's derivative along that direction then adds nothing, while two
// layers exchange the flux of their one face.
TEST_F(TransposedStress, OneCellLayerHasNoFacesInItsDirection) {
    struct Case {
        const char* name;
        int eq;
        int layers[3];  // grid lines in i, j, k of the thin grid
        int thin;       // its thin direction
    };
    const Case cases[] = {
        {"i", 1, {2, 4, 4}, 0},
        {"j", 2, {4, 2, 4}, 1},
        {"k", 3, {4, 4, 2}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int extra : {0, 1}) {
            int n[3] = {c.layers[0], c.layers[1], c.layers[2]};
            n[c.thin] += extra;
            box(n[0], n[1], n[2], 0.4, 0.3, 0.2);
            forCells([](int i, int j, int k) { gama[i][j][k] = 1.0 + 0.1 * i + 0.2 * j + 0.3 * k; });
            // The component of the equation, linear along the thin direction.
            FieldArray<double, 3>& phi = c.eq == 1 ? xvel : c.eq == 2 ? yvel : zvel;
            forCells([&](int i, int j, int k) { phi[i][j][k] = 0.5 * (c.thin == 0 ? i : c.thin == 1 ? j : k); });
            Equation = c.eq;
            StressOrt();
            double size = 0.0;
            forCells([&](int i, int j, int k) { size += std::fabs(source[i][j][k]); });
            if (extra == 0) {
                EXPECT_EQ(size, 0.0);
            } else {
                EXPECT_GT(size, 0.0);
            }
        }
    }
}

// Linear velocities (boundary cells included) on a box: with a uniform
// viscosity the cells whose six faces are all interior get nothing, and a
// cell on the upstream end gets mu A_x d u / d x_c from its one i-face; with
// a viscosity linear in x every inner cell gets the textbook
// (d mu / d x)(d u / d x_c) V.
TEST_F(TransposedStress, LinearVelocityOnABox) {
    const double dx = 0.4, dy = 0.3, dz = 0.2, V = dx * dy * dz;
    // Velocity gradient G[m][c] = d u_m / d x_c.
    const double G[3][3] = {{0.3, -1.2, 0.7}, {0.9, 0.2, -0.4}, {-0.6, 0.5, 0.1}};
    for (double slope : {0.0, 0.8}) {  // d mu / d x
        SCOPED_TRACE(slope);
        box(6, 6, 6, dx, dy, dz);
        forCells([&](int i, int j, int k) {
            const double x = i * dx, y = j * dy, z = k * dz;
            xvel[i][j][k] = G[0][0] * x + G[0][1] * y + G[0][2] * z;
            yvel[i][j][k] = G[1][0] * x + G[1][1] * y + G[1][2] * z;
            zvel[i][j][k] = G[2][0] * x + G[2][1] * y + G[2][2] * z;
            gama[i][j][k] = 2.0 + slope * x;
        });
        for (int eq = 1; eq <= 3; ++eq) {
            SCOPED_TRACE(eq);
            const int c = eq - 1;
            Equation = eq;
            std::fill(source.data(), source.data() + source.size(), 0.0);
            StressOrt();
            const double scale = 2.0 * dy * dz;
            for (int i = 3; i <= xnumber - 1; ++i)
                for (int j = 3; j <= ynumber - 1; ++j)
                    for (int k = 3; k <= znumber - 1; ++k)
                        EXPECT_NEAR(source[i][j][k], slope * G[0][c] * V, 1e-12 * scale);
            if (slope == 0.0) {
                EXPECT_NEAR(source[2][4][4], 2.0 * dy * dz * G[0][c], 1e-12 * scale);
            }
        }
    }
}

}  // namespace
