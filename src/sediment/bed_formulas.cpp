#include "sediment/bed_formulas.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace bedconc {

namespace {

// acos of a normal component that rounding may have pushed past 1.
double angleOf(double nz) { return std::acos(std::clamp(nz, -1.0, 1.0)); }

}  // namespace

double criticalShearConstant(double shields, double s, double d) { return shields * (s - 1.0) * 9810.0 * d; }

double shieldsCurve(double reStar) {
    if (reStar > 500.0) return 0.0624927;
    if (reStar < 0.2) return 0.6;
    const double x = std::log10(reStar);
    return std::pow(10.0, -0.99863612 - 0.92539586 * x + 0.54283631 * x * x - 0.084544063 * x * x * x);
}

double criticalShearCurve(double s, double d, double kBed) {
    const double ustar = std::sqrt(0.3 * kBed);
    return (s - 1.0) * shieldsCurve(ustar * d / 1e-6) * 9810.0 * d;
}

double hidingFactor(const double* beta, const double* size, int n, double d, double exponent) {
    double exposed = 0.0, hidden = 0.0;
    for (int m = 1; m <= n; ++m) {
        exposed += beta[m] * d / (size[m] + d);
        hidden += beta[m] * size[m] / (size[m] + d);
    }
    if (!(hidden > 0.0)) return 1.0;  // no bed fractions: nothing hides
    return std::pow(exposed / hidden, exponent);
}

double flatSlopeFactor(double nz) {
    const double theta = angleOf(nz);
    const double t = std::min(std::tan(theta) * 0.7272727890099256, 0.9);
    return std::cos(theta) * std::sqrt(1.0 - t * t);
}

double slopeFactorForm(int form, const SlopeFlow& f, double tanUp, double tanDown, double minDamp) {
    // alpha: the angle between the flow and the downslope direction.
    const double cosA = (f.u * f.nx + f.v * f.ny) /
                        (std::sqrt((f.nx * f.nx + f.ny * f.ny) * (f.u * f.u + f.v * f.v)) + 1e-20);
    const double w = (cosA + 1.0) / 2.0;
    const double tanPhi = (1.0 - w) * tanUp + w * tanDown;
    const double theta = angleOf(f.nz);
    double beta = theta * std::sqrt(std::max(0.0, 1.0 - cosA * cosA));
    if (form == 3) beta -= 0.1745;
    double sinB = 0.0, cosB = 1.0, tanB = 0.0;
    if (beta >= 0.0) {
        sinB = std::sin(beta);
        cosB = std::cos(beta);
        tanB = std::tan(beta);
    }
    const double p = sinB * cosA * tanPhi;
    const double factor = -p + std::sqrt(std::max(0.01, p * p + cosB * cosB * (1.0 - tanPhi * tanPhi * tanB * tanB)));
    return std::max(factor, minDamp);
}

Direction flowDirection(double u, double v) {
    constexpr double kZero = 1e-6;
    const bool uPos = u > kZero, uNeg = u < -kZero, vPos = v > kZero, vNeg = v < -kZero;
    double alpha = 0.0;
    if (uPos)
        alpha = vNeg ? std::atan(std::fabs(v / u)) : vPos ? 4.7123889 + std::atan(std::fabs(u / v)) : 0.0;
    else if (uNeg)
        alpha = vNeg ? 1.5707963 + std::atan(std::fabs(u / v)) : vPos ? 3.1415926 + std::atan(std::fabs(v / u)) : 3.1415926;
    else
        alpha = vNeg ? 1.5707963 : vPos ? 4.7123889 : 0.0;
    return {std::cos(alpha), std::sin(alpha)};
}

SlopeAngles slopeAngles(const SlopeFlow& f, double midphi, double delta) {
    const double ax = std::atan(f.nx / (f.nz + 1e-20));
    const double ay = std::atan(f.ny / (f.nz + 1e-20));
    const Direction a = flowDirection(f.u, f.v);
    const double bs = ax * a.cos - ay * a.sin;
    const double bt = ax * a.sin + ay * a.cos;
    const double m = midphi * kDegree;
    double phi = 0.0;
    if (-m < bs && bs < m) phi = (delta / midphi) * bs + m;
    if (bs >= m) phi = (midphi + delta) * kDegree;
    if (bs <= -m) phi = (midphi - delta) * kDegree;
    return {bs, std::fabs(bt), phi};
}

namespace {

// The fallback of formulas 3, 4 and 5.
double steepFallback(double eta, double angle) { return eta / (std::fabs(angle) + 1e-7) + 0.1; }

double slopeCross(const SlopeAngles& g, const SlopeParameters&, double g1) {
    const double tanPhi = std::tan(g.phi);
    if (tanPhi == 0.0) return g1;
    const double t = std::tan(g.b) / tanPhi;
    const double r = 1.0 - t * t;
    return r < 0.0 ? g1 : std::cos(g.b) * std::sqrt(r);
}

double slopeLift(const SlopeAngles& g, const SlopeParameters& p, double g1) {
    const double n = p.n, t = std::tan(g.phi);
    const double sb = std::sin(g.b), cb = std::cos(g.b);
    const double r = n * n * t * t * sb * sb + t * t * cb * cb - sb * sb;
    const double div = (1.0 - n * t) * t;
    if (r < 0.0 || div == 0.0) return g1;
    return (std::sqrt(r) - n * t * t * cb) / div;
}

double slopeBoth(const SlopeAngles& g, const SlopeParameters& p, double) {
    const double A = std::atan(1.0 / g.phi);
    const double K = A * 1.3333333333333333 * 0.85 * 0.74;
    const double tb2 = std::tan(g.b) * std::tan(g.b), ts2 = std::tan(g.beta_s) * std::tan(g.beta_s);
    const double W = 1.0 + tb2 + ts2;
    const double B = (2.0 / (1.0 - K)) * (1.0 / std::sqrt(W) + std::sin(g.beta_s) / A);
    const double D = B * B / 4.0 - ((1.0 + K) / (1.0 - K)) * (1.0 / W) * ((ts2 + tb2) / A - 1.0);
    if (1.0 - K == 0.0 || !(D >= 0.0)) return steepFallback(p.eta, g.beta_s);
    return -B / 2.0 + std::sqrt(D);
}

double slopePower(const SlopeAngles& g, const SlopeParameters& p, double) {
    if (g.phi == 0.0) return steepFallback(p.eta, g.beta_s);
    const double along = 1.0 - g.beta_s / g.phi, across = 1.0 - g.b / g.phi;
    if (along < 0.0 || across < 0.0) return steepFallback(p.eta, g.beta_s);
    return 0.954 * std::pow(along, 0.745) * std::pow(across, 0.372);
}

double slopeLiftBoth(const SlopeAngles& g, const SlopeParameters& p, double) {
    const double n = p.n, t = std::tan(g.phi);
    const double ss = std::sin(g.beta_s), cs = std::cos(g.beta_s), sb = std::sin(g.b);
    const double P = cs * cs - sb * sb;
    const double div = (1.0 - n * t) * t;
    if (P < 0.0 || div == 0.0) return steepFallback(p.eta, g.beta_s);
    const double q = std::sqrt(P);
    const double R = (ss + n * t * t * q) * (ss + n * t * t * q) +
                     (1.0 - n * n * t * t) * (t * t * cs * cs - t * t * sb * sb - ss * ss - sb * sb);
    if (R < 0.0) return steepFallback(p.eta, g.beta_s);
    return (std::sqrt(R) - ss - n * t * t * q) / div;
}

struct SlopeRow {
    int code;
    const char* name;
    double (*factor)(const SlopeAngles&, const SlopeParameters&, double g1);
};

constexpr SlopeRow kSlopeRows[] = {
    {1, "transverse slope", slopeCross},
    {2, "transverse slope with lift", slopeLift},
    {3, "streamwise and transverse slope", slopeBoth},
    {4, "power law of both slopes", slopePower},
    {5, "both slopes with lift", slopeLiftBoth},
};

}  // namespace

double slopeFormula(const SlopeFlow& f, const SlopeParameters& p) {
    const SlopeRow* row = nullptr;
    for (const SlopeRow& r : kSlopeRows)
        if (r.code == p.formula) row = &r;
    if (!row) return 1.0;
    const SlopeAngles g = slopeAngles(f, p.midphi, p.delta);
    const double psi = g.phi + 0.17453292222222222;
    const double g1 = (p.eta - g.b / psi) * (1.0 - g.b / psi);
    const double factor = row->factor(g, p, g1);
    return factor >= 0.0 ? factor : 0.01;  // negative (or undefined): 0.01
}

double grainShearFactor(int flagRoughness, double d90, double d50, double ks) {
    switch (flagRoughness) {
    case 4:
    case 5: return std::pow(std::min(3.0 * d90 / (ks + 1e-20), 1.0), 0.25);
    case 6: {
        const double r = std::min(26.0 * std::pow(d50, 0.16667) / (20.0 * std::pow(ks, 0.16667) + 1e-20), 1.0);
        return std::pow(r, 1.5);
    }
    default: return 1.0;
    }
}

double dstarFactor(double s) { return std::pow((s - 1.0) * 9810000000000.0, 0.3333); }

namespace {

double rijnSuspended(const RijnInput& in) {
    return in.coeff * in.d * std::pow(in.T, in.tstar) / (in.a * std::pow(in.Dstar, in.dstar));
}

double rijnBedLoad(const RijnInput& in) {
    const double sg = std::sqrt((in.s - 1.0) * 9.81);
    return in.bCoeff * std::pow(in.d, in.bD50) * std::pow(in.T, in.bTstar) * sg /
           (2.0 * in.a * std::pow(in.Dstar, in.bDstar) * in.U);
}

double rijnBoth(const RijnInput& in) { return rijnSuspended(in) + rijnBedLoad(in); }

double rijnStage(const RijnInput& in) {
    return 0.0053 * std::pow(in.T, 2.2) * std::sqrt(in.d * in.d * in.d * (in.s - 1.0) * 9.81) / (2.0 * in.a * in.U);
}

double rijnExcessShear(const RijnInput& in) {
    return std::pow(in.excess, 1.5) / (2.5 * 9.81 * std::pow((in.s - 1.0) / in.s, 0.666667)) / (1000.0 * in.s) /
           (2.0 * in.a * in.U);
}

constexpr RijnForm kRijnForms[] = {
    {0, "suspended load at the reference level", rijnSuspended},
    {1, "bed load over the bed layer", rijnBedLoad},
    {2, "suspended and bed load", rijnBoth},
    {3, "bed load by the transport stage", rijnStage},
    {5, "bed load by the excess shear", rijnExcessShear},
};

}  // namespace

const RijnForm* rijnForm(int code) {
    for (const RijnForm& f : kRijnForms)
        if (f.code == code) return &f;
    return nullptr;
}

Rouse rouseFactor(double D, double ks, double halfBed, double w, double kBed) {
    const double a = std::max(ks, 0.01 * D);
    Rouse r{halfBed - a, 0.0, 0.0, 1.0};
    if (r.z > 1e-5) {
        r.Z = 2.5 * w / std::sqrt(0.3 * kBed + 1e-20);
        r.r = std::pow(((D - r.z) / r.z) * a / (D - a), r.Z);
        r.factor = r.r >= 1.0 ? 1.0 : r.r > 0.0001 ? r.r : 0.0001;
    }
    return r;
}

namespace {

// Size where the cumulative fraction, counted from the finest class at the
// class centres, passes P: the class n where the walk stops and S_n there.
struct Walk {
    int n;
    double S;
};
Walk walkTo(const double* beta, int n, double P) {
    double below = 0.0;  // the fractions finer than class m
    for (int m = n; m >= 1; --m) {
        const double S = below + beta[m] / 2.0;
        if (S > P || m == 1) return {m, S};
        below += beta[m];
    }
    return {1, 0.0};
}

}  // namespace

GrainSizes columnGrainSizes(const double* beta, const double* size, int n) {
    GrainSizes g{0.0, size[1], size[1]};
    for (int m = 1; m <= n; ++m) g.dm += size[m] * beta[m];
    if (n == 1) return g;

    const Walk w90 = walkTo(beta, n, 0.9);
    if (w90.n == 1 && w90.S <= 0.9)
        g.d90 = size[1];
    else if (w90.n == n)
        g.d90 = size[n];
    else {
        const double w = 2.0 * (w90.S - 0.9) / (beta[w90.n] + beta[w90.n + 1]);
        g.d90 = (1.0 - w) * size[w90.n] + w * size[w90.n + 1];
    }

    const Walk w50 = walkTo(beta, n, 0.5);
    if (w50.n == n)
        g.d50 = size[n];
    else {
        const double w = 2.0 * (w50.S - 0.5) / (beta[w50.n] + beta[w50.n + 1] + 1e-15);
        g.d50 = (1.0 - w) * size[w50.n] + w * size[w50.n + 1];
    }
    return g;
}

double bedFormHeight(double D, double dm, double Tmean, double L) {
    if (!(D > 0.0) || Tmean > 25.0) return 0.0;
    const double delta = 0.11 * D * std::pow(dm / D, 0.3) * (1.0 - std::exp(-0.5 * Tmean)) * (25.0 - Tmean);
    return std::min({delta, 0.5 * L, 3.0 * D});
}

double bedFormRoughness(double d90, double delta, double D) {
    if (!(delta > 0.0)) return 3.0 * d90;
    return 3.0 * d90 + 1.1 * delta * (1.0 - std::exp(-25.0 * delta / (7.3 * D)));
}

}  // namespace bedconc
