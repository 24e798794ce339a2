#include "platform/Canvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include "platform/DibImage.h"
#include "platform/ImageTarget.h"

CCanvas::CCanvas(QWidget* parent, Qt::WindowFlags flags) : QFrame(parent, flags) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCanvas::EnsureBuffer() {
    const QSize size = ClientSize().expandedTo(QSize(1, 1));
    if (m_buffer.size() == size) {
        return;
    }
    // Keep what was drawn; new area shows the window colour, as an erased
    // background would.
    QImage grown(size, QImage::Format_RGB32);
    grown.fill(palette().color(QPalette::Window));
    if (!m_buffer.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, m_buffer);
    }
    m_buffer = std::move(grown);
}

void CCanvas::CopyDib(int dstX, int dstY, int width, int height, const CDibView& src, int srcX,
                      int srcTop) {
    // A canvas shows colours only: an 8-bit surface has no table to show.
    const QImage::Format format =
        src.bitCount == 8 ? QImage::Format_Invalid : DibPixelFormat(src.bitCount);
    if (!src.bits || format == QImage::Format_Invalid || width <= 0 || height <= 0) {
        return;
    }
    EnsureBuffer();
    if (format == m_buffer.format() && srcX >= 0 && srcTop >= 0 && srcX + width <= src.width &&
        srcTop + height <= src.height) {
        // Same pixels on both sides: each row straight into place, flipped.
        const QRect written = CopyDibRows(m_buffer, dstX, dstY, width, height, src, srcX, srcTop);
        update(written.translated(contentsRect().topLeft()));
        return;
    }
    // The band's rows lie bottom-up in memory: wrap them as they are (a
    // positive stride) and draw them flipped.
    const int lastStored = src.height - srcTop - height;  // stored row of the band's bottom
    const std::uint8_t* first = src.bits + static_cast<std::size_t>(lastStored) * src.stride;
    const QImage band(first, src.width, height, src.stride, format);
    const QImage flipped = band.copy(srcX, 0, width, height).mirrored(false, true);
    QPainter p(&m_buffer);
    p.drawImage(dstX, dstY, flipped);
    p.end();
    update(QRect(QPoint(dstX, dstY), flipped.size()).translated(contentsRect().topLeft()));
}

void CCanvas::XorFocusRect(const QRect& rect) {
    EnsureBuffer();
    QPainter p(&m_buffer);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 1, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect.adjusted(0, 0, -1, -1));
    p.end();
    update();
}

void CCanvas::XorDottedLine(const QPoint& from, const QPoint& to) {
    EnsureBuffer();
    QPainter p(&m_buffer);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.drawLine(from, to);
    p.end();
    update();
}

void CCanvas::FillSolidRect(const QRect& rect, const QColor& colour) {
    EnsureBuffer();
    QPainter p(&m_buffer);
    p.fillRect(rect, colour);
    p.end();
    update(rect.translated(contentsRect().topLeft()));
}

void CCanvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the border
    EnsureBuffer();
    // Only the part asked for: a band of finished rows repaints that band.
    const QRect area = event->rect().intersected(contentsRect());
    if (area.isEmpty()) {
        return;
    }
    QPainter p(this);
    p.drawImage(area, m_buffer, area.translated(-contentsRect().topLeft()));
}

void CCanvas::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    EnsureBuffer();
}
