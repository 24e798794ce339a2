#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "MemoryTarget.h"
#include "engine/DibSurface.h"

namespace {

// A surface with pixels, all 0.
struct Surface : CDibSurface {
    Surface(int width, int height, int bitCount) {
        SetFormat(width, height, bitCount);
        EXPECT_NE(CreateSection(), nullptr);
    }
};

void Number(CDibSurface& s) {
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            s.PutPixel(x, y, std::uint32_t(1 + 10 * y + x));
        }
    }
}

}  // namespace

TEST(DibSurface, FormatFillsHeaderAndStride) {
    CDibSurface s;
    s.SetFormat(3, 7, 24);
    const BitmapInfoHeader& h = s.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 7);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 0u);
    EXPECT_EQ(s.Stride(), 12);  // 9 bytes rounded up
    EXPECT_FALSE(s.HasBits());  // until CreateSection

    s.SetFormat(240, 1, 32);
    EXPECT_EQ(s.Stride(), 960);
    s.SetFormat(5, 1, 16);
    EXPECT_EQ(s.Stride(), 12);
    s.SetFormat(5, 1, 8);
    EXPECT_EQ(s.Stride(), 8);
}

TEST(DibSurface, RefusesUnusableFormats) {
    CDibSurface s;
    for (auto [w, h, bits] : {std::tuple{0, 10, 32},
                              {10, 0, 32},
                              {-4, 10, 32},
                              {10, -1, 32},
                              {10, 10, 12},
                              {70000, 70000, 32},
                              {1 << 30, 4, 32}}) {
        s.SetFormat(w, h, bits);
        EXPECT_EQ(s.CreateSection(), nullptr) << w << "x" << h << "@" << bits;
        EXPECT_FALSE(s.HasBits());
        // Nothing may be written into a surface without pixels.
        s.PutPixel(0, 0, 1);
        s.Fill8x8(0, 0, 1);
        s.Shift(0, 1);
        CMemoryTarget target(4, 4);
        EXPECT_EQ(s.Blit(target, 0, 0, 4, 4), 0);
        EXPECT_TRUE(target.copies.empty());
    }
}

TEST(DibSurface, RowsAreStoredBottomUp) {
    Surface s(4, 3, 32);
    s.PutPixel(0, 0, 0x11223344);
    s.PutPixel(3, 2, 0x00ABCDEF);
    std::uint32_t first = 0;
    std::memcpy(&first, s.Bits() + 2 * s.Stride(), 4);  // last bitmap row
    EXPECT_EQ(first, 0x11223344u);
    std::memcpy(&first, s.Bits() + 3 * 4, 4);  // bitmap row 0 holds image row 2
    EXPECT_EQ(first, 0x00ABCDEFu);
    EXPECT_EQ(s.PixelAddress(1, 1), s.Bits() + s.Stride() + 4);
    EXPECT_EQ(s.PixelAddress(4, 0), s.Bits());  // outside: the first byte
    EXPECT_EQ(s.PixelAddress(0, -1), s.Bits());
}

TEST(DibSurface, PixelBytesAtEachDepth) {
    Surface s24(2, 1, 24);
    s24.PutPixel(1, 0, 0x00112233);
    EXPECT_EQ(s24.Bits()[3], 0x33);  // blue, green, red in memory
    EXPECT_EQ(s24.Bits()[4], 0x22);
    EXPECT_EQ(s24.Bits()[5], 0x11);
    EXPECT_EQ(s24.Bits()[0], 0);

    Surface s16(2, 1, 16);
    s16.PutPixel(1, 0, 0xABCD7FFF);
    EXPECT_EQ(SurfacePixel(s16, 1, 0), 0x7FFFu);
    EXPECT_EQ(SurfacePixel(s16, 0, 0), 0u);

    Surface s8(2, 1, 8);
    s8.PutPixel(0, 0, 0x1234);
    EXPECT_EQ(s8.Bits()[0], 0x34);
    EXPECT_EQ(s8.Bits()[1], 0);
}

TEST(DibSurface, OutOfRangeWritesChangeNothing) {
    Surface s(5, 4, 32);
    const std::vector<std::uint8_t> before(s.Bits(), s.Bits() + s.Stride() * 4);
    s.PutPixel(5, 0, 7);
    s.PutPixel(0, -1, 7);
    s.PutPixel(-1, 2, 7);
    s.PutPixel(0, 4, 7);
    EXPECT_EQ(std::vector<std::uint8_t>(s.Bits(), s.Bits() + s.Stride() * 4), before);
}

TEST(DibSurface, BlocksAreClippedAtTheEdges) {
    for (int bits : {16, 24, 32}) {
        const int w = 13;
        const int h = 11;
        Surface s(w, h, bits);
        s.Fill8x8(w - 3, h - 3, 0x7ABC);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool corner = x >= w - 3 && y >= h - 3;
                EXPECT_EQ(SurfacePixel(s, x, y), corner ? 0x7ABCu : 0u) << x << "," << y;
            }
        }
        // Row padding stays untouched.
        const int used = w * bits / 8;
        for (int row = 0; row < h; ++row) {
            for (int b = used; b < s.Stride(); ++b) {
                EXPECT_EQ(s.Bits()[row * s.Stride() + b], 0);
            }
        }
    }
    Surface s(8, 8, 32);
    s.Fill4x4(2, 1, 9);
    int set = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 5;
            EXPECT_EQ(SurfacePixel(s, x, y), inside ? 9u : 0u);
            set += inside;
        }
    }
    EXPECT_EQ(set, 16);
}

TEST(DibSurface, FillColumnIsClipped) {
    Surface s(3, 6, 32);
    s.FillColumn(1, 0, 6, 5);
    s.FillColumn(2, 4, 3, 5);  // first after last: nothing
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(SurfacePixel(s, 1, y), 5u);
        EXPECT_EQ(SurfacePixel(s, 2, y), 0u);
    }
}

TEST(DibSurface, BlitCopiesTopDownAndBlitRowsTheBand) {
    Surface s(4, 5, 32);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 4; ++x) {
            s.PutPixel(x, y, std::uint32_t(10 * y + x));
        }
    }
    CMemoryTarget whole(6, 7);
    EXPECT_EQ(s.Blit(whole, 1, 2, 4, 5), 1);
    EXPECT_EQ(whole.At(1, 2), 0u);
    EXPECT_EQ(whole.At(4, 6), 43u);
    EXPECT_EQ(whole.At(0, 0), CMemoryTarget::kUnset);

    CMemoryTarget band(4, 5);
    EXPECT_EQ(s.BlitRows(band, 0, 3, 0, 3, 4, 1), 1);
    ASSERT_EQ(band.copies.size(), 1u);
    EXPECT_EQ(band.copies[0].srcTop, 3);
    EXPECT_EQ(band.copies[0].height, 1);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(band.At(x, 3), std::uint32_t(30 + x));
        EXPECT_EQ(band.At(x, 2), CMemoryTarget::kUnset);
        EXPECT_EQ(band.At(x, 4), CMemoryTarget::kUnset);
    }

    CMemoryTarget tail(4, 5);
    s.BlitRows(tail, 0, 2, 1, 4, 2, 3);  // rows 2..4, columns 1..2
    EXPECT_EQ(tail.At(0, 2), 21u);
    EXPECT_EQ(tail.At(1, 4), 42u);
    EXPECT_EQ(tail.At(2, 4), CMemoryTarget::kUnset);

    // A band reaching past the image is clipped, never read out of bounds.
    CMemoryTarget clipped(4, 5);
    s.BlitRows(clipped, 0, 0, 0, 5, 4, 9);
    ASSERT_EQ(clipped.copies.size(), 1u);
    EXPECT_EQ(clipped.copies[0].srcTop, 0);
    EXPECT_EQ(clipped.copies[0].height, 5);
    EXPECT_EQ(clipped.copies[0].dstY, 3);
    CMemoryTarget none(4, 5);
    s.BlitRows(none, 0, 0, 0, 4, 4, 0);
    EXPECT_TRUE(none.copies.empty());
}

TEST(DibSurface, ShiftMovesRowsAndColumns) {
    for (int bits : {16, 24, 32}) {
        Surface down(10, 6, bits);
        Number(down);
        down.Shift(0, 2);
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(SurfacePixel(down, x, 0), std::uint32_t(1 + x));  // stale rows stay
            EXPECT_EQ(SurfacePixel(down, x, 1), std::uint32_t(11 + x));
            EXPECT_EQ(SurfacePixel(down, x, 5), std::uint32_t(31 + x));
        }
        Surface up(10, 6, bits);
        Number(up);
        up.Shift(1, 2);
        EXPECT_EQ(SurfacePixel(up, 4, 0), 25u);
        EXPECT_EQ(SurfacePixel(up, 4, 3), 55u);
        EXPECT_EQ(SurfacePixel(up, 4, 4), 45u);
        EXPECT_EQ(SurfacePixel(up, 4, 5), 55u);

        Surface left(10, 6, bits);
        Number(left);
        left.Shift(2, 3);
        EXPECT_EQ(SurfacePixel(left, 0, 2), 24u);
        EXPECT_EQ(SurfacePixel(left, 6, 2), 30u);
        EXPECT_EQ(SurfacePixel(left, 7, 2), 28u);  // last columns keep old pixels
        EXPECT_EQ(SurfacePixel(left, 9, 2), 30u);

        Surface right(10, 6, bits);
        Number(right);
        right.Shift(3, 3);
        EXPECT_EQ(SurfacePixel(right, 0, 1), 11u);
        EXPECT_EQ(SurfacePixel(right, 3, 1), 11u);
        EXPECT_EQ(SurfacePixel(right, 9, 1), 17u);
    }
    Surface same(10, 6, 32);
    Number(same);
    same.Shift(0, 6);
    same.Shift(2, 10);
    same.Shift(3, 11);
    EXPECT_EQ(SurfacePixel(same, 9, 5), 60u);
    EXPECT_EQ(SurfacePixel(same, 0, 0), 1u);
}

// A row of blocks stored at once leaves exactly the bytes that storing each
// block with the Fill functions leaves, padding included, wherever the row
// starts or ends against the edges.
TEST(DibSurface, StoreBlocksMatchesBlockByBlockFills) {
    for (int bits : {8, 16, 24, 32}) {
        for (int side : {1, 4, 8}) {
            for (int x : {-9, -1, 0, 3}) {
                for (int y : {-5, 0, 6, 12}) {
                    const int w = 19;
                    const int h = 13;
                    const int count = (w - x) / side + 2;  // runs past the right edge
                    std::vector<std::uint32_t> values(static_cast<std::size_t>(count));
                    for (int i = 0; i < count; ++i) {
                        values[static_cast<std::size_t>(i)] =
                            0x10203u * static_cast<unsigned>(i + 1);
                    }
                    Surface expected(w, h, bits);
                    Surface actual(w, h, bits);
                    for (int i = 0; i < count; ++i) {
                        const int left = x + i * side;
                        const std::uint32_t v = values[static_cast<std::size_t>(i)];
                        if (side == 8) {
                            expected.Fill8x8(left, y, v);
                        } else if (side == 4) {
                            expected.Fill4x4(left, y, v);
                        } else {
                            expected.PutPixel(left, y, v);
                        }
                    }
                    actual.StoreBlocks(x, y, side, values.data(), count);
                    const auto bytes = static_cast<std::size_t>(expected.Stride()) * h;
                    EXPECT_EQ(std::memcmp(expected.Bits(), actual.Bits(), bytes), 0)
                        << bits << " bits, side " << side << " at " << x << "," << y;
                }
            }
        }
    }
    Surface s(4, 4, 32);
    const std::uint32_t one = 5;
    s.StoreBlocks(0, 0, 8, &one, 0);
    s.StoreBlocks(0, 0, 0, &one, 1);
    s.StoreBlocks(4, 0, 1, &one, 1);
    s.StoreBlocks(0, 4, 4, &one, 1);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(SurfacePixel(s, x, y), 0u);
        }
    }
}
