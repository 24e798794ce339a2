#include "cli/BenchRun.h"

#include "document/BenchmarkScenes.h"
#include "document/MorvaneDoc.h"
#include "engine/MessageQueue.h"
#include "engine/ProgressiveJob.h"
#include "palette/ColorPattern.h"

namespace {

constexpr int kBitCount = 32;

}  // namespace

std::optional<std::vector<CSceneResult>> RunBenchmarkScenes(
    int threads, CEscapeKernel kernel, int& workerCount,
    const std::function<void(int scene, const CSceneResult&)>& onScene) {
    // The queue outlives the document, whose engine posts into it.
    CMessageQueue queue;
    CMorvaneDoc doc(threads);
    CFractalEngine& engine = doc.m_engine;
    engine.m_kernel = kernel;
    workerCount = engine.m_workerCount;
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
            return std::nullopt;
        }
        results.push_back({engine.m_elapsed.load(), engine.IterationCount(), engine.UpdateCount()});
        if (onScene) {
            onScene(scene, results.back());
        }
    }
    return results;
}
