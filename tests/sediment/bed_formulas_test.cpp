// The physics of the bed reference concentration against hand-computed
// values: critical shear, Shields curve, slope factors, van Rijn's forms, the
// Rouse factor, grain sizes, bed forms and every transport formula.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "sediment/bed_formulas.h"
#include "sediment/transport_formulas.h"

using namespace bedconc;

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

// A hand value and what the code gives; tol relative (absolute for 0).
struct Value {
    std::string name;
    double got, want, tol;
};

void expectValues(const std::vector<Value>& values) {
    for (const Value& v : values) EXPECT_NEAR(v.got, v.want, v.want != 0.0 ? v.tol * std::fabs(v.want) : v.tol) << v.name;
}

// Six significant digits, as the hand values are given.
constexpr double k6 = 5e-6;

// Unit normal of a plane bed rising by sx per metre in x and sy in y.
SlopeFlow bedWithFlow(double sx, double sy, double u, double v) {
    const double n = std::sqrt(sx * sx + sy * sy + 1.0);
    return {-sx / n, -sy / n, 1.0 / n, u, v};
}

// The transport column of the hand values: s 2.65, d 0.5 mm, w 0.07 m/s,
// tau_b 1 N/m2, depth 0.5 m at 0.8 m/s.
transport::Column handColumn() {
    transport::Column c{};
    c.s = 2.65, c.d = 0.0005, c.w = 0.07, c.tb = 1.0;
    c.ustar = std::sqrt(c.tb / 1000.0);
    c.h = 0.5, c.Ubar = 0.8;
    c.S = c.tb / (9810.0 * c.h);
    c.theta = c.tb / (1000.0 * 9.81 * (c.s - 1.0) * c.d);
    c.tc = criticalShearConstant(0.047, c.s, c.d);
    return c;
}

TEST(BedFormulas, HandComputedValues) {
    const double s = 2.65, d = 0.0005, tb = 1.0;
    const double tc = criticalShearConstant(0.047, s, d);
    const double T = (tb - tc) / tc;
    RijnInput in{};
    in.s = s, in.d = d, in.T = T, in.excess = tb - tc, in.Dstar = d * dstarFactor(s), in.a = 0.05, in.U = 0.8;
    in.coeff = 0.015, in.tstar = 1.5, in.dstar = 0.3;
    in.bCoeff = 0.053, in.bTstar = 2.1, in.bDstar = 0.3, in.bD50 = 1.5;
    const auto form = [&](int code) { return rijnForm(code)->conc(in); };

    const Rouse rouse = rouseFactor(1.0, 0.01, 0.05, 0.07, tb / 300.0);
    const double sizes[] = {0.0, 4e-3, 1e-3, 0.25e-3}, fractions[] = {0.0, 0.2, 0.5, 0.3};
    const GrainSizes three = columnGrainSizes(fractions, sizes, 3);
    const double one[] = {0.0, 1.0}, none[] = {0.0, 0.0, 0.0, 0.0};
    const GrainSizes single = columnGrainSizes(one, sizes, 1);

    // The transport letters on a one-layer column: I = 0.8 x 0.5 m2/s.
    const transport::Column col = handColumn();
    const double dz[] = {0.0, 0.0, 0.25, 0.25};
    const double I = transport::depthIntegral(dz, 2, 0.8, col.ustar, 0.02, 0.25, 1.0);
    const auto fig = [&](char letter) { return transport::formula(letter)->figure(col); };
    const auto conc = [&](char letter) { return fig(letter).rate / (1000.0 * s * I); };
    const double published = 1000.0 * s * 8.0 * std::pow(col.theta - 0.047, 1.5) * std::sqrt((s - 1.0) * 9.81 * d * d * d);

    expectValues({
        {"tau_c", tc, 0.380383, k6},
        {"T", T, 1.628931, k6},
        {"D* (exponent 0.3333)", in.Dstar, 12.63516, k6},
        {"form 0", form(0), 1.45704e-4, k6},
        {"form 1", form(1), 3.87917e-5, k6},
        {"form 2", form(2), 1.84496e-4, k6},
        {"form 3", form(3), 8.71773e-6, k6},
        {"form 5", form(5), 1.28652e-4, k6},
        {"Rouse z", rouse.z, 0.04, 1e-12},
        {"Rouse Z", rouse.Z, 5.53399, k6},
        {"Rouse r", rouse.r, 3.92873e-4, k6},
        {"Rouse factor", rouse.factor, 3.92873e-4, k6},
        {"Shields curve Re* 6", shieldsCurve(6.0), 0.0371645, k6},
        {"tau_c0 by the curve", criticalShearCurve(s, 0.0002, 0.003), 0.120313, k6},
        {"Shields curve below Re* 0.2", shieldsCurve(0.1999999), 0.6, 1e-15},
        {"Shields curve just above 0.2", shieldsCurve(0.2), 0.875520, k6},
        {"Shields curve above 500", shieldsCurve(500.0001), 0.0624927, 1e-15},
        {"flat bed", flatSlopeFactor(1.0), 1.0, 1e-15},
        {"bed at 10 deg", flatSlopeFactor(std::cos(10 * kDeg)), 0.976677, k6},
        {"bed at 60 deg (capped)", flatSlopeFactor(std::cos(60 * kDeg)), 0.5 * std::sqrt(0.19), 1e-12},
        {"normal rounded past 1", flatSlopeFactor(1.0 + 2e-16), 1.0, 1e-15},
        {"form 1, flow across a 10 deg slope",
         slopeFactorForm(1, bedWithFlow(0.0, std::tan(10 * kDeg), 1.0, 0.0), 1.23, 0.78, 0.2), 0.969222, k6},
        {"form 1, flow down the slope", slopeFactorForm(1, bedWithFlow(std::tan(10 * kDeg), 0.0, -1.0, 0.0), 1.23, 0.78, 0.2),
         1.0, 1e-12},
        {"form 1 floor", slopeFactorForm(1, bedWithFlow(0.0, std::tan(10 * kDeg), 1.0, 0.0), 1.23, 0.78, 0.99), 0.99, 1e-15},
        {"hiding", hidingFactor(fractions, sizes, 3, 1e-3, 1.0), 1.127660, k6},
        {"no bed fractions: no hiding", hidingFactor(none, sizes, 3, 1e-3, 1.0), 1.0, 1e-15},
        {"d90", three.d90, 4e-3, 1e-12},
        {"d50", three.d50, 0.90625e-3, 1e-12},
        {"dm", three.dm, 0.2 * 4e-3 + 0.5 * 1e-3 + 0.3 * 0.25e-3, 1e-15},
        {"one class d50", single.d50, 4e-3, 0.0},
        {"one class d90", single.d90, 4e-3, 0.0},
        {"mu 4 (d90 1 mm, ks 12 mm)", grainShearFactor(4, 1e-3, 0.0, 0.012), 0.707107, k6},
        {"mu 5 capped at 1", grainShearFactor(5, 1e-3, 0.0, 0.001), 1.0, 1e-15},
        {"mu 6 (d50 1 mm, ks 10 mm)", grainShearFactor(6, 0.0, 1e-3, 0.01), 0.833508, k6},
        {"mu 3", grainShearFactor(3, 1e-3, 1e-3, 0.01), 1.0, 0.0},
        {"mu 7", grainShearFactor(7, 1e-3, 1e-3, 0.01), 1.0, 0.0},
        {"bed-form height", bedFormHeight(1.0, 1e-3, 1.628931, 10.0), 0.180311, k6},
        {"bed-form height, half the layers", bedFormHeight(1.0, 1e-3, 1.628931, 0.2), 0.1, 1e-15},
        {"bed-form height, three depths", bedFormHeight(0.01, 0.5, 1.628931, 10.0), 0.03, 1e-15},
        {"no bed forms above 25", bedFormHeight(1.0, 1e-3, 25.0001, 10.0), 0.0, 0.0},
        {"no bed forms in a dry column", bedFormHeight(0.0, 1e-3, 1.0, 10.0), 0.0, 0.0},
        {"bed-form roughness", bedFormRoughness(4e-3, 0.18031138, 1.0), 0.103379, k6},
        {"roughness of a dry column", bedFormRoughness(4e-3, 0.0, 0.0), 0.012, 1e-15},
        // Transport letters: figure, rate and concentration.
        {"depth integral, one layer", I, 0.4, 1e-15},
        {"theta", col.theta, 0.123560, k6},
        {"E Q", fig('E').Q, 0.0204701, k6},
        {"E c", conc('E'), 1.93114e-5, k6},
        {"M Q", fig('M').Q, 0.0201944, k6},
        {"M c", conc('M'), 1.90513e-5, k6},
        {"M against 8 (theta - theta_c)^1.5", fig('M').Q, published, 4e-4},
        {"I Q", fig('I').Q, 6.24146e-3, k6},
        {"I c", conc('I'), 5.88817e-6, k6},
        {"A Dgr", transport::ackersWhiteDgr(s, d), 12.6477, k6},
        {"A Q (kg/m3)", fig('A').Q, 0.161550, k6},
        {"A rate", fig('A').rate, 0.0646202, k6},
        {"A c", conc('A'), 6.09624e-5, k6},
        {"S Q (ppm)", fig('S').Q, 27.3348, k6},
        {"S rate", fig('S').rate, 0.0109339, k6},
        {"S c", conc('S'), 1.03150e-5, k6},
        {"Y Q (ppm)", fig('Y').Q, 43.1083, k6},
        {"Y rate", fig('Y').rate, 0.0172433, k6},
        {"Y c", conc('Y'), 1.62673e-5, k6},
    });
    EXPECT_EQ(rijnForm(4), nullptr);
    EXPECT_EQ(rijnForm(6), nullptr);
    EXPECT_EQ(transport::formula('R'), nullptr);  // van Rijn is no transport formula
}

// The formulas outside their ranges: thresholds, switches and fallbacks.
TEST(BedFormulas, TransportFormulasAtTheirLimits) {
    transport::Column col = handColumn();
    // Yang below the critical velocity, and with no critical velocity at all.
    col.Ubar = 0.19;
    EXPECT_EQ(transport::formula('Y')->figure(col).rate, 0.0);
    col = handColumn();
    col.d = 1.1e-6 / col.ustar;  // log10 Re* = 0.041
    EXPECT_EQ(transport::formula('Y')->figure(col).rate, 0.0);
    // Yang's coarse branch: Vcr = 2.5 w above Re* 70.
    col = handColumn();
    col.d = 0.003;
    col.Ubar = 2.5 * col.w;
    EXPECT_EQ(transport::formula('Y')->figure(col).rate, 0.0);
    col.Ubar = 2.5 * col.w + 0.1;
    EXPECT_GT(transport::formula('Y')->figure(col).rate, 0.0);

    // Ackers and White: coarse constants above Dgr 60, n = 1 and the log line below Dgr 1.
    col = handColumn();
    col.d = 0.03;  // Dgr 759
    const transport::Figure coarse = transport::formula('A')->figure(col);
    EXPECT_FALSE(coarse.outsideRange);
    EXPECT_EQ(coarse.Q, 0.0);  // Fgr 0.091 below A = 0.17: no transport
    col.Ubar = 3.0;            // n = 0: Fgr = U / (sqrt(g d (s - 1)) 5.657 log10(10 h / d))
    const double Fgr = 1.0 / std::sqrt(9.81 * col.d * 1.65) * col.Ubar / (5.656854249492381 * std::log10(10.0 * col.h / col.d));
    EXPECT_NEAR(transport::formula('A')->figure(col).Q,
                1000.0 * 2.65 * col.d * 0.025 * std::pow(Fgr / 0.17 - 1.0, 1.5) / col.h, 1e-12);
    col = handColumn();
    col.d = 3e-5;
    ASSERT_LT(transport::ackersWhiteDgr(col.s, col.d), 1.0);
    const transport::Figure fine = transport::formula('A')->figure(col);
    EXPECT_TRUE(fine.outsideRange);
    const double Fgr1 = col.ustar / std::sqrt(9.81 * col.d * 1.65);  // n = 1
    const double dgr = transport::ackersWhiteDgr(col.s, col.d), lg = std::log10(dgr);
    const double A = 0.23 / std::sqrt(dgr) + 0.14, m = 9.66 / dgr + 1.34, C = std::pow(10.0, 2.86 * lg - lg * lg - 3.53);
    EXPECT_NEAR(fine.Q, 1000.0 * 2.65 * col.d * C * std::pow(Fgr1 / A - 1.0, m) * (col.Ubar / col.ustar) / col.h,
                1e-9 * fine.Q);

    // The log-law speed of the depth integral is 0 where 30 z < ks; the
    // Rouse weight comes from the reference level a. Three layers of 0.5 m,
    // ks 29.998 m: the middle cell (30 z = 22.5 m) has no speed, the top one
    // (30 z = 37.5 m) has; w 2 mm/s.
    const double dz[] = {0.0, 0.0, 0.25, 0.25, 0.25, 0.25};
    const double ks = std::pow(26.0 / 14.75, 6.0), ustar = std::sqrt(0.001), Z = 0.002 / (0.4 * ustar);
    EXPECT_NEAR(transport::depthIntegral(dz, 4, 0.8, ustar, ks, 0.25, Z), 0.405304077, 1e-9);
    EXPECT_EQ(transport::depthIntegral(dz, 4, 0.8, ustar, 1e3, 0.25, Z), 0.4);  // no log-law speed anywhere
}

// The flow direction, measured from +x towards -y: the table's angle points
// along the velocity.
TEST(BedFormulas, FlowDirectionTable) {
    const double speeds[][2] = {{1, -0.5}, {1, 0}, {1, 0.5}, {-1, -0.5}, {-1, 0}, {-1, 0.5}, {0, -1}, {0, 1}, {0.3, -2}};
    for (const auto& uv : speeds) {
        const Direction a = flowDirection(uv[0], uv[1]);
        const double n = std::hypot(uv[0], uv[1]);
        EXPECT_NEAR(a.cos, uv[0] / n, 1e-7) << uv[0] << " " << uv[1];
        EXPECT_NEAR(-a.sin, uv[1] / n, 1e-7) << uv[0] << " " << uv[1];
    }
    // Components within 1e-6 of zero count as zero; a still cell takes alpha = 0.
    const Direction along = flowDirection(1.0, 1e-6), still = flowDirection(1e-6, -1e-6);
    EXPECT_EQ(along.cos, 1.0);
    EXPECT_EQ(along.sin, 0.0);
    EXPECT_EQ(still.cos, 1.0);
    EXPECT_EQ(still.sin, 0.0);
    // So on a still bed cell the streamwise slope is the slope in x and the
    // transverse one that in y.
    const SlopeFlow bed = bedWithFlow(std::tan(4 * kDeg), std::tan(6 * kDeg), 0.0, 0.0);
    const SlopeAngles g = slopeAngles(bed, 30.0, 5.0);
    EXPECT_NEAR(g.beta_s, -4 * kDeg, 1e-12);
    EXPECT_NEAR(g.b, 6 * kDeg, 1e-12);
}

// The five slope formulas of the streamwise and transverse slopes, their
// fallbacks and the repose angle.
struct SlopeCase {
    const char* name;
    double sx, sy, u, v;  // bed rise per metre in x, y; bed-cell velocity
    SlopeParameters p;
    double want;
};

TEST(BedFormulas, SlopeFormulas) {
    const double nLift = 1.0 / std::tan(30 * kDegree);  // 1 - n tan(phi) = 0 at phi 30 deg
    ASSERT_EQ(nLift * std::tan(30 * kDegree), 1.0);
    const double t4 = std::tan(4 * kDeg), t6 = std::tan(6 * kDeg), t35 = std::tan(35 * kDeg);
    const SlopeCase cases[] = {
        // A bed at 4 deg in x and 6 deg in y under a flow (0.5, -0.3): repose angle 29.94 deg.
        {"1", t4, t6, 0.5, -0.3, {1, 30, 5, 0.5, 0.5}, 0.967935},
        {"2", t4, t6, 0.5, -0.3, {2, 30, 5, 0.5, 0.5}, 0.961004},
        {"3", t4, t6, 0.5, -0.3, {3, 30, 5, 0.5, 0.5}, 0.904575},
        {"4", t4, t6, 0.5, -0.3, {4, 30, 5, 0.5, 0.5}, 0.868516},
        {"5", t4, t6, 0.5, -0.3, {5, 30, 5, 0.5, 0.5}, 0.971282},
        {"no formula above 5", t4, t6, 0.5, -0.3, {6, 30, 5, 0.5, 0.5}, 1.0},
        {"1 along +x on a bed tilted in x", t4, 0.0, 1.0, 0.0, {1, 30, 5, 0.5, 0.5}, 1.0},
        // 35 deg across the flow, beyond the repose angle of 30 deg.
        {"1 fallback", 0.0, t35, 1.0, 0.0, {1, 30, 0, 1.0, 0.5}, 0.015625},
        {"1 fallback negative: 0.01", 0.0, t35, 1.0, 0.0, {1, 30, 0, 0.5, 0.5}, 0.01},
        {"2 fallback", 0.0, t35, 1.0, 0.0, {2, 30, 0, 1.0, 0.5}, 0.015625},
        {"4 fallback (angle |beta_s| = 0)", 0.0, t35, 1.0, 0.0, {4, 30, 0, 1.0, 0.5}, 1.0 / 1e-7 + 0.1},
        {"5 fallback", 0.0, t35, 1.0, 0.0, {5, 30, 0, 1.0, 0.5}, 1.0 / 1e-7 + 0.1},
        {"3 fallback (45 deg both ways)", 1.0, 1.0, 1.0, 0.0, {3, 30, 5, 0.5, 0.5}, 0.5 / (std::numbers::pi / 4 + 1e-7) + 0.1},
        // A vanishing divisor takes the fallback: repose angle 0, 1 - n tan(phi) = 0.
        {"1 with tan phi 0", t4, t6, 0.5, -0.3, {1, 0, 0, 1.0, 0.5}, 0.0782354},
        {"2 with tan phi 0", t4, t6, 0.5, -0.3, {2, 0, 0, 1.0, 0.5}, 0.0782354},
        {"4 with phi 0", t4, t6, 0.5, -0.3, {4, 0, 0, 1.0, 0.5}, 167.141680},
        {"5 with tan phi 0", t4, t6, 0.5, -0.3, {5, 0, 0, 1.0, 0.5}, 167.141680},
        {"3 with phi 0", t4, t6, 0.5, -0.3, {3, 0, 0, 1.0, 0.5}, 4.72112},
        {"2 with 1 - n tan phi 0", t4, t6, 0.5, -0.3, {2, 30, 0, 0.5, nLift}, 0.262316},
        {"5 with 1 - n tan phi 0", t4, t6, 0.5, -0.3, {5, 30, 0, 0.5, nLift},
         0.5 / (0.00598643 + 1e-7) + 0.1},
    };
    for (const SlopeCase& c : cases) {
        const double got = slopeFormula(bedWithFlow(c.sx, c.sy, c.u, c.v), c.p);
        EXPECT_NEAR(got, c.want, 5e-6 * std::max(1.0, std::fabs(c.want))) << c.name;
        EXPECT_FALSE(std::isnan(got)) << c.name;
    }
    // Repose angle: linear between midphi -+ delta; with midphi 0 it is
    // delta for a positive streamwise slope and -delta otherwise.
    const SlopeFlow flat = bedWithFlow(0.0, 0.0, 1.0, 0.0);
    EXPECT_NEAR(slopeAngles(flat, 30.0, 5.0).phi, 30 * kDegree, 1e-15);
    EXPECT_NEAR(slopeAngles(bedWithFlow(-1.0, 0.0, 1.0, 0.0), 30.0, 5.0).phi, 35 * kDegree, 1e-15);
    EXPECT_NEAR(slopeAngles(bedWithFlow(1.0, 0.0, 1.0, 0.0), 30.0, 5.0).phi, 25 * kDegree, 1e-15);
    EXPECT_NEAR(slopeAngles(bedWithFlow(-0.1, 0.0, 1.0, 0.0), 0.0, 5.0).phi, 5 * kDegree, 1e-15);
    EXPECT_NEAR(slopeAngles(flat, 0.0, 5.0).phi, -5 * kDegree, 1e-15);
}

}  // namespace
