#pragma once

#include <QObject>
#include <QPointer>
#include <Qt>
#include <array>
#include <functional>
#include <optional>

class QKeyEvent;
class QWidget;

// Accelerator table 128: the keys that reach the main window's commands
// whichever control has the focus.
class CAcceleratorTable {
public:
    // The command id of the key, or nothing when the key is not in the table.
    std::optional<int> Translate(const QKeyEvent& event) const;

private:
    struct Entry {
        int key;
        Qt::KeyboardModifiers modifiers;
        // Modifiers that may be held or not, beyond the keypad flag.
        Qt::KeyboardModifiers optional;
        int command;
    };

    static const std::array<Entry, 20> s_entries;
};

// Translates the accelerator keys of the main window before any control sees
// them. While the main window is the active window, a key of the table pressed
// in it runs the command and never reaches the focused control: its shortcut
// override is accepted and its press and release are consumed. Nothing is
// done while another window is active or a popup has the keyboard.
class CAcceleratorFilter : public QObject {
    Q_OBJECT
public:
    // Installs itself on the application and lives as long as mainWindow.
    CAcceleratorFilter(QWidget* mainWindow, std::function<void(int commandId)> onCommand);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsMainWindowKey(QObject* watched) const;

    QPointer<QWidget> m_mainWindow;
    std::function<void(int commandId)> m_onCommand;
    CAcceleratorTable m_table;
};
