#include "document/BenchmarkScenes.h"

#include "document/MorvaneDoc.h"

const std::array<CBenchmarkScene, kBenchmarkSceneCount>& BenchmarkScenes() {
    static constexpr std::array<CBenchmarkScene, kBenchmarkSceneCount> kScenes = {{
        {0, 0.04869, 0.06744, 0.619196, 0.637946, -0.837058, 0.1965111, 4},
        {1, -0.758558, -0.005369, -0.095695, 0.657392, 0.0580645, 0.6285714, 4},
        {1, -1.455334, 1.557423, -1.500778, 1.511569, 0.3747204, 0.2536148, 4},
        {1, -1.455334, 1.557423, -1.500778, 1.511569, 0.324133, 0.0408163, 8},
        {1, -1.455334, 1.557423, -1.500778, 1.511569, -0.824516, 0.1877551, 7},
        {1, -0.546701, 0.206488, 0.246952, 1.000039, -0.390967, 0.5959183, 1},
        {1, -1.506705, 1.506052, -1.52124, 1.491108, -0.390967, 0.5959183, 1},
        {0, -0.400343, -0.381593, 0.586543, 0.605293, -0.390967, 0.5959183, 1},
        {1, -0.845021, 0.661357, -0.356058, 1.150115, 0.324133, 0.0408163, 7},
        {1, -0.758558, -0.005369, -0.095695, 0.657392, -0.837058, 0.1965111, 4},
        {0, -0.846433, -0.827683, 0.187136, 0.205886, -0.837058, 0.1965111, 4},
    }};
    return kScenes;
}

void LoadBenchmarkSceneInto(CMorvaneDoc& doc, int index) {
    const CBenchmarkScene& scene = BenchmarkScenes().at(static_cast<std::size_t>(index));
    CFractalEngine& e = doc.m_engine;
    e.StopIfBusy();
    e.m_kind = scene.kind;
    e.m_xMin = scene.xMin;
    e.m_xMax = scene.xMax;
    e.m_yMin = scene.yMin;
    e.m_yMax = scene.yMax;
    e.m_juliaRe = scene.juliaRe;
    e.m_juliaIm = scene.juliaIm;
    doc.m_iterationLimit = kBenchmarkIterationLimit;
    doc.m_colorCount = kBenchmarkColorCount;
    doc.m_colorPattern = scene.pattern;
    doc.m_imageWidth = kBenchmarkImageSide;
    doc.m_imageHeight = kBenchmarkImageSide;
}
