#include "cli/BenchCommand.h"

#include <cstdio>
#include <optional>

#include "cli/Arguments.h"
#include "cli/BenchRun.h"
#include "cli/Usage.h"
#include "engine/EscapeKernel.h"

namespace {

constexpr int kMaxThreads = 1024;

void PrintJson(int threads, CEscapeKernel kernel, const std::vector<CSceneResult>& results) {
    double seconds = 0.0;
    std::uint64_t iterations = 0;
    std::uint64_t updates = 0;
    std::printf("{\"threads\": %d, \"kernel\": \"%s\", \"scenes\": [", threads,
                EscapeKernelName(kernel));
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::printf(
            "%s{\"scene\": %zu, \"seconds\": %.6f, \"iterations\": %llu, \"z_updates\": %llu}",
            i ? ", " : "", i, results[i].seconds,
            static_cast<unsigned long long>(results[i].iterations),
            static_cast<unsigned long long>(results[i].updates));
        seconds += results[i].seconds;
        iterations += results[i].iterations;
        updates += results[i].updates;
    }
    const double rate = seconds > 0.0 ? static_cast<double>(iterations) / seconds : 0.0;
    std::printf(
        "], \"total_seconds\": %.6f, \"total_iterations\": %llu, \"total_z_updates\": %llu, "
        "\"iterations_per_second\": %.0f}\n",
        seconds, static_cast<unsigned long long>(iterations),
        static_cast<unsigned long long>(updates), rate);
}

}  // namespace

int RunBenchCommand(const std::vector<std::string>& args) {
    int threads = 0;
    bool json = false;
    std::optional<CEscapeKernel> kernel;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json" && !json) {
            json = true;
        } else if (args[i] == "--kernel" && i + 1 < args.size() && !kernel) {
            const std::string& name = args[++i];
            if (name == "scalar") {
                kernel = CEscapeKernel::scalar;
            } else if (name == "simd") {
                kernel = CEscapeKernel::simd;
            } else {
                return UsageError("bench: --kernel takes scalar or simd");
            }
        } else if (args[i] == "--threads" && i + 1 < args.size() && threads == 0) {
            const auto n = ParseInteger(args[++i]);
            if (!n || *n < 1 || *n > kMaxThreads) {
                return UsageError("bench: --threads takes a number from 1 to 1024");
            }
            threads = static_cast<int>(*n);
        } else {
            return UsageError("bench: unexpected argument '" + args[i] + "'");
        }
    }

    const CEscapeKernel chosen = kernel.value_or(CEscapeKernel::simd);
    int workerCount = 0;
    const auto results =
        RunBenchmarkScenes(threads, chosen, workerCount, [json](int scene, const CSceneResult& r) {
            if (!json) {
                std::printf("scene %2d  %8.3f s  %12llu iterations\n", scene, r.seconds,
                            static_cast<unsigned long long>(r.iterations));
            }
        });
    if (!results) {
        std::fprintf(stderr, "velmora-cli: not enough memory for the benchmark\n");
        return kExitFailed;
    }
    if (json) {
        PrintJson(workerCount, chosen, *results);
    } else {
        double total = 0.0;
        for (const CSceneResult& r : *results) {
            total += r.seconds;
        }
        std::printf("ベンチマーク終了\n計算時間 : %.2f秒\n", total);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}
