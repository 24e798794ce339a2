#include "platform/Accelerators.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QWidget>
#include <utility>

#include "platform/PostedMessage.h"

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

// Set for keys of the numeric keypad (and, on some systems, for the arrow
// keys); it never changes which command a key means.
constexpr Qt::KeyboardModifiers kAlwaysIgnored = Qt::KeypadModifier | Qt::GroupSwitchModifier;

}  // namespace

// "+" is typed with Shift on most layouts and also sits on the keypad, so
// Shift does not matter for Alt+"+". ";" shares its key with "+" on Japanese
// keyboards, hence a second way to zoom in.
const std::array<CAcceleratorTable::Entry, 20> CAcceleratorTable::s_entries{{
    {Qt::Key_Plus, kAlt, kShift, 1004},      {Qt::Key_Minus, kAlt, kNone, 1005},
    {Qt::Key_Semicolon, kAlt, kNone, 1004},  {Qt::Key_C, kCtrl, kNone, 57634},
    {Qt::Key_N, kCtrl, kNone, 57600},        {Qt::Key_O, kCtrl, kNone, 57601},
    {Qt::Key_S, kCtrl, kNone, 57603},        {Qt::Key_V, kCtrl, kNone, 57637},
    {Qt::Key_Backspace, kAlt, kNone, 57643}, {Qt::Key_Delete, kShift, kNone, 57635},
    {Qt::Key_Down, kNone, kNone, 1003},      {Qt::Key_F6, kNone, kNone, 57680},
    {Qt::Key_F6, kShift, kNone, 57681},      {Qt::Key_Insert, kCtrl, kNone, 57634},
    {Qt::Key_Insert, kShift, kNone, 57637},  {Qt::Key_Left, kNone, kNone, 1001},
    {Qt::Key_Right, kNone, kNone, 1002},     {Qt::Key_Up, kNone, kNone, 1000},
    {Qt::Key_X, kCtrl, kNone, 57635},        {Qt::Key_Z, kCtrl, kNone, 57643},
}};

std::optional<int> CAcceleratorTable::Translate(const QKeyEvent& event) const {
    const Qt::KeyboardModifiers held = event.modifiers() & ~kAlwaysIgnored;
    for (const Entry& entry : s_entries) {
        if (event.key() == entry.key && (held & ~entry.optional) == entry.modifiers) {
            return entry.command;
        }
    }
    return std::nullopt;
}

CAcceleratorFilter::CAcceleratorFilter(QWidget* mainWindow,
                                       std::function<void(int commandId)> onCommand)
    : QObject(mainWindow), m_mainWindow(mainWindow), m_onCommand(std::move(onCommand)) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool CAcceleratorFilter::IsMainWindowKey(QObject* watched) const {
    // Keys go to the focused widget of the window that has the keyboard; a
    // popup such as an open menu or drop-down list is a window of its own, and
    // a menu bar that has the keyboard needs the arrows to move between menus.
    if (!m_mainWindow || QApplication::activeWindow() != m_mainWindow || !watched->isWidgetType() ||
        qobject_cast<QMenuBar*>(watched) != nullptr) {
        return false;
    }
    return static_cast<QWidget*>(watched)->window() == m_mainWindow;
}

bool CAcceleratorFilter::eventFilter(QObject* watched, QEvent* event) {
    // Messages of the render workers pass by here first: take them over
    // before reading anything of them.
    if (CPostedMessageEvent::From(event) != nullptr) {
        return false;
    }
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress &&
        type != QEvent::KeyRelease) {
        return false;
    }
    if (!IsMainWindowKey(watched)) {
        return false;
    }
    const std::optional<int> command = m_table.Translate(*static_cast<QKeyEvent*>(event));
    if (!command) {
        return false;
    }
    event->accept();
    if (type == QEvent::KeyPress) {
        // The command may close the window and with it this filter.
        const auto onCommand = m_onCommand;
        if (onCommand) {
            onCommand(*command);
        }
    }
    return true;
}
