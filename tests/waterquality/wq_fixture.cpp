#include "waterquality/wq_fixture.h"

#include <filesystem>

#include "control/engine.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "run/reset.h"
#include "support/grids.h"

using namespace quird_test;

namespace wqtest {

void WaterQualityTest::channel(int X, int Y, int Z, double dx, double dy, double dz, double U, double nu) {
    SetArraysZero();
    boxGrid(X, Y, Z, dx, dy, dz);
    metric();
    std::filesystem::remove("boogie");
    for (int i = 0; i <= X + 1; ++i)
        for (int j = 0; j <= Y + 1; ++j) {
            kblok[i][j] = 1;
            for (int k = 0; k <= Z + 1; ++k) {
                OBlok[i][j][k] = 1;
                gama[i][j][k] = gamaV[i][j][k] = nu;
            }
        }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) WallK[i][j][2] = 1;
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            WallJ[i][2][k] = 1;
            WallJ[i][Y][k] = -1;
        }
    for (int i = 1; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) flow1[i][j][k] = 1000.0 * U * m_ar_x[i][j][k];
}

void WaterQualityTest::box(int component, double value, int i1, int i2, int j1, int j2, int k1, int k2,
                           double start, double end) {
    BorderSourceRecord& b = BorderSource[BorderSourceNo++];
    b.i1 = i1, b.i2 = i2, b.j1 = j1, b.j2 = j2, b.k1 = k1, b.k2 = k2;
    b.component = component;
    b.value = value;
    b.startTime = start;
    b.endTime = end;
}

void WaterQualityTest::term(int component, int type, int a, int b, double V1, double V2) {
    QTerms[NoTerms++] = QTerm{component, type, a, b, V1, V2};
}

void WaterQualityTest::resetEngineForCase() {
    resetEngine();
    installExitHandler();
}

double WaterQualityTest::mass(int i, int j, int k) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * 1000.0; }

std::string WaterQualityTest::log() { return std::filesystem::exists("boogie") ? readFile("boogie") : ""; }

}  // namespace wqtest
