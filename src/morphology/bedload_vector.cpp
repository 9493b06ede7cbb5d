// Bed load between the bed cells of a transient morphology step (T11): the
// near-bed velocity of every bed cell is turned down the bed slope by an
// angle that grows with the slope and falls with the Shields parameter, and
// the bed cells are coupled to their neighbours by upwinding that turned
// velocity. The couplings replace the suspended-load ones in the bed-cell
// rule of the sweeps, and their sum the bed cell's centre coefficient.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "morphology/tsc_steps.h"
#include "sediment/state.h"

namespace {

// The Shields parameter that sets the turn, by BedLoadVectorFlag, from the
// parameter th of the bed shear: max(quad th^2 + lin th + add, floor).
// Flag 1 puts a floor of 0.03 under th, flag 2 is a quadratic law, flags 3
// and above take th itself.
struct TurnShieldsRow {
    int flag;
    const char* name;
    double quad, lin, add, floor;
    double theta(double th) const { return std::max(quad * th * th + lin * th + add, floor); }
};
constexpr double kNoFloor = -1e300;
constexpr TurnShieldsRow kTurnShields[] = {
    {1, "floor 0.03", 0.0, 1.0, 0.0, 0.03},
    {2, "0.4 th^2 + 0.06", 0.4, 0.0, 0.06, kNoFloor},
    {3, "th", 0.0, 1.0, 0.0, kNoFloor},
};

const TurnShieldsRow& turnShieldsRow(int flag) { return kTurnShields[std::clamp(flag, 1, 3) - 1]; }

// The turn factor f of column (i, j) for grain size d (m): 0.6 th^-0.5 times
// the sine of the bed slope, signed so that the turn goes towards the
// horizontal part of the bed normal. A shear at or below 0 is no shear (no
// flow pass has computed it); a Shields parameter that is still not
// positive makes no turn.
double turnFactor(const TurnShieldsRow& row, int i, int j, double d) {
    const double shear = std::max(bedshear[i][j], 0.0);
    const double th = row.theta(shear / ((density - 1.0) * d * 9810.0 + 1e-30));
    if (!(th > 0.0)) return 0.0;
    const double* n = &m_vec_z[i][j][1][0];
    double f = 0.6 / std::sqrt(th) * std::sqrt(std::max(1.0 - n[2] * n[2], 0.0));
    if (n[0] * yvel[i][j][2] - n[1] * xvel[i][j][2] < 0.0) f = -f;
    return f;
}

// The turned velocity of every bed cell, kept at level 1 of xvel, yvel.
void turnVelocities(int l) {
    const TurnShieldsRow& row = turnShieldsRow(BedLoadVectorFlag);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double f = turnFactor(row, i, j, gsize[l]);
            const double u = xvel[i][j][2], v = yvel[i][j][2];
            const double ut = u + f * v, vt = v - f * u;
            const double scale = std::sqrt(u * u + v * v) / (std::sqrt(ut * ut + vt * vt) + 1e-30);
            xvel[i][j][1] = ut * scale;
            yvel[i][j][1] = vt * scale;
        }
}

// The inner faces of one direction of the bed cells: cells a = (i, j) and
// b = (i+di, j+dj), the face's geometry, its wall flags, and the couplings it
// sets: `toLow` of b (to a) and `toHigh` of a (to b), with the suspended-load
// ones of the same face.
struct FaceSet {
    int di, dj;
    const FieldArray<double, 3>&dist, &area, &normal;
    const FieldArray<int, 3>& wall;
    FieldArray<double, 3>&toLow, &toHigh;
    const FieldArray<double, 3>&suspLow, &suspHigh;
};

// A face that the bed load does not cross: a wall, or a blocked bed cell on
// either side. It keeps the suspended-load couplings.
bool closedFace(const FaceSet& s, int i, int j) {
    const int ib = i + s.di, jb = j + s.dj;
    return OBlok[i][j][2] == 0 || OBlok[ib][jb][2] == 0 || s.wall[i][j][2] == -1 || s.wall[ib][jb][2] == 1;
}

// Upwind couplings from the turned velocities (level 1) interpolated to the
// face: the volume flux F from a to b and the diffusion D; the downstream
// cell takes D + F, the upstream one D. The j-faces take the turned velocity
// as the i-faces do, so that the bed load does not depend on the grid's
// numbering.
void innerFaces(int l, const FaceSet& s) {
    auto low = s.toLow[l], high = s.toHigh[l];
    for (int i = 2; i <= xnumber - s.di; ++i)
        for (int j = 2; j <= ynumber - s.dj; ++j) {
            const int ib = i + s.di, jb = j + s.dj;
            if (closedFace(s, i, j)) {
                low[ib][jb] = s.suspLow[ib][jb][2];
                high[i][j] = s.suspHigh[i][j][2];
                continue;
            }
            const double da = s.dist[i][j][2], db = s.dist[ib][jb][2];
            const double w = db / (da + db), A = s.area[i][j][2];
            const double* n = &s.normal[i][j][0];
            const double F = A * (n[0] * (w * xvel[i][j][1] + (1.0 - w) * xvel[ib][jb][1]) +
                                  n[1] * (w * yvel[i][j][1] + (1.0 - w) * yvel[ib][jb][1]));
            const double D = (w * diff[i][j][2] + (1.0 - w) * diff[ib][jb][2]) * A / (da + db);
            low[ib][jb] = F > 0.0 ? D + F : D;
            high[i][j] = F > 0.0 ? D : D - F;
        }
}

// The faces on the domain's sides keep the suspended-load couplings.
void boundaryFaces(int l) {
    const int X = xnumber, Y = ynumber;
    for (int j = 2; j <= Y; ++j) {
        aeb[l][2][j] = ae[2][j][2];
        awb[l][1][j] = aw[1][j][2];
        awb[l][X][j] = aw[X][j][2];
        aeb[l][X + 1][j] = ae[X + 1][j][2];
    }
    for (int i = 2; i <= X; ++i) {
        asb[l][i][2] = as[i][2][2];
        anb[l][i][1] = an[i][1][2];
        anb[l][i][Y] = an[i][Y][2];
        asb[l][i][Y + 1] = as[i][Y + 1][2];
    }
}

// The centre coefficient of the open bed cells: the bed-load couplings and
// the coupling upward. A blocked bed cell keeps the pinning value of the
// coefficient set-up. In the twin driver's bed-layer equation of F 303 2 and
// more the bed cell has no coupling upward.
void centreCoefficients(int l) {
    const double upward = tscTwin != 0 && FlagFracVer >= 2 ? 0.0 : 1.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (OBlok[i][j][2] != 0)
                ap[l][i][j][2] =
                    aeb[l][i][j] + awb[l][i][j] + asb[l][i][j] + anb[l][i][j] + upward * at[l][i][j][2];
}

}  // namespace

void tscBedLoadCouplings() {
    for (int l = 1; l <= lnumber; ++l) {
        turnVelocities(l);
        innerFaces(l, {1, 0, m_dist_x, m_ar_x, m_vec_x, WallI, aeb, awb, ae, aw});
        innerFaces(l, {0, 1, m_dist_y, m_ar_y, m_vec_y, WallJ, asb, anb, as, an});
        boundaryFaces(l);
        centreCoefficients(l);
    }
}
