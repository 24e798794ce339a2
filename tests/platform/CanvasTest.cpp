#include <QApplication>
#include <QTest>

#include "engine/DibSurface.h"
#include "platform/Canvas.h"
#include "tests/platform/PaintCount.h"

namespace {

constexpr QRgb kBackground = 0x123456;

std::uint32_t SourcePixel(int x, int y) {
    return static_cast<std::uint32_t>(0x010000 * (x + 1) + 0x000100 * (y + 1) + 0x40);
}

using CCountingCanvas = CPaintCounting<CCanvas>;

}  // namespace

// Copies of a bottom-up surface into the canvas land right side up and
// clipped, whatever the depth takes: straight row copies or the painter.
class CanvasTest : public QObject {
    Q_OBJECT
private slots:
    void copiesPlaceFlipAndClip_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QRect>("dest");
        QTest::addColumn<QPoint>("source");
        for (int bits : {24, 32}) {
            const QByteArray depth = QByteArray::number(bits) + " bits, ";
            QTest::newRow(depth + "whole") << bits << QRect(0, 0, 23, 17) << QPoint(0, 0);
            QTest::newRow(depth + "band") << bits << QRect(0, 5, 23, 4) << QPoint(0, 5);
            QTest::newRow(depth + "moved") << bits << QRect(3, 2, 10, 6) << QPoint(7, 9);
            QTest::newRow(depth + "past the edges")
                << bits << QRect(-4, -3, 23, 17) << QPoint(0, 0);
            QTest::newRow(depth + "past right and bottom")
                << bits << QRect(12, 10, 11, 7) << QPoint(12, 10);
            QTest::newRow(depth + "outside") << bits << QRect(40, 40, 5, 5) << QPoint(0, 0);
        }
    }

    void copiesPlaceFlipAndClip() {
        QFETCH(int, bits);
        QFETCH(QRect, dest);
        QFETCH(QPoint, source);
        CDibSurface surface;
        surface.SetFormat(23, 17, bits);
        QVERIFY(surface.CreateSection() != nullptr);
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 23; ++x) {
                surface.PutPixel(x, y, SourcePixel(x, y));
            }
        }
        CCanvas canvas;
        canvas.resize(20, 15);
        canvas.FillSolidRect(QRect(0, 0, 20, 15), QColor(kBackground));
        canvas.CopyDib(dest.x(), dest.y(), dest.width(), dest.height(), surface.View(), source.x(),
                       source.y());
        const QImage& shown = canvas.BackBuffer();
        QCOMPARE(shown.size(), QSize(20, 15));
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 20; ++x) {
                const QRgb expected = dest.contains(x, y) ? SourcePixel(source.x() + x - dest.x(),
                                                                        source.y() + y - dest.y()) &
                                                                0xFFFFFF
                                                          : kBackground;
                QCOMPARE(shown.pixel(x, y) & 0xFFFFFF, expected);
            }
        }
    }

    // With a frame interval, drawings that come sooner than it after a frame
    // wait and share the next one; without, each is painted.
    void framesComeAtMostOncePerInterval() {
        CCountingCanvas paced;
        paced.SetFrameInterval(300);
        CCountingCanvas plain;
        for (CCountingCanvas* canvas : {&paced, &plain}) {
            canvas->resize(20, 15);
            canvas->show();
            QVERIFY(QTest::qWaitForWindowExposed(canvas));
        }
        QTest::qWait(400);
        HandleEvents();
        for (CCountingCanvas* canvas : {&paced, &plain}) {
            canvas->paints = 0;
            for (int i = 0; i < 3; ++i) {
                canvas->FillSolidRect(QRect(i, i, 4, 4), QColor(kBackground));
                HandleEvents();
            }
        }
        QCOMPARE(plain.paints, 3);
        QCOMPARE(paced.paints, 1);
        QTRY_COMPARE_WITH_TIMEOUT(paced.paints, 2, 2000);
        QTest::qWait(400);
        QCOMPARE(paced.paints, 2);
        // A flush paints what waits at once, and nothing when nothing does.
        paced.FillSolidRect(QRect(0, 0, 2, 2), QColor(kBackground));
        paced.FillSolidRect(QRect(5, 5, 2, 2), QColor(kBackground));
        HandleEvents();
        paced.FlushFrame();
        HandleEvents();
        QCOMPARE(paced.paints, 4);
        paced.FlushFrame();
        HandleEvents();
        QCOMPARE(paced.paints, 4);
        QCOMPARE(paced.BackBuffer().pixel(3, 3) & 0xFFFFFF, kBackground);
    }
};

QTEST_MAIN(CanvasTest)
#include "CanvasTest.moc"
