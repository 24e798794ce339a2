#pragma once

#include <QFrame>
#include <QImage>

#include "engine/DrawTarget.h"

// A control that keeps what is drawn into it: every drawing goes into a
// persistent back buffer the size of the client area, and painting only
// copies that buffer to the screen. The client area is the frame's contents
// rectangle, so a sunken border stays outside it.
class CCanvas : public QFrame, public IDrawTarget {
    Q_OBJECT
public:
    explicit CCanvas(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Client area size in pixels.
    QSize ClientSize() const { return contentsRect().size(); }

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void EnsureBuffer();

    QImage m_buffer;
};
