#include "engine/MessageQueue.h"

void CMessageQueue::Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    // Notified under the lock: once the owner has taken the message and gone,
    // the poster touches the queue no more.
    std::lock_guard lock(m_mutex);
    m_messages.push_back(CMessage{message, wParam, lParam});
    m_posted.notify_one();
}

std::optional<CMessage> CMessageQueue::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_posted.wait_for(lock, timeout, [this] { return !m_messages.empty(); })) {
        return std::nullopt;
    }
    CMessage front = m_messages.front();
    m_messages.pop_front();
    return front;
}

std::optional<CMessage> CMessageQueue::TryTake() {
    return Wait(std::chrono::milliseconds(0));
}

std::size_t CMessageQueue::Size() const {
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}
