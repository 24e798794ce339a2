#include "app/MorvaneApp.h"

#include <QApplication>
#include <QFileInfo>

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "document/DocumentFlows.h"
#include "platform/Accelerators.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

CMorvaneApp::CMorvaneApp() : CMorvaneApp(Options{}) {}

CMorvaneApp::CMorvaneApp(Options options)
    : m_iniPath(options.iniPath.isEmpty() ? CRecentFileList::DefaultIniPath() : options.iniPath),
      m_dialogs(options.dialogs ? std::move(options.dialogs) : std::make_unique<CQtFileDialogs>()),
      m_urlOpener(std::move(options.urlOpener)),
      m_doc(options.workerCount) {}

CMorvaneApp::~CMorvaneApp() {
    m_frame.reset();  // the view stops the renders before the document goes
    ExitInstance();
}

bool CMorvaneApp::InitInstance(const QStringList& arguments) {
    m_started = true;
    m_recent.Load(m_iniPath);
    // However the program ends normally (the frame closed, a session that
    // ends, quit called), the list is written once.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { ExitInstance(); });

    CMainFrame::Handlers handlers;
    handlers.command = [this](int id) { OnCommand(id); };
    handlers.enabled = [this](int id) { return IsCommandEnabled(id); };
    handlers.recentMenuTexts = [this] {
        QStringList texts;
        for (int i = 0; i < m_recent.Count(); ++i) {
            texts << m_recent.MenuText(i);
        }
        return texts;
    };
    handlers.openDropped = [this](const QString& path) { OpenDocumentFile(path); };
    handlers.closing = [this] {
        ExitInstance();
        QCoreApplication::quit();
    };
    m_frame = std::make_unique<CMainFrame>(std::move(handlers));
    m_view = new CMorvaneView(&m_doc, m_frame.get());
    m_frame->setCentralWidget(m_view);
    // Owned by the frame; it watches the keys of the whole application.
    new CAcceleratorFilter(m_frame.get(), [this](int id) { OnCommand(id); });

    // Only "-" starts a switch here: "/" starts every absolute path.
    QString file;
    for (const QString& argument : arguments) {
        if (!argument.startsWith('-')) {
            file = argument;
            break;
        }
    }
    if (file.isEmpty()) {
        OnFileNew();
    } else if (!OpenFile(file, false)) {
        return false;  // the program ends: nothing more is shown
    }
    m_frame->show();
    return true;
}

void CMorvaneApp::ExitInstance() {
    if (!m_started || m_exited) {
        return;
    }
    m_exited = true;
    m_recent.Save(m_iniPath);
}

bool CMorvaneApp::IsCommandEnabled(int id) const {
    switch (id) {
        case ID_FILE_NEW:
        case ID_FILE_OPEN:
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
        case ID_APP_EXIT:
            return true;
        case ID_APP_ABOUT:
            return true;
        default:
            // The view's commands; one without a handler stays greyed.
            return m_view && m_view->IsCommandEnabled(id);
    }
}

void CMorvaneApp::OnCommand(int id) {
    switch (id) {
        case ID_FILE_NEW:
            OnFileNew();
            return;
        case ID_FILE_OPEN:
            OnFileOpen();
            return;
        case ID_FILE_SAVE:
            OnFileSave();
            return;
        case ID_FILE_SAVE_AS:
            OnFileSaveAs();
            return;
        case ID_APP_EXIT:
            m_frame->close();
            return;
        case ID_APP_ABOUT:
            CAboutDlg::ShowAbout(m_frame.get(), m_urlOpener);
            return;
        default:
            break;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4) {
        OnOpenRecentFile(id - ID_FILE_MRU_FILE1);
        return;
    }
    m_view->OnCommand(id);  // the keys of commands nobody handles do nothing
}

void CMorvaneApp::ShowMessage(const std::string& text) {
    CMessageBox::Show(m_frame.get(), QString::fromStdString(text));
}

void CMorvaneApp::OnFileNew() {
    // The document is never modified, so nothing is asked before it is replaced.
    NewDocument(m_doc);
    m_view->OnInitialUpdate();
}

void CMorvaneApp::OnFileOpen() {
    if (const auto path = m_dialogs->GetOpenFileName(m_frame.get())) {
        OpenDocumentFile(*path);
    }
}

bool CMorvaneApp::OpenDocumentFile(const QString& path) {
    return OpenFile(path, true);
}

bool CMorvaneApp::OpenFile(const QString& path, bool showReset) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const CFileOutcome outcome = ::OpenDocumentFile(m_doc, full.toStdString(), m_store);
    if (!outcome.ok) {
        ShowMessage(outcome.message);
        if (outcome.reset && showReset) {
            // The document now holds new-document values: show them.
            m_view->OnInitialUpdate();
        }
        return false;
    }
    m_recent.Add(full);
    m_view->OnInitialUpdate();
    return true;
}

void CMorvaneApp::OnOpenRecentFile(int index) {
    if (index >= m_recent.Count()) {
        return;
    }
    const QString path = m_recent.At(index);
    if (!OpenDocumentFile(path)) {
        // An entry that fails to open leaves the list.
        for (int i = 0; i < m_recent.Count(); ++i) {
            if (m_recent.At(i) == path) {
                m_recent.Remove(i);
                break;
            }
        }
    }
}

void CMorvaneApp::OnFileSave() {
    if (m_doc.GetPathName().empty()) {
        OnFileSaveAs();
    } else {
        DoSave(QString::fromStdString(m_doc.GetPathName()));
    }
}

void CMorvaneApp::OnFileSaveAs() {
    const QString proposed = QString::fromStdString(ProposedFileName(m_doc));
    if (const auto path = m_dialogs->GetSaveFileName(m_frame.get(), proposed)) {
        DoSave(QFileInfo(*path).absoluteFilePath());
    }
}

bool CMorvaneApp::DoSave(const QString& path) {
    const CFileOutcome outcome = SaveDocumentFile(m_doc, path.toStdString(), m_store);
    if (!outcome.ok) {
        ShowMessage(outcome.message);
        return false;
    }
    m_recent.Add(path);
    return true;
}
