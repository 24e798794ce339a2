// Escape-time throughput on one core, in lane-iterations (z updates) per
// second: the kernel on every row the benchmark scenes compute, per kernel and
// per instruction set this machine has, and the ceiling loop that does the
// same arithmetic with every lane always busy. EscapeShares gives the kernel
// each scene's rows of one pass as one stream, as the engine gives it a
// worker's share. EscapeRows reports its rate as
// a share of the best ceiling of its instruction set ("of_ceiling") and of the
// eight-vector ceiling ("of_ceiling8").
#include <benchmark/benchmark.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "bench/CeilingLoop.h"
#include "document/BenchmarkScenes.h"
#include "engine/EscapeKernel.h"

namespace {

struct CBenchRow {
    CEscapeParams params;
    CRowSpan span;
};

// Every row the benchmark's three passes (8x8, 4x4 and single pixels) compute,
// with the points and maximum the engine uses.
std::vector<CBenchRow> BenchmarkRows() {
    const int side = kBenchmarkImageSide;
    std::vector<CBenchRow> rows;
    for (const CBenchmarkScene& s : BenchmarkScenes()) {
        const CEscapeParams params{s.kind, s.juliaRe, s.juliaIm, kBenchmarkIterationLimit - 1};
        const double xMin = std::min(s.xMin, s.xMax);
        const double yMin = std::min(s.yMin, s.yMax);
        const double xStep = (std::max(s.xMin, s.xMax) - xMin) / side;
        const double yStep = (std::max(s.yMin, s.yMax) - yMin) / side;
        for (const int b : {8, 4, 1}) {
            for (int r = 0; r < side; r += b) {
                rows.push_back({params, CRowSpan{r * yStep + yMin, xMin, xStep, 0, side, b}});
            }
        }
    }
    return rows;
}

// Selects the instruction set for the SIMD kernel and the ceiling while alive.
class CTargetScope {
public:
    explicit CTargetScope(std::int64_t target) {
        if (target != 0) {
            hwy::SetSupportedTargetsForTest(target);
        }
    }
    ~CTargetScope() { hwy::SetSupportedTargetsForTest(0); }
    CTargetScope(const CTargetScope&) = delete;
    CTargetScope& operator=(const CTargetScope&) = delete;
};

double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Lane-iterations per second of the ceiling loop, best of a few short runs.
double CeilingRate(int vectors) {
    const std::int64_t steps = 4000000 / vectors;
    double best = 0.0;
    for (int run = 0; run < 5; ++run) {
        const double start = ThreadSeconds();
        const std::int64_t done = CeilingLoop(steps, vectors);
        const double seconds = ThreadSeconds() - start;
        best = std::max(best, seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0);
    }
    return best;
}

void BM_EscapeRows(benchmark::State& state, CEscapeKernel kernel, std::int64_t target) {
    const CTargetScope scope(target);
    const std::vector<CBenchRow> rows = BenchmarkRows();
    std::vector<std::int32_t> counts(kBenchmarkImageSide);
    std::int64_t updates = 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        for (const CBenchRow& row : rows) {
            EscapeRow(row.params, row.span, counts.data(), kernel);
            benchmark::DoNotOptimize(counts.data());
            for (int i = 0; i < row.span.PointCount(); ++i) {
                updates += counts[static_cast<std::size_t>(i)];
            }
        }
    }
    const double seconds = ThreadSeconds() - start;
    state.counters["iterations/s"] =
        benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
    if (kernel == CEscapeKernel::simd && seconds > 0.0) {
        double best = 0.0;
        for (int vectors = 1; vectors <= 8; ++vectors) {
            best = std::max(best, CeilingRate(vectors));
        }
        const double rate = static_cast<double>(updates) / seconds;
        state.counters["of_ceiling"] = rate / best;
        state.counters["of_ceiling8"] = rate / CeilingRate(8);
    }
    state.SetLabel(EscapeKernelName(kernel));
}

// The same rows, as one stream per scene and pass.
void BM_EscapeShares(benchmark::State& state, std::int64_t target) {
    const CTargetScope scope(target);
    const std::vector<CBenchRow> rows = BenchmarkRows();
    std::int64_t updates = 0;
    for (auto _ : state) {
        for (std::size_t first = 0; first < rows.size();) {
            std::size_t end = first + 1;
            while (end < rows.size() && rows[end].span.colStep == rows[first].span.colStep &&
                   rows[end].params.kind == rows[first].params.kind &&
                   rows[end].span.xMin == rows[first].span.xMin) {
                ++end;
            }
            std::size_t fed = first;
            CRowFeed feed(
                [&](double& y) {
                    if (fed == end) {
                        return false;
                    }
                    y = rows[fed++].span.y;
                    return true;
                },
                [&](std::int64_t, const std::int32_t* counts) {
                    for (int i = 0; i < rows[first].span.PointCount(); ++i) {
                        updates += counts[i];
                    }
                    return true;
                });
            EscapeRows(rows[first].params, rows[first].span, feed);
            first = end;
        }
    }
    state.counters["iterations/s"] =
        benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
    state.SetLabel(EscapeKernelName(CEscapeKernel::simd));
}

void BM_Ceiling(benchmark::State& state, std::int64_t target) {
    const CTargetScope scope(target);
    const int vectors = static_cast<int>(state.range(0));
    std::int64_t updates = 0;
    for (auto _ : state) {
        updates += CeilingLoop(1 << 20, vectors);
    }
    state.counters["iterations/s"] =
        benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(CeilingLanes()) + " lanes");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("EscapeRows/scalar", BM_EscapeRows, CEscapeKernel::scalar,
                                 std::int64_t{0})
        ->Unit(benchmark::kMillisecond);
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        const std::string name = hwy::TargetName(target);
        benchmark::RegisterBenchmark(("EscapeRows/" + name).c_str(), BM_EscapeRows,
                                     CEscapeKernel::simd, target)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("EscapeShares/" + name).c_str(), BM_EscapeShares, target)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Ceiling/" + name).c_str(), BM_Ceiling, target)
            ->DenseRange(1, 8)
            ->ArgName("vectors")
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
