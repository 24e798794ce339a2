// Moving around the plane: the arrow and zoom commands, the preview click,
// and the drawing window's clicks, drags and size changes.
#include <QMouseEvent>
#include <QTimerEvent>

#include <algorithm>
#include <optional>

#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/Canvas.h"
#include "platform/DataExchange.h"
#include "platform/ProgressCtrl.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

namespace {

constexpr int kResizeDelayMs = 500;

}  // namespace

void CMorvaneView::Pan(int direction) {
    if (!m_pDocument->m_engine.Scroll(direction)) {
        return;  // the region would leave the usable range
    }
    m_progress->SetPos(0);
    // The marks stay pending: only the region texts are written.
    WriteRegionTexts();
    DrawPreview();
}

bool CMorvaneView::MoveRegion(double xMin, double xMax, double yMin, double yMax,
                              const CDeepRegion::CMove& move) {
    CFractalEngine& e = m_pDocument->m_engine;
    std::optional<CFractalEngine::CRegionPlan> plan = e.PlanMove(xMin, xMax, yMin, yMax, move);
    if (!plan) {
        return false;
    }
    e.StopWorkers();
    e.ApplyPlan(std::move(*plan));
    ApplyAndRender();
    return true;
}

void CMorvaneView::OnZoomIn() {
    const CFractalEngine& e = m_pDocument->m_engine;
    const double dx = (e.m_xMax - e.m_xMin) * 0.25;
    const double dy = (e.m_yMax - e.m_yMin) * 0.25;
    MoveRegion(e.m_xMin + dx, e.m_xMax - dx, e.m_yMin + dy, e.m_yMax - dy,
               {{1, 4}, {3, 4}, {1, 4}, {3, 4}});
}

void CMorvaneView::OnZoomOut() {
    const CFractalEngine& e = m_pDocument->m_engine;
    const double dx = (e.m_xMax - e.m_xMin) * 0.5;
    const double dy = (e.m_yMax - e.m_yMin) * 0.5;
    MoveRegion(e.m_xMin - dx, e.m_xMax + dx, e.m_yMin - dy, e.m_yMax + dy,
               {{-1, 2}, {3, 2}, {-1, 2}, {3, 2}});
}

void CMorvaneView::mousePressEvent(QMouseEvent* event) {
    // Take the press, so that its release comes back to the form; the
    // preview itself takes no mouse input.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void CMorvaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CFormBase::mouseReleaseEvent(event);
        return;
    }
    const QPoint at = mapToGlobal(event->position().toPoint());
    const QRect rect(m_preview->mapToGlobal(QPoint(0, 0)), m_preview->size());
    const int left = rect.left();
    const int top = rect.top();
    const int right = left + rect.width();  // just outside, as a window rectangle's
    const int bottom = top + rect.height();
    if (at.x() >= left && at.x() < right && at.y() >= top && at.y() < bottom) {
        const CFractalEngine& p = m_previewEngine;
        const double x = p.m_xMin + (p.m_xMax - p.m_xMin) * (at.x() - left) / (right - left + 1);
        const double y = p.m_yMin + (p.m_yMax - p.m_yMin) * (at.y() - top) / (bottom - top + 1);
        const CFractalEngine& e = m_pDocument->m_engine;
        const double w = e.m_xMax - e.m_xMin;
        const double h = e.m_yMax - e.m_yMin;
        CDeepRegion::CMove move;
        move.recentre = true;
        move.x = x;
        move.y = y;
        MoveRegion(x - w * 0.5, x + w * 0.5, y - h * 0.5, y + h * 0.5, move);
    }
    CFormBase::mouseReleaseEvent(event);
}

void CMorvaneView::OnDrawWndSized() {
    const QSize client = m_pDrawWnd->ClientSize();
    m_nWidth = static_cast<std::uint32_t>(client.width());
    m_nHeight = static_cast<std::uint32_t>(client.height());
    SetControlText(IDC_WIDTH, DdxFormatUInt(m_nWidth));
    SetControlText(IDC_HEIGHT, DdxFormatUInt(m_nHeight));
    m_bWindowResized = 1;
    // Every size event starts the wait again: a resize is applied once, half
    // a second after the user has stopped.
    if (m_nResizeTimer != 0) {
        killTimer(m_nResizeTimer);
    }
    m_nResizeTimer = startTimer(kResizeDelayMs);
}

void CMorvaneView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_nResizeTimer) {
        OnTimer();
        return;
    }
    CFormBase::timerEvent(event);
}

void CMorvaneView::OnTimer() {
    killTimer(m_nResizeTimer);
    m_nResizeTimer = 0;
    ApplyAndRender();
}

QPointF CMorvaneView::ZoomCentre(int x, int y) const {
    const CFractalEngine& e = m_pDocument->m_engine;
    const QSize client = m_pDrawWnd->ClientSize();
    const double dx = e.m_xMax - e.m_xMin;
    const double dy = e.m_yMax - e.m_yMin;
    return {e.m_xMin + x * dx / (client.width() + 1), e.m_yMin + y * dy / (client.height() + 1)};
}

void CMorvaneView::ZoomAbout(int x, int y, double halfSpan) {
    const CFractalEngine& e = m_pDocument->m_engine;
    const QPointF c = ZoomCentre(x, y);
    const double dx = e.m_xMax - e.m_xMin;
    const double dy = e.m_yMax - e.m_yMin;
    // The same about the clicked pixel: x / (width + 1) of the way across.
    const QSize client = m_pDrawWnd->ClientSize();
    const double cw = client.width() + 1;
    const double ch = client.height() + 1;
    MoveRegion(c.x() - dx * halfSpan, c.x() + dx * halfSpan, c.y() - dy * halfSpan,
               c.y() + dy * halfSpan,
               {{x - halfSpan * cw, cw},
                {x + halfSpan * cw, cw},
                {y - halfSpan * ch, ch},
                {y + halfSpan * ch, ch}});
}

// Half the width and height about the clicked point.
void CMorvaneView::OnDrawWndClick(int x, int y) {
    ZoomAbout(x, y, 0.25);
}

// Twice the width and height about the pressed point.
void CMorvaneView::OnDrawWndRClick(int x, int y) {
    ZoomAbout(x, y, 1.0);
}

void CMorvaneView::OnDrawWndDragging(int ox, int oy) {
    const QSize client = m_pDrawWnd->ClientSize();
    m_pDrawWnd->FillSolidRect(QRect(QPoint(0, 0), client), Qt::black);
    m_pDocument->m_engine.DrawAt(*m_pDrawWnd, ox, oy);
}

void CMorvaneView::OnDrawWndDragged(int ox, int oy) {
    const CFractalEngine& e = m_pDocument->m_engine;
    // The outer size, frame and caption included, in device pixels as the
    // drag's offsets are.
    const QSize outer = m_pDrawWnd->OuterDeviceSize();
    const double dx = e.m_xMax - e.m_xMin;
    const double dy = e.m_yMax - e.m_yMin;
    const double shiftX = dx * ox / (outer.width() + 1);
    const double shiftY = oy * dy / (outer.height() + 1);
    const double ow = outer.width() + 1;
    const double oh = outer.height() + 1;
    if (!MoveRegion(e.m_xMin - shiftX, e.m_xMax - shiftX, e.m_yMin - shiftY, e.m_yMax - shiftY,
                    {{-double(ox), ow}, {ow - ox, ow}, {-double(oy), oh}, {oh - oy, oh}})) {
        // The drag preview goes; the picture stays where it was.
        DrawMainImage();
    }
}
