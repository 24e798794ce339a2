#include "cli/RenderCommand.h"

#include <cstdio>
#include <memory>

#include "cli/ImageFile.h"
#include "cli/Usage.h"
#include "engine/FractalEngine.h"
#include "engine/MessageQueue.h"
#include "engine/ProgressiveJob.h"
#include "palette/ColorPattern.h"

namespace {

// The picture of a new document.
constexpr int kNewWidth = 240;
constexpr int kNewHeight = 240;
constexpr int kNewIterationLimit = 100;
constexpr int kNewColorCount = 100;
constexpr int kNewPattern = 0;
constexpr int kBitCount = 32;

}  // namespace

int RunRenderCommand(const std::vector<std::string>& args) {
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && output.empty()) {
            output = args[++i];
        } else {
            return UsageError("render: unexpected argument '" + args[i] + "'");
        }
    }
    if (output.empty()) {
        return UsageError("render: -o OUT.png is required");
    }

    CFractalEngine engine;
    engine.m_kind = 0;
    engine.SetDefaultRegion();
    engine.m_iterationLimit = kNewIterationLimit;
    std::vector<std::uint32_t> table(kNewColorCount);
    CColorPattern(kBitCount).BuildPalette(table.data(), kNewColorCount, kNewPattern);
    engine.SetColorTable(table.data(), kNewColorCount);
    engine.CreateSurface(kNewWidth, kNewHeight, kBitCount);
    engine.m_reportProgress = 1;

    CMessageQueue queue;
    CProgressiveJob job(engine, queue);
    if (!job.Run()) {
        std::fprintf(stderr, "velmora-cli: not enough memory for a %d x %d picture\n", kNewWidth,
                     kNewHeight);
        return 1;
    }
    QString error;
    if (!WritePng(engine.m_surface, QString::fromStdString(output), error)) {
        std::fprintf(stderr, "velmora-cli: cannot write %s: %s\n", output.c_str(),
                     error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
