// The window program measured as a user meets it, offscreen:
//   velmora_window_bench benchmark [RUNS]  the built-in benchmark from the menu,
//                                          interleaved with the same scenes
//                                          rendered without a window
//   velmora_window_bench latency [RUNS]    a left click on a 2000 x 2000 picture
//                                          along the set's boundary (limit 10000):
//                                          time to the first coarse picture and
//                                          to the finished one
// Figures only; nothing here passes or fails.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/MorvaneApp.h"
#include "cli/BenchRun.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/PostedMessage.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

// Processor time of the calling thread so far.
double ThreadSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Handles events until `done` holds; false after timeoutMs. The loop sleeps
// between events as the program's own does: a busy loop here would take a
// processor from the render workers.
template <typename Done>
bool RunUntil(Done done, int timeoutMs) {
    QTimer wake;
    wake.start(20);
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Notices the completion of a coarse pass of the engine reaching the view.
class CCoarseWatch : public QObject {
public:
    explicit CCoarseWatch(const CFractalEngine& engine) : m_engine(engine) {}
    bool seen = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (const CPostedMessageEvent* m = CPostedMessageEvent::From(event)) {
            if (m->message == WM_RENDER_DONE && m->wParam == m_engine.Handle() &&
                m_engine.IsCurrentPass(m->lParam) && m_engine.m_level == 64) {
                seen = true;
            }
        }
        return false;
    }

private:
    const CFractalEngine& m_engine;
};

class CWindowBench {
public:
    explicit CWindowBench(const QString& dir) {
        CMorvaneApp::Options options;
        options.iniPath = QDir(dir).filePath(QStringLiteral("velmora.ini"));
        m_app = std::make_unique<CMorvaneApp>(std::move(options));
    }

    bool Start() { return m_app->InitInstance({}) && WaitIdle(); }

    // Both engines idle and the last pass of the picture drawn.
    bool Idle() const {
        const CMorvaneView* view = m_app->View();
        const CFractalEngine& main = m_app->Document().m_engine;
        const auto* progress = static_cast<QProgressBar*>(view->GetDlgItem(IDC_PROGRESS));
        return !main.IsBusy() && main.m_level == 1 && progress->value() == 100 &&
               !m_app->View()->PreviewEngine().IsBusy();
    }
    bool WaitIdle() {
        return RunUntil([this] { return Idle(); }, 600000);
    }

    // The benchmark from the menu: the total it reports, the wall time from
    // the command to its result box, and the processor time the program's
    // own thread took meanwhile.
    bool Benchmark(double& total, double& wall, double& busy) {
        CMessageBoxCapture capture;
        const double before = ThreadSeconds();
        QElapsedTimer timer;
        timer.start();
        m_app->OnCommand(ID_BENCHMARK_START);
        if (!RunUntil([&] { return !capture.Messages().isEmpty(); }, 600000)) {
            return false;
        }
        wall = timer.nsecsElapsed() * 1e-9;
        busy = ThreadSeconds() - before;
        total = m_app->View()->m_dBenchTotal;
        return WaitIdle();
    }

    // A left click at the centre of the picture: seconds to the first coarse
    // picture on screen and to the finished picture.
    bool Click(double& coarse, double& finished) {
        CDrawWnd* wnd = m_app->View()->DrawWnd();
        const CFractalEngine& main = m_app->Document().m_engine;
        const QSize size = wnd->ClientSize();
        CCoarseWatch watch(main);
        m_app->View()->installEventFilter(&watch);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(wnd, Qt::LeftButton, {}, QPoint(size.width() / 2, size.height() / 2));
        // The view draws the coarse picture as it handles the completion.
        if (!RunUntil([&] { return watch.seen; }, 600000)) {
            return false;
        }
        coarse = timer.nsecsElapsed() * 1e-9;
        if (!WaitIdle()) {
            return false;
        }
        finished = timer.nsecsElapsed() * 1e-9;
        return true;
    }

    bool Open(const QString& path) { return m_app->OpenDocumentFile(path) && WaitIdle(); }

    CMorvaneDoc& Document() { return m_app->Document(); }

private:
    std::unique_ptr<CMorvaneApp> m_app;
};

int RunBenchmark(CWindowBench& bench, int runs) {
    std::vector<double> windowTotals;
    std::vector<double> windowWalls;
    std::vector<double> coreTotals;
    std::vector<double> busyTimes;
    const int threads = bench.Document().m_engine.m_workerCount;
    std::printf("run  window total  window wall  its own thread  no window total  (%d workers)\n",
                threads);
    for (int run = 0; run < runs; ++run) {
        int workers = 0;
        const auto core = RunBenchmarkScenes(threads, CEscapeKernel::simd, workers);
        double total = 0.0;
        double wall = 0.0;
        double busy = 0.0;
        if (!core || !bench.Benchmark(total, wall, busy)) {
            std::fprintf(stderr, "velmora_window_bench: the benchmark did not finish\n");
            return 1;
        }
        double coreTotal = 0.0;
        for (const CSceneResult& r : *core) {
            coreTotal += r.seconds;
        }
        windowTotals.push_back(total);
        windowWalls.push_back(wall);
        coreTotals.push_back(coreTotal);
        busyTimes.push_back(busy);
        std::printf("%3d  %10.3f s  %9.3f s  %12.3f s  %13.3f s\n", run, total, wall, busy,
                    coreTotal);
    }
    const double window = Median(windowTotals);
    const double core = Median(coreTotals);
    std::printf(
        "median  window %.3f s (wall %.3f s, own thread %.3f s), no window %.3f s, gap %+.1f %%\n",
        window, Median(windowWalls), Median(busyTimes), core,
        core > 0.0 ? (window / core - 1.0) * 100.0 : 0.0);
    return 0;
}

int RunLatency(CWindowBench& bench, const QString& dir, int runs) {
    // Seahorse valley, between the main body and the disc on its left.
    CMorvaneDoc scene(1);
    NewDocument(scene);
    scene.m_engine.m_kind = 0;
    scene.m_engine.m_xMin = -0.80;
    scene.m_engine.m_xMax = -0.70;
    scene.m_engine.m_yMin = 0.05;
    scene.m_engine.m_yMax = 0.15;
    scene.m_iterationLimit = 10000;
    scene.m_colorCount = 1000;
    scene.m_imageWidth = 2000;
    scene.m_imageHeight = 2000;
    const QString path = QDir(dir).filePath(QStringLiteral("boundary.mvn"));
    CPosixFileStore store;
    if (!SaveDocumentFile(scene, path.toStdString(), store).ok) {
        std::fprintf(stderr, "velmora_window_bench: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::vector<double> coarse;
    std::vector<double> finished;
    std::printf("run  first coarse picture  finished picture  (2000 x 2000, limit 10000)\n");
    for (int run = 0; run < runs; ++run) {
        double c = 0.0;
        double f = 0.0;
        if (!bench.Open(path) || !bench.Click(c, f)) {
            std::fprintf(stderr, "velmora_window_bench: the picture did not finish\n");
            return 1;
        }
        const CFractalEngine& e = bench.Document().m_engine;
        if (run == 0) {
            std::printf("     picture %d x %d, counts sum to %llu, %llu z updates computed\n",
                        e.m_width, e.m_height, static_cast<unsigned long long>(e.IterationCount()),
                        static_cast<unsigned long long>(e.UpdateCount()));
        }
        coarse.push_back(c);
        finished.push_back(f);
        std::printf("%3d  %18.3f s  %14.3f s\n", run, c, f);
    }
    std::printf("median  first coarse %.3f s, finished %.3f s\n", Median(coarse), Median(finished));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    bool ok = true;
    const int runs = args.size() > 1 ? args[1].toInt(&ok) : 5;
    if ((mode != QLatin1String("benchmark") && mode != QLatin1String("latency")) || !ok ||
        runs < 1 || args.size() > 2) {
        std::fprintf(stderr, "usage: velmora_window_bench benchmark|latency [RUNS]\n");
        return 2;
    }
    InitResources();
    InstallDialogFontSubstitutes();
    QTemporaryDir dir;
    CWindowBench bench(dir.path());
    if (!dir.isValid() || !bench.Start()) {
        std::fprintf(stderr, "velmora_window_bench: the program did not start\n");
        return 1;
    }
    return mode == QLatin1String("benchmark") ? RunBenchmark(bench, runs)
                                              : RunLatency(bench, dir.path(), runs);
}
