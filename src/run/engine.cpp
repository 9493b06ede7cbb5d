#include "control/engine.h"
#include "control/state.h"
#include "control/constants.h"

#include <algorithm>

#include "equations/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "output/state.h"
#include "sediment/state.h"
#include "waterquality/state.h"

void forEachFieldArray(void (*visit)(const char*, FieldArrayBase&, void*), void* ctx) {
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_CONTROL_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_GRID_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_EQUATIONS_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_FLOW3D_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_OUTPUT_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_SEDIMENT_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_MORPHOLOGY_STATE)
    QUIRD_VISIT_FIELD_ARRAYS(QUIRD_WATERQUALITY_STATE)
}

void SetArraysZero() {
    forEachFieldArray([](const char*, FieldArrayBase& a, void*) { a.setNull(); }, nullptr);
    f.setNull();
    BVSource.setNull();
    releaseAllFieldArrays();
}

namespace {

// One allocator call: the log stays open, the byte count runs.
struct Allocation {
    Log& log;
    std::int64_t bytes = 0;
    bool failed = false;

    template <typename T, int R, typename... E>
    void make(FieldArray<T, R>& a, bool condition, E... extents) {
        static_assert(sizeof...(E) == R, "one extent per index");
        if (failed || !a.isNull() || !condition) return;
        const std::int64_t ext[4] = {static_cast<std::int64_t>(extents)...};
        switch (createFieldArray(a, sizeof(T), ext)) {
        case CreateResult::Ok:
            bytes += fieldArrayBytes(R, ext, sizeof(T));
            break;
        case CreateResult::OutOfMemory:
            log.printf("Allocated %ld byte when out of memory\n", static_cast<long>(bytes));
            failed = true;
            break;
        case CreateResult::TooLarge:
            // An array whose element count does not fit the address space.
            log.printf("Error - array too large, extents %ld %ld %ld %ld\n", static_cast<long>(ext[0]),
                       static_cast<long>(R > 1 ? ext[1] : 0), static_cast<long>(R > 2 ? ext[2] : 0),
                       static_cast<long>(R > 3 ? ext[3] : 0));
            log.close();
            endRun(-2);
        }
    }
};

}  // namespace

int sialloc() {
    if (!logOpens()) {
        setMessage("cannot open file 'boogie'");
        return -1;
    }
    Log log;
    setMessage("Initializing arrays");
    setProgram(" Initial - arrays ");
    log.write(" In initial - arrays \n\n");

    const std::int64_t X = xnumber, Y = ynumber, Z = znumber, L = lnumber;
    const std::int64_t C = NoComponents, B = MBNo, T = ArrayTimeSteps;
    const std::int64_t M = std::max({X, Y, Z}) + 3;
    // Stress store: F 207 may follow F 220 with fewer arrays than the models
    // write or read; the second algebraic model writes 22, the stress
    // momentum sources read slots 10..12.
    std::int64_t S = FlagReynoldsStress > 0 ? std::max(AllocStress1DLL, 10) : std::max(AllocStress1DLL, 13);
    if (FlagReynoldsStress > 9) S = std::max<std::int64_t>(S, 22);
    if (FlagStress1DLL != 0) S = std::max<std::int64_t>(S, 13);

    bool secondOrder = FlagCofDLL > 0;
    for (int e = 1; e <= 6; ++e)
        if (sou[e] == 1 || sou[e] == 3) secondOrder = true;
    const bool transient = transientRun();
    const bool poros = FlagBedPoros == 1 || FlagDragDLL > 0;

    Allocation a{log};
    a.make(xval, true, X + 3, Y + 3);
    a.make(yval, true, X + 3, Y + 3);
    a.make(zval, true, X + 3, Y + 3, Z + 2);
    a.make(Xc, true, X + 2, Y + 2, Z + 2);
    a.make(Yc, true, X + 2, Y + 2, Z + 2);
    a.make(P, true, X + 2, Y + 2);
    a.make(Q, true, X + 2, Y + 2);
    a.make(graphDum, true, std::max(X, Y) + 2, std::max(Y, Z) + 2, 2);
    a.make(PorosityBed, poros, X + 2, Y + 2, 4);
    a.make(LevPorosBed, poros, X + 2, Y + 2, 4);
    a.make(Porosity, poros, X + 2, Y + 2, Z + 2);
    a.make(StemNumber, poros, X + 2, Y + 2, Z + 2);
    a.make(StemDiameter, poros, X + 2, Y + 2, Z + 2);
    a.make(DragCoeff, poros, X + 2, Y + 2, Z + 2);
    a.make(EpsilonCoeff, poros, X + 2, Y + 2, Z + 2);
    a.make(m_ar_x, true, X + 2, Y + 2, Z + 2);
    a.make(m_ar_y, true, X + 2, Y + 2, Z + 2);
    a.make(m_ar_z, true, X + 2, Y + 2, Z + 2);
    a.make(m_dist_x, true, X + 2, Y + 2, Z + 2);
    a.make(m_dist_y, true, X + 2, Y + 2, Z + 2);
    a.make(m_dist_z, true, X + 2, Y + 2, Z + 3);
    a.make(m_vec_x, true, X + 2, Y + 2, 2);
    a.make(m_vec_y, true, X + 2, Y + 2, 2);
    a.make(m_vec_z, true, X + 2, Y + 2, Z + 2, 3);
    a.make(m_armap, true, X + 2, Y + 2);
    a.make(xvel, true, X + 3, Y + 3, Z + 3);
    a.make(yvel, true, X + 3, Y + 3, Z + 3);
    a.make(zvel, true, X + 3, Y + 3, Z + 3);
    a.make(kinen, true, X + 3, Y + 3, Z + 3);
    a.make(epsilon, true, X + 3, Y + 3, Z + 3);
    a.make(fStorage, true, X + 3, Y + 3, Z + 3);
    if (f.isNull()) f = fStorage;
    a.make(fnn, FlagRapSolver == 31, X + 3, Y + 3, Z + 3);
    a.make(diff, true, X + 2, Y + 2, Z + 2);
    a.make(flow1, true, X + 2, Y + 2, Z + 2);
    a.make(flow2, true, X + 2, Y + 2, Z + 2);
    a.make(flow3, true, X + 2, Y + 2, Z + 2);
    a.make(avvelocity, true, X + 2);
    a.make(radius, true, X + 2);
    a.make(grade, true, X + 2);
    a.make(pt, true, M);
    a.make(qt, true, M);
    a.make(xvel_old, transient, X + 2, Y + 2, Z + 2);
    a.make(yvel_old, transient, X + 2, Y + 2, Z + 2);
    a.make(zvel_old, transient, X + 2, Y + 2, Z + 2);
    a.make(xvel_old2, transient && FlagTimeOrder != 0, X + 2, Y + 2, Z + 2);
    a.make(yvel_old2, transient && FlagTimeOrder != 0, X + 2, Y + 2, Z + 2);
    a.make(zvel_old2, transient && FlagTimeOrder != 0, X + 2, Y + 2, Z + 2);
    a.make(kinen_old, transient, X + 2, Y + 2, Z + 2);
    a.make(epsilon_old, transient, X + 2, Y + 2, Z + 2);
    a.make(kinen_old2, transient && FlagTimeOrder >= 2, X + 2, Y + 2, Z + 2);
    a.make(epsilon_old2, transient && FlagTimeOrder >= 2, X + 2, Y + 2, Z + 2);
    a.make(temp, FlagTemp == 1, X + 3, Y + 3, Z + 3);
    a.make(comp, NoComponents > 0, C, X + 3, Y + 3, Z + 3);
    a.make(temp_old, FlagTemp == 1 && transient, X + 2, Y + 2, Z + 2);
    a.make(comp_old, NoComponents > 0 && transient, C, X + 2, Y + 2, Z + 2);
    a.make(conc, true, L + 2, X + 3, Y + 3, Z + 3);
    a.make(conc_old, FlagTSC > 0, L + 2, X + 3, Y + 3, Z + 3);
    a.make(ae, true, X + 2, Y + 2, Z + 2);
    a.make(aw, true, X + 2, Y + 2, Z + 2);
    a.make(an, true, X + 2, Y + 2, Z + 2);
    a.make(as, true, X + 2, Y + 2, Z + 2);
    a.make(at, true, L + 1, X + 2, Y + 2, Z + 2);
    a.make(ab, true, L + 1, X + 2, Y + 2, Z + 2);
    a.make(ap, true, L + 1, X + 2, Y + 2, Z + 2);
    a.make(catt, SedimentScheme == 1, L + 1, X + 2, Y + 2, Z + 2);
    a.make(cabb, SedimentScheme == 1, L + 1, X + 2, Y + 2, Z + 2);
    a.make(k_diff, true, X + 2, Y + 2, Z + 2);
    a.make(bedgrain, true, L + 1, X + 2, Y + 2);
    a.make(bedlevchange, true, L + 1, X + 2, Y + 2);
    a.make(BedGrainOriginal, true, L + 1, X + 2, Y + 2);
    a.make(BedGrainTop, true, L + 1, X + 2, Y + 2);
    a.make(BedSource, true, L + 1, X + 2, Y + 2);
    a.make(Surfaces, true, 6, X + 2, Y + 2);
    a.make(bedshear, true, X + 2, Y + 2);
    a.make(mass, true, X + 2, Y + 2);
    a.make(BedMove, true, X + 2, Y + 2);
    a.make(blevel, true, X + 2, Y + 2);
    a.make(bedslope_correction, true, X + 2, Y + 2);
    a.make(BedChangeTotal, true, X + 2, Y + 2);
    a.make(Bedformheight, true, X + 2, Y + 2);
    a.make(LineI, true, X + 2, Y + 2);
    a.make(LineJ, true, X + 2, Y + 2);
    if (!a.failed && lnumber > 48) {
        // The per-fraction tables hold every size that G 1 accepts (kFractionTable).
        log.write("Error - icrease array - ns for SedimentSample\n");
        log.write("Error - icrease array for gsize, inflow and fallvelo\n");
    }
    a.make(xdistance, true, X + 2);
    a.make(ManArray, true, X + 2);
    a.make(intBedSediment, true, X + 2, Y + 2);
    a.make(LowerFixedLevel, true, X + 2, Y + 2);
    a.make(kblok, true, X + 2, Y + 2);
    a.make(twoD, true, X + 2, Y + 2);
    if (!a.failed && xnumber > 2997) {
        // initarray is bounded by the reader of W 2; the solvers size their work from the grid.
        log.write("Error - increase initarray index\n");
    }
    const bool second = secondOrder || SedimentScheme == 1 || SouComp == 1;
    a.make(aee, second, X + 2, Y + 2, Z + 2);
    a.make(ann, second, X + 2, Y + 2, Z + 2);
    a.make(aww, second, X + 2, Y + 2, Z + 2);
    a.make(ass, second, X + 2, Y + 2, Z + 2);
    a.make(att, second, X + 2, Y + 2, Z + 2);
    a.make(abb, second, X + 2, Y + 2, Z + 2);
    const bool bedLoad = BedLoadVectorFlag > 0;
    a.make(aeb, bedLoad, L + 2, X + 3, Y + 3);
    a.make(awb, bedLoad, L + 2, X + 3, Y + 3);
    a.make(anb, bedLoad, L + 2, X + 3, Y + 3);
    a.make(asb, bedLoad, L + 2, X + 3, Y + 3);
    a.make(dx1, true, X + 2, Y + 2);
    a.make(dx2, true, X + 2, Y + 2);
    a.make(dy1, true, X + 2, Y + 2);
    a.make(dy2, true, X + 2, Y + 2);
    a.make(dz1, true, X + 2, Y + 2, Z + 2);
    a.make(dz2, true, X + 2, Y + 2, Z + 2);
    a.make(dz3, true, X + 2, Y + 2, Z + 2);
    a.make(Pres, true, X + 2, Y + 2, Z + 2);
    a.make(source, true, X + 2, Y + 2, Z + 2);
    a.make(invFlow, RelaxRhieChow < 0, X + 2, Y + 2, Z + 2);
    a.make(invAPC, simple != 'Y', X + 2, Y + 2, Z + 2);
    a.make(invAP, true, X + 2, Y + 2, Z + 2);
    a.make(iAp, true, X + 2, Y + 2, Z + 2);
    a.make(gama, true, X + 2, Y + 2, Z + 2);
    a.make(gamaV, true, X + 2, Y + 2, Z + 2);
    a.make(Volume, true, X + 2, Y + 2, Z + 2);
    a.make(Stress, true, X + 2, Y + 2, Z + 2);
    a.make(wap, true, X + 2, Y + 2, Z + 2);
    a.make(wat, true, X + 2, Y + 2, Z + 2);
    a.make(wab, true, X + 2, Y + 2, Z + 2);
    if (!a.failed && znumber > 998) {
        log.write("Error - increase zdistrib array\n");
        log.close();
        endRun(-2);
    }
    a.make(Froude, true, X + 2, Y + 2);
    a.make(Idh, true, X + 2, Y + 2);
    a.make(Jdh, true, X + 2, Y + 2);
    a.make(Xks, true, X + 2, Y + 2);
    a.make(D90a, true, X + 2, Y + 2);
    a.make(D50a, true, X + 2, Y + 2);
    a.make(WallI, true, X + 2, Y + 2, Z + 2);
    a.make(WallJ, true, X + 2, Y + 2, Z + 2);
    a.make(WallK, true, X + 2, Y + 2, Z + 2);
    a.make(Wall, true, X + 2, Y + 2, Z + 2);
    a.make(OBlok, true, X + 2, Y + 2, Z + 2);
    a.make(Pi1MultiBlock, true, X + 2, Y + 2, 3);
    a.make(Pj1MultiBlock, true, X + 2, 2);
    a.make(Pj2MultiBlock, true, X + 2, 2);
    a.make(MutBlock, true, X + 2, Y + 2);
    a.make(ISkjotMB, true, X + 2);
    a.make(MBFlow, MBNo > 0, B + 1, 7, Y + 2, Z + 2);
    a.make(psc, true, M, M);
    a.make(Rstress, FlagReynoldsStress > 0 || FlagStress1DLL != 0, S, X + 2, Y + 2, Z + 2);
    a.make(TimeInTime, transient, T);
    a.make(TimeInTimStep, transient, T);
    a.make(TimeInHinn, transient, T);
    a.make(TimeInHout, transient, T);
    // A row holds the size classes 1..L of `timei` and the components 0..C-1.
    a.make(Cinn, transient, T, std::max({std::int64_t{20}, L + 1, C}));
    a.make(Winn, transient, T, 3);
    a.make(Irradi, transient, T);
    a.make(AirTemp, transient, T);
    a.make(QDinn, transient, T, 11);
    a.make(Tempinn, transient, T);
    if (a.failed) {
        log.close();
        return -1;
    }

    if (transient && Cinn) {
        for (std::int64_t t = 0; t < Cinn.extent(0); ++t)
            for (std::int64_t c = 0; c < Cinn.extent(1); ++c) Cinn[t][c] = 0.0;
    }
    log.write("End of initial - arrays\n");
    for (int l = 1; l <= lnumber; ++l)
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j)
                for (int k = 0; k <= znumber; ++k) conc[l][i][j][k] = 0.0;
    log.printf("Have allocated %10.2lf Mbytes\n\n", static_cast<double>(a.bytes) * 1e-6);
    setMessage("Initiation of arrays o.k");
    return 0;
}
