// Planes of the depth-averaged model for the tests: grids with their
// geometry, the mass balance of a cell and the pressure-correction step as
// the driver runs it.
#pragma once

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "sediment/state.h"
#include "support/grids.h"
#include "support/testing.h"

namespace plane2dtest {

class PlaneTest : public quird_test::EngineTest {
protected:
    void SetUp() override;
    // Leaves the settings these tests change at their defaults for the tests after them.
    void TearDown() override;

    // A plane of X x Y node lines, sheared in plan (node (i, j) at
    // ((i-1) dx + shear (j-1) dy, (j-1) dy)), uniform depth, its geometry
    // built by metric and smetric.
    void shearedPlane(int X, int Y, double dx, double dy, double shear, double depth);
    // The two-block fixture (start >= 0: joined across wall j = 1, else
    // across wall j = ynumber) with its joint tables and geometry.
    void twoBlockPlane(int start, double blockDy = 0.8);

    // kblok 1 in every column, as the initial flow state leaves an open grid.
    static void openColumns();

    // Outflow minus inflow (kg/s) of interior cell (i, j), through its four
    // faces; a first-row cell of an attached block meets its host column
    // through the join face instead of its low i-face.
    static double imbalance(int i, int j);
    // Calls fn(i, j) for every interior cell.
    template <typename Fn>
    static void forInterior(Fn fn) {
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) fn(i, j);
    }
    // Calls fn(i, j) for every cell of the plane, boundary cells included.
    template <typename Fn>
    static void forPlane(Fn fn) {
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j) fn(i, j);
    }

    // The pressure-correction step of an iteration, after waterflow2D: the p'
    // equation, wap the sum of its couplings, the residual, p' = 0, sweeps
    // until p' stops changing, the corrections.
    void correctPressure();
};

}  // namespace plane2dtest
