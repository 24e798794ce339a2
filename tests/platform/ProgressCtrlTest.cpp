#include <QApplication>
#include <QTest>

#include "platform/ProgressCtrl.h"
#include "tests/platform/PaintCount.h"

// A new position is painted by the next repaint, not while it is set; an
// unchanged one asks for no repaint at all.
class ProgressCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void positionsArePaintedWithTheNextRepaint() {
        CPaintCounting<CProgressCtrl> bar;
        bar.setRange(0, 100);
        bar.resize(100, 12);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        HandleEvents();
        bar.paints = 0;
        bar.SetPos(40);
        QCOMPARE(bar.value(), 40);
        QCOMPARE(bar.paints, 0);
        QTRY_COMPARE(bar.paints, 1);
        bar.SetPos(40);
        HandleEvents();
        QCOMPARE(bar.paints, 1);
        QVERIFY(bar.updatesEnabled());
    }
};

QTEST_MAIN(ProgressCtrlTest)
#include "ProgressCtrlTest.moc"
