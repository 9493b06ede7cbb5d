#include "equations/workspace.h"

#include "equations/kernels.h"
#include "control/turbulence_models.h"
#include "equations/solve.h"
#include "grid/state.h"

#include <omp.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

double diffusionMultiplier() {
    const TurbulenceModelRow::Diffusion& model = turbulenceModel().diffusion;
    if (Equation == 5) return model.first;
    if (Equation > 3) return model.others;
    if (FlagStress1DLL >= 1 && FlagStress1DLL <= 20) return 0.0;
    return 1.0;
}

void solverBlock(int p, int blocks, int& i_first, int& i_last) {
    const int s = (xnumber - 1) / blocks;
    i_first = p * s + 2;
    i_last = p == blocks - 1 ? xnumber : (p + 1) * s + 1;
}

namespace eqk {

namespace {
// An inconsistency of the caller: -8 and the line in `boogie`, at once
// outside a parallel region, from the main thread after the region inside
// one (where every thread of the team may find the same fault: the first
// one is kept). Returns false.
__attribute__((format(printf, 1, 2))) bool inconsistency(const char* fmt, ...) {
    char line[300];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    faultf(-8, "%s", line);
    return false;
}
}  // namespace

bool checkEquation(const char* who) {
    if (Equation < 0 || Equation >= kEquationTable)
        return inconsistency("Error - unexpected equation number %d in %s\n", Equation, who);
    return true;
}

namespace {
bool hasExtents(const FieldArrayBase& a, std::int64_t e0, std::int64_t e1, std::int64_t e2) {
    return !a.isNull() && a.extent(0) >= e0 && a.extent(1) >= e1 && a.extent(2) >= e2;
}
bool sameShape(const FieldArrayBase& a, const FieldArrayBase& b) {
    return !a.isNull() && a.extent(0) == b.extent(0) && a.extent(1) == b.extent(1) &&
           a.extent(2) == b.extent(2);
}
}  // namespace

bool checkField(const FieldArray<double, 3>& field, const char* name, const char* who) {
    if (!hasExtents(field, xnumber + 3, ynumber + 3, znumber + 3))
        return inconsistency("Error - field %s does not cover the grid in %s\n", name, who);
    return true;
}

bool checkWorkspace(const char* who, bool secondNeighbours) {
    if (!checkEquation(who) || !checkField(f, "f", who)) return false;
    if (!hasExtents(ae, xnumber + 2, ynumber + 2, znumber + 2))
        return inconsistency("Error - equation workspace does not cover the grid in %s\n", who);
    const FieldArrayBase* first[] = {&aw, &an, &as, &wat, &wab, &wap, &source, &iAp};
    for (const FieldArrayBase* a : first)
        if (!sameShape(*a, ae)) return inconsistency("Error - equation workspace incomplete in %s\n", who);
    if (secondNeighbours) {
        const FieldArrayBase* second[] = {&aee, &aww, &ass, &ann, &abb, &att};
        for (const FieldArrayBase* a : second)
            if (!sameShape(*a, ae))
                return inconsistency("Error - second-neighbour coefficients missing in %s\n", who);
    }
    return true;
}

bool checkLineVectors(const char* who) {
    const std::int64_t need = std::max({xnumber, ynumber, znumber}) + 2;
    if (pt.isNull() || qt.isNull() || pt.extent(0) < need || qt.extent(0) < need)
        return inconsistency("Error - line vectors pt, qt too short in %s\n", who);
    return true;
}

bool checkJointTables(const char* who) {
    if (Pi1MultiBlock.isNull() || Pj1MultiBlock.isNull() || Pj2MultiBlock.isNull() ||
        Pi1MultiBlock.extent(0) < xnumber + 2 || Pi1MultiBlock.extent(1) < ynumber + 2 ||
        Pj1MultiBlock.extent(0) < xnumber + 2 || Pj2MultiBlock.extent(0) < xnumber + 2)
        return inconsistency("Error - multi-block tables missing in %s\n", who);
    return true;
}

bool enterLineSolver(const char* who) {
    { Log log; }
    const bool p13 = stencilOf(Equation) == Stencil::Thirteen;
    checkWorkspace(who, p13);
    checkLineVectors(who);
    if (MBNo != 0) checkJointTables(who);
    return p13;
}

bool requireTeam(const char* who) {
    const int got = omp_get_num_threads();
    if (got == NoProcessesSolver) return true;
    return inconsistency("Error - %s needs a team of %d threads, has %d\n", who, NoProcessesSolver, got);
}

}  // namespace eqk
