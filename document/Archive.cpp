#include "document/Archive.h"

#include <bit>
#include <cstring>

namespace {

static_assert(std::endian::native == std::endian::little, "the archive is little-endian");

constexpr std::uint8_t kLongLength = 0xFF;
constexpr std::uint16_t kUtf16Mark = 0xFFFE;
constexpr std::uint16_t kLongerLength = 0xFFFF;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

CArchive::CArchive() : m_mode(store) {}

CArchive::CArchive(std::span<const std::uint8_t> data) : m_mode(load), m_data(data) {}

void CArchive::Put(const void* bytes, std::size_t count) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    m_stored.insert(m_stored.end(), p, p + count);
}

void CArchive::Take(void* bytes, std::size_t count) {
    if (count > m_data.size() - m_position) {
        throw CArchiveException(CArchiveException::endOfFile);
    }
    if (count == 0) {
        return;  // an empty string: there may be no buffer to copy into
    }
    std::memcpy(bytes, m_data.data() + m_position, count);
    m_position += count;
}

void CArchive::WriteInt32(std::int32_t value) {
    Put(&value, sizeof value);
}

void CArchive::WriteDouble(double value) {
    Put(&value, sizeof value);
}

void CArchive::WriteString(const std::string& value) {
    const std::size_t length = value.size();
    if (length < kLongLength) {
        const auto byte = static_cast<std::uint8_t>(length);
        Put(&byte, 1);
    } else if (length < kUtf16Mark) {
        const auto word = static_cast<std::uint16_t>(length);
        Put(&kLongLength, 1);
        Put(&word, 2);
    } else {
        const auto dword = static_cast<std::uint32_t>(length);
        Put(&kLongLength, 1);
        Put(&kLongerLength, 2);
        Put(&dword, 4);
    }
    Put(value.data(), length);
}

std::int32_t CArchive::ReadInt32() {
    std::int32_t value = 0;
    Take(&value, sizeof value);
    return value;
}

double CArchive::ReadDouble() {
    double value = 0;
    Take(&value, sizeof value);
    return value;
}

std::uint64_t CArchive::ReadLength(bool* utf16) {
    std::uint8_t byte = 0;
    Take(&byte, 1);
    if (byte < kLongLength) {
        return byte;
    }
    std::uint16_t word = 0;
    Take(&word, 2);
    // Only the first prefix of a string can announce UTF-16 code units; a
    // second prefix of the same kind then gives their number.
    if (utf16 && word == kUtf16Mark) {
        *utf16 = true;
        return ReadLength(nullptr);
    }
    if (word < kLongerLength) {
        return word;
    }
    std::uint32_t dword = 0;
    Take(&dword, 4);
    return dword;
}

std::string CArchive::ReadString() {
    bool utf16 = false;
    const std::uint64_t length = ReadLength(&utf16);
    const std::uint64_t bytes = utf16 ? length * 2 : length;
    // Never trust a length beyond the data: it would only end in an error.
    if (bytes > m_data.size() - m_position) {
        throw CArchiveException(CArchiveException::endOfFile);
    }
    if (!utf16) {
        std::string value(static_cast<std::size_t>(length), '\0');
        Take(value.data(), value.size());
        return value;
    }
    std::vector<std::uint16_t> units(static_cast<std::size_t>(length));
    Take(units.data(), units.size() * 2);
    return Utf16ToUtf8(units);
}
