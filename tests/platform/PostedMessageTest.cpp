#include <QCoreApplication>
#include <QThread>
#include <QtTest>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "engine/Messages.h"
#include "platform/PostedMessage.h"

namespace {

struct Delivery {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool onReceiverThread;
    bool duringPost;
};

// Records every posted message it receives, where and when it ran.
class CRecordingReceiver : public QObject {
public:
    std::vector<Delivery> deliveries;
    // Set by the test while it is inside Post on this receiver's thread.
    bool posting = false;

protected:
    void customEvent(QEvent* event) override {
        const CPostedMessageEvent* posted = CPostedMessageEvent::From(event);
        if (!posted) {
            return;
        }
        deliveries.push_back({posted->message, posted->wParam, posted->lParam,
                              QThread::currentThread() == thread(), posting});
    }
};

}  // namespace

class PostedMessageTest : public QObject {
    Q_OBJECT
private slots:
    void postsFromWorkerThreadsAllArriveInOrderOnReceiverThread();
    void postOnReceiverThreadIsDeliveredLaterWithExactValues();
};

void PostedMessageTest::postsFromWorkerThreadsAllArriveInOrderOnReceiverThread() {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    CRecordingReceiver receiver;
    CPostTarget target(&receiver);

    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&target, t] {
            for (int i = 0; i < kPerThread; ++i) {
                target.Post(WM_RENDER_PROGRESS, static_cast<std::uintptr_t>(t), i);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    // Everything is queued now, and nothing may have run yet.
    QVERIFY(receiver.deliveries.empty());

    QCoreApplication::sendPostedEvents();
    QCOMPARE(receiver.deliveries.size(), std::size_t{kThreads * kPerThread});
    std::vector<std::intptr_t> next(kThreads, 0);
    for (const Delivery& delivery : receiver.deliveries) {
        QCOMPARE(delivery.message, WM_RENDER_PROGRESS);
        QVERIFY(delivery.onReceiverThread);
        QVERIFY(delivery.wParam < kThreads);
        QCOMPARE(delivery.lParam, next[delivery.wParam]++);
    }
    for (std::intptr_t count : next) {
        QCOMPARE(count, kPerThread);
    }
}

void PostedMessageTest::postOnReceiverThreadIsDeliveredLaterWithExactValues() {
    CRecordingReceiver receiver;
    CPostTarget target(&receiver);
    constexpr auto kBigW = std::numeric_limits<std::uintptr_t>::max();
    constexpr auto kMostNegativeL = std::numeric_limits<std::intptr_t>::min();

    receiver.posting = true;
    target.Post(WM_DRAWWND_DRAGGING, kBigW, -17);
    target.Post(WM_RENDER_DONE, 1, kMostNegativeL);
    receiver.posting = false;
    QVERIFY(receiver.deliveries.empty());

    QCoreApplication::processEvents();
    QCOMPARE(receiver.deliveries.size(), std::size_t{2});
    const Delivery& first = receiver.deliveries[0];
    const Delivery& second = receiver.deliveries[1];
    QCOMPARE(first.message, WM_DRAWWND_DRAGGING);
    QCOMPARE(first.wParam, kBigW);
    QCOMPARE(first.lParam, std::intptr_t{-17});
    QCOMPARE(second.message, WM_RENDER_DONE);
    QCOMPARE(second.lParam, kMostNegativeL);
    QVERIFY(!first.duringPost);
    QVERIFY(!second.duringPost);
}

QTEST_GUILESS_MAIN(PostedMessageTest)
#include "PostedMessageTest.moc"
