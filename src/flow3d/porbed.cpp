// The `porosity` file from scattered bed points: per cell column, the heights
// of the points of `geodata` near the column centre above the plane of the
// column's bed nodes become a porous zone whose porosities follow the share
// of the points below each level.
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "control/state.h"
#include "grid/state.h"
#include "control/record_scan.h"
#include "flow3d/porous.h"
#include "grid/geometry.h"

namespace {

// The scattered points, counted from 1 (slot 0 unused), as three arrays of
// NoGeo + 2 values.
struct Points {
    std::vector<double> x, y, z;
    int count = 0;
};

geometry::Vec3 minus(geometry::Vec3 a, geometry::Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// Closes the files that are open at a return.
struct Files {
    FILE* log = nullptr;
    FILE* geo = nullptr;
    FILE* out = nullptr;
    ~Files() {
        for (FILE* fp : {geo, out, log})
            if (fp) std::fclose(fp);
    }
};

// The number of point records ('E') before the first 'N'.
int countPoints(FILE* fp) {
    int count = 0;
    for (long n = 0; n < 500000000L; ++n) {
        const int c = std::fgetc(fp);
        if (c == EOF || c == 'N') break;
        if (c == 'E') ++count;
    }
    return count;
}

// Reads at most NoGeo points into the arrays.
void readPoints(FILE* fp, int NoGeo, Points& g, FILE* log) {
    const long limit = 50L * NoGeo;
    for (long n = 0; n < limit && g.count < NoGeo; ++n) {
        const int c = std::fgetc(fp);
        if (c == EOF || c == 'N') break;
        if (c != 'E') continue;
        const int p = g.count + 1;
        if (readDoubles(fp, {&g.x[p], &g.y[p], &g.z[p]}) != 3) break;
        if (std::fabs(g.x[p]) > 1000000.0) std::fprintf(log, "xg = %le\n", g.x[p]);
        g.count = p;
    }
}

// Zeroed arrays of NoGeo + 2 values; false (with the log line of the array
// that failed) when memory runs out.
bool allocate(Points& g, int NoGeo, FILE* log) {
    const std::size_t n = static_cast<std::size_t>(NoGeo) + 2;
    std::vector<double>* arrays[] = {&g.x, &g.y, &g.z};
    for (long a = 0; a < 3; ++a) {
        try {
            arrays[a]->assign(n, 0.0);
        } catch (const std::bad_alloc&) {
            std::fprintf(log, "Allocated %ld byte when out of memory\n", 8L * a * static_cast<long>(n));
            return false;
        }
    }
    return true;
}

// The zone record of column (i, j); false when its bed nodes span no plane.
bool writeColumn(int i, int j, const Points& g, FILE* out, FILE* log) {
    using geometry::Vec3;
    const Vec3 a = minus(geometry::node({i, j - 1}, 1), geometry::node({i - 1, j}, 1));
    const Vec3 b = minus(geometry::node({i, j}, 1), geometry::node({i - 1, j - 1}, 1));
    Vec3 n = geometry::cross(a, b);
    const double len = geometry::length(n);
    if (len <= 1e-20) {
        std::fprintf(log, "Error for i,j=%d %d\n", i, j);
        std::fprintf(log, "Error for i,j=%d %d\n", i, j);
        return false;
    }
    n = {n.x / len, n.y / len, n.z / len};
    const double r = 0.25 * std::sqrt(a.x * a.x + b.x * b.x + a.y * a.y + b.y * b.y);
    const double xm = 0.25 * (xval[i][j] + xval[i - 1][j] + xval[i][j - 1] + xval[i - 1][j - 1]);
    const double ym = 0.25 * (yval[i][j] + yval[i - 1][j] + yval[i][j - 1] + yval[i - 1][j - 1]);
    const double zm = 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
    const double c = n.x * xm + n.y * ym + n.z * zm;
    auto distance = [&](int p) { return std::hypot(g.x[p] - xm, g.y[p] - ym); };
    auto height = [&](int p) { return g.z[p] - (c - g.x[p] * n.x - g.y[p] * n.y) / (n.z + 1e-10); };

    double dzmax = 0.0;
    for (int p = 1; p <= g.count; ++p) {
        const double dist = distance(p);
        if (!(dist < r)) continue;
        const double dz = height(p);
        dzmax = std::fmax(dzmax, dz);
        if (std::fabs(dz) > 8.0) {
            std::fprintf(log, "i,j,delz = %d %d %lf\n", i, j, dz);
            std::fprintf(log, "ii,xg,yg,zg = %ld %le %le %le\n", static_cast<long>(p), g.x[p], g.y[p], g.z[p]);
            std::fprintf(log, "dist,radius,konst = %lf %lf %lf\n", dist, r, c);
            std::fprintf(log, "xm,ym,zm = %lf %lf %lf\n", xm, ym, zm);
            std::fprintf(log, "dx,dy,dz = %lf %lf %lf\n", n.x, n.y, n.z);
        }
    }
    double N = 0.0, N1 = 0.0, N2 = 0.0;
    for (int p = 1; p <= g.count; ++p) {
        if (!(distance(p) < r)) continue;
        const double dz = height(p);
        N += 1.0;
        if (dz <= 0.33 * dzmax) N1 += 1.0;
        if (dz <= 0.67 * dzmax) N2 += 1.0;
    }
    std::fprintf(out, "P %d %d %lf %lf %lf %lf %lf %lf %lf %lf\n", i, j, zm, zm + 0.33 * dzmax, zm + 0.67 * dzmax,
                 zm + dzmax, 0.0, 1.0 - PorosMult1 * (1.0 - N1 / (N + 0.5)), 1.0 - PorosMult2 * (1.0 - N2 / (N + 0.5)),
                 1.0);
    return true;
}

}  // namespace

int porbed() {
    Files f;
    f.log = std::fopen("boogie.por", "w");
    if (!f.log) return -1;
    f.geo = std::fopen("geodata", "r");
    if (!f.geo) {
        std::fputs("Could not open file geodata\n", f.log);
        return -1;
    }
    f.out = std::fopen("porosity", "w");
    if (!f.out) {
        std::fputs("Could not open file porosity\n", f.log);
        return -1;
    }
    NoGeo = countPoints(f.geo);
    std::fclose(f.geo);
    f.geo = nullptr;
    std::fprintf(f.log, "NoGeo: %d\n", NoGeo);

    Points g;
    if (!allocate(g, NoGeo, f.log)) return -1;
    f.geo = std::fopen("geodata", "r");
    if (!f.geo) {
        std::fputs("Could not open file geodata\n", f.log);
        return -1;
    }
    readPoints(f.geo, NoGeo, g, f.log);
    std::fclose(f.geo);
    f.geo = nullptr;
    NoGeo = g.count;
    std::fprintf(f.log, "NoGeo: %d\n", NoGeo);

    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            if (!writeColumn(i, j, g, f.out, f.log)) return -1;
    return 0;
}
