// Power-law coefficients ae, aw, an, as of the depth-averaged plane (k = 0):
// interior faces by the power law, boundary faces pure upwind, the block
// joins across the side walls, then the walls closed.
#include <algorithm>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "equations/kernels.h"
#include "surface2d/joints2d.h"
#include "surface2d/surface2d.h"

namespace {

// The two coefficients of a face: of the low cell towards the high cell and
// of the high cell towards the low cell.
struct Pair {
    double low, high;
};

// A face of mass flux F (towards the high cell) and diffusion conductance D;
// s the extra diffusion weight of the momentum equations.
Pair powerLaw(double F, double D, double s) {
    const double B = (eqk::powerLawWeight(F, D) + s) * D;
    return {B + std::max(-F, 0.0), B + std::max(F, 0.0)};
}

// The face between cells at dL and dH from it, of viscosities gL and gH and
// area A; ArtDiff is added to the face viscosity.
Pair face(double F, double dL, double dH, double gL, double gH, double A, double s) {
    const double D = A * (eqk::faceViscosity(dL, dH, gL, gH) + ArtDiff) / (dL + dH);
    return powerLaw(F, D, s);
}

// A join face between host cell M (distance dM) and partner B (dB); ArtDiff
// is added to the conductance.
Pair joinFace(double F, double dM, double dB, double gM, double gB, double A, double s) {
    const double D = eqk::faceViscosity(dM, dB, gM, gB) * A / (dM + dB) + ArtDiff;
    return powerLaw(F, D, s);
}

void joins(double s) {
    const int Y = ynumber;
    for (int i = 2; i <= xnumber; ++i) {
        if (const joints2d::Cell B = joints2d::lowPartner(i); !B.none()) {
            // F positive from the attached block into the host cell (i, 2).
            const Pair p = joinFace(flow2[i][1][0], m_dist_y[i][2][0], m_dist_x[B.i][B.j][0], gama[i][2][0],
                                    gama[B.i][B.j][0], m_ar_y[i][1][0], s);
            as[i][2][0] = p.high;
            ae[B.i][B.j][0] = p.low;
        }
        if (const joints2d::Cell B = joints2d::highPartner(i); !B.none()) {
            // F positive from the host cell (i, ynumber) into the attached block.
            const Pair p = joinFace(flow2[i][Y][0], m_dist_y[i][Y][0], m_dist_x[B.i][B.j][0], gama[i][Y][0],
                                    gama[B.i][B.j][0], m_ar_y[i][Y][0], s);
            an[i][Y][0] = p.low;
            ae[B.i][B.j][0] = p.high;
        }
    }
}

// Walls, and the block seams: the last cell row of a block and the joint row
// after it in index order are not neighbours in space, so a seam face is
// closed as a wall.
void closeWalls() {
    for (int i = 2; i <= xnumber; ++i) {
        const bool seam = MBNo > 0 && joints2d::seam(i);
        for (int j = 2; j <= ynumber; ++j) {
            const int wi = WallI[i][j][2], wj = WallJ[i][j][2];
            if (wi == 1) ae[i][j][0] = 0.0;
            if (wi == -1 || seam) aw[i][j][0] = 0.0;
            if (wj == 1) as[i][j][0] = 0.0;
            if (wj == -1) an[i][j][0] = 0.0;
        }
    }
}

}  // namespace

void coeffe_flow2D() {
    if (MBNo > 0) eqk::checkJointTables("coeffe_flow2D");
    const int X = xnumber, Y = ynumber;
    const double s = Equation <= 3 ? StressDiff : 0.0;

    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y; ++j) {
            const Pair p = face(flow1[i][j][0], m_dist_x[i][j][0], m_dist_x[i + 1][j][0], gama[i][j][0],
                                gama[i + 1][j][0], m_ar_x[i][j][0], s);
            aw[i][j][0] = p.low;
            ae[i + 1][j][0] = p.high;
        }
    for (int j = 2; j <= Y; ++j) {
        ae[2][j][0] = std::max(flow1[1][j][0], 0.0);
        aw[X][j][0] = std::max(-flow1[X][j][0], 0.0);
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const Pair p = face(flow2[i][j][0], m_dist_y[i][j][0], m_dist_y[i][j + 1][0], gama[i][j][0],
                                gama[i][j + 1][0], m_ar_y[i][j][0], s);
            an[i][j][0] = p.low;
            as[i][j + 1][0] = p.high;
        }
    for (int i = 2; i <= X; ++i) {
        as[i][2][0] = std::max(flow2[i][1][0], 0.0);
        an[i][Y][0] = std::max(-flow2[i][Y][0], 0.0);
    }
    if (MBNo > 0) joins(s);
    closeWalls();
}
