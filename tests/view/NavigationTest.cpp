#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <memory>

#include "FormTexts.h"
#include "ReferenceRender.h"
#include "RenderWatch.h"
#include "StartedProgram.h"
#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "drawwnd/DrawWnd.h"
#include "platform/Canvas.h"
#include "platform/DialogUnits.h"
#include "platform/DibImage.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

struct Region {
    double xMin;
    double xMax;
    double yMin;
    double yMax;
};

Region RegionOf(const CFractalEngine& e) {
    return {e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax};
}

bool Near(double a, double b) {
    return std::abs(a - b) <= 1e-12 * std::max(1.0, std::abs(b));
}

// Empty when the bounds agree up to rounding; otherwise both regions.
QString Mismatch(const Region& actual, const Region& expected) {
    if (Near(actual.xMin, expected.xMin) && Near(actual.xMax, expected.xMax) &&
        Near(actual.yMin, expected.yMin) && Near(actual.yMax, expected.yMax)) {
        return {};
    }
    return QString::asprintf(
        "x %.17g..%.17g y %.17g..%.17g, expected x %.17g..%.17g y %.17g..%.17g", actual.xMin,
        actual.xMax, actual.yMin, actual.yMax, expected.xMin, expected.xMax, expected.yMin,
        expected.yMax);
}

const Region kDefaultMandelbrot{-1.8, 0.6, -1.2, 1.2};
const QString kDefaultTexts = QStringLiteral("-1.800000 0.600000 -1.200000 1.200000");

// Empty when `shown` is `image` moved by (ox, oy) over black; otherwise the
// first pixel that differs.
QString ShiftedDifference(const QImage& shown, const QImage& image, int ox, int oy) {
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const int sx = x - ox;
            const int sy = y - oy;
            const bool inside = sx >= 0 && sy >= 0 && sx < image.width() && sy < image.height();
            const QRgb expected = inside ? image.pixel(sx, sy) : qRgb(0, 0, 0);
            if (((shown.pixel(x, y) ^ expected) & 0xFFFFFFu) != 0) {
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(shown.pixel(x, y) & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                    .arg(expected & 0xFFFFFFu, 6, 16, QLatin1Char('0'));
            }
        }
    }
    return {};
}

// When the view handled each size notice of the drawing window and each tick
// of its resize timer, in milliseconds of one clock.
class CResizeLog : public QObject {
public:
    CResizeLog(CMorvaneView* view, const QElapsedTimer* clock) : m_view(view), m_clock(clock) {
        view->installEventFilter(this);
    }

    QList<qint64> sized;
    QList<QSize> imageSizeAtSized;  // the document's image size as each notice arrived
    QList<qint64> fired;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_view) {
            return false;
        }
        const CPostedMessageEvent* posted = CPostedMessageEvent::From(event);
        if (posted && posted->message == WM_DRAWWND_SIZED) {
            const CMorvaneDoc* doc = m_view->GetDocument();
            sized << m_clock->elapsed();
            imageSizeAtSized << QSize(doc->m_imageWidth, doc->m_imageHeight);
        } else if (event->type() == QEvent::Timer &&
                   static_cast<QTimerEvent*>(event)->timerId() == m_view->m_nResizeTimer) {
            fired << m_clock->elapsed();
        }
        return false;
    }

private:
    CMorvaneView* m_view;
    const QElapsedTimer* m_clock;
};

}  // namespace

// The program on a new document, its first renders finished before each test:
// the arrow and zoom buttons, the preview, and the mouse and size events of
// the drawing window.
class NavigationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void init() {
        m_program = std::make_unique<CStartedProgram>();
        QVERIFY(m_program->Start());
        m_app = m_program->App();
        m_view = m_program->View();
        m_watch = m_program->Watch();
        m_messages = m_program->Messages();
        QCOMPARE(Wnd()->ClientSize(), QSize(240, 240));
        QCOMPARE(Mismatch(RegionOf(Engine()), kDefaultMandelbrot), QString());
    }

    void cleanup() {
        const QStringList messages = m_messages ? m_messages->Texts() : QStringList();
        m_program.reset();
        m_messages = nullptr;
        QCOMPARE(messages, QStringList());  // none of these actions shows a message
    }

    void zoomButtonsHalveAndDoubleAboutTheCentre() {
        Button(IDC_ZOOM_IN)->click();
        QCOMPARE(Mismatch(RegionOf(Engine()), {-1.2, 0.0, -0.6, 0.6}), QString());
        QCOMPARE(Texts({IDC_XMIN, IDC_YMIN, IDC_YMAX}),
                 QStringLiteral("-1.200000 -0.600000 0.600000"));
        QCOMPARE(m_watch->Progress()->value(), 0);  // a new render has started
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());

        Button(IDC_ZOOM_OUT)->click();
        QCOMPARE(Mismatch(RegionOf(Engine()), kDefaultMandelbrot), QString());
        QCOMPARE(RegionTexts(), kDefaultTexts);
        QVERIFY(m_watch->WaitSettled());
    }

    void upThenDownReturnsTheRegion() {
        const QImage preview = Preview()->BackBuffer();
        m_watch->Clear();
        Button(IDC_UP)->click();
        QCOMPARE(m_watch->Progress()->value(), 0);
        QCOMPARE(RegionTexts(), QStringLiteral("-1.800000 0.600000 -1.500000 0.900000"));
        QVERIFY(Preview()->BackBuffer() != preview);  // the mark has moved
        // While the strip of the first step is still being computed.
        Button(IDC_DOWN)->click();
        QCOMPARE(Mismatch(RegionOf(Engine()), kDefaultMandelbrot), QString());
        QCOMPARE(RegionTexts(), kDefaultTexts);
        QVERIFY(m_watch->WaitSettled());
        // Only the mark moved over the preview: it was not rendered again.
        QVERIFY(m_watch->Of(WM_RENDER_DONE, false).empty());
        QCOMPARE(Mismatch(RegionOf(Engine()), kDefaultMandelbrot), QString());
    }

    void eightUpsMoveByTheHeight() {
        const Region start = RegionOf(Engine());
        const double height = start.yMax - start.yMin;
        for (int i = 0; i < 8; ++i) {
            Button(IDC_UP)->click();
            QVERIFY(m_watch->WaitSettled());
        }
        QCOMPARE(Mismatch(RegionOf(Engine()),
                          {start.xMin, start.xMax, start.yMin - height, start.yMax - height}),
                 QString());
        QCOMPARE(Engine().m_xMin, start.xMin);
        QCOMPARE(Engine().m_xMax, start.xMax);
        QCOMPARE(RegionTexts(), QStringLiteral("-1.800000 0.600000 -3.600000 -1.200000"));
    }

    void panKeepsPendingEdits() {
        Type(IDC_COLORS, QStringLiteral("50"));
        Type(IDC_WIDTH, QStringLiteral("300"));
        Button(IDC_RIGHT)->click();
        QCOMPARE(RegionTexts(), QStringLiteral("-1.500000 0.900000 -1.200000 1.200000"));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Texts({IDC_COLORS, IDC_WIDTH, IDC_HEIGHT}), QStringLiteral("50 300 240"));
        QCOMPARE(m_view->m_bColorsChanged, 1);
        QCOMPARE(m_view->m_bSizeEdited, 1);
        QCOMPARE(Engine().m_colorCount, 100);
        QCOMPARE(Wnd()->ClientSize(), QSize(240, 240));

        const double xMin = Engine().m_xMin;
        const double width = Engine().m_xMax - xMin;
        Recalc();
        QCOMPARE(m_view->m_bColorsChanged + m_view->m_bSizeEdited, 0);
        QCOMPARE(Engine().m_colorCount, 50);
        QCOMPARE(Wnd()->ClientSize(), QSize(300, 240));
        QCOMPARE(QSize(Doc().m_imageWidth, Doc().m_imageHeight), QSize(300, 240));
        QCOMPARE(Texts({IDC_COLORS, IDC_WIDTH, IDC_HEIGHT}), QStringLiteral("50 300 240"));
        // The panned region stays, widened for the wider window.
        QCOMPARE(Engine().m_xMin, xMin);
        QVERIFY(Near(Engine().m_xMax, xMin + 301 * width / 240));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());
    }

    void previewClickCentresTheRegion() {
        const CFractalEngine& p = m_view->PreviewEngine();
        const double w = Engine().m_xMax - Engine().m_xMin;
        const double h = Engine().m_yMax - Engine().m_yMin;
        // In form coordinates: QTest reads a point (0, 0) as the widget's centre.
        const QPoint corner = Preview()->geometry().topLeft();
        QVERIFY(!corner.isNull());
        QTest::mouseClick(m_view, Qt::LeftButton, {}, corner);
        QCOMPARE(Mismatch(RegionOf(Engine()), {p.m_xMin - w * 0.5, p.m_xMin + w * 0.5,
                                               p.m_yMin - h * 0.5, p.m_yMin + h * 0.5}),
                 QString());
        QVERIFY(m_watch->WaitSettled());

        // The last pixel inside: the divisors are the sizes plus one.
        const int right = Preview()->width() - 1;
        const int bottom = Preview()->height() - 1;
        QTest::mouseClick(Preview(), Qt::LeftButton, {}, QPoint(right, bottom));
        const double x = p.m_xMin + (p.m_xMax - p.m_xMin) * right / (right + 2);
        const double y = p.m_yMin + (p.m_yMax - p.m_yMin) * bottom / (bottom + 2);
        QCOMPARE(Mismatch(RegionOf(Engine()), {x - w * 0.5, x + w * 0.5, y - h * 0.5, y + h * 0.5}),
                 QString());
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());
    }

    void clickBesidePreviewChangesNothing() {
        const Region start = RegionOf(Engine());
        const QPoint corner = Preview()->geometry().topLeft();
        const QSize size = Preview()->size();
        m_watch->Clear();
        for (const QPoint& at : {QPoint(size.width(), 0), QPoint(0, size.height()), QPoint(-1, 0),
                                 QPoint(0, -1), QPoint(size.width() + 5, size.height() / 2)}) {
            QTest::mouseClick(m_view, Qt::LeftButton, {}, corner + at);
        }
        QCoreApplication::processEvents();
        QVERIFY(m_watch->Notices().empty());
        QVERIFY(m_watch->Settled());
        QCOMPARE(Engine().m_xMin, start.xMin);
        QCOMPARE(Engine().m_xMax, start.xMax);
        QCOMPARE(Engine().m_yMin, start.yMin);
        QCOMPARE(Engine().m_yMax, start.yMax);
    }

    void leftClickZoomsInAboutThePoint() {
        QTest::mouseClick(Wnd(), Qt::LeftButton, {}, QPoint(120, 120));
        QTRY_VERIFY_WITH_TIMEOUT(Engine().m_xMin != kDefaultMandelbrot.xMin, 30000);
        const double cx = -1.8 + 120 * 2.4 / 241;
        const double cy = -1.2 + 120 * 2.4 / 241;
        QCOMPARE(Mismatch(RegionOf(Engine()), {cx - 0.6, cx + 0.6, cy - 0.6, cy + 0.6}), QString());
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());

        // A right press at the same pixel gives the old width and height back.
        const double before = Engine().m_xMin;
        QTest::mousePress(Wnd(), Qt::RightButton, {}, QPoint(120, 120));
        QTest::mouseRelease(Wnd(), Qt::RightButton, {}, QPoint(120, 120));
        QTRY_VERIFY_WITH_TIMEOUT(Engine().m_xMin != before, 30000);
        QVERIFY(Near(Engine().m_xMax - Engine().m_xMin, 2.4));
        QVERIFY(Near(Engine().m_yMax - Engine().m_yMin, 2.4));
        QVERIFY(m_watch->WaitSettled());
    }

    void rightPressZoomsOutAboutThePoint() {
        QTest::mousePress(Wnd(), Qt::RightButton, {}, QPoint(120, 120));
        QTest::mouseRelease(Wnd(), Qt::RightButton, {}, QPoint(120, 120));
        QTRY_VERIFY_WITH_TIMEOUT(Engine().m_xMin != kDefaultMandelbrot.xMin, 30000);
        const double cx = -1.8 + 120 * 2.4 / 241;
        const double cy = -1.2 + 120 * 2.4 / 241;
        QCOMPARE(Mismatch(RegionOf(Engine()), {cx - 2.4, cx + 2.4, cy - 2.4, cy + 2.4}), QString());
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());
    }

    void previewShowsOneMarkWhileItRestarts() {
        // Slow enough that the preview is still running when the zoom draws it:
        // the points of a Siegel disk never repeat, so each runs to the limit.
        qobject_cast<QAbstractButton*>(m_view->GetDlgItem(IDC_JULIA))->click();
        Type(IDC_JULIA_RE, QStringLiteral("-0.3905408702184"));
        Type(IDC_JULIA_IM, QStringLiteral("-0.5867879073469687"));
        Type(IDC_ITERATIONS, QStringLiteral("100000"));
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        // Another limit restarts the overview; its points never escape, so
        // the picture stays the same.
        Type(IDC_ITERATIONS, QStringLiteral("100001"));
        Button(IDC_ZOOM_IN)->click();
        const bool running = m_view->PreviewEngine().IsBusy();
        const QImage restarted = Preview()->BackBuffer();
        QVERIFY(m_watch->WaitSettled());
        if (!running) {
            QSKIP("the preview finished before it was drawn");
        }
        // Rows not yet computed again show the old picture: with the new mark only.
        QCOMPARE(FirstDifference(restarted, Preview()->BackBuffer()), QString());
    }

    void theOverviewIsRenderedAgainOnlyWhenItChanges() {
        m_watch->Clear();
        Type(IDC_COLORS, QStringLiteral("101"));
        Type(IDC_COLORS, QStringLiteral("100"));  // the colours it shows
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        QVERIFY(m_watch->Of(WM_RENDER_DONE, false).empty());
        Type(IDC_COLORS, QStringLiteral("101"));
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(m_watch->Of(WM_RENDER_DONE, false).size(), std::size_t{1});
    }

    void zoomsGoOnBelowDoublePrecision() {
        for (int i = 0; i < 50; ++i) {
            Button(IDC_ZOOM_IN)->click();
        }
        QVERIFY(m_watch->WaitSettled());
        QVERIFY(Engine().m_deep);
        QVERIFY(Engine().IsDeepPass());
        QCOMPARE(RegionTexts(), QStringLiteral("-0.600000 -0.600000 -0.000000 0.000000"));
        QVERIFY(m_view->GetDlgItem(IDC_XMIN)->toolTip().contains(QStringLiteral("10^-")));
        QCOMPARE(DrawnDifference(), QString());
    }

    void movesPastTheEndOfTheRangeDoNothing() {
        CFractalEngine& e = m_app->Document().m_engine;
        e.StopWorkers();
        const Region huge{-6e307, 6e307, -6e307, 6e307};  // one more doubling overflows
        e.m_xMin = huge.xMin;
        e.m_xMax = huge.xMax;
        e.m_yMin = huge.yMin;
        e.m_yMax = huge.yMax;
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        Button(IDC_ZOOM_OUT)->click();
        QTest::mousePress(Wnd(), Qt::RightButton, {}, QPoint(10, 10));
        QTest::mouseRelease(Wnd(), Qt::RightButton, {}, QPoint(10, 10));
        QTest::qWait(100);
        QCOMPARE(Mismatch(RegionOf(e), huge), QString());
        QVERIFY(!RegionTexts().contains(QStringLiteral("inf")));
        // What can be reached can be moved within the range and comes back.
        Button(IDC_ZOOM_IN)->click();
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Mismatch(RegionOf(e), {-3e307, 3e307, -3e307, 3e307}), QString());
    }

    void resizeIsAppliedOnceAfterThePause() {
        QElapsedTimer clock;
        clock.start();
        CResizeLog log(m_view, &clock);
        const Region start = RegionOf(Engine());
        const QSize border = Wnd()->size() - Wnd()->ClientSize();
        QSize size;
        bool appliedEarly = false;
        for (int i = 1; i <= 10; ++i) {
            size = QSize(240 + 10 * i, 240 + 5 * i);
            Wnd()->resize(size + border);
            // The edits follow each size at once.
            QTRY_COMPARE_WITH_TIMEOUT(Text(IDC_WIDTH), QString::number(size.width()), 30000);
            QCOMPARE(Text(IDC_HEIGHT), QString::number(size.height()));
            QCOMPARE(m_view->m_bWindowResized, 1);
            appliedEarly = appliedEarly || !log.fired.isEmpty();
            if (i < 10) {
                QTest::qWait(static_cast<int>(std::max<qint64>(
                    0, 100 - (clock.elapsed() - log.sized.value(log.sized.size() - 1)))));
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(!log.fired.isEmpty(), 30000);
        QVERIFY(m_watch->WaitSettled());
        QTest::qWait(600);  // a timer left running would fire again by now

        QVERIFY(log.sized.size() >= 10);
        qint64 longestGap = 0;
        for (qsizetype i = 1; i < log.sized.size(); ++i) {
            longestGap = std::max(longestGap, log.sized[i] - log.sized[i - 1]);
        }
        if (longestGap >= 450) {
            QSKIP("the machine paused for as long as the resize delay between two size events");
        }
        QVERIFY(!appliedEarly);
        QCOMPARE(log.fired.size(), 1);
        QCOMPARE(m_view->m_nResizeTimer, 0);
        // Half a second after the last; the timer may be up to 5 % early.
        QVERIFY2(log.fired.first() - log.sized.last() >= 475,
                 qPrintable(QString::number(log.fired.first() - log.sized.last())));
        for (const QSize& atNotice : log.imageSizeAtSized) {
            QCOMPARE(atNotice, QSize(240, 240));
        }
        QCOMPARE(QSize(Doc().m_imageWidth, Doc().m_imageHeight), size);
        QCOMPARE(QSize(Engine().m_width, Engine().m_height), size);
        QCOMPARE(m_view->m_bWindowResized, 0);
        // Applied once: the top-left corner stays and the scale is kept.
        const double width = start.xMax - start.xMin;
        const double height = start.yMax - start.yMin;
        QCOMPARE(Mismatch(RegionOf(Engine()),
                          {start.xMin, start.xMin + (size.width() + 1) * width / 240, start.yMin,
                           start.yMin + (size.height() + 1) * height / 240}),
                 QString());
        QCOMPARE(DrawnDifference(), QString());
    }

    void dragShowsPreviewAndPans() {
        const Region start = RegionOf(Engine());
        const QImage image = DibToImage(Engine().m_surface);
        QCOMPARE(image.size(), QSize(240, 240));

        QTest::mousePress(Wnd(), Qt::LeftButton, {}, QPoint(50, 50));
        QElapsedTimer held;
        held.start();
        QCOMPARE(Wnd()->m_bButtonDown, 1);
        QTest::mouseMove(Wnd(), QPoint(80, 70));
        QTRY_COMPARE_WITH_TIMEOUT(ShiftedDifference(Wnd()->BackBuffer(), image, 30, 20), QString(),
                                  30000);

        // The copy takes the engine's picture, not the moved preview.
        m_app->OnCommand(ID_EDIT_COPY);
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(FirstDifference(copied, image), QString());
        QVERIFY(!FirstDifference(Wnd()->BackBuffer(), image).isEmpty());

        // Each move draws the whole picture again at the new offset.
        QTest::mouseMove(Wnd(), QPoint(20, 40));
        QTRY_COMPARE_WITH_TIMEOUT(ShiftedDifference(Wnd()->BackBuffer(), image, -30, -10),
                                  QString(), 30000);
        QCOMPARE(RegionOf(Engine()).xMin, start.xMin);

        // Held long enough to count as a drag: 100 pixels to the right.
        QTest::qWait(static_cast<int>(std::max<qint64>(0, 260 - held.elapsed())));
        QTest::mouseRelease(Wnd(), Qt::LeftButton, {}, QPoint(150, 50));
        QCOMPARE(Wnd()->m_bButtonDown, 0);
        QTRY_VERIFY_WITH_TIMEOUT(Engine().m_xMin != start.xMin, 30000);
        // Offscreen the window has no frame: the outer width is the client's.
        const int outer = Wnd()->frameGeometry().width();
        const double shift = (start.xMax - start.xMin) * 100 / (outer + 1);
        QCOMPARE(Mismatch(RegionOf(Engine()),
                          {start.xMin - shift, start.xMax - shift, start.yMin, start.yMax}),
                 QString());
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());
    }

    void arrowKeysPan() {
        CMainFrame* frame = m_app->Frame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QLineEdit* edit = Edit(IDC_COLORS);
        edit->setFocus();

        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(RegionTexts(), QStringLiteral("-1.800000 0.600000 -1.500000 0.900000"));
        QTest::keyClick(edit, Qt::Key_Left);
        QCOMPARE(RegionTexts(), QStringLiteral("-2.100000 0.300000 -1.500000 0.900000"));
        QTest::keyClick(edit, Qt::Key_Right);
        QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(Mismatch(RegionOf(Engine()), kDefaultMandelbrot), QString());
        QTest::keyClick(edit, Qt::Key_Minus, Qt::AltModifier);
        QCOMPARE(RegionTexts(), QStringLiteral("-3.000000 1.800000 -2.400000 2.400000"));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(edit->text(), QStringLiteral("100"));
        QCOMPARE(DrawnDifference(), QString());
    }

private:
    CMorvaneDoc& Doc() const { return m_app->Document(); }
    const CFractalEngine& Engine() const { return m_app->Document().m_engine; }
    CDrawWnd* Wnd() const { return m_view->DrawWnd(); }
    CCanvas* Preview() const { return qobject_cast<CCanvas*>(m_view->GetDlgItem(IDC_PREVIEW)); }
    QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(m_view->GetDlgItem(id)); }
    QLineEdit* Edit(int id) const { return FormEdit(m_view, id); }

    QString Text(int id) const { return FormText(m_view, id); }
    QString Texts(std::initializer_list<int> ids) const { return FormTexts(m_view, ids); }
    QString RegionTexts() const { return FormRegionTexts(m_view); }

    void Type(int id, const QString& text) { Edit(id)->setText(text); }
    void Recalc() { Button(IDC_RECALC)->click(); }

    QString DrawnDifference() const {
        return FirstDifference(Wnd()->BackBuffer(), RenderReference(Doc()));
    }

    std::unique_ptr<CStartedProgram> m_program;
    // Parts of m_program.
    CMorvaneApp* m_app = nullptr;
    CMorvaneView* m_view = nullptr;
    CRenderWatch* m_watch = nullptr;
    CMessageBoxCapture* m_messages = nullptr;
};

QTEST_MAIN(NavigationTest)
#include "NavigationTest.moc"
