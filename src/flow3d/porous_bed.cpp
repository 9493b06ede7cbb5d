// Porous-bed resistance: the zones of `porosity` (or of the target bed in a
// run whose bed moves), the Ergun-type resistance (1 - n) / n^3 of the cells
// inside a zone, a wall friction on the topmost porous cell below open water,
// and fixed or wall-type values of k and epsilon inside the zone.
#include <cmath>
#include <cstdio>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "control/record_scan.h"
#include "equations/workspace.h"
#include "flow3d/porous.h"

namespace {

// ln 30, the wall law at the top of the bed zone.
const double kLn30 = std::log(30.0);

double& level(int i, int j, int m) { return LevPorosBed[i][j][m]; }
double& value(int i, int j, int m) { return PorosityBed[i][j][m]; }

[[noreturn]] void endWith(Log& log, int code) {
    log.close();
    endRun(code);
}

// The zone of a column from its bottom level upwards.
void setZone(int i, int j, const double L[4], const double P[4]) {
    for (int m = 0; m < 4; ++m) {
        level(i, j, m) = L[m];
        value(i, j, m) = P[m];
    }
}

// The characters of `porosity` one by one: every 'P' starts a record of a
// column and its four levels and porosities; records of columns outside the
// grid are passed over as text. The numbers of a record do not count
// towards the character limit.
void readRecords(FILE* fp, Log& log) {
    const long limit = 20L * xnumber * ynumber - 1;
    for (long n = 0; n < limit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfScan(c)) break;
        if (c != 'P') continue;
        int i = 0, j = 0;
        if (readInts(fp, {&i, &j}) < 2 || i < 2 || i > xnumber || j < 2 || j > ynumber) continue;
        for (int m = 0; m < 4; ++m) readDouble(fp, level(i, j, m));
        for (int m = 0; m < 4; ++m) {
            double& p = value(i, j, m);
            if (!readDouble(fp, p)) continue;
            if (p < 0.0 || p > 1.0) log.printf("Error, PorosityBed(%d,%d,%d)=%lf\n", i, j, m, p);
        }
    }
}

// Roughness above twice the bed-cell half height is lowered to it; a
// roughness thicker than the zone makes a zone of its own.
void roughnessZone(int i, int j) {
    const double ks = Xks[i][j];
    if (!(ks > 2.0 * blevel[i][j])) return;
    Xks[i][j] = 2.0 * blevel[i][j];
    if (!(ks > level(i, j, 3) - level(i, j, 0))) return;
    const double L0 = level(i, j, 0);
    const double L[4] = {L0, L0 + 0.33 * ks, L0 + 0.67 * ks, L0 + ks};
    const double P[4] = {MinPorosity, RoughPoros1, RoughPoros2, value(i, j, 3)};
    setZone(i, j, L, P);
}

void checkOrder(int i, int j, Log& log) {
    for (int m = 1; m <= 3; ++m)
        if (level(i, j, m - 1) > level(i, j, m)) {
            log.printf("Error in levels of porosity, i,j,k=%d %d %d\n", i, j, m);
            log.printf("Values : %e < %e\n", level(i, j, m), level(i, j, m - 1));
            endWith(log, -3);
        }
    for (int m = 1; m <= 3; ++m)
        if (value(i, j, m - 1) > value(i, j, m)) {
            log.printf("Warning,  in porosity values, i,j,k=%d %d %d\n", i, j, m);
            log.printf("Values : %e < %e\n", value(i, j, m), value(i, j, m - 1));
        }
}

// The zones of the file: every column first flat at its bed node with
// porosity 1, then the records, then the roughness and the checks.
void readZones(FILE* fp, Log& log) {
    FlagInitPoros = 1;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double b = zval[i][j][1];
            const double L[4] = {b, b, b, b}, P[4] = {1.0, 1.0, 1.0, 1.0};
            setZone(i, j, L, P);
        }
    readRecords(fp, log);
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int m = 0; m < 4; ++m) value(i, j, m) = std::fmax(value(i, j, m), MinPorosity);
    std::fclose(fp);
    log.write("Have read porosity file\n");
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            roughnessZone(i, j);
            checkOrder(i, j, log);
        }
}

// A moving bed: the zone of every column three bed-cell half heights deep
// below the target bed.
void zonesFromTargetBed() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            const double top = 0.25 * (zval[i][j][0] + zval[i - 1][j][0] + zval[i][j - 1][0] + zval[i - 1][j - 1][0]);
            const double b = blevel[i][j];
            const double L[4] = {top - 3.0 * b, top - 2.0 * b, top - b, top};
            const double P[4] = {MinPorosity, RoughPoros1, RoughPoros2, 1.0};
            setZone(i, j, L, P);
        }
}

void setUpZones(Log& log) {
    if (FlagInitPoros == 0) {
        if (FILE* fp = std::fopen("porosity", "r")) {
            readZones(fp, log);
            return;
        }
    }
    if (FlagTSC >= 1 && Equation == 1) {
        zonesFromTargetBed();
    } else if (FlagInitPoros == 0) {
        log.write("Error, cannot open file 'porosity' ");
        endWith(log, -7);
    }
}

// Porosity at level z of a column and the upper level of its interpolation
// interval (L0 below the zone).
struct ZonePoint {
    double n, Lm;
};
ZonePoint porosityAt(int i, int j, double z) {
    const double L0 = level(i, j, 0);
    if (z < L0) return {MinPorosity, L0};
    int m = 1;
    while (m < 3 && !(z < level(i, j, m))) ++m;
    const double w = (z - level(i, j, m)) / (level(i, j, m - 1) - level(i, j, m) + 1e-6);
    return {std::fmax(w * value(i, j, m - 1) + (1.0 - w) * value(i, j, m), MinPorosity), level(i, j, m)};
}

// Grain lengths by DiamPoros.
double grainFromLevels(int, int, int, double Lm, double L0, double ks) { return std::fmax(Lm - L0, ks); }
double grainFromThirdOfLevels(int, int, int, double Lm, double L0, double ks) {
    return std::fmax(0.33 * (Lm - L0), ks);
}
double grainFromBedCell(int i, int j, int, double, double, double) { return 2.0 * blevel[i][j]; }
double grainFromLevelsOrBedCell(int i, int j, int, double Lm, double L0, double) {
    return std::fmax(Lm - L0, blevel[i][j]);
}
double grainFromDepthBelow(int i, int j, int k, double, double, double) {
    double d = m_dist_z[i][j][k];
    for (int kk = 3; kk < k; ++kk) d += 2.0 * m_dist_z[i][j][kk];
    return d;
}
double grainFromRoughness(int, int, int, double, double, double ks) { return ks; }

using GrainLength = double (*)(int i, int j, int k, double Lm, double L0, double ks);
constexpr GrainLength kGrainLengths[] = {
    grainFromLevels,           // 0
    grainFromThirdOfLevels,    // 1
    grainFromBedCell,          // 2
    grainFromLevelsOrBedCell,  // 3
    grainFromDepthBelow,       // 4
    grainFromRoughness,        // 5 (default), 6, 7
    grainFromRoughness,
    grainFromRoughness,
};

// The grain length of DiamPoros `code` for a cell of column (i, j), layer k,
// whose interpolation interval ends at level `Lm` of a zone starting at `L0`
// (an unknown code: the roughness).
double porousGrainLength(int code, int i, int j, int k, double Lm, double L0) {
    const bool known = code >= 0 && code < static_cast<int>(std::size(kGrainLengths));
    return kGrainLengths[known ? code : 5](i, j, k, Lm, L0, Xks[i][j]);
}

// Ergun-type resistance of a cell inside the zone, split by RelaxPorosity
// between the centre coefficient and the source.
void porousResistance(int i, int j, int k, double phi) {
    const ZonePoint zp = porosityAt(i, j, topFaceLevel(i, j, k));
    const double d = porousGrainLength(DiamPoros, i, j, k, zp.Lm, level(i, j, 0));
    const double n = zp.n;
    const double R = std::fabs(3000.0 * (1.0 - n) / (n * n * n + 1e-7) * 2.0 * m_armap[i][j] * m_dist_z[i][j][k] * phi / d);
    wap[i][j][k] += RelaxPorosity * R;
    source[i][j][k] += (RelaxPorosity - 1.0) * R * phi;
}

bool inside(int i, int j, int k) { return topFaceLevel(i, j, k) < level(i, j, 3); }

double cellHeight(int i, int j, int k) { return topFaceLevel(i, j, k) - topFaceLevel(i, j, k - 1); }

// Walks every column down from the top cell through the cells inside its
// zone: the topmost porous cell below open water takes `wall`, every other
// inside cell (the top cell among them) `inner`.
template <class Wall, class Inner>
void walkZones(Wall&& wall, Inner&& inner) {
    const int Z = znumber;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            bool reached = false;
            for (int k = Z; k >= 2; --k) {
                if (!inside(i, j, k)) continue;
                if (k < Z && !reached)
                    wall(i, j, k);
                else
                    inner(i, j, k);
                reached = true;
            }
        }
}

void velocities(const FieldArray<double, 3>& phi) {
    walkZones(
        [](int i, int j, int k) {
            const double K = std::fmax(kinen[i][j][k], 1e-9);
            wap[i][j][k] += 31.62 * Xkappa * m_armap[i][j] * std::sqrt(sqcmyrho * K) / kLn30;
        },
        [&phi](int i, int j, int k) { porousResistance(i, j, k, phi[i][j][k]); });
}

void turbulentEnergy() {
    const double L = kLn30 / Xkappa;
    walkZones(
        [L](int i, int j, int k) {
            const double K = std::fmax(kinen[i][j][k], 1e-9);
            const double u = xvel[i][j][k], v = yvel[i][j][k], w = zvel[i][j][k];
            const double hc = cellHeight(i, j, k);
            wap[i][j][k] += 164.3 * std::sqrt(K) * L / hc * Volume[i][j][k];
            source[i][j][k] += 31.62 * std::sqrt(sqcmyrho * K) / L * (u * u + v * v + w * w) / hc * Volume[i][j][k];
        },
        [](int i, int j, int k) {
            wap[i][j][k] += 1e30;  // k fixed at 0.02
            source[i][j][k] += 2e28;
        });
}

// Epsilon from the bed up to the top of the zone (its top face at L3
// included), at most to the top cell.
void dissipation() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber && !(topFaceLevel(i, j, k) > level(i, j, 3)); ++k) {
                const double K = std::fmax(kinen[i][j][k], 1e-9);
                wap[i][j][k] += 1e30;
                source[i][j][k] += 1.643168e29 * K * std::sqrt(K) / (cellHeight(i, j, k) * Xkappa);
            }
}

}  // namespace

double topFaceLevel(int i, int j, int k) {
    return 0.25 * (zval[i][j][k] + zval[i - 1][j][k] + zval[i][j - 1][k] + zval[i - 1][j - 1][k]);
}

void extra_source() {
    Log log;  // a log that cannot be opened ends the run (-3): the terms are never dropped
    if (FlagBedPoros != 1) {
        log.write("Error, bed porosity attempted calcualted when\n");
        log.write("F 7 data set not marked by P\n");
        endWith(log, -6);
    }
    setUpZones(log);
    switch (Equation) {
        case 1: velocities(xvel); break;
        case 2: velocities(yvel); break;
        case 3: velocities(zvel); break;
        case 5: turbulentEnergy(); break;
        case 6: dissipation(); break;
        default: break;
    }
}
