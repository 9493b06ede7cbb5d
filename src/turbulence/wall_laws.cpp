// Wall resistance laws. Kinematic viscosity of water 1e-6 m2/s, written as
// the factor 1e6 in y+ and ks+.
#include <algorithm>
#include <cmath>

#include "turbulence/turbulence.h"

namespace walllaw {

namespace {
constexpr double kLogFloor = 0.01;       // floor of the logarithm of the rough law
constexpr double kBound = 0.025;         // floor of R in the transitional laws
constexpr double kSmoothEdge = 11.626;   // sublayer edge of the smooth law
constexpr double kClipEdge = 11.7;       // sublayer edge of the transitional laws
constexpr double kBlendEdge = 11.6;      // sublayer edge of the blended law

// Roughness function of the transitional regime at wall units Y.
double transitional(double Y, double ksplus, double kappa) {
    return std::log(Y) / kappa + 5.5 + (3.0 - std::log(ksplus) / kappa) * std::sin(0.4258 * (std::log(ksplus) - 0.811));
}
}  // namespace

Point point(double y, double ks, double kappa, double ustar) {
    return {y, ks, kappa, ustar, y * 1e6 * ustar, ustar * ks * 1e6};
}

Point point(double y, double ks, double kappa, double ustar, double nu) {
    return {y, ks, kappa, ustar, y * ustar / nu, ustar * ks / nu};
}

double smoothFrictionVelocity(double kstar) { return std::sqrt(0.3 * kstar); }

double laminarFrictionVelocity(double speed, double y) { return std::sqrt(1e-6 * speed / y); }

double logLaw(const Point& p) { return logLaw(p, kLogFloor); }

double logLaw(const Point& p, double floor) { return std::max(std::log(30.0 * p.y / p.ks), floor) / p.kappa; }

double roughBedLaw(const Point& p, int form, double bedformHeight) {
    if (form == 0 || p.y > p.ks) return logLaw(p);
    if (form != 1 || p.y <= bedformHeight) return std::max(3.4 * p.y / (p.ks * p.kappa), kLogFloor);
    return std::max((p.y / p.ks - 1.0) * 0.135 + 3.4 / p.kappa, kLogFloor);
}

double smoothLaw(const Point& p) {
    if (p.yplus < kSmoothEdge) return p.yplus;
    return std::log(9.0 * p.yplus) / p.kappa;
}

double blendedLaw(const Point& p) {
    if (p.yplus > kBlendEdge) {
        const double ksEffective = std::max(p.ks, 3.33333e-6 / p.ustar);
        return std::max(std::log(30.0 * p.y / ksEffective), kLogFloor) / p.kappa;
    }
    return p.yplus / (kBlendEdge * p.kappa) * std::max(std::log(0.000348 / (p.ustar * p.y)), kLogFloor);
}

double transitionalLaw(const Point& p) {
    if (p.ksplus < 2.25) return p.yplus < kClipEdge ? p.yplus : std::log(9.0 * p.yplus) / p.kappa;
    if (p.ksplus <= 90.0) return std::max(transitional(p.yplus, p.ksplus, p.kappa), kBound);
    return std::max(std::log(30.0 * p.y / p.ks) / p.kappa, kBound);
}

double clippedLawUnbounded(const Point& p) {
    const bool sublayer = !(p.yplus > kClipEdge);
    const double Y = sublayer ? kClipEdge : p.yplus;
    const double ye = sublayer ? kClipEdge * 1e-6 / p.ustar : p.y;
    double R0;
    if (p.ksplus < 2.25)
        R0 = std::log(9.0 * Y) / p.kappa;
    else if (p.ksplus <= 90.0)
        R0 = transitional(Y, p.ksplus, p.kappa);
    else
        R0 = std::log(30.0 * ye / p.ks) / p.kappa;
    if (p.yplus < kClipEdge) R0 = R0 * p.yplus / kClipEdge;
    return R0;
}

double clippedLaw(const Point& p) { return std::max(clippedLawUnbounded(p), kBound); }

double bedNormalCorrection(double R0, double r, double rmin) {
    const double factor = r < 0.4 ? 0.25 * std::max(r, rmin) : 0.1;
    return std::max(R0 + factor * R0 * R0, kBound);
}

double roughnessLayerLaw(const Point& p) {
    const double m = p.ksplus > kClipEdge ? p.ksplus : kClipEdge;
    if (p.yplus > m) return std::max(std::log(30.0 * p.y / p.ks), kLogFloor) / p.kappa;
    return (p.yplus / m) * std::max(std::log(30.0 * m / p.ksplus), kLogFloor) / p.kappa;
}

double oneEquationLaw(const Point& p, bool smooth) {
    if (smooth) return smoothLaw(p);
    return std::log(30.0 * p.y / p.ks) / p.kappa;
}

}  // namespace walllaw
