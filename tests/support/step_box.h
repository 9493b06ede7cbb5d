// The box that the tests of the equation steps (momentum, turbulence, wall
// routines) assemble on: 4 x 3 x 3 interior cells of 0.4 x 0.3 x 0.1 m with
// axis-aligned face normals and a bed roughness of 0.002 m, and the
// parameters that the coefficient generators read besides the fields.
#pragma once

#include <cstdint>

#include "control/state.h"
#include "equations/fixture.h"
#include "flow3d/state.h"
#include "grid/state.h"

namespace quird_test {

constexpr double kBoxDx = 0.4, kBoxDy = 0.3, kBoxDz = 0.1;  // cells of the box

class StepBoxTest : public eqtest::EquationTest {
protected:
    // The grid of the box, its metrics and its bed roughness.
    void stepBox(bool secondOrder = false) {
        makeGrid(5, 4, 4, secondOrder);
        boxGeometry(kBoxDx, kBoxDy, kBoxDz);
        boxFaceNormals();
        for (std::int64_t n = 0; n < Xks.size(); ++n) Xks.data()[n] = 0.002;
    }

    // Standard k-epsilon, the standard wall kernel and no model options; no
    // debug dumps or output blocks.
    static void coefficientParameters() {
        TFStimeterm = 1;
        FlagWallDLL = FlagWallNew = FlagWallAll = 0;
        TurbulenceModel = 0;
        FlagBrelk = 0;
        TurbMultFlag = 0;
        cmy = 0.09;
        Xkappa = 0.4;
        WallChoiseForm = WallChoiseSed = 0;
        XksWall = XksJ1 = XksJ2 = 0.01;
        InputErrorLimit = 1e9;
        FlagStress1DLL = 0;
        StressDiff = ArtDiff = 0.0;
        TurbMultHor = TurbMultVert = 1.0;
        Schmidt = 1.0;
        invSchmidt[0] = 1.0;
        OutBlockNo = 0;
        DebugDumpNo = 0;
    }
};

}  // namespace quird_test
