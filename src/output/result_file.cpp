// The flow result file `result`: its writer (a step of sprintflow) and the
// restart reader of run letter R.
#include "output/result_file.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "control/state.h"
#include "grid/state.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "control/log.h"
#include "equations/workspace.h"
#include "flow3d/flow3d.h"
#include "output/output.h"
#include "output/series.h"

namespace {

const char kTitleLine[] = "Results from QUIRD - flow, iter = %ld\n";
const char kResidualLine[] = "Residuals: %lf %lf %lf %lf %lf %lf\n";
const char kRoughnessLine[] = "Roughness : %lf\n";
const char kSizeLine[] = "C %d %d %d\n";
const char kColumnHeader[] =
    "   i  j  k        u              v              w              k           epsilon        eddy-visc "
    "        f1             f2             f3              p\n";

// k and epsilon below 1e-30 (negative values too) are written as 0; a NaN
// fails the test and stands as it is.
double turbulenceOut(double value) { return value < 1e-30 ? 0.0 : value; }

}  // namespace

bool writeResultFile() {
    std::string name;
    FILE* fp = openOutputFile(kResultSeries, name);
    std::fprintf(fp, kTitleLine, Iter);
    std::fprintf(fp, kResidualLine, MaxResidual[1], MaxResidual[2], MaxResidual[3], MaxResidual[4], MaxResidual[5],
                 MaxResidual[6]);
    std::fprintf(fp, kRoughnessLine, XksWall);
    std::fprintf(fp, kSizeLine, xnumber, ynumber, znumber);
    std::fputs(kColumnHeader, fp);
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            for (int k = 0; k <= znumber + 1; ++k)
                std::fprintf(fp,
                             "G %2d %2d %2d %14.8e %14.8e %14.8e %14.8e %14.8e %14.8e %14.8e %14.8e %14.8e "
                             "%14.8e\n",
                             i, j, k, xvel[i][j][k], yvel[i][j][k], zvel[i][j][k], turbulenceOut(kinen[i][j][k]),
                             turbulenceOut(epsilon[i][j][k]), gama[i][j][k], flow1[i][j][k], flow2[i][j][k],
                             flow3[i][j][k], Pres[i][j][k]);
    closeOutputFile(fp, name, kResultSeries);
    return true;
}

// ---------------------------------------------------------------------------
// Restart reader.
// ---------------------------------------------------------------------------

std::int64_t readresBudget(std::int64_t X, std::int64_t Y, std::int64_t Z) {
    // Widest texts of "%lf" (sign, 309 digits, point, 6 decimals), "%ld" and "%d".
    constexpr std::int64_t kReal = 317, kLong = 20, kInt = 11;
    const std::int64_t header = static_cast<std::int64_t>(std::strlen(kTitleLine)) + kLong +
                                static_cast<std::int64_t>(std::strlen(kResidualLine)) + 6 * kReal +
                                static_cast<std::int64_t>(std::strlen(kRoughnessLine)) + kReal +
                                static_cast<std::int64_t>(std::strlen(kSizeLine)) + 3 * kInt +
                                static_cast<std::int64_t>(std::strlen(kColumnHeader));
    return 20 * (X * Y * Z + X * Y) + header;
}

namespace {

struct CellRecord {
    int i = 0, j = 0, k = 0;
    double u = 0, v = 0, w = 0, kin = 0, eps = 0, visc = 0, f1 = 0, f2 = 0, f3 = 0, p = 0;
};

bool cellInRange(const CellRecord& r, int kFirst) {
    return r.i >= 1 && r.i <= xnumber + 1 && r.j >= 1 && r.j <= ynumber + 1 && r.k >= kFirst && r.k <= znumber + 1;
}

void storeVelocities(const CellRecord& r) {
    xvel[r.i][r.j][r.k] = r.u;
    yvel[r.i][r.j][r.k] = r.v;
    zvel[r.i][r.j][r.k] = r.w;
    kinen[r.i][r.j][r.k] = r.kin;
    epsilon[r.i][r.j][r.k] = r.eps;
}

void storeFluxes(const CellRecord& r) {
    flow1[r.i][r.j][r.k] = r.f1;
    flow2[r.i][r.j][r.k] = r.f2;
    flow3[r.i][r.j][r.k] = r.f3;
}

void diffusivityFromTurbulence(const CellRecord& r) {
    diff[r.i][r.j][r.k] = cmy * r.kin * r.kin / (r.eps * Schmidt + 1e-20);
}

// Reads the value fields of a cell record of type `type` whose indices are
// in `r` and stores them; false when the fields cannot all be read (the cell
// keeps its values).
bool readCellValues(FILE* fp, int type, CellRecord& r) {
    switch (type) {
    case 'A':
        if (std::fscanf(fp, "%lf%lf%lf%lf%lf%lf", &r.u, &r.v, &r.w, &r.p, &r.kin, &r.eps) != 6) return false;
        storeVelocities(r);
        Pres[r.i][r.j][r.k] = r.p;
        diffusivityFromTurbulence(r);
        return true;
    case 'B':
        if (std::fscanf(fp, "%lf%lf%lf%lf%lf%lf%lf%lf", &r.u, &r.v, &r.w, &r.kin, &r.eps, &r.f1, &r.f2, &r.f3) != 8)
            return false;
        storeVelocities(r);
        storeFluxes(r);
        diffusivityFromTurbulence(r);
        return true;
    case 'D':
    case 'E':
    case 'F': {
        const char* format = type == 'D'   ? "%lf%lf%lf%lf%lf%lf%lf%lf%lf"
                             : type == 'E' ? "%le%le%le%le%le%le%le%le%le"
                                           : "%lf %lf %lf %lf %lf %lf %lf %lf %lf";
        if (std::fscanf(fp, format, &r.u, &r.v, &r.w, &r.kin, &r.eps, &r.f1, &r.f2, &r.f3, &r.p) != 9) return false;
        if (type == 'D') {
            if (r.kin < 1e-20) r.kin = 0.0;
            if (r.eps < 1e-20) r.eps = 0.0;
        }
        storeVelocities(r);
        storeFluxes(r);
        Pres[r.i][r.j][r.k] = r.p;
        diffusivityFromTurbulence(r);
        return true;
    }
    case 'G':
        if (std::fscanf(fp, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &r.u, &r.v, &r.w, &r.kin, &r.eps, &r.visc,
                        &r.f1, &r.f2, &r.f3, &r.p) != 10)
            return false;
        storeVelocities(r);
        storeFluxes(r);
        Pres[r.i][r.j][r.k] = r.p;
        gama[r.i][r.j][r.k] = r.visc;
        gamaV[r.i][r.j][r.k] = r.visc;
        diff[r.i][r.j][r.k] = 0.001 * r.visc / Schmidt;
        return true;
    default:
        return false;
    }
}

[[noreturn]] void refuseGrid(FILE* fp, Log& log) {
    std::fclose(fp);
    setMessage(" Error in reading result file");
    log.write(" Error in reading result file");
    log.close();
    endRun(-7);
}

// Reads the record that begins with letter `c`; returns 1 when it stored a
// counted cell, else 0.
int readRecord(FILE* fp, int c, Log& log) {
    switch (c) {
    case 'A':
    case 'B':
    case 'D':
    case 'E': {
        CellRecord r;
        if (std::fscanf(fp, "%d%d%d", &r.i, &r.j, &r.k) != 3 || !cellInRange(r, 1)) return 0;
        return readCellValues(fp, c, r) ? 1 : 0;
    }
    case 'F':
    case 'G': {
        CellRecord r;
        if (std::fscanf(fp, "%d %d %d", &r.i, &r.j, &r.k) != 3 || !cellInRange(r, 0)) return 0;
        return readCellValues(fp, c, r) ? 1 : 0;
    }
    case 'C': {
        int X, Y, Z;
        if (std::fscanf(fp, "%d%d%d", &X, &Y, &Z) != 3) return 0;
        if (X != xnumber || Y != ynumber || Z != znumber) refuseGrid(fp, log);
        return 0;
    }
    case 'S': {
        int i, j;
        if (std::fscanf(fp, "%d%d", &i, &j) != 2 || i < 2 || i > xnumber || j < 1 || j > ynumber) return 0;
        double value;
        if (std::fscanf(fp, "%lf", &value) == 1) bedshear[i][j] = value;
        return 0;
    }
    default:
        return 0;
    }
}

}  // namespace

void readres() {
    Log log;
    FILE* fp = std::fopen("result", "r");
    if (!fp) {
        setMessage("cannot open file 'result' ");
        log.write(" cannot open file 'result' ");
        log.close();
        endRun(-3);
    }
    setProgram(" Readres-reading results ");
    log.write(" In readres \n\n");

    const std::int64_t expected =
        std::int64_t{xnumber + 1} * std::int64_t{ynumber + 1} * std::int64_t{znumber + 2};
    std::int64_t budget = readresBudget(xnumber, ynumber, znumber);
    std::int64_t count = 0;
    while (budget > 0) {
        const int c = std::fgetc(fp);
        if (c == EOF || c == 255) break;
        count += readRecord(fp, c, log);
        if (count >= expected && !(c >= 32 && c <= 126) && c != '\n') break;
        --budget;
    }
    std::fclose(fp);

    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 2; j <= ynumber; ++j) bedshear[i][j] = sqcmyrho * kinen[i][j][2];

    setMessage(" Have finished reading 'result'");
    FlagInitialized = 1;
    // The field may have been computed on another grid (a surface the update
    // moved): the next flow call fits its boundary cells to the present one.
    FlagFieldRefit = 1;
    gFlagRead = 0;
    log.printf("Have read %lld cells from result file\n", static_cast<long long>(count));
    if (count != expected) log.write("Warning: may not have read correct number of data sets from result\tfile\n");
}
