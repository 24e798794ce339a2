#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/DrawTarget.h"

// The 40-byte bitmap information header, in its published layout.
struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// Device-independent bitmap in memory: uncompressed, bottom-up rows, 8, 16, 24
// or 32 bits per pixel, each row padded to a multiple of 4 bytes. All
// operations take image coordinates with (0, 0) at the top-left.
class CDibSurface {
public:
    static constexpr int kInfoSize = 40 + 256 * 4;
    // Largest pixel block a surface will allocate.
    static constexpr std::int64_t kMaxBytes = std::int64_t{1} << 30;

    CDibSurface();
    virtual ~CDibSurface();

    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;

    // Releases the pixels and describes a new bitmap; CreateSection allocates it.
    void SetFormat(int width, int height, int bitCount);
    // Allocates the pixels (cleared to 0) for the format; null when the format
    // is unusable or the memory cannot be had, and the surface then has none.
    std::uint8_t* CreateSection();
    std::int32_t RowStride() const;

    int Blit(IDrawTarget& target, int x, int y, int width, int height) const;
    int BlitRows(IDrawTarget& target, int destX, int destY, int sourceX, int lastRow, int width,
                 int rowCount) const;

    std::uint8_t* PixelAddress(int x, int y) const;
    void PutPixel(int x, int y, std::uint32_t value);
    void Fill2x2(int x, int y, std::uint32_t value);
    void Fill4x4(int x, int y, std::uint32_t value);
    void Fill8x8(int x, int y, std::uint32_t value);
    void FillColumn(int x, int firstRow, int lastRow, std::uint32_t value);
    // Writes count square blocks of the given side side by side, the first
    // with its top-left pixel at (x, y), block i in values[i]; like the
    // Fill functions, whatever falls outside the image is left out.
    void StoreBlocks(int x, int y, int side, const std::uint32_t* values, int count);
    // Moves the content by n rows (directions 0 down, 1 up) or columns (2 left, 3 right).
    void Shift(int direction, int n);

    bool HasBits() const { return m_bits != nullptr; }
    const BitmapInfoHeader& Header() const { return *m_header; }
    int Width() const { return m_header->biWidth; }
    int Height() const { return m_header->biHeight; }
    int BitCount() const { return m_bitCount; }
    int Stride() const { return m_stride; }
    const std::uint8_t* Bits() const { return m_bits; }
    CDibView View() const;

private:
    bool Contains(int x, int y) const;
    void ReleaseBitmap();

    std::unique_ptr<std::uint8_t[]> m_bitmap;
    std::uint8_t* m_bits = nullptr;
    std::unique_ptr<std::byte[]> m_info;
    BitmapInfoHeader* m_header = nullptr;
    std::int32_t m_bitCount = 0;
    std::int32_t m_stride = 0;
};
