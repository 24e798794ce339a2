#include "drawwnd/DrawWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>
#include <cstdint>

#include "platform/DevicePixels.h"

namespace {

// The window's initial client size, 187 x 181 dialog units of the 9 point
// dialog font, whose units measure 7/4 px across and 13/8 px down.
constexpr int kInitialWidth = (187 * 7 + 2) / 4;
constexpr int kInitialHeight = (181 * 13 + 4) / 8;

// A left release that moved away from the press is a drag only after the
// button has been held this long; a quicker one is a click.
constexpr double kDragSeconds = 0.25;

// About one screen refresh.
constexpr int kFrameIntervalMs = 15;

}  // namespace

CDrawWnd::CDrawWnd(INotifyTarget* pView)
    : CCanvas(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_pView(pView) {
    // The picture's passes and drags come faster than a screen shows them.
    SetFrameInterval(kFrameIntervalMs);
}

CDrawWnd::~CDrawWnd() {
    // Whatever the teardown sends to this window must not reach the view.
    m_pView = nullptr;
    if (m_bCreated) {
        destroy();
    }
}

int CDrawWnd::CreateOnce() {
    if (m_bCreated) {
        return 1;
    }
    m_bCreated = 1;
    setWindowTitle(QStringLiteral("描画Window"));
    // The initial size is logical, like every dialog unit; the image size
    // it gives is in device pixels.
    const double r = devicePixelRatio();
    m_programClientSize = QSize(DeviceFloor(kInitialWidth, r), DeviceFloor(kInitialHeight, r));
    SetImageClientSize(m_programClientSize);
    move(0, 0);
    resize(QSize(kInitialWidth, kInitialHeight) + (size() - LogicalClientSize()));
    // Shown once the owner has had the chance to place it: a window system
    // places the frame where asked only for a window not yet mapped, so a
    // move right after showing would put the client area there instead and
    // the caption off the screen.
    // Creating the native window early would have the same effect.
    m_bShowPending = true;
    QTimer::singleShot(0, this, [this] { ShowIfPending(); });
    return 1;
}

void CDrawWnd::ShowIfPending() {
    if (m_bShowPending) {
        m_bShowPending = false;
        show();
    }
}

void CDrawWnd::MoveWithClientSize(int x, int y, int clientWidth, int clientHeight) {
    // The frame's own border, if it has one, lies outside the client area.
    // The place is logical, as the window system's; the size device pixels.
    const QSize border = size() - LogicalClientSize();
    const double r = devicePixelRatio();
    m_programClientSize = QSize(clientWidth, clientHeight);
    SetImageClientSize(m_programClientSize);
    m_bMovedByProgram = 1;
    move(x, y);
    resize(QSize(LogicalCeil(clientWidth, r), LogicalCeil(clientHeight, r)) + border);
    ShowIfPending();
}

QSize CDrawWnd::OuterDeviceSize() const {
    const QSize border = frameGeometry().size() - LogicalClientSize();
    const double r = devicePixelRatio();
    return ClientSize() + QSize(qRound(border.width() * r), qRound(border.height() * r));
}

double CDrawWnd::SecondsSincePress() {
    return m_stopwatch.Elapsed();
}

void CDrawWnd::Notify(unsigned message, int wParam, int lParam) {
    if (m_pView) {
        m_pView->Post(message, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(wParam)),
                      static_cast<std::intptr_t>(lParam));
    }
}

QPoint CDrawWnd::ClientPoint(const QMouseEvent* event) const {
    const double r = devicePixelRatio();
    const QPointF logical = event->position() - QPointF(contentsRect().topLeft());
    // The device pixel under the pointer. Inside the client area, the edge
    // beyond the image (at fractional ratios) counts as its last pixel;
    // outside it, a drag keeps its offsets as they are.
    QPoint p(DeviceFloor(logical.x(), r), DeviceFloor(logical.y(), r));
    if (QRectF(QPointF(), QSizeF(LogicalClientSize())).contains(logical)) {
        const QSize client = ClientSize();
        p = QPoint(std::min(p.x(), client.width() - 1), std::min(p.y(), client.height() - 1));
    }
    return p;
}

void CDrawWnd::resizeEvent(QResizeEvent* event) {
    CCanvas::resizeEvent(event);
    // The program's own size change may arrive late, or not at all when the
    // size stays, so it is recognised by its size rather than by counting.
    // Any other size, even while one is awaited, came from the user; the
    // view reads the client size itself, so a report too many does no harm.
    const bool byProgram = m_bMovedByProgram && ClientSize() == m_programClientSize;
    m_bMovedByProgram = 0;
    if (!byProgram) {
        Notify(WM_DRAWWND_SIZED, 0, 0);
    }
    // Newly uncovered client area wants the image again. Drawing into the
    // back buffer repaints from the buffer and asks the view for nothing.
    if (isVisible()) {
        Notify(WM_PAINT, 0, 0);
    }
}

void CDrawWnd::closeEvent(QCloseEvent* event) {
    // A session that ends asks every window to close; refusing would stop
    // the user's logout. The program ends with it anyway.
    if (qApp->isSavingSession()) {
        event->accept();
        return;
    }
    event->ignore();
}

void CDrawWnd::showEvent(QShowEvent* event) {
    CCanvas::showEvent(event);
    Notify(WM_PAINT, 0, 0);
}

void CDrawWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint p = ClientPoint(event);
    if (event->button() == Qt::LeftButton) {
        m_nDownX = p.x();
        m_nDownY = p.y();
        m_bPressSeen = true;
        m_bButtonDown = 1;
        m_stopwatch.Start();
        // Qt holds the mouse for this window while the button is down. Should
        // the release be lost elsewhere, moves over the window still drag.
        setMouseTracking(true);
    } else if (event->button() == Qt::RightButton) {
        Notify(WM_DRAWWND_RCLICK, p.x(), p.y());
    }
    CCanvas::mousePressEvent(event);
}

void CDrawWnd::mouseMoveEvent(QMouseEvent* event) {
    if (m_bButtonDown) {
        const QPoint p = ClientPoint(event);
        Notify(WM_DRAWWND_DRAGGING, p.x() - m_nDownX, p.y() - m_nDownY);
    }
    CCanvas::mouseMoveEvent(event);
}

void CDrawWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = ClientPoint(event);
        // A release with no press before it (the button went down in another
        // window) is taken as pressed where it is released: a click there.
        if (!m_bPressSeen) {
            m_nDownX = p.x();
            m_nDownY = p.y();
        }
        const bool moved = p.x() != m_nDownX || p.y() != m_nDownY;
        // An elapsed time that does not compare (not a number) is a click.
        const bool held = SecondsSincePress() >= kDragSeconds;
        if (moved && held) {
            Notify(WM_DRAWWND_DRAGGED, p.x() - m_nDownX, p.y() - m_nDownY);
        } else {
            Notify(WM_DRAWWND_CLICK, p.x(), p.y());
        }
        m_bButtonDown = 0;
        setMouseTracking(false);
    }
    CCanvas::mouseReleaseEvent(event);
}
