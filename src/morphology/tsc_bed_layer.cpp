// The steps of the transient driver's twin that solves the bed cell (k = 2)
// with the concentration equation: the bed cell's centre coefficient, the
// explicit bed source of each size and the bed-load couplings of the bed
// layer, and the choice of the solver.
#include <algorithm>

#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "morphology/tsc_driver.h"
#include "sediment/sediment.h"
#include "sediment/state.h"

namespace tsc {

namespace {

// Form 0: the pick-up A w e at the equilibrium value e of F 304, bounded by
// the deposition and what the active layer holds of the size per time
// step; below 1e-30 nothing.
struct EquilibriumRow {
    int bedVer;  // F 304, the last row for all above
    double (*e)(double bc0, double c0, double c2);
};
constexpr EquilibriumRow kEquilibrium[] = {
    {0, [](double bc0, double, double) { return bc0; }},
    {1, [](double bc0, double, double c2) { return std::max(bc0, c2); }},
    {2, [](double bc0, double c0, double c2) { return std::min(std::max(bc0, c2), c0); }},
};

double pickUpBounded(const BedCellState& x) {
    const int row = std::clamp(x.bedVer, 0, 2);
    const double e = kEquilibrium[row].e(x.b * x.c0, x.c0, x.c2);
    const double B = std::min(x.A * x.w * e, x.A * x.w * x.c2 + x.A * x.b * x.t * x.C / x.dt);
    return B < 1e-30 ? 0.0 : B;
}

// Form 1: the pick-up A w b c0 under the same bound, written per fall
// velocity; a size that does not settle picks up nothing.
double pickUpPerFallVelocity(const BedCellState& x) {
    if (x.w == 0.0) return 0.0;
    return x.A * x.w * std::min(x.b * x.c0, x.c2 + x.b * x.t * x.C / (x.dt * x.w));
}

// Form 2: the deficit of the bed cell against b c0 times its centre
// coefficient, bounded by the layer content times that coefficient; a
// surplus is a sink.
double deficitTimesCoefficient(const BedCellState& x) {
    return std::min(x.b * x.t * x.C * x.s, (x.b * x.c0 - x.c2) * x.s);
}

struct BedSourceForm {
    int fracVer;  // F 303
    double (*rate)(const BedCellState&);
};
constexpr BedSourceForm kBedSourceForms[] = {
    {0, pickUpBounded},
    {1, pickUpPerFallVelocity},
    {2, deficitTimesCoefficient},
};

// The bed cell's centre coefficient of the layer equation, by F 303: the
// sum of its plan couplings plus `settling` times A w. Other versions keep
// the value of coeffe_setup2.
struct CentreRow {
    int fracVer;
    double settling;
};
constexpr CentreRow kCentreRows[] = {{1, 1.0}, {2, 0.0}};

// The solver of the twin by F 303: the column with its bed cell, or the
// bed layer alone (every version above 0).
struct BedSolver {
    int fracVerFrom;
    void (*solve)();
};
constexpr BedSolver kBedSolvers[] = {{1, solve2Dbed_gauseid}, {0, sole2_gauseid}};

double timeTerm(int i, int j) { return 2.0 * m_armap[i][j] * m_dist_z[i][j][2] / TimeStep; }

}  // namespace

bool bedSourceRate(int fracVer, const BedCellState& x, double& B) {
    for (const BedSourceForm& f : kBedSourceForms)
        if (f.fracVer == fracVer) {
            B = f.rate(x);
            return true;
        }
    return false;
}

void T10BedCentre() {
    for (const CentreRow& row : kCentreRows) {
        if (row.fracVer != FlagFracVer) continue;
        for (int l = 1; l <= lnumber; ++l)
            for (int i = 2; i <= xnumber; ++i)
                for (int j = 2; j <= ynumber; ++j) {
                    // A blocked bed cell keeps the solid value of coeffe_setup2.
                    if (OBlok[i][j][2] == 0) continue;
                    ap[l][i][j][2] = ae[i][j][2] + aw[i][j][2] + as[i][j][2] + an[i][j][2] +
                                     row.settling * m_armap[i][j] * fallvelo[l];
                }
    }
}

void S2BedSource(int l) {
    BedCellState x{};
    x.w = fallvelo[l];
    x.dt = TimeStep;
    x.C = ConvCoef;
    x.bedVer = FlagBedVer;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][2] == 0) continue;
            x.A = m_armap[i][j];
            x.b = bedgrain[l][i][j];
            x.t = bedgrain[0][i][j];
            x.c0 = conc[l][i][j][0];
            x.c2 = conc[l][i][j][2];
            x.s = ap[l][i][j][2] - timeTerm(i, j);
            double B = 0.0;
            if (!bedSourceRate(FlagFracVer, x, B)) return;
            BedSource[l][i][j] = B;
            source[i][j][2] += B;
        }
}

void S2BedLoadCouplings(int l) {
    if (BedLoadVectorFlag <= 0 || xnumber <= 1) return;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            ae[i][j][2] = aeb[l][i][j];
            aw[i][j][2] = awb[l][i][j];
            as[i][j][2] = asb[l][i][j];
            an[i][j][2] = anb[l][i][j];
        }
}

void S3SolveWithBed() {
    for (const BedSolver& s : kBedSolvers)
        if (FlagFracVer >= s.fracVerFrom) {
            s.solve();
            return;
        }
}

}  // namespace tsc
