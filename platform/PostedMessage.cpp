#include "platform/PostedMessage.h"

#include <QCoreApplication>

// The thread checker's own calls for a hand-over it cannot see otherwise.
#if defined(__SANITIZE_THREAD__)
#define VELMORA_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELMORA_TSAN 1
#endif
#endif
#ifdef VELMORA_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace {

void Released(const void* event) {
#ifdef VELMORA_TSAN
    __tsan_release(const_cast<void*>(event));
#else
    (void)event;
#endif
}

void Acquired(const void* event) {
#ifdef VELMORA_TSAN
    __tsan_acquire(const_cast<void*>(event));
#else
    (void)event;
#endif
}

}  // namespace

CPostedMessageEvent::CPostedMessageEvent(unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam)
    : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam) {}

CPostedMessageEvent::CPostedMessageEvent(const CPostedMessageEvent& other) = default;

CPostedMessageEvent::~CPostedMessageEvent() = default;

QEvent::Type CPostedMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

const CPostedMessageEvent* CPostedMessageEvent::From(const QEvent* event) {
    if (!event) {
        return nullptr;
    }
    // Before the type is read: any event may have come from another thread.
    Acquired(event);
    if (event->type() != EventType()) {
        return nullptr;
    }
    return static_cast<const CPostedMessageEvent*>(event);
}

CPostedMessageEvent* CPostedMessageEvent::clone() const {
    return new CPostedMessageEvent(*this);
}

CPostTarget::CPostTarget(QObject* receiver) : m_receiver(receiver) {}

void CPostTarget::Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    // Events of equal priority reach a receiver in the order they were
    // posted; the queue takes ownership of the event.
    auto* event = new CPostedMessageEvent(message, wParam, lParam);
    Released(event);
    QCoreApplication::postEvent(m_receiver, event);
}
