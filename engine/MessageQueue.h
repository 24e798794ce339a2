#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "engine/Messages.h"

struct CMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// Posted messages for a thread without a window: Post appends from any
// thread, the owner takes them in posting order with Wait.
class CMessageQueue : public INotifyTarget {
public:
    void Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // The oldest message, or nothing when none arrives within the timeout.
    std::optional<CMessage> Wait(std::chrono::milliseconds timeout);
    std::optional<CMessage> TryTake();
    std::size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<CMessage> m_messages;
};
