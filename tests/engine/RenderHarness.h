#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "engine/FractalEngine.h"
#include "engine/MessageQueue.h"
#include "tests/engine/RotatingRegion.h"

// A colour table whose entries are easy to tell apart: entry i holds i + 1.
inline std::vector<std::uint32_t> NumberedTable(int count) {
    std::vector<std::uint32_t> table(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        table[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i + 1);
    }
    return table;
}

// An engine set up the way an owner sets one up before its first pass.
struct EngineRig {
    EngineRig(int workers, int width, int height, int limit = 100, int colors = 100, int bits = 32)
        : table(NumberedTable(colors)), engine(workers) {
        engine.m_iterationLimit = limit;
        engine.SetColorTable(table.data(), colors);
        engine.CreateSurface(width, height, bits);
        engine.m_reportProgress = 1;
    }

    // Next message from this rig's engine, or nothing within the timeout.
    std::optional<CMessage> Next(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
        return queue.Wait(timeout);
    }

    // Waits for the WM_RENDER_DONE of the running pass; returns the progress
    // percentages posted before it.
    std::vector<int> FinishPass() {
        std::vector<int> progress;
        while (auto m = Next()) {
            if (m->message == WM_RENDER_PROGRESS) {
                progress.push_back(static_cast<int>(m->lParam));
            } else if (m->message == WM_RENDER_DONE && engine.IsCurrentPass(m->lParam)) {
                ++doneCount;
                return progress;
            }
        }
        ADD_FAILURE() << "no WM_RENDER_DONE";
        return progress;
    }

    // The colour the engine must give the point of pixel (x, y) at full resolution.
    std::uint32_t Expected(int x, int y) const {
        const double px = x * engine.m_xStep + engine.m_xMin;
        const double py = y * engine.m_yStep + engine.m_yMin;
        const int max = engine.m_iterationLimit - 1;
        const int count = engine.Iterate(px, py, max);
        const int index = count == max ? engine.m_colorCount - 1 : count % engine.m_colorCount;
        return table[static_cast<std::size_t>(index)];
    }

    // Declared before the engine: its workers post into the queue and read the
    // table until the engine's destructor has stopped them.
    CMessageQueue queue;
    std::vector<std::uint32_t> table;
    CFractalEngine engine;
    int doneCount = 0;
};
