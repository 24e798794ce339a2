#include "platform/PostedMessage.h"

#include <QCoreApplication>

CPostedMessageEvent::CPostedMessageEvent(unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam)
    : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam) {}

CPostedMessageEvent::CPostedMessageEvent(const CPostedMessageEvent& other) = default;

CPostedMessageEvent::~CPostedMessageEvent() = default;

QEvent::Type CPostedMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CPostedMessageEvent* CPostedMessageEvent::clone() const {
    return new CPostedMessageEvent(*this);
}

CPostTarget::CPostTarget(QObject* receiver) : m_receiver(receiver) {}

void CPostTarget::Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    // Events of equal priority reach a receiver in the order they were
    // posted; the queue takes ownership of the event.
    QCoreApplication::postEvent(m_receiver, new CPostedMessageEvent(message, wParam, lParam));
}
