// Cell geometry of a river-sized grid: metric and smetric per call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

#include "control/engine.h"
#include "control/state.h"
#include "grid/grid.h"
#include "grid/state.h"

namespace {

void buildGrid(int X, int Y, int Z) {
    static bool built = false;
    if (built) return;
    built = true;
    const auto dir = std::filesystem::temp_directory_path() / "quird-metric-bench";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    xnumber = X;
    ynumber = Y;
    znumber = Z;
    lnumber = 1;
    if (sialloc() != 0) std::abort();
    // A meandering channel with a sloping, uneven bed.
    for (int i = 1; i <= X; ++i)
        for (int j = 1; j <= Y; ++j) {
            const double s = i * 2.0, n = (j - Y / 2.0) * 0.5, turn = 0.3 * std::sin(s / 80.0);
            xval[i][j] = s - n * std::sin(turn);
            yval[i][j] = 40.0 * std::sin(s / 80.0) + n * std::cos(turn);
            const double bed = -0.001 * s + 0.2 * std::cos(j * 0.3);
            for (int k = 1; k <= Z; ++k) zval[i][j][k] = bed + 3.0 * (k - 1) / (Z - 1);
            zval[i][j][0] = zval[i][j][1];
        }
}

void BM_metric(benchmark::State& state) {
    buildGrid(400, 120, 12);
    for (auto _ : state) metric();
    state.SetItemsProcessed(state.iterations() * 400LL * 120 * 12);
}
BENCHMARK(BM_metric)->Unit(benchmark::kMillisecond);

void BM_smetric(benchmark::State& state) {
    buildGrid(400, 120, 12);
    metric();
    for (auto _ : state) smetric();
    state.SetItemsProcessed(state.iterations() * 400LL * 120 * 12);
}
BENCHMARK(BM_smetric)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
