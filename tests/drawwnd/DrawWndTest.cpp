#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "drawwnd/DrawWnd.h"

namespace {

struct Posted {
    unsigned message;
    int w;
    int l;
    bool operator==(const Posted&) const = default;
};

// Keeps what was posted, parameters read back as the view reads them.
class CRecorder : public INotifyTarget {
public:
    void Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        posted.push_back({message, static_cast<int>(static_cast<std::intptr_t>(wParam)),
                          static_cast<int>(lParam)});
    }
    std::vector<Posted> Only(unsigned message) const {
        std::vector<Posted> out;
        for (const Posted& p : posted) {
            if (p.message == message) {
                out.push_back(p);
            }
        }
        return out;
    }
    std::vector<Posted> posted;
};

// A drawing window whose left button has been held for a chosen time.
class CHeldWnd : public CDrawWnd {
public:
    CHeldWnd(INotifyTarget* view, double seconds) : CDrawWnd(view), m_seconds(seconds) {}

protected:
    double SecondsSincePress() override { return m_seconds; }

private:
    double m_seconds;
};

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Press(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonPress, at, button, button);
}
void MoveHeld(QWidget* w, QPoint at) {
    Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}
void Release(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

}  // namespace

class DrawWndTest : public QObject {
    Q_OBJECT
private slots:
    void clickOrDrag_data() {
        QTest::addColumn<double>("held");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<unsigned>("message");
        QTest::addColumn<QPoint>("params");
        const QPoint moved(80, 30);  // 30 right and 10 up of the press at (50, 40)
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("long hold, same point")
            << 2.0 << QPoint(50, 40) << WM_DRAWWND_CLICK << QPoint(50, 40);
        QTest::newRow("quick drag") << 0.1 << moved << WM_DRAWWND_CLICK << moved;
        QTest::newRow("slow drag") << 0.3 << moved << WM_DRAWWND_DRAGGED << QPoint(30, -10);
        QTest::newRow("held a quarter second")
            << 0.25 << moved << WM_DRAWWND_DRAGGED << QPoint(30, -10);
        QTest::newRow("no time") << nan << moved << WM_DRAWWND_CLICK << moved;
    }
    void clickOrDrag() {
        QFETCH(double, held);
        QFETCH(QPoint, release);
        QFETCH(unsigned, message);
        QFETCH(QPoint, params);
        CRecorder view;
        CHeldWnd wnd(&view, held);
        wnd.CreateOnce();
        view.posted.clear();
        Press(&wnd, QPoint(50, 40));
        QVERIFY(view.posted.empty());
        QCOMPARE(wnd.m_bButtonDown, 1);
        if (release != QPoint(50, 40)) {
            MoveHeld(&wnd, QPoint(65, 35));
            MoveHeld(&wnd, release);
        }
        Release(&wnd, release);
        QCOMPARE(wnd.m_bButtonDown, 0);
        QVERIFY(!view.posted.empty());
        QCOMPARE(view.posted.back(), (Posted{message, params.x(), params.y()}));
        QCOMPARE(view.Only(WM_DRAWWND_CLICK).size() + view.Only(WM_DRAWWND_DRAGGED).size(), 1u);
    }

    void releaseBeforeAnyPressIsClickThere() {
        CRecorder view;
        CHeldWnd wnd(&view, 5.0);
        Release(&wnd, QPoint(12, 34));
        QCOMPARE(view.posted, (std::vector<Posted>{{WM_DRAWWND_CLICK, 12, 34}}));
    }

    void realHoldDecidesDrag() {
        CRecorder view;
        CDrawWnd wnd(&view);
        Press(&wnd, QPoint(50, 40));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Release(&wnd, QPoint(80, 30));
        QCOMPARE(view.posted, (std::vector<Posted>{{WM_DRAWWND_DRAGGED, 30, -10}}));
    }

    void everyMoveWhileHeldPostsItsOffset() {
        CRecorder view;
        CDrawWnd wnd(&view);
        wnd.CreateOnce();
        view.posted.clear();
        Press(&wnd, QPoint(10, 20));
        MoveHeld(&wnd, QPoint(10, 20));
        MoveHeld(&wnd, QPoint(-15, 20));   // past the left edge
        MoveHeld(&wnd, QPoint(-40, 900));  // and below the bottom
        const std::vector<Posted> expected{{WM_DRAWWND_DRAGGING, 0, 0},
                                           {WM_DRAWWND_DRAGGING, -25, 0},
                                           {WM_DRAWWND_DRAGGING, -50, 880}};
        QCOMPARE(view.posted, expected);
    }

    void movesWithoutPressPostNothingUntilAPress() {
        CRecorder view;
        CDrawWnd wnd(&view);
        wnd.CreateOnce();
        QTRY_VERIFY(wnd.isVisible());  // shown once the event loop has run
        view.posted.clear();
        QTest::mouseMove(&wnd, QPoint(30, 30));
        Mouse(&wnd, QEvent::MouseMove, QPoint(40, 30), Qt::NoButton, Qt::NoButton);
        QVERIFY(view.posted.empty());
        // A press whose release went elsewhere keeps dragging with no button held.
        Press(&wnd, QPoint(40, 30));
        Mouse(&wnd, QEvent::MouseMove, QPoint(45, 33), Qt::NoButton, Qt::NoButton);
        QCOMPARE(view.posted, (std::vector<Posted>{{WM_DRAWWND_DRAGGING, 5, 3}}));
    }

    void rightPressPostsAtOnce() {
        CRecorder view;
        CDrawWnd wnd(&view);
        wnd.CreateOnce();
        view.posted.clear();
        Press(&wnd, QPoint(7, 9), Qt::RightButton);
        QCOMPARE(view.posted, (std::vector<Posted>{{WM_DRAWWND_RCLICK, 7, 9}}));
        Release(&wnd, QPoint(7, 9), Qt::RightButton);
        QCOMPARE(view.posted.size(), 1u);
        QCOMPARE(wnd.m_bButtonDown, 0);
    }

    void createsOnceAsOwnTopLevelWindow() {
        CRecorder view;
        CDrawWnd wnd(&view);
        QVERIFY(!wnd.isVisible());
        QCOMPARE(wnd.CreateOnce(), 1);
        QTRY_VERIFY(wnd.isVisible());
        QVERIFY(wnd.isWindow());
        QVERIFY(!wnd.parentWidget());
        QCOMPARE(wnd.windowTitle(), QString::fromUtf8("描画Window"));
        QVERIFY(!(wnd.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinMaxButtonsHint)));
        QCOMPARE(wnd.ClientSize(), QSize(327, 294));
        QCOMPARE(wnd.pos(), QPoint(0, 0));
        QVERIFY(view.Only(WM_DRAWWND_SIZED).empty());
        QVERIFY(!view.Only(WM_PAINT).empty());

        const qsizetype windows = QApplication::topLevelWidgets().size();
        view.posted.clear();
        QCOMPARE(wnd.CreateOnce(), 1);
        QCOMPARE(QApplication::topLevelWidgets().size(), windows);
        QVERIFY(view.posted.empty());
    }

    void programMovesAreNotReportedButUserResizesAre() {
        CRecorder view;
        CDrawWnd wnd(&view);
        wnd.CreateOnce();
        wnd.MoveWithClientSize(20, 30, 480, 480);
        QCoreApplication::processEvents();
        QCOMPARE(wnd.ClientSize(), QSize(480, 480));
        QCOMPARE(wnd.pos(), QPoint(20, 30));
        QVERIFY(view.Only(WM_DRAWWND_SIZED).empty());
        QVERIFY(!view.Only(WM_PAINT).empty());

        view.posted.clear();
        wnd.resize(500, 400);
        QCOMPARE(view.Only(WM_DRAWWND_SIZED).size(), 1u);
        // Without a size change there is no size event to swallow; the next
        // one from the user is still reported.
        wnd.MoveWithClientSize(20, 30, 500, 400);
        view.posted.clear();
        wnd.resize(510, 410);
        QCOMPARE(view.Only(WM_DRAWWND_SIZED).size(), 1u);
        wnd.resize(500, 400);  // back to the size last asked for by the program
        QCOMPARE(view.Only(WM_DRAWWND_SIZED).size(), 2u);
    }

    void drawingIntoTheWindowAsksNoRepaint() {
        CRecorder view;
        CDrawWnd wnd(&view);
        wnd.CreateOnce();
        QCoreApplication::processEvents();
        view.posted.clear();
        const std::uint32_t pixels[4] = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff};
        wnd.CopyDib(0, 0, 2, 2,
                    CDibView{reinterpret_cast<const std::uint8_t*>(pixels), 2, 2, 32, 8}, 0, 0);
        wnd.repaint();
        QCoreApplication::processEvents();
        QVERIFY(view.posted.empty());
    }

    void enterAndEscapeKeepTheWindow() {
        CRecorder view;
        CDrawWnd wnd(&view);
        wnd.CreateOnce();
        QTest::keyClick(&wnd, Qt::Key_Escape);
        QTest::keyClick(&wnd, Qt::Key_Return);
        QTest::keyClick(&wnd, Qt::Key_Enter);
        QCoreApplication::processEvents();
        QVERIFY(wnd.isVisible());
        // A close request, from a close box the window manager adds anyway
        // or a close shortcut, is refused.
        QVERIFY(!wnd.close());
        QVERIFY(wnd.isVisible());
    }

    void destructionPostsNothing() {
        CRecorder view;
        auto* wnd = new CDrawWnd(&view);
        wnd->CreateOnce();
        Press(wnd, QPoint(5, 5));
        view.posted.clear();
        delete wnd;
        QCoreApplication::processEvents();
        QVERIFY(view.posted.empty());
    }
};

QTEST_MAIN(DrawWndTest)
#include "DrawWndTest.moc"
