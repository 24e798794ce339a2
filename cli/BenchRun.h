#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/EscapeKernel.h"

// One benchmark scene as rendered: the engine's time from the start of the
// coarse pass to the end of the fine one, the sum of its counts, and the z
// updates it computed (fewer where points were found to repeat for ever).
struct CSceneResult {
    double seconds = 0.0;
    std::uint64_t iterations = 0;
    std::uint64_t updates = 0;
};

// Renders the eleven benchmark scenes through the progressive engine, without
// a window. threads 0 means one worker per processor; workerCount receives
// the number used. Empty when a picture could not be allocated.
std::optional<std::vector<CSceneResult>> RunBenchmarkScenes(
    int threads, CEscapeKernel kernel, int& workerCount,
    const std::function<void(int scene, const CSceneResult&)>& onScene = nullptr);
