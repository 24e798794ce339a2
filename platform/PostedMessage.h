#pragma once

#include <QEvent>
#include <cstdint>

#include "engine/Messages.h"

class QObject;

// A window message travelling through the receiver's event queue: message
// number, wParam and lParam exactly as they were posted.
class CPostedMessageEvent : public QEvent {
public:
    CPostedMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    ~CPostedMessageEvent() override;

    // The event type of every posted message, registered once per process.
    static QEvent::Type EventType();
    // The posted message an event carries, or null for any other event. Read
    // the message through this on the receiving thread: it also tells the
    // thread checker that the posting happened before (the event queue's own
    // lock is one it cannot see).
    static const CPostedMessageEvent* From(const QEvent* event);

    CPostedMessageEvent* clone() const override;

    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;

protected:
    CPostedMessageEvent(const CPostedMessageEvent& other);
};

// Posts window messages to a receiver object. Post may be called from any
// thread; the receiver gets each message later as a CPostedMessageEvent on its
// own thread, in posting order, and never inside Post. The receiver must
// outlive every call of Post.
class CPostTarget : public INotifyTarget {
public:
    explicit CPostTarget(QObject* receiver);

    void Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    QObject* m_receiver;
};
