#include "sediment/transport_formulas.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace transport {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

// Ppm by weight of a concentration formula, carried at the depth-mean speed
// over the depth, as a rate in kg/(m s).
double ppmRate(double ppm, const Column& c) { return ppm * 1e-6 * 1000.0 * c.Ubar * c.h; }

Figure engelundHansen(const Column& c) {
    const double Q = 0.05 * 1000.0 * c.s * c.Ubar * c.Ubar * std::sqrt(c.d / ((c.s - 1.0) * 9.81)) *
                     std::pow(c.theta, 1.5);
    return {Q, Q, false};
}

Figure ackersWhite(const Column& c) {
    const double dgr = ackersWhiteDgr(c.s, c.d);
    double n = 0.0, A = 0.17, m = 1.5, C = 0.025;
    if (dgr <= 60.0) {
        const double lg = std::log10(dgr);
        n = 1.0 - 0.56 * lg;
        A = 0.23 / std::sqrt(dgr) + 0.14;
        m = 9.66 / dgr + 1.34;
        C = std::pow(10.0, 2.86 * lg - lg * lg - 3.53);
    }
    const bool outside = dgr < 1.0;
    if (outside) n = 1.0;
    const double fgr = (std::pow(c.ustar, n) / std::sqrt(9.81 * c.d * (c.s - 1.0))) *
                       std::pow(c.Ubar / (5.656854249492381 * std::log10(10.0 * c.h / c.d)), 1.0 - n);
    double Q = 0.0;  // kg of sediment per m3 of water
    if (fgr / A - 1.0 >= 0.0)
        Q = 1000.0 * c.s * c.d * C * std::pow(fgr / A - 1.0, m) * std::pow(c.Ubar / c.ustar, n) / c.h;
    return {Q, Q * c.Ubar * c.h, outside};
}

Figure shenHung(const Column& c) {
    const double Y = std::pow(3.28 * c.Ubar * std::pow(c.S, 0.57) / std::pow(3.28 * c.w, 0.32), 0.0075);
    const double Q = std::pow(10.0, -107404.5 + 324214.7 * Y - 326309.6 * Y * Y + 109503.9 * Y * Y * Y);
    return {Q, ppmRate(Q, c), false};
}

Figure yang(const Column& c) {
    const double reStar = c.ustar * c.d / 1e-6;
    double vcr = 2.5 * c.w;
    if (reStar < 70.0) {
        const double lg = std::log10(reStar) - 0.06;
        if (!(lg > 0.0)) return {0.0, 0.0, false};  // no critical velocity
        vcr = (2.5 / lg + 0.66) * c.w;
    }
    if (!(c.Ubar > vcr)) return {0.0, 0.0, false};  // below the critical velocity
    const double X1 = std::log10(c.w * c.d / 1e-6), X2 = std::log10(c.ustar / c.w);
    const double X3 = std::log10((c.Ubar - vcr) * c.S / c.w);
    const double Q = std::pow(10.0, 5.435 - 0.285 * X1 - 0.457 * X2 + (1.799 - 0.409 * X1 - 0.314 * X2) * X3);
    return {Q, ppmRate(Q, c), false};
}

Figure meyerPeterMueller(const Column& c) {
    const double Q = 0.02578 * (c.s / (c.s - 1.0)) * std::pow(c.tb - c.tc, 1.5);
    return {Q, Q, false};
}

Figure einsteinBrown(const Column& c) {
    const double G = 9.81 * (c.s - 1.0) * c.d * c.d * c.d;
    const double F1 = std::sqrt(0.66667 + 3.6e-11 / G) - std::sqrt(3.6e-11 / G);
    const double Q = 40.0 * c.theta * c.theta * c.theta * 1000.0 * c.s * F1 * std::sqrt(G);
    return {Q, Q, false};
}

constexpr Formula kFormulas[] = {
    {'E', "Engelund-Hansen", false, false, 2.65, nullptr, engelundHansen},
    {'A', "Ackers and White", true, false, kNever, "Ackers/White formula not valid for this situation\n", ackersWhite},
    {'S', "Shen and Hung", true, false, kNever, nullptr, shenHung},
    {'Y', "Yang", true, false, kNever, nullptr, yang},
    {'M', "Meyer-Peter-Mueller", true, false, kNever, nullptr, meyerPeterMueller},
    {'I', "Einstein-Brown", true, true, kNever, nullptr, einsteinBrown},
};

}  // namespace

const Formula* formula(char letter) {
    for (const Formula& f : kFormulas)
        if (f.letter == letter) return &f;
    return nullptr;
}

double ackersWhiteDgr(double s, double d) { return std::pow(9.81 * (s - 1.0), 0.33333) * d * 9999.907897020428; }

double depthIntegral(const double* dz, int top, double speedBed, double ustar, double ks, double a, double Z) {
    double h = 0.0;
    for (int k = 2; k <= top; ++k) h += 2.0 * dz[k];
    double I = speedBed * 2.0 * dz[2];
    double z = 2.0 * dz[2];  // the top of the cells below k
    for (int k = 3; k <= top; ++k) {
        const double zk = z + dz[k];
        const double Uk = std::max(0.0, (ustar / 0.4) * std::log(30.0 * zk / ks));
        const double Rk = std::pow(((h - zk) / zk) * (a / (h - a)), Z);
        I += 2.0 * dz[k] * Uk * Rk;
        z += 2.0 * dz[k];
    }
    return I;
}

}  // namespace transport
