#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "FormTexts.h"
#include "ReferenceRender.h"
#include "RenderWatch.h"
#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/UpDown.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

const QString kSizeRangeMessage = QString::fromUtf8("Windowサイズは 10～2000の間にしてください。");
const QString kColorRangeMessage = QString::fromUtf8("色解像度は 10～10000の間にしてください。");

}  // namespace

// A control panel on a new document, shown as a window of its own, with its
// first renders finished before each test.
class MorvaneViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void init() {
        m_messages = std::make_unique<CMessageBoxCapture>();
        m_doc = std::make_unique<CMorvaneDoc>(2);
        m_view = std::make_unique<CMorvaneView>(m_doc.get());
        m_watch = std::make_unique<CRenderWatch>(m_view.get());
        m_view->show();
        m_view->OnInitialUpdate();
        QVERIFY(m_watch->WaitSettled());
    }

    void cleanup() {
        m_watch.reset();
        m_view.reset();
        m_doc.reset();
        m_messages.reset();
    }

    void newDocumentShowsItsPicture() {
        const CDrawWnd* wnd = m_view->DrawWnd();
        QVERIFY(wnd->isVisible());
        QCOMPARE(wnd->ClientSize(), QSize(240, 240));
        // At the top of the screen, just right of the form, when it fits there.
        const int formRight = m_view->frameGeometry().right() + 1;
        QVERIFY(formRight + 240 < m_view->screen()->geometry().width());
        QCOMPARE(wnd->frameGeometry().topLeft(), QPoint(formRight + 1, 0));
        QCOMPARE(DrawnDifference(), QString());

        // 8x8 blocks, then 4x4 blocks, then single pixels.
        QCOMPARE(MainLevelsDone(), (QList<int>{64, 16, 1}));
        QCOMPARE(m_watch->Progress()->value(), 100);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d$"))
                    .match(Text(IDC_CALCTIME))
                    .hasMatch());

        QCOMPARE(RegionTexts(), QStringLiteral("-1.800000 0.600000 -1.200000 1.200000"));
        QCOMPARE(
            Texts({IDC_WIDTH, IDC_HEIGHT, IDC_ITERATIONS, IDC_COLORS, IDC_JULIA_RE, IDC_JULIA_IM}),
            QStringLiteral("240 240 100 100 -0.725 0.21"));
        QVERIFY(!Edit(IDC_JULIA_RE)->isEnabled() && !Edit(IDC_JULIA_IM)->isEnabled());
        QVERIFY(Radio(IDC_MANDELBROT)->isChecked());
        QVERIFY(!Radio(IDC_JULIA)->isChecked());

        QComboBox* combo = Combo();
        QStringList names;
        for (int i = 0; i < combo->count(); ++i) {
            names << combo->itemText(i);
        }
        QCOMPARE(names, QString::fromUtf8("黒青水緑黄赤紫白,黒青水緑黄赤紫黒,黒赤黄水白,"
                                          "黒赤黄緑水青紫白,黒赤黄緑水青紫黒,黒白黒 の繰り返し,"
                                          "黒白 の繰り返し,黒赤黄黒赤黄黒,黒青白青白黒,いろんな色")
                            .split(QLatin1Char(',')));
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->currentText(), names.first());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void upDownSteps_data() {
        QTest::addColumn<int>("spin");
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("expected");
        QTest::newRow("colours 10000 up")
            << IDC_COLORS_SPIN << IDC_COLORS << "10000" << true << 10000;
        QTest::newRow("colours 95 up") << IDC_COLORS_SPIN << IDC_COLORS << "95" << true << 104;
        QTest::newRow("colours 10 down") << IDC_COLORS_SPIN << IDC_COLORS << "10" << false << 10;
        QTest::newRow("colours 19 down") << IDC_COLORS_SPIN << IDC_COLORS << "19" << false << 18;
        QTest::newRow("colours 5 up") << IDC_COLORS_SPIN << IDC_COLORS << "5" << true << 10;
        QTest::newRow("limit 10000 up")
            << IDC_ITERATIONS_SPIN << IDC_ITERATIONS << "10000" << true << 10000;
        QTest::newRow("limit 95 up")
            << IDC_ITERATIONS_SPIN << IDC_ITERATIONS << "95" << true << 104;
        QTest::newRow("limit 19 down")
            << IDC_ITERATIONS_SPIN << IDC_ITERATIONS << "19" << false << 18;
    }

    void upDownSteps() {
        QFETCH(int, spin);
        QFETCH(int, edit);
        QFETCH(QString, typed);
        QFETCH(bool, up);
        QFETCH(int, expected);
        Type(edit, typed);
        m_view->m_bColorsChanged = 0;
        auto* upDown = qobject_cast<CUpDown*>(m_view->GetDlgItem(spin));
        QVERIFY(upDown);
        QTest::mouseClick(up ? upDown->UpButton() : upDown->DownButton(), Qt::LeftButton);
        QCOMPARE(Text(edit), QString::number(expected));
        QCOMPARE(spin == IDC_COLORS_SPIN ? m_doc->m_colorCount : m_doc->m_iterationLimit, expected);
        QCOMPARE(m_view->m_bColorsChanged, 1);
        QCOMPARE(OtherMarks(), 0);
        QVERIFY(m_watch->Settled());  // a step renders nothing
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void writingFieldsSetsNoMark() {
        m_view->m_nColorCount = 77;
        m_view->m_nIterationLimit = 55;
        m_view->m_nWidth = 300;
        m_view->m_nHeight = 200;
        m_view->m_dJuliaRe = 0.5;
        m_view->m_dJuliaIm = -0.25;
        QVERIFY(m_view->UpdateData(false));
        QCOMPARE(
            Texts({IDC_COLORS, IDC_ITERATIONS, IDC_WIDTH, IDC_HEIGHT, IDC_JULIA_RE, IDC_JULIA_IM}),
            QStringLiteral("77 55 300 200 0.5 -0.25"));
        QCOMPARE(m_view->m_bColorsChanged + OtherMarks(), 0);
        QCOMPARE(m_doc->m_colorCount, 100);
        QCOMPARE(m_doc->m_iterationLimit, 100);
    }

    void typedCountsAreStoredWithinTheFileRange() {
        Type(IDC_COLORS, QStringLiteral("2000000"));
        QCOMPARE(m_doc->m_colorCount, 1000000);
        Type(IDC_ITERATIONS, QStringLiteral("0"));
        QCOMPARE(m_doc->m_iterationLimit, 1);
        // Any positive limit is rendered as typed; it costs time only.
        Type(IDC_ITERATIONS, QStringLiteral("2147483647"));
        QCOMPARE(m_doc->m_iterationLimit, 2147483647);
        // Nothing is checked or rendered before the values are applied.
        QCOMPARE(m_view->m_bColorsChanged, 1);
        QVERIFY(m_watch->Settled());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void unreadableWidthIsReportedWhenApplied() {
        Type(IDC_WIDTH, QStringLiteral("-5"));
        QCOMPARE(m_view->m_bSizeEdited, 1);
        QVERIFY(m_messages->Texts().isEmpty());
        Recalc();
        QCOMPARE(m_messages->Texts(),
                 QStringList{QString::fromUtf8("正の整数を入力してください。")});
        // The render goes on with the size held before, shown again in the edit.
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Text(IDC_WIDTH), QStringLiteral("240"));
        QCOMPARE(m_view->DrawWnd()->ClientSize(), QSize(240, 240));
        QCOMPARE(m_doc->m_imageWidth, 240);
        QCOMPARE(m_messages->Texts().size(), 1);
    }

    void sizeOutOfRangeKeepsEditsPending() {
        Radio(IDC_JULIA)->click();
        QVERIFY(m_watch->WaitSettled());
        const CFractalEngine& engine = m_doc->m_engine;
        const double xMin = engine.m_xMin;
        const double yMin = engine.m_yMin;
        const double width = engine.m_xMax - engine.m_xMin;
        const double height = engine.m_yMax - engine.m_yMin;

        Type(IDC_COLORS, QStringLiteral("50"));
        Type(IDC_JULIA_RE, QStringLiteral("0.25"));
        Type(IDC_JULIA_IM, QStringLiteral("-0.5"));
        Type(IDC_WIDTH, QStringLiteral("3000"));
        Recalc();
        QCOMPARE(m_messages->Texts(), QStringList{kSizeRangeMessage});
        QVERIFY(m_watch->Settled());  // nothing started, nothing stopped
        QCOMPARE(m_view->m_bSizeEdited + m_view->m_bColorsChanged + m_view->m_bConstantEdited, 3);
        QCOMPARE(m_view->DrawWnd()->ClientSize(), QSize(240, 240));
        QCOMPARE(engine.m_juliaRe, -0.6);

        // Corrected, the next recalculation applies everything still pending.
        Type(IDC_WIDTH, QStringLiteral("480"));
        Type(IDC_HEIGHT, QStringLiteral("480"));
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(m_messages->Texts().size(), 1);
        QCOMPARE(m_view->m_bColorsChanged + m_view->m_bSizeEdited + m_view->m_bConstantEdited, 0);
        QCOMPARE(m_view->DrawWnd()->ClientSize(), QSize(480, 480));
        QCOMPARE(QSize(m_doc->m_imageWidth, m_doc->m_imageHeight), QSize(480, 480));
        QCOMPARE(m_doc->m_colorCount, 50);
        QCOMPARE(QPointF(engine.m_juliaRe, engine.m_juliaIm), QPointF(0.25, -0.5));
        const CFractalEngine& preview = m_view->PreviewEngine();
        QCOMPARE(QPointF(preview.m_juliaRe, preview.m_juliaIm), QPointF(0.25, -0.5));
        // The top-left corner stays and the scale is kept: 481 columns' worth, not 480.
        QCOMPARE(engine.m_xMin, xMin);
        QCOMPARE(engine.m_yMin, yMin);
        QCOMPARE(engine.m_xMax, xMin + 481 * width / 240);
        QCOMPARE(engine.m_yMax, yMin + 481 * height / 240);
        QCOMPARE(Text(IDC_XMAX), QString::asprintf("%f", xMin + 481 * width / 240));
        QCOMPARE(DrawnDifference(), QString());
    }

    void colorCountOutOfRangeOnPatternChange() {
        Type(IDC_COLORS, QStringLiteral("20000"));
        QCOMPARE(m_doc->m_colorCount, 20000);
        QTest::keyClick(Combo(), Qt::Key_Down);  // the next pattern
        QCOMPARE(Combo()->currentIndex(), 1);
        QCOMPARE(m_doc->m_colorPattern, 1);
        QCOMPARE(m_messages->Texts(), QStringList{kColorRangeMessage});
        QVERIFY(m_watch->Settled());  // nothing re-rendered
        QCOMPARE(m_view->m_bColorsChanged, 1);

        // The new pattern is used once a valid colour count is applied.
        Type(IDC_COLORS, QStringLiteral("100"));
        Recalc();
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(m_messages->Texts().size(), 1);
        QCOMPARE(DrawnDifference(), QString());
    }

    void kindSwitch() {
        Radio(IDC_JULIA)->click();
        const CFractalEngine& engine = m_doc->m_engine;
        QCOMPARE(engine.m_kind, 1);
        // The centre of the Mandelbrot region shown becomes the constant.
        QCOMPARE(engine.m_juliaRe, -0.6);
        QCOMPARE(engine.m_juliaIm, 0.0);
        QCOMPARE(Texts({IDC_JULIA_RE, IDC_JULIA_IM}), QStringLiteral("-0.6 0"));
        QVERIFY(Edit(IDC_JULIA_RE)->isEnabled() && Edit(IDC_JULIA_IM)->isEnabled());
        QCOMPARE(RegionTexts(), QString::asprintf("%f %f %f %f", engine.m_xMin, engine.m_xMax,
                                                  engine.m_yMin, engine.m_yMax));
        const CFractalEngine& preview = m_view->PreviewEngine();
        QCOMPARE(QPointF(preview.m_kind, preview.m_juliaRe), QPointF(1, -0.6));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());

        Radio(IDC_MANDELBROT)->click();
        QCOMPARE(engine.m_kind, 0);
        QCOMPARE(RegionTexts(), QStringLiteral("-1.800000 0.600000 -1.200000 1.200000"));
        QCOMPARE(engine.m_juliaRe, -0.6);  // kept
        QVERIFY(!Edit(IDC_JULIA_RE)->isEnabled());
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(DrawnDifference(), QString());

        // The kind already shown: nothing changes, nothing starts.
        m_watch->Clear();
        Radio(IDC_MANDELBROT)->click();
        QVERIFY(m_watch->Settled());
        QCoreApplication::processEvents();
        QVERIFY(m_watch->Notices().empty());
        QCOMPARE(engine.m_kind, 0);
        QCOMPARE(m_view->m_bKindChanged + m_view->m_bColorsChanged + OtherMarks(), 0);
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void recalcWithoutMarksRendersOnlyTheMainImage() {
        const std::intptr_t finished = m_watch->Of(WM_RENDER_DONE, true).back().param;
        m_watch->Clear();
        Recalc();
        QCOMPARE(m_watch->Progress()->value(), 0);
        QVERIFY(!m_watch->MainDoneCurrent());
        // A completion of the pass finished before arrives once the new job runs:
        // it must not end the new job's first pass.
        QCoreApplication::postEvent(
            m_view.get(),
            new CPostedMessageEvent(WM_RENDER_DONE, m_doc->m_engine.Handle(), finished));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(MainLevelsDone(), (QList<int>{64, 16, 1}));
        // The preview's last pass is still the one of the initial update.
        QVERIFY(m_watch->Of(WM_RENDER_DONE, false).empty());
        QVERIFY(m_watch->PreviewDoneCurrent());
        QCOMPARE(DrawnDifference(), QString());
    }

    void noticesKeepTypedText() {
        Recalc();
        // Not read into the form's fields until the size is applied.
        Type(IDC_WIDTH, QStringLiteral("480"));
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(Text(IDC_WIDTH), QStringLiteral("480"));
        QCOMPARE(m_view->m_bSizeEdited, 1);
        QCOMPARE(m_view->DrawWnd()->ClientSize(), QSize(240, 240));
    }

    void progressDrawsNothingWhileButtonHeld() {
        CDrawWnd* wnd = m_view->DrawWnd();
        wnd->m_bButtonDown = 1;
        // Every notice of the passes, not only those a screen refresh apart.
        m_view->GetDocument()->m_engine.m_progressIntervalMs = 0;
        // Compared at each notice of the main engine, before the view handles
        // it: after a progress notice the picture must be what it was.
        QImage before = wnd->BackBuffer();
        bool afterProgress = false;
        int drawnOnProgress = 0;
        int progressNotices = 0;
        int lastPercent = -1;
        QList<int> barAtDone;
        QList<int> percentAtDone;
        m_watch->onNotice = [&](const CRenderWatch::Notice& n) {
            if (!n.fromMain) {
                return;
            }
            const QImage now = wnd->BackBuffer();
            if (afterProgress && now != before) {
                ++drawnOnProgress;
            }
            before = now;
            afterProgress = n.message == WM_RENDER_PROGRESS;
            if (afterProgress) {
                ++progressNotices;
                lastPercent = static_cast<int>(n.param);
            } else {
                barAtDone << m_watch->Progress()->value();
                percentAtDone << lastPercent;
            }
        };
        Type(IDC_COLORS, QStringLiteral("50"));  // a picture that differs from the one shown
        Recalc();
        const bool settled = m_watch->WaitSettled();
        m_watch->onNotice = nullptr;
        wnd->m_bButtonDown = 0;
        QVERIFY(settled);
        QVERIFY(progressNotices > 0);
        QCOMPARE(drawnOnProgress, 0);
        // The bar followed every notice; each finished pass drew its picture.
        QCOMPARE(barAtDone.size(), 3);
        QCOMPARE(barAtDone, percentAtDone);
        QVERIFY(percentAtDone.last() > 90);
        QCOMPARE(DrawnDifference(), QString());
    }

    void initialUpdateAgainReplacesTheDrawingWindow() {
        Type(IDC_COLORS, QStringLiteral("50"));
        Recalc();  // still rendering when the update comes
        const QPointer<CDrawWnd> previous = m_view->DrawWnd();
        m_view->OnInitialUpdate();
        m_view->OnInitialUpdate();
        QVERIFY(previous.isNull());
        QVERIFY(m_view->DrawWnd() != nullptr);
        int drawWindows = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            drawWindows += qobject_cast<CDrawWnd*>(w) != nullptr ? 1 : 0;
        }
        QCOMPARE(drawWindows, 1);
        QCOMPARE(Combo()->count(), 10);
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(m_view->DrawWnd()->ClientSize(), QSize(240, 240));
        QCOMPARE(Text(IDC_COLORS), QStringLiteral("50"));
        QCOMPARE(DrawnDifference(), QString());
        QVERIFY(m_messages->Texts().isEmpty());
    }

private:
    QLineEdit* Edit(int id) const { return FormEdit(m_view.get(), id); }
    QRadioButton* Radio(int id) const {
        return qobject_cast<QRadioButton*>(m_view->GetDlgItem(id));
    }
    QComboBox* Combo() const { return qobject_cast<QComboBox*>(m_view->GetDlgItem(IDC_PATTERN)); }

    QString Text(int id) const { return FormText(m_view.get(), id); }

    // The texts of the controls, separated by blanks.
    QString Texts(std::initializer_list<int> ids) const { return FormTexts(m_view.get(), ids); }
    QString RegionTexts() const { return FormRegionTexts(m_view.get()); }

    // As the user types: the edit's text changes once.
    void Type(int id, const QString& text) { Edit(id)->setText(text); }
    void Recalc() { qobject_cast<QPushButton*>(m_view->GetDlgItem(IDC_RECALC))->click(); }

    int OtherMarks() const {
        return m_view->m_bSizeEdited + m_view->m_bWindowResized + m_view->m_bKindChanged +
               m_view->m_bConstantEdited;
    }

    QList<int> MainLevelsDone() const {
        QList<int> levels;
        for (const CRenderWatch::Notice& n : m_watch->Of(WM_RENDER_DONE, true)) {
            if (n.current) {
                levels << n.mainLevel;
            }
        }
        return levels;
    }

    QString DrawnDifference() const {
        return FirstDifference(m_view->DrawWnd()->BackBuffer(), RenderReference(*m_doc));
    }

    std::unique_ptr<CMessageBoxCapture> m_messages;
    std::unique_ptr<CMorvaneDoc> m_doc;
    std::unique_ptr<CMorvaneView> m_view;
    std::unique_ptr<CRenderWatch> m_watch;
};

QTEST_MAIN(MorvaneViewTest)
#include "MorvaneViewTest.moc"
