// The window program on a screen of device pixel ratio 1, 1.5 or 2 (the test
// is registered once for each, through QT_SCALE_FACTOR; 2 when it is unset).
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ReferenceRender.h"
#include "StartedProgram.h"
#include "app/MorvaneApp.h"
#include "drawwnd/DrawWnd.h"
#include "platform/Canvas.h"
#include "platform/DevicePixels.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

class HiDpiTest : public QObject {
    Q_OBJECT
public:
    static void initMain() {
        if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
            qputenv("QT_SCALE_FACTOR", "2");
        }
    }

private slots:
    void init() {
        m_program = std::make_unique<CStartedProgram>();
        QVERIFY(m_program->Start());
        m_app = m_program->App();
        m_ratio = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
        QCOMPARE(Wnd()->devicePixelRatio(), m_ratio);
    }

    void cleanup() { m_program.reset(); }

    void drawingWindowShowsOneImagePixelPerDevicePixel() {
        QCOMPARE(Wnd()->ClientSize(), QSize(240, 240));
        QCOMPARE(Wnd()->LogicalClientSize(),
                 QSize(LogicalCeil(240, m_ratio), LogicalCeil(240, m_ratio)));
        const QImage shown = Wnd()->grab(Wnd()->contentsRect()).toImage();
        QCOMPARE(FirstDifference(shown.copy(0, 0, 240, 240), RenderReference(Doc())), QString());

        // The overview and the colour bar cover every device pixel of their
        // frames; the icons are painted at device resolution; the copy is
        // the picture at its own size.
        for (int id : {IDC_PREVIEW, IDC_COLORBAR}) {
            const auto* canvas = qobject_cast<CCanvas*>(m_app->View()->GetDlgItem(id));
            QVERIFY(canvas);
            const QSize logical = canvas->LogicalClientSize();
            QCOMPARE(canvas->BackBuffer().size(), QSize(DeviceCeil(logical.width(), m_ratio),
                                                        DeviceCeil(logical.height(), m_ratio)));
        }
        const auto* preview = qobject_cast<CCanvas*>(m_app->View()->GetDlgItem(IDC_PREVIEW));
        QCOMPARE(m_app->View()->PreviewEngine().m_width, preview->ClientSize().width());
        const auto* up = qobject_cast<QPushButton*>(m_app->View()->GetDlgItem(IDC_UP));
        const QPixmap icon = up->icon().pixmap(QSize(32, 32), m_ratio);
        QCOMPARE(icon.size(), QSize(DeviceCeil(32, m_ratio), DeviceCeil(32, m_ratio)));
        m_app->OnCommand(ID_EDIT_COPY);
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(240, 240));
    }

    void aClickZoomsAboutTheImagePixelUnderIt() {
        for (const int px : {0, 120, 239}) {
            const CFractalEngine& e = Doc().m_engine;
            const double cx = e.m_xMin + px * (e.m_xMax - e.m_xMin) / 241;
            const double cy = e.m_yMin + px * (e.m_yMax - e.m_yMin) / 241;
            const double w = (e.m_xMax - e.m_xMin) / 4;
            // The middle of device pixel (px, px).
            const QPointF at =
                QPointF(Wnd()->contentsRect().topLeft()) + QPointF(px + 0.5, px + 0.5) / m_ratio;
            const double before = e.m_xMin;
            Click(at);
            QTRY_VERIFY_WITH_TIMEOUT(e.m_xMin != before, 30000);
            QVERIFY2(
                std::abs(e.m_xMin - (cx - w)) < 1e-12 && std::abs(e.m_yMax - (cy + w)) < 1e-12,
                qPrintable(
                    QStringLiteral("pixel %1: x %2, y %3").arg(px).arg(e.m_xMin).arg(e.m_yMax)));
            QVERIFY(m_program->Watch()->WaitSettled());
        }
    }

    void aResizeAndADragCountDevicePixels() {
        const QSize border = Wnd()->size() - Wnd()->LogicalClientSize();
        Wnd()->resize(QSize(150, 131) + border);
        const QSize device(DeviceFloor(150, m_ratio), DeviceFloor(131, m_ratio));
        QTRY_COMPARE_WITH_TIMEOUT(QSize(Doc().m_imageWidth, Doc().m_imageHeight), device, 30000);
        QVERIFY(m_program->Watch()->WaitSettled());
        QCOMPARE(Wnd()->ClientSize(), device);
        QCOMPARE(Wnd()->BackBuffer().size(), device);
        QCOMPARE(QSize(Doc().m_engine.m_width, Doc().m_engine.m_height), device);

        // The offsets of a drag are device pixels, as the outer size they
        // are measured against.
        const CFractalEngine& e = Doc().m_engine;
        const double start = e.m_xMin;
        const double width = e.m_xMax - e.m_xMin;
        const QPointF from = QPointF(Wnd()->contentsRect().topLeft()) + QPointF(2.0, 2.0);
        const QPointF to = from + QPointF(device.width() / 2.0 / m_ratio, 0.0);
        Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        QTest::qWait(300);  // held long enough to be a drag
        Send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        QTRY_VERIFY_WITH_TIMEOUT(e.m_xMin != start, 30000);
        const double left = Wnd()->contentsRect().left();
        const int offset =
            DeviceFloor(to.x() - left, m_ratio) - DeviceFloor(from.x() - left, m_ratio);
        const int outer = Wnd()->OuterDeviceSize().width();
        QVERIFY(std::abs((e.m_xMin - start) + width * offset / (outer + 1)) < 1e-9 * width);
        QVERIFY(m_program->Watch()->WaitSettled());
    }

private:
    CMorvaneDoc& Doc() const { return m_app->Document(); }
    CDrawWnd* Wnd() const { return m_app->View()->DrawWnd(); }

    void Send(QEvent::Type type, const QPointF& at, Qt::MouseButton button,
              Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, Wnd()->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(Wnd(), &event);
    }

    void Click(const QPointF& at) {
        Send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }

    std::unique_ptr<CStartedProgram> m_program;
    CMorvaneApp* m_app = nullptr;
    double m_ratio = 1.0;
};

QTEST_MAIN(HiDpiTest)
#include "HiDpiTest.moc"
