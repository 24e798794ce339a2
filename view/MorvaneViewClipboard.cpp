// Copying the picture to the clipboard.
#include <QClipboard>
#include <QGuiApplication>

#include "document/MorvaneDoc.h"
#include "platform/DibImage.h"
#include "platform/MessageBox.h"
#include "view/MorvaneView.h"

void CMorvaneView::OnCopy() {
    // The engine's whole picture at its own size, whatever the drawing window
    // shows, as far as it has been computed.
    const QImage image = DibToImage(m_pDocument->m_engine.m_surface);
    if (image.isNull()) {
        CMessageBox::Show(this, QString::fromUtf8("ビットマップ領域が作成できませんでした。"),
                          QMessageBox::NoIcon);
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setImage(image);
    }
}
