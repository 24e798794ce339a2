#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

// Raised while loading when the data ends before a field does, or when the
// data is refused for its contents.
class CArchiveException : public std::exception {
public:
    enum Cause { badFormat, endOfFile };

    explicit CArchiveException(Cause cause) : m_cause(cause) {}
    const char* what() const noexcept override {
        return m_cause == badFormat ? "bad format" : "end of file";
    }

    Cause m_cause;
};

// The archive encoding of parameter files: little-endian 32-bit integers,
// doubles bit for bit, and length-prefixed strings. Storing appends to an
// in-memory buffer; loading reads from bytes already in memory, so a length
// read from the data can never make it allocate more than the data holds.
class CArchive {
public:
    enum Mode { store, load };

    // An archive for storing.
    CArchive();
    // An archive for loading the given bytes; they must outlive the archive.
    explicit CArchive(std::span<const std::uint8_t> data);

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }

    void WriteInt32(std::int32_t value);
    void WriteDouble(double value);
    // The shortest length form that holds the string's byte count.
    void WriteString(const std::string& value);

    std::int32_t ReadInt32();
    double ReadDouble();
    // Any length form, including UTF-16 strings, which come back as UTF-8.
    std::string ReadString();

    const std::vector<std::uint8_t>& Data() const { return m_stored; }
    // Bytes not yet read while loading.
    std::size_t Remaining() const { return m_data.size() - m_position; }

private:
    void Put(const void* bytes, std::size_t count);
    void Take(void* bytes, std::size_t count);
    // A length prefix; with utf16 given, the first prefix of a string, which
    // may announce UTF-16 code units.
    std::uint64_t ReadLength(bool* utf16);

    Mode m_mode;
    std::vector<std::uint8_t> m_stored;
    std::span<const std::uint8_t> m_data;
    std::size_t m_position = 0;
};
