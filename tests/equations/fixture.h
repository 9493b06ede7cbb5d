// Synthetic equation workspaces for the generator and solver tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "control/state.h"
#include "equations/state.h"
#include "equations/workspace.h"
#include "support/testing.h"

namespace eqtest {

// A fixture with a grid of X x Y x Z grid lines and an allocated workspace.
class EquationTest : public quird_test::EngineTest {
protected:
    // Sets the grid sizes, allocates every array (the second-neighbour
    // arrays when secondOrder, fnn when FlagRapSolver is 31 at the call) and
    // starts an empty `boogie`. Equation 1, sou[1] = 0 (the 7-point stencil).
    void makeGrid(int X, int Y, int Z, bool secondOrder = false);

    // Joint tables of a main block of cell rows 2..Xm and one attached block
    // from row Xm+1 on, as the multi-block set-up builds them. Its joint row
    // lies against wall j = 1 of the host columns 2..ynumber (joint cell
    // (Xm+1, j) faces host cell (j, 2)), or with leftSide against wall
    // j = ynumber (joint cell (Xm+1, j) faces (ynumber+2-j, ynumber)).
    // Needs Xm >= ynumber.
    void twoBlockTables(int Xm, bool leftSide = false);

    // A box grid of spacing dx, dy, dz: every geometry array filled over its
    // whole extent, twoD 1 in every column.
    void boxGeometry(double dx, double dy, double dz);
    // The unit normals of the i- and j-faces of a box grid, (1, 0) and (0, 1).
    static void boxFaceNormals();
    // The wall flags of cell (i, j, k): WallI, WallJ, WallK and Wall (1 when
    // any of the three is set).
    static void wallCell(int i, int j, int k, int wi, int wj, int wk);

    // A grid of unit cubes with unit viscosity (every face conductance 1),
    // the second-neighbour arrays allocated.
    void unitBox(int X, int Y, int Z);

    // A grid of non-uniform cells: random half sizes, face areas, k-face
    // normals, viscosities and face fluxes of both signs on every face.
    void randomFlow(unsigned seed);

    // wap = sum of the neighbour coefficients (the second ones included when
    // they exist) plus `extra`, iAp = 1/wap, for every interior cell.
    void formCentre(double extra = 0.0);
    // A diagonally dominant equation with random couplings and sources, and
    // random values in every element of f (ghost and boundary cells included).
    void randomEquation(unsigned seed, double extra = 0.5);
    // wap = 1e30, source = 1e30 v.
    void pin(int i, int j, int k, double v);

    // The bytes of f, for bit-identical comparisons.
    std::vector<double> snapshot() const { return {f.data(), f.data() + f.size()}; }
    static bool interior(int i, int j, int k) {
        return i >= 2 && i <= xnumber && j >= 2 && j <= ynumber && k >= 2 && k <= znumber;
    }
    // Calls fn(i, j, k) for every interior cell.
    static void forInterior(const std::function<void(int, int, int)>& fn);
    // Calls fn(i, j, k) for every element of f (ghost and boundary cells included).
    static void forAll(const std::function<void(int, int, int)>& fn);

    // Largest |f - exact| over the interior cells.
    static double maxError(const std::function<double(int, int, int)>& exact);
};

// Calls a per-thread generator as the flow solver does: a parallel region of
// NoProcessesSolver threads, thread p with block p.
void runPerThread(void (*generator)(int i_first, int i_last));

// Names and handles of the twelve neighbour coefficient arrays.
struct NamedArray {
    const char* name;
    FieldArray<double, 3>* array;
};
std::vector<NamedArray> coefficientArrays();

// Bitwise equality of two doubles (distinguishes -0.0 and NaN payloads).
inline bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A solver as the tests call it: the settings it needs, then the call.
struct SolverCase {
    const char* name;
    void (*setup)();
    void (*run)();
    friend void PrintTo(const SolverCase& c, std::ostream* os) { *os << c.name; }
};

}  // namespace eqtest
