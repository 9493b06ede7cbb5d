// Grid input: koordina, koomin, vertical distribution and levels.
//
// The last stage of the reader of `control`. `koordina` gives the plan
// position and the bed (and, for a closed conduit, the roof) of every node
// column; the levels in between are spread by the G 3 percentages, or by a
// G 16 box. Options D and J of F 7 halve the node spacing in i or j, so the
// file then holds every second node line. The bed and the lowest erodible
// level (F 41, F 42 or `koomin`) go into the plan layers of `Surfaces`.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <vector>

#include "control/cfile.h"
#include "control/state.h"
#include "control/grid_sizes.h"
#include "control/readers.h"
#include "grid/state.h"


namespace {

// One value per node column (i, j), i 0..xnumber+1, j 0..ynumber+1.
template <typename T>
class NodePlane {
public:
    NodePlane() : stride_(ynumber + 2), v_(static_cast<std::size_t>(xnumber + 2) * stride_, T{}) {}
    T& operator()(int i, int j) { return v_[static_cast<std::size_t>(i) * stride_ + j]; }

private:
    std::size_t stride_;
    std::vector<T> v_;
};

// Records of `koordina` and `koomin` outside the node lines 1..n+1 are skipped.
bool recordInGrid(int i, int j) { return i >= 1 && j >= 1 && atMost(i, xnumber, 1) && atMost(j, ynumber, 1); }

// A grid file is read record by record up to this many records.
bool withinRecordLimit(long counter) { return counter <= 5.0 * xnumber * ynumber; }

// Halving the node spacing along i (or j): the file holds m = (n+1)/2 node
// lines, which become the odd lines 1, 3, .., 2m-1; the even lines between
// them take the mean of their two neighbours. `set(t, a, b)` makes node t the
// mean of nodes a and b (a copy when a == b). Working from the highest line
// down lets the refinement run in place. A node made from the file holds a
// value (`given`) when every node it was made from held one.
struct Node {
    int i, j;
    bool operator==(const Node&) const = default;
};

template <typename Set>
void refine(bool alongI, NodePlane<char>& given, Set set) {
    const int n = alongI ? xnumber : ynumber;
    const int across = alongI ? ynumber + 1 : xnumber + 1;
    auto node = [alongI](int along, int other) { return alongI ? Node{along, other} : Node{other, along}; };
    auto make = [&](Node t, Node a, Node b) {
        set(t, a, b);
        given(t.i, t.j) = given(a.i, a.j) && given(b.i, b.j);
    };
    for (int s = (n + 1) / 2; s >= 2; --s)
        for (int t = 1; t <= across; ++t) {
            make(node(2 * s - 1, t), node(s, t), node(s, t));
            make(node(2 * s - 2, t), node(s, t), node(s - 1, t));
        }
}

double meanOf(double a, double b, bool copy) { return copy ? a : 0.5 * (a + b); }

// D first, then J.
template <typename Set>
void refineAsChosen(NodePlane<char>& given, Set set) {
    if (gridReadChoices.refineI) refine(true, given, set);
    if (gridReadChoices.refineJ) refine(false, given, set);
}

// Every level of the grid is spread over its column by the G 3 percentages;
// without them all levels would lie on the bed.
void requireVerticalDistribution() {
    if (znumber < 1 || std::fabs(zdistrib[znumber] - 100.0) > 1e-5)
        failf(1, "Input error for G 3 in control - vertical grid distribution missing\n");
}

// The levels of node column (i, j) from its bed and its top, by the
// cumulative percentages of levels 1..znumber.
void spreadColumn(int i, int j, double bed, double top, const double* percent) {
    for (int k = 1; k <= znumber; ++k) zval[i][j][k] = bed + (top - bed) * percent[k] * 0.01;
}

// Reads the node records of `koordina`; returns the number of records stored.
//
// The top of an open-channel column is the water level of W 1, raised to
// 0.01 m above the bed where the bed lies higher. Each record starts again
// from the water level, so a column whose bed lies above it does not raise
// the columns read after it: the levels of a column do not depend on the
// order of the records.
int readKoordina(FILE* fp, NodePlane<char>& given) {
    const bool closedConduit = FlagRoof != 1;
    int stored = 0;
    for (long counter = 1; withinRecordLimit(counter); ++counter) {
        int i, j;
        double x, y, bed, top = level;
        const int fields = closedConduit ? 6 : 5;
        const int read = closedConduit ? std::fscanf(fp, "%d%d%lf%lf%lf%lf\n", &i, &j, &x, &y, &bed, &top)
                                       : std::fscanf(fp, "%d%d%lf%lf%lf\n", &i, &j, &x, &y, &bed);
        if (read != fields) break;
        if (!recordInGrid(i, j)) continue;
        if (!closedConduit && bed > top - 0.01) top = bed + 0.01;
        xval[i][j] = x;
        yval[i][j] = y;
        spreadColumn(i, j, bed, top, zdistrib);
        given(i, j) = 1;
        ++stored;
    }
    return stored;
}

// G 16: boxes of other distributions between the bed and top nodes, in the
// order read, on the node indices of the file. A box was checked against the
// sizes in effect when it was read; it must also fit the grid as it is now.
void applyDistributionBoxes() {
    for (int b = 0; b < DistribNo; ++b) {
        const DistributionRecord& box = Distribution[b];
        if (box.i1 < 1 || box.i1 > box.i2 || box.i2 > xnumber || box.j1 < 1 || box.j1 > box.j2 ||
            box.j2 > ynumber || znumber >= static_cast<int>(std::size(box.percent)))
            failf(1, "Input error for G 16 in control");
        for (int i = box.i1; i <= box.i2; ++i)
            for (int j = box.j1; j <= box.j2; ++j) spreadColumn(i, j, zval[i][j][1], zval[i][j][znumber], box.percent);
    }
}

void refineGrid(NodePlane<char>& given) {
    refineAsChosen(given, [](Node t, Node a, Node b) {
        const bool copy = a == b;
        xval[t.i][t.j] = meanOf(xval[a.i][a.j], xval[b.i][b.j], copy);
        yval[t.i][t.j] = meanOf(yval[a.i][a.j], yval[b.i][b.j], copy);
        for (int k = 1; k <= znumber; ++k) zval[t.i][t.j][k] = meanOf(zval[a.i][a.j][k], zval[b.i][b.j][k], copy);
    });
}

[[noreturn]] void tooFewNodes(int stored, const char* more = "") {
    failf(-1, "Error in reading koordina file\nHave only read %d coordinates in koordina file\nNecessary coordinates: %d\n%s",
          stored, xnumber * ynumber, more);
}

// Every node 1..xnumber, 1..ynumber must come from a record of the file or
// from the refinement; coordinates left at zero would pass on silently.
void checkNodes(int stored, NodePlane<char>& given) {
    const bool refined = gridReadChoices.refineI || gridReadChoices.refineJ;
    if (!refined && stored < xnumber * ynumber) tooFewNodes(stored);
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            if (!given(i, j)) {
                char line[100];
                std::snprintf(line, sizeof line, "Missing node i = %d, j = %d in koordina file\n", i, j);
                tooFewNodes(stored, line);
            }
}

void readGrid() {
    File fp(std::fopen("koordina", "r"));
    if (!fp) {
        setMessage("cannot open file 'koordina' ");
        failf(-4, "Error, cannot open file 'koordina'\n");
    }
    NodePlane<char> given;
    const int stored = readKoordina(fp.get(), given);
    applyDistributionBoxes();
    refineGrid(given);
    checkNodes(stored, given);
}

// The bed in Surfaces[0], the rim taking the bed of the nearest node, and the
// bed as the target level zval[..][..][0] of later bed moves.
void setBedLayer() {
    for (int s = 0; s <= 3; ++s)
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j) Surfaces[s][i][j] = 0.0;
    for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) {
            zval[i][j][0] = zval[i][j][1];
            Surfaces[0][i][j] = zval[std::clamp(i, 1, xnumber)][std::clamp(j, 1, ynumber)][1];
        }
}

// The lowest erodible level from the last of F 41 (a depth below the bed)
// and F 42 (one level everywhere); without either there is no limit.
void setLowestErodibleLevel() {
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j) {
            const double bed = zval[i][j][1];
            switch (gridReadChoices.lowestFrom) {
            case 41: Surfaces[3][i][j] = bed - gridReadChoices.lowestValue; break;
            case 42: Surfaces[3][i][j] = gridReadChoices.lowestValue; break;
            default: Surfaces[3][i][j] = bed - 10000.0; break;
            }
        }
}

// `koomin` (optional): the lowest erodible level of single node columns, on
// the node indices of the file grid. With D or J its levels are refined like
// the grid; a node that no `koomin` record reaches keeps its level from F 41
// or F 42 rather than taking that of another column.
void readKoomin() {
    File fp(std::fopen("koomin", "r"));
    if (!fp) return;
    NodePlane<double> lowest;
    NodePlane<char> given;
    long records = 0;
    for (long counter = 1; withinRecordLimit(counter); ++counter) {
        int i, j;
        double x, y, z;
        if (std::fscanf(fp.get(), "%d%d%lf%lf%lf\n", &i, &j, &x, &y, &z) != 5) break;
        ++records;
        if (!recordInGrid(i, j)) continue;
        lowest(i, j) = z;
        given(i, j) = 1;
    }
    if (records <= 2)
        failf(-1,
              "Error in reading koomin file: only %ld points are read\n"
              "The most common cause of this error is that more than 2 integers and 3 floats\n"
              "on each line are used in the koomin file\n\n",
              records);
    fp.reset();
    refineAsChosen(given, [&](Node t, Node a, Node b) { lowest(t.i, t.j) = meanOf(lowest(a.i, a.j), lowest(b.i, b.j), a == b); });
    for (int i = 1; i <= xnumber + 1; ++i)
        for (int j = 1; j <= ynumber + 1; ++j)
            if (given(i, j)) Surfaces[3][i][j] = lowest(i, j);
}

// Option X of F 7 takes the 3-D nodes from `koosurf` and `xcyc`; the run
// cannot go on without at least one of them.
void readGridFiles() {
    for (const char* name : {"koosurf", "xcyc"})
        if (File(std::fopen(name, "r"))) {
            ReadXCYC();
            return;
        }
    setMessage("cannot open file 'xcyc' ");
    failf(-3, "Error, option X of F 7: cannot open file 'koosurf' nor file 'xcyc'\n");
}

void setPlanCoordinates() {
    if (FlagXCYC == 1) {
        readGridFiles();
        return;
    }
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber; ++j)
            for (int k = 0; k <= znumber; ++k) {
                Xc[i][j][k] = xval[i][j];
                Yc[i][j][k] = yval[i][j];
            }
}

}  // namespace

void readGridInput() {
    requireVerticalDistribution();
    readGrid();
    setBedLayer();
    setLowestErodibleLevel();
    readKoomin();
    setPlanCoordinates();
    setMessage(" Have read data file    ");
}
