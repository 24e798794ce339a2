#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <deque>
#include <memory>
#include <optional>

#include "ReferenceRender.h"
#include "RenderWatch.h"
#include "app/FileDialogs.h"
#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

const QString kBadFormatMessage = QString::fromUtf8("予期しないﾌｧｲﾙ形式です。");

QString NotFoundMessage(const QString& path) {
    return path + QString::fromUtf8(" が見つかりませんでした。");
}

// File dialogs that give queued answers and remember what they were offered.
class CScriptedDialogs : public IFileDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget*) override {
        ++openCalls;
        return Next(openAnswers);
    }
    std::optional<QString> GetSaveFileName(QWidget*, const QString& proposed) override {
        proposedNames << proposed;
        return Next(saveAnswers);
    }

    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    int openCalls = 0;
    QStringList proposedNames;

private:
    static std::optional<QString> Next(std::deque<QString>& answers) {
        if (answers.empty()) {
            return std::nullopt;  // cancelled
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct FileValues {
    int kind = 0;
    int iterationLimit = 100;
    int colorCount = 100;
    int colorPattern = 0;
    int width = 240;
    int height = 240;
};

// A parameter file as the program itself writes it.
bool WriteParameterFile(const QString& path, const FileValues& v) {
    CMorvaneDoc doc(1);
    doc.m_engine.m_kind = v.kind;
    doc.m_engine.SetDefaultRegion();
    doc.m_engine.m_juliaRe = 0.285;
    doc.m_engine.m_juliaIm = 0.01;
    doc.m_iterationLimit = v.iterationLimit;
    doc.m_colorCount = v.colorCount;
    doc.m_colorPattern = v.colorPattern;
    doc.m_imageWidth = v.width;
    doc.m_imageHeight = v.height;
    CPosixFileStore store;
    return SaveDocumentFile(doc, path.toStdString(), store).ok;
}

// A drag entering the window and dropped at once, as the window system
// delivers it.
void DragAndDrop(QWidget* target, const QMimeData& mime) {
    const QPointF at(10, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

// The document's parameters in one line: kind, region, constant, iteration
// limit, colour count, pattern and size.
QString Summary(const CMorvaneDoc& doc) {
    const CFractalEngine& e = doc.m_engine;
    return QString::asprintf("%d %g %g %g %g %g %g %d %d %d %dx%d", e.m_kind, e.m_xMin, e.m_xMax,
                             e.m_yMin, e.m_yMax, e.m_juliaRe, e.m_juliaIm, doc.m_iterationLimit,
                             doc.m_colorCount, doc.m_colorPattern, doc.m_imageWidth,
                             doc.m_imageHeight);
}

const QString kNewDocument = QStringLiteral("0 -1.8 0.6 -1.2 1.2 -0.725 0.21 100 100 0 240x240");

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The visible items of a menu as it is about to open; separators as "-",
// greyed items in brackets when asked for.
QStringList MenuItems(QMenu* menu, bool markGreyed) {
    emit menu->aboutToShow();
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible()) {
            continue;
        }
        const QString text = action->isSeparator() ? QStringLiteral("-") : action->text();
        items << (markGreyed && !action->isEnabled() ? QLatin1Char('[') + text + QLatin1Char(']')
                                                     : text);
    }
    return items;
}

}  // namespace

class MorvaneAppTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InitResources();
        InstallDialogFontSubstitutes();
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_messages = std::make_unique<CMessageBoxCapture>();
        auto dialogs = std::make_unique<CScriptedDialogs>();
        m_dialogs = dialogs.get();
        CMorvaneApp::Options options;
        options.iniPath = Path(QStringLiteral("velmora.ini"));
        options.dialogs = std::move(dialogs);
        options.workerCount = 2;
        m_app = std::make_unique<CMorvaneApp>(std::move(options));
    }

    void cleanup() {
        m_watch.reset();
        m_app.reset();
        m_messages.reset();
        m_dir.reset();
    }

    void startWithoutArguments() {
        QVERIFY(Start({}));
        const CMainFrame* frame = m_app->Frame();
        QCOMPARE(frame->windowTitle(), QStringLiteral("Velmora"));
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->pos(), QPoint(0, 0));
        QVERIFY(frame->width() <= 640 && frame->height() <= 600);
        QCOMPARE(frame->centralWidget(), m_app->View());

        QList<QMenu*> menus;
        QStringList titles;
        for (QAction* action : frame->menuBar()->actions()) {
            menus << action->menu();
            titles << action->text();
        }
        QCOMPARE(titles, QString::fromUtf8("ﾌｧｲﾙ(&F),編集(&E),ﾍﾞﾝﾁﾏｰｸ,ﾍﾙﾌﾟ(&H)").split(','));
        QCOMPARE(MenuItems(menus[0], true),
                 QString::fromUtf8("初期状態に戻す(&N)\tCtrl+N|開く(&O)...\tCtrl+O|"
                                   "上書き保存(&S)\tCtrl+S|名前を付けて保存(&A)...|-|"
                                   "[最新のﾌｧｲﾙ]|-|ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)")
                     .split('|'));
        QCOMPARE(MenuItems(menus[1], false), QStringList{QString::fromUtf8("ｺﾋﾟｰ(&C)\tCtrl+C")});
        QCOMPARE(MenuItems(menus[2], false), QString::fromUtf8("開始|停止").split('|'));
        QCOMPARE(MenuItems(menus[3], false), QStringList{QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報 (&A)...")});

        QCOMPARE(Summary(m_app->Document()), kNewDocument);
        QCOMPARE(Title(), QString::fromUtf8("無題"));
        QVERIFY(m_watch->WaitSettled());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void startWithValidFile() {
        const QString path = Path(QStringLiteral("julia.mvn"));
        QVERIFY(WriteParameterFile(path, {1, 250, 64, 4, 200, 150}));
        // A switch first; the absolute path after it is no switch.
        QVERIFY(Start({QStringLiteral("-nologo"), path}));
        QCOMPARE(Summary(m_app->Document()),
                 QStringLiteral("1 -1.5 1.5 -1.5 1.5 0.285 0.01 250 64 4 200x150"));
        QCOMPARE(QString::fromStdString(m_app->Document().GetPathName()), path);
        QCOMPARE(m_app->Frame()->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(m_app->RecentFiles().At(0), path);

        const CMorvaneView* view = m_app->View();
        QVERIFY(qobject_cast<QRadioButton*>(view->GetDlgItem(IDC_JULIA))->isChecked());
        QCOMPARE(qobject_cast<QComboBox*>(view->GetDlgItem(IDC_PATTERN))->currentIndex(), 4);
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(view->DrawWnd()->ClientSize(), QSize(200, 150));
        QCOMPARE(DrawnDifference(), QString());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void startWithForeignFileFails() {
        const QString path = Path(QStringLiteral("notes.txt"));
        QVERIFY(WriteBytes(path, "These are some notes, not the parameters of a picture.\n"));
        QVERIFY(!m_app->InitInstance({path}));
        QCOMPARE(m_messages->Texts(), QStringList{kBadFormatMessage});
        QVERIFY(!m_app->Frame()->isVisible());
        // Nothing of the program may appear before it ends.
        QCoreApplication::processEvents();
        for (const QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle()));
        }
        QVERIFY(!m_app->Document().m_engine.IsBusy());
    }

    void recentFilesKeepTheFourLatest() {
        QVERIFY(Start({}));
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths << Path(QStringLiteral("f%1.mvn").arg(i));
            QVERIFY(WriteParameterFile(paths.last(), {0, 100 + i}));
            m_dialogs->openAnswers.push_back(paths.last());
            m_app->OnCommand(ID_FILE_OPEN);
        }
        QCOMPARE(m_dialogs->openCalls, 5);
        QCOMPARE(m_app->Document().m_iterationLimit, 105);
        QCOMPARE(m_app->RecentFiles().Count(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(m_app->RecentFiles().At(i), paths[4 - i]);
        }

        const QStringList items = MenuItems(m_app->Frame()->menuBar()->actions()[0]->menu(), true);
        QCOMPARE(items.size(), 11);  // four commands, -, four entries, -, exit
        for (int i = 0; i < 4; ++i) {
            const QString entry = items[5 + i];
            QVERIFY2(entry.startsWith(QStringLiteral("&%1 ").arg(i + 1)), qPrintable(entry));
            QVERIFY2(entry.endsWith(QStringLiteral("f%1.mvn").arg(5 - i)), qPrintable(entry));
        }

        m_app->ExitInstance();
        QFile ini(Path(QStringLiteral("velmora.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(ini.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("[Recent File List]"), "File1=" + paths[4],
                              "File2=" + paths[3], "File3=" + paths[2], "File4=" + paths[1]}));
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void missingRecentFileLeavesTheList() {
        QVERIFY(Start({}));
        const QString gone = Path(QStringLiteral("gone.mvn"));
        const QString kept = Path(QStringLiteral("kept.mvn"));
        QVERIFY(WriteParameterFile(gone, {0, 150}));
        QVERIFY(WriteParameterFile(kept, {0, 170}));
        QVERIFY(m_app->OpenDocumentFile(gone));
        QVERIFY(m_app->OpenDocumentFile(kept));
        QVERIFY(QFile::remove(gone));

        m_app->OnCommand(ID_FILE_MRU_FILE2);
        QCOMPARE(m_messages->Texts(), QStringList{NotFoundMessage(gone)});
        QCOMPARE(m_app->RecentFiles().Count(), 1);
        QCOMPARE(m_app->RecentFiles().At(0), kept);
        // A file that cannot be opened at all changes nothing.
        QCOMPARE(m_app->Document().m_iterationLimit, 170);
        QCOMPARE(QString::fromStdString(m_app->Document().GetPathName()), kept);
    }

    void saveAs() {
        QVERIFY(Start({}));
        const QString saved = Path(QStringLiteral("saved.mvn"));
        m_dialogs->saveAnswers.push_back(saved);
        m_app->OnCommand(ID_FILE_SAVE_AS);
        QCOMPARE(m_dialogs->proposedNames, QStringList{QString::fromUtf8("無題.mvn")});
        QCOMPARE(QFileInfo(saved).size(), 116);
        QCOMPARE(QString::fromStdString(m_app->Document().GetPathName()), saved);
        QCOMPARE(m_app->RecentFiles().At(0), saved);
        QVERIFY(m_messages->Texts().isEmpty());

        // Into a folder that does not exist.
        const QString lost = Path(QStringLiteral("missing/lost.mvn"));
        m_dialogs->saveAnswers.push_back(lost);
        m_app->OnCommand(ID_FILE_SAVE_AS);
        QCOMPARE(m_dialogs->proposedNames.value(1), saved);
        QCOMPARE(m_messages->Texts(), QStringList{NotFoundMessage(lost)});
        QVERIFY(!QFileInfo::exists(lost));
        QCOMPARE(QString::fromStdString(m_app->Document().GetPathName()), saved);
        QCOMPARE(m_app->RecentFiles().Count(), 1);
    }

    void damagedFileLeavesANewDocument() {
        QVERIFY(Start({}));
        const QString valid = Path(QStringLiteral("valid.mvn"));
        QVERIFY(WriteParameterFile(valid, {1, 250, 64, 4, 200, 150}));
        QVERIFY(m_app->OpenDocumentFile(valid));
        QFile file(valid);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString damaged = Path(QStringLiteral("damaged.mvn"));
        QVERIFY(WriteBytes(damaged, file.readAll().left(60)));

        QVERIFY(!m_app->OpenDocumentFile(damaged));
        QCOMPARE(m_messages->Texts(), QStringList{kBadFormatMessage});
        QCOMPARE(Summary(m_app->Document()), kNewDocument);
        QCOMPARE(Title(), QString::fromUtf8("無題"));
        QVERIFY(m_app->Document().GetPathName().empty());
        QVERIFY(m_watch->WaitSettled());
        QCOMPARE(m_app->View()->DrawWnd()->ClientSize(), QSize(240, 240));
        QVERIFY(
            qobject_cast<QRadioButton*>(m_app->View()->GetDlgItem(IDC_MANDELBROT))->isChecked());
        QCOMPARE(DrawnDifference(), QString());
    }

    void droppedFilesOpenInTurn() {
        QVERIFY(Start({}));
        const QString first = Path(QStringLiteral("first.mvn"));
        const QString last = Path(QStringLiteral("last.mvn"));
        QVERIFY(WriteParameterFile(first, {0, 321}));
        QVERIFY(WriteParameterFile(last, {0, 432}));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(last)});
        DragAndDrop(m_app->View()->DrawWnd(), mime);
        QCOMPARE(m_app->Document().m_iterationLimit, 100);

        DragAndDrop(m_app->Frame(), mime);
        // Opened once the drop has returned.
        QCOMPARE(m_app->Document().m_iterationLimit, 100);
        QTRY_COMPARE(m_app->Document().m_iterationLimit, 432);
        QCOMPARE(QString::fromStdString(m_app->Document().GetPathName()), last);
        QCOMPARE(m_app->RecentFiles().At(0), last);
        QCOMPARE(m_app->RecentFiles().At(1), first);
        QVERIFY(m_watch->WaitSettled());
        QVERIFY(m_messages->Texts().isEmpty());
    }

    void fileDroppedOnAnEditIsOpenedNotPasted() {
        QVERIFY(Start({}));
        const QString file = Path(QStringLiteral("dropped.mvn"));
        QVERIFY(WriteParameterFile(file, {0, 543}));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        auto* edit = qobject_cast<QLineEdit*>(m_app->View()->GetDlgItem(IDC_JULIA_RE));
        DragAndDrop(edit, mime);
        QTRY_COMPARE(m_app->Document().m_iterationLimit, 543);
        QVERIFY(!edit->text().contains(QStringLiteral("dropped")));
        QVERIFY(m_watch->WaitSettled());
    }

    void theListIsWrittenWhenTheProgramEndsWithoutClosing() {
        QVERIFY(Start({}));
        const QString file = Path(QStringLiteral("kept.mvn"));
        QVERIFY(WriteParameterFile(file, {0, 222}));
        QVERIFY(m_app->OpenDocumentFile(file));
        QVERIFY(m_watch->WaitSettled());
        m_watch.reset();
        m_app.reset();
        QFile ini(Path(QStringLiteral("velmora.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(ini.readAll()).contains("File1=" + file));
    }

    void acceleratorKeysNeverReachAnEdit() {
        QVERIFY(Start({}));
        CMainFrame* frame = m_app->Frame();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QApplication::clipboard()->setText(QStringLiteral("999"));
        auto* edit = qobject_cast<QLineEdit*>(m_app->View()->GetDlgItem(IDC_COLORS));
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("5"));  // something to undo
        QCOMPARE(edit->text(), QStringLiteral("1005"));
        QVERIFY(edit->isUndoAvailable());

        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("1005"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("1005"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QStringLiteral("1005"));
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(edit->text(), QStringLiteral("1005"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("999"));

        edit->setCursorPosition(2);
        QTest::keyClick(edit, Qt::Key_Left);
        QCOMPARE(edit->cursorPosition(), 2);
        QTest::keyClick(edit, Qt::Key_Right);
        QCOMPARE(edit->cursorPosition(), 2);
        QVERIFY(m_messages->Texts().isEmpty());
    }

private:
    QString Path(const QString& name) const { return m_dir->filePath(name); }

    bool Start(const QStringList& arguments) {
        const bool started = m_app->InitInstance(arguments);
        if (started) {
            m_watch = std::make_unique<CRenderWatch>(m_app->View());
        }
        return started;
    }

    QString Title() { return QString::fromStdString(m_app->Document().GetTitle()); }

    QString DrawnDifference() {
        return FirstDifference(m_app->View()->DrawWnd()->BackBuffer(),
                               RenderReference(m_app->Document()));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CMessageBoxCapture> m_messages;
    CScriptedDialogs* m_dialogs = nullptr;  // owned by the application
    std::unique_ptr<CMorvaneApp> m_app;
    std::unique_ptr<CRenderWatch> m_watch;
};

QTEST_MAIN(MorvaneAppTest)
#include "MorvaneAppTest.moc"
