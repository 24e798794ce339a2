#pragma once

#include <QImage>

class CDibSurface;

// The image format whose pixels are laid out as a surface's of this depth (an
// 8-bit surface's as indices into a colour table); invalid for other depths.
QImage::Format DibPixelFormat(int bitCount);

// A deep copy of the surface's pixels as an image whose first line is the
// surface's top row; a null image when the surface has no pixels.
QImage DibToImage(const CDibSurface& surface);
