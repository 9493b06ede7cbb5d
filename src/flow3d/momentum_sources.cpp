// Optional sources of the momentum equations, each a kernel over a range of
// interior i-planes. Forces go into `source`, implicit frictions into `wap`;
// all enter before the under-relaxation, which relaxes their implicit parts
// with the rest of the centre coefficient.
#include "flow3d/momentum_sources.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "control/state.h"
#include "control/turbulence_models.h"
#include "control/constants.h"
#include "grid/state.h"
#include "equations/solve.h"
#include "equations/state.h"
#include "flow3d/state.h"
#include "sediment/state.h"
#include "control/log.h"

namespace {

constexpr double kRhoG = 9810.0;    // water density times gravity
constexpr double kMuWater = 0.001;  // molecular viscosity, density folded in

// The component being solved and its value at the last time step; without
// that level (a run that does not step in time) the present value stands in.
FieldArray<double, 3>& solved() { return Equation == 1 ? xvel : Equation == 2 ? yvel : zvel; }
const FieldArray<double, 3>& previousOrPresent() {
    const FieldArray<double, 3>& old = Equation == 1 ? xvel_old : Equation == 2 ? yvel_old : zvel_old;
    return old.isNull() ? solved() : old;
}

bool horizontal() { return Equation == 1 || Equation == 2; }

template <class Fn>
void forCells(int first, int last, Fn&& fn) {
    for (int i = first; i <= last; ++i)
        for (int j = 2; j <= ynumber; ++j)
            for (int k = 2; k <= znumber; ++k) fn(i, j, k);
}

template <class Fn>
void forColumns(int first, int last, Fn&& fn) {
    for (int i = first; i <= last; ++i)
        for (int j = 2; j <= ynumber; ++j) fn(i, j);
}

// ---------------------------------------------------------------------------
// Switches of the source terms.
// ---------------------------------------------------------------------------

bool stressModelOn() {
    return (FlagStress1DLL != 0 || FlagReynoldsStress > 9) && InnerIteration > NoLoopStress && Iter > 1;
}
bool buoyancyOn() { return Equation == 3 && SourDens > 0.001; }
bool volumeSourcesOn() { return VolSourceNo > 0; }
bool surfaceGravityOn() { return Equation == 3 && (FlagTFS == 1 || FlagTFS == 3); }
bool windOn() { return horizontal() && Wind[0] > 1e-10; }
bool coriolisOn() { return horizontal() && FlagCoriolis == 1; }
bool dampingOn() { return FlagTSC > 0 && (FlagTSCMinDepth == 1 || FlagTSCMinDepth == 2); }
bool surfaceForceOn() { return Equation == 3 && FlagTFS == 1 && TFSforcesource > 1e-20; }
bool laminarBedOn() { return turbulenceModel().walls.laminarBed; }
bool supercriticalOn() { return horizontal() && FlagSuperCritical > 0; }

struct SourceTerm {
    MomentumStage stage;
    bool (*on)();
    void (*kernel)(int first, int last);
};

// The roughness-layer treatments of F 189 by the point of the step at which
// they act: the drags 10..13 stand between the free-surface force and the
// laminar bed term.
void roughnessBeforeRelaxation(int first, int last);
bool roughnessDragOn() { return FlagBrelk >= 10 && FlagBrelk <= 13; }

// In the order of the momentum step.
constexpr std::array<SourceTerm, 11> kSourceTerms{{
    {MomentumStage::AfterPressure, stressModelOn, stressModelSource},
    {MomentumStage::AfterTimeTerm, buoyancyOn, sedimentBuoyancy},
    {MomentumStage::AfterTimeTerm, volumeSourcesOn, volumeSourceDrag},
    {MomentumStage::AfterTimeTerm, surfaceGravityOn, surfaceGravity},
    {MomentumStage::AfterTimeTerm, windOn, windShear},
    {MomentumStage::AfterTimeTerm, coriolisOn, coriolisForce},
    {MomentumStage::AfterTimeTerm, dampingOn, thinWaterDamping},
    {MomentumStage::BeforeRelaxation, surfaceForceOn, surfaceForceSource},
    {MomentumStage::BeforeRelaxation, roughnessDragOn, roughnessBeforeRelaxation},
    {MomentumStage::BeforeRelaxation, laminarBedOn, laminarBedTerm},
    {MomentumStage::BeforeRelaxation, supercriticalOn, supercriticalFriction},
}};

// ---------------------------------------------------------------------------
// Wind drag laws of F 73.
// ---------------------------------------------------------------------------

double dragQuadraticAbove56(double W) {
    if (W <= 5.6) return W * W;
    const double a = 1.0 - 5.6 / W;
    return (1.0 + 1.9 * a * a) * W * W;
}
double dragQuadratic(double W) { return 1.1 * W * W; }
double dragThreeRanges(double W) {
    if (W < 1.0) return 1.25 * W * std::sqrt(W);
    if (W < 15.0) return 0.5 * W * W * std::sqrt(W);
    return 2.6 * W * W;
}
double dragLinear(double W) { return W; }

constexpr std::array<double (*)(double), 3> kWindLaws{dragQuadraticAbove56, dragQuadratic, dragThreeRanges};

// ---------------------------------------------------------------------------
// Roughness layer of F 189.
// ---------------------------------------------------------------------------

// Calls fn(i, j, k, z) for the cells k kFirst..znumber of every column of the
// planes whose top cell is open and whose centre height z above the bed lies
// below `top`(ks) (ks = Xks of the column). z runs up the column from the
// half height of the bed cell.
template <class Top, class Fn>
void layerCells(int first, int last, int kFirst, Top top, Fn&& fn) {
    const int Z = znumber;
    forColumns(first, last, [&](int i, int j) {
        if (OBlok[i][j][Z] == 0) return;
        const double limit = top(Xks[i][j]);
        double z = m_dist_z[i][j][2];
        for (int k = 2; k <= Z; ++k) {
            if (k > 2) z += m_dist_z[i][j][k - 1] + m_dist_z[i][j][k];
            if (k >= kFirst && z < limit) fn(i, j, k, z);
        }
    });
}

double fullLayer(double ks) { return ks; }

// The weight f = (1 - P) g(x) + P of the treatments 1 to 7 at relative height x.
template <double (*g)(double)>
double weight(double z, double ks) {
    const double P = ParamBrelk;
    return (1.0 - P) * g(z / (ks + 1e-30)) + P;
}
double gLinear(double x) { return x; }
double gRoot(double x) { return std::sqrt(x); }
double gFifth(double x) { return std::pow(x, 0.2); }
double gQuarter(double x) { return std::pow(x, 0.25); }
double gTwoFifths(double x) { return std::pow(x, 0.4); }

// 1, 2, 3: the solved velocity scaled by f.
template <double (*g)(double)>
void scaleVelocity(int first, int last) {
    FieldArray<double, 3>& phi = solved();
    layerCells(first, last, 2, fullLayer,
               [&](int i, int j, int k, double z) { phi[i][j][k] *= weight<g>(z, Xks[i][j]); });
}

// 4, 5: the centre coefficient divided by f.
template <double (*g)(double)>
void divideCentre(int first, int last) {
    layerCells(first, last, 2, fullLayer,
               [](int i, int j, int k, double z) { wap[i][j][k] /= weight<g>(z, Xks[i][j]); });
}

// 6, 7: the horizontal neighbour coefficients scaled by f (the vertical
// ones stay); they serve u, v and w alike.
void scaleHorizontalCoefficients(int first, int last) {
    const bool p13 = stencilOf(1) == Stencil::Thirteen;
    layerCells(first, last, 2, fullLayer, [&](int i, int j, int k, double z) {
        const double f = weight<gLinear>(z, Xks[i][j]);
        ae[i][j][k] *= f;
        aw[i][j][k] *= f;
        as[i][j][k] *= f;
        an[i][j][k] *= f;
        if (p13) {
            aee[i][j][k] *= f;
            aww[i][j][k] *= f;
            ass[i][j][k] *= f;
            ann[i][j][k] *= f;
        }
    });
}

// 10: drag by the square root of the plan area, above the bed cell.
void dragByWidth(int first, int last) {
    const FieldArray<double, 3>& phi = solved();
    const double P = ParamBrelk;
    layerCells(first, last, 3, fullLayer, [&](int i, int j, int k, double z) {
        const double x = z / (Xks[i][j] + 1e-30);
        wap[i][j][k] += 2.0 * (std::fabs(phi[i][j][k]) * 300.0) * m_dist_z[i][j][k] * std::sqrt(m_armap[i][j]) *
                        ((1.0 - P) * (1.0 - x));
    });
}

// 11 (above the bed cell) and 13 (from the bed cell): drag by the plan area over ks.
template <int kFirst>
void dragByRoughness(int first, int last) {
    const FieldArray<double, 3>& phi = solved();
    const double P = ParamBrelk;
    layerCells(first, last, kFirst, fullLayer, [&](int i, int j, int k, double z) {
        const double ks = Xks[i][j];
        const double x = z / (ks + 1e-30);
        wap[i][j][k] += (2.0 * std::fabs(phi[i][j][k]) * 500.0 * m_dist_z[i][j][k] * m_armap[i][j] / (ks + 1e-30)) *
                        ((1.0 - P) * (1.0 - x));
    });
}

// 12: as 11 over a layer of thickness ks P at full strength.
double partLayer(double ks) { return ks * ParamBrelk; }
void dragInPartLayer(int first, int last) {
    const FieldArray<double, 3>& phi = solved();
    layerCells(first, last, 3, partLayer, [&](int i, int j, int k, double z) {
        const double H = Xks[i][j] * ParamBrelk;
        wap[i][j][k] += (2.0 * std::fabs(phi[i][j][k]) * 500.0 * m_dist_z[i][j][k] * m_armap[i][j] / (H + 1e-30)) *
                        (1.0 - z / (H + 1e-30));
    });
}

double horizontalSpeed(int i, int j, int k) { return std::hypot(xvel[i][j][k], yvel[i][j][k]); }

// 8: the centre coefficient of a layer cell raised where it flows faster than
// its share of the speed above the layer, the more so the better the bed
// velocity and that above the layer are aligned. A column whose bed cell or
// reference cell is at rest has no alignment and is left alone.
void raiseFastCells(int first, int last) {
    const int Z = znumber;
    const double P = ParamBrelk;
    forColumns(first, last, [&](int i, int j) {
        if (OBlok[i][j][Z] == 0) return;
        const double ks = Xks[i][j];
        int m0 = 0;
        double z = m_dist_z[i][j][2];
        for (int k = 2; k <= Z; ++k) {
            if (k > 2) z += m_dist_z[i][j][k - 1] + m_dist_z[i][j][k];
            if (z < ks) m0 = k;
        }
        if (m0 == 0) return;
        const int m = m0 + 1;  // Z + 1 (the boundary cell above) when the whole column lies in the layer
        const double a[3] = {xvel[i][j][2], yvel[i][j][2], zvel[i][j][2]};
        const double b[3] = {xvel[i][j][m], yvel[i][j][m], zvel[i][j][m]};
        const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
        const double aa = a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
        const double bb = b[0] * b[0] + b[1] * b[1] + b[2] * b[2];
        if (aa * bb == 0.0) return;
        const double C = (dot / std::sqrt(aa * bb) + 2.0) * 0.3333;
        const double um = horizontalSpeed(i, j, m), utop = horizontalSpeed(i, j, Z);
        const double Uref = um > 0.3 * utop ? um : 0.3 * utop;
        double zk = m_dist_z[i][j][2];
        for (int k = 2; k <= std::min(m, Z); ++k) {
            if (k > 2) zk += m_dist_z[i][j][k - 1] + m_dist_z[i][j][k];
            if (!(zk < ks)) continue;
            const double uh = horizontalSpeed(i, j, k);
            const double mean = (uh + Uref) * 0.5;
            if (mean == 0.0) continue;
            const double r = (1.0 - P) * (zk / (ks + 1e-30)) + P;
            const double q = (uh - r * Uref) / mean * C;
            if (q > 0.0) wap[i][j][k] *= q + 1.0;
        }
    });
}

struct Treatment {
    MomentumStage stage;
    void (*kernel)(int first, int last);
};

// F 189 by its value; a value without an entry does nothing here.
constexpr int kTreatmentCodes = 14;
constexpr std::array<Treatment, kTreatmentCodes> treatments() {
    std::array<Treatment, kTreatmentCodes> t{};
    t.fill({MomentumStage::Coefficients, nullptr});
    t[1] = {MomentumStage::AfterSolve, scaleVelocity<gLinear>};
    t[2] = {MomentumStage::AfterSolve, scaleVelocity<gRoot>};
    t[3] = {MomentumStage::AfterSolve, scaleVelocity<gFifth>};
    t[4] = {MomentumStage::AfterCoupling, divideCentre<gTwoFifths>};
    t[5] = {MomentumStage::AfterRelaxation, divideCentre<gQuarter>};
    t[6] = {MomentumStage::Coefficients, scaleHorizontalCoefficients};
    t[7] = {MomentumStage::Coefficients, scaleHorizontalCoefficients};
    t[8] = {MomentumStage::AfterRelaxation, raiseFastCells};
    t[10] = {MomentumStage::BeforeRelaxation, dragByWidth};
    t[11] = {MomentumStage::BeforeRelaxation, dragByRoughness<3>};
    t[12] = {MomentumStage::BeforeRelaxation, dragInPartLayer};
    t[13] = {MomentumStage::BeforeRelaxation, dragByRoughness<2>};
    return t;
}
constexpr std::array<Treatment, kTreatmentCodes> kTreatments = treatments();

const Treatment* treatment(int value) {
    if (value < 0 || value >= kTreatmentCodes || kTreatments[value].kernel == nullptr) return nullptr;
    return &kTreatments[value];
}

void roughnessBeforeRelaxation(int first, int last) { roughnessLayer(FlagBrelk, first, last); }

// The treatments that act at a point of their own, outside the list of sources.
void roughnessAt(MomentumStage stage, int first, int last) {
    const Treatment* t = treatment(FlagBrelk);
    if (t && t->stage == stage && stage != MomentumStage::BeforeRelaxation) t->kernel(first, last);
}

}  // namespace

void momentumSources(MomentumStage stage, int first, int last) {
    for (const SourceTerm& t : kSourceTerms)
        if (t.stage == stage && t.on()) t.kernel(first, last);
    roughnessAt(stage, first, last);
}

void roughnessLayer(int value, int first, int last) {
    if (const Treatment* t = treatment(value)) t->kernel(first, last);
}

// ---------------------------------------------------------------------------
// The source terms.
// ---------------------------------------------------------------------------

void stressModelSource(int first, int last) {
    const int slot = Equation + 9;
    if (Rstress.isNull() || slot >= Rstress.extent(0)) return;
    const auto S = Rstress[slot];
    forCells(first, last, [&](int i, int j, int k) { source[i][j][k] += S[i][j][k]; });
}

void sedimentBuoyancy(int first, int last) {
    const int Y = ynumber;
    const double weightFactor = kWaterDensity * 9.81 * density * SourDens;
    forCells(first, last, [&](int i, int j, int k) {
        double H;
        if (j == 2)
            H = m_dist_z[i][2][k] + m_dist_z[i][3][k];
        else if (j == Y)
            H = m_dist_z[i][j][k] + m_dist_z[i][j - 1][k];
        else
            H = 0.5 * (m_dist_z[i][j - 1][k] + m_dist_z[i][j + 1][k] + 2.0 * m_dist_z[i][j][k]);
        source[i][j][k] -= H * m_armap[i][j] * weightFactor * conc[0][i][j][k];
    });
}

// The boxes may reach into the boundary cells; only their interior cells
// carry an equation.
void volumeSourceDrag(int first, int last) {
    const FieldArray<double, 3>& phi = solved();
    for (int n = 1; n <= VolSourceNo; ++n) {
        const VolSourceRecord& b = VolSource[n];
        const double V1 = b.value, V2 = b.value2;
        for (int i = std::max(b.i1, first); i <= std::min(b.i2, last); ++i)
            for (int j = std::max(b.j1, 2); j <= std::min(b.j2, ynumber); ++j)
                for (int k = std::max(b.k1, 2); k <= std::min(b.k2, znumber); ++k) {
                    const double C = m_dist_z[i][j][k] * kWaterDensity * std::fabs(phi[i][j][k]) * V1;
                    wap[i][j][k] += V2 * C;
                    source[i][j][k] += C * phi[i][j][k] * (V2 - 1.0);
                }
    }
}

void surfaceGravity(int first, int last) {
    const int Z = znumber;
    forCells(first, last, [&](int i, int j, int k) {
        const double A = m_armap[i][j];
        const auto dz = m_dist_z[i][j];
        if (k == Z || WallK[i][j][k] == -1)
            source[i][j][k] -= A * kRhoG * (dz[k] + dz[k - 1]);
        else if (k == 2 || WallK[i][j][k] == 1)
            source[i][j][k] -= A * kRhoG * (dz[k] + dz[k + 1]);
        else
            source[i][j][k] -= A * 4905.0 * (dz[k + 1] + dz[k - 1] + 2.0 * dz[k]);
    });
}

WindNow windNow(int equation) {
    const int c = equation == 1 ? 1 : 2;
    if (TimeInNo == 0) return {Wind[0], Wind[c]};
    if (TimeInTime.isNull() || Winn.isNull()) {
        // Inside a parallel region the fault is recorded and the run ends after it.
        faultf(-8, "Error - the wind series of timei missing in the momentum step\n");
        return {0.0, 0.0};
    }
    int m = 1;
    while (m < TimeInNo && TimeInTime[m] <= stime) ++m;
    // At or beyond the last row, and in a series of one row, its last row holds.
    if (m >= TimeInNo) return {Winn[TimeInNo - 1][0], Winn[TimeInNo - 1][c]};
    const double r = (TimeInTime[m] - stime) / ((TimeInTime[m] - TimeInTime[m - 1]) + 1e-20);
    return {Winn[m][0] * (1.0 - r) + Winn[m - 1][0] * r, Winn[m][c] * (1.0 - r) + Winn[m - 1][c] * r};
}

double windDrag(int law, double W) {
    if (law >= 0 && law < static_cast<int>(kWindLaws.size())) return kWindLaws[law](W);
    return dragLinear(W);
}

void windShear(int first, int last) {
    const int Z = znumber;
    const WindNow w = windNow(Equation);
    const double force = w.factor * 0.0012 * windDrag(WindFlag, w.speed);
    forColumns(first, last, [&](int i, int j) {
        if (OBlok[i][j][Z] != 0) source[i][j][Z] += force * m_armap[i][j];
    });
}

// u takes v as it stands before u is solved; v takes the u just solved.
void coriolisForce(int first, int last) {
    const bool u = Equation == 1;
    const FieldArray<double, 3>& other = u ? yvel : xvel;
    const double sign = u ? 1.0 : -1.0;
    forCells(first, last, [&](int i, int j, int k) {
        source[i][j][k] += sign * 2.0 * (other[i][j][k] * Coriolis * kWaterDensity) * m_armap[i][j] * m_dist_z[i][j][k];
    });
}

void thinWaterDamping(int first, int last) {
    const FieldArray<double, 3>& phi = solved();
    const FieldArray<double, 3>& old = previousOrPresent();
    forColumns(first, last, [&](int i, int j) {
        auto cornerMean = [i, j](int k) {
            return 0.25 * (zval[i - 1][j - 1][k] + zval[i][j - 1][k] + zval[i - 1][j][k] + zval[i][j][k]);
        };
        const double zb = cornerMean(1), z0 = cornerMean(0);
        if (!(z0 > zb)) return;
        const double r = std::min((z0 - zb) / (2.0 * m_dist_z[i][j][0]), 1.0);
        const double r5 = std::pow(r, 5);
        const double perSpeed = 45300.0 / Xks[i][j] * m_armap[i][j];
        for (int k = 2; k <= znumber; ++k)
            wap[i][j][k] += r5 * 2.0 * (std::fabs(0.5 * (old[i][j][k] + phi[i][j][k])) + 0.001) * perSpeed *
                            m_dist_z[i][j][k];
    });
}

// The top-cell continuity source of the column (zvel[i][j][0], kept by the
// pressure correction) changed since the start of the time step, spread down
// the column with a weight that grows from the bed to 1 at the top. Without
// an earlier time level nothing has changed.
void surfaceForceSource(int first, int last) {
    if (zvel_old.isNull()) return;
    const int Z = znumber;
    forColumns(first, last, [&](int i, int j) {
        if (OBlok[i][j][Z] == 0) return;
        const auto dz = m_dist_z[i][j];
        double S = 0.0;
        for (int k = 2; k <= Z; ++k) S += dz[k];
        const double change = zvel_old[i][j][0] - zvel[i][j][0];
        double R = dz[2];
        for (int k = 2; k <= Z; ++k) {
            source[i][j][k] += (R / S) / TimeStep * 2.0 * dz[k] * change * TFSforcesource;
            R += dz[k + 1];
        }
    });
}

void laminarBedTerm(int first, int last) {
    forColumns(first, last, [](int i, int j) {
        if (OBlok[i][j][2] != 0) wap[i][j][2] += kMuWater / m_dist_z[i][j][2] * m_armap[i][j];
    });
}

// A column whose surface is steeper than the critical slope and whose bed
// flow runs down the bed (a positive component along the horizontal part of
// the bed normal) takes the depth-averaged driving force beyond the bed shear
// as a friction, half in the bed cell and half in the top cell. The friction
// divides by the size of the direction cosine, so it always brakes.
void supercriticalFriction(int first, int last) {
    const int Z = znumber;
    const int c = Equation - 1;
    const FieldArray<double, 3>& phi = solved();
    forColumns(first, last, [&](int i, int j) {
        double Su = 0.0, half = 0.0;
        double flowW = 0.0, flowE = 0.0, areaW = 0.0, areaE = 0.0;
        double flowS = 0.0, flowN = 0.0, areaS = 0.0, areaN = 0.0;
        for (int k = 2; k <= Z; ++k) {
            Su += xvel[i][j][k] * xvel[i][j][k] + yvel[i][j][k] * yvel[i][j][k];
            half += m_dist_z[i][j][k];
            flowW += flow1[i - 1][j][k];
            areaW += m_ar_x[i - 1][j][k];
            flowE += flow1[i][j][k];
            areaE += m_ar_x[i][j][k];
            flowS += flow2[i][j - 1][k];
            areaS += m_ar_y[i][j - 1][k];
            flowN += flow2[i][j][k];
            areaN += m_ar_y[i][j][k];
        }
        const double Ua = std::sqrt(Su / (Z - 1));
        const double h = 2.0 * half;
        const double M = 26.0 / std::pow(Xks[i][j], 0.166666);
        const double nzTop = m_vec_z[i][j][Z][2];
        const double s = std::sqrt(std::max(0.0, 1.0 - nzTop * nzTop));
        if (!(s > 12.639918310796029 / (M * M * std::pow(Ua * h, 0.222222)))) return;
        const double ub = xvel[i][j][2], vb = yvel[i][j][2];
        if (!(ub * m_vec_z[i][j][1][0] + vb * m_vec_z[i][j][1][1] > 0.0)) return;

        const double Uw = 0.001 * flowW / (areaW + 1e-20), Ue = 0.001 * flowE / (areaE + 1e-20);
        const double Vs = 0.001 * flowS / (areaS + 1e-20), Vn = 0.001 * flowN / (areaN + 1e-20);
        auto zs = [Z](int a, int b) { return zval[a][b][Z]; };
        const double Hw = 0.5 * (zs(i - 1, j) + zs(i - 1, j - 1)) + 0.051 * Uw * Uw;
        const double He = 0.5 * (zs(i, j) + zs(i, j - 1)) + 0.051 * Ue * Ue;
        const double Hs = 0.5 * (zs(i, j - 1) + zs(i - 1, j - 1)) + 0.051 * Vs * Vs;
        const double Hn = 0.5 * (zs(i - 1, j) + zs(i, j)) + 0.051 * Vn * Vn;
        const double nx = m_vec_x[i - 1][j][c], ny = m_vec_y[i][j - 1][c];
        const double lx = 2.0 * m_dist_x[i][j][2], ly = 2.0 * m_dist_y[i][j][2];
        const double D = (Uw - Ue) * nx / lx + (Vs - Vn) * ny / ly;
        const double G = (Hw - He) / (lx + 1e-20) * nx + (Hs - Hn) / (ly + 1e-20) * ny;
        const double cosine = phi[i][j][2] / std::hypot(ub, vb);
        double T = h * kWaterDensity * Ua * D + h * kRhoG * G - kinen[i][j][2] * sqcmyrho * cosine;
        T = std::max(T, 0.0);
        T *= 0.5 * m_armap[i][j] / (Ua * std::fabs(cosine) + 1e-20);
        wap[i][j][2] += T;
        wap[i][j][Z] += T;
    });
}
