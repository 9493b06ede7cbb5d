// Initial state of a closed conduit: the roof is fixed, so there is no
// surface to compute. Every cross-section runs full; the flow field is the
// uniform mean velocity with a mixing-length diffusivity scaled by the
// hydraulic radius and the uniform-flow bed shear.
#include <cmath>

#include "control/state.h"
#include "control/constants.h"
#include "flow3d/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"
#include "grid/initial_shared.h"

using namespace geometry;
using namespace initial_state;

namespace {

// Area and perimeter of full cross-section i (node line i): the area between
// bed and roof over the segments whose two cell columns are open, the
// perimeter the bed line and the roof line of every segment.
void fullSection(int i, double& area, double& perimeter) {
    area = perimeter = 0.0;
    const int Z = znumber;
    for (int j = 1; j <= ynumber - 1; ++j) {
        const NodeColumn a{i, j}, b{i, j + 1};
        const double w = length(planEdge(a, b));
        const double zb1 = nodeLevel(a, 1), zb2 = nodeLevel(b, 1);
        const double zt1 = nodeLevel(a, Z), zt2 = nodeLevel(b, Z);
        area += 0.5 * ((zt1 + zt2) - (zb1 + zb2)) * w * kblok[i][j] * kblok[i + 1][j];
        perimeter += std::sqrt((zb2 - zb1) * (zb2 - zb1) + w * w) + std::sqrt((zt2 - zt1) * (zt2 - zt1) + w * w);
    }
}

}  // namespace

void initial_tunnel() {
    const int X = xnumber, Y = ynumber, Z = znumber;
    const double M = ManArray[0];  // one Manning number for the whole conduit
    requireLog("cannot open file 'boogie'");
    {
        Log log;
        setMessage("Initializing flow parameters");
        setProgram(" Initial - tunnel ");
        log.write(" In initial - velocity \n\n");

        setBlockedColumns();
        for (int i = 1; i <= X; ++i) {
            double A, wetted;
            fullSection(i, A, wetted);
            radius[i] = A / (wetted + 1e-10);
            avvelocity[i] = discharge / (A + 1e-10);
            log.printf("i=%d radius=%lf avvvelocity=%lf area=%lf\n", i, radius[i], avvelocity[i], A);
        }
        radius[X + 1] = radius[X];
        radius[0] = radius[1];
        avvelocity[X + 1] = avvelocity[X];
        avvelocity[0] = avvelocity[1];

        for (int i = 1; i <= X; ++i) {
            const double Vm = (avvelocity[i] + avvelocity[i - 1]) / 2, Rm = (radius[i] + radius[i - 1]) / 2;
            grade[i] = Vm * Vm / (std::pow(Rm, 1.333) * M * M + 1e-10);
        }
        log.write("Before calling metric\n");
    }
    metric();
    // An earlier run's bed changes move the bed; the cross-sections stay
    // those of the grid file.
    replayEarlierBedChanges();
    copyGhostNodePlanes();
    // A restart reads the flow field.
    if (runStringHas('R')) return;

    requireLog("cannot open file 'boogie'");
    Log log;
    log.write("After calling gridchange/metric\n");

    sectionValuesToCells();
    for (int i = X; i >= 1; --i) {
        const double v = avvelocity[i] / (std::pow(radius[i], 0.6667) * M + 1e-10);
        grade[i] = v * v;
        log.printf("i=%d V=%lf rad=%lf grad=%e\n", i, avvelocity[i], radius[i], grade[i]);
    }
    grade[X + 1] = grade[X];
    grade[0] = grade[1];
    log.write("After fourth loop\n");

    // Uniform velocity, none in a blocked column nor in the one just upstream of it.
    for (int i = 1; i <= X; ++i)
        for (int j = 2; j <= Y; ++j) {
            for (int k = 2; k <= Z; ++k)
                setStartVelocity(Velocity::u, i, j, k, avvelocity[i] * kblok[i][j] * kblok[i + 1][j]);
            setStartVelocity(Velocity::u, i, j, 0, avvelocity[i]);
        }
    radius[X + 1] = radius[X];
    grade[X + 1] = grade[X];
    if (FlagInflowDirection == 0 && Y != 1) turnInflowAlongGrid();
    log.write("After fifth loop\n");

    for (int i = 1; i <= X; ++i) {
        warnNegativeRow(log, i);
        const double ustar = std::sqrt(radius[i] * grade[i] * kGravity);
        for (int j = 2; j <= Y; ++j) {
            for (int k = 2; k <= Z; ++k) diff[i][j][k] = 0.11 * radius[i] * ustar;
            bedshear[i][j] = kWaterDensity * kGravity * radius[i] * grade[i];
        }
    }
    clearStartVelocities();

    log.write("End of initial\n\n");
    setMessage("Initiation terminated o.k");
}
