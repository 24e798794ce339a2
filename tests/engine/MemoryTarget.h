#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/DibSurface.h"
#include "engine/DrawTarget.h"

// A drawing target in memory: one pixel value per destination pixel, plus a
// record of every rectangle copied into it.
class CMemoryTarget : public IDrawTarget {
public:
    struct Copy {
        int dstX, dstY, width, height, srcX, srcTop;
    };

    static constexpr std::uint32_t kUnset = 0xDEADBEEF;

    CMemoryTarget(int width, int height)
        : m_width(width), m_height(height), m_pixels(std::size_t(width) * height, kUnset) {}

    void CopyDib(int dstX, int dstY, int width, int height, const CDibView& src, int srcX,
                 int srcTop) override {
        copies.push_back({dstX, dstY, width, height, srcX, srcTop});
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int tx = dstX + x;
                const int ty = dstY + y;
                if (tx >= 0 && ty >= 0 && tx < m_width && ty < m_height) {
                    m_pixels[std::size_t(ty) * m_width + tx] = Read(src, srcX + x, srcTop + y);
                }
            }
        }
    }

    std::uint32_t At(int x, int y) const { return m_pixels[std::size_t(y) * m_width + x]; }

    static std::uint32_t Read(const CDibView& src, int x, int y) {
        const std::uint8_t* p = src.bits + std::size_t(src.height - 1 - y) * src.stride +
                                std::size_t(x) * (src.bitCount / 8);
        std::uint32_t value = 0;
        std::memcpy(&value, p, std::size_t(src.bitCount / 8));
        return value;
    }

    std::vector<Copy> copies;

private:
    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_pixels;
};

// The value stored at image pixel (x, y) of a surface.
inline std::uint32_t SurfacePixel(const CDibSurface& surface, int x, int y) {
    return CMemoryTarget::Read(surface.View(), x, y);
}
