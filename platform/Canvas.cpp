#include "platform/Canvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include "platform/DevicePixels.h"
#include "platform/DibImage.h"
#include "platform/ImageTarget.h"

CCanvas::CCanvas(QWidget* parent, Qt::WindowFlags flags) : QFrame(parent, flags) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_nextFrame.setSingleShot(true);
    connect(&m_nextFrame, &QTimer::timeout, this, &CCanvas::PresentPending);
}

void CCanvas::Present(const QRect& rect) {
    if (m_frameIntervalMs <= 0) {
        update(rect);
        return;
    }
    m_pending += rect;
    if (m_nextFrame.isActive()) {
        return;
    }
    const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : m_frameIntervalMs;
    if (since >= m_frameIntervalMs) {
        PresentPending();
    } else {
        m_nextFrame.start(static_cast<int>(m_frameIntervalMs - since));
    }
}

void CCanvas::FlushFrame() {
    if (m_nextFrame.isActive()) {
        m_nextFrame.stop();
        PresentPending();
    }
}

void CCanvas::PresentPending() {
    m_lastFrame.start();
    update(m_pending);
    m_pending = QRegion();
}

QSize CCanvas::ClientSize() const {
    const QSize logical = contentsRect().size();
    const double r = devicePixelRatio();
    if (r == 1.0) {
        return logical;
    }
    if (m_imageClientSize.isValid() &&
        LogicalCeil(m_imageClientSize.width(), r) == logical.width() &&
        LogicalCeil(m_imageClientSize.height(), r) == logical.height()) {
        return m_imageClientSize;
    }
    // A window the user sizes shows whole device pixels only; a control
    // covers every device pixel inside its frame.
    if (isWindow()) {
        return {DeviceFloor(logical.width(), r), DeviceFloor(logical.height(), r)};
    }
    return {DeviceCeil(logical.width(), r), DeviceCeil(logical.height(), r)};
}

QRect CCanvas::ToLogical(const QRect& device) const {
    const double r = devicePixelRatio();
    return QRectF(QPointF(device.topLeft()) / r, QSizeF(device.size()) / r)
        .toAlignedRect()
        .translated(contentsRect().topLeft());
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
        Present(ToLogical(written));
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
    Present(ToLogical(QRect(QPoint(dstX, dstY), flipped.size())));
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
    Present(this->rect());
}

void CCanvas::XorDottedLine(const QPoint& from, const QPoint& to) {
    EnsureBuffer();
    QPainter p(&m_buffer);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.drawLine(from, to);
    p.end();
    Present(this->rect());
}

void CCanvas::FillSolidRect(const QRect& rect, const QColor& colour) {
    EnsureBuffer();
    QPainter p(&m_buffer);
    p.fillRect(rect, colour);
    p.end();
    Present(ToLogical(rect));
}

void CCanvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the border
    EnsureBuffer();
    // Only the part asked for: a band of finished rows repaints that band
    // (the painter is clipped to it).
    const QRect contents = contentsRect();
    if (event->rect().intersected(contents).isEmpty()) {
        return;
    }
    QPainter p(this);
    p.setClipRect(contents);
    const double r = devicePixelRatio();
    if (r == 1.0) {
        p.drawImage(contents.topLeft(), m_buffer);
        return;
    }
    // In device coordinates the copy is a plain translation: one buffer
    // pixel on one screen pixel, with nothing scaled.
    p.setWorldTransform(QTransform::fromScale(1.0 / r, 1.0 / r));
    const QPoint origin = (QPointF(contents.topLeft()) * r).toPoint();
    p.drawImage(origin, m_buffer);
    const QRegion edge = QRegion(QRect(origin, QSize(DeviceCeil(contents.width(), r),
                                                     DeviceCeil(contents.height(), r))))
                             .subtracted(QRegion(QRect(origin, m_buffer.size())));
    for (const QRect& rect : edge) {
        p.fillRect(rect, palette().color(QPalette::Window));
    }
}

void CCanvas::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    EnsureBuffer();
}
