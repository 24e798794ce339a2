#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "res/Resource.h"
#include "res/Resources.h"
#include "res/Strings.h"

namespace {

constexpr int kRecentFiles = 4;

}  // namespace

CMainFrame::CMainFrame(Handlers handlers) : m_handlers(std::move(handlers)) {
    // The caption never shows the document's title.
    setWindowTitle(QString::fromUtf8(kAppName));
    setWindowIcon(ResourceIcon(IDR_MAINFRAME));
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    move(0, 0);
    resize(640, 600);
    CreateMenus();
}

QAction* CMainFrame::AddCommand(QMenu* menu, const char* text, int id) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { m_handlers.command(id); });
    return action;
}

void CMainFrame::CreateMenus() {
    m_fileMenu = menuBar()->addMenu(QString::fromUtf8(kMenuFile));
    AddCommand(m_fileMenu, kMenuFileNew, ID_FILE_NEW);
    AddCommand(m_fileMenu, kMenuFileOpen, ID_FILE_OPEN);
    AddCommand(m_fileMenu, kMenuFileSave, ID_FILE_SAVE);
    AddCommand(m_fileMenu, kMenuFileSaveAs, ID_FILE_SAVE_AS);
    m_fileMenu->addSeparator();
    m_mruPlaceholder = m_fileMenu->addAction(QString::fromUtf8(kMenuFileMru));
    m_mruPlaceholder->setData(ID_FILE_MRU_FILE1);
    m_mruPlaceholder->setEnabled(false);
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* entry = new QAction(this);
        entry->setData(ID_FILE_MRU_FILE1 + i);
        connect(entry, &QAction::triggered, this,
                [this, i] { m_handlers.command(ID_FILE_MRU_FILE1 + i); });
        m_fileMenu->insertAction(m_mruPlaceholder, entry);
        m_mruActions.push_back(entry);
    }
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, kMenuAppExit, ID_APP_EXIT);
    connect(m_fileMenu, &QMenu::aboutToShow, this, [this] { UpdateFileMenu(); });

    QMenu* edit = menuBar()->addMenu(QString::fromUtf8(kMenuEdit));
    AddCommand(edit, kMenuEditCopy, ID_EDIT_COPY);
    QMenu* benchmark = menuBar()->addMenu(QString::fromUtf8(kMenuBenchmark));
    AddCommand(benchmark, kMenuBenchmarkStart, ID_BENCHMARK_START);
    AddCommand(benchmark, kMenuBenchmarkStop, ID_BENCHMARK_STOP);
    QMenu* help = menuBar()->addMenu(QString::fromUtf8(kMenuHelp));
    AddCommand(help, kMenuAppAbout, ID_APP_ABOUT);

    for (QMenu* menu : {m_fileMenu, edit, benchmark, help}) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateCommandStates(menu); });
        UpdateCommandStates(menu);
    }
    UpdateFileMenu();
}

void CMainFrame::UpdateFileMenu() {
    const QStringList texts = m_handlers.recentMenuTexts();
    // While the list is empty the greyed placeholder stands in its place.
    m_mruPlaceholder->setVisible(texts.isEmpty());
    for (int i = 0; i < kRecentFiles; ++i) {
        const bool used = i < texts.size();
        m_mruActions[i]->setVisible(used);
        m_mruActions[i]->setText(used ? texts[i] : QString());
    }
}

void CMainFrame::UpdateCommandStates(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action == m_mruPlaceholder || action->isSeparator() || m_mruActions.contains(action)) {
            continue;
        }
        action->setEnabled(m_handlers.enabled(action->data().toInt()));
    }
}

namespace {

bool CarriesFiles(const QMimeData* data) {
    return data && data->hasUrls();
}

}  // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (CarriesFiles(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    event->acceptProposedAction();
    OpenDroppedLater(paths);
}

void CMainFrame::OpenDroppedLater(const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            for (const QString& path : paths) {
                m_handlers.openDropped(path);
            }
        },
        Qt::QueuedConnection);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return QMainWindow::eventFilter(watched, event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget == this || widget->window() != this) {
        return QMainWindow::eventFilter(watched, event);
    }
    auto* drop = static_cast<QDropEvent*>(event);
    if (!CarriesFiles(drop->mimeData())) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (type == QEvent::Drop) {
        dropEvent(drop);
    } else {
        drop->acceptProposedAction();
    }
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    event->accept();
    m_handlers.closing();
}
