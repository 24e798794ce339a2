#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// How a file operation ended, with the system's error number when it failed.
struct CFileResult {
    enum Stage { ok, openFailed, readFailed, writeFailed };
    Stage stage = ok;
    int error = 0;

    bool Ok() const { return stage == ok; }
};

// The file operations the open and save flows need, replaceable in tests.
class IFileStore {
public:
    virtual ~IFileStore() = default;
    // Reads at most maxBytes from the start of a regular file.
    virtual CFileResult Read(const std::string& path, std::size_t maxBytes,
                             std::vector<std::uint8_t>& bytes) = 0;
    // Makes the file hold exactly these bytes, or leaves it as it was.
    virtual CFileResult Replace(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
};

// The real file system. Replace follows links to the file they finally name
// and writes a temporary file beside it, flushes it to the disk and renames it
// over the target, so a failure at any point leaves the earlier file untouched
// and no temporary behind. An existing file whose folder takes no new name, or
// that has other names, is rewritten in place instead, its old bytes put back
// on a failure. A folder, pipe or device is refused and left as it is. A
// failed Replace never leaves a file that was not there before.
class CPosixFileStore : public IFileStore {
public:
    CFileResult Read(const std::string& path, std::size_t maxBytes,
                     std::vector<std::uint8_t>& bytes) override;
    CFileResult Replace(const std::string& path, std::span<const std::uint8_t> bytes) override;
};
