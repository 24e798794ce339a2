#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "ParameterFile.h"
#include "document/Archive.h"

// The largest single allocation made while g_watchAllocations is set: a length
// read from the data must never decide how much memory is taken.
namespace {
std::atomic<bool> g_watchAllocations{false};
std::atomic<std::size_t> g_largestAllocation{0};
}  // namespace

void* operator new(std::size_t size) {
    if (g_watchAllocations.load()) {
        std::size_t largest = g_largestAllocation.load();
        while (size > largest && !g_largestAllocation.compare_exchange_weak(largest, size)) {
        }
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
// The compiler cannot tell that this operator new hands out malloc's memory.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

std::vector<std::uint8_t> Stored(const std::string& s) {
    CArchive ar;
    ar.WriteString(s);
    return ar.Data();
}

std::string ReadStringFrom(const std::vector<std::uint8_t>& bytes) {
    CArchive ar(bytes);
    return ar.ReadString();
}

// The UTF-16 form with a one-byte unit count.
std::vector<std::uint8_t> Utf16(const std::vector<std::uint16_t>& units) {
    CByteWriter w;
    w.U8(0xFF).U16(0xFFFE).U8(static_cast<std::uint8_t>(units.size()));
    for (std::uint16_t u : units) {
        w.U16(u);
    }
    return w.Bytes();
}

}  // namespace

TEST(Archive, NumbersAreLittleEndian) {
    CArchive out;
    out.WriteInt32(0x12345678);
    out.WriteInt32(-2);
    out.WriteDouble(1.0);
    const std::vector<std::uint8_t> expected = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                                                0,    0,    0,    0,    0,    0,    0xF0, 0x3F};
    EXPECT_EQ(out.Data(), expected);

    const auto bytes = CByteWriter().I32(-123456789).F64(-2.5).I32(7).Bytes();
    CArchive in(bytes);
    EXPECT_EQ(in.ReadInt32(), -123456789);
    EXPECT_EQ(in.ReadDouble(), -2.5);
    EXPECT_EQ(in.ReadInt32(), 7);
}

TEST(Archive, DoublesRoundTripBitForBit) {
    const double values[] = {
        -0.0,    0.1,      std::numeric_limits<double>::denorm_min(),
        DBL_MAX, -DBL_MIN, std::bit_cast<double>(std::uint64_t{0x7FF8000000001234})};
    for (double v : values) {
        CArchive out;
        out.WriteDouble(v);
        EXPECT_EQ(out.Data(), CByteWriter().F64(v).Bytes()) << v;
        CArchive in(out.Data());
        EXPECT_TRUE(SameBits(in.ReadDouble(), v)) << v;
    }
}

TEST(Archive, StringLengthForms) {
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'a');
        for (std::size_t i = 0; i < c.length; ++i) {
            text[i] = static_cast<char>('a' + i % 26);
        }
        const auto bytes = Stored(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
        EXPECT_TRUE(std::equal(text.begin(), text.end(), bytes.begin() + c.prefix.size()));
        EXPECT_TRUE(ReadStringFrom(bytes) == text) << "read back wrong, length " << c.length;
    }
    // A longer form than needed still reads.
    EXPECT_EQ(ReadStringFrom(CByteWriter().U8(0xFF).U16(3).Raw("abc").Bytes()), "abc");
    EXPECT_EQ(ReadStringFrom(CByteWriter().U8(0xFF).U16(0xFFFF).U32(3).Raw("abc").Bytes()), "abc");
}

TEST(Archive, Utf16StringsReadAsUtf8) {
    EXPECT_EQ(ReadStringFrom(Utf16({'V', 'e', 'l', 'm', 'o', 'r', 'a'})), "Velmora");
    EXPECT_EQ(ReadStringFrom(Utf16({0x7121, 0x984C})), "無題");
    EXPECT_EQ(ReadStringFrom(Utf16({0xD83D, 0xDE00})), "\xF0\x9F\x98\x80");
    EXPECT_EQ(ReadStringFrom(Utf16({0xD800, 'a'})),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(ReadStringFrom(Utf16({'a', 0xDC00})), "a\xEF\xBF\xBD");
    EXPECT_EQ(ReadStringFrom(Utf16({'a', 0xD83D})), "a\xEF\xBF\xBD");
    EXPECT_EQ(ReadStringFrom(Utf16({})), "");

    // A unit count in the 16-bit form, and the data after the string still in place.
    CByteWriter w;
    w.U8(0xFF).U16(0xFFFE).U8(0xFF).U16(300);
    for (int i = 0; i < 300; ++i) {
        w.U16('x');
    }
    w.I32(42);
    CArchive ar(w.Bytes());
    EXPECT_EQ(ar.ReadString(), std::string(300, 'x'));
    EXPECT_EQ(ar.ReadInt32(), 42);
}

TEST(Archive, LengthBeyondTheDataThrowsWithoutAllocating) {
    const std::vector<std::vector<std::uint8_t>> cases = {
        CByteWriter().U8(0xFF).U16(0xFFFF).U32(0xFFFFFFFF).Raw("abc").Bytes(),
        CByteWriter().U8(0xFF).U16(0xFFFD).Raw("abc").Bytes(),
        CByteWriter().U8(0xFE).Raw("a").Bytes(),
        CByteWriter().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFF).U32(0xFFFFFFFF).Raw("abc").Bytes(),
        CByteWriter().U8(0xFF).U16(0xFFFE).U8(2).Raw("abc").Bytes(),
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        g_largestAllocation = 0;
        g_watchAllocations = true;
        const auto cause = ThrownCause([&] { ReadStringFrom(cases[i]); });
        g_watchAllocations = false;
        EXPECT_EQ(cause, CArchiveException::endOfFile) << "case " << i;
        EXPECT_LT(g_largestAllocation.load(), 1024u) << "case " << i;
    }
}

TEST(Archive, ReadingPastTheEndThrows) {
    const std::vector<std::uint8_t> none;
    const std::vector<std::uint8_t> three = {1, 2, 3};
    const std::vector<std::uint8_t> seven = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(ThrownCause([&] { CArchive(none).ReadInt32(); }), CArchiveException::endOfFile);
    EXPECT_EQ(ThrownCause([&] { CArchive(none).ReadDouble(); }), CArchiveException::endOfFile);
    EXPECT_EQ(ThrownCause([&] { CArchive(none).ReadString(); }), CArchiveException::endOfFile);
    EXPECT_EQ(ThrownCause([&] { CArchive(three).ReadInt32(); }), CArchiveException::endOfFile);
    EXPECT_EQ(ThrownCause([&] { CArchive(seven).ReadDouble(); }), CArchiveException::endOfFile);
    // A long-form prefix cut inside its own length.
    const std::vector<std::uint8_t> cutPrefix = {0xFF, 0x05};
    EXPECT_EQ(ThrownCause([&] { CArchive(cutPrefix).ReadString(); }), CArchiveException::endOfFile);

    CArchive ar(seven);
    EXPECT_EQ(ar.ReadInt32(), 0x04030201);
    EXPECT_EQ(ThrownCause([&] { ar.ReadInt32(); }), CArchiveException::endOfFile);
}
