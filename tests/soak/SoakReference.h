#pragma once

#include <QImage>

#include <chrono>
#include <cstdint>
#include <vector>

#include "document/MorvaneDoc.h"
#include "engine/FractalEngine.h"
#include "engine/MessageQueue.h"
#include "palette/ColorPattern.h"
#include "platform/DibImage.h"

// The picture of the document's parameters at the size the document's
// engine renders now, rendered at full resolution away from any window.
inline QImage RenderReferenceAtEngineSize(const CMorvaneDoc& doc) {
    // Declared before the engine, whose workers post here and read the table.
    CMessageQueue queue;
    std::vector<std::uint32_t> table(static_cast<std::size_t>(doc.m_colorCount));
    CColorPattern(32).BuildPalette(table.data(), doc.m_colorCount, doc.m_colorPattern);
    CFractalEngine engine(2);
    engine.CopyParameters(doc.m_engine);
    engine.SetColorTable(table.data(), doc.m_colorCount);
    engine.m_iterationLimit = doc.m_iterationLimit;
    if (!engine.CreateSurface(doc.m_engine.m_width, doc.m_engine.m_height, 32)) {
        return {};
    }
    engine.StartFine(&queue);
    while (const auto m = queue.Wait(std::chrono::seconds(60))) {
        if (m->message == WM_RENDER_DONE && engine.IsCurrentPass(m->lParam)) {
            return DibToImage(engine.m_surface);
        }
    }
    return {};
}
