#pragma once

#include <QMainWindow>

#include <functional>

class QAction;
class QMenu;

// The main window: the menu bar and the control panel. Commands from the
// menu go to the command handler; files dropped on the window are opened.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void(int id)> command;
        std::function<bool(int id)> enabled;
        std::function<QStringList()> recentMenuTexts;
        std::function<void(const QString& path)> openDropped;
        std::function<void()> closing;
    };

    explicit CMainFrame(Handlers handlers);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Files dragged over any control of the frame (an edit would take them
    // as text) come to the frame instead.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    QAction* AddCommand(QMenu* menu, const char* text, int id);
    void UpdateFileMenu();
    void UpdateCommandStates(QMenu* menu);
    // Opens the dropped files in turn once the drop has returned, so that a
    // message about one of them never holds up the program they came from.
    void OpenDroppedLater(const QStringList& paths);

    Handlers m_handlers;
    QMenu* m_fileMenu = nullptr;
    QAction* m_mruPlaceholder = nullptr;
    QList<QAction*> m_mruActions;
};
