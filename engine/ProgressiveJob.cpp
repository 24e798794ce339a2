#include "engine/ProgressiveJob.h"

#include <chrono>

#include "engine/FractalEngine.h"
#include "engine/MessageQueue.h"

CProgressiveJob::CProgressiveJob(CFractalEngine& engine, CMessageQueue& queue)
    : m_engine(engine), m_queue(queue) {}

bool CProgressiveJob::Run() {
    if (!m_engine.m_surface.HasBits() || !m_engine.m_colorTable || m_engine.m_colorCount < 1) {
        return false;
    }
    m_engine.StartCoarse(&m_queue);
    for (;;) {
        const auto message = m_queue.Wait(std::chrono::milliseconds(200));
        if (!message || message->wParam != m_engine.Handle()) {
            continue;
        }
        if (message->message == WM_RENDER_PROGRESS) {
            if (m_onProgress) {
                m_onProgress(static_cast<int>(message->lParam));
            }
        } else if (message->message == WM_RENDER_DONE && m_engine.IsCurrentPass(message->lParam)) {
            if (!m_engine.RefineNext()) {
                return true;
            }
        }
    }
}
