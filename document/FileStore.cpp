#include "document/FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <utility>

namespace {

CFileResult Failed(CFileResult::Stage stage, int error) {
    return CFileResult{stage, error};
}

// A descriptor that is closed however the function leaves.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    // Closes now and reports the error a deferred write may only show here.
    int Close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Writes all of `bytes` at the start of the file.
bool WriteAll(int fd, std::span<const std::uint8_t> bytes, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinkLevels = 40;
// Parameter files are tiny. A file rewritten in place keeps its old bytes in
// memory until the new ones are on the disk; a larger file is not risked.
constexpr std::size_t kMaxKeptBytes = 1 << 20;

// The file a save finally writes: the end of a chain of links, which need
// not exist yet.
struct CTarget {
    std::string path;
    bool exists = false;
    struct stat st {};
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows links to the end, each relative one from the folder that holds it.
// Returns the error that stops the walk, or 0.
int ResolveTarget(const std::string& path, CTarget& target) {
    std::string current = path;
    for (int level = 0;; ++level) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                return errno;
            }
            target = CTarget{current, false, {}};
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            target = CTarget{current, true, st};
            return 0;
        }
        if (level == kMaxLinkLevels) {
            return ELOOP;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), link, sizeof link);
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return ENOENT;
        }
        if (static_cast<std::size_t>(n) == sizeof link) {
            return ENAMETOOLONG;
        }
        std::string next(link, static_cast<std::size_t>(n));
        const std::size_t slash = current.find_last_of('/');
        if (next.front() != '/' && slash != std::string::npos) {
            next = current.substr(0, slash + 1) + next;
        }
        current = std::move(next);
    }
}

// The folder will not take a new name, though the file in it may be written.
bool FolderRefuses(int error) {
    return error == EACCES || error == EPERM;
}

// Reads the whole file from its start. A file of more than `cap` bytes is
// refused (EACCES): its old bytes could not be kept to put back.
bool ReadAll(int fd, std::size_t cap, std::vector<std::uint8_t>& bytes, int& error) {
    constexpr std::size_t kChunk = 64 * 1024;
    bytes.clear();
    for (;;) {
        const std::size_t done = bytes.size();
        if (done > cap) {
            error = EACCES;
            return false;
        }
        bytes.resize(done + kChunk);
        const ssize_t n = ::pread(fd, bytes.data() + done, kChunk, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            bytes.resize(done);
            continue;
        }
        if (n < 0) {
            error = errno;
            return false;
        }
        bytes.resize(done + static_cast<std::size_t>(n));
        if (n == 0) {
            return true;
        }
    }
}

// Makes the file hold exactly `bytes` and flushes it to the disk.
int Overwrite(int fd, std::span<const std::uint8_t> bytes) {
    int error = 0;
    if (!WriteAll(fd, bytes, error)) {
        return error;
    }
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

// Writes an existing regular file through its own descriptor, for when it
// may not be replaced by a new file: its folder takes no new name, or other
// names share it and must see the new bytes. The old bytes are put back if
// any step fails, and the first error is reported.
CFileResult RewriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes) {
    // Non-blocking, so that a named pipe put there meanwhile cannot hang the open.
    CFd file(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (file.Get() < 0) {
        return Failed(CFileResult::writeFailed, errno);
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        return Failed(CFileResult::writeFailed, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Failed(CFileResult::writeFailed, EACCES);
    }
    std::vector<std::uint8_t> old;
    int error = 0;
    if (!ReadAll(file.Get(), kMaxKeptBytes, old, error)) {
        return Failed(CFileResult::writeFailed, error);
    }
    error = Overwrite(file.Get(), bytes);
    if (error != 0) {
        Overwrite(file.Get(), old);
        return Failed(CFileResult::writeFailed, error);
    }
    // The bytes are on the disk: what close might still report changes nothing.
    return {};
}

}  // namespace

CFileResult CPosixFileStore::Read(const std::string& path, std::size_t maxBytes,
                                  std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    // Non-blocking, so that a named pipe cannot hang the open.
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        return Failed(CFileResult::openFailed, errno);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return Failed(CFileResult::openFailed, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Failed(CFileResult::openFailed, S_ISDIR(st.st_mode) ? EISDIR : EACCES);
    }
    bytes.resize(maxBytes);
    std::size_t done = 0;
    while (done < maxBytes) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + done, maxBytes - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            bytes.clear();
            return Failed(CFileResult::readFailed, error);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return {};
}

CFileResult CPosixFileStore::Replace(const std::string& path, std::span<const std::uint8_t> bytes) {
    CTarget target;
    if (const int error = ResolveTarget(path, target); error != 0) {
        return Failed(CFileResult::writeFailed, error);
    }
    const std::string folder = FolderOf(target.path);

    if (target.exists) {
        // A folder, a pipe or a device is left as it is.
        if (S_ISDIR(target.st.st_mode)) {
            return Failed(CFileResult::writeFailed, EISDIR);
        }
        if (!S_ISREG(target.st.st_mode)) {
            return Failed(CFileResult::writeFailed, EACCES);
        }
        // A file that may not be written is not replaced behind its back.
        if (::access(target.path.c_str(), W_OK) != 0) {
            return Failed(CFileResult::writeFailed, errno);
        }
        if (target.st.st_nlink > 1) {
            return RewriteInPlace(target.path, bytes);
        }
    }

    // A short name of its own beside the target, whatever the target's length.
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/.velmora-" + std::to_string(random() % 100000000) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            const int error = errno;
            if (target.exists && FolderRefuses(error)) {
                return RewriteInPlace(target.path, bytes);
            }
            return Failed(CFileResult::writeFailed, error);
        }
    }
    if (fd < 0) {
        return Failed(CFileResult::writeFailed, EEXIST);
    }
    CFd file(fd);

    if (target.exists) {
        // Keep the old file's owner and permissions where we may.
        [[maybe_unused]] const int owned = ::fchown(file.Get(), target.st.st_uid, target.st.st_gid);
        ::fchmod(file.Get(), target.st.st_mode & 07777);
    }
    int error = 0;
    bool renameFailed = false;
    if (!WriteAll(file.Get(), bytes, error)) {
        // error is set
    } else if (::fsync(file.Get()) != 0) {
        error = errno;
    } else if ((error = file.Close()) != 0) {
        // a write the disk refused late
    } else if (::rename(temporary.c_str(), target.path.c_str()) != 0) {
        error = errno;
        renameFailed = true;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        // A sticky folder lets no one but the owner rename over a file.
        if (renameFailed && target.exists && FolderRefuses(error)) {
            return RewriteInPlace(target.path, bytes);
        }
        return Failed(CFileResult::writeFailed, error);
    }
    // Make the rename itself durable; a folder that cannot be synced is no failure.
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return {};
}
