#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QRegion>
#include <QTimer>

#include "engine/DrawTarget.h"

// A control that keeps what is drawn into it: every drawing goes into a
// persistent back buffer the size of the client area, and painting only
// copies that buffer to the screen. The client area is the frame's contents
// rectangle, so a sunken border stays outside it.
//
// The buffer and every coordinate given to a canvas are device pixels: on a
// screen of device pixel ratio r, one buffer pixel is one screen pixel, never
// scaled or smoothed.
class CCanvas : public QFrame, public IDrawTarget {
    Q_OBJECT
public:
    explicit CCanvas(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Client area size in device pixels. At a fractional ratio the logical
    // area may hold one device pixel more than asked for: a size set with
    // SetImageClientSize stays that size, and the edge beyond it shows the
    // window colour.
    QSize ClientSize() const;
    // Client area size in the toolkit's logical pixels.
    QSize LogicalClientSize() const { return contentsRect().size(); }
    // The client size in device pixels the window was last given a size for.
    void SetImageClientSize(const QSize& size) { m_imageClientSize = size; }
    // The logical rectangle of the widget that covers a device rectangle of
    // the client area.
    QRect ToLogical(const QRect& device) const;

    void CopyDib(int dstX, int dstY, int width, int height, const CDibView& src, int srcX,
                 int srcTop) override;

    // Inverts a dotted rectangle outline (left, top inclusive; right, bottom
    // exclusive); drawing it twice restores the picture.
    void XorFocusRect(const QRect& rect);
    // Draws a white dotted line combined with the picture by exclusive or;
    // drawing it twice restores the picture.
    void XorDottedLine(const QPoint& from, const QPoint& to);

    // Fills a rectangle of the client area with a solid colour.
    void FillSolidRect(const QRect& rect, const QColor& colour);

    const QImage& BackBuffer() const { return m_buffer; }

    // At most one repaint of the screen in this many milliseconds: what is
    // drawn sooner after the last one waits for the next, together with
    // whatever else comes meanwhile. 0, the default, repaints every drawing.
    void SetFrameInterval(int ms) { m_frameIntervalMs = ms; }
    // Repaints at once what waits for the next frame.
    void FlushFrame();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void EnsureBuffer();
    // Repaints the logical rectangle `rect`, now or with the next frame.
    void Present(const QRect& rect);
    void PresentPending();

    QImage m_buffer;
    QSize m_imageClientSize;
    int m_frameIntervalMs = 0;
    QElapsedTimer m_lastFrame;  // since the last repaint was asked for
    QRegion m_pending;          // waiting for the next frame
    QTimer m_nextFrame;
};
