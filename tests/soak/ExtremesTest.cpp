#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <random>

#include "FormTexts.h"
#include "PeakMemory.h"
#include "ReferenceRender.h"
#include "RenderWatch.h"
#include "SoakReference.h"
#include "StartedProgram.h"
#include "app/MorvaneApp.h"
#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DialogUnits.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

constexpr int kDefaultCycles = 200;
constexpr int kWarmUpCycles = 20;
// What the cycles may add to the resident memory after the warm-up: the
// allocator's slack, but not 45 KB a cycle (one colour table of 10000
// entries is 40 KB, the picture 16 MB).
constexpr long long kGrowthLimitKiB = 8 * 1024;
constexpr int kSettleTimeoutMs = 300000;

int CyclesFromEnvironment() {
    bool ok = false;
    const int cycles = qEnvironmentVariable("VELMORA_EXTREME_CYCLES").toInt(&ok);
    return ok && cycles > kWarmUpCycles ? cycles : kDefaultCycles;
}

}  // namespace

// The largest picture, colour table and iteration limit the form takes,
// rendered, stopped at every stage and started again hundreds of times:
// memory stays flat and the last picture is right.
class ExtremesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void renderStopRestartAtTheLimits() {
        const int cycles = CyclesFromEnvironment();
        CStartedProgram program;
        QVERIFY(program.Start());
        m_view = program.View();
        CRenderWatch& watch = *program.Watch();

        Type(IDC_WIDTH, QStringLiteral("2000"));
        Type(IDC_HEIGHT, QStringLiteral("2000"));
        Type(IDC_COLORS, QStringLiteral("10000"));
        Type(IDC_ITERATIONS, QStringLiteral("10000"));
        Click(IDC_RECALC);
        CMorvaneDoc& doc = program.App()->Document();
        QCOMPARE(QSize(doc.m_engine.m_width, doc.m_engine.m_height), QSize(2000, 2000));
        QCOMPARE(doc.m_colorCount, 10000);
        QCOMPARE(doc.m_iterationLimit, 10000);

        std::mt19937 random(20261207);
        int depth = 0;
        long long afterWarmUp = 0;
        QElapsedTimer clock;
        clock.start();
        for (int cycle = 0; cycle < cycles; ++cycle) {
            // Let the render get somewhere: from nowhere to well into a pass.
            QTest::qWait(std::uniform_int_distribution<int>(0, 60)(random));
            switch (std::uniform_int_distribution<int>(0, 5)(random)) {
                case 0:
                    Click(IDC_RECALC);
                    break;
                case 1:
                    Click(IDC_UP + std::uniform_int_distribution<int>(0, 3)(random));
                    break;
                case 2:
                    // In and out again: the picture stays about the set.
                    Click(depth < 2 ? IDC_ZOOM_IN : IDC_ZOOM_OUT);
                    depth = depth < 2 ? depth + 1 : depth - 1;
                    break;
                case 3:
                    Click(cycle % 2 != 0 ? IDC_JULIA : IDC_MANDELBROT);
                    break;
                case 4: {
                    auto* combo = qobject_cast<QComboBox*>(m_view->GetDlgItem(IDC_PATTERN));
                    const int index = std::uniform_int_distribution<int>(0, 9)(random);
                    combo->setCurrentIndex(index);
                    emit combo->activated(index);
                    break;
                }
                default:
                    // A left click zooms in about the point, a right press out.
                    QTest::mouseClick(m_view->DrawWnd(),
                                      depth < 2 ? Qt::LeftButton : Qt::RightButton, {},
                                      QPoint(1000, 1000));
                    depth = depth < 2 ? depth + 1 : depth - 1;
                    break;
            }
            if (cycle + 1 == kWarmUpCycles) {
                afterWarmUp = ResidentKiB();
            }
        }
        QVERIFY(watch.WaitSettled(kSettleTimeoutMs));
        const long long end = ResidentKiB();
        qInfo(
            "extremes: %d render, stop and restart cycles at 2000 x 2000, 10000 colours, "
            "limit 10000 in %.1f s; resident %lld KiB after %d cycles, %lld KiB at the end, "
            "peak %lld KiB",
            cycles, clock.elapsed() / 1000.0, afterWarmUp, kWarmUpCycles, end, PeakResidentKiB());
        QVERIFY2(
            end - afterWarmUp < kGrowthLimitKiB,
            qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(end - afterWarmUp)));
        QCOMPARE(program.Messages()->Texts(), QStringList());
        QCOMPARE(FirstDifference(m_view->DrawWnd()->BackBuffer(), RenderReferenceAtEngineSize(doc)),
                 QString());
    }

private:
    void Type(int id, const QString& text) {
        QLineEdit* edit = FormEdit(m_view, id);
        QVERIFY(edit != nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    void Click(int id) { QTest::mouseClick(m_view->GetDlgItem(id), Qt::LeftButton); }

    CMorvaneView* m_view = nullptr;
};

QTEST_MAIN(ExtremesTest)
#include "ExtremesTest.moc"
