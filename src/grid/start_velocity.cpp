// The one routine of the grid that writes the velocity field.

#include "flow3d/state.h"
#include "grid/grid.h"

void setStartVelocity(Velocity component, int i, int j, int k, double value) {
    switch (component) {
    case Velocity::u:
        xvel[i][j][k] = value;
        break;
    case Velocity::v:
        yvel[i][j][k] = value;
        break;
    case Velocity::w:
        zvel[i][j][k] = value;
        break;
    }
}
