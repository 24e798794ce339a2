#pragma once

#include <cstdint>

// Read-only view of a bottom-up bitmap: stored row 0 is the image's bottom row.
struct CDibView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int stride = 0;
};

// Something a surface can be copied into, one source pixel to one destination
// pixel: a window's back buffer, a test's memory image.
class IDrawTarget {
public:
    virtual ~IDrawTarget() = default;
    // Copies width x height pixels of src whose top-left is column srcX of image
    // row srcTop (rows counted from the top) to (dstX, dstY). The caller has
    // already clipped the rectangle to the source image.
    virtual void CopyDib(int dstX, int dstY, int width, int height, const CDibView& src, int srcX,
                         int srcTop) = 0;
};
