#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/Accelerators.h"

namespace {

// Remembers the keyboard events that reach the object it watches, leaving
// out the modifier keys pressed and released around a key.
class CKeySpy : public QObject {
public:
    std::vector<QEvent::Type> seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress ||
            type == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt) {
                seen.push_back(type);
            }
        }
        return false;
    }
};

// An active main window whose only control is a focused edit holding "hello"
// with the caret after "he", and the commands its accelerators ran.
struct CFocusedEditWindow {
    QMainWindow window;
    QLineEdit* edit = new QLineEdit(QStringLiteral("hello"));
    CKeySpy spy;
    std::vector<int> commands;

    bool Activate() {
        window.setCentralWidget(edit);
        new CAcceleratorFilter(&window, [this](int command) { commands.push_back(command); });
        edit->installEventFilter(&spy);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window)) {
            return false;
        }
        edit->setFocus();
        edit->setCursorPosition(2);
        return true;
    }
};

std::optional<int> TranslatePress(int key, Qt::KeyboardModifiers modifiers) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return CAcceleratorTable().Translate(event);
}

}  // namespace

class AcceleratorsTest : public QObject {
    Q_OBJECT
private slots:
    void translatesTableKeys_data();
    void translatesTableKeys();
    void leavesOtherKeysAlone_data();
    void leavesOtherKeysAlone();

    void arrowRunsCommandAndNeverReachesTheEdit();
    void copyAndPasteKeysLeaveEditAndClipboardAlone();
    void tableKeyRunsItsCommandInsteadOfAWindowShortcut();
    void otherKeysReachTheEdit();
    void nothingIsTranslatedWhileAnotherWindowIsActive();
};

void AcceleratorsTest::translatesTableKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("command");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;

    // The table, in its order.
    QTest::newRow("Alt+Plus") << int(Qt::Key_Plus) << alt << 1004;
    QTest::newRow("Alt+Minus") << int(Qt::Key_Minus) << alt << 1005;
    QTest::newRow("Alt+Semicolon") << int(Qt::Key_Semicolon) << alt << 1004;
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << 57634;
    QTest::newRow("Ctrl+N") << int(Qt::Key_N) << ctrl << 57600;
    QTest::newRow("Ctrl+O") << int(Qt::Key_O) << ctrl << 57601;
    QTest::newRow("Ctrl+S") << int(Qt::Key_S) << ctrl << 57603;
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << 57637;
    QTest::newRow("Alt+Backspace") << int(Qt::Key_Backspace) << alt << 57643;
    QTest::newRow("Shift+Delete") << int(Qt::Key_Delete) << shift << 57635;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 1003;
    QTest::newRow("F6") << int(Qt::Key_F6) << none << 57680;
    QTest::newRow("Shift+F6") << int(Qt::Key_F6) << shift << 57681;
    QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << ctrl << 57634;
    QTest::newRow("Shift+Insert") << int(Qt::Key_Insert) << shift << 57637;
    QTest::newRow("Left") << int(Qt::Key_Left) << none << 1001;
    QTest::newRow("Right") << int(Qt::Key_Right) << none << 1002;
    QTest::newRow("Up") << int(Qt::Key_Up) << none << 1000;
    QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << 57635;
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << ctrl << 57643;

    // The same keys typed other ways.
    QTest::newRow("Alt+Shift+Plus") << int(Qt::Key_Plus) << (alt | shift) << 1004;
    QTest::newRow("Alt+keypad Plus") << int(Qt::Key_Plus) << (alt | keypad) << 1004;
    QTest::newRow("Alt+Shift+keypad Plus") << int(Qt::Key_Plus) << (alt | shift | keypad) << 1004;
    QTest::newRow("Alt+keypad Minus") << int(Qt::Key_Minus) << (alt | keypad) << 1005;
    QTest::newRow("keypad Left") << int(Qt::Key_Left) << keypad << 1001;
    QTest::newRow("keypad Right") << int(Qt::Key_Right) << keypad << 1002;
    QTest::newRow("keypad Up") << int(Qt::Key_Up) << keypad << 1000;
    QTest::newRow("keypad Down") << int(Qt::Key_Down) << keypad << 1003;
}

void AcceleratorsTest::translatesTableKeys() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, command);
    QCOMPARE(TranslatePress(key, modifiers), std::optional<int>(command));
}

void AcceleratorsTest::leavesOtherKeysAlone_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;

    QTest::newRow("A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("C") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Plus") << int(Qt::Key_Plus) << Qt::KeyboardModifiers(shift);
    QTest::newRow("Ctrl+Alt+Plus") << int(Qt::Key_Plus) << (ctrl | alt);
    QTest::newRow("Alt+Shift+Minus") << int(Qt::Key_Minus) << (alt | shift);
    QTest::newRow("Ctrl+Shift+C") << int(Qt::Key_C) << (ctrl | shift);
    QTest::newRow("Alt+C") << int(Qt::Key_C) << Qt::KeyboardModifiers(alt);
    QTest::newRow("Meta+Ctrl+V") << int(Qt::Key_V) << (ctrl | Qt::MetaModifier);
    QTest::newRow("Shift+Left") << int(Qt::Key_Left) << Qt::KeyboardModifiers(shift);
    QTest::newRow("Ctrl+Right") << int(Qt::Key_Right) << Qt::KeyboardModifiers(ctrl);
    QTest::newRow("Delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Insert") << int(Qt::Key_Insert) << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("Ctrl+F6") << int(Qt::Key_F6) << Qt::KeyboardModifiers(ctrl);
    QTest::newRow("F5") << int(Qt::Key_F5) << Qt::KeyboardModifiers(Qt::NoModifier);
}

void AcceleratorsTest::leavesOtherKeysAlone() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QCOMPARE(TranslatePress(key, modifiers), std::nullopt);
}

void AcceleratorsTest::arrowRunsCommandAndNeverReachesTheEdit() {
    CFocusedEditWindow w;
    QVERIFY(w.Activate());
    QTest::keyClick(w.edit, Qt::Key_Left);
    QTest::keyClick(w.edit, Qt::Key_Right);
    QTest::keyClick(w.edit, Qt::Key_Up);
    QTest::keyClick(w.edit, Qt::Key_Down);
    QCOMPARE(w.commands, (std::vector<int>{1001, 1002, 1000, 1003}));
    QCOMPARE(w.edit->cursorPosition(), 2);
    // Neither the shortcut override, nor the press, nor the release.
    QVERIFY(w.spy.seen.empty());
}

void AcceleratorsTest::copyAndPasteKeysLeaveEditAndClipboardAlone() {
    CFocusedEditWindow w;
    QVERIFY(w.Activate());
    QGuiApplication::clipboard()->setText(QStringLiteral("clipboard"));
    w.edit->selectAll();
    QTest::keyClick(w.edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(w.edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w.edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(w.edit, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(w.edit, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(w.edit, Qt::Key_Z, Qt::ControlModifier);

    QCOMPARE(w.commands, (std::vector<int>{57634, 57637, 57635, 57637, 57635, 57643}));
    QCOMPARE(w.edit->text(), QStringLiteral("hello"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("clipboard"));
    QVERIFY(w.spy.seen.empty());
}

void AcceleratorsTest::tableKeyRunsItsCommandInsteadOfAWindowShortcut() {
    CFocusedEditWindow w;
    QVERIFY(w.Activate());
    auto* saveAction = new QAction(&w.window);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    w.window.addAction(saveAction);
    QSignalSpy saveTriggered(saveAction, &QAction::triggered);

    QTest::keyClick(w.edit, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(w.commands, std::vector<int>{57603});
    QCOMPARE(saveTriggered.count(), 0);
}

void AcceleratorsTest::otherKeysReachTheEdit() {
    CFocusedEditWindow w;
    QVERIFY(w.Activate());
    QTest::keyClick(w.edit, Qt::Key_A);
    QTest::keyClick(w.edit, Qt::Key_Left, Qt::ShiftModifier);
    QVERIFY(w.commands.empty());
    QCOMPARE(w.edit->text(), QStringLiteral("heallo"));
    QCOMPARE(w.edit->selectedText(), QStringLiteral("a"));
    QCOMPARE(std::count(w.spy.seen.cbegin(), w.spy.seen.cend(), QEvent::KeyPress), 2);
    QCOMPARE(std::count(w.spy.seen.cbegin(), w.spy.seen.cend(), QEvent::KeyRelease), 2);
}

void AcceleratorsTest::nothingIsTranslatedWhileAnotherWindowIsActive() {
    CFocusedEditWindow w;
    QVERIFY(w.Activate());
    QWidget drawingWindow;
    drawingWindow.show();
    drawingWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&drawingWindow));

    QTest::keyClick(w.edit, Qt::Key_Left);
    QTest::keyClick(w.edit, Qt::Key_Plus, Qt::AltModifier);
    QVERIFY(w.commands.empty());
    QCOMPARE(w.edit->text(), QStringLiteral("h+ello"));
}

QTEST_MAIN(AcceleratorsTest)
#include "AcceleratorsTest.moc"
