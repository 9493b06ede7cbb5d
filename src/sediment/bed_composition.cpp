// The composition of the active bed layer from the sediment exchange at the
// bed cell of each column, by the method of BedFlags[1]. Methods 2 to 5 start
// from the share r = S/(c0 R) at which the bed cell, holding c0 times that
// share, loses to its neighbours what they bring; methods 2, 3 and 5 relax
// the shares towards it in an inner iteration, corrected for the net
// deposition or erosion of the column over all fractions.
#include <algorithm>
#include <cmath>

#include "control/log.h"
#include "control/state.h"
#include "grid/state.h"
#include "sediment/bed_balance.h"
#include "sediment/state.h"
#include "sediment/suspsed.h"

namespace {

// The exchange of one column, per fraction 1..lnumber.
struct Column {
    int i, j, n;
    double S[kFractionTable], R[kFractionTable], D[kFractionTable], c0[kFractionTable];
};

double clamp01(double r) { return std::min(std::max(r, 0.0), 1.0); }

// Shares whose sum is above 1 divided by the sum.
void capSum(int n, int i, int j) {
    double s = 0.0;
    for (int l = 1; l <= n; ++l) s += bedgrain[l][i][j];
    if (s > 1.0)
        for (int l = 1; l <= n; ++l) bedgrain[l][i][j] /= s;
}

// Method 1: the net deposition itself where positive.
void netDeposition(Log&, const Column& col, double) {
    for (int l = 1; l <= col.n; ++l)
        if (col.D[l] > 0.0) bedgrain[l][col.i][col.j] = col.D[l];
    capSum(col.n, col.i, col.j);
}

// Method 4: towards the balance share at once, not normalised.
void balanceShare(Log&, const Column& col, double w) {
    for (int l = 1; l <= col.n; ++l) {
        double& b = bedgrain[l][col.i][col.j];
        if (b < 1e-50) b = 0.0;
        const double r = col.S[l] / (col.c0[l] * col.R[l] + 1e-20);
        b = (1.0 - w) * b + w * clamp01(r);
    }
}

// Method 6: the supply enlarged by the settling flux of the bed cell.
void settlingShare(Log&, const Column& col, double) {
    const int i = col.i, j = col.j;
    for (int l = 1; l <= col.n; ++l)
        bedgrain[l][i][j] = ((m_armap[i][j] * conc[l][i][j][2] * fallvelo[l] + col.S[l]) / (col.R[l] + 1e-20)) /
                            (col.c0[l] + 1e-20);
    capSum(col.n, i, j);
}

// The inner iteration of methods 2, 3 and 5: the ratio of each fraction from
// its stored share b and the mean net deposition m, and whether every pass
// divides the shares by their sum (5) or only a sum above 1 (2, 3; with the
// fill of fraction 1 when it has neither reference concentration nor supply).
struct Relaxed {
    double (*ratio)(double S, double R, double c0, double b, double m);
    bool alwaysNormalise;
};
double ratioDeposition(double S, double R, double c0, double, double m) {
    return S / (c0 * R + std::max(m, 0.0) + 1e-20);
}
double ratioErosion(double S, double R, double c0, double b, double m) {
    return (std::max(-m * b, 0.0) + S) / (c0 * R + 1e-20);
}
double ratioBoth(double S, double R, double c0, double b, double m) {
    return (std::max(-m * b, 0.0) + S) / (c0 * R + std::max(m, 0.0) + 1e-20);
}

void relaxShares(Log& log, const Column& col, double w, const Relaxed& method) {
    const int n = col.n, i = col.i, j = col.j;
    double G[kFractionTable], P[kFractionTable], r[kFractionTable];
    double m = 0.0;
    for (int l = 1; l <= n; ++l) {
        double& b = bedgrain[l][i][j];
        if (b < 1e-50) b = 0.0;
        G[l] = b;
        m += col.D[l];
    }
    m /= n;
    for (int l = 1; l <= n; ++l) r[l] = method.ratio(col.S[l], col.R[l], col.c0[l], bedgrain[l][i][j], m);
    bool converged = false;
    double change = 0.0;
    for (int pass = 0; pass < 1000 && !converged; ++pass) {
        double s = 0.0;
        for (int l = 1; l <= n; ++l) {
            P[l] = G[l];
            double g = 0.5 * P[l] + 0.5 * clamp01(r[l]);
            if (g <= 0.0 || g < 1e-50) g = 0.0;
            G[l] = g;
            s += g;
        }
        if (method.alwaysNormalise) {
            // All shares 0: nothing to normalise, the stored shares stay.
            if (s <= 0.0) return;
            for (int l = 1; l <= n; ++l) G[l] /= s;
        } else if (s > 1.0) {
            for (int l = 1; l <= n; ++l) G[l] /= s;
        } else if (col.c0[1] + col.S[1] < 1e-20) {
            G[1] = 1.0 - (s - G[1]);
        }
        change = 0.0;
        for (int l = 1; l <= n; ++l) change += G[l] - P[l];
        converged = change / n < 1e-4;
    }
    if (!converged) log.printf("Non-convergence for bed composition, %d %d %e\n", i, j, change);
    for (int l = 1; l <= n; ++l) bedgrain[l][i][j] = (1.0 - w) * bedgrain[l][i][j] + w * G[l];
}

constexpr Relaxed kDeposition{ratioDeposition, false}, kErosion{ratioErosion, false}, kBoth{ratioBoth, true};
void method2(Log& log, const Column& col, double w) { relaxShares(log, col, w, kDeposition); }
void method3(Log& log, const Column& col, double w) { relaxShares(log, col, w, kErosion); }
void method5(Log& log, const Column& col, double w) { relaxShares(log, col, w, kBoth); }

// The methods by BedFlags[1]; 1 and 4 act in every outer iteration, the
// others only once the mean balance defect is below 0.2.
struct Method {
    void (*column)(Log& log, const Column& col, double w);
    bool always;
};
constexpr Method kMethods[] = {{nullptr, false}, {netDeposition, true}, {method2, false}, {method3, false},
                               {balanceShare, true}, {method5, false}, {settlingShare, false}};

}  // namespace

void quasi::bedComposition(Log& log, double weight, double residual) {
    const int flag = BedFlags[1];
    if (lnumber < 2 || flag < 1 || flag > 6) return;
    const Method& method = kMethods[flag];
    if (!method.always && !(residual < 0.2 * lnumber)) return;
    Column col;
    col.n = lnumber;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            col.i = i;
            col.j = j;
            for (int l = 1; l <= lnumber; ++l) {
                const bedcell::Balance b = bedcell::of(l, i, j);
                col.S[l] = b.S;
                col.R[l] = b.R;
                col.D[l] = b.deposition(conc[l][i][j][2]);
                col.c0[l] = conc[l][i][j][0];
            }
            method.column(log, col, weight);
        }
}
