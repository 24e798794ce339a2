#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

#include <memory>

#include "app/FileDialogs.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"
#include "platform/RecentFileList.h"

class CMainFrame;
class CMorvaneView;

// The application: one document, one main frame with its control panel, the
// recent-file list, and the New / Open / Save / Save As flows.
class CMorvaneApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString iniPath;                             // empty: the user's settings file
        std::unique_ptr<IFileDialogs> dialogs;       // null: the real dialogs
        int workerCount = 0;                         // 0: one render worker per processor
        std::function<bool(const QUrl&)> urlOpener;  // null: the desktop default action
    };

    CMorvaneApp();
    explicit CMorvaneApp(Options options);
    ~CMorvaneApp() override;

    // Creates the frame and the first document, from the file named by the
    // first argument that is not a switch. False when that fails; the user
    // has been told and the program should end.
    bool InitInstance(const QStringList& arguments);
    // Writes the recent-file list; runs once, when the frame closes, the
    // application quits or this object goes, whichever comes first.
    void ExitInstance();

    void OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    // File Open of one file, as from the menu, the list or a drop.
    bool OpenDocumentFile(const QString& path);

    CMainFrame* Frame() const { return m_frame.get(); }
    CMorvaneView* View() const { return m_view; }
    CMorvaneDoc& Document() { return m_doc; }
    CRecentFileList& RecentFiles() { return m_recent; }

private:
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnOpenRecentFile(int index);
    bool DoSave(const QString& path);
    // showReset: after a refused file, show the new document that replaced it.
    bool OpenFile(const QString& path, bool showReset);
    void ShowMessage(const std::string& text);

    QString m_iniPath;
    std::unique_ptr<IFileDialogs> m_dialogs;
    std::function<bool(const QUrl&)> m_urlOpener;
    CPosixFileStore m_store;
    CRecentFileList m_recent;
    // The document outlives the frame, whose view stops its engine.
    CMorvaneDoc m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CMorvaneView* m_view = nullptr;
    bool m_started = false;  // InitInstance has read the list
    bool m_exited = false;
};
