// Small channels for the water-quality tests: a box grid with its cell
// geometry, the bed and side walls, a uniform flow along x and a uniform
// viscosity; set NoComponents, TimeStep (and SouComp) before building.
#pragma once

#include <string>

#include "support/testing.h"

namespace wqtest {

class WaterQualityTest : public quird_test::EngineTest {
public:
    // x (Y-1) x (Z-1) cells of dx x dy x dz; flow1 = 1000 U m_ar_x on the
    // i-faces 1..X, gama = gamaV = nu in every cell.
    static void channel(int X, int Y, int Z, double dx, double dy, double dz, double U, double nu);
    // Appends a box record (G 17 window unless start and end are given).
    static void box(int component, double value, int i1, int i2, int j1, int j2, int k1, int k2,
                    double start = 0.0, double end = 1e20);
    // Appends a Q record.
    static void term(int component, int type, int a, int b, double V1, double V2 = 0.0);
    static double mass(int i, int j, int k);
    static std::string log();
    // Every global back to its start, for the next case of a table.
    static void resetEngineForCase();
};

}  // namespace wqtest
