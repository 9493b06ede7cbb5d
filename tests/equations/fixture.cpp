#include "equations/fixture.h"

#include "control/engine.h"
#include "equations/parallel.h"
#include "flow3d/state.h"
#include "grid/state.h"

#include <cmath>
#include <omp.h>

#include <filesystem>
#include <random>

namespace eqtest {

void EquationTest::makeGrid(int X, int Y, int Z, bool secondOrder) {
    SetArraysZero();
    xnumber = X;
    ynumber = Y;
    znumber = Z;
    lnumber = 1;
    Equation = 1;
    MBNo = 0;
    NoProcessesSolver = 0;
    FlagUnderflow = 0;
    GaussIter = 10;
    sou[1] = secondOrder ? 1 : 0;  // the allocator creates the second-neighbour arrays
    ASSERT_EQ(sialloc(), 0);
    sou[1] = 0;
    std::filesystem::remove("boogie");
    std::FILE* log = std::fopen("boogie", "w");
    ASSERT_NE(log, nullptr);
    std::fclose(log);
}

void EquationTest::twoBlockTables(int Xm, bool leftSide) {
    MBNo = 1;
    MBSkjot[1] = Xm;
    MBStart[1] = leftSide ? -2 : 2;
    const int a = Xm + 1;
    for (int j = 2; j <= ynumber; ++j) {
        // Right side: joint cell (a, j) faces host cell (j, 2); left side:
        // (a, j) faces (ynumber + 2 - j, ynumber).
        const int m = leftSide ? ynumber + 2 - j : j;
        Pi1MultiBlock[a][j][0] = m;
        Pi1MultiBlock[a][j][1] = leftSide ? ynumber : 2;
        Pi1MultiBlock[a][j][2] = leftSide ? ynumber - 1 : 3;
        FieldArray<int, 2>& host = leftSide ? Pj2MultiBlock : Pj1MultiBlock;
        host[m][0] = a;
        host[m][1] = j;
    }
}

void EquationTest::boxGeometry(double dx, double dy, double dz) {
    auto fill = [](FieldArray<double, 3>& a, double v) {
        for (std::int64_t n = 0; n < a.size(); ++n) a.data()[n] = v;
    };
    fill(m_dist_x, dx / 2);
    fill(m_dist_y, dy / 2);
    fill(m_dist_z, dz / 2);
    fill(m_ar_x, dy * dz);
    fill(m_ar_y, dx * dz);
    fill(m_ar_z, dx * dy);
    for (std::int64_t n = 0; n < m_vec_z.size(); ++n) m_vec_z.data()[n] = n % 3 == 2 ? 1.0 : 0.0;
    for (std::int64_t n = 0; n < m_armap.size(); ++n) m_armap.data()[n] = dx * dy;
    for (std::int64_t n = 0; n < twoD.size(); ++n) twoD.data()[n] = 1;
}

void EquationTest::boxFaceNormals() {
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            m_vec_x[i][j][0] = 1.0, m_vec_x[i][j][1] = 0.0;
            m_vec_y[i][j][0] = 0.0, m_vec_y[i][j][1] = 1.0;
        }
}

void EquationTest::wallCell(int i, int j, int k, int wi, int wj, int wk) {
    WallI[i][j][k] = wi;
    WallJ[i][j][k] = wj;
    WallK[i][j][k] = wk;
    Wall[i][j][k] = (wi != 0 || wj != 0 || wk != 0) ? 1 : 0;
}

void EquationTest::unitBox(int X, int Y, int Z) {
    makeGrid(X, Y, Z, true);
    boxGeometry(1.0, 1.0, 1.0);
    for (std::int64_t n = 0; n < gama.size(); ++n) gama.data()[n] = gamaV.data()[n] = 1.0;
}

void EquationTest::randomFlow(unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> size(0.2, 2.0), flux(-3.0, 3.0), normal(0.5, 1.0);
    FieldArray<double, 3>* positive[] = {&m_dist_x, &m_dist_y, &m_dist_z, &m_ar_x, &m_ar_y, &m_ar_z, &gama, &gamaV};
    for (auto* a : positive)
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = size(rng);
    FieldArray<double, 3>* fluxes[] = {&flow1, &flow2, &flow3};
    for (auto* a : fluxes)
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = flux(rng);
    for (std::int64_t n = 0; n < m_vec_z.size(); ++n) m_vec_z.data()[n] = n % 3 == 2 ? normal(rng) : 0.1;
    for (std::int64_t n = 0; n < m_armap.size(); ++n) m_armap.data()[n] = size(rng);
    for (std::int64_t n = 0; n < twoD.size(); ++n) twoD.data()[n] = n % 3 != 0;
}

void EquationTest::formCentre(double extra) {
    forInterior([&](int i, int j, int k) {
        double s = ae[i][j][k] + aw[i][j][k] + as[i][j][k] + an[i][j][k] + wab[i][j][k] + wat[i][j][k];
        if (!aee.isNull())
            s += aee[i][j][k] + aww[i][j][k] + ass[i][j][k] + ann[i][j][k] + abb[i][j][k] + att[i][j][k];
        wap[i][j][k] = s + extra;
        iAp[i][j][k] = 1.0 / wap[i][j][k];
    });
}

void EquationTest::randomEquation(unsigned seed, double extra) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coef(0.1, 1.0), value(-1.0, 1.0);
    forAll([&](int i, int j, int k) { f[i][j][k] = value(rng); });
    FieldArray<double, 3>* first[] = {&ae, &aw, &as, &an, &wab, &wat};
    FieldArray<double, 3>* second[] = {&aee, &aww, &ass, &ann, &abb, &att};
    forInterior([&](int i, int j, int k) {
        for (auto* a : first) (*a)[i][j][k] = coef(rng);
        if (!aee.isNull())
            for (auto* a : second) (*a)[i][j][k] = 0.2 * coef(rng);
        source[i][j][k] = value(rng);
    });
    formCentre(extra);
}

void EquationTest::pin(int i, int j, int k, double v) {
    wap[i][j][k] = 1e30;
    source[i][j][k] = 1e30 * v;
    iAp[i][j][k] = 1e-30;
}

void EquationTest::forInterior(const std::function<void(int, int, int)>& fn) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

void EquationTest::forAll(const std::function<void(int, int, int)>& fn) {
    for (int i = 0; i < f.extent(0); ++i)
        for (int j = 0; j < f.extent(1); ++j)
            for (int k = 0; k < f.extent(2); ++k) fn(i, j, k);
}

double EquationTest::maxError(const std::function<double(int, int, int)>& exact) {
    double e = 0.0;
    forInterior([&](int i, int j, int k) { e = std::max(e, std::fabs(f[i][j][k] - exact(i, j, k))); });
    return e;
}

void runPerThread(void (*generator)(int, int)) {
    par::region(NoProcessesSolver, [&] {
        int first, last;
        solverBlock(omp_get_thread_num(), NoProcessesSolver, first, last);
        generator(first, last);
    });
}

std::vector<NamedArray> coefficientArrays() {
    return {{"ae", &ae},   {"aw", &aw},   {"as", &as},   {"an", &an},   {"wab", &wab}, {"wat", &wat},
            {"aee", &aee}, {"aww", &aww}, {"ass", &ass}, {"ann", &ann}, {"abb", &abb}, {"att", &att}};
}

}  // namespace eqtest
