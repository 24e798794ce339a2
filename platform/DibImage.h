#pragma once

#include <QImage>

class CDibSurface;

// A deep copy of the surface's pixels as an image whose first line is the
// surface's top row; a null image when the surface has no pixels.
QImage DibToImage(const CDibSurface& surface);
