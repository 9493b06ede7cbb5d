// Planes for the tests of the equation terms: a rectangular plane of
// dx by dy columns of one depth, with fields set cell by cell.
#pragma once

#include <functional>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "surface2d/plane_fixture.h"

namespace plane2dtest {

class TermsTest : public PlaneTest {
protected:
    static constexpr double kDx = 2.0, kDy = 1.0, kDepth = 1.5;
    // X x Y node lines, kDx by kDy columns kDepth deep.
    void box(int X = 7, int Y = 6) { shearedPlane(X, Y, kDx, kDy, 0.0, kDepth); }

    // Sets field q of every cell of the plane (boundary cells included).
    static void fill(FieldArray<double, 3>& q, const std::function<double(int, int)>& value) {
        forPlane([&](int i, int j) { q[i][j][0] = value(i, j); });
    }
    static void fill(FieldArray<double, 3>& q, double value) {
        fill(q, [value](int, int) { return value; });
    }
    static void roughness(double ks) {
        forPlane([ks](int i, int j) { Xks[i][j] = ks; });
    }
    // u = c y, v = 0 in every cell: the centre of row j at (j - 1.5) dy, the
    // boundary cells on the side faces at 0 and (ynumber - 1) dy.
    static void shear(double c) {
        fill(xvel, [c](int, int j) {
            const double y = j == 1 ? 0.0 : j == ynumber + 1 ? (ynumber - 1) * kDy : (j - 1.5) * kDy;
            return c * y;
        });
        fill(yvel, 0.0);
    }
    // The areas of a column of the box: plan, i-face, j-face; its volume.
    static constexpr double plan() { return kDx * kDy; }
    static constexpr double iArea() { return kDy * kDepth; }
    static constexpr double jArea() { return kDx * kDepth; }
    static constexpr double volume() { return kDx * kDy * kDepth; }
};

}  // namespace plane2dtest
