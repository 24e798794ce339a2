#include "engine/DibSurface.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

CDibSurface::CDibSurface() : m_info(new std::byte[kInfoSize]()) {
    m_header = new (m_info.get()) BitmapInfoHeader{};
}

CDibSurface::~CDibSurface() {
    ReleaseBitmap();
}

void CDibSurface::ReleaseBitmap() {
    m_bits = nullptr;
    m_bitmap.reset();
}

void CDibSurface::SetFormat(int width, int height, int bitCount) {
    ReleaseBitmap();
    *m_header = BitmapInfoHeader{};
    m_header->biSize = 40;
    m_header->biWidth = width;
    m_header->biHeight = height;
    m_header->biPlanes = 1;
    m_header->biBitCount = static_cast<std::uint16_t>(bitCount);
    m_bitCount = bitCount;
    m_stride = RowStride();
}

std::int32_t CDibSurface::RowStride() const {
    if (!m_header) {
        return 0;
    }
    const std::int64_t bits = std::int64_t{m_header->biBitCount} * m_header->biWidth;
    const std::int64_t stride = ((bits + 7) / 8 + 3) & ~std::int64_t{3};
    if (stride < 0 || stride > std::numeric_limits<std::int32_t>::max()) {
        return 0;
    }
    return static_cast<std::int32_t>(stride);
}

std::uint8_t* CDibSurface::CreateSection() {
    ReleaseBitmap();
    const int width = m_header->biWidth;
    const int height = m_header->biHeight;
    const bool depthOk =
        m_bitCount == 8 || m_bitCount == 16 || m_bitCount == 24 || m_bitCount == 32;
    if (!depthOk || width <= 0 || height <= 0 || m_stride <= 0 ||
        std::int64_t{m_stride} * height > kMaxBytes) {
        return nullptr;
    }
    const auto bytes = static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(height);
    m_bitmap.reset(new (std::nothrow) std::uint8_t[bytes]());
    m_bits = m_bitmap.get();
    return m_bits;
}

CDibView CDibSurface::View() const {
    return CDibView{m_bits, m_header->biWidth, m_header->biHeight, m_bitCount, m_stride};
}

int CDibSurface::Blit(IDrawTarget& target, int x, int y, int width, int height) const {
    if (!m_bits) {
        return 0;
    }
    // One source pixel to one destination pixel: a larger rectangle is not
    // stretched, it only receives the image.
    const int w = std::min(width, Width());
    const int h = std::min(height, Height());
    if (w > 0 && h > 0) {
        target.CopyDib(x, y, w, h, View(), 0, 0);
    }
    return 1;
}

int CDibSurface::BlitRows(IDrawTarget& target, int destX, int destY, int sourceX, int lastRow,
                          int width, int rowCount) const {
    if (!m_bits) {
        return 0;
    }
    // Clip the band [lastRow - rowCount + 1, lastRow] x [sourceX, sourceX + width)
    // to the image, moving the destination with it.
    std::int64_t top = std::int64_t{lastRow} - rowCount + 1;
    std::int64_t bottom = std::int64_t{lastRow} + 1;
    std::int64_t left = sourceX;
    std::int64_t right = std::int64_t{sourceX} + width;
    std::int64_t dx = destX;
    std::int64_t dy = destY;
    if (top < 0) {
        dy -= top;
        top = 0;
    }
    if (left < 0) {
        dx -= left;
        left = 0;
    }
    bottom = std::min<std::int64_t>(bottom, Height());
    right = std::min<std::int64_t>(right, Width());
    if (top < bottom && left < right) {
        target.CopyDib(static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(right - left),
                       static_cast<int>(bottom - top), View(), static_cast<int>(left),
                       static_cast<int>(top));
    }
    return 1;
}

bool CDibSurface::Contains(int x, int y) const {
    return x >= 0 && y >= 0 && x < m_header->biWidth && y < m_header->biHeight;
}

std::uint8_t* CDibSurface::PixelAddress(int x, int y) const {
    if (!m_bits || !Contains(x, y)) {
        return m_bits;
    }
    const auto row = static_cast<std::size_t>(m_header->biHeight - 1 - y);
    return m_bits + row * static_cast<std::size_t>(m_stride) +
           static_cast<std::size_t>(x) * static_cast<std::size_t>(m_bitCount / 8);
}

void CDibSurface::PutPixel(int x, int y, std::uint32_t value) {
    if (!m_bits || !Contains(x, y)) {
        return;
    }
    std::uint8_t* p = PixelAddress(x, y);
    switch (m_bitCount) {
        case 8:
            p[0] = static_cast<std::uint8_t>(value);
            break;
        case 16: {
            const auto v = static_cast<std::uint16_t>(value);
            std::memcpy(p, &v, 2);
            break;
        }
        case 24:
            p[0] = static_cast<std::uint8_t>(value);
            p[1] = static_cast<std::uint8_t>(value >> 8);
            p[2] = static_cast<std::uint8_t>(value >> 16);
            break;
        case 32:
            std::memcpy(p, &value, 4);
            break;
        default:
            break;
    }
}

void CDibSurface::Fill2x2(int x, int y, std::uint32_t value) {
    PutPixel(x, y, value);
    PutPixel(x + 1, y, value);
    PutPixel(x, y + 1, value);
    PutPixel(x + 1, y + 1, value);
}

void CDibSurface::Fill4x4(int x, int y, std::uint32_t value) {
    Fill2x2(x, y, value);
    Fill2x2(x + 2, y, value);
    Fill2x2(x, y + 2, value);
    Fill2x2(x + 2, y + 2, value);
}

void CDibSurface::Fill8x8(int x, int y, std::uint32_t value) {
    Fill4x4(x, y, value);
    Fill4x4(x + 4, y, value);
    Fill4x4(x, y + 4, value);
    Fill4x4(x + 4, y + 4, value);
}

void CDibSurface::FillColumn(int x, int firstRow, int lastRow, std::uint32_t value) {
    for (std::int64_t y = firstRow; y <= lastRow; ++y) {
        PutPixel(x, static_cast<int>(y), value);
    }
}

void CDibSurface::StoreBlocks(int x, int y, int side, const std::uint32_t* values, int count) {
    if (!m_bits || side < 1 || count < 1) {
        return;
    }
    if (m_bitCount != 32) {
        for (int i = 0; i < count; ++i) {
            const std::int64_t left = std::int64_t{x} + std::int64_t{i} * side;
            for (int dy = 0; dy < side; ++dy) {
                for (int dx = 0; dx < side; ++dx) {
                    const std::int64_t px = left + dx;
                    const std::int64_t py = std::int64_t{y} + dy;
                    if (px >= 0 && py >= 0 && px < Width() && py < Height()) {
                        PutPixel(static_cast<int>(px), static_cast<int>(py), values[i]);
                    }
                }
            }
        }
        return;
    }
    // 32 bits per pixel, clipped once for the whole row of blocks.
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + side, Height());
    const std::int64_t end = std::int64_t{x} + std::int64_t{count} * side;
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t right = std::min<std::int64_t>(end, Width());
    if (top >= bottom || left >= right) {
        return;
    }
    // The first row covered is written pixel by pixel, the others copied from it.
    std::uint8_t* first = PixelAddress(0, static_cast<int>(top));
    if (side == 1) {
        std::memcpy(first + left * 4, values + (left - x),
                    static_cast<std::size_t>(right - left) * 4);
    } else {
        for (std::int64_t px = left; px < right;) {
            const std::int64_t block = (px - x) / side;
            const std::int64_t blockEnd = std::min(std::int64_t{x} + (block + 1) * side, right);
            const std::uint32_t value = values[block];
            for (; px < blockEnd; ++px) {
                std::memcpy(first + px * 4, &value, 4);
            }
        }
    }
    const auto bytes = static_cast<std::size_t>(right - left) * 4;
    for (std::int64_t py = top + 1; py < bottom; ++py) {
        std::memcpy(PixelAddress(0, static_cast<int>(py)) + left * 4, first + left * 4, bytes);
    }
}

void CDibSurface::Shift(int direction, int n) {
    const int width = Width();
    const int height = Height();
    if (!m_bits || n < 0) {
        return;
    }
    const auto stride = static_cast<std::size_t>(m_stride);
    const int bytesPerPixel = m_bitCount / 8;
    switch (direction) {
        case 0:  // content moves down: from the bottom row upward
            for (int y = height - 1; y >= n; --y) {
                std::memmove(PixelAddress(0, y), PixelAddress(0, y - n), stride);
            }
            break;
        case 1:  // content moves up: from the top row downward
            for (int y = 0; y + n < height; ++y) {
                std::memmove(PixelAddress(0, y), PixelAddress(0, y + n), stride);
            }
            break;
        case 2:  // content moves left
        case 3:  // content moves right
            if (n >= width) {
                return;
            }
            for (int y = 0; y < height; ++y) {
                const auto bytes = static_cast<std::size_t>(width - n) * bytesPerPixel;
                std::uint8_t* row = PixelAddress(0, y);
                const std::size_t far = static_cast<std::size_t>(n) * bytesPerPixel;
                if (direction == 2) {
                    std::memmove(row, row + far, bytes);
                } else {
                    std::memmove(row + far, row, bytes);
                }
            }
            break;
        default:
            break;
    }
}
