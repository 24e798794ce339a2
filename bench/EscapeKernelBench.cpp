// Escape-time kernel throughput: z updates per second on one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/EscapeKernel.h"

namespace {

// One 480-point row through the default Mandelbrot region, at its middle.
void BM_EscapeRow(benchmark::State& state) {
    const CEscapeParams params{0, 0.0, 0.0, static_cast<std::int32_t>(state.range(0))};
    const CRowSpan span{0.0, -1.8, 2.4 / 480, 0, 480, 1};
    std::vector<std::int32_t> counts(480);
    std::int64_t updates = 0;
    for (auto _ : state) {
        EscapeRow(params, span, counts.data());
        benchmark::DoNotOptimize(counts.data());
        for (std::int32_t n : counts) {
            updates += n;
        }
    }
    state.counters["updates/s"] =
        benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EscapeRow)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
