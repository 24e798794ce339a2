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
    const CPostedMessageEvent* m = CPostedMessageEvent::From(event);
    if (!m) {
        return CFormBase::event(event);
    }
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

bool CMorvaneView::OnCommand(int id) {
    switch (id) {
        case IDC_UP:
            Pan(0);
            return true;
        case IDC_DOWN:
            Pan(1);
            return true;
        case IDC_RIGHT:
            Pan(2);
            return true;
        case IDC_LEFT:
            Pan(3);
            return true;
        case IDC_ZOOM_IN:
            OnZoomIn();
            return true;
        case IDC_ZOOM_OUT:
            OnZoomOut();
            return true;
        case ID_EDIT_COPY:
            OnCopy();
            return true;
        case ID_BENCHMARK_START:
            if (IsCommandEnabled(id)) {
                OnBenchmarkStart();
            }
            return true;
        case ID_BENCHMARK_STOP:
            if (IsCommandEnabled(id)) {
                OnBenchmarkStop();
            }
            return true;
        default:
            return false;
    }
}

bool CMorvaneView::IsCommandEnabled(int id) const {
    switch (id) {
        case IDC_UP:
        case IDC_DOWN:
        case IDC_RIGHT:
        case IDC_LEFT:
        case IDC_ZOOM_IN:
        case IDC_ZOOM_OUT:
        case ID_EDIT_COPY:
            return true;
        case ID_BENCHMARK_START:
            return m_pDocument->m_benchmarkRunning == 0;
        case ID_BENCHMARK_STOP:
            return m_pDocument->m_benchmarkRunning == 1;
        default:
            return false;
    }
}
