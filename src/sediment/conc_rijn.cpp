// Bed reference concentration by van Rijn's method, with the bed-form height,
// the d90 and the roughness of every bed column.
#include <algorithm>
#include <cmath>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "sediment/bed_formulas.h"
#include "sediment/sediment.h"
#include "sediment/state.h"

namespace {

// The slope form of the critical shear by FlagBedslopeCorrection at column i
// (0: no factor).
int slopeFormAt(int flag, int i) {
    switch (flag) {
    case 1: return 1;
    case 3: return 3;
    case 4: return i < xnumber ? 1 : 0;  // none from the outlet column on
    default: return 0;
    }
}

// With FlagCohesive 1 the cohesion acts only where the bed lies below the bed
// read with the grid (summed over the four corner nodes).
bool belowGridBed(int i, int j) {
    double bed = 0.0, original = 0.0;
    for (int a = i - 1; a <= i; ++a)
        for (int b = j - 1; b <= j; ++b) {
            bed += zval[a][b][1];
            original += Surfaces[0][a][b];
        }
    return bed < original;
}

bool cohesionActs(int i, int j) {
    switch (FlagCohesive) {
    case 0: return true;
    case 1: return belowGridBed(i, j);
    default: return false;
    }
}

// Water depth of column (i, j): twice the half heights of its cells.
double depthOf(int i, int j) {
    double D = 0.0;
    for (int k = 2; k <= znumber; ++k) D += 2.0 * m_dist_z[i][j][k];
    return D;
}

// Column (i, j), computed from the flow and the bed of column (ic, j).
void rijnColumn(int i, int ic, int j, const bedconc::RijnForm& form) {
    const int L = lnumber;
    const double s = density;
    double beta[kFractionTable] = {};
    for (int n = 1; n <= L; ++n) beta[n] = bedgrain[n][ic][j];
    const bedconc::GrainSizes sizes = bedconc::columnGrainSizes(beta, gsize, L);
    D90a[i][j] = sizes.d90;

    const double mu = bedconc::grainShearFactor(FlagRoughness, sizes.d90, sizes.d50, Xks[ic][j]);
    const double u = xvel[ic][j][2], v = yvel[ic][j][2];
    const double nx = m_vec_z[ic][j][1][0], ny = m_vec_z[ic][j][1][1], nz = m_vec_z[ic][j][1][2];
    bool sloped = true;
    double f = 1.0;
    if (QZfunc >= 1) {
        f = computeBedSlopeCorrectionVrem(ic, j);
    } else if (const int slopeForm = slopeFormAt(FlagBedslopeCorrection, i); slopeForm != 0) {
        f = bedconc::slopeFactorForm(slopeForm, {nx, ny, nz, u, v}, BedCritTanSlopeUp, BedCritTanSlopeDown,
                                     BedCritMinDamp);
    } else {
        sloped = false;
    }
    const bool hiding = FlagHideEx == 4 && L > 1;
    const bool cohesion = cohesionActs(ic, j);
    const bool open = OBlok[ic][j][2] == 1;
    const double tb = bedshear[ic][j];
    const double kBed = kinen[ic][j][2];
    const double D = depthOf(ic, j);
    const double Dfac = bedconc::dstarFactor(s);

    bedconc::RijnInput in{};
    in.s = s;
    in.a = blevel[ic][j];
    in.U = std::sqrt(u * u + v * v);
    in.coeff = ConcFormCoeff, in.tstar = ConcFormTstar, in.dstar = ConcFormDstar;
    in.bCoeff = ConcFormBCoeff, in.bTstar = ConcFormBTstar, in.bDstar = ConcFormBDstar, in.bD50 = ConcFormBD50;

    double Tsum = 0.0;
    for (int l = 1; l <= L; ++l) {
        const double d = gsize[l];
        const double tc0 = shieldscoeff > 0.0 ? bedconc::criticalShearConstant(shieldscoeff, s, d)
                                              : bedconc::criticalShearCurve(s, d, kBed);
        const double H = hiding ? bedconc::hidingFactor(beta, gsize, L, d, HideExParam) : 1.0;
        double tc = sloped ? tc0 * f * H + 1e-20 : (tc0 + 1e-20) * H;
        if (cohesion && cohesive[l] > 1e-10) tc += cohesive[l];

        const double E0 = tb - tc, E1 = tb * mu - tc;
        if (E0 > 1e-6 && open) Tsum += E0 / tc;
        double c = 0.0;
        if (E1 > 1e-6 && open) {
            in.d = d;
            in.T = E1 / tc;
            in.excess = E1;
            in.Dstar = d * Dfac;
            c = form.conc(in);
            if (TSCbedrouse == 1) c *= bedconc::rouseFactor(D, Xks[ic][j], m_dist_z[ic][j][2], fallvelo[l], kBed).factor;
        }
        conc[l][i][j][0] = std::min(c, MaxBedConc);
    }

    const double layers = bedgrain[0][ic][j] + BedGrainOriginal[0][ic][j];
    const double delta = bedconc::bedFormHeight(D, sizes.dm, Tsum / L, layers);
    Bedformheight[i][j] = delta;

    switch (FlagRoughness) {
    case 2: {
        const double own = bedgrain[0][i][j] + BedGrainOriginal[0][i][j];  // this column's own layers
        Xks[i][j] = own > sizes.d90 ? 3.0 * sizes.d90 : std::max(XksWall, 3.0 * own);
        break;
    }
    case 3:
    case 4:
    case 5:
        Xks[i][j] = layers > sizes.d90 ? bedconc::bedFormRoughness(sizes.d90, delta, D) : std::max(XksWall, 3.0 * layers);
        break;
    default: break;  // the roughness stays
    }
}

}  // namespace

void concRijn() {
    const bedconc::RijnForm* form = bedconc::rijnForm(BedLoadFlag);
    if (!form) failf(-8, "Internal error: no reference concentration form %d (F 84)\n", BedLoadFlag);
    const int X = xnumber, Y = ynumber;
    // The boundary columns go first: they read the roughness of columns 2 and
    // X as the call found it, as those columns themselves do.
    for (int j = 2; j <= Y; ++j) {
        rijnColumn(1, 2, j, *form);
        rijnColumn(X + 1, X, j, *form);
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) rijnColumn(i, i, j, *form);

    for (int i = 1; i <= X + 1; ++i) {
        D90a[i][1] = D90a[i][2];
        D90a[i][Y + 1] = D90a[i][Y];
        Xks[i][1] = Xks[i][2];
        Xks[i][Y + 1] = Xks[i][Y];
    }
    // Smoothed at every call, also when FlagRoughness leaves the roughness alone.
    if (FlagRoughSmooth == 1) {
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j)
                D50a[i][j] = 0.5 * Xks[i][j] + 0.125 * (Xks[i + 1][j] + Xks[i - 1][j] + Xks[i][j + 1] + Xks[i][j - 1]);
        for (int i = 2; i <= X; ++i)
            for (int j = 2; j <= Y; ++j) Xks[i][j] = D50a[i][j];
    }
}
