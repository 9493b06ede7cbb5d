// The quasi-steady suspended-sediment solution: on the frozen flow and the
// coefficients of the sediment initialisation, every size fraction is
// iterated to a steady field. Each outer iteration solves the fractions in
// turn, sets their bed cells by the rules of F 30, accounts for the sediment
// (trap efficiency, residual), renews the bed composition and sums the
// fractions; the call ends when the residual of a report iteration is below
// conv_morph, or after iter_morph outer iterations.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "control/log.h"
#include "control/state.h"
#include "equations/state.h"
#include "grid/state.h"
#include "sediment/bed_balance.h"
#include "sediment/sediment.h"
#include "sediment/state.h"
#include "sediment/suspsed.h"

using quasi::RuleSetup;

namespace {

// Concentrations below 1e-30 (negative ones too) of the interior cells,
// bed cells included, become 0.
void flush(int l) {
    const auto c = conc[l];
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            double* col = &c[i][j][0];
            for (int k = 2; k <= znumber; ++k)
                if (col[k] < 1e-30) col[k] = 0.0;
        }
}

void clearSource() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) source[i][j][k] = 0.0;
}

// The outflow plane copied to the inflow plane.
void cyclicCopy(int l) {
    const auto c = conc[l];
    for (int j = 2; j <= ynumber; ++j)
        for (int k = 2; k <= znumber; ++k) c[1][j][k] = c[xnumber][j][k];
}

// The share of the active layer at which a bed cell of concentration c holds
// its reference concentration c0: at most 1, and no share where c0 vanishes
// (the stored one stays).
void shareFromBedCell(double& share, double c, double c0) {
    if (c0 > 1e-30) share = std::min(c / (c0 + 1e-30), 1.0);
}

// Rule E: the active-layer share from the solved bed cell.
void ruleE(int l) {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) shareFromBedCell(bedgrain[l][i][j], conc[l][i][j][2], conc[l][i][j][0]);
}

// Rule A: the neighbour mean of the bed-cell supply, at least the floor
// c0 times the share. A bed cell without couplings has the mean 0.
void ruleA(int l) {
    const bool blocks = MBNo > 0;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][2] == 0) continue;
            const bedcell::Balance b = bedcell::of(l, i, j);
            const double sum = blocks ? ap[l][i][j][2]
                                      : at[l][i][j][2] + an[i][j][2] + as[i][j][2] + aw[i][j][2] + ae[i][j][2];
            const double mean = sum != 0.0 ? b.S / sum : 0.0;
            conc[l][i][j][2] = std::max(mean, conc[l][i][j][0] * bedgrain[l][i][j]);
        }
}

// Rule B (BedFlags[2]): the bed cell from the cells above it.
struct RuleB {
    double (*value)(double c2, double c3, double c4, const RuleSetup& s);
};
double atLeastAbove(double c2, double c3, double, const RuleSetup&) { return std::max(c2, c3); }
double extrapolated(double c2, double c3, double c4, const RuleSetup& s) {
    return std::max(relax_morph * (s.w3 * c3 + s.w4 * c4) + (1.0 - relax_morph) * c2, c3);
}
constexpr RuleB kRuleB[] = {{nullptr}, {atLeastAbove}, {extrapolated}};

void ruleB(int l, const RuleSetup& s) {
    const int flag = BedFlags[2];
    if (flag < 1 || flag > 2) return;
    const RuleB& rule = kRuleB[flag];
    const auto c = conc[l];
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) c[i][j][2] = rule.value(c[i][j][2], c[i][j][3], c[i][j][4], s);
}

// Rule C (BedFlags[3]): the bed cell from its balance value q = S/R; the
// first row takes the form of the grid, the others the single-block form.
struct RuleC {
    bool gridForm;
    double (*value)(double c, double q, double c0, double& share);
};
double atMostBalance(double c, double q, double, double&) { return std::min(c, q); }
double balanceValue(double, double q, double, double&) { return q; }
double balanceValueAndShare(double, double q, double c0, double& share) {
    shareFromBedCell(share, q, c0);
    return q;
}
double neverLowered(double c, double q, double c0, double& share) {
    const double v = std::max(c, std::min(q, c0));
    share = std::min(v / (c0 + 1e-30), 1.0);
    return v;
}
constexpr RuleC kRuleC[] = {
    {false, nullptr}, {true, atMostBalance}, {false, balanceValue}, {false, balanceValueAndShare}, {false, neverLowered}};

void ruleC(int l) {
    const int flag = BedFlags[3];
    if (flag < 1 || flag > 4) return;
    const RuleC& rule = kRuleC[flag];
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) {
            if (OBlok[i][j][2] == 0) continue;
            const bedcell::Balance b = rule.gridForm ? bedcell::of(l, i, j) : bedcell::single(l, i, j);
            const double q = b.S / (b.R + 1e-30);
            double& c = conc[l][i][j][2];
            c = rule.value(c, q, conc[l][i][j][0], bedgrain[l][i][j]);
        }
}

// Rule D (BedFlags[4] positive): the bed cells capped by the largest
// boundary bed value of the fraction at entry.
void ruleD(int l, const RuleSetup& s) {
    if (BedFlags[4] <= 0) return;
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j) conc[l][i][j][2] = std::min(conc[l][i][j][2], s.boundaryMax[l]);
}

double boundaryMax(int l) {
    const auto c = conc[l];
    double m = 0.0;
    for (int i = 2; i <= xnumber; ++i) m = std::max({m, c[i][1][2], c[i][ynumber + 1][2]});
    for (int j = 2; j <= ynumber; ++j) m = std::max({m, c[1][j][2], c[xnumber + 1][j][2]});
    return m;
}

}  // namespace

RuleSetup quasi::ruleSetup() {
    RuleSetup s;
    if (BedFlags[4] > 0)
        for (int l = 1; l <= lnumber; ++l) s.boundaryMax[l] = boundaryMax(l);
    if (BedFlags[2] == 2) {
        const double h2 = m_dist_z[2][2][2], h3 = m_dist_z[2][2][3], h4 = m_dist_z[2][2][4];
        s.w3 = (h2 + 2.0 * h3 + h4) / (h3 + h4);
        s.w4 = -(h2 + h3) / (h3 + h4);
    }
    return s;
}

void quasi::bedCellRules(int l, const RuleSetup& setup) {
    ruleA(l);
    ruleB(l, setup);
    ruleC(l);
    ruleD(l, setup);
}

void quasi::activeShareRule(int l) {
    if (BedFlags[5] > 0) ruleE(l);
}

namespace {

bool conresExists() {
    FILE* fp = std::fopen("conres", "r");
    if (!fp) return false;
    std::fclose(fp);
    return true;
}

}  // namespace

void sumSedimentFractions() {
    for (int i = 2; i <= xnumber; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) {
                double s = 0.0;
                for (int l = 1; l <= lnumber; ++l) s += conc[l][i][j][k];
                conc[0][i][j][k] = s;
            }
}

void suspsed() {
    if (debugging != 'E') setMessage("In suspended load calculation");
    const bool restart = conresExists();
    const RuleSetup setup = quasi::ruleSetup();
    double residual = 1000.0;
    int cyclic = 0;
    for (int n = 0; n < iter_morph; ++n) {
        const bool restartIteration = n == 0 && restart;
        const double weight = restartIteration ? 1.0 : 0.5;
        const bool last = n == iter_morph - 1;
        const bool report = (n > 0 && std::fabs(std::fmod(n, 100.0)) < 0.001) || last || residual / lnumber < conv_morph;
        for (int l = 1; l <= lnumber; ++l) {
            indexl = l;
            clearSource();
            solveSedimentFraction();
            if (conc.isNull()) return;
            flush(l);
            if (FlagCyclicS > 0 && n > 0 && std::fabs(std::fmod(n, static_cast<double>(FlagCyclicS))) < 0.001)
                cyclicCopy(l);
            if (FlagCyclicS < 0 && last && cyclic < -FlagCyclicS) {
                cyclicCopy(l);
                ++cyclic;
            }
            quasi::activeShareRule(l);
            if (!restartIteration) quasi::bedCellRules(l, setup);
            flush(l);
        }
        Log log;
        const quasi::Iteration it{n, report, last};
        residual = quasi::sedimentBalance(log, it);
        quasi::bedComposition(log, weight, residual);
        sumSedimentFractions();
        if (report) quasi::sectionFluxes(log);
        log.close();
        if (report && residual / lnumber < conv_morph) return;
        char text[100];
        std::snprintf(text, sizeof text, "Iter: %d, resid.: %lf", n, residual / lnumber);
        setMessage(text);
    }
}
