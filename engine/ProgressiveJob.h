#pragma once

#include <functional>

class CFractalEngine;
class CMessageQueue;

// Runs a whole progressive job (8x8 blocks, 4x4 blocks, single pixels) the way
// the window program does: each pass is started from the WM_RENDER_DONE of the
// one before, and notices of stale passes are ignored. The engine must post
// to the queue and to nothing else while the job runs.
class CProgressiveJob {
public:
    using ProgressFn = std::function<void(int percent)>;

    CProgressiveJob(CFractalEngine& engine, CMessageQueue& queue);

    void SetProgressHandler(ProgressFn onProgress) { m_onProgress = std::move(onProgress); }
    // False when the engine cannot render (no surface memory or colour table).
    bool Run();

private:
    CFractalEngine& m_engine;
    CMessageQueue& m_queue;
    ProgressFn m_onProgress;
};
