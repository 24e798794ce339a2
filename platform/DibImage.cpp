#include "platform/DibImage.h"

#include "engine/DibSurface.h"

QImage::Format DibPixelFormat(int bitCount) {
    switch (bitCount) {
        case 8:
            return QImage::Format_Indexed8;
        case 16:
            return QImage::Format_RGB555;
        case 24:
            return QImage::Format_BGR888;
        case 32:
            return QImage::Format_RGB32;
        default:
            return QImage::Format_Invalid;
    }
}

QImage DibToImage(const CDibSurface& surface) {
    const QImage::Format format = DibPixelFormat(surface.BitCount());
    if (!surface.HasBits() || format == QImage::Format_Invalid) {
        return {};
    }
    // The rows are stored bottom-up with a positive stride; wrap them as they
    // are and flip, which also copies them out of the surface.
    QImage stored(surface.Bits(), surface.Width(), surface.Height(), surface.Stride(), format);
    if (format == QImage::Format_Indexed8) {
        // An 8-bit surface has an empty colour table.
        stored.setColorTable(QList<QRgb>(256, qRgb(0, 0, 0)));
    }
    return stored.mirrored(false, true);
}
