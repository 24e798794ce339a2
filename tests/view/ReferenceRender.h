#pragma once

#include <QImage>
#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

#include "document/MorvaneDoc.h"
#include "engine/FractalEngine.h"
#include "engine/MessageQueue.h"
#include "palette/ColorPattern.h"
#include "platform/DibImage.h"

// The picture the document's parameters give when rendered on their own at
// full resolution, away from any window: what the drawing window must show
// once its progressive render has finished.
inline QImage RenderReference(const CMorvaneDoc& doc) {
    // Declared before the engine, whose workers post here and read the table.
    CMessageQueue queue;
    std::vector<std::uint32_t> table(static_cast<std::size_t>(doc.m_colorCount));
    CColorPattern(32).BuildPalette(table.data(), doc.m_colorCount, doc.m_colorPattern);
    CFractalEngine engine(2);
    engine.CopyParameters(doc.m_engine);
    engine.SetColorTable(table.data(), doc.m_colorCount);
    engine.m_iterationLimit = doc.m_iterationLimit;
    engine.CreateSurface(doc.m_imageWidth, doc.m_imageHeight, 32);
    engine.StartFine(&queue);
    while (const auto m = queue.Wait(std::chrono::seconds(60))) {
        if (m->message == WM_RENDER_DONE && engine.IsCurrentPass(m->lParam)) {
            return DibToImage(engine.m_surface);
        }
    }
    return {};
}

// Empty when both images have the same size and colours; otherwise where
// they first differ.
inline QString FirstDifference(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            if (((a ^ e) & 0xFFFFFFu) != 0) {
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(a & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                    .arg(e & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
            }
        }
    }
    return {};
}
