#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

// The program's message box: modal, captioned "Velmora", one OK button.
class CMessageBox {
public:
    // Shows `text` and returns the button that closed the box
    // (QMessageBox::Ok). Warning is the exclamation icon of plain messages.
    static int Show(QWidget* parent, const QString& text,
                    QMessageBox::Icon icon = QMessageBox::Warning);
};

// Test hook: while alive, CMessageBox::Show records the messages whose parent
// lies inside the scope and returns QMessageBox::Ok at once instead of opening
// a box. The capture is attached to the scope object itself, so nothing is
// shared beyond it; captures on the same scope must end in reverse order.
class CMessageBoxCapture {
public:
    struct Message {
        QString text;
        QMessageBox::Icon icon;
    };

    // `scope` and everything under it; no scope means the whole application,
    // parentless boxes included.
    explicit CMessageBoxCapture(QObject* scope = nullptr);
    ~CMessageBoxCapture();
    CMessageBoxCapture(const CMessageBoxCapture&) = delete;
    CMessageBoxCapture& operator=(const CMessageBoxCapture&) = delete;

    const QList<Message>& Messages() const { return m_messages; }
    QStringList Texts() const;

private:
    friend class CMessageBox;
    // The innermost capture for a box with this parent, or null.
    static CMessageBoxCapture* Find(const QObject* parent);

    QPointer<QObject> m_scope;
    QVariant m_previous;
    QList<Message> m_messages;
};
