// Sand slides: bed slopes steeper than the sediment can stand are flattened,
// pairwise along the grid lines, by turning cell planes to a critical angle,
// or against the near-bed flow.
#include <algorithm>
#include <cmath>

#include "control/state.h"
#include "flow3d/state.h"
#include "grid/grid.h"
#include "grid/state.h"
#include "output/state.h"
#include "morphology/slides.h"

namespace slides {

namespace {

constexpr double kDegree = 0.017453292222222222;

bool openBed(int i, int j) { return OBlok[i][j][2] == 1; }

// Lowers the higher node of the pair and raises the lower one so that their
// difference becomes AngleAvalanche * L, at equal volume on both sides.
void slidePair(int ia, int ja, int ib, int jb, double L) {
    const double za = zval[ia][ja][0], zb = zval[ib][jb][0];
    const double e = std::fabs(za - zb) - AngleAvalanche * L;
    if (!(e > 0.0)) return;
    const double areaA = nodeOpenArea(ia, ja), areaB = nodeOpenArea(ib, jb);
    if (std::fabs(areaA) <= 1e-10 || std::fabs(areaB) <= 1e-10) return;
    const double sum = areaA + areaB;
    const bool aHigh = za > zb;
    const double dA = aHigh ? -e * areaB / sum : e * areaB / sum;
    const double dB = aHigh ? e * areaA / sum : -e * areaA / sum;
    shiftColumn(ia, ja, dA);
    shiftColumn(ib, jb, dB);
}

// Every node column of the inner node lines re-stretched to its target.
void restretchInner() {
    for (int i = 2; i <= xnumber - 1; ++i)
        for (int j = 2; j <= ynumber - 1; ++j) UpdateGridVerticalBed(i, j);
}

}  // namespace

double nodeOpenArea(int a, int b) {
    double sum = 0.0;
    const int cells[4][2] = {{a, b}, {a + 1, b}, {a, b + 1}, {a + 1, b + 1}};
    for (const auto& c : cells)
        if (openBed(c[0], c[1])) sum += m_armap[c[0]][c[1]];
    return sum;
}

int fixedTop(int i, int j) {
    if (NoLowFixLev > 0 && !LowerFixedLevel.isNull()) return LowerFixedLevel[i][j];
    return znumber;
}

void shiftColumn(int i, int j, double d) {
    zval[i][j][0] += d;
    const int T = fixedTop(i, j);
    if (T <= 1) return;
    const double zTop = zval[i][j][T];
    const double depth = zTop - zval[i][j][1];
    for (int k = 1; k < T; ++k) {
        // A column without depth keeps no proportions: its nodes share the shift by level.
        const double share = std::fabs(depth) < 1e-12 ? double(T - k) / (T - 1) : (zTop - zval[i][j][k]) / depth;
        zval[i][j][k] += d * share;
    }
}

void pairwiseSweep() {
    for (int i = 1; i <= xnumber - 1; ++i)
        for (int j = 1; j <= ynumber; ++j) slidePair(i, j, i + 1, j, LineI[i + 1][j]);
    for (int i = 1; i <= xnumber; ++i)
        for (int j = 1; j <= ynumber - 1; ++j) slidePair(i, j, i, j + 1, LineJ[i][j + 1]);
}

void rotateCell(int i, int j, double c) {
    const double nx = m_vec_z[i][j][1][0], ny = m_vec_z[i][j][1][1], nz = m_vec_z[i][j][1][2];
    const double s = std::sqrt((1.0 - c * c) / (1.0 - nz * nz));
    const int corners[4][2] = {{i, j}, {i - 1, j}, {i - 1, j - 1}, {i, j - 1}};
    double xc = 0.0, yc = 0.0, zc = 0.0;
    for (const auto& n : corners) {
        xc += 0.25 * xval[n[0]][n[1]];
        yc += 0.25 * yval[n[0]][n[1]];
        zc += 0.25 * zval[n[0]][n[1]][1];
    }
    const double D = xc * nx * s + yc * ny * s + zc * c;
    for (const auto& n : corners)
        zval[n[0]][n[1]][0] = (D - xval[n[0]][n[1]] * nx * s - yval[n[0]][n[1]] * ny * s) / c;
}

void planeMethod(int method) {
    const double c1 = std::cos(std::atan(AngleAvalanche));
    const double c2 = std::min(0.6 * c1, 0.857);
    bool rotated = false;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double c = c1;
            if (method == 201) {
                double bed = 0.0, read = 0.0;
                const int corners[4][2] = {{i, j}, {i - 1, j}, {i - 1, j - 1}, {i, j - 1}};
                for (const auto& n : corners) {
                    bed += zval[n[0]][n[1]][1];
                    read += Surfaces[0][n[0]][n[1]];
                }
                c = bed < read ? c1 : c2;
            }
            if (m_vec_z[i][j][1][2] < c) {
                rotateCell(i, j, c);
                rotated = true;
            }
        }
    if (rotated) restretchInner();
}

void sandSlides() {
    const bool ownSlides = FlagSlideDLL == 0 && QZfunc == 0;
    if (ownSlides && IterAvalanche >= 1 && IterAvalanche <= 99)
        for (int n = 0; n < IterAvalanche; ++n) pairwiseSweep();
    if (QZfunc > 0) computeSlide1Vrem();
    if (ownSlides && (IterAvalanche == 200 || IterAvalanche == 201)) planeMethod(IterAvalanche);
}

}  // namespace slides

namespace {

// Direction of the flow (u, v), clockwise from the x axis: cosine and sine.
void flowDirection(double u, double v, double& cosPhi, double& sinPhi) {
    const bool u0 = std::fabs(u) <= 1e-6, v0 = std::fabs(v) <= 1e-6;
    if (u0 && v0) {
        cosPhi = 1.0;
        sinPhi = 0.0;
        return;
    }
    double phi;
    if (!u0 && u > 0 && v0) phi = 0.0;
    else if (!u0 && u > 0 && v < 0) phi = std::atan(std::fabs(v / u));
    else if (u0 && v < 0) phi = 1.5707963;
    else if (u < 0 && !v0 && v < 0) phi = 1.5707963 + std::atan(std::fabs(u / v));
    else if (u < 0 && v0) phi = 3.1415926;
    else if (u < 0 && v > 0) phi = 3.1415926 + std::atan(std::fabs(v / u));
    else if (u0 && v > 0) phi = 4.7123889;
    else phi = 4.7123889 + std::atan(std::fabs(u / v));
    cosPhi = std::cos(phi);
    sinPhi = std::sin(phi);
}

// Critical angle (radians) of a bed with the tilt t along the flow.
double criticalAngle(double t) {
    constexpr double g = 0.017453292222222222;
    const double m = QZmidphi * g;
    if (t <= -m) return (QZmidphi - QZdelta) * g;
    if (t >= m) return (QZmidphi + QZdelta) * g;
    return m + (QZdelta / QZmidphi) * t;
}

}  // namespace

void computeSlide1Vrem() {
    constexpr double twoDegrees = 0.034906584444444444;
    for (int sweep = 0; sweep < IterAvalanche; ++sweep) {
        bool rotated = false;
        for (int j = 2; j <= ynumber; ++j)
            for (int i = 2; i <= xnumber; ++i) {
                const double nx = m_vec_z[i][j][1][0], ny = m_vec_z[i][j][1][1], nz = m_vec_z[i][j][1][2];
                const double ax = std::atan(nx / (nz + 1e-20)), ay = std::atan(ny / (nz + 1e-20));
                double cosPhi, sinPhi;
                flowDirection(xvel[i][j][2], yvel[i][j][2], cosPhi, sinPhi);
                const double critical = criticalAngle(cosPhi * ax - sinPhi * ay);
                // The cell turns to 2 degrees below its critical angle, never
                // beyond flat: a gentler cell is not steepened and a flat one
                // never turns.
                const double target = std::max(critical - twoDegrees, 0.0);
                const double tilt = std::acos(std::min(nz, 1.0));
                if (tilt > critical && tilt > target) {
                    slides::rotateCell(i, j, std::cos(target));
                    rotated = true;
                }
            }
        if (!rotated || xnumber == 2) continue;
        for (int i = 2; i <= xnumber - 1; ++i)
            for (int j = 2; j <= ynumber - 1; ++j) {
                const double z1 = zval[i][j][1], zt = zval[i][j][znumber];
                for (int k = 1; k <= znumber; ++k) zval[i][j][k] = z1 + zdistrib[k] * 0.01 * (zt - z1);
            }
    }
}
