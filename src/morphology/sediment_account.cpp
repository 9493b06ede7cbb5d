// The sediment continuity account of a transient morphology call: the
// volumes that came in through the upstream face, went out through the
// downstream face, stayed suspended and went into the bed layers, compared
// with the bed volume the grid moved; the section fluxes of G 21; the bed
// movements at the end and the inactive layer along the middle row
// (`bedfrac.new`).
#include <cmath>
#include <cstdio>

#include "control/log.h"
#include "control/state.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "morphology/state.h"
#include "morphology/tsc_steps.h"
#include "sediment/state.h"

namespace {

// Volume of fraction l in a bed layer (grains, no water): the layer's
// thickness times the fraction's share over the open bed columns.
double layerVolume(const FieldArray<double, 3>& layer, int l) {
    double sum = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (OBlok[i][j][2] == 1) sum += layer[l][i][j] * layer[0][i][j] * m_armap[i][j] * ConvCoef;
    return sum;
}

// Suspended volume of fraction l over the open interior cells.
double suspendedVolume(int l) {
    double sum = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k)
                if (OBlok[i][j][k] == 1) sum += conc[l][i][j][k] * 2.0 * m_armap[i][j] * m_dist_z[i][j][k];
    return sum;
}

// Sum of a node value over the four corner nodes of column (i, j).
template <typename NodeValue>
double cornerSum(const NodeValue& node, int i, int j) {
    return node(i, j) + node(i - 1, j) + node(i, j - 1) + node(i - 1, j - 1);
}

// Volume between the current bed and the bed before any change, open
// columns.
double bedVolume() {
    const auto bed = [](int a, int b) { return zval[a][b][0]; };
    const auto original = [](int a, int b) { return Surfaces[0][a][b]; };
    double sum = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (OBlok[i][j][2] == 1) sum += 0.25 * m_armap[i][j] * (cornerSum(bed, i, j) - cornerSum(original, i, j));
    return sum;
}

// Sediment volume of fraction l through the upstream and the downstream
// face over the step (grains, m3). The outflow carries the concentration of
// the last interior cell.
void endFluxes(int l) {
    double in = 0.0, out = 0.0;
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) {
            in += flow1[1][j][k] * conc[l][1][j][k] * 0.001 * TimeStep;
            out += flow1[xnumber][j][k] * conc[l][xnumber][j][k] * 0.001 * TimeStep;
        }
    tscIn[l] += in;
    tscOut[l] += out;
}

// The water-mass flux times the concentration of cell p through the face of
// the section record r, all fractions.
double sectionFlux(const PrintConcRecord& r) {
    const int p = r.plane;
    double sum = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
        const auto c = conc[l];
        for (int a = r.first1; a <= r.last1; ++a)
            for (int b = r.first2; b <= r.last2; ++b) switch (r.direction) {
                case 1: sum += c[p][a][b] * flow1[p][a][b]; break;
                case -1: sum += c[p][a][b] * flow1[p - 1][a][b]; break;
                case 2: sum += c[a][p][b] * flow2[a][p][b]; break;
                case -2: sum += c[a][p][b] * flow2[a][p - 1][b]; break;
                case 3: sum += c[a][b][p] * flow3[a][b][p]; break;
                case -3: sum += c[a][b][p] * flow3[a][b][p - 1]; break;
                default: break;
                }
    }
    return sum;
}

void report() {
    const double dIn = SumFlux1 - SumFlux1Prev, dOut = SumFlux2 - SumFlux2Prev, dSusp = SumSusp - SumSuspPrev;
    Log log;
    log.printf("Time: %lf seconds\n", stime);
    // The twin driver's header spells BedCh. and BedMove with capitals.
    if (tscTwin != 0)
        log.printf("%lld Sedim. continuity: In, Out, SuspCh, BedCh., BedMove, ContDef., MoveDef: (m3, incl. water)\n",
                   global_iter);
    else
        log.printf("%lld Sedim. continuity: In, Out, SuspCh, Bedch., Bedmove, ContDef., MoveDef: (m3, incl. water)\n",
                   global_iter);
    log.printf("Dt:   %le %le %le %le %le %le %le\n", dIn, dOut, dSusp, Bmove, DtBed, dOut - dIn + dSusp + Bmove,
               Bmove - DtBed);
    log.printf("Sum: %le %le %le %le %le %le %le\n", SumFlux1, SumFlux2, SumSusp, Sumfluxbed, SumBed,
               (SumFlux2 - SumFlux1) + (SumSusp - SuspInit) + Sumfluxbed, Sumfluxbed - SumBed);
    log.write("Grain size breakdown: (m3, no water)\n");
    log.write("Size: Inflow  Outflow  LayerActive  LayerInac. Suspended  Defect\n");
    for (int l = 1; l <= lnumber; ++l)
        log.printf("%d  %le %le %le %le %le %le\n", l, tscIn[l], tscOut[l], tscAct[l], tscInact[l], tscSusp[l],
                   tscIn[l] - tscOut[l] - tscSusp[l] + tscS0[l] - tscAct[l] - tscInact[l]);
    for (int r = 0; r < PrintConcNo; ++r) log.printf("Flux %d = %lf\n", r + 1, PrintConc[r].flux * density);
}

}  // namespace

void tscAccountReset() {
    for (int l = 0; l < kFractionTable; ++l)
        tscIn[l] = tscOut[l] = tscA0[l] = tscI0[l] = tscAct[l] = tscInact[l] = tscS0[l] = tscSusp[l] = 0.0;
    SumFlux1 = SumFlux2 = SumSusp = SuspInit = 0.0;
    Bmove = Sumfluxbed = SumBed = DtBed = 0.0;
    SumFlux1Prev = SumFlux2Prev = SumSuspPrev = 0.0;
}

void tscAccountStart() {
    double suspended = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
        tscA0[l] = layerVolume(bedgrain, l);
        tscI0[l] = layerVolume(BedGrainOriginal, l);
        tscS0[l] = suspendedVolume(l);
        suspended += tscS0[l];
    }
    SuspInit = suspended / ConvCoef;
    SumSuspPrev = SuspInit;
}

void tscAccountStep() {
    double in = 0.0, out = 0.0, suspended = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
        endFluxes(l);
        tscAct[l] = layerVolume(bedgrain, l) - tscA0[l];
        tscInact[l] = layerVolume(BedGrainOriginal, l) - tscI0[l];
        tscSusp[l] = suspendedVolume(l);
        in += tscIn[l];
        out += tscOut[l];
        suspended += tscSusp[l];
    }
    SumFlux1Prev = SumFlux1;
    SumFlux2Prev = SumFlux2;
    SumFlux1 = in / ConvCoef;
    SumFlux2 = out / ConvCoef;
    SumSusp = suspended / ConvCoef;

    double moved = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (OBlok[i][j][2] == 1) moved += bedlevchange[0][i][j] * m_armap[i][j];
    Bmove = moved;
    Sumfluxbed += Bmove;
    const double B = bedVolume();
    DtBed = B - SumBed;
    SumBed = B;

    for (int r = 0; r < PrintConcNo; ++r) PrintConc[r].flux = sectionFlux(PrintConc[r]);

    if (FlagPrint == 0 || global_iter == tscSteps - 1) report();
    SumSuspPrev = SumSusp;
}

void tscEndBedMoves(Log& log) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (std::fabs(BedMove[i][j]) > 1e-5) log.printf("BedMove(%d,%d) = %e meters\n", i, j, BedMove[i][j]);
    log.printf("Time: %lf seconds\n", stime);
}

void tscEndTotalChange(Log& log) {
    double total = 0.0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) total += BedMove[i][j] * m_armap[i][j];
    log.printf("Total change in bed levels: %e qubic meters\n", total);
}

void tscBedFracFile() {
    FILE* fp = std::fopen("bedfrac.new", "w");
    if (!fp) {
        setMessage("cannot open file 'bedfrac.new' ");
        endRun(-3);
    }
    const int jm = ynumber / 2 + 1;
    for (int i = 2; i <= xnumber; ++i) {
        std::fprintf(fp, "%d %lf", i, xval[i][jm]);
        for (int l = 0; l <= lnumber; ++l) std::fprintf(fp, " %lf", BedGrainOriginal[l][i][jm]);
        std::fprintf(fp, "\n");
    }
    closeWritten(fp, "bedfrac.new");
}
