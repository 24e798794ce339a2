#include "cli/RenderCommand.h"

#include <cstdio>
#include <optional>

#include "cli/Arguments.h"
#include "cli/DocumentInput.h"
#include "cli/ImageFile.h"
#include "cli/ProgressBar.h"
#include "cli/Usage.h"
#include "document/MorvaneDoc.h"
#include "engine/MessageQueue.h"
#include "engine/ProgressiveJob.h"
#include "palette/ColorPattern.h"

namespace {

constexpr int kBitCount = 32;

}  // namespace

int RunRenderCommand(const std::vector<std::string>& args) {
    std::optional<std::string> input;
    std::optional<std::string> output;
    std::optional<std::pair<int, int>> size;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "-o" && hasValue && !output) {
            output = args[++i];
        } else if (arg == "--size" && hasValue && !size) {
            size = ParseSize(args[++i], CMorvaneDoc::kMaxImageSide);
            if (!size) {
                return UsageError("render: --size takes WxH, each side 1 to 16384");
            }
        } else if (!arg.starts_with("-") && !input) {
            input = arg;
        } else {
            return UsageError("render: unexpected argument '" + arg + "'");
        }
    }
    if (!output) {
        return UsageError("render: -o OUT.png is required");
    }

    // The queue outlives the document, whose engine posts into it.
    CMessageQueue queue;
    CMorvaneDoc doc;
    if (input && !LoadDocument(doc, *input)) {
        return kExitFailed;
    }
    const int width = size ? size->first : doc.m_imageWidth;
    const int height = size ? size->second : doc.m_imageHeight;

    CFractalEngine& engine = doc.m_engine;
    engine.m_iterationLimit = doc.m_iterationLimit;
    std::vector<std::uint32_t> table(static_cast<std::size_t>(doc.m_colorCount));
    CColorPattern(kBitCount).BuildPalette(table.data(), doc.m_colorCount, doc.m_colorPattern);
    engine.SetColorTable(table.data(), doc.m_colorCount);
    if (!engine.CreateSurface(width, height, kBitCount)) {
        std::fprintf(stderr, "velmora-cli: a %d x %d picture does not fit in memory\n", width,
                     height);
        return kExitFailed;
    }
    engine.m_reportProgress = 1;

    CProgressiveJob job(engine, queue);
    {
        CProgressBar bar(stderr);
        job.SetProgressHandler([&bar](int percent) { bar.Update(percent); });
        job.Run();
    }
    QString error;
    if (!WritePng(engine.m_surface, QString::fromStdString(*output), error)) {
        std::fprintf(stderr, "velmora-cli: cannot write %s: %s\n", output->c_str(),
                     error.toLocal8Bit().constData());
        return kExitFailed;
    }
    return kExitOk;
}
