#include "platform/MessageBox.h"

#include <QCoreApplication>

namespace {

const QString kCaption = QStringLiteral("Velmora");
constexpr char kCaptureProperty[] = "_velmora_messageBoxCapture";

CMessageBoxCapture* CaptureOf(const QObject* object) {
    const QVariant attached = object->property(kCaptureProperty);
    return attached.isValid() ? static_cast<CMessageBoxCapture*>(attached.value<void*>()) : nullptr;
}

}  // namespace

int CMessageBox::Show(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    if (CMessageBoxCapture* capture = CMessageBoxCapture::Find(parent)) {
        capture->m_messages.append({text, icon});
        return QMessageBox::Ok;
    }
    QMessageBox box(icon, kCaption, text, QMessageBox::Ok, parent);
    return box.exec();
}

CMessageBoxCapture::CMessageBoxCapture(QObject* scope)
    : m_scope(scope != nullptr ? scope : QCoreApplication::instance()) {
    if (m_scope) {
        m_previous = m_scope->property(kCaptureProperty);
        m_scope->setProperty(kCaptureProperty, QVariant::fromValue(static_cast<void*>(this)));
    }
}

CMessageBoxCapture::~CMessageBoxCapture() {
    if (m_scope) {
        m_scope->setProperty(kCaptureProperty, m_previous);
    }
}

QStringList CMessageBoxCapture::Texts() const {
    QStringList texts;
    for (const Message& message : m_messages) {
        texts.append(message.text);
    }
    return texts;
}

CMessageBoxCapture* CMessageBoxCapture::Find(const QObject* parent) {
    for (const QObject* object = parent; object != nullptr; object = object->parent()) {
        if (CMessageBoxCapture* capture = CaptureOf(object)) {
            return capture;
        }
    }
    const QObject* application = QCoreApplication::instance();
    return application != nullptr ? CaptureOf(application) : nullptr;
}
