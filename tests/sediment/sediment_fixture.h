// Small grids with prepared flow state for the sediment tests: the still
// column, the straight channel (with and without a solid box and a blocked
// column), the two-block grid, the settling basin and the bed step. Each
// builder allocates fresh arrays for the lnumber set before it (1 when unset),
// computes the cell geometry and sets the cell flags as the solver start-up
// does: every cell open, bed cells WallK +1, side walls WallJ on rows 2 and
// ynumber, no roof, the G 13 boxes and the suspended cells of G 2 columns
// blocked.
#pragma once

#include <functional>

#include "support/testing.h"

namespace sedtest {

class SedimentTest : public quird_test::EngineTest {
public:
    // One interior column (2, 2) of znumber Z (Z - 1 layers) over `depth`,
    // 1 m x 1 m in plan; no flow.
    static void stillColumn(int Z, double depth = 1.0);
    // 8 x 4 x 6 cells of 1 m x 0.5 m x 0.1 m (xnumber 9, ynumber 5,
    // znumber 7), a uniform flow U along x.
    static void straightChannel(double U = 0.5);
    // The straight channel with the solid box G 13 (type 1) over cells
    // i 4..5, j 3, k 2..4 and the G 2 column (7, 4).
    static void channelWithBlocks(double U = 0.5);
    static constexpr int kBox[6] = {4, 5, 3, 3, 2, 4};
    static constexpr int kBlockedI = 7, kBlockedJ = 4;
    // quird_test::TwoBlockGrid as it stands (main rows 2..10, attached rows
    // 11..13, joined to wall j = 1 of host columns 3..5), joint tables by
    // MultiBlockInit; no flow.
    static void twoBlocks();
    // 20 x 1 x 10 cells over 20 m x 3 m x 1 m (xnumber 21, ynumber 2,
    // znumber 11), a uniform flow U along x.
    static void settlingBasin(double U = 0.1);
    // The settling basin (Q = 0.3 m3/s) with `fractions` fractions of fall
    // velocity w, the flow's couplings and the vertical diffusivity K, the
    // inflow profile uniform at kInflowConc and `inflow` the sediment it
    // brings (kg/s); the bed cannot erode (c0 0); iter_morph 5000, conv_morph
    // 1e-7.
    static void basinWithSediment(double w, double K, int fractions = 1);
    static constexpr double kInflowConc = 1e-4;
    // 8 x 3 x 5 cells of 1 m x 1 m, the bed 0.4 m at node lines 1..4 and 0
    // from node line 5 on, the surface flat at 1.0 m; no flow.
    static void bedStep();

    // flow1 = 1000 U m_ar_x on the i-faces 1..xnumber, xvel = U in the cells
    // 1..xnumber+1 (the rest of the flow 0).
    static void uniformFlow(double U);
    // kinen and epsilon of every cell 0..n+1.
    static void uniformTurbulence(double k, double eps);
    // diff of every cell 0..n+1 from fn(i, j, k).
    static void setDiffusivity(const std::function<double(int, int, int)>& fn);
    // Height of the centre of cell k above the bed of column (i, j).
    static double centreHeight(int i, int j, int k);
    // The cell flags of the start-up (see above).
    static void startupFlags();
    // Calls fn(i, j, k) for every interior cell.
    static void forInterior(const std::function<void(int, int, int)>& fn);
    static std::string log();
    // Residual of cell (i, j, k) of the equation of fraction 1 with the plain
    // neighbours: source + neighbour terms - ap c.
    static double residual(int i, int j, int k);
    // Calls solver until no value of conc changes by more than tol; returns
    // the number of calls, n + 1 when n calls were not enough.
    static int solveUntilSteady(void (*solver)(), double tol, int n);
};

}  // namespace sedtest
