// The grid follows the bed: re-stretching of node columns to a new bed level,
// replay of an earlier run's bed-change log, and the lowering of the bed by
// the current cell bed changes.
#include <cmath>
#include <cstdio>
#include <vector>

#include "control/state.h"
#include "control/record_scan.h"
#include "flow3d/state.h"
#include "grid/state.h"
#include "sediment/state.h"
#include "grid/geometry.h"
#include "grid/grid.h"

// Re-stretches node column (i, j) below level kTop: the bed node goes to the
// target zval[i][j][0] (keeping at least TSCMinDepth below the top), the
// nodes between keep their relative positions, kTop and above stay.
void stretchColumnToTarget(int i, int j, int kTop) {
    const double zTop = zval[i][j][kTop];
    const double oldDepth = zTop - zval[i][j][1];
    double newDepth = zTop - zval[i][j][0];
    if (newDepth <= TSCMinDepth) newDepth = TSCMinDepth;
    if (std::fabs(oldDepth) < 1e-12) {
        // A column without depth has no proportions to keep: spread its nodes evenly.
        for (int k = 1; k < kTop; ++k) zval[i][j][k] = zTop - newDepth * (kTop - k) / (kTop - 1);
        return;
    }
    const double r = newDepth / oldDepth;
    for (int k = 1; k < kTop; ++k) zval[i][j][k] = zTop - (zTop - zval[i][j][k]) * r;
}

namespace {

// Lowest level k of 2..znumber-1 at which one of the four cells around node
// column (i, j) is open and the cell above it blocked (the underside of a
// blocked box); znumber when there is none.
int topBelowBlockedBox(int i, int j) {
    if (OutBlockNo < 1) return znumber;
    if (znumber < 3) return 2;
    const int cells[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
    for (int k = 2; k <= znumber - 1; ++k)
        for (const auto& c : cells)
            if (OBlok[c[0]][c[1]][k] == 1 && OBlok[c[0]][c[1]][k + 1] == 0) return k;
    return znumber;
}

// Change of every node column from the changes of the cells around it:
// delta[(i * (Y + 2)) + j] for nodes i 1..X, j 1..Y, and the further changes
// of the nodes along block joints in `joint` (same layout).
struct NodeChanges {
    int Y;
    std::vector<double> delta, joint;
    double& at(std::vector<double>& v, int i, int j) { return v[static_cast<std::size_t>(i) * (Y + 2) + j]; }
};

NodeChanges nodeChanges() {
    const int X = xnumber, Y = ynumber;
    NodeChanges n{Y, std::vector<double>(static_cast<std::size_t>(X + 2) * (Y + 2)),
                  std::vector<double>(static_cast<std::size_t>(X + 2) * (Y + 2))};
    auto c = [](int i, int j) { return bedlevchange[0][i][j]; };
    // Inner nodes: the four cells around them, weighted by 1/sqrt(plan area).
    // The size of the area counts: a joint row that only metric has computed
    // (the bed log replayed at start-up) spans two blocks and may be twisted,
    // and a cell without plan area has no weight; four such cells give the
    // plain mean.
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const int cells[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            double sum = 0.0, weights = 0.0, plain = 0.0;
            for (const auto& cell : cells) {
                const double area = std::fabs(m_armap[cell[0]][cell[1]]);
                const double w = area > 1e-20 ? 1.0 / std::sqrt(area) : 0.0;
                sum += c(cell[0], cell[1]) * w;
                weights += w;
                plain += c(cell[0], cell[1]);
            }
            n.at(n.delta, i, j) = weights > 0.0 ? sum / weights : plain / 4;
        }
    // Side nodes: the two cells next to them; corners: their one cell.
    if (X > 2)
        for (int i = 2; i <= X - 1; ++i) {
            n.at(n.delta, i, 1) = (c(i, 2) + c(i + 1, 2)) / 2;
            n.at(n.delta, i, Y) = (c(i, Y) + c(i + 1, Y)) / 2;
        }
    if (Y > 2)
        for (int j = 2; j <= Y - 1; ++j) {
            n.at(n.delta, 1, j) = (c(2, j) + c(2, j + 1)) / 2;
            n.at(n.delta, X, j) = (c(X, j) + c(X, j + 1)) / 2;
        }
    n.at(n.delta, 1, 1) = c(2, 2);
    n.at(n.delta, X, 1) = c(X, 2);
    n.at(n.delta, X, Y) = c(X, Y);
    n.at(n.delta, 1, Y) = c(2, Y);

    // Block joints: a host column's wall node moves with its two host cells and
    // the two joint cells against it; a node of the last line before a joint
    // with its own cells only.
    if (MBNo > 0) {
        for (int i = 2; i <= X - 1; ++i) {
            const int a1 = Pj1MultiBlock[i][0], ja1 = Pj1MultiBlock[i][1];
            if (a1 != 0 && ja1 > 0 && ja1 != Y)
                n.at(n.joint, i, 1) += 0.25 * (c(a1, ja1) + c(a1, ja1 + 1) - c(i, 2) - c(i + 1, 2));
            const int a2 = Pj2MultiBlock[i][0], ja2 = Pj2MultiBlock[i][1];
            if (a2 != 0 && ja2 > 0 && ja2 != 2)
                n.at(n.joint, i, Y) += 0.25 * (c(a2, ja2) + c(a2, ja2 - 1) - c(i, Y) - c(i + 1, Y));
        }
        for (int b = 1; b <= geometry::attachedBlocks(); ++b) {
            const int s = MBSkjot[b];
            if (s < 1 || s + 1 > X) continue;  // outside the grid; MultiBlockInit refuses such joins
            if (Y >= 3)
                for (int j = 2; j <= Y - 1; ++j)
                    n.at(n.joint, s, j) += 0.25 * (c(s, j) + c(s, j + 1) - c(s + 1, j) - c(s + 1, j + 1));
            n.at(n.joint, s, 1) += 0.5 * (c(s, 2) - c(s + 1, 2));
            n.at(n.joint, s, Y) += 0.5 * (c(s, Y) - c(s + 1, Y));
        }
    }
    return n;
}

void stretchAllColumns() {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) stretchColumnToTarget(i, j, znumber);
}

// Applies one block of the bed-change log: each node's target moves by its
// change unless that puts the bed below its lowest erodible level; the joint
// changes apply without that limit.
void applyLogBlock() {
    NodeChanges n = nodeChanges();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const double d = n.at(n.delta, i, j);
            if (Surfaces[3][i][j] <= zval[i][j][1] + d) zval[i][j][0] += d;
            zval[i][j][0] += n.at(n.joint, i, j);
        }
    defaultMinDepth();
    stretchAllColumns();
}

}  // namespace

// The least water depth kept above the bed, when no data set has set it: 3
// percent of the mean cell length along the middle grid line.
void defaultMinDepth() {
    if (TSCMinDepth >= 0) return;
    double sum = 0.0;
    for (int i = 2; i <= xnumber; ++i) sum += m_dist_x[i][ynumber / 2 + 1][znumber];
    TSCMinDepth = 0.03 * sum / xnumber;
}

void UpdateGridVerticalBed(int i, int j) { stretchColumnToTarget(i, j, topBelowBlockedBox(i, j)); }

void bed_logg() {
    Log log;
    FILE* fp = std::fopen("loggfil.pre", "r");
    if (!fp) {
        setMessage("have not used 'loggfil.pre' ");
        log.write("\nNo loggfile observed\n\n");
        return;
    }
    // Blocks "T <time> ..." of records "a i j change fraction...". Every
    // record is applied once, with the block that holds it; the whole file is
    // read, up to its end or a byte 0xFF.
    bool inBlock = false;
    for (;;) {
        const int c = std::fgetc(fp);
        const bool end = endOfScan(c);
        if ((end || c == 'T') && inBlock) applyLogBlock();
        if (end) break;
        if (c == 'T') {
            inBlock = true;
            if (std::fscanf(fp, " %lf\n\n", &stime) != 1) {
                // a time that does not convert leaves the previous one
            }
            log.printf("\nLoggfile, time = %lf \n\n", stime);
            for (int i = 2; i <= xnumber; ++i)
                for (int j = 2; j <= ynumber; ++j) bedlevchange[0][i][j] = 0.0;
        } else if (c == 'a' && inBlock) {
            int i = 0, j = 0;
            if (std::fscanf(fp, "%d %d", &i, &j) != 2) continue;
            if (i < 2 || i > xnumber || j < 2 || j > ynumber) {
                log.printf(" Error in loggfil.pre: cell i=%d j=%d is outside the grid\n", i, j);
                std::fclose(fp);
                log.close();
                endRun(-1);
            }
            if (std::fscanf(fp, "%lf", &bedlevchange[0][i][j]) != 1) continue;
            for (int l = 1; l <= lnumber; ++l)
                if (std::fscanf(fp, "%lf ", &bedgrain[l][i][j]) != 1) break;
        }
    }
    std::fclose(fp);
}

void nbedchange() {
    NodeChanges n = nodeChanges();
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const double d = n.at(n.delta, i, j);
            zval[i][j][0] -= d;
            Surfaces[1][i][j] -= d;
            zval[i][j][0] -= n.at(n.joint, i, j);
        }
    defaultMinDepth();
    stretchAllColumns();
    metric();
    smetric();
}
