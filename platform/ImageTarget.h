#pragma once

#include <QImage>

#include "engine/DrawTarget.h"

// A drawing target that is an image in memory with the source's pixel format:
// what a surface copies into it is copied row by row in our own code, so the
// race checks see every byte read from a surface that workers may be writing.
class CImageTarget : public IDrawTarget {
public:
    // An image of this size in the pixel format of a surface of this depth,
    // filled with `start` where it holds an image of that size and format, else black.
    CImageTarget(int width, int height, int bitCount, const QImage& start = {});

    void CopyDib(int dstX, int dstY, int width, int height, const CDibView& src, int srcX,
                 int srcTop) override;

    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
};

// Copies the band of src into image, which has src's pixel layout, flipping
// the bottom-up rows; clipped to both. Returns the rectangle of image written.
QRect CopyDibRows(QImage& image, int dstX, int dstY, int width, int height, const CDibView& src,
                  int srcX, int srcTop);
