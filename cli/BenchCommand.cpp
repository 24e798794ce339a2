#include "cli/BenchCommand.h"

#include <cstdio>
#include <optional>

#include "cli/Arguments.h"
#include "cli/Usage.h"
#include "document/BenchmarkScenes.h"
#include "document/MorvaneDoc.h"
#include "engine/EscapeKernel.h"
#include "engine/MessageQueue.h"
#include "engine/ProgressiveJob.h"
#include "palette/ColorPattern.h"

namespace {

constexpr int kBitCount = 32;
constexpr int kMaxThreads = 1024;

struct CSceneResult {
    double seconds = 0.0;
    std::uint64_t iterations = 0;
};

void PrintJson(int threads, CEscapeKernel kernel, const std::vector<CSceneResult>& results) {
    double seconds = 0.0;
    std::uint64_t iterations = 0;
    std::printf("{\"threads\": %d, \"kernel\": \"%s\", \"scenes\": [", threads,
                EscapeKernelName(kernel));
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::printf("%s{\"scene\": %zu, \"seconds\": %.6f, \"iterations\": %llu}", i ? ", " : "", i,
                    results[i].seconds, static_cast<unsigned long long>(results[i].iterations));
        seconds += results[i].seconds;
        iterations += results[i].iterations;
    }
    const double rate = seconds > 0.0 ? static_cast<double>(iterations) / seconds : 0.0;
    std::printf(
        "], \"total_seconds\": %.6f, \"total_iterations\": %llu, "
        "\"iterations_per_second\": %.0f}\n",
        seconds, static_cast<unsigned long long>(iterations), rate);
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

    // The queue outlives the document, whose engine posts into it.
    CMessageQueue queue;
    CMorvaneDoc doc(threads);
    CFractalEngine& engine = doc.m_engine;
    engine.m_kernel = kernel.value_or(CEscapeKernel::simd);
    threads = engine.m_workerCount;
    std::vector<std::uint32_t> table(kBenchmarkColorCount);
    std::vector<CSceneResult> results;
    for (int scene = 0; scene < kBenchmarkSceneCount; ++scene) {
        LoadBenchmarkSceneInto(doc, scene);
        CColorPattern(kBitCount).BuildPalette(table.data(), doc.m_colorCount, doc.m_colorPattern);
        engine.SetColorTable(table.data(), doc.m_colorCount);
        engine.m_iterationLimit = doc.m_iterationLimit;
        engine.CreateSurface(doc.m_imageWidth, doc.m_imageHeight, kBitCount);
        CProgressiveJob job(engine, queue);
        if (!job.Run()) {
            std::fprintf(stderr, "velmora-cli: not enough memory for the benchmark\n");
            return kExitFailed;
        }
        results.push_back({engine.m_elapsed.load(), engine.IterationCount()});
        if (!json) {
            std::printf("scene %2d  %8.3f s  %12llu iterations\n", scene, results.back().seconds,
                        static_cast<unsigned long long>(results.back().iterations));
        }
    }
    if (json) {
        PrintJson(threads, engine.m_kernel, results);
    } else {
        double total = 0.0;
        for (const CSceneResult& r : results) {
            total += r.seconds;
        }
        std::printf("ベンチマーク終了\n計算時間 : %.2f秒\n", total);
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}
