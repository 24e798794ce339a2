#pragma once

#include <array>
#include <cstdint>

class CMorvaneDoc;

// One scene of the built-in benchmark.
struct CBenchmarkScene {
    std::int32_t kind;
    double xMin;
    double xMax;
    double yMin;
    double yMax;
    double juliaRe;
    double juliaIm;
    std::int32_t pattern;
};

inline constexpr int kBenchmarkSceneCount = 11;
inline constexpr std::int32_t kBenchmarkIterationLimit = 339;
inline constexpr std::int32_t kBenchmarkColorCount = 339;
inline constexpr std::int32_t kBenchmarkImageSide = 480;

// The scenes in the order they are rendered.
const std::array<CBenchmarkScene, kBenchmarkSceneCount>& BenchmarkScenes();

// Writes scene `index` into the document's engine and settings.
void LoadBenchmarkSceneInto(CMorvaneDoc& doc, int index);
