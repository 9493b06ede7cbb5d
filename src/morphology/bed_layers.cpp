#include "morphology/bed_layers.h"

#include <algorithm>
#include <cmath>

#include "control/log.h"
#include "flow3d/state.h"

namespace bedlayers {

const LayerRule kLayerCases = {
    "morphology_fractions", 0.0, false,
    "Bedmove = %lg, bedmove = %lg, InactiveThickness = %lg\n",
    "Error, negative active bed layer thickness (%lg) at i,j=%d %d\n",
    "bedmove = %lg, thick2=%lg, SumG=%lg, midA[%d]=%lg\n",
};
const LayerRule kLayerFallVelocity = {
    "morphology2_fractions", 1e-15, false,
    "Bedmove = %lf, bedmove = %lf, InactiveThickness = %lf\n",
    "Error, negative active bed layer thickness (%lg) at i,j=%d %d\n",
    "bedmove = %lg, thick2=%lg, SumG=%lg, midA[%d]=%lg\n",
};
const LayerRule kLayerMovingBottom = {
    "morphology2_fractions1", 1e-30, true,
    "Bedmove = %lg, bedmove = %lg, InactiveThickness = %lg\n",
    "Error, negative active bed layer thickness (%lg meters) at i,j=%d %d\n",
    "bedmove = %lg, movebottomlayer=%lg, SumG=%lg, midA[%d]=%lg\n",
};

namespace {

constexpr double kNoChange = 1e-9;  // |change of the layer content| below this: no exchange (m)
constexpr double kNoLayer = 1e-15;  // an inactive layer thinner than this is absent (m)

void setName(Exchange& x, const char* name) {
    x.name[0] = name[0];
    x.name[1] = name[1];
    x.name[2] = '\0';
}

// Active fractions from the new contents alone.
void fromContents(Exchange& x, int n) {
    for (int l = 1; l <= n; ++l) x.active.v[l] = x.midA[l] / x.S;
}

// The cases E1..D4: the boundary between the layers stays, the deposit or
// the erosion passes through the active layer into or out of the inactive one.
void exchangeCases(Exchange& x, int n, const double* dz, const Layer& active, const Layer& inactive, double maxgrain) {
    const double Ta = active.v[0], Ti = inactive.v[0], b = x.bedmove;
    const double* f = active.v;
    const double* g = inactive.v;
    double sum = 0.0;
    if (b < -kNoChange) {
        if (Ti > -b) {
            setName(x, "E1");
            for (int l = 1; l <= n; ++l) {
                x.active.v[l] = (g[l] * (-b) + x.midA[l]) / (Ta + 1e-30);
                sum += x.active.v[l];
            }
            x.inactive.v[0] = Ti + b;
            x.SumG = sum;
            x.moved = -b;
        } else if (Ti >= kNoLayer) {
            setName(x, "E2");
            for (int l = 1; l <= n; ++l) sum += Ti * g[l] + x.midA[l];
            for (int l = 1; l <= n; ++l) x.active.v[l] = (Ti * g[l] + x.midA[l]) / (sum + 1e-20);
            x.active.v[0] = Ti + b + Ta;
            x.inactive.v[0] = 0.0;
            x.SumG = 1.0;
        } else {
            setName(x, "E3");
            for (int l = 1; l <= n; ++l) x.active.v[l] = x.midA[l] / (x.S + 1e-20);
            x.active.v[0] = std::max(0.0, Ta + b);
            x.inactive.v[0] = 0.0;
            x.SumG = 1.0;
        }
    } else if (b <= kNoChange) {
        // The thickness stays, but sizes exchanged with the water (one eroding
        // as another deposits) change the composition.
        setName(x, "N");
        if (x.S > 0.0) fromContents(x, n);
        x.SumG = 1.0;
        x.BedMove = 0.0;
    } else if (Ti <= kNoLayer) {
        fromContents(x, n);
        if (Ta + b < maxgrain) {
            setName(x, "D1");
            x.active.v[0] = Ta + b;
        } else {
            setName(x, "D2");
            x.active.v[0] = maxgrain;
            for (int l = 1; l <= n; ++l) x.inactive.v[l] = x.midA[l] / x.S;
            x.inactive.v[0] = Ta + b - maxgrain;
        }
        x.SumG = 1.0;
    } else {
        double m = 0.0;
        for (int l = 1; l <= n; ++l) m = std::min(m, dz[l] / (f[l] + 1e-20));
        if (b - m > maxgrain) {
            // The whole active content mixes; the deposit passes down with the
            // new active composition.
            setName(x, "D3");
            fromContents(x, n);
            for (int l = 1; l <= n; ++l) {
                x.inactive.v[l] = (b * x.active.v[l] + g[l] * Ti) / (Ti + b);
                sum += x.inactive.v[l];
            }
        } else {
            // A slice b of the old active composition passes down, the deposit
            // takes its place.
            setName(x, "D4");
            for (int l = 1; l <= n; ++l) {
                x.inactive.v[l] = (b * f[l] + g[l] * Ti) / (Ti + b);
                x.active.v[l] = (f[l] * (Ta - b) + dz[l]) / (Ta + 1e-15);
                sum += x.active.v[l];
            }
        }
        x.inactive.v[0] = Ti + b;
        x.SumG = sum;
    }
}

// The moving bottom layer: erosion is made good from the inactive layer while
// it lasts, deposition fills the active layer to maxgrain and passes the
// excess down.
void exchangeMovingBottom(Exchange& x, int n, const Layer& active, const Layer& inactive, double maxgrain) {
    const double Ta = active.v[0], Ti = inactive.v[0], b = x.bedmove;
    const double* g = inactive.v;
    double sum = 0.0;
    x.erosionBelow = Ta + b;
    if (b < -kNoChange) {
        setName(x, "Er");
        const double move = std::min(-b, Ti);
        const double T = Ta + b + move;
        for (int l = 1; l <= n; ++l) {
            x.active.v[l] = (move * g[l] + x.midA[l]) / (T + 1e-30);
            sum += x.active.v[l];
        }
        for (int l = 1; l <= n; ++l) x.active.v[l] /= sum;
        x.active.v[0] = T;
        x.inactive.v[0] = Ti - move;
        x.moved = move;
        x.SumG = 1.0;
    } else if (b <= kNoChange) {
        setName(x, "N");
        fromContents(x, n);
        x.SumG = 1.0;
        x.BedMove = 0.0;
    } else {
        setName(x, "De");
        fromContents(x, n);
        x.active.v[0] = std::min(x.S, maxgrain);
        const double move = std::max(0.0, x.S - maxgrain);
        for (int l = 1; l <= n; ++l) {
            x.inactive.v[l] = (move * x.active.v[l] + g[l] * Ti) / (Ti + move + 1e-20);
            sum += x.inactive.v[l];
        }
        x.inactive.v[0] = Ti + move;
        x.moved = move;
        x.SumG = sum;
    }
}

}  // namespace

Exchange exchangeColumn(const LayerRule& rule, int n, const double* dz, const Layer& active, const Layer& inactive,
                        double maxgrain, double bedMoveBefore) {
    Exchange x;
    x.active = active;
    x.inactive = inactive;
    const double Ta = active.v[0];
    double sumDz = 0.0;
    x.BedMove = bedMoveBefore;
    for (int l = 1; l <= n; ++l) {
        if (rule.movingBottom)
            sumDz += dz[l];
        else
            x.BedMove += dz[l];
        x.midA[l] = std::max(rule.floor, active.v[l] * Ta + dz[l]);
        x.S += x.midA[l];
    }
    if (rule.movingBottom) {
        x.bedmove = sumDz;
        x.BedMove += sumDz;
        exchangeMovingBottom(x, n, active, inactive, maxgrain);
    } else {
        x.bedmove = x.S - Ta;
        exchangeCases(x, n, dz, active, inactive, maxgrain);
    }
    for (int l = 1; l <= n; ++l) {
        if (std::fabs(x.active.v[l]) < 1e-15) x.active.v[l] = 0.0;
        if (std::fabs(x.inactive.v[l]) < 1e-15) x.inactive.v[l] = 0.0;
    }
    return x;
}

void checkColumn(const LayerRule& rule, const Exchange& x, int n, int i, int j) {
    if (rule.movingBottom && x.erosionBelow < -1e-10) {
        Log log;
        log.printf("Warning, erosion %lg meters below fixed bed at i,j=%d %d\n", x.erosionBelow, i, j);
        log.printf(rule.bedMoveLine, x.BedMove, x.bedmove, x.inactive.v[0]);
    }
    if ((x.SumG < 0.99 || x.SumG > 1.01) && std::fabs(x.BedMove) > 1e-8) {
        Log log;
        log.printf("Warning, SumG = %lf at i,j=%d %d\n", x.SumG, i, j);
        log.printf(rule.bedMoveLine, x.BedMove, x.bedmove, x.inactive.v[0]);
    }
    if (x.active.v[0] < 0.0) failf(-44, rule.negativeLine, x.active.v[0], i, j);
    for (int l = 1; l <= n; ++l) {
        if (x.active.v[l] <= 1.0 && x.active.v[l] >= 0.0) continue;
        Log log;
        log.printf("TSC error, fractions: Iter=%ld, l=%d, i=%d, j=%d\n", Iter, l, i, j);
        log.printf("BSedDistrib[%d,%d,%d] = %lf %lf %lf %lf\n", l, i, j, x.active.v[l], x.active.v[0],
                   x.inactive.v[l], x.inactive.v[0]);
        log.printf(rule.fractionLine, x.bedmove, x.moved, x.SumG, l, x.midA[l]);
    }
}

}  // namespace bedlayers
