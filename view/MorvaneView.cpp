#include "view/MorvaneView.h"

#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "engine/Messages.h"
#include "res/Resource.h"

CMorvaneView::CMorvaneView(CMorvaneDoc* document, QWidget* parent)
    : CFormBase(parent), m_pDocument(document), m_notify(this) {
    CreateControls();
}

CMorvaneView::~CMorvaneView() {
    StopAndFree();
}

bool CMorvaneView::event(QEvent* event) {
    if (event->type() != CPostedMessageEvent::EventType()) {
        return CFormBase::event(event);
    }
    const auto* m = static_cast<const CPostedMessageEvent*>(event);
    switch (m->message) {
        case WM_RENDER_PROGRESS:
            OnRenderProgress(m->wParam, m->lParam);
            break;
        case WM_RENDER_DONE:
            OnRenderDone(m->wParam, m->lParam);
            break;
        case WM_PAINT:
            OnDraw();
            break;
        case WM_DRAWWND_SIZED:
            OnDrawWndSized();
            break;
        case WM_DRAWWND_CLICK:
            OnDrawWndClick(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
            break;
        case WM_DRAWWND_RCLICK:
            OnDrawWndRClick(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
            break;
        case WM_DRAWWND_DRAGGING:
            OnDrawWndDragging(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
            break;
        case WM_DRAWWND_DRAGGED:
            OnDrawWndDragged(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
            break;
        default:
            break;
    }
    return true;
}

bool CMorvaneView::OnCommand(int /*id*/) {
    return false;
}
