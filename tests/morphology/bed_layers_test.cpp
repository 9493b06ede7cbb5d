// The exchange between the active and the inactive bed layer of one column,
// case by case: two size classes, the active-layer limit 1 cm, given
// per-size changes. Each row states the case, both layers after it, SumG, the
// thickness moved across the layer boundary, the lines logged and the exit.
#include <cmath>
#include <filesystem>
#include <string>

#include "control/state.h"
#include "flow3d/state.h"
#include "morphology/bed_layers.h"
#include "support/testing.h"

using namespace quird_test;
using bedlayers::Layer;
using bedlayers::LayerRule;

namespace {

class BedLayerExchange : public EngineTest {};

constexpr double kMaxgrain = 0.01;
constexpr int kI = 3, kJ = 4;

struct Row {
    const char* label;
    const LayerRule* rule;
    double dz1, dz2;
    double Ta, f1, f2, Ti, g1, g2;  // before
    double before;                  // BedMove of the column before the step
    const char* name;
    double Ta2, F1, F2, Ti2, G1, G2;  // after
    double SumG, moved;
    bool conserves;  // the volume of each size in the two layers changes by its dz
    bool sumsToOne;  // the fractions of every layer thicker than 0 sum to 1
    const char* log;
    int exit;
};

const LayerRule* const C = &bedlayers::kLayerCases;
const LayerRule* const F = &bedlayers::kLayerFallVelocity;
const LayerRule* const M = &bedlayers::kLayerMovingBottom;
constexpr int kGoesOn = kNoExit;

const Row kRows[] = {
    // Erosion within the inactive layer: the active layer keeps its thickness
    // and takes the eroded thickness from below with the inactive composition.
    {"E1", C, -0.002, -0.001, 0.01, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "E1",
     0.01, 0.35, 0.65, 0.097, 0.5, 0.5, 1, 0.003, true, true, "", kGoesOn},
    // Erosion deeper than the inactive layer: it merges into the active one.
    {"E2", C, -0.002, -0.002, 0.01, 0.4, 0.6, 0.002, 0.5, 0.5, 0, "E2",
     0.008, 0.375, 0.625, 0.0, 0.5, 0.5, 1, 0, true, true, "", kGoesOn},
    // No inactive layer: the active layer thins.
    {"E3", C, -0.002, -0.002, 0.01, 0.4, 0.6, 0.0, 0.0, 0.0, 0, "E3",
     0.006, 1.0 / 3, 2.0 / 3, 0.0, 0.0, 0.0, 1, 0, true, true, "", kGoesOn},
    // A size eroding more than the layer holds is clipped at 0.
    {"E3 clipped", C, -0.006, 0.0, 0.01, 0.4, 0.6, 0.0, 0.0, 0.0, 0, "E3",
     0.006, 0.0, 1.0, 0.0, 0.0, 0.0, 1, 0, false, true, "", kGoesOn},
    // Two sizes exchanging 1 mm each: thickness and inactive layer stay, the
    // composition follows the contents, BedMove becomes 0.
    {"N", C, 0.001, -0.001, 0.01, 0.5, 0.5, 0.1, 0.5, 0.5, 0.25, "N",
     0.01, 0.6, 0.4, 0.1, 0.5, 0.5, 1, 0, true, true, "", kGoesOn},
    // Deposition without an inactive layer: the active layer grows to maxgrain...
    {"D1", C, 0.002, 0.0, 0.004, 0.5, 0.5, 0.0, 0.0, 0.0, 0, "D1",
     0.006, 2.0 / 3, 1.0 / 3, 0.0, 0.0, 0.0, 1, 0, true, true, "", kGoesOn},
    // ... and the excess starts an inactive layer of the mixed composition.
    {"D2", C, 0.004, 0.0, 0.008, 0.5, 0.5, 0.0, 0.0, 0.0, 0, "D2",
     0.01, 2.0 / 3, 1.0 / 3, 0.002, 2.0 / 3, 1.0 / 3, 1, 0, true, true, "", kGoesOn},
    // A deposit thicker than maxgrain mixes the active content and passes down.
    {"D3", C, 0.02, 0.0, 0.01, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "D3",
     0.01, 0.8, 0.2, 0.12, 0.55, 0.45, 1, 0, true, true, "", kGoesOn},
    // The same by the relative erosion of a size (m = -0.006, b - m > maxgrain).
    {"D3 by m", C, 0.008, -0.0036, 0.01, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "D3",
     0.01, 5.0 / 6, 1.0 / 6, 0.1044, (0.0044 * 5 / 6 + 0.05) / 0.1044, (0.0044 / 6 + 0.05) / 0.1044, 1, 0, true,
     true, "", kGoesOn},
    // A slice of the old active composition passes down, the deposit takes its place.
    {"D4", C, 0.002, 0.001, 0.01, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "D4",
     0.01, 0.48, 0.52, 0.103, 0.0512 / 0.103, 0.0518 / 0.103, 1, 0, true, true, "", kGoesOn},
    // The same with an active layer half as thick as maxgrain: still sums to 1.
    {"D4 thin", C, 0.002, 0.001, 0.005, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "D4",
     0.005, 0.56, 0.44, 0.103, 0.0512 / 0.103, 0.0518 / 0.103, 1, 0, true, true, "", kGoesOn},
    // A slice thicker than the active layer: fractions outside 0..1 are
    // logged, the volumes still add up.
    {"D4 beyond", C, 0.005, 0.0, 0.002, 0.5, 0.5, 0.1, 0.5, 0.5, 0, "D4",
     0.002, 1.75, -0.75, 0.105, 0.5, 0.5, 1, 0, true, true,
     "TSC error, fractions: Iter=7, l=1, i=3, j=4\n"
     "BSedDistrib[1,3,4] = 1.750000 0.002000 0.500000 0.105000\n"
     "bedmove = 0.005, thick2=0, SumG=1, midA[1]=0.006\n"
     "TSC error, fractions: Iter=7, l=2, i=3, j=4\n"
     "BSedDistrib[2,3,4] = -0.750000 0.002000 0.500000 0.105000\n"
     "bedmove = 0.005, thick2=0, SumG=1, midA[2]=0.001\n",
     kGoesOn},
    // A clipped erosion in D4: SumG 0.9 is reported.
    {"D4 clipped", C, -0.0004, 0.001, 0.002, 0.1, 0.9, 0.1, 0.5, 0.5, 0, "D4",
     0.002, -0.14, 1.04, 0.1008, 0.05008 / 0.1008, 0.05072 / 0.1008, 0.9, 0, false, false,
     "Warning, SumG = 0.900000 at i,j=3 4\n"
     "Bedmove = 0.0006, bedmove = 0.0008, InactiveThickness = 0.1008\n"
     "TSC error, fractions: Iter=7, l=1, i=3, j=4\n"
     "BSedDistrib[1,3,4] = -0.140000 0.002000 0.496825 0.100800\n"
     "bedmove = 0.0008, thick2=0, SumG=0.9, midA[1]=0\n"
     "TSC error, fractions: Iter=7, l=2, i=3, j=4\n"
     "BSedDistrib[2,3,4] = 1.040000 0.002000 0.503175 0.100800\n"
     "bedmove = 0.0008, thick2=0, SumG=0.9, midA[2]=0.0028\n",
     kGoesOn},
    // A negative active layer ends the run.
    {"negative", C, 0.0, 0.0, -0.01, 0.5, 0.5, 0.5, 0.5, 0.5, 0, "D4",
     -0.01, 1.0, 1.0, 0.51, 0.5, 0.5, 2, 0, false, false,
     "Error, negative active bed layer thickness (-0.01) at i,j=3 4\n", -44},
    // From the fall velocity: the floor 1e-15 keeps a tiny fraction, and the
    // SumG warning prints its second line with %lf.
    {"E3 floor", F, -0.006, 0.0, 0.01, 0.4, 0.6, 0.0, 0.0, 0.0, 0, "E3",
     0.006, 1e-15 / 0.006, 1.0, 0.0, 0.0, 0.0, 1, 0, false, true, "", kGoesOn},
    {"D4 clipped %lf", F, -0.0004, 0.001, 0.002, 0.1, 0.9, 0.1, 0.5, 0.5, 0, "D4",
     0.002, -0.14, 1.04, 0.1008, 0.05008 / 0.1008, 0.05072 / 0.1008, 0.9, 0, false, false,
     "Warning, SumG = 0.900000 at i,j=3 4\n"
     "Bedmove = 0.000600, bedmove = 0.000800, InactiveThickness = 0.100800\n"
     "TSC error, fractions: Iter=7, l=1, i=3, j=4\n"
     "BSedDistrib[1,3,4] = -0.140000 0.002000 0.496825 0.100800\n"
     "bedmove = 0.0008, thick2=0, SumG=0.9, midA[1]=1e-15\n"
     "TSC error, fractions: Iter=7, l=2, i=3, j=4\n"
     "BSedDistrib[2,3,4] = 1.040000 0.002000 0.503175 0.100800\n"
     "bedmove = 0.0008, thick2=0, SumG=0.9, midA[2]=0.0028\n",
     kGoesOn},
    // The moving bottom layer. Erosion taken from the inactive layer...
    {"erosion", M, -0.002, -0.001, 0.01, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "Er",
     0.01, 0.35, 0.65, 0.097, 0.5, 0.5, 1, 0.003, true, true, "", kGoesOn},
    // ... with the warning when it reaches below the active layer, although
    // the inactive layer covers it ...
    {"erosion covered", M, -0.008, -0.012, 0.01, 0.4, 0.6, 0.1, 0.5, 0.5, 0, "Er",
     0.01, 0.5, 0.5, 0.08, 0.5, 0.5, 1, 0.02, false, true,
     "Warning, erosion -0.01 meters below fixed bed at i,j=3 4\n"
     "Bedmove = -0.02, bedmove = -0.02, InactiveThickness = 0.08\n",
     kGoesOn},
    // ... then thinning the active layer once the inactive one is gone ...
    {"erosion exhausts", M, -0.002, -0.002, 0.01, 0.4, 0.6, 0.002, 0.5, 0.5, 0, "Er",
     0.008, 0.375, 0.625, 0.0, 0.5, 0.5, 1, 0.002, true, true, "", kGoesOn},
    // ... and ending the run beyond both layers.
    {"erosion beyond", M, -0.02, -0.02, 0.01, 0.4, 0.6, 0.02, 0.5, 0.5, 0, "Er",
     -0.01, 0.5, 0.5, 0.0, 0.5, 0.5, 1, 0.02, false, false,
     "Warning, erosion -0.03 meters below fixed bed at i,j=3 4\n"
     "Bedmove = -0.04, bedmove = -0.04, InactiveThickness = 0\n"
     "Error, negative active bed layer thickness (-0.01 meters) at i,j=3 4\n",
     -44},
    // A clipped size: the floor 1e-30 leaves a fraction that the clean-up removes.
    {"erosion clipped", M, -0.006, 0.0, 0.01, 0.4, 0.6, 0.0, 0.0, 0.0, 0, "Er",
     0.004, 0.0, 1.0, 0.0, 0.0, 0.0, 1, 0, false, true, "", kGoesOn},
    {"no change", M, 0.001, -0.001, 0.01, 0.5, 0.5, 0.1, 0.5, 0.5, 0.25, "N",
     0.01, 0.6, 0.4, 0.1, 0.5, 0.5, 1, 0, true, true, "", kGoesOn},
    // Deposition fills the active layer to maxgrain, the excess passes down ...
    {"deposition", M, 0.004, 0.0, 0.008, 0.5, 0.5, 0.1, 0.5, 0.5, 0, "De",
     0.01, 2.0 / 3, 1.0 / 3, 0.102, (0.002 * 2 / 3 + 0.05) / 0.102, (0.002 / 3 + 0.05) / 0.102, 1, 0.002, true,
     true, "", kGoesOn},
    // ... below maxgrain nothing passes ...
    {"deposition below", M, 0.002, 0.0, 0.004, 0.5, 0.5, 0.1, 0.5, 0.5, 0, "De",
     0.006, 2.0 / 3, 1.0 / 3, 0.1, 0.5, 0.5, 1, 0, true, true, "", kGoesOn},
    // ... and without an inactive layer its fractions become 0: SumG 0.
    {"deposition no layer", M, 0.002, 0.0, 0.004, 0.5, 0.5, 0.0, 0.0, 0.0, 0, "De",
     0.006, 2.0 / 3, 1.0 / 3, 0.0, 0.0, 0.0, 0, 0, true, true,
     "Warning, SumG = 0.000000 at i,j=3 4\n"
     "Bedmove = 0.002, bedmove = 0.002, InactiveThickness = 0\n",
     kGoesOn},
};

TEST_F(BedLayerExchange, CaseTable) {
    Iter = 7;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.label);
        std::filesystem::remove("boogie");
        Layer active, inactive;
        active.v[0] = r.Ta, active.v[1] = r.f1, active.v[2] = r.f2;
        inactive.v[0] = r.Ti, inactive.v[1] = r.g1, inactive.v[2] = r.g2;
        const double dz[3] = {0.0, r.dz1, r.dz2};
        const bedlayers::Exchange x = bedlayers::exchangeColumn(*r.rule, 2, dz, active, inactive, kMaxgrain, r.before);
        EXPECT_STREQ(x.name, r.name);
        const double tol = 1e-12;
        EXPECT_NEAR(x.active.v[0], r.Ta2, tol);
        EXPECT_NEAR(x.active.v[1], r.F1, tol);
        EXPECT_NEAR(x.active.v[2], r.F2, tol);
        EXPECT_NEAR(x.inactive.v[0], r.Ti2, tol);
        EXPECT_NEAR(x.inactive.v[1], r.G1, tol);
        EXPECT_NEAR(x.inactive.v[2], r.G2, tol);
        EXPECT_NEAR(x.SumG, r.SumG, tol);
        EXPECT_NEAR(x.moved, r.moved, tol);
        // BedMove takes the unclipped sum; the no-change case clears it.
        EXPECT_NEAR(x.BedMove, x.name[0] == 'N' ? 0.0 : r.before + r.dz1 + r.dz2, tol);
        if (r.sumsToOne) {
            if (x.active.v[0] > 0) {
                EXPECT_NEAR(x.active.v[1] + x.active.v[2], 1.0, 1e-12);
            }
            if (x.inactive.v[0] > 0) {
                EXPECT_NEAR(x.inactive.v[1] + x.inactive.v[2], 1.0, 1e-12);
            }
        }
        if (r.conserves)
            for (int l = 1; l <= 2; ++l) {
                const double was = active.v[l] * active.v[0] + inactive.v[l] * inactive.v[0];
                const double is = x.active.v[l] * x.active.v[0] + x.inactive.v[l] * x.inactive.v[0];
                EXPECT_NEAR(is - was, dz[l], 1e-12) << "size " << l;
            }
        EXPECT_EQ(exitCodeOf([&] { bedlayers::checkColumn(*r.rule, x, 2, kI, kJ); }), r.exit);
        EXPECT_EQ(std::filesystem::exists("boogie") ? readFile("boogie") : std::string(), r.log);
    }
}

}  // namespace
