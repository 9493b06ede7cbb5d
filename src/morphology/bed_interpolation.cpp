// Bed levels of the grid nodes from scattered surveyed points: the reader of
// `geodata` and the node search of F 129 (nearest point per quadrant,
// quadrant statistics within a radius, and two searches along the grid line
// i), logging its choices in `boogie.bed`. The points stay in memory, so a
// later interpolation reuses them without reading the file again.
//
// `geodata` is read character by character: 'E' starts a point record of
// three numbers x, y, z (each stored as value * ScaleGeodataMult +
// ScaleGeodataAdd), every other character is skipped, and 'Z', the end of
// the file or a byte 0xFF ends the reading, as does a record that does not
// yield three finite numbers. At most 500000000 characters are examined.
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "control/log.h"
#include "control/record_scan.h"
#include "control/state.h"
#include "grid/state.h"
#include "morphology/morphology.h"
#include "morphology/state.h"

namespace {

constexpr long kMaxExamined = 500000000L;
constexpr std::size_t kSpareSlots = 5002;  // zeroed slots beyond the points

// A file that is closed at a return.
struct File {
    FILE* fp;
    explicit File(FILE* f) : fp(f) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { close(); }
    void close() {
        if (fp) std::fclose(fp);
        fp = nullptr;
    }
};

// A character scan of `geodata`.
struct GeoScan {
    FILE* fp;
    long examined = 0;
    int last = ' ';   // the last character read from the file
    int items = -1;   // the numbers that the last record yielded (-1 before any record)
};

// The next point record of the scan, its values scaled into v: true for a
// complete record, false at the end of the reading.
bool nextPoint(GeoScan& s, double v[3]) {
    while (s.examined < kMaxExamined) {
        ++s.examined;
        const int c = std::fgetc(s.fp);
        if (c == EOF) return false;
        s.last = c;
        if (endOfScan(c) || c == 'Z') return false;
        if (c != 'E') continue;
        s.items = readDoubles(s.fp, {&v[0], &v[1], &v[2]});
        for (int m = 0; m < s.items; ++m) {
            v[m] = v[m] * ScaleGeodataMult + ScaleGeodataAdd;
            if (!std::isfinite(v[m])) {
                s.items = m;
                break;
            }
        }
        return s.items == 3;
    }
    return false;
}

// Whether the point arrays hold the NoGeo points (and slot 0).
bool pointsHeld() {
    if (NoGeo < 0) return false;
    const std::size_t n = static_cast<std::size_t>(NoGeo);
    return xg.size() > n && yg.size() > n && zg.size() > n;
}

// ---------------------------------------------------------------------------
// The node search.
// ---------------------------------------------------------------------------
struct Pass {
    FILE* log;
    int points;     // the points searched, 1..points
    bool held;      // whether the point arrays exist
    double radius;  // the radius of the quadrant statistics, kept for the nodes that borrow it
};

struct Node {
    int i, j;
    double x, y;
    double& level;
};

inline double dist(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }
inline double levelOf(int p) { return p == 0 ? 0.0 : zg[p]; }
double nodeDistance(int a, int b, int c, int d) { return dist(xval[a][b] - xval[c][d], yval[a][b] - yval[c][d]); }

// A point within the snap limit sets the node's level exactly; the nearest
// such point wins.
struct Snap {
    double limit = InterLimit;
    bool snapped = false;
    bool take(const Pass& s, const Node& n, int p, double d) {
        if (!(d < limit)) return false;
        limit = d;
        snapped = true;
        n.level = zg[p];
        std::fprintf(s.log, "Using exact value for %d %d: %lf\n", n.i, n.j, zg[p]);
        return true;
    }
};

// Method 0: the nearest point of each quadrant, each point of a diagonal pair
// weighted by the other's distance, the nearer pair weighing more.
void nearestPerQuadrant(Pass& s, const Node& n) {
    int num[5] = {0, 0, 0, 0, 0};
    double d[5] = {0.0, 100000.0, 100000.0, 100000.0, 100000.0};
    Snap snap;
    for (int p = 1; p <= s.points; ++p) {
        const double dx = xg[p] - n.x, dy = yg[p] - n.y, dp = dist(dx, dy);
        snap.take(s, n, p, dp);
        const int q = dx >= 0.0 ? (dy >= 0.0 ? 1 : 4) : (dy >= 0.0 ? 2 : 3);
        if (dp < d[q]) {
            d[q] = dp;
            num[q] = p;
        }
    }
    if (snap.snapped) return;
    std::fprintf(s.log, "First: %6d %6d %6d %6d %6d %6d\n", n.i, n.j, num[1], num[2], num[3], num[4]);
    const bool f1 = num[1] != 0, f2 = num[2] != 0, f3 = num[3] != 0, f4 = num[4] != 0;
    const double z1 = levelOf(num[1]), z2 = levelOf(num[2]), z3 = levelOf(num[3]), z4 = levelOf(num[4]);
    if (f1 && f2 && f3 && f4) {
        const double f24 = d[4] / (d[2] + d[4]), f13 = d[3] / (d[1] + d[3]);
        const double g = (d[1] + d[3]) / (d[1] + d[2] + d[3] + d[4]);
        n.level = g * (f24 * z2 + (1.0 - f24) * z4) + (1.0 - g) * ((1.0 - f13) * z3 + f13 * z1);
    } else if (f1 && f3) {
        const double f = d[3] / (d[1] + d[3]);
        n.level = (1.0 - f) * z3 + f * z1;
    } else if (f2 && f4) {
        const double f = d[4] / (d[2] + d[4]);
        n.level = f * z2 + (1.0 - f) * z4;
    } else {
        n.level = 0.0;
        std::fprintf(s.log, "Warning, null value first loop for i,j=%d %d\n", n.i, n.j);
    }
}

// The radius of the quadrant statistics at node (i, j): from the diagonals
// of the cells around it, from the two diagonals inward on the first and
// last node lines, √2 times the diagonal of the first cell at node (1, 1);
// the other nodes of the first and last rows borrow the radius of the node
// visited before them.
void updateRadius(Pass& s, int i, int j) {
    const bool inner = j > 1 && j < ynumber;
    if (inner && i > 1 && i < xnumber) {
        const double l1 = nodeDistance(i - 1, j - 1, i + 1, j + 1), l2 = nodeDistance(i + 1, j - 1, i - 1, j + 1);
        s.radius = 0.5 * std::sqrt(l1 * l1 + l2 * l2);
    } else if (inner) {
        const int m = i == 1 ? 2 : i - 1;
        const double a = nodeDistance(i, j, m, j + 1), b = nodeDistance(i, j, m, j - 1);
        s.radius = std::sqrt(a * a + b * b);
    } else if (i == 1 && j == 1) {
        s.radius = std::sqrt(2.0) * nodeDistance(1, 1, 2, 2);
    }
}

// Method 1: per strict quadrant the points within the radius, their mean
// level plus their lowest level.
void quadrantStatistics(Pass& s, const Node& n) {
    updateRadius(s, n.i, n.j);
    int count[5] = {0, 0, 0, 0, 0};
    double sum[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
    double low[5] = {0.0, 10000.0, 10000.0, 10000.0, 10000.0};
    for (int p = 1; p <= s.points; ++p) {
        const double dx = xg[p] - n.x, dy = yg[p] - n.y;
        if (!(dist(dx, dy) < s.radius)) continue;
        int q = 0;
        if (dx > 0.0 && dy > 0.0) q = 1;
        if (dx < 0.0 && dy > 0.0) q = 2;
        if (dx < 0.0 && dy < 0.0) q = 3;
        if (dx > 0.0 && dy < 0.0) q = 4;
        if (q == 0) continue;
        ++count[q];
        sum[q] += zg[p];
        if (zg[p] < low[q]) low[q] = zg[p];
    }
    std::fprintf(s.log, "Internal: %6d %6d %6d %6d %6d %6d\n", n.i, n.j, count[1], count[2], count[3], count[4]);
    double M[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
    int with = 0;
    double total = 0.0;
    for (int q = 1; q <= 4; ++q)
        if (count[q] > 0) {
            M[q] = sum[q] / count[q] + low[q];
            ++with;
            total += M[q];
        }
    const bool diag13 = count[1] > 0 && count[3] > 0, diag24 = count[2] > 0 && count[4] > 0;
    if (with == 0) {
        std::fprintf(s.log, "Could not use internal intepolation for i,j=%d %d\n", n.i, n.j);
    } else if (diag13 && diag24) {
        n.level = (M[1] + M[2] + M[3] + M[4]) * 0.125;
    } else if (diag13) {
        n.level = (M[1] + M[3]) * 0.25;
    } else if (diag24) {
        n.level = (M[2] + M[4]) * 0.25;
    } else {
        std::fprintf(s.log, "Warning, using scewed value for i,j= %d %d\n", n.i, n.j);
        n.level = 0.5 * total / with;
    }
}

// Methods 2 and 3: four candidates, on either side of the forward direction
// along the line i (A, B) and of the backward one (C, D), each the best of
// its side by the method's rule.
struct Candidate {
    int p = 0;
    double d = 10000.0;
    double best;  // the best cosine (method 2) or penalty (method 3)
};

// Method 2: a point replaces the candidate when it points better along the
// direction and is not much farther, or is nearer and well aligned.
void byCosine(Candidate& c, int p, double cos, double d) {
    if ((cos > c.best && d < 1.3 * c.d) || (d < c.d && cos > 0.8)) c = {p, d, cos};
}
// z of the pair (a, b): each level weighted by the other's misalignment and distance.
double pairByCosine(const Candidate& a, const Candidate& b) {
    const double wa = (1.0 - a.best) * a.d, wb = (1.0 - b.best) * b.d;
    return (levelOf(b.p) * wa + levelOf(a.p) * wb) / (wa + wb + 1e-20);
}

// Method 3: the lowest penalty (1.05 - cos) d^1.2 of the points aligned
// within cos 0.3.
void byPenalty(Candidate& c, int p, double cos, double d) {
    const double penalty = (1.05 - cos) * std::pow(d, 1.2);
    if (cos > 0.3 && penalty < c.best) c = {p, d, penalty};
}
// z of the pair (a, b): the levels weighted by the inverse penalties.
double pairByPenalty(const Candidate& a, const Candidate& b) {
    const double ia = 1.0 / (a.best + 1e-20), ib = 1.0 / (b.best + 1e-20);
    return (levelOf(b.p) * ib + levelOf(a.p) * ia) / (ia + ib);
}

struct DirectionRule {
    double startBest;
    void (*consider)(Candidate& c, int p, double cos, double d);
    double (*pair)(const Candidate& a, const Candidate& b);
    bool pairsStandIn;  // a pair without any point takes the other pair's level
};
constexpr DirectionRule kByCosine{0.0, byCosine, pairByCosine, false};
constexpr DirectionRule kByPenalty{10000.0, byPenalty, pairByPenalty, true};

struct Direction {
    double x, y, length;
};
Direction direction(double x, double y) { return {x, y, std::sqrt(x * x + y * y + 1e-20)}; }

void directionSearch(Pass& s, const Node& n, const DirectionRule& rule) {
    if (!s.held) return;  // no points to form a level from
    const int i = n.i, j = n.j;
    Direction e{}, b{};
    if (i < xnumber) e = direction(xval[i + 1][j] - n.x, yval[i + 1][j] - n.y);
    if (i > 1) b = direction(xval[i - 1][j] - n.x, yval[i - 1][j] - n.y);
    if (i == 1) b = direction(-e.x, -e.y);
    if (i == xnumber) e = direction(-b.x, -b.y);
    Candidate A{0, 10000.0, rule.startBest}, B = A, C = A, D = A;
    Snap snap;
    for (int p = 1; p <= s.points; ++p) {
        const double ox = xg[p] - n.x, oy = yg[p] - n.y, d = dist(ox, oy);
        if (snap.take(s, n, p, d) || snap.snapped) continue;
        const double w = 1.0 / (d + 1e-20);
        const double sideE = e.x * oy - e.y * ox, cosE = (e.x * ox + e.y * oy) * w / e.length;
        const double sideB = b.x * oy - b.y * ox, cosB = (b.x * ox + b.y * oy) * w / b.length;
        if (sideE > 0.0) rule.consider(A, p, cosE, d);
        if (sideE < 0.0) rule.consider(B, p, cosE, d);
        if (sideB > 0.0) rule.consider(C, p, cosB, d);
        if (sideB < 0.0) rule.consider(D, p, cosB, d);
    }
    if (snap.snapped) return;
    // A missing candidate takes the point of the other side (not its score).
    auto stand = [](Candidate& to, const Candidate& from) {
        if (to.p == 0) {
            to.p = from.p;
            to.d = from.d;
        }
    };
    stand(A, B);
    stand(B, A);
    stand(C, D);
    stand(D, C);
    double ze = rule.pair(A, B), zb = rule.pair(C, D);
    if (rule.pairsStandIn && A.p == 0) ze = zb;
    if (rule.pairsStandIn && C.p == 0) zb = ze;
    n.level = (ze * (C.d + D.d) + zb * (A.d + B.d)) / (A.d + B.d + C.d + D.d + 1e-20);
    std::fprintf(s.log, "Internal: %6d %6d %6d %6d %6d %6d\n", i, j, A.p, B.p, C.p, D.p);
}

void directionByCosine(Pass& s, const Node& n) { directionSearch(s, n, kByCosine); }
void directionByPenalty(Pass& s, const Node& n) { directionSearch(s, n, kByPenalty); }

// The methods of F 129; any other code changes no node.
struct Method {
    int code;
    void (*node)(Pass& s, const Node& n);
};
constexpr Method kMethods[] = {
    {0, nearestPerQuadrant},
    {1, quadrantStatistics},
    {2, directionByCosine},
    {3, directionByPenalty},
};

const Method* methodOf(int code) {
    for (const Method& m : kMethods)
        if (m.code == code) return &m;
    return nullptr;
}

// The node arrays cover nodes 1..xnumber, 1..ynumber (a caller's inconsistency otherwise).
void checkNodes() {
    auto covers = [](const FieldArrayBase& a) {
        return !a.isNull() && a.extent(0) > xnumber && a.extent(1) > ynumber;
    };
    if (xnumber < 2 || ynumber < 2 || !covers(xval) || !covers(yval) || !covers(zval) || zval.extent(2) < 2)
        faultf(-8, "Error - grid nodes missing in BedInterThread\n");
}

}  // namespace

double readGeodata() {
    File log(std::fopen("boogie.bed", "w"));
    if (!log.fp) {
        tBedInter = 0;
        return -1.0;
    }
    File geo(std::fopen("geodata", "r"));
    if (!geo.fp) {
        std::fputs("Could not open file geodata\n", log.fp);
        return -2.0;
    }
    double v[3];
    GeoScan counting{geo.fp};
    int count = 0;
    while (nextPoint(counting, v)) ++count;
    NoGeo = count;
    geo.close();
    std::fprintf(log.fp, "Number of points in geodata file: %d\n", NoGeo);
    if (NoGeo == 0) {
        std::fprintf(log.fp, "\nProbable error in geodata file. Last read charachter: %c\n", counting.last);
        std::fprintf(log.fp, "Last read %d number of floating points.\n", counting.items);
    }

    // The arrays of an earlier reading are given back first. Until the
    // points are read NoGeo is 0, so that no search reads arrays that do not
    // hold them.
    const std::size_t slots = static_cast<std::size_t>(count) + kSpareSlots;
    NoGeo = 0;
    std::vector<double>* arrays[] = {&xg, &yg, &zg};
    for (std::vector<double>* a : arrays) *a = std::vector<double>();
    for (std::size_t a = 0; a < 3; ++a) {
        try {
            arrays[a]->assign(slots, 0.0);
        } catch (const std::bad_alloc&) {
            std::fprintf(log.fp, "Allocated %ld byte when out of memory\n", static_cast<long>(a * slots * 8));
            return -1.0;
        }
    }

    geo.fp = std::fopen("geodata", "r");
    if (!geo.fp) {
        std::fputs("Could not open file geodata\n", log.fp);
        setMessage("could not open file geodata ");
        return 0.0;
    }
    GeoScan reading{geo.fp};
    long stored = 0;
    while (stored < count && nextPoint(reading, v)) {
        ++stored;
        xg[stored] = v[0];
        yg[stored] = v[1];
        zg[stored] = v[2];
        if (std::fabs(xg[stored]) > 1e12) std::fprintf(log.fp, "xg = %le\n", xg[stored]);
    }
    geo.close();
    std::fprintf(log.fp, "Number of points read from geodata file: %ld\n", stored);
    NoGeo = static_cast<int>(stored);
    return 3.0 * static_cast<double>(slots) * 8.0;
}

void BedInterThread() {
    checkNodes();
    if (NoGeo == 0 || !pointsHeld()) readGeodata();
    File log(std::fopen("boogie.bed", "a"));
    if (!log.fp) {
        tBedInter = 0;
        return;
    }
    const bool held = pointsHeld();
    Pass s{log.fp, held ? NoGeo : 0, held, 0.0};
    const Method* method = methodOf(FlagBedInterpol);
    for (int i = 1; i <= xnumber; ++i) {
        char text[100];
        std::snprintf(text, sizeof text, " calculating section %d ", i);
        setMessage(text);
        if (!method) continue;
        for (int j = 1; j <= ynumber; ++j) method->node(s, Node{i, j, xval[i][j], yval[i][j], zval[i][j][1]});
    }
    setMessage("Finished bed interpolation");
    log.close();
    tBedInter = 0;
}
