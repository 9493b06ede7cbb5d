// The 3-D grid files read in place of `koordina` (option X of F 7, run letter
// X): the plan grid with levels (`koosurf`) and the full node set (`xcyc`).
#include <cstdio>

#include "control/state.h"
#include "control/readers.h"
#include "grid/state.h"

namespace {

// Reads `koosurf`; true when the file was there.
bool readKoosurf(Log& log) {
    FILE* fp = std::fopen("koosurf", "r");
    if (!fp) {
        log.write("Have not used file 'koosurf'\n");
        return false;
    }
    log.write("Have used file 'koosurf'\n");
    const long records = 5L * xnumber * ynumber;
    for (long n = 0; n < records; ++n) {
        int i, j;
        double x, y, bed, surface;
        if (std::fscanf(fp, "%d%d%lf%lf%lf%lf", &i, &j, &x, &y, &bed, &surface) != 6) break;
        if (i < 1 || j < 1 || i > xnumber + 1 || j > ynumber + 1) continue;
        xval[i][j] = x;
        yval[i][j] = y;
        zval[i][j][0] = bed;
        zval[i][j][znumber] = surface;
    }
    std::fclose(fp);
    return true;
}

// Every node column between its target bed level and its surface node, by the G 3 percentages.
void distributeColumnsFromKoosurf() {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const double s = (zval[i][j][znumber] - zval[i][j][0]) * 0.01;
            const double bed = zval[i][j][0];
            for (int k = 1; k <= znumber; ++k) {
                Xc[i][j][k] = xval[i][j];
                Yc[i][j][k] = yval[i][j];
                zval[i][j][k] = zdistrib[k] * s + bed;
            }
        }
}

[[noreturn]] void malformedXcyc(Log& log, FILE* fp) {
    std::fclose(fp);
    log.write("Error, file 'xcyc' is short or malformed\n");
    log.close();
    endRun(-1);
}

// One node block of `xcyc`: i outermost, then j, then k innermost.
template <typename Store>
void readNodeBlock(Log& log, FILE* fp, Store store) {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 1; k <= znumber; ++k) {
                double v;
                if (std::fscanf(fp, "%lf", &v) != 1) malformedXcyc(log, fp);
                store(i, j, k, v);
            }
}

void readXcyc(Log& log, FILE* fp, bool haveKoosurf) {
    // Header: 3 + 2 + 2 + 6 + 4 x 6 + 3 numbers, then 1 + (Y-1)(Z-1) groups of four reals.
    const long header = 3 + 2 + 2 + 6 + 24 + 3 + 4L * (1 + static_cast<long>(ynumber - 1) * (znumber - 1));
    for (long n = 0; n < header; ++n) {
        double skip;
        if (std::fscanf(fp, "%lf", &skip) != 1) malformedXcyc(log, fp);
    }
    log.write("Reading data from xcyc\n");
    readNodeBlock(log, fp, [](int i, int j, int k, double v) {
        Xc[i][j][k] = v;
        if (k == 1) xval[i][j] = v;
    });
    readNodeBlock(log, fp, [](int i, int j, int k, double v) {
        Yc[i][j][k] = v;
        if (k == 1) yval[i][j] = v;
    });
    readNodeBlock(log, fp, [](int i, int j, int k, double v) { zval[i][j][k] = v; });
    std::fclose(fp);
    if (!haveKoosurf)
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) zval[i][j][0] = zval[i][j][1];
}

}  // namespace

void ReadXCYC() {
    Log log;
    const bool haveKoosurf = readKoosurf(log);
    FILE* fp = std::fopen("xcyc", "r");
    if (!fp) {
        log.write("cannot open file 'xcyc' \n");
        setMessage("have not used file 'xcyc' ");
        if (haveKoosurf) distributeColumnsFromKoosurf();
    } else {
        readXcyc(log, fp, haveKoosurf);
    }
    log.close();
    setMessage("have read xcyc/koosurf ");
}
