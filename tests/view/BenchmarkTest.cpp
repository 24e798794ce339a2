#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

#include "FormTexts.h"
#include "ReferenceRender.h"
#include "RenderWatch.h"
#include "StartedProgram.h"
#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DialogUnits.h"
#include "platform/DibImage.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "tests/engine/RotatingRegion.h"
#include "view/MorvaneView.h"

namespace {

struct Scene {
    int kind;
    double xMin;
    double xMax;
    double yMin;
    double yMax;
    double juliaRe;
    double juliaIm;
    int pattern;
};

// The eleven scenes in the order they are rendered, each 480 x 480 pixels
// with 339 iterations and 339 colours.
const Scene kScenes[] = {
    {0, 0.04869, 0.06744, 0.619196, 0.637946, -0.837058, 0.1965111, 4},
    {1, -0.758558, -0.005369, -0.095695, 0.657392, 0.0580645, 0.6285714, 4},
    {1, -1.455334, 1.557423, -1.500778, 1.511569, 0.3747204, 0.2536148, 4},
    {1, -1.455334, 1.557423, -1.500778, 1.511569, 0.324133, 0.0408163, 8},
    {1, -1.455334, 1.557423, -1.500778, 1.511569, -0.824516, 0.1877551, 7},
    {1, -0.546701, 0.206488, 0.246952, 1.000039, -0.390967, 0.5959183, 1},
    {1, -1.506705, 1.506052, -1.52124, 1.491108, -0.390967, 0.5959183, 1},
    {0, -0.400343, -0.381593, 0.586543, 0.605293, -0.390967, 0.5959183, 1},
    {1, -0.845021, 0.661357, -0.356058, 1.150115, 0.324133, 0.0408163, 7},
    {1, -0.758558, -0.005369, -0.095695, 0.657392, -0.837058, 0.1965111, 4},
    {0, -0.846433, -0.827683, 0.187136, 0.205886, -0.837058, 0.1965111, 4},
};
constexpr int kSceneCount = 11;

// Every parameter of the document, saved and restored around a run.
QString Parameters(const CMorvaneDoc& doc) {
    const CFractalEngine& e = doc.m_engine;
    return QString::asprintf(
        "kind %d x %.17g..%.17g y %.17g..%.17g other x %.17g..%.17g y %.17g..%.17g "
        "c %.17g %.17g limit %d colours %d pattern %d size %dx%d",
        e.m_kind, e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax, e.m_otherXMin, e.m_otherXMax,
        e.m_otherYMin, e.m_otherYMax, e.m_juliaRe, e.m_juliaIm, doc.m_iterationLimit,
        doc.m_colorCount, doc.m_colorPattern, doc.m_imageWidth, doc.m_imageHeight);
}

// The same for a new document, briefly.
QString Summary(const CMorvaneDoc& doc) {
    const CFractalEngine& e = doc.m_engine;
    return QString::asprintf("%d %g %g %g %g %g %g %d %d %d %dx%d", e.m_kind, e.m_xMin, e.m_xMax,
                             e.m_yMin, e.m_yMax, e.m_juliaRe, e.m_juliaIm, doc.m_iterationLimit,
                             doc.m_colorCount, doc.m_colorPattern, doc.m_imageWidth,
                             doc.m_imageHeight);
}
const QString kNewDocument = QStringLiteral("0 -1.8 0.6 -1.2 1.2 -0.725 0.21 100 100 0 240x240");

// Empty when every 8 x 8 block of the image has one colour.
QString MixedBlock(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (((image.pixel(x, y) ^ image.pixel(x & ~7, y & ~7)) & 0xFFFFFFu) != 0) {
                return QStringLiteral("pixel (%1, %2)").arg(x).arg(y);
            }
        }
    }
    return {};
}

}  // namespace

// The benchmark and the clipboard copy, driven through the program's commands
// on a new document whose first renders have finished.
class BenchmarkTest : public QObject {
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
    }

    void cleanup() { m_program.reset(); }

    void wholeRun() {
        PrepareUserPicture();
        const QString before = Parameters(Doc());
        QCOMPARE(Wnd()->ClientSize(), QSize(300, 200));
        QVERIFY(m_app->IsCommandEnabled(ID_BENCHMARK_START));
        QVERIFY(!m_app->IsCommandEnabled(ID_BENCHMARK_STOP));
        QCOMPARE(BenchmarkMenu(), QString::fromUtf8("開始 [停止]"));

        std::vector<double> elapsed;
        QStringList wrong;
        m_watch->onNotice = [&](const CRenderWatch::Notice& n) {
            if (SceneCompletion(n)) {
                const QString problem = SceneProblem(static_cast<int>(elapsed.size()));
                if (!problem.isEmpty()) {
                    wrong << QStringLiteral("scene %1: %2").arg(elapsed.size()).arg(problem);
                }
                elapsed.push_back(Engine().m_elapsed.load());
            }
        };
        const auto unhook = qScopeGuard([this] { m_watch->onNotice = nullptr; });

        m_app->OnCommand(ID_BENCHMARK_START);
        QCOMPARE(Doc().m_benchmarkRunning, 1);
        QCOMPARE(m_view->m_dBenchTotal, 0.0);
        QCOMPARE(SceneProblem(0), QString());
        QVERIFY(!m_app->IsCommandEnabled(ID_BENCHMARK_START));
        QVERIFY(m_app->IsCommandEnabled(ID_BENCHMARK_STOP));
        QCOMPARE(BenchmarkMenu(), QString::fromUtf8("[開始] 停止"));

        for (std::size_t done = 1; done <= kSceneCount; ++done) {
            QVERIFY2(QTest::qWaitFor([&] { return elapsed.size() >= done; }, 30000),
                     qPrintable(QStringLiteral("scene %1 did not complete").arg(done - 1)));
        }
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(wrong, QStringList());
        QCOMPARE(elapsed.size(), std::size_t{kSceneCount});

        double total = 0.0;
        for (double seconds : elapsed) {
            total += seconds;
        }
        QCOMPARE(m_view->m_dBenchTotal, total);
        QCOMPARE(m_messages->Messages().size(), qsizetype{1});
        QCOMPARE(m_messages->Messages().first().text,
                 QString::fromUtf8("ベンチマーク終了\n計算時間 : ") +
                     QString::asprintf("%.2f", total) + QString::fromUtf8("秒"));
        QCOMPARE(m_messages->Messages().first().icon, QMessageBox::Information);

        // The user's picture is back.
        QCOMPARE(Doc().m_benchmarkRunning, 0);
        QCOMPARE(Parameters(Doc()), before);
        QCOMPARE(Wnd()->ClientSize(), QSize(300, 200));
        QCOMPARE(QSize(Engine().m_width, Engine().m_height), QSize(300, 200));
        QCOMPARE(Texts({IDC_WIDTH, IDC_HEIGHT}), QStringLiteral("300 200"));
        QCOMPARE(m_view->PreviewEngine().m_kind, 1);
        QCOMPARE(DrawnDifference(), QString());
        QVERIFY(m_app->IsCommandEnabled(ID_BENCHMARK_START));
        QVERIFY(!m_app->IsCommandEnabled(ID_BENCHMARK_STOP));
        QCOMPARE(BenchmarkMenu(), QString::fromUtf8("開始 [停止]"));
    }

    void stopDuringSceneFour() {
        PrepareUserPicture();
        const QString before = Parameters(Doc());

        // Stop while idle does nothing.
        m_app->OnCommand(ID_BENCHMARK_STOP);
        QVERIFY(m_watch->Settled());
        QCOMPARE(Parameters(Doc()), before);

        std::vector<double> elapsed;
        std::optional<int> stoppedIn;
        m_watch->onNotice = [&](const CRenderWatch::Notice& n) {
            if (SceneCompletion(n)) {
                elapsed.push_back(Engine().m_elapsed.load());
            }
            // As the user would: from the menu, once scene 4 has begun.
            if (n.fromMain && n.mainLevel == 64 && Doc().m_benchmarkRunning == 1 &&
                m_view->m_nBenchScene == 4 && !stoppedIn) {
                stoppedIn = -1;
                QMetaObject::invokeMethod(
                    this,
                    [&] {
                        stoppedIn = m_view->m_nBenchScene;
                        m_app->OnCommand(ID_BENCHMARK_STOP);
                    },
                    Qt::QueuedConnection);
            }
        };
        const auto unhook = qScopeGuard([this] { m_watch->onNotice = nullptr; });

        m_app->OnCommand(ID_BENCHMARK_START);
        QVERIFY(QTest::qWaitFor([&] { return stoppedIn.value_or(-1) >= 0; }, 5 * 30000));
        QCOMPARE(*stoppedIn, 4);
        QCOMPARE(Doc().m_benchmarkRunning, 0);
        QCOMPARE(Parameters(Doc()), before);
        QCOMPARE(Wnd()->ClientSize(), QSize(300, 200));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Parameters(Doc()), before);  // no further scene
        QCOMPARE(elapsed.size(), std::size_t{4});
        QCOMPARE(m_view->m_nBenchScene, 4);
        QCOMPARE(m_view->m_dBenchTotal, elapsed[0] + elapsed[1] + elapsed[2] + elapsed[3]);
        QCOMPARE(DrawnDifference(), QString());
        QVERIFY(m_messages->Texts().isEmpty());

        // A new run starts from the beginning.
        m_app->OnCommand(ID_BENCHMARK_START);
        QCOMPARE(m_view->m_nBenchScene, 0);
        QCOMPARE(m_view->m_dBenchTotal, 0.0);
        QCOMPARE(SceneProblem(0), QString());
        QVERIFY(QTest::qWaitFor([&] { return elapsed.size() == 5; }, 30000));
        QCOMPARE(m_view->m_nBenchScene, 1);
        QCOMPARE(m_view->m_dBenchTotal, elapsed[4]);
        m_app->OnCommand(ID_BENCHMARK_STOP);
        QCOMPARE(Parameters(Doc()), before);
        QVERIFY(m_watch->WaitSettled());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void newDocumentEndsTheRun() {
        PrepareUserPicture();
        m_app->OnCommand(ID_BENCHMARK_START);
        QTRY_VERIFY_WITH_TIMEOUT(m_view->m_nBenchScene >= 1, 30000);

        // Start is greyed while a run goes on.
        const int scene = m_view->m_nBenchScene;
        const double total = m_view->m_dBenchTotal;
        m_app->OnCommand(ID_BENCHMARK_START);
        QCOMPARE(m_view->m_nBenchScene, scene);
        QCOMPARE(m_view->m_dBenchTotal, total);

        m_app->OnCommand(ID_FILE_NEW);
        QCOMPARE(Doc().m_benchmarkRunning, 0);
        QCOMPARE(Summary(Doc()), kNewDocument);
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Summary(Doc()), kNewDocument);  // not replaced by a scene
        QCOMPARE(m_view->m_nBenchScene, scene);
        QCOMPARE(Wnd()->ClientSize(), QSize(240, 240));
        QCOMPARE(DrawnDifference(), QString());
        QVERIFY(m_app->IsCommandEnabled(ID_BENCHMARK_START));
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void copyHoldsTheFinishedPicture() {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->setText(QStringLiteral("earlier"));
        m_app->OnCommand(ID_EDIT_COPY);
        QCOMPARE(clipboard->image().size(), QSize(240, 240));
        QCOMPARE(FirstDifference(clipboard->image(), DibToImage(Engine().m_surface)), QString());
        QCOMPARE(FirstDifference(clipboard->image(), Wnd()->BackBuffer()), QString());
        QCOMPARE(clipboard->text(), QString());  // replaced, not added to

        Type(IDC_WIDTH, QStringLiteral("480"));
        Type(IDC_HEIGHT, QStringLiteral("480"));
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        m_app->OnCommand(ID_EDIT_COPY);
        QCOMPARE(clipboard->image().size(), QSize(480, 480));
        QCOMPARE(FirstDifference(clipboard->image(), DibToImage(Engine().m_surface)), QString());
        QCOMPARE(FirstDifference(clipboard->image(), RenderReference(Doc())), QString());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void copyDuringCoarsePassIsBlocky() {
        QImage blocky;
        m_watch->onNotice = [&](const CRenderWatch::Notice& n) {
            // The 8x8 pass has finished; the next has not started.
            if (n.fromMain && n.message == WM_RENDER_DONE && n.current && n.mainLevel == 64 &&
                blocky.isNull()) {
                m_app->OnCommand(ID_EDIT_COPY);
                blocky = QApplication::clipboard()->image();
            }
        };
        const auto unhook = qScopeGuard([this] { m_watch->onNotice = nullptr; });
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(blocky.size(), QSize(240, 240));
        QCOMPARE(MixedBlock(blocky), QString());
        QVERIFY(blocky.pixel(0, 0) != blocky.pixel(120, 120));  // a picture, not one colour
        const QImage fine = DibToImage(Engine().m_surface);
        QVERIFY(!MixedBlock(fine).isEmpty());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void copyDuringAPassHoldsWhatTheWindowShows() {
        // A slow single-pixel pass: copies are taken while workers write. The
        // points of a Siegel disk never repeat, so each runs to the limit.
        CFractalEngine& e = Doc().m_engine;
        e.StopWorkers();
        Rotating(e);
        Type(IDC_ITERATIONS, QStringLiteral("100000"));
        QImage copied;
        QImage shown;
        m_watch->onNotice = [&](const CRenderWatch::Notice& n) {
            if (n.fromMain && n.message == WM_RENDER_PROGRESS && n.mainLevel == 1 &&
                copied.isNull() && Engine().IsBusy()) {
                m_app->OnCommand(ID_EDIT_COPY);
                copied = QApplication::clipboard()->image();
                shown = Wnd()->BackBuffer().copy(0, 0, 240, 240);
            }
        };
        const auto unhook = qScopeGuard([this] { m_watch->onNotice = nullptr; });
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(copied.size(), QSize(240, 240));
        // Rows the pass had not reached are the window's; the rest come from
        // the finished picture.
        const QImage last = copied.copy(0, 239, 240, 1);
        QCOMPARE(FirstDifference(last, shown.copy(0, 239, 240, 1)), QString());
        QVERIFY(m_messages->Texts().isEmpty());
    }

private:
    CMorvaneDoc& Doc() const { return m_app->Document(); }
    const CFractalEngine& Engine() const { return m_app->Document().m_engine; }
    CDrawWnd* Wnd() const { return m_view->DrawWnd(); }
    QLineEdit* Edit(int id) const { return FormEdit(m_view, id); }

    QString Text(int id) const { return FormText(m_view, id); }
    QString Texts(std::initializer_list<int> ids) const { return FormTexts(m_view, ids); }

    void Type(int id, const QString& text) { Edit(id)->setText(text); }
    void Recalc() { qobject_cast<QPushButton*>(m_view->GetDlgItem(IDC_RECALC))->click(); }

    // A picture of the user's own: a zoomed Julia set, 300 x 200, 50 colours,
    // the second colour pattern.
    void PrepareUserPicture() {
        qobject_cast<QRadioButton*>(m_view->GetDlgItem(IDC_JULIA))->click();
        m_app->OnCommand(IDC_ZOOM_IN);
        Type(IDC_WIDTH, QStringLiteral("300"));
        Type(IDC_HEIGHT, QStringLiteral("200"));
        Type(IDC_COLORS, QStringLiteral("50"));
        Recalc();
        // Chosen from the list (the arrow keys belong to the frame's accelerators).
        auto* patterns = qobject_cast<QComboBox*>(m_view->GetDlgItem(IDC_PATTERN));
        patterns->setCurrentIndex(1);
        emit patterns->activated(1);
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Doc().m_colorPattern, 1);
        QCOMPARE(Doc().m_engine.m_kind, 1);
        QCOMPARE(Wnd()->ClientSize(), QSize(300, 200));
    }

    // The last pass of a scene's render has finished.
    bool SceneCompletion(const CRenderWatch::Notice& n) const {
        return n.fromMain && n.message == WM_RENDER_DONE && n.current && n.mainLevel == 1 &&
               Doc().m_benchmarkRunning == 1;
    }

    // Empty when scene `index` is what the program renders now.
    QString SceneProblem(int index) const {
        if (index >= kSceneCount) {
            return QStringLiteral("one scene too many");
        }
        const Scene& s = kScenes[index];
        const CFractalEngine& e = Engine();
        const CFractalEngine& p = m_view->PreviewEngine();
        QStringList wrong;
        auto check = [&](bool ok, const char* what) {
            if (!ok) {
                wrong << QLatin1String(what);
            }
        };
        check(m_view->m_nBenchScene == index, "scene number");
        check(e.m_kind == s.kind, "kind");
        check(e.m_xMin == s.xMin && e.m_xMax == s.xMax && e.m_yMin == s.yMin && e.m_yMax == s.yMax,
              "region");
        check(e.m_juliaRe == s.juliaRe && e.m_juliaIm == s.juliaIm, "constant");
        check(Doc().m_colorPattern == s.pattern, "pattern");
        check(Doc().m_iterationLimit == 339 && e.m_iterationLimit == 339, "iteration limit");
        check(Doc().m_colorCount == 339 && e.m_colorCount == 339, "colour count");
        check(Doc().m_imageWidth == 480 && Doc().m_imageHeight == 480, "image size");
        check(e.m_width == 480 && e.m_height == 480, "surface size");
        check(Wnd()->ClientSize() == QSize(480, 480), "window size");
        check(Texts({IDC_WIDTH, IDC_HEIGHT}) == QStringLiteral("480 480"), "size edits");
        check(Texts({IDC_XMIN, IDC_XMAX, IDC_YMIN, IDC_YMAX}) ==
                  QString::asprintf("%f %f %f %f", s.xMin, s.xMax, s.yMin, s.yMax),
              "region texts");
        check(p.m_kind == s.kind && p.m_juliaRe == s.juliaRe && p.m_juliaIm == s.juliaIm,
              "preview");
        check(Doc().m_benchmarkRunning == 1, "running");
        return wrong.join(QStringLiteral(", "));
    }

    // The benchmark menu's items as it opens, greyed ones in brackets.
    QString BenchmarkMenu() const {
        QMenu* menu = m_app->Frame()->menuBar()->actions().value(2)->menu();
        emit menu->aboutToShow();
        QStringList items;
        for (const QAction* action : menu->actions()) {
            items << (action->isEnabled() ? action->text() : '[' + action->text() + ']');
        }
        return items.join(QLatin1Char(' '));
    }

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

QTEST_MAIN(BenchmarkTest)
#include "BenchmarkTest.moc"
