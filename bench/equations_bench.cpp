// Micro-benchmarks of the equation solvers on the 1.2 M-cell grid of the duct
// benchmark (401 x 101 x 31 grid lines, 400 x 100 x 30 interior cells).
// Counter "cells/s": interior cells processed per second (a Gauss-Seidel
// sweep pair updates every cell twice, a TDMA pass about six times).
#include <benchmark/benchmark.h>
#include <omp.h>

#include <filesystem>
#include <random>

#include "control/engine.h"
#include "control/state.h"
#include "equations/parallel.h"
#include "equations/workspace.h"
#include "flow3d/state.h"
#include "grid/state.h"

namespace {

constexpr int kX = 401, kY = 101, kZ = 31;

// One workspace for all benchmarks: a diagonally dominant random equation.
void prepare() {
    static bool ready = false;
    if (ready) return;
    ready = true;
    const auto dir = std::filesystem::temp_directory_path() / "quird-bench";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    xnumber = kX;
    ynumber = kY;
    znumber = kZ;
    lnumber = 1;
    FlagRapSolver = 31;  // the allocator creates fnn
    sou[1] = 1;          // and the second-neighbour arrays
    sialloc();
    FlagRapSolver = 0;
    sou[1] = 0;
    Equation = 1;
    NormResidual[1] = 1.0;
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    for (std::int64_t n = 0; n < f.size(); ++n) f.data()[n] = u(rng);
    FieldArray<double, 3>* coef[] = {&ae,  &aw,  &as,  &an,  &wab, &wat,   &source, &gama,  &gamaV,
                                     &aee, &aww, &ass, &ann, &abb, &att, &flow1,  &flow2, &flow3};
    for (auto* a : coef)
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = u(rng);
    FieldArray<double, 3>* geometry[] = {&m_dist_x, &m_dist_y, &m_dist_z, &m_ar_x, &m_ar_y, &m_ar_z};
    for (auto* a : geometry)
        for (std::int64_t n = 0; n < a->size(); ++n) a->data()[n] = 1.0;
    for (std::int64_t n = 0; n < m_vec_z.size(); ++n) m_vec_z.data()[n] = 1.0;
    for (std::int64_t n = 0; n < twoD.size(); ++n) twoD.data()[n] = 1;
    for (std::int64_t n = 0; n < wap.size(); ++n) {
        wap.data()[n] = ae.data()[n] + aw.data()[n] + as.data()[n] + an.data()[n] + wab.data()[n] +
                        wat.data()[n] + aee.data()[n] + aww.data()[n] + ass.data()[n] + ann.data()[n] +
                        abb.data()[n] + att.data()[n] + 0.1;
        iAp.data()[n] = 1.0 / wap.data()[n];
    }
}

constexpr double kCells = double(kX - 1) * (kY - 1) * (kZ - 1);

void rate(benchmark::State& state) {
    state.counters["cells/s"] = benchmark::Counter(kCells * double(state.iterations()), benchmark::Counter::kIsRate);
}

// Threads 0: the serial path.
void BM_GaussSeidelSweepPair(benchmark::State& state) {
    prepare();
    NoProcessesSolver = static_cast<int>(state.range(0));
    FlagRapSolver = static_cast<int>(state.range(1));
    GaussIter = 1;
    for (auto _ : state) WaterGaussSeidel();
    rate(state);
}
BENCHMARK(BM_GaussSeidelSweepPair)
    ->ArgNames({"threads", "mode"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({4, 0})
    ->Args({8, 0})
    ->Args({1, 31})
    ->Args({2, 31})
    ->Args({4, 31})
    ->Args({8, 31})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// GaussIter 2: one sweep pair.
void BM_GaussSOUSweepPair(benchmark::State& state) {
    prepare();
    NoProcessesSolver = static_cast<int>(state.range(0));
    FlagRapSolver = 0;
    GaussIter = 2;
    for (auto _ : state) WaterGaussSOU();
    rate(state);
}
BENCHMARK(BM_GaussSOUSweepPair)->ArgName("threads")->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TDMAPass(benchmark::State& state) {
    prepare();
    for (auto _ : state) WaterTDMA();
    rate(state);
}
BENCHMARK(BM_TDMAPass)->Unit(benchmark::kMillisecond);

// The lines of one direction of a TDMA pass: 0 i, 1 j, 2 k.
void BM_TDMALines(benchmark::State& state) {
    prepare();
    const int axis = static_cast<int>(state.range(0));
    for (auto _ : state) WaterTDMAAlong(axis);
    rate(state);
}
BENCHMARK(BM_TDMALines)->ArgName("axis")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_Residual(benchmark::State& state) {
    prepare();
    NoProcessesSolver = static_cast<int>(state.range(0));
    for (auto _ : state) Residual();
    rate(state);
}
BENCHMARK(BM_Residual)->ArgName("threads")->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BlockCorrection(benchmark::State& state) {
    prepare();
    NoProcessesSolver = static_cast<int>(state.range(0));
    for (auto _ : state) NoProcessesSolver > 0 ? BlockCorrectionOpenMP() : BlockCorrection();
    rate(state);
}
BENCHMARK(BM_BlockCorrection)->ArgName("threads")->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

// The coefficient generators, serial (threads 0) or per block of i-planes.
void generate(benchmark::State& state, void (*serial)(), void (*perThread)(int, int)) {
    prepare();
    NoProcessesSolver = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (NoProcessesSolver == 0) {
            serial();
        } else {
            par::region(NoProcessesSolver, [perThread] {
                int first, last;
                solverBlock(omp_get_thread_num(), NoProcessesSolver, first, last);
                perThread(first, last);
            });
        }
    }
    rate(state);
}
void BM_PowerLawCoefficients(benchmark::State& state) { generate(state, coeffe_flow, coeffe_flowOpenMP); }
void BM_CentralCoefficients(benchmark::State& state) { generate(state, coeffe_central, coeffe_centralOpenMP); }
void BM_QuickCoefficients(benchmark::State& state) { generate(state, coeffe_quick, coeffe_quickOpenMP); }
void BM_SecondOrderUpwindCoefficients(benchmark::State& state) { generate(state, coeffe_SOU, coeffe_SOUOpenMP); }
BENCHMARK(BM_PowerLawCoefficients)->ArgName("threads")->Arg(0)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CentralCoefficients)->ArgName("threads")->Arg(0)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickCoefficients)->ArgName("threads")->Arg(0)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SecondOrderUpwindCoefficients)->ArgName("threads")->Arg(0)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
