// Solver start-up: the state that the flow solvers need besides the grid
// geometry. Turbulence start values and temperatures, blocked cells, wall
// flags, roughness and boundary-cell values are built here; the openings,
// residual normalisers and the remaining start values in sinit_openings.cpp.
//
// While FlagInitialized is 0 the call builds a new flow field; once it is 1
// only what depends on the grid and the parameters is built again.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"
#include "grid/startup_steps.h"

using namespace startup_steps;

namespace {

// wallRoughnessDerived (grid/state.h) is true once the roughness of side
// walls and roof was derived from the Manning number (F 16 not given): the
// bed of each column then keeps the Strickler roughness of its own
// cross-section on later calls as well.
double strickler(double manning) { return std::pow(26.0 / manning, 6); }

// Step 2: a column with a plan area not above zero (a left-handed or folded grid).
void checkPlanAreas(Log& log) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (m_armap[i][j] < 1e-20) {
                log.printf("Error, negative areas for cell i=%d, j=%d\n", i, j);
                log.write("The error can be suppressed by specifying a Q on the F 1 data set.\n");
                log.write("However, the grid cell is distorted and computations using this grid will not run.\n");
                log.close();
                endRun(-5);
            }
}

// Step 4.1 to 4.5: k and epsilon of the inflow cells (1, j, k) from the
// uniform-flow bed shear: k falls linearly from its bed value to half of it
// at the surface, the viscosity grows from its log-law value at the bed cell
// to the mixing-length value of the upper water at 0.3 of the depth. The
// values go into the quantities the model's fields hold (nu-tilde, omega).
void inflowTurbulence() {
    const double V = avvelocity[1], R = radius[1], M = ManArray[0];
    const double tau = kWaterDensity * 9.81 * V * V / (M * M * std::pow(R, 0.3333));
    const double ustar = std::sqrt(tau / kWaterDensity);
    const double nuTop = 0.11 * ustar * R * EddyMult;
    const double k0 = std::sqrt(EddyMult) * tau / sqcmyrho;
    const int Z = znumber;
    const TurbulenceModelRow::Transport& model = turbulenceModel().transport;
    for (int j = 2; j <= ynumber; ++j) {
        const geometry::NodeColumn a{1, j - 1}, b{1, j};
        auto meanHeight = [&](int k) {  // mean height of the layer between nodes k-1 and k
            return 0.5 * ((geometry::nodeLevel(a, k) - geometry::nodeLevel(a, k - 1)) +
                          (geometry::nodeLevel(b, k) - geometry::nodeLevel(b, k - 1)));
        };
        const double D = 0.5 * ((geometry::nodeLevel(a, Z) - geometry::nodeLevel(a, 1)) +
                                (geometry::nodeLevel(b, Z) - geometry::nodeLevel(b, 1)));
        const double zb = 0.5 * meanHeight(2);
        // Log-law viscosity at zb; 31622.8 is 1000^1.5.
        const double nuBed = cmy * k0 * k0 / (std::pow(tau, 1.5) / (0.4 * zb * 31622.8));
        double below = 0.0;
        for (int k = 2; k <= Z; ++k) {
            const double h = meanHeight(k);
            const double zc = below + 0.5 * h;
            below += h;
            double nu = nuBed + (nuTop - nuBed) * (zc - zb) / (0.3 * D - zb);
            nu = std::min(nu, nuTop);
            nu = std::max(nu, nuBed);
            const double kk = k0 - 0.5 * k0 * (zc - zb) / (D - zb);
            const double eps = cmy * kk * kk / nu;
            kinen[1][j][k] = kk;
            epsilon[1][j][k] = eps;
            if (model.first == TurbulenceQuantity::NuTilde)
                kinen[1][j][k] = cmy * kk * kk / (eps + 1e-20);  // the one-equation model keeps its viscosity
            else if (model.second == TurbulenceQuantity::Omega)
                epsilon[1][j][k] = eps / (cmy * kk + 1e-20);
        }
    }
}

// Temperature of the G 40 profile at level z: linear between the two records
// that bracket it, the end record's temperature above the first level or
// below the last one.
double profileTemperature(double z) {
    const int n = std::clamp(NoVerttemp, 1, static_cast<int>(std::size(Verttemp)));
    const VerttempRecord* r = Verttemp;
    if (n == 1 || z >= r[0].level) return r[0].temperature;
    if (z < r[n - 1].level) return r[n - 1].temperature;
    for (int m = 1; m < n; ++m)
        if (r[m].level <= z && z < r[m - 1].level) {
            const double t = (z - r[m].level) / (r[m - 1].level - r[m].level + 1e-20);
            return r[m - 1].temperature * t + r[m].temperature * (1 - t);
        }
    return r[n - 1].temperature;  // levels not in descending order
}

// Step 4.7: temperature of a new flow field from the G 40 profile (F 49 with
// G 40 records), at each cell centre; the inflow cells take that of the first
// interior cells.
void temperatureProfile() {
    if (FlagTemp != 1 || NoVerttemp <= 0 || temp.isNull()) return;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                const double top = 0.25 * (zval[i][j][k] + zval[i - 1][j][k] + zval[i][j - 1][k] + zval[i - 1][j - 1][k]);
                temp[i][j][k] = profileTemperature(top - m_dist_z[i][j][k]);
            }
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) temp[1][j][k] = temp[2][j][k];
}

// Step 5: the depth-averaged columns, twoD 0 where the depth over the square
// root of the plan area falls below F 32 (twoDratio), 1 elsewhere.
void shallowColumns() {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) twoD[i][j] = 1;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double depth = 0.0;
            for (int k = 2; k <= znumber; ++k) depth += 2 * m_dist_z[i][j][k];
            if (depth / std::sqrt(m_armap[i][j]) < twoDratio) twoD[i][j] = 0;
        }
}

// A G 13 box, bounded by the cell arrays (the reader checked it against the
// grid sizes known at its time).
CellBox boundedBox(const CellBox& b) {
    return {std::max(b.i1, 0), std::min(b.i2, xnumber + 1), std::max(b.j1, 0),
            std::min(b.j2, ynumber + 1), std::max(b.k1, 0), std::min(b.k2, znumber + 1)};
}

// Step 6: the open cells, OBlok 1 but in the G 13 boxes and above the bed cell
// of a column blocked by G 2.
void openCells() {
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k) OBlok[i][j][k] = 1;
    for (int n = 1; n <= OutBlockNo; ++n) {
        const CellBox b = boundedBox(OutBlock[n]);
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j)
                for (int k = b.k1; k <= b.k2; ++k) OBlok[i][j][k] = 0;
    }
    // A column blocked by G 2 keeps its bed cell open.
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (kblok[i][j] == 0)
                for (int k = 3; k <= znumber; ++k) OBlok[i][j][k] = 0;
}

// Step 7: the neighbour cells of a box get a wall on the face they share with
// it; the first and last interior rows, which carry the side and end walls,
// are left alone.
void wallsAroundBoxes() {
    for (int n = 1; n <= OutBlockNo; ++n) {
        const int type = OutBlock[n].type;
        if (type <= 0) continue;
        const CellBox b = boundedBox(OutBlock[n]);
        for (int i = b.i1; i <= b.i2; ++i)
            for (int k = b.k1; k <= b.k2; ++k) {
                if (b.j1 > 3) WallJ[i][b.j1 - 1][k] = -1;
                if (b.j2 < ynumber - 1) WallJ[i][b.j2 + 1][k] = 1;
            }
        for (int j = b.j1; j <= b.j2; ++j)
            for (int k = b.k1; k <= b.k2; ++k) {
                if (b.i1 > 3) WallI[b.i1 - 1][j][k] = -1;
                if (b.i2 < xnumber - 1) WallI[b.i2 + 1][j][k] = 1;
            }
        for (int i = b.i1; i <= b.i2; ++i)
            for (int j = b.j1; j <= b.j2; ++j) {
                if (type > 1 && b.k2 < znumber) WallK[i][j][b.k2 + 1] = 1;   // on top of the box
                if (type == 3 && b.k1 > 3) WallK[i][j][b.k1 - 1] = -1;      // under the box
            }
    }
}

// Step 8 (the parts of a new flow field): k and epsilon of the inflow cells
// copied downstream, cross and vertical velocities cleared, the bed roughness
// Xks of each column (F 16, or from the Manning number of its cross-section)
// and the concentration of size class 0 in the bed cells cleared.
void spreadStartValues() {
    for (int i = 2; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                kinen[i][j][k] = kinen[1][j][k];
                epsilon[i][j][k] = epsilon[1][j][k];
                setStartVelocity(Velocity::v, i, j, k, 0.0);
                setStartVelocity(Velocity::w, i, j, k, 0.0);
            }
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) setStartVelocity(Velocity::w, 1, j, k, 0.0);
    const bool givenWallRoughness = XksWall > 0 && !wallRoughnessDerived;
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j) Xks[i][j] = givenWallRoughness ? XksWall : strickler(ManArray[i]);
    if (!conc.isNull())
        for (int i = 2; i <= xnumber; ++i)
            for (int j = 2; j <= ynumber; ++j) conc[0][i][j][2] = 0.0;
}

// Step 9: the roughness of side walls and roof, XksWall from the Manning
// number where F 16 is not given, and the joint roughness XksJ1, XksJ2 of F 195
// where not given.
void roughnessDefaults() {
    if (XksWall <= 0) {
        XksWall = strickler(ManArray[0]);
        wallRoughnessDerived = true;
    }
    if (XksJ1 <= 0) XksJ1 = XksWall;
    if (XksJ2 <= 0) XksJ2 = XksWall;
}

// Step 10.1: roughness of single columns from `bedrough`, records "B i j ks".
void readBedRoughness(Log& log) {
    FILE* fp = std::fopen("bedrough", "r");
    if (!fp) {
        log.write("Did not use file 'bedrough'\n");
        return;
    }
    const long limit = static_cast<long>(xnumber) * ynumber * 20;
    int accepted = 0;
    for (long n = 0; n < limit; ++n) {
        const int c = std::fgetc(fp);
        if (c == EOF) break;
        if (c != 'B') continue;
        int i, j;
        if (std::fscanf(fp, "%d %d", &i, &j) != 2) continue;
        if (i <= 1 || i > xnumber || j <= 1 || j > ynumber) continue;  // its number is passed over as text
        double ks;
        if (std::fscanf(fp, "%lf\n", &ks) != 1) continue;
        if (!(ks > 0.0)) {  // the wall laws take its logarithm
            std::fclose(fp);
            log.printf("Error in file 'bedrough': roughness %e at i = %d, j = %d\n", ks, i, j);
            log.close();
            endRun(-1);
        }
        Xks[i][j] = ks;
        ++accepted;
    }
    log.printf("Have read %d roughness points from file 'bedrough'\n", accepted);
    std::fclose(fp);
}

// Step 10.2: the cells outside the bed, surface or roof and side walls.
void boundaryCells() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    auto clear = [](int i, int j, int k) {
        for (Velocity c : {Velocity::u, Velocity::v, Velocity::w}) setStartVelocity(c, i, j, k, 0.0);
        kinen[i][j][k] = epsilon[i][j][k] = 0.0;
    };
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            clear(i, j, 1);
            kinen[i][j][Z + 1] = 0.0;
            epsilon[i][j][Z + 1] = 1e-4;
            if (FlagRoof == 0) {
                for (Velocity c : {Velocity::u, Velocity::v, Velocity::w}) setStartVelocity(c, i, j, Z + 1, 0.0);
                epsilon[i][j][Z + 1] = 0.0;
            }
        }
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            clear(i, 1, k);
            clear(i, Y + 1, k);
        }
}

// Sets a wall flag when the cell lies in the flag array (W 4 records are
// checked against the grid sizes known when they were read).
void setFlag(FieldArray<int, 3>& flags, int i, int j, int k, int value) {
    if (i < 0 || j < 0 || k < 0 || i >= flags.extent(0) || j >= flags.extent(1) || k >= flags.extent(2)) return;
    flags[i][j][k] = value;
}

// Step 12: the wall flags: bed, roof (K 2), side walls (K 2) but where a block
// is joined, the inner walls of W 4, and Wall 1 for every cell with a flagged
// face.
void wallFlags() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k) Wall[i][j][k] = 0;
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            WallK[i][j][2] = 1;
            if (FlagRoof == 0) WallK[i][j][Z] = -1;
        }
    for (int i = 2; i <= X; ++i)
        for (int k = 2; k <= Z; ++k) {
            if (FlagWall == 0 || FlagWall == 2) WallJ[i][2][k] = 1;
            if (FlagWall == 0) WallJ[i][Y][k] = -1;
        }
    // The host cells along a joined side wall lose their wall (host columns
    // |s|..|s|+ynumber-2, bounded to the interior).
    for (int b = 1; b <= geometry::attachedBlocks(); ++b) {
        const int s = MBStart[b], first = std::abs(s), wallCell = s >= 0 ? 2 : Y;
        for (int m = std::max(first, 2); m <= std::min(first + Y - 2, X); ++m)
            for (int k = 2; k <= Z; ++k) WallJ[m][wallCell][k] = 0;
    }
    for (int n = 1; n <= MWallNo; ++n) {
        const MWallRecord& r = MWall[n];
        for (int a = r.a1; a <= r.a2; ++a)
            for (int b = r.b1; b <= r.b2; ++b) {
                if (r.dir == 1) setFlag(WallI, r.node, a, b, r.posneg);
                if (r.dir == 2) setFlag(WallJ, a, r.node, b, r.posneg);
                if (r.dir == 3) setFlag(WallK, a, b, r.node, r.posneg);
            }
    }
    for (int i = 2; i <= X; ++i)
        for (int j = 2; j <= Y; ++j)
            for (int k = 2; k <= Z; ++k)
                if (WallI[i][j][k] != 0 || WallJ[i][j][k] != 0 || WallK[i][j][k] != 0) Wall[i][j][k] = 1;
}

}  // namespace

namespace startup_steps {
bool newFlowField() { return FlagInitialized == 0; }
}  // namespace startup_steps

void startup() {
    Log log;
    const bool fresh = newFlowField();
    // Without the arrays there is nothing to start from (checked before the
    // plan areas are read).
    if (avvelocity.isNull()) {
        log.write("Error: In sinit: have not allocated arrays\n");
        log.close();
        endRun(-3);
    }
    if (fresh && debugging != 'Q') checkPlanAreas(log);
    if (fresh) {
        inflowTurbulence();
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j) D90a[i][j] = 0.0;
        temperatureProfile();
    }
    shallowColumns();
    openCells();
    wallsAroundBoxes();
    if (fresh) spreadStartValues();
    roughnessDefaults();
    if (fresh) {
        readBedRoughness(log);
        boundaryCells();
    }
    openingsAndNorms(log);
    wallFlags();
    relaxationFactors(log);
    if (fresh) {
        startPressure();
        if (MBNo == 1) attachedBlockStart();
        readInflowProfiles(log);
        initialValueBoxes();
        initialPressure();
        if (Flag2Dim == 1) depthMeans();
    }
}
