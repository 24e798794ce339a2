#include "platform/ImageTarget.h"

#include <cstring>

#include "platform/DibImage.h"

CImageTarget::CImageTarget(int width, int height, int bitCount, const QImage& start) {
    const QImage::Format format = DibPixelFormat(bitCount);
    if (format == QImage::Format_Invalid || width <= 0 || height <= 0) {
        return;
    }
    if (start.format() == format && start.width() >= width && start.height() >= height) {
        m_image = start.copy(0, 0, width, height);
        return;
    }
    m_image = QImage(width, height, format);
    if (format == QImage::Format_Indexed8) {
        m_image.setColorTable(QList<QRgb>(256, qRgb(0, 0, 0)));
    }
    m_image.fill(0);
}

void CImageTarget::CopyDib(int dstX, int dstY, int width, int height, const CDibView& src, int srcX,
                           int srcTop) {
    if (m_image.isNull() || DibPixelFormat(src.bitCount) != m_image.format()) {
        return;
    }
    CopyDibRows(m_image, dstX, dstY, width, height, src, srcX, srcTop);
}

QRect CopyDibRows(QImage& image, int dstX, int dstY, int width, int height, const CDibView& src,
                  int srcX, int srcTop) {
    if (!src.bits || width <= 0 || height <= 0) {
        return {};
    }
    // The part of the band that lies inside the source and the image.
    QRect band = QRect(srcX, srcTop, width, height).intersected(QRect(0, 0, src.width, src.height));
    band = band.translated(dstX - srcX, dstY - srcTop).intersected(image.rect());
    if (band.isEmpty()) {
        return {};
    }
    const std::size_t bytesPerPixel = static_cast<std::size_t>(src.bitCount / 8);
    const std::size_t rowBytes = static_cast<std::size_t>(band.width()) * bytesPerPixel;
    const int fromX = srcX + band.left() - dstX;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        const int stored = src.height - 1 - (srcTop + y - dstY);
        const std::uint8_t* from = src.bits + static_cast<std::size_t>(stored) * src.stride +
                                   static_cast<std::size_t>(fromX) * bytesPerPixel;
        std::memcpy(image.scanLine(y) + static_cast<std::size_t>(band.left()) * bytesPerPixel, from,
                    rowBytes);
    }
    return band;
}
