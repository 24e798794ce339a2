#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>

#include "PeakMemory.h"
#include "ReferenceRender.h"
#include "RenderWatch.h"
#include "SoakDialogs.h"
#include "SoakFiles.h"
#include "SoakOptions.h"
#include "SoakReference.h"
#include "SoakUser.h"
#include "SoakWatchdog.h"
#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

constexpr auto kBurstDeadline = std::chrono::seconds(60);
constexpr int kSettleTimeoutMs = 30000;
constexpr int kFailuresShown = 5;
constexpr qint64 kReportEveryMs = 60000;

}  // namespace

// Thousands of random user actions in bursts; after each burst, once the
// program is idle, the drawing window must show exactly the picture of the
// document's parameters.
class SoakTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void randomActionsKeepThePictureRight() {
        const CSoakOptions options = CSoakOptions::FromEnvironment();
        qInfo("soak: seed %llu for %.0f s (VELMORA_SOAK_SEED, VELMORA_SOAK_SECONDS)",
              static_cast<unsigned long long>(options.seed), options.seconds);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        CSoakFiles files;
        QVERIFY(files.Create(dir.path(), options.seed));

        CMessageBoxCapture messages;
        auto dialogs = std::make_unique<CSoakDialogs>();
        CSoakDialogs& scripted = *dialogs;
        CMorvaneApp::Options appOptions;
        appOptions.iniPath = dir.filePath(QStringLiteral("velmora.ini"));
        appOptions.dialogs = std::move(dialogs);
        appOptions.workerCount = 2;
        appOptions.urlOpener = [](const QUrl&) { return true; };
        CMorvaneApp app(std::move(appOptions));
        QVERIFY(app.InitInstance({}));
        CRenderWatch watch(app.View());
        app.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.Frame()));
        QVERIFY(watch.WaitSettled(kSettleTimeoutMs));

        CSoakWatchdog watchdog(options.seed);
        CSoakUser user(app, scripted, files, options.seed, options.knownFaults);
        QElapsedTimer clock;
        clock.start();
        long long actions = 0;
        int bursts = 0;
        int failures = 0;
        QString firstFailure;
        qint64 nextReportMs = kReportEveryMs;
        while (clock.elapsed() < static_cast<qint64>(options.seconds * 1000.0)) {
            ++bursts;
            watchdog.Arm(bursts, kBurstDeadline);
            QStringList done;
            const int length = user.BurstLength();
            for (int i = 0; i < length; ++i) {
                const QString action = user.Act();
                ++actions;
                done << action;
                watchdog.Note(action.toStdString());
                if (options.trace) {
                    qInfo("soak: burst %d action %lld: %s", bursts, actions, qPrintable(action));
                }
                user.Pause();
            }
            const QString finish = user.Finish();
            if (!finish.isEmpty()) {
                done << QStringLiteral("[end] ") + finish;
                watchdog.Note(finish.toStdString());
            }
            if (clock.elapsed() >= nextReportMs) {
                nextReportMs += kReportEveryMs;
                qInfo("soak: %.0f s, %lld actions, %d bursts, %d failures",
                      clock.elapsed() / 1000.0, actions, bursts, failures);
            }
            const QString failure =
                user.BenchmarkStalled()
                    ? QStringLiteral("the benchmark was running but rendered nothing")
                    : CheckIdle(app, watch);
            watchdog.Disarm();
            watch.Clear();
            if (failure.isEmpty()) {
                continue;
            }
            ++failures;
            const QString report =
                QStringLiteral("burst %1 (seed %2, actions %3 to %4): %5\n  actions: %6")
                    .arg(bursts)
                    .arg(options.seed)
                    .arg(actions - length + 1)
                    .arg(actions)
                    .arg(failure, done.join(QStringLiteral(" | ")));
            if (firstFailure.isEmpty()) {
                firstFailure = report;
            }
            if (failures <= kFailuresShown) {
                qWarning("soak failure: %s", qPrintable(report));
            }
            // Start over from a new document and go on looking for more.
            watchdog.Arm(bursts, kBurstDeadline);
            app.OnCommand(ID_FILE_NEW);
            const bool recovered = watch.WaitSettled(kSettleTimeoutMs);
            watchdog.Disarm();
            watch.Clear();
            QVERIFY2(recovered, qPrintable(QStringLiteral("no recovery after ") + report));
        }
        qInfo(
            "soak: seed %llu, %lld actions in %d bursts, %.1f s, %d failures, %d messages, "
            "peak memory %lld KiB",
            static_cast<unsigned long long>(options.seed), actions, bursts,
            clock.elapsed() / 1000.0, failures, static_cast<int>(messages.Messages().size()),
            PeakResidentKiB());
        QVERIFY2(failures == 0, qPrintable(firstFailure));
    }

private:
    // Empty when the program is idle and shows the right picture; otherwise
    // what is wrong.
    static QString CheckIdle(CMorvaneApp& app, const CRenderWatch& watch) {
        CMorvaneView* view = app.View();
        CMorvaneDoc& doc = app.Document();
        if (!watch.WaitSettled(kSettleTimeoutMs)) {
            return QStringLiteral(
                       "not idle: progress %1, main busy %2, preview busy %3, "
                       "main done current %4, preview done current %5, "
                       "benchmark %6, marks %7%8%9%10%11")
                .arg(watch.Progress()->value())
                .arg(doc.m_engine.IsBusy())
                .arg(view->PreviewEngine().IsBusy())
                .arg(watch.MainDoneCurrent())
                .arg(watch.PreviewDoneCurrent())
                .arg(doc.m_benchmarkRunning)
                .arg(view->m_bSizeEdited)
                .arg(view->m_bWindowResized)
                .arg(view->m_bColorsChanged)
                .arg(view->m_bKindChanged)
                .arg(view->m_bConstantEdited);
        }
        const CFractalEngine& engine = doc.m_engine;
        const QSize client = view->DrawWnd()->ClientSize();
        const QSize rendered(engine.m_width, engine.m_height);
        const QSize stored(doc.m_imageWidth, doc.m_imageHeight);
        if (client != rendered || stored != rendered) {
            return QStringLiteral("sizes differ: window %1x%2, engine %3x%4, document %5x%6")
                .arg(client.width())
                .arg(client.height())
                .arg(rendered.width())
                .arg(rendered.height())
                .arg(stored.width())
                .arg(stored.height());
        }
        const QString difference =
            FirstDifference(view->DrawWnd()->BackBuffer(), RenderReferenceAtEngineSize(doc));
        if (!difference.isEmpty()) {
            return QStringLiteral(
                       "picture differs from its parameters: %1; kind %2, region "
                       "%3 %4 %5 %6, constant %7 %8, limit %9, colours %10, pattern "
                       "%11")
                .arg(difference)
                .arg(engine.m_kind)
                .arg(engine.m_xMin, 0, 'g', 17)
                .arg(engine.m_xMax, 0, 'g', 17)
                .arg(engine.m_yMin, 0, 'g', 17)
                .arg(engine.m_yMax, 0, 'g', 17)
                .arg(engine.m_juliaRe, 0, 'g', 17)
                .arg(engine.m_juliaIm, 0, 'g', 17)
                .arg(doc.m_iterationLimit)
                .arg(doc.m_colorCount)
                .arg(doc.m_colorPattern);
        }
        return {};
    }
};

int main(int argc, char** argv) {
    // Qt Test ends a test function after five minutes; here every burst has
    // a deadline of its own, so the whole run may take as long as asked.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT")) {
        const CSoakOptions options = CSoakOptions::FromEnvironment();
        const auto ms = static_cast<qint64>(options.seconds * 1000.0) + 10 * 60 * 1000;
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(ms));
    }
    QApplication app(argc, argv);
    SoakTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "SoakTest.moc"
