// Small hand-built grids for in-process tests: sizes set, every array
// allocated by sialloc, nodes filled as the grid reader leaves them
// (zval[i][j][0] equal to the bed node).
#pragma once

#include <functional>

namespace quird_test {

struct PlanPoint {
    double x, y;
};

using PlanFn = std::function<PlanPoint(int i, int j)>;
using LevelFn = std::function<double(int i, int j, int k)>;

// Sets xnumber, ynumber, znumber (lnumber 1 unless the test set it) and allocates every array;
// removes the allocator's lines from `boogie`. MBNo and the other
// parameters keep what the test set before.
void allocateGrid(int X, int Y, int Z);

// Fills the nodes i 1..xnumber, j 1..ynumber, k 1..znumber from the two
// functions, and level 0 with the bed node.
void fillGrid(const PlanFn& plan, const LevelFn& level);

// Levels evenly spaced by dz above a flat bed at `bed`.
LevelFn layers(double dz, double bed = 0.0);

// A rectangular box: node (i, j) at ((i-1) dx, (j-1) dy), flat layers dz.
void boxGrid(int X, int Y, int Z, double dx, double dy, double dz);

// A plan grid rotated by `degrees` counter-clockwise about the origin:
// node (i, j) at the rotation of ((i-1) dx, (j-1) dy); levels from `level`.
void rotatedGrid(int X, int Y, int Z, double dx, double dy, double degrees, const LevelFn& level);

// A sheared plan grid: node (i, j) at ((i-1) dx + (j-1) shear, (j-1) dy), so
// that every cell is the same parallelogram; levels from `level`.
void shearedGrid(int X, int Y, int Z, double dx, double dy, double shear, const LevelFn& level);

// A straight rectangular channel along +x with a uniform bed slope: node
// (i, j) at ((i-1) dx, (j-1) width / (Y-1)), bed falling by `slope` per metre
// towards node line X (bed 0 there), the nodes of every column evenly over
// `depth` above the bed.
struct Channel {
    int X = 11, Y = 6, Z = 6;
    double dx = 10.0, width = 5.0, slope = 0.001, depth = 1.0;

    double bed(int i) const { return slope * (X - i) * dx; }
    void build() const;
};

// A main block and one side block joined by W 3 (MBNo 1).
//
// The main block is a straight channel along +x: node lines 1..mainLines at
// x = (i-1) dx, j across it at y = (j-1) dy. The side block holds node lines
// mainLines+1..mainLines+blockLines; it branches off the main block's side
// wall at a right angle, with its i running away from the wall by blockDy
// per line and its j running along the wall, so that its cells are dx by
// blockDy rectangles. start = MBStart[1]: start >= 0 joins it to wall j = 1
// of host columns start..start+ynumber-2 (j running with x), start < 0 to
// wall j = ynumber of host columns -start..ynumber-2-start (j against x).
// Flat layers dz everywhere. Sets MBNo, MBSkjot, MBStart and ISkjotMB.
struct TwoBlockGrid {
    int mainLines = 10, blockLines = 3, Y = 4, Z = 4;
    int start = 3;
    double dx = 1.0, dy = 0.5, blockDy = 0.8, dz = 0.25;

    int X() const { return mainLines + blockLines; }
    int jointRow() const { return mainLines + 1; }
    // Host column of joint cell (jointRow(), j).
    int hostColumn(int j) const { return start >= 0 ? start + j - 2 : Y - start - j; }
    // Plan position of node (i, j) of the side block (i > mainLines).
    PlanPoint blockNode(int i, int j) const;
    void build() const;
};

}  // namespace quird_test
