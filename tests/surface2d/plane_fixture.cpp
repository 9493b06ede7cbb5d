#include "surface2d/plane_fixture.h"
#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"

#include <cmath>
#include <filesystem>

#include <algorithm>
#include <iterator>

#include "control/kread.h"
#include "control/readers.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "grid/grid.h"
#include "surface2d/surface2d.h"

namespace plane2dtest {

using quird_test::PlanPoint;

namespace {
// The parameters, records and solver state that these tests set, as a fresh
// `control` and start-up leave them.
void freshSettings() {
    setParameterDefaults();
    setRecordDefaults();
    std::fill(std::begin(MBSkjot), std::end(MBSkjot), 0);
    std::fill(std::begin(MBStart), std::end(MBStart), 0);
    Equation = 1;
    std::fill(std::begin(MaxResidual), std::end(MaxResidual), 0.0);
    std::fill(std::begin(NormResidual), std::end(NormResidual), 0.0);
    relaxVelocity = relaxPressure = 0.0;
    Iter = 0;
}
}  // namespace

void PlaneTest::SetUp() {
    EngineTest::SetUp();
    freshSettings();
    relaxVelocity = 0.8;
    relaxPressure = 0.3;
    Iter = 1;
}

void PlaneTest::TearDown() {
    freshSettings();
    EngineTest::TearDown();
}

void PlaneTest::shearedPlane(int X, int Y, double dx, double dy, double shear, double depth) {
    quird_test::allocateGrid(X, Y, 3);
    quird_test::fillGrid([=](int i, int j) { return PlanPoint{(i - 1) * dx + shear * (j - 1) * dy, (j - 1) * dy}; },
                         quird_test::layers(depth / 2.0, 1.0));
    metric();
    smetric();
    openColumns();
    std::filesystem::remove("boogie");
}

void PlaneTest::twoBlockPlane(int start, double blockDy) {
    quird_test::TwoBlockGrid g;
    g.start = start;
    g.blockDy = blockDy;
    g.build();
    MultiBlockInit();
    metric();
    smetric();
    openColumns();
    std::filesystem::remove("boogie");
}

void PlaneTest::openColumns() {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) kblok[i][j] = 1;
}

double PlaneTest::imbalance(int i, int j) {
    double in = flow2[i][j - 1][0];
    if (const int m = Pi1MultiBlock[i][j][0]; m != 0)
        in += Pi1MultiBlock[i][j][1] == 2 ? -flow2[m][1][0] : flow2[m][ynumber][0];
    else
        in += flow1[i - 1][j][0];
    return flow1[i][j][0] + flow2[i][j][0] - in;
}

void PlaneTest::correctPressure() {
    Equation = 4;
    pressure_correction2D();
    forInterior([](int i, int j) { wap[i][j][0] = ae[i][j][0] + aw[i][j][0] + an[i][j][0] + as[i][j][0]; });
    NormResidual[4] = 1.0;
    Residual2D();
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) f[i][j][0] = 0.0;
    forInterior([](int i, int j) { iAp[i][j][0] = 1.0 / wap[i][j][0]; });
    GaussIter = 20;
    for (int round = 0; round < 2000; ++round) {
        double change = 0.0, size = 0.0;
        std::vector<double> before;
        forInterior([&](int i, int j) { before.push_back(f[i][j][0]); });
        WaterGaussSeidel2D();
        size_t n = 0;
        forInterior([&](int i, int j) {
            change = std::max(change, std::fabs(f[i][j][0] - before[n++]));
            size = std::max(size, std::fabs(f[i][j][0]));
        });
        if (change <= 1e-15 * size) break;
    }
    SimpleCorrections2D();
}

}  // namespace plane2dtest
