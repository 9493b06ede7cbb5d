// The solve of the equation in the workspace, shared by every equation owner:
// the stencil of an equation, the 3-D solver choice (K 4, K 5, K 6, K 10) and
// the one sequence that runs after the assembly:
//
//   point f at the field -> pin the blocked boxes -> iAp = 1/wap -> residual
//   -> block correction -> sweeps -> floor
//
// What differs between the owners (block correction once or before every
// sweep, p' started from zero, the depth-averaged plane, the floor, the
// wall-clock stamps) is a field of the plan, not a copy of the sequence.
#pragma once

#include <optional>
#include <type_traits>

#include "control/fieldarray.h"

// ---------------------------------------------------------------------------
// Stencil
// ---------------------------------------------------------------------------
enum class Stencil { Seven, Thirteen };

// The stencil of `equation` as its owner assembles it: 13 points when its
// scheme is 1 (second-order upwind) or 3 (QUICK) and the second-neighbour
// arrays exist, else 7. Only these two schemes write second-neighbour
// couplings; the other values select the power law, whose equations are
// 7-point, and their solvers must not read the second-neighbour arrays, which
// may hold couplings of an earlier equation. v and w (2, 3) are assembled on
// the coefficients of u, so they follow sou[1]. The pressure correction (4)
// never writes second-neighbour couplings, and temperature (8 in the flow
// solver) is assembled on first neighbours only: both are 7-point whatever
// their sou entries say (sou[8] serves the water-quality components, which
// call the 13-point sweep themselves). An equation number outside the tables
// is an inconsistency of the caller (-8).
Stencil stencilOf(int equation);

// ---------------------------------------------------------------------------
// Plan of a solve
// ---------------------------------------------------------------------------

// A step of the solve: a function, or a callable carrying its caller's
// arguments (a solver's first level, say). Not owned: the callable must
// outlive the solve. Called once per step or sweep, never inside a cell loop.
class Routine {
public:
    constexpr Routine() = default;
    constexpr Routine(void (*fn)()) : fn_(fn) {}
    template <class F>
        requires(!std::is_convertible_v<F&, void (*)()> && std::is_invocable_v<F&>)
    Routine(F& callable)
        : object_(const_cast<void*>(static_cast<const void*>(&callable))),
          call_([](void* o) { (*static_cast<F*>(o))(); }) {}

    explicit operator bool() const { return fn_ != nullptr || call_ != nullptr; }
    // True when this is the plain function `fn`.
    bool is(void (*fn)()) const { return fn_ != nullptr && fn_ == fn; }
    void operator()() const {
        if (fn_)
            fn_();
        else
            call_(object_);
    }

private:
    void (*fn_)() = nullptr;
    void* object_ = nullptr;
    void (*call_)(void*) = nullptr;
};

// When the block correction runs.
enum class CorrectionAt {
    BeforeSweeps,  // once, after the residual (also without sweeps)
    EverySweep,    // before every sweep
    FirstSweep,    // before the first sweep only (none without sweeps)
};

// The cells of the solve's own loops.
enum class Cells {
    Grid,   // the 3-D grid: interior i, j, k 2..n; the floor over 0..n+1
    Plane,  // level k = 0 of the depth-averaged model: interior i, j 2..n; the floor over 0..n+1
};

// The value the sweeps start from.
enum class Start {
    Current,  // the field as it stands
    Zero,     // 0, set after the residual (which sees the field as it stands): the whole
              // array on the grid, the plane with its ghost cells on the plane
};

// Wall-clock stamps of the solve's phases (slot 0: none), taken through `mark`.
struct SolveMarks {
    int beforeResidual = 0;
    int afterResidual = 0;
    int beforeSweeps = 0;  // after the block correction of BeforeSweeps and the zero start
    int afterSweeps = 0;
};

struct SolvePlan {
    Cells cells = Cells::Grid;
    bool pinBlockedBoxes = false;   // wap += 1e30 in every OutBlock box: its values tend to 0
    bool inverseCentre = false;     // iAp = 1/wap at the interior cells, for the point solver
    bool uncoupledStayZero = false; // a cell with wap 0 gets iAp 0 and f 0 after the sweeps
    Start start = Start::Current;
    Routine residual;               // none: no residual
    Routine correction;             // none: no block correction
    CorrectionAt correctionAt = CorrectionAt::BeforeSweeps;
    Routine sweep;                  // one solver call
    int sweeps = 0;                 // calls of `sweep`
    std::optional<double> floor;    // lower bound of the field after the sweeps (see floorField)
    void (*mark)(int slot) = nullptr;
    SolveMarks marks;
};

// Whether a block correction may open a thread team of its own.
enum class Threads { Team, MainThread };

// The 3-D plan of `equation` as the control tables choose it; the owner adds
// the pins, the start, the floor and the stamps.
// - residual: Residual;
// - block correction, by blockcorr[equation] (none for epsilon (6) unless
//   sou[6] is 0 or 2): 1 BlockCorrection at `at`; 4 BlockCorrectionOpenMP at
//   `at` when `threads` allows a team and NoProcessesSolver > 0; 5, 6, 7 for
//   the pressure correction (4) only, BlockCorrection before its first sweep;
//   any other value none;
// - sweeps[equation] calls of WaterGaussSOU for the 13-point stencil, else of
//   WaterGaussSeidel when lcray is 'Y', else of WaterTDMA;
// - iAp = 1/wap when lcray is 'Y'.
SolvePlan gridSolve(int equation, CorrectionAt at, Threads threads);

// Solves the equation in the workspace for `field`: f = field, then the
// plan's steps in the order of the sequence above. `Equation` is the owner's.
void solveWorkspace(FieldArray<double, 3>& field, const SolvePlan& plan);

// The floor of a solve, over the cells and ghost cells 0..n+1: on the grid
// every value not at or above `floor` (a NaN too) becomes `floor`; on the
// plane a value becomes max(value, floor) (a NaN stays).
void floorField(FieldArray<double, 3>& field, double floor, Cells cells);
