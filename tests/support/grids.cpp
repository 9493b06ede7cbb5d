#include "support/grids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "control/engine.h"
#include "control/state.h"
#include "grid/state.h"

namespace quird_test {

void allocateGrid(int X, int Y, int Z) {
    xnumber = X;
    ynumber = Y;
    znumber = Z;
    if (lnumber < 1) lnumber = 1;
    ASSERT_EQ(sialloc(), 0);
    // The tests look at what the routines under test append to the log.
    std::filesystem::remove("boogie");
}

void fillGrid(const PlanFn& plan, const LevelFn& level) {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const PlanPoint p = plan(i, j);
            xval[i][j] = p.x;
            yval[i][j] = p.y;
            for (int k = 1; k <= znumber; ++k) zval[i][j][k] = level(i, j, k);
            zval[i][j][0] = zval[i][j][1];
        }
}

LevelFn layers(double dz, double bed) {
    return [dz, bed](int, int, int k) { return bed + (k - 1) * dz; };
}

void boxGrid(int X, int Y, int Z, double dx, double dy, double dz) {
    allocateGrid(X, Y, Z);
    fillGrid([=](int i, int j) { return PlanPoint{(i - 1) * dx, (j - 1) * dy}; }, layers(dz));
}

void rotatedGrid(int X, int Y, int Z, double dx, double dy, double degrees, const LevelFn& level) {
    allocateGrid(X, Y, Z);
    const double c = std::cos(degrees * std::numbers::pi / 180.0), s = std::sin(degrees * std::numbers::pi / 180.0);
    fillGrid(
        [=](int i, int j) {
            const double x = (i - 1) * dx, y = (j - 1) * dy;
            return PlanPoint{c * x - s * y, s * x + c * y};
        },
        level);
}

void shearedGrid(int X, int Y, int Z, double dx, double dy, double shear, const LevelFn& level) {
    allocateGrid(X, Y, Z);
    fillGrid([=](int i, int j) { return PlanPoint{(i - 1) * dx + (j - 1) * shear, (j - 1) * dy}; }, level);
}

void Channel::build() const {
    allocateGrid(X, Y, Z);
    fillGrid([this](int i, int j) { return PlanPoint{(i - 1) * dx, (j - 1) * width / (Y - 1)}; },
             [this](int i, int, int k) { return bed(i) + depth * (k - 1) / (Z - 1); });
}

PlanPoint TwoBlockGrid::blockNode(int i, int j) const {
    const int n = i - jointRow();  // 0 on the block's first node line
    if (start >= 0) return {(start + j - 3) * dx, -(n + 1) * blockDy};
    return {(Y - start - j - 2) * dx, (Y - 1) * dy + (n + 1) * blockDy};
}

void TwoBlockGrid::build() const {
    MBNo = 1;
    MBSkjot[1] = mainLines;
    MBStart[1] = start;
    allocateGrid(X(), Y, Z);
    fillGrid(
        [this](int i, int j) {
            if (i <= mainLines) return PlanPoint{(i - 1) * dx, (j - 1) * dy};
            return blockNode(i, j);
        },
        layers(dz));
    for (int i = 0; i <= xnumber; ++i) ISkjotMB[i] = 0;
    ISkjotMB[mainLines] = 1;
}

}  // namespace quird_test
