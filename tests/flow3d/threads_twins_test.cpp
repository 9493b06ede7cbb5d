// The flow solver's threaded forms against its serial routines: the block
// table, and every per-block twin run over all blocks (with its caller's
// clean-up after the region) for 1 to 5 threads and for more threads than
// planes, bit for bit against the serial routine on random fields of a
// single-block grid with walls and a blocked box and of the two-block grid.
#include <omp.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "equations/parallel.h"
#include "flow3d/dispatchers.h"
#include "flow3d/regions.h"
#include "turbulence/stress_models.h"
#include "turbulence/turbulence.h"
#include "flow_fixture.h"
#include "support/bits.h"

using namespace quird_test;

namespace {

constexpr int kTeams[] = {1, 2, 3, 4, 5, 12};

class Twins : public FlowTest {
protected:
    // Grid of 11 node lines along i: a sheared single block with walls, a
    // blocked box and blocked columns, or the two-block grid.
    void grid(bool twoBlocks, bool vegetation = false) {
        resetEngine();
        startState();
        FlagDragDLL = vegetation ? 1 : 0;  // the allocator creates Porosity
        RelaxRhieChow = -1.0;  // the allocator creates invFlow
        simple = 'N';          // and invAPC
        sou[1] = 1;            // and the second-neighbour couplings
        FlagReynoldsStress = 12;  // and the stress store
        if (twoBlocks) {
            const TwoBlockGrid g{.mainLines = 8, .blockLines = 3, .Y = 5, .Z = 5, .start = 3};
            g.build();
            geometryOnOneThread(true);
        } else {
            shearedGrid(11, 6, 5, 1.0, 0.5, 0.2, [](int i, int j, int k) { return 0.02 * i + 0.01 * j + 0.3 * (k - 1); });
            geometryOnOneThread(false);
        }
        RelaxRhieChow = 1.0;
        simple = 'Y';
        sou[1] = 0;
        FlagReynoldsStress = 0;
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> any(-1.0, 1.0);
        auto random = [&](FieldArray<double, 3>& a, double offset, double scale) {
            ASSERT_FALSE(a.isNull());
            for (std::int64_t n = 0; n < a.size(); ++n) a.data()[n] = scale * (offset + any(rng));
        };
        random(xvel, 1.5, 0.3);
        random(yvel, 0.0, 0.2);
        random(zvel, 0.0, 0.05);
        random(Pres, 0.0, 100.0);
        random(invAP, 1.5, 0.01);
        random(invAPC, 1.5, 0.02);
        random(invFlow, 1.5, 0.03);
        random(fStorage, 0.0, 1.0);
        random(flow1, 0.0, 50.0);
        random(flow2, 0.0, 50.0);
        random(flow3, 0.0, 50.0);
        f = fStorage;
        if (!twoBlocks) {
            // Walls on both sides of a plate between planes 5 and 6 (the
            // block edge of several team sizes), and single walls elsewhere.
            for (int k = 2; k <= 3; ++k) {
                wall(5, 3, k, 0, -1);
                wall(6, 3, k, 0, 1);
            }
            wall(2, 4, 3, 0, 1);
            wall(8, 2, 4, 1, 1);
            wall(9, 6, 2, 2, 1);
            wall(4, 5, 5, 2, -1);
            OutBlockNo = 1;
            OutBlock[1] = OutBlockRecord{{7, 7, 3, 4, 2, 3}, 1};
            for (int i = 1; i <= xnumber + 1; ++i)
                for (int j = 1; j <= ynumber + 1; ++j) kblok[i][j] = (i == 10 && j == 3) ? 0 : 1;
        }
    }
    // The grid geometry opens plain OpenMP loops, which the thread sanitizer
    // cannot follow: this fixture builds it on one thread.
    static void geometryOnOneThread(bool joints) {
        const int threads = omp_get_max_threads();
        omp_set_num_threads(1);
        metric();
        if (joints) MultiBlockInit();
        smetric();
        omp_set_num_threads(threads);
    }
    static void wall(int i, int j, int k, int dir, int flag) {
        (dir == 0 ? WallI : dir == 1 ? WallJ : WallK)[i][j][k] = flag;
        Wall[i][j][k] = 1;
    }
    // Every cell 1..n+1 in each direction.
    template <class Fn>
    static void forCells(Fn&& fn) {
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j)
                for (int k = 1; k <= znumber + 1; ++k) fn(i, j, k);
    }

    // Runs `serial` with F 206 0, then `threaded` for every team size from
    // the same inputs, and compares `outputs` bit for bit.
    template <class Serial, class Threaded>
    static void compare(const Arrays& inputs, const Arrays& outputs, Serial serial, Threaded threaded,
                        const std::string& what) {
        std::vector<std::vector<double>> saved;
        for (const FieldArray<double, 3>* a : inputs) saved.emplace_back(a->data(), a->data() + a->size());
        auto restore = [&] {
            for (size_t n = 0; n < inputs.size(); ++n)
                std::memcpy(inputs[n]->data(), saved[n].data(), saved[n].size() * sizeof(double));
        };
        NoProcessesSolver = 0;
        serial();
        const std::vector<unsigned char> want = bitsOf(outputs);
        for (int team : kTeams) {
            restore();
            NoProcessesSolver = team;
            threaded();
            EXPECT_TRUE(bitsOf(outputs) == want) << what << ", " << team << " threads";
        }
        NoProcessesSolver = 0;
        restore();
    }
};

const Arrays kFluxes = {&flow1, &flow2, &flow3};
const Arrays kCoefficients = {&ae, &aw, &an, &as, &wat, &wab, &source, &zvel};
const Arrays kCorrected = {&flow1, &flow2, &flow3, &xvel, &yvel, &zvel, &Pres};

TEST(BlockTable, BlocksOfTheIPlanes) {
    const int saved = xnumber;
    xnumber = 11;
    const int w = (xnumber - 1) / 4;
    const flowpar::Block want[] = {{2, 3}, {4, 5}, {6, 7}, {8, 11}};
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(flowpar::blockOf(p, 4, w).first, want[p].first) << p;
        EXPECT_EQ(flowpar::blockOf(p, 4, w).last, want[p].last) << p;
    }
    // More threads than interior planes: all blocks but the last are empty.
    for (int p = 0; p < 11; ++p) {
        const flowpar::Block b = flowpar::blockOf(p, 12, (xnumber - 1) / 12);
        EXPECT_GT(b.first, b.last) << p;
    }
    EXPECT_EQ(flowpar::blockOf(11, 12, 0).first, 2);
    EXPECT_EQ(flowpar::blockOf(11, 12, 0).last, 11);
    xnumber = saved;
}

// Every option of the face fluxes that changes which faces are written.
TEST_F(Twins, FaceFluxesEqualTheSerialRoutine) {
    struct Option {
        const char* name;
        int rhieChow, cyclic, tfs;
        double relax;
    };
    const Option options[] = {{"plain", 0, 0, 0, 1.0},     {"harmonic", 1, 0, 0, 1.0}, {"shallow", 2, 0, 0, 1.0},
                              {"bed steps", 3, 0, 0, 1.0}, {"equal", 6, 2, 0, 1.0},    {"cyclic", 0, 2, 0, 1.0},
                              {"free surface", 0, 0, 1, 1.0}, {"invFlow", 0, 0, 0, -0.7}};
    for (bool twoBlocks : {false, true}) {
        grid(twoBlocks);
        // Targets above the bed in part of the grid for the bed steps.
        for (int i = 1; i <= xnumber; ++i)
            for (int j = 1; j <= ynumber; ++j) zval[i][j][0] = zval[i][j][1] + (i % 3) * 0.05;
        for (const Option& o : options) {
            FlagRhieChow = o.rhieChow;
            FlagCyclicF = o.cyclic;
            FlagTFS = o.tfs;
            RelaxRhieChow = o.relax;
            compare(kFluxes, kFluxes, [] { waterflow(); }, [] { faceFluxes(); },
                    std::string(o.name) + (twoBlocks ? ", two blocks" : ""));
        }
    }
}

TEST_F(Twins, PressureCorrectionCoefficientsEqualTheSerialRoutine) {
    for (bool twoBlocks : {false, true})
        for (int tfs : {0, 1}) {
            grid(twoBlocks);
            FlagTFS = tfs;
            compare(
                kCoefficients, kCoefficients, [] { pressure_correction(); },
                [] { flowpar::dispatchBlocks("test", pressure_correctionOpenMP); },
                std::string(twoBlocks ? "two blocks" : "single block") + ", F 36 " + std::to_string(tfs));
        }
}

TEST_F(Twins, CorrectionsEqualTheSerialRoutine) {
    struct Option {
        const char* name;
        bool twoBlocks;
        int presGrad, tsc, minDepth, tfs, dirCor;
        char simpleLetter;
    };
    const Option options[] = {
        {"first order", false, 0, 0, 0, 0, 0, 'Y'},  {"second order", false, 11, 0, 0, 0, 0, 'N'},
        {"deep columns", false, 0, 1, 3, 0, 0, 'Y'}, {"free surface", false, 0, 0, 0, 1, 0, 'Y'},
        {"flow direction", false, 0, 0, 0, 0, 1, 'Y'}, {"joints", true, 0, 0, 0, 0, 0, 'N'},
    };
    for (const Option& o : options) {
        grid(o.twoBlocks);
        FlagPresGrad = o.presGrad;
        FlagTSC = o.tsc;
        FlagTSCMinDepth = o.minDepth;
        TSCMinDepth = 0.5;
        FlagTFS = o.tfs;
        FlagFlowDirCor = o.dirCor;
        simple = o.simpleLetter;
        if (o.dirCor == 1)  // row (4, 4) carries mass out of every cell: a chain of reversals along i
            for (int i = 1; i <= xnumber; ++i) {
                flow1[i][4][4] = i == 1 ? -10.0 : 10.0;
                flow2[i][4][4] = 10.0, flow2[i][3][4] = -10.0;
                flow3[i][4][4] = 10.0, flow3[i][4][3] = -10.0;
            }
        compare(
            kCorrected, kCorrected, [] { SimpleCorrections(); },
            [] {
                flowpar::dispatchBlocks("test", SimpleCorrectionsOpenMP);
                correctionsCleanUp();
            },
            o.name);
        FlagTSC = 0;
        if (o.dirCor == 1) {
            // The random fluxes make the check reverse faces; every run of the
            // seven writes the same number of warnings.
            const std::string log = boogie();
            int lines = 0;
            for (size_t at = 0; (at = log.find("Warning, corrected direction", at)) != std::string::npos; ++at) ++lines;
            EXPECT_GE(lines, 7 * (xnumber - 2));
            EXPECT_EQ(lines % 7, 0);
        }
    }
}

// F 133: the porous pressure solve runs once for the whole domain, after the
// pressures of every block and before the surface extrapolation.
TEST_F(Twins, PorousPressureOnceForTheWholeDomain) {
    for (const int tfs : {0, 1}) {
        grid(false, true);
        FlagTFS = tfs;
        Plimit = 0.5;
        Pnloops = 2;
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> any(0.0, 1.0);
        forCells([&](int i, int j, int k) { Porosity[i][j][k] = any(rng) < 0.4 ? 0.9 : 0.1; });
        Porosity[6][3][3] = 0.5;
        const Arrays inputs = {&flow1, &flow2, &flow3, &xvel, &yvel, &zvel, &Pres, &ae, &aw, &an, &as, &wat, &wab};
        compare(
            inputs, kCorrected, [] { SimpleCorrections(); },
            [] {
                flowpar::dispatchBlocks("test", SimpleCorrectionsOpenMP);
                correctionsCleanUp();
            },
            tfs ? "porous, free surface" : "porous");
    }
}

// Form 1 on the team for F 46 1; every other code its serial form with threads too.
TEST_F(Twins, PressureSourceFollowsF46OnEveryPath) {
    grid(false);
    for (int code = 0; code <= 20; ++code) {
        if (code == 7 || code == 9 || code == 10) continue;  // level forms: a run of their own
        FlagPresGrad = code;
        for (int eq = 1; eq <= 3; ++eq) {
            Equation = eq;
            compare({&source}, {&source}, [] { pressure_source(); }, [] { pressure_source(); },
                    "F 46 " + std::to_string(code) + ", equation " + std::to_string(eq));
        }
    }
}

// The coefficient and wall dispatchers give the serial workspace.
TEST_F(Twins, CoefficientsAndWallLawsEqualTheSerialRoutines) {
    grid(false);
    forCells([](int i, int j, int k) {
        gama[i][j][k] = gamaV[i][j][k] = 0.001 + 0.0001 * ((i + 2 * j + 3 * k) % 7);
        kinen[i][j][k] = 0.001 * (1 + (i * j + k) % 5);
        wap[i][j][k] = 1.0 + 0.1 * ((i + j + k) % 3);
        source[i][j][k] = 0.5 - 0.1 * ((i * k + j) % 4);
    });
    const Arrays workspace = {&ae, &aw, &an, &as, &wat, &wab, &aee, &aww, &ass, &ann, &abb, &att};
    for (int scheme : {0, 1, 2, 3}) {
        Equation = 1;
        compare(workspace, workspace, [scheme] { convectionCoefficients(scheme); },
                [scheme] { convectionCoefficients(scheme); }, "scheme " + std::to_string(scheme));
    }
    for (int variant : {0, 5, 9})
        for (int eq = 1; eq <= 3; ++eq) {
            FlagWallAll = variant;
            Equation = eq;
            compare({&wap, &source}, {&wap, &source}, [] { wallLawStep(); }, [] { wallLawStep(); },
                    "wall variant " + std::to_string(variant) + ", equation " + std::to_string(eq));
        }
    // The alternative routine of F 228 per block; F 15 1 on the main thread.
    for (auto [routine, variant] : {std::pair{1, 0}, std::pair{1, 5}, std::pair{0, 1}})
        for (int eq : {1, 2, 3, 5, 6}) {
            FlagWallNew = routine;
            FlagWallAll = variant;
            Equation = eq;
            compare({&wap, &source}, {&wap, &source}, [] { wallLawStep(); }, [] { wallLawStep(); },
                    "F 228 " + std::to_string(routine) + ", F 15 " + std::to_string(variant) + ", equation " +
                        std::to_string(eq));
        }
    FlagWallNew = 0;
    // G 50 keeps a component serial: no region, same values.
    FlagOpenMP[flowpar::kWallLaws] = 1;
    NoProcessesSolver = 4;
    EXPECT_FALSE(flowpar::threaded(flowpar::kWallLaws));
    EXPECT_TRUE(flowpar::threaded(flowpar::kFluxes));
    NoProcessesSolver = 0;
}

// The residual is the same for every thread count (plane sums added in order).
TEST_F(Twins, ResidualIsTheSameForEveryThreadCount) {
    grid(false);
    forCells([](int i, int j, int k) {
        const double x = 0.1 * ((i * 7 + j * 3 + k * 5) % 11);
        ae[i][j][k] = 0.3 + x, aw[i][j][k] = 0.2 * x, an[i][j][k] = 0.1 + x, as[i][j][k] = 0.4 * x;
        wat[i][j][k] = 0.05 + x, wab[i][j][k] = 0.3 * x, wap[i][j][k] = 3.0 + x, source[i][j][k] = x - 0.5;
    });
    for (int eq : {1, 4}) {
        Equation = eq;
        NormResidual[eq] = 1.0;
        NoProcessesSolver = 0;
        Residual();
        const double serial = MaxResidual[eq];
        for (int team : {1, 3, 8}) {
            NoProcessesSolver = team;
            Residual();
            EXPECT_EQ(MaxResidual[eq], serial) << "equation " << eq << ", " << team << " threads";
        }
    }
    NoProcessesSolver = 0;
}

// A log that cannot be opened inside a region (a flow-direction warning, the
// entry of the coefficients) ends the run with -3 from the main thread after
// the region; nothing passes silently.
TEST_F(Twins, AnUnopenableLogInARegionEndsTheRunAfterIt) {
    grid(false);
    FlagFlowDirCor = 1;
    for (int i = 1; i <= xnumber; ++i) {
        flow1[i][4][4] = i == 1 ? -10.0 : 10.0;
        flow2[i][4][4] = 10.0, flow2[i][3][4] = -10.0;
        flow3[i][4][4] = 10.0, flow3[i][4][3] = -10.0;
    }
    std::filesystem::remove("boogie");
    std::filesystem::create_directory("boogie");  // fopen for appending fails
    NoProcessesSolver = 3;
    EXPECT_EQ(exitCodeOf([] { flowpar::dispatchBlocks("test", SimpleCorrectionsOpenMP); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    mc_message[0] = '\0';
    EXPECT_EQ(exitCodeOf([] { flowpar::dispatchBlocks("test", pressure_correctionOpenMP); }), -3);
    EXPECT_STREQ(mc_message, "cannot open file 'boogie' ");
    NoProcessesSolver = 0;
    std::filesystem::remove("boogie");
}

// The turbulence sources per block (the joint step on the two-block grid
// included) and the k and epsilon wall terms per block give the serial
// values, for the transport models and the roughness-layer production.
TEST_F(Twins, TurbulenceSourcesAndWallTermsEqualTheSerialRoutines) {
    for (bool twoBlocks : {false, true}) {
        grid(twoBlocks);
        forCells([](int i, int j, int k) {
            gama[i][j][k] = gamaV[i][j][k] = 0.001 + 0.0001 * ((i + 2 * j + 3 * k) % 7);
            kinen[i][j][k] = 0.001 * (1 + (i * j + k) % 5);
            epsilon[i][j][k] = 0.0001 * (1 + (i + j * k) % 4);
            wap[i][j][k] = 1.0 + 0.1 * ((i + j + k) % 3);
            source[i][j][k] = 0.5 - 0.1 * ((i * k + j) % 4);
        });
        for (int i = 1; i <= xnumber + 1; ++i)
            for (int j = 1; j <= ynumber + 1; ++j) Xks[i][j] = 0.3;
        const Arrays terms = {&wap, &source, &Stress};
        for (int model : {0, 1, 14, 15})
            for (int brelk : {0, 7})
                for (int eq : {5, 6}) {
                    // Models 14 and 15 for their gradients at the block ends;
                    // the one-equation model has no second equation.
                    if (model >= 14 && (brelk == 7 || (model == 14 && eq == 6))) continue;
                    TurbulenceModel = model;
                    FlagBrelk = brelk;
                    Equation = eq;
                    const std::string what = std::string(twoBlocks ? "two blocks" : "single block") + ", F 24 " +
                                             std::to_string(model) + ", F 189 " + std::to_string(brelk) +
                                             ", equation " + std::to_string(eq);
                    compare(terms, terms, [] { turbulence(); },
                            [] { flowpar::dispatchBlocks("turbulenceOpenMP", turbulenceOpenMP); }, "sources, " + what);
                    compare({&wap, &source}, {&wap, &source}, [] { wallLawStep(); }, [] { wallLawStep(); },
                            "wall terms, " + what);
                }
        TurbulenceModel = 0;
        FlagBrelk = 0;
    }
}

// The algebraic stress models per block (dispatchers 6 and 7), whose phases
// wait for the whole team, give the slots and sources of the serial calls.
TEST_F(Twins, StressModelsEqualTheSerialRoutines) {
    grid(false);
    forCells([](int i, int j, int k) {
        kinen[i][j][k] = 0.001 * (1 + (i * j + k) % 5);
        epsilon[i][j][k] = 0.0001 * (1 + (i + j * k) % 4);
    });
    ASSERT_EQ(Rstress.extent(0), kExplicitStressSlots);
    // The momentum step's calls: the second model once, the first for u, v, w.
    auto step = [] {
        std::fill(Rstress.data(), Rstress.data() + Rstress.size(), 0.0);
        explicitStressStep();
        std::vector<unsigned char> bits;
        for (int eq = 1; eq <= 3; ++eq) {
            Equation = eq;
            std::fill(source.data(), source.data() + source.size(), 0.5);
            reynoldsStressStep();
            const std::vector<unsigned char> s = bitsOf({&source});
            bits.insert(bits.end(), s.begin(), s.end());
        }
        const auto* p = reinterpret_cast<const unsigned char*>(Rstress.data());
        bits.insert(bits.end(), p, p + Rstress.size() * sizeof(double));
        return bits;
    };
    for (int model : {2, 12}) {
        FlagReynoldsStress = model;
        NoProcessesSolver = 0;
        const std::vector<unsigned char> want = step();
        for (int team : kTeams) {
            NoProcessesSolver = team;
            EXPECT_TRUE(step() == want) << "F 220 " << model << ", " << team << " threads";
        }
    }
    NoProcessesSolver = 0;
    FlagReynoldsStress = 0;
}

}  // namespace
