// Copying the picture to the clipboard.
#include <QClipboard>
#include <QGuiApplication>

#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/ImageTarget.h"
#include "platform/MessageBox.h"
#include "view/MorvaneView.h"

void CMorvaneView::OnCopy() {
    // The engine's whole picture at its own size, whatever the drawing window
    // shows, as far as it has been computed.
    const CFractalEngine& engine = m_pDocument->m_engine;
    const CDibSurface& surface = engine.m_surface;
    QImage start;
    if (engine.IsBusy() && m_pDrawWnd && !m_pDrawWnd->m_bButtonDown) {
        // While a pass runs only its finished rows may be read; the others
        // are taken as the drawing window shows them, which is what drawing
        // the picture there now would leave.
        start = m_pDrawWnd->BackBuffer();
    }
    CImageTarget target(surface.HasBits() ? surface.Width() : 0, surface.Height(),
                        surface.BitCount(), start);
    if (target.Image().isNull()) {
        CMessageBox::Show(this, QString::fromUtf8("ビットマップ領域が作成できませんでした。"),
                          QMessageBox::NoIcon);
        return;
    }
    engine.Draw(target);
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setImage(target.Image());
    }
}
