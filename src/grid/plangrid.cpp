// Plan-grid generator: places and smooths the plan positions of the grid
// nodes from a few given nodes. Each routine works on the current nodes and
// moves xval, yval and (all but elliptic) the bed node zval[i][j][1]; the
// cell geometry is not recomputed. Fixed nodes (W 6) and the nodes at block
// joints stay where they are.
#include <algorithm>
#include <cmath>
#include <vector>

#include "control/state.h"
#include "grid/state.h"
#include "grid/grid.h"

namespace {

// The fixed nodes of W 6, as a mask over the node indices 0..xnumber+1,
// 0..ynumber+1.
class FixedNodes {
public:
    FixedNodes() : width_(ynumber + 2), mask_(static_cast<std::size_t>(xnumber + 2) * (ynumber + 2), 0) {
        const int count = std::clamp(FastNo, 0, static_cast<int>(std::size(iFast)) - 1);
        for (int f = 1; f <= count; ++f)
            if (iFast[f] >= 0 && iFast[f] <= xnumber + 1 && jFast[f] >= 0 && jFast[f] <= ynumber + 1)
                mask_[index(iFast[f], jFast[f])] = 1;
    }
    bool operator()(int i, int j) const { return mask_[index(i, j)] != 0; }

private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i) * width_ + j; }
    int width_;
    std::vector<char> mask_;
};

bool jointCell(int i, int j) { return Pi1MultiBlock[i][j][0] != 0; }
bool rightConnection(int m) { return Pj1MultiBlock[m][0] != 0; }  // wall j = 1
bool leftConnection(int m) { return Pj2MultiBlock[m][0] != 0; }   // wall j = ynumber

struct Node {
    int i, j;
};

// The node values that the interpolations move.
void interpolate(Node a, Node b, Node at, double fraction) {
    auto lerp = [fraction](double va, double vb) { return va + fraction * (vb - va); };
    xval[at.i][at.j] = lerp(xval[a.i][a.j], xval[b.i][b.j]);
    yval[at.i][at.j] = lerp(yval[a.i][a.j], yval[b.i][b.j]);
    zval[at.i][at.j][1] = lerp(zval[a.i][a.j][1], zval[b.i][b.j][1]);
}

// One walk along a node line of nodes 1..last: segment by segment, the nodes
// strictly between a start and the next anchor are spread evenly between
// them, except the kept ones.
template <typename NodeAt, typename Anchor, typename Kept, typename NextStart>
void walkSegments(int last, int maxSegments, NodeAt nodeAt, Anchor isAnchor, Kept isKept, NextStart nextStart) {
    int s0 = 1;
    for (int segment = 0; segment < maxSegments; ++segment) {
        int s1 = last;
        for (int n = s0 + 1; n < last; ++n)
            if (isAnchor(n)) {
                s1 = n;
                break;
            }
        for (int m = 1; m < s1 - s0; ++m)
            if (!isKept(s0 + m))
                interpolate(nodeAt(s0), nodeAt(s1), nodeAt(s0 + m), static_cast<double>(m) / (s1 - s0));
        if (s1 >= last) break;
        s0 = nextStart(s1);
    }
}

bool keepNone(int) { return false; }
int sameStart(int s1) { return s1; }

// A walk in i along node line j that stops at every block joint: the host
// columns of wall j = 1 are anchors and keep their nodes, the last node line
// of a block is an anchor and the next block starts on its own first line.
void walkAlongIOnWallSide(int j, const FixedNodes& fixed) {
    walkSegments(
        xnumber, xnumber - 1, [j](int n) { return Node{n, j}; },
        [&](int n) { return fixed(n, j) || rightConnection(n) || rightConnection(n + 1) || jointCell(n + 1, 2); },
        rightConnection, [](int s1) { return jointCell(s1 + 1, 2) ? s1 + 1 : s1; });
}

// A walk in j along node line i, anchored at the fixed nodes.
void walkAlongJ(int i, const FixedNodes& fixed) {
    walkSegments(
        ynumber, ynumber - 1, [i](int n) { return Node{i, n}; }, [&](int n) { return fixed(i, n); }, keepNone,
        sameStart);
}

// The node values at (i, j): x, y and the bed node.
struct Values {
    double x, y, z;
};
Values valuesAt(int i, int j) { return {xval[i][j], yval[i][j], zval[i][j][1]}; }
void store(int i, int j, const Values& v) {
    xval[i][j] = v.x;
    yval[i][j] = v.y;
    zval[i][j][1] = v.z;
}

// `sweeps` in-place sweeps over the inner nodes, i ascending and within it
// j ascending, that visit every node that is not fixed.
template <typename Visit>
void sweepFreeInnerNodes(int sweeps, Visit visit) {
    const FixedNodes fixed;
    for (int sweep = 0; sweep < sweeps; ++sweep)
        for (int i = 2; i <= xnumber - 1; ++i)
            for (int j = 2; j <= ynumber - 1; ++j)
                if (!fixed(i, j)) visit(i, j);
}

}  // namespace

void sides() {
    const FixedNodes fixed;
    const int X = xnumber, Y = ynumber;
    if (X > 1) {
        walkAlongIOnWallSide(1, fixed);
        walkSegments(
            X, X - 1, [Y](int n) { return Node{n, Y}; },
            [&](int n) { return fixed(n, Y) || leftConnection(n) || leftConnection(n + 1) || jointCell(n + 1, Y); },
            leftConnection, [Y](int s1) { return jointCell(s1 + 1, Y) ? s1 + 1 : s1; });
    }
    if (Y > 1) {
        walkAlongJ(1, fixed);
        walkAlongJ(X, fixed);
    }
}

void Itransfinite() {
    const FixedNodes fixed;
    for (int i = 2; i <= xnumber - 1; ++i) walkAlongJ(i, fixed);
}

void Jtransfinite() {
    const FixedNodes fixed;
    for (int j = 2; j <= ynumber - 1; ++j) walkAlongIOnWallSide(j, fixed);
}

// The mean of the linear interpolations between opposite boundaries (no
// corner correction). Only boundary nodes are read, so the order of the
// inner nodes does not matter; rows are walked as they lie in memory.
void Mtransfinite() {
    const int X = xnumber, Y = ynumber;
    for (int i = 2; i <= X - 1; ++i)
        for (int j = 2; j <= Y - 1; ++j) {
            const double s = static_cast<double>(i - 1) / (X - 1);
            const double t = static_cast<double>(j - 1) / (Y - 1);
            const Values w = valuesAt(1, j), e = valuesAt(X, j), south = valuesAt(i, 1), north = valuesAt(i, Y);
            auto blend = [&](double vw, double ve, double vs, double vn) {
                return 0.5 * ((1 - s) * vw + s * ve) + 0.5 * ((1 - t) * vs + t * vn);
            };
            store(i, j, {blend(w.x, e.x, south.x, north.x), blend(w.y, e.y, south.y, north.y),
                         blend(w.z, e.z, south.z, north.z)});
        }
}

// Repeated averaging, in place: every inner node that is not fixed moves to
// the mean of its four diagonal neighbours.
void transfinite() {
    sweepFreeInnerNodes(501, [](int i, int j) {
        const Values a = valuesAt(i - 1, j - 1), b = valuesAt(i - 1, j + 1), c = valuesAt(i + 1, j + 1),
                     d = valuesAt(i + 1, j - 1);
        store(i, j, {0.25 * (a.x + b.x + c.x + d.x), 0.25 * (a.y + b.y + c.y + d.y), 0.25 * (a.z + b.z + c.z + d.z)});
    });
}

// Elliptic grid generation: relaxed point iterations of
//   alpha x_ii - 2 beta x_ij + gamma x_jj + D^2 (P x_i + Q x_j) = 0
// (likewise for y), with the control terms P and Q drawn from the W 7
// attraction records. Only the plan positions move.
void elliptic() {
    const int X = xnumber, Y = ynumber;
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) P[i][j] = Q[i][j] = 0.0;

    // One range for x and y together.
    double hi = 0.0, lo = 10000.0;
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            hi = std::max({hi, xval[i][j], yval[i][j]});
            lo = std::min({lo, xval[i][j], yval[i][j]});
        }
    const double d = (hi - lo) / std::sqrt(static_cast<double>(X) * Y);
    const double k = 1.0 / (d * d);

    auto sgn = [](double u) { return u / (std::fabs(u) + 1e-20); };
    const int attractions = std::clamp(AttractNo, 0, static_cast<int>(std::size(Attract)) - 1);
    for (int n = 1; n <= attractions; ++n) {
        const AttractRecord& r = Attract[n];
        const double a = r.strength, b = r.decay;
        for (int i = 1; i <= X; ++i)
            for (int j = 1; j <= Y; ++j) {
                const double di = i - r.i, dj = j - r.j;
                const double distance = std::sqrt(di * di + dj * dj);
                switch (r.type) {
                case 0: P[i][j] -= a * k * std::exp(-b * distance) * sgn(di); break;
                case 1: Q[i][j] -= a * k * std::exp(-b * distance) * sgn(dj); break;
                case 2: P[i][j] -= 0.2 * a * k * std::exp(-b * std::fabs(di)) * sgn(di); break;
                case 3: Q[i][j] -= 0.2 * a * k * std::exp(-b * std::fabs(dj)) * sgn(dj); break;
                default: break;
                }
            }
    }

    sweepFreeInnerNodes(21, [&](int i, int j) {
        // Both node lines that bound a joint row stay.
        if (MBNo != 0 && (jointCell(i, j) || jointCell(i + 1, j))) return;
        const double xI = 0.5 * (xval[i + 1][j] - xval[i - 1][j]);
        const double yI = 0.5 * (yval[i + 1][j] - yval[i - 1][j]);
        const double xJ = 0.5 * (xval[i][j + 1] - xval[i][j - 1]);
        const double yJ = 0.5 * (yval[i][j + 1] - yval[i][j - 1]);
        const double D = xI * yJ - xJ * yI;
        // A degenerate neighbourhood (its cells have no area) has no update.
        if (!(D * D > 0.0)) failf(-2, " Error in elliptic: zero area around node i=%d j=%d\n", i, j);
        const double D2 = D * D;
        const double alpha = (xJ * xJ + yJ * yJ) / D2;
        const double gamma = (xI * xI + yI * yI) / D2;
        const double beta = (xI * xJ + yI * yJ) / D2;
        const double xIJ = 0.25 * (xval[i + 1][j + 1] - xval[i + 1][j - 1] - xval[i - 1][j + 1] + xval[i - 1][j - 1]);
        const double yIJ = 0.25 * (yval[i + 1][j + 1] - yval[i + 1][j - 1] - yval[i - 1][j + 1] + yval[i - 1][j - 1]);
        auto target = [&](const FieldArray<double, 2>& v, double vI, double vJ, double vIJ) {
            const double t = 0.5 *
                             (alpha * (v[i + 1][j] + v[i - 1][j]) + gamma * (v[i][j + 1] + v[i][j - 1]) -
                              2.0 * beta * vIJ + vI * P[i][j] + vJ * Q[i][j]) /
                             (alpha + gamma);
            return std::clamp(t, lo, hi);
        };
        // Both targets come from the values before this node moves.
        const double xStar = target(xval, xI, xJ, xIJ);
        const double yStar = target(yval, yI, yJ, yIJ);
        xval[i][j] = 0.5 * xStar + 0.5 * xval[i][j];
        yval[i][j] = 0.5 * yStar + 0.5 * yval[i][j];
    });
}
